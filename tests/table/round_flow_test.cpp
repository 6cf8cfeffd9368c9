// ctest-labels: play table tsan
// A round as the scripted server runs it through the application's own notification handler:
// the table stops waiting for the player while it runs (start button, idle kick) and waits
// again only afterwards, so the idle kick never comes during a round; table notices reach the
// view, malformed ones refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ui/image_button.h"
#include "net/request_ids.h"
#include "shell/server_notify.h"
#include "table/table_messages.h"
#include "tests/support/play_fixture.h"

namespace {

constexpr const char* kKickText = "由于您长时间没有开始游戏，系统请您离开游戏|qzf抱歉";
const std::vector<std::vector<int32_t>> kHands = {{5, 18, 30, 8}, {40, 41, 42, 43}, {44, 45, 46, 47}};

class RoundFlow : public test::PlayFixture {
 protected:
  // Options 0x40 and 0x80 (the idle kick, 3 s, and the start request 201165); the table waits.
  void BeginKickTable() {
    BeginTable(0, 0x10000C0, false, false);
    std::vector<uint8_t> answer(64 * 4, 0);
    answer[table::CGameView::kKickSecondsWord * 4] = 3;
    app_->SetAnswerBuffer(answer.data(), answer.size());
    view().LoadKickTime();
    view().ShowStartButton();
    ASSERT_NE(view().GetKickEvent(), 0u);
  }
  void Notice(const std::string& text, size_t head = 32) {
    std::vector<uint8_t> body(head + text.size(), 0);
    std::copy(text.begin(), text.end(), body.begin() + static_cast<std::ptrdiff_t>(head));
    (*server_)->Push(shell::notify::kTableNotice, body);
    Frames(5);  // a posted message reaches its object in the object module's next turns
  }
};

TEST_F(RoundFlow, TheIdleKickNeverComesDuringARoundAndComesBackWhenTheTableWaitsAgain) {
  BeginKickTable();
  // The player starts (201165 accepted): the kick is off, through the whole round.
  Send(table::view_msg::kStartButton);
  EXPECT_EQ(view().GetKickEvent(), 0u);
  game().Start(kHands, 0);
  view().ShowStartButton();  // nothing while the round runs
  EXPECT_FALSE(Shown(view().GetStartButton()));
  EXPECT_EQ(view().GetKickEvent(), 0u);
  Seconds(5);
  Send(table::view_msg::kIdleKick);  // one that comes all the same is dropped
  EXPECT_GT(game().PlayRound(), 0);
  Seconds(5);
  EXPECT_TRUE(frame().exit_boxes.empty());
  EXPECT_NE(GameLog().find("the idle kick came while a round runs; dropped"), std::string::npos);

  // After the settlement the table waits for the player again, and the kick comes once.
  Send(table::view_msg::kSettlementClosed);
  Seconds(4);
  EXPECT_EQ(frame().exit_boxes, (std::vector<std::string>{kKickText}));
  // A round the server starts without the player's start stops it too.
  view().ShowStartButton();
  game().Start(kHands, 0);
  Seconds(5);
  EXPECT_EQ(frame().exit_boxes.size(), 1u);
}

TEST_F(RoundFlow, ATableNoticeReachesTheViewAndOneWithoutTextIsRefusedWithALine) {
  BeginTable(0, 0x1000000, false, false);
  Notice("今晚八点比赛");
  Notice("", 32);
  Notice(std::string(8, '\0'), 32);  // a longer body whose text is empty
  // A text longer than the view takes is cut before a character it would split.
  Notice(std::string(4063, 'a') + "好");
  EXPECT_EQ(view().notices, (std::vector<std::string>{"今晚八点比赛", std::string(4063, 'a')}));
  EXPECT_NE(GameLog().find("notification 211920 (32 bytes) refused: no text"), std::string::npos);
  EXPECT_NE(GameLog().find("notification 211920 (40 bytes) refused: no text"), std::string::npos);
}

}  // namespace
