// ctest-labels: sound tsan
#include "engine/media/midi_stream_player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/midi_recorder.h"
#include "platform/midi_sink.h"
#include "tests/support/midi_file_builder.h"

namespace engine {
namespace {

using test_support::MidiFileBuilder;

constexpr uint32_t Msg(uint32_t status, uint32_t data1, uint32_t data2 = 0) {
  return status | data1 << 8 | data2 << 16;
}

struct Heard {
  uint32_t message;
  int64_t at_us;  // after the start of play
  bool operator==(const Heard&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Heard& heard) {
  return out << std::hex << "{0x" << heard.message << std::dec << " at " << heard.at_us << "us}";
}

// Division 100 at 500000 us a quarter: 5 ms a tick; from tick 40 on 250000: 2.5 ms a tick.
// Running status, a text meta event that is not played, and a tempo change.
std::vector<uint8_t> SmallSong() {
  MidiFileBuilder file(0, 100);
  file.AddTrack()
      .Tempo(0, 500000)
      .Event(0, {0xC0, 5})
      .Event(0, {0x90, 0x3C, 0x40})
      .Event(10, {0x3E, 0x40})        // running status
      .Meta(20, 0x01, {'h', 'i'})     // tick 30: text, not for the device
      .Event(10, {0x80, 0x3C, 0x00})  // tick 40
      .Tempo(0, 250000)
      .Event(20, {0x80, 0x3E, 0x00})  // tick 60
      .End();
  return file.Bytes();
}

// The song with a chunk of a kind that is no track put in at offset at.
std::vector<uint8_t> WithOtherChunk(std::vector<uint8_t> song, size_t at, std::vector<uint8_t> data) {
  std::vector<uint8_t> chunk = {'X', 'F', 'I', 'H', 0, 0, 0, static_cast<uint8_t>(data.size())};
  chunk.insert(chunk.end(), data.begin(), data.end());
  song.insert(song.begin() + static_cast<ptrdiff_t>(at), chunk.begin(), chunk.end());
  return song;
}

const std::vector<Heard> kSmallSongHeard = {
    {Msg(0xC0, 5), 0},
    {Msg(0x90, 0x3C, 0x40), 0},
    {Msg(0x90, 0x3E, 0x40), 50000},
    {Msg(0x80, 0x3C, 0x00), 200000},
    {Msg(0x80, 0x3E, 0x00), 250000},
};

class RecordingOwner : public MidiOwnerWindow {
 public:
  struct Posted {
    uint32_t message;
    uintptr_t wparam;
    uintptr_t lparam;
  };
  bool IsWindow() const override { return true; }
  void PostMessage(uint32_t message, uintptr_t wparam, uintptr_t lparam) override {
    std::lock_guard lock(mutex_);
    posted_.push_back({message, wparam, lparam});
  }
  std::vector<Posted> posted() {
    std::lock_guard lock(mutex_);
    return posted_;
  }

 private:
  std::mutex mutex_;
  std::vector<Posted> posted_;
};

class MidiStreamPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetMidiMapperSink(&recorder_); }
  void TearDown() override { platform::SetMidiMapperSink(nullptr); }

  int64_t NowUs() { return clock_->PerformanceCounter(); }

  // Steps the clock a millisecond at a time and lets the player catch up after every step.
  void Run(MidiStreamPlayer& player, uint32_t ms) {
    player.WaitUntilSettled();
    for (uint32_t i = 0; i < ms; ++i) {
      clock_->Advance(1);
      player.WaitUntilSettled();
    }
  }

  // What the recorder heard, timed from start_us. Every event must have gone out on time.
  std::vector<Heard> HeardSince(int64_t start_us) {
    std::vector<Heard> heard;
    for (const platform::MidiRecorder::Entry& entry : recorder_.Entries()) {
      EXPECT_EQ(entry.handed_us, entry.due_us) << "message 0x" << std::hex << entry.message;
      heard.push_back({entry.message, entry.due_us - start_us});
    }
    return heard;
  }

  static bool Load(MidiStreamPlayer& player, const std::vector<uint8_t>& bytes, MidiOwnerWindow* owner = nullptr) {
    return player.Load(bytes.data(), bytes.size(), owner) == 1;
  }

  // Everything the engine log holds so far.
  static std::string LogText() {
    std::string text;
    const std::string folder = platform::NativePath(platform::ExecutableDirectory());
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("Game", 0) == 0 && name.ends_with(".log")) {
        std::ifstream in(entry.path());
        std::stringstream all;
        all << in.rdbuf();
        text += all.str();
      }
    }
    return text;
  }

  platform::ScopedManualClock clock_;
  platform::MidiRecorder recorder_;
};

TEST_F(MidiStreamPlayerTest, EveryEventOfAFormat0SongSoundsAtItsTime) {
  const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
      {"as written", SmallSong()},
      {"a chunk of another kind before the track is skipped", WithOtherChunk(SmallSong(), 14, {1, 2, 3, 4})},
      {"and an empty one after it", WithOtherChunk(SmallSong(), SmallSong().size(), {})},
  };
  for (const auto& [name, song] : cases) {
    SCOPED_TRACE(name);
    recorder_.Clear();
    MidiStreamPlayer player;
    ASSERT_TRUE(Load(player, song));
    EXPECT_FALSE(player.IsPlaying());
    player.WaitUntilSettled();
    EXPECT_EQ(recorder_.Count(), 0u) << "a loaded song waits for Play";

    const int64_t start = NowUs();
    ASSERT_EQ(player.Play(false), 1);
    EXPECT_TRUE(player.IsPlaying());
    Run(player, 300);
    EXPECT_EQ(HeardSince(start), kSmallSongHeard);
    // At the end the player stops itself and is ready to play the song again.
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(player.GetState(), MidiStreamPlayer::kStatePlaying);
    EXPECT_GE(recorder_.Silences(), 1);
  }
}

TEST_F(MidiStreamPlayerTest, Format1TracksMergeInTimeOrderWithTheFirstTrackFirstOnTies) {
  MidiFileBuilder file(1, 200);  // 2.5 ms a tick at the tempo of track 0
  file.AddTrack().Tempo(0, 500000).End();
  file.AddTrack().Event(0, {0x90, 0x40, 0x64}).Event(100, {0x80, 0x40, 0x00}).End();
  file.AddTrack()
      .Event(0, {0x91, 0x43, 0x64})
      .Event(50, {0xB1, 0x07, 64})  // channel 1 volume to 50 %
      .Event(0, {0xB3, 0x07, 127})  // channel 3 volume to 100 %
      .Event(50, {0x81, 0x43, 0x00})
      .End();
  RecordingOwner owner;
  MidiStreamPlayer player;
  ASSERT_TRUE(Load(player, file.Bytes(), &owner));
  EXPECT_EQ(player.GetChannelCount(), 16u);
  player.SetVolume(80);  // not playing: nothing changes
  EXPECT_EQ(player.GetVolume(), 100u);

  const int64_t start = NowUs();
  player.Play(false);
  Run(player, 400);
  const std::vector<Heard> expected = {
      {Msg(0x90, 0x40, 0x64), 0},  {Msg(0x91, 0x43, 0x64), 0},      {Msg(0xB1, 7, 64), 125000},
      {Msg(0xB3, 7, 127), 125000}, {Msg(0x80, 0x40, 0x00), 250000}, {Msg(0x81, 0x43, 0x00), 250000},
  };
  EXPECT_EQ(HeardSince(start), expected);

  EXPECT_EQ(player.GetChannelVolume(1), 50u);
  EXPECT_EQ(player.GetChannelVolume(3), 100u);
  const std::vector<RecordingOwner::Posted> posted = owner.posted();
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[0].message, kMidiVolumeMessage);
  EXPECT_EQ(posted[0].wparam, reinterpret_cast<uintptr_t>(&player));
  EXPECT_EQ(posted[0].lparam, 1u | 50u << 16);
  EXPECT_EQ(posted[1].lparam, 3u | 100u << 16);
}

TEST_F(MidiStreamPlayerTest, ASongOfManyTracksPlaysAsTheSameNotesInOneTrackAtAFewComparisonsAnEvent) {
  // 4096 tracks of one note each, out of time order over 16 ticks; the one-track song holds the
  // same notes in the merge's order: by time, then by track.
  constexpr uint32_t kTracks = 4096;
  MidiFileBuilder many(1, 100);
  std::vector<std::pair<uint32_t, uint32_t>> notes;  // tick, track
  auto add_note = [](test_support::MidiTrackBuilder& track, uint32_t delta, uint32_t i) {
    track.Event(delta, {static_cast<uint8_t>(0x90 | i % 16), static_cast<uint8_t>(i % 128),
                        static_cast<uint8_t>(1 + i / 128)});
  };
  for (uint32_t i = 0; i < kTracks; ++i) {
    const uint32_t tick = i * 7 % 16;
    test_support::MidiTrackBuilder& track = many.AddTrack();
    add_note(track, tick, i);
    track.End();
    notes.push_back({tick, i});
  }
  std::stable_sort(notes.begin(), notes.end(), [](auto& a, auto& b) { return a.first < b.first; });
  MidiFileBuilder one(0, 100);
  auto& track = one.AddTrack();
  uint32_t at = 0;
  for (const auto& [tick, i] : notes) {
    add_note(track, tick - at, i);
    at = tick;
  }
  track.End();

  auto heard = [&](const std::vector<uint8_t>& song, uint64_t* comparisons) {
    recorder_.Clear();
    MidiStreamPlayer player;
    EXPECT_TRUE(Load(player, song));
    const int64_t start = NowUs();
    player.Play(false);
    Run(player, 100);
    EXPECT_FALSE(player.IsPlaying());
    *comparisons = player.GetMergeComparisons();
    return HeardSince(start);
  };
  uint64_t comparisons = 0;
  const std::vector<Heard> from_one = heard(one.Bytes(), &comparisons);
  ASSERT_EQ(from_one.size(), kTracks);
  EXPECT_EQ(heard(many.Bytes(), &comparisons), from_one);
  // Two reads a track (its note, its end): a scan of every track for each read would make
  // 8192 x 4096 comparisons; the heap makes at most two for each of its 12 levels.
  EXPECT_LE(comparisons, 2 * kTracks * 2 * 12 + 2 * kTracks);
}

TEST_F(MidiStreamPlayerTest, ADenseSongThatOverflowsBuffersKeepsEveryEventOnTime) {
  // 10 events on every tick for 40 ticks: far more than one 1024-byte buffer holds in 60 ms.
  MidiFileBuilder file(0, 100);
  auto& track = file.AddTrack().Tempo(0, 500000);
  std::vector<Heard> expected;
  for (uint32_t tick = 0; tick < 40; ++tick) {
    for (uint8_t k = 0; k < 10; ++k) {
      const uint8_t note = static_cast<uint8_t>(40 + k);
      const uint8_t velocity = static_cast<uint8_t>(1 + tick);
      track.Event(k == 0 && tick > 0 ? 1 : 0, {0x90, note, velocity});
      expected.push_back({Msg(0x90, note, velocity), int64_t{tick} * 5000});
    }
  }
  track.End();
  MidiStreamPlayer player;
  ASSERT_TRUE(Load(player, file.Bytes()));
  const int64_t start = NowUs();
  player.Play(false);
  Run(player, 250);
  EXPECT_EQ(HeardSince(start), expected);
  EXPECT_FALSE(player.IsPlaying());
}

// The player over a synthesiser that takes events 200 ms ahead of their time: the stream starts
// 50 ms after Play, and buffers come back as soon as they are handed over.
class MidiStreamPlayerAheadTest : public MidiStreamPlayerTest {
 protected:
  void SetUp() override { platform::SetMidiMapperSink(&ahead_); }
  platform::MidiRecorder ahead_{200000};
};

TEST_F(MidiStreamPlayerAheadTest, ALongSongKeepsEveryEventAndEndsOnlyAfterItsLastEvent) {
  MidiFileBuilder file(0, 100);  // 5 ms a tick
  auto& track = file.AddTrack();
  for (uint32_t i = 0; i < 200; ++i) {
    track.Event(i == 0 ? 0 : 2, {0x90, static_cast<uint8_t>(60 + i % 12), static_cast<uint8_t>(i % 2 ? 0 : 100)});
  }
  track.End();
  MidiStreamPlayer player;
  ASSERT_TRUE(Load(player, file.Bytes()));
  const int64_t start = NowUs();
  player.Play(false);
  int ended_ms = 0;
  while (player.IsPlaying() && ended_ms < 3000) {
    Run(player, 1);
    ++ended_ms;
  }
  const std::vector<platform::MidiRecorder::Entry> entries = ahead_.Entries();
  ASSERT_EQ(entries.size(), 200u);
  for (uint32_t i = 0; i < entries.size(); ++i) EXPECT_EQ(entries[i].due_us - start, 50000 + i * 10000) << i;
  EXPECT_EQ(entries.back().due_us - entries.back().handed_us, 200000) << "handed a look-ahead before it is due";
  EXPECT_EQ(ended_ms, 2040) << "the song ends with its last event, not when it was handed over";
}

TEST_F(MidiStreamPlayerTest, PauseFreezesTheSongAndResumeGoesOnFromThere) {
  MidiStreamPlayer player;
  ASSERT_TRUE(Load(player, SmallSong()));
  const int64_t start = NowUs();
  player.Play(false);
  Run(player, 60);
  EXPECT_EQ(recorder_.Count(), 3u);
  player.Pause();
  EXPECT_TRUE(player.IsPaused());
  Run(player, 1000);
  EXPECT_EQ(recorder_.Count(), 3u) << "nothing plays while paused";
  EXPECT_TRUE(player.IsPlaying());
  player.Play(false);  // Play on a paused song resumes it
  EXPECT_FALSE(player.IsPaused());
  Run(player, 300);
  std::vector<Heard> expected = kSmallSongHeard;
  expected[3].at_us += 1000000;
  expected[4].at_us += 1000000;
  EXPECT_EQ(HeardSince(start), expected);
}

TEST_F(MidiStreamPlayerTest, StopInMidSongSilencesAndTheNextPlayStartsFromTheBeginning) {
  MidiStreamPlayer player;
  ASSERT_TRUE(Load(player, SmallSong()));
  player.Play(false);
  Run(player, 120);
  ASSERT_EQ(player.Stop(true), 1);
  EXPECT_FALSE(player.IsPlaying());
  EXPECT_GE(recorder_.Silences(), 1);
  Run(player, 500);
  EXPECT_EQ(recorder_.Count(), 3u) << "nothing after the stop";

  recorder_.Clear();
  const int64_t start = NowUs();
  player.Play(false);
  Run(player, 300);
  EXPECT_EQ(HeardSince(start), kSmallSongHeard);
}

TEST_F(MidiStreamPlayerTest, ASongThatEndedPlaysAgainFromTheBeginning) {
  MidiStreamPlayer player;
  ASSERT_TRUE(Load(player, SmallSong()));
  for (int round = 0; round < 3; ++round) {
    recorder_.Clear();
    const int64_t start = NowUs();
    ASSERT_EQ(player.Play(false), 1);
    Run(player, 300);
    EXPECT_EQ(HeardSince(start), kSmallSongHeard) << "round " << round;
    EXPECT_FALSE(player.IsPlaying());
  }
}

TEST_F(MidiStreamPlayerTest, ALoopingSongStartsOverRightAfterItsLastEvent) {
  MidiStreamPlayer player;
  ASSERT_TRUE(Load(player, SmallSong()));
  const int64_t start = NowUs();
  player.Play(true);
  Run(player, 740);
  std::vector<Heard> expected;
  for (int pass = 0; pass < 3; ++pass) {
    for (Heard heard : kSmallSongHeard) {
      heard.at_us += pass * 250000;
      if (heard.at_us <= 740000) expected.push_back(heard);
    }
  }
  EXPECT_EQ(HeardSince(start), expected);
  EXPECT_TRUE(player.IsPlaying());
  EXPECT_EQ(player.Stop(false), 1);
  EXPECT_FALSE(player.IsPlaying());
}

// 96 ticks a quarter with no tempo of its own until tick 48, where it sets 250000: the first
// 48 ticks take 250 ms at the default 500000, the next 48 take 125 ms.
std::vector<uint8_t> LateTempoSong() {
  MidiFileBuilder file(0, 96);
  file.AddTrack().Event(0, {0x90, 60, 100}).Tempo(48, 250000).Event(48, {0x80, 60, 0}).End();
  return file.Bytes();
}

const std::vector<Heard> kLateTempoHeard = {{Msg(0x90, 60, 100), 0}, {Msg(0x80, 60, 0), 375000}};

TEST_F(MidiStreamPlayerTest, ASongWithALateTempoPlaysEveryPassAtTheSameTimes) {
  MidiStreamPlayer player;
  ASSERT_TRUE(Load(player, LateTempoSong()));
  // Played to its end, twice over.
  for (int round = 0; round < 2; ++round) {
    recorder_.Clear();
    const int64_t start = NowUs();
    ASSERT_EQ(player.Play(false), 1);
    Run(player, 500);
    EXPECT_EQ(HeardSince(start), kLateTempoHeard) << "round " << round;
    EXPECT_FALSE(player.IsPlaying());
  }
  // Stopped after its tempo change, then played again.
  player.Play(false);
  Run(player, 300);
  ASSERT_EQ(player.Stop(true), 1);
  recorder_.Clear();
  const int64_t start = NowUs();
  player.Play(false);
  Run(player, 500);
  EXPECT_EQ(HeardSince(start), kLateTempoHeard) << "after a stop";
}

TEST_F(MidiStreamPlayerTest, ALoopingSongWithALateTempoStartsEveryPassAtTheDefaultTempo) {
  MidiStreamPlayer player;
  ASSERT_TRUE(Load(player, LateTempoSong()));
  const int64_t start = NowUs();
  player.Play(true);
  Run(player, 1200);
  std::vector<Heard> expected;
  for (int pass = 0; pass < 4; ++pass) {
    for (Heard heard : kLateTempoHeard) {
      heard.at_us += pass * 375000;
      if (heard.at_us <= 1200000) expected.push_back(heard);
    }
  }
  EXPECT_EQ(HeardSince(start), expected);
  EXPECT_EQ(player.Stop(false), 1);
}

TEST_F(MidiStreamPlayerTest, ALoopingSongThatTakesNoTimeEndsInsteadOfSpinning) {
  MidiFileBuilder chord(0, 100);
  chord.AddTrack().Event(0, {0x90, 60, 100}).Event(0, {0x90, 64, 100}).End(100);
  MidiFileBuilder empty(1, 100);
  empty.AddTrack();
  empty.AddTrack().Meta(0, 0x03, {'x'}).End();
  for (const std::vector<uint8_t>& song : {chord.Bytes(), empty.Bytes()}) {
    recorder_.Clear();
    MidiStreamPlayer player;
    ASSERT_TRUE(Load(player, song));
    player.Play(true);
    Run(player, 10);
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_LE(recorder_.Count(), 2u);
  }
}

TEST_F(MidiStreamPlayerTest, TempoPercentScalesThePace) {
  MidiStreamPlayer player;
  player.SetTempoPercent(0);
  EXPECT_EQ(player.GetTempoPercent(), 1u);
  player.SetTempoPercent(200);
  ASSERT_TRUE(Load(player, SmallSong()));
  const int64_t start = NowUs();
  player.Play(false);
  Run(player, 200);
  std::vector<Heard> expected = kSmallSongHeard;
  for (Heard& heard : expected) heard.at_us /= 2;
  EXPECT_EQ(HeardSince(start), expected);
}

TEST_F(MidiStreamPlayerTest, AVerySlowTempoPercentStaysATempo) {
  // 500000 x 100 / 1 does not fit the device's 24 bits of tempo: the slowest tempo is played
  // rather than a number that spills into the event type.
  MidiFileBuilder file(0, 100);
  file.AddTrack().Tempo(0, 500000).Event(0, {0x90, 60, 100}).Event(1, {0x80, 60, 0}).End();
  MidiStreamPlayer player;
  player.SetTempoPercent(1);
  ASSERT_TRUE(Load(player, file.Bytes()));
  const int64_t start = NowUs();
  player.Play(false);
  Run(player, 200);
  const std::vector<platform::MidiRecorder::Entry> entries = recorder_.Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].message, Msg(0x80, 60, 0));
  EXPECT_EQ(entries[1].due_us - start, 167772);  // one tick of 16777215 us a quarter at 100 a quarter
  EXPECT_LT(entries[1].handed_us - entries[1].due_us, 1000) << "within the clock step";
}

TEST_F(MidiStreamPlayerTest, TheBufferBudgetFollowsTheTempo) {
  MidiFileBuilder file(0, 480);
  file.AddTrack().Tempo(0, 500000).Event(0, {0x90, 60, 100}).End(480);
  MidiStreamPlayer player;
  ASSERT_TRUE(Load(player, file.Bytes()));
  EXPECT_EQ(player.GetTicksPerBuffer(), 57u);
}

TEST_F(MidiStreamPlayerTest, TempoEventsWithoutAUsableTempoAreSkipped) {
  MidiFileBuilder file(0, 100);
  file.AddTrack()
      .Tempo(0, 500000)
      .Meta(10, 0x51, {0, 0, 0})  // a zero tempo
      .Meta(0, 0x51, {7})         // a short one
      .Meta(0, 0x51, {})          // an empty one
      .Event(10, {0x90, 60, 100})
      .End();
  MidiStreamPlayer player;
  ASSERT_TRUE(Load(player, file.Bytes()));
  const int64_t start = NowUs();
  player.Play(false);
  Run(player, 150);
  EXPECT_EQ(HeardSince(start), (std::vector<Heard>{{Msg(0x90, 60, 100), 100000}}));
  EXPECT_NE(LogText().find("tempo"), std::string::npos);
}

TEST_F(MidiStreamPlayerTest, MusicThatCannotBeReadFurtherEndsTheSong) {
  MidiFileBuilder file(0, 100);
  auto& track = file.AddTrack().Tempo(0, 500000);
  for (int i = 0; i < 20; ++i) track.Event(i == 0 ? 0 : 10, {0x90, 60, 100});
  // A SysEx that claims 50 bytes where the track holds 3.
  track.Raw({0x0A, 0xF0, 50, 1, 2, 3});
  MidiStreamPlayer player;
  ASSERT_TRUE(Load(player, file.Bytes()));
  player.Play(false);
  Run(player, 1200);
  EXPECT_EQ(recorder_.Count(), 20u);
  EXPECT_FALSE(player.IsPlaying()) << "a song that cannot go on must not stay playing";
  EXPECT_NE(LogText().find("SysEx event truncated"), std::string::npos);
}

TEST_F(MidiStreamPlayerTest, MusicThatBreaksOffInTheSecondBufferPlaysToTheBreakEveryTime) {
  // 12 ticks a buffer: the first buffer takes the notes at ticks 0, 20 and 40, the second the
  // one at 60 and then meets the broken SysEx.
  MidiFileBuilder file(0, 100);
  file.AddTrack()
      .Tempo(0, 500000)
      .Event(0, {0x90, 60, 100})
      .Event(20, {0x90, 61, 100})
      .Event(20, {0x90, 62, 100})
      .Event(20, {0x90, 63, 100})
      .Raw({0x0A, 0xF0, 50, 1, 2, 3});
  const std::vector<Heard> expected = {
      {Msg(0x90, 60, 100), 0},
      {Msg(0x90, 61, 100), 100000},
      {Msg(0x90, 62, 100), 200000},
      {Msg(0x90, 63, 100), 300000},
  };
  MidiStreamPlayer player;
  ASSERT_TRUE(Load(player, file.Bytes()));
  for (int round = 0; round < 2; ++round) {
    recorder_.Clear();
    const int64_t start = NowUs();
    ASSERT_EQ(player.Play(false), 1) << "round " << round;
    Run(player, 600);
    EXPECT_EQ(HeardSince(start), expected) << "round " << round;
    EXPECT_FALSE(player.IsPlaying()) << "round " << round;
  }
  EXPECT_NE(LogText().find("SysEx event truncated"), std::string::npos);
}

TEST_F(MidiStreamPlayerTest, ALoopingSongThatBreaksOffStartsOverAtTheNextPlay) {
  MidiFileBuilder file(0, 100);
  auto& track = file.AddTrack().Tempo(0, 500000);
  std::vector<Heard> expected;
  for (uint8_t i = 0; i < 8; ++i) {
    track.Event(i == 0 ? 0 : 20, {0x90, static_cast<uint8_t>(60 + i), 100});
    expected.push_back({Msg(0x90, 60u + i, 100), int64_t{i} * 100000});
  }
  track.Raw({0x0A, 0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F});  // a meta length of five bytes
  MidiStreamPlayer player;
  ASSERT_TRUE(Load(player, file.Bytes()));
  for (int round = 0; round < 2; ++round) {
    recorder_.Clear();
    const int64_t start = NowUs();
    ASSERT_EQ(player.Play(true), 1) << "round " << round;
    Run(player, 1200);
    EXPECT_EQ(HeardSince(start), expected) << "round " << round;
    EXPECT_FALSE(player.IsPlaying()) << "round " << round;
  }
  EXPECT_NE(LogText().find("Meta event truncated (length)"), std::string::npos);
}

TEST_F(MidiStreamPlayerTest, ALoopOfAFewMicrosecondsEndsInsteadOfSpinning) {
  // A quarter note of 1 us at 120 ticks a quarter: the whole song lasts well under a microsecond.
  MidiFileBuilder file(0, 120);
  file.AddTrack().Tempo(0, 1).Event(0, {0x90, 60, 100}).Event(10, {0x80, 60, 0}).End();
  MidiStreamPlayer player;
  ASSERT_TRUE(Load(player, file.Bytes()));
  player.Play(true);
  Run(player, 20);
  EXPECT_FALSE(player.IsPlaying());
  EXPECT_EQ(recorder_.Count(), 2u) << "played once, not thousands of times";
  EXPECT_NE(LogText().find("too short to loop"), std::string::npos);
}

TEST_F(MidiStreamPlayerTest, BrokenFilesAreRefusedAndNothingStaysLoaded) {
  const std::vector<uint8_t> good = SmallSong();
  std::vector<std::pair<const char*, std::vector<uint8_t>>> cases;
  cases.push_back({"empty", {}});
  cases.push_back({"shorter than the header", std::vector<uint8_t>(good.begin(), good.begin() + 10)});
  {
    std::vector<uint8_t> bytes = good;
    bytes[7] = 7;
    cases.push_back({"header length 7", bytes});
  }
  {
    std::vector<uint8_t> bytes = good;
    bytes[3] = 'x';
    cases.push_back({"no MThd", bytes});
  }
  {
    std::vector<uint8_t> bytes = good;
    bytes[17] = 'x';
    cases.push_back({"no MTrk: the only chunk is of another kind", bytes});
  }
  {
    std::vector<uint8_t> bytes = WithOtherChunk(good, 14, {1, 2});
    bytes[18] = 0x7F;  // it claims 2 GB
    cases.push_back({"a chunk of another kind longer than the file", bytes});
  }
  {
    std::vector<uint8_t> bytes = WithOtherChunk(good, 14, {1, 2});
    bytes[21] = static_cast<uint8_t>(bytes.size() - 22 + 3);
    cases.push_back({"a chunk of another kind a few bytes short", bytes});
  }
  cases.push_back({"truncated in the track", std::vector<uint8_t>(good.begin(), good.end() - 5)});
  {
    std::vector<uint8_t> bytes = good;
    bytes[21] += 3;
    cases.push_back({"a track a few bytes short", bytes});
  }
  {
    std::vector<uint8_t> bytes = good;
    bytes[18] = 0x7F;  // the track claims 2 GB
    cases.push_back({"lying track length", bytes});
  }
  {
    std::vector<uint8_t> bytes = good;
    bytes[11] = 2;  // two tracks announced, one present
    cases.push_back({"missing track", bytes});
  }
  {
    std::vector<uint8_t> bytes = good;
    bytes[12] = 0;
    bytes[13] = 0;
    cases.push_back({"division 0", bytes});
  }
  {
    MidiFileBuilder file(0, 100);
    file.AddTrack().Raw({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 100});
    cases.push_back({"five-byte delta", file.Bytes()});
  }
  {
    MidiFileBuilder file(0, 100);
    file.AddTrack().Raw({0x00, 0x3C, 0x40}).End();
    cases.push_back({"missing running status", file.Bytes()});
  }
  {
    MidiFileBuilder file(0, 100);
    file.AddTrack().Raw({0x00, 0xFF, 0x01, 0x40, 'a'});
    cases.push_back({"meta longer than its track", file.Bytes()});
  }
  {
    MidiFileBuilder file(0, 100);
    file.AddTrack().Raw({0x00, 0xF0, 0x83});
    cases.push_back({"SysEx length cut off", file.Bytes()});
  }

  MidiStreamPlayer player;
  for (const auto& [name, bytes] : cases) {
    EXPECT_EQ(player.Load(bytes.data(), bytes.size(), nullptr), 0) << name;
    EXPECT_FALSE(player.IsLoaded()) << name;
  }
  const std::string log = LogText();
  EXPECT_NE(log.find("Reference to missing running status."), std::string::npos);
  EXPECT_NE(log.find("Meta event truncated"), std::string::npos);
  EXPECT_NE(log.find("SysEx event truncated (length)"), std::string::npos);
  EXPECT_NE(log.find("header length is not 6"), std::string::npos);
  EXPECT_NE(log.find("a chunk before track 0 claims more bytes than the file holds"), std::string::npos);

  // The player is still good for a sound song, and only for one.
  ASSERT_TRUE(Load(player, good));
  EXPECT_FALSE(Load(player, good));
  const int64_t start = NowUs();
  player.Play(false);
  Run(player, 300);
  EXPECT_EQ(HeardSince(start), kSmallSongHeard);
}

TEST_F(MidiStreamPlayerTest, ChannelVolumeIsSentOnlyWhilePlaying) {
  MidiStreamPlayer player;
  EXPECT_EQ(player.GetVolume(), 0u) << "no channels before a load";
  ASSERT_TRUE(Load(player, SmallSong()));
  player.SetChannelVolume(2, 50);
  EXPECT_EQ(recorder_.Count(), 0u);
  player.Play(false);
  player.SetChannelVolume(2, 150);
  player.SetChannelVolume(99, 10);  // no such channel
  EXPECT_EQ(player.GetChannelVolume(2), 100u);
  player.SetChannelVolume(2, 50);
  EXPECT_EQ(player.GetChannelVolume(2), 50u);
  // The song's own first events play meanwhile; the volume messages go out at once.
  std::vector<uint32_t> volume_messages;
  for (const platform::MidiRecorder::Entry& entry : recorder_.Entries()) {
    if ((entry.message & 0xFF) == 0xB2) volume_messages.push_back(entry.message);
  }
  EXPECT_EQ(volume_messages, (std::vector<uint32_t>{Msg(0xB2, 7, 127), Msg(0xB2, 7, 63)}));
}

TEST_F(MidiStreamPlayerTest, DestroyingAPlayingPlayerStopsTheSong) {
  {
    MidiStreamPlayer player;
    ASSERT_TRUE(Load(player, SmallSong()));
    player.Play(true);
    Run(player, 60);
  }
  const size_t heard = recorder_.Count();
  clock_->Advance(1000);
  EXPECT_EQ(recorder_.Count(), heard);
  EXPECT_GE(recorder_.Silences(), 1);
}

// The engine thread drives the player while another thread moves the clock, so the device and
// the player's own thread run freely against the operations (ThreadSanitizer checks the locks).
TEST_F(MidiStreamPlayerTest, OperationsRaceTheDeviceSafely) {
  MidiStreamPlayer player;
  ASSERT_TRUE(Load(player, SmallSong()));
  std::atomic<bool> done{false};
  std::thread ticker([&] {
    while (!done) clock_->Advance(3);
  });
  for (int i = 0; i < 200; ++i) {
    switch (i % 7) {
      case 0:
        player.Play(i % 2 == 0);
        break;
      case 1:
        player.Pause();
        break;
      case 2:
        player.Resume();
        break;
      case 3:
        player.SetVolume(static_cast<uint32_t>(i % 100));
        break;
      case 4:
        player.SetTempoPercent(50 + i % 100);
        break;
      case 5:
        player.Stop(true);
        break;
      default:
        (void)player.IsPlaying();
        (void)player.GetVolume();
        break;
    }
  }
  done = true;
  ticker.join();
  player.WaitUntilSettled();
  EXPECT_EQ(player.Stop(true), 1);
  EXPECT_FALSE(player.IsPlaying());
}

// The end of a song (finished by the player's own thread) races a stop from the engine thread:
// whichever comes first, the song is stopped once, its buffers are freed once, and it plays
// again from the beginning afterwards.
TEST_F(MidiStreamPlayerTest, TheEndOfASongRacesAStopSafely) {
  MidiStreamPlayer player;
  ASSERT_TRUE(Load(player, SmallSong()));
  for (int round = 0; round < 30; ++round) {
    player.Play(false);
    player.WaitUntilSettled();
    std::thread ender([&] { clock_->Advance(260); });
    if (round % 2 == 0) player.Stop(true);
    ender.join();
    player.WaitUntilSettled();
    EXPECT_FALSE(player.IsPlaying());
  }
  recorder_.Clear();
  const int64_t start = NowUs();
  player.Play(false);
  Run(player, 300);
  EXPECT_EQ(HeardSince(start), kSmallSongHeard);
}

}  // namespace
}  // namespace engine
