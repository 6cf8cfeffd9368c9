// The message objects send each other, and the engine message ids.
#pragma once

#include <cstdint>

#include "engine/core/engine_events.h"

namespace engine {

// {target key, id, p1, p2}. p1 and p2 may carry pointers, so they are pointer-sized.
struct ObjectMessage {
  uint32_t target = 0;
  uint32_t id = 0;
  uintptr_t p1 = 0;
  uintptr_t p2 = 0;
};

constexpr ObjectMessage MakeMessage(uint32_t target, uint32_t id, uintptr_t p1, uintptr_t p2) {
  return ObjectMessage{target, id, p1, p2};
}

// Engine message ids.
namespace msg {
inline constexpr uint32_t kDragMove = 19840372;
inline constexpr uint32_t kShow = 19840375;
inline constexpr uint32_t kHide = 19840376;
inline constexpr uint32_t kFreeBlockA = 19840388;
inline constexpr uint32_t kFreeBlockB = 19840389;
inline constexpr uint32_t kRollStep = 19840390;       // a number display's own roll step
inline constexpr uint32_t kCountdownStep = 19840394;  // the message box's own step
}  // namespace msg

}  // namespace engine
