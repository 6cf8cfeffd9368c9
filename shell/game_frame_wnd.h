// The application's main window: the engine's host window with the application's rules on top.
//
// Closing: WM_CLOSE applies the close rules of the game frame (AppFrameView::CloseRequest), which
// may ask the server and the user. Whatever decides that the user leaves calls ConfirmClose,
// which marks the close as confirmed and posts WM_CLOSE again; the window then closes, once.
// Without a game frame that has exit rules, in offline mode, or with no game server to leave,
// WM_CLOSE closes at once.
//
// Start data: the lobby's record 1 goes to the application (CGameAppBase::TakeStartData); once
// taken, the window posts itself 0x85B1 and then tells the root object OnEnterGame. Refused
// start data show the reason in the wait box and close the window 2000 ms later.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/quillaron_wnd.h"

namespace shell {

class CGameFrameWnd : public engine::CQuillaronWnd {
 public:
  static constexpr uint32_t kFailedStartTimer = 0x85B2;
  static constexpr uint32_t kFailedStartDelayMs = 2000;

  // Marks the close as confirmed and posts WM_CLOSE.
  void ConfirmClose();
  bool IsCloseConfirmed() const { return close_confirmed_; }
  // Shows the text in the wait box and closes the window kFailedStartDelayMs later.
  void FailStart(const std::string& text);
  // Fetches the game's notice text; what comes goes to the side panel as 80000064.
  void StartNotifyFetch();

  // As the engine's window, but taking double clicks (the title strip maximises on one).
  bool CreateEngineWindow(const char* name, uint32_t style, uint32_t ex_style, const platform::RECT& rect,
                          platform::Window* parent) override;
  intptr_t WindowProc(uint32_t message, uintptr_t wparam, intptr_t lparam) override;

 protected:
  void OnClose() override;
  bool OnCopyData(const platform::COPYDATASTRUCT* data) override;
  void OnTimer(uint32_t id) override;

 private:
  void CloseNow();

  bool close_confirmed_ = false;
  bool closing_ = false;
};

}  // namespace shell
