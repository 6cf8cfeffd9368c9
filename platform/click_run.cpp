#include "platform/click_run.h"

#include <cstdlib>

#include "platform/desktop.h"

namespace platform {

bool ClickRun::Press(const Window* window, int button, POINT screen, MessageTime made) {
  const bool second = armed_ && window == window_ && button == button_ && made_.IsWithin(made, kDoubleClickTime) &&
                      std::abs(screen.x - at_.x) <= kDoubleClickDistance / 2 &&
                      std::abs(screen.y - at_.y) <= kDoubleClickDistance / 2;
  armed_ = !second;
  window_ = window;
  button_ = button;
  at_ = screen;
  made_ = made;
  return second;
}

void ClickRun::Moved(POINT screen, bool button_held) {
  if (armed_ && button_held &&
      (std::abs(screen.x - at_.x) >= kDragDistance || std::abs(screen.y - at_.y) >= kDragDistance))
    armed_ = false;
}

}  // namespace platform
