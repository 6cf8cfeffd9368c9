#include "engine/core/scene_grid.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/core/rotated_rect.h"

namespace engine {
namespace {

// Beyond this the integer geometry of an object is no longer safe to compute.
constexpr double kFarOut = 1e8;

bool Near(double v) { return std::isfinite(v) && std::fabs(v) < kFarOut; }

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

template <class List, class Match>
void EraseIf(List* list, Match match) {
  auto it = std::find_if(list->begin(), list->end(), match);
  if (it == list->end()) return;
  *it = list->back();
  list->pop_back();
}

}  // namespace

Reach SceneGrid::ReachOf(const ObjectGeometry& g, RECT* out) {
  if (!Near(g.x) || !Near(g.y) || !Near(g.width) || !Near(g.height) || !Near(g.angle)) {
    *out = RECT{};
    return Reach::kAnywhere;
  }
  const RECT box = ObjectBoundingRect(nullptr, g);
  if (g.angle == 0.0) {
    *out = box;
    return Reach::kBox;
  }
  // A turned object is tested with its box turned about its (whole-pixel) centre, and with the
  // centre of the area turned back into the box: all of that lies within the distance of the
  // box's farthest corner from the centre, give or take the rounding of turned points.
  const int32_t cx = static_cast<int32_t>(g.x);
  const int32_t cy = static_cast<int32_t>(g.y);
  double far = 0.0;
  for (const double px : {double(box.left), double(box.right)}) {
    for (const double py : {double(box.top), double(box.bottom)}) far = std::max(far, std::hypot(px - cx, py - cy));
  }
  const int32_t r = static_cast<int32_t>(std::ceil(far)) + 2;
  *out = RECT{cx - r, cy - r, cx + r, cy + r};
  return Reach::kNear;
}

void SceneGrid::Reset(const RECT& area) {
  for (auto& cell : cells_) {
    for (Slot& slot : cell) *slot.entry = GridEntry{};
  }
  for (Slot& slot : wide_) *slot.entry = GridEntry{};
  wide_.clear();
  area_ = area;
  const int64_t w = std::max<int64_t>(0, int64_t{area.right} - area.left);
  const int64_t h = std::max<int64_t>(0, int64_t{area.bottom} - area.top);
  // An area so large that its cells would not fit in memory gets none: every look-up then fails
  // and the caller walks its list.
  const int64_t columns = (w + kCellSize - 1) / kCellSize;
  const int64_t rows = (h + kCellSize - 1) / kCellSize;
  if (columns * rows > (int64_t{1} << 20)) {
    columns_ = rows_ = 0;
    area_ = RECT{};
  } else {
    columns_ = static_cast<int32_t>(columns);
    rows_ = static_cast<int32_t>(rows);
  }
  cells_.assign(static_cast<size_t>(columns_) * rows_, {});
}

RECT SceneGrid::CellSpan(int64_t left, int64_t top, int64_t right, int64_t bottom) const {
  if (columns_ == 0 || rows_ == 0 || right < left || bottom < top) return RECT{};
  const int64_t c0 = std::max<int64_t>(0, FloorDiv(left - area_.left, kCellSize));
  const int64_t r0 = std::max<int64_t>(0, FloorDiv(top - area_.top, kCellSize));
  const int64_t c1 = std::min<int64_t>(columns_ - 1, FloorDiv(right - area_.left, kCellSize));
  const int64_t r1 = std::min<int64_t>(rows_ - 1, FloorDiv(bottom - area_.top, kCellSize));
  if (c1 < c0 || r1 < r0) return RECT{};
  return RECT{static_cast<int32_t>(c0), static_cast<int32_t>(r0), static_cast<int32_t>(c1 + 1),
              static_cast<int32_t>(r1 + 1)};
}

RECT SceneGrid::SpanOf(Reach kind, const RECT& reach) const {
  if (kind == Reach::kBox) return CellSpan(reach.left, reach.top, int64_t{reach.right} - 1, int64_t{reach.bottom} - 1);
  if (kind == Reach::kNear) return CellSpan(reach.left, reach.top, reach.right, reach.bottom);
  return RECT{};
}

RECT SceneGrid::OverlapOf(Reach kind, const RECT& reach) {
  if (kind == Reach::kNear) return RECT{reach.left - 1, reach.top - 1, reach.right + 1, reach.bottom + 1};
  if (kind == Reach::kAnywhere) return RECT{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  return reach;
}

void SceneGrid::Unfile(GridEntry* e) {
  if (!e->filed) return;
  auto same = [e](const Slot& s) { return s.entry == e; };
  if (e->wide) {
    EraseIf(&wide_, same);
  } else {
    for (int32_t row = e->cells.top; row < e->cells.bottom; ++row) {
      for (int32_t column = e->cells.left; column < e->cells.right; ++column)
        EraseIf(&cells_[static_cast<size_t>(row) * columns_ + column], same);
    }
  }
  *e = GridEntry{};
}

void SceneGrid::Place(GridEntry* e, const ObjectGeometry& g) {
  RECT reach;
  const Reach kind = ReachOf(g, &reach);
  RECT span = SpanOf(kind, reach);
  const int64_t cells = int64_t{span.right - span.left} * (span.bottom - span.top);
  const bool wide = kind == Reach::kAnywhere || cells > kMaxCellsPerEntry;
  if (wide) span = RECT{};
  const RECT overlap = OverlapOf(kind, reach);
  if (e->filed && e->kind == kind && e->wide == wide && e->cells == span) {
    // Still where it was filed: only the rectangle kept beside it may change.
    if (!(e->reach == reach)) {
      auto update = [&](std::vector<Slot>& list) {
        for (Slot& slot : list) {
          if (slot.entry == e) slot.overlap = overlap;
        }
      };
      if (wide) {
        update(wide_);
      } else {
        for (int32_t row = span.top; row < span.bottom; ++row) {
          for (int32_t column = span.left; column < span.right; ++column)
            update(cells_[static_cast<size_t>(row) * columns_ + column]);
        }
      }
      e->reach = reach;
    }
    return;
  }
  Unfile(e);
  e->filed = true;
  e->kind = kind;
  e->reach = reach;
  e->wide = wide;
  if (wide) {
    wide_.push_back(Slot{overlap, e});
    return;
  }
  // Only a box that is not empty lands in cells, so overlapping its slot is meeting it.
  e->cells = span;
  for (int32_t row = span.top; row < span.bottom; ++row) {
    for (int32_t column = span.left; column < span.right; ++column)
      cells_[static_cast<size_t>(row) * columns_ + column].push_back(Slot{overlap, e});
  }
}

void SceneGrid::Remove(GridEntry* e) { Unfile(e); }

void SceneGrid::BeginLookup() {
  if (++lookup_ == 0) {
    // After four billion look-ups the marks start again; clear the old ones first.
    for (auto& cell : cells_) {
      for (Slot& slot : cell) slot.entry->seen = 0;
    }
    for (Slot& slot : wide_) slot.entry->seen = 0;
    lookup_ = 1;
  }
}

size_t SceneGrid::CellsTouched(const RECT& rc) const {
  const RECT span = CellSpan(rc.left, rc.top, rc.right, rc.bottom);
  return static_cast<size_t>(span.right - span.left) * static_cast<size_t>(span.bottom - span.top);
}

bool SceneGrid::Collect(const RECT& rc, std::vector<GridEntry*>* out) {
  if (cells_.empty() || rc.left < area_.left || rc.top < area_.top || rc.right > area_.right ||
      rc.bottom > area_.bottom) {
    return false;
  }
  auto take = [&](GridEntry* e) {
    if (e->seen == lookup_) return;
    e->seen = lookup_;
    out->push_back(e);
  };
  // The area's far edges count: a turned outline that only touches one is still returned.
  auto meets = [&rc](const Slot& slot) {
    const RECT& o = slot.overlap;
    return o.left < rc.right && rc.left < o.right && o.top < rc.bottom && rc.top < o.bottom;
  };
  for (const Slot& slot : wide_) {
    if (meets(slot)) take(slot.entry);
  }
  const RECT span = CellSpan(rc.left, rc.top, rc.right, rc.bottom);
  for (int32_t row = span.top; row < span.bottom; ++row) {
    for (int32_t column = span.left; column < span.right; ++column) {
      for (const Slot& slot : cells_[static_cast<size_t>(row) * columns_ + column]) {
        if (meets(slot)) take(slot.entry);
      }
    }
  }
  return true;
}

}  // namespace engine
