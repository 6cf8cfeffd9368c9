// Geometry of objects placed by their centre and turned by an angle: bounding rectangles, point
// turning and the test whether a turned object touches an axis-aligned rectangle.
#pragma once

#include "engine/core/object_geometry.h"
#include "platform/win_types.h"

namespace engine {

// The engine's value of pi (not full precision; results depend on it).
inline constexpr double kEnginePi = 3.14159;

// The integer rectangle that holds the object at any turn (exact box when unturned).
RECT ObjectBoundingRect(RECT* out, const ObjectGeometry& g);
// Same x, y, width, height and angle (depth and alpha are not compared).
int SameGeometry(const ObjectGeometry& a, const ObjectGeometry& b);
// Turns (px, py) about (cx, cy) by angle degrees; inverse turns the other way. Rounded half away from 0.
POINT RotatePoint(int px, int py, int cx, int cy, double angle, int inverse);
double CrossProduct3(double x0, double y0, double x1, double y1, double x2, double y2);
double DotProduct3(double x0, double y0, double x1, double y1, double x2, double y2);
// Whether the object's (turned) outline meets rc.
bool GeometryIntersectsRect(const RECT& rc, const ObjectGeometry& g);

}  // namespace engine
