// What the programs' command lines share, by the usual conventions:
//   - "--help" and "-h" ask for the usage (on stdout, status 0);
//   - an argument that starts with '-' is an option, never a file or folder name: an unknown one
//     is refused (status 2); a file of such a name is "./-x", or any argument after "--";
//   - "--" ends the options: every argument after it is an operand;
//   - an option's value is the argument after it, and never an option itself;
//   - an option with a value is given once, and an empty argument names nothing: both refused;
//   - every refusal says why in one line (then the usage), and a name in a message is shown
//     with its control characters and bytes that are no UTF-8 escaped (Printable);
//   - a number is decimal digits only: no sign, no blanks (ParseNumber);
//   - what a run prints on stdout that cannot be written (a full disk), its help included, fails
//     the run with the reason the first failed write met (WatchStandardOutput, Finished, ShowHelp);
//   - an input is never written over by what is made from it (platform::WritesOver).
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/gbk.h"

namespace cli {

inline bool IsHelpArgument(std::string_view arg) { return arg == "--help" || arg == "-h"; }

inline bool IsOptionArgument(std::string_view arg) { return arg.size() > 1 && arg[0] == '-'; }

// Text as a terminal can show it on one line (platform::PrintableUtf8): line ends and tabs as
// \n \r \t, other control characters (C0, DEL, C1, the line and paragraph separators and the
// bidirectional controls) and bytes that are no UTF-8 character as \xNN; the rest as it is.
inline std::string Printable(std::string_view text) { return platform::PrintableUtf8(text); }

// A number given on the command line: decimal digits only (no sign, no blanks), from low to
// high. false when it is anything else.
inline bool ParseNumber(std::string_view text, long low, long high, long* out) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string_view::npos) return false;
  long n = 0;
  for (char c : text) n = n * 10 + (c - '0');
  if (n < low || n > high) return false;
  *out = n;
  return true;
}

// Where a program's own lines (notes, summaries, reports) go beside an output at `path` (a
// program path): stdout, or stderr when that output goes where stdout goes (IsStandardOutput),
// which then carries the output alone, as `cat` would write it.
inline FILE* LinesBeside(const std::string& path) { return platform::IsStandardOutput(path) ? stderr : stdout; }

namespace internal {

// The reason the first write to standard output failed (0 while none has): a stream that failed
// drops what it held, so the flush at the end may find nothing to write and no reason to give.
inline int& FirstOutputError() {
  static int first = 0;
  return first;
}

}  // namespace internal

// Makes standard output a stream that remembers why its first write failed, for Finished; it
// writes to the same descriptor, buffered as the C library buffers it (a line at a time on a
// terminal, else a block of the size the file asks for). Called first thing in main.
inline void WatchStandardOutput() {
  static const cookie_io_functions_t kWrites = {
      nullptr,
      [](void*, const char* data, size_t size) -> ssize_t {
        size_t done = 0;
        while (done < size) {
          const ssize_t n = ::write(STDOUT_FILENO, data + done, size - done);
          if (n < 0 && errno == EINTR) continue;
          if (n <= 0) {
            if (internal::FirstOutputError() == 0) internal::FirstOutputError() = n < 0 ? errno : EIO;
            return done > 0 ? static_cast<ssize_t>(done) : -1;
          }
          done += static_cast<size_t>(n);
        }
        return static_cast<ssize_t>(done);
      },
      nullptr, nullptr};
  std::fflush(stdout);
  FILE* watched = ::fopencookie(nullptr, "w", kWrites);
  if (watched == nullptr) return;
  struct stat st {};
  const size_t block = ::fstat(STDOUT_FILENO, &st) == 0 && st.st_blksize > 0 ? static_cast<size_t>(st.st_blksize) : BUFSIZ;
  // Kept for the life of the process: the stream is flushed after main returns.
  static char* const buffer = new char[block];
  std::setvbuf(watched, buffer, ::isatty(STDOUT_FILENO) ? _IOLBF : _IOFBF, block);
  stdout = watched;
}

// A run's exit status once what it printed on stdout is flushed: a write there that failed
// turns a run that succeeded into a failure (status 1), said on stderr after the program's name
// with the reason the first failed write met (WatchStandardOutput). Said once: a later call
// finds nothing more to report.
inline int Finished(const char* program, int status) {
  errno = 0;
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
  const int first = internal::FirstOutputError() != 0 ? internal::FirstOutputError() : errno != 0 ? errno : EIO;
  std::fprintf(stderr, "%s: cannot write the standard output (%s)\n", program, std::strerror(first));
  std::clearerr(stdout);
  internal::FirstOutputError() = 0;
  return status == 0 ? 1 : status;
}

// A program's help, printed on stdout: status 0, or 1 (said on stderr) where it cannot be written.
inline int ShowHelp(const char* program, const std::string& text) {
  std::fputs(text.c_str(), stdout);
  return Finished(program, 0);
}

// An option a program takes.
struct Option {
  std::string_view name;
  bool takes_value = false;
};

// A command line read by Parse.
struct CommandLine {
  bool help = false;
  std::string error;  // why the line was refused, one line without the program's name; empty when fine
  std::vector<std::string> operands;
  std::vector<std::pair<std::string, std::string>> options;  // name and value ("" for one without), in order

  bool Has(std::string_view name) const { return Value(name) != nullptr; }
  const std::string* Value(std::string_view name) const {
    for (const auto& [option, value] : options) {
      if (option == name) return &value;
    }
    return nullptr;
  }
};

// Reads the arguments after the program's name (or its command's) against the options taken.
// It stops at the first help argument (help set) or the first refusal (error set).
// is_operand: an argument that is an operand even though it starts with '-' (the client's
// lobby line, which holds '|').
inline CommandLine Parse(const std::vector<std::string>& args, std::initializer_list<Option> taken,
                         bool (*is_operand)(std::string_view) = nullptr) {
  CommandLine line;
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!options_ended && arg == "--") {
      options_ended = true;
      continue;
    }
    if (!options_ended && IsOptionArgument(arg) && !(is_operand && is_operand(arg))) {
      if (IsHelpArgument(arg)) {
        line.help = true;
        return line;
      }
      const Option* option = nullptr;
      for (const Option& o : taken) {
        if (o.name == arg) option = &o;
      }
      if (option == nullptr) {
        line.error = "unknown option '" + Printable(arg) + "'";
        return line;
      }
      std::string value;
      if (option->takes_value) {
        if (line.Has(arg)) {
          line.error = arg + " is given twice";
          return line;
        }
        if (i + 1 == args.size()) {
          line.error = arg + " takes a value";
          return line;
        }
        value = args[++i];
        if (value.empty() || IsOptionArgument(value)) {
          line.error = arg + " takes a value, not " + (value.empty() ? "an empty argument" : "the option '" + Printable(value) + "'");
          return line;
        }
      }
      line.options.emplace_back(arg, std::move(value));
      continue;
    }
    if (arg.empty()) {
      line.error = "an empty argument names nothing";
      return line;
    }
    line.operands.push_back(arg);
  }
  return line;
}

}  // namespace cli
