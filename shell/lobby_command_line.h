// The command line the lobby starts the client with: '|'-separated fields, at least 9, split
// into at most 30 (the 30th keeps the rest of the line, separators and all).
//
//   0 game id             1 game name (internal)     2 game server address
//   3 server port (empty or 0: 21524)                4 lobby window handle
//   5 user id             6 table number             7 chair (0..7; a looker's watched chair)
//   8 table options       9 field 9                 10 look-on (non-zero: the user only watches)
//
// Numbers are decimal digits, or hexadecimal digits after "0x", and nothing else (no sign, no
// blank). A number field that does not read whole, a port past 65535, or a game name that is
// not a plain file name (it names the game's ini file) refuses the whole line, with the reason.
// Fields 3, 9 and 10 may be empty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace shell {

inline constexpr uint16_t kDefaultServerPort = 21524;
inline constexpr int kMinCommandFields = 9;
inline constexpr int kMaxCommandFields = 30;

struct LobbyCommandLine {
  uint32_t game_id = 0;
  std::string game_name;
  std::string server_address;
  uint16_t server_port = kDefaultServerPort;
  uintptr_t lobby_window = 0;
  uint32_t user_id = 0;
  uint32_t table = 0;
  int32_t chair = 0;
  uint32_t table_options = 0;
  uint32_t field9 = 0;
  bool look_on = false;
  std::vector<std::string> fields;  // every field as split

  // False (out untouched) with the reason in *error when the line is refused.
  static bool Parse(const std::string& line, LobbyCommandLine* out, std::string* error);
};

// Splits at '|' into at most max_fields fields; the last keeps the rest of the text.
std::vector<std::string> SplitFields(const std::string& line, int max_fields);

}  // namespace shell
