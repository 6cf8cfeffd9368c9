// The running program's name, read from /proc/self/exe (Linux).
#include "platform/process.h"

#include <unistd.h>

#include <climits>

#include "platform/gbk.h"

namespace platform {

std::string ExecutablePath() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

std::string ExecutableName() {
  const std::string full = ExecutablePath();
  if (full.empty()) return "game";
  size_t slash = full.rfind('/');
  std::string name = slash == std::string::npos ? full : full.substr(slash + 1);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return Utf8ToGbk(name);
}

}  // namespace platform
