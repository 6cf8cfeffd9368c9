#include "tests/support/scripted_game.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <span>

#include "dialogs/replay_recorder.h"
#include "net/request_ids.h"
#include "shell/game_handler.h"
#include "table/card_attributes.h"
#include "table/card_rules.h"
#include "table/card_view.h"
#include "table/table_messages.h"
#include "tests/support/fake_game_server.h"

namespace test {

engine::EngineObject* PlayTableView::CreateLookOnRequestBox(const char* name, const char* avatar,
                                                            const engine::ObjectMessage* accept,
                                                            const engine::ObjectMessage* refuse) {
  LookOnBox box;
  box.name = name != nullptr ? name : "";
  box.avatar = avatar != nullptr ? avatar : "";
  if (accept != nullptr) box.accept = *accept;
  if (refuse != nullptr) box.refuse = *refuse;
  box.object = CTableView::CreateLookOnRequestBox(name, avatar, accept, refuse);
  look_on_boxes.push_back(box);
  return box.object;
}

namespace {

void Put(std::vector<uint8_t>* bytes, size_t offset, uint32_t word) {
  if (bytes->size() < offset + 4) bytes->resize(offset + 4, 0);
  table::PutWord(bytes->data() + offset, word);
}

}  // namespace

std::vector<uint8_t> PlayBody(int32_t chair, const table::CARD_COMBO& combo, int32_t next_chair, int32_t seconds) {
  std::vector<uint8_t> body(table::kPlayNoticeHeadBytes, 0);
  Put(&body, 12, static_cast<uint32_t>(chair));
  Put(&body, 20, static_cast<uint32_t>(next_chair));
  Put(&body, 28, static_cast<uint32_t>(seconds));
  Put(&body, 48, combo.type);
  Put(&body, 52, combo.beat_mask);
  Put(&body, 56, combo.value);
  Put(&body, 60, static_cast<uint32_t>(combo.card_count));
  for (int32_t i = 0; i < std::clamp(combo.card_count, 0, table::kComboMaxCards); ++i) {
    Put(&body, table::kPlayNoticeHeadBytes + 4 * static_cast<size_t>(i), static_cast<uint32_t>(combo.cards[i]));
  }
  return body;
}

std::vector<uint8_t> PassBody(int32_t chair, int32_t next_chair, bool trick_over, int32_t seconds) {
  std::vector<uint8_t> body(table::kPassNoticeBytes, 0);
  Put(&body, 8, static_cast<uint32_t>(chair));
  Put(&body, 16, static_cast<uint32_t>(next_chair));
  Put(&body, 20, trick_over ? 1 : 0);
  Put(&body, 32, static_cast<uint32_t>(seconds));
  return body;
}

std::vector<uint8_t> GameMessageBody(uint32_t room, uint32_t user, int32_t id, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> body = Words({room, user, static_cast<uint32_t>(id), 0, static_cast<uint32_t>(data.size())});
  body.insert(body.end(), data.begin(), data.end());
  return body;
}

table::CARD_COMBO ComboOf(const std::vector<int32_t>& ids) {
  table::SearchRules search;
  table::CARD_COMBO_LIST list;
  if (!search->FindAllCombos(0, ids.data(), static_cast<int>(ids.size()), &list, table::kJokerBeatMask)) {
    return table::CARD_COMBO();
  }
  search->PickBestCombo(&list);
  return list.records[0];
}

std::vector<int32_t> ZipaiDeck() {
  std::vector<int32_t> deck;
  for (int32_t decks = 0; decks < 2; ++decks) {
    for (int32_t suit = 0; suit < 4; ++suit) {
      for (int32_t numeral = 0; numeral < 10; ++numeral) deck.push_back(decks * 54 + suit * 13 + numeral);
    }
  }
  return deck;
}

ScriptedGame::ScriptedGame(TableApp* app, FakeGameServer* server, std::function<void(int)> frames)
    : ScriptedGame(app, dynamic_cast<PlayTableView*>(app->frame->table), server, std::move(frames)) {}

ScriptedGame::ScriptedGame(shell::CGameAppBase* app, PlayTableView* view, FakeGameServer* server,
                           std::function<void(int)> frames)
    : app_(app), view_(view), server_(server), frames_(std::move(frames)) {
  chairs_ = std::clamp(app_->GetChairCount(), 1, shell::kMaxChairs);
  server_->Answer(net::request::kPlay, 0);
}

PlayTableView& ScriptedGame::view() { return *view_; }

void ScriptedGame::Start(uint32_t seed, int32_t first) {
  std::vector<int32_t> deck = ZipaiDeck();
  std::mt19937 random(seed);
  for (size_t i = deck.size() - 1; i > 0; --i) std::swap(deck[i], deck[random() % (i + 1)]);
  // Round the table from the banker, a card at a time, then the banker's extra cards; the rest
  // is the pile. More chairs than the deck serves at full hands get shorter ones.
  std::vector<std::vector<int32_t>> hands(static_cast<size_t>(chairs_));
  const auto banker = static_cast<size_t>(std::clamp(first, 0, chairs_ - 1));
  constexpr size_t kExtra = kBankerCards - kHandCards;
  const size_t per_hand = std::min<size_t>(kHandCards, (deck.size() - kExtra) / hands.size());
  size_t next = 0;
  for (size_t k = 0; k < per_hand; ++k) {
    for (size_t c = 0; c < hands.size(); ++c) hands[(banker + c) % hands.size()].push_back(deck[next++]);
  }
  for (size_t k = 0; k < kExtra; ++k) hands[banker].push_back(deck[next++]);
  Start(hands, first);
}

void ScriptedGame::Start(const std::vector<std::vector<int32_t>>& hands, int32_t first) {
  hands_ = hands;
  hands_.resize(static_cast<size_t>(chairs_));
  shell::IGameHandler* holder = app_->GetTableStateHolder();
  holder->SetGameNumber(holder->GetGameNumber() + 1);
  holder->SetStateFlags(shell::IGameHandler::kStateInProgress);
  holder->SetActiveChair(first);
  server_->Push(shell::notify::kGameStarted,
                Words({app_->GetTableRecordId(), static_cast<uint32_t>(holder->GetGameNumber())}));
  PlayTableView& table = view();
  table.ShowRoundBanner();
  table.state.chair_on_table = -1;
  table.state.combo.Clear();
  table.DealHands(hands_);
  // The game keeps the dealt hands with the recording, for the replay's deal: a slot of the
  // application's largest hand per chair, each hand at the front of its slot.
  if (dialogs::CReplayRecorder* recorder = table.GetRecorder(); recorder != nullptr && recorder->IsRecording()) {
    std::span<int32_t> block = recorder->GetStateBlock();
    const auto slot = static_cast<size_t>(std::max(app_->GetMaxHandSize(), 0));
    for (size_t c = 0; c < hands_.size(); ++c) {
      for (size_t k = 0; k < hands_[c].size() && k < slot; ++k) {
        const size_t at = c * slot + k;
        if (at < block.size()) block[at] = hands_[c][k];
      }
    }
  }
  table.OnDealOver();
  to_act_ = first;
  on_table_ = -1;
  table_combo_.Clear();
  plays_echoed_ = server_->CountOf(net::request::kPlay);
  passes_echoed_ = server_->CountOf(net::request::kPass);
  frames_(settle_frames);
}

void ScriptedGame::Remove(int32_t chair, const table::CARD_COMBO& combo) {
  std::vector<int32_t>& hand = hands_[static_cast<size_t>(chair)];
  for (int32_t i = 0; i < combo.card_count; ++i) {
    auto it = std::find(hand.begin(), hand.end(), combo.cards[i]);
    if (it != hand.end()) hand.erase(it);
  }
}

void ScriptedGame::Play(int32_t chair, const std::vector<int32_t>& ids) {
  const table::CARD_COMBO combo = ComboOf(ids);
  if (combo.type == 0) {
    ADD_FAILURE() << "the cards form no combination";
    return;
  }
  const int32_t next = Prev(chair);
  Remove(chair, combo);
  on_table_ = chair;
  table_combo_ = combo;
  to_act_ = next;
  server_->Push(shell::notify::kPlay, PlayBody(chair, combo, next, kSeconds));
  frames_(settle_frames);
}

void ScriptedGame::Pass(int32_t chair) {
  const int32_t next = Prev(chair);
  const bool over = next == on_table_;
  if (over) {
    on_table_ = -1;
    table_combo_.Clear();
  }
  to_act_ = next;
  server_->Push(shell::notify::kPass, PassBody(chair, next, over, kSeconds));
  frames_(settle_frames);
}

bool ScriptedGame::EchoOwnRequests() {
  bool echoed = false;
  const int32_t own = app_->GetChair();
  std::vector<const FakeGameServer::Received*> plays;
  std::vector<const FakeGameServer::Received*> passes;
  for (const FakeGameServer::Received& r : server_->Requests()) {
    if (r.request_id == net::request::kPlay) plays.push_back(&r);
    if (r.request_id == net::request::kPass) passes.push_back(&r);
  }
  for (; plays_echoed_ < plays.size(); ++plays_echoed_) {
    const std::vector<uint8_t>& body = plays[plays_echoed_]->body;
    if (body.size() < 64) continue;
    const int32_t count = std::clamp(static_cast<int32_t>(table::GetWord(body.data() + 60)), 0, 64);
    std::vector<int32_t> ids;
    for (int32_t i = 0; i < count && 64 + 4 * static_cast<size_t>(i) + 4 <= body.size(); ++i) {
      ids.push_back(static_cast<int32_t>(table::GetWord(body.data() + 64 + 4 * i)));
    }
    Play(own, ids);
    echoed = true;
  }
  for (; passes_echoed_ < passes.size(); ++passes_echoed_) {
    Pass(own);
    echoed = true;
  }
  return echoed;
}

bool ScriptedGame::OwnMove() {
  PlayTableView& table = view();
  auto press = [&table](uint32_t id) {
    const engine::ObjectMessage m = engine::MakeMessage(table.GetKey(), id, 0, 0);
    table.OnMessage(&m);
  };
  if (table.state.chair_on_table == -1) {
    table.ClearSelection();
    table.SelectLeadCards();
    table.UpdateThrowButton();
    press(table::view_msg::kThrow);
  } else {
    table.SelectAutoHint();
    press(table.CountSelected() == 0 ? table::view_msg::kPass : table::view_msg::kThrow);
  }
  return EchoOwnRequests();
}

void ScriptedGame::OtherMove(int32_t chair) {
  std::vector<int32_t> hand = hands_[static_cast<size_t>(chair)];
  if (hand.empty()) return;
  if (on_table_ == -1) {
    const auto lowest = std::min_element(hand.begin(), hand.end(), [](int32_t a, int32_t b) {
      return table::DefaultCardOrder(a, 0, 0) < table::DefaultCardOrder(b, 0, 0);
    });
    Play(chair, {*lowest});
    return;
  }
  int32_t found_ids[table::kComboMaxCards];
  table::CARD_COMBO found;
  if (view().FindSmallestHint(hand.data(), static_cast<int32_t>(hand.size()), found_ids, table::kComboMaxCards,
                              table_combo_, &found, table::kJokerBeatMask, 1) == 0) {
    Pass(chair);
    return;
  }
  Play(chair, std::vector<int32_t>(found.cards, found.cards + found.card_count));
}

bool ScriptedGame::Over() const {
  return std::any_of(hands_.begin(), hands_.end(), [](const std::vector<int32_t>& h) { return h.empty(); });
}

void ScriptedGame::End() {
  shell::IGameHandler* holder = app_->GetTableStateHolder();
  server_->Push(shell::notify::kGameEnded,
                Words({app_->GetTableRecordId(), static_cast<uint32_t>(holder->GetGameNumber())}));
  holder->SetStateFlags(0);
  const engine::ObjectMessage clear = engine::MakeMessage(view().GetKey(), table::view_msg::kClearAfterGame, 0, 0);
  view().OnMessage(&clear);
  frames_(settle_frames);
}

int ScriptedGame::PlayRound(int max_moves) {
  int moves = 0;
  const int32_t own = app_->GetChair();
  while (!Over() && moves < max_moves) {
    if (to_act_ == own) {
      if (!OwnMove()) {
        ADD_FAILURE() << "the user's turn sent nothing";
        break;
      }
    } else {
      OtherMove(to_act_);
    }
    ++moves;
  }
  End();
  return moves;
}

}  // namespace test
