#include "shell/desktop_hooks.h"

#include "engine/core/engine_log.h"
#include "shell/game_app_base.h"
#include "shell/game_frame_wnd.h"

namespace shell {
namespace {

FlashWindowHook& FlashHook() {
  static FlashWindowHook hook;
  return hook;
}

OpenUrlHook& UrlHook() {
  static OpenUrlHook hook;
  return hook;
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

FlashWindowHook SetFlashWindowHook(FlashWindowHook hook) {
  FlashWindowHook previous = std::move(FlashHook());
  FlashHook() = std::move(hook);
  return previous;
}

OpenUrlHook SetOpenUrlHook(OpenUrlHook hook) {
  OpenUrlHook previous = std::move(UrlHook());
  UrlHook() = std::move(hook);
  return previous;
}

void FlashIfNotForeground() {
  CGameAppBase* app = GetApp();
  CGameFrameWnd* window = app ? app->GetMainWnd() : nullptr;
  if (window == nullptr || !window->IsWindow()) return;
  if (FlashHook()) {
    FlashHook()(*window);
  } else {
    engine::WriteGameLog("desktop: the main window would flash now (no flashing on this desktop)");
  }
}

bool IsWebAddress(const std::string& address) {
  size_t host = 0;
  if (StartsWith(address, "http://")) {
    host = 7;
  } else if (StartsWith(address, "https://")) {
    host = 8;
  } else {
    return false;
  }
  if (address.size() <= host || address[host] == '/' || address.size() > 2048) return false;
  for (unsigned char c : address) {
    if (c <= 0x20 || c == 0x7F) return false;
  }
  return true;
}

bool OpenWebAddress(const std::string& address) {
  if (!IsWebAddress(address)) {
    engine::WriteGameLog("desktop: \"%s\" is not a web address; not opened", address.c_str());
    return false;
  }
  if (UrlHook()) return UrlHook()(address);
  engine::WriteGameLog("desktop: would open %s (no browser on this desktop)", address.c_str());
  return false;
}

}  // namespace shell
