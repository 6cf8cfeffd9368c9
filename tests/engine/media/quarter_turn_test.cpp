// ctest-labels: compositing
// Turns of exactly 90, 180 and 270 degrees take their own path (whole source pixels gathered into
// rows, eight rows at a time down source columns). They must give the words of the general
// turning, which walks the whole square and maps every pixel back: at every opacity, with and
// without a backdrop, a transparent index or a colour key, over mostly opaque pictures (whose
// groups of eight opaque pixels take a short cut) and over pictures taller than a gathered chunk.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/core/colour_key.h"
#include "engine/media/blit.h"
#include "engine/media/draw_picture.h"
#include "engine/media/picture_turn.h"
#include "tests/engine/media/compositing_reference.h"

namespace {

using engine::DrawParams;

constexpr double kAngles[] = {90.0, 180.0, 270.0, 0.0};
constexpr double kOpacities[] = {-0.5, 0.0, 0.25, 0.5, 0.999, 1.0, 1.5};

// Mostly opaque, some half transparent and some fully transparent pixels, in runs.
uint32_t CardAlpha(std::mt19937& rng) {
  const uint32_t pick = rng() % 16;
  return pick < 12 ? 255 : pick < 14 ? 0 : rng() & 255;
}

reference::RandomPicture MakePicture(std::mt19937& rng, int w, int h, uint32_t flags, uint32_t key) {
  reference::RandomPicture pic = reference::MakeRandomPicture(rng, w, h, 1, flags, 6, CardAlpha);
  if (pic.record.IsPalette()) reference::GivePalette(pic, rng, 6, key);
  return pic;
}

// A target that is drawn everywhere but in a few empty pixels.
std::vector<uint32_t> MakeTarget(std::mt19937& rng, int w, int h) {
  std::vector<uint32_t> t(static_cast<size_t>(w) * h);
  for (auto& p : t) p = (rng() & 0xFFFFFF) | (rng() % 8 == 0 ? 0u : 255u) << 24;
  return t;
}

TEST(QuarterTurn, EveryPictureKindMatchesTheGeneralTurningAtEveryOpacity) {
  std::mt19937 rng(29);
  const int sizes[][2] = {{72, 96}, {13, 300}, {9, 5}, {1, 17}, {17, 1}};  // one-pixel rows: steps of one both ways
  const uint32_t kinds[] = {0x0, 0x1, 0x8, 0x9, 0x4, 0x5, 0xC, 0xD};
  int drawn = 0;
  for (const auto& size : sizes) {
    const int tw = 2 * static_cast<int>(reference::Radius(size[0], size[1])) + 8, th = tw;
    const std::vector<uint32_t> background = MakeTarget(rng, tw, th);
    for (const uint32_t kind : kinds) {
      for (const uint32_t key : {5u, engine::kNoPaletteKey}) {
        if (key == 5u && (kind & 0x4) == 0) continue;  // a transparent index is a palette's
        const reference::RandomPicture pic = MakePicture(rng, size[0], size[1], kind, key);
        for (const double angle : kAngles) {
          for (const double opacity : kOpacities) {
            for (const uint32_t backdrop : {engine::kColourKey, 0x80FF2010u}) {
              for (const uint32_t flags : {0u, engine::kDrawClip, engine::kDrawInvert}) {
                if (flags == engine::kDrawInvert && (kind & 0x1) == 0) continue;  // inverts transparent ones only
                DrawParams params;
                params.angle = angle;
                params.width = size[0];
                params.height = size[1];
                params.centreX = tw / 2 + static_cast<int>(rng() % 7) - 3;
                params.centreY = th / 2 + static_cast<int>(rng() % 7) - 3;
                params.originX = params.centreX;
                params.originY = params.centreY;
                params.flags = flags;
                // A clip that cuts the picture on every side.
                params.clip = {tw / 2 - size[0] / 3, th / 2 - size[1] / 3, tw / 2 + size[1] / 4, th / 2 + size[0] / 4};
                std::vector<uint32_t> fast = background;
                std::vector<uint32_t> general = background;
                engine::DrawTarget target{fast.data(), tw, th, 4, engine::kColourKey};
                DrawParams fast_params = params;
                engine::DrawPicture(&target, &fast_params, pic.record, 0, 0, size[0], size[1], opacity, backdrop);
                reference::DrawPicture(general, tw, th, params, pic.record, 0, 0, size[0], size[1], opacity, backdrop);
                ASSERT_EQ(fast, general) << size[0] << "x" << size[1] << " kind 0x" << std::hex << kind << std::dec
                                         << " key " << key << " angle " << angle << " opacity " << opacity
                                         << " backdrop 0x" << std::hex << backdrop << " flags 0x" << flags;
                drawn += fast != background;
              }
            }
          }
        }
      }
    }
  }
  EXPECT_GT(drawn, 2000);
}

// The picture as the square a turn walks shows it: what the general turning maps each square
// pixel to, and the colour key where it maps outside the picture.
std::vector<uint32_t> TurnedSquare(const std::vector<uint32_t>& px, int w, int h, double angle, int* side) {
  int64_t c, s;
  reference::Coefficients(angle, 1024, c, s);
  const int64_t r = reference::Radius(w, h), cx = (w + 1) / 2, cy = (h + 1) / 2;
  *side = static_cast<int>(2 * r);
  std::vector<uint32_t> square(static_cast<size_t>(*side) * *side, 0xFF00FF);  // the key: skipped
  for (int64_t j = 0; j < 2 * r; ++j) {
    for (int64_t i = 0; i < 2 * r; ++i) {
      const int64_t dx = i - r, ey = r - j;
      const int64_t sx = cx + ((dx * c + ey * s) >> 10), sy = cy - ((ey * c - dx * s) >> 10);
      if (sx >= 0 && sx < w && sy >= 0 && sy < h) square[j * 2 * r + i] = px[sy * w + sx];
    }
  }
  return square;
}

TEST(QuarterTurn, KeyedPicturesDrawAsTheUprightKeyedBlitOfTheirTurnedSquare) {
  std::mt19937 rng(30);
  for (const auto& size : {std::pair{40, 23}, std::pair{8, 270}}) {
    const int w = size.first, h = size.second;
    std::vector<uint32_t> px(static_cast<size_t>(w) * h);
    for (auto& p : px) p = rng() % 4 == 0 ? 0x80FF00FFu : (rng() & 0xFFFFFF) | CardAlpha(rng) << 24;
    const engine::SourceBlock source{reinterpret_cast<const uint8_t*>(px.data()), w, h, 4, 0, 0, w, h};
    for (const double angle : kAngles) {
      int side = 0;
      const std::vector<uint32_t> square = TurnedSquare(px, w, h, angle, &side);
      const engine::SourceBlock upright{
          reinterpret_cast<const uint8_t*>(square.data()), side, side, 4, 0, 0, side, side};
      for (const double opacity : {-0.5, 0.25, 0.5, 1.0, 2.0}) {
        const int tw = side + 6, th = side + 4;
        const platform::RECT clip{2, 3, tw - 5, th - 1};
        std::vector<uint32_t> turned = MakeTarget(rng, tw, th);
        std::vector<uint32_t> expected = turned;
        engine::DrawTarget target{turned.data(), tw, th, 4, engine::kColourKey};
        engine::BlitKeyedTurned(target, 1, -1, clip, source, angle, opacity);
        engine::DrawTarget reference_target{expected.data(), tw, th, 4, engine::kColourKey};
        engine::BlitKeyed(reference_target, 1, -1, clip, upright, opacity);
        ASSERT_EQ(turned, expected) << w << "x" << h << " angle " << angle << " opacity " << opacity;
      }
    }
  }
}

}  // namespace
