// What the sound fuzz target does with one input. Shared with the regression test that replays
// the inputs kept under tests/data/fuzz, so a crash found once stays fixed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/diagnostics.h"
#include "platform/sound_channel_null.h"

namespace fuzz {

// Makes a stream of the null sound backend from the bytes declared as each sound file type in
// turn (the backend decodes them as the SDL2_mixer one does, within the bounds of one sound),
// plays and frees it. Refusals are not reported: a run refuses millions of inputs.
inline void CreateNullStream(const uint8_t* data, size_t size) {
  const platform::ProblemSink previous = platform::SetProblemSink([](const std::string&) {});
  platform::NullSoundBackend backend;
  backend.Init(44100);
  for (platform::SoundFileType type :
       {platform::SoundFileType::kWav, platform::SoundFileType::kMp3, platform::SoundFileType::kOgg}) {
    const platform::HSTREAM stream = backend.CreateStream(type, data, size);
    if (stream == 0) continue;
    backend.Play(stream, true);
    backend.IsActive(stream);
    backend.FreeStream(stream);
  }
  platform::SetProblemSink(previous);
}

}  // namespace fuzz
