// The turned members of the blit family. Each walks the 2R square of its picture row by row;
// TurnWalk gives, per row, the run of columns whose inverse-turned point lands inside the source
// and the clip, so the inner loops only step fixed-point coordinates and never test bounds.
// Turns of exactly 90, 180 and 270 degrees step whole source pixels along a source column or
// backwards along a source row: their runs are gathered into a row and drawn by the row loops of
// the unturned members.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/media/blit.h"
#include "engine/media/blit_avx2.h"
#include "engine/media/blit_rows.h"
#include "engine/media/picture_scale.h"
#include "engine/media/picture_turn.h"
#include "engine/media/pixel_rules.h"

namespace engine {
namespace {

using pixel_rules::Apply;
using pixel_rules::Rule;
using pixel_rules::RuleParams;

// A turn of exactly 0, 90, 180 or 270 degrees walks whole source pixels: each column of the square
// moves the source point by `step` pixels (one along the row, or one row along the column), and
// the rows that hit the picture all hit it over the same columns. The runs are gathered, a chunk
// at a time, into rows that the unturned members' row loops draw. At 90 and 270 degrees eight
// rows read eight neighbouring source columns, so they are gathered together as 8 x 8 blocks.
template <Rule R, int kBpp>
void RunQuarterTurned(const DrawTarget& t, int64_t x0, int64_t y0, const SourceBlock& s, const TurnWalk& walk,
                      const RuleParams& k, uint32_t key, const PaletteTable* palette) {
  constexpr int64_t kChunk = 256;
  // The square rows that hit the picture follow each other, all over the same columns.
  int64_t first = 0, end = 0;
  walk.WholePixelRows(&first, &end);
  if (first >= end) return;
  const TurnWalk::Span span = walk.RowSpan(first);
  // Where the first of them starts reading the source; the next row reads `next` pixels on, and
  // each column `step` pixels on.
  const int64_t at = (walk.cy() + int64_t{s.y} - (span.v >> 10)) * s.stride + walk.cx() + int64_t{s.x} + (span.u >> 10);
  const int64_t step = (walk.c() >> 10) + (walk.s() >> 10) * s.stride;
  const int64_t next = -(walk.s() >> 10) + (walk.c() >> 10) * s.stride;
  // Eight rows at a time when rows step along the source row and columns down its column (a
  // picture one pixel wide steps by one both ways: it goes a row at a time).
  const bool columns = kBpp == 4 && (next == 1 || next == -1) && step != 1 && step != -1 && avx2::Available();
  alignas(32) uint8_t gathered[8 * kChunk * kBpp];
  for (int64_t j = first; j < end;) {
    const int64_t rows = columns && j + 8 <= end ? 8 : 1;
    for (int64_t i = span.first; i < span.end; i += kChunk) {
      const int64_t n = std::min(kChunk, span.end - i);
      const int64_t from = at + (j - first) * next + (i - span.first) * step;
      uint32_t* target = t.pixels + (y0 + j) * t.width + (x0 + i);
      if constexpr (kBpp == 4) {
        const auto* src = reinterpret_cast<const uint32_t*>(s.pixels);
        auto* words = reinterpret_cast<uint32_t*>(gathered);
        if (step == 1) {
          // Unturned (the invert members come here at 0 degrees): the source row itself.
          blit_rows::TrueColourRow<R>(target, src + from, n, k);
          continue;
        }
        int64_t gathered_wide = 0;
        if (rows == 8) {
          gathered_wide = n & ~int64_t{7};
          if (gathered_wide > 0) avx2::GatherColumns8(words, kChunk, src + from, step, next, gathered_wide);
        } else if (step == -1 && avx2::Available()) {
          avx2::ReverseRow(words, src + from, n);
          gathered_wide = n;
        }
        for (int64_t r = 0; r < rows; ++r)
          for (int64_t g = gathered_wide; g < n; ++g) words[r * kChunk + g] = src[from + g * step + r * next];
        for (int64_t r = 0; r < rows; ++r) blit_rows::TrueColourRow<R>(target + r * t.width, words + r * kChunk, n, k);
      } else {
        for (int64_t g = 0; g < n; ++g) std::memcpy(gathered + g * kBpp, s.pixels + (from + g * step) * kBpp, kBpp);
        blit_rows::PaletteRow<R, kBpp>(target, gathered, n, k, key, *palette);
      }
    }
    j += rows;
  }
}

// Nearest sampling in 10-bit fixed point: the source pixel of square column i is
// (cx + (u >> 10), cy - (v >> 10)), u and v stepping by c and -s per column.
template <Rule R, int kBpp>
void RunTurned(const DrawTarget& t, int64_t x0, int64_t y0, const RECT& clip, const SourceBlock& s, double angle,
               const RuleParams k, uint32_t key, const PaletteTable* palette) {
  const RECT c = pixel_rules::TargetClip(t, clip);
  if (platform::IsRectEmpty(c) || !pixel_rules::ValidSource(s) || s.bytes_per_pixel != kBpp) return;
  if (kBpp != 4 && palette == nullptr) return;
  const TurnWalk walk(s.width, s.height, x0, y0, angle, 10, c);
  if (walk.WalksWholePixels()) {
    RunQuarterTurned<R, kBpp>(t, x0, y0, s, walk, k, key, palette);
    return;
  }
  const int64_t cx = walk.cx() + int64_t{s.x};
  const int64_t cy = walk.cy() + int64_t{s.y};
  const int64_t dc = walk.c(), ds = walk.s();
  for (int64_t j = walk.first_row(); j < walk.end_row(); ++j) {
    const TurnWalk::Span span = walk.RowSpan(j);
    uint32_t* __restrict row = t.pixels + (y0 + j) * t.width;  // row[x0 + i] is in the clip
    int64_t u = span.u, v = span.v;
    for (int64_t i = span.first; i < span.end; ++i, u += dc, v -= ds) {
      const int64_t at = (cy - (v >> 10)) * s.stride + cx + (u >> 10);
      if constexpr (kBpp == 4) {
        uint32_t& d = row[x0 + i];
        d = Apply<R, false>(d, reinterpret_cast<const uint32_t*>(s.pixels)[at], k);
      } else {
        const uint8_t* px = s.pixels + at * kBpp;
        uint32_t& d = row[x0 + i];
        const uint32_t drawn = Apply<R, true>(d, pixel_rules::PaletteWord<kBpp>(px, *palette), k);
        d = px[0] != key ? drawn : d;
      }
    }
  }
}

template <int kBpp>
void RunTurnedRule(Rule rule, const DrawTarget& t, int64_t x0, int64_t y0, const RECT& clip, const SourceBlock& s,
                   double angle, const RuleParams& k, uint32_t key, const PaletteTable* palette) {
  pixel_rules::WithRule(
      rule, [&](auto tag) { RunTurned<decltype(tag)::value, kBpp>(t, x0, y0, clip, s, angle, k, key, palette); });
}

// The source pixel (x, y) of the block as a surface word. A palette pixel with the transparent
// index reads as fully transparent black, so smooth turning never paints the key colour.
template <int kBpp>
inline uint32_t SmoothWord(const SourceBlock& s, int64_t x, int64_t y, uint32_t key, const PaletteTable* palette) {
  const int64_t at = y * s.stride + x;
  if constexpr (kBpp == 4) {
    return reinterpret_cast<const uint32_t*>(s.pixels)[at];
  } else {
    const uint8_t* px = s.pixels + at * kBpp;
    return px[0] != key ? pixel_rules::PaletteWord<kBpp>(px, *palette) : 0u;
  }
}

// Smooth turning in 16.16: bilinear inside the picture, nearest on its border rows and columns,
// every sample put down by BlendPixel.
template <int kBpp>
void RunTurnedSmooth(const DrawTarget& t, int64_t x0, int64_t y0, const RECT& clip, const SourceBlock& s, double angle,
                     double opacity, uint32_t key, const PaletteTable* palette) {
  const RECT c = pixel_rules::TargetClip(t, clip);
  if (std::isnan(opacity) || platform::IsRectEmpty(c) || !pixel_rules::ValidSource(s) || s.bytes_per_pixel != kBpp)
    return;
  if (kBpp != 4 && palette == nullptr) return;
  const uint32_t op = static_cast<uint32_t>(OpacityByte(opacity));
  const TurnWalk walk(s.width, s.height, x0, y0, angle, 16, c);
  const int64_t dc = walk.c(), ds = walk.s();
  const int64_t last_x = s.width - 1, last_y = s.height - 1;
  for (int64_t j = walk.first_row(); j < walk.end_row(); ++j) {
    const TurnWalk::Span span = walk.RowSpan(j);
    uint32_t* __restrict row = t.pixels + (y0 + j) * t.width;  // row[x0 + i] is in the clip
    int64_t X = span.u, Y = span.v;
    for (int64_t i = span.first; i < span.end; ++i, X += dc, Y += ds) {
      const int64_t ix = X >> 16, iy = Y >> 16;
      const int64_t sx = s.x + ix, sy = s.y + iy;
      uint32_t p;
      if (ix != 0 && iy != 0 && ix != last_x && iy != last_y) {
        p = BilinearMix(SmoothWord<kBpp>(s, sx, sy, key, palette), SmoothWord<kBpp>(s, sx + 1, sy, key, palette),
                        SmoothWord<kBpp>(s, sx, sy + 1, key, palette),
                        SmoothWord<kBpp>(s, sx + 1, sy + 1, key, palette), static_cast<uint32_t>(X >> 8) & 255,
                        static_cast<uint32_t>(Y >> 8) & 255);
      } else {
        p = SmoothWord<kBpp>(s, sx, sy, key, palette);
      }
      row[x0 + i] = pixel_rules::BlendWord(row[x0 + i], p, op);
    }
  }
}

}  // namespace

void BlitPaletteAlphaTurned(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s,
                            uint32_t key, const PaletteTable& palette, double angle, double opacity,
                            uint32_t backdrop) {
  Rule rule;
  if (pixel_rules::TurnedAlphaRule(opacity, backdrop != kColourKey, rule))
    RunTurnedRule<2>(rule, t, x, y, clip, s, angle, pixel_rules::MakeRuleParams(opacity, backdrop), key, &palette);
}

void BlitPaletteAlphaTurnedSmooth(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s,
                                  uint32_t key, const PaletteTable& palette, double angle, double opacity) {
  RunTurnedSmooth<2>(t, x, y, clip, s, angle, opacity, key, &palette);
}

void BlitPaletteTurned(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, uint32_t key,
                       const PaletteTable& palette, double angle, double opacity, uint32_t backdrop) {
  Rule rule;
  if (pixel_rules::PlainRule(opacity, backdrop != kColourKey, rule))
    RunTurnedRule<1>(rule, t, x, y, clip, s, angle, pixel_rules::MakeRuleParams(opacity, backdrop), key, &palette);
}

void BlitPaletteTurnedSmooth(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s,
                             uint32_t key, const PaletteTable& palette, double angle, double opacity) {
  RunTurnedSmooth<1>(t, x, y, clip, s, angle, opacity, key, &palette);
}

void InvertPaletteTurned(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s,
                         uint32_t key, double angle) {
  // Only presence matters here: the transparent index and, for two-byte pixels, alpha 0.
  const PaletteTable opaque(nullptr, 0);
  const RuleParams k;
  if (s.bytes_per_pixel == 2)
    RunTurned<Rule::kInvert, 2>(t, x, y, clip, s, angle, k, key, &opaque);
  else
    RunTurned<Rule::kInvert, 1>(t, x, y, clip, s, angle, k, key, &opaque);
}

void BlitAlphaTurned(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, double angle,
                     double opacity, uint32_t backdrop) {
  Rule rule;
  if (pixel_rules::TurnedAlphaRule(opacity, backdrop != kColourKey, rule))
    RunTurnedRule<4>(rule, t, x, y, clip, s, angle, pixel_rules::MakeRuleParams(opacity, backdrop), 256, nullptr);
}

void BlitTurned(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, double angle,
                double opacity, uint32_t backdrop) {
  Rule rule;
  if (pixel_rules::PlainRule(opacity, backdrop != kColourKey, rule))
    RunTurnedRule<4>(rule, t, x, y, clip, s, angle, pixel_rules::MakeRuleParams(opacity, backdrop), 256, nullptr);
}

void BlitTurnedSmooth(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, double angle,
                      double opacity) {
  RunTurnedSmooth<4>(t, x, y, clip, s, angle, opacity, 256, nullptr);
}

void BlitKeyedTurned(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, double angle,
                     double opacity) {
  Rule rule;
  if (pixel_rules::KeyedRule(opacity, rule))
    RunTurnedRule<4>(rule, t, x, y, clip, s, angle, pixel_rules::MakeKeyedParams(t, opacity), 256, nullptr);
}

void InvertTurned(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, double angle,
                  double opacity) {
  if (opacity == 0.0 || std::isnan(opacity)) return;
  RunTurned<Rule::kInvert, 4>(t, x, y, clip, s, angle, RuleParams{}, 256, nullptr);
}

}  // namespace engine
