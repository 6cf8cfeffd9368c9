// ctest-labels: foundation
#include "platform/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "platform/gbk.h"

namespace fs = std::filesystem;

namespace {

// Each test works in its own fresh folder under the test's working directory.
class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::current_path() / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  std::string Root() const { return root_.string(); }
  fs::path root_;
};

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(FilesTest, GbkNameWithBackslashTrailByteIsOneCharacter) {
  // "乗" is 0x81 0x5C in GBK: its trail byte is a backslash and must not split the path.
  const std::string name = "\x81\x5C.txt";
  const std::string path = Root() + "\\" + name;
  EXPECT_EQ(platform::FindLastSeparator(path), Root().size());
  ASSERT_TRUE(platform::WriteFileAtomic(path, "hi", 2));
  // On disk the name is UTF-8.
  EXPECT_EQ(ReadAll(root_ / u8"乗.txt"), "hi");
  EXPECT_TRUE(platform::FileExists(path));
  EXPECT_EQ(platform::GbkToUtf8(name), "\xE4\xB9\x97.txt");
}

TEST_F(FilesTest, MissingNameFoundWithoutRegardToCase) {
  fs::create_directories(root_ / "res");
  std::ofstream(root_ / "res" / "a.txt") << "abc";
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(platform::ReadFileBytes(Root() + "\\Res\\A.TXT", &bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "abc");
  EXPECT_EQ(platform::FileSize(Root() + "/RES/a.Txt"), 3);
}

TEST_F(FilesTest, FoldersAreNotReadAsFiles) {
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(platform::ReadFileBytes(Root(), &bytes));
  EXPECT_EQ(platform::OpenFile(Root(), "rb"), nullptr);
  EXPECT_TRUE(platform::FileExists(Root()));
  EXPECT_TRUE(platform::IsDirectory(Root()));
}

TEST_F(FilesTest, AtomicWriteReplacesWholeAndLeavesNoTemporaryFiles) {
  const std::string path = Root() + "/f.bin";
  ASSERT_TRUE(platform::WriteFileAtomic(path, "first version", 13));
  ASSERT_TRUE(platform::WriteFileAtomic(path, "2nd", 3));
  EXPECT_EQ(ReadAll(path), "2nd");
  EXPECT_EQ(std::distance(fs::directory_iterator(root_), fs::directory_iterator()), 1);
  // A folder that does not exist: refused, nothing made.
  EXPECT_FALSE(platform::WriteFileAtomic(Root() + "/missing/f.bin", "x", 1));
}

// "c:x.wav" is an ordinary name here: a path the user gives loses no drive-like prefix, while
// the program's own "C:\x" still reads as "/x".
TEST_F(FilesTest, AGivenPathThatLooksLikeADriveStaysThatPath) {
  for (const char* given : {"c:x.wav", "c:/srv/out/abs.wav", "Z:"}) {
    EXPECT_EQ(platform::NativeOutputPath(platform::ProgramPath(given)), given);
  }
  EXPECT_EQ(platform::ShownName(platform::ProgramPath("c:x.wav")), "c:x.wav");
  EXPECT_EQ(platform::NativeOutputPath("C:\\srv\\x"), "/srv/x");
  fs::current_path(root_);
  std::ofstream("x.wav") << "KEEP";
  EXPECT_TRUE(platform::WriteFileAtomic(platform::ProgramPath("c:x.wav"), "new", 3));
  EXPECT_EQ(platform::FileSize(platform::ProgramPath("c:x.wav")), 3);
  fs::current_path(root_.parent_path());
  EXPECT_EQ(ReadAll(root_ / "x.wav"), "KEEP");
  EXPECT_EQ(ReadAll(root_ / "c:x.wav"), "new");
}

// The private characters that carry escaped bytes may stand in a name themselves: each name
// keeps a spelling of its own, so no two names the user gives write one file.
TEST_F(FilesTest, ANameWithTheEscapesOwnCharactersIsThatNameAndNoOther) {
  for (char32_t c = 0xF700; c <= 0xF7FF; ++c) {
    const std::string name = std::string("a") + static_cast<char>(0xE0 | (c >> 12)) +
                             static_cast<char>(0x80 | ((c >> 6) & 0x3F)) + static_cast<char>(0x80 | (c & 0x3F)) + ".pps";
    EXPECT_EQ(platform::NativeOutputPath(platform::ProgramPath(name)), name) << std::hex << static_cast<uint32_t>(c);
  }
  // Bytes that are no character still come back as they were, beside the characters.
  for (const char* given : {"\xEF\x9C", "x\xEF\x9C\xBA\xFF\\y"}) {
    EXPECT_EQ(platform::NativeOutputPath(platform::ProgramPath(given)), given);
  }
  fs::current_path(root_);
  std::ofstream(":.pps") << "colon";
  std::ofstream("\\.pps") << "backslash";
  EXPECT_TRUE(platform::WriteFileAtomic(platform::ProgramPath("\xEF\x9C\xBA.pps"), "F73A", 4));
  EXPECT_TRUE(platform::WriteFileAtomic(platform::ProgramPath("\xEF\x9D\x9C.pps"), "F75C", 4));
  fs::current_path(root_.parent_path());
  EXPECT_EQ(ReadAll(root_ / ":.pps"), "colon");
  EXPECT_EQ(ReadAll(root_ / "\\.pps"), "backslash");
  EXPECT_EQ(ReadAll(root_ / "\xEF\x9C\xBA.pps"), "F73A");
  EXPECT_EQ(ReadAll(root_ / "\xEF\x9D\x9C.pps"), "F75C");
}

TEST_F(FilesTest, FileFindListsMatchesInOrder) {
  for (const char* n : {"b.qzr", "a.QZR", "c.txt"}) std::ofstream(root_ / n) << n;
  fs::create_directories(root_ / "sub.qzr");
  platform::FileFind find;
  ASSERT_TRUE(find.FindFile(Root() + "\\*.qzr"));
  std::vector<std::string> names;
  bool more = true;
  while (more) {
    more = find.FindNextFile();
    names.push_back(find.GetFileName() + (find.IsDirectory() ? "/" : ""));
  }
  EXPECT_EQ(names, (std::vector<std::string>{"a.QZR", "b.qzr", "sub.qzr/"}));
  EXPECT_FALSE(find.FindFile(Root() + "\\*.none"));
  EXPECT_TRUE(platform::FileExists(Root() + "\\*.txt"));
  EXPECT_FALSE(platform::FileExists(Root() + "\\*.bmp"));
}

TEST(TestFolders, EveryTestProgramRunsInAFreshTemporaryFolderOfItsOwn) {
  const fs::path here = fs::current_path();
  const std::string temp = fs::temp_directory_path().string();
  EXPECT_EQ(here.string().compare(0, temp.size(), temp), 0) << here;
  EXPECT_EQ(here.string().find(ZP_BINARY_DIR), std::string::npos) << here;
  EXPECT_EQ(fs::path(platform::NativePath(platform::ExecutableDirectory())), fs::path(here.string() + "/"));
}

TEST_F(FilesTest, FoldersAndNamesOutsideGbkAreKeptAsTheSystemSpellsThem) {
  // The executable's folder with characters GBK lacks: the logs go into that very folder.
  // "Straße", an emoji, and a name that is no UTF-8 at all.
  for (const char* folder : {"Stra\xC3\x9F"
                             "e",
                             "\xF0\x9F\x98\x80",
                             "bad\xFF"
                             "byte"}) {
    SCOPED_TRACE(folder);
    const fs::path dir = root_ / folder;
    fs::create_directories(dir);
    const std::string program = platform::ProgramPath(dir.string() + "/");
    EXPECT_EQ(platform::NativePath(program), dir.string() + "/");
    ASSERT_TRUE(platform::WriteFileAtomic(program + "Game.log", "x", 1));
    EXPECT_EQ(ReadAll(dir / "Game.log"), "x");
  }
  EXPECT_FALSE(fs::exists(root_ / "strasse"));
  // A listed name comes back as the same file; a '\' inside it is no separator.
  fs::create_directories(root_ / "sub");
  std::ofstream(root_ / "sub" / "data.txt") << "subfolder";
  std::ofstream(root_ / "sub\\data.txt") << "named";
  std::ofstream(root_ /
                "Stra\xC3\x9F"
                "e.txt")
      << "sharp s";
  platform::FileFind find;
  std::map<std::string, std::string> read;
  for (bool more = find.FindFile(platform::ProgramPath(root_.string()) + "\\*.txt"); more;) {
    more = find.FindNextFile();
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(platform::ReadFileBytes(find.GetFilePath(), &bytes)) << find.GetFilePath();
    read[platform::ShownName(find.GetFileName())] = std::string(bytes.begin(), bytes.end());
  }
  EXPECT_EQ(read["sub\\data.txt"], "named");
  EXPECT_EQ(read[platform::Utf8ToGb18030("Stra\xC3\x9F"
                                         "e.txt")],
            "sharp s");
}

TEST(Wildcard, WindowsPatterns) {
  EXPECT_TRUE(platform::WildcardMatch("*.*", "noext"));
  EXPECT_TRUE(platform::WildcardMatch("*.PNG", "x.png"));
  EXPECT_TRUE(platform::WildcardMatch("a?c*", "abcdef"));
  EXPECT_FALSE(platform::WildcardMatch("a?c", "ac"));
  EXPECT_FALSE(platform::WildcardMatch("*.qzr", "a.qzrx"));
}

// A message names the path once, as the user gave it: where the reason names it already (after
// a reader's or writer's opening words, or before its ": "), and before the reason otherwise.
// Only the whole name counts: a word that starts with it ("ab" for "a") is no mention of it.
TEST(NamedOnce, APathIsNamedOnceAsGiven) {
  const struct {
    const char* reason;
    const char* path;
    const char* said;
  } kCases[] = {
      {"in\\a.png: picture too large", "in\\a.png", "in/a.png: picture too large"},
      {"cannot read in\\a.png", "in\\a.png", "cannot read in/a.png"},
      {"cannot write in\\a.png (rename: No space left on device)", "in\\a.png",
       "cannot write in/a.png (rename: No space left on device)"},
      {"shorter than a package header", "a", "a: shorter than a package header"},
      {"cannot read ab", "a", "a: cannot read ab"},
      {"cannot open a.qzr.old (No such file or directory)", "a.qzr", "a.qzr: cannot open a.qzr.old (No such file or directory)"},
  };
  for (const auto& [reason, path, said] : kCases) {
    const std::string given = platform::NativeOutputPath(path);
    EXPECT_EQ(platform::NamedOnce(reason, path, given), said) << reason;
  }
}

TEST_F(FilesTest, CreateDirectoriesMakesEveryLevel) {
  EXPECT_FALSE(platform::CreateDirectory(Root() + "\\x\\y"));
  EXPECT_TRUE(platform::CreateDirectories(Root() + "\\x\\y"));
  EXPECT_TRUE(fs::is_directory(root_ / "x" / "y"));
}

TEST(Gbk, ConversionsAndBadBytes) {
  const std::string gbk = "确定";  // compiled to GBK
  EXPECT_EQ(gbk, "\xC8\xB7\xB6\xA8");
  EXPECT_EQ(platform::GbkToUtf8(gbk), "\xE7\xA1\xAE\xE5\xAE\x9A");
  EXPECT_EQ(platform::Utf8ToGbk("\xE7\xA1\xAE\xE5\xAE\x9A"), gbk);
  EXPECT_EQ(platform::GbkToUcs4("a" + gbk), (std::u32string{U'a', U'\u786E', U'\u5B9A'}));
  // A lone lead byte at the end cannot be converted: it becomes '?', the rest survives.
  EXPECT_EQ(platform::GbkToUtf8("ab\xC8"), "ab?");
  EXPECT_TRUE(platform::IsDBCSLeadByte(0x81));
  EXPECT_FALSE(platform::IsDBCSLeadByte(0x80));
  EXPECT_FALSE(platform::IsDBCSLeadByte(0xFF));
}

}  // namespace
