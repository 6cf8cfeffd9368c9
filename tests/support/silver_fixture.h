// A scene for the input bar and the safe-box dialogs: the engine hosted in the headless window
// with the default skin's frame pictures, an application that records its message boxes and
// wait texts, and the scripted game server. The user is 1001 on chair 0 of the test table
// (tests/support/app_fixture.h), in a silver room where the safe box may be used, with the
// silver SeatWithSilver gives; the per-user file is "userdata\1001.ini" in the test's folder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/app_fixture.h"
#include "tests/support/fake_game_server.h"
#include "tests/support/hosted_engine.h"

namespace test {

class SilverApp : public TestApp {
 public:
  void ShowMessageBox(const char* text, const engine::ObjectMessage* ok, const engine::ObjectMessage* cancel,
                      int32_t buttons, int32_t style, const char* icon) override;
  void PostToCommThread(const char* text, int show) override;

  // In order: "wait <text>" and "done" for the wait text, "box <text>" for a message box.
  std::vector<std::string> events;
  std::vector<std::string> boxes;
  // The buttons, style and icon of the last message box.
  int32_t last_buttons = 0;
  int32_t last_style = 0;
  std::string last_icon;
};

class SilverFixture : public HostedEngine {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Seats the user with that much silver (again, to change it); command line as the app fixture's
  // unless given.
  void SeatWithSilver(int32_t silver, const std::string& command_line = kTestCommandLine);
  // Little-endian words of the seat head {1001, 77, 5, 0} followed by the given words.
  static std::vector<uint8_t> SeatHeadAnd(std::initializer_list<uint32_t> words);
  // Messages received by a named stand-in object.
  TestObject* AddNamedProbe(const char* name);
  // The last message box's text, or "" without one.
  std::string LastBox() const { return app_->boxes.empty() ? std::string() : app_->boxes.back(); }
  FakeGameServer& server() { return server_->server(); }

  std::unique_ptr<ScopedFakeServer> server_;
  std::unique_ptr<SilverApp> app_;
};

}  // namespace test
