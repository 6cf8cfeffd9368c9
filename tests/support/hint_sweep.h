// Runs every finder of the combination search over a hand, for every length the table
// view's hint search tries, and collects the weakest beating combination of each type and
// length. Header-only, shared by the tests and the benchmark.
#pragma once

#include <map>
#include <utility>
#include <vector>

#include "table/card_rules.h"

namespace hint_sweep {

using Slot = std::pair<uint32_t, int>;

struct Found {
  uint32_t value = 0;
  table::CARD_COMBO combo;
};

// Every type bit of the table's type lies in the step's allowed set.
inline bool Allowed(const table::CARD_COMBO& on_table, uint32_t allowed) { return (on_table.type & ~allowed) == 0; }

inline std::map<Slot, Found> Sweep(table::CCardRules& rules, const std::vector<int32_t>& hand,
                                   const table::CARD_COMBO& on_table) {
  using namespace table;
  std::map<Slot, Found> found;
  int32_t counts[16] = {};
  int wildcards = 0;
  const int n = static_cast<int>(hand.size());
  rules.CountHandByValue(hand.data(), n, counts, 16, &wildcards);
  auto keep = [&](uint32_t type, int length, const CARD_COMBO& record) {
    found[{type, length}] = Found{record.value, record};
  };
  auto run = [&](uint32_t type, uint32_t allowed, int length, auto&& finder) {
    if (!Allowed(on_table, allowed)) return;
    CARD_COMBO record = on_table;
    if (finder(&record)) keep(type, length, record);
  };
  const int32_t* h = hand.data();
  run(COMBO_SINGLE, 0x1, 0, [&](CARD_COMBO* r) { return rules.FindSingle(h, n, counts, 16, wildcards, r); });
  run(COMBO_PAIR, 0x2, 0, [&](CARD_COMBO* r) { return rules.FindPair(h, n, counts, 16, wildcards, r); });
  run(COMBO_TRIPLE, 0x4, 0, [&](CARD_COMBO* r) { return rules.FindTriple(h, n, counts, 16, wildcards, r); });
  run(COMBO_TRIPLE_PAIR, 0x20, 0, [&](CARD_COMBO* r) { return rules.FindTriplePair(h, n, counts, 16, wildcards, r); });
  for (int len = 5; len <= 12; ++len) {
    run(COMBO_STRAIGHT, 0x40, len,
        [&](CARD_COMBO* r) { return rules.FindStraight(h, n, counts, 16, wildcards, r, len); });
  }
  for (int len = 2; len <= 12; ++len) {
    run(COMBO_PAIR_STRAIGHT, 0x100, len,
        [&](CARD_COMBO* r) { return rules.FindPairStraight(h, n, counts, 16, wildcards, r, len); });
    run(COMBO_TRIPLE_STRAIGHT, 0x200, len,
        [&](CARD_COMBO* r) { return rules.FindTripleStraight(h, n, counts, 16, wildcards, r, len); });
    run(COMBO_TRIPLE_PAIR_STRAIGHT, 0x400, len,
        [&](CARD_COMBO* r) { return rules.FindTriplePairStraight(h, n, counts, 16, wildcards, r, len); });
  }
  for (int size = 4; size <= 8; ++size) {
    run(COMBO_BOMB, 0x1767, size, [&](CARD_COMBO* r) { return rules.FindBomb(h, n, counts, 16, wildcards, r, size); });
  }
  run(COMBO_STRAIGHT_FLUSH, 0, 5,
      [&](CARD_COMBO* r) { return rules.FindStraightFlush(h, n, counts, 16, wildcards, r, 5); });
  run(COMBO_LONG_SET, 0, 0, [&](CARD_COMBO* r) { return rules.FindLongSet(h, n, counts, 16, wildcards, r, 0); });
  run(COMBO_FOUR_JOKERS, 0x81767, 0,
      [&](CARD_COMBO* r) { return rules.FindFourJokers(h, n, counts, 16, wildcards, r); });
  return found;
}

}  // namespace hint_sweep
