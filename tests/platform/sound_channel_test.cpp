// ctest-labels: sound tsan
#include "platform/sound_channel.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/diagnostics.h"
#include "platform/sdl_memory_watch.h"
#include "platform/sound_channel_null.h"
#include "tests/support/wave_file.h"

namespace platform {
namespace {

using test_support::MakeWave;

class NullSoundChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallSoundBackend(&backend_);
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
  }
  void TearDown() override {
    BASS_Free();
    InstallSoundBackend(nullptr);
  }
  HSTREAM Make(const std::vector<uint8_t>& bytes, SoundFileType type = SoundFileType::kWav) {
    return BASS_StreamCreateFile(true, bytes.data(), 0, bytes.size(), 0, type);
  }

  ScopedManualClock clock_;
  NullSoundBackend backend_;
};

TEST_F(NullSoundChannelTest, AStreamPlaysForItsLengthAndPlaysAgainFromTheStartAfterItsEnd) {
  const HSTREAM stream = Make(MakeWave(250));
  ASSERT_NE(stream, 0u);
  EXPECT_EQ(backend_.DurationMs(stream), 250u);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
  ASSERT_TRUE(BASS_ChannelPlay(stream, false));
  clock_->Advance(249);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PLAYING);
  BASS_ChannelPlay(stream, false);  // playing: goes on, not restarted
  EXPECT_EQ(backend_.StartCount(stream), 1u);
  clock_->Advance(1);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
  // A button sound is started without restart each time: after its end it must play again.
  BASS_ChannelPlay(stream, false);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PLAYING);
  EXPECT_EQ(backend_.StartCount(stream), 2u);
  clock_->Advance(100);
  BASS_ChannelPlay(stream, true);
  EXPECT_EQ(backend_.StartCount(stream), 3u);
  clock_->Advance(200);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PLAYING) << "restarted 200 ms ago";
}

TEST_F(NullSoundChannelTest, PauseAndStopKeepThePositionForTheNextPlay) {
  const HSTREAM stream = Make(MakeWave(300));
  BASS_ChannelPlay(stream, false);
  clock_->Advance(100);
  ASSERT_TRUE(BASS_ChannelPause(stream));
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PAUSED);
  clock_->Advance(1000);
  BASS_ChannelPlay(stream, false);  // resumes at 100 ms
  clock_->Advance(100);
  ASSERT_TRUE(BASS_ChannelStop(stream));
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
  clock_->Advance(1000);
  BASS_ChannelPlay(stream, false);  // resumes at 200 ms
  EXPECT_EQ(backend_.StartCount(stream), 1u);
  clock_->Advance(99);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PLAYING);
  clock_->Advance(1);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
  EXPECT_FALSE(BASS_ChannelPause(stream)) << "an ended stream does not pause";
}

TEST_F(NullSoundChannelTest, BytesThatAreNoSoundMakeNoStream) {
  EXPECT_EQ(Make({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}), 0u);
  std::vector<uint8_t> wave = MakeWave(100);
  EXPECT_EQ(BASS_StreamCreateFile(true, wave.data(), 0, 0, 0, SoundFileType::kWav), 0u);
  EXPECT_EQ(Make(std::vector<uint8_t>(wave.begin(), wave.begin() + 30)), 0u) << "fmt cut off";
  std::vector<uint8_t> no_rate = wave;
  no_rate[24] = no_rate[25] = no_rate[26] = no_rate[27] = 0;
  EXPECT_EQ(Make(no_rate), 0u);
  std::vector<uint8_t> lying = wave;
  lying[40] = 0xFF;
  lying[41] = 0xFF;
  lying[42] = 0xFF;
  lying[43] = 0x7F;  // data claims 2 GB: plays the 100 ms it has
  const HSTREAM stream = Make(lying);
  ASSERT_NE(stream, 0u);
  EXPECT_EQ(backend_.DurationMs(stream), 100u);
  // A chunk before the data that claims more bytes than the file has left: nothing past it is read.
  std::vector<uint8_t> overlong = wave;
  const std::vector<uint8_t> list = {'L', 'I', 'S', 'T', 0x00, 0xFF, 0xFF, 0xFF};
  overlong.insert(overlong.begin() + 36, list.begin(), list.end());
  EXPECT_EQ(Make(overlong), 0u);
  EXPECT_EQ(Make({'O', 'g', 'g', 'S', 0}, SoundFileType::kOgg), 0u) << "an Ogg page header and no Vorbis";
  EXPECT_FALSE(BASS_ChannelPlay(12345, false));
  EXPECT_EQ(BASS_ChannelIsActive(12345), BASS_ACTIVE_STOPPED);
}

// A MIDI song of one note half a second long.
const std::vector<uint8_t> kMidiSong = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0,    96,   'M', 'T', 'r', 'k',
                                        0,   0,   0,   12,  0, 0x90, 0x3C, 0x40, 96, 0x80, 0x3C, 0, 0,   0xFF, 0x2F, 0};

TEST_F(NullSoundChannelTest, ASoundIsReadAsTheTypeItsNameDeclaresAndNothingElse) {
  const std::vector<uint8_t> wave = MakeWave(250);
  const std::vector<uint8_t> mp3 = test_support::MakeMp3(10);
  const std::vector<uint8_t> ogg = test_support::MakeOgg(500);
  EXPECT_EQ(backend_.DurationMs(Make(wave, SoundFileType::kWav)), 250u);
  EXPECT_EQ(backend_.DurationMs(Make(mp3, SoundFileType::kMp3)), 720u);
  EXPECT_EQ(backend_.DurationMs(Make(ogg, SoundFileType::kOgg)), 500u);
  for (SoundFileType type : {SoundFileType::kWav, SoundFileType::kMp3, SoundFileType::kOgg}) {
    EXPECT_EQ(Make(kMidiSong, type), 0u) << SoundTypeName(type);
  }
  EXPECT_EQ(Make(wave, SoundFileType::kOgg), 0u);
  EXPECT_EQ(Make(mp3, SoundFileType::kWav), 0u);
  EXPECT_EQ(Make(ogg, SoundFileType::kMp3), 0u);
}

// Counts what a decoder hands on.
struct CountingSink final : SoundSink {
  bool Begin(const SoundForm&) override { return begun = true; }
  bool Samples(const uint8_t*, size_t count) override {
    bytes += count;
    return true;
  }
  bool begun = false;
  uint64_t bytes = 0;
};

TEST_F(NullSoundChannelTest, ASoundPastTheBoundsOfRateChannelsLengthOrSizeIsRefused) {
  EXPECT_EQ(Make(MakeWave(2900000, 1)), 0u) << "2900 samples at 1 Hz";
  EXPECT_EQ(Make(MakeWave(1000, kMaxSoundRate + 1)), 0u);
  EXPECT_NE(Make(MakeWave(1000, 8000, 2)), 0u);
  EXPECT_EQ(Make(MakeWave(1000, 8000, 3)), 0u) << "three channels";
  // One sound takes at most 8 MiB once converted to the device's 16-bit stereo at 44100 Hz:
  // 47554 ms of it. What a stream takes is its length in bytes.
  const uint32_t longest_ms = kMaxSoundBytes / 4 * 1000 / 44100;
  const HSTREAM longest = Make(MakeWave(longest_ms));
  ASSERT_NE(longest, 0u);
  EXPECT_LE(BASS_ChannelGetLength(longest, BASS_POS_BYTE), kMaxSoundBytes);
  EXPECT_GT(BASS_ChannelGetLength(longest, BASS_POS_BYTE), kMaxSoundBytes - 176) << "within a millisecond";
  EXPECT_EQ(Make(MakeWave(longest_ms + 1)), 0u);
  // 72 ms an MP3 frame: 660 frames are 47.52 s, 661 are 47.592 s.
  EXPECT_NE(Make(test_support::MakeMp3(660), SoundFileType::kMp3), 0u);
  EXPECT_EQ(Make(test_support::MakeMp3(661), SoundFileType::kMp3), 0u);
  // Played as 8-bit mono at 4000 Hz, ten minutes take less: there the length bound holds.
  const SoundForm narrow{0x0008, 1, 4000};  // AUDIO_U8
  CountingSink sink;
  const std::vector<uint8_t> ten_minutes = MakeWave(kMaxSoundSeconds * 1000, kMinSoundRate);
  EXPECT_TRUE(DecodeSound(SoundFileType::kWav, ten_minutes.data(), ten_minutes.size(), narrow, sink));
  const std::vector<uint8_t> longer = MakeWave(kMaxSoundSeconds * 1000 + 1, kMinSoundRate);
  EXPECT_FALSE(DecodeSound(SoundFileType::kWav, longer.data(), longer.size(), narrow, sink));
}

TEST(SoundDecodeTest, ALengthTheStreamStatesIsHeldToTheBoundsBeforeAnySampleIsDecoded) {
  // 60 s at 8000 Hz take 10.6 MB once converted. An Ogg stream states its total, a WAV its data size.
  const SoundForm played = MixerForm(44100);
  for (const auto& [type, bytes] : {std::pair{SoundFileType::kOgg, test_support::MakeOgg(60000)},
                                    std::pair{SoundFileType::kWav, MakeWave(60000)}}) {
    CountingSink sink;
    EXPECT_FALSE(DecodeSound(type, bytes.data(), bytes.size(), played, sink)) << SoundTypeName(type);
    EXPECT_FALSE(sink.begun) << SoundTypeName(type);
  }
  // An MP3 states none: it is decoded up to the bound and no further (16-bit mono at 8000 Hz).
  const std::vector<uint8_t> mp3 = test_support::MakeMp3(834);
  CountingSink sink;
  EXPECT_FALSE(DecodeSound(SoundFileType::kMp3, mp3.data(), mp3.size(), played, sink));
  EXPECT_LE(sink.bytes, kMaxSoundBytes / 4 * 8000 / 44100 * 2);
}

TEST(SoundDecodeTest, AnAdpcmWaveIsHeldToItsLengthBeforeDecodingWhetherOrNotItStatesItsBlocksFrames) {
  // 2077 IMA ADPCM blocks of 505 frames at 22050 Hz: 8,391,080 bytes once converted, just past
  // the bound (at 504 frames a block they would be within it). SDL's reader works the frames of
  // a block out when the format states none (0, or a format chunk of 16 bytes), and decodes the
  // whole data before its length is known.
  using test_support::AdpcmWave;
  const SoundForm played = MixerForm(44100);
  for (const AdpcmWave& wave : {AdpcmWave{.blocks = 2077, .frames_a_block = 505}, AdpcmWave{.blocks = 2077},
                                AdpcmWave{.blocks = 2077, .format = AdpcmWave::kShort}}) {
    const std::vector<uint8_t> bytes = test_support::MakeAdpcmWave(wave);
    CountingSink sink;
    EXPECT_FALSE(DecodeSound(SoundFileType::kWav, bytes.data(), bytes.size(), played, sink));
    EXPECT_FALSE(sink.begun) << "format " << wave.format << " stating " << wave.frames_a_block;
  }
  const std::vector<uint8_t> shorter = test_support::MakeAdpcmWave({.blocks = 100, .format = AdpcmWave::kShort});
  CountingSink sink;
  EXPECT_TRUE(DecodeSound(SoundFileType::kWav, shorter.data(), shorter.size(), played, sink));
  EXPECT_EQ(sink.bytes, 100u * 505 * 2);
}

TEST(SoundDecodeTest, AnExtensibleAdpcmWaveIsReadWholeAndOneWhoseFieldsDisagreeIsRefusedWithTheReason) {
  // ffmpeg writes IMA and MS ADPCM past 48 kHz with the extensible format chunk: "valid bits" 4,
  // the frames a block after the subformat.
  using test_support::AdpcmWave;
  constexpr AdpcmWave kExtensible{.channels = 2, .rate = 96000, .format = AdpcmWave::kExtensible};
  auto with = [](AdpcmWave wave, uint16_t tag, uint16_t block, uint16_t frames_a_block) {
    wave.tag = tag;
    wave.block = block;
    wave.blocks = 95;
    wave.frames_a_block = frames_a_block;
    return wave;
  };
  struct Kept final : SoundSink {
    bool Begin(const SoundForm& form) override { return form.channels == 2; }
    bool Samples(const uint8_t* bytes, size_t count) override {
      samples.insert(samples.end(), reinterpret_cast<const int16_t*>(bytes),
                     reinterpret_cast<const int16_t*>(bytes + count));
      return true;
    }
    std::vector<int16_t> samples;
  };
  const struct {
    AdpcmWave wave;
    uint64_t frames_a_block;
  } read[] = {
      {with(kExtensible, 0x11, 2048, 2041), 2041},
      {with(kExtensible, 2, 1024, 1012), 1012},
      {with(kExtensible, 0x11, 2052, 0), 2041},  // stated none; IMA ADPCM reads groups of 4 bytes a channel
      {with({.channels = 2, .rate = 96000, .format = AdpcmWave::kExtensible, .coefficients = false}, 2, 1024, 1012),
       1012},  // no coefficients stated: the seven every MS ADPCM file has
  };
  for (const auto& [wave, frames_a_block] : read) {
    const std::vector<uint8_t> bytes = test_support::MakeAdpcmWave(wave);
    Kept sink;
    ASSERT_TRUE(DecodeSound(SoundFileType::kWav, bytes.data(), bytes.size(), MixerForm(44100), sink)) << wave.tag;
    ASSERT_EQ(sink.samples.size(), 95 * frames_a_block * 2) << wave.tag << " in blocks of " << wave.block;
    for (size_t i = 0; i < sink.samples.size(); ++i) ASSERT_EQ(sink.samples[i], i % 2 ? -1000 : 1000) << i;
  }
  auto of_blocks = [](AdpcmWave wave, uint32_t blocks) {
    wave.blocks = blocks;
    return wave;
  };
  const struct {
    AdpcmWave wave;
    const char* why;
  } refused[] = {
      {with(kExtensible, 0x11, 2048, 2040), "states 2040 frames a block where its blocks of 2048 bytes hold 2041"},
      {with(kExtensible, 2, 1024, 1010), "states 1010 frames a block where its blocks of 1024 bytes hold 1012"},
      {with({.format = AdpcmWave::kExtensible, .valid_bits = 505}, 0x11, 256, 505), "505 valid bits for samples of 4"},
      {with(kExtensible, 2, 8, 0), "ADPCM blocks of 8 bytes are shorter than their headers"},
      {with({.channels = 2}, 0x11, 4, 0), "ADPCM blocks of 4 bytes are shorter than their headers"},
      // A subformat of another family under an ADPCM tag is not ADPCM: SDL's reader knows it not.
      {with({.channels = 2, .format = AdpcmWave::kExtensible, .foreign_guid = true}, 0x11, 2048, 2041),
       "Unknown WAVE format GUID"},
      // 2300 blocks of 2041 frames at 96 kHz: 4,694,300 frames, 8,628,627 bytes once converted.
      {of_blocks(with(kExtensible, 0x11, 2048, 2041), 2300), "more than 8 MiB once converted"},
  };
  for (const auto& [wave, why] : refused) {
    const std::vector<uint8_t> bytes = test_support::MakeAdpcmWave(wave);
    std::string problem;
    const ProblemSink previous = SetProblemSink([&](const std::string& line) { problem += line; });
    CountingSink sink;
    EXPECT_FALSE(DecodeSound(SoundFileType::kWav, bytes.data(), bytes.size(), MixerForm(44100), sink));
    SetProblemSink(previous);
    EXPECT_NE(problem.find(why), std::string::npos) << problem;
    EXPECT_FALSE(sink.begun) << why << ": refused before it is decoded";
  }
}

TEST_F(NullSoundChannelTest, FreeReleasesEveryStreamAndVolumeIsKept) {
  Make(MakeWave(100));
  Make(MakeWave(100));
  EXPECT_EQ(backend_.StreamCount(), 2u);
  EXPECT_TRUE(BASS_SetVolume(0.5f));
  EXPECT_FALSE(BASS_SetVolume(1.5f));
  EXPECT_FLOAT_EQ(BASS_GetVolume(), 0.5f);
  BASS_Free();
  EXPECT_EQ(backend_.StreamCount(), 0u);
  EXPECT_EQ(Make(MakeWave(100)), 0u) << "no device after Free";
}

TEST_F(NullSoundChannelTest, ALoopingStreamPlaysUntilStoppedAndHasItsOwnVolume) {
  EXPECT_EQ(BASS_GetVersion(), 0x02040000u);
  const HSTREAM stream = Make(MakeWave(100));
  ASSERT_NE(stream, 0u);
  EXPECT_EQ(BASS_ChannelFlags(stream, 0, 0), 0u);
  EXPECT_EQ(BASS_ChannelFlags(stream, BASS_SAMPLE_LOOP, BASS_SAMPLE_LOOP), BASS_SAMPLE_LOOP);
  ASSERT_TRUE(BASS_ChannelPlay(stream, false));
  clock_->Advance(350);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PLAYING) << "past three ends of the sound";
  // No longer looping: this pass (at 50 of 100 ms) is the last.
  EXPECT_EQ(BASS_ChannelFlags(stream, 0, BASS_SAMPLE_LOOP), 0u);
  clock_->Advance(49);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PLAYING);
  clock_->Advance(1);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);

  float volume = 0.0f;
  ASSERT_TRUE(BASS_ChannelGetAttribute(stream, BASS_ATTRIB_VOL, &volume));
  EXPECT_EQ(volume, 1.0f);
  EXPECT_TRUE(BASS_ChannelSetAttribute(stream, BASS_ATTRIB_VOL, 0.25f));
  ASSERT_TRUE(BASS_ChannelGetAttribute(stream, BASS_ATTRIB_VOL, &volume));
  EXPECT_EQ(volume, 0.25f);
  EXPECT_FALSE(BASS_ChannelSetAttribute(stream, BASS_ATTRIB_VOL, 1.5f));
  EXPECT_FALSE(BASS_ChannelSetAttribute(stream, 99, 0.5f));
  // Streams that do not exist.
  EXPECT_EQ(BASS_ChannelFlags(stream + 100, BASS_SAMPLE_LOOP, BASS_SAMPLE_LOOP), kBassNoFlags);
  EXPECT_FALSE(BASS_ChannelGetAttribute(stream + 100, BASS_ATTRIB_VOL, &volume));
}

TEST(NullSoundBackendTest, WithoutAnAudioDeviceInitFails) {
  NullSoundBackend backend(false);
  InstallSoundBackend(&backend);
  EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
  InstallSoundBackend(nullptr);
}

// SDL2_mixer on SDL's dummy audio driver (the tests' environment): decoding and the states
// that do not depend on time.
TEST(SdlSoundBackendTest, DecodesEachTypeFromMemoryAndRefusesWhatItsTypeIsNot) {
  std::unique_ptr<SoundBackend> backend = MakeSdlSoundBackend();
  if (!backend->Init(44100)) GTEST_SKIP() << "no audio driver at all";
  const std::vector<uint8_t> wave = MakeWave(2000);
  const HSTREAM stream = backend->CreateStream(SoundFileType::kWav, wave.data(), wave.size());
  ASSERT_NE(stream, 0u);
  const std::vector<uint8_t> mp3 = test_support::MakeMp3(10);
  const std::vector<uint8_t> ogg = test_support::MakeOgg(500);
  EXPECT_NE(backend->CreateStream(SoundFileType::kMp3, mp3.data(), mp3.size()), 0u);
  EXPECT_NE(backend->CreateStream(SoundFileType::kOgg, ogg.data(), ogg.size()), 0u);
  // The mixer's own loader would take a MIDI song for one and render it whole, however long.
  EXPECT_EQ(backend->CreateStream(SoundFileType::kWav, kMidiSong.data(), kMidiSong.size()), 0u);
  const std::vector<uint8_t> slow = MakeWave(2900000, 1);
  EXPECT_EQ(backend->CreateStream(SoundFileType::kWav, slow.data(), slow.size()), 0u);
  const std::vector<uint8_t> garbage(64, 0x42);
  EXPECT_EQ(backend->CreateStream(SoundFileType::kWav, garbage.data(), garbage.size()), 0u);
  EXPECT_TRUE(backend->Play(stream, false));
  EXPECT_EQ(backend->IsActive(stream), BASS_ACTIVE_PLAYING);
  EXPECT_TRUE(backend->Pause(stream));
  EXPECT_EQ(backend->IsActive(stream), BASS_ACTIVE_PAUSED);
  EXPECT_TRUE(backend->StopChannel(stream));
  EXPECT_EQ(backend->IsActive(stream), BASS_ACTIVE_STOPPED);
  EXPECT_TRUE(backend->Play(stream, false));
  EXPECT_EQ(backend->IsActive(stream), BASS_ACTIVE_PLAYING);
  backend->SetVolume(0.25f);
  EXPECT_FLOAT_EQ(backend->GetVolume(), 0.25f);
  EXPECT_TRUE(backend->FreeStream(stream));
  EXPECT_FALSE(backend->FreeStream(stream));
  backend->Free();
}

TEST(SdlSoundBackendTest, NoChunkTakesMoreThanOneSoundMayAndADataChunkPastTheFileIsReadWithinIt) {
  std::unique_ptr<SoundBackend> backend = MakeSdlSoundBackend();
  if (!backend->Init(44100)) GTEST_SKIP() << "no audio driver at all";
  const uint64_t most = kMaxSoundBytes + 65536;  // the converter may round up by a few frames
  {
    // 60 s of MP3, which states no length: converted up to the bound, and refused there.
    ScopedSdlMemoryWatch watch;
    const std::vector<uint8_t> mp3 = test_support::MakeMp3(834);
    EXPECT_EQ(backend->CreateStream(SoundFileType::kMp3, mp3.data(), mp3.size()), 0u);
    const std::vector<uint8_t> longest = test_support::MakeMp3(660);
    const HSTREAM stream = backend->CreateStream(SoundFileType::kMp3, longest.data(), longest.size());
    ASSERT_NE(stream, 0u);
    EXPECT_LE(backend->Length(stream), kMaxSoundBytes);
    EXPECT_LE(watch.LargestBlock(), most);
  }
  {
    // 100 ms whose data chunk claims 2 GB.
    ScopedSdlMemoryWatch watch;
    std::vector<uint8_t> lying = MakeWave(100);
    lying[40] = lying[41] = lying[42] = 0xFF;
    lying[43] = 0x7F;
    const HSTREAM stream = backend->CreateStream(SoundFileType::kWav, lying.data(), lying.size());
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(backend->Length(stream), 17640u) << "100 ms of 16-bit stereo at 44100 Hz";
    EXPECT_LT(watch.LargestBlock(), 65536u);
  }
  backend->Free();
}

}  // namespace
}  // namespace platform
