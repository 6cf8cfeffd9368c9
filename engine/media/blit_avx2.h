// AVX2 forms of the hottest row loops. Each gives exactly the words of its scalar rule (the same
// integer arithmetic, eight pixels at a time in 16-bit lanes); callers use them only when the
// processor has AVX2 and finish the last few pixels of a row with the scalar rule.
#pragma once

#include <cstdint>

namespace engine::avx2 {

// True when the processor runs AVX2.
bool Available();

// Rows of n pixels, n a multiple of 8.
// Own alpha, no backdrop, full opacity: blend onto drawn pixels, copy into empty ones.
void AlphaFullRow(uint32_t* dst, const uint32_t* src, int64_t n);
// mix(src, dst, op) with alpha 255 where the source alpha is not 0.
void PlainFadedRow(uint32_t* dst, const uint32_t* src, int64_t n, uint32_t op);
// The source word where its alpha is not 0.
void PlainFullRow(uint32_t* dst, const uint32_t* src, int64_t n);

// Copies n pixels (any n).
void CopyRow(uint32_t* dst, const uint32_t* src, int64_t n);

// n pixels read backwards: dst[i] = src[-i].
void ReverseRow(uint32_t* dst, const uint32_t* src, int64_t n);

// Eight rows of n pixels (n a multiple of 8) read down source columns, as a quarter turn walks
// them: pixel i of row k is src[i * step + k * next], next being 1 or -1; row k goes to
// out + k * pitch.
void GatherColumns8(uint32_t* out, int64_t pitch, const uint32_t* src, int64_t step, int64_t next, int64_t n);

// Bilinear samples (BilinearMix) for target pixels [first, end) of one row, end - first a multiple
// of 8. Pixel x mixes row0[col[x]], row0[col[x] + 1], row1[col[x]] and row1[col[x] + 1] with the
// fractions fx = fx2[x] & 255 (fx2[x] holds it in both 16-bit halves) and fy. Every col[x] + 1 is
// below width, the length of the source rows; nothing at or past it is read.
void BilinearRow(uint32_t* dst, const uint32_t* row0, const uint32_t* row1, const int* col, const uint32_t* fx2,
                 uint32_t fy, int first, int end, int width);

}  // namespace engine::avx2
