// The unturned members of the blit family and the helpers every member shares.
#include "engine/media/blit.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/media/blit_avx2.h"
#include "engine/media/blit_rows.h"
#include "engine/media/pixel_rules.h"

namespace engine {

using pixel_rules::AlphaRule;
using pixel_rules::Apply;
using pixel_rules::PlainRule;
using pixel_rules::Rule;
using pixel_rules::RuleParams;

PaletteTable::PaletteTable(const uint8_t* rgb, int count) {
  const int n = rgb == nullptr ? 0 : std::clamp(count, 0, 256);
  for (int i = 0; i < n; ++i)
    colour[i] = 0xFF000000u | (uint32_t{rgb[3 * i]} << 16) | (uint32_t{rgb[3 * i + 1]} << 8) | rgb[3 * i + 2];
  for (int i = n; i < 256; ++i) colour[i] = 0xFF000000u;
}

int OpacityByte(double opacity) {
  if (!(opacity > 0.0)) return 0;  // also not a number
  if (opacity >= 1.0) return 255;
  return static_cast<int>(opacity * 255);
}

uint32_t BlendPixel(uint32_t d, uint32_t p, int op) {
  return pixel_rules::BlendWord(d, p, static_cast<uint32_t>(std::clamp(op, 0, 255)));
}

namespace pixel_rules {

RuleParams MakeRuleParams(double opacity, uint32_t backdrop) {
  RuleParams k;
  k.op = static_cast<uint32_t>(OpacityByte(opacity));
  k.threshold = backdrop >> 24;
  // A backdrop is given as a COLORREF: red in the low byte.
  k.backdrop = ((backdrop & 0xFF) << 16) | (backdrop & 0xFF00) | ((backdrop >> 16) & 0xFF);
  return k;
}

RECT TargetClip(const DrawTarget& t, const RECT& clip) {
  if (t.pixels == nullptr || t.width <= 0 || t.height <= 0) return {};
  RECT c;
  platform::IntersectRect(&c, clip, RECT{0, 0, t.width, t.height});
  return c;
}

bool ValidSource(const SourceBlock& s) {
  if (s.pixels == nullptr || s.x < 0 || s.y < 0 || s.width <= 0 || s.height <= 0 || s.stride <= 0) return false;
  if (s.bytes_per_pixel != 1 && s.bytes_per_pixel != 2 && s.bytes_per_pixel != 4) return false;
  return int64_t{s.x} + s.width <= s.stride && int64_t{s.y} + s.height <= s.rows;
}

bool AlphaRule(double opacity, bool backdrop, bool onto_opaque, Rule& rule) {
  if (std::isnan(opacity)) return false;
  if (opacity > 0.0 && opacity < 1.0) {
    rule = onto_opaque ? (backdrop ? Rule::kOpaqueFadedBackdrop : Rule::kOpaqueFaded)
                       : (backdrop ? Rule::kAlphaFadedBackdrop : Rule::kAlphaFaded);
    return true;
  }
  if (opacity == 0.0 && !backdrop) return false;
  rule = onto_opaque ? (backdrop ? Rule::kOpaqueFullBackdrop : Rule::kOpaqueFull)
                     : (backdrop ? Rule::kAlphaFullBackdrop : Rule::kAlphaFull);
  return true;
}

bool TurnedAlphaRule(double opacity, bool backdrop, Rule& rule) {
  if (std::isnan(opacity)) return false;
  const bool faded = opacity >= 0.0 && opacity < 1.0;
  rule = faded ? (backdrop ? Rule::kAlphaFadedBackdrop : Rule::kAlphaFaded)
               : (backdrop ? Rule::kAlphaFullBackdrop : Rule::kAlphaFull);
  return true;
}

bool PlainRule(double opacity, bool backdrop, Rule& rule) {
  if (!(opacity > 0.0)) return false;
  rule = opacity >= 1.0 ? Rule::kPlainFull : (backdrop ? Rule::kPlainFadedBackdrop : Rule::kPlainFaded);
  return true;
}

bool KeyedRule(double opacity, Rule& rule) {
  if (std::isnan(opacity) || opacity == 0.0) return false;
  rule = opacity >= 1.0 ? Rule::kKeyedCopy : (opacity > 0.0 ? Rule::kKeyedFaded : Rule::kKeyedOwnAlpha);
  return true;
}

RuleParams MakeKeyedParams(const DrawTarget& t, double opacity) {
  RuleParams k = MakeRuleParams(opacity, kColourKey);
  // The key is a COLORREF: red in the low byte.
  k.key = ((t.colour_key & 0xFF) << 16) | (t.colour_key & 0xFF00) | ((t.colour_key >> 16) & 0xFF);
  return k;
}

}  // namespace pixel_rules

namespace {

// The placed rectangle after clipping: target position, source position and size.
struct Placement {
  int64_t x, y, sx, sy, w, h;
};

bool ClipPlacement(int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, Placement& out) {
  int64_t sx = s.x, sy = s.y, w = s.width, h = s.height;
  if (x < clip.left) {
    w -= clip.left - x;
    sx += clip.left - x;
    x = clip.left;
  }
  if (x + w > clip.right) w = clip.right - x;
  if (y < clip.top) {
    h -= clip.top - y;
    sy += clip.top - y;
    y = clip.top;
  }
  if (y + h > clip.bottom) h = clip.bottom - y;
  if (w <= 0 || h <= 0) return false;
  out = {x, y, sx, sy, w, h};
  return true;
}

// Runs rule R over the clipped rectangle.
template <Rule R>
void RunUnturned(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, const RuleParams& k,
                 uint32_t key, const PaletteTable* palette) {
  const RECT c = pixel_rules::TargetClip(t, clip);
  Placement p;
  if (platform::IsRectEmpty(c) || !pixel_rules::ValidSource(s) || !ClipPlacement(x, y, c, s, p)) return;
  const int bpp = s.bytes_per_pixel;
  for (int64_t j = 0; j < p.h; ++j) {
    uint32_t* d = t.pixels + (p.y + j) * t.width + p.x;
    const uint8_t* row = s.pixels + ((p.sy + j) * s.stride + p.sx) * bpp;
    if (bpp == 4) {
      blit_rows::TrueColourRow<R>(d, reinterpret_cast<const uint32_t*>(row), p.w, k);
    } else if (palette != nullptr) {
      if (bpp == 2)
        blit_rows::PaletteRow<R, 2>(d, row, p.w, k, key, *palette);
      else
        blit_rows::PaletteRow<R, 1>(d, row, p.w, k, key, *palette);
    }
  }
}

void RunUnturnedRule(Rule rule, const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s,
                     const RuleParams& k, uint32_t key, const PaletteTable* palette) {
  pixel_rules::WithRule(rule, [&](auto tag) { RunUnturned<decltype(tag)::value>(t, x, y, clip, s, k, key, palette); });
}

}  // namespace

void BlitPaletteAlpha(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, uint32_t key,
                      const PaletteTable& palette, double opacity, uint32_t backdrop) {
  Rule rule;
  if (AlphaRule(opacity, backdrop != kColourKey, false, rule))
    RunUnturnedRule(rule, t, x, y, clip, s, pixel_rules::MakeRuleParams(opacity, backdrop), key, &palette);
}

void BlitPaletteAlphaOnOpaque(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s,
                              uint32_t key, const PaletteTable& palette, double opacity, uint32_t backdrop) {
  Rule rule;
  if (AlphaRule(opacity, backdrop != kColourKey, true, rule))
    RunUnturnedRule(rule, t, x, y, clip, s, pixel_rules::MakeRuleParams(opacity, backdrop), key, &palette);
}

void BlitPalette(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, uint32_t key,
                 const PaletteTable& palette, double opacity, uint32_t backdrop) {
  Rule rule;
  if (PlainRule(opacity, backdrop != kColourKey, rule))
    RunUnturnedRule(rule, t, x, y, clip, s, pixel_rules::MakeRuleParams(opacity, backdrop), key, &palette);
}

void BlitAlpha(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, double opacity,
               uint32_t backdrop) {
  Rule rule;
  if (AlphaRule(opacity, backdrop != kColourKey, false, rule))
    RunUnturnedRule(rule, t, x, y, clip, s, pixel_rules::MakeRuleParams(opacity, backdrop), 256, nullptr);
}

void BlitAlphaOnOpaque(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s,
                       double opacity, uint32_t backdrop) {
  Rule rule;
  if (AlphaRule(opacity, backdrop != kColourKey, true, rule))
    RunUnturnedRule(rule, t, x, y, clip, s, pixel_rules::MakeRuleParams(opacity, backdrop), 256, nullptr);
}

void Blit(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, double opacity,
          uint32_t backdrop) {
  Rule rule;
  if (PlainRule(opacity, backdrop != kColourKey, rule))
    RunUnturnedRule(rule, t, x, y, clip, s, pixel_rules::MakeRuleParams(opacity, backdrop), 256, nullptr);
}

void BlitKeyed(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, double opacity) {
  Rule rule;
  if (s.bytes_per_pixel == 4 && pixel_rules::KeyedRule(opacity, rule))
    RunUnturnedRule(rule, t, x, y, clip, s, pixel_rules::MakeKeyedParams(t, opacity), 256, nullptr);
}

void DrawPixelList(const DrawTarget& t, int64_t origin_x, int64_t origin_y, const RECT& area, const RECT& clip,
                   const PixelNode* list, double opacity) {
  const RECT c = pixel_rules::TargetClip(t, clip);
  if (platform::IsRectEmpty(c) || std::isnan(opacity)) return;
  const uint32_t op = static_cast<uint32_t>(OpacityByte(opacity));
  for (const PixelNode* node = list; node != nullptr; node = node->next) {
    if (node->x < area.left || node->x >= area.right || node->y < area.top || node->y >= area.bottom) continue;
    const int64_t x = origin_x + node->x;
    const int64_t y = origin_y + node->y;
    if (x < c.left || x >= c.right || y < c.top || y >= c.bottom) continue;
    const uint32_t colour = uint32_t{node->red} << 16 | uint32_t{node->green} << 8 | node->blue;
    uint32_t& d = t.pixels[y * t.width + x];
    if (op == 255 && node->alpha == 255) {
      d = colour | 0xFF000000u;
      continue;
    }
    const uint32_t w = op == 255 ? node->alpha : (op * node->alpha) >> 8;
    if (w != 0) d = pixel_rules::Mix(colour, d, w) | 0xFF000000u;
  }
}

void CopyPixels(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s) {
  const RECT c = pixel_rules::TargetClip(t, clip);
  Placement p;
  if (platform::IsRectEmpty(c) || !pixel_rules::ValidSource(s) || s.bytes_per_pixel != 4 ||
      !ClipPlacement(x, y, c, s, p))
    return;
  const bool wide = avx2::Available();
  // Whole rows of both blocks follow each other without gaps: one run.
  if (p.w == t.width && p.w == s.stride) {
    p.w *= p.h;
    p.h = 1;
  }
  for (int64_t j = 0; j < p.h; ++j) {
    uint32_t* d = t.pixels + (p.y + j) * t.width + p.x;
    const auto* row = reinterpret_cast<const uint32_t*>(s.pixels + ((p.sy + j) * s.stride + p.sx) * 4);
    if (wide)
      avx2::CopyRow(d, row, p.w);
    else
      std::memcpy(d, row, static_cast<size_t>(p.w) * 4);
  }
}

}  // namespace engine
