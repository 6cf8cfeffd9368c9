// ctest-labels: window
#include "platform/rect_set.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(RectSet, KeepsAreasApartJoinsMuchOverlappingOnesAndKnowsTheirBounds) {
  RectSet set;
  set.Add(RECT{10, 10, 20, 20});
  set.Add(RECT{5, 5, 5, 9});      // empty
  set.Add(RECT{12, 12, 18, 18});  // inside the first
  set.Add(RECT{100, 0, 110, 4});
  EXPECT_EQ(set.Rects(), (std::vector<RECT>{RECT{10, 10, 20, 20}, RECT{100, 0, 110, 4}}));
  EXPECT_EQ(set.Bounds(), (RECT{10, 0, 110, 20}));
  // A picture moved by a pixel: its old and new places are one area.
  set.Add(RECT{11, 10, 21, 20});
  EXPECT_EQ(set.Rects(), (std::vector<RECT>{RECT{100, 0, 110, 4}, RECT{10, 10, 21, 20}}));
  set.Clear();
  EXPECT_TRUE(set.Empty());
  EXPECT_EQ(set.Bounds(), RECT{});
}

TEST(RectSet, PastItsLimitTheAreasBecomeTheOneRoundThemAll) {
  RectSet set;
  for (int i = 0; i <= static_cast<int>(RectSet::kMaxRects); ++i) set.Add(RECT{i * 10, 0, i * 10 + 5, 5});
  const int last = static_cast<int>(RectSet::kMaxRects) * 10 + 5;
  EXPECT_EQ(set.Rects(), (std::vector<RECT>{RECT{0, 0, last, 5}}));
  EXPECT_EQ(set.Bounds(), (RECT{0, 0, last, 5}));
}

}  // namespace
}  // namespace platform
