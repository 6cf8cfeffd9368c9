// What the engine asks of the window it lives in. The host window supplies an implementation
// (GameCore::SetWindowServices); without one the engine runs as if the window were always shown
// and never clips the cursor (tests, tools).
#pragma once

#include "platform/win_types.h"

namespace engine {

class HostWindowServices {
 public:
  virtual ~HostWindowServices() = default;
  // Whether the main window is minimised (painting waits until it is restored).
  virtual bool IsIconic() = 0;
  // Screen position of a client point of the main window.
  virtual POINT ClientToScreen(POINT client) = 0;
  // The cursor clip rectangle in screen coordinates.
  virtual RECT GetClipCursor() = 0;
  virtual void ClipCursor(const RECT* screen_rect) = 0;
};

}  // namespace engine
