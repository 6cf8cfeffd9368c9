// ctest-labels: window frame
// ctest-split: MaximiseRestoreDragMinimiseAndCloseShowTheFramePixelForPixel
// ctest-split: TheChatLineTakesKeysAgainWhenTheWindowIsActivatedAgain
// ctest-split: TheGrabbedPointOfTheTitleStaysUnderThePointerFromWhereverTheWindowStands
// ctest-split: ClicksAndPullsOfTheTitleAtAHandsPace ADragLetGoWhileTheClientIsBusyEndsWhereItWasLetGo
// ctest-split: AMaximisedWindowFollowsTheWorkAreaAndComesBackToItsPlaceInsideIt
// ctest-split: AMaximisedWindowFillsTheScreenAsItIsNowAndARestoredOneStaysInsideIt
// ctest-split: ADestroyedWindowOrALostDisplayEndsTheClientWithItsSettingsSaved
// ctest-split: AWindowManagerStartedAfterTheClientDrawsNoFrameAroundTheWindow
// The game window on a real X server (Xvfb, 1280 x 1024), once on its own and once under a window
// manager (openbox), driven as a user would: the pointer and the left button through the server
// (XTest: each gesture one sequence that the server paces, so a double click is one however busy
// the machine), at a hand's pace (a click holds the button 80 ms), the client running meanwhile
// unless it is held at its report. The window starts maximised on the work area; a double click
// on the title strip restores it to its smallest size at its restored place, the fit button
// maximises it again, a drag by the title strip of the maximised window restores it under the
// pointer, a drag moves the restored window, the minimise button hands it to the window manager (with none, it
// stays) and the task bar's request brings it back; a size the window system imposes is laid out
// as it is; the close button closes it; double and triple clicks switch the window once, and
// pulls and clicks in quick succession are told apart as a desktop tells them.
// After each step the X window stands where and as large as the frame asked, and the screen shows
// exactly the frame the client presented (the part of it on the screen). The title and the icon
// that task bars show are the window's own. A window another program destroys ends the client,
// with no window manager and under xfwm4. A busy client is one stopped (SIGSTOP) a moment. On a
// screen that RANDR makes larger and smaller (Xephyr), the maximised window follows it.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <utility>

#include "app/skin-gen/skin_inventory.h"
#include "tests/support/screen_capture.h"
#include "tests/support/xvfb_run.h"

namespace {

namespace fs = std::filesystem;
using test::XvfbSession;

struct Place {
  int x, y, width, height;
};

// The screen x of the title strip's window button k (0 close, 1 fit, 2 minimise): they stand
// right to left from 4 pixels inside the right edge, each as wide as its picture in the skin.
int ButtonX(const Place& p, int k) {
  int x = p.x + p.width - 4;
  for (int i = 0; i <= k; ++i) {
    const char* name = i == 0 ? "btnFrameClose" : i == 1 ? "btnFrameFit" : "btnFrameMin";
    for (const skin::PictureRow& row : skin::kPictures)
      if (std::string(row.name) == name) x -= i < k ? row.width : row.width / 2;
  }
  return x;
}
constexpr int kClose = 0, kFit = 1, kMinimise = 2;
// The middle of the title strip.
int StripY(const Place& p) { return p.y + 13; }

std::string Describe(const Place& p) {
  std::ostringstream s;
  s << "shown " << p.x << ' ' << p.y << ' ' << p.width << ' ' << p.height;
  return s.str();
}

class GameWindow : public ::testing::TestWithParam<bool> {
 protected:
  bool WithWindowManager() const { return GetParam(); }
  // A screen RANDR can make larger or smaller, with no work area said where no manager runs.
  virtual bool ResizableScreen() const { return false; }

  void SetUp() override {
    const std::string window_manager = WithWindowManager() ? "openbox" : "";
    if (!XvfbSession::Available(window_manager, ResizableScreen()))
      GTEST_SKIP() << "Xvfb, Xephyr, xrandr or openbox is not installed";
    std::string error;
    ASSERT_TRUE(session_.Start(fs::current_path() / "x", {1280, 1024, window_manager, ResizableScreen()}, &error))
        << error;
    // Alone, the screen gets a panel's worth of work area from the test; openbox says its own.
    const bool panel = !WithWindowManager() && !ResizableScreen();
    if (panel) session_.X("xprop -root -f _NET_WORKAREA 32c -set _NET_WORKAREA 0,40,1280,984");
    work_area_ = panel ? Place{0, 40, 1280, 984} : Place{0, 0, 1280, 1024};
    const fs::path client = fs::path(ZP_BINARY_DIR) / "app" / "zipai-client";
    ASSERT_TRUE(session_.Launch("'" + client.native() + "' --report --screenshot shown.png 2>client.log", &error))
        << error;
  }

  // Waits until the client reports the window at `want` (or minimised), the X server has it there
  // too, and the screen at its place holds exactly the frame the client presented; the client goes
  // on after each report that is not yet so. A step that does not come to pass fails the test at
  // once (fatally), and every step after it returns at once.
  void Expect(const char* step, const Place* want) {
    if (HasFatalFailure()) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    std::string seen;
    for (;; session_.Answer()) {
      const int left = static_cast<int>(
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count());
      std::string line;
      if (left <= 0 || !session_.NextLine(&line, left)) {
        FAIL() << step << ": last seen " << seen << "\n" << test::ReadTextFile(session_.work() / "client.log");
      }
      const XvfbSession::Geometry g = session_.ClientGeometry();
      seen = line + "; the X window " + (g.viewable ? "" : "not shown ") + Describe({g.x, g.y, g.width, g.height});
      if (want == nullptr) {
        if (line == "minimised" && g.found && !g.viewable) return;
        continue;
      }
      if (line != Describe(*want) || !g.viewable || g.x != want->x || g.y != want->y || g.width != want->width ||
          g.height != want->height)
        continue;
      test::XvfbShot shot{{}, {}, want->x, want->y, want->width, want->height};
      if (test::ReadClientPng(session_.work() / "shown.png", &shot.shown) && session_.Screen(&shot.screen) &&
          shot.shown.width == want->width && shot.shown.height == want->height && shot.DifferingPixels() == 0)
        return;
      seen += "; the screen differs from the frame";
    }
  }

  // The client goes on from its last report (the hand's moves wait for it), then as Expect.
  void Then(const char* step, const Place* want) {
    session_.Answer();
    Expect(step, want);
  }

  // Clicks the close button; the client ends well and its window is gone.
  void CloseAt(const Place& p) {
    if (HasFatalFailure()) return;
    Click(ButtonX(p, kClose), StripY(p));
    session_.Answer();
    EXPECT_EQ(session_.WaitForExit(120000), 0) << test::ReadTextFile(session_.work() / "client.log");
    EXPECT_FALSE(session_.ClientGeometry().found);
  }

  // The user's hand, through the X server: a click holds the button 80 ms, 150 ms between clicks.
  static constexpr const char* kHold = "sleep 0.08 ";
  static constexpr const char* kBetween = "sleep 0.15 ";
  // What follows the first press of `count` clicks: `between` (a sleep) from each release to the
  // next press.
  static std::string AfterFirstPress(int count, const std::string& between = kBetween) {
    std::string moves = std::string(kHold) + "mouseup 1 ";
    for (int i = 1; i < count; ++i) moves += between + "mousedown 1 " + kHold + "mouseup 1 ";
    return moves;
  }
  static std::string Clicks(int x, int y, int count, const std::string& between = kBetween) {
    return "mousemove " + At(x, y) + " mousedown 1 " + AfterFirstPress(count, between);
  }
  // A click while the client waits at its report.
  void Click(int x, int y) { Hand(Clicks(x, y, 1)); }
  // Presses at (x, y) and does `rest` (which lets go), one gesture, the client let go on from its
  // report as soon as the gesture is on its way (it reports nothing while the button is held, nor
  // within the double-click time of a press or release) and taking each step as it comes; then as
  // Expect. Nothing of the test's own comes between the press and the rest: a double click is one
  // however slowly the test is run. Given another line once the hand is done, the client must
  // report the same again: nothing it took late changed the window.
  void WhileRunning(int x, int y, const std::string& rest, const char* step, const Place* want) {
    Hand("mousemove " + At(x, y) + " mousedown 1 " + rest, [this] { session_.Answer(); });
    Expect(step, want);
    Then(step, want);
  }
  // `count` clicks at (x, y), the client running.
  void ClicksWhileRunning(int x, int y, int count, const char* step, const Place* want) {
    WhileRunning(x, y, AfterFirstPress(count), step, want);
  }
  // Goes to (to_x, to_y) in ten steps 60 ms apart (the first five straight down, the rest across
  // too) and lets go, the client running; then as Expect.
  void SlowDrag(int x, int y, int to_x, int to_y, const char* step, const Place* want) {
    std::string moves;
    for (int i = 1; i <= 10; ++i)
      moves += "sleep 0.06 mousemove " + At(x + (to_x - x) * std::max(0, i - 5) / 5, y + (to_y - y) * i / 10) + " ";
    WhileRunning(x, y, moves + "mouseup 1", step, want);
  }
  // Moves `steps` times by (dx, dy), `pause` seconds apart, and lets go a moment later.
  static std::string Pull(int x, int y, int dx, int dy, int steps, const char* pause) {
    std::string moves;
    for (int i = 1; i <= steps; ++i)
      moves += std::string("sleep ") + pause + " mousemove " + At(x + dx * i, y + dy * i) + " ";
    return moves + "sleep 0.05 mouseup 1";
  }
  // Presses at (x, y), pulls as Pull says, the client running; then as Expect.
  void PacedDrag(int x, int y, int dx, int dy, int steps, const char* pause, const char* step, const Place* want) {
    WhileRunning(x, y, Pull(x, y, dx, dy, steps, pause), step, want);
  }
  // From (x, y) to (to_x, to_y) in four steps 30 ms apart, the button as it is.
  static std::string Steps(int x, int y, int to_x, int to_y) {
    std::string moves;
    for (int i = 1; i <= 4; ++i)
      moves += "sleep 0.03 mousemove " + At(x + (to_x - x) * i / 4, y + (to_y - y) * i / 4) + " ";
    return moves;
  }
  // Whether the X server has the window at `want` within a minute (the client, not reporting
  // while a button is held, moves it meanwhile).
  bool StandsAt(const Place& want) {
    for (const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
         std::chrono::steady_clock::now() < until;) {
      const XvfbSession::Geometry g = session_.ClientGeometry();
      if (g.x == want.x && g.y == want.y && g.width == want.width && g.height == want.height) return true;
    }
    return false;
  }
  // The hand's gesture, one sequence (nothing once a step has failed).
  void Hand(const std::string& moves, const std::function<void()>& meanwhile = {}) {
    if (HasFatalFailure()) return;
    ASSERT_TRUE(session_.Hand(moves, meanwhile)) << moves;
  }
  // xdotool's keys and window requests (nothing once a step has failed).
  void Xdotool(const std::string& arguments) {
    if (!HasFatalFailure()) session_.X("xdotool " + arguments);
  }
  static std::string At(int x, int y) { return std::to_string(x) + " " + std::to_string(y); }

  XvfbSession session_;
  Place work_area_{};
};

TEST_P(GameWindow, MaximiseRestoreDragMinimiseAndCloseShowTheFramePixelForPixel) {
  // It starts maximised: the work area's place and size.
  Expect("start", &work_area_);
  // Task bars that read the older title property read the game's name, as the newer one has it.
  const std::string titles = session_.OnClientWindow("LC_ALL=C.UTF-8 xprop -id $w WM_NAME WM_ICON_NAME");
  const std::string name = reinterpret_cast<const char*>(u8"\"跑胡子\"\n");
  EXPECT_EQ(titles, "WM_NAME(COMPOUND_TEXT) = " + name + "WM_ICON_NAME(COMPOUND_TEXT) = " + name);
  // Their icon is the game's, as the title strip shows it.
  EXPECT_NE(session_.OnClientWindow("xprop -id $w _NET_WM_ICON").find("Icon (20 x 20)"), std::string::npos);
  // A double click on the title strip restores it: the smallest size at (100, 100).
  const Place restored{100, 100, 1050, 600};
  ClicksWhileRunning(600, StripY(work_area_), 2, "restore", &restored);
  // The fit button maximises it again.
  Click(ButtonX(restored, kFit), StripY(restored));
  Then("maximise", &work_area_);
  // A drag that starts on the maximised window restores it with the grabbed point of the title
  // strip under the pointer: as far along the strip (640 x 1050 / 1280 = 525 from its left) and
  // as far down it (13) as the press was; the pointer lets go at (645, 30 below the press).
  const Place pulled{645 - 525, work_area_.y + 30, 1050, 600};
  SlowDrag(640, StripY(work_area_), 645, StripY(work_area_) + 30, "drag from maximised", &pulled);
  // A drag moves the restored window by the pointer's way.
  const Place moved{pulled.x - 40, pulled.y + 60, 1050, 600};
  SlowDrag(pulled.x + 300, StripY(pulled), pulled.x + 260, StripY(pulled) + 60, "drag", &moved);
  // Minimised, the window manager takes it; with none, it stays where it was, and the client says so.
  Click(ButtonX(moved, kMinimise), StripY(moved));
  Then("minimise", WithWindowManager() ? nullptr : &moved);
  EXPECT_EQ(test::ReadTextFile(session_.work() / "client.log").find("no window manager runs") != std::string::npos,
            !WithWindowManager());
  // The task bar's request brings it back as it was.
  session_.OnClientWindow("xdotool windowactivate $w");
  Then("restore from minimised", &moved);
  if (WithWindowManager()) {
    // Closed while maximised.
    ClicksWhileRunning(600, StripY(moved), 2, "maximise by the title strip", &work_area_);
    CloseAt(work_area_);
  } else {
    // Given another size than it asked for, the frame is laid out for the size it has.
    const Place imposed{moved.x, moved.y, 900, 500};
    session_.OnClientWindow("xdotool windowsize $w 900 500");
    Then("another size", &imposed);
    // Closed while restored.
    CloseAt(imposed);
  }
}

// Keys typed into the chat's input line after another window had the keyboard focus and the game
// window got it back (activated by the window manager, or focused by the X server alone) still
// reach the line.
TEST_P(GameWindow, TheChatLineTakesKeysAgainWhenTheWindowIsActivatedAgain) {
  Expect("start", &work_area_);
  const Place& p = work_area_;
  // The input line at the bottom of the side panel: its ink (dark text and caret on pale paper)
  // in the client's frame, report after report until there is `enough` (for at most 20 s).
  const int line_x = p.width - 270;
  const int line_y = p.height - 30;
  auto ink_until = [&](const std::function<bool(int)>& enough) {
    int dark = -1;
    if (HasFatalFailure()) return dark;
    std::string line;
    test::Picture shown;
    for (int i = 0; i < 40 && (dark < 0 || !enough(dark)); ++i) {
      session_.Answer();
      if (!session_.NextLine(&line, 20000) || !test::ReadClientPng(session_.work() / "shown.png", &shown)) break;
      dark = 0;
      for (int y = line_y; y < line_y + 16; ++y)
        for (int x = line_x; x < line_x + 150; ++x) dark += (shown.At(x, y) & 0xFF) < 0x80 ? 1 : 0;
    }
    return dark;
  };
  Click(p.x + line_x + 40, p.y + line_y + 8);
  Xdotool("type --delay 20 abc");  // (type takes every word after it as text)
  Hand("mousemove " + At(p.x + 300, p.y + 300));
  const int abc = ink_until([](int dark) { return dark > 100; });  // the caret alone is 16
  ASSERT_GT(abc, 100);
  session_.X("timeout 60 xmessage -geometry +0+0 other >/dev/null 2>&1 &");
  const std::string to = WithWindowManager() ? "windowactivate --sync" : "windowfocus --sync";
  session_.X("xdotool search --sync --name '^xmessage$' " + to + " %1");
  session_.OnClientWindow("xdotool " + to + " $w");
  Xdotool("type --delay 20 def");
  const int def = ink_until([&](int dark) { return dark > abc * 3 / 2; });
  EXPECT_GT(def, abc * 3 / 2);
  if (WithWindowManager()) return;
  // Alone, the X server may also hand the keyboard to the window under the pointer (the focus on
  // the root, which is window 1 to xdotool): keys typed then reach the line too.
  session_.X("xdotool search --name '^xmessage$' windowfocus --sync %1");
  Hand("mousemove " + At(p.x + 300, p.y + 301));
  Xdotool("windowfocus 1");
  Xdotool("type --delay 20 ghi");
  EXPECT_GT(ink_until([&](int dark) { return dark > def * 5 / 4; }), def * 5 / 4);
}

TEST_P(GameWindow, TheGrabbedPointOfTheTitleStaysUnderThePointerFromWhereverTheWindowStands) {
  Expect("start", &work_area_);
  const int strip = StripY(work_area_);
  // A wobble of a pixel while the title is pressed is a click: the window stays maximised. (Away
  // from the next press, which would otherwise make a double click with it.)
  Hand("mousemove " + At(400, strip) + " mousedown 1 sleep 0.04 mousemove " + At(401, strip) + " sleep 0.04 mouseup 1");
  Then("wobble", &work_area_);
  // A fast flick (five moves 10 ms apart, as a mouse reports one) pulls the window out with the
  // grabbed point under the pointer: 525 (640 x 1050 / 1280) from its left, 13 from its top.
  const Place pulled{700 - 525, strip + 250 - 13, 1050, 600};
  PacedDrag(640, strip, 12, 50, 5, "0.01", "fast pull-out", &pulled);
  // At a hand's pace, there and back: 8 steps of (12, 8), 15 ms apart.
  const Place there{pulled.x - 96, pulled.y - 64, 1050, 600};
  for (int i = 0; i < 3; ++i) {
    PacedDrag(pulled.x + 200, pulled.y + 10, -12, -8, 8, "0.015", "there", &there);
    PacedDrag(there.x + 200, there.y + 10, 12, 8, 8, "0.015", "back", &pulled);
  }
  // Another program moves the window: the next drag starts where it stands, and so does a restore.
  const Place placed{150, 250, 1050, 600};
  session_.OnClientWindow("xdotool windowmove $w 150 250");
  Then("moved by another program", &placed);
  const Place dragged{180, 265, 1050, 600};
  PacedDrag(350, 260, 10, 5, 3, "0.03", "drag after the move", &dragged);
  ClicksWhileRunning(700, StripY(dragged), 2, "maximise", &work_area_);
  // The third press of a triple click starts a run of its own: the window switches once.
  ClicksWhileRunning(700, strip, 3, "triple click", &dragged);
}

// The title strip clicked and pulled as a hand does it, the client taking each press as it comes
// unless it is held: a double click on the maximised title restores the window to its place, and
// one on the restored title maximises it (the second press switches the window under the still
// pointer, and its release is no drag); a click and, a moment later, a pull is a double click that
// moves nothing; two clicks 0.7 s apart that a client held at its start takes at once are two
// clicks; a second pull of the title right after the first grabs the window at the same point as
// the first, and is no double click (which maximised the window, and the pull then restored it
// with the grabbed point scaled along the narrower strip).
TEST_P(GameWindow, ClicksAndPullsOfTheTitleAtAHandsPace) {
  Expect("start", &work_area_);
  const int strip = StripY(work_area_);
  // The client waits at its first report while the hand clicks twice, 0.7 s apart.
  Hand(Clicks(600, strip, 2, "sleep 0.7 "));
  Then("two clicks 0.7 s apart taken at once", &work_area_);
  const Place restored{100, 100, 1050, 600};
  ClicksWhileRunning(600, strip, 2, "double click on the maximised title", &restored);
  ClicksWhileRunning(restored.x + 600, StripY(restored), 2, "double click on the restored title", &work_area_);
  WhileRunning(600, strip, AfterFirstPress(1, "") + "sleep 0.2 mousedown 1 " + Pull(600, strip, 10, 5, 10, "0.04"),
               "a click and a pull 0.2 s later", &restored);
  // (100, 150) in 10 steps 20 ms apart, let go a moment later; 0.12 s on, a press at the same
  // place and (30, 100) more (the window stays on the screen).
  const int x = restored.x + 300, y = StripY(restored);
  const Place pulled{restored.x + 130, restored.y + 250, 1050, 600};
  WhileRunning(x, y, Pull(x, y, 10, 15, 10, "0.02") + " sleep 0.12 mousedown 1 " + Pull(x + 100, y + 150, 3, 10, 10, "0.02"),
               "two pulls", &pulled);
}

// The title pulled while the client takes each step, then let go while the client is stopped
// (SIGSTOP), the hand moving on without a button, even clicking off the window, before the client
// goes on (SIGCONT): the window stands where the button was let go. A pull the client hears in one
// turn (held at its report), let go off the window: the window goes where the pull took it. A
// press and release, or a pull, while another program moves the window under the pointer: the
// grabbed point is where the pointer let go, as the server says (a press and release at one place
// of the screen are a click, the window staying where the other program put it). A triple click
// made while the client is stopped, its third press let go once the second has switched the window
// (the press was made on the window before the server carried out the switch): the window switches
// once and stays. A move after each drags nothing.
TEST_P(GameWindow, ADragLetGoWhileTheClientIsBusyEndsWhereItWasLetGo) {
  Expect("start", &work_area_);
  const Place restored{100, 100, 1050, 600};
  const int strip = StripY(work_area_);
  const struct {
    const char* step;
    int x, y;           // the press on the title strip
    std::string taken;  // the hand's moves the running client takes as they come (none: it is held)
    Place pulled;       // where they take the window
    Place moved;        // where another program moves the window, the client stopped (none: 0 wide)
    std::string busy;   // the rest of the hand, the client stopped
    Place then;         // where the window stands once the client went on (none: 0 wide)...
    std::string late;   // ...before the hand's last steps
    Place want;
  } cases[] = {
      {"a triple click, the third press let go after the switch", 600, strip, "", {}, {},
       AfterFirstPress(2) + kBetween + "mousedown 1", restored, "sleep 0.08 mouseup 1", restored},
      {"let go while stopped, the pointer moving on", 475, 110, Steps(475, 110, 515, 140), {140, 130, 1050, 600}, {},
       Steps(515, 140, 615, 240) + "sleep 0.05 mouseup 1 " + Steps(615, 240, 475, 700), {}, "", {240, 230, 1050, 600}},
      {"let go while stopped, then a click off the window", 615, 240, Steps(615, 240, 575, 270), {200, 260, 1050, 600},
       {}, Steps(575, 270, 475, 370) + "sleep 0.05 mouseup 1 " + Steps(475, 370, 1250, 1000) + "sleep 0.15 " +
       Clicks(1250, 1000, 1), {}, "", {100, 360, 1050, 600}},
      // Grabbed 20 pixels from its left, let go 40 pixels left of where the window stood.
      {"a drag heard in one turn, let go off the window", 120, 370, "", {}, {}, Pull(120, 370, -15, 0, 4, "0.03"), {},
       "", {40, 360, 1050, 600}},
      {"pressed and let go at one place, the window moved by another program", 300, 373, "", {}, {200, 150, 1050, 600},
       "sleep 0.08 mouseup 1 " + Steps(300, 373, 900, 900), {}, "", {200, 150, 1050, 600}},
      // Grabbed 300 pixels from its left, let go at (560, 213).
      {"pulled, the window moved by another program", 500, 163, "", {}, {100, 400, 1050, 600},
       Steps(500, 163, 560, 213) + "sleep 0.05 mouseup 1 " + Steps(560, 213, 1000, 900), {}, "",
       {260, 200, 1050, 600}}};
  for (const auto& c : cases) {
    const std::string press = "mousemove " + At(c.x, c.y) + " mousedown 1 ";
    // A press followed by the rest alone is one gesture with it, made while the client is stopped.
    const bool alone = c.taken.empty() && c.moved.width == 0;
    if (!alone) Hand(press);
    if (!c.taken.empty()) {
      session_.Answer();
      Hand(c.taken);
      ASSERT_TRUE(StandsAt(c.pulled)) << c.step;
    }
    kill(session_.ClientPid(), SIGSTOP);
    if (c.moved.width != 0) {
      session_.OnClientWindow("xdotool windowmove $w " + At(c.moved.x, c.moved.y));
      ASSERT_TRUE(StandsAt(c.moved)) << c.step;
    }
    Hand(alone ? press + c.busy : c.busy);
    kill(session_.ClientPid(), SIGCONT);
    if (c.then.width != 0) {
      session_.Answer();
      ASSERT_TRUE(StandsAt(c.then)) << c.step;
      Hand(c.late);
      Expect(c.step, &c.want);
    } else {
      Then(c.step, &c.want);
    }
    Hand("sleep 0.2 mousemove 400 300 sleep 0.05 mousemove 700 500 sleep 0.05 mousemove 1000 200");
    Then(c.step, &c.want);
  }
}

// The work area changes (a panel comes, goes or changes its size) while the window is maximised:
// the window fills the new one, and a double click on its title restores it to its restored
// place, kept inside the new work area; a larger work area and a smaller one alike.
TEST_P(GameWindow, AMaximisedWindowFollowsTheWorkAreaAndComesBackToItsPlaceInsideIt) {
  if (WithWindowManager()) GTEST_SKIP() << "the test says the work area itself, where no window manager does";
  Expect("start", &work_area_);
  const Place restored{100, 100, 1050, 600};
  ClicksWhileRunning(600, StripY(work_area_), 2, "restore", &restored);
  const Place placed{200, 50, 1050, 600};
  PacedDrag(400, StripY(restored), 10, -5, 10, "0.03", "drag", &placed);
  const struct {
    const char* panel;
    bool maximised;      // at the change (else restored at `placed`)
    Place before, area;  // the work area before and after the change
    Place back;          // restored after the change
  } cases[] = {{"a 30-pixel panel at the top, restored", false, work_area_, {0, 30, 1280, 994}, placed},
               {"a 26-pixel panel at the bottom", true, {0, 30, 1280, 994}, {0, 0, 1280, 998}, placed},
               {"an 80-pixel panel at the top", true, {0, 0, 1280, 998}, {0, 80, 1280, 944}, {200, 80, 1050, 600}}};
  for (const auto& c : cases) {
    if (c.maximised) {
      Click(ButtonX(placed, kFit), StripY(placed));
      Then("maximise", &c.before);
    }
    session_.X("xprop -root -f _NET_WORKAREA 32c -set _NET_WORKAREA " + std::to_string(c.area.x) + "," +
               std::to_string(c.area.y) + "," + std::to_string(c.area.width) + "," + std::to_string(c.area.height));
    // A restored window inside the new work area is left as it is.
    Then(c.panel, c.maximised ? &c.area : &c.back);
    if (c.maximised) ClicksWhileRunning(600, StripY(c.area), 2, c.panel, &c.back);
  }
}

class GameWindowOnResizableScreen : public GameWindow {
 protected:
  bool ResizableScreen() const override { return true; }
};

// The screen takes another size (RANDR: a monitor swapped, a resolution changed), with no window
// manager (and no work area said, or one left from the larger screen that nobody updates) and
// under one that says the new screen as its work area: a maximised window fills the screen as it
// is now (the part of a stale work area on it), smaller or larger than the one it started on; a
// restored window the change leaves outside is moved back in, never made smaller (its top left
// corner on the screen), and one inside is left as it is.
TEST_P(GameWindowOnResizableScreen, AMaximisedWindowFillsTheScreenAsItIsNowAndARestoredOneStaysInsideIt) {
  Expect("start", &work_area_);
  const Place restored{100, 100, 1050, 600};
  const struct {
    const char* step;
    const char* size;   // xrandr's
    bool restored;      // at the change
    const char* stale;  // a work area said before the change, where no manager runs (taken off after)
    Place want;
  } cases[] = {{"a smaller screen, a stale work area", "1024x768", false, "0,40,1280,984", {0, 40, 1024, 728}},
               {"a smaller screen", "1024x768", false, nullptr, {0, 0, 1024, 768}},
               {"a screen larger than at the start", "1600x1200", false, nullptr, {0, 0, 1600, 1200}},
               {"the start's screen", "1280x1024", false, nullptr, {0, 0, 1280, 1024}},
               {"a smaller screen, restored", "1024x768", true, nullptr, {0, 100, 1050, 600}},
               {"a larger screen, restored", "1600x1200", true, nullptr, {0, 100, 1050, 600}}};
  const Place* at = &work_area_;
  for (const auto& c : cases) {
    if (c.stale != nullptr && WithWindowManager()) continue;
    if (c.restored && at->width != restored.width) ClicksWhileRunning(600, StripY(*at), 2, "restore", &restored);
    if (c.stale != nullptr) session_.X(std::string("xprop -root -f _NET_WORKAREA 32c -set _NET_WORKAREA ") + c.stale);
    session_.X(std::string("xrandr -s ") + c.size);
    Then(c.step, &c.want);
    if (c.stale != nullptr) session_.X("xprop -root -remove _NET_WORKAREA");
    at = &c.want;
  }
}

// Another program destroys the window, or the display closes the client's connection: either
// ends the client as a closed window does, with a line saying which, the settings saved, status 1;
// a destroyed window under a window manager too (xfwm4, where SDL took it for shown again and
// waited for ever to see it unmapped as it closed it).
TEST(GameWindowEnd, ADestroyedWindowOrALostDisplayEndsTheClientWithItsSettingsSaved) {
  if (!XvfbSession::Available("")) GTEST_SKIP() << "Xvfb is not installed";
  const fs::path client = fs::path(ZP_BINARY_DIR) / "app" / "zipai-client";
  const fs::path ini = fs::path(std::getenv("ZP_EXE_DIR")) / "zipai.ini";
  const struct {
    const char* how;
    const char* window_manager;
    const char* said;
  } cases[] = {{"windowclose", "", "another program destroyed the window"},
               {"windowkill", "", "the connection to the display was lost"},
               {"windowclose", "xfwm4", "another program destroyed the window"}};
  for (const auto& c : cases) {
    const std::string name = std::string(c.how) + " " + c.window_manager;
    if (!XvfbSession::Available(c.window_manager)) {
      std::printf("%s: %s is not installed\n", name.c_str(), c.window_manager);
      continue;
    }
    XvfbSession session;
    std::string error;
    ASSERT_TRUE(session.Start(fs::current_path() / (std::string(c.how) + c.window_manager), {1280, 1024, c.window_manager},
                              &error)) << error;
    fs::remove(ini);
    ASSERT_TRUE(session.Launch("'" + client.native() +
                                   "' --report --screenshot shown.png '1|zipai|127.0.0.1|0|0|1001|5|0|0' 2>client.log",
                               &error));
    // Once the window is shown (and the client waits at its report), it goes; the client goes on.
    std::string line;
    ASSERT_TRUE(session.NextLine(&line, 120000)) << test::ReadTextFile(session.work() / "client.log");
    session.OnClientWindow(std::string("xdotool ") + c.how + " $w");
    session.Answer();
    EXPECT_EQ(session.WaitForExit(120000), 1) << name;
    const std::string log = test::ReadTextFile(session.work() / "client.log");
    EXPECT_NE(log.find(c.said), std::string::npos) << name << "\n" << log;
    EXPECT_TRUE(fs::exists(ini)) << name;
  }
}

// A window manager started after the client, on a server none had run on before, frames the
// window as the window asks: not at all (it drew its own title bar over the title strip).
TEST(GameWindowLateManager, AWindowManagerStartedAfterTheClientDrawsNoFrameAroundTheWindow) {
  if (!XvfbSession::Available("openbox")) GTEST_SKIP() << "Xvfb or openbox is not installed";
  XvfbSession session;
  std::string error, line;
  ASSERT_TRUE(session.Start(fs::current_path() / "late", {1280, 1024, ""}, &error)) << error;
  const fs::path client = fs::path(ZP_BINARY_DIR) / "app" / "zipai-client";
  ASSERT_TRUE(session.Launch("'" + client.native() + "' --report --screenshot shown.png 2>client.log", &error));
  ASSERT_TRUE(session.NextLine(&line, 120000)) << test::ReadTextFile(session.work() / "client.log");
  ASSERT_TRUE(session.StartWindowManager("openbox", &error)) << error;
  // Openbox says the frame it drew once it manages the window; the client goes on meanwhile.
  std::string extents;
  for (int i = 0; i < 100 && extents.find(" = ") == std::string::npos; ++i) {
    session.Answer();
    ASSERT_TRUE(session.NextLine(&line, 120000));
    extents = session.OnClientWindow("xprop -id $w _NET_FRAME_EXTENTS");
  }
  // No frame, and nothing that would make a manager frame the window as a transient of the root
  // (SDL names the root where the server knew no Motif hints yet).
  const struct {
    const char* property;
    const char* says;
  } cases[] = {{"_NET_FRAME_EXTENTS", "_NET_FRAME_EXTENTS(CARDINAL) = 0, 0, 0, 0\n"},
               {"WM_TRANSIENT_FOR", "WM_TRANSIENT_FOR:  not found.\n"}};
  for (const auto& c : cases)
    EXPECT_EQ(session.OnClientWindow(std::string("xprop -id $w ") + c.property), c.says) << c.property;
}

std::string DesktopName(const ::testing::TestParamInfo<bool>& info) {
  return info.param ? "UnderOpenbox" : "WithoutWindowManager";
}
INSTANTIATE_TEST_SUITE_P(Desktops, GameWindow, ::testing::Bool(), DesktopName);
INSTANTIATE_TEST_SUITE_P(Desktops, GameWindowOnResizableScreen, ::testing::Bool(), DesktopName);

}  // namespace
