// Linked into every fuzz target: a run refuses millions of inputs, and the engine's daily log
// would keep a line for each (tens of megabytes a minute). Fuzz runs log nowhere.
#include "engine/core/engine_log.h"

namespace {

[[maybe_unused]] const bool kLogsOff = [] {
  engine::SetEngineLogsEnabled(false);
  return true;
}();

}  // namespace
