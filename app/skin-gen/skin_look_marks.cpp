// What stands on the table besides the cards: player boards, marks, banners, notes, plates,
// digits and words drawn from pictures.
#include <algorithm>
#include <cmath>

#include "app/skin-gen/skin_studio.h"

namespace skin {
namespace {

using namespace colour;

const Rgba kOutline = WithAlpha(Rgb(0x1A120C), 0.85f);

// The player's name plate: dark wood with a gold edge and a well for the portrait at x 78.
void BoardPlate(Frame& f, int state) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  Rgba top = Rgb(0x55341E);
  Rgba bottom = Rgb(0x2E1A0E);
  Rgba edge = kGoldDark;
  if (state == 1) {  // the player whose turn it is
    top = Rgb(0x6E4424);
    bottom = Rgb(0x3E2412);
    edge = kGoldLight;
  } else if (state == 2) {  // the pointer over it
    top = Rgb(0x6A4428);
    bottom = Rgb(0x3C2416);
    edge = kGold;
  }
  f.FillRoundRect(0, 0, w, h, 8, Paint::Vertical(WithAlpha(top, 0.94f), WithAlpha(bottom, 0.94f), 0, h));
  f.StrokeRoundRect(0, 0, w, h, 8, state == 1 ? 2.0f : 1.2f, edge);
  if (state == 1) f.StrokeRoundRect(2, 2, w - 2, h - 2, 6, 1, WithAlpha(kGoldLight, 0.45f));
  // The portrait's well, under the 32 x 32 portrait drawn at (80, h - 33).
  f.FillRoundRect(78, h - 35, 114, h - 1, 4, Paint::Solid(WithAlpha(Rgb(0x140C06), 0.75f)));
  f.StrokeRoundRect(78, h - 35, 114, h - 1, 4, 1, WithAlpha(kGold, 0.7f));
  // A faint lattice ornament on the left part.
  for (int i = 0; i < 3; ++i) {
    const float cx = 20.0f + i * 20;
    const float cy = h / 2;
    f.FillPolygon({cx, cy - 5, cx + 5, cy, cx, cy + 5, cx - 5, cy}, Paint::Solid(WithAlpha(kGold, 0.22f)));
  }
}

void ScoreBar(Frame& f, int state) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  const Rgba fill = state == 1 ? WithAlpha(kGoldDark, 0.85f) : WithAlpha(Rgb(0x140C06), 0.6f);
  f.FillRoundRect(0.5f, 0.5f, w - 0.5f, h - 0.5f, h / 2, Paint::Solid(fill));
  f.StrokeRoundRect(0.5f, 0.5f, w - 0.5f, h - 0.5f, h / 2, 1, state == 1 ? kGoldLight : WithAlpha(kGold, 0.6f));
}

// A round badge with a character; a bright spark goes round its ring from frame to frame.
void StatusIcon(Studio& s, Frame& f, int index, int frames, const std::string& text) {
  const float w = static_cast<float>(f.width());
  const float c = w / 2;
  const float r = w / 2 - 2;
  f.FillCircle(c, c, r, Paint::Radial(Rgb(0x4A7FA8), Rgb(0x1F3F5E), c - 4, c - 4, r * 1.3f));
  f.StrokeCircle(c, c, r - 0.5f, 1.5f, kGold);
  const float a = -kPi / 2 + 2 * kPi * index / std::max(1, frames);
  f.Arc(c, c, r - 0.5f, a, a + 1.1f, 2.2f, kGoldLight);
  const TextStyle style = s.Fit(text, {18, 700}, f.width() - 12, f.height() - 12);
  f.DrawMask(s.Text(text, style), c, c, kCream, kNone, WithAlpha(kInk, 0.6f));
}

// A gold ribbon with its text; its glow rises and falls over the frames.
void Banner(Studio& s, Frame& f, int index, int frames, const std::string& text) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  const float pulse = 0.5f - 0.5f * std::cos(2 * kPi * index / std::max(1, frames));
  const float notch = h * 0.3f;
  // Ribbon tails behind the body.
  f.FillPolygon({0, h * 0.3f, notch * 1.4f, h * 0.3f, notch * 1.4f, h - 3, 0, h - 3, notch * 0.6f, h * 0.65f},
                Paint::Solid(Rgb(0x8E2218)));
  f.FillPolygon(
      {w, h * 0.3f, w - notch * 1.4f, h * 0.3f, w - notch * 1.4f, h - 3, w, h - 3, w - notch * 0.6f, h * 0.65f},
      Paint::Solid(Rgb(0x8E2218)));
  const float x0 = notch * 0.9f;
  const float x1 = w - notch * 0.9f;
  f.FillRoundRect(x0, 1, x1, h - 6, 5, Paint::Vertical(Lighter(kRedLight, 0.1f * pulse), Rgb(0xA3241A), 1, h - 6));
  f.StrokeRoundRect(x0, 1, x1, h - 6, 5, 1.5f, Mix(kGold, kGoldLight, pulse));
  const TextStyle style = s.Fit(text, {std::min(26, static_cast<int>(h * 0.55f)), 700}, static_cast<int>(x1 - x0) - 10,
                                static_cast<int>(h) - 14);
  f.DrawMask(s.Text(text, style), w / 2, (h - 5) / 2, Mix(kGoldLight, kWhite, pulse * 0.6f), kNone,
             WithAlpha(kInk, 0.6f));
}

void Stamp(Studio& s, Frame& f, const std::string& text) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  f.FillRoundRect(1, 1, w - 1, h - 1, 6, Paint::Solid(WithAlpha(kCream, 0.88f)));
  f.StrokeRoundRect(1, 1, w - 1, h - 1, 6, 2, kRed);
  const TextStyle style = s.Fit(text, {18, 700}, f.width() - 12, f.height() - 8);
  f.DrawMask(s.Text(text, style), w / 2, h / 2, kRed);
}

// A dark plate with a gold edge and its text, scaled by `grow` (0 .. 1) about its centre.
void Plate(Studio& s, Frame& f, const std::string& text, float grow, float alpha) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  const float pw = w * grow;
  const float ph = h * grow;
  const float x0 = (w - pw) / 2;
  const float y0 = (h - ph) / 2;
  f.FillRoundRect(
      x0, y0, x0 + pw, y0 + ph, 12 * grow,
      Paint::Vertical(WithAlpha(Rgb(0x3D2617), 0.9f * alpha), WithAlpha(Rgb(0x1E120A), 0.9f * alpha), y0, y0 + ph));
  f.StrokeRoundRect(x0, y0, x0 + pw, y0 + ph, 12 * grow, 2, WithAlpha(kGold, alpha));
  f.StrokeRoundRect(x0 + 5, y0 + 5, x0 + pw - 5, y0 + ph - 5, std::max(1.0f, 12 * grow - 4), 1,
                    WithAlpha(kGoldDark, 0.7f * alpha));
  if (grow < 0.6f) return;
  const int most = static_cast<int>(std::min(h * 0.42f, 36.0f) * grow);
  const TextStyle style = s.Fit(text, {std::max(10, most), 700}, static_cast<int>(pw) - 30, static_cast<int>(ph) - 20);
  f.DrawMask(s.Text(text, style), w / 2, h / 2, WithAlpha(kGoldLight, alpha), kNone, WithAlpha(kInk, 0.8f * alpha));
}

void PassHint(Studio& s, Frame& f, int index, int frames, const std::string& text) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  f.FillRoundRect(0.5f, 0.5f, w - 0.5f, h - 0.5f, h / 2, Paint::Vertical(kCream, kPaperDark, 0, h));
  f.StrokeRoundRect(0.5f, 0.5f, w - 0.5f, h - 0.5f, h / 2, 1, kGoldDark);
  const TextStyle style = s.Fit(text, {14, 400}, f.width() - 20, f.height() - 8);
  f.DrawMask(s.Text(text, style), w / 2, h / 2, kInk);
  // Fades in: the last frame, where the animation stops, is whole.
  f.Fade(static_cast<float>(index + 1) / frames);
}

// A dark pill with its text and a row of dots that fills over the frames.
void WaitSign(Studio& s, Frame& f, int index, const std::string& text) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  f.FillRoundRect(0.5f, 0.5f, w - 0.5f, h - 0.5f, h / 2, Paint::Solid(WithAlpha(Rgb(0x140C06), 0.72f)));
  f.StrokeRoundRect(0.5f, 0.5f, w - 0.5f, h - 0.5f, h / 2, 1.2f, WithAlpha(kGold, 0.85f));
  const TextStyle style =
      s.Fit(text, {std::min(20, static_cast<int>(h * 0.45f)), 700}, f.width() - 60, f.height() - 10);
  const TextMask& mask = s.Text(text, style);
  const float tx = w / 2 - 12;
  f.DrawMask(mask, tx, h / 2, kGoldLight);
  const float dot_x = tx + mask.InkWidth() / 2.0f + 8;
  for (int i = 0; i < 3; ++i) {
    const bool lit = i < index;
    f.FillCircle(dot_x + i * 8, h / 2 + style.size * 0.3f, 2.2f,
                 Paint::Solid(lit ? kGoldLight : WithAlpha(kGoldLight, 0.25f)));
  }
}

// Rank badges: frame 0 is no rank; then five metals, four steps each.
void DuanBadge(Studio& s, Frame& f, int rank) {
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  const Rgba metals[] = {Rgb(0x9A9A9A), Rgb(0xB07A4A), Rgb(0xC0C8D0), Rgb(0xE2B44C), Rgb(0x4FB08A), Rgb(0x9A6AD0)};
  const Rgba metal = metals[rank == 0 ? 0 : 1 + (rank - 1) / 4];
  // A shield: flat top, pointed bottom.
  const std::vector<float> shield = {3, 2, w - 3, 2, w - 3, h * 0.55f, w / 2, h - 1.5f, 3, h * 0.55f};
  f.FillPolygon(shield, Paint::Vertical(Lighter(metal, 0.35f), Darker(metal, 0.25f), 2, h));
  for (size_t i = 0; i < shield.size() / 2; ++i) {
    const size_t j = (i + 1) % (shield.size() / 2);
    f.Line(shield[2 * i], shield[2 * i + 1], shield[2 * j], shield[2 * j + 1], 1.2f, Darker(metal, 0.55f));
  }
  // Stars for the step within the metal.
  const int stars = rank == 0 ? 0 : (rank - 1) % 4 + 1;
  for (int i = 0; i < stars; ++i) f.FillCircle(w / 2 - (stars - 1) * 2.5f + i * 5, 6, 1.5f, Paint::Solid(kWhite));
  const std::string text = std::to_string(rank);
  const TextStyle style = s.Fit(text, {16, 700}, f.width() - 10, 14);
  f.DrawMask(s.Text(text, style), w / 2, h * 0.5f, kWhite, WithAlpha(Darker(metal, 0.6f), 0.9f));
}

// One character of the caption per frame, centred, in a colour with a dark edge.
void Glyphs(Studio& s, Frame& f, int index, const std::string& caption, Rgba ink, Rgba edge, int weight) {
  const std::vector<std::string> chars = SplitCharacters(caption);
  if (index >= static_cast<int>(chars.size())) return;
  // One size for the whole set, so that the characters of a line match.
  TextStyle style{f.height() - 2, weight};
  for (const std::string& c : chars) {
    const TextStyle fitted = s.Fit(c, {f.height() - 2, weight}, f.width() - 3, f.height() - 4);
    if (fitted.size < style.size) style = fitted;
  }
  f.DrawMask(s.Text(chars[index], style), f.width() / 2.0f, f.height() / 2.0f, ink, edge, kNone);
}

void Label(Studio& s, Frame& f, const std::string& text) {
  const TextStyle style = s.Fit(text, {f.height() - 2, 700}, f.width() - 2, f.height() - 4);
  f.DrawMask(s.Text(text, style), f.width() / 2.0f, f.height() / 2.0f, kGoldLight, kOutline);
}

}  // namespace

void DrawTableMark(Studio& studio, const Picture& p, int index, Frame& f) {
  switch (p.look) {
    case Look::kBoardPlate:
      BoardPlate(f, index);
      break;
    case Look::kScoreBar:
      ScoreBar(f, index);
      break;
    case Look::kStatusIcon:
      StatusIcon(studio, f, index, p.frames, p.caption);
      break;
    case Look::kBanner:
      Banner(studio, f, index, p.frames, p.caption);
      break;
    case Look::kStamp:
      Stamp(studio, f, p.caption);
      break;
    case Look::kTextPlate:
      Plate(studio, f, p.caption, 1.0f, 1.0f);
      break;
    case Look::kAnimatedPlate: {
      // Grows in; the last frame, where a single run stops, is the whole plate.
      const float t = p.frames > 1 ? static_cast<float>(index) / (p.frames - 1) : 1.0f;
      Plate(studio, f, p.caption, 0.55f + 0.45f * t, 0.35f + 0.65f * t);
      break;
    }
    case Look::kPassHint:
      PassHint(studio, f, index, p.frames, p.caption);
      break;
    case Look::kWaitSign:
      WaitSign(studio, f, index, p.caption);
      break;
    case Look::kDuanBadge:
      DuanBadge(studio, f, index);
      break;
    case Look::kDigits:
      Glyphs(studio, f, index, p.caption, kGoldLight, kOutline, 700);
      break;
    case Look::kDigitsSilver:
      Glyphs(studio, f, index, p.caption, Rgb(0xDDE8F2), WithAlpha(Rgb(0x14283C), 0.9f), 700);
      break;
    case Look::kClockDigits:
      Glyphs(studio, f, index, p.caption, Rgb(0xFFD24A), WithAlpha(Rgb(0x3A0C06), 0.95f), 700);
      break;
    case Look::kGlyphStrip:
      Glyphs(studio, f, index, p.caption, kGoldLight, kOutline, 700);
      break;
    case Look::kLabel:
      Label(studio, f, p.caption);
      break;
    default:
      break;
  }
}

}  // namespace skin
