// Writes a frame of 0xAARRGGBB pixels as a PNG file (for the client's --screenshot).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace client {

// The file is written whole or not at all; path is GBK. Alpha is left out: the frame is what
// the window shows, and the window shows no transparency.
bool WritePngFile(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height);

}  // namespace client
