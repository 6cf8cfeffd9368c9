// A few rectangles and the one round them all: the areas waiting to be painted, converted or
// shown. Keeping them apart keeps the work to what changed when changes lie far from each
// other, while areas that overlap much are kept as one; past a handful they are kept as their
// bounds alone.
#pragma once

#include <vector>

#include "platform/win_types.h"

namespace platform {

class RectSet {
 public:
  static constexpr size_t kMaxRects = 16;

  // Adds an area; an empty one changes nothing, and one that a kept area holds, or overlaps so
  // that the rectangle round both is no larger than the two apart, joins it.
  void Add(const RECT& rect);
  void Clear();
  bool Empty() const { return rects_.empty(); }
  // The smallest rectangle holding every area (empty when there is none).
  const RECT& Bounds() const { return bounds_; }
  const std::vector<RECT>& Rects() const { return rects_; }

 private:
  std::vector<RECT> rects_;
  RECT bounds_{};
};

}  // namespace platform
