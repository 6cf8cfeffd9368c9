// The application shell under test: a test application (what a game's application would be,
// recording the chat lines and sounds it is asked for), the scripted game server installed on
// the manual clock, and start data for a table of three players and two lookers.
//
// The table: room record 77 ("银子场", location "湖南 跑胡子"), table record 5, room options 0x4.
//   chair 0: user 1001 "alice"   second name "A"   flags 0x1
//   chair 1: user 1002 "bob"                       flags 0x1000
//   chair 2: user 1003 "张三"     second name "三哥"
//   lookers: user 2001 "watcher" watching chair 1, user 2002 "fan" watching chair 0
// The user is 1001 on chair 0 (command line "9|zipai|127.0.0.1|0|4242|1001|5|0|0x1000000").
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "shell/enter_game_data.h"
#include "shell/game_app_base.h"
#include "shell/table_notify_target.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/fake_game_server.h"

namespace test {

class TestApp : public shell::CGameAppBase {
 public:
  void AppendSystemText(const char* text) override {
    system_texts.push_back(text ? text : "");
    CGameAppBase::AppendSystemText(text);
  }
  void PlaySound(const char* name) override {
    sounds.push_back(name ? name : "");
    CGameAppBase::PlaySound(name);
  }
  std::string GetMachineId() override { return machine_id; }
  shell::TableNotifyTarget* GetMainGame() override { return main_game ? main_game : CGameAppBase::GetMainGame(); }

  std::vector<std::string> system_texts;
  std::vector<std::string> sounds;
  std::string machine_id = "machine-7";
  // The table view the notifications go to (null: "MainGame" of the scene).
  shell::TableNotifyTarget* main_game = nullptr;
};

// One record of a player or looker.
shell::PlayerRecord MakePlayer(uint32_t user_id, int32_t chair, const std::string& name,
                               const std::string& second_name = "", uint32_t flags = 0, bool looker = false);
// The table described above.
shell::EnterGameData MakeTable();

inline constexpr const char* kTestCommandLine = "9|zipai|127.0.0.1|0|4242|1001|5|0|0x1000000";

class AppFixture : public EngineFixture {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The command line and the start data above, taken by the application.
  void Seat(const std::string& command_line = kTestCommandLine);

  std::unique_ptr<ScopedFakeServer> server_;
  std::unique_ptr<TestApp> app_;
};

}  // namespace test
