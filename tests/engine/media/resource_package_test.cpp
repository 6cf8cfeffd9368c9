// ctest-labels: resources
#include "engine/media/resource_package.h"
#include "engine/core/engine_files.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/media/byte_span.h"
#include "platform/files.h"

namespace engine {
namespace {

using Bytes = std::vector<uint8_t>;

// "f12.png": built with append, as GCC 12 warns falsely (-Wrestrict) on chained operator+.
std::string Numbered(const char* prefix, uint32_t i, const char* suffix) {
  return std::string(prefix).append(std::to_string(i)).append(suffix);
}

Bytes ReadAll(const std::string& path) {
  Bytes b;
  platform::ReadFileBytes(path, &b);
  return b;
}

void WriteAll(const std::string& path, const Bytes& bytes) {
  ASSERT_TRUE(platform::WriteFileAtomic(path, bytes.data(), bytes.size()));
}

Bytes Pattern(size_t n, int seed) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 13 + seed);
  return b;
}

class PackageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::CreateDirectories("pkgsrc");
    WriteAll("pkgsrc/button.png", Pattern(100, 1));
    WriteAll("pkgsrc/click.wav", Pattern(37, 2));
    WriteAll("pkgsrc/\xB1\xB3\xBE\xB0.bmp", Pattern(5, 3));  // a GBK name: 背景.bmp
    WriteAll("pkgsrc/empty.txt", {});
  }

  // A package of the three files (capacity 10).
  void MakeThree(const std::string& out) {
    ResourcePackage p("skin", 10, 1, 2, 3);
    EXPECT_EQ(p.AddFile("button.png", "pkgsrc/button.png", nullptr, 7, 8), 1u);
    EXPECT_EQ(p.AddFile("click.wav", "pkgsrc\\click.wav", nullptr, 0, 0), 2u);
    EXPECT_EQ(p.AddFile("\xB1\xB3\xBE\xB0.bmp", "pkgsrc/\xB1\xB3\xBE\xB0.bmp", nullptr, 0, 0), 3u);
    EXPECT_EQ(p.Pack(out, 1), 3u);
  }
};

TEST_F(PackageTest, WrittenLayoutIsByteExact) {
  MakeThree("three.qzr");
  const Bytes file = ReadAll("three.qzr");
  ASSERT_EQ(file.size(), 496u + 100 + 37 + 5);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 8), (Bytes{'q', 'z', 'r', 0, 0, 0, 0, 0}));
  EXPECT_EQ(ReadU32(&file[8]), 1u);
  EXPECT_EQ(ReadU32(&file[12]), 2u);
  EXPECT_EQ(ReadF64(&file[16]), 1.0);
  EXPECT_EQ(ReadF64(&file[24]), 1.0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[32])), "skin");
  EXPECT_EQ(ReadU32(&file[96]), 3u);
  EXPECT_EQ(ReadU32(&file[100]), 3u);
  EXPECT_EQ(ReadU32(&file[104]), 10u);
  for (size_t i = 108; i < 176; ++i) EXPECT_EQ(file[i], 0) << i;
  // Entry 0: button.imge at 496.
  const NameKey key = MakeNameKey("button.imge");
  EXPECT_EQ(ReadU32(&file[176]), key.rs);
  EXPECT_EQ(ReadU32(&file[180]), key.js);
  EXPECT_EQ(ReadU32(&file[184]), key.x31);
  EXPECT_EQ(ReadU32(&file[188]), 496u);
  EXPECT_EQ(ReadU32(&file[192]), 100u);
  EXPECT_EQ(ReadU32(&file[196]), HashRS(".png"));
  EXPECT_EQ(ReadU32(&file[200]), 7u);
  EXPECT_EQ(ReadU32(&file[204]), 8u);
  EXPECT_EQ(ReadU32(&file[176 + 32 + 12]), 596u);
  // Spare entries: zero but for the offset, the end of the data.
  for (int i = 3; i < 10; ++i) {
    const uint8_t* e = &file[176 + 32 * i];
    EXPECT_EQ(ReadU32(e + 12), file.size());
    for (int w : {0, 4, 8, 16, 20, 24, 28}) EXPECT_EQ(ReadU32(e + w), 0u);
  }
  EXPECT_EQ(Bytes(file.begin() + 496, file.begin() + 596), Pattern(100, 1));
}

TEST_F(PackageTest, FileAndMemoryReadersGiveEveryMember) {
  MakeThree("three.qzr");
  const Bytes image = ReadAll("three.qzr");
  ResourcePackage from_file("three.qzr");
  MemoryResourcePackage from_memory(image.data(), image.size());
  for (ResourcePackage* p : {static_cast<ResourcePackage*>(&from_file), static_cast<ResourcePackage*>(&from_memory)}) {
    ASSERT_TRUE(p->IsOpen());
    EXPECT_EQ(p->GetUsedCount(), 3u);
    EXPECT_EQ(p->GetName(), "skin");
    Bytes out;
    ASSERT_TRUE(p->LoadEntryByName("button.imge", &out));
    EXPECT_EQ(out, Pattern(100, 1));
    ASSERT_TRUE(p->LoadEntryByName("click.sound", &out));
    EXPECT_EQ(out, Pattern(37, 2));
    ASSERT_TRUE(p->LoadEntryByName("\xB1\xB3\xBE\xB0.imge", &out));
    EXPECT_EQ(out, Pattern(5, 3));
    EXPECT_FALSE(p->LoadEntryByName("missing.imge", &out));
    EXPECT_EQ(p->FindEntryByName("click.sound"), 1);
    EXPECT_EQ(p->FindEntryByName("Click.sound"), -1);
    uint8_t small[10];
    EXPECT_EQ(p->ReadEntryInto(0, small, sizeof small), 0) << "buffer smaller than the member";
    EXPECT_EQ(p->ReadEntryInto(2, small, sizeof small), 1);
    EXPECT_EQ(Bytes(small, small + 5), Pattern(5, 3));
    EXPECT_EQ(p->GetEntrySize(3), 0u);
    EXPECT_EQ(p->GetEntryTypeHash(1), HashRS(".wav"));
  }
  Bytes out;
  EXPECT_TRUE(LoadPackageEntry("three.qzr", "click.sound", &out));
  EXPECT_EQ(out, Pattern(37, 2));
}

TEST_F(PackageTest, CursorWalk) {
  MakeThree("three.qzr");
  ResourcePackage p("three.qzr");
  EXPECT_EQ(p.GetIndex(), 0u);
  EXPECT_EQ(p.GetCurrentEntry().size, 100u);
  EXPECT_TRUE(p.Next(0));
  EXPECT_EQ(p.GetIndex(), 1u);
  // No later entry of this type: false, the cursor ends on the last used entry.
  EXPECT_FALSE(p.Next(HashRS(".mp3")));
  EXPECT_EQ(p.GetIndex(), 2u);
  EXPECT_FALSE(p.Next(0));
  p.Rewind();
  EXPECT_TRUE(p.Next(HashRS(".bmp")));
  EXPECT_EQ(p.GetIndex(), 2u);
  p.SeekTo(7);
  EXPECT_EQ(p.GetIndex(), 1u);
  p.SeekLast();
  EXPECT_EQ(p.GetIndex(), 2u);
  EXPECT_EQ(p.CurrentTypeHash(), HashRS(".bmp"));
  Bytes out;
  EXPECT_TRUE(p.LoadCurrent(&out));
  EXPECT_EQ(out, Pattern(5, 3));
}

TEST_F(PackageTest, EmptyPackageWalksNothing) {
  ResourcePackage w("none", 4, 0, 0, 0);
  ASSERT_EQ(w.Pack("none.qzr", 1), 0u);  // a package of no members still writes (used 0)
  ASSERT_TRUE(platform::FileExists("none.qzr"));
  ResourcePackage p("none.qzr");
  ASSERT_TRUE(p.IsOpen());
  p.SeekLast();
  EXPECT_EQ(p.GetIndex(), 0u);
  EXPECT_EQ(p.GetCurrentEntry().size, 0u);
  EXPECT_FALSE(p.Next(0));
  p.SeekTo(5);
  EXPECT_EQ(p.GetIndex(), 0u);
}

TEST_F(PackageTest, WriterRulesAndSorting) {
  ResourcePackage p("x", 2, 0, 0, 0);
  EXPECT_EQ(p.AddFile("nofile.png", "pkgsrc/nofile.png", nullptr, 0, 0), 0u);
  EXPECT_EQ(p.AddFile("click.wav", "pkgsrc/click.wav", nullptr, 0, 0), 1u);
  EXPECT_EQ(p.AddFile("button.png", "pkgsrc/button.png", ".special", 0, 0), 2u);
  EXPECT_EQ(p.AddFile("empty.txt", "pkgsrc/empty.txt", nullptr, 0, 0), 0u) << "table full";
  EXPECT_EQ(p.FindEntryByName("button.special"), 1);
  p.SetEntryWords("button.special", 5, 6);
  p.SortEntries();
  const bool swapped = HashRS("click.sound") > HashRS("button.special");
  EXPECT_EQ(p.FindEntryByName("button.special"), swapped ? 0 : 1);
  EXPECT_EQ(p.Pack("never.qzr", 0), 2u);
  EXPECT_FALSE(platform::FileExists("never.qzr"));
  ASSERT_EQ(p.Pack("sorted.qzr", 1), 2u);
  ResourcePackage r("sorted.qzr");
  EXPECT_LT(r.GetEntry(0).rs, r.GetEntry(1).rs);
  EXPECT_EQ(r.GetEntry(0).offset, 176u + 64);
  Bytes out;
  ASSERT_TRUE(r.LoadEntryByName("button.special", &out));
  EXPECT_EQ(out, Pattern(100, 1));
  EXPECT_EQ(r.GetEntry(r.FindEntryByName("button.special")).user_a, 5u);
}

TEST_F(PackageTest, LongNamesAreCutAndMembersThatChangedFailThePack) {
  ResourcePackage p(std::string(100, 'n'), 3, 0, 0, 0);
  EXPECT_EQ(p.GetName(), std::string(63, 'n'));
  EXPECT_EQ(p.SetName(std::string(80, 'm')), 64u);
  ASSERT_EQ(p.AddFile("button.png", "pkgsrc/button.png", nullptr, 0, 0), 1u);
  ASSERT_EQ(p.Pack("cut.qzr", 1), 1u);
  ResourcePackage r("cut.qzr");
  EXPECT_EQ(r.GetCapacity(), 3u);
  EXPECT_EQ(r.GetUsedCount(), 1u);

  // The member grew or shrank after it was added: the pack fails naming it, and why.
  for (const size_t now : {150, 99}) {
    WriteAll("pkgsrc/button.png", Pattern(now, 1));
    std::string error;
    EXPECT_EQ(p.Pack("changed.qzr", 1, &error), 0u);
    EXPECT_EQ(error, "资源pkgsrc/button.png打包失败 (it changed while it was copied: it no longer holds 100 bytes)");
    EXPECT_FALSE(platform::FileExists("changed.qzr")) << "nothing is written when packing fails";
  }
}

TEST_F(PackageTest, PathsLongerThanTheLimitAreRefusedNotCut) {
  // A package at a path of exactly the longest length, and the same path with one more byte:
  // cut to the limit, the longer one would open the other file.
  const std::string folder(200, 'd');
  const std::string path = folder + "/" + std::string(engine::kMaxPathLength - folder.size() - 5, 'p') + ".qzr";
  ASSERT_EQ(path.size(), engine::kMaxPathLength);
  platform::CreateDirectories(folder);
  MakeThree(path);
  EXPECT_TRUE(ResourcePackage(path).IsOpen());
  ResourcePackage longer(path + "x");
  EXPECT_FALSE(longer.IsOpen());
  EXPECT_NE(longer.error().find("longer than 259"), std::string::npos) << longer.error();
  // Nor is a package written where no reader could open it.
  ResourcePackage unreadable("skin", 1, 0, 0, 0);
  ASSERT_EQ(unreadable.AddFile("button.png", "pkgsrc/button.png", nullptr, 0, 0), 1u);
  std::string error;
  EXPECT_EQ(unreadable.Pack(path + "x", 1, &error), 0u);
  EXPECT_NE(error.find("longer than the 259"), std::string::npos) << error;
  EXPECT_FALSE(platform::FileExists(path + "x"));
}

TEST_F(PackageTest, AFileWithoutThePackageMarkIsRefused) {
  MakeThree("marked.qzr");
  Bytes bytes;
  ASSERT_TRUE(platform::ReadFileBytes("marked.qzr", &bytes));
  EXPECT_TRUE(MemoryResourcePackage(bytes.data(), bytes.size()).IsOpen());
  bytes[2] = 'x';
  WriteAll("unmarked.qzr", bytes);
  ResourcePackage file("unmarked.qzr");
  EXPECT_FALSE(file.IsOpen());
  EXPECT_NE(file.error().find("\"qzr\""), std::string::npos) << file.error();
  EXPECT_FALSE(MemoryResourcePackage(bytes.data(), bytes.size()).IsOpen());
}

TEST(ClassifyTest, CategoriesAndHashes) {
  std::string name = "bg";
  EXPECT_EQ(ClassifyExtension(&name, ".jpeg"), 1);
  EXPECT_EQ(name, "bg.imge");
  name = "bg";
  EXPECT_EQ(ClassifyExtension(&name, ".JPG"), 0);
  EXPECT_EQ(name, "bg.JPG");
  EXPECT_EQ(CategoryHashOfExtension(".jpeg"), 0u);
  EXPECT_EQ(CategoryHashOfExtension(".jpg"), HashRS(".imge"));
  EXPECT_EQ(CategoryHashOfExtension(".qzi"), HashRS(".ini"));
  EXPECT_EQ(ImageExtensionOfHash(HashRS(".wbmp")), ".wbmp");
  EXPECT_EQ(ImageExtensionOfHash(HashRS(".jpeg")), "");
  EXPECT_EQ(ResourceNameOf("a\\b/Back.PNG"), "Back.imge");
  EXPECT_EQ(ResourceNameOf("rules.qzs"), "rules.script");
  EXPECT_EQ(ResourceNameOf("data.bin"), "data.bin");
  EXPECT_EQ(ResourceNameOf("song.midi"), "song.midi");
  EXPECT_EQ(ResourceNameOf("page.HTML"), "page.http");
  EXPECT_EQ(ResourceNameOf("x.png", ".mine"), "x.mine");
}

// ---------------------------------------------------------------------------------------------
// Hostile files: refused or bounded, never read out of bounds.

Bytes GoodImage() {
  ResourcePackage p("h", 4, 0, 0, 0);
  platform::CreateDirectories("hsrc");
  platform::WriteFileAtomic("hsrc/a.png", "abcdef", 6);
  platform::WriteFileAtomic("hsrc/b.wav", "xyz", 3);
  p.AddFile("a.png", "hsrc/a.png", nullptr, 0, 0);
  p.AddFile("b.wav", "hsrc/b.wav", nullptr, 0, 0);
  p.Pack("h.qzr", 1);
  return ReadAll("h.qzr");
}

TEST(PackageHostileTest, TruncatedImagesAndFiles) {
  const Bytes good = GoodImage();
  ASSERT_EQ(good.size(), 176u + 128 + 9);
  for (size_t cut = 0; cut < good.size(); ++cut) {
    Bytes part(good.begin(), good.begin() + cut);
    MemoryResourcePackage m(part.data(), part.size());
    WriteAll("cut.qzr", part);
    ResourcePackage f("cut.qzr");
    for (ResourcePackage* p : {static_cast<ResourcePackage*>(&m), static_cast<ResourcePackage*>(&f)}) {
      if (cut < 176 + 128) {
        EXPECT_FALSE(p->IsOpen()) << cut;
        continue;
      }
      ASSERT_TRUE(p->IsOpen()) << cut;
      Bytes out;
      EXPECT_EQ(p->LoadEntryByName("a.imge", &out), cut >= 176 + 128 + 6) << cut;
      EXPECT_EQ(p->LoadEntryByName("b.sound", &out), cut >= 176 + 128 + 9) << cut;
      EXPECT_EQ(p->EntryInBounds(1), cut >= 176 + 128 + 9);
    }
  }
}

TEST(PackageHostileTest, BadCountsAndNames) {
  const Bytes good = GoodImage();
  Bytes b = good;
  WriteU32(&b[100], 5);  // used above capacity
  EXPECT_FALSE(MemoryResourcePackage(b.data(), b.size()).IsOpen());
  b = good;
  WriteU32(&b[104], 0x7FFFFFFF);  // a table far larger than the file
  EXPECT_FALSE(MemoryResourcePackage(b.data(), b.size()).IsOpen());
  WriteAll("huge.qzr", b);
  ResourcePackage huge("huge.qzr");
  EXPECT_FALSE(huge.IsOpen());
  EXPECT_FALSE(huge.error().empty());
  b = good;
  std::memset(&b[32], 'N', 64);  // name without its NUL
  MemoryResourcePackage named(b.data(), b.size());
  EXPECT_EQ(named.GetName(), std::string(64, 'N'));
  b = good;
  WriteU32(&b[176 + 12], 0xFFFFFFF0);  // entry offset past the end
  MemoryResourcePackage past(b.data(), b.size());
  Bytes out;
  EXPECT_FALSE(past.LoadEntry(0, &out));
  EXPECT_TRUE(past.LoadEntry(1, &out));
  b = good;
  b[0] = 'X';  // a foreign mark
  EXPECT_FALSE(MemoryResourcePackage(b.data(), b.size()).IsOpen());
  EXPECT_FALSE(MemoryResourcePackage(nullptr, 100).IsOpen());
  EXPECT_FALSE(ResourcePackage("no-such.qzr").IsOpen());

  std::mt19937 rng(11);
  for (int i = 0; i < 3000; ++i) {
    Bytes c = good;
    for (int k = 0; k < 3; ++k) c[rng() % c.size()] = static_cast<uint8_t>(rng());
    MemoryResourcePackage m(c.data(), c.size());
    for (uint32_t e = 0; e < m.GetUsedCount(); ++e) m.LoadEntry(e, &out);
  }
}

// A thousand entries on one member would unpack to a thousand copies. Empty members take no bytes.
TEST(PackageHostileTest, MembersThatOverlapEachOtherOrTheTableAreRefused) {
  const Bytes good = GoodImage();
  constexpr size_t kEntry0 = 176, kEntry1 = 176 + 32;
  const auto refused = [](Bytes image, const char* what) {
    WriteAll("overlap.qzr", image);
    ResourcePackage file("overlap.qzr");
    EXPECT_FALSE(file.IsOpen());
    EXPECT_NE(file.error().find(what), std::string::npos) << file.error();
    EXPECT_FALSE(MemoryResourcePackage(image.data(), image.size()).IsOpen());
  };
  Bytes b = good;
  WriteU32(&b[kEntry1 + 12], ReadU32(&b[kEntry0 + 12]) + 2);  // b.wav inside a.png
  refused(b, "overlaps another member");
  b = good;
  WriteU32(&b[kEntry1 + 12], ReadU32(&b[kEntry0 + 12]));  // both on the same bytes
  refused(b, "overlaps another member");
  b = good;
  WriteU32(&b[kEntry0 + 12], 100);  // a.png over the header
  refused(b, "overlaps the header and entry table");
  b = good;
  WriteU32(&b[kEntry1 + 12], 0);  // an empty member at the very start
  WriteU32(&b[kEntry1 + 16], 0);
  EXPECT_TRUE(MemoryResourcePackage(b.data(), b.size()).IsOpen());
}

TEST(PackageLookupTest, TenThousandEntriesFindEachByName) {
  const uint32_t n = 10000;
  platform::CreateDirectories("many");
  platform::WriteFileAtomic("many/one.bin", "1", 1);
  ResourcePackage p("many", n, 0, 0, 0);
  for (uint32_t i = 0; i < n; ++i) ASSERT_EQ(p.AddFile(Numbered("f", i, ".png"), "many/one.bin", nullptr, i, 0), i + 1);
  ASSERT_EQ(p.Pack("many.qzr", 1), n);
  ResourcePackage r("many.qzr");
  ASSERT_TRUE(r.IsOpen());
  for (uint32_t i = 0; i < n; i += 97) EXPECT_EQ(r.FindEntryByName(Numbered("f", i, ".imge")), static_cast<int32_t>(i));
  // A duplicate key: the first entry wins.
  ResourcePackage d("dup", 2, 0, 0, 0);
  d.AddFile("a.png", "many/one.bin", nullptr, 0, 0);
  d.AddFile("a.bmp", "many/one.bin", nullptr, 0, 0);
  EXPECT_EQ(d.FindEntryByName("a.imge"), 0);
}

}  // namespace
}  // namespace engine
