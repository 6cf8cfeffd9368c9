// The frame's queue of match boards: the match-end board and the match result, delivered to the
// frame one at a time (RectQueueWidget). Each record carries a heap block (new uint8_t[]) that
// its receiver frees once shown; blocks still queued when the queue goes are freed with it.
#pragma once

#include "engine/ui/rect_queue_widget.h"

namespace frame {

class MatchBoardQueue : public engine::RectQueueWidget {
 public:
  MatchBoardQueue() = default;
  ~MatchBoardQueue() override;
  // Drops every record and frees its block.
  void Clear() override;
  // Takes out the head when it is the record delivered as message (same id and block); false,
  // with the queue unchanged, for any other message.
  bool PopDelivered(const engine::ObjectMessage& message);
};

}  // namespace frame
