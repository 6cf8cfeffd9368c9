// ctest-labels: paint
#include "engine/media/paint_module.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "engine/media/gdi_paint_module.h"
#include "engine/media/pps_picture.h"
#include "platform/files.h"
#include "platform/picture_decoder.h"
#include "platform/png_file.h"
#include "tests/support/paint_fixture.h"
#include "tests/support/test_pictures.h"

namespace {

using Bytes = std::vector<uint8_t>;
using engine::ImageRecord;
using engine::NameKeyRS;
using test_support::GifFrameDesc;

const Bytes kPalette4 = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};

class PaintModuleTest : public test::PaintFixture {
 protected:
  // A record that is freed at the end of the test.
  ImageRecord& Fresh() { return decoded_.emplace_back(); }
  // Decodes bytes as a file of the given extension.
  int Decode(const Bytes& bytes, const char* extension, ImageRecord* out) {
    return paint_->DecodeImage(bytes.data(), bytes.size(), NameKeyRS(extension), out);
  }
  void TearDown() override {
    for (ImageRecord& r : decoded_) engine::FreeImageRecord(&r);
    PaintFixture::TearDown();
  }
  std::deque<ImageRecord> decoded_;
};

TEST_F(PaintModuleTest, SerialsStartAtTwoAndRiseOnEveryInsert) {
  EXPECT_EQ(paint_->GetLastSerial(), 1u);
  Cache("a", test::SolidRecord(2, 2, 0xFFFFFFFF));
  ImageRecord* a = paint_->FindPicture("a.imge");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->serial, 2u);
  EXPECT_EQ(a->cache_time, paint_->GetLastTick());

  // A second picture under the same name leaves the cached one (and frees the offered one: LSan).
  Cache("a", test::SolidRecord(5, 5, 0xFF000000));
  EXPECT_EQ(paint_->FindPicture("a.imge"), a);
  EXPECT_EQ(a->serial, 2u);
  EXPECT_EQ(a->width, 2);
  EXPECT_EQ(paint_->CachedPictureCount(), 1u);

  paint_->RemovePicture("a");
  EXPECT_EQ(paint_->CachedPictureCount(), 0u);
  EXPECT_EQ(paint_->FindPicture("a.imge"), nullptr);
  paint_->RemovePicture("a");  // a missing name does nothing
  Cache("a", test::SolidRecord(2, 2, 0xFFFFFFFF));
  EXPECT_GT(paint_->FindPicture("a.imge")->serial, 2u);
}

TEST_F(PaintModuleTest, PictureInfoByNameAndByFullNameMeet) {
  Cache("cards/back", test::SolidRecord(3, 4, 0xFF102030, 3));
  engine::PictureInfo info;
  paint_->GetPictureInfo(&info, "cards/back", 4);
  ImageRecord* record = paint_->FindPicture("cards/back.imge");
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(info.record, record);
  EXPECT_EQ(info.serial, record->serial);
  EXPECT_EQ(info.width, 3);
  EXPECT_EQ(info.height, 4);
  EXPECT_EQ(info.frame, 1);
  EXPECT_EQ(info.backdrop, 0xFF00FFu);
  EXPECT_EQ(info.key, engine::MakeNameKey("cards/back.imge"));
  // A negative frame selects a frame of the picture, never rows before its block.
  paint_->GetPictureInfo(&info, "cards/back", -1);
  EXPECT_EQ(info.frame, 2);
  // A picture nobody has: all zero.
  paint_->GetPictureInfo(&info, "missing", 0);
  EXPECT_EQ(info.record, nullptr);
  EXPECT_EQ(info.serial, 0u);
  EXPECT_EQ(info.width, 0);
}

// Counts the loads the cache asks for.
class CountingPaintModule : public engine::GdiPaintModule {
 public:
  int LoadPicture(engine::NameKey key) override {
    ++loads;
    return GdiPaintModule::LoadPicture(key);
  }
  int loads = 0;
};

TEST_F(PaintModuleTest, RefreshRebindsAStaleHandleToTheRecachedPicture) {
  Cache("p", test::SolidRecord(2, 2, 0xFFFFFFFF));
  engine::PictureInfo info;
  paint_->GetPictureInfo(&info, "p", 0);
  engine::ImageHandle handle;
  handle.SetParams(info);
  ASSERT_TRUE(handle.IsCurrent());

  paint_->RemovePicture("p");
  EXPECT_FALSE(handle.IsCurrent());
  Cache("p", test::SolidRecord(2, 2, 0xFF000000));
  EXPECT_EQ(paint_->RefreshImage(&handle), 1);
  EXPECT_TRUE(handle.IsCurrent()) << "the handle takes the new record's serial";
  EXPECT_EQ(handle.GetRecord(), paint_->FindPicture("p.imge"));

  // Handles that never held a cached picture are left alone.
  engine::ImageHandle empty;
  EXPECT_EQ(paint_->RefreshImage(&empty), 0);
  engine::PictureInfo one = info;
  one.serial = 1;
  engine::ImageHandle first;
  first.SetParams(one);
  EXPECT_EQ(paint_->RefreshImage(&first), 0);
  EXPECT_EQ(first.GetRecord(), info.record);
}

TEST_F(PaintModuleTest, MissingPictureIsAskedForAtMostOnceASecond) {
  core_.reset();
  core_ = std::make_unique<engine::GameCore>();
  ASSERT_EQ(core_->LoadModule(new test::FakeModule(engine::module_id::kResource), true, true),
            engine::QUILLARON_RETURN_OK);
  auto* counting = new CountingPaintModule();
  ASSERT_EQ(core_->LoadModule(counting, true, true), engine::QUILLARON_RETURN_OK);
  engine::PictureInfo info;
  info.serial = 7;
  info.key = engine::MakeNameKey("gone.imge");
  engine::ImageHandle handle;
  handle.SetParams(info);
  Step(2000);
  core_->RunFrame();
  EXPECT_EQ(counting->RefreshImage(&handle), 0);
  EXPECT_EQ(counting->loads, 1);
  Step(500);
  core_->RunFrame();
  EXPECT_EQ(counting->RefreshImage(&handle), 0);
  EXPECT_EQ(counting->loads, 1);
  Step(600);
  core_->RunFrame();
  EXPECT_EQ(counting->RefreshImage(&handle), 0);
  EXPECT_EQ(counting->loads, 2);
}

TEST_F(PaintModuleTest, GifFramesAndDelays) {
  std::vector<GifFrameDesc> frames;
  for (int f = 0; f < 3; ++f) {
    GifFrameDesc gif_frame;
    gif_frame.width = 2;
    gif_frame.height = 2;
    gif_frame.indices.assign(4, static_cast<uint8_t>(f));
    gif_frame.delay_cs = f * 5;  // 0, 5, 10 hundredths
    frames.push_back(gif_frame);
  }
  const Bytes gif = test_support::MakeGif(2, 2, kPalette4, frames);
  ImageRecord& r = Fresh();
  ASSERT_EQ(Decode(gif, ".gif", &r), 1);
  EXPECT_EQ(r.frame_count, 3);
  ASSERT_NE(r.flags & engine::kImageFlagDelays, 0u);
  ASSERT_NE(r.delays, nullptr);
  EXPECT_EQ(r.delays[0], 40u);
  EXPECT_EQ(r.delays[1], 50u);
  EXPECT_EQ(r.delays[2], 100u);
  EXPECT_EQ(r.frame_columns, 1u);
  ASSERT_TRUE(r.IsPalette());
  EXPECT_EQ(r.data_size, 12u);
  EXPECT_EQ(r.pixels[4], 1);  // frame 1 follows frame 0
  EXPECT_EQ(r.pixels[8], 2);

  ImageRecord& single = Fresh();
  ASSERT_EQ(Decode(test_support::MakeGif(2, 2, kPalette4, {frames[1]}), ".gif", &single), 1);
  EXPECT_EQ(single.frame_count, 1);
  EXPECT_EQ(single.delays, nullptr);
  EXPECT_EQ(single.flags & engine::kImageFlagDelays, 0u);
}

TEST_F(PaintModuleTest, PaletteTransparencyIsKeptOnlyWhenUsed) {
  GifFrameDesc keyed;
  keyed.width = 2;
  keyed.height = 1;
  keyed.indices = {3, 1};
  keyed.transparent = 3;
  ImageRecord& used = Fresh();
  ASSERT_EQ(Decode(test_support::MakeGif(2, 1, kPalette4, {keyed}), ".gif", &used), 1);
  EXPECT_EQ(used.colour_key, 3u);
  EXPECT_NE(used.flags & engine::kImageFlagTransparent, 0u);

  keyed.indices = {1, 2};
  ImageRecord& unused = Fresh();
  ASSERT_EQ(Decode(test_support::MakeGif(2, 1, kPalette4, {keyed}), ".gif", &unused), 1);
  EXPECT_EQ(unused.flags & engine::kImageFlagTransparent, 0u);
}

TEST_F(PaintModuleTest, PngKeepsItsAlphaAndRowsTopDown) {
  const Bytes bgra = {1, 2, 3, 255, 4, 5, 6, 128, 7, 8, 9, 0, 10, 11, 12, 255};
  std::string error;
  ASSERT_TRUE(platform::SavePng("t.png", 2, 2, bgra.data(), &error)) << error;
  Bytes png;
  ASSERT_TRUE(platform::ReadFileBytes("t.png", &png));
  ImageRecord& r = Fresh();
  ASSERT_EQ(Decode(png, ".png", &r), 1);
  EXPECT_FALSE(r.IsPalette());
  EXPECT_NE(r.flags & engine::kImageFlagAlpha, 0u);
  EXPECT_EQ(Bytes(r.pixels, r.pixels + r.data_size), bgra);
}

TEST_F(PaintModuleTest, BmpWithoutTransparencyIsOpaque) {
  const Bytes bmp = test_support::MakeBmp24(2, 1, {1, 2, 3, 0, 4, 5, 6, 0});
  ImageRecord& r = Fresh();
  ASSERT_EQ(Decode(bmp, ".bmp", &r), 1);
  EXPECT_EQ(r.flags & (engine::kImageFlagAlpha | engine::kImageFlagTransparent), 0u);
  EXPECT_EQ(Bytes(r.pixels, r.pixels + 8), (Bytes{1, 2, 3, 255, 4, 5, 6, 255}));
}

TEST_F(PaintModuleTest, UndecodableBytesAreRefusedNotCachedAsEmpty) {
  const Bytes garbage(64, 0x5A);
  ImageRecord& r = Fresh();
  EXPECT_EQ(Decode(garbage, ".png", &r), 0);
  EXPECT_EQ(r.pixels, nullptr);
  EXPECT_EQ(r.width, 0);
  // An extension outside the table decodes nothing.
  const Bytes bmp = test_support::MakeBmp24(1, 1, {1, 2, 3, 0});
  EXPECT_EQ(Decode(bmp, ".txt", &r), 0);
  EXPECT_EQ(Decode(Bytes{}, ".gif", &r), 0);
}

TEST_F(PaintModuleTest, PpsPicturesDecodeUnlessTheyNameAnOutsidePalette) {
  ImageRecord source = test::SolidRecord(3, 2, 0xFF405060);
  const Bytes pps = engine::EncodePicture(source, nullptr, engine::kPpsCodecBestOf);
  ASSERT_FALSE(pps.empty());
  ImageRecord& r = Fresh();
  ASSERT_EQ(Decode(pps, ".pps", &r), 1);
  EXPECT_EQ(r.width, 3);
  EXPECT_EQ(Bytes(r.pixels, r.pixels + r.data_size), Bytes(source.pixels, source.pixels + source.data_size));
  engine::FreeImageRecord(&source);

  ImageRecord referenced;
  referenced.width = 2;
  referenced.height = 1;
  referenced.frame_count = 1;
  referenced.flags = engine::kImageFlagPaletteRef;
  referenced.data_size = 2;
  referenced.pixels = new uint8_t[2]{1, 2};
  const Bytes ref_pps = engine::EncodePicture(referenced, nullptr, engine::kPpsCodecRaw);
  engine::FreeImageRecord(&referenced);
  ASSERT_FALSE(ref_pps.empty());
  ImageRecord& refused = Fresh();
  EXPECT_EQ(Decode(ref_pps, ".pps", &refused), 0);  // LSan: its blocks are released
  EXPECT_EQ(refused.pixels, nullptr);
}

TEST_F(PaintModuleTest, FramesPerSecondEstimate) {
  EXPECT_EQ(paint_->GetFps(), 0.0);
  core_.reset();
  core_ = std::make_unique<engine::GameCore>();
  ASSERT_EQ(core_->LoadModule(new test::FakeModule(engine::module_id::kResource), true, true),
            engine::QUILLARON_RETURN_OK);
  paint_ = new engine::GdiPaintModule();
  ASSERT_EQ(core_->LoadModule(paint_, true, true), engine::QUILLARON_RETURN_OK);
  // Ticks every 20 ms: 50 per second, after a first tick measured from time 0.
  Step(20);
  core_->RunFrame();
  ASSERT_GT(paint_->GetLastTick(), 0u);
  const double first = 1000.0 / paint_->GetLastTick();  // measured from time 0
  EXPECT_DOUBLE_EQ(paint_->GetFps(), first);
  for (int i = 2; i <= 99; ++i) {
    Step(20);
    core_->RunFrame();
  }
  EXPECT_DOUBLE_EQ(paint_->GetFps(), (first + 98 * 50.0) / 99);
  for (int i = 0; i < 2000; ++i) {
    Step(20);
    core_->RunFrame();
  }
  EXPECT_NEAR(paint_->GetFps(), 50.0, 0.01);
}

}  // namespace
