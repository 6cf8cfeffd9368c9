// ctest-labels: shell match
// The notifications of the game frame through the application's handler: each reaches its frame
// operation with what it needs (the application's tables and match data already changed), and
// every body too short, with a chair outside the table or a count that its records do not bear
// out is refused before anything changes.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "shell/app_frame_view.h"
#include "shell/server_notify.h"
#include "tests/support/app_fixture.h"

namespace {

using test::Words;
namespace notify = shell::notify;

// A game frame that writes down each operation it is given.
class RecordingFrame : public shell::AppFrameView {
 public:
  void ShowExitRequest(const uint8_t* record, size_t size) override {
    Note("exit request " + std::to_string(Word(record, 0)) + " (" + std::to_string(size) + ")");
  }
  void OnPlayerEnter(const shell::PlayerRecord* r) override { Note("player came " + r->Name()); }
  void OnPlayerLeave(const shell::PlayerRecord* r) override { Note("player left " + r->Name()); }
  void OnLookerEnter(const shell::PlayerRecord* r) override { Note("looker came " + r->Name()); }
  void OnLookerLeave(const shell::PlayerRecord* r) override { Note("looker left " + r->Name()); }
  void OnRandomTable() override { Note("random table"); }
  void OnMovedTable() override { Note("moved table"); }
  void OnMatchProgress() override { Note("progress"); }
  void OnMatchTableState() override { Note("table state"); }
  void ShowNoSignUpBoard() override { Note("board no sign-up"); }
  void ShowWashoutBoard() override { Note("board washout"); }
  void ShowMatchEndBoard() override { Note("board match end"); }
  void ShowMatchLateBoard() override { Note("board late"); }
  void ShowSystemCancelBoard() override { Note("board system cancel"); }
  void ShowSelfCancelBoard() override { Note("board self cancel"); }
  void ShowWaitSignUpCheckBoard() override { Note("board sign-up check"); }
  void ShowSystemRejectedBoard() override { Note("board rejected"); }
  void ShowMatchStartedBoard() override { Note("board started"); }
  void OnSignUpOk() override { Note("signed up"); }
  void OnWithdrawn() override { Note("withdrawn"); }
  void ShowWaitAnimation(int32_t kind) override { Note("wait " + std::to_string(kind)); }
  void BroadcastMatchNotice11() override { Note("notice 11"); }
  void BroadcastMatchNotice12() override { Note("notice 12"); }
  void BroadcastMatchNotice13() override { Note("notice 13"); }
  void ShowMatchRound() override { Note("round"); }
  void OnMatchBegin() override { Note("begin"); }
  void ShowTablesLeft(const uint8_t* record, size_t size) override {
    Note("tables left " + std::to_string(Word(record, 20)) + " (" + std::to_string(size) + ")");
  }
  void ShowPlayerDuan(const uint8_t* record, size_t size) override {
    Note("duan " + std::to_string(Word(record, 0)) + " (" + std::to_string(size) + ")");
  }
  void QueueMatchEnd(uintptr_t p) override {
    auto* block = reinterpret_cast<uint8_t*>(p);
    end_blocks.emplace_back(block, block + kMatchEndBlockBytes);
    delete[] block;
    Note("end queued");
  }
  void QueueMatchResult(uintptr_t p) override {
    auto* block = reinterpret_cast<uint8_t*>(p);
    result_blocks.emplace_back(block, block + kMatchResultBlockBytes);
    delete[] block;
    Note("result queued");
  }
  void OnMatchRanking(int32_t rows, const uint8_t* records, size_t size, const int32_t* header) override {
    Note("ranking " + std::to_string(rows) + " rows, " + std::to_string(size) + " bytes, first user " +
         std::to_string(size >= 4 ? Word(records, 0) : 0) + ", own rank " + std::to_string(header[2]));
  }

  void OnChairRecords(const shell::ChairRecords& r) override {
    std::string line = "chair records ";
    line += std::to_string(r.count);
    line += ":";
    for (const auto& chair : r.chairs) {
      line += ' ';
      line += std::to_string(chair.Word(0));
    }
    Note(line);
  }

  static uint32_t Word(const uint8_t* p, size_t offset) {
    uint32_t w = 0;
    std::memcpy(&w, p + offset, 4);
    return w;
  }
  void Note(const std::string& line) { calls.push_back(line); }
  std::vector<std::string> calls;
  std::vector<std::vector<uint8_t>> end_blocks;
  std::vector<std::vector<uint8_t>> result_blocks;
};

// The application's handler, with the recording frame in place of the window's.
class FrameNotify : public shell::CCardServerNotify {
 public:
  explicit FrameNotify(shell::AppFrameView* view) : view_(view) {}

 protected:
  shell::AppFrameView* FrameView() override { return view_; }

 private:
  shell::AppFrameView* view_;
};

class FrameNotifications : public test::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    Seat();
    app_->SetNotifyHandler(std::make_unique<FrameNotify>(&frame_));
  }
  void Push(uint32_t id, const std::vector<uint8_t>& body) { server_->server().Push(id, body); }
  static std::vector<uint8_t> Bytes(size_t size, uint8_t fill = 0) { return std::vector<uint8_t>(size, fill); }
  static std::vector<uint8_t> Record(const shell::PlayerRecord& r) { return {r.bytes, r.bytes + sizeof r.bytes}; }
  std::vector<std::string>& Calls() { return frame_.calls; }

  RecordingFrame frame_;
};

TEST_F(FrameNotifications, TheTablesEventsReachTheFrameWithTheApplicationsTablesUpToDate) {
  // Dan sits on chair 1 after bob left it; a looker comes and goes.
  Push(notify::kPersonLeft, Words({1002}));
  EXPECT_EQ(app_->FindPlayerRecord(1002), nullptr);
  Push(notify::kPersonCame, Record(test::MakePlayer(1004, 1, "dan")));
  ASSERT_NE(app_->GetPlayerRecord(1), nullptr);
  EXPECT_EQ(app_->GetPlayerRecord(1)->UserId(), 1004u);
  Push(notify::kPersonCame, Record(test::MakePlayer(2003, 2, "kibitz", "", 0, true)));
  EXPECT_TRUE(app_->IsLooker(2003));
  Push(notify::kPersonLeft, Words({2003, 77}));
  EXPECT_FALSE(app_->IsLooker(2003));
  Push(notify::kRandomTable, {});
  Push(notify::kMovedTable, Words({5}));
  Push(notify::kExitRequest, Words({1003, 77, 5, 2, 0}));
  EXPECT_EQ(Calls(),
            (std::vector<std::string>{"player left bob", "player came dan", "looker came kibitz", "looker left kibitz",
                                      "random table", "moved table", "exit request 1003 (20)"}));
}

TEST_F(FrameNotifications, PeopleWhoCannotBeSeatedOrAreNotThereAreRefused) {
  Push(notify::kPersonCame, Record(test::MakePlayer(1004, 1, "dan")));  // bob holds chair 1
  Push(notify::kPersonCame, Record(test::MakePlayer(1004, 3, "dan")));  // no chair 3 at this table
  Push(notify::kPersonCame, Record(test::MakePlayer(1004, -1, "dan")));
  Push(notify::kPersonCame, Record(test::MakePlayer(0, 1, "nobody")));
  std::vector<uint8_t> short_record = Record(test::MakePlayer(1004, 1, "dan"));
  short_record.resize(319);
  Push(notify::kPersonCame, short_record);
  Push(notify::kPersonLeft, Words({9999}));
  Push(notify::kPersonLeft, {1, 2, 3});
  Push(notify::kExitRequest, Words({1003, 77, 5, 2}));     // no reason field
  Push(notify::kExitRequest, Words({1003, 77, 5, 3, 0}));  // no chair 3
  EXPECT_TRUE(Calls().empty());
  EXPECT_EQ(app_->GetPlayerRecord(1)->UserId(), 1002u);
  EXPECT_EQ(app_->GetPlayerCount(), 3);
  EXPECT_NE(GameLog().find("notification 211011 (320 bytes) refused: not seated"), std::string::npos);
  EXPECT_NE(GameLog().find("notification 211010 (4 bytes) refused: the user is not at the table"), std::string::npos);
}

TEST_F(FrameNotifications, TheMatchsNotificationsSetTheMatchDataAndReachTheFrameInOrder) {
  Push(notify::kMatchInfo, Words({100, 3600, 30, 1, 12, 500, 0xFFFFFFF6, 40}));
  const shell::MatchData& data = app_->GetMatchData();
  EXPECT_EQ(data.stage, 100);
  EXPECT_EQ(data.seconds_to_start, 3600);
  EXPECT_EQ(data.signup_fee, 30);
  EXPECT_EQ(data.fee_kind, 1);
  EXPECT_EQ(data.info_value, 12);
  EXPECT_EQ(data.next_duan_score, 500);
  EXPECT_EQ(data.clock_value, -10);
  EXPECT_EQ(data.signup_count, 40);
  for (uint32_t kind = 1; kind <= 11; ++kind) Push(notify::kMatchBoard, Words({kind}));
  for (uint32_t kind : {1u, 3u, 4u}) Push(notify::kMatchWait, Words({kind}));
  for (uint32_t n : {11u, 12u, 13u}) Push(notify::kMatchNotice, Words({n}));
  Push(notify::kMatchRound, Words({2}));
  EXPECT_EQ(data.round, 2);
  Push(notify::kMatchBegin, {});
  std::vector<uint8_t> tables = Words({0, 0, 0, 0, 0, 3, 6});
  tables.push_back('x');
  Push(notify::kMatchTablesLeft, tables);
  std::vector<uint8_t> duan = Bytes(128);
  duan[0] = 0xE9;  // user 1001
  duan[1] = 0x03;
  Push(notify::kPlayerDuan, duan);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"progress",
                                               "table state",
                                               "board no sign-up",
                                               "board washout",
                                               "board match end",
                                               "board late",
                                               "board system cancel",
                                               "board self cancel",
                                               "board sign-up check",
                                               "board rejected",
                                               "board started",
                                               "signed up",
                                               "withdrawn",
                                               "wait 1",
                                               "wait 3",
                                               "wait 4",
                                               "notice 11",
                                               "notice 12",
                                               "notice 13",
                                               "round",
                                               "begin",
                                               "tables left 3 (29)",
                                               "duan 1001 (128)"}));
}

TEST_F(FrameNotifications, UnknownKindsAndShortMatchBodiesAreRefused) {
  Push(notify::kMatchInfo, Words({100, 3600, 30, 1, 12, 500, 0}));  // a word short
  Push(notify::kMatchBoard, Words({0}));
  Push(notify::kMatchBoard, Words({12}));
  Push(notify::kMatchBoard, {});
  Push(notify::kMatchWait, Words({2}));
  Push(notify::kMatchNotice, Words({14}));
  Push(notify::kMatchRound, {1, 0});
  Push(notify::kMatchTablesLeft, Bytes(27));
  Push(notify::kPlayerDuan, Bytes(127, 1));
  Push(notify::kPlayerDuan, Bytes(128));  // nobody's card
  EXPECT_TRUE(Calls().empty());
  EXPECT_EQ(app_->GetMatchData().seconds_to_start, 0);
  EXPECT_EQ(app_->GetMatchData().round, 0);
}

TEST_F(FrameNotifications, MatchBoardsAreQueuedAsBoundedZeroFilledCopies) {
  Push(notify::kMatchEnd, Words({7}));
  Push(notify::kMatchEnd, Bytes(100, 0xAB));  // longer than the record: cut
  std::vector<uint8_t> result = Bytes(192, 0x11);
  Push(notify::kMatchResult, result);
  Push(notify::kMatchResult, Bytes(300, 0x22));
  Push(notify::kMatchResult, Bytes(191, 0x33));  // its tail would be missing: refused
  ASSERT_EQ(frame_.end_blocks.size(), 2u);
  EXPECT_EQ(frame_.end_blocks[0][0], 7);
  EXPECT_EQ(frame_.end_blocks[0][4], 0);
  EXPECT_EQ(frame_.end_blocks[0][39], 0);
  EXPECT_EQ(frame_.end_blocks[1], Bytes(40, 0xAB));
  ASSERT_EQ(frame_.result_blocks.size(), 2u);
  EXPECT_EQ(frame_.result_blocks[0][191], 0x11);
  EXPECT_EQ(frame_.result_blocks[0][192], 0);
  EXPECT_EQ(frame_.result_blocks[0][223], 0);
  EXPECT_EQ(frame_.result_blocks[1], Bytes(224, 0x22));
  EXPECT_NE(GameLog().find("notification 211508 (191 bytes) refused: too short"), std::string::npos);
}

TEST_F(FrameNotifications, ARankingIsTakenOnlyWhenItsRowCountMatchesItsRecords) {
  std::vector<uint8_t> ranking = Words({2, 8, 1, 5, 30, 0});
  std::vector<uint8_t> rows = Bytes(128);
  rows[0] = 0xEA;  // user 1002 first
  rows[1] = 0x03;
  ranking.insert(ranking.end(), rows.begin(), rows.end());
  Push(notify::kMatchRanking, ranking);
  std::vector<uint8_t> missing = ranking;
  missing.resize(missing.size() - 64);  // says 2 rows, holds 1
  Push(notify::kMatchRanking, missing);
  std::vector<uint8_t> trailing = ranking;
  trailing.push_back(0);
  Push(notify::kMatchRanking, trailing);
  std::vector<uint8_t> negative = Words({0xFFFFFFFF, 0, 0, 0, 0, 0});
  Push(notify::kMatchRanking, negative);
  Push(notify::kMatchRanking, Words({0, 0, 0}));
  Push(notify::kMatchRanking, Words({0, 0, 0, 0, 0, 0}));  // an empty ranking is one
  EXPECT_EQ(Calls(), (std::vector<std::string>{"ranking 2 rows, 128 bytes, first user 1002, own rank 5",
                                               "ranking 0 rows, 0 bytes, first user 0, own rank 0"}));
}

TEST_F(FrameNotifications, AChairsMatchRecordIsKeptForThatChairOnly) {
  shell::TableExtraRecord extra;
  extra.SetWord(0, 1003);
  extra.SetWord(shell::TableExtraRecord::kDuanIndex, 6);
  std::vector<uint8_t> body = Words({2});
  body.insert(body.end(), extra.bytes, extra.bytes + sizeof extra.bytes);
  Push(notify::kChairMatchRecord, body);
  ASSERT_NE(app_->FindTableExtra(1003), nullptr);
  EXPECT_EQ(app_->FindTableExtra(1003)->DuanIndex(), 6);
  body[0] = 3;  // no chair 3
  extra.SetWord(0, 1002);
  std::memcpy(body.data() + 4, extra.bytes, 4);
  Push(notify::kChairMatchRecord, body);
  body[0] = 1;
  body.pop_back();
  Push(notify::kChairMatchRecord, body);
  EXPECT_EQ(app_->FindTableExtra(1002), nullptr);
  EXPECT_TRUE(Calls().empty());
}

TEST_F(FrameNotifications, ChairRecordsReachTheFrameAsWholeRecordsOrAreRefused) {
  std::vector<uint8_t> chairs(3 * 72, 0);
  for (uint8_t c = 0; c < 3; ++c) chairs[c * 72] = static_cast<uint8_t>(c + 1);
  Push(notify::kChairRecords, chairs);
  for (size_t size : {0, 71, 9 * 72}) Push(notify::kChairRecords, Bytes(size));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"chair records 3: 1 2 3 0 0 0 0 0"}));
  EXPECT_NE(GameLog().find("notification 211630 (648 bytes) refused: not one to eight chair records"),
            std::string::npos);
}

TEST_F(FrameNotifications, WithoutAFrameTheBlocksAreFreedAndTheDefaultOperationsOnlyLog) {
  shell::AppFrameView plain;
  app_->SetNotifyHandler(std::make_unique<FrameNotify>(&plain));
  Push(notify::kMatchEnd, Words({1}));
  Push(notify::kMatchResult, Bytes(224));
  Push(notify::kMatchBoard, Words({2}));
  EXPECT_NE(GameLog().find("match board: washed out"), std::string::npos);
  app_->SetNotifyHandler(std::make_unique<FrameNotify>(nullptr));
  Push(notify::kMatchBegin, {});
  Push(notify::kMatchResult, Bytes(224));  // nothing allocated for nobody
  EXPECT_NE(GameLog().find("notification 211505: no game frame; dropped"), std::string::npos);
}

}  // namespace
