// The message box stand-in. Every message box is written to the diagnostics log; a handler
// (set by the window layer for an on-screen dialog, or by a test) gives the answer.
#pragma once

#include <functional>
#include <string>

namespace platform {

constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// text and caption are GBK. Answers IDOK (or IDYES) when no handler is set.
int MessageBoxA(const char* text, const char* caption, unsigned type);

using MessageBoxHandler = std::function<int(const std::string& text, const std::string& caption, unsigned type)>;
// Replaces the handler; returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

}  // namespace platform
