// ctest-labels: panel silver tsan
// The wait box as the user meets it at the side panel's safe box: while the request waits, its
// text is on screen over the table; once the request is over (answered, refused or timed out)
// the box is gone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/safe_box_requests.h"
#include "engine/core/canvas_object.h"
#include "engine/ui/message_box_widget.h"
#include "frame/input_bar.h"
#include "net/request_ids.h"
#include "tests/support/colour_match.h"
#include "tests/support/side_panel_fixture.h"

namespace {

class WaitBoxFlow : public test::SidePanelFixture {
 protected:
  // The wait text, and whether the window shows the box's fill (0x008000) over the table.
  std::string OnScreen() {
    auto* box = dynamic_cast<engine::MessageBoxWidget*>(app_->GetWaitBox());
    if (box == nullptr || box->GetBody() == nullptr) return "no wait box";
    const engine::CanvasObject* body = box->GetBody();
    const auto at = static_cast<size_t>(body->GetTop() + 5) * static_cast<size_t>(window().FrameWidth()) +
                    static_cast<size_t>(body->GetLeft() + 5);
    const bool shown = test::Near(window().PresentedFrame()[at] & 0xFFFFFFu, 0x008000u) &&
                       body->GetX() < frame().GetMainGameRect().right;
    return app_->GetWaitText() + (shown ? " on screen" : " not shown");
  }
};

TEST_F(WaitBoxFlow, TheBoxShowsWhileASafeBoxRequestWaitsAndGoesAfterAnAnswerAFailureAndATimeOut) {
  StartPanel(test::kTestCommandLine, true, true);
  std::vector<std::string> seen;
  server().on_request = [&](const test::FakeGameServer::Received&) { seen.push_back(OnScreen()); };
  const engine::ObjectMessage open =
      engine::MakeMessage(panel().GetInputBar()->GetKey(), frame::InputBar::kMsgOpenSafeBox, 0, 0);
  server().AnswerOnce(net::request::kSafeBoxOpen, 0, test::Words({1, 25000}));
  panel().GetInputBar()->OnMessage(&open);
  EXPECT_EQ(OnScreen(), "no wait box");
  server().AnswerOnce(net::request::kSafeBoxOpen, 60001);
  panel().GetInputBar()->OnMessage(&open);
  EXPECT_EQ(OnScreen(), "no wait box");
  server().StaySilent(net::request::kSafeBoxOpen);
  panel().GetInputBar()->OnMessage(&open);  // times out after 20 s of the clock
  EXPECT_EQ(OnScreen(), "no wait box");
  const std::string waiting = std::string(dialogs::kWaitOpenSafeBox) + " on screen";
  EXPECT_EQ(seen, (std::vector<std::string>{waiting, waiting, waiting}));
  EXPECT_EQ(frame().boxes.size(), 2u);  // the failure and the time-out said so
}

}  // namespace
