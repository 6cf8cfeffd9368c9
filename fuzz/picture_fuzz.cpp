// libFuzzer target: the picture decoder (GIF through giflib, the other formats through SDL2_image).
#include "fuzz/picture_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::DecodePicture(data, size);
  return 0;
}
