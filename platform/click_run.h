// The system's double click: which press of a mouse button is the second press of a double click
// (WM_LBUTTONDBLCLK and the like, for a window class with CS_DBLCLKS). The second press is made on
// the same window within the double-click time of the first, by the stamps the presses were made
// with (when the hand pressed, not when a busy program took the press; stamps of another clock
// pair with nothing), and within the double-click rectangle round it on the screen, whatever the
// window under it did meanwhile. A drag between them (the pointer past the drag distance from
// the first press while a button is held) starts a new run, as does a press of another button;
// the press after a double click starts one too.
#pragma once

#include <cstdint>

#include "platform/win_messages.h"
#include "platform/win_types.h"

namespace platform {

class Window;

// GetDoubleClickTime: the most milliseconds between the two presses of a double click.
constexpr uint32_t kDoubleClickTime = 500;
// SM_CXDOUBLECLK and SM_CYDOUBLECLK: the rectangle, centred on the first press, that holds the
// second press of a double click.
constexpr int kDoubleClickDistance = 4;

class ClickRun {
 public:
  // A press of `button` on `window` at a screen point, made at `made`; true when it is the second
  // press of a double click.
  bool Press(const Window* window, int button, POINT screen, MessageTime made);
  // The pointer at a screen point, a button held or not.
  void Moved(POINT screen, bool button_held);

 private:
  bool armed_ = false;  // a first press waits for its second
  const Window* window_ = nullptr;
  int button_ = 0;
  POINT at_{};
  MessageTime made_{};
};

}  // namespace platform
