// ctest-labels: ui
// Text buttons and the message queue widget in a widget scene: input events are delivered as the
// input module would deliver them to the object under the pointer.
#include "engine/ui/text_button.h"

#include <gtest/gtest.h>

#include <climits>

#include "engine/core/canvas_object.h"
#include "engine/ui/rect_queue_widget.h"
#include "tests/support/widget_scene_fixture.h"

namespace {

using engine::MakeMessage;
using engine::ObjectMessage;
using engine::RectQueueWidget;
using engine::TextButton;

constexpr uint32_t kClicked = 1056;

class TextButtonScene : public test::WidgetSceneFixture {
 protected:
  TextButton* MakeButton() {
    auto* button = new TextButton();
    objects_->AddObject(button, nullptr);
    const ObjectMessage click = MakeMessage(listener_->GetKey(), kClicked, 7, 0);
    EXPECT_TRUE(button->Create("查看详细", 100, 30, 12, 0xFFFFFF, 0, &click));
    button->MoveTo(200, 200);
    button->Show();
    return button;
  }
  // The canvas is what the pointer finds.
  void Fire(TextButton* button, uint32_t event) { FireInput(button->GetCanvas(), event); }
};

TEST_F(TextButtonScene, TheStatesFollowThePointerAndAClickDeliversAtOnce) {
  TextButton* button = MakeButton();
  EXPECT_EQ(button->GetState(), TextButton::kNormal);
  Fire(button, engine::QUILLARON_EVENT_MOUSE_ENTER);
  EXPECT_EQ(button->GetState(), TextButton::kHover);
  Fire(button, engine::QUILLARON_EVENT_LBUTTON_DOWN);
  EXPECT_EQ(button->GetState(), TextButton::kPressed);
  Fire(button, engine::QUILLARON_EVENT_LBUTTON_UP);
  EXPECT_EQ(button->GetState(), TextButton::kHover);
  Fire(button, engine::QUILLARON_EVENT_CLICK);
  ASSERT_EQ(Received(kClicked), 1);
  EXPECT_EQ(listener_->received.back().p1, 7u);
  EXPECT_EQ(button->GetState(), TextButton::kHover);
  Fire(button, engine::QUILLARON_EVENT_MOUSE_LEAVE);
  EXPECT_EQ(button->GetState(), TextButton::kNormal);
  EXPECT_EQ(button->GetMessage().id, kClicked);
}

TEST_F(TextButtonScene, DisablingWhilePressedForgetsThePressAndEnablingUnderThePointerShowsHover) {
  TextButton* button = MakeButton();
  Fire(button, engine::QUILLARON_EVENT_MOUSE_ENTER);
  Fire(button, engine::QUILLARON_EVENT_LBUTTON_DOWN);
  button->SetEnabled(false);
  EXPECT_EQ(button->GetState(), TextButton::kDisabled);
  Fire(button, engine::QUILLARON_EVENT_LBUTTON_UP);
  Fire(button, engine::QUILLARON_EVENT_CLICK);
  EXPECT_EQ(Received(kClicked), 0);
  EXPECT_EQ(button->GetState(), TextButton::kDisabled);
  button->SetEnabled(true);
  EXPECT_EQ(button->GetState(), TextButton::kHover);
  Fire(button, engine::QUILLARON_EVENT_MOUSE_LEAVE);
  button->SetEnabled(false);
  button->SetEnabled(true);
  EXPECT_EQ(button->GetState(), TextButton::kNormal);
}

TEST_F(TextButtonScene, TheCaptionCanBeReplacedAndRead) {
  TextButton* button = MakeButton();
  EXPECT_STREQ(button->GetText(), "查看详细");
  engine::CanvasObject* canvas = button->GetCanvas();
  auto dark_pixels = [canvas] {
    int n = 0;
    for (int y = 2; y < 28; ++y) {
      for (int x = 2; x < 98; ++x) n += (canvas->GetPixel(x, y) & 0xFF) < 0x80 ? 1 : 0;
    }
    return n;
  };
  const int long_caption = dark_pixels();
  EXPECT_GT(long_caption, 0);
  button->SetText("查");
  EXPECT_STREQ(button->GetText(), "查");
  EXPECT_LT(dark_pixels(), long_caption);
  button->SetText(nullptr);
  EXPECT_STREQ(button->GetText(), "");
  EXPECT_EQ(dark_pixels(), 0);
  // A caption ending in a lone lead byte draws without reading past it.
  button->SetText("ab\xB2");
  EXPECT_STREQ(button->GetText(), "ab\xB2");
}

TEST_F(TextButtonScene, TheSpacingKeepsTheMagnitudeOfTheValue) {
  TextButton* button = MakeButton();
  EXPECT_EQ(button->GetSpacing(), 0.0);
  button->SetAbsDouble(-5);
  EXPECT_EQ(button->GetSpacing(), 5.0);
  button->SetAbsDouble(INT_MIN);
  EXPECT_EQ(button->GetSpacing(), 2147483648.0);
}

class QueueScene : public test::WidgetSceneFixture {
 protected:
  RectQueueWidget* MakeQueue() {
    auto* queue = new RectQueueWidget();
    objects_->AddObject(queue, nullptr);
    return queue;
  }
  ObjectMessage Record(uint32_t id, uintptr_t p1) { return MakeMessage(listener_->GetKey(), id, p1, 40); }
};

TEST_F(QueueScene, RecordsAreDeliveredOneAtATimeInTheOrderTheyCame) {
  RectQueueWidget* queue = MakeQueue();
  for (uint32_t i = 0; i < 3; ++i) {
    const ObjectMessage r = Record(80000027 + i, 100 + i);
    EXPECT_TRUE(queue->Push(&r));
  }
  EXPECT_EQ(queue->Size(), 3u);
  EXPECT_TRUE(listener_->received.empty());
  Pass();
  Pass();
  // Only the head, and only once while it waits to be taken out.
  ASSERT_EQ(listener_->received.size(), 1u);
  EXPECT_EQ(listener_->received[0].id, 80000027u);
  EXPECT_EQ(listener_->received[0].p1, 100u);
  EXPECT_EQ(listener_->received[0].p2, 40u);

  // The receiver takes each record out as it handles it: the next one follows.
  listener_->on_message = [queue](test::TestObject&, const ObjectMessage&) { queue->Pop(nullptr); };
  ObjectMessage first;
  ASSERT_TRUE(queue->Pop(&first));
  EXPECT_EQ(first.p1, 100u);
  Pass();
  Pass();
  Pass();
  ASSERT_EQ(listener_->received.size(), 3u);
  EXPECT_EQ(listener_->received[1].id, 80000028u);
  EXPECT_EQ(listener_->received[2].id, 80000029u);
  EXPECT_TRUE(queue->IsEmpty());
}

TEST_F(QueueScene, PoppingAnEmptyQueueGivesNothingAndAPushIntoItIsDeliveredAgain) {
  RectQueueWidget* queue = MakeQueue();
  ObjectMessage out = Record(5, 5);
  EXPECT_FALSE(queue->Pop(&out));
  EXPECT_EQ(out.id, 5u);
  EXPECT_EQ(queue->Peek(), nullptr);
  EXPECT_FALSE(queue->Push(nullptr));
  const ObjectMessage r = Record(80000029, 9);
  queue->Push(&r);
  Pass();
  ASSERT_TRUE(queue->Pop(&out));
  EXPECT_FALSE(queue->Pop(&out));
  queue->Push(&r);
  Pass();
  EXPECT_EQ(Received(80000029), 2);
}

TEST_F(QueueScene, AFullQueueRefusesMore) {
  RectQueueWidget* queue = MakeQueue();
  const ObjectMessage r = Record(80000027, 0);
  for (size_t i = 0; i < RectQueueWidget::kMaxRecords; ++i) ASSERT_TRUE(queue->Push(&r));
  EXPECT_FALSE(queue->Push(&r));
  EXPECT_EQ(queue->Size(), RectQueueWidget::kMaxRecords);
  queue->Clear();
  EXPECT_TRUE(queue->IsEmpty());
}

}  // namespace
