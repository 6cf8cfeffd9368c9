// Geometry shared by the turned blits: the half-diagonal, the square a turned picture covers,
// the integer turning coefficients, and the span of each row of that square that lands inside
// the source picture.
#pragma once

#include <cstdint>

#include "engine/media/draw_target.h"

namespace engine {

// sqrt((w/2)^2 + (h/2)^2), or 0 when w or h is not positive.
double HalfDiagonal(double w, double h);

// The half-diagonal as DrawParams caches it: truncated, 0 for an empty size.
int32_t HalfDiagonalPixels(int64_t w, int64_t h);

// The area a picture covers: the 2R square around the centre when turned (filling in
// params->halfDiagonal first if it is below 1), else the picture's own rectangle.
RECT DrawBounds(DrawParams* params);

// Cosine and sine of an angle in degrees, scaled by `scale` and truncated. 0, 90, 180 and 270
// are exact; every other angle goes through cos/sin with pi taken as 3.14159.
struct TurnCoefficients {
  int64_t c = 0;
  int64_t s = 0;
};
TurnCoefficients TurnCoefficientsFor(double angle, int64_t scale);

// The walk of a turned picture: a square of side 2R at (x0, y0). For square row j the source
// coordinates move linearly along the row, so the columns whose source pixel lies inside the
// picture form one interval; `RowSpan` gives it, already cut to the clip rectangle.
class TurnWalk {
 public:
  // w, h: the source rectangle's size; x0, y0: the square's top-left on the target;
  // shift: 10 for nearest sampling, 16 for the smooth members.
  TurnWalk(int w, int h, int64_t x0, int64_t y0, double angle, int shift, const RECT& clip);

  // Square rows [first_row, end_row) are inside the clip.
  int64_t first_row() const { return first_row_; }
  int64_t end_row() const { return end_row_; }
  int32_t radius() const { return radius_; }

  struct Span {
    int64_t first = 0;  // first square column
    int64_t end = 0;    // one past the last
    int64_t u = 0;      // fixed-point source x at `first` (nearest: u; smooth: X)
    int64_t v = 0;      // fixed-point source y term at `first` (nearest: v; smooth: Y)
  };
  // Columns of square row j that hit the source and the clip. For nearest walks the source
  // pixel of column i is (cx + (u >> 10), cy - (v >> 10)) with u += c and v -= s per column;
  // for smooth walks it is (X >> 16, Y >> 16) with X += c and Y += s per column.
  Span RowSpan(int64_t j) const;

  int64_t c() const { return coeff_.c; }
  int64_t s() const { return coeff_.s; }
  // The coefficients are exact (0, 90, 180 or 270 degrees): each column of the square moves the
  // source point by one whole pixel.
  bool WalksWholePixels() const;
  // For such a walk: the square rows [*first, *end) whose spans are not empty (cut to the clip).
  // They follow each other, and all of them hit the picture over the same columns.
  void WholePixelRows(int64_t* first, int64_t* end) const;
  int cx() const { return cx_; }
  int cy() const { return cy_; }

 private:
  int w_, h_;
  int cx_, cy_;
  int shift_;
  int32_t radius_;
  int64_t first_col_, end_col_;  // clip cut of the columns
  int64_t first_row_, end_row_;
  TurnCoefficients coeff_;
};

}  // namespace engine
