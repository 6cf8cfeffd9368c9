#include "platform/display_surface.h"

#include <cstring>

namespace platform {

bool DisplaySurface::CreateCompatibleBitmap(int width, int height) {
  DeleteBitmap();
  if (width <= 0 || height <= 0) return false;
  if (bits_per_pixel_ != 16 && bits_per_pixel_ != 24 && bits_per_pixel_ != 32) return false;
  bitmap_.assign(static_cast<size_t>(width) * height * (bits_per_pixel_ / 8), 0);
  bitmap_width_ = width;
  bitmap_height_ = height;
  bitmap_bits_ = bits_per_pixel_;
  return true;
}

void DisplaySurface::DeleteBitmap() {
  bitmap_.clear();
  bitmap_.shrink_to_fit();
  bitmap_width_ = 0;
  bitmap_height_ = 0;
  bitmap_bits_ = 0;
}

size_t DisplaySurface::SetBitmapBits(size_t count, const void* bits) {
  if (!HasBitmap() || bits == nullptr) return 0;
  const size_t n = count < bitmap_.size() ? count : bitmap_.size();
  std::memcpy(bitmap_.data(), bits, n);
  return n;
}

size_t DisplaySurface::SetBitmapBitsRect(const RECT& area, const void* bits) {
  if (!HasBitmap() || bits == nullptr) return 0;
  RECT r;
  if (!IntersectRect(&r, area, RECT{0, 0, bitmap_width_, bitmap_height_})) return 0;
  const size_t bytes = static_cast<size_t>(bitmap_bits_ / 8);
  const size_t stride = bytes * bitmap_width_;
  const size_t count = bytes * static_cast<size_t>(r.right - r.left);
  const auto* src = static_cast<const uint8_t*>(bits);
  for (int32_t y = r.top; y < r.bottom; ++y) {
    const size_t at = static_cast<size_t>(y) * stride + bytes * static_cast<size_t>(r.left);
    std::memcpy(bitmap_.data() + at, src + at, count);
  }
  return count * static_cast<size_t>(r.bottom - r.top);
}

void DisplaySurface::InvalidateRect(const RECT& rect) {
  invalid_.push_back(rect);
  if (on_invalidate_) on_invalidate_(rect);
}

std::vector<RECT> DisplaySurface::TakeInvalidRects() {
  std::vector<RECT> out;
  out.swap(invalid_);
  return out;
}

void DisplaySurface::BitBlt() {
  if (!HasBitmap()) return;
  const size_t count = static_cast<size_t>(bitmap_width_) * bitmap_height_;
  presented_.resize(count);
  const uint8_t* src = bitmap_.data();
  switch (bitmap_bits_) {
    case 32:
      for (size_t i = 0; i < count; ++i) {
        uint32_t word;
        std::memcpy(&word, src + i * 4, 4);
        presented_[i] = word | 0xFF000000u;
      }
      break;
    case 24:
      for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = src + i * 3;
        presented_[i] = 0xFF000000u | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
      }
      break;
    case 16:
      for (size_t i = 0; i < count; ++i) {
        const uint32_t v = src[i * 2] | (uint32_t{src[i * 2 + 1]} << 8);
        const uint32_t r5 = (v >> 11) & 0x1F;
        const uint32_t g6 = (v >> 5) & 0x3F;
        const uint32_t b5 = v & 0x1F;
        const uint32_t r = (r5 << 3) | (r5 >> 2);
        const uint32_t g = (g6 << 2) | (g6 >> 4);
        const uint32_t b = (b5 << 3) | (b5 >> 2);
        presented_[i] = 0xFF000000u | (r << 16) | (g << 8) | b;
      }
      break;
    default:
      break;
  }
  presented_width_ = bitmap_width_;
  presented_height_ = bitmap_height_;
  ++present_count_;
}

uint32_t DisplaySurface::PresentedPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= presented_width_ || y >= presented_height_) return 0;
  return presented_[static_cast<size_t>(y) * presented_width_ + x];
}

}  // namespace platform
