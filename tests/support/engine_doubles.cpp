#include "tests/support/engine_doubles.h"

#include <stdexcept>

#include "engine/media/paint_module.h"

namespace test {

engine::ObjectGeometry BoxGeometry(double x, double y, double w, double h, double angle) {
  engine::ObjectGeometry g;
  g.x = x;
  g.y = y;
  g.width = w;
  g.height = h;
  g.angle = angle;
  return g;
}

FakeModule::FakeModule(uint32_t id, std::string name, int init_result)
    : id_(id), name_(std::move(name)), init_result_(init_result) {}

FakeModule::~FakeModule() {
  if (destroyed) ++*destroyed;
}

int FakeModule::Init() {
  ++inits;
  return init_result_;
}

void FakeModule::Exit() { ++exits; }

void FakeModule::Tick() {
  DrainQueue();
  ++ticks;
  if (throw_on_tick) throw std::runtime_error("fake module fault");
  if (on_tick) on_tick(*this);
}

int32_t FakeModule::HandleEvent(uint32_t code, uintptr_t p1, uintptr_t p2) {
  handled.push_back(HandledEvent{code, p1, p2});
  return handle_result;
}

int32_t RecordingPaintModule::HandleEvent(uint32_t code, uintptr_t p1, uintptr_t) {
  if (code != engine::paint_event::kRenderBatch || p1 == 0) return 0;
  auto* batch = reinterpret_cast<engine::PaintBatch*>(p1);
  RecordedBatch recorded{batch->view_centre_x, batch->view_centre_y, {}, {}};
  recorded.rects.assign(batch->rects, batch->rects + batch->rect_count);
  for (const engine::DrawItem* item = batch->first_item; item != nullptr; item = item->next) {
    recorded.items.push_back(RecordedItem{item->geometry, item->image});
  }
  batches.push_back(std::move(recorded));
  engine::FreePaintBatch(batch);
  return 0;
}

std::vector<engine::ImageHandle*> RasteriseBatch(const RecordedBatch& batch, int width, int height) {
  std::vector<engine::ImageHandle*> pixels(static_cast<size_t>(width) * height, nullptr);
  for (const RecordedItem& item : batch.items) {
    // The painter places a picture by the same integer box the object's hit test uses.
    const int w = static_cast<int>(item.geometry.width);
    const int h = static_cast<int>(item.geometry.height);
    const int left = static_cast<int>(item.geometry.x - (w + 1) / 2);
    const int top = static_cast<int>(item.geometry.y - (h + 1) / 2);
    const int right = static_cast<int>(left + item.geometry.width);
    const int bottom = static_cast<int>(top + item.geometry.height);
    for (int y = std::max(top, 0); y < std::min(bottom, height); ++y) {
      for (int x = std::max(left, 0); x < std::min(right, width); ++x)
        pixels[static_cast<size_t>(y) * width + x] = item.image;
    }
  }
  return pixels;
}

TestObject::TestObject() = default;

TestObject::~TestObject() {
  if (destroyed) ++*destroyed;
}

int TestObject::OnMessage(const engine::ObjectMessage* message) {
  received.push_back(*message);
  if (on_message) on_message(*this, *message);
  return engine::EngineObject::OnMessage(message);
}

TestObject& TestObject::Place(double x, double y, double w, double h) {
  SetSize(w, h);
  MoveTo(x, y);
  Show();
  Invalidate();
  return *this;
}

int TestObject::Count(uint32_t id) const {
  int n = 0;
  for (const engine::ObjectMessage& m : received) n += m.id == id ? 1 : 0;
  return n;
}

}  // namespace test
