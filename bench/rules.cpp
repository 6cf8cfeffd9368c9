// The hint search (every finder at every length the table view tries: each type's weakest
// combination that beats the table) beside the brute-force enumeration the tests use as
// their reference, over random hands of 20 and 32 cards from four decks.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "table/card_rules.h"
#include "tests/support/combo_oracle.h"
#include "tests/support/hint_sweep.h"

namespace {

std::vector<std::vector<int32_t>> Hands(int size, int count) {
  std::mt19937 rng(static_cast<uint32_t>(size) * 7919u);
  std::vector<std::vector<int32_t>> hands;
  for (int i = 0; i < count; ++i) {
    std::vector<int32_t> deck(216);
    for (int id = 0; id < 216; ++id) deck[id] = id;
    std::shuffle(deck.begin(), deck.end(), rng);
    deck.resize(static_cast<size_t>(size));
    hands.push_back(deck);
  }
  return hands;
}

// Nothing on the table (every type is searched) or a pair of 7s (pairs, bombs and four jokers).
table::CARD_COMBO TableFor(int64_t kind) {
  table::CARD_COMBO c;
  if (kind == 1) {
    c.type = table::COMBO_PAIR;
    c.beat_mask = table::COMBO_PAIR;
    c.value = 7;
    c.card_count = 2;
  }
  return c;
}

void BM_HintSearch(benchmark::State& state) {
  const auto hands = Hands(static_cast<int>(state.range(0)), 64);
  const table::CARD_COMBO on_table = TableFor(state.range(1));
  size_t i = 0;
  size_t found = 0;
  for (auto _ : state) {
    // As the table view does: a fresh search object for every search.
    table::SearchRules search;
    auto result = hint_sweep::Sweep(search.rules(), hands[i++ % hands.size()], on_table);
    found += result.size();
    benchmark::DoNotOptimize(result);
  }
  state.counters["found_per_hand"] = static_cast<double>(found) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_HintSearch)->Args({20, 0})->Args({32, 0})->Args({20, 1})->Args({32, 1})->Unit(benchmark::kMicrosecond);

void BM_BruteForce(benchmark::State& state) {
  const auto hands = Hands(static_cast<int>(state.range(0)), 64);
  const table::CARD_COMBO on_table = TableFor(state.range(1));
  size_t i = 0;
  size_t found = 0;
  for (auto _ : state) {
    auto result = combo_oracle::WeakestBeating(hands[i++ % hands.size()], on_table, 4);
    found += result.size();
    benchmark::DoNotOptimize(result);
  }
  state.counters["found_per_hand"] = static_cast<double>(found) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_BruteForce)->Args({20, 0})->Args({32, 0})->Args({20, 1})->Args({32, 1})->Unit(benchmark::kMillisecond);

}  // namespace
