// Ini files read and written the way the Windows profile functions do it.
//
// A file is read once per change: its parsed lines are kept with the file's identity, size and
// times, and a lookup only looks at those again. A file changed less than a second before it
// was read is read again at the next lookup (its times might not show a change made within
// their granularity).
#include "platform/profile.h"

#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <list>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/ascii.h"
#include "platform/diagnostics.h"
#include "platform/files.h"

namespace platform {
namespace {

std::mutex g_profile_mutex;

struct IniFile {
  std::vector<std::string> lines;  // without line ends
  const char* eol = "\r\n";
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

IniFile Parse(std::string_view text) {
  IniFile ini;
  // A UTF-8 byte-order mark is not part of the first section name.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (text.find("\r\n") == std::string_view::npos && text.find('\n') != std::string_view::npos) ini.eol = "\n";
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ini.lines.emplace_back(line);
    pos = end + 1;
  }
  return ini;
}

// What tells one state of a file from another.
struct Stamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  int64_t modified_ns = 0;
  int64_t changed_ns = 0;
  bool operator==(const Stamp&) const = default;
};

int64_t Nanoseconds(const timespec& t) { return int64_t{t.tv_sec} * 1000000000 + t.tv_nsec; }

Stamp StampOf(const struct stat& st) {
  return Stamp{st.st_dev, st.st_ino, st.st_size, Nanoseconds(st.st_mtim), Nanoseconds(st.st_ctim)};
}

// Whether a file of this stamp, read now, had stopped changing long enough that any later
// change shows in its stamp.
bool Settled(const Stamp& stamp) {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return std::max(stamp.modified_ns, stamp.changed_ns) + 1000000000 <= Nanoseconds(now);
}

struct CachedFile {
  std::string native;
  Stamp stamp;
  bool settled = false;
  std::string problem;  // why the file cannot be used; empty when ini holds it
  IniFile ini;
};

// The files read lately, the latest first.
std::list<CachedFile> g_cache;
constexpr size_t kCachedFiles = 8;

CachedFile& CacheEntry(const std::string& native) {
  auto it = std::find_if(g_cache.begin(), g_cache.end(), [&](const CachedFile& f) { return f.native == native; });
  if (it != g_cache.end()) {
    g_cache.splice(g_cache.begin(), g_cache, it);
  } else {
    g_cache.emplace_front().native = native;
    if (g_cache.size() > kCachedFiles) g_cache.pop_back();
  }
  return g_cache.front();
}

// Reads the open file whole; its stamp from the descriptor. A reason when it cannot be used.
std::string ReadOpenFile(int fd, Stamp* stamp, std::string* text) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return std::strerror(errno);
  *stamp = StampOf(st);
  if (!S_ISREG(st.st_mode)) return "not a file";
  if (static_cast<uint64_t>(st.st_size) > kMaxProfileFileBytes) {
    return std::to_string(st.st_size) + " bytes, more than the " + std::to_string(kMaxProfileFileBytes) +
           " an ini file may hold";
  }
  text->resize(static_cast<size_t>(st.st_size));
  size_t got = 0;
  while (got < text->size()) {
    const ssize_t n = ::read(fd, text->data() + got, text->size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::strerror(errno);
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  text->resize(got);
  return {};
}

// The file's lines, read again only when it changed. A missing file is an empty one; a file
// that cannot be read (or is too large) gives no lines and *readable false, with one report per
// state of the file.
const IniFile& Load(const char* file, bool* readable) {
  static const IniFile kNoLines;
  *readable = true;
  if (!file || !*file) return kNoLines;
  const std::string native = NativePath(file);
  struct stat st {};
  const bool exists = ::stat(native.c_str(), &st) == 0;
  const int stat_error = exists ? 0 : errno;
  if (stat_error == ENOENT || stat_error == ENOTDIR) return kNoLines;
  CachedFile& entry = CacheEntry(native);
  Stamp stamp = exists ? StampOf(st) : Stamp{};
  if (exists && entry.settled && entry.problem.empty() && entry.stamp == stamp) return entry.ini;

  std::string problem = exists ? std::string() : std::strerror(stat_error);
  std::string text;
  if (problem.empty()) {
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
      problem = std::strerror(errno);
    } else {
      problem = ReadOpenFile(fd, &stamp, &text);
      ::close(fd);
    }
  }
  if (!problem.empty()) {
    if (problem != entry.problem || stamp != entry.stamp) {
      ReportProblem("the ini file %s cannot be read (%s): its settings are not used", native.c_str(), problem.c_str());
    }
    entry.stamp = stamp;
    entry.settled = false;
    entry.problem = std::move(problem);
    entry.ini = IniFile{};
    *readable = false;
    return entry.ini;
  }
  entry.stamp = stamp;
  entry.settled = Settled(stamp);
  entry.problem.clear();
  entry.ini = Parse(text);
  return entry.ini;
}

// The file's lines to change and write back; false (reported) when the file exists but could
// not be read: writing it would lose what it holds.
bool LoadForWrite(const char* file, IniFile* ini) {
  bool readable = true;
  *ini = Load(file, &readable);
  if (!readable) {
    ReportProblem("the ini file %s is not written: what it holds could not be read", NativePath(file).c_str());
  }
  return readable;
}

// "[name]" -> name; empty optional-like result when the line is no section header.
bool SectionName(std::string_view line, std::string_view* name) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return false;
  const size_t close = line.find(']');
  if (close == std::string_view::npos) return false;
  *name = Trim(line.substr(1, close - 1));
  return true;
}

// "key=value" -> key and value (both trimmed); false for comments and lines without '='.
bool KeyValue(std::string_view line, std::string_view* key, std::string_view* value) {
  std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';') return false;
  const size_t eq = t.find('=');
  if (eq == std::string_view::npos) return false;
  *key = Trim(t.substr(0, eq));
  *value = Trim(t.substr(eq + 1));
  return true;
}

// The line range [begin, end) of a section's body; begin = npos when the section is missing.
void FindSection(const IniFile& ini, std::string_view section, size_t* header, size_t* end) {
  *header = std::string::npos;
  *end = ini.lines.size();
  for (size_t i = 0; i < ini.lines.size(); ++i) {
    std::string_view name;
    if (!SectionName(ini.lines[i], &name)) continue;
    if (*header != std::string::npos) {
      *end = i;
      return;
    }
    if (AsciiEqualNoCase(name, section)) *header = i;
  }
}

bool Lookup(const IniFile& ini, const char* section, const char* key, std::string* out) {
  size_t header, end;
  FindSection(ini, section, &header, &end);
  if (header == std::string::npos) return false;
  for (size_t i = header + 1; i < end; ++i) {
    std::string_view k, v;
    if (KeyValue(ini.lines[i], &k, &v) && AsciiEqualNoCase(k, key)) {
      // One pair of enclosing quotes is removed, as Windows does.
      if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
      *out = std::string(v);
      return true;
    }
  }
  return false;
}

std::string KeyList(const IniFile& ini, const char* section) {
  std::string list;
  size_t header, end;
  FindSection(ini, section, &header, &end);
  if (header == std::string::npos) return list;
  for (size_t i = header + 1; i < end; ++i) {
    std::string_view k, v;
    if (KeyValue(ini.lines[i], &k, &v)) {
      list.append(k);
      list.push_back('\0');
    }
  }
  return list;
}

std::string SectionList(const IniFile& ini) {
  std::string list;
  for (const auto& line : ini.lines) {
    std::string_view name;
    if (SectionName(line, &name)) {
      list.append(name);
      list.push_back('\0');
    }
  }
  return list;
}

// "key=value". Built with append: GCC 12 warns falsely (-Wrestrict) on chained operator+ here.
std::string KeyLine(std::string_view key, const char* value) { return std::string(key).append("=").append(value); }

// The default loses its trailing blanks only, as on Windows.
std::string DefaultValue(const char* def) {
  std::string_view d = def ? def : "";
  while (!d.empty() && (d.back() == ' ' || d.back() == '\t')) d.remove_suffix(1);
  return std::string(d);
}

// Writes the lines back whole. A file that would grow past what Load reads is not written: the
// file keeps what it held, still readable, rather than becoming one whose settings are all lost.
bool Save(const IniFile& ini, const char* file) {
  std::string text;
  for (const auto& line : ini.lines) {
    text += line;
    text += ini.eol;
    if (text.size() > kMaxProfileFileBytes) {
      ReportProblem("the ini file %s is not written: it would hold more than the %zu bytes an ini file may hold",
                    NativePath(file).c_str(), kMaxProfileFileBytes);
      return false;
    }
  }
  return WriteFileAtomic(file, text.data(), text.size());
}

// Copies a double-zero-terminated list the way Windows does: truncated lists end with two zeros.
unsigned CopyList(const std::string& list, char* out, unsigned size) {
  if (size < 2) {
    if (size == 1) out[0] = '\0';
    return 0;
  }
  if (list.size() + 1 <= size) {
    std::memcpy(out, list.data(), list.size());
    out[list.size()] = '\0';
    if (list.empty()) out[1] = '\0';
    return static_cast<unsigned>(list.empty() ? 0 : list.size());
  }
  std::memcpy(out, list.data(), size - 2);
  out[size - 2] = '\0';
  out[size - 1] = '\0';
  return size - 2;
}

}  // namespace

unsigned GetPrivateProfileStringA(const char* section, const char* key, const char* def, char* out, unsigned size,
                                  const char* file) {
  if (!out || size == 0) return 0;
  std::lock_guard lock(g_profile_mutex);
  bool readable = true;
  const IniFile& ini = Load(file, &readable);
  if (!section) return CopyList(SectionList(ini), out, size);
  if (!key) return CopyList(KeyList(ini, section), out, size);
  std::string value;
  if (!Lookup(ini, section, key, &value)) value = DefaultValue(def);
  const size_t n = std::min<size_t>(value.size(), size - 1);
  std::memcpy(out, value.data(), n);
  out[n] = '\0';
  return static_cast<unsigned>(n);
}

std::string GetProfileString(const char* section, const char* key, const char* def, const char* file) {
  std::lock_guard lock(g_profile_mutex);
  bool readable = true;
  std::string value;
  if (!section || !key || !Lookup(Load(file, &readable), section, key, &value)) value = DefaultValue(def);
  return value;
}

unsigned GetPrivateProfileIntA(const char* section, const char* key, int def, const char* file) {
  std::string value;
  {
    std::lock_guard lock(g_profile_mutex);
    bool readable = true;
    if (!section || !key || !Lookup(Load(file, &readable), section, key, &value)) return static_cast<unsigned>(def);
  }
  // Leading decimal digits with an optional sign; anything else reads as 0.
  const char* p = value.c_str();
  bool negative = false;
  if (*p == '-' || *p == '+') negative = *p++ == '-';
  long long n = 0;
  while (*p >= '0' && *p <= '9' && n < (1LL << 40)) n = n * 10 + (*p++ - '0');
  return static_cast<unsigned>(negative ? -n : n);
}

bool WritePrivateProfileStringA(const char* section, const char* key, const char* value, const char* file) {
  if (!section || !file) return false;
  std::lock_guard lock(g_profile_mutex);
  IniFile ini;
  if (!LoadForWrite(file, &ini)) return false;
  size_t header, end;
  FindSection(ini, section, &header, &end);

  if (!key) {  // delete the whole section
    if (header == std::string::npos) return true;
    ini.lines.erase(ini.lines.begin() + static_cast<long>(header), ini.lines.begin() + static_cast<long>(end));
    return Save(ini, file);
  }

  if (header != std::string::npos) {
    for (size_t i = header + 1; i < end; ++i) {
      std::string_view k, v;
      if (KeyValue(ini.lines[i], &k, &v) && AsciiEqualNoCase(k, key)) {
        if (value) {
          ini.lines[i] = KeyLine(k, value);
        } else {
          ini.lines.erase(ini.lines.begin() + static_cast<long>(i));
        }
        return Save(ini, file);
      }
    }
    if (!value) return true;
    // New key: after the section's last non-blank line.
    size_t at = end;
    while (at > header + 1 && Trim(ini.lines[at - 1]).empty()) --at;
    ini.lines.insert(ini.lines.begin() + static_cast<long>(at), KeyLine(key, value));
    return Save(ini, file);
  }

  if (!value) return true;
  ini.lines.push_back(std::string("[").append(section).append("]"));
  ini.lines.push_back(KeyLine(key, value));
  return Save(ini, file);
}

bool WriteProfileInt(const char* section, const char* key, int value, const char* file) {
  const std::string text = std::to_string(value);
  return WritePrivateProfileStringA(section, key, text.c_str(), file);
}

bool WritePrivateProfileSectionA(const char* section, const char* pairs, const char* file) {
  if (!section || !pairs || !file) return false;
  std::vector<std::string> body;
  for (const char* p = pairs; *p != '\0'; p += std::strlen(p) + 1) body.emplace_back(p);
  std::lock_guard lock(g_profile_mutex);
  IniFile ini;
  if (!LoadForWrite(file, &ini)) return false;
  size_t header, end;
  FindSection(ini, section, &header, &end);
  if (header == std::string::npos) {
    ini.lines.push_back(std::string("[").append(section).append("]"));
    ini.lines.insert(ini.lines.end(), body.begin(), body.end());
  } else {
    ini.lines.erase(ini.lines.begin() + static_cast<long>(header) + 1, ini.lines.begin() + static_cast<long>(end));
    ini.lines.insert(ini.lines.begin() + static_cast<long>(header) + 1, body.begin(), body.end());
  }
  return Save(ini, file);
}

}  // namespace platform
