// The platform layer's own trouble reports: one line each, to stderr by default after the
// program's name ("respack: ..."). Tests may capture them.
#pragma once

#include <functional>
#include <string>
#include <string>

namespace platform {

// printf-style; the text is GBK or ASCII.
void ReportProblem(const char* format, ...) __attribute__((format(printf, 1, 2)));

using ProblemSink = std::function<void(const std::string& line)>;
// Replaces the sink (null restores stderr); returns the previous one.
ProblemSink SetProblemSink(ProblemSink sink);

}  // namespace platform
