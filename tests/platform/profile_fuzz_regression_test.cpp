// ctest-labels: foundation
// Replays the ini fuzz target's seeds (fuzz/corpus) and every input that once made it fail
// (tests/data/fuzz), through the same code the target runs.
#include <gtest/gtest.h>

#include "fuzz/ini_targets.h"
#include "tests/support/fuzz_replay.h"

namespace {

TEST(ProfileFuzzRegressionTest, AnyIniFileIsReadAndRewritten) {
  EXPECT_GT(test_support::ReplayFuzzInputs(ZP_TEST_DATA_DIR, "ini",
                                           [](const uint8_t* d, size_t n) { fuzz::ReadWriteIni(d, n, "replay.ini"); }),
            0);
}

}  // namespace
