// ctest-labels: panel silver
// The wait box of a request that blocks the window, as the user meets it at the side panel's safe
// box: while the request waits the box's text is on screen over the table, and it goes once the
// request is over, whether it was answered, refused or timed out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/safe_box_requests.h"
#include "engine/core/canvas_object.h"
#include "engine/core/core_settings.h"
#include "engine/ui/message_box_widget.h"
#include "frame/input_bar.h"
#include "net/request_ids.h"
#include "tests/support/colour_match.h"
#include "tests/support/side_panel_fixture.h"

namespace {

using test::Words;

constexpr uint32_t kOpen = net::request::kSafeBoxOpen;

class WaitBoxFlow : public test::SidePanelFixture {
 protected:
  void SetUp() override {
    SidePanelFixture::SetUp();
    // What the user sees at the moment each safe-box request waits.
    server().on_request = [this](const test::FakeGameServer::Received& r) {
      if (r.request_id == kOpen) seen_.push_back(OnScreen());
    };
  }
  // The wait box's text, and whether the window shows the box's fill inside its border.
  std::string OnScreen() {
    auto* box = dynamic_cast<engine::MessageBoxWidget*>(app_->GetWaitBox());
    if (box == nullptr || box->GetBody() == nullptr) return "no wait box";
    const engine::CanvasObject* body = box->GetBody();
    const platform::RECT table = frame().GetMainGameRect();
    const bool over_table = body->GetX() > table.left && body->GetX() < table.right;
    const auto x = static_cast<size_t>(body->GetLeft() + 5);
    const auto y = static_cast<size_t>(body->GetTop() + 5);
    const uint32_t pixel = window().PresentedFrame()[y * static_cast<size_t>(window().FrameWidth()) + x];
    const auto fill = static_cast<uint32_t>(frame().GetIntSetting(engine::setting::kMessageBoxFillColour));
    // The fill is a COLORREF (0x00BBGGRR); the window's pixels are 0xAARRGGBB.
    const uint32_t shown = ((fill & 0xFF) << 16) | (fill & 0xFF00) | ((fill >> 16) & 0xFF);
    return app_->GetWaitText() + (test::Near(pixel & 0xFFFFFFu, shown) && over_table ? " on screen" : " not shown");
  }
  void OpenSafeBox() {
    frame::InputBar* bar = panel().GetInputBar();
    ASSERT_NE(bar, nullptr);
    const engine::ObjectMessage open = engine::MakeMessage(bar->GetKey(), frame::InputBar::kMsgOpenSafeBox, 0, 0);
    bar->OnMessage(&open);
  }

  std::vector<std::string> seen_;
};

TEST_F(WaitBoxFlow, TheBoxShowsWhileASafeBoxRequestWaitsAndGoesAfterAnAnswerAFailureAndATimeOut) {
  StartPanel(test::kTestCommandLine, true, true);
  const std::string waiting = std::string(dialogs::kWaitOpenSafeBox) + " on screen";
  // Answered: the safe box opens, the wait box is gone.
  server().AnswerOnce(kOpen, 0, Words({1, 25000}));
  OpenSafeBox();
  EXPECT_EQ(app_->GetWaitBox(), nullptr);
  EXPECT_FALSE(app_->IsWaitTextShown());
  // Refused: the failure's box, and no wait box.
  server().AnswerOnce(kOpen, 60001);
  OpenSafeBox();
  EXPECT_EQ(app_->GetWaitBox(), nullptr);
  // No answer: the request times out on the clock, and the wait box goes all the same.
  server().StaySilent(kOpen);
  const uint32_t before = platform::GetTickCount();
  OpenSafeBox();
  EXPECT_GE(platform::GetTickCount() - before, 20000u);
  EXPECT_EQ(app_->GetWaitBox(), nullptr);
  EXPECT_EQ(seen_, (std::vector<std::string>{waiting, waiting, waiting}));
  EXPECT_EQ(frame().boxes.size(), 2u);  // the failure and the time-out said so
  // The boxes that went leave nothing in the scene.
  Frames(3);
  EXPECT_EQ(OnScreen(), "no wait box");
}

}  // namespace
