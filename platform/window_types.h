// The rectangle and point types the window layer passes around. They come from the shared
// platform/win_types.h; until that header is in this tree, a minimal local copy stands in.
#pragma once

#if __has_include("platform/win_types.h")
#include "platform/win_types.h"
#else
#include <cstdint>

namespace platform {

struct RECT {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  friend bool operator==(const RECT&, const RECT&) = default;
};

struct POINT {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const POINT&, const POINT&) = default;
};

constexpr bool IsRectEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
constexpr bool PtInRect(const RECT& r, int32_t x, int32_t y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

}  // namespace platform
#endif
