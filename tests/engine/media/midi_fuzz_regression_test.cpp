// ctest-labels: sound tsan
// Replays the MIDI fuzz targets' seeds (fuzz/corpus) and every input that once made one of them
// fail (tests/data/fuzz), through the same code the targets run.
#include <gtest/gtest.h>

#include "fuzz/midi_targets.h"
#include "tests/support/fuzz_replay.h"

namespace {

TEST(MidiFuzzRegressionTest, TheFileReaderReadsEveryTrackOrRefusesIt) {
  EXPECT_GT(test_support::ReplayFuzzInputs(ZP_TEST_DATA_DIR, "midi",
                                           [](const uint8_t* d, size_t n) {
                                             fuzz::ParseMidi(d, n);
                                             fuzz::RewriteMidiForFluidSynth(d, n);
                                           }),
            0);
}

TEST(MidiFuzzRegressionTest, AStreamIsMadeOfTheSongOrItIsRefused) {
  EXPECT_GT(test_support::ReplayFuzzInputs(ZP_TEST_DATA_DIR, "midi_stream",
                                           [](const uint8_t* d, size_t n) { fuzz::MakeMidiStream(d, n); }),
            0);
}

TEST(MidiFuzzRegressionTest, ThePlayerLoadsAndPlaysOrRefusesTheSong) {
  EXPECT_GT(test_support::ReplayFuzzInputs(ZP_TEST_DATA_DIR, "midi_player",
                                           [](const uint8_t* d, size_t n) { fuzz::PlayMidi(d, n); }),
            0);
}

}  // namespace
