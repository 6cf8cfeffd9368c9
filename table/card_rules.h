// Card rules on top of the table logic: the deck, the process-wide card attributes, the
// combination record and its beat rule, the counting helpers, the combination search and a
// banker auction. The defaults describe a shedding game with 54-card decks; a game's rules
// derive from this class and replace the callbacks and a minority of the operations.
#pragma once

#include <cstdint>

#include "table/card_attributes.h"
#include "table/card_combo.h"
#include "table/table_logic.h"

namespace table {

// One bid of the banker auction (7 words).
struct BID_RECORD {
  int32_t chair = 0;
  int32_t passed = 0;  // non-zero: a pass
  int32_t value = 0;
  int32_t reserved[4] = {};
};
static_assert(sizeof(BID_RECORD) == 28);

inline constexpr int kMaxBids = 32;
inline constexpr int kValueSlots = 16;

// A play as it travels in the play request: twelve head words (word 3 the chair), then the
// combination. Its first 16 words and its cards are what goes on the wire.
struct PLAY_MESSAGE {
  int32_t head[12] = {};
  CARD_COMBO combo;
};
static_assert(sizeof(PLAY_MESSAGE) == 48 + 272);

// A card record of the game's rules: who holds the card.
struct CARD_RECORD {
  int32_t id = -1;
  int32_t owner = -1;
};

// Game message ids handled by the table framework, in two runs: the first handler's and the
// second handler's.
inline constexpr int32_t kFirstFrameworkMessage = 19840324;
inline constexpr int32_t kLastFrameworkMessage = 19840332;
inline constexpr int32_t kFirstFrameworkMessage2 = 19840335;
inline constexpr int32_t kLastFrameworkMessage2 = 19840337;

class CCardRules : public CTableLogic {
 public:
  // p1..p6 go to the table logic; p7 is not used; card_count ids 0..card_count-1 are valid;
  // decks bounds bomb sizes (4 x decks); r11..r14, table16, p16..p18 are kept for the game's
  // rules; the auction limits; then the six card callbacks, which this constructor installs
  // for the whole process.
  CCardRules(int32_t p1, int32_t p2, int32_t scale, int32_t chairs, uint32_t rule_flags, int32_t p6, int32_t p7,
             int32_t card_count, int32_t decks, int32_t max_cards, int32_t r11, int32_t r12, int32_t r13, int32_t r14,
             const int32_t* table16, int32_t p16, int32_t p17, int32_t p18, int32_t rising_win, int32_t falling_win,
             int32_t default_bid, CardValueFn value, CardSuitFn suit, CardNumberFn number, CardPointsFn points,
             CardOrderFn order, ValueOrderFn value_order);
  ~CCardRules() override;

  // Overrides of the table logic.
  void Reset(int full) override;
  int GetStartRecordSize() override { return 1096; }
  int FillStateRecord(uint8_t* buffer, int size) override;
  int FillExtraRecord(uint8_t* buffer, int size) override;
  int GetGameResultSize() override { return 456; }
  int GetRandomChair() override;
  int GetFirstChair() override { return banker_; }
  void BeginGamePhase() override { AddStateBits(kStateRunning | kStatePlay); }
  uint32_t RestampState() override;

  // 1..34: hooks, card keeping and counting.
  virtual int IsGameMessage(int32_t id);
  virtual void FillStateSnapshot(uint8_t*, int) {}
  virtual int DrawCard() { return 0; }
  virtual int MoveCard() { return 1; }
  virtual void CardHook5() {}
  virtual int CardHook6() { return 0; }
  virtual int SetCardState() { return 0; }
  virtual void CommitChairCards() {}
  virtual void CommitAllCards() {}
  virtual int CardHook10() { return 0; }
  virtual CARD_RECORD* FindCardRecord(int32_t) { return nullptr; }
  virtual int GetChairCards() { return 0; }
  virtual int AreCardsOwnedBy(int32_t owner, const int32_t* cards, int n);
  virtual int IsCurrentChairMessage(const PLAY_MESSAGE& message);
  virtual int ValidatePlay(const PLAY_MESSAGE& message);
  virtual int PhaseHook16() {
    SetState(kStateRunning | kStatePlay);
    return 0;
  }
  virtual int PhaseHook17() { return 0; }
  virtual void PhaseHook18() {}
  virtual void PhaseHook19() {}
  virtual void PhaseHook20() { SetState(kStateRunning | kStatePlay); }
  virtual int PhaseHook21() { return 1; }
  virtual int PhaseHook22() { return 1; }
  virtual void PhaseHook23() {}
  virtual int32_t GetLevelValue() { return 0; }
  virtual int CountValidCards(const int32_t* cards, int n);
  virtual int32_t SumChairSlots(int chair);
  virtual int GetChairAfterNext(int chair) { return PrevChair(PrevChair(chair)); }
  virtual int PlaceBid(const int32_t* message, int* decided);
  virtual int FinishAuction();
  virtual int OnAuctionFinished() { return 1; }
  virtual int CountHandByValue(const int32_t* cards, int n, int32_t* counts, int size, int* wildcards);
  virtual int IsWildcard(int32_t) { return 0; }
  virtual int IsMarkedValue(int32_t) { return 0; }
  virtual int32_t CountMarkedValueCards(const int32_t* counts, int n, int32_t excluded);

  // 35..: the combination search.
  virtual int PickHighestValue(const int32_t* counts, int n, int need, int wildcards);
  virtual int PickValueToBeat(const int32_t* counts, int n, int need, int wildcards, uint32_t to_beat);
  virtual int FindTwoGroups(int32_t* counts, int n, int need1, int need2, int wildcards, uint32_t to_beat, int* a,
                            int* b);
  virtual int TakeHighestGroup(int32_t* counts, int n, int need, int* wildcards);
  virtual bool FindAllCombos(int chair, const int32_t* cards, int n, CARD_COMBO_LIST* list, uint32_t type_mask);
  virtual bool CanBeat(const CARD_COMBO& on_table, const CARD_COMBO& candidate);
  virtual int PickBestCombo(CARD_COMBO_LIST* list);
  virtual int FindBeatingCombo(const CARD_COMBO& to_beat, CARD_COMBO_LIST* list);
  virtual int PickLowestValueAbove(const int32_t* counts, int n, uint32_t to_beat);
  virtual int FillComboCards(int32_t* out, int out_max, int32_t* hand, int hand_n, int32_t value, int count,
                             int32_t suit);
  virtual int AddSingle(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list);
  virtual int FindSingle(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                         CARD_COMBO* record);
  virtual int AddPair(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list);
  virtual int FindPair(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                       CARD_COMBO* record);
  virtual int AddTriple(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list);
  virtual int FindTriple(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                         CARD_COMBO* record);
  virtual int AddBomb(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list);
  virtual int FindBomb(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                       CARD_COMBO* record, int bomb_size);
  virtual int AddLongSet(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list);
  virtual int FindLongSet(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                          CARD_COMBO* record, int set_size);
  virtual int AddTriplePair(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list);
  virtual int FindTriplePair(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                             CARD_COMBO* record);
  virtual int AddStraight(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list);
  virtual int FindStraight(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                           CARD_COMBO* record, int length);
  virtual int AddPairStraight(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list);
  virtual int FindPairStraight(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                               CARD_COMBO* record, int steps);
  virtual int AddTripleStraight(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list);
  virtual int FindTripleStraight(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                                 CARD_COMBO* record, int steps);
  virtual int AddTriplePairStraight(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list);
  virtual int FindTriplePairStraight(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                                     CARD_COMBO* record, int steps);
  virtual int AddStraightFlush(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list);
  virtual int FindStraightFlush(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                                CARD_COMBO* record, int length);
  virtual int AddFourJokers(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list);
  virtual int FindFourJokers(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                             CARD_COMBO* record);
  virtual int AddAnyCombo(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list);

  // Access for the game's rules and for tests.
  int32_t CardCount() const { return card_count_; }
  int32_t DeckCount() const { return decks_; }
  int32_t MaxCardsPerChair() const { return max_cards_; }
  int32_t BestBid() const { return best_bid_; }
  int BidCount() const { return bid_count_; }
  const BID_RECORD& Bid(int i) const { return bids_[i < 0 ? 0 : (i >= kMaxBids ? kMaxBids - 1 : i)]; }
  void SetChairSlot(int chair, int slot, int32_t value);
  const int32_t* RuleTable() const { return rule_table_; }

 protected:
  bool ValidCard(int32_t id) const { return id >= 0 && id < card_count_; }
  // The order of a value for the search (level as GetLevelValue, or -1 for sequences).
  int32_t Order(int32_t value) { return GetValueOrder(value, GetLevelValue(), 0); }
  static int32_t SequenceOrder(int32_t value) { return GetValueOrder(value, -1, 0); }
  // Writes a found combination: type, mask, value, and the cards taken from a copy of the hand.
  struct Take {
    int32_t value;
    int count;
    int32_t suit;
  };
  int WriteFound(CARD_COMBO* record, uint32_t type, uint32_t mask, uint32_t value, const int32_t* hand, int hand_n,
                 const Take* takes, int take_count);
  // The weakest run of `steps` consecutive values, `per` cards each, that beats the record; written as `type`.
  int FindGroupStraight(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                        CARD_COMBO* record, int steps, int per, uint32_t type);
  // Runs an adder's finder on the next list record; repeated finders run until they fail.
  template <typename Finder>
  int AddWith(const int32_t* cards, int n, CARD_COMBO_LIST* list, bool repeated, Finder finder);

  int32_t card_count_;
  int32_t decks_;
  int32_t max_cards_;
  int32_t rule_numbers_[4];
  int32_t rule_table_[16] = {};
  int32_t p16_, p18_, p17_;
  int32_t rising_win_;
  int32_t falling_win_;
  int32_t default_bid_;
  int bid_count_ = 0;
  BID_RECORD bids_[kMaxBids];
  int32_t best_bid_ = 0;
  int32_t chair_slots_[kMaxChairs][16] = {};
  int32_t extra_words_[32] = {};
  int32_t extra_count_ = 0;
  uint8_t* owned_buffer_ = nullptr;
};

// The hint search's short-lived rules object: the default callbacks and fixed values (216
// card ids in 4 decks, 8 chairs, no rule flags). Building it installs the defaults for the
// whole process, as every rules object does; when it goes, the callbacks that were in force
// before come back, so the game's own rules keep their card values.
class SearchRules {
 public:
  SearchRules();
  CCardRules& rules() { return rules_; }
  CCardRules* operator->() { return &rules_; }

 private:
  ScopedCardCallbacks saved_;  // declared first: saved before, restored after the rules object
  CCardRules rules_;
};

}  // namespace table
