#include "platform/click_run.h"

#include <cstdlib>

#include "platform/desktop.h"

namespace platform {

bool ClickRun::Press(int button, POINT screen, uint32_t time) {
  const bool second = armed_ && button == button_ && time - time_ < kDoubleClickTime &&
                      std::abs(screen.x - at_.x) <= kDoubleClickDistance / 2 &&
                      std::abs(screen.y - at_.y) <= kDoubleClickDistance / 2;
  armed_ = !second;
  button_ = button;
  at_ = screen;
  time_ = time;
  return second;
}

void ClickRun::Moved(POINT screen, bool button_held) {
  if (armed_ && button_held &&
      (std::abs(screen.x - at_.x) >= kDragDistance || std::abs(screen.y - at_.y) >= kDragDistance))
    armed_ = false;
}

}  // namespace platform
