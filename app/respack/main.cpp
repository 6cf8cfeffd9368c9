// respack: the command-line tool for resource packages and pictures.
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "app/command_line.h"
#include "app/respack/respack.h"

namespace {

struct Command {
  const char* name;
  const char* usage;
  const char* help;
  int (*run)(const respack::Args&);
  size_t min_args;
  size_t max_args;
  const char* option = nullptr;  // the one option the command takes, with a value
};

const Command kCommands[] = {
    {"pack", "respack pack DIR OUT.qzr",
     "Packs every file of DIR (not its subfolders) into a new package. Each member is named by its\n"
     "resource name: the file's title and its category (button.png -> button.imge), the title\n"
     "converted to GBK first so the hashes match packages made on Windows. Names are taken as\n"
     "the folder lists them: a '\\' in a name is part of the name. Symbolic links are named and\n"
     "left out: only what lies in DIR itself is packed. The package is written whole or not at\n"
     "all; it is never written over one of the files it packs, and holds at most 4 GiB.\n",
     respack::Pack, 2, 2},
    {"list", "respack list PKG",
     "Prints a line per member: its RS, JS and x31 name hashes (hex), offset, size and extension.\n", respack::List, 1,
     1},
    {"extract", "respack extract PKG NAME OUT",
     "Writes one member's bytes to OUT. NAME is its resource name (button.imge); a file name\n"
     "(button.png) is turned into its resource name when nothing has the name as given.\n",
     respack::Extract, 3, 3},
    {"unpack", "respack unpack PKG DIR",
     "Writes every member into DIR (made when missing) as RS_JS_X31.ext, named by its hashes.\n"
     "Members with the same hashes are all written: the later ones as RS_JS_X31~2.ext and so on.\n"
     "Each member is written whole or not at all; all are flushed to the disk once, at the end.\n",
     respack::Unpack, 2, 2},
    {"pps-encode", "respack pps-encode IN OUT.pps [--codec N]",
     "Converts a PNG, BMP, GIF (every frame) or other common picture into a .pps picture.\n"
     "Codecs: 1 raw, 3 run-length, 4 run-length with zlib alpha, 5 zlib, 6 the smaller of\n"
     "run-length and zlib per plane (the default, as the engine saves); 2 stores no pixels and\n"
     "is refused. The file is read back before it is written: it holds every pixel.\n"
     "GIF frames without a delay get 40 ms, as the engine shows them.\n",
     respack::PpsEncode, 2, 4, "--codec"},
    {"pps-decode", "respack pps-decode IN.pps OUT.png [--frame K]",
     "Writes frame K (default 0) of a .pps picture as a PNG file with alpha.\n", respack::PpsDecode, 2, 4, "--frame"},
    {"pps-info", "respack pps-info IN.pps",
     "Prints a .pps picture's size, frames, the codec of each frame, its palette and colour key.\n", respack::PpsInfo,
     1, 1},
};

void PrintUsage(FILE* out) {
  std::fprintf(out, "usage:\n");
  for (const Command& c : kCommands) std::fprintf(out, "  %s\n", c.usage);
  std::fprintf(out, "Each command takes --help. Exit status: 0 done, 1 bad input, 2 wrong usage.\n");
}

// The first option the command does not take (its own option's value skipped), or null.
const std::string* UnknownOption(const Command& c, const respack::Args& args) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (c.option != nullptr && args[i] == c.option) {
      ++i;
    } else if (cli::IsOptionArgument(args[i])) {
      return &args[i];
    }
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return respack::kUsage;
  }
  if (cli::IsHelpArgument(argv[1])) {
    std::printf("respack: makes and inspects resource packages (.qzr) and pictures (.pps).\n");
    PrintUsage(stdout);
    return respack::kOk;
  }
  for (const Command& c : kCommands) {
    if (std::strcmp(argv[1], c.name) != 0) continue;
    respack::Args args(argv + 2, argv + argc);
    for (const std::string& a : args) {
      if (cli::IsHelpArgument(a)) {
        std::printf("usage: %s\n%s", c.usage, c.help);
        return respack::kOk;
      }
    }
    if (const std::string* unknown = UnknownOption(c, args)) {
      std::fprintf(stderr, "respack %s: unknown option '%s'\nusage: %s\n", c.name, unknown->c_str(), c.usage);
      return respack::kUsage;
    }
    if (args.size() < c.min_args || args.size() > c.max_args) {
      std::fprintf(stderr, "usage: %s\n", c.usage);
      return respack::kUsage;
    }
    // Nothing a command meets ends the tool unreported: running out of memory included.
    try {
      return c.run(args);
    } catch (const std::bad_alloc&) {
      return respack::Refuse(std::string(c.name) + ": out of memory");
    } catch (const std::exception& e) {
      return respack::Refuse(std::string(c.name) + ": " + e.what());
    }
  }
  std::fprintf(stderr, "respack: unknown %s '%s'\n", cli::IsOptionArgument(argv[1]) ? "option" : "command", argv[1]);
  PrintUsage(stderr);
  return respack::kUsage;
}
