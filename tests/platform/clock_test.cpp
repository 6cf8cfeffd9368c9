// ctest-labels: foundation tsan
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/critical_section.h"

namespace {

TEST(ManualClock, StepsTickCountCounterAndCalendar) {
  platform::ScopedManualClock clock(5000);
  EXPECT_EQ(platform::GetTickCount(), 5000u);
  int64_t c0 = 0, freq = 0;
  platform::QueryPerformanceCounter(&c0);
  platform::QueryPerformanceFrequency(&freq);
  int fired = 0;
  const int id = clock->AddListener([&] { ++fired; });
  clock->SetLocalTime({2026, 12, 31, 23, 59, 59, 500});
  clock->Advance(600);
  EXPECT_EQ(platform::GetTickCount(), 5600u);
  int64_t c1 = 0;
  platform::QueryPerformanceCounter(&c1);
  EXPECT_EQ((c1 - c0) * 1000 / freq, 600);
  const platform::SystemTime t = platform::GetLocalTime();
  EXPECT_EQ(t.year, 2027);
  EXPECT_EQ(t.month, 1);
  EXPECT_EQ(t.day, 1);
  EXPECT_EQ(t.second, 0);
  EXPECT_EQ(t.milliseconds, 100);
  EXPECT_EQ(fired, 1);
  clock->RemoveListener(id);
  clock->Advance(1);
  EXPECT_EQ(fired, 1);
}

TEST(ManualClock, ScopeRestoresThePreviousClock) {
  platform::Clock* before = &platform::CurrentClock();
  {
    platform::ScopedManualClock clock;
    EXPECT_EQ(&platform::CurrentClock(), &clock.clock());
  }
  EXPECT_EQ(&platform::CurrentClock(), before);
}

TEST(CriticalSection, CountsNestedEntries) {
  platform::CriticalSection cs;
  cs.Enter();
  cs.Enter();
  EXPECT_EQ(cs.EnteredCount(), 2);
  EXPECT_TRUE(cs.HeldByCurrentThread());
  bool other_got_it = true;
  std::thread([&] { other_got_it = cs.TryEnter(); }).join();
  EXPECT_FALSE(other_got_it);
  cs.Leave();
  cs.Leave();
  EXPECT_EQ(cs.EnteredCount(), 0);
  cs.Leave();  // unbalanced: ignored
  EXPECT_EQ(cs.EnteredCount(), 0);
  std::thread([&] {
    other_got_it = cs.TryEnter();
    if (other_got_it) cs.Leave();
  }).join();
  EXPECT_TRUE(other_got_it);
}

}  // namespace

namespace {

TEST(ManualClock, AListenerRemovedByAnotherListenerDoesNotRun) {
  platform::ManualClock clock;
  int second = 0;
  int second_id = 0;
  clock.AddListener([&] { clock.RemoveListener(second_id); });
  second_id = clock.AddListener([&] { ++second; });
  clock.Advance(1);
  EXPECT_EQ(second, 0);
}

TEST(ManualClock, RemovalWaitsForAStepRunningOnAnotherThread) {
  platform::ManualClock clock;
  std::atomic<bool> entered{false}, release{false}, removed{false};
  std::atomic<int> calls_after_removal{0};
  const int id = clock.AddListener([&] {
    if (removed) ++calls_after_removal;
    entered = true;
    while (!release) std::this_thread::yield();
  });
  std::thread stepper([&] { clock.Advance(1); });
  while (!entered) std::this_thread::yield();
  std::thread remover([&] {
    clock.RemoveListener(id);
    removed = true;
  });
  // The removal cannot finish while the listener runs.
  for (int i = 0; i < 1000; ++i) std::this_thread::yield();
  EXPECT_FALSE(removed);
  release = true;
  stepper.join();
  remover.join();
  EXPECT_TRUE(removed);
  clock.Advance(1);
  EXPECT_EQ(calls_after_removal, 0);
}

}  // namespace
