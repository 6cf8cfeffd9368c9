// The cost of one engine frame over a scene of many objects: (a) nothing changed, (b) one object
// moving every frame. The clock is the manual one, stepped 11 ms per frame so that the object
// module ticks in every frame measured.
//   OneMovingAmong10000BesideAmong100  (b) in a scene of 10,000 objects beside (b) in one of 100,
//                                      frame by frame in turns; ratio = 10,000 / 100
#include <benchmark/benchmark.h>

#include <memory>

#include "engine/core/engine_object.h"
#include "engine/core/game_core.h"
#include "engine/core/object_module.h"
#include "engine/core/paint_batch.h"
#include "engine/media/paint_module.h"
#include "bench/side_by_side.h"
#include "platform/clock.h"

namespace {

// Takes the paint batches and frees them, as a paint module does, without painting.
class DiscardingPaintModule : public engine::EngineModule {
 public:
  uint32_t GetId() const override { return engine::module_id::kPaint; }
  const char* GetName() const override { return "DiscardingPaintModule"; }
  int32_t HandleEvent(uint32_t code, uintptr_t p1, uintptr_t) override {
    if (code == engine::paint_event::kRenderBatch) {
      auto* batch = reinterpret_cast<engine::PaintBatch*>(p1);
      for (const engine::DrawItem* item = batch->first_item; item != nullptr; item = item->next) ++items;
      engine::FreePaintBatch(batch);
    }
    return 0;
  }
  int64_t items = 0;
};

class PictureObject : public engine::EngineObject {
 public:
  engine::ImageHandle* GetDrawImage() override { return reinterpret_cast<engine::ImageHandle*>(this); }
};

struct Scene {
  explicit Scene(int count) {
    core = std::make_unique<engine::GameCore>();
    objects = new engine::ObjectModule();
    paint = new DiscardingPaintModule();
    core->LoadModule(objects, true, false);
    core->LoadModule(paint, true, true);
    objects->SetViewCentre(400, 300);
    objects->SetViewSize(800, 600);
    for (int i = 0; i < count; ++i) {
      auto* o = new PictureObject();
      objects->AddObject(o, nullptr);
      o->SetSize(16, 16);
      o->MoveTo(8 + (i * 37) % 784, 8 + (i * 53) % 584);
      o->Show();
      o->Invalidate();
      if (i == count / 2) mover = o;
    }
    Frame();  // paint the first picture
  }
  void Frame() {
    clock->Advance(11);
    core->RunFrame();
  }
  // One frame in which the mover moves a pixel (back and forth across the view).
  void MoveOne() {
    if (mover->GetX() > 700 || mover->GetX() < 100) dx = -dx;
    mover->MoveBy(dx, 0);
    mover->Invalidate();
    Frame();
  }

  platform::ScopedManualClock clock{1000};
  std::unique_ptr<engine::GameCore> core;
  engine::ObjectModule* objects = nullptr;
  DiscardingPaintModule* paint = nullptr;
  engine::EngineObject* mover = nullptr;
  double dx = 1.0;
};

void BM_FrameNothingChanged(benchmark::State& state) {
  Scene scene(static_cast<int>(state.range(0)));
  for (auto _ : state) scene.Frame();
  state.counters["items/frame"] = benchmark::Counter(0);
}
BENCHMARK(BM_FrameNothingChanged)->Arg(100)->Arg(1000)->Arg(10000);

void BM_FrameOneObjectMoving(benchmark::State& state) {
  Scene scene(static_cast<int>(state.range(0)));
  const int64_t items_before = scene.paint->items;
  for (auto _ : state) scene.MoveOne();
  state.counters["items/frame"] = benchmark::Counter(static_cast<double>(scene.paint->items - items_before) /
                                                     static_cast<double>(state.iterations()));
}
BENCHMARK(BM_FrameOneObjectMoving)->Arg(100)->Arg(1000)->Arg(10000);

void OneMovingAmong10000BesideAmong100(benchmark::State& state) {
  Scene many(10000);
  Scene few(100);
  bench::SideBySide(
      state, [&] { many.MoveOne(); }, [&] { few.MoveOne(); });
}
BENCHMARK(OneMovingAmong10000BesideAmong100);

}  // namespace
