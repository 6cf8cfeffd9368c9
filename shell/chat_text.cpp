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

// The text up to its first NUL, double-byte characters kept whole; each single-byte character
// is appended by add. A lead byte cut off from its trail (a name that fills its field) would pair
// with the byte that follows the name: it is left out.
template <typename AddByte>
std::string CopyWholeCharacters(std::string_view text, AddByte add) {
  std::string out;
  for (size_t i = 0; i < text.size() && text[i] != '\0'; ++i) {
    const char c = text[i];
    if (platform::IsDBCSLeadByte(static_cast<uint8_t>(c))) {
      if (i + 1 < text.size() && text[i + 1] != '\0') {
        out += c;
        out += text[++i];
      }
      continue;
    }
    add(out, c);
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
