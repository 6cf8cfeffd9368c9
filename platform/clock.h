// The clock every timer and the engine's frame timing read.
//
// Two implementations: SteadyClock (real time, std::chrono) and ManualClock, which a test
// steps by hand so that nothing waits on real time. Whichever clock is installed is what
// GetTickCount, QueryPerformanceCounter and GetLocalTime answer.
#pragma once

#include <cstdint>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

// Local calendar time, the fields the logs print.
struct SystemTime {
  int year = 1970;
  int month = 1;  // 1-12
  int day = 1;    // 1-31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int milliseconds = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start; wraps at 2^32 like the Windows tick count.
  virtual uint32_t TickCount() = 0;
  // A high-resolution counter and its ticks per second.
  virtual int64_t PerformanceCounter() = 0;
  virtual int64_t PerformanceFrequency() = 0;
  // The local date and time.
  virtual SystemTime LocalTime() = 0;
};

// Real time from std::chrono's steady clock; the calendar from the system's local time.
class SteadyClock final : public Clock {
 public:
  SteadyClock();
  uint32_t TickCount() override;
  int64_t PerformanceCounter() override;
  int64_t PerformanceFrequency() override;
  SystemTime LocalTime() override;

 private:
  int64_t start_ns_;
};

// A clock that moves only when told. Its performance counter counts microseconds.
// Listeners run after every step (the headless window fires its due timers from them), on the
// thread that stepped the clock. Once RemoveListener returns, that listener is not running and
// never runs again, whichever thread steps the clock.
class ManualClock final : public Clock {
 public:
  explicit ManualClock(uint32_t start_ms = 1000);
  uint32_t TickCount() override;
  int64_t PerformanceCounter() override;
  int64_t PerformanceFrequency() override;
  SystemTime LocalTime() override;

  // Moves the clock forward by ms milliseconds (and the calendar with it), then runs the listeners.
  void Advance(uint32_t ms);
  // Moves forward by microseconds, for code that reads the performance counter.
  void AdvanceMicroseconds(int64_t us);
  void SetLocalTime(const SystemTime& t);
  // Returns an id for RemoveListener.
  int AddListener(std::function<void()> listener);
  void RemoveListener(int id);

 private:
  struct Listener {
    int id;
    std::function<void()> call;
    bool removed = false;
  };
  void Notify();
  std::mutex mutex_;
  // Held while listeners run; RemoveListener takes it too, so it waits for a running step.
  std::recursive_mutex notify_mutex_;
  int64_t now_us_;
  SystemTime local_;
  int64_t local_base_us_;
  std::vector<std::shared_ptr<Listener>> listeners_;
  int next_listener_ = 1;
};

// The installed clock (a SteadyClock until something else is installed).
Clock& CurrentClock();
// Installs a clock (not owned); null reinstalls the steady clock.
void InstallClock(Clock* clock);
// The clock's performance counter in microseconds (its tick count where it has no counter).
int64_t MicrosecondsOf(Clock& clock);

// While alive, a ManualClock is installed; the previous clock comes back afterwards.
class ScopedManualClock {
 public:
  explicit ScopedManualClock(uint32_t start_ms = 1000);
  ~ScopedManualClock();
  ManualClock& clock() { return clock_; }
  ManualClock* operator->() { return &clock_; }

 private:
  ManualClock clock_;
  Clock* previous_;
};

// Win32-named readers of the installed clock.
uint32_t GetTickCount();
bool QueryPerformanceCounter(int64_t* count);
bool QueryPerformanceFrequency(int64_t* frequency);
SystemTime GetLocalTime();

}  // namespace platform
