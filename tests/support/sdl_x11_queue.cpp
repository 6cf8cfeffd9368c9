#include "tests/support/sdl_x11_queue.h"

#include <SDL.h>
#include <SDL_syswm.h>

namespace test {
namespace {

Bool IsUnsentUnmapping(Display*, XEvent* event, XPointer) {
  return event->type == UnmapNotify && event->xunmap.serial == 0;
}

}  // namespace

int TakeUnsentUnmappings() {
  // SDL numbers its windows from 1; a test opens a few.
  for (Uint32 id = 1; id < 1000; ++id) {
    SDL_Window* window = SDL_GetWindowFromID(id);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) continue;
    int count = 0;
    XEvent event;
    while (XCheckIfEvent(info.info.x11.display, &event, IsUnsentUnmapping, nullptr)) ++count;
    return count;
  }
  return -1;
}

bool PointerGrabbed() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  const int status = XGrabPointer(display, DefaultRootWindow(display), False, ButtonPressMask, GrabModeAsync,
                                  GrabModeAsync, None, None, CurrentTime);
  if (status == GrabSuccess) XUngrabPointer(display, CurrentTime);
  XCloseDisplay(display);
  return status == AlreadyGrabbed;
}

uint32_t SdlButtonsHeld() { return SDL_GetMouseState(nullptr, nullptr); }

}  // namespace test
