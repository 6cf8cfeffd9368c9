// ctest-labels: paint
#include "engine/core/sprite_object.h"

#include <gtest/gtest.h>

#include "tests/support/paint_fixture.h"

namespace {

using engine::SpriteObject;

class SpriteObjectTest : public test::PaintFixture {};

TEST_F(SpriteObjectTest, EmptySpriteAnswersZeroAndMissesPixelTests) {
  SpriteObject sprite;
  EXPECT_EQ(sprite.GetKind(), 2);
  EXPECT_EQ(sprite.GetDrawImage(), &sprite.image());
  EXPECT_EQ(sprite.ForwardImageCall2(), 0);
  EXPECT_EQ(sprite.GetTotalDuration(), 0u);
  EXPECT_EQ(sprite.GetFramesDuration(0, 3), 0u);
  std::pair<int32_t, int32_t> offset{9, 9};
  sprite.GetOffset(&offset);
  EXPECT_EQ(offset, (std::pair<int32_t, int32_t>{0, 0}));
  sprite.SetSize(10, 10);
  sprite.MoveTo(50, 50);
  sprite.AddFlags(engine::object_flag::kPixelHitTest);
  EXPECT_EQ(sprite.HitTest(50, 50), 0);
}

TEST_F(SpriteObjectTest, FramesDurationsWrapPastTheLastFrame) {
  engine::ImageRecord r = test::SolidRecord(2, 2, 0xFFFFFFFF, 4);
  r.flags |= engine::kImageFlagDelays;
  r.delays = new uint32_t[4]{10, 20, 30, 40};
  Cache("anim", r);
  SpriteObject* sprite = AddSprite("anim", 40, 40);
  EXPECT_EQ(sprite->ForwardImageCall2(), 4);
  EXPECT_EQ(sprite->GetFramesDuration(3, 1), 40u + 10u);
  EXPECT_EQ(sprite->GetFramesDuration(2, 2), 0u);
  EXPECT_EQ(sprite->GetFramesDuration(0, 4), 100u);
  EXPECT_EQ(sprite->GetFrameDuration(5), 20u);
  EXPECT_EQ(sprite->SetFrame(2), 30u);
  EXPECT_EQ(sprite->ForwardImageCall3(), 2);
  EXPECT_EQ(sprite->NextFrame(), 40u);
}

TEST_F(SpriteObjectTest, SetImageResizesOnlyWhenAsked) {
  Cache("big", test::SolidRecord(12, 6, 0xFFFFFFFF));
  engine::PictureInfo info;
  paint_->GetPictureInfo(&info, "big", 0);
  auto* sprite = static_cast<SpriteObject*>(objects_->CreateSprite(&info, nullptr));
  ASSERT_NE(sprite, nullptr);
  EXPECT_TRUE(sprite->IsRegistered());
  EXPECT_EQ(sprite->GetWidth(), 12.0);
  EXPECT_EQ(sprite->GetHeight(), 6.0);
  sprite->Resize(3, 3);
  sprite->SetImage(&info, 0);
  EXPECT_EQ(sprite->GetWidth(), 3.0);
  engine::PictureInfo out;
  sprite->ImageCall(&out);
  EXPECT_EQ(out.record, info.record);
  sprite->SetBackdropColour(0x80123456);
  EXPECT_EQ(sprite->GetBackdropColour(), 0x80123456u);
}

TEST_F(SpriteObjectTest, PixelHitTestUsesThePicture) {
  // A 4 x 4 picture whose left half is transparent.
  engine::ImageRecord r = test::SolidRecord(4, 4, 0xFFFFFFFF);
  auto* words = reinterpret_cast<uint32_t*>(r.pixels);
  for (int y = 0; y < 4; ++y) words[y * 4] = words[y * 4 + 1] = 0;
  Cache("half", r);
  SpriteObject* sprite = AddSprite("half", 20, 20);  // covers 18..21
  sprite->AddFlags(engine::object_flag::kPixelHitTest);
  EXPECT_EQ(sprite->HitTest(18, 19), 0);
  EXPECT_EQ(sprite->HitTest(21, 19), 1);
  EXPECT_EQ(sprite->HitTest(23, 19), 0);
}

TEST_F(SpriteObjectTest, PlaceAtPutsTheDrawingOffsetOnThePoint) {
  engine::ImageRecord r = test::SolidRecord(4, 4, 0xFFFFFFFF);
  r.offset_x = 3;
  r.offset_y = -2;
  Cache("offset", r);
  SpriteObject* sprite = AddSprite("offset", 0, 0);
  sprite->PlaceAt(10, 10);
  EXPECT_EQ(sprite->GetX(), 7.0);
  EXPECT_EQ(sprite->GetY(), 12.0);
}

}  // namespace
