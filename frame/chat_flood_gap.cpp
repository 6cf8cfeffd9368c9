#include "frame/chat_flood_gap.h"

namespace frame {

bool ChatFloodGap::Admit(uint32_t now_ms, bool exempt) {
  if (exempt) return true;
  // Unsigned: a tick count that wrapped around still gives the time between.
  if (sent_ && now_ms - last_ < kGapMs) return false;
  last_ = now_ms;
  sent_ = true;
  return true;
}

}  // namespace frame
