// ctest-labels: table tsan
// The table view in its scene: what it builds, where the layout puts the boards, the cards, the
// buttons and the clock for a table of each size class, the boards it keeps by view position,
// and what a dealt table looks like on screen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "engine/core/canvas_object.h"
#include "engine/core/sprite_object.h"
#include "engine/ui/bar_button.h"
#include "engine/ui/image_button.h"
#include "engine/ui/number_display.h"
#include "platform/png_file.h"
#include "platform/win_messages.h"
#include "shell/chat_text.h"
#include "shell/game_frame_wnd.h"
#include "shell/game_handler.h"
#include "table/card_view.h"
#include "table/player_board.h"
#include "table/table_messages.h"
#include "tests/support/table_view_fixture.h"

namespace {

using table::CCardView;
using table::CPlayerBoard;

class TableView : public test::TableViewFixture {
 protected:
  void SetUp() override {
    TableViewFixture::SetUp();
    Start();
  }
  // Lays the table out in this rectangle.
  void Table(int left, int top, int width, int height) {
    frame().SetTableRect(platform::RECT{left, top, left + width, top + height});
  }
  engine::ObjectMessage Message(uint32_t id, uintptr_t p1 = 0, uintptr_t p2 = 0) {
    return engine::MakeMessage(view().GetKey(), id, p1, p2);
  }
};

TEST_F(TableView, BuildsItsBoardsCardsButtonsAndNamedDisplays) {
  EXPECT_TRUE(view().IsBuilt());
  EXPECT_EQ(view().GetChairCount(), 3);
  for (int p = 0; p < 3; ++p) {
    ASSERT_NE(view().BoardAt(p), nullptr) << p;
    EXPECT_EQ(view().BoardAt(p)->GetPosition(), p);
    EXPECT_EQ(std::string(view().BoardAt(p)->GetName()), "玩家姓名板" + std::to_string(p));
  }
  for (int p = 3; p < 8; ++p) EXPECT_EQ(view().BoardAt(p), nullptr) << p;
  EXPECT_EQ(view().BoardAt(-1), nullptr);
  EXPECT_EQ(view().BoardAt(8), nullptr);

  EXPECT_EQ(view().CardViewCount(), 80);
  EXPECT_NE(view().CardView(79), nullptr);
  EXPECT_EQ(view().CardView(80), nullptr);
  EXPECT_NE(dynamic_cast<test::TestCardView*>(view().CardView(0)), nullptr);

  EXPECT_NE(services().FindObjectByName("DigitPen"), nullptr);
  EXPECT_NE(services().FindObjectByName("DigitPen2"), nullptr);
  EXPECT_NE(view().GetClock(), nullptr);
  EXPECT_NE(view().GetBackground(), nullptr);
  EXPECT_NE(view().GetPassHint(), nullptr);
  EXPECT_NE(view().GetListener(), nullptr);
  EXPECT_EQ(view().GetSortMode(), 1);

  struct Expected {
    engine::ImageButton* button;
    uint32_t id;
    bool hand;
  };
  const Expected buttons[] = {
      {view().GetStartButton(), 80000004, true},       {view().GetThrowButton(), 80000117, true},
      {view().GetPassButton(), 80000118, true},        {view().GetRemindButton(), 80000119, true},
      {view().GetSortButton(0), 80000125, true},       {view().GetSortButton(1), 80000126, true},
      {view().GetSortButton(2), 80000127, true},       {view().GetSortButton(3), 80000129, true},
      {view().GetSortButton(4), 80000128, true},       {view().GetSortButton(5), 80000130, true},
      {view().GetAutoPlayButton(), 80000132, true},    {view().GetCheckResultButton(), 80000122, true},
      {view().GetAskCardViewButton(), 80000120, false}};
  for (const Expected& e : buttons) {
    ASSERT_NE(e.button, nullptr) << e.id;
    EXPECT_EQ(e.button->GetMessage().id, e.id);
    EXPECT_EQ(e.button->GetMessage().target, view().GetKey());
    EXPECT_EQ((e.button->GetOptions() & engine::ImageButton::kHandCursor) != 0, e.hand) << e.id;
    EXPECT_STREQ(e.button->GetSound(1), "SndTouchButton");
    EXPECT_STREQ(e.button->GetSound(2), "SndHitButton");
    EXPECT_EQ(e.button->EngineObject::GetDepth(), 10000);
    EXPECT_GT(e.button->GetWidth(), 0) << e.id;
  }
  // The six sort buttons carry their tips.
  std::set<std::string> tips;
  std::set<uint32_t> tip_targets;
  for (int i = 0; i < 6; ++i) tip_targets.insert(view().GetSortButton(i)->GetKey());
  for (uint32_t key = 1; key < 5000; ++key) {
    if (auto* tip = dynamic_cast<engine::BarButton*>(services().FindObjectByKey(key))) {
      tips.insert(tip->GetText());
      EXPECT_TRUE(tip_targets.count(tip->GetTargetKey())) << tip->GetText();
    }
  }
  EXPECT_EQ(tips, (std::set<std::string>{"单张", "对子", "三张", "炸弹", "大小排序", "张数排序"}));
}

TEST_F(TableView, AGameAskingForMoreCardsThanTheViewHoldsGetsAllItHolds) {
  auto* big = new test::TestTableView();
  big->total_cards = 300;
  big->SetName("OtherTable");
  frame().AddToScene(big);
  EXPECT_EQ(big->CardViewCount(), table::CTableView::kMaxCardViews);
  EXPECT_NE(big->CardView(215), nullptr);
  EXPECT_EQ(big->CardView(216), nullptr);
  big->total_cards = -5;
  big->CreateCardViews();
  EXPECT_EQ(big->CardViewCount(), 0);
}

TEST_F(TableView, PublishesTheCardAndBoardSizesAndTheChatColours) {
  Table(0, 0, 1024, 768);
  EXPECT_EQ(services().GetIntSetting(50013), 0x408000);
  EXPECT_EQ(services().GetIntSetting(50014), 0xF67130);
  EXPECT_EQ(services().GetIntSetting(50015), 0x404040);
  EXPECT_EQ(services().GetIntSetting(50016), 40);
  EXPECT_EQ(services().GetIntSetting(50018), 71);
  EXPECT_EQ(services().GetIntSetting(50020), 50);
  EXPECT_EQ(services().GetIntSetting(50021), 68);
  // The layout puts the first card's large height in place of the back's.
  EXPECT_EQ(services().GetIntSetting(50019), 120);
  Table(0, 0, 1000, 768);
  EXPECT_EQ(services().GetIntSetting(50019), 114);
}

struct LayoutCase {
  int width;
  int size_class;
  int large_w, large_h;
  int small_w, small_h;
};

class TableLayout : public TableView, public ::testing::WithParamInterface<LayoutCase> {};

// Boards, cards, buttons and the clock at each of the widths where the card size changes, on a
// table whose top-left corner is not the window's.
TEST_P(TableLayout, PlacesEverythingByTheFormulasOfItsSizeClass) {
  const LayoutCase c = GetParam();
  const int L = 12, T = 30, W = c.width, h = 700;
  shell::GetTableStateHolder()->SetActiveChair(0);
  Table(L, T, W, h);
  test::TestRules rules;
  view().DealHands(rules.Deal(3, 5, 1));

  for (int i = 0; i < view().CardViewCount(); ++i) {
    const CCardView* card = view().CardView(i);
    ASSERT_EQ(card->size_class, c.size_class) << i;
    EXPECT_EQ(card->large_width, c.large_w);
    EXPECT_EQ(card->large_height, c.large_h);
    EXPECT_EQ(card->small_width, c.small_w);
    EXPECT_EQ(card->small_height, c.small_h);
  }
  EXPECT_EQ(services().GetIntSetting(50019), c.large_h);

  // Boards: 240 x 40 plates at the bottom, the left and the right, turned to face the table.
  const CPlayerBoard* own = view().BoardAt(0);
  const CPlayerBoard* left = view().BoardAt(1);
  const CPlayerBoard* right = view().BoardAt(2);
  EXPECT_EQ(own->GetX(), L + W / 2);
  EXPECT_EQ(own->GetY(), T + h - 20);
  EXPECT_EQ(own->GetAngle(), 0);
  EXPECT_EQ(left->GetX(), L + 19);
  EXPECT_EQ(left->GetY(), T + h / 2);
  EXPECT_EQ(left->GetAngle(), 270);
  EXPECT_EQ(right->GetX(), L + W - 20);
  EXPECT_EQ(right->GetY(), T + h / 2);
  EXPECT_EQ(right->GetAngle(), 90);

  // The own hand: five large cards spread by the class's spacing and centred.
  const int g = c.size_class == 3 ? 22 : c.size_class == 2 ? 20 : 16;
  const std::vector<CCardView*> row = view().OwnRow();
  ASSERT_EQ(row.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    const int x = W / 2 - (4 * g + c.large_w) / 2 + i * g + c.large_w / 2;
    EXPECT_EQ(row[i]->GetX(), L + x) << i;
    EXPECT_EQ(row[i]->GetY(), T + h - (c.large_h / 2 + 48)) << i;
    EXPECT_EQ(row[i]->GetWidth(), c.large_w);
    EXPECT_TRUE(row[i]->IsShowingFace());
  }

  // Action row, start button, sort buttons, the corner buttons and the pass hint.
  const int pass_h = static_cast<int>(view().GetPassButton()->GetHeight());
  const int row_y = static_cast<int>(T + h - c.large_h - 30 - 40 - pass_h / 2.0);
  EXPECT_EQ(view().GetPassButton()->GetX(), L + W / 2 - 80);
  EXPECT_EQ(view().GetThrowButton()->GetX(), L + W / 2);
  EXPECT_EQ(view().GetRemindButton()->GetX(), L + W / 2 + 80);
  for (auto* b : {view().GetPassButton(), view().GetThrowButton(), view().GetRemindButton()})
    EXPECT_EQ(b->GetY(), row_y);
  EXPECT_EQ(view().GetStartButton()->GetX(), L + W / 2);
  EXPECT_EQ(view().GetStartButton()->GetY(), T + (3 * h) / 4);
  const int sort_order[] = {3, 2, 1, 0, 5, 4};  // bomb, triples, pairs, singles, by count, by size
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(view().GetSortButton(sort_order[k])->GetX(), L + W - 17 - 30 * k) << k;
    EXPECT_EQ(view().GetSortButton(sort_order[k])->GetY(), T + h - 17) << k;
  }
  EXPECT_EQ(view().GetAutoPlayButton()->GetX(), L + 37);
  EXPECT_EQ(view().GetAutoPlayButton()->GetY(), T + h - 18);
  EXPECT_EQ(view().GetCheckResultButton()->GetX(), L + 107);
  EXPECT_EQ(view().GetAskCardViewButton()->GetX(), L + 35);
  EXPECT_EQ(view().GetAskCardViewButton()->GetY(), T + h - 20);
  EXPECT_EQ(view().GetPassHint()->GetX(), L + W / 2);
  EXPECT_EQ(view().GetPassHint()->GetY(), row_y + 28);

  // The clock stands at the own seat's anchor for an open trick (the base has no table record).
  EXPECT_EQ(view().GetClock()->GetX(), L + W / 2 - 80);
  EXPECT_EQ(view().GetClock()->GetY(), T + h - 48 - c.large_h - 40);
}

INSTANTIATE_TEST_SUITE_P(Widths, TableLayout,
                         ::testing::Values(LayoutCase{1000, 1, 71, 114, 50, 68}, LayoutCase{1001, 2, 82, 120, 50, 68},
                                           LayoutCase{1400, 2, 82, 120, 50, 68}, LayoutCase{1401, 3, 98, 132, 71, 114}),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) {
                           return "Width" + std::to_string(info.param.width);
                         });

TEST_F(TableView, TheClockFollowsTheActiveChairsBoardAndItsTrick) {
  Table(0, 0, 1024, 700);
  view().has_state = true;
  view().state.chair_on_table = 2;
  shell::GetTableStateHolder()->SetActiveChair(0);
  Table(0, 0, 1024, 700);
  EXPECT_EQ(view().GetClock()->GetX(), 512 - 160);  // following a play
  shell::GetTableStateHolder()->SetActiveChair(1);
  Table(0, 0, 1024, 700);
  EXPECT_EQ(view().GetClock()->GetX(), 180);
  EXPECT_EQ(view().GetClock()->GetY(), 350);
  shell::GetTableStateHolder()->SetActiveChair(2);
  Table(0, 0, 1024, 700);
  EXPECT_EQ(view().GetClock()->GetX(), 1024 - 180);
}

TEST_F(TableView, AnActiveChairOutsideTheTableLeavesTheClockWhereItIs) {
  Table(0, 0, 1024, 700);
  const double x = view().GetClock()->GetX();
  for (int32_t chair : {-1, 3, 8, -100}) {
    shell::GetTableStateHolder()->SetActiveChair(chair);
    Table(0, 0, 1000, 700);
    EXPECT_EQ(view().GetClock()->GetX(), x) << chair;
  }
}

TEST_F(TableView, SeatsAreTheOwnChairAtTheBottomWhateverItIs) {
  app_.reset();
  Start(test::CommandLineFor(2));
  Table(0, 0, 1024, 700);
  // Chair 2 is the user's: its board is at the bottom, chair 0 at the left, chair 1 at the right.
  view().RefreshSeatedBoards();
  EXPECT_EQ(view().BoardAt(0)->GetChair(), 2);
  EXPECT_EQ(view().BoardAt(1)->GetChair(), 0);
  EXPECT_EQ(view().BoardAt(2)->GetChair(), 1);
  EXPECT_EQ(view().BoardOfChair(1), view().BoardAt(2));
  EXPECT_EQ(view().BoardAt(0)->GetDrawnName(), "张三");
}

TEST_F(TableView, SeatedPlayersGetTheirBoardsAndTheStartButtonShows) {
  Table(0, 0, 1024, 700);
  shell::GetTableStateHolder()->SetChairFlags(1, shell::IGameHandler::kChairReady);
  const engine::ObjectMessage m = Message(table::view_msg::kShowSeatedPlayers);
  view().OnMessage(&m);
  for (int p = 0; p < 3; ++p) EXPECT_TRUE(view().BoardAt(p)->IsVisible()) << p;
  EXPECT_EQ(view().BoardAt(0)->GetDrawnName(), "alice");
  EXPECT_EQ(view().BoardAt(1)->GetDrawnName(), "bob");
  ASSERT_NE(view().BoardAt(1)->GetBanner(), nullptr);
  EXPECT_TRUE(view().BoardAt(1)->GetBanner()->IsVisible());
  EXPECT_EQ(view().BoardAt(0)->GetBanner(), nullptr);
  EXPECT_TRUE(view().GetStartButton()->IsVisible());
  EXPECT_EQ(view().GetWaitSign(), nullptr);

  // Ready marks cleared: the banner goes and the waiting sign comes.
  view().ClearReadyMarks();
  EXPECT_FALSE(view().BoardAt(1)->GetBanner()->IsVisible());
  ASSERT_NE(view().GetWaitSign(), nullptr);
  EXPECT_TRUE(view().GetWaitSign()->IsVisible());
  EXPECT_EQ(view().GetWaitSign()->GetX(), 512);
  EXPECT_EQ(view().GetWaitSign()->GetY(), 525);
}

TEST_F(TableView, UnderTableOption2TheWaitingSignShowsInsteadOfTheStartButton) {
  app_.reset();
  Start(test::CommandLineFor(0, 0x1000002));
  Table(0, 0, 1024, 700);
  view().ShowSeatedPlayers();
  EXPECT_FALSE(view().GetStartButton()->IsVisible());
  ASSERT_NE(view().GetWaitSign(), nullptr);
  EXPECT_TRUE(view().GetWaitSign()->IsVisible());
}

TEST_F(TableView, ABoardLeavesWithItsPlayerAndComesBackForTheNextOne) {
  Table(0, 0, 1024, 700);
  view().RefreshSeatedBoards();
  const shell::PlayerRecord* bob = app_->GetPlayerRecord(1);
  ASSERT_NE(bob, nullptr);
  engine::ObjectMessage left = Message(table::view_msg::kPlayerLeft, reinterpret_cast<uintptr_t>(bob));
  view().OnMessage(&left);
  EXPECT_EQ(view().BoardAt(1)->GetChair(), -1);
  EXPECT_FALSE(view().BoardAt(1)->IsVisible());
  engine::ObjectMessage seated = Message(table::view_msg::kPlayerSeated, reinterpret_cast<uintptr_t>(bob));
  view().OnMessage(&seated);
  EXPECT_EQ(view().BoardAt(1)->GetChair(), 1);
  EXPECT_TRUE(view().BoardAt(1)->IsVisible());
  // A record of a chair outside the table reaches no board.
  shell::PlayerRecord stranger = test::MakePlayer(77, 9, "x");
  engine::ObjectMessage outside = Message(table::view_msg::kPlayerSeated, reinterpret_cast<uintptr_t>(&stranger));
  view().OnMessage(&outside);
  stranger.SetWord(shell::PlayerRecord::kChair, static_cast<uint32_t>(-1));
  view().OnMessage(&outside);
}

TEST_F(TableView, ANewRoundKeepsEveryBoardWithItsPlayer) {
  Table(0, 0, 1024, 700);
  view().RefreshSeatedBoards();
  view().BoardAt(2)->SetHighlighted(1);
  view().BoardAt(2)->ShowReady();
  view().BoardAt(2)->SetRemainingCards(7);
  view().BoardAt(2)->MoveRemainingCards(100, 100);
  view().ResetRound();
  for (int p = 0; p < 3; ++p) {
    EXPECT_EQ(view().BoardAt(p)->GetChair(), view().PositionToChair(p)) << p;
    EXPECT_TRUE(view().BoardAt(p)->IsVisible()) << p;
  }
  EXPECT_EQ(view().BoardAt(2)->IsHighlighted(), 0);
  EXPECT_FALSE(view().BoardAt(2)->GetBanner()->IsVisible());
  EXPECT_FALSE(view().BoardAt(2)->GetCountDisplay()->IsVisible());
  // Every card is out of the hands, numbered by its sprite.
  for (int i = 0; i < view().CardViewCount(); ++i) {
    EXPECT_EQ(view().CardView(i)->index, i);
    EXPECT_EQ(view().CardView(i)->place, table::card_place::kPlayedEarlier);
    EXPECT_FALSE(view().CardView(i)->IsVisible());
  }
  EXPECT_EQ(view().GetDragAnchor(), -1);
}

TEST_F(TableView, TheRepeatingClockIsNeverStartedTwice) {
  Table(0, 0, 1024, 700);
  view().StartClock();
  view().StartClock();
  EXPECT_TRUE(view().GetClock()->IsVisible());
  Frames(620);  // three seconds and a little
  EXPECT_EQ(view().clock_ticks, 3);
  view().StopClock();
  EXPECT_EQ(view().GetClockTimer(), 0u);
  EXPECT_FALSE(view().GetClock()->IsVisible());
  Frames(400);
  EXPECT_EQ(view().clock_ticks, 3);
}

TEST_F(TableView, TheEnginesOwnMessagesToTheViewStillWork) {
  Table(0, 0, 1024, 700);
  // Hide and show follow-ups reach the engine's handler...
  const engine::ObjectMessage hide = Message(engine::msg::kHide);
  view().Show();
  view().OnMessage(&hide);
  EXPECT_FALSE(view().IsVisible());
  const engine::ObjectMessage show = Message(engine::msg::kShow);
  view().OnMessage(&show);
  EXPECT_TRUE(view().IsVisible());
  // ...and a heap block handed over with 19840388 is freed (the leak checker watches).
  void* block = std::malloc(64);
  const engine::ObjectMessage free_block = Message(engine::msg::kFreeBlockA, reinterpret_cast<uintptr_t>(block));
  EXPECT_EQ(view().OnMessage(&free_block), 1);
}

TEST_F(TableView, TheBaseTableWithoutAGameRecordLaysOutAndSelects) {
  view().has_state = false;
  Table(0, 0, 1024, 700);
  test::TestRules rules;
  view().DealHands(rules.Deal(3, 6, 3));
  const std::vector<CCardView*> row = view().OwnRow();
  for (CCardView* card : row) card->swept = 1;
  view().ApplyDragSelection();
  EXPECT_EQ(view().CountSelected(), 6);
}

// The dealt table as the window shows it: the engine's frame presented by the headless window.
TEST_F(TableView, ADealtTableShowsItsCardsAndBoardsOnTheCloth) {
  view().RefreshSeatedBoards();
  test::TestRules rules;
  view().DealHands(rules.Deal(3, 20, 7));
  view().SortHand(table::sort_mode::kValueFalling);
  shell::GetTableStateHolder()->SetActiveChair(0);
  view().ShowStartButton();
  view().StartClock();
  view().GetClock()->SetValue(15);
  frame().OnRectChanged();
  Frames(40);

  const shell::CGameFrameWnd* window = app_->GetMainWnd();
  const std::vector<uint32_t>& shown = window->PresentedFrame();
  const int w = window->FrameWidth();
  ASSERT_EQ(w, 1024);
  ASSERT_EQ(shown.size(), 1024u * 768u);
  std::string error;
  const std::string path = (dir_ / "table.png").string();
  ASSERT_TRUE(platform::SavePng(path, w, 768, reinterpret_cast<const uint8_t*>(shown.data()), &error,
                                platform::PngAlpha::kDrop))
      << error;
  if (const char* keep = std::getenv("ZP_TABLE_SHOT"))
    std::filesystem::copy_file(path, keep, std::filesystem::copy_options::overwrite_existing);

  auto at = [&](int x, int y) { return shown[static_cast<size_t>(y) * w + x] & 0xFFFFFF; };
  constexpr uint32_t kCloth = 0x1E5C3A;
  EXPECT_EQ(at(2, 2), kCloth);
  EXPECT_EQ(at(1021, 100), kCloth);
  // The own hand (class 2 cards, 110 high, centred 103 above the bottom), the side rows of small
  // backs, the three plates and the start button are drawn over the cloth.
  EXPECT_NE(at(512, 665), kCloth);
  EXPECT_NE(at(103 - 34 + 2, 384), kCloth);
  EXPECT_NE(at(512, 748), kCloth);
  EXPECT_NE(at(19, 384), kCloth);
  EXPECT_NE(at(1004, 384), kCloth);
  EXPECT_NE(at(512, 576), kCloth);
  // Twenty face-up cards 20 pixels apart: neighbouring faces differ where they show.
  const std::vector<CCardView*> row = view().OwnRow();
  ASSERT_EQ(row.size(), 20u);
  for (const CCardView* card : row) EXPECT_TRUE(card->IsShowingFace());
}

}  // namespace
