// ctest-labels: compositing
// Turning geometry: coefficients, the half-diagonal square and the spans the walk visits.
#include "engine/media/picture_turn.h"

#include <gtest/gtest.h>

namespace {

using namespace engine;

TEST(TurnCoefficients, QuarterTurnsAreExactAndOthersUseTheEnginePi) {
  auto k = TurnCoefficientsFor(180.0, 1024);
  EXPECT_EQ(k.c, -1024);
  EXPECT_EQ(k.s, 0);
  k = TurnCoefficientsFor(180.0000001, 1024);  // the general formula
  EXPECT_EQ(k.c, -1023);
  k = TurnCoefficientsFor(30.0, 1024);  // sin(30 * 3.14159 / 180) is just below one half
  EXPECT_EQ(k.c, 886);
  EXPECT_EQ(k.s, 511);
  k = TurnCoefficientsFor(-90.0, 65536);  // only 0, 90, 180 and 270 are special
  EXPECT_EQ(k.c, 0);
  EXPECT_EQ(k.s, -65535);
  k = TurnCoefficientsFor(270.0, 65536);
  EXPECT_EQ(k.s, -65536);
}

TEST(HalfDiagonal, TruncatedAndZeroForEmptySizes) {
  EXPECT_EQ(HalfDiagonalPixels(4, 2), 2);
  EXPECT_EQ(HalfDiagonalPixels(6, 8), 5);
  EXPECT_EQ(HalfDiagonalPixels(0, 8), 0);
  EXPECT_EQ(HalfDiagonalPixels(5, -1), 0);
  EXPECT_DOUBLE_EQ(HalfDiagonal(6.0, 8.0), 5.0);
}

TEST(DrawBounds, TurnedIsTheSquareOfTwiceTheHalfDiagonal) {
  DrawParams p;
  p.centreX = 10;
  p.centreY = 20;
  p.width = 6;
  p.height = 8;
  p.angle = 30.0;
  const RECT r = DrawBounds(&p);
  EXPECT_EQ(p.halfDiagonal, 5);
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.top, 15);
  EXPECT_EQ(r.right, 15);
  EXPECT_EQ(r.bottom, 25);
  p.angle = 0.0;
  p.width = 5;
  const RECT u = DrawBounds(&p);  // left = 10 - (5 + 1) / 2
  EXPECT_EQ(u.left, 7);
  EXPECT_EQ(u.right, 12);
  EXPECT_EQ(u.top, 16);
  EXPECT_EQ(u.bottom, 24);
}

// Every span column maps inside the source, and its neighbours outside the span do not.
TEST(TurnWalk, SpansHoldExactlyTheColumnsInsideTheSource) {
  for (int shift : {10, 16}) {
    for (double angle : {0.0, 17.0, 90.0, 135.5, 180.0, 270.0, 301.0}) {
      const int w = 7, h = 4;
      const TurnWalk walk(w, h, 0, 0, angle, shift, RECT{0, 0, 100, 100});
      const int64_t r = walk.radius();
      for (int64_t j = walk.first_row(); j < walk.end_row(); ++j) {
        const TurnWalk::Span span = walk.RowSpan(j);
        for (int64_t i = 0; i < 2 * r; ++i) {
          const int64_t dx = i - r, ey = r - j;
          int64_t sx, sy;
          if (shift == 10) {
            sx = walk.cx() + ((dx * walk.c() + ey * walk.s()) >> 10);
            sy = walk.cy() - ((ey * walk.c() - dx * walk.s()) >> 10);
          } else {
            sx = ((int64_t{w + 1} << 15) + dx * walk.c() + ey * walk.s()) >> 16;
            sy = ((int64_t{h + 1} << 15) - (ey * walk.c() - dx * walk.s())) >> 16;
          }
          const bool inside = sx >= 0 && sx < w && sy >= 0 && sy < h;
          EXPECT_EQ(inside, i >= span.first && i < span.end) << "angle " << angle << " row " << j << " col " << i;
        }
      }
    }
  }
}

TEST(TurnWalk, ClipCutsRowsAndColumns) {
  const TurnWalk walk(4, 2, -1, 3, 90.0, 10, RECT{0, 4, 2, 6});
  EXPECT_EQ(walk.first_row(), 1);
  EXPECT_EQ(walk.end_row(), 3);
  const TurnWalk::Span span = walk.RowSpan(1);
  EXPECT_GE(span.first, 1);
  EXPECT_LE(span.end, 3);
}

}  // namespace
