#include "shell/chat_text.h"

#include <cstring>

namespace shell {

char* NewHeapText(std::string_view text) {
  char* copy = new char[text.size() + 1];
  std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

void FreeHeapText(uintptr_t text) { delete[] reinterpret_cast<char*>(text); }

}  // namespace shell
