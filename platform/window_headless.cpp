// Window backend: headless.
//   Platform:     any; no display, no SDL.
//   Limitations:  windows live in memory only. Input comes from messages the program (or a test)
//                 posts, made when they were posted (GetMessageTime) unless the test stamps them
//                 itself; the pointer position is what SetCursorPos stored; cursors, clipping and
//                 capture are kept as state; the clipboard is the layer's in-memory one.
//                 Presented frames are kept in each window for reading. The desktop calls
//                 work on the HeadlessDesktop record (desktop.h): the work area is what a test
//                 set, raising gives the window the focus, flashes and the input method's
//                 rectangle are counted or kept, and the opener records its targets, running
//                 nothing.
//   Dependencies: none besides the standard library.
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/desktop.h"
#include "platform/window_backend.h"

namespace platform {

HeadlessDesktop& GetHeadlessDesktop() {
  static HeadlessDesktop desktop;
  return desktop;
}

namespace {

class HeadlessWindowBackend final : public WindowBackend {
 public:
  HeadlessWindowBackend() { GetHeadlessDesktop() = HeadlessDesktop{}; }

  WindowBackendKind Kind() const override { return WindowBackendKind::kHeadless; }

  // Nothing to open: the window's own record is all there is. A window the system may place
  // goes to the screen's top-left corner, its frame included.
  bool Open(Window& window) override {
    WindowSystem::Native(window) = &window;
    const POINT at = WindowSystem::Origin(window);
    const RECT frame = WindowSystem::Frame(window);
    WindowSystem::Moved(window, at.x == CW_USEDEFAULT ? frame.left : at.x, at.y == CW_USEDEFAULT ? frame.top : at.y);
    return true;
  }

  void Close(Window& window) override { WindowSystem::Native(window) = nullptr; }

  // No system events: input arrives as posted messages.
  void PollEvents() override {}

  // Sleeps until woken or the time is up (only a program on the real clock ever waits here).
  void WaitEvents(int timeout_ms) override {
    std::unique_lock lock(mutex_);
    if (timeout_ms < 0) {
      wake_.wait(lock, [this] { return woken_; });
    } else {
      wake_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [this] { return woken_; });
    }
    woken_ = false;
  }

  // Ends a wait early.
  void Wake() override {
    {
      std::lock_guard lock(mutex_);
      woken_ = true;
    }
    wake_.notify_one();
  }

  // The frame stays in the window; nothing else to show it on.
  void Present(Window&) override {}
  void SetTitle(Window&) override {}
  bool SetIcon(Window&, const uint32_t*, int, int) override { return false; }
  void Move(Window& window) override {
    WindowSystem::Moved(window, WindowSystem::Origin(window).x, WindowSystem::Origin(window).y);
  }

  // Minimising and restoring happen at once, as a user's click on the title bar would do them.
  void Show(Window& window, int command) override {
    if (command == SW_MINIMIZE) WindowSystem::Minimized(window);
    if (command == SW_RESTORE || command == SW_SHOWNORMAL) WindowSystem::Restored(window);
  }

  void Capture(Window*) override {}
  void ApplyCursor(HCURSOR, bool) override {}
  void ApplyClip(const RECT*) override {}
  bool QueryCursorPos(POINT*) override { return false; }
  void WarpCursor(int, int) override {}
  bool SetClipboard(const std::string&) override { return false; }
  bool GetClipboard(std::string*) override { return false; }

  // The work area a test set (1024 x 768 at the origin unless changed).
  bool QueryWorkArea(RECT* out) override {
    *out = GetHeadlessDesktop().work_area;
    return true;
  }
  // The window the layer last gave the focus to.
  bool IsForeground(Window& window) override { return Window::GetFocus() == &window; }
  // Counted; the window takes the focus, as the system would give it.
  void Raise(Window& window) override {
    ++GetHeadlessDesktop().raises;
    WindowSystem::FocusChanged(&window);
  }
  void Flash(Window&) override { ++GetHeadlessDesktop().flashes; }
  void SetTextInputRect(Window&, const RECT& rect) override {
    GetHeadlessDesktop().text_input_rect = rect;
    GetHeadlessDesktop().text_input_rect_set = true;
  }
  // Recorded, never run.
  bool OpenExternal(const std::string& utf8_target) override {
    GetHeadlessDesktop().opened.push_back(utf8_target);
    return true;
  }
  // Every present is done when it returns.
  void Flush() override {}

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool woken_ = false;
};

}  // namespace

std::unique_ptr<WindowBackend> MakeHeadlessWindowBackend() { return std::make_unique<HeadlessWindowBackend>(); }

}  // namespace platform
