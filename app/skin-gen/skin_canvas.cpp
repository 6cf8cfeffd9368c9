#include "app/skin-gen/skin_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/core/colour_key.h"
#include "engine/ui/font_record.h"

namespace skin {
namespace {

uint8_t ToByte(float v) { return static_cast<uint8_t>(std::clamp(v, 0.0f, 255.0f) + 0.5f); }

float Clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

// Coverage of a pixel by a shape whose signed distance (negative inside) at its centre is d.
float CoverageOf(float d) { return Clamp01(0.5f - d); }

float RoundRectDistance(float px, float py, float x0, float y0, float x1, float y1, float r) {
  const float cx = (x0 + x1) / 2;
  const float cy = (y0 + y1) / 2;
  const float hx = (x1 - x0) / 2 - r;
  const float hy = (y1 - y0) / 2 - r;
  const float qx = std::fabs(px - cx) - hx;
  const float qy = std::fabs(py - cy) - hy;
  const float ox = std::max(qx, 0.0f);
  const float oy = std::max(qy, 0.0f);
  return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - r;
}

float SegmentDistance(float px, float py, float x0, float y0, float x1, float y1) {
  const float dx = x1 - x0;
  const float dy = y1 - y0;
  const float len2 = dx * dx + dy * dy;
  float t = len2 > 0 ? ((px - x0) * dx + (py - y0) * dy) / len2 : 0;
  t = Clamp01(t);
  const float ex = px - (x0 + t * dx);
  const float ey = py - (y0 + t * dy);
  return std::sqrt(ex * ex + ey * ey);
}

}  // namespace

Rgba Mix(Rgba a, Rgba b, float t) {
  t = Clamp01(t);
  return Rgba{ToByte(a.r + (b.r - a.r) * t), ToByte(a.g + (b.g - a.g) * t), ToByte(a.b + (b.b - a.b) * t),
              ToByte(a.a + (b.a - a.a) * t)};
}

Rgba Lighter(Rgba c, float t) { return Mix(c, Rgba{255, 255, 255, c.a}, t); }

Rgba Darker(Rgba c, float t) { return Mix(c, Rgba{0, 0, 0, c.a}, t); }

Rgba WithAlpha(Rgba c, float alpha) {
  c.a = ToByte(255.0f * Clamp01(alpha));
  return c;
}

Rgba Greyed(Rgba c, float t) {
  const uint8_t grey = ToByte(0.30f * c.r + 0.59f * c.g + 0.11f * c.b);
  return Mix(c, Rgba{grey, grey, grey, c.a}, t);
}

Rgba Paint::At(float x, float y) const {
  switch (kind) {
    case kSolid:
      return from;
    case kVertical:
      return Mix(from, to, b == a ? 0.0f : (y - a) / (b - a));
    case kHorizontal:
      return Mix(from, to, b == a ? 0.0f : (x - a) / (b - a));
    case kRadial: {
      const float dx = x - a;
      const float dy = y - b;
      return Mix(from, to, radius > 0 ? std::sqrt(dx * dx + dy * dy) / radius : 1.0f);
    }
  }
  return from;
}

TextMask RenderText(engine::FontRenderer* renderer, const std::string& text, TextStyle style) {
  TextMask mask;
  const int pad = style.size / 2 + 4;
  // A double-byte character is about as wide as the size, a single-byte one half as wide.
  mask.width = static_cast<int>(text.size()) * (style.size / 2 + 2) + 2 * pad;
  mask.height = style.size * 2 + 2 * pad;
  engine::CanvasObject canvas;
  canvas.CreateSurface(mask.width, mask.height, 0x000000, renderer);
  canvas.SetFont(style.size, style.weight, engine::kDefaultFaceName);
  canvas.SetTextColour(0xFFFFFF, 1.0);
  canvas.DrawText(pad, pad, text.c_str());
  mask.coverage.assign(static_cast<size_t>(mask.width) * mask.height, 0);
  const uint32_t* px = canvas.GetPixels();
  if (px == nullptr) return mask;
  mask.ink_left = mask.width;
  mask.ink_top = mask.height;
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      const uint8_t v = static_cast<uint8_t>((px[static_cast<size_t>(y) * mask.width + x] >> 16) & 0xFF);
      mask.coverage[static_cast<size_t>(y) * mask.width + x] = v;
      if (v > 24) {
        mask.ink_left = std::min(mask.ink_left, x);
        mask.ink_top = std::min(mask.ink_top, y);
        mask.ink_right = std::max(mask.ink_right, x + 1);
        mask.ink_bottom = std::max(mask.ink_bottom, y + 1);
      }
    }
  }
  if (mask.ink_right <= mask.ink_left) mask.ink_left = mask.ink_top = mask.ink_right = mask.ink_bottom = 0;
  return mask;
}

Frame::Frame(int width, int height, engine::FontRenderer* renderer)
    : width_(width), height_(height), renderer_(renderer) {
  canvas_.CreateSurface(width, height, engine::kColourKey, renderer);
  pixels_ = canvas_.GetPixels();
}

Rgba Frame::Get(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || pixels_ == nullptr) return Rgba{0, 0, 0, 0};
  const uint32_t p = pixels_[static_cast<size_t>(y) * width_ + x];
  return Rgba{static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p),
              static_cast<uint8_t>(p >> 24)};
}

void Frame::Set(int x, int y, Rgba c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || pixels_ == nullptr) return;
  pixels_[static_cast<size_t>(y) * width_ + x] =
      (uint32_t{c.a} << 24) | (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b;
}

void Frame::Blend(int x, int y, Rgba c, float coverage) {
  if (coverage <= 0 || c.a == 0) return;
  if (coverage >= 1 && c.a == 255) {
    Set(x, y, c);
    return;
  }
  const Rgba d = Get(x, y);
  const float sa = c.a / 255.0f * Clamp01(coverage);
  const float da = d.a / 255.0f;
  const float oa = sa + da * (1 - sa);
  if (oa <= 0) return;
  auto channel = [&](uint8_t s, uint8_t t) { return ToByte((s * sa + t * da * (1 - sa)) / oa); };
  Set(x, y, Rgba{channel(c.r, d.r), channel(c.g, d.g), channel(c.b, d.b), ToByte(oa * 255.0f)});
}

template <class Coverage>
void Frame::FillShape(float x0, float y0, float x1, float y1, const Paint& paint, Coverage coverage) {
  const int left = std::max(0, static_cast<int>(std::floor(x0)) - 1);
  const int top = std::max(0, static_cast<int>(std::floor(y0)) - 1);
  const int right = std::min(width_, static_cast<int>(std::ceil(x1)) + 1);
  const int bottom = std::min(height_, static_cast<int>(std::ceil(y1)) + 1);
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      const float px = x + 0.5f;
      const float py = y + 0.5f;
      const float c = coverage(px, py);
      if (c > 0) Blend(x, y, paint.At(px, py), c);
    }
  }
}

void Frame::FillRect(float x0, float y0, float x1, float y1, const Paint& paint) {
  FillShape(x0, y0, x1, y1, paint, [&](float px, float py) {
    const float cx = Clamp01(std::min(px - x0 + 0.5f, x1 - px + 0.5f));
    const float cy = Clamp01(std::min(py - y0 + 0.5f, y1 - py + 0.5f));
    return cx * cy;
  });
}

void Frame::FillRoundRect(float x0, float y0, float x1, float y1, float radius, const Paint& paint) {
  radius = std::min({radius, (x1 - x0) / 2, (y1 - y0) / 2});
  FillShape(x0, y0, x1, y1, paint,
            [&](float px, float py) { return CoverageOf(RoundRectDistance(px, py, x0, y0, x1, y1, radius)); });
}

void Frame::StrokeRoundRect(float x0, float y0, float x1, float y1, float radius, float line, Rgba c) {
  // The line is laid inside the rectangle's edge.
  const float h = line / 2;
  x0 += h;
  y0 += h;
  x1 -= h;
  y1 -= h;
  radius = std::max(0.0f, std::min({radius - h, (x1 - x0) / 2, (y1 - y0) / 2}));
  FillShape(x0 - line, y0 - line, x1 + line, y1 + line, Paint::Solid(c), [&](float px, float py) {
    return CoverageOf(std::fabs(RoundRectDistance(px, py, x0, y0, x1, y1, radius)) - h);
  });
}

void Frame::FillCircle(float cx, float cy, float r, const Paint& paint) {
  FillShape(cx - r, cy - r, cx + r, cy + r, paint, [&](float px, float py) {
    return CoverageOf(std::sqrt((px - cx) * (px - cx) + (py - cy) * (py - cy)) - r);
  });
}

void Frame::StrokeCircle(float cx, float cy, float r, float line, Rgba c) {
  const float h = line / 2;
  FillShape(cx - r - line, cy - r - line, cx + r + line, cy + r + line, Paint::Solid(c), [&](float px, float py) {
    return CoverageOf(std::fabs(std::sqrt((px - cx) * (px - cx) + (py - cy) * (py - cy)) - r) - h);
  });
}

void Frame::FillEllipse(float cx, float cy, float rx, float ry, const Paint& paint) {
  const float m = std::min(rx, ry);
  FillShape(cx - rx, cy - ry, cx + rx, cy + ry, paint, [&](float px, float py) {
    const float u = (px - cx) / rx;
    const float v = (py - cy) / ry;
    return CoverageOf((std::sqrt(u * u + v * v) - 1) * m);
  });
}

void Frame::Line(float x0, float y0, float x1, float y1, float line, Rgba c) {
  const float h = line / 2;
  FillShape(std::min(x0, x1) - line, std::min(y0, y1) - line, std::max(x0, x1) + line, std::max(y0, y1) + line,
            Paint::Solid(c),
            [&](float px, float py) { return CoverageOf(SegmentDistance(px, py, x0, y0, x1, y1) - h); });
}

void Frame::Arc(float cx, float cy, float r, float a0, float a1, float line, Rgba c) {
  const float h = line / 2;
  const float ex0 = cx + r * std::cos(a0);
  const float ey0 = cy + r * std::sin(a0);
  const float ex1 = cx + r * std::cos(a1);
  const float ey1 = cy + r * std::sin(a1);
  FillShape(cx - r - line, cy - r - line, cx + r + line, cy + r + line, Paint::Solid(c), [&](float px, float py) {
    float a = std::atan2(py - cy, px - cx);
    while (a < a0) a += 2 * kPi;
    float d;
    if (a <= a1) {
      d = std::fabs(std::sqrt((px - cx) * (px - cx) + (py - cy) * (py - cy)) - r);
    } else {
      d = std::min(std::hypot(px - ex0, py - ey0), std::hypot(px - ex1, py - ey1));
    }
    return CoverageOf(d - h);
  });
}

void Frame::FillPolygon(const std::vector<float>& xy, const Paint& paint) {
  const size_t n = xy.size() / 2;
  if (n < 3) return;
  float x0 = xy[0], x1 = xy[0], y0 = xy[1], y1 = xy[1];
  for (size_t i = 1; i < n; ++i) {
    x0 = std::min(x0, xy[2 * i]);
    x1 = std::max(x1, xy[2 * i]);
    y0 = std::min(y0, xy[2 * i + 1]);
    y1 = std::max(y1, xy[2 * i + 1]);
  }
  auto inside = [&](float px, float py) {
    bool in = false;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
      const float xi = xy[2 * i], yi = xy[2 * i + 1], xj = xy[2 * j], yj = xy[2 * j + 1];
      if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) in = !in;
    }
    return in;
  };
  FillShape(x0, y0, x1, y1, paint, [&](float px, float py) {
    int hits = 0;
    for (int sy = 0; sy < 4; ++sy) {
      for (int sx = 0; sx < 4; ++sx) hits += inside(px - 0.375f + sx * 0.25f, py - 0.375f + sy * 0.25f) ? 1 : 0;
    }
    return hits / 16.0f;
  });
}

void Frame::DrawMask(const TextMask& mask, float cx, float cy, Rgba colour, Rgba outline, Rgba shadow) {
  if (mask.InkWidth() <= 0) return;
  const int ox = static_cast<int>(std::lround(cx - (mask.ink_left + mask.ink_right) / 2.0f));
  const int oy = static_cast<int>(std::lround(cy - (mask.ink_top + mask.ink_bottom) / 2.0f));
  const int grow = 2;
  auto each = [&](auto fn) {
    for (int y = mask.ink_top - grow; y < mask.ink_bottom + grow; ++y) {
      for (int x = mask.ink_left - grow; x < mask.ink_right + grow; ++x) fn(x, y);
    }
  };
  if (shadow.a != 0) {
    each([&](int x, int y) { Blend(x + ox + 1, y + oy + 1, shadow, mask.At(x, y) / 255.0f); });
  }
  if (outline.a != 0) {
    each([&](int x, int y) {
      uint8_t m = 0;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) m = std::max(m, mask.At(x + dx, y + dy));
      }
      Blend(x + ox, y + oy, outline, m / 255.0f);
    });
  }
  each([&](int x, int y) { Blend(x + ox, y + oy, colour, mask.At(x, y) / 255.0f); });
}

void Frame::DrawMaskTurned(const TextMask& mask, float cx, float cy, Rgba colour, Rgba outline) {
  if (mask.InkWidth() <= 0) return;
  // The mask turned half a turn about its ink box: (x, y) reads (right - 1 - x, bottom - 1 - y).
  TextMask turned = mask;
  for (int y = mask.ink_top; y < mask.ink_bottom; ++y) {
    for (int x = mask.ink_left; x < mask.ink_right; ++x) {
      const int sx = mask.ink_right - 1 - (x - mask.ink_left);
      const int sy = mask.ink_bottom - 1 - (y - mask.ink_top);
      turned.coverage[static_cast<size_t>(y) * mask.width + x] = mask.At(sx, sy);
    }
  }
  DrawMask(turned, cx, cy, colour, outline);
}

void Frame::Caption(const std::string& text, float cx, float cy, TextStyle style, Rgba colour, Rgba outline,
                    Rgba shadow) {
  DrawMask(RenderText(renderer_, text, style), cx, cy, colour, outline, shadow);
}

void Frame::Fade(float a) {
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      Rgba c = Get(x, y);
      c.a = ToByte(c.a * Clamp01(a));
      Set(x, y, c);
    }
  }
}

void Frame::CopyFrom(const Frame& other) {
  if (other.width_ != width_ || other.height_ != height_ || pixels() == nullptr || other.pixels() == nullptr) return;
  std::memcpy(pixels(), other.pixels(), static_cast<size_t>(width_) * height_ * 4);
}

void Frame::KeyTransparentPixels() {
  uint32_t* px = pixels();
  if (px == nullptr) return;
  for (size_t i = 0, n = static_cast<size_t>(width_) * height_; i < n; ++i) {
    if ((px[i] >> 24) == 0) px[i] = 0x00FF00FF;  // BGRA FF 00 FF 00: the key, transparent
  }
}

float Noise(int x, int y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFFFF) / 16777216.0f;
}

float SmoothNoise(float x, float y, int cell, int period, uint32_t seed) {
  const int cells = std::max(1, period / cell);
  const float gx = x / cell;
  const float gy = y / cell;
  const int ix = static_cast<int>(std::floor(gx));
  const int iy = static_cast<int>(std::floor(gy));
  const float fx = gx - ix;
  const float fy = gy - iy;
  auto at = [&](int cx, int cy) { return Noise(((cx % cells) + cells) % cells, ((cy % cells) + cells) % cells, seed); };
  const float sx = fx * fx * (3 - 2 * fx);
  const float sy = fy * fy * (3 - 2 * fy);
  const float top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * sx;
  const float bottom = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * sx;
  return top + (bottom - top) * sy;
}

}  // namespace skin
