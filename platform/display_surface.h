// The display as the paint module sees it: the screen's bit depth, a device-independent bitmap at
// that depth whose bits are the module's own block (CreateDIBSection), the areas it marks for
// repainting (InvalidateRect) and the copy of the bitmap onto the window (BitBlt). The presented
// frame is plain 0xAARRGGBB words, so a window can show it and a headless test can read it.
//
// The module writes its finished pixels straight into the bitmap's bits and says which areas it
// wrote (BitsChanged, as GdiFlush would); BitBlt converts only those areas, so the presented frame
// always equals the whole bitmap converted while the work follows what changed.
//
// No backend of its own: a window that shows the surface listens for invalidations and copies
// PresentedFrame() on its paint message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "platform/rect_set.h"
#include "platform/win_types.h"

namespace platform {

class DisplaySurface {
 public:
  explicit DisplaySurface(int bits_per_pixel = 32) : bits_per_pixel_(bits_per_pixel) {}

  // GetDeviceCaps(BITSPIXEL): the screen's bits per pixel.
  int GetBitsPerPixel() const { return bits_per_pixel_; }
  // The depth the next bitmap gets (tests use 16, 24 and 32; others show the refusal).
  void SetBitsPerPixel(int bits) { bits_per_pixel_ = bits; }

  // CreateDIBSection: a width x height bitmap at the screen's depth over the caller's bits (rows
  // packed without padding), which must stay in place until DeleteBitmap or the next bitmap.
  // False (and no bitmap) for a size below 1, null bits or a depth it cannot hold.
  bool CreateDIBSection(int width, int height, const void* bits);
  // DeleteObject of the bitmap.
  void DeleteBitmap();
  bool HasBitmap() const { return bitmap_width_ > 0; }
  int BitmapWidth() const { return bitmap_width_; }
  int BitmapHeight() const { return bitmap_height_; }
  int BitmapBitsPerPixel() const { return bitmap_bits_; }
  // The bitmap's bits in its own format (empty without a bitmap).
  std::span<const uint8_t> BitmapBits() const;

  // GdiFlush for one area: the caller has written these bits, and the next BitBlt shows them.
  // Answers the bytes of the area (cut to the bitmap).
  size_t BitsChanged(const RECT& area);

  // InvalidateRect(window, rect, FALSE): the area waits to be shown. With a listener the area goes
  // to it; without one it is kept until TakeInvalidRects.
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
  // Converts one area of the bitmap into the presented frame.
  void Convert(const RECT& area);

  int bits_per_pixel_;
  int bitmap_width_ = 0;
  int bitmap_height_ = 0;
  int bitmap_bits_ = 0;
  const uint8_t* bits_ = nullptr;
  RectSet changed_;  // areas of the bitmap written since the last BitBlt
  std::vector<RECT> invalid_;
  std::function<void(const RECT&)> on_invalidate_;
  std::vector<uint32_t> presented_;
  int presented_width_ = 0;
  int presented_height_ = 0;
  uint64_t present_count_ = 0;
};

}  // namespace platform
