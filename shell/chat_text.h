// Texts handed to the chat in object messages: heap copies that travel as a message's p1. Text
// from outside is made plain for the chat and for canvases by engine/ui/text_markup.h.
#pragma once

#include <cstdint>
#include <string_view>

namespace shell {

// A NUL-terminated heap copy of the text (new[]), for the p1 of a posted message; the receiver
// frees it with FreeHeapText.
char* NewHeapText(std::string_view text);
void FreeHeapText(uintptr_t text);

}  // namespace shell
