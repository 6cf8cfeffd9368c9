// Picture compositing beside pixman, on the same surfaces in the same run.
//
// Each operation is timed twice: `<operation>/ours/<size>` through the engine's drawing code and
// `<operation>/pixman/<size>` through the pixman operation a user would reach for instead:
//   copy          opaque copy                     pixman SRC
//   keyed_copy    copy of pixels whose alpha != 0 pixman OVER (alpha 0 or 255 source)
//   alpha_blend   per-pixel alpha                 pixman OVER
//   opacity_blend global opacity 0.5              pixman OVER with a solid 0x80 mask
//   smooth_scale  bilinear 512x512 to 1024x768    pixman SRC, bilinear filter, pad repeat
//   turn          128x128 by 30 degrees, nearest  pixman OVER, nearest filter, rotating transform
//   turn_smooth   the same, bilinear              pixman OVER, bilinear filter
// And `quarter_turn/<angle>/72x96`: an alpha card turned by exactly 90, 180 or 270 degrees beside
// the same card upright, in turns (ratio = turned / upright).
// The pixel rules differ from pixman's in rounding; the work per pixel is comparable.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "bench/side_by_side.h"
#include "engine/core/colour_key.h"
#include "engine/media/draw_picture.h"
#include "engine/media/picture_scale.h"

namespace {

enum class AlphaKind { kOpaque, kKeyed, kVaried };

std::vector<uint32_t> RandomPixels(int w, int h, AlphaKind kind, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  for (auto& p : px) {
    uint32_t alpha = 255;
    if (kind == AlphaKind::kKeyed) alpha = rng() % 4 == 0 ? 0 : 255;
    if (kind == AlphaKind::kVaried) alpha = rng() & 255;
    p = (rng() & 0xFFFFFF) | alpha << 24;
  }
  return px;
}

struct Surfaces {
  int w, h;
  std::vector<uint32_t> src, dst;
};

Surfaces MakeSurfaces(int w, int h, AlphaKind kind) {
  return {w, h, RandomPixels(w, h, kind, 1), RandomPixels(w, h, AlphaKind::kOpaque, 2)};
}

pixman_image_t* Wrap(std::vector<uint32_t>& px, int w, int h, pixman_format_code_t format = PIXMAN_a8r8g8b8) {
  return pixman_image_create_bits(format, w, h, px.data(), w * 4);
}

std::string SizeName(int w, int h) { return std::to_string(w) + "x" + std::to_string(h); }

// A true-colour picture over the given pixels (which it does not own).
engine::ImageRecord TrueColourImage(std::vector<uint32_t>& px, int w, int h, uint32_t flags) {
  engine::ImageRecord image;
  image.width = static_cast<uint16_t>(w);
  image.height = static_cast<uint16_t>(h);
  image.frame_count = 1;
  image.flags = flags;
  image.pixels = reinterpret_cast<uint8_t*>(px.data());
  image.data_size = static_cast<uint32_t>(px.size() * 4);
  return image;
}

// --- blits -------------------------------------------------------------------------------------

struct BlitCase {
  const char* name;
  AlphaKind kind;
  uint32_t image_flags;
  double opacity;
};

void OursBlit(benchmark::State& state, BlitCase c, int w, int h) {
  Surfaces s = MakeSurfaces(w, h, c.kind);
  engine::DrawTarget target{s.dst.data(), w, h, 4, engine::kColourKey};
  const engine::ImageRecord image = TrueColourImage(s.src, w, h, c.image_flags);
  engine::DrawParams params;
  params.centreX = (w + 1) / 2;
  params.centreY = (h + 1) / 2;
  params.width = w;
  params.height = h;
  for (auto _ : state) {
    engine::DrawPicture(&target, &params, image, 0, 0, w, h, c.opacity, engine::kColourKey);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * w * h);
}

void PixmanBlit(benchmark::State& state, BlitCase c, int w, int h) {
  Surfaces s = MakeSurfaces(w, h, c.kind);
  const bool opaque_source = c.kind == AlphaKind::kOpaque || c.opacity < 1.0;
  pixman_image_t* src = Wrap(s.src, w, h, opaque_source ? PIXMAN_x8r8g8b8 : PIXMAN_a8r8g8b8);
  pixman_image_t* dst = Wrap(s.dst, w, h);
  pixman_image_t* mask = nullptr;
  pixman_op_t op = c.kind == AlphaKind::kOpaque && c.opacity >= 1.0 ? PIXMAN_OP_SRC : PIXMAN_OP_OVER;
  if (c.opacity < 1.0) {
    const pixman_color_t half{0, 0, 0, 0x8080};
    mask = pixman_image_create_solid_fill(&half);
  }
  for (auto _ : state) {
    pixman_image_composite32(op, src, mask, dst, 0, 0, 0, 0, 0, 0, w, h);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * w * h);
  if (mask) pixman_image_unref(mask);
  pixman_image_unref(src);
  pixman_image_unref(dst);
}

// --- smooth scaling ------------------------------------------------------------------------------

constexpr int kScaleSrc = 512, kScaleW = 1024, kScaleH = 768;

void OursScale(benchmark::State& state) {
  auto src = RandomPixels(kScaleSrc, kScaleSrc, AlphaKind::kVaried, 3);
  std::vector<uint32_t> dst(static_cast<size_t>(kScaleW) * kScaleH);
  for (auto _ : state) {
    engine::ResizeImageSmoothInto(src.data(), kScaleSrc, kScaleSrc, 0, 0, kScaleSrc, kScaleSrc, dst.data(), kScaleW,
                                  kScaleH);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kScaleW * kScaleH);
}

void PixmanScale(benchmark::State& state) {
  auto src_px = RandomPixels(kScaleSrc, kScaleSrc, AlphaKind::kVaried, 3);
  std::vector<uint32_t> dst_px(static_cast<size_t>(kScaleW) * kScaleH);
  pixman_image_t* src = Wrap(src_px, kScaleSrc, kScaleSrc);
  pixman_image_t* dst = Wrap(dst_px, kScaleW, kScaleH);
  pixman_transform_t t;
  pixman_transform_init_scale(&t, pixman_double_to_fixed(double(kScaleSrc) / kScaleW),
                              pixman_double_to_fixed(double(kScaleSrc) / kScaleH));
  pixman_image_set_transform(src, &t);
  pixman_image_set_filter(src, PIXMAN_FILTER_BILINEAR, nullptr, 0);
  pixman_image_set_repeat(src, PIXMAN_REPEAT_PAD);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, kScaleW, kScaleH);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kScaleW * kScaleH);
  pixman_image_unref(src);
  pixman_image_unref(dst);
}

// --- turning ---------------------------------------------------------------------------------------

constexpr int kTurnSide = 128;
constexpr double kTurnAngle = 30.0;
// The square a 128x128 picture turns in: twice its half-diagonal.
constexpr int kTurnSquare = 2 * 90;

void OursTurn(benchmark::State& state, bool smooth) {
  auto src = RandomPixels(kTurnSide, kTurnSide, AlphaKind::kOpaque, 4);
  std::vector<uint32_t> dst = RandomPixels(kTurnSquare, kTurnSquare, AlphaKind::kOpaque, 5);
  engine::DrawTarget target{dst.data(), kTurnSquare, kTurnSquare, 4, engine::kColourKey};
  const engine::ImageRecord image = TrueColourImage(src, kTurnSide, kTurnSide, 0);
  engine::DrawParams params;
  params.angle = kTurnAngle;
  params.centreX = params.centreY = kTurnSquare / 2;
  params.width = params.height = kTurnSide;
  params.flags = smooth ? engine::kDrawSmoothTurn : 0;
  for (auto _ : state) {
    engine::DrawPicture(&target, &params, image, 0, 0, kTurnSide, kTurnSide, 1.0, engine::kColourKey);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kTurnSquare * kTurnSquare);
}

void PixmanTurn(benchmark::State& state, bool smooth) {
  auto src_px = RandomPixels(kTurnSide, kTurnSide, AlphaKind::kOpaque, 4);
  std::vector<uint32_t> dst_px = RandomPixels(kTurnSquare, kTurnSquare, AlphaKind::kOpaque, 5);
  pixman_image_t* src = Wrap(src_px, kTurnSide, kTurnSide, PIXMAN_x8r8g8b8);
  pixman_image_t* dst = Wrap(dst_px, kTurnSquare, kTurnSquare);
  // Destination to source: about the square's centre, turned back by the angle.
  const double a = kTurnAngle * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
  const double dc = kTurnSquare / 2.0, sc = kTurnSide / 2.0;
  pixman_f_transform f{};
  f.m[0][0] = c;
  f.m[0][1] = -s;
  f.m[0][2] = sc - c * dc + s * dc;
  f.m[1][0] = s;
  f.m[1][1] = c;
  f.m[1][2] = sc - s * dc - c * dc;
  f.m[2][2] = 1.0;
  pixman_transform_t t;
  pixman_transform_from_pixman_f_transform(&t, &f);
  pixman_image_set_transform(src, &t);
  pixman_image_set_filter(src, smooth ? PIXMAN_FILTER_BILINEAR : PIXMAN_FILTER_NEAREST, nullptr, 0);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dst, 0, 0, 0, 0, 0, 0, kTurnSquare, kTurnSquare);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kTurnSquare * kTurnSquare);
  pixman_image_unref(src);
  pixman_image_unref(dst);
}

// --- quarter turns ----------------------------------------------------------------------------------

void QuarterTurnBesideUpright(benchmark::State& state, double angle) {
  constexpr int kW = 72, kH = 96, kSide = 2 * 60;  // 60: the card's half-diagonal
  auto src = RandomPixels(kW, kH, AlphaKind::kKeyed, 6);
  std::vector<uint32_t> dst = RandomPixels(kSide, kSide, AlphaKind::kOpaque, 7);
  engine::DrawTarget target{dst.data(), kSide, kSide, 4, engine::kColourKey};
  const engine::ImageRecord image = TrueColourImage(src, kW, kH, engine::kImageFlagAlpha);
  auto draw = [&](double a) {
    engine::DrawParams params;
    params.angle = a;
    params.centreX = params.centreY = kSide / 2;
    params.width = kW;
    params.height = kH;
    engine::DrawPicture(&target, &params, image, 0, 0, kW, kH, 1.0, engine::kColourKey);
    benchmark::ClobberMemory();
  };
  bench::SideBySide(
      state, [&] { draw(angle); }, [&] { draw(0.0); });
}

const bool registered = [] {
  const BlitCase cases[] = {
      {"copy", AlphaKind::kOpaque, 0, 1.0},
      {"keyed_copy", AlphaKind::kKeyed, engine::kImageFlagTransparent, 1.0},
      {"alpha_blend", AlphaKind::kVaried, engine::kImageFlagAlpha, 1.0},
      {"opacity_blend", AlphaKind::kOpaque, 0, 0.5},
  };
  const int sizes[][2] = {{72, 96}, {1024, 768}};
  for (const BlitCase& c : cases) {
    for (const auto& size : sizes) {
      const int w = size[0], h = size[1];
      const std::string suffix = SizeName(w, h);
      benchmark::RegisterBenchmark((std::string(c.name) + "/ours/" + suffix).c_str(),
                                   [=](benchmark::State& st) { OursBlit(st, c, w, h); });
      benchmark::RegisterBenchmark((std::string(c.name) + "/pixman/" + suffix).c_str(),
                                   [=](benchmark::State& st) { PixmanBlit(st, c, w, h); });
    }
  }
  const std::string scale = SizeName(kScaleSrc, kScaleSrc) + "_to_" + SizeName(kScaleW, kScaleH);
  benchmark::RegisterBenchmark(("smooth_scale/ours/" + scale).c_str(), OursScale);
  benchmark::RegisterBenchmark(("smooth_scale/pixman/" + scale).c_str(), PixmanScale);
  const std::string turn = SizeName(kTurnSide, kTurnSide);
  benchmark::RegisterBenchmark(("turn/ours/" + turn).c_str(), [](benchmark::State& st) { OursTurn(st, false); });
  benchmark::RegisterBenchmark(("turn/pixman/" + turn).c_str(), [](benchmark::State& st) { PixmanTurn(st, false); });
  benchmark::RegisterBenchmark(("turn_smooth/ours/" + turn).c_str(), [](benchmark::State& st) { OursTurn(st, true); });
  benchmark::RegisterBenchmark(("turn_smooth/pixman/" + turn).c_str(),
                               [](benchmark::State& st) { PixmanTurn(st, true); });
  for (const double angle : {90.0, 180.0, 270.0}) {
    const std::string name = "quarter_turn/" + std::to_string(static_cast<int>(angle)) + "/72x96";
    benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& st) { QuarterTurnBesideUpright(st, angle); });
  }
  return true;
}();

}  // namespace
