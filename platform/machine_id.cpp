#include "platform/machine_id.h"

#include <cctype>
#include <fstream>

namespace platform {
namespace {

std::string ReadId(const char* path) {
  std::ifstream in(path);
  std::string line;
  if (!in || !std::getline(in, line)) return {};
  std::string id;
  for (char c : line) {
    if (id.size() == 32) break;
    if (std::isxdigit(static_cast<unsigned char>(c)))
      id.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  }
  return id;
}

}  // namespace

const std::string& GetMachineId() {
  static const std::string id = [] {
    std::string found = ReadId("/etc/machine-id");
    if (found.empty()) found = ReadId("/var/lib/dbus/machine-id");
    return found;
  }();
  return id;
}

}  // namespace platform
