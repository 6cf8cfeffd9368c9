// ctest-labels: widgets
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/game_core.h"
#include "engine/core/object_module.h"
#include "engine/core/object_services.h"
#include "engine/core/sprite_object.h"
#include "engine/media/gdi_paint_module.h"
#include "engine/media/pps_picture.h"
#include "tests/support/engine_fixture.h"

namespace {

using engine::ImageRecord;
using engine::PictureInfo;

// A scene with the real paint module on an 800 x 600 screen.
class PictureServicesTest : public test::EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    core_ = std::make_unique<engine::GameCore>();
    ASSERT_EQ(core_->LoadModule(new test::FakeModule(engine::module_id::kResource), true, false),
              engine::QUILLARON_RETURN_OK);
    objects_ = new engine::ObjectModule();
    paint_ = new engine::GdiPaintModule();
    ASSERT_EQ(core_->LoadModule(objects_, true, false), engine::QUILLARON_RETURN_OK);
    ASSERT_EQ(core_->LoadModule(paint_, true, false), engine::QUILLARON_RETURN_OK);
    objects_->SetViewCentre(400, 300);
    objects_->SetViewSize(800, 600);
    paint_->SetSize(800, 600);
    services_ = new engine::ObjectServices();
    objects_->AddObject(services_, nullptr);
    listener_ = new test::TestObject();
    objects_->AddObject(listener_, nullptr);
  }
  void TearDown() override {
    core_.reset();
    EngineFixture::TearDown();
  }
  void Pass(uint32_t ms = 30) {
    Step(ms);
    core_->RunFrame();
  }

  // Puts a w x h picture of `frames` frames into the paint module's cache under name.
  void AddPicture(const std::string& name, int w, int h, int frames, uint32_t pixel, uint32_t delay = 0) {
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h * frames, pixel);
    std::vector<uint32_t> delays(frames, delay);
    ImageRecord record;
    record.width = static_cast<uint16_t>(w);
    record.height = static_cast<uint16_t>(h);
    record.pixels = reinterpret_cast<uint8_t*>(pixels.data());
    record.data_size = static_cast<uint32_t>(pixels.size() * 4);
    record.colour_key = engine::kColourKey;
    record.frame_count = static_cast<uint16_t>(frames);
    record.flags = engine::kImageFlagTransparent | engine::kImageFlagAlpha;
    if (delay != 0) {
      record.flags |= engine::kImageFlagDelays;
      record.delays = delays.data();
    }
    record.frame_columns = 1;
    PictureInfo info;
    info.record = &record;
    info.width = w;
    info.height = h;
    paint_->AddPicture(name, &info);  // the cache keeps its own copy
  }

  std::unique_ptr<engine::GameCore> core_;
  engine::ObjectModule* objects_ = nullptr;
  engine::GdiPaintModule* paint_ = nullptr;
  engine::ObjectServices* services_ = nullptr;
  test::TestObject* listener_ = nullptr;
};

TEST_F(PictureServicesTest, ScreenAndPicturesThroughThePaintModule) {
  EXPECT_EQ(services_->GetScreenWidth(), 800);
  EXPECT_EQ(services_->GetScreenHeight(), 600);
  EXPECT_EQ(services_->GetPaintModule(), paint_);
  AddPicture("card", 4, 6, 1, 0xFF00FF00);
  const PictureInfo info = services_->GetPictureInfo("card", 0);
  ASSERT_NE(info.record, nullptr);
  EXPECT_EQ(info.width, 4);
  EXPECT_EQ(info.height, 6);
}

TEST_F(PictureServicesTest, MissingPicturesAreLoggedAndNotSaved) {
  const PictureInfo info = services_->GetPictureInfo("nowhere", 0);
  EXPECT_EQ(info.record, nullptr);
  std::ifstream in(dir_ / "GameRun.log", std::ios::binary);
  const std::string log((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(log.find("res \"nowhere\" does not exists!"), std::string::npos);
  EXPECT_FALSE(services_->SavePicture("nowhere", (dir_ / "x.pps").string().c_str()));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "x.pps"));
}

TEST_F(PictureServicesTest, SavedPicturesReadBackAndFailedWritesSayFalse) {
  AddPicture("saved", 3, 2, 1, 0xFF112233);
  const std::string path = (dir_ / "saved.pps").string();
  ASSERT_TRUE(services_->SavePicture("saved", path.c_str()));
  ImageRecord back;
  ASSERT_TRUE(engine::LoadPictureFile(path, &back));
  EXPECT_EQ(back.width, 3);
  EXPECT_EQ(back.height, 2);
  ASSERT_NE(back.pixels, nullptr);
  EXPECT_EQ(reinterpret_cast<const uint32_t*>(back.pixels)[5] & 0xFFFFFF, 0x112233u);
  engine::FreePictureRecord(&back);

  // A folder that does not exist: the write fails, and so does the call.
  const std::string bad = (dir_ / "missing-folder" / "saved.pps").string();
  EXPECT_FALSE(services_->SavePicture("saved", bad.c_str()));
}

TEST_F(PictureServicesTest, DrawingAtZeroSizeCoversTheScreen) {
  AddPicture("back", 2, 2, 1, 0xFF0000FF);
  services_->FillScreen(0x000000);
  const PictureInfo info = services_->GetPictureInfo("back", 0);
  services_->DrawPictureAt(&info, 0, 0, 0, -5, 0.0);
  const uint32_t* base = paint_->BaseLayer();
  ASSERT_NE(base, nullptr);
  // Blue over black (the blend may round the channel down by one).
  for (uint32_t p : {base[0], base[300 * 800 + 400], base[599 * 800 + 799]}) {
    EXPECT_GE(p & 0xFF, 0xFEu);
    EXPECT_EQ(p & 0xFFFF00, 0u);
  }
}

TEST_F(PictureServicesTest, ShadowOfAnOpaqueSprite) {
  AddPicture("tile", 10, 10, 1, 0xFFFFFFFF);
  const PictureInfo info = services_->GetPictureInfo("tile", 0);
  engine::SpriteObject* sprite = services_->CreateSprite(&info);
  ASSERT_NE(sprite, nullptr);
  sprite->MoveTo(100, 80);
  sprite->Show();
  engine::CanvasObject* shadow = services_->MakeShadow(sprite);
  ASSERT_NE(shadow, nullptr);
  EXPECT_EQ(shadow->GetSurfaceWidth(), 12);
  EXPECT_EQ(shadow->GetSurfaceHeight(), 12);
  EXPECT_EQ(shadow->GetX(), 102.0);
  EXPECT_EQ(shadow->GetY(), 82.0);
  EXPECT_DOUBLE_EQ(shadow->GetDepth(), sprite->GetDepth() - 0.0000001);
  EXPECT_NE(shadow->IsVisible(), 0u);
  EXPECT_EQ(shadow->GetPixelAlpha(0, 0), 63);
  EXPECT_EQ(shadow->GetPixelAlpha(1, 1), 113);
  EXPECT_EQ(shadow->GetPixelAlpha(5, 5), 255);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) EXPECT_EQ(shadow->GetPixel(x, y), 0u);
  }
  // It follows the sprite.
  sprite->MoveBy(5, 0);
  EXPECT_EQ(shadow->GetX(), 107.0);
  EXPECT_EQ(services_->MakeShadow(nullptr), nullptr);
}

TEST_F(PictureServicesTest, AnimationShowsAFrameOrStepsUntilCancelled) {
  AddPicture("anim", 4, 4, 3, 0xFF00FF00, 100);
  const PictureInfo info = services_->GetPictureInfo("anim", 0);
  engine::SpriteObject* sprite = services_->CreateSprite(&info);
  const engine::ObjectMessage done = engine::MakeMessage(listener_->GetKey(), 80000090, 0, 0);
  ASSERT_NE(services_->AnimateSprite(sprite, 3, 2, 0, 30, &done), 0u);
  Pass();
  EXPECT_EQ(sprite->ForwardImageCall3(), 2);
  ASSERT_EQ(listener_->received.size(), 1u);

  sprite->SetFrame(0);
  const uint64_t stepping = services_->AnimateSprite(sprite, 4, 0, 0, 30, &done);
  std::vector<int32_t> frames;
  for (int i = 0; i < 5; ++i) {
    Pass();
    frames.push_back(sprite->ForwardImageCall3());
  }
  EXPECT_EQ(frames, (std::vector<int32_t>{1, 2, 0, 1, 2}));
  services_->CancelAction(stepping);
  Pass();
  EXPECT_EQ(objects_->CountActions(), 0u);
  EXPECT_EQ(listener_->received.size(), 1u);

  // Mode 0, one cycle of 300 ms: follows the frame times and ends on the frame before the start.
  services_->AnimateSprite(sprite, 0, 1, 1, 0, &done);
  int passes = 0;
  while (listener_->received.size() == 1u && passes < 50) {
    Pass();
    ++passes;
  }
  EXPECT_EQ(listener_->received.size(), 2u);
  EXPECT_EQ(sprite->ForwardImageCall3(), 0);
}

TEST_F(PictureServicesTest, FlipSwapsThePictureOnceAtNinetyDegrees) {
  AddPicture("front", 20, 30, 1, 0xFF0000FF);
  AddPicture("back", 20, 30, 1, 0xFFFF0000);
  const PictureInfo front = services_->GetPictureInfo("front", 0);
  const PictureInfo back = services_->GetPictureInfo("back", 0);
  engine::SpriteObject* sprite = services_->CreateSprite(&front);
  const engine::ObjectMessage done = engine::MakeMessage(listener_->GetKey(), 80000091, 0, 0);
  ASSERT_NE(services_->FlipSprite(sprite, 10, 180, &back, 30, &done), 0u);
  int swaps = 0;
  const ImageRecord* shown = front.record;
  double narrowest = 100;
  for (int i = 0; i < 40 && listener_->received.empty(); ++i) {
    Pass();
    const ImageRecord* now = sprite->GetDrawImage()->GetRecord();
    if (now != shown) {
      ++swaps;
      shown = now;
      EXPECT_LT(sprite->GetWidth(), 1.0) << "the swap happens at 90 degrees, where the card is edge-on";
    }
    narrowest = std::min(narrowest, sprite->GetWidth());
  }
  EXPECT_EQ(swaps, 1);
  EXPECT_EQ(shown, back.record);
  EXPECT_EQ(sprite->GetWidth(), 20.0);
  EXPECT_LT(narrowest, 1.0);
  EXPECT_EQ(listener_->received.size(), 1u);
}

}  // namespace
