// Texts handed to the chat: heap copies that travel in object messages, and names made safe
// to paste into chat markup or to draw on a canvas.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace shell {

// A NUL-terminated heap copy of the text (new[]), for the p1 of a posted message; the receiver
// frees it with FreeHeapText.
char* NewHeapText(std::string_view text);
void FreeHeapText(uintptr_t text);

// Other people's text (names, paths) as plain chat text: '#', '<' and '>' get the markup's '#'
// escape, so nothing in them opens a tag, a link or an emoticon. Characters are what the chat
// reader takes them for: a lead byte and its trail byte are kept whole, and a byte that is no
// character (a lead byte without its trail byte, 0xFF) is left out; the text ends at its first NUL.
std::string EscapeChatMarkup(std::string_view text);

// Other people's text (names, level texts, the server's names of things) for a canvas, whose text
// drawing reads tags too: each '<' becomes the full-width "＜", so nothing in it changes the colour,
// size or face. Characters as in EscapeChatMarkup: pairs kept whole, bytes that are no character
// left out, and the text ends at its first NUL.
std::string InertCanvasText(std::string_view text);

}  // namespace shell
