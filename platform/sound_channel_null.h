// Sound channels that play nothing but keep time on the installed clock, for tests and for
// machines without sound.
//
// A stream lasts as long as its samples: the sound is decoded as the SDL2_mixer backend decodes it
// (sound_decode.h), for a device of 16-bit stereo at the rate given to Init, so the same bytes
// are refused here as there, and only its length is kept.
#pragma once

#include <map>
#include <mutex>

#include "platform/sound_channel.h"

namespace platform {

class NullSoundBackend final : public SoundBackend {
 public:
  // device_present false makes Init fail, as on a machine without an audio device.
  explicit NullSoundBackend(bool device_present = true) : device_present_(device_present) {}

  bool Init(uint32_t frequency) override;
  void Start() override;
  void Stop() override;
  void Free() override;
  float GetVolume() override;
  void SetVolume(float volume) override;
  HSTREAM CreateStream(SoundFileType type, const void* data, uint64_t length) override;
  uint64_t Length(HSTREAM stream) override;
  bool FreeStream(HSTREAM stream) override;
  bool Play(HSTREAM stream, bool restart) override;
  bool Pause(HSTREAM stream) override;
  bool StopChannel(HSTREAM stream) override;
  uint32_t IsActive(HSTREAM stream) override;
  bool SetLooping(HSTREAM stream, bool loop) override;
  bool IsLooping(HSTREAM stream, bool* loop) override;
  bool SetStreamVolume(HSTREAM stream, float volume) override;
  bool GetStreamVolume(HSTREAM stream, float* volume) override;

  // What a test looks at.
  bool IsOpen() const;
  size_t StreamCount() const;
  uint32_t DurationMs(HSTREAM stream) const;  // 0 for no such stream
  // How often the stream started from its beginning.
  uint32_t StartCount(HSTREAM stream) const;

 private:
  enum class State { kIdle, kPlaying, kPaused, kStopped };
  struct Stream {
    uint32_t duration_ms = 0;
    uint64_t bytes = 0;  // what its samples would take on the device
    State state = State::kIdle;
    uint32_t position_ms = 0;  // played before the current run
    uint32_t started_at = 0;   // tick count when the current run began
    uint32_t starts = 0;
    bool loop = false;    // never ends while playing
    float volume = 1.0f;  // its own volume
  };
  // Within the lock: whether a playing stream has reached its end by now.
  uint32_t Elapsed(const Stream& stream, uint32_t now) const;

  const bool device_present_;
  mutable std::mutex mutex_;
  bool open_ = false;
  SoundForm played_;
  float volume_ = 1.0f;
  std::map<HSTREAM, Stream> streams_;
  HSTREAM next_handle_ = 1;
};

}  // namespace platform
