// libFuzzer target: sound files (WAV, MP3, Ogg Vorbis) decoded by their declared type.
#include "fuzz/wav_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::CreateNullStream(data, size);
  return 0;
}
