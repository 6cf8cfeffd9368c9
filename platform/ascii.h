// ASCII case folding, as Windows compares file names, ini sections and keys. Bytes of 0x80 and
// above (GBK characters) compare as they are.
#pragma once

#include <string_view>

namespace platform {

inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

inline bool AsciiEqualNoCase(char a, char b) { return AsciiLower(a) == AsciiLower(b); }

inline bool AsciiEqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (!AsciiEqualNoCase(a[i], b[i])) return false;
  }
  return true;
}

}  // namespace platform
