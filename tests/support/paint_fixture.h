// A core with the resource module, the object module and the GDI paint module on a headless display
// of 160 x 120 (view centred at (80, 60), as the host window sets it up), plus helpers that make
// small pictures and read the finished pixels.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/game_core.h"
#include "engine/core/image_handle.h"
#include "engine/core/object_module.h"
#include "engine/core/sprite_object.h"
#include "engine/media/gdi_paint_module.h"
#include "engine/media/resource_module.h"
#include "tests/support/engine_fixture.h"

namespace test {

// A true-colour record of one colour (0xAARRGGBB), frames stacked; the caller frees it.
engine::ImageRecord SolidRecord(int width, int height, uint32_t argb, int frames = 1);

class PaintFixture : public EngineFixture {
 protected:
  static constexpr int kWidth = 160;
  static constexpr int kHeight = 120;

  void SetUp() override { Build(32); }
  void TearDown() override;

  // (Re)builds the engine with a display of the given depth.
  void Build(int bits_per_pixel);
  // One frame, late enough for every module with the default interval to tick; then the window's
  // paint message (paint_event::kPresent).
  void Frame();
  // Caches the record under name (the cache takes a copy; the record is freed here).
  void Cache(const std::string& name, engine::ImageRecord record);
  // A sprite of the named cached picture, centred at (x, y).
  engine::SpriteObject* AddSprite(const std::string& name, double x, double y, int frame = 0);
  // A presented pixel, 0xAARRGGBB.
  uint32_t Pixel(int x, int y) const { return paint_->Display().PresentedPixel(x, y); }
  // The areas invalidated since the last call.
  std::vector<engine::RECT> TakeInvalidated() { return paint_->Display().TakeInvalidRects(); }

  std::unique_ptr<engine::GameCore> core_;
  engine::ResourceModule* resources_ = nullptr;
  engine::ObjectModule* objects_ = nullptr;
  engine::GdiPaintModule* paint_ = nullptr;
};

}  // namespace test
