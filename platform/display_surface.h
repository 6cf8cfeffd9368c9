// The display as the paint module sees it: the screen's bit depth, a bitmap compatible with it that
// the module uploads its finished frame into (SetBitmapBits), the areas it marks for repainting
// (InvalidateRect) and the copy of the bitmap onto the window (BitBlt). The presented frame is
// plain 0xAARRGGBB words, so a window can show it and a headless test can read it.
//
// No backend of its own: a window that shows the surface listens for invalidations and copies
// PresentedFrame() on its paint message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/win_types.h"

namespace platform {

class DisplaySurface {
 public:
  explicit DisplaySurface(int bits_per_pixel = 32) : bits_per_pixel_(bits_per_pixel) {}

  // GetDeviceCaps(BITSPIXEL): the screen's bits per pixel.
  int GetBitsPerPixel() const { return bits_per_pixel_; }
  // The depth the next compatible bitmap gets (tests use 16, 24 and 32; others show the refusal).
  void SetBitsPerPixel(int bits) { bits_per_pixel_ = bits; }

  // CreateCompatibleBitmap: a zeroed width x height bitmap at the screen's depth, rows packed
  // without padding. False (and no bitmap) for a size below 1 or a depth it cannot hold.
  bool CreateCompatibleBitmap(int width, int height);
  // DeleteObject of the bitmap.
  void DeleteBitmap();
  bool HasBitmap() const { return bitmap_width_ > 0; }
  int BitmapWidth() const { return bitmap_width_; }
  int BitmapHeight() const { return bitmap_height_; }
  int BitmapBitsPerPixel() const { return bitmap_bits_; }

  // SetBitmapBits: copies up to count bytes in the bitmap's own format into it; answers the bytes
  // copied (0 without a bitmap).
  size_t SetBitmapBits(size_t count, const void* bits);
  // The same for one area only: bits holds a whole bitmap's worth in the bitmap's format, and the
  // rows of area (cut to the bitmap) are copied from it. Answers the bytes copied.
  size_t SetBitmapBitsRect(const RECT& area, const void* bits);
  const std::vector<uint8_t>& BitmapBits() const { return bitmap_; }

  // InvalidateRect(window, rect, FALSE): the area waits to be shown.
  void InvalidateRect(const RECT& rect);
  const std::vector<RECT>& InvalidRects() const { return invalid_; }
  // Hands over the waiting areas and forgets them.
  std::vector<RECT> TakeInvalidRects();
  // Called with every invalidated area (a window that shows the surface queues its paint here).
  void SetInvalidateListener(std::function<void(const RECT&)> listener) { on_invalidate_ = std::move(listener); }

  // BitBlt(window, 0, 0, width, height, memory DC, 0, 0, SRCCOPY): the bitmap, converted to opaque
  // 0xAARRGGBB words, becomes the presented frame. Nothing without a bitmap.
  void BitBlt();
  const std::vector<uint32_t>& PresentedFrame() const { return presented_; }
  int PresentedWidth() const { return presented_width_; }
  int PresentedHeight() const { return presented_height_; }
  uint64_t PresentCount() const { return present_count_; }
  // One presented pixel (0 outside the frame).
  uint32_t PresentedPixel(int x, int y) const;

 private:
  int bits_per_pixel_;
  int bitmap_width_ = 0;
  int bitmap_height_ = 0;
  int bitmap_bits_ = 0;
  std::vector<uint8_t> bitmap_;
  std::vector<RECT> invalid_;
  std::function<void(const RECT&)> on_invalidate_;
  std::vector<uint32_t> presented_;
  int presented_width_ = 0;
  int presented_height_ = 0;
  uint64_t present_count_ = 0;
};

}  // namespace platform
