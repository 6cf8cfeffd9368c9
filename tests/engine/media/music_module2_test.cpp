// ctest-labels: sound tsan
#include "engine/media/music_module2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>

#include "engine/core/game_core.h"
#include "engine/media/resource_module.h"
#include "platform/diagnostics.h"
#include "platform/files.h"
#include "platform/fluidsynth_sink.h"
#include "platform/sound_midi.h"
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

// A note of channel 0 from tick 0 to tick off, at a tempo of 250000 us a quarter (which SMPTE
// time ignores); more may be put in between.
std::vector<uint8_t> NoteSong(uint16_t division, uint32_t off,
                              const std::function<void(test_support::MidiTrackBuilder&)>& between = {}) {
  test_support::MidiFileBuilder file(0, division);
  test_support::MidiTrackBuilder& track = file.AddTrack().Tempo(0, 250000).Event(0, {0x90, 60, 100});
  if (between) between(track);
  track.Event(off, {0x80, 60, 0}).End();
  return file.Bytes();
}

TEST_F(MusicModule2Test, SongsOfEveryTimeDivisionAndSysExPlayTheirEventsAtTheirTimes) {
  constexpr uint32_t kOn = 0x90 | 60 << 8 | 100 << 16;
  constexpr uint32_t kOff = 0x80 | 60 << 8;
  constexpr uint32_t kTempo = 0x51FF;
  auto packets = [](test_support::MidiTrackBuilder& track) {
    track
        .SysEx(0, {0x7E, 0x7F, 0x09, 0x01, 0xF7})  // whole: sent
        .SysEx(0, {0x43, 0x10})                    // the first piece of one in pieces: left out
        .Raw({10, 0xF7, 2, 0x4C, 0xF7})            // its last piece, 10 ticks on
        .Raw({10, 0xF7, 1, 0xF8});                 // an escaped byte, 10 ticks on
  };
  struct Case {
    const char* name;
    std::vector<uint8_t> song;
    std::vector<std::pair<uint32_t, int64_t>> heard_ms;  // empty: refused
  };
  test_support::MidiFileBuilder broken(0, 0xE700 | 40);
  broken.AddTrack().Event(0, {0x90, 60, 100}).Raw({10, 0x80, 60});
  auto other_chunk_first = [](std::vector<uint8_t> song) {
    song.insert(song.begin() + 14, {'X', 'F', 'I', 'H', 0, 0, 0, 2, 1, 2});
    return song;
  };
  const std::vector<Case> cases = {
      {"ticks a quarter note", NoteSong(100, 40), {{kTempo, 0}, {kOn, 0}, {kOff, 100}}},
      {"SMPTE 24 x 10", NoteSong(0xE800 | 10, 48), {{kTempo, 0}, {kOn, 0}, {kOff, 200}}},
      {"SMPTE 24 x 1: ticks of 42 ms cut finer", NoteSong(0xE800 | 1, 5), {{kTempo, 0}, {kOn, 0}, {kOff, 208}}},
      {"SMPTE 25 x 40", NoteSong(0xE700 | 40, 100), {{kTempo, 0}, {kOn, 0}, {kOff, 100}}},
      {"SMPTE 29.97 x 100: 180 frames", NoteSong(0xE300 | 100, 18000), {{kTempo, 0}, {kOn, 0}, {kOff, 6006}}},
      {"SMPTE 30 x 80", NoteSong(0xE200 | 80, 240), {{kTempo, 0}, {kOn, 0}, {kOff, 100}}},
      {"F7 packets", NoteSong(100, 20, packets), {{kTempo, 0}, {kOn, 0}, {0xF0, 0}, {kOff, 100}}},
      {"F7 packets in SMPTE time", NoteSong(0xE700 | 40, 80, packets), {{kTempo, 0}, {kOn, 0}, {0xF0, 0}, {kOff, 100}}},
      {"a chunk of another kind first", other_chunk_first(NoteSong(100, 40)), {{kTempo, 0}, {kOn, 0}, {kOff, 100}}},
      {"and in SMPTE time", other_chunk_first(NoteSong(0xE700 | 40, 100)), {{kTempo, 0}, {kOn, 0}, {kOff, 100}}},
      {"a SMPTE song that breaks off", broken.Bytes(), {}},
  };
  std::vector<std::pair<uint32_t, uint64_t>> heard;
  platform::SetMidiRenderListener([&](uint32_t message, uint64_t frame) { heard.push_back({message, frame}); });
  std::string problems;
  const platform::ProblemSink previous =
      platform::SetProblemSink([&](const std::string& line) { problems += line + "\n"; });
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.name);
    heard.clear();
    const std::string name = "Song" + std::to_string(i);
    AddMemorySound(name + ".mid", c.song);
    const uint32_t channel = music_->PlaySound(name.c_str(), 1, nullptr);
    EXPECT_EQ(channel != 0, !c.heard_ms.empty());
    // FluidSynth's player plays a message at the start of the block of 64 frames (1.45 ms) it
    // falls in.
    std::vector<std::pair<uint32_t, int64_t>> heard_ms;
    for (const auto& [message, frame] : heard)
      heard_ms.push_back({message, static_cast<int64_t>(frame) * 1000 / 44100});
    EXPECT_EQ(heard_ms.size(), c.heard_ms.size()) << testing::PrintToString(heard_ms);
    for (size_t at = 0; at < std::min(heard_ms.size(), c.heard_ms.size()); ++at) {
      EXPECT_EQ(heard_ms[at].first, c.heard_ms[at].first) << at;
      EXPECT_NEAR(heard_ms[at].second, c.heard_ms[at].second, 2) << at;
    }
  }
  platform::SetMidiRenderListener({});
  platform::SetProblemSink(previous);
  EXPECT_EQ(problems, "MIDI stream: the song cannot be played: track 0: the track breaks off in a channel message\n");
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
