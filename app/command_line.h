// What the programs' command lines share: "--help" and "-h" ask for the usage (on stdout, status
// 0), and an argument that starts with '-' is an option, never a file or folder name (a file of
// such a name is reached as "./-x"); an unknown one is refused with the usage and status 2.
#pragma once

#include <string_view>

namespace cli {

inline bool IsHelpArgument(std::string_view arg) { return arg == "--help" || arg == "-h"; }

inline bool IsOptionArgument(std::string_view arg) { return arg.size() > 1 && arg[0] == '-'; }

}  // namespace cli
