// ctest-labels: rules
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "platform/clock.h"
#include "table/table_logic.h"
#include "tests/support/scripted_random.h"
#include "tests/support/table_fixture.h"

namespace table {
namespace {

using table_fixture::OpenParams;
using table_fixture::SeatAll;

// A table whose game's rules hand over fixed score and holding changes.
class ScoredTable : public CTableLogic {
 public:
  explicit ScoredTable(int chairs, uint32_t flags = 0) : CTableLogic(1, 2, 1, chairs, flags, 0) {}
  int CalcScoreChanges(GAME_RESULT* result, int size, int32_t* score_changes, int32_t* holding_changes) override {
    for (int c = 0; c < ChairCount(); ++c) {
      score_changes[c] = scores[c];
      holding_changes[c] = holdings[c];
    }
    return CTableLogic::CalcScoreChanges(result, size, score_changes, holding_changes);
  }
  int32_t scores[8] = {};
  int32_t holdings[8] = {};
};

class SettlementTest : public ::testing::Test {
 protected:
  platform::ScopedManualClock clock{5000};
  ScriptedRandom random{{0}};
  shell::ScopedRandom use{random};
};

int32_t ModeSixFee(CTableLogic& t, int32_t win) {
  int32_t sum = 0;
  t.CalcServiceFee(0, &win, &sum);
  return sum;
}

TEST_F(SettlementTest, ModeSixFeeBands) {
  CTableLogic t(0, 0, 1, 3, 0, 0);
  t.MutableSettings().fee_mode = 6;
  t.MutableSettings().fee_rate = 2;
  EXPECT_EQ(ModeSixFee(t, 100), 0);
  EXPECT_EQ(ModeSixFee(t, 101), 2);
  EXPECT_EQ(ModeSixFee(t, 5000), 100);
  EXPECT_EQ(ModeSixFee(t, 10000), 200);
  EXPECT_EQ(ModeSixFee(t, 10001), 200);  // ceil(0.50005) x 200
  EXPECT_EQ(ModeSixFee(t, 15000), 300);
  EXPECT_EQ(ModeSixFee(t, 40000), 1600);
  EXPECT_EQ(ModeSixFee(t, 100000), 5000);  // ceil(5) x 2000, cut to 5 % of the win
  EXPECT_EQ(ModeSixFee(t, 100001), 5000);  // 5 x 2000, cut the same way
  EXPECT_EQ(ModeSixFee(t, 200000), 10000);
  EXPECT_EQ(ModeSixFee(t, -500), 0);
  int32_t win = 5000, sum = 7;
  t.CalcServiceFee(0, &win, &sum);
  EXPECT_EQ(win, 4900);
  EXPECT_EQ(sum, 107);
}

TEST_F(SettlementTest, ModeOneTakesTheShortfallFromTheFirstWinner) {
  const int32_t holdings[3] = {100, 1000, 1000};
  CTableLogic t(0, 0, 1, 3, 0, 0);
  SeatAll(t, holdings);
  t.MutableSettings().fee_mode = 1;
  t.MutableSettings().fee_cap = 50;
  int32_t deltas[3] = {-70, 400, 300};
  int32_t fees[3] = {};
  int32_t total = t.ChargeFeeAll(deltas, fees);
  EXPECT_EQ(fees[0], 30);  // left with 30, pays 30
  EXPECT_EQ(fees[1], 50 + 20);
  EXPECT_EQ(fees[2], 50);
  EXPECT_EQ(total, 150);
  EXPECT_EQ(deltas[0], -100);
  EXPECT_EQ(deltas[1], 330);
  EXPECT_EQ(deltas[2], 250);
  // With no winner left in the plus, the shortfall stays unpaid rather than pushing anyone further down.
  int32_t flat[3] = {-70, 40, 30};
  int32_t flat_fees[3] = {};
  EXPECT_EQ(t.ChargeFeeAll(flat, flat_fees), 130);
  EXPECT_EQ(flat[1], -10);

  // A chair left with nothing pays nothing, never a negative fee.
  const int32_t broke[3] = {0, 1000, 1000};
  CTableLogic u(0, 0, 1, 3, 0, 0);
  SeatAll(u, broke);
  u.MutableSettings().fee_mode = 1;
  u.MutableSettings().fee_cap = 50;
  int32_t d2[3] = {-10, 5, 5};
  int32_t f2[3] = {};
  u.ChargeFeeAll(d2, f2);
  EXPECT_EQ(f2[0], 0);
  EXPECT_EQ(d2[0], -10);
  EXPECT_GE(d2[1], -1000);
}

TEST_F(SettlementTest, ModesSevenEightNine) {
  CTableLogic t(0, 0, 1, 3, 0, 0);
  GameSettings& s = t.MutableSettings();
  const int32_t amounts[3] = {5000, 120, 80000};
  int32_t net[3], fees[3] = {};
  s.fee_mode = 7;
  s.fee_cap = 200;
  EXPECT_EQ(t.ChargeFeeAllEx(amounts, net, 0, fees), 200 + 120 + 200);
  EXPECT_EQ(net[1], 0);
  EXPECT_EQ(fees[1], 120);

  s.fee_mode = 8;
  s.fee_rate_10000 = 150;
  s.fee_threshold = 100;
  std::fill(fees, fees + 3, 0);
  // ceil(120 x 150 / 10000) = 2 from everyone.
  EXPECT_EQ(t.ChargeFeeAllEx(amounts, net, 0, fees), 6);
  EXPECT_EQ(net[2], 79998);
  s.fee_threshold = 121;
  std::fill(fees, fees + 3, 0);
  EXPECT_EQ(t.ChargeFeeAllEx(amounts, net, 0, fees), 0);  // the poorest is below the threshold
  EXPECT_EQ(net[0], 5000);

  s.fee_mode = 9;
  s.fee_threshold = 1000;
  std::fill(fees, fees + 3, 0);
  EXPECT_EQ(t.ChargeFeeAllEx(amounts, net, 0, fees), 75 + 1200);
  EXPECT_EQ(fees[1], 0);
  const int32_t odd[3] = {1001, 999, 2000};
  std::fill(fees, fees + 3, 0);
  EXPECT_EQ(t.ChargeFeeAllEx(odd, net, 0, fees), 16 + 0 + 30);  // 1001 x 150 / 10000 = 15.015, rounded up
  EXPECT_EQ(net[0], 985);

  int32_t one_net = 0, one_fee = -1;
  t.CalcServiceFeeEx(5000, &one_net, 0, &one_fee);
  EXPECT_EQ(one_fee, 75);
  EXPECT_EQ(one_net, 4925);
  s.fee_mode = 6;
  one_fee = -1;
  t.CalcServiceFeeEx(5000, &one_net, 0, &one_fee);
  EXPECT_EQ(one_fee, -1);
  EXPECT_EQ(one_net, 5000);
}

TEST_F(SettlementTest, ClipLossesReducesWinnersByEachExcess) {
  CTableLogic t(0, 0, 1, 4, 0, 0);
  const int32_t holdings[4] = {100, 300, 5000, 5000};
  // Losers limited by the smallest holding (100): chair 0 loses 150 (excess 50), chair 1 200 (excess 100).
  int32_t deltas[4] = {-150, -200, 250, 100};
  t.ClipLosses(holdings, deltas);
  EXPECT_EQ(deltas[0], -100);
  EXPECT_EQ(deltas[1], -100);
  // Winners lose ceil(50/350 x entry) then ceil(100/350 x entry).
  EXPECT_EQ(deltas[2], 250 - 36 - 72);
  EXPECT_EQ(deltas[3], 100 - 15 - 29);

  CTableLogic own(0, 0, 1, 4, kRuleOwnHoldingLimit, 0);
  int32_t d2[4] = {-150, -200, 250, 100};
  own.ClipLosses(holdings, d2);
  EXPECT_EQ(d2[0], -100);
  EXPECT_EQ(d2[1], -200);  // within his own 300

  // Nobody won: the losses are still clipped, and nothing is divided by zero.
  int32_t d3[4] = {-500, -10, 0, 0};
  t.ClipLosses(holdings, d3);
  EXPECT_EQ(d3[0], -100);
  EXPECT_EQ(d3[1], -10);
  EXPECT_EQ(d3[2], 0);

  // Nobody holds anything: the limit is 0.
  const int32_t none[4] = {0, 0, 0, 0};
  int32_t d4[4] = {-5, 5, 0, 0};
  t.ClipLosses(none, d4);
  EXPECT_EQ(d4[0], 0);
  EXPECT_EQ(d4[1], 0);
}

TEST_F(SettlementTest, UnbalancedSettlementIsCancelled) {
  CTableLogic t(0, 0, 1, 3, 0, 0);
  int32_t deltas[3] = {-100, 80, 30};
  int32_t fees[3] = {0, 5, 5};
  EXPECT_EQ(t.VerifySettlement(deltas, fees, 10), 0);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(deltas[c], 0);
    EXPECT_EQ(fees[c], 0);
  }
  int32_t ok[3] = {-100, 50, 40};
  int32_t okf[3] = {0, 5, 5};
  EXPECT_EQ(t.VerifySettlement(ok, okf, 10), 1);
  EXPECT_EQ(ok[1], 50);
}

TEST_F(SettlementTest, LevelsAndLossShares) {
  CTableLogic t(0, 0, 1, 3, 0, 0);
  EXPECT_EQ(t.GetLevel(9, 1), 0);
  EXPECT_EQ(t.GetLevel(10, 1), 1);
  EXPECT_EQ(t.GetLevel(86640, 1), 19);
  EXPECT_EQ(t.GetLevel(0, 5), 0);
  EXPECT_EQ(t.GetLevel(-40, 1), 0);
  EXPECT_EQ(t.GetLevel(50, 5), 1);
  EXPECT_EQ(t.GetLevel(2147483647, 1000000), 0 + shell::GetLevelIndex(2147483647, 1000000));

  const int32_t holdings[3] = {150, 1000, 1000};
  SeatAll(t, holdings);
  StartParams p = OpenParams();
  p.loss_share_percent = 10;
  int chair = 0;
  ASSERT_EQ(t.StartGame(&chair, p), 1);
  int32_t share = -1;
  EXPECT_EQ(t.CalcChairLoss(0, -2, &share), -150);
  EXPECT_EQ(share, 15);
  t.MutableSettings().loss_cap = 120;
  EXPECT_EQ(t.CalcChairLoss(0, -2, &share), -120);
  EXPECT_EQ(share, 12);
}

TEST_F(SettlementTest, SplitAmountGivesTheRestToTheNextChairInTurn) {
  CTableLogic t(0, 0, 1, 4, 0, 0);
  t.ResetSides();
  // Payer chair 1; the others are three sides; the first after chair 1 in turn order is chair 0.
  EXPECT_EQ(t.SplitAmount(1, 1, 10), 0);
  EXPECT_EQ(t.SplitAmount(0, 1, 10), 4);
  EXPECT_EQ(t.SplitAmount(3, 1, 10), 3);
  EXPECT_EQ(t.SplitAmount(2, 1, 10), 3);
  for (int c = 0; c < 4; ++c) t.SetSide(c, 0);
  EXPECT_EQ(t.SplitAmount(0, 1, 10), 0);  // nobody on another side
  EXPECT_EQ(t.PairFactor(2, 2, 7), -7);
  EXPECT_EQ(t.PairFactor(1, 2, 7), 0);
}

TEST_F(SettlementTest, LossReliefBands) {
  CTableLogic t(0, 0, 1, 3, 0, 0);
  EXPECT_EQ(t.CalcLossRelief(0), 0);
  EXPECT_EQ(t.CalcLossRelief(500), 500);
  random.Script({56});
  EXPECT_EQ(t.CalcLossRelief(-1000), -1000);  // above the chance of 55
  random.Script({55, 83});
  EXPECT_EQ(t.CalcLossRelief(-1000), -900);
  random.Script({0, 84});
  EXPECT_EQ(t.CalcLossRelief(-1000), -500);
  random.Script({0, 95});
  EXPECT_EQ(t.CalcLossRelief(-1000), -500);
  random.Script({0, 96});
  EXPECT_EQ(t.CalcLossRelief(-1000), 0);
  random.Script({0, 0});
  EXPECT_EQ(t.CalcLossRelief(-1), 0);  // the cut is at least 1
}

class ReliefTable : public ScoredTable {
 public:
  ReliefTable() : ScoredTable(3) {}
  int IsLossReliefEnabled() override { return 1; }
};

TEST_F(SettlementTest, GameResultSettlesAndSumsToZero) {
  std::mt19937 rng(99);
  for (int round = 0; round < 300; ++round) {
    ScoredTable t(3);
    int32_t holdings[3];
    for (int32_t& h : holdings) h = static_cast<int32_t>(rng() % 5000);
    SeatAll(t, holdings);
    StartParams p = OpenParams();
    p.fee_mode = round % 2 == 0 ? 6 : 9;
    p.fee_rate = 2;
    p.fee_rate_10000 = 100;
    p.fee_threshold = 100;
    int chair = 0;
    ASSERT_EQ(t.StartGame(&chair, p), 1);
    // Zero-sum scoring from the game's rules.
    int32_t a = static_cast<int32_t>(rng() % 4000) - 2000, b = static_cast<int32_t>(rng() % 4000) - 2000;
    int32_t changes[3] = {a, b, -a - b};
    for (int c = 0; c < 3; ++c) t.holdings[c] = t.scores[c] = changes[c];
    GAME_RESULT r;
    ASSERT_EQ(t.BuildGameResult(&r, sizeof r, 0), 1);
    int64_t sum = 0;
    bool clipped = false;
    for (int c = 0; c < 3; ++c) {
      sum += r.holding_changes[c] + r.fees[c];
      // A loser's change before his fee differs from the game's only when his loss was limited.
      if (changes[c] < 0 && r.holding_changes[c] + (p.fee_mode == 9 ? r.fees[c] : 0) != changes[c]) clipped = true;
      EXPECT_GE(r.fees[c], 0);
      if (p.fee_mode == 9) {
        EXPECT_GE(holdings[c] + r.holding_changes[c], 0);
      }
    }
    EXPECT_LE(sum, 0) << "round " << round;
    if (!clipped) {
      EXPECT_EQ(sum, 0) << "round " << round;
    }
    t.ApplyScores(&r, sizeof r);
    for (int c = 0; c < 3; ++c) {
      EXPECT_GE(t.ChairPlayer(c)->holding, 0);
      EXPECT_EQ(t.ChairPlayer(c)->score, 100 + changes[c]);
      EXPECT_EQ(r.levels[c], t.GetLevel(100 + changes[c], 1));
    }
  }
}

TEST_F(SettlementTest, FinishGameAppliesScoresAndWritesTitles) {
  ScoredTable t(3);
  SeatAll(t);
  StartParams p = OpenParams();
  p.fee_mode = 6;
  p.fee_rate = 2;
  int chair = 0;
  ASSERT_EQ(t.StartGame(&chair, p), 1);
  t.scores[0] = -50;
  t.scores[1] = 80;
  t.scores[2] = -30;
  t.holdings[0] = -500;
  t.holdings[1] = 800;
  t.holdings[2] = -300;
  t.FindPlayer(103)->absent = 1;  // sat this game out
  shell::RecordTextMap titles;
  shell::TextRecord long_title;
  long_title.key = 4;
  std::memcpy(long_title.text, "一二三四五六七八九十", 20);  // 20 bytes: cut to 14, at a character
  titles[4] = long_title;
  GAME_RESULT r;
  ASSERT_EQ(t.FinishGame(&r, sizeof r, 0, 0, &titles), 1);
  EXPECT_EQ(r.fees[1], 16);  // (800 / 100) x 2
  EXPECT_EQ(r.absent_chairs, 0x4);
  EXPECT_EQ(r.stake_word, 100);
  EXPECT_EQ(t.FindPlayer(101)->score, 50);
  EXPECT_EQ(t.FindPlayer(101)->holding, 500);
  EXPECT_EQ(t.FindPlayer(103)->score, 100);  // absent: untouched
  EXPECT_EQ(std::strlen(r.titles[1]), 14u);
  EXPECT_EQ(std::memcmp(r.titles[1], "一二三四五六七", 14), 0);

  LOG_HEAD head;
  LOG_USER users[8];
  ASSERT_EQ(t.BuildGameLog(&r, sizeof r, 0, 77, &head, users), 1);
  EXPECT_EQ(head.user_count, 3);
  EXPECT_EQ(head.kind, 77);
  EXPECT_EQ(users[1].user_id, 102);
  EXPECT_EQ(users[1].won, 1);
  EXPECT_EQ(users[0].lost, 1);
  EXPECT_EQ(users[1].fee, r.fees[1]);
  EXPECT_EQ(users[2].kind, 77);
  LOG_HEAD playing_head;
  LOG_USER playing[8];
  ASSERT_EQ(t.BuildPlayingGameLog(&r, sizeof r, 0, 5, &playing_head, playing), 1);
  EXPECT_EQ(playing_head.user_count, 2);
  EXPECT_EQ(playing[1].user_id, 102);
  EXPECT_EQ(playing_head.flags & kLogSettleBit, kLogSettleBit);
}

TEST_F(SettlementTest, ConfirmedLogNeedsAPendingResult) {
  ScoredTable t(3);
  SeatAll(t);
  LOG_HEAD head;
  head.user_count = 3;
  LOG_USER users[3];
  EXPECT_EQ(t.ApplyConfirmedLog(&head, users, nullptr), 0);
  EXPECT_EQ(t.FindPlayer(101)->score, 100);
  GAME_RESULT pending;
  t.StorePendingResult(pending, 432);
  head.user_count = 2;
  EXPECT_EQ(t.ApplyConfirmedLog(&head, users, nullptr), 1);
  EXPECT_EQ(t.FindPlayer(101)->score, 100);
  head.user_count = 3;
  users[0].score_before = 100;
  users[0].score_change = 25;
  EXPECT_EQ(t.ApplyConfirmedLog(&head, users, nullptr), 1);
  EXPECT_EQ(t.FindPlayer(101)->score, 125);
  t.ResetRound();
  EXPECT_EQ(t.PendingResult(), nullptr);
}

TEST_F(SettlementTest, LeaverSettlementAndDryRun) {
  ScoredTable t(3);
  SeatAll(t);
  int chair = 0;
  ASSERT_EQ(t.StartGame(&chair, OpenParams()), 1);
  LEAVE_RESULT leave;
  ASSERT_EQ(t.BuildLeaveResult(1, 1, &leave), 1);
  EXPECT_EQ(leave.user_id, 102);
  EXPECT_EQ(leave.holding_before, 1000);
  EXPECT_EQ(t.FindPlayer(102)->holding, 1000);
  LOG_HEAD head;
  LOG_USER user;
  ASSERT_EQ(t.BuildLeaveLog(&leave, 0, 0, 1, 3, &head, &user), 1);
  EXPECT_EQ(head.flags, kLogLeave | kLogSettleBit);
  EXPECT_EQ(user.lost, 1);
  EXPECT_EQ(user.chair, 1);
}

TEST_F(SettlementTest, LossReliefIsRecordedPerChair) {
  ReliefTable t;
  SeatAll(t);
  t.FindPlayer(101)->flags = kPlayerLossRelief;
  int chair = 0;
  ASSERT_EQ(t.StartGame(&chair, OpenParams()), 1);
  t.scores[0] = -1000;
  t.scores[1] = 1000;
  random.Script({0, 90});  // granted, half the loss
  GAME_RESULT r;
  t.BuildGameResult(&r, sizeof r, 0);
  EXPECT_EQ(r.score_changes[0], -500);
  EXPECT_EQ(t.Relief(0), 500);
  int32_t ids[8] = {}, reliefs[8] = {};
  EXPECT_EQ(t.GetLossReliefs(ids, reliefs), 1);
  EXPECT_EQ(ids[0], 101);
  EXPECT_EQ(reliefs[0], 500);
  EXPECT_EQ(reliefs[1], 0);
}

}  // namespace
}  // namespace table
