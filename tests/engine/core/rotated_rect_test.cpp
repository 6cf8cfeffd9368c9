// ctest-labels: scene
#include "engine/core/rotated_rect.h"

#include <gtest/gtest.h>

#include "tests/support/engine_doubles.h"

namespace {

using engine::ObjectGeometry;
using engine::RECT;
using test::BoxGeometry;

TEST(RotatedRectTest, BoundingRectangles) {
  RECT r;
  EXPECT_EQ(engine::ObjectBoundingRect(&r, BoxGeometry(100, 50, 10, 6)), (RECT{95, 47, 105, 53}));
  EXPECT_EQ(r, (RECT{95, 47, 105, 53}));
  // Odd width: (9 + 1) / 2 = 5 to the left, the rest to the right.
  const RECT odd = engine::ObjectBoundingRect(nullptr, BoxGeometry(100, 50, 9, 6));
  EXPECT_EQ(odd.left, 95);
  EXPECT_EQ(odd.right, 104);
  // Turned: the square round the circle that holds every turn (r = sqrt(34) = 5.83).
  EXPECT_EQ(engine::ObjectBoundingRect(nullptr, BoxGeometry(100, 50, 10, 6, 90)), (RECT{94, 44, 105, 55}));
  // A turned object without area collapses to its truncated centre.
  EXPECT_EQ(engine::ObjectBoundingRect(nullptr, BoxGeometry(100.7, 50.2, 0, 6, 30)), (RECT{100, 50, 100, 50}));
}

TEST(RotatedRectTest, RotatePointTurnsBothWaysAndRoundsHalfAwayFromZero) {
  EXPECT_EQ(engine::RotatePoint(110, 50, 100, 50, 90, 1), (engine::POINT{100, 40}));
  EXPECT_EQ(engine::RotatePoint(110, 50, 100, 50, 90, 0), (engine::POINT{100, 60}));
  EXPECT_EQ(engine::RotatePoint(7, 9, 100, 50, 0, 0), (engine::POINT{7, 9}));
  // A turn there and back lands where it started.
  const engine::POINT there = engine::RotatePoint(130, 20, 100, 50, 37, 1);
  EXPECT_EQ(engine::RotatePoint(there.x, there.y, 100, 50, 37, 0), (engine::POINT{130, 20}));
}

TEST(RotatedRectTest, SameGeometryIgnoresDepthAndAlpha) {
  ObjectGeometry a = BoxGeometry(1, 2, 3, 4, 5);
  ObjectGeometry b = a;
  b.depth = 99;
  b.alpha = 0.25;
  EXPECT_EQ(engine::SameGeometry(a, b), 1);
  b.angle = 6;
  EXPECT_EQ(engine::SameGeometry(a, b), 0);
}

TEST(RotatedRectTest, UnturnedObjectsIntersectByTheirBox) {
  const ObjectGeometry g = BoxGeometry(100, 50, 10, 6);  // {95, 47, 105, 53}
  EXPECT_TRUE(engine::GeometryIntersectsRect(RECT{104, 52, 200, 200}, g));
  EXPECT_FALSE(engine::GeometryIntersectsRect(RECT{105, 40, 200, 200}, g));  // touching is not meeting
  EXPECT_FALSE(engine::GeometryIntersectsRect(RECT{0, 0, 95, 47}, g));
}

TEST(RotatedRectTest, TurnedObjectsMeetByOutlineOrContainment) {
  const ObjectGeometry g = BoxGeometry(100, 100, 40, 40, 45);  // r = 28.28: outline a 56 x 56 square turned
  // Edges crossing.
  EXPECT_TRUE(engine::GeometryIntersectsRect(RECT{120, 90, 200, 110}, g));
  // A small rectangle inside the turned object: no edges meet, the object's centre is outside it,
  // so the turned-back centre of the rectangle decides.
  EXPECT_TRUE(engine::GeometryIntersectsRect(RECT{103, 103, 108, 108}, g));
  // The object wholly inside a large rectangle.
  EXPECT_TRUE(engine::GeometryIntersectsRect(RECT{0, 0, 300, 300}, g));
  // Far away.
  EXPECT_FALSE(engine::GeometryIntersectsRect(RECT{200, 200, 220, 220}, g));
  // Inside the bounding square's corner but outside the turned outline.
  EXPECT_FALSE(engine::GeometryIntersectsRect(RECT{71, 71, 74, 74}, g));
}

TEST(RotatedRectTest, ProductsOfThreePoints) {
  EXPECT_DOUBLE_EQ(engine::CrossProduct3(0, 0, 1, 0, 0, 1), 1.0);
  EXPECT_DOUBLE_EQ(engine::CrossProduct3(0, 0, 0, 1, 1, 0), -1.0);
  EXPECT_DOUBLE_EQ(engine::DotProduct3(1, 1, 2, 1, 1, 3), 0.0);
  EXPECT_DOUBLE_EQ(engine::DotProduct3(0, 0, 2, 3, 4, 5), 23.0);
}

}  // namespace
