// libFuzzer target: sound files (WAV, MP3, Ogg Vorbis) made into streams of the client's sound
// channels, each read as its declared type and converted into the mixer's form.
#include "fuzz/wav_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::PlaySoundMember(data, size);
  return 0;
}
