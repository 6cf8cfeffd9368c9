// ctest-labels: replay window
// The client in replay mode: started with the sample replay the build records, it comes up
// offline at the recorded table and deals the recorded hands. On a real X server (Xvfb, whose
// screen is kept in a file) the window's place on the screen shows the dealt cards; headless, its
// screenshot does. A file that is no whole replay is refused with a line on stderr, the game's
// message box at an empty table, and status 1.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/screen_capture.h"
#include "tests/support/xvfb_run.h"

namespace {

namespace fs = std::filesystem;

const fs::path kClient = fs::path(ZP_BINARY_DIR) / "app" / "zipai-client";
const fs::path kSample = fs::path(ZP_BINARY_DIR) / "app" / "sample.rep";

std::string Text(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The share of light pixels (a card's face) in a rectangle of the client's picture.
double LightShare(const test::Picture& p, int left, int top, int right, int bottom) {
  int light = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      const uint32_t v = p.At(x, y);
      light += ((v >> 16) & 0xFF) >= 0xC8 && ((v >> 8) & 0xFF) >= 0xC8 && (v & 0xFF) >= 0xB0 ? 1 : 0;
    }
  }
  return static_cast<double>(light) / ((right - left) * (bottom - top));
}

// The own hand along the bottom of the table and the two other chairs' rows down its sides are
// cards; the table's middle above the hand is cloth.
void ExpectDealtTable(const test::Picture& shot) {
  ASSERT_EQ(shot.width, 1024);
  ASSERT_EQ(shot.height, 768);
  EXPECT_GT(LightShare(shot, 200, 645, 560, 700), 0.6) << "own hand";
  EXPECT_GT(LightShare(shot, 60, 260, 110, 520), 0.6) << "left chair";
  EXPECT_GT(LightShare(shot, 655, 260, 705, 520), 0.6) << "right chair";
  EXPECT_LT(LightShare(shot, 200, 180, 560, 240), 0.05) << "cloth";
}

// A headless run of the client with these arguments: its status; its stderr in *log.
int RunHeadless(const std::string& arguments, std::string* log) {
  const fs::path err = fs::current_path() / "client.err";
  const std::string command =
      "ASAN_OPTIONS=detect_leaks=0 '" + kClient.string() + "' --headless " + arguments + " 2>'" + err.string() + "'";
  const int rc = std::system(command.c_str());
  *log = Text(err);
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

TEST(ReplayClient, OnARealScreenTheSampleReplayDealsTheRecordedHands) {
  if (!test::HaveXvfb()) GTEST_SKIP() << "Xvfb is not installed";
  ASSERT_TRUE(fs::exists(kClient)) << kClient;
  ASSERT_TRUE(fs::exists(kSample)) << kSample;
  test::XvfbShot shot;
  ASSERT_NO_FATAL_FAILURE(test::RunOnXvfb(fs::current_path() / "xvfb", "",
                                          "'" + kClient.string() + "' --frames 200 --screenshot shown.png --hold '" +
                                              kSample.string() + "' 2>client.log",
                                          "client.log", &shot, 1024, 768));
  // What the screen shows at the window's place.
  const test::Picture window = shot.Window();
  ExpectDealtTable(window);
  EXPECT_EQ(window.rgb, shot.shown.rgb);
}

TEST(ReplayClient, HeadlessTheSampleReplayDealsTheRecordedHands) {
  ASSERT_TRUE(fs::exists(kSample)) << kSample;
  const fs::path shot = fs::current_path() / "replay.png";
  std::string log;
  ASSERT_EQ(RunHeadless("--frames 60 --screenshot '" + shot.string() + "' '" + kSample.string() + "'", &log), 0) << log;
  test::Picture picture;
  ASSERT_TRUE(test::ReadClientPng(shot, &picture));
  ExpectDealtTable(picture);

  // Without the replay the same places are cloth.
  const fs::path plain = fs::current_path() / "plain.png";
  ASSERT_EQ(RunHeadless("--frames 60 --screenshot '" + plain.string() + "'", &log), 0) << log;
  ASSERT_TRUE(test::ReadClientPng(plain, &picture));
  EXPECT_LT(LightShare(picture, 200, 645, 560, 700), 0.05);
}

TEST(ReplayClient, AFileThatIsNoWholeReplayIsRefusedWithALine) {
  ASSERT_TRUE(fs::exists(kSample)) << kSample;
  const std::string whole = Text(kSample);
  const fs::path cut = fs::current_path() / "cut.rep";
  std::ofstream(cut, std::ios::binary) << whole.substr(0, whole.size() - 10);
  const fs::path text = fs::current_path() / "notes.txt";
  std::ofstream(text) << std::string(300, 'x');

  // The line names the file once, as it was given.
  std::string log;
  EXPECT_EQ(RunHeadless("--frames 20 '" + cut.string() + "'", &log), 1);
  EXPECT_NE(log.find(cut.string() + " cannot be played: replay file refused: "), std::string::npos) << log;
  EXPECT_EQ(log.find('\\'), std::string::npos) << log;
  EXPECT_EQ(RunHeadless("--frames 20 '" + text.string() + "'", &log), 1);
  EXPECT_NE(log.find("not a replay (no magic)"), std::string::npos) << log;
  const fs::path missing = fs::current_path() / "missing.rep";
  EXPECT_EQ(RunHeadless("--frames 20 '" + missing.string() + "'", &log), 1);
  EXPECT_NE(log.find("zipai-client: " + missing.string() + " cannot be played: it cannot be read (No such file or directory)\n"), std::string::npos)
      << log;
  EXPECT_EQ(log.find(missing.string(), log.find(missing.string()) + 1), std::string::npos) << log;
  // The window comes up at an empty table with the game's own message box over its middle.
  const fs::path refused = fs::current_path() / "refused.png";
  const fs::path plain = fs::current_path() / "plain.png";
  EXPECT_EQ(RunHeadless("--frames 60 --screenshot '" + refused.string() + "' '" + cut.string() + "'", &log), 1);
  ASSERT_EQ(RunHeadless("--frames 60 --screenshot '" + plain.string() + "'", &log), 0) << log;
  test::Picture with_box, without;
  ASSERT_TRUE(test::ReadClientPng(refused, &with_box));
  ASSERT_TRUE(test::ReadClientPng(plain, &without));
  ASSERT_EQ(with_box.rgb.size(), without.rgb.size());
  int changed = 0, all = 0;
  for (int y = 300; y < 470; ++y) {
    for (int x = 380; x < 640; ++x, ++all) changed += with_box.At(x, y) != without.At(x, y) ? 1 : 0;
  }
  EXPECT_GT(changed, all * 8 / 10);
  EXPECT_LT(LightShare(with_box, 200, 645, 560, 700), 0.05) << "nothing dealt";

  // Without '|' an argument is no lobby line: a missing file of any name is refused as a file.
  const fs::path nameless = fs::current_path() / "game";
  EXPECT_EQ(RunHeadless("--frames 20 '" + nameless.string() + "'", &log), 1);
  EXPECT_NE(log.find(nameless.string() + " cannot be played"), std::string::npos) << log;
}

}  // namespace
