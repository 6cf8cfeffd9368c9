// The shell's calls on the desktop: flashing the main window's caption and opening a web
// address. Both go to the platform (platform/desktop.h, platform/shell_open.h), which checks
// every address before anything is started.
#pragma once

#include <string>

namespace shell {

// Flashes the application's main window when it is not in the foreground (the turn reached the
// user); nothing without a main window.
void FlashIfNotForeground();
// Whether the text is an address this program opens ("http://" or "https://" and a sound host).
bool IsWebAddress(const std::string& address);
// Opens a web address in the user's browser; anything else is refused with a log line.
bool OpenWebAddress(const std::string& address);

}  // namespace shell
