// ctest-labels: sound
// Replays the WAV fuzz target's seeds (fuzz/corpus) and every input that once made it fail
// (tests/data/fuzz), through the same code the target runs.
#include <gtest/gtest.h>

#include "fuzz/wav_targets.h"
#include "tests/support/fuzz_replay.h"

namespace {

TEST(SoundFuzzRegressionTest, AnySoundFileMakesAStreamOrIsRefused) {
  EXPECT_GT(test_support::ReplayFuzzInputs(ZP_TEST_DATA_DIR, "wav",
                                           [](const uint8_t* d, size_t n) { fuzz::CreateNullStream(d, n); }),
            0);
}

}  // namespace
