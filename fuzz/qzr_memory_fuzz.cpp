// libFuzzer target: the resource package reader over a package image in memory.
#include "fuzz/format_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ReadQzrMemory(data, size);
  return 0;
}
