#include "shell/app_frame_view.h"

#include "engine/core/engine_log.h"
#include "engine/core/rect_object.h"
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

platform::RECT AppFrameView::GetMainGameRect() {
  platform::RECT rect{};
  CGameAppBase* app = GetApp();
  if (engine::RectObject* frame = app ? app->GetGameFrame() : nullptr) frame->GetRect(&rect);
  return rect;
}

std::string AppFrameView::GetAvatarImageName(int32_t, int32_t) { return std::string(); }

void AppFrameView::SlideInBoard(engine::EngineObject*) { engine::WriteGameLog("a board would slide in now"); }

platform::RECT GetMainGameRect() {
  AppFrameView* view = GetAppView();
  return view ? view->GetMainGameRect() : platform::RECT{};
}

std::string GetAvatarImageName(int32_t character, int32_t size_type) {
  AppFrameView* view = GetAppView();
  return view ? view->GetAvatarImageName(character, size_type) : std::string();
}

}  // namespace shell
