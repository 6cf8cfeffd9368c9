#include "platform/rect_set.h"

namespace platform {

namespace {

int64_t Area(const RECT& r) { return int64_t{r.right - r.left} * (r.bottom - r.top); }

}  // namespace

void RectSet::Add(const RECT& rect) {
  if (IsRectEmpty(rect)) return;
  UnionRect(&bounds_, bounds_, rect);
  RECT area = rect;
  // An area that overlaps a kept one so much that the rectangle round both is no larger than the
  // two apart (a picture moved a little) joins it, and the joined one is looked at again.
  for (size_t i = 0; i < rects_.size();) {
    RECT joined;
    UnionRect(&joined, rects_[i], area);
    if (Area(joined) > Area(rects_[i]) + Area(area)) {
      ++i;
      continue;
    }
    area = joined;
    rects_.erase(rects_.begin() + static_cast<std::ptrdiff_t>(i));
    i = 0;
  }
  if (rects_.size() >= kMaxRects) {
    rects_.assign(1, bounds_);
    return;
  }
  rects_.push_back(area);
}

void RectSet::Clear() {
  rects_.clear();
  bounds_ = RECT{};
}

}  // namespace platform
