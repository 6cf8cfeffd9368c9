// The package commands: pack, list, extract, unpack.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/respack/respack.h"
#include "engine/core/engine_files.h"
#include "engine/core/name_key.h"
#include "engine/media/resource_package.h"
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

bool OpenPackage(const std::string& path_utf8, std::unique_ptr<engine::ResourcePackage>* out, std::string* reason) {
  auto package = std::make_unique<engine::ResourcePackage>(Gbk(path_utf8));
  if (!package->IsOpen()) {
    *reason = "cannot open package " + path_utf8 + ": " + platform::GbkToUtf8(package->error());
    return false;
  }
  *out = std::move(package);
  return true;
}

bool WriteMember(engine::ResourcePackage& package, uint32_t index, const std::string& path_gbk, std::string* reason) {
  std::vector<uint8_t> bytes;
  if (!package.LoadEntry(index, &bytes)) {
    *reason = "member " + std::to_string(index) + " cannot be read (it passes the end of the package)";
    return false;
  }
  if (!platform::WriteFileAtomic(path_gbk, bytes.data(), bytes.size())) {
    *reason = "cannot write " + platform::GbkToUtf8(path_gbk);
    return false;
  }
  return true;
}

}  // namespace

int Pack(const Args& args) {
  const std::string dir = Gbk(args[0]);
  if (!platform::IsDirectory(dir)) return Refuse("not a folder: " + args[0]);
  struct Member {
    std::string file_name;  // GBK
    std::string path;       // GBK
  };
  std::vector<Member> members;
  platform::FileFind find;
  for (bool more = find.FindFile(dir + "\\*.*"); more;) {
    const bool last = !find.FindNextFile();
    if (!find.IsDirectory() && !find.IsDots()) members.push_back({find.GetFileName(), find.GetFilePath()});
    more = !last;
  }
  find.Close();
  std::sort(members.begin(), members.end(), [](const Member& a, const Member& b) { return a.file_name < b.file_name; });

  // Two files of one title and category would share a key: only the first could ever be found.
  std::map<engine::NameKey, std::string> names;
  for (const Member& m : members) {
    const std::string name = engine::ResourceNameOf(m.file_name);
    auto [it, fresh] = names.emplace(engine::MakeNameKey(name), m.file_name);
    if (!fresh) {
      return Refuse(platform::GbkToUtf8(it->second) + " and " + platform::GbkToUtf8(m.file_name) +
                    " both have the resource name " + platform::GbkToUtf8(name));
    }
  }
  engine::ResourcePackage package(engine::GetFileTitle(Gbk(args[1])), static_cast<uint32_t>(members.size()), 0, 0, 0);
  for (const Member& m : members) {
    if (!package.AddFile(m.file_name, m.path, nullptr, 0, 0)) {
      return Refuse("cannot read " + platform::GbkToUtf8(m.path) + " (or its name has no GBK spelling)");
    }
  }
  std::string error;
  if (package.Pack(Gbk(args[1]), 1, &error) != members.size() || !error.empty()) {
    return Refuse(error.empty() ? "cannot write " + args[1] : platform::GbkToUtf8(error));
  }
  std::printf("%zu members packed into %s\n", members.size(), args[1].c_str());
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
  return kOk;
}

int Extract(const Args& args) {
  std::unique_ptr<engine::ResourcePackage> package;
  std::string reason;
  if (!OpenPackage(args[0], &package, &reason)) return Refuse(reason);
  const std::string name = Gbk(args[1]);
  int32_t index = package->FindEntryByName(name);
  if (index < 0) index = package->FindEntryByName(engine::ResourceNameOf(name));
  if (index < 0) return Refuse("no member named " + args[1]);
  if (!WriteMember(*package, static_cast<uint32_t>(index), Gbk(args[2]), &reason)) return Refuse(reason);
  return kOk;
}

int Unpack(const Args& args) {
  std::unique_ptr<engine::ResourcePackage> package;
  std::string reason;
  if (!OpenPackage(args[0], &package, &reason)) return Refuse(reason);
  const std::string dir = Gbk(args[1]);
  if (!platform::CreateDirectories(dir)) return Refuse("cannot make the folder " + args[1]);
  for (uint32_t i = 0; i < package->GetUsedCount(); ++i) {
    const engine::PackageEntry e = package->GetEntry(i);
    char name[64];
    std::snprintf(name, sizeof name, "%08X_%08X_%08X%s", e.rs, e.js, e.x31, ExtensionOfHash(e.type).c_str());
    if (!WriteMember(*package, i, dir + "\\" + name, &reason)) return Refuse(reason);
  }
  std::printf("%u members written to %s\n", package->GetUsedCount(), args[1].c_str());
  return kOk;
}

int Refuse(const std::string& reason) {
  std::fprintf(stderr, "respack: %s\n", reason.c_str());
  return kBadInput;
}

std::string Gbk(const std::string& utf8) { return platform::Utf8ToGbk(utf8); }

}  // namespace respack
