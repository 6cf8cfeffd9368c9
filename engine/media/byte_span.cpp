#include "engine/media/byte_span.h"

#include <cstdarg>
#include <cstdio>

#include "engine/core/engine_log.h"

namespace engine {

void ReportFormatError(std::string* error, const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (error) {
    *error = text;
  } else {
    WriteGameLog("%s", text);
  }
}

}  // namespace engine
