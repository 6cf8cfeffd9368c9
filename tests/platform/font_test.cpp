// ctest-labels: widgets
#include "platform/font.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(FindFontFile, WindowsAndUnknownNamesMapToTheCjkFace) {
  const platform::FontFileRef song = platform::FindFontFile("宋体", false);
  ASSERT_FALSE(song.path.empty());
  EXPECT_NE(song.path.find("wqy"), std::string::npos) << song.path;
  const platform::FontFileRef simsun = platform::FindFontFile("simsun", false);
  EXPECT_EQ(simsun.path, song.path);
  EXPECT_EQ(simsun.index, song.index);
  const platform::FontFileRef unknown = platform::FindFontFile("No Such Face 12345", false);
  EXPECT_EQ(unknown.path, song.path);
  EXPECT_EQ(unknown.index, song.index);
  // A name longer than any record holds, with a cut-off GBK character, is only a name.
  EXPECT_FALSE(platform::FindFontFile("\xC4", true).path.empty());
}

TEST(Font, AsciiIsHalfAsWideAsChineseAndTheCellHoldsTheGlyphs) {
  for (int height : {12, 15, 16, 20}) {
    auto font = platform::Font::Open("宋体", height, 400, false);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->PixelHeight(), height);
    EXPECT_EQ(font->Advance(U'你'), height);
    EXPECT_EQ(font->Advance(U'a'), (height + 1) / 2) << height;
    EXPECT_EQ(font->Advance(U'W'), (height + 1) / 2) << height;
    EXPECT_GT(font->Baseline(), height / 2);
    EXPECT_LT(font->Baseline(), height);

    platform::GlyphImage image;
    ASSERT_TRUE(font->RenderGlyph(U'你', true, image));
    // The ink stays within the character cell, give or take a pixel of overhang.
    EXPECT_LE(image.top, font->Baseline() + 1);
    EXPECT_LE(image.rows - image.top, height - font->Baseline() + 1);
    EXPECT_GE(image.left, -1);
    EXPECT_LE(image.left + image.width, height + 1);
  }
}

TEST(Font, SharpGlyphsHaveNoPartialCoverage) {
  auto font = platform::Font::Open("宋体", 16, 400, false);
  ASSERT_NE(font, nullptr);
  platform::GlyphImage sharp, smooth;
  ASSERT_TRUE(font->RenderGlyph(U'字', false, sharp));
  ASSERT_TRUE(font->RenderGlyph(U'字', true, smooth));
  ASSERT_EQ(sharp.coverage.size(), static_cast<size_t>(sharp.width * sharp.rows));
  EXPECT_TRUE(std::all_of(sharp.coverage.begin(), sharp.coverage.end(), [](uint8_t c) { return c == 0 || c == 255; }));
  EXPECT_GT(std::count(sharp.coverage.begin(), sharp.coverage.end(), 255), 20);
  EXPECT_TRUE(std::any_of(smooth.coverage.begin(), smooth.coverage.end(), [](uint8_t c) { return c > 0 && c < 255; }));
}

// Every pixel the smooth glyph inks visibly has sharp ink within a pixel of it: no stroke is lost,
// as the top bar of 子 was at 12 pixels.
TEST(Font, SharpSmallCharactersKeepEveryStrokeOfTheSmoothOnes) {
  const auto ink = [](const platform::GlyphImage& g, int x, int y) {  // baseline-relative, y up
    const int col = x - g.left, row = g.top - y;
    return col >= 0 && row >= 0 && col < g.width && row < g.rows ? g.coverage[row * g.width + col] : 0;
  };
  for (int height = 10; height <= 16; ++height) {
    auto font = platform::Font::Open("宋体", height, 400, false);
    ASSERT_NE(font, nullptr);
    for (const char32_t c : {U'跑', U'胡', U'子'}) {
      platform::GlyphImage sharp, smooth;
      ASSERT_TRUE(font->RenderGlyph(c, false, sharp));
      ASSERT_TRUE(font->RenderGlyph(c, true, smooth));
      int lost = 0;
      for (int y = smooth.top - smooth.rows + 1; y <= smooth.top; ++y) {
        for (int x = smooth.left; x < smooth.left + smooth.width; ++x) {
          bool near = false;
          for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) near = near || ink(sharp, x + dx, y + dy) != 0;
          lost += ink(smooth, x, y) >= 96 && !near ? 1 : 0;
        }
      }
      EXPECT_EQ(lost, 0) << "U+" << std::hex << static_cast<uint32_t>(c) << std::dec << " at " << height;
    }
  }
}

TEST(Font, BoldIsOnePixelWiderAndItalicKeepsTheAdvance) {
  auto regular = platform::Font::Open("宋体", 16, 400, false);
  auto bold = platform::Font::Open("宋体", 16, 700, false);
  auto italic = platform::Font::Open("宋体", 16, 400, true);
  ASSERT_TRUE(regular && bold && italic);
  EXPECT_EQ(bold->Advance(U'你'), regular->Advance(U'你') + 1);
  EXPECT_EQ(italic->Advance(U'你'), regular->Advance(U'你'));
  platform::GlyphImage a, b;
  ASSERT_TRUE(regular->RenderGlyph(U'一', false, a));
  ASSERT_TRUE(bold->RenderGlyph(U'一', false, b));
  EXPECT_GT(std::count(b.coverage.begin(), b.coverage.end(), 255),
            std::count(a.coverage.begin(), a.coverage.end(), 255));
}

TEST(Font, RefusesSizesNoCharacterHas) {
  EXPECT_EQ(platform::Font::Open("宋体", 0, 400, false), nullptr);
  EXPECT_EQ(platform::Font::Open("宋体", -3, 400, false), nullptr);
  EXPECT_EQ(platform::Font::Open("宋体", 100000, 400, false), nullptr);
}

}  // namespace
