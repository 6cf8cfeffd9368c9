// Screenshots: what the engine shows (the paint module's finished frame), written as a JPEG file
// whole or not at all.
#pragma once

#include <string>

namespace engine {
class CQuillaronWnd;
}

namespace shell {

// How many screenshots may share one name's second: after path come "-2" up to "-999".
inline constexpr int kMaxScreenshotNames = 999;

// Writes the engine frame of the window as a new file: at path (a name ending in ".jpg"), or when
// a file stands there already, at the first free one of path's "-2", "-3"... names; an existing
// file is never replaced. The path written goes to *saved. False, with nothing written, when the
// window has no frame yet, or encoding or writing fails. quality: 1..100.
bool SaveWindowScreenshot(engine::CQuillaronWnd& window, const std::string& path, int quality,
                          std::string* saved = nullptr);
// The same for the application's main window.
bool SaveDesktopScreenshot(const char* path, int quality, std::string* saved = nullptr);

}  // namespace shell
