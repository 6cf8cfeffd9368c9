// ctest-labels: resources
#include "engine/media/resource_module.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/core/game_core.h"
#include "engine/media/resource_package.h"
#include "platform/files.h"
#include "tests/support/game_log_reader.h"

namespace engine {
namespace {

using Bytes = std::vector<uint8_t>;

// "f12.png": built with append, as GCC 12 warns falsely (-Wrestrict) on chained operator+.
std::string Numbered(const char* prefix, uint32_t i, const char* suffix) {
  return std::string(prefix).append(std::to_string(i)).append(suffix);
}

void Write(const std::string& path, const std::string& text) {
  ASSERT_TRUE(platform::WriteFileAtomic(path, text.data(), text.size()));
}

std::string DataOf(ResourceRecord* r) {
  return r && r->data ? std::string(reinterpret_cast<const char*>(r->data), r->size) : std::string("<none>");
}

// A package of the given (file name, content) members, written from a scratch folder.
void MakePackage(const std::string& path, const std::vector<std::pair<std::string, std::string>>& members) {
  platform::CreateDirectories("pkgsrc");
  ResourcePackage p("test", static_cast<uint32_t>(members.size()), 0, 0, 0);
  for (const auto& [name, content] : members) {
    Write("pkgsrc/" + name, content);
    ASSERT_GT(p.AddFile(name, "pkgsrc/" + name, nullptr, 0, 0), 0u);
  }
  ASSERT_EQ(p.Pack(path, 1), members.size());
}

Bytes ReadAll(const std::string& path) {
  Bytes b;
  platform::ReadFileBytes(path, &b);
  return b;
}

TEST(ResourceModuleTest, IdentityAndEvents) {
  ResourceModule m;
  EXPECT_EQ(m.GetId(), 1001u);
  EXPECT_STREQ(m.GetName(), "ResourceModule");
  EXPECT_EQ(m.Init(), 1);
  EXPECT_EQ(m.HandleEvent(1037, 0, 0), QUILLARON_RETURN_OK);
  EXPECT_EQ(m.HandleEvent(1042, 0, 0), QUILLARON_RETURN_OK);
  Write("event.png", "e");
  EXPECT_EQ(m.HandleEvent(resource_event::kRegisterFile, reinterpret_cast<uintptr_t>("event.png"), 0), 0);
  EXPECT_TRUE(m.HasResource(MakeNameKey("event.imge")));
  EXPECT_EQ(m.HandleEvent(resource_event::kRegisterFile, reinterpret_cast<uintptr_t>("nofile.png"), 0), 0);
}

TEST(ResourceModuleTest, NamingByCategory) {
  ResourceModule m;
  Write("readme.txt", "hello");
  Write("notes.dat", "n");
  Write("rules.qzs", "r");
  const NameKey text = m.RegisterFile("readme.txt");
  EXPECT_EQ(text, MakeNameKey("readme.text"));
  EXPECT_EQ(m.FindRecord(text)->category_hash, HashRS(".txt")) << "no table row for .txt";
  const NameKey dat = m.RegisterFile("notes.dat");
  EXPECT_EQ(dat, MakeNameKey("notes.dat"));
  EXPECT_EQ(m.FindRecord(dat)->category_hash, HashRS(".dat"));
  const NameKey script = m.RegisterFile("rules.qzs");
  EXPECT_EQ(script, MakeNameKey("rules.script"));
  EXPECT_EQ(m.FindRecord(script)->category_hash, HashRS(".script"));
  EXPECT_EQ(m.FindRecord(script)->type_hash, HashRS(".qzs"));
  const NameKey named = m.RegisterFile("readme.txt", "Other");
  EXPECT_EQ(named, MakeNameKey("Other.text"));
  EXPECT_EQ(m.RegisterFile("missing.png"), NameKey{});
  EXPECT_EQ(CategoryOfType(HashRS(".jpeg")), HashRS(".imge"));
  EXPECT_EQ(CategoryOfType(HashRS(".mid")), HashRS(".sound"));
  EXPECT_EQ(CategoryOfType(HashRS(".txt")), HashRS(".txt"));
}

TEST(ResourceModuleTest, LooseFilesLoadOnDemandWithATrailingZero) {
  ResourceModule m;
  Write("Back.PNG", "first");
  const NameKey key = m.RegisterFile("Back.PNG");
  EXPECT_EQ(key, MakeNameKey("Back.imge"));
  EXPECT_EQ(m.FindRecord(key)->size, 0u) << "nothing read before the first load";
  ResourceRecord* r = m.LoadResource(key);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(DataOf(r), "first");
  EXPECT_EQ(r->data[r->size], 0);
  // A consumer frees the bytes after decoding; the next load reads them again.
  ReleaseResourceData(r);
  EXPECT_EQ(m.GetResourceData(key) != nullptr, true);
  EXPECT_EQ(DataOf(m.LoadResource(key)), "first");
  // The same name from another file replaces the first registration.
  platform::CreateDirectories("back2");
  Write("back2/Back.png", "second!");
  EXPECT_EQ(m.RegisterFile("back2/Back.png"), key);
  EXPECT_EQ(m.ResourceCount(), 1u);
  EXPECT_EQ(DataOf(m.LoadResource(key)), "second!");
  // A file of no bytes is a one-byte buffer holding 0.
  Write("empty.wav", "");
  const NameKey empty = m.RegisterFile("empty.wav");
  r = m.LoadResource(empty);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->size, 0u);
  EXPECT_EQ(r->data[0], 0);
  m.ReleaseFile("Back.PNG");
  EXPECT_FALSE(m.HasResource(key));
  EXPECT_EQ(m.LoadResource(key), nullptr);
  EXPECT_EQ(m.GetResourceData(key), nullptr);
}

TEST(ResourceModuleTest, ManyLooseFilesHoldNoDescriptors) {
  // More files than a process may hold open at once on Linux by default.
  platform::CreateDirectories("many");
  for (int i = 0; i < 1500; ++i) Write(Numbered("many/f", static_cast<uint32_t>(i), ".txt"), std::to_string(i));
  ResourceModule m;
  EXPECT_EQ(m.RegisterFolder("many"), 1500);
  EXPECT_EQ(m.ResourceCount(), 1500u);
  EXPECT_EQ(m.OpenFileCount(), 0u);
  for (int i = 0; i < 1500; i += 149) {
    EXPECT_EQ(DataOf(m.LoadResource(MakeNameKey(Numbered("f", static_cast<uint32_t>(i), ".text")))), std::to_string(i));
  }
}

TEST(ResourceModuleTest, FoldersAreNotEnteredAndSeparatorsDoNotMatter) {
  platform::CreateDirectories("skin/sub");
  Write("skin/a.png", "a");
  Write("skin/b.wav", "b");
  Write("skin/sub/c.png", "c");
  ResourceModule with, without;
  EXPECT_EQ(with.RegisterFolder("skin\\"), 2);
  EXPECT_EQ(without.RegisterFolder("skin"), 2);
  EXPECT_TRUE(with.HasResource(MakeNameKey("a.imge")));
  EXPECT_TRUE(without.HasResource(MakeNameKey("b.sound")));
  EXPECT_FALSE(without.HasResource(MakeNameKey("c.imge")));
  EXPECT_EQ(without.HandleEvent(resource_event::kRegisterFolder, reinterpret_cast<uintptr_t>("skin"), 0), 2);
}

TEST(ResourceModuleTest, PackagesAndLooseFilesInEitherOrder) {
  MakePackage("skin.qzr", {{"button.png", "packed button"}, {"click.wav", "packed click"}, {"none.txt", ""}});
  Write("button.png", "loose button");

  // Package first, then the loose file: the loose file is served.
  ResourceModule m;
  EXPECT_EQ(m.OpenPackage("skin.qzr"), 3);
  EXPECT_EQ(m.OpenFileCount(), 1u);
  EXPECT_EQ(DataOf(m.LoadResource(MakeNameKey("button.imge"))), "packed button");
  m.RegisterFile("button.png");
  EXPECT_EQ(DataOf(m.LoadResource(MakeNameKey("button.imge"))), "loose button");
  EXPECT_EQ(DataOf(m.LoadResource(MakeNameKey("click.sound"))), "packed click");
  // A member of no bytes is a one-byte buffer holding 0, not the rest of the package.
  ResourceRecord* none = m.LoadResource(MakeNameKey("none.text"));
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->size, 0u);
  EXPECT_EQ(none->data[0], 0);
  EXPECT_EQ(none->flags, kResourceFlagValid | kResourceSharesFile);

  // Loose file first, then the package: the package's entry is skipped but counted.
  ResourceModule n;
  n.RegisterFile("button.png");
  EXPECT_EQ(n.HandleEvent(resource_event::kOpenPackage, reinterpret_cast<uintptr_t>("skin.qzr"), 0), 3);
  EXPECT_EQ(DataOf(n.LoadResource(MakeNameKey("button.imge"))), "loose button");

  // The same package twice: the first records stay, a second shared handle is kept.
  ResourceRecord* click = n.LoadResource(MakeNameKey("click.sound"));
  EXPECT_EQ(n.OpenPackage("skin.qzr"), 3);
  EXPECT_EQ(n.OpenFileCount(), 2u);
  EXPECT_EQ(n.LoadResource(MakeNameKey("click.sound")), click);
}

TEST(ResourceModuleTest, PackageImagesInMemory) {
  MakePackage("img.qzr", {{"a.png", "alpha"}, {"b.ogg", "bravo"}});
  const Bytes image = ReadAll("img.qzr");
  ResourceModule m;
  Write("a.png", "loose");
  m.RegisterFile("a.png");
  EXPECT_EQ(m.OpenPackageImage(image.data(), image.size()), 2);
  EXPECT_EQ(DataOf(m.LoadResource(MakeNameKey("a.imge"))), "loose");
  ResourceRecord* b = m.LoadResource(MakeNameKey("b.sound"));
  EXPECT_EQ(DataOf(b), "bravo");
  EXPECT_EQ(b->data[b->size], 0);
  // The image is not kept: the records hold copies.
  ResourceModule unsized;
  EXPECT_EQ(unsized.HandleEvent(resource_event::kOpenPackageImage, reinterpret_cast<uintptr_t>(image.data()), 0), 2);
  EXPECT_EQ(DataOf(unsized.LoadResource(MakeNameKey("a.imge"))), "alpha");
  // A member whose bytes pass the end of a sized image is skipped.
  Bytes cut(image.begin(), image.end() - 2);
  ResourceModule short_image;
  EXPECT_EQ(short_image.OpenPackageImage(cut.data(), cut.size()), 2);
  EXPECT_TRUE(short_image.HasResource(MakeNameKey("a.imge")));
  EXPECT_FALSE(short_image.HasResource(MakeNameKey("b.sound")));
}

TEST(ResourceModuleTest, FailedPackagesAreLoggedAndReported) {
  testing::GameLogReader log;
  GameCore core;
  auto* module = new ResourceModule;
  ASSERT_EQ(core.LoadModule(module, true, true), QUILLARON_RETURN_OK);
  EXPECT_EQ(module->OpenPackage("missing.qzr"), 0);
  EXPECT_NE(log.Text().find("资源包missing.qzr加载失败!"), std::string::npos) << log.Text();
  EXPECT_EQ(module->OpenPackageImage(nullptr, 0), 0);
  EXPECT_NE(log.Text().find("资源包0加载失败!"), std::string::npos);
  Bytes junk(300, 0);
  junk[104] = 0xFF;  // a table larger than the image
  EXPECT_EQ(module->OpenPackageImage(junk.data(), junk.size()), 0);
  EXPECT_EQ(module->ResourceCount(), 0u);
  EXPECT_EQ(module->OpenFileCount(), 0u);
}

TEST(ResourceModuleTest, MemoryBlocksAndExit) {
  MakePackage("exit.qzr", {{"x.png", "xx"}, {"y.png", "yy"}});
  Write("loose.txt", "loose");
  ResourceModule m;
  uint8_t* block = new uint8_t[4]{'m', 'e', 'm', 0};
  const NameKey mem = m.RegisterMemory("block.txt", block, 3);
  EXPECT_EQ(DataOf(m.LoadResource(mem)), "mem");
  m.OpenPackage("exit.qzr");
  m.RegisterFile("loose.txt");
  EXPECT_EQ(DataOf(m.LoadResource(MakeNameKey("x.imge"))), "xx");
  m.Exit();
  EXPECT_EQ(m.OpenFileCount(), 0u);
  // Loaded bytes stay; what was never loaded can no longer be.
  EXPECT_EQ(DataOf(m.LoadResource(MakeNameKey("x.imge"))), "xx");
  EXPECT_EQ(m.LoadResource(MakeNameKey("y.imge")), nullptr);
  EXPECT_EQ(m.LoadResource(MakeNameKey("loose.text")), nullptr);
  EXPECT_EQ(DataOf(m.LoadResource(mem)), "mem");
  m.ReleaseResource(mem);
  EXPECT_FALSE(m.HasResource(mem));
}

TEST(ResourceModuleTest, SharedModuleIsBuiltOnce) { EXPECT_EQ(GetResourceModule(), GetResourceModule()); }

}  // namespace
}  // namespace engine
