// A scratch copy of a fuzz input on disk, for the targets whose readers take a file name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/atomic_file.h"

namespace fuzz {

// Not synced to the disk: a sync per input would make a file target a hundred times slower,
// and nobody keeps the scratch file.
inline bool WriteScratch(const std::string& path, const uint8_t* data, size_t size) {
  platform::AtomicFile file(path, platform::AtomicFile::Sync::kNone);
  return file.Write(data, size) && file.Commit();
}

}  // namespace fuzz
