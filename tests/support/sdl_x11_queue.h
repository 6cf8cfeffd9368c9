// What Xlib holds, unread by SDL, for the program's SDL windows on an X server.
#pragma once

namespace test {

// Takes out of the queue of the X connection under the program's SDL windows the unmap events
// that nobody sent (serial 0: put there by the program itself), and says how many there were;
// -1 when no SDL window is open on X11.
int TakeUnsentUnmappings();

}  // namespace test
