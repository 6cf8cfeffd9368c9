// The platform layer's trouble reports.
#include "platform/diagnostics.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <vector>

namespace platform {
namespace {
std::mutex g_sink_mutex;
ProblemSink g_sink;
}  // namespace

void ReportProblem(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string line(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(line.data(), line.size() + 1, format, args);
  va_end(args);

  ProblemSink sink;
  {
    std::lock_guard lock(g_sink_mutex);
    sink = g_sink;
  }
  if (sink) {
    sink(line);
  } else {
    // Named by the program that says it (zipai-client, respack...), as its own lines are.
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, line.c_str());
  }
}

ProblemSink SetProblemSink(ProblemSink sink) {
  std::lock_guard lock(g_sink_mutex);
  ProblemSink previous = std::move(g_sink);
  g_sink = std::move(sink);
  return previous;
}

StderrHeld::StderrHeld() {
  std::fflush(stderr);
  holder_ = ::memfd_create("held-stderr", MFD_CLOEXEC);
  saved_ = holder_ >= 0 ? ::fcntl(2, F_DUPFD_CLOEXEC, 3) : -1;
  if (saved_ < 0 || ::dup2(holder_, 2) < 0) {
    // Nothing is held: stderr stays as it is.
    if (saved_ >= 0) ::close(saved_);
    if (holder_ >= 0) ::close(holder_);
    saved_ = holder_ = -1;
  }
}

std::string StderrHeld::Release() {
  if (saved_ < 0) return {};
  std::fflush(stderr);
  ::dup2(saved_, 2);
  ::close(saved_);
  saved_ = -1;
  std::string held;
  char buffer[4096];
  for (off_t at = 0;;) {
    const ssize_t n = ::pread(holder_, buffer, sizeof buffer, at);
    if (n <= 0) break;
    held.append(buffer, static_cast<size_t>(n));
    at += n;
  }
  ::close(holder_);
  holder_ = -1;
  return held;
}

}  // namespace platform
