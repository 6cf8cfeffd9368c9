// ctest-labels: ui
// Digit strips and number displays: which glyphs a text draws (read from the canvas pixels), the
// value's arithmetic, the roll on the engine's timed actions, and numbers written into a canvas.
#include "engine/ui/number_display.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "engine/core/canvas_object.h"
#include "engine/ui/digit_strip.h"
#include "tests/support/colour_match.h"
#include "tests/support/solid_pictures.h"
#include "tests/support/widget_scene_fixture.h"

namespace {

using engine::CanvasObject;
using engine::DigitStrip;
using engine::NumberDisplay;

// Frame d of "digits" is 8 x 12 of colour kDigit + d; "words" holds two 16 x 12 glyphs.
constexpr uint32_t kDigit = 0x100000;
constexpr uint32_t kWordA = 0x00A000;
constexpr uint32_t kWordB = 0x0000B0;
constexpr uint32_t kUnit = 0x303030;

// COLORREF of an 0x00RRGGBB colour, as the canvas reports pixels.
uint32_t Ref(uint32_t rgb) { return (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16; }

// Drawn onto an opaque canvas a glyph is blended at full opacity, which may round each channel
// down by one.
::testing::AssertionResult Near(uint32_t got, uint32_t want) { return test::ColoursWithin(got, want, 1); }

class DigitWidgets : public test::WidgetSceneFixture {
 protected:
  void SetUp() override {
    WidgetSceneFixture::SetUp();
    std::vector<uint32_t> digits;
    for (uint32_t d = 0; d < 12; ++d) digits.push_back(kDigit + d);
    test::AddSolidFrames(paint_, "digits", 8, 12, digits);
    test::AddSolidFrames(paint_, "words", 16, 12, {kWordA, kWordB});
    test::AddSolidFrames(paint_, "unit", 12, 12, {kUnit});
  }
  template <class T>
  T* Add() {
    auto* widget = new T();
    objects_->AddObject(widget, nullptr);
    widget->MoveTo(300, 200);
    widget->Show();
    return widget;
  }
  // The colour of each glyph along the canvas's middle row, glyph width w apart.
  static std::vector<uint32_t> RowColours(CanvasObject* canvas, int w) {
    std::vector<uint32_t> colours;
    for (int x = w / 2; x < canvas->GetSurfaceWidth(); x += w) colours.push_back(canvas->GetPixel(x, 6));
    return colours;
  }
  void Run(uint32_t ms) {
    for (uint32_t t = 0; t < ms; t += 10) Pass(10);
  }
};

TEST_F(DigitWidgets, AStripDrawsOnlyItsLoadedGlyphs) {
  auto* strip = Add<DigitStrip>();
  strip->Setup(40, 42, 18);
  EXPECT_EQ(strip->AddGlyphs("0123456789", "digits"), 10);
  EXPECT_EQ(strip->AddGlyphs("比赛", "words"), 2);
  EXPECT_EQ(strip->AddGlyphs("时分", "no_such_picture"), 0);
  strip->SetText("1x比时2赛");
  CanvasObject* canvas = strip->GetCanvas();
  ASSERT_NE(canvas, nullptr);
  // 1, 比, 2, 赛: the unknown x and the glyph of a missing picture take no room.
  EXPECT_EQ(canvas->GetSurfaceWidth(), 8 + 16 + 8 + 16);
  EXPECT_EQ(canvas->GetSurfaceHeight(), 12);
  EXPECT_EQ(canvas->GetPixel(4, 6), Ref(kDigit + 1));
  EXPECT_EQ(canvas->GetPixel(16, 6), Ref(kWordA));
  EXPECT_EQ(canvas->GetPixel(28, 6), Ref(kDigit + 2));
  EXPECT_EQ(canvas->GetPixel(40, 6), Ref(kWordB));
  // Centred where it was put.
  EXPECT_EQ(strip->GetX(), 300.0);
}

TEST_F(DigitWidgets, FramesPastThePictureAreNotLoadedAndEarlierSetsKeepTheirGlyphs) {
  auto* strip = Add<DigitStrip>();
  EXPECT_EQ(strip->AddGlyphs("0123456789+-*", "digits"), 12);
  EXPECT_TRUE(strip->HasGlyph("-"));
  EXPECT_FALSE(strip->HasGlyph("*"));
  EXPECT_EQ(strip->AddGlyphs("10", "words"), 0);
  strip->SetText("1");
  EXPECT_EQ(strip->GetCanvas()->GetPixel(4, 6), Ref(kDigit + 1));
  EXPECT_FALSE(strip->AddGlyph("*", "digits", 12));
  EXPECT_TRUE(strip->AddGlyph("*", "digits", 11));
}

TEST_F(DigitWidgets, ALoneLeadByteAtTheEndIsOneByteWithoutAGlyph) {
  auto* strip = Add<DigitStrip>();
  strip->AddGlyphs("0123456789", "digits");
  EXPECT_EQ(strip->AddGlyphs("7\xB1", "words"), 0);  // 7 is taken; the lead byte has no character
  strip->SetText("12\xB1");
  EXPECT_EQ(strip->GetCanvas()->GetSurfaceWidth(), 16);
  EXPECT_STREQ(strip->GetText(), "12\xB1");
}

TEST_F(DigitWidgets, SpacesAdvanceAndLineBreaksStartRowsByTheRowAdvance) {
  auto* strip = Add<DigitStrip>();
  strip->Setup(40, 42, 18);
  strip->AddGlyphs("0123456789", "digits");
  strip->SetText(" 1\r\n23\r\n");
  CanvasObject* canvas = strip->GetCanvas();
  EXPECT_EQ(canvas->GetSurfaceWidth(), 18 + 8);
  EXPECT_EQ(canvas->GetSurfaceHeight(), 42 + 12);
  EXPECT_EQ(canvas->GetPixel(22, 6), Ref(kDigit + 1));
  EXPECT_EQ(canvas->GetPixel(4, 42 + 6), Ref(kDigit + 2));
  EXPECT_EQ(canvas->GetPixelAlpha(4, 6), 0);  // under the space: transparent
}

TEST_F(DigitWidgets, AStripDrawsNoMoreThanItsMostGlyphs) {
  auto* strip = Add<DigitStrip>();
  strip->Setup(3, 42, 18);
  strip->AddGlyphs("0123456789", "digits");
  strip->SetText("123456");
  EXPECT_EQ(strip->GetCanvas()->GetSurfaceWidth(), 24);
  strip->SetText("");
  EXPECT_EQ(strip->GetCanvas()->GetSurfaceWidth(), 1);
  EXPECT_EQ(strip->GetCanvas()->GetPixelAlpha(0, 0), 0);
}

TEST_F(DigitWidgets, TooLongTextsAreCutBetweenCharactersNeverInsideOne) {
  std::string text = "a";
  for (int i = 0; i < 600; ++i) text += "分";
  auto* strip = Add<DigitStrip>();
  strip->SetText(text.c_str());
  EXPECT_EQ(std::string(strip->GetText()), text.substr(0, DigitStrip::kMaxText - 1));
  auto* number = Add<NumberDisplay>();
  number->SetUnit(text.substr(0, 17).c_str(), nullptr);
  EXPECT_EQ(number->GetUnit(), text.substr(0, 15));
}

TEST_F(DigitWidgets, TheValueIsPaddedToTheDigitCountAndFollowedByTheUnit) {
  auto* number = Add<NumberDisplay>();
  number->LoadDigits("digits", 2);
  const engine::PictureInfo unit = number->GetPictureInfo("unit", 0);
  number->SetUnit("分", &unit);
  number->SetValue(7);
  EXPECT_STREQ(number->GetText(), "07分");
  EXPECT_EQ(RowColours(number->GetCanvas(), 8)[0], Ref(kDigit));
  EXPECT_EQ(number->GetCanvas()->GetSurfaceWidth(), 8 + 8 + 12);
  EXPECT_EQ(number->GetCanvas()->GetPixel(22, 6), Ref(kUnit));
  number->SetValue(123);
  EXPECT_STREQ(number->GetText(), "123分");
}

TEST_F(DigitWidgets, CountingDownPassesThroughZeroBelowIt) {
  auto* number = Add<NumberDisplay>();
  number->LoadDigits("digits", 1);
  number->SetValue(1);
  number->AddValue(-1);
  EXPECT_EQ(number->GetValue(), 0);
  EXPECT_STREQ(number->GetText(), "0");
  number->AddValue(-1);
  EXPECT_EQ(number->GetValue(), -1);
  EXPECT_STREQ(number->GetText(), "-1");
  // "-" is frame 11 of the digit picture only when the game loads it: until then only "1" shows.
  EXPECT_EQ(number->GetCanvas()->GetSurfaceWidth(), 8);
  number->AddGlyph("-", "digits", 11);
  number->AddValue(-9);
  EXPECT_STREQ(number->GetText(), "-10");
  EXPECT_EQ(number->GetCanvas()->GetSurfaceWidth(), 24);
  EXPECT_EQ(number->GetCanvas()->GetPixel(4, 6), Ref(kDigit + 11));
  number->SetValue(INT_MIN);
  number->AddValue(-1);
  EXPECT_EQ(number->GetValue(), INT_MIN);
  EXPECT_STREQ(number->GetText(), "-2147483648");
}

TEST_F(DigitWidgets, ARollWithStepZeroCountsByOneAndEndsOnItsTarget) {
  auto* number = Add<NumberDisplay>();
  number->LoadDigits("digits", 1);
  number->SetValue(12);
  number->RollTo(14, 0);
  EXPECT_TRUE(number->IsRolling());
  EXPECT_EQ(number->GetValue(), 12);
  Run(NumberDisplay::kRollInterval + 40);
  EXPECT_EQ(number->GetValue(), 13);
  Run(NumberDisplay::kRollInterval * 4);
  EXPECT_EQ(number->GetValue(), 14);
  EXPECT_FALSE(number->IsRolling());
  EXPECT_STREQ(number->GetText(), "14");
  Run(500);
  EXPECT_EQ(number->GetValue(), 14);
}

TEST_F(DigitWidgets, ARollByFivesFromTwelveToThirtySevenStepsEvenly) {
  auto* number = Add<NumberDisplay>();
  number->LoadDigits("digits", 4);
  number->SetValue(12);
  number->RollTo(37, (37 - 12) / 5);
  std::vector<int32_t> seen{number->GetValue()};
  for (int i = 0; i < 100 && number->IsRolling(); ++i) {
    Pass(10);
    if (number->GetValue() != seen.back()) seen.push_back(number->GetValue());
  }
  EXPECT_EQ(seen, (std::vector<int32_t>{12, 17, 22, 27, 32, 37}));
  EXPECT_STREQ(number->GetText(), "0037");
}

TEST_F(DigitWidgets, AStoppedOrReplacedRollChangesNothingMore) {
  auto* number = Add<NumberDisplay>();
  number->LoadDigits("digits", 1);
  number->SetValue(50);
  number->RollTo(10, 3);
  Run(NumberDisplay::kRollInterval * 2 + 20);
  const int32_t reached = number->GetValue();
  EXPECT_LT(reached, 50);
  number->StopRoll();
  Run(1000);
  EXPECT_EQ(number->GetValue(), reached);
  number->RollTo(60, 100);
  number->RollTo(reached - 1, 0);
  Run(1000);
  EXPECT_EQ(number->GetValue(), reached - 1);
}

TEST_F(DigitWidgets, ANumberTextWrittenIntoACanvasShowsItsGlyphsAtThePlace) {
  auto* number = Add<NumberDisplay>();
  number->LoadDigits("digits", 2);
  const engine::PictureInfo unit = number->GetPictureInfo("unit", 0);
  number->SetUnit("分", &unit);
  CanvasObject* box = services_->CreateCanvas(160, 40, 0xFFFFFF);
  number->DrawNumberText(box, 80.0, 10.0, "25分", 1);
  EXPECT_EQ(box->GetPixel(79, 15), 0xFFFFFFu);
  EXPECT_TRUE(Near(box->GetPixel(84, 15), Ref(kDigit + 2)));
  EXPECT_TRUE(Near(box->GetPixel(92, 15), Ref(kDigit + 5)));
  EXPECT_TRUE(Near(box->GetPixel(100, 15), Ref(kUnit)));
  EXPECT_EQ(box->GetPixel(84, 9), 0xFFFFFFu);
  EXPECT_EQ(box->GetPixel(112, 15), 0xFFFFFFu);
  // Centred on the point with align 0.
  number->DrawNumberText(box, 40.0, 30.0, "1", 0);
  EXPECT_TRUE(Near(box->GetPixel(36, 24), Ref(kDigit + 1)));
  EXPECT_EQ(box->GetPixel(35, 24), 0xFFFFFFu);
}

}  // namespace
