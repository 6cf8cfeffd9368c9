// The X connection of an SDL window (found through SDL's window-manager information), and what
// the display says of its window manager.
#include "platform/x11_connection.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>

namespace platform {

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

}  // namespace platform
