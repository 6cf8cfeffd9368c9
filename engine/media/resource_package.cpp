#include "engine/media/resource_package.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/core/engine_files.h"
#include "engine/core/engine_log.h"
#include "engine/media/byte_span.h"
#include "platform/atomic_file.h"
#include "platform/files.h"
#include "platform/gbk.h"
#include "platform/message_box.h"

namespace engine {

namespace {

constexpr size_t kNameOffset = 32;
constexpr size_t kUsedOffset = 100;
constexpr size_t kCapacityOffset = 104;

PackageEntry ReadEntry(const uint8_t* p) {
  PackageEntry e;
  e.rs = ReadU32(p);
  e.js = ReadU32(p + 4);
  e.x31 = ReadU32(p + 8);
  e.offset = ReadU32(p + 12);
  e.size = ReadU32(p + 16);
  e.type = ReadU32(p + 20);
  e.user_a = ReadU32(p + 24);
  e.user_b = ReadU32(p + 28);
  return e;
}

void WriteEntry(uint8_t* p, const PackageEntry& e) {
  WriteU32(p, e.rs);
  WriteU32(p + 4, e.js);
  WriteU32(p + 8, e.x31);
  WriteU32(p + 12, e.offset);
  WriteU32(p + 16, e.size);
  WriteU32(p + 20, e.type);
  WriteU32(p + 24, e.user_a);
  WriteU32(p + 28, e.user_b);
}

// Whether the used members' bytes lie apart: none overlaps another, or the header and table
// before them (table_end). Empty members take no bytes. A member that passes the end of the
// file is left to the loaders, which refuse it.
bool MembersApart(const std::vector<PackageEntry>& entries, uint32_t used, uint64_t table_end, std::string* error) {
  std::vector<const PackageEntry*> members;
  members.reserve(used);
  for (uint32_t i = 0; i < used; ++i) {
    if (entries[i].size > 0) members.push_back(&entries[i]);
  }
  std::sort(members.begin(), members.end(),
            [](const PackageEntry* a, const PackageEntry* b) { return a->offset < b->offset; });
  uint64_t end = table_end;
  for (const PackageEntry* e : members) {
    if (e->offset < end) {
      *error = "member at offset " + std::to_string(e->offset) + " overlaps " +
               (end == table_end ? std::string("the header and entry table") : std::string("another member"));
      return false;
    }
    end = uint64_t{e->offset} + e->size;
  }
  return true;
}

// '/' never occurs as a GBK trail byte, so a plain replacement is safe.
std::string WithBackslashes(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

struct Category {
  const char* text;
  std::vector<const char*> extensions;
};

const std::vector<Category>& Categories() {
  static const std::vector<Category> categories = {
      {".imge",
       {".pps", ".bmp", ".png", ".gif", ".jpg", ".jpeg", ".ico", ".tga", ".tif", ".mng", ".pcx", ".wbmp", ".wmf"}},
      {".sound", {".mp3", ".wav", ".mid", ".ogg", ".sound"}},
      {".text", {".txt", ".doc"}},
      {".ini", {".ini", ".qzi"}},
      {".vedio", {".avi", ".rm", ".rmvb", ".mpeg"}},
      {".script", {".qzs", ".lua"}},
      {".flash", {".swf", ".flv"}},
      {".http", {".htm", ".html", ".asp", ".aspx", ".jsp", ".php", ".cgi"}},
  };
  return categories;
}

const char* CategoryOfExtension(const std::string& extension) {
  for (const Category& c : Categories()) {
    for (const char* e : c.extensions) {
      if (extension == e) return c.text;
    }
  }
  return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Reading.

ResourcePackage::ResourcePackage(const std::string& path) {
  if (path.size() > kMaxPathLength) {
    error_ = "path of " + std::to_string(path.size()) + " bytes is longer than " + std::to_string(kMaxPathLength);
    WriteGameLog("ResourcePackage: %s refused", error_.c_str());
    return;
  }
  const std::string stored = WithBackslashes(path);
  FILE* f = platform::OpenFile(stored, "rb");
  if (!f) {
    error_ = "cannot open " + stored + " (" + platform::ReadProblem(stored) + ")";
    return;
  }
  std::vector<uint8_t> head;
  long length = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) length = std::ftell(f);
  bool ok = length >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok && static_cast<uint64_t>(length) >= kPackageHeaderSize) {
    head.resize(kPackageHeaderSize);
    ok = std::fread(head.data(), 1, head.size(), f) == head.size();
    const uint64_t capacity = ok ? ReadU32(head.data() + kCapacityOffset) : 0;
    const uint64_t table = capacity * kPackageEntrySize;
    // Read the table only when the file can hold it: the capacity comes from the file.
    if (ok && kPackageHeaderSize + table <= static_cast<uint64_t>(length)) {
      head.resize(kPackageHeaderSize + table);
      ok = std::fread(head.data() + kPackageHeaderSize, 1, table, f) == table;
    }
  }
  std::fclose(f);
  if (!ok) {
    error_ = "cannot read " + stored;
    return;
  }
  if (!ParseHeaderAndTable(head.data(), head.size(), static_cast<uint64_t>(length))) {
    error_ = stored + ": " + error_;
    return;
  }
  path_ = stored;
}

bool ResourcePackage::ParseHeaderAndTable(const uint8_t* bytes, size_t available, uint64_t total_size) {
  if (available < kPackageHeaderSize) {
    error_ = "shorter than a package header";
    return false;
  }
  if (std::memcmp(bytes, kPackageMagic, sizeof kPackageMagic) != 0) {
    error_ = "not a resource package (no \"qzr\" mark)";
    WriteGameLog("ResourcePackage: %s", error_.c_str());
    return false;
  }
  const uint32_t used = ReadU32(bytes + kUsedOffset);
  const uint64_t capacity = ReadU32(bytes + kCapacityOffset);
  if (kPackageHeaderSize + capacity * kPackageEntrySize > std::min<uint64_t>(available, total_size)) {
    error_ = "entry table of " + std::to_string(capacity) + " entries passes the end";
    return false;
  }
  if (used > capacity) {
    error_ = "uses " + std::to_string(used) + " entries of " + std::to_string(capacity);
    return false;
  }
  std::vector<PackageEntry> entries(capacity);
  for (uint64_t i = 0; i < capacity; ++i) entries[i] = ReadEntry(bytes + kPackageHeaderSize + i * kPackageEntrySize);
  if (!MembersApart(entries, used, kPackageHeaderSize + capacity * kPackageEntrySize, &error_)) return false;
  std::memcpy(header_, bytes, kPackageHeaderSize);
  entries_ = std::move(entries);
  used_ = used;
  data_end_ = total_size;
  cursor_ = 0;
  BuildIndex();
  return true;
}

void ResourcePackage::BuildIndex() {
  index_.clear();
  index_.reserve(used_);
  // The first entry of a key wins, as a scan from the front would find it.
  for (uint32_t i = 0; i < used_; ++i) index_.emplace(entries_[i].key(), i);
}

ResourcePackage::~ResourcePackage() = default;

bool ResourcePackage::IsOpen() const { return !path_.empty(); }

PackageEntry ResourcePackage::GetEntry(uint32_t index) const {
  return ValidIndex(index) ? entries_[index] : PackageEntry{};
}

uint32_t ResourcePackage::GetEntrySize(uint32_t index) const { return ValidIndex(index) ? entries_[index].size : 0; }

uint32_t ResourcePackage::GetEntryTypeHash(uint32_t index) const {
  return ValidIndex(index) ? entries_[index].type : 0;
}

bool ResourcePackage::EntryInBounds(uint32_t index) const {
  return ValidIndex(index) && uint64_t{entries_[index].offset} + entries_[index].size <= data_end_;
}

bool ResourcePackage::Next(uint32_t filter) {
  if (used_ == 0 || cursor_ >= used_ - 1) return false;
  ++cursor_;
  if (filter == 0) return true;
  while (entries_[cursor_].type != filter) {
    if (cursor_ >= used_ - 1) return false;
    ++cursor_;
  }
  return true;
}

int32_t ResourcePackage::FindEntryByKey(uint32_t rs, uint32_t js, uint32_t x31) const {
  const auto it = index_.find(NameKey{rs, js, x31});
  return it == index_.end() ? -1 : static_cast<int32_t>(it->second);
}

int32_t ResourcePackage::FindEntryByName(const std::string& resource_name) const {
  const NameKey key = MakeNameKey(resource_name);
  return FindEntryByKey(key.rs, key.js, key.x31);
}

int ResourcePackage::ReadEntryInto(uint32_t index, uint8_t* buffer, size_t buffer_size) {
  if (!IsOpen() || !ValidIndex(index) || buffer_size < entries_[index].size || !EntryInBounds(index)) return 0;
  FILE* f = platform::OpenFile(path_, "rb");
  if (!f) return 0;
  const PackageEntry& e = entries_[index];
  const bool ok =
      std::fseek(f, static_cast<long>(e.offset), SEEK_SET) == 0 && std::fread(buffer, 1, e.size, f) == e.size;
  std::fclose(f);
  return ok ? 1 : 0;
}

bool ResourcePackage::LoadEntry(uint32_t index, std::vector<uint8_t>* out) {
  if (!IsOpen() || !ValidIndex(index) || !EntryInBounds(index)) return false;
  std::vector<uint8_t> bytes(entries_[index].size);
  if (!ReadEntryInto(index, bytes.data(), bytes.size())) return false;
  *out = std::move(bytes);
  return true;
}

bool ResourcePackage::LoadEntryByName(const std::string& resource_name, std::vector<uint8_t>* out) {
  if (!IsOpen()) return false;
  const int32_t index = FindEntryByName(resource_name);
  return index >= 0 && LoadEntry(static_cast<uint32_t>(index), out);
}

bool LoadPackageEntry(const std::string& package_path, const std::string& resource_name, std::vector<uint8_t>* out) {
  ResourcePackage package(package_path);
  return package.LoadEntryByName(resource_name, out);
}

// ---------------------------------------------------------------------------------------------
// Memory images.

MemoryResourcePackage::MemoryResourcePackage(const uint8_t* image, size_t size) {
  if (!image) {
    error_ = "no image";
    return;
  }
  if (!ParseHeaderAndTable(image, size, size)) return;
  image_ = image;
}

MemoryResourcePackage::~MemoryResourcePackage() = default;

bool MemoryResourcePackage::IsOpen() const { return image_ != nullptr; }

int MemoryResourcePackage::ReadEntryInto(uint32_t index, uint8_t* buffer, size_t buffer_size) {
  if (!IsOpen() || !ValidIndex(index) || buffer_size < entries_[index].size || !EntryInBounds(index)) return 0;
  std::memcpy(buffer, image_ + entries_[index].offset, entries_[index].size);
  return 1;
}

bool MemoryResourcePackage::LoadEntry(uint32_t index, std::vector<uint8_t>* out) {
  if (!IsOpen() || !ValidIndex(index) || !EntryInBounds(index)) return false;
  const PackageEntry& e = entries_[index];
  out->assign(image_ + e.offset, image_ + e.offset + e.size);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Writing.

ResourcePackage::ResourcePackage(const std::string& name, uint32_t capacity, uint32_t word_a, uint32_t word_b,
                                 uint32_t word_c) {
  std::memcpy(header_, kPackageMagic, sizeof kPackageMagic);
  WriteU32(header_ + 8, word_a);
  WriteU32(header_ + 12, word_b);
  SetHeaderValues(1.0, 1.0);
  SetName(name);
  WriteU32(header_ + 96, word_c);
  entries_.resize(capacity);
  member_paths_.resize(capacity);
  name_hashes_.resize(capacity);
  StoreUsed();
  data_offset_ = kPackageHeaderSize + uint64_t{capacity} * kPackageEntrySize;
}

void ResourcePackage::StoreUsed() {
  WriteU32(header_ + kUsedOffset, used_);
  WriteU32(header_ + kCapacityOffset, static_cast<uint32_t>(entries_.size()));
}

size_t ResourcePackage::SetName(const std::string& name) {
  // At most 63 bytes and the NUL: a longer name would run into the words after it.
  const size_t length = std::min(name.size(), kPackageNameSize - 1);
  std::memset(header_ + kNameOffset, 0, kPackageNameSize);
  std::memcpy(header_ + kNameOffset, name.data(), length);
  return length + 1;
}

std::string ResourcePackage::GetName() const {
  const char* p = reinterpret_cast<const char*>(header_ + kNameOffset);
  return std::string(p, strnlen(p, kPackageNameSize));
}

void ResourcePackage::SetHeaderValues(double first, double second) {
  WriteF64(header_ + 16, first);
  WriteF64(header_ + 24, second);
}

uint32_t ResourcePackage::AddFile(const std::string& source_name, const std::string& disk_path, const char* suffix,
                                  uint32_t word_a, uint32_t word_b) {
  return AddFileNamed(ResourceNameOf(source_name, suffix), GetFileExtension(source_name), disk_path, word_a, word_b);
}

uint32_t ResourcePackage::AddFileNamed(const std::string& name, const std::string& extension,
                                       const std::string& disk_path, uint32_t word_a, uint32_t word_b,
                                       std::string* error) {
  std::string reason;
  const int64_t size = platform::FileSize(disk_path);
  if (used_ >= entries_.size()) {
    reason = "the table of " + std::to_string(entries_.size()) + " entries is full";
  } else if (!FileExists(disk_path) || size < 0) {
    reason = "cannot read " + disk_path + " (" + platform::ReadProblem(disk_path) + ")";
  } else if (data_offset_ + static_cast<uint64_t>(size) > kMaxPackageSize) {
    reason = disk_path + " (" + std::to_string(size) + " bytes) does not fit in a package: its bytes would end past " +
             std::to_string(kMaxPackageSize) + ", the most its offsets and sizes can reach";
  }
  if (!reason.empty()) {
    if (error) *error = reason;
    return 0;
  }
  const NameKey key = MakeNameKey(name);
  PackageEntry& e = entries_[used_];
  e.rs = key.rs;
  e.js = key.js;
  e.x31 = key.x31;
  e.offset = static_cast<uint32_t>(data_offset_);
  e.size = static_cast<uint32_t>(size);
  e.type = HashRS(extension);
  e.user_a = word_a;
  e.user_b = word_b;
  data_offset_ += static_cast<uint64_t>(size);
  member_paths_[used_] = disk_path;
  name_hashes_[used_] = e.rs;
  index_.emplace(key, used_);
  ++used_;
  StoreUsed();
  return used_;
}

void ResourcePackage::SetEntryWords(const std::string& resource_name, uint32_t word_a, uint32_t word_b) {
  const int32_t index = FindEntryByName(resource_name);
  if (index < 0) return;
  entries_[index].user_a = word_a;
  entries_[index].user_b = word_b;
}

void ResourcePackage::SortEntries() {
  if (used_ < 2 || member_paths_.size() < used_) return;
  for (uint32_t i = 0; i + 1 < used_; ++i) {
    for (uint32_t j = i + 1; j < used_; ++j) {
      if (name_hashes_[i] > name_hashes_[j]) {
        std::swap(entries_[i], entries_[j]);
        std::swap(member_paths_[i], member_paths_[j]);
        std::swap(name_hashes_[i], name_hashes_[j]);
      }
    }
  }
  BuildIndex();
}

uint64_t ResourcePackage::LayOut() {
  uint64_t running = kPackageHeaderSize + uint64_t{static_cast<uint32_t>(entries_.size())} * kPackageEntrySize;
  for (PackageEntry& e : entries_) {
    e.offset = static_cast<uint32_t>(running);
    running += e.size;
  }
  return running;
}

std::string ResourcePackage::OutputIsMember(const std::string& output_path) const {
  for (uint32_t i = 0; i < used_ && i < member_paths_.size(); ++i) {
    if (platform::WritesOver(output_path, member_paths_[i])) {
      return output_path + " is the member " + member_paths_[i] + ": a package is never written over what it packs";
    }
  }
  return {};
}

uint32_t ResourcePackage::Pack(const std::string& output_path, int write, std::string* error) {
  if (!write) return used_;
  const auto refuse = [&](const std::string& text) -> uint32_t {
    if (error) {
      *error = text;
    } else {
      WriteGameLog("ResourcePackage: %s", text.c_str());
    }
    return 0;
  };
  // The reader opens no path longer than this: such a package could never be read again.
  if (output_path.size() > kMaxPathLength) {
    return refuse("the path of " + std::to_string(output_path.size()) + " bytes is longer than the " +
                  std::to_string(kMaxPathLength) + " a package can be opened by");
  }
  StoreUsed();
  const uint64_t length = LayOut();
  if (length > kMaxPackageSize) {
    return refuse("the members do not fit in a package: it would be " + std::to_string(length) +
                  " bytes long, and its offsets reach " + std::to_string(kMaxPackageSize));
  }
  const std::string output = WithBackslashes(output_path);
  if (std::string reason = OutputIsMember(output); !reason.empty()) return refuse(reason);

  platform::AtomicFile file(output);
  std::vector<uint8_t> table(kPackageHeaderSize + entries_.size() * kPackageEntrySize);
  std::memcpy(table.data(), header_, kPackageHeaderSize);
  for (size_t i = 0; i < entries_.size(); ++i)
    WriteEntry(&table[kPackageHeaderSize + i * kPackageEntrySize], entries_[i]);
  file.Write(table.data(), table.size());
  for (uint32_t i = 0; i < used_ && file.ok(); ++i) {
    // Exactly the size recorded when the file was added: a member that changed since would
    // shift every later member away from its offset.
    const std::string& member = i < member_paths_.size() ? member_paths_[i] : std::string();
    std::string why;
    if (!file.CopyFrom(member, entries_[i].size, &why) && file.ok()) {
      // The system's reason follows the message's own words ("Permission denied").
      const std::string text = "资源" + member + "打包失败 (" + why + ")";
      if (error) {
        *error = text;
      } else {
        WriteGameLog("%s", text.c_str());
        platform::MessageBoxA(text.c_str(), "", platform::MB_OK);
      }
      return 0;  // the temporary file goes with `file`
    }
  }
  // The writer's reason is UTF-8; the package's are program text.
  if (!file.Commit()) return refuse(platform::Utf8ToGb18030(file.error()));
  return used_;
}

// ---------------------------------------------------------------------------------------------
// Classifier.

int ClassifyExtension(std::string* name, const std::string& extension) {
  if (const char* category = CategoryOfExtension(extension)) {
    name->append(category);
    return 1;
  }
  name->append(extension);
  return 0;
}

uint32_t CategoryHashOfExtension(const std::string& extension) {
  if (extension == ".jpeg") return 0;
  const char* category = CategoryOfExtension(extension);
  return category ? HashRS(category) : 0;
}

std::string ImageExtensionOfHash(uint32_t hash) {
  static const char* const kImages[] = {".pps", ".bmp", ".png", ".gif", ".jpg",  ".ico",
                                        ".tga", ".tif", ".mng", ".pcx", ".wbmp", ".wmf"};
  for (const char* e : kImages) {
    if (HashRS(e) == hash) return e;
  }
  return {};
}

std::string ResourceNameOf(const std::string& file_name, const char* suffix) {
  std::string name = GetFileTitle(file_name);
  if (suffix) {
    name += suffix;
  } else {
    ClassifyExtension(&name, GetFileExtension(file_name));
  }
  return name;
}

}  // namespace engine
