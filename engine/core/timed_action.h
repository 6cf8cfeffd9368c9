// Timed actions (a step function run on the object module's ticks until it reports that it is
// done) and action groups (steps of a sequence: a step starts when the previous one has finished).
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/core/object_message.h"

namespace engine {

class EngineObject;
class GameCore;
struct ActionGroup;

// Called with (object, parameters, core, ms since the action's first run); non-zero when done.
using ActionStepFn = int (*)(EngineObject* object, void* params, GameCore* core, uint32_t elapsed_ms);

inline constexpr size_t kActionParamBytes = 128;

// A cell of the object module's action pool, zeroed by ObjectModule::NewActionRecord.
struct ActionRecord {
  uint64_t id;
  ActionGroup* group;                                  // the group current when it was queued (null outside groups)
  EngineObject* object;                                // the object it works on, or null
  uint32_t waiting;                                    // 1 while its group step has not been released
  uint32_t cancelled;                                  // 1 when it is to be dropped without its completion message
  uint32_t start_time;                                 // ms of the first run
  uint32_t last_run;                                   // ms of the latest run
  uint32_t interval;                                   // least ms between two runs
  uint32_t started;                                    // 1 once it has run (time 0 is a valid run time)
  alignas(8) unsigned char params[kActionParamBytes];  // owned by the step function
  ActionStepFn step;
  ObjectMessage completion;  // delivered when the action finishes by itself and its id is not 0
  ActionRecord* next;
};

// A cell of the object module's group pool, zeroed by ObjectModule::NewGroupRecord.
struct ActionGroup {
  uint64_t id;
  ActionGroup* parent;        // enclosing step (null at top level)
  ActionGroup* previous;      // step this one waits for
  ActionGroup* next;          // step that waits for this one
  ActionGroup* first_child;   // first nested sequence begun inside this step
  ActionGroup* next_sibling;  // next nested sequence of the same parent step
  uint32_t pending;           // unfinished members: queued actions and nested sequences
};

}  // namespace engine
