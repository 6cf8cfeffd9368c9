// libFuzzer target: the WAV header reading of the null sound backend.
#include "fuzz/wav_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::CreateNullStream(data, size);
  return 0;
}
