// libFuzzer target: the picture decoder on WBMP files (which carry no mark: the name says so).
#include "fuzz/picture_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::DecodePicture(data, size, platform::PictureFormat::kWbmp);
  return 0;
}
