// Two ways of doing one job, timed in turns inside one benchmark so that their ratio comes from
// one run on one machine state: each iteration runs the peer once, then ours once, each timed
// with the steady clock (wall time, so waiting on a display server counts too).
//   counters: ours_us and peer_us, the mean of one call; ratio = ours_us / peer_us
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>

namespace bench {

template <class Ours, class Peer>
void SideBySide(benchmark::State& state, Ours&& ours, Peer&& peer) {
  using Clock = std::chrono::steady_clock;
  Clock::duration ours_time{}, peer_time{};
  for (auto _ : state) {
    const Clock::time_point t0 = Clock::now();
    peer();
    const Clock::time_point t1 = Clock::now();
    ours();
    const Clock::time_point t2 = Clock::now();
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
