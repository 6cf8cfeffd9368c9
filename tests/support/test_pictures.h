// Sample picture files made on the fly for tests: animated GIFs and BMPs.
#pragma once

#include <cstdint>
#include <string>
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
// from 2 to 256 entries). Empty on failure.
std::vector<uint8_t> MakeGif(int width, int height, const std::vector<uint8_t>& palette,
                             const std::vector<GifFrameDesc>& frames);

// A bottom-up 24-bit BMP of the given blue, green, red, alpha pixels (alpha is dropped).
std::vector<uint8_t> MakeBmp24(int width, int height, const std::vector<uint8_t>& bgra);
// A bottom-up 8-bit palette BMP (palette: entries x 3 bytes red, green, blue).
std::vector<uint8_t> MakeBmp8(int width, int height, const std::vector<uint8_t>& palette,
                              const std::vector<uint8_t>& indices);

}  // namespace test_support
