// respack: makes and inspects the engine's resource packages (.qzr) and pictures (.pps).
#pragma once

#include <string>
#include <vector>

namespace respack {

// Exit codes.
inline constexpr int kOk = 0;
inline constexpr int kBadInput = 1;
inline constexpr int kUsage = 2;

// A command's arguments after its name, as given (UTF-8); paths are converted to GBK inside.
using Args = std::vector<std::string>;

int Pack(const Args& args);
int List(const Args& args);
int Extract(const Args& args);
int Unpack(const Args& args);
int PpsEncode(const Args& args);
int PpsDecode(const Args& args);
int PpsInfo(const Args& args);

// Prints "respack: <reason>" (UTF-8, shown escaped where it is no text) on stderr and returns
// kBadInput.
int Refuse(const std::string& reason);

// A program-text name or path as the user typed or sees it (UTF-8).
std::string Shown(const std::string& name);
// A reason (program text) about the path the user gave, naming it once and as given: the
// reason alone when it names the path, else lead + the path + ": " + the reason.
std::string NamedOnce(const std::string& given, const std::string& reason, const std::string& lead = "");

// The GBK spelling of a UTF-8 command-line text (a resource name).
std::string Gbk(const std::string& utf8);
// A command-line path as the program's file functions take it: the same file, whatever the
// characters or bytes of its name.
std::string PathArg(const std::string& native);

}  // namespace respack
