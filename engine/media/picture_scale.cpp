#include "engine/media/picture_scale.h"

#include "engine/media/blit_avx2.h"
#include "engine/media/image_record.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace engine {
namespace {

// The rectangle lies inside a block of `stride` x `height` pixels and both sizes are positive.
bool ValidRequest(const void* pixels, int stride, int height, int srcX, int srcY, int srcW, int srcH, int dstW,
                  int dstH) {
  if (pixels == nullptr || dstW <= 0 || dstH <= 0 || srcW <= 0 || srcH <= 0) return false;
  if (srcX < 0 || srcY < 0 || stride <= 0 || height <= 0) return false;
  return int64_t{srcX} + srcW <= stride && int64_t{srcY} + srcH <= height;
}

template <class T>
std::unique_ptr<T[]> Allocate(int64_t count) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[static_cast<size_t>(count)]);
}

// The 22.10 or 16.16 step that maps the first and last target pixels onto the first and last
// source pixels; 0 when either side has a single pixel. 64-bit so wide pictures cannot overflow.
int64_t CornerStep(int src, int dst, int shift) {
  return (src >= 2 && dst >= 2) ? (int64_t{src - 1} << shift) / (dst - 1) : 0;
}

void CopyRect(const uint32_t* pixels, int stride, int srcX, int srcY, int w, int h, uint32_t* out) {
  for (int y = 0; y < h; ++y)
    std::memcpy(out + int64_t{y} * w, pixels + int64_t{srcY + y} * stride + srcX, sizeof(uint32_t) * w);
}

}  // namespace

std::unique_ptr<uint32_t[]> ResizeImage(const uint32_t* pixels, int stride, int height, int srcX, int srcY, int srcW,
                                        int srcH, int dstW, int dstH) {
  if (!ValidRequest(pixels, stride, height, srcX, srcY, srcW, srcH, dstW, dstH)) return nullptr;
  auto out = Allocate<uint32_t>(int64_t{dstW} * dstH);
  if (!out) return nullptr;
  if (srcW == dstW && srcH == dstH) {
    CopyRect(pixels, stride, srcX, srcY, srcW, srcH, out.get());
    return out;
  }
  const int64_t step_x = CornerStep(srcW, dstW, 10);
  const int64_t step_y = CornerStep(srcH, dstH, 10);
  // Every row picks the same columns: work them out once.
  std::vector<int> column(static_cast<size_t>(dstW));
  for (int x = 0; x < dstW; ++x) column[x] = static_cast<int>(std::min<int64_t>((x * step_x + 512) >> 10, srcW - 1));
  for (int y = 0; y < dstH; ++y) {
    const int64_t sy = std::min<int64_t>((y * step_y + 512) >> 10, srcH - 1);
    const uint32_t* __restrict row = pixels + (srcY + sy) * stride + srcX;
    uint32_t* __restrict dst = out.get() + int64_t{y} * dstW;
    const int* __restrict col = column.data();
    for (int x = 0; x < dstW; ++x) dst[x] = row[col[x]];
  }
  return out;
}

bool ResizeImageSmoothInto(const uint32_t* pixels, int stride, int height, int srcX, int srcY, int srcW, int srcH,
                           uint32_t* out, int dstW, int dstH) {
  if (out == nullptr || !ValidRequest(pixels, stride, height, srcX, srcY, srcW, srcH, dstW, dstH)) return false;
  if (srcW == dstW && srcH == dstH) {
    CopyRect(pixels, stride, srcX, srcY, srcW, srcH, out);
    return true;
  }
  const int64_t step_x = CornerStep(srcW, dstW, 16);
  const int64_t step_y = CornerStep(srcH, dstH, 16);
  // Per column: the source column and its 8-bit fraction. The columns are non-decreasing, so
  // the interior ones (neither the first nor the last source column) form one run [xa, xb).
  std::vector<int> column(static_cast<size_t>(dstW));
  std::vector<uint32_t> frac(static_cast<size_t>(dstW));
  int xa = dstW, xb = 0;
  for (int x = 0; x < dstW; ++x) {
    const int64_t X = x * step_x;
    column[x] = static_cast<int>(std::clamp<int64_t>(X >> 16, 0, srcW - 1));
    frac[x] = static_cast<uint32_t>(X >> 8) & 255;
    if (column[x] != 0 && column[x] != srcW - 1) {
      xa = std::min(xa, x);
      xb = x + 1;
    }
  }
  if (xb < xa) xb = xa;
  // The AVX2 row takes each column's fraction in both halves of a word.
  const bool wide = avx2::Available() && xb - xa >= 8;
  std::vector<uint32_t> fx2(wide ? static_cast<size_t>(dstW) : 0);
  for (size_t x = 0; x < fx2.size(); ++x) fx2[x] = frac[x] | frac[x] << 16;
  for (int y = 0; y < dstH; ++y) {
    const int64_t Y = y * step_y;
    const int iy = static_cast<int>(std::clamp<int64_t>(Y >> 16, 0, srcH - 1));
    const uint32_t fy = static_cast<uint32_t>(Y >> 8) & 255;
    const uint32_t* __restrict row0 = pixels + int64_t{srcY + iy} * stride + srcX;
    uint32_t* __restrict dst = out + int64_t{y} * dstW;
    const int* __restrict col = column.data();
    if (iy == 0 || iy == srcH - 1) {
      for (int x = 0; x < dstW; ++x) dst[x] = row0[col[x]];
      continue;
    }
    const uint32_t* __restrict row1 = row0 + stride;
    const uint32_t* __restrict fx = frac.data();
    for (int x = 0; x < xa; ++x) dst[x] = row0[col[x]];
    int x = xa;
    if (wide) {
      const int end = xa + ((xb - xa) & ~7);
      avx2::BilinearRow(dst, row0, row1, col, fx2.data(), fy, xa, end, srcW);
      x = end;
    }
    for (; x < xb; ++x) {
      const int i = col[x];
      dst[x] = BilinearMix(row0[i], row0[i + 1], row1[i], row1[i + 1], fx[x], fy);
    }
    for (int x = xb; x < dstW; ++x) dst[x] = row0[col[x]];
  }
  return true;
}

std::unique_ptr<uint32_t[]> ResizeImageSmooth(const uint32_t* pixels, int stride, int height, int srcX, int srcY,
                                              int srcW, int srcH, int dstW, int dstH) {
  if (!ValidRequest(pixels, stride, height, srcX, srcY, srcW, srcH, dstW, dstH)) return nullptr;
  auto out = Allocate<uint32_t>(int64_t{dstW} * dstH);
  if (!out || !ResizeImageSmoothInto(pixels, stride, height, srcX, srcY, srcW, srcH, out.get(), dstW, dstH))
    return nullptr;
  return out;
}

std::unique_ptr<uint8_t[]> ScalePalettePicture(const uint8_t* pixels, int stride, int height, int srcX, int srcY,
                                               int srcW, int srcH, int dstW, int dstH, uint32_t imageFlags) {
  if (!ValidRequest(pixels, stride, height, srcX, srcY, srcW, srcH, dstW, dstH)) return nullptr;
  auto out = Allocate<uint8_t>(int64_t{dstW} * dstH * 2);
  if (!out) return nullptr;
  const int bpp = (imageFlags & kImageFlagAlpha) ? 2 : 1;
  const int64_t step_x = (int64_t{srcW} << 10) / dstW;
  const int64_t step_y = (int64_t{srcH} << 10) / dstH;
  std::vector<int> column(static_cast<size_t>(dstW));
  for (int x = 0; x < dstW; ++x) column[x] = static_cast<int>(std::min<int64_t>((x * step_x) >> 10, srcW - 1));
  for (int y = 0; y < dstH; ++y) {
    const int64_t sy = std::min<int64_t>((y * step_y) >> 10, srcH - 1);
    const uint8_t* row = pixels + ((srcY + sy) * stride + srcX) * bpp;
    uint8_t* dst = out.get() + int64_t{y} * dstW * bpp;
    if (bpp == 1) {
      for (int x = 0; x < dstW; ++x) dst[x] = row[column[x]];
    } else {
      for (int x = 0; x < dstW; ++x) {
        dst[2 * x] = row[2 * column[x]];
        dst[2 * x + 1] = row[2 * column[x] + 1];
      }
    }
  }
  return out;
}

int SamplePaletteBilinear(const uint8_t* pixels, const uint8_t* palette, int palette_count, int x, int y, int stride,
                          int width, int height, int fx, int fy, uint32_t key, uint32_t* out) {
  if (pixels == nullptr || out == nullptr || width <= 0 || height <= 0 || stride < width) return 0;
  fx = std::clamp(fx, 0, 1024);
  fy = std::clamp(fy, 0, 1024);
  const int64_t xs[4] = {x, int64_t{x} + 1, x, int64_t{x} + 1};
  const int64_t ys[4] = {y, y, int64_t{y} + 1, int64_t{y} + 1};
  uint32_t colour[4] = {};
  bool present[4] = {};
  int first = -1;
  for (int i = 0; i < 4; ++i) {
    if (xs[i] < 0 || xs[i] >= width || ys[i] < 0 || ys[i] >= height) continue;
    const uint8_t index = pixels[ys[i] * stride + xs[i]];
    if (index == key) continue;
    present[i] = true;
    if (index < palette_count && palette != nullptr) {
      const uint8_t* rgb = palette + 3 * index;
      colour[i] = uint32_t{rgb[0]} << 16 | uint32_t{rgb[1]} << 8 | rgb[2];
    }
    if (first < 0) first = i;
  }
  if (first < 0) return 0;
  for (int i = 0; i < 3; ++i)
    if (!present[i]) colour[i] = colour[first];
  const uint64_t weight[4] = {uint64_t(1024 - fx) * uint64_t(1024 - fy), uint64_t(fx) * uint64_t(1024 - fy),
                              uint64_t(1024 - fx) * uint64_t(fy), uint64_t(fx) * uint64_t(fy)};
  uint64_t red = 0, green = 0, blue = 0;
  for (int i = 0; i < 4; ++i) {
    if (i == 3 && !present[3]) break;
    red += ((colour[i] >> 16) & 0xFF) * weight[i];
    green += ((colour[i] >> 8) & 0xFF) * weight[i];
    blue += (colour[i] & 0xFF) * weight[i];
  }
  *out = 0xFF000000u | static_cast<uint32_t>(red >> 20) << 16 | static_cast<uint32_t>(green >> 20) << 8 |
         static_cast<uint32_t>(blue >> 20);
  return 1;
}

}  // namespace engine
