// What the application asks of the game frame (the root scene object, "GameFrame"): its
// message boxes, its auto-play animation and the exit rules the main window applies on
// WM_CLOSE. The game frame implements this interface next to its engine object base; the
// bodies here only log (and let the user leave).
#pragma once

#include <cstdint>

#include "engine/core/object_message.h"

namespace shell {

class AppFrameView {
 public:
  virtual ~AppFrameView() = default;

  // The frame's message box: text, the OK and cancel messages (null for none), and the button
  // set, style and icon name the box gives their meaning.
  virtual void ShowMessageBox(const char* text, const engine::ObjectMessage* ok, const engine::ObjectMessage* cancel,
                              int32_t buttons, int32_t style, const char* icon);
  // A system message whose buttons confirm leaving the table or close.
  virtual void ShowExitBox(const char* text, int32_t buttons, int32_t style, const char* icon);
  // Shows or hides the auto-play animation.
  virtual void ShowAutoPlay(bool on);
  // Decides whether the user may leave, asking the server and the user as needed. A decision
  // to leave ends with CGameAppBase::ConfirmClose; this body lets the user go at once.
  virtual void ExitRules();
};

}  // namespace shell
