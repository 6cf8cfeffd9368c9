// The X connection of an SDL window (found through SDL's window-manager information), what the
// display says of its window manager, and the watch on the connection and the windows.
#include "platform/x11_connection.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>

#include <poll.h>

#include <algorithm>
#include <vector>

namespace platform {
namespace {

struct Watched {
  ::Window id = 0;
  bool gone = false;
};

// The display of the running SDL backend, watched from the thread that runs its loop.
std::vector<Watched> g_watched;
bool g_broken = false;
Display* g_watched_display = nullptr;
bool g_window_went = false;  // another program destroyed one of the windows
Atom g_work_area = 0;        // _NET_WORKAREA on the watched display
XErrorHandler g_previous_handler = nullptr;

::Window XWindowOf(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
  return info.info.x11.window;
}

Watched* Find(::Window id) {
  auto it = std::find_if(g_watched.begin(), g_watched.end(), [id](const Watched& w) { return w.id == id; });
  return it == g_watched.end() ? nullptr : &*it;
}

// A request about a window that no longer exists fails; for one of ours that is how its
// destruction may show first.
int OnError(Display* display, XErrorEvent* error) {
  if (Watched* w = Find(error->resourceid);
      w != nullptr && (error->error_code == BadWindow || error->error_code == BadDrawable)) {
    w->gone = g_window_went = true;
    return 0;
  }
  // A graphics context made for a window that was already gone came to nothing: using or freeing
  // it fails too, which is one more word of that window's end.
  if (error->error_code == BadGC && g_window_went) return 0;
  return g_previous_handler != nullptr ? g_previous_handler(display, error) : 0;
}

// Xlib calls these once the connection broke; returning from both keeps the process.
int OnBroken(Display*) {
  g_broken = true;
  return 0;
}
void OnBrokenExit(Display*, void*) { g_broken = true; }

}  // namespace

X11Connection FindX11Connection(SDL_Window* window) {
  X11Connection connection;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (window && SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11 && info.info.x11.display) {
    connection.display = info.info.x11.display;
    connection.fd = XConnectionNumber(info.info.x11.display);
  }
  return connection;
}

bool X11EventsPending(const X11Connection& connection) {
  return connection.display && XPending(static_cast<Display*>(connection.display)) > 0;
}

bool X11ReadArrived(const X11Connection& connection) {
  return connection.display && XEventsQueued(static_cast<Display*>(connection.display), QueuedAfterReading) > 0;
}

bool X11HasWindowManager(const X11Connection& connection) {
  auto* display = static_cast<Display*>(connection.display);
  if (display == nullptr) return false;
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == 0) return false;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, left = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type,
                                        &format, &count, &left, &data);
  if (data != nullptr) XFree(data);
  return status == Success && type == XA_WINDOW && count == 1;
}

void X11WatchConnection(const X11Connection& connection) {
  auto* display = static_cast<Display*>(connection.display);
  if (display == nullptr) return;
  g_watched_display = display;
  g_watched.clear();
  g_broken = false;
  g_window_went = false;
  // SDL puts its own handler in place each time it starts.
  if (const XErrorHandler before = XSetErrorHandler(OnError); before != OnError) g_previous_handler = before;
  XSetIOErrorHandler(OnBroken);
  XSetIOErrorExitHandler(display, OnBrokenExit, nullptr);
  // The root's property changes and its new sizes (a screen RANDR made larger or smaller), beside
  // whatever else is asked of the root on this connection.
  g_work_area = XInternAtom(display, "_NET_WORKAREA", False);
  XWindowAttributes root{};
  if (XGetWindowAttributes(display, DefaultRootWindow(display), &root))
    XSelectInput(display, DefaultRootWindow(display), root.your_event_mask | PropertyChangeMask | StructureNotifyMask);
}

bool X11ConnectionWatched(const X11Connection& connection) {
  return connection.display != nullptr && connection.display == g_watched_display;
}

bool X11ConnectionBroken() { return g_broken; }

unsigned long X11WatchWindow(SDL_Window* window) {
  const ::Window id = XWindowOf(window);
  if (id != 0 && Find(id) == nullptr) g_watched.push_back(Watched{id, false});
  return id;
}

void X11ForgetWindow(unsigned long id) {
  std::erase_if(g_watched, [id](const Watched& w) { return w.id == id; });
}

namespace {

// The window, time, places and held buttons of a pointer event (a press, a release or a move:
// their records share these fields).
template <typename PointerEvent>
void NotePointer(X11Note::Kind kind, const PointerEvent& e, X11Note* note) {
  note->kind = kind;
  note->window = e.window;
  note->time = e.time;
  note->x = e.x_root;
  note->y = e.y_root;
  note->window_x = e.x;
  note->window_y = e.y;
  note->held = ((e.state & Button1Mask) != 0 ? 1u : 0u) | ((e.state & Button2Mask) != 0 ? 2u : 0u) |
               ((e.state & Button3Mask) != 0 ? 4u : 0u);
}

}  // namespace

X11Note X11NoteEvent(const SDL_SysWMmsg* message) {
  X11Note note;
  if (message == nullptr || message->subsystem != SDL_SYSWM_X11) return note;
  const XEvent& e = message->msg.x11.event;
  switch (e.type) {
    case DestroyNotify:
      if (Watched* w = Find(e.xdestroywindow.window)) w->gone = g_window_went = true;
      break;
    case ButtonPress:
    case ButtonRelease:
      NotePointer(e.type == ButtonPress ? X11Note::kPress : X11Note::kRelease, e.xbutton, &note);
      note.button = static_cast<int>(e.xbutton.button);
      break;
    case MotionNotify:
      NotePointer(X11Note::kMove, e.xmotion, &note);
      break;
    case EnterNotify:
    case LeaveNotify:
      NotePointer(X11Note::kCross, e.xcrossing, &note);
      break;
    case KeyPress:
    case KeyRelease:
      note.kind = X11Note::kKey;
      note.window = e.xkey.window;
      break;
    case PropertyNotify:
      if (e.xproperty.atom == g_work_area && e.xproperty.window == DefaultRootWindow(e.xproperty.display))
        note.kind = X11Note::kWorkArea;
      break;
    case ConfigureNotify:
      if (e.xconfigure.window == DefaultRootWindow(e.xconfigure.display)) note.kind = X11Note::kScreen;
      break;
    default:
      break;
  }
  return note;
}

unsigned long X11EventWindow(const SDL_SysWMmsg* message) {
  return message != nullptr && message->subsystem == SDL_SYSWM_X11 ? message->msg.x11.event.xany.window : 0;
}

bool X11WindowGone(unsigned long id) {
  const Watched* w = Find(id);
  return w != nullptr && w->gone;
}

void X11Sync(const X11Connection& connection) {
  if (connection.display != nullptr && !g_broken) XSync(static_cast<Display*>(connection.display), False);
}

namespace {

// A word put in front of the queue for a window (sent by nobody: serial 0).
struct PutBack {
  int type;
  ::Window window;
};
Bool IsPutBack(Display*, XEvent* event, XPointer data) {
  const auto* word = reinterpret_cast<const PutBack*>(data);
  if (event->type != word->type || event->xany.serial != 0) return False;
  return (word->type == MapNotify ? event->xmap.window : event->xunmap.window) == word->window;
}

// Runs `act`, an SDL call that may wait for the word `type` (MapNotify or UnmapNotify) of the
// window, with that word already waiting first in the queue: Xlib's wait finds it before it reads
// the connection. What SDL left of it is taken back (from the queue alone: nothing is read).
template <typename Act>
void WithWordPutBack(const X11Connection& connection, unsigned long id, int type, Act act) {
  auto* display = static_cast<Display*>(connection.display);
  if (display == nullptr || id == 0) {
    act();
    return;
  }
  XEvent word{};
  word.type = type;
  if (type == MapNotify) {
    word.xmap.display = display;
    word.xmap.event = word.xmap.window = id;
  } else {
    word.xunmap.display = display;
    word.xunmap.event = word.xunmap.window = id;
  }
  XPutBackEvent(display, &word);
  act();
  PutBack put{type, id};
  XEvent left{};
  XCheckIfEvent(display, &left, IsPutBack, reinterpret_cast<XPointer>(&put));
}

// What the queue says of a window being shown: the first mapping (taken out, as SDL would take
// it) and whether the window was destroyed (left in the queue for SDL).
struct Showing {
  ::Window window;
  bool destroyed = false;
};
Bool TakeMapping(Display*, XEvent* event, XPointer data) {
  auto* showing = reinterpret_cast<Showing*>(data);
  if (event->type == DestroyNotify && event->xdestroywindow.window == showing->window) showing->destroyed = true;
  return event->type == MapNotify && event->xmap.window == showing->window;
}

}  // namespace

void X11ShowWindowUnwaited(const X11Connection& connection, SDL_Window* window, unsigned long id) {
  auto* display = static_cast<Display*>(connection.display);
  if (display != nullptr && id != 0 && !g_broken) {
    // Mapped, and the server's word of it awaited here, where a broken connection, or the window
    // gone, ends the wait; SDL then finds it mapped and does not wait (a window manager may be
    // slow to map it, so the wait has no deadline). Every other event stays in the queue.
    XMapRaised(display, id);
    Showing showing{id};
    XEvent mapped{};
    while (!g_broken && !showing.destroyed && !X11WindowGone(id) &&
           !XCheckIfEvent(display, &mapped, TakeMapping, reinterpret_cast<XPointer>(&showing))) {
      pollfd readable{connection.fd, POLLIN, 0};
      poll(&readable, 1, 100);
    }
  }
  WithWordPutBack(connection, id, MapNotify, [window] { SDL_ShowWindow(window); });
}

void X11DestroyWindowUnwaited(const X11Connection& connection, SDL_Window* window, unsigned long id) {
  WithWordPutBack(connection, id, UnmapNotify, [window] { SDL_DestroyWindow(window); });
}

}  // namespace platform
