// ctest-labels: panel tsan
// The side panel's lines: the own chat line through the input bar to the scripted server (the
// flood gap, the byte limit on character boundaries, refused and unanswered lines kept), other
// players' and relayed chat from notifications (their tags shown as characters, their emoticons
// live), names drawn without control characters and within their columns, enter and leave lines
// with names made inert, table, safe-box and amulet notices, the screenshot and the complaint page.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/canvas_object.h"
#include "engine/core/engine_log.h"
#include "engine/ui/edit_box.h"
#include "engine/ui/image_button.h"
#include "engine/ui/menu_list.h"
#include "frame/advert_bar.h"
#include "frame/emoticon_picker.h"
#include "frame/input_bar.h"
#include "frame/player_list_ctrl.h"
#include "frame/user_list_bar.h"
#include "net/answer_codes.h"
#include "net/request_ids.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/win_messages.h"
#include "shell/game_handler.h"
#include "shell/lobby_link.h"
#include "tests/support/side_panel_fixture.h"

namespace {

using frame::SubSystem;
using shell::PlayerRecord;
using test::PanelNotify;
using test::Words;
namespace notify = shell::notify;

constexpr uint32_t kChat = net::request::kChat;
// The text of a chat request: after the seat head and the 50-byte machine id.
constexpr size_t kChatTextAt = 16 + 50;
// User 1003 (张三, no member mark) on chair 2.
constexpr const char* kPlainUser = "9|zipai|127.0.0.1|0|4242|1003|5|2|0x1000000";

// Bodies as the server sends them.
std::vector<uint8_t> ChatBody(uint32_t sender, const std::string& text) {
  std::vector<uint8_t> body = Words({sender});
  body.resize(48, 0);
  body.insert(body.end(), text.begin(), text.end());
  body.push_back(0);
  return body;
}
std::vector<uint8_t> RelayedBody(uint32_t sender, uint32_t kind, const std::string& text) {
  std::vector<uint8_t> body = Words({sender, 0, kind});
  body.resize(36, 0);
  body.insert(body.end(), text.begin(), text.end());
  body.push_back(0);
  return body;
}

class PanelLines : public test::SidePanelFixture {
 protected:
  frame::InputBar& bar() { return *panel().GetInputBar(); }
  std::string Typed() { return bar().GetEdit()->GetText(); }
  // Types a line into the input bar and presses the send button.
  void Say(const std::string& text) {
    bar().ClearText();
    bar().InsertText(text.c_str());
    bar().SubmitText();
  }
  std::vector<std::string> Sent() {
    std::vector<std::string> lines;
    for (const auto& r : server().Requests()) {
      if (r.request_id == kChat && r.body.size() > kChatTextAt) {
        lines.emplace_back(reinterpret_cast<const char*>(r.body.data() + kChatTextAt));
      }
    }
    return lines;
  }
  void Push(uint32_t id, const std::vector<uint8_t>& body) {
    server().Push(id, body);
    Deliver();
  }
  // The system texts written since the last call.
  std::vector<std::string> NewTexts() {
    std::vector<std::string> out(app_->system_texts.begin() + static_cast<long>(seen_), app_->system_texts.end());
    seen_ = app_->system_texts.size();
    return out;
  }
  size_t seen_ = 0;
  // The chat display's lines as they are laid out, each without its line end.
  std::vector<std::string> ChatLines() {
    const frame::ChatDisplay& display = *panel().GetChatBox()->GetDisplay();
    std::vector<std::string> lines;
    for (size_t l = 0; l < display.LineCount(); ++l) {
      std::string text = display.GetPlainText(display.LineAt(l).first, display.LineAt(l).end);
      while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
      lines.push_back(text);
    }
    return lines;
  }
  void Click(int x, int y) {
    Mouse(platform::WM_MOUSEMOVE, x, y);
    Mouse(platform::WM_LBUTTONDOWN, x, y, platform::MK_LBUTTON);
    Mouse(platform::WM_LBUTTONUP, x, y);
  }
  // A click on the middle of the chat's last link.
  void ClickLastLink() {
    const frame::ChatDisplay& display = *panel().GetChatBox()->GetDisplay();
    size_t i = display.ItemCount();
    while (i > 0 && display.ItemAt(i - 1).link == 0) --i;
    ASSERT_GT(i, 0u) << ChatText();
    const engine::RichTextItem& item = display.ItemAt(i - 1);
    const engine::CanvasObject* canvas = display.GetCanvas();
    Click(
        static_cast<int>(canvas->GetLeft()) + display.GetTextLeft() + item.x + item.width / 2,
        static_cast<int>(canvas->GetTop()) + display.GetTextTop() + item.y + item.height / 2 - display.GetScrollPos());
    // The link's message to the view comes a turn later.
    Deliver();
  }
};

TEST_F(PanelLines, AnAcceptedLineGoesOutAndOnlyThenLeavesTheInputLine) {
  StartPanel();
  Say("大家好");
  EXPECT_EQ(Sent(), (std::vector<std::string>{"大家好"}));
  EXPECT_EQ(Typed(), "");
  // Outside offline mode it shows when the server relays it back.
  EXPECT_EQ(ChatText().find("大家好"), std::string::npos);
  Push(PanelNotify::kRelayedChat, RelayedBody(1001, 8, "大家好"));
  EXPECT_NE(ChatText().find("我说: 大家好"), std::string::npos);
}

TEST_F(PanelLines, ARefusedOrUnansweredLineStaysInTheInputLineAndTheChatSaysItWasNotSent) {
  StartPanel();
  Deliver();
  NewTexts();
  server().Answer(kChat, net::answer::kRefused);
  Say("hello");
  EXPECT_EQ(Sent(), (std::vector<std::string>{"hello"}));
  EXPECT_EQ(Typed(), "hello");
  Deliver();
  std::vector<std::string> texts = NewTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find("聊天信息没有发出"), std::string::npos);
  EXPECT_NE(ChatText().find("聊天信息没有发出"), std::string::npos);

  server().StaySilent(kChat);
  clock_->Advance(2000);
  bar().SubmitText();
  EXPECT_EQ(Typed(), "hello");
  Deliver();
  texts = NewTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find(net::AnswerText(net::answer::kTimedOut)), std::string::npos);

  // Sent again once the server answers.
  server().Answer(kChat, 0);
  clock_->Advance(2000);
  bar().SubmitText();
  EXPECT_EQ(Typed(), "");
  EXPECT_EQ(Sent().size(), 3u);
}

TEST_F(PanelLines, ALineWithinTwoSecondsOfTheLastIsDroppedAndKeptInTheInputLine) {
  StartPanel();
  Say("one");
  clock_->Advance(1999);
  Say("two");
  EXPECT_EQ(Sent(), (std::vector<std::string>{"one"}));
  EXPECT_EQ(Typed(), "two");
  clock_->Advance(1);
  bar().SubmitText();
  EXPECT_EQ(Sent(), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(Typed(), "");
}

TEST_F(PanelLines, UsersWithoutTheFloodLimitSendAtOnce) {
  // bob, flag 0x1000.
  StartPanel("9|zipai|127.0.0.1|0|4242|1002|5|1|0x1000000");
  Say("a");
  Say("b");
  Say("c");
  EXPECT_EQ(Sent(), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(PanelLines, OfflineTheLineShowsAtOnceWithoutARequestOrAGap) {
  StartOffline();
  Say("自言自语");
  Say("again");
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(Typed(), "");
  const std::string chat = ChatText();
  EXPECT_NE(chat.find("我说: 自言自语"), std::string::npos);
  EXPECT_NE(chat.find("我说: again"), std::string::npos);
}

TEST_F(PanelLines, TheLineIsCutToSixtyBytesOnACharacterBoundaryAndToTwoHundredFiftyForMembers) {
  StartPanel(kPlainUser);
  Say(std::string(59, 'a') + "好b");
  ASSERT_EQ(App().filtered.size(), 1u);
  EXPECT_EQ(App().filtered[0], std::string(59, 'a'));
  clock_->Advance(2000);
  Say(std::string(58, 'a') + "好b");
  EXPECT_EQ(App().filtered[1], std::string(58, 'a') + "好");
  TearDown();
  SetUp();
  // alice has the member mark.
  StartPanel();
  Say(std::string(300, 'm'));
  ASSERT_EQ(App().filtered.size(), 1u);
  EXPECT_EQ(App().filtered[0], std::string(250, 'm'));
}

TEST_F(PanelLines, TheInputLineTakesNoMoreThanTheUsersLineCarries) {
  StartPanel(kPlainUser);
  bar().InsertText(std::string(98, 'x').c_str());
  EXPECT_EQ(Typed(), std::string(60, 'x'));
  TearDown();
  SetUp();
  StartPanel();  // alice has the member mark
  bar().InsertText(std::string(300, 'm').c_str());
  EXPECT_EQ(Typed(), std::string(250, 'm'));
}

TEST_F(PanelLines, ALineTheFilterRefusesGoesNowhere) {
  StartPanel();
  App().refuse = 1;
  Say("bad words");
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(Typed(), "");
}

TEST_F(PanelLines, QuickPhrasesAndEmoticonsAreSentOrInserted) {
  StartPanel(kPlainUser);
  engine::MenuList* menu = bar().GetPhraseMenu();
  ASSERT_NE(menu, nullptr);
  bar().ToggleQuickPhrases();
  ASSERT_TRUE(menu->IsVisible());
  const std::string& phrase = bar().GetPhrases()[3];
  auto send = [&](uint32_t id, const char* text, uintptr_t p2) {
    const engine::ObjectMessage m = engine::MakeMessage(panel().GetKey(), id, reinterpret_cast<uintptr_t>(text), p2);
    panel().OnMessage(&m);
  };
  send(frame::InputBar::kMsgPhrasePicked, phrase.c_str(), reinterpret_cast<uintptr_t>(menu));
  EXPECT_EQ(Sent(), (std::vector<std::string>{"晕，打错牌啦!"}));
  EXPECT_FALSE(menu->IsVisible());

  // An emoticon picked while the input line has not the focus goes out at once...
  clock_->Advance(2000);
  ASSERT_EQ(bar().GetEditFlag(), 0u);
  send(frame::EmoticonPicker::kMsgPickEmoticon, "#haha", 0);
  EXPECT_EQ(Sent().back(), "#haha");
  // ...one picked with the right button goes into the input line.
  clock_->Advance(2000);
  send(frame::EmoticonPicker::kMsgInsertEmoticon, "#haha", 0);
  EXPECT_EQ(Sent().size(), 2u);
  EXPECT_NE(Typed(), "");
}

TEST_F(PanelLines, OtherPlayersChatShowsWithTheirNamesFromTheNotifications) {
  StartPanel();
  Deliver();
  Push(PanelNotify::kChat, ChatBody(1002, "该你了"));
  EXPECT_NE(ChatText().find("bob说: 该你了"), std::string::npos);
  // A body too short to hold the text shows nothing; one without a terminator ends at its end.
  const std::string before = ChatText();
  Push(PanelNotify::kChat, Words({1003, 0, 0}));
  EXPECT_EQ(ChatText(), before);
  std::vector<uint8_t> open = ChatBody(1003, "no end");
  open.pop_back();
  Push(PanelNotify::kChat, open);
  EXPECT_NE(ChatText().find("张三说: no end"), std::string::npos);
}

TEST_F(PanelLines, RelayedChatShowsOwnAndOthersLinesEachOnItsOwnLineAndNothingFromStrangers) {
  StartPanel();
  Deliver();
  panel().ClearChat();
  Push(PanelNotify::kRelayedChat, RelayedBody(1003, 8, "第一句"));
  Push(PanelNotify::kRelayedChat, RelayedBody(1003, 8, "CC\r\nC"));  // a line break of its own does not break it
  Push(PanelNotify::kRelayedChat, RelayedBody(1001, 8, "第二句"));
  Push(PanelNotify::kRelayedChat, RelayedBody(9999, 8, "陌生人"));
  Push(PanelNotify::kRelayedChat, RelayedBody(1003, 5, "别的"));
  // alice, the user, has the member mark.
  EXPECT_EQ(ChatLines(), (std::vector<std::string>{" 张三说: 第一句", " 张三说: CCC", " [图片]我说: 第二句"}));
  Push(PanelNotify::kRelayedChat, RelayedBody(0, 2, "原样的一行"));
  EXPECT_EQ(ChatLines().back(), "原样的一行");
}

// A lead byte without its trail byte, put before a tag in a name, neither takes the '<' into a
// character of its own nor keeps it from being escaped: the senders' names show as they are.
TEST_F(PanelLines, ALoneLeadByteInASendersNameOpensNoLinkAndChangesNoColour) {
  const std::string link_name = "\x81<url_text=http://e.co,WIN>";
  const std::string red_name = "\x81<c=255>";
  table_.players[2] = test::MakePlayer(1003, 2, link_name, "");
  table_.lookers[0] = test::MakePlayer(2001, 1, red_name, "", 0, true);
  StartPanel();
  Deliver();
  panel().ClearChat();
  Push(PanelNotify::kChat, ChatBody(1003, "hi"));
  Push(PanelNotify::kRelayedChat, RelayedBody(2001, 8, "yo"));
  const frame::ChatDisplay& display = *panel().GetChatBox()->GetDisplay();
  ASSERT_GT(display.ItemCount(), 0u);
  for (size_t i = 0; i < display.ItemCount(); ++i) {
    const engine::RichTextItem& item = display.ItemAt(i);
    EXPECT_EQ(item.link, 0u) << i;
    EXPECT_EQ(item.flags & (engine::rich_text::kItemLinkFirst | engine::rich_text::kItemLinkLast), 0u) << i;
    EXPECT_NE(display.StyleOf(item).colour, 0xFFu) << i;  // red
  }
  EXPECT_NE(ChatText().find("<url_text=http://e.co,WIN>说: hi"), std::string::npos) << ChatText();
  EXPECT_NE(ChatText().find("<c=255>说: yo"), std::string::npos) << ChatText();
}

// Players' lines are their characters: a tag in them is shown, never read, so nobody can put the
// system badge, a colour or a link (a web page, a local folder) into the chat; their emoticon
// codes stay live, and a line the server relays as it stands keeps its markup.
TEST_F(PanelLines, PlayersLinesShowTheirTagsAsCharactersAndOnlyTheirEmoticonsLive) {
  const std::string fake = "<z=qm系统通知><c=255>fake<url_text=http://e.co,WIN>";
  const std::string folder = "<url_text=/etc,FOLDER>";
  StartPanel();
  Deliver();
  panel().ClearChat();
  Push(PanelNotify::kChat, ChatBody(1003, fake + "#加油"));
  Push(PanelNotify::kRelayedChat, RelayedBody(2002, 8, folder));
  Push(PanelNotify::kRelayedChat, RelayedBody(1001, 8, "<c=255>mine"));
  const frame::ChatDisplay& display = *panel().GetChatBox()->GetDisplay();
  std::vector<std::string> objects;
  for (size_t i = 0; i < display.ItemCount(); ++i) {
    const engine::RichTextItem& item = display.ItemAt(i);
    EXPECT_EQ(item.link, 0u) << i;
    EXPECT_NE(display.StyleOf(item).colour, 0xFFu) << i;  // red
    if (item.kind == engine::RichTextItem::kObject) objects.push_back(display.GetPlainText(i, i + 1));
  }
  // The emoticon and alice's member mark; no badge.
  EXPECT_EQ(objects, (std::vector<std::string>{"#加油", "[图片]"}));
  const std::string chat = ChatText();
  EXPECT_NE(chat.find("张三说: " + fake + "#加油"), std::string::npos);
  EXPECT_NE(chat.find("fan说: " + folder), std::string::npos);
  EXPECT_NE(chat.find("我说: <c=255>mine"), std::string::npos);

  Push(PanelNotify::kRelayedChat, RelayedBody(0, 2, "<c=255>server<url_text=http://e.co,WIN>"));
  const engine::RichTextItem& last = display.ItemAt(display.ItemCount() - 1);
  EXPECT_NE(last.link, 0u);
  EXPECT_EQ(display.StyleOf(display.ItemAt(display.ItemCount() - 4)).colour, 0xFFu);
}

class PanelNames : public PanelLines {
 protected:
  // The user list's and the score table's pixels, from columns users_x and scores_x on, once
  // 张三 (chair 2) is called name.
  std::vector<uint32_t> DrawnWithName(const std::string& name, int32_t users_x = 0, int32_t scores_x = 0) {
    PlayerRecord record = *app_->FindPlayerRecord(1003);
    record.SetText(PlayerRecord::kName, PlayerRecord::kNameBytes, name);
    EXPECT_TRUE(app_->AddPerson(record));
    panel().GetUserListBar()->Refresh();
    panel().GetAdvertBar()->DrawScoreTable();
    std::vector<uint32_t> pixels;
    for (auto [canvas, from] : {std::pair{panel().GetUserListBar()->GetList()->GetCanvas(), users_x},
                                std::pair{panel().GetAdvertBar()->GetScoreCanvas(), scores_x}}) {
      for (int32_t y = 0; y < canvas->GetSurfaceHeight(); ++y) {
        for (int32_t x = from; x < canvas->GetSurfaceWidth(); ++x) pixels.push_back(canvas->GetPixel(x, y));
      }
    }
    return pixels;
  }
};

TEST_F(PanelNames, NamesAreDrawnWithoutTheirControlCharactersAndWithinTheirColumns) {
  StartPanel();
  Deliver();
  const std::vector<uint32_t> plain = DrawnWithName("系统通知: fake");
  EXPECT_TRUE(DrawnWithName("\r\n系统通知: \tfake\r\n") == plain);
  panel().ClearChat();
  Push(PanelNotify::kChat, ChatBody(1003, "hi\r\n张三说: 我认输"));
  EXPECT_EQ(ChatText(), " 系统通知: fake说: hi张三说: 我认输\n");

  // 31 bytes, its characters starting at odd bytes: the next column of the user list (138 wide)
  // and of the score table (110) stays as it was, and the name's start shows in whole characters.
  std::string name = "W";
  for (int i = 0; i < 15; ++i) name += "嘿";
  EXPECT_TRUE(DrawnWithName(name, 138, 110) == DrawnWithName("W", 138, 110));
  const std::vector<uint32_t> clipped = DrawnWithName(name);
  bool whole = false;
  for (size_t end = 1; end < name.size() && !whole; end += 2) whole = DrawnWithName(name.substr(0, end)) == clipped;
  EXPECT_TRUE(whole);
}

TEST_F(PanelLines, EnterAndLeaveLinesNameThePlayerWithTheMarkupMadeInert) {
  StartPanel();
  Deliver();
  NewTexts();
  PlayerRecord dan = test::MakePlayer(1004, 1, "<c=255>dan#", "x>");
  dan.SetWord(PlayerRecord::kTable, 5);
  frame().OnPlayerEnter(&dan);
  frame().OnPlayerLeave(&dan);
  PlayerRecord bob = *app_->FindPlayerRecord(1002);
  bob.SetWord(PlayerRecord::kTable, 5);
  frame().OnPlayerEnter(&bob);
  EXPECT_EQ(NewTexts(),
            (std::vector<std::string>{" <c=255>#<c=255#>dan##[x#>]进入第6桌 \r\n",
                                      " <c=255>#<c=255#>dan##[x#>]离开第6桌 \r\n", " <c=255>bob进入第6桌 \r\n"}));
  // The record handed over is the sender's: the panel leaves it as it was.
  EXPECT_EQ(dan.UserId(), 1004u);
}

TEST_F(PanelLines, AtARandomSeatingTableThePlayerSeesNoTableNumbers) {
  StartPanel("9|zipai|127.0.0.1|0|4242|1001|5|0|0x1000008");
  Deliver();
  NewTexts();
  const PlayerRecord bob = *app_->FindPlayerRecord(1002);
  frame().OnPlayerEnter(&bob);
  frame().OnPlayerLeave(&bob);
  frame().OnRandomTable();
  EXPECT_EQ(NewTexts(), (std::vector<std::string>{" <c=255>bob进入 \r\n", " <c=255>bob离开 \r\n",
                                                  " <c=255>随机分桌成功，游戏开始\r\n"}));
}

TEST_F(PanelLines, TableChangesTellTheNewTableAndClearTheScoreHistory) {
  StartPanel();
  const int32_t results[shell::kMaxChairs] = {10, -5, -5};
  app_->AddScoreHistory(results);
  ASSERT_EQ(app_->GetScoreHistory().game_count, 1);
  Deliver();
  NewTexts();
  frame().OnRandomTable();
  EXPECT_EQ(app_->GetScoreHistory().game_count, 0);
  app_->AddScoreHistory(results);
  frame().OnMovedTable();
  EXPECT_EQ(app_->GetScoreHistory().game_count, 0);
  EXPECT_EQ(NewTexts(),
            (std::vector<std::string>{" <c=255>您已经被随机分配到第6桌\r\n", " <c=255>您已经被换到第6桌\r\n"}));
}

TEST_F(PanelLines, LookersComeAndGoWithLinesUnlessTheyHaveFlag1000AndAlwaysLeaveTheLookOnList) {
  StartPanel();
  Deliver();
  NewTexts();
  const PlayerRecord fan = *app_->FindPlayerRecord(2002);
  const PlayerRecord quiet = test::MakePlayer(2003, 0, "quiet", "", 0x1000, true);
  frame().OnLookerEnter(&fan);
  frame().OnLookerEnter(&quiet);
  EXPECT_EQ(NewTexts(), (std::vector<std::string>{" <c=2906200>fan进入旁观 \r\n"}));
  // The user lets fan see its cards.
  frame::PlayerListCtrl* list = panel().GetUserListBar()->GetList();
  for (int row = 0; row < list->GetRowCount(); ++row) {
    if (list->GetRowUserId(row) == 2002) list->SelectRow(row);
  }
  const engine::ObjectMessage allow = engine::MakeMessage(list->GetKey(), frame::PlayerListCtrl::kToggleLookOn, 0, 0);
  list->OnMessage(&allow);
  ASSERT_TRUE(list->IsLookOnAllowed(2002));
  NewTexts();
  frame().OnLookerLeave(&quiet);
  frame().OnLookerLeave(&fan);
  EXPECT_EQ(NewTexts(), (std::vector<std::string>{" <c=2906200>fan退出旁观 \r\n"}));
  EXPECT_FALSE(list->IsLookOnAllowed(2002));
}

TEST_F(PanelLines, SafeBoxAllowanceAndBaseSilverNoticesComeThroughTheHandlerAndMalformedOnesAreRefused) {
  StartPanel();
  Deliver();
  NewTexts();
  auto event = [](uint32_t kind, int32_t a, int32_t b, int32_t base, uint32_t where) {
    return Words(
        {1002, 0, kind, static_cast<uint32_t>(a), static_cast<uint32_t>(b), static_cast<uint32_t>(base), where});
  };
  shell::GetTableStateHolder()->SetBaseSilver(100);
  Push(notify::kSafeBoxEvent, event(1, 500, 1500, 100, 0));
  Push(notify::kSafeBoxEvent, event(2, 300, 1200, 0, 0));
  Push(notify::kAllowance, event(3, 2000, 0, 200, 0));
  Push(notify::kAllowance, event(3, 2000, 0, 0, 1));
  Push(notify::kBaseSilver, event(0, 0, 0, 300, 0));
  Push(notify::kBaseSilver, event(0, 0, 0, 300, 0));  // the table holds it already
  EXPECT_EQ(NewTexts(),
            (std::vector<std::string>{
                " <z=qm系统通知> <c=255>bob<>从保险箱中取出<c=255>500<>两银子, 现有<c=255>1500<>两银子 \r\n",
                " <z=qm系统通知> <c=255>bob<>存入<c=255>300<>两银子到保险箱, 现有<c=255>1200<>两银子 \r\n",
                " <z=qm系统通知> <c=255>bob<>领取了低保到游戏，共<c=255>2000<>两银子 \r\n",
                " <z=qm系统通知> 当前基础银为<c=255>200<>两 \r\n",
                " <z=qm系统通知> <c=255>bob<>领取了低保到后备箱，共<c=255>2000<>两银子 \r\n",
                " <z=qm系统通知> 当前基础银为<c=255>300<>两 \r\n"}));
  EXPECT_EQ(shell::GetTableStateHolder()->GetBaseSilver(), 300);

  // Too short (its word at byte 8 read as a kind, never as a length), or of a kind the
  // notification does not carry: refused with a log line, nothing shown or kept.
  for (uint32_t id : {notify::kSafeBoxEvent, notify::kAllowance, notify::kBaseSilver}) {
    Push(id, Words({1002, 0, 0x7FFFFFFF, 5, 6, 400}));
    Push(id, event(id == notify::kAllowance ? 1 : 3, 2000, 0, 0, 0));
    const std::string refused = "notification " + std::to_string(id) + " (";
    EXPECT_NE(GameLog().find(refused + "24 bytes) refused: too short"), std::string::npos);
    EXPECT_NE(GameLog().find(refused + "28 bytes) refused: not an event of this kind"), std::string::npos);
  }
  EXPECT_TRUE(NewTexts().empty());
  EXPECT_EQ(shell::GetTableStateHolder()->GetBaseSilver(), 300);
}

TEST_F(PanelLines, TheAmuletNoticeNamesEachMemberWhoseAmuletGavePoints) {
  StartPanel();
  Deliver();
  auto amulet = [](uint32_t flags, std::vector<uint32_t> users, std::vector<uint32_t> points) {
    std::vector<uint8_t> body = Words({flags});
    users.resize(8, 0);
    points.resize(8, 0);
    for (uint32_t u : users) {
      const auto w = Words({u});
      body.insert(body.end(), w.begin(), w.end());
    }
    for (uint32_t p : points) {
      const auto w = Words({p});
      body.insert(body.end(), w.begin(), w.end());
    }
    return body;
  };
  // alice is a member, 张三 is not; an invalid record says nothing.
  Push(PanelNotify::kAmulet, amulet(0, {1001}, {30}));
  EXPECT_EQ(ChatText().find("会员积分护身符"), std::string::npos);
  Push(PanelNotify::kAmulet, amulet(1, {1001, 1002, 1003}, {30, 0, 40}));
  const std::string chat = ChatText();
  EXPECT_NE(chat.find("alice发动会员积分护身符技能，补回30分"), std::string::npos);
  EXPECT_EQ(chat.find("张三发动"), std::string::npos);
}

TEST_F(PanelLines, TheScreenshotIsWrittenBeforeTheChatLinksItsFolder) {
  EXPECT_EQ(SubSystem::ScreenshotName("vorl", 12345, 2026, 1, 5, 9, 7, 3), "vorl_12345_2026105_90703");
  EXPECT_EQ(SubSystem::ScreenshotName("../x", 1, 2026, 12, 31, 23, 59, 59), "___x_1_20261231_235959");
  // A lead byte without its trail byte would take the '_' after it into one character.
  EXPECT_EQ(SubSystem::ScreenshotName("\xC5\xDC\xBA", 1, 2026, 1, 1, 0, 0, 0), "\xC5\xDC__1_2026101_0");
  StartPanel();
  Deliver();
  NewTexts();
  clock_->SetLocalTime(platform::SystemTime{2026, 1, 5, 9, 7, 3, 0});
  panel().SaveScreenshot();
  const std::string folder = app_->GetExeDir() + "temp\\";
  const std::string file = folder + "zipai_1001_2026105_90703.jpg";
  EXPECT_GT(platform::FileSize(file), 0);
  EXPECT_EQ(NewTexts(), (std::vector<std::string>{" <z=qm系统通知><c=255> 游戏截图已保存到<url_text=" + folder +
                                                  ",临时目录><c=255>\r\n"}));
}

TEST_F(PanelLines, TheScreenshotLinesLinkOpensItsFolderAndMissingFoldersOrOtherAddressesOpenNothing) {
  StartPanel();
  Deliver();
  const std::vector<std::string>& opened = platform::GetHeadlessDesktop().opened;
  const size_t before = opened.size();
  const engine::ImageButton* shot = nullptr;
  for (int i = 0; i < frame::InputBar::kMaxChildren && shot == nullptr; ++i) {
    auto* button = dynamic_cast<engine::ImageButton*>(bar().GetChild(i));
    if (button != nullptr && button->GetMessage().id == frame::sub_msg::kSaveScreenshot) shot = button;
  }
  ASSERT_NE(shot, nullptr);
  Click(static_cast<int>(shot->GetX()), static_cast<int>(shot->GetY()));
  Deliver();
  ClickLastLink();
  ASSERT_EQ(opened.size(), before + 1) << GameLog();
  EXPECT_EQ(opened.back(), std::filesystem::canonical(dir_ / "temp").string());

  // A folder that is not there, in either spelling, and what is no web page open nothing.
  const std::vector<std::pair<std::string, std::string>> refused = {{app_->GetExeDir() + "missing\\", "no such folder"},
                                                                    {(dir_ / "missing").string(), "no such folder"},
                                                                    {"file:///etc", "not an http or https address"}};
  for (const auto& [target, why] : refused) {
    app_->AppendSystemText((" <url_text=" + target + ",x><>\r\n").c_str());
    Deliver();
    const size_t seen = GameLog().size();
    ClickLastLink();
    // The log shows a long target by its start: the temporary folder may be of any length.
    const std::string said = GameLog().substr(seen);
    EXPECT_NE(said.find("link target refused (" + why + "): " + target.substr(0, 100)), std::string::npos)
        << target << "\n" << said;
  }
  EXPECT_EQ(opened.size(), before + 1);
}

TEST_F(PanelLines, AScreenshotFolderThatCannotStandInALinkIsNamedAsText) {
  StartPanel();
  Deliver();
  // The program's folder has a ';', which would end the link's target.
  setenv("ZP_EXE_DIR", (dir_ / "a;b").string().append("/").c_str(), 1);
  platform::ResetExecutableDirectory();
  NewTexts();
  panel().SaveScreenshot();
  Deliver();
  const std::string folder = app_->GetExeDir() + "temp\\";
  ASSERT_NE(folder.find(';'), std::string::npos);
  EXPECT_GT(platform::FileSize(folder + "zipai_1001_20261206_90000.jpg"), 0);
  EXPECT_EQ(NewTexts(), (std::vector<std::string>{" <z=qm系统通知><c=255> 游戏截图已保存到" + folder + "<c=255>\r\n"}));
  EXPECT_NE(ChatText().find("游戏截图已保存到" + folder), std::string::npos) << ChatText();
}

TEST_F(PanelLines, TwoScreenshotsInTheSameSecondAreTwoFilesAndNeitherReplacesTheOther) {
  StartPanel();
  Deliver();
  clock_->SetLocalTime(platform::SystemTime{2026, 1, 5, 9, 7, 3, 0});
  const std::string stem = app_->GetExeDir() + "temp\\zipai_1001_2026105_90703";
  panel().SaveScreenshot();
  ASSERT_GT(platform::FileSize(stem + ".jpg"), 0);
  // Marked, so that a shot written over it would show.
  ASSERT_TRUE(platform::WriteFileAtomic(stem + ".jpg", "mine", 4));
  panel().SaveScreenshot();
  panel().SaveScreenshot();
  EXPECT_EQ(platform::FileSize(stem + ".jpg"), 4);
  EXPECT_GT(platform::FileSize(stem + "-2.jpg"), 0);
  EXPECT_GT(platform::FileSize(stem + "-3.jpg"), 0);
  EXPECT_EQ(GameLog().find("was not saved"), std::string::npos);
}

TEST_F(PanelLines, AScreenshotThatCouldNotBeWrittenIsReportedWithoutALink) {
  StartPanel();
  Deliver();
  NewTexts();
  // A file where the folder should be.
  const std::string blocker = app_->GetExeDir() + "temp";
  ASSERT_TRUE(platform::WriteFileAtomic(blocker, "x", 1));
  panel().SaveScreenshot();
  const std::vector<std::string> texts = NewTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find("游戏截图没有保存成功"), std::string::npos);
  EXPECT_EQ(texts[0].find("url_text"), std::string::npos);
}

TEST_F(PanelLines, TheComplaintButtonAsksTheLobbyToOpenTheComplaintPage) {
  StartPanel();
  auto& lobby = *static_cast<shell::LobbyStandIn*>(app_->GetLobby());
  lobby.Clear();
  const engine::ObjectMessage m = engine::MakeMessage(panel().GetKey(), frame::sub_msg::kOpenComplaintPage, 0, 0);
  panel().OnMessage(&m);
  ASSERT_EQ(lobby.Records().size(), 1u);
  const shell::LobbyRecord& r = lobby.Records().back();
  EXPECT_EQ(r.code, 11u);
  const std::vector<uint8_t> expected_code = Words({1});
  ASSERT_GT(r.data.size(), 4u);
  EXPECT_TRUE(std::equal(expected_code.begin(), expected_code.end(), r.data.begin()));
  EXPECT_STREQ(reinterpret_cast<const char*>(r.data.data() + 4), "http://localhost/advice.aspx?gameid=9");
}

}  // namespace
