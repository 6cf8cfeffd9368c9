// libFuzzer target: the MIDI stream player loading a song and filling its stream buffers.
#include "fuzz/midi_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::PlayMidi(data, size);
  return 0;
}
