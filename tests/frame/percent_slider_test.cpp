// ctest-labels: silver
// The percent slider and the operate bar in a widget scene: the slider's value from pointer
// messages at both ends of its track, paging, the change message, the tip, and its looks when
// hovered and disabled; the operate bar's spacing of its three buttons.
#include "frame/percent_slider.h"

#include <gtest/gtest.h>

#include "engine/core/canvas_object.h"
#include "engine/core/input_module.h"
#include "frame/operate_bar.h"
#include "tests/support/solid_pictures.h"
#include "tests/support/widget_scene_fixture.h"

namespace {

using engine::InputSnapshot;
using engine::MakeMessage;
using engine::ObjectMessage;
using frame::OperateBar;
using frame::PercentSlider;

constexpr uint32_t kChanged = 80000300;
constexpr uint32_t kTrackColour = 0x2040A0;
constexpr uint32_t kThumbColour = 0x30C030;

class PercentSliderTest : public test::WidgetSceneFixture {
 protected:
  void SetUp() override {
    WidgetSceneFixture::SetUp();
    test::AddSolidFrames(paint_, "slider_track_v", 10, 100, {kTrackColour});
    test::AddSolidFrames(paint_, "slider_track_h", 100, 10, {kTrackColour});
    test::AddSolidFrames(paint_, "slider_thumb", 10, 10, {kThumbColour});
  }

  // A slider centred at (200, 300): vertical, its track runs from y 250 (100) to 350 (0);
  // horizontal, from x 150 (0) to 250 (100).
  PercentSlider* Make(int32_t orientation, int32_t value, bool enabled = true) {
    auto* slider = new PercentSlider();
    services_->AddToScene(slider);
    const engine::PictureInfo track =
        services_->GetPictureInfo(orientation == PercentSlider::kVertical ? "slider_track_v" : "slider_track_h", 0);
    const engine::PictureInfo thumb = services_->GetPictureInfo("slider_thumb", 0);
    const ObjectMessage change = MakeMessage(listener_->GetKey(), kChanged, 0, 0);
    EXPECT_TRUE(slider->Create(&track, &thumb, orientation, &change, value, enabled));
    slider->MoveTo(200, 300);
    slider->Show();
    return slider;
  }
  void Pointer(PercentSlider* slider, uint32_t id, int x, int y) {
    InputSnapshot snapshot;
    snapshot.x = x;
    snapshot.y = y;
    const ObjectMessage m = MakeMessage(slider->GetKey(), id, 0, reinterpret_cast<uintptr_t>(&snapshot));
    slider->SendMessage(&m);
  }
  void Drag(PercentSlider* slider, int x, int y) { Pointer(slider, PercentSlider::kMsgDrag, x, y); }
  void Page(PercentSlider* slider, int x, int y) { Pointer(slider, PercentSlider::kMsgPage, x, y); }
  // The value the last change message pointed at.
  int32_t LastSent() const {
    for (auto it = listener_->received.rbegin(); it != listener_->received.rend(); ++it) {
      if (it->id == kChanged) return *reinterpret_cast<const int32_t*>(it->p1);
    }
    return -1;
  }
};

TEST_F(PercentSliderTest, TheThumbStandsAtTheValuesPlaceAlongTheTrack) {
  PercentSlider* vertical = Make(PercentSlider::kVertical, 30);
  EXPECT_DOUBLE_EQ(vertical->GetThumb()->GetX(), 200.0);
  EXPECT_DOUBLE_EQ(vertical->GetThumb()->GetY(), 320.0);
  EXPECT_DOUBLE_EQ(vertical->GetFraction(), 0.3);
  PercentSlider* horizontal = Make(PercentSlider::kHorizontal, 75);
  EXPECT_DOUBLE_EQ(horizontal->GetThumb()->GetX(), 225.0);
  EXPECT_DOUBLE_EQ(horizontal->GetThumb()->GetY(), 300.0);
}

TEST_F(PercentSliderTest, SetValueTakesOnlyZeroToHundredAndSendsNothing) {
  PercentSlider* slider = Make(PercentSlider::kVertical, 40);
  slider->SetValue(101);
  EXPECT_EQ(slider->GetValue(), 40);
  slider->SetValue(-1);
  EXPECT_EQ(slider->GetValue(), 40);
  slider->SetValue(100);
  EXPECT_EQ(slider->GetValue(), 100);
  EXPECT_DOUBLE_EQ(slider->GetThumb()->GetY(), 250.0);
  slider->SetValue(0);
  EXPECT_DOUBLE_EQ(slider->GetThumb()->GetY(), 350.0);
  EXPECT_EQ(Received(kChanged), 0);
}

TEST_F(PercentSliderTest, DraggingAVerticalSliderToItsEndsGivesZeroAndHundred) {
  PercentSlider* slider = Make(PercentSlider::kVertical, 50);
  Drag(slider, 200, 350);
  EXPECT_EQ(slider->GetValue(), 0);
  EXPECT_EQ(LastSent(), 0);
  Drag(slider, 200, 250);
  EXPECT_EQ(slider->GetValue(), 100);
  EXPECT_EQ(LastSent(), 100);
  Drag(slider, 200, 275);
  EXPECT_EQ(slider->GetValue(), 75);
  EXPECT_EQ(Received(kChanged), 3);
}

TEST_F(PercentSliderTest, DraggingPastTheEndsClampsAndAnUnchangedValueSendsNothing) {
  PercentSlider* slider = Make(PercentSlider::kVertical, 50);
  Drag(slider, 200, 500);
  EXPECT_EQ(slider->GetValue(), 0);
  Drag(slider, 200, 400);
  Drag(slider, 200, 100);
  EXPECT_EQ(slider->GetValue(), 100);
  Drag(slider, 200, 0);
  EXPECT_EQ(Received(kChanged), 2);
}

TEST_F(PercentSliderTest, DraggingAHorizontalSliderToItsEndsGivesZeroAndHundred) {
  PercentSlider* slider = Make(PercentSlider::kHorizontal, 50);
  Drag(slider, 150, 300);
  EXPECT_EQ(slider->GetValue(), 0);
  Drag(slider, 250, 300);
  EXPECT_EQ(slider->GetValue(), 100);
  Drag(slider, 170, 300);
  EXPECT_EQ(slider->GetValue(), 20);
  EXPECT_DOUBLE_EQ(slider->GetThumb()->GetX(), 170.0);
}

TEST_F(PercentSliderTest, PagingStepsByTwentyAndStopsAtTheEnds) {
  PercentSlider* slider = Make(PercentSlider::kVertical, 90);
  Page(slider, 200, 255);  // above the thumb (the thumb spans 255..265)
  EXPECT_EQ(slider->GetValue(), 90);
  Page(slider, 200, 252);
  EXPECT_EQ(slider->GetValue(), 100);
  EXPECT_EQ(LastSent(), 100);
  slider->SetValue(10);
  Page(slider, 200, 349);  // below the thumb, which spans 335..345
  EXPECT_EQ(slider->GetValue(), 0);
  EXPECT_EQ(LastSent(), 0);
  Page(slider, 200, 349);
  EXPECT_EQ(Received(kChanged), 2);
}

TEST_F(PercentSliderTest, APressOnTheThumbItselfChangesNothing) {
  PercentSlider* slider = Make(PercentSlider::kHorizontal, 50);
  Page(slider, 200, 300);
  EXPECT_EQ(slider->GetValue(), 50);
  Page(slider, 240, 300);
  EXPECT_EQ(slider->GetValue(), 70);
  Page(slider, 160, 300);
  EXPECT_EQ(slider->GetValue(), 50);
}

TEST_F(PercentSliderTest, TheTipShowsWhileHoveredOrHeldBesideTheThumb) {
  PercentSlider* slider = Make(PercentSlider::kVertical, 50);
  engine::CanvasObject* tip = slider->GetTip();
  EXPECT_FALSE(tip->IsVisible());
  Pointer(slider, PercentSlider::kMsgEnter, 200, 300);
  EXPECT_TRUE(tip->IsVisible());
  EXPECT_TRUE(slider->IsHovered());
  EXPECT_DOUBLE_EQ(tip->GetX(), slider->GetThumb()->GetLeft() - 18);
  EXPECT_DOUBLE_EQ(tip->GetY(), slider->GetThumb()->GetY());
  EXPECT_EQ(tip->GetPixel(0, 0), PercentSlider::kTipBack);
  EXPECT_EQ(tip->GetPixel(1, 1), PercentSlider::kTipText);
  Pointer(slider, PercentSlider::kMsgLeave, 0, 0);
  EXPECT_FALSE(tip->IsVisible());
  Pointer(slider, PercentSlider::kMsgPress, 200, 300);
  EXPECT_TRUE(tip->IsVisible());
  Drag(slider, 200, 260);
  EXPECT_DOUBLE_EQ(tip->GetY(), slider->GetThumb()->GetY());
  Pointer(slider, PercentSlider::kMsgRelease, 200, 260);
  EXPECT_FALSE(tip->IsVisible());
}

TEST_F(PercentSliderTest, AHovereredThumbIsTintedAndADisabledSliderDimmed) {
  PercentSlider* slider = Make(PercentSlider::kVertical, 50);
  const engine::COLORREF plain = slider->GetThumb()->GetPixel(5, 5);
  const engine::COLORREF track = slider->GetTrack()->GetPixel(5, 50);
  Pointer(slider, PercentSlider::kMsgEnter, 200, 300);
  const engine::COLORREF hovered = slider->GetThumb()->GetPixel(5, 5);
  EXPECT_NE(hovered, plain);
  EXPECT_GT(hovered & 0xFF, plain & 0xFF);  // more red
  Pointer(slider, PercentSlider::kMsgLeave, 0, 0);
  EXPECT_EQ(slider->GetThumb()->GetPixel(5, 5), plain);
  slider->SetEnabled(false);
  EXPECT_LT(slider->GetTrack()->GetPixel(5, 50) & 0xFF0000, track & 0xFF0000);
  EXPECT_LT(slider->GetThumb()->GetPixel(5, 5) & 0xFF00, plain & 0xFF00);
}

TEST_F(PercentSliderTest, ADisabledSliderIgnoresThePointerButHidesItsTipOnRelease) {
  PercentSlider* slider = Make(PercentSlider::kVertical, 50, false);
  EXPECT_FALSE(slider->IsEnabled());
  Pointer(slider, PercentSlider::kMsgEnter, 200, 300);
  EXPECT_FALSE(slider->GetTip()->IsVisible());
  EXPECT_FALSE(slider->IsHovered());
  Drag(slider, 200, 250);
  Page(slider, 200, 349);
  EXPECT_EQ(slider->GetValue(), 50);
  slider->GetTip()->Show();
  Pointer(slider, PercentSlider::kMsgRelease, 200, 300);
  EXPECT_FALSE(slider->GetTip()->IsVisible());
  EXPECT_EQ(Received(kChanged), 0);
  slider->SetEnabled(true);
  Drag(slider, 200, 250);
  EXPECT_EQ(slider->GetValue(), 100);
}

TEST_F(PercentSliderTest, OrientationTakesOnlyZeroAndOne) {
  PercentSlider* slider = Make(PercentSlider::kHorizontal, 0);
  slider->SetOrientation(2);
  EXPECT_EQ(slider->GetOrientation(), PercentSlider::kHorizontal);
  slider->SetOrientation(PercentSlider::kVertical);
  EXPECT_EQ(slider->GetOrientation(), PercentSlider::kVertical);
}

using OperateBarTest = test::WidgetSceneFixture;

TEST_F(OperateBarTest, ThreeButtonsStandWithEqualGapsBeforeBetweenAndAfterThem) {
  test::AddSolidFrames(paint_, "SystemOperateBar", 300, 40, {0x404040});
  auto* bar = new OperateBar();
  services_->AddToScene(bar);
  EXPECT_EQ(services_->FindObjectByName("OpereateBar"), bar);
  bar->MoveTo(400, 100);
  EXPECT_DOUBLE_EQ(bar->GetWidth(), 300.0);
  test::TestObject* buttons[3];
  for (test::TestObject*& b : buttons) {
    b = new test::TestObject();
    objects_->AddObject(b, nullptr);
    b->Place(0, 0, 60, 20);
  }
  bar->Layout();  // no first button: nothing moves
  EXPECT_DOUBLE_EQ(buttons[0]->GetX(), 0.0);
  for (int i = 0; i < 3; ++i) bar->SetButton(i, buttons[i]);
  bar->Layout();
  EXPECT_DOUBLE_EQ(buttons[0]->GetX(), 250.0 + 60);
  EXPECT_DOUBLE_EQ(buttons[1]->GetX(), 250.0 + 150);
  EXPECT_DOUBLE_EQ(buttons[2]->GetX(), 250.0 + 240);
  EXPECT_DOUBLE_EQ(buttons[2]->GetY(), 98.0);
}

TEST_F(OperateBarTest, AMissingPictureLeavesTheBarWithoutASkinAndSaysSo) {
  auto* bar = new OperateBar();
  services_->AddToScene(bar);
  EXPECT_EQ(bar->CurrentSkin(), nullptr);
  EXPECT_NE(GameLog().find("SystemOperateBar is missing"), std::string::npos);
}

}  // namespace
