// What the SDL backend asks the X server, or tells it, about its windows directly, where SDL's
// own answer falls short: where the pointer is now, the window's title in the form that older
// task bars and window managers read, and a message box's kind.
// Kept apart because the X headers define names (CursorShape, None, Window...) that clash with
// ours. Only platform/ includes this header.
#pragma once

#include <string>

#include "platform/win_types.h"
#include "platform/x11_connection.h"

struct SDL_Window;

namespace platform {

// The pointer on the screen as the server has it now (SDL's global position is a copy that goes
// stale while a button is held). False without a connection, or when the pointer is on another
// screen.
bool X11PointerPosition(const X11Connection& connection, POINT* out);

// The work area as the server has it now: the screen (the root window's size, read afresh: a
// screen that RANDR made larger or smaller, where SDL keeps the size it read at the start) less
// what the desktop's _NET_WORKAREA for the current desktop leaves out; the whole screen when no
// work area is said, or when it lies off the screen. False without a connection.
bool X11WorkArea(const X11Connection& connection, RECT* out);

// Sets the window's WM_NAME and WM_ICON_NAME to the title: plain Latin-1 text when it is that,
// else compound text (SDL writes the UTF-8 bytes there typed as Latin-1). False when the text
// could not be converted; the properties are then left as they were.
bool X11SetWindowNames(const X11Connection& connection, SDL_Window* window, const std::string& utf8_title);

// Asks window managers to draw no frame around the window: the Motif hints with no decorations,
// and no WM_TRANSIENT_FOR naming the root. SDL sets the hints only when the display already
// knows their name, which a server no window manager has run on yet does not, and names the root
// instead; a window manager started later then framed the window. Nothing without a connection.
void X11MakeUndecorated(const X11Connection& connection, SDL_Window* window);

// Makes a window that is not yet shown a dialog to window managers (SDL makes every window a
// normal one): of the dialog type, and with only the moving and closing functions, so that no
// window manager gives it minimise or maximise buttons. Nothing without a connection.
void X11MakeDialog(const X11Connection& connection, SDL_Window* window);

}  // namespace platform
