// libFuzzer target: the standard MIDI file reader, and the rewriting of songs for FluidSynth.
#include "fuzz/midi_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ParseMidi(data, size);
  fuzz::RewriteMidiForFluidSynth(data, size);
  return 0;
}
