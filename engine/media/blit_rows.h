// The row loops of the blit family: rule R applied along one row of target pixels from a row of
// source pixels that follow each other. The unturned members run them on the picture's own rows;
// the quarter-turned members on a row gathered from the picture's column (90 and 270 degrees)
// or read backwards (180 degrees), so both give the words of the same rule.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/media/blit_avx2.h"
#include "engine/media/pixel_rules.h"

namespace engine::blit_rows {

using pixel_rules::Apply;
using pixel_rules::Rule;
using pixel_rules::RuleParams;

// The AVX2 form of rule R over n pixels, n a multiple of 8.
template <Rule R>
inline void WideRows(uint32_t* d, const uint32_t* s, int64_t n, const RuleParams& k) {
  if constexpr (R == Rule::kAlphaFull)
    avx2::AlphaFullRow(d, s, n);
  else if constexpr (R == Rule::kPlainFaded)
    avx2::PlainFadedRow(d, s, n, k.op);
  else
    avx2::PlainFullRow(d, s, n);
}

// Rule R over n true-colour pixels.
template <Rule R>
inline void TrueColourRow(uint32_t* __restrict d, const uint32_t* __restrict s, int64_t n, const RuleParams k) {
  // The commonest rules have AVX2 forms that give the same words as the scalar rule. A row's last
  // few pixels go through them too, by way of an eight-pixel scratch copy.
  if constexpr (R == Rule::kAlphaFull || R == Rule::kPlainFaded || R == Rule::kPlainFull) {
    if (n >= 8 && avx2::Available()) {
      const int64_t bulk = n & ~int64_t{7};
      WideRows<R>(d, s, bulk, k);
      if (const int64_t rest = n - bulk; rest > 0) {
        uint32_t dst8[8] = {}, src8[8] = {};
        std::memcpy(dst8, d + bulk, static_cast<size_t>(rest) * 4);
        std::memcpy(src8, s + bulk, static_cast<size_t>(rest) * 4);
        WideRows<R>(dst8, src8, 8, k);
        std::memcpy(d + bulk, dst8, static_cast<size_t>(rest) * 4);
      }
      return;
    }
  }
  for (int64_t i = 0; i < n; ++i) d[i] = Apply<R, false>(d[i], s[i], k);
}

// Rule R over n palette pixels of kBpp bytes; the transparent index `key` is skipped.
template <Rule R, int kBpp>
inline void PaletteRow(uint32_t* __restrict d, const uint8_t* __restrict s, int64_t n, const RuleParams k, uint32_t key,
                       const PaletteTable& palette) {
  for (int64_t i = 0; i < n; ++i) {
    const uint8_t* px = s + i * kBpp;
    const uint32_t drawn = Apply<R, true>(d[i], pixel_rules::PaletteWord<kBpp>(px, palette), k);
    d[i] = px[0] != key ? drawn : d[i];
  }
}

}  // namespace engine::blit_rows
