// ctest-labels: ui tsan
// Menu lists and hover tips driven through the headless window: the pointer and the input focus
// come from mouse messages posted to the host window.
#include <gtest/gtest.h>

#include "engine/core/canvas_object.h"
#include "engine/media/paint_module.h"
#include "engine/ui/bar_button.h"
#include "engine/ui/image_button.h"
#include "engine/ui/menu_item.h"
#include "engine/ui/menu_list.h"
#include "platform/win_messages.h"
#include "tests/support/colour_match.h"
#include "tests/support/hosted_engine.h"
#include "tests/support/solid_pictures.h"

namespace {

using engine::BarButton;
using engine::ImageButton;
using engine::MakeMessage;
using engine::MenuItem;
using engine::MenuList;
using engine::ObjectMessage;
using namespace platform;

constexpr uint32_t kRow = 80000070;  // row i sends kRow + i
constexpr uint32_t kButton = 80000069;

using test::Near;

class WidgetsThroughWindow : public test::HostedEngine {
 protected:
  void SetUp() override {
    HostedEngine::SetUp();
    paint_ = dynamic_cast<engine::PaintModule*>(window_->GetCore()->FindModule(engine::module_id::kPaint));
    ASSERT_NE(paint_, nullptr);
    test::AddSolidFrames(paint_, "btnQuick", 40, 20, {0xC00000, 0x00C000, 0x0000C0, 0x808080});
    listener_ = new test::TestObject();
    objects_->AddObject(listener_, nullptr);
  }
  int Received(uint32_t id) const { return listener_->Count(id); }
  void MoveTo(int x, int y) {
    Mouse(WM_MOUSEMOVE, x, y);
    Deliver();
  }
  ImageButton* MakeButton(double x, double y) {
    auto* button = new ImageButton();
    objects_->AddObject(button, nullptr);
    const engine::PictureInfo picture = button->GetPictureInfo("btnQuick", 0);
    const ObjectMessage click = MakeMessage(listener_->GetKey(), kButton, 0, 0);
    button->Create(&picture, &click, 0, 4);
    button->MoveTo(x, y);
    button->Show();
    return button;
  }
  // Three rows of 200 x 20, the list's top edge at y 270, shown and holding the focus.
  MenuList* MakeMenu() {
    auto* menu = new MenuList();
    objects_->AddObject(menu, nullptr);
    EXPECT_TRUE(menu->Create(200, 20, 12, 0x2E7412));
    const char* texts[] = {"第一行", "第二行", "第三行"};
    for (uint32_t i = 0; i < 3; ++i) {
      const ObjectMessage m = MakeMessage(listener_->GetKey(), kRow + i, i, 0);
      EXPECT_NE(menu->AddItem(texts[i], &m, 0xA40755, 0), nullptr);
    }
    menu->SetFocusable(true);
    menu->SetDepth(10000.0);
    menu->MoveTo(400, 300);
    menu->Show();
    menu->SetFocusObject(menu->GetKey());
    Deliver();
    return menu;
  }

  engine::PaintModule* paint_ = nullptr;
  test::TestObject* listener_ = nullptr;
};

TEST_F(WidgetsThroughWindow, AMenuRowClickDeliversItsMessageAndTheMenuKeepsTheFocus) {
  MenuList* menu = MakeMenu();
  ASSERT_EQ(menu->GetItemCount(), 3u);
  EXPECT_EQ(menu->GetTop(), 270.0);
  EXPECT_EQ(menu->GetItem(1)->GetY(), 300.0);
  // The rows show in the row colour over the window.
  EXPECT_TRUE(Near(Pixel(302, 272), 0x12742E));
  Click(400, 300);
  EXPECT_EQ(Received(kRow + 1), 1);
  EXPECT_EQ(Received(kRow) + Received(kRow + 2), 0);
  EXPECT_NE(menu->IsVisible(), 0u);
  Click(400, 285);
  EXPECT_EQ(Received(kRow), 1);
  EXPECT_NE(menu->IsVisible(), 0u);
}

TEST_F(WidgetsThroughWindow, AMenuHidesWhenItLosesTheFocus) {
  MenuList* menu = MakeMenu();
  EXPECT_NE(menu->IsVisible(), 0u);
  Click(100, 100);
  EXPECT_EQ(menu->IsVisible(), 0u);
  EXPECT_EQ(menu->GetItem(0)->IsVisible(), 0u);
  // Hidden, its rows take no clicks.
  Click(400, 300);
  EXPECT_EQ(Received(kRow + 1), 0);
}

TEST_F(WidgetsThroughWindow, RowsRemovedWhileTheMenuIsShownCloseUpAndTheLastOneHidesIt) {
  MenuList* menu = MakeMenu();
  MenuItem* first = menu->GetItem(0);
  const uint32_t first_key = first->GetKey();
  EXPECT_TRUE(menu->RemoveItem(first));
  EXPECT_FALSE(menu->RemoveItem(first));
  Frames(10);
  EXPECT_EQ(objects_->FindObjectByKey(first_key), nullptr);
  ASSERT_EQ(menu->GetItemCount(), 2u);
  EXPECT_EQ(menu->GetCanvas()->GetSurfaceHeight(), 40);
  EXPECT_EQ(menu->GetItem(0)->GetY(), menu->GetTop() + 10);
  Click(400, menu->GetTop() + 10);
  EXPECT_EQ(Received(kRow + 1), 1);
  menu->RemoveItem(menu->GetItem(0));
  menu->RemoveItem(menu->GetItem(0));
  EXPECT_EQ(menu->GetItemCount(), 0u);
  EXPECT_EQ(menu->IsVisible(), 0u);
}

TEST_F(WidgetsThroughWindow, ARowMayRemoveItselfFromItsOwnClick) {
  MenuList* menu = MakeMenu();
  listener_->on_message = [menu](test::TestObject&, const ObjectMessage& m) {
    if (m.id >= kRow && m.id < kRow + 3) menu->RemoveItem(menu->GetItem(m.p1));
  };
  Click(400, 300);
  Deliver();
  EXPECT_EQ(Received(kRow + 1), 1);
  EXPECT_EQ(menu->GetItemCount(), 2u);
  EXPECT_STREQ(menu->GetItem(1)->GetText(), "第三行");
}

TEST_F(WidgetsThroughWindow, AHoverTipShowsWhileThePointerIsOverItsTarget) {
  ImageButton* button = MakeButton(200, 150);
  auto* tip = new BarButton();
  objects_->AddObject(tip, nullptr);
  ASSERT_TRUE(tip->Create(button, "排序", 120));
  Deliver();
  EXPECT_EQ(tip->IsVisible(), 0u);
  MoveTo(200, 150);
  EXPECT_NE(tip->IsVisible(), 0u);
  EXPECT_EQ(tip->GetX(), 200.0);
  EXPECT_EQ(tip->GetTop(), button->GetBottom() + BarButton::kGap);
  EXPECT_LE(tip->GetWidth(), 120.0);
  const int left = static_cast<int>(tip->GetLeft());
  const int top = static_cast<int>(tip->GetTop());
  EXPECT_TRUE(Near(Pixel(left + 1, top + 1), 0xFFFFE1));
  // The pointer stays the button's: its hover frame shows.
  EXPECT_EQ(Pixel(200, 150), 0x00C000u);
  MoveTo(205, 152);
  EXPECT_NE(tip->IsVisible(), 0u);
  MoveTo(400, 400);
  EXPECT_EQ(tip->IsVisible(), 0u);
  EXPECT_FALSE(Near(Pixel(left + 1, top + 1), 0xFFFFE1));
  MoveTo(200, 150);
  EXPECT_NE(tip->IsVisible(), 0u);
  Mouse(WM_LBUTTONDOWN, 200, 150, MK_LBUTTON);
  Deliver();
  EXPECT_EQ(tip->IsVisible(), 0u);
}

TEST_F(WidgetsThroughWindow, ATipWithNoRoomBelowItsTargetStandsAboveItAndWrapsLongText) {
  ImageButton* button = MakeButton(790, 590);
  auto* tip = new BarButton();
  objects_->AddObject(tip, nullptr);
  tip->Create(button, "一二三四五六七八九十一二三四五六七八九十", 120);
  MoveTo(785, 590);
  ASSERT_NE(tip->IsVisible(), 0u);
  EXPECT_EQ(tip->GetWidth(), 120.0);
  EXPECT_GT(tip->GetHeight(), 30.0);
  EXPECT_EQ(tip->GetBottom(), button->GetTop() - BarButton::kGap);
  EXPECT_EQ(tip->GetRight(), 800.0);
}

TEST_F(WidgetsThroughWindow, ATooLongTipIsCutBetweenCharactersNeverInsideOne) {
  auto* tip = new BarButton();
  objects_->AddObject(tip, nullptr);
  std::string text = "a";
  for (int i = 0; i < 200; ++i) text += "一";
  tip->Create(MakeButton(400, 300), text.c_str(), 120);
  EXPECT_EQ(std::string(tip->GetText()), text.substr(0, BarButton::kMaxText - 1));
}

}  // namespace

namespace {

TEST_F(WidgetsThroughWindow, AMenuTakesItsRowsWithItWhenItLeavesTheScene) {
  MenuList* menu = MakeMenu();
  const uint32_t row_key = menu->GetItem(2)->GetKey();
  const uint32_t row_canvas_key = menu->GetItem(2)->GetCanvas()->GetKey();
  menu->DeleteObject(menu, false);
  Frames(10);
  EXPECT_EQ(objects_->FindObjectByKey(row_key), nullptr);
  EXPECT_EQ(objects_->FindObjectByKey(row_canvas_key), nullptr);
}

}  // namespace
