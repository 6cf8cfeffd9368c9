// ctest-labels: frame tsan
// What the frame hands on and shows: the table's events to the table scene and the side panel in
// order, the queue of match boards (one at a time, the round request cancelled), the match
// welcome line, the notice board and the auto-play animation.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "engine/core/canvas_object.h"
#include "engine/core/sprite_object.h"
#include "engine/ui/digit_strip.h"
#include "engine/ui/rect_queue_widget.h"
#include "frame/frame_messages.h"
#include "frame/game_frame.h"
#include "net/request_ids.h"
#include "shell/app_frame_view.h"
#include "tests/support/frame_fixture.h"

namespace {

using test::ChildMessage;

std::vector<std::string> Trace(const std::vector<ChildMessage>& log) {
  std::vector<std::string> out;
  for (const ChildMessage& m : log) out.push_back(m.child + " " + std::to_string(m.id));
  return out;
}

class Forwarding : public test::FrameFixture {};

TEST_F(Forwarding, PlayerEventsGoToTheTableThenThePanelThenTheUserListIsRefreshed) {
  Start();
  app_->child_log.clear();
  const shell::PlayerRecord record = test::MakePlayer(1004, 1, "dan");
  frame().OnPlayerEnter(&record);
  EXPECT_EQ(Trace(app_->child_log),
            (std::vector<std::string>{"MainGame 80000014", "SubSystem 80000014", "SubSystem 80000019"}));
  EXPECT_EQ(app_->child_log[0].p1, reinterpret_cast<uintptr_t>(&record));
  app_->child_log.clear();
  frame().OnLookerLeave(&record);
  frame().OnRandomTable();
  frame().OnMovedTable();
  const shell::SafeBoxRecord safe_box;
  frame().OnSafeBoxEvent(safe_box);
  EXPECT_EQ(
      Trace(app_->child_log),
      (std::vector<std::string>{"MainGame 80000017", "SubSystem 80000017", "SubSystem 80000019", "MainGame 80000018",
                                "SubSystem 80000018", "SubSystem 80000019", "MainGame 80000020", "SubSystem 80000020",
                                "SubSystem 80000019", "MainGame 80000021", "SubSystem 80000021"}));
}

TEST_F(Forwarding, ChairRecordsGoToThePanelFirst) {
  Start();
  app_->child_log.clear();
  const shell::ChairRecords records;
  frame().OnChairRecords(records);
  EXPECT_EQ(Trace(app_->child_log), (std::vector<std::string>{"SubSystem 80000062", "MainGame 80000062"}));
  EXPECT_EQ(app_->child_log[0].p1, reinterpret_cast<uintptr_t>(&records));
  app_->child_log.clear();
  frame().NotifyMainGame();
  frame().OpenSettings();
  EXPECT_EQ(Trace(app_->child_log), (std::vector<std::string>{"MainGame 80000003", "MainGame 80000076"}));
}

TEST_F(Forwarding, WithoutChildrenNothingIsHandedOn) {
  children_ = false;
  Start();
  const shell::PlayerRecord record = test::MakePlayer(1004, 1, "dan");
  frame().OnPlayerEnter(&record);
  frame().OnChairRecords(shell::ChairRecords{});
  frame().NotifyMainGame();
  EXPECT_TRUE(app_->child_log.empty());
}

TEST_F(Forwarding, MatchBoardsComeOutOfTheQueueOneAtATimeAndTheRoundRequestIsCancelled) {
  app_->SetMatch(true);
  Start(test::kTestCommandLine, false);
  app_->SetGameFlag(true);
  ASSERT_NE(frame().GetBoardQueue(), nullptr);
  // A round request is due 15 s after the round title.
  const engine::ObjectMessage round = engine::MakeMessage(frame().GetKey(), frame::frame_msg::kRoundTimer, 0, 0);
  frame().SetRoundTimer(frame().Delay(15000, &round));
  auto* end = new uint8_t[40]();
  auto* result = new uint8_t[224]();
  result[0] = 7;
  frame().QueueMatchEnd(reinterpret_cast<uintptr_t>(end));
  frame().QueueMatchResult(reinterpret_cast<uintptr_t>(result));
  Frames(10);
  EXPECT_EQ(frame().queue_log, (std::vector<std::string>{"end", "result 7"}));
  EXPECT_TRUE(frame().GetBoardQueue()->IsEmpty());
  Frames(3200);  // 16 s: the cancelled round timer never fires
  EXPECT_EQ(server().CountOf(net::request::kRoundRequest), 0u);
}

TEST_F(Forwarding, TheTablesReadingOfTheFramesMemberIsTheMatchCountdown) {
  Start();
  EXPECT_EQ(shell::GetAppViewMember(), nullptr);
  app_.reset();
  app_ = std::make_unique<test::FrameApp>();
  app_->SetMatch(true);
  Start(test::kTestCommandLine, false);
  ASSERT_NE(frame().GetCountdown(), nullptr);
  EXPECT_EQ(shell::GetAppViewMember(), static_cast<engine::EngineObject*>(frame().GetCountdown()));
}

TEST_F(Forwarding, TheRoundTimerAsksForTheNextRoundWhileAGameIsOn) {
  Start();
  app_->SetGameFlag(true);
  const engine::ObjectMessage round = engine::MakeMessage(frame().GetKey(), frame::frame_msg::kRoundTimer, 0, 0);
  frame().OnMessage(&round);
  EXPECT_EQ(server().CountOf(net::request::kRoundRequest), 1u);
  app_->SetGameFlag(false);
  frame().OnMessage(&round);
  EXPECT_EQ(server().CountOf(net::request::kRoundRequest), 1u);
}

TEST_F(Forwarding, OutsideAMatchQueuedRecordsAreFreedAtOnce) {
  Start();
  EXPECT_EQ(frame().GetBoardQueue(), nullptr);
  frame().QueueMatchEnd(reinterpret_cast<uintptr_t>(new uint8_t[40]()));
  frame().QueueMatchResult(reinterpret_cast<uintptr_t>(new uint8_t[224]()));
  Frames(5);
  EXPECT_TRUE(frame().queue_log.empty());
}

TEST_F(Forwarding, TheMatchWelcomeLineNeedsTheOwnMatchRecord) {
  Start();
  app_->GetMatchData().next_duan_score = 500;
  frame().ShowMatchWelcome();
  EXPECT_TRUE(app_->system_texts.empty());
  shell::TableExtraRecord extra;
  extra.SetWord(0, 1001);
  extra.SetWord(shell::TableExtraRecord::kDuanIndex, 2);
  extra.SetWord(shell::TableExtraRecord::kDuanScore, 380);
  ASSERT_TRUE(app_->SetTableExtra(0, extra.bytes, sizeof extra.bytes));
  frame().ShowMatchWelcome();
  ASSERT_EQ(app_->system_texts.size(), 1u);
  EXPECT_EQ(app_->system_texts[0],
            " <z=qm系统通知><c=527845> 欢迎加入比赛,您还需要获得:\r\n<c=16711680>120段位分<c=527845>升入<z=bit_Duan,3>"
            "<m=qzf加油>\r\n");
  Frames(3);
  EXPECT_EQ(frame().panel->texts.size(), 1u);
}

TEST_F(Forwarding, TheNoticeBoardShowsOverTheTableAndItsButtonHidesIt) {
  Start();
  frame().ShowNoticeBoard("恭喜您，报名成功！", 0xFFFFFF, 16);
  engine::CanvasObject* board = frame().GetNoticeBoard();
  ASSERT_NE(board, nullptr);
  EXPECT_TRUE(board->IsVisible());
  EXPECT_EQ(board->GetX(), 383);
  EXPECT_EQ(board->GetY(), 25 + 739 / 3);
  Frames(30);
  EXPECT_NE(std::find(music_->asked.begin(), music_->asked.end(), "snd_dang"), music_->asked.end());
  const engine::ObjectMessage hide = engine::MakeMessage(board->GetKey(), engine::msg::kHide, 0, 0);
  board->OnMessage(&hide);
  Frames(3);
  EXPECT_FALSE(board->IsVisible());
}

TEST_F(Forwarding, WithoutItsPictureTheNoticeBoardDoesNothing) {
  skin_ = false;
  Start();
  frame().ShowNoticeBoard("x", 0xFFFFFF, 16);
  EXPECT_EQ(frame().GetNoticeBoard(), nullptr);
}

TEST_F(Forwarding, TheAutoPlayAnimationShowsOnTheTableAndHides) {
  Start();
  frame().ShowAutoPlay(true);
  engine::SpriteObject* animation = frame().GetAutoPlayAnimation();
  ASSERT_NE(animation, nullptr);
  EXPECT_TRUE(animation->IsVisible());
  EXPECT_EQ(animation->GetDepth(), 52000.0);
  EXPECT_EQ(animation->GetX(), 383);
  frame().ShowAutoPlay(false);
  EXPECT_FALSE(animation->IsVisible());
}

}  // namespace
