#include "engine/ui/stretched_picture.h"

#include <algorithm>

#include "engine/core/canvas_object.h"

namespace engine {
namespace {

// Source columns [first, first + count) drawn at x over length columns.
void DrawColumns(CanvasObject* canvas, const PictureInfo& picture, int32_t first, int32_t count, int32_t x,
                 int32_t length, int32_t height) {
  if (count <= 0 || length <= 0) return;
  PictureInfo part = picture;
  part.source_x = picture.source_x + first;
  part.width = count;
  canvas->DrawImage(&part, x, 0, length, height, 0.0, 1.0);
}

}  // namespace

void DrawPictureToWidth(CanvasObject* canvas, const PictureInfo& picture, int32_t width, int32_t height) {
  if (canvas == nullptr || picture.record == nullptr || picture.width <= 0 || width <= 0 || height <= 0) return;
  const int32_t source = picture.width;
  if (width > source) {
    const int32_t half = source / 2;
    DrawColumns(canvas, picture, 0, half, 0, half, height);
    DrawColumns(canvas, picture, std::min(half, source - 1), std::min(2, source - half), half, width - 2 * half,
                height);
    DrawColumns(canvas, picture, source - half, half, width - half, half, height);
    return;
  }
  const int32_t left = (width + 1) / 2;
  const int32_t right = width - left;
  DrawColumns(canvas, picture, 0, left, 0, left, height);
  DrawColumns(canvas, picture, source - right, right, left, right, height);
}

}  // namespace engine
