// libFuzzer target: the picture decoder on MNG files (through libmng).
#include "fuzz/picture_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::DecodePicture(data, size);
  return 0;
}
