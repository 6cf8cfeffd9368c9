// ctest-labels: ui tsan
// Image buttons driven through the headless window: mouse messages reach the button through the
// input module, the frames it shows are read from the window's presented pixels, and its sounds
// from a recording music module.
#include "engine/ui/image_button.h"

#include <gtest/gtest.h>

#include "engine/media/paint_module.h"
#include "platform/cursor.h"
#include "platform/win_messages.h"
#include "tests/support/hosted_engine.h"
#include "tests/support/recording_music.h"
#include "tests/support/solid_pictures.h"

namespace {

using engine::ImageButton;
using engine::MakeMessage;
using engine::ObjectMessage;
using namespace platform;

constexpr uint32_t kClicked = 80000130;
// The four state frames of "btnTest", and the first frame of "btnOther".
constexpr uint32_t kNormal = 0xC00000;
constexpr uint32_t kHover = 0x00C000;
constexpr uint32_t kPressed = 0x0000C0;
constexpr uint32_t kDisabled = 0x808080;
constexpr uint32_t kOtherNormal = 0xC0C000;
constexpr uint32_t kOtherHover = 0x00C0C0;

class ImageButtonThroughWindow : public test::HostedEngine {
 protected:
  void SetUp() override {
    HostedEngine::SetUp();
    engine::GameCore* core = window_->GetCore();
    paint_ = dynamic_cast<engine::PaintModule*>(core->FindModule(engine::module_id::kPaint));
    ASSERT_NE(paint_, nullptr);
    music_ = test::RecordingMusicModule::Install(core);
    listener_ = new test::TestObject();
    objects_->AddObject(listener_, nullptr);
    test::AddSolidFrames(paint_, "btnTest", 40, 20, {kNormal, kHover, kPressed, kDisabled});
    test::AddSolidFrames(paint_, "btnOther", 40, 20, {kOtherNormal, kOtherHover, 0x0000FF, 0x404040});
  }

  // A button at (200, 150) that sends kClicked to the listener.
  ImageButton* MakeButton() {
    auto* button = new ImageButton();
    objects_->AddObject(button, nullptr);
    const engine::PictureInfo picture = button->GetPictureInfo("btnTest", 0);
    const ObjectMessage click = MakeMessage(listener_->GetKey(), kClicked, 0, 0);
    EXPECT_TRUE(button->Create(&picture, &click, 0, 4));
    button->SetSound(1, "SndTouchButton");
    button->SetSound(2, "SndHitButton");
    button->MoveTo(200, 150);
    button->Show();
    button->Invalidate();
    Deliver();
    return button;
  }
  int Received(uint32_t id) const { return listener_->Count(id); }
  void MoveTo(int x, int y) {
    Mouse(WM_MOUSEMOVE, x, y);
    Deliver();
  }
  void Press(int x, int y) {
    Mouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    Deliver();
  }
  void Release(int x, int y) {
    Mouse(WM_LBUTTONUP, x, y);
    Deliver();
  }

  engine::PaintModule* paint_ = nullptr;
  test::RecordingMusicModule* music_ = nullptr;
  test::TestObject* listener_ = nullptr;
};

TEST_F(ImageButtonThroughWindow, AClickIsDeliveredOnceWithTheHoverAndPressSoundsAndFrames) {
  ImageButton* button = MakeButton();
  EXPECT_EQ(Pixel(200, 150), kNormal);
  MoveTo(200, 150);
  EXPECT_EQ(Pixel(200, 150), kHover);
  EXPECT_EQ(music_->played, std::vector<std::string>{"SndTouchButton"});
  Press(200, 150);
  EXPECT_EQ(Pixel(200, 150), kPressed);
  EXPECT_EQ(Received(kClicked), 0);
  Release(200, 150);
  EXPECT_EQ(Received(kClicked), 1);
  EXPECT_EQ(button->GetState(), ImageButton::kHover);
  EXPECT_EQ(Pixel(200, 150), kHover);
  EXPECT_EQ(music_->played, (std::vector<std::string>{"SndTouchButton", "SndHitButton"}));
  MoveTo(400, 400);
  EXPECT_EQ(Pixel(200, 150), kNormal);
  Frames(20);
  EXPECT_EQ(Received(kClicked), 1);
}

TEST_F(ImageButtonThroughWindow, ADisabledButtonShowsItsDisabledFrameAndStaysSilent) {
  ImageButton* button = MakeButton();
  button->SetEnabled(false);
  Deliver();
  EXPECT_EQ(Pixel(200, 150), kDisabled);
  MoveTo(200, 150);
  Press(200, 150);
  Release(200, 150);
  EXPECT_EQ(Received(kClicked), 0);
  EXPECT_TRUE(music_->asked.empty());
  EXPECT_EQ(Pixel(200, 150), kDisabled);
}

TEST_F(ImageButtonThroughWindow, AButtonDisabledWhilePressedDoesNotClickOnTheRelease) {
  ImageButton* button = MakeButton();
  MoveTo(200, 150);
  Press(200, 150);
  button->SetEnabled(false);
  Release(200, 150);
  EXPECT_EQ(Received(kClicked), 0);
  EXPECT_EQ(button->GetState(), ImageButton::kDisabled);
  button->SetEnabled(true);
  Deliver();
  EXPECT_NE(button->GetState(), ImageButton::kPressed);
  MoveTo(201, 151);
  Press(201, 151);
  Release(201, 151);
  EXPECT_EQ(Received(kClicked), 1);
}

TEST_F(ImageButtonThroughWindow, TheEnableEventPostedLaterMakesTheButtonPressableAgain) {
  ImageButton* button = MakeButton();
  button->SetEnabled(false);
  const ObjectMessage enable = MakeMessage(button->GetKey(), engine::QUILLARON_EVENT_ENABLED, 0, 0);
  button->Delay(500, &enable);
  Frames(60);
  EXPECT_EQ(button->TakesInput(), 0);
  Frames(60);
  EXPECT_NE(button->TakesInput(), 0);
  EXPECT_EQ(Pixel(200, 150), kNormal);
  MoveTo(200, 150);
  Press(200, 150);
  Release(200, 150);
  EXPECT_EQ(Received(kClicked), 1);
}

TEST_F(ImageButtonThroughWindow, ADownButtonHoldsItsDownFrameUntilSetUp) {
  ImageButton* button = MakeButton();
  button->SetDown(true);
  Deliver();
  EXPECT_TRUE(button->IsDown());
  EXPECT_EQ(Pixel(200, 150), kPressed);
  MoveTo(200, 150);
  EXPECT_EQ(Pixel(200, 150), kPressed);
  button->SetDown(false);
  Deliver();
  EXPECT_FALSE(button->IsDown());
  EXPECT_EQ(Pixel(200, 150), kHover);
  MoveTo(500, 500);
  EXPECT_EQ(Pixel(200, 150), kNormal);
}

TEST_F(ImageButtonThroughWindow, ThePictureChangeShowsTheNewPictureInTheSameState) {
  ImageButton* button = MakeButton();
  const engine::PictureInfo other = button->GetPictureInfo("btnOther", 0);
  button->SetPicture(&other);
  Deliver();
  EXPECT_EQ(Pixel(200, 150), kOtherNormal);
  MoveTo(200, 150);
  EXPECT_EQ(Pixel(200, 150), kOtherHover);
}

TEST_F(ImageButtonThroughWindow, APressActionButtonSendsOnThePressOnly) {
  ImageButton* button = MakeButton();
  button->SetFlag2(true);
  MoveTo(200, 150);
  Press(200, 150);
  EXPECT_EQ(Received(kClicked), 1);
  Release(200, 150);
  EXPECT_EQ(Received(kClicked), 1);
}

TEST_F(ImageButtonThroughWindow, TheHandCursorShowsOnlyWhileThePointerIsOverTheButton) {
  ImageButton* button = MakeButton();
  button->SetHandCursor(true);
  MoveTo(200, 150);
  EXPECT_EQ(input_->GetCursorHandle(), LoadCursorA(nullptr, IDC_HAND));
  MoveTo(500, 500);
  EXPECT_EQ(input_->GetCursorHandle(), LoadCursorA(nullptr, IDC_ARROW));
}

TEST_F(ImageButtonThroughWindow, AButtonOfAMissingPictureIsMadeAndSendsNothingUnasked) {
  auto* button = new ImageButton();
  objects_->AddObject(button, nullptr);
  const engine::PictureInfo missing = button->GetPictureInfo("no_such_button", 0);
  EXPECT_TRUE(button->Create(&missing, nullptr, 0, 4));
  button->SetSound(3, "SndTouchButton");
  EXPECT_STREQ(button->GetSound(3), "");
  button->MoveTo(300, 300);
  button->Show();
  button->SetDown(true);
  button->SetEnabled(false);
  Deliver();
  EXPECT_EQ(button->GetWidth(), 0.0);
  EXPECT_EQ(Received(kClicked), 0);
}

}  // namespace
