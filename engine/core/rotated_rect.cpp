#include "engine/core/rotated_rect.h"

#include <cmath>

namespace engine {
namespace {

int Truncate(double v) { return static_cast<int>(v); }

int RoundHalfAway(double v) { return v > 0 ? Truncate(v + 0.5) : Truncate(v - 0.5); }

int Sign(double v) {
  if (std::fabs(v) < 1e-7) return 0;
  return v < 0 ? -1 : 1;
}

struct PointD {
  double x;
  double y;
};

bool SegmentsMeet(PointD a, PointD b, PointD p, PointD q) {
  const int d1 = Sign(CrossProduct3(a.x, a.y, b.x, b.y, p.x, p.y));
  const int d2 = Sign(CrossProduct3(a.x, a.y, b.x, b.y, q.x, q.y));
  const int d3 = Sign(CrossProduct3(p.x, p.y, q.x, q.y, a.x, a.y));
  const int d4 = Sign(CrossProduct3(p.x, p.y, q.x, q.y, b.x, b.y));
  if (d1 * d2 < 0 && d3 * d4 < 0) return true;
  if (d1 == 0 && Sign(DotProduct3(p.x, p.y, a.x, a.y, b.x, b.y)) <= 0) return true;
  if (d2 == 0 && Sign(DotProduct3(q.x, q.y, a.x, a.y, b.x, b.y)) <= 0) return true;
  if (d3 == 0 && Sign(DotProduct3(a.x, a.y, p.x, p.y, q.x, q.y)) <= 0) return true;
  if (d4 == 0 && Sign(DotProduct3(b.x, b.y, p.x, p.y, q.x, q.y)) <= 0) return true;
  return false;
}

}  // namespace

RECT ObjectBoundingRect(RECT* out, const ObjectGeometry& g) {
  RECT r;
  if (g.angle == 0.0) {
    const int w = Truncate(g.width);
    const int h = Truncate(g.height);
    r.left = Truncate(g.x - (w + 1) / 2);
    r.top = Truncate(g.y - (h + 1) / 2);
    r.right = Truncate(r.left + g.width);
    r.bottom = Truncate(r.top + g.height);
  } else {
    const double radius = (g.width > 0 && g.height > 0)
                              ? std::sqrt((g.width / 2) * (g.width / 2) + (g.height / 2) * (g.height / 2))
                              : 0.0;
    r = RECT{Truncate(g.x - radius), Truncate(g.y - radius), Truncate(radius + g.x), Truncate(radius + g.y)};
  }
  if (out) *out = r;
  return r;
}

int SameGeometry(const ObjectGeometry& a, const ObjectGeometry& b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height && a.angle == b.angle ? 1 : 0;
}

POINT RotatePoint(int px, int py, int cx, int cy, double angle, int inverse) {
  if (angle == 0.0) return POINT{px, py};
  const double rad = angle * kEnginePi / 180.0;
  const double c = std::cos(rad);
  const double s = std::sin(rad);
  const double dx = px - cx;
  const double dy = cy - py;
  double rx;
  double ry;
  if (inverse == 0) {
    rx = dx * c + dy * s;
    ry = dy * c - dx * s;
  } else {
    rx = dx * c - dy * s;
    ry = dy * c + dx * s;
  }
  return POINT{cx + RoundHalfAway(rx), cy - RoundHalfAway(ry)};
}

double CrossProduct3(double x0, double y0, double x1, double y1, double x2, double y2) {
  return (x1 - x0) * (y2 - y0) - (y1 - y0) * (x2 - x0);
}

double DotProduct3(double x0, double y0, double x1, double y1, double x2, double y2) {
  return (x1 - x0) * (x2 - x0) + (y1 - y0) * (y2 - y0);
}

bool GeometryIntersectsRect(const RECT& rc, const ObjectGeometry& g) {
  const RECT box = ObjectBoundingRect(nullptr, g);
  if (g.angle == 0.0) {
    RECT overlap;
    return platform::IntersectRect(&overlap, box, rc);
  }
  const int cx = Truncate(g.x);
  const int cy = Truncate(g.y);
  const POINT corners[4] = {{box.left, box.top}, {box.left, box.bottom}, {box.right, box.bottom}, {box.right, box.top}};
  PointD outline[4];
  for (int i = 0; i < 4; ++i) {
    const POINT p = RotatePoint(corners[i].x, corners[i].y, cx, cy, g.angle, 1);
    outline[i] = PointD{static_cast<double>(p.x), static_cast<double>(p.y)};
  }
  const PointD rect[4] = {{double(rc.left), double(rc.top)},
                          {double(rc.left), double(rc.bottom)},
                          {double(rc.right), double(rc.bottom)},
                          {double(rc.right), double(rc.top)}};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      if (SegmentsMeet(outline[i], outline[(i + 1) % 4], rect[j], rect[(j + 1) % 4])) return true;
    }
  }
  if (platform::PtInRect(rc, cx, cy)) return true;
  const POINT back = RotatePoint((rc.left + rc.right + 1) / 2, (rc.top + rc.bottom + 1) / 2, cx, cy, g.angle, 0);
  return platform::PtInRect(box, back.x, back.y);
}

}  // namespace engine
