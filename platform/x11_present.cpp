// The shared-memory present of an X11 window. Each put asks for a completion event; a hook on
// the connection's event conversion counts them and drops them, so they reach neither SDL's
// event handling nor anyone else, whoever reads the connection.
#include "platform/x11_present.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

// Last: Xlib's header for extensions (which has the event conversion hook) defines min and max.
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/Xlibint.h>
#include <X11/extensions/shmproto.h>  // the attach's request code, after the protocol types
#undef min
#undef max

namespace platform {

struct X11Presenter::State {
  Display* display = nullptr;
  SDL_Window* sdl_window = nullptr;
  ::Window window = 0;
  Visual* visual = nullptr;
  int depth = 0;
  GC gc = nullptr;
  XImage* image = nullptr;
  XShmSegmentInfo segment{};
  int shm_opcode = 0;        // the extension's request code, which its errors carry
  bool same_layout = false;  // the image's pixels are the frame's words as they are
  int outstanding = 0;       // puts whose completion has not come yet
  bool lost = false;

  void DropImage();
  bool MakeImage(int width, int height);
  void WaitForPuts();
  void Copy(const uint32_t* frame, int width, const RECT& area);
};

namespace {

// The presenters whose completions the hook counts, and the conversion it stands in front of
// (one display: SDL opens one connection for all its windows).
std::vector<X11Presenter::State*> g_presenters;
Display* g_hooked = nullptr;
Bool (*g_convert)(Display*, XEvent*, xEvent*) = nullptr;

int CompletionEvent(Display* display) { return XShmGetEventBase(display) + ShmCompletion; }

// Runs inside Xlib for every completion read off the connection; ours are counted and dropped.
Bool OnCompletion(Display* display, XEvent* event, xEvent* wire) {
  const Bool keep = g_convert(display, event, wire);
  const auto& done = reinterpret_cast<const XShmCompletionEvent&>(*event);
  for (X11Presenter::State* s : g_presenters) {
    if (s->display != display || s->window != done.drawable) continue;
    if (s->outstanding > 0) --s->outstanding;
    return False;
  }
  return keep;
}

void Register(X11Presenter::State* state) {
  if (g_presenters.empty()) {
    g_hooked = state->display;
    g_convert = XESetWireToEvent(state->display, CompletionEvent(state->display), OnCompletion);
  }
  g_presenters.push_back(state);
}

void Unregister(X11Presenter::State* state) {
  std::erase(g_presenters, state);
  if (!g_presenters.empty() || g_hooked == nullptr) return;
  if (!state->lost) XESetWireToEvent(g_hooked, CompletionEvent(g_hooked), g_convert);
  g_hooked = nullptr;
  g_convert = nullptr;
}

// The refusal of the attach, caught while it is waited for. Any other error that comes back in
// that wait (one about a window another program destroyed) goes where errors go otherwise.
bool g_attach_failed = false;
int g_attach_opcode = 0;  // the extension's request code
XErrorHandler g_attach_previous = nullptr;
int NoteAttachFailure(Display* display, XErrorEvent* error) {
  if (error->request_code == g_attach_opcode && error->minor_code == X_ShmAttach) {
    g_attach_failed = true;
    return 0;
  }
  return g_attach_previous != nullptr ? g_attach_previous(display, error) : 0;
}

// Whether the display is on this machine (shared memory cannot reach another one).
bool IsLocal(Display* display) {
  const char* name = DisplayString(display);
  return name && (name[0] == ':' || std::strncmp(name, "unix:", 5) == 0);
}

// Scales an 8-bit channel to the mask's width and puts it in the mask's place.
uint32_t Channel(uint32_t value, uint32_t mask) {
  if (mask == 0) return 0;
  const int width = std::popcount(mask);
  const uint32_t scaled = width >= 8 ? value << (width - 8) : value >> (8 - width);
  return (scaled << std::countr_zero(mask)) & mask;
}

}  // namespace

uint32_t VisualPixel(uint32_t argb, uint32_t red_mask, uint32_t green_mask, uint32_t blue_mask) {
  return Channel((argb >> 16) & 0xFF, red_mask) | Channel((argb >> 8) & 0xFF, green_mask) |
         Channel(argb & 0xFF, blue_mask);
}

std::unique_ptr<X11Presenter> X11Presenter::Make(const X11Connection& connection, SDL_Window* window,
                                                 const char** why) {
  auto* display = static_cast<Display*>(connection.display);
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (display == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
    *why = "the window is not on X11";
    return nullptr;
  }
  int shm_opcode = 0, first_event = 0, first_error = 0;
  if (!IsLocal(display) || !XShmQueryExtension(display) ||
      !XQueryExtension(display, "MIT-SHM", &shm_opcode, &first_event, &first_error)) {
    *why = "the X server shares no memory with this program";
    return nullptr;
  }
  XWindowAttributes attributes{};
  // SDL gives its windows a direct-colour visual where it can, with a straight colour map: the
  // pixels are then the same as in a true-colour one.
  if (!XGetWindowAttributes(display, info.info.x11.window, &attributes) || attributes.visual == nullptr ||
      (attributes.visual->c_class != TrueColor && attributes.visual->c_class != DirectColor)) {
    *why = "the window's visual has no colour channels";
    return nullptr;
  }
  auto state = std::make_unique<State>();
  state->display = display;
  state->sdl_window = window;
  state->window = info.info.x11.window;
  state->visual = attributes.visual;
  state->depth = attributes.depth;
  state->shm_opcode = shm_opcode;
  // The default values draw in plain copy mode, in black (pixel 0 of a true-colour visual).
  state->gc = XCreateGC(display, state->window, 0, nullptr);
  Register(state.get());
  return std::unique_ptr<X11Presenter>(new X11Presenter(std::move(state)));
}

X11Presenter::X11Presenter(std::unique_ptr<State> state) : state_(std::move(state)) {}

X11Presenter::~X11Presenter() {
  State& s = *state_;
  s.DropImage();
  if (!s.lost) XFreeGC(s.display, s.gc);
  Unregister(&s);
}

void X11Presenter::ConnectionLost() { state_->lost = true; }

void X11Presenter::State::DropImage() {
  if (image == nullptr) return;
  // Puts still on their way were sent before the detach, so the server reads them first; its
  // own mapping keeps the memory until then.
  if (!lost) XShmDetach(display, &segment);
  image->data = nullptr;  // the shared memory is not Xlib's to free
  XDestroyImage(image);
  image = nullptr;
  shmdt(segment.shmaddr);
  segment = XShmSegmentInfo{};
}

bool X11Presenter::State::MakeImage(int width, int height) {
  DropImage();
  XImage* made = XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &segment,
                                 static_cast<unsigned>(width), static_cast<unsigned>(height));
  if (made == nullptr) return false;
  segment.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(made->bytes_per_line) * made->height, IPC_CREAT | 0600);
  if (segment.shmid < 0) {
    XDestroyImage(made);
    return false;
  }
  segment.shmaddr = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
  if (segment.shmaddr == reinterpret_cast<char*>(-1)) {
    shmctl(segment.shmid, IPC_RMID, nullptr);
    XDestroyImage(made);
    return false;
  }
  segment.readOnly = False;
  made->data = segment.shmaddr;
  // The server's refusal (a display that only looks local) comes as an error: caught here, once
  // per image, with the one round trip that waits for the answer.
  g_attach_opcode = shm_opcode;
  g_attach_failed = false;
  g_attach_previous = XSetErrorHandler(NoteAttachFailure);
  const bool attached = XShmAttach(display, &segment) && (XSync(display, False), !g_attach_failed);
  XSetErrorHandler(g_attach_previous);
  g_attach_previous = nullptr;
  // Marked for removal now: the memory goes when both sides have let go, even if the program dies.
  shmctl(segment.shmid, IPC_RMID, nullptr);
  if (!attached) {
    made->data = nullptr;
    XDestroyImage(made);
    shmdt(segment.shmaddr);
    segment = XShmSegmentInfo{};
    return false;
  }
  image = made;
  const int host_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
  same_layout = image->bits_per_pixel == 32 && image->byte_order == host_order && image->red_mask == 0xFF0000 &&
                image->green_mask == 0xFF00 && image->blue_mask == 0xFF;
  return true;
}

void X11Presenter::State::WaitForPuts() {
  if (outstanding == 0) return;
  // Usually the completions have come by the next frame and only wait to be read.
  XEventsQueued(display, QueuedAfterReading);
  if (outstanding == 0) return;
  // The server sends them before it answers the round trip.
  XSync(display, False);
}

void X11Presenter::State::Copy(const uint32_t* frame, int width, const RECT& area) {
  for (int y = area.top; y < area.bottom; ++y) {
    const uint32_t* src = frame + static_cast<size_t>(y) * width;
    if (same_layout) {
      std::memcpy(image->data + static_cast<size_t>(y) * image->bytes_per_line + static_cast<size_t>(area.left) * 4,
                  src + area.left, static_cast<size_t>(area.right - area.left) * 4);
      continue;
    }
    for (int x = area.left; x < area.right; ++x)
      XPutPixel(image, x, y, VisualPixel(src[x], image->red_mask, image->green_mask, image->blue_mask));
  }
}

bool X11Presenter::Show(const uint32_t* frame, int width, int height, std::span<const RECT> areas, bool whole) {
  State& s = *state_;
  if (s.lost || frame == nullptr) return false;
  if (s.image == nullptr || s.image->width != width || s.image->height != height) {
    if (!s.MakeImage(width, height)) return false;
    whole = true;
  }
  const RECT all{0, 0, width, height};
  if (whole) areas = std::span<const RECT>(&all, 1);
  s.WaitForPuts();
  for (const RECT& changed : areas) {
    RECT area;
    if (IntersectRect(&area, changed, all)) s.Copy(frame, width, area);
  }
  if (whole) {
    // The window past the frame (a size the frame has not followed yet) shows black.
    int window_width = 0, window_height = 0;
    SDL_GetWindowSize(s.sdl_window, &window_width, &window_height);
    if (window_width > width)
      XFillRectangle(s.display, s.window, s.gc, width, 0, static_cast<unsigned>(window_width - width),
                     static_cast<unsigned>(std::max(window_height, height)));
    if (window_height > height)
      XFillRectangle(s.display, s.window, s.gc, 0, height, static_cast<unsigned>(width),
                     static_cast<unsigned>(window_height - height));
  }
  for (const RECT& changed : areas) {
    RECT area;
    if (!IntersectRect(&area, changed, all)) continue;
    XShmPutImage(s.display, s.window, s.gc, s.image, area.left, area.top, area.left, area.top,
                 static_cast<unsigned>(area.right - area.left), static_cast<unsigned>(area.bottom - area.top), True);
    ++s.outstanding;
  }
  XFlush(s.display);
  return true;
}

void X11Presenter::Finish() {
  State& s = *state_;
  if (!s.lost && s.outstanding > 0) XSync(s.display, False);
}

}  // namespace platform
