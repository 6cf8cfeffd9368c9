// The window: a base class with one handler per window message, posted and sent messages,
// timers, capture and focus, coordinate conversion, invalidation and painting, driven by one
// message loop on the user-interface thread.
//
// Two backends do the talking to the system (window_sdl.cpp, window_headless.cpp); this
// interface and its dispatching are the same for both. The backend is chosen once, by
// InitWindowSystem: SDL2 when a display exists, else the headless one, whose windows live in
// memory, whose input comes from posted messages and whose timers follow the manual clock.
//
// Everything but PostMessage and PostQuitMessage must be called on the thread that runs the
// message loop.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rect_set.h"
#include "platform/win_messages.h"
#include "platform/win_types.h"

namespace platform {

// What WM_COPYDATA hands over: a code, and a block of bytes valid for the call only.
struct COPYDATASTRUCT {
  uintptr_t dwData = 0;
  uint32_t cbData = 0;
  const void* lpData = nullptr;
};

// Window styles CreateEx understands.
constexpr uint32_t WS_POPUP = 0x80000000;       // no frame and no caption
constexpr uint32_t WS_CHILD = 0x40000000;       // placed in its parent's client area
constexpr uint32_t WS_VISIBLE = 0x10000000;     // shown once created
constexpr uint32_t WS_BORDER = 0x00800000;      // a thin line round it
constexpr uint32_t WS_DLGFRAME = 0x00400000;    // a dialog's frame
constexpr uint32_t WS_CAPTION = 0x00C00000;     // a title bar (with border and dialog frame)
constexpr uint32_t WS_SYSMENU = 0x00080000;     // the window menu on the title bar
constexpr uint32_t WS_THICKFRAME = 0x00040000;  // the user can resize it
constexpr uint32_t WS_MINIMIZEBOX = 0x00020000;
constexpr uint32_t WS_MAXIMIZEBOX = 0x00010000;
constexpr uint32_t WS_OVERLAPPEDWINDOW = 0x00CF0000;

// Extended window styles.
constexpr uint32_t WS_EX_DLGMODALFRAME = 0x00000001;  // a dialog's frame
constexpr uint32_t WS_EX_TOPMOST = 0x00000008;        // above every window without it
constexpr uint32_t WS_EX_TOOLWINDOW = 0x00000080;     // a small title bar; not on the task bar
constexpr uint32_t WS_EX_WINDOWEDGE = 0x00000100;
constexpr uint32_t WS_EX_CLIENTEDGE = 0x00000200;  // a sunken edge round the client area
constexpr uint32_t WS_EX_STATICEDGE = 0x00020000;  // a thin edge round the window
constexpr uint32_t WS_EX_APPWINDOW = 0x00040000;   // on the task bar

// The parts of a window outside its client area, in pixels (the frame the program reckons with;
// a window manager may draw its own).
constexpr int kBorderWidth = 1;          // WS_BORDER
constexpr int kDialogFrameWidth = 3;     // WS_DLGFRAME, WS_EX_DLGMODALFRAME
constexpr int kSizingFrameWidth = 4;     // WS_THICKFRAME
constexpr int kCaptionHeight = 19;       // WS_CAPTION
constexpr int kSmallCaptionHeight = 15;  // WS_CAPTION with WS_EX_TOOLWINDOW
constexpr int kMenuBarHeight = 19;
constexpr int kClientEdgeWidth = 2;  // WS_EX_CLIENTEDGE
constexpr int kStaticEdgeWidth = 1;  // WS_EX_STATICEDGE

// Grows a client rectangle to the window rectangle that holds it with the given styles.
bool AdjustWindowRectEx(RECT* rect, uint32_t style, bool menu, uint32_t ex_style);

// Whether the system draws a title bar and border of its own round a window of this style: an
// overlapped window always has them, a popup or child window only with WS_CAPTION. A popup with
// WS_THICKFRAME can be resized, but it has no title bar.
bool HasSystemCaption(uint32_t style);

// A window position that lets the system choose (the window is centred).
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

// ShowWindow commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_RESTORE = 9;

enum class WindowBackendKind {
  kAuto,      // SDL2 when a display exists, else headless
  kSdl,       // SDL2; fails when there is no display
  kHeadless,  // in memory
};

// Chooses and starts the backend. Returns false when the asked-for backend cannot start.
// Calling it again while windows exist keeps the running backend.
bool InitWindowSystem(WindowBackendKind kind = WindowBackendKind::kAuto);
// Destroys the windows still open and stops the backend.
void ShutdownWindowSystem();
// The running backend (kAuto when none is running).
WindowBackendKind CurrentWindowBackend();
// Whether a display that SDL2 can open a window on is there. It connects to find out; a bare
// X server resets when that connection (its only client) closes, so a program that means to
// open a window just calls InitWindowSystem, which falls back to headless by itself.
bool HasDisplay();

class Window {
 public:
  // Called on the loop's thread when a timer of this window is due.
  using TimerProc = void (*)(Window* window, uint32_t timer_id);

  Window();
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Creates the window: screen position of the client area (CW_USEDEFAULT: centred on the
  // screen) and client size; class_style CS_DBLCLKS asks for double-click messages; title is GBK.
  bool CreateEx(uint32_t class_style, const char* title, uint32_t style, int x, int y, int width, int height);
  // Creates the window from its window rectangle (the frame included; CW_USEDEFAULT as left or
  // top lets the system place it). With WS_CHILD the rectangle is in the parent's client
  // coordinates, else on the screen. A window with a parent is destroyed with it.
  bool CreateEx(uint32_t ex_style, uint32_t class_style, const char* title, uint32_t style, const RECT& rect,
                Window* parent);
  // Sends WM_DESTROY, stops the window's timers and closes it.
  bool DestroyWindow();
  bool IsWindow() const { return created_; }

  // Queues a message for the loop, stamped with the tick count now; any thread may call it. False
  // when the window is gone.
  bool PostMessage(uint32_t message, uintptr_t wparam, intptr_t lparam);
  // The same for input made at `made` (a test's hand stamps its presses).
  bool PostMessage(uint32_t message, uintptr_t wparam, intptr_t lparam, MessageTime made);
  // Handles a message now, on the loop's thread.
  intptr_t SendMessage(uint32_t message, uintptr_t wparam, intptr_t lparam);

  // Starts (or restarts) a timer; the proc, or OnTimer when proc is null, runs on the loop
  // when it is due. A timer that falls behind fires once, not once per missed period.
  uint32_t SetTimer(uint32_t id, uint32_t elapse_ms, TimerProc proc);
  bool KillTimer(uint32_t id);

  // Mouse capture: while set, mouse messages come to this window even outside it.
  Window* SetCapture();
  static bool ReleaseCapture();
  static Window* GetCapture();
  // Keyboard focus; a change sends WM_KILLFOCUS to the old window and WM_SETFOCUS to the new.
  Window* SetFocus();
  static Window* GetFocus();

  bool ScreenToClient(POINT* point) const;
  bool ClientToScreen(POINT* point) const;
  // The client area: (0, 0, width, height).
  bool GetClientRect(RECT* out) const;
  // The window rectangle (the client area and the frame round it) in screen coordinates.
  bool GetWindowRect(RECT* out) const;
  bool IsIconic() const { return iconic_; }
  bool ShowWindow(int command);
  // Moves and resizes the window: its window rectangle's position (on the screen, or in the
  // parent's client area for WS_CHILD) and size, the frame included.
  bool MoveWindow(int x, int y, int width, int height);
  bool SetWindowText(const char* title);
  // WM_SETICON: the picture (width x height words, 0xAARRGGBB, alpha 0 transparent) that task
  // bars and window lists show for the window.
  bool SetIcon(const uint32_t* pixels, int width, int height);

  // Adds an area (client coordinates; null = all of it) to the part that needs painting.
  // The loop sends WM_PAINT when nothing else is waiting.
  void InvalidateRect(const RECT* rect);
  void ValidateRect(const RECT* rect);
  // The part waiting to be painted; false when there is none. Inside OnPaint, the part being painted.
  bool GetUpdateRect(RECT* out) const;
  // The same part as the rectangles it was invalidated by (GetUpdateRect gives the one round them).
  const std::vector<RECT>& GetUpdateRects() const;
  // Paints now when a part waits.
  void UpdateWindow();
  // Paints what waits and puts the frame on screen now, without waiting for the loop to come
  // round: for a caller that is about to hold the loop.
  void PresentNow();

  // Copies pixels (0xAARRGGBB, rows of src_width words) into the window's client area:
  // src_area of the source goes to (dest_x, dest_y); what falls outside either is cut off.
  // The window shows the result when the loop next comes round.
  void PaintPixels(int dest_x, int dest_y, const uint32_t* src, int src_width, int src_height, const RECT& src_area);
  // What the window shows: the client area's pixels, 0xAARRGGBB, rows of FrameWidth().
  const std::vector<uint32_t>& PresentedFrame() const { return frame_; }
  int FrameWidth() const { return frame_width_; }
  int FrameHeight() const { return frame_height_; }
  // How many times the window has put a new frame on screen.
  uint64_t PresentCount() const { return present_count_; }

  uint32_t ClassStyle() const { return class_style_; }
  uint32_t Style() const { return style_; }
  uint32_t ExStyle() const { return ex_style_; }
  // The parent or owner given at creation; null when none (or once it is gone).
  Window* GetParent() const { return parent_; }

  // Dispatches a message to its handler; a derived window may handle its own messages first.
  virtual intptr_t WindowProc(uint32_t message, uintptr_t wparam, intptr_t lparam);
  // What a message does when its handler does nothing of its own.
  intptr_t DefWindowProc(uint32_t message, uintptr_t wparam, intptr_t lparam);

 protected:
  // Handlers. The base versions are the default processing.
  virtual void OnPaint() {}
  virtual void OnSize(uint32_t /*type*/, int /*cx*/, int /*cy*/) {}
  virtual void OnDestroy() {}
  virtual bool OnEraseBkgnd() { return false; }
  virtual void OnWindowPosChanging() {}
  // Asks the window to set the cursor; returns true when it did.
  virtual bool OnSetCursor();
  virtual void OnMouseMove(uint32_t /*flags*/, POINT /*client*/) {}
  // delta: a multiple of WHEEL_DELTA, positive away from the user; screen coordinates.
  virtual bool OnMouseWheel(uint32_t /*flags*/, int16_t /*delta*/, POINT /*screen*/) { return false; }
  virtual void OnLButtonDown(uint32_t /*flags*/, POINT /*client*/) {}
  virtual void OnLButtonUp(uint32_t /*flags*/, POINT /*client*/) {}
  virtual void OnLButtonDblClk(uint32_t /*flags*/, POINT /*client*/) {}
  virtual void OnRButtonDown(uint32_t /*flags*/, POINT /*client*/) {}
  virtual void OnRButtonUp(uint32_t /*flags*/, POINT /*client*/) {}
  virtual void OnRButtonDblClk(uint32_t /*flags*/, POINT /*client*/) {}
  virtual void OnMButtonDown(uint32_t /*flags*/, POINT /*client*/) {}
  virtual void OnMButtonUp(uint32_t /*flags*/, POINT /*client*/) {}
  virtual void OnMButtonDblClk(uint32_t /*flags*/, POINT /*client*/) {}
  // key: a VK_ code; flags: the KF_ bits of the key message.
  virtual void OnKeyDown(uint32_t /*key*/, uint32_t /*repeat*/, uint32_t /*flags*/) {}
  virtual void OnKeyUp(uint32_t /*key*/, uint32_t /*repeat*/, uint32_t /*flags*/) {}
  // One byte of GBK text: a two-byte character comes as its lead byte, then its trail byte.
  virtual void OnChar(uint32_t /*ch*/, uint32_t /*repeat*/, uint32_t /*flags*/) {}
  virtual void OnSetFocus() {}
  virtual void OnKillFocus() {}
  virtual bool OnCopyData(const COPYDATASTRUCT* /*data*/) { return false; }
  // what: the SPI_SET code of the setting that changed.
  virtual void OnSettingChange(uint32_t /*what*/) {}
  // The user asked to close the window; the default destroys it.
  virtual void OnClose() { DestroyWindow(); }
  virtual void OnTimer(uint32_t /*id*/) {}

 private:
  friend class WindowSystem;
  void ResizeFrame(int width, int height);
  bool Create(uint32_t class_style, const char* title, uint32_t style, int x, int y, int width, int height);
  // The frame round the client area: window rectangle minus client rectangle, per side.
  RECT FrameInsets() const;
  // Where a rectangle given in window coordinates lies on the screen (a child's are its parent's).
  POINT ScreenOrigin() const;

  bool created_ = false;
  uint32_t class_style_ = 0;
  uint32_t style_ = 0;
  uint32_t ex_style_ = 0;
  Window* parent_ = nullptr;
  std::string title_;
  POINT origin_{};  // screen position of the client area
  int width_ = 0;
  int height_ = 0;
  bool iconic_ = false;
  bool visible_ = false;
  RectSet update_;  // waiting to be painted
  bool painting_ = false;
  RectSet painting_set_;
  std::vector<uint32_t> frame_;
  int frame_width_ = 0;
  int frame_height_ = 0;
  RectSet frame_changed_;  // the parts of the frame changed since it was last shown
  uint64_t present_count_ = 0;
  void* native_ = nullptr;  // the backend's own record
};

// GetMessageTime: when the message being handled was made; outside one, now by the tick count.
MessageTime GetMessageTime();
// GetMessagePos: where the pointer stood on the screen when the pointer message being handled was
// made (the system's own word, whatever has moved since); false outside one.
bool GetMessagePos(POINT* out);

// Runs the loop until WM_QUIT (or until no window is left); returns the quit code.
int RunMessageLoop();
// Handles everything waiting now (posted messages, due timers, system events, paints) and
// returns without waiting. Returns false once WM_QUIT was posted.
bool PumpMessages();
// Returns once the display has carried out every present so far, so that the screen holds the
// frames the windows showed: for a program that reads the screen, or says it may now be read.
// (Presents go to the display without waiting for it.)
void GdiFlush();
// Any thread: makes the loop end with this code.
void PostQuitMessage(int exit_code);
// The system takes the keyboard focus away from the program's windows, as when the user turns
// to another program: the focused window gets WM_KILLFOCUS. (Headless tests use it; with a
// display the system does it.)
void LoseSystemFocus();

}  // namespace platform
