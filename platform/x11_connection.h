// The X connection under an SDL window, so the SDL backend can sleep on it between frames, tell
// whether a window manager runs, and learn that the server went away or that another program
// destroyed one of its windows, where Xlib's own handlers would end the process.
// Kept apart because the X headers define names (CursorShape, None, Window...) that clash
// with ours. Only platform/ includes this header.
#pragma once

struct SDL_Window;
struct SDL_SysWMmsg;

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

// From now on neither a broken connection nor an error about one of the watched windows ends the
// program: the first is noted for X11ConnectionBroken (Xlib then answers nothing more on that
// connection), the second marks the window gone. Other errors go to the handler there was
// before. Called once for each connection SDL opens.
void X11WatchConnection(const X11Connection& connection);
// Whether the connection broke (the server ended, or closed it on the program).
bool X11ConnectionBroken();
// The windows whose errors, or whose destruction (X11NoteEvent), mean another program destroyed
// them, by their X id (0 for a window not on X11); a window the program closes itself is
// forgotten once its own requests are answered.
unsigned long X11WatchWindow(SDL_Window* window);
void X11ForgetWindow(unsigned long id);
// Notes a DestroyNotify of a watched window among the raw events SDL hands on.
void X11NoteEvent(const SDL_SysWMmsg* message);
// Whether another program destroyed the window.
bool X11WindowGone(unsigned long id);
// Returns once the server has answered every request so far, its errors handled.
void X11Sync(const X11Connection& connection);

}  // namespace platform
