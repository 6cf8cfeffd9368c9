// The X connection under an SDL window, so the SDL backend can sleep on it between frames and
// tell whether a window manager runs.
// Kept apart because the X headers define names (CursorShape, None, Window...) that clash
// with ours. Only platform/ includes this header.
#pragma once

struct SDL_Window;

namespace platform {

struct X11Connection {
  void* display = nullptr;  // Display*, null when the window is not on X11
  int fd = -1;
};

X11Connection FindX11Connection(SDL_Window* window);
// Whether events have arrived (read or waiting on the connection); sends buffered requests too.
bool X11EventsPending(const X11Connection& connection);
// Reads what the server has sent, without waiting; whether events then wait to be handled.
bool X11ReadArrived(const X11Connection& connection);
// Whether a window manager runs on the display (one that follows the desktop conventions says
// so on the root window).
bool X11HasWindowManager(const X11Connection& connection);

}  // namespace platform
