// Windows metafiles through libwmf: the drawing is played onto a true-colour image of libwmf's
// gd device at 96 dots an inch, the size the file's bounding box gives.
//
// libwmf trusts the sizes a file claims: its record buffer takes the header's largest record,
// and the bitmaps inside records are decoded whole at the size their headers give. So before
// libwmf sees the file, every record must lie inside it (CheckRecords) and the bitmaps together
// may hold at most a few canvases' worth of pixels, each no more than its record's bytes hold
// (picture_formats.h): the work stays in proportion to the picture
// it makes. The claim is the canvas, with gd's image and the bitmaps beside it; every block
// libwmf allocates is taken from the decode's budget (decode_budget.h) and given back when
// freed, so a made-up size fails like an exhausted heap, and what is painted spends its pixels.
//
// libwmf's gd device stamps a pen of w x h pixels at every pixel of a line, and a pen of one
// logical unit is as wide as the mapping makes it: one line could cost w x h x its length. So the
// device's drawing functions are wrapped (Painter): pens up to kMaxStampedPen pixels are left to
// gd, wider ones are filled as the band they sweep (a polygon per segment, clipped to the
// canvas), and every call is charged what it paints; a drawing that would paint more than
// kMaxPaintedPixels is stopped and refused.
#include <libwmf/api.h>
#include <libwmf/defs.h>
#include <libwmf/gd.h>
#include <libwmf/ipa.h>
#include <gd.h>  // libwmf/gd/gd.h

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/picture_formats.h"

namespace platform::picture_formats {
namespace {

constexpr double kDotsPerInch = 96.0;
// Metafiles are drawings for buttons and panels: a side of 2048 pixels is plenty, and bounds
// what one record can paint (Painter).
constexpr unsigned kMaxSide = 2048;
// The pixels of every bitmap inside the records together: four of the largest canvases.
constexpr uint64_t kMaxBitmapPixels = 4ull * kMaxSide * kMaxSide;

// What one drawing may paint, all its records together: eight of the largest canvases.
constexpr uint64_t kMaxPaintedPixels = 8ull * kMaxSide * kMaxSide;
// Pens up to this many pixels a side are stamped by gd (at most 16 pixels a step); wider ones are
// filled as spans.
constexpr double kMaxStampedPen = 4;

// A point in canvas pixels, as gd's translation gives it before it rounds down.
struct Pixel {
  double x;
  double y;
};

// Paints through libwmf's gd device and counts what it paints. The device's functions are
// replaced by the wrappers below (which find the painter through t_painter: libwmf passes no
// context of ours), each charging its call before it hands it on or draws it as spans.
struct Painter {
  wmfFunctionReference gd{};  // the gd device's own functions
  DecodeBudget* budget = nullptr;
  uint64_t painted = 0;
  bool over = false;  // the budget ran out: nothing more is drawn, and the play is stopped

  // Books `pixels` of work (four bytes each, of the decode's budget too); false (and nothing
  // more is drawn) past either.
  bool Charge(double pixels) {
    if (!over && pixels >= 0 && pixels <= static_cast<double>(kMaxPaintedPixels - painted) &&
        budget->Spend(4 * static_cast<uint64_t>(pixels))) {
      painted += static_cast<uint64_t>(pixels);
      return true;
    }
    over = true;
    return false;
  }
};
thread_local Painter* t_painter = nullptr;

// Canvas pixels of device coordinates, and back (gd maps the scanned box onto the canvas).
struct Canvas {
  double left, top, scale_x, scale_y;
  int width, height;

  explicit Canvas(wmfAPI* api) {
    const wmf_gd_t* device = WMF_GD_GetData(api);
    left = device->bbox.TL.x;
    top = device->bbox.TL.y;
    const double box_width = static_cast<double>(device->bbox.BR.x) - device->bbox.TL.x;
    const double box_height = static_cast<double>(device->bbox.BR.y) - device->bbox.TL.y;
    width = static_cast<int>(device->width);
    height = static_cast<int>(device->height);
    scale_x = box_width != 0 ? width / box_width : 0;
    scale_y = box_height != 0 ? height / box_height : 0;
  }
  Pixel Of(wmfD_Coord d) const { return {(d.x - left) * scale_x, (d.y - top) * scale_y}; }
  // The device point that gd rounds down to pixel p (its centre, for whole pixels).
  wmfD_Coord At(Pixel p) const {
    return {static_cast<float>(left + (p.x + 0.5) / scale_x), static_cast<float>(top + (p.y + 0.5) / scale_y)};
  }
  double Pixels() const { return static_cast<double>(width) * height; }
};

// The pen's size in pixels as gd takes it (rounded up, at least one), held to twice the canvas:
// wider covers the canvas from anywhere on it just the same.
Pixel PenSize(const Canvas& canvas, const wmfDC* dc) {
  auto side = [](double pixels, int canvas_side) {
    const double capped = std::min(std::ceil(pixels), 2.0 * canvas_side + 1);
    return std::isnan(capped) || capped < 1 ? 1.0 : capped;
  };
  return {side(std::fabs(dc->pen->width * canvas.scale_x), canvas.width),
          side(std::fabs(dc->pen->height * canvas.scale_y), canvas.height)};
}

bool Draws(const wmfDC* dc) { return (dc->pen->lopnStyle & PS_STYLE_MASK) != PS_NULL; }
bool Fills(const wmfDC* dc) { return dc->brush->lbStyle != BS_NULL; }
bool WidePen(const Canvas& canvas, const wmfDC* dc) {
  const Pixel pen = PenSize(canvas, dc);
  return Draws(dc) && (pen.x > kMaxStampedPen || pen.y > kMaxStampedPen);
}

// A device context like the caller's, drawing with another pen and brush.
class AlteredDc {
 public:
  explicit AlteredDc(const wmfDC* dc) : dc_(*dc), pen_(*dc->pen), brush_(*dc->brush) {
    dc_.pen = &pen_;
    dc_.brush = &brush_;
  }
  AlteredDc(const AlteredDc&) = delete;
  AlteredDc& operator=(const AlteredDc&) = delete;
  // No outline: only the fill is drawn.
  AlteredDc& WithoutPen() {
    pen_.lopnStyle = static_cast<U16>((pen_.lopnStyle & ~PS_STYLE_MASK) | PS_NULL);
    return *this;
  }
  // The pen's colour as a solid fill.
  AlteredDc& FillingWithPen() {
    brush_.lbStyle = BS_SOLID;
    brush_.lbColor = pen_.lopnColor;
    return WithoutPen();
  }
  wmfDC* get() { return &dc_; }

 private:
  wmfDC dc_;
  wmfPen pen_;
  wmfBrush brush_;
};

// The cost of filling a polygon: gd walks every row of its box and fills its spans.
double FillCost(const std::vector<Pixel>& points) {
  if (points.empty()) return 0;
  double left = points[0].x, right = left, top = points[0].y, bottom = top;
  for (const Pixel& p : points) {
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  return (bottom - top + 1) * (right - left + 1 + static_cast<double>(points.size()));
}

// The convex hull of the points, counter-clockwise (Andrew's monotone chain).
std::vector<Pixel> Hull(std::vector<Pixel> points) {
  std::sort(points.begin(), points.end(), [](Pixel a, Pixel b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  auto turn = [](Pixel o, Pixel a, Pixel b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); };
  std::vector<Pixel> hull(2 * points.size());
  size_t k = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    while (k >= 2 && turn(hull[k - 2], hull[k - 1], points[i]) <= 0) --k;
    hull[k++] = points[i];
  }
  for (size_t i = points.size() - 1, lower = k + 1; i-- > 0;) {
    while (k >= lower && turn(hull[k - 2], hull[k - 1], points[i]) <= 0) --k;
    hull[k++] = points[i];
  }
  hull.resize(k > 1 ? k - 1 : k);
  return hull;
}

// The part of a convex polygon inside x in [low, high] (axis 0) or y in [low, high] (axis 1).
std::vector<Pixel> ClipToBand(const std::vector<Pixel>& polygon, int axis, double low, double high) {
  auto clip = [axis](const std::vector<Pixel>& in, double edge, bool keep_above) {
    std::vector<Pixel> out;
    auto value = [axis](Pixel p) { return axis == 0 ? p.x : p.y; };
    auto inside = [&](Pixel p) { return keep_above ? value(p) >= edge : value(p) <= edge; };
    for (size_t i = 0; i < in.size(); ++i) {
      const Pixel a = in[i], b = in[(i + 1) % in.size()];
      if (inside(a)) out.push_back(a);
      if (inside(a) != inside(b)) {
        const double t = (edge - value(a)) / (value(b) - value(a));
        out.push_back({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t});
      }
    }
    return out;
  };
  return clip(clip(polygon, low, true), high, false);
}

// Paints the band a pen of the dc's size sweeps from a to b: the hull of the pen's corners at
// both ends (gd's pen covers x - w / 2 .. x - w / 2 + w - 1), clipped to the canvas, filled with
// the pen's colour.
void SweepPen(wmfAPI* api, Painter* painter, const Canvas& canvas, const wmfDC* dc, Pixel a, Pixel b) {
  const Pixel pen = PenSize(canvas, dc);
  const double left = -std::floor(pen.x / 2), top = -std::floor(pen.y / 2);
  std::vector<Pixel> corners;
  for (Pixel end : {a, b}) {
    const double x = std::floor(end.x), y = std::floor(end.y);
    for (double dx : {left, left + pen.x - 1}) {
      for (double dy : {top, top + pen.y - 1}) corners.push_back({x + dx, y + dy});
    }
  }
  std::vector<Pixel> band = Hull(std::move(corners));
  band = ClipToBand(band, 0, 0, canvas.width - 1);
  band = ClipToBand(band, 1, 0, canvas.height - 1);
  if (band.size() < 3 || !painter->Charge(FillCost(band))) return;
  std::vector<wmfD_Coord> points;
  for (Pixel p : band) points.push_back(canvas.At(p));
  AlteredDc solid(dc);
  wmfPolyLine_t polygon{solid.FillingWithPen().get(), points.data(), static_cast<U16>(points.size())};
  painter->gd.draw_polygon(api, &polygon);
}

// Draws the line through the points (closed: back to the first) with the dc's pen: gd stamps a
// narrow pen along it, a wide one is swept segment by segment.
void StrokeLine(wmfAPI* api, const wmfDC* dc, const std::vector<Pixel>& points, bool closed) {
  Painter* painter = t_painter;
  const Canvas canvas(api);
  if (!Draws(dc) || points.size() < 2) return;
  const size_t segments = closed ? points.size() : points.size() - 1;
  for (size_t i = 0; i < segments && !painter->over; ++i) {
    SweepPen(api, painter, canvas, dc, points[i], points[(i + 1) % points.size()]);
  }
}

// What gd's stamping costs along the points: each step of each segment, a pen's pixels.
double StampCost(const Canvas& canvas, const wmfDC* dc, const std::vector<Pixel>& points, bool closed) {
  if (!Draws(dc) || points.size() < 2) return 0;
  const Pixel pen = PenSize(canvas, dc);
  double steps = 0;
  const size_t segments = closed ? points.size() : points.size() - 1;
  for (size_t i = 0; i < segments; ++i) {
    const Pixel a = points[i], b = points[(i + 1) % points.size()];
    steps += std::max(std::fabs(b.x - a.x), std::fabs(b.y - a.y)) + 1;
  }
  return steps * pen.x * pen.y;
}

std::vector<Pixel> PixelsOf(const Canvas& canvas, const wmfD_Coord* points, size_t count) {
  std::vector<Pixel> out;
  for (size_t i = 0; i < count; ++i) out.push_back(canvas.Of(points[i]));
  return out;
}

// A shape with an outline (polygon, rectangle, arc): gd draws it whole when its pen is narrow;
// else gd fills it without the outline and the outline is swept here.
template <typename Record, typename Call>
void DrawShape(wmfAPI* api, Record* record, Call call, const std::vector<Pixel>& outline, bool closed,
               double fill_cost) {
  Painter* painter = t_painter;
  const Canvas canvas(api);
  const double fill = Fills(record->dc) ? fill_cost : 0;
  if (!WidePen(canvas, record->dc)) {
    if (painter->Charge(fill + StampCost(canvas, record->dc, outline, closed))) call(api, record);
    return;
  }
  if (fill > 0 && painter->Charge(fill)) {
    AlteredDc unlined(record->dc);
    Record filled = *record;
    filled.dc = unlined.WithoutPen().get();
    call(api, &filled);
  }
  StrokeLine(api, record->dc, outline, closed);
}

void DrawLine(wmfAPI* api, wmfDrawLine_t* line) {
  const Canvas canvas(api);
  const std::vector<Pixel> points = {canvas.Of(line->from), canvas.Of(line->to)};
  DrawShape(api, line, t_painter->gd.draw_line, points, false, 0);
}

void PolyLine(wmfAPI* api, wmfPolyLine_t* line) {
  const Canvas canvas(api);
  DrawShape(api, line, t_painter->gd.poly_line, PixelsOf(canvas, line->pt, line->count), false, 0);
}

void DrawPolygon(wmfAPI* api, wmfPolyLine_t* polygon) {
  if (polygon->count < 3) return;
  const Canvas canvas(api);
  const std::vector<Pixel> points = PixelsOf(canvas, polygon->pt, polygon->count);
  DrawShape(api, polygon, t_painter->gd.draw_polygon, points, true, FillCost(points));
}

void DrawRectangle(wmfAPI* api, wmfDrawRectangle_t* rectangle) {
  const Canvas canvas(api);
  const Pixel a = canvas.Of(rectangle->TL), b = canvas.Of(rectangle->BR);
  const std::vector<Pixel> corners = {a, {b.x, a.y}, b, {a.x, b.y}};
  DrawShape(api, rectangle, t_painter->gd.draw_rectangle, corners, true, FillCost(corners));
}

// The outline gd draws of an arc: points a degree apart on the ellipse from the start angle to
// the end (the whole ellipse for an ellipse), with a pie's lines to the centre.
enum class ArcKind { kOpen, kPie, kChord, kEllipse };
std::vector<Pixel> ArcOutline(const Canvas& canvas, const wmfDrawArc_t* arc, ArcKind kind, bool* closed) {
  const Pixel tl = canvas.Of(arc->TL), br = canvas.Of(arc->BR);
  const Pixel centre = {(tl.x + br.x) / 2, (tl.y + br.y) / 2};
  const double rx = (br.x - tl.x) / 2, ry = (br.y - tl.y) / 2;
  constexpr double kDegree = 3.14159265358979 / 180;
  int start = 0, end = 360;
  if (kind != ArcKind::kEllipse) {
    start = static_cast<int>(std::atan2(arc->start.y, arc->start.x) / kDegree);
    end = static_cast<int>(std::atan2(arc->end.y, arc->end.x) / kDegree);
    if (start < 0) {
      start += 360;
      end += 360;
    }
    if (end <= start) end += 360;
  }
  std::vector<Pixel> points;
  for (int i = start; i <= end; ++i) points.push_back({centre.x + std::cos(i * kDegree) * rx, centre.y + std::sin(i * kDegree) * ry});
  if (kind == ArcKind::kPie) points.push_back(centre);
  *closed = kind != ArcKind::kOpen;
  return points;
}

template <ArcKind kKind>
void DrawArc(wmfAPI* api, wmfDrawArc_t* arc) {
  const Canvas canvas(api);
  bool closed = false;
  const std::vector<Pixel> outline = ArcOutline(canvas, arc, kKind, &closed);
  const auto call = kKind == ArcKind::kOpen    ? t_painter->gd.draw_arc
                    : kKind == ArcKind::kPie   ? t_painter->gd.draw_pie
                    : kKind == ArcKind::kChord ? t_painter->gd.draw_chord
                                               : t_painter->gd.draw_ellipse;
  // gd fills an arc as a triangle a degree, each walked row by row.
  const double fill = kKind == ArcKind::kOpen ? 0 : FillCost(outline) + 360.0 * (canvas.height + 1);
  DrawShape(api, arc, call, outline, closed, fill);
}

// The calls that paint areas, charged their area (gd does not clip them to the canvas).
double RectanglesCost(const Canvas& canvas, const wmfPolyRectangle_t* rects, double border_x, double border_y) {
  double cost = 0;
  for (unsigned i = 0; i < rects->count; ++i) {
    const Pixel a = canvas.Of(rects->TL[i]), b = canvas.Of(rects->BR[i]);
    cost += (std::fabs(b.x - a.x) + 2 * border_x + 1) * (std::fabs(b.y - a.y) + 2 * border_y + 1);
  }
  return cost;
}

void RegionFrame(wmfAPI* api, wmfPolyRectangle_t* rects) {
  const Canvas canvas(api);
  const double bx = std::fabs(rects->width * canvas.scale_x), by = std::fabs(rects->height * canvas.scale_y);
  if (t_painter->Charge(RectanglesCost(canvas, rects, bx, by))) t_painter->gd.region_frame(api, rects);
}

void RegionPaint(wmfAPI* api, wmfPolyRectangle_t* rects) {
  if (t_painter->Charge(RectanglesCost(Canvas(api), rects, 0, 0))) t_painter->gd.region_paint(api, rects);
}

void FloodInterior(wmfAPI* api, wmfFlood_t* flood) {
  if (t_painter->Charge(Canvas(api).Pixels())) t_painter->gd.flood_interior(api, flood);
}

void FloodExterior(wmfAPI* api, wmfFlood_t* flood) {
  if (t_painter->Charge(Canvas(api).Pixels())) t_painter->gd.flood_exterior(api, flood);
}

void BitmapDraw(wmfAPI* api, wmfBMP_Draw_t* bitmap) {
  const Canvas canvas(api);
  const double cost = (bitmap->crop.w * std::fabs(bitmap->pixel_width * canvas.scale_x) + 1) *
                      (bitmap->crop.h * std::fabs(bitmap->pixel_height * canvas.scale_y) + 1);
  if (t_painter->Charge(cost)) t_painter->gd.bmp_draw(api, bitmap);
}

void DrawText(wmfAPI* api, wmfDrawText_t* text) {
  const Canvas canvas(api);
  const double height = std::fabs(text->font_height * canvas.scale_y) + 1;
  const double width = height * (std::fabs(text->font_ratio) + 1);
  const double cost = static_cast<double>(text->str ? std::strlen(text->str) : 0) * width * height;
  if (t_painter->Charge(cost)) t_painter->gd.draw_text(api, text);
}

void RopDraw(wmfAPI* api, wmfROP_Draw_t* rop) {
  const Canvas canvas(api);
  const Pixel a = canvas.Of(rop->TL), b = canvas.Of(rop->BR);
  if (t_painter->Charge((std::fabs(b.x - a.x) + 1) * (std::fabs(b.y - a.y) + 1))) t_painter->gd.rop_draw(api, rop);
}

// libwmf asks after each record whether to go on: not once the budget has run out.
int KeepPlaying(void* context, float) { return static_cast<Painter*>(context)->over ? 1 : 0; }

// Puts the painter between libwmf's player and its gd device.
void InstallPainter(wmfAPI* api, Painter* painter) {
  auto* device = static_cast<wmfFunctionReference*>(api->function_reference);
  painter->gd = *device;
  device->draw_line = DrawLine;
  device->poly_line = PolyLine;
  device->draw_polygon = DrawPolygon;
  device->draw_rectangle = DrawRectangle;
  device->draw_arc = DrawArc<ArcKind::kOpen>;
  device->draw_pie = DrawArc<ArcKind::kPie>;
  device->draw_chord = DrawArc<ArcKind::kChord>;
  device->draw_ellipse = DrawArc<ArcKind::kEllipse>;
  device->region_frame = RegionFrame;
  device->region_paint = RegionPaint;
  device->flood_interior = FloodInterior;
  device->flood_exterior = FloodExterior;
  device->bmp_draw = BitmapDraw;
  device->draw_text = DrawText;
  device->rop_draw = RopDraw;
  wmf_status_function(api, painter, KeepPlaying);
}

// Each block carries its size in front of it, so a realloc or free can count it out again.
constexpr size_t kBlockHeader = 16;

void* Allocate(void* context, size_t size) {
  auto* budget = static_cast<DecodeBudget*>(context);
  if (!budget->Take(size)) return nullptr;
  auto* block = static_cast<uint8_t*>(std::malloc(size + kBlockHeader));
  if (!block) {
    budget->Give(size);
    return nullptr;
  }
  std::memcpy(block, &size, sizeof size);
  return block + kBlockHeader;
}

void Release(void* context, void* p) {
  if (!p) return;
  auto* block = static_cast<uint8_t*>(p) - kBlockHeader;
  size_t size = 0;
  std::memcpy(&size, block, sizeof size);
  static_cast<DecodeBudget*>(context)->Give(size);
  std::free(block);
}

void* Reallocate(void* context, void* p, size_t size) {
  if (!p) return Allocate(context, size);
  auto* budget = static_cast<DecodeBudget*>(context);
  auto* block = static_cast<uint8_t*>(p) - kBlockHeader;
  size_t old_size = 0;
  std::memcpy(&old_size, block, sizeof old_size);
  if (size > old_size && !budget->Take(size - old_size)) return nullptr;
  auto* grown = static_cast<uint8_t*>(std::realloc(block, size + kBlockHeader));
  if (!grown) {
    if (size > old_size) budget->Give(size - old_size);
    return nullptr;
  }
  if (size < old_size) budget->Give(old_size - size);
  std::memcpy(grown, &size, sizeof size);
  return grown + kBlockHeader;
}

// The gd image libwmf hands over for wmf_gd_image output is the caller's, made with the C
// allocator, and libwmf exports no gdImageDestroy: its true-colour pixels, the scratch arrays
// of polygons and dashed lines, the clipping rectangles a clip record left set, and the image
// itself are freed here.
void FreeGdImage(void* image) {
  auto* im = static_cast<gdImagePtr>(image);
  if (!im) return;
  if (im->clip) std::free(im->clip->list);
  std::free(im->clip);
  std::free(im->_tpixels);
  std::free(im->tpixels);
  std::free(im->polyInts);
  std::free(im->style);
  std::free(im);
}

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableHeaderBytes = 22;
constexpr size_t kHeaderBytes = 18;

// Where the bitmap starts inside the parameters of a record that carries one, or npos. The
// blits carry none when the record is only as long as their fixed words.
size_t BitmapOffset(uint32_t function, uint64_t record_words) {
  switch (function) {
    case 0x0142:  // DIBCREATEPATTERNBRUSH: style, colour use
      return 4;
    case 0x0940:  // DIBBITBLT: raster operation, source corner, size, destination corner
      return record_words == 12 ? std::string::npos : 16;
    case 0x0B41:  // DIBSTRETCHBLT: raster operation, source rectangle, destination rectangle
      return record_words == 14 ? std::string::npos : 20;
    case 0x0D33:  // SETDIBTODEV: colour use, scan lines, source corner, size, destination corner
      return 18;
    case 0x0F43:  // STRETCHDIB: raster operation, colour use, source and destination rectangles
      return 22;
    default:
      return std::string::npos;
  }
}

// Walks the records as libwmf will: each must lie inside the file, the header's largest record
// (which sizes libwmf's buffer) too, and the bitmaps together within kMaxBitmapPixels, each
// within what its record holds.
bool CheckRecords(const uint8_t* data, size_t size, uint64_t* bitmap_pixels_out, std::string* error) {
  size_t at = Le32(data) == kPlaceableKey ? kPlaceableHeaderBytes : 0;
  if (size < at + kHeaderBytes) {
    *error = "WMF: header cut short";
    return false;
  }
  if (uint64_t{Le32(data + at + 12)} * 2 > size) {
    *error = "WMF: the largest record passes the end of the file";
    return false;
  }
  at += kHeaderBytes;
  uint64_t bitmap_pixels = 0;
  while (size - at >= 6) {
    const uint64_t words = Le32(data + at);
    const uint32_t function = Le16(data + at + 4);
    if (words == 3 && function == 0) break;  // the last record
    if (words < 3 || words > (size - at) / 2) {
      *error = "WMF: a record passes the end of the file";
      return false;
    }
    const size_t bitmap = BitmapOffset(function, words);
    if (bitmap != std::string::npos && bitmap + 6 < words * 2) {
      const PictureClaim claim = BitmapHeaderClaim(data, at + words * 2, at + 6 + bitmap);
      bitmap_pixels += claim.width * claim.height;
      if (bitmap_pixels > kMaxBitmapPixels) {
        *error = "WMF: the bitmaps inside are too large";
        return false;
      }
      if (const char* problem = ClaimProblem(claim)) {
        *error = std::string("WMF: a bitmap inside: ") + problem;
        return false;
      }
    }
    at += words * 2;
  }
  *bitmap_pixels_out = bitmap_pixels;
  return true;
}

bool Fail(std::string* error, const std::string& reason) {
  if (error) *error = reason;
  return false;
}

}  // namespace

bool LooksLikeWmf(const uint8_t* data, size_t size) {
  if (size >= 4 && Le32(data) == kPlaceableKey) return true;
  // A plain metafile: type 1 (memory) or 2 (disk), a header of 9 words, version 0x100 or 0x300.
  return size >= 18 && (data[0] == 1 || data[0] == 2) && data[1] == 0 && data[2] == 9 && data[3] == 0 &&
         (data[4] == 0 && (data[5] == 1 || data[5] == 3));
}

bool DecodeWmf(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error) {
  if (size > static_cast<size_t>(INT32_MAX)) return Fail(error, "WMF: file too large");
  std::string refused;
  uint64_t bitmap_pixels = 0;
  if (!CheckRecords(data, size, &bitmap_pixels, &refused)) return Fail(error, refused);
  ReaderBudget budget(size);
  auto out_of_budget = [&] { return Fail(error, std::string("WMF: ") + budget->problem()); };
  wmfAPI_Options options{};
  options.context = &*budget;
  options.malloc = Allocate;
  options.realloc = Reallocate;
  options.free = Release;
  options.function = wmf_gd_function;
  const unsigned long flags =
      WMF_OPT_ALLOC | WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
  wmfAPI* api = nullptr;
  if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
    if (api) wmf_api_destroy(api);
    return Fail(error, "WMF: the reader cannot be started");
  }
  struct Destroy {
    wmfAPI* api;
    ~Destroy() { wmf_api_destroy(api); }
  } destroy{api};

  wmf_gd_t* device = WMF_GD_GetData(api);
  device->type = wmf_gd_image;
  // libwmf only reads the bytes; its input takes them without const.
  if (wmf_mem_open(api, const_cast<unsigned char*>(data), static_cast<long>(size)) != wmf_E_None)
    return Fail(error, "WMF: unreadable file");
  wmfD_Rect bbox{};
  if (wmf_scan(api, 0, &bbox) != wmf_E_None) return budget->exhausted() ? out_of_budget() : Fail(error, "WMF: unreadable file");
  unsigned int width = 0, height = 0;
  if (wmf_display_size(api, &width, &height, kDotsPerInch, kDotsPerInch) != wmf_E_None)
    return Fail(error, "WMF: no size");
  if (width == 0 || height == 0) return Fail(error, "WMF: empty picture");
  // A drawing's size owes nothing to its bytes: kMaxSide bounds what it costs.
  if (width > kMaxSide || height > kMaxSide) return Fail(error, "WMF: picture too large");
  // The claim: the canvas; beside it gd's image of it (allocated by gd, not through libwmf: taken
  // here) and the bitmaps inside, each decoded whole at four bytes a pixel and drawn from a copy.
  const uint64_t canvas_bytes = uint64_t{width} * height * 4;
  budget->SetClaim(canvas_bytes, canvas_bytes + 2 * 4 * bitmap_pixels);
  if (!budget->Take(canvas_bytes) || !budget->Spend(canvas_bytes)) return out_of_budget();
  device->bbox = bbox;
  device->width = width;
  device->height = height;
  Painter painter;
  painter.budget = &*budget;
  InstallPainter(api, &painter);
  struct PainterScope {
    Painter* outer = t_painter;
    explicit PainterScope(Painter* p) { t_painter = p; }
    ~PainterScope() { t_painter = outer; }
  } painter_scope(&painter);
  const wmf_error_t played = wmf_play(api, 0, &bbox);
  struct Image {
    void* gd;
    ~Image() { FreeGdImage(gd); }
  } image{device->gd_image};
  if (budget->exhausted()) return out_of_budget();
  if (painter.over) return Fail(error, "WMF: the drawing paints too much");
  if (played != wmf_E_None || !image.gd) return Fail(error, "WMF: unreadable drawing");
  const int* pixels = wmf_gd_image_pixels(image.gd);
  if (!pixels) return Fail(error, "WMF: nothing drawn");

  DecodedPicture result;
  result.width = static_cast<int>(width);
  result.height = static_cast<int>(height);
  result.bytes_per_pixel = 4;
  result.alpha_valid = true;
  if (!budget->Take(canvas_bytes) || !budget->Spend(canvas_bytes)) return out_of_budget();
  PictureFrame frame;
  frame.pixels.resize(size_t{width} * height * 4);
  for (size_t i = 0; i < size_t{width} * height; ++i) {
    // gd's true-colour words: 7-bit transparency (0 opaque, 127 clear), red, green, blue.
    const auto p = static_cast<uint32_t>(pixels[i]);
    const uint32_t clear = (p >> 24) & 0x7F;
    uint8_t* d = &frame.pixels[i * 4];
    d[0] = static_cast<uint8_t>(p);
    d[1] = static_cast<uint8_t>(p >> 8);
    d[2] = static_cast<uint8_t>(p >> 16);
    d[3] = static_cast<uint8_t>(255 - (clear * 255 + 63) / 127);
  }
  result.frames.push_back(std::move(frame));
  wmf_mem_close(api);
  *out = std::move(result);
  return true;
}

}  // namespace platform::picture_formats
