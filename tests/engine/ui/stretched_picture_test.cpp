// ctest-labels: ui silver
// A skin picture drawn across a wider or narrower canvas: its ends kept whole, its middle
// stretched or cut.
#include "engine/core/colour_key.h"
#include "engine/ui/stretched_picture.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/core/canvas_object.h"
#include "tests/support/solid_pictures.h"
#include "tests/support/widget_scene_fixture.h"

namespace {

using engine::CanvasObject;

// Column c of the 20 x 4 test picture has red c * 10 + 5.
constexpr int kSourceWidth = 20;
uint32_t ColumnColour(int c) { return static_cast<uint32_t>(c * 10 + 5) << 16 | 0x40; }
// The source column a canvas pixel shows, from its red (COLORREF red is the low byte).
int SourceColumn(engine::COLORREF pixel) { return static_cast<int>((pixel & 0xFF) - 5) / 10; }

class StretchedPictureTest : public test::WidgetSceneFixture {
 protected:
  void SetUp() override {
    WidgetSceneFixture::SetUp();
    std::vector<uint32_t> pixels;
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < kSourceWidth; ++x) pixels.push_back(ColumnColour(x));
    }
    test::AddPixelPicture(paint_, "columns", kSourceWidth, 4, pixels);
  }
  std::vector<int> DrawnColumns(int width) {
    CanvasObject* canvas = services_->CreateCanvas(width, 4, engine::kColourKey);
    const engine::PictureInfo picture = services_->GetPictureInfo("columns", 0);
    engine::DrawPictureToWidth(canvas, picture, width, 4);
    std::vector<int> columns;
    for (int x = 0; x < width; ++x) columns.push_back(SourceColumn(canvas->GetPixel(x, 2)));
    return columns;
  }
};

TEST_F(StretchedPictureTest, AWiderCanvasGetsBothHalvesAndAStretchedMiddle) {
  const std::vector<int> columns = DrawnColumns(100);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(columns[x], x) << x;
  for (int x = 10; x < 90; ++x) {
    EXPECT_GE(columns[x], 10) << x;
    EXPECT_LE(columns[x], 11) << x;
  }
  for (int x = 90; x < 100; ++x) EXPECT_EQ(columns[x], x - 80) << x;
}

TEST_F(StretchedPictureTest, ANarrowerCanvasGetsTheFirstAndLastColumns) {
  const std::vector<int> columns = DrawnColumns(11);
  EXPECT_EQ(columns, (std::vector<int>{0, 1, 2, 3, 4, 5, 15, 16, 17, 18, 19}));
  EXPECT_EQ(DrawnColumns(20), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}));
  EXPECT_EQ(DrawnColumns(1), (std::vector<int>{0}));
}

TEST_F(StretchedPictureTest, AMissingPictureOrAnEmptySizeDrawsNothing) {
  CanvasObject* canvas = services_->CreateCanvas(10, 4, engine::kColourKey);
  engine::DrawPictureToWidth(canvas, engine::PictureInfo{}, 10, 4);
  engine::DrawPictureToWidth(canvas, services_->GetPictureInfo("columns", 0), 0, 4);
  EXPECT_EQ(canvas->GetPixelAlpha(5, 2), 0);
}

}  // namespace
