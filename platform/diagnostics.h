// The platform layer's own trouble reports: one line each, to stderr by default after the
// program's name ("respack: ..."). Tests may capture them.
#pragma once

#include <functional>
#include <string>

namespace platform {

// printf-style; the text is GBK or ASCII.
void ReportProblem(const char* format, ...) __attribute__((format(printf, 1, 2)));

using ProblemSink = std::function<void(const std::string& line)>;
// Replaces the sink (null restores stderr); returns the previous one.
ProblemSink SetProblemSink(ProblemSink sink);

// While it lives, what is written to the process's stderr (fd 2) is held in memory instead:
// a library's own lines about a file a command refuses, which belong in the command's one line.
// Release lets stderr through again and gives what was held. For a command-line tool's single
// thread: every thread's stderr is held meanwhile.
class StderrHeld {
 public:
  StderrHeld();
  ~StderrHeld() { Release(); }
  StderrHeld(const StderrHeld&) = delete;
  StderrHeld& operator=(const StderrHeld&) = delete;
  std::string Release();

 private:
  int saved_ = -1;   // stderr as it was
  int holder_ = -1;  // the memory file that takes its lines meanwhile
};

}  // namespace platform
