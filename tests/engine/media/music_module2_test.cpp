// ctest-labels: sound tsan
#include "engine/media/music_module2.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>

#include "engine/core/game_core.h"
#include "engine/media/resource_module.h"
#include "platform/diagnostics.h"
#include "platform/files.h"
#include "platform/fluidsynth_sink.h"
#include "platform/sound_channel_null.h"
#include "tests/support/midi_file_builder.h"
#include "tests/support/music_fixture.h"
#include "tests/support/wave_file.h"

namespace engine {
namespace {

// 100 ms: a note on at 0 and off at tick 20, 5 ms a tick.
std::vector<uint8_t> ShortSong() {
  test_support::MidiFileBuilder file(0, 100);
  file.AddTrack().Tempo(0, 500000).Event(0, {0xC0, 0}).Event(0, {0x90, 60, 100}).Event(20, {0x80, 60, 0}).End();
  return file.Bytes();
}

// MusicModule2 on null sound channels; MIDI songs are rendered with the system's General MIDI font.
class MusicModule2Test : public test::MusicFixture<MusicModule2> {
 protected:
  void SetUp() override {
    MusicFixture::SetUp();
    if (!platform::FileExists(platform::FluidSynthSink::kDefaultSoundFont)) GTEST_SKIP() << "no General MIDI font";
    StartCore();
  }
};

TEST_F(MusicModule2Test, KeepsTheMusicModulesIdUnderItsOwnName) {
  EXPECT_EQ(music_->GetId(), 1004u);
  EXPECT_STREQ(music_->GetName(), "MusicModule2");
  EXPECT_TRUE(music_->IsMidiLayerLoaded());
}

TEST_F(MusicModule2Test, AMidiSongIsAStreamThatPlaysItsCountAndStaysLoaded) {
  AddMemorySound("Theme.mid", ShortSong());
  const ObjectMessage done{5, 55, 0, 0};
  const uint32_t channel = music_->PlaySound("Theme", 2, &done);
  ASSERT_NE(channel, MusicModule::kMidiChannel) << "a stream of its own, not the MIDI player";
  EXPECT_EQ(music_->GetMidiPlayer(), nullptr);
  EXPECT_TRUE(music_->IsSoundLoaded(MusicModule::SoundKey("Theme")));
  // The stream lasts as long as the song (rendered in blocks of 64 frames).
  EXPECT_GE(backend_.DurationMs(channel), 100u);
  EXPECT_LE(backend_.DurationMs(channel), 105u);
  Run(150);
  EXPECT_EQ(backend_.StartCount(channel), 2u) << "played again by the repeat pass";
  EXPECT_TRUE(posted_.empty());
  Run(200);
  ASSERT_EQ(posted_.size(), 1u);
  EXPECT_EQ(posted_[0]->id, 55u);
  EXPECT_EQ(music_->PlayingCount(), 0u);

  // The loaded stream is played again without rendering the song anew.
  EXPECT_EQ(music_->PlaySound("Theme", 1, nullptr), channel);
  music_->UnloadSound("Theme");
  EXPECT_FALSE(music_->IsSoundLoaded(MusicModule::SoundKey("Theme")));
  EXPECT_EQ(music_->PlayingCount(), 0u);
}

TEST_F(MusicModule2Test, OtherSoundsPlayAsInTheMusicModule) {
  AddMemorySound("Click.wav", test_support::MakeWave(250));
  const uint32_t channel = music_->PlaySound("Click", 1, nullptr);
  ASSERT_NE(channel, 0u);
  EXPECT_EQ(backend_.DurationMs(channel), 250u);
}

TEST_F(MusicModule2Test, TheChosenSoundFontRendersEveryNewSong) {
  // A file that is no sound font is refused.
  const std::string text = (dir_ / "notes.sf2").string();
  std::ofstream(text) << "not a sound font";
  EXPECT_EQ(music_->LoadSoundFont(text.c_str()), 0);
  EXPECT_EQ(music_->LoadSoundFont((dir_ / "missing.sf2").string().c_str()), 0);

  // A font that looks like one but cannot be read: the songs made now fail with it, so it is
  // the one they are rendered with.
  const std::string broken = (dir_ / "broken.sf2").string();
  std::ofstream(broken, std::ios::binary) << std::string("RIFF\x04\x00\x00\x00sfbk", 12);
  ASSERT_EQ(music_->LoadSoundFont(broken.c_str()), 1);
  AddMemorySound("Theme.mid", ShortSong());
  EXPECT_EQ(music_->PlaySound("Theme", 1, nullptr), 0u);
  EXPECT_EQ(music_->PlayingCount(), 0u);

  ASSERT_EQ(music_->LoadSoundFont(platform::FluidSynthSink::kDefaultSoundFont), 1);
  EXPECT_NE(music_->PlaySound("Theme", 1, nullptr), 0u);
}

TEST_F(MusicModule2Test, ASongLongerThanOneSoundMayTakeIsRefusedOnceItsRenderingPassesTheBound) {
  // A note of 60 s: 10.6 MB of 16-bit stereo at 44100 Hz.
  test_support::MidiFileBuilder file(0, 100);
  file.AddTrack().Tempo(0, 500000).Event(0, {0x90, 60, 100}).Event(12000, {0x80, 60, 0}).End();
  AddMemorySound("Long.mid", file.Bytes());
  std::vector<std::string> problems;
  const platform::ProblemSink previous =
      platform::SetProblemSink([&](const std::string& line) { problems.push_back(line); });
  EXPECT_EQ(music_->PlaySound("Long", 1, nullptr), 0u);
  platform::SetProblemSink(previous);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("a song longer than 47 seconds"), std::string::npos) << problems[0];
}

TEST_F(MusicModule2Test, ABrokenSongIsRefusedOnceAndQueuesNothing) {
  std::vector<uint8_t> song = ShortSong();
  song.resize(10);
  AddMemorySound("Broken.mid", song);
  for (int play = 0; play < 3; ++play) EXPECT_EQ(music_->PlaySound("Broken", 1, nullptr), 0u);
  EXPECT_EQ(music_->PlayingCount(), 0u);
  EXPECT_FALSE(music_->IsSoundLoaded(MusicModule::SoundKey("Broken")));
  // Read once: its later plays end at once.
  const std::string log = GameLog();
  EXPECT_EQ(log.find("cannot be played"), log.rfind("cannot be played"));
}

}  // namespace
}  // namespace engine
