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
// connection), the second marks the window gone (and, once a window went, so does an error about
// a graphics context, which one made for it after it went leaves behind). Other errors go to
// the handler there was before. Changes of the work area and of the screen's size come among the
// raw events too. Called
// once for each connection SDL opens.
void X11WatchConnection(const X11Connection& connection);
// Whether X11WatchConnection has been called for this connection.
bool X11ConnectionWatched(const X11Connection& connection);
// Whether the connection broke (the server ended, or closed it on the program).
bool X11ConnectionBroken();
// The windows whose errors, or whose destruction (X11NoteEvent), mean another program destroyed
// them, by their X id (0 for a window not on X11); a window the program closes itself is
// forgotten once its own requests are answered.
unsigned long X11WatchWindow(SDL_Window* window);
void X11ForgetWindow(unsigned long id);
// What a raw event that SDL hands on says of the pointer or the keyboard.
struct X11Note {
  enum Kind {
    kOther,
    kPress,    // a button went down: button, time, x, y, held
    kRelease,  // a button came up: button, time, x, y, held
    kMove,     // the pointer moved: time, x, y, held
    kCross,    // the pointer came into or left `window`, or the window came or went under it: held
    kKey,      // a key went down or up in `window`
    kWorkArea,  // the work area on the root window changed
    kScreen,    // the root window, the screen, took another size (RANDR)
  };
  Kind kind = kOther;
  unsigned long window = 0;
  int button = 0;          // 1 left, 2 middle, 3 right
  unsigned long time = 0;  // the server's milliseconds: when the hand did it
  int x = 0, y = 0;        // on the screen
  int window_x = 0, window_y = 0;  // in `window` as it stood then
  // The buttons the server had down just before the event: bit 0 the left, 1 the middle, 2 the
  // right.
  unsigned held = 0;
};
// Notes a DestroyNotify of a watched window among the raw events SDL hands on, and says what
// the event tells of the pointer or the keyboard.
X11Note X11NoteEvent(const SDL_SysWMmsg* message);
// The X window a raw event is about (0 for one that is not X11's).
unsigned long X11EventWindow(const SDL_SysWMmsg* message);
// Whether another program destroyed the window.
bool X11WindowGone(unsigned long id);
// Returns once the server has answered every request so far, its errors handled.
void X11Sync(const X11Connection& connection);
// SDL_ShowWindow and SDL_DestroyWindow for a window (X window `id`, 0 off X11), made so that they
// cannot wait for ever: SDL shows a window and waits for the server to say it is mapped, and hides
// one it believes shown and waits for the server to say it is unmapped. The server never says the
// second of a window another program destroyed; and once the connection broke, Xlib's wait for
// either returns to itself at once, for ever, on the one core. The window is shown once the server
// says it is mapped (awaited here, where the connection's end or the window's ends the wait), and
// the word SDL waits for is put first in the queue before SDL's call, and taken back when SDL did
// not wait.
void X11ShowWindowUnwaited(const X11Connection& connection, SDL_Window* window, unsigned long id);
void X11DestroyWindowUnwaited(const X11Connection& connection, SDL_Window* window, unsigned long id);
// The same for a window that another program destroyed.
inline void X11DestroyGoneWindow(const X11Connection& connection, SDL_Window* window, unsigned long id) {
  X11DestroyWindowUnwaited(connection, window, id);
}

}  // namespace platform
