// ctest-labels: ui
// The colour tags that the frame's canvases write: rgb=R,G,B beside c= and color=.
#include <gtest/gtest.h>

#include "engine/core/canvas_object.h"
#include "engine/ui/text_markup.h"
#include "tests/support/widget_scene_fixture.h"

namespace {

using engine::ApplyMarkupTag;
using engine::FontRecord;

TEST(CanvasMarkup, RgbTakesItsThreeChannelsAsOneValue) {
  FontRecord r{};
  EXPECT_TRUE(ApplyMarkupTag("rgb=115,226,149", r));
  EXPECT_EQ(r.colour, 9822835u);  // red 115, green 226, blue 149 as COLORREF
  EXPECT_TRUE(ApplyMarkupTag("c=255,rgb=0,0,255,e=b", r));
  EXPECT_EQ(r.colour, 0xFF0000u);
  EXPECT_EQ(r.weight, 700);
  EXPECT_TRUE(ApplyMarkupTag(" rgb = 1 , 2 , 3 ", r));
  EXPECT_EQ(r.colour, 0x030201u);
}

TEST(CanvasMarkup, AnIncompleteOrOutOfRangeRgbChangesNothing) {
  for (const char* bad : {"rgb=1,2", "rgb=256,0,0", "rgb=1,-2,3", "rgb=,,", "rgb=1,2,x", "rgb=12"}) {
    FontRecord r{};
    r.colour = 0x123456;
    EXPECT_FALSE(ApplyMarkupTag(bad, r)) << bad;
    EXPECT_EQ(r.colour, 0x123456u) << bad;
  }
  // A broken rgb beside a good pair: the good pair still applies.
  FontRecord r{};
  EXPECT_TRUE(ApplyMarkupTag("rgb=1,2,999,c=255", r));
  EXPECT_EQ(r.colour, 255u);
}

class MarkupOnCanvas : public test::WidgetSceneFixture {
 protected:
  // Whether some pixel of the canvas has exactly the colour (COLORREF), and none has the other.
  static bool Has(engine::CanvasObject* canvas, uint32_t colour) {
    for (int y = 0; y < canvas->GetSurfaceHeight(); ++y) {
      for (int x = 0; x < canvas->GetSurfaceWidth(); ++x) {
        if (canvas->GetPixel(x, y) == colour && canvas->GetPixelAlpha(x, y) != 0) return true;
      }
    }
    return false;
  }
};

TEST_F(MarkupOnCanvas, TheClockLineDrawsEachPartInItsRgbColour) {
  // A transparent canvas: characters are drawn unblended in the plain text colour.
  engine::CanvasObject* left = services_->CreateCanvas(40, 20, 0xFF00FF);
  left->SetFont(16, 400, "宋体");
  left->SetTextColour(0xFFFF, 1.0);
  left->DrawText(0, 2, "<rgb=115,226,149>局");
  EXPECT_TRUE(Has(left, 9822835));
  EXPECT_FALSE(Has(left, 0xFFFF));

  engine::CanvasObject* both = services_->CreateCanvas(60, 20, 0xFF00FF);
  both->SetFont(16, 400, "宋体");
  both->DrawText(0, 2, "<rgb=115,226,149>局<rgb=198,255,10>01");
  EXPECT_TRUE(Has(both, 9822835));
  EXPECT_TRUE(Has(both, platform::RGB(198, 255, 10)));
}

}  // namespace
