// The game frame as the client runs it: the application's main window on the headless window
// backend, its root a test subclass of GameFrame that opens the default skin packages the build
// drew (ZP_BINARY_DIR "/app/skin-*.qzr", unless a test asks for none) and makes two stub children
// that keep what is handed to them. The scripted game server is installed and answers every
// request with success unless scripted otherwise; the work area is 1024 x 768 at the origin unless
// the test sets another before Start.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/system_msg_box.h"
#include "engine/core/rect_object.h"
#include "frame/game_frame.h"
#include "platform/win_types.h"
#include "shell/game_frame_wnd.h"
#include "tests/support/app_fixture.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/fake_game_server.h"
#include "tests/support/recording_music.h"

namespace test {

// One message a stub child was handed.
struct ChildMessage {
  std::string child;  // "MainGame" or "SubSystem"
  uint32_t id = 0;
  uintptr_t p1 = 0;
};

// A child of the frame that keeps its rectangle's layouts, its enter-game calls and the
// messages it receives (in one list shared by both children, so their order shows).
class StubChild : public engine::RectObject {
 public:
  StubChild(std::string name, std::vector<ChildMessage>* log) : name_(std::move(name)), log_(log) {}
  int OnMessage(const engine::ObjectMessage* message) override;
  void OnEnterGame() override { ++entered; }
  void OnRectChanged() override { ++layouts; }
  platform::RECT Rect() const {
    platform::RECT r{};
    GetRect(&r);
    return r;
  }
  int entered = 0;
  int layouts = 0;
  std::vector<std::string> texts;  // posted system and notice texts (the panel frees them)

 private:
  std::string name_;
  std::vector<ChildMessage>* log_;
};

// What the frame showed in message boxes: text | buttons | style | icon.
struct ShownBox {
  std::string text;
  int32_t buttons = 0;
  int32_t style = 0;
  std::string icon;
  engine::ObjectMessage ok{};
  engine::ObjectMessage cancel{};
};

class TestGameFrame : public frame::GameFrame {
 public:
  TestGameFrame(bool skin, bool children, std::vector<ChildMessage>* log)
      : skin_(skin), children_(children), log_(log) {}
  void LoadSkinPackages() override;
  void CreateChildren() override;
  void ShowMessageBox(const char* text, const engine::ObjectMessage* ok, const engine::ObjectMessage* cancel,
                      int32_t buttons, int32_t style, const char* icon) override;
  void SlideInBoard(engine::EngineObject* board) override {
    slid.push_back(board);
    GameFrame::SlideInBoard(board);
  }
  void ShowMatchEnd() override { queue_log.push_back("end"); }
  void ShowMatchResult(const uint8_t* record, size_t size) override {
    queue_log.push_back("result " + std::to_string(record != nullptr && size >= 4 ? record[0] : -1));
  }
  void SetMaximizedFlag(int32_t value) { maximized_ = value; }
  void SetRoundTimer(uint64_t id) { round_timer_ = id; }

  // Makes the table scene (null: a stub child, `table`).
  std::function<engine::RectObject*()> new_table;
  StubChild* table = nullptr;
  StubChild* panel = nullptr;
  std::vector<ShownBox> boxes;
  std::vector<engine::EngineObject*> slid;  // boards handed to SlideInBoard
  std::vector<std::string> queue_log;       // the match boards the queue delivered

 private:
  bool skin_;
  bool children_;
  std::vector<ChildMessage>* log_;
};

class FrameApp : public TestApp {
 public:
  engine::RectObject* NewGameFrameObject() override {
    frame = new TestGameFrame(skin, children, &child_log);
    frame->new_table = new_table;
    return frame;
  }
  shell::CGameFrameWnd* NewFrameWindow() override { return window = new shell::CGameFrameWnd(); }
  bool skin = true;
  bool children = true;
  std::function<engine::RectObject*()> new_table;  // the frame's table scene (null: a stub)
  std::vector<ChildMessage> child_log;
  TestGameFrame* frame = nullptr;  // gone with the window
  shell::CGameFrameWnd* window = nullptr;
};

class FrameFixture : public EngineFixture {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Opens the main window with the frame. With a command line the application starts as the
  // lobby would start it, and seat (when true) hands it the start data of app_fixture.h.
  void Start(const std::string& command_line = kTestCommandLine, bool seat = true);
  // The client without a lobby: offline, no start data.
  void StartOffline();
  // The frame's engine frames: the clock steps 5 ms and the loop runs, count times.
  void Frames(int count);
  void SetWorkArea(const platform::RECT& area);
  // Posts a mouse message at a client point and runs the frames that deliver what it causes.
  void Mouse(uint32_t message, int x, int y, uint32_t flags = 0);
  platform::RECT WindowRect() const;

  TestGameFrame& frame() { return *app_->frame; }
  shell::CGameFrameWnd& window() { return *app_->window; }
  FakeGameServer& server() { return server_->server(); }

  std::unique_ptr<ScopedFakeServer> server_;
  std::unique_ptr<FrameApp> app_;
  RecordingMusicModule* music_ = nullptr;  // the window's music module, from Start on
  bool skin_ = true;
  bool children_ = true;
};

}  // namespace test
