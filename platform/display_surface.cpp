#include "platform/display_surface.h"

#include <cstring>

namespace platform {

bool DisplaySurface::CreateDIBSection(int width, int height, const void* bits) {
  DeleteBitmap();
  if (width <= 0 || height <= 0 || bits == nullptr) return false;
  if (bits_per_pixel_ != 16 && bits_per_pixel_ != 24 && bits_per_pixel_ != 32) return false;
  bits_ = static_cast<const uint8_t*>(bits);
  bitmap_width_ = width;
  bitmap_height_ = height;
  bitmap_bits_ = bits_per_pixel_;
  changed_.Add(RECT{0, 0, width, height});
  return true;
}

void DisplaySurface::DeleteBitmap() {
  bits_ = nullptr;
  bitmap_width_ = 0;
  bitmap_height_ = 0;
  bitmap_bits_ = 0;
  changed_.Clear();
}

std::span<const uint8_t> DisplaySurface::BitmapBits() const {
  if (!HasBitmap()) return {};
  return {bits_, static_cast<size_t>(bitmap_width_) * bitmap_height_ * (bitmap_bits_ / 8)};
}

size_t DisplaySurface::BitsChanged(const RECT& area) {
  RECT r;
  if (!HasBitmap() || !IntersectRect(&r, area, RECT{0, 0, bitmap_width_, bitmap_height_})) return 0;
  changed_.Add(r);
  return static_cast<size_t>(r.right - r.left) * static_cast<size_t>(r.bottom - r.top) * (bitmap_bits_ / 8);
}

void DisplaySurface::InvalidateRect(const RECT& rect) {
  if (on_invalidate_) {
    on_invalidate_(rect);
    return;
  }
  invalid_.push_back(rect);
}

std::vector<RECT> DisplaySurface::TakeInvalidRects() {
  std::vector<RECT> out;
  out.swap(invalid_);
  return out;
}

void DisplaySurface::BitBlt() {
  if (!HasBitmap()) return;
  if (presented_width_ != bitmap_width_ || presented_height_ != bitmap_height_) {
    presented_.assign(static_cast<size_t>(bitmap_width_) * bitmap_height_, 0);
    presented_width_ = bitmap_width_;
    presented_height_ = bitmap_height_;
    changed_.Clear();
    changed_.Add(RECT{0, 0, bitmap_width_, bitmap_height_});
  }
  for (const RECT& area : changed_.Rects()) Convert(area);
  changed_.Clear();
  ++present_count_;
}

void DisplaySurface::Convert(const RECT& area) {
  const size_t bytes = static_cast<size_t>(bitmap_bits_ / 8);
  const auto count = static_cast<size_t>(area.right - area.left);
  for (int32_t y = area.top; y < area.bottom; ++y) {
    const size_t first = static_cast<size_t>(y) * bitmap_width_ + area.left;
    const uint8_t* src = bits_ + first * bytes;
    uint32_t* out = presented_.data() + first;
    switch (bitmap_bits_) {
      case 32:
        for (size_t i = 0; i < count; ++i) {
          uint32_t word;
          std::memcpy(&word, src + i * 4, 4);
          out[i] = word | 0xFF000000u;
        }
        break;
      case 24:
        for (size_t i = 0; i < count; ++i) {
          const uint8_t* p = src + i * 3;
          out[i] = 0xFF000000u | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
        }
        break;
      default:  // 16: 5 bits red, 6 green, 5 blue
        for (size_t i = 0; i < count; ++i) {
          const uint32_t v = src[i * 2] | (uint32_t{src[i * 2 + 1]} << 8);
          const uint32_t r5 = (v >> 11) & 0x1F;
          const uint32_t g6 = (v >> 5) & 0x3F;
          const uint32_t b5 = v & 0x1F;
          const uint32_t r = (r5 << 3) | (r5 >> 2);
          const uint32_t g = (g6 << 2) | (g6 >> 4);
          const uint32_t b = (b5 << 3) | (b5 >> 2);
          out[i] = 0xFF000000u | (r << 16) | (g << 8) | b;
        }
        break;
    }
  }
}

uint32_t DisplaySurface::PresentedPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= presented_width_ || y >= presented_height_) return 0;
  return presented_[static_cast<size_t>(y) * presented_width_ + x];
}

}  // namespace platform
