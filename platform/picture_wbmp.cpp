// WBMP (wireless bitmap, type 0): a header of multi-byte integers, then rows of one bit per
// pixel, the most significant bit first, each row padded to a whole byte; 1 is white.
#include <cstring>
#include <string>

#include "platform/picture_formats.h"

namespace platform::picture_formats {
namespace {

bool Fail(std::string* error, const std::string& reason) {
  if (error) *error = reason;
  return false;
}

// A multi-byte integer: seven bits a byte, the high bit set on every byte but the last.
bool ReadMultiByte(const uint8_t* data, size_t size, size_t* pos, uint32_t* value) {
  uint32_t v = 0;
  for (int n = 0; n < 5; ++n) {
    if (*pos >= size) return false;
    const uint8_t b = data[(*pos)++];
    if (v > (UINT32_MAX >> 7)) return false;
    v = (v << 7) | (b & 0x7F);
    if ((b & 0x80) == 0) {
      *value = v;
      return true;
    }
  }
  return false;
}

}  // namespace

bool DecodeWbmp(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error) {
  size_t pos = 0;
  uint32_t type = 0;
  if (!ReadMultiByte(data, size, &pos, &type)) return Fail(error, "WBMP: header cut short");
  if (type != 0) return Fail(error, "WBMP: only type 0 (black and white) is read");
  if (pos >= size) return Fail(error, "WBMP: header cut short");
  const uint8_t fixed = data[pos++];
  if (fixed != 0) return Fail(error, "WBMP: extension headers are not read");
  uint32_t width = 0, height = 0;
  if (!ReadMultiByte(data, size, &pos, &width) || !ReadMultiByte(data, size, &pos, &height))
    return Fail(error, "WBMP: header cut short");
  if (width == 0 || height == 0) return Fail(error, "WBMP: empty picture");
  if (width > 0xFFFF || height > 0xFFFF || uint64_t{width} * height > kMaxDecodedPictureBytes)
    return Fail(error, "WBMP: picture too large");
  const size_t row_bytes = (size_t{width} + 7) / 8;
  // Every row must be in the file before anything is allocated for it.
  if ((size - pos) / row_bytes < height) return Fail(error, "WBMP: rows cut short");
  // The claim, read and checked: a byte a pixel. The frame is taken from the decode's budget, and
  // each pixel spent.
  ReaderBudget budget(size);
  const uint64_t frame_bytes = uint64_t{width} * height;
  budget->SetClaim(frame_bytes);
  if (!budget->Take(frame_bytes) || !budget->Spend(frame_bytes)) return Fail(error, std::string("WBMP: ") + budget->problem());

  DecodedPicture result;
  result.width = static_cast<int>(width);
  result.height = static_cast<int>(height);
  result.bytes_per_pixel = 1;
  result.palette = {0, 0, 0, 255, 255, 255};
  PictureFrame frame;
  frame.pixels.resize(size_t{width} * height);
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = data + pos + size_t{y} * row_bytes;
    uint8_t* dst = &frame.pixels[size_t{y} * width];
    for (uint32_t x = 0; x < width; ++x) dst[x] = (row[x / 8] >> (7 - x % 8)) & 1;
  }
  result.frames.push_back(std::move(frame));
  *out = std::move(result);
  return true;
}

}  // namespace platform::picture_formats
