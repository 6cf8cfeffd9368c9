// libFuzzer target: the replay file reader (and its writer, on what the reader accepts).
#include "fuzz/replay_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ReadReplay(data, size);
  return 0;
}
