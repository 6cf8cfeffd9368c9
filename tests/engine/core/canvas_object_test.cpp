// ctest-labels: widgets
#include "engine/core/canvas_object.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/core/colour_key.h"
#include "engine/core/game_core.h"
#include "engine/core/object_module.h"
#include "engine/media/gdi_paint_module.h"
#include "engine/ui/font_renderer.h"
#include "tests/support/engine_fixture.h"

namespace {

using engine::CanvasObject;
using engine::ImageRecord;
using engine::PictureInfo;

// A canvas that records the lines its wrapped text hands to DrawTextCentred.
class LineCanvas : public CanvasObject {
 public:
  struct Line {
    int32_t cx;
    int32_t cy;
    std::string text;
  };
  void DrawTextCentred(int32_t cx, int32_t cy, const char* text) override {
    lines.push_back({cx, cy, text});
    CanvasObject::DrawTextCentred(cx, cy, text);
  }
  std::vector<Line> lines;
};

// A true-colour picture record of w x h x frames, every pixel from fn(x, y, frame).
struct TestPicture {
  template <class Fn>
  TestPicture(int w, int h, int frames, Fn fn) : pixels(static_cast<size_t>(w) * h * frames) {
    for (int f = 0; f < frames; ++f) {
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) pixels[(static_cast<size_t>(f) * h + y) * w + x] = fn(x, y, f);
      }
    }
    record.serial = 7;
    record.width = static_cast<uint16_t>(w);
    record.height = static_cast<uint16_t>(h);
    record.pixels = reinterpret_cast<uint8_t*>(pixels.data());
    record.data_size = static_cast<uint32_t>(pixels.size() * 4);
    record.colour_key = engine::kColourKey;
    record.frame_count = static_cast<uint16_t>(frames);
    record.flags = engine::kImageFlagTransparent | engine::kImageFlagAlpha;
    record.frame_columns = 1;
    info.serial = 7;
    info.record = &record;
    info.width = w;
    info.height = h;
    info.backdrop = engine::kColourKey;
  }
  std::vector<uint32_t> pixels;
  ImageRecord record;
  PictureInfo info;
};

class CanvasTest : public test::SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    objects_->SetFontRenderer(&renderer_);
  }
  void TearDown() override { SceneFixture::TearDown(); }
  CanvasObject* Make(int w, int h, engine::COLORREF fill = engine::kColourKey) {
    return static_cast<CanvasObject*>(objects_->CreateCanvas(w, h, fill, nullptr));
  }
  static std::vector<std::pair<int, int>> Drawn(CanvasObject* c) {
    std::vector<std::pair<int, int>> out;
    for (int y = 0; y < c->GetSurfaceHeight(); ++y) {
      for (int x = 0; x < c->GetSurfaceWidth(); ++x) {
        if (c->GetPixelAlpha(x, y) != 0) out.emplace_back(x, y);
      }
    }
    return out;
  }

  engine::FontRenderer renderer_;
};

TEST_F(CanvasTest, PixelsFromColourReferences) {
  CanvasObject* c = Make(4, 4);
  EXPECT_EQ(c->MakePixel(0x0000FF, engine::kColourKey), 0xFFFF0000u);
  EXPECT_EQ(c->MakePixel(engine::kColourKey, engine::kColourKey), 0x00FF00FFu);
  EXPECT_EQ(c->MakePixel(0x123456, engine::kColourKey), 0xFF563412u);
  c->SetPixel(1, 2, 0x123456);
  EXPECT_EQ(c->GetPixel(1, 2), 0x123456u);
  EXPECT_EQ(c->GetPixelAlpha(1, 2), 255);
}

TEST_F(CanvasTest, NewSurfacesAreClearedToTheFillColour) {
  CanvasObject* keyed = Make(5, 3);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(keyed->GetPixels()[i], 0u);
  CanvasObject* black = Make(5, 3, 0x000000);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(black->GetPixels()[i], 0xFF000000u);
  EXPECT_EQ(black->GetWidth(), 5.0);
  EXPECT_EQ(black->GetSurfaceHeight(), 3);
  EXPECT_EQ(black->GetKind(), 3);
  EXPECT_EQ(black->GetDrawImage()->GetRecord()->flags & 0xFF, 9u);
}

TEST_F(CanvasTest, LinesIncludeTheirEndsOnlyWhenStraight) {
  CanvasObject* c = Make(8, 8);
  c->DrawLine(0, 0, 4, 2);
  EXPECT_EQ(Drawn(c), (std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
  c->Clear();
  c->DrawLine(0, 0, 4, 0);
  EXPECT_EQ(Drawn(c).size(), 5u);
  c->Clear();
  c->DrawLine(1, 6, 1, 2);
  EXPECT_EQ(Drawn(c).size(), 5u);
  c->Clear();
  c->DrawLine(2, 0, 3, 6);  // steep: along y, end point left out
  EXPECT_EQ(Drawn(c), (std::vector<std::pair<int, int>>{{2, 0}, {2, 1}, {2, 2}, {2, 3}, {2, 4}, {2, 5}}));
  c->Clear();
  c->DrawLine(-100, -50, 200, 90);  // mostly outside: only the part on the surface is drawn
  for (auto [x, y] : Drawn(c)) EXPECT_TRUE(x >= 0 && x < 8 && y >= 0 && y < 8);
}

TEST_F(CanvasTest, RectanglesClampAndSkipEmptyOnes) {
  CanvasObject* c = Make(10, 10);
  c->DrawRect(5, 5, 5, 9, false);
  EXPECT_TRUE(Drawn(c).empty());
  c->DrawRect(8, 8, 2, 2, true);  // corners in any order, ends inclusive
  EXPECT_EQ(Drawn(c).size(), 49u);
  c->Clear();
  c->DrawRect(-5, -5, 20, 3, false);  // clamped to (0,0)-(9,3): outline
  EXPECT_EQ(Drawn(c).size(), 10u + 10u + 2u + 2u);
  c->Clear();
  c->DrawDottedRect(0, 0, 4, 4);
  EXPECT_EQ(c->GetPixelAlpha(0, 0), 255);
  EXPECT_EQ(c->GetPixelAlpha(1, 0), 0);
  EXPECT_EQ(c->GetPixelAlpha(2, 0), 255);
}

TEST_F(CanvasTest, FillAndReadsKeepToTheSurface) {
  CanvasObject* c = Make(6, 4);
  c->SetFillColour(0x0000FF);
  c->FillRect(-10, 2, 100, 100);
  EXPECT_EQ(Drawn(c).size(), 12u);
  EXPECT_EQ(c->GetPixel(0, 3), 0x0000FFu);
  EXPECT_EQ(c->GetPixel(6, 0), 0u);
  EXPECT_EQ(c->GetPixel(-1, 0), 0u);
  EXPECT_EQ(c->GetPixelAlpha(0, 4), 0);
  c->SetPixelAlpha(0, 3, 1.5);  // kept at 255 instead of wrapping
  EXPECT_EQ(c->GetPixelAlpha(0, 3), 255);
  c->SetPixelAlpha(0, 3, 0.5);
  EXPECT_EQ(c->GetPixelAlpha(0, 3), 127);
  c->SetPixel(9, 9, 0);  // ignored
}

TEST_F(CanvasTest, BordersFollowTheEdges) {
  CanvasObject* c = Make(6, 5);
  c->DrawBorder(0x00FF00, 2);
  EXPECT_EQ(Drawn(c).size(), 30u - 2u);  // only the 2 x 1 middle stays empty
  c->Clear();
  c->DrawDottedBorder(0x00FF00);
  EXPECT_EQ(c->GetPixelAlpha(0, 0), 255);
  EXPECT_EQ(c->GetPixelAlpha(1, 0), 0);
  EXPECT_EQ(c->GetPixelAlpha(4, 4), 255);
  EXPECT_EQ(c->GetPixelAlpha(5, 1), 0);
  EXPECT_EQ(c->GetPixelAlpha(5, 2), 255);
}

TEST_F(CanvasTest, ColourEffects) {
  CanvasObject* c = Make(3, 2, 0x000000);
  c->SetPixel(0, 0, 0x8040FF);
  c->SetPixel(1, 0, engine::kColourKey);  // the key colour: transparent
  c->InvertRect(0, 0, 2, 2);
  EXPECT_EQ(c->GetPixel(0, 0), 0x7FBF00u);
  EXPECT_EQ(c->GetPixel(2, 0), 0xFFFFFFu);
  EXPECT_EQ(c->GetPixelAlpha(1, 0), 0) << "transparent pixels are not inverted";

  c->Darken();
  EXPECT_EQ(c->GetPixel(0, 0), 0x3F5F00u);

  c->SetPixel(0, 0, 0x000000);
  c->Tint(0xFFFFFF, 1.0);
  EXPECT_EQ(c->GetPixel(0, 0), 0xFEFEFEu);  // (0 * 0 + 255 * 255) >> 8
  c->SetPixel(0, 0, 0x0000FF);
  c->Tint(0x000000, 0.5);
  EXPECT_EQ(c->GetPixel(0, 0), 0x00007Fu);  // a = 127: (255 * 128) >> 8
}

TEST_F(CanvasTest, ColourKeyMakesEveryKeyedPixelTransparent) {
  CanvasObject* c = Make(4, 4, 0x000000);
  c->SetPixel(0, 0, 0x00FF00);
  c->SetPixel(3, 3, 0x00FF00);
  c->SetKeyColour(0x00FF00);
  EXPECT_EQ(c->GetKeyColour(), 0x00FF00u);
  EXPECT_EQ(c->GetPixelAlpha(0, 0), 0);
  EXPECT_EQ(c->GetPixelAlpha(3, 3), 0);
  EXPECT_EQ(Drawn(c).size(), 14u);
}

TEST_F(CanvasTest, KeyedPicturesDrawOnlyTheirOpaquePixels) {
  // A 4 x 4 picture with a key-coloured left half and a red right half.
  TestPicture picture(4, 4, 1, [](int x, int, int) { return x < 2 ? 0xFFFF00FFu : 0xFFFF0000u; });
  CanvasObject* c = Make(8, 8);
  c->DrawImage(&picture.info, 2, 2, -1, -1, 0.0, 1.0);
  EXPECT_EQ(c->GetPixelAlpha(2, 2), 0) << "key-coloured pixels become transparent";
  EXPECT_EQ(c->GetPixel(4, 2), 0x0000FFu);
  EXPECT_EQ(c->GetPixel(5, 5), 0x0000FFu);
  EXPECT_EQ(c->GetPixelAlpha(6, 2), 0);
  EXPECT_EQ(Drawn(c).size(), 8u);

  // Width 0 scales to the whole surface.
  CanvasObject* whole = Make(8, 8);
  whole->DrawImage(&picture.info, 0, 0, 0, 0, 0.0, 1.0);
  EXPECT_EQ(Drawn(whole).size(), 32u);
  whole->DrawImage(nullptr, 0, 0, 0, 0, 0.0, 1.0);
}

TEST_F(CanvasTest, LaterFramesOfStackedPictures) {
  TestPicture picture(2, 2, 3, [](int, int, int f) { return 0xFF000000u | static_cast<uint32_t>(f + 1); });
  picture.info.frame = 2;
  CanvasObject* c = Make(2, 2);
  c->DrawImage(&picture.info, 0, 0, -1, -1, 0.0, 1.0);
  EXPECT_EQ(c->GetPixel(1, 1), 0x030000u);
  picture.info.frame = 3;  // no such frame: nothing is drawn
  CanvasObject* d = Make(2, 2);
  d->DrawImage(&picture.info, 0, 0, -1, -1, 0.0, 1.0);
  EXPECT_TRUE(Drawn(d).empty());
}

// The colour of each row of column 1, as COLORREFs (0 where nothing is drawn).
std::vector<uint32_t> RowColours(CanvasObject* c) {
  std::vector<uint32_t> rows;
  for (int y = 0; y < c->GetSurfaceHeight(); ++y) rows.push_back(c->GetPixelAlpha(1, y) != 0 ? c->GetPixel(1, y) : 0);
  return rows;
}

TEST_F(CanvasTest, ThreePiecesStackToTheObjectsHeight) {
  TestPicture top(4, 2, 1, [](int, int, int) { return 0xFFFF0000u; });     // red
  TestPicture middle(4, 1, 1, [](int, int, int) { return 0xFF00FF00u; });  // green
  TestPicture bottom(4, 2, 1, [](int, int, int) { return 0xFF0000FFu; });  // blue
  CanvasObject* c = Make(4, 10);
  c->DrawThreePartsV(&top.info, &middle.info, &bottom.info);
  const uint32_t r = 0x0000FF, g = 0x00FF00, b = 0xFF0000;
  EXPECT_EQ(RowColours(c), (std::vector<uint32_t>{r, r, g, g, g, g, g, g, b, b}));

  // Lower than both end pieces: each takes half, the bottom one the lower half.
  CanvasObject* low = Make(4, 3);
  low->DrawThreePartsV(&top.info, &middle.info, &bottom.info);
  EXPECT_EQ(RowColours(low), (std::vector<uint32_t>{r, 0, b}));
}

TEST_F(CanvasTest, StretchedPictureKeepsItsEndsAndStretchesItsMiddle) {
  TestPicture picture(4, 4, 1, [](int, int y, int) { return 0xFF000000u | static_cast<uint32_t>(y + 1); });
  CanvasObject* c = Make(4, 10);
  c->DrawStretchedV(picture.info);
  // Rows as COLORREFs: source row y has blue = y + 1, that is 0x(y+1)0000.
  auto row = [](uint32_t y) { return (y + 1) << 16; };
  EXPECT_EQ(RowColours(c),
            (std::vector<uint32_t>{row(0), row(1), row(2), row(2), row(2), row(2), row(2), row(2), row(2), row(3)}));
  // Across: columns likewise.
  TestPicture across(4, 4, 1, [](int x, int, int) { return 0xFF000000u | static_cast<uint32_t>(x + 1); });
  CanvasObject* wide = Make(10, 2);
  wide->DrawStretchedH(across.info);
  std::vector<uint32_t> columns;
  for (int x = 0; x < 10; ++x) columns.push_back(wide->GetPixel(x, 0) >> 16);
  EXPECT_EQ(columns, (std::vector<uint32_t>{1, 2, 3, 3, 3, 3, 3, 3, 3, 4}));
  // A picture taller than the object: the first and last rows that fit.
  CanvasObject* short_canvas = Make(4, 3);
  short_canvas->DrawStretchedV(picture.info);
  EXPECT_EQ(RowColours(short_canvas), (std::vector<uint32_t>{row(0), row(1), row(3)}));
}

TEST_F(CanvasTest, MaskKeepsAlphaWhereTheMaskIsOpaque) {
  TestPicture mask(3, 1, 1, [](int x, int, int) { return x == 1 ? 0x00000000u : 0xFF000000u; });
  CanvasObject* c = Make(3, 1, 0x000000);
  c->MaskWith(&mask.info);
  EXPECT_EQ(c->GetPixelAlpha(0, 0), 255);
  EXPECT_EQ(c->GetPixelAlpha(1, 0), 0);
  EXPECT_EQ(c->GetPixelAlpha(2, 0), 255);
  TestPicture other_size(2, 1, 1, [](int, int, int) { return 0u; });
  c->MaskWith(&other_size.info);
  EXPECT_EQ(c->GetPixelAlpha(0, 0), 255) << "a mask of another size changes nothing";
}

TEST_F(CanvasTest, ResizedSurfaceStaysConsistent) {
  CanvasObject* c = Make(4, 2, 0x000000);
  c->SetPixel(3, 1, 0xFFFFFF);
  c->ResizeSurface(8, 4);
  EXPECT_EQ(c->GetSurfaceWidth(), 8);
  EXPECT_EQ(c->GetSurfaceHeight(), 4);
  const ImageRecord* record = c->GetDrawImage()->GetRecord();
  EXPECT_EQ(record->width, 8);
  EXPECT_EQ(record->data_size, 8u * 4u * 4u);
  EXPECT_EQ(c->GetWidth(), 4.0) << "the object's own size is not changed";
  EXPECT_EQ(c->GetPixel(7, 3), 0xFFFFFFu);
  EXPECT_EQ(c->GetPixel(0, 0), 0u);
  EXPECT_EQ(c->GetPixelAlpha(0, 0), 255);
  c->ResizeSurface(0, 5);  // ignored
  EXPECT_EQ(c->GetSurfaceWidth(), 8);
  c->CreateSurface(3, 3, engine::kColourKey, &renderer_);  // a second surface replaces the first
  EXPECT_EQ(c->GetSurfaceWidth(), 3);
  c->CreateSurface(-3, 3, engine::kColourKey, &renderer_);
  EXPECT_EQ(c->GetPixels(), nullptr);
  c->DrawLine(0, 0, 5, 5);
  c->Clear();
  EXPECT_EQ(c->GetPixel(0, 0), 0u);
}

TEST_F(CanvasTest, TextWidthEstimate) {
  CanvasObject* c = Make(100, 24);
  c->SetFont(12, 400, engine::kDefaultFaceName);
  c->SetTextSpacing(1, -1);
  EXPECT_EQ(c->EstimateWidth("ab", 2), 14);
  EXPECT_EQ(c->EstimateWidth("确定", 4), 28);
  const char lone_lead[] = {'a', static_cast<char>(0xB0), '\0'};
  EXPECT_EQ(c->EstimateWidth(lone_lead, 2), 14) << "a lead byte at the end counts as one byte";
}

TEST_F(CanvasTest, TextIsDrawnAndTheRendererKeepsItsStyle) {
  CanvasObject* c = Make(120, 30);
  c->SetFont(16, 400, engine::kDefaultFaceName);
  c->SetTextColour(0x0000FF, 1.0);
  engine::FontRecord before{};
  renderer_.GetFont(&before);
  c->DrawText(2, 2, "Hello 确定");
  EXPECT_FALSE(Drawn(c).empty());
  engine::FontRecord after{};
  renderer_.GetFont(&after);
  EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
  EXPECT_GT(c->MeasureText("Hello", 120), 0);
  c->DrawText(2, 2, nullptr);
  c->DrawTextCentred(60, 15, nullptr);
  c->DrawWrappedText(nullptr, 0);
}

TEST_F(CanvasTest, TextKeptWithinAWidthIsCutInWholeCharacters) {
  CanvasObject* cut = Make(100, 20);
  CanvasObject* whole = Make(100, 20);
  for (CanvasObject* c : {cut, whole}) c->SetFont(12, 400, engine::kDefaultFaceName);
  // Room for "W确定" and half a wide character: that half, a lead byte without its trail byte,
  // would show as a '?'.
  cut->DrawTextWithin(2, 2, cut->EstimateWidth("W确定W", 6), "W确定确定");
  whole->DrawText(2, 2, "W确定");
  EXPECT_FALSE(Drawn(whole).empty());
  EXPECT_EQ(Drawn(cut), Drawn(whole));
}

// An object module built without a host window, as a tool or a test builds one.
class BareModuleCanvasTest : public test::SceneFixture {};

TEST_F(BareModuleCanvasTest, ACanvasOfABareObjectModuleDrawsAndMeasuresText) {
  ASSERT_NE(objects_->GetFontRenderer(), nullptr) << "the module makes its own renderer";
  auto* c = static_cast<CanvasObject*>(objects_->CreateCanvas(120, 30, 0xFF00FF, nullptr));
  c->SetFont(16, 400, "宋体");
  c->SetTextColour(0x0000FF, 1.0);
  EXPECT_GT(c->MeasureText("Hello 确定", 120), 0);
  c->DrawText(2, 2, "Hello 确定");
  int drawn = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 120; ++x) drawn += c->GetPixel(x, y) == 0x0000FF ? 1 : 0;
  EXPECT_GT(drawn, 0);

  // A renderer of the test's own is handed to the canvases made while it is set; null goes back
  // to the module's.
  engine::FontRenderer* own = objects_->GetFontRenderer();
  engine::FontRenderer mine;
  objects_->SetFontRenderer(&mine);
  EXPECT_EQ(objects_->GetFontRenderer(), &mine);
  objects_->SetFontRenderer(nullptr);
  EXPECT_EQ(objects_->GetFontRenderer(), own);
}

TEST_F(CanvasTest, FitToTextSizesObjectAndSurface) {
  CanvasObject* c = Make(10, 10);
  c->SetFont(14, 400, engine::kDefaultFaceName);
  c->FitToText("one line", 200);
  const int32_t h = c->MeasureText("one line", 200);
  EXPECT_GT(h, 0);
  EXPECT_EQ(c->GetWidth(), 200.0);
  EXPECT_EQ(c->GetHeight(), static_cast<double>(h));
  EXPECT_EQ(c->GetSurfaceWidth(), 200);
  EXPECT_EQ(c->GetSurfaceHeight(), h);
}

TEST_F(CanvasTest, PlacedTextHasNoLengthLimit) {
  CanvasObject* c = Make(200, 40);
  c->SetFont(12, 400, engine::kDefaultFaceName);
  const std::string long_text(300, 'x');
  c->DrawTextPlaced(long_text.c_str(), engine::kPlaceCentre, engine::kPlaceCentre, 0);
  EXPECT_FALSE(Drawn(c).empty());
}

TEST_F(CanvasTest, WrappedTextBreaksLinesAndEndsWithDots) {
  auto* c = new LineCanvas();
  c->CreateSurface(100, 200, engine::kColourKey, &renderer_);
  objects_->AddObject(c, nullptr);
  c->SetFont(10, 400, engine::kDefaultFaceName);
  // Single-byte characters are 5 wide: 20 fit in 100.
  c->DrawWrappedText("aaaaaaaaaabbbbbbbbbbccccc", 0);
  ASSERT_EQ(c->lines.size(), 2u);
  EXPECT_EQ(c->lines[0].text, "aaaaaaaaaabbbbbbbbbb");
  EXPECT_EQ(c->lines[0].cx, 50);
  EXPECT_EQ(c->lines[0].cy, 5);
  EXPECT_EQ(c->lines[1].text, "ccccc");
  EXPECT_EQ(c->lines[1].cy, 15);

  // A surface with room for one line: the line that cannot be followed ends in dots, on a
  // character boundary.
  auto* small = new LineCanvas();
  small->CreateSurface(40, 12, engine::kColourKey, &renderer_);
  objects_->AddObject(small, nullptr);
  small->SetFont(10, 400, engine::kDefaultFaceName);
  small->DrawWrappedText("确定确定确定", 0);  // two 10-wide characters... 4 fit in 40
  ASSERT_EQ(small->lines.size(), 1u);
  EXPECT_EQ(small->lines[0].text, std::string("确定确") + "..");
  small->lines.clear();
  small->DrawWrappedText("a确定确定确定", 0);  // a + 3 double-byte characters fit
  ASSERT_EQ(small->lines.size(), 1u);
  EXPECT_EQ(small->lines[0].text, std::string("a确定") + "..");
  small->lines.clear();
  small->DrawWrappedText("aaaaaaaaaaaa", 0);  // 8 fit; three bytes become "..."
  ASSERT_EQ(small->lines.size(), 1u);
  EXPECT_EQ(small->lines[0].text, "aaaaa...");
}

TEST_F(CanvasTest, WrappedTextKeepsTagsWithoutWidth) {
  auto* c = new LineCanvas();
  c->CreateSurface(50, 200, engine::kColourKey, &renderer_);
  objects_->AddObject(c, nullptr);
  c->SetFont(10, 400, engine::kDefaultFaceName);
  c->DrawWrappedText("<c=255>aaaaaaaaaabb", 0);
  ASSERT_EQ(c->lines.size(), 2u);
  EXPECT_EQ(c->lines[0].text, "<c=255>aaaaaaaaaa");
  EXPECT_EQ(c->lines[1].text, "bb");
}

// With the real paint module loaded, a canvas's record goes to it when the canvas is destroyed;
// without one the canvas frees it itself. Either way nothing leaks and nothing is freed twice.
TEST(CanvasLifetimeTest, SurfaceReleasedWithAndWithoutPaintModule) {
  platform::ScopedManualClock clock(1000);
  {
    engine::GameCore core;
    auto* resources = new test::FakeModule(engine::module_id::kResource);
    auto* objects = new engine::ObjectModule();
    auto* paint = new engine::GdiPaintModule();
    ASSERT_EQ(core.LoadModule(resources, true, false), engine::QUILLARON_RETURN_OK);
    ASSERT_EQ(core.LoadModule(objects, true, false), engine::QUILLARON_RETURN_OK);
    ASSERT_EQ(core.LoadModule(paint, true, false), engine::QUILLARON_RETURN_OK);
    paint->SetSize(64, 64);
    auto* c = static_cast<CanvasObject*>(objects->CreateCanvas(8, 8, 0x000000, nullptr));
    c->Show();
    c->MoveTo(10, 10);
    c->Invalidate();
    clock->Advance(20);
    core.RunFrame();
    objects->RemoveObject(c->GetKey());
  }
  {
    engine::ObjectModule objects;
    objects.Init();
    auto* c = static_cast<CanvasObject*>(objects.CreateCanvas(8, 8, 0x000000, nullptr));
    objects.RemoveObject(c->GetKey());
  }
}

}  // namespace
