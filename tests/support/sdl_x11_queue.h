// What Xlib and SDL hold, unseen by the window layer, for the program's SDL windows on an X server.
#pragma once

#include <cstdint>

namespace test {

// Takes out of the queue of the X connection under the program's SDL windows the unmap events
// that nobody sent (serial 0: put there by the program itself), and says how many there were;
// -1 when no SDL window is open on X11.
int TakeUnsentUnmappings();

// Whether a client holds the pointer grabbed: a grab asked on a connection of the test's own is
// refused (and let go at once when it is not).
bool PointerGrabbed();

// The mouse buttons SDL counts down (SDL_BUTTON masks).
uint32_t SdlButtonsHeld();

}  // namespace test
