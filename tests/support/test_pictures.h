// Sample picture files made on the fly for tests: animated GIFs and MNGs, BMPs, PNGs, WBMPs, WMFs,
// icons and JPEGs of inks.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

struct GifFrameDesc {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> indices;  // width x height palette indices, top row first
  int delay_cs = 0;              // hundredths of a second
  int transparent = -1;          // transparent index, -1 for none
  int disposal = 0;              // 0-3 as in the GIF format
};

// A GIF89a of the given screen size and global palette (entries x 3 bytes, a power of two
// from 2 to 256 entries), and frame i's own colour table in local_palettes[i] (empty: none).
// Empty on failure.
std::vector<uint8_t> MakeGif(int width, int height, const std::vector<uint8_t>& palette,
                             const std::vector<GifFrameDesc>& frames,
                             const std::vector<std::vector<uint8_t>>& local_palettes = {});

// A bottom-up 24-bit BMP of the given blue, green, red, alpha pixels (alpha is dropped).
std::vector<uint8_t> MakeBmp24(int width, int height, const std::vector<uint8_t>& bgra);
// A bottom-up 8-bit palette BMP (palette: entries x 3 bytes red, green, blue).
std::vector<uint8_t> MakeBmp8(int width, int height, const std::vector<uint8_t>& palette,
                              const std::vector<uint8_t>& indices);

// A bottom-up 8-bit palette BMP whose pixels are the given run-length bytes (BI_RLE8).
std::vector<uint8_t> MakeBmpRle8(int width, int height, const std::vector<uint8_t>& palette,
                                 const std::vector<uint8_t>& runs);

// A WBMP (type 0) of the given pixels: width x height values, 1 white, 0 black.
std::vector<uint8_t> MakeWbmp(int width, int height, const std::vector<uint8_t>& bits);

// A black PNG of one bit a pixel, deflated as tightly as zlib can.
std::vector<uint8_t> MakeBlankPng1Bit(int width, int height);

// A PNG of the colour type (0 grey, 2 colour, 3 palette, 4 grey and alpha, 6 colour and alpha)
// at the depth, of width x height pixels given sample by sample (top row first), its rows in
// Adam7's order when interlaced. Palette and tRNS chunks go in with WithPngChunks.
std::vector<uint8_t> MakePng(int width, int height, int depth, int colour_type, const std::vector<uint16_t>& samples,
                             bool interlaced = false);

// The PNG with `copies` of a chunk of the type and data put before its image data.
std::vector<uint8_t> WithPngChunks(const std::vector<uint8_t>& png, const char* type,
                                   const std::vector<uint8_t>& data, int copies);

struct MngFrameDesc {
  std::vector<uint8_t> bgra;  // width x height pixels: blue, green, red, alpha
  int delay_ms = 0;           // how long the frame shows (one tick is a millisecond)
};
// An MNG of full-size frames, each an embedded PNG after a FRAM chunk that gives its delay, with
// the chunks given (type, data) before each frame's image data.
std::vector<uint8_t> MakeMng(int width, int height, const std::vector<MngFrameDesc>& frames,
                             const std::vector<std::pair<const char*, std::vector<uint8_t>>>& frame_chunks = {});

// One metafile record: its function and its parameters (16-bit words).
struct WmfRecord {
  uint16_t function = 0;
  std::vector<uint16_t> params;
};
// A placeable WMF of width x height units at 96 units an inch (as many pixels), its window
// window_width x window_height logical units from 0, 0, playing the records.
std::vector<uint8_t> MakeWmfDrawing(int width, int height, int window_width, int window_height,
                                    const std::vector<WmfRecord>& records);
// An MNG of frames that show its background (red) with a black dot in the corner: a BACK chunk,
// then for each frame a FRAM chunk and a PNG of one pixel.
std::vector<uint8_t> MakeMngOfBackgroundFrames(int width, int height, int frames);

// A placeable WMF of width x height units at 96 units an inch (so as many pixels at 96 dots an
// inch) filled by one rectangle of the colour (0x00BBGGRR) without an outline.
std::vector<uint8_t> MakeWmf(int width, int height, uint32_t colour);

// A little-endian, uncompressed TIFF of width x height pixels of `channels` samples each, of
// `bits` (8 or 16), given sample by sample (top row first): grey (photometric 1) or colour (2),
// the last sample an extra one of the kind (0 unspecified, 1 associated alpha, 2 unassociated)
// unless `extra` is -1; in one strip, or in one tile of 16 x 16.
std::vector<uint8_t> MakeTiff(int width, int height, int bits, int photometric, int channels, int extra,
                              const std::vector<uint16_t>& samples, bool tiled = false);

// An icon file (type 1) of one image: its directory, then the image's bytes (a bitmap's header
// and rows, or a PNG).
std::vector<uint8_t> MakeIcon(const std::vector<uint8_t>& image);
// An icon image of 32-bit pixels (blue, green, red, alpha; top row first), rows bottom up, then
// its AND mask (width x height values, 1 transparent; top row first) unless `mask` is empty.
std::vector<uint8_t> MakeIconImage32(int width, int height, const std::vector<uint8_t>& bgra,
                                     const std::vector<uint8_t>& mask);

// How a JPEG of four inks stores them: CMYK as Adobe's files do (an APP14 marker; every ink
// inverted, 255 for none), YCCK (the same, in luminance and colour differences), or plain CMYK
// with no marker (0 for no ink).
enum class InkJpeg { kAdobeCmyk, kAdobeYcck, kPlainCmyk };
// A JPEG at quality 100 of width x height pixels given as cyan, magenta, yellow, black (the
// amount of ink, 0 for none; top row first).
std::vector<uint8_t> MakeInkJpeg(int width, int height, const std::vector<uint8_t>& inks, InkJpeg coding);

}  // namespace test_support
