// What the WAV fuzz target does with one input. Shared with the regression test that replays
// the inputs kept under tests/data/fuzz, so a crash found once stays fixed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/sound_channel_null.h"

namespace fuzz {

// Creates a stream of the null sound backend from the bytes (which reads a WAV file's chunks
// for its length), plays and frees it.
inline void CreateNullStream(const uint8_t* data, size_t size) {
  platform::NullSoundBackend backend;
  backend.Init(44100);
  const platform::HSTREAM stream = backend.CreateStream(data, size);
  if (stream == 0) return;
  backend.Play(stream, true);
  backend.IsActive(stream);
  backend.FreeStream(stream);
}

}  // namespace fuzz
