#include "shell/chat_text.h"

#include <cstring>

#include "platform/gbk.h"

namespace shell {

char* NewHeapText(std::string_view text) {
  char* copy = new char[text.size() + 1];
  std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

void FreeHeapText(uintptr_t text) { delete[] reinterpret_cast<char*>(text); }

namespace {

// The text up to its first NUL, characters as the markup readers see them (platform::GbkCharBytes):
// a double-byte character is copied whole, each single-byte character is appended by add. A byte
// that is no character (a lead byte without its trail, as in a name cut at its field's end, or one
// put before a '<' to take it out of the escaping) is left out, so it neither shows as a stray
// glyph nor pairs with anything that follows.
template <typename AddByte>
std::string CopyWholeCharacters(std::string_view text, AddByte add) {
  text = text.substr(0, text.find('\0'));
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const size_t n = platform::GbkCharBytes(text, i);
    if (n == 2) {
      out.append(text.substr(i, 2));
    } else if (!platform::IsStrayGbkByte(text, i)) {
      add(out, text[i]);
    }
    i += n;
  }
  return out;
}

}  // namespace

std::string EscapeChatMarkup(std::string_view text) {
  return CopyWholeCharacters(text, [](std::string& out, char c) {
    if (c == '#' || c == '<' || c == '>') out += '#';
    out += c;
  });
}

std::string InertCanvasText(std::string_view text) {
  return CopyWholeCharacters(text, [](std::string& out, char c) {
    if (c == '<') {
      out += "＜";
    } else {
      out += c;
    }
  });
}

}  // namespace shell
