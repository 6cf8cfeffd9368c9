#include "frame/match_board_queue.h"

#include <cstdint>

#include "engine/core/engine_log.h"

namespace frame {

MatchBoardQueue::~MatchBoardQueue() { MatchBoardQueue::Clear(); }

void MatchBoardQueue::Clear() {
  // Nothing is posted for the records dropped.
  for (const engine::ObjectMessage& record : Records()) delete[] reinterpret_cast<uint8_t*>(record.p1);
  RectQueueWidget::Clear();
}

bool MatchBoardQueue::PopDelivered(const engine::ObjectMessage& message) {
  const engine::ObjectMessage* head = Peek();
  if (head == nullptr || head->id != message.id || head->p1 != message.p1) {
    engine::WriteGameLog("match boards: message %u is not the one at the head of the queue", message.id);
    return false;
  }
  return Pop(nullptr);
}

}  // namespace frame
