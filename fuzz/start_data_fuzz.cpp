// libFuzzer target: the lobby's start data and command line from arbitrary bytes.
#include "fuzz/start_data_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ReadStartData(data, size);
  return 0;
}
