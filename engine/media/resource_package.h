// Resource packages (.qzr): many resource files in one file, each member named by the three
// hashes of its resource name (title + category text, "button.imge").
//
// File layout, little-endian:
//   0    "qzr" and a NUL, then 4 zero bytes
//   8    header word A, 12 header word B (given at creation)
//   16   f64 first value, 24 f64 second value (1.0 at creation)
//   32   package name, 64 bytes, NUL-terminated
//   96   header word C, 100 used entries, 104 capacity
//   108  68 zero bytes
//   176  capacity entries of 32 bytes: RS, JS, x31 hash of the resource name, offset, size,
//        type (RS hash of the member's lower-case extension), user word A, user word B
//   then the members' bytes back to back. Spare entries are zero but for the offset, which
//   points at the end of the data.
//
// The reader keeps only the header and the entry table, never an open file. A file without the
// mark, whose path is longer than kMaxPathLength, whose table does not fit in it, whose used
// count passes its capacity, or whose members overlap each other or the header and table, is
// not opened (with a line in the daily log for the first two); an entry whose bytes pass the
// end of the file stays in the table but cannot be loaded. The writer refuses an output path
// the reader would refuse.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/core/name_key.h"

namespace engine {

inline constexpr size_t kPackageHeaderSize = 176;
inline constexpr size_t kPackageEntrySize = 32;
inline constexpr size_t kPackageNameSize = 64;
// Offsets and sizes are 32-bit: no byte of a package lies past this.
inline constexpr uint64_t kMaxPackageSize = UINT32_MAX;
// The first four bytes of every package: "qzr" and its NUL. A file without them is refused.
inline constexpr char kPackageMagic[4] = {'q', 'z', 'r', '\0'};

struct PackageEntry {
  uint32_t rs = 0;
  uint32_t js = 0;
  uint32_t x31 = 0;
  uint32_t offset = 0;
  uint32_t size = 0;
  uint32_t type = 0;
  uint32_t user_a = 0;
  uint32_t user_b = 0;

  NameKey key() const { return NameKey{rs, js, x31}; }
};
static_assert(sizeof(PackageEntry) == kPackageEntrySize);

class ResourcePackage {
 public:
  // Opens a package file; IsOpen tells whether it could be read, error() why not.
  explicit ResourcePackage(const std::string& path);
  // Creates an empty package to be filled with AddFile and written with Pack.
  ResourcePackage(const std::string& name, uint32_t capacity, uint32_t word_a, uint32_t word_b, uint32_t word_c);

  // Copies the member into buffer; 1 when read, 0 when not open, no such entry, the buffer is
  // too small or the bytes cannot be read.
  virtual int ReadEntryInto(uint32_t index, uint8_t* buffer, size_t buffer_size);
  // The member's bytes; false when not open, no such entry, or the bytes cannot be read.
  virtual bool LoadEntry(uint32_t index, std::vector<uint8_t>* out);
  virtual bool IsOpen() const;
  virtual ~ResourcePackage();

  ResourcePackage(const ResourcePackage&) = delete;
  ResourcePackage& operator=(const ResourcePackage&) = delete;

  // Why the package could not be opened (empty when it is open).
  const std::string& error() const { return error_; }
  const std::string& GetPath() const { return path_; }

  uint32_t GetUsedCount() const { return used_; }
  uint32_t GetCapacity() const { return static_cast<uint32_t>(entries_.size()); }
  PackageEntry GetEntry(uint32_t index) const;  // a zero entry when index >= used
  uint32_t GetEntrySize(uint32_t index) const;
  uint32_t GetEntryTypeHash(uint32_t index) const;
  // Whether the entry's bytes lie inside the file (or image).
  bool EntryInBounds(uint32_t index) const;

  // The cursor.
  void Rewind() { cursor_ = 0; }
  void SeekLast() { cursor_ = used_ > 0 ? used_ - 1 : 0; }
  void SeekTo(uint32_t n) {
    if (used_ > 0) cursor_ = n % used_;
  }
  uint32_t GetIndex() const { return cursor_; }
  PackageEntry GetCurrentEntry() const { return GetEntry(cursor_); }
  uint32_t CurrentTypeHash() const { return GetEntryTypeHash(cursor_); }
  // Moves to the next used entry whose type word equals filter (any with 0); false, with the
  // cursor left where it was or on the last used entry, when there is none.
  bool Next(uint32_t filter);

  // Lookup: the first used entry of the key, or -1. Constant time whatever the package's size.
  int32_t FindEntryByKey(uint32_t rs, uint32_t js, uint32_t x31) const;
  int32_t FindEntryByName(const std::string& resource_name) const;
  bool LoadCurrent(std::vector<uint8_t>* out) { return LoadEntry(cursor_, out); }
  bool LoadEntryByName(const std::string& resource_name, std::vector<uint8_t>* out);

  // Writing.
  // Copies the name (cut to 63 bytes) into the header; returns its length with the NUL.
  size_t SetName(const std::string& name);
  std::string GetName() const;
  void SetHeaderValues(double first, double second);
  // Adds a disk file named after source_name (or its title + suffix when one is given).
  // Returns the new used count, 0 when the table is full or the file is missing.
  uint32_t AddFile(const std::string& source_name, const std::string& disk_path, const char* suffix, uint32_t word_a,
                   uint32_t word_b);
  // The same with the resource name and the extension (lower-case, with its dot) given as they
  // are: for a file whose name would not survive being split as a path. The reason for a
  // refusal goes to *error: a full table, a file that cannot be read, or one that would carry
  // the package past the kMaxPackageSize its 32-bit offsets and sizes can reach.
  uint32_t AddFileNamed(const std::string& resource_name, const std::string& extension, const std::string& disk_path,
                        uint32_t word_a, uint32_t word_b, std::string* error = nullptr);
  void SetEntryWords(const std::string& resource_name, uint32_t word_a, uint32_t word_b);
  // Orders the used entries by RS hash (offsets are set again by Pack).
  void SortEntries();
  // Writes the package whole or not at all, through a temporary file renamed over the output
  // at the end; members are copied a bounded block at a time, never held whole. With write 0
  // only the used count is returned. 0 when the output path is longer than kMaxPathLength (no
  // reader could open the package), the output is one of the members (the same file, by any
  // path), the package would pass kMaxPackageSize, a member cannot be read in full or has
  // changed its size since it was added, or the file cannot be written (reason in *error, and
  // a message box naming the member when no error is asked for). A member's failure reads
  // "资源PATH打包失败 (why)": the member's path, then the system's reason or the change.
  uint32_t Pack(const std::string& output_path, int write, std::string* error = nullptr);

 protected:
  ResourcePackage() = default;
  // Takes header and table from the first bytes of a package of total_size bytes.
  bool ParseHeaderAndTable(const uint8_t* bytes, size_t available, uint64_t total_size);
  bool ValidIndex(uint32_t index) const { return index < used_; }

  std::string path_;
  std::string error_;
  uint8_t header_[kPackageHeaderSize] = {};
  std::vector<PackageEntry> entries_;
  uint32_t used_ = 0;
  uint64_t data_end_ = 0;  // length of the file or image: entries past it cannot be loaded
  uint32_t cursor_ = 0;

 private:
  struct KeyHash {
    size_t operator()(const NameKey& k) const {
      return (size_t{k.rs} * 0x9E3779B97F4A7C15ull) ^ (size_t{k.js} << 17) ^ k.x31;
    }
  };
  void BuildIndex();
  void StoreUsed();
  // Sets every entry's offset: the members back to back after the table, spare entries at the
  // end of the data. Returns the package's length (past kMaxPackageSize when it cannot hold them).
  uint64_t LayOut();
  // The reason the output cannot be written over, or "" (it is no member).
  std::string OutputIsMember(const std::string& output_path) const;

  std::unordered_map<NameKey, uint32_t, KeyHash> index_;
  // Writer side.
  std::vector<std::string> member_paths_;
  std::vector<uint32_t> name_hashes_;
  uint64_t data_offset_ = 0;
};

// A package image held in memory (not owned; it must outlive the object). The size bounds
// every read.
class MemoryResourcePackage : public ResourcePackage {
 public:
  MemoryResourcePackage(const uint8_t* image, size_t size);
  int ReadEntryInto(uint32_t index, uint8_t* buffer, size_t buffer_size) override;
  bool LoadEntry(uint32_t index, std::vector<uint8_t>* out) override;
  bool IsOpen() const override;
  ~MemoryResourcePackage() override;

  const uint8_t* image() const { return image_; }

 private:
  const uint8_t* image_ = nullptr;
};

// Opens the package, loads the named member, closes it.
bool LoadPackageEntry(const std::string& package_path, const std::string& resource_name, std::vector<uint8_t>* out);

// Appends the category text of the extension (".imge", ".sound", ...) to *name and returns 1,
// or appends the extension itself and returns 0. The extension is compared exactly: callers
// pass it lower-cased.
int ClassifyExtension(std::string* name, const std::string& extension);
// The RS hash of the extension's category text; 0 when it has none (".jpeg" included).
uint32_t CategoryHashOfExtension(const std::string& extension);
// The image extension whose RS hash this is, or "".
std::string ImageExtensionOfHash(uint32_t hash);
// The resource name of a file: its title followed by the category text of its lower-cased
// extension ("Back.PNG" -> "Back.imge"), or by the suffix when one is given.
std::string ResourceNameOf(const std::string& file_name, const char* suffix = nullptr);

}  // namespace engine
