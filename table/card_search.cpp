// The combination search: which combinations an exact selection forms, and which is the
// weakest combination of a type in a hand that beats the one on the table.
#include <algorithm>
#include <cstring>

#include "table/card_rules.h"

namespace table {

namespace {

int32_t CountAt(const int32_t* counts, int size, int v) { return v >= 0 && v < size ? counts[v] : 0; }

// The value to beat of a finder whose type is not one of the basic four: the record's value
// when it has the finder's type, else nothing.
uint32_t OwnTypeValue(const CARD_COMBO& record, uint32_t type) { return record.type == type ? record.value : 0; }

// Keeps the candidate with the lowest score that still beats `to_beat`; the first offered wins a tie.
struct LowestBeating {
  int64_t to_beat;
  int best = -1;
  int64_t best_score = 0;

  void Offer(int candidate, int64_t score) {
    if (score <= to_beat) return;
    if (best < 0 || score < best_score) {
      best = candidate;
      best_score = score;
    }
  }
};

}  // namespace

// ---- value pickers ----

int CCardRules::PickHighestValue(const int32_t* counts, int n, int need, int wildcards) {
  int best = -1;
  int32_t best_order = 0;
  for (int v = 0; v < n; ++v) {
    if (counts[v] == 0 || counts[v] + wildcards < need) continue;
    int32_t order = Order(v);
    if (best < 0 || order > best_order) {
      best = v;
      best_order = order;
    }
  }
  return best;
}

int CCardRules::PickValueToBeat(const int32_t* counts, int n, int need, int wildcards, uint32_t to_beat) {
  LowestBeating pick{to_beat};
  const int64_t extra = need > 4 ? 10000LL * (need - 4) : 0;
  for (int v = 0; v < n; ++v) {
    if (counts[v] == 0 || counts[v] + wildcards < need) continue;
    pick.Offer(v, Order(v) + extra);
  }
  return pick.best;
}

int CCardRules::FindTwoGroups(int32_t* counts, int n, int need1, int need2, int wildcards, uint32_t to_beat, int* a,
                              int* b) {
  *a = -1;
  *b = -1;
  int64_t best_score = 0;
  for (int x = 0; x < n; ++x) {
    if (counts[x] == 0 || counts[x] + wildcards < need1) continue;
    const int32_t saved = counts[x];
    int left = wildcards;
    if (counts[x] < need1) {
      left -= need1 - counts[x];
      counts[x] = 0;
    } else {
      counts[x] -= need1;
    }
    for (int y = 0; y < n; ++y) {
      if (y == x || counts[y] == 0 || counts[y] + left < need2) continue;
      int64_t score = static_cast<int64_t>(Order(x)) * 10000 + Order(y);
      if (score <= static_cast<int64_t>(to_beat)) continue;
      if (*a < 0 || score < best_score) {
        *a = x;
        *b = y;
        best_score = score;
      }
    }
    counts[x] = saved;
  }
  return *a >= 0;
}

int CCardRules::TakeHighestGroup(int32_t* counts, int n, int need, int* wildcards) {
  int v = PickHighestValue(counts, n, need, *wildcards);
  if (v < 0) return -1;
  if (counts[v] < need) {
    *wildcards -= need - counts[v];
    counts[v] = 0;
  } else {
    counts[v] -= need;
  }
  return v;
}

int CCardRules::PickLowestValueAbove(const int32_t* counts, int n, uint32_t to_beat) {
  LowestBeating pick{to_beat};
  for (int v = 0; v < n; ++v) {
    if (counts[v] != 0) pick.Offer(v, Order(v));
  }
  return pick.best;
}

// ---- taking cards ----

int CCardRules::FillComboCards(int32_t* out, int out_max, int32_t* hand, int hand_n, int32_t value, int count,
                               int32_t suit) {
  if (out_max > kComboMaxCards) out_max = kComboMaxCards;
  int start = 0;
  while (start < out_max && out[start] != -1) ++start;
  int taken = 0;
  auto take = [&](bool wildcards) {
    for (int i = 0; i < hand_n && taken < count; ++i) {
      int32_t id = hand[i];
      if (!ValidCard(id)) continue;
      if (start + taken >= out_max) return;  // never write past the output's room
      bool wild = IsWildcard(id) != 0;
      if (wildcards) {
        if (!wild) continue;
      } else {
        if (wild || GetCardValue(id, 0) != value) continue;
        if (suit != -1 && GetCardSuit(id, 0) != suit) continue;
      }
      out[start + taken] = id;
      hand[i] = -1;
      ++taken;
    }
  };
  take(false);
  if (taken < count) take(true);
  if (taken == count) std::sort(out + start, out + start + taken);
  return taken;
}

int CCardRules::WriteFound(CARD_COMBO* record, uint32_t type, uint32_t mask, uint32_t value, const int32_t* hand,
                           int hand_n, const Take* takes, int take_count) {
  int32_t copy[kComboMaxCards * 4];
  int n = std::min(hand_n, static_cast<int>(sizeof copy / sizeof copy[0]));
  std::memcpy(copy, hand, sizeof(int32_t) * static_cast<size_t>(n));
  CARD_COMBO found;
  found.type = type;
  found.beat_mask = mask;
  found.value = value;
  int total = 0;
  for (int i = 0; i < take_count; ++i) {
    total += FillComboCards(found.cards, kComboMaxCards, copy, n, takes[i].value, takes[i].count, takes[i].suit);
  }
  found.card_count = total;
  *record = found;
  return 1;
}

// ---- finders ----

int CCardRules::FindSingle(const int32_t* hand, int hand_n, const int32_t*, int size, int, CARD_COMBO* record) {
  if (hand_n < 1 || size < 1) return 0;
  LowestBeating pick{record->value};
  for (int i = 0; i < hand_n && hand[i] != -1; ++i) {
    if (ValidCard(hand[i])) pick.Offer(i, GetCardOrder(hand[i], GetLevelValue(), static_cast<int32_t>(rule_flags_)));
  }
  if (pick.best < 0) return 0;
  CARD_COMBO found;
  found.type = COMBO_SINGLE;
  found.beat_mask = COMBO_SINGLE;
  found.value = static_cast<uint32_t>(pick.best_score);
  found.card_count = 1;
  found.cards[0] = hand[pick.best];
  *record = found;
  return 1;
}

int CCardRules::FindPair(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                         CARD_COMBO* record) {
  if (hand_n < 1 || size < 1) return 0;
  int v = PickValueToBeat(counts, std::min(size, kValueSlots), 2, wildcards, record->value);
  if (v < 0) return 0;
  const Take takes[] = {{v, 2, -1}};
  return WriteFound(record, COMBO_PAIR, COMBO_PAIR, static_cast<uint32_t>(Order(v)), hand, hand_n, takes, 1);
}

int CCardRules::FindTriple(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                           CARD_COMBO* record) {
  if (hand_n < 1 || size < 1) return 0;
  int v = PickValueToBeat(counts, std::min(size, kValueSlots), 3, wildcards, record->value);
  if (v < 0) return 0;
  const Take takes[] = {{v, 3, -1}};
  return WriteFound(record, COMBO_TRIPLE, COMBO_TRIPLE, static_cast<uint32_t>(Order(v)), hand, hand_n, takes, 1);
}

int CCardRules::FindBomb(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                         CARD_COMBO* record, int bomb_size) {
  if (hand_n < 1 || size < 1) return 0;
  const int n = std::min(size, kValueSlots);
  const uint32_t to_beat = OwnTypeValue(*record, COMBO_BOMB);
  int first = bomb_size == 0 ? 4 : bomb_size;
  int last = bomb_size == 0 ? 4 * decks_ : bomb_size;
  for (int k = first; k <= last; ++k) {
    int v = PickValueToBeat(counts, n, k, wildcards, to_beat);
    if (v < 0) continue;
    const Take takes[] = {{v, k, -1}};
    return WriteFound(record, COMBO_BOMB, kBombBeatMask, static_cast<uint32_t>(Order(v) + 10000 * (k - 4)), hand,
                      hand_n, takes, 1);
  }
  return 0;
}

int CCardRules::FindLongSet(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                            CARD_COMBO* record, int set_size) {
  if (hand_n < 1 || size < 1) return 0;
  const int n = std::min(size, kValueSlots);
  const uint32_t to_beat = OwnTypeValue(*record, COMBO_LONG_SET);
  int first = set_size == 0 ? 6 : set_size;
  int last = set_size == 0 ? 10 : set_size;
  for (int k = first; k <= last; ++k) {
    int v = PickValueToBeat(counts, n, k, wildcards, to_beat);
    if (v < 0) continue;
    const Take takes[] = {{v, k, -1}};
    return WriteFound(record, COMBO_LONG_SET, 0, static_cast<uint32_t>(Order(v) + 10000 * (k - 4)), hand, hand_n, takes,
                      1);
  }
  return 0;
}

int CCardRules::FindTriplePair(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                               CARD_COMBO* record) {
  if (hand_n < 1 || size < 1) return 0;
  int32_t work[kValueSlots] = {};
  const int n = std::min(size, kValueSlots);
  std::memcpy(work, counts, sizeof(int32_t) * static_cast<size_t>(n));
  int a = -1, b = -1;
  if (!FindTwoGroups(work, n, 3, 2, wildcards, record->value, &a, &b)) return 0;
  const Take takes[] = {{a, 3, -1}, {b, 2, -1}};
  return WriteFound(record, COMBO_TRIPLE_PAIR, COMBO_TRIPLE_PAIR, static_cast<uint32_t>(Order(a) * 10000 + Order(b)),
                    hand, hand_n, takes, 2);
}

int CCardRules::FindStraight(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                             CARD_COMBO* record, int length) {
  if (hand_n < 1 || size < 1 || length != 5) return 0;
  if (record->type == COMBO_STRAIGHT && record->card_count != 5) return 0;
  LowestBeating pick{OwnTypeValue(*record, COMBO_STRAIGHT)};
  for (int start = 2; start <= 9; ++start) {
    int present = 0;
    for (int v = start; v < start + 5; ++v) present += CountAt(counts, size, v) > 0;
    if (present + wildcards >= 5) pick.Offer(start, SequenceOrder(start) + 100);
  }
  if (pick.best < 0) return 0;
  Take takes[5];
  for (int i = 0; i < 5; ++i) takes[i] = {pick.best + i, 1, -1};
  return WriteFound(record, COMBO_STRAIGHT, COMBO_STRAIGHT, static_cast<uint32_t>(pick.best_score), hand, hand_n, takes,
                    5);
}

namespace {
// The shortfall of wildcards a run of `steps` values from `start` needs for `per` cards each.
int RunShortfall(const int32_t* counts, int size, int start, int steps, int per) {
  int shortfall = 0;
  for (int v = start; v < start + steps; ++v) {
    int32_t have = CountAt(counts, size, v);
    if (have < per) shortfall += per - have;
  }
  return shortfall;
}
}  // namespace

int CCardRules::FindGroupStraight(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                                  CARD_COMBO* record, int steps, int per, uint32_t type) {
  if (hand_n < 1 || size < 1 || steps < 2 || steps > 12) return 0;
  if (record->type == type && record->card_count != per * steps) return 0;
  LowestBeating pick{OwnTypeValue(*record, type)};
  for (int start = 2; start <= 14 - steps; ++start) {
    if (RunShortfall(counts, size, start, steps, per) <= wildcards)
      pick.Offer(start, SequenceOrder(start) + 1000LL * steps);
  }
  if (pick.best < 0) return 0;
  Take takes[12];
  for (int i = 0; i < steps; ++i) takes[i] = {pick.best + i, per, -1};
  return WriteFound(record, type, type, static_cast<uint32_t>(pick.best_score), hand, hand_n, takes, steps);
}

int CCardRules::FindPairStraight(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                                 CARD_COMBO* record, int steps) {
  return FindGroupStraight(hand, hand_n, counts, size, wildcards, record, steps, 2, COMBO_PAIR_STRAIGHT);
}

int CCardRules::FindTripleStraight(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                                   CARD_COMBO* record, int steps) {
  return FindGroupStraight(hand, hand_n, counts, size, wildcards, record, steps, 3, COMBO_TRIPLE_STRAIGHT);
}

int CCardRules::FindTriplePairStraight(const int32_t* hand, int hand_n, const int32_t* counts, int size, int wildcards,
                                       CARD_COMBO* record, int steps) {
  if (hand_n < 1 || size < 1 || steps < 2 || steps > 12) return 0;
  if (record->type == COMBO_TRIPLE_PAIR_STRAIGHT && record->card_count != 5 * steps) return 0;
  const uint32_t to_beat = OwnTypeValue(*record, COMBO_TRIPLE_PAIR_STRAIGHT);
  int best_t = -1, best_p = -1;
  int64_t best_score = 0;
  for (int t = 2; t <= 14 - steps; ++t) {
    int triple_short = RunShortfall(counts, size, t, steps, 3);
    if (triple_short > wildcards) continue;
    int32_t left[kValueSlots] = {};
    for (int v = 0; v < kValueSlots; ++v) left[v] = CountAt(counts, size, v);
    for (int v = t; v < t + steps; ++v) left[v] = left[v] >= 3 ? left[v] - 3 : 0;
    for (int p = 2; p <= 14 - steps; ++p) {
      if (triple_short + RunShortfall(left, kValueSlots, p, steps, 2) > wildcards) continue;
      int64_t score = SequenceOrder(p) + 10000LL * steps + 100LL * SequenceOrder(t);
      if (score <= static_cast<int64_t>(to_beat)) continue;
      if (best_t < 0 || score < best_score) {
        best_t = t;
        best_p = p;
        best_score = score;
      }
    }
  }
  if (best_t < 0) return 0;
  Take takes[24];
  for (int i = 0; i < steps; ++i) {
    takes[2 * i] = {best_t + i, 3, -1};
    takes[2 * i + 1] = {best_p + i, 2, -1};
  }
  return WriteFound(record, COMBO_TRIPLE_PAIR_STRAIGHT, COMBO_TRIPLE_PAIR_STRAIGHT, static_cast<uint32_t>(best_score),
                    hand, hand_n, takes, 2 * steps);
}

int CCardRules::FindStraightFlush(const int32_t* hand, int hand_n, const int32_t*, int size, int, CARD_COMBO* record,
                                  int length) {
  if (hand_n < 1 || size < 1 || length < 1 || length > 13) return 0;
  // Its own table of suits 0..3 by value; a card of any other suit (the jokers) has no
  // place in it and does not count.
  int32_t suits[4][kValueSlots] = {};
  int wildcards = 0;
  const bool wild = (rule_flags_ & kRuleWildcards) != 0;
  for (int i = 0; i < hand_n && hand[i] != -1; ++i) {
    int32_t id = hand[i];
    if (!ValidCard(id)) continue;
    if (wild && IsWildcard(id)) {
      ++wildcards;
      continue;
    }
    int32_t suit = GetCardSuit(id, 0);
    int32_t value = GetCardValue(id, 0);
    if (suit < 0 || suit > 3 || value < 0 || value >= kValueSlots) continue;
    ++suits[suit][value];
  }
  const uint32_t to_beat = OwnTypeValue(*record, COMBO_STRAIGHT_FLUSH);
  static const int kLowRun[5] = {13, 1, 2, 3, 4};
  int best_suit = -1, best_start = -1;
  int64_t best_score = 0;
  auto consider = [&](int suit, int start, int64_t score) {
    if (score <= static_cast<int64_t>(to_beat)) return;
    if (best_suit < 0 || score < best_score) {
      best_suit = suit;
      best_start = start;
      best_score = score;
    }
  };
  for (int suit = 0; suit < 4; ++suit) {
    for (int start = 1; start <= 14 - length; ++start) {
      int present = 0;
      for (int v = start; v < start + length; ++v) present += suits[suit][v] > 0;
      if (present + wildcards >= length) consider(suit, start, SequenceOrder(start) + 100);
    }
    // With nothing to beat, the run K, A, 2, 3, 4 leads as the lowest of all.
    if (to_beat == 0 && length == 5) {
      int present = 0;
      for (int v : kLowRun) present += suits[suit][v] > 0;
      if (present + wildcards >= length) consider(suit, 0, SequenceOrder(0) + 100);
    }
  }
  if (best_suit < 0) return 0;
  Take takes[13];
  for (int i = 0; i < length; ++i) {
    int32_t value = best_start == 0 ? kLowRun[i] : best_start + i;
    takes[i] = {value, 1, best_suit};
  }
  return WriteFound(record, COMBO_STRAIGHT_FLUSH, 0, static_cast<uint32_t>(best_score), hand, hand_n, takes, length);
}

int CCardRules::FindFourJokers(const int32_t* hand, int hand_n, const int32_t* counts, int size, int,
                               CARD_COMBO* record) {
  if (hand_n < 1 || size < 16) return 0;
  if (counts[14] != 2 || counts[15] != 2) return 0;
  if (record->type == COMBO_FOUR_JOKERS && record->value != 0) return 0;
  const Take takes[] = {{14, 2, -1}, {15, 2, -1}};
  return WriteFound(record, COMBO_FOUR_JOKERS, kJokerBeatMask, 1, hand, hand_n, takes, 2);
}

// ---- list adders ----

template <typename Finder>
int CCardRules::AddWith(const int32_t* cards, int n, CARD_COMBO_LIST* list, bool repeated, Finder finder) {
  int32_t counts[kValueSlots] = {};
  int wildcards = 0;
  CountHandByValue(cards, n, counts, kValueSlots, &wildcards);
  CARD_COMBO& record = list->records[list->count];
  record.Clear();
  if (!finder(counts, wildcards, &record)) return 0;
  if (repeated) {
    // Each further success is a stronger reading of the same cards.
    CARD_COMBO next = record;
    for (int guard = 0; guard < 64 && finder(counts, wildcards, &next); ++guard) record = next;
  }
  ++list->count;
  return 1;
}

namespace {
bool ListHasRoom(int n, const CARD_COMBO_LIST* list) {
  return list != nullptr && n >= 1 && list->count >= 0 && list->count < kComboListCapacity;
}
}  // namespace

int CCardRules::AddSingle(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list) {
  if (!ListHasRoom(n, list) || selected != 1 || !ValidCard(cards[0])) return 0;
  return AddWith(cards, n, list, false,
                 [&](const int32_t* c, int w, CARD_COMBO* r) { return FindSingle(cards, n, c, kValueSlots, w, r); });
}

int CCardRules::AddPair(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list) {
  if (!ListHasRoom(n, list) || selected != 2) return 0;
  return AddWith(cards, n, list, true,
                 [&](const int32_t* c, int w, CARD_COMBO* r) { return FindPair(cards, n, c, kValueSlots, w, r); });
}

int CCardRules::AddTriple(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list) {
  if (!ListHasRoom(n, list) || selected != 3) return 0;
  return AddWith(cards, n, list, false,
                 [&](const int32_t* c, int w, CARD_COMBO* r) { return FindTriple(cards, n, c, kValueSlots, w, r); });
}

int CCardRules::AddBomb(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list) {
  if (!ListHasRoom(n, list) || selected < 4) return 0;
  return AddWith(cards, n, list, false, [&](const int32_t* c, int w, CARD_COMBO* r) {
    return FindBomb(cards, n, c, kValueSlots, w, r, selected);
  });
}

int CCardRules::AddLongSet(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list) {
  if (!ListHasRoom(n, list) || selected < 6 || selected > 8) return 0;
  return AddWith(cards, n, list, false, [&](const int32_t* c, int w, CARD_COMBO* r) {
    return FindLongSet(cards, n, c, kValueSlots, w, r, selected);
  });
}

int CCardRules::AddTriplePair(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list) {
  if (!ListHasRoom(n, list) || selected != 5) return 0;
  return AddWith(cards, n, list, true, [&](const int32_t* c, int w, CARD_COMBO* r) {
    return FindTriplePair(cards, n, c, kValueSlots, w, r);
  });
}

int CCardRules::AddStraight(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list) {
  if (!ListHasRoom(n, list) || selected != 5) return 0;
  return AddWith(cards, n, list, true, [&](const int32_t* c, int w, CARD_COMBO* r) {
    return FindStraight(cards, n, c, kValueSlots, w, r, 5);
  });
}

int CCardRules::AddPairStraight(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list) {
  if (!ListHasRoom(n, list) || selected < 4 || selected % 2 != 0) return 0;
  return AddWith(cards, n, list, false, [&](const int32_t* c, int w, CARD_COMBO* r) {
    return FindPairStraight(cards, n, c, kValueSlots, w, r, selected / 2);
  });
}

int CCardRules::AddTripleStraight(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list) {
  if (!ListHasRoom(n, list) || selected < 6 || selected % 3 != 0) return 0;
  return AddWith(cards, n, list, false, [&](const int32_t* c, int w, CARD_COMBO* r) {
    return FindTripleStraight(cards, n, c, kValueSlots, w, r, selected / 3);
  });
}

int CCardRules::AddTriplePairStraight(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list) {
  if (!ListHasRoom(n, list) || selected < 10 || selected % 5 != 0) return 0;
  return AddWith(cards, n, list, false, [&](const int32_t* c, int w, CARD_COMBO* r) {
    return FindTriplePairStraight(cards, n, c, kValueSlots, w, r, selected / 5);
  });
}

int CCardRules::AddStraightFlush(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list) {
  if (!ListHasRoom(n, list) || selected != 5) return 0;
  return AddWith(cards, n, list, true, [&](const int32_t* c, int w, CARD_COMBO* r) {
    return FindStraightFlush(cards, n, c, kValueSlots, w, r, 5);
  });
}

int CCardRules::AddFourJokers(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list) {
  if (!ListHasRoom(n, list) || selected != 4) return 0;
  return AddWith(cards, n, list, false, [&](const int32_t* c, int w, CARD_COMBO* r) {
    return FindFourJokers(cards, n, c, kValueSlots, w, r);
  });
}

int CCardRules::AddAnyCombo(const int32_t* cards, int n, int selected, CARD_COMBO_LIST* list) {
  if (list == nullptr || list->count < 0 || list->count >= kComboListCapacity) return 0;
  CARD_COMBO& record = list->records[list->count];
  record.Clear();
  record.type = COMBO_ANY;
  record.beat_mask = kJokerBeatMask;
  record.value = 1;
  int count = std::clamp(selected, 0, std::min(n, kComboMaxCards));
  record.card_count = count;
  for (int i = 0; i < count; ++i) record.cards[i] = cards[i];
  ++list->count;
  return 1;
}

// ---- the selection as a whole ----

bool CCardRules::FindAllCombos(int, const int32_t* cards, int n, CARD_COMBO_LIST* list, uint32_t type_mask) {
  if (list == nullptr || cards == nullptr) return false;
  const int selected = CountValidCards(cards, n);
  using Adder = int (CCardRules::*)(const int32_t*, int, int, CARD_COMBO_LIST*);
  struct Step {
    uint32_t type;
    Adder adder;
  };
  static const Step kSteps[] = {
      {COMBO_SINGLE, &CCardRules::AddSingle},
      {COMBO_PAIR, &CCardRules::AddPair},
      {COMBO_TRIPLE, &CCardRules::AddTriple},
      {COMBO_TRIPLE_PAIR, &CCardRules::AddTriplePair},
      {COMBO_STRAIGHT, &CCardRules::AddStraight},
      {COMBO_PAIR_STRAIGHT, &CCardRules::AddPairStraight},
      {COMBO_TRIPLE_STRAIGHT, &CCardRules::AddTripleStraight},
      {COMBO_TRIPLE_PAIR_STRAIGHT, &CCardRules::AddTriplePairStraight},
      {COMBO_BOMB, &CCardRules::AddBomb},
      {COMBO_STRAIGHT_FLUSH, &CCardRules::AddStraightFlush},
      {COMBO_LONG_SET, &CCardRules::AddLongSet},
      {COMBO_FOUR_JOKERS, &CCardRules::AddFourJokers},
      {COMBO_ANY, &CCardRules::AddAnyCombo},
  };
  for (const Step& step : kSteps) {
    if (type_mask & step.type) (this->*step.adder)(cards, n, selected, list);
  }
  return list->count >= 1;
}

bool CCardRules::CanBeat(const CARD_COMBO& on_table, const CARD_COMBO& candidate) {
  if ((on_table.type & candidate.beat_mask) != on_table.type) return false;
  return candidate.type != on_table.type || candidate.value > on_table.value;
}

namespace {
// Copies the winner into place 0. Its card count goes with it: the table view reads the
// cards up to the first -1, and a count that disagreed with them would mislead any other reader.
void MoveToFront(CARD_COMBO_LIST* list, const CARD_COMBO& winner) {
  CARD_COMBO copy = winner;
  CARD_COMBO& front = list->records[0];
  front.type = copy.type;
  front.value = copy.value;
  front.beat_mask = copy.beat_mask;
  front.card_count = copy.card_count;
  std::memcpy(front.cards, copy.cards, sizeof front.cards);
  list->count = 1;
}
}  // namespace

int CCardRules::PickBestCombo(CARD_COMBO_LIST* list) {
  if (list == nullptr || list->count < 2) return 1;
  int count = std::min(list->count, kComboListCapacity);
  int best = 0;
  for (int i = 1; i < count; ++i) {
    if (CanBeat(list->records[best], list->records[i])) best = i;
  }
  if (best != 0) MoveToFront(list, list->records[best]);
  return 1;
}

int CCardRules::FindBeatingCombo(const CARD_COMBO& to_beat, CARD_COMBO_LIST* list) {
  if (list == nullptr) return 0;
  int count = std::clamp(list->count, 0, kComboListCapacity);
  const CARD_COMBO* best = &to_beat;
  for (int i = 0; i < count; ++i) {
    if (CanBeat(*best, list->records[i])) best = &list->records[i];
  }
  if (best == &to_beat) return 0;
  MoveToFront(list, *best);
  return 1;
}

}  // namespace table
