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
  for (int64_t i = 0; i < n; i += 8) {
    const __m256i s = Load(src + i), d = Load(dst + i);
    const __m256i a_lo = AlphaLanes(_mm256_unpacklo_epi8(s, zero));
    const __m256i a_hi = AlphaLanes(_mm256_unpackhi_epi8(s, zero));
    const __m256i mixed = MixBytes(s, d, a_lo, a_hi);
    // Colour mixed by the source alpha; alpha the larger of the two.
    const __m256i blended =
        _mm256_or_si256(_mm256_andnot_si256(alpha, mixed), _mm256_and_si256(_mm256_max_epu8(s, d), alpha));
    const __m256i d_empty = _mm256_cmpeq_epi32(_mm256_and_si256(d, alpha), zero);
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

ZP_AVX2 void BilinearRow(uint32_t* dst, const uint32_t* row0, const uint32_t* row1, const int* col, const uint32_t* top,
                         const uint32_t* bottom, int first, int end) {
  // Two neighbouring pixels' bytes b0 g0 r0 a0 b1 g1 r1 a1 become b0 b1 g0 g1 r0 r1 a0 a1, so one
  // multiply-add per channel pair gives p0 * w0 + p1 * w1.
  const __m128i pairs = _mm_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
  const __m256i spread = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
  const __m256i gather = _mm256_setr_epi32(0, 4, 0, 4, 0, 4, 0, 4);
  for (int x = first; x < end; x += 2) {
    long long t0, t1, b0, b1;
    std::memcpy(&t0, row0 + col[x], 8);
    std::memcpy(&t1, row0 + col[x + 1], 8);
    std::memcpy(&b0, row1 + col[x], 8);
    std::memcpy(&b1, row1 + col[x + 1], 8);
    const __m256i t = _mm256_cvtepu8_epi16(_mm_shuffle_epi8(_mm_set_epi64x(t1, t0), pairs));
    const __m256i b = _mm256_cvtepu8_epi16(_mm_shuffle_epi8(_mm_set_epi64x(b1, b0), pairs));
    const __m256i wt = _mm256_permutevar8x32_epi32(
        _mm256_castsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(top + x))), spread);
    const __m256i wb = _mm256_permutevar8x32_epi32(
        _mm256_castsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(bottom + x))), spread);
    const __m256i sum = _mm256_srli_epi32(_mm256_add_epi32(_mm256_madd_epi16(t, wt), _mm256_madd_epi16(b, wb)), 8);
    // Each lane's first word now holds its pixel: bring the two together.
    const __m256i packed =
        _mm256_permutevar8x32_epi32(_mm256_packus_epi16(_mm256_packus_epi32(sum, sum), _mm256_setzero_si256()), gather);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + x), _mm256_castsi256_si128(packed));
  }
}

}  // namespace engine::avx2
