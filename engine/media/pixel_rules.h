// The per-pixel rules of the blit family, shared by the unturned and turned members.
//
// Every rule maps (destination word, source word) to the new destination word without branches:
// skipped pixels return the destination unchanged. Loops that apply a rule to plain arrays then
// vectorise, and a loop never has to store conditionally.
#pragma once

#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "engine/media/blit.h"

namespace engine::pixel_rules {

// Backdrop, threshold and opacity byte of one call, worked out once.
struct RuleParams {
  uint32_t op = 255;       // opacity byte
  uint32_t threshold = 0;  // backdrop alpha threshold T
  uint32_t backdrop = 0;   // backdrop colour as a surface word (0x00RRGGBB)
  uint32_t key = 0;        // keyed rules: the colour key as a surface colour (0x00RRGGBB)
};

RuleParams MakeRuleParams(double opacity, uint32_t backdrop);

enum class Rule {
  kAlphaFaded,  // own alpha times opacity; copy into empty pixels
  kAlphaFadedBackdrop,
  kAlphaFull,  // own alpha; copy into empty pixels
  kAlphaFullBackdrop,
  kOpaqueFaded,  // as the alpha rules, only where the destination is opaque; alpha untouched
  kOpaqueFadedBackdrop,
  kOpaqueFull,
  kOpaqueFullBackdrop,
  kPlainFaded,  // pictures without alpha: mix by the opacity, alpha 255
  kPlainFadedBackdrop,
  kPlainFull,  // copy where the source alpha is not 0
  kInvert,     // invert the destination under present source pixels
  kBlend,      // BlendPixel
  // Pictures with a colour key: key-coloured pixels are skipped.
  kKeyedCopy,      // the whole word
  kKeyedFaded,     // mix by the opacity, alpha 255
  kKeyedOwnAlpha,  // mix by the pixel's own alpha, alpha 255
};

// mix(s, d, w) = (s*w + d*(255 - w)) >> 8 on blue, green and red; alpha 0. Blue and red share
// one multiply: each product sum is at most 255*255, so the lanes never carry into each other.
inline uint32_t Mix(uint32_t s, uint32_t d, uint32_t w) {
  const uint32_t iw = 255 - w;
  const uint32_t rb = (((s & 0x00FF00FF) * w + (d & 0x00FF00FF) * iw) >> 8) & 0x00FF00FF;
  const uint32_t g = (((s >> 8) & 0xFF) * w + ((d >> 8) & 0xFF) * iw) & 0xFF00;
  return rb | g;
}

inline uint32_t BlendWord(uint32_t d, uint32_t p, uint32_t op) {
  const uint32_t a = (op * (p >> 24)) >> 8;
  const uint32_t blended = Mix(p, d, a) | (std::max(a, 255 - a) << 24);
  const uint32_t fresh = (p & 0x00FFFFFF) | (a << 24);
  return (d >> 24) != 0 ? blended : fresh;
}

// Palette sources compare alpha with the backdrop threshold by >=, true-colour sources by >.
template <Rule R, bool kPalette>
inline uint32_t Apply(uint32_t d, uint32_t p, const RuleParams& k) {
  const uint32_t a = p >> 24;
  const uint32_t da = d >> 24;
  const bool passes = kPalette ? a >= k.threshold : a > k.threshold;
  if constexpr (R == Rule::kAlphaFaded) {
    const uint32_t w = (a * k.op) >> 8;
    const uint32_t blended = Mix(p, d, w) | (std::max(da, w) << 24);
    const uint32_t fresh = (p & 0x00FFFFFF) | (w << 24);
    const uint32_t r = da != 0 ? blended : fresh;
    return a != 0 ? r : d;
  } else if constexpr (R == Rule::kAlphaFadedBackdrop) {
    const uint32_t w = (a * k.op) >> 8;
    return passes ? (Mix(p, k.backdrop, w) | 0xFF000000u) : d;
  } else if constexpr (R == Rule::kAlphaFull) {
    const uint32_t blended = Mix(p, d, a) | (std::max(da, a) << 24);
    const uint32_t r = da != 0 ? blended : p;
    return a != 0 ? r : d;
  } else if constexpr (R == Rule::kAlphaFullBackdrop) {
    return passes ? (Mix(p, k.backdrop, a) | 0xFF000000u) : d;
  } else if constexpr (R == Rule::kOpaqueFaded) {
    const uint32_t w = (a * k.op) >> 8;
    return (a != 0 && da == 255) ? (Mix(p, d, w) | 0xFF000000u) : d;
  } else if constexpr (R == Rule::kOpaqueFadedBackdrop) {
    const uint32_t w = (a * k.op) >> 8;
    return (passes && da == 255) ? (Mix(p, k.backdrop, w) | 0xFF000000u) : d;
  } else if constexpr (R == Rule::kOpaqueFull) {
    return (a != 0 && da == 255) ? (Mix(p, d, a) | 0xFF000000u) : d;
  } else if constexpr (R == Rule::kOpaqueFullBackdrop) {
    return (passes && da == 255) ? (Mix(p, k.backdrop, a) | 0xFF000000u) : d;
  } else if constexpr (R == Rule::kPlainFaded) {
    return a != 0 ? (Mix(p, d, k.op) | 0xFF000000u) : d;
  } else if constexpr (R == Rule::kPlainFadedBackdrop) {
    const uint32_t r = Mix(p, k.backdrop, k.op) | 0xFF000000u;
    if constexpr (kPalette) return r;
    return a > k.threshold ? r : d;
  } else if constexpr (R == Rule::kPlainFull) {
    return a != 0 ? p : d;
  } else if constexpr (R == Rule::kInvert) {
    return a != 0 ? (~d | 0xFF000000u) : d;
  } else if constexpr (R == Rule::kBlend) {
    return BlendWord(d, p, k.op);
  } else {
    const bool keyed = (p & 0x00FFFFFFu) == k.key;
    if constexpr (R == Rule::kKeyedCopy) {
      return keyed ? d : p;
    } else if constexpr (R == Rule::kKeyedFaded) {
      return keyed ? d : (Mix(p, d, k.op) | 0xFF000000u);
    } else {
      static_assert(R == Rule::kKeyedOwnAlpha);
      return keyed ? d : (Mix(p, d, a) | 0xFF000000u);
    }
  }
}

template <Rule R>
using RuleTag = std::integral_constant<Rule, R>;

// Calls f(RuleTag<r>{}) so a rule chosen at run time runs a loop compiled for it.
template <class F>
void WithRule(Rule r, F&& f) {
  switch (r) {
    case Rule::kAlphaFaded:
      return f(RuleTag<Rule::kAlphaFaded>{});
    case Rule::kAlphaFadedBackdrop:
      return f(RuleTag<Rule::kAlphaFadedBackdrop>{});
    case Rule::kAlphaFull:
      return f(RuleTag<Rule::kAlphaFull>{});
    case Rule::kAlphaFullBackdrop:
      return f(RuleTag<Rule::kAlphaFullBackdrop>{});
    case Rule::kOpaqueFaded:
      return f(RuleTag<Rule::kOpaqueFaded>{});
    case Rule::kOpaqueFadedBackdrop:
      return f(RuleTag<Rule::kOpaqueFadedBackdrop>{});
    case Rule::kOpaqueFull:
      return f(RuleTag<Rule::kOpaqueFull>{});
    case Rule::kOpaqueFullBackdrop:
      return f(RuleTag<Rule::kOpaqueFullBackdrop>{});
    case Rule::kPlainFaded:
      return f(RuleTag<Rule::kPlainFaded>{});
    case Rule::kPlainFadedBackdrop:
      return f(RuleTag<Rule::kPlainFadedBackdrop>{});
    case Rule::kPlainFull:
      return f(RuleTag<Rule::kPlainFull>{});
    case Rule::kInvert:
      return f(RuleTag<Rule::kInvert>{});
    case Rule::kBlend:
      return f(RuleTag<Rule::kBlend>{});
    case Rule::kKeyedCopy:
      return f(RuleTag<Rule::kKeyedCopy>{});
    case Rule::kKeyedFaded:
      return f(RuleTag<Rule::kKeyedFaded>{});
    case Rule::kKeyedOwnAlpha:
      return f(RuleTag<Rule::kKeyedOwnAlpha>{});
  }
}

// Source pixel of a palette picture as a surface word: the palette colour with the pixel's alpha
// (255 for one-byte pixels). `present` is false for the transparent index.
template <int kBpp>
inline uint32_t PaletteWord(const uint8_t* px, const PaletteTable& palette) {
  if constexpr (kBpp == 2) return (palette.colour[px[0]] & 0x00FFFFFFu) | (uint32_t{px[1]} << 24);
  return palette.colour[px[0]];
}

// Which rule a member runs at an opacity (false: draw nothing).
// Unturned alpha members: faded for 0 < op < 1, else full; op == 0 without a backdrop draws nothing.
bool AlphaRule(double opacity, bool backdrop, bool onto_opaque, Rule& rule);
// Turned alpha members: faded for 0 <= op < 1, full for op < 0 or op >= 1.
bool TurnedAlphaRule(double opacity, bool backdrop, Rule& rule);
// Members without alpha: faded for 0 < op < 1, full for op >= 1, nothing for op <= 0.
bool PlainRule(double opacity, bool backdrop, Rule& rule);
// Keyed members: a copy for op >= 1, faded for 0 < op < 1, the pixel's own alpha for op < 0,
// nothing for op == 0.
bool KeyedRule(double opacity, Rule& rule);
// The rule parameters of a keyed member: the opacity byte, and the target's colour key.
RuleParams MakeKeyedParams(const DrawTarget& t, double opacity);

// The members' clip: the given rectangle cut to the target, so no member writes outside it.
RECT TargetClip(const DrawTarget& t, const RECT& clip);

// The source rectangle lies inside its block.
bool ValidSource(const SourceBlock& s);

}  // namespace engine::pixel_rules
