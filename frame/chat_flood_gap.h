// The gap between the user's own chat lines: a line within 2000 ms of the last line let through
// is dropped. The side panel asks before it sends a line; users the gap does not apply to (flag
// 0x1000, offline mode) always pass and leave the last time as it was. The first line always
// passes, whatever the clock says.
#pragma once

#include <cstdint>

namespace frame {

class ChatFloodGap {
 public:
  static constexpr uint32_t kGapMs = 2000;

  // True when a line may go out at now_ms (a millisecond tick count); the time is then kept.
  bool Admit(uint32_t now_ms, bool exempt);
  // The tick of the last line let through (0 before the first).
  uint32_t GetLastSendTime() const { return last_; }

 private:
  uint32_t last_ = 0;
  bool sent_ = false;
};

}  // namespace frame
