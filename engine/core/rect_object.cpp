// The rectangle object: keeps a rectangle and re-lays itself out when it changes.
#include "engine/core/rect_object.h"

namespace engine {

void RectObject::SetRect(const RECT* rect) {
  if (!rect) return;
  rect_ = *rect;
  OnRectChanged();
}

RECT* RectObject::GetRect(RECT* out) const {
  if (out) *out = rect_;
  return out;
}

}  // namespace engine
