// ctest-labels: shell tsan
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/canvas_object.h"
#include "engine/core/rect_object.h"
#include "engine/media/paint_module.h"
#include "engine/ui/message_box_widget.h"
#include "net/request_ids.h"
#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/jpeg_file.h"
#include "platform/picture_decoder.h"
#include "platform/window.h"
#include "shell/app_frame_view.h"
#include "shell/app_messages.h"
#include "shell/chat_text.h"
#include "shell/desktop_hooks.h"
#include "shell/game_frame_wnd.h"
#include "shell/lobby_link.h"
#include "shell/notice_fetcher.h"
#include "shell/screenshot.h"
#include "shell/table_notify_target.h"
#include "tests/support/app_fixture.h"
#include "tests/support/colour_match.h"
#include "tests/support/engine_doubles.h"

namespace {

constexpr engine::COLORREF kCloth = platform::RGB(0x20, 0x60, 0xA0);

// A panel child that keeps the texts it is handed and frees them, as the side panel does.
class TextSink : public test::TestObject {
 public:
  int OnMessage(const engine::ObjectMessage* message) override {
    if (message && (message->id == shell::app_msg::kSystemText || message->id == shell::app_msg::kNoticeText)) {
      texts.push_back(std::to_string(message->id) + " " + reinterpret_cast<const char*>(message->p1));
      shell::FreeHeapText(message->p1);
      return 1;
    }
    return TestObject::OnMessage(message);
  }
  std::vector<std::string> texts;
};

class TableView : public test::TestObject, public shell::TableNotifyTarget {
 public:
  void ClearReadyMarks() override { ++cleared; }
  int cleared = 0;
};

// What the frame was asked; kept outside it, since the frame goes with its window.
struct FrameRecord {
  int entered = 0;
  int exit_rules = 0;
  std::vector<std::string> boxes;
};

// The game frame as far as the shell sees it: a root that fills the window with one colour,
// owns "MainGame", "SubSystem" and "UserListBar", and records what the application asks of it.
class TestFrame : public engine::RectObject, public shell::AppFrameView {
 public:
  explicit TestFrame(FrameRecord* record) : rec(record) {}
  void OnAddedToScene() override {
    SetName("GameFrame");
    panel = new TextSink();
    AddToScene(panel);
    panel->SetName("SubSystem");
    table = new TableView();
    AddToScene(table);
    table->SetName("MainGame");
    users = new test::TestObject();
    AddToScene(users);
    users->SetName("UserListBar");
  }
  void OnRectChanged() override {
    if (engine::PaintModule* paint = GetPaintModule()) paint->FillBase(kCloth);
  }
  void OnEnterGame() override { ++rec->entered; }
  void ShowMessageBox(const char* text, const engine::ObjectMessage*, const engine::ObjectMessage*, int32_t buttons,
                      int32_t style, const char* icon) override {
    rec->boxes.push_back(std::string(text) + "|" + std::to_string(buttons) + "|" + std::to_string(style) + "|" + icon);
  }
  void ShowExitBox(const char* text, int32_t, int32_t, const char*) override { rec->boxes.push_back(text); }
  void ExitRules() override { ++rec->exit_rules; }

  TextSink* panel = nullptr;
  TableView* table = nullptr;
  test::TestObject* users = nullptr;
  FrameRecord* rec;
};

class CountingWindow : public shell::CGameFrameWnd {
 public:
  int destroyed = 0;

 protected:
  void OnDestroy() override {
    ++destroyed;
    CGameFrameWnd::OnDestroy();
  }
};

class WindowApp : public test::TestApp {
 public:
  engine::RectObject* NewGameFrameObject() override { return frame = new TestFrame(&record); }
  shell::CGameFrameWnd* NewFrameWindow() override { return window = new CountingWindow(); }
  FrameRecord record;
  TestFrame* frame = nullptr;  // gone with the window
  CountingWindow* window = nullptr;
};

class CannedNotice : public shell::NoticeFetcher {
 public:
  bool Fetch(const std::string& address, std::string* text) override {
    asked = address;
    *text = notice;
    return true;
  }
  std::string asked;
  std::string notice;
};

class MainWindow : public test::EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    ASSERT_TRUE(platform::InitWindowSystem(platform::WindowBackendKind::kHeadless));
    server_ = std::make_unique<test::ScopedFakeServer>(clock_.clock());
    app_ = std::make_unique<WindowApp>();
    ASSERT_TRUE(app_->InitInstance(test::kTestCommandLine));
    ASSERT_NE(app_->window, nullptr);
    Frames(3);
  }
  void TearDown() override {
    app_.reset();
    server_.reset();
    platform::ShutdownWindowSystem();
    EngineFixture::TearDown();
  }
  void Frames(int count) {
    for (int i = 0; i < count; ++i) {
      clock_->Advance(5);
      platform::PumpMessages();
    }
  }
  shell::LobbyStandIn& lobby() { return *static_cast<shell::LobbyStandIn*>(app_->GetLobby()); }
  TestFrame& frame() { return *app_->frame; }
  FrameRecord& record() { return app_->record; }

  std::unique_ptr<test::ScopedFakeServer> server_;
  std::unique_ptr<WindowApp> app_;
};

TEST_F(MainWindow, StartingTellsTheLobbyWhichWindowIsUp) {
  ASSERT_EQ(lobby().Posts().size(), 1u);
  EXPECT_EQ(lobby().Posts()[0].message, shell::lobby_msg::kClientStarted);
  EXPECT_EQ(lobby().Posts()[0].wparam, reinterpret_cast<uintptr_t>(app_->window));
  EXPECT_EQ(lobby().Posts()[0].lparam, 1001);
  EXPECT_EQ(app_->GetGameFrame(), &frame());
  EXPECT_EQ(app_->GetMainGame(), frame().table);
  app_->ExitInstance();
  EXPECT_EQ(lobby().Posts().back().message, shell::lobby_msg::kClientEnded);
}

TEST_F(MainWindow, AMissingCommandLineEndsTheStartWithAMessageBox) {
  WindowApp other;
  EXPECT_FALSE(other.InitInstance("zipai.rep"));
  ASSERT_EQ(message_boxes_.size(), 1u);
  EXPECT_EQ(message_boxes_[0], "请从游戏大厅进入游戏。");
  EXPECT_EQ(other.window, nullptr);
}

TEST_F(MainWindow, WmCloseAppliesTheExitRulesAndAConfirmedCloseDestroysTheWindowOnce) {
  app_->window->PostMessage(platform::WM_CLOSE, 0, 0);
  Frames(1);
  EXPECT_EQ(record().exit_rules, 1);
  EXPECT_TRUE(app_->window->IsWindow());
  EXPECT_EQ(app_->window->destroyed, 0);

  // The leave went through: the frame confirms, twice even, and the window closes once.
  app_->ConfirmClose();
  app_->ConfirmClose();
  EXPECT_TRUE(app_->window->IsCloseConfirmed());
  Frames(2);
  EXPECT_FALSE(app_->window->IsWindow());
  EXPECT_EQ(app_->window->destroyed, 1);
  EXPECT_EQ(record().exit_rules, 1);
  EXPECT_FALSE(app_->window->PostMessage(platform::WM_CLOSE, 0, 0));
  EXPECT_EQ(app_->GetGameFrame(), nullptr);
}

TEST_F(MainWindow, WithoutAGameServerToLeaveWmCloseClosesAtOnce) {
  server_.reset();
  app_->window->PostMessage(platform::WM_CLOSE, 0, 0);
  Frames(1);
  EXPECT_EQ(record().exit_rules, 0);
  EXPECT_FALSE(app_->window->IsWindow());
  EXPECT_EQ(app_->window->destroyed, 1);
}

TEST_F(MainWindow, StartDataAsRecordOneEnterTheGame) {
  EXPECT_TRUE(shell::LobbyStandIn::DeliverStartData(*app_->window, test::MakeTable()));
  EXPECT_TRUE(app_->HasStartData());
  EXPECT_EQ(record().entered, 0);  // it comes by the window's own message
  Frames(1);
  EXPECT_EQ(record().entered, 1);
  EXPECT_EQ(app_->GetPlayerCount(), 3);
  const shell::LobbyRecord& answer = lobby().Records().back();
  EXPECT_EQ(answer.code, shell::lobby_record::kStartDataTaken);
  EXPECT_EQ(answer.data, test::Words({1}));
}

TEST_F(MainWindow, RefusedStartDataShowTheReasonInTheWaitBoxAndCloseTwoSecondsLater) {
  std::vector<uint8_t> bytes = test::MakeTable().Serialize();
  bytes.pop_back();
  const uint64_t presented = app_->window->PresentCount();
  EXPECT_FALSE(shell::LobbyStandIn::DeliverRecord(*app_->window, shell::lobby_record::kStartData, bytes));
  EXPECT_TRUE(app_->IsWaitTextShown());
  EXPECT_EQ(app_->GetWaitText(), "进入游戏桌失败，请重新进入。");
  // The box is on screen at once, before any frame of the timer: the message box's fill
  // (0x008000) shows inside its border.
  auto* box = dynamic_cast<engine::MessageBoxWidget*>(app_->GetWaitBox());
  ASSERT_TRUE(box != nullptr && box->GetBody() != nullptr);
  EXPECT_GT(app_->window->PresentCount(), presented);
  const auto at = static_cast<size_t>(box->GetBody()->GetTop() + 5) * 1024 + box->GetBody()->GetLeft() + 5;
  EXPECT_TRUE(test::Near(app_->window->PresentedFrame()[at] & 0xFFFFFFu, 0x008000u));
  Frames(399);  // 1995 ms
  EXPECT_TRUE(app_->window->IsWindow());
  EXPECT_EQ(app_->GetWaitBox(), box);
  Frames(2);
  EXPECT_FALSE(app_->window->IsWindow());
  EXPECT_EQ(app_->window->destroyed, 1);
  EXPECT_EQ(record().exit_rules, 0);
  EXPECT_FALSE(app_->IsWaitTextShown());
}

TEST_F(MainWindow, SystemTextReachesTheSidePanelAsAHeapCopyTheNextFrame) {
  {
    std::string line = " <c=255>hello\r\n";
    app_->AppendSystemText(line.c_str());
    line.assign(line.size(), 'x');  // the caller's text may change at once
  }
  EXPECT_TRUE(frame().panel->texts.empty());
  Frames(3);
  EXPECT_EQ(frame().panel->texts, (std::vector<std::string>{"80000057  <c=255>hello\r\n"}));
}

TEST_F(MainWindow, TheNoticeTextGoesToTheSidePanel) {
  auto fetcher = std::make_unique<CannedNotice>();
  CannedNotice* notice = fetcher.get();
  notice->notice = "<notify>今晚有比赛";
  app_->SetNoticeFetcher(std::move(fetcher));
  app_->window->StartNotifyFetch();
  Frames(3);
  EXPECT_EQ(notice->asked, "http://localhost/notify/game/9.txt");
  EXPECT_EQ(frame().panel->texts, (std::vector<std::string>{"80000064 <notify>今晚有比赛"}));
}

TEST_F(MainWindow, TheClientsOwnFetcherReportsNothing) {
  app_->window->StartNotifyFetch();
  Frames(3);
  EXPECT_TRUE(frame().panel->texts.empty());
}

TEST_F(MainWindow, TheUserListAndTheTableViewAreReachedByName) {
  app_->RefreshUserList();
  app_->ClearLookOnPermissions();
  ASSERT_EQ(frame().users->received.size(), 2u);
  EXPECT_EQ(frame().users->received[0].id, shell::app_msg::kRefreshUserList);
  EXPECT_EQ(frame().users->received[1].id, shell::app_msg::kClearLookOn);
  // The notification layer finds "MainGame" as the table view.
  server_->server().Push(211300, {});
  EXPECT_EQ(frame().table->cleared, 1);
}

TEST_F(MainWindow, MessageBoxesAndWelfarePromptsGoToTheGameFrame) {
  app_->ShowMessageBox("保险箱打开失败。", nullptr, nullptr, 10, 48, "qzf打牌");
  app_->OnWelfareConfig(1020, "refused", 1, nullptr);
  app_->OnWelfareClaim(0, "", 1, 2, 3000);
  app_->OnWelfareClaim(1020, "refused", 1, 2, 0);
  app_->ShowExitBox("由于您长时间没有开始游戏，系统请您离开游戏", 10, 0x30, "qzf抱歉");
  EXPECT_EQ(record().boxes, (std::vector<std::string>{
                                "保险箱打开失败。|10|48|qzf打牌",
                                "获取低保活动配置失败!|10|48|qzf打牌",
                                "已赠送银子3000两到zipai中!|10|48|qzf打牌",
                                "领取银子失败!|10|48|qzf打牌",
                                "由于您长时间没有开始游戏，系统请您离开游戏",
                            }));
  EXPECT_EQ(app_->sounds, (std::vector<std::string>{"Snd_msg"}));
}

TEST_F(MainWindow, TheLobbyHearsTextsStatesAndUserQueries) {
  EXPECT_TRUE(app_->SendLobbyText("http://localhost/shop/?clothesid=3", 1));
  EXPECT_TRUE(app_->SendLobbyState(app_->window));
  EXPECT_TRUE(app_->RequestUserDetails(1003));
  const auto& records = lobby().Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].code, shell::lobby_record::kText);
  EXPECT_EQ(std::string(records[0].data.begin() + 4, records[0].data.end()),
            std::string("http://localhost/shop/?clothesid=3") + '\0');
  EXPECT_EQ(records[0].data[0], 1);
  EXPECT_EQ(records[1].code, shell::lobby_record::kWindowState);
  EXPECT_EQ(records[1].data.size(), 12u);
  EXPECT_EQ(records[1].data[8], 1);  // shown
  EXPECT_EQ(lobby().Posts().back().message, shell::lobby_msg::kUserDetails);
  EXPECT_EQ(lobby().Posts().back().lparam, 1003);
  // Offline there is no lobby to tell.
  app_->SetOfflineMode(true);
  EXPECT_FALSE(app_->SendLobbyText("x", 1));
}

TEST_F(MainWindow, FlashingAndOpeningAddressesReachTheDesktopOnlyForWebAddresses) {
  platform::HeadlessDesktop& desktop = platform::GetHeadlessDesktop();
  const int flashes = desktop.flashes;
  desktop.opened.clear();
  shell::FlashIfNotForeground();
  EXPECT_TRUE(app_->OpenUrlInThread("https://localhost/award/?act=dj", 0));
  EXPECT_FALSE(app_->OpenUrlInThread("file:///etc/passwd", 0));
  EXPECT_FALSE(app_->OpenUrlInThread("http://user@host/", 0));
  EXPECT_FALSE(app_->OpenUrlInThread("http://", 0));
  EXPECT_FALSE(app_->OpenUrlInThread("javascript:alert(1)", 0));
  EXPECT_EQ(desktop.flashes, flashes + 1);
  EXPECT_EQ(desktop.opened, (std::vector<std::string>{"https://localhost/award/?act=dj"}));
}

TEST_F(MainWindow, TheScreenshotIsTheEnginesFrameAsAJpegFile) {
  const std::string path = (dir_ / "shot.jpg").string();
  ASSERT_TRUE(shell::SaveDesktopScreenshot(path.c_str(), 90));
  platform::DecodedPicture picture;
  std::string error;
  ASSERT_TRUE(platform::DecodePictureFile(path, &picture, &error)) << error;
  ASSERT_EQ(picture.width, shell::CGameAppBase::kClientWidth);
  ASSERT_EQ(picture.height, shell::CGameAppBase::kClientHeight);
  ASSERT_EQ(picture.bytes_per_pixel, 4);
  const uint8_t* p = picture.frames[0].pixels.data() + (300 * picture.width + 500) * 4;
  // Blue, green, red within what JPEG keeps of a flat colour.
  EXPECT_NEAR(p[0], 0xA0, 4);
  EXPECT_NEAR(p[1], 0x60, 4);
  EXPECT_NEAR(p[2], 0x20, 4);
  // Nothing else is left beside it.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_)) files += entry.path().extension() == ".jpg";
  EXPECT_EQ(files, 1);
}

TEST_F(MainWindow, AScreenshotThatCannotBeWrittenIsAFailureAndLeavesNoFile) {
  const std::string path = (dir_ / "missing" / "shot.jpg").string();
  EXPECT_FALSE(shell::SaveDesktopScreenshot(path.c_str(), 90));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing"));
  EXPECT_FALSE(shell::SaveDesktopScreenshot(nullptr, 90));
  // A screenshot of nothing is refused too.
  EXPECT_EQ(platform::SaveNewJpeg({(dir_ / "empty.jpg").string()}, nullptr, 0, 0, 0, 90, nullptr), -1);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "empty.jpg"));
}

TEST(JpegFile, AnEncodedPictureDecodesBackToItsColours) {
  std::vector<uint32_t> pixels(64 * 32);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) pixels[static_cast<size_t>(y) * 64 + x] = x < 32 ? 0xFFFF0000 : 0xFF00FF00;
  }
  std::vector<uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(platform::EncodeJpeg(pixels.data(), 64, 32, 64, 150, &bytes, &error)) << error;  // quality clamped
  platform::DecodedPicture picture;
  ASSERT_TRUE(platform::DecodePictureBytes(bytes.data(), bytes.size(), &picture, &error)) << error;
  ASSERT_EQ(picture.width, 64);
  ASSERT_EQ(picture.height, 32);
  const uint8_t* left = picture.frames[0].pixels.data() + (16 * 64 + 8) * 4;
  const uint8_t* right = picture.frames[0].pixels.data() + (16 * 64 + 56) * 4;
  EXPECT_GT(left[2], 240);  // red
  EXPECT_LT(left[1], 16);
  EXPECT_GT(right[1], 240);  // green
  EXPECT_LT(right[2], 16);
}

}  // namespace
