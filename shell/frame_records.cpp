#include "shell/frame_records.h"

#include <cstring>

namespace shell {

bool ReadSafeBoxRecord(const NotifyBody& body, SafeBoxRecord* record) {
  if (record == nullptr || body.data == nullptr || !body.Has(SafeBoxRecord::kBytes)) return false;
  record->user_id = body.WordAt(0);
  record->kind = body.WordAt(8);
  record->a = static_cast<int32_t>(body.WordAt(12));
  record->b = static_cast<int32_t>(body.WordAt(16));
  record->base_silver = static_cast<int32_t>(body.WordAt(20));
  record->where = body.WordAt(24);
  return true;
}

bool ReadChairRecords(const NotifyBody& body, ChairRecords* records) {
  constexpr uint32_t kSize = ChairRecords::kRecordBytes;
  if (records == nullptr || body.data == nullptr || body.length == 0 || body.length % kSize != 0 ||
      body.length / kSize > static_cast<uint32_t>(kMaxChairs)) {
    return false;
  }
  records->count = static_cast<int32_t>(body.length / kSize);
  for (int32_t c = 0; c < kMaxChairs; ++c) {
    ChairRecords::Record& record = records->chairs[c];
    if (c < records->count) {
      std::memcpy(record.bytes, body.data + static_cast<size_t>(c) * kSize, kSize);
    } else {
      record = ChairRecords::Record{};
    }
  }
  return true;
}

}  // namespace shell
