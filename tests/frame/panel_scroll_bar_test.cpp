// ctest-labels: chat tsan
// The side panel's scroll bar in the headless window: its thumb for every kind of range (nothing
// to scroll, a page as large as the total, one line, the thumb at both ends), what it tells its
// owner, and dragging and pressing with mouse messages posted to the window.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine/core/canvas_object.h"
#include "engine/core/sprite_object.h"
#include "engine/media/paint_module.h"
#include "engine/ui/image_button.h"
#include "frame/panel_messages.h"
#include "frame/panel_scroll_bar.h"
#include "platform/win_messages.h"
#include "tests/support/hosted_engine.h"
#include "tests/support/solid_pictures.h"

namespace {

using frame::PanelScrollBar;
using frame::ScrollPos;
using namespace platform;

struct Told {
  uint32_t id = 0;
  ScrollPos pos;
  uintptr_t orientation = 0;
};

class ScrollBarInWindow : public test::HostedEngine {
 protected:
  void SetUp() override {
    HostedEngine::SetUp();
    paint_ = dynamic_cast<engine::PaintModule*>(window_->GetCore()->FindModule(engine::module_id::kPaint));
    ASSERT_NE(paint_, nullptr);
    test::AddSolidFrames(paint_, "arrow", 16, 16, {0x202020, 0x404040, 0x606060, 0x808080});
    test::AddSolidFrames(paint_, "thumb", 16, 48, {0x0000C0, 0x00C000, 0xC00000});
    test::AddSolidFrames(paint_, "track", 16, 48, {0xE0E0E0});
    test::AddSolidFrames(paint_, "grip", 10, 8, {0x101010});
    owner_ = new test::TestObject();
    objects_->AddObject(owner_, nullptr);
    // The ScrollPos lives during the call only: keep a copy of each.
    owner_->on_message = [this](test::TestObject&, const engine::ObjectMessage& m) {
      Told t;
      t.id = m.id;
      if (m.id == frame::panel_msg::kScrollChanged && m.p1 != 0) t.pos = *reinterpret_cast<const ScrollPos*>(m.p1);
      t.orientation = m.p2;
      told_.push_back(t);
    };
  }

  // A vertical bar whose track is 16 x 200 between two 16-pixel buttons, centred at (400, 300).
  PanelScrollBar* MakeVertical(bool pictures = true) {
    auto* bar = new PanelScrollBar();
    objects_->AddObject(bar, nullptr);
    EXPECT_TRUE(bar->Create(owner_->GetKey(), 16, 100, PanelScrollBar::kVertical, 0));
    if (pictures) {
      bar->SetTrackPicture(bar->GetPictureInfo("track", 0));
      bar->SetThumbPicture(bar->GetPictureInfo("thumb", 0));
      bar->SetGripPicture(bar->GetPictureInfo("grip", 0));
      bar->SetUpButtonPicture(bar->GetPictureInfo("arrow", 0));
      bar->SetDownButtonPicture(bar->GetPictureInfo("arrow", 0));
    }
    bar->SetDepth(1000.0);
    bar->Resize(16, 232);
    bar->MoveTo(400, 300);
    bar->Show();
    bar->Invalidate();
    Deliver();
    return bar;
  }
  PanelScrollBar* MakeHorizontal() {
    auto* bar = new PanelScrollBar();
    objects_->AddObject(bar, nullptr);
    EXPECT_TRUE(bar->Create(owner_->GetKey(), 100, 16, PanelScrollBar::kHorizontal, 0));
    bar->SetLeftButtonPicture(bar->GetPictureInfo("arrow", 0));
    bar->SetRightButtonPicture(bar->GetPictureInfo("arrow", 0));
    bar->SetDepth(1000.0);
    bar->Resize(232, 16);
    bar->MoveTo(400, 500);
    bar->Show();
    bar->Invalidate();
    Deliver();
    return bar;
  }
  void Press(int x, int y) {
    Mouse(WM_MOUSEMOVE, x, y);
    Deliver();
    Mouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    Deliver();
  }
  void DragTo(int x, int y) {
    Mouse(WM_MOUSEMOVE, x, y, MK_LBUTTON);
    Deliver();
  }
  void Release(int x, int y) {
    Mouse(WM_LBUTTONUP, x, y);
    Deliver();
  }
  std::vector<Told> Changes() const {
    std::vector<Told> out;
    for (const Told& t : told_) {
      if (t.id == frame::panel_msg::kScrollChanged) out.push_back(t);
    }
    return out;
  }
  int Count(uint32_t id) const {
    int n = 0;
    for (const Told& t : told_) n += t.id == id ? 1 : 0;
    return n;
  }

  engine::PaintModule* paint_ = nullptr;
  test::TestObject* owner_ = nullptr;
  std::vector<Told> told_;
};

TEST_F(ScrollBarInWindow, TheTrackTakesTheRoomBetweenTheButtonsWhichStandOutsideItsEnds) {
  PanelScrollBar* bar = MakeVertical();
  EXPECT_EQ(bar->GetTrack()->GetHeight(), 200.0);
  EXPECT_EQ(bar->GetHeight(), 200.0);
  EXPECT_EQ(bar->GetTop(), 200.0);
  EXPECT_EQ(bar->GetTotalLength(), 232);
  EXPECT_EQ(bar->GetFirstButton()->GetBottom(), 200.0);
  EXPECT_EQ(bar->GetSecondButton()->GetTop(), 400.0);
  EXPECT_EQ(bar->GetFirstButton()->GetX(), 400.0);
  // No room left between the buttons: nothing changes.
  bar->Resize(16, 32);
  EXPECT_EQ(bar->GetTrack()->GetHeight(), 200.0);
}

TEST_F(ScrollBarInWindow, TheThumbFollowsThePageButIsNeverShorterThanFifteen) {
  PanelScrollBar* bar = MakeVertical();
  bar->SetRange(0, 50, 200, -1);
  EXPECT_EQ(bar->GetThumbLength(), 50);
  EXPECT_EQ(bar->GetThumb()->GetTop(), 201.0);  // one pixel into the track
  bar->SetRange(0, 1, 1000, -1);
  EXPECT_EQ(bar->GetThumbLength(), 15);
  bar->SetMinThumbLength(30);
  bar->SetRange(0, 1, 1000, -1);
  EXPECT_EQ(bar->GetThumbLength(), 30);
}

TEST_F(ScrollBarInWindow, AtBothEndsTheThumbStaysInsideTheTrack) {
  PanelScrollBar* bar = MakeVertical();
  bar->SetRange(150, 50, 200, -1);
  EXPECT_EQ(bar->GetMaxPos(), 150);
  EXPECT_EQ(bar->GetThumb()->GetBottom(), 400.0);
  bar->SetRange(0, 50, 200, -1);
  EXPECT_EQ(bar->GetThumb()->GetTop(), 201.0);
  bar->SetRange(75, 50, 200, -1);
  EXPECT_EQ(bar->GetThumb()->GetTop(), 275.0);
  // Positions past either end are kept at the end.
  bar->SetRange(500, 50, 200, -1);
  EXPECT_EQ(bar->GetPosition(), 150.0);
  EXPECT_EQ(bar->GetThumb()->GetBottom(), 400.0);
  bar->SetRange(-20, 50, 200, -1);
  EXPECT_EQ(bar->GetPosition(), 0.0);
  bar->SetRange(std::numeric_limits<double>::quiet_NaN(), 50, 200, -1);
  EXPECT_EQ(bar->GetPosition(), 0.0);
}

TEST_F(ScrollBarInWindow, APageAsLargeAsTheTotalFillsTheTrackAndLeavesNothingToScroll) {
  PanelScrollBar* bar = MakeVertical();
  for (double page : {200.0, 350.0}) {
    bar->SetRange(40, page, 200, -1);
    EXPECT_EQ(bar->GetPosition(), 0.0);
    EXPECT_EQ(bar->GetMaxPos(), 0);
    EXPECT_EQ(bar->GetThumbLength(), 200);
    EXPECT_EQ(bar->GetThumb()->GetTop(), 200.0);
    EXPECT_EQ(bar->GetThumb()->GetBottom(), 400.0);
    EXPECT_TRUE(std::isfinite(bar->GetThumb()->GetY()));
  }
  // One line that fits: the same.
  bar->SetRange(0, 6 * 32, 32, -1);
  EXPECT_EQ(bar->GetThumbLength(), 200);
  EXPECT_EQ(bar->GetMaxPos(), 0);
}

TEST_F(ScrollBarInWindow, ATotalOfZeroLeavesTheThumbWhereItIs) {
  PanelScrollBar* bar = MakeVertical();
  bar->SetRange(0, 50, 200, -1);
  const double y = bar->GetThumb()->GetY();
  bar->SetRange(10, 50, 0, -1);
  EXPECT_EQ(bar->GetThumb()->GetY(), y);
  EXPECT_EQ(bar->GetPosition(), 0.0);
  EXPECT_EQ(bar->GetMaxPos(), 0);
  bar->Notify();
  ASSERT_EQ(Changes().size(), 1u);
  EXPECT_EQ(Changes()[0].pos.total, 0.0);
}

TEST_F(ScrollBarInWindow, NotifyTellsTheOwnerACopyOfTheRangeAndTheOrientation) {
  PanelScrollBar* bar = MakeVertical();
  bar->SetRange(30, 50, 200, -1);
  EXPECT_TRUE(Changes().empty());
  bar->Notify();
  ASSERT_EQ(Changes().size(), 1u);
  EXPECT_EQ(Changes()[0].pos.position, 30.0);
  EXPECT_EQ(Changes()[0].pos.page, 50.0);
  EXPECT_EQ(Changes()[0].pos.total, 200.0);
  EXPECT_EQ(Changes()[0].orientation, 1u);
}

TEST_F(ScrollBarInWindow, DraggingTheThumbMovesThePositionInProportionAndStopsAtBothEnds) {
  PanelScrollBar* bar = MakeVertical();
  bar->SetRange(0, 50, 200, -1);  // thumb 201..251, room 150 for 150 positions
  Deliver();
  Press(400, 220);
  EXPECT_EQ(bar->GetThumbState(), 2);
  DragTo(400, 250);
  ASSERT_FALSE(Changes().empty());
  // The thumb's top moved 30 pixels from 201: (231 - 200) * 150 / 150.
  EXPECT_EQ(Changes().back().pos.position, 31.0);
  EXPECT_EQ(bar->GetThumb()->GetTop(), 231.0);
  DragTo(400, 390);
  EXPECT_EQ(bar->GetPosition(), 150.0);
  EXPECT_EQ(bar->GetThumb()->GetBottom(), 400.0);
  // Past the track's end the pointer is ignored: the thumb stays at the end.
  const size_t told = Changes().size();
  DragTo(400, 450);
  EXPECT_EQ(Changes().size(), told);
  EXPECT_EQ(bar->GetPosition(), 150.0);
  // Back up and over the top: it stops at 0.
  DragTo(400, 300);
  DragTo(400, 201);
  EXPECT_EQ(bar->GetPosition(), 0.0);
  EXPECT_EQ(bar->GetThumb()->GetTop(), 201.0);
  Release(400, 201);
  EXPECT_EQ(bar->GetThumbState(), 1);
}

TEST_F(ScrollBarInWindow, AThumbDraggedPastTheEndWaitsForThePointerToComeBackToItsGrip) {
  PanelScrollBar* bar = MakeVertical();
  bar->SetRange(0, 50, 200, -1);
  Deliver();
  Press(400, 220);  // 19 pixels into the thumb
  DragTo(400, 395);
  EXPECT_EQ(bar->GetPosition(), 150.0);
  // Still below the place it took the thumb at the end (350 + 19): nothing moves back yet.
  DragTo(400, 380);
  EXPECT_EQ(bar->GetPosition(), 150.0);
  DragTo(400, 359);
  EXPECT_EQ(bar->GetPosition(), 140.0);
  EXPECT_EQ(bar->GetThumb()->GetTop(), 340.0);
  Release(400, 359);
}

TEST_F(ScrollBarInWindow, AThumbThatFillsTheTrackDoesNotMoveWhenDragged) {
  PanelScrollBar* bar = MakeVertical();
  bar->SetRange(0, 200, 200, -1);
  Deliver();
  Press(400, 300);
  DragTo(400, 340);
  EXPECT_TRUE(Changes().empty());
  EXPECT_EQ(bar->GetThumb()->GetTop(), 200.0);
}

TEST_F(ScrollBarInWindow, APressOnTheTrackJumpsThereAndTheFarEndGivesTheMaximum) {
  PanelScrollBar* bar = MakeVertical();
  bar->SetRange(0, 50, 200, -1);
  Deliver();
  Press(400, 300);  // (300 - 200) * 200 / 200
  ASSERT_EQ(Changes().size(), 1u);
  EXPECT_EQ(Changes()[0].pos.position, 100.0);
  Release(400, 300);
  Press(400, 399);
  EXPECT_EQ(bar->GetPosition(), 150.0);
  EXPECT_EQ(Changes().back().pos.position, 150.0);
}

TEST_F(ScrollBarInWindow, TheThumbShowsItsStateFrames) {
  PanelScrollBar* bar = MakeVertical();
  bar->SetRange(0, 50, 200, -1);
  Deliver();
  EXPECT_EQ(bar->GetThumbState(), 0);
  // Frame 0 of "thumb" is blue (0x0000C0 as 0x00RRGGBB).
  EXPECT_EQ(bar->GetThumb()->GetPixel(8, 2), 0xC00000u);
  Mouse(WM_MOUSEMOVE, 400, 220);
  Deliver();
  EXPECT_EQ(bar->GetThumbState(), 1);
  EXPECT_EQ(bar->GetThumb()->GetPixel(8, 2), 0x00C000u);
  Mouse(WM_MOUSEMOVE, 100, 100);
  Deliver();
  EXPECT_EQ(bar->GetThumbState(), 0);
  // The grip stays centred on the thumb wherever it goes.
  bar->SetRange(150, 50, 200, -1);
  EXPECT_EQ(bar->GetGrip()->GetY(), bar->GetThumb()->GetY());
}

TEST_F(ScrollBarInWindow, TheArrowButtonsTellTheOwnerAndLeaveTheRangeToIt) {
  PanelScrollBar* bar = MakeVertical();
  bar->SetRange(20, 50, 200, -1);
  Deliver();
  Press(400, 190);
  Release(400, 190);
  Press(400, 410);
  Release(400, 410);
  EXPECT_EQ(Count(frame::panel_msg::kScrollUp), 1);
  EXPECT_EQ(Count(frame::panel_msg::kScrollDown), 1);
  EXPECT_TRUE(Changes().empty());
  EXPECT_EQ(bar->GetPosition(), 20.0);

  PanelScrollBar* across = MakeHorizontal();
  EXPECT_EQ(across->GetFirstButton()->GetRight(), across->GetLeft());
  EXPECT_EQ(across->GetSecondButton()->GetLeft(), across->GetRight());
  Press(292, 500);
  Release(292, 500);
  Press(508, 500);
  Release(508, 500);
  EXPECT_EQ(Count(frame::panel_msg::kScrollLeft), 1);
  EXPECT_EQ(Count(frame::panel_msg::kScrollRight), 1);
}

TEST_F(ScrollBarInWindow, ButtonPicturesOfTheOtherOrientationAreRefused) {
  PanelScrollBar* bar = MakeVertical(false);
  bar->SetLeftButtonPicture(bar->GetPictureInfo("arrow", 0));
  bar->SetRightButtonPicture(bar->GetPictureInfo("arrow", 0));
  EXPECT_EQ(bar->GetFirstButton(), nullptr);
  EXPECT_EQ(bar->GetSecondButton(), nullptr);
  PanelScrollBar* across = MakeHorizontal();
  engine::ImageButton* left = across->GetFirstButton();
  across->SetUpButtonPicture(across->GetPictureInfo("thumb", 0));
  EXPECT_EQ(across->GetFirstButton(), left);
  EXPECT_EQ(left->GetWidth(), 16.0);
}

TEST_F(ScrollBarInWindow, HorizontalBarsMeasureAlongTheirWidth) {
  PanelScrollBar* bar = MakeHorizontal();
  EXPECT_EQ(bar->GetWidth(), 200.0);
  bar->SetRange(0, 100, 400, -1);
  EXPECT_EQ(bar->GetThumbLength(), 50);
  EXPECT_EQ(bar->GetThumb()->GetLeft(), 301.0);
  bar->SetRange(300, 100, 400, -1);
  EXPECT_EQ(bar->GetThumb()->GetRight(), 500.0);
  Deliver();
  Press(480, 500);
  Release(480, 500);
  Press(320, 500);  // (320 - 300) * 400 / 200
  EXPECT_EQ(Changes().back().pos.position, 40.0);
  EXPECT_EQ(Changes().back().orientation, 0u);
}

TEST_F(ScrollBarInWindow, WithoutPicturesTheTrackAndThumbAreFramedInBlack) {
  PanelScrollBar* bar = MakeVertical(false);
  bar->SetRange(0, 50, 200, -1);
  EXPECT_EQ(bar->GetTrack()->GetPixel(0, 100), 0u);
  EXPECT_EQ(bar->GetTrack()->GetPixel(8, 100), PanelScrollBar::kTrackFill);
  EXPECT_EQ(bar->GetThumb()->GetPixel(8, 10), PanelScrollBar::kThumbFill);
}

}  // namespace
