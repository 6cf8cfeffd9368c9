// The sizes picture headers claim, read before a reader allocates for them, and what the files'
// bytes can hold of them (see picture_formats.h for the bounds). The readers behind SDL2_image
// allocate the whole picture from its header first: a made-up size must be refused here. Each
// function reads only the few fields it needs, with every length checked, and reads each field
// as its reader does (signed where the reader takes it signed, of any type the reader accepts).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

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
  PictureClaim claim;
  uint64_t bits = 1;
  if (size >= 26 && std::memcmp(data + 12, "IHDR", 4) == 0) {
    static constexpr uint64_t kChannels[7] = {1, 0, 3, 1, 2, 0, 4};  // by colour type
    claim = {Be32(data + 16), Be32(data + 20)};
    bits = uint64_t{data[24]} * (data[25] < 7 ? max<uint64_t>(kChannels[data[25]], 1) : 1);
  }
  // SDL2_image's reads past the end leave libpng its last bytes again, which it can take for the
  // same chunk for ever: every chunk must lie inside the file, up to the last, whatever the
  // file's size.
  uint64_t deflated = 0;
  const bool whole = WalkPngChunks(data, size, [&](size_t at, size_t length) {
    if (std::memcmp(data + at + 4, "IDAT", 4) == 0) deflated += length;
  });
  if (!whole) claim.unreadable = "PNG: the chunks run past the end of the file";
  const uint64_t row_bytes = 1 + Ceil(SaturatingProduct(claim.width, max<uint64_t>(bits, 1)), 8);
  claim.needs = SaturatingProduct(row_bytes, claim.height);
  claim.holds = deflated * kDeflateExpansion;
  return claim;
}

// A frame component: its id, and its blocks as a scan of it alone goes over them and as libjpeg
// keeps them (padded to whole MCUs, as an interleaved scan goes over them).
struct JpegComponent {
  uint8_t id = 0;
  uint64_t blocks = 0;
  uint64_t mcu_blocks = 0;
};

}  // namespace

// The frame header and the scans' entropy-coded bytes: every 8 x 8 block of every component
// (at its sampling) costs at least a bit of them, in whatever order the scans give it. And what
// libjpeg spends on the file, counted as picture_formats.h says.
JpegCost CountJpegCost(const uint8_t* data, size_t size) {
  JpegCost cost;
  PictureClaim& claim = cost.claim;
  bool frame_seen = false, progressive = false, arithmetic = false, scan_seen = false, whole_image = false;
  uint64_t scan_bytes = 0;
  std::vector<JpegComponent> components;
  uint64_t work = 0;  // blocks gone over, by their cost
  size_t at = 2;
  while (at + 4 <= size) {
    // libjpeg finds the next marker by skipping every byte but FF, every FF fill byte, and FF 00
    // (a stuffed zero) whole: none of them is a marker, and none has a length to jump by.
    const uint8_t marker = data[at + 1];
    if (data[at] != 0xFF || marker == 0xFF) {
      ++at;
      continue;
    }
    if (marker == 0x00) {
      at += 2;
      continue;
    }
    if (marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
      at += 2;
      continue;
    }
    if (marker == 0xD9) break;
    const size_t length = max<size_t>(Be16(data + at + 2), 2);  // a length under 2 skips nothing
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame && !frame_seen) {  // libjpeg refuses a second frame
      frame_seen = true;
      progressive = (marker & 3) == 2;
      arithmetic = marker >= 0xC9;
      if (at + 10 > size) return {};
      claim.width = Be16(data + at + 7);
      claim.height = Be16(data + at + 5);
      components.resize(data[at + 9]);
      if (at + 10 + components.size() * 3 > size) return {};
      uint32_t most_h = 1, most_v = 1;
      for (size_t i = 0; i < components.size(); ++i) {
        most_h = max<uint32_t>(most_h, data[at + 11 + i * 3] >> 4);
        most_v = max<uint32_t>(most_v, data[at + 11 + i * 3] & 15);
      }
      cost.mcu_width = 8 * most_h;
      cost.mcu_height = 8 * most_v;
      for (size_t i = 0; i < components.size(); ++i) {
        const uint64_t h = max(data[at + 11 + i * 3] >> 4, 1), v = max(data[at + 11 + i * 3] & 15, 1);
        const uint64_t across = Ceil(Ceil(claim.width * h, most_h), 8), down = Ceil(Ceil(claim.height * v, most_v), 8);
        components[i] = {data[at + 10 + i * 3], across * down, Ceil(across, h) * h * Ceil(down, v) * v};
        claim.needs += across * down;
      }
    }
    if (marker == 0xDA && frame_seen && at + 5 <= size) {
      // libjpeg takes each of the scan's ids for the first of the first four frame components so
      // numbered whose own index is still free in its list of the scan's components, a list it
      // fills in the scan's order: of a frame numbered 1, 1, 2, a scan of 1 is of the first.
      const size_t count = std::min<size_t>(data[at + 4], 4);
      const JpegComponent* scanned[4] = {};
      const size_t named = std::min<size_t>(components.size(), 4);
      for (size_t i = 0; i < count && at + 5 + i * 2 < size; ++i) {
        size_t c = 0;
        while (c < named && (components[c].id != data[at + 5 + i * 2] || scanned[c])) ++c;
        if (c == named) break;  // libjpeg refuses the scan
        scanned[i] = &components[c];
      }
      if (!scan_seen) whole_image = progressive || count < components.size();
      scan_seen = true;
      // Ss, Se, Ah and Al: a sequential scan is of every coefficient whatever they say.
      const size_t params = at + 5 + count * 2;
      const bool ac = !progressive || (params < size && data[params] != 0);
      const bool refinement = progressive && params + 2 < size && (data[params + 2] >> 4) != 0;
      const uint64_t cost = ac && (refinement || arithmetic) ? kJpegBandWalkCost : kJpegPassCost;
      for (const JpegComponent* c : scanned) {
        if (c && work < (uint64_t{1} << 62)) work += cost * (count == 1 ? c->blocks : c->mcu_blocks);
      }
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
  for (const JpegComponent& c : components) cost.coefficient_bytes += whole_image ? c.mcu_blocks * kJpegBlockBytes : 0;
  cost.work = work;
  return cost;
}

const char* JpegCostProblem(uint64_t work, uint64_t blocks, uint64_t kept_bytes) {
  if (kept_bytes > kMaxJpegDecodeBytes) {
    return "JPEG: the coefficients libjpeg keeps beside its pixels would take more memory than any picture may";
  }
  if (work > kMaxJpegPasses * kJpegPassCost * max(blocks, kPixelsAnyPictureMayClaim / 64 * 3)) {
    return "JPEG: its scans go over the picture more often than any picture needs";
  }
  return nullptr;
}

namespace {

// A stream's claim as a .jpg's, made unreadable by its cost alone.
PictureClaim JpegFileClaim(const JpegCost& cost) {
  PictureClaim claim = cost.claim;
  const uint64_t kept = SaturatingProduct(Pixels(claim), kJpegPixelBytes) + cost.coefficient_bytes;
  claim.unreadable = JpegCostProblem(cost.work, claim.needs, kept);
  return claim;
}
PictureClaim JpegClaim(const uint8_t* data, size_t size) { return JpegFileClaim(CountJpegCost(data, size)); }

}  // namespace

const char* JpegFileProblem(const JpegCost& cost) { return ClaimProblem(JpegFileClaim(cost)); }

namespace {

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

// The sides as the reader takes them: unsigned 16-bit bounds, max - min + 1 (none when the
// maximum is the smaller: the reader refuses it).
PictureClaim PcxClaim(const uint8_t* data, size_t size) {
  if (size < 128 || Le16(data + 8) < Le16(data + 4) || Le16(data + 10) < Le16(data + 6)) return {};
  PictureClaim claim{Le16(data + 8) - Le16(data + 4) + 1, Le16(data + 10) - Le16(data + 6) + 1};
  const uint64_t bits = max<uint64_t>(uint64_t{data[3]} * data[65], 1);
  claim.needs = Pixels(claim) * bits;
  // Run-length pairs give at most 63 bytes of scan lines for two.
  claim.holds = (size - 128) * (data[2] == 0 ? 8 : 8 * 63 / 2);
  return claim;
}

// The image SDL2_image decodes of an icon (see IconImageOffset), its header read as SDL reads
// it: anything but a 40-byte header of uncompressed pixels of 1, 4, 8, 24 or 32 bits and sides
// from 0 to 0xFFFFFF is refused before a pixel is allocated. The height counts the mask's rows
// below the colour rows; both are read.
PictureClaim IconClaim(const uint8_t* data, size_t size) {
  const uint64_t at = IconImageOffset(data, size);
  if (at >= size) return {};
  auto byte = [&](uint64_t i) -> uint32_t { return i < size ? data[i] : 0; };
  auto le32 = [&](uint64_t i) { return byte(i) | byte(i + 1) << 8 | byte(i + 2) << 16 | byte(i + 3) << 24; };
  const uint32_t width = le32(at + 4), height = le32(at + 8), compression = le32(at + 16);
  const uint32_t bits = byte(at + 14) | byte(at + 15) << 8;
  if (le32(at) != 40 || compression != 0 || width > 0xFFFFFF || height > 0xFFFFFF) return {};
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return {};
  PictureClaim claim{width, height >> 1};
  claim.needs = SaturatingProduct(Pixels(claim), bits + 1);
  claim.holds = (size - at) * 8;
  return claim;
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

bool LooksLikeTga(const uint8_t* data, size_t size) {
  if (size < 18 || data[1] > 1) return false;
  const uint8_t bits = data[16], flags = data[17];
  if ((flags & 0xC0) != 0) return false;  // interleaved rows
  switch (data[2]) {
    case 1:  // colour-mapped, raw or run-length: 8-bit indices into a map of up to 256
    case 9: {
      const uint8_t entry_bits = data[7];
      return data[1] == 1 && bits == 8 && Le16(data + 5) <= 256 &&
             (entry_bits == 8 || entry_bits == 15 || entry_bits == 16 || entry_bits == 24 || entry_bits == 32);
    }
    case 2:  // true colour
    case 10:
      return bits == 15 || bits == 16 || bits == 24 || bits == 32;
    case 3:  // grey, or grey and alpha
    case 11:
      return bits == 8 || bits == 16;
    default:
      return false;
  }
}

uint64_t IconImageOffset(const uint8_t* data, size_t size) {
  auto byte = [&](uint64_t i) -> uint32_t { return i < size ? data[i] : 0; };
  const uint32_t count = byte(4) | byte(5) << 8;
  uint32_t most = 0;
  uint64_t image = 0;
  for (uint64_t entry = 6; entry < 6 + uint64_t{count} * 16 && entry + 2 < size; entry += 16) {
    const uint32_t colours = byte(entry + 2) != 0 ? byte(entry + 2) : 256;
    if (colours > most) {
      most = colours;
      image = byte(entry + 12) | byte(entry + 13) << 8 | byte(entry + 14) << 16 | uint64_t{byte(entry + 15)} << 24;
    }
  }
  return image;
}

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
