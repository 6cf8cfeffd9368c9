// ctest-labels: rules
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <vector>

#include "table/card_rules.h"
#include "tests/support/combo_oracle.h"
#include "tests/support/hint_sweep.h"

namespace table {
namespace {

// Card ids of the default 54-card decks: suit s (0..3), value v (1..13), deck d.
int32_t Card(int suit, int value, int deck = 0) { return deck * 54 + suit * 13 + value - 1; }
int32_t SmallJoker(int deck = 0) { return deck * 54 + 52; }
int32_t BigJoker(int deck = 0) { return deck * 54 + 53; }

class ComboSearchTest : public ::testing::Test {
 protected:
  SearchRules search;
  CCardRules& rules = search.rules();

  CARD_COMBO_LIST Classify(std::vector<int32_t> cards, uint32_t mask = 0xFFFFFFFF) {
    CARD_COMBO_LIST list;
    rules.FindAllCombos(0, cards.data(), static_cast<int>(cards.size()), &list, mask);
    return list;
  }
};

std::vector<int32_t> RandomHand(std::mt19937& rng, int decks, int size, int lo_value = 1, int hi_value = 15) {
  std::vector<int32_t> deck;
  for (int id = 0; id < 54 * decks; ++id) {
    int v = DefaultCardValue(id, 0);
    if (v >= lo_value && v <= hi_value) deck.push_back(id);
  }
  std::shuffle(deck.begin(), deck.end(), rng);
  deck.resize(std::min<size_t>(deck.size(), static_cast<size_t>(size)));
  return deck;
}

// ---- classification of exact selections ----

TEST_F(ComboSearchTest, EveryExactSelectionMatchesTheReference) {
  std::mt19937 rng(20261207);
  int combos_seen = 0;
  for (int round = 0; round < 40; ++round) {
    const int decks = 1 + round % 4;
    // Half the hands are dense (few values, many decks' worth) so runs and bombs turn up.
    std::vector<int32_t> hand =
        round % 2 == 0 ? RandomHand(rng, decks, 11) : RandomHand(rng, 4, 12, 2 + round % 5, 7 + round % 5);
    if (round % 8 == 3) hand = RandomHand(rng, 4, 11, 13, 15);  // jokers and kings
    const int n = static_cast<int>(hand.size());
    for (unsigned subset = 1; subset < (1u << n); ++subset) {
      std::vector<int32_t> selection;
      for (int i = 0; i < n; ++i) {
        if (subset & (1u << i)) selection.push_back(hand[i]);
      }
      // The real search runs on a 216-card, 4-deck object; the reference's bomb limit must agree.
      auto expected = combo_oracle::ExpectedList(selection, 4, 0xFFFFFFFF);
      CARD_COMBO_LIST list = Classify(selection);
      ASSERT_EQ(list.count, static_cast<int>(expected.size())) << "subset " << subset << " of round " << round;
      for (int i = 0; i < list.count; ++i) {
        EXPECT_EQ(list.records[i].type, expected[i].type);
        EXPECT_EQ(list.records[i].value, expected[i].value);
        EXPECT_EQ(list.records[i].beat_mask, expected[i].mask);
        EXPECT_EQ(list.records[i].card_count, static_cast<int>(selection.size()));
        std::multiset<int32_t> got(list.records[i].cards, list.records[i].cards + list.records[i].card_count);
        EXPECT_EQ(got, std::multiset<int32_t>(selection.begin(), selection.end()));
      }
      combos_seen += list.count - 1;
    }
  }
  EXPECT_GT(combos_seen, 1000);
}

// ---- the finders against the brute-force enumeration ----

TEST_F(ComboSearchTest, EveryFinderPicksTheWeakestBeatingCombination) {
  std::mt19937 rng(7);
  int compared = 0;
  for (int round = 0; round < 400; ++round) {
    const int decks = 1 + round % 4;
    const int size = 1 + static_cast<int>(rng() % 18);
    std::vector<int32_t> hand =
        round % 3 == 0 ? RandomHand(rng, 4, size, 2 + round % 6, 8 + round % 6) : RandomHand(rng, decks, size);
    // The table: nothing, or some combination another hand could lead.
    CARD_COMBO on_table;
    if (round % 2 != 0) {
      std::vector<int32_t> other = RandomHand(rng, 4, 10, 1 + round % 4, 9 + round % 6);
      auto readings = combo_oracle::WeakestBeating(other, CARD_COMBO{}, 4);
      if (!readings.empty()) {
        auto it = readings.begin();
        std::advance(it, static_cast<long>(rng() % readings.size()));
        on_table.type = it->first.first;
        on_table.value = it->second;
        int len = it->first.second;
        switch (on_table.type) {
          case COMBO_PAIR_STRAIGHT:
            on_table.card_count = 2 * len;
            break;
          case COMBO_TRIPLE_STRAIGHT:
            on_table.card_count = 3 * len;
            break;
          case COMBO_TRIPLE_PAIR_STRAIGHT:
            on_table.card_count = 5 * len;
            break;
          case COMBO_BOMB:
            on_table.card_count = len;
            break;
          case COMBO_STRAIGHT:
            on_table.card_count = 5;
            break;
          default:
            on_table.card_count = 1;
            break;
        }
        on_table.beat_mask = on_table.type == COMBO_BOMB                                 ? kBombBeatMask
                             : on_table.type == COMBO_FOUR_JOKERS                        ? kJokerBeatMask
                             : (on_table.type & (COMBO_STRAIGHT_FLUSH | COMBO_LONG_SET)) ? 0
                                                                                         : on_table.type;
      }
    }
    auto expected = combo_oracle::WeakestBeating(hand, on_table, 4);
    for (auto it = expected.begin(); it != expected.end();) {
      it = it->first.first == COMBO_BOMB && it->first.second > 8 ? expected.erase(it) : std::next(it);
    }
    auto found = hint_sweep::Sweep(rules, hand, on_table);
    ASSERT_EQ(found.size(), expected.size()) << "round " << round;
    for (const auto& [slot, f] : found) {
      ASSERT_TRUE(expected.count(slot)) << "type " << slot.first << " length " << slot.second;
      EXPECT_EQ(f.value, expected[slot]) << "type " << slot.first << " length " << slot.second;
      // The cards come from the hand, once each, and form that very combination.
      std::vector<int32_t> cards(f.combo.cards, f.combo.cards + f.combo.card_count);
      std::set<int32_t> distinct(cards.begin(), cards.end());
      EXPECT_EQ(distinct.size(), cards.size());
      for (int32_t id : cards) EXPECT_NE(std::find(hand.begin(), hand.end(), id), hand.end());
      EXPECT_EQ(f.combo.cards[f.combo.card_count], -1);
      int c[16];
      combo_oracle::CountValues(cards, c);
      std::vector<combo_oracle::Reading> readings;
      combo_oracle::Classify(c, static_cast<int>(cards.size()), 16, 10, true, &readings);
      combo_oracle::ClassifyFlush(cards, &readings);
      bool match = std::any_of(readings.begin(), readings.end(),
                               [&](const auto& r) { return r.type == slot.first && r.value == f.value; });
      EXPECT_TRUE(match) << "type " << slot.first << " value " << f.value;
      ++compared;
    }
  }
  EXPECT_GT(compared, 800);
}

// ---- edge cases of the search ----

TEST_F(ComboSearchTest, StraightsStartAtTwoButOneSuitsAceRunIsAStraightFlush) {
  CARD_COMBO_LIST list = Classify({Card(0, 2), Card(1, 3), Card(2, 4), Card(3, 5), Card(0, 6)});
  ASSERT_EQ(list.count, 2);
  EXPECT_EQ(list.records[0].type, COMBO_STRAIGHT);
  EXPECT_EQ(list.records[0].value, 102u);
  EXPECT_EQ(list.records[1].type, COMBO_ANY);

  list = Classify({Card(0, 1), Card(1, 2), Card(2, 3), Card(3, 4), Card(0, 5)}, ~COMBO_ANY);
  EXPECT_EQ(list.count, 0);

  list = Classify({Card(2, 1), Card(2, 2), Card(2, 3), Card(2, 4), Card(2, 5)}, ~COMBO_ANY);
  ASSERT_EQ(list.count, 1);
  EXPECT_EQ(list.records[0].type, COMBO_STRAIGHT_FLUSH);
  EXPECT_EQ(list.records[0].value, 101u);
  EXPECT_EQ(list.records[0].beat_mask, 0u);

  // K A 2 3 4 of one suit leads as the lowest straight flush of all.
  list = Classify({Card(1, 13), Card(1, 1), Card(1, 2), Card(1, 3), Card(1, 4)}, ~COMBO_ANY);
  ASSERT_EQ(list.count, 1);
  EXPECT_EQ(list.records[0].value, 100u);
}

TEST_F(ComboSearchTest, TableStraightGetsTheNextHigherStartAnotherTypeTheLowest) {
  std::vector<int32_t> hand = {Card(0, 3), Card(1, 4), Card(2, 5), Card(3, 6),
                               Card(0, 7), Card(1, 8), Card(2, 9), Card(3, 10)};
  int32_t counts[16] = {};
  int w = 0;
  rules.CountHandByValue(hand.data(), 8, counts, 16, &w);
  CARD_COMBO record;
  record.type = COMBO_STRAIGHT;
  record.value = 104;  // 4..8
  record.card_count = 5;
  ASSERT_TRUE(rules.FindStraight(hand.data(), 8, counts, 16, w, &record, 5));
  EXPECT_EQ(record.value, 105u);
  EXPECT_EQ(record.card_count, 5);

  CARD_COMBO pair;
  pair.type = COMBO_PAIR;
  pair.value = 12;
  ASSERT_TRUE(rules.FindStraight(hand.data(), 8, counts, 16, w, &pair, 5));
  EXPECT_EQ(pair.value, 103u);

  // A table straight whose card count is not 5 is answered by nothing; other lengths neither.
  CARD_COMBO odd;
  odd.type = COMBO_STRAIGHT;
  odd.card_count = 6;
  EXPECT_FALSE(rules.FindStraight(hand.data(), 8, counts, 16, w, &odd, 5));
  CARD_COMBO nothing;
  EXPECT_FALSE(rules.FindStraight(hand.data(), 8, counts, 16, w, &nothing, 6));
}

TEST_F(ComboSearchTest, PairStraightOnTheTableIsAnsweredOnlyAtItsLength) {
  std::vector<int32_t> hand;
  for (int v = 5; v <= 9; ++v) {
    hand.push_back(Card(0, v));
    hand.push_back(Card(1, v));
  }
  int32_t counts[16] = {};
  int w = 0;
  rules.CountHandByValue(hand.data(), 10, counts, 16, &w);
  CARD_COMBO table_run;
  table_run.type = COMBO_PAIR_STRAIGHT;
  table_run.card_count = 6;
  table_run.value = 3 + 3000;
  CARD_COMBO r = table_run;
  EXPECT_FALSE(rules.FindPairStraight(hand.data(), 10, counts, 16, w, &r, 4));
  r = table_run;
  ASSERT_TRUE(rules.FindPairStraight(hand.data(), 10, counts, 16, w, &r, 3));
  EXPECT_EQ(r.value, 5u + 3000);
  EXPECT_EQ(r.card_count, 6);
}

TEST_F(ComboSearchTest, BombOfAnySizePrefersTheSmallerSize) {
  // Four kings and five 3s.
  std::vector<int32_t> hand;
  for (int d = 0; d < 4; ++d) hand.push_back(Card(0, 13, d));
  for (int d = 0; d < 4; ++d) hand.push_back(Card(2, 3, d));
  hand.push_back(Card(1, 3, 3));
  int32_t counts[16] = {};
  int w = 0;
  rules.CountHandByValue(hand.data(), static_cast<int>(hand.size()), counts, 16, &w);
  ASSERT_EQ(counts[13], 4);
  ASSERT_EQ(counts[3], 5);
  CARD_COMBO r;
  // Size 0 tries four cards first, whatever the values: the 3s, then the kings.
  ASSERT_TRUE(rules.FindBomb(hand.data(), static_cast<int>(hand.size()), counts, 16, w, &r, 0));
  EXPECT_EQ(r.card_count, 4);
  EXPECT_EQ(r.value, 3u);
  ASSERT_TRUE(rules.FindBomb(hand.data(), static_cast<int>(hand.size()), counts, 16, w, &r, 0));
  EXPECT_EQ(r.card_count, 4);
  EXPECT_EQ(r.value, 13u);
  // Above the four kings only the five 3s answer.
  ASSERT_TRUE(rules.FindBomb(hand.data(), static_cast<int>(hand.size()), counts, 16, w, &r, 0));
  EXPECT_EQ(r.card_count, 5);
  EXPECT_EQ(r.value, 3u + 10000);
  EXPECT_FALSE(rules.FindBomb(hand.data(), static_cast<int>(hand.size()), counts, 16, w, &r, 0));
}

TEST_F(ComboSearchTest, FourJokersNeedExactlyTwoOfEach) {
  CARD_COMBO_LIST list = Classify({SmallJoker(0), SmallJoker(1), BigJoker(0), BigJoker(1)}, ~COMBO_ANY);
  ASSERT_EQ(list.count, 1);
  EXPECT_EQ(list.records[0].type, COMBO_FOUR_JOKERS);
  EXPECT_EQ(list.records[0].beat_mask, kJokerBeatMask);
  list = Classify({SmallJoker(0), SmallJoker(1), BigJoker(0), BigJoker(1), Card(0, 5)}, ~COMBO_ANY);
  EXPECT_EQ(list.count, 0);
}

TEST_F(ComboSearchTest, ListRefusesASixthRecordAndKeepsItsContents) {
  CARD_COMBO_LIST list;
  std::vector<int32_t> one = {Card(0, 7)};
  for (int i = 0; i < 5; ++i) ASSERT_EQ(rules.AddAnyCombo(one.data(), 1, 1, &list), 1);
  CARD_COMBO_LIST before = list;
  EXPECT_EQ(rules.AddSingle(one.data(), 1, 1, &list), 0);
  EXPECT_EQ(rules.AddAnyCombo(one.data(), 1, 1, &list), 0);
  EXPECT_EQ(list.count, 5);
  EXPECT_EQ(std::memcmp(&list, &before, sizeof list), 0);
}

TEST_F(ComboSearchTest, PickBestAndFindBeating) {
  CARD_COMBO_LIST empty;
  rules.PickBestCombo(&empty);
  EXPECT_EQ(empty.count, 0);

  CARD_COMBO_LIST list;
  list.count = 3;
  list.records[0].type = COMBO_PAIR;
  list.records[0].beat_mask = COMBO_PAIR;
  list.records[0].value = 12;
  list.records[0].card_count = 2;
  list.records[1] = list.records[0];
  list.records[1].value = 9;
  list.records[2].type = COMBO_BOMB;
  list.records[2].beat_mask = kBombBeatMask;
  list.records[2].value = 3;
  list.records[2].card_count = 4;
  list.records[2].cards[0] = 42;

  CARD_COMBO_LIST single_copy;
  single_copy.count = 1;
  single_copy.records[0] = list.records[0];
  rules.PickBestCombo(&single_copy);
  EXPECT_EQ(single_copy.count, 1);
  EXPECT_EQ(single_copy.records[0].value, 12u);

  CARD_COMBO to_beat;
  to_beat.type = COMBO_PAIR;
  to_beat.beat_mask = COMBO_PAIR;
  to_beat.value = 10;
  CARD_COMBO_LIST copy = list;
  ASSERT_EQ(rules.FindBeatingCombo(to_beat, &copy), 1);
  EXPECT_EQ(copy.count, 1);
  EXPECT_EQ(copy.records[0].type, COMBO_BOMB);  // the bomb after the higher pair wins
  EXPECT_EQ(copy.records[0].cards[0], 42);
  EXPECT_EQ(copy.records[0].card_count, 4);

  to_beat.type = COMBO_FOUR_JOKERS;
  to_beat.value = 1;
  copy = list;
  EXPECT_EQ(rules.FindBeatingCombo(to_beat, &copy), 0);
  EXPECT_EQ(copy.count, 3);

  copy = list;
  rules.PickBestCombo(&copy);
  EXPECT_EQ(copy.count, 1);
  EXPECT_EQ(copy.records[0].type, COMBO_BOMB);
}

TEST_F(ComboSearchTest, FillComboCardsTakesNaturalsInOrderAndNeverPastTheRoom) {
  std::vector<int32_t> hand = {Card(3, 9), Card(0, 9), Card(2, 9), Card(1, 5)};
  const std::vector<int32_t> original = hand;
  int32_t out[64];
  std::fill(out, out + 64, -1);
  out[0] = 7;
  EXPECT_EQ(rules.FillComboCards(out, 64, hand.data(), 4, 9, 2, -1), 2);
  EXPECT_EQ(out[0], 7);
  EXPECT_EQ(out[1], std::min(Card(3, 9), Card(0, 9)));
  EXPECT_EQ(out[2], std::max(Card(3, 9), Card(0, 9)));
  EXPECT_EQ(hand[0], -1);
  EXPECT_EQ(hand[1], -1);
  EXPECT_EQ(hand[2], original[2]);

  // A suit filter, and a room of two places that is already half full.
  hand = original;
  int32_t small[3] = {5, -1, 99};
  EXPECT_EQ(rules.FillComboCards(small, 2, hand.data(), 4, 9, 3, 2), 1);
  EXPECT_EQ(small[1], Card(2, 9));
  EXPECT_EQ(small[2], 99);
}

TEST_F(ComboSearchTest, StraightFlushIgnoresJokers) {
  std::vector<int32_t> hand = {SmallJoker(0), BigJoker(0), SmallJoker(1), BigJoker(1), Card(1, 6),
                               Card(1, 7),    Card(1, 8),  Card(1, 9),    Card(1, 10)};
  int32_t counts[16] = {};
  int w = 0;
  rules.CountHandByValue(hand.data(), 9, counts, 16, &w);
  CARD_COMBO r;
  ASSERT_TRUE(rules.FindStraightFlush(hand.data(), 9, counts, 16, w, &r, 5));
  EXPECT_EQ(r.value, 106u);
}

// A rules object with wildcards: the card id 0 stands for any value.
class WildRules : public CCardRules {
 public:
  WildRules()
      : CCardRules(-1, -1, 1, 3, kRuleWildcards, 0, 0, 216, 4, 64, 0, 0, 0, 0, nullptr, 0, 0, 0, 400, 0, 100,
                   DefaultCardValue, DefaultCardSuit, DefaultCardNumber, DefaultCardPoints, DefaultCardOrder,
                   DefaultValueOrder) {}
  int IsWildcard(int32_t id) override { return id % 54 == 0; }
};

TEST(WildcardSearch, PairAdderTakesTheHighestTripleTheLowest) {
  ScopedCardCallbacks keep;
  WildRules rules;
  CARD_COMBO_LIST list;
  int32_t pair[] = {0, Card(1, 7)};
  rules.AddPair(pair, 2, 2, &list);
  ASSERT_EQ(list.count, 1);
  EXPECT_EQ(list.records[0].value, 7u);  // the wildcard reads as a second 7

  // A wildcard and an all-wildcard selection count by their own values.
  int32_t counts[16] = {};
  int w = 0;
  int32_t wilds[] = {0, 54};
  EXPECT_EQ(rules.CountHandByValue(wilds, 2, counts, 16, &w), 2);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(counts[1], 2);

  // Pair straight arithmetic: 3 3 4 + a wildcard make 3 3 4 4.
  int32_t hand[] = {Card(1, 3), Card(2, 3), Card(1, 4), 54};
  int32_t c2[16] = {};
  rules.CountHandByValue(hand, 4, c2, 16, &w);
  EXPECT_EQ(w, 1);
  CARD_COMBO r;
  ASSERT_TRUE(rules.FindPairStraight(hand, 4, c2, 16, w, &r, 2));
  EXPECT_EQ(r.value, 3u + 2000);
  EXPECT_EQ(r.card_count, 4);

  // The triple adder is not repeated: two 9s and a wildcard read as the lowest triple.
  CARD_COMBO_LIST triples;
  int32_t three[] = {Card(0, 9), Card(1, 9), 108};
  rules.AddTriple(three, 3, 3, &triples);
  ASSERT_EQ(triples.count, 1);
  EXPECT_EQ(triples.records[0].value, 9u);
}

}  // namespace
}  // namespace table
