// Runs a piece of work in a child process given some seconds of processor time: a reader that
// loops over a made-up size for minutes is killed instead of holding the test up, and the test
// fails. A hang guard only: what a piece of work costs is held by counting what it does (bytes
// inflated or allocated, scans, chunks kept), never by this limit, which must allow ten times
// what the work takes on a slow machine.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdlib>
#include <functional>

namespace test_support {

// Expects `work` to finish within `seconds` of processor time, giving `result`.
inline void ExpectWithinProcessorSeconds(int seconds, const std::function<bool()>& work, bool result) {
  auto run = [&] {
    rlimit limit;
    limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(seconds);
    setrlimit(RLIMIT_CPU, &limit);
    std::_Exit(work() ? 0 : 1);
  };
  EXPECT_EXIT(run(), testing::ExitedWithCode(result ? 0 : 1), "");
}

}  // namespace test_support
