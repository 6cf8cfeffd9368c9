// One frame's paint order from the object module to the paint module (paint_event::kRenderBatch): the dirty
// rectangles in view coordinates and the objects that meet them, in draw order.
#pragma once

#include <cstdint>

#include "engine/core/object_geometry.h"
#include "platform/win_types.h"

namespace engine {

class ImageHandle;
class MemoryPool;

// A cell of the object module's item pool.
struct DrawItem {
  ObjectGeometry geometry;  // x and y relative to the view's left and top
  ImageHandle* image = nullptr;
  DrawItem* next = nullptr;
};

struct PaintBatch {
  uint32_t view_centre_x = 0;
  uint32_t view_centre_y = 0;
  MemoryPool* item_pool = nullptr;  // the items' pool
  RECT* rects = nullptr;            // new[]-allocated
  uint32_t rect_count = 0;
  DrawItem* first_item = nullptr;
};

// The receiver of a batch owns it: this frees the items into their pool, the rectangles and the batch.
void FreePaintBatch(PaintBatch* batch);

}  // namespace engine
