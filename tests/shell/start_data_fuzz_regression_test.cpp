// ctest-labels: shell
// Replays the start-data fuzz target's seeds (fuzz/corpus) and every input that once made it
// fail (tests/data/fuzz), through the same code the target runs.
#include <gtest/gtest.h>

#include "fuzz/start_data_targets.h"
#include "tests/support/fuzz_replay.h"

namespace {

TEST(StartDataFuzzRegressionTest, AnyBytesAreReadAsStartDataAndCommandLine) {
  EXPECT_GT(test_support::ReplayFuzzInputs(ZP_TEST_DATA_DIR, "start_data", fuzz::ReadStartData), 0);
}

TEST(StartDataFuzzRegressionTest, TheSeedTableIsTaken) {
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(
      platform::ReadFileBytes(std::string(ZP_TEST_DATA_DIR) + "/../../fuzz/corpus/start_data/table.bin", &bytes));
  shell::EnterGameData table;
  std::string error;
  ASSERT_TRUE(shell::EnterGameData::Parse(bytes.data(), bytes.size(), &table, &error)) << error;
  EXPECT_EQ(table.players.size(), 3u);
  EXPECT_EQ(table.lookers.size(), 2u);
  EXPECT_EQ(table.players[2].Name(), "张三");
}

}  // namespace
