// The user's turn at the 1024 x 768 table with the default skin: a 32-card hand (default card
// values) against a pair on the table, the other seats' 32 backs, drawn by the real paint module.
//   TurnToHint        the turn notification (the play buttons, the check whether anything beats
//                     the table) and the hint button (the next hint selected, the play button
//                     enabled)
//   TurnToHintFrame   the same, and the engine frame that draws it
//   FullRedraw        the same table painted whole
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <vector>

#include "bench/table_scene.h"
#include "engine/ui/image_button.h"
#include "shell/game_handler.h"
#include "table/card_rules.h"

namespace {

using bench::FullRedraw;
using bench::kHand;

// A game's table: its own record of the table.
class GameTable : public table::CTableView {
 public:
  table::TableGameState* GetGameState() override { return &state; }
  table::TableGameState state;
};

// Two default decks, shuffled.
std::vector<int32_t> ShuffledDecks() {
  std::vector<int32_t> deck(108);
  std::iota(deck.begin(), deck.end(), 0);
  std::mt19937 random(5);
  std::shuffle(deck.begin(), deck.end(), random);
  return deck;
}

struct Table : bench::TableScene<GameTable> {
  Table() : TableScene(ShuffledDecks()) {
    // Chair 1 played a pair of 3s (it lies on the table); the turn is the user's.
    view->state.chair_on_table = 1;
    table::SearchRules search;
    table::CARD_COMBO_LIST list;
    const int32_t threes[2] = {2, 15};
    search->FindAllCombos(1, threes, 2, &list, table::kJokerBeatMask);
    view->state.combo = list.records[0];
    app.GetTableStateHolder()->SetActiveChair(0);
    Frame();
    objects->RedrawAll();
  }
  // The turn notification and the hint button.
  void TurnAndHint() {
    view->ClearSelection();
    view->OnTurnNotify(shell::NotifyBody{});
    view->ShowNextHint();
  }
};

void TurnToHint(benchmark::State& state) {
  Table table;
  for (auto _ : state) {
    table.TurnAndHint();
    benchmark::DoNotOptimize(table.view->CountSelected());
  }
  state.counters["selected"] = table.view->CountSelected();
  state.counters["enabled"] = table.view->GetThrowButton()->TakesInput();
}
BENCHMARK(TurnToHint)->Unit(benchmark::kMicrosecond);

void TurnToHintFrame(benchmark::State& state) {
  Table table;
  for (auto _ : state) {
    table.TurnAndHint();
    table.Frame();
    benchmark::DoNotOptimize(table.paint->PresentLayer());
  }
  state.counters["selected"] = table.view->CountSelected();
  state.counters["enabled"] = table.view->GetThrowButton()->TakesInput();
}
BENCHMARK(TurnToHintFrame)->Unit(benchmark::kMicrosecond);

BENCHMARK_TEMPLATE(FullRedraw, Table)->Unit(benchmark::kMicrosecond);

}  // namespace
