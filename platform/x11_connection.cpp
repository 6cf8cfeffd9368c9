// The X connection of an SDL window: found through SDL's window-manager information.
#include "platform/x11_connection.h"

#include <SDL.h>
#include <SDL_syswm.h>

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

}  // namespace platform
