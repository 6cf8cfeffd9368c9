// The window's chrome, the table cloth and the dialog backgrounds.
#include <algorithm>
#include <cmath>

#include "app/skin-gen/skin_studio.h"

namespace skin {
namespace {

using namespace colour;

void TitleStrip(Frame& f) {
  const int w = f.width();
  const int h = f.height();
  for (int y = 0; y < h; ++y) {
    const Rgba base = Mix(Rgb(0x6A4026), kWoodDeep, static_cast<float>(y) / (h - 1));
    for (int x = 0; x < w; ++x) {
      const float n = SmoothNoise(static_cast<float>(x), static_cast<float>(y) * 5, 8, w, 11) - 0.5f;
      f.Set(x, y, n > 0 ? Lighter(base, n * 0.16f) : Darker(base, -n * 0.22f));
    }
  }
  for (int x = 0; x < w; ++x) {
    f.Set(x, 0, Lighter(f.Get(x, 0), 0.18f));
    f.Set(x, h - 2, Mix(f.Get(x, h - 2), kGoldDark, 0.55f));
    f.Set(x, h - 1, kWoodDeep);
  }
}

void Border(Frame& f, bool vertical) {
  const Rgba bands[] = {kWoodDeep, kWood, kWoodDark, kWoodDeep};
  for (int y = 0; y < f.height(); ++y) {
    for (int x = 0; x < f.width(); ++x) f.Set(x, y, bands[std::min(3, vertical ? x : y)]);
  }
}

void TitleOrnament(Frame& f, const std::string& which) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  if (which == "left" || which == "right") {
    // A shade that darkens toward the window's edge, behind the title or the buttons.
    const bool left = which == "left";
    const Paint shade =
        Paint::Horizontal(WithAlpha(kWoodDeep, left ? 0.55f : 0.0f), WithAlpha(kWoodDeep, left ? 0.0f : 0.55f), 0, w);
    f.FillRect(0, 0, w, h - 2, shade);
    // A gold rule that fades out toward the middle.
    for (int x = 0; x < f.width(); ++x) {
      const float t = left ? 1 - x / w : x / w;
      f.Blend(x, f.height() - 2, kGold, t * 0.9f);
    }
    return;
  }
  // The middle knot: two rules that fade toward the ends and a diamond between them.
  const float cx = w / 2;
  const float cy = h / 2 - 1;
  for (int x = 0; x < f.width(); ++x) {
    const float t = 1 - std::fabs(x - cx) / cx;
    if (std::fabs(x - cx) < 14) continue;
    f.Blend(x, static_cast<int>(cy) - 3, kGold, t * 0.8f);
    f.Blend(x, static_cast<int>(cy) + 3, kGold, t * 0.8f);
  }
  f.FillPolygon({cx, cy - 8, cx + 9, cy, cx, cy + 8, cx - 9, cy},
                Paint::Vertical(kGoldLight, kGoldDark, cy - 8, cy + 8));
  f.FillPolygon({cx, cy - 4, cx + 4.5f, cy, cx, cy + 4, cx - 4.5f, cy}, Paint::Solid(kWoodDark));
  f.FillCircle(cx - 13, cy, 2, Paint::Solid(kGold));
  f.FillCircle(cx + 13, cy, 2, Paint::Solid(kGold));
}

void GameIcon(Studio& s, Frame& f, const std::string& caption) {
  const float w = static_cast<float>(f.width());
  f.FillRoundRect(1, 0.5f, w - 1, w - 0.5f, 3.5f, Paint::Vertical(kCream, kPaperDark, 0, w));
  f.StrokeRoundRect(1, 0.5f, w - 1, w - 0.5f, 3.5f, 1, kGoldDark);
  const TextStyle style = s.Fit(caption, {15, 700}, f.width() - 5, f.height() - 5);
  f.DrawMask(s.Text(caption, style), w / 2, w / 2, kRed);
}

void TableTile(Frame& f) {
  const int w = f.width();
  for (int y = 0; y < f.height(); ++y) {
    for (int x = 0; x < w; ++x) {
      const float broad = SmoothNoise(static_cast<float>(x), static_cast<float>(y), 24, w, 3) - 0.5f;
      const float fine = SmoothNoise(static_cast<float>(x), static_cast<float>(y), 4, w, 5) - 0.5f;
      const float speck = Noise(x, y, 9) - 0.5f;
      const float v = broad * 0.10f + fine * 0.06f + speck * 0.05f;
      f.Set(x, y, v > 0 ? Lighter(kFelt, v) : Darker(kFelt, -v));
    }
  }
}

void TableHalo(Frame& f) {
  const float r = f.width() / 2.0f;
  for (int y = 0; y < f.height(); ++y) {
    for (int x = 0; x < f.width(); ++x) {
      const float d = std::hypot(x + 0.5f - r, y + 0.5f - r) / r;
      if (d >= 1) continue;
      const float a = 0.42f * (1 - d * d) * (1 - d * d);
      f.Set(x, y, WithAlpha(kFeltLight, a));
    }
  }
}

// The gold bracket of the table's top left corner; the other corners mirror it.
void TableCorner(Frame& f, const std::string& which) {
  Frame lt(f.width(), f.height(), f.renderer());
  const Rgba gold = WithAlpha(kGold, 0.85f);
  const Rgba faint = WithAlpha(kGoldLight, 0.45f);
  lt.Line(6, 6, 56, 6, 2.2f, gold);
  lt.Line(6, 6, 6, 56, 2.2f, gold);
  lt.Line(12, 12, 40, 12, 1.1f, faint);
  lt.Line(12, 12, 12, 40, 1.1f, faint);
  lt.Arc(20, 20, 8, kPi, 1.5f * kPi + 0.01f, 1.4f, gold);
  lt.FillCircle(20, 20, 2.6f, Paint::Solid(gold));
  lt.FillPolygon({6, 1.5f, 10.5f, 6, 6, 10.5f, 1.5f, 6}, Paint::Solid(kGoldLight));
  lt.FillCircle(56, 6, 2, Paint::Solid(gold));
  lt.FillCircle(6, 56, 2, Paint::Solid(gold));
  const bool right = which[0] == 'R';
  const bool bottom = which[1] == 'B';
  for (int y = 0; y < f.height(); ++y) {
    for (int x = 0; x < f.width(); ++x) {
      f.Set(x, y, lt.Get(right ? f.width() - 1 - x : x, bottom ? f.height() - 1 - y : y));
    }
  }
}

void SplitterBack(Frame& f) {
  const float w = static_cast<float>(f.width());
  for (int y = 0; y < f.height(); ++y) {
    for (int x = 0; x < f.width(); ++x) {
      const float t = 1 - std::fabs(x + 0.5f - w / 2) / (w / 2);
      f.Set(x, y, Mix(kWoodDeep, kWood, t));
    }
  }
}

void SplitterArrow(Frame& f, const std::string& which, bool hovered) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  const Rgba top = hovered ? kGoldLight : kGold;
  const Rgba bottom = hovered ? kGold : kGoldDark;
  f.FillRoundRect(0.5f, 0.5f, w - 0.5f, h - 0.5f, 3, Paint::Horizontal(top, bottom, 0, w));
  f.StrokeRoundRect(0.5f, 0.5f, w - 0.5f, h - 0.5f, 3, 1, kWoodDeep);
  const float cx = w / 2;
  const float cy = h / 2;
  const float d = which == "right" ? 1.0f : -1.0f;
  f.FillPolygon({cx - 2 * d, cy - 5, cx + 2.5f * d, cy, cx - 2 * d, cy + 5}, Paint::Solid(kWoodDeep));
}

void TableEmblem(Studio& s, Frame& f, const std::string& caption) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  const Rgba line = WithAlpha(kGoldLight, 0.13f);
  for (int ring = 0; ring < 2; ++ring) {
    const float inset = 6.0f + ring * 8;
    // An ellipse drawn as a ring of short lines.
    const float rx = w / 2 - inset;
    const float ry = h / 2 - inset;
    for (int i = 0; i < 180; ++i) {
      const float a0 = 2 * kPi * i / 180;
      const float a1 = 2 * kPi * (i + 1) / 180;
      f.Line(w / 2 + rx * std::cos(a0), h / 2 + ry * std::sin(a0), w / 2 + rx * std::cos(a1), h / 2 + ry * std::sin(a1),
             ring == 0 ? 2.0f : 1.0f, line);
    }
  }
  f.DrawMask(s.Text(caption, {64, 700}), w / 2, h / 2, WithAlpha(kCream, 0.12f));
}

// A framed panel of dark wood with a gold edge and a lighter title band.
void DarkPanel(Frame& f, float radius, bool title_band) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  f.FillRoundRect(0, 0, w, h, radius, Paint::Vertical(Rgb(0x3D2617), Rgb(0x24150B), 0, h));
  if (title_band) {
    Frame band(f.width(), f.height(), f.renderer());
    band.FillRoundRect(0, 0, w, h, radius,
                       Paint::Vertical(WithAlpha(kWoodLight, 0.55f), WithAlpha(kWood, 0.0f), 0, 34));
    for (int y = 0; y < std::min(f.height(), 34); ++y) {
      for (int x = 0; x < f.width(); ++x) f.Blend(x, y, band.Get(x, y), 1);
    }
    for (int x = 10; x < f.width() - 10; ++x) f.Blend(x, 33, kGoldDark, 0.7f);
  }
  f.StrokeRoundRect(0, 0, w, h, radius, 2, kGold);
  f.StrokeRoundRect(5, 5, w - 5, h - 5, std::max(2.0f, radius - 4), 1, WithAlpha(kGoldDark, 0.8f));
}

void InfoBox(Frame& f) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  f.FillRoundRect(0, 0, w, h, 8,
                  Paint::Vertical(WithAlpha(Rgb(0x14301F), 0.82f), WithAlpha(Rgb(0x0C2014), 0.82f), 0, h));
  f.StrokeRoundRect(0, 0, w, h, 8, 1.5f, WithAlpha(kGold, 0.9f));
  f.StrokeRoundRect(3, 3, w - 3, h - 3, 6, 1, WithAlpha(kGoldDark, 0.5f));
}

}  // namespace

void DrawChrome(Studio& studio, const Picture& p, int index, Frame& f) {
  switch (p.look) {
    case Look::kTitleStrip:
      TitleStrip(f);
      break;
    case Look::kBorder:
      Border(f, p.caption == "vert");
      break;
    case Look::kTitleOrnament:
      TitleOrnament(f, p.caption);
      break;
    case Look::kGameIcon:
      GameIcon(studio, f, p.caption);
      break;
    case Look::kTableTile:
      TableTile(f);
      break;
    case Look::kTableHalo:
      TableHalo(f);
      break;
    case Look::kTableCorner:
      TableCorner(f, p.caption);
      break;
    case Look::kSplitterBack:
      SplitterBack(f);
      break;
    case Look::kSplitterArrow:
      SplitterArrow(f, p.caption, index == 1);
      break;
    case Look::kTableEmblem:
      TableEmblem(studio, f, p.caption);
      break;
    case Look::kDialog:
      DarkPanel(f, 10, true);
      break;
    case Look::kInfoBox:
      InfoBox(f);
      break;
    default:
      break;
  }
}

}  // namespace skin
