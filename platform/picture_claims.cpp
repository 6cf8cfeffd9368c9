// The sizes picture headers claim, read before a reader allocates for them, and what the files'
// bytes can hold of them (see picture_formats.h for the bounds). The readers behind SDL2_image
// allocate the whole picture from its header first: a made-up size must be refused here. Each
// function reads only the few fields it needs, with every length checked, and reads each field
// as its reader does (signed where the reader takes it signed, of any type the reader accepts).
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/picture_formats.h"

namespace platform::picture_formats {
namespace {

using std::max;

uint64_t Magnitude(uint32_t word) { return static_cast<uint64_t>(std::abs(int64_t{static_cast<int32_t>(word)})); }
uint64_t Pixels(const PictureClaim& c) { return SaturatingProduct(c.width, c.height); }
uint64_t Ceil(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

// Bytes from `at` to the end of the file.
uint64_t BytesFrom(size_t at, size_t size) { return at < size ? size - at : 0; }

// Non-interlaced rows, each a filter byte and its pixels, deflated into the IDAT chunks.
PictureClaim PngClaim(const uint8_t* data, size_t size) {
  if (size < 26 || std::memcmp(data + 12, "IHDR", 4) != 0) return {};
  PictureClaim claim{Be32(data + 16), Be32(data + 20)};
  static constexpr uint64_t kChannels[7] = {1, 0, 3, 1, 2, 0, 4};  // by colour type
  const uint64_t bits = uint64_t{data[24]} * (data[25] < 7 ? max<uint64_t>(kChannels[data[25]], 1) : 1);
  // SDL2_image's reads past the end leave libpng its last bytes again, which it can take for the
  // same chunk for ever: every chunk must lie inside the file, up to the last.
  uint64_t deflated = 0;
  bool whole = false;
  for (size_t at = 8; size - at >= 12 && !whole;) {
    const uint64_t length = Be32(data + at);
    if (length > size - at - 12) break;
    if (std::memcmp(data + at + 4, "IDAT", 4) == 0) deflated += length;
    whole = std::memcmp(data + at + 4, "IEND", 4) == 0;
    at += 12 + length;
  }
  if (!whole) claim.unreadable = "PNG: the chunks run past the end of the file";
  const uint64_t row_bytes = 1 + Ceil(SaturatingProduct(claim.width, max<uint64_t>(bits, 1)), 8);
  claim.needs = SaturatingProduct(row_bytes, claim.height);
  claim.holds = deflated * kDeflateExpansion;
  return claim;
}

// The frame header and the scans' entropy-coded bytes: every 8 x 8 block of every component
// (at its sampling) costs at least a bit of them, in whatever order the scans give it. And
// libjpeg goes over every block of a scan's components, whatever the scan holds (a progressive
// scan can skip thousands of blocks in a few bits): the scans may go over the picture no more
// than kMaxJpegPasses times (libjpeg's own progressions go over it about ten times).
constexpr uint64_t kMaxJpegPasses = 64;

PictureClaim JpegClaim(const uint8_t* data, size_t size) {
  PictureClaim claim;
  bool frame_seen = false;
  uint64_t scan_bytes = 0;
  uint64_t blocks_of[256] = {};  // by component id
  uint64_t scanned_blocks = 0;
  size_t at = 2;
  while (at + 4 <= size) {
    const uint8_t marker = data[at + 1];
    if (data[at] != 0xFF || marker == 0xFF) {  // bytes before a marker, which libjpeg skips; a fill byte
      ++at;
      continue;
    }
    if (marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
      at += 2;
      continue;
    }
    if (marker == 0xD9) break;
    const size_t length = Be16(data + at + 2);
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame && !frame_seen) {
      frame_seen = true;
      if (at + 10 > size) return {};
      claim.width = Be16(data + at + 7);
      claim.height = Be16(data + at + 5);
      const size_t components = data[at + 9];
      if (at + 10 + components * 3 > size) return {};
      uint32_t most_h = 1, most_v = 1;
      for (size_t i = 0; i < components; ++i) {
        most_h = max<uint32_t>(most_h, data[at + 11 + i * 3] >> 4);
        most_v = max<uint32_t>(most_v, data[at + 11 + i * 3] & 15);
      }
      for (size_t i = 0; i < components; ++i) {
        const uint64_t h = max(data[at + 11 + i * 3] >> 4, 1), v = max(data[at + 11 + i * 3] & 15, 1);
        const uint64_t blocks = Ceil(Ceil(claim.width * h, most_h), 8) * Ceil(Ceil(claim.height * v, most_v), 8);
        blocks_of[data[at + 10 + i * 3]] = blocks;
        claim.needs += blocks;
      }
    }
    if (marker == 0xDA && at + 5 <= size) {  // the scan's components, each named by its id
      const size_t components = data[at + 4];
      for (size_t i = 0; i < components && at + 5 + i * 2 < size; ++i) scanned_blocks += blocks_of[data[at + 5 + i * 2]];
    }
    at += 2 + length;
    if (marker == 0xDA) {  // the scan's data runs to the next marker other than a restart
      const size_t start = std::min(at, size);
      while (at + 1 < size && !(data[at] == 0xFF && data[at + 1] != 0 && (data[at + 1] < 0xD0 || data[at + 1] > 0xD7)))
        ++at;
      scan_bytes += std::min(at, size) - start;
    }
  }
  claim.holds = scan_bytes * 8;
  // Pictures of up to the pixels any picture may claim may take that many passes over them.
  if (scanned_blocks > kMaxJpegPasses * max(claim.needs, kPixelsAnyPictureMayClaim / 64 * 3)) {
    claim.unreadable = "JPEG: its scans go over the picture more often than any picture needs";
  }
  return claim;
}

// The bits of pixels one coded byte of a TIFF can give, by its compression (at one bit a pixel).
uint64_t TiffExpansion(uint64_t compression) {
  switch (compression) {
    case 1:  // none
      return 8;
    case 32773:  // PackBits: 128 bytes from a pair
      return 8 * 64;
    case 5:  // LZW
      return 8 * kLzwExpansion;
    case 6:
    case 7:  // JPEG: a bit a block of 64 pixels
      return 8 * 64;
    default:  // deflate, and those it stands for (fax, JBIG, zstd, LZMA, WebP...)
      return 8 * kDeflateExpansion;
  }
}

// The first directory's width, length and compression, of any integer type libtiff takes; a
// width or length of another type, count or sign refuses the picture.
PictureClaim TiffClaim(const uint8_t* data, size_t size) {
  if (size < 8) return {};
  const bool little = data[0] == 'I';
  auto u16 = [&](size_t at) { return little ? Le16(data + at) : Be16(data + at); };
  auto u32 = [&](size_t at) { return little ? Le32(data + at) : Be32(data + at); };
  // The entry's one value, or false when it is not one integer of a type read here.
  auto value = [&](size_t at, uint64_t* out) {
    const uint32_t type = u16(at + 2);
    if (u32(at + 4) != 1) return false;
    switch (type) {
      case 1:  // BYTE
        *out = data[at + 8];
        return true;
      case 6:  // SBYTE
        *out = data[at + 8];
        return data[at + 8] < 0x80;
      case 3:  // SHORT
      case 8:  // SSHORT
        *out = u16(at + 8);
        return type == 3 || *out < 0x8000;
      case 4:   // LONG
      case 9:   // SLONG
      case 13:  // IFD
        *out = u32(at + 8);
        return type != 9 || *out < 0x80000000u;
      case 16:  // LONG8, SLONG8, IFD8: eight bytes where the entry points
      case 17:
      case 18: {
        const uint64_t where = u32(at + 8);
        if (where + 8 > size) return false;
        const uint64_t first = u32(where), second = u32(where + 4);
        *out = little ? second << 32 | first : first << 32 | second;
        return type != 17 || *out < (uint64_t{1} << 63);
      }
      default:
        return false;
    }
  };
  const uint64_t directory = u32(4);
  if (directory + 2 > size) return {};
  PictureClaim claim;
  uint64_t compression = 1;
  const uint32_t entries = u16(directory);
  for (uint64_t i = 0; i < entries && directory + 2 + (i + 1) * 12 <= size; ++i) {
    const size_t at = directory + 2 + i * 12;
    const uint32_t tag = u16(at);
    if (tag == 259 && !value(at, &compression)) compression = 0;
    if (tag != 256 && tag != 257) continue;
    uint64_t side = 0;
    if (!value(at, &side)) {
      claim.unreadable = "the picture's size is in a field of a type that is not read";
      return claim;
    }
    uint64_t& field = tag == 256 ? claim.width : claim.height;
    field = max(field, side);  // a tag given twice: the larger
  }
  claim.needs = Pixels(claim);
  claim.holds = SaturatingProduct(size, TiffExpansion(compression));
  return claim;
}

// The sides as the reader takes them: signed 16-bit bounds, max - min + 1.
PictureClaim PcxClaim(const uint8_t* data, size_t size) {
  if (size < 128) return {};
  auto s16 = [&](size_t at) { return int64_t{static_cast<int16_t>(Le16(data + at))}; };
  const int64_t width = s16(8) - s16(4) + 1, height = s16(10) - s16(6) + 1;
  if (width <= 0 || height <= 0) return {};
  PictureClaim claim{static_cast<uint64_t>(width), static_cast<uint64_t>(height)};
  const uint64_t bits = max<uint64_t>(uint64_t{data[3]} * data[65], 1);
  claim.needs = Pixels(claim) * bits;
  // Run-length pairs give at most 63 bytes of scan lines for two.
  claim.holds = (size - 128) * (data[2] == 0 ? 8 : 8 * 63 / 2);
  return claim;
}

// The largest bitmap an icon's directory points at (each holds its mask below its colours: the
// height counts both).
PictureClaim IconClaim(const uint8_t* data, size_t size) {
  if (size < 6) return {};
  PictureClaim largest;
  const uint32_t count = Le16(data + 4);
  for (uint64_t i = 0; i < count && 6 + (i + 1) * 16 <= size; ++i) {
    const PictureClaim entry = BitmapHeaderClaim(data, size, Le32(data + 6 + i * 16 + 12));
    if (entry.width * (entry.height / 2) > Pixels(largest)) {
      largest = entry;
      largest.height /= 2;
      largest.needs /= 2;
    }
  }
  return largest;
}

// Pixels of ceil(depth / 8) bytes, raw or in packets of a byte and one pixel for up to 128.
PictureClaim TgaClaim(const uint8_t* data, size_t size) {
  if (size < 18) return {};
  PictureClaim claim{Le16(data + 12), Le16(data + 14)};
  const uint64_t pixel_bytes = max<uint64_t>(Ceil(data[16], 8), 1);
  const uint64_t colour_map = data[1] != 0 ? uint64_t{Le16(data + 5)} * Ceil(data[7], 8) : 0;
  const uint64_t coded = BytesFrom(18 + data[0] + colour_map, size);
  if (data[2] & 8) {
    claim.needs = Pixels(claim) * (1 + pixel_bytes);
    claim.holds = coded * 128;
  } else {
    claim.needs = Pixels(claim) * pixel_bytes;
    claim.holds = coded;
  }
  return claim;
}

}  // namespace

PictureClaim BitmapHeaderClaim(const uint8_t* data, size_t size, size_t at) {
  if (at > size || size - at < 12) return {};
  PictureClaim claim;
  uint64_t bits = 1, compression = 0;
  if (Le32(data + at) == 12) {
    claim = {Le16(data + at + 4), Le16(data + at + 6)};
    bits = Le16(data + at + 10);
  } else {
    claim = {Magnitude(Le32(data + at + 4)), Magnitude(Le32(data + at + 8))};
    if (size - at >= 20) {
      bits = Le16(data + at + 14);
      compression = Le32(data + at + 16);
    }
  }
  const uint64_t coded = size - at;
  if (compression == 1 || compression == 2) {  // RLE8, RLE4: pairs of a count up to 255 and a colour
    claim.needs = Pixels(claim) * 2;
    claim.holds = coded * 255;
  } else {
    claim.needs = SaturatingProduct(Pixels(claim), max<uint64_t>(bits, 1));
    claim.holds = coded * 8;
  }
  return claim;
}

const char* ClaimProblem(const PictureClaim& claim, uint64_t any_file_may_claim) {
  if (claim.width != 0 && claim.height > kMaxDecodedPictureBytes / 4 / claim.width) return "picture too large";
  if (claim.unreadable) return claim.unreadable;
  if (claim.width == 0 || claim.height == 0) return nullptr;
  if (claim.width * claim.height > any_file_may_claim && claim.needs > claim.holds) {
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
