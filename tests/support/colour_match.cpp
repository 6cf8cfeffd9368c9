#include "tests/support/colour_match.h"

#include "engine/core/canvas_object.h"

namespace test {

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
