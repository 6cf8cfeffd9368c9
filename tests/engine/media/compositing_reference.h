// A straightforward, per-pixel, per-channel rendering of picture drawing, written from the
// drawing rules without any of the fast paths' tricks (no packed channels, no row spans, the whole
// turned square walked and tested pixel by pixel). Tests compare DrawPicture against it.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/media/draw_target.h"
#include "engine/media/image_record.h"

namespace reference {

// A picture of random colours to draw both ways: w x h x frames with the given image flags, true
// colour and two-byte palette pixels taking their alphas from `alpha`, palette indices below
// `indices`. A palette picture gets its palette from GivePalette.
struct RandomPicture {
  std::vector<uint8_t> pixels;
  std::vector<uint8_t> palette;
  engine::ImageRecord record;
};

template <class Alpha>
RandomPicture MakeRandomPicture(std::mt19937& rng, int w, int h, int frames, uint32_t flags, int indices, Alpha alpha) {
  RandomPicture pic;
  engine::ImageRecord& r = pic.record;
  r.width = static_cast<uint16_t>(w);
  r.height = static_cast<uint16_t>(h);
  r.frame_count = static_cast<uint16_t>(frames);
  r.flags = flags;
  const int bpp = r.BytesPerPixel();
  const size_t n = size_t{r.width} * r.height * r.frame_count;
  pic.pixels.resize(n * bpp);
  for (size_t i = 0; i < n; ++i) {
    if (bpp == 4) {
      const uint32_t word = (rng() & 0xFFFFFF) | alpha(rng) << 24;
      for (int b = 0; b < 4; ++b) pic.pixels[i * 4 + b] = static_cast<uint8_t>(word >> (8 * b));
    } else {
      pic.pixels[i * bpp] = static_cast<uint8_t>(rng() % indices);
      if (bpp == 2) pic.pixels[i * 2 + 1] = static_cast<uint8_t>(alpha(rng));
    }
  }
  r.pixels = pic.pixels.data();
  r.data_size = static_cast<uint32_t>(pic.pixels.size());
  return pic;
}

// count random palette entries and the transparent index (256 for none).
inline void GivePalette(RandomPicture& pic, std::mt19937& rng, int count, uint32_t key) {
  pic.record.palette_count = static_cast<uint16_t>(count);
  pic.palette.resize(static_cast<size_t>(count) * 3);
  for (auto& b : pic.palette) b = static_cast<uint8_t>(rng());
  pic.record.palette = pic.palette.data();
  pic.record.colour_key = key;
}

inline uint32_t Channel(uint32_t word, int i) { return (word >> (8 * i)) & 255; }
inline uint32_t Word(uint32_t b, uint32_t g, uint32_t r, uint32_t a) { return b | g << 8 | r << 16 | a << 24; }
inline uint32_t MixChannel(uint32_t s, uint32_t d, uint32_t w) { return (s * w + d * (255 - w)) >> 8; }
inline uint32_t Mix(uint32_t s, uint32_t d, uint32_t w, uint32_t alpha) {
  return Word(MixChannel(Channel(s, 0), Channel(d, 0), w), MixChannel(Channel(s, 1), Channel(d, 1), w),
              MixChannel(Channel(s, 2), Channel(d, 2), w), alpha);
}

struct Surface {
  int w, h;
  std::vector<uint32_t>& px;
  uint32_t& at(int64_t x, int64_t y) { return px[y * w + x]; }
};

// One source: pixels read through Fetch as a surface word plus presence.
struct Source {
  const uint8_t* pixels;
  int stride, bpp;
  int x, y, w, h;
  const uint8_t* palette;
  int palette_count;
  uint32_t key;
  bool palette_source() const { return bpp != 4; }
  // Colour word of pixel (sx, sy) of the rectangle; present false for the transparent index.
  uint32_t Fetch(int64_t sx, int64_t sy, bool& present) const {
    const uint8_t* p = pixels + ((y + sy) * int64_t{stride} + x + sx) * bpp;
    if (bpp == 4) {
      present = true;
      return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
    }
    present = p[0] != key;
    const uint32_t alpha = bpp == 2 ? p[1] : 255;
    if (p[0] >= palette_count) return Word(0, 0, 0, alpha);
    const uint8_t* e = palette + 3 * p[0];
    return Word(e[2], e[1], e[0], alpha);
  }
};

struct Rules {
  enum Kind { kAlpha, kAlphaOnOpaque, kAlphaTurned, kPlain, kInvert };
  Kind kind;
  double opacity;
  uint32_t backdrop;
  bool palette;

  bool has_backdrop() const { return backdrop != engine::kColourKey; }
  uint32_t backdrop_word() const { return Word((backdrop >> 16) & 255, (backdrop >> 8) & 255, backdrop & 255, 0); }
  bool passes(uint32_t a) const { return palette ? a >= (backdrop >> 24) : a > (backdrop >> 24); }
  int op() const { return static_cast<int>(opacity * 255); }

  // false: the member draws nothing at this opacity.
  bool active() const {
    switch (kind) {
      case kAlpha:
      case kAlphaOnOpaque:
        return !(opacity == 0.0 && !has_backdrop());
      case kAlphaTurned:
        return true;
      case kPlain:
        return opacity > 0.0;
      case kInvert:
        return true;
    }
    return false;
  }
  bool faded() const {
    if (kind == kAlphaTurned) return opacity >= 0.0 && opacity < 1.0;
    return opacity > 0.0 && opacity < 1.0;
  }

  void Apply(uint32_t& d, uint32_t p) const {
    const uint32_t a = p >> 24, da = d >> 24;
    if (kind == kInvert) {
      if (a != 0) d = Word(255 - Channel(d, 0), 255 - Channel(d, 1), 255 - Channel(d, 2), 255);
      return;
    }
    if (kind == kPlain) {
      if (faded()) {
        if (!has_backdrop()) {
          if (!palette && a == 0) return;
          d = Mix(p, d, op(), 255);
        } else {
          if (!palette && !(a > (backdrop >> 24))) return;
          d = Mix(p, backdrop_word(), op(), 255);
        }
      } else {
        if (palette)
          d = (p & 0xFFFFFF) | 0xFF000000u;
        else if (a != 0)
          d = p;
      }
      return;
    }
    const bool onto_opaque = kind == kAlphaOnOpaque;
    if (onto_opaque && da != 255) return;
    const uint32_t keep_alpha = da;
    if (faded()) {
      const uint32_t w = (a * op()) >> 8;
      if (!has_backdrop()) {
        if (a == 0) return;
        if (onto_opaque)
          d = Mix(p, d, w, keep_alpha);
        else if (da != 0)
          d = Mix(p, d, w, std::max(da, w));
        else
          d = (p & 0xFFFFFF) | w << 24;
      } else {
        if (!passes(a)) return;
        d = Mix(p, backdrop_word(), w, onto_opaque ? keep_alpha : 255);
      }
    } else {
      if (!has_backdrop()) {
        if (a == 0) return;
        if (onto_opaque)
          d = Mix(p, d, a, keep_alpha);
        else if (da != 0)
          d = Mix(p, d, a, std::max(da, a));
        else
          d = p;
      } else {
        if (!passes(a)) return;
        d = Mix(p, backdrop_word(), a, onto_opaque ? keep_alpha : 255);
      }
    }
  }
};

inline uint32_t BlendPixel(uint32_t d, uint32_t p, int op) {
  const uint32_t a = (op * (p >> 24)) >> 8;
  if ((d >> 24) != 0) {
    return Word((Channel(d, 0) * (255 - a) + Channel(p, 0) * a) >> 8,
                (Channel(d, 1) * (255 - a) + Channel(p, 1) * a) >> 8,
                (Channel(d, 2) * (255 - a) + Channel(p, 2) * a) >> 8, std::max(a, 255 - a));
  }
  return (p & 0xFFFFFF) | a << 24;
}

inline void Coefficients(double angle, int64_t scale, int64_t& c, int64_t& s) {
  if (angle == 0.0) {
    c = scale;
    s = 0;
  } else if (angle == 90.0) {
    c = 0;
    s = scale;
  } else if (angle == 180.0) {
    c = -scale;
    s = 0;
  } else if (angle == 270.0) {
    c = 0;
    s = -scale;
  } else {
    c = static_cast<int64_t>(std::cos(angle * 3.14159 / 180.0) * scale);
    s = static_cast<int64_t>(std::sin(angle * 3.14159 / 180.0) * scale);
  }
}

inline int64_t Radius(int64_t w, int64_t h) {
  if (w <= 0 || h <= 0) return 0;
  return static_cast<int64_t>(std::sqrt((w / 2.0) * (w / 2.0) + (h / 2.0) * (h / 2.0)));
}

inline bool InClip(const platform::RECT& c, int64_t x, int64_t y) {
  return c.left <= x && x < c.right && c.top <= y && y < c.bottom;
}

inline void Unturned(Surface& dst, int64_t x, int64_t y, const platform::RECT& clip, const Source& src,
                     const Rules& rules) {
  if (!rules.active()) return;
  for (int64_t j = 0; j < src.h; ++j)
    for (int64_t i = 0; i < src.w; ++i) {
      if (!InClip(clip, x + i, y + j)) continue;
      bool present;
      const uint32_t p = src.Fetch(i, j, present);
      if (present) rules.Apply(dst.at(x + i, y + j), p);
    }
}

inline void Turned(Surface& dst, int64_t x0, int64_t y0, const platform::RECT& clip, const Source& src, double angle,
                   const Rules& rules) {
  if (!rules.active()) return;
  int64_t c, s;
  Coefficients(angle, 1024, c, s);
  const int64_t r = Radius(src.w, src.h), cx = (src.w + 1) / 2, cy = (src.h + 1) / 2;
  for (int64_t j = 0; j < 2 * r; ++j)
    for (int64_t i = 0; i < 2 * r; ++i) {
      const int64_t dx = i - r, ey = r - j;
      const int64_t sx = cx + ((dx * c + ey * s) >> 10);
      const int64_t sy = cy - ((ey * c - dx * s) >> 10);
      if (sx < 0 || sx >= src.w || sy < 0 || sy >= src.h || !InClip(clip, x0 + i, y0 + j)) continue;
      bool present;
      const uint32_t p = src.Fetch(sx, sy, present);
      if (present) rules.Apply(dst.at(x0 + i, y0 + j), p);
    }
}

inline void TurnedSmooth(Surface& dst, int64_t x0, int64_t y0, const platform::RECT& clip, const Source& src,
                         double angle, double opacity) {
  int64_t c, s;
  Coefficients(angle, 65536, c, s);
  const int op = opacity <= 0.0 ? 0 : opacity >= 1.0 ? 255 : static_cast<int>(opacity * 255);
  const int64_t r = Radius(src.w, src.h);
  auto word = [&](int64_t x, int64_t y) {
    bool present;
    const uint32_t p = src.Fetch(x, y, present);
    return present ? p : 0u;
  };
  for (int64_t j = 0; j < 2 * r; ++j)
    for (int64_t i = 0; i < 2 * r; ++i) {
      const int64_t dx = i - r, ey = r - j;
      const int64_t X = (int64_t{src.w + 1} << 15) + dx * c + ey * s;
      const int64_t Y = (int64_t{src.h + 1} << 15) - (ey * c - dx * s);
      const int64_t ix = X >> 16, iy = Y >> 16;
      if (ix < 0 || ix >= src.w || iy < 0 || iy >= src.h || !InClip(clip, x0 + i, y0 + j)) continue;
      uint32_t p;
      if (ix != 0 && iy != 0 && ix != src.w - 1 && iy != src.h - 1) {
        const uint32_t fx = (X >> 8) & 255, fy = (Y >> 8) & 255;
        const uint32_t w11 = (fx * fy) >> 8, w10 = fx - w11, w01 = fy - w11, w00 = 256 - w10 - w01 - w11;
        const uint32_t q[4] = {word(ix, iy), word(ix + 1, iy), word(ix, iy + 1), word(ix + 1, iy + 1)};
        p = 0;
        for (int ch = 0; ch < 4; ++ch) {
          const uint32_t sum =
              Channel(q[0], ch) * w00 + Channel(q[1], ch) * w10 + Channel(q[2], ch) * w01 + Channel(q[3], ch) * w11;
          p |= (sum >> 8) << (8 * ch);
        }
      } else {
        p = word(ix, iy);
      }
      uint32_t& d = dst.at(x0 + i, y0 + j);
      d = BlendPixel(d, p, op);
    }
}

// Nearest scalers and the smooth scaler, per pixel.
inline std::vector<uint32_t> ResizeNearest(const uint32_t* px, int stride, int sx0, int sy0, int sw, int sh, int dw,
                                           int dh) {
  std::vector<uint32_t> out(static_cast<size_t>(dw) * dh);
  const int64_t stepx = (sw >= 2 && dw >= 2) ? (int64_t{sw - 1} << 10) / (dw - 1) : 0;
  const int64_t stepy = (sh >= 2 && dh >= 2) ? (int64_t{sh - 1} << 10) / (dh - 1) : 0;
  for (int y = 0; y < dh; ++y)
    for (int x = 0; x < dw; ++x) {
      int64_t sx = std::min<int64_t>((x * stepx + 512) >> 10, sw - 1);
      int64_t sy = std::min<int64_t>((y * stepy + 512) >> 10, sh - 1);
      if (sw == dw && sh == dh) sx = x, sy = y;
      out[y * dw + x] = px[(sy0 + sy) * stride + sx0 + sx];
    }
  return out;
}

inline std::vector<uint32_t> ResizeSmooth(const uint32_t* px, int stride, int sx0, int sy0, int sw, int sh, int dw,
                                          int dh) {
  std::vector<uint32_t> out(static_cast<size_t>(dw) * dh);
  const int64_t stepx = (sw >= 2 && dw >= 2) ? (int64_t{sw - 1} << 16) / (dw - 1) : 0;
  const int64_t stepy = (sh >= 2 && dh >= 2) ? (int64_t{sh - 1} << 16) / (dh - 1) : 0;
  for (int y = 0; y < dh; ++y)
    for (int x = 0; x < dw; ++x) {
      if (sw == dw && sh == dh) {
        out[y * dw + x] = px[(sy0 + y) * stride + sx0 + x];
        continue;
      }
      const int64_t X = x * stepx, Y = y * stepy;
      const int64_t ix = std::clamp<int64_t>(X >> 16, 0, sw - 1), iy = std::clamp<int64_t>(Y >> 16, 0, sh - 1);
      const uint32_t* p = px + (sy0 + iy) * stride + sx0 + ix;
      if (ix != 0 && iy != 0 && ix != sw - 1 && iy != sh - 1) {
        const uint32_t fx = (X >> 8) & 255, fy = (Y >> 8) & 255;
        const uint32_t w11 = (fx * fy) >> 8, w10 = fx - w11, w01 = fy - w11, w00 = 256 - w10 - w01 - w11;
        uint32_t r = 0;
        for (int ch = 0; ch < 4; ++ch) {
          const uint32_t sum = Channel(p[0], ch) * w00 + Channel(p[1], ch) * w10 + Channel(p[stride], ch) * w01 +
                               Channel(p[stride + 1], ch) * w11;
          r |= (sum >> 8) << (8 * ch);
        }
        out[y * dw + x] = r;
      } else {
        out[y * dw + x] = *p;
      }
    }
  return out;
}

inline std::vector<uint8_t> ScalePalette(const uint8_t* px, int stride, int bpp, int sx0, int sy0, int sw, int sh,
                                         int dw, int dh) {
  std::vector<uint8_t> out(static_cast<size_t>(dw) * dh * bpp);
  const int64_t stepx = (int64_t{sw} << 10) / dw, stepy = (int64_t{sh} << 10) / dh;
  for (int y = 0; y < dh; ++y)
    for (int x = 0; x < dw; ++x) {
      const int64_t sx = std::min<int64_t>((x * stepx) >> 10, sw - 1);
      const int64_t sy = std::min<int64_t>((y * stepy) >> 10, sh - 1);
      for (int b = 0; b < bpp; ++b) out[(y * dw + x) * bpp + b] = px[((sy0 + sy) * stride + sx0 + sx) * bpp + b];
    }
  return out;
}

// The whole drawing, step by step as the rules give it.
inline void DrawPicture(std::vector<uint32_t>& target, int tw, int th, engine::DrawParams params,
                        const engine::ImageRecord& image, int srcX, int srcY, int srcW, int srcH, double opacity,
                        uint32_t backdrop) {
  Surface dst{tw, th, target};
  const bool palette = (image.flags & 0x6) != 0;
  const int bpp = palette ? ((image.flags & 0x8) ? 2 : 1) : 4;
  const int64_t rows = image.frame_count > 1 ? int64_t{image.height} * image.frame_count : image.height;
  if (srcX < 0 || srcY < 0 || image.width == 0) return;
  int w = srcW, h = srcH;
  if (image.width - srcX < w) w = image.width - srcX;
  if (rows - srcY < h) h = static_cast<int>(rows - srcY);
  if (w <= 0 || h <= 0) return;
  const double angle = params.angle;
  auto radius = [&] { return Radius(params.width, params.height); };
  int64_t x, y;
  if (palette && angle != 0.0)
    x = params.centreX - radius(), y = params.centreY - radius();
  else if (!palette && angle != 0.0)
    x = params.centreX - radius(), y = params.centreY - radius();
  else
    x = params.centreX - (params.width + 1) / 2, y = params.centreY - (params.height + 1) / 2;

  std::vector<uint8_t> scaled_palette;
  std::vector<uint32_t> scaled_colour;
  Source src{image.pixels, image.width, bpp, srcX, srcY, w, h, image.palette, image.palette_count, image.colour_key};
  if (params.width != srcW || params.height != srcH) {
    if (params.width <= 0 || params.height <= 0) return;
    if (palette) {
      scaled_palette = ScalePalette(image.pixels, image.width, bpp, srcX, srcY, w, h, params.width, params.height);
      src.pixels = scaled_palette.data();
    } else {
      const auto* px = reinterpret_cast<const uint32_t*>(image.pixels);
      scaled_colour = (params.flags & 0x4000)
                          ? ResizeSmooth(px, image.width, srcX, srcY, w, h, params.width, params.height)
                          : ResizeNearest(px, image.width, srcX, srcY, w, h, params.width, params.height);
      src.pixels = reinterpret_cast<const uint8_t*>(scaled_colour.data());
    }
    src.stride = params.width;
    src.x = src.y = 0;
    src.w = params.width;
    src.h = params.height;
  }
  platform::RECT clip{0, 0, tw, th};
  if (params.flags & 0x2) {
    const int64_t l = params.clip.left + int64_t{params.originX} - params.centreX;
    const int64_t t = params.clip.top + int64_t{params.originY} - params.centreY;
    clip = {static_cast<int32_t>(std::max<int64_t>(l, 0)), static_cast<int32_t>(std::max<int64_t>(t, 0)),
            static_cast<int32_t>(std::min<int64_t>(l + params.clip.right - params.clip.left, tw)),
            static_cast<int32_t>(std::min<int64_t>(t + params.clip.bottom - params.clip.top, th))};
    if (platform::IsRectEmpty(clip)) return;
  }
  const int64_t tx = params.centreX - radius(), ty = params.centreY - radius();
  const bool invert = (params.flags & 0x800) && (image.flags & 0x1);
  const bool smooth = params.flags & 0x20;
  const bool near_zero = std::fabs(angle) < 1.0;
  const bool same = src.w == params.width && src.h == params.height;
  Rules rules{Rules::kAlpha, opacity, backdrop, palette};
  if (invert) {
    if (!palette && opacity == 0.0) return;
    rules.kind = Rules::kInvert;
    Turned(dst, tx, ty, clip, src, angle, rules);
    return;
  }
  const bool alpha = image.flags & 0x8;
  if (palette && !alpha) {
    rules.kind = Rules::kPlain;
    if (near_zero)
      Unturned(dst, x, y, clip, src, rules);
    else if (!smooth)
      Turned(dst, tx, ty, clip, src, angle, rules);
    else
      TurnedSmooth(dst, tx, ty, clip, src, angle, opacity);
    return;
  }
  if (alpha) {
    if (palette && !same) return;
    if (angle != 0.0) {
      rules.kind = Rules::kAlphaTurned;
      if (!smooth)
        Turned(dst, tx, ty, clip, src, angle, rules);
      else
        TurnedSmooth(dst, tx, ty, clip, src, angle, opacity);
      return;
    }
    if (!same) return;
    rules.kind = (params.flags & 0x8) ? Rules::kAlphaOnOpaque : Rules::kAlpha;
    Unturned(dst, x, y, clip, src, rules);
    return;
  }
  rules.kind = Rules::kPlain;
  if (!near_zero) {
    if (!smooth)
      Turned(dst, tx, ty, clip, src, angle, rules);
    else
      TurnedSmooth(dst, tx, ty, clip, src, angle, opacity);
  } else if (!(image.flags & 0x1) && opacity >= 1.0) {
    for (int64_t j = 0; j < src.h; ++j)
      for (int64_t i = 0; i < src.w; ++i)
        if (InClip(clip, x + i, y + j)) {
          bool present;
          dst.at(x + i, y + j) = src.Fetch(i, j, present);
        }
  } else {
    Unturned(dst, x, y, clip, src, rules);
  }
}

}  // namespace reference
