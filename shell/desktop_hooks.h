// Calls on the desktop that the shell makes through replaceable functions: flashing the main
// window's caption and opening a web address. Each defaults to a log line; the program points
// them at the platform's calls, and tests at recorders.
#pragma once

#include <functional>
#include <string>

namespace platform {
class Window;
}

namespace shell {

// Flashes the window's caption when the window is not in the foreground.
using FlashWindowHook = std::function<void(platform::Window& window)>;
// Opens a checked web address; false when it could not.
using OpenUrlHook = std::function<bool(const std::string& address)>;

// Each returns the previous hook; an empty function puts the default back.
FlashWindowHook SetFlashWindowHook(FlashWindowHook hook);
OpenUrlHook SetOpenUrlHook(OpenUrlHook hook);

// Flashes the application's main window when it is not in the foreground (the turn reached the
// user); nothing without a main window.
void FlashIfNotForeground();
// Whether the text is an address this program opens: "http://" or "https://" and a host, with no
// control characters or spaces.
bool IsWebAddress(const std::string& address);
// Opens a web address through the hook; anything else is refused with a log line.
bool OpenWebAddress(const std::string& address);

}  // namespace shell
