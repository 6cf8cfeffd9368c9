// Checked file writing over POSIX: write() until every byte is taken, fsync, close, rename.
#include "platform/atomic_file.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>

#include "platform/diagnostics.h"
#include "platform/files.h"

namespace platform {
namespace {

std::atomic<int> g_fault{0};
std::atomic<int> g_fault_error{0};
std::atomic<void (*)()> g_temporary_named_hook{nullptr};

bool Faulted(WriteFault step) { return (g_fault.load(std::memory_order_relaxed) & static_cast<int>(step)) != 0; }

// The system's error a faulted step fails with: the one a test gave, or the step's own.
int FaultError(int usual) {
  const int given = g_fault_error.load(std::memory_order_relaxed);
  return given != 0 ? given : usual;
}

// The temporary files that have a name, removed when SIGINT, SIGTERM or SIGHUP ends the program.
// The handler is installed only while such a file exists or is being made, and only for a signal
// left to end the program (one ignored, or handled by the program, is left alone), then the
// signal's default restored: a run stopped by Ctrl-C ends as it would have, leaving nothing
// behind. The handler does only what a handler may (atomics, unlinkat, signal, kill).
//
// The signal may reach any thread. A thread that makes a named file does so inside a Making
// section, which the handler never ends the program in: it leaves the signal to the section, and
// the last section to leave removes every kept name and ends the program. So a file is never left
// between its making and its keeping, and no slot is filled while the handler reads the table.
// Slots are freed at any time: each is read between two equal, even readings of its sequence,
// which its filler makes odd while it writes, so a name is never read half written.
namespace removed_on_signal {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSlots = 64;  // files written at once; one past them is only removed by the program
enum : int { kFree, kFilling, kArmed };

struct Slot {
  std::atomic<int> state{kFree};
  std::atomic<uint32_t> sequence{0};  // odd while the folder and name are written
  std::atomic<int> folder{-1};
  std::atomic<char> name[NAME_MAX + 1];
};
Slot g_slots[kSlots];

std::atomic<int> g_making{0};  // threads inside a Making section
std::atomic<int> g_ending{0};  // the signal that ends the program, once one has come

std::mutex g_lock;
int g_users = 0;                                              // armed slots and Making sections; under g_lock
bool g_installed[sizeof kSignals / sizeof kSignals[0]] = {};  // under g_lock

// Removes the file of every armed slot.
void RemoveAll() {
  for (Slot& slot : g_slots) {
    // A slot freed and filled again while it was read is read again.
    for (int attempt = 0; attempt < 4 && slot.state.load(std::memory_order_acquire) == kArmed; ++attempt) {
      const uint32_t before = slot.sequence.load(std::memory_order_acquire);
      if ((before & 1) != 0) continue;
      char name[NAME_MAX + 1];
      const int folder = slot.folder.load(std::memory_order_relaxed);
      for (size_t i = 0; i < sizeof name; ++i) name[i] = slot.name[i].load(std::memory_order_relaxed);
      std::atomic_thread_fence(std::memory_order_acquire);
      if (slot.sequence.load(std::memory_order_relaxed) != before) continue;
      name[NAME_MAX] = '\0';
      ::unlinkat(folder, name, 0);
      break;
    }
  }
}

// Ends the program as the signal ends one that does not handle it: the signal comes again, to the
// process, with its default action (on this thread once it is let through: the handler running,
// or a Making section, holds it here).
void End(int signal_number) {
  RemoveAll();
  ::signal(signal_number, SIG_DFL);
  ::kill(::getpid(), signal_number);
}

extern "C" void RemoveAndEnd(int signal_number) {
  const int saved = errno;
  g_ending.store(signal_number);
  // A thread is making a named file: the last one to have made it ends the program.
  if (g_making.load() == 0) End(signal_number);
  errno = saved;
}

void Install() {
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    struct sigaction before {};
    if (::sigaction(kSignals[i], nullptr, &before) != 0) continue;
    if ((before.sa_flags & SA_SIGINFO) != 0 || before.sa_handler != SIG_DFL) continue;
    struct sigaction ours {};
    ours.sa_handler = RemoveAndEnd;
    sigemptyset(&ours.sa_mask);
    for (const int other : kSignals) sigaddset(&ours.sa_mask, other);
    g_installed[i] = ::sigaction(kSignals[i], &ours, nullptr) == 0;
  }
}

void Uninstall() {
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    if (!g_installed[i]) continue;
    g_installed[i] = false;
    struct sigaction now {};
    // Someone may have put a handler of their own in its place since: that one stays.
    if (::sigaction(kSignals[i], nullptr, &now) == 0 && (now.sa_flags & SA_SIGINFO) == 0 &&
        now.sa_handler == RemoveAndEnd) {
      ::signal(kSignals[i], SIG_DFL);
    }
  }
}

void Use() {
  std::lock_guard<std::mutex> hold(g_lock);
  if (g_users++ == 0) Install();
}

void Release() {
  std::lock_guard<std::mutex> hold(g_lock);
  if (--g_users == 0) Uninstall();
}

// Keeps a name in the folder (a descriptor) to be removed on those signals: its slot, -1 when
// every slot is taken. Called inside a Making section.
int Add(int folder, const std::string& name) {
  if (name.size() > NAME_MAX) return -1;
  for (int i = 0; i < kSlots; ++i) {
    Slot& slot = g_slots[i];
    int expected = kFree;
    if (!slot.state.compare_exchange_strong(expected, kFilling)) continue;
    Use();
    const uint32_t sequence = slot.sequence.load(std::memory_order_relaxed);
    slot.sequence.store(sequence + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    slot.folder.store(folder, std::memory_order_relaxed);
    for (size_t k = 0; k <= name.size(); ++k) slot.name[k].store(name.c_str()[k], std::memory_order_relaxed);
    slot.sequence.store(sequence + 2, std::memory_order_release);
    slot.state.store(kArmed, std::memory_order_release);
    return i;
  }
  return -1;
}

void Remove(int slot) {
  if (slot < 0) return;
  g_slots[slot].state.store(kFree, std::memory_order_release);
  Release();
}

// Holds those signals back on this thread while it lives.
class Held {
 public:
  Held() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal_number : kSignals) sigaddset(&set, signal_number);
    held_ = ::pthread_sigmask(SIG_BLOCK, &set, &before_) == 0;
  }
  ~Held() {
    if (held_) ::pthread_sigmask(SIG_SETMASK, &before_, nullptr);
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;

 private:
  sigset_t before_{};
  bool held_ = false;
};

// While it lives, a named file may be made and kept (Add): a signal that would end the program
// meanwhile, on any thread, ends it when the section is left, with the file removed. go() is
// false when such a signal came before: nothing is to be made then.
class Making {
 public:
  Making() {
    Use();
    g_making.fetch_add(1);
    go_ = g_ending.load() == 0;
  }
  ~Making() {
    if (g_making.fetch_sub(1) == 1) {
      if (const int signal_number = g_ending.load(); signal_number != 0) End(signal_number);
    }
    Release();
  }
  Making(const Making&) = delete;
  Making& operator=(const Making&) = delete;
  bool go() const { return go_; }

 private:
  Held held_;  // declared first: let go last, when the signal End raised comes through
  bool go_ = false;
};

// Tells a test that a temporary file has just got its name, before it is kept.
void TemporaryNamed() {
  if (void (*hook)() = g_temporary_named_hook.load()) hook();
}

}  // namespace removed_on_signal

// The path through which a file of no name is linked in: its descriptor in /proc (linkat with
// AT_EMPTY_PATH would need a privilege the program does not have).
std::string DescriptorPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// A file of no name in the folder (a descriptor), opened for writing with the mode less the
// umask, that can be linked in when whole: -1 where the file system makes none or /proc is not
// there to link it through.
int OpenNameless(int folder, mode_t mode) {
  if (Faulted(WriteFault::kNamelessFile)) return -1;
  const int fd = ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
  if (fd < 0) return -1;
  if (::faccessat(AT_FDCWD, DescriptorPath(fd).c_str(), F_OK, 0) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// While it lives, a write into a pipe or FIFO whose reader has gone fails with EPIPE like any
// other write error, instead of ending the process by SIGPIPE: the signal is held back on this
// thread, and one that the writes raised is taken before it is let through again.
class SigpipeHeldBack {
 public:
  SigpipeHeldBack() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    sigset_t pending;
    already_pending_ = ::sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
    held_ = ::pthread_sigmask(SIG_BLOCK, &pipe_, &before_) == 0;
  }
  ~SigpipeHeldBack() {
    if (!held_) return;
    const int saved = errno;
    sigset_t pending;
    if (!already_pending_ && ::sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1) {
      const timespec now{};
      ::sigtimedwait(&pipe_, nullptr, &now);
    }
    ::pthread_sigmask(SIG_SETMASK, &before_, nullptr);
    errno = saved;
  }
  SigpipeHeldBack(const SigpipeHeldBack&) = delete;
  SigpipeHeldBack& operator=(const SigpipeHeldBack&) = delete;

 private:
  sigset_t pipe_{};
  sigset_t before_{};
  bool already_pending_ = false;
  bool held_ = false;
};

// Writes every byte, retrying after signals; false with errno set otherwise. into_pipe: the fd
// may be a pipe or FIFO, whose reader may go away.
bool WriteAll(int fd, const void* data, size_t size, bool into_pipe = false) {
  if (Faulted(WriteFault::kWrite) && size > 0) {
    errno = FaultError(ENOSPC);
    return false;
  }
  if (into_pipe) {
    SigpipeHeldBack held;
    return WriteAll(fd, data, size);
  }
  const auto* bytes = static_cast<const uint8_t*>(data);
  size_t written = 0;
  while (written < size) {
    const ssize_t n = ::write(fd, bytes + written, size - written);
    if (n > 0) {
      written += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // A descriptor someone else left non-blocking: wait until it takes more, as a blocking one would.
      pollfd ready{fd, POLLOUT, 0};
      if (::poll(&ready, 1, -1) < 0 && errno != EINTR) return false;
    } else {
      if (n == 0) errno = EIO;
      return false;
    }
  }
  return true;
}

bool CloseChecked(int fd) {
  const int result = ::close(fd);
  if (Faulted(WriteFault::kClose)) {
    errno = FaultError(EIO);
    return false;
  }
  return result == 0;
}

std::string Reason(const std::string& native, const char* step, int error_number) {
  return "cannot write " + native + " (" + step + ": " + std::strerror(error_number) + ")";
}

// The folder of a native path as it is spelled there ("." for a bare name).
std::string FolderOf(const std::string& native) {
  const size_t slash = native.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : native.substr(0, slash);
}

constexpr char kTemporaryMark[] = ".tmp-";
constexpr size_t kTemporaryLetters = 6;

// The last component of a native path.
std::string NameOf(const std::string& native) {
  const size_t slash = native.rfind('/');
  return slash == std::string::npos ? native : native.substr(slash + 1);
}

// The start of a temporary name beside a file named `name`: the name, cut (at a character's
// start) where the mark and letters would make it longer than `longest`, the folder's limit.
std::string TemporaryStem(const std::string& name, long longest) {
  const size_t room = std::max<long>(longest > 0 ? longest : NAME_MAX, 16) - (sizeof kTemporaryMark - 1) - kTemporaryLetters;
  size_t keep = std::min(name.size(), room);
  while (keep > 0 && keep < name.size() && (static_cast<uint8_t>(name[keep]) & 0xC0) == 0x80) --keep;
  return name.substr(0, keep) + kTemporaryMark;
}

// Makes a file of a new name "name.tmp-XXXXXX" in the folder (a descriptor), opened for writing,
// with the given mode less the process's umask. -1 with errno set when none can be made.
int MakeTemporary(int folder, const std::string& name, mode_t mode, std::string* temp) {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 generator{std::random_device{}() ^ static_cast<uint64_t>(::getpid())};
  const std::string stem = TemporaryStem(name, ::fpathconf(folder, _PC_NAME_MAX));
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = stem;
    for (size_t i = 0; i < kTemporaryLetters; ++i) candidate += kLetters[generator() % (sizeof kLetters - 1)];
    const int fd = ::openat(folder, candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0) {
      *temp = std::move(candidate);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

// Renames `from` (in the folder) to `to` only when nothing stands at `to`, in one step: false
// with errno (EEXIST when something does). A file system without the no-replace rename gets a
// hard link, which fails the same way when the name is taken, and the old name removed.
bool RenameNoReplace(int folder, const std::string& from, const std::string& to) {
  if (::renameat2(folder, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  if (::linkat(folder, from.c_str(), AT_FDCWD, to.c_str(), 0) != 0) return false;
  ::unlinkat(folder, from.c_str(), 0);
  return true;
}

// Replaces a path that is a symbolic link by the path the link names, relative to the link's own
// folder. false with errno set when it cannot be read. (What lstat says of a link's size is not
// to be trusted: /proc's links all say 64.)
bool ReadLink(std::string* path) {
  std::string link(PATH_MAX + 1, '\0');
  const ssize_t n = ::readlink(path->c_str(), link.data(), link.size());
  if (n <= 0 || n > PATH_MAX) {
    if (n >= 0) errno = n == 0 ? ENOENT : ENAMETOOLONG;
    return false;
  }
  link.resize(static_cast<size_t>(n));
  const size_t slash = path->rfind('/');
  *path = link.front() == '/' || slash == std::string::npos ? link : path->substr(0, slash + 1) + link;
  return true;
}

// Follows the symbolic links at `path` (each relative to its own folder) to the name that is no
// link, which may not exist yet (a name that cannot be looked at is left for the write to report).
// false with errno set when a link cannot be read or they loop.
bool FollowLinks(std::string* path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path->c_str(), &st) != 0) return true;
    if (!S_ISLNK(st.st_mode)) return true;
    if (!ReadLink(path)) return false;
  }
  errno = ELOOP;
  return false;
}

bool IsDecimal(const std::string& text) {
  return !text.empty() && text.size() <= 9 && (text == "0" || text[0] != '0') &&
         text.find_first_not_of("0123456789") == std::string::npos;
}

// Whether a folder is one of this process's descriptor folders (/proc/self/fd, /dev/fd, /proc/PID/fd,
// /proc/thread-self/fd), however it is reached.
bool IsOwnDescriptorFolder(const std::string& folder) {
  char* real = ::realpath(folder.c_str(), nullptr);
  if (real == nullptr) return false;
  const std::string path = real;
  std::free(real);
  const std::string own = "/proc/" + std::to_string(::getpid());
  if (path == own + "/fd") return true;
  const std::string task = own + "/task/";
  if (path.rfind(task, 0) != 0 || path.size() < task.size() + 4 || path.compare(path.size() - 3, 3, "/fd") != 0) {
    return false;
  }
  return IsDecimal(path.substr(task.size(), path.size() - 3 - task.size()));
}

// The descriptor of this process that a path names, through any links: /dev/stdout, /dev/fd/N,
// /proc/self/fd/N, or a link to one of them. -1 when it names none; *open whether it is open.
int NamedDescriptor(std::string path, bool* open) {
  for (int hops = 0; hops < 40; ++hops) {
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    struct stat st {};
    const bool there = ::lstat(path.c_str(), &st) == 0;
    if (IsDecimal(name) && IsOwnDescriptorFolder(slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash))) {
      *open = there;
      return std::atoi(name.c_str());
    }
    if (!there || !S_ISLNK(st.st_mode) || !ReadLink(&path)) return -1;
  }
  return -1;
}

// Why a path the system called too long is so: the whole of it, or one of its names.
std::string LengthProblem(const std::string& native, long longest_name) {
  if (native.size() >= PATH_MAX) {
    return "the path is " + std::to_string(native.size()) + " bytes long; a path may have " +
           std::to_string(PATH_MAX - 1) + " at most";
  }
  size_t longest = 0;
  for (size_t start = 0; start <= native.size();) {
    const size_t end = std::min(native.find('/', start), native.size());
    longest = std::max(longest, end - start);
    start = end + 1;
  }
  const size_t limit = longest_name > 0 ? static_cast<size_t>(longest_name) : NAME_MAX;
  if (longest > limit) {
    return "a name in the path is " + std::to_string(longest) + " bytes long; a name may have " +
           std::to_string(limit) + " at most";
  }
  return std::strerror(ENAMETOOLONG);
}

}  // namespace

void FailWritesPastFileSizeLimit() {
  static std::once_flag once;
  std::call_once(once, [] { ::signal(SIGXFSZ, SIG_IGN); });
}

AtomicFile::AtomicFile(const std::string& path, Sync sync)
    : shown_(NativeOutputPath(path)), target_(shown_), sync_(sync) {
  FailWritesPastFileSizeLimit();
  if (!HasFileName()) return;
  // One of the program's own descriptors (its stdout, say) is written where it stands, as any
  // program writes its output: never replaced, renamed or cut.
  bool open = false;
  if (const int descriptor = NamedDescriptor(target_, &open); descriptor >= 0) {
    OpenDescriptor(descriptor, open);
    return;
  }
  struct stat st {};
  if (::stat(target_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    OpenInPlace(st.st_mode);
    return;
  }
  // A link is left in place: the file it names is the one replaced (or made).
  if (!FollowLinks(&target_)) {
    Fail("link", errno);
    return;
  }
  if (MayReplace()) OpenTemporary();
}

AtomicFile::AtomicFile(NewFile file, Sync sync)
    : shown_(NativeOutputPath(file.first_name)), target_(shown_), sync_(sync) {
  FailWritesPastFileSizeLimit();
  if (HasFileName()) OpenTemporary();
}

AtomicFile::AtomicFile(Member file, Sync sync)
    : shown_(NativeOutputPath(file.path)), target_(shown_), sync_(sync), own_entry_(true) {
  FailWritesPastFileSizeLimit();
  if (!HasFileName()) return;
  // What stands at the name is looked at, not what it may name: a link is replaced, never followed.
  struct stat st {};
  if (::lstat(target_.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    Refuse("it is a folder");
  } else if (MayReplace()) {
    OpenTemporary();
  }
}

bool AtomicFile::MayReplace() {
  // A file the user may not write stays as it is, as it would under a shell's redirection: the
  // rename would need only the folder. Opening it to write changes nothing in it (nor waits
  // for a FIFO that took its place meanwhile).
  struct stat st {};
  if ((own_entry_ ? ::lstat(target_.c_str(), &st) : ::stat(target_.c_str(), &st)) != 0 || !S_ISREG(st.st_mode)) return true;
  const int probe = ::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (own_entry_ ? O_NOFOLLOW : 0));
  if (probe < 0) {
    Fail("open", errno);
    return false;
  }
  ::close(probe);
  return true;
}

bool AtomicFile::HasFileName() {
  if (target_.empty()) {
    error_ = "cannot write a file without a name";
  } else if (target_.back() == '/') {
    struct stat st {};
    Refuse(::stat(target_.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? "it is a folder"
                                                                     : "a name that ends in '/' is a folder's");
  } else if (target_.size() >= PATH_MAX) {
    // No call of the system takes it: neither what stands there nor its links can be looked at.
    Refuse(LengthProblem(target_, -1).c_str());
  }
  return error_.empty();
}

void AtomicFile::OpenTemporary() {
  // The temporary file is made, and later renamed, through the folder's descriptor: only the
  // name's own limit counts, never the length of the path before it. The folder is opened as a
  // path, not for reading: one that may be written but not listed takes the file, as it takes a
  // shell's redirection.
  const std::string folder = FolderOf(target_);
  folder_fd_ = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (folder_fd_ < 0) {
    Fail(("the folder " + folder + " cannot be opened").c_str(), errno);
    return;
  }
  if (const long longest = ::fpathconf(folder_fd_, _PC_NAME_MAX); longest > 0 && NameOf(target_).size() > static_cast<size_t>(longest)) {
    Fail("name", ENAMETOOLONG);
    return;
  }
  // The new file keeps the permissions of the one it replaces; a file made afresh gets the
  // process's default (0666 less the umask), as any new file would.
  struct stat old {};
  const bool replacing = (own_entry_ ? ::lstat(target_.c_str(), &old) : ::stat(target_.c_str(), &old)) == 0 && S_ISREG(old.st_mode);
  const mode_t mode = replacing ? (old.st_mode & 0777) : 0666;
  // A file of no name leaves nothing behind however the run ends; where none can be made, a
  // named one is removed on the signals that end a run.
  fd_ = OpenNameless(folder_fd_, mode);
  nameless_ = fd_ >= 0;
  if (!nameless_) {
    removed_on_signal::Making making;
    fd_ = making.go() ? MakeTemporary(folder_fd_, NameOf(target_), mode, &temp_) : (errno = EINTR, -1);
    if (fd_ >= 0) {
      removed_on_signal::TemporaryNamed();
      RemoveOnSignal(true);
    }
  }
  if (fd_ < 0) {
    // The file is written whole or not at all, so it is never written in place: without a new
    // file beside it, it stays as it is.
    const std::string step = "the folder " + folder + " cannot hold a new file";
    Fail(step.c_str(), errno);
    return;
  }
  // The umask may have taken bits the old file had. A file system that keeps no modes (FAT
  // through FUSE answers ENOSYS) shows every file with the same one: a mode it cannot set is no
  // failure where the file already shows the old file's.
  if (replacing && (Faulted(WriteFault::kPermissions) ? (errno = FaultError(ENOSYS), true) : ::fchmod(fd_, mode) != 0)) {
    const int why = errno;
    struct stat made {};
    if (::fstat(fd_, &made) != 0 || (made.st_mode & 0777) != mode) Fail("permissions", why);
  }
}

void AtomicFile::OpenInPlace(unsigned mode) {
  if (S_ISDIR(mode)) return Refuse("it is a folder");
  if (S_ISSOCK(mode)) return Refuse("it is a socket");
  // Without a reader a FIFO would hold the program until one came: it is refused instead.
  const int fd = ::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return errno == ENXIO && S_ISFIFO(mode) ? Refuse("it is a FIFO that nothing reads") : Fail("open", errno);
  // What stands there now is what was looked at: a regular file is never written into in place.
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return Refuse("it changed while it was opened");
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  fd_ = fd;
  in_place_ = true;
}

void AtomicFile::OpenDescriptor(int descriptor, bool open) {
  const int flags = open ? ::fcntl(descriptor, F_GETFL) : -1;
  const std::string which = "descriptor " + std::to_string(descriptor);
  if (flags < 0) return Refuse((which + " is not open").c_str());
  if ((flags & O_ACCMODE) == O_RDONLY) return Refuse((which + " is open only for reading").c_str());
  // A copy of the descriptor shares its place in the file and its appending: the bytes go where
  // the next write to it would go.
  fd_ = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
  if (fd_ < 0) return Fail("open", errno);
  in_place_ = true;
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !temp_.empty()) ::unlinkat(folder_fd_, temp_.c_str(), 0);
  RemoveOnSignal(false);
  if (folder_fd_ >= 0) ::close(folder_fd_);
}

void AtomicFile::RemoveOnSignal(bool keep) {
  removed_on_signal::Remove(removed_on_signal_);
  removed_on_signal_ = keep ? removed_on_signal::Add(folder_fd_, temp_) : -1;
}

void AtomicFile::Fail(const char* step, int error_number) {
  if (!error_.empty()) return;
  if (error_number == ENAMETOOLONG) {
    const long longest = folder_fd_ >= 0 ? ::fpathconf(folder_fd_, _PC_NAME_MAX) : -1;
    return Refuse(LengthProblem(target_, longest).c_str());
  }
  error_ = Reason(shown_, step, error_number);
}

void AtomicFile::Refuse(const char* why) {
  if (error_.empty()) error_ = "cannot write " + shown_ + " (" + why + ")";
}

bool AtomicFile::Write(const void* data, size_t size) {
  if (!ok()) return false;
  // What stands there may be the file one of the program's streams writes into (its standard
  // output, say): what those hold comes first, as it was written first.
  // Only the standard streams are flushed: flushing every stream would wait for each one's lock,
  // and a thread that reads standard input holds that one for as long as it waits for a line.
  if (in_place_) {
    std::fflush(stdout);
    std::fflush(stderr);
  }
  if (!WriteAll(fd_, data, size, in_place_)) Fail("write", errno);
  return ok();
}

bool AtomicFile::CopyFrom(const std::string& path, uint64_t size, std::string* why) {
  if (!ok()) return false;
  // Opened without waiting: a FIFO that took the file's place would hold the copy up. A file
  // another holds a lease on answers at once too: that one is waited for, as any reader waits.
  const std::string native = NativePath(path);
  int fd = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0 && errno == EWOULDBLOCK) fd = ::open(native.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    *why = std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (const bool stated = ::fstat(fd, &st) == 0; !stated || !S_ISREG(st.st_mode)) {
    *why = stated ? "it is no regular file" : std::strerror(errno);
    ::close(fd);
    return false;
  }
  std::vector<uint8_t> block(static_cast<size_t>(std::min<uint64_t>(size + 1, 256 * 1024)));
  uint64_t left = size;
  bool good = true;
  // One byte past the size is asked for at the end: a file that grew holds it.
  while (good && ok()) {
    const size_t asked = static_cast<size_t>(std::min<uint64_t>(left > 0 ? left : 1, block.size()));
    const ssize_t n = Faulted(WriteFault::kRead) ? (errno = FaultError(EIO), -1) : ::read(fd, block.data(), asked);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *why = std::strerror(errno);
      good = false;
    } else if (left == 0 ? n > 0 : n == 0) {
      *why = "it changed while it was copied: it no longer holds " + std::to_string(size) + " bytes";
      good = false;
    } else if (left == 0) {
      break;
    } else {
      Write(block.data(), static_cast<size_t>(n));
      left -= static_cast<uint64_t>(n);
    }
  }
  ::close(fd);
  return good && ok();
}

bool AtomicFile::Finish() {
  if (fd_ < 0 || committed_) return false;
  bool good = error_.empty();
  // A device, a FIFO or a descriptor keeps no copy of its own to flush.
  if (good && sync_ == Sync::kToDisk && !in_place_ && (Faulted(WriteFault::kSync) || ::fsync(fd_) != 0)) {
    Fail("flush", Faulted(WriteFault::kSync) ? FaultError(EIO) : errno);
    good = false;
  }
  // A file of no name stays open until it is linked in: it is linked through its descriptor.
  if (good && nameless_) return true;
  if (!CloseFile() && good) {
    Fail("close", errno);
    good = false;
  }
  return good || Discard();
}

bool AtomicFile::CloseFile() {
  const int fd = fd_;
  fd_ = -1;
  return CloseChecked(fd);
}

bool AtomicFile::LinkNameless(int folder, const std::string& name) {
  return ::linkat(AT_FDCWD, DescriptorPath(fd_).c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

bool AtomicFile::LinkNamelessAsTemporary() {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 generator{std::random_device{}() ^ static_cast<uint64_t>(::getpid())};
  const std::string stem = TemporaryStem(NameOf(target_), ::fpathconf(folder_fd_, _PC_NAME_MAX));
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = stem;
    for (size_t i = 0; i < kTemporaryLetters; ++i) candidate += kLetters[generator() % (sizeof kLetters - 1)];
    removed_on_signal::Making making;
    if (!making.go()) {
      errno = EINTR;
      return false;
    }
    if (LinkNameless(folder_fd_, candidate)) {
      temp_ = std::move(candidate);
      removed_on_signal::TemporaryNamed();
      RemoveOnSignal(true);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  errno = EEXIST;
  return false;
}

bool AtomicFile::Discard() {
  if (fd_ >= 0) CloseFile();  // a file of no name goes with its descriptor
  if (!temp_.empty()) ::unlinkat(folder_fd_, temp_.c_str(), 0);
  RemoveOnSignal(false);
  temp_.clear();
  return false;
}

bool AtomicFile::Commit() {
  if (!Finish()) return false;
  if (in_place_) {
    committed_ = true;
    return true;
  }
  const std::string name = NameOf(target_);
  if (nameless_) {
    // Where nothing stands, the whole file takes the name at once; over a file it takes a
    // temporary name beside it first, renamed over the old file below.
    if (Faulted(WriteFault::kLink) ? (errno = FaultError(EIO), false) : LinkNameless(folder_fd_, name)) {
      if (!CloseFile()) {
        Fail("close", errno);
        ::unlinkat(folder_fd_, name.c_str(), 0);
        return Discard();
      }
      committed_ = true;
      return true;
    }
    if (errno != EEXIST || !LinkNamelessAsTemporary()) {
      Fail("link", errno);
      return Discard();
    }
    if (!CloseFile()) {
      Fail("close", errno);
      return Discard();
    }
  }
  if (::renameat(folder_fd_, temp_.c_str(), folder_fd_, name.c_str()) != 0) {
    Fail("rename", errno);
    return Discard();
  }
  committed_ = true;
  RemoveOnSignal(false);
  return true;
}

int AtomicFile::CommitNew(const std::vector<std::string>& names) {
  if (!Finish()) return -1;
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string native = NativeOutputPath(names[i]);
    // A link never replaces what stands at its name: the file of no name takes the first free one.
    if (!native.empty() && nameless_ && LinkNameless(AT_FDCWD, native)) {
      if (!CloseFile()) {
        Fail("close", errno);
        ::unlink(native.c_str());
        Discard();
        return -1;
      }
      shown_ = target_ = native;
      committed_ = true;
      return static_cast<int>(i);
    }
    if (!native.empty() && !nameless_ && RenameNoReplace(folder_fd_, temp_, native)) {
      shown_ = target_ = native;
      committed_ = true;
      RemoveOnSignal(false);
      return static_cast<int>(i);
    }
    if (native.empty() || errno != EEXIST) {
      Fail("rename", native.empty() ? ENOENT : errno);
      Discard();
      return -1;
    }
  }
  Fail("rename", EEXIST);
  Discard();
  return -1;
}

bool IsStandardOutput(const std::string& path) {
  struct stat out {};
  const std::string native = NativeOutputPath(path);
  if (native.empty() || ::fstat(STDOUT_FILENO, &out) != 0) return false;
  struct stat st {};
  bool open = false;
  if (const int descriptor = NamedDescriptor(native, &open); descriptor >= 0) {
    if (!open || ::fstat(descriptor, &st) != 0) return false;
  } else if (::stat(native.c_str(), &st) != 0) {
    return false;
  }
  // A memory device (/dev/null, /dev/zero, /dev/full) shows nothing written into it: an output
  // there and standard output there are never in each other's way.
  if (S_ISCHR(st.st_mode) && major(st.st_rdev) == 1) return false;
  return st.st_dev == out.st_dev && st.st_ino == out.st_ino;
}

std::vector<std::string> NumberedFileNames(const std::string& stem, const std::string& extension, int count) {
  std::vector<std::string> names;
  if (count < 1) return names;
  names.reserve(static_cast<size_t>(count));
  names.push_back(stem + extension);
  for (int n = 2; n <= count; ++n) names.push_back(stem + "-" + std::to_string(n) + extension);
  return names;
}

bool WriteFileAtomic(const std::string& path, const void* data, size_t size, std::string* error) {
  AtomicFile file(path);
  if (file.Write(data, size) && file.Commit()) return true;
  if (error) {
    *error = file.error();
  } else {
    ReportProblem("%s", file.error().c_str());
  }
  return false;
}

FolderFlush::FolderFlush(const std::string& folder) : native_(NativeOutputPath(folder)) {
  if (native_.empty()) {
    open_error_ = ENOENT;
    return;
  }
  // A file system that makes a file of no name (ext4, XFS, btrfs, tmpfs) writes out all it holds
  // on one syncfs, which any descriptor on it reaches: that file's opens a folder that may be
  // written but not listed as well (a descriptor opened as a path would not do: syncfs refuses
  // it). One that makes none (FUSE, NFS, CIFS) may keep what syncfs does not reach: each file
  // written there is flushed on its own, then the folder's entries where it can be opened.
  fd_ = Faulted(WriteFault::kNamelessFile) ? (errno = FaultError(EOPNOTSUPP), -1)
                                           : ::open(native_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd_ >= 0) return;
  const int nameless_error = errno;
  const int listed = ::open(native_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const int listed_error = errno;
  each_file_ = nameless_error == EOPNOTSUPP || nameless_error == EISDIR || nameless_error == EINVAL;
  if (each_file_) {
    folder_fd_ = listed;
  } else {
    // No new file here at all (a folder of another's, a read-only file system): the folder
    // opened for reading flushes what there is.
    fd_ = listed;
    open_error_ = listed < 0 ? listed_error : 0;
  }
}

FolderFlush::~FolderFlush() {
  if (fd_ >= 0) ::close(fd_);
  if (folder_fd_ >= 0) ::close(folder_fd_);
}

void FolderFlush::Written(const std::string& path) {
  if (each_file_) written_.push_back(NativeOutputPath(path));
}

bool FolderFlush::Flush(std::string* error) {
  int failure = each_file_ ? 0 : open_error_;
  std::string what = native_;
  // syncfs reports a write-back of the file system that failed since the folder was opened.
  if (fd_ >= 0 && (Faulted(WriteFault::kSync) || ::syncfs(fd_) != 0)) failure = Faulted(WriteFault::kSync) ? FaultError(EIO) : errno;
  for (size_t i = 0; failure == 0 && i < written_.size(); ++i) {
    const int fd = ::open(written_[i].c_str(), O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 || Faulted(WriteFault::kSync) || ::fsync(fd) != 0) {
      failure = fd >= 0 && Faulted(WriteFault::kSync) ? FaultError(EIO) : errno;
      what = written_[i];
    }
    if (fd >= 0) ::close(fd);
  }
  // The files' names are the folder's: flushed with it, they survive a crash. A file system
  // that flushes no folder (EINVAL, ENOTSUP) keeps them as it keeps its files.
  if (failure == 0 && folder_fd_ >= 0 && (Faulted(WriteFault::kSync) || ::fsync(folder_fd_) != 0)) {
    failure = Faulted(WriteFault::kSync) ? FaultError(EIO) : errno == EINVAL || errno == ENOTSUP || errno == EOPNOTSUPP ? 0 : errno;
  }
  if (failure != 0 && error) *error = "cannot flush " + what + " to the disk (" + std::strerror(failure) + ")";
  return failure == 0;
}

bool AppendToFile(const std::string& path, const void* data, size_t size, std::string* error) {
  const std::string native = NativeOutputPath(path);
  auto fail = [&](const char* step, int e) {
    if (error) *error = Reason(native, step, e);
    return false;
  };
  if (native.empty()) return fail("open", ENOENT);
  FailWritesPastFileSizeLimit();
  // Never waits for a reader of a FIFO that stands at the path.
  const int fd = ::open(native.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) return fail("open", errno);
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  struct stat st {};
  const bool into_pipe = ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode);
  if (!WriteAll(fd, data, size, into_pipe)) {
    const int e = errno;
    ::close(fd);
    return fail("write", e);
  }
  if (!CloseChecked(fd)) return fail("close", errno);
  return true;
}

void InjectWriteFault(WriteFault fault, int error) {
  g_fault_error.store(error, std::memory_order_relaxed);
  g_fault.store(static_cast<int>(fault), std::memory_order_relaxed);
}

void SetTemporaryNamedHook(void (*hook)()) { g_temporary_named_hook.store(hook); }

}  // namespace platform
