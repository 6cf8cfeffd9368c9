// What the cursor fuzz target does with one input. Shared with the regression test that
// replays the inputs kept under tests/data/fuzz, so a crash found once stays fixed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/cursor.h"

namespace fuzz {

// Parses a .cur (or .ico) file; a parsed one must have a pixel for every place it claims.
inline void ParseCursor(const uint8_t* data, size_t size) {
  platform::CursorShape shape;
  std::string error;
  if (!platform::ParseCursorFile(std::span<const uint8_t>(data, size), &shape, &error)) return;
  volatile uint32_t sum = 0;
  const size_t count = static_cast<size_t>(shape.width) * static_cast<size_t>(shape.height);
  for (size_t i = 0; i < count; ++i) sum = sum + shape.pixels.at(i);
  (void)sum;
}

}  // namespace fuzz
