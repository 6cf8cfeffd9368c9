// The pointer, the window's names and a dialog's kind, straight from and to the X server.
#include "platform/x11_window.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <vector>

namespace platform {

namespace {

// The X window of an SDL window shown on this connection; 0 when it is none.
::Window X11WindowOf(Display* display, SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (display == nullptr || window == nullptr || !SDL_GetWindowWMInfo(window, &info) ||
      info.subsystem != SDL_SYSWM_X11)
    return 0;
  return info.info.x11.window;
}

}  // namespace

bool X11PointerPosition(const X11Connection& connection, POINT* out) {
  auto* display = static_cast<Display*>(connection.display);
  if (display == nullptr || out == nullptr) return false;
  ::Window root = 0, child = 0;
  int root_x = 0, root_y = 0, x = 0, y = 0;
  unsigned int mask = 0;
  if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &root_x, &root_y, &x, &y, &mask))
    return false;
  *out = POINT{root_x, root_y};
  return true;
}

namespace {

// Up to `count` 32-bit values of a CARDINAL property of the root window.
std::vector<long> RootCardinals(Display* display, const char* name, long count) {
  std::vector<long> values;
  const Atom atom = XInternAtom(display, name, True);
  if (atom == 0) return values;
  Atom type = 0;
  int format = 0;
  unsigned long got = 0, left = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, DefaultRootWindow(display), atom, 0, count, False, XA_CARDINAL, &type, &format,
                         &got, &left, &data) == Success &&
      type == XA_CARDINAL && format == 32 && data != nullptr) {
    const auto* longs = reinterpret_cast<const long*>(data);  // Xlib hands 32-bit items as longs
    values.assign(longs, longs + got);
  }
  if (data != nullptr) XFree(data);
  return values;
}

}  // namespace

bool X11WorkArea(const X11Connection& connection, RECT* out) {
  auto* display = static_cast<Display*>(connection.display);
  if (display == nullptr || out == nullptr) return false;
  ::Window root = 0;
  int x = 0, y = 0;
  unsigned int width = 0, height = 0, border = 0, depth = 0;
  if (!XGetGeometry(display, DefaultRootWindow(display), &root, &x, &y, &width, &height, &border, &depth))
    return false;
  const RECT screen{0, 0, static_cast<int>(width), static_cast<int>(height)};
  *out = screen;
  // Four values a desktop; a desktop number past the list, or none, takes the first.
  const std::vector<long> desktop = RootCardinals(display, "_NET_CURRENT_DESKTOP", 1);
  const long index = desktop.size() == 1 && desktop[0] >= 0 && desktop[0] < 64 ? desktop[0] : 0;
  std::vector<long> area = RootCardinals(display, "_NET_WORKAREA", 4 * (index + 1));
  if (area.size() < static_cast<size_t>(4 * (index + 1))) area = RootCardinals(display, "_NET_WORKAREA", 4);
  if (area.size() < 4) return true;
  const size_t at = area.size() - 4;
  if (area[at + 2] <= 0 || area[at + 3] <= 0 || area[at + 2] > 1 << 16 || area[at + 3] > 1 << 16 ||
      std::abs(area[at]) > 1 << 16 || std::abs(area[at + 1]) > 1 << 16)
    return true;
  const RECT said{static_cast<int>(area[at]), static_cast<int>(area[at + 1]),
                  static_cast<int>(area[at] + area[at + 2]), static_cast<int>(area[at + 1] + area[at + 3])};
  RECT inside{};
  if (IntersectRect(&inside, said, screen)) *out = inside;
  return true;
}

bool X11SetWindowNames(const X11Connection& connection, SDL_Window* window, const std::string& utf8_title) {
  auto* display = static_cast<Display*>(connection.display);
  const ::Window id = X11WindowOf(display, window);
  if (id == 0) return false;
  // Xlib converts UTF-8 to compound text whatever the process's locale is (the "C" locale too).
  std::string text = utf8_title;
  char* list[] = {text.data()};
  XTextProperty property{};
  // A negative answer is a failure; a positive one counts characters that were replaced.
  if (Xutf8TextListToTextProperty(display, list, 1, XStdICCTextStyle, &property) < 0) return false;
  XSetWMName(display, id, &property);
  XSetWMIconName(display, id, &property);
  XFree(property.value);
  return true;
}

void X11MakeUndecorated(const X11Connection& connection, SDL_Window* window) {
  auto* display = static_cast<Display*>(connection.display);
  const ::Window id = X11WindowOf(display, window);
  if (id == 0) return;
  constexpr long kDecorations = 2;
  const long hints[5] = {kDecorations, 0, 0, 0, 0};
  const Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
  XChangeProperty(display, id, motif, motif, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(hints), 5);
  ::Window owner = 0;
  if (XGetTransientForHint(display, id, &owner) && owner == DefaultRootWindow(display))
    XDeleteProperty(display, id, XA_WM_TRANSIENT_FOR);
}

void X11MakeDialog(const X11Connection& connection, SDL_Window* window) {
  auto* display = static_cast<Display*>(connection.display);
  const ::Window id = X11WindowOf(display, window);
  if (id == 0) return;
  const Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
  const Atom dialog = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
  XChangeProperty(display, id, type, XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&dialog), 1);
  // The Motif hints, which window managers read for the functions and decorations a window
  // takes: moving and closing (with the border, the title and its menu), nothing else.
  constexpr long kFunctionsAndDecorations = 1 | 2;
  constexpr long kMove = 4, kClose = 32;
  constexpr long kBorder = 2, kTitle = 8, kMenu = 16;
  const long hints[5] = {kFunctionsAndDecorations, kMove | kClose, kBorder | kTitle | kMenu, 0, 0};
  const Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
  XChangeProperty(display, id, motif, motif, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(hints), 5);
}

}  // namespace platform
