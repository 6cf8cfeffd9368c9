#include "shell/game_frame_wnd.h"

#include "engine/core/engine_log.h"
#include "engine/core/rect_object.h"
#include "net/transport.h"
#include "platform/gbk.h"
#include "shell/app_frame_view.h"
#include "shell/app_messages.h"
#include "shell/chat_text.h"
#include "shell/game_app_base.h"
#include "shell/notice_fetcher.h"

namespace shell {

bool CGameFrameWnd::CreateEngineWindow(const char* name, uint32_t style, uint32_t ex_style, const platform::RECT& rect,
                                       platform::Window* parent) {
  return CreateEx(ex_style, platform::CS_DBLCLKS, name, style, rect, parent);
}

void CGameFrameWnd::ConfirmClose() {
  close_confirmed_ = true;
  if (IsWindow()) PostMessage(platform::WM_CLOSE, 0, 0);
}

void CGameFrameWnd::CloseNow() {
  if (closing_) return;
  closing_ = true;
  close_confirmed_ = true;
  DestroyWindow();
}

void CGameFrameWnd::OnClose() {
  if (close_confirmed_) {
    CloseNow();
    return;
  }
  CGameAppBase* app = GetApp();
  AppFrameView* view = app ? app->GetAppView() : nullptr;
  // With no table to leave there is nothing to ask: a client without a game server would
  // otherwise never get its leave request through, and could not close.
  if (view == nullptr || app->IsOfflineMode() || !net::CurrentTransport().IsConnected()) {
    CloseNow();
    return;
  }
  view->CloseRequest();
}

bool CGameFrameWnd::OnCopyData(const platform::COPYDATASTRUCT* data) {
  CGameAppBase* app = GetApp();
  if (data == nullptr || app == nullptr) return false;
  const auto* bytes = static_cast<const uint8_t*>(data->lpData);
  const size_t size = bytes ? data->cbData : 0;
  switch (data->dwData) {
    case lobby_record::kStartData:
      if (app->TakeStartData(bytes, size)) {
        PostMessage(frame_msg::kEnterGame, 0, 0);
        return true;
      }
      FailStart("进入游戏桌失败，请重新进入。");
      return false;
    case lobby_record::kLookerJoins:
    case lobby_record::kPlayerLeft:
      return app->OnLobbyRecord(static_cast<uint32_t>(data->dwData), bytes, size);
    case lobby_record::kIgnored:
      return true;
    default:
      return CQuillaronWnd::OnCopyData(data);
  }
}

intptr_t CGameFrameWnd::WindowProc(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  if (message == frame_msg::kEnterGame) {
    if (auto* root = dynamic_cast<engine::RectObject*>(GetRootObject())) root->OnEnterGame();
    return 0;
  }
  return CQuillaronWnd::WindowProc(message, wparam, lparam);
}

void CGameFrameWnd::FailStart(const std::string& text) {
  engine::WriteGameLog("start: %s", text.c_str());
  if (CGameAppBase* app = GetApp()) app->PostToCommThread(text.c_str(), 1);
  SetTimer(kFailedStartTimer, kFailedStartDelayMs, nullptr);
}

void CGameFrameWnd::OnTimer(uint32_t id) {
  if (id != kFailedStartTimer) return;
  KillTimer(kFailedStartTimer);
  if (CGameAppBase* app = GetApp()) app->PostToCommThread("", 0);
  ConfirmClose();
}

void CGameFrameWnd::StartNotifyFetch() {
  CGameAppBase* app = GetApp();
  NoticeFetcher* fetcher = app ? app->GetNoticeFetcher() : nullptr;
  if (fetcher == nullptr) return;
  std::string text;
  if (!fetcher->Fetch(app->GetNoticeAddress(), &text) || text.empty()) return;
  if (text.size() > CGameAppBase::kMaxNoticeBytes) {
    engine::WriteGameLog("notice: %zu bytes cut to %zu", text.size(), CGameAppBase::kMaxNoticeBytes);
    text.resize(platform::GbkPrefixLength(text, CGameAppBase::kMaxNoticeBytes));
  }
  const auto copy = reinterpret_cast<uintptr_t>(NewHeapText(text));
  if (app->PostToObject("SubSystem", app_msg::kNoticeText, copy, 0)) return;
  FreeHeapText(copy);
  engine::WriteGameLog("notice: no side panel for the notice text");
}

}  // namespace shell
