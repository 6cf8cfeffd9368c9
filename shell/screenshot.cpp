#include "shell/screenshot.h"

#include <vector>

#include "engine/core/engine_log.h"
#include "engine/core/quillaron_wnd.h"
#include "engine/media/gdi_paint_module.h"
#include "platform/atomic_file.h"
#include "platform/jpeg_file.h"
#include "shell/game_app_base.h"
#include "shell/game_frame_wnd.h"

namespace shell {

bool SaveWindowScreenshot(engine::CQuillaronWnd& window, const std::string& path, int quality, std::string* saved) {
  if (saved) saved->clear();
  auto* paint = dynamic_cast<engine::GdiPaintModule*>(window.GetCore()->FindModule(engine::module_id::kPaint));
  const uint32_t* pixels = paint ? paint->PresentLayer() : nullptr;
  if (pixels == nullptr || paint->GetWidth() < 1 || paint->GetHeight() < 1) {
    engine::WriteGameLog("screenshot: the window has no engine frame to save");
    return false;
  }
  // Shots of one second are told apart by a number before the extension.
  const size_t dot = path.rfind('.');
  const bool has_extension = dot != std::string::npos && path.find_first_of("/\\", dot) == std::string::npos;
  const std::vector<std::string> names =
      has_extension ? platform::NumberedFileNames(path.substr(0, dot), path.substr(dot), kMaxScreenshotNames)
                    : platform::NumberedFileNames(path, "", kMaxScreenshotNames);
  std::string error;
  const int taken =
      platform::SaveNewJpeg(names, pixels, paint->GetWidth(), paint->GetHeight(), paint->GetWidth(), quality, &error);
  if (taken < 0) {
    engine::WriteGameLog("screenshot: %s not saved: %s", path.c_str(), error.c_str());
    return false;
  }
  if (saved) *saved = names[static_cast<size_t>(taken)];
  return true;
}

bool SaveDesktopScreenshot(const char* path, int quality, std::string* saved) {
  if (saved) saved->clear();
  CGameAppBase* app = GetApp();
  CGameFrameWnd* window = app ? app->GetMainWnd() : nullptr;
  if (window == nullptr || !window->IsWindow() || path == nullptr) {
    engine::WriteGameLog("screenshot: no main window");
    return false;
  }
  return SaveWindowScreenshot(*window, path, quality, saved);
}

}  // namespace shell
