// A grid of square cells over the view that files every drawable object under the cells its
// outline can reach, so that a frame finds the objects meeting its dirty areas by looking in a
// few cells instead of walking the whole draw list.
//
// An unturned object meets an area exactly when its bounding box does, so the grid answers for
// it exactly. A turned object is returned when the area comes near it, and the caller tests its
// outline. Objects that reach over many cells (backgrounds, panels) are kept in one list that
// every look-up reads, so that moving them costs no more than moving a small one; so is an object
// whose place is not a finite number within reason, which may meet any area.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/core/object_geometry.h"
#include "platform/win_types.h"

namespace engine {

// How far what the grid knows of an object's outline goes.
enum class Reach : uint8_t {
  kBox,       // unturned: it meets an area exactly when its box (right and bottom open) overlaps it
  kNear,      // turned: it can only meet areas that touch its reach (edges included)
  kAnywhere,  // not a number or far out: it may meet any area
};

// What the grid keeps of one object; the scene's node for the object derives from it.
struct GridEntry {
  RECT reach{};
  RECT cells{};       // the cells it is filed under, right and bottom open
  uint32_t seen = 0;  // the look-up that last returned it
  Reach kind = Reach::kBox;
  bool filed = false;  // in the grid at all
  bool wide = false;   // in the list of wide entries instead of in cells
};

class SceneGrid {
 public:
  static constexpr int32_t kCellSize = 16;
  // An entry that would be filed under more cells than this goes to the list of wide entries.
  static constexpr int32_t kMaxCellsPerEntry = 64;

  // Covers area with cells and forgets every entry.
  void Reset(const RECT& area);
  // Files e where g can reach, taking it out of where it was.
  void Place(GridEntry* e, const ObjectGeometry& g);
  void Remove(GridEntry* e);

  // Starts a look-up: entries returned by the Collect calls that follow are returned once.
  void BeginLookup();
  // Appends the entries that meet rc (kBox) or may meet it (the others). False (and nothing
  // appended) when rc is not wholly inside the covered area: the grid cannot answer for it.
  bool Collect(const RECT& rc, std::vector<GridEntry*>* out);
  // How many cells rc touches (0 when it lies outside).
  size_t CellsTouched(const RECT& rc) const;
  size_t CellCount() const { return cells_.size(); }
  const RECT& Area() const { return area_; }

  // What can be known of where GeometryIntersectsRect (rc, g) holds; *out as the kind says.
  static Reach ReachOf(const ObjectGeometry& g, RECT* out);
  // Whether an entry's reach of that kind lets it meet rc (kAnywhere always may).
  static bool MayMeet(Reach kind, const RECT& reach, const RECT& rc) {
    if (kind == Reach::kBox) {
      return std::max(reach.left, rc.left) < std::min(reach.right, rc.right) &&
             std::max(reach.top, rc.top) < std::min(reach.bottom, rc.bottom);
    }
    if (kind == Reach::kNear)
      return reach.left <= rc.right && rc.left <= reach.right && reach.top <= rc.bottom && rc.top <= reach.bottom;
    return true;
  }

 private:
  // Cell columns and rows that the pixels [left, right] x [top, bottom] fall in, clipped.
  RECT CellSpan(int64_t left, int64_t top, int64_t right, int64_t bottom) const;
  RECT SpanOf(Reach kind, const RECT& reach) const;
  void Unfile(GridEntry* e);

  // A cell keeps beside each entry the rectangle that an area must overlap (right and bottom
  // open) for the entry to be returned: its box, or its reach widened by a pixel each way.
  struct Slot {
    RECT overlap;
    GridEntry* entry;
  };
  static RECT OverlapOf(Reach kind, const RECT& reach);
  RECT area_{};
  int32_t columns_ = 0;
  int32_t rows_ = 0;
  std::vector<std::vector<Slot>> cells_;
  std::vector<Slot> wide_;
  uint32_t lookup_ = 0;
};

}  // namespace engine
