// ctest-labels: widgets
#include "engine/ui/font_renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/ui/text_markup.h"

namespace {

using engine::FontRecord;
using engine::FontRenderer;

constexpr uint32_t kWhite = 0xFFFFFFFF;

// A surface with a canary tail, so writes past its end show.
struct Surface {
  Surface(int w, int h, uint32_t fill) : width(w), height(h), pixels(static_cast<size_t>(w * h) + 64, fill) {
    std::fill(pixels.begin() + w * h, pixels.end(), kCanary);
  }
  uint32_t& at(int x, int y) { return pixels[static_cast<size_t>(y * width + x)]; }
  bool CanaryIntact() const {
    return std::all_of(pixels.begin() + width * height, pixels.end(), [](uint32_t p) { return p == kCanary; });
  }
  static constexpr uint32_t kCanary = 0x12345678;
  int width;
  int height;
  std::vector<uint32_t> pixels;
};

// The box around every pixel that differs from background; empty (x0 > x1) when nothing does.
struct Box {
  int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
  bool empty() const { return x1 < x0; }
};

Box InkBox(Surface& s, uint32_t background, int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1) {
  if (x1 < 0) x1 = s.width;
  if (y1 < 0) y1 = s.height;
  Box box;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      if (s.at(x, y) == background) continue;
      box.x0 = std::min(box.x0, x);
      box.y0 = std::min(box.y0, y);
      box.x1 = std::max(box.x1, x);
      box.y1 = std::max(box.y1, y);
    }
  }
  return box;
}

class FontRendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    renderer.GetFont(&style);
    style.height = 16;
    renderer.SetFont(&style);
  }
  void Select() { renderer.SetFont(&style); }
  void Draw(Surface& s, int x, int y, const std::string& text) {
    renderer.DrawText(s.pixels.data(), s.width, s.height, x, y, text.c_str(), 7);
  }
  FontRenderer renderer;
  FontRecord style{};
};

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(FontRendererSetup, DefaultRecordIsSongTwelvePixelsBlackAndOpaque) {
  FontRenderer renderer;
  FontRecord record{};
  renderer.GetFont(&record);
  EXPECT_EQ(engine::FaceName(record), engine::kDefaultFaceName);
  EXPECT_EQ(record.height, 12);
  EXPECT_EQ(record.weight, 400);
  EXPECT_EQ(record.colour, 0u);
  EXPECT_EQ(record.wrap, 1u);
  EXPECT_EQ(record.alpha, 255u);
  EXPECT_EQ(renderer.FacesOpened(), 0u);  // faces open when text first needs them
  renderer.SetFont(nullptr);
  renderer.GetFont(nullptr);
}

TEST(FontRecordFace, LongNamesAreCutOnCharacterBoundaries) {
  FontRecord record{};
  const std::string name = std::string("a").append(Repeat("宋", 20));  // 41 bytes
  engine::SetFaceName(record, name);
  // 31 bytes, no half character. (Built with append: GCC 12 warns falsely on "a" + string.)
  EXPECT_EQ(engine::FaceName(record), std::string("a").append(Repeat("宋", 15)));
  EXPECT_EQ(record.face[31], '\0');
  std::memset(record.face, 'x', sizeof(record.face));  // no terminator at all
  EXPECT_EQ(engine::FaceName(record).size(), 32u);
}

TEST_F(FontRendererTest, AsciiIsHalfAsWideAsChineseAndRowsAreOneCharacterHigh) {
  EXPECT_EQ(renderer.MeasureText(1000, "ab").width, 16);
  EXPECT_EQ(renderer.MeasureText(1000, "你好").width, 32);
  const engine::TextExtent mixed = renderer.MeasureText(1000, "ab你好");
  EXPECT_EQ(mixed.width, 48);
  EXPECT_EQ(mixed.rows, 1);
  EXPECT_EQ(mixed.height, 16);
  EXPECT_EQ(renderer.MeasureHeight(1000, "ab你好"), 16);
}

TEST_F(FontRendererTest, CharacterSpaceIsPerByteAsTheCanvasEstimates) {
  style.char_space = 2;
  Select();
  EXPECT_EQ(renderer.MeasureText(1000, "ab").width, 2 * (8 + 2));
  EXPECT_EQ(renderer.MeasureText(1000, "你").width, 16 + 2 * 2);
}

TEST_F(FontRendererTest, ChineseWrapsAtTheWidthOnCharacterBoundaries) {
  const std::string text = Repeat("中", 20);
  engine::TextExtent extent = renderer.MeasureText(7 * 16 + 5, text.c_str());
  EXPECT_EQ(extent.rows, 3);  // 7 + 7 + 6
  EXPECT_EQ(extent.width, 7 * 16);
  EXPECT_EQ(extent.height, 3 * 16);
  style.row_space = 3;
  Select();
  EXPECT_EQ(renderer.MeasureHeight(7 * 16 + 5, text.c_str()), 3 * (16 + 3));
  // Margins come off the width.
  style.margin_left = 10;
  style.margin_right = 10;
  Select();
  EXPECT_EQ(renderer.MeasureText(7 * 16 + 20, text.c_str()).rows, 3);
  EXPECT_EQ(renderer.MeasureText(7 * 16 + 19, text.c_str()).rows, 4);
  // Without the wrap word only line feeds break rows.
  style.wrap = 0;
  Select();
  EXPECT_EQ(renderer.MeasureText(50, text.c_str()).rows, 1);
}

TEST_F(FontRendererTest, LatinWordsMoveToTheNextRowWhole) {
  engine::TextExtent extent = renderer.MeasureText(9 * 8, "hello world");
  EXPECT_EQ(extent.rows, 2);
  EXPECT_EQ(extent.width, 6 * 8);  // "hello " and "world"
  // A word longer than the row is broken where it must be.
  EXPECT_EQ(renderer.MeasureText(5 * 8, "abcdefghij").rows, 2);
  // A space that does not fit ends the row without opening an empty one.
  EXPECT_EQ(renderer.MeasureText(5 * 8, "abcde fghij").rows, 2);
  // Chinese may break before a Latin word.
  EXPECT_EQ(renderer.MeasureText(4 * 16, "中中中abcd").rows, 2);
}

TEST_F(FontRendererTest, LineFeedsBreakRowsAndCarriageReturnsAreIgnored) {
  EXPECT_EQ(renderer.MeasureText(1000, "a\nb").rows, 2);
  EXPECT_EQ(renderer.MeasureText(1000, "a\r\nb").rows, 2);
  EXPECT_EQ(renderer.MeasureText(1000, "a\r\nb").width, 8);
  EXPECT_EQ(renderer.MeasureText(1000, "a\n").rows, 1);
  EXPECT_EQ(renderer.MeasureText(1000, "a\n\nb").rows, 3);
  EXPECT_EQ(renderer.MeasureText(1000, "\n").height, 16);
  EXPECT_EQ(renderer.MeasureText(1000, "").height, 0);
  EXPECT_EQ(renderer.MeasureHeight(1000, nullptr), 0);
}

TEST_F(FontRendererTest, MarkupRunsTakeNoWidth) {
  const engine::TextExtent plain = renderer.MeasureText(1000, "ab你");
  const engine::TextExtent marked = renderer.MeasureText(1000, "<c=255>a<e=u,alpha:200>b<>你<color=00FF00>");
  EXPECT_EQ(marked.width, plain.width);
  EXPECT_EQ(marked.height, plain.height);
  // A larger size makes its row taller and its characters wider.
  const engine::TextExtent big = renderer.MeasureText(1000, "a<size=24>你");
  EXPECT_EQ(big.width, 8 + 24);
  EXPECT_EQ(big.height, 24);
  // "<>" restores the starting style.
  EXPECT_EQ(renderer.MeasureText(1000, "<size=24><>你").width, 16);
  // Not a tag: drawn as it stands.
  EXPECT_EQ(renderer.MeasureText(1000, "<z=qm>").width, 6 * 8);
  EXPECT_EQ(renderer.MeasureText(1000, "<c=255").width, 6 * 8);
  // The selected record is untouched by the text's tags.
  FontRecord after{};
  renderer.GetFont(&after);
  EXPECT_EQ(after.height, 16);
  EXPECT_EQ(after.colour, 0u);
}

TEST(TextMarkup, TagsChangeTheStyleTheyName) {
  FontRecord r{};
  EXPECT_TRUE(engine::ApplyMarkupTag("c=255", r));
  EXPECT_EQ(r.colour, 255u);
  EXPECT_TRUE(engine::ApplyMarkupTag("color=0000FF", r));
  EXPECT_EQ(r.colour, 0xFF0000u);  // blue, as a COLORREF
  EXPECT_TRUE(engine::ApplyMarkupTag("size:20", r));
  EXPECT_EQ(r.height, 20);
  EXPECT_TRUE(engine::ApplyMarkupTag("s=240", r));
  EXPECT_EQ(r.height, 16);
  EXPECT_TRUE(engine::ApplyMarkupTag("size=5000", r));
  EXPECT_EQ(r.height, engine::kMaxMarkupHeight);
  EXPECT_TRUE(engine::ApplyMarkupTag("e=b,e=u,e=i", r));
  EXPECT_EQ(r.weight, 700);
  EXPECT_EQ(r.underline, 1u);
  EXPECT_EQ(r.italic, 1u);
  EXPECT_TRUE(engine::ApplyMarkupTag("face=黑体", r));
  EXPECT_EQ(engine::FaceName(r), "黑体");
  // Half-understood tags apply what they understand.
  EXPECT_TRUE(engine::ApplyMarkupTag("zz=1, c = 7", r));
  EXPECT_EQ(r.colour, 7u);
  // Not tags: nothing changes.
  const FontRecord before = r;
  for (const char* bad : {"", "zz=1", "c=", "c=red", "size=0", "color=12345", "alpha=300", "c=99999999999", "plain"}) {
    EXPECT_FALSE(engine::ApplyMarkupTag(bad, r)) << bad;
  }
  EXPECT_EQ(std::memcmp(&before, &r, sizeof r), 0);
}

TEST_F(FontRendererTest, LayoutScriptAppliesAcceptedTagsToTheSelectedRecord) {
  EXPECT_EQ(renderer.LayoutScript("c=255>rest", 5), 1);
  EXPECT_EQ(renderer.LayoutScript("size:20", 7), 1);
  EXPECT_EQ(renderer.LayoutScript("zz=1", 4), 0);
  EXPECT_EQ(renderer.LayoutScript("", 0), 1);  // "<>"
  EXPECT_EQ(renderer.LayoutScript(nullptr, 3), 0);
  EXPECT_EQ(renderer.LayoutScript("c=1", -1), 0);
  FontRecord record{};
  renderer.GetFont(&record);
  EXPECT_EQ(record.colour, 255u);
  EXPECT_EQ(record.height, 20);
}

TEST_F(FontRendererTest, DrawsAGbkLineInsideItsBoxInTheTextColour) {
  Surface s(120, 30, kWhite);
  Draw(s, 10, 5, "你好世界");
  const Box box = InkBox(s, kWhite);
  ASSERT_FALSE(box.empty());
  EXPECT_GE(box.x0, 9);
  EXPECT_LE(box.x1, 10 + 64);
  EXPECT_GE(box.y0, 5);
  EXPECT_LE(box.y1, 5 + 16);
  EXPECT_GT(box.x1 - box.x0, 50);  // four characters, not one
  // Fully covered pixels are the text colour; anti-aliased edges lie between.
  int full = 0, between = 0;
  for (uint32_t p : s.pixels) {
    if (p == 0xFF000000)
      ++full;
    else if (p != kWhite && p != Surface::kCanary) {
      ++between;
      EXPECT_EQ(p >> 24, 0xFFu);
    }
  }
  EXPECT_GT(full, 10);
  EXPECT_GT(between, 0);

  Surface red(120, 30, kWhite);
  style.colour = 0x0000FF;  // COLORREF red
  Select();
  Draw(red, 10, 5, "你好世界");
  EXPECT_GT(std::count(red.pixels.begin(), red.pixels.end(), 0xFFFF0000u), 10);
  EXPECT_EQ(std::count(red.pixels.begin(), red.pixels.end(), 0xFF000000u), 0);
}

TEST_F(FontRendererTest, MarkupColoursTheTextAfterIt) {
  Surface s(120, 20, kWhite);
  Draw(s, 0, 0, "中<c=16711680>中<>中");  // black, blue, black
  // Blue ink (blue well above red) lies in the second cell only; the other two are grey.
  int blue = 0;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 120; ++x) {
      const uint32_t p = s.at(x, y);
      if ((p & 0xFF) > (p >> 16 & 0xFF) + 40) {
        ++blue;
        EXPECT_GE(x, 15);
        EXPECT_LT(x, 33);
      }
    }
  }
  EXPECT_GT(blue, 20);
  EXPECT_FALSE(InkBox(s, kWhite, 0, 0, 16, 20).empty());
  EXPECT_FALSE(InkBox(s, kWhite, 32, 0, 48, 20).empty());
}

TEST_F(FontRendererTest, KeyedSurfacesGetPlainTextColourWithoutFringe) {
  style.colour = 0x00FF00;
  Select();
  for (uint32_t background : {0x00000000u, 0x00FF00FFu, 0xFFFF00FFu}) {
    Surface s(120, 24, background);
    Draw(s, 2, 2, "你好abc世界");
    int ink = 0;
    for (int i = 0; i < s.width * s.height; ++i) {
      const uint32_t p = s.pixels[i];
      if (p == background) continue;
      ++ink;
      EXPECT_EQ(p, 0xFF00FF00u) << std::hex << background << " pixel " << p;
    }
    EXPECT_GT(ink, 60);
  }
  // Half alpha on a keyed surface: the text colour with the alpha byte, never a blend with the key.
  style.alpha = 128;
  Select();
  Surface s(120, 24, 0x00FF00FF);
  Draw(s, 2, 2, "你好");
  for (int i = 0; i < s.width * s.height; ++i) {
    EXPECT_TRUE(s.pixels[i] == 0x00FF00FFu || s.pixels[i] == 0x8000FF00u) << std::hex << s.pixels[i];
  }
}

TEST_F(FontRendererTest, TextAcrossAKeyedEdgeLeavesNoFringeOnTheKeyedSide) {
  // The left half is opaque white, the right half transparent.
  Surface s(160, 24, kWhite);
  for (int y = 0; y < 24; ++y) {
    for (int x = 80; x < 160; ++x) s.at(x, y) = 0;
  }
  Draw(s, 0, 2, "左右两边都有字左右两边都有字");
  int between = 0;
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 160; ++x) {
      const uint32_t p = s.at(x, y);
      if (x >= 80) {
        EXPECT_TRUE(p == 0 || p == 0xFF000000u) << x << "," << y << " " << std::hex << p;
      } else if (p != kWhite && p != 0xFF000000u) {
        ++between;
      }
    }
  }
  EXPECT_GT(between, 0);  // the opaque side keeps its anti-aliasing
  EXPECT_FALSE(InkBox(s, 0, 80, 0, 160, 24).empty());
}

TEST_F(FontRendererTest, OpaqueSurfacesBlendWithTheTextAlpha) {
  style.alpha = 128;
  Select();
  Surface s(60, 20, kWhite);
  Draw(s, 0, 0, "中");
  uint32_t darkest = kWhite;
  for (uint32_t p : s.pixels) {
    if (p != Surface::kCanary) darkest = std::min(darkest, p);
  }
  // Black at half opacity over white.
  EXPECT_EQ(darkest >> 24, 0xFFu);
  EXPECT_NEAR(static_cast<int>(darkest & 0xFF), 127, 1);
  EXPECT_EQ(darkest & 0xFF, darkest >> 8 & 0xFF);
  // Fully transparent text draws nothing.
  style.alpha = 0;
  Select();
  Surface none(60, 20, kWhite);
  Draw(none, 0, 0, "中");
  EXPECT_TRUE(InkBox(none, kWhite).empty());
}

TEST_F(FontRendererTest, NothingIsWrittenOutsideTheSurface) {
  const std::string text = Repeat("边界ab", 10);
  Surface s(40, 20, kWhite);
  for (auto [x, y] : {std::pair{-7, -5}, {30, 12}, {-1000, 0}, {0, -1000}, {1 << 30, 0}, {0, -(1 << 30)}, {35, 19}}) {
    Draw(s, x, y, text);
    ASSERT_TRUE(s.CanaryIntact()) << x << "," << y;
  }
  EXPECT_FALSE(InkBox(s, kWhite).empty());
  // Margins so wide that no room is left: one character per row, still inside.
  style.margin_left = 1 << 30;
  style.margin_right = 1 << 30;
  Select();
  Draw(s, 0, 0, text);
  EXPECT_TRUE(s.CanaryIntact());
  renderer.DrawText(nullptr, 10, 10, 0, 0, "a", 0);
  renderer.DrawText(s.pixels.data(), 0, 10, 0, 0, "a", 0);
  renderer.DrawText(s.pixels.data(), 10, 10, 0, 0, nullptr, 0);
}

TEST_F(FontRendererTest, DrawnRowsFollowTheMarginsAndWrapping) {
  style.margin_left = 10;
  style.margin_right = 10;
  style.row_space = 4;
  Select();
  Surface s(100, 100, kWhite);
  Draw(s, 0, 0, Repeat("中", 12));  // 80 pixels of room: 5 + 5 + 2
  const Box box = InkBox(s, kWhite);
  EXPECT_GE(box.x0, 9);
  EXPECT_LE(box.x1, 91);
  // Three rows 20 pixels apart; the third only two characters wide.
  for (int row = 0; row < 3; ++row) EXPECT_FALSE(InkBox(s, kWhite, 0, row * 20, 100, row * 20 + 16).empty()) << row;
  EXPECT_TRUE(InkBox(s, kWhite, 0, 60, 100, 100).empty());
  EXPECT_LE(InkBox(s, kWhite, 0, 40, 100, 60).x1, 10 + 32);
  // Starting right of the left margin: the rows start there and have less room.
  Surface t(100, 100, kWhite);
  Draw(t, 20, 0, Repeat("中", 6));  // 70 pixels of room: 4 + 2
  EXPECT_GE(InkBox(t, kWhite).x0, 19);
  EXPECT_LE(InkBox(t, kWhite, 0, 0, 100, 16).x1, 20 + 64);
  EXPECT_LE(InkBox(t, kWhite, 0, 20, 100, 36).x1, 20 + 32);
  EXPECT_TRUE(InkBox(t, kWhite, 0, 40, 100, 100).empty());
}

TEST_F(FontRendererTest, ALineCentredBetweenTheMarginsStaysOneRow) {
  // What a canvas does with a wrapped line: it sizes the line to fit between the margins and
  // draws it centred by its estimate.
  style.margin_left = 10;
  style.margin_right = 10;
  Select();
  Surface s(200, 40, kWhite);
  const std::string line = Repeat("中", 11);  // 176 of the 180 pixels between the margins
  EXPECT_EQ(renderer.MeasureText(200, line.c_str()).rows, 1);
  Draw(s, (200 - 176) / 2, 0, line);
  const Box box = InkBox(s, kWhite);
  EXPECT_LT(box.y1, 18);
  EXPECT_GE(box.x0, 11);
  EXPECT_LE(box.x1, 189);
  EXPECT_GE(box.x1, 180);
}

TEST_F(FontRendererTest, BoldIsWiderAndUnderlineRunsUnderTheText) {
  const int regular_width = renderer.MeasureText(1000, "你好").width;
  style.weight = 700;
  Select();
  EXPECT_EQ(renderer.MeasureText(1000, "你好").width, regular_width + 2);

  style.weight = 400;
  style.underline = 1;
  Select();
  Surface s(80, 20, kWhite);
  Draw(s, 0, 0, "ab cd");
  // Some row below the middle is inked along the whole text, spaces included.
  bool found = false;
  for (int y = 8; y < 20 && !found; ++y) {
    found = std::all_of(&s.at(0, y), &s.at(0, y) + 40, [](uint32_t p) { return p == 0xFF000000u; });
  }
  EXPECT_TRUE(found);
}

TEST_F(FontRendererTest, FacesOpenOnlyForNewFaceSizeWeightOrSlant) {
  renderer.MeasureText(100, "a");
  const size_t opened = renderer.FacesOpened();
  EXPECT_EQ(opened, 1u);
  style.colour = 0x123456;
  style.alpha = 10;
  style.row_space = 5;
  style.underline = 1;
  Select();
  renderer.MeasureText(100, "a");
  EXPECT_EQ(renderer.FacesOpened(), opened);
  style.height = 20;
  Select();
  renderer.MeasureText(100, "a");
  EXPECT_EQ(renderer.FacesOpened(), opened + 1);
  style.height = 16;
  Select();
  renderer.MeasureText(100, "a");
  EXPECT_EQ(renderer.FacesOpened(), opened + 1);  // kept from before
  style.weight = 700;
  Select();
  renderer.MeasureText(100, "a");
  style.italic = 1;
  Select();
  renderer.MeasureText(100, "a");
  EXPECT_EQ(renderer.FacesOpened(), opened + 3);
  renderer.Release();
  renderer.MeasureText(100, "a");
  EXPECT_EQ(renderer.FacesOpened(), opened + 4);
}

TEST_F(FontRendererTest, CachedGlyphsDrawTheSamePixels) {
  Surface first(200, 20, kWhite), second(200, 20, kWhite);
  Draw(first, 0, 0, "缓存的字形ab");
  const size_t cached = renderer.CachedGlyphs();
  EXPECT_EQ(cached, 7u);
  Draw(second, 0, 0, "缓存的字形ab");
  EXPECT_EQ(renderer.CachedGlyphs(), cached);
  EXPECT_EQ(first.pixels, second.pixels);
}

TEST_F(FontRendererTest, DrawTextBlockPlacesTheTextInTheSurface) {
  engine::TextBlock block;
  block.width = 200;
  block.height = 100;
  engine::TextPosition p =
      renderer.DrawTextBlock(200, 100, "你好", &block, engine::kPlaceCentre, engine::kPlaceCentre, 0);
  EXPECT_EQ(p.x, (200 - 32) / 2);
  EXPECT_EQ(p.y, (100 - 16) / 2);
  EXPECT_EQ(block.text_width, 32);
  EXPECT_EQ(block.text_height, 16);
  p = renderer.DrawTextBlock(200, 100, "你好", nullptr, engine::kPlaceEnd, engine::kPlaceEnd, 5);
  EXPECT_EQ(p.x, 200 - 5 - 32);
  EXPECT_EQ(p.y, 100 - 5 - 16);
  p = renderer.DrawTextBlock(200, 100, "你好", nullptr, engine::kPlaceStart, engine::kPlaceStart, 5);
  EXPECT_EQ(p.x, 5);
  EXPECT_EQ(p.y, 5);
  // Across, the text lines up between the margins.
  style.margin_left = 10;
  style.margin_right = 30;
  Select();
  p = renderer.DrawTextBlock(200, 100, "你好", nullptr, engine::kPlaceCentre, engine::kPlaceStart, 0);
  EXPECT_EQ(p.x, 10 + (160 - 32) / 2);
  p = renderer.DrawTextBlock(200, 100, "你好", nullptr, engine::kPlaceEnd, engine::kPlaceStart, 0);
  EXPECT_EQ(p.x, 200 - 30 - 32);
  style.margin_left = 0;
  style.margin_right = 0;
  Select();
  // Drawn where it says, the text lies in the middle and wraps as it was measured.
  const std::string text = Repeat("中", 15);
  p = renderer.DrawTextBlock(100, 100, text.c_str(), &block, engine::kPlaceCentre, engine::kPlaceCentre, 0);
  EXPECT_EQ(block.text_width, 96);
  EXPECT_EQ(block.text_height, 48);
  Surface s(100, 100, kWhite);
  Draw(s, p.x, p.y, text);
  const Box box = InkBox(s, kWhite);
  EXPECT_GE(box.x0, 1);
  EXPECT_LE(box.x1, 99);
  EXPECT_GE(box.y0, 26);
  EXPECT_LE(box.y1, 74);
}

TEST_F(FontRendererTest, HooksRunWhenCalled) {
  renderer.CallbackA();  // no hooks: nothing happens
  std::string calls;
  renderer.SetHooks([&] { calls += 'a'; }, [&] { calls += 'b'; });
  renderer.CallbackA();
  renderer.CallbackB();
  EXPECT_EQ(calls, "ab");
}

TEST_F(FontRendererTest, BrokenGbkNeverSplitsOrOverruns) {
  // A lead byte at the very end stands for one replacement character.
  EXPECT_EQ(renderer.MeasureText(1000, "ab\xC4").width, 3 * 8);
  // 0x80 is the euro sign, one byte; an undefined pair is one replacement character.
  EXPECT_EQ(renderer.MeasureText(1000, "\x80").rows, 1);
  EXPECT_EQ(renderer.MeasureText(1000, "\xFF\xFF").width, 8);
  // A trail byte that looks like '<' or '>' never starts or ends a tag: GBK trail bytes are 0x40 and above.
  Surface s(100, 20, kWhite);
  Draw(s, 0, 0, "\xC4\xE3<c=255>\xC4");
  EXPECT_TRUE(s.CanaryIntact());
  EXPECT_GT(std::count(s.pixels.begin(), s.pixels.end(), 0xFFFF0000u), 0);  // the '?' is red
}

}  // namespace
