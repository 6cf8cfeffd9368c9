// ctest-labels: foundation
#include "platform/profile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/diagnostics.h"

namespace fs = std::filesystem;

namespace {

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ =
        (fs::current_path() / (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".ini"))
            .string();
    fs::remove(path_);
  }
  void Write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
  std::string Read() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::string Get(const char* s, const char* k, const char* def = "dflt") {
    return platform::GetProfileString(s, k, def, path_.c_str());
  }
  std::string path_;
};

TEST_F(ProfileTest, ReadsWithWindowsRules) {
  Write("; comment\r\n[GameSet]\r\n  Sound = on  \r\nName=\"quoted value\"\r\nEmpty=\r\n[Other]\r\nSound=off\r\n");
  EXPECT_EQ(Get("gameset", "SOUND"), "on");           // case-insensitive, trimmed
  EXPECT_EQ(Get("GameSet", "Name"), "quoted value");  // one pair of quotes removed
  EXPECT_EQ(Get("GameSet", "Empty"), "");             // present but empty is not missing
  EXPECT_EQ(Get("GameSet", "Missing"), "dflt");
  EXPECT_EQ(Get("Nowhere", "Sound", "  pad  "), "  pad");  // default's trailing blanks trimmed
  EXPECT_EQ(Get("Other", "Sound"), "off");
  EXPECT_EQ(platform::GetPrivateProfileIntA("GameSet", "Missing", 120, path_.c_str()), 120u);
}

TEST_F(ProfileTest, IntegersReadLeadingDigits) {
  Write("[S]\nA=42abc\nB=-7\nC=abc\n");
  EXPECT_EQ(platform::GetPrivateProfileIntA("S", "A", 0, path_.c_str()), 42u);
  EXPECT_EQ(static_cast<int>(platform::GetPrivateProfileIntA("S", "B", 0, path_.c_str())), -7);
  EXPECT_EQ(platform::GetPrivateProfileIntA("S", "C", 5, path_.c_str()), 0u);
}

TEST_F(ProfileTest, StringIsTruncatedToTheBuffer) {
  Write("[S]\nK=abcdef\n");
  char out[4];
  EXPECT_EQ(platform::GetPrivateProfileStringA("S", "K", "", out, sizeof out, path_.c_str()), 3u);
  EXPECT_STREQ(out, "abc");
}

TEST_F(ProfileTest, WritingCreatesFileSectionAndKey) {
  ASSERT_TRUE(platform::WritePrivateProfileStringA("GAMESET", "Music", "1", path_.c_str()));
  ASSERT_TRUE(platform::WriteProfileInt("GAMESET", "Volume", 80, path_.c_str()));
  ASSERT_TRUE(platform::WritePrivateProfileStringA("PROXY", "Host", "h", path_.c_str()));
  EXPECT_EQ(Read(), "[GAMESET]\r\nMusic=1\r\nVolume=80\r\n[PROXY]\r\nHost=h\r\n");
  // Replacing keeps the place; case of the lookup does not matter.
  ASSERT_TRUE(platform::WritePrivateProfileStringA("gameset", "MUSIC", "0", path_.c_str()));
  EXPECT_EQ(Get("GAMESET", "Music"), "0");
  // A null value deletes the key, a null key the section.
  ASSERT_TRUE(platform::WritePrivateProfileStringA("GAMESET", "Volume", nullptr, path_.c_str()));
  ASSERT_TRUE(platform::WritePrivateProfileStringA("PROXY", nullptr, nullptr, path_.c_str()));
  EXPECT_EQ(Read(), "[GAMESET]\r\nMusic=0\r\n");
}

TEST_F(ProfileTest, ASectionIsReplacedWholeInOneWrite) {
  Write("[A]\r\nx=1\r\n; note\r\ny=2\r\n[B]\r\nz=3\r\n");
  ASSERT_TRUE(platform::WritePrivateProfileSectionA("a", std::string("y=5\0w=6\0\0", 9).c_str(), path_.c_str()));
  EXPECT_EQ(Read(), "[A]\r\ny=5\r\nw=6\r\n[B]\r\nz=3\r\n");
  ASSERT_TRUE(platform::WritePrivateProfileSectionA("C", std::string("k=v\0\0", 5).c_str(), path_.c_str()));
  EXPECT_EQ(Get("C", "k"), "v");
  EXPECT_EQ(Get("B", "z"), "3");
}

TEST_F(ProfileTest, ASectionThatCannotBeWrittenLeavesNoFile) {
  const std::string inside_missing = (fs::path(path_).parent_path() / "no-such-folder" / "user.ini").string();
  EXPECT_FALSE(platform::WritePrivateProfileSectionA("A", std::string("x=1\0\0", 5).c_str(), inside_missing.c_str()));
  EXPECT_FALSE(fs::exists(inside_missing));
}

// Unreadable: too large, or not readable by its user.
TEST_F(ProfileTest, AnUnreadableFileGivesTheDefaultsIsReportedOnceAndIsNeverOverwritten) {
  std::vector<std::string> reports;
  const platform::ProblemSink previous =
      platform::SetProblemSink([&reports](const std::string& line) { reports.push_back(line); });
  const std::string big =
      "[Secret]\r\nKey=kept\r\n;" + std::string(platform::kMaxProfileFileBytes, 'x') + "\r\n[Other]\r\nx=1\r\n";
  Write(big);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(Get("Secret", "Key"), "dflt");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("cannot be read"), std::string::npos) << reports[0];
  EXPECT_FALSE(platform::WritePrivateProfileStringA("GAMESET", "Sound", "1", path_.c_str()));
  EXPECT_FALSE(platform::WritePrivateProfileSectionA("GAMESET", std::string("Sound=1\0\0", 9).c_str(), path_.c_str()));
  EXPECT_EQ(Read(), big);
  // A file its user may write but not read (root reads every file).
  if (::geteuid() != 0) {
    Write("[Secret]\r\nKey=kept\r\n");
    fs::permissions(path_, fs::perms::owner_write);
    EXPECT_EQ(Get("Secret", "Key"), "dflt");
    EXPECT_FALSE(platform::WritePrivateProfileStringA("GAMESET", "Sound", "1", path_.c_str()));
    fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Read(), "[Secret]\r\nKey=kept\r\n");
  }
  platform::SetProblemSink(previous);
}

// The program's own writes never make a file it would refuse to read.
TEST_F(ProfileTest, AWriteThatWouldGrowTheFilePastTheReadLimitFailsAndLeavesItReadable) {
  std::vector<std::string> reports;
  const platform::ProblemSink previous =
      platform::SetProblemSink([&reports](const std::string& line) { reports.push_back(line); });
  const std::string head = "[GAMESET]\r\nSound=1\r\n;";
  const std::string near_full = head + std::string(platform::kMaxProfileFileBytes - 12 - head.size(), 'x') + "\r\n";
  Write(near_full);
  EXPECT_FALSE(platform::WritePrivateProfileStringA("GAMESET", "Music", "0123456789", path_.c_str()));
  EXPECT_FALSE(platform::WritePrivateProfileSectionA("PROXY", std::string("Host=h\0\0", 8).c_str(), path_.c_str()));
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_NE(reports[0].find("is not written"), std::string::npos) << reports[0];
  EXPECT_EQ(Read(), near_full);
  EXPECT_EQ(Get("GAMESET", "Sound"), "1");
  // What still fits is written.
  ASSERT_TRUE(platform::WritePrivateProfileStringA("GAMESET", "Sound", "0", path_.c_str()));
  EXPECT_EQ(Get("GAMESET", "Sound"), "0");
  platform::SetProblemSink(previous);
}

// Files are kept parsed between lookups: a change of the same size a moment later is seen.
TEST_F(ProfileTest, AChangeOfTheSameSizeIsSeenAtTheNextLookup) {
  Write("[S]\nK=1\n");
  EXPECT_EQ(Get("S", "K"), "1");
  Write("[S]\nK=2\n");
  EXPECT_EQ(Get("S", "K"), "2");
  ASSERT_TRUE(platform::WritePrivateProfileStringA("S", "K", "3", path_.c_str()));
  EXPECT_EQ(Get("S", "K"), "3");
}

TEST_F(ProfileTest, ListsSectionsAndKeys) {
  Write("[A]\nx=1\ny=2\n[B]\n");
  char out[32];
  const unsigned n = platform::GetPrivateProfileStringA("A", nullptr, "", out, sizeof out, path_.c_str());
  EXPECT_EQ(std::string(out, n), std::string("x\0y\0", 4));
  const unsigned m = platform::GetPrivateProfileStringA(nullptr, nullptr, "", out, sizeof out, path_.c_str());
  EXPECT_EQ(std::string(out, m), std::string("A\0B\0", 4));
}

}  // namespace
