// What the start-data fuzz target does with one input: reads it as the lobby's start data and
// as the lobby's command line. Shared with the regression test that replays the inputs kept
// under tests/data/fuzz, so a crash found once stays fixed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "shell/enter_game_data.h"
#include "shell/lobby_command_line.h"

namespace fuzz {

inline void ReadStartData(const uint8_t* data, size_t size) {
  shell::EnterGameData table;
  std::string error;
  if (shell::EnterGameData::Parse(data, size, &table, &error)) {
    // Taken data seat every player on a chair of the table and write back to the same bytes.
    size_t text = 0;
    for (const shell::PlayerRecord& r : table.players) {
      if (r.Chair() < 0 || r.Chair() >= shell::kMaxChairs) __builtin_trap();
      text += r.Name().size() + r.SecondName().size() + r.LevelText().size();
    }
    for (const shell::PlayerRecord& r : table.lookers) text += r.Name().size() + r.SecondName().size();
    if (text > (table.players.size() + table.lookers.size()) * 64) __builtin_trap();
    const std::vector<uint8_t> again = table.Serialize();
    if (again.size() != size || std::memcmp(again.data(), data, size) != 0) __builtin_trap();
  }
  const std::string line(reinterpret_cast<const char*>(data), size);
  shell::LobbyCommandLine command;
  if (shell::LobbyCommandLine::Parse(line, &command, &error)) {
    if (command.fields.size() < 9 || command.fields.size() > 30) __builtin_trap();
    if (command.chair < 0 || command.chair > 7) __builtin_trap();
  }
}

}  // namespace fuzz
