// ctest-labels: panel tsan
// The advert bar in the client's window: its tabs and browser stand-in, the score history table
// (columns, newest game first, the ring of 30 results), scrolling it sideways, and the score tab
// going back to the advert by itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/core/canvas_object.h"
#include "engine/ui/image_button.h"
#include "frame/advert_bar.h"
#include "frame/panel_messages.h"
#include "frame/panel_scroll_bar.h"
#include "platform/profile.h"
#include "tests/support/colour_match.h"
#include "tests/support/panel_fixture.h"

namespace {

using frame::AdvertBar;

// The bar as the side panel lays it out at the panel's top: 244 wide, four rows of 26 under a
// head of 22 and a top margin of 28, plus 1 and the 16-pixel scroll bar: 171 high.
constexpr int kLeft = 775;
constexpr int kTop = 25;
constexpr int kHeight = 4 * 26 + 28 + 22 + 1 + 16;

class Advert : public test::PanelFixture {
 protected:
  AdvertBar* MakeBar(int width = 244) {
    auto* bar = new AdvertBar();
    panel().AddToScene(bar);
    Place(bar, width);
    return bar;
  }
  void Place(AdvertBar* bar, int width) {
    bar->Resize(width, kHeight);
    bar->MoveTo(kLeft + width / 2.0, kTop + kHeight / 2.0);
    bar->Invalidate();
    bar->Layout();
    Deliver();
  }
  void Send(AdvertBar* bar, uint32_t id) {
    const engine::ObjectMessage m = engine::MakeMessage(bar->GetKey(), id, 0, 0);
    bar->OnMessage(&m);
  }
  // Records games: game g gives chair c the result 100 g + c.
  void PlayGames(int count) {
    for (int g = 1; g <= count; ++g) {
      int32_t results[shell::kMaxChairs] = {};
      for (int c = 0; c < shell::kMaxChairs; ++c) results[c] = 100 * g + c;
      app_->AddScoreHistory(results);
    }
  }
  // Ten seconds of the engine clock.
  void WaitSeconds(int seconds) {
    for (int i = 0; i < seconds; ++i) {
      clock_->Advance(1000);
      Frames(2);
    }
  }
  std::vector<std::string> Browser(AdvertBar* bar) {
    const auto& log = bar->GetBrowser().Log();
    return std::vector<std::string>(log.begin(), log.end());
  }
  static bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    for (const std::string& l : lines) {
      if (l == line) return true;
    }
    return false;
  }
};

TEST_F(Advert, CreationMakesTheBrowserAndBothTabsAndShowsTheScores) {
  Start();
  AdvertBar* bar = MakeBar();
  EXPECT_EQ(bar->GetName(), std::string("AdvertBar"));
  const std::vector<std::string> log = Browser(bar);
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[0], "create AdvertBar 0,0,10,10");
  EXPECT_EQ(log[1], "flag 1");
  EXPECT_EQ(log[2], "id " + app_->GetDomainFilePath());
  ASSERT_NE(bar->GetScoreTab(), nullptr);
  // A silver room: the deposit tab, whose picture is the score tab's size.
  EXPECT_EQ(bar->GetScoreTab()->GetWidth(), 64.0);
  EXPECT_TRUE(bar->IsScoreShown());
  EXPECT_FALSE(bar->IsAdvertShown());
  EXPECT_TRUE(bar->GetScoreTab()->IsDown());
  EXPECT_FALSE(bar->GetAdvertTab()->IsDown());
  EXPECT_FALSE(bar->GetBrowser().IsVisible());
  EXPECT_NE(bar->GetScoreCanvas()->IsVisible(), 0u);
  EXPECT_EQ(bar->GetBackSeconds(), 10);
  EXPECT_EQ(bar->GetBackCount(), 2);  // the first entry spent one
  EXPECT_EQ(bar->GetScoreCell(0, 1), "总银子");
}

TEST_F(Advert, AScoreRoomHasTheScoreTab) {
  table_.room.SetWord(shell::RoomBlock::kRoomOptions, 0);
  Start();
  AdvertBar* bar = MakeBar();
  EXPECT_EQ(bar->GetScoreCell(0, 1), "总积分");
}

TEST_F(Advert, APlayerAtARandomSeatingTableGetsTheAdvertAlone) {
  Start("9|zipai|127.0.0.1|0|4242|1001|5|0|0x1000008");
  AdvertBar* bar = MakeBar();
  EXPECT_EQ(bar->GetScoreTab(), nullptr);
  EXPECT_EQ(bar->GetScoreCanvas(), nullptr);
  EXPECT_EQ(bar->GetScrollBar(), nullptr);
  EXPECT_FALSE(bar->IsScoreShown());
  EXPECT_TRUE(bar->IsAdvertShown());
  Send(bar, frame::panel_msg::kShowAdvertTab);
  Send(bar, frame::panel_msg::kShowScoreTab);
  EXPECT_FALSE(bar->IsScoreShown());
  EXPECT_EQ(bar->GetBackCount(), 3);
}

TEST_F(Advert, LayoutPutsTheTabsOnTheTopMarginAndTheTableUnderThem) {
  Start();
  AdvertBar* bar = MakeBar();
  EXPECT_EQ(bar->GetAdvertTab()->GetLeft(), kLeft);
  EXPECT_EQ(bar->GetScoreTab()->GetLeft(), kLeft + 65);
  EXPECT_EQ(bar->GetAdvertTab()->GetBottom(), kTop + 28);
  const engine::RECT r = bar->GetBrowser().GetRect();
  EXPECT_EQ(r.left, kLeft);
  EXPECT_EQ(r.top, kTop + 28);
  EXPECT_EQ(r.right, kLeft + 244);
  EXPECT_EQ(r.bottom, kTop + 28 + 22 + 4 * 26 + 16);
  engine::CanvasObject* table = bar->GetScoreCanvas();
  EXPECT_EQ(table->GetLeft(), kLeft);
  EXPECT_EQ(table->GetTop(), kTop + 28);
  EXPECT_EQ(table->GetHeight(), 22 + 4 * 26.0);
  EXPECT_EQ(table->GetWidth(), 250.0);  // no game yet: 110 + 2 x 70
  engine::RECT clip{};
  table->GetLimitRect(&clip);
  EXPECT_EQ(clip.left, kLeft);
  EXPECT_EQ(clip.bottom, kTop + kHeight);
  frame::PanelScrollBar* scroll = bar->GetScrollBar();
  EXPECT_EQ(scroll->GetTop(), table->GetBottom());
  EXPECT_EQ(scroll->GetFirstButton()->GetLeft(), kLeft);
  EXPECT_EQ(scroll->GetSecondButton()->GetRight(), kLeft + 244);
  EXPECT_EQ(scroll->GetTotal(), 250.0);
  EXPECT_EQ(scroll->GetPage(), 244.0);
}

TEST_F(Advert, ThirtyFiveGamesShowTheLastThirtyNewestFirstFromTheRing) {
  Start();
  PlayGames(35);
  AdvertBar* bar = MakeBar();
  EXPECT_EQ(bar->GetScoreCanvas()->GetWidth(), 110 + 31 * 70.0);
  EXPECT_EQ(bar->GetScoreCell(0, 0), "用户名");
  EXPECT_EQ(bar->GetScoreCell(0, 2), "第35局");
  EXPECT_EQ(bar->GetScoreCell(0, 31), "第6局");
  EXPECT_EQ(bar->GetScoreCell(0, 32), "");
  EXPECT_EQ(bar->GetScoreCell(1, 0), "alice");
  EXPECT_EQ(bar->GetScoreCell(3, 0), "张三");
  EXPECT_EQ(bar->GetScoreCell(4, 0), "");
  // Game 35 of chair 1 sits at ring index 4.
  EXPECT_EQ(app_->GetScoreHistory().results[1][4], 3501);
  EXPECT_EQ(bar->GetScoreCell(2, 2), "3501");
  EXPECT_EQ(bar->GetScoreCell(2, 31), "601");
  int total = 0;
  for (int g = 1; g <= 35; ++g) total += 100 * g + 2;
  EXPECT_EQ(bar->GetScoreCell(3, 1), std::to_string(total));
}

TEST_F(Advert, WithoutGamesTheTableHasTheTotalAndOneEmptyColumn) {
  Start();
  AdvertBar* bar = MakeBar();
  EXPECT_EQ(bar->GetScoreCell(0, 1), "总银子");
  EXPECT_EQ(bar->GetScoreCell(0, 2), "");
  EXPECT_EQ(bar->GetScoreCell(1, 1), "0");
}

TEST_F(Advert, TheHeadReadsClearlyOnTheDefaultSkinsTitlePicture) {
  Start();
  const engine::CanvasObject* canvas = MakeBar()->GetScoreCanvas();
  // The title picture beside "用户名", where no text stands, at its lightest and darkest.
  uint32_t lightest = canvas->GetPixel(80, 1), darkest = lightest;
  for (int y = 1; y < 21; ++y) {
    const uint32_t c = canvas->GetPixel(80, y);
    if (test::ContrastRatio(c, 0) > test::ContrastRatio(lightest, 0)) lightest = c;
    if (test::ContrastRatio(c, 0) < test::ContrastRatio(darkest, 0)) darkest = c;
  }
  // The ink of "用户名": the pixel that stands out most from the title.
  double ink = 1.0;
  for (int y = 5; y < 19; ++y) {
    for (int x = 9; x < 46; ++x) {
      const uint32_t c = canvas->GetPixel(x, y);
      ink = std::max(ink, std::min(test::ContrastRatio(c, lightest), test::ContrastRatio(c, darkest)));
    }
  }
  EXPECT_GE(ink, 4.5);
}

TEST_F(Advert, ABarWiderThanTheColumnsMakesTheTableAsWideAsTheBar) {
  Start();
  PlayGames(3);
  AdvertBar* bar = MakeBar(400);
  EXPECT_EQ(bar->GetScoreCanvas()->GetWidth(), 400.0);
  EXPECT_EQ(bar->GetScrollBar()->GetMaxPos(), 0);
}

TEST_F(Advert, EmptyChairsLeaveNoRow) {
  Start();
  const std::vector<uint8_t> left = test::Words({1002});
  ASSERT_TRUE(app_->OnLobbyRecord(shell::lobby_record::kPlayerLeft, left.data(), left.size()));
  AdvertBar* bar = MakeBar();
  EXPECT_EQ(bar->GetScoreCell(1, 0), "alice");
  EXPECT_EQ(bar->GetScoreCell(2, 0), "张三");
  EXPECT_EQ(bar->GetScoreCell(3, 0), "");
}

TEST_F(Advert, TheArrowsStepAColumnAtATimeWithinTheTable) {
  Start();
  PlayGames(35);
  AdvertBar* bar = MakeBar();
  engine::CanvasObject* table = bar->GetScoreCanvas();
  Send(bar, frame::panel_msg::kScrollRight);  // 70 becomes 100
  EXPECT_EQ(bar->GetScrollBar()->GetPos(), 100);
  EXPECT_EQ(table->GetLeft(), kLeft - 100);
  Send(bar, frame::panel_msg::kScrollRight);
  EXPECT_EQ(table->GetLeft(), kLeft - 170);
  Send(bar, frame::panel_msg::kScrollLeft);
  EXPECT_EQ(table->GetLeft(), kLeft - 100);
  Send(bar, frame::panel_msg::kScrollLeft);  // 30 is below 100: back to the start
  EXPECT_EQ(table->GetLeft(), kLeft);
  for (int i = 0; i < 40; ++i) Send(bar, frame::panel_msg::kScrollRight);
  EXPECT_EQ(table->GetRight(), kLeft + 244);
  EXPECT_EQ(bar->GetScrollBar()->GetPos(), 2280 - 244);
  // New scores: redrawn and back at the start.
  PlayGames(1);
  app_->RefreshAdvertBar();
  EXPECT_EQ(table->GetLeft(), kLeft);
  EXPECT_EQ(bar->GetScoreCell(0, 2), "第36局");
}

TEST_F(Advert, TheScoreTabGoesBackToTheAdvertByItselfAFewTimes) {
  Start();
  AdvertBar* bar = MakeBar();
  MoveTo(100, 100);
  WaitSeconds(9);
  EXPECT_TRUE(bar->IsScoreShown());
  WaitSeconds(2);
  EXPECT_FALSE(bar->IsScoreShown());
  EXPECT_TRUE(bar->IsAdvertShown());
  EXPECT_TRUE(bar->GetBrowser().IsVisible());
  EXPECT_EQ(bar->GetScoreCanvas()->IsVisible(), 0u);
  EXPECT_EQ(bar->GetScrollBar()->IsVisible(), 0u);
  EXPECT_TRUE(bar->GetAdvertTab()->IsDown());
  for (int left : {1, 0}) {
    Send(bar, frame::panel_msg::kShowScoreTab);
    EXPECT_EQ(bar->GetBackCount(), left);
    WaitSeconds(11);
    EXPECT_FALSE(bar->IsScoreShown());
  }
  // No returns left: the scores stay.
  Send(bar, frame::panel_msg::kShowScoreTab);
  WaitSeconds(30);
  EXPECT_TRUE(bar->IsScoreShown());
}

TEST_F(Advert, WhileThePointerRestsOnTheBarTheScoresStay) {
  Start();
  AdvertBar* bar = MakeBar();
  MoveTo(kLeft + 100, kTop + 100);
  WaitSeconds(25);
  EXPECT_TRUE(bar->IsScoreShown());
  MoveTo(100, 100);
  WaitSeconds(11);
  EXPECT_FALSE(bar->IsScoreShown());
}

TEST_F(Advert, AClickIntoTheTableKeepsTheScoresUntilTheUserChanges) {
  Start();
  AdvertBar* bar = MakeBar();
  Click(kLeft + 150, kTop + 100);
  EXPECT_EQ(bar->GetBackCount(), 0);
  MoveTo(100, 100);
  WaitSeconds(30);
  EXPECT_TRUE(bar->IsScoreShown());
  // Pointing at the advert tab switches to it.
  MoveTo(kLeft + 30, kTop + 16);
  EXPECT_FALSE(bar->IsScoreShown());
}

TEST_F(Advert, TheReturnTimeAndCountComeFromTheGameIni) {
  Start();
  const std::string ini = app_->GetGameIniPath();
  ASSERT_TRUE(platform::WritePrivateProfileStringA("GAMESET", "AdvertACSencond", "3", ini.c_str()));
  ASSERT_TRUE(platform::WritePrivateProfileStringA("GAMESET", "AdvertACMaxCount", "0", ini.c_str()));
  AdvertBar* bar = MakeBar();
  EXPECT_EQ(bar->GetBackSeconds(), 3);
  EXPECT_EQ(bar->GetBackCount(), 0);
  MoveTo(100, 100);
  WaitSeconds(20);
  EXPECT_TRUE(bar->IsScoreShown());
}

TEST_F(Advert, ValuesTheIniCannotMeanAreKeptInBounds) {
  Start();
  const std::string ini = app_->GetGameIniPath();
  ASSERT_TRUE(platform::WritePrivateProfileStringA("GAMESET", "AdvertACSencond", "-5", ini.c_str()));
  ASSERT_TRUE(platform::WritePrivateProfileStringA("GAMESET", "AdvertACMaxCount", "-2", ini.c_str()));
  AdvertBar* bar = MakeBar();
  EXPECT_EQ(bar->GetBackSeconds(), 1);
  EXPECT_EQ(bar->GetBackCount(), 0);
}

TEST_F(Advert, TheBrowserGoesToTheAdvertPageOrOfflineToTheShop) {
  Start();
  AdvertBar* bar = MakeBar();
  bar->LoadAdvert();
  EXPECT_EQ(bar->GetBrowser().GetLocationUrl(), app_->GetAdvertWindowUrl());
  EXPECT_EQ(bar->GetBrowser().GetLocationUrl(), "http://localhost/advert/game/9.html");
  app_->SetOfflineMode(true);
  bar->LoadAdvert();
  EXPECT_EQ(bar->GetBrowser().GetLocationUrl(), "http://localhost/shop/");
  bar->Navigate("file:///etc/passwd");
  EXPECT_EQ(bar->GetBrowser().GetLocationUrl(), "http://localhost/shop/");
  bar->RunScript("刷新排名");
  bar->Reload();
  const std::vector<std::string> log = Browser(bar);
  EXPECT_TRUE(Contains(log, "script 刷新排名"));
  EXPECT_TRUE(Contains(log, "refresh 3"));
}

TEST_F(Advert, AnAdvertAddressLongerThanItsPlaceIsRefused) {
  Start();
  const std::string ini = app_->GetGameIniPath();
  const std::string longest = "http://localhost/" + std::string(255 - 17, 'a');
  ASSERT_TRUE(platform::WritePrivateProfileStringA("ADVERT", "Url", (longest + "b").c_str(), ini.c_str()));
  AdvertBar* bar = MakeBar();
  bar->LoadAdvert();
  EXPECT_EQ(bar->GetBrowser().GetLocationUrl(), "");
  bar->Navigate(longest.c_str());
  EXPECT_EQ(bar->GetBrowser().GetLocationUrl(), longest);
}

TEST_F(Advert, TheBrowserHidesUnderADialogAndComesBackOnlyOverTheAdvert) {
  Start();
  AdvertBar* bar = MakeBar();
  bar->RestoreBrowser();
  EXPECT_FALSE(bar->GetBrowser().IsVisible());  // the scores are current
  Send(bar, frame::panel_msg::kShowAdvertTab);
  EXPECT_TRUE(bar->GetBrowser().IsVisible());
  bar->HideBrowser();
  EXPECT_FALSE(bar->GetBrowser().IsVisible());
  bar->RestoreBrowser();
  EXPECT_TRUE(bar->GetBrowser().IsVisible());
}

}  // namespace
