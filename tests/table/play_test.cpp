// ctest-labels: play table tsan
// A game at the table, played on the scripted server through the headless window and the
// manual clock: the user's turn, selection and play request, the echo's flying cards, passes
// that end a trick, the clock and auto-play at zero, the hint cycle, a whole round with its
// replay written and read back, and malformed notifications refused without harm.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "dialogs/replay_recorder.h"
#include "engine/core/canvas_object.h"
#include "engine/core/sprite_object.h"
#include "engine/ui/image_button.h"
#include "engine/ui/number_display.h"
#include "net/request_ids.h"
#include "platform/win_messages.h"
#include "shell/game_frame_wnd.h"
#include "shell/game_handler.h"
#include "table/card_attributes.h"
#include "table/card_view.h"
#include "table/player_board.h"
#include "table/table_messages.h"
#include "tests/support/play_fixture.h"

namespace {

namespace fs = std::filesystem;
using table::CCardView;
namespace place = table::card_place;

// Request 229510's game message ids, in the order they were sent.
std::vector<int32_t> GameMessagesSent(const test::FakeGameServer& server) {
  std::vector<int32_t> ids;
  for (const auto& r : server.Requests()) {
    if (r.request_id == net::request::kTableMessage && r.body.size() >= 20) {
      ids.push_back(static_cast<int32_t>(table::GetWord(r.body.data() + 8)));
    }
  }
  return ids;
}

class Play : public test::PlayFixture {
 protected:
  // A recorded table (option 0x20000) with the user on the chair.
  void Begin(int chair = 0, uint32_t options = 0x1020000, bool watching = false) {
    BeginTable(chair, options, watching, true);
  }
};

// Hands of the default deck (value = id mod 13 + 1 for ids below 52): the user on chair 0.
const std::vector<std::vector<int32_t>> kSmallHands = {
    {5, 18, 30, 8},    // 6, 6, 5, 9
    {40, 41, 42, 43},  // 2, 3, 4, 5
    {44, 45, 46, 47},  // 6, 7, 8, 9
};

TEST_F(Play, TheUsersPlayGoesOutByteForByteAndItsEchoFliesTheCardsToTheTable) {
  Begin();
  game().Start(kSmallHands, 0);
  // The user leads: the play button shows, disabled until the raised cards make a combination.
  EXPECT_TRUE(Shown(view().GetThrowButton()));
  EXPECT_FALSE(Usable(view().GetThrowButton()));
  EXPECT_FALSE(Shown(view().GetPassButton()));
  EXPECT_FALSE(Shown(view().GetRemindButton()));
  EXPECT_EQ(view().GetClock()->GetValue(), 20);

  CCardView* six = view().FindCardById(5);
  CCardView* other_six = view().FindCardById(18);
  Click(six->GetSprite()->GetLeft() + 4, six->GetY());
  EXPECT_EQ(SelectedIds(), (std::vector<int32_t>{5}));
  EXPECT_TRUE(Usable(view().GetThrowButton()));  // a single leads
  Click(other_six->GetSprite()->GetLeft() + 4, other_six->GetY());
  EXPECT_EQ(SelectedIds(), (std::vector<int32_t>{5, 18}));
  ClickButton(view().GetThrowButton());

  const test::FakeGameServer::Received* sent = (*server_)->Last(net::request::kPlay);
  ASSERT_NE(sent, nullptr);
  const table::CARD_COMBO pair = test::ComboOf({5, 18});
  ASSERT_EQ(pair.type, table::COMBO_PAIR);
  EXPECT_EQ(test::HexWords(sent->body),
            test::HexWords(
                test::Words({1001, 77, 5, 0, 0, 2, 0, 0, 0, 0, 0, 0, table::COMBO_PAIR, table::COMBO_PAIR, pair.value,
                             2, static_cast<uint32_t>(pair.cards[0]), static_cast<uint32_t>(pair.cards[1])})));
  EXPECT_TRUE(sent->wants_answer);
  // The buttons went with the play.
  EXPECT_FALSE(Shown(view().GetThrowButton()));

  // The echo: both cards leave the hand and fly, the second 30 ms after the first.
  const double six_x = six->GetX();
  const double other_x = other_six->GetX();
  (*server_)->Push(221170, test::PlayBody(0, pair, 2, 20));
  CCardView* first = view().FindCardById(pair.cards[0]);
  CCardView* second = view().FindCardById(pair.cards[1]);
  EXPECT_EQ(first->place, place::kPlayed);
  EXPECT_EQ(first->moving, 1);
  EXPECT_EQ(second->moving, 1);
  EXPECT_EQ(view().CountChairCards(0, place::kHand), 2);
  EXPECT_EQ(play().state.chair_on_table, 0);
  EXPECT_EQ(play().state.combo.type, table::COMBO_PAIR);
  EXPECT_EQ(Count("Snd_Throw"), 1u);
  (void)six_x;
  (void)other_x;
  const double second_start = second->GetX();
  Frames(4);  // 20 ms: the first card is on its way, the second still waits
  EXPECT_NE(first->GetX(), first->target.x);
  EXPECT_EQ(second->GetX(), second_start);
  Frames(60);
  for (CCardView* card : {first, second}) {
    EXPECT_EQ(card->moving, 0);
    EXPECT_EQ(card->GetX(), card->target.x);
    EXPECT_EQ(card->GetY(), card->target.y);
    EXPECT_TRUE(card->IsShowingFace());
  }
  // The turn went on to chair 2: the clock stands by its board.
  EXPECT_EQ(app_->GetTableStateHolder()->GetActiveChair(), 2);
  EXPECT_EQ(view().BoardOfChair(2)->IsHighlighted(), 1);
  EXPECT_EQ(view().BoardOfChair(0)->IsHighlighted(), 0);
}

TEST_F(Play, AScriptedRoundPlaysToItsEndAndItsReplayReadsBack) {
  Begin();
  game().Start(7, 0);
  // The game's deal: 21 cards to the banker, who leads, 20 to each other hand.
  EXPECT_EQ(view().CountChairCards(0, place::kHand), 21);
  EXPECT_EQ(view().CountChairCards(1, place::kHand), 20);
  const std::vector<std::vector<int32_t>> dealt = {game().Hand(0), game().Hand(1), game().Hand(2)};
  const int moves = game().PlayRound();
  EXPECT_GT(moves, 20);
  EXPECT_TRUE(game().Over());
  EXPECT_GT((*server_)->CountOf(net::request::kPlay), 3u);

  // The round was saved, announced, and reads back with its hands and every message.
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(dir_ / "Replay")) files.push_back(entry.path());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(Lines("游戏录像已保存到"), 1u);
  dialogs::CReplayRecorder reader;
  std::string error;
  ASSERT_TRUE(reader.LoadReplay(files[0].string(), &error)) << error;
  const dialogs::ReplayFile& replay = reader.GetReplay();
  ASSERT_GE(replay.records.size(), static_cast<size_t>(moves) + 2);
  EXPECT_EQ(replay.records.front().id, 211040);
  EXPECT_EQ(replay.records.back().id, 211080);
  size_t plays = 0;
  size_t passes = 0;
  for (const auto& r : replay.records) {
    plays += r.id == 221170 ? 1 : 0;
    passes += r.id == 223100 ? 1 : 0;
  }
  EXPECT_EQ(plays + passes, static_cast<size_t>(moves));
  // Each hand at the front of its chair's slot of 32, the rest of the slot empty.
  const std::span<const int32_t> hands = std::as_const(reader).GetStateBlock();
  ASSERT_GE(hands.size(), 3u * 32);
  for (size_t c = 0; c < 3; ++c) {
    for (size_t k = 0; k < 32; ++k) {
      EXPECT_EQ(hands[c * 32 + k], k < dealt[c].size() ? dealt[c][k] : -1) << c << " " << k;
    }
  }
  // After the round the table is cleared and no longer counts down.
  EXPECT_EQ(view().CountChairCards(-1, place::kHand), 0);
  EXPECT_EQ(view().CountChairCards(-1, place::kPlayed), 0);
}

TEST_F(Play, APassThatEndsTheTrickClearsThePlayedCardsAndEveryMark) {
  Begin();
  game().Start(kSmallHands, 1);
  game().Play(1, {40});
  // The user follows: pass, play and hint show; the pass goes out as 14 words.
  EXPECT_TRUE(Shown(view().GetPassButton()));
  EXPECT_TRUE(Usable(view().GetRemindButton()));
  ClickButton(view().GetPassButton());
  const test::FakeGameServer::Received* pass = (*server_)->Last(net::request::kPass);
  ASSERT_NE(pass, nullptr);
  EXPECT_EQ(test::HexWords(pass->body), test::HexWords(test::Words({1001, 77, 0, 5, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0})));
  EXPECT_FALSE(Shown(view().GetPassButton()));
  game().EchoOwnRequests();
  EXPECT_EQ(view().BoardOfChair(0)->GetStatusPicture(), "不出");
  EXPECT_EQ(view().FindCardById(40)->place, place::kPlayed);

  game().Pass(2);  // back to chair 1, whose play nobody beat: the trick is over
  EXPECT_EQ(view().FindCardById(40)->place, place::kPlayedEarlier);
  EXPECT_EQ(view().CountChairCards(-1, place::kPlayed), 0);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(view().BoardOfChair(c)->GetStatusPicture(), "") << c;
  EXPECT_EQ(play().state.chair_on_table, -1);
  EXPECT_EQ(Count("Snd_Pass"), 2u);
  EXPECT_EQ(app_->GetTableStateHolder()->GetActiveChair(), 1);
}

TEST_F(Play, AChairThatMovesAgainInOneTrickShowsItsNewPlayAloneAndNoPassMark) {
  Begin();
  // Chair 1 holds the pairs 2 and 8, the user 6 and J, chair 2 4 and 5.
  game().Start({{5, 18, 10, 23}, {1, 14, 7, 20}, {3, 16, 4, 17}}, 1);
  auto on_table = [this](int32_t chair) {
    std::vector<int32_t> ids;
    for (int32_t i = 0; i < view().CardViewCount(); ++i) {
      const CCardView* card = view().CardView(i);
      if (card->chair == chair && card->place == place::kPlayed && card->IsVisible() != 0) ids.push_back(card->card_id);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
  };
  game().Play(1, {1, 14});
  game().Pass(0);
  game().Play(2, {3, 16});
  game().Play(1, {7, 20});
  EXPECT_EQ(on_table(1), (std::vector<int32_t>{7, 20}));
  EXPECT_EQ(view().FindCardById(1)->IsVisible(), 0u);
  EXPECT_EQ(on_table(2), (std::vector<int32_t>{3, 16}));
  EXPECT_EQ(view().BoardOfChair(0)->GetStatusPicture(), "不出");
  game().Play(0, {10, 23});
  EXPECT_EQ(on_table(0), (std::vector<int32_t>{10, 23}));
  EXPECT_EQ(view().BoardOfChair(0)->GetStatusPicture(), "");
}

TEST_F(Play, AFourChairTableIsDealtFromTheOneDeckInShorterHands) {
  Begin();
  app_->chairs = 4;
  test::ScriptedGame four(app_.get(), &server_->server(), [this](int n) { Frames(n); });
  four.Start(test::kSampleSeed, 1);
  std::vector<int32_t> dealt;
  for (int32_t c = 0; c < 4; ++c) {
    EXPECT_EQ(four.Hand(c).size(), c == 1 ? 20u : 19u) << c;
    dealt.insert(dealt.end(), four.Hand(c).begin(), four.Hand(c).end());
  }
  std::vector<int32_t> deck = test::ZipaiDeck();
  std::sort(dealt.begin(), dealt.end());
  EXPECT_TRUE(std::includes(deck.begin(), deck.end(), dealt.begin(), dealt.end()));
}

TEST_F(Play, TheClockCountsDownAndAutoPlayActsOnceAtZeroThenRemindsTheServer) {
  Begin();
  game().Start(kSmallHands, 0);
  EXPECT_EQ(view().GetClock()->GetValue(), 20);
  Seconds(1);
  EXPECT_EQ(view().GetClock()->GetValue(), 19);
  Seconds(19);
  EXPECT_EQ(view().GetClock()->GetValue(), 0);
  EXPECT_EQ((*server_)->CountOf(net::request::kPlay), 0u);
  Seconds(1);  // the first tick at zero plays for the user: the lowest card leads
  const test::FakeGameServer::Received* sent = (*server_)->Last(net::request::kPlay);
  ASSERT_NE(sent, nullptr);
  ASSERT_GE(sent->body.size(), 68u);
  EXPECT_EQ(table::GetWord(sent->body.data() + 60), 1u);
  EXPECT_EQ(table::GetWord(sent->body.data() + 64), 30u);
  // ... and asks for auto-play.
  EXPECT_EQ(GameMessagesSent(server_->server()), (std::vector<int32_t>{19840329}));
  Seconds(2);  // zero ticks 2 and 3: the third reminds the server
  EXPECT_EQ(GameMessagesSent(server_->server()), (std::vector<int32_t>{19840329, 19840327}));
  Seconds(9);
  EXPECT_EQ(GameMessagesSent(server_->server()), (std::vector<int32_t>{19840329, 19840327}));
  Seconds(1);  // the 13th
  EXPECT_EQ(GameMessagesSent(server_->server()), (std::vector<int32_t>{19840329, 19840327, 19840327}));
  EXPECT_EQ((*server_)->CountOf(net::request::kPlay), 1u);
}

TEST_F(Play, PreparingTheTableAgainKeepsOneClockAndAStoppedClockNeverActs) {
  Begin();
  game().Start(kSmallHands, 0);
  // Each board refresh prepares the table again and starts the clock again.
  Send(table::view_msg::kRefreshBoards);
  Send(table::view_msg::kRefreshBoardsAlt);
  Send(table::view_msg::kRefreshBoards);
  EXPECT_EQ(view().GetClock()->GetValue(), 20);
  Seconds(5);
  Frames(20);
  EXPECT_EQ(view().GetClock()->GetValue(), 15);
  Send(table::view_msg::kStopClock);
  EXPECT_FALSE(view().GetClock()->IsVisible());
  const int ticks = play().clock_ticks;
  Seconds(30);
  EXPECT_EQ(play().clock_ticks, ticks);
  EXPECT_EQ((*server_)->CountOf(net::request::kPlay), 0u);
  EXPECT_EQ(view().GetClock()->GetValue(), 15);
}

TEST_F(Play, AutoPlayPlaysOnTheSecondTickOfTheUsersTurn) {
  Begin();
  game().Start(kSmallHands, 2);
  (*server_)->Push(229500, test::GameMessageBody(77, 1001, 19840329, test::Words({0})));
  EXPECT_EQ(view().IsAutoPlay(), 1);
  EXPECT_EQ(Lines("游戏托管已启动"), 1u);
  EXPECT_EQ(view().BoardAt(0)->GetStatusPicture(), "animation_AutoPlay");
  game().Play(2, {44});  // a 6; the user's turn comes after chair 1's
  game().Pass(1);
  Seconds(1);
  EXPECT_EQ((*server_)->CountOf(net::request::kPlay), 0u);
  Seconds(1);
  const test::FakeGameServer::Received* sent = (*server_)->Last(net::request::kPlay);
  ASSERT_NE(sent, nullptr);
  // The weakest single above the 6 that breaks no pair: the 9 (a 6 of the pair would not beat).
  EXPECT_EQ(table::GetWord(sent->body.data() + 64), 8u);
  game().EchoOwnRequests();
  // What the chair before the user (two turns on, as a partner sits) played, auto-play lets be.
  game().Play(2, {45});
  game().Play(1, {46});
  Seconds(2);
  EXPECT_EQ((*server_)->CountOf(net::request::kPlay), 1u);
  EXPECT_EQ((*server_)->CountOf(net::request::kPass), 1u);
  game().EchoOwnRequests();
  // A click on the table's cloth switches auto-play off again.
  Click(200, 300);
  EXPECT_EQ(GameMessagesSent(server_->server()), (std::vector<int32_t>{19840330}));
}

TEST_F(Play, SwitchingAutoPlayOnAgainWaitsFiveSeconds) {
  Begin();
  game().Start(kSmallHands, 1);
  (*server_)->Push(229500, test::GameMessageBody(77, 1001, 19840329, test::Words({0})));
  (*server_)->Push(229500, test::GameMessageBody(77, 1001, 19840330, test::Words({0})));
  EXPECT_EQ(view().IsAutoPlay(), 0);
  EXPECT_EQ(Lines("游戏托管已解除"), 1u);
  EXPECT_NE(view().GetAutoPlayOffTime(), 0u);
  Frames(240);  // 1.2 s
  Send(table::view_msg::kAutoPlay);
  EXPECT_EQ(Lines("您还需要4秒才能再次开启托管功能"), 1u);
  EXPECT_TRUE(GameMessagesSent(server_->server()).empty());
  Seconds(4);
  Send(table::view_msg::kAutoPlay);
  const test::FakeGameServer::Received* sent = (*server_)->Last(net::request::kTableMessage);
  ASSERT_NE(sent, nullptr);
  EXPECT_EQ(test::HexWords(sent->body), test::HexWords(test::Words({77, 1001, 19840329, 0, 4, 0})));
  EXPECT_FALSE(sent->wants_answer);
}

// The user (chair 0) holds a 5, a pair of 7s and a 9; chair 1 leads a 3.
const std::vector<std::vector<int32_t>> kHintHands = {{4, 6, 19, 8}, {2, 41, 42}, {44, 45, 46}};

TEST_F(Play, TheHintCycleOffersWholeGroupsThenEveryHintRisingAndWraps) {
  Begin();
  game().Start(kHintHands, 1);
  game().Play(1, {2});
  std::vector<int32_t> values;
  for (int press = 0; press < 7; ++press) {
    ClickButton(view().GetRemindButton());
    const std::vector<int32_t> ids = SelectedIds();
    ASSERT_EQ(ids.size(), 1u) << press;
    values.push_back(table::GetCardValue(ids[0], 0));
    EXPECT_TRUE(Usable(view().GetThrowButton()));
  }
  EXPECT_EQ(values, (std::vector<int32_t>{5, 9, 5, 7, 9, 5, 9}));
  EXPECT_EQ(Count("Snd_HitCard"), 7u);
  EXPECT_EQ((*server_)->CountOf(net::request::kPass), 0u);
}

TEST_F(Play, WhenNothingBeatsTheTableTheHintPassesAndAShortHandPassesByItself) {
  Begin();
  // A triple of aces on the table; the user holds five cards that make no triple.
  game().Start({{4, 6, 8, 10, 12}, {0, 13, 26, 41}, {44, 45, 46}}, 1);
  game().Play(1, {0, 13, 26});
  EXPECT_TRUE(view().GetPassHint()->IsVisible());
  EXPECT_EQ(view().GetAutoPassAction(), 0u);
  ClickButton(view().GetRemindButton());
  EXPECT_EQ((*server_)->CountOf(net::request::kPass), 1u);
  EXPECT_FALSE(view().GetPassHint()->IsVisible());
}

TEST_F(Play, TwoCardsAgainstAnUnbeatableTriplePassAfterASecond) {
  Begin();
  game().settle_frames = 0;
  game().Start({{4, 6}, {0, 13, 26, 41}, {44, 45, 46}}, 1);
  const size_t before = (*server_)->CountOf(net::request::kPass);
  game().Play(1, {0, 13, 26});
  EXPECT_NE(view().GetAutoPassAction(), 0u);
  EXPECT_FALSE(view().GetPassHint()->IsVisible());
  Frames(195);
  EXPECT_EQ((*server_)->CountOf(net::request::kPass), before);
  Frames(10);
  EXPECT_EQ((*server_)->CountOf(net::request::kPass), before + 1);
  // A pass of the user's own before it comes takes the automatic one with it.
  game().EchoOwnRequests();
  game().Pass(2);
  game().Play(1, {41});
  EXPECT_EQ(view().GetAutoPassAction(), 0u);
}

TEST_F(Play, ARefusedPlayOrPassBringsTheButtonsBackAndSaysWhy) {
  Begin();
  game().Start(kHintHands, 1);
  game().Play(1, {2});
  (*server_)->AnswerOnce(net::request::kPlay, 1020);
  view().SelectCards(std::vector<int32_t>{8}.data(), 1);
  view().UpdateThrowButton();
  ClickButton(view().GetThrowButton());
  EXPECT_EQ((*server_)->CountOf(net::request::kPlay), 1u);
  EXPECT_EQ(Lines("出牌没有成功"), 1u);
  EXPECT_TRUE(Usable(view().GetThrowButton()));
  EXPECT_TRUE(Usable(view().GetPassButton()));
  EXPECT_TRUE(Usable(view().GetRemindButton()));
  EXPECT_EQ(SelectedIds(), (std::vector<int32_t>{8}));

  (*server_)->SetConnected(false);
  ClickButton(view().GetPassButton());
  EXPECT_EQ(Lines("不出没有成功"), 1u);
  EXPECT_TRUE(Usable(view().GetPassButton()));
  EXPECT_TRUE(Shown(view().GetThrowButton()));
  (*server_)->SetConnected(true);
  ClickButton(view().GetPassButton());
  EXPECT_EQ((*server_)->CountOf(net::request::kPass), 1u);
  EXPECT_FALSE(Shown(view().GetPassButton()));
}

TEST_F(Play, AHintSearchLeavesTheGamesCardCallbacksInPlace) {
  Begin();
  game().Start(kHintHands, 1);
  game().Play(1, {2});
  // The game's own values (its kinds run to 20) are in force when the search starts.
  rules_ = std::make_unique<test::TestRules>();
  ASSERT_EQ(table::GetCardValue(19, 0), 20);
  int32_t hand[64];
  const int32_t n = view().GetHandCards(hand);
  int32_t out[64];
  table::CARD_COMBO found;
  EXPECT_EQ(view().FindSmallestHint(hand, n, out, 64, play().state.combo, &found, table::kJokerBeatMask, 1), 1);
  view().UpdateThrowButton();
  ClickButton(view().GetRemindButton());
  EXPECT_EQ(table::GetCardValue(19, 0), 20);
  EXPECT_EQ(table::GetCardValue(79, 0), 20);
}

TEST_F(Play, AutoPlayLeadsTheSmallestValueByTheCardOrderOfTheValueNumber) {
  Begin();
  // Four 2s, a king and a 5: the lowest value is held four times, so the smallest single leads.
  // The card-order callback is asked for the value number: 13 reads as card 13 (order 1), 5 as
  // card 5 (order 6), so the king leads, where the values' own order would have led the 5.
  game().Start({{1, 14, 27, 40, 12, 4}, {41, 42}, {44, 45}}, 0);
  view().SelectLeadCards();
  EXPECT_EQ(SelectedIds(), (std::vector<int32_t>{12}));
  view().ClearSelection();
  EXPECT_EQ(view().SelectSmallestOfCount(4), 4);
  EXPECT_EQ(SelectedIds(), (std::vector<int32_t>{1, 14, 27, 40}));
}

TEST_F(Play, AnEmptyHandLeadsNothingAndAutoPlayDoesNotStumble) {
  Begin();
  game().Start({{}, {41, 42}, {44, 45}}, 0);
  view().SelectLeadCards();
  EXPECT_EQ(view().CountSelected(), 0);
  EXPECT_EQ(view().SelectSmallestOfCount(1), 0);
  view().AutoPlayStep();
  view().ShowNextHint();
  view().SelectAutoHint();
  EXPECT_EQ(view().SelectHandHintOfType(table::COMBO_FOUR_JOKERS, 1), 0);
  EXPECT_EQ((*server_)->CountOf(net::request::kPlay), 0u);
}

TEST_F(Play, ASequencePlayedRisingShowsFromItsHighestCard) {
  Begin();
  game().Start({{30, 31}, {2, 3, 4, 5, 6, 41}, {44, 45}}, 1);
  game().Play(1, {2, 3, 4, 5, 6});
  std::vector<int32_t> shown(5, -1);
  for (int32_t id : {2, 3, 4, 5, 6}) {
    const CCardView* card = view().FindCardById(id);
    ASSERT_EQ(card->place, place::kPlayed);
    shown[static_cast<size_t>(card->index)] = id;
  }
  EXPECT_EQ(shown, (std::vector<int32_t>{6, 5, 4, 3, 2}));
  // Sorted rising, the user sees it as played.
  view().ToggleValueOrder();
  ASSERT_EQ(view().GetSortMode(), 4);
  game().Pass(0);
  game().Pass(2);
  game().Play(1, {41});
  EXPECT_EQ(view().FindCardById(41)->index, 0);
}

TEST_F(Play, TheClockWalksRoundClearingEachChairsPlayAndRefusesAChairOffTheTable) {
  Begin();
  game().Start(kSmallHands, 1);
  shell::IGameHandler* holder = app_->GetTableStateHolder();
  holder->SetStateFlags(holder->GetStateFlags() | 0x100);
  // A card of each chair on the table.
  const int32_t ids[3] = {5, 40, 44};
  for (int32_t c = 0; c < 3; ++c) {
    CCardView* card = view().CardView(ids[c]);
    card->card_id = ids[c];
    card->chair = c;
    card->place = place::kPlayed;
  }
  holder->SetActiveChair(2);
  view().UpdateClock(0, 7);
  EXPECT_EQ(view().FindCardById(40)->place, place::kPlayedEarlier);
  EXPECT_EQ(view().FindCardById(5)->place, place::kPlayedEarlier);
  EXPECT_EQ(view().FindCardById(44)->place, place::kPlayed);
  EXPECT_EQ(view().GetClock()->GetValue(), 7);
  EXPECT_EQ(play().chair_states[0].seconds, 7);
  EXPECT_EQ(holder->GetActiveChair(), 0);
  view().UpdateClock(1, -1);
  EXPECT_EQ(view().GetClock()->GetValue(), 7);
  EXPECT_EQ(holder->GetActiveChair(), 1);
  for (int32_t bad : {-1, 3, 8, 1000}) {
    view().UpdateClock(bad, 3);
    EXPECT_EQ(holder->GetActiveChair(), 1) << bad;
    EXPECT_EQ(view().GetClock()->GetValue(), 7) << bad;
  }
  // From a chair outside the table only the new chair is cleared.
  holder->SetActiveChair(-1);
  view().UpdateClock(2, 5);
  EXPECT_EQ(view().FindCardById(44)->place, place::kPlayedEarlier);
}

TEST_F(Play, EachCombinationHasItsSound) {
  Begin();
  struct Case {
    uint32_t type;
    int32_t count;
    const char* sound;
  };
  const Case cases[] = {{table::COMBO_BOMB, 3, nullptr},      {table::COMBO_BOMB, 4, "Snd_Bomb4"},
                        {table::COMBO_BOMB, 5, "Snd_Bomb5"},  {table::COMBO_BOMB, 6, "Snd_Bomb6"},
                        {table::COMBO_BOMB, 9, "Snd_Bomb78"}, {table::COMBO_FOUR_JOKERS, 4, "Snd_4King"},
                        {table::COMBO_PAIR, 2, "Snd_Throw"}};
  for (const Case& c : cases) {
    music_->asked.clear();
    view().PlayComboSound(c.type, c.count);
    if (c.sound == nullptr) {
      EXPECT_TRUE(music_->asked.empty());
    } else {
      EXPECT_EQ(music_->asked, std::vector<std::string>{c.sound});
    }
  }
}

TEST_F(Play, AfterTheGameTheOtherSeatsAreClearedByWhereTheySit) {
  Begin(1);
  game().Start(kSmallHands, 1);
  game().End();
  // The user sits on chair 1: that board stays; chairs 2 and 0 go.
  EXPECT_EQ(view().BoardAt(0)->GetChair(), 1);
  EXPECT_TRUE(view().BoardAt(0)->IsVisible());
  EXPECT_EQ(view().BoardAt(1)->GetChair(), -1);
  EXPECT_EQ(view().BoardAt(2)->GetChair(), -1);
  EXPECT_EQ(play().queue_entries_taken, 1);
  // With scores to show, every board stays.
  view().RefreshSeatedBoards();
  app_->GetScoreEntries().entries.resize(1);
  Send(table::view_msg::kClearAfterGame);
  for (int p = 0; p < 3; ++p) EXPECT_NE(view().BoardAt(p)->GetChair(), -1) << p;
  // A game in progress is left alone.
  app_->GetTableStateHolder()->SetStateFlags(shell::IGameHandler::kStateInProgress);
  Send(table::view_msg::kClearAfterGame);
  EXPECT_EQ(play().queue_entries_taken, 2);
}

TEST_F(Play, ARecordedRoundFedBackThroughTheViewEndsAsTheGameDid) {
  Begin();
  // Part of a round is enough: it ends after 45 moves.
  game().settle_frames = 8;
  game().Start(11, 2);
  EXPECT_EQ(game().PlayRound(45), 45);
  const std::vector<std::vector<int32_t>> left = {game().Hand(0), game().Hand(1), game().Hand(2)};
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(dir_ / "Replay")) files.push_back(entry.path());
  ASSERT_EQ(files.size(), 1u);

  // The replay on a fresh table: each seat's hidden cards, the recorded hands dealt into them.
  game_.reset();
  const size_t plays = (*server_)->CountOf(net::request::kPlay);
  Start(test::CommandLineFor(0, 0x1000000));
  frame().SetTableRect(platform::RECT{0, 0, 1024, 768});
  app_->SetReplayMode(true);
  view().OnEnterGame();
  dialogs::CReplayRecorder* recorder = view().GetRecorder();
  ASSERT_NE(recorder, nullptr);
  std::string error;
  ASSERT_TRUE(recorder->LoadReplay(files[0].string(), &error)) << error;
  const std::span<const int32_t> hands = std::as_const(*recorder).GetStateBlock();
  std::vector<std::vector<int32_t>> rows(3);
  for (int32_t c = 0; c < 3; ++c) {
    for (int32_t k = 0; k < 32 && hands[static_cast<size_t>(c * 32 + k)] >= 0; ++k) {
      rows[static_cast<size_t>(c)].push_back(hands[static_cast<size_t>(c * 32 + k)]);
    }
  }
  view().DealHands(rows);
  for (int32_t c = 1; c < 3; ++c) ASSERT_EQ(view().CardView(rows[static_cast<size_t>(c)][0])->card_id, -1);
  app_->GetTableStateHolder()->SetActiveChair(2);
  view().OnDealOver();
  // Each seat's cards now show the recorded hand (in the seat's own order).
  for (int32_t id : rows[1]) EXPECT_NE(view().FindCardById(id), nullptr) << id;

  size_t fed = 0;
  for (const auto& record : recorder->GetReplay().records) {
    // The game's start deals the recorded hands again, its end stops the clock.
    const bool table_message =
        record.id == 221170 || record.id == 223100 || record.id == 229500 || record.id == 211040 || record.id == 211080;
    EXPECT_EQ(view().PlayRecordedMessage(record.id, record.data.data(), static_cast<uint32_t>(record.data.size())),
              table_message)
        << record.id;
    fed += table_message ? 1 : 0;
    Frames(1);
  }
  Frames(40);
  EXPECT_GT(fed, 22u);
  for (int32_t c = 0; c < 3; ++c) {
    std::vector<int32_t> held;
    for (int32_t i = 0; i < view().CardViewCount(); ++i) {
      const CCardView* card = view().CardView(i);
      if (card->chair == c && card->place == place::kHand) held.push_back(card->card_id);
    }
    std::vector<int32_t> expected = left[static_cast<size_t>(c)];
    std::sort(held.begin(), held.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(held, expected) << c;
  }
  // Watching a replay asks nothing of the server.
  EXPECT_EQ((*server_)->CountOf(net::request::kPlay), plays);
}

TEST_F(Play, TheHintSearchTriesKindsAndLengthsInItsOrder) {
  Begin();
  // Five 3s and six 4s of two decks, a 9 and a 10.
  const std::vector<int32_t> hand = {2, 15, 28, 41, 56, 3, 16, 29, 42, 57, 70, 8, 9};
  int32_t out[64];
  table::CARD_COMBO found;
  ASSERT_EQ(view().FindSmallestHint(hand.data(), 13, out, 64, table::CARD_COMBO(), &found, table::COMBO_BOMB, 1), 1);
  EXPECT_EQ(found.card_count, 4);
  ASSERT_EQ(view().FindLargestHint(hand.data(), 13, out, 64, table::CARD_COMBO(), &found, table::COMBO_BOMB, 1), 1);
  EXPECT_EQ(found.card_count, 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(table::GetCardValue(out[i], 0), 4) << i;
  EXPECT_EQ(out[6], -1);

  // With a pair on the table no single is offered: the weakest pair above it, then a bomb.
  const table::CARD_COMBO pair = test::ComboOf({5, 18});  // 6s
  ASSERT_EQ(view().FindSmallestHint(hand.data(), 13, out, 64, pair, &found, table::kJokerBeatMask, 1), 1);
  EXPECT_EQ(found.type, table::COMBO_BOMB);
  const std::vector<int32_t> with_pair = {8, 9, 21, 22};  // 9, 10, 9, 10
  ASSERT_EQ(view().FindSmallestHint(with_pair.data(), 4, out, 64, pair, &found, table::kJokerBeatMask, 1), 1);
  EXPECT_EQ(found.type, table::COMBO_PAIR);
  EXPECT_EQ(table::GetCardValue(out[0], 0), 9);

  // The out list holds no more than its capacity; nothing found leaves result and out alone.
  std::fill(out, out + 64, 77);
  ASSERT_EQ(view().FindSmallestHint(hand.data(), 13, out, 3, table::CARD_COMBO(), &found, table::COMBO_BOMB, 1), 1);
  EXPECT_NE(out[2], 77);
  EXPECT_EQ(out[3], 77);
  found.type = 123;
  std::fill(out, out + 64, 77);
  EXPECT_EQ(view().FindSmallestHint(with_pair.data(), 4, out, 64, pair, &found, table::COMBO_TRIPLE, 1), 0);
  EXPECT_EQ(found.type, 123u);
  EXPECT_EQ(out[0], 77);
  // Nothing to beat only: long sets and straight flushes never answer a combination on the table.
  const std::vector<int32_t> set = {2, 15, 28, 41, 56, 69};
  EXPECT_EQ(view().FindSmallestHint(set.data(), 6, out, 64, pair, &found, table::COMBO_LONG_SET, 1), 0);
  EXPECT_EQ(view().FindSmallestHint(set.data(), 6, out, 64, table::CARD_COMBO(), &found, table::COMBO_LONG_SET, 1), 1);
}

TEST_F(Play, APartialSelectionIsCompletedOnlyWhenOneCombinationFitsIt) {
  Begin();
  // 3 3 3 5 5 9: one 3 raised on an open trick becomes the triple with the pair.
  game().Start({{2, 15, 28, 4, 17, 8}, {41, 42}, {44, 45}}, 0);
  view().SelectCards(std::vector<int32_t>{15}.data(), 1);
  EXPECT_EQ(view().CompleteSelection(), 1);
  std::vector<int32_t> expected = {2, 15, 28, 4, 17};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(SelectedIds(), expected);
  EXPECT_TRUE(Usable(view().GetThrowButton()));

  // Following a pair of 2s with one of four 5s raised: the pair of 5s and the bomb of 5s both fit
  // it, so the selection stays.
  game().End();
  game().Start({{4, 17, 30, 43, 8}, {1, 40, 42}, {44, 45}}, 1);
  game().Play(1, {1, 40});
  view().ClearSelection();
  view().SelectCards(std::vector<int32_t>{17}.data(), 1);
  EXPECT_EQ(view().CompleteSelection(), 0);
  EXPECT_EQ(SelectedIds(), (std::vector<int32_t>{17}));
  // With one 5 fewer only the pair fits: the raised 5 stands in the pair.
  game().End();
  game().Start({{4, 17, 30, 8}, {1, 40, 42}, {44, 45}}, 1);
  game().Play(1, {1, 40});
  view().ClearSelection();
  view().SelectCards(std::vector<int32_t>{30}.data(), 1);
  EXPECT_EQ(view().CompleteSelection(), 1);
  const std::vector<int32_t> pair = SelectedIds();
  ASSERT_EQ(pair.size(), 2u);
  EXPECT_NE(std::find(pair.begin(), pair.end(), 30), pair.end());
}

}  // namespace
