// The table scene at 1024 x 768 with the default skin: three 32-card hands (the user's face up,
// the others' backs), the three boards, the background and the buttons, drawn by the real
// paint module.
//   SweepFrame  one engine frame while the pointer sweeps across the user's hand with the button
//               held: each frame one more card (or, sweeping back, one card fewer) is marked
//   FullRedraw  the same table painted whole
//   FullRedrawBesidePixman  the full redraw beside pixman compositing the same layers upright
#include <benchmark/benchmark.h>

#include <cstdint>
#include <numeric>
#include <vector>

#include "bench/table_scene.h"
#include "engine/core/input_module.h"
#include "table/table_messages.h"

namespace {

using bench::FullRedraw;
using bench::FullRedrawBesidePixman;
using bench::kHand;

// The cards in order: chair 0 holds 0-31, chair 1 32-63, chair 2 64-95.
std::vector<int32_t> CardsInOrder() {
  std::vector<int32_t> ids(3 * kHand);
  std::iota(ids.begin(), ids.end(), 0);
  return ids;
}

struct Table : bench::TableScene<table::CTableView> {
  Table() : TableScene(CardsInOrder()) {
    Frame();
    objects->RedrawAll();
  }
  // Sends the view what a card of the user's hand sends it, with the pointer at x.
  void CardMessage(uint32_t id, table::CCardView* card, int32_t x) {
    snapshot.x = x;
    snapshot.y = static_cast<int32_t>(card->GetY());
    const engine::ObjectMessage m = engine::MakeMessage(view->GetKey(), id, reinterpret_cast<uintptr_t>(card),
                                                        reinterpret_cast<uintptr_t>(&snapshot));
    view->OnMessage(&m);
  }
  table::CCardView* OwnCard(int index) {
    for (int i = 0; i < kHand; ++i) {
      if (view->CardView(i)->index == index) return view->CardView(i);
    }
    return nullptr;
  }

  engine::InputSnapshot snapshot;
};

void SweepFrame(benchmark::State& state) {
  Table table;
  table::CCardView* first = table.OwnCard(0);
  const int spacing = first->GetOwnSpacing();
  const int left = static_cast<int>(first->GetLeft());
  table.CardMessage(table::view_msg::kCardLeftDown, first, left + 2);
  int reach = 0;
  int step = 1;
  for (auto _ : state) {
    if (reach + step < 0 || reach + step >= kHand) step = -step;
    reach += step;
    // Over the strip of card `reach` that no later card covers.
    table.CardMessage(table::view_msg::kCardMove, first, left + reach * spacing + spacing / 2);
    table.Frame();
    benchmark::DoNotOptimize(table.paint->PresentLayer());
  }
  // Cards marked when the timing ended: the sweep did reach over the hand.
  int marked = 0;
  for (int i = 0; i < kHand; ++i) marked += table.view->CardView(i)->swept;
  state.counters["marked"] = marked;
}
BENCHMARK(SweepFrame)->Unit(benchmark::kMicrosecond);

BENCHMARK_TEMPLATE(FullRedraw, Table)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(FullRedrawBesidePixman, Table)->Unit(benchmark::kMicrosecond);

}  // namespace
