// ctest-labels: play table
// A round as the scripted server runs it, every notification through the application's own
// notification handler: the application's game flags follow the round, the table stops waiting
// for the player (start button, waiting sign, idle kick) and waits again only afterwards, so the
// idle kick never comes during a round; and table notices reach the view, malformed ones refused.
#include <gtest/gtest.h>

#include <string>
#include <typeinfo>
#include <vector>

#include "engine/core/sprite_object.h"
#include "engine/ui/image_button.h"
#include "net/request_ids.h"
#include "shell/server_notify.h"
#include "table/table_messages.h"
#include "tests/support/play_fixture.h"

namespace {

namespace notify = shell::notify;

constexpr const char* kKickText = "由于您长时间没有开始游戏，系统请您离开游戏|qzf抱歉";
// Options 0x40 and 0x80: the idle kick and the automatic start (201165).
constexpr uint32_t kKickTable = 0x10000C0;
constexpr int32_t kKickSeconds = 3;

const std::vector<std::vector<int32_t>> kHands = {{5, 18, 30, 8}, {40, 41, 42, 43}, {44, 45, 46, 47}};

class RoundFlow : public test::PlayFixture {
 protected:
  // A table with the idle kick, waiting for the user to start.
  void BeginKickTable() {
    BeginTable(0, kKickTable, false, false);
    std::vector<uint8_t> answer(64 * 4, 0);
    answer[table::CGameView::kKickSecondsWord * 4] = kKickSeconds;
    app_->SetAnswerBuffer(answer.data(), answer.size());
    view().LoadKickTime();
    view().ShowStartButton();
    ASSERT_NE(view().GetKickEvent(), 0u);
  }
  void Push(uint32_t id, const std::vector<uint8_t>& body) {
    (*server_)->Push(id, body);
    Frames(5);  // a posted message reaches its object in the object module's next turns
  }
  static std::vector<uint8_t> Notice(const std::string& text) {
    std::vector<uint8_t> body(32, 0);
    body.insert(body.end(), text.begin(), text.end());
    body.push_back(0);
    return body;
  }
};

TEST_F(RoundFlow, TheRoundSetsTheApplicationsFlagsAndTheTableStopsWaitingUntilItEnds) {
  BeginTable(0, 0x1000000, false, false);
  // The application's own handler, not one of the tests'.
  EXPECT_EQ(typeid(*app_->GetNotifyHandler()), typeid(shell::CCardServerNotify));
  view().ShowWaiting();
  view().ShowStartButton();
  game().Start(kHands, 0);
  EXPECT_EQ(app_->IsGameRunning(), 1);
  EXPECT_TRUE(app_->GetGameFlag());
  EXPECT_FALSE(Shown(view().GetStartButton()));
  EXPECT_EQ(view().GetWaitSign()->IsVisible(), 0u);
  // While the round runs the table shows neither the start button nor the waiting sign.
  view().ShowStartButton();
  view().ShowWaiting();
  EXPECT_FALSE(Shown(view().GetStartButton()));
  EXPECT_EQ(view().GetWaitSign()->IsVisible(), 0u);

  game().End();
  EXPECT_EQ(app_->IsGameRunning(), 0);
  EXPECT_FALSE(app_->GetGameFlag());
  EXPECT_EQ(view().GetClockTimer(), 0u);
  Send(table::view_msg::kSettlementClosed);
  EXPECT_TRUE(Shown(view().GetStartButton()));
}

TEST_F(RoundFlow, ThePlayerWhoStartsIsNeverKickedDuringTheRoundAndIsKickedOnlyWhenTheTableWaitsAgain) {
  BeginKickTable();
  // The player starts (201165 accepted): the kick is off, through the whole round.
  Send(table::view_msg::kStartButton);
  EXPECT_EQ((*server_)->CountOf(net::request::kStartAuto), 1u);
  EXPECT_EQ(view().GetKickEvent(), 0u);
  game().Start(kHands, 0);
  Seconds(kKickSeconds + 2);
  EXPECT_GT(game().PlayRound(), 0);
  Seconds(kKickSeconds + 2);
  EXPECT_TRUE(frame().exit_boxes.empty());

  // After the settlement the table waits for the player again: now the kick comes, once.
  Send(table::view_msg::kSettlementClosed);
  EXPECT_NE(view().GetKickEvent(), 0u);
  Seconds(kKickSeconds + 1);
  EXPECT_EQ(frame().exit_boxes, (std::vector<std::string>{kKickText}));
}

TEST_F(RoundFlow, ARoundTheServerStartsStopsTheKickAndALateKickIsDropped) {
  BeginKickTable();
  game().Start(kHands, 0);
  EXPECT_EQ(view().GetKickEvent(), 0u);
  Seconds(kKickSeconds + 2);
  // A kick that comes while the round runs all the same is dropped with a log line.
  Send(table::view_msg::kIdleKick);
  EXPECT_TRUE(frame().exit_boxes.empty());
  EXPECT_NE(GameLog().find("the idle kick came while a round runs; dropped"), std::string::npos);
  // A refused start shows the button again, which waits for the player: the kick is armed.
  game().End();
  (*server_)->AnswerOnce(net::request::kStartAuto, 1020);
  Send(table::view_msg::kStartButton);
  EXPECT_TRUE(Shown(view().GetStartButton()));
  EXPECT_NE(view().GetKickEvent(), 0u);
}

TEST_F(RoundFlow, ATableNoticeReachesTheViewAndAMalformedOneIsRefused) {
  BeginTable(0, 0x1000000, false, false);
  Push(notify::kTableNotice, Notice("今晚八点比赛"));
  EXPECT_EQ(view().notices, (std::vector<std::string>{"今晚八点比赛"}));
  // No text at all: refused. An empty text reaches the view, which shows nothing.
  Push(notify::kTableNotice, std::vector<uint8_t>(32, 0));
  Push(notify::kTableNotice, Notice(""));
  EXPECT_EQ(view().notices.size(), 1u);
  EXPECT_NE(GameLog().find("notification 211920 (32 bytes) refused: no text"), std::string::npos);
  // A text longer than the view takes is cut before a character it would split.
  Push(notify::kTableNotice, Notice(std::string(4063, 'a') + "好"));
  ASSERT_EQ(view().notices.size(), 2u);
  EXPECT_EQ(view().notices[1], std::string(4063, 'a'));
  EXPECT_EQ(view().notice_sizes[1], 32u + 4063u);
}

}  // namespace
