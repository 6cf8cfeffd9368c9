// ctest-labels: foundation
// The one file writer: whole files or nothing, every failing step reported.
#include "platform/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/gbk.h"
#include "platform/png_file.h"
#include "tests/support/other_user.h"

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

// A file whose link, close or any step before failed is neither kept nor reported written: a new
// one is gone, an old one stays; a link that fails but for a name taken fails for its own reason.
TEST_F(AtomicFileTest, AFailingWriteFlushOrCloseLeavesTheOldFileAndSaysWhy) {
  using platform::WriteFault;
  const struct {
    WriteFault fault;
    int error;  // the system's error the step fails with; 0: its own
    const char* path;
    const char* said;
  } kFaults[] = {
      {WriteFault::kWrite, 0, "w/keep.txt", "cannot write w/keep.txt (write: No space left on device)"},
      {WriteFault::kSync, 0, "w/keep.txt", "cannot write w/keep.txt (flush: Input/output error)"},
      {WriteFault::kClose, 0, "w/keep.txt", "cannot write w/keep.txt (close: Input/output error)"},
      {WriteFault::kClose | WriteFault::kNamelessFile, 0, "w/keep.txt", "cannot write w/keep.txt (close: Input/output error)"},
      {WriteFault::kClose, 0, "w/fresh.txt", "cannot write w/fresh.txt (close: Input/output error)"},
      {WriteFault::kLink, EMLINK, "w/fresh.txt", "cannot write w/fresh.txt (link: Too many links)"},
  };
  for (const auto& [fault, error, path, said] : kFaults) {
    SCOPED_TRACE(std::string(path) + ", fault " + std::to_string(static_cast<int>(fault)));
    platform::InjectWriteFault(fault, error);
    platform::AtomicFile file(path);
    file.Write("new", 3);
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(file.error(), said);
    platform::InjectWriteFault(platform::WriteFault::kNone);
    EXPECT_EQ(ReadAll("w/keep.txt"), "old contents");
    EXPECT_EQ(FilesIn("w"), 1u);  // no temporary file left behind, no new file kept
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

// A replaced file keeps its mode; where the file system sets no modes (FAT through FUSE answers
// ENOSYS), the file is written when it shows the old file's mode already, and refused when it
// would show another one.
TEST_F(AtomicFileTest, AReplacedFileKeepsItsPermissionsAndANewOneFollowsTheUmask) {
  const struct {
    fs::perms mode;
    platform::WriteFault fault;
    const char* error;  // empty: written, with the mode
  } kCases[] = {
      {fs::perms(0600), platform::WriteFault::kNone, ""},
      {fs::perms(0644), platform::WriteFault::kPermissions, ""},  // what the umask leaves
      {fs::perms(0664), platform::WriteFault::kPermissions,
       "cannot write w/keep.txt (permissions: Function not implemented)"},
  };
  const mode_t umask_before = ::umask(022);
  for (const auto& [mode, fault, error] : kCases) {
    fs::permissions("w/keep.txt", mode);
    platform::InjectWriteFault(fault);
    std::string said;
    const bool written = platform::WriteFileAtomic("w/keep.txt", "new", 3, &said);
    platform::InjectWriteFault(platform::WriteFault::kNone);
    EXPECT_EQ(said, error) << static_cast<unsigned>(mode);
    EXPECT_EQ(ReadAll("w/keep.txt"), written ? "new" : "old contents");
    EXPECT_EQ(fs::status("w/keep.txt").permissions(), mode);
    if (written) {
      ASSERT_TRUE(platform::WriteFileAtomic("w/keep.txt", "old contents", 12));
    }
  }
  const fs::perms private_file = fs::perms::owner_read | fs::perms::owner_write;
  ::umask(027);
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

using test_support::kNoOtherUser;
using test_support::SaidAsAnotherUser;

// A file the user may not write stays as it is, as under a shell's redirection (the rename
// would need only the folder); one whose folder cannot hold the temporary file is refused with
// that reason, never written in place. Run as root, a child that became another user writes.
TEST_F(AtomicFileTest, AFileTheUserMayNotWriteOrWhoseFolderTakesNoNewFileStaysAsItIs) {
  fs::create_directories("perm/closed");
  ASSERT_TRUE(platform::WriteFileAtomic("perm/locked.wav", "old", 3));
  ASSERT_TRUE(platform::WriteFileAtomic("perm/closed/open.wav", "old", 3));
  fs::permissions("perm/locked.wav", fs::perms(0444));
  fs::permissions("perm/closed/open.wav", fs::perms(0666));
  fs::permissions("perm/closed", fs::perms(0555));
  fs::permissions("perm", fs::perms(0777));
  const std::string said = SaidAsAnotherUser("perm", [] {
    std::string said;
    for (const char* path : {"locked.wav", "closed/open.wav"}) {
      platform::AtomicFile file(path);
      said += file.Write("new", 3) && file.Commit() ? std::string(path) + " written\n" : file.error() + "\n";
    }
    return said;
  }, /*catch_output=*/false, /*need_other_user=*/false);
  fs::permissions("perm/closed", fs::perms(0755));
  if (said == "skip") GTEST_SKIP() << kNoOtherUser;
  EXPECT_EQ(said,
            "cannot write locked.wav (open: Permission denied)\n"
            "cannot write closed/open.wav (the folder closed cannot hold a new file: Permission denied)\n");
  EXPECT_EQ(ReadAll("perm/locked.wav"), "old");
  EXPECT_EQ(ReadAll("perm/closed/open.wav"), "old");
  EXPECT_EQ(FilesIn("perm/closed"), 1u);
}

// A folder that may be written but not listed (a drop box: 0703) takes a new file and a
// replaced one, as it takes a shell's redirection, and its file system is flushed; where it makes
// no file without a name (FUSE, NFS, CIFS), each file written is flushed, and one that cannot be
// says why. Where no new file may be made at all, a folder that cannot be opened fails the flush.
TEST_F(AtomicFileTest, AFolderThatMayBeWrittenButNotListedTakesTheFile) {
  fs::create_directories("box/drop");
  fs::permissions("box/drop", fs::perms(0703));
  using platform::WriteFault;
  // Each row writes drop/out.txt twice, then flushes the folder.
  const struct {
    WriteFault fault;
    int error;     // the system's error the faulted step fails with; 0: its own
    bool removed;  // the file is gone before the flush
    const char* flushed;
  } kFlushes[] = {
      {WriteFault::kNone, 0, false, "flushed"},
      {WriteFault::kNamelessFile, 0, false, "flushed"},
      {WriteFault::kNamelessFile, 0, true, "cannot flush drop/out.txt to the disk (No such file or directory)"},
      // A file system that refuses a file of no name as a folder would (EISDIR) or as a flag it
      // does not know (EINVAL) makes none either: the files are flushed one by one.
      {WriteFault::kNamelessFile, EISDIR, true, "cannot flush drop/out.txt to the disk (No such file or directory)"},
      {WriteFault::kNamelessFile, EINVAL, true, "cannot flush drop/out.txt to the disk (No such file or directory)"},
      // No new file may be made there, and the folder cannot be opened to flush what there is.
      {WriteFault::kNamelessFile, EACCES, false, "cannot flush drop to the disk (Permission denied)"},
      {WriteFault::kNamelessFile | WriteFault::kSync, 0, false, "cannot flush drop/out.txt to the disk (Input/output error)"},
  };
  std::string expected;
  for (const auto& row : kFlushes) expected += std::string("written\nwritten\n") + row.flushed + "\n";
  const std::string said = SaidAsAnotherUser("box", [&kFlushes] {
    if (DIR* listed = ::opendir("drop")) {
      ::closedir(listed);
      return std::string("the folder can be listed\n");
    }
    std::string said;
    for (const auto& row : kFlushes) {
      platform::InjectWriteFault(row.fault, row.error);
      platform::FolderFlush flush("drop");
      for (const std::string text : {"first", "second"}) {
        platform::AtomicFile file("drop/out.txt", platform::AtomicFile::Sync::kLater);
        said += file.Write(text.data(), text.size()) && file.Commit() ? "written\n" : file.error() + "\n";
        flush.Written("drop/out.txt");
      }
      if (row.removed) ::unlink("drop/out.txt");
      std::string error;
      said += flush.Flush(&error) ? "flushed\n" : error + "\n";
      platform::InjectWriteFault(platform::WriteFault::kNone);
    }
    return said;
  });
  fs::permissions("box/drop", fs::perms(0755));
  if (said == "skip") GTEST_SKIP() << kNoOtherUser;
  EXPECT_EQ(said, expected);
  EXPECT_EQ(FilesIn("box/drop"), 1u);  // the last file, whose flush failed: no temporary file
}

// The temporary name fits beside any name the file system takes, one of multi-byte characters
// too; a name that ends in '/' is refused by its name.
TEST_F(AtomicFileTest, ANameOfAnyLengthTheFileSystemTakesIsWritten) {
  std::string wide;
  for (int i = 0; i < 85; ++i) wide += "\xE4\xB9\x97";  // 255 bytes
  fs::create_directories("long");
  {
    // The temporary name (of a file system that makes no file of no name) is cut to the name's
    // limit at a character's start: it stays UTF-8.
    platform::InjectWriteFault(platform::WriteFault::kNamelessFile);
    platform::AtomicFile file(platform::ProgramPath("long/" + wide));
    platform::InjectWriteFault(platform::WriteFault::kNone);
    ASSERT_TRUE(file.ok()) << file.error();
    ASSERT_EQ(FilesIn("long"), 1u);
    const std::string temporary = fs::directory_iterator("long")->path().filename().string();
    EXPECT_LE(temporary.size(), 255u);
    for (size_t i = 0; i < temporary.size();) {
      const size_t n = platform::Utf8CharLength(temporary, i);
      ASSERT_GT(n, 0u) << "no UTF-8 character at byte " << i << " of " << temporary;
      i += n;
    }
  }
  for (const std::string& name : {std::string(250, 'a') + ".wav", std::string(255, 'b'), wide}) {
    const std::string path = platform::ProgramPath("long/" + name);
    EXPECT_TRUE(platform::WriteFileAtomic(path, "one", 3)) << name.size();
    std::string error;
    EXPECT_TRUE(platform::WriteFileAtomic(path, "two", 3, &error)) << error;
    EXPECT_EQ(ReadAll("long/" + name), "two");
  }
  EXPECT_EQ(FilesIn("long"), 3u);
  EXPECT_EQ(platform::AtomicFile("w/trail.wav/").error(), "cannot write w/trail.wav/ (a name that ends in '/' is a folder's)");
  EXPECT_EQ(platform::AtomicFile("w/").error(), "cannot write w/ (it is a folder)");
}

// A path as long as the system takes is written (the temporary name is made beside it through
// the folder, so it may be longer); one the system cannot take is refused with what is too long.
TEST_F(AtomicFileTest, ALongPathIsWrittenAndATooLongOneIsRefusedForWhatIsTooLong) {
  std::string folder = "deep";
  while (folder.size() + 1 + 255 < 4094) folder += "/" + std::string(200, 'd');
  fs::create_directories(folder);
  const std::string path = folder + "/" + std::string(4094 - folder.size() - 1, 'f');
  ASSERT_EQ(path.size(), 4094u);
  std::string error;
  EXPECT_TRUE(platform::WriteFileAtomic(path, "one", 3, &error)) << error;
  EXPECT_EQ(ReadAll(path), "one");
  const std::string longer = path + "ff";
  EXPECT_EQ(platform::AtomicFile(longer).error(),
            "cannot write " + longer + " (the path is 4096 bytes long; a path may have 4095 at most)");
  fs::create_directories("wide");
  const std::string wide_name = "wide/" + std::string(256, 'n');
  EXPECT_EQ(platform::AtomicFile(wide_name).error(),
            "cannot write " + wide_name + " (a name in the path is 256 bytes long; a name may have 255 at most)");
  EXPECT_EQ(FilesIn("wide"), 0u);
}

// An output that names one of the program's own descriptors is written through it where it
// stands, as the program's standard output is: what the file held before and what comes after
// stay around it, an appending descriptor appends, a file deleted while open is written (no new
// file appears), and the file is never replaced. The descriptors are the test's own.
TEST_F(AtomicFileTest, AnOutputNamingOneOfTheProgramsDescriptorsIsWrittenWhereItStands) {
  fs::create_directories("fds");
  std::ofstream("fds/keep.txt") << "old contents";
  const int placed = ::open("fds/placed.txt", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int appending = ::open("fds/keep.txt", O_WRONLY | O_APPEND | O_CLOEXEC);
  const int gone = ::open("fds/gone.txt", O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_TRUE(placed >= 0 && appending >= 0 && gone >= 0);
  ASSERT_EQ(::unlink("fds/gone.txt"), 0);
  struct stat made {};
  ::fstat(placed, &made);
  ASSERT_EQ(::write(placed, "before ", 7), 7);
  fs::create_symlink("/dev/fd/" + std::to_string(placed), "fds/link");
  std::string error;
  EXPECT_TRUE(platform::WriteFileAtomic("/proc/self/fd/" + std::to_string(placed), "middle", 6, &error)) << error;
  EXPECT_TRUE(platform::WriteFileAtomic("fds/link", " and", 4, &error)) << error;
  ASSERT_EQ(::write(placed, " after", 6), 6);
  EXPECT_TRUE(platform::WriteFileAtomic("/dev/fd/" + std::to_string(appending), " appended", 9, &error)) << error;
  EXPECT_TRUE(platform::WriteFileAtomic("/dev/fd/" + std::to_string(gone), "still there", 11, &error)) << error;
  char back[16] = {};
  EXPECT_EQ(::pread(gone, back, sizeof back, 0), 11);
  EXPECT_STREQ(back, "still there");
  struct stat now {};
  ::stat("fds/placed.txt", &now);
  EXPECT_EQ(now.st_ino, made.st_ino);
  for (const int fd : {placed, appending, gone}) ::close(fd);
  EXPECT_EQ(ReadAll("fds/placed.txt"), "before middle and after");
  EXPECT_EQ(ReadAll("fds/keep.txt"), "old contents appended");
  EXPECT_EQ(FilesIn("fds"), 3u);  // keep.txt, placed.txt and the link: nothing new

  // A descriptor open only for reading, or not open at all, is refused.
  const int reading = ::open("fds/keep.txt", O_RDONLY | O_CLOEXEC);
  const std::string read_only = "/dev/fd/" + std::to_string(reading);
  EXPECT_EQ(platform::AtomicFile(read_only).error(),
            "cannot write " + read_only + " (descriptor " + std::to_string(reading) + " is open only for reading)");
  ::close(reading);
  EXPECT_EQ(platform::AtomicFile(read_only).error(),
            "cannot write " + read_only + " (descriptor " + std::to_string(reading) + " is not open)");
  EXPECT_EQ(ReadAll("fds/keep.txt"), "old contents appended");
  EXPECT_EQ(FilesIn("fds"), 3u);
}

// What the program's standard output holds comes before an output written through the
// descriptor it writes to, as it was written first.
TEST_F(AtomicFileTest, WhatAStreamHoldsComesBeforeAnOutputWrittenThroughItsDescriptor) {
  std::fflush(stdout);
  const int saved = ::dup(STDOUT_FILENO);
  const int file = ::open("w/stream.txt", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_TRUE(saved >= 0 && file >= 0);
  ::dup2(file, STDOUT_FILENO);
  std::fputs("note, ", stdout);  // held until the stream is flushed
  std::string error;
  EXPECT_TRUE(platform::WriteFileAtomic("/dev/stdout", "output", 6, &error)) << error;
  std::fflush(stdout);
  ::dup2(saved, STDOUT_FILENO);
  for (const int fd : {saved, file}) ::close(fd);
  EXPECT_EQ(ReadAll("w/stream.txt"), "note, output");
}

// A thread waiting for a line on standard input (which holds that stream's lock meanwhile)
// holds up no write through a descriptor: the write completes while the line is still to come.
TEST_F(AtomicFileTest, AThreadWaitingForALineOnStandardInputHoldsUpNoWrite) {
  int line[2];
  ASSERT_EQ(::pipe2(line, O_CLOEXEC), 0);
  const int saved = ::dup(STDIN_FILENO);
  ::dup2(line[0], STDIN_FILENO);
  std::thread reader([] {
    char got[16];
    std::fgets(got, sizeof got, stdin);
  });
  // Until the reader holds the stream, waiting in fgets.
  while (::ftrylockfile(stdin) == 0) {
    ::funlockfile(stdin);
    std::this_thread::yield();
  }
  const int out = ::open("w/out.txt", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  auto written = std::async(std::launch::async, [out] {
    return platform::WriteFileAtomic("/dev/fd/" + std::to_string(out), "done", 4, nullptr);
  });
  // Held up, the write would wait for the line for ever: past the deadline the line is given.
  const bool in_time = written.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
  ASSERT_EQ(::write(line[1], "line\n", 5), 5);
  reader.join();
  EXPECT_TRUE(in_time) << "the write waited for the line on standard input";
  EXPECT_TRUE(written.get());
  ::dup2(saved, STDIN_FILENO);
  std::clearerr(stdin);
  for (const int fd : {saved, out, line[0], line[1]}) ::close(fd);
  EXPECT_EQ(ReadAll("w/out.txt"), "done");
}

// A descriptor someone left non-blocking (a pipe whose reader is slow) takes every byte: the
// writer waits for room, as on a blocking one. The reader reads nothing until the pipe is full.
TEST_F(AtomicFileTest, ANonBlockingPipeWithASlowReaderGetsEveryByte) {
  int ends[2];
  ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
  ::fcntl(ends[1], F_SETFL, ::fcntl(ends[1], F_GETFL) | O_NONBLOCK);
  const int room = ::fcntl(ends[0], F_GETPIPE_SZ);
  ASSERT_GT(room, 0);
  std::string sent(static_cast<size_t>(room) * 4 + 123, '\0');
  for (size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>(i * 31 + i / 4093);
  std::atomic<bool> done{false};
  std::string got;
  std::thread reader([&] {
    for (int held = 0; !done && (::ioctl(ends[0], FIONREAD, &held) != 0 || held < room);) std::this_thread::yield();
    char page[4096];
    for (ssize_t n; (n = ::read(ends[0], page, sizeof page)) > 0;) got.append(page, static_cast<size_t>(n));
  });
  std::string error;
  EXPECT_TRUE(platform::WriteFileAtomic("/dev/fd/" + std::to_string(ends[1]), sent.data(), sent.size(), &error))
      << error;
  done = true;
  ::close(ends[1]);
  reader.join();
  ::close(ends[0]);
  EXPECT_EQ(got.size(), sent.size());
  EXPECT_TRUE(got == sent);
}

// A FIFO whose reader went away fails the write with its reason, as a full disk does; the
// process goes on, and SIGPIPE is neither left pending nor held back.
TEST_F(AtomicFileTest, AReaderThatGoesAwayFailsTheWriteNeverTheProgram) {
  ASSERT_EQ(::mkfifo("w/fifo", 0600), 0);
  const int reader = ::open("w/fifo", O_RDONLY | O_NONBLOCK);
  platform::AtomicFile file("w/fifo");
  ::close(reader);
  EXPECT_FALSE(file.Write("x", 1));
  EXPECT_EQ(file.error(), "cannot write w/fifo (write: Broken pipe)");
  sigset_t pending, held;
  ::sigpending(&pending);
  ::pthread_sigmask(SIG_BLOCK, nullptr, &held);
  EXPECT_FALSE(sigismember(&pending, SIGPIPE));
  EXPECT_FALSE(sigismember(&held, SIGPIPE));
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
