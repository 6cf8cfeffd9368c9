// The window layer's common part: message dispatch, the posted-message queue, timers, capture
// and focus, invalidation and painting, and the loop. The backends only talk to the system.
#include "platform/window.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/cursor.h"
#include "platform/diagnostics.h"
#include "platform/window_backend.h"

namespace platform {

// Defined in cursor.cpp and clipboard.cpp: back to the start state when the system stops.
void ResetCursorState();
void ResetClipboardState();

namespace {

struct Posted {
  Window* window;
  uint32_t message;
  uintptr_t wparam;
  intptr_t lparam;
  MessageTime made;
};

struct Timer {
  Window* window;
  uint32_t id;
  uint32_t elapse;
  uint32_t due;
  Window::TimerProc proc;
};

struct State {
  std::unique_ptr<WindowBackend> backend;
  std::thread::id ui_thread;
  std::mutex mutex;  // guards windows and posted: PostMessage comes from any thread
  std::vector<Window*> windows;
  std::deque<Posted> posted;
  std::atomic<bool> quit{false};
  std::atomic<int> quit_code{0};
  std::vector<Timer> timers;
  Window* capture = nullptr;
  Window* focus = nullptr;
  int pump_depth = 0;
  ManualClock* listened_clock = nullptr;
  int listener_id = 0;
  // The stamp of the message being handled (loop's thread only); none outside one.
  std::optional<MessageTime> handling;
  // Where the pointer stood on the screen when the pointer message being handled was made; none
  // outside one.
  std::optional<POINT> handling_at;
};

State& S() {
  static State state;
  return state;
}

// Larger than any screen; keeps a made-up size from asking for gigabytes of frame.
constexpr int kMaxClientSide = 16384;

bool Due(uint32_t now, uint32_t due) { return static_cast<int32_t>(now - due) >= 0; }

RECT Clip(const RECT& r, int width, int height) {
  RECT c{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width), std::min(r.bottom, height)};
  if (IsRectEmpty(c)) return RECT{};
  return c;
}

// With the manual clock installed, stepping it runs the loop once, so due timers fire.
void OnClockStepped() {
  State& s = S();
  if (s.pump_depth == 0 && std::this_thread::get_id() == s.ui_thread) PumpMessages();
}

void ListenToClock() {
  State& s = S();
  auto* manual = dynamic_cast<ManualClock*>(&CurrentClock());
  if (!manual || manual == s.listened_clock) return;
  // A clock listened to before is either gone (a finished test's) or still ours: stop either way
  // only if it is still the installed one, which it is not here, so just forget it.
  s.listened_clock = manual;
  s.listener_id = manual->AddListener(OnClockStepped);
}

void StopListeningToClock() {
  State& s = S();
  if (s.listened_clock && s.listened_clock == dynamic_cast<ManualClock*>(&CurrentClock()))
    s.listened_clock->RemoveListener(s.listener_id);
  s.listened_clock = nullptr;
  s.listener_id = 0;
}

// The open windows that were created with this one as their parent.
std::vector<Window*> ChildrenOf(const Window* parent) {
  State& s = S();
  std::vector<Window*> children;
  std::lock_guard lock(s.mutex);
  for (Window* w : s.windows)
    if (w->GetParent() == parent) children.push_back(w);
  return children;
}

// Takes a closing window out of every list.
void Forget(Window* window) {
  State& s = S();
  {
    std::lock_guard lock(s.mutex);
    std::erase(s.windows, window);
    std::erase_if(s.posted, [window](const Posted& p) { return p.window == window; });
  }
  std::erase_if(s.timers, [window](const Timer& t) { return t.window == window; });
  if (s.capture == window) {
    s.capture = nullptr;
    if (s.backend) s.backend->Capture(nullptr);
  }
  if (s.focus == window) s.focus = nullptr;
  if (s.windows.empty()) StopListeningToClock();
}

// Handles a message with its stamp, which GetMessageTime gives its handlers.
void SendStamped(Window* window, uint32_t message, uintptr_t wparam, intptr_t lparam, MessageTime made,
                 std::optional<POINT> at = std::nullopt) {
  State& s = S();
  const std::optional<MessageTime> outer = s.handling;
  const std::optional<POINT> outer_at = s.handling_at;
  s.handling = made;
  s.handling_at = at;
  window->SendMessage(message, wparam, lparam);
  s.handling = outer;
  s.handling_at = outer_at;
}

void DispatchPosted() {
  State& s = S();
  size_t count;
  {
    std::lock_guard lock(s.mutex);
    count = s.posted.size();
  }
  // Only what was waiting when we started: a handler that posts again runs next time round.
  for (size_t i = 0; i < count && !s.quit.load(); ++i) {
    Posted p;
    {
      std::lock_guard lock(s.mutex);
      if (s.posted.empty()) return;
      p = s.posted.front();
      s.posted.pop_front();
    }
    if (WindowSystem::IsOpen(p.window)) SendStamped(p.window, p.message, p.wparam, p.lparam, p.made);
  }
}

void FireDueTimers() {
  State& s = S();
  const uint32_t now = GetTickCount();
  // The due timers, noted first (a proc may change the list); a few fit without the heap, which
  // matters at 200 rounds a second.
  std::array<std::pair<Window*, uint32_t>, 8> few;
  std::vector<std::pair<Window*, uint32_t>> many;
  size_t count = 0;
  for (const Timer& t : s.timers) {
    if (!Due(now, t.due)) continue;
    if (count < few.size()) {
      few[count] = {t.window, t.id};
    } else {
      if (many.empty()) many.assign(few.begin(), few.end());
      many.emplace_back(t.window, t.id);
    }
    ++count;
  }
  const std::span<const std::pair<Window*, uint32_t>> due =
      many.empty() ? std::span<const std::pair<Window*, uint32_t>>(few.data(), count) : std::span(many);
  for (const auto& entry : due) {
    Window* const window = entry.first;
    const uint32_t id = entry.second;
    // A proc may have killed or reset timers: look each one up again.
    auto it = std::find_if(s.timers.begin(), s.timers.end(),
                           [&](const Timer& t) { return t.window == window && t.id == id; });
    if (it == s.timers.end() || !Due(now, it->due)) continue;
    it->due = now + it->elapse;
    const Window::TimerProc proc = it->proc;
    if (proc) {
      proc(window, id);
    } else {
      window->SendMessage(WM_TIMER, id, 0);
    }
  }
}

int NextWaitMs() {
  State& s = S();
  {
    std::lock_guard lock(s.mutex);
    if (!s.posted.empty()) return 0;
  }
  for (Window* w : s.windows) {
    RECT r;
    if (!w->IsIconic() && w->GetUpdateRect(&r)) return 0;
  }
  if (s.timers.empty()) return -1;
  const uint32_t now = GetTickCount();
  int wait = INT32_MAX;
  for (const Timer& t : s.timers) {
    const int32_t left = static_cast<int32_t>(t.due - now);
    wait = std::min(wait, std::max(left, 0));
  }
  return wait;
}

}  // namespace

// ---- the system ----

bool HasDisplay() { return SdlDisplayAvailable(); }

bool InitWindowSystem(WindowBackendKind kind) {
  State& s = S();
  if (s.backend) {
    if (kind == WindowBackendKind::kAuto || kind == s.backend->Kind()) return true;
    ReportProblem("window system: already running another backend");
    return false;
  }
  // SDL is started once, not probed first: an X server whose only client leaves resets itself
  // and refuses connections for a moment, so a probe could make the real start fail.
  std::unique_ptr<WindowBackend> backend;
  if (kind != WindowBackendKind::kHeadless) backend = MakeSdlWindowBackend();
  if (!backend) {
    if (kind == WindowBackendKind::kSdl) {
      ReportProblem("window system: no display for an SDL window");
      return false;
    }
    backend = MakeHeadlessWindowBackend();
  }
  {
    // Other threads wake the backend under the lock (PostMessage, PostQuitMessage).
    std::lock_guard lock(s.mutex);
    s.backend = std::move(backend);
  }
  s.ui_thread = std::this_thread::get_id();
  s.quit = false;
  return true;
}

void ShutdownWindowSystem() {
  State& s = S();
  while (!s.windows.empty()) s.windows.back()->DestroyWindow();
  StopListeningToClock();
  std::unique_ptr<WindowBackend> backend;
  {
    // Taken out under the lock, so a thread that is posting has finished waking it first.
    std::lock_guard lock(s.mutex);
    s.posted.clear();
    backend = std::move(s.backend);
  }
  s.timers.clear();
  s.capture = nullptr;
  s.focus = nullptr;
  s.quit = false;
  backend.reset();
  ResetCursorState();
  ResetClipboardState();
}

WindowBackendKind CurrentWindowBackend() { return S().backend ? S().backend->Kind() : WindowBackendKind::kAuto; }

WindowBackend* ActiveWindowBackend() { return S().backend.get(); }

void WindowSystem::Resized(Window& window, int width, int height) {
  width = std::clamp(width, 0, kMaxClientSide);
  height = std::clamp(height, 0, kMaxClientSide);
  const bool changed = width != window.width_ || height != window.height_ || window.iconic_;
  window.iconic_ = false;
  window.width_ = width;
  window.height_ = height;
  if (!changed) return;
  window.ResizeFrame(width, height);
  window.InvalidateRect(nullptr);
  window.SendMessage(WM_SIZE, SIZE_RESTORED,
                     static_cast<intptr_t>(MAKELONG(static_cast<uint16_t>(width), static_cast<uint16_t>(height))));
}

void WindowSystem::Moved(Window& window, int x, int y) { window.origin_ = POINT{x, y}; }

void WindowSystem::Minimized(Window& window) {
  if (window.iconic_) return;
  window.iconic_ = true;
  window.SendMessage(WM_SIZE, SIZE_MINIMIZED, 0);
}

void WindowSystem::Restored(Window& window) {
  if (!window.iconic_) return;
  window.iconic_ = false;
  window.InvalidateRect(nullptr);
  window.SendMessage(
      WM_SIZE, SIZE_RESTORED,
      static_cast<intptr_t>(MAKELONG(static_cast<uint16_t>(window.width_), static_cast<uint16_t>(window.height_))));
}

void WindowSystem::FocusChanged(Window* window) {
  State& s = S();
  // Focus leaving the program ends a mouse capture too, as when the user switches away in the
  // middle of a drag: the release then comes to another program, and a capture kept would take
  // the pointer back from it once the focus returned, until the next click in our window.
  if (!window && s.capture) Window::ReleaseCapture();
  if (window == s.focus) return;
  Window* old = s.focus;
  s.focus = window;
  if (old && IsOpen(old)) old->SendMessage(WM_KILLFOCUS, 0, 0);
  if (window && IsOpen(window)) window->SendMessage(WM_SETFOCUS, 0, 0);
}

void WindowSystem::Exposed(Window& window) {
  // The kept frame goes back on screen at once; the window also repaints what it shows.
  window.frame_changed_.Clear();
  window.frame_changed_.Add(RECT{0, 0, window.frame_width_, window.frame_height_});
  window.InvalidateRect(nullptr);
}

void WindowSystem::SendInput(Window& window, uint32_t message, uintptr_t wparam, intptr_t lparam, MessageTime made) {
  SendStamped(&window, message, wparam, lparam, made);
}

void WindowSystem::SendPointerInput(Window& window, uint32_t message, uintptr_t wparam, intptr_t lparam,
                                    MessageTime made, POINT screen) {
  SendStamped(&window, message, wparam, lparam, made, screen);
}

void WindowSystem::PaintAndPresent(WindowBackend& backend) {
  State& s = S();
  // Most rounds have nothing to paint or show. (Only this thread changes the list.)
  const bool work = std::any_of(s.windows.begin(), s.windows.end(), [](const Window* w) {
    return !w->iconic_ && (!w->update_.Empty() || (!w->frame_changed_.Empty() && w->visible_));
  });
  if (!work) return;
  std::vector<Window*> windows;
  {
    std::lock_guard lock(s.mutex);
    windows = s.windows;
  }
  for (Window* w : windows)
    if (IsOpen(w)) w->UpdateWindow();
  for (Window* w : windows) {
    if (IsOpen(w)) PresentIfChanged(backend, *w);
  }
}

void WindowSystem::PresentNow(Window& window) {
  State& s = S();
  if (s.backend && IsOpen(&window)) PresentIfChanged(*s.backend, window);
}

void WindowSystem::PresentIfChanged(WindowBackend& backend, Window& w) {
  if (w.frame_changed_.Empty() || w.iconic_ || !w.visible_) return;
  backend.Present(w);
  ++w.present_count_;
  w.frame_changed_.Clear();
}

Window* WindowSystem::Find(const void* native) {
  for (Window* w : S().windows)
    if (w->native_ == native) return w;
  return nullptr;
}

bool WindowSystem::IsOpen(const Window* window) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  return std::find(s.windows.begin(), s.windows.end(), window) != s.windows.end();
}

// ---- the window ----

Window::Window() = default;

Window::~Window() {
  // The windows it owns still have their own parts: they are destroyed properly.
  for (Window* child : ChildrenOf(this)) {
    child->DestroyWindow();
    child->parent_ = nullptr;
  }
  // The derived part is gone, so no WM_DESTROY now: just let go of the system window.
  if (created_) {
    created_ = false;
    if (WindowBackend* b = ActiveWindowBackend()) b->Close(*this);
    Forget(this);
  }
}

bool AdjustWindowRectEx(RECT* rect, uint32_t style, bool menu, uint32_t ex_style) {
  if (rect == nullptr) return false;
  int frame = 0;
  if (style & WS_THICKFRAME) {
    frame = kSizingFrameWidth;
  } else if ((style & WS_DLGFRAME) || (ex_style & WS_EX_DLGMODALFRAME)) {
    frame = kDialogFrameWidth;
  } else if (style & WS_BORDER) {
    frame = kBorderWidth;
  }
  int edge = 0;
  if (ex_style & WS_EX_CLIENTEDGE) edge += kClientEdgeWidth;
  if (ex_style & WS_EX_STATICEDGE) edge += kStaticEdgeWidth;
  int top = frame + edge;
  if ((style & WS_CAPTION) == WS_CAPTION) top += (ex_style & WS_EX_TOOLWINDOW) ? kSmallCaptionHeight : kCaptionHeight;
  if (menu) top += kMenuBarHeight;
  rect->left -= frame + edge;
  rect->top -= top;
  rect->right += frame + edge;
  rect->bottom += frame + edge;
  return true;
}

bool HasSystemCaption(uint32_t style) {
  if ((style & (WS_POPUP | WS_CHILD)) == 0) return true;
  return (style & WS_CAPTION) == WS_CAPTION;
}

RECT Window::FrameInsets() const {
  RECT r{};
  AdjustWindowRectEx(&r, style_, false, ex_style_);
  return RECT{-r.left, -r.top, r.right, r.bottom};
}

POINT Window::ScreenOrigin() const {
  if ((style_ & WS_CHILD) && parent_ != nullptr) return parent_->origin_;
  return POINT{0, 0};
}

bool Window::CreateEx(uint32_t class_style, const char* title, uint32_t style, int x, int y, int width, int height) {
  if (created_) return false;
  ex_style_ = 0;
  parent_ = nullptr;
  return Create(class_style, title, style, x, y, width, height);
}

bool Window::CreateEx(uint32_t ex_style, uint32_t class_style, const char* title, uint32_t style, const RECT& rect,
                      Window* parent) {
  if (created_) return false;
  if (parent != nullptr && !WindowSystem::IsOpen(parent)) {
    ReportProblem("window: the parent window is not open");
    return false;
  }
  ex_style_ = ex_style;
  style_ = style;
  parent_ = parent;
  const RECT frame = FrameInsets();
  const POINT base = ScreenOrigin();
  // The client area lies inside the frame; a position the system chooses stays its to choose.
  const auto place = [](int at, int offset, int inset) {
    if (at == CW_USEDEFAULT) return CW_USEDEFAULT;
    return static_cast<int>(std::clamp<int64_t>(int64_t{offset} + at + inset, INT32_MIN + 1, INT32_MAX));
  };
  const int64_t width = int64_t{rect.right} - rect.left - frame.left - frame.right;
  const int64_t height = int64_t{rect.bottom} - rect.top - frame.top - frame.bottom;
  return Create(class_style, title, style, place(rect.left, base.x, frame.left), place(rect.top, base.y, frame.top),
                static_cast<int>(std::clamp<int64_t>(width, 1, kMaxClientSide)),
                static_cast<int>(std::clamp<int64_t>(height, 1, kMaxClientSide)));
}

bool Window::Create(uint32_t class_style, const char* title, uint32_t style, int x, int y, int width, int height) {
  State& s = S();
  if (!s.backend && !InitWindowSystem()) return false;
  class_style_ = class_style;
  style_ = style;
  title_ = title ? title : "";
  origin_ = POINT{x, y};
  width_ = std::clamp(width, 1, kMaxClientSide);
  height_ = std::clamp(height, 1, kMaxClientSide);
  visible_ = (style & WS_VISIBLE) != 0;
  ResizeFrame(width_, height_);
  if (!s.backend->Open(*this)) {
    ReportProblem("window: the system window could not be opened");
    return false;
  }
  created_ = true;
  {
    std::lock_guard lock(s.mutex);
    s.windows.push_back(this);
  }
  ListenToClock();
  InvalidateRect(nullptr);
  SendMessage(WM_SIZE, SIZE_RESTORED,
              static_cast<intptr_t>(MAKELONG(static_cast<uint16_t>(width_), static_cast<uint16_t>(height_))));
  return true;
}

bool Window::DestroyWindow() {
  if (!created_) return false;
  SendMessage(WM_DESTROY, 0, 0);
  // The windows it owns go with it, after it has heard of its own end.
  for (Window* child : ChildrenOf(this)) {
    child->DestroyWindow();
    child->parent_ = nullptr;
  }
  created_ = false;
  if (WindowBackend* b = ActiveWindowBackend()) b->Close(*this);
  native_ = nullptr;
  Forget(this);
  return true;
}

bool Window::PostMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  return PostMessage(message, wparam, lparam, MessageTime{GetTickCount(), MessageTime::kTickCount});
}

bool Window::PostMessage(uint32_t message, uintptr_t wparam, intptr_t lparam, MessageTime made) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  if (std::find(s.windows.begin(), s.windows.end(), this) == s.windows.end()) return false;
  s.posted.push_back(Posted{this, message, wparam, lparam, made});
  // Still under the lock: the loop's thread may otherwise stop the backend before it is woken.
  if (s.backend) s.backend->Wake();
  return true;
}

intptr_t Window::SendMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  return WindowProc(message, wparam, lparam);
}

intptr_t Window::WindowProc(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  const POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  const uint32_t mk = static_cast<uint32_t>(wparam);
  const uint32_t code = static_cast<uint32_t>(wparam);
  const uint32_t repeat = LOWORD(static_cast<uintptr_t>(lparam));
  const uint32_t key_flags = HIWORD(static_cast<uintptr_t>(lparam));
  switch (message) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_SIZE:
      OnSize(code, LOWORD(static_cast<uintptr_t>(lparam)), HIWORD(static_cast<uintptr_t>(lparam)));
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_ERASEBKGND:
      return OnEraseBkgnd() ? 1 : 0;
    case WM_WINDOWPOSCHANGING:
      OnWindowPosChanging();
      return 0;
    case WM_SETCURSOR:
      return OnSetCursor() ? 1 : 0;
    case WM_MOUSEMOVE:
      OnMouseMove(mk, at);
      return 0;
    case WM_MOUSEWHEEL:
      return OnMouseWheel(LOWORD(wparam), GET_WHEEL_DELTA_WPARAM(wparam), at) ? 1 : 0;
    case WM_LBUTTONDOWN:
      OnLButtonDown(mk, at);
      return 0;
    case WM_LBUTTONUP:
      OnLButtonUp(mk, at);
      return 0;
    case WM_LBUTTONDBLCLK:
      OnLButtonDblClk(mk, at);
      return 0;
    case WM_RBUTTONDOWN:
      OnRButtonDown(mk, at);
      return 0;
    case WM_RBUTTONUP:
      OnRButtonUp(mk, at);
      return 0;
    case WM_RBUTTONDBLCLK:
      OnRButtonDblClk(mk, at);
      return 0;
    case WM_MBUTTONDOWN:
      OnMButtonDown(mk, at);
      return 0;
    case WM_MBUTTONUP:
      OnMButtonUp(mk, at);
      return 0;
    case WM_MBUTTONDBLCLK:
      OnMButtonDblClk(mk, at);
      return 0;
    case WM_KEYDOWN:
      OnKeyDown(code, repeat, key_flags);
      return 0;
    case WM_KEYUP:
      OnKeyUp(code, repeat, key_flags);
      return 0;
    case WM_CHAR:
      OnChar(code, repeat, key_flags);
      return 0;
    case WM_SETFOCUS:
      OnSetFocus();
      return 0;
    case WM_KILLFOCUS:
      OnKillFocus();
      return 0;
    case WM_SETTINGCHANGE:
      OnSettingChange(code);
      return 0;
    case WM_COPYDATA:
      return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lparam)) ? 1 : 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_TIMER:
      OnTimer(code);
      return 0;
    default:
      return DefWindowProc(message, wparam, lparam);
  }
}

intptr_t Window::DefWindowProc(uint32_t message, uintptr_t, intptr_t) {
  if (message == WM_CLOSE) DestroyWindow();
  return 0;
}

bool Window::OnSetCursor() { return false; }

uint32_t Window::SetTimer(uint32_t id, uint32_t elapse_ms, TimerProc proc) {
  State& s = S();
  if (!created_) return 0;
  elapse_ms = std::max<uint32_t>(elapse_ms, 1);
  ListenToClock();
  const uint32_t due = GetTickCount() + elapse_ms;
  for (Timer& t : s.timers) {
    if (t.window == this && t.id == id) {
      t = Timer{this, id, elapse_ms, due, proc};
      return id;
    }
  }
  s.timers.push_back(Timer{this, id, elapse_ms, due, proc});
  return id;
}

bool Window::KillTimer(uint32_t id) {
  return std::erase_if(S().timers, [&](const Timer& t) { return t.window == this && t.id == id; }) > 0;
}

Window* Window::SetCapture() {
  State& s = S();
  Window* previous = s.capture;
  if (!created_) return previous;
  s.capture = this;
  if (s.backend) s.backend->Capture(this);
  return previous;
}

bool Window::ReleaseCapture() {
  State& s = S();
  s.capture = nullptr;
  if (s.backend) s.backend->Capture(nullptr);
  return true;
}

Window* Window::GetCapture() { return S().capture; }

Window* Window::SetFocus() {
  Window* previous = S().focus;
  if (created_) WindowSystem::FocusChanged(this);
  return previous;
}

Window* Window::GetFocus() { return S().focus; }

bool Window::ScreenToClient(POINT* point) const {
  if (!point) return false;
  point->x -= origin_.x;
  point->y -= origin_.y;
  return created_;
}

bool Window::ClientToScreen(POINT* point) const {
  if (!point) return false;
  point->x += origin_.x;
  point->y += origin_.y;
  return created_;
}

bool Window::GetClientRect(RECT* out) const {
  if (!out) return false;
  *out = iconic_ ? RECT{} : RECT{0, 0, width_, height_};
  return created_;
}

bool Window::GetWindowRect(RECT* out) const {
  if (!out) return false;
  const RECT frame = FrameInsets();
  *out = RECT{origin_.x - frame.left, origin_.y - frame.top, origin_.x + width_ + frame.right,
              origin_.y + height_ + frame.bottom};
  return created_;
}

bool Window::ShowWindow(int command) {
  if (!created_) return false;
  const bool was_visible = visible_;
  visible_ = command != SW_HIDE;
  S().backend->Show(*this, command);
  return was_visible;
}

bool Window::MoveWindow(int x, int y, int width, int height) {
  if (!created_) return false;
  const RECT frame = FrameInsets();
  const POINT base = ScreenOrigin();
  origin_ = POINT{base.x + x + frame.left, base.y + y + frame.top};
  // The frame takes the asked size at once; the system window follows, and a system that gives
  // it another size reports that back (Resized again).
  WindowSystem::Resized(*this, width - frame.left - frame.right, height - frame.top - frame.bottom);
  S().backend->Move(*this);
  return true;
}

bool Window::SetWindowText(const char* title) {
  title_ = title ? title : "";
  if (created_) S().backend->SetTitle(*this);
  return created_;
}

bool Window::SetIcon(const uint32_t* pixels, int width, int height) {
  if (!created_ || pixels == nullptr || width <= 0 || height <= 0) return false;
  return S().backend->SetIcon(*this, pixels, width, height);
}

void Window::InvalidateRect(const RECT* rect) {
  if (!created_ && !S().backend) return;
  const RECT all{0, 0, width_, height_};
  update_.Add(rect ? Clip(*rect, width_, height_) : all);
}

void Window::ValidateRect(const RECT* rect) {
  // The waiting part is one rectangle, so it is cleared only when the area covers all of it
  // (a part left waiting is painted once more, which is harmless).
  const RECT& waiting = update_.Bounds();
  if (!rect || (rect->left <= waiting.left && rect->top <= waiting.top && rect->right >= waiting.right &&
                rect->bottom >= waiting.bottom))
    update_.Clear();
}

bool Window::GetUpdateRect(RECT* out) const {
  const RECT& r = painting_ ? painting_set_.Bounds() : update_.Bounds();
  if (out) *out = r;
  return !IsRectEmpty(r);
}

void Window::PresentNow() {
  UpdateWindow();
  WindowSystem::PresentNow(*this);
}

const std::vector<RECT>& Window::GetUpdateRects() const { return painting_ ? painting_set_.Rects() : update_.Rects(); }

void Window::UpdateWindow() {
  if (!created_ || iconic_ || update_.Empty() || painting_) return;
  painting_set_ = update_;
  update_.Clear();
  painting_ = true;
  SendMessage(WM_PAINT, 0, 0);
  painting_ = false;
  painting_set_.Clear();
}

void Window::PaintPixels(int dest_x, int dest_y, const uint32_t* src, int src_width, int src_height,
                         const RECT& src_area) {
  if (!src || src_width <= 0 || src_height <= 0) return;
  RECT a = Clip(src_area, src_width, src_height);
  if (IsRectEmpty(a)) return;
  // Shift the source area by the destination's offset, and cut it to the frame.
  dest_x += a.left - src_area.left;
  dest_y += a.top - src_area.top;
  int w = a.right - a.left;
  int h = a.bottom - a.top;
  int sx = a.left;
  int sy = a.top;
  if (dest_x < 0) {
    sx -= dest_x;
    w += dest_x;
    dest_x = 0;
  }
  if (dest_y < 0) {
    sy -= dest_y;
    h += dest_y;
    dest_y = 0;
  }
  w = std::min(w, frame_width_ - dest_x);
  h = std::min(h, frame_height_ - dest_y);
  if (w <= 0 || h <= 0) return;
  for (int row = 0; row < h; ++row) {
    std::memcpy(&frame_[static_cast<size_t>(dest_y + row) * frame_width_ + dest_x],
                &src[static_cast<size_t>(sy + row) * src_width + sx], static_cast<size_t>(w) * 4);
  }
  frame_changed_.Add(RECT{dest_x, dest_y, dest_x + w, dest_y + h});
}

void Window::ResizeFrame(int width, int height) {
  if (width <= 0 || height <= 0 || (width == frame_width_ && height == frame_height_)) return;
  std::vector<uint32_t> next(static_cast<size_t>(width) * height, 0xFF000000u);
  const int w = std::min(width, frame_width_);
  const int h = std::min(height, frame_height_);
  for (int row = 0; row < h; ++row)
    std::memcpy(&next[static_cast<size_t>(row) * width], &frame_[static_cast<size_t>(row) * frame_width_],
                static_cast<size_t>(w) * 4);
  frame_ = std::move(next);
  frame_width_ = width;
  frame_height_ = height;
  frame_changed_.Clear();
  frame_changed_.Add(RECT{0, 0, width, height});
}

// ---- the loop ----

namespace {

// One round of the loop: system events (unless the caller just waited for them), posted
// messages, due timers, then paints.
bool RunOnce(bool poll_system) {
  State& s = S();
  if (!s.backend) return !s.quit.load();
  ++s.pump_depth;
  if (poll_system) s.backend->PollEvents();
  DispatchPosted();
  FireDueTimers();
  // Paints last, when everything else has been handled, as the system does.
  WindowSystem::PaintAndPresent(*s.backend);
  --s.pump_depth;
  return !s.quit.load();
}

}  // namespace

bool PumpMessages() { return RunOnce(true); }

int RunMessageLoop() {
  State& s = S();
  // Waiting handles the system events that end the wait, so each round asks the system once.
  bool running = RunOnce(true);
  while (running && s.backend && !s.windows.empty()) {
    s.backend->WaitEvents(NextWaitMs());
    running = RunOnce(false);
  }
  s.quit = false;
  return s.quit_code.exchange(0);
}

MessageTime GetMessageTime() {
  const State& s = S();
  return s.handling ? *s.handling : MessageTime{GetTickCount(), MessageTime::kTickCount};
}

bool GetMessagePos(POINT* out) {
  const State& s = S();
  if (out == nullptr || !s.handling_at) return false;
  *out = *s.handling_at;
  return true;
}

void LoseSystemFocus() { WindowSystem::FocusChanged(nullptr); }

void GdiFlush() {
  if (WindowBackend* backend = S().backend.get()) backend->Flush();
}

void PostQuitMessage(int exit_code) {
  State& s = S();
  s.quit_code = exit_code;
  s.quit = true;
  // Under the lock, as in PostMessage: any thread may call this while the loop's thread stops.
  std::lock_guard lock(s.mutex);
  if (s.backend) s.backend->Wake();
}

}  // namespace platform
