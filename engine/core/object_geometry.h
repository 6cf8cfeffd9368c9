// The geometry block of every engine object, copied as one unit into snapshots and draw items.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

namespace engine {

struct ObjectGeometry {
  double x = -100000.0;  // centre, scene pixels
  double y = -100000.0;
  double depth = 0.0;  // order within a layer; larger is in front
  double angle = 0.0;  // degrees, counter-clockwise on screen
  double alpha = 1.0;
  double width = 0.0;
  double height = 0.0;
  uint32_t flags = 0;
  uint32_t layer = 0;
  uint32_t visible = 0;
  RECT limit_rect{};
};

// Object flags (ObjectGeometry::flags).
namespace object_flag {
inline constexpr uint32_t kTakesInput = 0x1;
inline constexpr uint32_t kLimitRect = 0x2;
inline constexpr uint32_t kPixelHitTest = 0x4;
inline constexpr uint32_t kTopLayer = 0x40;
inline constexpr uint32_t kPickExcluded = 0x80;
inline constexpr uint32_t kFocusable = 0x100;
inline constexpr uint32_t kHasFocus = 0x200;
inline constexpr uint32_t kLimitMoves = 0x400;
inline constexpr uint32_t kNotDrawn = 0x1000;
inline constexpr uint32_t kClipCursor = 0x8000;
}  // namespace object_flag

}  // namespace engine
