// ctest-labels: chat tsan
// The emoticon picker in a widget scene: its pages and paging buttons, the hover frame and the
// preview, and the codes its clicks send to the side panel; then the same through the headless
// window's mouse.
#include "frame/emoticon_picker.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/core/canvas_object.h"
#include "engine/core/input_module.h"
#include "engine/core/sprite_object.h"
#include "engine/media/paint_module.h"
#include "engine/ui/image_button.h"
#include "platform/win_messages.h"
#include "tests/support/colour_match.h"
#include "tests/support/hosted_engine.h"
#include "tests/support/solid_pictures.h"
#include "tests/support/widget_scene_fixture.h"

namespace {

using engine::ImageButton;
using engine::ObjectMessage;
using frame::EmoticonPicker;

constexpr uint32_t kIconColour = 0x3080C0;  // 0x00RRGGBB in the picture

// Colours equal but for the drawing's rounding of each channel.
::testing::AssertionResult Near(uint32_t got, uint32_t want) { return test::ColoursWithin(got, want, 1); }

std::string Name(int i) {
  std::string name = "e";
  return name += std::to_string(i);
}
// The code the chat gets for an emoticon: '#' and its name.
std::string Code(int i) {
  std::string code = "#";
  return code += Name(i);
}

// What the side panel got: the code text and the index p2 points at.
struct Pick {
  uint32_t id = 0;
  std::string code;
  int32_t index = -1;
};

class EmoticonPickerTest : public test::WidgetSceneFixture {
 protected:
  void SetUp() override {
    WidgetSceneFixture::SetUp();
    test::AddSolidFrames(paint_, "qzf向前翻页", 30, 30, {0x101010, 0x202020, 0x303030, 0x404040});
    test::AddSolidFrames(paint_, "qzf向后翻页", 30, 30, {0x505050, 0x606060, 0x707070, 0x808080});
    panel_ = new test::TestObject();
    objects_->AddObject(panel_, nullptr);
    panel_->SetName("SubSystem");
    panel_->on_message = [this](test::TestObject&, const ObjectMessage& m) {
      if (m.id != EmoticonPicker::kMsgPickEmoticon && m.id != EmoticonPicker::kMsgInsertEmoticon) return;
      picks_.push_back(Pick{m.id, reinterpret_cast<const char*>(m.p1), *reinterpret_cast<const int32_t*>(m.p2)});
    };
  }

  // A picker of the chat box's shape with count entries, its grid's top-left corner at (100, 50).
  EmoticonPicker* MakePicker(int count, int columns = 10, int rows = 8) {
    auto* picker = new EmoticonPicker();
    services_->AddToScene(picker);
    picker->Create(columns, rows, 32, 2);
    for (int i = 0; i < count; ++i) {
      picker->AddEntry(Name(i).c_str(), Code(i).c_str(), i + 1);
    }
    picker->DrawPage();
    if (picker->GetGrid() != nullptr) {
      picker->MoveTo(100 + picker->GetWidth() / 2, 50 + picker->GetHeight() / 2);
    }
    picker->Show();
    picker->Invalidate();
    return picker;
  }
  // The pointer at the centre of a cell.
  static int32_t At(int cell_index) { return cell_index * 36 + 18; }
  static bool Enabled(const ImageButton* b) { return b->GetState() != ImageButton::kDisabled; }

  test::TestObject* panel_ = nullptr;
  std::vector<Pick> picks_;
};

TEST_F(EmoticonPickerTest, TenByEightHoldsSeventyEightIconsAPageAndAFullPageAddsAnEmptyOne) {
  EmoticonPicker* picker = MakePicker(78);
  EXPECT_EQ(picker->GetCellSize(), 36);
  EXPECT_EQ(picker->GetIconsPerPage(), 78);
  EXPECT_EQ(picker->GetWidth(), 360);
  EXPECT_EQ(picker->GetHeight(), 288);
  EXPECT_EQ(picker->GetPageCount(), 2);
  EXPECT_EQ(picker->GetPage(), 0);
  EXPECT_EQ(MakePicker(77)->GetPageCount(), 1);
  EXPECT_EQ(MakePicker(157)->GetPageCount(), 3);
}

TEST_F(EmoticonPickerTest, PagingStopsAtBothEndsAndTheButtonsAreDisabledThere) {
  EmoticonPicker* picker = MakePicker(100);
  ImageButton* previous = picker->GetPreviousButton();
  ImageButton* next = picker->GetNextButton();
  ASSERT_NE(previous, nullptr);
  ASSERT_NE(next, nullptr);
  EXPECT_FALSE(Enabled(previous));
  EXPECT_TRUE(Enabled(next));

  const ObjectMessage back = engine::MakeMessage(picker->GetKey(), EmoticonPicker::kMsgPreviousPage, 0, 0);
  const ObjectMessage on = engine::MakeMessage(picker->GetKey(), EmoticonPicker::kMsgNextPage, 0, 0);
  picker->OnMessage(&back);
  EXPECT_EQ(picker->GetPage(), 0);
  picker->OnMessage(&on);
  EXPECT_EQ(picker->GetPage(), 1);
  EXPECT_TRUE(Enabled(previous));
  EXPECT_FALSE(Enabled(next));
  picker->OnMessage(&on);
  EXPECT_EQ(picker->GetPage(), 1);
  picker->OnMessage(&back);
  picker->OnMessage(&back);
  EXPECT_EQ(picker->GetPage(), 0);
}

TEST_F(EmoticonPickerTest, ThePagingButtonsStandInTheLastTwoCells) {
  EmoticonPicker* picker = MakePicker(3);
  // Cells 78 and 79 are the last two of row 7: columns 8 and 9. Each button is centred in its
  // cell and moved on by the margin.
  EXPECT_DOUBLE_EQ(picker->GetPreviousButton()->GetX(), 100 + 8 * 36 + 18 + 2);
  EXPECT_DOUBLE_EQ(picker->GetPreviousButton()->GetY(), 50 + 7 * 36 + 18 + 2);
  EXPECT_DOUBLE_EQ(picker->GetNextButton()->GetX(), 100 + 9 * 36 + 18 + 2);
  // One page only: both disabled.
  EXPECT_FALSE(Enabled(picker->GetPreviousButton()));
  EXPECT_FALSE(Enabled(picker->GetNextButton()));
}

TEST_F(EmoticonPickerTest, TheGridShowsEachPagesIconsBetweenGreyLines) {
  test::AddSolidFrames(paint_, "qzfs" + Name(0), 32, 32, {kIconColour});
  test::AddSolidFrames(paint_, "qzfs" + Name(78), 32, 32, {0xC08030});
  EmoticonPicker* picker = MakePicker(80);
  engine::CanvasObject* grid = picker->GetGrid();
  ASSERT_NE(grid, nullptr);
  // COLORREF reads: 0x00BBGGRR.
  EXPECT_TRUE(Near(grid->GetPixel(2, 2), 0xC08030u));  // the icon, inside the margin
  EXPECT_TRUE(Near(grid->GetPixel(33, 33), 0xC08030u));
  EXPECT_EQ(grid->GetPixel(1, 20), 0xFFFFFFu);   // the margin
  EXPECT_EQ(grid->GetPixel(36, 20), 0xE1E1E1u);  // the line between columns 0 and 1
  EXPECT_EQ(grid->GetPixel(0, 20), 0u);          // the frame
  EXPECT_EQ(grid->GetPixel(38, 38), 0xFFFFFFu);  // entry 11 has no picture: its cell stays empty
  const ObjectMessage on = engine::MakeMessage(picker->GetKey(), EmoticonPicker::kMsgNextPage, 0, 0);
  picker->OnMessage(&on);
  EXPECT_TRUE(Near(grid->GetPixel(10, 10), 0x3080C0u));
  EXPECT_EQ(grid->GetPixel(36 + 10, 10), 0xFFFFFFu);  // entry 79: no picture
}

TEST_F(EmoticonPickerTest, HoveringAnIconFramesItAndPreviewsItInTheFarCorner) {
  EmoticonPicker* picker = MakePicker(30);
  picker->OnHover(At(1), At(0));
  ASSERT_NE(picker->GetHoverFrame(), nullptr);
  EXPECT_TRUE(picker->GetHoverFrame()->IsVisible());
  EXPECT_DOUBLE_EQ(picker->GetHoverFrame()->GetX(), 100 + 36 + 18);
  EXPECT_DOUBLE_EQ(picker->GetHoverFrame()->GetY(), 50 + 18);
  EXPECT_EQ(picker->GetHoverFrame()->GetPixel(0, 0), 0xFF0000u);
  engine::CanvasObject* preview = picker->GetPreview();
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(preview->IsVisible());
  // Columns 0 to 2: the top-right corner; elsewhere the top-left.
  EXPECT_DOUBLE_EQ(preview->GetX(), 100 + 360 - 36);
  EXPECT_DOUBLE_EQ(preview->GetY(), 50 + 36);
  ASSERT_NE(picker->GetPreviewAnimation(), nullptr);
  EXPECT_EQ(picker->GetPreviewAnimation()->GetWidth(), 48);
  EXPECT_DOUBLE_EQ(picker->GetPreviewAnimation()->GetX(), preview->GetX());
  EXPECT_EQ(picker->GetLastHovered(), 1);

  picker->OnHover(At(5), At(1));
  EXPECT_DOUBLE_EQ(preview->GetX(), 100 + 36);
  EXPECT_EQ(picker->GetLastHovered(), 15);
}

TEST_F(EmoticonPickerTest, TheSameCellTwiceDoesNothingTheSecondTime) {
  EmoticonPicker* picker = MakePicker(30);
  picker->OnHover(At(2), At(0));
  picker->GetHoverFrame()->Hide();
  picker->OnHover(At(2) + 5, At(0) - 5);
  EXPECT_FALSE(picker->GetHoverFrame()->IsVisible());
  picker->OnHover(At(3), At(0));
  EXPECT_TRUE(picker->GetHoverFrame()->IsVisible());
}

TEST_F(EmoticonPickerTest, APagingCellAnEmptyCellOrTheBorderHidesFrameAndPreview) {
  EmoticonPicker* picker = MakePicker(30);
  for (auto [x, y] : {std::pair{At(8), At(7)}, std::pair{At(5), At(5)}, std::pair{360, At(0)}, std::pair{-3, 4}}) {
    picker->OnHover(At(0), At(0));
    ASSERT_TRUE(picker->GetHoverFrame()->IsVisible());
    picker->OnHover(x, y);
    EXPECT_FALSE(picker->GetHoverFrame()->IsVisible()) << x << "," << y;
    EXPECT_FALSE(picker->GetPreview()->IsVisible()) << x << "," << y;
  }
}

TEST_F(EmoticonPickerTest, ThePointerLeavingAndComingBackToTheSameCellFramesItAgain) {
  EmoticonPicker* picker = MakePicker(30);
  picker->OnHover(At(4), At(0));
  const ObjectMessage left = engine::MakeMessage(picker->GetKey(), engine::QUILLARON_EVENT_MOUSE_LEAVE, 0, 0);
  picker->OnMessage(&left);
  EXPECT_FALSE(picker->GetHoverFrame()->IsVisible());
  picker->OnHover(At(4), At(0));
  EXPECT_TRUE(picker->GetHoverFrame()->IsVisible());
}

TEST_F(EmoticonPickerTest, ClosingThePickerUnderThePointerTakesTheHoverFrameAlong) {
  EmoticonPicker* picker = MakePicker(30);
  picker->OnHover(At(4), At(0));
  ASSERT_TRUE(picker->GetHoverFrame()->IsVisible());
  picker->Hide();
  EXPECT_FALSE(picker->IsVisible());
  EXPECT_FALSE(picker->GetHoverFrame()->IsVisible());
  EXPECT_FALSE(picker->GetPreview()->IsVisible());
  picker->Show();
  picker->OnHover(At(4), At(0));
  EXPECT_TRUE(picker->GetHoverFrame()->IsVisible());
}

TEST_F(EmoticonPickerTest, ALeftClickSendsTheCodeToTheSidePanelAndCloses) {
  EmoticonPicker* picker = MakePicker(100);
  const ObjectMessage on = engine::MakeMessage(picker->GetKey(), EmoticonPicker::kMsgNextPage, 0, 0);
  picker->OnMessage(&on);
  picker->OnHover(At(1), At(0));
  picker->OnLeftClick(At(1), At(0));
  ASSERT_EQ(picks_.size(), 1u);
  EXPECT_EQ(picks_[0].id, 80000065u);
  EXPECT_EQ(picks_[0].code, Code(79));
  EXPECT_EQ(picks_[0].index, 79);
  EXPECT_FALSE(picker->IsVisible());
  EXPECT_FALSE(picker->GetHoverFrame()->IsVisible());
  EXPECT_FALSE(picker->GetPreview()->IsVisible());
  EXPECT_FALSE(picker->GetNextButton()->IsVisible());
}

TEST_F(EmoticonPickerTest, ARightClickSendsTheInsertMessage) {
  EmoticonPicker* picker = MakePicker(10);
  picker->OnRightClick(At(9), At(0));
  ASSERT_EQ(picks_.size(), 1u);
  EXPECT_EQ(picks_[0].id, 80000066u);
  EXPECT_EQ(picks_[0].code, Code(9));
  EXPECT_EQ(picks_[0].index, 9);
}

TEST_F(EmoticonPickerTest, ClicksOnPagingCellsEmptyCellsAndBordersSendNothing) {
  EmoticonPicker* picker = MakePicker(10);
  picker->OnLeftClick(At(8), At(7));
  picker->OnLeftClick(At(9), At(7));
  picker->OnLeftClick(At(0), At(1));  // entry 10 does not exist
  picker->OnLeftClick(360, 5);        // the right border would be cell 10 of row 0, i.e. row 1
  picker->OnRightClick(-1, 5);
  EXPECT_TRUE(picks_.empty());
  EXPECT_TRUE(picker->IsVisible());
}

TEST_F(EmoticonPickerTest, WithoutASidePanelAClickOnlyCloses) {
  panel_->SetName("Elsewhere");
  EmoticonPicker* picker = MakePicker(10);
  picker->OnLeftClick(At(0), At(0));
  EXPECT_TRUE(picks_.empty());
  EXPECT_FALSE(picker->IsVisible());
}

TEST_F(EmoticonPickerTest, AnEmptyPickerDrawsOneEmptyPageAndIgnoresThePointer) {
  EmoticonPicker* picker = MakePicker(0);
  EXPECT_EQ(picker->GetPageCount(), 1);
  EXPECT_TRUE(picker->IsVisible());
  EXPECT_FALSE(Enabled(picker->GetPreviousButton()));
  EXPECT_FALSE(Enabled(picker->GetNextButton()));
  picker->OnHover(At(0), At(0));
  EXPECT_EQ(picker->GetPreview(), nullptr);
  EXPECT_FALSE(picker->GetHoverFrame()->IsVisible());
  picker->OnLeftClick(At(0), At(0));
  EXPECT_TRUE(picks_.empty());
}

TEST_F(EmoticonPickerTest, AGridOfFewerThanThreeCellsHasNoPagesAndHides) {
  EmoticonPicker* picker = MakePicker(5, 1, 2);
  EXPECT_EQ(picker->GetPageCount(), 0);
  picker->DrawPage();
  picker->OnHover(5, 5);
  picker->OnLeftClick(5, 5);
  EXPECT_EQ(picker->GetPageCount(), 0);
  EXPECT_TRUE(picks_.empty());
  // A later shape with room for icons brings the pages back.
  picker->SetGrid(3, 2);
  EXPECT_EQ(picker->GetIconsPerPage(), 4);
  EXPECT_EQ(picker->GetPageCount(), 2);
  EXPECT_EQ(picker->GetWidth(), 3 * 36);
  picker->SetGrid(2, 1);
  EXPECT_EQ(picker->GetPageCount(), 0);
  EXPECT_FALSE(picker->IsVisible());
}

TEST_F(EmoticonPickerTest, AnEmptyOrOversizedShapeBuildsNothing) {
  for (auto [c, r, icon] : {std::tuple{0, 8, 32}, std::tuple{10, 0, 32}, std::tuple{-1, 8, 32}, std::tuple{10, 8, -40},
                            std::tuple{5000, 8, 32}}) {
    auto* picker = new EmoticonPicker();
    services_->AddToScene(picker);
    picker->Create(c, r, icon, 2);
    EXPECT_EQ(picker->GetGrid(), nullptr);
    picker->AddEntry("a", "#a", 1);
    picker->DrawPage();
    picker->OnHover(5, 5);
    picker->OnLeftClick(5, 5);
    picker->SetGrid(3, 3);
  }
  EXPECT_TRUE(picks_.empty());
}

TEST_F(EmoticonPickerTest, ReshapingGoesBackToTheFirstPage) {
  EmoticonPicker* picker = MakePicker(100);
  const ObjectMessage on = engine::MakeMessage(picker->GetKey(), EmoticonPicker::kMsgNextPage, 0, 0);
  picker->OnMessage(&on);
  picker->SetGrid(5, 4);
  EXPECT_EQ(picker->GetPage(), 0);
  EXPECT_EQ(picker->GetPageCount(), 100 / 18 + 1);
  EXPECT_EQ(picker->GetHeight(), 4 * 36);
}

// The picker in the client's window: the mouse moves over it, clicks its icons and its buttons.
class EmoticonPickerInWindow : public test::HostedEngine {
 protected:
  void SetUp() override {
    HostedEngine::SetUp();
    auto* paint = dynamic_cast<engine::PaintModule*>(window_->GetCore()->FindModule(engine::module_id::kPaint));
    ASSERT_NE(paint, nullptr);
    test::AddSolidFrames(paint, "qzf向前翻页", 30, 30, {0x101010, 0x202020, 0x303030, 0x404040});
    test::AddSolidFrames(paint, "qzf向后翻页", 30, 30, {0x505050, 0x606060, 0x707070, 0x808080});
    test::AddSolidFrames(paint, "qzfs" + Name(0), 32, 32, {kIconColour});
    panel_ = new test::TestObject();
    panel_->drawable = false;
    objects_->AddObject(panel_, nullptr);
    panel_->SetName("SubSystem");
    picker_ = new EmoticonPicker();
    root_->AddToScene(picker_);
    picker_->Create(10, 8, 32, 2);
    for (int i = 0; i < 100; ++i) picker_->AddEntry(Name(i).c_str(), Code(i).c_str(), i);
    picker_->MoveTo(100 + 180, 50 + 144);
    picker_->SetDepth(10000.0);
    picker_->DrawPage();
    picker_->Show();
    picker_->Invalidate();
    Deliver();
  }
  int Picks() const {
    int n = 0;
    for (const ObjectMessage& m : panel_->received) n += m.id == EmoticonPicker::kMsgPickEmoticon ? 1 : 0;
    return n;
  }

  test::TestObject* panel_ = nullptr;
  EmoticonPicker* picker_ = nullptr;
};

TEST_F(EmoticonPickerInWindow, TheMouseFramesAnIconAndAClickPicksIt) {
  EXPECT_TRUE(Near(Pixel(100 + 10, 50 + 10), kIconColour));
  Mouse(platform::WM_MOUSEMOVE, 100 + 18, 50 + 18);
  Deliver();
  EXPECT_TRUE(picker_->GetHoverFrame()->IsVisible());
  EXPECT_EQ(picker_->GetLastHovered(), 0);
  EXPECT_TRUE(Near(Pixel(100, 50 + 18), 0x0000FFu));  // the blue frame, over the grid's black edge
  Mouse(platform::WM_LBUTTONDOWN, 100 + 18, 50 + 18, platform::MK_LBUTTON);
  Mouse(platform::WM_LBUTTONUP, 100 + 18, 50 + 18);
  Deliver();
  EXPECT_EQ(Picks(), 1);
  EXPECT_FALSE(picker_->IsVisible());
}

TEST_F(EmoticonPickerInWindow, TheNextPageButtonPagesOnItsClick) {
  const int x = 100 + 9 * 36 + 20;
  const int y = 50 + 7 * 36 + 20;
  Mouse(platform::WM_MOUSEMOVE, x, y);
  Mouse(platform::WM_LBUTTONDOWN, x, y, platform::MK_LBUTTON);
  Mouse(platform::WM_LBUTTONUP, x, y);
  Deliver();
  EXPECT_EQ(picker_->GetPage(), 1);
  EXPECT_EQ(Picks(), 0);
  EXPECT_TRUE(picker_->IsVisible());
  // The page shows entries 78 to 99: the first cell holds entry 78, which has no picture.
  EXPECT_FALSE(Near(Pixel(100 + 10, 50 + 10), kIconColour));
}

}  // namespace
