// DrawPicture: the one routine that puts a decoded picture onto a 32-bit surface.
//
// One call selects a source rectangle of the picture's stacked frames, scales it to the size in
// DrawParams, centres it on (centreX, centreY), turns it by the angle, clips it to the target (and
// to the params clip with kDrawClip) and composites it with an opacity, an optional backdrop colour,
// per-pixel alpha or a transparent palette index, through the blit member that fits.
#pragma once

#include <cstdint>

#include "engine/media/draw_target.h"
#include "engine/media/image_record.h"

namespace engine {

// Draws the source rectangle (srcX, srcY, srcW, srcH) of the picture's frame block; frame f of a
// stacked picture is chosen by srcY = f x frame height. Opacity 1.0 is fully opaque. The backdrop is
// a COLORREF with an alpha threshold in its top byte, or kColourKey for none; with a backdrop, picture
// pixels are mixed with it instead of with the target. May store the half-diagonal into params.
void DrawPicture(DrawTarget* target, DrawParams* params, ImageRecord image, int srcX, int srcY, int srcW, int srcH,
                 double opacity, uint32_t backdrop);

// The palette-only form of DrawPicture: the record by pointer, no backdrop. The same steps,
// dispatch and members as DrawPicture's palette pictures; a true-colour record (or none) draws
// nothing.
void DrawPalettePicture(DrawTarget* target, DrawParams* params, const ImageRecord* image, int srcX, int srcY, int srcW,
                        int srcH, double opacity);

// The clip for kDrawClip: params->clip moved by (originX - centreX, originY - centreY) and cut to
// the target; empty when they do not overlap.
RECT GetDrawClip(const DrawTarget* target, const DrawParams* params);

}  // namespace engine
