// Sound files read as the type their names declare, and held to what one sound may decode to.
//
// A ".wav" is read as a RIFF WAVE file, an ".mp3" as MPEG audio and an ".ogg" as Ogg Vorbis,
// each by its own reader and never by guessing from the bytes: bytes that are not what the name
// says are refused. The samples come out block by block, so that nothing is held whole before
// the bounds are known to hold. A sound is refused when its rate, its channels or its length
// pass the bounds below: before anything is decoded when its stream states them (a WAV's format
// and data size, an Ogg stream's rate and total), else at the first block past the bound.
//
// Needs SDL2 (its WAV reader), libvorbis with libogg (platform/ogg_vorbis.h) and libmpg123.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

enum class SoundFileType { kWav, kMp3, kOgg };

// The bounds of one sound: its sample rate, its channels and its length.
inline constexpr uint32_t kMinSoundRate = 4000;
inline constexpr uint32_t kMaxSoundRate = 96000;
inline constexpr uint32_t kMaxSoundChannels = 2;
inline constexpr uint32_t kMaxSoundSeconds = 600;
// What one sound may take once converted to the form it is played in (16-bit stereo at
// 44100 Hz: 47.5 s), and so the most it costs in memory: an effect is seconds long.
inline constexpr uint64_t kMaxSoundBytes = 8u << 20;

// What the decoded samples are: SDL's code of their format (AUDIO_S16SYS, AUDIO_U8, ...),
// channels interleaved, frames a second.
struct SoundForm {
  uint16_t format = 0;
  uint32_t channels = 0;
  uint32_t rate = 0;
  bool operator==(const SoundForm&) const = default;
  // Bytes of one frame (SDL's format codes hold the bits of a sample in their low byte).
  uint32_t FrameBytes() const { return (format & 0xFFu) / 8 * channels; }
};

// The form the sound channels open the device in: 16-bit stereo at the rate given.
SoundForm MixerForm(uint32_t rate);

// The bytes that `frames` frames at `rate` Hz take once converted to the form `played`
// (UINT64_MAX when that is past counting).
uint64_t ConvertedBytes(uint64_t frames, uint32_t rate, const SoundForm& played);

// Takes a sound's samples as they are decoded.
class SoundSink {
 public:
  virtual ~SoundSink() = default;
  // Once, before any samples. False refuses the sound.
  virtual bool Begin(const SoundForm& form) = 0;
  // Whole frames, in the form given to Begin. False refuses the sound.
  virtual bool Samples(const uint8_t* bytes, size_t count) = 0;
};

// Decodes the bytes as the declared type into the sink, for a sound played in the form `played`
// (what kMaxSoundBytes counts in). False, with a line that says why (through ReportProblem),
// when they are not a sound of that type, when the sound passes the bounds, or when the sink
// refuses it.
bool DecodeSound(SoundFileType type, const uint8_t* data, size_t length, const SoundForm& played, SoundSink& sink);

// The declared type's name, for log lines: "WAV", "MP3" or "Ogg Vorbis".
const char* SoundTypeName(SoundFileType type);

}  // namespace platform
