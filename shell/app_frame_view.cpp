#include "shell/app_frame_view.h"

#include "engine/core/engine_log.h"
#include "shell/game_app_base.h"

namespace shell {

void AppFrameView::ShowMessageBox(const char* text, const engine::ObjectMessage*, const engine::ObjectMessage*, int32_t,
                                  int32_t, const char*) {
  engine::WriteGameLog("message box: %s", text ? text : "");
}

void AppFrameView::ShowExitBox(const char* text, int32_t, int32_t, const char*) {
  engine::WriteGameLog("system message: %s", text ? text : "");
}

void AppFrameView::ShowAutoPlay(bool on) { engine::WriteGameLog("auto-play animation %s", on ? "on" : "off"); }

void AppFrameView::ExitRules() {
  // A frame without exit rules of its own lets the user go.
  if (CGameAppBase* app = GetApp()) app->ConfirmClose();
}

}  // namespace shell
