// The engine's millisecond clock: the platform's performance counter, with the tick count as
// the fallback when the counter goes backwards or the machine reports no counter frequency.
#pragma once

#include <cstdint>

namespace engine {

class EngineClock {
 public:
  virtual ~EngineClock() = default;
  virtual void Start(uint32_t offset_ms) = 0;
  virtual int64_t Elapsed() = 0;
};

class FrameTimer final : public EngineClock {
 public:
  FrameTimer();

  // Makes the clock read offset_ms now.
  void Start(uint32_t offset_ms) override;
  // Milliseconds since Start; never goes backwards while the counter works.
  int64_t Elapsed() override;

 private:
  int64_t TickCountElapsed();

  int64_t start_count_ = 0;
  int64_t frequency_ = 0;
  int64_t current_count_ = 0;
  int64_t last_ms_ = 0;
  uint32_t tick_base_ = 0;
  uint32_t last_tick_ = 0;
};

}  // namespace engine
