// ctest-labels: widgets
#include <gtest/gtest.h>

#include <string>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/ui/message_box_widget.h"
#include "engine/ui/text_button.h"
#include "tests/support/widget_scene_fixture.h"

namespace {

using engine::CanvasObject;
using engine::MakeMessage;
using engine::MessageBoxWidget;
using engine::ObjectMessage;

constexpr uint32_t kOk = 80000111;
constexpr uint32_t kCancel = 80000112;

class SystemOverlaysTest : public test::WidgetSceneFixture {
 protected:
  // The message box the services made last (the newest in the scene).
  MessageBoxWidget* LastBox() {
    MessageBoxWidget* found = nullptr;
    for (uint32_t key = 1; key < 400; ++key) {
      if (auto* box = dynamic_cast<MessageBoxWidget*>(objects_->FindObjectByKey(key))) found = box;
    }
    return found;
  }
  // Height of one 15-pixel line of the overlays' font at width w.
  int32_t LineHeight(const char* text, int32_t w) {
    CanvasObject* probe = services_->CreateCanvas(10, 10, engine::kColourKey);
    probe->SetFont(15, 400, engine::kDefaultFaceName);
    probe->SetTextMargins(10, 10);
    const int32_t h = probe->MeasureText(text, w);
    services_->DeleteObject(probe, false);
    return h;
  }
  int PassesUntilOpaque(engine::EngineObject* object) {
    for (int i = 1; i <= 40; ++i) {
      Pass();
      if (object->GetAlpha() == 1.0) return i;
    }
    return -1;
  }
};

TEST_F(SystemOverlaysTest, OneLineBoxWithOkOnly) {
  const ObjectMessage ok = MakeMessage(listener_->GetKey(), kOk, 0, 0);
  services_->ShowMessageBox("你好", &ok, nullptr, 0);
  MessageBoxWidget* box = LastBox();
  ASSERT_NE(box, nullptr);
  CanvasObject* body = box->GetBody();
  const int32_t line = LineHeight("你好", 200);
  EXPECT_EQ(body->GetWidth(), 200.0);
  EXPECT_EQ(body->GetHeight(), 70.0 + line);
  EXPECT_EQ(body->GetSurfaceHeight(), 70 + line);
  EXPECT_EQ(body->GetX(), 400.0);
  EXPECT_EQ(body->GetY(), 300.0);
  ASSERT_NE(box->GetOkButton(), nullptr);
  EXPECT_EQ(box->GetOkButton()->GetX(), 400.0);
  EXPECT_EQ(box->GetOkButton()->GetY(), 300.0 + (70 + line) / 2 - 20);
  EXPECT_EQ(box->GetCancelButton(), nullptr);
  EXPECT_EQ(box->GetCountdownCanvas(), nullptr);
  // The body's fill and frame: green inside, black outside.
  EXPECT_EQ(body->GetPixel(100, 5), 0x008000u);
  EXPECT_EQ(body->GetPixel(0, 0), 0u);
  EXPECT_EQ(body->GetPixelAlpha(0, 0), 255);
  // Faded in from 0: opaque on the 11th run, the fade done on the 12th.
  EXPECT_EQ(box->GetAlpha(), 0.0);
  EXPECT_EQ(PassesUntilOpaque(box), 11);
  EXPECT_EQ(objects_->CountActions(), 1u);
  Pass();
  EXPECT_EQ(objects_->CountActions(), 0u);
  EXPECT_EQ(box->GetOkButton()->GetAlpha(), 1.0);
}

TEST_F(SystemOverlaysTest, LongTextGrowsTheBoxToFiveHundredAndNoFurther) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "很长很长的一行字，";
  services_->ShowMessageBox(text.c_str(), nullptr, nullptr, 0);
  MessageBoxWidget* box = LastBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->GetBody()->GetWidth(), 500.0);
  EXPECT_GT(box->GetBody()->GetHeight(), 500.0);
}

TEST_F(SystemOverlaysTest, OkCancelAndCountdownAreLaidOutAroundTheCentre) {
  const ObjectMessage ok = MakeMessage(listener_->GetKey(), kOk, 0, 0);
  const ObjectMessage cancel = MakeMessage(listener_->GetKey(), kCancel, 0, 0);
  services_->ShowMessageBox("确定吗？", &ok, &cancel, 5);
  MessageBoxWidget* box = LastBox();
  ASSERT_NE(box, nullptr);
  CanvasObject* body = box->GetBody();
  const double row_y = body->GetY() + static_cast<int32_t>(body->GetHeight()) / 2 - 20;
  EXPECT_EQ(box->GetOkButton()->GetRight(), 400.0 - 10.0);
  EXPECT_EQ(box->GetCancelButton()->GetLeft(), 400.0 + 10.0);
  EXPECT_EQ(box->GetOkButton()->GetY(), row_y);
  EXPECT_EQ(box->GetCancelButton()->GetY(), row_y);
  CanvasObject* countdown = box->GetCountdownCanvas();
  ASSERT_NE(countdown, nullptr);
  EXPECT_EQ(countdown->GetX(), body->GetRight() - 10);
  EXPECT_EQ(countdown->GetBottom(), box->GetOkButton()->GetTop());
  EXPECT_EQ(box->GetCountdown(), 5);
}

TEST_F(SystemOverlaysTest, EmptyLinesTakeABlankRowEach) {
  services_->ShowMessageBox("a\n\nb", nullptr, nullptr, 0);
  MessageBoxWidget* box = LastBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->GetBody()->GetHeight(), 70.0 + LineHeight("a", 200) + LineHeight(" ", 200) + LineHeight("b", 200));
  services_->ShowMessageBox("a\n", nullptr, nullptr, 0);
  EXPECT_EQ(LastBox()->GetBody()->GetHeight(), 70.0 + LineHeight("a", 200)) << "no empty last line";
}

TEST_F(SystemOverlaysTest, DetailsBoxShowsAndClosesOnAClick) {
  services_->ShowSystemDetails();
  MessageBoxWidget* box = LastBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->GetBody()->GetWidth(), 300.0);
  EXPECT_EQ(box->GetBody()->GetHeight(), 200.0);
  EXPECT_EQ(box->GetOkButton(), nullptr);
  EXPECT_EQ(box->GetBody()->GetX(), 400.0);
  EXPECT_EQ(box->GetBody()->GetPixel(150, 150) == 0x008000u || box->GetBody()->GetPixel(150, 190) == 0x008000u, true);
  EXPECT_NE(box->IsVisible(), 0u);
  FireInput(box->GetBody(), engine::QUILLARON_EVENT_CLICK);
  EXPECT_TRUE(box->IsClosing());
}

TEST_F(SystemOverlaysTest, BoardShowsFadesAndHidesAfterItsSeconds) {
  services_->ShowSystemBoard("牌局开始", 3);
  CanvasObject* board = services_->GetSystemBoard();
  ASSERT_NE(board, nullptr);
  EXPECT_STREQ(board->GetName(), "object-systemboard");
  // 8 bytes x 15 / 2 = 60 wide, plus 10 on each side.
  EXPECT_EQ(board->GetSurfaceWidth(), 80);
  EXPECT_EQ(board->GetWidth(), 80.0);
  EXPECT_EQ(board->GetX(), 400.0);
  EXPECT_EQ(board->GetPixel(40, 3), 0x008000u);
  EXPECT_EQ(PassesUntilOpaque(board), 11);
  EXPECT_NE(board->IsVisible(), 0u);
  // 3000 ms after the hide was queued (11 passes of 30 ms have gone by).
  int passes = 0;
  while (board->IsVisible() && passes < 200) {
    Pass();
    ++passes;
  }
  EXPECT_EQ(board->IsVisible(), 0u);
  EXPECT_GE(11 + passes, 100);
  EXPECT_LE(11 + passes, 102);
}

TEST_F(SystemOverlaysTest, HidingTheBoardCancelsItsPendingHide) {
  services_->ShowSystemBoard("first", 3);
  for (int i = 0; i < 33; ++i) Pass();  // about a second
  services_->HideSystemBoard();
  CanvasObject* board = services_->GetSystemBoard();
  EXPECT_EQ(board->IsVisible(), 0u);
  services_->ShowSystemBoard("second", 0);
  for (int i = 0; i < 150; ++i) Pass();  // well past the first call's three seconds
  EXPECT_NE(board->IsVisible(), 0u) << "the first call's hide never comes";
}

TEST_F(SystemOverlaysTest, NewBoardTextIsNotHiddenByAnEarlierCall) {
  services_->ShowSystemBoard("first", 1);
  for (int i = 0; i < 10; ++i) Pass();
  services_->ShowSystemBoard("second", 5);
  for (int i = 0; i < 60; ++i) Pass();  // past the first call's second, short of the second's five
  EXPECT_NE(services_->GetSystemBoard()->IsVisible(), 0u);
}

TEST_F(SystemOverlaysTest, BoardWithoutTextBeforeAnyIsTenByTenAndBlank) {
  services_->ShowSystemBoard(nullptr, 0);
  CanvasObject* board = services_->GetSystemBoard();
  ASSERT_NE(board, nullptr);
  EXPECT_EQ(board->GetSurfaceWidth(), 10);
  EXPECT_EQ(board->GetSurfaceHeight(), 10);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) EXPECT_EQ(board->GetPixelAlpha(x, y), 0);
  }
  EXPECT_NE(board->IsVisible(), 0u);
}

TEST_F(SystemOverlaysTest, NoteRefreshesWithOneActionHoweverOftenShown) {
  services_->ShowSystemNote(true);
  services_->ShowSystemNote(true);
  Pass();
  EXPECT_EQ(objects_->CountActions(), 1u);
  auto* note = dynamic_cast<CanvasObject*>(services_->FindObjectByName("object_systemnote"));
  ASSERT_NE(note, nullptr);
  EXPECT_NE(note->IsVisible(), 0u);
  EXPECT_EQ(note->GetX(), 50.0);
  int drawn = 0;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 100; ++x) drawn += note->GetPixelAlpha(x, y) != 0 ? 1 : 0;
  }
  EXPECT_GT(drawn, 0) << "the refresh drew the figures";
  services_->ShowSystemNote(false);
  Pass();
  EXPECT_EQ(objects_->CountActions(), 0u);
  EXPECT_EQ(note->IsVisible(), 0u);
}

TEST_F(SystemOverlaysTest, SettingsMessageWithDefaultsSendsNothing) {
  services_->SendSettingsMessage(5, 6);
  EXPECT_TRUE(listener_->received.empty());
}

}  // namespace
