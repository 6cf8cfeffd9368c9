// Shows a window's frame on an X11 window through one shared-memory image (MIT-SHM), without
// ever waiting for the X server while frames come at their pace: the changed rectangles are
// copied into the image and put, the requests are sent, and the next present waits only if the
// server has not yet finished reading the previous puts (it says so with a completion event per
// put, which is taken off the connection before anyone else sees it).
// Only for a local server that has the extension, and a visual of colour channels (true or
// direct colour); the SDL backend falls back to its renderer elsewhere. Kept apart because the X
// headers define names that clash with ours. Only platform/ includes this header.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "platform/win_types.h"
#include "platform/x11_connection.h"

struct SDL_Window;

namespace platform {

// The pixel value of an 0xAARRGGBB word in a visual with these channel masks: each
// channel keeps its top bits (or is widened), alpha is dropped.
uint32_t VisualPixel(uint32_t argb, uint32_t red_mask, uint32_t green_mask, uint32_t blue_mask);

class X11Presenter {
 public:
  // The presenter of an SDL window on the connection; null, and *why says what is missing, when
  // the window is not on a local X server with shared memory and a visual of colour channels.
  static std::unique_ptr<X11Presenter> Make(const X11Connection& connection, SDL_Window* window, const char** why);
  ~X11Presenter();
  X11Presenter(const X11Presenter&) = delete;
  X11Presenter& operator=(const X11Presenter&) = delete;

  // Puts these areas of the frame (width x height words, both above 0, cut to it) on the window;
  // `whole` puts all of it and paints the window black past the frame's edges. A frame of a new
  // size gets a new image. False, with nothing shown, when the image cannot be made.
  bool Show(const uint32_t* frame, int width, int height, std::span<const RECT> areas, bool whole);
  // Returns once the server has carried out every put: the screen then holds the frame.
  void Finish();
  // The connection is gone: the presenter lets go of its memory without a word to the server.
  void ConnectionLost();

  struct State;  // the window, its image and its puts on their way

 private:
  explicit X11Presenter(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace platform
