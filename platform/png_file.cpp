// A small PNG encoder: one IDAT of zlib-compressed rows, each with filter type 0.
#include "platform/png_file.h"

#include <zlib.h>

#include "platform/atomic_file.h"

namespace platform {
namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  PutU32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
  PutU32(out, static_cast<uint32_t>(crc));
}

// PNG sides are 31-bit; zlib takes its input size as a uLong.
constexpr int64_t kMaxRowBytes = int64_t{1} << 30;

}  // namespace

std::vector<uint8_t> EncodePng(int width, int height, const uint8_t* bgra, PngAlpha alpha) {
  if (width <= 0 || height <= 0 || !bgra) return {};
  const size_t channels = alpha == PngAlpha::kKeep ? 4 : 3;
  const int64_t row_bytes = 1 + int64_t{width} * static_cast<int64_t>(channels);
  if (row_bytes > kMaxRowBytes || row_bytes * height > kMaxRowBytes * 4) return {};
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>(row_bytes) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    const uint8_t* p = bgra + static_cast<size_t>(y) * static_cast<size_t>(width) * 4;
    for (int x = 0; x < width; ++x, p += 4) {
      raw.insert(raw.end(), {p[2], p[1], p[0]});
      if (channels == 4) raw.push_back(p[3]);
    }
  }
  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packed_size);
  if (compress2(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) return {};
  packed.resize(packed_size);

  std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutU32(header, static_cast<uint32_t>(width));
  PutU32(header, static_cast<uint32_t>(height));
  // 8 bits per sample, colour type 6 (with alpha) or 2, deflate, filter set 0, no interlace.
  header.insert(header.end(), {8, static_cast<uint8_t>(channels == 4 ? 6 : 2), 0, 0, 0});
  PutChunk(file, "IHDR", header);
  PutChunk(file, "IDAT", packed);
  PutChunk(file, "IEND", {});
  return file;
}

bool SavePng(const std::string& path, int width, int height, const uint8_t* bgra, std::string* error, PngAlpha alpha) {
  const std::vector<uint8_t> file = EncodePng(width, height, bgra, alpha);
  if (file.empty()) {
    if (error) *error = "empty picture";
    return false;
  }
  AtomicFile out(path);
  if (out.Write(file.data(), file.size()) && out.Commit()) return true;
  if (error) *error = out.error();
  return false;
}

}  // namespace platform
