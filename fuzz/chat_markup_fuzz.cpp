// libFuzzer target: the chat display's markup reader over arbitrary bytes, into a real view.
#include "fuzz/chat_markup_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One scene for the whole run (it is never torn down: the process ends with it).
  static auto* scene = new fuzz::ChatMarkupScene();
  scene->Read(data, size);
  return 0;
}
