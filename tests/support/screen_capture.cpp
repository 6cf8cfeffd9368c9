#include "tests/support/screen_capture.h"

#include <zlib.h>

#include <fstream>
#include <iterator>
#include <string>

namespace test {
namespace {

std::vector<uint8_t> ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t BigEndian32(const std::vector<uint8_t>& b, size_t at) {
  return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}

}  // namespace

bool ReadClientPng(const std::filesystem::path& path, Picture* out) {
  const std::vector<uint8_t> file = ReadAll(path);
  if (file.size() < 33) return false;
  out->width = static_cast<int>(BigEndian32(file, 16));
  out->height = static_cast<int>(BigEndian32(file, 20));
  if (out->width <= 0 || out->height <= 0 || out->width > 8192 || out->height > 8192) return false;
  std::vector<uint8_t> packed;
  for (size_t at = 8; at + 12 <= file.size();) {
    const uint32_t length = BigEndian32(file, at);
    if (length > file.size() || at + 12 + length > file.size()) return false;
    if (std::string(file.begin() + at + 4, file.begin() + at + 8) == "IDAT")
      packed.insert(packed.end(), file.begin() + at + 8, file.begin() + at + 8 + length);
    at += 12 + length;
  }
  const size_t row = 1 + static_cast<size_t>(out->width) * 3;
  std::vector<uint8_t> raw(row * out->height);
  uLongf raw_size = raw.size();
  if (uncompress(raw.data(), &raw_size, packed.data(), packed.size()) != Z_OK || raw_size != raw.size()) return false;
  out->rgb.clear();
  for (int y = 0; y < out->height; ++y) {
    if (raw[y * row] != 0) return false;
    for (int x = 0; x < out->width; ++x) {
      const uint8_t* p = &raw[y * row + 1 + x * 3];
      out->rgb.push_back((uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2]);
    }
  }
  return true;
}

bool ReadXwdScreen(const std::filesystem::path& path, Picture* out) {
  const std::vector<uint8_t> file = ReadAll(path);
  if (file.size() < 100) return false;
  const uint32_t header_size = BigEndian32(file, 0);
  const uint32_t bits_per_pixel = BigEndian32(file, 44);
  const uint32_t bytes_per_line = BigEndian32(file, 48);
  const uint32_t colours = BigEndian32(file, 76);
  const bool lsb_first = BigEndian32(file, 28) == 0;
  out->width = static_cast<int>(BigEndian32(file, 16));
  out->height = static_cast<int>(BigEndian32(file, 20));
  const size_t pixels_at = header_size + static_cast<size_t>(colours) * 12;
  if (bits_per_pixel != 32 || out->width <= 0 || out->height <= 0 ||
      pixels_at + static_cast<size_t>(bytes_per_line) * out->height > file.size())
    return false;
  out->rgb.resize(static_cast<size_t>(out->width) * out->height);
  for (int y = 0; y < out->height; ++y) {
    for (int x = 0; x < out->width; ++x) {
      const uint8_t* p = &file[pixels_at + static_cast<size_t>(y) * bytes_per_line + x * 4];
      const uint32_t v = lsb_first ? (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0]
                                   : (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
      out->rgb[static_cast<size_t>(y) * out->width + x] = v;
    }
  }
  return true;
}

}  // namespace test
