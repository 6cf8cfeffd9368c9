// The table view's help on the user's turn: the combination search behind the hints, the play
// button's check, the play request, the hint cycle, completing a partial selection, the buttons
// of the turn with the automatic pass, and auto-play.
//
// Every search runs on a short-lived SearchRules object (the default 54-card values); when it
// goes, the card callbacks the game had installed come back.
#include <algorithm>
#include <initializer_list>
#include <string>

#include "engine/core/engine_log.h"
#include "engine/core/sprite_object.h"
#include "engine/ui/image_button.h"
#include "net/answer_codes.h"
#include "net/card_game_session.h"
#include "shell/game_app_base.h"
#include "shell/desktop_hooks.h"
#include "shell/game_handler.h"
#include "table/card_attributes.h"
#include "table/card_rules.h"
#include "table/card_view.h"
#include "table/main_game_rect.h"
#include "table/table_messages.h"
#include "table/table_view.h"

namespace table {
namespace {

int32_t Level() {
  shell::CGameAppBase* app = shell::GetApp();
  return app != nullptr ? app->GetLevelValue() : 0;
}

// One step of the hint search: a type, the types it may be played on (kNothingToBeat: only on
// an empty table) and its lengths.
constexpr uint32_t kNothingToBeat = 0;
struct HintStep {
  uint32_t type;
  uint32_t allowed;
  int first;  // lengths first .. last (0 .. 0: the finder has none)
  int last;
};
constexpr HintStep kHintSteps[] = {
    {COMBO_SINGLE, COMBO_SINGLE, 0, 0},
    {COMBO_PAIR, COMBO_PAIR, 0, 0},
    {COMBO_TRIPLE, COMBO_TRIPLE, 0, 0},
    {COMBO_TRIPLE_PAIR, COMBO_TRIPLE_PAIR, 0, 0},
    {COMBO_STRAIGHT, COMBO_STRAIGHT, 5, 12},
    {COMBO_PAIR_STRAIGHT, COMBO_PAIR_STRAIGHT, 2, 12},
    {COMBO_TRIPLE_STRAIGHT, COMBO_TRIPLE_STRAIGHT, 2, 12},
    {COMBO_TRIPLE_PAIR_STRAIGHT, COMBO_TRIPLE_PAIR_STRAIGHT, 2, 12},
    {COMBO_BOMB, kBombBeatMask, 4, 8},
    {COMBO_STRAIGHT_FLUSH, kNothingToBeat, 5, 5},
    {COMBO_LONG_SET, kNothingToBeat, 0, 0},
    {COMBO_FOUR_JOKERS, kJokerBeatMask, 0, 0},
};

// Runs the step's finder for one length on a copy of the combination to beat.
bool RunFinder(CCardRules& rules, uint32_t type, const int32_t* cards, int n, const int32_t* counts, int wildcards,
               int length, CARD_COMBO* record) {
  constexpr int kSize = CTableView::kValueCounters;
  switch (type) {
    case COMBO_SINGLE:
      return rules.FindSingle(cards, n, counts, kSize, wildcards, record) != 0;
    case COMBO_PAIR:
      return rules.FindPair(cards, n, counts, kSize, wildcards, record) != 0;
    case COMBO_TRIPLE:
      return rules.FindTriple(cards, n, counts, kSize, wildcards, record) != 0;
    case COMBO_TRIPLE_PAIR:
      return rules.FindTriplePair(cards, n, counts, kSize, wildcards, record) != 0;
    case COMBO_STRAIGHT:
      return rules.FindStraight(cards, n, counts, kSize, wildcards, record, length) != 0;
    case COMBO_PAIR_STRAIGHT:
      return rules.FindPairStraight(cards, n, counts, kSize, wildcards, record, length) != 0;
    case COMBO_TRIPLE_STRAIGHT:
      return rules.FindTripleStraight(cards, n, counts, kSize, wildcards, record, length) != 0;
    case COMBO_TRIPLE_PAIR_STRAIGHT:
      return rules.FindTriplePairStraight(cards, n, counts, kSize, wildcards, record, length) != 0;
    case COMBO_BOMB:
      return rules.FindBomb(cards, n, counts, kSize, wildcards, record, length) != 0;
    case COMBO_STRAIGHT_FLUSH:
      return rules.FindStraightFlush(cards, n, counts, kSize, wildcards, record, length) != 0;
    case COMBO_LONG_SET:
      return rules.FindLongSet(cards, n, counts, kSize, wildcards, record, length) != 0;
    case COMBO_FOUR_JOKERS:
      return rules.FindFourJokers(cards, n, counts, kSize, wildcards, record) != 0;
    default:
      return false;
  }
}

int FindHint(const int32_t* cards, int32_t count, int32_t* out, int32_t capacity, const CARD_COMBO& to_beat,
             CARD_COMBO* result, uint32_t mask, bool largest) {
  if (cards == nullptr || result == nullptr) return 0;
  const int n = std::clamp(count, 0, kComboMaxCards * 4);
  SearchRules search;
  int32_t counts[CTableView::kValueCounters] = {};
  int wildcards = 0;
  search->CountHandByValue(cards, n, counts, CTableView::kValueCounters, &wildcards);
  for (const HintStep& step : kHintSteps) {
    if ((mask & step.type) == 0) continue;
    // Only on a table whose every type bit the step may beat (an empty table passes always).
    if ((to_beat.type & ~step.allowed) != 0) continue;
    for (int k = 0; k <= step.last - step.first; ++k) {
      const int length = largest ? step.last - k : step.first + k;
      CARD_COMBO record = to_beat;
      if (!RunFinder(search.rules(), step.type, cards, n, counts, wildcards, length, &record)) continue;
      record.card_count = std::clamp(record.card_count, 0, kComboMaxCards);
      *result = record;
      if (out != nullptr && capacity > 0) {
        const int32_t written = std::min(record.card_count, capacity);
        std::copy(record.cards, record.cards + written, out);
        std::fill(out + written, out + capacity, -1);
      }
      return 1;
    }
  }
  return 0;
}

// Counts of the leading valid ids by value.
void CountValues(const int32_t* ids, int32_t n, int32_t* counts) {
  std::fill(counts, counts + CTableView::kValueCounters, 0);
  CountCardsByValue(ids, std::clamp(n, 0, CTableView::kCardList), counts, CTableView::kValueCounters, Level());
}

// Every value counter reaches the selection's.
bool AllReachMinimum(const int32_t* counts, const int32_t* minimum) {
  for (int v = 0; v < CTableView::kValueCounters; ++v) {
    if (counts[v] < minimum[v]) return false;
  }
  return true;
}

}  // namespace

int CTableView::FindSmallestHint(const int32_t* cards, int32_t count, int32_t* out, int32_t capacity,
                                 CARD_COMBO to_beat, CARD_COMBO* result, uint32_t mask, int32_t) {
  return FindHint(cards, count, out, capacity, to_beat, result, mask, false);
}

int CTableView::FindLargestHint(const int32_t* cards, int32_t count, int32_t* out, int32_t capacity, CARD_COMBO to_beat,
                                CARD_COMBO* result, uint32_t mask, int32_t) {
  return FindHint(cards, count, out, capacity, to_beat, result, mask, true);
}

int CTableView::SearchHand(const CARD_COMBO& from, CARD_COMBO* found, int32_t* ids, int32_t wildcards) {
  int32_t hand[kCardList];
  const int32_t n = GetHandCards(hand);
  if (n == 0) return 0;
  return FindSmallestHint(hand, n, ids, kCardList, from, found, kHintTypes, wildcards);
}

bool CTableView::UsesWholeGroups(const int32_t* ids, int32_t count) {
  int32_t used[kValueCounters];
  int32_t held[kValueCounters];
  int32_t hand[kCardList];
  const int32_t n = GetHandCards(hand);
  CountValues(ids, count, used);
  CountValues(hand, n, held);
  for (int v = 0; v < kValueCounters; ++v) {
    if (used[v] > 0 && used[v] != held[v]) return false;
  }
  return true;
}

void CTableView::ShowHint(const int32_t* ids, int32_t count, bool sound) {
  SelectCards(ids, count);
  UpdateThrowButton();
  if (sound) PlaySound("Snd_HitCard", 1, nullptr);
}

// ---- The play button ----

void CTableView::UpdateThrowButton() {
  if (Watching()) return;
  int32_t ids[kCardList];
  GetSelectedCards(ids);
  // Only the cards whose faces are known take part.
  int32_t* end = std::remove(ids, ids + kCardList, -1);
  std::fill(end, ids + kCardList, -1);
  const auto n = static_cast<int32_t>(end - ids);
  selected_count_ = n;
  if (throw_button_ != nullptr) throw_button_->SetEnabled(false);
  if (n == 0) {
    last_sort_group_ = 0;
    return;
  }
  bool playable = false;
  {
    SearchRules search;
    CARD_COMBO_LIST list;
    if (search->FindAllCombos(AppOwnChair(), ids, kCardList, &list, kHintTypes)) {
      if (ChairOnTable() == -1) {
        search->PickBestCombo(&list);
        playable = true;
      } else {
        playable = search->FindBeatingCombo(TableCombo(), &list) != 0;
      }
    }
  }
  if (playable && throw_button_ != nullptr) throw_button_->SetEnabled(true);
}

int CTableView::SendPlay(const int32_t* ids, int32_t count) {
  if (ids == nullptr) return net::answer::kNotSent;
  const int32_t n = std::clamp(count, 0, kCardList);
  CARD_COMBO combo;
  {
    SearchRules search;
    CARD_COMBO_LIST list;
    if (!search->FindAllCombos(AppOwnChair(), ids, n, &list, kHintTypes)) return net::answer::kNotSent;
    if (ChairOnTable() == -1) {
      search->PickBestCombo(&list);
    } else {
      // Whether it beats the table is the server's to say.
      search->FindBeatingCombo(TableCombo(), &list);
    }
    combo = list.records[0];
  }
  shell::CGameAppBase* app = shell::GetApp();
  net::CCardGameSession* session = app != nullptr ? app->GetSession() : nullptr;
  if (session == nullptr) return net::answer::kNotSent;
  int32_t record[net::CCardGameSession::kPlayRecordWords] = {};
  record[0] = static_cast<int32_t>(app->GetUserId());
  record[1] = static_cast<int32_t>(app->GetRoomRecordId());
  record[2] = static_cast<int32_t>(app->GetTableRecordId());
  record[3] = AppOwnChair();
  record[5] = PrevChair(AppOwnChair());
  uint8_t bytes[kCardComboBytes];
  WriteCardCombo(combo, bytes, sizeof bytes);
  for (size_t w = 0; w < kCardComboBytes / 4; ++w) record[12 + w] = static_cast<int32_t>(GetWord(bytes + 4 * w));
  std::string text;
  return session->SendPlay(&text, record);
}

// ---- The hint cycle ----

int CTableView::ShowGroupHint() {
  CARD_COMBO from = group_hint_combo_.type != 0 ? group_hint_combo_ : TableCombo();
  for (int step = 0; step < kMaxClimb; ++step) {
    CARD_COMBO found;
    int32_t ids[kCardList];
    if (SearchHand(from, &found, ids, 1) == 0) return 0;
    if (UsesWholeGroups(ids, found.card_count)) {
      group_hint_combo_ = found;
      ShowHint(ids, found.card_count, true);
      return 1;
    }
    from = found;
  }
  return 0;
}

void CTableView::ShowNextHint() {
  if (ChairOnTable() == -1) return;
  ClearSelection();
  if (ShowGroupHint() != 0) return;
  int32_t ids[kCardList];
  CARD_COMBO found;
  if (hint_combo_.type != 0 && SearchHand(hint_combo_, &found, ids, 1) != 0) {
    hint_combo_ = found;
    ShowHint(ids, found.card_count, true);
    return;
  }
  if (hint_combo_.type != 0) {
    // The strongest was shown: round again, whole groups first.
    group_hint_combo_.Clear();
    if (ShowGroupHint() != 0) {
      hint_combo_.Clear();
      return;
    }
  }
  if (SearchHand(TableCombo(), &found, ids, 1) != 0) {
    hint_combo_ = found;
    ShowHint(ids, found.card_count, true);
    return;
  }
  // Nothing in the hand beats the table.
  hint_combo_.Clear();
  RequestPass();
}

void CTableView::SelectAutoHint() {
  if (ChairOnTable() == -1) return;
  ClearSelection();
  const CARD_COMBO on_table = TableCombo();
  for (const int32_t wildcards : {0, 1}) {
    CARD_COMBO from = on_table;
    for (int step = 0; step < kMaxClimb; ++step) {
      CARD_COMBO found;
      int32_t ids[kCardList];
      if (SearchHand(from, &found, ids, wildcards) == 0) break;
      if (UsesWholeGroups(ids, found.card_count)) {
        ShowHint(ids, found.card_count, false);
        return;
      }
      from = found;
    }
  }
  for (const int32_t wildcards : {0, 1}) {
    int32_t ids[kCardList];
    CARD_COMBO found;
    if (SearchHand(on_table, &found, ids, wildcards) != 0) {
      hint_combo_ = found;
      ShowHint(ids, found.card_count, false);
      return;
    }
  }
}

int CTableView::SelectHintOfType(const int32_t* ids, int32_t count, uint32_t mask, int32_t apply) {
  ClearSelection();
  if (ids == nullptr || count <= 0) return 0;
  int32_t found_ids[kCardList];
  CARD_COMBO found;
  if (FindSmallestHint(ids, count, found_ids, kCardList, CARD_COMBO(), &found, mask, 1) == 0) return 0;
  if (apply != 0) {
    const int32_t own = AppOwnChair();
    for (int32_t i = 0; i < found.card_count; ++i) {
      if (CCardView* card = FindChairCardById(own, found_ids[i])) {
        card->selected = 1;
        card->Refresh();
      }
    }
    selected_count_ = CountSelected();
    UpdateThrowButton();
  }
  return 1;
}

int CTableView::SelectHandHintOfType(uint32_t mask, int32_t apply) {
  int32_t hand[kCardList];
  const int32_t n = GetHandCards(hand);
  if (n == 0) return 0;
  return SelectHintOfType(hand, n, mask, apply);
}

// ---- Completing a selection ----

int CTableView::CompleteSelection() {
  int32_t selected[kCardList];
  const int32_t chosen = GetSelectedCards(selected);
  if (chosen == 0) return 0;
  int32_t hand[kCardList];
  const int32_t n = GetHandCards(hand);
  int32_t want[kValueCounters];
  CountValues(selected, chosen, want);
  auto select = [&](const int32_t* ids, int32_t count) {
    ClearSelection();
    SelectCards(ids, count);
    UpdateThrowButton();
    return 1;
  };
  if (ChairOnTable() == -1) {
    // The widest kinds first: triple with pair, triple straight, straight, ... four jokers.
    for (uint32_t i = 1; i <= 3; ++i) {
      for (uint32_t j = 1; j <= 7; ++j) {
        const uint32_t type = 1u << (i + 4 * j);
        if ((type & kHintTypes) != type) continue;
        int32_t ids[kCardList];
        CARD_COMBO found;
        if (FindLargestHint(hand, n, ids, kCardList, CARD_COMBO(), &found, type, 0) == 0) continue;
        int32_t has[kValueCounters];
        CountValues(ids, found.card_count, has);
        if (AllReachMinimum(has, want)) return select(ids, found.card_count);
      }
    }
    return 0;
  }
  const CARD_COMBO on_table = TableCombo();
  int matches = 0;
  CARD_COMBO match;
  for (uint32_t i = 0; i <= 3; ++i) {
    for (uint32_t j = 0; j <= 7; ++j) {
      const uint32_t type = 1u << (i + 4 * j);
      if ((type & kHintTypes) != type) continue;
      CARD_COMBO from = on_table;
      for (int step = 0; step < kMaxClimb; ++step) {
        int32_t ids[kCardList];
        CARD_COMBO found;
        if (FindSmallestHint(hand, n, ids, kCardList, from, &found, type, 0) == 0) break;
        int32_t has[kValueCounters];
        CountValues(ids, found.card_count, has);
        if (AllReachMinimum(has, want)) {
          ++matches;
          match = found;
        }
        from = found;
      }
    }
  }
  if (matches != 1) return 0;
  // The user's own cards stand in for cards of the same value the search picked.
  for (int32_t s = 0; s < chosen; ++s) {
    const int32_t id = selected[s];
    if (std::find(match.cards, match.cards + match.card_count, id) != match.cards + match.card_count) continue;
    const int32_t value = GetCardValue(id, 0);
    for (int32_t k = 0; k < match.card_count; ++k) {
      const int32_t other = match.cards[k];
      if (GetCardValue(other, 0) != value) continue;
      if (std::find(selected, selected + chosen, other) != selected + chosen) continue;
      match.cards[k] = id;
      break;
    }
  }
  return select(match.cards, match.card_count);
}

// ---- The buttons of the turn ----

void CTableView::UpdateActionButtons() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr || app->IsReplayMode() || !IsOwnTurn()) return;
  shell::FlashIfNotForeground();
  ShowButton(throw_button_, true);
  if (throw_button_ != nullptr) throw_button_->SetEnabled(false);
  const bool following = ChairOnTable() != -1;
  ShowButton(pass_button_, following);
  ShowButton(remind_button_, following);
  UpdateThrowButton();
  if (!following) {
    ClearPlayedCards(-1);
    if (pass_button_ != nullptr) pass_button_->SetEnabled(false);
    if (remind_button_ != nullptr) remind_button_->SetEnabled(false);
    return;
  }
  const CARD_COMBO on_table = TableCombo();
  int32_t ids[kCardList];
  CARD_COMBO found;
  if (SearchHand(on_table, &found, ids, 1) == 0) {
    const int32_t held = CountChairCards(AppOwnChair(), card_place::kHand);
    const bool few = held <= 3;
    const bool big_joker =
        on_table.type == COMBO_SINGLE && on_table.card_count > 0 && GetCardValue(on_table.cards[0], 0) == 15;
    if (few && (held < on_table.card_count || big_joker)) {
      if (auto_pass_action_ != 0) CancelAction(auto_pass_action_);
      const engine::ObjectMessage pass = engine::MakeMessage(GetKey(), view_msg::kAutoPass, 0, 0);
      auto_pass_action_ = Delay(kAutoPassDelayMs, &pass);
    } else {
      ShowPassHint();
    }
  }
  hint_combo_.Clear();
  group_hint_combo_.Clear();
  if (pass_button_ != nullptr) pass_button_->SetEnabled(true);
  if (remind_button_ != nullptr) remind_button_->SetEnabled(true);
}

void CTableView::ShowPassHint() {
  if (pass_hint_ == nullptr) return;
  CancelObjectActions(pass_hint_->GetKey());
  pass_hint_->Show();
  AnimateSprite(pass_hint_, 0, 1, 0, 0, nullptr);
  pass_hint_->Invalidate();
}

// ---- Auto-play ----

void CTableView::AutoPlayTick() {
  if (!IsOwnTurn()) return;
  if (throw_button_ != nullptr && throw_button_->IsVisible() == 0) return;
  if (++auto_play_ticks_ < auto_play_delay_) return;
  auto_play_ticks_ = 0;
  AutoPlayStep();
}

void CTableView::AutoPlayStep() {
  if (!IsOwnTurn() || throw_button_ == nullptr || throw_button_->IsVisible() == 0) return;
  if (ChairOnTable() == -1) {
    ClearSelection();
    SelectLeadCards();
    UpdateThrowButton();
    PlaySelected();
  } else {
    ClearSelection();
    hint_combo_.Clear();
    group_hint_combo_.Clear();
    SelectAutoHint();
    const int32_t chosen = CountSelected();
    if (chosen == 0) {
      RequestPass();
    } else if (chosen == CountChairCards(AppOwnChair(), card_place::kHand)) {
      PlaySelected();
    } else if (IsPartnerChair(ChairOnTable()) != 0) {
      RequestPass();
    } else {
      PlaySelected();
    }
  }
  if (auto_play_ == 0) ToggleAutoPlay();
}

void CTableView::SelectLeadCards() {
  int32_t hand[kCardList];
  const int32_t n = GetHandCards(hand);
  if (n == 0) return;
  int32_t counts[kValueCounters];
  CountValues(hand, n, counts);
  const int32_t valid = SortCardsByOrder(hand, n);
  if (valid == 0) return;
  const int32_t lowest = GetCardValue(hand[valid - 1], 0);
  const int32_t held = lowest >= 0 && lowest < kValueCounters ? counts[lowest] : 0;
  if (held < 4) {
    SelectByValue(lowest);
    return;
  }
  for (int32_t k = 1; k <= 8; ++k) {
    if (SelectSmallestOfCount(k) > 0) return;
  }
}

int CTableView::SelectSmallestOfCount(int32_t count) {
  int32_t hand[kCardList];
  const int32_t n = GetHandCards(hand);
  int32_t counts[kValueCounters];
  CountValues(hand, n, counts);
  int32_t best = 0;
  int32_t best_order = 100000;
  const int32_t level = Level();
  for (int32_t v = 0; v < kValueCounters; ++v) {
    if (counts[v] != count) continue;
    // The card-order callback, asked for the value number itself.
    const int32_t order = GetCardOrder(v, level, 0);
    if (order < best_order) {
      best_order = order;
      best = v;
    }
  }
  return SelectByValue(best);
}

int CTableView::SelectByValue(int32_t value) {
  CCardView* hand[kMaxCardViews];
  const int32_t n = OwnHand(hand, kMaxCardViews);
  int32_t raised = 0;
  for (int32_t i = 0; i < n; ++i) {
    CCardView* card = hand[i];
    if (card->card_id < 0 || GetCardValue(card->card_id, 0) != value) continue;
    card->selected = 1;
    card->Refresh();
    ++raised;
  }
  selected_count_ = CountSelected();
  return raised;
}

}  // namespace table
