// ctest-labels: frame tsan
// The game frame's window operations through the headless main window: it starts maximised on
// the work area, restores to the smallest size and maximises again, minimises, and drags by the
// title strip, also from a maximised window; the title strip's own input drives them.
#include <gtest/gtest.h>

#include <string>

#include "engine/core/canvas_object.h"
#include "engine/ui/image_button.h"
#include "engine/core/sprite_object.h"
#include "frame/frame_messages.h"
#include "frame/game_frame.h"
#include "frame/splitter_bar.h"
#include "platform/cursor.h"
#include "platform/desktop.h"
#include "platform/win_messages.h"
#include "tests/support/frame_fixture.h"

namespace {

using platform::RECT;

std::string Show(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

class FrameWindow : public test::FrameFixture {
 protected:
  // The picture the fit button shows now.
  const engine::ImageRecord* FitPicture() {
    engine::PictureInfo info;
    frame().GetFitButton()->GetSprite()->ImageCall(&info);
    return info.record;
  }
  const engine::ImageRecord* Picture(const char* name) { return frame().GetPictureInfo(name, 0).record; }
};

TEST_F(FrameWindow, TheWindowStartsMaximisedOnTheWorkAreaAndMaximisingComesBackThere) {
  SetWorkArea(RECT{64, 30, 64 + 1152, 30 + 864});
  Start();
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_EQ(Show(WindowRect()), Show(RECT{64, 30, 64 + 1152, 30 + 864})) << pass;
    EXPECT_EQ(frame().IsMaximized(), 1);
    EXPECT_EQ(frame().GetButtonState(), 1);
    EXPECT_EQ(frame().GetVisibleSidePanelWidth(), 256);  // 1152 * 2 / 9
    EXPECT_EQ(frame().GetSidePanelWidth(), 256);
    EXPECT_EQ(FitPicture(), Picture("btnFrameFit"));
    EXPECT_EQ(frame().GetScreenWidth(), 1152);
    // Restored, then maximised again.
    frame().ToggleMaximize();
    Frames(2);
    EXPECT_EQ(Show(WindowRect()), Show(RECT{100, 100, 100 + 800, 100 + 600}));
    EXPECT_EQ(FitPicture(), Picture("btnFrameMax"));
    frame().ToggleMaximize();
    Frames(2);
  }
}

TEST_F(FrameWindow, RestoringOnASmallWorkAreaGivesTheSmallestWindowWithTheSidePanelCollapsed) {
  Start();
  // The window has no frame of its own: it starts as the whole work area.
  ASSERT_EQ(Show(WindowRect()), Show(RECT{0, 0, 1024, 768}));
  EXPECT_EQ(frame().IsMaximized(), 1);
  frame().ToggleMaximize();
  Frames(2);
  EXPECT_EQ(Show(WindowRect()), Show(RECT{100, 100, 900, 700}));
  EXPECT_EQ(frame().IsMaximized(), 0);
  EXPECT_EQ(frame().GetButtonState(), 0);
  EXPECT_FALSE(frame().GetSplitter()->IsExpanded());
  EXPECT_EQ(frame().GetVisibleSidePanelWidth(), 0);
  EXPECT_EQ(frame().GetSidePanelWidth(), 250);
  EXPECT_EQ(FitPicture(), Picture("btnFrameMax"));
  // The table takes the whole window but the border and the splitter.
  EXPECT_EQ(frame().GetScreenWidth(), 800);
  EXPECT_EQ(frame().table->Rect().right, 800 - 4 - 8);
}

TEST_F(FrameWindow, RestoringOnAWideWorkAreaKeepsAQuarterPanel) {
  SetWorkArea(RECT{0, 0, 1280, 1024});
  Start();
  frame().ToggleMaximize();
  Frames(2);
  EXPECT_EQ(Show(WindowRect()), Show(RECT{100, 100, 1150, 700}));
  EXPECT_TRUE(frame().GetSplitter()->IsExpanded());
  EXPECT_EQ(frame().GetVisibleSidePanelWidth(), 250);
}

TEST_F(FrameWindow, TheMaximisedTestLooksAtTheSizeNotThePlace) {
  Start();
  window().MoveWindow(300, 200, 1024, 768);
  EXPECT_EQ(frame().IsMaximized(), 1);
  window().MoveWindow(0, 0, 1023, 768);
  EXPECT_EQ(frame().IsMaximized(), 0);
  EXPECT_EQ(frame().GetMaximizedFlag(), 0);
}

TEST_F(FrameWindow, AMoveWithoutAPressOnTheTitleStripMovesNothing) {
  Start();
  const RECT before = WindowRect();
  platform::SetCursorPos(700, 500);
  frame().DragMove();
  EXPECT_EQ(Show(WindowRect()), Show(before));
  EXPECT_EQ(frame().GetDragAnchorX(), -1);
}

TEST_F(FrameWindow, DraggingTheTitleStripKeepsTheGrabbedPointUnderThePointerPastTheDragDistance) {
  SetWorkArea(RECT{0, 0, 1280, 1024});
  Start();
  frame().ToggleMaximize();
  const RECT before = WindowRect();  // (100, 100)-(1150, 700): the window is its client area
  platform::SetCursorPos(before.left + 300, before.top + 10);
  Mouse(platform::WM_MOUSEMOVE, 300, 10);
  Mouse(platform::WM_LBUTTONDOWN, 300, 10, platform::MK_LBUTTON);
  // A wobble within the drag distance moves nothing; at the distance (4 pixels) the drag begins.
  platform::SetCursorPos(before.left + 303, before.top + 7);
  Mouse(platform::WM_MOUSEMOVE, 303, 7, platform::MK_LBUTTON);
  EXPECT_EQ(Show(WindowRect()), Show(before));
  platform::SetCursorPos(before.left + 304, before.top + 10);
  Mouse(platform::WM_MOUSEMOVE, 304, 10, platform::MK_LBUTTON);
  EXPECT_EQ(Show(WindowRect()), Show(RECT{104, 100, 1154, 700}));
  // Past it the point grabbed at (300, 10) follows the pointer: with the pointer's moves...
  platform::SetCursorPos(before.left + 340, before.top + 30);
  Mouse(platform::WM_MOUSEMOVE, 340, 30, platform::MK_LBUTTON);
  EXPECT_EQ(Show(WindowRect()), Show(RECT{140, 120, 1190, 720}));
  // ... and where the window's own move leaves the pointer on the same point of it, so that no
  // move comes at all.
  platform::SetCursorPos(before.left + 380, before.top + 50);
  Frames(3);
  EXPECT_EQ(Show(WindowRect()), Show(RECT{180, 140, 1230, 740}));
  // Let go 10 pixels on and 5 up (the pointer's last step came with the release).
  Mouse(platform::WM_LBUTTONUP, 310, 5);
  EXPECT_EQ(Show(WindowRect()), Show(RECT{190, 135, 1240, 735}));
  EXPECT_EQ(frame().GetDragAnchorX(), -1);
  EXPECT_EQ(frame().GetDragAnchorY(), -1);
  Frames(3);
  EXPECT_EQ(Show(WindowRect()), Show(RECT{190, 135, 1240, 735}));
  // A busy client takes the press, the move and the release in one turn, the pointer already where
  // it let go: the drag still goes from where the press was.
  platform::SetCursorPos(190 + 500, 135 + 12);
  window().PostMessage(platform::WM_LBUTTONDOWN, platform::MK_LBUTTON, platform::MakePointLParam(500, 12));
  platform::SetCursorPos(190 + 550, 135 + 42);
  window().PostMessage(platform::WM_MOUSEMOVE, platform::MK_LBUTTON, platform::MakePointLParam(550, 42));
  window().PostMessage(platform::WM_LBUTTONUP, 0, platform::MakePointLParam(550, 42));
  Frames(3);
  EXPECT_EQ(Show(WindowRect()), Show(RECT{240, 165, 1290, 765}));
}

// A busy client hears of the press and the release in one turn, the pointer already where it let
// go: the pointer's way on the screen from the press to the release is a drag from the desktop's
// drag distance (4 pixels across or down) on, as a drag heard step by step is.
TEST_F(FrameWindow, AReleaseHeardWithItsPressIsADragFromFourPixelsOfThePointersWayOn) {
  SetWorkArea(RECT{0, 0, 1280, 1024});
  Start();
  frame().ToggleMaximize();
  Frames(2);
  const struct {
    int dx, dy;  // the pointer's way from the press to the release
    bool drags;
  } cases[] = {{3, 0, false}, {0, -3, false}, {-3, 3, false}, {4, 0, true}, {0, -4, true}, {-4, 3, true}, {3, 4, true}};
  int x = 200;
  for (const auto& c : cases) {
    window().MoveWindow(100, 100, 1050, 600);
    const std::string step = std::to_string(c.dx) + ", " + std::to_string(c.dy);
    x += 40;  // each press far from the last: no double click
    platform::SetCursorPos(100 + x + c.dx, 110 + c.dy);
    window().PostMessage(platform::WM_LBUTTONDOWN, platform::MK_LBUTTON, platform::MakePointLParam(x, 10));
    window().PostMessage(platform::WM_LBUTTONUP, 0, platform::MakePointLParam(x + c.dx, 10 + c.dy));
    Frames(3);
    const RECT want = c.drags ? RECT{100 + c.dx, 100 + c.dy, 1150 + c.dx, 700 + c.dy} : RECT{100, 100, 1150, 700};
    EXPECT_EQ(Show(WindowRect()), Show(want)) << step;
  }
}

TEST_F(FrameWindow, DraggingAMaximisedWindowRestoresItWithTheGrabbedPointUnderThePointer) {
  // A panel holds the top 40 pixels.
  SetWorkArea(RECT{0, 40, 1280, 1024});
  Start();
  platform::SetCursorPos(640, 50);
  Mouse(platform::WM_MOUSEMOVE, 640, 10);
  Mouse(platform::WM_LBUTTONDOWN, 640, 10, platform::MK_LBUTTON);
  platform::SetCursorPos(641, 51);
  Frames(3);
  EXPECT_EQ(frame().IsMaximized(), 1);
  // One long step: the grabbed point goes as far along the smallest window's strip (640 x 1050 /
  // 1280 = 525) and as far down it as it was.
  platform::SetCursorPos(900, 110);
  Frames(3);
  EXPECT_EQ(Show(WindowRect()), Show(RECT{375, 100, 375 + 1050, 700}));
  EXPECT_EQ(frame().IsMaximized(), 0);
  Mouse(platform::WM_LBUTTONUP, 535, 0);
  EXPECT_EQ(Show(WindowRect()), Show(RECT{385, 90, 385 + 1050, 690}));
  // Maximised and restored again, it comes back where it was left, moved inside the work area.
  frame().ToggleMaximize();
  frame().ToggleMaximize();
  EXPECT_EQ(Show(WindowRect()), Show(RECT{230, 90, 1280, 690}));
}

TEST_F(FrameWindow, MaximisingRemembersWhereAnotherProgramLeftTheRestoredWindow) {
  SetWorkArea(RECT{0, 0, 1280, 1024});
  Start();
  frame().ToggleMaximize();
  window().MoveWindow(150, 250, 1050, 600);  // as a window manager moves it
  frame().ToggleMaximize();
  frame().ToggleMaximize();
  EXPECT_EQ(Show(WindowRect()), Show(RECT{150, 250, 1200, 850}));
}

// The restored window comes back inside the work area: moved, never made smaller than its least
// size (its top left corner kept on a screen smaller than that).
TEST_F(FrameWindow, TheRestoredWindowComesBackInsideTheWorkArea) {
  SetWorkArea(RECT{0, 0, 800, 600});
  Start();
  frame().ToggleMaximize();  // from (100, 100)
  EXPECT_EQ(Show(WindowRect()), Show(RECT{0, 0, 800, 600}));
  const struct {
    RECT area;
    int x, y;  // where the window stood when it was maximised
    RECT restored;
  } cases[] = {{{0, 0, 1024, 600}, 100, 100, {100, 0, 900, 600}},
               {{0, 0, 640, 480}, 100, 100, {0, 0, 800, 600}},
               {{0, 40, 1280, 700}, 1000, 500, {230, 100, 1280, 700}}};
  for (const auto& c : cases) {
    SetWorkArea(c.area);
    window().MoveWindow(c.x, c.y, 800, 600);
    frame().ToggleMaximize();
    frame().ToggleMaximize();
    EXPECT_EQ(Show(WindowRect()), Show(c.restored)) << Show(c.area);
  }
}

TEST_F(FrameWindow, TheTitleButtonsMinimiseAndMaximise) {
  Start();
  const engine::ObjectMessage fit = frame().GetFitButton()->GetMessage();
  EXPECT_EQ(fit.id, frame::frame_msg::kToggleMaximize);
  ASSERT_EQ(frame().IsMaximized(), 1);  // as large as the work area
  frame().SendMessage(&fit);
  Frames(1);
  EXPECT_EQ(frame().IsMaximized(), 0);
  const engine::ObjectMessage min = frame().GetMinimizeButton()->GetMessage();
  frame().SendMessage(&min);
  EXPECT_TRUE(window().IsIconic());
}

// A double click on the title strip switches the window under the still pointer, which then stands
// at another point of it: the second press arms no drag, and its release, or a pull before it,
// moves nothing. A drag is the pointer's way on the screen: a release where the press was on the
// screen is a click, though another program moved the window under the pointer meanwhile.
TEST_F(FrameWindow, ADoubleClickOnTheTitleSwitchesTheWindowAndMovesNothingNorDoesAWindowMovedUnderThePointer) {
  SetWorkArea(RECT{0, 0, 1280, 1024});
  Start();
  frame().ToggleMaximize();
  Frames(2);
  const RECT restored{100, 100, 1150, 700}, maximised{0, 0, 1280, 1024};
  ASSERT_EQ(Show(WindowRect()), Show(restored));
  // At (400, 110) on the screen, the hand clicks twice and pulls 10 pixels before it lets go.
  platform::SetCursorPos(400, 110);
  Mouse(platform::WM_MOUSEMOVE, 300, 10);
  Mouse(platform::WM_LBUTTONDOWN, 300, 10, platform::MK_LBUTTON);
  Mouse(platform::WM_LBUTTONUP, 300, 10);
  Mouse(platform::WM_LBUTTONDBLCLK, 300, 10, platform::MK_LBUTTON);
  ASSERT_EQ(Show(WindowRect()), Show(maximised));
  platform::SetCursorPos(410, 110);
  Mouse(platform::WM_MOUSEMOVE, 410, 110, platform::MK_LBUTTON);
  Mouse(platform::WM_LBUTTONUP, 410, 110);
  EXPECT_EQ(Show(WindowRect()), Show(maximised));
  // On the maximised strip it comes back where it stood, the release at once.
  platform::SetCursorPos(400, 10);
  Mouse(platform::WM_MOUSEMOVE, 400, 10);
  Mouse(platform::WM_LBUTTONDOWN, 400, 10, platform::MK_LBUTTON);
  Mouse(platform::WM_LBUTTONUP, 400, 10);
  Mouse(platform::WM_LBUTTONDBLCLK, 400, 10, platform::MK_LBUTTON);
  Mouse(platform::WM_LBUTTONUP, 300, -90);
  EXPECT_EQ(Show(WindowRect()), Show(restored));
  // Pressed at (400, 110), the window moved 200 pixels right under the pointer, let go there.
  platform::SetCursorPos(400, 110);
  Mouse(platform::WM_MOUSEMOVE, 300, 10);
  Mouse(platform::WM_LBUTTONDOWN, 300, 10, platform::MK_LBUTTON);
  window().MoveWindow(300, 100, 1050, 600);
  Mouse(platform::WM_LBUTTONUP, 100, 10);
  EXPECT_EQ(Show(WindowRect()), Show(RECT{300, 100, 1350, 700}));
}

}  // namespace
