// The server settings file beside the program: the first four characters of the program's
// file name followed by "svr.ini" (a program "zipai" reads "zipasvr.ini").
#pragma once

#include <string>

namespace shell {

// The settings file's path for a program name (the program's own name when empty).
std::string ServerIniPath(const std::string& program_name = {});
// "SoloAlone" / "KickTime" from that file; 120 when the file or the key is missing.
int ReadKickTime(const std::string& ini_path);

}  // namespace shell
