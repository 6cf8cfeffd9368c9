// The program's one PNG writer: true-colour pictures (the client's screenshots, respack's
// pps-decode) as PNG bytes, and saved whole or not at all through AtomicFile.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

enum class PngAlpha {
  kKeep,  // red, green, blue, alpha per pixel
  kDrop,  // red, green, blue: what a window shows has no transparency
};

// bgra: height rows of width pixels, top row first, each blue, green, red, alpha (the word
// 0xAARRGGBB in memory). Empty when the size is not positive or does not fit a PNG.
std::vector<uint8_t> EncodePng(int width, int height, const uint8_t* bgra, PngAlpha alpha = PngAlpha::kKeep);

// Encodes and writes the file (path: GBK); false, with the reason in *error, when the picture
// is empty or the file cannot be written in full (the old file then stays).
bool SavePng(const std::string& path, int width, int height, const uint8_t* bgra, std::string* error,
             PngAlpha alpha = PngAlpha::kKeep);

}  // namespace platform
