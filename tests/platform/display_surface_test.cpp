// ctest-labels: paint
#include "platform/display_surface.h"

#include <gtest/gtest.h>

#include <random>

namespace platform {
namespace {

TEST(DisplaySurfaceTest, PresentsTheBitmapAsOpaqueWordsAtEveryDepth) {
  DisplaySurface display;
  const uint8_t bits32[] = {0x56, 0x34, 0x12, 0x00, 0x01, 0x02, 0x03, 0x80};
  ASSERT_TRUE(display.CreateDIBSection(2, 1, bits32));
  EXPECT_EQ(display.BitmapBits().size(), 8u);
  display.BitBlt();
  EXPECT_EQ(display.PresentedPixel(0, 0), 0xFF123456u);
  EXPECT_EQ(display.PresentedPixel(1, 0), 0xFF030201u);
  EXPECT_EQ(display.PresentedPixel(2, 0), 0u);
  EXPECT_EQ(display.PresentCount(), 1u);

  display.SetBitsPerPixel(24);
  const uint8_t bits24[] = {0x56, 0x34, 0x12, 0x01, 0x02, 0x03};
  ASSERT_TRUE(display.CreateDIBSection(2, 1, bits24));
  display.BitBlt();
  EXPECT_EQ(display.PresentedPixel(1, 0), 0xFF030201u);

  display.SetBitsPerPixel(16);
  const uint8_t bits16[] = {0xFF, 0xFF, 0x21, 0x08};  // white; red 1, green 1, blue 1 (5-6-5)
  ASSERT_TRUE(display.CreateDIBSection(2, 1, bits16));
  display.BitBlt();
  EXPECT_EQ(display.PresentedPixel(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(display.PresentedPixel(1, 0), 0xFF080408u);
}

TEST(DisplaySurfaceTest, RefusesDepthsAndSizesItCannotHold) {
  DisplaySurface display(8);
  const uint8_t bits[16] = {};
  EXPECT_FALSE(display.CreateDIBSection(4, 4, bits));
  EXPECT_FALSE(display.HasBitmap());
  EXPECT_TRUE(display.BitmapBits().empty());
  EXPECT_EQ(display.BitsChanged(RECT{0, 0, 4, 4}), 0u);
  display.BitBlt();
  EXPECT_EQ(display.PresentCount(), 0u);
  display.SetBitsPerPixel(32);
  EXPECT_FALSE(display.CreateDIBSection(0, 4, bits));
  EXPECT_FALSE(display.CreateDIBSection(4, 4, nullptr));
}

TEST(DisplaySurfaceTest, InvalidatedAreasGoToTheListenerOrWaitToBeTaken) {
  DisplaySurface display;
  display.InvalidateRect(RECT{0, 0, 5, 5});
  display.InvalidateRect(RECT{1, 2, 3, 4});
  EXPECT_EQ(display.TakeInvalidRects(), (std::vector<RECT>{RECT{0, 0, 5, 5}, RECT{1, 2, 3, 4}}));
  EXPECT_TRUE(display.InvalidRects().empty());

  // A window that listens takes each area as it comes: none piles up in the surface.
  std::vector<RECT> heard;
  display.SetInvalidateListener([&](const RECT& r) { heard.push_back(r); });
  display.InvalidateRect(RECT{2, 2, 4, 4});
  EXPECT_EQ(heard, (std::vector<RECT>{RECT{2, 2, 4, 4}}));
  EXPECT_TRUE(display.InvalidRects().empty());
}

TEST(DisplaySurfaceTest, ShowsOnlyTheBitsItWasToldOfAndThenTheWholeBitmapAsAFreshCopyWould) {
  for (const int depth : {16, 24, 32}) {
    SCOPED_TRACE(depth);
    constexpr int kW = 37, kH = 23;
    const int bytes = depth / 8;
    std::vector<uint8_t> bits(static_cast<size_t>(kW) * kH * bytes, 0x11);
    DisplaySurface display(depth);
    ASSERT_TRUE(display.CreateDIBSection(kW, kH, bits.data()));
    display.BitBlt();
    std::mt19937 random(static_cast<uint32_t>(depth));
    for (int round = 0; round < 200; ++round) {
      // Up to three areas written (some past the edges), each told, then one copy to the window.
      const int areas = static_cast<int>(random() % 4);
      for (int a = 0; a < areas; ++a) {
        const int left = static_cast<int>(random() % (kW + 4)) - 2, top = static_cast<int>(random() % (kH + 4)) - 2;
        const RECT area{left, top, left + static_cast<int>(random() % 12), top + static_cast<int>(random() % 9)};
        RECT inside;
        if (!IntersectRect(&inside, area, RECT{0, 0, kW, kH})) continue;
        for (int y = inside.top; y < inside.bottom; ++y)
          for (int x = inside.left * bytes; x < inside.right * bytes; ++x)
            bits[static_cast<size_t>(y) * kW * bytes + static_cast<size_t>(x)] = static_cast<uint8_t>(random());
        display.BitsChanged(area);
      }
      display.BitBlt();
      DisplaySurface fresh(depth);
      ASSERT_TRUE(fresh.CreateDIBSection(kW, kH, bits.data()));
      fresh.BitBlt();
      ASSERT_EQ(display.PresentedFrame(), fresh.PresentedFrame()) << "round " << round;
    }
    // Bits written without a word to the surface wait for the next flush.
    bits[0] ^= 0xFF;
    display.BitBlt();
    const uint32_t before = display.PresentedPixel(0, 0);
    display.BitsChanged(RECT{0, 0, 1, 1});
    display.BitBlt();
    EXPECT_NE(display.PresentedPixel(0, 0), before);
  }
}

}  // namespace
}  // namespace platform
