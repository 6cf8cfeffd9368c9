// ctest-labels: window tsan
// Frame timer ids come from one counter for the whole program; this program holds only this test
// so that nothing else takes an id first.
#include <gtest/gtest.h>

#include "engine/core/quillaron_wnd.h"
#include "engine/core/rect_object.h"
#include "platform/clock.h"
#include "platform/window.h"

namespace {

TEST(FrameTimerIds, EachEngineStartTakesTheNextId) {
  platform::ScopedManualClock clock;
  ASSERT_TRUE(platform::InitWindowSystem(platform::WindowBackendKind::kHeadless));
  {
    engine::CQuillaronWnd first, second;
    ASSERT_TRUE(first.CreateEngineWindow("a", platform::WS_VISIBLE, 0, engine::RECT{0, 0, 200, 100}, nullptr));
    ASSERT_TRUE(second.CreateEngineWindow("b", platform::WS_VISIBLE, 0, engine::RECT{0, 0, 200, 100}, nullptr));
    first.InitEngine(new engine::RectObject(), nullptr);
    second.InitEngine(new engine::RectObject(), nullptr);
    EXPECT_EQ(first.GetTimerId(), engine::CQuillaronWnd::kFirstTimerId);
    EXPECT_EQ(second.GetTimerId(), engine::CQuillaronWnd::kFirstTimerId + 1);
    // A second start on the same window takes a new id and stops the old timer.
    first.InitEngine(nullptr, nullptr);
    EXPECT_EQ(first.GetTimerId(), engine::CQuillaronWnd::kFirstTimerId + 2);
    EXPECT_FALSE(first.KillTimer(engine::CQuillaronWnd::kFirstTimerId));
    EXPECT_TRUE(first.KillTimer(engine::CQuillaronWnd::kFirstTimerId + 2));
    first.DestroyWindow();
    second.DestroyWindow();
  }
  platform::ShutdownWindowSystem();
}

}  // namespace
