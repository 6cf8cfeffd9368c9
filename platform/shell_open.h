// Opening an address or a folder with the desktop's own programs (the stand-in for
// ShellExecute). Addresses come from chat lines and server texts, so this is a security edge:
//   - only http:// and https:// addresses open, in the user's browser; their host must be a
//     plain host name, IPv4 or bracketed IPv6 address with an optional port (no user part);
//     the rest of the address is sent percent-encoded where it is not plain ASCII;
//   - a local path opens only when it is an absolute path to a folder that exists;
//   - everything else (file:, javascript:, mailto:, relative paths, missing folders, text with
//     control characters or too long) is refused with a log line and nothing is started.
// The opener is the system's xdg-open, started as a child process with the target as its one
// argument (never through a shell); the headless backend only records the target.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Longest target accepted, in bytes.
inline constexpr size_t kMaxOpenTarget = 2048;

enum class OpenTargetKind { kRefused, kAddress, kFolder };

// Decides what a GBK target would open as; for an accepted one *utf8_out (when given) receives
// exactly what the opener would be handed. Changes nothing and logs nothing.
OpenTargetKind CheckOpenTarget(std::string_view gbk_target, std::string* utf8_out);

// An http(s) address in the browser; false (with a log line) when refused or not started.
bool OpenUrl(std::string_view gbk_address);
// An existing local folder in the file manager; false (with a log line) otherwise.
bool OpenFolder(std::string_view gbk_path);
// Either of the two, as the text says; false (with a log line) for anything else.
bool ShellOpen(std::string_view gbk_target);

}  // namespace platform
