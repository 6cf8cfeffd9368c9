#include "engine/media/resource_module.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>

#include "engine/core/engine_files.h"
#include "engine/core/engine_log.h"
#include "engine/media/byte_span.h"
#include "engine/media/resource_package.h"
#include "platform/files.h"

namespace engine {

namespace {

// The file-type table: extension and category, in lookup order.
constexpr const char* kFileTypes[32][2] = {
    {".pps", ".imge"},  {".png", ".imge"},  {".jpg", ".imge"},   {".jpeg", ".imge"},  {".gif", ".imge"},
    {".bmp", ".imge"},  {".mng", ".imge"},  {".ico", ".imge"},   {".tga", ".imge"},   {".tif", ".imge"},
    {".pcx", ".imge"},  {".wbmp", ".imge"}, {".wmf", ".imge"},   {".mp3", ".sound"},  {".wav", ".sound"},
    {".ogg", ".sound"}, {".mid", ".sound"}, {".lua", ".script"}, {".qzs", ".script"}, {".swf", ".flash"},
    {".flv", ".flash"}, {".avi", ".vedio"}, {".rm", ".vedio"},   {".rmvb", ".vedio"}, {".mpeg", ".vedio"},
    {".htm", ".http"},  {".asp", ".http"},  {".html", ".http"},  {".aspx", ".http"},  {".jsp", ".http"},
    {".php", ".http"},  {".cgi", ".http"},
};

struct TypePair {
  uint32_t extension;
  uint32_t category;
};

const std::vector<TypePair>& FileTypeTable() {
  static const std::vector<TypePair> table = [] {
    std::vector<TypePair> t;
    for (const auto& row : kFileTypes) t.push_back({HashRS(row[0]), HashRS(row[1])});
    return t;
  }();
  return table;
}

// The texts posted to the monitor must outlive their events, which stay queued as long as the
// core lives (nothing loads the monitor): they are kept for the life of the process.
const char* KeepText(const std::string& text) {
  static std::mutex mutex;
  static std::deque<std::string> texts;
  std::lock_guard<std::mutex> lock(mutex);
  texts.push_back(text);
  return texts.back().c_str();
}

// Name, key and hashes of a file as the module registers it.
struct Naming {
  NameKey key;
  uint32_t type_hash;
  uint32_t category_hash;
};

Naming NameFile(const std::string& path, const char* name) {
  const std::string extension = GetFileExtension(path);
  std::string resource_name = name ? std::string(name) : GetFileTitle(path);
  ClassifyExtension(&resource_name, extension);
  Naming n;
  n.key = MakeNameKey(resource_name);
  n.type_hash = HashRS(extension);
  n.category_hash = CategoryOfType(n.type_hash);
  return n;
}

// A buffer of size + 1 bytes, all zero (so a short read leaves zeros, and text ends in a NUL).
uint8_t* NewDataBlock(uint32_t size) { return new uint8_t[size_t{size} + 1](); }

}  // namespace

void ReleaseResourceData(ResourceRecord* record) {
  delete[] record->data;
  record->data = nullptr;
}

uint32_t CategoryOfType(uint32_t type_hash) {
  for (const TypePair& pair : FileTypeTable()) {
    if (pair.extension == type_hash) return pair.category;
  }
  return type_hash;
}

ResourceModule::~ResourceModule() {
  for (auto& [key, record] : resources_) ReleaseResourceData(&record);
  for (FILE* f : open_files_) std::fclose(f);
}

int ResourceModule::Init() { return 1; }

void ResourceModule::Exit() {
  for (FILE* f : open_files_) std::fclose(f);
  open_files_.clear();
  // Their bytes stay, but nothing is read for them any more.
  for (auto& [key, record] : resources_) {
    record.file = nullptr;
    record.path.clear();
  }
}

int32_t ResourceModule::HandleEvent(uint32_t code, uintptr_t p1, uintptr_t p2) {
  const char* text = reinterpret_cast<const char*>(p1);
  switch (code) {
    case resource_event::kRegisterFile:
      if (text) RegisterFile(text);
      return 0;
    case resource_event::kRegisterFolder:
      return text ? RegisterFolder(text) : 0;
    case resource_event::kOpenPackage:
      return text ? OpenPackage(text) : 0;
    case resource_event::kOpenPackageImage:
      return OpenPackageImage(reinterpret_cast<const uint8_t*>(p1), static_cast<size_t>(p2));
    default:
      return QUILLARON_RETURN_OK;
  }
}

NameKey ResourceModule::RegisterFile(const std::string& path, const char* name) {
  // The file must be readable now; its bytes are read at the first load. No descriptor is kept,
  // so any number of loose files can be registered.
  FILE* f = platform::OpenFile(path, "rb");
  if (!f) return NameKey{};
  std::fclose(f);
  ResourceRecord& record = StartRecord(path, name);
  record.path = path;
  return record.key;
}

NameKey ResourceModule::RegisterMemory(const std::string& file_name, uint8_t* data, uint32_t size) {
  ResourceRecord& record = StartRecord(file_name, nullptr);
  record.size = size;
  record.data = data;
  return record.key;
}

ResourceRecord& ResourceModule::StartRecord(const std::string& file_name, const char* name) {
  const Naming n = NameFile(file_name, name);
  ReleaseResource(n.key);
  ResourceRecord& record = resources_[n.key];
  record.key = n.key;
  record.type_hash = n.type_hash;
  record.category_hash = n.category_hash;
  record.flags = kResourceFlagValid | kResourceOwnsFile;
  return record;
}

int ResourceModule::RegisterFolder(const std::string& folder) {
  std::string pattern = folder;
  if (pattern.empty() || (pattern.back() != '\\' && pattern.back() != '/')) pattern += '\\';
  pattern += "*.*";
  std::vector<std::string> files;
  platform::FileFind find;
  for (bool more = find.FindFile(pattern); more;) {
    more = find.FindNextFile();
    if (!find.IsDirectory() && !find.IsDots()) files.push_back(find.GetFilePath());
  }
  for (const std::string& file : files) RegisterFile(file);
  return static_cast<int>(files.size());
}

void ResourceModule::ReportPackageFailure(const std::string& text, const std::string& reason) {
  WriteGameLog("%s", text.c_str());
  if (!reason.empty()) WriteGameLog("%s", reason.c_str());
  PostEvent(1010, 1002, reinterpret_cast<uintptr_t>(KeepText(text)), 0);
}

int ResourceModule::OpenPackage(const std::string& path) {
  ResourcePackage package(path);
  FILE* shared = package.IsOpen() ? platform::OpenFile(path, "rb") : nullptr;
  if (!shared) {
    char text[600];
    std::snprintf(text, sizeof text, "资源包%s加载失败!", path.c_str());
    ReportPackageFailure(text, package.error());
    return 0;
  }
  open_files_.push_back(shared);
  const uint32_t used = package.GetUsedCount();
  int walked = 0;
  package.Rewind();
  for (bool more = used > 0; more; more = package.Next(0)) {
    ++walked;
    const uint32_t index = package.GetIndex();
    const PackageEntry entry = package.GetCurrentEntry();
    if (!package.EntryInBounds(index)) {
      WriteGameLog("qzr: %s member %u passes the end of the file; skipped", path.c_str(), index);
      continue;
    }
    auto [it, fresh] = resources_.try_emplace(entry.key());
    if (!fresh) continue;  // the first registration of a name wins
    ResourceRecord& record = it->second;
    record.key = entry.key();
    record.type_hash = entry.type;
    record.category_hash = CategoryOfType(entry.type);
    record.file = shared;
    record.flags = kResourceFlagValid | kResourceSharesFile;
    record.offset = entry.offset;
    record.size = entry.size;
  }
  return walked;
}

int ResourceModule::OpenPackageImage(const uint8_t* image, size_t size) {
  if (!image) {
    char text[64];
    std::snprintf(text, sizeof text, "资源包%x加载失败!", 0u);
    ReportPackageFailure(text, "");
    return 0;
  }
  if (size == 0) {
    // A caller that knows no size: the image's own header and table say how far it reaches.
    const uint64_t capacity = ReadU32(image + 104);
    uint64_t extent = kPackageHeaderSize + capacity * kPackageEntrySize;
    const uint32_t used = ReadU32(image + 100);
    for (uint32_t i = 0; i < used && i < capacity; ++i) {
      const uint8_t* e = image + kPackageHeaderSize + uint64_t{i} * kPackageEntrySize;
      extent = std::max<uint64_t>(extent, uint64_t{ReadU32(e + 12)} + ReadU32(e + 16));
    }
    size = static_cast<size_t>(extent);
  }
  MemoryResourcePackage package(image, size);
  if (!package.IsOpen()) {
    char text[64];
    std::snprintf(text, sizeof text, "资源包%llx加载失败!",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(image)));
    ReportPackageFailure(text, package.error());
    return 0;
  }
  int walked = 0;
  package.Rewind();
  for (bool more = package.GetUsedCount() > 0; more; more = package.Next(0)) {
    ++walked;
    const uint32_t index = package.GetIndex();
    const PackageEntry entry = package.GetCurrentEntry();
    if (resources_.count(entry.key())) continue;
    if (!package.EntryInBounds(index)) {
      WriteGameLog("qzr: package image member %u passes the end of the image; skipped", index);
      continue;
    }
    uint8_t* copy = NewDataBlock(entry.size);
    if (entry.size) std::memcpy(copy, package.image() + entry.offset, entry.size);
    ResourceRecord& record = resources_[entry.key()];
    record.key = entry.key();
    record.type_hash = entry.type;
    record.category_hash = CategoryOfType(entry.type);
    record.flags = kResourceFlagValid | kResourceSharesFile;
    record.offset = entry.offset;
    record.size = entry.size;
    record.data = copy;
  }
  return walked;
}

bool ResourceModule::HasResource(const NameKey& key) const { return resources_.count(key) != 0; }

const ResourceRecord* ResourceModule::FindRecord(const NameKey& key) const {
  const auto it = resources_.find(key);
  return it == resources_.end() ? nullptr : &it->second;
}

ResourceRecord* ResourceModule::LoadResource(const NameKey& key) {
  try {
    return Load(key);
  } catch (const std::bad_alloc&) {
    WriteGameLog("ResourceModule: out of memory loading a resource");
    return nullptr;
  }
}

ResourceRecord* ResourceModule::Load(const NameKey& key) {
  const auto it = resources_.find(key);
  if (it == resources_.end()) return nullptr;
  ResourceRecord& record = it->second;
  if (record.data) return &record;

  if (!record.path.empty()) {
    // A loose file: its length now is its size.
    FILE* f = platform::OpenFile(record.path, "rb");
    if (!f) {
      WriteGameLog("文件%s 打开失败!", record.path.c_str());
      return nullptr;
    }
    long length = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) length = std::ftell(f);
    if (length < 0 || static_cast<uint64_t>(length) > UINT32_MAX || std::fseek(f, 0, SEEK_SET) != 0) {
      std::fclose(f);
      return nullptr;
    }
    record.size = static_cast<uint32_t>(length);
    record.data = NewDataBlock(record.size);
    const size_t read = std::fread(record.data, 1, record.size, f);
    std::fclose(f);
    if (read != record.size) WriteGameLog("%s: %zu of %u bytes read", record.path.c_str(), read, record.size);
    return &record;
  }
  if (!record.file) return nullptr;
  // A package member: exactly its own bytes, even when it has none (a size of 0 is not "to the
  // end of the file" here, which would hand out the rest of the package).
  record.data = NewDataBlock(record.size);
  size_t read = 0;
  if (std::fseek(record.file, static_cast<long>(record.offset), SEEK_SET) == 0) {
    read = std::fread(record.data, 1, record.size, record.file);
  }
  if (read != record.size) WriteGameLog("qzr: member at %u: %zu of %u bytes read", record.offset, read, record.size);
  return &record;
}

uint8_t* ResourceModule::GetResourceData(const NameKey& key) {
  const auto it = resources_.find(key);
  if (it == resources_.end()) return nullptr;
  if (it->second.data) return it->second.data;
  ResourceRecord* record = LoadResource(key);
  return record ? record->data : nullptr;
}

void ResourceModule::ReleaseFile(const std::string& path) { ReleaseResource(NameFile(path, nullptr).key); }

void ResourceModule::ReleaseResource(const NameKey& key) {
  const auto it = resources_.find(key);
  if (it == resources_.end()) return;
  ReleaseResourceData(&it->second);
  // A package's shared handle stays open for its other members until Exit.
  resources_.erase(it);
}

ResourceModule* GetResourceModule() {
  static ResourceModule module;
  return &module;
}

}  // namespace engine
