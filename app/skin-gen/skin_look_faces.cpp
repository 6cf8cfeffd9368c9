// Faces: the players' portraits and the emoticons.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/skin-gen/skin_studio.h"

namespace skin {
namespace {

using namespace colour;

// Portraits: eight characters, even ones men, odd ones women, each with its own colours.
struct Character {
  Rgba back;
  Rgba skin;
  Rgba hair;
  Rgba coat;
};

constexpr Character kCharacters[] = {
    {Rgb(0x3E6E8E), Rgb(0xF1C9A0), Rgb(0x2A1E18), Rgb(0x2F4F7A)},
    {Rgb(0x8E4E6E), Rgb(0xF6D2B2), Rgb(0x1E1412), Rgb(0xB8344A)},
    {Rgb(0x4E7E4E), Rgb(0xE6B88C), Rgb(0x4A3020), Rgb(0x6E4A28)},
    {Rgb(0x6E5E9E), Rgb(0xF4CDAE), Rgb(0x5A3A22), Rgb(0x3E8E7E)},
    {Rgb(0x8E6E3E), Rgb(0xE9BE94), Rgb(0x101010), Rgb(0x7A2A22)},
    {Rgb(0x3E7E8E), Rgb(0xF8D6BA), Rgb(0x7A4A24), Rgb(0xD08A2E)},
    {Rgb(0x5E5E6E), Rgb(0xDDAE84), Rgb(0x6A6A6A), Rgb(0x3A3A4A)},
    {Rgb(0x9E5E4E), Rgb(0xF2CCAA), Rgb(0x2A1A2A), Rgb(0x5A3A8A)},
};

void Avatar(Frame& f, int number) {
  const Character& c = kCharacters[std::clamp(number, 0, 7)];
  const bool woman = number % 2 == 1;
  const float w = static_cast<float>(f.width());
  const float h = static_cast<float>(f.height());
  f.FillRect(0, 0, w, h, Paint::Radial(Lighter(c.back, 0.35f), Darker(c.back, 0.2f), w / 2, h * 0.3f, std::max(w, h)));
  // The head sits in the upper part; a square portrait shows head and shoulders, the tall one
  // the whole figure.
  const bool tall = h > 1.5f * w;
  const float unit = tall ? w * 0.42f : w * 0.5f;  // the head's width
  const float hx = w / 2;
  const float hy = tall ? h * 0.2f : h * 0.42f;
  const float hr = unit / 2;
  if (woman)
    f.FillRoundRect(hx - hr * 1.25f, hy - hr * 1.1f, hx + hr * 1.25f, hy + hr * 1.9f, hr, Paint::Solid(c.hair));
  // Body.
  if (tall) {
    f.FillRoundRect(hx - unit * 0.95f, hy + hr * 1.1f, hx + unit * 0.95f, h * 0.68f, unit * 0.4f,
                    Paint::Vertical(Lighter(c.coat, 0.15f), Darker(c.coat, 0.15f), hy, h * 0.68f));
    f.FillRoundRect(hx - unit * 0.7f, h * 0.62f, hx - unit * 0.08f, h * 0.95f, unit * 0.2f,
                    Paint::Solid(Darker(c.coat, 0.45f)));
    f.FillRoundRect(hx + unit * 0.08f, h * 0.62f, hx + unit * 0.7f, h * 0.95f, unit * 0.2f,
                    Paint::Solid(Darker(c.coat, 0.45f)));
    f.FillEllipse(hx - unit * 0.4f, h * 0.955f, unit * 0.38f, unit * 0.14f, Paint::Solid(kWoodDeep));
    f.FillEllipse(hx + unit * 0.4f, h * 0.955f, unit * 0.38f, unit * 0.14f, Paint::Solid(kWoodDeep));
    // Arms.
    f.Line(hx - unit * 0.85f, hy + hr * 1.6f, hx - unit * 1.0f, h * 0.55f, unit * 0.3f, Darker(c.coat, 0.1f));
    f.Line(hx + unit * 0.85f, hy + hr * 1.6f, hx + unit * 1.0f, h * 0.55f, unit * 0.3f, Darker(c.coat, 0.1f));
    f.FillCircle(hx - unit * 1.0f, h * 0.56f, unit * 0.16f, Paint::Solid(c.skin));
    f.FillCircle(hx + unit * 1.0f, h * 0.56f, unit * 0.16f, Paint::Solid(c.skin));
  } else {
    f.FillEllipse(hx, h + unit * 0.15f, unit * 1.05f, unit * 0.75f,
                  Paint::Vertical(Lighter(c.coat, 0.15f), Darker(c.coat, 0.15f), h - unit, h));
  }
  // Neck, head and face.
  f.FillRect(hx - hr * 0.35f, hy + hr * 0.6f, hx + hr * 0.35f, hy + hr * 1.3f, Paint::Solid(Darker(c.skin, 0.1f)));
  f.FillEllipse(hx, hy, hr, hr * 1.12f,
                Paint::Radial(Lighter(c.skin, 0.2f), c.skin, hx - hr * 0.3f, hy - hr * 0.3f, hr * 1.5f));
  // Hair on top.
  f.FillEllipse(hx, hy - hr * 0.55f, hr * 1.05f, hr * 0.62f, Paint::Solid(c.hair));
  if (!woman) f.FillRect(hx - hr, hy - hr * 0.6f, hx + hr, hy - hr * 0.35f, Paint::Solid(c.hair));
  const float eye = std::max(0.9f, hr * 0.1f);
  f.FillCircle(hx - hr * 0.38f, hy + hr * 0.05f, eye, Paint::Solid(kInk));
  f.FillCircle(hx + hr * 0.38f, hy + hr * 0.05f, eye, Paint::Solid(kInk));
  f.Arc(hx, hy + hr * 0.3f, hr * 0.35f, 0.35f, kPi - 0.35f, std::max(0.9f, hr * 0.08f), Rgb(0x9A3A2A));
  if (woman) {
    f.FillCircle(hx - hr * 0.55f, hy + hr * 0.35f, hr * 0.14f, Paint::Solid(WithAlpha(Rgb(0xE87A7A), 0.45f)));
    f.FillCircle(hx + hr * 0.55f, hy + hr * 0.35f, hr * 0.14f, Paint::Solid(WithAlpha(Rgb(0xE87A7A), 0.45f)));
  }
  // A thin frame keeps small portraits apart from what is behind them.
  f.StrokeRoundRect(0, 0, w, h, 0, 1, WithAlpha(kWoodDeep, 0.6f));
}

// Emoticons: a round face whose eyes, mouth and one extra tell the feeling.
enum class Eyes : uint8_t { kDots, kHappy, kClosed, kWide, kAngry, kWink, kDizzy, kShades, kSad };
enum class Mouth : uint8_t { kSmile, kGrin, kFrown, kO, kFlat, kWavy, kSmall, kTeeth };
enum class Extra : uint8_t {
  kNone,
  kBlush,
  kTear,
  kSweat,
  kQuestion,
  kThink,
  kAnger,
  kSleep,
  kStars,
  kWave,
  kClap,
  kVictory,
  kShake,
  kCards,
  kBand,
  kDots,
  kHeart
};

struct Design {
  const char* name;
  Eyes eyes;
  Mouth mouth;
  Extra extra;
  Rgba face;
};

const Rgba kYellow = Rgb(0xF6C945);
const Rgba kRedFace = Rgb(0xF08A5A);

const Design kDesigns[] = {
    {"微笑", Eyes::kDots, Mouth::kSmile, Extra::kNone, kYellow},
    {"大笑", Eyes::kHappy, Mouth::kGrin, Extra::kNone, kYellow},
    {"得意", Eyes::kWink, Mouth::kSmile, Extra::kStars, kYellow},
    {"害羞", Eyes::kHappy, Mouth::kSmall, Extra::kBlush, kYellow},
    {"可爱", Eyes::kWide, Mouth::kSmall, Extra::kHeart, kYellow},
    {"酷毙", Eyes::kShades, Mouth::kSmile, Extra::kNone, kYellow},
    {"惊讶", Eyes::kWide, Mouth::kO, Extra::kNone, kYellow},
    {"疑问", Eyes::kDots, Mouth::kFlat, Extra::kQuestion, kYellow},
    {"思考", Eyes::kDots, Mouth::kSmall, Extra::kThink, kYellow},
    {"无语", Eyes::kClosed, Mouth::kFlat, Extra::kDots, kYellow},
    {"流泪", Eyes::kSad, Mouth::kFrown, Extra::kTear, kYellow},
    {"委屈", Eyes::kSad, Mouth::kWavy, Extra::kSweat, kYellow},
    {"生气", Eyes::kAngry, Mouth::kFrown, Extra::kNone, kRedFace},
    {"发怒", Eyes::kAngry, Mouth::kTeeth, Extra::kAnger, kRedFace},
    {"抱歉", Eyes::kClosed, Mouth::kWavy, Extra::kSweat, kYellow},
    {"再见", Eyes::kHappy, Mouth::kSmile, Extra::kWave, kYellow},
    {"睡觉", Eyes::kClosed, Mouth::kO, Extra::kSleep, kYellow},
    {"晕倒", Eyes::kDizzy, Mouth::kWavy, Extra::kStars, kYellow},
    {"鼓掌", Eyes::kHappy, Mouth::kGrin, Extra::kClap, kYellow},
    {"加油", Eyes::kAngry, Mouth::kGrin, Extra::kBand, kYellow},
    {"胜利", Eyes::kWink, Mouth::kGrin, Extra::kVictory, kYellow},
    {"握手", Eyes::kHappy, Mouth::kSmile, Extra::kShake, kYellow},
    {"打牌", Eyes::kDots, Mouth::kSmile, Extra::kCards, kYellow},
    {"好牌", Eyes::kHappy, Mouth::kGrin, Extra::kCards, kYellow},
};

// A name without a design of its own still gets a friendly face.
const Design& DesignOf(const std::string& name) {
  for (const Design& d : kDesigns) {
    if (name == d.name) return d;
  }
  return kDesigns[0];
}

void Hand(Frame& f, float x, float y, float s, Rgba skin) {
  f.FillCircle(x, y, s, Paint::Solid(skin));
  f.StrokeCircle(x, y, s, 1, Darker(skin, 0.45f));
}

void MiniCard(Frame& f, float x, float y, float angle, const char* mark, Studio& s) {
  // A small upright card turned by `angle` about its centre, drawn as a polygon.
  const float hw = 4.2f, hh = 6;
  const float c = std::cos(angle), sn = std::sin(angle);
  auto px = [&](float u, float v) { return x + u * c - v * sn; };
  auto py = [&](float u, float v) { return y + u * sn + v * c; };
  const std::vector<float> pts = {px(-hw, -hh), py(-hw, -hh), px(hw, -hh), py(hw, -hh),
                                  px(hw, hh),   py(hw, hh),   px(-hw, hh), py(-hw, hh)};
  f.FillPolygon(pts, Paint::Solid(kCream));
  for (int i = 0; i < 4; ++i) {
    const int j = (i + 1) % 4;
    f.Line(pts[2 * i], pts[2 * i + 1], pts[2 * j], pts[2 * j + 1], 0.8f, Rgb(0x7A6440));
  }
  f.DrawMask(s.Text(mark, {8, 700}), x, y, kRed);
}

void Emoticon(Studio& s, Frame& f, const std::string& name, int index, bool animated) {
  const Design& d = DesignOf(name);
  const float w = static_cast<float>(f.width());
  const float phase = animated ? index / 4.0f : 0.0f;
  const float bob = animated ? std::sin(phase * 2 * kPi) * 0.8f : 0.0f;
  const float cx = w / 2;
  const float cy = w / 2 + 1 + bob;
  const float r = w * 0.36f;
  const Rgba line = Rgb(0x5A3A10);
  f.FillCircle(cx, cy, r,
               Paint::Radial(Lighter(d.face, 0.45f), Darker(d.face, 0.08f), cx - r * 0.35f, cy - r * 0.4f, r * 1.5f));
  f.StrokeCircle(cx, cy, r - 0.3f, 1, line);
  const float ex = r * 0.38f;
  const float ey = cy - r * 0.18f;
  const bool blink = animated && index == 2;
  switch (d.eyes) {
    case Eyes::kDots:
      if (blink) {
        f.Line(cx - ex - 1.5f, ey, cx - ex + 1.5f, ey, 1.2f, line);
        f.Line(cx + ex - 1.5f, ey, cx + ex + 1.5f, ey, 1.2f, line);
      } else {
        f.FillEllipse(cx - ex, ey, 1.4f, 1.9f, Paint::Solid(line));
        f.FillEllipse(cx + ex, ey, 1.4f, 1.9f, Paint::Solid(line));
      }
      break;
    case Eyes::kHappy:
      f.Arc(cx - ex, ey + 1, 2.2f, kPi + 0.3f, 2 * kPi - 0.3f, 1.3f, line);
      f.Arc(cx + ex, ey + 1, 2.2f, kPi + 0.3f, 2 * kPi - 0.3f, 1.3f, line);
      break;
    case Eyes::kClosed:
      f.Arc(cx - ex, ey - 1, 2.2f, 0.3f, kPi - 0.3f, 1.2f, line);
      f.Arc(cx + ex, ey - 1, 2.2f, 0.3f, kPi - 0.3f, 1.2f, line);
      break;
    case Eyes::kWide:
      for (float sx : {-ex, ex}) {
        f.FillCircle(cx + sx, ey, 2.8f, Paint::Solid(kWhite));
        f.StrokeCircle(cx + sx, ey, 2.8f, 0.8f, line);
        f.FillCircle(cx + sx + (animated ? std::sin(phase * 2 * kPi) * 0.8f : 0), ey + 0.4f, 1.3f, Paint::Solid(line));
      }
      break;
    case Eyes::kAngry:
      f.Line(cx - ex - 2.5f, ey - 3, cx - ex + 2, ey - 1.2f, 1.3f, line);
      f.Line(cx + ex + 2.5f, ey - 3, cx + ex - 2, ey - 1.2f, 1.3f, line);
      f.FillCircle(cx - ex, ey + 0.8f, 1.4f, Paint::Solid(line));
      f.FillCircle(cx + ex, ey + 0.8f, 1.4f, Paint::Solid(line));
      break;
    case Eyes::kWink:
      f.FillEllipse(cx - ex, ey, 1.4f, 1.9f, Paint::Solid(line));
      f.Arc(cx + ex, ey + 1, 2.2f, kPi + 0.3f, 2 * kPi - 0.3f, 1.3f, line);
      break;
    case Eyes::kDizzy:
      for (float sx : {-ex, ex}) {
        const float turn = phase * 2 * kPi;
        f.Arc(cx + sx, ey, 2.4f, turn, turn + 4.5f, 1.0f, line);
        f.Arc(cx + sx, ey, 1.0f, turn + 1, turn + 5, 0.9f, line);
      }
      break;
    case Eyes::kShades:
      f.FillRoundRect(cx - ex - 3.6f, ey - 2.4f, cx - ex + 3.6f, ey + 2.6f, 2, Paint::Solid(Rgb(0x202428)));
      f.FillRoundRect(cx + ex - 3.6f, ey - 2.4f, cx + ex + 3.6f, ey + 2.6f, 2, Paint::Solid(Rgb(0x202428)));
      f.Line(cx - ex + 3, ey - 1.5f, cx + ex - 3, ey - 1.5f, 1, Rgb(0x202428));
      f.Line(cx - ex - 2, ey - 1, cx - ex, ey - 1.5f, 0.8f,
             WithAlpha(kWhite, animated ? 0.3f + 0.6f * (index % 2) : 0.6f));
      break;
    case Eyes::kSad:
      f.Line(cx - ex - 2.5f, ey - 1.2f, cx - ex + 2, ey - 3, 1.1f, line);
      f.Line(cx + ex + 2.5f, ey - 1.2f, cx + ex - 2, ey - 3, 1.1f, line);
      f.FillCircle(cx - ex, ey + 0.8f, 1.3f, Paint::Solid(line));
      f.FillCircle(cx + ex, ey + 0.8f, 1.3f, Paint::Solid(line));
      break;
  }
  const float my = cy + r * 0.38f;
  switch (d.mouth) {
    case Mouth::kSmile:
      f.Arc(cx, my - 3, 4.5f, 0.45f, kPi - 0.45f, 1.3f, line);
      break;
    case Mouth::kGrin: {
      const float open = animated ? 2.6f + 0.8f * std::fabs(std::sin(phase * 2 * kPi)) : 3.0f;
      f.FillPolygon({cx - 5, my - 1.5f, cx + 5, my - 1.5f, cx + 3, my + open, cx - 3, my + open},
                    Paint::Solid(Rgb(0x8A2A1A)));
      f.Line(cx - 5, my - 1.5f, cx + 5, my - 1.5f, 1.2f, line);
      break;
    }
    case Mouth::kFrown:
      f.Arc(cx, my + 3, 4, kPi + 0.5f, 2 * kPi - 0.5f, 1.3f, line);
      break;
    case Mouth::kO:
      f.FillEllipse(cx, my, 2, animated ? 2.2f + 0.6f * (index % 2) : 2.5f, Paint::Solid(Rgb(0x8A2A1A)));
      break;
    case Mouth::kFlat:
      f.Line(cx - 3.5f, my, cx + 3.5f, my, 1.3f, line);
      break;
    case Mouth::kWavy:
      f.Arc(cx - 2, my + 0.5f, 2, kPi, 2 * kPi, 1.1f, line);
      f.Arc(cx + 2, my - 0.5f, 2, 0, kPi, 1.1f, line);
      break;
    case Mouth::kSmall:
      f.Arc(cx, my - 1.5f, 2.5f, 0.5f, kPi - 0.5f, 1.2f, line);
      break;
    case Mouth::kTeeth:
      f.FillRoundRect(cx - 5, my - 2, cx + 5, my + 2.5f, 1.5f, Paint::Solid(kWhite));
      f.StrokeRoundRect(cx - 5, my - 2, cx + 5, my + 2.5f, 1.5f, 1, line);
      f.Line(cx - 5, my + 0.2f, cx + 5, my + 0.2f, 0.7f, line);
      break;
  }
  const float t = animated ? static_cast<float>(index) / 4 : 0.5f;
  switch (d.extra) {
    case Extra::kNone:
      break;
    case Extra::kBlush:
      f.FillEllipse(cx - r * 0.6f, cy + r * 0.18f, 2.6f, 1.5f, Paint::Solid(WithAlpha(Rgb(0xF0605A), 0.55f)));
      f.FillEllipse(cx + r * 0.6f, cy + r * 0.18f, 2.6f, 1.5f, Paint::Solid(WithAlpha(Rgb(0xF0605A), 0.55f)));
      break;
    case Extra::kHeart: {
      const float hy = 5 + (animated ? -2 * t : 0);
      const Rgba red = Rgb(0xE8404A);
      f.FillCircle(w - 8.5f, hy, 2.2f, Paint::Solid(red));
      f.FillCircle(w - 5, hy, 2.2f, Paint::Solid(red));
      f.FillPolygon({w - 10.6f, hy + 0.8f, w - 2.9f, hy + 0.8f, w - 6.75f, hy + 5}, Paint::Solid(red));
      break;
    }
    case Extra::kTear:
      f.FillEllipse(cx - ex - 1, ey + 4 + 6 * t, 1.4f, 2.2f, Paint::Solid(Rgb(0x58A8F0)));
      f.FillEllipse(cx + ex + 1, ey + 4 + 6 * std::fmod(t + 0.5f, 1.0f), 1.4f, 2.2f, Paint::Solid(Rgb(0x58A8F0)));
      break;
    case Extra::kSweat:
      f.FillEllipse(cx + r * 0.75f, cy - r * 0.55f + 3 * t, 1.6f, 2.6f, Paint::Solid(Rgb(0x7CC4F4)));
      break;
    case Extra::kQuestion: {
      const TextMask& q = s.Text("?", {13, 700});
      f.DrawMask(q, w - 5.5f, 6 - (animated ? std::fabs(std::sin(phase * 2 * kPi)) * 2 : 0), Rgb(0x3C6CD0));
      break;
    }
    case Extra::kThink:
      f.FillCircle(w - 9, 9, 1.2f, Paint::Solid(Rgb(0x8A8A9A)));
      f.FillCircle(w - 6, 6, 1.7f, Paint::Solid(Rgb(0x8A8A9A)));
      if (!animated || index % 2 == 0) f.FillCircle(w - 3.5f, 3, 2.2f, Paint::Solid(Rgb(0x8A8A9A)));
      break;
    case Extra::kAnger:
      f.Line(w - 9, 3, w - 4, 8, 1.5f, kRed);
      f.Line(w - 4, 3, w - 9, 8, 1.5f, kRed);
      break;
    case Extra::kSleep: {
      const float zy = 8 - 4 * t;
      f.DrawMask(s.Text("Z", {9, 700}), w - 6, zy, Rgb(0x3C6CD0));
      f.DrawMask(s.Text("z", {7, 700}), w - 10, zy + 5, WithAlpha(Rgb(0x3C6CD0), 0.7f));
      break;
    }
    case Extra::kStars:
      for (int i = 0; i < 3; ++i) {
        const float a = (i / 3.0f + t) * 2 * kPi;
        const float sx = cx + std::cos(a) * r * 0.9f;
        const float sy = cy - r * 0.95f + std::sin(a) * 2.2f;
        f.Line(sx - 1.8f, sy, sx + 1.8f, sy, 1, kGold);
        f.Line(sx, sy - 1.8f, sx, sy + 1.8f, 1, kGold);
      }
      break;
    case Extra::kWave: {
      const float a = animated ? std::sin(phase * 2 * kPi) * 0.35f : 0;
      const float hx = w - 6 + std::sin(a) * 3;
      Hand(f, hx, w - 11, 3.2f, d.face);
      break;
    }
    case Extra::kClap: {
      const float gap = animated ? 1.5f + 2.0f * std::fabs(std::cos(phase * 2 * kPi)) : 2.5f;
      Hand(f, cx - gap - 2.5f, w - 4.5f, 3, d.face);
      Hand(f, cx + gap + 2.5f, w - 4.5f, 3, d.face);
      break;
    }
    case Extra::kVictory: {
      const float hx = w - 6;
      const float hy = w - 9 - (animated ? std::fabs(std::sin(phase * 2 * kPi)) * 1.5f : 0);
      f.Line(hx - 1, hy, hx - 3, hy - 6, 1.6f, Darker(d.face, 0.1f));
      f.Line(hx + 1, hy, hx + 3, hy - 6, 1.6f, Darker(d.face, 0.1f));
      Hand(f, hx, hy + 1, 2.8f, d.face);
      break;
    }
    case Extra::kShake: {
      const float dy = animated ? std::sin(phase * 2 * kPi) * 1.2f : 0;
      Hand(f, cx - 3, w - 4 + dy, 3, d.face);
      Hand(f, cx + 3, w - 4 + dy, 3, Rgb(0xE9BE94));
      break;
    }
    case Extra::kCards: {
      const float lift = animated ? std::sin(phase * 2 * kPi) * 0.8f : 0;
      MiniCard(f, cx - 5, w - 6 + lift, -0.35f, "七", s);
      MiniCard(f, cx + 5, w - 6 - lift, 0.35f, "拾", s);
      MiniCard(f, cx, w - 7, 0, "贰", s);
      break;
    }
    case Extra::kBand:
      f.FillRect(cx - r * 0.98f, cy - r * 0.72f, cx + r * 0.98f, cy - r * 0.48f, Paint::Solid(kRed));
      f.Line(cx + r * 0.8f, cy - r * 0.6f, cx + r * 1.25f, cy - r * (0.2f + 0.3f * t), 1.6f, kRed);
      break;
    case Extra::kDots:
      for (int i = 0; i < 3; ++i) {
        if (!animated || i <= index % 4) f.FillCircle(w - 11 + i * 3.5f, 4, 1, Paint::Solid(line));
      }
      break;
  }
}

}  // namespace

void DrawFace(Studio& studio, const Picture& p, int index, Frame& f) {
  switch (p.look) {
    case Look::kAvatar:
      Avatar(f, std::atoi(p.caption.c_str()));
      break;
    case Look::kEmoticon:
      Emoticon(studio, f, p.caption, index, true);
      break;
    case Look::kEmoticonIcon:
      Emoticon(studio, f, p.caption, 0, false);
      break;
    default:
      break;
  }
}

}  // namespace skin
