// Records the sample replay that the client opens when it is started without arguments
// (scripts/run): one whole round of the scripted game of the play tests, dealt as the game deals
// (one 80-card deck: 21 cards to the banker, 20 to each other hand), the framework's own play
// flow on the default card values at a recording table, with a pause after every move so that the
// round can be watched. The file is written whole to the path given.
//
//   sample-replay-gen OUT.rep
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "dialogs/replay_recorder.h"
#include "platform/files.h"
#include "platform/window.h"
#include "table/card_attributes.h"
#include "tests/support/scripted_game.h"

namespace {

namespace fs = std::filesystem;

// Where the replay goes (absolute: the program runs in a temporary folder of its own).
std::string g_out;

// The pause after each move.
constexpr uint32_t kPauseMs = 1100;

class SampleReplay : public test::TableViewFixture {
 protected:
  void SetUp() override {
    TableViewFixture::SetUp();
    table::InstallCardCallbacks(table::DefaultCardCallbacks());
    make_table_ = test::MakePlayTable;
  }
};

TEST_F(SampleReplay, IsRecordedFromAWholeRound) {
  // A recording table (option 0x20000), the user on chair 0.
  Start(test::CommandLineFor(0, 0x1020000));
  frame().SetTableRect(platform::RECT{0, 0, 1024, 768});
  view().RefreshSeatedBoards();
  view().OnEnterGame();
  test::ScriptedGame game(app_.get(), &server_->server(), [this](int n) {
    Frames(n);
    clock_->Advance(kPauseMs);
    platform::PumpMessages();
  });
  game.Start(test::kSampleSeed, test::kSampleFirst);
  const int moves = game.PlayRound();
  ASSERT_TRUE(game.Over()) << moves << " moves";

  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(dir_ / "Replay")) files.push_back(entry.path());
  ASSERT_EQ(files.size(), 1u);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(platform::ReadFileBytes(platform::ProgramPath(files[0].string()), &bytes));
  dialogs::ReplayFile replay;
  std::string error;
  ASSERT_TRUE(dialogs::DecodeReplayFile(bytes.data(), bytes.size(), &replay, &error)) << error;
  ASSERT_TRUE(platform::WriteFileAtomic(platform::ProgramPath(g_out), bytes.data(), bytes.size())) << g_out;
  std::printf("sample replay: %d moves, %zu records, %u ms, %s\n", moves, replay.records.size(), replay.DurationMs(),
              g_out.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: sample-replay-gen OUT.rep\n");
    return 2;
  }
  g_out = fs::absolute(argv[1]).string();
  return RUN_ALL_TESTS();
}
