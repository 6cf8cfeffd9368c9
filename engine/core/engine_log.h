// The engine's logs, file and path chores, and small text helpers.
//
// Logs lie beside the executable:
//   "Game%d%02d%02d.log"  daily log, one line per WriteGameLog call (appended)
//   "GameError.log"       holds only the line of the last WriteErrorLog call
//   "GameRun.log"         one run's lines: LogEngineStart empties it, WriteRunLog appends
// Paths are GBK, with '\' or '/' separators.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace engine {

void WriteGameLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
void WriteErrorLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogEngineStart();
void WriteRunLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
// With false, the three logs write nothing until enabled again (fuzz runs, which would fill
// the disk with the lines of refused inputs).
void SetEngineLogsEnabled(bool enabled);
// Shows "<operation> 由于以下错误而失败: <system text>" in an error message box.
void ShowLastError(const char* operation);

}  // namespace engine
