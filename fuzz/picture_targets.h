// What the picture fuzz targets do with one input. Shared with the regression test that
// replays the inputs kept under tests/data/fuzz, so a crash found once stays fixed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/picture_decoder.h"

namespace fuzz {

// Decodes a picture file (GIF, BMP, PNG, MNG, WMF...; a WBMP only when the format says so); a
// decoded one must hold every pixel it claims.
inline void DecodePicture(const uint8_t* data, size_t size,
                          platform::PictureFormat format = platform::PictureFormat::kDetect) {
  platform::DecodedPicture picture;
  std::string error;
  if (!platform::DecodePictureBytes(data, size, &picture, &error, format)) return;
  const size_t frame_bytes =
      static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height) * picture.bytes_per_pixel;
  volatile uint8_t sum = 0;
  for (const platform::PictureFrame& frame : picture.frames) {
    if (frame.pixels.size() != frame_bytes) __builtin_trap();
    for (size_t i = 0; i < frame_bytes; i += 61) sum = sum + frame.pixels[i];
  }
  (void)sum;
}

}  // namespace fuzz
