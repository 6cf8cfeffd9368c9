// ctest-labels: frame match tsan
// Match mode over the table, in the client's frame with the default skin on the manual clock: the
// countdown's texts and its one timer, sign-up and give-up to the server, the boards and the ones
// that close the window, rounds and the match's beginning, the tables still playing, the result
// dialog, the queue of match boards (delivered one at a time, freed when undelivered) and the
// ranking handed to the side panel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/canvas_object.h"
#include "engine/core/sprite_object.h"
#include "engine/ui/digit_strip.h"
#include "engine/ui/image_button.h"
#include "engine/ui/rect_queue_widget.h"
#include "engine/ui/rich_text_box.h"
#include "frame/frame_messages.h"
#include "frame/game_frame.h"
#include "frame/match_ranking.h"
#include "net/request_ids.h"
#include "shell/server_notify.h"
#include "tests/support/frame_fixture.h"

namespace {

using engine::ImageButton;
using test::ChildMessage;
using test::Words;

void PutWord(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

class MatchMode : public test::FrameFixture {
 protected:
  // The frame of a match table before the start, with the given seconds to go.
  void StartMatch(int32_t seconds = 600, int32_t stage = 100) {
    app_->SetMatch(true);
    app_->GetMatchData().stage = stage;
    app_->GetMatchData().seconds_to_start = seconds;
    Start();
  }
  shell::MatchData& Data() { return app_->GetMatchData(); }
  bool Heard(const std::string& sound) {
    Frames(2);
    return std::find(music_->played.begin(), music_->played.end(), sound) != music_->played.end();
  }
  std::string CountdownShown() { return frame().GetCountdown()->GetText(); }
  // Seconds of the frame's clock. A timer's action is taken in the engine's next turn, so its
  // ticks come a few frames after each whole second: Settle steps past that once.
  void Seconds(int seconds) { Frames(seconds * 200); }
  void Settle() { Frames(10); }
  bool Closed() {
    Frames(2);
    return !window().IsWindow();
  }
  const engine::ImageRecord* StatePictureShows() {
    engine::PictureInfo info;
    frame().GetStatePicture()->ImageCall(&info);
    return info.record;
  }
  const engine::ImageRecord* Picture(const char* name) { return frame().GetPictureInfo(name, 0).record; }
  std::vector<uint32_t> SentTo(const std::string& child) {
    std::vector<uint32_t> ids;
    for (const ChildMessage& m : app_->child_log)
      if (m.child == child) ids.push_back(m.id);
    return ids;
  }
  // What a request carried, and the user's seat as the match requests carry it: user, room
  // record, table record, chair.
  std::vector<uint8_t> RequestBody(uint32_t id) {
    const test::FakeGameServer::Received* request = server().Last(id);
    return request != nullptr ? request->body : std::vector<uint8_t>{};
  }
  std::vector<uint8_t> SeatWords() {
    return Words({app_->GetUserId(), app_->GetRoomRecordId(), app_->GetTableRecordId(),
                  static_cast<uint32_t>(app_->GetChair())});
  }
  // A match result record of 224 bytes.
  std::vector<uint8_t> ResultRecord(uint32_t rank, uint32_t award, const std::string& award_name) {
    std::vector<uint8_t> r(224, 0);
    PutWord(r, 12, 1001);  // the own user
    PutWord(r, 16, 41);
    PutWord(r, 20, rank);
    PutWord(r, 24, 12);   // duan score gained
    PutWord(r, 28, 0);    // no tickets
    PutWord(r, 32, 500);  // silver
    PutWord(r, 36, award);
    std::memcpy(r.data() + 44, award_name.data(), award_name.size());
    PutWord(r, 180, 5);  // the tail's words 2 to 4: duan index, score, score needed
    PutWord(r, 184, 380);
    PutWord(r, 188, 600);
    return r;
  }
};

TEST(MatchCountdown, TheTextShowsDaysHoursAndMinutesOnlyWhereTheyCount) {
  EXPECT_EQ(frame::GameFrame::CountdownText(90060), "比赛倒计时:1天1小时1分0秒");
  EXPECT_EQ(frame::GameFrame::CountdownText(86459), "比赛倒计时:1天0小时0分59秒");
  EXPECT_EQ(frame::GameFrame::CountdownText(7200), "比赛倒计时:2小时0分0秒");
  EXPECT_EQ(frame::GameFrame::CountdownText(3599), "比赛倒计时:59分59秒");
  EXPECT_EQ(frame::GameFrame::CountdownText(59), "比赛倒计时:59秒");
  EXPECT_EQ(frame::GameFrame::CountdownText(0), "比赛倒计时:0秒");
}

TEST(MatchCountdown, TheFeeLineNamesSilverOrTokensAndNothingElse) {
  EXPECT_EQ(frame::GameFrame::FeeText(30, 1), "报名费30两\r\n");
  EXPECT_EQ(frame::GameFrame::FeeText(5, 2), "报名费5通宝\r\n");
  EXPECT_EQ(frame::GameFrame::FeeText(30, 3), "");
}

TEST_F(MatchMode, TheMatchPartsAreMadeHiddenAndTheCountdownTicksOnceASecond) {
  StartMatch(90061);
  ASSERT_NE(frame().GetStatePicture(), nullptr);
  ASSERT_NE(frame().GetCountdown(), nullptr);
  ASSERT_NE(frame().GetFeeLine(), nullptr);
  EXPECT_FALSE(frame().GetStatePicture()->IsVisible());
  EXPECT_FALSE(frame().GetSignUpButton()->IsVisible());
  EXPECT_FALSE(frame().GetCountdown()->IsVisible());
  frame().OnMatchProgress();
  EXPECT_EQ(Data().seconds_to_start, 90060);
  EXPECT_EQ(CountdownShown(), "比赛倒计时:1天1小时1分0秒");
  EXPECT_TRUE(frame().GetCountdown()->IsVisible());
  Settle();
  Seconds(1);
  EXPECT_EQ(Data().seconds_to_start, 90059);
  EXPECT_EQ(CountdownShown(), "比赛倒计时:1天1小时0分59秒");
  Seconds(3);
  EXPECT_EQ(Data().seconds_to_start, 90056);
  // The countdown sits on the table's middle.
  const platform::RECT t = frame().GetMainGameRect();
  EXPECT_EQ(frame().GetCountdown()->GetX(), t.left + (t.right - t.left) / 2);
}

TEST_F(MatchMode, AnHourLeftShowsMinutesAndSecondsOnly) {
  StartMatch(3600);
  frame().OnMatchProgress();
  EXPECT_EQ(CountdownShown(), "比赛倒计时:59分59秒");
}

TEST_F(MatchMode, InTheLastMinuteTheGiveUpButtonGoesAndTheCountdownStopsAtZero) {
  StartMatch(60);
  frame().OnMatchProgress();
  EXPECT_EQ(CountdownShown(), "比赛倒计时:59秒");
  EXPECT_FALSE(frame().GetGiveUpButton()->IsVisible());
  Seconds(70);
  EXPECT_EQ(Data().seconds_to_start, 0);
  EXPECT_EQ(CountdownShown(), "比赛倒计时:0秒");
  EXPECT_EQ(frame().GetCountdownTimer(), 0u);
}

TEST_F(MatchMode, AMatchInformationComingTwiceKeepsOneTimer) {
  StartMatch(600);
  frame().OnMatchProgress();
  frame().OnMatchProgress();  // each start counts its own first second
  EXPECT_EQ(Data().seconds_to_start, 598);
  Settle();
  Seconds(5);
  EXPECT_EQ(Data().seconds_to_start, 593);  // five ticks, not ten
}

TEST_F(MatchMode, OnceTheMatchHasStartedATickStopsAndHidesTheCountdown) {
  StartMatch(600);
  frame().OnMatchProgress();
  Data().stage = 500;
  Settle();
  Seconds(1);
  EXPECT_FALSE(frame().GetCountdown()->IsVisible());
  EXPECT_EQ(frame().GetCountdownTimer(), 0u);
  EXPECT_EQ(Data().seconds_to_start, 599);
  Seconds(3);
  EXPECT_EQ(Data().seconds_to_start, 599);
}

TEST_F(MatchMode, WithNoSecondsLeftTheCountdownShowsZeroTime) {
  StartMatch(0);
  frame().OnMatchProgress();
  EXPECT_EQ(CountdownShown(), "比赛倒计时:0时0分0秒");
  EXPECT_EQ(frame().GetCountdownTimer(), 0u);
}

TEST_F(MatchMode, ProgressTellsTheChildrenShowsTheGiveUpButtonAndWelcomesThePlayer) {
  StartMatch(600);
  Data().info_value = 37;
  app_->child_log.clear();
  frame().OnMatchProgress();
  EXPECT_EQ(SentTo("MainGame"), (std::vector<uint32_t>{80000030, 80000028}));
  EXPECT_EQ(SentTo("SubSystem"), (std::vector<uint32_t>{80000030, 80000028, 80000075}));
  EXPECT_EQ(app_->child_log[1].child, "SubSystem");  // each message to both, in turn
  EXPECT_EQ(app_->child_log[3].p1, 37u);
  ImageButton* give_up = frame().GetGiveUpButton();
  EXPECT_TRUE(give_up->IsVisible());
  const platform::RECT t = frame().GetMainGameRect();
  EXPECT_EQ(give_up->GetLeft(), t.left);
  EXPECT_EQ(give_up->GetBottom(), t.bottom);
}

TEST_F(MatchMode, SigningUpAsksTheServerAndPausesTheButtonForFiveSeconds) {
  StartMatch(600);
  frame().ShowNoSignUpBoard();
  ImageButton* sign_up = frame().GetSignUpButton();
  ASSERT_TRUE(sign_up->IsVisible());
  const engine::ObjectMessage click = sign_up->GetMessage();
  EXPECT_EQ(click.id, frame::frame_msg::kSignUp);
  frame().SendMessage(&click);
  EXPECT_EQ(server().CountOf(net::request::kMatchSignUp), 1u);
  EXPECT_EQ(RequestBody(net::request::kMatchSignUp), SeatWords());
  Frames(2);
  EXPECT_EQ(sign_up->GetState(), ImageButton::kDisabled);
  Seconds(4);
  EXPECT_EQ(sign_up->GetState(), ImageButton::kDisabled);
  Seconds(2);
  EXPECT_NE(sign_up->GetState(), ImageButton::kDisabled);
}

TEST_F(MatchMode, GivingUpAsksTheServerAndPausesItsButtonToo) {
  StartMatch(600);
  frame().OnMatchProgress();
  ImageButton* give_up = frame().GetGiveUpButton();
  const engine::ObjectMessage click = give_up->GetMessage();
  EXPECT_EQ(click.id, frame::frame_msg::kGiveUp);
  frame().SendMessage(&click);
  EXPECT_EQ(server().CountOf(net::request::kMatchGiveUp), 1u);
  EXPECT_EQ(server().CountOf(net::request::kMatchSignUp), 0u);
  EXPECT_EQ(RequestBody(net::request::kMatchGiveUp), SeatWords());
  Frames(2);
  EXPECT_EQ(give_up->GetState(), ImageButton::kDisabled);
  Seconds(6);
  EXPECT_NE(give_up->GetState(), ImageButton::kDisabled);
}

TEST_F(MatchMode, TheNoSignUpBoardOffersTheButtonWithItsFeeBeside) {
  StartMatch(600);
  Data().signup_fee = 30;
  Data().fee_kind = 1;
  frame().ShowNoSignUpBoard();
  engine::SpriteObject* state = frame().GetStatePicture();
  EXPECT_TRUE(state->IsVisible());
  EXPECT_EQ(StatePictureShows(), Picture("animation_NoSignUp"));
  ImageButton* sign_up = frame().GetSignUpButton();
  EXPECT_EQ(sign_up->GetX(), state->GetX());
  EXPECT_EQ(sign_up->GetY(), state->GetBottom() + sign_up->GetHeight());
  engine::DigitStrip* fee = frame().GetFeeLine();
  EXPECT_STREQ(fee->GetText(), "报名费30两\r\n");
  EXPECT_TRUE(fee->IsVisible());
  EXPECT_DOUBLE_EQ(fee->GetLeft(), sign_up->GetRight() + 10);
  EXPECT_DOUBLE_EQ(fee->GetY(), sign_up->GetY());
  // Not a final board: the window stays.
  Seconds(16);
  EXPECT_FALSE(Closed());
}

TEST_F(MatchMode, TheSelfCancelBoardStopsTheCountdownAndPutsTheFeeFivePixelsAway) {
  StartMatch(600);
  Data().signup_fee = 5;
  Data().fee_kind = 2;
  frame().OnMatchProgress();
  frame().ShowSelfCancelBoard();
  EXPECT_FALSE(frame().GetCountdown()->IsVisible());
  EXPECT_EQ(StatePictureShows(), Picture("bit_SelfCancel"));
  EXPECT_STREQ(frame().GetFeeLine()->GetText(), "报名费5通宝\r\n");
  EXPECT_DOUBLE_EQ(frame().GetFeeLine()->GetLeft(), frame().GetSignUpButton()->GetRight() + 5);
  const int32_t left = Data().seconds_to_start;
  Seconds(3);
  EXPECT_EQ(Data().seconds_to_start, left);
  Seconds(14);
  EXPECT_FALSE(Closed());
}

TEST_F(MatchMode, AFinalBoardClosesTheWindowAfterFifteenSeconds) {
  StartMatch(600);
  frame().ShowWashoutBoard();
  EXPECT_TRUE(frame().GetStatePicture()->IsVisible());
  EXPECT_EQ(StatePictureShows(), Picture("bit_Washout"));
  Seconds(14);
  EXPECT_FALSE(Closed());
  Seconds(1);
  EXPECT_TRUE(Closed());
}

TEST_F(MatchMode, EveryBoardShowsItsPicture) {
  StartMatch(600);
  struct Case {
    void (frame::GameFrame::*show)();
    const char* picture;
  } cases[] = {
      {&frame::GameFrame::ShowMatchEndBoard, "bit_MatchEnd"},
      {&frame::GameFrame::ShowMatchLateBoard, "bit_MatchLate"},
      {&frame::GameFrame::ShowSystemCancelBoard, "bit_SystemCancel"},
      {&frame::GameFrame::ShowWaitSignUpCheckBoard, "bit_WaitSignUpCheck"},
      {&frame::GameFrame::ShowSystemRejectedBoard, "bit_SystemRejected"},
      {&frame::GameFrame::ShowMatchStartedBoard, "bit_MatchStarted"},
  };
  for (const Case& c : cases) {
    (frame().*c.show)();
    EXPECT_EQ(StatePictureShows(), Picture(c.picture)) << c.picture;
  }
  frame().ShowWaitAnimation(3);
  EXPECT_EQ(StatePictureShows(), Picture("animation_WaitCaclRank"));
  frame().ShowWaitAnimation(2);  // no such animation: the picture stays
  EXPECT_EQ(StatePictureShows(), Picture("animation_WaitCaclRank"));
}

TEST_F(MatchMode, SigningUpHidesTheMatchPartsAndShowsTheNotice) {
  StartMatch(600);
  frame().OnMatchProgress();
  frame().ShowNoSignUpBoard();
  frame().OnSignUpOk();
  EXPECT_FALSE(frame().GetSignUpButton()->IsVisible());
  EXPECT_FALSE(frame().GetGiveUpButton()->IsVisible());
  EXPECT_FALSE(frame().GetStatePicture()->IsVisible());
  EXPECT_FALSE(frame().GetCountdown()->IsVisible());
  ASSERT_NE(frame().GetNoticeBoard(), nullptr);
  EXPECT_TRUE(frame().GetNoticeBoard()->IsVisible());
}

TEST_F(MatchMode, ARoundShowsItsTitleForTwoSecondsAndAsksForTheNextRoundOnce) {
  StartMatch(0, 500);
  app_->SetGameFlag(true);
  Data().round = 2;
  app_->child_log.clear();
  frame().ShowMatchRound();
  engine::DigitStrip* title = frame().GetRoundTitle();
  EXPECT_STREQ(title->GetText(), "定局淘汰第2轮");
  EXPECT_TRUE(title->IsVisible());
  EXPECT_EQ(SentTo("MainGame"), (std::vector<uint32_t>{80000002}));
  Seconds(1);
  Data().round = 3;
  frame().ShowMatchRound();  // the next round's title and request replace this one's
  Seconds(1);
  EXPECT_TRUE(title->IsVisible());
  Seconds(2);
  EXPECT_FALSE(title->IsVisible());
  Seconds(13);
  EXPECT_EQ(server().CountOf(net::request::kRoundRequest), 1u);
}

TEST_F(MatchMode, TheMatchBeginsWithItsAnimationAndTellsTheServerOnceItHasFaded) {
  StartMatch(0, 500);
  app_->child_log.clear();
  frame().OnMatchBegin();
  EXPECT_EQ(SentTo("SubSystem"), (std::vector<uint32_t>{80000025}));
  ASSERT_NE(frame().GetTableAnimation(), nullptr);
  EXPECT_TRUE(frame().GetTableAnimation()->IsVisible());
  EXPECT_FALSE(frame().GetStatePicture()->IsVisible());
  EXPECT_TRUE(Heard("Snd_GameStart"));
  EXPECT_EQ(server().CountOf(net::request::kMatchBegun), 0u);
  Seconds(5);
  EXPECT_EQ(server().CountOf(net::request::kMatchBegun), 1u);
  EXPECT_TRUE(frame().GetStatePicture()->IsVisible());
  EXPECT_EQ(StatePictureShows(), Picture("animation_WaitArrangeTable"));
}

TEST_F(MatchMode, TablesLeftWriteALineOrShowAPictureAndCountTheTables) {
  StartMatch(0, 500);
  std::vector<uint8_t> record = Words({0, 0, 0, 0, 0, 0, 0});
  const std::string line = "第一轮结束";
  record.insert(record.end(), line.begin(), line.end());
  frame().ShowTablesLeft(record.data(), record.size());  // no tables: the notice stays as it is
  ASSERT_EQ(app_->system_texts.size(), 1u);
  EXPECT_EQ(app_->system_texts[0], " <z=qm系统通知><c=255> 第一轮结束");
  EXPECT_FALSE(frame().GetRestTables()->IsVisible());
  EXPECT_STREQ(frame().GetRestTables()->GetText(), "");

  std::vector<uint8_t> pictured = Words({0, 0, 0, 0, 1, 3, 6});
  const std::string name = "animation_WaitFinal";
  pictured.insert(pictured.end(), name.begin(), name.end());
  pictured.push_back(0);
  frame().ShowTablesLeft(pictured.data(), pictured.size());
  EXPECT_EQ(StatePictureShows(), Picture("animation_WaitFinal"));
  EXPECT_STREQ(frame().GetRestTables()->GetText(), " 还有3桌游戏中，前6名晋级");
  EXPECT_TRUE(frame().GetRestTables()->IsVisible());
  // Just above the state picture, wherever the picture went: 10 pixels between them.
  EXPECT_NEAR(frame().GetRestTables()->GetBottom(), frame().GetStatePicture()->GetTop() - 10, 0.5);
  EXPECT_NEAR(frame().GetRestTables()->GetX(), frame().GetStatePicture()->GetX(), 0.5);
  PutWord(pictured, 24, 0);
  frame().ShowTablesLeft(pictured.data(), pictured.size());
  EXPECT_STREQ(frame().GetRestTables()->GetText(), "还有3桌游戏中");
  Frames(3);  // the line reaches the side panel, which frees it
}

TEST_F(MatchMode, TheResultDialogShowsTheRankAndRewardsOverADarkenedTable) {
  StartMatch(0, 600);
  shell::TableExtraRecord extra;
  extra.SetWord(0, 1001);
  ASSERT_TRUE(app_->SetTableExtra(0, extra.bytes, sizeof extra.bytes));
  const std::vector<uint8_t> record = ResultRecord(3, 7, "金牌<c=255>");
  app_->child_log.clear();
  frame().GameFrame::ShowMatchResult(record.data(), record.size());
  EXPECT_EQ(frame().GetMatchResultRecord()[5], 3u);
  EXPECT_EQ(Data().result_words[0], 41);
  EXPECT_EQ(Data().result_words[1], 3);
  const shell::TableExtraRecord* kept = app_->FindTableExtra(1001);
  EXPECT_EQ(kept->DuanIndex(), 5);
  EXPECT_EQ(kept->DuanScore(), 380);
  EXPECT_EQ(kept->Int(shell::TableExtraRecord::kDuanScoreNeeded), 600);

  engine::CanvasObject* dialog = frame().GetResultDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->IsVisible());
  EXPECT_EQ(dialog->GetDepth(), 60000.0);
  const platform::RECT t = frame().GetMainGameRect();
  EXPECT_EQ(dialog->GetX(), t.left + (t.right - t.left) / 2);
  EXPECT_EQ(dialog->GetY(), t.top + 3 * (t.bottom - t.top) / 5);
  // The award's name is the server's text, shown as it is, never as markup.
  const engine::RichTextBox* text = frame().GetResultText();
  EXPECT_EQ(text->GetPlainText(0, text->ItemCount()), "\n  金牌<c=255>\n  银两   +500\n\n  段位分   +12");
  EXPECT_TRUE(frame().GetResultAwardButton()->IsVisible());
  EXPECT_FALSE(frame().GetResultExchangeButton()->IsVisible());
  EXPECT_TRUE(frame().GetResultCloseButton()->IsVisible());
  EXPECT_EQ(frame().GetResultCloseButton()->GetX(), dialog->GetRight() - 20);
  engine::CanvasObject* backdrop = frame().GetResultBackdrop();
  ASSERT_NE(backdrop, nullptr);
  EXPECT_TRUE(backdrop->IsVisible());
  EXPECT_DOUBLE_EQ(backdrop->GetAlpha(), 0.7);
  EXPECT_EQ(backdrop->GetDepth(), 50000.0);
  EXPECT_NE(backdrop->TakesInput(), 0);
  EXPECT_EQ(backdrop->GetWidth(), t.right - t.left);
  EXPECT_EQ(SentTo("MainGame"), (std::vector<uint32_t>{80000053, 80000052}));
  // On screen: the dialog over the darkened table, the close button over the dialog.
  Frames(4);
  const auto shown = [&](double x, double y) {
    return window().PresentedFrame()[static_cast<size_t>(y) * window().FrameWidth() + static_cast<size_t>(x)] &
           0xFFFFFFu;
  };
  const auto canvas = [](engine::CanvasObject* c, int x, int y) {
    const uint32_t bgr = c->GetPixel(x, y);
    return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
  };
  const auto near = [](uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 24; shift += 8) {
      const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
      if (d < -2 || d > 2) return false;
    }
    return true;
  };
  EXPECT_PRED2(near, shown(dialog->GetLeft() + 100, dialog->GetTop() + 200), canvas(dialog, 100, 200));
  EXPECT_NE(shown(frame().GetResultCloseButton()->GetX(), frame().GetResultCloseButton()->GetY()),
            canvas(dialog, static_cast<int>(frame().GetResultCloseButton()->GetX() - dialog->GetLeft()),
                   static_cast<int>(frame().GetResultCloseButton()->GetY() - dialog->GetTop())));

  // A second result while the dialog shows is kept, and the dialog stays as it is.
  app_->child_log.clear();
  const std::vector<uint8_t> second = ResultRecord(1, 0, "");
  frame().GameFrame::ShowMatchResult(second.data(), second.size());
  EXPECT_EQ(frame().GetMatchResultRecord()[5], 1u);
  EXPECT_EQ(Data().result_words[1], 3);
  EXPECT_EQ(text->GetPlainText(0, text->ItemCount()), "\n  金牌<c=255>\n  银两   +500\n\n  段位分   +12");
  EXPECT_EQ(SentTo("MainGame"), (std::vector<uint32_t>{80000053}));

  // Closed, it shows the next result anew: without an award the exchange button.
  frame().HideMatchResult();
  EXPECT_FALSE(dialog->IsVisible());
  EXPECT_FALSE(backdrop->IsVisible());
  EXPECT_FALSE(frame().GetResultCloseButton()->IsVisible());
  frame().GameFrame::ShowMatchResult(second.data(), second.size());
  EXPECT_FALSE(frame().GetResultAwardButton()->IsVisible());
  EXPECT_TRUE(frame().GetResultExchangeButton()->IsVisible());
  EXPECT_EQ(Data().result_words[1], 1);
}

TEST_F(MatchMode, TheResultDialogsCloseButtonClosesTheWindow) {
  StartMatch(0, 600);
  const std::vector<uint8_t> record = ResultRecord(2, 0, "");
  frame().GameFrame::ShowMatchResult(record.data(), record.size());
  const engine::ObjectMessage close = frame().GetResultCloseButton()->GetMessage();
  frame().SendMessage(&close);
  EXPECT_TRUE(Closed());
}

TEST_F(MatchMode, ARecordTooShortForItsTailLeavesThePlayersMatchRecordAlone) {
  StartMatch(0, 600);
  shell::TableExtraRecord extra;
  extra.SetWord(0, 1001);
  extra.SetWord(shell::TableExtraRecord::kDuanIndex, 4);
  ASSERT_TRUE(app_->SetTableExtra(0, extra.bytes, sizeof extra.bytes));
  const std::vector<uint8_t> record = ResultRecord(2, 0, "");
  frame().GameFrame::ShowMatchResult(record.data(), 100);
  EXPECT_EQ(app_->FindTableExtra(1001)->DuanIndex(), 4);
  EXPECT_EQ(frame().GetMatchResultRecord()[5], 2u);
  EXPECT_EQ(frame().GetMatchResultRecord()[30], 0u);  // beyond what came: zero
}

TEST_F(MatchMode, TheServersMatchBoardsComeOutOfTheQueueOneAfterTheOther) {
  StartMatch(0, 600);
  std::vector<uint8_t> result = ResultRecord(4, 0, "");
  result[0] = 9;
  server().Push(shell::notify::kMatchEnd, Words({1, 2}));
  server().Push(shell::notify::kMatchResult, result);
  EXPECT_TRUE(frame().queue_log.empty());  // delivered in the engine's next turns
  Frames(10);
  EXPECT_EQ(frame().queue_log, (std::vector<std::string>{"end", "result 9"}));
  EXPECT_TRUE(frame().GetBoardQueue()->IsEmpty());
}

TEST_F(MatchMode, TheMatchEndPlaysItsAnimationOnTheTable) {
  StartMatch(0, 600);
  frame().ShowWashoutBoard();
  frame().GameFrame::ShowMatchEnd();
  EXPECT_FALSE(frame().GetStatePicture()->IsVisible());
  ASSERT_NE(frame().GetTableAnimation(), nullptr);
  EXPECT_TRUE(frame().GetTableAnimation()->IsVisible());
  engine::PictureInfo info;
  frame().GetTableAnimation()->ImageCall(&info);
  EXPECT_EQ(info.record, Picture("animation_MatchEnd"));
  EXPECT_TRUE(Heard("Snd_GameWin"));
}

TEST_F(MatchMode, BoardsStillQueuedWhenTheWindowGoesAreFreedAndStrayBoardMessagesIgnored) {
  StartMatch(0, 600);
  frame().QueueMatchEnd(reinterpret_cast<uintptr_t>(new uint8_t[40]()));
  frame().QueueMatchResult(reinterpret_cast<uintptr_t>(new uint8_t[224]()));
  // A board message the queue did not deliver: its p1 is nobody's to free.
  uint8_t stray[224] = {};
  const engine::ObjectMessage message = engine::MakeMessage(frame().GetKey(), frame::frame_msg::kShowMatchResult,
                                                            reinterpret_cast<uintptr_t>(stray), 224);
  frame().OnMessage(&message);
  EXPECT_TRUE(frame().queue_log.empty());
  EXPECT_EQ(frame().GetBoardQueue()->Size(), 2u);
  // The window closes with both blocks still queued: the leak check sees them freed.
}

TEST_F(MatchMode, ANewRankingIsKeptAndTheSidePanelHearsOfIt) {
  StartMatch(0, 500);
  std::vector<uint8_t> rows(2 * 64, 0);
  PutWord(rows, 0, 1001);
  PutWord(rows, 64, 1002);
  const int32_t header[5] = {8, 1, 2, 30, 0};
  app_->child_log.clear();
  frame().OnMatchRanking(2, rows.data(), rows.size(), header);
  EXPECT_EQ(Data().row_count, 2);
  EXPECT_EQ(Data().ranking_records.size(), 2u);
  EXPECT_EQ(Data().own_rank, 2);
  EXPECT_EQ(Data().players_left, 30);
  EXPECT_EQ(SentTo("SubSystem"), (std::vector<uint32_t>{80000022}));
  // A count that does not match the records changes nothing and tells nobody.
  app_->child_log.clear();
  const int32_t other[5] = {1, 1, 9, 9, 0};
  frame().OnMatchRanking(3, rows.data(), rows.size(), other);
  EXPECT_EQ(Data().row_count, 2);
  EXPECT_EQ(Data().own_rank, 2);
  EXPECT_TRUE(app_->child_log.empty());
}

TEST_F(MatchMode, TheServersNotificationsReachTheFramesChildrenThroughTheApplication) {
  StartMatch(600);
  app_->child_log.clear();
  std::vector<uint8_t> ranking = Words({1, 4, 1, 1, 12, 0});
  std::vector<uint8_t> row(64, 0);
  row[0] = 0xE9;  // user 1001
  row[1] = 0x03;
  ranking.insert(ranking.end(), row.begin(), row.end());
  server().Push(shell::notify::kMatchRanking, ranking);
  EXPECT_EQ(Data().row_count, 1);
  EXPECT_EQ(Data().players_left, 12);
  const shell::PlayerRecord dan = test::MakePlayer(2003, 1, "dan", "", 0, true);
  server().Push(shell::notify::kPersonCame, std::vector<uint8_t>(dan.bytes, dan.bytes + sizeof dan.bytes));
  EXPECT_TRUE(app_->IsLooker(2003));
  server().Push(shell::notify::kMatchInfo, Words({100, 120, 0, 0, 9, 0, 0, 3}));
  EXPECT_EQ(CountdownShown(), "比赛倒计时:1分59秒");
  EXPECT_EQ(SentTo("SubSystem"), (std::vector<uint32_t>{80000022, 80000015, 80000019, 80000030, 80000028, 80000075}));
  EXPECT_EQ(SentTo("MainGame"), (std::vector<uint32_t>{80000015, 80000030, 80000028}));
}

}  // namespace
