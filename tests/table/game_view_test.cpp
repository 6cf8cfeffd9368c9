// ctest-labels: table tsan
// The game view's services at the table: the idle kick, the ready request, table notices, the
// replay recorder it makes and the games the table view records with it, written, read back,
// and not written when the write fails.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dialogs/replay_recorder.h"
#include "net/request_ids.h"
#include "shell/chat_text.h"
#include "table/card_view.h"
#include "table/table_messages.h"
#include "tests/support/table_view_fixture.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kKickText = "由于您长时间没有开始游戏，系统请您离开游戏|qzf抱歉";

class GameView : public test::TableViewFixture {
 protected:
  void SetAnswerKickSeconds(int32_t seconds) {
    std::vector<uint8_t> answer(64 * 4, 0);
    for (int b = 0; b < 4; ++b) answer[14 * 4 + b] = static_cast<uint8_t>(static_cast<uint32_t>(seconds) >> (8 * b));
    app_->SetAnswerBuffer(answer.data(), answer.size());
  }
  void Send(uint32_t id, uintptr_t p1 = 0, uintptr_t p2 = 0) {
    const engine::ObjectMessage m = engine::MakeMessage(view().GetKey(), id, p1, p2);
    view().OnMessage(&m);
  }
  void Seconds(int seconds) { Frames(seconds * 200 + 20); }
  // The replay files in a folder.
  static std::vector<fs::path> Files(const fs::path& folder) {
    std::vector<fs::path> files;
    if (fs::exists(folder)) {
      for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path());
    }
    return files;
  }
  void Record(int32_t id, std::vector<uint8_t> data = {}) {
    view().RecordGameMessage(id, data.data(), static_cast<int32_t>(data.size()));
  }
};

TEST_F(GameView, TheIdleKickComesOnceAfterItsSecondsUnderBothTableOptions) {
  Start(test::CommandLineFor(0, 0x10000C0));
  SetAnswerKickSeconds(3);
  view().LoadKickTime();
  EXPECT_EQ(view().GetKickSeconds(), 3);
  view().StartIdleKickTimer();
  view().StartIdleKickTimer();
  Seconds(2);
  EXPECT_TRUE(frame().exit_boxes.empty());
  Seconds(2);
  ASSERT_EQ(frame().exit_boxes.size(), 1u);
  EXPECT_EQ(frame().exit_boxes[0], kKickText);
  Seconds(5);
  EXPECT_EQ(frame().exit_boxes.size(), 1u);
  // Stopped before its time, it never comes.
  view().StartIdleKickTimer();
  Seconds(1);
  view().StopIdleKickTimer();
  EXPECT_EQ(view().GetKickEvent(), 0u);
  Seconds(5);
  EXPECT_EQ(frame().exit_boxes.size(), 1u);
}

TEST_F(GameView, KickSecondsBeyondWhatThirtyTwoBitMillisecondsHoldWaitADayNotAMoment) {
  // 4,294,968 s x 1000 is 704 ms past 2^32.
  EXPECT_EQ(table::CGameView::KickDelayMs(4294968), 86400000u);
  EXPECT_EQ(table::CGameView::KickDelayMs(INT32_MAX), 86400000u);
  Start(test::CommandLineFor(0, 0x10000C0));
  SetAnswerKickSeconds(4294968);
  view().LoadKickTime();
  view().StartIdleKickTimer();
  EXPECT_NE(view().GetKickEvent(), 0u);
  Seconds(3);
  EXPECT_TRUE(frame().exit_boxes.empty());
}

TEST_F(GameView, WithoutBothOptionsOrWithoutSecondsThereIsNoKick) {
  Start(test::CommandLineFor(0, 0x1000040));
  SetAnswerKickSeconds(3);
  view().LoadKickTime();
  EXPECT_EQ(view().GetKickSeconds(), -1);
  view().StartIdleKickTimer();
  EXPECT_EQ(view().GetKickEvent(), 0u);

  app_.reset();
  Start(test::CommandLineFor(0, 0x10000C0));
  for (int32_t seconds : {0, -1, -30}) {
    SetAnswerKickSeconds(seconds);
    view().LoadKickTime();
    view().StartIdleKickTimer();
    EXPECT_EQ(view().GetKickEvent(), 0u) << seconds;
  }
  Seconds(2);
  EXPECT_TRUE(frame().exit_boxes.empty());
}

TEST_F(GameView, AnAcceptedReadyRequestStopsTheKick) {
  Start(test::CommandLineFor(0, 0x10000C2));
  SetAnswerKickSeconds(3);
  view().LoadKickTime();
  view().ShowStartButton();
  EXPECT_NE(view().GetKickEvent(), 0u);
  (*server_)->Answer(net::request::kReady, 10);
  Send(table::view_msg::kSendReady, 7);
  EXPECT_EQ((*server_)->CountOf(net::request::kReady), 1u);
  EXPECT_EQ(view().GetKickEvent(), 0u);
  Seconds(4);
  EXPECT_TRUE(frame().exit_boxes.empty());
}

TEST_F(GameView, TheReadyRequestGoesOnlyUnderTableOption2AndOnlyAnswer10StopsTheKick) {
  Start(test::CommandLineFor(0, 0x10000C0));
  SetAnswerKickSeconds(3);
  view().LoadKickTime();
  view().StartIdleKickTimer();
  Send(table::view_msg::kSendReady, 1);
  EXPECT_EQ((*server_)->CountOf(net::request::kReady), 0u);

  app_.reset();
  Start(test::CommandLineFor(0, 0x10000C2));
  SetAnswerKickSeconds(3);
  view().LoadKickTime();
  view().StartIdleKickTimer();
  (*server_)->Answer(net::request::kReady, 0);
  Send(table::view_msg::kSendReady, 1);
  EXPECT_EQ((*server_)->CountOf(net::request::kReady), 1u);
  EXPECT_NE(view().GetKickEvent(), 0u);
}

TEST_F(GameView, ATableNoticeWithATextIsShownAndEveryNoticeIsFreed) {
  Start();
  auto notice = [](const std::string& text) {
    std::string record(32, '\0');
    record[0] = 9;
    record += text;
    return record;
  };
  const std::string shown = notice("今晚八点比赛");
  Send(table::view_msg::kTableNotice, reinterpret_cast<uintptr_t>(shell::NewHeapText(shown)), shown.size());
  const std::string empty = notice("");
  Send(table::view_msg::kTableNotice, reinterpret_cast<uintptr_t>(shell::NewHeapText(empty)), empty.size());
  const std::string short_one(20, 'x');
  Send(table::view_msg::kTableNotice, reinterpret_cast<uintptr_t>(shell::NewHeapText(short_one)), short_one.size());
  Send(table::view_msg::kTableNotice, 0, 40);
  ASSERT_EQ(view().notices.size(), 1u);
  EXPECT_EQ(view().notices[0], "今晚八点比赛");
  EXPECT_EQ(view().notice_sizes[0], shown.size());
}

TEST_F(GameView, TheRecorderIsMadeForRecordedTablesAndReplaysOnly) {
  Start();
  view().OnEnterGame();
  EXPECT_EQ(view().GetRecorder(), nullptr);

  app_.reset();
  Start(test::CommandLineFor(0, 0x1020000));
  view().OnEnterGame();
  ASSERT_NE(view().GetRecorder(), nullptr);
  EXPECT_FALSE(view().GetRecorder()->IsMatch());
  EXPECT_FALSE(view().IsRecorderShown());

  app_.reset();
  Start(test::CommandLineFor(0, 0x1020000));
  app_->SetMatch(true);
  view().OnEnterGame();
  ASSERT_NE(dynamic_cast<dialogs::CMatchReplayRecorder*>(view().GetRecorder()), nullptr);

  app_.reset();
  Start();
  app_->SetReplayMode(true);
  view().OnEnterGame();
  ASSERT_NE(view().GetRecorder(), nullptr);
  EXPECT_TRUE(view().IsRecorderShown());
}

TEST_F(GameView, ARecordedGameIsSavedAnnouncedAndReadsBack) {
  Start(test::CommandLineFor(0, 0x1020000));
  view().OnEnterGame();
  dialogs::CReplayRecorder* recorder = view().GetRecorder();
  ASSERT_NE(recorder, nullptr);
  // Nothing counts before a game starts.
  Record(229500, {1, 2});
  EXPECT_FALSE(recorder->IsRecording());

  Record(211040, {7});
  EXPECT_TRUE(recorder->IsRecording());
  Frames(10);
  Record(229500, {1, 2, 3});
  Record(211300, {9});  // not a message of the game's record
  Record(223100, {4});
  Record(221170, {5, 6});
  Frames(10);
  Record(211080, {8});
  EXPECT_FALSE(recorder->IsRecording());

  const fs::path folder = dir_ / "Replay";
  const std::vector<fs::path> files = Files(folder);
  ASSERT_EQ(files.size(), 1u);
  ASSERT_EQ(app_->system_texts.size(), 1u);
  const std::string folder_text = (folder.string() + "/");
  EXPECT_NE(app_->system_texts[0].find("游戏录像已保存到<url_text="), std::string::npos) << app_->system_texts[0];
  EXPECT_NE(app_->system_texts[0].find(",录像目录><c=255>\r\n"), std::string::npos);

  dialogs::CReplayRecorder reader;
  std::string error;
  ASSERT_TRUE(reader.LoadReplay(files[0].string(), &error)) << error;
  const dialogs::ReplayFile& replay = reader.GetReplay();
  std::vector<int32_t> ids;
  for (const auto& r : replay.records) ids.push_back(r.id);
  EXPECT_EQ(ids, (std::vector<int32_t>{211040, 229500, 223100, 221170, 211080}));
  EXPECT_EQ(replay.records[1].data, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(replay.records[4].time_ms, 100u);
  EXPECT_EQ(replay.table.chair_count, 3);
  EXPECT_EQ(replay.table.own_chair, 0);
  EXPECT_EQ(replay.table.table_record_id, 5);
  ASSERT_EQ(replay.table.players.size(), 3u);
  EXPECT_EQ(replay.table.players[2].name, "张三");
  EXPECT_EQ(replay.table.players[1].user_id, 1002);
}

TEST_F(GameView, AReplayFolderThatCannotStandInALinkIsNamedAsText) {
  Start(test::CommandLineFor(0, 0x1020000));
  view().OnEnterGame();
  dialogs::CReplayRecorder* recorder = view().GetRecorder();
  ASSERT_NE(recorder, nullptr);
  // Inside a link a ',' would end its target, a ';' its value and a '#' escape what follows.
  recorder->SetFolder(app_->GetExeDir() + "a,b;c#d");
  Record(211040);
  Record(211080);
  ASSERT_EQ(Files(dir_ / "a,b;c#d").size(), 1u);
  EXPECT_EQ(app_->system_texts, (std::vector<std::string>{" <z=qm系统通知><c=255> 游戏录像已保存到" +
                                                          app_->GetExeDir() + "a,b;c##d\\<c=255>\r\n"}));
}

TEST_F(GameView, AGameWhoseWriteFailsIsNotAnnouncedAndLeavesTheSavedOneAlone) {
  Start(test::CommandLineFor(0, 0x1020000));
  view().OnEnterGame();
  dialogs::CReplayRecorder* recorder = view().GetRecorder();
  Record(211040);
  Record(211080);
  const std::vector<fs::path> saved = Files(dir_ / "Replay");
  ASSERT_EQ(saved.size(), 1u);
  std::ifstream in(saved[0], std::ios::binary);
  const std::string before((std::istreambuf_iterator<char>(in)), {});

  // The folder cannot be made: a file stands where it would go.
  std::ofstream(dir_ / "blocked") << "x";
  recorder->SetFolder((dir_ / "blocked" / "Replay").string());
  Record(211040);
  Record(229500, {1});
  Record(211080);
  EXPECT_FALSE(recorder->IsRecording());
  EXPECT_EQ(app_->system_texts.size(), 1u);
  EXPECT_EQ(Files(dir_ / "Replay").size(), 1u);
  std::ifstream again(saved[0], std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), before);
  dialogs::CReplayRecorder reader;
  std::string error;
  EXPECT_TRUE(reader.LoadReplay(saved[0].string(), &error)) << error;
}

TEST_F(GameView, AReplayBeingWatchedIsNotSavedAgain) {
  Start(test::CommandLineFor(0, 0x1020000));
  app_->SetReplayMode(true);
  view().OnEnterGame();
  Record(211040);
  Record(211080);
  EXPECT_TRUE(Files(dir_ / "Replay").empty());
  EXPECT_TRUE(app_->system_texts.empty());
}

TEST_F(GameView, AMatchGameIsRecordedWithItsOwnMessagesAndNoNotice) {
  Start(test::CommandLineFor(0, 0x1020000));
  app_->SetMatch(true);
  app_->GetMatchData().round = 3;
  app_->GetMatchData().format_name = "定局淘汰";
  view().OnEnterGame();
  Record(211040);  // before the match game starts: nothing
  Record(211150, {1});
  Record(211040, {2});
  Record(211160, {3});
  Record(223100, {4});  // not a match game's record
  Record(229500, {5});
  Record(211080, {6});
  const std::vector<fs::path> files = Files(dir_ / "Replay");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(app_->system_texts.empty());
  dialogs::CReplayRecorder reader;
  std::string error;
  ASSERT_TRUE(reader.LoadReplay(files[0].string(), &error)) << error;
  EXPECT_TRUE(reader.GetReplay().match);
  EXPECT_EQ(reader.GetReplay().match_info.round, 3);
  EXPECT_EQ(reader.GetReplay().match_info.format_name, "定局淘汰");
  std::vector<int32_t> ids;
  for (const auto& r : reader.GetReplay().records) ids.push_back(r.id);
  EXPECT_EQ(ids, (std::vector<int32_t>{211040, 211160, 229500, 211080}));
}

TEST_F(GameView, AReplayDealsEachChairItsRecordedHand) {
  // Record a game whose hands the game wrote into the recorder, chair c's at c x 32.
  Start(test::CommandLineFor(0, 0x1020000));
  view().OnEnterGame();
  Record(211040);
  std::span<int32_t> hands = view().GetRecorder()->GetStateBlock();
  const std::vector<std::vector<int32_t>> dealt = rules_->Deal(3, 6, 5);
  for (size_t c = 0; c < 3; ++c) {
    for (size_t k = 0; k < 6; ++k) hands[c * 32 + k] = dealt[c][k];
  }
  Record(211080);
  const std::vector<fs::path> files = Files(dir_ / "Replay");
  ASSERT_EQ(files.size(), 1u);

  // Watched back: the hidden rows take the recorded ids.
  app_.reset();
  Start(test::CommandLineFor(0));
  app_->SetReplayMode(true);
  view().OnEnterGame();
  std::string error;
  ASSERT_TRUE(view().GetRecorder()->LoadReplay(files[0].string(), &error)) << error;
  view().DealHands(dealt);
  EXPECT_EQ(view().FindChairCardByIndex(1, 0)->card_id, -1);
  EXPECT_EQ(view().DealReplayHands(), 3);
  for (int c = 1; c < 3; ++c) {
    std::vector<int32_t> shown;
    for (int i = 0; i < 6; ++i) {
      const table::CCardView* card = view().FindChairCardByIndex(c, i);
      ASSERT_NE(card, nullptr);
      EXPECT_TRUE(card->IsShowingFace());
      shown.push_back(card->card_id);
    }
    std::sort(shown.begin(), shown.end());
    std::vector<int32_t> expected = dealt[static_cast<size_t>(c)];
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(shown, expected) << c;
  }
}

}  // namespace
