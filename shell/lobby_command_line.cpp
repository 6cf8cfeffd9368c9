#include "shell/lobby_command_line.h"

#include <cerrno>
#include <cstdlib>

namespace shell {
namespace {

// A whole field as an unsigned number (decimal, or hexadecimal after "0x").
bool ReadNumber(const std::string& text, uint64_t limit, uint64_t* out) {
  if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  errno = 0;
  char* end = nullptr;
  const unsigned long long v = std::strtoull(text.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
  if (errno != 0 || end == nullptr || *end != '\0' || end == text.c_str() + (hex ? 2 : 0) || v > limit) return false;
  *out = v;
  return true;
}

}  // namespace

std::vector<std::string> SplitFields(const std::string& line, int max_fields) {
  std::vector<std::string> fields;
  if (max_fields < 1) return fields;
  size_t start = 0;
  while (static_cast<int>(fields.size()) < max_fields - 1) {
    const size_t bar = line.find('|', start);
    if (bar == std::string::npos) break;
    fields.push_back(line.substr(start, bar - start));
    start = bar + 1;
  }
  fields.push_back(line.substr(start));
  return fields;
}

bool LobbyCommandLine::Parse(const std::string& line, LobbyCommandLine* out, std::string* error) {
  auto refuse = [error](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  LobbyCommandLine got;
  got.fields = SplitFields(line, kMaxCommandFields);
  if (static_cast<int>(got.fields.size()) < kMinCommandFields) {
    return refuse("the command line has " + std::to_string(got.fields.size()) + " fields, fewer than 9");
  }
  const std::vector<std::string>& f = got.fields;
  uint64_t v = 0;
  if (!ReadNumber(f[0], UINT32_MAX, &v)) return refuse("game id \"" + f[0] + "\" is not a number");
  got.game_id = static_cast<uint32_t>(v);
  got.game_name = f[1];
  got.server_address = f[2];
  if (ReadNumber(f[3], UINT16_MAX, &v) && v != 0) got.server_port = static_cast<uint16_t>(v);
  if (!ReadNumber(f[4], UINTPTR_MAX, &v)) return refuse("lobby window \"" + f[4] + "\" is not a number");
  got.lobby_window = static_cast<uintptr_t>(v);
  if (!ReadNumber(f[5], UINT32_MAX, &v)) return refuse("user id \"" + f[5] + "\" is not a number");
  got.user_id = static_cast<uint32_t>(v);
  if (!ReadNumber(f[6], UINT32_MAX, &v)) return refuse("table \"" + f[6] + "\" is not a number");
  got.table = static_cast<uint32_t>(v);
  if (!ReadNumber(f[7], 7, &v)) return refuse("chair \"" + f[7] + "\" is not one of 0 to 7");
  got.chair = static_cast<int32_t>(v);
  if (!ReadNumber(f[8], UINT32_MAX, &v)) return refuse("table options \"" + f[8] + "\" are not a number");
  got.table_options = static_cast<uint32_t>(v);
  if (f.size() > 9 && ReadNumber(f[9], UINT32_MAX, &v)) got.field9 = static_cast<uint32_t>(v);
  if (f.size() > 10 && ReadNumber(f[10], UINT32_MAX, &v)) got.look_on = v != 0;
  if (out) *out = std::move(got);
  return true;
}

}  // namespace shell
