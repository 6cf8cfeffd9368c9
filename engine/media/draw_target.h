// The destination surface and the placement of one picture drawing.
//
// Surfaces are rows of 32-bit pixels without gaps, each the word 0xAARRGGBB (bytes blue, green,
// red, alpha). A destination alpha of 0 means nothing has been drawn there yet.
#pragma once

#include <cstdint>

#include "engine/core/colour_key.h"
#include "platform/win_types.h"

namespace engine {

struct DrawTarget {
  uint32_t* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t bytes_per_pixel = 4;      // not read by the drawing code
  uint32_t colour_key = kColourKey;  // a COLORREF; read only by the keyed blits
};

// DrawParams::flags bits read by DrawPicture.
inline constexpr uint32_t kDrawClip = 0x2;            // also clip to DrawParams::clip
inline constexpr uint32_t kDrawOntoOpaque = 0x8;      // alpha pictures only onto opaque pixels
inline constexpr uint32_t kDrawSmoothTurn = 0x20;     // bilinear 16.16 turning
inline constexpr uint32_t kDrawInvert = 0x800;        // invert what a transparent picture covers
inline constexpr uint32_t kDrawSmoothScale = 0x4000;  // bilinear scaling of true-colour pictures

// Where and how one picture is drawn. Callers zero it and fill what they use.
struct DrawParams {
  double angle = 0.0;   // degrees, counter-clockwise on screen; 0 means unturned
  int32_t centreX = 0;  // the destination point the picture is centred on
  int32_t centreY = 0;
  int32_t originX = 0;  // the drawing object's own position; with kDrawClip the clip moves by
  int32_t originY = 0;  // (originX - centreX, originY - centreY)
  int32_t width = 0;    // size at which the picture is drawn
  int32_t height = 0;
  int32_t halfDiagonal = 0;  // cached half-diagonal of width x height; below 1 means not computed
  uint32_t flags = 0;
  RECT clip;  // right and bottom exclusive
};

}  // namespace engine
