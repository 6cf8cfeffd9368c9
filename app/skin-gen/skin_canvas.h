// Drawing for the skin generator: one frame of a picture is an engine canvas, on which shapes
// are filled with smooth (anti-aliased) edges and text is written through the engine's text
// renderer. Colours are straight (not premultiplied) RGBA; an edge pixel keeps its shape's
// colour with a partial alpha, and untouched pixels stay transparent.
#pragma once

#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "engine/core/canvas_object.h"
#include "engine/ui/font_renderer.h"

namespace skin {

inline constexpr float kPi = std::numbers::pi_v<float>;

struct Rgba {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  uint8_t a = 255;
};

// 0xRRGGBB, opaque.
constexpr Rgba Rgb(uint32_t rgb) {
  return Rgba{static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb), 255};
}
// t = 0 gives a, 1 gives b (alpha mixed as well).
Rgba Mix(Rgba a, Rgba b, float t);
Rgba Lighter(Rgba c, float t);  // towards white
Rgba Darker(Rgba c, float t);   // towards black
Rgba WithAlpha(Rgba c, float alpha);
// The same colour without its saturation, t = 1 fully grey.
Rgba Greyed(Rgba c, float t);

// A paint: the colour at a point of the frame.
struct Paint {
  enum Kind : uint8_t { kSolid, kVertical, kHorizontal, kRadial } kind = kSolid;
  Rgba from;
  Rgba to;
  float a = 0;  // kVertical, kHorizontal: where `from` is; kRadial: the centre x
  float b = 1;  // kVertical, kHorizontal: where `to` is; kRadial: the centre y
  float radius = 1;

  static Paint Solid(Rgba c) { return {kSolid, c, c}; }
  static Paint Vertical(Rgba top, Rgba bottom, float y0, float y1) { return {kVertical, top, bottom, y0, y1}; }
  static Paint Horizontal(Rgba left, Rgba right, float x0, float x1) { return {kHorizontal, left, right, x0, x1}; }
  static Paint Radial(Rgba centre, Rgba edge, float cx, float cy, float r) {
    return {kRadial, centre, edge, cx, cy, r};
  }
  Rgba At(float x, float y) const;
};

// Grey-level coverage of rendered text: 0 .. 255 per pixel, with the box the ink covers.
struct TextMask {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> coverage;
  int ink_left = 0;  // the ink's box; empty (right <= left) for a text without ink
  int ink_top = 0;
  int ink_right = 0;
  int ink_bottom = 0;

  int InkWidth() const { return ink_right - ink_left; }
  int InkHeight() const { return ink_bottom - ink_top; }
  uint8_t At(int x, int y) const {
    return x < 0 || y < 0 || x >= width || y >= height ? 0 : coverage[static_cast<size_t>(y) * width + x];
  }
};

// How text is set: its pixel height, weight and the face name of the program's texts.
struct TextStyle {
  int size = 12;
  int weight = 400;
};

// Renders GBK text (markup free) in the program's face into a coverage mask.
TextMask RenderText(engine::FontRenderer* renderer, const std::string& text, TextStyle style);

class Frame {
 public:
  Frame(int width, int height, engine::FontRenderer* renderer);
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  engine::FontRenderer* renderer() const { return renderer_; }
  engine::CanvasObject& canvas() { return canvas_; }
  // 0xAARRGGBB words, rows without gaps.
  uint32_t* pixels() { return pixels_; }
  const uint32_t* pixels() const { return pixels_; }

  Rgba Get(int x, int y) const;
  void Set(int x, int y, Rgba c);
  // Lays c over the pixel with the given share (0 .. 1) of its alpha.
  void Blend(int x, int y, Rgba c, float coverage);

  // Shapes. Coordinates are in pixels, edges lie between pixel centres: a rectangle from 0 to
  // the width covers the whole frame.
  void FillRect(float x0, float y0, float x1, float y1, const Paint& paint);
  void FillRoundRect(float x0, float y0, float x1, float y1, float radius, const Paint& paint);
  void StrokeRoundRect(float x0, float y0, float x1, float y1, float radius, float line, Rgba c);
  void FillCircle(float cx, float cy, float r, const Paint& paint);
  void StrokeCircle(float cx, float cy, float r, float line, Rgba c);
  void FillEllipse(float cx, float cy, float rx, float ry, const Paint& paint);
  void Line(float x0, float y0, float x1, float y1, float line, Rgba c);
  // An arc of the circle from angle a0 to a1 (radians, clockwise from +x, y down).
  void Arc(float cx, float cy, float r, float a0, float a1, float line, Rgba c);
  void FillPolygon(const std::vector<float>& xy, const Paint& paint);

  // Text laid over the frame with its ink centred on (cx, cy); a shadow or outline when their
  // alpha is not 0.
  void DrawMask(const TextMask& mask, float cx, float cy, Rgba colour, Rgba outline = Rgba{0, 0, 0, 0},
                Rgba shadow = Rgba{0, 0, 0, 0});
  void Caption(const std::string& text, float cx, float cy, TextStyle style, Rgba colour,
               Rgba outline = Rgba{0, 0, 0, 0}, Rgba shadow = Rgba{0, 0, 0, 0});
  // The same mask turned half a turn, for the lower index of a card.
  void DrawMaskTurned(const TextMask& mask, float cx, float cy, Rgba colour, Rgba outline = Rgba{0, 0, 0, 0});

  // Multiplies every pixel's alpha by a.
  void Fade(float a);
  // Copies another frame's pixels (same size).
  void CopyFrom(const Frame& other);
  // Pixels left fully transparent take the colour key's colour, as the picture format keeps them.
  void KeyTransparentPixels();

 private:
  template <class Coverage>
  void FillShape(float x0, float y0, float x1, float y1, const Paint& paint, Coverage coverage);

  int width_;
  int height_;
  engine::FontRenderer* renderer_;
  engine::CanvasObject canvas_;
  uint32_t* pixels_ = nullptr;  // the canvas's surface
};

// Deterministic noise in [0, 1) for textures.
float Noise(int x, int y, uint32_t seed);
// Smooth noise over a period (tiles seamlessly when x, y wrap at `period`).
float SmoothNoise(float x, float y, int cell, int period, uint32_t seed);

}  // namespace skin
