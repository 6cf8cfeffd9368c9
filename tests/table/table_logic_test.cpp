// ctest-labels: rules
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "platform/clock.h"
#include "platform/files.h"
#include "table/card_combo.h"
#include "table/table_logic.h"
#include "tests/support/scripted_random.h"
#include "tests/support/table_fixture.h"

namespace table {
namespace {

using table_fixture::OpenParams;
using table_fixture::Player;
using table_fixture::SeatAll;

class TableLogicTest : public ::testing::Test {
 protected:
  platform::ScopedManualClock clock{5000};
  ScriptedRandom random{{1}};
  shell::ScopedRandom use{random};
};

// ---- seating ----

TEST_F(TableLogicTest, SeatingRefusesBadAndTakenChairs) {
  CTableLogic t(7, 8, 1, 3, 0, 0);
  EXPECT_EQ(t.AddPlayer(Player(1, 3)), -1);
  EXPECT_EQ(t.AddPlayer(Player(1, -1)), -1);
  EXPECT_EQ(t.AddPlayer(Player(1, 1)), 1);
  EXPECT_EQ(t.AddPlayer(Player(2, 1)), -1);  // taken
  EXPECT_EQ(t.AddPlayer(Player(1, 2)), -1);  // already seated
  EXPECT_EQ(t.GetPlayerCount(), 1);
  EXPECT_TRUE(t.IsPlayer(1));
  EXPECT_FALSE(t.IsLooker(1));
  EXPECT_EQ(t.FindPlayer(1)->chair, 1);
  EXPECT_EQ(t.FindPlayer(9), nullptr);
  t.SetReady(1);
  EXPECT_EQ(t.ChairStatus(1) & kChairReady, kChairReady);
  t.AddPlayer(Player(2, 0));
  t.AddPlayer(Player(3, 2));
  EXPECT_TRUE(t.IsTableFull());
  EXPECT_FALSE(t.IsFullAndSet());
  int32_t info[61] = {};
  info[1] = 77;
  t.SetTableInfo(info);
  EXPECT_TRUE(t.IsFullAndSet());
  EXPECT_EQ(t.GetTableInfoKey(), 77);
  t.RemoveUser(2, 1);
  EXPECT_EQ(t.ChairPlayer(0), nullptr);
  EXPECT_FALSE(t.IsPlayer(2));
  auto back = t.RemovePlayer(3);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->user_id, 3);
  EXPECT_EQ(t.GetPlayerCount(), 1);
  EXPECT_EQ(t.CountUsers(), 1);
}

TEST_F(TableLogicTest, DefaultNamesAndTurnOrder) {
  CTableLogic t(0, 0, 1, 3, 0, 0);
  EXPECT_EQ(t.GetDefaultPlayerName(2), std::string("游戏玩家【丙】"));
  EXPECT_EQ(t.GetDefaultPlayerName(0), std::string("游戏玩家【甲】"));
  EXPECT_EQ(t.GetDefaultPlayerName(8), std::string("游戏玩家"));
  EXPECT_EQ(t.GetDefaultPlayerName(-1), std::string("游戏玩家"));
  EXPECT_EQ(t.PrevChair(0), 2);
  EXPECT_EQ(t.PrevChair(2), 1);
  EXPECT_EQ(t.NextChair(2), 0);
  EXPECT_EQ(t.PrevChair(INT32_MIN), t.PrevChair(INT32_MIN % 3 + 3));
  EXPECT_EQ(t.NextChair(INT32_MAX), (INT32_MAX % 3 + 1) % 3);
}

// ---- starting a game ----

TEST_F(TableLogicTest, StartRefusesAnEmptyChairAndChangesNothing) {
  CTableLogic t(0, 0, 1, 3, 0, 0);
  t.AddPlayer(Player(1, 0));
  t.AddPlayer(Player(3, 2));
  int chair = -9;
  EXPECT_EQ(t.StartGame(&chair, OpenParams()), kStartEmptyChair);
  EXPECT_EQ(chair, 1);
  EXPECT_EQ(t.GameCounter(), 0);
  EXPECT_EQ(t.FindPlayer(1)->games_played, 0);
}

TEST_F(TableLogicTest, StartChecksHoldingOnlyWithTheSettleFlag) {
  const int32_t holdings[3] = {1000, 50, 1000};
  StartParams p = OpenParams();
  p.min_holding = 100;
  {
    CTableLogic t(0, 0, 1, 3, 0, 0);
    SeatAll(t, holdings, 0x4);
    int chair = -9;
    EXPECT_EQ(t.StartGame(&chair, p), kStartHoldingTooLow);
    EXPECT_EQ(chair, 1);
    EXPECT_EQ(t.GameCounter(), 0);  // a refused start leaves the counters alone
    EXPECT_EQ(t.FindPlayer(101)->games_played, 0);
  }
  {
    CTableLogic t(0, 0, 1, 3, 0, 0);
    SeatAll(t, holdings, 0);  // no settle flag: holdings are not checked
    int chair = -9;
    EXPECT_EQ(t.StartGame(&chair, p), 1);
    EXPECT_EQ(t.Stake(), 0);
  }
  {
    CTableLogic t(0, 0, 1, 3, kRuleSkipStakeCheck, 0);
    SeatAll(t, holdings, 0x4);
    int chair = -9;
    EXPECT_EQ(t.StartGame(&chair, p), 1);
  }
}

TEST_F(TableLogicTest, StartChecksScoresAndGameLimits) {
  CTableLogic t(0, 0, 1, 3, 0, 0);
  SeatAll(t);
  t.FindPlayer(103)->score = 5000;
  StartParams p = OpenParams();
  p.max_score = 4000;
  int chair = -9;
  EXPECT_EQ(t.StartGame(&chair, p), kStartScoreTooHigh);
  EXPECT_EQ(chair, 2);
  p.max_score = 1 << 30;
  p.min_score = 200;
  EXPECT_EQ(t.StartGame(&chair, p), kStartScoreTooLow);
  EXPECT_EQ(chair, 0);
  p.min_score = 0;
  p.max_table_games = 1;
  ASSERT_EQ(t.StartGame(&chair, p), 1);
  EXPECT_EQ(t.GameCounter(), 1);
  EXPECT_EQ(t.StartGame(&chair, p), kStartTableGamesDone);
  EXPECT_EQ(t.GameCounter(), 1);
  p.max_table_games = 10;
  p.max_player_games = 1;
  EXPECT_EQ(t.StartGame(&chair, p), kStartTooManyGames);
}

TEST_F(TableLogicTest, StartPreparesTheGame) {
  CTableLogic t(0, 0, 1, 3, 0, 0);
  SeatAll(t);
  int32_t info[61] = {};
  info[1] = 1;
  info[31] = 250;  // a fixed round base
  t.SetTableInfo(info);
  EXPECT_TRUE(t.HasStateFlag2());
  int chair = -9;
  ASSERT_EQ(t.StartGame(&chair, OpenParams()), 1);
  EXPECT_EQ(t.RoundBase(), 250);
  EXPECT_EQ(t.Stake(), 100);
  EXPECT_TRUE(t.SettleFlag());
  EXPECT_EQ(t.Banker(), 1);  // the scripted draw
  EXPECT_EQ(t.GetCurrentChair(), 1);
  EXPECT_TRUE(t.IsGameRunning());
  EXPECT_FALSE(t.HasStateFlag2());
  EXPECT_EQ(t.Side(2), 2);
  EXPECT_EQ(t.CountSides(), 3);
  EXPECT_EQ(t.IsFirstGame(), 1);
  EXPECT_EQ(std::strlen(t.GameIdText()), 30u);
  EXPECT_EQ(t.FindPlayer(102)->games_played, 1);
}

TEST_F(TableLogicTest, PlayersWhoAreNotReadySitOutWhenAChairMayBeSatOut) {
  CTableLogic t(0, 0, 1, 3, 0, 0);
  SeatAll(t);
  for (int c = 0; c < 3; ++c) t.SetChairOptions(c, 0, kSettleHoldings, kOptionSitOut);
  t.SetReady(0);
  t.SetReady(2);
  StartParams p = OpenParams();
  p.min_ready = 3;
  int chair = -9;
  EXPECT_EQ(t.StartGame(&chair, p), kStartEmptyChair);
  EXPECT_EQ(chair, 1);
  p.min_ready = 2;
  ASSERT_EQ(t.StartGame(&chair, p), 1);
  EXPECT_EQ(t.FindPlayer(102)->absent, 1);
  EXPECT_EQ(t.FindPlayer(101)->absent, 0);
  EXPECT_EQ(t.ChairCounter(1), 1);
  EXPECT_EQ(t.ChairRecord(0).user_id, 101);
  EXPECT_EQ(t.ChairRecord(0).holding, 1000);
  EXPECT_EQ(t.ChairRecord(1).user_id, 0);
}

TEST_F(TableLogicTest, StartResultsAreTheSettleOptionsThatEveryChairTakingPartCarries) {
  CTableLogic t(0, 0, 1, 3, 0, 0);
  SeatAll(t);
  t.SetChairOptions(0, 0, kSettleFlag2 | kSettleHoldings | kSettleFlag4000 | kSettleFlag400, 0);
  t.SetChairOptions(1, 0, kSettleHoldings | kSettleFlag4000, 0);
  t.SetChairOptions(2, 0, kSettleFlag2 | kSettleHoldings | kSettleFlag4000, 0);
  int chair = -9;
  ASSERT_EQ(t.StartGame(&chair, OpenParams()), 1);
  EXPECT_EQ(t.StartSettleBits(), kSettleHoldings | kSettleFlag4000);
  EXPECT_FALSE(t.StartAllFlag2());
  EXPECT_TRUE(t.SettleFlag());
  // A reset forgets them.
  t.Reset(1);
  EXPECT_EQ(t.StartSettleBits(), 0u);
  EXPECT_FALSE(t.SettleFlag());
}

// ---- the turn cursor and the clocks ----

TEST_F(TableLogicTest, TurnClockAccountsThinkTime) {
  CTableLogic t(0, 0, 1, 3, 0, 0);
  t.SetCurrentChairTimed(2, 19);
  EXPECT_EQ(t.TurnLimit(), 20000u);
  clock->Advance(19999);
  EXPECT_FALSE(t.IsTimeOut());
  EXPECT_FALSE(t.IsChairTimedOut(2));
  clock->Advance(1);
  EXPECT_TRUE(t.IsTimeOut());
  EXPECT_FALSE(t.IsChairTimedOut(2));  // only beyond the limit
  clock->Advance(1);
  EXPECT_TRUE(t.IsChairTimedOut(2));
  t.SetCurrentChair(t.PrevChair(2));
  EXPECT_EQ(t.GetCurrentChair(), 1);
  EXPECT_EQ(t.ThinkTime(2), 20001);
  clock->Advance(500);
  t.SetCurrentChair(1);  // the same chair: no accounting
  EXPECT_EQ(t.ThinkTime(1), 0);
  t.SetCurrentChair(0);
  EXPECT_EQ(t.ThinkTime(1), 500);
  EXPECT_EQ(t.PassTurnIfSlow(2, 5), 2);
  clock->Advance(5001);
  EXPECT_EQ(t.PassTurnIfSlow(2, 5), 0);
  // A chair off the table is refused, and the turn stays where it was.
  t.SetCurrentChair(7);
  EXPECT_EQ(t.GetCurrentChair(), 0);
  t.SetCurrentChairTimed(-3, 5);
  EXPECT_EQ(t.GetCurrentChair(), 0);
}

TEST_F(TableLogicTest, StallThresholdsInsideAndOutsideAGame) {
  CTableLogic t(0, 0, 1, 3, 0, 0);
  t.SetState(0);
  clock->Advance(120000);
  EXPECT_FALSE(t.IsStalled());
  clock->Advance(1);
  EXPECT_TRUE(t.IsStalled());
  t.AddStateBits(kStateRunning);
  t.SetCurrentChairTimed(0, 9);  // limit 10000: stalled after 30000
  clock->Advance(29999);
  EXPECT_FALSE(t.IsStalled());
  clock->Advance(1);
  EXPECT_TRUE(t.IsStalled());
}

TEST_F(TableLogicTest, ClocksSurviveTheTickCountWrapping) {
  platform::ScopedManualClock wrap(0xFFFFF000u);
  CTableLogic t(0, 0, 1, 3, 0, 0);
  t.SetCurrentChairTimed(1, 4);
  wrap->Advance(0x2000);  // past 2^32
  EXPECT_TRUE(t.IsTimeOut());
  t.SetCurrentChair(0);
  EXPECT_EQ(t.ThinkTime(1), 0x2000);
}

TEST_F(TableLogicTest, SideWalksEndOnAnInvalidStart) {
  CTableLogic t(0, 0, 1, 4, 0, 0);
  t.ResetSides();
  EXPECT_EQ(t.FindOtherSideMember(0, 0), 3);
  EXPECT_EQ(t.FindSideMember(0, 2), 2);
  EXPECT_EQ(t.FindSideMember(0, 0), -1);  // comes back to the start
  EXPECT_EQ(t.FindSideMember(-1, 9), -1);
  EXPECT_EQ(t.FindSideMember(9, 9), -1);
  EXPECT_EQ(t.FindOtherSideMember(17, 0), -1);
  for (int c = 0; c < 4; ++c) t.SetSide(c, 0);
  EXPECT_EQ(t.FindOtherSideMember(1, 0), -1);
}

// A table with a wait clock.
class WaitingTable : public CTableLogic {
 public:
  WaitingTable() : CTableLogic(0, 0, 1, 3, 0, 0) {}
  int HasWaitClock() override { return 1; }
};

TEST_F(TableLogicTest, WaitClock) {
  CTableLogic plain(0, 0, 1, 3, 0, 0);
  EXPECT_EQ(plain.StartWaitClock(1, 30), 0);
  EXPECT_EQ(plain.GetWaitRemaining(platform::GetTickCount()), 0);

  WaitingTable t;
  EXPECT_EQ(t.GetWaitRemaining(platform::GetTickCount()), 0);
  EXPECT_EQ(t.StartWaitClock(1, 0), 0);
  ASSERT_EQ(t.StartWaitClock(1, 10), 1);
  EXPECT_EQ(t.StartWaitClock(1, 10), 0);  // already running
  EXPECT_TRUE(t.IsWaitClockRunning());
  EXPECT_EQ(t.GetWaitRemaining(platform::GetTickCount()), 9);  // at least one second counts
  clock->Advance(4000);
  EXPECT_EQ(t.GetWaitRemaining(platform::GetTickCount()), 6);
  clock->Advance(7000);
  EXPECT_EQ(t.GetWaitRemaining(platform::GetTickCount()), 2);  // run out
  EXPECT_EQ(t.StartWaitClock(0, 0), 1);
  EXPECT_FALSE(t.IsWaitClockRunning());
  EXPECT_EQ(t.GetWaitSeconds(), 0);
}

// ---- records ----

TEST_F(TableLogicTest, StartRecordWrittenAndReadBack) {
  CTableLogic t(0x11223344, -2, 1, 3, 0, 0);
  SeatAll(t);
  t.SetChairStatus(1, kChairRulesState | kChairReady);
  int chair = 0;
  ASSERT_EQ(t.StartGame(&chair, OpenParams()), 1);
  uint8_t bytes[88];
  std::memset(bytes, 0xAA, sizeof bytes);
  EXPECT_EQ(t.FillStartRecord(bytes, 87), 0);
  EXPECT_EQ(bytes[0], 0xAA);
  ASSERT_EQ(t.FillStartRecord(bytes, 88), 1);
  const uint8_t head[] = {0x44, 0x33, 0x22, 0x11, 0xFE, 0xFF, 0xFF, 0xFF, 3, 0, 0, 0};
  EXPECT_EQ(std::memcmp(bytes, head, sizeof head), 0);
  START_RECORD r;
  ASSERT_TRUE(ReadStartRecord(bytes, sizeof bytes, &r));
  EXPECT_EQ(r.stake, 100);
  EXPECT_EQ(r.status[1], static_cast<int32_t>(kChairRulesState | kChairReady));
  EXPECT_EQ(r.game_counter, 1);
  EXPECT_EQ(r.kick_time, 120);  // no settings file
  for (int32_t w : r.reserved) EXPECT_EQ(w, 0);
  uint8_t again[88];
  ASSERT_TRUE(WriteStartRecord(r, again, sizeof again));
  EXPECT_EQ(std::memcmp(bytes, again, sizeof bytes), 0);
}

TEST_F(TableLogicTest, GameResultAndLogRecordsRoundTrip) {
  GAME_RESULT g;
  int32_t* words = reinterpret_cast<int32_t*>(&g);
  for (int i = 0; i < 108; ++i) words[i] = i * 7919 - 300000;
  std::memcpy(g.titles[3], "\xB8\xDF\xCA\xD6", 5);
  uint8_t bytes[456];
  std::memset(bytes, 0xCC, sizeof bytes);
  ASSERT_TRUE(WriteGameResult(g, bytes, sizeof bytes));  // a rules-sized buffer: zero tail
  for (size_t i = 432; i < 456; ++i) EXPECT_EQ(bytes[i], 0);
  EXPECT_EQ(GetWord(bytes + 4 * 104), static_cast<uint32_t>(g.stake_word));
  GAME_RESULT back;
  ASSERT_TRUE(ReadGameResult(bytes, 432, &back));
  EXPECT_EQ(std::memcmp(&back, &g, sizeof g), 0);
  EXPECT_FALSE(ReadGameResult(bytes, 431, &back));

  LOG_USER u;
  int32_t* uw = reinterpret_cast<int32_t*>(&u);
  for (int i = 0; i < 29; ++i) uw[i] = i - 14;
  uint8_t ub[116];
  ASSERT_TRUE(WriteLogUser(u, ub, sizeof ub));
  EXPECT_EQ(GetWord(ub + 4 * 23), static_cast<uint32_t>(u.fee));
  LOG_USER ub_back;
  ASSERT_TRUE(ReadLogUser(ub, sizeof ub, &ub_back));
  EXPECT_EQ(std::memcmp(&ub_back, &u, sizeof u), 0);
  LOG_HEAD h;
  h.user_count = 3;
  h.round_stamp = -5;
  uint8_t hb[36];
  ASSERT_TRUE(WriteLogHead(h, hb, sizeof hb));
  LOG_HEAD h_back;
  ASSERT_TRUE(ReadLogHead(hb, sizeof hb, &h_back));
  EXPECT_EQ(std::memcmp(&h_back, &h, sizeof h), 0);
  EXPECT_FALSE(WriteLogHead(h, hb, 35));
}

TEST_F(TableLogicTest, KickTimeComesFromTheServerSettingsFile) {
  CTableLogic t(0, 0, 1, 3, 0, 0);
  const std::string path = t.GetServerIniPath();
  EXPECT_NE(path.find("svr.ini"), std::string::npos);
  platform::DeleteFile(path);
  EXPECT_EQ(t.GetKickTime(), 120);
  {
    std::ofstream out(platform::NativePath(path));
    out << "[SoloAlone]\nKickTime=45\n";
  }
  EXPECT_EQ(t.GetKickTime(), 45);
  platform::DeleteFile(path);
}

// ---- host services ----

TEST_F(TableLogicTest, PeerRecordsForSoloPlay) {
  CTableLogic t(0, 0, 1, 3, 0, 0);
  t.AddPlayer(Player(101, 1));
  t.FindPlayer(101)->extra1 = 3;
  t.FindPlayer(101)->extra2 = 4;
  auto solo = std::make_unique<SOLO_TABLE>();
  solo->chair_count = 3;
  for (int c = 0; c < 3; ++c) {
    solo->present[c] = 1;
    solo->entries[c].chair = c;
  }
  random.Script({9, 1, 150, 20, 1});
  t.MakePeerRecords(0, solo.get());
  const PEER_ENTRY& e = solo->entries[1];
  EXPECT_EQ(e.flag, 1);
  EXPECT_EQ(e.sex, 1);
  EXPECT_EQ(e.head, 150 % 107);
  EXPECT_EQ(e.number, 30);
  EXPECT_EQ(e.look, 1);
  EXPECT_EQ(e.holding, 1000);
  EXPECT_EQ(e.score, 100);
  EXPECT_EQ(e.level, 4);
  EXPECT_STREQ(e.name, "游戏玩家【乙】");
  ASSERT_GE(random.seeds.size(), 2u);
  EXPECT_EQ(random.seeds[0], platform::GetTickCount() + 10 * 4 + 3);
  EXPECT_EQ(random.seeds[1], platform::GetTickCount());  // chair 2 has no player: the tick alone
  EXPECT_STREQ(solo->entries[0].name, "");               // the viewer's own entry is left alone
  ASSERT_EQ(t.PeerData().size(), 3u * 3 * 32);
  EXPECT_EQ(GetWord(t.PeerData().data() + 1 * 32), 1u);  // viewer 0, chair 1: sex
  PEER_ENTRY known;
  known.chair = 1;
  t.MakeKnownPeerRecord(0, &known);
  EXPECT_EQ(known.sex, e.sex);
  EXPECT_EQ(known.head, e.head);
  t.StorePeerNames(solo.get());
  ASSERT_EQ(t.PeerNames().size(), 3u * 52);
  EXPECT_STREQ(reinterpret_cast<const char*>(t.PeerNames().data() + 52), "游戏玩家【乙】");
  // A record claiming more chairs than a table has is refused.
  solo->chair_count = 9;
  t.MakePeerRecords(0, solo.get());
}

TEST_F(TableLogicTest, PlayerSummaryNeedsEveryChairMarked) {
  CTableLogic t(0, 0, 1, 3, 0, 0);
  SeatAll(t);
  t.FindPlayer(102)->level = 3;
  shell::RecordTextMap titles;
  shell::TextRecord rec;
  rec.key = 3;
  std::strcpy(rec.text, "高手");
  titles[3] = rec;
  auto list = std::make_unique<PLAYER_SUMMARY_LIST>();
  EXPECT_EQ(t.FillPlayerSummary(list.get(), &titles), 0);
  for (int c = 0; c < 3; ++c) t.SetChairStatus(c, kChairListed);
  ASSERT_EQ(t.FillPlayerSummary(list.get(), &titles), 1);
  EXPECT_EQ(list->chair_count, 3);
  EXPECT_EQ(list->entries[1].user_id, 102);
  EXPECT_STREQ(list->entries[1].title, "高手");
  EXPECT_STREQ(list->entries[0].title, "");
}

TEST_F(TableLogicTest, MarksAndRecentLeaves) {
  CTableLogic t(0, 0, 1, 3, 0, 0);
  SeatAll(t);
  EXPECT_EQ(t.AllOthersMarked(0), 0);
  t.SetMark(1, 1);
  EXPECT_EQ(t.AllOthersMarked(0), 0);
  t.SetMarkRow(0, 2, 1);
  EXPECT_EQ(t.AllOthersMarked(0), 1);
  t.SetLeaveStamp(1, platform::GetTickCount());
  EXPECT_EQ(t.IsRecentlyLeft(1, 5), 0);  // the table does not watch leaves
  t.SetRecentLeaveWatch(1);
  EXPECT_EQ(t.IsRecentlyLeft(1, 5), 1);
  clock->Advance(5000);
  EXPECT_EQ(t.IsRecentlyLeft(1, 5), 0);
}

}  // namespace
}  // namespace table
