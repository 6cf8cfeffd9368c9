// libFuzzer target: the resource package reader over a package file.
#include "fuzz/format_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ReadQzrFile(data, size, "fuzz-input.qzr");
  return 0;
}
