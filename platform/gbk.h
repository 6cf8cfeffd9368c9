// GBK (code page 936) text helpers. Text inside the program is GBK; these convert at the edges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// A GBK lead byte: 0x81..0xFE. The byte after it belongs to the same character.
inline bool IsDBCSLeadByte(uint8_t b) { return b >= 0x81 && b <= 0xFE; }
// A byte that may follow a lead byte: 0x40..0xFE without 0x7F.
inline bool IsGbkTrailByte(uint8_t b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

// The bytes of the character that starts at text[i] (i < text.size()): 2 for a lead byte followed
// by a trail byte, else 1. A lead byte without a trail byte after it is a byte on its own: it never
// takes the byte that follows (a '<', a '#', a NUL) into its character. Every reader of markup
// and every escaper of text put into markup steps through text with this.
inline size_t GbkCharBytes(std::string_view text, size_t i) {
  return i + 1 < text.size() && IsDBCSLeadByte(static_cast<uint8_t>(text[i])) &&
                 IsGbkTrailByte(static_cast<uint8_t>(text[i + 1]))
             ? 2
             : 1;
}
// A byte that is no character of GBK text where it stands: a lead byte without its trail, or
// 0xFF. Escapers leave it out.
inline bool IsStrayGbkByte(std::string_view text, size_t i) {
  const auto b = static_cast<uint8_t>(text[i]);
  return (IsDBCSLeadByte(b) || b == 0xFF) && GbkCharBytes(text, i) == 1;
}

// The length of the longest start of text that holds at most max_bytes bytes and ends on a
// character boundary: a double-byte character is kept whole or left out. The text ends at its
// first NUL, if any.
size_t GbkPrefixLength(std::string_view text, size_t max_bytes);

// A byte that starts a two-byte character in the text the engine measures, draws and cuts: any
// byte above 0x80 (0x80 itself is the euro sign, one byte).
inline bool StartsTwoByteChar(uint8_t b) { return b > 0x80; }

// A byte below 0x80: a character of its own in any text. Every other byte belongs to a GBK
// character (or is the euro sign).
inline bool IsAsciiByte(uint8_t b) { return b < 0x80; }

// The bytes of the valid UTF-8 character at text[i] (no overlong forms, no surrogates, at most
// U+10FFFF), or 0 when none starts there; the character itself into *code when one does.
size_t Utf8CharLength(std::string_view text, size_t i, char32_t* code = nullptr);

// A character a terminal acts on or that reorders what follows it, though it is valid UTF-8: the
// C1 controls (U+0080..U+009F; U+009B starts a terminal's command), the line and paragraph
// separators, and the bidirectional marks, embeddings, overrides and isolates.
bool IsHiddenControl(char32_t c);

// Text as a terminal can show it on one line, for a message that quotes what it was given: line
// ends and tabs as \n \r \t; other control characters (C0, DEL, and those of IsHiddenControl) and
// every byte that is no UTF-8 character as \xNN, byte by byte; every other UTF-8 character, a
// blank too, as it is.
std::string PrintableUtf8(std::string_view text);

// Conversions. Bytes that cannot be converted become '?' (never an error, never a throw).
std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);
std::u32string GbkToUcs4(std::string_view gbk);
// UTF-8 to GB18030, GBK's superset, which spells every character: nothing is lost, so the
// result converts back to the same UTF-8. Only invalid UTF-8 becomes '?'.
std::string Utf8ToGb18030(std::string_view utf8);

}  // namespace platform
