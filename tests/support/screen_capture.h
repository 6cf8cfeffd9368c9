// Reading what a program showed on a real X server: the PNG a client wrote of its own presented
// frame (8-bit RGB, one IDAT, rows of filter 0, as platform::SavePng writes them) and the dump of
// the whole screen that Xvfb keeps in its -fbdir file (XWD, 32 bits per pixel).
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace test {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> rgb;  // 0x00RRGGBB, rows top down
  uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

bool ReadClientPng(const std::filesystem::path& path, Picture* out);
bool ReadXwdScreen(const std::filesystem::path& path, Picture* out);

}  // namespace test
