// ctest-labels: table tsan
// Seats and player boards: chairs to view positions and back, the turn order, the boards' names,
// places, anchors and banners for three and four chairs, and what a board sends and shows.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/core/canvas_object.h"
#include "engine/core/sprite_object.h"
#include "engine/ui/number_display.h"
#include "platform/win_messages.h"
#include "shell/server_notify.h"
#include "table/player_board.h"
#include "table/table_messages.h"
#include "tests/support/colour_match.h"
#include "tests/support/fake_game_server.h"
#include "tests/support/table_view_fixture.h"

namespace {

using table::ChineseNumeral;
using table::CPlayerBoard;
using table::ShortenName;

TEST(BoardNames, ShortNamesStayWholeAndLongOnesEndInTwoStopsOnACharacterBoundary) {
  EXPECT_EQ(ShortenName(""), "");
  EXPECT_EQ(ShortenName("abcdefghi"), "abcdefghi");
  EXPECT_EQ(ShortenName("abcdefghij"), "abcdefgh..");
  EXPECT_EQ(ShortenName("张三李四王"), "张三李四..");
  // The eighth byte would be the first half of 四: seven bytes are kept.
  EXPECT_EQ(ShortenName("a张三李四王"), "a张三李..");
  EXPECT_EQ(ShortenName("ab张三李四王"), "ab张三李..");
  EXPECT_EQ(ShortenName(std::string("abc\0defghijkl", 13)), "abc");
  for (const char* name : {"a张三李四王五", "张三李四王五六", "ab张三李四", "abcdefghijklmnop"}) {
    EXPECT_LE(ShortenName(name).size(), 10u) << name;
  }
}

TEST(BoardNames, ChineseNumeralsRunFromZeroToTwenty) {
  EXPECT_EQ(ChineseNumeral(0), "零");
  EXPECT_EQ(ChineseNumeral(3), "三");
  EXPECT_EQ(ChineseNumeral(10), "十");
  EXPECT_EQ(ChineseNumeral(11), "十一");
  EXPECT_EQ(ChineseNumeral(20), "二十");
  EXPECT_EQ(ChineseNumeral(21), "N");
  EXPECT_EQ(ChineseNumeral(-1), "N");
}

// Seats need only the application: a view outside any scene answers them.
class Seats : public test::TableViewFixture {
 protected:
  void Seat(const std::string& line, int chairs = 3) {
    app_.reset();
    app_ = std::make_unique<test::TableApp>();
    app_->chairs = chairs;
    ASSERT_TRUE(app_->ParseCommandLine(line));
  }
  test::TestTableView seats_;
};

TEST_F(Seats, TheOwnChairIsPositionZeroAndTheOthersFollowInRisingOrder) {
  const int expected[3][3] = {{0, 1, 2}, {2, 0, 1}, {1, 2, 0}};
  for (int own = 0; own < 3; ++own) {
    Seat(test::CommandLineFor(own));
    for (int chair = 0; chair < 3; ++chair) EXPECT_EQ(seats_.ChairToPosition(chair), expected[own][chair]) << own;
    EXPECT_EQ(seats_.ChairToPosition(-1), -1);
    EXPECT_EQ(seats_.ChairToPosition(3), -1);
    EXPECT_EQ(seats_.PositionToChair(3), -1);
    EXPECT_EQ(seats_.PositionToChair(-1), -1);
  }
  Seat(test::CommandLineFor(2));
  EXPECT_EQ(seats_.PositionToChair(1), 0);
  // A watcher sees the table from the chair watched.
  Seat(test::CommandLineFor(1, 0x1000000, true));
  EXPECT_EQ(seats_.ChairToPosition(1), 0);
  EXPECT_EQ(seats_.ChairToPosition(2), 1);
  EXPECT_EQ(seats_.ChairToPosition(0), 2);
}

TEST_F(Seats, PositionsAndChairsAreInversesAtEveryTableSize) {
  for (int n = 1; n <= 8; ++n) {
    for (int own = 0; own < n; ++own) {
      Seat(test::CommandLineFor(own), n);
      for (int chair = 0; chair < n; ++chair) {
        const int p = seats_.ChairToPosition(chair);
        EXPECT_EQ(p, (chair - own + n) % n);
        EXPECT_EQ(seats_.PositionToChair(p), chair);
      }
    }
  }
}

TEST_F(Seats, TheTurnPassesToThePreviousChairAndWraps) {
  Seat(test::CommandLineFor(0));
  EXPECT_EQ(seats_.PrevChair(0), 2);
  EXPECT_EQ(seats_.NextChair(2), 0);
  EXPECT_EQ(seats_.PrevChair(2), 1);
  EXPECT_EQ(seats_.NextPosition(0), 1);
  EXPECT_EQ(seats_.PrevPosition(0), 2);
  // Chairs outside the table have no neighbours, and they index nothing.
  EXPECT_EQ(seats_.NextChair(-1), -1);
  EXPECT_EQ(seats_.PrevChair(-4), -1);
  EXPECT_EQ(seats_.NextChair(3), -1);
  EXPECT_EQ(seats_.NextPosition(5), -1);
  EXPECT_EQ(seats_.BoardOfChair(-5), nullptr);
}

TEST_F(Seats, ATableWithoutChairsHasNoSeats) {
  Seat(test::CommandLineFor(0), 0);
  EXPECT_EQ(seats_.ChairToPosition(0), -1);
  EXPECT_EQ(seats_.PositionToChair(0), -1);
  EXPECT_EQ(seats_.NextChair(0), -1);
  EXPECT_EQ(seats_.PrevChair(0), -1);
  EXPECT_EQ(seats_.IsPartnerChair(0), 0);
  app_.reset();
  EXPECT_EQ(seats_.ChairToPosition(0), -1);
  EXPECT_EQ(seats_.PrevChair(1), -1);
}

TEST_F(Seats, ThePartnerIsTwoChairsBack) {
  Seat(test::CommandLineFor(0));
  EXPECT_EQ(seats_.IsPartnerChair(1), 1);
  EXPECT_EQ(seats_.IsPartnerChair(2), 0);
  Seat(test::CommandLineFor(0), 4);
  EXPECT_EQ(seats_.IsPartnerChair(2), 1);
  EXPECT_EQ(seats_.IsPartnerChair(1), 0);
  EXPECT_EQ(seats_.IsPartnerChair(3), 0);
}

TEST_F(Seats, TheChairCountIsReadAtEachCall) {
  Seat(test::CommandLineFor(1));
  EXPECT_EQ(seats_.ChairToPosition(0), 2);
  app_->chairs = 4;
  EXPECT_EQ(seats_.ChairToPosition(0), 3);
}

class Boards : public test::TableViewFixture {
 protected:
  static constexpr int L = 20, T = 26, W = 1000, H = 700;
  void SetUp() override {
    TableViewFixture::SetUp();
    Start();
    frame().SetTableRect(platform::RECT{L, T, L + W, T + H});
    view().RefreshSeatedBoards();
  }
  // A board built for a position, outside the view's own.
  CPlayerBoard* Extra(int position) {
    auto* board = new CPlayerBoard();
    view().AddToScene(board);
    board->Build(position);
    return board;
  }
  void Settle() { Frames(22); }
};

TEST_F(Boards, ThreeChairsPutTheBoardsTheirAnchorsAndBannersAtTheSidesAndBottom) {
  struct Seat {
    int position;
    double x, y, angle;
    int anchor_x, anchor_y;
    int banner_x, banner_y;
  };
  const int card_h = services().GetIntSetting(50019);
  const Seat seats[] = {{0, L + W / 2, T + H - 20, 0, L + W / 2 - 80, T + H - 48 - card_h - 40, L + W / 2, T + H - 200},
                        {1, L + 19, T + H / 2, 270, L + 180, T + H / 2, L + 200, T + H / 2},
                        {2, L + W - 20, T + H / 2, 90, L + W - 180, T + H / 2, L + W - 200, T + H / 2}};
  for (const Seat& s : seats) {
    CPlayerBoard* board = view().BoardAt(s.position);
    EXPECT_EQ(board->GetX(), s.x) << s.position;
    EXPECT_EQ(board->GetY(), s.y) << s.position;
    EXPECT_EQ(board->GetAngle(), s.angle) << s.position;
    platform::POINT at{};
    board->GetCardAnchor(&at, CPlayerBoard::kAnchorLead);
    EXPECT_EQ(at.x, s.anchor_x) << s.position;
    EXPECT_EQ(at.y, s.anchor_y) << s.position;
    board->ShowReady();
    ASSERT_NE(board->GetBanner(), nullptr);
    EXPECT_EQ(board->GetBanner()->GetX(), s.banner_x) << s.position;
    EXPECT_EQ(board->GetBanner()->GetY(), s.banner_y) << s.position;
    EXPECT_TRUE(board->GetBanner()->IsVisible());
    EXPECT_EQ(board->GetBanner()->GetDepth(), 10000);
  }
  // The own seat's anchor by kind: leading, following, anything else.
  platform::POINT at{};
  view().BoardAt(0)->GetCardAnchor(&at, CPlayerBoard::kAnchorFollow);
  EXPECT_EQ(at.x, L + W / 2 - 160);
  view().BoardAt(0)->GetCardAnchor(&at, 2);
  EXPECT_EQ(at.x, L + W / 2 - 200);
  // The plate at 1000, the status above it.
  EXPECT_EQ(view().BoardAt(0)->GetDepth(), 1000);
  EXPECT_DOUBLE_EQ(view().BoardAt(0)->GetStatus()->GetDepth(), 1000.1);
}

TEST_F(Boards, AWatchersOwnAnchorIsTheMiddle) {
  app_.reset();
  Start(test::CommandLineFor(1, 0x1000000, true));
  frame().SetTableRect(platform::RECT{L, T, L + W, T + H});
  platform::POINT at{};
  view().BoardAt(0)->GetCardAnchor(&at, CPlayerBoard::kAnchorLead);
  EXPECT_EQ(at.x, L + W / 2);
}

TEST_F(Boards, FourChairsPutTheThirdBoardAcrossTheTable) {
  app_->chairs = 4;
  CPlayerBoard* across = Extra(2);
  CPlayerBoard* right = Extra(3);
  across->PlaceOnTable();
  right->PlaceOnTable();
  EXPECT_EQ(across->GetX(), L + W / 2);
  EXPECT_EQ(across->GetY(), T + 20);
  EXPECT_EQ(across->GetAngle(), 0);
  EXPECT_EQ(right->GetX(), L + W - 20);
  EXPECT_EQ(right->GetY(), T + H / 2);
  EXPECT_EQ(right->GetAngle(), 90);
  platform::POINT at{};
  across->GetCardAnchor(&at, 1);
  EXPECT_EQ(at.x, L + W / 2);
  EXPECT_EQ(at.y, T + 180);
  right->GetCardAnchor(&at, 1);
  EXPECT_EQ(at.x, L + W - 180);
  EXPECT_EQ(at.y, T + H / 2);
  across->ShowReady();
  EXPECT_EQ(across->GetBanner()->GetX(), L + W / 2);
  EXPECT_EQ(across->GetBanner()->GetY(), T + 200);
  right->ShowReady();
  EXPECT_EQ(right->GetBanner()->GetX(), L + W - 200);
}

TEST_F(Boards, AttachedBoardsDrawTheirPlayersAndSendTheirUserIdsToTheFrame) {
  EXPECT_EQ(view().BoardAt(0)->GetDrawnName(), "alice");
  EXPECT_EQ(view().BoardAt(2)->GetDrawnName(), "张三");
  EXPECT_EQ(view().BoardAt(0)->GetNameRight(), CPlayerBoard::kNameX + 4 * 14);
  // The own plate at the bottom middle.
  Mouse(platform::WM_MOUSEMOVE, L + W / 2 + 60, T + H - 20);
  Settle();
  EXPECT_EQ(view().BoardAt(0)->IsHovered(), 1);
  Mouse(platform::WM_LBUTTONDOWN, L + W / 2 + 60, T + H - 20, platform::MK_LBUTTON);
  Settle();
  Mouse(platform::WM_LBUTTONUP, L + W / 2 + 60, T + H - 20);
  Mouse(platform::WM_RBUTTONDOWN, L + W / 2 + 60, T + H - 20, 0x2);
  Settle();
  Mouse(platform::WM_RBUTTONUP, L + W / 2 + 60, T + H - 20);
  Settle();
  ASSERT_EQ(frame().received.size(), 2u);
  EXPECT_EQ(frame().received[0].id, table::view_msg::kBoardLeftClick);
  EXPECT_EQ(frame().received[0].p1, 1001u);
  EXPECT_EQ(frame().received[1].id, table::view_msg::kBoardRightClick);
  EXPECT_EQ(frame().received[1].p1, 1001u);
  Mouse(platform::WM_MOUSEMOVE, L + W / 2, T + 100);
  Settle();
  EXPECT_EQ(view().BoardAt(0)->IsHovered(), 0);

  // Attached to another chair, the same board sends that chair's player, and only once.
  frame().received.clear();
  view().BoardAt(0)->ShowRankBadge(2);
  Mouse(platform::WM_MOUSEMOVE, L + W / 2 + 60, T + H - 20);
  Settle();
  Mouse(platform::WM_LBUTTONDOWN, L + W / 2 + 60, T + H - 20, platform::MK_LBUTTON);
  Settle();
  Mouse(platform::WM_LBUTTONUP, L + W / 2 + 60, T + H - 20);
  Settle();
  ASSERT_EQ(frame().received.size(), 1u);
  EXPECT_EQ(frame().received[0].p1, 1003u);
}

TEST_F(Boards, ANameThatLooksLikeMarkupIsDrawnAsItIsAndNeverAsAColour) {
  // Bob leaves chair 1, and a player whose name is a colour tag sits down in it.
  (*server_)->Push(shell::notify::kPersonLeft, test::Words({1002}));
  const shell::PlayerRecord red = test::MakePlayer(1004, 1, "<c=255>X");
  (*server_)->Push(shell::notify::kPersonCame, std::vector<uint8_t>(red.bytes, red.bytes + sizeof red.bytes));
  Settle();
  CPlayerBoard* board = view().BoardOfChair(1);
  ASSERT_NE(board, nullptr);
  ASSERT_EQ(board->GetChair(), 1);
  EXPECT_EQ(board->GetDrawnName(), "＜c=255>X");
  const engine::CanvasObject* plate = board->GetPlate();
  EXPECT_GT(test::PixelsOf(plate, CPlayerBoard::kNameColour), 0u);
  EXPECT_EQ(test::PixelsOf(plate, 0x0000FF), 0u);  // nothing red
  // In a match the name stands above the score, as inert.
  app_->SetMatch(true);
  board->ShowMatchScore();
  EXPECT_EQ(test::PixelsOf(plate, 0x0000FF), 0u);
}

TEST_F(Boards, AClearedBoardIsHiddenDeafAndIgnoresRedraws) {
  CPlayerBoard* board = view().BoardAt(1);
  board->ShowReady();
  board->SetRemainingCards(4);
  board->MoveRemainingCards(50, 50);
  board->Clear();
  EXPECT_EQ(board->GetChair(), -1);
  EXPECT_FALSE(board->IsVisible());
  EXPECT_FALSE(board->GetBanner()->IsVisible());
  EXPECT_FALSE(board->GetCountDisplay()->IsVisible());
  for (uint32_t event : {engine::QUILLARON_EVENT_MOUSE_ENTER, engine::QUILLARON_EVENT_LBUTTON_DOWN,
                         engine::QUILLARON_EVENT_RBUTTON_DOWN}) {
    EXPECT_EQ(board->FindSubscription(event), nullptr);
    EXPECT_EQ(board->GetPlate()->FindSubscription(event), nullptr);
  }
  engine::CanvasObject* plate = board->GetPlate();
  const int n = plate->GetSurfaceWidth() * plate->GetSurfaceHeight();
  const std::vector<uint32_t> before(plate->GetPixels(), plate->GetPixels() + n);
  board->SetHighlighted(1);
  board->Refresh(0, 0);
  EXPECT_EQ(std::vector<uint32_t>(plate->GetPixels(), plate->GetPixels() + n), before);
  // A chair without a player: nothing to draw, nothing read.
  board->ShowRankBadge(6);
  EXPECT_EQ(std::vector<uint32_t>(plate->GetPixels(), plate->GetPixels() + n), before);
}

TEST_F(Boards, HighlightAndHoverPickThePlatesFrame) {
  CPlayerBoard* board = view().BoardAt(0);
  engine::CanvasObject* plate = board->GetPlate();
  auto corner = [&] { return plate->GetPixel(3, 20); };
  const auto normal = corner();
  board->SetHighlighted(1);
  const auto lit = corner();
  EXPECT_NE(lit, normal);
  board->ClearHighlight();
  EXPECT_EQ(corner(), normal);
  EXPECT_FALSE(board->GetCountDisplay()->IsVisible());
}

TEST_F(Boards, StatusMarksComeAndGoAndTheRankBadgeStaysInMatchMode) {
  CPlayerBoard* board = view().BoardAt(1);
  board->ShowAutoPlay(1);
  EXPECT_EQ(board->GetStatusPicture(), "animation_AutoPlay");
  EXPECT_TRUE(board->GetStatus()->IsVisible());
  board->ShowAutoPlay(0);
  EXPECT_FALSE(board->GetStatus()->IsVisible());
  board->ShowOffline(1);
  EXPECT_EQ(board->IsOffline(), 1);
  EXPECT_EQ(board->GetStatusPicture(), "animation_Offline");
  board->ShowOffline(0);
  EXPECT_EQ(board->IsOffline(), 0);
  EXPECT_FALSE(board->GetStatus()->IsVisible());
  board->ShowStatusPicture("不出");
  EXPECT_EQ(board->GetStatusPicture(), "不出");
  board->HideStatus();
  EXPECT_EQ(board->GetStatusPicture(), "");

  // A player with a duan in match mode: the badge comes back after the auto-play mark.
  app_->SetMatch(true);
  shell::TableExtraRecord extra;
  extra.SetWord(shell::TableExtraRecord::kUserId, 1002);
  extra.SetWord(shell::TableExtraRecord::kDuanIndex, 3);
  extra.SetWord(shell::TableExtraRecord::kDuanScore, 250);
  ASSERT_TRUE(app_->SetTableExtra(1, extra.bytes, sizeof extra.bytes));
  board->ShowRankBadge(1);
  EXPECT_EQ(board->GetStatusPicture(), "bit_Duan");
  EXPECT_EQ(board->GetStatus()->ForwardImageCall3(), 3);
  board->ShowAutoPlay(1);
  board->ShowAutoPlay(0);
  EXPECT_EQ(board->GetStatusPicture(), "bit_Duan");
  EXPECT_TRUE(board->GetStatus()->IsVisible());
  // Hidden with the board, and back with it.
  board->Hide();
  EXPECT_FALSE(board->GetStatus()->IsVisible());
  board->Show();
  EXPECT_TRUE(board->GetStatus()->IsVisible());
}

TEST_F(Boards, TheCardCountShowsOnlyOnceMovedIntoView) {
  CPlayerBoard* board = view().BoardAt(2);
  board->SetRemainingCards(5);
  EXPECT_FALSE(board->GetCountDisplay()->IsVisible());
  board->MoveRemainingCards(300, 200);
  EXPECT_TRUE(board->GetCountDisplay()->IsVisible());
  EXPECT_EQ(board->GetCountDisplay()->GetValue(), 5);
  EXPECT_EQ(board->GetCountX(), 300);
  EXPECT_EQ(board->GetCountY(), 200);
  board->SetRemainingCards(0);
  EXPECT_FALSE(board->GetCountDisplay()->IsVisible());
}

}  // namespace
