// Clock implementations: the steady clock over std::chrono and the manual clock tests step.
#include "platform/clock.h"

#include <chrono>
#include <ctime>

namespace platform {
namespace {

int64_t SteadyNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

SystemTime FromTimeT(time_t t, int milliseconds) {
  tm parts{};
  localtime_r(&t, &parts);
  SystemTime s;
  s.year = parts.tm_year + 1900;
  s.month = parts.tm_mon + 1;
  s.day = parts.tm_mday;
  s.hour = parts.tm_hour;
  s.minute = parts.tm_min;
  s.second = parts.tm_sec;
  s.milliseconds = milliseconds;
  return s;
}

// Calendar arithmetic for the manual clock: days since 1970-01-01 and back (proleptic Gregorian).
int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int* y, int* m, int* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(yoe + era * 400 + (*m <= 2));
}

SteadyClock& DefaultClock() {
  static SteadyClock clock;
  return clock;
}

std::atomic<Clock*>& Installed() {
  static std::atomic<Clock*> clock{nullptr};
  return clock;
}

}  // namespace

SteadyClock::SteadyClock() : start_ns_(SteadyNanoseconds()) {}

uint32_t SteadyClock::TickCount() { return static_cast<uint32_t>((SteadyNanoseconds() - start_ns_) / 1000000); }

int64_t SteadyClock::PerformanceCounter() { return SteadyNanoseconds(); }

int64_t SteadyClock::PerformanceFrequency() { return 1000000000; }

SystemTime SteadyClock::LocalTime() {
  const auto now = std::chrono::system_clock::now();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  return FromTimeT(static_cast<time_t>(ms / 1000), static_cast<int>(ms % 1000));
}

ManualClock::ManualClock(uint32_t start_ms) : now_us_(static_cast<int64_t>(start_ms) * 1000), local_base_us_(now_us_) {
  local_ = SystemTime{2026, 12, 6, 9, 5, 3, 0};
}

uint32_t ManualClock::TickCount() {
  std::lock_guard lock(mutex_);
  return static_cast<uint32_t>(now_us_ / 1000);
}

int64_t ManualClock::PerformanceCounter() {
  std::lock_guard lock(mutex_);
  return now_us_;
}

int64_t ManualClock::PerformanceFrequency() { return 1000000; }

SystemTime ManualClock::LocalTime() {
  std::lock_guard lock(mutex_);
  // The calendar moves with the clock from the moment it was set.
  const int64_t elapsed_ms = (now_us_ - local_base_us_) / 1000;
  int64_t total_ms =
      ((DaysFromCivil(local_.year, local_.month, local_.day) * 24 + local_.hour) * 60 + local_.minute) * 60000 +
      local_.second * 1000 + local_.milliseconds + elapsed_ms;
  const int64_t days = total_ms / 86400000;
  int64_t rest = total_ms % 86400000;
  SystemTime t;
  CivilFromDays(days, &t.year, &t.month, &t.day);
  t.hour = static_cast<int>(rest / 3600000);
  rest %= 3600000;
  t.minute = static_cast<int>(rest / 60000);
  rest %= 60000;
  t.second = static_cast<int>(rest / 1000);
  t.milliseconds = static_cast<int>(rest % 1000);
  return t;
}

void ManualClock::Advance(uint32_t ms) { AdvanceMicroseconds(static_cast<int64_t>(ms) * 1000); }

void ManualClock::AdvanceMicroseconds(int64_t us) {
  {
    std::lock_guard lock(mutex_);
    now_us_ += us;
  }
  Notify();
}

void ManualClock::SetLocalTime(const SystemTime& t) {
  std::lock_guard lock(mutex_);
  local_ = t;
  local_base_us_ = now_us_;
}

int ManualClock::AddListener(std::function<void()> listener) {
  std::lock_guard lock(mutex_);
  const int id = next_listener_++;
  listeners_.push_back(std::make_shared<Listener>(Listener{id, std::move(listener)}));
  return id;
}

void ManualClock::RemoveListener(int id) {
  std::lock_guard notifying(notify_mutex_);
  std::lock_guard lock(mutex_);
  for (auto& entry : listeners_) {
    if (entry->id == id) entry->removed = true;
  }
  std::erase_if(listeners_, [id](const auto& entry) { return entry->id == id; });
}

void ManualClock::Notify() {
  std::lock_guard notifying(notify_mutex_);
  // Listeners may add or remove listeners while they run, so walk a copy and skip the removed.
  std::vector<std::shared_ptr<Listener>> copy;
  {
    std::lock_guard lock(mutex_);
    copy = listeners_;
  }
  for (auto& entry : copy) {
    bool removed;
    {
      std::lock_guard lock(mutex_);
      removed = entry->removed;
    }
    if (!removed) entry->call();
  }
}

Clock& CurrentClock() {
  Clock* clock = Installed().load(std::memory_order_acquire);
  return clock ? *clock : DefaultClock();
}

void InstallClock(Clock* clock) { Installed().store(clock, std::memory_order_release); }

int64_t MicrosecondsOf(Clock& clock) {
  const int64_t count = clock.PerformanceCounter();
  const int64_t frequency = clock.PerformanceFrequency();
  if (frequency <= 0) return int64_t{clock.TickCount()} * 1000;
  // Split so that nanosecond counters do not overflow.
  return count / frequency * 1000000 + count % frequency * 1000000 / frequency;
}

ScopedManualClock::ScopedManualClock(uint32_t start_ms) : clock_(start_ms), previous_(Installed().load()) {
  InstallClock(&clock_);
}

ScopedManualClock::~ScopedManualClock() { InstallClock(previous_); }

uint32_t GetTickCount() { return CurrentClock().TickCount(); }

bool QueryPerformanceCounter(int64_t* count) {
  if (!count) return false;
  *count = CurrentClock().PerformanceCounter();
  return true;
}

bool QueryPerformanceFrequency(int64_t* frequency) {
  if (!frequency) return false;
  *frequency = CurrentClock().PerformanceFrequency();
  return true;
}

SystemTime GetLocalTime() { return CurrentClock().LocalTime(); }

}  // namespace platform
