// The .cur reader: the icon directory, then the first image as a device-independent bitmap
// (header, palette, colour rows bottom up, 1-bit AND mask). Every length is checked first.
#include <algorithm>
#include <cstring>

#include "platform/cursor.h"

namespace platform {
namespace {

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  bool Has(size_t offset, size_t size) const { return offset <= bytes_.size() && size <= bytes_.size() - offset; }
  uint8_t U8(size_t at) const { return bytes_[at]; }
  uint16_t U16(size_t at) const { return static_cast<uint16_t>(bytes_[at] | (bytes_[at + 1] << 8)); }
  uint32_t U32(size_t at) const {
    return static_cast<uint32_t>(bytes_[at]) | (static_cast<uint32_t>(bytes_[at + 1]) << 8) |
           (static_cast<uint32_t>(bytes_[at + 2]) << 16) | (static_cast<uint32_t>(bytes_[at + 3]) << 24);
  }

 private:
  std::span<const uint8_t> bytes_;
};

bool Fail(std::string* error, const char* why) {
  if (error) *error = why;
  return false;
}

constexpr size_t kDirectorySize = 6;
constexpr size_t kEntrySize = 16;
constexpr size_t kInfoHeaderMin = 40;
constexpr int kMaxSide = 256;

size_t RowBytes(int width, int bits) { return ((static_cast<size_t>(width) * bits + 31) / 32) * 4; }

}  // namespace

bool ParseCursorFile(std::span<const uint8_t> bytes, CursorShape* out, std::string* error) {
  const Reader r(bytes);
  if (!r.Has(0, kDirectorySize)) return Fail(error, "shorter than the icon directory");
  if (r.U16(0) != 0 || (r.U16(2) != 1 && r.U16(2) != 2)) {
    if (r.Has(0, 4) && std::memcmp(bytes.data(), "RIFF", 4) == 0)
      return Fail(error, "animated cursors are not supported");
    return Fail(error, "not a cursor or icon file");
  }
  const bool is_cursor = r.U16(2) == 2;
  if (r.U16(4) == 0) return Fail(error, "no images");
  if (!r.Has(kDirectorySize, kEntrySize)) return Fail(error, "truncated directory entry");

  const size_t entry = kDirectorySize;
  const uint32_t image_size = r.U32(entry + 8);
  const uint32_t image_offset = r.U32(entry + 12);
  if (!r.Has(image_offset, image_size)) return Fail(error, "image lies outside the file");
  if (image_size >= 8 && std::memcmp(bytes.data() + image_offset, "\x89PNG", 4) == 0)
    return Fail(error, "PNG cursor images are not supported");

  const Reader img(bytes.subspan(image_offset, image_size));
  if (!img.Has(0, kInfoHeaderMin)) return Fail(error, "truncated bitmap header");
  const uint32_t header_size = img.U32(0);
  if (header_size < kInfoHeaderMin || !img.Has(0, header_size)) return Fail(error, "bad bitmap header size");
  const int32_t width = static_cast<int32_t>(img.U32(4));
  const int32_t double_height = static_cast<int32_t>(img.U32(8));
  const int bits = img.U16(14);
  const uint32_t compression = img.U32(16);
  uint32_t colours_used = img.U32(32);
  if (width <= 0 || width > kMaxSide || double_height <= 0 || double_height > 2 * kMaxSide || double_height % 2 != 0)
    return Fail(error, "bad bitmap size");
  if (compression != 0) return Fail(error, "compressed bitmaps are not supported");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return Fail(error, "unsupported bit depth");
  const int height = double_height / 2;

  const size_t palette_at = header_size;
  size_t palette_count = 0;
  if (bits <= 8) {
    const uint32_t full = 1u << bits;
    if (colours_used == 0 || colours_used > full) colours_used = full;
    palette_count = colours_used;
  }
  const size_t colour_at = palette_at + palette_count * 4;
  const size_t colour_row = RowBytes(width, bits);
  const size_t mask_at = colour_at + colour_row * height;
  const size_t mask_row = RowBytes(width, 1);
  if (!img.Has(palette_at, palette_count * 4) || !img.Has(colour_at, colour_row * height))
    return Fail(error, "truncated bitmap");
  // Some 32-bit images leave the mask out; every other depth needs it.
  const bool has_mask = img.Has(mask_at, mask_row * height);
  if (!has_mask && bits != 32) return Fail(error, "truncated mask");

  CursorShape shape;
  shape.width = width;
  shape.height = height;
  if (is_cursor) {
    shape.hot_x = std::min<int>(r.U16(entry + 4), width - 1);
    shape.hot_y = std::min<int>(r.U16(entry + 6), height - 1);
  }
  shape.pixels.resize(static_cast<size_t>(width) * height);
  bool any_alpha = false;
  for (int y = 0; y < height; ++y) {
    const size_t row = colour_at + colour_row * (height - 1 - y);  // rows are stored bottom up
    for (int x = 0; x < width; ++x) {
      uint32_t bgr = 0;
      uint32_t alpha = 0xFF;
      if (bits == 32) {
        bgr = img.U32(row + x * 4) & 0xFFFFFF;
        alpha = img.U8(row + x * 4 + 3);
        any_alpha = any_alpha || alpha != 0;
      } else if (bits == 24) {
        bgr = img.U8(row + x * 3) | (img.U8(row + x * 3 + 1) << 8) | (img.U8(row + x * 3 + 2) << 16);
      } else {
        const size_t bit = static_cast<size_t>(x) * bits;
        const uint8_t byte = img.U8(row + bit / 8);
        const uint32_t index = (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        if (index < palette_count) bgr = img.U32(palette_at + index * 4) & 0xFFFFFF;
      }
      shape.pixels[static_cast<size_t>(y) * width + x] = (alpha << 24) | bgr;
    }
  }
  // Without alpha of its own, the AND mask says which pixels are transparent (bit set).
  if (has_mask && !any_alpha) {
    for (int y = 0; y < height; ++y) {
      const size_t row = mask_at + mask_row * (height - 1 - y);
      for (int x = 0; x < width; ++x) {
        const bool transparent = (img.U8(row + x / 8) >> (7 - x % 8)) & 1;
        uint32_t& p = shape.pixels[static_cast<size_t>(y) * width + x];
        p = transparent ? 0 : (p | 0xFF000000u);
      }
    }
  }
  *out = std::move(shape);
  return true;
}

}  // namespace platform
