// Canvas work that overlays and widgets do every time they redraw: clearing a screen-sized
// canvas, re-applying its colour key, drawing a picture scaled into it, wrapping a paragraph of
// text, and blurring a drop shadow under a 100 x 100 sprite.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/object_module.h"
#include "engine/core/object_services.h"
#include "engine/core/game_core.h"
#include "engine/core/sprite_object.h"
#include "engine/media/draw_target.h"
#include "engine/ui/font_renderer.h"

namespace {

struct Picture {
  Picture(int w, int h) : pixels(static_cast<size_t>(w) * h, 0xFF336699u) {
    record.serial = 5;
    record.width = static_cast<uint16_t>(w);
    record.height = static_cast<uint16_t>(h);
    record.pixels = reinterpret_cast<uint8_t*>(pixels.data());
    record.data_size = static_cast<uint32_t>(pixels.size() * 4);
    record.colour_key = engine::kColourKey;
    record.frame_count = 1;
    record.flags = engine::kImageFlagTransparent | engine::kImageFlagAlpha;
    record.frame_columns = 1;
    info.serial = 5;
    info.record = &record;
    info.width = w;
    info.height = h;
    info.backdrop = engine::kColourKey;
  }
  std::vector<uint32_t> pixels;
  engine::ImageRecord record;
  engine::PictureInfo info;
};

void BM_ClearScreenCanvas(benchmark::State& state) {
  engine::CanvasObject canvas;
  canvas.CreateSurface(800, 600, 0x008000, nullptr);
  for (auto _ : state) {
    canvas.Clear();
    benchmark::DoNotOptimize(canvas.GetPixels());
  }
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}
BENCHMARK(BM_ClearScreenCanvas);

void BM_ApplyColourKey(benchmark::State& state) {
  engine::CanvasObject canvas;
  canvas.CreateSurface(800, 600, 0x008000, nullptr);
  for (auto _ : state) {
    canvas.ApplyColourKey();
    benchmark::DoNotOptimize(canvas.GetPixels());
  }
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}
BENCHMARK(BM_ApplyColourKey);

void BM_DrawScaledPicture(benchmark::State& state) {
  Picture picture(100, 100);
  engine::CanvasObject canvas;
  canvas.CreateSurface(400, 300, engine::kColourKey, nullptr);
  for (auto _ : state) {
    canvas.DrawImage(&picture.info, 0, 0, 0, 0, 0.0, 1.0);
    benchmark::DoNotOptimize(canvas.GetPixels());
  }
}
BENCHMARK(BM_DrawScaledPicture);

void BM_WrappedParagraph(benchmark::State& state) {
  engine::FontRenderer renderer;
  engine::CanvasObject canvas;
  canvas.CreateSurface(300, 200, 0x008000, &renderer);
  canvas.SetFont(15, 400, engine::kDefaultFaceName);
  std::string text;
  for (int i = 0; i < 6; ++i) text += "本局结束，请点击确定继续下一局游戏。";
  for (auto _ : state) {
    canvas.Clear();
    canvas.DrawWrappedText(text.c_str(), 10);
    benchmark::DoNotOptimize(canvas.GetPixels());
  }
}
BENCHMARK(BM_WrappedParagraph);

void BM_DropShadow(benchmark::State& state) {
  engine::GameCore core;
  auto* objects = new engine::ObjectModule();
  core.LoadModule(objects, true, false);
  auto* services = new engine::ObjectServices();
  objects->AddObject(services, nullptr);
  Picture picture(100, 100);
  engine::SpriteObject* sprite = services->CreateSprite(&picture.info);
  for (auto _ : state) {
    engine::CanvasObject* shadow = services->MakeShadow(sprite);
    benchmark::DoNotOptimize(shadow);
    state.PauseTiming();
    services->DeleteObject(shadow, false);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_DropShadow);

}  // namespace
