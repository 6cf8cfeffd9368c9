// The one way the program writes files. Every write, the flush to the disk and the close are
// checked: a full disk or a failing device shows as an error, never as a short file.
//
// AtomicFile writes an output at exactly the path it is given (no name of another case is looked
// for), by what stands there:
//   - nothing, or a regular file: a new file is written beside it and takes its name only when
//     everything succeeded, so the old file survives any failure. Where the file system makes
//     files of no name (O_TMPFILE: ext4, XFS, btrfs, tmpfs), the new file has none until it is
//     whole: it is then linked in under the name, so a run stopped in any way, a kill included,
//     leaves nothing behind. Over a file that stands there it is linked in under a temporary name
//     and renamed over the old file at once (no call links over a name): a SIGKILL in that moment
//     leaves the temporary file. Elsewhere (FUSE, NFS, CIFS) it is written under a temporary name
//     and renamed. A temporary name is removed when the program is ended by SIGINT, SIGTERM or
//     SIGHUP (where the program left those signals to end it; one it ignores or handles is left
//     alone), whichever thread the signal reaches.
//     The new file keeps the permissions of the file it replaces (a file system that keeps no
//     modes, where they cannot be set, need only show the same); a new one gets the process's
//     default.
//     A file the user may not write is refused, as a shell's redirection refuses it, and so is
//     one in a folder that cannot hold the temporary file (it is never written in place);
//   - a symbolic link: the same for the file it names (made when missing); the link stays
//     (a Member replaces it instead, see below);
//   - a device or a FIFO: written into as it stands, as a shell's redirection writes (a FIFO
//     only while something reads it: the program never waits for a reader, and a reader that
//     goes away fails the write, never the process);
//   - a folder or a socket: refused;
//   - one of the program's own descriptors (/dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N,
//     or a link to one of them): written through that descriptor where it stands (at its place
//     in the file, at the end where it appends), as a program writes its standard output; what
//     it is open on is never replaced, renamed or cut.
// Before bytes go into something that stands there (a descriptor, a device, a FIFO), what the
// program's standard output and standard error hold is flushed: what was printed first comes
// first. (Other streams are left alone: one that a thread waits on, standard input say, would
// hold the write up.)
// The temporary file is made and renamed through the folder's descriptor, so a path as long as
// the system takes is written; its name fits the folder's file system whatever the length of
// the target's name. The folder is opened as a path, which needs no right to list it: a folder
// that may be written but not listed takes the file, as it takes a shell's redirection. A path or name that is too long is refused with which of them it is.
// A write past the process's file-size limit (ulimit -f) fails as on a full disk.
// A file that must be new (a saved game) takes its name only when nothing stands there at that moment.
// AppendToFile adds to the end of a log, checking the write and the close the same way.
// Paths are the program's (GBK, '\' or '/'), as everywhere in platform/files.h. Errors name the
// path once, as it was given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class AtomicFile {
 public:
  enum class Sync {
    kToDisk,  // fsync before the rename: the new file survives a power cut (the default)
    kNone,    // scratch files nobody keeps: only the writes and the close are checked
    // One of many files written together: no flush of its own; the writer flushes them all
    // at once (FolderFlush) when all are renamed, and only then reports them written.
    kLater,
  };
  // Opens the output (the temporary file, or what it is written into); ok() tells whether that worked.
  explicit AtomicFile(const std::string& path, Sync sync = Sync::kToDisk);
  // A file that must be new (CommitNew): written beside the first of its names; nothing that
  // stands at any of them is opened or replaced.
  struct NewFile {
    std::string first_name;
  };
  explicit AtomicFile(NewFile file, Sync sync = Sync::kToDisk);
  // A file of its own in a folder (a member unpacked there): whatever stands at its name but a
  // folder (a symbolic link, dangling or not, a FIFO, a device, a file) is replaced by it, as
  // tar replaces it, and never written through; the folders on the way are taken as the path
  // says. A file there the user may not write is refused, as for any output.
  struct Member {
    std::string path;
  };
  explicit AtomicFile(Member file, Sync sync = Sync::kToDisk);
  // An uncommitted file is removed, the target left as it was.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // false once any step has failed; later writes do nothing.
  bool ok() const { return fd_ >= 0 && error_.empty(); }
  bool Write(const void* data, size_t size);
  // Flushes, closes and renames over the target (closes a device or FIFO written into). false
  // (a file target untouched, error() set) when this or any earlier step failed.
  bool Commit();
  // As Commit, for a file that must be new (made with NewFile): it takes the first of names (paths in the target's
  // folder) that nothing stands at in the moment of the rename, so a file that appeared there
  // after any check is never replaced. The index of the name taken; -1 (nothing written, error()
  // set) when a step failed or every name was taken.
  int CommitNew(const std::vector<std::string>& names);
  // Why the file could not be written: "cannot write PATH (step: the system's reason)", the path
  // as given (UTF-8).
  const std::string& error() const { return error_; }
  // Writes exactly `size` bytes read from the file at `path` (a program path), a block at a time.
  // false when that file cannot be opened or read, is no regular file, or holds fewer or more
  // bytes than `size` (it changed since its size was taken): *why is then the reason (the
  // system's, for a file that cannot be read); a write that failed sets error() instead.
  bool CopyFrom(const std::string& path, uint64_t size, std::string* why);

 private:
  // false (error() set) when the path names no file: it is empty, or ends in '/'.
  bool HasFileName();
  // false (error() set) when the regular file at target_ may not be written by this user.
  bool MayReplace();
  // Makes the temporary file beside target_ with the permissions of what it replaces.
  void OpenTemporary();
  // Opens what stands at target_ (not a regular file) to write into it, or refuses it.
  void OpenInPlace(unsigned mode);
  // Writes into one of the program's own descriptors, or refuses it (not open, or only for reading).
  void OpenDescriptor(int descriptor, bool open);
  void Fail(const char* step, int error_number);
  void Refuse(const char* why);
  // Flushes the temporary file and closes a named one; false (and the file removed) when a step failed.
  bool Finish();
  // Gives the file of no name the name `name` (a native path, relative to the folder's
  // descriptor): false (errno set; EEXIST when something stands there) when it cannot be taken.
  bool LinkNameless(int folder, const std::string& name);
  // Closes the file, checked; false with errno set when the close failed.
  bool CloseFile();
  // Gives the file of no name a temporary name beside the target (temp_); false when none can be had.
  bool LinkNamelessAsTemporary();
  // Keeps temp_ among the names removed when a signal ends the program, or lets it go.
  void RemoveOnSignal(bool keep);
  // Removes the temporary file after a failure; false.
  bool Discard();

  std::string shown_;   // the path as given, as the file system spells it
  std::string target_;  // where the bytes go: shown_, or the file its links name
  std::string temp_;  // the temporary file's name in the target's folder
  std::string error_;
  int fd_ = -1;
  int folder_fd_ = -1;  // the target's folder, where the temporary file is made and renamed
  Sync sync_;
  bool in_place_ = false;  // a device or FIFO, written into
  bool own_entry_ = false;  // a Member: what stands at the name is replaced, never followed
  bool nameless_ = false;  // fd_ is a file of no name yet (O_TMPFILE)
  bool committed_ = false;
  int removed_on_signal_ = -1;  // temp_'s place among the names removed when a signal ends the program
};

// Many files written with Sync::kLater into one folder, flushed to the disk together: made on
// the folder before the first of them is written, flushed once after the last is renamed.
// Flush writes out everything pending on the file system that holds the folder (the files'
// bytes and the folders' entries alike) and reports a write-back that failed since this was
// made; the file system is reached through a file of no name made in the folder, so one that
// may be written but not listed is reached too. Where the file system makes no such file
// (FUSE, NFS, CIFS: one flush of it may not reach what it holds), every file written there
// (each one told by Written) is flushed on its own, then the folder's entries, where the folder
// can be opened, so that the names survive a crash too.
class FolderFlush {
 public:
  explicit FolderFlush(const std::string& folder);  // a program path
  ~FolderFlush();
  FolderFlush(const FolderFlush&) = delete;
  FolderFlush& operator=(const FolderFlush&) = delete;
  // A file committed into the folder (a program path), for a flush that goes file by file.
  void Written(const std::string& path);
  // false (and *error: what could not be flushed, and the reason of the call that failed) when
  // the folder could not be opened or the flush failed.
  bool Flush(std::string* error = nullptr);

 private:
  std::string native_;
  int fd_ = -1;         // on the file system, for the one flush of it
  int folder_fd_ = -1;  // the folder opened for reading, for a flush file by file
  int open_error_ = 0;
  bool each_file_ = false;  // no file of no name on the file system: the files are flushed one by one
  std::vector<std::string> written_;
};

// Whether an output at the path would go where the program's standard output goes: the path
// names that descriptor (/dev/stdout, /dev/fd/1...) or another of the program's descriptors open
// on the same file, or it is the device, FIFO or regular file standard output is open on (by
// st_dev and st_ino). A regular file is replaced by a new one: what standard output took after
// would go into the file replaced, where nobody sees it. A memory device (/dev/null, /dev/full)
// is never the same: it shows nothing of what either writes. A program whose output goes there
// keeps its own lines (notes, summaries) off its standard output.
bool IsStandardOutput(const std::string& path);

// The names a new file of one moment may take, in turn (for AtomicFile::CommitNew): stem +
// extension, then stem + "-2" + extension up to stem + "-count" + extension. Files made in the
// same second (saved games, screenshots) so each get a name of their own.
std::vector<std::string> NumberedFileNames(const std::string& stem, const std::string& extension, int count);

// Appends bytes to the file (made when missing). false when the file cannot be opened, a write
// or the close fails; what was appended before stays.
bool AppendToFile(const std::string& path, const void* data, size_t size, std::string* error = nullptr);

// Makes a write past the process's file-size limit fail (EFBIG) like a full disk instead of
// ending the process by SIGXFSZ. The writers here call it; a program calls it at its start so
// that what libraries write fails the same way.
void FailWritesPastFileSizeLimit();

// Tests: the following writes fail at one step, as a full or failing device would make them;
// faults may be joined (kNamelessFile | kSync). Each fails with the system's error given, or
// with its own: ENOSPC for kWrite, EIO for kSync, kClose, kLink and kRead.
// kNamelessFile: a file of no name (O_TMPFILE) cannot be made (EOPNOTSUPP), as on FUSE, NFS or CIFS.
// kPermissions: the mode of a new file cannot be set (ENOSYS), as on FAT through FUSE.
// kLink: the whole file of no name cannot be linked in under its name.
// kRead: a file copied in (CopyFrom) cannot be read.
enum class WriteFault {
  kNone = 0,
  kWrite = 1,
  kSync = 2,
  kClose = 4,
  kNamelessFile = 8,
  kPermissions = 16,
  kLink = 32,
  kRead = 64,
};
constexpr WriteFault operator|(WriteFault a, WriteFault b) {
  return static_cast<WriteFault>(static_cast<int>(a) | static_cast<int>(b));
}
void InjectWriteFault(WriteFault fault, int error = 0);
// Tests: called on the writing thread when a temporary file has just been given its name, before
// that name is kept among those removed on a signal (nullptr: nothing is).
void SetTemporaryNamedHook(void (*hook)());

}  // namespace platform
