// Screenshots: what the engine shows (the paint module's finished frame), written as a JPEG file
// whole or not at all.
#pragma once

#include <string>

namespace engine {
class CQuillaronWnd;
}

namespace shell {

// Writes the engine frame of the window; false, with nothing written, when the window has no
// frame yet or encoding or writing fails. quality: 1..100.
bool SaveWindowScreenshot(engine::CQuillaronWnd& window, const std::string& path, int quality);
// The same for the application's main window.
bool SaveDesktopScreenshot(const char* path, int quality);

}  // namespace shell
