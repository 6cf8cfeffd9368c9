// Files and paths over POSIX and std::filesystem.
//
// Names arrive as GBK with '\' or '/' separators, as the program's own files and ini entries
// spell them; on disk they are UTF-8. Windows matched names without regard to case, so when a
// path read does not exist as written, each component is looked up case-insensitively; a path
// written is taken exactly as it stands.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/diagnostics.h"
#include "platform/ascii.h"
#include "platform/gbk.h"
#include "platform/process.h"

namespace platform {
namespace fs = std::filesystem;

namespace {

std::mutex g_exe_mutex;
std::string g_exe_dir;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A byte of a native name that program text cannot carry as itself (a '\' inside a name, a
// byte that is no UTF-8 character, the ':' of a name such as "c:x.wav" that would read as a
// drive) is carried as the private character U+F700 + byte. A name's own character that is one
// of these escapes is carried as the escapes of its three bytes, so every native name has one
// spelling in program text and comes back from it as it was.
constexpr char32_t kEscapeBase = 0xF700;

bool IsEscape(char32_t c) {
  return c == kEscapeBase + ':' || c == kEscapeBase + 0x5C || (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF);
}

// Whether program text starts with a drive ("C:"), which the program's own names may carry.
bool StartsWithDrive(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Turns the private characters U+F73A, U+F75C and U+F780..U+F7FF of UTF-8 text back into their
// bytes.
std::string Unescape(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (i + 2 < utf8.size() && static_cast<uint8_t>(utf8[i]) == 0xEF) {
      const auto b1 = static_cast<uint8_t>(utf8[i + 1]);
      const auto b2 = static_cast<uint8_t>(utf8[i + 2]);
      const char32_t c = 0xF000 | ((b1 & 0x3F) << 6) | (b2 & 0x3F);
      if ((b1 & 0xC0) == 0x80 && (b2 & 0xC0) == 0x80 && IsEscape(c)) {
        out += static_cast<char>(c - kEscapeBase);
        i += 2;
        continue;
      }
    }
    out += utf8[i];
  }
  return out;
}

// Program text -> the system's bytes with every separator turned into '/'. Separators are found
// in the GBK text, stepping over double-byte characters, so a trail byte 0x5C stays part of its
// character.
std::string ToUnixUtf8(const std::string& path) {
  std::string out;
  std::string run;
  auto flush = [&] {
    out += Unescape(GbkToUtf8(run));
    run.clear();
  };
  for (size_t i = 0; i < path.size(); ++i) {
    const auto b = static_cast<uint8_t>(path[i]);
    if (IsDBCSLeadByte(b) && i + 1 < path.size()) {
      run += path[i];
      run += path[++i];
    } else if (IsSeparator(path[i])) {
      flush();
      out += '/';
    } else {
      run += path[i];
    }
  }
  flush();
  return out;
}

bool Exists(const std::string& native) {
  struct stat st {};
  return ::stat(native.c_str(), &st) == 0;
}

// Finds the entry of folder whose name equals name without regard to ASCII case.
bool FindNoCase(const std::string& folder, const std::string& name, std::string* found) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return false;
  bool ok = false;
  while (dirent* e = ::readdir(dir)) {
    if (AsciiEqualNoCase(e->d_name, name)) {
      *found = e->d_name;
      ok = true;
      break;
    }
  }
  ::closedir(dir);
  return ok;
}

}  // namespace

const std::string& ExecutableDirectory() {
  std::lock_guard lock(g_exe_mutex);
  if (g_exe_dir.empty()) {
    std::string dir;
    if (const char* env = std::getenv("ZP_EXE_DIR"); env && *env) {
      dir = env;
    } else {
      const std::string exe = ExecutablePath();
      dir = exe.empty() ? std::string(".") : fs::path(exe).parent_path().string();
    }
    dir = ProgramPath(dir);
    if (dir.empty() || dir.back() != '\\') dir += '\\';
    g_exe_dir = dir;
  }
  return g_exe_dir;
}

void ResetExecutableDirectory() {
  std::lock_guard lock(g_exe_mutex);
  g_exe_dir.clear();
}

std::string ProgramPath(std::string_view native) {
  std::string utf8;
  utf8.reserve(native.size());
  for (size_t i = 0; i < native.size();) {
    const char c = native[i];
    if (c == '/') {
      utf8 += '\\';
      ++i;
    } else if (c == ':' && i == 1 && StartsWithDrive(native)) {
      AppendUtf8(utf8, kEscapeBase + ':');
      ++i;
    } else if (c == '\\') {
      AppendUtf8(utf8, kEscapeBase + 0x5C);
      ++i;
    } else if (char32_t code = 0; const size_t n = Utf8CharLength(native, i, &code)) {
      if (IsEscape(code)) {
        for (size_t k = 0; k < n; ++k) AppendUtf8(utf8, kEscapeBase + static_cast<uint8_t>(native[i + k]));
      } else {
        utf8.append(native.substr(i, n));
      }
      i += n;
    } else {
      AppendUtf8(utf8, kEscapeBase + static_cast<uint8_t>(c));
      ++i;
    }
  }
  return Utf8ToGb18030(utf8);
}

std::string ShownName(const std::string& name) {
  // The escapes of '\\' and ':' in GB18030, as ProgramPath writes them.
  static const std::string kEscapedBackslash = Utf8ToGb18030("\xEF\x9D\x9C");
  static const std::string kEscapedColon = Utf8ToGb18030("\xEF\x9C\xBA");
  std::string out;
  for (size_t i = 0; i < name.size();) {
    const auto b = static_cast<uint8_t>(name[i]);
    size_t n = 1;
    if (IsDBCSLeadByte(b) && i + 1 < name.size()) {
      // GB18030's four-byte characters have a digit second; GBK's pairs never do.
      const auto second = static_cast<uint8_t>(name[i + 1]);
      n = (second >= '0' && second <= '9' && i + 3 < name.size()) ? 4 : 2;
    }
    if (n == 4 && name.compare(i, 4, kEscapedBackslash) == 0) {
      out += '\\';
    } else if (n == 4 && name.compare(i, 4, kEscapedColon) == 0) {
      out += ':';
    } else {
      out.append(name, i, n);
    }
    i += n;
  }
  return out;
}

std::string SystemSpelling(const std::string& text) { return Unescape(GbkToUtf8(ShownName(text))); }

std::string NamedAsGiven(const std::string& text, const std::vector<std::pair<std::string, std::string>>& paths) {
  std::string out;
  for (size_t at = 0; at < text.size();) {
    const std::pair<std::string, std::string>* longest = nullptr;
    for (const auto& p : paths) {
      if (!p.first.empty() && text.compare(at, p.first.size(), p.first) == 0 &&
          (longest == nullptr || p.first.size() > longest->first.size())) {
        longest = &p;
      }
    }
    if (longest != nullptr) {
      out += longest->second;
      at += longest->first.size();
    } else {
      out += text[at++];
    }
  }
  return out;
}

std::string NamedOnce(const std::string& reason, const std::string& path, const std::string& given,
                      const std::string& before, const std::string& after) {
  const std::string text = SystemSpelling(reason);
  const std::string spelled = SystemSpelling(path);
  // "PATH: why" gives the why; the rest of it never names the path again.
  if (text.rfind(spelled + ": ", 0) == 0) return before + given + after + text.substr(spelled.size() + 2);
  // A reader's or writer's own sentence names it after its opening words: "cannot read PATH",
  // "cannot write PATH (why)". A word of another reason that
  // happens to spell the path ("a", "header") is no mention of it.
  for (const char* opening : {"cannot open ", "cannot read ", "cannot write "}) {
    const std::string named = opening + spelled;
    if (text.rfind(named, 0) == 0 && (text.size() == named.size() || text[named.size()] == ' ')) {
      return opening + given + text.substr(named.size());
    }
  }
  return before + given + after + text;
}

std::string FileNamePart(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<uint8_t>(text[i]);
    if (IsDBCSLeadByte(c) && i + 1 < text.size() && IsGbkTrailByte(static_cast<uint8_t>(text[i + 1]))) {
      out += text[i];
      out += text[++i];
    } else if (c < 0x20 || c == 0x7F || c >= 0x80 || std::strchr("\\/:*?\"<>|.", c) != nullptr) {
      out += '_';
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool IsPlainFileName(std::string_view text) { return FileNamePart(text) == text; }

size_t FindLastSeparator(const std::string& path) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<uint8_t>(path[i])) && i + 1 < path.size()) {
      ++i;
    } else if (IsSeparator(path[i])) {
      last = i;
    }
  }
  return last;
}

std::string NativeOutputPath(const std::string& path) {
  // Drive letters mean nothing here: the program's "C:/x" is read as "/x". A name the system
  // gave (ProgramPath) carries its ':' escaped, and stays as it was.
  return ToUnixUtf8(StartsWithDrive(path) ? path.substr(2) : path);
}

std::string NativePath(const std::string& path) {
  const std::string native = NativeOutputPath(path);
  if (native.empty() || Exists(native)) return native;

  // Resolve component by component, ignoring case where the exact name is missing.
  std::string resolved;
  size_t pos = 0;
  if (native[0] == '/') {
    resolved = "/";
    pos = 1;
  }
  while (pos <= native.size()) {
    size_t next = native.find('/', pos);
    if (next == std::string::npos) next = native.size();
    const std::string part = native.substr(pos, next - pos);
    if (!part.empty()) {
      std::string candidate = resolved.empty() || resolved.back() == '/' ? resolved + part : resolved + "/" + part;
      std::string actual;
      if (!Exists(candidate) && part != "." && part != ".." &&
          FindNoCase(resolved.empty() ? "." : resolved, part, &actual)) {
        candidate = resolved.empty() || resolved.back() == '/' ? resolved + actual : resolved + "/" + actual;
      }
      resolved = candidate;
    }
    if (next == native.size()) break;
    pos = next + 1;
  }
  if (!native.empty() && native.back() == '/' && (resolved.empty() || resolved.back() != '/')) resolved += '/';
  return resolved;
}

FILE* OpenFile(const std::string& path, const char* mode) {
  const bool reading = mode && mode[0] == 'r';
  const std::string native = reading ? NativePath(path) : NativeOutputPath(path);
  if (native.empty()) return nullptr;
  // Only regular files are opened for reading: fopen of a folder succeeds on Linux.
  if (reading) {
    struct stat st {};
    if (::stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  }
  return std::fopen(native.c_str(), mode);
}

std::string ReadProblem(const std::string& path) {
  const std::string native = NativePath(path);
  struct stat st {};
  if (native.empty()) return std::strerror(ENOENT);
  if (::stat(native.c_str(), &st) != 0) return std::strerror(errno);
  if (S_ISDIR(st.st_mode)) return "it is a folder";
  if (!S_ISREG(st.st_mode)) return "it is no regular file";
  const int fd = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::strerror(errno);
  ::close(fd);
  return std::strerror(EIO);
}

bool FileExists(const std::string& path) {
  const size_t sep = FindLastSeparator(path);
  const std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
  if (name.find_first_of("*?") == std::string::npos) return !path.empty() && Exists(NativePath(path));
  FileFind find;
  return find.FindFile(path);
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* out) {
  FILE* f = OpenFile(path, "rb");
  if (!f) return false;
  std::vector<uint8_t> data;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  const long size = ok ? std::ftell(f) : -1;
  ok = ok && size >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok) {
    data.resize(static_cast<size_t>(size));
    ok = size == 0 || std::fread(data.data(), 1, data.size(), f) == data.size();
  }
  std::fclose(f);
  if (!ok) return false;
  *out = std::move(data);
  return true;
}

int64_t FileSize(const std::string& path) {
  struct stat st {};
  if (::stat(NativePath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return st.st_size;
}

namespace {

bool IsNativeDirectory(const std::string& native) {
  struct stat st {};
  return ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IdentityOf(const std::string& native, FileIdentity* out) {
  struct stat st {};
  if (native.empty() || ::stat(native.c_str(), &st) != 0) return false;
  *out = FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  return true;
}

}  // namespace

bool CreateDirectory(const std::string& path) {
  const std::string native = NativeOutputPath(path);
  if (native.empty()) return false;
  if (::mkdir(native.c_str(), 0755) == 0) return true;
  return IsNativeDirectory(native);
}

bool CreateDirectories(const std::string& path, std::string* error) {
  std::error_code ec;
  const std::string native = NativeOutputPath(path);
  if (native.empty()) {
    if (error) *error = "a folder needs a name";
    return false;
  }
  fs::create_directories(native, ec);
  if (IsNativeDirectory(native)) return true;
  struct stat st {};
  if (error) *error = ::stat(native.c_str(), &st) == 0 ? "something that is no folder stands there" : ec ? ec.message() : std::string("it was not made");
  return false;
}

bool DeleteFile(const std::string& path) { return ::unlink(NativeOutputPath(path).c_str()) == 0; }

bool GetFileIdentity(const std::string& path, FileIdentity* out) { return IdentityOf(NativePath(path), out); }

bool GetOutputIdentity(const std::string& path, FileIdentity* out) {
  return IdentityOf(NativeOutputPath(path), out);
}

bool WritesOver(const std::string& output, const std::string& input) {
  FileIdentity written;
  FileIdentity read;
  return GetOutputIdentity(output, &written) && GetFileIdentity(input, &read) && written == read;
}

bool WildcardMatch(const std::string& pattern, const std::string& name) {
  // Iterative matcher with one backtracking point for the last '*'.
  size_t p = 0, n = 0, star = std::string::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || AsciiEqualNoCase(pattern[p], name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  // Windows reads "*.*" as "everything", names without a dot included.
  if (p < pattern.size() && pattern.compare(p, std::string::npos, ".*") == 0) return true;
  return p == pattern.size();
}

bool FileFind::FindFile(const std::string& pattern) {
  Close();
  const size_t sep = FindLastSeparator(pattern);
  folder_ = sep == std::string::npos ? std::string() : pattern.substr(0, sep);
  const std::string wildcard = sep == std::string::npos ? pattern : pattern.substr(sep + 1);
  const std::string native_folder = folder_.empty() ? std::string(".") : NativePath(folder_ + "\\");
  DIR* dir = ::opendir(native_folder.c_str());
  if (!dir) {
    problem_ = std::strerror(errno);
    return false;
  }
  while (dirent* e = ::readdir(dir)) {
    const std::string name = ProgramPath(e->d_name);
    if (!WildcardMatch(wildcard, name)) continue;
    Entry entry;
    entry.name = name;
    struct stat st {};
    const std::string full = native_folder + (native_folder.back() == '/' ? "" : "/") + e->d_name;
    if (::stat(full.c_str(), &st) == 0) {
      entry.directory = S_ISDIR(st.st_mode);
      entry.size = st.st_size;
    }
    entry.link = ::lstat(full.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    entries_.push_back(std::move(entry));
  }
  ::closedir(dir);
  // A stable order, so that what is registered from a folder does not depend on the file system.
  std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return !entries_.empty();
}

bool FileFind::FindNextFile() {
  if (entries_.empty()) return false;
  if (!started_) {
    started_ = true;
  } else if (index_ + 1 < entries_.size()) {
    ++index_;
  }
  return index_ + 1 < entries_.size();
}

std::string FileFind::GetFileName() const { return entries_.empty() ? std::string() : entries_[index_].name; }

std::string FileFind::GetFilePath() const { return folder_.empty() ? GetFileName() : folder_ + "\\" + GetFileName(); }

std::string FileFind::GetFileTitle() const {
  const std::string name = GetFileName();
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

bool FileFind::IsDirectory() const { return !entries_.empty() && entries_[index_].directory; }

bool FileFind::IsLink() const { return !entries_.empty() && entries_[index_].link; }

bool FileFind::IsDots() const {
  const std::string name = GetFileName();
  return name == "." || name == "..";
}

int64_t FileFind::GetLength() const { return entries_.empty() ? 0 : entries_[index_].size; }

void FileFind::Close() {
  folder_.clear();
  problem_.clear();
  entries_.clear();
  index_ = 0;
  started_ = false;
}

}  // namespace platform
