// libFuzzer target: the standard MIDI file reader.
#include "fuzz/midi_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ParseMidi(data, size);
  return 0;
}
