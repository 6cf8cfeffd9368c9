// File and path chores and small text helpers.
#include "engine/core/engine_files.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/core/engine_log.h"
#include "platform/files.h"
#include "platform/gbk.h"
#include "platform/message_box.h"

namespace engine {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Splits a path into folder (with its separator), file title and extension (with its dot),
// stepping over double-byte characters so a 0x5C trail byte is no separator.
struct PathParts {
  std::string folder;
  std::string title;
  std::string extension;
};

PathParts Split(const std::string& path) {
  PathParts parts;
  const size_t sep = platform::FindLastSeparator(path);
  const size_t name_start = sep == std::string::npos ? 0 : sep + 1;
  parts.folder = path.substr(0, name_start);
  const std::string name = path.substr(name_start);
  size_t dot = std::string::npos;
  for (size_t i = 0; i < name.size(); ++i) {
    if (platform::IsDBCSLeadByte(static_cast<uint8_t>(name[i])) && i + 1 < name.size()) {
      ++i;
    } else if (name[i] == '.') {
      dot = i;
    }
  }
  parts.title = dot == std::string::npos ? name : name.substr(0, dot);
  parts.extension = dot == std::string::npos ? std::string() : name.substr(dot);
  return parts;
}

}  // namespace

const std::string& ExeDirectory() { return platform::ExecutableDirectory(); }

std::string ExePath(const std::string& name) { return ExeDirectory() + name; }

std::string GetFileExtension(const std::string& path) {
  std::string ext = Split(path).extension;
  AsciiLowerSkipDbcs(ext);
  return ext;
}

std::string GetFileTitle(const std::string& path) { return Split(path).title; }

std::string GetFileDirectory(const std::string& path) { return Split(path).folder; }

std::string GetFileNameLower(const std::string& path) {
  const PathParts parts = Split(path);
  std::string ext = parts.extension;
  AsciiLowerSkipDbcs(ext);
  return parts.title + ext;
}

std::string ReplaceExtension(const std::string& path, const std::string& extension) {
  const PathParts parts = Split(path);
  return parts.folder + parts.title + extension;
}

void AsciiLowerSkipDbcs(char* text) {
  if (!text) return;
  for (char* p = text; *p; ++p) {
    const auto b = static_cast<uint8_t>(*p);
    if (!platform::IsAsciiByte(b)) {
      if (!p[1]) break;  // a lead byte right before the end
      ++p;
    } else if (b >= 'A' && b <= 'Z') {
      *p = static_cast<char>(b + 32);
    }
  }
}

void AsciiLowerSkipDbcs(std::string& text) { AsciiLowerSkipDbcs(text.data()); }

namespace {

std::unique_ptr<uint8_t[]> ReadBlock(const std::string& path, size_t* size) {
  std::vector<uint8_t> bytes;
  if (!platform::ReadFileBytes(path, &bytes)) {
    WriteGameLog("文件%s 打开失败!", path.c_str());
    return nullptr;
  }
  auto block = std::make_unique<uint8_t[]>(bytes.size() + 1);
  if (!bytes.empty()) std::memcpy(block.get(), bytes.data(), bytes.size());
  block[bytes.size()] = 0;
  if (size) *size = bytes.size();
  return block;
}

}  // namespace

std::unique_ptr<uint8_t[]> ReadWholeFile(const std::string& path, size_t* size) {
  if (path.empty()) return nullptr;
  return ReadBlock(path, size);
}

std::unique_ptr<uint8_t[]> ReadWholeFileZ(const std::string& path) { return ReadBlock(path, nullptr); }

int WriteWholeFile(const std::string& path, const void* data, size_t size) {
  return platform::WriteFileAtomic(path, data, size) ? 1 : 0;
}

bool FileExists(const std::string& path) { return platform::FileExists(path); }

bool FileExistsBesideExe(const std::string& name) { return FileExists(ExePath(name)); }

int64_t GetFileSize(const std::string& path) {
  const int64_t size = platform::FileSize(path);
  return size < 0 ? 0 : size;
}

int BuildDirectory(const std::string& path, int create) {
  // Doubled separators count once.
  std::string p;
  for (char c : path) {
    if (IsSeparator(c) && !p.empty() && IsSeparator(p.back())) continue;
    p += c;
  }
  // Only a drive ("C:") or the root is skipped; a relative path starts with a real folder.
  size_t pos = 0;
  if (p.size() >= 2 && p[1] == ':') pos = 2;
  if (pos < p.size() && IsSeparator(p[pos])) ++pos;

  while (pos < p.size()) {
    size_t next = pos;
    while (next < p.size() && !IsSeparator(p[next])) {
      if (platform::IsDBCSLeadByte(static_cast<uint8_t>(p[next])) && next + 1 < p.size()) ++next;
      ++next;
    }
    const std::string prefix = p.substr(0, next);
    // A folder made is made under exactly its name, as the files written into it are.
    if (!create && !platform::IsDirectory(prefix)) return 0;
    if (create && !platform::CreateDirectory(prefix)) {
      const std::string text = "Build   Directory" + prefix + "   Fail!";
      platform::MessageBoxA(text.c_str(), "", platform::MB_OK);
      return 0;
    }
    pos = next + 1;
  }
  return 1;
}

int ToInt(const char* text) { return text ? std::atoi(text) : 0; }

double ToDouble(const char* text) { return text ? std::atof(text) : 0.0; }

bool ContainsTrue(const char* text) { return text && std::strstr(text, "true"); }

std::string StripQuotes(const std::string& text) {
  const size_t first = text.find('"');
  const size_t last = text.rfind('"');
  if (first == std::string::npos || first == last) return text;
  return text.substr(first + 1, last - first - 1);
}

int SplitFieldsBy(const std::string& text, std::vector<std::string>& list, char delimiter) {
  if (text.empty()) return 0;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == delimiter) {
      list.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  if (start < text.size()) list.push_back(text.substr(start));
  return static_cast<int>(list.size());
}

int SplitFields(const std::string& text, std::vector<std::string>& list) { return SplitFieldsBy(text, list, ','); }

std::string FormatElapsedTime(uint32_t ms) {
  char text[32];
  if (ms <= 3600000) {
    std::snprintf(text, sizeof text, "%02u:%02u", ms / 60000, ms / 1000 % 60);
  } else {
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60);
  }
  return text;
}

}  // namespace engine
