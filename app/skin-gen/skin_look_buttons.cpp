// Buttons: four frames each, normal, hovered, pressed and disabled. Hovered is lighter with a
// bright rim, pressed darker with its face sunk one pixel, disabled grey and faded.
#include <algorithm>
#include <cmath>

#include "app/skin-gen/skin_studio.h"

namespace skin {
namespace {

using namespace colour;

enum State { kNormal = 0, kHovered = 1, kPressed = 2, kDisabled = 3 };

struct Scheme {
  Rgba top;
  Rgba bottom;
  Rgba border;
  Rgba ink;
};

// The scheme's colours as the state shows them.
Scheme ForState(Scheme s, int state) {
  switch (state) {
    case kHovered:
      return {Lighter(s.top, 0.25f), Lighter(s.bottom, 0.22f), Lighter(s.border, 0.10f), s.ink};
    case kPressed:
      return {Darker(s.bottom, 0.18f), Darker(s.top, 0.10f), Darker(s.border, 0.15f), s.ink};
    case kDisabled:
      return {Lighter(Greyed(s.top, 0.9f), 0.15f), Lighter(Greyed(s.bottom, 0.9f), 0.15f),
              Lighter(Greyed(s.border, 0.9f), 0.25f), WithAlpha(Greyed(s.ink, 1.0f), 0.45f)};
    default:
      return s;
  }
}

// A rounded button face with a caption (or nothing) centred on it; returns the face's centre.
void Face(Frame& f, int state, const Scheme& base, float radius) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  const Scheme s = ForState(base, state);
  const float sink = state == kPressed ? 1.0f : 0.0f;
  // A soft shadow under the face, not when pressed.
  if (state != kPressed) f.FillRoundRect(1, 2, w - 1, h, radius, Paint::Solid(WithAlpha(kInk, 0.30f)));
  f.FillRoundRect(1, 1 + sink, w - 1, h - 1 + sink, radius, Paint::Vertical(s.top, s.bottom, 1 + sink, h - 1 + sink));
  if (state != kPressed && state != kDisabled) {
    // A highlight along the top inside the face.
    for (int x = static_cast<int>(radius); x < f.width() - static_cast<int>(radius); ++x) {
      f.Blend(x, 2, kWhite, 0.35f);
    }
  } else if (state == kPressed) {
    for (int x = static_cast<int>(radius); x < f.width() - static_cast<int>(radius); ++x) {
      f.Blend(x, 2, kInk, 0.25f);
    }
  }
  f.StrokeRoundRect(1, 1 + sink, w - 1, h - 1 + sink, radius, 1, s.border);
  if (state == kHovered) f.StrokeRoundRect(0, 0, w, h, radius + 1, 1, WithAlpha(kGoldLight, 0.9f));
}

void Caption(Studio& studio, Frame& f, int state, const std::string& text, TextStyle most, const Scheme& base,
             Rgba outline = kNone) {
  const Scheme s = ForState(base, state);
  const float sink = state == kPressed ? 1.0f : 0.0f;
  const TextStyle style = studio.Fit(text, most, f.width() - 8, f.height() - 8);
  f.DrawMask(studio.Text(text, style), f.width() / 2.0f, f.height() / 2.0f + sink, s.ink,
             state == kDisabled ? kNone : outline);
}

const Scheme kGoldScheme{Rgb(0xF6DE9A), Rgb(0xC89A3E), Rgb(0x6E4A1C), kInk};
const Scheme kWoodScheme{Rgb(0x9A643A), Rgb(0x5E3820), Rgb(0x2E1A0E), kCream};
const Scheme kPaperScheme{Rgb(0xFBF4E2), Rgb(0xE4D4AE), Rgb(0x9C8358), kWoodDark};
const Scheme kRedScheme{Rgb(0xE0604C), Rgb(0xA82A1E), Rgb(0x5A120C), kCream};

void WindowButton(Studio& studio, Frame& f, int state, const std::string& what) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  const bool close = what == "close";
  const float sink = state == kPressed ? 1.0f : 0.0f;
  Rgba back = WithAlpha(kWoodDeep, 0.35f);
  Rgba ink = WithAlpha(kGoldLight, 0.95f);
  if (state == kHovered) back = close ? Rgb(0xC8402E) : WithAlpha(kWoodLight, 0.95f);
  if (state == kPressed) back = close ? Rgb(0x8E2418) : Rgb(0x3A2214);
  if (state == kHovered || state == kPressed) ink = kCream;
  if (state == kDisabled) ink = WithAlpha(kGoldLight, 0.35f);
  f.FillRoundRect(0.5f, 0.5f, w - 0.5f, h - 0.5f, 3.5f, Paint::Solid(back));
  Rgba rim = WithAlpha(kGoldDark, 0.6f);
  if (state == kHovered) rim = WithAlpha(kGoldLight, 0.8f);
  if (state == kDisabled) rim = WithAlpha(Greyed(kGoldDark, 1.0f), 0.45f);
  f.StrokeRoundRect(0.5f, 0.5f, w - 0.5f, h - 0.5f, 3.5f, 1, rim);
  const float cx = w / 2;
  const float cy = h / 2 + sink;
  if (what == "min") {
    f.Line(cx - 5, cy + 3, cx + 5, cy + 3, 2, ink);
  } else if (what == "max") {
    f.StrokeRoundRect(cx - 5.5f, cy - 5, cx + 5.5f, cy + 5, 1, 1.4f, ink);
    f.Line(cx - 5, cy - 3.6f, cx + 5, cy - 3.6f, 1.4f, ink);
  } else if (what == "fit") {
    f.StrokeRoundRect(cx - 2.5f, cy - 6, cx + 6, cy + 2, 1, 1.3f, ink);
    f.FillRect(cx - 6, cy - 2.5f, cx + 2.5f, cy + 5.5f, Paint::Solid(back));
    f.StrokeRoundRect(cx - 6, cy - 2.5f, cx + 2.5f, cy + 5.5f, 1, 1.3f, ink);
  } else if (close) {
    f.Line(cx - 4.5f, cy - 4.5f, cx + 4.5f, cy + 4.5f, 1.8f, ink);
    f.Line(cx - 4.5f, cy + 4.5f, cx + 4.5f, cy - 4.5f, 1.8f, ink);
  } else {
    const TextStyle style = studio.Fit(what, {12, 400}, f.width() - 6, f.height() - 5);
    f.DrawMask(studio.Text(what, style), cx, cy, ink);
  }
}

void SquareButton(Studio& studio, Frame& f, int state, const std::string& text) {
  const Scheme base{Rgb(0x6E4426), Rgb(0x40261A), Rgb(0xC89A3E), kGoldLight};
  Face(f, state, base, 5);
  Caption(studio, f, state, text, {15, 700}, base);
}

void IconButton(Studio& studio, Frame& f, int state, const std::string& icon) {
  Face(f, state, kPaperScheme, 4);
  const Scheme s = ForState(kPaperScheme, state);
  const float sink = state == kPressed ? 1.0f : 0.0f;
  const float cx = f.width() / 2.0f;
  const float cy = f.height() / 2.0f + sink;
  if (icon == "smile") {
    const Rgba face = state == kDisabled ? Greyed(kGold, 0.9f) : kGold;
    f.FillCircle(cx, cy, 7, Paint::Radial(Lighter(face, 0.4f), face, cx - 2, cy - 2, 8));
    f.StrokeCircle(cx, cy, 7, 1, s.ink);
    f.FillCircle(cx - 2.5f, cy - 1.5f, 1.1f, Paint::Solid(s.ink));
    f.FillCircle(cx + 2.5f, cy - 1.5f, 1.1f, Paint::Solid(s.ink));
    f.Arc(cx, cy, 4, 0.5f, 2.64f, 1.2f, s.ink);
    return;
  }
  const TextStyle style = studio.Fit(icon, {14, 700}, f.width() - 8, f.height() - 7);
  f.DrawMask(studio.Text(icon, style), cx, cy, s.ink);
}

void Tab(Studio& studio, Frame& f, int state, const std::string& text) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  // Down (the tab shown) is the pressed frame.
  Rgba top = kPaperDark;
  Rgba bottom = Darker(kPaperDark, 0.08f);
  Rgba ink = kWoodDark;
  if (state == kHovered) {
    top = Lighter(kPaperDark, 0.35f);
    bottom = kPaperDark;
  } else if (state == kPressed) {
    top = kCream;
    bottom = kPaper;
    ink = kInk;
  } else if (state == kDisabled) {
    top = Greyed(kPaperDark, 0.8f);
    bottom = top;
    ink = WithAlpha(Greyed(kWoodDark, 1.0f), 0.5f);
  }
  f.FillRoundRect(0.5f, 0.5f, w - 0.5f, h + 6, 6, Paint::Vertical(top, bottom, 0, h));
  f.StrokeRoundRect(0.5f, 0.5f, w - 0.5f, h + 6, 6, 1, kWood);
  if (state == kPressed) f.Line(6, 1.5f, w - 6, 1.5f, 2, kGold);
  const TextStyle style = studio.Fit(text, {12, state == kPressed ? 700 : 400}, f.width() - 8, f.height() - 6);
  f.DrawMask(studio.Text(text, style), w / 2, h / 2 + 1, ink);
}

void CloseCross(Frame& f, int state) {
  const float w = static_cast<float>(f.width());
  const Scheme s = ForState(kRedScheme, state);
  const float r = w / 2 - 1;
  const float sink = state == kPressed ? 0.5f : 0.0f;
  f.FillCircle(w / 2, w / 2 + sink, r, Paint::Vertical(s.top, s.bottom, 1, w - 1));
  f.StrokeCircle(w / 2, w / 2 + sink, r - 0.5f, 1, s.border);
  if (state == kHovered) f.StrokeCircle(w / 2, w / 2, r + 0.3f, 1, WithAlpha(kGoldLight, 0.9f));
  const float d = r * 0.42f;
  f.Line(w / 2 - d, w / 2 - d + sink, w / 2 + d, w / 2 + d + sink, 2, s.ink);
  f.Line(w / 2 - d, w / 2 + d + sink, w / 2 + d, w / 2 - d + sink, 2, s.ink);
}

// A triangle pointing toward `to` ("up", "down", "left", "right", "prev", "next").
void Triangle(Frame& f, float cx, float cy, float size, const std::string& to, Rgba ink) {
  const float s = size;
  if (to == "up") {
    f.FillPolygon({cx - s, cy + s * 0.55f, cx + s, cy + s * 0.55f, cx, cy - s * 0.65f}, Paint::Solid(ink));
  } else if (to == "down") {
    f.FillPolygon({cx - s, cy - s * 0.55f, cx + s, cy - s * 0.55f, cx, cy + s * 0.65f}, Paint::Solid(ink));
  } else if (to == "left" || to == "prev") {
    f.FillPolygon({cx + s * 0.55f, cy - s, cx + s * 0.55f, cy + s, cx - s * 0.65f, cy}, Paint::Solid(ink));
  } else {
    f.FillPolygon({cx - s * 0.55f, cy - s, cx - s * 0.55f, cy + s, cx + s * 0.65f, cy}, Paint::Solid(ink));
  }
}

void PageButton(Frame& f, int state, const std::string& to) {
  const float w = static_cast<float>(f.width());
  const Scheme s = ForState(kGoldScheme, state);
  const float sink = state == kPressed ? 1.0f : 0.0f;
  if (state != kPressed) f.FillCircle(w / 2, w / 2 + 1, w / 2 - 1.5f, Paint::Solid(WithAlpha(kInk, 0.3f)));
  f.FillCircle(w / 2, w / 2 + sink, w / 2 - 1.5f, Paint::Vertical(s.top, s.bottom, 1, w - 1));
  f.StrokeCircle(w / 2, w / 2 + sink, w / 2 - 2, 1, s.border);
  if (state == kHovered) f.StrokeCircle(w / 2, w / 2, w / 2 - 0.7f, 1, WithAlpha(kGoldLight, 0.95f));
  Triangle(f, w / 2 + (to == "next" ? 1.0f : -1.0f), w / 2 + sink, w * 0.22f, to, s.ink);
}

void ArrowButton(Frame& f, int state, const std::string& to) {
  const Scheme base{Rgb(0xC79A68), Rgb(0x8E6038), Rgb(0x4A2C18), kCream};
  Face(f, state, base, 3);
  const Scheme s = ForState(base, state);
  const float sink = state == kPressed ? 1.0f : 0.0f;
  Triangle(f, f.width() / 2.0f, f.height() / 2.0f + sink, f.width() * 0.22f, to, s.ink);
}

void DropDownButton(Frame& f, int state) {
  Face(f, state, kWoodScheme, 4);
  const Scheme s = ForState(kWoodScheme, state);
  const float sink = state == kPressed ? 1.0f : 0.0f;
  Triangle(f, f.width() / 2.0f, f.height() / 2.0f + sink, f.width() * 0.2f, "up", s.ink);
}

}  // namespace

void DrawButton(Studio& studio, const Picture& p, int state, Frame& f) {
  const float radius = std::min(8.0f, f.height() / 3.2f);
  switch (p.look) {
    case Look::kWindowButton:
      WindowButton(studio, f, state, p.caption);
      break;
    case Look::kButtonGold:
      Face(f, state, kGoldScheme, radius);
      Caption(studio, f, state, p.caption, {std::min(18, f.height() / 2 + 1), 700}, kGoldScheme,
              WithAlpha(kWhite, 0.35f));
      break;
    case Look::kButtonWood:
      Face(f, state, kWoodScheme, radius);
      Caption(studio, f, state, p.caption, {std::min(16, f.height() / 2 + 1), 700}, kWoodScheme);
      break;
    case Look::kButtonSquare:
      SquareButton(studio, f, state, p.caption);
      break;
    case Look::kButtonIcon:
      IconButton(studio, f, state, p.caption);
      break;
    case Look::kButtonTab:
      Tab(studio, f, state, p.caption);
      break;
    case Look::kButtonClose:
      CloseCross(f, state);
      break;
    case Look::kButtonPage:
      PageButton(f, state, p.caption);
      break;
    case Look::kButtonArrow:
      ArrowButton(f, state, p.caption);
      break;
    case Look::kButtonDropDown:
      DropDownButton(f, state);
      break;
    default:
      break;
  }
}

}  // namespace skin
