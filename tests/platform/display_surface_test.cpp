// ctest-labels: paint
#include "platform/display_surface.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(DisplaySurfaceTest, PresentsTheBitmapAsOpaqueWordsAtEveryDepth) {
  DisplaySurface display;
  ASSERT_TRUE(display.CreateCompatibleBitmap(2, 1));
  const uint8_t bits32[] = {0x56, 0x34, 0x12, 0x00, 0x01, 0x02, 0x03, 0x80};
  EXPECT_EQ(display.SetBitmapBits(sizeof bits32, bits32), 8u);
  display.BitBlt();
  EXPECT_EQ(display.PresentedPixel(0, 0), 0xFF123456u);
  EXPECT_EQ(display.PresentedPixel(1, 0), 0xFF030201u);
  EXPECT_EQ(display.PresentedPixel(2, 0), 0u);
  EXPECT_EQ(display.PresentCount(), 1u);

  display.SetBitsPerPixel(24);
  ASSERT_TRUE(display.CreateCompatibleBitmap(2, 1));
  const uint8_t bits24[] = {0x56, 0x34, 0x12, 0x01, 0x02, 0x03, 0xEE};
  EXPECT_EQ(display.SetBitmapBits(sizeof bits24, bits24), 6u);  // no more than the bitmap holds
  display.BitBlt();
  EXPECT_EQ(display.PresentedPixel(1, 0), 0xFF030201u);

  display.SetBitsPerPixel(16);
  ASSERT_TRUE(display.CreateCompatibleBitmap(2, 1));
  const uint8_t bits16[] = {0xFF, 0xFF, 0x21, 0x08};  // white; red 1, green 1, blue 1 (5-6-5)
  display.SetBitmapBits(sizeof bits16, bits16);
  display.BitBlt();
  EXPECT_EQ(display.PresentedPixel(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(display.PresentedPixel(1, 0), 0xFF080408u);
}

TEST(DisplaySurfaceTest, RefusesDepthsAndSizesItCannotHold) {
  DisplaySurface display(8);
  EXPECT_FALSE(display.CreateCompatibleBitmap(4, 4));
  EXPECT_FALSE(display.HasBitmap());
  const uint8_t byte = 0;
  EXPECT_EQ(display.SetBitmapBits(1, &byte), 0u);
  display.BitBlt();
  EXPECT_EQ(display.PresentCount(), 0u);
  display.SetBitsPerPixel(32);
  EXPECT_FALSE(display.CreateCompatibleBitmap(0, 4));
}

TEST(DisplaySurfaceTest, InvalidatedAreasAreCollectedAndReported) {
  DisplaySurface display;
  std::vector<RECT> heard;
  display.SetInvalidateListener([&](const RECT& r) { heard.push_back(r); });
  display.InvalidateRect(RECT{0, 0, 5, 5});
  display.InvalidateRect(RECT{1, 2, 3, 4});
  EXPECT_EQ(heard.size(), 2u);
  EXPECT_EQ(display.TakeInvalidRects(), (std::vector<RECT>{RECT{0, 0, 5, 5}, RECT{1, 2, 3, 4}}));
  EXPECT_TRUE(display.InvalidRects().empty());
}

}  // namespace
}  // namespace platform
