// Small picture helpers that go with the picture format: angle steps, colour counting, and
// turning a picture of few colours into a palette picture.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/media/image_record.h"

namespace engine {

// length x cos(degrees), truncated; exact at 0, 90, 180 and 270 degrees (0 or not a number
// gives length). pi is taken as 3.14159.
int CosDeg(double degrees, int length);
// length x sin(degrees), truncated; exact at 0 (or not a number), 90, 180 and 270 degrees.
int SinDeg(double degrees, int length);

// Palette pictures: their palette count. True colour: distinct colours (red, green, blue) over
// every frame, 4097 once 4096 are reached.
uint32_t CountColours(const ImageRecord& record);

// Turns a true-colour picture of fewer than 256 distinct colours into a palette picture of
// exactly those colours (in order of first appearance). 1 done, 0 refused (palette picture,
// too many colours, or a pixel block smaller than its frames). A colour key that is one of
// the colours becomes its index; otherwise the picture is no longer transparent (key 256).
int ReduceToPalette(ImageRecord* record);

// Up to 256 colours of the pixels (B, G, R, A), frequent ones first: each pass writes the
// colours seen at least threshold times, starting at pixel_count / 256 and halving down to 1.
// Each colour is counted exactly and written once. palette_out holds 256 x 3 bytes (R, G, B).
uint32_t CollectPalette(const uint8_t* pixels, size_t pixel_count, uint8_t* palette_out);

// The red, green and blue bytes of a Windows colour value (0x00BBGGRR).
void ColorRefToRgb(uint8_t* out, uint32_t colour);

}  // namespace engine
