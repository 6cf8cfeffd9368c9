// What the replay fuzz target does with one input. Shared with the regression test that
// replays the inputs kept under tests/data/fuzz, so a crash found once stays fixed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/replay_file.h"
#include "engine/core/compression.h"
#include "engine/media/byte_span.h"

namespace fuzz {

// One read: a file that is read must hold only what its limits allow, and must write back to a
// file that reads as the same game.
inline void ReadReplayOnce(const uint8_t* data, size_t size) {
  dialogs::ReplayFile replay;
  std::string error;
  if (!dialogs::DecodeReplayFile(data, size, &replay, &error)) {
    if (error.empty()) __builtin_trap();
    return;
  }
  const dialogs::ReplayTableSnapshot& table = replay.table;
  if (table.chair_count < 1 || table.chair_count > 8) __builtin_trap();
  if (table.own_chair < 0 || table.own_chair >= table.chair_count) __builtin_trap();
  for (const dialogs::ReplayPlayer& p : table.players) {
    if (p.chair < 0 || p.chair >= table.chair_count || p.name.size() >= dialogs::kReplayNameBytes) __builtin_trap();
  }
  if (replay.state_block.size() > dialogs::kReplayStateWords) __builtin_trap();
  uint32_t last = 0;
  for (const dialogs::ReplayRecord& r : replay.records) {
    if (r.time_ms < last || r.data.size() > dialogs::kMaxReplayRecordBytes) __builtin_trap();
    last = r.time_ms;
  }
  std::vector<uint8_t> again;
  if (!dialogs::EncodeReplayFile(replay, &again, &error)) __builtin_trap();
  dialogs::ReplayFile back;
  if (!dialogs::DecodeReplayFile(again.data(), again.size(), &back, &error)) __builtin_trap();
  if (!(back.table == replay.table) || back.records != replay.records || back.state_block != replay.state_block ||
      back.match != replay.match || (replay.match && !(back.match_info == replay.match_info))) {
    __builtin_trap();
  }
}

// The input three ways: as it is; with its header's checksum made right, so the fields behind
// it are reached; and as a header followed by an unpacked body, which is packed here and the
// header's lengths and checksum made to match, so the body's fields are reached too.
inline void ReadReplay(const uint8_t* data, size_t size) {
  namespace h = dialogs::replay_header;
  ReadReplayOnce(data, size);
  if (size < dialogs::kReplayHeaderSize) return;
  const bool match = (engine::ReadU32(data + h::kFlags) & dialogs::kReplayFlagMatch) != 0;
  const size_t header = match ? dialogs::kMatchReplayHeaderSize : dialogs::kReplayHeaderSize;
  if (size < header) return;

  std::vector<uint8_t> sealed(data, data + size);
  engine::WriteU16(sealed.data() + h::kHeaderSize, static_cast<uint16_t>(header));
  engine::WriteU32(sealed.data() + h::kHeaderCrc, dialogs::ReplayHeaderCrc(sealed.data(), header));
  ReadReplayOnce(sealed.data(), sealed.size());

  uint32_t packed_size = 0;
  const std::unique_ptr<uint8_t[]> packed =
      engine::CompressBuffer(packed_size, data + header, static_cast<uint32_t>(size - header));
  if (!packed) return;
  std::vector<uint8_t> file(sealed.begin(), sealed.begin() + static_cast<std::ptrdiff_t>(header));
  file.insert(file.end(), packed.get(), packed.get() + packed_size);
  engine::WriteU32(file.data() + h::kStoredLength, packed_size);
  engine::WriteU32(file.data() + h::kBodyLength, static_cast<uint32_t>(size - header));
  engine::WriteU32(file.data() + h::kHeaderCrc, dialogs::ReplayHeaderCrc(file.data(), header));
  ReadReplayOnce(file.data(), file.size());
}

}  // namespace fuzz
