// libFuzzer target: making a MIDI stream of a song, FluidSynth rendering it within its budget.
#include "fuzz/midi_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::MakeMidiStream(data, size);
  return 0;
}
