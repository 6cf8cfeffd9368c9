// A skin picture drawn across a canvas of another width, its ends kept whole. Wider than the
// picture: its left half, a two-column strip from its middle stretched over the rest, and its
// right half. As wide or narrower: its first (width + 1) / 2 and its last width - (width + 1) / 2
// columns, so both ends show and the middle is cut. The height is stretched to the given one.
#pragma once

#include <cstdint>

#include "engine/core/image_handle.h"

namespace engine {

class CanvasObject;

// Draws into the canvas at (0, 0), width x height; nothing for a missing picture or a size of 0.
void DrawPictureToWidth(CanvasObject* canvas, const PictureInfo& picture, int32_t width, int32_t height);

}  // namespace engine
