// The side panel as the client runs it: the game frame of tests/support/frame_fixture.h with the
// default skin, a stub table scene ("MainGame") and the real side panel ("SubSystem"), and a
// notification handler that hands the chat, relayed chat and amulet notifications to the panel as
// a game's handler would (201210 -> 80000058, 211200 -> 80000059, 211900 -> 80000061).
//
// The panel reads the application's mode and table options when it is made. A game whose frame
// is built before the lobby's start data reads what the command line says; a test that needs the
// room's options (silver rooms, the safe box) or match mode makes the panel after the start data
// (StartPanel with late = true).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frame/chat_box.h"
#include "frame/chat_display.h"
#include "frame/panel_messages.h"
#include "frame/sub_system.h"
#include "shell/enter_game_data.h"
#include "shell/lobby_link.h"
#include "shell/server_notify.h"
#include "tests/support/frame_fixture.h"

namespace test {

// The application's notification handler, with the names of the notifications the side panel
// hears of.
class PanelNotify : public shell::CCardServerNotify {
 public:
  static constexpr uint32_t kChat = shell::notify::kChat;
  static constexpr uint32_t kRelayedChat = shell::notify::kRelayedChat;
  static constexpr uint32_t kAmulet = shell::notify::kAmulet;
};

class SidePanelFrame : public TestGameFrame {
 public:
  SidePanelFrame(bool skin, std::vector<ChildMessage>* log) : TestGameFrame(skin, true, log), log_(log) {}
  void CreateChildren() override {
    table = new StubChild("MainGame", log_);
    SetMainGame(table);
    if (!late_panel) MakePanel();
  }
  void MakePanel() {
    side = new_panel ? new_panel() : new frame::SubSystem();
    SetSubSystem(side);
    LayoutChildren();
  }
  bool late_panel = false;
  // A game's own panel (null: the base panel).
  std::function<frame::SubSystem*()> new_panel;
  frame::SubSystem* side = nullptr;

 private:
  std::vector<ChildMessage>* log_;
};

class SidePanelApp : public FrameApp {
 public:
  engine::RectObject* NewGameFrameObject() override {
    side_frame = new SidePanelFrame(skin, &child_log);
    side_frame->late_panel = late_panel;
    side_frame->new_panel = new_panel;
    frame = side_frame;
    return side_frame;
  }
  // The chat filter hook: keeps what it is asked about; refuse makes it refuse.
  int FilterChat(const char* text) override {
    filtered.push_back(text != nullptr ? text : "");
    return refuse;
  }
  bool late_panel = false;
  std::function<frame::SubSystem*()> new_panel;
  SidePanelFrame* side_frame = nullptr;  // gone with the window
  std::vector<std::string> filtered;
  int refuse = 0;
};

class SidePanelFixture : public FrameFixture {
 protected:
  void SetUp() override {
    FrameFixture::SetUp();
    // One application at a time: the fixture's own goes before the panel's comes.
    app_.reset();
    app_ = std::make_unique<SidePanelApp>();
    app_->SetNotifyHandler(std::make_unique<PanelNotify>());
  }
  void TearDown() override {
    // Texts posted to the panel are handed over (and freed) before the window goes.
    if (app_ && app_->GetMainWnd() != nullptr && app_->GetMainWnd()->IsWindow()) Deliver();
    FrameFixture::TearDown();
  }
  // Opens the main window with the frame and the panel and seats the user at table_ (seat false:
  // no start data), which enters the table. late: the panel is made once the start data were
  // taken, before the table is entered.
  void StartPanel(const std::string& command_line = kTestCommandLine, bool seat = true, bool late = false) {
    SidePanelApp& app = App();
    app.skin = skin_;
    app.late_panel = late;
    ASSERT_TRUE(app.InitInstance(command_line));
    ASSERT_NE(app.side_frame, nullptr);
    music_ = RecordingMusicModule::Install(app.window->GetCore());
    // The start data come as the lobby sends them; the table is entered once they are taken.
    if (seat) {
      ASSERT_TRUE(shell::LobbyStandIn::DeliverStartData(*app.window, table_));
    }
    if (late) app.side_frame->MakePanel();
    ASSERT_NE(app.side_frame->side, nullptr);
    Frames(3);
  }
  SidePanelApp& App() { return *static_cast<SidePanelApp*>(app_.get()); }
  frame::SubSystem& panel() { return *App().side_frame->side; }
  // What the chat display holds, as text.
  std::string ChatText() {
    frame::ChatBox* chat = panel().GetChatBox();
    frame::ChatDisplay* display = chat != nullptr ? chat->GetDisplay() : nullptr;
    return display != nullptr ? display->GetPlainText(0, display->ItemCount()) : std::string();
  }
  // Posted system texts reach the chat in the object module's next turns.
  void Deliver() { Frames(3); }

  shell::EnterGameData table_ = MakeTable();
};

}  // namespace test
