// ctest-labels: foundation
// The one file writer: whole files or nothing, every failing step reported.
#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/png_file.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

size_t FilesIn(const fs::path& folder) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++n;
  return n;
}

class AtomicFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories("w");
    ASSERT_TRUE(platform::WriteFileAtomic("w/keep.txt", "old contents", 12));
  }
  void TearDown() override { platform::InjectWriteFault(platform::WriteFault::kNone); }
};

TEST_F(AtomicFileTest, AFailingWriteFlushOrCloseLeavesTheOldFileAndSaysWhy) {
  for (platform::WriteFault fault :
       {platform::WriteFault::kWrite, platform::WriteFault::kSync, platform::WriteFault::kClose}) {
    SCOPED_TRACE(static_cast<int>(fault));
    platform::InjectWriteFault(fault);
    platform::AtomicFile file("w/keep.txt");
    file.Write("new", 3);
    EXPECT_FALSE(file.Commit());
    EXPECT_NE(file.error().find("cannot write"), std::string::npos) << file.error();
    platform::InjectWriteFault(platform::WriteFault::kNone);
    EXPECT_EQ(ReadAll("w/keep.txt"), "old contents");
    EXPECT_EQ(FilesIn("w"), 1u);  // no temporary file left behind
  }
  platform::InjectWriteFault(platform::WriteFault::kClose);
  EXPECT_FALSE(platform::WriteFileAtomic("w/keep.txt", "new", 3));
  std::string error;
  const uint8_t pixel[4] = {1, 2, 3, 255};
  EXPECT_FALSE(platform::SavePng("w/keep.txt", 1, 1, pixel, &error));
  EXPECT_NE(error.find("close"), std::string::npos) << error;
  platform::InjectWriteFault(platform::WriteFault::kNone);
  EXPECT_EQ(ReadAll("w/keep.txt"), "old contents");
}

TEST_F(AtomicFileTest, AFileIsWrittenInPiecesAndOnlyAppearsWhenCommitted) {
  {
    platform::AtomicFile file("w/new.txt");
    ASSERT_TRUE(file.ok());
    EXPECT_TRUE(file.Write("ab", 2));
    EXPECT_TRUE(file.Write("cd", 2));
    EXPECT_FALSE(fs::exists("w/new.txt"));
    EXPECT_TRUE(file.Commit());
  }
  EXPECT_EQ(ReadAll("w/new.txt"), "abcd");
  {
    platform::AtomicFile dropped("w/new.txt");
    dropped.Write("x", 1);
  }  // never committed
  EXPECT_EQ(ReadAll("w/new.txt"), "abcd");
  EXPECT_EQ(FilesIn("w"), 2u);
  platform::AtomicFile nowhere("no-such-folder/x.txt");
  EXPECT_FALSE(nowhere.ok());
  EXPECT_FALSE(nowhere.Commit());
}

TEST_F(AtomicFileTest, AReplacedFileKeepsItsPermissionsAndANewOneFollowsTheUmask) {
  const fs::perms private_file = fs::perms::owner_read | fs::perms::owner_write;
  fs::permissions("w/keep.txt", private_file);
  ASSERT_TRUE(platform::WriteFileAtomic("w/keep.txt", "new", 3));
  EXPECT_EQ(fs::status("w/keep.txt").permissions(), private_file);
  const mode_t umask_before = ::umask(027);
  ASSERT_TRUE(platform::WriteFileAtomic("w/fresh.txt", "x", 1));
  ASSERT_TRUE(platform::AppendToFile("w/fresh.log", "x", 1));
  ::umask(umask_before);
  const fs::perms group_read = private_file | fs::perms::group_read;
  EXPECT_EQ(fs::status("w/fresh.txt").permissions(), group_read);
  EXPECT_EQ(fs::status("w/fresh.log").permissions(), group_read);
}

TEST_F(AtomicFileTest, AFileThatMustBeNewNeverReplacesOneThatAppearedBeforeItsRename) {
  const std::vector<std::string> names = {"w/game.rep", "w/game-2.rep", "w/game-3.rep"};
  const size_t before = FilesIn("w");
  platform::AtomicFile file(names[0]);
  ASSERT_TRUE(file.Write("ours", 4));
  // Between any check of the name and the rename, someone else's file takes it.
  std::ofstream("w/game.rep") << "theirs";
  EXPECT_EQ(file.CommitNew(names), 1);
  EXPECT_EQ(ReadAll("w/game.rep"), "theirs");
  EXPECT_EQ(ReadAll("w/game-2.rep"), "ours");
  EXPECT_EQ(FilesIn("w"), before + 2);  // no temporary file left

  // Every name taken: nothing is written and nothing replaced.
  std::ofstream("w/game-3.rep") << "also theirs";
  platform::AtomicFile late(names[0]);
  ASSERT_TRUE(late.Write("late", 4));
  EXPECT_EQ(late.CommitNew(names), -1);
  EXPECT_NE(late.error().find("rename"), std::string::npos) << late.error();
  EXPECT_EQ(ReadAll("w/game-2.rep"), "ours");
  EXPECT_EQ(ReadAll("w/game-3.rep"), "also theirs");
  EXPECT_EQ(FilesIn("w"), before + 3);
}

TEST_F(AtomicFileTest, AppendsAreCheckedToo) {
  EXPECT_TRUE(platform::AppendToFile("w/log.txt", "one\n", 4));
  EXPECT_TRUE(platform::AppendToFile("w/log.txt", "two\n", 4));
  EXPECT_EQ(ReadAll("w/log.txt"), "one\ntwo\n");
  platform::InjectWriteFault(platform::WriteFault::kWrite);
  std::string error;
  EXPECT_FALSE(platform::AppendToFile("w/log.txt", "three\n", 6, &error));
  EXPECT_NE(error.find("write"), std::string::npos);
  platform::InjectWriteFault(platform::WriteFault::kNone);
  EXPECT_FALSE(platform::AppendToFile("no-such-folder/log.txt", "x", 1));
}

TEST_F(AtomicFileTest, ScreenshotPngsLeaveOutAlpha) {
  const uint8_t pixels[8] = {10, 20, 30, 0, 40, 50, 60, 128};
  const std::vector<uint8_t> rgba = platform::EncodePng(2, 1, pixels);
  const std::vector<uint8_t> rgb = platform::EncodePng(2, 1, pixels, platform::PngAlpha::kDrop);
  ASSERT_GT(rgba.size(), 33u);
  ASSERT_GT(rgb.size(), 33u);
  EXPECT_EQ(rgba[25], 6);  // colour type: true colour with alpha
  EXPECT_EQ(rgb[25], 2);   // true colour
  EXPECT_TRUE(platform::EncodePng(0, 1, pixels).empty());
}

}  // namespace
