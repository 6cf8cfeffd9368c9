// A decoded picture as every picture routine sees it.
//
// Frames of equal size are stacked vertically in one pixel block (frame f starts at row f x height),
// unless `frame_columns` is 2 or more, in which case the frames form a grid that many frames wide.
// Pixel formats, chosen by the image flags:
//   true colour (neither kImageFlagPaletteRef nor kImageFlagOwnPalette): 4 bytes per pixel, B G R A
//   palette without alpha (kImageFlagAlpha clear): 1 byte per pixel, the palette index
//   palette with alpha (kImageFlagAlpha set): 2 bytes per pixel, index then alpha
// The record owns its pixels, palette and delays (freed by FreePictureRecord).
#pragma once

#include <cstdint>

namespace engine {

// Image flags: the same word in the record and in a .pps file header.
inline constexpr uint32_t kImageFlagTransparent = 0x01;    // the colour key applies
inline constexpr uint32_t kImageFlagPaletteRef = 0x02;     // palette named by a 32-byte reference block
inline constexpr uint32_t kImageFlagOwnPalette = 0x04;     // palette_count x 3 bytes (red, green, blue)
inline constexpr uint32_t kImageFlagAlpha = 0x08;          // per-pixel alpha is meaningful
inline constexpr uint32_t kImageFlagDelays = 0x10;         // per-frame delays in `delays`
inline constexpr uint32_t kImageFlagTrailer = 0x20;        // the drawing offsets are stored in a trailer
inline constexpr uint32_t kImageFlagTryDifference = 0x40;  // encoder only: try the XOR-with-previous form
inline constexpr uint32_t kImageFlagFrameChanged = 0x200;  // image handle's frame-changed mark

// The colour key of a palette picture that has no transparent index.
inline constexpr uint32_t kNoPaletteKey = 256;

// Size of the palette reference block kept in `palette` with kImageFlagPaletteRef.
inline constexpr int kPaletteRefBlockSize = 32;

struct ImageRecord {
  uint32_t serial = 0;  // cache serial; 0 outside the paint module's cache
  uint16_t width = 0;   // width of one frame, pixels
  uint16_t height = 0;  // height of one frame, pixels
  uint8_t* pixels = nullptr;
  uint32_t data_size = 0;  // bytes in the pixel block
  // Palette pictures: the transparent index, kNoPaletteKey for none.
  // True colour: a COLORREF (0x00BBGGRR).
  uint32_t colour_key = 0;
  uint16_t frame_count = 0;  // at least 1 in a decoded picture
  uint32_t flags = 0;        // kImageFlag* bits
  // kImageFlagOwnPalette: palette_count x 3 bytes (red, green, blue);
  // kImageFlagPaletteRef: the 32-byte reference block; else null.
  uint8_t* palette = nullptr;
  uint16_t palette_count = 0;  // 0 for true colour
  uint32_t* delays = nullptr;  // kImageFlagDelays: frame_count entries in ms; else null
  int16_t offset_x = 0;        // drawing offset of the picture
  int16_t offset_y = 0;
  uint32_t frame_columns = 0;  // 0 or 1: frames stacked; C >= 2: a grid C frames wide
  uint32_t cache_time = 0;     // ms when the record entered the paint module's cache
  uint32_t last_word = 0;      // 0 in every record the engine builds

  bool IsPalette() const { return (flags & (kImageFlagPaletteRef | kImageFlagOwnPalette)) != 0; }
  bool HasAlpha() const { return (flags & kImageFlagAlpha) != 0; }
  // Bytes per pixel of the pixel block.
  int BytesPerPixel() const { return IsPalette() ? (HasAlpha() ? 2 : 1) : 4; }
};

}  // namespace engine
