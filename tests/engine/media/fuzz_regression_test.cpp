// ctest-labels: resources
// Replays every input the format fuzzers were started from (fuzz/corpus) and every input that
// once made one of them fail (tests/data/fuzz), through the same code the fuzz targets run.
#include <gtest/gtest.h>

#include "fuzz/format_targets.h"
#include "tests/support/fuzz_replay.h"

namespace {

template <typename Body>
int Replay(const std::string& target, Body body) {
  return test_support::ReplayFuzzInputs(ZP_TEST_DATA_DIR, target, body);
}

TEST(FuzzRegressionTest, Pictures) {
  EXPECT_GT(Replay("pps", [](const uint8_t* d, size_t n) { fuzz::DecodePps(d, n); }), 0);
}

TEST(FuzzRegressionTest, PackagesInMemory) {
  EXPECT_GT(Replay("qzr_memory", [](const uint8_t* d, size_t n) { fuzz::ReadQzrMemory(d, n); }), 0);
}

TEST(FuzzRegressionTest, PackageFiles) {
  EXPECT_GT(Replay("qzr_file", [](const uint8_t* d, size_t n) { fuzz::ReadQzrFile(d, n, "replay.qzr"); }), 0);
}

TEST(FuzzRegressionTest, PalettePatterns) {
  EXPECT_GT(Replay("quad", [](const uint8_t* d, size_t n) { fuzz::LoadQuad(d, n, "replay.quad"); }), 0);
}

}  // namespace
