// The checks in front of the desktop's opener, and the opener itself (xdg-open through
// posix_spawn, Linux).
#include "platform/shell_open.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

#include "platform/ascii.h"
#include "platform/diagnostics.h"
#include "platform/files.h"
#include "platform/gbk.h"
#include "platform/window_backend.h"

extern char** environ;

namespace platform {
namespace {

bool HasControlByte(std::string_view text) {
  for (char c : text) {
    const auto b = static_cast<uint8_t>(c);
    if (b < 0x20 || b == 0x7F) return true;
  }
  return false;
}

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiLower(text[i]) != prefix[i]) return false;
  }
  return true;
}

bool IsHostCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool IsDigits(std::string_view text) {
  if (text.empty() || text.size() > 5) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// host, host:port, [v6] or [v6]:port, in plain ASCII; no user part.
bool IsPlainAuthority(std::string_view authority) {
  if (authority.empty()) return false;
  std::string_view host = authority;
  if (host.front() == '[') {
    const size_t close = host.find(']');
    if (close == std::string_view::npos || close == 1) return false;
    for (char c : host.substr(1, close - 1)) {
      const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
      if (!hex && c != ':' && c != '.') return false;
    }
    const std::string_view rest = host.substr(close + 1);
    return rest.empty() || (rest.front() == ':' && IsDigits(rest.substr(1)));
  }
  const size_t colon = host.find(':');
  if (colon != std::string_view::npos) {
    if (!IsDigits(host.substr(colon + 1))) return false;
    host = host.substr(0, colon);
  }
  if (host.empty() || host.front() == '.' || host.front() == '-') return false;
  for (char c : host) {
    if (!IsHostCharacter(c)) return false;
  }
  return true;
}

// Bytes that go into an address as they are; the rest is percent-encoded.
bool IsPlainAddressByte(uint8_t b) {
  if (b <= 0x20 || b >= 0x7F) return false;
  switch (b) {
    case '"':
    case '<':
    case '>':
    case '\\':
    case '^':
    case '`':
    case '{':
    case '|':
    case '}':
      return false;
    default:
      return true;
  }
}

bool CheckAddress(std::string_view text, std::string* out) {
  size_t scheme = 0;
  if (StartsWithNoCase(text, "http://")) {
    scheme = 7;
  } else if (StartsWithNoCase(text, "https://")) {
    scheme = 8;
  } else {
    return false;
  }
  const std::string_view after = text.substr(scheme);
  const size_t end = after.find_first_of("/?#");
  const std::string_view authority = after.substr(0, end);
  if (!IsPlainAuthority(authority)) return false;
  const std::string rest = GbkToUtf8(end == std::string_view::npos ? std::string_view{} : after.substr(end));
  std::string address = scheme == 7 ? "http://" : "https://";
  for (char c : authority) address += AsciiLower(c);
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (char c : rest) {
    const auto b = static_cast<uint8_t>(c);
    if (IsPlainAddressByte(b)) {
      address += c;
    } else {
      address += '%';
      address += kHex[b >> 4];
      address += kHex[b & 0xF];
    }
  }
  if (out != nullptr) *out = std::move(address);
  return true;
}

bool CheckFolder(std::string_view text, std::string* out) {
  // Only an absolute path: a relative one would depend on the working folder.
  if (text.empty() || (text.front() != '/' && text.front() != '\\')) return false;
  const std::filesystem::path native(NativePath(std::string(text)));
  std::error_code error;
  if (!std::filesystem::is_directory(native, error) || error) return false;
  const std::filesystem::path canonical = std::filesystem::canonical(native, error);
  if (error) return false;
  if (out != nullptr) *out = canonical.string();
  return true;
}

// The target as a log line may show it: bounded, control bytes replaced.
std::string Printable(std::string_view text) {
  std::string shown(text.substr(0, 120));
  for (char& c : shown) {
    const auto b = static_cast<uint8_t>(c);
    if (b < 0x20 || b == 0x7F) c = '?';
  }
  if (text.size() > shown.size()) shown += "...";
  return shown;
}

bool Open(std::string_view gbk_target, OpenTargetKind wanted, const char* what) {
  std::string target;
  const OpenTargetKind kind = CheckOpenTarget(gbk_target, &target);
  if (kind == OpenTargetKind::kRefused || (wanted != OpenTargetKind::kRefused && kind != wanted)) {
    ReportProblem("%s: \"%s\" refused (only http:// and https:// addresses and existing folders open)", what,
                  Printable(gbk_target).c_str());
    return false;
  }
  WindowBackend* backend = ActiveWindowBackend();
  if (backend == nullptr) {
    ReportProblem("%s: no window system to open \"%s\" with", what, Printable(gbk_target).c_str());
    return false;
  }
  return backend->OpenExternal(target);
}

}  // namespace

OpenTargetKind CheckOpenTarget(std::string_view gbk_target, std::string* utf8_out) {
  const std::string_view text = TrimSpaces(gbk_target);
  if (text.empty() || text.size() > kMaxOpenTarget || HasControlByte(text)) return OpenTargetKind::kRefused;
  if (CheckAddress(text, utf8_out)) return OpenTargetKind::kAddress;
  if (CheckFolder(text, utf8_out)) return OpenTargetKind::kFolder;
  return OpenTargetKind::kRefused;
}

bool OpenUrl(std::string_view gbk_address) { return Open(gbk_address, OpenTargetKind::kAddress, "OpenUrl"); }

bool OpenFolder(std::string_view gbk_path) { return Open(gbk_path, OpenTargetKind::kFolder, "OpenFolder"); }

bool ShellOpen(std::string_view gbk_target) { return Open(gbk_target, OpenTargetKind::kRefused, "ShellOpen"); }

bool LaunchOpener(const std::string& utf8_target) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  if (posix_spawn_file_actions_init(&actions) != 0) return false;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return false;
  }
  // No input from the program's terminal, none of the program's other files, default signal
  // handling, and a session of its own (the terminal's Ctrl-C does not reach the browser).
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
  sigset_t none;
  sigset_t all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);

  std::string program = "xdg-open";
  std::string argument = utf8_target;
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t pid = 0;
  const int result = posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (result != 0) {
    ReportProblem("xdg-open could not be started: %s", std::strerror(result));
    return false;
  }
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

}  // namespace platform
