// Sample replays for the replay tests, and a way to forge files whose header stays sealed.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/replay_file.h"
#include "engine/media/byte_span.h"

namespace replay_samples {

// A three-chair game seen from chair 1, with records of every size from empty to a few KiB.
inline dialogs::ReplayFile SampleReplay(bool match, int record_count) {
  dialogs::ReplayFile r;
  r.match = match;
  r.start_time = {2026, 12, 7, 21, 4, 59, 0};
  r.table.chair_count = 3;
  r.table.own_chair = 1;
  r.table.user_id = 70002;
  r.table.room_record_id = 12;
  r.table.table_record_id = 34;
  r.table.game_number = 5;
  r.table.players = {{70001, 0, 3, 120, 5000, "东家"},
                     {70002, 1, 7, -40, 800, "lucky_player"},
                     {70003, 2, 1, 0, 0, "\xC4\xE3\xBA\xC3"}};  // two GBK characters
  r.table.table_block = {1, 2, 3, 4, 5, 6, 7, 8};
  if (match) r.match_info = {3, 1500, 2, "淘汰赛"};
  r.state_block.assign(dialogs::kReplayStateWords, -1);
  for (int chair = 0; chair < 3; ++chair) {
    for (int k = 0; k < 20; ++k) r.state_block[chair * 32 + k] = chair * 20 + k;
  }
  uint32_t time = 0;
  for (int i = 0; i < record_count; ++i) {
    dialogs::ReplayRecord rec;
    time += static_cast<uint32_t>((i * 37) % 900);  // some records share a time
    rec.time_ms = time;
    rec.id = i % 3 == 0 ? 229500 : (i % 3 == 1 ? 221170 : 223100);
    rec.data.resize(static_cast<size_t>((i * 131) % 3000));
    for (size_t k = 0; k < rec.data.size(); ++k) rec.data[k] = static_cast<uint8_t>(k * 7 + i);
    r.records.push_back(std::move(rec));
  }
  return r;
}

inline std::vector<uint8_t> Encode(const dialogs::ReplayFile& replay) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!dialogs::EncodeReplayFile(replay, &bytes, &error)) bytes.clear();
  return bytes;
}

// Recomputes the header's checksum, so a forged field is judged on its own merits.
inline void Seal(std::vector<uint8_t>& file) {
  namespace h = dialogs::replay_header;
  const size_t header = engine::ReadU16(file.data() + h::kHeaderSize);
  engine::WriteU32(file.data() + h::kHeaderCrc, dialogs::ReplayHeaderCrc(file.data(), header));
}

inline void SetU32(std::vector<uint8_t>& file, size_t offset, uint32_t value) {
  engine::WriteU32(file.data() + offset, value);
  Seal(file);
}

// The file with its body inflated, changed by edit, packed again and the header made to match.
inline std::vector<uint8_t> WithBody(const std::vector<uint8_t>& file,
                                     const std::function<void(std::vector<uint8_t>&)>& edit) {
  namespace h = dialogs::replay_header;
  const size_t header = engine::ReadU16(file.data() + h::kHeaderSize);
  uLongf body_size = engine::ReadU32(file.data() + h::kBodyLength);
  std::vector<uint8_t> body(body_size);
  uncompress(body.data(), &body_size, file.data() + header, static_cast<uLong>(file.size() - header));
  edit(body);
  uLongf packed_size = compressBound(static_cast<uLong>(body.size()));
  std::vector<uint8_t> packed(packed_size);
  compress(packed.data(), &packed_size, body.data(), static_cast<uLong>(body.size()));
  std::vector<uint8_t> out(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(header));
  out.insert(out.end(), packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(packed_size));
  engine::WriteU32(out.data() + h::kStoredLength, static_cast<uint32_t>(packed_size));
  engine::WriteU32(out.data() + h::kBodyLength, static_cast<uint32_t>(body.size()));
  Seal(out);
  return out;
}

}  // namespace replay_samples
