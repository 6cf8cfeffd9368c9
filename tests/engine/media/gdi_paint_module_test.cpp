// ctest-labels: paint
#include "engine/media/gdi_paint_module.h"

#include <gtest/gtest.h>

#include <span>

#include "engine/core/core_settings.h"
#include "engine/core/memory_pool.h"
#include "tests/support/engine_doubles.h"
#include "tests/support/paint_fixture.h"

namespace {

using engine::DrawItem;
using engine::PaintBatch;
using engine::RECT;

class GdiPaintModuleTest : public test::PaintFixture {
 protected:
  // A batch over the given rectangles with one item per (handle, centre).
  PaintBatch* MakeBatch(std::vector<RECT> rects, std::vector<std::pair<engine::ImageHandle*, engine::POINT>> items) {
    auto* batch = new PaintBatch;
    batch->view_centre_x = kWidth / 2;
    batch->view_centre_y = kHeight / 2;
    batch->item_pool = &pool_;
    batch->rect_count = static_cast<uint32_t>(rects.size());
    batch->rects = new RECT[rects.size()];
    std::copy(rects.begin(), rects.end(), batch->rects);
    DrawItem* last = nullptr;
    for (auto& [image, at] : items) {
      auto* item = pool_.New<DrawItem>();
      item->geometry.x = at.x;
      item->geometry.y = at.y;
      item->geometry.width = image->GetWidth();
      item->geometry.height = image->GetHeight();
      item->geometry.visible = 1;
      item->image = image;
      (last ? last->next : batch->first_item) = item;
      last = item;
    }
    return batch;
  }
  void Render(PaintBatch* batch) {
    core_->SendEvent(engine::module_id::kPaint, engine::paint_event::kRenderBatch, reinterpret_cast<uintptr_t>(batch),
                     0);
    core_->SendEvent(engine::module_id::kPaint, engine::paint_event::kPresent, 0, 0);
  }
  engine::ImageHandle Handle(const std::string& name) {
    engine::PictureInfo info;
    paint_->GetPictureInfo(&info, name, 0);
    engine::ImageHandle h;
    h.SetParams(info);
    return h;
  }

  engine::MemoryPool pool_{sizeof(DrawItem), 64};
};

TEST_F(GdiPaintModuleTest, BatchRestoresDrawsAndShowsOnlyItsRectangles) {
  paint_->FillBase(0x000000FF);  // red
  const uint32_t* base = paint_->BaseLayer();
  ASSERT_NE(base, nullptr);
  EXPECT_EQ(base[0], 0xFFFF0000u);
  Cache("blue", test::SolidRecord(10, 10, 0xFF0000FF));
  engine::ImageHandle blue = Handle("blue");
  ASSERT_TRUE(blue.IsCurrent());

  const uint32_t pool_in_use = pool_.FreeBytes();
  Render(MakeBatch({RECT{0, 0, 40, 40}}, {{&blue, {20, 20}}}));
  EXPECT_EQ(pool_.FreeBytes(), pool_in_use + 0u) << "items go back to the pool";
  // An opaque picture mixed onto an opaque base keeps 255/256 of each channel: 0xFF becomes 0xFE.
  EXPECT_EQ(Pixel(20, 20), 0xFF0000FEu);  // the picture
  EXPECT_EQ(Pixel(15, 15), 0xFF0000FEu);  // its top-left corner: centre minus half the size
  EXPECT_EQ(Pixel(14, 14), 0xFFFF0000u);  // the base around it
  EXPECT_EQ(Pixel(50, 50), 0xFF000000u);  // outside the rectangle: never presented
  EXPECT_EQ(TakeInvalidated(), (std::vector<RECT>{RECT{0, 0, 40, 40}}));

  // A batch without items repaints its rectangles from the base.
  Render(MakeBatch({RECT{10, 10, 30, 30}}, {}));
  EXPECT_EQ(Pixel(20, 20), 0xFFFF0000u);
  EXPECT_EQ(Pixel(35, 35), 0xFFFF0000u);
}

TEST_F(GdiPaintModuleTest, RectanglesAreClampedBeforeUseAndInvalidation) {
  paint_->SetSize(100, 100);
  paint_->FillBase(0x00FFFFFF);
  Render(MakeBatch({RECT{-10, -10, 20, 20}, RECT{150, 0, 160, 10}}, {}));
  EXPECT_EQ(TakeInvalidated(), (std::vector<RECT>{RECT{0, 0, 20, 20}, RECT{100, 0, 100, 10}}));
  EXPECT_EQ(Pixel(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(99, 5), 0xFF000000u);
}

TEST_F(GdiPaintModuleTest, SetSizeKeepsOrRenewsTheLayers) {
  paint_->FillBase(0x0000FF00);
  const uint32_t* before = paint_->BaseLayer();
  paint_->SetSize(kWidth, kHeight);
  EXPECT_EQ(paint_->BaseLayer(), before);
  EXPECT_EQ(paint_->BaseLayer()[5], 0xFF00FF00u);
  paint_->SetSize(80, 60);
  EXPECT_EQ(paint_->BaseLayer()[5], 0u);
  EXPECT_EQ(paint_->Display().BitmapWidth(), 80);
  EXPECT_EQ(paint_->GetWidth(), 80);
}

TEST_F(GdiPaintModuleTest, BatchBeforeAnySizeIsFreedWithoutPainting) {
  Build(32);
  paint_->SetSize(0, 0);
  Render(MakeBatch({RECT{0, 0, 10, 10}}, {}));  // ASan: nothing leaks, nothing is touched
  EXPECT_TRUE(TakeInvalidated().empty());
}

struct UploadCase {
  int bits;
  uint32_t pixel;                 // present-layer word
  std::vector<uint8_t> expected;  // the display bitmap's first pixel
};

class UploadTest : public test::PaintFixture, public ::testing::WithParamInterface<UploadCase> {};

TEST_P(UploadTest, PresentLayerUploadsAtTheDisplayDepth) {
  const UploadCase& c = GetParam();
  Build(c.bits);
  EXPECT_EQ(paint_->GetBitsPerPixel(), static_cast<uint32_t>(c.bits));
  // The base colour reaches the present layer through a full-surface batch with no items.
  paint_->FillBase(((c.pixel >> 16) & 0xFF) | (c.pixel & 0xFF00) | ((c.pixel & 0xFF) << 16));
  auto* batch = new PaintBatch;
  batch->rect_count = 1;
  batch->rects = new RECT[1]{RECT{0, 0, kWidth, kHeight}};
  core_->SendEvent(engine::module_id::kPaint, engine::paint_event::kRenderBatch, reinterpret_cast<uintptr_t>(batch), 0);
  const std::span<const uint8_t> bits = paint_->Display().BitmapBits();
  ASSERT_EQ(bits.size(), static_cast<size_t>(kWidth) * kHeight * c.bits / 8);
  const size_t bytes = c.expected.size();
  EXPECT_EQ(std::vector<uint8_t>(bits.begin(), bits.begin() + bytes), c.expected);
  // The last pixel too: rows are packed without gaps.
  EXPECT_EQ(std::vector<uint8_t>(bits.end() - bytes, bits.end()), c.expected);
}

TEST_P(UploadTest, WholeUploadMatchesTheAreaUploads) {
  const UploadCase& c = GetParam();
  Build(c.bits);
  paint_->FillBase(0x00336699);
  auto* batch = new PaintBatch;
  batch->rect_count = 1;
  batch->rects = new RECT[1]{RECT{0, 0, kWidth, kHeight}};
  core_->SendEvent(engine::module_id::kPaint, engine::paint_event::kRenderBatch, reinterpret_cast<uintptr_t>(batch), 0);
  const std::span<const uint8_t> bits = paint_->Display().BitmapBits();
  const std::vector<uint8_t> by_areas(bits.begin(), bits.end());
  EXPECT_EQ(paint_->UploadBackBuffer(), by_areas.size());
  EXPECT_EQ(std::vector<uint8_t>(bits.begin(), bits.end()), by_areas);
}

INSTANTIATE_TEST_SUITE_P(Depths, UploadTest,
                         ::testing::Values(UploadCase{32, 0xFF123456, {0x56, 0x34, 0x12, 0xFF}},
                                           UploadCase{24, 0xFF123456, {0x56, 0x34, 0x12}},
                                           UploadCase{16, 0xFFFFFFFF, {0xFF, 0xFF}},
                                           UploadCase{16, 0xFF080408, {0x21, 0x08}}));

TEST_F(GdiPaintModuleTest, UnsupportedDepthComposesButNeverUploads) {
  Build(8);
  auto* monitor = new test::FakeModule(engine::module_id::kMonitor, "Monitor");
  ASSERT_EQ(core_->LoadModule(monitor, true, false), engine::QUILLARON_RETURN_OK);
  paint_->FillBase(0x00FFFFFF);
  auto* batch = new PaintBatch;
  batch->rect_count = 1;
  batch->rects = new RECT[1]{RECT{0, 0, 4, 4}};
  core_->SendEvent(engine::module_id::kPaint, engine::paint_event::kRenderBatch, reinterpret_cast<uintptr_t>(batch), 0);
  EXPECT_EQ(paint_->PresentLayer()[0], 0xFFFFFFFFu);
  EXPECT_FALSE(paint_->Display().HasBitmap());
  ASSERT_EQ(monitor->handled.size(), 1u);
  EXPECT_EQ(monitor->handled[0].code, engine::kUnsupportedDepthReport);
}

TEST_F(GdiPaintModuleTest, InitSetsTheGdiSettingAndLogs) {
  EXPECT_EQ(core_->GetIntSetting(engine::setting::kGdiPainter), 1);
  // Without a resource module the paint module cannot load pictures: Init fails.
  engine::GameCore bare;
  EXPECT_EQ(bare.LoadModule(new engine::GdiPaintModule(), true, true), engine::QUILLARON_RETURN_MODULE_INITIAL_FAILD);
  EXPECT_EQ(bare.GetIntSetting(engine::setting::kGdiPainter), 1);
}

TEST_F(GdiPaintModuleTest, DrawPictureAtPaintsIntoTheBase) {
  paint_->FillBase(0);
  Cache("green", test::SolidRecord(4, 4, 0xFF00FF00));
  engine::PictureInfo info;
  paint_->GetPictureInfo(&info, "green", 0);
  paint_->DrawPictureAt(&info, 10, 10, 8, 8, 0.0);  // scaled to 8 x 8 at (10, 10)
  EXPECT_EQ(paint_->BaseLayer()[10 * kWidth + 10], 0xFF00FE00u);
  EXPECT_EQ(paint_->BaseLayer()[17 * kWidth + 17], 0xFF00FE00u);
  EXPECT_EQ(paint_->BaseLayer()[18 * kWidth + 18], 0xFF000000u);
  engine::DrawTarget target;
  paint_->GetBaseTarget(&target);
  EXPECT_EQ(target.pixels, paint_->BaseLayer());
  EXPECT_EQ(target.bytes_per_pixel, 32u);
}

TEST_F(GdiPaintModuleTest, HandedOverRecordIsFreed) {
  auto* record = new engine::ImageRecord(test::SolidRecord(3, 3, 0xFFFFFFFF));
  core_->SendEvent(engine::module_id::kPaint, engine::paint_event::kFreeRecord, reinterpret_cast<uintptr_t>(record), 0);
  // LeakSanitizer checks that the record and its pixels are gone.
}

}  // namespace
