// ctest-labels: replay
#include "dialogs/replay_recorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <cstdio>
#include <fstream>

#include "platform/clock.h"
#include "platform/files.h"
#include "tests/dialogs/scoped_file_size_limit.h"
#include "tests/support/game_log_reader.h"

namespace fs = std::filesystem;

namespace {

// Files in a folder, "." and ".." left out.
int FilesIn(const std::string& folder) {
  int count = 0;
  platform::FileFind find;
  for (bool more = find.FindFile(folder + "*"); more;) {
    more = find.FindNextFile();
    if (!find.IsDots()) ++count;
  }
  return count;
}

class ReplayRecorderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_->SetLocalTime({2026, 12, 7, 8, 30, 0, 0});
    dir_ = fs::current_path() / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    folder_ = (dir_ / "saves" / "录像").string() + "/";
  }

  static dialogs::ReplayTableSnapshot Table() {
    dialogs::ReplayTableSnapshot t;
    t.chair_count = 3;
    t.own_chair = 2;
    t.user_id = 501;
    t.table_record_id = 17;
    t.players = {{500, 0, 1, 10, 100, "甲"}, {501, 2, 2, 20, 200, "乙"}};
    t.table_block = {9, 8, 7};
    return t;
  }

  // One game: start, snapshot, three messages over time, the hands, then the save.
  std::string RecordGame(dialogs::CReplayRecorder& recorder) {
    recorder.SetFolder(folder_);
    recorder.StartRecording();
    EXPECT_TRUE(recorder.WriteTableSnapshot(Table()));
    const uint8_t deal[] = {1, 2, 3, 4};
    EXPECT_TRUE(recorder.AddRecord(211040, deal, sizeof deal));
    clock_->Advance(1500);
    EXPECT_TRUE(recorder.AddRecord(221170, "play", 4));
    clock_->Advance(250);
    EXPECT_TRUE(recorder.AddRecord(223100, nullptr, 0));
    std::span<int32_t> hands = recorder.GetStateBlock();
    for (int k = 0; k < 3 * 32; ++k) hands[k] = k;
    std::string path;
    EXPECT_TRUE(recorder.StopAndSave(&path, true));
    return path;
  }

  engine::testing::GameLogReader log_;
  platform::ScopedManualClock clock_{50000};
  fs::path dir_;
  std::string folder_;
};

TEST_F(ReplayRecorderTest, AGameIsSavedWithItsTimesAndReadsBack) {
  dialogs::CReplayRecorder recorder;
  const std::string path = RecordGame(recorder);
  EXPECT_FALSE(recorder.IsRecording());
  EXPECT_EQ(path, folder_ + "20261207-083000-17.rep");
  ASSERT_TRUE(platform::FileExists(path));

  dialogs::ReplayFile back;
  std::string error;
  ASSERT_TRUE(dialogs::LoadReplayFile(path, &back, &error)) << error;
  EXPECT_FALSE(back.match);
  EXPECT_EQ(back.table, Table());
  EXPECT_EQ(back.start_time.hour, 8);
  EXPECT_EQ(back.start_time.minute, 30);
  ASSERT_EQ(back.records.size(), 3u);
  EXPECT_EQ(back.records[0], (dialogs::ReplayRecord{0, 211040, {1, 2, 3, 4}}));
  EXPECT_EQ(back.records[1], (dialogs::ReplayRecord{1500, 221170, {'p', 'l', 'a', 'y'}}));
  EXPECT_EQ(back.records[2], (dialogs::ReplayRecord{1750, 223100, {}}));
  EXPECT_EQ(back.DurationMs(), 1750u);
  ASSERT_EQ(back.state_block.size(), dialogs::kReplayStateWords);
  EXPECT_EQ(back.state_block[95], 95);
  EXPECT_EQ(back.state_block[96], -1);
}

TEST_F(ReplayRecorderTest, ReplayModeLoadsTheHandsIntoTheStateBlock) {
  dialogs::CReplayRecorder recorder;
  const std::string path = RecordGame(recorder);
  dialogs::CReplayRecorder player;
  std::string error;
  const uint64_t empty = player.GetReplayVersion();
  ASSERT_TRUE(player.LoadReplay(path, &error)) << error;
  EXPECT_NE(player.GetReplayVersion(), empty);  // what was read from the empty game is stale
  EXPECT_FALSE(player.IsRecording());
  const std::span<const int32_t> hands = std::as_const(player).GetStateBlock();
  ASSERT_EQ(hands.size(), dialogs::kReplayStateWords);
  EXPECT_EQ(hands[0], 0);
  EXPECT_EQ(hands[95], 95);
  EXPECT_EQ(hands[96], -1);
  EXPECT_EQ(player.GetReplay().records.size(), 3u);

  // A damaged file is refused and the loaded game stays.
  FILE* f = platform::OpenFile(path, "ab");
  ASSERT_NE(f, nullptr);
  std::fputc('x', f);
  std::fclose(f);
  const uint64_t loaded = player.GetReplayVersion();
  EXPECT_FALSE(player.LoadReplay(path, &error));
  EXPECT_NE(error.find("after the header"), std::string::npos) << error;
  EXPECT_EQ(player.GetReplayVersion(), loaded);
  EXPECT_EQ(player.GetStateBlock()[95], 95);
  EXPECT_EQ(player.GetReplay().records.size(), 3u);
}

TEST_F(ReplayRecorderTest, NothingIsKeptOrSavedWhileNotRecording) {
  dialogs::CReplayRecorder recorder;
  recorder.SetFolder(folder_);
  EXPECT_FALSE(recorder.IsRecording());
  EXPECT_FALSE(recorder.AddRecord(229500, "x", 1));
  EXPECT_FALSE(recorder.WriteTableSnapshot(Table()));
  std::string path = "stale";
  EXPECT_FALSE(recorder.StopAndSave(&path, true));
  EXPECT_TRUE(path.empty());
  EXPECT_TRUE(recorder.GetReplay().records.empty());
  EXPECT_FALSE(platform::FileExists(folder_));
}

TEST_F(ReplayRecorderTest, WithoutTheSaveFlagOrATableNothingIsWritten) {
  dialogs::CReplayRecorder recorder;
  recorder.SetFolder(folder_);
  recorder.StartRecording();
  ASSERT_TRUE(recorder.WriteTableSnapshot(Table()));
  recorder.AddRecord(211040, "a", 1);
  std::string path;
  EXPECT_FALSE(recorder.StopAndSave(&path, false));
  EXPECT_FALSE(recorder.IsRecording());
  EXPECT_FALSE(platform::FileExists(folder_));

  recorder.StartRecording();
  EXPECT_TRUE(recorder.GetReplay().records.empty());
  recorder.AddRecord(211040, "a", 1);
  EXPECT_FALSE(recorder.StopAndSave(&path, true));
  EXPECT_FALSE(platform::FileExists(folder_));
  EXPECT_NE(log_.Text().find("the table was never recorded"), std::string::npos);
}

TEST_F(ReplayRecorderTest, GamesSavedInTheSameSecondGetTheirOwnFiles) {
  dialogs::CReplayRecorder recorder;
  const std::string first = RecordGame(recorder);
  clock_->SetLocalTime({2026, 12, 7, 8, 30, 0, 0});
  const std::string second = RecordGame(recorder);
  EXPECT_EQ(second, folder_ + "20261207-083000-17-2.rep");
  EXPECT_TRUE(platform::FileExists(first));
  EXPECT_TRUE(platform::FileExists(second));
}

TEST_F(ReplayRecorderTest, ANameThatAnythingStandsAtIsPassedOverEvenALinkToNothing) {
  // The game's own name is taken by a link to a file that is not there.
  const fs::path folder = platform::NativePath(folder_);
  fs::create_directories(folder);
  fs::create_symlink(dir_ / "nowhere.rep", folder / "20261207-083000-17.rep");
  dialogs::CReplayRecorder recorder;
  EXPECT_EQ(RecordGame(recorder), folder_ + "20261207-083000-17-2.rep");
  EXPECT_TRUE(fs::is_symlink(folder / "20261207-083000-17.rep"));
  EXPECT_FALSE(fs::exists(dir_ / "nowhere.rep"));
}

TEST_F(ReplayRecorderTest, TheMatchRecorderWritesTheLongHeaderWithTheMatchDetails) {
  dialogs::CMatchReplayRecorder recorder;
  EXPECT_TRUE(recorder.IsMatch());
  // Fifteen double-byte characters and one more: the last does not fit in 31 bytes.
  std::string long_name;
  for (int i = 0; i < 16; ++i) long_name += "赛";
  recorder.SetMatchInfo({4, 2500, 1, long_name});
  const std::string path = RecordGame(recorder);
  ASSERT_FALSE(path.empty());
  EXPECT_GT(platform::FileSize(path), 172);
  dialogs::ReplayFile back;
  std::string error;
  ASSERT_TRUE(dialogs::LoadReplayFile(path, &back, &error)) << error;
  EXPECT_TRUE(back.match);
  EXPECT_EQ(back.match_info.round, 4);
  EXPECT_EQ(back.match_info.score, 2500);
  EXPECT_EQ(back.match_info.format_name, long_name.substr(0, 30));
  EXPECT_EQ(back.records.size(), 3u);
}

TEST_F(ReplayRecorderTest, ATableThatDoesNotAddUpIsRefusedAndLongNamesAreCut) {
  dialogs::CReplayRecorder recorder;
  recorder.StartRecording();
  dialogs::ReplayTableSnapshot bad = Table();
  bad.players[1].chair = 3;
  EXPECT_FALSE(recorder.WriteTableSnapshot(bad));
  EXPECT_NE(log_.Text().find("chair 3 is not a chair of 3"), std::string::npos) << log_.Text();
  bad = Table();
  bad.own_chair = -1;
  EXPECT_FALSE(recorder.WriteTableSnapshot(bad));

  dialogs::ReplayTableSnapshot named = Table();
  named.players[0].name = std::string(30, 'a') + "名字";  // 30 bytes, then a character that would pass 31
  ASSERT_TRUE(recorder.WriteTableSnapshot(named));
  EXPECT_EQ(recorder.GetReplay().table.players[0].name, std::string(30, 'a'));
}

TEST_F(ReplayRecorderTest, RecordsPastTheLimitsAreRefusedOnceInTheLog) {
  dialogs::CReplayRecorder recorder;
  recorder.StartRecording();
  std::vector<uint8_t> big(dialogs::kMaxReplayRecordBytes + 1);
  EXPECT_FALSE(recorder.AddRecord(229500, big.data(), static_cast<int32_t>(big.size())));
  EXPECT_FALSE(recorder.AddRecord(229500, nullptr, 5));
  EXPECT_FALSE(recorder.AddRecord(229500, "x", -1));
  EXPECT_TRUE(recorder.AddRecord(229500, big.data(), dialogs::kMaxReplayRecordBytes));
  EXPECT_EQ(recorder.GetReplay().records.size(), 1u);
  const std::string text = log_.Text();
  EXPECT_NE(text.find("not recorded: too long"), std::string::npos) << text;
  EXPECT_EQ(text.find("not recorded: no data"), std::string::npos) << text;
}

TEST_F(ReplayRecorderTest, AFolderThatCannotBeMadeIsAFailureAndNotAPath) {
  fs::create_directories(dir_);
  std::ofstream(dir_ / "blocked") << "a file where the folder should be";
  dialogs::CReplayRecorder recorder;
  recorder.SetFolder((dir_ / "blocked" / "inner").string());
  recorder.StartRecording();
  ASSERT_TRUE(recorder.WriteTableSnapshot(Table()));
  std::string path = "stale";
  EXPECT_FALSE(recorder.StopAndSave(&path, true));
  EXPECT_TRUE(path.empty());
  EXPECT_NE(log_.Text().find("replay: not saved: no folder"), std::string::npos);
}

TEST_F(ReplayRecorderTest, AWriteThatFailsPartWayIsReportedAndLeavesNoFile) {
  dialogs::CReplayRecorder recorder;
  recorder.SetFolder(folder_);
  recorder.StartRecording();
  ASSERT_TRUE(recorder.WriteTableSnapshot(Table()));
  // Records that do not compress much, so the file is well over the limit below.
  std::vector<uint8_t> noise(20000);
  uint32_t x = 12345;
  for (uint8_t& b : noise) b = static_cast<uint8_t>((x = x * 1103515245 + 12345) >> 24);
  ASSERT_TRUE(recorder.AddRecord(229500, noise.data(), static_cast<int32_t>(noise.size())));
  ASSERT_TRUE(platform::CreateDirectories(folder_));
  std::string path = "stale";
  {
    replay_samples::ScopedFileSizeLimit limit(4096);
    EXPECT_FALSE(recorder.StopAndSave(&path, true));
  }
  EXPECT_TRUE(path.empty());
  EXPECT_EQ(FilesIn(folder_), 0);
  EXPECT_NE(log_.Text().find("could not be written"), std::string::npos) << log_.Text();
}

}  // namespace
