// GBK (code page 936) text helpers. Text inside the program is GBK; these convert at the edges.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// A GBK lead byte: 0x81..0xFE. The byte after it belongs to the same character.
inline bool IsDBCSLeadByte(uint8_t b) { return b >= 0x81 && b <= 0xFE; }
// A byte that may follow a lead byte: 0x40..0xFE without 0x7F.
inline bool IsGbkTrailByte(uint8_t b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

// Conversions. Bytes that cannot be converted become '?' (never an error, never a throw).
std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);
std::u32string GbkToUcs4(std::string_view gbk);

}  // namespace platform
