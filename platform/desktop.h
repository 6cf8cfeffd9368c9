// The desktop around the program's windows: the work area (for maximising), the foreground
// (raising a window, flashing its caption while another program has the focus) and where the
// input method's candidate window goes. The window backend answers each call (window_sdl.cpp,
// window_headless.cpp); with no window system running they do nothing and answer false.
#pragma once

#include <string>
#include <vector>

#include "platform/window.h"
#include "platform/win_types.h"

namespace platform {

// SystemParametersInfo(SPI_GETWORKAREA): the primary screen less its panels and task bars, in
// screen pixels. False (and an empty rectangle) without a window system.
bool GetWorkArea(RECT* out);
// SM_CXDRAG and SM_CYDRAG: how far the pointer moves from where a button went down, across or
// down, before the press counts as a drag (a hand's wobble while clicking stays a click).
constexpr int kDragDistance = 4;
// Whether the window holds the system's input focus.
bool IsForegroundWindow(Window* window);
// SetForegroundWindow: raises the window above the others and asks the system for the focus.
bool SetForegroundWindow(Window* window);
// FlashWindow, only while the window is not in the foreground: its caption (or task-bar entry)
// flashes until the user turns to it. True when it asked for a flash.
bool FlashIfNotForeground(Window* window);
// ImmSetCompositionWindow: the input method shows its candidates near this rectangle of the
// window's client area (where the caret of the focused edit box is).
bool SetTextInputRect(Window* window, const RECT& client_rect);

// What the headless backend keeps of these calls and of the opener (shell_open.h): tests set
// the work area and read the rest. Emptied when the headless backend starts.
struct HeadlessDesktop {
  RECT work_area{0, 0, 1024, 768};
  int raises = 0;
  int flashes = 0;
  RECT text_input_rect{};
  bool text_input_rect_set = false;
  std::vector<std::string> opened;  // UTF-8 targets the opener was handed, in order
};
HeadlessDesktop& GetHeadlessDesktop();

}  // namespace platform
