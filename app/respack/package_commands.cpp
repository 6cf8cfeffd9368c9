// The package commands: pack, list, extract, unpack.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/command_line.h"
#include "app/respack/respack.h"
#include "engine/core/engine_files.h"
#include "engine/core/name_key.h"
#include "engine/media/resource_package.h"
#include "platform/atomic_file.h"
#include "platform/files.h"
#include "platform/gbk.h"

namespace respack {

namespace {

// Every extension the engine gives a name to, so a type hash can be shown as its text.
const char* const kKnownExtensions[] = {".pps",   ".bmp", ".png",  ".gif", ".jpg", ".jpeg", ".ico", ".tga",  ".tif",
                                        ".mng",   ".pcx", ".wbmp", ".wmf", ".mp3", ".wav",  ".mid", ".midi", ".ogg",
                                        ".sound", ".txt", ".doc",  ".ini", ".qzi", ".avi",  ".rm",  ".rmvb", ".mpeg",
                                        ".qzs",   ".lua", ".swf",  ".flv", ".htm", ".html", ".asp", ".aspx", ".jsp",
                                        ".php",   ".cgi", ".quad", ".qzr", ".dat", ".bin",  ".xml", ".json"};

std::string ExtensionOfHash(uint32_t hash) {
  for (const char* e : kKnownExtensions) {
    if (engine::HashRS(e) == hash) return e;
  }
  return {};
}

// A program-text name or path as the user typed or sees it (UTF-8; a name's bytes that are no
// UTF-8 as themselves, escaped where it is printed).
std::string Shown(const std::string& name) { return platform::SystemSpelling(name); }

// The text a file's name (as the system spells it: the folder's listing, or a NAME typed) is
// hashed by: its GBK spelling, as on Windows, where GBK spells the whole name; else the program's
// own spelling of it (GB18030, which spells every character, with the bytes that are no UTF-8
// kept as the program keeps them). pack and extract both name members through this, so every
// name pack takes is a name extract finds ("Straße.ini", "caf\xE9.dat", "a\b.txt").
std::string KeyText(const std::string& native) {
  const std::string gbk = platform::Utf8ToGbk(native);
  if (platform::GbkToUtf8(gbk) == native) return gbk;
  return platform::ShownName(platform::ProgramPath(native));
}

// The resource name of a file of this name (KeyText): its whole name is the file's name, a '\\'
// in it included (no folder is split off), so the title is everything before the last dot.
std::string ResourceNameOfFile(const std::string& name, std::string* extension) {
  size_t dot = std::string::npos;
  for (size_t i = 0; i < name.size(); ++i) {
    if (platform::IsDBCSLeadByte(static_cast<uint8_t>(name[i])) && i + 1 < name.size()) {
      ++i;
    } else if (name[i] == '.') {
      dot = i;
    }
  }
  std::string title = dot == std::string::npos ? name : name.substr(0, dot);
  *extension = dot == std::string::npos ? std::string() : name.substr(dot);
  engine::AsciiLowerSkipDbcs(*extension);
  engine::ClassifyExtension(&title, *extension);
  return title;
}

bool OpenPackage(const std::string& path_utf8, std::unique_ptr<engine::ResourcePackage>* out, std::string* reason) {
  auto package = std::make_unique<engine::ResourcePackage>(PathArg(path_utf8));
  if (!package->IsOpen()) {
    // The package's reason may name it already ("x.qzr: not a resource package"): once is enough.
    *reason = platform::NamedOnce(package->error(), PathArg(path_utf8), path_utf8, "cannot open package ");
    return false;
  }
  *out = std::move(package);
  return true;
}

// A member's bytes; why they cannot be read names the package as the user typed it (`shown`).
bool LoadMember(engine::ResourcePackage& package, const std::string& shown, uint32_t index, std::vector<uint8_t>* bytes,
                std::string* reason) {
  if (package.LoadEntry(index, bytes)) return true;
  const engine::PackageEntry e = package.GetEntry(index);
  // The package may also have been cut since it was opened.
  const bool past_end = !package.EntryInBounds(index) ||
                        platform::FileSize(package.GetPath()) < static_cast<int64_t>(uint64_t{e.offset} + e.size);
  *reason = shown + ": member " + std::to_string(index) + " cannot be read (" +
            (past_end ? std::string("it passes the end of the package") : platform::ReadProblem(package.GetPath())) + ")";
  return false;
}

bool WriteMember(engine::ResourcePackage& package, const std::string& shown, uint32_t index, const std::string& path_gbk,
                 std::string* reason) {
  std::vector<uint8_t> bytes;
  return LoadMember(package, shown, index, &bytes, reason) &&
         platform::WriteFileAtomic(path_gbk, bytes.data(), bytes.size(), reason);
}

}  // namespace

int Pack(const Args& args) {
  const std::string dir = PathArg(args[0]);
  struct Member {
    std::string file_name;  // as listed, in program text
    std::string path;       // DIR + '\\' + the listed name: exactly that file
    std::string resource_name;
    std::string extension;
  };
  std::vector<Member> members;
  // The package's own lines stay off its output when that is the tool's standard output.
  FILE* lines = LinesBeside(args[1]);
  platform::FileFind find;
  bool more = find.FindFile(dir + "\\*.*");
  if (const std::string why = find.GetProblem(); !why.empty()) {
    return Refuse("cannot read the folder " + args[0] + " (" + why + ")");
  }
  // A member is named as the user names it: DIR as given, then its name as the folder lists it.
  const std::string folder_shown = !args[0].empty() && args[0].back() == '/' ? args[0] : args[0] + "/";
  while (more) {
    const bool last = !find.FindNextFile();
    more = !last;
    if (find.IsDots()) continue;
    // A link may point anywhere: only what lies in the folder itself is packed.
    if (find.IsLink()) {
      std::fprintf(lines, "%s is a symbolic link: not packed\n",
                   cli::Printable(folder_shown + Shown(find.GetFileName())).c_str());
      continue;
    }
    if (!find.IsDirectory()) members.push_back({find.GetFileName(), find.GetFilePath(), {}, {}});
  }
  find.Close();
  std::sort(members.begin(), members.end(), [](const Member& a, const Member& b) { return a.file_name < b.file_name; });

  // Two files of one title and category would share a key: only the first could ever be found.
  std::map<engine::NameKey, std::string> names;
  for (Member& m : members) {
    m.resource_name = ResourceNameOfFile(KeyText(platform::NativeOutputPath(m.file_name)), &m.extension);
    auto [it, fresh] = names.emplace(engine::MakeNameKey(m.resource_name), m.file_name);
    if (!fresh) {
      return Refuse(folder_shown + Shown(it->second) + " and " + folder_shown + Shown(m.file_name) +
                    " both have the resource name " + Shown(m.resource_name));
    }
  }
  engine::ResourcePackage package(engine::GetFileTitle(Gbk(args[1])), static_cast<uint32_t>(members.size()), 0, 0, 0);
  // The package is named as given.
  std::vector<std::pair<std::string, std::string>> named{{Shown(PathArg(args[1])), args[1]}};
  for (const Member& m : members) named.emplace_back(Shown(m.path), folder_shown + Shown(m.file_name));
  for (const Member& m : members) {
    std::string error;
    if (!package.AddFileNamed(m.resource_name, m.extension, m.path, 0, 0, &error)) {
      return Refuse(platform::NamedAsGiven(Shown(error), named));
    }
  }
  std::string error;
  if (package.Pack(PathArg(args[1]), 1, &error) != members.size() || !error.empty()) {
    return Refuse(error.empty() ? "cannot write " + args[1] : platform::NamedAsGiven(Shown(error), named));
  }
  std::fprintf(lines, "%zu members packed into %s\n", members.size(), cli::Printable(args[1]).c_str());
  return kOk;
}

int List(const Args& args) {
  std::unique_ptr<engine::ResourcePackage> package;
  std::string reason;
  if (!OpenPackage(args[0], &package, &reason)) return Refuse(reason);
  for (uint32_t i = 0; i < package->GetUsedCount(); ++i) {
    const engine::PackageEntry e = package->GetEntry(i);
    std::string extension = ExtensionOfHash(e.type);
    if (extension.empty()) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "#%08X", e.type);
      extension = hex;
    }
    std::printf("%08X %08X %08X %10u %10u %s\n", e.rs, e.js, e.x31, e.offset, e.size, extension.c_str());
  }
  // A member whose bytes pass the end (a package cut short) is listed, and the package refused.
  uint32_t outside = 0;
  uint32_t first = 0;
  for (uint32_t i = 0; i < package->GetUsedCount(); ++i) {
    if (!package->EntryInBounds(i) && outside++ == 0) first = i;
  }
  if (outside == 1) return Refuse(args[0] + ": member " + std::to_string(first) + " passes the end of the package");
  if (outside > 1) {
    return Refuse(args[0] + ": " + std::to_string(outside) + " of its " + std::to_string(package->GetUsedCount()) +
                  " members pass the end of the package (the first is member " + std::to_string(first) + ")");
  }
  return kOk;
}

int Extract(const Args& args) {
  if (const std::string why = OverInput(args[2], args[0], "package"); !why.empty()) return Refuse(why);
  std::unique_ptr<engine::ResourcePackage> package;
  std::string reason;
  if (!OpenPackage(args[0], &package, &reason)) return Refuse(reason);
  // The resource name as typed, else the resource name of a file named so, as pack names it.
  const std::string name = KeyText(args[1]);
  int32_t index = package->FindEntryByName(name);
  if (std::string extension; index < 0) index = package->FindEntryByName(ResourceNameOfFile(name, &extension));
  if (index < 0) return Refuse(args[0] + " has no member named " + args[1]);
  if (!WriteMember(*package, args[0], static_cast<uint32_t>(index), PathArg(args[2]), &reason)) return Refuse(reason);
  return kOk;
}

int Unpack(const Args& args) {
  std::unique_ptr<engine::ResourcePackage> package;
  std::string reason;
  if (!OpenPackage(args[0], &package, &reason)) return Refuse(reason);
  const std::string dir = PathArg(args[1]);
  const std::string folder_shown = args[1].back() == '/' ? args[1] : args[1] + "/";
  // A member's file, named as the folder was typed.
  const auto member_path = [&folder_shown](const std::string& name) { return PathArg(folder_shown + name); };
  // Members with the same hashes and extension would get one file name: each later one is
  // written as NAME~2.ext, NAME~3.ext... and named on the output.
  std::vector<std::string> names(package->GetUsedCount());
  std::vector<bool> renamed(names.size());
  std::map<std::string, int> taken;
  for (uint32_t i = 0; i < package->GetUsedCount(); ++i) {
    const engine::PackageEntry e = package->GetEntry(i);
    char stem[40];
    std::snprintf(stem, sizeof stem, "%08X_%08X_%08X", e.rs, e.js, e.x31);
    const std::string extension = ExtensionOfHash(e.type);
    std::string name = stem + extension;
    if (const int n = ++taken[name]; n > 1) {
      std::string other = std::string(stem) + "~" + std::to_string(n) + extension;
      while (taken.count(other)) other = std::string(stem) + "~" + std::to_string(++taken[name]) + extension;
      name = other;
      taken[name] = 1;
      renamed[i] = true;
    }
    names[i] = name;
  }
  // The package may stand in the folder under a member's name (or a link there may name it):
  // nothing is written when any member would replace it.
  for (const std::string& name : names) {
    if (const std::string why = OverInput(folder_shown + name, args[0], "package"); !why.empty()) return Refuse(why);
  }
  if (std::string why; !platform::CreateDirectories(dir, &why)) return Refuse("cannot make the folder " + args[1] + " (" + why + ")");
  // Each member is written whole, named only once it is; none is flushed on its
  // own (a flush a file made unpacking thousands of small members take minutes): the whole
  // folder is flushed once at the end, before the members are reported written.
  platform::FolderFlush flush(dir);
  for (uint32_t i = 0; i < package->GetUsedCount(); ++i) {
    if (renamed[i]) {
      std::printf("member %u has the same name hashes as an earlier one: written as %s\n", i,
                  cli::Printable(folder_shown + names[i]).c_str());
    }
    std::vector<uint8_t> bytes;
    if (!LoadMember(*package, args[0], i, &bytes, &reason)) return Refuse(reason);
    // A member is a file of its own in the folder: a link standing at its name is replaced,
    // never written through, so nothing outside the folder changes.
    platform::AtomicFile file(platform::AtomicFile::Member{member_path(names[i])}, platform::AtomicFile::Sync::kLater);
    if (!file.Write(bytes.data(), bytes.size()) || !file.Commit()) return Refuse(file.error());
    flush.Written(member_path(names[i]));
  }
  if (!flush.Flush(&reason)) return Refuse(reason);
  std::printf("%u members written to %s\n", package->GetUsedCount(), cli::Printable(args[1]).c_str());
  return kOk;
}

std::string OverInput(const std::string& output, const std::string& input, const char* kind) {
  if (!platform::WritesOver(PathArg(output), PathArg(input))) return {};
  return output + " is the " + kind + " " + input + ": an output is never written over what it is made from";
}

int Refuse(const std::string& reason) {
  std::fprintf(stderr, "respack: %s\n", cli::Printable(reason).c_str());
  return kBadInput;
}

std::string Gbk(const std::string& utf8) { return platform::Utf8ToGbk(utf8); }

std::string PathArg(const std::string& native) { return platform::ProgramPath(native); }

FILE* LinesBeside(const std::string& output) { return cli::LinesBeside(PathArg(output)); }

}  // namespace respack
