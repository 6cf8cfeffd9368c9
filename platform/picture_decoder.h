// Decoding of common picture files (PNG, BMP, GIF and MNG with every frame, JPEG, TGA, ICO, CUR,
// TIF, PCX, WBMP, WMF)
// into frames of plain pixels. PNG files are written by platform/png_file.h.
//
// Backends: giflib for GIF (all frames, composed onto the logical screen with their disposal
// modes, palette kept when every frame shares one and one index can key out every frame's
// transparent pixels), libmng for MNG (every frame as displayed,
// with its delay), libwmf for WMF (drawn at 96 dots an inch), libjpeg for JPEG (CMYK and YCCK
// turned into colours from their inks), libpng for PNG (palettes and tRNS kept, see
// picture_png.cpp), libtiff for TIFF (alpha straight), readers of our own for WBMP, TGA, PCX and
// bitmaps of 16 or 32 bits in colour masks, SDL2_image for everything else (an icon's image
// stored as a PNG goes to the PNG reader; a 32-bit icon image whose pixels carry any alpha keeps
// that alpha: its AND mask counts only when their alpha is 0 throughout).
// What none can read is refused with a reason.
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

// The largest picture decoded (all frames), so a made-up size cannot exhaust memory. The
// engine's .pps reader and writer take the same limit: what is decoded can be stored and read.
inline constexpr uint64_t kMaxDecodedPictureBytes = 256ull << 20;

// What the caller knows of the bytes: most formats carry a mark of their own, a WBMP does not.
enum class PictureFormat { kDetect, kWbmp };

bool DecodePictureBytes(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error,
                        PictureFormat format = PictureFormat::kDetect);
// path: GBK, as every path in the program. A name ending in ".wbmp" is read as a WBMP.
bool DecodePictureFile(const std::string& path, DecodedPicture* out, std::string* error);

}  // namespace platform
