#include "shell/screenshot.h"

#include "engine/core/engine_log.h"
#include "engine/core/quillaron_wnd.h"
#include "engine/media/gdi_paint_module.h"
#include "platform/jpeg_file.h"
#include "shell/game_app_base.h"
#include "shell/game_frame_wnd.h"

namespace shell {

bool SaveWindowScreenshot(engine::CQuillaronWnd& window, const std::string& path, int quality) {
  auto* paint = dynamic_cast<engine::GdiPaintModule*>(window.GetCore()->FindModule(engine::module_id::kPaint));
  const uint32_t* pixels = paint ? paint->PresentLayer() : nullptr;
  if (pixels == nullptr || paint->GetWidth() < 1 || paint->GetHeight() < 1) {
    engine::WriteGameLog("screenshot: the window has no engine frame to save");
    return false;
  }
  std::string error;
  if (!platform::SaveJpeg(path, pixels, paint->GetWidth(), paint->GetHeight(), paint->GetWidth(), quality, &error)) {
    engine::WriteGameLog("screenshot: %s not saved: %s", path.c_str(), error.c_str());
    return false;
  }
  return true;
}

bool SaveDesktopScreenshot(const char* path, int quality) {
  CGameAppBase* app = GetApp();
  CGameFrameWnd* window = app ? app->GetMainWnd() : nullptr;
  if (window == nullptr || !window->IsWindow() || path == nullptr) {
    engine::WriteGameLog("screenshot: no main window");
    return false;
  }
  return SaveWindowScreenshot(*window, path, quality);
}

}  // namespace shell
