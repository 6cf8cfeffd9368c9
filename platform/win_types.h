// The small Windows value types the engine passes around: rectangles, points and colours,
// with the rectangle helpers the engine uses (Win32 semantics: right and bottom are exclusive).
#pragma once

#include <algorithm>
#include <cstdint>

namespace platform {

struct RECT {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  friend bool operator==(const RECT&, const RECT&) = default;
};
static_assert(sizeof(RECT) == 16);

struct POINT {
  int32_t x = 0;
  int32_t y = 0;

  friend bool operator==(const POINT&, const POINT&) = default;
};
static_assert(sizeof(POINT) == 8);

// 0x00BBGGRR.
using COLORREF = uint32_t;

// A font description in the Windows layout: 60 bytes. The height is the character height in
// pixels; the face name is GBK, at most 31 bytes and a terminator.
struct LOGFONTA {
  int32_t lfHeight = 0;
  int32_t lfWidth = 0;
  int32_t lfEscapement = 0;
  int32_t lfOrientation = 0;
  int32_t lfWeight = 0;
  uint8_t lfItalic = 0;
  uint8_t lfUnderline = 0;
  uint8_t lfStrikeOut = 0;
  uint8_t lfCharSet = 0;
  uint8_t lfOutPrecision = 0;
  uint8_t lfClipPrecision = 0;
  uint8_t lfQuality = 0;
  uint8_t lfPitchAndFamily = 0;
  char lfFaceName[32] = {};
};
static_assert(sizeof(LOGFONTA) == 60);

constexpr COLORREF RGB(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}

constexpr RECT MakeRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return RECT{left, top, right, bottom};
}

// A rectangle with no area (right <= left or bottom <= top).
constexpr bool IsRectEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

// left <= x < right and top <= y < bottom.
constexpr bool PtInRect(const RECT& r, int32_t x, int32_t y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// The overlap of a and b; false (and an all-zero out) when they do not overlap.
constexpr bool IntersectRect(RECT* out, const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (IsRectEmpty(r)) {
    *out = RECT{};
    return false;
  }
  *out = r;
  return true;
}

// The smallest rectangle holding both; an empty rectangle does not count. False when both are empty.
constexpr bool UnionRect(RECT* out, const RECT& a, const RECT& b) {
  const bool a_empty = IsRectEmpty(a);
  const bool b_empty = IsRectEmpty(b);
  if (a_empty && b_empty) {
    *out = RECT{};
    return false;
  }
  if (a_empty) {
    *out = b;
  } else if (b_empty) {
    *out = a;
  } else {
    *out = RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
  }
  return true;
}

constexpr void OffsetRect(RECT* r, int32_t dx, int32_t dy) {
  r->left += dx;
  r->right += dx;
  r->top += dy;
  r->bottom += dy;
}

}  // namespace platform

namespace engine {
using platform::COLORREF;
using platform::LOGFONTA;
using platform::MakeRect;
using platform::POINT;
using platform::RECT;
}  // namespace engine
