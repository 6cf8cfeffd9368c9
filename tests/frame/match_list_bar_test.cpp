// ctest-labels: match tsan
// The match list bar in the client's window, on the manual clock: its clock and sign-up lines,
// the title, the portrait, the rank digits and where they stand, the ranking rows it builds from
// the application's match data, and a bar without its picture.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/core/canvas_object.h"
#include "engine/core/engine_module.h"
#include "engine/core/sprite_object.h"
#include "engine/ui/number_display.h"
#include "frame/match_list_bar.h"
#include "frame/match_player_list.h"
#include "frame/match_rank_row.h"
#include "frame/match_ranking.h"
#include "tests/support/engine_doubles.h"
#include "tests/support/panel_fixture.h"

namespace {

using frame::MatchListBar;
using frame::MatchRankRecord;

// The bar as the side panel places it: 246 x 330 with its top-left corner at (774, 25).
constexpr int kLeft = 774;
constexpr int kTop = 25;
constexpr int kWidth = 246;
constexpr int kHeight = 330;

// Colours of the clock line's markup, as COLORREF.
constexpr uint32_t kGreen = 0x95E273;   // rgb 115, 226, 149
constexpr uint32_t kYellow = 0x0AFFC6;  // rgb 198, 255, 10

std::vector<uint8_t> Ranking(int rows) {
  std::vector<uint8_t> body;
  for (int i = 0; i < rows; ++i) {
    MatchRankRecord r;
    r.SetWord(MatchRankRecord::kUserId, 3000 + i);
    r.SetWord(MatchRankRecord::kRank, i + 1);
    r.SetWord(MatchRankRecord::kScore, 100 - i);
    const std::string number = std::to_string(i);
    r.SetText(MatchRankRecord::kName, MatchRankRecord::kNameBytes, "p" + number);
    body.insert(body.end(), r.bytes, r.bytes + sizeof r.bytes);
  }
  return body;
}

std::set<uint32_t> Colours(engine::CanvasObject* canvas) {
  std::set<uint32_t> colours;
  for (int y = 0; y < canvas->GetSurfaceHeight(); ++y) {
    for (int x = 0; x < canvas->GetSurfaceWidth(); ++x) {
      if (canvas->GetPixelAlpha(x, y) != 0) colours.insert(canvas->GetPixel(x, y));
    }
  }
  return colours;
}

class MatchBar : public test::PanelFixture {
 protected:
  void StartWithBar() {
    Start();
    bar_ = new MatchListBar();
    panel().AddToScene(bar_);
    bar_->PlaceIn(engine::RECT{kLeft, kTop, kLeft + kWidth, kTop + kHeight});
    Deliver();
  }
  shell::MatchData& Data() { return app_->GetMatchData(); }
  void SetRanking(int rows) {
    const std::vector<uint8_t> body = Ranking(rows);
    ASSERT_TRUE(frame::StoreMatchRanking(Data(), rows, body.data(), body.size()));
  }
  // Seconds of the clock, a frame after each: a timer starts with the frames that take it, and
  // each tick comes with the first frame a whole second after the last one.
  void Seconds(int n) {
    Deliver();
    for (int i = 0; i < n; ++i) {
      clock_->Advance(1000);
      Frames(1);
    }
  }
  // The user's own match record at the table, with its overall game number (0-based).
  void SetOwnMatchRecord(int32_t game_number) {
    shell::TableExtraRecord r;
    r.SetWord(shell::TableExtraRecord::kUserId, 1001);
    r.SetWord(268, static_cast<uint32_t>(game_number));
    ASSERT_TRUE(app_->SetTableExtra(0, r.bytes, sizeof r.bytes));
  }
  // The values a number display shows, frame by frame, until its roll ends.
  std::vector<int32_t> RollOf(engine::NumberDisplay* digits) {
    std::vector<int32_t> seen{digits->GetValue()};
    for (int i = 0; i < 400 && digits->IsRolling(); ++i) {
      Frames(1);
      if (digits->GetValue() != seen.back()) seen.push_back(digits->GetValue());
    }
    return seen;
  }

  MatchListBar* bar_ = nullptr;
};

TEST_F(MatchBar, TheClockCountsSecondsOnTheManualClockWithoutAGameNumberWhenTheUserHasNoRecord) {
  StartWithBar();
  bar_->StartClock();
  EXPECT_TRUE(bar_->IsClockRunning());
  Seconds(3);
  EXPECT_EQ(bar_->GetSeconds(), 3u);
  EXPECT_EQ(bar_->GetClockText(), "           <rgb=115,226,149>比赛进行:<rgb=198,255,10>00小时00分03秒");
  // Drawn as markup, with the groove at x 74 and 75.
  engine::CanvasObject* clock = bar_->GetClock();
  const std::set<uint32_t> colours = Colours(clock);
  EXPECT_EQ(colours.count(kGreen), 1u);
  EXPECT_EQ(colours.count(kYellow), 1u);
  EXPECT_EQ(clock->GetPixel(74, 10), 0x426E11u);
  EXPECT_EQ(clock->GetPixel(75, 10), 0x2C4D09u);
  // The window shows the groove (its pixels are 0xRRGGBB).
  Deliver();
  const uint32_t shown = Pixel(static_cast<int>(clock->GetLeft()) + 74, static_cast<int>(clock->GetTop()) + 10);
  for (int shift : {0, 8, 16}) {
    EXPECT_NEAR(static_cast<int>(shown >> shift & 0xFF), static_cast<int>(0x116E42u >> shift & 0xFF), 2) << shift;
  }
}

TEST_F(MatchBar, WithTheUsersMatchRecordTheClockShowsTheOverallGameCountedFromOne) {
  StartWithBar();
  SetOwnMatchRecord(4);
  bar_->StartClock();
  Seconds(1);
  EXPECT_EQ(bar_->GetClockText(),
            " <rgb=115,226,149>总第<rgb=198,255,10> 05 <rgb=115,226,149>局   比赛进行:<rgb=198,255,10>00小时00分01秒");
}

TEST_F(MatchBar, HoursMinutesAndSecondsOfLongMatchesAndAHundredHoursShowsThreeDigits) {
  EXPECT_EQ(MatchListBar::FormatClockText(3725, -1),
            "           <rgb=115,226,149>比赛进行:<rgb=198,255,10>01小时02分05秒");
  EXPECT_EQ(MatchListBar::FormatClockText(360000, -1),
            "           <rgb=115,226,149>比赛进行:<rgb=198,255,10>100小时00分00秒");
  EXPECT_EQ(MatchListBar::FormatClockText(59, 119),
            " <rgb=115,226,149>总第<rgb=198,255,10> 120 <rgb=115,226,149>局   比赛进行:<rgb=198,255,10>00小时00分59秒");
}

TEST_F(MatchBar, ResumingTakesTheElapsedSecondsFromARunningClockValueOnly) {
  StartWithBar();
  Data().clock_value = 0;
  bar_->ResumeClock();
  EXPECT_FALSE(bar_->IsClockRunning());
  Data().clock_value = 5;
  bar_->ResumeClock();
  EXPECT_FALSE(bar_->IsClockRunning());

  Data().clock_value = -3724;
  bar_->ResumeClock();
  EXPECT_TRUE(bar_->IsClockRunning());
  EXPECT_EQ(bar_->GetSeconds(), 3724u);
  Seconds(1);
  EXPECT_EQ(bar_->GetClockText(), "           <rgb=115,226,149>比赛进行:<rgb=198,255,10>01小时02分05秒");
}

TEST_F(MatchBar, ARestartedClockTicksOnceASecondAndAStoppedOneStandsStill) {
  StartWithBar();
  bar_->StartClock();
  Seconds(2);
  bar_->StartClock();
  Data().clock_value = -100;
  bar_->ResumeClock();
  Seconds(3);
  EXPECT_EQ(bar_->GetSeconds(), 103u);
  bar_->StopClock();
  EXPECT_FALSE(bar_->IsClockRunning());
  const std::string text = bar_->GetClockText();
  Seconds(3);
  EXPECT_EQ(bar_->GetSeconds(), 103u);
  EXPECT_EQ(bar_->GetClockText(), text);
}

TEST_F(MatchBar, TheSignUpCountTakesTheClocksPlaceUntilTheNextTick) {
  StartWithBar();
  bar_->ShowSignUpCount(17);
  EXPECT_EQ(bar_->GetClockText(), "    <rgb=115,226,149>本场比赛当前<rgb=255,255,255> 17 <rgb=115,226,149>人报名。");
  const std::set<uint32_t> colours = Colours(bar_->GetClock());
  EXPECT_EQ(colours.count(0xFFFFFFu), 1u);
  EXPECT_NE(bar_->GetClock()->GetPixel(74, 1), 0x426E11u);

  bar_->StartClock();
  Seconds(1);
  EXPECT_EQ(bar_->GetClockText(), "           <rgb=115,226,149>比赛进行:<rgb=198,255,10>00小时00分01秒");
}

TEST_F(MatchBar, TheSecondKindOfMatchShowsNoSignUpCount) {
  StartWithBar();
  bar_->ShowSignUpCount(3);
  Data().stage = 500;
  bar_->ShowSignUpCount(9);
  EXPECT_EQ(bar_->GetClockText(), MatchListBar::FormatSignUpText(3));
}

TEST_F(MatchBar, TheTitleFitsTheMatchNameToTheTitlesWidth) {
  StartWithBar();
  ASSERT_EQ(bar_->GetTitle()->GetSurfaceWidth(), 250);
  Data().match_name = "abcdefghijklmnopqrst";
  bar_->DrawTitle();
  EXPECT_EQ(bar_->GetTitleCharWidth(), 11);
  engine::FontRecord style{};
  bar_->GetTitle()->GetTextStyle(&style);
  EXPECT_EQ(style.height, 22);
  EXPECT_EQ(style.weight, 700);
  EXPECT_EQ(style.colour, 9822835u);
  EXPECT_EQ(Colours(bar_->GetTitle()).count(9822835u), 1u);

  Data().match_name = "春季赛";
  bar_->DrawTitle();
  EXPECT_EQ(bar_->GetTitleCharWidth(), 16);
  // A name longer than the title's bound is cut there; the width never falls below one pixel.
  Data().match_name = std::string(500, 'x');
  bar_->DrawTitle();
  EXPECT_EQ(bar_->GetTitleCharWidth(), 220 / 64);
  EXPECT_EQ(MatchListBar::TitleCharWidth(1000, 20), 1);
  EXPECT_EQ(MatchListBar::TitleCharWidth(0, 250), 16);
}

TEST_F(MatchBar, TheLayoutPlacesTitleClockPortraitAndTheListInTheBar) {
  StartWithBar();
  EXPECT_DOUBLE_EQ(bar_->GetTitle()->GetX(), 897);
  EXPECT_DOUBLE_EQ(bar_->GetTitle()->GetY(), kTop + 30);
  EXPECT_DOUBLE_EQ(bar_->GetClock()->GetX(), 897);
  EXPECT_DOUBLE_EQ(bar_->GetClock()->GetY(), kTop + 67);
  EXPECT_GT(bar_->GetClock()->GetDepth(), bar_->GetTitle()->GetDepth());
  EXPECT_DOUBLE_EQ(bar_->GetAvatar()->GetX(), kLeft + 36);
  EXPECT_DOUBLE_EQ(bar_->GetAvatar()->GetY(), kTop + 120);
  EXPECT_NE(bar_->GetAvatar()->IsVisible(), 0u);
  frame::MatchPlayerList* list = bar_->GetRankList();
  EXPECT_DOUBLE_EQ(list->GetWidth(), kWidth - 12);
  EXPECT_DOUBLE_EQ(list->GetHeight(), 168);
  EXPECT_DOUBLE_EQ(list->GetX(), 897);
  EXPECT_DOUBLE_EQ(list->GetY(), kTop + kHeight - 6 - 84);
  EXPECT_DOUBLE_EQ(list->GetDepth(), bar_->GetDepth() + 10);
}

TEST_F(MatchBar, RankDigitsStandByTheRankStatusAndHideWithoutARanking) {
  StartWithBar();
  engine::NumberDisplay* rank = bar_->GetRankDigits();
  engine::NumberDisplay* rest = bar_->GetRestDigits();
  engine::SpriteObject* division = bar_->GetDivision();
  EXPECT_EQ(rank->GetDigitCount(), 4);
  EXPECT_EQ(rest->GetDigitCount(), 1);

  bar_->PlaceRankDigits();
  EXPECT_EQ(rank->IsVisible(), 0u);
  EXPECT_EQ(rest->IsVisible(), 0u);
  EXPECT_EQ(division->IsVisible(), 0u);

  SetRanking(3);
  bar_->PlaceRankDigits();
  EXPECT_NE(rank->IsVisible(), 0u);
  EXPECT_NE(rest->IsVisible(), 0u);
  EXPECT_NE(division->IsVisible(), 0u);
  EXPECT_DOUBLE_EQ(rank->GetX(), kLeft + 170);
  EXPECT_DOUBLE_EQ(rank->GetY(), kTop + 115);
  EXPECT_DOUBLE_EQ(division->GetX(), kLeft + 178);
  EXPECT_DOUBLE_EQ(division->GetY(), kTop + 125);
  EXPECT_DOUBLE_EQ(rest->GetX(), kLeft + 185);
  EXPECT_DOUBLE_EQ(rest->GetY(), kTop + 127);

  for (int32_t status : {-4, -2, -1}) {
    SCOPED_TRACE(status);
    Data().rank_status = status;
    bar_->PlaceRankDigits();
    EXPECT_NE(rank->IsVisible(), 0u);
    EXPECT_EQ(rest->IsVisible(), 0u);
    EXPECT_EQ(division->IsVisible(), 0u);
    EXPECT_DOUBLE_EQ(rank->GetX(), kLeft + 180);
    EXPECT_DOUBLE_EQ(rank->GetY(), kTop + 125);
  }
  Data().rank_status = -3;
  bar_->PlaceRankDigits();
  EXPECT_NE(rest->IsVisible(), 0u);
}

TEST_F(MatchBar, TheRankRollsAFifthOfTheWayPerStepAndAShortWayStillArrives) {
  StartWithBar();
  SetRanking(2);
  engine::NumberDisplay* rank = bar_->GetRankDigits();
  engine::NumberDisplay* rest = bar_->GetRestDigits();
  rank->SetValue(12);
  rest->SetValue(40);
  Data().own_rank = 37;
  Data().players_left = 38;
  bar_->RefreshRanking();
  EXPECT_EQ(RollOf(rank), (std::vector<int32_t>{12, 17, 22, 27, 32, 37}));
  EXPECT_EQ(rest->GetValue(), 38);

  Data().own_rank = 39;
  bar_->RefreshRanking();
  EXPECT_EQ(RollOf(rank), (std::vector<int32_t>{37, 38, 39}));
}

TEST_F(MatchBar, WithNobodyLeftTheNumbersHideAndOnlyTheRecordsHeldBecomeRows) {
  StartWithBar();
  SetRanking(3);
  Data().players_left = 0;
  Data().row_count = 40;
  bar_->RefreshRanking();
  EXPECT_EQ(bar_->GetRankDigits()->IsVisible(), 0u);
  EXPECT_EQ(bar_->GetRestDigits()->IsVisible(), 0u);
  EXPECT_EQ(bar_->GetDivision()->IsVisible(), 0u);
  EXPECT_EQ(bar_->GetRankList()->RowCount(), 3u);
}

TEST_F(MatchBar, RowKindsMarkTheHeadAndAlternateForQualifyingRowsAndTheOthers) {
  StartWithBar();
  SetRanking(6);
  Data().players_left = 6;
  Data().qualifying_count = 3;
  Data().qualifying_flag = 1;
  bar_->RefreshRanking();
  frame::MatchPlayerList* list = bar_->GetRankList();
  std::vector<int32_t> kinds;
  for (size_t i = 0; i < list->RowCount(); ++i) kinds.push_back(list->RowAt(i)->GetRowKind());
  EXPECT_EQ(kinds, (std::vector<int32_t>{5, 2, 1, 4, 3, 4}));

  Data().qualifying_flag = 0;
  bar_->RefreshRanking();
  kinds.clear();
  for (size_t i = 0; i < list->RowCount(); ++i) kinds.push_back(list->RowAt(i)->GetRowKind());
  EXPECT_EQ(kinds, (std::vector<int32_t>{5, 4, 3, 4, 3, 4}));
  EXPECT_EQ(list->RowAt(5)->GetUserId(), 3005u);
}

TEST_F(MatchBar, ThePortraitShowsTheUsersAvatarAndAClickAsksThePanelToQueryTheUser) {
  StartWithBar();
  bar_->DrawAvatar();
  Deliver();
  EXPECT_FALSE(Colours(bar_->GetAvatar()).empty());

  panel().SetName("a panel that is not the side panel");
  auto* side_panel = new test::TestObject();
  root().AddToScene(side_panel);
  side_panel->SetName("SubSystem");
  Click(kLeft + 36, kTop + 120);
  ASSERT_EQ(side_panel->received.size(), 1u);
  EXPECT_EQ(side_panel->received[0].target, side_panel->GetKey());
  EXPECT_EQ(side_panel->received[0].id, 19840401u);
  EXPECT_EQ(side_panel->received[0].p1, 1001u);
}

TEST_F(MatchBar, WithoutItsPictureTheBarTellsTheMonitorAndMakesNothing) {
  test::PanelRoot::open_skin = false;
  Start();
  test::PanelRoot::open_skin = true;
  auto* monitor = new test::FakeModule(engine::module_id::kMonitor, "monitor");
  ASSERT_EQ(Core()->LoadModule(monitor, true, false), engine::QUILLARON_RETURN_OK);
  bar_ = new MatchListBar();
  panel().AddToScene(bar_);
  EXPECT_STREQ(bar_->GetName(), "MatchListBar");
  EXPECT_FALSE(bar_->IsBuilt());
  ASSERT_EQ(monitor->handled.size(), 1u);
  EXPECT_EQ(monitor->handled[0].code, 1002u);
  EXPECT_EQ(bar_->GetRankList(), nullptr);
  EXPECT_EQ(bar_->GetClock(), nullptr);
  // Every operation still runs.
  SetRanking(3);
  bar_->Layout();
  bar_->RefreshRanking();
  bar_->DrawTitle();
  bar_->DrawAvatar();
  bar_->ShowSignUpCount(4);
}

}  // namespace
