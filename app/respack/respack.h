// respack: makes and inspects the engine's resource packages (.qzr) and pictures (.pps).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace engine {
struct ImageRecord;
}

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

// pps-encode's last step: writes `file`, made from `source` with `codec`, to `path` only when it
// reads back as `source` (every pixel; a true-colour picture without alpha reads back opaque);
// else refuses it, naming `shown`, and writes nothing.
int WritePpsIfReadBack(const std::vector<uint8_t>& file, const engine::ImageRecord& source, long codec,
                       const std::string& path, const std::string& shown);

// Prints "respack: <reason>" (UTF-8, shown escaped where it is no text) on stderr and returns
// kBadInput.
int Refuse(const std::string& reason);

// Why `output` may not be written: it is the input `input`, a `kind` ("picture", "package"),
// however either is reached. Empty when it may. Both named as typed.
std::string OverInput(const std::string& output, const std::string& input, const char* kind);

// Where a command's own lines (its notes and its summary) go: standard output, or standard
// error when `output` (a command-line path) is standard output itself, which then carries the
// output alone, as `cat` would write it.
FILE* LinesBeside(const std::string& output);

// The GBK spelling of a UTF-8 command-line text (a resource name).
std::string Gbk(const std::string& utf8);
// A command-line path as the program's file functions take it: the same file, whatever the
// characters or bytes of its name.
std::string PathArg(const std::string& native);

}  // namespace respack
