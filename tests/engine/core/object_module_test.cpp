// ctest-labels: scene
#include "engine/core/object_module.h"

#include <gtest/gtest.h>

#include "engine/core/engine_object.h"
#include "engine/core/host_window_services.h"
#include "engine/core/memory_pool.h"
#include "tests/support/engine_fixture.h"

namespace {

using engine::ObjectMessage;
using engine::RECT;
using test::TestObject;

class ObjectModuleTest : public test::SceneFixture {
 protected:
  // Paints whatever is dirty now and forgets the batch.
  void Settle() {
    Frame();
    paint_->batches.clear();
  }
};

TEST_F(ObjectModuleTest, KeysDepthsAndDrawOrder) {
  TestObject* a = Add(100, 100, 20, 20);
  TestObject* b = Add(100, 100, 20, 20);
  EXPECT_EQ(a->GetKey(), 1u);
  EXPECT_EQ(a->GetDepth(), -9999.0);
  EXPECT_EQ(b->GetKey(), 2u);
  EXPECT_EQ(b->GetDepth(), -9998.0);
  TestObject* c = Add(100, 100, 20, 20);
  TestObject* d = Add(100, 100, 20, 20);
  // Equal layer and depth: the key decides, so insertion order holds.
  for (TestObject* o : {d, c, b, a}) {
    o->SetDepth(5.0);
    o->Invalidate();
  }
  EXPECT_EQ(objects_->DrawOrderKeys(), (std::vector<uint32_t>{1, 2, 3, 4}));
  // Depth before key, layer before depth.
  a->SetDepth(6.0);
  a->Invalidate();
  EXPECT_EQ(objects_->DrawOrderKeys(), (std::vector<uint32_t>{2, 3, 4, 1}));
  d->SetLayer(1);
  d->SetDepth(-500.0);
  d->Invalidate();
  EXPECT_EQ(objects_->DrawOrderKeys(), (std::vector<uint32_t>{2, 3, 1, 4}));
  EXPECT_EQ(objects_->IsDrawOrderValid(), 1);
  EXPECT_EQ(objects_->GetDrawIndex(2), -1);
  EXPECT_EQ(objects_->GetDrawIndex(3), 0);
  EXPECT_EQ(objects_->GetDrawIndex(99), 3);
  // Hidden and not-drawn objects leave the list.
  b->Hide();
  b->Invalidate();
  c->SetDrawn(false);
  EXPECT_EQ(objects_->DrawOrderKeys(), (std::vector<uint32_t>{1, 4}));
}

TEST_F(ObjectModuleTest, ObjectsOutsideTheViewWaitUntilTheyOrTheViewMove) {
  TestObject* far = Add(2000, 100, 20, 20);
  EXPECT_EQ(objects_->DrawListSize(), 0u);
  objects_->SetViewCentre(2000, 300);
  EXPECT_EQ(objects_->DrawListSize(), 1u);
  objects_->SetViewCentre(400, 300);
  EXPECT_EQ(objects_->DrawListSize(), 0u);
  far->MoveTo(300, 100);
  far->Invalidate();
  EXPECT_EQ(objects_->DrawListSize(), 1u);
}

TEST_F(ObjectModuleTest, DirtyAreasMergeByTheRules) {
  Settle();
  objects_->AddDirtyArea(RECT{10, 10, 100, 100});
  objects_->AddDirtyArea(RECT{20, 20, 50, 50});  // inside: nothing changes
  ASSERT_EQ(objects_->DirtyAreas().size(), 1u);
  EXPECT_EQ(objects_->DirtyAreas()[0], (RECT{10, 10, 100, 100}));
  objects_->AddDirtyArea(RECT{10, 400, 100, 420});  // same left and right, far apart: widened to the union
  ASSERT_EQ(objects_->DirtyAreas().size(), 1u);
  EXPECT_EQ(objects_->DirtyAreas()[0], (RECT{10, 10, 100, 420}));
  objects_->AddDirtyArea(RECT{300, 10, 310, 420});  // same top and bottom: merged too
  ASSERT_EQ(objects_->DirtyAreas().size(), 1u);
  EXPECT_EQ(objects_->DirtyAreas()[0], (RECT{10, 10, 310, 420}));
  objects_->AddDirtyArea(RECT{500, 500, 520, 520});  // unrelated: a second entry
  ASSERT_EQ(objects_->DirtyAreas().size(), 2u);
  objects_->AddDirtyArea(RECT{0, 0, 400, 450});  // covers the first: replaces it
  EXPECT_EQ(objects_->DirtyAreas()[0], (RECT{0, 0, 400, 450}));
  // Only the part inside the view counts.
  objects_->AddDirtyArea(RECT{790, 590, 900, 900});
  EXPECT_EQ(objects_->DirtyAreas().back(), (RECT{790, 590, 800, 600}));
  objects_->AddDirtyArea(RECT{-50, -50, -10, -10});
  EXPECT_EQ(objects_->DirtyAreas().size(), 3u);
  // Very many scattered areas become one repaint of the view.
  for (int i = 0; i < 100; ++i) objects_->AddDirtyArea(RECT{i * 7 + 1, i * 5 + 1, i * 7 + 3, i * 5 + 3});
  EXPECT_LE(objects_->DirtyAreas().size(), engine::ObjectModule::kMaxDirtyAreas);
}

TEST_F(ObjectModuleTest, APaintBatchNamesExactlyTheObjectsThatMeetTheDirtyAreas) {
  TestObject* mover = Add(100, 100, 20, 20);
  TestObject* under_old = Add(95, 95, 10, 10);
  TestObject* under_new = Add(305, 100, 10, 10);
  TestObject* elsewhere = Add(600, 500, 10, 10);
  TestObject* below_band = Add(200, 130, 10, 10);
  TestObject* in_between = Add(200, 100, 4, 4);
  TestObject* imageless = Add(100, 100, 40, 40);
  imageless->drawable = false;
  Settle();
  mover->MoveTo(300, 100);
  mover->Invalidate();
  Frame();
  ASSERT_EQ(paint_->batches.size(), 1u);
  const test::RecordedBatch& batch = paint_->batches[0];
  EXPECT_EQ(batch.view_centre_x, 400u);
  EXPECT_EQ(batch.view_centre_y, 300u);
  // The old and the new place share top and bottom, so they merge into one band (view coordinates;
  // this view starts at the scene's origin).
  ASSERT_EQ(batch.rects.size(), 1u);
  EXPECT_EQ(batch.rects[0], (RECT{90, 90, 310, 110}));
  std::vector<engine::ImageHandle*> images;
  for (const auto& item : batch.items) images.push_back(item.image);
  EXPECT_EQ(images, (std::vector<engine::ImageHandle*>{mover->image(), under_old->image(), under_new->image(),
                                                       in_between->image()}));
  (void)elsewhere;
  (void)below_band;
  // Two changes that do not line up stay two areas.
  under_old->MoveTo(600, 505);
  under_old->Invalidate();
  Frame();
  ASSERT_EQ(paint_->batches.size(), 2u);
  EXPECT_EQ(paint_->batches[1].rects, (std::vector<RECT>{RECT{90, 90, 100, 100}, RECT{595, 500, 605, 510}}));
  ASSERT_EQ(paint_->batches[1].items.size(), 2u);  // the one under its new place, then itself (drawn later)
  EXPECT_EQ(paint_->batches[1].items[0].image, under_old->image());
  EXPECT_EQ(paint_->batches[1].items[1].image, elsewhere->image());
  paint_->batches.erase(paint_->batches.begin() + 1);
  // Nothing changed: no batch at all.
  Frame();
  EXPECT_EQ(paint_->batches.size(), 1u);
  // Full-redraw mode: the whole view and every drawable object.
  objects_->SetFullRedraw(1);
  objects_->AddDirtyArea(RECT{0, 0, 1, 1});
  Frame();
  ASSERT_EQ(paint_->batches.size(), 2u);
  EXPECT_EQ(paint_->batches[1].rects, (std::vector<RECT>{RECT{0, 0, 800, 600}}));
  EXPECT_EQ(paint_->batches[1].items.size(), 6u);
}

TEST_F(ObjectModuleTest, ItemsAreRelativeToTheView) {
  objects_->SetViewCentre(1000, 1000);
  Settle();
  TestObject* o = Add(700, 800, 10, 10);
  Frame();
  ASSERT_EQ(paint_->batches.size(), 1u);
  ASSERT_EQ(paint_->batches[0].items.size(), 1u);
  EXPECT_EQ(paint_->batches[0].items[0].geometry.x, 100.0);  // view left is 600
  EXPECT_EQ(paint_->batches[0].items[0].geometry.y, 100.0);  // view top is 700
  EXPECT_EQ(paint_->batches[0].rects[0], (RECT{95, 95, 105, 105}));
  (void)o;
}

class IconicWindow : public engine::HostWindowServices {
 public:
  bool IsIconic() override { return iconic; }
  engine::POINT ClientToScreen(engine::POINT p) override { return p; }
  engine::RECT GetClipCursor() override { return {}; }
  void ClipCursor(const engine::RECT*) override {}
  bool iconic = true;
};

TEST_F(ObjectModuleTest, WhileMinimisedDirtyAreasWaitForTheRestore) {
  IconicWindow window;
  core_->SetWindowServices(&window);
  Settle();
  TestObject* o = Add(100, 100, 10, 10);
  for (int i = 0; i < 5; ++i) {
    o->MoveBy(3, 0);
    o->Invalidate();
    Frame();
  }
  EXPECT_TRUE(paint_->batches.empty());
  EXPECT_FALSE(objects_->DirtyAreas().empty());
  window.iconic = false;
  Frame();
  ASSERT_EQ(paint_->batches.size(), 1u);
  EXPECT_EQ(paint_->batches[0].items.size(), 1u);
  core_->SetWindowServices(nullptr);
}

TEST_F(ObjectModuleTest, PickingPrefersLayerThenDepthThenTheLaterEntry) {
  TestObject* low = Add(100, 100, 40, 40);
  TestObject* high_layer = Add(100, 100, 40, 40);
  TestObject* deep = Add(100, 100, 40, 40);
  for (TestObject* o : {low, high_layer, deep}) o->SetTakesInput(true);
  high_layer->SetLayer(2);
  high_layer->SetDepth(-50);
  deep->SetDepth(500);
  for (TestObject* o : {low, high_layer, deep}) o->Invalidate();
  EXPECT_EQ(objects_->PickObject(100, 100), high_layer);
  high_layer->AddFlags(engine::object_flag::kPickExcluded);
  EXPECT_EQ(objects_->PickObject(100, 100), deep);
  deep->SetTakesInput(false);
  EXPECT_EQ(objects_->PickObject(100, 100), low);
  // Equal layer and depth: the later draw-list entry wins.
  TestObject* twin = Add(100, 100, 40, 40);
  twin->SetTakesInput(true);
  twin->SetDepth(low->GetDepth());
  twin->Invalidate();
  EXPECT_EQ(objects_->PickObject(100, 100), twin);
  // Nothing below the pick floor is picked.
  objects_->SetPickFloor(0.0);
  EXPECT_EQ(objects_->PickObject(100, 100), nullptr);
  EXPECT_EQ(objects_->PickObject(300, 300), nullptr);
}

TEST_F(ObjectModuleTest, WhatIsDrawnAtAClientPixelIsWhatIsPickedThere) {
  for (const auto& [width, height] : {std::pair{801, 601}, std::pair{800, 600}, std::pair{333, 257}}) {
    // As the host window sets the view up for a client area.
    objects_->SetViewCentre(width / 2, height / 2);
    objects_->SetViewSize(width, height);
    Settle();
    std::vector<TestObject*> placed;
    for (int i = 0; i < 12; ++i) {
      TestObject* o = Add(17.5 + i * 23, 13 + i * 17.5, 9 + i * 3, 7 + i * 2);
      o->SetTakesInput(true);
      placed.push_back(o);
    }
    objects_->SetFullRedraw(1);
    objects_->RedrawAll();
    objects_->SetFullRedraw(0);
    ASSERT_EQ(paint_->batches.size(), 1u);
    const auto drawn = test::RasteriseBatch(paint_->batches[0], width, height);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        engine::EngineObject* picked = objects_->PickObject(x, y);
        engine::ImageHandle* picked_image = picked ? picked->GetDrawImage() : nullptr;
        ASSERT_EQ(picked_image, drawn[static_cast<size_t>(y) * width + x])
            << "client pixel " << x << "," << y << " of " << width << "x" << height;
      }
    }
    const engine::POINT client{5, 7};
    EXPECT_EQ(objects_->SceneToClient(objects_->ClientToScene(client)), client);
    for (TestObject* o : placed) objects_->RemoveObject(o->GetKey());
    paint_->batches.clear();
  }
}

TEST_F(ObjectModuleTest, MessagesEachWayAndWhoFreesThem) {
  TestObject* o = Add(100, 100, 10, 10);
  // kHeapMessage: deleted after delivery (ASan would report the leak), or handed to its release.
  core_->SendEvent(engine::module_id::kObject, engine::object_event::kHeapMessage,
                   reinterpret_cast<uintptr_t>(new ObjectMessage{o->GetKey(), 80000010, 0, 0}), 0);
  static std::vector<ObjectMessage> released;
  released.clear();
  engine::MessageReleaseFn release = [](uintptr_t a, ObjectMessage* m, uintptr_t b) {
    EXPECT_EQ(a, 0u);
    EXPECT_EQ(b, 0u);
    released.push_back(*m);
    delete m;
  };
  core_->SendEvent(engine::module_id::kObject, engine::object_event::kHeapMessage,
                   reinterpret_cast<uintptr_t>(new ObjectMessage{o->GetKey(), 80000011, 0, 0}),
                   reinterpret_cast<uintptr_t>(release));
  ASSERT_EQ(released.size(), 1u);
  EXPECT_EQ(released[0].id, 80000011u);
  ASSERT_EQ(o->received.size(), 2u);
  // kInputMessage: delivered on the tick, then handed back to the input module (input_code::kFreeMessage).
  auto* input = new test::FakeModule(engine::module_id::kInput, "InputModule");
  core_->LoadModule(input, true, true);
  ObjectMessage from_input{o->GetKey(), engine::QUILLARON_EVENT_MOUSE_ENTER, 0, 0};
  core_->PostEvent(engine::module_id::kObject, engine::object_event::kInputMessage,
                   reinterpret_cast<uintptr_t>(&from_input), 0);
  Frame();
  EXPECT_EQ(o->received.back().id, engine::QUILLARON_EVENT_MOUSE_ENTER);
  ASSERT_EQ(input->handled.size(), 1u);  // input comes after the object module: same frame
  EXPECT_EQ(input->handled[0].code, 1044u);
  EXPECT_EQ(input->handled[0].p1, reinterpret_cast<uintptr_t>(&from_input));
}

TEST_F(ObjectModuleTest, AnObjectMayRemoveItselfWhileItHandlesAMessage) {
  int destroyed = 0;
  TestObject* o = Add(100, 100, 10, 10);
  o->destroyed = &destroyed;
  const uint32_t key = o->GetKey();
  o->on_message = [this, key, &destroyed](TestObject& self, const ObjectMessage&) {
    core_->SendEvent(engine::module_id::kObject, engine::object_event::kRemoveObject, key, 0);
    EXPECT_EQ(objects_->FindObjectByKey(key), nullptr);  // gone for every lookup at once
    EXPECT_EQ(destroyed, 0);                             // but not freed under its own feet
    self.SetAlpha(0.5);
  };
  const ObjectMessage m{key, 80000001, 0, 0};
  objects_->DeliverMessage(&m);
  EXPECT_EQ(destroyed, 1);
  // A posted message for it is ignored.
  TestObject* other = Add(100, 100, 10, 10);
  ObjectMessage late{key, 80000002, 0, 0};
  other->PostMessage(&late);
  Frame();
}

TEST_F(ObjectModuleTest, RemovalRequestsByKeyOrPointerAreSafeToRepeat) {
  int destroyed = 0;
  TestObject* a = Add(100, 100, 10, 10);
  TestObject* b = Add(200, 100, 10, 10);
  a->destroyed = &destroyed;
  b->destroyed = &destroyed;
  const uintptr_t a_ptr = reinterpret_cast<uintptr_t>(a);
  // Two deferred deletions of one object in the same tick, then an immediate one: one destruction.
  core_->PostEvent(engine::module_id::kObject, engine::object_event::kRemoveObject, a_ptr, 0);
  core_->PostEvent(engine::module_id::kObject, engine::object_event::kRemoveObject, a_ptr, 0);
  core_->PostEvent(engine::module_id::kObject, engine::object_event::kObjectChanged, a_ptr, 0);
  Frame();
  core_->SendEvent(engine::module_id::kObject, engine::object_event::kRemoveObject, a_ptr, 0);  // ASan: never followed
  EXPECT_EQ(destroyed, 1);
  const uint32_t b_key = b->GetKey();
  core_->SendEvent(engine::module_id::kObject, engine::object_event::kRemoveObject, b_key, 0);
  core_->SendEvent(engine::module_id::kObject, engine::object_event::kRemoveObject, b_key, 0);
  EXPECT_EQ(destroyed, 2);
  EXPECT_EQ(objects_->GetObjectCount(), 0u);
}

// Posts a message to a neighbour from its destructor.
class PostingOnDestroy : public TestObject {
 public:
  ~PostingOnDestroy() override {
    const ObjectMessage goodbye{neighbour, 80000099, 0, 0};
    PostMessage(&goodbye);
  }
  uint32_t neighbour = 0;
};

TEST_F(ObjectModuleTest, TearingDownTheSceneReturnsThePoolsToTheirBaseline) {
  core_.reset();  // start from nothing
  const uint32_t reserved = engine::PoolBytesReserved();
  const uint32_t in_use = engine::PoolBytesInUse();
  {
    SceneFixture::SetUp();
    TestObject* a = Add(100, 100, 10, 10);
    auto* b = new PostingOnDestroy();
    objects_->AddObject(b, nullptr);
    b->Place(200, 200, 10, 10);
    b->neighbour = a->GetKey();
    ObjectMessage pending{a->GetKey(), 80000001, 0, 0};
    b->PostMessage(&pending);  // never delivered: torn down first
    engine::ActionRecord* action = objects_->NewActionRecord();
    action->object = a;
    core_->PostEvent(engine::module_id::kObject, engine::object_event::kQueueAction,
                     reinterpret_cast<uintptr_t>(action), 0);
    objects_->NewGroupRecord();  // made and never used
    Settle();
    EXPECT_GT(engine::PoolBytesInUse(), in_use);
    core_.reset();  // ASan: destructors post into pools that still exist
  }
  EXPECT_EQ(engine::PoolBytesInUse(), in_use);
  EXPECT_EQ(engine::PoolBytesReserved(), reserved);
}

TEST_F(ObjectModuleTest, LookupsByNameKeyAndFocus) {
  TestObject* root = Add(100, 100, 10, 10);
  TestObject* leaf = Add(100, 100, 10, 10);
  root->SetName("root");
  leaf->SetName("leaf");
  root->SetName("");  // ignored
  EXPECT_EQ(objects_->FindObjectByName("root"), root);
  EXPECT_EQ(objects_->FindObjectByName("Root"), nullptr);
  EXPECT_EQ(objects_->FindObjectByKey(leaf->GetKey()), leaf);
  root->AddChild(leaf, 0);
  EXPECT_EQ(objects_->FindFocusableKey(leaf->GetKey()), 0u);
  root->SetFocusable(true);
  EXPECT_EQ(objects_->FindFocusableKey(leaf->GetKey()), root->GetKey());
  EXPECT_EQ(objects_->GetObjectCount(), 2u);
  objects_->RemoveObject(12345);
  EXPECT_EQ(objects_->GetObjectCount(), 2u);
}

TEST_F(ObjectModuleTest, AddingThroughAnOwnerInheritsItsParent) {
  TestObject* scene_root = Add(100, 100, 10, 10);
  TestObject* owner = Add(100, 100, 10, 10);
  owner->SetParent(scene_root);
  auto* made = new TestObject();
  owner->AddToScene(made);
  EXPECT_EQ(made->GetParent(), scene_root);
  EXPECT_TRUE(made->IsRegistered());
  EXPECT_EQ(objects_->CreateObject(owner)->GetParent(), scene_root);
}

}  // namespace
