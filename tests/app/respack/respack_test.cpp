// ctest-labels: resources
// Runs the respack tool as a user would and checks its files, output and exit status; its
// commands are built into this test too, for the faults only a test can make.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/respack/respack.h"

#include "engine/core/name_key.h"
#include "engine/media/pps_picture.h"
#include "engine/media/resource_package.h"
#include "platform/atomic_file.h"
#include "platform/files.h"
#include "platform/gbk.h"
#include "platform/picture_decoder.h"
#include "platform/png_file.h"
#include "tests/support/other_user.h"
#include "tests/support/test_pictures.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadText(const std::string& path) {
  Bytes b;
  platform::ReadFileBytes(path, &b);
  return std::string(b.begin(), b.end());
}

// Arguments are UTF-8, as a shell passes them.
ToolRun Respack(const std::string& args) {
  const std::string command = std::string(ZP_BINARY_DIR) + "/app/respack " + args + " >run.out 2>run.err";
  ToolRun run;
  const int raw = std::system(command.c_str());
  run.status = (raw >> 8) & 0xFF;
  run.out = ReadText("run.out");
  run.err = ReadText("run.err");
  return run;
}

// Runs the tool with these arguments (no shell), its output into run.out and run.err; a run
// that takes longer than `seconds` is ended (SIGALRM, which an exec keeps), so a hang fails in
// seconds. A run ended by a signal has status 128 + the signal.
ToolRun RespackWithin(unsigned seconds, std::vector<std::string> args) {
  args.insert(args.begin(), std::string(ZP_BINARY_DIR) + "/app/respack");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(::open("run.out", O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    ::dup2(::open("run.err", O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    ::alarm(seconds);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), ReadText("run.out"), ReadText("run.err")};
}

int Lines(const std::string& text) {
  int n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

void Write(const std::string& gbk_path, const Bytes& bytes) {
  ASSERT_TRUE(platform::WriteFileAtomic(gbk_path, bytes.data(), bytes.size()));
}

Bytes Read(const std::string& gbk_path) {
  Bytes b;
  platform::ReadFileBytes(gbk_path, &b);
  return b;
}

const std::string kBackGbk = "\xB1\xB3\xBE\xB0";  // 背景

TEST(RespackTest, HelpAndUsage) {
  for (const char* help : {"--help", "-h"}) {
    ToolRun r = Respack(help);
    EXPECT_EQ(r.status, 0) << help;
    EXPECT_NE(r.out.find("pps-encode"), std::string::npos) << help;
    for (const char* command : {"pack", "list", "extract", "unpack", "pps-encode", "pps-decode", "pps-info"}) {
      r = Respack(std::string(command) + " " + help);
      EXPECT_EQ(r.status, 0) << command << help;
      EXPECT_EQ(r.out.rfind(std::string("usage: respack ") + command, 0), 0u) << command << help;
    }
  }
  EXPECT_EQ(Respack("").status, 2);
  EXPECT_EQ(Respack("frobnicate").status, 2);
  EXPECT_EQ(Respack("list").status, 2);
  EXPECT_EQ(Respack("pack a b c").status, 2);
  EXPECT_EQ(Respack("pps-encode a b --codec 7").status, 2);
  EXPECT_EQ(Respack("pps-decode a b --frames 1").status, 2);
  // An option a command does not take is refused with its usage, never taken for a file.
  platform::CreateDirectories("in");
  for (const char* command : {"pack --bogus out.qzr", "pack in -o", "pps-decode a.pps -v"}) {
    const std::string name(command, std::strchr(command, ' '));
    EXPECT_EQ(Respack(command).err.rfind("respack " + name + ": unknown option"), 0u) << command;
  }
  EXPECT_FALSE(std::filesystem::exists("-o"));
}

// "--" ends the options; every refusal says why in its first line, then the usage follows.
TEST(RespackTest, CommandLinesFollowTheUsualConventions) {
  platform::CreateDirectories("-d");
  Write("-d/a.txt", {1});
  ToolRun r = Respack("pack -- -d -o.qzr");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(engine::ResourcePackage("./-o.qzr").GetUsedCount(), 1u);
  const std::pair<const char*, const char*> kRefused[] = {
      {"pps-encode a.png b.pps --codec 2 --codec 3", "respack pps-encode: --codec is given twice"},
      {"unpack ./-o.qzr ''", "respack unpack: an empty argument names nothing"},
      {"pps-encode a.png b.pps --codec ''", "respack pps-encode: --codec takes a value, not an empty argument"},
      {"pps-encode a.png b.pps --codec ' 3'", "respack pps-encode: --codec takes a number from 1 to 6, not ' 3'"},
      {"pps-decode a.pps b.png --frame +1", "respack pps-decode: --frame takes a number from 0 to 65535, not '+1'"},
      {"pps-decode a.pps b.png --frame 5x", "respack pps-decode: --frame takes a number from 0 to 65535, not '5x'"},
      {"pps-encode a.png b.pps --codec 3a", "respack pps-encode: --codec takes a number from 1 to 6, not '3a'"},
      {"pack ./-d", "respack pack: 1 argument given, 2 taken"},
      {"--", "respack: no command given"},
  };
  for (const auto& [args, why] : kRefused) {
    r = Respack(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), why);
    EXPECT_NE(r.err.find("usage:"), std::string::npos) << r.err;
  }
}

// A path is used exactly as given ("c:x.wav" is a name here, never a drive) and a message names
// it once, as typed, its line ends and bytes that are no UTF-8 escaped.
TEST(RespackTest, PathsAreTakenAndNamedExactlyAsTyped) {
  platform::CreateDirectories("pk");
  Write("pk/a.txt", {'h', 'i'});
  Write("x.wav", {'K'});
  ASSERT_EQ(Respack("pack pk 'z:x.wav'").status, 0);
  ASSERT_EQ(Respack("extract 'z:x.wav' a.txt 'c:x.wav'").status, 0);
  std::ifstream made("c:x.wav");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(made), {}), "hi");
  EXPECT_EQ(Read("x.wav"), (Bytes{'K'}));
  const std::pair<const char*, const char*> kSaid[] = {
      {"pps-encode ./nosuch/a.png o.pps", "respack: cannot read ./nosuch/a.png (No such file or directory)\n"},
      {"pack pk ./pk/../pk/a.txt",
       "respack: ./pk/../pk/a.txt is the member pk/a.txt: a package is never written over what it packs\n"},
      {"extract z:x.wav a.txt trail.wav/", "respack: cannot write trail.wav/ (a name that ends in '/' is a folder's)\n"},
      {"pps-info \"$(printf 'n\\nx\\377.pps')\"", "respack: cannot read n\\nx\\xFF.pps (No such file or directory)\n"},
  };
  for (const auto& [args, said] : kSaid) EXPECT_EQ(Respack(args).err, said) << args;
}

TEST(RespackTest, PackListExtractUnpack) {
  platform::CreateDirectories("skin/sub");
  Write("skin/" + kBackGbk + ".png", {1, 2, 3});
  Write("skin/Click.WAV", {4, 5});
  Write("skin/readme.txt", {'h', 'i'});
  Write("skin/sub/ignored.png", {9});
  const std::string back_utf8 = platform::GbkToUtf8(kBackGbk);

  ToolRun r = Respack("pack skin skin.qzr");
  ASSERT_EQ(r.status, 0) << r.err;
  engine::ResourcePackage package("skin.qzr");
  ASSERT_TRUE(package.IsOpen());
  EXPECT_EQ(package.GetUsedCount(), 3u) << "the subfolder is not entered";
  // Names are hashed as GBK, so the package matches one made on Windows.
  Bytes out;
  ASSERT_TRUE(package.LoadEntryByName(kBackGbk + ".imge", &out));
  EXPECT_EQ(out, (Bytes{1, 2, 3}));
  ASSERT_TRUE(package.LoadEntryByName("Click.sound", &out));
  ASSERT_TRUE(package.LoadEntryByName("readme.text", &out));

  r = Respack("list skin.qzr");
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(Lines(r.out), 3);
  const engine::NameKey key = engine::MakeNameKey(kBackGbk + ".imge");
  char hashes[40];
  std::snprintf(hashes, sizeof hashes, "%08X %08X %08X", key.rs, key.js, key.x31);
  const size_t line = r.out.find(hashes);
  ASSERT_NE(line, std::string::npos) << r.out;
  EXPECT_NE(r.out.find(".png", line), std::string::npos);
  EXPECT_NE(r.out.find(".wav"), std::string::npos);

  r = Respack("extract skin.qzr " + back_utf8 + ".imge got.bin");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Read("got.bin"), (Bytes{1, 2, 3}));
  r = Respack("extract skin.qzr Click.wav click.bin");  // a file name finds its resource name
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Read("click.bin"), (Bytes{4, 5}));
  r = Respack("extract skin.qzr missing.imge x.bin");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Lines(r.err), 1);

  r = Respack("unpack skin.qzr unpacked");
  ASSERT_EQ(r.status, 0) << r.err;
  char name[64];
  std::snprintf(name, sizeof name, "unpacked/%08X_%08X_%08X.png", key.rs, key.js, key.x31);
  EXPECT_EQ(Read(name), (Bytes{1, 2, 3}));

  // Two files with one resource name are refused: only one could ever be found.
  platform::CreateDirectories("clash");
  Write("clash/a.png", {1});
  Write("clash/a.bmp", {2});
  r = Respack("pack clash clash.qzr");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Lines(r.err), 1);
  EXPECT_FALSE(platform::FileExists("clash.qzr"));
  EXPECT_EQ(Respack("pack no-such-folder x.qzr").status, 1);
  EXPECT_EQ(Respack("list no-such.qzr").status, 1);
}

TEST(RespackTest, PackTakesNamesAsTheFolderListsThemAndReadsNothingOutside) {
  // A '\' is part of a Linux file name: "..\..\secret.txt" is a file inside the folder, not the
  // secret two folders up, and "sub\data.txt" is not sub/data.txt.
  platform::CreateDirectories("deep/a/b/dir/sub");
  Write("deep/secret.txt", {'s', 'e', 'c', 'r', 'e', 't'});
  Write("deep/a/b/dir/sub/data.txt", {'s', 'u', 'b'});
  // Every file packed, found again by the name it was packed from and by its resource name.
  const std::pair<std::string, std::string> kNames[] = {
      {"..\\..\\secret.txt", "..\\..\\secret.text"},
      {"sub\\data.txt", "sub\\data.text"},
      {"\xE8\x83\x8C\xE6\x99\xAF.png", "\xE8\x83\x8C\xE6\x99\xAF.imge"},  // 背景: GBK spells it
      {"Stra\xC3\x9F" "e.ini", "Stra\xC3\x9F" "e.ini"},                        // GBK has no ß
      {"caf\xE9.dat", "caf\xE9.dat"},                                           // no UTF-8
  };
  for (const auto& [file, resource] : kNames) {
    ASSERT_TRUE(platform::WriteFileAtomic(platform::ProgramPath("deep/a/b/dir/" + file), file.data(), file.size()));
  }
  ToolRun r = Respack("pack deep/a/b/dir named.qzr");
  ASSERT_EQ(r.status, 0) << r.err;
  engine::ResourcePackage package("named.qzr");
  ASSERT_EQ(package.GetUsedCount(), std::size(kNames));
  Bytes out;
  ASSERT_TRUE(package.LoadEntryByName(kBackGbk + ".imge", &out)) << "hashed as GBK, as on Windows";
  for (const auto& [file, resource] : kNames) {
    for (const std::string& name : {file, resource}) {
      r = RespackWithin(60, {"extract", "named.qzr", name, "got.txt"});
      EXPECT_EQ(r.status, 0) << name << ": " << r.err;
      EXPECT_EQ(ReadText("got.txt"), file) << name;
      std::filesystem::remove("got.txt");
    }
  }
}

// A link may point out of the folder: it is named and left out.
TEST(RespackTest, PackLeavesOutSymbolicLinks) {
  platform::CreateDirectories("linked/dir");
  platform::CreateDirectories("linked/outside");
  Write("linked/outside/secret.txt", {'s'});
  Write("linked/dir/own.txt", {'o'});
  std::filesystem::create_symlink("../outside/secret.txt", "linked/dir/a.txt");
  std::filesystem::create_symlink("../outside/secret.txt", "linked/dir/\xD6\xD0x");
  const ToolRun r = Respack("pack linked/dir linked.qzr");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("linked/dir/a.txt is a symbolic link: not packed"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("linked/dir/\\xD6\\xD0x is a symbolic link: not packed"), std::string::npos) << r.out;
  engine::ResourcePackage package("linked.qzr");
  EXPECT_EQ(package.GetUsedCount(), 1u);
  EXPECT_EQ(package.FindEntryByName("a.txt"), -1);
}

TEST(RespackTest, UnpackWritesEveryMemberEvenWhenTwoShareTheirHashes) {
  Write("one.png", {1});
  Write("two.png", {2, 2});
  engine::ResourcePackage made("twins", 3, 0, 0, 0);
  ASSERT_EQ(made.AddFile("a.png", "one.png", nullptr, 0, 0), 1u);
  ASSERT_EQ(made.AddFile("a.png", "two.png", nullptr, 0, 0), 2u);
  ASSERT_EQ(made.AddFile("b.png", "two.png", nullptr, 0, 0), 3u);
  ASSERT_EQ(made.Pack("twins.qzr", 1), 3u);
  ToolRun r = Respack("unpack twins.qzr out");
  ASSERT_EQ(r.status, 0) << r.err;
  const engine::NameKey key = engine::MakeNameKey("a.imge");
  char stem[64];
  std::snprintf(stem, sizeof stem, "out/%08X_%08X_%08X", key.rs, key.js, key.x31);
  EXPECT_EQ(Read(std::string(stem) + ".png"), (Bytes{1}));
  EXPECT_EQ(Read(std::string(stem) + "~2.png"), (Bytes{2, 2}));
  EXPECT_NE(r.out.find("same name hashes as an earlier one: written as " + std::string(stem) + "~2.png"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("3 members written"), std::string::npos) << r.out;
  size_t files = 0;
  platform::FileFind find;
  for (bool more = find.FindFile("out\\*.png"); more;) {
    more = find.FindNextFile();
    ++files;
  }
  EXPECT_EQ(files, 3u);
}

// The name unpack gives a member of this resource name and extension.
std::string MemberFile(const std::string& resource_name, const std::string& extension) {
  const engine::NameKey key = engine::MakeNameKey(resource_name);
  char stem[40];
  std::snprintf(stem, sizeof stem, "%08X_%08X_%08X", key.rs, key.js, key.x31);
  return stem + extension;
}

size_t FilesIn(const std::string& folder) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

// No temporary file of an atomic write is left in the folder.
bool NoTemporaryFiles(const std::string& folder) {
  platform::FileFind find;
  return !find.FindFile(folder + "\\*.tmp-*");
}

TEST(RespackTest, PackNeverWritesOverAFileItPacks) {
  platform::CreateDirectories("self");
  Write("self/a.png", {1, 2});
  Write("self/s.dat", {3, 4, 5});
  std::filesystem::create_hard_link("self/a.png", "alias.qzr");
  std::filesystem::create_directory_symlink("self", "via");
  // The output is a member by its own name, through a hard link, and through another path.
  for (const char* output : {"self/s.dat", "alias.qzr", "via/s.dat", "./self//s.dat"}) {
    const ToolRun r = Respack(std::string("pack self ") + output);
    EXPECT_EQ(r.status, 1) << output;
    EXPECT_EQ(Lines(r.err), 1) << output << r.err;
    EXPECT_NE(r.err.find("is the member"), std::string::npos) << r.err;
  }
  EXPECT_EQ(Read("self/s.dat"), (Bytes{3, 4, 5}));
  EXPECT_EQ(Read("self/a.png"), (Bytes{1, 2}));
  EXPECT_TRUE(NoTemporaryFiles("self"));

  // A new output inside the folder is not packed into itself; once there it is a member.
  ToolRun r = Respack("pack self self/new.qzr");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(engine::ResourcePackage("self/new.qzr").GetUsedCount(), 2u);
  const Bytes package = Read("self/new.qzr");
  r = Respack("pack self self/new.qzr");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Read("self/new.qzr"), package);

  // No other command writes over the picture or the package it reads, however the output names it.
  const uint8_t pixels[16] = {1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255, 10, 11, 12, 128};
  ASSERT_TRUE(platform::SavePng("self/p.png", 2, 2, pixels, nullptr));
  ASSERT_EQ(Respack("pps-encode self/p.png self/p.pps").status, 0);
  std::filesystem::create_symlink("p.png", "self/link.png");
  std::filesystem::create_hard_link("self/new.qzr", "self/hard.qzr");
  const Bytes png = Read("self/p.png");
  const Bytes pps = Read("self/p.pps");
  // unpack's folder holding the package under the name a member gets (the second: not even the
  // first is written), or a link there to it. A link there to any other file, or to none, is
  // replaced by the member: nothing outside the folder is written.
  const std::string first = MemberFile("a.imge", ".png");
  const std::string second = MemberFile("s.dat", ".dat");
  platform::CreateDirectories("over-into");
  platform::CreateDirectories("over-link");
  platform::CreateDirectories("outside");
  platform::CreateDirectories("into-link");
  platform::CreateDirectories("into-none");
  Write("outside/victim.png", {'v'});
  std::filesystem::copy_file("self/new.qzr", "over-into/" + second);
  std::filesystem::create_symlink("../self/new.qzr", "over-link/" + first);
  std::filesystem::create_symlink("../outside/victim.png", "into-link/" + first);
  std::filesystem::create_symlink("../outside/none.png", "into-none/" + first);
  const std::pair<std::string, std::string> kOverInputs[] = {
      {"pps-encode self/p.png self/p.png", "self/p.png is the picture self/p.png"},
      {"pps-encode self/p.png self/link.png", "self/link.png is the picture self/p.png"},
      {"pps-decode self/p.pps via/../self/p.pps", "via/../self/p.pps is the picture self/p.pps"},
      {"pps-decode self/p.pps /proc/self/cwd/self/p.pps", "/proc/self/cwd/self/p.pps is the picture self/p.pps"},
      {"extract self/new.qzr a.png self/hard.qzr", "self/hard.qzr is the package self/new.qzr"},
      {"unpack over-into/" + second + " over-into", "over-into/" + second + " is the package over-into/" + second},
      {"unpack self/new.qzr over-link/", "over-link/" + first + " is the package self/new.qzr"},
      {"unpack self/new.qzr into-link", ""},  // written
      {"unpack self/new.qzr into-none/", ""},
  };
  for (const auto& [args, said] : kOverInputs) {
    r = Respack(args);
    EXPECT_EQ(r.status, said.empty() ? 0 : 1) << args;
    EXPECT_EQ(r.err, said.empty() ? "" : "respack: " + said + ": an output is never written over what it is made from\n");
  }
  EXPECT_EQ(Read("outside/victim.png"), (Bytes{'v'}));
  EXPECT_EQ(FilesIn("outside"), 1u) << "a file was made outside the folder";
  for (const char* folder : {"into-link/", "into-none/"}) {
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(folder + first))) << folder;
    EXPECT_EQ(Read(folder + first), (Bytes{1, 2})) << folder;
  }
  EXPECT_EQ(Read("self/p.png"), png);
  EXPECT_EQ(Read("self/p.pps"), pps);
  EXPECT_EQ(Read("self/new.qzr"), package);
  EXPECT_EQ(Read("over-into/" + second), package);
  EXPECT_EQ(FilesIn("over-into") + FilesIn("over-link"), 2u) << "a member was written";
  EXPECT_TRUE(NoTemporaryFiles("self"));
}

TEST(RespackTest, PackStreamsLargeMembersAndRefusesOnesThePackageCannotHold) {
  // Larger than the block members are copied by: it crosses several.
  platform::CreateDirectories("large");
  Bytes large(700001);
  for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<uint8_t>(i * 7 + i / 251);
  Write("large/wide.png", large);
  Write("large/small.txt", {7});
  ToolRun r = Respack("pack large large.qzr");
  ASSERT_EQ(r.status, 0) << r.err;
  Bytes out;
  ASSERT_TRUE(engine::ResourcePackage("large.qzr").LoadEntryByName("wide.imge", &out));
  EXPECT_EQ(out, large);

  // Offsets and sizes are 32-bit: a 4 GiB member (sparse, it takes no disk) cannot be packed,
  // nor two members that pass 4 GiB together.
  platform::CreateDirectories("huge");
  Write("huge/small.txt", {7});
  std::ofstream("huge/all.bin").close();
  std::filesystem::resize_file("huge/all.bin", uint64_t{1} << 32);
  r = Respack("pack huge huge.qzr");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Lines(r.err), 1) << r.err;
  EXPECT_NE(r.err.find("does not fit in a package"), std::string::npos) << r.err;
  std::filesystem::remove("huge/all.bin");
  for (const char* half : {"huge/a.bin", "huge/b.bin"}) {
    std::ofstream(half).close();
    std::filesystem::resize_file(half, uint64_t{3} << 30);
  }
  r = Respack("pack huge huge.qzr");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("b.bin"), std::string::npos) << r.err;
  EXPECT_FALSE(platform::FileExists("huge.qzr"));
  EXPECT_TRUE(NoTemporaryFiles("."));
}

TEST(RespackTest, UnpackWritesEveryOneOfManyMembers) {
  const uint32_t n = 2000;
  Write("empty.txt", {});
  Write("one.txt", {1});
  engine::ResourcePackage made("many", n, 0, 0, 0);
  for (uint32_t i = 0; i < n; ++i) {
    ASSERT_EQ(made.AddFileNamed(std::to_string(i) + ".text", ".txt", i % 100 ? "empty.txt" : "one.txt", 0, 0), i + 1);
  }
  ASSERT_EQ(made.Pack("many.qzr", 1), n);
  const ToolRun r = Respack("unpack many.qzr many");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("2000 members written"), std::string::npos) << r.out;
  size_t files = 0;
  size_t bytes = 0;
  platform::FileFind find;
  for (bool more = find.FindFile("many\\*.txt"); more;) {
    more = find.FindNextFile();
    ++files;
    bytes += static_cast<size_t>(find.GetLength());
  }
  EXPECT_EQ(files, n);
  EXPECT_EQ(bytes, n / 100);
  EXPECT_TRUE(NoTemporaryFiles("many"));
}

TEST(RespackTest, AFullDiskKeepsTheOldPngAndFails) {
  // Noise does not compress: its PNG is larger than the 512 bytes the shell lets the tool write.
  Bytes noise;
  uint32_t seed = 7;
  for (int i = 0; i < 64 * 64; ++i) {
    seed = seed * 1103515245 + 12345;
    noise.insert(noise.end(), {uint8_t(seed >> 8), uint8_t(seed >> 16), uint8_t(seed >> 24), 255});
  }
  std::string error;
  ASSERT_TRUE(platform::SavePng("noise.png", 64, 64, noise.data(), &error)) << error;
  ASSERT_EQ(Respack("pps-encode noise.png noise.pps").status, 0);
  ASSERT_TRUE(platform::WriteFileAtomic("old.png", "old picture", 11));
  const std::string command = "ulimit -f 1; " + std::string(ZP_BINARY_DIR) +
                              "/app/respack pps-decode noise.pps old.png >run.out 2>run.err";
  const int raw = std::system(command.c_str());
  EXPECT_EQ((raw >> 8) & 0xFF, 1);
  EXPECT_EQ(ReadText("old.png"), "old picture");
  const std::string err = ReadText("run.err");
  EXPECT_EQ(Lines(err), 1) << err;
  EXPECT_NE(err.find("cannot write"), std::string::npos) << err;
  platform::FileFind find;
  EXPECT_FALSE(find.FindFile("old.png.tmp-*")) << "a temporary file was left behind";
}

TEST(RespackTest, CorruptPackagesAreRefusedInOneLine) {
  Bytes junk(200, 0);
  junk[104] = 0xFF;  // a capacity the file cannot hold
  junk[105] = 0xFF;
  Write("junk.qzr", junk);
  ToolRun r = Respack("list junk.qzr");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Lines(r.err), 1);
  EXPECT_EQ(r.out, "");
  // The package is named once, as typed.
  EXPECT_EQ(r.err.rfind("respack: cannot open package junk.qzr: "), 0u) << r.err;
  EXPECT_EQ(r.err.find("junk.qzr", 40), std::string::npos) << r.err;
  EXPECT_EQ(Respack("list ./missing.qzr").err, "respack: cannot open ./missing.qzr (No such file or directory)\n");
  // A file without the package's mark is no package.
  Bytes foreign(400, 0);
  std::memcpy(foreign.data(), "zip", 4);
  Write("foreign.qzr", foreign);
  r = Respack("list foreign.qzr");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("qzr"), std::string::npos) << r.err;
}

Bytes Gradient(int w, int h) {
  Bytes bgra;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x)
      bgra.insert(bgra.end(), {uint8_t(x * 8), uint8_t(y * 8), uint8_t(x ^ y), uint8_t(255 - x - y)});
  }
  return bgra;
}

TEST(RespackTest, PngToPpsAndBackForEveryCodec) {
  const Bytes pixels = Gradient(20, 12);
  std::string error;
  ASSERT_TRUE(platform::SavePng("in.png", 20, 12, pixels.data(), &error)) << error;
  for (int codec : {1, 3, 4, 5, 6}) {
    ToolRun r = Respack("pps-encode in.png out.pps --codec " + std::to_string(codec));
    ASSERT_EQ(r.status, 0) << r.err;
    engine::ImageRecord record;
    ASSERT_TRUE(engine::LoadPictureFile("out.pps", &record));
    EXPECT_EQ(record.width, 20);
    EXPECT_TRUE(record.flags & engine::kImageFlagAlpha);
    EXPECT_EQ(Bytes(record.pixels, record.pixels + record.data_size), pixels) << codec;
    engine::FreePictureRecord(&record);
    r = Respack("pps-decode out.pps back.png");
    ASSERT_EQ(r.status, 0) << r.err;
    platform::DecodedPicture back;
    ASSERT_TRUE(platform::DecodePictureFile("back.png", &back, &error));
    EXPECT_EQ(back.frames[0].pixels, pixels) << codec;
  }
  ToolRun r = Respack("pps-info out.pps");
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("size 20x12, 1 frame, codec 6"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("frame 0:"), std::string::npos);
}

// Codec 2 stores no pixels, so a picture given to it would be gone: it is refused, and every
// other codec keeps each pixel of a picture past a million pixels (a flat one, which packs the
// tightest), checked by reading the file back before it is written.
TEST(RespackTest, EveryCodecOfferedKeepsEveryPixelAndOneThatStoresNoneIsRefused) {
  Bytes flat;
  for (int i = 0; i < 1100 * 1000; ++i) flat.insert(flat.end(), {10, 20, 30, 200});
  std::string error;
  ASSERT_TRUE(platform::SavePng("big.png", 1100, 1000, flat.data(), &error)) << error;
  ToolRun r = Respack("pps-encode big.png big2.pps --codec 2");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Lines(r.err), 1) << r.err;
  EXPECT_NE(r.err.find("codec 2 stores no pixels"), std::string::npos) << r.err;
  EXPECT_FALSE(platform::FileExists("big2.pps"));
  for (int codec : {1, 3, 4, 5, 6}) {
    const std::string out = "big" + std::to_string(codec) + ".pps";
    r = Respack("pps-encode big.png " + out + " --codec " + std::to_string(codec));
    ASSERT_EQ(r.status, 0) << codec << ": " << r.err;
    engine::ImageRecord record;
    ASSERT_TRUE(engine::LoadPictureFile(out, &record, &error)) << codec << ": " << error;
    EXPECT_TRUE(Bytes(record.pixels, record.pixels + record.data_size) == flat) << codec;
    engine::FreePictureRecord(&record);
  }
}

// No codec offered loses a pixel, so the read-back is shown on files made wrong: a file without
// a pixel of its picture, and one its own reader refuses, are not written; a true-colour
// picture without alpha may read back opaque.
TEST(RespackTest, AFileThatDoesNotReadBackAsItsPictureIsNotWritten) {
  Bytes pixels = Gradient(4, 2);
  engine::ImageRecord source;
  source.width = 4;
  source.height = 2;
  source.frame_count = 1;
  source.flags = engine::kImageFlagAlpha;
  source.pixels = pixels.data();
  source.data_size = static_cast<uint32_t>(pixels.size());
  const Bytes file = engine::EncodePicture(source, nullptr, engine::kPpsCodecRaw);
  ASSERT_FALSE(file.empty());
  testing::internal::CaptureStderr();
  pixels[5] ^= 1;
  EXPECT_EQ(respack::WritePpsIfReadBack(file, source, 1, "lost.pps", "in.png"), respack::kBadInput);
  pixels[5] ^= 1;
  EXPECT_EQ(respack::WritePpsIfReadBack(Bytes(file.begin(), file.end() - 1), source, 1, "cut.pps", "in.png"),
            respack::kBadInput);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("in.png: not written with codec 1: the file does not hold every pixel"), std::string::npos) << err;
  EXPECT_NE(err.find("in.png: not written with codec 1: its own reader refuses the file"), std::string::npos) << err;
  EXPECT_FALSE(platform::FileExists("lost.pps"));
  EXPECT_FALSE(platform::FileExists("cut.pps"));

  source.flags = 0;  // alpha bytes 255 - x - y, read back as 255
  EXPECT_EQ(respack::WritePpsIfReadBack(engine::EncodePicture(source, nullptr, engine::kPpsCodecRaw), source, 1,
                                        "opaque.pps", "in.png"),
            respack::kOk);
  EXPECT_TRUE(platform::FileExists("opaque.pps"));
  source.pixels = nullptr;
}

TEST(RespackTest, BmpPaletteAndGifFramesBecomePalettePictures) {
  const Bytes palette = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
  Write("p.bmp", test_support::MakeBmp8(3, 2, palette, {0, 1, 2, 3, 2, 1}));
  ToolRun r = Respack("pps-encode p.bmp p.pps");
  ASSERT_EQ(r.status, 0) << r.err;
  engine::ImageRecord record;
  ASSERT_TRUE(engine::LoadPictureFile("p.pps", &record));
  EXPECT_TRUE(record.flags & engine::kImageFlagOwnPalette);
  EXPECT_EQ(Bytes(record.pixels, record.pixels + 6), (Bytes{0, 1, 2, 3, 2, 1}));
  engine::FreePictureRecord(&record);

  std::vector<test_support::GifFrameDesc> frames(3);
  frames[0] = {0, 0, 4, 4, Bytes(16, 1), 10, 3, 0};
  frames[1] = {1, 1, 2, 2, {2, 2, 2, 2}, 0, 3, 0};
  frames[2] = {0, 0, 1, 1, {3}, 20, 3, 0};
  Write("anim.gif", test_support::MakeGif(4, 4, palette, frames));
  r = Respack("pps-encode anim.gif anim.pps");
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(engine::LoadPictureFile("anim.pps", &record));
  EXPECT_EQ(record.frame_count, 3);
  EXPECT_TRUE(record.flags & engine::kImageFlagTransparent);
  EXPECT_EQ(record.colour_key, 3u);
  ASSERT_NE(record.delays, nullptr);
  EXPECT_EQ(record.delays[0], 100u);
  EXPECT_EQ(record.delays[1], 40u) << "a frame without a delay gets the engine's 40 ms";
  EXPECT_EQ(record.delays[2], 200u);
  engine::FreePictureRecord(&record);
  r = Respack("pps-info anim.pps");
  EXPECT_NE(r.out.find("3 frames"), std::string::npos);
  EXPECT_NE(r.out.find("palette: 4 entries"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("colour key: index 3"), std::string::npos);
  EXPECT_NE(r.out.find("difference"), std::string::npos) << "the later frames differ little";

  // Frame 1 in PNG: the patch, and transparent index 3 nowhere yet.
  r = Respack("pps-decode anim.pps f1.png --frame 1");
  ASSERT_EQ(r.status, 0) << r.err;
  platform::DecodedPicture back;
  std::string error;
  ASSERT_TRUE(platform::DecodePictureFile("f1.png", &back, &error));
  const Bytes& px = back.frames[0].pixels;
  EXPECT_EQ(Bytes(px.begin(), px.begin() + 4), (Bytes{0, 0, 255, 255}));        // red
  EXPECT_EQ(Bytes(px.begin() + 20, px.begin() + 24), (Bytes{0, 255, 0, 255}));  // green patch
  r = Respack("pps-decode anim.pps f3.png --frame 3");
  EXPECT_EQ(r.status, 1);
}

// A true-colour PNG's colour key (tRNS), kept by pps-encode, comes back from pps-decode: the
// key's pixels clear, every other pixel as it was. An opaque picture keeps its black pixels: the
// key (0, black, where none is set) counts only in a picture marked transparent.
TEST(RespackTest, ATrueColourKeyComesBackTransparent) {
  Bytes opaque = Gradient(4, 2);
  for (size_t i = 3; i < opaque.size(); i += 4) opaque[i] = 255;
  for (size_t at : {4, 24}) std::copy_n(Bytes{50, 100, 200}.begin(), 3, opaque.begin() + at);  // the key's colour
  Bytes keyed = opaque;
  keyed[7] = keyed[27] = 0;
  const std::pair<Bytes, Bytes> kCases[] = {
      {test_support::WithPngChunks(platform::EncodePng(4, 2, opaque.data(), platform::PngAlpha::kDrop), "tRNS",
                                   {0, 200, 0, 100, 0, 50}, 1),
       keyed},
      {test_support::WithPngChunks(test_support::MakeBlankPng1Bit(4, 2), "tRNS", {0, 0}, 1), Bytes(32, 0)},  // grey
      {platform::EncodePng(4, 2, opaque.data(), platform::PngAlpha::kDrop), opaque},  // black at (0, 0)
  };
  for (const auto& [png, shown] : kCases) {
    Write("key.png", png);
    ASSERT_EQ(Respack("pps-encode key.png key.pps").status, 0);
    ASSERT_EQ(Respack("pps-decode key.pps back.png").status, 0);
    platform::DecodedPicture back;
    ASSERT_TRUE(platform::DecodePictureFile("back.png", &back, nullptr));
    EXPECT_EQ(back.frames.at(0).pixels, shown);
  }
}

TEST(RespackTest, BadPicturesAreRefusedInOneLine) {
  Write("junk.png", {1, 2, 3, 4});
  ToolRun r = Respack("pps-encode junk.png j.pps");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Lines(r.err), 1);
  EXPECT_FALSE(platform::FileExists("j.pps"));
  const Bytes pixels = Gradient(8, 8);
  std::string error;
  ASSERT_TRUE(platform::SavePng("g.png", 8, 8, pixels.data(), &error));
  ASSERT_EQ(Respack("pps-encode g.png g.pps").status, 0);
  Bytes file = Read("g.pps");
  file.resize(file.size() - 3);
  Write("cut.pps", file);
  for (const char* command : {"pps-info cut.pps", "pps-decode cut.pps x.png"}) {
    r = Respack(command);
    EXPECT_EQ(r.status, 1) << command;
    EXPECT_EQ(Lines(r.err), 1) << command;
  }
  EXPECT_FALSE(platform::FileExists("x.png"));
}

// Names differing only in case are other files: what is written goes to exactly the name typed.
TEST(RespackTest, OutputsAreWrittenAtExactlyTheNameGivenBesideNamesOfAnotherCase) {
  platform::CreateDirectories("case/in");
  Write("case/in/SndHi.wav", {1, 2, 3});
  ASSERT_TRUE(platform::SavePng("case/x.png", 4, 4, Gradient(4, 4).data(), nullptr));
  const char* const kTaken[] = {"Report.txt", "Picture.PPS", "Shot.PNG", "Archive.QZR"};
  for (const char* name : kTaken) Write(std::string("case/") + name, {'o'});
  for (const char* command : {"pack case/in case/p.qzr", "pps-encode case/x.png case/x.pps",
                              "extract case/p.qzr SndHi.wav case/report.txt", "pps-encode case/x.png case/picture.pps",
                              "pps-decode case/x.pps case/shot.png", "pack case/in case/archive.qzr",
                              // Another file than the input, whose name differs only in case.
                              "pps-decode case/x.pps case/X.PPS"}) {
    EXPECT_EQ(Respack(command).status, 0) << command;
  }
  for (const char* name : kTaken) EXPECT_EQ(ReadText(std::string("case/") + name), "o") << name;
  EXPECT_EQ(Read("case/X.PPS"), Read("case/shot.png"));
  EXPECT_EQ(Read("case/report.txt"), (Bytes{1, 2, 3}));
  EXPECT_EQ(Read("case/picture.pps"), Read("case/x.pps"));
  EXPECT_EQ(engine::ResourcePackage("case/archive.qzr").GetUsedCount(), 1u);
}

// An output is written as a shell's redirection writes it: through a link, into a FIFO (while
// something reads it) or a device; a folder or a socket is refused; a message names it once, as
// typed. The device is a pseudo-terminal of the test's own, whose folder takes no new file: no
// code under test could replace a device anyone else uses.
TEST(RespackTest, AnOutputThatIsALinkAFifoOrADeviceIsWrittenThroughNeverReplaced) {
  namespace fs = std::filesystem;
  platform::CreateDirectories("special/in");
  platform::CreateDirectories("special/dir");
  Write("special/in/a.txt", {'a', 'b', 'c'});
  ASSERT_EQ(Respack("pack special/in special/p.qzr").status, 0);
  int terminal = -1;
  int device = -1;
  ASSERT_EQ(::openpty(&terminal, &device, nullptr, nullptr, nullptr), 0);
  termios raw{};
  ::tcgetattr(device, &raw);
  ::cfmakeraw(&raw);
  ::tcsetattr(device, TCSANOW, &raw);
  fs::create_symlink("made.txt", "special/link");
  fs::create_symlink(::ttyname(device), "special/tty");
  ASSERT_EQ(::mkfifo("special/fifo", 0600), 0);
  const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un at{};
  at.sun_family = AF_UNIX;
  std::strcpy(at.sun_path, "special/sock");
  ASSERT_EQ(::bind(socket, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
  const std::string extract = "extract special/p.qzr a.txt special/";
  EXPECT_EQ(Respack(extract + "link").status, 0);
  EXPECT_EQ(ReadText("special/made.txt"), "abc");
  EXPECT_EQ(Respack(extract + "tty").status, 0);
  char got[8] = {};
  pollfd written{terminal, POLLIN, 0};
  EXPECT_TRUE(::poll(&written, 1, 30000) == 1 && ::read(terminal, got, sizeof got) == 3);
  platform::InjectWriteFault(platform::WriteFault::kWrite);
  testing::internal::CaptureStderr();
  EXPECT_EQ(respack::Extract({"special/p.qzr", "a.txt", "special/tty"}), respack::kBadInput);
  platform::InjectWriteFault(platform::WriteFault::kNone);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "respack: cannot write special/tty (write: No space left on device)\n");
  // Were it opened to wait for a reader, the run would end by the alarm, not at the test's limit.
  EXPECT_EQ(RespackWithin(30, {"extract", "special/p.qzr", "a.txt", "special/fifo"}).err,
            "respack: cannot write special/fifo (it is a FIFO that nothing reads)\n");
  const int reader = ::open("special/fifo", O_RDONLY | O_NONBLOCK);
  EXPECT_EQ(Respack(extract + "fifo").status, 0);
  EXPECT_EQ(::read(reader, got, sizeof got), 3);
  EXPECT_EQ(Respack(extract + "dir").err, "respack: cannot write special/dir (it is a folder)\n");
  EXPECT_EQ(Respack(extract + "sock").err, "respack: cannot write special/sock (it is a socket)\n");
  for (const int fd : {reader, socket, device, terminal}) ::close(fd);
  EXPECT_TRUE(fs::is_symlink("special/link") && fs::is_symlink("special/tty") && fs::is_fifo("special/fifo") &&
              fs::is_socket("special/sock") && fs::is_directory("special/dir"));
  EXPECT_TRUE(NoTemporaryFiles("special"));
}

// A member that cannot be read is named as typed: the folder as given, then '/'.
TEST(RespackTest, AMemberThatCannotBeReadIsNamedAsTyped) {
  platform::CreateDirectories("fifo-in");
  ASSERT_EQ(::mkfifo("fifo-in/b.png", 0600), 0);
  EXPECT_EQ(Respack("pack fifo-in f.qzr").err, "respack: cannot read fifo-in/b.png (it is no regular file)\n");
}

// The tool's peak resident memory in bytes (its output thrown away).
long PeakMemoryOfRespack(std::vector<std::string> args) {
  args.insert(args.begin(), std::string(ZP_BINARY_DIR) + "/app/respack");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int status = 0;
  rusage usage{};
  EXPECT_EQ(posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&quiet);
  EXPECT_EQ(::wait4(pid, &status, 0, &usage), pid);
  EXPECT_EQ(status, 0);
  return usage.ru_maxrss * 1024;
}

TEST(RespackTest, PackCopiesALargeMemberWithoutHoldingItInMemory) {
  const long kMember = 64l << 20;
  platform::CreateDirectories("peak/small");
  platform::CreateDirectories("peak/large");
  Write("peak/small/a.bin", {1});
  std::ofstream("peak/large/a.bin").close();
  std::filesystem::resize_file("peak/large/a.bin", kMember);  // sparse: quick to read
  const long small = PeakMemoryOfRespack({"pack", "peak/small", "peak/small.qzr"});
  const long large = PeakMemoryOfRespack({"pack", "peak/large", "peak/large.qzr"});
  EXPECT_LT(large - small, kMember / 4) << "peak " << small << " bytes for one byte, " << large << " for 64 MiB";
}

// How a pack of stop/in into stop/out meets its signal.
enum class Stop {
  kWaiting,  // sent while it waits to open its last member (b.bin: the test holds a lease on it,
             // so the open waits and the test is told), left to end the run
  kIgnored,  // the same, ignored by the program (as under nohup)
  kHandled,  // the same, handled by the program
  kNaming,   // sent to another thread of it as its temporary file gets its name
};

struct StoppedPack {
  int status = -1;          // 128 + the signal that ended it
  size_t files_midway = 0;  // in the output folder while the pack waited
  size_t files_after = 0;
  std::string skipped;  // why the file system takes no lease
};

// The thread of the pack's child that takes the signal, and whether it has come back from its handler.
pthread_t g_other_thread;
int g_stop_signal = 0;
std::atomic<bool> g_other_woke{false};

extern "C" void NotedByTheProgram(int) {}

// The pack's hook as its temporary file gets its name: the signal goes to the other thread, and
// the pack goes on once that thread's handler is done (where the handler ends the run, it ends here).
void SignalTheOtherThread() {
  g_other_woke = false;
  ::pthread_kill(g_other_thread, g_stop_signal);
  while (!g_other_woke) sched_yield();
}

// The real tool, or its command run in a child of the test, making no file of no name (as on
// FUSE) unless `nameless_files`; an output there before (`replacing`) is replaced.
StoppedPack StopPack(int signal_number, bool nameless_files, Stop how, bool replacing) {
  StoppedPack run;
  std::filesystem::remove_all("stop/out");
  platform::CreateDirectories("stop/out");
  if (replacing) Write("stop/out/huge.qzr", {'o', 'l', 'd'});
  const bool waits = how != Stop::kNaming;
  const int held = ::open("stop/in/b.bin", O_RDONLY | O_CLOEXEC);
  sigset_t told;
  sigemptyset(&told);
  sigaddset(&told, SIGIO);
  sigset_t before;
  ::pthread_sigmask(SIG_BLOCK, &told, &before);
  const f_owner_ex owner{F_OWNER_TID, static_cast<pid_t>(::syscall(SYS_gettid))};
  if (waits && (held < 0 || ::fcntl(held, F_SETOWN_EX, &owner) != 0 || ::fcntl(held, F_SETLEASE, F_WRLCK) != 0)) {
    run.skipped = std::strerror(errno);
    if (held >= 0) ::close(held);
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return run;
  }
  std::string tool = std::string(ZP_BINARY_DIR) + "/app/respack";
  char pack[] = "pack", in[] = "stop/in", out[] = "stop/out/huge.qzr";
  char* argv[] = {tool.data(), pack, in, out, nullptr};
  const pid_t child = ::fork();
  if (child == 0) {
    // The lease is the test's: the copy of its descriptor would keep it after the test lets it go.
    if (held >= 0) ::close(held);
    ::dup2(::open("run.err", O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    ::alarm(120);  // a run that hangs ends, and fails its row
    if (how == Stop::kIgnored) ::signal(signal_number, SIG_IGN);
    if (how == Stop::kHandled) ::signal(signal_number, NotedByTheProgram);
    if (how == Stop::kNaming) {
      // The other thread takes the signal only while it waits for it: it comes back from its
      // handler once the handler is done, whenever the signal came.
      g_stop_signal = signal_number;
      sigset_t stop;
      sigset_t unheld;
      sigemptyset(&stop);
      sigaddset(&stop, signal_number);
      ::pthread_sigmask(SIG_BLOCK, &stop, &unheld);
      ::pthread_create(&g_other_thread, nullptr, [](void*) -> void* {
        sigset_t none;
        sigemptyset(&none);
        for (;;) {
          ::sigsuspend(&none);
          g_other_woke = true;
        }
      }, nullptr);
      ::pthread_sigmask(SIG_SETMASK, &unheld, nullptr);
      platform::SetTemporaryNamedHook(SignalTheOtherThread);
    }
    if (nameless_files && how != Stop::kHandled && how != Stop::kNaming) ::execv(argv[0], argv);
    if (!nameless_files) platform::InjectWriteFault(platform::WriteFault::kNamelessFile);
    ::_exit(respack::Pack({in, out}));
  }
  if (waits) {
    const timespec deadline{120, 0};
    const bool waiting = ::sigtimedwait(&told, nullptr, &deadline) == SIGIO;
    run.files_midway = FilesIn("stop/out");
    ::kill(child, waiting ? signal_number : SIGKILL);
  }
  // The signal is pending (or taken) before the lease is let go: a run it ends never goes on.
  if (held >= 0) ::close(held);
  int status = 0;
  ::waitpid(child, &status, 0);
  ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
  run.status = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
  run.files_after = FilesIn("stop/out");
  return run;
}

// Ctrl-C, SIGTERM or SIGHUP during a pack leave no file behind and end it as the signal ends a
// program. Where the file system makes files of no name, nothing named exists until the package
// is whole; elsewhere its temporary file, there midway, is removed, and so is one that a signal
// to another thread meets as it gets its name (or a name to be renamed over the old package).
// A signal the program ignores (nohup) or handles is left to it: the pack goes on.
TEST(RespackTest, AStoppedPackLeavesNoFileAndEndsAsTheSignalEndsIt) {
  platform::CreateDirectories("stop/in");
  Write("stop/in/a.bin", Bytes(1 << 20, 'a'));
  Write("stop/in/b.bin", {'b'});
  const int probe = ::open(".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  const size_t named_midway = probe >= 0 ? 0 : 1;
  if (probe >= 0) ::close(probe);
  const struct {
    int signal_number;
    bool nameless_files;
    size_t files_midway;
    Stop how = Stop::kWaiting;
    bool replacing = false;
  } kRuns[] = {{SIGINT, true, named_midway},
               {SIGTERM, true, named_midway},
               {SIGHUP, true, named_midway},
               {SIGINT, false, 1},
               {SIGTERM, false, 1},
               {SIGHUP, false, 1},
               {SIGHUP, false, 1, Stop::kIgnored},
               {SIGTERM, false, 1, Stop::kHandled},
               {SIGTERM, false, 0, Stop::kNaming},
               {SIGINT, true, 0, Stop::kNaming, true}};
  for (const auto& [signal_number, nameless_files, files_midway, how, replacing] : kRuns) {
    SCOPED_TRACE(std::string(::strsignal(signal_number)) + (nameless_files ? ", the tool" : ", no file of no name") +
                 ", stop " + std::to_string(static_cast<int>(how)));
    const StoppedPack run = StopPack(signal_number, nameless_files, how, replacing);
    if (!run.skipped.empty()) GTEST_SKIP() << "the file system takes no lease: " << run.skipped;
    const bool ends = how == Stop::kWaiting || how == Stop::kNaming;
    EXPECT_EQ(run.status, ends ? 128 + signal_number : 0) << ReadText("run.err");
    if (how != Stop::kNaming) {
      EXPECT_EQ(run.files_midway, files_midway);
    }
    // The package (whole) when the run goes on, the old one when it is stopped replacing it.
    EXPECT_EQ(run.files_after, ends && !replacing ? 0u : 1u);
    if (!ends) {
      EXPECT_EQ(engine::ResourcePackage("stop/out/huge.qzr").GetUsedCount(), 2u);
    }
    if (replacing) {
      EXPECT_EQ(ReadText("stop/out/huge.qzr"), "old");
    }
  }
}

// Members are not flushed one by one: the one flush at the end is what makes them written.
TEST(RespackTest, UnpackFailsWhenTheFlushAtTheEndFails) {
  Write("flush.txt", {1, 2});
  engine::ResourcePackage made("flush", 1, 0, 0, 0);
  ASSERT_EQ(made.AddFile("f.txt", "flush.txt", nullptr, 0, 0), 1u);
  ASSERT_EQ(made.Pack("flush.qzr", 1), 1u);
  platform::InjectWriteFault(platform::WriteFault::kSync);
  testing::internal::CaptureStderr();
  const int status = respack::Unpack({"flush.qzr", "flushed"});
  const std::string err = testing::internal::GetCapturedStderr();
  platform::InjectWriteFault(platform::WriteFault::kNone);
  EXPECT_EQ(status, respack::kBadInput);
  EXPECT_NE(err.find("cannot flush"), std::string::npos) << err;
}

// Every refusal is one line that names the file as given, with the reason: a name that a word
// of the reason happens to spell too ("a"), a file that is no picture at all, one that a library
// refuses with a line of its own (libpng's), and a name with characters a terminal acts on.
TEST(RespackTest, EveryRefusalIsOneLineNamingTheFileAndTheReason) {
  Write("a", Bytes(64, 'a'));
  std::string error;
  ASSERT_TRUE(platform::SavePng("crc.png", 8, 8, Gradient(8, 8).data(), &error)) << error;
  // A package whose last member is gone and whose one before it is cut in half, and one cut less.
  platform::CreateDirectories("three");
  for (const char c : {'a', 'b', 'c'}) Write(std::string("three/") + c + ".txt", Bytes(100, static_cast<uint8_t>(c)));
  ASSERT_EQ(Respack("pack three three.qzr").status, 0);
  Bytes package = Read("three.qzr");
  Write("cut1.qzr", Bytes(package.begin(), package.end() - 50));
  Write("cut.qzr", Bytes(package.begin(), package.end() - 150));
  platform::CreateDirectories("twin");
  Write("twin/a.png", {1});
  Write("twin/a.bmp", {2});
  // Names whose bytes are no UTF-8: "café" in Latin-1, and D6 D0 78 ("中x" in GBK).
  for (const char* twin : {"twin-latin/caf\xE9", "twin-gbk/\xD6\xD0x"}) {
    platform::CreateDirectories(platform::ProgramPath(std::string(twin, std::strrchr(twin, '/'))));
    for (const char* extension : {".png", ".bmp"}) Write(platform::ProgramPath(twin + std::string(extension)), {1});
  }
  ASSERT_EQ(Respack("pps-encode crc.png crc-was.pps").status, 0);
  Bytes png = Read("crc.png");
  png[png.size() - 12 - 5] ^= 0x55;  // the last byte of IDAT's data: its CRC no longer matches
  Write("crc.png", png);
  // A package cut while unpack writes its first member (cut when the member's file gets its
  // temporary name): the next member passes the end of the package it opened.
  platform::CreateDirectories("later/in");
  Write("later/in/a.txt", Bytes(1000, 'a'));
  Write("later/in/b.txt", Bytes(100, 'b'));
  ASSERT_EQ(Respack("pack later/in later.qzr").status, 0);
  const std::pair<std::string, std::string> kSaid[] = {
      {"list a", "respack: cannot open package a: shorter than a package header\n"},
      {"pps-encode a a.pps", "respack: a: not a picture of a kind this reads\n"},
      {"pps-encode crc-was.pps a.pps", "respack: crc-was.pps: not a picture of a kind this reads\n"},
      {"list nonexist.qzr", "respack: cannot open nonexist.qzr (No such file or directory)\n"},
      {"pps-info \"$(printf 'x\\302\\233\\342\\200\\256y')\"",
       "respack: cannot read x\\xC2\\x9B\\xE2\\x80\\xAEy (No such file or directory)\n"},
      // The package or folder a message is about is named in it.
      {"list cut.qzr", "respack: cut.qzr: 2 of its 3 members pass the end of the package (the first is member 1)\n"},
      {"list cut1.qzr", "respack: cut1.qzr: member 2 passes the end of the package\n"},
      {"unpack cut.qzr up", "respack: cut.qzr: member 1 cannot be read (it passes the end of the package)\n"},
      {"extract cut1.qzr c.text c.txt", "respack: cut1.qzr: member 2 cannot be read (it passes the end of the package)\n"},
      {"extract three.qzr nosuch x.bin", "respack: three.qzr has no member named nosuch\n"},
      {"pack nodir x.qzr", "respack: cannot read the folder nodir (No such file or directory)\n"},
      {"pack a x.qzr", "respack: cannot read the folder a (Not a directory)\n"},
      {"pack twin twin.qzr", "respack: twin/a.bmp and twin/a.png both have the resource name a.imge\n"},
      {"pack twin-latin twin.qzr",
       "respack: twin-latin/caf\\xE9.bmp and twin-latin/caf\\xE9.png both have the resource name caf\\xE9.imge\n"},
      {"pack twin-gbk twin.qzr",
       "respack: twin-gbk/\\xD6\\xD0x.bmp and twin-gbk/\\xD6\\xD0x.png both have the resource name \\xD6\\xD0x.imge\n"},
  };
  for (const auto& [args, said] : kSaid) EXPECT_EQ(Respack(args).err, said) << args;
  platform::InjectWriteFault(platform::WriteFault::kNamelessFile);
  static constexpr uintmax_t kWhole = 176 + 2 * 32 + 1000 + 100;
  ASSERT_EQ(std::filesystem::file_size("later.qzr"), kWhole);
  platform::SetTemporaryNamedHook([] {
    if (std::filesystem::file_size("later.qzr") == kWhole) std::filesystem::resize_file("later.qzr", kWhole - 50);
  });
  testing::internal::CaptureStderr();
  EXPECT_EQ(respack::Unpack({"later.qzr", "later/out"}), respack::kBadInput);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "respack: later.qzr: member 1 cannot be read (it passes the end of the package)\n");
  platform::SetTemporaryNamedHook(nullptr);
  platform::InjectWriteFault(platform::WriteFault::kNone);
  const ToolRun r = Respack("pps-encode crc.png crc.pps");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Lines(r.err), 1) << r.err;
  EXPECT_EQ(r.err.rfind("respack: crc.png: "), 0u) << r.err;
  EXPECT_NE(r.err.find(": PNG: IDAT: "), std::string::npos) << "libpng's reason, in the line\n" << r.err;
  EXPECT_FALSE(platform::FileExists("a.pps") || platform::FileExists("crc.pps"));
  EXPECT_FALSE(platform::FileExists("c.txt") || platform::FileExists("x.bin") || platform::FileExists("x.qzr"));
  // A cut package is listed all the same, and refused.
  const ToolRun cut = Respack("list cut.qzr");
  EXPECT_EQ(cut.status, 1);
  EXPECT_EQ(Lines(cut.out), 3) << cut.out;
  // A listing that cannot be written fails the run, with the reason of the first write that
  // failed: one that failed before the end too: 76 lines of 54 bytes, the last one crossing the 4096
  // bytes a device's output is flushed by, which leaves nothing to write at the end.
  platform::CreateDirectories("lines");
  for (int i = 100; i < 176; ++i) Write("lines/" + std::to_string(i) + ".txt", {});
  ASSERT_EQ(Respack("pack lines lines.qzr").status, 0);
  const std::string tool = std::string(ZP_BINARY_DIR) + "/app/respack ";
  // Help that cannot be written says so once.
  for (const char* printing : {"list three.qzr", "list lines.qzr", "--help", "unpack --help"}) {
    EXPECT_EQ(WEXITSTATUS(std::system((tool + printing + " >/dev/full 2>run.err").c_str())), 1) << printing;
    EXPECT_EQ(ReadText("run.err"), "respack: cannot write the standard output (No space left on device)\n") << printing;
  }
}

// An output named /dev/stdout is the tool's own output, written where it stands: between what
// the shell wrote before and after it, after what a file appended to held; never replaced.
TEST(RespackTest, AnOutputNamedStdoutIsWrittenIntoTheToolsOwnOutput) {
  std::string error;
  ASSERT_TRUE(platform::SavePng("in.png", 4, 4, Gradient(4, 4).data(), &error)) << error;
  ASSERT_EQ(Respack("pps-encode in.png in.pps").status, 0);
  ASSERT_EQ(Respack("pps-decode in.pps alone.png").status, 0);
  const std::string png = ReadText("alone.png");
  const std::string tool = std::string(ZP_BINARY_DIR) + "/app/respack pps-decode in.pps /dev/stdout";
  ASSERT_EQ(std::system(("{ echo before; " + tool + "; echo after; } >between.out").c_str()), 0);
  EXPECT_EQ(ReadText("between.out"), "before\n" + png + "after\n");
  std::ofstream("appended.out") << "earlier\n";
  ASSERT_EQ(std::system((tool + " >>appended.out").c_str()), 0);
  EXPECT_EQ(ReadText("appended.out"), "earlier\n" + png);
}

// An output that is the tool's standard output (through a pipe, as `| cat >` takes it, or as
// another descriptor on it) carries that output alone, as `cat` would write it: the notes and
// the summary go to stderr.
TEST(RespackTest, AnOutputThatIsTheToolsStandardOutputCarriesNothingElse) {
  std::string error;
  ASSERT_TRUE(platform::SavePng("in.png", 4, 4, Gradient(4, 4).data(), &error)) << error;
  platform::CreateDirectories("own");
  Write("own/a.txt", {'h', 'i'});
  std::filesystem::create_symlink("a.txt", "own/link.txt");
  // A package is named by its output's title: "stdout", "3".
  ASSERT_EQ(Respack("pps-encode in.png stdout.pps").status, 0);
  ASSERT_EQ(Respack("pack own stdout.qzr").status, 0);
  ASSERT_EQ(Respack("pack own 3.qzr").status, 0);
  const std::string pps = ReadText("stdout.pps");
  const std::string pps_said = "4x4, 1 frame, codec 6, " + std::to_string(pps.size()) + " bytes\n";
  const std::string pack_said = "own/link.txt is a symbolic link: not packed\n1 members packed into ";
  ASSERT_EQ(Respack("pack own out.qzr").status, 0);
  ASSERT_EQ(Respack("pack own fifo.qzr").status, 0);
  ASSERT_EQ(::mkfifo("fifo", 0600), 0);
  // Each line runs in a shell, $R the tool: what it writes on stdout goes through a pipe.
  const struct {
    std::string line;
    std::string out;
    std::string err;
  } kRuns[] = {
      {"$R pps-encode in.png /dev/stdout", pps, "/dev/stdout: " + pps_said},
      {"$R pack own /dev/stdout", ReadText("stdout.qzr"), pack_said + "/dev/stdout\n"},
      {"$R pack own /dev/fd/3 3>&1", ReadText("3.qzr"), pack_said + "/dev/fd/3\n"},
      // A device that discards what it takes is no one's output: the summary stays on stdout.
      {"$R pps-encode in.png /dev/null >/dev/null", "", ""},
      // The very file stdout was sent to is replaced: the summary would go into the file replaced.
      {"$R pack own out.qzr >out.qzr; cat out.qzr", ReadText("out.qzr"), pack_said + "out.qzr\n"},
      // A FIFO stdout also writes into carries the package alone to its reader.
      {"cat fifo & $R pack own fifo >fifo; wait", ReadText("fifo.qzr"), pack_said + "fifo\n"},
  };
  const std::string tool = std::string(ZP_BINARY_DIR) + "/app/respack";
  for (const auto& [line, out, err] : kRuns) {
    ASSERT_EQ(std::system(("R='" + tool + "'; { " + line + "; } 2>run.err | cat >piped.out").c_str()), 0) << line;
    EXPECT_TRUE(ReadText("piped.out") == out) << line << ": " << ReadText("piped.out").size() << " bytes, not " << out.size();
    EXPECT_EQ(ReadText("run.err"), err) << line;
  }
}

// Run as root, the commands run in a child that became the user nobody: a folder it may write
// but not list (a drop box) takes a picture and a package's members, as it takes a shell's
// redirection; a folder it may not list is refused, never packed as if it were empty.
TEST(RespackTest, AFolderThatMayBeWrittenButNotListedTakesTheOutputAndOneNotListedIsNotPacked) {
  namespace fs = std::filesystem;
  platform::CreateDirectories("users/drop");
  platform::CreateDirectories("users/shut");
  platform::CreateDirectories("users/open");
  platform::CreateDirectories("users/own");
  Write("users/shut/a.txt", {1});
  Write("users/own/a.txt", {2});
  std::string error;
  ASSERT_TRUE(platform::SavePng("users/in.png", 4, 4, Gradient(4, 4).data(), &error)) << error;
  ASSERT_EQ(Respack("pps-encode users/in.png users/seen.pps").status, 0);
  ASSERT_EQ(Respack("pack users/own users/own.qzr").status, 0);
  platform::CreateDirectories("users/none");
  ASSERT_EQ(Respack("pack users/none users/none.qzr").status, 0);
  platform::CreateDirectories("users/locked");
  Write("users/locked/a.txt", {3});
  fs::permissions("users/locked/a.txt", fs::perms::none);
  fs::permissions("users/drop", fs::perms(0703));
  fs::permissions("users/shut", fs::perms(0311));
  fs::permissions("users/open", fs::perms(0777));
  using Command = int (*)(const respack::Args&);
  const struct {
    Command command;
    respack::Args args;
    platform::WriteFault fault = platform::WriteFault::kNone;
  } kCommands[] = {
      {respack::PpsEncode, {"in.png", "drop/out.pps"}},
      {respack::Unpack, {"own.qzr", "drop"}},
      // A file system that makes no file without a name (FUSE, NFS): each member is flushed.
      {respack::Unpack, {"own.qzr", "drop"}, platform::WriteFault::kNamelessFile},
      // Each member is told to that flush, which says which one failed; the folder's entries
      // are flushed after its files where it may be opened.
      {respack::Unpack, {"own.qzr", "drop"}, platform::WriteFault::kNamelessFile | platform::WriteFault::kSync},
      {respack::Unpack, {"none.qzr", "open"}, platform::WriteFault::kNamelessFile | platform::WriteFault::kSync},
      {respack::Pack, {"shut", "open/shut.qzr"}},
      // A member that cannot be read is named with the system's reason.
      {respack::Pack, {"locked", "open/locked.qzr"}},
      {respack::Pack, {"own", "open/eio.qzr"}, platform::WriteFault::kRead},
  };
  const std::string said = test_support::SaidAsAnotherUser("users", [&kCommands] {
    for (const auto& [command, args, fault] : kCommands) {
      platform::InjectWriteFault(fault);
      std::printf("status %d\n", command(args));
      platform::InjectWriteFault(platform::WriteFault::kNone);
      std::fflush(stdout);  // before the next command's lines on stderr
    }
    return std::string();
  }, /*catch_output=*/true);
  for (const char* folder : {"users/drop", "users/shut", "users/open"}) fs::permissions(folder, fs::perms(0755));
  if (said == "skip") GTEST_SKIP() << test_support::kNoOtherUser;
  const auto failed = [](const std::string& member) {
    return platform::GbkToUtf8("资源") + member + platform::GbkToUtf8("打包失败");
  };
  EXPECT_EQ(said, "drop/out.pps: 4x4, 1 frame, codec 6, " + std::to_string(Read("users/seen.pps").size()) +
                      " bytes\nstatus 0\n1 members written to drop\nstatus 0\n1 members written to drop\nstatus 0\n"
                      "respack: cannot flush drop/" + MemberFile("a.text", ".txt") +
                      " to the disk (Input/output error)\nstatus 1\n"
                      "respack: cannot flush open to the disk (Input/output error)\nstatus 1\n"
                      "respack: cannot read the folder shut (Permission denied)\nstatus 1\n"
                      "respack: " + failed("locked/a.txt") + " (Permission denied)\nstatus 1\n"
                      "respack: " + failed("own/a.txt") + " (Input/output error)\nstatus 1\n");
  EXPECT_EQ(Read("users/drop/out.pps"), Read("users/seen.pps"));
  for (const char* never : {"users/open/shut.qzr", "users/open/locked.qzr", "users/open/eio.qzr"}) {
    EXPECT_FALSE(fs::exists(never)) << never;
  }
}

}  // namespace
