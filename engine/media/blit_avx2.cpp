#include "engine/media/blit_avx2.h"

#include <immintrin.h>

#include <cstring>

namespace engine::avx2 {
namespace {

#define ZP_AVX2 __attribute__((target("avx2")))

ZP_AVX2 inline __m256i Load(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
ZP_AVX2 inline void Store(uint32_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

// (s * w + d * (255 - w)) >> 8 on every byte, with w given per byte in 16-bit lanes.
ZP_AVX2 inline __m256i MixBytes(__m256i s, __m256i d, __m256i w_lo, __m256i w_hi) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i full = _mm256_set1_epi16(255);
  const __m256i lo = _mm256_srli_epi16(
      _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(s, zero), w_lo),
                       _mm256_mullo_epi16(_mm256_unpacklo_epi8(d, zero), _mm256_sub_epi16(full, w_lo))),
      8);
  const __m256i hi = _mm256_srli_epi16(
      _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(s, zero), w_hi),
                       _mm256_mullo_epi16(_mm256_unpackhi_epi8(d, zero), _mm256_sub_epi16(full, w_hi))),
      8);
  return _mm256_packus_epi16(lo, hi);
}

// Each pixel's alpha repeated over its four 16-bit lanes.
ZP_AVX2 inline __m256i AlphaLanes(__m256i px16) {
  return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(px16, 0xFF), 0xFF);
}

}  // namespace

bool Available() {
  static const bool available = __builtin_cpu_supports("avx2");
  return available;
}

ZP_AVX2 void AlphaFullRow(uint32_t* dst, const uint32_t* src, int64_t n) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const __m256i one_less = _mm256_set1_epi32(0x00010101);
  for (int64_t i = 0; i < n; i += 8) {
    const __m256i s = Load(src + i), d = Load(dst + i);
    const __m256i d_empty = _mm256_cmpeq_epi32(_mm256_and_si256(d, alpha), zero);
    if (_mm256_testc_si256(s, alpha) && _mm256_testz_si256(d_empty, d_empty)) {
      // Eight opaque pixels onto drawn ones: mixing by 255 leaves (s * 255) >> 8, one less than
      // each colour byte above 0, and alpha 255.
      Store(dst + i, _mm256_or_si256(_mm256_subs_epu8(s, one_less), alpha));
      continue;
    }
    const __m256i a_lo = AlphaLanes(_mm256_unpacklo_epi8(s, zero));
    const __m256i a_hi = AlphaLanes(_mm256_unpackhi_epi8(s, zero));
    const __m256i mixed = MixBytes(s, d, a_lo, a_hi);
    // Colour mixed by the source alpha; alpha the larger of the two.
    const __m256i blended =
        _mm256_or_si256(_mm256_andnot_si256(alpha, mixed), _mm256_and_si256(_mm256_max_epu8(s, d), alpha));
    const __m256i s_empty = _mm256_cmpeq_epi32(_mm256_and_si256(s, alpha), zero);
    __m256i r = _mm256_blendv_epi8(blended, s, d_empty);
    r = _mm256_blendv_epi8(r, d, s_empty);
    Store(dst + i, r);
  }
}

ZP_AVX2 void PlainFadedRow(uint32_t* dst, const uint32_t* src, int64_t n, uint32_t op) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const __m256i w = _mm256_set1_epi16(static_cast<short>(op));
  for (int64_t i = 0; i < n; i += 8) {
    const __m256i s = Load(src + i), d = Load(dst + i);
    const __m256i r = _mm256_or_si256(MixBytes(s, d, w, w), alpha);
    const __m256i s_empty = _mm256_cmpeq_epi32(_mm256_and_si256(s, alpha), zero);
    Store(dst + i, _mm256_blendv_epi8(r, d, s_empty));
  }
}

ZP_AVX2 void PlainFullRow(uint32_t* dst, const uint32_t* src, int64_t n) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  for (int64_t i = 0; i < n; i += 8) {
    const __m256i s = Load(src + i), d = Load(dst + i);
    const __m256i s_empty = _mm256_cmpeq_epi32(_mm256_and_si256(s, alpha), zero);
    Store(dst + i, _mm256_blendv_epi8(s, d, s_empty));
  }
}

ZP_AVX2 void CopyRow(uint32_t* dst, const uint32_t* src, int64_t n) {
  int64_t i = 0;
  // Stores that straddle cache lines cost more than the few single words that align them.
  for (; i < n && (reinterpret_cast<uintptr_t>(dst + i) & 31) != 0; ++i) dst[i] = src[i];
  for (; i + 32 <= n; i += 32) {
    const __m256i a = Load(src + i), b = Load(src + i + 8), c = Load(src + i + 16), d = Load(src + i + 24);
    Store(dst + i, a);
    Store(dst + i + 8, b);
    Store(dst + i + 16, c);
    Store(dst + i + 24, d);
  }
  for (; i + 8 <= n; i += 8) Store(dst + i, Load(src + i));
  for (; i < n; ++i) dst[i] = src[i];
}

ZP_AVX2 void ReverseRow(uint32_t* dst, const uint32_t* src, int64_t n) {
  const __m256i backwards = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
  int64_t i = 0;
  for (; i + 8 <= n; i += 8) Store(dst + i, _mm256_permutevar8x32_epi32(Load(src - i - 7), backwards));
  for (; i < n; ++i) dst[i] = src[-i];
}

ZP_AVX2 void GatherColumns8(uint32_t* out, int64_t pitch, const uint32_t* src, int64_t step, int64_t next, int64_t n) {
  // Eight source pixels side by side belong to the eight rows at one column: loading them for
  // eight columns gives an 8 x 8 block whose transpose holds eight pixels of each row.
  const int64_t lowest = next > 0 ? 0 : -7;  // the first of the eight neighbours in memory
  for (int64_t i = 0; i < n; i += 8) {
    __m256i r[8];
    for (int m = 0; m < 8; ++m) r[m] = Load(src + (i + m) * step + lowest);
    __m256i t[8], u[8];
    for (int m = 0; m < 8; m += 2) {
      t[m] = _mm256_unpacklo_epi32(r[m], r[m + 1]);
      t[m + 1] = _mm256_unpackhi_epi32(r[m], r[m + 1]);
    }
    for (int m = 0; m < 8; m += 4) {
      u[m] = _mm256_unpacklo_epi64(t[m], t[m + 2]);
      u[m + 1] = _mm256_unpackhi_epi64(t[m], t[m + 2]);
      u[m + 2] = _mm256_unpacklo_epi64(t[m + 1], t[m + 3]);
      u[m + 3] = _mm256_unpackhi_epi64(t[m + 1], t[m + 3]);
    }
    for (int k = 0; k < 4; ++k) {
      // Lane k of every loaded block, then lane k + 4: rows k and k + 4 in memory order.
      const __m256i low = _mm256_permute2x128_si256(u[k], u[k + 4], 0x20);
      const __m256i high = _mm256_permute2x128_si256(u[k], u[k + 4], 0x31);
      Store(out + (next > 0 ? k : 7 - k) * pitch + i, low);
      Store(out + (next > 0 ? k + 4 : 3 - k) * pitch + i, high);
    }
  }
}

namespace {

// a * wa + b * wb + c * wc + d * wd in 16-bit lanes.
ZP_AVX2 inline __m256i Weigh4(__m256i a, __m256i b, __m256i c, __m256i d, __m256i wa, __m256i wb, __m256i wc,
                              __m256i wd) {
  return _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(a, wa), _mm256_mullo_epi16(b, wb)),
                          _mm256_add_epi16(_mm256_mullo_epi16(c, wc), _mm256_mullo_epi16(d, wd)));
}

}  // namespace

ZP_AVX2 void BilinearRow(uint32_t* dst, const uint32_t* row0, const uint32_t* row1, const int* col, const uint32_t* fx2,
                         uint32_t fy, int first, int end, int width) {
  // Blue and red, green and alpha each sit in the low byte of a 16-bit lane; a weight is at most
  // 256 and the four weights add up to 256, so every product and sum fits the lane, as in the
  // 32-bit words of BilinearMix.
  const __m256i low_bytes = _mm256_set1_epi32(0x00FF00FF);
  const __m256i high_bytes = _mm256_set1_epi32(static_cast<int>(0xFF00FF00u));
  const __m256i whole = _mm256_set1_epi16(256);
  const __m256i one = _mm256_set1_epi32(1);
  const __m256i wy = _mm256_set1_epi16(static_cast<int16_t>(fy));
  for (int x = first; x < end; x += 8) {
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(col + x));
    const int base = col[x];
    __m256i p00, p10, p01, p11;
    if (col[x + 7] + 1 - base < 8 && base + 8 <= width) {
      // The eight targets sample at most eight neighbouring source pixels (a stretch): load them
      // once per row and pick.
      const __m256i i0 = _mm256_sub_epi32(c, _mm256_set1_epi32(base));
      const __m256i i1 = _mm256_add_epi32(i0, one);
      const __m256i r0 = Load(row0 + base);
      const __m256i r1 = Load(row1 + base);
      p00 = _mm256_permutevar8x32_epi32(r0, i0);
      p10 = _mm256_permutevar8x32_epi32(r0, i1);
      p01 = _mm256_permutevar8x32_epi32(r1, i0);
      p11 = _mm256_permutevar8x32_epi32(r1, i1);
    } else {
      const int* r0 = reinterpret_cast<const int*>(row0);
      const int* r1 = reinterpret_cast<const int*>(row1);
      p00 = _mm256_i32gather_epi32(r0, c, 4);
      p10 = _mm256_i32gather_epi32(r0 + 1, c, 4);
      p01 = _mm256_i32gather_epi32(r1, c, 4);
      p11 = _mm256_i32gather_epi32(r1 + 1, c, 4);
    }
    const __m256i wx = Load(fx2 + x);
    const __m256i w11 = _mm256_srli_epi16(_mm256_mullo_epi16(wx, wy), 8);
    const __m256i w10 = _mm256_sub_epi16(wx, w11);
    const __m256i w01 = _mm256_sub_epi16(wy, w11);
    const __m256i w00 = _mm256_sub_epi16(_mm256_sub_epi16(_mm256_sub_epi16(whole, w10), w01), w11);
    const __m256i rb = Weigh4(_mm256_and_si256(p00, low_bytes), _mm256_and_si256(p10, low_bytes),
                              _mm256_and_si256(p01, low_bytes), _mm256_and_si256(p11, low_bytes), w00, w10, w01, w11);
    const __m256i ag = Weigh4(_mm256_srli_epi16(p00, 8), _mm256_srli_epi16(p10, 8), _mm256_srli_epi16(p01, 8),
                              _mm256_srli_epi16(p11, 8), w00, w10, w01, w11);
    Store(dst + x, _mm256_or_si256(_mm256_and_si256(ag, high_bytes), _mm256_srli_epi16(rb, 8)));
  }
}

}  // namespace engine::avx2
