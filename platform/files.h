// Files and paths in the program's terms: GBK names, '\' or '/' separators, paths relative to
// the executable's folder where the caller builds them so.
//
// On disk, names are the system's own bytes (UTF-8 as a rule). A name read from the disk (the
// executable's folder, a folder's listing) becomes program text without loss: its characters
// in GB18030 (GBK's superset, so GBK names stay as they are), and the bytes that are no
// character, and a '\' that is part of a name, as characters of a private range that turn back
// into those bytes on the way to the disk. So "x/Straße/" is found again as it is, and a file
// named "a\b.txt" is that file, never "b.txt" in folder "a". A name that holds one of those
// private characters itself carries it escaped too: each native name has its own spelling.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// The executable's folder with a trailing '\' (GBK). The environment variable ZP_EXE_DIR
// overrides it (tests point it at a scratch folder).
const std::string& ExecutableDirectory();
// Forgets the cached folder so the next call reads ZP_EXE_DIR again (tests).
void ResetExecutableDirectory();

// Splits a GBK path at its last separator ('\' or '/'), stepping over double-byte characters,
// whose trail byte may be 0x5C. Returns the index of that separator or npos.
size_t FindLastSeparator(const std::string& path);

// The path of a file to read, as the file system spells it: program text -> the system's bytes,
// '\' -> '/'. When the path does not exist as written, each component is looked up without
// regard to ASCII case, as Windows finds the game's own files and resources.
std::string NativePath(const std::string& path);
// The path of something to write (a file, a folder), as the file system spells it: exactly as
// written, no name of another case looked for. What is written goes where it was asked to go,
// never over a file whose name differs in case.
std::string NativeOutputPath(const std::string& path);
// A name or path as the system spells it (a '/' becomes '\') in program text, without loss: a
// path a user gives stays that path ("c:x.wav" is a name here, never a drive and "x.wav").
std::string ProgramPath(std::string_view native);
// A name in program text as a person reads it: a '\' that is part of the name is shown as such.
std::string ShownName(const std::string& name);
// Program text (a message, a name, a path) for a message in UTF-8: as ShownName shows it, and a
// name's bytes that are no UTF-8 as those very bytes, for the message's printer to escape
// ("caf\xE9.txt"), never as characters no one sees. Separators stay as they are.
std::string SystemSpelling(const std::string& text);
// A message that names paths as the program spells them ("in\b.png"; the first of each pair),
// with every mention of each spelled as the user gave it instead ("in/b.png"; the second), in
// one pass: where two spellings start at one place (one holds the other), the longer is taken.
std::string NamedAsGiven(const std::string& text, const std::vector<std::pair<std::string, std::string>>& paths);
// A message (UTF-8) about a path the user gave (`given`; `path` is its program spelling) from a
// reason in program text (GBK, naming the path, if at all, as the program spells it): the path
// named once and as given. The reason alone, the path in it spelled as given, when it opens with
// a reader's or writer's words and the path ("cannot open PATH", "cannot read PATH",
// "cannot write PATH (...)"); else before + given + after + the reason, without
// a leading "PATH: ". Only those places count: a word that happens to spell the path does not.
std::string NamedOnce(const std::string& reason, const std::string& path, const std::string& given,
                      const std::string& before = "", const std::string& after = ": ");

// Text from outside (a game name from the lobby) made into one file name inside a folder: every
// character that could leave the folder or that a file name cannot hold (separators, a drive's
// ':', '*?"<>|', '.', control characters, a lead byte with no trail byte) becomes '_'. GBK
// characters stay whole.
std::string FileNamePart(std::string_view text);
// Whether the text is such a name already, unchanged by FileNamePart.
bool IsPlainFileName(std::string_view text);

// fopen through NativePath (NativeOutputPath for a mode that writes). mode as fopen's.
FILE* OpenFile(const std::string& path, const char* mode);

// Why a file could not be opened or read, for a message: the system's reason ("No such file or
// directory", "Permission denied"), "it is a folder" or "it is no regular file".
std::string ReadProblem(const std::string& path);

bool FileExists(const std::string& path);  // a file or folder; wildcards '*' '?' in the last component match too
bool IsDirectory(const std::string& path);
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* out);
int64_t FileSize(const std::string& path);  // -1 when it cannot be read
// Folders made and files deleted are outputs: their paths are taken exactly (NativeOutputPath).
bool CreateDirectory(const std::string& path);    // one level; true when it exists afterwards
bool CreateDirectories(const std::string& path, std::string* error = nullptr);  // every level; why not in *error
bool DeleteFile(const std::string& path);

// Which file a path names, however it is reached: two paths name one file (through a hard
// link, a symbolic link, "a/../b", another spelling of a name) exactly when their identities
// are equal.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};
// false when nothing stands at the path.
bool GetFileIdentity(const std::string& path, FileIdentity* out);
// The same for the file a write to the path would reach (the path taken exactly, links followed).
bool GetOutputIdentity(const std::string& path, FileIdentity* out);
// Whether an output written at `output` would go over the file at `input`, which the program
// reads: both name one file, however each is reached (a link, "../", /proc/self/cwd, a hard
// link). What a program makes from a file is never written over it: the one check for that.
bool WritesOver(const std::string& output, const std::string& input);

// Writes the file whole or not at all through AtomicFile (platform/atomic_file.h): a temporary
// file beside it, every write, the flush and the close checked, then a rename. Why it failed goes
// to *error, or is reported (ReportProblem) when no error is asked for.
bool WriteFileAtomic(const std::string& path, const void* data, size_t size, std::string* error = nullptr);

// The CFileFind uses: iterate the entries of a folder that match a wildcard pattern.
class FileFind {
 public:
  // pattern: folder + '\' + wildcard ("*.*", "*.qzr", ...); false when nothing matches, or
  // when the folder cannot be listed (GetProblem says why).
  bool FindFile(const std::string& pattern);
  // Why the folder of the last FindFile could not be listed (the system's reason: "No such file
  // or directory", "Permission denied"); empty when it was.
  const std::string& GetProblem() const { return problem_; }
  // Moves to the next match; false when this was the last (the current match stays readable).
  bool FindNextFile();
  std::string GetFileName() const;   // GBK name of the current match
  std::string GetFilePath() const;   // folder (as given) + '\' + name
  std::string GetFileTitle() const;  // name without its extension
  bool IsDirectory() const;
  bool IsDots() const;  // "." or ".."
  // A symbolic link (its other facts are those of what it points at).
  bool IsLink() const;
  int64_t GetLength() const;
  void Close();

 private:
  struct Entry {
    std::string name;  // GBK
    bool directory = false;
    bool link = false;
    int64_t size = 0;
  };
  std::string folder_;
  std::string problem_;
  std::vector<Entry> entries_;
  size_t index_ = 0;
  bool started_ = false;
};

// Matches a name against a wildcard pattern ('*', '?'), ASCII case ignored.
bool WildcardMatch(const std::string& pattern, const std::string& name);

}  // namespace platform
