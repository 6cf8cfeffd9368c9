// The side panel's bars under test, as the client runs them: the application with its main
// window on the headless backend, the scripted game server, a root object ("GameFrame") that
// opens the default skin, answers the avatar picture names and holds a "SubSystem" panel (a
// RectObject that keeps the texts the application posts it), a recording music module, and the
// start data of tests/support/app_fixture.h.
//
// Header only: it opens the skin the build drew beside the programs (ZP_BINARY_DIR "/app/"), a
// value each test program is given.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/game_core.h"
#include "engine/core/rect_object.h"
#include "platform/desktop.h"
#include "platform/win_messages.h"
#include "platform/window.h"
#include "shell/app_frame_view.h"
#include "shell/app_messages.h"
#include "shell/chat_text.h"
#include "shell/game_frame_wnd.h"
#include "shell/lobby_link.h"
#include "tests/support/app_fixture.h"
#include "tests/support/recording_music.h"

namespace test {

// The side panel as far as its bars need it: its rectangle, and the chat texts it is posted.
class PanelStandIn : public engine::RectObject {
 public:
  int OnMessage(const engine::ObjectMessage* message) override {
    if (message != nullptr &&
        (message->id == shell::app_msg::kSystemText || message->id == shell::app_msg::kNoticeText)) {
      texts.push_back(reinterpret_cast<const char*>(message->p1));
      shell::FreeHeapText(message->p1);
      return 1;
    }
    return RectObject::OnMessage(message);
  }
  std::vector<std::string> texts;
};

class PanelRoot : public engine::RectObject, public shell::AppFrameView {
 public:
  static constexpr engine::RECT kPanelRect{774, 25, 1020, 764};
  // Whether the next root opens the default skin.
  static inline bool open_skin = true;

  void OnAddedToScene() override {
    SetName("GameFrame");
    if (open_skin)
      for (const char* package : {"skin-frame.qzr", "skin-table.qzr", "skin-sound.qzr"}) {
        OpenResourcePackage((std::string(ZP_BINARY_DIR) + "/app/" + package).c_str());
      }
    panel = new PanelStandIn();
    AddToScene(panel);
    panel->SetName("SubSystem");
    panel->SetRect(&kPanelRect);
  }
  std::string GetAvatarImageName(int32_t character, int32_t size_type) override {
    if (character < 0 || character > 7) character = 0;
    char name[32];
    std::snprintf(name, sizeof name, "Character%dType%d", character, size_type == 1 || size_type == 2 ? size_type : 3);
    return name;
  }

  PanelStandIn* panel = nullptr;
};

class PanelApp : public TestApp {
 public:
  engine::RectObject* NewGameFrameObject() override { return root = new PanelRoot(); }
  PanelRoot* root = nullptr;  // gone with the window
};

class PanelFixture : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    ASSERT_TRUE(platform::InitWindowSystem(platform::WindowBackendKind::kHeadless));
    server_ = std::make_unique<ScopedFakeServer>(clock_.clock());
    app_ = std::make_unique<PanelApp>();
  }
  void TearDown() override {
    // Texts posted to the panel are handed over (and freed) before the window goes.
    if (app_ && app_->GetMainWnd() != nullptr && app_->GetMainWnd()->IsWindow()) Deliver();
    app_.reset();
    server_.reset();
    platform::ShutdownWindowSystem();
    EngineFixture::TearDown();
  }
  // Starts the client with the command line and takes the start data table_ (seat false: an
  // empty table).
  void Start(const std::string& command_line = kTestCommandLine, bool seat = true) {
    ASSERT_TRUE(app_->InitInstance(command_line));
    ASSERT_NE(app_->root, nullptr);
    music_ = RecordingMusicModule::Install(Core());
    if (seat) {
      const std::vector<uint8_t> bytes = table_.Serialize();
      ASSERT_TRUE(app_->TakeStartData(bytes.data(), bytes.size()));
    }
    Frames(3);
  }
  engine::GameCore* Core() { return app_->GetMainWnd()->GetCore(); }
  PanelRoot& root() { return *app_->root; }
  PanelStandIn& panel() { return *app_->root->panel; }
  shell::LobbyStandIn& lobby() { return *static_cast<shell::LobbyStandIn*>(app_->GetLobby()); }
  void Frames(int count) {
    for (int i = 0; i < count; ++i) {
      clock_->Advance(5);
      platform::PumpMessages();
    }
  }
  void Deliver() { Frames(3); }
  void Mouse(uint32_t message, int x, int y, uint32_t flags = 0) {
    app_->GetMainWnd()->PostMessage(message, flags, platform::MakePointLParam(x, y));
    platform::PumpMessages();
    Deliver();
  }
  void MoveTo(int x, int y) { Mouse(platform::WM_MOUSEMOVE, x, y); }
  void Click(int x, int y) {
    MoveTo(x, y);
    Mouse(platform::WM_LBUTTONDOWN, x, y, platform::MK_LBUTTON);
    Mouse(platform::WM_LBUTTONUP, x, y);
  }
  void RightClick(int x, int y) {
    MoveTo(x, y);
    Mouse(platform::WM_RBUTTONDOWN, x, y, platform::MK_RBUTTON);
    Mouse(platform::WM_RBUTTONUP, x, y);
  }
  // The wheel at a client point (a wheel message carries screen coordinates).
  void Wheel(int x, int y, int delta) {
    platform::POINT p{x, y};
    app_->GetMainWnd()->ClientToScreen(&p);
    app_->GetMainWnd()->PostMessage(platform::WM_MOUSEWHEEL, static_cast<uintptr_t>(static_cast<uint16_t>(delta)) << 16,
                                    platform::MakePointLParam(p.x, p.y));
    platform::PumpMessages();
    Deliver();
  }
  uint32_t Pixel(int x, int y) const {
    return app_->GetMainWnd()->PresentedFrame()[static_cast<size_t>(x) + static_cast<size_t>(y) * 1024] & 0xFFFFFF;
  }

  std::unique_ptr<ScopedFakeServer> server_;
  std::unique_ptr<PanelApp> app_;
  RecordingMusicModule* music_ = nullptr;
  shell::EnterGameData table_ = MakeTable();
};

}  // namespace test
