// ctest-labels: resources
#include "engine/media/palette.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "engine/core/colour_key.h"
#include "engine/media/octree_quantiser.h"
#include "engine/media/picture_helpers.h"
#include "engine/media/pps_picture.h"
#include "platform/file_dialog.h"
#include "platform/files.h"

namespace engine {
namespace {

using Bytes = std::vector<uint8_t>;

// A true-colour record over pixels the test owns.
ImageRecord TrueColour(Bytes& pixels, uint16_t width, uint16_t height) {
  ImageRecord r;
  r.width = width;
  r.height = height;
  r.frame_count = 1;
  r.pixels = pixels.data();
  r.data_size = static_cast<uint32_t>(pixels.size());
  return r;
}

void PushPixel(Bytes& px, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) { px.insert(px.end(), {b, g, r, a}); }

TEST(PaletteTest, AddSetFindAndGet) {
  Palette p;
  p.AddColorRgb(1, 2, 3);
  p.AddColor(0x00030201);  // the same colour: not added again
  EXPECT_EQ(p.count(), 1u);
  p.SetColorRgb(1, 9, 9, 9);  // index == count appends
  p.SetColorRgb(7, 8, 8, 8);  // past the count appends at the count
  EXPECT_EQ(p.count(), 3u);
  EXPECT_EQ(p.FindColor(8, 8, 8), 2);
  p.SetColor(0, 0x00FF0000);  // overwrite: blue
  EXPECT_EQ(p.GetColor(0), 0x00FF0000);
  EXPECT_EQ(p.GetColor(3), -1);
  EXPECT_EQ(p.FindColor(1, 2, 3), -1);
  for (int i = 0; i < 300; ++i) p.AddColorRgb(static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8), 77);
  EXPECT_EQ(p.count(), 256u);
}

TEST(PaletteTest, NearestColourUsesCubedDistanceAndFirstExactMatch) {
  Palette black;
  black.AddColorRgb(0, 0, 0);
  // Distance 3 x 255^3 is far above the starting best of 1000000: still index 0.
  EXPECT_EQ(black.NearestIndexRgb(255, 255, 255), 0);
  Palette p;
  const uint8_t colours[] = {10, 10, 10, 200, 0, 0, 0, 0, 200, 200, 0, 0};
  p.SetAll(colours, 4, "test");
  EXPECT_EQ(p.NearestIndexRgb(200, 0, 0), 1) << "the first exact match wins";
  EXPECT_EQ(p.NearestIndexRgb(190, 5, 5), 1);
  EXPECT_EQ(p.NearestIndexRgb(20, 20, 30), 0);
  EXPECT_EQ(p.NearestIndex(0x00C80000), 2);
  Palette empty;
  EXPECT_EQ(empty.NearestIndexRgb(1, 2, 3), 0);
}

TEST(PaletteTest, RemapKeepsAlphaAndMapsEachPixelToItsNearest) {
  Palette p;
  const uint8_t colours[] = {0, 0, 0, 255, 255, 255, 255, 0, 0};
  p.SetAll(colours, 3, "bw");
  Bytes px;
  PushPixel(px, 250, 250, 240, 10);
  PushPixel(px, 3, 1, 2, 20);
  PushPixel(px, 240, 20, 10, 30);
  auto plain = p.RemapTrueColour(px.data(), 3, false);
  EXPECT_EQ(Bytes(plain.get(), plain.get() + 3), (Bytes{1, 0, 2}));
  auto with_alpha = p.RemapTrueColour(px.data(), 3, true);
  EXPECT_EQ(Bytes(with_alpha.get(), with_alpha.get() + 6), (Bytes{1, 10, 0, 20, 2, 30}));
  // Old indices past the old palette become 0 instead of reading beyond it.
  const uint8_t old_palette[] = {255, 0, 0, 0, 0, 0};
  const Bytes old_pixels = {0, 1, 200};
  auto remapped = p.RemapIndices(old_pixels.data(), 3, old_palette, 2, false);
  EXPECT_EQ(Bytes(remapped.get(), remapped.get() + 3), (Bytes{2, 0, 0}));
}

TEST(PaletteTest, ConvertImageOwnCopyAndSharedModes) {
  Palette p;
  const uint8_t colours[] = {0, 0, 0, 255, 0, 255, 255, 255, 255};
  p.SetAll(colours, 3, "key");
  for (int mode : {1, 2}) {
    Bytes src;
    PushPixel(src, 250, 5, 250, 7);
    PushPixel(src, 255, 255, 255, 9);
    ImageRecord r;
    r.width = 2;
    r.height = 1;
    r.frame_count = 1;
    r.data_size = 8;
    r.pixels = new uint8_t[8];
    std::copy(src.begin(), src.end(), r.pixels);
    r.flags = kImageFlagTransparent | kImageFlagAlpha;
    r.colour_key = engine::kColourKey;
    EXPECT_EQ(p.ConvertImage(&r, mode), 3u);
    EXPECT_EQ(r.colour_key, 1u);
    EXPECT_EQ(r.data_size, 4u);
    EXPECT_EQ(Bytes(r.pixels, r.pixels + 4), (Bytes{1, 7, 2, 9}));
    EXPECT_EQ(r.palette_count, 3);
    if (mode == 2) {
      EXPECT_EQ(r.palette, p.GetColors());
      EXPECT_TRUE(r.flags & kImageFlagPaletteRef);
    } else {
      EXPECT_NE(r.palette, p.GetColors());
      EXPECT_TRUE(r.flags & kImageFlagOwnPalette);
      EXPECT_FALSE(r.flags & kImageFlagPaletteRef);
    }
    FreePictureRecord(&r);  // never frees the shared array
  }
  // A pixel block smaller than the frames is refused and left alone.
  Bytes short_block(4);
  ImageRecord r = TrueColour(short_block, 2, 1);
  EXPECT_EQ(p.ConvertImage(&r, 1), 0u);
  EXPECT_EQ(r.pixels, short_block.data());
}

TEST(PaletteTest, SaveQuadAsAsksForThePathAndSavesOnlyOnOk) {
  Palette p;
  const uint8_t colours[] = {1, 2, 3};
  p.SetAll(colours, 1, "one");
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("palette_test_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string quad = (folder / "chosen.quad").string();
  const std::string text = (folder / "chosen.txt").string();
  std::vector<platform::FileDialogRequest> asked;
  std::string answer = quad;
  auto previous = platform::SetFileDialogHandler([&](const platform::FileDialogRequest& request, std::string* path) {
    asked.push_back(request);
    if (answer.empty()) return false;
    *path = answer;
    return true;
  });
  EXPECT_EQ(p.SaveQuadAs(), 1);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_TRUE(asked[0].open);
  EXPECT_EQ(asked[0].default_extension, "*.quad");
  EXPECT_EQ(asked[0].file_name, "Patten Name");
  EXPECT_EQ(asked[0].flags, 6u);
  EXPECT_EQ(asked[0].filter, "PIC file(*.quad)|*.quad||");
  Bytes file;
  ASSERT_TRUE(platform::ReadFileBytes(quad, &file));
  EXPECT_EQ(file.size(), 37u);

  // Cancelled: nothing is written. A chosen path that is no .quad file is refused as by SaveQuad.
  answer.clear();
  EXPECT_EQ(p.SaveQuadAs(), 0);
  answer = text;
  EXPECT_EQ(p.SaveQuadAs(), 0);
  EXPECT_FALSE(platform::FileExists(text));
  // Without a dialog it is cancelled too.
  platform::SetFileDialogHandler(nullptr);
  EXPECT_EQ(p.SaveQuadAs(), 0);
  platform::SetFileDialogHandler(previous);
  std::filesystem::remove_all(folder);
}

TEST(PaletteTest, QuadFilesRoundTripAndAreBounded) {
  Palette p;
  const uint8_t colours[] = {1, 2, 3, 4, 5, 6};
  p.SetAll(colours, 2, "two colours");
  EXPECT_EQ(p.SaveQuad("pal.txt"), 0) << "refused: not a .quad path";
  EXPECT_FALSE(platform::FileExists("pal.txt"));
  EXPECT_EQ(p.SaveQuad("Pal.QUAD"), 1);
  Bytes file;
  ASSERT_TRUE(platform::ReadFileBytes("Pal.QUAD", &file));
  EXPECT_EQ(file.size(), 40u);
  Palette q;
  q.LoadQuad("Pal.QUAD");
  EXPECT_EQ(q.count(), 2u);
  EXPECT_EQ(q.name(), "two colours");
  EXPECT_EQ(q.GetColor(1), 0x00060504);

  // A count above what the file holds, a name without its NUL, a count above 256.
  Bytes bad(34 + 9, 'N');
  bad[32] = 0xFF;
  bad[33] = 0xFF;
  Palette r;
  r.LoadQuadImage(bad.data(), bad.size());
  EXPECT_EQ(r.count(), 3u);
  EXPECT_EQ(r.name(), std::string(31, 'N'));
  Bytes big(34 + 300 * 3, 1);
  big[32] = 0x2C;  // 300
  big[33] = 0x01;
  r.LoadQuadImage(big.data(), big.size());
  EXPECT_EQ(r.count(), 256u);
  Palette unchanged = q;
  unchanged.LoadQuadImage(bad.data(), 20);
  unchanged.LoadQuadImage(nullptr, 100);
  unchanged.LoadQuad("missing.quad");
  EXPECT_EQ(unchanged.count(), 2u);
}

// 128 pairs of colours that differ in blue's lowest bit: 256 colours, every reducible node
// holding two leaves.
Bytes TwoHundredFiftySixColours() {
  Bytes px;
  for (int i = 0; i < 128; ++i) {
    const uint8_t r = static_cast<uint8_t>(i * 2), g = static_cast<uint8_t>(255 - i),
                  b = static_cast<uint8_t>((i * 37) & 0xFE);
    for (int k = 0; k <= i % 3; ++k) PushPixel(px, r, g, b);
    PushPixel(px, r, g, b | 1);
  }
  return px;
}

TEST(QuantiserTest, TwoHundredFiftySixColoursBecome255PlusTheKey) {
  Bytes px = TwoHundredFiftySixColours();
  ImageRecord record = TrueColour(px, static_cast<uint16_t>(px.size() / 4), 1);
  std::set<uint32_t> distinct;
  for (size_t i = 0; i < px.size(); i += 4) distinct.insert(px[i] | px[i + 1] << 8 | px[i + 2] << 16);
  ASSERT_EQ(distinct.size(), 256u);
  ASSERT_EQ(CountColours(record), 256u);

  OctreeQuantiser q;
  q.AddPixels(px.data(), record.width, 1, px.size());
  EXPECT_EQ(q.leaf_count(), 256u);
  q.Reduce();
  EXPECT_EQ(q.leaf_count(), 255u);
  q.BuildPalette();
  EXPECT_EQ(q.colours().size(), 255u * 3);

  record.colour_key = engine::kColourKey;  // magenta is none of them
  Palette p;
  p.BuildFromImage(record, "quantised");
  EXPECT_EQ(p.count(), 256u);
  EXPECT_EQ(p.GetColor(255), engine::kColourKey);
  // Every pixel maps to an entry near its colour (the folded pair's average is 1 away).
  for (size_t i = 0; i < px.size(); i += 4) {
    const int index = p.NearestIndexRgb(px[i + 2], px[i + 1], px[i]);
    const int32_t c = p.GetColor(static_cast<uint32_t>(index));
    EXPECT_LE(std::abs((c >> 16 & 0xFF) - px[i]), 1);
    EXPECT_EQ(c & 0xFF, px[i + 2]);
  }
}

uint32_t Morton(uint8_t r, uint8_t g, uint8_t b) {
  uint32_t m = 0;
  for (int bit = 7; bit >= 0; --bit)
    m = (m << 3) | (((r >> bit) & 1) << 2) | (((g >> bit) & 1) << 1) | ((b >> bit) & 1);
  return m;
}

TEST(QuantiserTest, TwoHundredFiftyFiveColoursStayInTreeOrder) {
  Bytes px;
  std::mt19937 rng(5);
  std::set<std::tuple<uint8_t, uint8_t, uint8_t>> colours;
  while (colours.size() < 255) colours.emplace(rng(), rng(), rng());
  std::vector<std::tuple<uint8_t, uint8_t, uint8_t>> order(colours.begin(), colours.end());
  std::shuffle(order.begin(), order.end(), rng);
  for (auto [r, g, b] : order) PushPixel(px, r, g, b);

  OctreeQuantiser q;
  q.AddPixels(px.data(), 255, 1, px.size());
  q.Reduce();
  ASSERT_EQ(q.leaf_count(), 255u);
  q.BuildPalette();
  std::sort(order.begin(), order.end(), [](auto a, auto b) {
    return Morton(std::get<0>(a), std::get<1>(a), std::get<2>(a)) <
           Morton(std::get<0>(b), std::get<1>(b), std::get<2>(b));
  });
  for (size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(q.colours()[i * 3], std::get<0>(order[i]));
    EXPECT_EQ(q.colours()[i * 3 + 1], std::get<1>(order[i]));
    EXPECT_EQ(q.colours()[i * 3 + 2], std::get<2>(order[i]));
  }
}

TEST(QuantiserTest, ManyColoursKeepAtMostMaximumMinusOneAndMapNearest) {
  Bytes px;
  std::mt19937 rng(9);
  for (int i = 0; i < 8000; ++i) PushPixel(px, rng(), rng(), rng());
  for (uint32_t maximum : {16u, 256u, 1000u}) {
    OctreeQuantiser q;
    q.SetMaxColours(maximum);
    q.AddPixels(px.data(), 0, 0, px.size());
    q.Reduce();
    q.BuildPalette();
    EXPECT_LE(q.leaf_count(), std::min(maximum, 256u) - 1);
    EXPECT_GT(q.leaf_count(), 0u);
  }
  ImageRecord record = TrueColour(px, 8000, 1);
  Palette p;
  p.BuildFromImage(record, nullptr);
  EXPECT_EQ(p.name(), "0");
  EXPECT_LE(p.count(), 256u);
  // The nearest index really is nearest by the cubed distance.
  for (size_t i = 0; i < 400; i += 4) {
    const int best = p.NearestIndexRgb(px[i + 2], px[i + 1], px[i]);
    auto dist = [&](uint32_t k) {
      const int32_t c = p.GetColor(k);
      auto cube = [](int d) { return std::abs(d * d * d); };
      return cube((c & 0xFF) - px[i + 2]) + cube((c >> 8 & 0xFF) - px[i + 1]) + cube((c >> 16 & 0xFF) - px[i]);
    };
    for (uint32_t k = 0; k < p.count(); ++k) EXPECT_LE(dist(static_cast<uint32_t>(best)), dist(k));
  }
}

TEST(PaletteTest, CoverageCountsExactColours) {
  Bytes px;
  PushPixel(px, 1, 2, 3);
  PushPixel(px, 1, 2, 3);
  PushPixel(px, 9, 9, 9);
  PushPixel(px, 7, 7, 7);
  ImageRecord record = TrueColour(px, 2, 2);
  Palette p;
  p.AddColorRgb(1, 2, 3);
  EXPECT_DOUBLE_EQ(p.Coverage(record), 0.5);
  p.BuildFromImage(record, "all");
  EXPECT_DOUBLE_EQ(p.Coverage(record), 1.0);
  EXPECT_EQ(p.count(), 4u) << "three colours and the key (black)";
}

TEST(PictureHelpersTest, AnglesAndColourCounts) {
  EXPECT_EQ(CosDeg(90.0, 100), 0);
  EXPECT_EQ(CosDeg(60.0, 100), 50);
  EXPECT_EQ(CosDeg(0.0, 7), 7);
  EXPECT_EQ(CosDeg(180.0, 7), -7);
  EXPECT_EQ(SinDeg(270.0, 7), -7);
  EXPECT_EQ(SinDeg(90.0, 7), 7);
  EXPECT_EQ(SinDeg(180.0, 7), 0);
  EXPECT_EQ(SinDeg(450.0, 100), 99) << "only the exact values are special";

  Bytes px;
  for (int i = 0; i < 5000; ++i) PushPixel(px, static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8), 0);
  ImageRecord many = TrueColour(px, 5000, 1);
  EXPECT_EQ(CountColours(many), 4097u);
  EXPECT_EQ(ReduceToPalette(&many), 0);
}

TEST(PictureHelpersTest, ReduceToPaletteKeepsColoursAndTurnsTheKeyIntoAnIndex) {
  Bytes src;
  PushPixel(src, 255, 0, 255, 1);
  PushPixel(src, 10, 20, 30, 2);
  PushPixel(src, 255, 0, 255, 3);
  ImageRecord r;
  r.width = 3;
  r.height = 1;
  r.frame_count = 1;
  r.pixels = new uint8_t[12];
  std::copy(src.begin(), src.end(), r.pixels);
  r.data_size = 12;
  r.flags = kImageFlagTransparent | kImageFlagAlpha;
  r.colour_key = engine::kColourKey;
  ASSERT_EQ(ReduceToPalette(&r), 1);
  EXPECT_EQ(r.palette_count, 2);
  EXPECT_EQ(r.colour_key, 0u);
  EXPECT_EQ(Bytes(r.pixels, r.pixels + 6), (Bytes{0, 1, 1, 2, 0, 3}));
  EXPECT_EQ(Bytes(r.palette, r.palette + 6), (Bytes{255, 0, 255, 10, 20, 30}));
  // It survives the picture format.
  const Bytes file = EncodePicture(r, nullptr, kPpsCodecBestOf);
  ImageRecord back;
  ASSERT_NE(DecodePicture(file.data(), file.size(), &back), 0u);
  EXPECT_EQ(Bytes(back.pixels, back.pixels + 6), (Bytes{0, 1, 1, 2, 0, 3}));
  FreePictureRecord(&back);
  FreePictureRecord(&r);
}

TEST(PictureHelpersTest, CollectPaletteFrequentFirstEachOnce) {
  // 512 pixels: the first pass takes colours seen at least twice, the next the rest.
  Bytes px;
  for (int i = 0; i < 300; ++i) PushPixel(px, 1, 1, 1);
  PushPixel(px, 2, 2, 2);
  for (int i = 0; i < 200; ++i) PushPixel(px, 3, 3, 3);
  for (int i = 0; i < 11; ++i) PushPixel(px, 4, 4, 4);
  uint8_t palette[768];
  EXPECT_EQ(CollectPalette(px.data(), px.size() / 4, palette), 4u);
  EXPECT_EQ(Bytes(palette, palette + 12), (Bytes{1, 1, 1, 3, 3, 3, 4, 4, 4, 2, 2, 2}));
  uint8_t rgb[3];
  ColorRefToRgb(rgb, 0x00332211);
  EXPECT_EQ(Bytes(rgb, rgb + 3), (Bytes{0x11, 0x22, 0x33}));
}

}  // namespace
}  // namespace engine
