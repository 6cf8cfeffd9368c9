// What the application and the table ask of the game frame (the root scene object,
// "GameFrame"): its message boxes, its auto-play animation, the exit rules the main window
// applies on WM_CLOSE, the table's rectangle, avatar pictures, the sliding boards and the match
// parts the table hides. The game frame implements this interface next to its engine object
// base; the bodies here only log (and let the user leave).
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/object_message.h"
#include "platform/win_types.h"

namespace engine {
class EngineObject;
}  // namespace engine

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
  // What the main window asks on WM_CLOSE: the exit rules here; the game frame adds the match's
  // close rules.
  virtual void CloseRequest() { ExitRules(); }
  // The rectangle of the table scene ("MainGame"); the frame's own rectangle without one.
  virtual platform::RECT GetMainGameRect();
  // The picture name of a character's avatar in size type 1 (32 x 32), 2 (48 x 48) or another
  // (135 x 270); empty when there is none.
  virtual std::string GetAvatarImageName(int32_t character, int32_t size_type);
  // Slides a board in from the bottom right corner of the window.
  virtual void SlideInBoard(engine::EngineObject* board);
  // Hides the match mode's waiting parts and its result dialog.
  virtual void HideMatchWaitParts() {}
  virtual void HideMatchResult() {}
};

// The same, asked of the application's game frame; an empty rectangle or name without one.
platform::RECT GetMainGameRect();
std::string GetAvatarImageName(int32_t character, int32_t size_type);

}  // namespace shell
