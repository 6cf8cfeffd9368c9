// libFuzzer target: the palette pattern (.quad) loader, from memory and from a file.
#include "fuzz/format_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::LoadQuad(data, size, "fuzz-input.quad");
  return 0;
}
