// Bitmaps of 16 or 32 bits a pixel whose colours lie in masks, read here: BI_BITFIELDS and
// BI_ALPHABITFIELDS in the Windows headers of 40, 52, 56, 108 and 124 bytes, and 16-bit BI_RGB
// (5-5-5). A header of 40 bytes is followed by its three masks (four for BI_ALPHABITFIELDS);
// the later headers hold them, with an alpha mask from 56 bytes on. Each mask is a run of 1 to
// 32 bits (or none: that channel is 0). A run of up to 8 is widened to 8 by repeating its bits
// below them: the top value becomes 255, and 5, 6 and 8 bits widen as ImageMagick widens them
// (its 2 bits stop at 191, its 4 at 240). A longer one is scaled as ImageMagick scales it: its
// top 16 bits to 8, rounded (10 bits: 1023 is 255, 512 is 128, 3 is 1). A mask of bits apart
// is refused. Alpha comes from a non-zero alpha mask; without one the picture is opaque.
#include <bit>
#include <string>

#include "platform/picture_formats.h"

namespace platform::picture_formats {
namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr uint32_t kRgb = 0, kBitfields = 3, kAlphaBitfields = 6;

bool Fail(std::string* error, const std::string& reason) {
  if (error) *error = "BMP: " + reason;
  return false;
}

// A mask as where its run of bits starts and how many it has.
struct Field {
  uint32_t shift = 0;
  uint32_t bits = 0;
  uint8_t Of(uint32_t pixel) const {
    if (bits == 0) return 0;
    const uint32_t value = static_cast<uint32_t>(pixel >> shift & ((uint64_t{1} << bits) - 1));
    if (bits > 8) {  // its top 16 bits (zeros below a shorter field), scaled to 8 bits rounded
      const uint32_t wide = (bits <= 16 ? value << (16 - bits) : value >> (bits - 16)) + 128;
      return static_cast<uint8_t>((wide - (wide >> 8)) >> 8);
    }
    uint32_t wide = 0, filled = 0;
    for (; filled < 8; filled += bits) wide = wide << bits | value;
    return static_cast<uint8_t>(wide >> (filled - 8));
  }
};

// Why the mask cannot be read, or null.
const char* ReadMask(uint32_t mask, Field* field) {
  if (mask == 0) return nullptr;
  while (!(mask >> field->shift & 1)) ++field->shift;
  const uint32_t run = mask >> field->shift;
  if ((run & (run + 1)) != 0) return "a colour mask whose bits are not one run";
  field->bits = static_cast<uint32_t>(std::popcount(run));
  return nullptr;
}

}  // namespace

bool IsMaskedBitmap(const uint8_t* data, size_t size) {
  if (size < kFileHeaderBytes + 40 || data[0] != 'B' || data[1] != 'M') return false;
  const uint32_t header = Le32(data + 14), bits = Le16(data + 28), compression = Le32(data + 30);
  if (header != 40 && header != 52 && header != 56 && header != 108 && header != 124) return false;
  if (compression == kRgb) return bits == 16;
  return (compression == kBitfields || compression == kAlphaBitfields) && (bits == 16 || bits == 32);
}

bool DecodeMaskedBitmap(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error) {
  if (!IsMaskedBitmap(data, size)) return Fail(error, "not a bitmap of colour masks");
  const uint32_t header = Le32(data + 14), bits = Le16(data + 28), compression = Le32(data + 30);
  const int64_t width = static_cast<int32_t>(Le32(data + 18)), height = static_cast<int32_t>(Le32(data + 22));
  if (width <= 0 || height == 0) return Fail(error, "empty picture");
  const uint64_t rows = height < 0 ? uint64_t(-height) : uint64_t(height);
  if (uint64_t(width) * rows * 4 > kMaxDecodedPictureBytes) return Fail(error, "picture too large");

  // The masks lie at the same place whatever the header: right after its first 40 bytes.
  uint32_t masks[4] = {0x7C00, 0x03E0, 0x001F, 0};
  if (compression != kRgb) {
    const bool alpha = compression == kAlphaBitfields || header >= 56;
    const size_t end = kFileHeaderBytes + 40 + (alpha ? 16 : 12);
    if (end > size) return Fail(error, "the colour masks run past the end of the file");
    for (size_t i = 0; i < (alpha ? 4u : 3u); ++i) masks[i] = Le32(data + kFileHeaderBytes + 40 + i * 4);
  }
  Field fields[4];
  for (size_t i = 0; i < 4; ++i) {
    if (const char* problem = ReadMask(masks[i], &fields[i])) return Fail(error, problem);
  }

  const uint64_t stride = (uint64_t(width) * bits + 31) / 32 * 4;
  const uint64_t at = Le32(data + 10);
  // The last row may go without its padding.
  if (at > size || (size - at) < stride * (rows - 1) + uint64_t(width) * bits / 8) {
    return Fail(error, "the pixels run past the end of the file");
  }
  DecodedPicture result;
  result.width = static_cast<int>(width);
  result.height = static_cast<int>(rows);
  result.alpha_valid = masks[3] != 0;
  // The frame is taken from the decode's budget; each pixel read and widened spends its bytes.
  ReaderBudget budget(size);
  const uint64_t frame_bytes = uint64_t(width) * rows * 4;
  if (!budget->Take(frame_bytes) || !budget->Spend(frame_bytes + uint64_t(width) * rows * bits / 8)) {
    return Fail(error, budget->problem());
  }
  PictureFrame frame;
  frame.pixels.resize(frame_bytes);
  for (uint64_t y = 0; y < rows; ++y) {
    const uint8_t* row = data + at + (height < 0 ? y : rows - 1 - y) * stride;  // bottom-up unless negative
    uint8_t* to = &frame.pixels[y * uint64_t(width) * 4];
    for (int64_t x = 0; x < width; ++x, to += 4) {
      const uint32_t pixel = bits == 16 ? Le16(row + x * 2) : Le32(row + x * 4);
      to[0] = fields[2].Of(pixel & masks[2]);
      to[1] = fields[1].Of(pixel & masks[1]);
      to[2] = fields[0].Of(pixel & masks[0]);
      to[3] = result.alpha_valid ? fields[3].Of(pixel & masks[3]) : 255;
    }
  }
  result.frames.push_back(std::move(frame));
  *out = std::move(result);
  return true;
}

}  // namespace platform::picture_formats
