// ctest-labels: widgets tsan
#include "engine/core/widget_base.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/core/object_module.h"
#include "platform/win_messages.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/hosted_engine.h"

namespace {

namespace lf = engine::link_flag;
namespace of = engine::object_flag;

// A widget that records what reaches its own message handler.
class RecordingWidget : public engine::WidgetBase {
 public:
  int OnMessage(const engine::ObjectMessage* message) override {
    received.push_back(message->id);
    return WidgetBase::OnMessage(message);
  }
  std::vector<uint32_t> received;
};

class WidgetBaseTest : public test::SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    widget_ = new RecordingWidget();
    objects_->AddObject(widget_, nullptr);
    widget_->SetSize(40, 20);
    widget_->MoveTo(100, 100);
    widget_->Show();
    skin_ = Add(300, 200, 60, 30);
  }

  RecordingWidget* widget_ = nullptr;
  test::TestObject* skin_ = nullptr;
};

TEST_F(WidgetBaseTest, WithoutSkinTheWidgetAnswersItself) {
  EXPECT_EQ(widget_->GetKind(), 4);
  EXPECT_EQ(widget_->GetSkinOrSelf(), widget_);
  EXPECT_EQ(widget_->GetX(), 100.0);
  EXPECT_EQ(widget_->GetWidth(), 40.0);
  widget_->AddFlags(0x200);
  EXPECT_EQ(widget_->GetFlags() & 0x200, 0x200u);
  EXPECT_EQ(widget_->GetFlags() & of::kPickExcluded, 0u);
}

TEST_F(WidgetBaseTest, SkinAnswersOnlyForWhatItFollows) {
  widget_->SetSkin(skin_, lf::kMove);
  EXPECT_EQ(widget_->GetSkinOrSelf(), skin_);
  EXPECT_EQ(widget_->GetX(), 300.0);
  EXPECT_EQ(widget_->GetY(), 200.0);
  EXPECT_EQ(widget_->GetWidth(), 40.0) << "size is not followed without 0x80";
  EXPECT_EQ(widget_->GetLeft(), 100.0 - 20.0) << "left needs 0x40 as well as 0x10000";
  EXPECT_EQ(widget_->GetRight(), 100.0 + 20.0) << "right needs 0x80 as well as 0x10000";
  skin_->SetTakesInput(true);
  EXPECT_EQ(widget_->TakesInput(), 1);
  // The widget itself is never picked once it has a skin; its flags are read from the skin.
  widget_->SetSkin(nullptr, 0);
  EXPECT_NE(widget_->GetFlags() & of::kPickExcluded, 0u);
}

TEST_F(WidgetBaseTest, LeftTopAndRightBottomFollowTheirOwnBits) {
  widget_->SetSkin(skin_, lf::kMove | lf::kScale);
  EXPECT_EQ(widget_->GetLeft(), 300.0 - 30.0);
  EXPECT_EQ(widget_->GetTop(), 200.0 - 15.0);
  EXPECT_EQ(widget_->GetRight(), 100.0 + 20.0);
  widget_->SetSkin(skin_, lf::kMove | lf::kSize);
  EXPECT_EQ(widget_->GetRight(), 300.0 + 30.0);
  EXPECT_EQ(widget_->GetBottom(), 200.0 + 15.0);
  EXPECT_EQ(widget_->GetLeft(), 100.0 - 20.0);
  EXPECT_EQ(widget_->GetWidth(), 60.0);
  // HitTest follows the skin with size and move: the skin's box, not the widget's.
  EXPECT_NE(widget_->HitTest(300, 200), 0);
  EXPECT_EQ(widget_->HitTest(100, 100), 0);
}

TEST_F(WidgetBaseTest, FlagsAndLayersGoToTheSkin) {
  widget_->SetSkin(skin_, lf::kMove);
  widget_->AddFlags(0x200);
  EXPECT_NE(skin_->GetFlags() & 0x200, 0u);
  EXPECT_NE(widget_->GetFlags() & 0x200, 0u);
  widget_->ClearFlags(0x200);
  EXPECT_EQ(skin_->GetFlags() & 0x200, 0u);
  widget_->MoveToTopLayer();
  EXPECT_EQ(widget_->GetLayer(), skin_->GetLayer());
  EXPECT_EQ(skin_->GetLayer(), engine::kTopLayer);
}

TEST_F(WidgetBaseTest, SetEnabledSwitchesTheSkinAndTellsTheWidgetAtOnce) {
  widget_->SetSkin(skin_, lf::kMove);
  skin_->SetTakesInput(true);
  widget_->SetEnabled(false);
  EXPECT_EQ(skin_->TakesInput(), 0);
  ASSERT_FALSE(widget_->received.empty());
  EXPECT_EQ(widget_->received.back(), engine::QUILLARON_EVENT_DISABLED);
  widget_->SetEnabled(true);
  EXPECT_EQ(skin_->TakesInput(), 1);
  EXPECT_EQ(widget_->received.back(), engine::QUILLARON_EVENT_ENABLED);
}

TEST_F(WidgetBaseTest, ReplacingTheSkinLeavesOnlyTheNewOneLinked) {
  auto* second = Add(10, 10, 4, 4);
  widget_->SetSkin(skin_, lf::kMove);
  widget_->SetSkin(second, lf::kMove);
  ASSERT_EQ(widget_->ChildLinks().size(), 1u);
  EXPECT_EQ(widget_->ChildLinks()[0].child, second);
  EXPECT_EQ(widget_->ChildLinks()[0].link_flags, lf::kMove | lf::kSubscriptions);
  EXPECT_EQ(skin_->GetLinkOwner(), nullptr);
  EXPECT_EQ(widget_->GetX(), 10.0);
}

TEST_F(WidgetBaseTest, ChildrenAddedToAWidgetJoinItsSkin) {
  widget_->SetSkin(skin_, lf::kMove);
  auto* label = Add(0, 0, 2, 2);
  widget_->AddChild(label, lf::kMove);
  EXPECT_EQ(skin_->HasChild(label->GetKey()), 1);
  EXPECT_EQ(widget_->GetChildLinkFlags(label->GetKey()), lf::kMove);
  widget_->RemoveChild(label->GetKey());
  EXPECT_EQ(skin_->HasChild(label->GetKey()), 0);
}

TEST_F(WidgetBaseTest, AWidgetCannotBeItsOwnSkin) {
  widget_->SetSkin(widget_, lf::kMove);
  EXPECT_EQ(widget_->GetSkinOrSelf(), widget_);
  EXPECT_EQ(widget_->GetX(), 100.0);  // no endless routing back to itself
}

TEST_F(WidgetBaseTest, ASkinRemovedFromTheSceneIsNoLongerFollowed) {
  widget_->SetSkin(skin_, lf::kMove);
  objects_->RemoveObject(skin_->GetKey());
  EXPECT_EQ(widget_->GetSkinOrSelf(), widget_);
  EXPECT_EQ(widget_->GetX(), 100.0);
}

TEST_F(WidgetBaseTest, SetDepthMovesALaterSkinByTheWidgetsOwnChangeAndSetDepthExactlyPutsItThere) {
  // The skin was added after the widget, so it stands one above it (depths follow the keys).
  widget_->SetSkin(skin_, lf::kDepth);
  const double gap = skin_->GetDepth() - widget_->EngineObject::GetDepth();
  ASSERT_EQ(gap, 1.0);
  widget_->SetDepth(500.0);
  EXPECT_EQ(widget_->EngineObject::GetDepth(), 500.0);
  EXPECT_EQ(widget_->GetDepth(), 500.0 + gap) << "the widget reports its skin's depth";
  engine::SetDepthExactly(widget_, 800.0);
  EXPECT_EQ(widget_->GetDepth(), 800.0);
  EXPECT_EQ(skin_->GetDepth(), 800.0);
  EXPECT_EQ(widget_->EngineObject::GetDepth(), 800.0 - gap);
}

TEST_F(WidgetBaseTest, SubscriptionsOnTheWidgetAreRepeatedOnTheSkin) {
  widget_->SetSkin(skin_, lf::kMove);
  widget_->SubscribeMessage(engine::QUILLARON_EVENT_LBUTTON_DOWN, widget_->GetKey(), 80000010, 0, 0);
  EXPECT_NE(skin_->FindSubscription(engine::QUILLARON_EVENT_LBUTTON_DOWN), nullptr);
}

// Through the window: the skin is what the pointer finds, and it fires the widget's subscriptions.
class WidgetThroughWindow : public test::HostedEngine {};

TEST_F(WidgetThroughWindow, AClickOnTheSkinReachesTheWidget) {
  auto* widget = new RecordingWidget();
  objects_->AddObject(widget, nullptr);
  auto* skin = new test::TestObject();
  skin->drawable = false;  // its dummy picture is for recording paint modules; this engine paints for real
  objects_->AddObject(skin, nullptr);
  skin->Place(300, 200, 60, 30);
  skin->SetTakesInput(true);
  widget->SetSkin(skin, lf::kMove | lf::kSize);
  widget->SubscribeSelf(engine::QUILLARON_EVENT_CLICK);
  widget->Invalidate();
  Deliver();
  Mouse(platform::WM_MOUSEMOVE, 300, 200);
  Deliver();
  engine::InputSnapshot snapshot;
  input_->GetSnapshot(&snapshot);
  EXPECT_EQ(snapshot.hovered, skin->GetKey()) << "the widget itself is never the hovered object";
  Mouse(platform::WM_LBUTTONDOWN, 300, 200, platform::MK_LBUTTON);
  Mouse(platform::WM_LBUTTONUP, 300, 200);
  Deliver();
  EXPECT_NE(std::find(widget->received.begin(), widget->received.end(), engine::QUILLARON_EVENT_CLICK),
            widget->received.end());
}

TEST_F(WidgetThroughWindow, InputServicesReachTheInputModule) {
  auto* widget = new RecordingWidget();
  objects_->AddObject(widget, nullptr);
  EXPECT_EQ(widget->GetInputModule(), input_);
  Mouse(platform::WM_MOUSEMOVE, 123, 45);
  Deliver();
  engine::InputSnapshot snapshot;
  widget->GetInputSnapshot(&snapshot);
  EXPECT_EQ(snapshot.x, 123);
  EXPECT_EQ(snapshot.y, 45);
  widget->SetFocusable(true);
  widget->SetFocusObject(widget->GetKey());
  EXPECT_NE(widget->GetFlags() & of::kHasFocus, 0u);
  widget->SetFocusObject(0);
  EXPECT_EQ(widget->GetFlags() & of::kHasFocus, 0u);
}

}  // namespace
