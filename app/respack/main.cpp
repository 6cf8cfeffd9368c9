// respack: the command-line tool for resource packages and pictures.
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/respack/respack.h"

namespace {

struct Command {
  const char* name;
  const char* usage;
  const char* help;
  int (*run)(const respack::Args&);
  size_t operands;               // the files and names it takes
  const char* option = nullptr;  // the one option the command takes, with a value: a number
  long low = 0, high = 0;        // the option's bounds
};

const Command kCommands[] = {
    {"pack", "respack pack DIR OUT.qzr",
     "Packs every file of DIR (not its subfolders) into a new package. Each member is named by its\n"
     "resource name: the file's title and its category (button.png -> button.imge), the title\n"
     "converted to GBK first so the hashes match packages made on Windows. Names are taken as\n"
     "the folder lists them: a '\\' in a name is part of the name. Symbolic links are named and\n"
     "left out: only what lies in DIR itself is packed. The package is written whole or not at\n"
     "all; it is never written over one of the files it packs, and holds at most 4 GiB.\n",
     respack::Pack, 2},
    {"list", "respack list PKG",
     "Prints a line per member: its RS, JS and x31 name hashes (hex), offset, size and extension.\n"
     "A member whose bytes pass the end of the package (one cut short) is listed, and the package\n"
     "refused: status 1.\n",
     respack::List, 1},
    {"extract", "respack extract PKG NAME OUT",
     "Writes one member's bytes to OUT. NAME is its resource name (button.imge); a file name\n"
     "(button.png) is turned into its resource name when nothing has the name as given. A name\n"
     "is a name, as pack took it from the folder: a '\\' in it is part of it.\n",
     respack::Extract, 3},
    {"unpack", "respack unpack PKG DIR",
     "Writes every member into DIR (made when missing) as RS_JS_X31.ext, named by its hashes.\n"
     "Members with the same hashes are all written: the later ones as RS_JS_X31~2.ext and so on.\n"
     "Each member is written whole or not at all; all are flushed to the disk once, at the end.\n"
     "A member is a file of its own in DIR: a link standing at its name is replaced, never\n"
     "written through.\n"
     "Nothing is written when a member's file would replace the package itself.\n",
     respack::Unpack, 2},
    {"pps-encode", "respack pps-encode IN OUT.pps [--codec N]",
     "Converts a PNG, BMP, GIF (every frame) or other common picture into a .pps picture.\n"
     "Codecs: 1 raw, 3 run-length, 4 run-length with zlib alpha, 5 zlib, 6 the smaller of\n"
     "run-length and zlib per plane (the default, as the engine saves); 2 stores no pixels and\n"
     "is refused. The file is read back before it is written: it holds every pixel.\n"
     "GIF frames without a delay get 40 ms, as the engine shows them.\n",
     respack::PpsEncode, 2, "--codec", 1, 6},
    {"pps-decode", "respack pps-decode IN.pps OUT.png [--frame K]",
     "Writes frame K (default 0) of a .pps picture as a PNG file with alpha.\n", respack::PpsDecode, 2, "--frame", 0,
     65535},
    {"pps-info", "respack pps-info IN.pps",
     "Prints a .pps picture's size, frames, the codec of each frame, its palette and colour key.\n", respack::PpsInfo, 1},
};

std::string Usage() {
  std::string text = "usage:\n";
  for (const Command& c : kCommands) text += std::string("  ") + c.usage + "\n";
  return text +
         "Each command takes --help. Exit status: 0 done, 1 bad input, 2 wrong usage.\n"
         "An output named /dev/stdout carries the output alone: the notes go to stderr then.\n";
}

// A command line refused: why, then the usage.
int WrongUsage(const std::string& why) {
  std::fprintf(stderr, "respack: %s\n", why.c_str());
  std::fputs(Usage().c_str(), stderr);
  return respack::kUsage;
}

int RunCommand(const Command& c, const respack::Args& given) {
  const cli::CommandLine line = c.option ? cli::Parse(given, {{c.option, true}}) : cli::Parse(given, {});
  if (line.help) return cli::ShowHelp("respack", std::string("usage: ") + c.usage + "\n" + c.help);
  std::string why = line.error;
  long number = 0;
  if (const std::string* value = c.option ? line.Value(c.option) : nullptr;
      why.empty() && value != nullptr && !cli::ParseNumber(*value, c.low, c.high, &number)) {
    why = std::string(c.option) + " takes a number from " + std::to_string(c.low) + " to " + std::to_string(c.high) +
          ", not '" + cli::Printable(*value) + "'";
  }
  if (why.empty() && line.operands.size() != c.operands) {
    why = std::to_string(line.operands.size()) + " argument" + (line.operands.size() == 1 ? "" : "s") + " given, " +
          std::to_string(c.operands) + " taken";
  }
  if (!why.empty()) {
    std::fprintf(stderr, "respack %s: %s\nusage: %s\n", c.name, why.c_str(), c.usage);
    return respack::kUsage;
  }
  // The command reads its option after its operands.
  respack::Args args = line.operands;
  if (const std::string* value = c.option ? line.Value(c.option) : nullptr) args.insert(args.end(), {c.option, *value});
  // Nothing a command meets ends the tool unreported: running out of memory included.
  try {
    return c.run(args);
  } catch (const std::bad_alloc&) {
    return respack::Refuse(std::string(c.name) + ": out of memory");
  } catch (const std::exception& e) {
    return respack::Refuse(std::string(c.name) + ": " + e.what());
  }
}

// The command line's run: its exit status.
int Run(std::vector<std::string> args) {
  if (!args.empty() && cli::IsHelpArgument(args[0])) {
    return cli::ShowHelp("respack", "respack: makes and inspects resource packages (.qzr) and pictures (.pps).\n" + Usage());
  }
  // "--" ends the options before the command as well (the tool takes none of its own).
  const bool options_ended = !args.empty() && args[0] == "--";
  if (options_ended) args.erase(args.begin());
  if (args.empty()) return WrongUsage("no command given");
  for (const Command& c : kCommands) {
    if (args[0] == c.name) return RunCommand(c, respack::Args(args.begin() + 1, args.end()));
  }
  if (args[0].empty()) return WrongUsage("an empty argument names no command");
  const bool option = !options_ended && cli::IsOptionArgument(args[0]);
  return WrongUsage(std::string("unknown ") + (option ? "option" : "command") + " '" + cli::Printable(args[0]) + "'");
}

}  // namespace

int main(int argc, char** argv) {
  cli::WatchStandardOutput();
  // What a command printed (a listing) that could not be written fails the run.
  return cli::Finished("respack", Run(std::vector<std::string>(argv + 1, argv + argc)));
}
