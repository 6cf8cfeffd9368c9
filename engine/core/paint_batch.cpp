#include "engine/core/paint_batch.h"

#include "engine/core/memory_pool.h"

namespace engine {

void FreePaintBatch(PaintBatch* batch) {
  if (batch == nullptr) return;
  for (DrawItem* item = batch->first_item; item != nullptr;) {
    DrawItem* next = item->next;
    if (batch->item_pool) batch->item_pool->Free(item);
    item = next;
  }
  delete[] batch->rects;
  delete batch;
}

}  // namespace engine
