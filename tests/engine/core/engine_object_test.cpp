// ctest-labels: scene
#include "engine/core/engine_object.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/core/host_window_services.h"
#include "tests/support/engine_fixture.h"

namespace {

using engine::EngineObject;
using engine::ObjectMessage;
using test::TestObject;
namespace lf = engine::link_flag;
namespace of = engine::object_flag;

class EngineObjectTest : public test::SceneFixture {};

TEST(EngineObjectAlone, StartsHiddenOffSceneAndUnregistered) {
  EngineObject o;
  EXPECT_EQ(o.GetX(), -100000.0);
  EXPECT_EQ(o.GetY(), -100000.0);
  EXPECT_EQ(o.IsVisible(), 0u);
  EXPECT_EQ(o.GetAlpha(), 1.0);
  EXPECT_EQ(o.GetWidth(), 0.0);
  EXPECT_EQ(o.GetKind(), 1);
  EXPECT_EQ(o.IsRegistered(), 0);
  // Unregistered objects neither send nor post.
  const ObjectMessage m = engine::MakeMessage(1, 2, 3, 4);
  EXPECT_EQ(o.SendMessage(&m), 0u);
  o.PostMessage(&m);
}

TEST(EngineObjectAlone, SubscriptionsKeepOneNodePerTargetAndId) {
  EngineObject o;
  const ObjectMessage m = engine::MakeMessage(7, 500, 0, 0);
  o.Subscribe(engine::QUILLARON_EVENT_MOUSE_ENTER, &m);
  o.Subscribe(engine::QUILLARON_EVENT_MOUSE_ENTER, &m);
  EXPECT_EQ(o.SubscriptionCount(), 1u);
  EXPECT_TRUE(o.TakesInput());
  const ObjectMessage other = engine::MakeMessage(7, 501, 0, 0);
  o.Subscribe(engine::QUILLARON_EVENT_MOUSE_ENTER, &other);
  EXPECT_EQ(o.SubscriptionCount(), 2u);
  int cursor = 0;
  EXPECT_EQ(o.NextSubscription(engine::QUILLARON_EVENT_MOUSE_ENTER, &cursor)->id, 500u);
  EXPECT_EQ(o.NextSubscription(engine::QUILLARON_EVENT_MOUSE_ENTER, &cursor)->id, 501u);
  EXPECT_EQ(o.NextSubscription(engine::QUILLARON_EVENT_MOUSE_ENTER, &cursor), nullptr);
  o.Unsubscribe(engine::QUILLARON_EVENT_MOUSE_ENTER);
  EXPECT_EQ(o.FindSubscription(engine::QUILLARON_EVENT_MOUSE_ENTER), nullptr);
  EXPECT_TRUE(o.TakesInput());  // unsubscribing leaves the flag

  EngineObject quiet;
  quiet.SubscribeSelf(engine::kFirstInputEvent - 1);
  quiet.SubscribeSelf(engine::kLastInputEvent + 1);
  EXPECT_FALSE(quiet.TakesInput());
  EXPECT_EQ(quiet.SubscriptionCount(), 2u);
}

TEST(EngineObjectAlone, DepthLayerAndTopLayerLimits) {
  EngineObject parent;
  EngineObject child;
  parent.SetDepth(999985.0);
  parent.AddChild(&child, lf::kDepth);
  parent.MoveDepth(100.0);
  EXPECT_EQ(parent.GetDepth(), engine::kMaxDepth);
  EXPECT_EQ(child.GetDepth(), 100.0);  // the child gets the whole change, not what the parent kept
  parent.SetLayer(5000000);
  EXPECT_EQ(parent.GetLayer(), 1000000u);
  parent.MoveToTopLayer();
  EXPECT_EQ(parent.GetLayer(), 1000100u);
  EXPECT_EQ(child.GetLayer(), 1000100u);
  EXPECT_TRUE(child.GetFlags() & of::kTopLayer);
  // Children linked later follow to the top layer.
  EngineObject late;
  parent.AddChild(&late, 0);
  EXPECT_EQ(late.GetLayer(), 1000100u);
  parent.RemoveAllChildren();
}

TEST(EngineObjectAlone, HideAndShowRestoreOnlyChildrenTheParentHid) {
  EngineObject parent;
  EngineObject shown;
  EngineObject hidden;
  EngineObject always;
  parent.AddChild(&shown, lf::kHideWithParent);
  parent.AddChild(&hidden, lf::kHideWithParent);
  parent.AddChild(&always, lf::kAlwaysShow);
  parent.Show();
  shown.Show();
  EXPECT_EQ(always.IsVisible(), 1u);
  parent.Hide();
  EXPECT_EQ(shown.IsVisible(), 0u);
  EXPECT_EQ(always.IsVisible(), 1u);  // 0x80000 alone does not hide
  parent.Show();
  EXPECT_EQ(shown.IsVisible(), 1u);
  EXPECT_EQ(hidden.IsVisible(), 0u);
  parent.RemoveAllChildren();
}

TEST(EngineObjectAlone, ResizeScalesChildrenOrPassesTheSizeOn) {
  EngineObject parent;
  EngineObject child;
  parent.AddChild(&child, lf::kScale);
  child.SetSize(4, 4);
  parent.Resize(20, 10);  // parent had no size: the child is resized
  EXPECT_EQ(child.GetWidth(), 20.0);
  EXPECT_EQ(child.GetHeight(), 10.0);
  parent.Resize(40, 5);  // now it scales
  EXPECT_EQ(child.GetWidth(), 40.0);
  EXPECT_EQ(child.GetHeight(), 5.0);
  parent.Resize(-3, 5);
  EXPECT_EQ(parent.GetWidth(), 0.0);
  parent.RemoveAllChildren();
}

TEST(EngineObjectAlone, HitTestUnturnedAndTurned) {
  EngineObject o;
  o.SetSize(10, 4);
  o.MoveTo(100, 100);
  EXPECT_TRUE(o.HitTest(104, 100));
  EXPECT_FALSE(o.HitTest(105, 100));
  EXPECT_FALSE(o.HitTest(100, 104));
  EXPECT_TRUE(o.HitTest(95, 98));
  o.SetAngle(90);
  EXPECT_TRUE(o.HitTest(100, 104));
  EXPECT_FALSE(o.HitTest(104, 100));
  o.SetAngle(0);
  o.SetLimitRect(engine::RECT{100, 0, 200, 200});
  EXPECT_FALSE(o.HitTest(99, 100));
  EXPECT_TRUE(o.HitTest(100, 100));
  // Pixel-exact testing without a picture misses.
  o.AddFlags(of::kPixelHitTest);
  EXPECT_FALSE(o.HitTest(100, 100));
}

TEST(EngineObjectAlone, ChildrenFollowMovesTurnsAndAlpha) {
  EngineObject parent;
  EngineObject child;
  EngineObject loose;
  parent.MoveTo(100, 100);
  child.MoveTo(110, 100);
  loose.MoveTo(110, 100);
  parent.AddChild(&child, lf::kMove | lf::kRotate | lf::kAlpha);
  parent.AddChild(&loose, 0);
  parent.MoveBy(5, -5);
  EXPECT_EQ(child.GetX(), 115.0);
  EXPECT_EQ(child.GetY(), 95.0);
  EXPECT_EQ(loose.GetX(), 110.0);
  parent.Rotate(90);  // the child turns about the parent's centre, counter-clockwise on screen
  EXPECT_NEAR(child.GetX(), 105.0, 1e-3);
  EXPECT_NEAR(child.GetY(), 85.0, 1e-3);
  EXPECT_EQ(child.GetAngle(), 90.0);
  parent.SetAlpha(0.5);
  EXPECT_EQ(child.GetAlpha(), 0.5);
  EXPECT_EQ(loose.GetAlpha(), 1.0);
  EXPECT_EQ(parent.HasFocusWithin(), 0);
  loose.AddFlags(of::kHasFocus);
  EXPECT_EQ(parent.HasFocusWithin(), 1);
  parent.RemoveAllChildren();
}

TEST(EngineObjectAlone, LinksToUnkeyedChildrenAreToldApart) {
  // Objects outside a scene all have key 0: each link must still belong to its own child.
  auto parent = std::make_unique<EngineObject>();
  auto first = std::make_unique<EngineObject>();
  auto second = std::make_unique<EngineObject>();
  EXPECT_EQ(parent->AddChild(first.get(), lf::kMove), 1);
  EXPECT_EQ(parent->AddChild(second.get(), lf::kMove), 2);
  second.reset();  // leaves its owner's list
  ASSERT_EQ(parent->ChildLinks().size(), 1u);
  EXPECT_EQ(parent->ChildLinks()[0].child, first.get());
  parent->MoveBy(1, 1);  // ASan: nothing walks a dead child
  EXPECT_EQ(first->GetLinkOwner(), parent.get());
  parent.reset();
  EXPECT_EQ(first->GetLinkOwner(), nullptr);
}

TEST_F(EngineObjectTest, DraggingSubscribesAndMovesBySnapshot) {
  TestObject* o = Add(100, 100, 20, 20);
  o->SetDraggable(true);
  EXPECT_NE(o->FindSubscription(engine::QUILLARON_EVENT_LBUTTON_DOWN), nullptr);
  EXPECT_EQ(o->FindSubscription(engine::QUILLARON_EVENT_DRAG)->id, engine::msg::kDragMove);
  EXPECT_TRUE(o->TakesInput());
  int32_t snapshot[13] = {0, 0, 7, -3};
  const ObjectMessage drag =
      engine::MakeMessage(o->GetKey(), engine::msg::kDragMove, 0, reinterpret_cast<uintptr_t>(snapshot));
  o->SendMessage(&drag);
  EXPECT_EQ(o->GetX(), 107.0);
  EXPECT_EQ(o->GetY(), 97.0);
  const ObjectMessage no_snapshot = engine::MakeMessage(o->GetKey(), engine::msg::kDragMove, 0, 0);
  o->SendMessage(&no_snapshot);
  EXPECT_EQ(o->GetX(), 107.0);
  o->SetDraggable(false);
  EXPECT_EQ(o->FindSubscription(engine::QUILLARON_EVENT_DRAG), nullptr);
  EXPECT_NE(o->FindSubscription(engine::QUILLARON_EVENT_LBUTTON_DOWN), nullptr);
  EXPECT_NE(o->FindSubscription(engine::QUILLARON_EVENT_LBUTTON_UP), nullptr);
}

class RecordingWindow : public engine::HostWindowServices {
 public:
  bool IsIconic() override { return iconic; }
  engine::POINT ClientToScreen(engine::POINT p) override { return engine::POINT{p.x + 300, p.y + 200}; }
  engine::RECT GetClipCursor() override { return clip; }
  void ClipCursor(const engine::RECT* r) override { clip = *r; }
  bool iconic = false;
  engine::RECT clip{0, 0, 1920, 1080};
};

// An object whose press clips the cursor to its limit, on a window whose client area starts at
// screen (300, 200).
class CursorClipTest : public EngineObjectTest {
 protected:
  void SetUp() override {
    EngineObjectTest::SetUp();
    core_->SetWindowServices(&window_);
    object_ = Add(100, 100, 20, 20);
    object_->SetLimitRect(engine::RECT{10, 20, 110, 120});
    object_->AddFlags(of::kClipCursor);
  }
  void TearDown() override {
    core_->SetWindowServices(nullptr);
    EngineObjectTest::TearDown();
  }
  void Send(uint32_t id) {
    const ObjectMessage message = engine::MakeMessage(object_->GetKey(), id, 0, 0);
    object_->SendMessage(&message);
  }

  RecordingWindow window_;
  TestObject* object_ = nullptr;
};

TEST_F(CursorClipTest, PressClipsTheCursorToTheLimitAndReleaseRestoresIt) {
  Send(engine::QUILLARON_EVENT_LBUTTON_DOWN);
  EXPECT_EQ(window_.clip, (engine::RECT{310, 220, 410, 320}));
  Send(engine::QUILLARON_EVENT_LBUTTON_UP);
  EXPECT_EQ(window_.clip, (engine::RECT{0, 0, 1920, 1080}));
}

TEST_F(CursorClipTest, AnObjectRemovedWhilePressedGivesTheCursorBack) {
  Send(engine::QUILLARON_EVENT_LBUTTON_DOWN);
  ASSERT_EQ(window_.clip, (engine::RECT{310, 220, 410, 320}));
  objects_->RemoveObject(object_->GetKey());
  EXPECT_EQ(window_.clip, (engine::RECT{0, 0, 1920, 1080}));
}

TEST_F(EngineObjectTest, HandedOverBlocksAreFreedOnceEvenWhenForwarded) {
  TestObject* parent = Add(100, 100, 20, 20);
  TestObject* child = Add(100, 100, 10, 10);
  parent->AddChild(child, lf::kForward);
  const ObjectMessage m =
      engine::MakeMessage(parent->GetKey(), engine::msg::kFreeBlockA, reinterpret_cast<uintptr_t>(std::malloc(32)), 0);
  parent->SendMessage(&m);  // ASan: the block is freed by its receiver, and only there
  parent->ForwardToLinked(&m);
  ASSERT_EQ(child->received.size(), 1u);
  EXPECT_EQ(child->received[0].p1, 0u);
}

TEST_F(EngineObjectTest, DestroyingAParentRemovesOwnedChildrenOnly) {
  int destroyed = 0;
  TestObject* parent = Add(100, 100, 20, 20);
  TestObject* owned = Add(100, 100, 10, 10);
  TestObject* free_child = Add(100, 100, 10, 10);
  owned->destroyed = &destroyed;
  free_child->destroyed = &destroyed;
  parent->AddChild(owned, lf::kOwned);
  parent->AddChild(free_child, lf::kMove);
  const uint32_t owned_key = owned->GetKey();
  objects_->RemoveObject(parent->GetKey());
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(objects_->FindObjectByKey(owned_key), nullptr);
  EXPECT_EQ(objects_->FindObjectByKey(free_child->GetKey()), free_child);
  EXPECT_EQ(free_child->GetLinkOwner(), nullptr);
  free_child->destroyed = nullptr;
}

// Hides with its parent, and on the way removes its sibling from the scene.
class SiblingRemover : public TestObject {
 public:
  void Hide() override {
    TestObject::Hide();
    if (victim != 0) GetObjectModule()->RemoveObject(victim);
    victim = 0;
  }
  uint32_t victim = 0;
};

TEST_F(EngineObjectTest, ChildWalksSurviveChildrenLeavingMidWalk) {
  int destroyed = 0;
  TestObject* parent = Add(100, 100, 20, 20);
  auto* remover = new SiblingRemover();
  objects_->AddObject(remover, nullptr);
  remover->Place(100, 100, 5, 5);
  TestObject* sibling = Add(100, 100, 5, 5);
  sibling->destroyed = &destroyed;
  parent->AddChild(remover, lf::kAlwaysHide);
  parent->AddChild(sibling, lf::kAlwaysHide);
  remover->victim = sibling->GetKey();
  parent->Hide();  // ASan: the walk skips the sibling that left the list
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(parent->ChildLinks().size(), 1u);
  EXPECT_EQ(remover->IsVisible(), 0u);
}

TEST_F(EngineObjectTest, BringToFrontGoesAboveTheHighestDepthOfItsLayer) {
  TestObject* a = Add(100, 100, 20, 20);
  TestObject* b = Add(100, 100, 20, 20);
  b->SetDepth(12.5);
  a->BringToFront();
  EXPECT_EQ(a->GetDepth(), 13.5);
  TestObject* c = Add(100, 100, 20, 20);
  c->SetLayer(3);
  c->BringToFront();
  EXPECT_EQ(c->GetDepth(), 1.0);  // alone in its layer, below zero: at least 0 + 1
}

TEST_F(EngineObjectTest, SendDeliversAtOncePostWaitsForTheNextTick) {
  TestObject* a = Add(100, 100, 20, 20);
  TestObject* b = Add(200, 100, 20, 20);
  const ObjectMessage now = engine::MakeMessage(b->GetKey(), 80000001, 1, 2);
  EXPECT_EQ(a->SendMessage(&now), 1u);
  ASSERT_EQ(b->received.size(), 1u);
  const ObjectMessage later = engine::MakeMessage(b->GetKey(), 80000002, 3, 4);
  a->PostMessage(&later);
  EXPECT_EQ(b->received.size(), 1u);
  Frame();
  ASSERT_EQ(b->received.size(), 2u);
  EXPECT_EQ(b->received[1].id, 80000002u);
  EXPECT_EQ(b->received[1].p2, 4u);
  const ObjectMessage nobody = engine::MakeMessage(9999, 80000003, 0, 0);
  EXPECT_EQ(a->SendMessage(&nobody), 0u);
}

}  // namespace
