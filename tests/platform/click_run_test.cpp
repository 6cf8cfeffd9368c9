// ctest-labels: window
// The system's double click: two presses of one button within the double-click time, by the
// input's own clock, and within the double-click rectangle on the screen, with no drag between.
#include "platform/click_run.h"

#include <gtest/gtest.h>

namespace {

using platform::ClickRun;
using platform::POINT;

TEST(ClickRun, TheSecondPressAtOnePlaceOfTheScreenSoonAfterTheFirstIsADoubleClickAndTheThirdStartsAgain) {
  ClickRun run;
  EXPECT_FALSE(run.Press(1, POINT{400, 113}, 1000));
  EXPECT_TRUE(run.Press(1, POINT{402, 111}, 1499));  // 2 pixels off, 499 ms on
  EXPECT_FALSE(run.Press(1, POINT{402, 111}, 1550));  // a triple click's third press is a press
  EXPECT_TRUE(run.Press(1, POINT{402, 111}, 1600));
  // Too late, too far, another button: each press starts a run of its own.
  EXPECT_FALSE(run.Press(1, POINT{402, 111}, 2000));
  EXPECT_FALSE(run.Press(1, POINT{402, 111}, 2500));
  EXPECT_FALSE(run.Press(1, POINT{405, 111}, 2600));
  EXPECT_FALSE(run.Press(3, POINT{405, 111}, 2700));
  EXPECT_FALSE(run.Press(1, POINT{405, 111}, 2800));
  // The input's clock may wrap.
  EXPECT_FALSE(run.Press(1, POINT{10, 10}, 0xFFFFFF00u));
  EXPECT_TRUE(run.Press(1, POINT{10, 10}, 0x10u));
}

TEST(ClickRun, ADragBetweenThePressesStartsANewRunButAWobbleDoesNot) {
  ClickRun run;
  // The pointer wobbles with the button held, and moves freely once it is up.
  EXPECT_FALSE(run.Press(1, POINT{600, 213}, 0));
  run.Moved(POINT{603, 210}, true);
  run.Moved(POINT{900, 500}, false);
  EXPECT_TRUE(run.Press(1, POINT{600, 213}, 100));
  // A drag away and back (a window pulled there and back by its title) is no double click.
  EXPECT_FALSE(run.Press(1, POINT{600, 213}, 1000));
  run.Moved(POINT{604, 213}, true);
  run.Moved(POINT{600, 213}, true);
  EXPECT_FALSE(run.Press(1, POINT{600, 213}, 1100));
}

}  // namespace
