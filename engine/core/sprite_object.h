// An object that shows a picture: it embeds one image handle, draws with it and hit-tests against
// it. Animation (frame by index or by elapsed time) lives in the handle; the sprite forwards.
#pragma once

#include <cstdint>
#include <utility>

#include "engine/core/engine_object.h"
#include "engine/core/image_handle.h"

namespace engine {

class SpriteObject : public EngineObject {
 public:
  SpriteObject() = default;
  ~SpriteObject() override = default;  // 0

  int GetKind() const override { return object_kind::kSprite; }  // 4
  ImageHandle* GetDrawImage() override { return &image_; }       // 71
  // Binds the picture; with resize, the object takes the picture's size (children linked to
  // follow scaling follow). Then the object is redrawn.
  virtual void SetImage(const PictureInfo* info, int resize);  // 73
  virtual void SetBackdropColour(uint32_t colour);             // 74

  PictureInfo* ImageCall(PictureInfo* out) const { return image_.GetParams(out); }
  uint16_t ForwardImageCall2() const { return image_.GetFrameCount(); }
  int32_t ForwardImageCall3() const { return image_.GetFrame(); }
  uint32_t GetTotalDuration() const { return image_.GetTotalDuration(); }
  uint32_t GetFrameDuration(uint16_t frame) const { return image_.GetFrameDuration(frame); }
  int32_t GetOffsetX() const { return image_.GetOffsetX(); }
  int32_t GetOffsetY() const { return image_.GetOffsetY(); }
  std::pair<int32_t, int32_t>* GetOffset(std::pair<int32_t, int32_t>* out) const;
  uint32_t GetBackdropColour() const { return image_.GetBackdropColour(); }
  uint32_t SetFrame(uint16_t frame) { return image_.SetFrame(frame); }
  uint32_t SelectFrameByTime(uint32_t t, int32_t start) { return image_.SelectFrameByTime(t, start); }
  uint32_t NextFrame() { return image_.NextFrame(); }

  // Sum of the durations of frames from, from + 1, ... up to but not including to; a range with
  // from > to wraps past the last frame through frame 0.
  uint32_t GetFramesDuration(uint32_t from, uint32_t to) const;
  // Moves the object so that the picture's drawing offset lands on (x, y).
  void PlaceAt(int32_t x, int32_t y);

  const ImageHandle& image() const { return image_; }

 private:
  ImageHandle image_;
};

}  // namespace engine
