// The resource module (id 1001): one table of named resources whose bytes the other modules ask
// for on demand. A resource is a loose file, a member of a package file, a member of a package
// image in memory, or a memory block handed in by the caller. Each is found by the NameKey of its
// resource name: the file's title followed by its category (".imge", ".sound", ...), so
// button.png beside the executable and button.png inside a package are both button.imge.
//
// Later loose files replace earlier registrations of the same name; package members never
// replace what is already registered (the first registration wins).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "engine/core/engine_module.h"
#include "engine/core/name_key.h"

namespace engine {

// Record flags.
inline constexpr uint32_t kResourceFlagValid = 0x01;
inline constexpr uint32_t kResourceOwnsFile = 0x10;    // a loose file or a caller's memory block
inline constexpr uint32_t kResourceSharesFile = 0x20;  // a package member

// Event codes the module handles.
namespace resource_event {
inline constexpr uint32_t kRegisterFile = 1038;      // p1: const char* path; result 0
inline constexpr uint32_t kRegisterFolder = 1039;    // p1: const char* folder; result: files handed over
inline constexpr uint32_t kOpenPackage = 1040;       // p1: const char* path; result: entries walked
inline constexpr uint32_t kOpenPackageImage = 1041;  // p1: image pointer, p2: its size; result: entries walked
}  // namespace resource_event

struct ResourceRecord {
  NameKey key;
  uint32_t type_hash = 0;      // RS hash of the source file's lower-case extension (".png")
  uint32_t category_hash = 0;  // CategoryOfType(type_hash)
  // Where the bytes come from: a loose file is read from its path at each load (no descriptor
  // is held for it); a package member through its package's shared handle. Neither: the bytes
  // are only what `data` holds.
  std::string path;
  FILE* file = nullptr;
  uint32_t flags = 0;
  uint32_t offset = 0;
  uint32_t size = 0;  // byte count; 0 for a loose file until its first load
  // The loaded bytes (size + 1, the last one 0), or null. Allocated with new[]: a consumer that
  // has decoded them may release them with ReleaseResourceData and the next load reads again.
  uint8_t* data = nullptr;
};

// Frees a record's loaded bytes and sets data to null.
void ReleaseResourceData(ResourceRecord* record);

// The file-type table: the RS hash of the category text of an extension hash (".png" ->
// ".imge"), or the hash itself when the table has no row for it.
uint32_t CategoryOfType(uint32_t type_hash);

class ResourceModule : public EngineModule {
 public:
  static constexpr uint32_t kId = module_id::kResource;

  ResourceModule() = default;
  ~ResourceModule() override;

  int Init() override;
  // Closes every handle; records stay, and those that had a file can no longer be loaded.
  void Exit() override;
  uint32_t GetId() const override { return kId; }
  const char* GetName() const override { return "ResourceModule"; }
  int32_t HandleEvent(uint32_t code, uintptr_t p1, uintptr_t p2) override;

  // Registers a loose file under its resource name (or name + its category when name is
  // given). The zero key when the file cannot be opened; nothing changes then.
  NameKey RegisterFile(const std::string& path, const char* name = nullptr);
  // Registers a caller's block (new[]-allocated, size bytes) under the name of file_name;
  // the module owns the block from then on.
  NameKey RegisterMemory(const std::string& file_name, uint8_t* data, uint32_t size);
  // Registers every file of the folder (not its subfolders); returns how many were handed over.
  int RegisterFolder(const std::string& folder);
  // Registers every member of a package file not already registered; returns the entries walked,
  // 0 when the package cannot be opened.
  int OpenPackage(const std::string& path);
  // The same over a package image in memory (not kept; the caller owns it). size bounds every
  // read; 0 means the caller does not know it, and the image's own table is trusted.
  int OpenPackageImage(const uint8_t* image, size_t size);

  bool HasResource(const NameKey& key) const;
  // The record's bytes, loaded when needed; null when absent or not loadable.
  uint8_t* GetResourceData(const NameKey& key);
  ResourceRecord* LoadResource(const NameKey& key);
  // Releases what RegisterFile(path) would register.
  void ReleaseFile(const std::string& path);
  void ReleaseResource(const NameKey& key);

  // For tests and tools.
  size_t ResourceCount() const { return resources_.size(); }
  size_t OpenFileCount() const { return open_files_.size(); }
  const ResourceRecord* FindRecord(const NameKey& key) const;

 private:
  // Names a loose file, drops whatever held its key and starts a valid record the module owns.
  ResourceRecord& StartRecord(const std::string& file_name, const char* name);
  void ReportPackageFailure(const std::string& text, const std::string& reason);
  ResourceRecord* Load(const NameKey& key);

  std::map<NameKey, ResourceRecord, NameKeyLess> resources_;
  std::vector<FILE*> open_files_;
};

// A module of its own, built on first use; never loaded into a core.
ResourceModule* GetResourceModule();

}  // namespace engine
