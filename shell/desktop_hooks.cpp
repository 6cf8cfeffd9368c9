#include "shell/desktop_hooks.h"

#include "engine/core/engine_log.h"
#include "platform/desktop.h"
#include "platform/shell_open.h"
#include "shell/game_app_base.h"
#include "shell/game_frame_wnd.h"

namespace shell {

void FlashIfNotForeground() {
  CGameAppBase* app = GetApp();
  CGameFrameWnd* window = app ? app->GetMainWnd() : nullptr;
  if (window == nullptr || !window->IsWindow()) return;
  platform::FlashIfNotForeground(window);
}

bool IsWebAddress(const std::string& address) {
  return platform::CheckOpenTarget(address, nullptr) == platform::OpenTargetKind::kAddress;
}

bool OpenWebAddress(const std::string& address) {
  if (!IsWebAddress(address)) {
    engine::WriteGameLog("desktop: \"%s\" is not a web address; not opened", address.c_str());
    return false;
  }
  return platform::OpenUrl(address);
}

}  // namespace shell
