// What the replay fuzz target does with one input. Shared with the regression test that
// replays the inputs kept under tests/data/fuzz, so a crash found once stays fixed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/replay_file.h"

namespace fuzz {

// Reads a replay file; one that is read must hold only what its limits allow, and must write
// back to a file that reads as the same game.
inline void ReadReplay(const uint8_t* data, size_t size) {
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

}  // namespace fuzz
