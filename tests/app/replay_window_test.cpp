// ctest-labels: replay window
// The replay bar on a real X server (Xvfb, 1920 x 1080), once on its own and once under a window
// manager (openbox): the client plays the sample replay with --report, which says after each
// settled step where the table and the bar lie. The bar stays on the table when the window is
// restored by a double click on its title strip and (with no window manager to refuse it) when
// the window system imposes a size; once the user drags it, it keeps the user's place through a
// new size, a drag past the table's edge leaves it at the edge, and a smaller window pulls it in.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>

#include "tests/support/xvfb_run.h"

namespace {

namespace fs = std::filesystem;
using test::XvfbSession;

struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// One "shown" line of the report in replay mode.
struct Report {
  bool ok = false;
  int width = 0, height = 0;
  Box table, bar;
  bool BarOnTable() const {
    return bar.left >= table.left && bar.top >= table.top && bar.right <= table.right && bar.bottom <= table.bottom;
  }
};

Report Parse(const std::string& line) {
  std::istringstream in(line);
  std::string shown, table, bar;
  int x = 0, y = 0;
  Report r;
  in >> shown >> x >> y >> r.width >> r.height >> table >> r.table.left >> r.table.top >> r.table.right >>
      r.table.bottom >> bar >> r.bar.left >> r.bar.top >> r.bar.right >> r.bar.bottom;
  r.ok = !in.fail() && shown == "shown" && table == "table" && bar == "bar";
  return r;
}

class ReplayWindow : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    const std::string window_manager = GetParam() ? "openbox" : "";
    if (!XvfbSession::Available(window_manager)) GTEST_SKIP() << "Xvfb or openbox is not installed";
    const fs::path client = fs::path(ZP_BINARY_DIR) / "app" / "zipai-client";
    const fs::path sample = fs::path(ZP_BINARY_DIR) / "app" / "sample.rep";
    ASSERT_TRUE(fs::exists(sample)) << sample;
    std::string error;
    ASSERT_TRUE(session_.Start(fs::current_path() / "x", {1920, 1080, window_manager}, &error)) << error;
    ASSERT_TRUE(session_.Launch(
        "'" + client.native() + "' --report --screenshot shown.png '" + sample.native() + "' 2>client.log", &error))
        << error;
  }

  // The client's reports until one passes `want` (the client goes on after each that does not).
  // A step that does not come to pass fails the test at once (fatally), and every step after it
  // returns at once.
  Report Await(const char* step, const std::function<bool(const Report&)>& want) {
    if (HasFatalFailure()) return {};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    std::string seen;
    for (bool first = true;; first = false) {
      if (!first) session_.Answer();
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      std::string line;
      if (left.count() <= 0 || !session_.NextLine(&line, static_cast<int>(left.count()))) {
        [&] { FAIL() << step << ": last seen " << seen << "\n" << test::ReadTextFile(session_.work() / "client.log"); }();
        return {};
      }
      seen = line;
      const Report r = Parse(line);
      if (r.ok && want(r)) return r;
    }
  }
  // The hand's gesture, one sequence (nothing once a step has failed).
  void Hand(const std::string& moves) {
    if (HasFatalFailure()) return;
    ASSERT_TRUE(session_.Hand(moves)) << moves;
  }
  // The hand drags the bar by its plate's left end (left of its buttons) by (dx, dy), in the window
  // at (x, y). It comes onto the plate before it presses: a pointer that stands still (where the
  // last drag let go) is not seen over an object that has moved under it until the engine's
  // 100 ms input tick, which a client stopped at its report has not run since the bar moved.
  void DragBar(const Report& r, int x, int y, int dx, int dy) {
    const int from_x = x + r.bar.left + 6;
    const int from_y = y + (r.bar.top + r.bar.bottom) / 2;
    // A hand's pace: a pause before the press, the way in steps of 30 pixels at most 20 ms apart.
    std::string moves = "mousemove " + At(from_x + 1, from_y) + " sleep 0.03 mousemove " + At(from_x, from_y) +
                        " sleep 0.1 mousedown 1";
    const int steps = std::max(2, (std::max(std::abs(dx), std::abs(dy)) + 29) / 30);
    for (int i = 1; i <= steps; ++i)
      moves += " sleep 0.02 mousemove " + At(from_x + dx * i / steps, from_y + dy * i / steps);
    Hand(moves + " sleep 0.05 mouseup 1");
  }
  static std::string At(int x, int y) { return std::to_string(x) + " " + std::to_string(y); }

  XvfbSession session_;
};

TEST_P(ReplayWindow, TheBarStaysOnTheTableThroughRestoreAndImposedSizesAndKeepsTheUsersPlace) {
  const Report maximised = Await("start", [](const Report&) { return true; });
  ASSERT_TRUE(maximised.ok);
  EXPECT_TRUE(maximised.BarOnTable());

  // Restored by a double click on the title strip: a smaller table, the bar on it.
  Hand("mousemove 900 13 mousedown 1 sleep 0.08 mouseup 1 sleep 0.15 mousedown 1 sleep 0.08 mouseup 1");
  session_.Answer();
  const Report restored = Await("restore", [&](const Report& r) { return r.width < maximised.width; });
  EXPECT_TRUE(restored.BarOnTable()) << "restored";
  EXPECT_LT(restored.table.right, maximised.table.right);

  Report placed = restored;
  if (!GetParam()) {
    // A size the window system imposes (without a window manager, which may refuse it): the bar
    // on the table again.
    session_.OnClientWindow("xdotool windowsize $w 900 650");
    session_.Answer();
    placed = Await("imposed size", [](const Report& r) { return r.width == 900 && r.height == 650; });
    EXPECT_TRUE(placed.BarOnTable()) << "imposed";
  }

  // The user drags the bar down and left: it stays where it was put.
  XvfbSession::Geometry at = session_.ClientGeometry();
  DragBar(placed, at.x, at.y, -120, 150);
  session_.Answer();
  const Report dragged = Await("drag", [&](const Report& r) { return r.bar.top != placed.bar.top; });
  EXPECT_EQ(dragged.bar.left, placed.bar.left - 120);
  EXPECT_EQ(dragged.bar.top, placed.bar.top + 150);
  Report last = dragged;
  if (!GetParam()) {
    // Through another size too.
    session_.OnClientWindow("xdotool windowsize $w 1000 700");
    session_.Answer();
    last = Await("larger", [](const Report& r) { return r.width == 1000 && r.height == 700; });
    EXPECT_EQ(last.bar.left, dragged.bar.left);
    EXPECT_EQ(last.bar.top, dragged.bar.top);
  }

  // Dragged past the table's right edge, it stops at the edge.
  at = session_.ClientGeometry();
  DragBar(last, at.x, at.y, 900, 0);
  session_.Answer();
  const Report edge = Await("drag to the edge", [&](const Report& r) { return r.bar.left != last.bar.left; });
  EXPECT_EQ(edge.bar.right, edge.table.right);
  EXPECT_TRUE(edge.BarOnTable());

  if (!GetParam()) {
    // A window smaller than the bar's place: the bar comes along, still on the table.
    session_.OnClientWindow("xdotool windowsize $w 820 600");
    session_.Answer();
    const Report smaller = Await("smaller", [](const Report& r) { return r.width == 820 && r.height == 600; });
    EXPECT_TRUE(smaller.BarOnTable()) << "smaller";
  }
}

INSTANTIATE_TEST_SUITE_P(Desktops, ReplayWindow, ::testing::Bool(), [](const ::testing::TestParamInfo<bool>& info) {
  return info.param ? "UnderOpenbox" : "WithoutWindowManager";
});

}  // namespace
