// TGA, read here: colour-mapped pixels (8-bit indices into a map of 8-, 15-, 16-, 24- or 32-bit
// entries), true colour of 15, 16, 24 or 32 bits, grey of 8 bits and grey with alpha of 16 (as
// Pillow writes mode "LA"), raw or in run-length packets, rows from the top or the bottom, each
// from the left or the right. Alpha is read as ImageMagick reads it: from 32-bit pixels and
// colour maps, from the top bit of 15- and 16-bit pixels when the header counts alpha bits,
// and from the second byte of grey pixels (a TGA 2.0 extension area's attributes type is not
// read). Colour maps give the indices from their first entry on; an index past the map reads
// as index 0. Fields of 5 bits widen to 8 as v x 255 / 31, rounded.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/picture_formats.h"

namespace platform::picture_formats {
namespace {

bool Fail(std::string* error, const char* reason) {
  if (error) *error = std::string("TGA: ") + reason;
  return false;
}

constexpr size_t kHeaderBytes = 18;

// A 15- or 16-bit word as blue, green, red, alpha (its top bit, when it carries alpha).
void Word16ToBgra(const uint8_t* p, bool alpha, uint8_t* out) {
  const uint32_t word = Le16(p);
  out[0] = WidenTo8(word & 31, 5);
  out[1] = WidenTo8(word >> 5 & 31, 5);
  out[2] = WidenTo8(word >> 10 & 31, 5);
  out[3] = !alpha || (word & 0x8000) ? 255 : 0;
}

}  // namespace

bool DecodeTga(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error) {
  if (!LooksLikeTga(data, size)) return Fail(error, "not a TGA header");
  const uint32_t type = data[2] & 7, depth = data[16], flags = data[17];
  const bool run_length = (data[2] & 8) != 0;
  const uint32_t map_first = Le16(data + 3), map_length = Le16(data + 5), map_depth = data[7];
  const uint64_t width = Le16(data + 12), height = Le16(data + 14);
  if (width == 0 || height == 0) return Fail(error, "empty picture");
  if (width * height * 4 > kMaxDecodedPictureBytes) return Fail(error, "picture too large");
  const size_t pixel_bytes = (depth + 7) / 8;
  const size_t map_entry_bytes = (map_depth + 7) / 8;
  const size_t map_at = kHeaderBytes + data[0];
  const size_t map_bytes = data[1] == 1 ? size_t{map_length} * map_entry_bytes : 0;
  if (map_at + map_bytes > size) return Fail(error, "the colour map runs past the end of the file");

  // The pixels as stored, in the file's order, their run-length packets undone.
  const size_t count = width * height;
  size_t at = map_at + map_bytes;
  if (!run_length && count * pixel_bytes > size - at) return Fail(error, "the pixels run past the end of the file");
  std::vector<uint8_t> stored(count * pixel_bytes);
  if (!run_length) {
    std::memcpy(stored.data(), data + at, stored.size());
  } else {
    for (size_t done = 0; done < count;) {
      if (at >= size) return Fail(error, "the pixels run past the end of the file");
      const uint8_t packet = data[at++];
      const size_t n = std::min<size_t>((packet & 0x7F) + 1, count - done);  // a packet past the end is cut
      const size_t given = packet & 0x80 ? pixel_bytes : n * pixel_bytes;
      if (given > size - at) return Fail(error, "the pixels run past the end of the file");
      uint8_t* to = &stored[done * pixel_bytes];
      if (packet & 0x80) {
        for (size_t i = 0; i < n; ++i) std::memcpy(to + i * pixel_bytes, data + at, pixel_bytes);
      } else {
        std::memcpy(to, data + at, given);
      }
      at += given;  // (a cut packet is the last: what it held beyond the picture is not read)
      done += n;
    }
  }

  DecodedPicture result;
  result.width = static_cast<int>(width);
  result.height = static_cast<int>(height);
  // Where the file's pixel i goes: its rows run up from the bottom unless the header says
  // otherwise, each from the left unless it says otherwise.
  const bool from_top = flags & 0x20, from_right = flags & 0x10;
  auto place = [&](size_t i) {
    const size_t row = i / width, column = i % width;
    return (from_top ? row : height - 1 - row) * width + (from_right ? width - 1 - column : column);
  };
  PictureFrame frame;

  if (type == 1 || (type == 3 && depth == 8)) {
    // Palette pictures: the map's entries from its first index on (black below it), or 256 greys.
    std::vector<uint8_t> alphas;
    if (type == 3) {
      for (uint32_t i = 0; i < 256; ++i)
        result.palette.insert(result.palette.end(), {uint8_t(i), uint8_t(i), uint8_t(i)});
    } else {
      const size_t entries = std::min<size_t>(size_t{map_first} + map_length, 256);
      if (entries == 0) return Fail(error, "an empty colour map");
      result.palette.assign(entries * 3, 0);
      alphas.assign(entries, 255);
      for (size_t i = map_first; i < entries; ++i) {
        const uint8_t* p = data + map_at + (i - map_first) * map_entry_bytes;
        uint8_t* rgb = &result.palette[i * 3];
        uint8_t bgra[4] = {p[0], p[0], p[0], 255};
        if (map_depth == 15 || map_depth == 16) {
          Word16ToBgra(p, false, bgra);
        } else if (map_depth >= 24) {
          std::memcpy(bgra, p, 3);
          if (map_depth == 32) alphas[i] = p[3];
        }
        rgb[0] = bgra[2];
        rgb[1] = bgra[1];
        rgb[2] = bgra[0];
      }
    }
    const size_t entries = result.palette.size() / 3;
    const bool any_alpha = std::any_of(alphas.begin(), alphas.end(), [](uint8_t a) { return a != 255; });
    result.bytes_per_pixel = any_alpha ? 2 : 1;
    result.alpha_valid = any_alpha;
    frame.pixels.resize(count * result.bytes_per_pixel);
    for (size_t i = 0; i < count; ++i) {
      const uint8_t index = stored[i] < entries ? stored[i] : 0;
      uint8_t* p = &frame.pixels[place(i) * result.bytes_per_pixel];
      p[0] = index;
      if (any_alpha) p[1] = alphas[index];
    }
  } else {
    // True colour: blue, green, red, alpha.
    const bool alpha = type == 3 || depth == 32 || (flags & 15) != 0;
    result.alpha_valid = alpha;
    frame.pixels.resize(count * 4);
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* s = &stored[i * pixel_bytes];
      uint8_t* p = &frame.pixels[place(i) * 4];
      if (type == 3) {  // grey and alpha
        p[0] = p[1] = p[2] = s[0];
        p[3] = alpha ? s[1] : 255;
      } else if (pixel_bytes == 2) {
        Word16ToBgra(s, alpha, p);
      } else {
        std::memcpy(p, s, 3);
        p[3] = depth == 32 && alpha ? s[3] : 255;
      }
    }
  }
  result.frames.push_back(std::move(frame));
  *out = std::move(result);
  return true;
}

}  // namespace platform::picture_formats
