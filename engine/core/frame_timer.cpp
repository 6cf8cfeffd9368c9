#include "engine/core/frame_timer.h"

#include "platform/clock.h"

namespace engine {

FrameTimer::FrameTimer() {
  platform::QueryPerformanceFrequency(&frequency_);
  Start(0);
  current_count_ = start_count_;
  last_tick_ = tick_base_;
}

void FrameTimer::Start(uint32_t offset_ms) {
  int64_t now = 0;
  platform::QueryPerformanceCounter(&now);
  start_count_ = now - (frequency_ > 0 ? static_cast<int64_t>(offset_ms) * frequency_ / 1000 : 0);
  tick_base_ = platform::GetTickCount() - offset_ms;
  last_ms_ = 0;
}

int64_t FrameTimer::Elapsed() {
  // Without a counter frequency the counter cannot be turned into time: use the tick count.
  if (frequency_ <= 0) {
    last_ms_ = TickCountElapsed();
    return last_ms_;
  }
  platform::QueryPerformanceCounter(&current_count_);
  const int64_t ms = (current_count_ - start_count_) * 1000 / frequency_;
  if (ms >= last_ms_) {
    last_ms_ = ms;
    return ms;
  }
  last_ms_ = TickCountElapsed();
  return last_ms_;
}

int64_t FrameTimer::TickCountElapsed() {
  const uint32_t tick = platform::GetTickCount();
  last_tick_ = tick;
  if (tick >= tick_base_) return static_cast<int64_t>(tick - tick_base_);
  // The 32-bit tick count wrapped since Start.
  return static_cast<int64_t>(tick) + 0x100000000LL - tick_base_;
}

}  // namespace engine
