// libFuzzer target: the .pps picture decoder.
#include "fuzz/format_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::DecodePps(data, size);
  return 0;
}
