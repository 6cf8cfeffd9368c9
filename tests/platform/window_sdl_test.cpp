// ctest-labels: window tsan
// ctest-split: RunsUnderXvfb RunsUnderXvfbThroughSdlsRenderer
// The SDL2 backend on a real X server: this program runs itself again under xvfb-run. The hand on
// the pointer is XTest's from this program (x_hand.h: each gesture one sequence the server paces);
// another program's requests and the keys are xdotool's.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/clipboard.h"
#include "platform/cursor.h"
#include "platform/diagnostics.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "tests/support/screen_capture.h"
#include "tests/support/sdl_x11_queue.h"
#include "tests/support/x_hand.h"

namespace {

using namespace platform;

bool UnderXvfb() {
  const char* v = std::getenv("ZP_SDL_SMOKE");
  return v && std::string(v) == "1";
}

// Runs the tests below under Xvfb, with the given environment.
void RunInnerTests(const std::string& environment) {
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string log = "sdl_smoke.log";
  // SDL unloads the X libraries it opened at shutdown, and their own allocations then show as
  // leaks from unknown modules (libdbus's too): the leak check is off for the inner run only.
  // The display number starts from the shell's pid, so that servers started at the same moment
  // do not race for one number; -noreset keeps the server from resetting (and refusing
  // connections for a moment) each time its last client leaves.
  // The inner run reads the screen from the file Xvfb keeps it in (drawn without the pointer). It
  // starts no session bus (SDL would start one on the display, with a file in the home folder).
  const std::filesystem::path screen = std::filesystem::current_path() / "fb";
  std::filesystem::create_directories(screen);
  const std::string command =
      "timeout 900 xvfb-run -a -n $((100 + $$ % 800)) -s '-screen 0 1024x768x24 -noreset -nocursor -fbdir " +
      screen.string() + "' env SDL_VIDEODRIVER=x11 ZP_SDL_SMOKE=1 DBUS_SESSION_BUS_ADDRESS=disabled: " + environment +
      " ZP_SCREEN_FILE='" +
      (screen / "Xvfb_screen0").string() +
      "' "
      "ASAN_OPTIONS=detect_leaks=0 '" +
      self + "' --gtest_filter='*UnderX.*' >" + log + " 2>&1";
  const int rc = std::system(command.c_str());
  std::ifstream in(log);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(rc, 0) << text.str();
  EXPECT_NE(text.str().find("[  PASSED  ]"), std::string::npos) << text.str();
  EXPECT_EQ(text.str().find("SKIPPED"), std::string::npos) << text.str();
}

TEST(SdlWindow, RunsUnderXvfb) {
  if (UnderXvfb()) GTEST_SKIP() << "this is the inner run";
  if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "xvfb-run is not installed";
  RunInnerTests("");
}

// The same with frames shown through SDL's renderer, the way where the X server shares no memory.
TEST(SdlWindow, RunsUnderXvfbThroughSdlsRenderer) {
  if (UnderXvfb()) GTEST_SKIP() << "this is the inner run";
  if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "xvfb-run is not installed";
  RunInnerTests("ZP_PRESENT_THROUGH_SDL=1");
}

class SdlWindowUnderX : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UnderXvfb()) GTEST_SKIP() << "runs only under xvfb-run";
    ASSERT_TRUE(HasDisplay());
    ASSERT_TRUE(InitWindowSystem(WindowBackendKind::kAuto));
    ASSERT_EQ(CurrentWindowBackend(), WindowBackendKind::kSdl);
  }
  void TearDown() override { ShutdownWindowSystem(); }
};

class QuitWindow : public Window {
 public:
  int sized = 0;
  intptr_t WindowProc(uint32_t message, uintptr_t wparam, intptr_t lparam) override {
    if (message == WM_USER) PostQuitMessage(static_cast<int>(wparam));
    return Window::WindowProc(message, wparam, lparam);
  }

 protected:
  void OnSize(uint32_t, int, int) override { ++sized; }
};

TEST_F(SdlWindowUnderX, OpensPresentsAndRunsTheLoop) {
  QuitWindow w;
  ASSERT_TRUE(w.CreateEx(CS_DBLCLKS, "冒烟", WS_VISIBLE | WS_THICKFRAME, CW_USEDEFAULT, CW_USEDEFAULT, 320, 240));
  EXPECT_GE(w.sized, 1);
  std::vector<uint32_t> pixels(320 * 240, 0xFF336699u);
  w.PaintPixels(0, 0, pixels.data(), 320, 240, RECT{0, 0, 320, 240});
  PumpMessages();
  EXPECT_GE(w.PresentCount(), 1u);

  // A message posted from another thread wakes the waiting loop.
  std::thread other([&] { w.PostMessage(WM_USER, 7, 0); });
  EXPECT_EQ(RunMessageLoop(), 7);
  other.join();

  // A timer fires from the loop.
  w.SetTimer(19840323, 5, [](Window*, uint32_t id) { PostQuitMessage(static_cast<int>(id % 100)); });
  EXPECT_EQ(RunMessageLoop(), 23);
  w.KillTimer(19840323);
}

TEST_F(SdlWindowUnderX, PointerCursorAndClipboard) {
  QuitWindow w;
  ASSERT_TRUE(w.CreateEx(0, "pointer", WS_VISIBLE, 100, 100, 200, 150));
  PumpMessages();
  ASSERT_TRUE(SetCursorPos(150, 160));
  POINT p;
  ASSERT_TRUE(GetCursorPos(&p));
  EXPECT_EQ(p, (POINT{150, 160}));

  EXPECT_EQ(SetCursor(LoadCursorA(nullptr, IDC_HAND)), nullptr);
  EXPECT_EQ(ShowCursor(false), -1);
  EXPECT_EQ(ShowCursor(true), 0);
  PumpMessages();

  ASSERT_TRUE(SetClipboardText("复制 text"));
  EXPECT_EQ(GetClipboardText(), "复制 text");
}

std::vector<uint32_t> Noise(std::mt19937& random, int width, int height) {
  std::vector<uint32_t> block(static_cast<size_t>(width) * height);
  for (auto& p : block) p = 0xFF000000u | (random() & 0xFFFFFF);
  return block;
}

// Pixels where the screen at the window's client area differs from the window's frame, once the
// display has carried out every present; -1 when the screen cannot be read or holds no such area.
int DifferingFromScreen(const Window& w) {
  GdiFlush();
  const char* screen_file = std::getenv("ZP_SCREEN_FILE");
  test::Picture screen;
  POINT origin{0, 0};
  if (!screen_file || !test::ReadXwdScreen(screen_file, &screen) || !w.ClientToScreen(&origin)) return -1;
  const int width = w.FrameWidth(), height = w.FrameHeight();
  if (origin.x + width > screen.width || origin.y + height > screen.height) return -1;
  int differing = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      differing += screen.At(origin.x + x, origin.y + y) != (w.PresentedFrame()[y * width + x] & 0xFFFFFFu);
  return differing;
}

// The window shows each change by its changed area alone; what the screen then holds at the
// window's place must be the window's whole frame, as a present of all of it would leave it.
TEST_F(SdlWindowUnderX, AfterRandomPaintsTheScreenHoldsTheWholeFrame) {
  QuitWindow w;
  ASSERT_TRUE(w.CreateEx(0, "partial", WS_VISIBLE, 40, 30, 320, 240));
  std::mt19937 random(29);
  const std::vector<uint32_t> first = Noise(random, 320, 240);
  w.PaintPixels(0, 0, first.data(), 320, 240, RECT{0, 0, 320, 240});
  PumpMessages();
  for (int step = 0; step < 40; ++step) {
    for (int area = static_cast<int>(random() % 3); area >= 0; --area) {
      // Blocks of noise, now and then past the window's edges.
      const int width = 1 + static_cast<int>(random() % 60), height = 1 + static_cast<int>(random() % 40);
      const std::vector<uint32_t> block = Noise(random, width, height);
      w.PaintPixels(static_cast<int>(random() % 340) - 10, static_cast<int>(random() % 260) - 10, block.data(), width,
                    height, RECT{0, 0, width, height});
    }
    PumpMessages();
    if (step % 8 == 7) {
      ASSERT_EQ(DifferingFromScreen(w), 0) << "step " << step;
    }
  }
}

// Each new size is shown whole (through an image of the new size where frames go through shared
// memory), and the changes after it by their areas.
TEST_F(SdlWindowUnderX, AfterEachResizeTheScreenHoldsTheWholeNewFrame) {
  QuitWindow w;
  ASSERT_TRUE(w.CreateEx(0, "resized", WS_POPUP | WS_VISIBLE, 40, 30, 320, 240));
  std::mt19937 random(31);
  const int sizes[][2] = {{400, 300}, {200, 150}, {360, 280}};
  for (const auto& [width, height] : sizes) {
    ASSERT_TRUE(w.MoveWindow(40, 30, width, height));
    const std::vector<uint32_t> whole = Noise(random, width, height);
    w.PaintPixels(0, 0, whole.data(), width, height, RECT{0, 0, width, height});
    PumpMessages();
    const std::vector<uint32_t> block = Noise(random, 50, 40);
    w.PaintPixels(width - 60, height - 50, block.data(), 50, 40, RECT{0, 0, 50, 40});
    PumpMessages();
    ASSERT_EQ(w.FrameWidth(), width);
    ASSERT_EQ(w.FrameHeight(), height);
    EXPECT_EQ(DifferingFromScreen(w), 0) << width << " x " << height;
  }
}

// One line says how frames reach the screen, however many windows open.
TEST_F(SdlWindowUnderX, SaysOnceHowFramesAreShown) {
  std::vector<std::string> lines;
  const ProblemSink previous = SetProblemSink([&](const std::string& line) { lines.push_back(line); });
  QuitWindow first, second;
  const bool opened = first.CreateEx(0, "one", WS_VISIBLE, 0, 0, 100, 80) &&
                      second.CreateEx(0, "two", WS_VISIBLE, 120, 0, 100, 80);
  SetProblemSink(previous);
  ASSERT_TRUE(opened);
  const std::string expected = std::getenv("ZP_PRESENT_THROUGH_SDL")
                                   ? "SDL window: frames go through SDL's software renderer (ZP_PRESENT_THROUGH_SDL is set)"
                                   : "SDL window: frames go to the X server through shared memory";
  EXPECT_EQ(lines, std::vector<std::string>{expected});
}

// Another program's request, through xdotool (which has done it once it returns).
void ByAnotherProgram(const std::string& xdotool_arguments) {
  ASSERT_EQ(std::system(("xdotool " + xdotool_arguments).c_str()), 0) << xdotool_arguments;
}

// Ends the loop with 99 should what the test waits for not come within a generous time.
void Deadline(Window& w) {
  w.SetTimer(77, 30000, [](Window*, uint32_t) { PostQuitMessage(99); });
}

bool Said(const std::vector<std::string>& lines, const std::string& part) {
  for (const std::string& line : lines)
    if (line.find(part) != std::string::npos) return true;
  return false;
}

// A hidden window that another program destroys: no request of the program meets it (nothing is
// shown or unmapped), so only the server's word of its destruction tells; the loop ends with 1.
// Closed then, it leaves nothing behind in the X connection's queue (SDL, which hides only a
// window it believes shown, did not wait for the unmapping put there for a gone window).
TEST_F(SdlWindowUnderX, AHiddenWindowThatAnotherProgramDestroysEndsTheLoop) {
  std::vector<std::string> lines;
  const ProblemSink previous = SetProblemSink([&](const std::string& line) { lines.push_back(line); });
  QuitWindow w;
  ASSERT_TRUE(w.CreateEx(0, "idle-gone", 0, 40, 30, 200, 150));
  PumpMessages();
  ByAnotherProgram("search --name '^idle-gone$' windowclose");
  Deadline(w);
  EXPECT_EQ(RunMessageLoop(), 1);
  SetProblemSink(previous);
  EXPECT_TRUE(Said(lines, "another program destroyed the window"));
  QuitWindow other;
  ASSERT_TRUE(other.CreateEx(0, "other", WS_VISIBLE, 300, 30, 100, 80));
  w.DestroyWindow();
  EXPECT_EQ(test::TakeUnsentUnmappings(), 0);
}

// Another program destroys the window just before the program closes it: the server's errors for
// the closing requests come back while the window is still watched, and the program goes on.
TEST_F(SdlWindowUnderX, AWindowAnotherProgramDestroyedJustBeforeTheProgramClosesItClosesQuietly) {
  QuitWindow w;
  ASSERT_TRUE(w.CreateEx(0, "closing-gone", WS_VISIBLE, 40, 30, 200, 150));
  PumpMessages();
  ByAnotherProgram("search --name '^closing-gone$' windowclose");
  w.DestroyWindow();
  QuitWindow next;
  ASSERT_TRUE(next.CreateEx(0, "next", WS_VISIBLE, 40, 30, 200, 150));
  next.PostMessage(WM_USER, 7, 0);
  EXPECT_EQ(RunMessageLoop(), 7);
}

// An error about the window that comes back while the first shared image is attached (another
// program destroyed the window) marks the window gone; it is no refusal of shared memory. (Through
// SDL's renderer, the window is found gone all the same.)
TEST_F(SdlWindowUnderX, AnErrorAboutTheWindowWhileTheSharedImageIsAttachedIsNoRefusalOfSharedMemory) {
  std::vector<std::string> lines;
  const ProblemSink previous = SetProblemSink([&](const std::string& line) { lines.push_back(line); });
  QuitWindow w;
  ASSERT_TRUE(w.CreateEx(0, "attach-gone", WS_VISIBLE, 40, 30, 200, 150));
  ByAnotherProgram("search --name '^attach-gone$' windowclose");
  w.SetWindowText("attach-gone again");  // its error is on its way when the first frame comes
  std::vector<uint32_t> pixels(200 * 150, 0xFF336699u);
  w.PaintPixels(0, 0, pixels.data(), 200, 150, RECT{0, 0, 200, 150});
  w.PresentNow();
  Deadline(w);
  EXPECT_EQ(RunMessageLoop(), 1);
  SetProblemSink(previous);
  EXPECT_FALSE(Said(lines, "could not be made"));
}

// Notes its left and right buttons' messages, and captures the pointer from a press to its release
// (as the engine's window does); hides at its first press, or moves 460 pixels right and down at a
// double click (as the title strip switches the window), when asked.
class ClickWindow : public Window {
 public:
  std::vector<std::string> log;
  bool hide_at_press = false;
  bool move_at_double = false;
  bool capture = true;  // captures the pointer at a press
  uint32_t move_flags = 0;          // the button flags of the latest move
  std::vector<POINT> moved_to;      // where each move put the pointer on the screen

 protected:
  void OnMouseMove(uint32_t flags, POINT) override {
    move_flags = flags;
    moved_to.emplace_back();
    GetMessagePos(&moved_to.back());
  }
  void OnLButtonDown(uint32_t, POINT) override {
    log.push_back("down");
    if (capture) SetCapture();
    if (hide_at_press) ShowWindow(SW_HIDE);
  }
  void OnLButtonUp(uint32_t, POINT) override {
    log.push_back("up");
    ReleaseCapture();
  }
  void OnRButtonDown(uint32_t flags, POINT at) override { OnLButtonDown(flags, at); }
  void OnRButtonUp(uint32_t flags, POINT at) override { OnLButtonUp(flags, at); }
  void OnRButtonDblClk(uint32_t flags, POINT at) override { OnLButtonDblClk(flags, at); }
  void OnMButtonDown(uint32_t flags, POINT at) override { OnLButtonDown(flags, at); }
  void OnMButtonUp(uint32_t flags, POINT at) override { OnLButtonUp(flags, at); }
  void OnMButtonDblClk(uint32_t flags, POINT at) override { OnLButtonDblClk(flags, at); }
  void OnLButtonDblClk(uint32_t, POINT) override {
    log.push_back("double");
    if (!move_at_double) return;
    RECT at{};
    GetWindowRect(&at);
    MoveWindow(at.left + 460, at.top + 460, at.right - at.left, at.bottom - at.top);
  }
};

// Tests run with the left button, the right one and the middle one: the button's number to
// xdotool, its MK_ flag.
struct Button {
  const char* x;
  uint32_t flag;
  const char* name;
};
class SdlButtonUnderX : public SdlWindowUnderX, public ::testing::WithParamInterface<Button> {
 protected:
  std::string Down() const { return std::string(" mousedown ") + GetParam().x + " "; }
  std::string Up() const { return std::string(" mouseup ") + GetParam().x + " "; }
};
INSTANTIATE_TEST_SUITE_P(Buttons, SdlButtonUnderX,
                         ::testing::Values(Button{"1", MK_LBUTTON, "Left"}, Button{"3", MK_RBUTTON, "Right"},
                                           Button{"2", MK_MBUTTON, "Middle"}),
                         [](const ::testing::TestParamInfo<Button>& info) { return std::string(info.param.name); });

// The hand (a click holding the button 80 ms) while the program is busy, then the program takes
// what the hand did.
void ByHandThenTaken(const std::string& gesture) {
  static test::XHand hand;
  std::string error;
  ASSERT_TRUE(hand.Do(gesture, &error)) << error;
  POINT pointer;
  GetCursorPos(&pointer);  // a round trip to the server: every event it made is in by then
  PumpMessages();
}

// A double click is two presses of one window made soon one after the other (by the server's
// stamps, however late the program takes them) at one place of the screen, with no drag between.
TEST_F(SdlWindowUnderX, ADoubleClickIsTwoPressesOfOneWindowMadeSoonAtOnePlaceWithNoDragBetween) {
  ClickWindow under, popup;
  ASSERT_TRUE(under.CreateEx(CS_DBLCLKS, "under", WS_POPUP | WS_VISIBLE, 40, 30, 400, 300));
  ASSERT_TRUE(popup.CreateEx(CS_DBLCLKS, "popup", WS_POPUP | WS_VISIBLE, 300, 200, 100, 80));
  popup.hide_at_press = true;
  PumpMessages();
  const std::string click = " mousedown 1 sleep 0.08 mouseup 1";
  const std::vector<std::string> twice{"down", "up", "double", "up"}, two{"down", "up", "down", "up"};
  ByHandThenTaken("mousemove 100 100" + click + " sleep 0.15" + click);
  EXPECT_EQ(under.log, twice) << "a double click";
  under.log.clear();
  ByHandThenTaken("mousemove 150 100" + click + " sleep 0.7" + click);
  EXPECT_EQ(under.log, two) << "two clicks 0.7 s apart";
  under.log.clear();
  ByHandThenTaken(
      "mousemove 200 100 mousedown 1 sleep 0.03 mousemove 205 100 sleep 0.03 mousemove 210 100 sleep 0.03 "
      "mousemove 205 100 sleep 0.03 mousemove 200 100 sleep 0.03 mouseup 1 sleep 0.15" + click);
  EXPECT_EQ(under.log, two) << "a drag there and back, then a click";
  under.log.clear();
  // The popup hides at its press; the next press, at the same place, goes to the window under it.
  ByHandThenTaken("mousemove 320 220" + click);
  ByHandThenTaken("sleep 0.1" + click);
  EXPECT_EQ(popup.log, (std::vector<std::string>{"down", "up"}));
  EXPECT_EQ(under.log, (std::vector<std::string>{"down", "up"})) << "a click on a popup, then on the window under it";
}

// A window busy when the hand lets go keeps the pointer captured until it takes the release: a
// click made meanwhile off the window comes to it, but was meant for what lies under the pointer.
TEST_F(SdlWindowUnderX, AClickOffTheWindowThatCameThroughACaptureLetGoLateIsNotTheWindows) {
  ClickWindow w;
  ASSERT_TRUE(w.CreateEx(CS_DBLCLKS, "busy", WS_POPUP | WS_VISIBLE, 40, 30, 400, 300));
  PumpMessages();
  ByHandThenTaken("mousemove 100 100 mousedown 1");
  ASSERT_EQ(Window::GetCapture(), &w);
  ByHandThenTaken("sleep 0.08 mouseup 1 mousemove 600 500 sleep 0.15 mousedown 1 sleep 0.08 mouseup 1");
  EXPECT_EQ(w.log, (std::vector<std::string>{"down", "up"}));
  EXPECT_EQ(Window::GetCapture(), nullptr);
}

// The press off the window that came through a capture let go late has its release made after
// the window let go: that release goes to what lies under the pointer, never to the window. The
// next click on the window is a click all the same.
TEST_P(SdlButtonUnderX, AClickOnTheWindowAfterAStrayPressWhoseReleaseWentElsewhereIsAClick) {
  ClickWindow w;
  ASSERT_TRUE(w.CreateEx(CS_DBLCLKS, "stray", WS_POPUP | WS_VISIBLE, 40, 30, 400, 300));
  PumpMessages();
  ByHandThenTaken("mousemove 100 100" + Down());
  ASSERT_EQ(Window::GetCapture(), &w);
  // Busy meanwhile: the hand lets go, goes off the window and presses there.
  ByHandThenTaken("sleep 0.08" + Up() + "sleep 0.05 mousemove 300 250 sleep 0.05 mousemove 500 400 sleep 0.05 "
                  "mousemove 600 500 sleep 0.15" + Down());
  ASSERT_EQ(w.log, (std::vector<std::string>{"down", "up"}));
  ASSERT_EQ(Window::GetCapture(), nullptr);
  ByHandThenTaken("sleep 0.08" + Up());
  ByHandThenTaken("sleep 0.15 mousemove 500 400 sleep 0.05 mousemove 300 250 sleep 0.05 mousemove 200 150 "
                  "sleep 0.05" + Down() + "sleep 0.08" + Up());
  EXPECT_EQ(w.log, (std::vector<std::string>{"down", "up", "down", "up"})) << "the next click on the window";
  EXPECT_EQ(test::SdlButtonsHeld(), 0u);
}

// A drag the busy window hears in one turn, let go off it (the pointer left it before the window
// captured it): the window hears the release wherever the hand let go, and lets the pointer go.
TEST_F(SdlWindowUnderX, ADragHeardInOneTurnAndLetGoOffTheWindowEndsThere) {
  ClickWindow w, other;
  ASSERT_TRUE(w.CreateEx(CS_DBLCLKS, "dragged", WS_POPUP | WS_VISIBLE, 40, 30, 400, 300));
  ASSERT_TRUE(other.CreateEx(CS_DBLCLKS, "other", WS_POPUP | WS_VISIBLE, 500, 30, 300, 200));
  PumpMessages();
  const struct {
    const char* where;
    int x;  // where the hand lets go, at y 100
  } cases[] = {{"off the windows", 10}, {"on another window of the program's", 600}};
  for (const auto& c : cases) {
    w.log.clear();
    std::string moves = "mousemove 200 100 mousedown 1";
    for (int i = 1; i <= 4; ++i) moves += " sleep 0.03 mousemove " + std::to_string(200 + (c.x - 200) * i / 4) + " 100";
    ByHandThenTaken(moves + " sleep 0.05 mouseup 1");
    EXPECT_EQ(w.log, (std::vector<std::string>{"down", "up"})) << c.where;
    EXPECT_EQ(other.log, std::vector<std::string>{}) << c.where;
    EXPECT_EQ(Window::GetCapture(), nullptr) << c.where;
    EXPECT_FALSE(test::PointerGrabbed()) << c.where;
    ByHandThenTaken("sleep 0.4");  // no double click with the next row's press
  }
}

// The second press of a triple click moves the window away; the third, made before the window
// took the second's release, lands off it. Nothing holds the pointer after the hand lets go: a
// press and release off the window go to what lies there, and no button is left held.
TEST_P(SdlButtonUnderX, ATripleClickWhoseSecondPressMovesTheWindowAwayLeavesNoCaptureAndNoButtonHeld) {
  ClickWindow w;
  w.move_at_double = true;
  ASSERT_TRUE(w.CreateEx(CS_DBLCLKS, "switched", WS_POPUP | WS_VISIBLE, 40, 30, 400, 300));
  PumpMessages();
  // The window takes each step of the first click and the second press as it comes.
  ByHandThenTaken("mousemove 100 100" + Down() + "sleep 0.08" + Up());
  ByHandThenTaken("sleep 0.1" + Down());
  ASSERT_EQ(w.log, (std::vector<std::string>{"down", "up", "double"}));
  ByHandThenTaken("sleep 0.08" + Up() + "sleep 0.15" + Down());
  ByHandThenTaken("sleep 0.08" + Up());
  ByHandThenTaken("sleep 0.2 mousemove 150 150 sleep 0.05 mousemove 200 200 sleep 0.05" + Down() + "sleep 0.08" + Up());
  EXPECT_EQ(w.log, (std::vector<std::string>{"down", "up", "double"}));
  EXPECT_EQ(Window::GetCapture(), nullptr);
  EXPECT_FALSE(test::PointerGrabbed());
  EXPECT_EQ(test::SdlButtonsHeld(), 0u);
  // Over the window again, the pointer moves with no button held.
  ByHandThenTaken("sleep 0.1 mousemove 560 560 sleep 0.05 mousemove 600 600");
  EXPECT_EQ(w.move_flags & GetParam().flag, 0u);
}

// A button held through a move, the window taking each step as it comes: the server's word with
// each move (which buttons it has down) keeps the button held in the moves' flags, and its
// release clears it.
TEST_P(SdlButtonUnderX, AButtonHeldThroughAMoveIsHeldInTheMovesFlagsUntilItsRelease) {
  ClickWindow w;
  ASSERT_TRUE(w.CreateEx(CS_DBLCLKS, "held", WS_POPUP | WS_VISIBLE, 40, 30, 400, 300));
  PumpMessages();
  ByHandThenTaken("mousemove 100 100" + Down());
  for (const int x : {110, 120, 130}) {
    ByHandThenTaken("sleep 0.03 mousemove " + std::to_string(x) + " 110");
    EXPECT_NE(w.move_flags & GetParam().flag, 0u) << x;
  }
  ByHandThenTaken("sleep 0.03" + Up() + "sleep 0.05 mousemove 150 120");
  EXPECT_EQ(w.move_flags & GetParam().flag, 0u);
  EXPECT_EQ(w.log, (std::vector<std::string>{"down", "up"}));
}

// A button held on the window, which the program moves away from under the still pointer before
// it captures it (a double click's switch taken late): the move the system makes of the pointer's
// leaving is where the pointer stands, not a point of the window at its new place (SDL pulls the
// leaving's point inside the window).
TEST_P(SdlButtonUnderX, AWindowMovedAwayFromAStillPointerSeesThePointerWhereItStands) {
  ClickWindow w;
  w.capture = false;
  ASSERT_TRUE(w.CreateEx(CS_DBLCLKS, "left", WS_POPUP | WS_VISIBLE, 40, 30, 400, 300));
  PumpMessages();
  ByHandThenTaken("mousemove 100 100" + Down());
  w.moved_to.clear();
  w.MoveWindow(540, 430, 400, 300);
  ByHandThenTaken("sleep 0.05");
  ASSERT_FALSE(w.moved_to.empty());
  for (const POINT& at : w.moved_to) EXPECT_TRUE(at.x == 100 && at.y == 100) << at.x << ' ' << at.y;
  ByHandThenTaken("sleep 0.03" + Up());
}

class KeyWindow : public Window {
 public:
  std::vector<std::string> log;

 protected:
  void OnSetFocus() override { log.push_back("setfocus"); }
  void OnKillFocus() override { log.push_back("killfocus"); }
  void OnChar(uint32_t ch, uint32_t, uint32_t) override {
    log.push_back(std::string("char ") + static_cast<char>(ch));
    PostQuitMessage(static_cast<int>(ch));
  }
};

// With the keyboard focus on the root (PointerRoot, window 1 to xdotool), keys go to the window
// under the pointer: SDL does not count that as focus, but the keys make the window the focus
// window, which hears so before them.
TEST_F(SdlWindowUnderX, KeysThatReachAWindowUnderThePointerGiveItTheFocus) {
  KeyWindow w;
  ASSERT_TRUE(w.CreateEx(0, "keys", WS_VISIBLE, 40, 30, 200, 150));
  PumpMessages();
  ByAnotherProgram("mousemove 100 100 windowfocus 1 key a");
  Deadline(w);
  EXPECT_EQ(RunMessageLoop(), 'a');
  ASSERT_GE(w.log.size(), 2u);
  EXPECT_EQ(w.log[w.log.size() - 2], "setfocus");
  EXPECT_EQ(w.log.back(), "char a");
}

// What an X tool printed.
std::string Tool(const std::string& command) {
  FILE* out = popen((command + " 2>&1").c_str(), "r");
  std::string text;
  char buffer[256];
  for (size_t got; out != nullptr && (got = fread(buffer, 1, sizeof buffer, out)) > 0;) text.append(buffer, got);
  if (out != nullptr) pclose(out);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// The number after `name` in an X tool's output; -1 when it is not there.
long NumberAfter(const std::string& text, const std::string& name) {
  const size_t at = text.find(name);
  return at == std::string::npos ? -1 : std::strtol(text.c_str() + at + name.size(), nullptr, 0);
}

// A message box shown while the program has a window belongs to it (transient for it); a text far
// too long for the screen leaves the box, and so its buttons, within the work area (the whole
// 1024 x 768 screen, or a work area narrower than the box's widest wrap). Another program that
// destroys it closes it as its way out does.
TEST_F(SdlWindowUnderX, AMessageBoxBelongsToTheWindowAndStaysOnTheScreenWhateverItsText) {
  const struct {
    long x, y, width, height;
    bool said;  // whether the desktop says the work area (_NET_WORKAREA)
  } kAreas[] = {
      {0, 0, 1024, 768, false},
      {100, 20, 300, 700, true},
  };
  for (const auto& area : kAreas) {
    SCOPED_TRACE(area.width);
    if (area.said) {
      Tool("xprop -root -f _NET_WORKAREA 32c -set _NET_WORKAREA '" + std::to_string(area.x) + ", " +
           std::to_string(area.y) + ", " + std::to_string(area.width) + ", " + std::to_string(area.height) + "'");
    }
    std::vector<std::string> lines;
    const ProblemSink previous = SetProblemSink([&](const std::string& line) { lines.push_back(line); });
    QuitWindow w;
    ASSERT_TRUE(w.CreateEx(0, "box-owner", WS_VISIBLE, 140, 30, 200, 200));
    PumpMessages();
    // Lines too wide for any screen, then too many.
    std::string text = std::string(3000, 'x');
    for (int line = 0; line < 200; ++line) text += "\n第" + std::to_string(line) + "行";
    std::string owner, transient, geometry;
    std::thread other([&] {
      const std::string box = Tool("timeout 60 xdotool search --sync --onlyvisible --name '^long-box$' | head -n 1");
      owner = Tool("xdotool search --name '^box-owner$' | head -n 1");
      transient = Tool("xprop -id " + box + " WM_TRANSIENT_FOR");
      geometry = Tool("xwininfo -id " + box);
      Tool("xdotool windowclose " + box);
    });
    const int answer = MessageBoxA(text.c_str(), "long-box", MB_OK);
    other.join();
    SetProblemSink(previous);
    w.DestroyWindow();
    PumpMessages();
    if (area.said) Tool("xprop -root -remove _NET_WORKAREA");
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(NumberAfter(transient, "window id # "), std::strtol(owner.c_str(), nullptr, 10)) << transient;
    const long x = NumberAfter(geometry, "Absolute upper-left X:"), y = NumberAfter(geometry, "Absolute upper-left Y:");
    EXPECT_GE(x, area.x) << geometry;
    EXPECT_GE(y, area.y) << geometry;
    EXPECT_LE(x + NumberAfter(geometry, "Width:"), area.x + area.width) << geometry;
    EXPECT_LE(y + NumberAfter(geometry, "Height:"), area.y + area.height) << geometry;
    // The log line holds the text whole.
    EXPECT_TRUE(Said(lines, std::string(3000, 'x'))) << "the log line holds the whole text";
  }
}

}  // namespace
