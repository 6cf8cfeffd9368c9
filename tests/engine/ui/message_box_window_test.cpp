// ctest-labels: widgets tsan
// The engine message box driven through the headless window: mouse messages posted to the host
// window reach the buttons through the input module, and the countdown runs on the frame timer.
#include <gtest/gtest.h>

#include "engine/core/canvas_object.h"
#include "engine/ui/message_box_widget.h"
#include "engine/ui/text_button.h"
#include "platform/win_messages.h"
#include "tests/support/hosted_engine.h"

namespace {

using engine::MakeMessage;
using engine::MessageBoxWidget;
using engine::ObjectMessage;
using namespace platform;

constexpr uint32_t kOk = 80000121;
constexpr uint32_t kCancel = 80000122;

class MessageBoxThroughWindow : public test::HostedEngine {
 protected:
  void SetUp() override {
    HostedEngine::SetUp();
    listener_ = new test::TestObject();
    objects_->AddObject(listener_, nullptr);
  }
  // A 240 x 120 box centred at (400, 300) with its buttons on a row 20 above its bottom.
  MessageBoxWidget* ShowBox(bool with_cancel, int32_t countdown) {
    auto* box = new MessageBoxWidget();
    objects_->AddObject(box, nullptr);
    const ObjectMessage ok = MakeMessage(listener_->GetKey(), kOk, 0, 0);
    const ObjectMessage cancel = MakeMessage(listener_->GetKey(), kCancel, 0, 0);
    engine::CanvasObject* body = box->Build(240, 120, &ok, with_cancel ? &cancel : nullptr, countdown);
    body->ResizeSurface(240, 120);
    body->Resize(240, 120);
    const double row = body->GetY() + 40;
    box->GetOkButton()->MoveTo(body->GetX() - 50, row);
    if (with_cancel) box->GetCancelButton()->MoveTo(body->GetX() + 50, row);
    box->MoveTo(400, 300);
    box->Show();
    box->Invalidate();
    Deliver();
    return box;
  }
  int Received(uint32_t id) const { return listener_->Count(id); }

  test::TestObject* listener_ = nullptr;
};

TEST_F(MessageBoxThroughWindow, ClickingOkDeliversOkAndRemovesTheBox) {
  MessageBoxWidget* box = ShowBox(true, 0);
  const uint32_t key = box->GetKey();
  EXPECT_EQ(box->GetOkButton()->GetX(), 350.0);
  EXPECT_EQ(box->GetOkButton()->GetY(), 340.0);
  Click(350, 340);
  EXPECT_EQ(Received(kOk), 1);
  EXPECT_EQ(Received(kCancel), 0);
  Frames(20);
  EXPECT_EQ(objects_->FindObjectByKey(key), nullptr);
}

TEST_F(MessageBoxThroughWindow, ClickingBesideTheButtonsDoesNothing) {
  MessageBoxWidget* box = ShowBox(true, 0);
  Click(400, 270);  // on the body, between no buttons
  EXPECT_EQ(Received(kOk) + Received(kCancel), 0);
  EXPECT_FALSE(box->IsClosing());
  Click(450, 340);
  EXPECT_EQ(Received(kCancel), 1);
}

TEST_F(MessageBoxThroughWindow, HoverAndPressShowOnTheButton) {
  MessageBoxWidget* box = ShowBox(false, 0);
  Mouse(WM_MOUSEMOVE, 350, 340);
  Deliver();
  EXPECT_EQ(box->GetOkButton()->GetState(), engine::TextButton::kHover);
  Mouse(WM_LBUTTONDOWN, 350, 340, MK_LBUTTON);
  Deliver();
  EXPECT_EQ(box->GetOkButton()->GetState(), engine::TextButton::kPressed);
  Mouse(WM_MOUSEMOVE, 600, 100, MK_LBUTTON);
  Mouse(WM_LBUTTONUP, 600, 100);  // released away from the button: no click
  Deliver();
  EXPECT_EQ(Received(kOk), 0);
}

TEST_F(MessageBoxThroughWindow, CountdownEndsTheBoxOnTheFrameTimer) {
  MessageBoxWidget* box = ShowBox(true, 2);
  const uint32_t key = box->GetKey();
  Frames(180);  // 0.9 s
  EXPECT_EQ(box->GetCountdown(), 2);
  Frames(40);  // past the first second
  EXPECT_EQ(box->GetCountdown(), 1);
  Frames(220);
  EXPECT_EQ(Received(kCancel), 1);
  EXPECT_EQ(Received(kOk), 0);
  Frames(20);
  EXPECT_EQ(objects_->FindObjectByKey(key), nullptr);
}

}  // namespace
