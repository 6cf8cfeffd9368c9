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

// The seeds kept as whole files are games the reader takes, so the fuzzer starts from inside.
TEST(ReplayFuzzRegressionTest, TheWholeFileSeedsAreReadAsGames) {
  int games = 0;
  for (const std::string& path :
       test_support::FuzzFilesIn(std::string(ZP_TEST_DATA_DIR) + "/../../fuzz/corpus/replay")) {
    if (path.size() < 4 || path.compare(path.size() - 4, 4, ".rep") != 0) continue;
    dialogs::ReplayFile replay;
    std::string error;
    EXPECT_TRUE(dialogs::LoadReplayFile(path, &replay, &error)) << error;
    ++games;
  }
  EXPECT_GE(games, 3);
}

}  // namespace
