// ctest-labels: compositing
// Golden pixels for every way DrawPicture can draw a picture, worked out by hand from the pixel
// rules, plus placement, clipping and the refusals of bad requests.
#include "engine/core/colour_key.h"
#include "engine/media/draw_picture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/media/blit.h"
#include "tests/engine/media/compositing_reference.h"
#include "tests/support/game_log_reader.h"

namespace {

using namespace engine;

constexpr uint32_t kWhite = 0xFFFFFFFF;

struct Canvas {
  int w, h;
  std::vector<uint32_t> px;
  DrawTarget target;
  Canvas(int width, int height, uint32_t fill) : w(width), h(height), px(size_t(width) * height, fill) {
    target = DrawTarget{px.data(), w, h, 4, engine::kColourKey};
  }
  uint32_t& at(int x, int y) { return px[size_t(y) * w + x]; }
};

// A true-colour picture over the caller's words.
ImageRecord Picture(std::vector<uint32_t>& words, int w, int h, uint32_t flags, int frames = 1) {
  ImageRecord r;
  r.width = uint16_t(w);
  r.height = uint16_t(h);
  r.frame_count = uint16_t(frames);
  r.flags = flags;
  r.pixels = reinterpret_cast<uint8_t*>(words.data());
  r.data_size = uint32_t(words.size() * 4);
  r.colour_key = engine::kColourKey;
  return r;
}

// Palette: red, green, blue, white, and magenta as entry 4.
const uint8_t kPalette[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 255, 0, 255};

ImageRecord PalettePicture(std::vector<uint8_t>& bytes, int w, int h, uint32_t flags, uint32_t key) {
  ImageRecord r;
  r.width = uint16_t(w);
  r.height = uint16_t(h);
  r.frame_count = 1;
  r.flags = flags | kImageFlagOwnPalette;
  r.pixels = bytes.data();
  r.data_size = uint32_t(bytes.size());
  r.palette = const_cast<uint8_t*>(kPalette);
  r.palette_count = 5;
  r.colour_key = key;
  return r;
}

DrawParams Place(int cx, int cy, int w, int h, double angle = 0.0, uint32_t flags = 0) {
  DrawParams p;
  p.centreX = cx;
  p.centreY = cy;
  p.width = w;
  p.height = h;
  p.angle = angle;
  p.flags = flags;
  return p;
}

void Draw(Canvas& c, DrawParams p, const ImageRecord& r, double opacity = 1.0, uint32_t backdrop = kColourKey) {
  DrawPicture(&c.target, &p, r, 0, 0, p.width, p.height, opacity, backdrop);
}

// --- true colour without alpha -------------------------------------------------------------

TEST(DrawPictureTrueColour, OpaqueCopyTakesWholePixelsAlphaIncluded) {
  Canvas c(4, 4, 0x11223344);
  std::vector<uint32_t> src = {0x00ABCDEF, 0xFF010203, 0x80040506, 0x7F070809};
  Draw(c, Place(2, 2, 2, 2), Picture(src, 2, 2, 0));  // top-left at 2 - (2 + 1) / 2 = 1
  EXPECT_EQ(c.at(1, 1), 0x00ABCDEFu);
  EXPECT_EQ(c.at(2, 1), 0xFF010203u);
  EXPECT_EQ(c.at(1, 2), 0x80040506u);
  EXPECT_EQ(c.at(2, 2), 0x7F070809u);
  EXPECT_EQ(c.at(0, 0), 0x11223344u);
  EXPECT_EQ(c.at(3, 3), 0x11223344u);
}

TEST(DrawPictureTrueColour, TransparentPictureCopiesOnlyPixelsWithAlpha) {
  Canvas c(2, 1, 0x11223344);
  std::vector<uint32_t> src = {0x00ABCDEF, 0x01010203};
  Draw(c, Place(1, 1, 2, 1), Picture(src, 2, 1, kImageFlagTransparent));
  EXPECT_EQ(c.at(0, 0), 0x11223344u);
  EXPECT_EQ(c.at(1, 0), 0x01010203u);
}

TEST(DrawPictureTrueColour, FadedMixesByTheOpacityByte) {
  // OP = (int)(0.5 * 255) = 127.
  Canvas c(3, 1, 0xFF000000);
  c.at(1, 0) = 0x80102030;
  std::vector<uint32_t> src = {0xFFFF8040, 0xFFFF8040, 0x00FF8040};
  Draw(c, Place(2, 1, 3, 1), Picture(src, 3, 1, 0), 0.5);
  EXPECT_EQ(c.at(0, 0), 0xFF7E3F1Fu);  // (255*127)>>8 = 126, (128*127)>>8 = 63, (64*127)>>8 = 31
  EXPECT_EQ(c.at(1, 0), 0xFF864F37u);  // red (255*127 + 16*128)>>8 = 134, ...
  EXPECT_EQ(c.at(2, 0), 0xFF000000u);  // alpha 0 is skipped
}

TEST(DrawPictureTrueColour, FadedWithBackdropNeedsAlphaAboveThreshold) {
  Canvas c(2, 1, 0x00000000);
  std::vector<uint32_t> src = {0x80FFFFFF, 0x81FFFFFF};
  Draw(c, Place(1, 1, 2, 1), Picture(src, 2, 1, 0), 0.5, 0x80FF0000);  // blue, threshold 128
  EXPECT_EQ(c.at(0, 0), 0x00000000u);
  EXPECT_EQ(c.at(1, 0), 0xFF7E7EFEu);  // blue (255*127 + 255*128)>>8 = 254, red/green 126
}

TEST(DrawPictureTrueColour, OpacityZeroOrBelowDrawsNothing) {
  Canvas c(2, 1, 0x11223344);
  std::vector<uint32_t> src = {kWhite, kWhite};
  Draw(c, Place(1, 1, 2, 1), Picture(src, 2, 1, 0), 0.0);
  Draw(c, Place(1, 1, 2, 1), Picture(src, 2, 1, kImageFlagTransparent), -1.0);
  EXPECT_EQ(c.px, std::vector<uint32_t>(2, 0x11223344));
}

// --- true colour with alpha -----------------------------------------------------------------

TEST(DrawPictureAlpha, FullOpacityBlendsOrCopiesIntoEmptyPixels) {
  Canvas c(4, 1, 0xFF000000);
  c.at(1, 0) = 0x00123456;  // empty: copied into
  c.at(3, 0) = 0x10000000;
  std::vector<uint32_t> src = {kWhite, 0x40FFFFFF, 0x00FFFFFF, 0x40FFFFFF};
  Draw(c, Place(2, 1, 4, 1), Picture(src, 4, 1, kImageFlagAlpha));
  EXPECT_EQ(c.at(0, 0), 0xFFFEFEFEu);  // (255*255)>>8 = 254: one less than white
  EXPECT_EQ(c.at(1, 0), 0x40FFFFFFu);
  EXPECT_EQ(c.at(2, 0), 0xFF000000u);
  EXPECT_EQ(c.at(3, 0), 0x403F3F3Fu);  // (255*64)>>8 = 63, alpha max(0x10, 0x40)
}

TEST(DrawPictureAlpha, FadedWeighsAlphaByOpacity) {
  Canvas c(2, 1, 0xC0000000);
  c.at(0, 0) = 0;
  std::vector<uint32_t> src = {0x80FFFFFF, 0x80FFFFFF};
  Draw(c, Place(1, 1, 2, 1), Picture(src, 2, 1, kImageFlagAlpha), 0.5);  // w = (128*127)>>8 = 63
  EXPECT_EQ(c.at(0, 0), 0x3FFFFFFFu);
  EXPECT_EQ(c.at(1, 0), 0xC03E3E3Eu);
}

TEST(DrawPictureAlpha, BackdropReplacesTheDestination) {
  Canvas c(2, 1, 0x00000000);
  std::vector<uint32_t> src = {0x80FFFFFF, 0x7FFFFFFF};
  Draw(c, Place(1, 1, 2, 1), Picture(src, 2, 1, kImageFlagAlpha), 1.0, 0x7FFF0000);
  EXPECT_EQ(c.at(0, 0), 0xFF7F7FFEu);
  EXPECT_EQ(c.at(1, 0), 0x00000000u);  // 0x7F is not above the threshold 0x7F
  // Opacity 0 with a backdrop still draws, by the full rule.
  Canvas d(1, 1, 0);
  std::vector<uint32_t> one = {0xFFFFFFFF};
  Draw(d, Place(1, 1, 1, 1), Picture(one, 1, 1, kImageFlagAlpha), 0.0, 0x00FF0000);
  EXPECT_EQ(d.at(0, 0), 0xFFFEFEFEu);
  Draw(d, Place(1, 1, 1, 1), Picture(one, 1, 1, kImageFlagAlpha), 0.0);
  EXPECT_EQ(d.at(0, 0), 0xFFFEFEFEu);
}

TEST(DrawPictureAlpha, OntoOpaqueDrawsOnlyOverOpaquePixels) {
  Canvas c(2, 1, 0xFF000000);
  c.at(1, 0) = 0x80000000;
  std::vector<uint32_t> src = {kWhite, kWhite};
  Draw(c, Place(1, 1, 2, 1, 0.0, kDrawOntoOpaque), Picture(src, 2, 1, kImageFlagAlpha));
  EXPECT_EQ(c.at(0, 0), 0xFFFEFEFEu);
  EXPECT_EQ(c.at(1, 0), 0x80000000u);
}

TEST(DrawPictureAlpha, SourceCutShortWithoutScalingDrawsNothing) {
  Canvas c(4, 4, 0);
  std::vector<uint32_t> src(4, kWhite);
  DrawParams p = Place(2, 2, 3, 2);
  DrawPicture(&c.target, &p, Picture(src, 2, 2, kImageFlagAlpha), 0, 0, 3, 2, 1.0, kColourKey);
  EXPECT_EQ(c.px, std::vector<uint32_t>(16, 0));
  // Without alpha the cut rectangle is drawn as it is.
  DrawPicture(&c.target, &p, Picture(src, 2, 2, 0), 0, 0, 3, 2, 1.0, kColourKey);
  EXPECT_EQ(c.at(0, 1), kWhite);
  EXPECT_EQ(c.at(1, 2), kWhite);
  EXPECT_EQ(c.at(2, 1), 0u);
}

// --- palette pictures ------------------------------------------------------------------------

TEST(DrawPicturePalette, OneBytePixelsTakeThePaletteAndSkipTheKey) {
  Canvas c(4, 1, 0x00000000);
  std::vector<uint8_t> src = {0, 1, 2, 9};  // 9 lies past the palette: drawn black
  Draw(c, Place(2, 1, 4, 1), PalettePicture(src, 4, 1, 0, 1));
  EXPECT_EQ(c.at(0, 0), 0xFFFF0000u);
  EXPECT_EQ(c.at(1, 0), 0x00000000u);
  EXPECT_EQ(c.at(2, 0), 0xFF0000FFu);
  EXPECT_EQ(c.at(3, 0), 0xFF000000u);
}

TEST(DrawPicturePalette, OneByteFadedMixesWithAlpha255) {
  Canvas c(1, 1, 0x00000000);
  std::vector<uint8_t> src = {0};
  Draw(c, Place(1, 1, 1, 1), PalettePicture(src, 1, 1, 0, 256), 0.5);
  EXPECT_EQ(c.at(0, 0), 0xFF7E0000u);
}

TEST(DrawPicturePalette, TwoBytePixelsWithBlueBackdropAndThreshold) {
  Canvas c(2, 1, 0x00000000);
  std::vector<uint8_t> src = {3, 128, 3, 127};  // white at alpha 128 and 127
  Draw(c, Place(1, 1, 2, 1), PalettePicture(src, 2, 1, kImageFlagAlpha, 256), 1.0, 0x80FF0000);
  EXPECT_EQ(c.at(0, 0), 0xFF7F7FFEu);  // 128 >= 128: mix(white, blue, 128)
  EXPECT_EQ(c.at(1, 0), 0x00000000u);
}

TEST(DrawPicturePalette, TwoBytePixelsCopyIntoEmptyAndBlendOntoDrawn) {
  Canvas c(3, 1, 0x00000000);
  c.at(1, 0) = 0xFF000000;
  std::vector<uint8_t> src = {3, 0x40, 3, 0xFF, 1, 0xFF};
  Draw(c, Place(2, 1, 3, 1), PalettePicture(src, 3, 1, kImageFlagAlpha, 1));
  EXPECT_EQ(c.at(0, 0), 0x40FFFFFFu);
  EXPECT_EQ(c.at(1, 0), 0xFFFEFEFEu);
  EXPECT_EQ(c.at(2, 0), 0x00000000u);  // the transparent index
}

TEST(DrawPicturePalette, TwoByteOntoOpaque) {
  Canvas c(2, 1, 0xFF000000);
  c.at(1, 0) = 0x00000000;
  std::vector<uint8_t> src = {3, 0xFF, 3, 0xFF};
  Draw(c, Place(1, 1, 2, 1, 0.0, kDrawOntoOpaque), PalettePicture(src, 2, 1, kImageFlagAlpha, 256));
  EXPECT_EQ(c.at(0, 0), 0xFFFEFEFEu);
  EXPECT_EQ(c.at(1, 0), 0x00000000u);
}

TEST(DrawPicturePalette, TwoByteSourceCutShortDrawsNothingAtAnyAngle) {
  std::vector<uint8_t> src = {3, 0xFF, 3, 0xFF};
  for (double angle : {0.0, 45.0}) {
    Canvas c(4, 4, 0);
    DrawParams p = Place(2, 2, 3, 1, angle);
    DrawPicture(&c.target, &p, PalettePicture(src, 2, 1, kImageFlagAlpha, 256), 0, 0, 3, 1, 1.0, kColourKey);
    EXPECT_EQ(c.px, std::vector<uint32_t>(16, 0)) << angle;
  }
}

TEST(DrawPicturePalette, MissingPaletteIsRefusedWithALogLine) {
  Canvas c(1, 1, 0);
  std::vector<uint8_t> src = {0};
  ImageRecord r = PalettePicture(src, 1, 1, 0, 256);
  r.palette = nullptr;
  engine::testing::GameLogReader log;
  Draw(c, Place(1, 1, 1, 1), r);
  EXPECT_EQ(c.at(0, 0), 0u);
  ASSERT_EQ(log.Lines().size(), 1u);
  EXPECT_EQ(log.Lines()[0], "256color pic without rgbquad!");
}

TEST(DrawPicturePalette, HalfDegreeDrawsUnturnedFromTheTurnedCorner) {
  // A 2x2 picture has R = (int)sqrt(2) = 1; at 0.5 degrees it is drawn unturned at (cx - 1, cy - 1).
  Canvas c(4, 4, 0);
  std::vector<uint8_t> src = {0, 1, 2, 3};
  DrawParams p = Place(2, 2, 2, 2, 0.5);
  DrawPicture(&c.target, &p, PalettePicture(src, 2, 2, 0, 256), 0, 0, 2, 2, 1.0, kColourKey);
  EXPECT_EQ(c.at(1, 1), 0xFFFF0000u);
  EXPECT_EQ(c.at(2, 1), 0xFF00FF00u);
  EXPECT_EQ(c.at(1, 2), 0xFF0000FFu);
  EXPECT_EQ(c.at(2, 2), 0xFFFFFFFFu);
  EXPECT_EQ(p.halfDiagonal, 1);
}

// --- inverting ---------------------------------------------------------------------------------

TEST(DrawPictureInvert, PaletteInvertsUnderPresentPixels) {
  Canvas c(2, 2, 0x80102030);
  std::vector<uint8_t> two = {0, 255, 1, 255, 0, 0, 2, 128};
  Draw(c, Place(1, 1, 2, 2, 0.0, kDrawInvert), PalettePicture(two, 2, 2, kImageFlagAlpha | kImageFlagTransparent, 1));
  EXPECT_EQ(c.at(0, 0), 0xFFEFDFCFu);
  EXPECT_EQ(c.at(1, 0), 0x80102030u);  // transparent index
  EXPECT_EQ(c.at(0, 1), 0x80102030u);  // alpha 0
  EXPECT_EQ(c.at(1, 1), 0xFFEFDFCFu);
}

TEST(DrawPictureInvert, OneBytePaletteReadsOneBytePerPixel) {
  Canvas c(2, 2, 0x80102030);
  std::vector<uint8_t> one = {0, 1, 2, 0};
  Draw(c, Place(1, 1, 2, 2, 0.0, kDrawInvert), PalettePicture(one, 2, 2, kImageFlagTransparent, 1));
  EXPECT_EQ(c.at(0, 0), 0xFFEFDFCFu);
  EXPECT_EQ(c.at(1, 0), 0x80102030u);
  EXPECT_EQ(c.at(0, 1), 0xFFEFDFCFu);
  EXPECT_EQ(c.at(1, 1), 0xFFEFDFCFu);
}

TEST(DrawPictureInvert, TrueColourInvertsUnlessOpacityIsZero) {
  Canvas c(2, 2, 0x80102030);
  std::vector<uint32_t> src = {kWhite, 0x00FFFFFF, kWhite, kWhite};
  const ImageRecord r = Picture(src, 2, 2, kImageFlagTransparent);
  Draw(c, Place(1, 1, 2, 2, 0.0, kDrawInvert), r, 0.0);
  EXPECT_EQ(c.px, std::vector<uint32_t>(4, 0x80102030));
  Draw(c, Place(1, 1, 2, 2, 0.0, kDrawInvert), r, 0.3);
  EXPECT_EQ(c.px, (std::vector<uint32_t>{0xFFEFDFCF, 0x80102030, 0xFFEFDFCF, 0xFFEFDFCF}));
}

// --- turning -----------------------------------------------------------------------------------

// A 4x2 picture whose pixels name their own column and row.
std::vector<uint32_t> Labelled4x2() {
  std::vector<uint32_t> src;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) src.push_back(0xFF000000u | uint32_t(y) << 8 | uint32_t(x));
  return src;
}

// Draws the labelled 4x2 at the angle into a 4x4 square at (0, 0) and checks every pixel against
// where(i, j): the source (column, row) or (-1, -1) for untouched.
template <class Where>
void ExpectTurned(double angle, uint32_t params_flags, Where where) {
  Canvas c(4, 4, 0x12345678);
  auto src = Labelled4x2();
  Draw(c, Place(2, 2, 4, 2, angle, params_flags), Picture(src, 4, 2, 0));
  for (int j = 0; j < 4; ++j)
    for (int i = 0; i < 4; ++i) {
      const auto [sx, sy] = where(i, j);
      const uint32_t want = sx < 0 ? 0x12345678u : 0xFF000000u | uint32_t(sy) << 8 | uint32_t(sx);
      EXPECT_EQ(c.at(i, j), want) << "angle " << angle << " at (" << i << "," << j << ")";
    }
}

TEST(DrawPictureTurned, QuarterTurnsLandWhereTheGeometrySays) {
  using P = std::pair<int, int>;
  // 90: rows 1-3 take source columns 3, 2, 1; columns 1-2 take source rows 0, 1; column 0 is lost.
  ExpectTurned(90.0, 0, [](int i, int j) { return (j >= 1 && i >= 1 && i <= 2) ? P{4 - j, i - 1} : P{-1, -1}; });
  ExpectTurned(180.0, 0, [](int i, int j) { return (i >= 1 && j >= 2) ? P{4 - i, 3 - j} : P{-1, -1}; });
  ExpectTurned(270.0, 0, [](int i, int j) { return (i >= 2) ? P{j, 3 - i} : P{-1, -1}; });
}

TEST(DrawPictureTurned, OddAngleMatchesTheTurnFormula) {
  Canvas c(12, 12, 0x12345678);
  std::vector<uint32_t> src(5 * 3);
  for (size_t i = 0; i < src.size(); ++i) src[i] = 0xFF000000u | uint32_t(i);
  std::vector<uint32_t> want = c.px;
  const ImageRecord r = Picture(src, 5, 3, 0);
  Draw(c, Place(6, 6, 5, 3, 30.0), r);
  reference::DrawPicture(want, 12, 12, Place(6, 6, 5, 3, 30.0), r, 0, 0, 5, 3, 1.0, kColourKey);
  EXPECT_EQ(c.px, want);
  // Spot check by hand: c = 886, s = 511 (pi taken as 3.14159); R = 2, so the square is at (4, 4).
  // Square pixel (2, 2): dx = 0, ey = 0 -> source (cx, cy) = (3, 2).
  EXPECT_EQ(c.at(6, 6), 0xFF000000u | 13);
}

TEST(DrawPictureTurned, AlphaPictureTurnsThroughItsOwnMember) {
  Canvas c(4, 4, 0x00000000);  // empty: alpha pixels are copied in
  auto src = Labelled4x2();
  src[0] = 0x00000000;  // source (0, 0) is transparent
  Draw(c, Place(2, 2, 4, 2, 270.0), Picture(src, 4, 2, kImageFlagAlpha));
  // 270: square (i, j) takes source (j, 3 - i); source (0, 0) lands at (3, 0) and is skipped.
  EXPECT_EQ(c.at(3, 0), 0x00000000u);
  EXPECT_EQ(c.at(3, 1), 0xFF000001u);
  EXPECT_EQ(c.at(2, 3), 0xFF000000u | 0x100 | 3);
}

TEST(DrawPictureTurned, SmoothTurnUsesBlendPixel) {
  // 2x2 at 90 degrees, smooth: R = 1; only square row 1 maps inside: (0, 1) <- source (1, 0),
  // (1, 1) <- source (1, 1). Border pixels are taken nearest; BlendPixel gives alpha (255*255)>>8.
  Canvas c(2, 2, 0x00000000);
  std::vector<uint32_t> src = {0xFF111111, 0xFF222222, 0xFF333333, 0xFF444444};
  Draw(c, Place(1, 1, 2, 2, 90.0, kDrawSmoothTurn), Picture(src, 2, 2, 0));
  EXPECT_EQ(c.at(0, 0), 0u);
  EXPECT_EQ(c.at(1, 0), 0u);
  EXPECT_EQ(c.at(0, 1), 0xFE222222u);
  EXPECT_EQ(c.at(1, 1), 0xFE444444u);
}

TEST(DrawPictureTurned, SmoothPaletteTurnNeverPaintsTheKeyColour) {
  Canvas c(2, 2, 0xFF204060);
  std::vector<uint8_t> src = {0, 4, 1, 2};  // index 4 (magenta) is the key
  Draw(c, Place(1, 1, 2, 2, 90.0, kDrawSmoothTurn), PalettePicture(src, 2, 2, kImageFlagTransparent, 4));
  EXPECT_EQ(c.at(0, 1), 0xFF1F3F5Fu);  // transparent: BlendPixel with alpha 0
  EXPECT_EQ(c.at(1, 1), 0xFE0000FDu);  // blue (0x60 * 1 + 255 * 254) >> 8 = 253, alpha max(254, 1)
}

TEST(DrawPictureTurned, PalettePicturesTurnThroughTheirOwnMembers) {
  // The 4x2 quarter turn again, as palette pictures: square (i, j) takes source (4 - j, i - 1).
  const uint8_t rows[2][4] = {{0, 1, 2, 3}, {3, 2, 1, 0}};
  auto colour = [](int index) {
    return 0xFF000000u | uint32_t(kPalette[3 * index]) << 16 | uint32_t(kPalette[3 * index + 1]) << 8 |
           kPalette[3 * index + 2];
  };
  for (bool two_byte : {false, true}) {
    std::vector<uint8_t> src;
    for (const auto& row : rows)
      for (uint8_t index : row) {
        src.push_back(index);
        if (two_byte) src.push_back(255);
      }
    Canvas c(4, 4, 0x00345678);
    Draw(c, Place(2, 2, 4, 2, 90.0), PalettePicture(src, 4, 2, two_byte ? kImageFlagAlpha : 0, 256));
    for (int j = 0; j < 4; ++j)
      for (int i = 0; i < 4; ++i) {
        const bool drawn = j >= 1 && i >= 1 && i <= 2;
        EXPECT_EQ(c.at(i, j), drawn ? colour(rows[i - 1][4 - j]) : 0x00345678u)
            << (two_byte ? "two-byte" : "one-byte") << " at (" << i << "," << j << ")";
      }
  }
}

TEST(DrawPictureTurned, SmoothAlphaMembersBlendBySampledAlpha) {
  // 2x2 at 90 degrees, smooth: (0, 1) <- source (1, 0) and (1, 1) <- source (1, 1), onto empty
  // pixels: the sample's colour with alpha (255 * alpha) >> 8.
  Canvas c(2, 2, 0);
  std::vector<uint8_t> pal = {0, 128, 1, 128, 2, 128, 3, 64};
  Draw(c, Place(1, 1, 2, 2, 90.0, kDrawSmoothTurn), PalettePicture(pal, 2, 2, kImageFlagAlpha, 256));
  EXPECT_EQ(c.at(0, 1), 0x7F00FF00u);  // green at (255 * 128) >> 8
  EXPECT_EQ(c.at(1, 1), 0x3FFFFFFFu);  // white at (255 * 64) >> 8
  EXPECT_EQ(c.at(0, 0), 0u);
  Canvas d(2, 2, 0);
  std::vector<uint32_t> tc = {0x80000001, 0x80112233, 0x80000003, 0xFF445566};
  Draw(d, Place(1, 1, 2, 2, 90.0, kDrawSmoothTurn), Picture(tc, 2, 2, kImageFlagAlpha));
  EXPECT_EQ(d.at(0, 1), 0x7F112233u);
  EXPECT_EQ(d.at(1, 1), 0xFE445566u);
}

TEST(DrawPictureTurned, SmoothOpacityAboveOneActsAsOne) {
  std::vector<uint32_t> src = {0x80112233, 0x80112233, 0x80112233, 0x80112233};
  Canvas a(2, 2, 0xFF000000), b(2, 2, 0xFF000000);
  Draw(a, Place(1, 1, 2, 2, 90.0, kDrawSmoothTurn), Picture(src, 2, 2, kImageFlagAlpha), 1.0);
  Draw(b, Place(1, 1, 2, 2, 90.0, kDrawSmoothTurn), Picture(src, 2, 2, kImageFlagAlpha), 1.5);
  EXPECT_EQ(a.px, b.px);
  EXPECT_EQ(a.at(0, 1), 0x80081019u);  // a = 127: (0x11 * 127) >> 8 = 8; alpha max(127, 255 - 127)
}

TEST(DrawPictureTurned, HalfDiagonalIsStoredBackIntoTheParams) {
  Canvas c(20, 20, 0);
  std::vector<uint32_t> src(6 * 8, kWhite);
  DrawParams p = Place(10, 10, 6, 8, 45.0);
  DrawPicture(&c.target, &p, Picture(src, 6, 8, 0), 0, 0, 6, 8, 1.0, kColourKey);
  EXPECT_EQ(p.halfDiagonal, 5);
}

TEST(DrawPictureTurned, EmptyPictureDrawsNothingWhenTurned) {
  Canvas c(4, 4, 0);
  std::vector<uint32_t> src(4, kWhite);
  DrawParams p = Place(2, 2, 0, 2, 30.0);
  DrawPicture(&c.target, &p, Picture(src, 2, 2, 0), 0, 0, 0, 2, 1.0, kColourKey);
  EXPECT_EQ(c.px, std::vector<uint32_t>(16, 0));
}

// --- placement, clipping and refusals ------------------------------------------------------------

// A 3x3 picture whose pixels name their position.
std::vector<uint32_t> Labelled3x3() {
  std::vector<uint32_t> src;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) src.push_back(0xFF000000u | uint32_t(y) << 8 | uint32_t(x));
  return src;
}

void ExpectPlaced(int cx, int cy, uint32_t flags, double opacity) {
  Canvas c(5, 5, 0x00345678);  // empty, so alpha pictures are copied in whole
  auto src = Labelled3x3();
  Draw(c, Place(cx, cy, 3, 3), Picture(src, 3, 3, flags), opacity);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) {
      const int sx = x - (cx - 2), sy = y - (cy - 2);
      const bool inside = sx >= 0 && sx < 3 && sy >= 0 && sy < 3;
      const uint32_t want = inside ? 0xFF000000u | uint32_t(sy) << 8 | uint32_t(sx) : 0x00345678u;
      EXPECT_EQ(c.at(x, y), want) << "centre (" << cx << "," << cy << ") at (" << x << "," << y << ")";
    }
}

TEST(DrawPicturePlacement, ClipsAtEveryEdgeOfTheTarget) {
  for (uint32_t flags : {0u, kImageFlagAlpha, kImageFlagTransparent}) {
    ExpectPlaced(0, 2, flags, 1.0);   // left
    ExpectPlaced(5, 2, flags, 1.0);   // right
    ExpectPlaced(2, 0, flags, 1.0);   // top
    ExpectPlaced(2, 5, flags, 1.0);   // bottom
    ExpectPlaced(0, 0, flags, 1.0);   // corner
    ExpectPlaced(-9, 2, flags, 1.0);  // wholly outside
    ExpectPlaced(2, 40, flags, 1.0);
  }
}

TEST(DrawPicturePlacement, ParamsClipMovesByOriginMinusCentre) {
  Canvas c(6, 6, 0);
  std::vector<uint32_t> src(16, kWhite);
  DrawParams p = Place(3, 3, 4, 4, 0.0, kDrawClip);  // the picture covers (1,1)-(5,5)
  p.originX = 4;                                     // clip moves right by 1 and up by 1
  p.originY = 2;
  p.clip = {1, 2, 3, 6};  // becomes (2, 1, 4, 5)
  DrawPicture(&c.target, &p, Picture(src, 4, 4, 0), 0, 0, 4, 4, 1.0, kColourKey);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(c.at(x, y), (x >= 2 && x < 4 && y >= 1 && y < 5) ? kWhite : 0u) << x << "," << y;
  EXPECT_TRUE(GetDrawClip(&c.target, &p).left == 2 && GetDrawClip(&c.target, &p).bottom == 5);
  p.clip = {40, 40, 50, 50};  // no overlap with the target
  Canvas d(6, 6, 0);
  DrawPicture(&d.target, &p, Picture(src, 4, 4, 0), 0, 0, 4, 4, 1.0, kColourKey);
  EXPECT_EQ(d.px, std::vector<uint32_t>(36, 0));
}

TEST(DrawPicturePlacement, EmptyNegativeAndOutsideRequestsDrawNothing) {
  std::vector<uint32_t> src(4, kWhite);
  const ImageRecord r = Picture(src, 2, 2, 0);
  struct Case {
    int x, y, w, h, pw, ph;
  };
  for (const Case k : {Case{0, 0, 0, 2, 0, 2}, Case{0, 0, -1, 2, -1, 2}, Case{0, 0, 2, 2, 0, 2}, Case{0, 0, 0, 2, 2, 2},
                       Case{0, 0, 2, -1, 2, 2}, Case{0, 0, 2, 2, -3, 2}, Case{-1, 0, 2, 2, 2, 2},
                       Case{0, -2, 2, 2, 2, 2}, Case{2, 0, 2, 2, 2, 2}, Case{0, 3, 2, 2, 2, 2}}) {
    Canvas c(4, 4, 0);
    DrawParams p = Place(2, 2, k.pw, k.ph);
    DrawPicture(&c.target, &p, r, k.x, k.y, k.w, k.h, 1.0, kColourKey);
    EXPECT_EQ(c.px, std::vector<uint32_t>(16, 0)) << k.x << " " << k.y << " " << k.w << " " << k.h;
  }
}

TEST(DrawPicturePlacement, FramesAreChosenBySourceRow) {
  std::vector<uint32_t> src = {0xFF000001, 0xFF000002, 0xFF000003};
  const ImageRecord r = Picture(src, 1, 1, 0, 3);
  Canvas c(1, 1, 0);
  DrawParams p = Place(1, 1, 1, 1);
  DrawPicture(&c.target, &p, r, 0, 2, 1, 1, 1.0, kColourKey);
  EXPECT_EQ(c.at(0, 0), 0xFF000003u);
  c.at(0, 0) = 0;
  DrawPicture(&c.target, &p, r, 0, 3, 1, 1, 1.0, kColourKey);
  EXPECT_EQ(c.at(0, 0), 0u);
}

TEST(DrawPicturePlacement, TallFrameStripsKeepEveryFrame) {
  // 3 frames of 30000 rows: 90000 rows, more than 16 bits can count.
  std::vector<uint32_t> src(90000, 0xFF000000);
  src[70000] = 0xFFABCDEF;
  const ImageRecord r = Picture(src, 1, 30000, 0, 3);
  Canvas c(1, 1, 0);
  DrawParams p = Place(1, 1, 1, 1);
  DrawPicture(&c.target, &p, r, 0, 70000, 1, 1, 1.0, kColourKey);
  EXPECT_EQ(c.at(0, 0), 0xFFABCDEFu);
}

TEST(DrawPicturePlacement, BlockSmallerThanItsFramesIsRefused) {
  std::vector<uint32_t> src(4, kWhite);
  ImageRecord r = Picture(src, 2, 2, 0, 2);  // claims 8 pixels
  Canvas c(2, 2, 0);
  engine::testing::GameLogReader log;
  Draw(c, Place(1, 1, 2, 2), r);
  EXPECT_EQ(c.px, std::vector<uint32_t>(4, 0));
  EXPECT_EQ(log.Lines().size(), 1u);
}

TEST(DrawPicturePlacement, ScalesToTheParamsSize) {
  std::vector<uint32_t> src = {0xFF000001, 0xFF000002};
  Canvas c(4, 1, 0);
  DrawParams p = Place(2, 1, 4, 1);
  DrawPicture(&c.target, &p, Picture(src, 2, 1, 0), 0, 0, 2, 1, 1.0, kColourKey);
  // Nearest 22.10: step (1 << 10) / 3 = 341 picks columns 0, 0, 1, 1.
  EXPECT_EQ(c.px, (std::vector<uint32_t>{0xFF000001, 0xFF000001, 0xFF000002, 0xFF000002}));
  std::vector<uint8_t> pal = {0, 2, 3};
  Canvas d(5, 1, 0);
  DrawParams q = Place(3, 1, 5, 1);
  DrawPicture(&d.target, &q, PalettePicture(pal, 3, 1, 0, 256), 0, 0, 3, 1, 1.0, kColourKey);
  // The palette scaler truncates: step (3 << 10) / 5 = 614 picks columns 0, 0, 1, 1, 2.
  EXPECT_EQ(d.px, (std::vector<uint32_t>{0xFFFF0000, 0xFFFF0000, 0xFF0000FF, 0xFF0000FF, 0xFFFFFFFF}));
}

TEST(DrawPicturePlacement, PaletteByReferenceIsRefused) {
  std::vector<uint8_t> src = {0};
  ImageRecord r = PalettePicture(src, 1, 1, kImageFlagPaletteRef, 256);
  Canvas c(1, 1, 0);
  engine::testing::GameLogReader log;
  Draw(c, Place(1, 1, 1, 1), r);
  EXPECT_EQ(c.at(0, 0), 0u);
  EXPECT_EQ(log.Lines().size(), 1u);
}

TEST(DrawPicturePlacement, HugeScalingTargetIsRefusedWithoutAllocating) {
  std::vector<uint32_t> src(4, kWhite);
  Canvas c(2, 2, 0);
  engine::testing::GameLogReader log;
  DrawParams p = Place(1, 1, 30000, 30000);
  DrawPicture(&c.target, &p, Picture(src, 2, 2, 0), 0, 0, 2, 2, 1.0, kColourKey);
  EXPECT_EQ(c.px, std::vector<uint32_t>(4, 0));
  EXPECT_EQ(log.Lines().size(), 1u);
}

TEST(DrawPicturePlacement, MissingTargetOrPixelsDrawNothing) {
  std::vector<uint32_t> src(4, kWhite);
  ImageRecord r = Picture(src, 2, 2, 0);
  DrawParams p = Place(1, 1, 2, 2);
  DrawPicture(nullptr, &p, r, 0, 0, 2, 2, 1.0, kColourKey);
  Canvas c(2, 2, 0);
  DrawPicture(&c.target, nullptr, r, 0, 0, 2, 2, 1.0, kColourKey);
  r.pixels = nullptr;
  DrawPicture(&c.target, &p, r, 0, 0, 2, 2, 1.0, kColourKey);
  EXPECT_EQ(c.px, std::vector<uint32_t>(4, 0));
}

// --- the offered members: keyed blits, pixel lists, the palette-only form --------------------

TEST(BlitKeyed, SkipsTheKeyColourAndFollowsTheOpacity) {
  const RECT all{0, 0, 3, 1};
  // Magenta (the key, whatever its alpha), a white pixel of alpha 0x40, an opaque blue one.
  std::vector<uint32_t> src = {0x12FF00FF, 0x40FFFFFF, 0xFF0000FF};
  const SourceBlock block{reinterpret_cast<const uint8_t*>(src.data()), 3, 1, 4, 0, 0, 3, 1};

  Canvas copy(3, 1, 0x80102030);
  BlitKeyed(copy.target, 0, 0, all, block, 1.0);
  EXPECT_EQ(copy.px, (std::vector<uint32_t>{0x80102030, 0x40FFFFFF, 0xFF0000FF})) << "whole words";

  Canvas faded(3, 1, 0x80102030);
  BlitKeyed(faded.target, 0, 0, all, block, 0.5);  // OP 127
  EXPECT_EQ(faded.at(0, 0), 0x80102030u);
  EXPECT_EQ(faded.at(1, 0), 0xFF868E96u);  // red (255*127 + 16*128)>>8 = 134, green 142, blue 150
  EXPECT_EQ(faded.at(2, 0), 0xFF081096u);  // red (16*128)>>8 = 8, green 16, blue 150

  Canvas own(3, 1, 0x80102030);
  BlitKeyed(own.target, 0, 0, all, block, -1.0);  // each pixel's own alpha
  EXPECT_EQ(own.at(1, 0), 0xFF4B5763u);           // red (255*64 + 16*191)>>8 = 75, green 87, blue 99
  EXPECT_EQ(own.at(2, 0), 0xFF0000FEu);           // alpha 255: (255*255)>>8

  Canvas none(3, 1, 0x80102030);
  BlitKeyed(none.target, 0, 0, all, block, 0.0);
  EXPECT_EQ(none.px, std::vector<uint32_t>(3, 0x80102030));

  // The key is the target's: another key lets magenta through and skips its own colour.
  Canvas other(3, 1, 0);
  other.target.colour_key = 0xFF0000;  // a COLORREF: pure blue
  BlitKeyed(other.target, 0, 0, all, block, 1.0);
  EXPECT_EQ(other.px, (std::vector<uint32_t>{0x12FF00FF, 0x40FFFFFF, 0}));
}

TEST(BlitKeyed, TheTurnedFormWalksTheTurnedSquareAndSkipsTheKey) {
  // The labelled 4x2 turned by 90 degrees, with source (2, 0) in the key colour.
  auto src = Labelled4x2();
  src[2] = 0xFFFF00FF;
  const SourceBlock block{reinterpret_cast<const uint8_t*>(src.data()), 4, 2, 4, 0, 0, 4, 2};
  Canvas c(4, 4, 0x12345678);
  BlitKeyedTurned(c.target, 0, 0, RECT{0, 0, 4, 4}, block, 90.0, 1.0);
  for (int j = 0; j < 4; ++j)
    for (int i = 0; i < 4; ++i) {
      const bool covered = j >= 1 && i >= 1 && i <= 2;
      const int sx = 4 - j, sy = i - 1;
      const bool keyed = covered && sx == 2 && sy == 0;
      const uint32_t want = covered && !keyed ? 0xFF000000u | uint32_t(sy) << 8 | uint32_t(sx) : 0x12345678u;
      EXPECT_EQ(c.at(i, j), want) << "at (" << i << "," << j << ")";
    }
}

TEST(DrawPixelList, DrawsThePixelsInsideTheAreaAtTheOrigin) {
  Canvas c(4, 4, 0x80102030);
  PixelNode outside{5, 0, 1, 1, 1, 255, nullptr};  // outside the area
  PixelNode half{1, 1, 0xFF, 0xFF, 0xFF, 0x40, &outside};
  PixelNode opaque{0, 0, 0x30, 0x20, 0x10, 255, &half};
  DrawPixelList(c.target, 2, 1, RECT{0, 0, 4, 4}, RECT{0, 0, 4, 4}, &opaque, 1.0);
  EXPECT_EQ(c.at(2, 1), 0xFF102030u) << "alpha 255 at full opacity is copied";
  EXPECT_EQ(c.at(3, 2), 0xFF4B5763u) << "alpha below 255 mixes by it";
  EXPECT_EQ(c.at(3, 1), 0x80102030u);

  // At any other opacity the weight is (OP * alpha) >> 8; the clip is kept.
  Canvas d(2, 1, 0xFF000000);
  PixelNode clipped{1, 0, 0xFF, 0xFF, 0xFF, 255, nullptr};
  PixelNode white{0, 0, 0xFF, 0xFF, 0xFF, 255, &clipped};
  DrawPixelList(d.target, 0, 0, RECT{0, 0, 2, 1}, RECT{0, 0, 1, 1}, &white, 0.5);  // w = (127*255)>>8 = 126
  EXPECT_EQ(d.at(0, 0), 0xFF7D7D7Du);
  EXPECT_EQ(d.at(1, 0), 0xFF000000u);
}

TEST(DrawPalettePicture, DrawsPalettePicturesAsDrawPictureDoesAndNothingElse) {
  std::vector<uint8_t> src = {0, 1, 4, 3, 2, 0};
  const ImageRecord r = PalettePicture(src, 3, 2, 0, 4);
  for (double angle : {0.0, 30.0}) {
    Canvas want(6, 6, 0x11223344), got(6, 6, 0x11223344);
    DrawParams a = Place(3, 3, 3, 2, angle), b = a;
    DrawPicture(&want.target, &a, r, 0, 0, 3, 2, 0.5, kColourKey);
    DrawPalettePicture(&got.target, &b, &r, 0, 0, 3, 2, 0.5);
    EXPECT_EQ(got.px, want.px) << "angle " << angle;
    EXPECT_NE(got.px, std::vector<uint32_t>(36, 0x11223344));
  }
  Canvas c(4, 4, 0x11223344);
  std::vector<uint32_t> words(4, kWhite);
  DrawParams p = Place(2, 2, 2, 2);
  const ImageRecord true_colour = Picture(words, 2, 2, 0);
  DrawPalettePicture(&c.target, &p, &true_colour, 0, 0, 2, 2, 1.0);
  DrawPalettePicture(&c.target, &p, nullptr, 0, 0, 2, 2, 1.0);
  EXPECT_EQ(c.px, std::vector<uint32_t>(16, 0x11223344));
}

TEST(BlendPixel, WeighsAlphaByOpacityAndKeepsTheLargerSide) {
  // a = (255 * 64) >> 8 = 63; alpha becomes max(63, 192).
  EXPECT_EQ(BlendPixel(0x0A000000, 0x40FFFFFF, 255) >> 24, 192u);
  EXPECT_EQ(BlendPixel(0x0A000000, 0x40FFFFFF, 255) & 0xFF, (255u * 63) >> 8);
  EXPECT_EQ(BlendPixel(0x00000000, 0x40ABCDEF, 255), 0x3FABCDEFu);
}

}  // namespace
