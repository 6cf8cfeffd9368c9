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

  DecodedPicture result;
  result.width = static_cast<int>(width);
  result.height = static_cast<int>(height);
  std::vector<uint8_t> alphas;  // a colour map's alpha, entry by entry
  const bool palette = type == 1 || (type == 3 && depth == 8);
  if (palette) {
    // Palette pictures: the map's entries from its first index on (black below it), or 256 greys.
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
    const bool any_alpha = std::any_of(alphas.begin(), alphas.end(), [](uint8_t a) { return a != 255; });
    if (!any_alpha) alphas.clear();
    result.bytes_per_pixel = any_alpha ? 2 : 1;
    result.alpha_valid = any_alpha;
  } else {
    // 24-bit pixels hold no alpha, whatever alpha bits the header counts.
    result.alpha_valid = type == 3 || depth == 32 || (pixel_bytes == 2 && (flags & 15) != 0);
  }
  const size_t entries = result.palette.size() / 3;
  const bool alpha = result.alpha_valid;
  const size_t out_bytes = result.bytes_per_pixel;

  // Each pixel goes straight from the file to its place in the frame, run-length packets undone
  // on the way (no copy of the stored pixels is kept). Rows run up from the bottom unless the
  // header says otherwise, each from the left unless it says otherwise.
  const size_t count = width * height;
  size_t at = map_at + map_bytes;
  if (!run_length && count * pixel_bytes > size - at) return Fail(error, "the pixels run past the end of the file");
  // The frame is taken from the decode's budget, and every pixel read into it spent.
  ReaderBudget budget(size);
  if (!budget->Take(count * out_bytes) || !budget->Spend(count * (out_bytes + pixel_bytes))) {
    return Fail(error, budget->problem());
  }
  PictureFrame frame;
  frame.pixels.resize(count * out_bytes);
  const bool from_top = flags & 0x20, from_right = flags & 0x10;
  size_t row = 0, column = 0;
  uint8_t* to = nullptr;  // where the next pixel goes
  auto start_row = [&] {
    const size_t y = from_top ? row : height - 1 - row;
    to = &frame.pixels[(y * width + (from_right ? width - 1 : 0)) * out_bytes];
  };
  start_row();
  const ptrdiff_t step = from_right ? -ptrdiff_t(out_bytes) : ptrdiff_t(out_bytes);
  auto put = [&](const uint8_t* s) {
    if (palette) {
      const uint8_t index = s[0] < entries ? s[0] : 0;
      to[0] = index;
      if (!alphas.empty()) to[1] = alphas[index];
    } else if (type == 3) {  // grey and alpha
      to[0] = to[1] = to[2] = s[0];
      to[3] = alpha ? s[1] : 255;
    } else if (pixel_bytes == 2) {
      Word16ToBgra(s, alpha, to);
    } else {
      std::memcpy(to, s, 3);
      to[3] = alpha ? s[3] : 255;
    }
    if (++column < width) {
      to += step;
    } else if (++row < height) {
      column = 0;
      start_row();
    }
  };
  if (!run_length) {
    for (size_t i = 0; i < count; ++i) put(data + at + i * pixel_bytes);
  } else {
    for (size_t done = 0; done < count;) {
      if (at >= size) return Fail(error, "the pixels run past the end of the file");
      const uint8_t packet = data[at++];
      const size_t n = std::min<size_t>((packet & 0x7F) + 1, count - done);  // a packet past the end is cut
      const size_t given = packet & 0x80 ? pixel_bytes : n * pixel_bytes;
      if (given > size - at) return Fail(error, "the pixels run past the end of the file");
      for (size_t i = 0; i < n; ++i) put(data + at + (packet & 0x80 ? 0 : i * pixel_bytes));
      at += given;  // (a cut packet is the last: what it held beyond the picture is not read)
      done += n;
    }
  }
  result.frames.push_back(std::move(frame));
  *out = std::move(result);
  return true;
}

}  // namespace platform::picture_formats
