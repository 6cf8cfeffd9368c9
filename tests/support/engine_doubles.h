// Stand-ins for engine modules and objects that tests of the module host and the scene use:
// a programmable module, a paint module that records the batches it is given, and an object that
// records its messages and draws with a dummy picture.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/engine_module.h"
#include "engine/core/engine_object.h"
#include "engine/core/object_geometry.h"
#include "engine/core/paint_batch.h"

namespace test {

// The geometry of a box centred at (x, y), w x h, turned by angle degrees.
engine::ObjectGeometry BoxGeometry(double x, double y, double w, double h, double angle = 0.0);

struct HandledEvent {
  uint32_t code;
  uintptr_t p1;
  uintptr_t p2;
};

// A module with a chosen id whose behaviour a test sets.
class FakeModule : public engine::EngineModule {
 public:
  explicit FakeModule(uint32_t id, std::string name = "FakeModule", int init_result = 1);
  ~FakeModule() override;

  int Init() override;
  void Exit() override;
  void Tick() override;
  uint32_t GetId() const override { return id_; }
  const char* GetName() const override { return name_.c_str(); }
  int32_t HandleEvent(uint32_t code, uintptr_t p1, uintptr_t p2) override;
  uint32_t QueueLimit() const override { return queue_limit_; }

  int* destroyed = nullptr;  // raised by the destructor when set
  int ticks = 0;
  int inits = 0;
  int exits = 0;
  bool throw_on_tick = false;
  int32_t handle_result = 0;
  uint32_t queue_limit_ = kDefaultQueueLimit;
  std::vector<HandledEvent> handled;
  std::function<void(FakeModule&)> on_tick;  // runs after the queue was drained

 private:
  uint32_t id_;
  std::string name_;
  int init_result_;
};

// What a paint module saw of one batch.
struct RecordedItem {
  engine::ObjectGeometry geometry;
  engine::ImageHandle* image;
};
struct RecordedBatch {
  uint32_t view_centre_x;
  uint32_t view_centre_y;
  std::vector<engine::RECT> rects;
  std::vector<RecordedItem> items;
};

// The paint module: takes every paint batch (paint_event::kRenderBatch), records it and frees it as the
// real one does.
class RecordingPaintModule : public engine::EngineModule {
 public:
  uint32_t GetId() const override { return engine::module_id::kPaint; }
  const char* GetName() const override { return "RecordingPaintModule"; }
  int32_t HandleEvent(uint32_t code, uintptr_t p1, uintptr_t p2) override;

  std::vector<RecordedBatch> batches;
};

// Draws the items of a batch as their bounding boxes into a width x height buffer of picture ids:
// pixel (x, y) holds the image of the topmost item covering it, null where none does.
std::vector<engine::ImageHandle*> RasteriseBatch(const RecordedBatch& batch, int width, int height);

// An object that is drawn (with a dummy picture unique to it) and records what it receives.
class TestObject : public engine::EngineObject {
 public:
  TestObject();
  ~TestObject() override;

  engine::ImageHandle* GetDrawImage() override { return drawable ? image() : nullptr; }
  int OnMessage(const engine::ObjectMessage* message) override;

  engine::ImageHandle* image() { return reinterpret_cast<engine::ImageHandle*>(&image_tag_); }

  bool drawable = true;
  int* destroyed = nullptr;
  std::vector<engine::ObjectMessage> received;
  std::function<void(TestObject&, const engine::ObjectMessage&)> on_message;

  // Places, sizes and shows the object.
  TestObject& Place(double x, double y, double w, double h);
  // How many of the received messages have this id.
  int Count(uint32_t id) const;

 private:
  int image_tag_ = 0;
};

}  // namespace test
