// ctest-labels: foundation
#include "engine/core/engine_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/core/engine_files.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/diagnostics.h"
#include "platform/files.h"
#include "platform/message_box.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Logs go beside the executable, which the test runner points at the test's own folder.
class EngineLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::current_path() / "exe";
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    setenv("ZP_EXE_DIR", dir_.string().c_str(), 1);
    platform::ResetExecutableDirectory();
    clock_->SetLocalTime({2026, 12, 6, 9, 5, 3, 0});
  }
  void TearDown() override { platform::ResetExecutableDirectory(); }
  platform::ScopedManualClock clock_;
  fs::path dir_;
};

TEST_F(EngineLogTest, LineFormatsByteForByte) {
  engine::WriteGameLog("x");
  engine::WriteGameLog("%s=%d", "n", 5);
  EXPECT_EQ(ReadAll(dir_ / "Game20261206.log"),
            "2026/12/06     09:05:03      x\r\n2026/12/06     09:05:03      n=5\r\n");
  engine::LogEngineStart();
  engine::WriteRunLog("x");
  EXPECT_EQ(ReadAll(dir_ / "GameRun.log"),
            "2026/12/06     09:05:03     GameCore Start\r\n2026/12/06     09:05:03     x\r\n");
  // The run log starts afresh with every engine start.
  engine::LogEngineStart();
  EXPECT_EQ(ReadAll(dir_ / "GameRun.log"), "2026/12/06     09:05:03     GameCore Start\r\n");
}

TEST_F(EngineLogTest, LogsGoIntoTheProgramsFolderWhateverItsName) {
  // "x/Straße/" once became "x/strasse/"; a folder named by an emoji lost its logs.
  for (const char* name : {"Stra\xC3\x9F"
                           "e",
                           "\xF0\x9F\x98\x80"}) {
    SCOPED_TRACE(name);
    const fs::path folder = dir_ / name;
    fs::create_directories(folder);
    setenv("ZP_EXE_DIR", (folder.string() + "/").c_str(), 1);
    platform::ResetExecutableDirectory();
    engine::WriteGameLog("here");
    EXPECT_EQ(ReadAll(folder / "Game20261206.log"), "2026/12/06     09:05:03      here\r\n");
  }
  EXPECT_FALSE(fs::exists(dir_ / "strasse"));
}

// On a full disk the last run's lines stay: this run's follow them without a start line, and
// that is said once.
TEST_F(EngineLogTest, ARunLogThatCannotBeginAfreshSaysSoOnce) {
  engine::LogEngineStart();
  const std::string last_run = ReadAll(dir_ / "GameRun.log");
  std::vector<std::string> said;
  platform::ProblemSink before = platform::SetProblemSink([&](const std::string& line) { said.push_back(line); });
  platform::InjectWriteFault(platform::WriteFault::kWrite);
  engine::LogEngineStart();
  platform::InjectWriteFault(platform::WriteFault::kNone);
  platform::SetProblemSink(before);
  EXPECT_EQ(ReadAll(dir_ / "GameRun.log"), last_run);
  ASSERT_EQ(said.size(), 1u);
  EXPECT_NE(said[0].find("GameRun.log (write: No space left on device)"), std::string::npos) << said[0];
}

TEST_F(EngineLogTest, SwitchedOffLogsWriteNothing) {
  engine::SetEngineLogsEnabled(false);
  engine::WriteGameLog("refused input");
  engine::WriteErrorLog("refused input");
  engine::LogEngineStart();
  engine::WriteRunLog("refused input");
  engine::SetEngineLogsEnabled(true);
  EXPECT_TRUE(fs::is_empty(dir_));
  engine::WriteGameLog("back");
  EXPECT_TRUE(fs::exists(dir_ / "Game20261206.log"));
}

TEST_F(EngineLogTest, ErrorLogKeepsOnlyTheLastLineAndDailyLogFollowsTheDate) {
  engine::WriteErrorLog("first");
  engine::WriteErrorLog("second");
  EXPECT_EQ(ReadAll(dir_ / "GameError.log"), "2026/12/06     09:05:03      second\r\n");
  clock_->Advance(15 * 3600 * 1000);
  engine::WriteGameLog("tomorrow");
  EXPECT_EQ(ReadAll(dir_ / "Game20261207.log"), "2026/12/07     00:05:03      tomorrow\r\n");
}

TEST_F(EngineLogTest, LongMessagesAreWrittenWhole) {
  const std::string big(5000, 'z');
  engine::WriteGameLog("%s", big.c_str());
  EXPECT_NE(ReadAll(dir_ / "Game20261206.log").find(big + "\r\n"), std::string::npos);
}

TEST_F(EngineLogTest, ReadWholeFileAddsTerminatorAndLogsFailures) {
  std::ofstream(dir_ / "ten.txt", std::ios::binary) << "0123456789";
  size_t size = 0;
  const std::string path = engine::ExePath("TEN.TXT");
  auto block = engine::ReadWholeFile(path, &size);
  ASSERT_TRUE(block);
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(block[10], 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(block.get())), "0123456789");

  EXPECT_FALSE(engine::ReadWholeFile(engine::ExePath("none.txt"), &size));
  EXPECT_FALSE(engine::ReadWholeFile(engine::ExeDirectory(), &size));  // a folder is no file
  EXPECT_FALSE(engine::ReadWholeFile("", &size));
  const std::string log = ReadAll(dir_ / "Game20261206.log");
  EXPECT_NE(log.find("文件" + engine::ExePath("none.txt") + " 打开失败!"), std::string::npos);
}

TEST_F(EngineLogTest, ReadWholeFileZGivesTheTextWithItsTerminator) {
  std::ofstream(dir_ / "z.txt", std::ios::binary) << "abc";
  auto block = engine::ReadWholeFileZ(engine::ExePath("z.txt"));
  ASSERT_TRUE(block);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(block.get())), "abc");
  EXPECT_EQ(block[3], 0);

  // Failures, an empty path among them, are logged with the path.
  EXPECT_FALSE(engine::ReadWholeFileZ(engine::ExePath("gone.txt")));
  EXPECT_FALSE(engine::ReadWholeFileZ(""));
  const std::string log = ReadAll(dir_ / "Game20261206.log");
  EXPECT_NE(log.find("文件" + engine::ExePath("gone.txt") + " 打开失败!"), std::string::npos);
  EXPECT_NE(log.find("文件 打开失败!"), std::string::npos);
}

TEST_F(EngineLogTest, BuildDirectoryMakesRelativeAndDoubledPaths) {
  const std::string base = engine::ExeDirectory();  // ends with '\'
  EXPECT_EQ(engine::BuildDirectory(base + "\\a\\b", 0), 0);
  EXPECT_EQ(engine::BuildDirectory(base + "\\a\\b", 1), 1);
  EXPECT_TRUE(fs::is_directory(dir_ / "a" / "b"));
  EXPECT_EQ(engine::BuildDirectory("nosep", 0), 0);
  // A relative path creates its first folder too.
  EXPECT_EQ(engine::BuildDirectory("rel\\x", 1), 1);
  EXPECT_TRUE(fs::is_directory(fs::current_path() / "rel" / "x"));
  // A file in the way: reported and refused.
  std::ofstream(dir_ / "file") << "x";
  std::string shown;
  auto previous = platform::SetMessageBoxHandler([&](const std::string& t, const std::string&, unsigned) {
    shown = t;
    return platform::IDOK;
  });
  EXPECT_EQ(engine::BuildDirectory(base + "file\\sub", 1), 0);
  platform::SetMessageBoxHandler(previous);
  EXPECT_EQ(shown.rfind("Build   Directory", 0), 0u);
  EXPECT_NE(shown.find("   Fail!"), std::string::npos);
}

// The program's own logs and folders are written under exactly their names, never into a file or
// folder whose name differs in case (the program reads those, as Windows would).
TEST_F(EngineLogTest, LogsAndFoldersAreWrittenUnderExactlyTheirNames) {
  std::ofstream(dir_ / "game20261206.log") << "other";
  std::ofstream(dir_ / "GAMERUN.LOG") << "other";
  fs::create_directories(dir_ / "REPLAY");
  engine::WriteGameLog("x");
  engine::LogEngineStart();
  EXPECT_EQ(engine::BuildDirectory(engine::ExeDirectory() + "Replay\\", 1), 1);
  EXPECT_EQ(ReadAll(dir_ / "game20261206.log"), "other");
  EXPECT_EQ(ReadAll(dir_ / "GAMERUN.LOG"), "other");
  EXPECT_EQ(ReadAll(dir_ / "Game20261206.log"), "2026/12/06     09:05:03      x\r\n");
  EXPECT_EQ(ReadAll(dir_ / "GameRun.log"), "2026/12/06     09:05:03     GameCore Start\r\n");
  EXPECT_TRUE(fs::is_directory(dir_ / "Replay"));
}

TEST(EngineFiles, PathPieces) {
  EXPECT_EQ(engine::GetFileExtension("a/b.PNG"), ".png");
  EXPECT_EQ(engine::GetFileExtension("a.b\\noext"), "");
  EXPECT_EQ(engine::GetFileTitle("C:\\x\\Snd.Wav"), "Snd");
  EXPECT_EQ(engine::GetFileDirectory("C:\\x\\Snd.Wav"), "C:\\x\\");
  EXPECT_EQ(engine::GetFileNameLower("C:\\x\\Snd.Wav"), "Snd.wav");
  EXPECT_EQ(engine::ReplaceExtension("d\\a.b.c", ".pps"), "d\\a.b.pps");
  // "乗" (0x81 0x5C) in a folder name does not end the folder.
  EXPECT_EQ(engine::GetFileTitle("x\\\x81\x5C"
                                 "Card.PPS"),
            "\x81\x5C"
            "Card");
}

TEST(EngineFiles, LowerCaseSkipsTrailBytes) {
  std::string s =
      "AB\x81"
      "CD";  // 0x81 0x43 is one GBK character: its 'C' stays
  engine::AsciiLowerSkipDbcs(s);
  EXPECT_EQ(s,
            "ab\x81"
            "Cd");
  std::string tail = "A\x81";  // a lead byte just before the end
  engine::AsciiLowerSkipDbcs(tail);
  EXPECT_EQ(tail, "a\x81");
}

TEST(EngineFiles, TextHelpers) {
  std::vector<std::string> list{"old"};
  EXPECT_EQ(engine::SplitFields("a,,b,", list), 4);
  EXPECT_EQ(list, (std::vector<std::string>{"old", "a", "", "b"}));
  EXPECT_EQ(engine::SplitFields("", list), 0);
  EXPECT_EQ(engine::FormatElapsedTime(3600000), "60:00");
  EXPECT_EQ(engine::FormatElapsedTime(3600001), "01:00:00");
  EXPECT_EQ(engine::FormatElapsedTime(59999), "00:59");
  EXPECT_EQ(engine::StripQuotes("\"宋体\""), "宋体");
  EXPECT_EQ(engine::StripQuotes("x\"y"), "x\"y");
  EXPECT_TRUE(engine::ContainsTrue("is true"));
  EXPECT_FALSE(engine::ContainsTrue("TRUE"));
}

}  // namespace
