#include "platform/rect_set.h"

namespace platform {

void RectSet::Add(const RECT& rect) {
  if (IsRectEmpty(rect)) return;
  for (const RECT& kept : rects_) {
    RECT overlap;
    if (IntersectRect(&overlap, kept, rect) && overlap == rect) return;
  }
  UnionRect(&bounds_, bounds_, rect);
  if (rects_.size() >= kMaxRects) {
    rects_.assign(1, bounds_);
    return;
  }
  rects_.push_back(rect);
}

void RectSet::Clear() {
  rects_.clear();
  bounds_ = RECT{};
}

}  // namespace platform
