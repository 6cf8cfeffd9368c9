// libFuzzer target: the table's notification bodies and game messages from arbitrary bytes.
#include "fuzz/table_notify_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ReadTableNotices(data, size);
  return 0;
}
