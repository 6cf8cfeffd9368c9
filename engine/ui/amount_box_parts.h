// What InputBox and QuickInputBar share: the skin, the background canvas with "InputBoxBkg" and
// the NumberEditBox field, made and laid out alike.
#pragma once

#include <cstdint>

#include "engine/core/engine_object.h"
#include "engine/core/image_handle.h"

namespace engine {

class CanvasObject;
class NumberEditBox;
class WidgetBase;

namespace amount_box {

// Link flags of the background and the field: they move, change depth, show and hide with the
// skin.
inline constexpr uint32_t kPartLinks = link_flag::kAlwaysHide | link_flag::kAlwaysShow | link_flag::kMove |
                                       link_flag::kDepth | link_flag::kSize | link_flag::kInvalidate |
                                       link_flag::kRotate;
static_assert(kPartLinks == 0x1980A2);

struct Parts {
  PictureInfo picture{};  // "InputBoxBkg"
  CanvasObject* background = nullptr;
  NumberEditBox* field = nullptr;
};

// Makes the skin (the picture's size, shown), the background (the picture drawn, depth + 0.1)
// and the field (narrower than the picture by field_inset, its height - 4 high, depth + 0.2, with
// the focus), the last two linked to the skin. Parts that could not be made stay null.
Parts Build(WidgetBase* owner, int32_t field_inset);
// The picture's width, at least 1.
int32_t PictureWidth(const Parts& parts);
int32_t PictureHeight(const Parts& parts);
// Resizes the background to width x the picture's height, draws the picture to that width and
// centres the background at (x, y); shows it.
void LayoutBackground(Parts& parts, int32_t width, double x, double y);
// Resizes the field to width (keeping its height), lays it out and centres it at (x, y); shows it.
void LayoutField(Parts& parts, int32_t width, double x, double y);

}  // namespace amount_box
}  // namespace engine
