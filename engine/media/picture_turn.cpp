#include "engine/media/picture_turn.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace engine {
namespace {

constexpr double kPi = 3.14159;  // the engine's own value, so turned pixels land where they always have

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if (a % b != 0 && ((a < 0) != (b < 0))) --q;
  return q;
}

int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

// The integers i with lo <= v0 + i * k <= hi, as [first, end); may be empty (first >= end).
void SolveLinear(int64_t v0, int64_t k, int64_t lo, int64_t hi, int64_t& first, int64_t& end) {
  if (k == 0) {
    if (lo <= v0 && v0 <= hi) return;  // every column: leave the interval as it is
    first = end = 0;
    return;
  }
  int64_t a, b;
  if (k > 0) {
    a = CeilDiv(lo - v0, k);
    b = FloorDiv(hi - v0, k);
  } else {
    a = CeilDiv(hi - v0, k);
    b = FloorDiv(lo - v0, k);
  }
  first = std::max(first, a);
  end = std::min(end, b + 1);
}

int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

double HalfDiagonal(double w, double h) {
  if (!(w > 0) || !(h > 0)) return 0.0;
  return std::sqrt((w / 2.0) * (w / 2.0) + (h / 2.0) * (h / 2.0));
}

int32_t HalfDiagonalPixels(int64_t w, int64_t h) {
  return static_cast<int32_t>(HalfDiagonal(static_cast<double>(w), static_cast<double>(h)));
}

RECT DrawBounds(DrawParams* params) {
  if (params->angle != 0.0) {
    if (params->halfDiagonal < 1) params->halfDiagonal = HalfDiagonalPixels(params->width, params->height);
    const int64_t r = params->halfDiagonal;
    return {ClampToInt32(params->centreX - r), ClampToInt32(params->centreY - r), ClampToInt32(params->centreX + r),
            ClampToInt32(params->centreY + r)};
  }
  const int64_t left = int64_t{params->centreX} - (int64_t{params->width} + 1) / 2;
  const int64_t top = int64_t{params->centreY} - (int64_t{params->height} + 1) / 2;
  return {ClampToInt32(left), ClampToInt32(top), ClampToInt32(left + params->width),
          ClampToInt32(top + params->height)};
}

TurnCoefficients TurnCoefficientsFor(double angle, int64_t scale) {
  if (angle == 0.0 || !std::isfinite(angle)) return {scale, 0};
  if (angle == 90.0) return {0, scale};
  if (angle == 180.0) return {-scale, 0};
  if (angle == 270.0) return {0, -scale};
  const double radians = angle * kPi / 180.0;
  const double scaled = static_cast<double>(scale);
  return {static_cast<int64_t>(std::cos(radians) * scaled), static_cast<int64_t>(std::sin(radians) * scaled)};
}

TurnWalk::TurnWalk(int w, int h, int64_t x0, int64_t y0, double angle, int shift, const RECT& clip)
    : w_(w),
      h_(h),
      cx_((w + 1) / 2),
      cy_((h + 1) / 2),
      shift_(shift),
      radius_(HalfDiagonalPixels(w, h)),
      coeff_(TurnCoefficientsFor(angle, int64_t{1} << shift)) {
  const int64_t side = 2 * int64_t{radius_};
  first_col_ = std::max<int64_t>(0, clip.left - x0);
  end_col_ = std::min<int64_t>(side, clip.right - x0);
  first_row_ = std::max<int64_t>(0, clip.top - y0);
  end_row_ = std::min<int64_t>(side, clip.bottom - y0);
  if (end_col_ <= first_col_ || w <= 0 || h <= 0) end_row_ = first_row_;
}

bool TurnWalk::WalksWholePixels() const {
  const int64_t one = int64_t{1} << shift_;
  const int64_t c = coeff_.c, s = coeff_.s;
  return (c == 0 && (s == one || s == -one)) || (s == 0 && (c == one || c == -one));
}

void TurnWalk::WholePixelRows(int64_t* first, int64_t* end) const {
  // One source coordinate stays the same along a row and alone decides whether the row meets the
  // picture (the same terms as RowSpan, written as a line in j); the other gives every such row
  // the same columns, which the first of them tells.
  *first = first_row_;
  *end = end_row_;
  const int64_t one = int64_t{1} << shift_;
  const int64_t r = radius_, c = coeff_.c, s = coeff_.s;
  if (c == 0)
    SolveLinear(r * s, -s, -int64_t{cx_} * one, int64_t{w_ - cx_} * one - 1, *first, *end);
  else
    SolveLinear(r * c, -c, int64_t{cy_ - h_ + 1} * one, int64_t{cy_ + 1} * one - 1, *first, *end);
  if (*end > *first) {
    const Span span = RowSpan(*first);
    if (span.end <= span.first) *end = *first;
  }
  if (*end < *first) *end = *first;
}

TurnWalk::Span TurnWalk::RowSpan(int64_t j) const {
  Span span{first_col_, end_col_, 0, 0};
  const int64_t r = radius_;
  const int64_t ey = r - j;
  const int64_t c = coeff_.c, s = coeff_.s;
  const int64_t one = int64_t{1} << shift_;
  int64_t u0, v0, v_step;
  if (shift_ == 16) {
    // Smooth: X = ((w + 1) << 15) + dx*c + ey*s, Y = ((h + 1) << 15) - (ey*c - dx*s), dx = i - R.
    u0 = (int64_t{w_ + 1} << 15) - r * c + ey * s;
    v0 = (int64_t{h_ + 1} << 15) - ey * c - r * s;
    v_step = s;
    SolveLinear(u0, c, 0, int64_t{w_} * one - 1, span.first, span.end);
    SolveLinear(v0, v_step, 0, int64_t{h_} * one - 1, span.first, span.end);
  } else {
    // Nearest: u = dx*c + ey*s, v = ey*c - dx*s; the source pixel is (cx + (u >> n), cy - (v >> n)).
    u0 = -r * c + ey * s;
    v0 = ey * c + r * s;
    v_step = -s;
    SolveLinear(u0, c, -int64_t{cx_} * one, int64_t{w_ - cx_} * one - 1, span.first, span.end);
    SolveLinear(v0, v_step, int64_t{cy_ - h_ + 1} * one, int64_t{cy_ + 1} * one - 1, span.first, span.end);
  }
  if (span.end < span.first) span.end = span.first;
  span.u = u0 + span.first * c;
  span.v = v0 + span.first * v_step;
  return span;
}

}  // namespace engine
