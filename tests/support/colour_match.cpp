#include "tests/support/colour_match.h"

#include <algorithm>
#include <cmath>

#include "engine/core/canvas_object.h"

namespace test {
namespace {

// The relative luminance of a COLORREF: its linear-light channels, weighted.
double Luminance(platform::COLORREF colour) {
  const auto linear = [colour](int shift) {
    const double c = static_cast<double>(colour >> shift & 0xFF) / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(0) + 0.7152 * linear(8) + 0.0722 * linear(16);
}

}  // namespace

double ContrastRatio(platform::COLORREF a, platform::COLORREF b) {
  const double la = Luminance(a) + 0.05;
  const double lb = Luminance(b) + 0.05;
  return std::max(la, lb) / std::min(la, lb);
}

::testing::AssertionResult ColoursWithin(uint32_t got, uint32_t want, int steps) {
  for (int shift = 0; shift <= 16; shift += 8) {
    const int a = static_cast<int>(got >> shift & 0xFF);
    const int b = static_cast<int>(want >> shift & 0xFF);
    if (a - b > steps || b - a > steps) return ::testing::AssertionFailure() << std::hex << got << " is not " << want;
  }
  return ::testing::AssertionSuccess();
}

size_t PixelsOf(const engine::CanvasObject* canvas, platform::COLORREF colour, platform::RECT r) {
  if (r.right <= r.left) r = platform::RECT{0, 0, canvas->GetSurfaceWidth(), canvas->GetSurfaceHeight()};
  auto near = [colour](platform::COLORREF p) {
    for (int shift = 0; shift < 24; shift += 8) {
      const int a = static_cast<int>((p >> shift) & 0xFF);
      const int b = static_cast<int>((colour >> shift) & 0xFF);
      if (a - b > 0x20 || b - a > 0x20) return false;
    }
    return true;
  };
  size_t n = 0;
  for (int32_t y = r.top; y < r.bottom; ++y) {
    for (int32_t x = r.left; x < r.right; ++x) n += near(canvas->GetPixel(x, y)) ? 1 : 0;
  }
  return n;
}

}  // namespace test
