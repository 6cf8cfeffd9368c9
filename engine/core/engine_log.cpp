// The engine's three log files. A log that cannot be opened drops its line silently: logging
// must never take the program down.
#include "engine/core/engine_log.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/core/engine_files.h"
#include "platform/clock.h"
#include "platform/atomic_file.h"
#include "platform/diagnostics.h"
#include "platform/message_box.h"

namespace engine {
namespace {

std::string FormatArgs(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (n <= 0) return std::string();
  std::string text(static_cast<size_t>(n), '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, args);
  return text;
}

// "2026/12/06     09:05:03" followed by the gap and the message.
std::string BuildLine(const platform::SystemTime& t, const char* gap, const std::string& message) {
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%02d/%02d/%02d     %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return std::string(stamp) + gap + message + "\r\n";
}

std::atomic<bool> g_logs_enabled{true};

enum class Mode { kAppend, kReplace };

// Every write and the close are checked; a line that cannot be stored is dropped. false (and
// why in *error) when it was not stored.
bool WriteLine(const std::string& file, Mode mode, const std::string& line, std::string* error = nullptr) {
  if (!g_logs_enabled.load(std::memory_order_relaxed)) return true;
  if (mode == Mode::kAppend) return platform::AppendToFile(ExePath(file), line.data(), line.size(), error);
  platform::AtomicFile out(ExePath(file), platform::AtomicFile::Sync::kNone);
  if (out.Write(line.data(), line.size()) && out.Commit()) return true;
  if (error) *error = out.error();
  return false;
}

constexpr const char* kLogGap = "      ";  // six blanks: daily and error logs
constexpr const char* kRunGap = "     ";   // five blanks: run log

}  // namespace

void WriteGameLog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string message = FormatArgs(format, args);
  va_end(args);
  const platform::SystemTime t = platform::GetLocalTime();
  char name[64];
  std::snprintf(name, sizeof name, "Game%d%02d%02d.log", t.year, t.month, t.day);
  WriteLine(name, Mode::kAppend, BuildLine(t, kLogGap, message));
}

void WriteErrorLog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string message = FormatArgs(format, args);
  va_end(args);
  WriteLine("GameError.log", Mode::kReplace, BuildLine(platform::GetLocalTime(), kLogGap, message));
}

void LogEngineStart() {
  // The last run's lines stay when the log cannot begin afresh (a full disk): this run's lines
  // would follow them without a start line, so that is said once.
  std::string error;
  if (!WriteLine("GameRun.log", Mode::kReplace, BuildLine(platform::GetLocalTime(), kRunGap, "GameCore Start"),
                 &error)) {
    platform::ReportProblem("the run log could not begin afresh, so it goes on from the last run's lines: %s",
                            error.c_str());
  }
}

void WriteRunLog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string message = FormatArgs(format, args);
  va_end(args);
  WriteLine("GameRun.log", Mode::kAppend, BuildLine(platform::GetLocalTime(), kRunGap, message));
}

void SetEngineLogsEnabled(bool enabled) { g_logs_enabled.store(enabled, std::memory_order_relaxed); }

void ShowLastError(const char* operation) {
  const std::string text = std::string(operation ? operation : "") + " 由于以下错误而失败: " + std::strerror(errno);
  platform::MessageBoxA(text.c_str(), "错误", platform::MB_ICONERROR);
}

}  // namespace engine
