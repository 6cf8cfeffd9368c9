// Inside the window layer: what each backend (window_sdl.cpp, window_headless.cpp) implements,
// and the calls through which a backend hands system events to the windows.
// Only platform/ includes this header.
#pragma once

#include <memory>
#include <string>

#include "platform/cursor.h"
#include "platform/window.h"

namespace platform {

class WindowBackend {
 public:
  virtual ~WindowBackend() = default;
  virtual WindowBackendKind Kind() const = 0;

  // Opens the system window for a window whose title, origin, size and style are set.
  virtual bool Open(Window& window) = 0;
  virtual void Close(Window& window) = 0;
  // Handles the system events waiting now.
  virtual void PollEvents() = 0;
  // Waits up to timeout_ms (negative: no limit) for a system event or a Wake, then handles what came.
  virtual void WaitEvents(int timeout_ms) = 0;
  // Any thread: ends a WaitEvents early.
  virtual void Wake() = 0;

  // Shows the window's frame; only WindowSystem::ChangedAreas differ from what it showed last.
  virtual void Present(Window& window) = 0;
  virtual void SetTitle(Window& window) = 0;
  // Window::SetIcon; false when the system keeps no icon.
  virtual bool SetIcon(Window& window, const uint32_t* pixels, int width, int height) = 0;
  // Applies the window's origin and client size (its frame's size) to the system window. A system
  // that gives it another size reports that through WindowSystem::Resized.
  virtual void Move(Window& window) = 0;
  // SW_ command; the backend reports the outcome through WindowSystem (minimised, restored).
  virtual void Show(Window& window, int command) = 0;
  // Null releases the capture.
  virtual void Capture(Window* window) = 0;

  // The cursor to show over the windows (null: none); visible follows the display count.
  virtual void ApplyCursor(HCURSOR cursor, bool visible) = 0;
  // Screen rectangle, null = free.
  virtual void ApplyClip(const RECT* rect) = 0;
  // False when the backend has no pointer of its own (the stored position is used).
  virtual bool QueryCursorPos(POINT* out) = 0;
  virtual void WarpCursor(int x, int y) = 0;

  // UTF-8 clipboard text; false when the backend has no system clipboard.
  virtual bool SetClipboard(const std::string& utf8) = 0;
  virtual bool GetClipboard(std::string* utf8) = 0;

  // The desktop (desktop.h): the primary screen's work area; false when it cannot be told.
  virtual bool QueryWorkArea(RECT* out) = 0;
  virtual bool IsForeground(Window& window) = 0;
  virtual void Raise(Window& window) = 0;
  virtual void Flash(Window& window) = 0;
  // Client coordinates of the window.
  virtual void SetTextInputRect(Window& window, const RECT& rect) = 0;
  // Hands an already checked target (UTF-8) to the system's opener; false when it did not start.
  virtual bool OpenExternal(const std::string& utf8_target) = 0;
  // Returns once the display has carried out every present (GdiFlush).
  virtual void Flush() = 0;
};

// Starts xdg-open with the target as its one argument, detached from the program's terminal;
// the child is reaped by a short-lived thread. False (with a log line) when it did not start.
bool LaunchOpener(const std::string& utf8_target);

std::unique_ptr<WindowBackend> MakeSdlWindowBackend();
std::unique_ptr<WindowBackend> MakeHeadlessWindowBackend();
// Whether SDL2 finds a real display (not its dummy or offscreen driver).
bool SdlDisplayAvailable();

// The running backend, or null.
WindowBackend* ActiveWindowBackend();

// What a backend calls when the system reports something about a window.
class WindowSystem {
 public:
  // The client area took a new size: the frame follows, all of it needs painting, WM_SIZE.
  static void Resized(Window& window, int width, int height);
  static void Moved(Window& window, int x, int y);
  static void Minimized(Window& window);
  static void Restored(Window& window);
  // The system gave the keyboard focus to this window, or (null) took it away from ours.
  static void FocusChanged(Window* window);
  // Part of the window must be shown again.
  static void Exposed(Window& window);
  // Handles an input message that the system stamped (GetMessageTime gives its handlers `made`).
  static void SendInput(Window& window, uint32_t message, uintptr_t wparam, intptr_t lparam, MessageTime made);
  // The same for a pointer message, with where the pointer stood on the screen then (GetMessagePos).
  static void SendPointerInput(Window& window, uint32_t message, uintptr_t wparam, intptr_t lparam, MessageTime made,
                               POINT screen);
  // The window this system window belongs to, if it is still open.
  static Window* Find(const void* native);
  static bool IsOpen(const Window* window);

  // What a backend reads of, and keeps in, a window.
  static void*& Native(Window& window) { return window.native_; }
  static const std::string& Title(const Window& window) { return window.title_; }
  static uint32_t Style(const Window& window) { return window.style_; }
  static POINT Origin(const Window& window) { return window.origin_; }
  // The frame round the client area, per side (left, top, right, bottom widths).
  static RECT Frame(const Window& window) { return window.FrameInsets(); }
  static bool Visible(const Window& window) { return window.visible_; }
  // The parts of the frame changed since the window was last shown (all of it after a resize or
  // an expose); never empty while Present runs.
  static const RectSet& ChangedAreas(const Window& window) { return window.frame_changed_; }

  // The loop's last step: paints what waits, then shows every changed frame.
  static void PaintAndPresent(WindowBackend& backend);
  // Shows the window's frame now when it changed (Window::PresentNow).
  static void PresentNow(Window& window);
  static void PresentIfChanged(WindowBackend& backend, Window& window);
};

}  // namespace platform
