// Software scaling of a rectangle of a picture into a new, tightly packed block.
//
// Three scalers with their own fixed-point rules; they give slightly different pixels for the
// same request, and callers rely on each one's exact choice:
//   ResizeImage          nearest, 22.10 with rounding, first and last columns onto first and last
//   ResizeImageSmooth    bilinear, 16.16 with 8-bit weights, border rows and columns nearest
//   ScalePalettePicture  nearest on 1- or 2-byte palette pixels, 22.10 truncated, left edges aligned
// The source rectangle must lie inside the block (callers clamp it); a target or source size
// that is not positive gives null, as does a failed allocation.
#pragma once

#include <cstdint>
#include <memory>

namespace engine {

// Nearest-neighbour scale of 32-bit pixels. `stride` is the source row length in pixels; the
// source height is not needed by the arithmetic and is only checked against the rectangle.
std::unique_ptr<uint32_t[]> ResizeImage(const uint32_t* pixels, int stride, int height, int srcX, int srcY, int srcW,
                                        int srcH, int dstW, int dstH);

// Bilinear scale of 32-bit pixels; arguments as ResizeImage.
std::unique_ptr<uint32_t[]> ResizeImageSmooth(const uint32_t* pixels, int stride, int height, int srcX, int srcY,
                                              int srcW, int srcH, int dstW, int dstH);

// The work of ResizeImageSmooth into a caller's dstW x dstH block (row length dstW).
// Returns false, writing nothing, when a size is not positive or the rectangle leaves the block.
bool ResizeImageSmoothInto(const uint32_t* pixels, int stride, int height, int srcX, int srcY, int srcW, int srcH,
                           uint32_t* out, int dstW, int dstH);

// Nearest-neighbour scale of palette pixels: two bytes each (index, alpha) when imageFlags has the
// alpha flag, else one byte each. The block has room for two bytes per pixel either way.
std::unique_ptr<uint8_t[]> ScalePalettePicture(const uint8_t* pixels, int stride, int height, int srcX, int srcY,
                                               int srcW, int srcH, int dstW, int dstH, uint32_t imageFlags);

// Bilinear sample of one-byte palette pixels at (x, y) + (fx, fy) / 1024, into *out as a surface
// word with alpha 255. The neighbours (x, y), (x + 1, y), (x, y + 1) and (x + 1, y + 1) count when
// they lie inside the width x height block (row length `stride`) and are not the transparent
// index `key`; the first present one in that order stands in for a missing one of the first
// three, and a missing (x + 1, y + 1) adds nothing. Weights are (1024 - fx)(1024 - fy), fx(1024 -
// fy), (1024 - fx)fy and fx*fy, the sums cut by 20 bits. palette: count entries of red, green,
// blue; an index past them reads black. Returns 0, writing nothing, when no neighbour is present.
int SamplePaletteBilinear(const uint8_t* pixels, const uint8_t* palette, int palette_count, int x, int y, int stride,
                          int width, int height, int fx, int fy, uint32_t key, uint32_t* out);

// Bilinear mix of four neighbours with the 8-bit fractions fx, fy (0..255): each of blue, green,
// red and alpha is the weighted sum / 256, truncated; two channels are worked at once.
inline uint32_t BilinearMix(uint32_t p00, uint32_t p10, uint32_t p01, uint32_t p11, uint32_t fx, uint32_t fy) {
  const uint32_t w11 = (fx * fy) >> 8;
  const uint32_t w10 = fx - w11;
  const uint32_t w01 = fy - w11;
  const uint32_t w00 = 256 - w10 - w01 - w11;
  const uint32_t rb =
      (p00 & 0x00FF00FF) * w00 + (p10 & 0x00FF00FF) * w10 + (p01 & 0x00FF00FF) * w01 + (p11 & 0x00FF00FF) * w11;
  const uint32_t ag = ((p00 & 0xFF00FF00) >> 8) * w00 + ((p10 & 0xFF00FF00) >> 8) * w10 +
                      ((p01 & 0xFF00FF00) >> 8) * w01 + ((p11 & 0xFF00FF00) >> 8) * w11;
  return (ag & 0xFF00FF00) | ((rb & 0xFF00FF00) >> 8);
}

// Bilinear sample at the 16.16 point (X, Y) of a block with row length `stride`; the caller
// guarantees that (X >> 16) + 1 and (Y >> 16) + 1 lie inside the block.
inline uint32_t SampleBilinear(const uint32_t* pixels, int stride, int64_t X, int64_t Y) {
  const uint32_t* p = pixels + (Y >> 16) * stride + (X >> 16);
  return BilinearMix(p[0], p[1], p[stride], p[stride + 1], static_cast<uint32_t>(X >> 8) & 255,
                     static_cast<uint32_t>(Y >> 8) & 255);
}

}  // namespace engine
