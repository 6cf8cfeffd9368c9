// Bounded copies of GBK text into fixed-size places, never splitting a double-byte character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace net {

// Copies source into destination (which holds limit + 1 bytes): a text of at most limit bytes as
// it is; a longer one cut on a character boundary so that it ends in ".." within limit bytes.
// The copy is always terminated. A limit below 2 gives the cut text without the dots.
void CopyBounded(const char* source, char* destination, size_t limit);
std::string CopyBounded(std::string_view source, size_t limit);

// Writes text into a field of field_size bytes: at most field_size - 1 bytes of it, cut on a
// character boundary, then zeros to the field's end.
void WriteTextField(uint8_t* field, size_t field_size, std::string_view text);

// A text field of a record: its bytes up to the first NUL, never past field_size.
std::string ReadTextField(const uint8_t* field, size_t field_size);

}  // namespace net
