// A brute-force reference for the combination search, written straight from the rules of
// each combination type under the default card attributes (values 1..13, jokers 14 and 15,
// value order = value, jokers 21 and 22, no level card, no wildcards). It knows nothing of
// the finders' algorithms: it enumerates every sub-multiset of a hand and classifies each.
// Header-only, so the benchmark can run the same enumeration.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "table/card_attributes.h"
#include "table/card_combo.h"

namespace combo_oracle {

using table::CARD_COMBO;

inline int32_t OrderOf(int v) { return v == 14 ? 21 : (v == 15 ? 22 : v); }

struct Reading {
  uint32_t type = 0;
  uint32_t mask = 0;
  uint32_t value = 0;
  int cards = 0;
};

// The beat rule, stated independently.
inline bool Beats(const CARD_COMBO& on_table, const Reading& r) {
  if ((on_table.type & r.mask) != on_table.type) return false;
  return r.type != on_table.type || r.value > on_table.value;
}

// Per-value counts (index 1..15) of a set of ids.
inline void CountValues(const std::vector<int32_t>& ids, int counts[16]) {
  std::fill(counts, counts + 16, 0);
  for (int32_t id : ids) ++counts[table::DefaultCardValue(id, 0)];
}

// Every reading of a multiset of values (suits ignored: straight flushes are separate).
// bomb_max: the largest bomb (4 x decks); set_max: the largest long set.
inline void Classify(const int c[16], int total, int bomb_max, int set_max, bool all_tps, std::vector<Reading>* out) {
  if (total == 0) return;
  int distinct = 0, lo = 99, hi = 0, top = 0, top_value = 0;
  for (int v = 1; v <= 15; ++v) {
    if (c[v] == 0) continue;
    ++distinct;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
    if (c[v] > top) {
      top = c[v];
      top_value = v;
    }
  }
  if (distinct == 1) {
    int v = top_value;
    if (total == 1) out->push_back({table::COMBO_SINGLE, 0x1, static_cast<uint32_t>(OrderOf(v)), 1});
    if (total == 2) out->push_back({table::COMBO_PAIR, 0x2, static_cast<uint32_t>(OrderOf(v)), 2});
    if (total == 3) out->push_back({table::COMBO_TRIPLE, 0x4, static_cast<uint32_t>(OrderOf(v)), 3});
    if (total >= 4 && total <= bomb_max)
      out->push_back({table::COMBO_BOMB, 0x1767, static_cast<uint32_t>(OrderOf(v) + 10000 * (total - 4)), total});
    if (total >= 6 && total <= set_max)
      out->push_back({table::COMBO_LONG_SET, 0, static_cast<uint32_t>(OrderOf(v) + 10000 * (total - 4)), total});
  }
  if (total == 5 && distinct == 2) {
    int a = -1, b = -1;
    for (int v = 1; v <= 15; ++v) {
      if (c[v] == 3) a = v;
      if (c[v] == 2) b = v;
    }
    if (a > 0 && b > 0)
      out->push_back({table::COMBO_TRIPLE_PAIR, 0x20, static_cast<uint32_t>(OrderOf(a) * 10000 + OrderOf(b)), 5});
  }
  // Runs of equal multiplicity over consecutive values 2..13.
  bool run = lo >= 2 && hi <= 13 && distinct == hi - lo + 1;
  if (run) {
    bool all1 = true, all2 = true, all3 = true;
    for (int v = lo; v <= hi; ++v) {
      all1 = all1 && c[v] == 1;
      all2 = all2 && c[v] == 2;
      all3 = all3 && c[v] == 3;
    }
    int n = distinct;
    if (all1 && n == 5 && lo <= 9) out->push_back({table::COMBO_STRAIGHT, 0x40, static_cast<uint32_t>(lo + 100), 5});
    if (all2 && n >= 2)
      out->push_back({table::COMBO_PAIR_STRAIGHT, 0x100, static_cast<uint32_t>(lo + 1000 * n), 2 * n});
    if (all3 && n >= 2)
      out->push_back({table::COMBO_TRIPLE_STRAIGHT, 0x200, static_cast<uint32_t>(lo + 1000 * n), 3 * n});
  }
  if (total >= 10 && total % 5 == 0 && lo >= 2 && hi <= 13) {
    int n = total / 5;
    uint32_t best = 0;
    for (int t = 2; t <= 14 - n; ++t) {
      for (int p = 2; p <= 14 - n; ++p) {
        bool ok = true;
        for (int v = 1; v <= 15 && ok; ++v) {
          int want = (v >= t && v < t + n ? 3 : 0) + (v >= p && v < p + n ? 2 : 0);
          ok = c[v] == want;
        }
        if (!ok) continue;
        uint32_t score = static_cast<uint32_t>(p + 10000 * n + 100 * t);
        if (all_tps)
          out->push_back({table::COMBO_TRIPLE_PAIR_STRAIGHT, 0x400, score, total});
        else if (best == 0 || score < best)
          best = score;
      }
    }
    if (!all_tps && best != 0) out->push_back({table::COMBO_TRIPLE_PAIR_STRAIGHT, 0x400, best, total});
  }
  if (total == 4 && c[14] == 2 && c[15] == 2) out->push_back({table::COMBO_FOUR_JOKERS, 0x81767, 1, 4});
}

// Straight-flush readings of a set of ids: five cards of one suit 0..3 whose values run
// v..v+4 (v in 1..9), or K A 2 3 4.
inline void ClassifyFlush(const std::vector<int32_t>& ids, std::vector<Reading>* out) {
  if (ids.size() != 5) return;
  int suit = table::DefaultCardSuit(ids[0], 0);
  if (suit > 3) return;
  unsigned mask = 0;
  for (int32_t id : ids) {
    if (table::DefaultCardSuit(id, 0) != suit) return;
    mask |= 1u << table::DefaultCardValue(id, 0);
  }
  for (int v = 1; v <= 9; ++v) {
    if (mask == (0x1Fu << v)) out->push_back({table::COMBO_STRAIGHT_FLUSH, 0, static_cast<uint32_t>(v + 100), 5});
  }
  if (mask == ((1u << 13) | (1u << 1) | (1u << 2) | (1u << 3) | (1u << 4)))
    out->push_back({table::COMBO_STRAIGHT_FLUSH, 0, 100, 5});
}

// What FindAllCombos must answer for an exact selection, in the search's fixed type order.
inline std::vector<Reading> ExpectedList(const std::vector<int32_t>& ids, int decks, uint32_t type_mask) {
  int c[16];
  CountValues(ids, c);
  std::vector<Reading> all;
  Classify(c, static_cast<int>(ids.size()), 4 * decks, 8, false, &all);
  ClassifyFlush(ids, &all);
  if (!ids.empty()) all.push_back({table::COMBO_ANY, 0x81767, 1, static_cast<int>(ids.size())});
  static const uint32_t kOrder[] = {0x1,   0x2,    0x4,    0x20,   0x40,    0x100,     0x200,
                                    0x400, 0x1000, 0x4000, 0x8000, 0x80000, 0x10000000};
  std::vector<Reading> list;
  for (uint32_t type : kOrder) {
    if ((type_mask & type) == 0) continue;
    for (const Reading& r : all) {
      if (r.type == type && list.size() < 5) list.push_back(r);
    }
  }
  return list;
}

// The key of a search slot: a type and a length (cards for bombs, steps for sequences,
// 0 where the search has no length).
using Slot = std::pair<uint32_t, int>;

inline int SlotLength(const Reading& r) {
  switch (r.type) {
    case table::COMBO_PAIR_STRAIGHT:
      return r.cards / 2;
    case table::COMBO_TRIPLE_STRAIGHT:
      return r.cards / 3;
    case table::COMBO_TRIPLE_PAIR_STRAIGHT:
      return r.cards / 5;
    case table::COMBO_BOMB:
      return r.cards;
    case table::COMBO_STRAIGHT:
    case table::COMBO_STRAIGHT_FLUSH:
      return 5;
    default:
      return 0;  // single, pair, triple, triple-pair, long set (any size), four jokers
  }
}

// Brute force over every sub-multiset of the hand's values (and every five-card set of one
// suit for straight flushes): per slot, the weakest reading that beats the table.
inline std::map<Slot, uint32_t> WeakestBeating(const std::vector<int32_t>& hand, const CARD_COMBO& on_table,
                                               int decks) {
  std::map<Slot, uint32_t> best;
  int have[16];
  CountValues(hand, have);
  int pick[16] = {};
  std::vector<Reading> readings;
  auto note = [&](const Reading& r) {
    if (!Beats(on_table, r)) return;
    // A sequence answers a sequence of its own type only with the same number of cards.
    const uint32_t kSequences = table::COMBO_STRAIGHT | table::COMBO_PAIR_STRAIGHT | table::COMBO_TRIPLE_STRAIGHT |
                                table::COMBO_TRIPLE_PAIR_STRAIGHT;
    if (r.type == on_table.type && (r.type & kSequences) && r.cards != on_table.card_count) return;
    Slot slot{r.type, SlotLength(r)};
    auto it = best.find(slot);
    if (it == best.end() || r.value < it->second) best[slot] = r.value;
  };
  // Depth-first over values 1..15, choosing 0..have[v] of each.
  auto walk = [&](auto&& self, int v, int total) -> void {
    if (v == 16) {
      readings.clear();
      Classify(pick, total, 4 * decks, 10, true, &readings);
      for (const Reading& r : readings) note(r);
      return;
    }
    for (int k = 0; k <= have[v]; ++k) {
      pick[v] = k;
      self(self, v + 1, total + k);
    }
    pick[v] = 0;
  };
  walk(walk, 1, 0);
  // Straight flushes: every five values of one suit that the hand holds.
  for (int suit = 0; suit < 4; ++suit) {
    unsigned present = 0;
    for (int32_t id : hand) {
      if (table::DefaultCardSuit(id, 0) == suit) present |= 1u << table::DefaultCardValue(id, 0);
    }
    for (unsigned sub = present; sub != 0; sub = (sub - 1) & present) {
      if (__builtin_popcount(sub) != 5) continue;
      std::vector<int32_t> ids;
      for (int v = 1; v <= 13; ++v) {
        if (sub & (1u << v)) ids.push_back(suit * 13 + v - 1);
      }
      readings.clear();
      ClassifyFlush(ids, &readings);
      for (const Reading& r : readings) note(r);
    }
  }
  return best;
}

}  // namespace combo_oracle
