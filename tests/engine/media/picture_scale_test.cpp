// ctest-labels: compositing
// The three scalers' exact choices of source pixels and their bilinear weights.
#include "engine/media/picture_scale.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/media/image_record.h"

namespace {

using namespace engine;

std::vector<uint32_t> Row(std::unique_ptr<uint32_t[]>& p, int n) { return std::vector<uint32_t>(p.get(), p.get() + n); }

TEST(ResizeImage, ThreeToFiveRoundsTowardTheNearestColumn) {
  const uint32_t src[] = {10, 11, 12};
  auto out = ResizeImage(src, 3, 1, 0, 0, 3, 1, 5, 1);
  ASSERT_TRUE(out);
  EXPECT_EQ(Row(out, 5), (std::vector<uint32_t>{10, 11, 11, 12, 12}));
}

TEST(ResizeImage, DownscaleMapsCornersOntoCorners) {
  const uint32_t src[] = {0, 1, 2, 3, 4, 5, 6, 7};
  auto out = ResizeImage(src, 8, 1, 0, 0, 8, 1, 3, 1);  // step (7 << 10) / 2 = 3584
  EXPECT_EQ(Row(out, 3), (std::vector<uint32_t>{0, 4, 7}));
}

TEST(ResizeImage, OnePixelWideSourceRepeats) {
  const uint32_t src[] = {1, 2, 3, 4};  // 2x2 block; rectangle is column 1
  auto out = ResizeImage(src, 2, 2, 1, 0, 1, 2, 3, 2);
  EXPECT_EQ(Row(out, 6), (std::vector<uint32_t>{2, 2, 2, 4, 4, 4}));
}

TEST(ResizeImage, EqualSizeCopiesTheRectangle) {
  const uint32_t src[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  auto out = ResizeImage(src, 3, 3, 1, 1, 2, 2, 2, 2);
  EXPECT_EQ(Row(out, 4), (std::vector<uint32_t>{5, 6, 8, 9}));
  auto smooth = ResizeImageSmooth(src, 3, 3, 1, 1, 2, 2, 2, 2);
  EXPECT_EQ(Row(smooth, 4), (std::vector<uint32_t>{5, 6, 8, 9}));
}

TEST(ResizeImage, EmptyNegativeOrOutsideRequestsGiveNull) {
  const uint32_t src[] = {1, 2, 3, 4};
  EXPECT_FALSE(ResizeImage(src, 2, 2, 0, 0, 2, 2, 0, 2));
  EXPECT_FALSE(ResizeImage(src, 2, 2, 0, 0, 2, 2, 2, -1));
  EXPECT_FALSE(ResizeImage(src, 2, 2, 0, 0, 0, 2, 2, 2));
  EXPECT_FALSE(ResizeImage(src, 2, 2, 1, 0, 2, 2, 4, 4));  // rectangle leaves the block
  EXPECT_FALSE(ResizeImageSmooth(src, 2, 2, 0, -1, 2, 2, 4, 4));
  EXPECT_FALSE(ScalePalettePicture(reinterpret_cast<const uint8_t*>(src), 2, 2, 0, 0, 2, 2, -2, 2, 0));
}

TEST(ResizeImageSmooth, BorderIsNearestInteriorIsBilinear) {
  // 3x3 to 5x5: step (2 << 16) / 4 = 0x8000, so target (x, y) samples source (x / 2, y / 2) with
  // a half fraction on odd coordinates. Rows and columns on the source border are nearest.
  std::vector<uint32_t> src(9, 0);
  src[4] = 0xFFFFFFFF;  // the centre pixel
  auto out = ResizeImageSmooth(src.data(), 3, 3, 0, 0, 3, 3, 5, 5);
  ASSERT_TRUE(out);
  // (2, 2) is source (1, 1) exactly; (3, 2) mixes (1, 1) and (2, 1) by fx = 128: 255*128/256 = 127.
  EXPECT_EQ(out[2 * 5 + 2], 0xFFFFFFFFu);
  EXPECT_EQ(out[2 * 5 + 3], 0x7F7F7F7Fu);
  // (3, 3): w11 = 64, w00 = 64: 255*64/256 = 63.
  EXPECT_EQ(out[3 * 5 + 3], 0x3F3F3F3Fu);
  // (1, 2): source column 0 is the border: nearest, black, although (1, 1) is white beside it.
  EXPECT_EQ(out[2 * 5 + 1], 0u);
  EXPECT_EQ(out[0], 0u);
  EXPECT_EQ(out[4 * 5 + 4], 0u);
}

TEST(ResizeImageSmooth, OneByOneAndNonSquare) {
  const uint32_t one = 0x80402010;
  auto up = ResizeImageSmooth(&one, 1, 1, 0, 0, 1, 1, 3, 2);
  EXPECT_EQ(Row(up, 6), std::vector<uint32_t>(6, one));
  const uint32_t wide[] = {1, 2, 3, 4, 5, 6};  // 6x1 down to 2x1: corners onto corners
  auto down = ResizeImageSmooth(wide, 6, 1, 0, 0, 6, 1, 2, 1);
  EXPECT_EQ(Row(down, 2), (std::vector<uint32_t>{1, 6}));
}

TEST(ResizeImageSmooth, VeryWideSourcesKeepTheirCorners) {
  // (srcW - 1) << 16 no longer fits 32 bits at this width.
  std::vector<uint32_t> src(40000, 0);
  src.front() = 1;
  src.back() = 2;
  auto out = ResizeImageSmooth(src.data(), 40000, 1, 0, 0, 40000, 1, 2, 1);
  EXPECT_EQ(Row(out, 2), (std::vector<uint32_t>{1, 2}));
  auto nearest = ResizeImage(src.data(), 40000, 1, 0, 0, 40000, 1, 2, 1);
  EXPECT_EQ(Row(nearest, 2), (std::vector<uint32_t>{1, 2}));
}

TEST(ScalePalettePicture, ThreeToFiveTruncates) {
  const uint8_t src[] = {10, 11, 12};
  auto out = ScalePalettePicture(src, 3, 1, 0, 0, 3, 1, 5, 1, 0);
  ASSERT_TRUE(out);
  EXPECT_EQ(std::vector<uint8_t>(out.get(), out.get() + 5), (std::vector<uint8_t>{10, 10, 11, 11, 12}));
}

TEST(ScalePalettePicture, TwoBytePixelsMoveAsPairs) {
  const uint8_t src[] = {1, 100, 2, 200, 3, 30, 4, 40};  // 2x2
  auto out = ScalePalettePicture(src, 2, 2, 1, 0, 1, 2, 2, 1, kImageFlagAlpha);
  // Column 1, rows 0-1 scaled to 2x1: step_y = (2 << 10) / 1 = 2048, row 0 only.
  EXPECT_EQ(std::vector<uint8_t>(out.get(), out.get() + 4), (std::vector<uint8_t>{2, 200, 2, 200}));
}

TEST(BilinearMix, WeightsSumTo256) {
  EXPECT_EQ(BilinearMix(0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 77, 201), 0xFFFFFFFFu);
  EXPECT_EQ(BilinearMix(0x00000000, 0xFF000000, 0x00000000, 0x00000000, 255, 0), 0xFE000000u);
}

TEST(SamplePaletteBilinear, MixesPresentNeighboursAndStandsInForMissingOnes) {
  const uint8_t palette[] = {255, 0, 0, 0, 255, 0, 0, 0, 255};  // red, green, blue; index 3 is the key
  uint32_t out = 0;
  // Three neighbours a quarter each; the transparent fourth adds nothing.
  const uint8_t three[] = {0, 1, 2, 3};
  ASSERT_EQ(SamplePaletteBilinear(three, palette, 3, 0, 0, 2, 2, 2, 512, 512, 3, &out), 1);
  EXPECT_EQ(out, 0xFF3F3F3Fu);  // 255 * 2^18 >> 20 = 63 each
  // A missing top-left takes the first present neighbour's colour (green here).
  const uint8_t first_missing[] = {3, 1, 2, 0};
  ASSERT_EQ(SamplePaletteBilinear(first_missing, palette, 3, 0, 0, 2, 2, 2, 0, 0, 3, &out), 1);
  EXPECT_EQ(out, 0xFF00FF00u);
  // The bottom-right counts only when present.
  const uint8_t red_corner[] = {0, 1, 2, 0};
  ASSERT_EQ(SamplePaletteBilinear(red_corner, palette, 3, 0, 0, 2, 2, 2, 1024, 1024, 3, &out), 1);
  EXPECT_EQ(out, 0xFFFF0000u);
  ASSERT_EQ(SamplePaletteBilinear(three, palette, 3, 0, 0, 2, 2, 2, 1024, 1024, 3, &out), 1);
  EXPECT_EQ(out, 0xFF000000u);
  // Neighbours outside the block are missing; with none present nothing is written.
  out = 0x12345678;
  EXPECT_EQ(SamplePaletteBilinear(three, palette, 3, 1, 1, 2, 2, 2, 512, 512, 3, &out), 0);
  EXPECT_EQ(out, 0x12345678u);
  // The row length is the block's stride, not its width.
  const uint8_t wide[] = {1, 9, 9, 1, 9, 9};  // a 1 x 2 block in rows of 3
  ASSERT_EQ(SamplePaletteBilinear(wide, palette, 3, 0, 0, 3, 1, 2, 0, 1024, 3, &out), 1);
  EXPECT_EQ(out, 0xFF00FF00u);
}

}  // namespace
