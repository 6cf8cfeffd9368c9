// libFuzzer target: the .cur cursor file reader.
#include "fuzz/cursor_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ParseCursor(data, size);
  return 0;
}
