// Two ways of doing one job, timed in turns inside one benchmark so that their ratio comes from
// one run on one machine state: each iteration runs the peer once, then ours once.
//   counters: ours_us and peer_us, the mean of one call; ratio = ours_us / peer_us
// By default each call is timed with the steady clock (wall time). ThreadCpuClock times the
// processor time of the calling thread instead: the work of this program alone, without the
// time it waits for another (a display server) or for a processor on a busy machine.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>

namespace bench {

struct ThreadCpuClock {
  using duration = std::chrono::nanoseconds;
  using rep = duration::rep;
  using period = duration::period;
  using time_point = std::chrono::time_point<ThreadCpuClock>;
  static constexpr bool is_steady = true;
  static time_point now() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return time_point(duration(int64_t{t.tv_sec} * 1000000000 + t.tv_nsec));
  }
};

template <class Clock = std::chrono::steady_clock, class Ours, class Peer>
void SideBySide(benchmark::State& state, Ours&& ours, Peer&& peer) {
  typename Clock::duration ours_time{}, peer_time{};
  for (auto _ : state) {
    const typename Clock::time_point t0 = Clock::now();
    peer();
    const typename Clock::time_point t1 = Clock::now();
    ours();
    const typename Clock::time_point t2 = Clock::now();
    peer_time += t1 - t0;
    ours_time += t2 - t1;
  }
  const double calls = static_cast<double>(state.iterations());
  if (calls == 0) return;
  const double ours_us = std::chrono::duration<double, std::micro>(ours_time).count() / calls;
  const double peer_us = std::chrono::duration<double, std::micro>(peer_time).count() / calls;
  state.counters["ours_us"] = ours_us;
  state.counters["peer_us"] = peer_us;
  state.counters["ratio"] = peer_us > 0 ? ours_us / peer_us : 0.0;
}

}  // namespace bench
