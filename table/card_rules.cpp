#include "table/card_rules.h"

#include <cstring>

#include "engine/core/engine_log.h"
#include "shell/random_source.h"

namespace table {

CCardRules::CCardRules(int32_t p1, int32_t p2, int32_t scale, int32_t chairs, uint32_t rule_flags, int32_t p6, int32_t,
                       int32_t card_count, int32_t decks, int32_t max_cards, int32_t r11, int32_t r12, int32_t r13,
                       int32_t r14, const int32_t* table16, int32_t p16, int32_t p17, int32_t p18, int32_t rising_win,
                       int32_t falling_win, int32_t default_bid, CardValueFn value, CardSuitFn suit,
                       CardNumberFn number, CardPointsFn points, CardOrderFn order, ValueOrderFn value_order)
    : CTableLogic(p1, p2, scale, chairs, rule_flags, p6),
      card_count_(card_count),
      decks_(decks),
      max_cards_(max_cards),
      rule_numbers_{r11, r12, r13, r14},
      p16_(p16),
      p18_(p18),
      p17_(p17),
      rising_win_(rising_win),
      falling_win_(falling_win),
      default_bid_(default_bid) {
  if (table16 != nullptr) std::memcpy(rule_table_, table16, sizeof rule_table_);
  // The callbacks are process-wide: the newest rules object decides them for all.
  InstallCardCallbacks({value, suit, number, points, order, value_order});
  CCardRules::Reset(1);
}

CCardRules::~CCardRules() {
  CCardRules::Reset(1);
  delete[] owned_buffer_;
}

void CCardRules::Reset(int full) {
  CTableLogic::Reset(full);
  bid_count_ = 0;
  for (int32_t& w : extra_words_) w = 0;
  extra_count_ = 0;
  for (auto& row : chair_slots_) {
    for (int32_t& w : row) w = 0;
  }
  for (BID_RECORD& b : bids_) b = BID_RECORD{};
  best_bid_ = default_bid_;
}

int CCardRules::FillStateRecord(uint8_t* buffer, int size) {
  CTableLogic::FillStateRecord(buffer, size);
  FillStateSnapshot(buffer, size);
  return 1;
}

int CCardRules::FillExtraRecord(uint8_t* buffer, int size) {
  CTableLogic::FillExtraRecord(buffer, size);
  FillStateSnapshot(buffer, size);
  return 1;
}

int CCardRules::GetRandomChair() {
  // Only the first game at a table starts at a random chair; later games keep the banker.
  return game_counter_ == 1 ? shell::RandomBelow(chairs_) : banker_;
}

uint32_t CCardRules::RestampState() {
  SetState(0);
  return state_;
}

int CCardRules::IsGameMessage(int32_t id) {
  return (id >= kFirstFrameworkMessage && id <= kLastFrameworkMessage) ||
         (id >= kFirstFrameworkMessage2 && id <= kLastFrameworkMessage2);
}

int CCardRules::AreCardsOwnedBy(int32_t owner, const int32_t* cards, int n) {
  for (int i = 0; i < n; ++i) {
    if (cards[i] == -1) continue;
    const CARD_RECORD* record = FindCardRecord(cards[i]);
    if (record == nullptr || record->owner != owner) return 0;
  }
  return 1;
}

int CCardRules::IsCurrentChairMessage(const PLAY_MESSAGE& message) {
  return (state_ & kStatePlay) != 0 && message.head[3] == current_chair_;
}

int CCardRules::ValidatePlay(const PLAY_MESSAGE& message) {
  if ((state_ & kStatePlay) == 0 || message.head[3] != current_chair_) return 0;
  const CARD_COMBO& combo = message.combo;
  if (combo.card_count < 0 || combo.card_count > kComboMaxCards) return 0;
  // Every card place is checked, not only the first card_count: a card sitting past the count
  // would otherwise be played without being owned.
  if (!AreCardsOwnedBy(message.head[3], combo.cards, kComboMaxCards)) return 0;
  int valid = 0;
  for (int32_t id : combo.cards) valid += id != -1;
  if (valid != combo.card_count) return 0;
  int32_t cards[kComboMaxCards];
  std::memcpy(cards, combo.cards, sizeof cards);
  CARD_COMBO_LIST list;
  return FindAllCombos(message.head[3], cards, kComboMaxCards, &list, combo.type) ? 1 : 0;
}

int CCardRules::CountValidCards(const int32_t* cards, int n) {
  int valid = 0;
  for (int i = 0; i < n; ++i) valid += ValidCard(cards[i]);
  return valid;
}

int32_t CCardRules::SumChairSlots(int chair) {
  if (!ValidChair(chair)) return 0;
  return shell::SumArray(chair_slots_[chair], 16);
}

void CCardRules::SetChairSlot(int chair, int slot, int32_t value) {
  if (ValidChair(chair) && slot >= 0 && slot < 16) chair_slots_[chair][slot] = value;
}

int CCardRules::CountHandByValue(const int32_t* cards, int n, int32_t* counts, int size, int* wildcards) {
  *wildcards = 0;
  int valid = 0;
  const bool wild = (rule_flags_ & kRuleWildcards) != 0;
  auto count_value = [&](int32_t id) {
    int32_t v = GetCardValue(id, 0);
    // A value with no place in the array (a game's own kinds reach 20) is not counted.
    if (v >= 0 && v < size) ++counts[v];
  };
  for (int i = 0; i < n; ++i) {
    if (!ValidCard(cards[i])) continue;
    ++valid;
    if (wild && IsWildcard(cards[i]))
      ++*wildcards;
    else
      count_value(cards[i]);
  }
  // Wildcards never stand alone: a selection of nothing else counts by its own values.
  if (valid > 0 && *wildcards == valid) {
    for (int i = 0; i < n; ++i) {
      if (ValidCard(cards[i])) count_value(cards[i]);
    }
    *wildcards = 0;
  }
  return valid;
}

int32_t CCardRules::CountMarkedValueCards(const int32_t* counts, int n, int32_t excluded) {
  int32_t sum = 0;
  for (int v = 0; v < n; ++v) {
    if (v != excluded && IsMarkedValue(v)) sum += counts[v];
  }
  return sum;
}

// ---- the banker auction ----

int CCardRules::PlaceBid(const int32_t* message, int* decided) {
  if (message == nullptr) return 0;
  // The list has room for 32 bids between two resets; a further bid is refused rather than
  // written past it.
  if (bid_count_ >= kMaxBids) {
    engine::WriteGameLog("table: bid of chair %d refused: %d bids already placed", message[3], bid_count_);
    return 0;
  }
  BID_RECORD& bid = bids_[bid_count_++];
  bid = BID_RECORD{};
  bid.chair = message[3];
  bid.passed = message[4];
  bid.value = message[5];

  const bool falling = (rule_flags_ & kRuleFallingBids) != 0;
  auto better = [falling](int32_t value, int32_t best) { return falling ? value <= best : value >= best; };
  bool done = false;
  if (bid.passed == 0 && (falling ? bid.value <= falling_win_ : bid.value >= rising_win_)) {
    best_bid_ = bid.value;
    banker_ = bid.chair;
    done = true;
  } else if ((rule_flags_ & kRuleAuctionClosesAfterAll) != 0 && bid_count_ >= chairs_) {
    done = true;
    bool any_bid = false;
    for (int i = 0; i < chairs_; ++i) {
      const BID_RECORD& b = bids_[i];
      if (b.passed != 0) continue;
      any_bid = true;
      if (better(b.value, best_bid_)) {
        best_bid_ = b.value;
        banker_ = b.chair;
      }
    }
    if (!any_bid) best_bid_ = default_bid_;
  }
  if (done) {
    if (decided != nullptr) *decided = 1;
  } else {
    SetCurrentChair(PrevChair(current_chair_));
  }
  return 1;
}

int CCardRules::FinishAuction() {
  ClearStateBits(kStateAuction);
  AddStateBits(kStatePlay);
  SetCurrentChair(banker_);
  OnAuctionFinished();
  return 1;
}

// ---- the hint search's rules object ----

SearchRules::SearchRules()
    : rules_(-1, -1, 1, 8, 0, 0, 3, 216, 4, 64, 0, 0, 0, 0, nullptr, 30, 4, 2, 400, 0, 100, DefaultCardValue,
             DefaultCardSuit, DefaultCardNumber, DefaultCardPoints, DefaultCardOrder, DefaultValueOrder) {}

}  // namespace table
