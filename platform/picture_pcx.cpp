// PCX, read here as ImageMagick reads it: one plane of 1, 2, 4 or 8 bits a pixel (palette
// indices packed from each byte's top bit), one-bit planes of 2, 3 or 4 (EGA: each plane gives
// one bit of the index, the first the lowest), and 3 or 4 planes of 8 bits (red, green, blue,
// and alpha in the fourth, as ImageMagick writes and reads it). Rows are `bytes per line` a
// plane, padding past the width ignored; run-length bytes (a count byte of 0xC0 + n, then the
// byte) may run on into the next plane or row, as encoders write them, and a run past the last
// row is cut. One-bit pictures are black and white whatever the header's palette says; other
// pictures of up to 16 colours take the header's palette, and those of 256 the palette that
// follows the pixels (after its 0x0C mark, which is not checked). Every length is checked: a
// file cut short in its header, pixels or final palette is refused, saying where, as ImageMagick
// refuses it. Two readings differ from ImageMagick 6.9's on purpose: one-bit pictures show a set
// bit white, as netpbm, Pillow and GraphicsMagick write and read them (ImageMagick shows them
// inverted), and 8-bit ones of a version before 5 take the palette after their pixels too
// (ImageMagick shows them black).
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/picture_formats.h"

namespace platform::picture_formats {
namespace {

constexpr size_t kHeaderBytes = 128;

bool Fail(std::string* error, const std::string& reason) {
  if (error) *error = "PCX: " + reason;
  return false;
}

// The bytes of the rows, read a row at a time, their runs undone: a run left over at the end of
// one row goes on into the next.
struct PcxStream {
  const uint8_t* data;
  size_t size;
  size_t at;
  bool runs;
  uint8_t value = 0;
  size_t left = 0;  // what is left of the last run

  // Fills `to` with n bytes; false when the file ends first.
  bool Read(uint8_t* to, size_t n) {
    if (!runs) {
      if (n > size - at) return false;
      std::memcpy(to, data + at, n);
      at += n;
      return true;
    }
    for (size_t done = 0; done < n;) {
      if (left == 0) {
        if (at >= size) return false;
        const uint8_t byte = data[at++];
        if ((byte & 0xC0) != 0xC0) {
          to[done++] = byte;
          continue;
        }
        if (at >= size) return false;
        left = byte & 0x3F;  // (a run of 0 gives nothing)
        value = data[at++];
        continue;
      }
      const size_t given = std::min(left, n - done);
      std::memset(to + done, value, given);
      done += given;
      left -= given;
    }
    return true;
  }
};

}  // namespace

bool LooksLikePcx(const uint8_t* data, size_t size) {
  return size >= 4 && data[0] == 0x0A && (data[1] == 0 || (data[1] >= 2 && data[1] <= 5)) && data[2] <= 1 &&
         (data[3] == 1 || data[3] == 2 || data[3] == 4 || data[3] == 8);
}

bool DecodePcx(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error) {
  if (!LooksLikePcx(data, size)) return Fail(error, "not a PCX header");
  if (size < kHeaderBytes) return Fail(error, "the header runs past the end of the file");
  const uint32_t bits = data[3], planes = data[65], line = Le16(data + 66);
  const uint32_t left = Le16(data + 4), top = Le16(data + 6), right = Le16(data + 8), bottom = Le16(data + 10);
  if (right < left || bottom < top) return Fail(error, "its right or bottom edge lies before its left or top");
  const uint64_t width = right - left + 1, height = bottom - top + 1;
  if (width * height * 4 > kMaxDecodedPictureBytes) return Fail(error, "picture too large");
  const bool true_colour = bits == 8 && (planes == 3 || planes == 4);
  if (!true_colour && !(planes == 1 || (bits == 1 && planes >= 2 && planes <= 4))) {
    return Fail(error,
                std::to_string(planes) + " planes of " + std::to_string(bits) + "-bit samples: a layout of no picture");
  }
  if (uint64_t{line} * 8 < width * bits) return Fail(error, "its rows hold fewer bytes than its width needs");

  DecodedPicture result;
  result.width = static_cast<int>(width);
  result.height = static_cast<int>(height);
  result.bytes_per_pixel = true_colour ? 4 : 1;
  result.alpha_valid = planes == 4 && true_colour;
  // The frame and a row of the planes are taken from the decode's budget; each row read (its
  // runs undone) and laid into the frame spends its bytes.
  ReaderBudget budget(size);
  const uint64_t frame_bytes = width * height * result.bytes_per_pixel, row_bytes = uint64_t{line} * planes;
  if (!budget->Take(frame_bytes) || !budget->Take(row_bytes)) return Fail(error, budget->problem());
  PictureFrame frame;
  frame.pixels.resize(frame_bytes);
  std::vector<uint8_t> row(row_bytes);
  PcxStream stream{data, size, kHeaderBytes, data[2] == 1};
  for (uint64_t y = 0; y < height; ++y) {
    if (!budget->Spend(row_bytes + width * result.bytes_per_pixel)) return Fail(error, budget->problem());
    if (!stream.Read(row.data(), row.size())) return Fail(error, "the pixels run past the end of the file");
    uint8_t* to = &frame.pixels[y * width * result.bytes_per_pixel];
    for (uint64_t x = 0; x < width; ++x) {
      if (true_colour) {
        to[0] = row[2 * line + x];
        to[1] = row[line + x];
        to[2] = row[x];
        to[3] = planes == 4 ? row[3 * line + x] : 255;
        to += 4;
      } else if (planes > 1) {  // a bit of the index from each plane, the first plane's the lowest
        uint8_t index = 0;
        for (uint32_t p = 0; p < planes; ++p) index |= (row[p * line + x / 8] >> (7 - x % 8) & 1) << p;
        *to++ = index;
      } else {
        const uint64_t bit = x * bits;
        *to++ = static_cast<uint8_t>(row[bit / 8] >> (8 - bits - bit % 8) & ((1u << bits) - 1));
      }
    }
  }

  if (!true_colour) {
    const uint32_t depth = bits * planes;
    if (depth == 1) {
      result.palette = {0, 0, 0, 255, 255, 255};
    } else if (depth <= 4) {
      result.palette.assign(data + 16, data + 16 + (size_t{3} << depth));
    } else {
      // The palette follows the pixels, after a byte that marks it.
      if (size - stream.at < 1 + 768) return Fail(error, "the palette runs past the end of the file");
      result.palette.assign(data + stream.at + 1, data + stream.at + 1 + 768);
    }
  }
  budget->Give(row_bytes);
  result.frames.push_back(std::move(frame));
  *out = std::move(result);
  return true;
}

}  // namespace platform::picture_formats
