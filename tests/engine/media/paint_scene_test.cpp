// ctest-labels: paint
// The scene on screen: sprites in the object module, painted by the GDI paint module into the
// headless display, read back as presented pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/core/rotated_rect.h"
#include "engine/media/pps_picture.h"
#include "engine/media/resource_package.h"
#include "platform/files.h"
#include "platform/picture_decoder.h"
#include "platform/png_file.h"
#include "platform/clock.h"
#include "tests/support/paint_fixture.h"
#include "tests/support/test_pictures.h"

namespace {

using engine::RECT;

constexpr uint32_t kBase = 0xFF204060;  // the base colour as a presented word

class PaintSceneTest : public test::PaintFixture {
 protected:
  void SetUp() override {
    PaintFixture::SetUp();
    paint_->FillBase(0x00604020);
    objects_->RedrawAll();
    Frame();
    TakeInvalidated();
  }
  // An opaque colour as it shows after being mixed onto the opaque base (255 of 256 parts).
  static uint32_t Shown(uint32_t argb) {
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) out |= (((argb >> shift) & 0xFF) * 255 >> 8) << shift;
    return out;
  }
  static RECT Bounds(const engine::EngineObject* o) {
    engine::ObjectGeometry g;
    o->GetGeometry(&g);
    return engine::ObjectBoundingRect(nullptr, g);
  }
};

TEST_F(PaintSceneTest, SpritesAreDrawnInOrderOverTheBase) {
  EXPECT_EQ(Pixel(5, 5), kBase);
  Cache("red", test::SolidRecord(10, 10, 0xFFFF0000));
  Cache("green", test::SolidRecord(10, 10, 0xFF00FF00));
  AddSprite("red", 20, 20);
  AddSprite("green", 25, 25);  // added later: drawn on top
  Frame();
  EXPECT_EQ(Pixel(16, 16), Shown(0xFFFF0000));
  EXPECT_EQ(Pixel(24, 24), Shown(0xFF00FF00));
  EXPECT_EQ(Pixel(29, 29), Shown(0xFF00FF00));
  EXPECT_EQ(Pixel(30, 30), kBase);
  EXPECT_EQ(Pixel(14, 14), kBase);
}

TEST_F(PaintSceneTest, MovingSpriteRepaintsExactlyItsOldAndNewAreas) {
  Cache("card", test::SolidRecord(8, 12, 0xFFFFFFFF));
  engine::SpriteObject* card = AddSprite("card", 30, 30);
  Frame();
  TakeInvalidated();
  const std::vector<uint32_t> before = paint_->Display().PresentedFrame();
  const RECT old_area = Bounds(card);

  card->MoveTo(70, 40);
  card->Invalidate();
  Frame();
  const RECT new_area = Bounds(card);
  std::vector<RECT> invalidated = TakeInvalidated();
  std::vector<RECT> expected = {old_area, new_area};
  auto order = [](const RECT& a, const RECT& b) { return std::tie(a.left, a.top) < std::tie(b.left, b.top); };
  std::sort(invalidated.begin(), invalidated.end(), order);
  std::sort(expected.begin(), expected.end(), order);
  EXPECT_EQ(invalidated, expected);

  // Inside the two areas: the base where the card was, the card where it is; elsewhere nothing changed.
  const std::vector<uint32_t>& after = paint_->Display().PresentedFrame();
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const size_t i = static_cast<size_t>(y) * kWidth + x;
      if (platform::PtInRect(new_area, x, y)) {
        ASSERT_EQ(after[i], Shown(0xFFFFFFFF)) << x << "," << y;
      } else if (platform::PtInRect(old_area, x, y)) {
        ASSERT_EQ(after[i], kBase) << x << "," << y;
      } else {
        ASSERT_EQ(after[i], before[i]) << x << "," << y;
      }
    }
  }
}

TEST_F(PaintSceneTest, GifFramesFollowTheManualClock) {
  // Three frames, each one palette colour, 100, 200 and 300 ms.
  const std::vector<uint8_t> palette = {255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0};
  std::vector<test_support::GifFrameDesc> frames;
  for (int f = 0; f < 3; ++f) {
    test_support::GifFrameDesc gif_frame;
    gif_frame.width = 6;
    gif_frame.height = 6;
    gif_frame.indices.assign(36, static_cast<uint8_t>(f));
    gif_frame.delay_cs = 10 * (f + 1);
    frames.push_back(gif_frame);
  }
  const std::vector<uint8_t> gif = test_support::MakeGif(6, 6, palette, frames);
  engine::ImageRecord record;
  ASSERT_EQ(paint_->DecodeImage(gif.data(), gif.size(), engine::NameKeyRS(".gif"), &record), 1);
  paint_->AddRecord(engine::PaintModule::PictureKey("anim"), &record);
  engine::SpriteObject* sprite = AddSprite("anim", 40, 40);
  EXPECT_EQ(sprite->GetTotalDuration(), 600u);

  const uint32_t start = platform::GetTickCount();
  const uint32_t colours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
  // (elapsed ms, frame shown): 0-99 frame 0, 100-299 frame 1, 300-599 frame 2, then round again.
  // Steps lie more than the object module's interval apart, so each one is painted.
  const std::pair<uint32_t, int> steps[] = {{50, 0}, {150, 1}, {288, 1}, {300, 2}, {588, 2}, {600, 0}, {750, 1}};
  for (const auto& [elapsed, frame] : steps) {
    clock_->Advance(start + elapsed - platform::GetTickCount());
    sprite->SelectFrameByTime(platform::GetTickCount() - start, 0);
    sprite->Invalidate();
    core_->RunFrame();
    core_->SendEvent(engine::module_id::kPaint, engine::paint_event::kPresent, 0, 0);
    EXPECT_EQ(sprite->ForwardImageCall3(), frame) << elapsed;
    EXPECT_EQ(Pixel(40, 40), colours[frame]) << elapsed;  // palette pixels are copied as they are
  }
}

TEST_F(PaintSceneTest, PictureEvictedAndRecachedStillDraws) {
  Cache("face", test::SolidRecord(10, 10, 0xFFFF0000));
  engine::SpriteObject* sprite = AddSprite("face", 50, 50);
  Frame();
  EXPECT_EQ(Pixel(50, 50), Shown(0xFFFF0000));

  paint_->RemovePicture("face");
  Cache("face", test::SolidRecord(10, 10, 0xFF0000FF));
  // Straight away, even within a second of anything else: the handle finds its picture in the cache.
  sprite->Invalidate();
  Frame();
  EXPECT_EQ(Pixel(50, 50), Shown(0xFF0000FF));
  EXPECT_TRUE(sprite->GetDrawImage()->IsCurrent());

  // Twice more, to be sure the handle keeps following its name.
  for (uint32_t colour : {0xFF00FF00u, 0xFFFFFFFFu}) {
    paint_->RemovePicture("face");
    Cache("face", test::SolidRecord(10, 10, colour));
    sprite->Invalidate();
    Frame();
    EXPECT_EQ(Pixel(50, 50), Shown(colour));
  }
}

TEST_F(PaintSceneTest, MissingPictureLeavesItsAreaRestoredFromTheBase) {
  Cache("ghost", test::SolidRecord(10, 10, 0xFFFFFFFF));
  engine::SpriteObject* sprite = AddSprite("ghost", 50, 50);
  Frame();
  EXPECT_EQ(Pixel(50, 50), Shown(0xFFFFFFFF));
  paint_->RemovePicture("ghost");  // nothing can load it again
  sprite->Invalidate();
  Frame();
  EXPECT_EQ(Pixel(50, 50), kBase);
  EXPECT_TRUE(TakeInvalidated().size() >= 1u);
}

TEST_F(PaintSceneTest, ScrolledViewPlacesSpritesOnce) {
  Cache("dot", test::SolidRecord(4, 4, 0xFFFFFFFF));
  AddSprite("dot", 100, 50);
  // The view moves 30 pixels right and 10 down: the sprite shows 30 left and 10 up of its scene point.
  objects_->SetViewCentre(kWidth / 2 + 30, kHeight / 2 + 10);
  objects_->RedrawAll();
  core_->SendEvent(engine::module_id::kPaint, engine::paint_event::kPresent, 0, 0);
  EXPECT_EQ(Pixel(70, 40), Shown(0xFFFFFFFF));
  EXPECT_EQ(Pixel(68, 38), Shown(0xFFFFFFFF));
  EXPECT_EQ(Pixel(72, 40), kBase);
  EXPECT_EQ(Pixel(100, 50), kBase);
  EXPECT_EQ(Pixel(40, 30), kBase);  // where the view centre, taken off twice, would have put it
}

}  // namespace

namespace {

using Bytes = std::vector<uint8_t>;

// A PNG of one opaque colour (0xAARRGGBB) as file bytes.
Bytes SolidPng(int w, int h, uint32_t argb) {
  std::vector<uint32_t> words(static_cast<size_t>(w) * h, argb);
  std::string error;
  EXPECT_TRUE(platform::SavePng("solid.png", w, h, reinterpret_cast<const uint8_t*>(words.data()), &error)) << error;
  Bytes bytes;
  EXPECT_TRUE(platform::ReadFileBytes("solid.png", &bytes));
  return bytes;
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  ASSERT_TRUE(platform::WriteFileAtomic(path, bytes.data(), bytes.size()));
}

class PackagedPictureTest : public PaintSceneTest {};

TEST_F(PackagedPictureTest, PngAndPpsFromAPackageAreDrawnBySprites) {
  platform::CreateDirectories("art");
  WriteBytes("art/face.png", SolidPng(8, 8, 0xFFFF8000));
  engine::ImageRecord chip = test::SolidRecord(6, 4, 0xFF3070F0);
  WriteBytes("art/chip.pps", engine::EncodePicture(chip, nullptr, engine::kPpsCodecBestOf));
  engine::FreeImageRecord(&chip);
  engine::ResourcePackage package("art", 2, 0, 0, 0);
  ASSERT_GT(package.AddFile("face.png", "art/face.png", nullptr, 0, 0), 0u);
  ASSERT_GT(package.AddFile("chip.pps", "art/chip.pps", nullptr, 0, 0), 0u);
  ASSERT_EQ(package.Pack("art.qzr", 1), 2u);
  ASSERT_EQ(resources_->OpenPackage("art.qzr"), 2);

  engine::SpriteObject* face = AddSprite("face", 30, 30);
  engine::SpriteObject* chip_sprite = AddSprite("chip", 80, 60);
  EXPECT_EQ(face->GetWidth(), 8.0);
  EXPECT_EQ(chip_sprite->GetWidth(), 6.0);
  Frame();
  EXPECT_EQ(Pixel(26, 26), Shown(0xFFFF8000));
  EXPECT_EQ(Pixel(33, 33), Shown(0xFFFF8000));
  EXPECT_EQ(Pixel(34, 34), kBase);
  EXPECT_EQ(Pixel(77, 58), Shown(0xFF3070F0));
  EXPECT_EQ(Pixel(82, 61), Shown(0xFF3070F0));
  EXPECT_EQ(Pixel(83, 61), kBase);
  // Package members can be read again, so their bytes are let go once decoded.
  EXPECT_EQ(resources_->FindRecord(engine::MakeNameKey("face.imge"))->data, nullptr);
}

TEST_F(PackagedPictureTest, PictureFromMemoryIsReloadedAfterEviction) {
  const Bytes png = SolidPng(10, 10, 0xFF00C000);
  auto* block = new uint8_t[png.size()];
  std::copy(png.begin(), png.end(), block);
  resources_->RegisterMemory("leaf.png", block, static_cast<uint32_t>(png.size()));
  engine::SpriteObject* leaf = AddSprite("leaf", 60, 60);
  Frame();
  EXPECT_EQ(Pixel(60, 60), Shown(0xFF00C000));
  // Nothing could read these bytes again: they stay with the resource module.
  EXPECT_NE(resources_->FindRecord(engine::MakeNameKey("leaf.imge"))->data, nullptr);

  paint_->RemovePicture("leaf");
  // A picture missing from the cache is loaded again at most once a second per handle, measured
  // by the paint module's tick time: a second on, and one more frame for the module to tick.
  Step(1000);
  Frame();
  leaf->Invalidate();
  Frame();
  EXPECT_EQ(Pixel(60, 60), Shown(0xFF00C000));
  EXPECT_TRUE(leaf->GetDrawImage()->IsCurrent());
}

TEST_F(PackagedPictureTest, UndecodablePictureIsRefusedAndNotCached) {
  WriteBytes("broken.png", Bytes(40, 0x11));
  resources_->RegisterFile("broken.png");
  engine::PictureInfo info;
  paint_->GetPictureInfo(&info, "broken", 0);
  EXPECT_EQ(info.record, nullptr);
  EXPECT_EQ(paint_->CachedPictureCount(), 0u);
  EXPECT_NE(GameLog().find("cannot be decoded"), std::string::npos);
}

}  // namespace
