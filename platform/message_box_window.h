// The message box on a display: a window of its own, drawn with the client's own font (the CJK
// face of platform/font.h) into its pixels, so its text reads whatever fonts the X server has or
// lacks (SDL's own box drew with the server's core fonts, and most servers hold none with these
// characters).
//
// It shows the text (lines broken at '\n', and wrapped) and one to three buttons under it by the
// MB_ type: 确定, 确定 取消, 是 否, 是 否 取消. The box stays within the screen's work area: a
// text too long for it is cut after the lines that fit, the last one ending in "…" (the log line
// of platform/message_box.h holds it whole). Enter or Space presses the focused button (the first
// at the start); Tab and the arrow keys move the focus; a button pressed and released under the
// pointer answers. Escape, and closing the window, answer as the box's way out: IDOK for MB_OK,
// IDNO for MB_YESNO, IDCANCEL otherwise; so does the box's window destroyed by another program,
// and the connection to the display lost at whatever moment (which it says).
// While it is up, the events of the program's other windows wait in SDL's queue in their order;
// only the box's own are taken.
// It is a dialog to the window manager (no minimise or maximise), transient for the owner window
// when there is one, else kept on top.
// Limits: no icon is drawn.
// Depends on SDL2 (its video started), Xlib on X11, and the font of platform/font.h.
#pragma once

#include <string>

struct SDL_Window;

namespace platform {

// text and caption are GBK, type the MB_ flags; owner the program's window it belongs to, or
// null. The answer; the way-out answer when no window can be made.
int ShowWindowMessageBox(const std::string& text, const std::string& caption, unsigned type,
                         SDL_Window* owner = nullptr);

}  // namespace platform
