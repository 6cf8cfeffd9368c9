// ctest-labels: panel tsan
// The side panel in the client's headless window: its bars by mode, stacked down its rectangle
// at their heights, the system-bar buttons in the input bar, the welcome line and the notice on
// entering the table, and what its messages reach.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "engine/core/canvas_object.h"
#include "engine/ui/bar_button.h"
#include "engine/ui/image_button.h"
#include "engine/ui/menu_list.h"
#include "frame/advert_bar.h"
#include "frame/chat_box.h"
#include "frame/emoticon_picker.h"
#include "frame/frame_messages.h"
#include "frame/input_bar.h"
#include "frame/match_list_bar.h"
#include "frame/operate_bar.h"
#include "frame/player_list_ctrl.h"
#include "frame/popup_menu.h"
#include "net/request_ids.h"
#include "frame/user_list_bar.h"
#include "platform/win_messages.h"
#include "shell/app_frame_view.h"
#include "shell/app_messages.h"
#include "shell/chat_text.h"
#include "shell/lobby_link.h"
#include "shell/notice_fetcher.h"
#include "shell/server_notify.h"
#include "tests/support/side_panel_fixture.h"

namespace {

using engine::EngineObject;
using frame::SubSystem;

// The window is 1024 x 768: the panel is 250 wide right of the splitter, between the title
// strip and the bottom border.
constexpr int kLeft = 770;
constexpr int kTop = 25;
constexpr int kRight = 1020;
constexpr int kBottom = 764;

// Bars are placed by whole-pixel centres: an odd height puts their edges half a pixel off.
constexpr double kHalf = 0.5;

struct Box {
  double left, top, right, bottom;
};
Box BoxOf(const EngineObject* o) {
  return Box{o->GetLeft(), o->GetTop(), o->GetLeft() + o->GetWidth(), o->GetTop() + o->GetHeight()};
}

class SidePanel : public test::SidePanelFixture {
 protected:
  int Picture(const char* name) { return panel().GetPictureInfo(name, 0).height; }
  int Setting(uint32_t key) { return panel().GetIntSetting(key); }
  std::vector<std::string> ButtonNames() {
    std::vector<std::string> names;
    for (int i = 0; i < frame::InputBar::kMaxChildren; ++i) {
      if (auto* button = dynamic_cast<engine::ImageButton*>(panel().GetInputBar()->GetChild(i))) {
        const char* name = button->GetName();
        names.push_back(std::to_string(button->GetMessage().id) + ":" + (name != nullptr ? name : ""));
      }
    }
    return names;
  }
  void Click(int x, int y) {
    Mouse(platform::WM_MOUSEMOVE, x, y);
    Mouse(platform::WM_LBUTTONDOWN, x, y, platform::MK_LBUTTON);
    Mouse(platform::WM_LBUTTONUP, x, y);
  }
  void Click(const EngineObject* o) { Click(static_cast<int>(o->GetX()), static_cast<int>(o->GetY())); }
  // A left click on the middle of a user list row.
  void ClickRow(int row) {
    const frame::PlayerListCtrl* list = panel().GetUserListBar()->GetList();
    const int h = list->GetRowHeight();
    Click(static_cast<int>(list->GetLeft()) + 100, static_cast<int>(list->GetTop()) + h * row + h / 2);
  }
  size_t CardAsks(uint32_t user) {
    size_t n = 0;
    for (const shell::LobbyPost& p : static_cast<shell::LobbyStandIn*>(app_->GetLobby())->Posts())
      n += p.message == shell::lobby_msg::kUserDetails && p.lparam == static_cast<intptr_t>(user) ? 1 : 0;
    return n;
  }
};

TEST_F(SidePanel, InNormalModeTheAdvertUserListChatAndInputBarsFillThePanelTopToBottom) {
  StartPanel();
  ASSERT_NE(panel().GetAdvertBar(), nullptr);
  ASSERT_NE(panel().GetUserListBar(), nullptr);
  ASSERT_NE(panel().GetChatBox(), nullptr);
  ASSERT_NE(panel().GetInputBar(), nullptr);
  EXPECT_EQ(panel().GetMatchListBar(), nullptr);
  EXPECT_FALSE(panel().IsMatchMode());

  const int extra = Setting(frame::frame_setting::kExtraHeight);
  // Three chairs, yet four score rows; the user list holds the chairs and one more.
  const int adv = 4 * 26 + 28 + 22 + 1 + extra;
  const int ul = Picture("SystemUserListBar") + extra + 4 * Picture("UserListBlock");
  const int in = Picture("SystemInputBar");
  EXPECT_EQ(panel().GetAdvertBarHeight(), adv);
  EXPECT_EQ(panel().GetUserListBarHeight(), ul);

  const Box a = BoxOf(panel().GetAdvertBar());
  const Box u = BoxOf(panel().GetUserListBar());
  const Box c = BoxOf(panel().GetChatBox());
  const Box i = BoxOf(panel().GetInputBar());
  EXPECT_EQ(a.left, kLeft + 1);
  EXPECT_EQ(a.right, kRight - 1);
  EXPECT_NEAR(a.top, kTop, kHalf);
  EXPECT_NEAR(a.bottom, kTop + adv, kHalf);
  EXPECT_NEAR(u.top, a.bottom, kHalf);
  EXPECT_NEAR(u.bottom, u.top + ul, kHalf);
  EXPECT_EQ(u.right - u.left, 248);
  // One pixel between the user list and the chat box, which reaches down to the input bar.
  EXPECT_NEAR(c.top, u.bottom + 1, kHalf);
  EXPECT_EQ(c.left, kLeft);
  EXPECT_EQ(c.right, kRight);
  EXPECT_NEAR(c.bottom, i.top, kHalf);
  EXPECT_EQ(i.bottom, kBottom);
  EXPECT_EQ(i.bottom - i.top, in);
  EXPECT_EQ(i.right - i.left, 251);
  EXPECT_TRUE(panel().GetChatBox()->IsVisible());

  // The system bar's picture lies behind the advert and user list bars.
  engine::CanvasObject* back = panel().GetSystemBarBackground();
  ASSERT_NE(back, nullptr);
  const Box b = BoxOf(back);
  EXPECT_NEAR(b.top, kTop, kHalf);
  EXPECT_NEAR(b.bottom, kTop + adv + ul + 2, kHalf);
  EXPECT_EQ(b.right - b.left, 250);
  EXPECT_LT(back->GetDepth(), panel().GetAdvertBar()->GetDepth());
  EXPECT_LT(back->GetDepth(), panel().GetUserListBar()->GetDepth());
  EXPECT_TRUE(back->IsVisible());
}

TEST_F(SidePanel, TheTableAsksTheAdvertPageToRefreshItsRanking) {
  StartPanel();
  shell::AppFrameView* frame = shell::GetAppView();
  ASSERT_NE(frame, nullptr);
  frame->RunAdvertScript("刷新排名");
  frame->RunAdvertScript(nullptr);
  const std::deque<std::string>& log = panel().GetAdvertBar()->GetBrowser().Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), "script 刷新排名"), 1);
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("script", 0) == 0; }), 1);
}

TEST_F(SidePanel, InMatchModeTheMatchListStandsAboveTheChatAndThereIsNoAdvertUserListOrBackground) {
  table_.room.SetWord(shell::RoomBlock::kMatchRoom, 1);
  StartPanel(test::kTestCommandLine, true, true);
  EXPECT_TRUE(panel().IsMatchMode());
  EXPECT_EQ(panel().GetAdvertBar(), nullptr);
  EXPECT_EQ(panel().GetUserListBar(), nullptr);
  EXPECT_EQ(panel().GetSystemBarBackground(), nullptr);
  ASSERT_NE(panel().GetMatchListBar(), nullptr);
  ASSERT_NE(panel().GetChatBox(), nullptr);
  ASSERT_NE(panel().GetInputBar(), nullptr);

  const int ml = Picture("SystemMatchListBar");
  const Box m = BoxOf(panel().GetMatchListBar());
  const Box c = BoxOf(panel().GetChatBox());
  const Box i = BoxOf(panel().GetInputBar());
  EXPECT_EQ(m.top, kTop);
  EXPECT_EQ(m.bottom, kTop + ml);
  EXPECT_NEAR(c.top, m.bottom, kHalf);
  EXPECT_NEAR(c.bottom, i.top, kHalf);
  EXPECT_EQ(i.bottom, kBottom);
  EXPECT_EQ(panel().GetChatBoxHeight(), kBottom - kTop - ml - Picture("SystemInputBar"));
}

TEST_F(SidePanel, AGamesPanelWithAnOperateBarStacksTheOtherBarsBelowIt) {
  class PanelWithOperateBar : public SubSystem {
    void CreateAdvertBar() override {
      CreateOperateBar();
      SubSystem::CreateAdvertBar();
    }
  };
  App().new_panel = [] { return new PanelWithOperateBar(); };
  StartPanel();
  ASSERT_NE(panel().GetOperateBar(), nullptr);
  const int op = Picture("SystemOperateBar");
  EXPECT_EQ(panel().GetOperateBarHeight(), op);
  const Box o = BoxOf(panel().GetOperateBar());
  const Box a = BoxOf(panel().GetAdvertBar());
  EXPECT_NEAR(o.top, kTop, kHalf);
  EXPECT_NEAR(a.top, o.bottom, kHalf);
  EXPECT_NEAR(BoxOf(panel().GetUserListBar()).top, a.bottom, kHalf);
  EXPECT_NEAR(BoxOf(panel().GetChatBox()).bottom, BoxOf(panel().GetInputBar()).top, kHalf);
}

TEST_F(SidePanel, InMatchModeThePanelRunsTheMatchListsClockAndAsksTheServerAboutAUser) {
  table_.room.SetWord(shell::RoomBlock::kMatchRoom, 1);
  StartPanel(test::kTestCommandLine, true, true);
  frame::MatchListBar* bar = panel().GetMatchListBar();
  ASSERT_NE(bar, nullptr);
  auto send = [&](uint32_t id, uintptr_t p1 = 0) {
    const engine::ObjectMessage m = engine::MakeMessage(panel().GetKey(), id, p1, 0);
    return panel().OnMessage(&m);
  };
  send(frame::child_msg::kMatchBegin);
  EXPECT_TRUE(bar->IsClockRunning());
  Frames(3);
  clock_->Advance(1000);
  Frames(3);
  EXPECT_EQ(bar->GetSeconds(), 1u);
  send(frame::sub_msg::kStopMatchClock);
  EXPECT_FALSE(bar->IsClockRunning());
  // The running clock of the table state comes back from the application's negative value.
  app_->GetMatchData().clock_value = -30;
  panel().OnMatchTableState();
  EXPECT_TRUE(bar->IsClockRunning());
  send(frame::child_msg::kMatchInfo, 12);
  EXPECT_NE(bar->GetClockText().find("12"), std::string::npos);

  server().ClearRecord();
  send(frame::MatchListBar::kQueryUser, 1002);
  const test::FakeGameServer::Received* query = server().Last(net::request::kQueryUser);
  ASSERT_NE(query, nullptr);
  EXPECT_EQ(test::HexWords(query->body).substr(0, 26), "4d000000 e9030000 ea030000");
}

TEST_F(SidePanel, InMatchModeTheServersMatchDataResumeARunningClockAndTheRoomNamesTheMatch) {
  table_.room.SetWord(shell::RoomBlock::kMatchRoom, 1);
  const std::string room(40, 'm');
  table_.room.SetText(shell::RoomBlock::kRoomName, shell::RoomBlock::kTextBytes, room);
  StartPanel(test::kTestCommandLine, true, true);
  frame::MatchListBar* bar = panel().GetMatchListBar();
  ASSERT_NE(bar, nullptr);
  // Before the start the clock value is not negative: nothing runs.
  server().Push(shell::notify::kMatchInfo, test::Words({100, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_FALSE(bar->IsClockRunning());
  // Joining a running match: the clock carries on from the seconds the server counted.
  server().Push(shell::notify::kMatchInfo, test::Words({500, 0, 0, 0, 0, 0, static_cast<uint32_t>(-30), 0}));
  EXPECT_TRUE(bar->IsClockRunning());
  EXPECT_EQ(bar->GetSeconds(), 30u);

  // Without a match name of its own the title is the room's name.
  ASSERT_TRUE(app_->GetMatchData().match_name.empty());
  bar->DrawTitle();
  const int32_t width = bar->GetTitle()->GetSurfaceWidth();
  ASSERT_NE(frame::MatchListBar::TitleCharWidth(room.size(), width), 16);
  EXPECT_EQ(bar->GetTitleCharWidth(), frame::MatchListBar::TitleCharWidth(room.size(), width));
  app_->GetMatchData().match_name = "春季赛";
  bar->DrawTitle();
  EXPECT_EQ(bar->GetTitleCharWidth(), 16);
}

TEST_F(SidePanel, APanelTooShortForItsBarsHidesTheChatBoxAndKeepsTheOtherBarsSizes) {
  StartPanel();
  const Box before = BoxOf(panel().GetUserListBar());
  const engine::RECT shallow{kLeft, kTop, kRight, kTop + 300};
  panel().SetRect(&shallow);
  EXPECT_LT(panel().GetChatBoxHeight(), 1);
  EXPECT_FALSE(panel().GetChatBox()->IsVisible());
  const Box after = BoxOf(panel().GetUserListBar());
  EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
  EXPECT_EQ(BoxOf(panel().GetInputBar()).bottom, kTop + 300);
  EXPECT_EQ(BoxOf(panel().GetInputBar()).bottom - BoxOf(panel().GetInputBar()).top, Picture("SystemInputBar"));
  // Given its room back, the chat box shows again.
  const engine::RECT full{kLeft, kTop, kRight, kBottom};
  panel().SetRect(&full);
  EXPECT_TRUE(panel().GetChatBox()->IsVisible());
}

TEST_F(SidePanel, AtARandomSeatingTableAPlayerSeesTwoUserRowsAndALookerAllChairsAndOneMore) {
  StartPanel("9|zipai|127.0.0.1|0|4242|1001|5|0|0x1000008");
  const int head = Picture("SystemUserListBar") + Setting(frame::frame_setting::kExtraHeight);
  EXPECT_EQ(panel().GetUserListBarHeight(), head + 2 * Picture("UserListBlock"));
  TearDown();
  SetUp();
  StartPanel("9|zipai|127.0.0.1|0|4242|2001|5|1|0x1000008|0|1");
  EXPECT_EQ(panel().GetUserListBarHeight(), head + 4 * Picture("UserListBlock"));
}

TEST_F(SidePanel, TheSystemBarHoldsFourButtonsWithoutTheSafeBoxAndFiveWithTheQuickSilverMenuWithIt) {
  // Made before the start data: no room options yet, so no safe box.
  StartPanel();
  EXPECT_EQ(ButtonNames(),
            (std::vector<std::string>{"19840396:系统栏表情按钮", "19840395:", "19840397:", "19840398:"}));
  EXPECT_EQ(panel().GetInputBar()->GetSilverMenu(), nullptr);
  EXPECT_EQ(panel().GetInputBar()->GetPhrases().size(), 10u);
  EXPECT_EQ(panel().GetInputBar()->GetPhrases().front(), "快点吧，我等到花儿也谢了!");
  TearDown();
  SetUp();
  // Made after them, in a silver room with the safe box allowed at the table.
  StartPanel(test::kTestCommandLine, true, true);
  EXPECT_EQ(ButtonNames(), (std::vector<std::string>{"19840396:系统栏表情按钮", "19840395:", "19840397:", "19840398:",
                                                     "19840399:系统栏划银按钮"}));
  frame::PopupMenu* silver = panel().GetInputBar()->GetSilverMenu();
  ASSERT_NE(silver, nullptr);
  EXPECT_FALSE(silver->IsVisible());
  // The safe-box button opens the quick silver menu.
  Click(panel().FindObjectByName(frame::InputBar::kSilverButtonName));
  EXPECT_TRUE(silver->IsVisible());
}

TEST_F(SidePanel, TheUserListColumnsFollowTheRoomsCurrency) {
  auto ids = [&]() {
    std::vector<int> out;
    for (const frame::ColumnDef& c : panel().GetUserListBar()->GetColumns()) out.push_back(c.id);
    return out;
  };
  StartPanel(test::kTestCommandLine, true, true);
  EXPECT_EQ(ids(), (std::vector<int>{0, 2, 1, 4, 3, 5}));
  TearDown();
  SetUp();
  table_.room.SetWord(shell::RoomBlock::kRoomOptions, 0);
  StartPanel(test::kTestCommandLine, true, true);
  EXPECT_EQ(ids(), (std::vector<int>{0, 1, 3, 2, 5}));
}

TEST_F(SidePanel, TheEmoticonAndClearButtonsWorkTheChatBox) {
  StartPanel();
  Deliver();
  ASSERT_NE(ChatText(), "");
  Click(panel().GetInputBar()->GetChild(1));
  EXPECT_EQ(ChatText(), "");
  Click(panel().FindObjectByName(frame::ChatBox::kEmoticonButtonName));
  ASSERT_NE(panel().GetChatBox()->GetPicker(), nullptr);
  EXPECT_TRUE(panel().GetChatBox()->GetPicker()->IsVisible());
}

TEST_F(SidePanel, EnteringTheTableWritesTheWelcomeLineAndThenTheGamesNotice) {
  class Notice : public shell::NoticeFetcher {
   public:
    bool Fetch(const std::string& address, std::string* text) override {
      asked = address;
      *text = "<c=255>今晚有比赛";
      return true;
    }
    std::string asked;
  };
  auto fetcher = std::make_unique<Notice>();
  Notice* notice = fetcher.get();
  app_->SetNoticeFetcher(std::move(fetcher));
  StartPanel();
  Deliver();
  ASSERT_FALSE(app_->system_texts.empty());
  EXPECT_EQ(app_->system_texts.front(), " 欢迎来到 <s=180,c=10715996,e=b>银子场\r\n<> 您的位置：湖南 跑胡子 第6桌\r\n");
  EXPECT_EQ(notice->asked, "http://localhost/notify/game/9.txt");
  const std::string chat = ChatText();
  const size_t welcome = chat.find("欢迎来到");
  const size_t news = chat.find("今晚有比赛");
  ASSERT_NE(welcome, std::string::npos);
  ASSERT_NE(news, std::string::npos);
  EXPECT_LT(welcome, news);
}

TEST_F(SidePanel, AtARandomSeatingTableThePlayersWelcomeLineNamesNoTable) {
  StartPanel("9|zipai|127.0.0.1|0|4242|1001|5|0|0x1000008");
  ASSERT_FALSE(app_->system_texts.empty());
  EXPECT_EQ(app_->system_texts.front(), " 欢迎来到 <s=180,c=10715996,e=b>银子场\r\n<> 您的位置：湖南 跑胡子\r\n");
}

TEST_F(SidePanel, TextsAndAddressesHandedOverOnTheHeapReachTheirBarAndAreFreed) {
  StartPanel();
  Deliver();
  auto send = [&](uint32_t id, uintptr_t p1, uintptr_t p2 = 0) {
    const engine::ObjectMessage m = engine::MakeMessage(panel().GetKey(), id, p1, p2);
    return panel().OnMessage(&m);
  };
  send(shell::app_msg::kSystemText, reinterpret_cast<uintptr_t>(shell::NewHeapText("系统消息一")));
  send(shell::app_msg::kNoticeText, reinterpret_cast<uintptr_t>(shell::NewHeapText("公告二")));
  send(frame::sub_msg::kAdvertAddress, reinterpret_cast<uintptr_t>(shell::NewHeapText("http://example.com/ad")));
  EXPECT_NE(ChatText().find("系统消息一"), std::string::npos);
  EXPECT_NE(ChatText().find("公告二"), std::string::npos);
  EXPECT_EQ(panel().GetAdvertBar()->GetBrowser().GetLocationUrl(), "http://example.com/ad");

  // An id the panel does not know changes nothing and still answers 1.
  const std::string before = ChatText();
  EXPECT_EQ(send(80000099, 0, 0), 1);
  EXPECT_EQ(ChatText(), before);

  // The clear message of the match frame empties the chat.
  send(frame::child_msg::kMatchPanel, 0);
  EXPECT_EQ(ChatText(), "");
}

TEST_F(SidePanel, AClickOnAUserRowHasTheFrameHideTheCardShowingAndAskTheLobbyForTheUsers) {
  StartPanel();
  frame().ShowUserCard(*app_->FindPlayerRecord(1003));
  frame().PlaceCardAtPoint(1003, 300, 300);
  ASSERT_NE(frame().GetCard(), nullptr);
  ASSERT_TRUE(frame().GetCard()->IsVisible());
  ClickRow(1);
  EXPECT_EQ(panel().GetUserListBar()->GetList()->GetSelectedRow(), 1);
  EXPECT_FALSE(frame().GetCard()->IsVisible());
  EXPECT_EQ(CardAsks(1002), 1u);
}

TEST_F(SidePanel, OfflineAClickOnAUserRowShowsTheCardFromTheTablesOwnRecords) {
  StartOffline();
  ASSERT_TRUE(app_->ParseCommandLine(test::kTestCommandLine));
  const std::vector<uint8_t> bytes = table_.Serialize();
  ASSERT_TRUE(app_->TakeStartData(bytes.data(), bytes.size()));
  app_->RefreshUserList();
  ASSERT_EQ(panel().GetUserListBar()->GetList()->GetRowUserId(2), 1003u);
  ClickRow(2);
  ASSERT_NE(frame().GetCard(), nullptr);
  EXPECT_TRUE(frame().GetCard()->IsVisible());
  EXPECT_EQ(frame().GetCardUser(), 1003u);
  EXPECT_EQ(CardAsks(1003), 0u);
}

}  // namespace
