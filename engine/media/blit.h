// The blit family: one member per source pixel format and mode, each compositing a source
// rectangle onto a 32-bit target inside a clip rectangle. DrawPicture chooses the member.
//
// Notation of the pixel rules: mix(s, d, w) = (s*w + d*(255 - w)) >> 8 per colour channel (a shift,
// not a division: full weight leaves one less than s); alpha is the source pixel's own alpha; OP is
// the opacity byte (int)(opacity * 255). Unturned members draw the rectangle with its top-left at
// (x, y); turned members walk the 2R square at (x, y) and draw what lands inside the source.
#pragma once

#include <cstdint>

#include "engine/media/draw_target.h"

namespace engine {

// A source rectangle inside a pixel block.
struct SourceBlock {
  const uint8_t* pixels = nullptr;
  int stride = 0;           // row length in pixels
  int rows = 0;             // rows in the block
  int bytes_per_pixel = 4;  // 4 true colour (B, G, R, A), 2 palette index + alpha, 1 palette index
  int x = 0, y = 0, width = 0, height = 0;
};

// A palette turned into surface words (0xFFRRGGBB). Entries past the picture's own palette are
// opaque black, so an index beyond the palette can never read outside it.
struct PaletteTable {
  uint32_t colour[256];
  PaletteTable(const uint8_t* rgb, int count);
};

// The opacity byte: (int)(opacity * 255), held to 0..255 so no blend leaves byte range.
int OpacityByte(double opacity);

// The blend step of the smooth members: a = (OP * p.alpha) >> 8; onto a drawn pixel the colour
// is mixed by a and alpha becomes max(a, 255 - a); onto an empty one p's colour is taken with alpha a.
uint32_t BlendPixel(uint32_t d, uint32_t p, int op);

// Palette members. `key` is the transparent index (256 for none).
void BlitPaletteAlpha(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, uint32_t key,
                      const PaletteTable& palette, double opacity, uint32_t backdrop);
void BlitPaletteAlphaOnOpaque(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s,
                              uint32_t key, const PaletteTable& palette, double opacity, uint32_t backdrop);
void BlitPaletteAlphaTurned(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s,
                            uint32_t key, const PaletteTable& palette, double angle, double opacity, uint32_t backdrop);
void BlitPaletteAlphaTurnedSmooth(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s,
                                  uint32_t key, const PaletteTable& palette, double angle, double opacity);
void BlitPalette(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, uint32_t key,
                 const PaletteTable& palette, double opacity, uint32_t backdrop);
void BlitPaletteTurned(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, uint32_t key,
                       const PaletteTable& palette, double angle, double opacity, uint32_t backdrop);
void BlitPaletteTurnedSmooth(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s,
                             uint32_t key, const PaletteTable& palette, double angle, double opacity);
void InvertPaletteTurned(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s,
                         uint32_t key, double angle);

// True-colour members.
void BlitAlpha(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, double opacity,
               uint32_t backdrop);
void BlitAlphaOnOpaque(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s,
                       double opacity, uint32_t backdrop);
void BlitAlphaTurned(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, double angle,
                     double opacity, uint32_t backdrop);
void Blit(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, double opacity,
          uint32_t backdrop);
void BlitTurned(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, double angle,
                double opacity, uint32_t backdrop);
void BlitTurnedSmooth(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, double angle,
                      double opacity);
void InvertTurned(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, double angle,
                  double opacity);
// True colour with a colour key: a pixel whose colour is the target's colour key (a COLORREF,
// 0xFF00FF as callers fill it in) is skipped. Opacity >= 1 copies the word; 0 < opacity < 1 gives
// mix(src, dst, OP) with alpha 255; a negative opacity mixes by the pixel's own alpha, with alpha
// 255; opacity 0 draws nothing.
void BlitKeyed(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, double opacity);
void BlitKeyedTurned(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s, double angle,
                     double opacity);

// One pixel of a list that DrawPixelList puts down.
struct PixelNode {
  int32_t x = 0;
  int32_t y = 0;
  uint8_t blue = 0, green = 0, red = 0, alpha = 0;
  const PixelNode* next = nullptr;
};

// Draws each pixel of the list whose (x, y) lies inside `area` at (origin_x + x, origin_y + y),
// inside the clip. At full opacity a pixel of alpha 255 is copied and one of less is mixed by its
// alpha; at any other opacity it is mixed by (OP * alpha) >> 8. Destination alpha becomes 255;
// a pixel whose weight comes to 0 is left out.
void DrawPixelList(const DrawTarget& t, int64_t origin_x, int64_t origin_y, const RECT& area, const RECT& clip,
                   const PixelNode* list, double opacity);

// Plain clipped copy of whole 32-bit pixels, alpha included.
void CopyPixels(const DrawTarget& t, int64_t x, int64_t y, const RECT& clip, const SourceBlock& s);

}  // namespace engine
