// ctest-labels: compositing
// DrawPicture against the straightforward per-pixel rendering on random pictures, targets,
// placements, angles, flags, opacities and backdrops. Every difference is a fault of the fast paths.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "engine/core/colour_key.h"
#include "engine/media/draw_picture.h"
#include "engine/media/picture_scale.h"
#include "tests/engine/media/compositing_reference.h"

namespace {

using engine::DrawParams;
using engine::ImageRecord;

uint32_t RandomAlpha(std::mt19937& rng) {
  switch (rng() % 4) {
    case 0:
      return 0;
    case 1:
      return 255;
    default:
      return rng() & 255;
  }
}

reference::RandomPicture MakePicture(std::mt19937& rng, int max_side) {
  const int w = static_cast<int>(1 + rng() % max_side);
  const int h = static_cast<int>(1 + rng() % max_side);
  const int frames = static_cast<int>(1 + rng() % 3);
  const uint32_t kinds[] = {0, 0x1, 0x8, 0x9, 0x4, 0x5, 0xC, 0xD};
  const uint32_t flags = kinds[rng() % 8];
  reference::RandomPicture pic = reference::MakeRandomPicture(rng, w, h, frames, flags, 12, RandomAlpha);
  if (pic.record.IsPalette()) {
    const int count = static_cast<int>(1 + rng() % 12);  // some indices fall past the palette
    reference::GivePalette(pic, rng, count, 0);
    pic.record.colour_key = rng() % 3 == 0 ? 256 : rng() % 12;
  }
  return pic;
}

std::vector<uint32_t> RandomTarget(std::mt19937& rng, int w, int h) {
  std::vector<uint32_t> t(static_cast<size_t>(w) * h);
  for (auto& p : t) p = (rng() & 0xFFFFFF) | RandomAlpha(rng) << 24;
  return t;
}

void CompareOnRandomDrawings(uint32_t seed, int count, int max_side, int tw, int th) {
  std::mt19937 rng(seed);
  int changed = 0;  // drawings that touched the target: the comparison must not be vacuous
  const double angles[] = {0.0, 0.0, 0.5, -0.7, 1.0, 90.0, 180.0, 270.0, 30.0, 45.5, -123.0, 359.0, 180.0000001};
  const double opacities[] = {1.0, 1.0, 0.0, 0.5, 0.25, 0.999, -0.5, 1.5};
  const uint32_t flag_bits[] = {0x2, 0x8, 0x20, 0x800, 0x4000};
  for (int n = 0; n < count; ++n) {
    reference::RandomPicture pic = MakePicture(rng, max_side);
    const ImageRecord& r = pic.record;
    DrawParams params;
    params.angle = angles[rng() % std::size(angles)];
    params.centreX = static_cast<int32_t>(rng() % (tw + 2 * max_side)) - max_side;
    params.centreY = static_cast<int32_t>(rng() % (th + 2 * max_side)) - max_side;
    for (uint32_t bit : flag_bits)
      if (rng() % 3 == 0) params.flags |= bit;
    params.originX = params.centreX + static_cast<int>(rng() % 9) - 4;
    params.originY = params.centreY + static_cast<int>(rng() % 9) - 4;
    const int cl = static_cast<int>(rng() % tw) - tw / 2, ct = static_cast<int>(rng() % th) - th / 2;
    params.clip = {cl, ct, cl + static_cast<int>(rng() % tw), ct + static_cast<int>(rng() % th)};
    const int frame = static_cast<int>(rng() % r.frame_count);
    const int srcX = static_cast<int>(rng() % 3 ? 0 : rng() % r.width);
    const int srcY = frame * r.height + static_cast<int>(rng() % 2);
    // Mostly inside the picture; sometimes past its edge, empty or negative.
    const int srcW = rng() % 8 ? static_cast<int>(1 + rng() % (r.width + 1)) : static_cast<int>(rng() % 3) - 1;
    const int srcH = rng() % 8 ? static_cast<int>(1 + rng() % (r.height + 1)) : static_cast<int>(rng() % 3) - 1;
    if (rng() % 2) {
      params.width = srcW;
      params.height = srcH;
    } else {
      params.width = static_cast<int>(1 + rng() % (2 * max_side));
      params.height = static_cast<int>(1 + rng() % (2 * max_side));
    }
    const double opacity = opacities[rng() % std::size(opacities)];
    const uint32_t backdrop = rng() % 3 ? engine::kColourKey : static_cast<uint32_t>(rng());

    std::vector<uint32_t> fast = RandomTarget(rng, tw, th);
    std::vector<uint32_t> slow = fast;
    const std::vector<uint32_t> before = fast;
    engine::DrawTarget target{fast.data(), tw, th, 4, engine::kColourKey};
    DrawParams fast_params = params;
    engine::DrawPicture(&target, &fast_params, r, srcX, srcY, srcW, srcH, opacity, backdrop);
    reference::DrawPicture(slow, tw, th, params, r, srcX, srcY, srcW, srcH, opacity, backdrop);
    for (size_t i = 0; i < fast.size(); ++i) {
      if (fast[i] != slow[i]) {
        ADD_FAILURE() << "drawing " << n << ": flags 0x" << std::hex << r.flags << " params flags 0x" << params.flags
                      << std::dec << ", picture " << r.width << "x" << r.height << "x" << r.frame_count << ", src ("
                      << srcX << "," << srcY << "," << srcW << "," << srcH << ") to " << params.width << "x"
                      << params.height << " at (" << params.centreX << "," << params.centreY << ") angle "
                      << params.angle << " opacity " << opacity << " backdrop 0x" << std::hex << backdrop << ": pixel "
                      << std::dec << i << " is 0x" << std::hex << fast[i] << ", expected 0x" << slow[i];
        return;
      }
    }
    changed += fast != before;
  }
  EXPECT_GT(changed, count / 8);
}

TEST(DrawPictureReference, SmallPicturesMatchThePerPixelRules) { CompareOnRandomDrawings(1, 4000, 9, 24, 20); }

TEST(DrawPictureReference, LargerPicturesMatchThePerPixelRules) { CompareOnRandomDrawings(2, 300, 70, 96, 80); }

// Wide unturned rows at every width from 1 to 40 and offsets that cut them anywhere: the vector
// row loops and their scalar tails must give the rule's words exactly.
TEST(DrawPictureReference, WideRowsMatchAtEveryWidthAndOffset) {
  std::mt19937 rng(4);
  for (uint32_t flags : {0u, 0x1u, 0x8u, 0x9u}) {
    for (double opacity : {1.0, 0.5, 0.75}) {
      for (int w = 1; w <= 40; ++w) {
        std::vector<uint8_t> px(size_t(w) * 3 * 4);
        for (auto& b : px) b = static_cast<uint8_t>(rng() % 3 ? rng() : (rng() % 2) * 255);
        ImageRecord r;
        r.width = uint16_t(w);
        r.height = 3;
        r.frame_count = 1;
        r.flags = flags;
        r.pixels = px.data();
        r.data_size = uint32_t(px.size());
        const int tw = 48, th = 4;
        std::vector<uint32_t> fast = RandomTarget(rng, tw, th), slow = fast;
        DrawParams params;
        params.width = w;
        params.height = 3;
        params.centreX = static_cast<int>(rng() % (tw + 8)) - 4;
        params.centreY = 2;
        engine::DrawTarget target{fast.data(), tw, th, 4, engine::kColourKey};
        DrawParams fast_params = params;
        engine::DrawPicture(&target, &fast_params, r, 0, 0, w, 3, opacity, engine::kColourKey);
        reference::DrawPicture(slow, tw, th, params, r, 0, 0, w, 3, opacity, engine::kColourKey);
        ASSERT_EQ(fast, slow) << "flags " << flags << " opacity " << opacity << " width " << w;
      }
    }
  }
}

TEST(DrawPictureReference, ScalersMatchThePerPixelFormulas) {
  std::mt19937 rng(3);
  for (int n = 0; n < 300; ++n) {
    const int stride = 1 + rng() % 40, height = 1 + rng() % 40;
    std::vector<uint32_t> px(static_cast<size_t>(stride) * height);
    for (auto& p : px) p = rng();
    const int sx = rng() % stride, sy = rng() % height;
    const int sw = 1 + rng() % (stride - sx), sh = 1 + rng() % (height - sy);
    const int dw = 1 + rng() % 70, dh = 1 + rng() % 70;
    auto nearest = engine::ResizeImage(px.data(), stride, height, sx, sy, sw, sh, dw, dh);
    auto smooth = engine::ResizeImageSmooth(px.data(), stride, height, sx, sy, sw, sh, dw, dh);
    ASSERT_TRUE(nearest && smooth);
    const auto want_nearest = reference::ResizeNearest(px.data(), stride, sx, sy, sw, sh, dw, dh);
    const auto want_smooth = reference::ResizeSmooth(px.data(), stride, sx, sy, sw, sh, dw, dh);
    for (size_t i = 0; i < want_nearest.size(); ++i) {
      ASSERT_EQ(nearest[i], want_nearest[i]) << "nearest, case " << n << " pixel " << i;
      ASSERT_EQ(smooth[i], want_smooth[i]) << "smooth, case " << n << " pixel " << i;
    }
  }
}

TEST(DrawPictureReference, WideStretchesAndShrinksMatchTheFormulaUpToTheBlocksLastPixel) {
  // Rectangles that end at the block's last pixel (an over-read leaves the allocation) and row
  // widths on every side of the eight-pixel steps, stretched and shrunk.
  std::mt19937 rng(5);
  for (int n = 0; n < 200; ++n) {
    const int sw = 2 + static_cast<int>(rng() % 90), sh = 3 + static_cast<int>(rng() % 6);
    const int stride = sw + static_cast<int>(rng() % 3), height = sh + static_cast<int>(rng() % 2);
    const int sx = stride - sw, sy = height - sh;
    std::vector<uint32_t> px(static_cast<size_t>(stride) * height);
    for (auto& p : px) p = rng();
    const int dw = n % 2 == 0 ? sw + 1 + static_cast<int>(rng() % (3 * sw)) : 1 + static_cast<int>(rng() % sw);
    const int dh = 3 + static_cast<int>(rng() % 5);
    auto smooth = engine::ResizeImageSmooth(px.data(), stride, height, sx, sy, sw, sh, dw, dh);
    ASSERT_TRUE(smooth);
    const auto want = reference::ResizeSmooth(px.data(), stride, sx, sy, sw, sh, dw, dh);
    for (size_t i = 0; i < want.size(); ++i)
      ASSERT_EQ(smooth[i], want[i]) << sw << "x" << sh << " to " << dw << "x" << dh << ", pixel " << i;
  }
}

}  // namespace
