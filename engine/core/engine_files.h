// File and path chores and small text helpers shared by the engine and the game code.
// Paths are GBK with '\' or '/' separators; relative names are resolved beside the executable
// by ExePath.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace engine {

// The longest path the engine's files take, in bytes (the Windows limit of 260 with its NUL).
// A longer path is refused, never cut: a cut path could name a different file.
inline constexpr size_t kMaxPathLength = 259;

// The executable's folder with its trailing '\'.
const std::string& ExeDirectory();
// The executable's folder followed by name.
std::string ExePath(const std::string& name);

// Path pieces. The extension keeps its dot and is lower-cased; a path without one gives "".
std::string GetFileExtension(const std::string& path);
std::string GetFileTitle(const std::string& path);      // name without folder and extension, case kept
std::string GetFileDirectory(const std::string& path);  // folder with its trailing separator
std::string GetFileNameLower(const std::string& path);  // name as written + lower-cased extension
std::string ReplaceExtension(const std::string& path, const std::string& extension);
// Lower-cases 'A'..'Z' in place, stepping over the trail byte of every GBK character.
void AsciiLowerSkipDbcs(std::string& text);
void AsciiLowerSkipDbcs(char* text);

// The whole file with one extra zero byte after it, so text files can be used as strings;
// null (and a line in the daily log) when it cannot be read. size gets the file's length.
std::unique_ptr<uint8_t[]> ReadWholeFile(const std::string& path, size_t* size);
// The same for a caller that needs no size (text files read up to their terminating zero). An
// empty path is tried like any other: it fails and is logged.
std::unique_ptr<uint8_t[]> ReadWholeFileZ(const std::string& path);
// Writes the file whole or not at all; 1 when written, 0 otherwise.
int WriteWholeFile(const std::string& path, const void* data, size_t size);
bool FileExists(const std::string& path);  // a file or folder, or a wildcard pattern with a match
bool FileExistsBesideExe(const std::string& name);
// The file's length; 0 when it cannot be read.
int64_t GetFileSize(const std::string& path);
// Tests (create 0) or makes (create 1) every folder of the path; 1 when all exist afterwards.
int BuildDirectory(const std::string& path, int create);

// Text helpers.
int ToInt(const char* text);
double ToDouble(const char* text);
bool ContainsTrue(const char* text);
// The text between the first and the last double quote, or the text itself without two quotes.
std::string StripQuotes(const std::string& text);
// Splits at every delimiter and appends the fields to list (an empty last field is dropped);
// returns the list's size afterwards. An empty text leaves the list alone and returns 0.
int SplitFields(const std::string& text, std::vector<std::string>& list);
int SplitFieldsBy(const std::string& text, std::vector<std::string>& list, char delimiter);
// "mm:ss" up to one hour inclusive, then "hh:mm:ss".
std::string FormatElapsedTime(uint32_t milliseconds);

}  // namespace engine
