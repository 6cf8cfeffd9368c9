#include "shell/server_settings.h"

#include "platform/files.h"
#include "platform/gbk.h"
#include "platform/process.h"
#include "platform/profile.h"

namespace shell {

std::string ServerIniPath(const std::string& program_name) {
  std::string name = program_name.empty() ? platform::ExecutableName() : program_name;
  // Cut after four bytes, but never through a double-byte GBK character.
  size_t cut = 0;
  while (cut < name.size() && cut < 4) {
    bool lead = platform::IsDBCSLeadByte(static_cast<uint8_t>(name[cut])) && cut + 1 < name.size();
    size_t step = lead ? 2 : 1;
    if (cut + step > 4) break;
    cut += step;
  }
  return platform::ExecutableDirectory() + name.substr(0, cut) + "svr.ini";
}

int ReadKickTime(const std::string& ini_path) {
  return static_cast<int>(platform::GetPrivateProfileIntA("SoloAlone", "KickTime", 120, ini_path.c_str()));
}

}  // namespace shell
