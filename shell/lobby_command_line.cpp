#include "shell/lobby_command_line.h"

#include "platform/files.h"
#include "platform/gbk.h"

namespace shell {
namespace {

// A whole field as an unsigned number: decimal digits, or hexadecimal digits after "0x". Nothing
// else is taken: no sign, no blank, no second prefix.
bool ReadNumber(const std::string& text, uint64_t limit, uint64_t* out) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const size_t first = hex ? 2 : 0;
  const uint64_t base = hex ? 16 : 10;
  if (text.size() == first) return false;
  uint64_t value = 0;
  for (size_t i = first; i < text.size(); ++i) {
    const char c = text[i];
    uint64_t digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<uint64_t>(c - '0');
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = static_cast<uint64_t>(c - 'a' + 10);
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = static_cast<uint64_t>(c - 'A' + 10);
    } else {
      return false;
    }
    if (digit > limit || value > (limit - digit) / base) return false;
    value = value * base + digit;
  }
  *out = value;
  return true;
}

// How a field is named in a refusal: its text quoted, as a terminal can show it (a blank as a
// blank; the quote and the backslash as \" and \\, so that neither reads as the quote's end or as
// an escape; controls, bidirectional controls and bytes of no UTF-8 character escaped), so the
// reason says exactly what was given.
std::string Quoted(const std::string& text) {
  std::string quoted(1, '"');
  size_t start = 0;
  // Both are ASCII, never a byte within a UTF-8 character: the text is cut before each.
  for (size_t at; (at = text.find_first_of("\"\\", start)) != std::string::npos; start = at + 1) {
    quoted += platform::PrintableUtf8(std::string_view(text).substr(start, at - start));
    quoted += '\\';
    quoted += text[at];
  }
  quoted += platform::PrintableUtf8(std::string_view(text).substr(start));
  quoted += '"';
  return quoted;
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
  if (!ReadNumber(f[0], UINT32_MAX, &v)) return refuse("game id " + Quoted(f[0]) + " is not a number");
  got.game_id = static_cast<uint32_t>(v);
  // The name becomes the game's ini file beside the program: one plain file name.
  if (!platform::IsPlainFileName(f[1])) return refuse("game name " + Quoted(f[1]) + " is not a plain file name");
  got.game_name = f[1];
  got.server_address = f[2];
  if (!f[3].empty()) {
    // 0, like an empty field, asks for the default port.
    if (!ReadNumber(f[3], UINT16_MAX, &v)) {
      return refuse("server port " + Quoted(f[3]) + " is not one of 1 to 65535 (or 0 or empty for the default " +
                    std::to_string(kDefaultServerPort) + ")");
    }
    if (v != 0) got.server_port = static_cast<uint16_t>(v);
  }
  if (!ReadNumber(f[4], UINTPTR_MAX, &v)) return refuse("lobby window " + Quoted(f[4]) + " is not a number");
  got.lobby_window = static_cast<uintptr_t>(v);
  if (!ReadNumber(f[5], UINT32_MAX, &v)) return refuse("user id " + Quoted(f[5]) + " is not a number");
  got.user_id = static_cast<uint32_t>(v);
  if (!ReadNumber(f[6], UINT32_MAX, &v)) return refuse("table " + Quoted(f[6]) + " is not a number");
  got.table = static_cast<uint32_t>(v);
  if (!ReadNumber(f[7], 7, &v)) return refuse("chair " + Quoted(f[7]) + " is not one of 0 to 7");
  got.chair = static_cast<int32_t>(v);
  if (!ReadNumber(f[8], UINT32_MAX, &v)) return refuse("table options " + Quoted(f[8]) + " are not a number");
  got.table_options = static_cast<uint32_t>(v);
  // The optional fields may be left empty; what they hold must read whole.
  if (f.size() > 9 && !f[9].empty()) {
    if (!ReadNumber(f[9], UINT32_MAX, &v)) return refuse("field 9 " + Quoted(f[9]) + " is not a number");
    got.field9 = static_cast<uint32_t>(v);
  }
  if (f.size() > 10 && !f[10].empty()) {
    if (!ReadNumber(f[10], UINT32_MAX, &v)) return refuse("look-on " + Quoted(f[10]) + " is not a number");
    got.look_on = v != 0;
  }
  if (out) *out = std::move(got);
  return true;
}

}  // namespace shell
