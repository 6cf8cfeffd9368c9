// ctest-labels: widgets
#include "engine/ui/message_box_widget.h"

#include <gtest/gtest.h>

#include "engine/core/canvas_object.h"
#include "engine/ui/text_button.h"
#include "tests/support/widget_scene_fixture.h"

namespace {

using engine::MakeMessage;
using engine::MessageBoxWidget;
using engine::ObjectMessage;
using engine::TextButton;

constexpr uint32_t kOk = 80000101;
constexpr uint32_t kCancel = 80000102;

class MessageBoxTest : public test::WidgetSceneFixture {
 protected:
  MessageBoxWidget* NewBox() {
    auto* box = new MessageBoxWidget();
    services_->AddToScene(box);
    return box;
  }
  ObjectMessage Ok() const { return MakeMessage(listener_->GetKey(), kOk, 1, 0); }
  ObjectMessage Cancel() const { return MakeMessage(listener_->GetKey(), kCancel, 2, 0); }
  // A left click on a button as the input module reports it on the button's canvas.
  void Click(TextButton* button) {
    engine::EngineObject* canvas = button->GetSkinOrSelf();
    FireInput(canvas, engine::QUILLARON_EVENT_MOUSE_ENTER);
    FireInput(canvas, engine::QUILLARON_EVENT_LBUTTON_DOWN);
    FireInput(canvas, engine::QUILLARON_EVENT_LBUTTON_UP);
    FireInput(canvas, engine::QUILLARON_EVENT_CLICK);
  }
  bool InScene(uint32_t key) const { return objects_->FindObjectByKey(key) != nullptr; }
};

TEST_F(MessageBoxTest, BuildMakesOnlyThePartsAskedFor) {
  MessageBoxWidget* box = NewBox();
  const ObjectMessage ok = Ok();
  engine::CanvasObject* body = box->Build(120, 90, &ok, nullptr, 0);
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(box->GetBody(), body);
  EXPECT_EQ(body->GetSurfaceWidth(), 120);
  EXPECT_EQ(box->GetSkinOrSelf(), body);
  ASSERT_NE(box->GetOkButton(), nullptr);
  EXPECT_STREQ(box->GetOkButton()->GetText(), "确定");
  EXPECT_EQ(box->GetOkButton()->GetWidth(), 80.0);
  EXPECT_EQ(box->GetOkButton()->GetHeight(), 30.0);
  EXPECT_EQ(box->GetCancelButton(), nullptr);
  EXPECT_EQ(box->GetCountdownCanvas(), nullptr);
  EXPECT_EQ(body->GetLayer(), engine::kTopLayer);

  MessageBoxWidget* counted = NewBox();
  const ObjectMessage cancel = Cancel();
  counted->Build(100, 100, nullptr, &cancel, 150);
  EXPECT_EQ(counted->GetCountdown(), 99);
  ASSERT_NE(counted->GetCountdownCanvas(), nullptr);
  EXPECT_EQ(counted->GetCountdownCanvas()->GetSurfaceWidth(), 40);
  EXPECT_STREQ(counted->GetCancelButton()->GetText(), "取消");

  auto* loose = new MessageBoxWidget();  // not in a scene: nothing is built
  EXPECT_EQ(loose->Build(10, 10, &ok, nullptr, 0), nullptr);
  delete loose;
}

TEST_F(MessageBoxTest, PartsFollowTheBodyWhateverItsSizeLater) {
  MessageBoxWidget* box = NewBox();
  const ObjectMessage ok = Ok();
  engine::CanvasObject* body = box->Build(10, 10, &ok, nullptr, 0);
  body->ResizeSurface(300, 120);
  body->Resize(300, 120);
  box->GetOkButton()->MoveTo(body->GetX(), body->GetY() + 40);
  box->MoveTo(400, 300);
  EXPECT_EQ(body->GetX(), 400.0);
  EXPECT_EQ(box->GetOkButton()->GetX(), 400.0);
  EXPECT_EQ(box->GetOkButton()->GetY(), 340.0);
  EXPECT_EQ(box->GetOkButton()->GetWidth(), 80.0) << "buttons keep their size when the body is resized";
  box->SetAlpha(0.5);
  EXPECT_EQ(box->GetOkButton()->GetAlpha(), 0.5);
  box->Hide();
  EXPECT_EQ(box->GetOkButton()->IsVisible(), 0u);
}

TEST_F(MessageBoxTest, OkDeliversItsMessageAndClosesTheBox) {
  MessageBoxWidget* box = NewBox();
  const ObjectMessage ok = Ok();
  const ObjectMessage cancel = Cancel();
  box->Build(200, 100, &ok, &cancel, 0);
  box->Show();
  TextButton* button = box->GetOkButton();
  const uint32_t keys[] = {box->GetKey(), box->GetBody()->GetKey(), button->GetKey(), button->GetSkinOrSelf()->GetKey(),
                           box->GetCancelButton()->GetKey()};
  Click(button);
  EXPECT_EQ(Received(kOk), 1) << "delivered at once";
  EXPECT_EQ(Received(kCancel), 0);
  EXPECT_EQ(box->IsVisible(), 0u);
  Click(button);  // a second click while the box goes away sends nothing more
  EXPECT_EQ(Received(kOk), 1);
  Pass();
  Pass();
  for (uint32_t key : keys) EXPECT_FALSE(InScene(key)) << key;
}

TEST_F(MessageBoxTest, CancelDeliversTheCancelMessage) {
  MessageBoxWidget* box = NewBox();
  const ObjectMessage ok = Ok();
  const ObjectMessage cancel = Cancel();
  box->Build(200, 100, &ok, &cancel, 0);
  Click(box->GetCancelButton());
  EXPECT_EQ(Received(kCancel), 1);
  EXPECT_EQ(Received(kOk), 0);
  EXPECT_TRUE(box->IsClosing());
}

TEST_F(MessageBoxTest, CountdownTicksEachSecondThenAnswersCancel) {
  MessageBoxWidget* box = NewBox();
  const ObjectMessage ok = Ok();
  const ObjectMessage cancel = Cancel();
  box->Build(200, 100, &ok, &cancel, 3);
  const uint32_t key = box->GetKey();
  Pass(11);  // the first delay starts
  std::vector<int32_t> counts{box->GetCountdown()};
  int passes = 0;
  while (Received(kCancel) == 0 && passes < 100) {
    Pass(100);
    ++passes;
    if (box->GetCountdown() != counts.back()) counts.push_back(box->GetCountdown());
  }
  EXPECT_EQ(counts, (std::vector<int32_t>{3, 2, 1, 0}));
  // Each second's delay starts in the pass after the last one ended.
  EXPECT_GE(passes, 30);
  EXPECT_LE(passes, 33);
  EXPECT_EQ(Received(kCancel), 1);
  EXPECT_EQ(Received(kOk), 0);
  Pass();
  Pass();
  EXPECT_FALSE(InScene(key));
}

TEST_F(MessageBoxTest, CountdownWithOnlyOkAnswersOk) {
  MessageBoxWidget* box = NewBox();
  const ObjectMessage ok = Ok();
  box->Build(200, 100, &ok, nullptr, 1);
  Pass(11);
  for (int i = 0; i < 11; ++i) Pass(100);
  EXPECT_EQ(Received(kOk), 1);
}

TEST_F(MessageBoxTest, ABoxWithoutButtonsClosesWhenClicked) {
  MessageBoxWidget* box = NewBox();
  box->Build(300, 200, nullptr, nullptr, -1);
  box->Show();
  const uint32_t key = box->GetKey();
  FireInput(box->GetBody(), engine::QUILLARON_EVENT_CLICK);
  EXPECT_TRUE(box->IsClosing());
  Pass();
  Pass();
  EXPECT_FALSE(InScene(key));
}

TEST_F(MessageBoxTest, ButtonStatesFollowThePointerAndTheEnableSwitch) {
  MessageBoxWidget* box = NewBox();
  const ObjectMessage ok = Ok();
  box->Build(200, 100, &ok, nullptr, 0);
  TextButton* button = box->GetOkButton();
  engine::EngineObject* canvas = button->GetSkinOrSelf();
  EXPECT_EQ(button->GetState(), TextButton::kNormal);
  FireInput(canvas, engine::QUILLARON_EVENT_MOUSE_ENTER);
  EXPECT_EQ(button->GetState(), TextButton::kHover);
  FireInput(canvas, engine::QUILLARON_EVENT_LBUTTON_DOWN);
  EXPECT_EQ(button->GetState(), TextButton::kPressed);
  FireInput(canvas, engine::QUILLARON_EVENT_MOUSE_LEAVE);
  EXPECT_EQ(button->GetState(), TextButton::kNormal);

  button->SetEnabled(false);
  EXPECT_EQ(button->GetState(), TextButton::kDisabled);
  EXPECT_EQ(canvas->TakesInput(), 0);
  FireInput(canvas, engine::QUILLARON_EVENT_CLICK);
  EXPECT_EQ(Received(kOk), 0) << "a disabled button sends nothing";
  button->SetEnabled(true);
  EXPECT_EQ(button->GetState(), TextButton::kNormal);
  button->SetText("好");
  EXPECT_STREQ(button->GetText(), "好");
  // The caption is drawn: the canvas has text-coloured pixels beside its fill.
  auto* surface = static_cast<engine::CanvasObject*>(canvas);
  const engine::COLORREF fill = surface->GetPixel(1, 1);
  int inked = 0;
  for (int y = 1; y < 29; ++y) {
    for (int x = 1; x < 79; ++x) inked += surface->GetPixel(x, y) != fill ? 1 : 0;
  }
  EXPECT_GT(inked, 0);
}

}  // namespace
