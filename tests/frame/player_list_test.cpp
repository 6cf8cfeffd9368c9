// ctest-labels: panel tsan
// The user list's rows and their context menu in the client's window: what each row shows, the
// highlight, the user's card, the menu's lines and where it opens, and what its entries send to
// the game server, the lobby, the chat and the clipboard, also when users come and go while the
// menu is open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/canvas_object.h"
#include "engine/ui/text_markup.h"
#include "frame/player_list_ctrl.h"
#include "frame/popup_menu.h"
#include "frame/user_list_bar.h"
#include "net/request_ids.h"
#include "platform/clipboard.h"
#include "tests/support/colour_match.h"
#include "tests/support/panel_fixture.h"

namespace {

using frame::PlayerListCtrl;
using frame::PopupMenu;
using frame::PopupMenuItem;
using frame::UserListBar;

// The bar shows all six rows: 244 x 236 with its top-left corner at (775, 300); row i is
// centred at y = 322 + 32 i + 16.
constexpr int kLeft = 775;
constexpr int kTop = 300;
constexpr int kWidth = 244;
constexpr int kHeight = 22 + 22 + 6 * 32;

int RowY(int row) { return kTop + 22 + 32 * row + 16; }

using test::Near;

class PlayerList : public test::PanelFixture {
 protected:
  void StartWithList(const std::string& command_line = test::kTestCommandLine) {
    Start(command_line);
    bar_ = new UserListBar();
    panel().AddToScene(bar_);
    bar_->AddPanelColumns(true);
    ASSERT_TRUE(bar_->Create());
    bar_->Resize(kWidth, kHeight);
    bar_->MoveTo(kLeft + kWidth / 2.0, kTop + kHeight / 2.0);
    bar_->Show();
    bar_->Invalidate();
    bar_->Layout();
    list_ = bar_->GetList();
    menu_ = list_->GetMenu();
    ASSERT_NE(menu_, nullptr);
    Deliver();
  }
  // Opens the menu on a row with the right button.
  void OpenMenu(int row) {
    RightClick(820, RowY(row));
    ASSERT_NE(menu_->IsVisible(), 0u);
  }
  void ClickEntry(int entry) {
    PopupMenuItem* item = menu_->GetItem(entry);
    Click(static_cast<int>(item->GetX()), static_cast<int>(item->GetY()));
  }
  std::string EntryText(int entry) { return menu_->GetItem(entry)->GetText(); }
  bool EntryEnabled(int entry) { return menu_->GetItem(entry)->TakesInput() != 0; }
  void Join(const shell::PlayerRecord& r) {
    ASSERT_TRUE(app_->OnLobbyRecord(shell::lobby_record::kLookerJoins, r.bytes, sizeof r.bytes));
  }
  void Leave(uint32_t user) {
    const std::vector<uint8_t> word = test::Words({user});
    ASSERT_TRUE(app_->OnLobbyRecord(shell::lobby_record::kPlayerLeft, word.data(), word.size()));
  }
  std::vector<std::string> ChatLines() {
    Deliver();
    return panel().texts;
  }
  size_t LobbyAsks(uint32_t user) {
    size_t n = 0;
    for (const shell::LobbyPost& p : lobby().Posts())
      n += p.message == shell::lobby_msg::kUserDetails && p.lparam == static_cast<intptr_t>(user) ? 1 : 0;
    return n;
  }

  UserListBar* bar_ = nullptr;
  PlayerListCtrl* list_ = nullptr;
  PopupMenu* menu_ = nullptr;
};

TEST_F(PlayerList, ALeftClickOnAUsersRowSelectsItAndAsksTheLobbyForTheCard) {
  StartWithList();
  Click(820, RowY(1));
  EXPECT_EQ(list_->GetSelectedRow(), 1);
  ASSERT_FALSE(music_->asked.empty());
  EXPECT_EQ(music_->asked.back(), "SndSelectBlock");
  ASSERT_EQ(LobbyAsks(1002), 1u);
  EXPECT_EQ(lobby().Posts().back().wparam, reinterpret_cast<uintptr_t>(app_->GetMainWnd()));
  // A padding row is nobody's.
  const size_t posts = lobby().Posts().size();
  Click(820, RowY(5));
  EXPECT_EQ(lobby().Posts().size(), posts);
  EXPECT_EQ(list_->GetSelectedRow(), 1);
}

TEST_F(PlayerList, TheRowUnderThePointerIsHighlightedPaddingRowsAreNotAndLeavingClearsIt) {
  StartWithList();
  engine::CanvasObject* canvas = list_->GetCanvas();
  const uint32_t plain = canvas->GetPixel(200, 32 + 2);
  MoveTo(820, RowY(1));
  EXPECT_EQ(list_->GetHoveredRow(), 1);
  EXPECT_EQ(list_->GetRow(1)->hovered, 1);
  EXPECT_NE(canvas->GetPixel(200, 32 + 2), plain);
  MoveTo(820, RowY(5));
  EXPECT_EQ(list_->GetHoveredRow(), 1);
  MoveTo(820, RowY(2));
  EXPECT_EQ(list_->GetHoveredRow(), 2);
  EXPECT_EQ(list_->GetRow(1)->hovered, 0);
  EXPECT_EQ(canvas->GetPixel(200, 32 + 2), plain);
  MoveTo(500, 200);
  EXPECT_EQ(list_->GetHoveredRow(), -1);
  EXPECT_EQ(list_->GetRow(2)->hovered, 0);
}

TEST_F(PlayerList, RowAtAnswersTheRowUnderAPointAndNothingOutsideTheClip) {
  StartWithList();
  EXPECT_EQ(list_->RowAt(800, RowY(0)), 0);
  EXPECT_EQ(list_->RowAt(800, kTop + 22 + 32 * 3), 3);
  // The very bottom edge gives the row count, which callers refuse.
  list_->SetLimitRect(engine::RECT{0, 0, 2000, 2000});
  EXPECT_EQ(list_->RowAt(800, kTop + 22 + 6 * 32), 6);
  bar_->Layout();
  EXPECT_EQ(list_->RowAt(800, kTop + 10), -1);               // over the header
  EXPECT_EQ(list_->RowAt(kLeft + kWidth - 5, RowY(1)), -1);  // over the vertical bar
}

TEST_F(PlayerList, TheOwnRowIsBoldAndEveryOtherRowRegular) {
  StartWithList();
  engine::FontRecord style{};
  list_->DrawRow(0);
  list_->GetCanvas()->GetTextStyle(&style);
  EXPECT_EQ(style.weight, 700);
  list_->DrawRow(1);
  list_->GetCanvas()->GetTextStyle(&style);
  EXPECT_EQ(style.weight, 400);
}

TEST_F(PlayerList, ALookersRowShowsTheLookerMarkAndThePlayerItWatches) {
  StartWithList();
  EXPECT_EQ(list_->GetCellText(3, frame::column::kWatched), "bob");  // watcher, chair 1
  EXPECT_EQ(list_->GetCellText(4, frame::column::kWatched), "alice");
  EXPECT_EQ(list_->GetCellText(1, frame::column::kWatched), "");  // a player watches nobody
  const engine::PictureInfo mark = list_->GetPictureInfo("bit_LookOn", 0);
  ASSERT_NE(mark.record, nullptr);
  const uint8_t* p = mark.record->pixels + ((mark.source_y + 12) * mark.record->width + mark.source_x + 12) * 4;
  ASSERT_EQ(p[3], 255);
  const uint32_t colour = p[2] | (p[1] << 8) | (p[0] << 16);
  // Centred in the 32 x 30 avatar box at (1, 1) of the row.
  const int x = 1 + (32 - mark.width) / 2 + 12;
  const int y = 3 + (30 - mark.height) / 2 + 12;
  EXPECT_TRUE(Near(list_->GetCanvas()->GetPixel(x, 32 * 3 + y), colour));
  EXPECT_FALSE(Near(list_->GetCanvas()->GetPixel(x, 32 * 1 + y), colour));
}

TEST_F(PlayerList, AWatchedChairOutsideTheTableNamesNobody) {
  StartWithList();
  shell::PlayerRecord odd = test::MakePlayer(2010, 99, "odd", "", 0, true);
  Join(odd);
  shell::PlayerRecord lost = test::MakePlayer(2011, -1, "lost", "", 0, true);
  Join(lost);
  EXPECT_EQ(list_->GetRowName(5), "odd");
  EXPECT_EQ(list_->GetCellText(5, frame::column::kWatched), "");
  EXPECT_EQ(list_->GetCellText(6, frame::column::kWatched), "");
  list_->RedrawRows();
}

TEST_F(PlayerList, CellTextsAreBoundedWithoutSplittingACharacter) {
  StartWithList();
  shell::PlayerRecord r = test::MakePlayer(2012, 0, "rich", "一二三四五六七", 0, true);
  r.SetText(shell::PlayerRecord::kLevelText, shell::PlayerRecord::kLevelTextBytes, "一二三四五六七");
  r.SetWord(shell::PlayerRecord::kSilver, 123456);
  r.SetWord(shell::PlayerRecord::kScore, static_cast<uint32_t>(-42));
  r.SetWord(shell::PlayerRecord::kGender, 1);
  Join(r);
  EXPECT_EQ(list_->GetCellText(5, frame::column::kLevel), "一二三四..");
  EXPECT_EQ(list_->GetCellText(5, frame::column::kSecondName), "一二三四五..");
  EXPECT_EQ(list_->GetCellText(5, frame::column::kSilver), "123456");
  EXPECT_EQ(list_->GetCellText(5, frame::column::kScore), "-42");
  EXPECT_EQ(list_->GetCellText(5, frame::column::kWealth), "大富翁");
  EXPECT_EQ(list_->GetCellText(5, frame::column::kGender), "美女");
  EXPECT_EQ(list_->GetCellText(1, frame::column::kGender), "帅哥");
  EXPECT_EQ(list_->GetCellText(6, frame::column::kSilver), "");  // padding
}

TEST_F(PlayerList, NamesDrawnOnAPictureCannotChangeItsStyle) {
  EXPECT_EQ(engine::InertCanvasText("<c=255>evil"), "＜c=255>evil");
  EXPECT_EQ(engine::InertCanvasText("张三<>"), "张三＜>");
  EXPECT_EQ(engine::InertCanvasText(std::string("a\0<b", 4)), "a");
  // A lead byte without its trail byte is left out, before a bracket or at the end, so that it
  // cannot pair with whatever is drawn after it.
  EXPECT_EQ(engine::InertCanvasText("\x81<"), "＜");
  EXPECT_EQ(engine::InertCanvasText("x\x81"), "x");
}

TEST_F(PlayerList, TheRightButtonOpensTheMenuBelowAndRightOfThePointerWithTheUsersLines) {
  StartWithList();
  shell::PlayerRecord r = test::MakePlayer(2013, 1, "rich", "", 0, true);
  r.SetWord(shell::PlayerRecord::kSilver, 5000);
  r.SetWord(shell::PlayerRecord::kScore, 77);
  r.SetWord(shell::PlayerRecord::kAvatarId, 3);
  r.SetText(shell::PlayerRecord::kLevelText, shell::PlayerRecord::kLevelTextBytes, "<c=255>高手");
  Join(r);
  OpenMenu(5);
  EXPECT_EQ(list_->GetSelectedRow(), 5);
  EXPECT_EQ(menu_->GetWidth(), 166.0);
  EXPECT_EQ(menu_->GetHeight(), 8 * 30 + 4.0);
  EXPECT_EQ(menu_->GetX(), static_cast<int>(820 + 167 / 2.0 + 1));
  EXPECT_EQ(menu_->GetY(), static_cast<int>(RowY(5) + 245 / 2.0 + 1));
  EXPECT_EQ(EntryText(0), "rich");
  EXPECT_EQ(menu_->GetItem(0)->GetIconSize(), 24);
  EXPECT_EQ(menu_->GetItem(0)->GetIcon().height, 30);
  EXPECT_EQ(EntryText(1), "查看详细");
  EXPECT_EQ(EntryText(2), "银子：5000两");
  EXPECT_EQ(EntryText(3), "积分：77分");
  EXPECT_EQ(EntryText(4), "级别：＜c=255>高手");
  EXPECT_EQ(EntryText(6), "呼叫玩家");
  EXPECT_EQ(EntryText(7), "复制玩家名");
  EXPECT_TRUE(EntryEnabled(7));
  // The menu holds the focus: a click elsewhere closes it.
  Click(300, 300);
  EXPECT_EQ(menu_->IsVisible(), 0u);
}

TEST_F(PlayerList, NearThePanelsRightAndBottomEdgesTheMenuStaysInsideThePanel) {
  StartWithList();
  list_->SelectRow(1);
  list_->ShowMenu(true, 1010, 700);
  EXPECT_EQ(menu_->GetRight(), 1020 - 0.0);
  EXPECT_EQ(menu_->GetBottom(), 764 - 0.0);
  // Without a point it opens at the list's right edge, still inside.
  list_->ShowMenu(true, -1, -1);
  EXPECT_LE(menu_->GetRight(), 1020.0);
  EXPECT_EQ(menu_->GetTop(), list_->GetTop());
}

TEST_F(PlayerList, APanelReachingPastTheWindowStillKeepsTheMenuInTheWindow) {
  StartWithList();
  const engine::RECT wide{774, 25, 1400, 1000};
  panel().SetRect(&wide);
  list_->SelectRow(1);
  list_->ShowMenu(true, 1010, 740);
  engine::RECT view{};
  list_->GetViewRect(&view);
  EXPECT_LE(menu_->GetRight(), view.right);
  EXPECT_LE(menu_->GetBottom(), view.bottom);
  EXPECT_GE(menu_->GetLeft(), view.left);
  EXPECT_GE(menu_->GetTop(), view.top);
}

TEST_F(PlayerList, CallingAPlayerSendsTheRequestAndWritesTheCallLineAtOnce) {
  StartWithList();
  OpenMenu(1);
  EXPECT_TRUE(EntryEnabled(6));
  ClickEntry(6);
  EXPECT_EQ(menu_->IsVisible(), 0u);
  const test::FakeGameServer::Received* call = server_->server().Last(net::request::kCallPlayer);
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->body, test::Words({1001, 77, 5, 0, 1002, 1}));
  EXPECT_FALSE(call->wants_answer);
  EXPECT_EQ(music_->asked.back(), "SndFa");
  const std::vector<std::string> lines = ChatLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], " alice呼叫 <c=32768>bob\n");
}

TEST_F(PlayerList, TheOwnSeatCanOnlyBeCalledWhenALookerSitsThere) {
  StartWithList();
  OpenMenu(0);  // alice, the user
  EXPECT_FALSE(EntryEnabled(6));
  ClickEntry(6);
  EXPECT_EQ(server_->server().CountOf(net::request::kCallPlayer), 0u);
  OpenMenu(4);  // fan watches chair 0
  EXPECT_TRUE(EntryEnabled(6));
}

TEST_F(PlayerList, AUserWhoOnlyWatchesCallsNobody) {
  StartWithList("9|zipai|127.0.0.1|0|4242|2002|5|0|0x1000000|0|1");
  OpenMenu(1);
  EXPECT_FALSE(EntryEnabled(6));
  EXPECT_FALSE(EntryEnabled(5));
}

TEST_F(PlayerList, AtARandomSeatingTableTheCallEntryIsOfferedButSendsNothing) {
  StartWithList("9|zipai|127.0.0.1|0|4242|1001|5|0|0x1000008");
  ASSERT_EQ(list_->GetRowName(1), "watcher");
  OpenMenu(1);
  EXPECT_TRUE(EntryEnabled(6));
  ClickEntry(6);
  EXPECT_EQ(server_->server().CountOf(net::request::kCallPlayer), 0u);
  EXPECT_TRUE(ChatLines().empty());
}

TEST_F(PlayerList, AllowingALookerOfTheOwnChairAsksTheServerAndThenSaysSo) {
  StartWithList();
  app_->SetGameRunning(true);
  OpenMenu(4);  // fan, watching chair 0
  EXPECT_TRUE(EntryEnabled(5));
  EXPECT_EQ(EntryText(5), "允许旁观看牌");
  ClickEntry(5);
  const test::FakeGameServer::Received* ask = server_->server().Last(net::request::kLookOnPermission);
  ASSERT_NE(ask, nullptr);
  EXPECT_EQ(ask->body, test::Words({1001, 77, 5, 0, 2002, 1}));
  EXPECT_TRUE(list_->IsLookOnAllowed(2002));
  std::vector<std::string> lines = ChatLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], " <c=2906200>alice允许fan看牌 \r\n");

  OpenMenu(4);
  EXPECT_EQ(EntryText(5), "禁止旁观看牌");
  ClickEntry(5);
  EXPECT_EQ(server_->server().Last(net::request::kLookOnPermission)->body, test::Words({1001, 77, 5, 0, 2002, 0}));
  EXPECT_FALSE(list_->IsLookOnAllowed(2002));
  lines = ChatLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], " <c=2906200>alice禁止fan看牌 \r\n");
}

TEST_F(PlayerList, ARefusedLookOnRequestChangesNothingAndSaysNothing) {
  StartWithList();
  app_->SetGameRunning(true);
  server_->server().Answer(net::request::kLookOnPermission, 1001);
  OpenMenu(4);
  ClickEntry(5);
  EXPECT_EQ(server_->server().CountOf(net::request::kLookOnPermission), 1u);
  EXPECT_FALSE(list_->IsLookOnAllowed(2002));
  EXPECT_TRUE(ChatLines().empty());
  OpenMenu(4);
  EXPECT_EQ(EntryText(5), "允许旁观看牌");
}

TEST_F(PlayerList, TheLookOnEntryWaitsForAGameAndALookerOfTheOwnChair) {
  StartWithList();
  OpenMenu(4);
  EXPECT_FALSE(EntryEnabled(5));  // no game running
  app_->SetGameRunning(true);
  OpenMenu(3);  // watcher watches chair 1
  EXPECT_FALSE(EntryEnabled(5));
  OpenMenu(1);  // bob is a player
  EXPECT_FALSE(EntryEnabled(5));
  EXPECT_EQ(EntryText(5), "允许旁观看牌");
}

TEST_F(PlayerList, TheLookOnLineEscapesTheLookersName) {
  StartWithList();
  app_->SetGameRunning(true);
  Join(test::MakePlayer(2020, 0, "<c=255>#x", "", 0, true));
  OpenMenu(5);
  ClickEntry(5);
  const std::vector<std::string> lines = ChatLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], " <c=2906200>alice允许" + engine::EscapeMarkupText("<c=255>#x") + "看牌 \r\n");
  EXPECT_EQ(lines[0].find("<c=255>"), std::string::npos);
}

TEST_F(PlayerList, CopyingTheNamePutsItOnTheClipboard) {
  StartWithList();
  OpenMenu(2);
  ClickEntry(7);
  EXPECT_EQ(platform::GetClipboardText(), "张三");
  EXPECT_EQ(menu_->IsVisible(), 0u);
}

TEST_F(PlayerList, ShowDetailsAsksForTheCardAndTheInformationLinesCloseTheMenu) {
  StartWithList();
  OpenMenu(2);
  ClickEntry(3);
  EXPECT_EQ(menu_->IsVisible(), 0u);
  OpenMenu(2);
  const size_t before = LobbyAsks(1003);
  ClickEntry(1);
  EXPECT_EQ(LobbyAsks(1003), before + 1);
  EXPECT_EQ(menu_->IsVisible(), 0u);
}

TEST_F(PlayerList, AMenuWhoseUserLeftClosesAndItsCommandsDoNothing) {
  StartWithList();
  OpenMenu(1);
  const double x = menu_->GetItem(6)->GetX();
  const double y = menu_->GetItem(6)->GetY();
  Leave(1002);
  EXPECT_EQ(menu_->IsVisible(), 0u);
  EXPECT_EQ(list_->GetSelectedRow(), -1);
  Click(static_cast<int>(x), static_cast<int>(y));
  EXPECT_EQ(server_->server().CountOf(net::request::kCallPlayer), 0u);
  // Even when the entry's message still arrives, nobody is selected.
  const engine::ObjectMessage call = engine::MakeMessage(list_->GetKey(), PlayerListCtrl::kCallPlayer, 0, 0);
  list_->OnMessage(&call);
  EXPECT_EQ(server_->server().CountOf(net::request::kCallPlayer), 0u);
}

TEST_F(PlayerList, AMenuFollowsItsUserWhenOthersLeave) {
  StartWithList();
  OpenMenu(4);  // fan
  Leave(2001);  // watcher, the row above
  EXPECT_NE(menu_->IsVisible(), 0u);
  EXPECT_EQ(list_->GetSelectedRow(), 3);
  ClickEntry(6);
  const test::FakeGameServer::Received* call = server_->server().Last(net::request::kCallPlayer);
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->body, test::Words({1001, 77, 5, 0, 2002, 0}));
}

TEST_F(PlayerList, ALeavingLookerLosesItsPermission) {
  StartWithList();
  app_->SetGameRunning(true);
  OpenMenu(4);
  ClickEntry(5);
  ASSERT_TRUE(list_->IsLookOnAllowed(2002));
  const shell::PlayerRecord* fan = app_->FindPlayerRecord(2002);
  list_->RemoveLookOnPermission(fan);
  EXPECT_FALSE(list_->IsLookOnAllowed(2002));
}

}  // namespace
