// The real window's repaint of one moved card beside the engine frame alone: the table scene of
// the table benchmarks in the host window, shown in an SDL window, at 1024 x 768 and at twice that
// area. It needs a display; scripts/bench runs this program under Xvfb when there is none.
//   OneCardRepaint/<width>x<height>  each iteration moves one card of the user's hand by a pixel
//       and back: the peer runs the engine frame and drops the window's paint; ours runs the engine
//       frame and lets the loop paint and show it (conversion of the invalid area, upload, present).
//       ratio = ours / peer in processor time of this program; a present that follows the invalid
//       area keeps it flat in window area.
//   OneCardRepaintWall/<width>x<height>  the same in wall time: with the waits for the X server,
//       which answers each upload (and on a busy machine waits for a processor itself).
#include <benchmark/benchmark.h>

#include <chrono>
#include <numeric>
#include <string>
#include <vector>

#include "bench/side_by_side.h"
#include "bench/table_scene.h"
#include "engine/core/quillaron_wnd.h"
#include "platform/window.h"

namespace {

// The host window, with its modules in reach.
class Host : public engine::CQuillaronWnd {
 public:
  using CQuillaronWnd::Paint;
};

std::vector<int32_t> CardsInOrder() {
  std::vector<int32_t> ids(3 * bench::kHand);
  std::iota(ids.begin(), ids.end(), 0);
  return ids;
}

template <class Clock>
void OneCardRepaint(benchmark::State& state, int width, int height) {
  // One window system for every size (started once, as the client does).
  static const bool have_display = platform::InitWindowSystem(platform::WindowBackendKind::kSdl);
  if (!have_display) {
    state.SkipWithError("no display: run it under xvfb-run");
    return;
  }
  {
    platform::ScopedManualClock clock(1000);
    Host host;
    host.CreateEngineWindow("bench", platform::WS_POPUP | platform::WS_VISIBLE, 0, platform::RECT{0, 0, width, height},
                            nullptr);
    auto* root = new engine::RectObject();
    host.InitEngine(root, nullptr);
    // Frames run when the benchmark says, not on the window's timer.
    host.KillTimer(host.GetTimerId());
    bench::TableScene<table::CTableView> table(CardsInOrder(), host.GetCore(), root, width, height);
    table.objects->RedrawAll();
    for (int i = 0; i < 10; ++i) platform::PumpMessages();

    engine::EngineObject* card = table.view->CardView(5);
    auto step = [&](double dx) {
      card->MoveBy(dx, 0.0);
      card->Invalidate();
      table.Frame();
    };
    bench::SideBySide<Clock>(
        state,
        [&] {
          step(-1.0);
          platform::PumpMessages();
        },
        [&] {
          step(1.0);
          host.ValidateRect(nullptr);
        });
    state.counters["presents"] = static_cast<double>(host.PresentCount());
    host.DestroyWindow();
  }
}

const bool registered = [] {
  const int sizes[][2] = {{1024, 768}, {1400, 1124}};
  for (const auto& size : sizes) {
    const int w = size[0], h = size[1];
    const std::string name = std::to_string(w) + "x" + std::to_string(h);
    benchmark::RegisterBenchmark(("OneCardRepaint/" + name).c_str(), [=](benchmark::State& st) {
      OneCardRepaint<bench::ThreadCpuClock>(st, w, h);
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("OneCardRepaintWall/" + name).c_str(), [=](benchmark::State& st) {
      OneCardRepaint<std::chrono::steady_clock>(st, w, h);
    })->Unit(benchmark::kMicrosecond);
  }
  return true;
}();

}  // namespace
