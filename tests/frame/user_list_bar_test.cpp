// ctest-labels: panel tsan
// The user list bar in the client's window with the default skin: rows from the start data in
// chair order, then the lookers, then padding; random-seating tables; the header and the parts
// around the rows; scrolling by the arrow buttons, the wheel and the thumb.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/canvas_object.h"
#include "engine/ui/image_button.h"
#include "frame/panel_messages.h"
#include "frame/panel_scroll_bar.h"
#include "frame/player_list_ctrl.h"
#include "frame/user_list_bar.h"
#include "tests/support/panel_fixture.h"

namespace {

using frame::PanelScrollBar;
using frame::PlayerListCtrl;
using frame::UserListBar;

// The bar as the side panel lays it out: 244 x 166 (header 22, scroll bar 16, four rows of 32)
// with its top-left corner at (775, 300).
constexpr int kLeft = 775;
constexpr int kTop = 300;
constexpr int kWidth = 244;
constexpr int kHeight = 166;

class UserList : public test::PanelFixture {
 protected:
  UserListBar* MakeBar(bool silver_room = true) {
    auto* bar = new UserListBar();
    panel().AddToScene(bar);
    bar->AddPanelColumns(silver_room);
    EXPECT_TRUE(bar->Create());
    Place(bar, kWidth, kHeight);
    return bar;
  }
  void Place(UserListBar* bar, int width, int height) {
    bar->Resize(width, height);
    bar->MoveTo(kLeft + width / 2.0, kTop + height / 2.0);
    bar->Show();
    bar->Invalidate();
    bar->Layout();
    Deliver();
  }
  static std::vector<std::string> Names(PlayerListCtrl* list) {
    std::vector<std::string> names;
    for (int i = 0; i < list->GetRowCount(); ++i) names.push_back(list->GetRowName(i));
    return names;
  }
  static std::vector<int> Parities(PlayerListCtrl* list) {
    std::vector<int> parities;
    for (int i = 0; i < list->GetRowCount(); ++i) parities.push_back(list->GetRow(i)->parity);
    return parities;
  }
  void Send(UserListBar* bar, uint32_t id) {
    const engine::ObjectMessage m = engine::MakeMessage(bar->GetKey(), id, 0, 0);
    bar->OnMessage(&m);
  }
};

TEST_F(UserList, RowsArePlayersInChairOrderThenLookersThenPaddingWithAlternatingParity) {
  Start();
  UserListBar* bar = MakeBar();
  EXPECT_EQ(bar->GetName(), std::string("UserListBar"));
  PlayerListCtrl* list = bar->GetList();
  EXPECT_EQ(Names(list), (std::vector<std::string>{"alice", "bob", "张三", "watcher", "fan", ""}));
  EXPECT_EQ(Parities(list), (std::vector<int>{1, 2, 1, 2, 1, 2}));
  EXPECT_EQ(list->GetRowHeight(), 32);
  EXPECT_EQ(list->GetHeight(), 6 * 32.0);
  EXPECT_EQ(bar->GetRowCount(), 6);
  // A looker who joins gets a row after the others.
  const shell::PlayerRecord guest = test::MakePlayer(2003, 2, "guest", "", 0, true);
  ASSERT_TRUE(app_->OnLobbyRecord(shell::lobby_record::kLookerJoins, guest.bytes, sizeof guest.bytes));
  EXPECT_EQ(Names(list), (std::vector<std::string>{"alice", "bob", "张三", "watcher", "fan", "guest"}));
}

TEST_F(UserList, AnEmptyTableStillShowsChairCountPlusThreeRows) {
  Start(test::kTestCommandLine, false);
  UserListBar* bar = MakeBar();
  PlayerListCtrl* list = bar->GetList();
  ASSERT_EQ(list->GetRowCount(), 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(list->GetRowUserId(i), 0u);
  EXPECT_EQ(Parities(list), (std::vector<int>{1, 2, 1, 2, 1, 2}));
}

TEST_F(UserList, AtARandomSeatingTableASeatedPlayerSeesOnlyItsOwnPlayerRow) {
  Start("9|zipai|127.0.0.1|0|4242|1002|5|1|0x1000008");
  UserListBar* bar = MakeBar();
  EXPECT_EQ(Names(bar->GetList()), (std::vector<std::string>{"bob", "watcher", "fan", "", "", ""}));
}

TEST_F(UserList, AtARandomSeatingTableALookerSeesEveryPlayer) {
  Start("9|zipai|127.0.0.1|0|4242|2002|5|0|0x1000008|0|1");
  UserListBar* bar = MakeBar();
  EXPECT_EQ(Names(bar->GetList()), (std::vector<std::string>{"alice", "bob", "张三", "watcher", "fan", ""}));
}

TEST_F(UserList, TheSidePanelsColumnsDependOnTheRoomKind) {
  Start();
  UserListBar* silver = MakeBar(true);
  std::vector<std::string> titles;
  for (const frame::ColumnDef& c : silver->GetColumns()) titles.push_back(c.title);
  EXPECT_EQ(titles, (std::vector<std::string>{"用户名", "银子", "积分", "财富等级", "级别", "旁观对象"}));
  EXPECT_EQ(silver->GetTotalWidth(), 498);
  auto* score = new UserListBar();
  panel().AddToScene(score);
  score->AddPanelColumns(false);
  titles.clear();
  for (const frame::ColumnDef& c : score->GetColumns()) titles.push_back(c.title);
  EXPECT_EQ(titles, (std::vector<std::string>{"用户名", "积分", "级别", "银子", "旁观对象"}));
}

TEST_F(UserList, ThePartsStandAroundTheRowsInsideTheBar) {
  Start();
  UserListBar* bar = MakeBar();
  EXPECT_EQ(bar->GetHeaderHeight(), 22);
  EXPECT_EQ(bar->GetHeader()->GetLeft(), kLeft);
  EXPECT_EQ(bar->GetHeader()->GetTop(), kTop);
  EXPECT_EQ(bar->GetTopRightCorner()->GetRight(), kLeft + kWidth);
  EXPECT_EQ(bar->GetTopRightCorner()->GetWidth(), 16.0);
  PlayerListCtrl* list = bar->GetList();
  EXPECT_EQ(list->GetLeft(), kLeft);
  EXPECT_EQ(list->GetTop(), kTop + 22);
  engine::RECT clip{};
  list->GetLimitRect(&clip);
  EXPECT_EQ(clip.left, kLeft);
  EXPECT_EQ(clip.top, kTop + 22);
  EXPECT_EQ(clip.right, kLeft + kWidth - 16);
  EXPECT_EQ(clip.bottom, kTop + kHeight - 22);
  PanelScrollBar* across = bar->GetHorizontalBar();
  PanelScrollBar* down = bar->GetVerticalBar();
  EXPECT_EQ(across->GetBottom(), kTop + kHeight);
  EXPECT_EQ(across->GetFirstButton()->GetLeft(), kLeft);
  EXPECT_EQ(across->GetSecondButton()->GetRight(), kLeft + kWidth - 16);
  EXPECT_EQ(across->GetPage(), kWidth - 16);
  EXPECT_EQ(across->GetTotal(), 498.0);
  EXPECT_EQ(down->GetRight(), kLeft + kWidth);
  EXPECT_EQ(down->GetFirstButton()->GetTop(), kTop + 22);
  EXPECT_EQ(down->GetSecondButton()->GetBottom(), kTop + kHeight - 22);
  EXPECT_EQ(down->GetPage(), kHeight - 44);
  EXPECT_EQ(down->GetTotal(), 192.0);
  EXPECT_EQ(bar->GetScrollCorner()->GetRight(), kLeft + kWidth);
  EXPECT_EQ(bar->GetScrollCorner()->GetBottom(), kTop + kHeight);
  // Hiding the bar hides its parts.
  bar->Hide();
  EXPECT_EQ(list->IsVisible(), 0u);
  EXPECT_EQ(bar->GetHeader()->IsVisible(), 0u);
  EXPECT_EQ(across->IsVisible(), 0u);
}

TEST_F(UserList, ColumnsNarrowerThanTheBarGrowToItsWidthLessTheCorner) {
  Start();
  auto* bar = new UserListBar();
  panel().AddToScene(bar);
  bar->AddColumn(frame::column::kName, 138, "用户名");
  ASSERT_TRUE(bar->Create());
  Place(bar, kWidth, kHeight);
  EXPECT_EQ(bar->GetTotalWidth(), kWidth - 16);
  EXPECT_EQ(bar->GetHeader()->GetWidth(), kWidth - 16.0);
  EXPECT_EQ(bar->GetList()->GetWidth(), kWidth - 16.0);
  // Nothing to scroll across: the rows stay put.
  Send(bar, frame::panel_msg::kScrollRight);
  EXPECT_EQ(bar->GetList()->GetLeft(), kLeft);
}

TEST_F(UserList, ScrollingLeftOrUpAtTheStartDoesNothingButRightAndDownAtTheEndStillTell) {
  Start();
  UserListBar* bar = MakeBar();
  PlayerListCtrl* list = bar->GetList();
  // Moved by hand, the rows only come back when the bar tells its position.
  list->MoveTo(list->GetX() + 5, list->GetY() + 5);
  Send(bar, frame::panel_msg::kScrollLeft);
  Send(bar, frame::panel_msg::kScrollUp);
  EXPECT_EQ(list->GetLeft(), kLeft + 5);
  EXPECT_EQ(list->GetTop(), kTop + 22 + 5);

  for (int i = 0; i < 40; ++i) Send(bar, frame::panel_msg::kScrollRight);
  EXPECT_EQ(bar->GetHorizontalBar()->GetPos(), 498 - 228);
  EXPECT_EQ(list->GetLeft(), kLeft - 270);
  EXPECT_EQ(bar->GetHeader()->GetLeft(), kLeft - 270);
  for (int i = 0; i < 5; ++i) Send(bar, frame::panel_msg::kScrollDown);
  EXPECT_EQ(bar->GetVerticalBar()->GetPos(), 192 - 122);
  EXPECT_EQ(list->GetTop(), kTop + 22 - 70);
  list->MoveTo(list->GetX() + 3, list->GetY() + 3);
  Send(bar, frame::panel_msg::kScrollRight);
  Send(bar, frame::panel_msg::kScrollDown);
  EXPECT_EQ(list->GetLeft(), kLeft - 270);
  EXPECT_EQ(list->GetTop(), kTop + 22 - 70);

  Send(bar, frame::panel_msg::kScrollUp);
  EXPECT_EQ(bar->GetVerticalBar()->GetPos(), 70 - 32);
  Send(bar, frame::panel_msg::kScrollLeft);
  EXPECT_EQ(bar->GetHorizontalBar()->GetPos(), 260);
}

TEST_F(UserList, ARefreshKeepsTheScrollPositionWithinTheShorterList) {
  Start();
  UserListBar* bar = MakeBar();
  // Two more lookers: seven rows, then they go again.
  for (uint32_t id : {2003u, 2004u}) {
    const shell::PlayerRecord r = test::MakePlayer(id, 1, "guest", "", 0, true);
    ASSERT_TRUE(app_->OnLobbyRecord(shell::lobby_record::kLookerJoins, r.bytes, sizeof r.bytes));
  }
  EXPECT_EQ(bar->GetList()->GetRowCount(), 7);
  for (int i = 0; i < 5; ++i) Send(bar, frame::panel_msg::kScrollDown);
  EXPECT_EQ(bar->GetVerticalBar()->GetPos(), 7 * 32 - 122);
  for (uint32_t id : {2003u, 2004u}) {
    const std::vector<uint8_t> left = test::Words({id});
    ASSERT_TRUE(app_->OnLobbyRecord(shell::lobby_record::kPlayerLeft, left.data(), left.size()));
  }
  EXPECT_EQ(bar->GetList()->GetRowCount(), 6);
  EXPECT_EQ(bar->GetVerticalBar()->GetPos(), 6 * 32 - 122);
  EXPECT_EQ(bar->GetList()->GetBottom(), kTop + kHeight - 22);
}

TEST_F(UserList, TheWheelOverTheHeaderScrollsTheRowsLikeTheWheelOverTheRows) {
  Start();
  UserListBar* bar = MakeBar();
  // The wheel goes to the object a click gave the focus.
  Click(kLeft + 100, kTop + 10);
  Wheel(kLeft + 100, kTop + 10, -120);
  EXPECT_EQ(bar->GetVerticalBar()->GetPos(), 32);
  Click(kLeft + 100, kTop + 60);
  Wheel(kLeft + 100, kTop + 60, -120);
  EXPECT_EQ(bar->GetVerticalBar()->GetPos(), 64);
  Wheel(kLeft + 100, kTop + 60, 120);
  EXPECT_EQ(bar->GetVerticalBar()->GetPos(), 32);
  EXPECT_EQ(bar->GetList()->GetTop(), kTop + 22 - 32);
}

TEST_F(UserList, DraggingTheVerticalThumbScrollsTheRows) {
  Start();
  UserListBar* bar = MakeBar();
  PanelScrollBar* down = bar->GetVerticalBar();
  const int x = static_cast<int>(down->GetX());
  const int y = static_cast<int>(down->GetThumb()->GetY());
  MoveTo(x, y);
  Mouse(platform::WM_LBUTTONDOWN, x, y, platform::MK_LBUTTON);
  Mouse(platform::WM_MOUSEMOVE, x, y + 200, platform::MK_LBUTTON);  // far below: ignored
  Mouse(platform::WM_MOUSEMOVE, x, y + 10, platform::MK_LBUTTON);
  Mouse(platform::WM_LBUTTONUP, x, y + 10);
  EXPECT_GT(down->GetPos(), 0);
  EXPECT_EQ(bar->GetList()->GetTop(), kTop + 22 - down->GetPosition());
}

TEST_F(UserList, RefreshAndForgettingPermissionsComeAsApplicationMessages) {
  Start();
  UserListBar* bar = MakeBar();
  PlayerListCtrl* list = bar->GetList();
  shell::PlayerRecord fan = test::MakePlayer(2002, 0, "fan", "", 0, true);
  list->RemoveLookOnPermission(&fan);
  app_->RefreshUserList();
  EXPECT_EQ(list->GetRowCount(), 6);
  app_->ClearLookOnPermissions();
  EXPECT_FALSE(list->IsLookOnAllowed(2002));
}

TEST_F(UserList, ABarWithoutItsHeaderPictureBuildsNothingAndStaysQuiet) {
  test::PanelRoot::open_skin = false;
  Start();
  test::PanelRoot::open_skin = true;
  auto* bar = new UserListBar();
  panel().AddToScene(bar);
  bar->AddPanelColumns(true);
  EXPECT_FALSE(bar->Create());
  EXPECT_EQ(bar->GetList(), nullptr);
  EXPECT_EQ(bar->GetHeader(), nullptr);
  bar->Resize(kWidth, kHeight);
  bar->MoveTo(kLeft + kWidth / 2.0, kTop + kHeight / 2.0);
  bar->Layout();
  bar->DrawHeader();
  bar->Refresh();
  for (uint32_t id : {frame::panel_msg::kScrollLeft, frame::panel_msg::kScrollRight, frame::panel_msg::kScrollUp,
                      frame::panel_msg::kScrollDown, shell::app_msg::kRefreshUserList, shell::app_msg::kClearLookOn}) {
    Send(bar, id);
  }
  Deliver();
  EXPECT_EQ(bar->GetRowCount(), 6);
}

}  // namespace
