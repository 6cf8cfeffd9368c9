// ctest-labels: frame shell play tsan
// The frame's message boxes in the client's own game frame, with the client's table view as its
// table scene, against the scripted server: a question and the server's refusal stay until the
// user answers them; a refused start shows the information icon and closes the window through
// its close rules once read; the idle kick counts its seconds down and then lets the close rules
// decide, so that it never takes a player out of a running game without them.
#include <gtest/gtest.h>

#include <memory>

#include "dialogs/input_msg_box.h"
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

// The client's frame: the table view as the table scene, a stub side panel.
class ClientTableFrame : public test::TestGameFrame {
 public:
  explicit ClientTableFrame(std::vector<test::ChildMessage>* log) : TestGameFrame(true, true, log), log_(log) {}
  void CreateChildren() override {
    view = new table::CTableView();
    SetMainGame(view);
    panel = new test::StubChild("SubSystem", log_);
    SetSubSystem(panel);
  }
  table::CTableView* view = nullptr;

 private:
  std::vector<test::ChildMessage>* log_;
};

class ClientTableApp : public test::FrameApp {
 public:
  engine::RectObject* NewGameFrameObject() override { return frame = new ClientTableFrame(&child_log); }
};

class SystemBoxes : public test::FrameFixture {
 protected:
  void SetUp() override {
    FrameFixture::SetUp();
    app_.reset();  // one application at a time
    app_ = std::make_unique<ClientTableApp>();
    Start();
  }
  table::CTableView& view() { return *static_cast<ClientTableFrame&>(frame()).view; }
  void ToView(uint32_t id) {
    const engine::ObjectMessage m = engine::MakeMessage(view().GetKey(), id, 0, 0);
    view().OnMessage(&m);
  }
  CSystemMsgBox* Box() { return dynamic_cast<CSystemMsgBox*>(frame().GetLastMessageBox()); }
  void Seconds(int s) { Frames(200 * s); }
  bool Closed() {
    Frames(2);
    return !window().IsWindow();
  }
  void Running() { server().Answer(kQueryGameRunning, net::answer::kGameRunning); }
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
  EXPECT_NE(reason, question);
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
