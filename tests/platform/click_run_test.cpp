// ctest-labels: window
// The system's double click: two presses of one button on one window within the double-click
// time, by the stamps they were made with, and within the double-click rectangle on the screen,
// with no drag between.
#include "platform/click_run.h"

#include <gtest/gtest.h>

namespace {

using platform::MessageTime;
using platform::POINT;

MessageTime At(uint32_t ms, MessageTime::Clock clock = MessageTime::kSystem) { return MessageTime{ms, clock}; }

// Two windows, by their addresses alone (the run never looks inside one).
const char kTwoWindows[2] = {};
const auto* const kWindow = reinterpret_cast<const platform::Window*>(&kTwoWindows[0]);
const auto* const kOtherWindow = reinterpret_cast<const platform::Window*>(&kTwoWindows[1]);

TEST(ClickRun, TheSecondPressSoonAtOnePlaceOfTheScreenIsADoubleClickUnlessADragCameBetween) {
  platform::ClickRun run;
  const auto* window = kWindow;
  EXPECT_FALSE(run.Press(window, 1, POINT{400, 113}, At(1000)));
  run.Moved(POINT{403, 110}, true);                           // a wobble with the button held
  EXPECT_TRUE(run.Press(window, 1, POINT{402, 111}, At(1499)));   // 2 pixels off, 499 ms on
  EXPECT_FALSE(run.Press(window, 1, POINT{402, 111}, At(1550)));  // the third press starts again
  // Too late, too far across or down, another button, a drag away and back: each starts a run of
  // its own.
  EXPECT_FALSE(run.Press(window, 1, POINT{402, 111}, At(2050)));
  EXPECT_FALSE(run.Press(window, 1, POINT{405, 111}, At(2100)));
  EXPECT_FALSE(run.Press(window, 1, POINT{405, 114}, At(2200)));
  EXPECT_FALSE(run.Press(window, 3, POINT{405, 114}, At(2300)));
  EXPECT_FALSE(run.Press(window, 1, POINT{405, 114}, At(2400)));
  run.Moved(POINT{409, 114}, true);
  run.Moved(POINT{405, 114}, true);
  EXPECT_FALSE(run.Press(window, 1, POINT{405, 114}, At(2500)));
  // The pointer's way with no button held is no drag.
  run.Moved(POINT{420, 130}, false);
  run.Moved(POINT{405, 114}, false);
  EXPECT_TRUE(run.Press(window, 1, POINT{405, 114}, At(2600)));
  // The clock may wrap.
  EXPECT_FALSE(run.Press(window, 1, POINT{10, 10}, At(0xFFFFFF00u)));
  EXPECT_TRUE(run.Press(window, 1, POINT{10, 10}, At(0x10u)));
}

// A window that hid on the first press hands the second to the window under it; a press stamped
// by another clock than the first (SDL's where the system's stamp was missing) cannot be set
// against it.
TEST(ClickRun, BothPressesAreMadeOnOneWindowAndStampedByOneClock) {
  platform::ClickRun run;
  const auto* popup = kWindow;
  const auto* under = kOtherWindow;
  EXPECT_FALSE(run.Press(popup, 1, POINT{300, 200}, At(1000)));
  EXPECT_FALSE(run.Press(under, 1, POINT{300, 200}, At(1150)));
  EXPECT_FALSE(run.Press(under, 1, POINT{300, 200}, At(1300, MessageTime::kSdl)));
  EXPECT_TRUE(run.Press(under, 1, POINT{300, 200}, At(1450, MessageTime::kSdl)));
}

}  // namespace
