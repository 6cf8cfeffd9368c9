// What the sound fuzz target does with one input. Shared with the regression test that replays
// the inputs kept under tests/data/fuzz, so a crash found once stays fixed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "platform/diagnostics.h"
#include "platform/sound_channel.h"
#include "platform/sound_channel_null.h"

namespace fuzz {

// The client's own sound channels (SDL2_mixer), opened once on SDL's dummy audio driver, which
// mixes what plays and sends it nowhere; the null channels where SDL has no audio at all.
inline platform::SoundBackend& ClientSoundChannels() {
  static platform::SoundBackend* const channels = [] {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::unique_ptr<platform::SoundBackend> sdl = platform::MakeSdlSoundBackend();
    if (sdl->Init(44100)) return sdl.release();
    std::unique_ptr<platform::SoundBackend> null = std::make_unique<platform::NullSoundBackend>();
    null->Init(44100);
    return null.release();
  }();
  return *channels;
}

// Does with the bytes what the client does with a sound member: makes a stream of them, declared
// as each sound file type in turn (decoded and converted into the mixer's form within the bounds
// of one sound), plays it and frees it. Refusals are not reported: a run refuses millions of
// inputs.
inline void PlaySoundMember(const uint8_t* data, size_t size) {
  const platform::ProblemSink previous = platform::SetProblemSink([](const std::string&) {});
  platform::SoundBackend& channels = ClientSoundChannels();
  for (platform::SoundFileType type :
       {platform::SoundFileType::kWav, platform::SoundFileType::kMp3, platform::SoundFileType::kOgg}) {
    const platform::HSTREAM stream = channels.CreateStream(type, data, size);
    if (stream == 0) continue;
    channels.Play(stream, true);
    channels.IsActive(stream);
    channels.FreeStream(stream);
  }
  platform::SetProblemSink(previous);
}

}  // namespace fuzz
