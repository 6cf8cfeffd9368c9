// The paint module over a table-like scene of 1024 x 768: a background picture in the base layer,
// 100 alpha-blended 72 x 96 cards and 20 keyed 1-byte palette buttons, all sprites.
//   FullRedraw   the whole view painted: restore, draw every sprite, present, upload
//   OneCardMoves a frame in which one card moves by a few pixels (the object module's frame pass
//                makes the batch of its old and new areas)
//   MemoryFloor  a memcpy of the bytes a full frame must touch: base -> compose -> present ->
//                display bitmap (three layers written, three read)
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "engine/core/game_core.h"
#include "engine/core/object_module.h"
#include "engine/core/sprite_object.h"
#include "engine/media/gdi_paint_module.h"
#include "platform/clock.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// Module 1001, so that the paint module's Init finds a resource module; pictures are added directly.
class NoResources : public engine::EngineModule {
 public:
  uint32_t GetId() const override { return engine::module_id::kResource; }
  const char* GetName() const override { return "ResourceModule"; }
};

engine::ImageRecord TrueColour(int w, int h, bool alpha, uint32_t seed) {
  engine::ImageRecord r;
  r.width = static_cast<uint16_t>(w);
  r.height = static_cast<uint16_t>(h);
  r.frame_count = 1;
  r.frame_columns = 1;
  r.data_size = static_cast<uint32_t>(w * h * 4);
  auto* px = new uint32_t[static_cast<size_t>(w) * h];
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint32_t a = 255;
      // Cards: rounded-looking corners fade out, a soft shadow edge is half transparent.
      if (alpha) {
        const int edge = std::min(std::min(x, w - 1 - x), std::min(y, h - 1 - y));
        a = edge == 0 ? 0 : edge < 3 ? 128 : 255;
      }
      px[y * w + x] = (a << 24) | ((x * 3 + seed) & 0xFF) << 16 | ((y * 2 + seed) & 0xFF) << 8 | (seed & 0xFF);
    }
  }
  r.pixels = reinterpret_cast<uint8_t*>(px);
  if (alpha) r.flags |= engine::kImageFlagAlpha;
  return r;
}

engine::ImageRecord KeyedButton(int w, int h) {
  engine::ImageRecord r;
  r.width = static_cast<uint16_t>(w);
  r.height = static_cast<uint16_t>(h);
  r.frame_count = 1;
  r.frame_columns = 1;
  r.flags = engine::kImageFlagOwnPalette | engine::kImageFlagTransparent;
  r.colour_key = 0;
  r.palette_count = 4;
  r.palette = new uint8_t[12]{255, 0, 255, 200, 180, 40, 90, 60, 20, 250, 250, 250};
  r.data_size = static_cast<uint32_t>(w * h);
  r.pixels = new uint8_t[r.data_size];
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) r.pixels[y * w + x] = (x < 3 || x >= w - 3) ? 0 : static_cast<uint8_t>(1 + (x + y) % 3);
  return r;
}

struct Table {
  Table() {
    core = std::make_unique<engine::GameCore>();
    objects = new engine::ObjectModule();
    paint = new engine::GdiPaintModule();
    core->LoadModule(new NoResources(), true, true);
    core->LoadModule(objects, true, false);
    core->LoadModule(paint, true, true);
    paint->SetSize(kWidth, kHeight);
    objects->SetViewCentre(kWidth / 2, kHeight / 2);
    objects->SetViewSize(kWidth, kHeight);

    Add("felt", TrueColour(kWidth, kHeight, false, 0x30));
    engine::PictureInfo felt;
    paint->GetPictureInfo(&felt, "felt", 0);
    paint->DrawPictureAt(&felt, 0, 0, kWidth, kHeight, 0.0);

    Add("card", TrueColour(72, 96, true, 0x80));
    Add("button", KeyedButton(80, 30));
    engine::PictureInfo card_info;
    paint->GetPictureInfo(&card_info, "card", 0);
    for (int i = 0; i < 100; ++i) {
      auto* card = static_cast<engine::SpriteObject*>(objects->CreateSprite(&card_info, nullptr));
      card->MoveTo(60 + (i % 20) * 45, 120 + (i / 20) * 110);
      card->Show();
      cards.push_back(card);
    }
    engine::PictureInfo button_info;
    paint->GetPictureInfo(&button_info, "button", 0);
    for (int i = 0; i < 20; ++i) {
      auto* button = objects->CreateSprite(&button_info, nullptr);
      button->MoveTo(60 + (i % 10) * 95, 700 + (i / 10) * 36);
      button->Show();
    }
    objects->RedrawAll();
  }
  void Add(const char* name, engine::ImageRecord record) {
    engine::PictureInfo info;
    info.record = &record;
    paint->AddPicture(name, &info);
    engine::FreeImageRecord(&record);
  }

  platform::ScopedManualClock clock{1000};
  std::unique_ptr<engine::GameCore> core;
  engine::ObjectModule* objects = nullptr;
  engine::GdiPaintModule* paint = nullptr;
  std::vector<engine::SpriteObject*> cards;
};

void FullRedraw(benchmark::State& state) {
  Table table;
  for (auto _ : state) {
    table.objects->RedrawAll();
    benchmark::DoNotOptimize(table.paint->PresentLayer());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 4);
}
BENCHMARK(FullRedraw)->Unit(benchmark::kMicrosecond);

void OneCardMoves(benchmark::State& state) {
  Table table;
  engine::SpriteObject* card = table.cards[47];
  double dx = 3.0;
  for (auto _ : state) {
    card->MoveBy(dx, 0.0);
    card->Invalidate();
    dx = -dx;
    table.clock->Advance(11);
    table.core->RunFrame();
    benchmark::DoNotOptimize(table.paint->PresentLayer());
  }
}
BENCHMARK(OneCardMoves)->Unit(benchmark::kMicrosecond);

void MemoryFloor(benchmark::State& state) {
  const size_t bytes = size_t{kWidth} * kHeight * 4;
  std::vector<uint32_t> base(bytes / 4, 0xFF102030), compose(bytes / 4), present(bytes / 4), bitmap(bytes / 4);
  for (auto _ : state) {
    std::memcpy(compose.data(), base.data(), bytes);
    std::memcpy(present.data(), compose.data(), bytes);
    std::memcpy(bitmap.data(), present.data(), bytes);
    benchmark::DoNotOptimize(bitmap.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
}
BENCHMARK(MemoryFloor)->Unit(benchmark::kMicrosecond);

}  // namespace
