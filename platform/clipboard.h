// The clipboard's text, as the program's GBK text. With a display it is the system clipboard;
// headless it is kept in memory.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Replaces the clipboard's content with the text (GBK). False when the system refused it.
bool SetClipboardText(std::string_view gbk);
// The clipboard's text in GBK; empty when it holds no text.
std::string GetClipboardText();
bool HasClipboardText();

}  // namespace platform
