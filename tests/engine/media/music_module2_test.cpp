// ctest-labels: sound tsan
#include "engine/media/music_module2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>

#include "engine/core/game_core.h"
#include "engine/media/resource_module.h"
#include "platform/decode_budget.h"
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

// The song's first chunk (of another kind, or its track) claiming `more` bytes more than the
// song holds.
std::vector<uint8_t> ChunkClaimingMore(std::vector<uint8_t> song, uint32_t more) {
  const auto length = static_cast<uint32_t>(song.size() - 22 + more);
  for (int i = 0; i < 4; ++i) song[18 + i] = static_cast<uint8_t>(length >> (8 * (3 - i)));
  return song;
}

// Every song is read before anything is rendered: its events reach the synthesiser at their
// times, from one track however many the song had; or it is refused at once with its reason,
// nothing rendered.
TEST_F(MusicModule2Test, SongsOfEveryTimeDivisionAndSysExPlayTheirEventsAtTheirTimes) {
  constexpr uint32_t kOn = 0x90 | 60 << 8 | 100 << 16;
  constexpr uint32_t kOff = 0x80 | 60 << 8;
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
    std::vector<std::pair<uint32_t, int64_t>> heard_ms;
    const char* refusal = nullptr;  // the line it is refused with, at once
    uint64_t outer_work = 0;        // made inside a decode that allows this much work in all
  };
  test_support::MidiFileBuilder broken(0, 0xE700 | 40);
  broken.AddTrack().Event(0, {0x90, 60, 100}).Raw({10, 0x80, 60});
  test_support::MidiFileBuilder broken_plain(0, 100);
  broken_plain.AddTrack().Event(0, {0x90, 60, 100}).Raw({10, 0x80, 60});
  auto other_chunk_first = [](std::vector<uint8_t> song) {
    song.insert(song.begin() + 14, {'X', 'F', 'I', 'H', 0, 0, 0, 2, 1, 2});
    return song;
  };
  test_support::MidiFileBuilder after_end(0, 100);
  after_end.AddTrack().Tempo(0, 250000).Event(0, {0x90, 60, 100}).Event(40, {0x80, 60, 0}).End().Raw(
      {0, 0x90, 70, 100, 10, 0xF3});
  // 0x200000 ticks of 1000 / 32767 us: 64 ms.
  test_support::MidiFileBuilder long_delta(0, 0x7FFF);
  long_delta.AddTrack().Tempo(0, 1000).Event(0, {0x90, 60, 100}).Event(0x200000, {0x80, 60, 0}).End();
  // A note in the first track and its end in the last of 129, a volume in each between.
  test_support::MidiFileBuilder many(1, 100);
  many.AddTrack().Tempo(0, 250000).Event(0, {0x90, 60, 100}).End();
  std::vector<std::pair<uint32_t, int64_t>> many_heard = {{kOn, 0}};
  for (int t = 1; t < 128; ++t) many.AddTrack().Event(t % 40, {0xB1, 7, 100}).End();
  for (int tick = 0; tick < 40; ++tick)
    for (int t = 1; t < 128; ++t)
      if (t % 40 == tick) many_heard.push_back({0x6407B1, tick * 5 / 2});
  many.AddTrack().Event(40, {0x80, 60, 0}).End();
  many_heard.push_back({kOff, 100});
  // Two hours at 5 ms a tick; and a SMPTE song of F7 packets 0x0FFFFFFF ticks (130 days) apart.
  test_support::MidiFileBuilder hours(0, 100);
  hours.AddTrack().Event(0, {0x90, 60, 100}).Event(1440000, {0x80, 60, 0}).End();
  test_support::MidiFileBuilder packets_apart(0, 0xE800 | 1);
  test_support::MidiTrackBuilder& apart = packets_apart.AddTrack();
  for (int i = 0; i < 1000; ++i) apart.Raw({0xFF, 0xFF, 0xFF, 0x7F, 0xF7, 1, 0xF8});
  constexpr const char* kTooLong = "MIDI stream: a song longer than 47 seconds is refused";
  constexpr const char* kShort =
      "MIDI stream: the song cannot be played: track 0 or a chunk before it claims more bytes than the song holds";
  constexpr const char* kBreaks =
      "MIDI stream: the song cannot be played: track 0: the track breaks off in a channel message";
  const std::vector<Case> cases = {
      {"ticks a quarter note", NoteSong(100, 40), {{kOn, 0}, {kOff, 100}}},
      {"SMPTE 24 x 10", NoteSong(0xE800 | 10, 48), {{kOn, 0}, {kOff, 200}}},
      {"SMPTE 24 x 1: ticks of 42 ms", NoteSong(0xE800 | 1, 5), {{kOn, 0}, {kOff, 208}}},
      {"SMPTE 25 x 40", NoteSong(0xE700 | 40, 100), {{kOn, 0}, {kOff, 100}}},
      {"SMPTE 29.97 x 100: 180 frames", NoteSong(0xE300 | 100, 18000), {{kOn, 0}, {kOff, 6006}}},
      {"SMPTE 30 x 80", NoteSong(0xE200 | 80, 240), {{kOn, 0}, {kOff, 100}}},
      {"F7 packets", NoteSong(100, 20, packets), {{kOn, 0}, {0xF0, 0}, {kOff, 100}}},
      {"F7 packets in SMPTE time", NoteSong(0xE700 | 40, 80, packets), {{kOn, 0}, {0xF0, 0}, {kOff, 100}}},
      {"a chunk of another kind first", other_chunk_first(NoteSong(100, 40)), {{kOn, 0}, {kOff, 100}}},
      {"and in SMPTE time", other_chunk_first(NoteSong(0xE700 | 40, 100)), {{kOn, 0}, {kOff, 100}}},
      {"notes at four times: each wait from the event before",
       NoteSong(100, 20, [](auto& t) { t.Event(20, {0x90, 62, 90}).Event(20, {0x80, 62, 0}); }),
       {{kOn, 0}, {0x5A3E90, 50}, {0x3E80, 100}, {kOff, 150}}},
      {"running status, and channel pressure of one data byte",
       NoteSong(100, 10,
                [](auto& t) {
                  t.Event(10, {0x90, 64, 90}).Event(10, {66, 90}).Event(10, {0xD0, 0x40}).Event(10, {0x30});
                }),
       {{kOn, 0}, {0x5A4090, 25}, {0x5A4290, 50}, {0x40D0, 75}, {0x30D0, 100}, {kOff, 125}}},
      {"what follows the end of track is not read", after_end.Bytes(), {{kOn, 0}, {kOff, 100}}},
      {"a delta time of four bytes", long_delta.Bytes(), {{kOn, 0}, {kOff, 64}}},
      {"129 tracks", many.Bytes(), many_heard},
      {"a SMPTE song that breaks off", broken.Bytes(), {}, kBreaks},
      {"a song that breaks off", broken_plain.Bytes(), {}, kBreaks},
      {"a track a few bytes short", ChunkClaimingMore(NoteSong(100, 40), 3), {}, kShort},
      {"a chunk before the track a few bytes short", ChunkClaimingMore(other_chunk_first(NoteSong(100, 40)), 3), {},
       kShort},
      {"a note of 60 s: 10.6 MB of 16-bit stereo", NoteSong(100, 24000), {}, kTooLong},
      {"two hours", hours.Bytes(), {}, kTooLong},
      {"SMPTE 24 x 1, packets 0x0FFFFFFF ticks apart", packets_apart.Bytes(), {}, kTooLong},
      {"6 s where 20M units of work are left: refused as they run out", NoteSong(0xE300 | 100, 18000), {},
       "MIDI stream: the song cannot be played: decoding it would take more work than its size allows", 20000000},
  };
  std::vector<std::pair<uint32_t, uint64_t>> heard;
  platform::SetMidiRenderListener([&](uint32_t message, uint64_t frame) { heard.push_back({message, frame}); });
  std::string problems;
  const platform::ProblemSink previous = platform::SetProblemSink([&](const std::string& line) { problems += line; });
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.name);
    heard.clear();
    problems.clear();
    const std::string name = "Song" + std::to_string(i);
    AddMemorySound(name + ".mid", c.song);
    platform::DecodeBudget outer(64 << 20, c.outer_work);
    std::optional<platform::ScopedDecodeBudget> scope;
    if (c.outer_work != 0) scope.emplace(&outer);
    const uint32_t channel = music_->PlaySound(name.c_str(), 1, nullptr);
    scope.reset();
    const platform::MidiStreamMaking making = platform::LastMidiStreamMaking();
    if (c.refusal != nullptr) {
      EXPECT_EQ(channel, 0u);
      EXPECT_EQ(problems, c.refusal);
      if (c.outer_work == 0) {
        EXPECT_EQ(making.blocks, 0u) << "refused at once";
      } else {
        // Each block of 64 frames costs 8192 units or more.
        EXPECT_GT(making.blocks, 0u);
        EXPECT_LE(making.blocks, c.outer_work / 8192);
      }
      continue;
    }
    EXPECT_NE(channel, 0u) << problems;
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
    // The song FluidSynth is given holds no more events than the file (two bytes each at least),
    // and the rendering ends within two blocks of the last event.
    EXPECT_LE(making.events, c.song.size() / 2);
    EXPECT_EQ(making.played, heard.size());
    EXPECT_LE(making.blocks, (c.heard_ms.back().second + 2) * 441 / 640 + 2);
    // What the stream took at most: its wave (a few blocks more than it renders) and the song
    // written anew and held by FluidSynth, which the file's bytes bound.
    EXPECT_LE(platform::LastDecodeSpending().peak, (making.blocks + 4) * 256 + 44 + 100 * c.song.size());
  }
  platform::SetMidiRenderListener({});
  platform::SetProblemSink(previous);
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
