// A scratch copy of a fuzz input on disk, for the targets whose readers take a file name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/files.h"

namespace fuzz {

// Plain stdio: the atomic writer's sync per input would make a file target a hundred times
// slower, and a torn scratch file does not matter here.
inline bool WriteScratch(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = platform::OpenFile(path, "wb");
  if (!f) return false;
  const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

}  // namespace fuzz
