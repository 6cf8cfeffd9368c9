#include "table/main_game_rect.h"

#include "engine/core/object_services.h"
#include "engine/core/rect_object.h"
#include "shell/app_frame_view.h"
#include "shell/game_app_base.h"

namespace table {

platform::RECT MainGameRect(engine::ObjectServices* asker) {
  platform::RECT rect = shell::GetMainGameRect();
  if (rect.right > rect.left && rect.bottom > rect.top) return rect;
  if (asker != nullptr) {
    if (auto* view = dynamic_cast<engine::RectObject*>(asker->FindObjectByName("MainGame"))) view->GetRect(&rect);
  }
  return rect;
}

int32_t AppChairCount() {
  shell::CGameAppBase* app = shell::GetApp();
  return app ? app->GetChairCount() : 0;
}

int32_t AppOwnChair() {
  shell::CGameAppBase* app = shell::GetApp();
  return app ? app->GetChair() : -1;
}

}  // namespace table
