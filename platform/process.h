// Facts about the running program.
#pragma once

#include <string>

namespace platform {

// The running executable's full path as the file system spells it (UTF-8); empty when unknown.
std::string ExecutablePath();

// The executable's file name without its folder and without an extension (GBK), as the
// Windows program file's name without ".exe" would read.
std::string ExecutableName();

}  // namespace platform
