// Cards: backs, and faces of the 20 zipai card kinds (一 to 十 small, 壹 to 拾 big). Frame f of a
// face picture names the value the card rules give the cards it shows (table::FaceKindOfFrame):
// small for suits 0 and 1, big for 2 and 3; frames of values past 10 are plain faces. The cards
// 二, 七, 十 and 贰, 柒, 拾 are red, the rest black. The value stands large in the middle and small
// in the top left and (turned) bottom right corners, so it reads on the narrow strip that
// overlapping cards leave visible.
#include <algorithm>
#include <cmath>

#include "app/skin-gen/skin_studio.h"
#include "table/card_view.h"

namespace skin {
namespace {

using namespace colour;

constexpr const char* kSmall[] = {"一", "二", "三", "四", "五", "六", "七", "八", "九", "十"};
constexpr const char* kBig[] = {"壹", "贰", "叁", "肆", "伍", "陆", "柒", "捌", "玖", "拾"};

float CardRadius(const Frame& f) { return std::max(4.0f, std::round(f.width() * 0.1f)); }

void CardBack(Frame& f) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  const float r = CardRadius(f);
  f.FillRoundRect(0, 0, w, h, r, Paint::Vertical(kCream, Rgb(0xEDE2C6), 0, h));
  f.StrokeRoundRect(0, 0, w, h, r, 1, Rgb(0x7A6440));
  const float m = std::max(3.0f, std::round(w * 0.07f));
  Frame inner(f.width(), f.height(), f.renderer());
  inner.FillRoundRect(m, m, w - m, h - m, std::max(2.0f, r - m / 2),
                      Paint::Radial(Rgb(0x9A3226), Rgb(0x5A1610), w / 2, h / 2, h * 0.6f));
  // A gold lattice over the red field.
  const float step = std::max(6.0f, std::round(w / 6));
  for (int y = 0; y < f.height(); ++y) {
    for (int x = 0; x < f.width(); ++x) {
      const Rgba c = inner.Get(x, y);
      if (c.a == 0) continue;
      const float u = std::fmod(x + y + 0.5f, step);
      const float v = std::fmod(x - y + 1000 * step + 0.5f, step);
      const float line =
          std::max(std::max(0.0f, 1 - std::fabs(u - step / 2)), std::max(0.0f, 1 - std::fabs(v - step / 2)));
      Rgba out = Mix(c, kGold, 0.45f * line);
      out.a = c.a;
      f.Blend(x, y, out, 1);
    }
  }
  f.StrokeRoundRect(m, m, w - m, h - m, std::max(2.0f, r - m / 2), 1, kGold);
  // The medallion in the middle.
  const float rr = w * 0.2f;
  f.FillCircle(w / 2, h / 2, rr, Paint::Radial(Rgb(0x8E2A20), Rgb(0x6A1A12), w / 2, h / 2, rr));
  f.StrokeCircle(w / 2, h / 2, rr, std::max(1.0f, w / 40), kGold);
  const float d = rr * 0.55f;
  f.FillPolygon({w / 2, h / 2 - d, w / 2 + d, h / 2, w / 2, h / 2 + d, w / 2 - d, h / 2},
                Paint::Vertical(kGoldLight, kGoldDark, h / 2 - d, h / 2 + d));
}

// The part of a card left visible by the card lying over it: the own hand's spacing for the
// large sizes, the other hands' for the small one.
int VisibleStrip(int width) {
  if (width <= 50) return 15;
  if (width <= 71) return 16;
  if (width <= 82) return 20;
  return 22;
}

void CardFace(Studio& studio, Frame& f, int frame) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  const float r = CardRadius(f);
  const int kind = table::FaceKindOfFrame(frame);
  const int value = kind % 10 + 1;
  const bool big = kind >= 10;
  const bool red = value == 2 || value == 7 || value == 10;
  const Rgba ink = red ? kRed : kInk;
  const std::string text = CardNumeral(frame);
  f.FillRoundRect(0, 0, w, h, r,
                  Paint::Vertical(big ? Rgb(0xFBF0DA) : kCream, big ? Rgb(0xEEDCB8) : Rgb(0xF0E6CE), 0, h));
  f.StrokeRoundRect(0, 0, w, h, r, 1, Rgb(0x7A6440));
  if (text.empty()) return;
  // Corner indices: as large as the strip that overlapping cards leave visible allows.
  const int inset = 2;
  const int room = VisibleStrip(f.width()) - inset - 1;
  const TextStyle index_style = studio.Fit(text, {room + 2, 700}, room, room + 3);
  const TextMask& index = studio.Text(text, index_style);
  const float ix = inset + 0.5f + room / 2.0f;
  const float iy = inset + 1 + index.InkHeight() / 2.0f;
  // Small indices get a half-strength rim, so that one-pixel strokes stay dark.
  const Rgba rim = index_style.size < 16 ? WithAlpha(ink, 0.45f) : kNone;
  f.DrawMask(index, ix, iy, ink, rim);
  f.DrawMaskTurned(index, w - ix, h - iy, ink, rim);
  const float band = inset + 2.0f + index.InkHeight();
  if (big) {
    // The big forms hold their value in a red double frame between the indices.
    const float m = std::max(3.0f, std::round(w * 0.07f));
    f.StrokeRoundRect(m, band + 1, w - m, h - band - 1, std::max(2.0f, r - 2), 1, WithAlpha(kRed, 0.6f));
    f.StrokeRoundRect(m + 2, band + 3, w - m - 2, h - band - 3, std::max(1.0f, r - 4), 1, WithAlpha(kRed, 0.3f));
  }
  // The value large in the middle.
  const int middle = static_cast<int>(std::round(w * 0.56f));
  const TextStyle centre_style = studio.Fit(text, {middle, big || w < 71 ? 700 : 400}, static_cast<int>(w * 0.62f),
                                            static_cast<int>(h - 2 * band - 10));
  f.DrawMask(studio.Text(text, centre_style), w / 2, h / 2, ink);
}

void CardCorner(Frame& f) {
  // A small card lying turned: its back with one corner folded over.
  const float x0 = 6, y0 = 1, x1 = 24, y1 = 23;
  f.FillRoundRect(x0, y0, x1, y1, 3, Paint::Vertical(Rgb(0x9A3226), Rgb(0x5A1610), y0, y1));
  f.StrokeRoundRect(x0, y0, x1, y1, 3, 1, kGold);
  f.FillPolygon({x1 - 7, y0, x1, y0 + 7, x1 - 7, y0 + 7}, Paint::Solid(kCream));
  f.Line(x1 - 7, y0 + 0.5f, x1 - 0.5f, y0 + 7, 1, Rgb(0x7A6440));
  f.FillCircle((x0 + x1) / 2 - 1, (y0 + y1) / 2 + 2, 3, Paint::Solid(kGold));
}

}  // namespace

std::string CardNumeral(int frame) {
  const int kind = table::FaceKindOfFrame(frame);
  if (kind < 0) return {};
  return kind >= 10 ? kBig[kind - 10] : kSmall[kind];
}

int EarlierCardFace(int frame) {
  const int kind = table::FaceKindOfFrame(frame);
  for (int f = 0; f < frame; ++f) {
    if (table::FaceKindOfFrame(f) == kind) return f;
  }
  return -1;
}

void DrawCard(Studio& studio, const Picture& p, int index, Frame& f) {
  switch (p.look) {
    case Look::kCardBack:
      CardBack(f);
      break;
    case Look::kCardFace:
      CardFace(studio, f, index);
      break;
    case Look::kCardCorner:
      CardCorner(f);
      break;
    default:
      break;
  }
}

}  // namespace skin
