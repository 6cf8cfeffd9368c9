// ctest-labels: sound
// Replays the sound fuzz target's seeds (fuzz/corpus) and every input that once made it fail
// (tests/data/fuzz), through the same code the target runs.
#include <gtest/gtest.h>

#include "fuzz/wav_targets.h"
#include "platform/sdl_memory_watch.h"
#include "platform/sound_decode.h"
#include "tests/support/fuzz_replay.h"

namespace {

TEST(SoundFuzzRegressionTest, AnySoundFileMakesAStreamOrIsRefusedAndNoneTakesMoreThanOneSoundMay) {
  fuzz::ClientSoundChannels();  // SDL's audio thread runs before the watch begins
  platform::ScopedSdlMemoryWatch watch;
  EXPECT_GT(test_support::ReplayFuzzInputs(ZP_TEST_DATA_DIR, "wav",
                                           [](const uint8_t* d, size_t n) { fuzz::PlaySoundMember(d, n); }),
            0);
  // The sounds went through the client's own conversion: the seed of 200 ms became a chunk of
  // 16-bit stereo at 44100 Hz. None took more than one sound may (the converter may round up by
  // a few frames).
  EXPECT_GE(watch.LargestBlock(), 35280u);
  EXPECT_LE(watch.LargestBlock(), platform::kMaxSoundBytes + 65536);
}

}  // namespace
