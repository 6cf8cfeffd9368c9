// ctest-labels: sound tsan
#include "engine/media/music_module.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "engine/core/game_core.h"
#include "engine/core/name_key.h"
#include "engine/media/midi_stream_player.h"
#include "engine/media/resource_module.h"
#include "engine/media/resource_package.h"
#include "platform/files.h"
#include "platform/midi_recorder.h"
#include "platform/midi_sink.h"
#include "platform/sound_channel_null.h"
#include "tests/support/midi_file_builder.h"
#include "tests/support/music_fixture.h"
#include "tests/support/wave_file.h"

namespace engine {
namespace {

using test_support::MakeWave;

// The music module on null sound channels and a recording MIDI sink.
class MusicModuleTest : public test::MusicFixture<MusicModule> {
 protected:
  void SetUp() override {
    MusicFixture::SetUp();
    StartCore();
  }

  uint32_t StreamOf(const char* name) {
    uint32_t channel = 0;
    music_->LoadSoundByKey(MusicModule::SoundKey(name), &channel);
    return channel;
  }
};

TEST_F(MusicModuleTest, ASoundPlaysOnceAndGoesQuietlyWithoutAMessage) {
  AddMemorySound("SndTouchButton.wav", MakeWave(250));
  const ObjectMessage none{};
  const uint32_t channel = music_->PlaySound("SndTouchButton", 1, &none);
  ASSERT_NE(channel, 0u);
  EXPECT_EQ(backend_.StartCount(channel), 1u);
  EXPECT_EQ(music_->PlayingCount(), 1u);
  Run(240);
  EXPECT_EQ(music_->PlayingCount(), 1u);
  Run(120);
  EXPECT_EQ(music_->PlayingCount(), 0u);
  EXPECT_TRUE(posted_.empty());
  EXPECT_EQ(backend_.StartCount(channel), 1u);
}

TEST_F(MusicModuleTest, ACountedSoundRepeatsAndSendsItsMessageOnceAfterTheLastPlay) {
  AddMemorySound("SndHitButton.wav", MakeWave(250));
  const ObjectMessage done{42, 9001, 7, 8};
  const uint32_t channel = music_->PlaySound("skin\\SndHitButton.wav", 2, &done);  // only the title counts
  ASSERT_NE(channel, 0u);
  Run(360);
  EXPECT_EQ(backend_.StartCount(channel), 2u) << "restarted by the tick";
  EXPECT_TRUE(posted_.empty());
  Run(300);
  EXPECT_EQ(music_->PlayingCount(), 0u);
  ASSERT_EQ(posted_.size(), 1u);
  EXPECT_EQ(posted_[0]->target, 42u);
  EXPECT_EQ(posted_[0]->id, 9001u);
  EXPECT_EQ(posted_[0]->p1, 7u);
  EXPECT_EQ(posted_[0]->p2, 8u);
  EXPECT_EQ(backend_.StartCount(channel), 2u);
}

TEST_F(MusicModuleTest, TwoPlaysShareOneStreamAndAStopNotifiesAtOnce) {
  AddMemorySound("Deal.wav", MakeWave(300));
  const ObjectMessage first{1, 11, 0, 0}, second{2, 22, 0, 0};
  const uint32_t a = music_->PlaySound("Deal", 1, &first);
  Run(100);
  const uint32_t b = music_->PlaySound("Deal", 1, &second);
  EXPECT_EQ(a, b);
  EXPECT_EQ(backend_.StartCount(a), 1u) << "the second play does not restart the first";
  EXPECT_EQ(music_->PlayingCount(), 2u);

  EXPECT_EQ(music_->StopChannel(a), 1u);
  Run(30);
  // The first record of the channel goes at once; the other one, on a stream that no longer
  // plays, has its last play counted down by the next pass.
  ASSERT_EQ(posted_.size(), 2u);
  EXPECT_EQ(posted_[0]->id, 11u);
  EXPECT_EQ(posted_[1]->id, 22u);
  EXPECT_EQ(music_->PlayingCount(), 0u);

  music_->PlaySound("Deal", 0, &first);
  music_->PlaySound("Deal", 0, &second);
  EXPECT_EQ(music_->IsChannelActive(a), platform::BASS_ACTIVE_PLAYING) << "resumed where it was stopped";
  music_->StopAll();
  Run(30);
  ASSERT_EQ(posted_.size(), 4u);
  EXPECT_EQ(posted_[2]->id, 11u);
  EXPECT_EQ(posted_[3]->id, 22u);
  EXPECT_EQ(music_->PlayingCount(), 0u);
  Run(1000);
  EXPECT_EQ(music_->IsChannelActive(a), platform::BASS_ACTIVE_STOPPED) << "a stopped sound is not started again";
  EXPECT_EQ(backend_.StartCount(a), 1u);
}

TEST_F(MusicModuleTest, MutedTheModulePlaysNothingAndUnloadsNothing) {
  AddMemorySound("Deal.wav", MakeWave(300));
  const uint32_t stream = StreamOf("Deal");
  ASSERT_NE(stream, 0u);
  music_->SetMute(1);
  EXPECT_EQ(music_->PlaySound("Deal", 1, nullptr), 0u);
  EXPECT_EQ(backend_.StartCount(stream), 0u);
  music_->UnloadSound("Deal");
  EXPECT_TRUE(music_->IsSoundLoaded(MusicModule::SoundKey("Deal")));
  music_->SetMute(0);
  EXPECT_EQ(music_->PlaySound("Deal", 1, nullptr), stream);
}

std::vector<uint8_t> ShortSong() {
  test_support::MidiFileBuilder file(0, 100);                                                 // 5 ms a tick
  file.AddTrack().Tempo(0, 500000).Event(0, {0x90, 60, 100}).Event(20, {0x80, 60, 0}).End();  // 100 ms
  return file.Bytes();
}

TEST_F(MusicModuleTest, MissingAndUndecodableSoundsAreRefusedHarmlessly) {
  const ObjectMessage done{1, 5, 0, 0};
  EXPECT_EQ(music_->PlaySound("NoSuchSound", 1, &done), 0u);
  EXPECT_EQ(music_->PlaySound(nullptr, 1, &done), 0u);
  AddMemorySound("Broken.wav", {'n', 'o', 't', ' ', 'a', ' ', 's', 'o', 'u', 'n', 'd'});
  EXPECT_EQ(music_->PlaySound("Broken", 1, &done), 0u);
  EXPECT_FALSE(music_->IsSoundLoaded(MusicModule::SoundKey("Broken"))) << "not entered with no stream";
  EXPECT_EQ(music_->PlaySound("Broken", 1, &done), 0u);
  // A sound is what its name declares: a MIDI song named as a WAV is no WAV (and goes to no
  // MIDI player), and a name of no sound type plays nothing whatever it holds.
  AddMemorySound("Tune.wav", ShortSong());
  EXPECT_EQ(music_->PlaySound("Tune", 1, &done), 0u);
  EXPECT_EQ(music_->GetMidiPlayer(), nullptr);
  AddMemorySound("Click.sound", MakeWave(100));
  EXPECT_EQ(music_->PlaySound("Click", 1, &done), 0u);
  EXPECT_NE(GameLog().find("is of no type that plays"), std::string::npos);
  EXPECT_EQ(music_->PlayingCount(), 0u);
  EXPECT_EQ(music_->StopChannel(12345), 0u);
  music_->UnloadSound("NoSuchSound");
  Run(300);
  EXPECT_TRUE(posted_.empty());
  EXPECT_NE(GameLog().find("cannot be played"), std::string::npos);
}

TEST_F(MusicModuleTest, ASoundFromMemoryPlaysAgainAfterItWasUnloaded) {
  AddMemorySound("Win.wav", MakeWave(100));
  ASSERT_NE(music_->PlaySound("Win", 1, nullptr), 0u);
  Run(300);
  music_->UnloadSound("Win");
  EXPECT_FALSE(music_->IsSoundLoaded(MusicModule::SoundKey("Win")));
  // The resource module still has the bytes it cannot read again.
  EXPECT_NE(music_->PlaySound("Win", 1, nullptr), 0u);
}

TEST_F(MusicModuleTest, ASoundFromAPackageFilePlaysAndItsBytesGoBackToTheResourceModule) {
  const std::vector<uint8_t> wave = MakeWave(200);
  ASSERT_TRUE(platform::CreateDirectories("pkgsrc"));
  ASSERT_TRUE(platform::WriteFileAtomic("pkgsrc/Shuffle.wav", wave.data(), wave.size()));
  ResourcePackage package("sounds", 4, 0, 0, 0);
  ASSERT_GT(package.AddFile("Shuffle.wav", "pkgsrc/Shuffle.wav", nullptr, 0, 0), 0u);
  ASSERT_EQ(package.Pack("sounds.qzr", 1), 1u);
  ASSERT_EQ(resources_->OpenPackage("sounds.qzr"), 1);

  const ObjectMessage done{3, 33, 0, 0};
  const uint32_t channel = music_->PlaySound("Shuffle", 1, &done);
  ASSERT_NE(channel, 0u);
  EXPECT_EQ(backend_.DurationMs(channel), 200u);
  // The package can read the member again, so its bytes were released.
  const ResourceRecord* record = resources_->FindRecord(MusicModule::SoundKey("Shuffle"));
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->data, nullptr);
  Run(320);
  ASSERT_EQ(posted_.size(), 1u);
  EXPECT_EQ(posted_[0]->id, 33u);
}

TEST_F(MusicModuleTest, UnloadingAPlayingSoundEndsItsPlays) {
  AddMemorySound("Loop.wav", MakeWave(100));
  const ObjectMessage done{4, 44, 0, 0};
  ASSERT_NE(music_->PlaySound("Loop", 0, &done), 0u);  // until stopped
  Run(500);
  EXPECT_EQ(music_->PlayingCount(), 1u);
  EXPECT_TRUE(posted_.empty());
  music_->UnloadSound("Loop");
  Run(30);
  EXPECT_EQ(music_->PlayingCount(), 0u);
  ASSERT_EQ(posted_.size(), 1u);
  EXPECT_EQ(posted_[0]->id, 44u);
}

TEST_F(MusicModuleTest, AMidiSongPlaysItsCountAndSendsItsMessage) {
  AddMemorySound("Theme.mid", ShortSong());
  const ObjectMessage done{5, 55, 0, 0};
  EXPECT_EQ(music_->PlaySound("Theme", 2, &done), 0u) << "MIDI plays on channel 0";
  ASSERT_NE(music_->GetMidiPlayer(), nullptr);
  EXPECT_EQ(music_->IsChannelActive(MusicModule::kMidiChannel), 1u);
  Run(600);
  EXPECT_EQ(recorder_.Count(), 4u) << "two plays of a note on and off";
  ASSERT_EQ(posted_.size(), 1u);
  EXPECT_EQ(posted_[0]->id, 55u);
  EXPECT_EQ(music_->PlayingCount(), 0u);

  // A song from memory is read again for every play.
  recorder_.Clear();
  EXPECT_EQ(music_->PlaySound("Theme", 1, nullptr), 0u);
  Run(300);
  EXPECT_EQ(recorder_.Count(), 2u);
}

TEST_F(MusicModuleTest, EveryRepeatOfAMidiSongWithALateTempoKeepsItsTimes) {
  // 96 ticks a quarter; the song sets 250000 only at tick 48, so its note ends after 375 ms.
  test_support::MidiFileBuilder file(0, 96);
  file.AddTrack().Event(0, {0x90, 60, 100}).Tempo(48, 250000).Event(48, {0x80, 60, 0}).End();
  AddMemorySound("Late.mid", file.Bytes());
  music_->PlaySound("Late", 3, nullptr);
  Run(1500);
  const std::vector<platform::MidiRecorder::Entry> heard = recorder_.Entries();
  ASSERT_EQ(heard.size(), 6u);
  for (size_t pass = 0; pass < 3; ++pass) {
    EXPECT_EQ(heard[2 * pass + 1].due_us - heard[2 * pass].due_us, 375000) << "pass " << pass;
  }
}

TEST_F(MusicModuleTest, ThePassThroughsReachTheSoundChannels) {
  AddMemorySound("Loop.wav", MakeWave(100));
  const uint32_t channel = StreamOf("Loop");
  ASSERT_NE(channel, 0u);
  EXPECT_EQ(music_->GetSoundVersion(), platform::kBassVersion);
  EXPECT_EQ(music_->ChannelFlags(channel, platform::BASS_SAMPLE_LOOP, platform::BASS_SAMPLE_LOOP),
            platform::BASS_SAMPLE_LOOP);
  EXPECT_EQ(music_->ChannelPlay(channel, 0), 1u);
  Step(250);
  EXPECT_EQ(music_->ChannelIsActive(channel), platform::BASS_ACTIVE_PLAYING);
  EXPECT_EQ(music_->ChannelPause(channel), 1u);
  EXPECT_EQ(music_->ChannelIsActive(channel), platform::BASS_ACTIVE_PAUSED);
  EXPECT_EQ(music_->ChannelStop(channel), 1u);
  EXPECT_EQ(music_->ChannelIsActive(channel), platform::BASS_ACTIVE_STOPPED);
  EXPECT_EQ(music_->ChannelSetAttribute(channel, platform::BASS_ATTRIB_VOL, 0.5f), 1);
  float volume = 0.0f;
  EXPECT_EQ(music_->ChannelGetAttribute(channel, platform::BASS_ATTRIB_VOL, &volume), 1);
  EXPECT_EQ(volume, 0.5f);
  EXPECT_EQ(music_->ChannelPlay(channel + 50, 0), 0u);
}

TEST_F(MusicModuleTest, StoppingTheMidiChannelEndsItsRecordAndUnloadingLetsThePlayerGo) {
  AddMemorySound("Theme.mid", ShortSong());
  const ObjectMessage done{6, 66, 0, 0};
  music_->PlaySound("Theme", 0, &done);
  Run(50);
  music_->PauseChannel(MusicModule::kMidiChannel);
  EXPECT_TRUE(music_->GetMidiPlayer()->IsPaused());
  music_->ResumeChannel(MusicModule::kMidiChannel, 0);
  EXPECT_FALSE(music_->GetMidiPlayer()->IsPaused());
  music_->StopChannel(MusicModule::kMidiChannel);
  Run(30);
  ASSERT_EQ(posted_.size(), 1u);
  EXPECT_EQ(music_->PlayingCount(), 0u);
  const size_t heard = recorder_.Count();
  Run(500);
  EXPECT_EQ(recorder_.Count(), heard) << "a stopped song is not started again";

  music_->UnloadSound("NotLoadedAnywhere");
  EXPECT_EQ(music_->GetMidiPlayer(), nullptr);
  EXPECT_EQ(music_->IsChannelActive(MusicModule::kMidiChannel), 0u);
}

TEST_F(MusicModuleTest, ABrokenMidiSongQueuesNothing) {
  std::vector<uint8_t> song = ShortSong();
  song.resize(song.size() - 6);
  AddMemorySound("Broken.mid", song);
  const ObjectMessage done{7, 77, 0, 0};
  EXPECT_EQ(music_->PlaySound("Broken", 1, &done), 0u);
  EXPECT_EQ(music_->PlayingCount(), 0u);
  EXPECT_EQ(music_->GetMidiPlayer(), nullptr);
}

size_t CountOf(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST_F(MusicModuleTest, LoadedSoundsStayWithinTheirBoundTheLeastRecentlyPlayedIdleOneGoingFirst) {
  // 42 s at 8000 Hz: 7,408,800 bytes each once converted; four fit in the bound, five do not.
  for (const char* name : {"A", "B", "C", "D", "E"}) AddMemorySound(std::string(name) + ".wav", MakeWave(42000));
  const uint32_t a = music_->PlaySound("A", 1, nullptr);
  const uint32_t b = music_->PlaySound("B", 1, nullptr);
  const uint32_t c = music_->PlaySound("C", 1, nullptr);
  ASSERT_NE(music_->PlaySound("D", 1, nullptr), 0u);
  EXPECT_EQ(music_->LoadedSoundBytes(), 4u * 7408800);
  // A, B and C stop and D plays on; B is played again and stopped: A is the least recently played.
  music_->StopChannel(a);
  music_->StopChannel(b);
  music_->StopChannel(c);
  music_->StopChannel(music_->PlaySound("B", 1, nullptr));
  const uint32_t e = music_->PlaySound("E", 0, nullptr);
  ASSERT_NE(e, 0u);
  auto loaded = [&](const char* name) { return music_->IsSoundLoaded(MusicModule::SoundKey(name)); };
  EXPECT_FALSE(loaded("A"));
  EXPECT_TRUE(loaded("B") && loaded("C") && loaded("D") && loaded("E"));
  EXPECT_LE(music_->LoadedSoundBytes(), MusicModule::kMaxLoadedSoundBytes);

  // With the four loaded ones playing there is no room for A, and nothing playing is let go.
  music_->PlaySound("B", 0, nullptr);
  music_->PlaySound("C", 0, nullptr);
  EXPECT_EQ(music_->PlaySound("A", 1, nullptr), 0u);
  EXPECT_TRUE(loaded("B") && loaded("C") && loaded("D") && loaded("E"));
  EXPECT_NE(GameLog().find("leave no room"), std::string::npos);
  // Once one stops, A plays again from the bytes the resource module kept.
  music_->StopChannel(e);
  EXPECT_NE(music_->PlaySound("A", 1, nullptr), 0u);
  EXPECT_FALSE(loaded("E"));
  EXPECT_LE(music_->LoadedSoundBytes(), MusicModule::kMaxLoadedSoundBytes);
}

TEST_F(MusicModuleTest, MakingRoomLetsGoNeitherASoundWithAPlayQueuedNorAPausedOne) {
  // 42 s each: four fit in the bound. A plays twice; B was started and paused outside the
  // module's plays; C and D are loaded and idle. A is the least recently played, then B.
  for (const char* name : {"A", "B", "C", "D", "E"}) AddMemorySound(std::string(name) + ".wav", MakeWave(42000));
  const uint32_t a = music_->PlaySound("A", 2, nullptr);
  const uint32_t b = StreamOf("B");
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  music_->ChannelPlay(b, 0);
  music_->ChannelPause(b);
  ASSERT_NE(StreamOf("C"), 0u);
  ASSERT_NE(StreamOf("D"), 0u);
  // A's first play ends before the module's pass has started its second.
  Step(42500);
  ASSERT_EQ(music_->IsChannelActive(a), platform::BASS_ACTIVE_STOPPED);
  ASSERT_NE(music_->PlaySound("E", 1, nullptr), 0u);
  auto loaded = [&](const char* name) { return music_->IsSoundLoaded(MusicModule::SoundKey(name)); };
  EXPECT_TRUE(loaded("A")) << "a play of it is queued";
  EXPECT_TRUE(loaded("B")) << "it is paused";
  EXPECT_FALSE(loaded("C"));
  Run(10);
  EXPECT_EQ(backend_.StartCount(a), 2u);
  EXPECT_EQ(music_->IsChannelActive(b), platform::BASS_ACTIVE_PAUSED);
}

TEST_F(MusicModuleTest, UnloadingASoundThatWasLetGoLeavesTheMidiSongPlayingUntilItIsReadAgainOrTheModuleRestarts) {
  AddMemorySound("Theme.mid", ShortSong());
  music_->PlaySound("Theme", 0, nullptr);
  for (const char* name : {"A", "B", "C", "D", "E"}) {
    AddMemorySound(std::string(name) + ".wav", MakeWave(42000));
    ASSERT_NE(StreamOf(name), 0u);
  }
  ASSERT_FALSE(music_->IsSoundLoaded(MusicModule::SoundKey("A"))) << "let go to make room for E";
  music_->UnloadSound("A");
  ASSERT_NE(music_->GetMidiPlayer(), nullptr);
  EXPECT_EQ(music_->IsChannelActive(MusicModule::kMidiChannel), 1u);
  // B is let go for A, and read again (C is let go for it): once unloaded, its name is one the
  // module does not hold, which lets the song go as any such name does.
  EXPECT_NE(music_->PlaySound("A", 1, nullptr), 0u);
  EXPECT_NE(music_->PlaySound("B", 1, nullptr), 0u);
  music_->UnloadSound("B");
  ASSERT_NE(music_->GetMidiPlayer(), nullptr);
  music_->UnloadSound("B");
  EXPECT_EQ(music_->GetMidiPlayer(), nullptr);
  // A restart forgets what was let go.
  ASSERT_FALSE(music_->IsSoundLoaded(MusicModule::SoundKey("C")));
  music_->Exit();
  ASSERT_EQ(music_->Init(), 1);
  music_->PlaySound("Theme", 0, nullptr);
  ASSERT_NE(music_->GetMidiPlayer(), nullptr);
  music_->UnloadSound("C");
  EXPECT_EQ(music_->GetMidiPlayer(), nullptr);
}

TEST_F(MusicModuleTest, ARefusedSoundIsNotReadAgainUntilItIsUnloadedOrTheModuleRestarts) {
  AddMemorySound("Long.wav", MakeWave(60000));  // more than one sound may take
  std::vector<uint8_t> song = ShortSong();
  song.resize(song.size() - 6);
  AddMemorySound("Broken.mid", song);
  for (int play = 0; play < 3; ++play) {
    EXPECT_EQ(music_->PlaySound("Long", 1, nullptr), 0u);
    EXPECT_EQ(music_->PlaySound("Broken", 1, nullptr), 0u);
  }
  EXPECT_EQ(CountOf(GameLog(), "MusicModule: sound"), 1u);
  EXPECT_EQ(CountOf(GameLog(), "MusicModule: MIDI sound"), 1u);
  music_->UnloadSound("Long");
  EXPECT_EQ(music_->PlaySound("Long", 1, nullptr), 0u);
  EXPECT_EQ(CountOf(GameLog(), "MusicModule: sound"), 2u) << "read again once unloaded";
  EXPECT_EQ(music_->PlayingCount(), 0u);

  // Its bytes are mended: still refused until the module starts again.
  AddMemorySound("Long.wav", MakeWave(100));
  EXPECT_EQ(music_->PlaySound("Long", 1, nullptr), 0u);
  music_->Exit();
  ASSERT_EQ(music_->Init(), 1);
  EXPECT_NE(music_->PlaySound("Long", 1, nullptr), 0u);
}

TEST(MusicModuleInitTest, WithoutAnAudioDeviceTheEngineRunsWithoutTheModule) {
  platform::ScopedManualClock clock;
  platform::NullSoundBackend silent(false);
  platform::InstallSoundBackend(&silent);
  GameCore core;
  ASSERT_EQ(core.LoadModule(new ResourceModule(), true, true), QUILLARON_RETURN_OK);
  EXPECT_EQ(core.LoadModule(new MusicModule(), true, false), QUILLARON_RETURN_MODULE_INITIAL_FAILD);
  EXPECT_EQ(core.FindModule(MusicModule::kId), nullptr);
  platform::InstallSoundBackend(nullptr);

  // Nor does it come up without the resource module.
  platform::NullSoundBackend sound;
  platform::InstallSoundBackend(&sound);
  GameCore bare;
  EXPECT_EQ(bare.LoadModule(new MusicModule(), true, false), QUILLARON_RETURN_MODULE_INITIAL_FAILD);
  platform::InstallSoundBackend(nullptr);
}

}  // namespace
}  // namespace engine
