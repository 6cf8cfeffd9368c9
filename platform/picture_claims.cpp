// The sizes picture headers claim, read before a reader allocates for them. The readers behind
// SDL2_image allocate the whole picture from its header first: a made-up size must be refused
// here. Each function reads only the few header fields it needs, with every length checked.
#include <cstdlib>
#include <cstring>

#include "platform/picture_formats.h"

namespace platform::picture_formats {
namespace {

uint64_t Magnitude(uint32_t word) { return static_cast<uint64_t>(std::abs(int64_t{static_cast<int32_t>(word)})); }

PictureClaim PngClaim(const uint8_t* data, size_t size) {
  if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0) return {};
  return {Be32(data + 16), Be32(data + 20)};
}

// The first frame header among the JPEG's segments.
PictureClaim JpegClaim(const uint8_t* data, size_t size) {
  size_t at = 2;
  while (at + 4 <= size && data[at] == 0xFF) {
    const uint8_t marker = data[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
      at += 2;
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA) break;  // the end, or a scan with no frame header before it
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) return at + 9 <= size ? PictureClaim{Be16(data + at + 7), Be16(data + at + 5)} : PictureClaim{};
    at += 2 + Be16(data + at + 2);
  }
  return {};
}

// The first directory's width and length tags.
PictureClaim TiffClaim(const uint8_t* data, size_t size) {
  if (size < 8) return {};
  const bool little = data[0] == 'I';
  auto u16 = [&](size_t at) { return little ? Le16(data + at) : Be16(data + at); };
  auto u32 = [&](size_t at) { return little ? Le32(data + at) : Be32(data + at); };
  const uint64_t directory = u32(4);
  if (directory + 2 > size) return {};
  PictureClaim claim;
  const uint32_t entries = u16(directory);
  for (uint64_t i = 0; i < entries && directory + 2 + (i + 1) * 12 <= size; ++i) {
    const size_t at = directory + 2 + i * 12;
    const uint32_t tag = u16(at);
    const uint32_t type = u16(at + 2);
    if ((tag != 256 && tag != 257) || (type != 3 && type != 4)) continue;
    (tag == 256 ? claim.width : claim.height) = type == 3 ? u16(at + 8) : u32(at + 8);
  }
  return claim;
}

PictureClaim PcxClaim(const uint8_t* data, size_t size) {
  if (size < 12) return {};
  const uint32_t xmin = Le16(data + 4), ymin = Le16(data + 6), xmax = Le16(data + 8), ymax = Le16(data + 10);
  if (xmax < xmin || ymax < ymin) return {};
  return {xmax - xmin + 1, ymax - ymin + 1};
}

// The largest bitmap an icon's directory points at (each holds its mask below its colours: the
// height counts both).
PictureClaim IconClaim(const uint8_t* data, size_t size) {
  if (size < 6) return {};
  PictureClaim largest;
  const uint32_t count = Le16(data + 4);
  for (uint64_t i = 0; i < count && 6 + (i + 1) * 16 <= size; ++i) {
    const PictureClaim entry = BitmapHeaderClaim(data, size, Le32(data + 6 + i * 16 + 12));
    if (entry.width * (entry.height / 2) > largest.width * largest.height) largest = {entry.width, entry.height / 2};
  }
  return largest;
}

PictureClaim TgaClaim(const uint8_t* data, size_t size) {
  if (size < 18) return {};
  return {Le16(data + 12), Le16(data + 14)};
}

}  // namespace

PictureClaim BitmapHeaderClaim(const uint8_t* data, size_t size, size_t at) {
  if (at > size || size - at < 12) return {};
  if (Le32(data + at) == 12) return {Le16(data + at + 4), Le16(data + at + 6)};
  return {Magnitude(Le32(data + at + 4)), Magnitude(Le32(data + at + 8))};
}

const char* ClaimProblem(PictureClaim claim, size_t file_bytes) {
  if (claim.width == 0 || claim.height == 0) return nullptr;
  if (claim.height > kMaxDecodedPictureBytes / 4 / claim.width) return "picture too large";
  if (claim.width * claim.height > uint64_t{file_bytes} * kMaxPixelsPerFileByte) {
    return "the picture claims more pixels than its bytes could hold";
  }
  return nullptr;
}

PictureClaim SdlPictureClaim(const std::string& type, const uint8_t* data, size_t size) {
  if (type == "BMP") return BitmapHeaderClaim(data, size, 14);
  if (type == "PNG") return PngClaim(data, size);
  if (type == "JPG") return JpegClaim(data, size);
  if (type == "TIF") return TiffClaim(data, size);
  if (type == "PCX") return PcxClaim(data, size);
  if (type == "ICO" || type == "CUR") return IconClaim(data, size);
  if (type == "TGA") return TgaClaim(data, size);
  return {};
}

}  // namespace platform::picture_formats
