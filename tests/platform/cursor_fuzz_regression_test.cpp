// ctest-labels: window
// Replays the cursor fuzz target's seeds (fuzz/corpus) and every input that once made it fail
// (tests/data/fuzz), through the same code the target runs.
#include <gtest/gtest.h>

#include "fuzz/cursor_targets.h"
#include "tests/support/fuzz_replay.h"

namespace {

TEST(CursorFuzzRegressionTest, AnyCursorFileIsParsedOrRefused) {
  EXPECT_GT(test_support::ReplayFuzzInputs(ZP_TEST_DATA_DIR, "cursor",
                                           [](const uint8_t* d, size_t n) { fuzz::ParseCursor(d, n); }),
            0);
}

}  // namespace
