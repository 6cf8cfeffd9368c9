#include "engine/ui/rect_queue_widget.h"

#include "engine/core/engine_log.h"

namespace engine {

bool RectQueueWidget::Push(const ObjectMessage* record) {
  if (record == nullptr) return false;
  if (records_.size() >= kMaxRecords) {
    WriteGameLog("RectQueueWidget: queue full, message %u refused", record->id);
    return false;
  }
  records_.push_back(*record);
  if (records_.size() == 1) PostHead();
  return true;
}

bool RectQueueWidget::Pop(ObjectMessage* out) {
  if (records_.empty()) return false;
  if (out != nullptr) *out = records_.front();
  records_.pop_front();
  if (!records_.empty()) PostHead();
  return true;
}

const ObjectMessage* RectQueueWidget::Peek() const { return records_.empty() ? nullptr : &records_.front(); }

void RectQueueWidget::PostHead() {
  // A copy: the engine keeps its own, and the queue may change before it is delivered.
  const ObjectMessage head = records_.front();
  PostMessage(&head);
}

}  // namespace engine
