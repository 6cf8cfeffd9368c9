// ctest-labels: frame tsan
// The splitter between the table and the side panel: its arrow lights under the pointer, a click
// collapses or restores the panel (always at its default width) and the frame lays out again;
// without its pictures it still works with a 6 x 85 arrow.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/core/canvas_object.h"
#include "frame/game_frame.h"
#include "frame/splitter_bar.h"
#include "tests/support/frame_fixture.h"

namespace {

class Splitter : public test::FrameFixture {
 protected:
  frame::SplitterBar& bar() { return *frame().GetSplitter(); }
  void Send(uint32_t id) {
    const engine::ObjectMessage m = engine::MakeMessage(bar().GetKey(), id, 0, 0);
    bar().OnMessage(&m);
  }
  // Whether the arrow shows exactly that frame of the picture (alpha of every pixel).
  bool ArrowShows(const char* picture, int frame_index) {
    const engine::PictureInfo info = frame().GetPictureInfo(picture, frame_index);
    engine::CanvasObject* arrow = bar().GetArrow();
    if (info.record == nullptr || arrow == nullptr) return false;
    const engine::ImageRecord& r = *info.record;
    for (int y = 0; y < info.height; ++y)
      for (int x = 0; x < info.width; ++x) {
        const uint8_t a = r.pixels[((static_cast<size_t>(info.frame) * r.height + y) * r.width + x) * 4 + 3];
        if ((a != 0) != (arrow->GetPixelAlpha(x, y) != 0)) return false;
      }
    return true;
  }
  int Count(const char* sound) {
    return static_cast<int>(std::count(music_->asked.begin(), music_->asked.end(), sound));
  }
};

TEST_F(Splitter, PointingLightsTheArrowAndTheClickTurnsItOver) {
  Start();
  EXPECT_EQ(bar().GetName(), std::string("SplitterBar"));
  EXPECT_EQ(bar().GetArrow()->GetWidth(), 8);
  EXPECT_EQ(bar().GetArrow()->GetHeight(), 64);
  EXPECT_TRUE(ArrowShows("箭头右", 0));
  Send(frame::SplitterBar::kPointerEntered);
  EXPECT_EQ(bar().GetArrowFrame(), 1);
  EXPECT_TRUE(ArrowShows("箭头右", 1));
  Send(frame::SplitterBar::kClicked);
  EXPECT_EQ(bar().GetCollapsed(), 1);
  EXPECT_TRUE(ArrowShows("箭头左", 0));
  Send(frame::SplitterBar::kPointerEntered);
  EXPECT_TRUE(ArrowShows("箭头左", 1));  // the picture shown now, lit
  Send(frame::SplitterBar::kPointerLeft);
  EXPECT_TRUE(ArrowShows("箭头左", 0));
  Frames(30);
  EXPECT_EQ(Count("SndTouchButton"), 2);
  EXPECT_EQ(Count("SndHitButton"), 1);
}

TEST_F(Splitter, TwoClicksBringThePanelBackAtItsDefaultWidth) {
  Start();
  frame().SetVisibleSidePanelWidth(300);
  frame().LayoutChildren();
  Send(frame::SplitterBar::kClicked);
  EXPECT_EQ(frame().GetVisibleSidePanelWidth(), 0);
  EXPECT_EQ(frame().table->Rect().right, 1024 - 4 - 8);
  Send(frame::SplitterBar::kClicked);
  EXPECT_EQ(frame().GetVisibleSidePanelWidth(), 250);
  EXPECT_EQ(frame().table->Rect().right, 1024 - 250 - 4 - 8);
  // The bar follows the table's right edge, as tall as the table.
  EXPECT_EQ(bar().GetLeft(), frame().table->Rect().right);
  EXPECT_EQ(bar().GetHeight(), 739);
}

TEST_F(Splitter, MaximisedOnAWideScreenTheRestoredPanelIsWide) {
  SetWorkArea(platform::RECT{0, 0, 1920, 1080});
  Start();
  EXPECT_EQ(frame().GetVisibleSidePanelWidth(), 282);  // the window starts maximised
  Send(frame::SplitterBar::kClicked);
  Send(frame::SplitterBar::kClicked);
  EXPECT_EQ(frame().GetVisibleSidePanelWidth(), 282);
}

TEST_F(Splitter, WithoutItsPicturesItStillTogglesWithASixBy85Arrow) {
  skin_ = false;
  Start();
  ASSERT_NE(bar().GetArrow(), nullptr);
  EXPECT_EQ(bar().GetArrow()->GetWidth(), 6);
  EXPECT_EQ(bar().GetArrow()->GetHeight(), 85);
  Send(frame::SplitterBar::kClicked);
  EXPECT_FALSE(bar().IsExpanded());
  EXPECT_EQ(frame().GetVisibleSidePanelWidth(), 0);
  Send(frame::SplitterBar::kClicked);
  EXPECT_TRUE(bar().IsExpanded());
}

}  // namespace
