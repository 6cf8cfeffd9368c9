// libFuzzer target: the ini file reader and writer over a file of arbitrary bytes.
#include "fuzz/ini_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ReadWriteIni(data, size, "fuzz-input.ini");
  return 0;
}
