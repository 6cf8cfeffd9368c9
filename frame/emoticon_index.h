// The emoticon index: the text resource "表情索引.text" that lists the emoticons the picker
// offers, as entries "name=number" joined by '|'. The name is everything before the entry's first
// '=', the number the decimal value after it (read as atoi reads it, 0 when there is none). There
// are no comments, escapes or blanks to trim.
//
// The text is cut at every '|' byte, also one that stands as the second byte of a double-byte
// character (GBK allows 0x7C there), so a name holding such a character falls apart: its first
// piece has no '=' and is skipped, and the rest is read as an entry of its own. What the reader
// never hands on is a name that is not whole characters: an entry whose name ends in a lead byte,
// or holds a lead byte without its second byte, is refused with a log line, as is an empty name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace frame {

inline constexpr const char* kEmoticonIndexName = "表情索引.text";

struct EmoticonIndexEntry {
  std::string name;
  int32_t number = 0;
};

// The entries of the index text, in file order. The text ends at its first NUL.
std::vector<EmoticonIndexEntry> ParseEmoticonIndex(std::string_view text);

// True when every lead byte of the text has its second byte (the text is whole GBK characters).
bool IsWholeGbkText(std::string_view text);

}  // namespace frame
