// ctest-labels: resources
// Replays the picture fuzz target's seeds (fuzz/corpus) and every input that once made it fail
// (tests/data/fuzz), through the same code the target runs.
#include <gtest/gtest.h>

#include "fuzz/picture_targets.h"
#include "tests/support/fuzz_replay.h"

namespace {

TEST(PictureFuzzRegressionTest, AnyPictureFileIsDecodedOrRefused) {
  EXPECT_GT(test_support::ReplayFuzzInputs(ZP_TEST_DATA_DIR, "picture",
                                           [](const uint8_t* d, size_t n) { fuzz::DecodePicture(d, n); }),
            0);
}

TEST(PictureFuzzRegressionTest, AnyMngOrWmfFileIsDecodedOrRefused) {
  for (const char* target : {"mng", "wmf"}) {
    EXPECT_GT(test_support::ReplayFuzzInputs(ZP_TEST_DATA_DIR, target,
                                             [](const uint8_t* d, size_t n) { fuzz::DecodePicture(d, n); }),
              0)
        << target;
  }
}

TEST(PictureFuzzRegressionTest, AnyWbmpFileIsDecodedOrRefused) {
  EXPECT_GT(test_support::ReplayFuzzInputs(
                ZP_TEST_DATA_DIR, "wbmp",
                [](const uint8_t* d, size_t n) { fuzz::DecodePicture(d, n, platform::PictureFormat::kWbmp); }),
            0);
}

}  // namespace
