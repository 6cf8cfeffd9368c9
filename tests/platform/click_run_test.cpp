// ctest-labels: window
// The system's double click: two presses of one button within the double-click time, by the
// input's own clock, and within the double-click rectangle on the screen, with no drag between.
#include "platform/click_run.h"

#include <gtest/gtest.h>

namespace {

using platform::POINT;

TEST(ClickRun, TheSecondPressSoonAtOnePlaceOfTheScreenIsADoubleClickUnlessADragCameBetween) {
  platform::ClickRun run;
  EXPECT_FALSE(run.Press(1, POINT{400, 113}, 1000));
  run.Moved(POINT{403, 110}, true);                   // a wobble with the button held
  EXPECT_TRUE(run.Press(1, POINT{402, 111}, 1499));   // 2 pixels off, 499 ms on
  EXPECT_FALSE(run.Press(1, POINT{402, 111}, 1550));  // the third press starts again
  // Too late, too far, another button, a drag away and back: each starts a run of its own.
  EXPECT_FALSE(run.Press(1, POINT{402, 111}, 2050));
  EXPECT_FALSE(run.Press(1, POINT{405, 111}, 2100));
  EXPECT_FALSE(run.Press(3, POINT{405, 111}, 2200));
  EXPECT_FALSE(run.Press(1, POINT{405, 111}, 2300));
  run.Moved(POINT{409, 111}, true);
  run.Moved(POINT{405, 111}, true);
  EXPECT_FALSE(run.Press(1, POINT{405, 111}, 2400));
  // The input's clock may wrap.
  EXPECT_FALSE(run.Press(1, POINT{10, 10}, 0xFFFFFF00u));
  EXPECT_TRUE(run.Press(1, POINT{10, 10}, 0x10u));
}

}  // namespace
