// ctest-labels: replay
// Replays the replay fuzz target's seeds (fuzz/corpus) and every input that once made it fail
// (tests/data/fuzz), through the same code the target runs.
#include <gtest/gtest.h>

#include "fuzz/replay_targets.h"
#include "tests/support/fuzz_replay.h"

namespace {

TEST(ReplayFuzzRegressionTest, AnyReplayFileIsReadOrRefused) {
  EXPECT_GT(test_support::ReplayFuzzInputs(ZP_TEST_DATA_DIR, "replay",
                                           [](const uint8_t* d, size_t n) { fuzz::ReadReplay(d, n); }),
            0);
}

}  // namespace
