// ctest-labels: window tsan
#include "platform/window.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/win_messages.h"

namespace {

using platform::POINT;
using platform::RECT;

// A window that writes down every message it handles.
class RecordingWindow : public platform::Window {
 public:
  std::vector<std::string> log;
  RECT last_paint{};

  bool Open(int w = 200, int h = 100, uint32_t class_style = 0) {
    return CreateEx(class_style, "test", platform::WS_VISIBLE | platform::WS_THICKFRAME, 50, 40, w, h);
  }

  intptr_t WindowProc(uint32_t message, uintptr_t wparam, intptr_t lparam) override {
    if (message >= platform::WM_USER) {
      log.push_back("user" + std::to_string(message - platform::WM_USER) + ":" + std::to_string(wparam));
      return 0;
    }
    return Window::WindowProc(message, wparam, lparam);
  }

 protected:
  void OnPaint() override {
    GetUpdateRect(&last_paint);
    log.push_back("paint");
  }
  void OnSize(uint32_t type, int cx, int cy) override {
    log.push_back("size " + std::to_string(type) + " " + std::to_string(cx) + "x" + std::to_string(cy));
  }
  void OnDestroy() override { log.push_back("destroy"); }
  void OnMouseMove(uint32_t flags, POINT p) override { Mouse("move", flags, p); }
  void OnLButtonDown(uint32_t flags, POINT p) override { Mouse("ldown", flags, p); }
  void OnLButtonUp(uint32_t flags, POINT p) override { Mouse("lup", flags, p); }
  void OnLButtonDblClk(uint32_t flags, POINT p) override { Mouse("ldbl", flags, p); }
  bool OnMouseWheel(uint32_t flags, int16_t delta, POINT p) override {
    Mouse("wheel " + std::to_string(delta), flags, p);
    return true;
  }
  void OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override { Key("keydown", key, repeat, flags); }
  void OnKeyUp(uint32_t key, uint32_t repeat, uint32_t flags) override { Key("keyup", key, repeat, flags); }
  void OnChar(uint32_t ch, uint32_t repeat, uint32_t flags) override { Key("char", ch, repeat, flags); }
  void OnSetFocus() override { log.push_back("setfocus"); }
  void OnKillFocus() override { log.push_back("killfocus"); }
  void OnTimer(uint32_t id) override { log.push_back("timer " + std::to_string(id)); }

 private:
  void Mouse(const std::string& what, uint32_t flags, POINT p) {
    log.push_back(what + " " + std::to_string(flags) + " " + std::to_string(p.x) + "," + std::to_string(p.y));
  }
  void Key(const std::string& what, uint32_t code, uint32_t repeat, uint32_t flags) {
    log.push_back(what + " " + std::to_string(code) + " " + std::to_string(repeat) + " " + std::to_string(flags));
  }
};

class HeadlessWindow : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(platform::InitWindowSystem(platform::WindowBackendKind::kHeadless)); }
  void TearDown() override { platform::ShutdownWindowSystem(); }
  platform::ScopedManualClock clock_{1000};
};

std::vector<std::string> Drain(std::vector<std::string>& log) {
  std::vector<std::string> out;
  out.swap(log);
  return out;
}

TEST_F(HeadlessWindow, CreationSizesPaintsAndDestroys) {
  RecordingWindow w;
  ASSERT_TRUE(w.Open(320, 200));
  EXPECT_EQ(platform::CurrentWindowBackend(), platform::WindowBackendKind::kHeadless);
  EXPECT_EQ(w.FrameWidth(), 320);
  EXPECT_EQ(w.FrameHeight(), 200);
  platform::PumpMessages();
  EXPECT_EQ(Drain(w.log), (std::vector<std::string>{"size 0 320x200", "paint"}));
  EXPECT_EQ(w.last_paint, (RECT{0, 0, 320, 200}));

  // Nothing waits: no second paint.
  platform::PumpMessages();
  EXPECT_TRUE(w.log.empty());

  // Two areas merge into one paint, cut to the client area.
  const RECT a{10, 10, 20, 20}, b{300, 190, 400, 300};
  w.InvalidateRect(&a);
  w.InvalidateRect(&b);
  platform::PumpMessages();
  EXPECT_EQ(Drain(w.log), (std::vector<std::string>{"paint"}));
  EXPECT_EQ(w.last_paint, (RECT{10, 10, 320, 200}));

  EXPECT_TRUE(w.DestroyWindow());
  EXPECT_EQ(Drain(w.log), (std::vector<std::string>{"destroy"}));
  EXPECT_FALSE(w.IsWindow());
  EXPECT_FALSE(w.PostMessage(platform::WM_USER, 0, 0));
}

TEST(AdjustWindowRectEx, AddsTheFrameTheStylesAskFor) {
  using namespace platform;
  const auto grown = [](uint32_t style, uint32_t ex_style, bool menu = false) {
    RECT r{0, 0, 100, 50};
    EXPECT_TRUE(AdjustWindowRectEx(&r, style, menu, ex_style));
    return r;
  };
  EXPECT_EQ(grown(WS_POPUP, 0), (RECT{0, 0, 100, 50}));
  EXPECT_EQ(grown(WS_OVERLAPPEDWINDOW, 0), (RECT{-4, -23, 104, 54}));  // sizing frame and title bar
  EXPECT_EQ(grown(WS_CAPTION | WS_SYSMENU, 0), (RECT{-3, -22, 103, 53}));
  EXPECT_EQ(grown(WS_CAPTION, WS_EX_TOOLWINDOW), (RECT{-3, -18, 103, 53}));
  EXPECT_EQ(grown(WS_POPUP | WS_BORDER, WS_EX_CLIENTEDGE), (RECT{-3, -3, 103, 53}));
  EXPECT_EQ(grown(WS_POPUP, WS_EX_DLGMODALFRAME | WS_EX_STATICEDGE), (RECT{-4, -4, 104, 54}));
  EXPECT_EQ(grown(WS_OVERLAPPEDWINDOW, 0, true), (RECT{-4, -42, 104, 54}));
  EXPECT_FALSE(AdjustWindowRectEx(nullptr, 0, false, 0));
}

TEST(HasSystemCaption, OnlyOverlappedWindowsAndThoseWithACaptionGetTheSystemsTitleBar) {
  using namespace platform;
  EXPECT_TRUE(HasSystemCaption(0));
  EXPECT_TRUE(HasSystemCaption(WS_VISIBLE | WS_THICKFRAME));
  EXPECT_TRUE(HasSystemCaption(WS_POPUP | WS_CAPTION));
  EXPECT_FALSE(HasSystemCaption(WS_POPUP | WS_VISIBLE));
  EXPECT_FALSE(HasSystemCaption(WS_POPUP | WS_THICKFRAME));  // resizable, still no title bar
  EXPECT_FALSE(HasSystemCaption(WS_POPUP | WS_BORDER));      // a line is not a caption
  EXPECT_FALSE(HasSystemCaption(WS_CHILD));
}

TEST_F(HeadlessWindow, AWindowMadeFromItsWindowRectangleHasItsClientInsideTheFrame) {
  RecordingWindow w;
  const RECT outer{100, 50, 100 + 408, 50 + 323};  // 400 x 300 inside the frame
  ASSERT_TRUE(w.CreateEx(platform::WS_EX_TOOLWINDOW | platform::WS_EX_TOPMOST, 0, "framed",
                         platform::WS_OVERLAPPEDWINDOW | platform::WS_VISIBLE, outer, nullptr));
  EXPECT_EQ(w.ExStyle(), platform::WS_EX_TOOLWINDOW | platform::WS_EX_TOPMOST);
  EXPECT_EQ(w.GetParent(), nullptr);
  RECT client{};
  w.GetClientRect(&client);
  EXPECT_EQ(client, (RECT{0, 0, 400, 300})) << "under the tool window's small title bar";
  RECT window{};
  w.GetWindowRect(&window);
  EXPECT_EQ(window, outer);
  POINT corner{0, 0};
  w.ClientToScreen(&corner);
  EXPECT_EQ(corner, (POINT{104, 69}));
  EXPECT_EQ(Drain(w.log), (std::vector<std::string>{"size 0 400x300"}));

  // Moving takes the window rectangle too.
  w.MoveWindow(0, 0, 208, 123);
  w.GetClientRect(&client);
  EXPECT_EQ(client, (RECT{0, 0, 200, 100}));
  w.GetWindowRect(&window);
  EXPECT_EQ(window, (RECT{0, 0, 208, 123}));

  // A place left to the system puts the whole window at the screen's corner.
  RecordingWindow placed;
  ASSERT_TRUE(placed.CreateEx(0, 0, "placed", platform::WS_OVERLAPPEDWINDOW,
                              RECT{platform::CW_USEDEFAULT, platform::CW_USEDEFAULT, platform::CW_USEDEFAULT + 108,
                                   platform::CW_USEDEFAULT + 77},
                              nullptr));
  placed.GetWindowRect(&window);
  EXPECT_EQ(window, (RECT{0, 0, 108, 77}));
  placed.GetClientRect(&client);
  EXPECT_EQ(client, (RECT{0, 0, 100, 50}));
}

TEST_F(HeadlessWindow, AChildIsPlacedInItsParentAndGoesWithIt) {
  RecordingWindow parent;
  ASSERT_TRUE(parent.Open(300, 200));  // client area at (50, 40) on the screen
  RecordingWindow child;
  ASSERT_TRUE(child.CreateEx(0, 0, "child", platform::WS_CHILD | platform::WS_VISIBLE | platform::WS_BORDER,
                             RECT{10, 20, 112, 72}, &parent));
  EXPECT_EQ(child.GetParent(), &parent);
  RECT window{};
  child.GetWindowRect(&window);
  EXPECT_EQ(window, (RECT{60, 60, 162, 112}));  // screen coordinates
  POINT corner{0, 0};
  child.ClientToScreen(&corner);
  EXPECT_EQ(corner, (POINT{61, 61}));
  child.MoveWindow(0, 0, 52, 32);  // in the parent's client area
  child.GetWindowRect(&window);
  EXPECT_EQ(window, (RECT{50, 40, 102, 72}));

  // An owned window (no WS_CHILD) is placed on the screen.
  RecordingWindow owned;
  ASSERT_TRUE(owned.CreateEx(0, 0, "owned", platform::WS_POPUP, RECT{5, 6, 25, 26}, &parent));
  owned.GetWindowRect(&window);
  EXPECT_EQ(window, (RECT{5, 6, 25, 26}));

  parent.log.clear();
  child.log.clear();
  EXPECT_TRUE(parent.DestroyWindow());
  EXPECT_EQ(Drain(parent.log), (std::vector<std::string>{"destroy"}));
  EXPECT_EQ(Drain(child.log), (std::vector<std::string>{"destroy"}));
  EXPECT_FALSE(child.IsWindow());
  EXPECT_FALSE(owned.IsWindow());
  EXPECT_EQ(child.GetParent(), nullptr);

  // A parent that is not open is refused.
  RecordingWindow orphan;
  EXPECT_FALSE(orphan.CreateEx(0, 0, "orphan", platform::WS_CHILD, RECT{0, 0, 10, 10}, &parent));
}

TEST_F(HeadlessWindow, PostedMessagesRunInOrderFromAnyThread) {
  RecordingWindow w;
  ASSERT_TRUE(w.Open());
  platform::PumpMessages();
  w.log.clear();
  EXPECT_TRUE(w.PostMessage(platform::WM_USER + 1, 7, 0));
  std::thread other([&] {
    for (int i = 0; i < 3; ++i) w.PostMessage(platform::WM_USER + 2, i, 0);
  });
  other.join();
  EXPECT_TRUE(w.log.empty());  // nothing runs before the loop comes round
  platform::PumpMessages();
  EXPECT_EQ(Drain(w.log), (std::vector<std::string>{"user1:7", "user2:0", "user2:1", "user2:2"}));

  // A message posted to a window that closes before the loop runs is dropped.
  w.PostMessage(platform::WM_USER + 3, 0, 0);
  w.DestroyWindow();
  w.log.clear();
  platform::PumpMessages();
  EXPECT_TRUE(w.log.empty());
}

// When the message being handled was made, as GetMessageTime says it: "5000 system".
std::string MessageStamp() {
  const platform::MessageTime made = platform::GetMessageTime();
  const char* clocks[] = {"tick count", "system", "sdl"};
  return std::to_string(made.ms) + " " + clocks[made.clock];
}

// Notes the stamp its handlers read: before and after a loop of its own (as a modal box runs one)
// for WM_USER + 1, and for WM_USER + 2.
class StampWindow : public RecordingWindow {
 public:
  std::vector<std::string> stamps;

  intptr_t WindowProc(uint32_t message, uintptr_t wparam, intptr_t lparam) override {
    if (message == platform::WM_USER + 1) {
      stamps.push_back("outer " + MessageStamp());
      platform::PumpMessages();
      stamps.push_back("outer again " + MessageStamp());
      return 0;
    }
    if (message == platform::WM_USER + 2) {
      stamps.push_back("inner " + MessageStamp());
      return 0;
    }
    return RecordingWindow::WindowProc(message, wparam, lparam);
  }
};

// A handler reads its own message's stamp, also after a loop inside it handled another message;
// outside every handler, GetMessageTime is the tick count of now.
TEST_F(HeadlessWindow, GetMessageTimeIsTheStampOfTheMessageBeingHandledAndNowOutsideOne) {
  StampWindow w;
  ASSERT_TRUE(w.Open());
  platform::PumpMessages();
  using platform::MessageTime;
  w.PostMessage(platform::WM_USER + 1, 0, 0, MessageTime{5000, MessageTime::kSystem});
  w.PostMessage(platform::WM_USER + 2, 0, 0, MessageTime{6000, MessageTime::kSystem});
  platform::PumpMessages();
  EXPECT_EQ(w.stamps, (std::vector<std::string>{"outer 5000 system", "inner 6000 system", "outer again 5000 system"}));
  clock_->Advance(25);
  EXPECT_EQ(MessageStamp(), "1025 tick count");
}

// Under ThreadSanitizer these show whether posting, which another thread may do at any time,
// still touches the backend after the loop's thread has stopped it.
TEST_F(HeadlessWindow, PostingFromAnotherThreadWhileTheSystemStops) {
  RecordingWindow w;
  ASSERT_TRUE(w.Open());
  platform::PumpMessages();
  w.log.clear();
  std::thread other([&] { w.PostMessage(platform::WM_USER + 1, 1, 0); });
  while (w.log.empty()) platform::PumpMessages();
  w.DestroyWindow();
  platform::ShutdownWindowSystem();
  other.join();
  EXPECT_EQ(w.log, (std::vector<std::string>{"user1:1", "destroy"}));
  EXPECT_FALSE(w.PostMessage(platform::WM_USER + 1, 2, 0));
}

TEST_F(HeadlessWindow, QuittingFromAnotherThreadWhileTheSystemStops) {
  RecordingWindow w;
  ASSERT_TRUE(w.Open());
  std::thread other([] { platform::PostQuitMessage(3); });
  while (platform::PumpMessages()) {
  }
  w.DestroyWindow();
  platform::ShutdownWindowSystem();
  other.join();
  EXPECT_FALSE(w.IsWindow());
}

TEST_F(HeadlessWindow, QuitEndsTheLoop) {
  RecordingWindow w;
  ASSERT_TRUE(w.Open());
  w.PostMessage(platform::WM_USER, 1, 0);
  platform::PostQuitMessage(3);
  EXPECT_EQ(platform::RunMessageLoop(), 3);
  // The loop can run again afterwards.
  EXPECT_TRUE(platform::PumpMessages());
}

TEST_F(HeadlessWindow, MouseAndKeyMessagesReachTheirHandlers) {
  RecordingWindow w;
  ASSERT_TRUE(w.Open());
  platform::PumpMessages();
  w.log.clear();
  using namespace platform;
  w.PostMessage(WM_MOUSEMOVE, 0, MakePointLParam(15, 25));
  w.PostMessage(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MakePointLParam(15, 25));
  // A captured drag can leave the window: negative client coordinates survive.
  w.PostMessage(WM_MOUSEMOVE, MK_LBUTTON, MakePointLParam(-5, -8));
  w.PostMessage(WM_LBUTTONUP, 0, MakePointLParam(-5, -8));
  // Wheel: signed delta in the high word, screen position in lParam.
  w.PostMessage(WM_MOUSEWHEEL, MAKELONG(0, static_cast<uint16_t>(-WHEEL_DELTA)), MakePointLParam(65, 70));
  w.PostMessage(WM_KEYDOWN, 'A', MakeKeyLParam(1, KF_REPEAT));
  w.PostMessage(WM_KEYUP, 'A', MakeKeyLParam(1, KF_REPEAT | KF_UP));
  w.PostMessage(WM_CHAR, 0xB0, MakeKeyLParam(1, 0));
  w.PostMessage(WM_CHAR, 0xA1, MakeKeyLParam(1, 0));
  PumpMessages();
  EXPECT_EQ(Drain(w.log), (std::vector<std::string>{"move 0 15,25", "ldown 5 15,25", "move 1 -5,-8", "lup 0 -5,-8",
                                                    "wheel -120 0 65,70", "keydown 65 1 16384", "keyup 65 1 49152",
                                                    "char 176 1 0", "char 161 1 0"}));
  POINT p{65, 70};
  w.ScreenToClient(&p);
  EXPECT_EQ(p, (POINT{15, 30}));
  w.ClientToScreen(&p);
  EXPECT_EQ(p, (POINT{65, 70}));
}

TEST_F(HeadlessWindow, TimersFollowTheManualClock) {
  RecordingWindow w;
  ASSERT_TRUE(w.Open());
  platform::PumpMessages();
  w.log.clear();
  static std::vector<uint32_t> fired;
  fired.clear();
  ASSERT_EQ(w.SetTimer(19840323, 5, [](platform::Window*, uint32_t id) { fired.push_back(id); }), 19840323u);
  ASSERT_EQ(w.SetTimer(2, 20, nullptr), 2u);

  clock_->Advance(4);
  EXPECT_TRUE(fired.empty());
  clock_->Advance(1);
  EXPECT_EQ(fired, (std::vector<uint32_t>{19840323}));
  // A long step fires a late timer once, not once per missed period.
  clock_->Advance(50);
  EXPECT_EQ(fired.size(), 2u);
  EXPECT_EQ(Drain(w.log), (std::vector<std::string>{"timer 2"}));
  clock_->Advance(5);
  EXPECT_EQ(fired.size(), 3u);

  EXPECT_TRUE(w.KillTimer(19840323));
  EXPECT_FALSE(w.KillTimer(19840323));
  clock_->Advance(100);
  EXPECT_EQ(fired.size(), 3u);
  EXPECT_EQ(Drain(w.log), (std::vector<std::string>{"timer 2"}));

  // Timers die with their window.
  w.DestroyWindow();
  w.log.clear();
  clock_->Advance(100);
  EXPECT_TRUE(w.log.empty());
}

TEST_F(HeadlessWindow, CaptureAndFocus) {
  RecordingWindow a, b;
  ASSERT_TRUE(a.Open());
  ASSERT_TRUE(b.Open());
  platform::PumpMessages();
  a.log.clear();
  b.log.clear();

  EXPECT_EQ(a.SetCapture(), nullptr);
  EXPECT_EQ(platform::Window::GetCapture(), &a);
  EXPECT_EQ(b.SetCapture(), &a);
  platform::Window::ReleaseCapture();
  EXPECT_EQ(platform::Window::GetCapture(), nullptr);

  EXPECT_EQ(a.SetFocus(), nullptr);
  EXPECT_EQ(a.SetFocus(), &a);  // no change, no messages
  EXPECT_EQ(b.SetFocus(), &a);
  EXPECT_EQ(Drain(a.log), (std::vector<std::string>{"setfocus", "killfocus"}));
  EXPECT_EQ(Drain(b.log), (std::vector<std::string>{"setfocus"}));
  platform::LoseSystemFocus();
  EXPECT_EQ(platform::Window::GetFocus(), nullptr);
  EXPECT_EQ(Drain(b.log), (std::vector<std::string>{"killfocus"}));

  // A closing window lets go of capture and focus.
  a.SetCapture();
  a.SetFocus();
  a.DestroyWindow();
  EXPECT_EQ(platform::Window::GetCapture(), nullptr);
  EXPECT_EQ(platform::Window::GetFocus(), nullptr);
}

TEST_F(HeadlessWindow, LosingTheSystemFocusEndsTheCapture) {
  RecordingWindow a, b;
  ASSERT_TRUE(a.Open());
  ASSERT_TRUE(b.Open());
  // Focus moving between the program's own windows keeps the capture.
  a.SetFocus();
  a.SetCapture();
  b.SetFocus();
  EXPECT_EQ(platform::Window::GetCapture(), &a);
  // The user turns to another program with the button still held: the release never comes.
  platform::LoseSystemFocus();
  EXPECT_EQ(platform::Window::GetCapture(), nullptr);
  // Also when none of the windows had the focus.
  a.SetCapture();
  platform::LoseSystemFocus();
  EXPECT_EQ(platform::Window::GetCapture(), nullptr);
}

TEST_F(HeadlessWindow, PaintedPixelsArePresentedAndClipped) {
  RecordingWindow w;
  ASSERT_TRUE(w.Open(4, 3));
  platform::PumpMessages();
  const uint64_t before = w.PresentCount();
  // A 3x2 source; its right column lands outside the 4-wide frame when put at x 2.
  const uint32_t src[] = {1, 2, 3, 4, 5, 6};
  w.PaintPixels(2, 1, src, 3, 2, RECT{0, 0, 3, 2});
  platform::PumpMessages();
  EXPECT_EQ(w.PresentCount(), before + 1);
  const uint32_t black = 0xFF000000u;
  EXPECT_EQ(w.PresentedFrame(), (std::vector<uint32_t>{black, black, black, black,  //
                                                       black, black, 1, 2,          //
                                                       black, black, 4, 5}));
  // Negative destinations and source areas beyond the source are cut, never read out of bounds.
  w.PaintPixels(-1, -1, src, 3, 2, RECT{0, 0, 30, 20});
  EXPECT_EQ(w.PresentedFrame()[0], 5u);
  EXPECT_EQ(w.PresentedFrame()[1], 6u);
  // Nothing changed: nothing presented.
  platform::PumpMessages();
  const uint64_t after = w.PresentCount();
  platform::PumpMessages();
  EXPECT_EQ(w.PresentCount(), after);
}

TEST_F(HeadlessWindow, MinimisedWindowsWaitForRestoreToPaint) {
  RecordingWindow w;
  ASSERT_TRUE(w.Open(200, 100));
  platform::PumpMessages();
  w.log.clear();
  w.ShowWindow(platform::SW_MINIMIZE);
  EXPECT_TRUE(w.IsIconic());
  w.InvalidateRect(nullptr);
  platform::PumpMessages();
  EXPECT_EQ(Drain(w.log), (std::vector<std::string>{"size 1 0x0"}));
  w.ShowWindow(platform::SW_RESTORE);
  platform::PumpMessages();
  EXPECT_EQ(Drain(w.log), (std::vector<std::string>{"size 0 200x100", "paint"}));

  // Resizing: WM_SIZE with the new size, the frame follows and keeps its old pixels. The
  // window rectangle holds the sizing frame round the client area.
  w.MoveWindow(10, 20, 809, 608);
  EXPECT_EQ(w.FrameWidth(), 801);
  RECT r;
  w.GetWindowRect(&r);
  EXPECT_EQ(r, (RECT{10, 20, 819, 628}));
  platform::PumpMessages();
  EXPECT_EQ(Drain(w.log), (std::vector<std::string>{"size 0 801x600", "paint"}));
}

}  // namespace
