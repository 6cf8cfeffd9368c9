// The side panel: bar backgrounds, list rows and heads, scroll bar parts, the input box, the
// chat paper and the small marks of menus and chat lines.
#include <algorithm>
#include <cmath>

#include "app/skin-gen/skin_studio.h"

namespace skin {
namespace {

using namespace colour;

void Fill(Frame& f, Rgba c) {
  f.FillRect(0, 0, static_cast<float>(f.width()), static_cast<float>(f.height()), Paint::Solid(c));
}

// A wood strip with a light top line and a dark bottom line.
void WoodStrip(Frame& f, float y0, float y1) {
  const float w = static_cast<float>(f.width());
  f.FillRect(0, y0, w, y1, Paint::Vertical(Rgb(0x7E4E2C), Rgb(0x4E2E1A), y0, y1));
  for (int x = 0; x < f.width(); ++x) {
    f.Blend(x, static_cast<int>(y0), kGoldLight, 0.35f);
    f.Blend(x, static_cast<int>(y1) - 1, kWoodDeep, 0.8f);
  }
}

// Paper framed by thin wood lines on its left and right.
void PaperWithSides(Frame& f, float y0, float y1, Rgba paper) {
  const float w = static_cast<float>(f.width());
  f.FillRect(0, y0, w, y1, Paint::Solid(paper));
  f.FillRect(0, y0, 1, y1, Paint::Solid(kWood));
  f.FillRect(w - 1, y0, w, y1, Paint::Solid(kWood));
}

void PanelBar(Frame& f, const std::string& which) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  if (which == "operate") {
    WoodStrip(f, 0, h);
  } else if (which == "matchlist") {
    PaperWithSides(f, 0, h, kPaper);
    WoodStrip(f, 0, 90);
    // The portrait's frame and the rank area under the title.
    f.FillRoundRect(10, 94, 62, 146, 4, Paint::Solid(kPaperDark));
    f.StrokeRoundRect(10, 94, 62, 146, 4, 1, kWood);
    f.FillRect(0, h - 1, w, h, Paint::Solid(kWood));
  } else {
    // The input bar: a wood band for the system buttons over a lighter band for the edit line.
    f.FillRect(0, 0, w, h, Paint::Vertical(Rgb(0x6E4426), Rgb(0x4A2C18), 0, h));
    for (int x = 0; x < f.width(); ++x) {
      f.Blend(x, 0, kGoldLight, 0.45f);
      f.Blend(x, 29, kWoodDeep, 0.5f);
      f.Blend(x, 30, kGoldLight, 0.2f);
    }
  }
}

void SystemBar(Frame& f, int part) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  PaperWithSides(f, 0, h, kPaper);
  if (part == 0) {
    f.FillRect(0, 0, w, 2, Paint::Solid(kWood));
    f.FillRect(0, 2, w, 3, Paint::Solid(WithAlpha(kGoldLight, 0.6f)));
  } else if (part == 2) {
    f.FillRect(0, h - 2, w, h, Paint::Solid(kWood));
  }
}

void ListRow(Frame& f, int index, const std::string& which) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  Rgba fill;
  if (which == "user") {
    // 0 under the pointer, 1 and 2 the alternating rows.
    const Rgba shades[] = {Rgb(0xF6E2A8), Rgb(0xF7F0DE), Rgb(0xEDE2C6)};
    fill = shades[std::clamp(index, 0, 2)];
  } else {
    // 0 highlighted; 1 and 2 the qualifying rows (1 is also the head row); 3 and 4 the others.
    const Rgba shades[] = {Rgb(0xF6E2A8), Rgb(0xDCEBD2), Rgb(0xCFE3C3), Rgb(0xF7F0DE), Rgb(0xEDE2C6)};
    fill = shades[std::clamp(index, 0, 4)];
  }
  f.FillRect(0, 0, w, h, Paint::Vertical(Lighter(fill, 0.25f), fill, 0, h));
  f.FillRect(0, h - 1, w, h, Paint::Solid(kPaperDark));
}

void ListHeader(Frame& f) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  f.FillRect(0, 0, w, h, Paint::Vertical(Rgb(0x8A5A32), Rgb(0x583420), 0, h));
  f.FillRect(0, 0, w, 1, Paint::Solid(WithAlpha(kGoldLight, 0.5f)));
  f.FillRect(0, h - 1, w, h, Paint::Solid(kWoodDeep));
}

void Divider(Frame& f) {
  const float h = static_cast<float>(f.height());
  f.FillRect(0, 0, 1, h, Paint::Solid(kWoodDeep));
  f.FillRect(1, 0, 2, h, Paint::Solid(Rgb(0xB08458)));
}

void ScrollCorner(Frame& f) {
  Fill(f, Rgb(0xE3D6B8));
  for (int i = 0; i < 3; ++i) {
    const float x = f.width() - 4.0f - i * 3;
    f.Line(x, f.height() - 3.0f, f.width() - 3.0f, x, 1, WithAlpha(kWood, 0.6f));
  }
}

void ScrollTrack(Frame& f, bool vertical) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  Fill(f, Rgb(0xE6DABE));
  const Paint channel = vertical ? Paint::Horizontal(Rgb(0xC8B48A), Rgb(0xDCCBA5), 4, w - 4)
                                 : Paint::Vertical(Rgb(0xC8B48A), Rgb(0xDCCBA5), 4, h - 4);
  f.FillRoundRect(4, 4, w - 4, h - 4, 4, channel);
}

void ScrollThumb(Frame& f, int state, bool vertical) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  Rgba a = Rgb(0xB27C4A);
  Rgba b = Rgb(0x80522E);
  if (state == 1) {
    a = Lighter(a, 0.25f);
    b = Lighter(b, 0.2f);
  } else if (state == 2) {
    a = Darker(a, 0.2f);
    b = Darker(b, 0.15f);
  }
  const Paint paint = vertical ? Paint::Horizontal(a, b, 2, w - 2) : Paint::Vertical(a, b, 2, h - 2);
  f.FillRoundRect(1.5f, 1.5f, w - 1.5f, h - 1.5f, 5, paint);
  f.StrokeRoundRect(1.5f, 1.5f, w - 1.5f, h - 1.5f, 5, 1, kWoodDeep);
}

void ScrollGrip(Frame& f, bool vertical) {
  for (int i = 0; i < 3; ++i) {
    const float p = 1.5f + i * 2.5f;
    if (vertical) {
      f.Line(1, p, f.width() - 1.0f, p, 1, WithAlpha(kGoldLight, 0.9f));
    } else {
      f.Line(p, 1, p, f.height() - 1.0f, 1, WithAlpha(kGoldLight, 0.9f));
    }
  }
}

void InputBox(Frame& f) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  f.FillRoundRect(0.5f, 0.5f, w - 0.5f, h - 0.5f, 5, Paint::Vertical(Rgb(0xECE2C8), kCream, 0, h * 0.4f));
  f.StrokeRoundRect(0.5f, 0.5f, w - 0.5f, h - 0.5f, 5, 1, kWoodDark);
}

void ChatHead(Frame& f) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  PaperWithSides(f, 0, h, kPaper);
  f.FillRect(0, 0, w, 3, Paint::Vertical(kWoodLight, kWood, 0, 3));
  f.FillRect(0, 3, w, 8, Paint::Vertical(WithAlpha(kWoodDark, 0.25f), WithAlpha(kWoodDark, 0.0f), 3, 8));
}

void ChatBody(Frame& f) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  PaperWithSides(f, 0, h, kPaper);
  // Faint ruled lines, one every 16 pixels.
  for (int y = 15; y < f.height(); y += 16)
    f.FillRect(6, static_cast<float>(y), w - 6, y + 1.0f, Paint::Solid(WithAlpha(kPaperDark, 0.5f)));
}

void MenuIcon(Frame& f, const std::string& which) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  if (which == "silver") {
    // An ingot: a boat-shaped body with a round top.
    f.FillEllipse(w / 2, h * 0.45f, w * 0.22f, h * 0.2f, Paint::Vertical(kWhite, Rgb(0xA8B0B8), 4, h * 0.65f));
    f.FillPolygon({1.5f, h * 0.45f, w - 1.5f, h * 0.45f, w * 0.78f, h * 0.85f, w * 0.22f, h * 0.85f},
                  Paint::Vertical(Rgb(0xE6EBF0), Rgb(0x8A949E), h * 0.45f, h * 0.85f));
    f.Line(1.5f, h * 0.45f, w - 1.5f, h * 0.45f, 1, Rgb(0x5E6A76));
  } else {
    // A safe: a box with a dial.
    f.FillRoundRect(2, 3, w - 2, h - 2, 2, Paint::Vertical(Rgb(0x6E7C88), Rgb(0x3E4A56), 3, h - 2));
    f.StrokeRoundRect(2, 3, w - 2, h - 2, 2, 1, Rgb(0x222A32));
    f.StrokeCircle(w / 2, h / 2 + 0.5f, 3.5f, 1.2f, kGoldLight);
    f.Line(w / 2, h / 2 + 0.5f, w / 2 + 2.5f, h / 2 - 2, 1, kGoldLight);
  }
}

void IconMark(Studio& s, Frame& f, const std::string& text) {
  const float w = static_cast<float>(f.width());
  f.FillCircle(w / 2, w / 2, w / 2 - 1, Paint::Radial(Rgb(0x5AA0C8), Rgb(0x245A80), w / 2 - 3, w / 2 - 3, w * 0.6f));
  f.StrokeCircle(w / 2, w / 2, w / 2 - 1.5f, 1, kGoldLight);
  const TextStyle style = s.Fit(text, {14, 700}, f.width() - 8, f.height() - 8);
  f.DrawMask(s.Text(text, style), w / 2, w / 2, kWhite);
}

void NoticeTag(Studio& s, Frame& f, const std::string& text) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  f.FillRoundRect(0.5f, 0.5f, w - 0.5f, h - 0.5f, 3, Paint::Vertical(kRedLight, Rgb(0xA3241A), 0, h));
  const TextStyle style = s.Fit(text, {12, 700}, f.width() - 4, f.height() - 3);
  f.DrawMask(s.Text(text, style), w / 2, h / 2, kWhite);
}

void Diamond(Frame& f, int index, int frames) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  const std::vector<float> gem = {w * 0.2f,  h * 0.35f, w * 0.35f, h * 0.12f, w * 0.65f,
                                  h * 0.12f, w * 0.8f,  h * 0.35f, w * 0.5f,  h * 0.92f};
  f.FillPolygon(gem, Paint::Vertical(Rgb(0x9AD8FF), Rgb(0x2466C8), 1, h));
  f.Line(w * 0.2f, h * 0.35f, w * 0.8f, h * 0.35f, 1, WithAlpha(kWhite, 0.7f));
  // A sparkle that moves across the gem.
  const float t = static_cast<float>(index) / std::max(1, frames);
  const float sx = w * (0.3f + 0.4f * t);
  const float sy = h * (0.25f + 0.2f * std::sin(t * kPi));
  f.Line(sx - 2.5f, sy, sx + 2.5f, sy, 1, kWhite);
  f.Line(sx, sy - 2.5f, sx, sy + 2.5f, 1, kWhite);
}

}  // namespace

void DrawPanel(Studio& studio, const Picture& p, int index, Frame& f) {
  switch (p.look) {
    case Look::kPanelBar:
      PanelBar(f, p.caption);
      break;
    case Look::kSystemBar:
      SystemBar(f, index);
      break;
    case Look::kListRow:
      ListRow(f, index, p.caption);
      break;
    case Look::kListHeader:
      ListHeader(f);
      break;
    case Look::kDivider:
      Divider(f);
      break;
    case Look::kScrollCorner:
      ScrollCorner(f);
      break;
    case Look::kScrollTrack:
      ScrollTrack(f, p.caption == "vert");
      break;
    case Look::kScrollThumb:
      ScrollThumb(f, index, p.caption == "vert");
      break;
    case Look::kScrollGrip:
      ScrollGrip(f, p.caption == "vert");
      break;
    case Look::kInputBox:
      InputBox(f);
      break;
    case Look::kChatHead:
      ChatHead(f);
      break;
    case Look::kChatBody:
      ChatBody(f);
      break;
    case Look::kMenuIcon:
      MenuIcon(f, p.caption);
      break;
    case Look::kIconMark:
      IconMark(studio, f, p.caption);
      break;
    case Look::kNoticeTag:
      NoticeTag(studio, f, p.caption);
      break;
    case Look::kDiamond:
      Diamond(f, index, p.frames);
      break;
    default:
      break;
  }
}

}  // namespace skin
