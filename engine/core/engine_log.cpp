// The engine's three log files. A log that cannot be opened drops its line silently: logging
// must never take the program down.
#include "engine/core/engine_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/core/engine_files.h"
#include "platform/clock.h"
#include "platform/files.h"
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

void WriteLine(const std::string& file, const char* mode, const std::string& line) {
  FILE* f = platform::OpenFile(ExePath(file), mode);
  if (!f) return;
  std::fwrite(line.data(), 1, line.size(), f);
  std::fclose(f);
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
  WriteLine(name, "a+", BuildLine(t, kLogGap, message));
}

void WriteErrorLog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string message = FormatArgs(format, args);
  va_end(args);
  WriteLine("GameError.log", "w+", BuildLine(platform::GetLocalTime(), kLogGap, message));
}

void LogEngineStart() {
  WriteLine("GameRun.log", "w+", BuildLine(platform::GetLocalTime(), kRunGap, "GameCore Start"));
}

void WriteRunLog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string message = FormatArgs(format, args);
  va_end(args);
  WriteLine("GameRun.log", "a+", BuildLine(platform::GetLocalTime(), kRunGap, message));
}

void ShowLastError(const char* operation) {
  const std::string text = std::string(operation ? operation : "") + " 由于以下错误而失败: " + std::strerror(errno);
  platform::MessageBoxA(text.c_str(), "错误", platform::MB_ICONERROR);
}

}  // namespace engine
