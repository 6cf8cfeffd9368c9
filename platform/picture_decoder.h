// Decoding of common picture files (PNG, BMP, GIF with every frame, JPEG, TGA, ICO, CUR, TIF, PCX)
// into frames of plain pixels, and writing PNG files.
//
// Backends: giflib for GIF (all frames, composed onto the logical screen with their disposal
// modes, palette kept when every frame shares one), SDL2_image for everything else. What
// neither can read is refused with a reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct PictureFrame {
  std::vector<uint8_t> pixels;  // height rows of width pixels, top row first, no gaps
  uint32_t delay_ms = 0;        // the file's delay (GIF: hundredths x 10); 0 when it gives none
};

struct DecodedPicture {
  int width = 0;
  int height = 0;
  // 4: blue, green, red, alpha; 1: palette index; 2: palette index, alpha.
  int bytes_per_pixel = 4;
  std::vector<uint8_t> palette;  // palette pictures: entries x 3 bytes (red, green, blue)
  int transparent_index = -1;    // palette pictures: the index drawn transparent, -1 for none
  bool has_transparent_colour = false;
  uint32_t transparent_colour = 0;  // true colour: the keyed colour as 0x00BBGGRR
  bool alpha_valid = false;         // the alpha bytes carry the file's alpha (else they are 255)
  bool animated = false;            // the file is an animation (GIF), even of one frame
  std::vector<PictureFrame> frames;

  bool IsPalette() const { return bytes_per_pixel != 4; }
};

// The largest picture decoded (all frames), so a made-up size cannot exhaust memory.
inline constexpr uint64_t kMaxDecodedPictureBytes = 512ull << 20;

bool DecodePictureBytes(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error);
// path: GBK, as every path in the program.
bool DecodePictureFile(const std::string& path, DecodedPicture* out, std::string* error);

// Writes a true-colour picture (blue, green, red, alpha rows, top first) as a PNG file, whole
// or not at all.
bool SavePng(const std::string& path, int width, int height, const uint8_t* bgra, std::string* error);

}  // namespace platform
