#include "engine/core/sprite_object.h"

namespace engine {

void SpriteObject::SetImage(const PictureInfo* info, int resize) {
  if (info != nullptr) image_.SetParams(*info);
  if (resize != 0 && info != nullptr) Resize(static_cast<double>(info->width), static_cast<double>(info->height));
  Invalidate();
}

void SpriteObject::SetBackdropColour(uint32_t colour) { image_.SetBackdropColour(colour); }

std::pair<int32_t, int32_t>* SpriteObject::GetOffset(std::pair<int32_t, int32_t>* out) const {
  if (out) *out = {GetOffsetX(), GetOffsetY()};
  return out;
}

uint32_t SpriteObject::GetFramesDuration(uint32_t from, uint32_t to) const {
  if (from > to) to += ForwardImageCall2();
  uint32_t total = 0;
  for (uint32_t i = from; i < to; ++i) total += image_.GetFrameDuration(static_cast<int32_t>(i));
  return total;
}

void SpriteObject::PlaceAt(int32_t x, int32_t y) {
  MoveTo(static_cast<double>(x) - GetOffsetX(), static_cast<double>(y) - GetOffsetY());
}

}  // namespace engine
