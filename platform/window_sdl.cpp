// Window backend: SDL2.
//   Platform:     a display SDL2 can open windows on (X11 or Wayland; Xvfb works).
//   Limitations:  the frame is shown pixel for pixel, only its changed part each time: on a local
//                 X server through shared memory (x11_present.h), elsewhere through one
//                 streaming texture, where SDL's software renderer (the default) draws the
//                 changed part and any other renderer draws it whole; a window manager may give the window another size
//                 than asked (the frame then follows through WM_SIZE); without a window manager
//                 a minimised window stays on screen; key messages carry no scan code (the KF_
//                 bits are right); the IME's text reaches the window as GBK bytes, and text GBK
//                 cannot hold is dropped;
//                 under Wayland the window cannot place itself or read the global pointer (the
//                 pointer's screen position is the one the windows last received);
//                 raising and flashing are requests a window manager may answer by marking the
//                 window urgent; the work area is the primary display's usable bounds (on X11
//                 with one monitor, the screen as it is now less _NET_WORKAREA's panels; changes
//                 of either reach the top-level windows as WM_SETTINGCHANGE); a lost
//                 display, or a window another program destroyed, ends the loop with status 1;
//                 on X11, presses, releases and moves take their time, their place on the screen
//                 and their point in the window from the server's own event (double clicks are
//                 counted from those, not by SDL, and the window's handlers read the time as
//                 GetMessageTime and the place as GetMessagePos), elsewhere from SDL's.
//   Dependencies: SDL2 (video subsystem only); Xlib for waiting on the X connection, the
//                 pointer's position and the older title properties, and its MIT-SHM extension
//                 for the present.
#include <SDL.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/click_run.h"
#include "platform/diagnostics.h"
#include "platform/gbk.h"
#include "platform/message_box.h"
#include "platform/message_box_window.h"
#include "platform/window_backend.h"
#include "platform/x11_connection.h"
#include "platform/x11_present.h"
#include "platform/x11_window.h"

namespace platform {
namespace {

struct SdlWindow {
  SDL_Window* window = nullptr;
  // On a local X server the frame goes straight to the window; otherwise through the renderer.
  std::unique_ptr<X11Presenter> presenter;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int texture_width = 0;
  int texture_height = 0;
  // SDL's software renderer draws into the window's own surface, which keeps what it shows.
  bool software = false;
  // The next present shows the whole frame (a new texture, a surface SDL made anew, a window
  // shown or uncovered).
  bool show_whole = true;
  unsigned long x11_id = 0;  // the X window, watched for its destruction by another program
  bool gone = false;         // another program destroyed it: nothing more is asked of it
};

// Gives the SDL window a new client size, when it has another.
void ResizeSdlWindow(SDL_Window* window, int width, int height) {
  int w = 0, h = 0;
  SDL_GetWindowSize(window, &w, &h);
  if (width > 0 && height > 0 && (w != width || h != height)) SDL_SetWindowSize(window, width, height);
}

// Puts the SDL window's client area at a screen point, when it stands elsewhere.
void PlaceSdlWindow(SDL_Window* window, POINT at) {
  int x = 0, y = 0;
  SDL_GetWindowPosition(window, &x, &y);
  if (x != at.x || y != at.y) SDL_SetWindowPosition(window, at.x, at.y);
}

bool IsNullDriver(const char* name) {
  return name &&
         (std::strcmp(name, "dummy") == 0 || std::strcmp(name, "offscreen") == 0 || std::strcmp(name, "evdev") == 0);
}

// SDL keycode -> Windows virtual-key code; 0 for keys without one.
uint32_t VirtualKey(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (key - SDLK_KP_1);
  switch (key) {
    case SDLK_BACKSPACE:
      return VK_BACK;
    case SDLK_TAB:
      return VK_TAB;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return VK_RETURN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
      return VK_MENU;
    case SDLK_PAUSE:
      return VK_PAUSE;
    case SDLK_CAPSLOCK:
      return VK_CAPITAL;
    case SDLK_ESCAPE:
      return VK_ESCAPE;
    case SDLK_SPACE:
      return VK_SPACE;
    case SDLK_PAGEUP:
      return VK_PRIOR;
    case SDLK_PAGEDOWN:
      return VK_NEXT;
    case SDLK_END:
      return VK_END;
    case SDLK_HOME:
      return VK_HOME;
    case SDLK_LEFT:
      return VK_LEFT;
    case SDLK_UP:
      return VK_UP;
    case SDLK_RIGHT:
      return VK_RIGHT;
    case SDLK_DOWN:
      return VK_DOWN;
    case SDLK_PRINTSCREEN:
      return VK_SNAPSHOT;
    case SDLK_INSERT:
      return VK_INSERT;
    case SDLK_DELETE:
      return VK_DELETE;
    case SDLK_KP_0:
      return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY:
      return VK_MULTIPLY;
    case SDLK_KP_PLUS:
      return VK_ADD;
    case SDLK_KP_MINUS:
      return VK_SUBTRACT;
    case SDLK_KP_PERIOD:
      return VK_DECIMAL;
    case SDLK_KP_DIVIDE:
      return VK_DIVIDE;
    case SDLK_NUMLOCKCLEAR:
      return VK_NUMLOCK;
    case SDLK_SCROLLLOCK:
      return VK_SCROLL;
    case SDLK_SEMICOLON:
      return VK_OEM_1;
    case SDLK_EQUALS:
      return VK_OEM_PLUS;
    case SDLK_COMMA:
      return VK_OEM_COMMA;
    case SDLK_MINUS:
      return VK_OEM_MINUS;
    case SDLK_PERIOD:
      return VK_OEM_PERIOD;
    case SDLK_SLASH:
      return VK_OEM_2;
    case SDLK_BACKQUOTE:
      return VK_OEM_3;
    case SDLK_LEFTBRACKET:
      return VK_OEM_4;
    case SDLK_BACKSLASH:
      return VK_OEM_5;
    case SDLK_RIGHTBRACKET:
      return VK_OEM_6;
    case SDLK_QUOTE:
      return VK_OEM_7;
    default:
      return 0;
  }
}

bool IsExtendedKey(SDL_Keycode key) {
  switch (key) {
    case SDLK_RCTRL:
    case SDLK_RALT:
    case SDLK_INSERT:
    case SDLK_DELETE:
    case SDLK_HOME:
    case SDLK_END:
    case SDLK_PAGEUP:
    case SDLK_PAGEDOWN:
    case SDLK_LEFT:
    case SDLK_RIGHT:
    case SDLK_UP:
    case SDLK_DOWN:
    case SDLK_KP_ENTER:
    case SDLK_KP_DIVIDE:
    case SDLK_NUMLOCKCLEAR:
    case SDLK_PRINTSCREEN:
      return true;
    default:
      return false;
  }
}

// The character a key gives that SDL's text input does not report (controls), or 0.
uint32_t ControlCharacter(SDL_Keycode key, uint16_t mod) {
  switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return '\r';
    case SDLK_BACKSPACE:
      return '\b';
    case SDLK_TAB:
      return '\t';
    case SDLK_ESCAPE:
      return 0x1B;
    default:
      break;
  }
  if ((mod & KMOD_CTRL) && !(mod & KMOD_ALT) && key >= SDLK_a && key <= SDLK_z) return 1 + (key - SDLK_a);
  return 0;
}

uint32_t ModifierFlags() {
  const SDL_Keymod mod = SDL_GetModState();
  uint32_t flags = 0;
  if (mod & KMOD_SHIFT) flags |= MK_SHIFT;
  if (mod & KMOD_CTRL) flags |= MK_CONTROL;
  return flags;
}

class SdlWindowBackend final : public WindowBackend {
 public:
  SdlWindowBackend() {
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // The pointer is captured only when the program asks (SetCapture). SDL's own capture of every
    // press was let go only once the program took the release: a press made just after it, off
    // the window (a double click that moved the window away from under the pointer), still came
    // to the window, and its release, made after SDL let go, did not.
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The software renderer draws straight into the window (X shared memory), not through a GL
    // texture of its own.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    inited_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    ok_ = inited_ && !IsNullDriver(SDL_GetCurrentVideoDriver());
    if (!ok_) return;
    wake_event_ = SDL_RegisterEvents(1);
    // The X server's raw events come along, for the destruction of a window by another program.
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    wake_fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    previous_message_box_ = SetMessageBoxHandler([this](const std::string& text, const std::string& caption,
                                                        unsigned type) {
      return ShowWindowMessageBox(text, caption, type, BoxOwner());
    });
  }

  ~SdlWindowBackend() override {
    for (auto& [id, n] : windows_) {
      if (n->presenter && Lost()) n->presenter->ConnectionLost();
      n->presenter.reset();
    }
    if (ok_) SetMessageBoxHandler(previous_message_box_);
    if (wake_fd_ >= 0) close(wake_fd_);
    if (Lost()) return;  // nothing can be said to a server that is gone
    for (auto& [id, cursor] : sdl_cursors_)
      if (cursor) SDL_FreeCursor(cursor);
    if (inited_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  bool ok() const { return ok_; }
  bool inited() const { return inited_; }
  WindowBackendKind Kind() const override { return WindowBackendKind::kSdl; }

  // One SDL window with its renderer; the frame goes through a streaming texture.
  bool Open(Window& window) override {
    x11_touched_ = true;
    if (Lost()) return false;
    const uint32_t style = WindowSystem::Style(window);
    const uint32_t ex_style = window.ExStyle();
    Uint32 flags = WindowSystem::Visible(window) ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
    if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
    // A window without a caption of its own gets none from the window manager either (the game
    // window draws its own title strip).
    if (!HasSystemCaption(style)) flags |= SDL_WINDOW_BORDERLESS;
    if (ex_style & WS_EX_TOPMOST) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    if (ex_style & WS_EX_TOOLWINDOW) flags |= SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_UTILITY;
    const POINT at = WindowSystem::Origin(window);
    const int x = at.x == CW_USEDEFAULT ? SDL_WINDOWPOS_CENTERED : at.x;
    const int y = at.y == CW_USEDEFAULT ? SDL_WINDOWPOS_CENTERED : at.y;
    auto native = std::make_unique<SdlWindow>();
    native->window = SDL_CreateWindow(GbkToUtf8(WindowSystem::Title(window)).c_str(), x, y, window.FrameWidth(),
                                      window.FrameHeight(), flags);
    if (!native->window) {
      ReportProblem("SDL window: %s", SDL_GetError());
      return false;
    }
    if (!x11_.display) {
      x11_ = FindX11Connection(native->window);
      X11WatchConnection(x11_);
    }
    native->x11_id = X11WatchWindow(native->window);
    if (flags & SDL_WINDOW_BORDERLESS) X11MakeUndecorated(x11_, native->window);
    SetOlderTitles(native->window, WindowSystem::Title(window));
    if (!ChoosePresent(*native)) {
      X11ForgetWindow(native->x11_id);
      SDL_DestroyWindow(native->window);
      return false;
    }
    // SDL has no windows inside windows: a child, or an owned window, stays above its parent
    // as a window of its own.
    if (Window* parent = window.GetParent()) {
      auto* parent_native = static_cast<SdlWindow*>(WindowSystem::Native(*parent));
      if (parent_native != nullptr && parent_native->window != nullptr)
        SDL_SetWindowModalFor(native->window, parent_native->window);
      if (style & WS_CHILD) ReportProblem("SDL window: a child window is shown as a window of its own");
    }
    const Uint32 id = SDL_GetWindowID(native->window);
    WindowSystem::Native(window) = native.get();
    windows_[id] = std::move(native);
    int sx = 0, sy = 0;
    SDL_GetWindowPosition(windows_[id]->window, &sx, &sy);
    WindowSystem::Moved(window, sx, sy);
    SDL_StartTextInput();
    return true;
  }

  void Close(Window& window) override {
    x11_touched_ = true;
    for (auto it = windows_.begin(); it != windows_.end(); ++it) {
      if (it->second.get() != WindowSystem::Native(window)) continue;
      SdlWindow& n = *it->second;
      if (n.presenter && Lost()) n.presenter->ConnectionLost();
      n.presenter.reset();
      if (!Lost()) {
        if (n.texture) SDL_DestroyTexture(n.texture);
        if (n.renderer) SDL_DestroyRenderer(n.renderer);
        if (n.gone || X11WindowGone(n.x11_id)) {
          X11DestroyGoneWindow(x11_, n.window, n.x11_id);
        } else {
          SDL_DestroyWindow(n.window);
        }
        // The server's answers to the requests that closed it come while it is still watched:
        // another program may have destroyed it just before, and the errors that then come back
        // must mark it gone rather than end the program.
        X11Sync(x11_);
      }
      X11ForgetWindow(n.x11_id);
      windows_.erase(it);
      break;
    }
    WindowSystem::Native(window) = nullptr;
  }

  // Asks the system once, then translates every waiting SDL event.
  void PollEvents() override {
    x11_touched_ = true;
    if (Lost()) return;
    SDL_PumpEvents();
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) Translate(event);
    CheckConnection();
  }

  // Short waits (the engine's 5 ms frame timer) skip SDL's own wait, which asks the X server
  // several times per wake: at 200 wakes a second that was most of an idle client's work. On
  // X11 the loop sleeps on the X connection and the wake descriptor, and asks SDL for events
  // only when the X server sent something; elsewhere it sleeps and asks SDL once, so input
  // waits at most one frame. Long waits block in SDL, which wakes on the first event.
  void WaitEvents(int timeout_ms) override {
    CheckConnection();
    if (Lost()) {
      std::unique_lock lock(wake_mutex_);
      const auto woken = [this] { return woken_; };
      if (timeout_ms < 0) {
        wake_.wait(lock, woken);
      } else {
        wake_.wait_for(lock, std::chrono::milliseconds(timeout_ms), woken);
      }
      woken_ = false;
      return;
    }
    if (timeout_ms >= 0 && timeout_ms <= kSleepingWaitMs) {
      if (x11_.display) {
        // Calls to the X server since the last look may have read events off the connection (and
        // left requests unsent): then ask Xlib first. Otherwise the connection tells it all.
        const bool pending = x11_touched_ && X11EventsPending(x11_);
        x11_touched_ = false;
        if (!pending && !SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) {
          pollfd fds[2] = {{x11_.fd, POLLIN, 0}, {wake_fd_, POLLIN, 0}};
          poll(fds, 2, timeout_ms);
          if (fds[1].revents & POLLIN) {
            uint64_t count = 0;
            [[maybe_unused]] ssize_t got = read(wake_fd_, &count, sizeof count);
          }
          if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            // The X server went away. Sleeping on its connection would now return at once, for
            // ever.
            LoseDisplay();
            return;
          } else if (!(fds[0].revents & POLLIN) || !X11ReadArrived(x11_)) {
            // A timer is due, a message was posted, or the server only said that it has shown
            // a frame (which the present counts): SDL has nothing to hear.
            CheckConnection();
            return;
          }
        }
      } else {
        std::unique_lock lock(wake_mutex_);
        wake_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [this] { return woken_; });
        woken_ = false;
      }
      PollEvents();
      return;
    }
    SDL_Event event;
    const int got = timeout_ms < 0 ? SDL_WaitEvent(&event) : SDL_WaitEventTimeout(&event, timeout_ms);
    if (got) {
      Translate(event);
      PollEvents();
    }
  }

  // Any thread: ends any kind of wait.
  void Wake() override {
    {
      std::lock_guard lock(wake_mutex_);
      woken_ = true;
    }
    wake_.notify_one();
    if (wake_fd_ >= 0) {
      const uint64_t one = 1;
      [[maybe_unused]] ssize_t put = write(wake_fd_, &one, sizeof one);
    }
    SDL_Event event{};
    event.type = wake_event_;
    SDL_PushEvent(&event);
  }

  // Shows the frame: through the X server's shared memory, else see ShowChangedArea. A shared
  // image that cannot be made hands the window over to the renderer for good.
  void Present(Window& window) override {
    x11_touched_ = true;
    if (Lost()) return;
    SdlWindow* n = Live(window);
    if (!n) return;
    const int w = window.FrameWidth(), h = window.FrameHeight();
    // A frame without pixels has nothing to show.
    if (w <= 0 || h <= 0) return;
    if (n->presenter) {
      if (n->presenter->Show(window.PresentedFrame().data(), w, h, WindowSystem::ChangedAreas(window).Rects(),
                             n->show_whole)) {
        n->show_whole = false;
        return;
      }
      n->presenter.reset();
      n->show_whole = true;
      if (!MakeRenderer(*n, "the shared image could not be made")) return;
    }
    if (!n->texture || n->texture_width != w || n->texture_height != h) {
      if (n->texture) SDL_DestroyTexture(n->texture);
      // The frame's words are 0xAARRGGBB with alpha 255; a window of the same layout without alpha
      // takes them as they are, and a texture in its own format is copied onto it without conversion.
      const Uint32 format = SDL_GetWindowPixelFormat(n->window) == SDL_PIXELFORMAT_RGB888 ? SDL_PIXELFORMAT_RGB888
                                                                                          : SDL_PIXELFORMAT_ARGB8888;
      n->texture = SDL_CreateTexture(n->renderer, format, SDL_TEXTUREACCESS_STREAMING, w, h);
      if (!n->texture) {
        ReportProblem("SDL texture: %s", SDL_GetError());
        return;
      }
      SDL_SetTextureBlendMode(n->texture, SDL_BLENDMODE_NONE);
      n->texture_width = w;
      n->texture_height = h;
      n->show_whole = true;
    }
    ShowChangedArea(*n, window);
  }

  // Uploads the parts of the frame that changed since the last present into the texture. With
  // the software renderer, whose window surface keeps what it showed, only those parts are drawn
  // and sent to the display, so the work follows the change and not the window's size; any other
  // renderer, a surface made anew or a window the frame does not fill exactly gets the whole
  // texture drawn.
  static void ShowChangedArea(SdlWindow& n, const Window& window) {
    const int w = window.FrameWidth(), h = window.FrameHeight();
    const RECT all{0, 0, w, h};
    std::vector<SDL_Rect> parts;
    for (const RECT& changed : n.show_whole ? std::vector<RECT>{all} : WindowSystem::ChangedAreas(window).Rects()) {
      RECT area;
      if (!IntersectRect(&area, changed, all)) continue;
      const SDL_Rect& r =
          parts.emplace_back(SDL_Rect{area.left, area.top, area.right - area.left, area.bottom - area.top});
      SDL_UpdateTexture(n.texture, &r, window.PresentedFrame().data() + static_cast<size_t>(r.y) * w + r.x, w * 4);
    }
    if (parts.empty()) return;
    int out_w = 0, out_h = 0;
    SDL_GetRendererOutputSize(n.renderer, &out_w, &out_h);
    if (n.show_whole || !n.software || out_w != w || out_h != h) {
      SDL_RenderClear(n.renderer);
      // Pixel for pixel from the top-left corner: never stretched over a window of another size.
      const SDL_Rect shown{0, 0, w, h};
      SDL_RenderCopy(n.renderer, n.texture, nullptr, &shown);
      SDL_RenderPresent(n.renderer);
      n.show_whole = false;
      return;
    }
    for (const SDL_Rect& r : parts) SDL_RenderCopy(n.renderer, n.texture, &r, &r);
    SDL_RenderFlush(n.renderer);
    if (SDL_UpdateWindowSurfaceRects(n.window, parts.data(), static_cast<int>(parts.size())) != 0)
      SDL_RenderPresent(n.renderer);
  }

  void SetTitle(Window& window) override {
    x11_touched_ = true;
    if (Lost()) return;
    SdlWindow* n = Live(window);
    if (!n) return;
    SDL_SetWindowTitle(n->window, GbkToUtf8(WindowSystem::Title(window)).c_str());
    SetOlderTitles(n->window, WindowSystem::Title(window));
  }

  bool SetIcon(Window& window, const uint32_t* pixels, int width, int height) override {
    x11_touched_ = true;
    if (Lost()) return false;
    SdlWindow* n = Live(window);
    if (!n) return false;
    // SDL copies the pixels; the surface only lends them.
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(pixels), width, height, 32,
                                                           width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (icon == nullptr) {
      ReportProblem("SDL window icon: %s", SDL_GetError());
      return false;
    }
    SDL_SetWindowIcon(n->window, icon);
    SDL_FreeSurface(icon);
    return true;
  }

  // The size first, then the place: each only when it changes (SDL waits a moment for the window
  // manager's answer to each).
  void Move(Window& window) override {
    x11_touched_ = true;
    if (Lost()) return;
    SdlWindow* n = Live(window);
    if (!n) return;
    ResizeSdlWindow(n->window, window.FrameWidth(), window.FrameHeight());
    PlaceSdlWindow(n->window, WindowSystem::Origin(window));
  }

  void Show(Window& window, int command) override {
    x11_touched_ = true;
    if (Lost()) return;
    SdlWindow* n = Live(window);
    if (!n) return;
    switch (command) {
      case SW_HIDE:
        SDL_HideWindow(n->window);
        break;
      case SW_MINIMIZE:
        if (x11_.display && !X11HasWindowManager(x11_))
          ReportProblem("SDL window: no window manager runs to take the minimised window; it stays on screen");
        SDL_MinimizeWindow(n->window);
        break;
      case SW_RESTORE:
        SDL_RestoreWindow(n->window);
        break;
      default:
        SDL_ShowWindow(n->window);
        break;
    }
  }

  void Capture(Window* window) override {
    x11_touched_ = true;
    if (Lost()) return;
    SDL_CaptureMouse(window ? SDL_TRUE : SDL_FALSE);
  }

  // A system cursor maps to SDL's; a cursor from a file becomes a colour cursor. Each is made once.
  void ApplyCursor(HCURSOR cursor, bool visible) override {
    x11_touched_ = true;
    if (Lost()) return;
    SDL_Cursor* sdl = cursor ? SdlCursor(cursor) : nullptr;
    if (sdl) SDL_SetCursor(sdl);
    // A null cursor shows nothing in the window, as on Windows. A cursor SDL could not make
    // keeps the one shown before rather than hiding the pointer.
    SDL_ShowCursor(visible && cursor ? SDL_ENABLE : SDL_DISABLE);
  }

  // SDL clips per window, in client coordinates.
  void ApplyClip(const RECT* rect) override {
    x11_touched_ = true;
    if (Lost()) return;
    for (auto& [id, n] : windows_) {
      Window* w = WindowSystem::Find(n.get());
      if (!w) continue;
      if (!rect) {
        SDL_SetWindowMouseRect(n->window, nullptr);
        continue;
      }
      // SDL confines the pointer to the part of the rectangle inside the window, so a rectangle
      // holding the whole window (such as the free screen GetClipCursor reports, put back after a
      // drag) would trap the pointer in the window: the pointer stays free instead.
      RECT area{};
      w->GetWindowRect(&area);
      if (rect->left <= area.left && rect->top <= area.top && rect->right >= area.right &&
          rect->bottom >= area.bottom) {
        SDL_SetWindowMouseRect(n->window, nullptr);
        continue;
      }
      POINT tl{rect->left, rect->top};
      w->ScreenToClient(&tl);
      const SDL_Rect r{tl.x, tl.y, rect->right - rect->left, rect->bottom - rect->top};
      SDL_SetWindowMouseRect(n->window, &r);
    }
  }

  // On X11 the server's answer; elsewhere the position a window last received, on the screen
  // where that window stands, and SDL's global position before any window has seen the pointer.
  bool QueryCursorPos(POINT* out) override {
    x11_touched_ = true;
    if (Lost()) return false;
    if (X11PointerPosition(x11_, out)) return true;
    if (Window* w = WindowOf(pointer_window_)) {
      *out = pointer_at_;
      return w->ClientToScreen(out);
    }
    int x = 0, y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    *out = POINT{x, y};
    return true;
  }

  void WarpCursor(int x, int y) override {
    x11_touched_ = true;
    if (Lost()) return;
    SDL_WarpMouseGlobal(x, y);
  }

  bool SetClipboard(const std::string& utf8) override {
    x11_touched_ = true;
    if (Lost()) return false;
    return SDL_SetClipboardText(utf8.c_str()) == 0;
  }

  bool GetClipboard(std::string* utf8) override {
    x11_touched_ = true;
    if (Lost()) return false;
    char* text = SDL_GetClipboardText();
    if (!text) return false;
    *utf8 = text;
    SDL_free(text);
    return true;
  }

  // The screen less panels, where the desktop tells. On X11 with one monitor, as the server has
  // it now (SDL reads the display's size once, at its start); elsewhere, and with several
  // monitors, the primary display's usable bounds as SDL has them.
  bool QueryWorkArea(RECT* out) override {
    x11_touched_ = true;
    if (Lost()) return false;
    if (x11_.display && SDL_GetNumVideoDisplays() <= 1 && X11WorkArea(x11_, out)) return true;
    SDL_Rect r{};
    if (SDL_GetDisplayUsableBounds(0, &r) != 0) {
      ReportProblem("SDL work area: %s", SDL_GetError());
      return false;
    }
    *out = RECT{r.x, r.y, r.x + r.w, r.y + r.h};
    return true;
  }

  bool IsForeground(Window& window) override {
    x11_touched_ = true;
    if (Lost()) return false;
    SdlWindow* n = Live(window);
    return n && (SDL_GetWindowFlags(n->window) & SDL_WINDOW_INPUT_FOCUS) != 0;
  }

  // Raises the window and asks for the focus (a window manager may only mark it urgent).
  void Raise(Window& window) override {
    x11_touched_ = true;
    if (Lost()) return;
    if (SdlWindow* n = Live(window)) SDL_RaiseWindow(n->window);
  }

  void Flash(Window& window) override {
    x11_touched_ = true;
    if (Lost()) return;
    SdlWindow* n = Live(window);
    if (n && SDL_FlashWindow(n->window, SDL_FLASH_UNTIL_FOCUSED) != 0) ReportProblem("SDL flash: %s", SDL_GetError());
  }

  // SDL places the candidate window for the focused window, in its client coordinates.
  void SetTextInputRect(Window&, const RECT& rect) override {
    x11_touched_ = true;
    if (Lost()) return;
    SDL_Rect r{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    SDL_SetTextInputRect(&r);
  }

  bool OpenExternal(const std::string& utf8_target) override { return LaunchOpener(utf8_target); }

  void Flush() override {
    if (Lost()) return;
    for (auto& [id, n] : windows_)
      if (n->presenter) n->presenter->Finish();
  }

 private:
  // The frame goes to the window through the X server's shared memory where it can, else
  // through SDL's renderer; ZP_PRESENT_THROUGH_SDL asks for the renderer. False when neither
  // can show it.
  bool ChoosePresent(SdlWindow& n) {
    const char* why = "ZP_PRESENT_THROUGH_SDL is set";
    if (std::getenv("ZP_PRESENT_THROUGH_SDL") == nullptr) n.presenter = X11Presenter::Make(x11_, n.window, &why);
    if (!n.presenter) return MakeRenderer(n, why);
    SayPresentPath("SDL window: frames go to the X server through shared memory");
    return true;
  }

  bool MakeRenderer(SdlWindow& n, const char* why) {
    // The engine composes every frame itself, so SDL's software renderer is all the window needs;
    // it also spares the start-up of a GL driver. SDL_RENDER_DRIVER still picks another one.
    const Uint32 renderer_flags = SDL_GetHint(SDL_HINT_RENDER_DRIVER) ? 0 : SDL_RENDERER_SOFTWARE;
    n.renderer = SDL_CreateRenderer(n.window, -1, renderer_flags);
    if (!n.renderer) n.renderer = SDL_CreateRenderer(n.window, -1, 0);
    if (!n.renderer) {
      ReportProblem("SDL renderer: %s", SDL_GetError());
      return false;
    }
    SDL_RendererInfo info{};
    const bool named = SDL_GetRendererInfo(n.renderer, &info) == 0;
    n.software = named && std::strcmp(info.name, "software") == 0;
    SayPresentPath(std::string("SDL window: frames go through SDL's ") + (named ? info.name : "own") +
                   " renderer (" + why + ")");
    return true;
  }

  // The title in the X properties that older task bars read, which SDL fills with the UTF-8
  // bytes typed as Latin-1 text. Said once when it cannot be done.
  void SetOlderTitles(SDL_Window* window, const std::string& title) {
    if (!x11_.display || X11SetWindowNames(x11_, window, GbkToUtf8(title)) || older_titles_refused_) return;
    older_titles_refused_ = true;
    ReportProblem("SDL window: the title cannot be set in the older X title properties");
  }

  // One line whenever the way frames are shown changes.
  void SayPresentPath(const std::string& line) {
    if (line == present_path_) return;
    present_path_ = line;
    ReportProblem("%s", line.c_str());
  }

  static SdlWindow* Native(Window& window) { return static_cast<SdlWindow*>(WindowSystem::Native(window)); }
  // The window's record while it can still be asked things (null once another program destroyed it).
  static SdlWindow* Live(Window& window) {
    SdlWindow* n = Native(window);
    return n != nullptr && !n->gone ? n : nullptr;
  }

  // Whether nothing can be said to the display any more.
  bool Lost() const { return display_lost_ || X11ConnectionBroken(); }

  // The window a message box belongs to: the one with the keyboard focus, else the first shown
  // window of the program's own (no child or owned one); null when none stands.
  SDL_Window* BoxOwner() {
    if (Lost()) return nullptr;
    auto standing = [](const SdlWindow& n) {
      return !n.gone && !X11WindowGone(n.x11_id) && (SDL_GetWindowFlags(n.window) & SDL_WINDOW_SHOWN) != 0;
    };
    SDL_Window* focus = SDL_GetKeyboardFocus();
    for (auto& [id, n] : windows_)
      if (n->window == focus && standing(*n)) return focus;
    for (auto& [id, n] : windows_) {
      const Window* w = WindowSystem::Find(n.get());
      if (w != nullptr && w->GetParent() == nullptr && standing(*n)) return n->window;
    }
    return nullptr;
  }

  // The display went away: the loop ends with status 1 (the program then saves and ends as it
  // does after its window closed), and from now on the backend leaves SDL alone.
  void LoseDisplay() {
    ReportProblem("SDL window: the connection to the display was lost");
    display_lost_ = true;
    x11_ = X11Connection{};
    PostQuitMessage(1);
  }

  // The end of the connection, or a window another program destroyed, ends the loop as a lost
  // display does.
  void CheckConnection() {
    if (display_lost_) return;
    if (X11ConnectionBroken()) {
      LoseDisplay();
      return;
    }
    for (auto& [id, n] : windows_) {
      if (n->gone || !X11WindowGone(n->x11_id)) continue;
      n->gone = true;
      ReportProblem("SDL window: another program destroyed the window");
      PostQuitMessage(1);
    }
  }

  Window* WindowOf(Uint32 id) {
    auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : WindowSystem::Find(it->second.get());
  }

  SDL_Cursor* SdlCursor(HCURSOR cursor) {
    auto it = sdl_cursors_.find(cursor);
    if (it != sdl_cursors_.end()) return it->second;
    SDL_Cursor* made = nullptr;
    if (cursor->system_id) {
      SDL_SystemCursor kind = SDL_SYSTEM_CURSOR_ARROW;
      switch (cursor->system_id) {
        case IDC_IBEAM:
          kind = SDL_SYSTEM_CURSOR_IBEAM;
          break;
        case IDC_WAIT:
          kind = SDL_SYSTEM_CURSOR_WAIT;
          break;
        case IDC_CROSS:
          kind = SDL_SYSTEM_CURSOR_CROSSHAIR;
          break;
        case IDC_SIZENWSE:
          kind = SDL_SYSTEM_CURSOR_SIZENWSE;
          break;
        case IDC_SIZENESW:
          kind = SDL_SYSTEM_CURSOR_SIZENESW;
          break;
        case IDC_SIZEWE:
          kind = SDL_SYSTEM_CURSOR_SIZEWE;
          break;
        case IDC_SIZENS:
          kind = SDL_SYSTEM_CURSOR_SIZENS;
          break;
        case IDC_SIZEALL:
          kind = SDL_SYSTEM_CURSOR_SIZEALL;
          break;
        case IDC_NO:
          kind = SDL_SYSTEM_CURSOR_NO;
          break;
        case IDC_HAND:
          kind = SDL_SYSTEM_CURSOR_HAND;
          break;
        default:
          break;
      }
      made = SDL_CreateSystemCursor(kind);
    } else if (!cursor->pixels.empty()) {
      SDL_Surface* surface =
          SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(cursor->pixels.data()), cursor->width,
                                             cursor->height, 32, cursor->width * 4, SDL_PIXELFORMAT_ARGB8888);
      if (surface) {
        made = SDL_CreateColorCursor(surface, cursor->hot_x, cursor->hot_y);
        SDL_FreeSurface(surface);
      }
    }
    if (!made) ReportProblem("SDL cursor: %s", SDL_GetError());
    sdl_cursors_[cursor] = made;
    return made;
  }

  // Where, and when, the pointer event that SDL reports for window w (of `kind`, and `button`
  // for a press or release) happened: as the raw event before it said, else as SDL has it. The
  // raw event has the server's time (when the hand did it, not when the program took it) and the
  // point in the window as it stood then: SDL gives a press or a release the point of the latest
  // move, which is stale once the window itself has moved under a still pointer (a drag by the
  // title strip). A move SDL makes up as the pointer comes into or leaves the window (also when
  // the window moved away from a still pointer) is where the crossing says the pointer stood: SDL
  // gives it the crossing's point pulled inside the window while a button is held, which with the
  // window's new place would be a move of the pointer the hand never made. A raw move is the SDL
  // move whose point is its own (SDL may hear of a move from the input extension before the raw
  // core event comes, and makes no move of the raw one when the point did not change).
  struct PointerEvent {
    POINT client;
    POINT screen;
    MessageTime made;
  };
  PointerEvent PointerEventOf(Window* w, X11Note::Kind kind, int button, int x, int y, Uint32 sdl_time) {
    const X11Note note = pointer_note_;
    pointer_note_ = X11Note{};
    const SdlWindow* n = Native(*w);
    const bool own = n != nullptr && note.window == n->x11_id;
    if (own && note.kind == kind && note.button == button && (kind != X11Note::kMove || SamePoint(*w, note, x, y)))
      return PointerEventOfNote(note);
    if (own && kind == X11Note::kMove && note.kind == X11Note::kCross && SamePoint(*w, note, x, y))
      return PointerEventOfNote(note);
    POINT screen{x, y};
    w->ClientToScreen(&screen);
    return PointerEvent{POINT{x, y}, screen, MessageTime{sdl_time, MessageTime::kSdl}};
  }

  // Whether SDL's point (x, y) in w is the raw event's, or that point pulled inside the window.
  static bool SamePoint(const Window& w, const X11Note& note, int x, int y) {
    RECT client{};
    w.GetClientRect(&client);
    const auto same = [](int sdl, int raw, int extent) {
      return sdl == raw || (extent > 0 && sdl == std::clamp(raw, 0, extent - 1));
    };
    return same(x, note.window_x, client.right) && same(y, note.window_y, client.bottom);
  }

  static PointerEvent PointerEventOfNote(const X11Note& note) {
    return PointerEvent{POINT{note.window_x, note.window_y}, POINT{note.x, note.y},
                        MessageTime{static_cast<uint32_t>(note.time), MessageTime::kSystem}};
  }

  // The program's open windows that have no parent or owner.
  std::vector<Window*> TopLevelWindows() {
    std::vector<Window*> top;
    for (auto& [sdl_id, n] : windows_)
      if (Window* w = WindowSystem::Find(n.get()); w != nullptr && w->GetParent() == nullptr) top.push_back(w);
    return top;
  }

  // The open window whose X window this is.
  Window* WindowOfX11(unsigned long id) {
    if (id == 0) return nullptr;
    for (auto& [sdl_id, n] : windows_)
      if (n->x11_id == id) return WindowSystem::Find(n.get());
    return nullptr;
  }

  // What the raw events say beyond SDL's own events: a window gone, where and when the pointer
  // events happened, which buttons the server had down, and which window a key went to.
  void NoteRawEvent(const SDL_SysWMmsg* message) {
    const X11Note note = X11NoteEvent(message);
    switch (note.kind) {
      case X11Note::kPress:
      case X11Note::kRelease:
      case X11Note::kMove:
      case X11Note::kCross:
        // A button the server has up is held in no window of ours, and a stray press of it waits
        // for no release: the release went to what lay under the pointer (made after the capture
        // that brought the press had been let go, or after a double click moved the window away).
        // The server says which buttons are down with each press, release and crossing (and each
        // move, where the moves do not come through the input extension).
        buttons_ &= HeldFlags(note.held);
        strays_ &= HeldFlags(note.held);
        if (note.kind == X11Note::kPress && note.button >= SDL_BUTTON_LEFT && note.button <= SDL_BUTTON_RIGHT &&
            (sdl_held_ & SDL_BUTTON(note.button)) != 0) {
          // SDL still counts the button down (from such a stray press) and drops this press as
          // no change: the window takes it from the server's event. SDL counts the button up
          // again at its release, which it reports.
          pointer_note_ = X11Note{};
          if (Window* w = WindowOfX11(note.window)) TranslateButton(w, note.button, true, PointerEventOfNote(note));
          break;
        }
        pointer_note_ = note;
        break;
      case X11Note::kKey:
        key_window_ = note.window;
        break;
      case X11Note::kWorkArea:
      case X11Note::kScreen:
        // As the desktop tells every top-level window: a maximised one follows the work area,
        // which a screen made larger or smaller changes too.
        for (Window* w : TopLevelWindows()) {
          if (WindowSystem::IsOpen(w)) w->SendMessage(WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
        }
        break;
      default:
        break;
    }
  }

  // The window that takes a key SDL reports for window `id`: the focus window. Keys that reach one
  // of the program's windows while none has the focus make it the focus window first, so that it
  // hears WM_SETFOCUS before the key, as on a desktop where keys go to the focus window only: the
  // system gave it the keyboard in a way SDL does not count as focus (with the focus on the root,
  // keys go to the window under the pointer), or counts late.
  Window* KeyTarget(Uint32 id) {
    if (Window* focus = Window::GetFocus()) return focus;
    Window* w = WindowOf(id);
    if (w == nullptr) w = WindowOfX11(key_window_);
    if (w == nullptr) return nullptr;
    WindowSystem::FocusChanged(w);
    return WindowSystem::IsOpen(w) ? w : nullptr;
  }

  void SendMouse(Window* w, uint32_t message, POINT client, const PointerEvent& at) {
    if (SdlWindow* n = Native(*w)) pointer_window_ = SDL_GetWindowID(n->window);
    pointer_at_ = client;
    WindowSystem::SendPointerInput(*w, message, buttons_ | ModifierFlags(), MakePointLParam(client.x, client.y),
                                   at.made, at.screen);
  }

  void Translate(const SDL_Event& e) {
    switch (e.type) {
      case SDL_WINDOWEVENT:
        TranslateWindowEvent(e.window);
        break;
      case SDL_MOUSEMOTION:
        if (Window* w = WindowOf(e.motion.windowID)) {
          const PointerEvent at = PointerEventOf(w, X11Note::kMove, 0, e.motion.x, e.motion.y, e.motion.timestamp);
          clicks_.Moved(at.screen, buttons_ != 0);
          if (!Window::GetCapture()) w->SendMessage(WM_SETCURSOR, 0, 0);
          if (WindowSystem::IsOpen(w)) SendMouse(w, WM_MOUSEMOVE, POINT{e.motion.x, e.motion.y}, at);
        }
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        TranslateButton(e.button);
        break;
      case SDL_MOUSEWHEEL:
        if (Window* w = WindowOf(e.wheel.windowID)) {
          int steps = e.wheel.y;
          if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
          if (steps == 0) break;
          POINT screen{e.wheel.mouseX, e.wheel.mouseY};
          w->ClientToScreen(&screen);
          const auto delta = static_cast<uint16_t>(static_cast<int16_t>(steps * WHEEL_DELTA));
          w->SendMessage(WM_MOUSEWHEEL, MAKELONG(static_cast<uint16_t>(buttons_ | ModifierFlags()), delta),
                         MakePointLParam(screen.x, screen.y));
        }
        break;
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        TranslateKey(e.key);
        break;
      case SDL_SYSWMEVENT:
        NoteRawEvent(e.syswm.msg);
        break;
      case SDL_TEXTINPUT:
        if (Window* w = KeyTarget(e.text.windowID)) {
          // One WM_CHAR per GBK byte: a two-byte character as lead byte, then trail byte.
          for (const char c : Utf8ToGbk(e.text.text)) {
            if (!WindowSystem::IsOpen(w)) break;
            w->SendMessage(WM_CHAR, static_cast<uint8_t>(c), MakeKeyLParam(1, 0));
          }
        }
        break;
      default:
        break;
    }
  }

  void TranslateWindowEvent(const SDL_WindowEvent& e) {
    Window* w = WindowOf(e.windowID);
    if (!w) return;
    switch (e.event) {
      case SDL_WINDOWEVENT_SIZE_CHANGED:
        // SDL makes the window's surface anew: the next present fills all of it.
        if (SdlWindow* n = Native(*w)) n->show_whole = true;
        WindowSystem::Resized(*w, e.data1, e.data2);
        break;
      case SDL_WINDOWEVENT_MOVED:
        WindowSystem::Moved(*w, e.data1, e.data2);
        break;
      case SDL_WINDOWEVENT_MINIMIZED:
        WindowSystem::Minimized(*w);
        break;
      case SDL_WINDOWEVENT_RESTORED:
      case SDL_WINDOWEVENT_MAXIMIZED:
        WindowSystem::Restored(*w);
        break;
      case SDL_WINDOWEVENT_FOCUS_GAINED:
        WindowSystem::FocusChanged(w);
        break;
      case SDL_WINDOWEVENT_FOCUS_LOST:
        buttons_ = 0;
        WindowSystem::FocusChanged(nullptr);
        break;
      case SDL_WINDOWEVENT_EXPOSED:
        // Shown, or uncovered: what lies past the frame is painted too.
        if (SdlWindow* n = Native(*w)) n->show_whole = true;
        WindowSystem::Exposed(*w);
        break;
      case SDL_WINDOWEVENT_ENTER:
        w->SendMessage(WM_SETCURSOR, 0, 0);
        break;
      case SDL_WINDOWEVENT_CLOSE:
        w->SendMessage(WM_CLOSE, 0, 0);
        break;
      default:
        break;
    }
  }

  // MK_ flags of the buttons held in an X11Note's `held`.
  static uint32_t HeldFlags(unsigned held) {
    return ((held & 1u) != 0 ? MK_LBUTTON : 0u) | ((held & 2u) != 0 ? MK_MBUTTON : 0u) |
           ((held & 4u) != 0 ? MK_RBUTTON : 0u);
  }

  void TranslateButton(const SDL_MouseButtonEvent& e) {
    // The buttons SDL counts down: it reports no press of one of them.
    if (e.which != SDL_TOUCH_MOUSEID) {
      if (e.state == SDL_PRESSED) {
        sdl_held_ |= SDL_BUTTON(e.button);
      } else {
        sdl_held_ &= ~SDL_BUTTON(e.button);
      }
    }
    const bool pressed = e.state == SDL_PRESSED;
    const X11Note::Kind kind = pressed ? X11Note::kPress : X11Note::kRelease;
    Window* w = WindowOf(e.windowID);
    // While the program holds the capture, a release goes to the window the server sent it to,
    // wherever the hand let go: SDL stamps it with the window it counts the pointer in, which is
    // none once the pointer left the window with the button held before the program captured it
    // (a drag heard in one busy turn and let go off the window, or on another of the program's
    // windows, lost its release and kept the capture until the next click).
    if (!pressed && Window::GetCapture() != nullptr && pointer_note_.kind == kind && pointer_note_.button == e.button)
      if (Window* server = WindowOfX11(pointer_note_.window)) w = server;
    if (!w) return;
    TranslateButton(w, e.button, pressed, PointerEventOf(w, kind, e.button, e.x, e.y, e.timestamp));
  }

  // A press or release of `button` (SDL's numbers, which are the X server's for these three) on w.
  void TranslateButton(Window* w, int button, bool pressed, const PointerEvent& at) {
    uint32_t bit = 0, down = 0, up = 0, dbl = 0;
    switch (button) {
      case SDL_BUTTON_LEFT:
        bit = MK_LBUTTON;
        down = WM_LBUTTONDOWN;
        up = WM_LBUTTONUP;
        dbl = WM_LBUTTONDBLCLK;
        break;
      case SDL_BUTTON_RIGHT:
        bit = MK_RBUTTON;
        down = WM_RBUTTONDOWN;
        up = WM_RBUTTONUP;
        dbl = WM_RBUTTONDBLCLK;
        break;
      case SDL_BUTTON_MIDDLE:
        bit = MK_MBUTTON;
        down = WM_MBUTTONDOWN;
        up = WM_MBUTTONUP;
        dbl = WM_MBUTTONDBLCLK;
        break;
      default:
        return;
    }
    // A press off the window, with no capture of the program's, came only through a capture the
    // program let go late (it was busy): it was meant for the window under the pointer. The window
    // hears of neither it nor its release, which comes to the window when it was made before the
    // capture was let go, and otherwise goes where the press was meant to (the press is then
    // forgotten once the server says the button is up).
    RECT client{};
    w->GetClientRect(&client);
    if (pressed && Window::GetCapture() == nullptr && !PtInRect(client, at.client.x, at.client.y)) {
      strays_ |= bit;
      return;
    }
    if (!pressed && (strays_ & bit) != 0) {
      strays_ &= ~bit;
      return;
    }
    if (pressed) {
      buttons_ |= bit;
      // Double clicks by the desktop's rule (SDL counts clicks by the point in the window and by
      // the time it takes the events); only a window class that asks for them gets them.
      const bool is_double = clicks_.Press(w, button, at.screen, at.made) && (w->ClassStyle() & CS_DBLCLKS);
      SendMouse(w, is_double ? dbl : down, at.client, at);
    } else {
      buttons_ &= ~bit;
      SendMouse(w, up, at.client, at);
    }
  }

  void TranslateKey(const SDL_KeyboardEvent& e) {
    Window* w = KeyTarget(e.windowID);
    if (!w) return;
    const uint32_t vk = VirtualKey(e.keysym.sym);
    if (vk == 0) return;
    uint32_t flags = IsExtendedKey(e.keysym.sym) ? KF_EXTENDED : 0;
    if (e.keysym.mod & KMOD_ALT) flags |= KF_ALTDOWN;
    if (e.type == SDL_KEYDOWN) {
      if (e.repeat) flags |= KF_REPEAT;
      w->SendMessage(WM_KEYDOWN, vk, MakeKeyLParam(1, flags));
      // The characters of control keys, which SDL's text input leaves out.
      const uint32_t ch = ControlCharacter(e.keysym.sym, e.keysym.mod);
      if (ch && WindowSystem::IsOpen(w)) w->SendMessage(WM_CHAR, ch, MakeKeyLParam(1, flags));
    } else {
      w->SendMessage(WM_KEYUP, vk, MakeKeyLParam(1, flags | KF_REPEAT | KF_UP));
    }
  }

  static constexpr int kSleepingWaitMs = 20;

  bool inited_ = false;
  bool ok_ = false;
  std::mutex wake_mutex_;
  std::condition_variable wake_;
  bool woken_ = false;
  int wake_fd_ = -1;
  X11Connection x11_;        // when SDL runs on X11
  bool x11_touched_ = true;  // something called the X server since the loop last looked
  bool display_lost_ = false;
  Uint32 wake_event_ = 0;
  uint32_t buttons_ = 0;
  uint32_t strays_ = 0;  // buttons pressed off the windows through a capture let go late
  uint32_t sdl_held_ = 0;  // SDL_BUTTON masks of the buttons SDL counts down, by its own events
  ClickRun clicks_;
  X11Note pointer_note_;        // the latest raw pointer event, until SDL's own event for it comes
  unsigned long key_window_ = 0;  // the X window the latest raw key event went to
  std::map<Uint32, std::unique_ptr<SdlWindow>> windows_;
  std::map<HCURSOR, SDL_Cursor*> sdl_cursors_;
  MessageBoxHandler previous_message_box_;
  std::string present_path_;  // the line that last said how frames are shown
  bool older_titles_refused_ = false;
  // The window that last received the pointer (0: none yet), and where in its client area.
  Uint32 pointer_window_ = 0;
  POINT pointer_at_{};
};

}  // namespace

bool SdlDisplayAvailable() {
  if (IsNullDriver(std::getenv("SDL_VIDEODRIVER"))) return false;
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) return false;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    ReportProblem("SDL video: %s", SDL_GetError());
    return false;
  }
  const bool real = !IsNullDriver(SDL_GetCurrentVideoDriver());
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  return real;
}

std::unique_ptr<WindowBackend> MakeSdlWindowBackend() {
  if (IsNullDriver(std::getenv("SDL_VIDEODRIVER"))) return nullptr;
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) return nullptr;
  auto backend = std::make_unique<SdlWindowBackend>();
  if (!backend->ok()) {
    // A driver without a display (SDL's last resort) is no failure of SDL's: its error then is
    // whatever an earlier call left.
    if (!backend->inited()) ReportProblem("SDL video: %s", SDL_GetError());
    return nullptr;
  }
  return backend;
}

}  // namespace platform
