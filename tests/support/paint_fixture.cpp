#include "tests/support/paint_fixture.h"

namespace test {

engine::ImageRecord SolidRecord(int width, int height, uint32_t argb, int frames) {
  engine::ImageRecord r;
  r.width = static_cast<uint16_t>(width);
  r.height = static_cast<uint16_t>(height);
  r.frame_count = static_cast<uint16_t>(frames);
  r.frame_columns = 1;
  r.data_size = static_cast<uint32_t>(width * height * frames * 4);
  auto* words = new uint32_t[static_cast<size_t>(width) * height * frames];
  for (size_t i = 0; i < static_cast<size_t>(width) * height * frames; ++i) words[i] = argb;
  r.pixels = reinterpret_cast<uint8_t*>(words);
  r.flags = engine::kImageFlagAlpha;
  return r;
}

void PaintFixture::Build(int bits_per_pixel) {
  core_.reset();
  core_ = std::make_unique<engine::GameCore>();
  resources_ = new engine::ResourceModule();
  objects_ = new engine::ObjectModule();
  paint_ = new engine::GdiPaintModule();
  paint_->Display().SetBitsPerPixel(bits_per_pixel);
  ASSERT_EQ(core_->LoadModule(resources_, true, true), engine::QUILLARON_RETURN_OK);
  ASSERT_EQ(core_->LoadModule(objects_, true, false), engine::QUILLARON_RETURN_OK);
  ASSERT_EQ(core_->LoadModule(paint_, true, true), engine::QUILLARON_RETURN_OK);
  paint_->SetSize(kWidth, kHeight);
  objects_->SetViewCentre(kWidth / 2, kHeight / 2);
  objects_->SetViewSize(kWidth, kHeight);
}

void PaintFixture::TearDown() {
  core_.reset();
  EngineFixture::TearDown();
}

void PaintFixture::Frame() {
  Step();
  core_->RunFrame();
  core_->SendEvent(engine::module_id::kPaint, engine::paint_event::kPresent, 0, 0);
}

void PaintFixture::Cache(const std::string& name, engine::ImageRecord record) {
  engine::PictureInfo info;
  info.record = &record;
  paint_->AddPicture(name, &info);
  engine::FreeImageRecord(&record);
}

engine::SpriteObject* PaintFixture::AddSprite(const std::string& name, double x, double y, int frame) {
  engine::PictureInfo info;
  paint_->GetPictureInfo(&info, name, frame);
  auto* sprite = static_cast<engine::SpriteObject*>(objects_->CreateSprite(&info, nullptr));
  sprite->MoveTo(x, y);
  sprite->Show();
  sprite->Invalidate();
  return sprite;
}

}  // namespace test
