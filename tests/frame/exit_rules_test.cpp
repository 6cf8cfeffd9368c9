// ctest-labels: frame tsan
// Leaving the table: the exit rules for a watcher, a player between games and during one, the
// force-exit request and its 30 seconds, the confirmation and refusal boxes, the leave request's
// failure; leaving at once without a game server; the close button and the match's close rules.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dialogs/input_msg_box.h"
#include "engine/core/canvas_object.h"
#include "frame/frame_messages.h"
#include "frame/game_frame.h"
#include "net/answer_codes.h"
#include "net/request_ids.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/win_messages.h"
#include "shell/app_messages.h"
#include "shell/chat_text.h"
#include "shell/game_handler.h"
#include "shell/lobby_link.h"
#include "tests/support/frame_fixture.h"

namespace {

using net::request::kAnswerForceExit;
using net::request::kForceExit;
using net::request::kLeave;
using net::request::kQueryGameRunning;

constexpr const char* kWatcherLine = "9|zipai|127.0.0.1|0|4242|1001|5|0|0x1000000|0|1";

class ExitRules : public test::FrameFixture {
 protected:
  shell::LobbyStandIn& lobby() { return *static_cast<shell::LobbyStandIn*>(app_->GetLobby()); }
  shell::IGameHandler& holder() { return *app_->GetTableStateHolder(); }
  bool Closed() {
    Frames(2);
    return !window().IsWindow();
  }
  bool ToldLobbyWindowState() {
    for (const shell::LobbyRecord& r : lobby().Records())
      if (r.code == shell::lobby_record::kWindowState) return true;
    return false;
  }
  void Running() { server().Answer(kQueryGameRunning, net::answer::kGameRunning); }
  void Send(uint32_t id, uintptr_t p1 = 0, uintptr_t p2 = 0) {
    const engine::ObjectMessage m = engine::MakeMessage(frame().GetKey(), id, p1, p2);
    frame().OnMessage(&m);
  }
  void SeatWithRoomOptions(uint32_t options) {
    shell::EnterGameData data = test::MakeTable();
    data.room.SetWord(shell::RoomBlock::kRoomOptions, options);
    const std::vector<uint8_t> bytes = data.Serialize();
    ASSERT_TRUE(app_->TakeStartData(bytes.data(), bytes.size()));
  }
};

TEST_F(ExitRules, AWatcherSendsTheLeaveRequestAtOnceAndTheWindowCloses) {
  Start(kWatcherLine);
  frame().ExitRules();
  EXPECT_EQ(server().CountOf(kQueryGameRunning), 0u);
  ASSERT_EQ(server().CountOf(kLeave), 1u);
  EXPECT_TRUE(ToldLobbyWindowState());
  EXPECT_TRUE(app_->IsCommThreadStopped());
  EXPECT_TRUE(Closed());
}

TEST_F(ExitRules, APlayerBetweenGamesLeavesAfterAskingTheServer) {
  Start();
  frame().ExitRules();
  EXPECT_EQ(server().CountOf(kQueryGameRunning), 1u);
  const auto* leave = server().Last(kLeave);
  ASSERT_NE(leave, nullptr);
  EXPECT_EQ(test::HexWords(leave->body), test::HexWords(test::Words({1001, 77, 5, 0})));
  EXPECT_TRUE(Closed());
}

TEST_F(ExitRules, TwelveSecondsAfterAForceExitRequestTheRulesOnlyAskForPatience) {
  Start();
  Running();
  app_->SetGameFlag(true);
  holder().SetForceExitCount(1);
  holder().SetForceExitTick(platform::GetTickCount() - 12000);
  frame().ExitRules();
  ASSERT_EQ(app_->system_texts.size(), 1u);
  EXPECT_EQ(app_->system_texts[0], " <c=2906200>已经请求退出，请耐心等候其他玩家回应(18秒)。\r\n");
  Frames(3);
  EXPECT_EQ(frame().panel->texts, app_->system_texts);  // it reached the side panel
  EXPECT_TRUE(frame().boxes.empty());
  EXPECT_EQ(frame().GetForceExitBox(), nullptr);
  EXPECT_EQ(server().CountOf(kLeave), 0u);
  EXPECT_FALSE(Closed());
}

TEST_F(ExitRules, DuringAGameTheForceExitBoxIsOfferedOnce) {
  Start();
  Running();
  frame().ExitRules();
  auto* box = dynamic_cast<dialogs::CInputMsgBox*>(frame().GetForceExitBox());
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->IsVisible());
  EXPECT_EQ(box->GetTitle(), "请求强退");
  EXPECT_EQ(box->GetMaxInput(), 60);
  EXPECT_EQ(box->GetText(),
            "游戏还没结束，强退操作将扣除大量银两。输入理由请求其他玩家同意。（最多30个汉字，最多请求2次）");
  EXPECT_EQ(box->GetDepth(), 90000.0);
  // Asking again while it shows changes nothing.
  const uint32_t key = box->GetKey();
  frame().ExitRules();
  EXPECT_EQ(frame().GetForceExitBox()->GetKey(), key);
  EXPECT_FALSE(Closed());
  // Cancel forgets it.
  box->PressCancel();
  Frames(2);
  EXPECT_EQ(frame().GetForceExitBox(), nullptr);
  EXPECT_EQ(server().CountOf(kForceExit), 0u);
}

TEST_F(ExitRules, TheConfirmedReasonGoesToTheServerAndStartsTheThirtySeconds) {
  Start();
  Running();
  frame().ShowForceExitRequest();
  ASSERT_NE(frame().GetForceExitBox(), nullptr);
  char* reason = shell::NewHeapText("家里有事");
  clock_->Advance(1000);
  const uint32_t now = platform::GetTickCount();
  Send(frame::frame_msg::kForceExitReason, reinterpret_cast<uintptr_t>(reason));
  const auto* sent = server().Last(kForceExit);
  ASSERT_NE(sent, nullptr);
  ASSERT_GE(sent->body.size(), 20u + 9u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(sent->body.data()) + 20), "家里有事");
  EXPECT_EQ(holder().GetForceExitCount(), 1);
  EXPECT_EQ(holder().GetForceExitTick(), now);
  EXPECT_EQ(frame().GetForceExitBox(), nullptr);
}

TEST_F(ExitRules, AfterTwoRequestsTheRulesAskToConfirmLeavingWithItsCost) {
  Start();
  Running();
  holder().SetForceExitCount(2);
  frame().ExitRules();
  EXPECT_EQ(frame().GetForceExitBox(), nullptr);
  ASSERT_EQ(frame().boxes.size(), 1u);
  const test::ShownBox& box = frame().boxes[0];
  EXPECT_EQ(box.text, "游戏还没有结束，现在退出要扣你分，还要扣你银子。确定退出吗？");
  EXPECT_EQ(box.buttons, 5);
  EXPECT_EQ(box.style, 53);
  EXPECT_EQ(box.icon, "qzf疑问");
  EXPECT_EQ(box.ok.id, frame::frame_msg::kConfirmExit);
  EXPECT_EQ(box.ok.target, frame().GetKey());
  EXPECT_EQ(box.cancel.id, 0u);
  // Its OK leaves.
  frame().SendMessage(&box.ok);
  EXPECT_EQ(server().CountOf(kLeave), 1u);
  EXPECT_TRUE(Closed());
}

TEST_F(ExitRules, InARoomThatForbidsLeavingTheRulesRefuse) {
  Start(test::kTestCommandLine, false);
  SeatWithRoomOptions(0x4004);
  Running();
  holder().SetForceExitCount(2);
  frame().ExitRules();
  ASSERT_EQ(frame().boxes.size(), 1u);
  EXPECT_EQ(frame().boxes[0].text,
            "生命不息，战斗不止，请继续游戏。\r\n(如果游戏中有玩家长时间不活动，请您等待2分钟后再退出)");
  EXPECT_EQ(frame().boxes[0].style, 49);
  EXPECT_EQ(frame().boxes[0].icon, "qzf打牌");
  EXPECT_EQ(frame().boxes[0].ok.id, 0u);
  EXPECT_FALSE(Closed());
}

TEST_F(ExitRules, ATableOptionThatForbidsForceExitGoesStraightToTheConfirmation) {
  Start("9|zipai|127.0.0.1|0|4242|1001|5|0|0x1000002");
  Running();
  frame().ExitRules();
  EXPECT_EQ(frame().GetForceExitBox(), nullptr);
  ASSERT_EQ(frame().boxes.size(), 1u);
  EXPECT_EQ(frame().boxes[0].style, 53);
}

TEST_F(ExitRules, ARefusedLeaveRequestShowsTheServersTextAndKeepsTheWindow) {
  Start();
  server().Answer(kLeave, net::answer::kNotAtTable);
  frame().ExitRules();
  ASSERT_EQ(frame().boxes.size(), 1u);
  EXPECT_EQ(frame().boxes[0].text, net::AnswerText(net::answer::kNotAtTable));
  EXPECT_EQ(frame().boxes[0].buttons, 5);
  EXPECT_EQ(frame().boxes[0].style, 0);
  EXPECT_FALSE(ToldLobbyWindowState());
  EXPECT_FALSE(app_->IsCommThreadStopped());
  EXPECT_FALSE(Closed());
}

TEST_F(ExitRules, OfflineThePlayerLeavesAtOnce) {
  StartOffline();
  frame().ExitRules();
  EXPECT_TRUE(server().Requests().empty());
  EXPECT_TRUE(Closed());
}

TEST_F(ExitRules, WithTheConnectionLostThePlayerLeavesAtOnce) {
  Start();
  Running();
  server().SetConnected(false);
  frame().ExitRules();
  EXPECT_EQ(server().CountOf(kQueryGameRunning), 0u);
  EXPECT_TRUE(frame().boxes.empty());
  EXPECT_TRUE(Closed());
}

TEST_F(ExitRules, AConnectionLostDuringTheLeaveRequestStillLetsThePlayerGo) {
  Start();
  server().SetConnected(false);
  frame().ConfirmExit();
  EXPECT_TRUE(frame().boxes.empty());
  EXPECT_TRUE(Closed());
}

TEST_F(ExitRules, TheCloseButtonAppliesTheRulesOnceAndTheWindowCloses) {
  Start();
  Send(frame::frame_msg::kCloseButton);
  Frames(1);
  EXPECT_EQ(server().CountOf(kQueryGameRunning), 1u);
  EXPECT_EQ(server().CountOf(kLeave), 1u);
  EXPECT_TRUE(Closed());
  EXPECT_EQ(server().CountOf(kQueryGameRunning), 1u);
}

TEST_F(ExitRules, OfflineAClickOnTheCloseButtonClosesTheWindow) {
  StartOffline();
  Mouse(platform::WM_MOUSEMOVE, 1006, 13);
  Mouse(platform::WM_LBUTTONDOWN, 1006, 13, platform::MK_LBUTTON);
  Mouse(platform::WM_LBUTTONUP, 1006, 13);
  EXPECT_TRUE(Closed());
  EXPECT_TRUE(server().Requests().empty());
}

TEST_F(ExitRules, CloseNowClosesWithoutAskingAnything) {
  Start();
  Send(frame::frame_msg::kCloseNow);
  EXPECT_TRUE(Closed());
  EXPECT_TRUE(server().Requests().empty());
}

TEST_F(ExitRules, InAMatchTheWindowClosesBeforeTheStartAndAfterTheEndElseTheCloseBoardAsks) {
  Start();
  app_->SetMatch(true);
  app_->GetMatchData().stage = 500;
  frame().CloseRequest();
  ASSERT_NE(frame().GetCloseBoard(), nullptr);
  EXPECT_TRUE(frame().GetCloseBoard()->IsVisible());
  EXPECT_FALSE(Closed());
  EXPECT_TRUE(server().Requests().empty());
  app_->GetMatchData().stage = 600;
  frame().CloseRequest();
  EXPECT_TRUE(Closed());
}

TEST_F(ExitRules, BeforeTheMatchStartsTheWindowJustCloses) {
  Start();
  app_->SetMatch(true);
  app_->GetMatchData().stage = 499;
  frame().CloseRequest();
  EXPECT_TRUE(Closed());
}

TEST_F(ExitRules, TheAnswerToAForceExitQuestionCarriesTheUserAndTheAnswer) {
  Start();
  Send(frame::frame_msg::kForceExitAnswer, 1002, 0);
  const auto* refused = server().Last(kAnswerForceExit);
  ASSERT_NE(refused, nullptr);
  EXPECT_EQ(test::HexWords(refused->body), test::HexWords(test::Words({1001, 77, 5, 0, 1002, 0})));
  Send(frame::frame_msg::kForceExitAnswer, 1003, 1);
  EXPECT_EQ(test::HexWords(server().Last(kAnswerForceExit)->body),
            test::HexWords(test::Words({1001, 77, 5, 0, 1003, 1})));
}

TEST_F(ExitRules, TheShopItemOpensThroughTheLobbyOrOfflineInTheBrowser) {
  Start();
  frame().OpenShopItem(-1);
  EXPECT_TRUE(lobby().Records().empty() || lobby().Records().back().code != shell::lobby_record::kText);
  frame().OpenShopItem(7);
  ASSERT_FALSE(lobby().Records().empty());
  const shell::LobbyRecord& record = lobby().Records().back();
  EXPECT_EQ(record.code, shell::lobby_record::kText);
  const std::string text(record.data.begin() + 4, record.data.end() - 1);
  EXPECT_EQ(record.data[0], 1);
  EXPECT_EQ(text, "http://localhost/shop/?clothesid=7");
  Send(frame::frame_msg::kExchangeLink);
  const std::string award(lobby().Records().back().data.begin() + 4, lobby().Records().back().data.end() - 1);
  EXPECT_EQ(award, app_->GetAwardPageAddress() + "&act=dj");
}

TEST_F(ExitRules, OfflineTheShopItemOpensInTheBrowser) {
  StartOffline();
  frame().OpenShopItem(3);
  ASSERT_FALSE(platform::GetHeadlessDesktop().opened.empty());
  EXPECT_EQ(platform::GetHeadlessDesktop().opened.back(), "http://localhost/shop/?clothesid=3");
}

}  // namespace
