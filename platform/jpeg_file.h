// JPEG writing with libjpeg (libjpeg-turbo): the program's screenshots.
//
// The encoder works in memory; a file is written whole or not at all (a temporary name, then a
// rename). Every libjpeg failure is caught inside this module and reported as false with a reason.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Encodes width x height pixels (0xAARRGGBB words, rows of stride words, top row first; alpha
// is ignored) as a baseline JPEG of the given quality (clamped to 1..100).
bool EncodeJpeg(const uint32_t* pixels, int width, int height, int stride, int quality, std::vector<uint8_t>* out,
                std::string* error);

// Encodes as EncodeJpeg and writes the file (path in GBK). False, with nothing written at path,
// when encoding or any write fails.
bool SaveJpeg(const std::string& path, const uint32_t* pixels, int width, int height, int stride, int quality,
              std::string* error);

}  // namespace platform
