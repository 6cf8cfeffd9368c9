// ctest-labels: shell
#include <gtest/gtest.h>

#include "shell/app_messages.h"
#include "shell/enter_game_data.h"
#include "shell/game_handler.h"
#include "shell/lobby_command_line.h"
#include "shell/lobby_link.h"
#include "shell/wealth_title.h"
#include "tests/support/app_fixture.h"

namespace {

using shell::EnterGameData;
using shell::LobbyCommandLine;
using shell::PlayerRecord;

class StartData : public test::AppFixture {
 protected:
  shell::LobbyStandIn& lobby() { return *static_cast<shell::LobbyStandIn*>(app_->GetLobby()); }
};

TEST_F(StartData, TheTableDrivesEveryAccessor) {
  Seat();
  EXPECT_EQ(app_->GetUserId(), 1001u);
  EXPECT_EQ(app_->GetChair(), 0);
  EXPECT_EQ(app_->GetGameId(), 9u);
  EXPECT_EQ(app_->GetGameName(), "zipai");
  EXPECT_EQ(app_->GetLobbyWindow(), 4242u);
  EXPECT_EQ(app_->GetCommandLine().server_port, 21524);
  EXPECT_EQ(app_->GetRoomRecordId(), 77u);
  EXPECT_EQ(app_->GetTableRecordId(), 5u);
  EXPECT_EQ(app_->GetChairCount(), 3);
  EXPECT_EQ(app_->GetPlayerCount(), 3);
  EXPECT_EQ(app_->GetLookerCount(), 2);
  EXPECT_EQ(app_->FormatRoomName(), "银子场");
  EXPECT_EQ(app_->GetLocationName(), "湖南 跑胡子");

  // Players by chair, lookers by the chair they watch.
  EXPECT_EQ(app_->GetChairOfUser(1003), 2);
  EXPECT_EQ(app_->GetChairOfUser(2001), 1);
  EXPECT_EQ(app_->GetChairOfUser(999), -1);
  EXPECT_EQ(app_->GetChairOfUser(0), -1);
  for (int chair : {0, 1, 2}) EXPECT_TRUE(app_->IsChairTaken(chair)) << chair;
  for (int chair : {-1, 3, 7, 8, 1000}) EXPECT_FALSE(app_->IsChairTaken(chair)) << chair;
  EXPECT_EQ(app_->GetChairUserId(1), 1002u);
  EXPECT_EQ(app_->GetChairUserId(5), 0u);
  EXPECT_TRUE(app_->IsPlayer(1001));
  EXPECT_FALSE(app_->IsPlayer(2001));
  EXPECT_TRUE(app_->IsLooker(2001));
  EXPECT_FALSE(app_->IsLooker(1001));
  EXPECT_FALSE(app_->IsLooker(999));

  // Records: players first, then lookers, none for a stranger.
  ASSERT_NE(app_->FindPlayerRecord(2002), nullptr);
  EXPECT_TRUE(app_->FindPlayerRecord(2002)->IsLooker());
  EXPECT_EQ(app_->FindPlayerRecord(999), nullptr);
  EXPECT_EQ(app_->FindPlayerRecord(0), nullptr);
  EXPECT_EQ(app_->GetPlayerRecord(2)->UserId(), 1003u);
  EXPECT_EQ(app_->GetLookerRecord(1)->UserId(), 2002u);
  EXPECT_EQ(app_->GetLookerRecord(2), nullptr);

  // Names: "%s[%s]" with a second name, the name alone without; empty for a stranger.
  EXPECT_EQ(app_->GetUserName(2002), "fan");
  EXPECT_EQ(app_->GetUserName(999), "");
  EXPECT_EQ(app_->GetUserDisplayName(1001), "alice[A]");
  EXPECT_EQ(app_->GetUserDisplayName(1002), "bob");
  EXPECT_EQ(app_->GetUserDisplayName(1003), "张三[三哥]");
  EXPECT_EQ(app_->GetUserDisplayName(999), "");
  EXPECT_EQ(app_->GetChairName(2), "张三");
  EXPECT_EQ(app_->GetChairName(4), "");
  EXPECT_EQ(app_->GetChairDisplayName(0), "alice[A]");

  // Flags.
  EXPECT_EQ(app_->GetUserFlag1(1001), 1);
  EXPECT_EQ(app_->GetUserFlag1(1002), 0);
  EXPECT_EQ(app_->GetUserFlag1000(1002), 1);
  EXPECT_EQ(app_->GetUserFlag1000(1001), 0);
  EXPECT_EQ(app_->GetUserFlag1(999), 0);
  EXPECT_EQ(app_->FilterChat("anything"), 0);
}

TEST_F(StartData, OptionsDecideTheSafeBoxAndTheForceExit) {
  Seat();
  EXPECT_TRUE(app_->TestRoomOption4());
  EXPECT_FALSE(app_->TestRoomOption4000());
  EXPECT_EQ(app_->GetTableOptions(), 0x1000000u);
  EXPECT_EQ(app_->CanUseSafeBox(), 1);
  EXPECT_TRUE(app_->IsForceExitAllowed());
  app_->GetTableStateHolder()->SetForceExitCount(1);
  EXPECT_TRUE(app_->IsForceExitAllowed());
  app_->GetTableStateHolder()->SetForceExitCount(2);
  EXPECT_FALSE(app_->IsForceExitAllowed());

  // A watcher may not use the safe box; a table without option 0x1000000 neither.
  Seat("9|zipai|127.0.0.1|0|4242|2001|5|1|0x1000000|0|1");
  EXPECT_EQ(app_->GetLookOn(), 1);
  EXPECT_EQ(app_->CanUseSafeBox(), 0);
  Seat("9|zipai|127.0.0.1|0|4242|1001|5|0|0xCA");
  EXPECT_EQ(app_->CanUseSafeBox(), 0);
  EXPECT_TRUE(app_->TestTableOption2());
  EXPECT_TRUE(app_->TestTableOption8());
  EXPECT_TRUE(app_->TestTableOption40());
  EXPECT_TRUE(app_->TestTableOption80());
  app_->GetTableStateHolder()->SetForceExitCount(0);
  EXPECT_FALSE(app_->IsForceExitAllowed());  // table option 2 forbids it
}

TEST_F(StartData, TheSecondNameStopsWhereTheGenderWordBegins) {
  PlayerRecord r = test::MakePlayer(5, 0, "name");
  for (size_t i = 52; i < 68; ++i) r.bytes[i] = 'x';  // no terminator in the field
  r.SetWord(PlayerRecord::kGender, 1);
  r.SetWord(PlayerRecord::kAvatarId, 0x41414141);
  EXPECT_EQ(r.SecondName(), std::string(16, 'x'));
  EXPECT_EQ(r.Gender(), 1);
  for (size_t i = 20; i < 52; ++i) r.bytes[i] = 'n';
  EXPECT_EQ(r.Name(), std::string(32, 'n'));
}

TEST_F(StartData, TruncatedAndOversizedStartDataAreRefusedAndChangeNothing) {
  Seat();
  const std::vector<uint8_t> good = test::MakeTable().Serialize();
  ASSERT_EQ(good.size(), 444u + 176u + 5 * 320u);
  std::vector<uint8_t> shorter(good.begin(), good.end() - 1);
  std::vector<uint8_t> longer = good;
  longer.push_back(0);
  std::vector<uint8_t> head_only(good.begin(), good.begin() + 619);
  for (const auto* bad : {&shorter, &longer, &head_only}) {
    EXPECT_FALSE(app_->TakeStartData(bad->data(), bad->size()));
  }
  EXPECT_FALSE(app_->TakeStartData(nullptr, 0));
  EXPECT_EQ(app_->GetPlayerCount(), 3);
  EXPECT_EQ(app_->GetUserName(1003), "张三");

  // The lobby hears of each: taken once, then refused four times.
  std::vector<uint32_t> answers;
  for (const shell::LobbyRecord& r : lobby().Records()) {
    if (r.code == shell::lobby_record::kStartDataTaken && r.data.size() == 4) answers.push_back(r.data[0]);
  }
  EXPECT_EQ(answers, (std::vector<uint32_t>{1, 0, 0, 0, 0}));
}

TEST_F(StartData, CountsAndChairsFromTheLobbyAreCheckedBeforeTheyIndexAnything) {
  EnterGameData table = test::MakeTable();
  std::vector<uint8_t> bytes = table.Serialize();
  std::string error;
  // A count larger than the table can seat, with the bytes to match it.
  EnterGameData nine = table;
  while (nine.players.size() < 9) nine.players.push_back(test::MakePlayer(3000 + nine.players.size(), 7, "x"));
  bytes = nine.Serialize();
  EXPECT_FALSE(EnterGameData::Parse(bytes.data(), bytes.size(), nullptr, &error));
  EnterGameData many = table;
  many.players.clear();
  for (int i = 0; i < 65; ++i) many.lookers.push_back(test::MakePlayer(4000 + i, 0, "l", "", 0, true));
  bytes = many.Serialize();
  EXPECT_FALSE(EnterGameData::Parse(bytes.data(), bytes.size(), nullptr, &error));
  // A player on chair 8, on chair -1, or two on one chair.
  for (int32_t chair : {8, -1, 1}) {
    EnterGameData bad = table;
    bad.players[0].SetWord(PlayerRecord::kChair, static_cast<uint32_t>(chair));
    bytes = bad.Serialize();
    EXPECT_FALSE(EnterGameData::Parse(bytes.data(), bytes.size(), nullptr, &error)) << chair;
  }
  // Counts announced in the table block that the bytes do not hold.
  bytes = table.Serialize();
  bytes[444 + 4] = 4;
  EXPECT_FALSE(EnterGameData::Parse(bytes.data(), bytes.size(), nullptr, &error));
  EXPECT_NE(error.find("announced"), std::string::npos);
  // A looker's watched chair is never used as an index: one outside the table is "no chair".
  EnterGameData odd = table;
  odd.lookers[0].SetWord(PlayerRecord::kChair, 0x7FFFFFFF);
  bytes = odd.Serialize();
  ASSERT_TRUE(app_->ParseCommandLine(test::kTestCommandLine));
  ASSERT_TRUE(app_->TakeStartData(bytes.data(), bytes.size()));
  EXPECT_EQ(app_->GetChairOfUser(2001), -1);
}

TEST_F(StartData, LookersComeAndPlayersGoByLobbyRecords) {
  Seat();
  PlayerRecord joining = test::MakePlayer(2003, 2, "newcomer", "", 0, true);
  EXPECT_TRUE(app_->OnLobbyRecord(shell::lobby_record::kLookerJoins, joining.bytes, 320));
  EXPECT_EQ(app_->GetLookerCount(), 3);
  EXPECT_FALSE(app_->OnLobbyRecord(shell::lobby_record::kLookerJoins, joining.bytes, 320));  // already there
  EXPECT_FALSE(app_->OnLobbyRecord(shell::lobby_record::kLookerJoins, joining.bytes, 319));
  const std::vector<uint8_t> left = test::Words({1002});
  EXPECT_TRUE(app_->OnLobbyRecord(shell::lobby_record::kPlayerLeft, left.data(), left.size()));
  EXPECT_FALSE(app_->IsChairTaken(1));
  EXPECT_EQ(app_->GetChairOfUser(1002), -1);
  EXPECT_FALSE(app_->OnLobbyRecord(shell::lobby_record::kPlayerLeft, left.data(), 3));
}

TEST(LobbyCommandLineTest, NineFieldsAreTheLeastAndAnEmptyOrZeroPortIsTheDefault21524) {
  LobbyCommandLine line;
  std::string error;
  EXPECT_FALSE(LobbyCommandLine::Parse("9|zipai|h|0|1|2|3|4", &line, &error));
  EXPECT_NE(error.find("fewer than 9"), std::string::npos);
  ASSERT_TRUE(LobbyCommandLine::Parse("9|zipai|h||1|2|3|4|16", &line, &error));
  EXPECT_EQ(line.server_port, 21524);
  // Port 0 asks for the default too, and a refused port says so.
  ASSERT_TRUE(LobbyCommandLine::Parse("9|zipai|h|0x0|1|2|3|4|16", &line, &error));
  EXPECT_EQ(line.server_port, 21524);
  EXPECT_FALSE(LobbyCommandLine::Parse("9|zipai|h|65536|1|2|3|4|16", &line, &error));
  EXPECT_EQ(error, "server port \"65536\" is not one of 1 to 65535 (or 0 or empty for the default 21524)");
  EXPECT_EQ(line.table_options, 16u);
  EXPECT_EQ(line.field9, 0u);
  EXPECT_FALSE(line.look_on);
  ASSERT_TRUE(LobbyCommandLine::Parse("9|zipai|h|6000|1|2|3|4|0x80|17|1", &line, &error));
  EXPECT_EQ(line.server_port, 6000);
  EXPECT_EQ(line.table_options, 0x80u);
  EXPECT_EQ(line.field9, 17u);
  EXPECT_TRUE(line.look_on);
}

TEST(LobbyCommandLineTest, BadNumbersAndChairsRefuseTheLine) {
  LobbyCommandLine line;
  std::string error;
  EXPECT_FALSE(LobbyCommandLine::Parse("9|zipai|h|0|1|abc|3|4|0", &line, &error));
  EXPECT_FALSE(LobbyCommandLine::Parse("9|zipai|h|0|1|2|3|8|0", &line, &error));
  EXPECT_FALSE(LobbyCommandLine::Parse("9|zipai|h|0|1|2|3|-1|0", &line, &error));
  EXPECT_FALSE(LobbyCommandLine::Parse("9|zipai|h|0|1|99999999999|3|4|0", &line, &error));
  EXPECT_FALSE(LobbyCommandLine::Parse("9|zipai|h|0|1|2|3|4|", &line, &error));
}

// What a field reads as must be all of it: no sign, blank or second prefix is stepped over, the
// game name (its ini file beside the program) is one plain file name, and a refusal names the
// field and shows it as given: a blank as a blank, the quote and the backslash escaped, and what a
// terminal would act on (controls, bidirectional controls and isolates, line and paragraph
// separators, bytes of no UTF-8 character) escaped.
TEST(LobbyCommandLineTest, FieldsReadWholeOrRefuseTheLineSayingWhy) {
  LobbyCommandLine line;
  std::string error;
  const std::pair<const char*, const char*> refused[] = {
      {"9|zipai|h|0|0x-1|1001|3|4|0", "lobby window \"0x-1\""},
      {"9|zipai|h|0|1|0x+1001|3|4|0", "user id \"0x+1001\""},
      {"9|zipai|h|0|1|\t1001|3|4|0", "user id \"\\t1001\""},
      {"9|zipai|h|0|1|1001 |3|4|0", "user id \"1001 \""},
      {"9|zipai|h| 5|1|2|3|4|0", "server port \" 5\" is not one of 1 to 65535"},
      {"9|zipai|h|\x1B[5|1|2|3|4|0", "server port \"\\x1B[5\""},
      {"9|zipai|h|\xC2\x9B" "5|1|2|3|4|0", "server port \"\\xC2\\x9B5\""},
      {"9|zipai|h|\xE2\x81\xA6" "5|1|2|3|4|0", "server port \"\\xE2\\x81\\xA65\""},
      {"9|zipai|h|\xE2\x81\xA9" "5|1|2|3|4|0", "server port \"\\xE2\\x81\\xA95\""},
      {"9|zipai|h|\xD8\x9C" "5|1|2|3|4|0", "server port \"\\xD8\\x9C5\""},
      {"9|zipai|h|\xE2\x80\x8E" "5|1|2|3|4|0", "server port \"\\xE2\\x80\\x8E5\""},
      {"9|zipai|h|\xE2\x80\x8F" "5|1|2|3|4|0", "server port \"\\xE2\\x80\\x8F5\""},
      {"9|zipai|h|\x7F" "5|1|2|3|4|0", "server port \"\\x7F5\""},
      {"9|zipai|h|\xC2\x9F" "5|1|2|3|4|0", "server port \"\\xC2\\x9F5\""},
      {"9|zipai|h|\xE2\x80\xA8" "5|1|2|3|4|0", "server port \"\\xE2\\x80\\xA85\""},
      {"9|zipai|h|\xE2\x80\xA9" "5|1|2|3|4|0", "server port \"\\xE2\\x80\\xA95\""},
      // A quote and a backslash are escaped too: neither ends the quote nor starts an escape.
      {"9|zipai|h|a\" b|1|2|3|4|0", "server port \"a\\\" b\" is"},
      {"9|zipai|h|a\\\" b|1|2|3|4|0", "server port \"a\\\\\\\" b\" is"},
      {"9|zipai|h|0|1|\x81\\|3|4|0", "user id \"\\x81\\\\\" is"},  // a GBK trail byte 0x5C
      {"9|zipai|h|\xEF\xBC\x95|1|2|3|4|0", "server port \"\xEF\xBC\x95\""},   // a full-width 5 shows as it is
      {"9|zipai|h|\xC5\xDC|1|2|3|4|0", "server port \"\\xC5\\xDC\""},  // GBK bytes are no UTF-8
      {"9|zipai|h|99999|1|2|3|4|0", "server port \"99999\""},
      {"9|zipai|h|abc|1|2|3|4|0", "server port \"abc\""},
      {"9|zipai|h|0|0x10000000000000000|2|3|4|0", "lobby window"},
      {"9|zipai|h|0|1|2|3|4|0|x", "field 9"},
      {"9|zipai|h|0|1|2|3|4|0|0|yes", "look-on"},
      {"9|../../../tmp/x/pwn|h|0|1|2|3|4|0", "not a plain file name"},
      {"9|a\\b|h|0|1|2|3|4|0", "not a plain file name"},
      {"9|C:x|h|0|1|2|3|4|0", "not a plain file name"},
      {"9|zipai.v2|h|0|1|2|3|4|0", "not a plain file name"},
      {"9|..|h|0|1|2|3|4|0", "not a plain file name"},
      {"9|\xC5\xDC\xBA|h|0|1|2|3|4|0", "not a plain file name"},  // a lead byte without its trail
  };
  for (const auto& [text, why] : refused) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(LobbyCommandLine::Parse(text, &line, &error));
    EXPECT_NE(error.find(why), std::string::npos) << error;
  }
  // GBK names stay whole, a trail byte 0x5C included.
  ASSERT_TRUE(LobbyCommandLine::Parse("9|\xC5\xDC\xBA\xFA\xD7\xD3\x81\x5C|h|0x1F90|0xFFFFFFFFFFFFFFFF|0XAbC|3|4|0||",
                                      &line, &error))
      << error;
  EXPECT_EQ(line.game_name, "\xC5\xDC\xBA\xFA\xD7\xD3\x81\x5C");
  EXPECT_EQ(line.server_port, 8080);
  EXPECT_EQ(line.lobby_window, UINTPTR_MAX);
  EXPECT_EQ(line.user_id, 0xABCu);
}

TEST(LobbyCommandLineTest, TheLineIsSplitIntoAtMostThirtyFields) {
  std::string text = "9|zipai|h|0|1|2|3|4|0";
  for (int i = 9; i < 35; ++i) text.append("|").append(std::to_string(i));
  LobbyCommandLine line;
  ASSERT_TRUE(LobbyCommandLine::Parse(text, &line, nullptr));
  ASSERT_EQ(line.fields.size(), 30u);
  EXPECT_EQ(line.fields[29], "29|30|31|32|33|34");
}

TEST(GameHandlerTest, ChairFlagsOutsideTheTableAreNotReady) {
  shell::IGameHandler holder;
  holder.SetChairFlags(2, shell::IGameHandler::kChairReady);
  holder.SetChairFlags(9, shell::IGameHandler::kChairReady);
  EXPECT_TRUE(holder.IsChairReady(2));
  EXPECT_FALSE(holder.IsChairReady(9));
  EXPECT_FALSE(holder.IsChairReady(-1));
  holder.SetStateFlags(0x101);
  EXPECT_TRUE(holder.IsGameInProgress());
  holder.SetForceExitCount(1);
  holder.ClearState();
  EXPECT_FALSE(holder.IsGameInProgress());
  EXPECT_FALSE(holder.IsChairReady(2));
  EXPECT_EQ(holder.GetActiveChair(), -1);
  EXPECT_EQ(holder.GetForceExitCount(), 1);  // the exit rules' bookkeeping outlives a table reset
}

TEST_F(StartData, MatchRecordsAreFoundByUserAndGiveTheChairsDuan) {
  Seat();
  shell::TableExtraRecord r;
  r.SetWord(shell::TableExtraRecord::kUserId, 1003);
  r.SetWord(shell::TableExtraRecord::kDuanIndex, 4);
  EXPECT_FALSE(app_->SetTableExtra(8, r.bytes, 288));
  EXPECT_FALSE(app_->SetTableExtra(2, r.bytes, 287));
  ASSERT_TRUE(app_->SetTableExtra(2, r.bytes, 288));
  ASSERT_NE(app_->FindTableExtra(1003), nullptr);
  EXPECT_EQ(app_->FindTableExtra(1001), nullptr);
  EXPECT_EQ(app_->GetMatchChairValue(2), -1);  // not in match mode
  app_->SetMatch(true);
  EXPECT_EQ(app_->GetMatchChairValue(2), 4);
  EXPECT_EQ(app_->GetMatchChairValue(0), -1);
  app_->GetMatchData().stage = 599;
  EXPECT_TRUE(app_->IsValueAtLeast500());
  EXPECT_FALSE(app_->IsValueAtLeast600());
  EXPECT_FALSE(app_->IsValueBelow500());
}

TEST_F(StartData, TheScoreHistoryKeepsTotalsAndTheLastThirtyResults) {
  int32_t results[8] = {};
  for (int g = 1; g <= 31; ++g) {
    results[0] = g;
    results[1] = -g;
    app_->AddScoreHistory(results);
  }
  const shell::ScoreHistory& h = app_->GetScoreHistory();
  EXPECT_EQ(h.game_count, 31);
  EXPECT_EQ(h.totals[0], 31 * 32 / 2);
  EXPECT_EQ(h.results[0][0], 31);  // game 31 went to (31 - 1) % 30
  EXPECT_EQ(h.results[1][29], -30);
  app_->ClearScoreHistory();
  EXPECT_EQ(app_->GetScoreHistory().game_count, 0);
  EXPECT_EQ(app_->GetScoreHistory().totals[0], 0);
}

TEST_F(StartData, TheAnswerBufferKeepsWholeWordsOnly) {
  const std::vector<uint8_t> answer = test::Words({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 45});
  app_->SetAnswerBuffer(answer.data(), answer.size() - 1);
  EXPECT_EQ(app_->GetAnswerBuffer()[13], 14);
  EXPECT_EQ(app_->GetAnswerBuffer()[14], 0);
  app_->SetAnswerBuffer(answer.data(), answer.size());
  EXPECT_EQ(app_->GetAnswerBuffer()[14], 45);
}

TEST(WealthTitleTest, EachAmountHasItsTitle) {
  std::string title;
  const std::pair<int32_t, const char*> cases[] = {
      {-5, "平民"},      {999, "平民"},      {1000, "小康"},       {49999, "财主"},
      {50000, "富翁"},   {100000, "大富翁"}, {500000, "富豪"},     {1000000, "大富豪"},
      {5000000, "巨富"}, {10000000, "首富"}, {2147483647, "首富"},
  };
  for (const auto& [silver, expected] : cases) {
    shell::GetWealthTitle(silver, &title);
    EXPECT_EQ(title, expected) << silver;
  }
}

}  // namespace
