// The text style record that canvases hand the text renderer: 20 words, in this order.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/gbk.h"

namespace engine {

// The face of the default text style: the one the renderer starts with, and the one overlays,
// buttons and message boxes ask for.
inline constexpr char kDefaultFaceName[] = "宋体";

struct FontRecord {
  char face[32];         // words 0-7: GBK face name, at most 31 bytes and the terminator
  uint32_t colour;       // word 8: text colour, COLORREF 0x00BBGGRR
  int32_t height;        // word 9: character height in pixels
  uint32_t unused10;     // word 10
  int32_t weight;        // word 11: 400 normal, 600 and above bold
  int32_t char_space;    // word 12: extra pixels after each byte of a character
  int32_t row_space;     // word 13: extra pixels between rows
  int32_t margin_left;   // word 14
  int32_t margin_right;  // word 15
  uint32_t wrap;         // word 16: 1 breaks rows at the right margin; 0 breaks only at line feeds
  uint32_t italic;       // word 17: non-zero slants the characters
  uint32_t underline;    // word 18: non-zero underlines them
  uint32_t alpha;        // word 19: text opacity 0-255
};
static_assert(sizeof(FontRecord) == 80, "the font record is 20 words");

// The face name, read no further than the record's 32 bytes.
inline std::string_view FaceName(const FontRecord& record) {
  size_t n = 0;
  while (n < sizeof(record.face) && record.face[n] != '\0') ++n;
  return {record.face, n};
}

// Sets the face name, cut to 31 bytes (never inside a double-byte character) and terminated.
inline void SetFaceName(FontRecord& record, std::string_view name) {
  size_t n = 0;
  while (n < name.size() && name[n] != '\0') {
    const size_t width = platform::StartsTwoByteChar(static_cast<uint8_t>(name[n])) ? 2 : 1;
    if (n + width > sizeof(record.face) - 1 || n + width > name.size()) break;
    n += width;
  }
  for (size_t i = 0; i < sizeof(record.face); ++i) record.face[i] = i < n ? name[i] : '\0';
}

}  // namespace engine
