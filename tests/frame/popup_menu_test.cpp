// ctest-labels: chat tsan
// The side panel's popup menu in the headless window: its size and frame, where its entries
// stand, how each entry draws its states, separator and icon, the message each entry sends, and
// hiding when the input focus goes elsewhere.
#include <gtest/gtest.h>

#include <string>

#include "engine/core/canvas_object.h"
#include "engine/media/paint_module.h"
#include "frame/popup_menu.h"
#include "platform/win_messages.h"
#include "tests/support/colour_match.h"
#include "tests/support/hosted_engine.h"
#include "tests/support/solid_pictures.h"

namespace {

using engine::MakeMessage;
using engine::ObjectMessage;
using frame::PopupMenu;
using frame::PopupMenuItem;
using namespace platform;

constexpr uint32_t kFirst = 1054;  // entry i sends kFirst + i

using test::Near;

class PopupMenuInWindow : public test::HostedEngine {
 protected:
  void SetUp() override {
    HostedEngine::SetUp();
    paint_ = dynamic_cast<engine::PaintModule*>(window_->GetCore()->FindModule(engine::module_id::kPaint));
    ASSERT_NE(paint_, nullptr);
    test::AddSolidFrames(paint_, "icon40", 40, 40, {0x00C000});
    test::AddSolidFrames(paint_, "icon16", 16, 16, {0xC00000});
    owner_ = new test::TestObject();
    objects_->AddObject(owner_, nullptr);
  }

  // A menu of 162 x 30 entries: "查看详细" (bold, separator), "呼叫玩家", "复制玩家名".
  PopupMenu* MakeMenu() {
    auto* menu = new PopupMenu();
    objects_->AddObject(menu, nullptr);
    EXPECT_TRUE(menu->Create(162, 30, 12, 0xF0F0F0));
    const char* texts[] = {"查看详细", "呼叫玩家", "复制玩家名"};
    for (uint32_t i = 0; i < 3; ++i) {
      const ObjectMessage m = MakeMessage(owner_->GetKey(), kFirst + i, 0, 0);
      EXPECT_NE(menu->AddItem(texts[i], &m, 0x202020, 0, i == 0), nullptr);
      if (i == 0) {
        EXPECT_EQ(menu->AddSeparator(), 1);
      }
    }
    return menu;
  }
  // Shows the menu with its top-left corner at (x, y) and gives it the focus, as its owners do.
  void Open(PopupMenu* menu, int x, int y) {
    menu->MoveTo(x + menu->GetWidth() / 2, y + menu->GetHeight() / 2);
    menu->Show();
    menu->Invalidate();
    menu->SetFocusObject(menu->GetKey());
    Deliver();
  }
  int Received(uint32_t id) const { return owner_->Count(id); }

  engine::PaintModule* paint_ = nullptr;
  test::TestObject* owner_ = nullptr;
};

TEST_F(PopupMenuInWindow, ThreeEntriesOfThirtyMakeAMenuNinetyFourHighWithTheEntriesInsideItsFrame) {
  PopupMenu* menu = MakeMenu();
  EXPECT_EQ(menu->GetItemCount(), 3);
  EXPECT_EQ(menu->GetHeight(), 94.0);
  EXPECT_EQ(menu->GetWidth(), 166.0);
  EXPECT_EQ(menu->IsVisible(), 0u);
  Open(menu, 100, 100);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(menu->GetItem(i)->GetLeft(), 102.0);
    EXPECT_EQ(menu->GetItem(i)->GetTop(), 102.0 + 30 * i);
    EXPECT_NE(menu->GetItem(i)->IsVisible(), 0u);
  }
  EXPECT_EQ(menu->GetItem(3), nullptr);
  EXPECT_EQ(menu->GetItem(-1), nullptr);
  EXPECT_EQ(menu->GetLayer(), engine::kTopLayer);
  // A black frame around the light entries.
  EXPECT_EQ(Pixel(100, 150), 0u);
  EXPECT_EQ(Pixel(265, 150), 0u);
  EXPECT_EQ(Pixel(150, 193), 0u);
  EXPECT_TRUE(Near(Pixel(104, 150), 0xF0F0F0));
}

TEST_F(PopupMenuInWindow, AClickedEntrySendsItsMessageAndTheMenuKeepsTheFocus) {
  PopupMenu* menu = MakeMenu();
  Open(menu, 100, 100);
  Click(180, 147);
  EXPECT_EQ(Received(kFirst + 1), 1);
  EXPECT_EQ(Received(kFirst) + Received(kFirst + 2), 0);
  EXPECT_NE(menu->IsVisible(), 0u);
  Click(180, 180);
  EXPECT_EQ(Received(kFirst + 2), 1);
}

TEST_F(PopupMenuInWindow, AClickOutsideTakesTheFocusAndHidesTheMenu) {
  PopupMenu* menu = MakeMenu();
  Open(menu, 100, 100);
  Click(500, 500);
  EXPECT_EQ(menu->IsVisible(), 0u);
  EXPECT_EQ(menu->GetItem(0)->IsVisible(), 0u);
  Click(180, 147);
  EXPECT_EQ(Received(kFirst + 1), 0);
}

TEST_F(PopupMenuInWindow, EnablingByMessageTouchesOnlyTheEntriesWithThatTargetAndId) {
  PopupMenu* menu = MakeMenu();
  menu->EnableByMessage(owner_->GetKey(), kFirst + 1, false);
  menu->EnableByMessage(owner_->GetKey() + 1, kFirst + 2, false);
  EXPECT_NE(menu->GetItem(0)->TakesInput(), 0);
  EXPECT_EQ(menu->GetItem(1)->TakesInput(), 0);
  EXPECT_NE(menu->GetItem(2)->TakesInput(), 0);
  Open(menu, 100, 100);
  Click(180, 147);
  EXPECT_EQ(Received(kFirst + 1), 0);
  menu->EnableByMessage(owner_->GetKey(), kFirst + 1, true);
  Click(180, 147);
  EXPECT_EQ(Received(kFirst + 1), 1);
}

TEST_F(PopupMenuInWindow, ABoldEntryIsSetWiderAndWhenDisabledIsDrawnFaintAndRegular) {
  PopupMenu* menu = MakeMenu();
  PopupMenuItem* bold = menu->GetItem(0);
  engine::FontRecord style{};
  bold->GetCanvas()->GetTextStyle(&style);
  EXPECT_EQ(style.weight, 600);
  EXPECT_EQ(style.alpha, 255u);
  EXPECT_EQ(style.char_space, 1);
  bold->SetEnabled(false);
  bold->GetCanvas()->GetTextStyle(&style);
  EXPECT_EQ(style.weight, 400);
  EXPECT_EQ(style.alpha, 76u);  // 0.3
  EXPECT_EQ(bold->GetState(), PopupMenuItem::kDisabled);
  // The second entry is regular from the start.
  menu->GetItem(1)->GetCanvas()->GetTextStyle(&style);
  EXPECT_EQ(style.weight, 400);
  EXPECT_EQ(style.char_space, 0);
}

TEST_F(PopupMenuInWindow, HoverAndPressedStatesTakeTheirBackgrounds) {
  PopupMenu* menu = MakeMenu();
  Open(menu, 100, 100);
  PopupMenuItem* item = menu->GetItem(2);
  engine::CanvasObject* canvas = item->GetCanvas();
  EXPECT_EQ(canvas->GetPixel(150, 5), PopupMenuItem::kDefaultNormalBack);
  Mouse(WM_MOUSEMOVE, 180, 180);
  Deliver();
  EXPECT_EQ(item->GetState(), PopupMenuItem::kHover);
  EXPECT_EQ(canvas->GetPixel(150, 5), PopupMenuItem::kDefaultHoverBack);
  Mouse(WM_LBUTTONDOWN, 180, 180, MK_LBUTTON);
  Deliver();
  // Without a pressed background only a frame is drawn over the hover look.
  EXPECT_EQ(canvas->GetPixel(0, 5), 0x202020u);
  EXPECT_EQ(canvas->GetPixel(150, 5), PopupMenuItem::kDefaultHoverBack);
  Mouse(WM_LBUTTONUP, 180, 180);
  Deliver();
  menu->SetItemBackColours(0xFFFFFF, 0xEEEEEE, 0x800000);
  EXPECT_EQ(menu->GetItem(0)->GetCanvas()->GetPixel(150, 5), 0xFFFFFFu);
  Mouse(WM_LBUTTONDOWN, 180, 180, MK_LBUTTON);
  Deliver();
  EXPECT_EQ(canvas->GetPixel(150, 5), 0x800000u);
}

TEST_F(PopupMenuInWindow, TheSeparatorIsAnEtchedLineUnderTheEntry) {
  PopupMenu* menu = MakeMenu();
  engine::CanvasObject* canvas = menu->GetItem(0)->GetCanvas();
  EXPECT_EQ(canvas->GetPixel(4, 28), PopupMenuItem::kDefaultSeparatorDark);
  EXPECT_EQ(canvas->GetPixel(158, 29), PopupMenuItem::kDefaultSeparatorLight);
  EXPECT_EQ(canvas->GetPixel(2, 28), PopupMenuItem::kDefaultNormalBack);
  menu->SetSeparatorInset(10);
  menu->SetSeparatorColours(0x0000FF, 0x00FF00);
  EXPECT_EQ(canvas->GetPixel(6, 28), PopupMenuItem::kDefaultNormalBack);
  EXPECT_EQ(canvas->GetPixel(10, 28), 0x0000FFu);
  EXPECT_EQ(canvas->GetPixel(10, 29), 0x00FF00u);
  EXPECT_FALSE(menu->GetItem(1)->HasSeparator());
}

TEST_F(PopupMenuInWindow, IconsUpToTwentyThreeHighKeepTheirSizeLargerOnesAreDrawnTwentyFour) {
  PopupMenu* menu = MakeMenu();
  PopupMenuItem* item = menu->GetItem(1);
  item->SetIcon(item->GetPictureInfo("icon40", 0));
  EXPECT_EQ(item->GetIconSize(), 24);
  item->DrawState(PopupMenuItem::kNormal);
  // Centred left of the caption (text x 40): x 8..31, y 3..26.
  engine::CanvasObject* canvas = item->GetCanvas();
  EXPECT_TRUE(Near(canvas->GetPixel(8, 3), 0x00C000));
  EXPECT_TRUE(Near(canvas->GetPixel(31, 26), 0x00C000));
  EXPECT_EQ(canvas->GetPixel(7, 3), PopupMenuItem::kDefaultNormalBack);
  EXPECT_EQ(canvas->GetPixel(32, 26), PopupMenuItem::kDefaultNormalBack);
  item->SetIcon(item->GetPictureInfo("icon16", 0));
  EXPECT_EQ(item->GetIconSize(), 16);
}

TEST_F(PopupMenuInWindow, CentringCaptionsUsesHalfTheirBytesTimesTheFontSize) {
  PopupMenu* menu = MakeMenu();
  menu->CentreTexts();
  EXPECT_EQ(menu->GetItem(0)->GetTextX(), 57);  // 8 bytes: (162 - 4 * 12) / 2
  EXPECT_EQ(menu->GetItem(2)->GetTextX(), 51);  // 10 bytes: (162 - 5 * 12) / 2
  const ObjectMessage m = MakeMessage(owner_->GetKey(), 1, 0, 0);
  PopupMenuItem* wide = menu->AddItem(std::string(40, 'x').c_str(), &m, 0, 0, false);
  menu->CentreTexts();
  EXPECT_EQ(wide->GetTextX(), PopupMenuItem::kDefaultTextX);
}

TEST_F(PopupMenuInWindow, FindingEntriesByTheirExactCaption) {
  PopupMenu* menu = MakeMenu();
  EXPECT_EQ(menu->FindItemByText("呼叫玩家"), menu->GetItem(1));
  EXPECT_EQ(menu->FindItemByText("呼叫"), nullptr);
  EXPECT_EQ(menu->FindItemByText(nullptr), nullptr);
}

TEST_F(PopupMenuInWindow, AnEmptyMenuHasNoSeparatorAndHidesWhenLaidOut) {
  auto* menu = new PopupMenu();
  objects_->AddObject(menu, nullptr);
  ASSERT_TRUE(menu->Create(100, 20, 12, 0xF0F0F0));
  EXPECT_EQ(menu->AddSeparator(), 0);
  menu->Show();
  menu->Layout();
  EXPECT_EQ(menu->IsVisible(), 0u);
  EXPECT_EQ(menu->GetItem(0), nullptr);
}

}  // namespace
