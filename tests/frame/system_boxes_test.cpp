// ctest-labels: frame shell play tsan
// The frame's message boxes over the client's table view, against the scripted server: which
// stay until answered, and the idle kick's, which counts down and then lets the close rules decide.
#include <gtest/gtest.h>

#include "dialogs/system_msg_box.h"
#include "engine/core/canvas_object.h"
#include "net/answer_codes.h"
#include "net/request_ids.h"
#include "shell/game_handler.h"
#include "table/table_messages.h"
#include "table/table_view.h"
#include "tests/support/frame_fixture.h"

namespace {

using dialogs::CSystemMsgBox;
using net::request::kLeave;
using net::request::kQueryGameRunning;

class SystemBoxes : public test::FrameFixture {
 protected:
  void SetUp() override {
    FrameFixture::SetUp();
    app_->new_table = [this] { return view_ = new table::CTableView(); };
    Start();
  }
  void ToView(uint32_t id) {
    const engine::ObjectMessage m = engine::MakeMessage(view_->GetKey(), id, 0, 0);
    view_->OnMessage(&m);
  }
  CSystemMsgBox* Box() { return dynamic_cast<CSystemMsgBox*>(frame().GetLastMessageBox()); }
  void Seconds(int s) { Frames(200 * s); }
  bool Closed() {
    Frames(2);
    return !window().IsWindow();
  }
  void Running() { server().Answer(kQueryGameRunning, net::answer::kGameRunning); }
  table::CTableView* view_ = nullptr;
};

TEST_F(SystemBoxes, TheExitQuestionAndTheServersRefusalStayUntilTheUserAnswers) {
  Running();
  app_->GetTableStateHolder()->SetForceExitCount(2);
  frame().ExitRules();
  CSystemMsgBox* question = Box();
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(question->GetText(), "游戏还没有结束，现在退出要扣你分，还要扣你银子。确定退出吗？");
  EXPECT_EQ(question->GetIcon(), CSystemMsgBox::Icon::kNamed);
  Seconds(30);
  EXPECT_EQ(Box(), question);
  EXPECT_EQ(question->GetCountdown(), 0);
  EXPECT_EQ(server().CountOf(kLeave), 0u);

  // The server refuses the leave: its reason stays as long.
  server().Answer(kLeave, net::answer::kNotAtTable);
  question->PressOk();
  CSystemMsgBox* reason = Box();
  ASSERT_NE(reason, nullptr);
  EXPECT_EQ(reason->GetText(), net::AnswerText(net::answer::kNotAtTable));
  EXPECT_EQ(reason->GetIcon(), CSystemMsgBox::Icon::kNone);
  Seconds(30);
  EXPECT_EQ(Box(), reason);
  reason->PressOk();
  EXPECT_EQ(Box(), nullptr);
  EXPECT_FALSE(Closed());
}

TEST_F(SystemBoxes, ARefusedStartShowsTheInformationIconAndItsOkClosesTheWindowByTheCloseRules) {
  server().Answer(net::request::kStart, net::answer::kRefused);
  ToView(table::view_msg::kStartButton);
  CSystemMsgBox* box = Box();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->GetText(), net::AnswerText(net::answer::kRefused));
  EXPECT_EQ(box->GetIcon(), CSystemMsgBox::Icon::kInformation);
  // The mark's blue disc beside the text.
  EXPECT_EQ(box->GetBody()->GetPixel(38 - 9, 62), 0xC87828u);
  EXPECT_TRUE(box->HasOkButton());
  Seconds(30);
  EXPECT_EQ(Box(), box);
  EXPECT_FALSE(Closed());

  box->PressOk();
  Frames(3);
  EXPECT_EQ(server().CountOf(kQueryGameRunning), 1u);
  EXPECT_EQ(server().CountOf(kLeave), 1u);
  EXPECT_TRUE(Closed());
}

TEST_F(SystemBoxes, AnUnansweredIdleKickCountsDownThenTheExitRulesDecide) {
  // In a running game the rules ask the server, and offer the force-exit request.
  Running();
  ToView(table::view_msg::kIdleKick);
  CSystemMsgBox* box = Box();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->GetText(), "由于您长时间没有开始游戏，系统请您离开游戏");
  EXPECT_EQ(box->GetIcon(), CSystemMsgBox::Icon::kNamed);
  EXPECT_EQ(box->GetCountdown(), 10);
  Frames(210);
  EXPECT_EQ(box->GetCountdown(), 9);
  Seconds(10);
  EXPECT_EQ(Box(), nullptr);
  EXPECT_EQ(server().CountOf(kQueryGameRunning), 1u);
  EXPECT_NE(frame().GetForceExitBox(), nullptr);
  EXPECT_EQ(server().CountOf(kLeave), 0u);
  EXPECT_FALSE(Closed());

  // Between games the player leaves when the seconds are up, not before.
  server().Answer(kQueryGameRunning, net::answer::kOk);
  ToView(table::view_msg::kIdleKick);
  Seconds(9);
  EXPECT_NE(Box(), nullptr);
  EXPECT_EQ(server().CountOf(kLeave), 0u);
  Seconds(2);
  EXPECT_EQ(server().CountOf(kLeave), 1u);
  EXPECT_TRUE(Closed());
}

}  // namespace
