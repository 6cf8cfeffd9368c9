// TIFF through libtiff, the first picture of the file, top row first: blue, green, red and
// straight alpha. An extra sample is alpha whatever it is named (unassociated, associated or
// unspecified), and so is a fourth sample of colour without one. Associated (premultiplied)
// alpha is divided out of the colours, rounded to the nearest, at the samples' own depth, and
// 16-bit samples are scaled to 8 bits rounded.
//   Grey (either way up), palette, colour and CMYK inks of 1, 2, 4, 8 or 16 bits a sample, in
//     strips or tiles, interleaved or in separate planes, are read here: libtiff decodes each
//     strip's rows, or each tile, and its samples go straight into the picture, turned as the
//     file's orientation says (the flips; a turned one is read as libtiff reads it, unturned).
//   JPEG-compressed strips and tiles are decoded here, each a JPEG stream after the file's
//     tables, through the JPEG reader: each is held to what a .jpg is (its sides, its scans and
//     the coefficients libjpeg keeps), its scans counted over the whole file.
//   The rest (YCbCr without JPEG, CIE L*a*b*, LogLuv, floating-point samples, old-style JPEG,
//     strips or tiles too large for a buffer beside the picture) go through libtiff's RGBA
//     interface into the picture's own memory; it multiplies unassociated alpha into the colours
//     and passes associated alpha through: every alpha is named associated before it reads
//     them, so that their samples pass through untouched, and associated alpha is divided out
//     afterwards.
// libtiff's errors become the reason a picture is refused; its warnings are dropped, and none
// goes to the standard error. Each block libtiff allocates stays within the largest picture
// decoded; pixels of more samples than pictures have, and tiles far larger than the picture,
// are refused before one is read. A picture costs its frame, and beside it a strip's or a tile's
// samples of at most a fifth of it (1 MiB for a small one) and libtiff's own state, within a
// quarter; libtiff reads the coded bytes where they lie in the caller's memory (mapped, for
// reading only).
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/picture_formats.h"

namespace platform::picture_formats {
namespace {

struct TiffSource {
  const uint8_t* data;
  uint64_t size;
  uint64_t pos;
  char message[160];  // libtiff's first error
};

tmsize_t ReadTiffBytes(thandle_t handle, void* out, tmsize_t length) {
  auto* source = static_cast<TiffSource*>(handle);
  if (length <= 0 || source->pos >= source->size) return 0;
  const uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(length), source->size - source->pos);
  std::memcpy(out, source->data + source->pos, n);
  source->pos += n;
  return static_cast<tmsize_t>(n);
}
tmsize_t WriteNoTiffBytes(thandle_t, void*, tmsize_t) { return 0; }
toff_t SeekTiff(thandle_t handle, toff_t offset, int whence) {
  auto* source = static_cast<TiffSource*>(handle);
  const uint64_t base = whence == SEEK_CUR ? source->pos : whence == SEEK_END ? source->size : 0;
  if (offset > UINT64_MAX - base) return static_cast<toff_t>(-1);
  source->pos = base + offset;
  return source->pos;
}
int CloseTiff(thandle_t) { return 0; }
// libtiff reads a strip's or a tile's coded bytes where they lie (it maps files for reading only),
// instead of copying each into a buffer of its own.
int MapTiff(thandle_t handle, void** base, toff_t* size) {
  auto* source = static_cast<TiffSource*>(handle);
  *base = const_cast<uint8_t*>(source->data);
  *size = source->size;
  return 1;
}
void UnmapTiff(thandle_t, void*, toff_t) {}
toff_t TiffSize(thandle_t handle) { return static_cast<TiffSource*>(handle)->size; }

int OnTiffError(TIFF*, void* user_data, const char* module, const char* format, va_list args) {
  auto* source = static_cast<TiffSource*>(user_data);
  if (source->message[0] == '\0') {
    char text[128];
    std::vsnprintf(text, sizeof text, format, args);
    std::snprintf(source->message, sizeof source->message, "%s%s%s", module ? module : "", module ? ": " : "", text);
  }
  return 1;  // handled: nothing is printed
}
int OnTiffWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
struct OptionsFree {
  void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

// Samples a pixel (colour, alpha and a few more) that a picture may have.
constexpr uint16_t kMostSamples = 8;
// A row read here is a plain row of samples of at most this many bytes.
constexpr tmsize_t kMostRowBytes = 16 << 20;
// A strip's or a tile's samples held beside the picture: a fifth of it, or this for a small one.
constexpr uint64_t kLeastBlockBytes = 1 << 20;

// A tile may hold this many times the picture's pixels (a small picture in one tile of the
// usual 256 x 256 is honest), or any picture's allowance, before it is refused.
constexpr uint64_t kTileTimesPicture = 4;

bool Refuse(std::string* error, const std::string& reason) {
  if (error) *error = "TIFF: " + reason;
  return false;
}

// A premultiplied sample of `most` at most under its alpha, straight.
uint32_t Straight(uint32_t colour, uint32_t alpha, uint32_t most) {
  return alpha == 0 ? colour : std::min<uint32_t>(most, (colour * most + alpha / 2) / alpha);
}
// A sample of `bits` bits as 8, rounded.
uint8_t To8(uint32_t sample, uint16_t bits) {
  if (bits == 16) return static_cast<uint8_t>((sample * 255 + 32895) >> 16);
  return bits == 8 ? static_cast<uint8_t>(sample) : WidenTo8(sample, bits);
}

// What the file's directory says of its samples.
struct TiffSamples {
  uint32_t width = 0, height = 0;
  uint16_t bits = 0, count = 0, extra = 0, photometric = 0, planar = 0, format = 0, orientation = 0;
  uint16_t compression = 0, inkset = INKSET_CMYK;
  uint16_t colours = 0;         // samples of colour before the extra ones (an index is one)
  bool alpha = false;           // an extra sample, or a fourth of colour, is the alpha
  bool associated = false;      // premultiplied
  const uint16_t* map[3] = {};  // a palette's red, green and blue, of 2^bits entries each
  bool map_of_16_bits = false;  // else its entries are of 8 bits, as some writers leave them
};

// Whether the samples are of a layout read here (else libtiff's RGBA interface reads them).
bool ReadHere(const TiffSamples& s) {
  const bool depth = s.bits == 1 || s.bits == 2 || s.bits == 4 || s.bits == 8 || s.bits == 16;
  const bool format = s.format == SAMPLEFORMAT_UINT || s.format == SAMPLEFORMAT_VOID;
  switch (s.photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_RGB:
      return depth && format;
    case PHOTOMETRIC_PALETTE:
      return depth && format && s.map[0] && s.map[1] && s.map[2];
    case PHOTOMETRIC_SEPARATED:
      return depth && format && s.inkset == INKSET_CMYK;
    case PHOTOMETRIC_YCBCR:  // read here only as JPEG turns it into colour
      return s.compression == COMPRESSION_JPEG && s.count == 3;
    default:
      return false;
  }
}

// Puts pixels of the file's samples into the picture as blue, green, red and straight alpha.
class PixelWriter {
 public:
  PixelWriter(const TiffSamples& s, uint16_t bits, uint8_t* frame)
      : s_(s),
        bits_(bits),
        most_((1u << bits) - 1),
        frame_(frame),
        per_plane_(s.planar == PLANARCONFIG_SEPARATE ? 1 : s.count),
        flip_x_(s.orientation == ORIENTATION_TOPRIGHT || s.orientation == ORIENTATION_BOTRIGHT ||
                s.orientation == ORIENTATION_RIGHTTOP || s.orientation == ORIENTATION_RIGHTBOT),
        flip_y_(s.orientation == ORIENTATION_BOTRIGHT || s.orientation == ORIENTATION_BOTLEFT ||
                s.orientation == ORIENTATION_RIGHTBOT || s.orientation == ORIENTATION_LEFTBOT) {}

  // n pixels of the file's row y from column x; rows[p] is that row of plane p (one plane when
  // the samples are interleaved), from the first of the n pixels.
  void Put(uint32_t x, uint32_t y, uint32_t n, const uint8_t* const* rows) const {
    const uint32_t out_y = flip_y_ ? s_.height - 1 - y : y;
    uint8_t* line = frame_ + size_t{out_y} * s_.width * 4;
    // The layouts of most files, interleaved colour or grey of 8 bits and straight or no alpha.
    if (bits_ == 8 && !flip_x_ && !s_.associated && per_plane_ == s_.count &&
        s_.photometric != PHOTOMETRIC_MINISWHITE && s_.photometric != PHOTOMETRIC_PALETTE &&
        s_.photometric != PHOTOMETRIC_SEPARATED) {
      const uint8_t* in = rows[0];
      uint8_t* out = line + size_t{x} * 4;
      const bool rgb = s_.colours == 3;  // or grey
      for (uint32_t i = 0; i < n; ++i, in += s_.count, out += 4) {
        out[0] = in[rgb ? 2 : 0];
        out[1] = in[rgb ? 1 : 0];
        out[2] = in[0];
        out[3] = s_.alpha ? in[s_.colours] : 255;
      }
      return;
    }
    switch (bits_) {
      case 8:
        return PutEach<8>(x, n, rows, line);
      case 16:
        return PutEach<16>(x, n, rows, line);
      default:
        return PutEach<0>(x, n, rows, line);
    }
  }

 private:
  template <int kBits>
  void PutEach(uint32_t x, uint32_t n, const uint8_t* const* rows, uint8_t* line) const {
    uint32_t v[kMostSamples];
    const bool planar = per_plane_ == 1 && s_.count > 1;
    for (uint32_t i = 0; i < n; ++i) {
      for (uint16_t c = 0; c < s_.count; ++c) {
        v[c] = planar ? Sample<kBits>(rows[c], i) : Sample<kBits>(rows[0], uint64_t{i} * per_plane_ + c);
      }
      const uint32_t at = flip_x_ ? s_.width - 1 - (x + i) : x + i;
      PutPixel(v, line + size_t{at} * 4);
    }
  }

  template <int kBits>
  uint32_t Sample(const uint8_t* row, uint64_t index) const {
    switch (kBits) {
      case 8:
        return row[index];
      case 16: {
        uint16_t v;
        std::memcpy(&v, row + index * 2, 2);  // libtiff gives samples in the machine's order
        return v;
      }
      default: {  // 1, 2 or 4 bits, the first in the high bits of a byte
        const uint64_t bit = index * bits_;
        return (row[bit >> 3] >> (8 - bits_ - (bit & 7))) & most_;
      }
    }
  }

  void PutPixel(uint32_t* v, uint8_t* out) const {
    const uint32_t a = s_.alpha ? v[s_.colours] : most_;
    if (s_.associated) {
      for (uint16_t c = 0; c < s_.colours; ++c) v[c] = Straight(v[c], a, most_);
    }
    out[3] = To8(a, bits_);
    switch (s_.photometric) {
      case PHOTOMETRIC_MINISWHITE:
      case PHOTOMETRIC_MINISBLACK: {
        const uint8_t grey = To8(s_.photometric == PHOTOMETRIC_MINISWHITE ? most_ - v[0] : v[0], bits_);
        out[0] = out[1] = out[2] = grey;
        return;
      }
      case PHOTOMETRIC_PALETTE:
        // A colour map's high byte, as libtiff and Pillow read it: Pillow writes an 8-bit
        // colour c as c x 256, ImageMagick and netpbm as c x 257, and both come back as c.
        for (int c = 0; c < 3; ++c) {
          const uint16_t entry = s_.map[c][v[0]];
          out[2 - c] = static_cast<uint8_t>(s_.map_of_16_bits ? entry >> 8 : entry);
        }
        return;
      case PHOTOMETRIC_SEPARATED:  // what is left under each ink and the black one
        for (int c = 0; c < 3; ++c) {
          const uint64_t left = uint64_t{most_ - v[c]} * (most_ - v[3]);
          out[2 - c] = To8(static_cast<uint32_t>((left + most_ / 2) / most_), bits_);
        }
        return;
      default:  // red, green, blue
        for (int c = 0; c < 3; ++c) out[2 - c] = To8(v[c], bits_);
        return;
    }
  }

  const TiffSamples& s_;
  uint16_t bits_;
  uint32_t most_;
  uint8_t* frame_;
  uint16_t per_plane_;
  bool flip_x_, flip_y_;
};

// Room for a strip's or a tile's samples, or false when they would be more than a picture may
// keep beside it.
bool Reserve(std::vector<uint8_t>* buffer, uint64_t bytes, uint64_t allowed) {
  if (bytes > allowed) return false;
  try {
    buffer->assign(static_cast<size_t>(bytes), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// What reads the strips or tiles of one picture into its frame.
struct Reader {
  TIFF* t;
  const TiffSource& source;
  const TiffSamples& s;
  uint8_t* frame;
  uint64_t allowed;  // bytes of samples beside the frame
  std::string reason;

  uint16_t Planes() const { return s.planar == PLANARCONFIG_SEPARATE ? s.count : 1; }
  bool Fail(const char* otherwise) {
    reason = source.message[0] ? source.message : otherwise;
    return false;
  }

  // Interleaved strips, row by row: libtiff decodes each strip as far as the row asked.
  bool Rows() {
    const tmsize_t line = TIFFScanlineSize(t);
    std::vector<uint8_t> row(static_cast<size_t>(line));
    const PixelWriter writer(s, s.bits, frame);
    const uint8_t* rows[1] = {row.data()};
    for (uint32_t y = 0; y < s.height; ++y) {
      if (TIFFReadScanline(t, row.data(), y, 0) < 0) return Fail("unreadable picture");
      writer.Put(0, y, s.width, rows);
    }
    return true;
  }

  // Strips of separate planes, in bands of rows that fit beside the picture: each plane's rows of
  // a band read in turn. libtiff decodes a strip's rows only in order from its first: a band that
  // begins inside a strip decodes the strip's rows before it again. A band holds a fifth of the
  // picture or more, and a picture's samples are at most four times its frame, so a strip is
  // decoded at most about ten times over.
  bool PlaneStrips(std::vector<std::vector<uint8_t>>& planes, uint32_t band, uint32_t rows_per_strip) {
    const tmsize_t line = TIFFScanlineSize(t);
    std::vector<uint8_t> skipped(static_cast<size_t>(line));
    const PixelWriter writer(s, s.bits, frame);
    const uint8_t* rows[kMostSamples] = {};
    for (uint32_t top = 0; top < s.height; top += band) {
      const uint32_t count = std::min(band, s.height - top);
      for (uint16_t p = 0; p < s.count; ++p) {
        for (uint32_t y = top - top % rows_per_strip; y < top; ++y) {
          if (TIFFReadScanline(t, skipped.data(), y, p) < 0) return Fail("unreadable picture");
        }
        for (uint32_t r = 0; r < count; ++r) {
          if (TIFFReadScanline(t, planes[p].data() + size_t{r} * line, top + r, p) < 0) {
            return Fail("unreadable picture");
          }
        }
      }
      for (uint32_t r = 0; r < count; ++r) {
        for (uint16_t p = 0; p < s.count; ++p) rows[p] = planes[p].data() + size_t{r} * line;
        writer.Put(0, top + r, s.width, rows);
      }
    }
    return true;
  }

  // Tiles, each decoded whole (every plane of it) and cut at the picture's edges.
  bool Tiles(std::vector<std::vector<uint8_t>>& planes, uint32_t tile_width, uint32_t tile_height) {
    const tmsize_t tile_bytes = TIFFTileSize(t), line = TIFFTileRowSize(t);
    const PixelWriter writer(s, s.bits, frame);
    const uint8_t* rows[kMostSamples] = {};
    for (uint32_t top = 0; top < s.height; top += tile_height) {
      for (uint32_t left = 0; left < s.width; left += tile_width) {
        for (uint16_t p = 0; p < Planes(); ++p) {
          if (TIFFReadEncodedTile(t, TIFFComputeTile(t, left, top, 0, p), planes[p].data(), tile_bytes) < 0) {
            return Fail("unreadable picture");
          }
        }
        const uint32_t across = std::min(tile_width, s.width - left), down = std::min(tile_height, s.height - top);
        for (uint32_t r = 0; r < down; ++r) {
          for (uint16_t p = 0; p < Planes(); ++p) rows[p] = planes[p].data() + size_t{r} * line;
          writer.Put(left, top + r, across, rows);
        }
      }
    }
    return true;
  }

  bool Jpeg(uint32_t tile_width, uint32_t tile_height, bool count);
};

// The rows of one JPEG strip or tile, put into the picture as they come (interleaved samples),
// or kept for the other planes of the same place (separate planes).
class SegmentRows : public JpegRowSink {
 public:
  SegmentRows(const PixelWriter& writer, uint32_t width, int components, std::vector<uint8_t>* plane)
      : writer_(writer), width_(width), components_(components), plane_(plane) {}
  // Where the stream lies: its rows to decode, and of them those inside the picture.
  void Place(uint32_t left, uint32_t top, uint32_t across, uint32_t down, uint32_t shown) {
    left_ = left;
    top_ = top;
    across_ = across;
    down_ = down;
    shown_ = shown;
  }
  uint32_t Start(uint32_t width, uint32_t height, int components, bool, bool) override {
    if (width != width_ || height < down_ || components != components_) {
      refusal = "a JPEG stream of " + std::to_string(width) + " x " + std::to_string(height) + " and " +
                std::to_string(components) + " components where the file's strip or tile is " + std::to_string(width_) +
                " x " + std::to_string(down_) + " of " + std::to_string(components_);
      return 0;
    }
    if (!plane_) row_.resize(size_t{width} * components);
    return down_;
  }
  uint8_t* Row(uint32_t y) override { return plane_ ? plane_->data() + size_t{y} * width_ : row_.data(); }
  void Done(uint32_t y) override {
    if (plane_ || y >= shown_) return;
    const uint8_t* rows[1] = {row_.data()};
    writer_.Put(left_, top_ + y, across_, rows);
  }

 private:
  const PixelWriter& writer_;
  uint32_t width_;
  int components_;
  std::vector<uint8_t>* plane_;
  std::vector<uint8_t> row_;
  uint32_t left_ = 0, top_ = 0, across_ = 0, down_ = 0, shown_ = 0;
};

// JPEG strips or tiles (tile_width 0 for strips): each stream decoded where it lies, after the
// file's tables. First (`count`) every stream's cost is counted from its headers, before the
// picture is allocated: each is held to a .jpg's bounds, its scans counted with every stream's
// before it and its coefficients beside the whole picture.
bool Reader::Jpeg(uint32_t tile_width, uint32_t tile_height, bool count) {
  if (s.bits != 8) return Fail("JPEG of samples other than 8 bits");
  const uint8_t* tables = nullptr;
  uint32_t tables_size = 0;
  void* tables_field = nullptr;
  if (TIFFGetField(t, TIFFTAG_JPEGTABLES, &tables_size, &tables_field) && tables_field) {
    tables = static_cast<const uint8_t*>(tables_field);
  } else {
    tables_size = 0;
  }
  uint32_t rows_per_strip = s.height;
  if (tile_width == 0) {
    TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &rows_per_strip);
    rows_per_strip = std::clamp<uint32_t>(rows_per_strip, 1, s.height);
  }
  const uint32_t step_x = tile_width ? tile_width : s.width, step_y = tile_width ? tile_height : rows_per_strip;
  const uint32_t across_count = (s.width - 1) / step_x + 1, down_count = (s.height - 1) / step_y + 1;
  const uint32_t per_plane = across_count * down_count;
  const bool planar = s.planar == PLANARCONFIG_SEPARATE && s.count > 1;
  const int components = planar ? 1 : s.photometric == PHOTOMETRIC_YCBCR ? 3 : s.count;
  const JpegSamples samples = s.photometric == PHOTOMETRIC_YCBCR ? JpegSamples::kYCbCrAsRgb : JpegSamples::kAsStored;
  const uint64_t frame_bytes = uint64_t{s.width} * s.height * 4;
  std::vector<std::vector<uint8_t>> planes(planar && !count ? s.count : 0);
  for (auto& plane : planes) {
    if (!Reserve(&plane, uint64_t{step_x} * step_y, allowed / s.count)) {
      reason = "its JPEG strips or tiles are larger than a picture may keep beside it";
      return false;
    }
  }
  const uint64_t kept_beside =
      frame_bytes + uint64_t{step_x} * step_y * (planar ? s.count : 0) + uint64_t{step_x} * components;
  const PixelWriter writer(s, 8, frame);
  uint64_t work = 0, blocks = 0;
  for (uint32_t place = 0; place < per_plane; ++place) {
    const uint32_t left = place % across_count * step_x, top = place / across_count * step_y;
    const uint32_t across = std::min(step_x, s.width - left);
    // A tile is coded whole; a strip only as far as the picture goes.
    const uint32_t down = tile_width ? step_y : std::min(step_y, s.height - top);
    for (uint16_t p = 0; p < (planar ? s.count : 1); ++p) {
      const uint32_t index = p * per_plane + place;
      // The stream where it lies in the file.
      const uint64_t at = TIFFGetStrileOffset(t, index), stored = TIFFGetStrileByteCount(t, index);
      const uint32_t streams = tile_width ? TIFFNumberOfTiles(t) : TIFFNumberOfStrips(t);
      if (index >= streams || at > source.size || stored > source.size - at) {
        reason = "a JPEG strip or tile past the end of the file";
        return false;
      }
      const uint8_t* raw = source.data + at;
      const size_t got = static_cast<size_t>(stored);
      if (count) {
        const JpegCost cost = CountJpegCost(raw, got);
        work += cost.work;
        blocks += cost.claim.needs;
        if (const char* problem = JpegCostProblem(work, blocks, kept_beside + cost.coefficient_bytes)) {
          reason = problem;
          return false;
        }
        continue;
      }
      SegmentRows rows(writer, step_x, components, planar ? &planes[p] : nullptr);
      rows.Place(left, top, across, down, std::min(down, s.height - top));
      const uint64_t memory = kMaxJpegDecodeBytes + kJpegRowBytes - std::min(kept_beside, kMaxJpegDecodeBytes);
      std::string why;
      if (!DecodeJpegRows(tables, tables_size, raw, got, samples, memory, &rows, &why)) {
        reason = "JPEG: " + why;
        return false;
      }
    }
    if (planar && !count) {
      const uint8_t* rows[kMostSamples] = {};
      const uint32_t shown = std::min(down, s.height - top);
      for (uint32_t r = 0; r < shown; ++r) {
        for (uint16_t p = 0; p < s.count; ++p) rows[p] = planes[p].data() + size_t{r} * step_x;
        writer.Put(left, top + r, across, rows);
      }
    }
  }
  return true;
}

// libtiff's RGBA interface, into the picture's own memory: a word a pixel, red in the low byte.
bool ReadRgba(TIFF* t, const TiffSamples& s, uint16_t* extra, PictureFrame* frame, bool* alpha, std::string* why) {
  // libtiff is told every alpha is associated, so that it passes every sample through.
  if (s.extra >= 1 && extra && !s.associated) {
    std::vector<uint16_t> named(extra, extra + s.extra);
    named[0] = EXTRASAMPLE_ASSOCALPHA;
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, s.extra, named.data());
  } else if (s.extra == 0 && s.alpha) {
    const uint16_t named = EXTRASAMPLE_ASSOCALPHA;
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &named);
  }
  char message[1024] = {};
  if (!TIFFRGBAImageOK(t, message)) {
    *why = message[0] ? message : "a kind of TIFF not read";
    return false;
  }
  TIFFRGBAImage image;
  if (!TIFFRGBAImageBegin(&image, t, 0, message)) {
    *why = message[0] ? message : "unreadable file";
    return false;
  }
  image.req_orientation = ORIENTATION_TOPLEFT;
  *alpha = image.alpha != 0;
  auto* raster = reinterpret_cast<uint32_t*>(frame->pixels.data());  // operator new's alignment
  const int got = TIFFRGBAImageGet(&image, raster, s.width, s.height);
  TIFFRGBAImageEnd(&image);
  if (!got) {
    *why = "";
    return false;
  }
  for (size_t i = 0; i < size_t{s.width} * s.height; ++i) {
    uint8_t* p = &frame->pixels[i * 4];
    uint32_t word;
    std::memcpy(&word, p, 4);
    const uint32_t a = *alpha ? TIFFGetA(word) : 255;
    const uint32_t rgb[3] = {TIFFGetR(word), TIFFGetG(word), TIFFGetB(word)};
    for (int c = 0; c < 3; ++c) p[2 - c] = static_cast<uint8_t>(s.associated ? Straight(rgb[c], a, 255) : rgb[c]);
    p[3] = static_cast<uint8_t>(a);
  }
  return true;
}

}  // namespace

bool DecodeTiff(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error) {
  TiffSource source{data, size, 0, {}};
  std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
  if (!options) return Refuse(error, "out of memory");
  TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(kMaxDecodedPictureBytes));
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnTiffError, &source);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnTiffWarning, &source);
  std::unique_ptr<TIFF, TiffCloser> tiff(TIFFClientOpenExt("picture", "r", &source, ReadTiffBytes, WriteNoTiffBytes,
                                                           SeekTiff, CloseTiff, TiffSize, MapTiff, UnmapTiff,
                                                           options.get()));
  auto reason = [&](const char* otherwise) { return source.message[0] ? source.message : otherwise; };
  if (!tiff) return Refuse(error, reason("unreadable file"));
  TIFF* t = tiff.get();

  TiffSamples s;
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &s.width);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &s.height);
  if (s.width == 0 || s.height == 0) return Refuse(error, "empty picture");
  const uint64_t frame_bytes = uint64_t{s.width} * s.height * 4;
  if (frame_bytes > kMaxDecodedPictureBytes) return Refuse(error, "picture too large");
  uint32_t tile_width = 0, tile_height = 0;
  if (TIFFIsTiled(t)) {
    TIFFGetField(t, TIFFTAG_TILEWIDTH, &tile_width);
    TIFFGetField(t, TIFFTAG_TILELENGTH, &tile_height);
    const uint64_t tile = uint64_t{tile_width} * tile_height;
    if (tile == 0) return Refuse(error, "tiles of no size");
    if (tile > std::max(uint64_t{s.width} * s.height * kTileTimesPicture, kPixelsAnyPictureMayClaim)) {
      return Refuse(error, "its tiles are far larger than the picture");
    }
  }

  uint16_t* extra = nullptr;
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &s.bits);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &s.count);
  TIFFGetFieldDefaulted(t, TIFFTAG_EXTRASAMPLES, &s.extra, &extra);
  TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &s.planar);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &s.format);
  TIFFGetFieldDefaulted(t, TIFFTAG_ORIENTATION, &s.orientation);
  TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &s.compression);
  TIFFGetFieldDefaulted(t, TIFFTAG_INKSET, &s.inkset);
  TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &s.photometric);
  // libtiff's buffers hold strips or tiles of the file's samples: pictures have at most a few
  // of at most 16 bits, so they stay within four times the picture decoded.
  if (s.count > kMostSamples || s.bits > 16) {
    return Refuse(error, std::to_string(s.count) + " samples of " + std::to_string(s.bits) +
                             " bits a pixel: more than a picture has");
  }
  s.associated = s.extra >= 1 && extra && extra[0] == EXTRASAMPLE_ASSOCALPHA;
  s.alpha = s.extra >= 1 || (s.count == 4 && s.photometric == PHOTOMETRIC_RGB);
  s.colours = s.photometric == PHOTOMETRIC_RGB || s.photometric == PHOTOMETRIC_YCBCR ? 3
              : s.photometric == PHOTOMETRIC_SEPARATED                               ? 4
                                                                                     : 1;
  if (s.count < s.colours + (s.alpha ? 1 : 0)) {
    return Refuse(error, std::to_string(s.count) + " samples a pixel: fewer than its colours");
  }
  if (s.photometric == PHOTOMETRIC_PALETTE && s.bits <= 16 &&
      TIFFGetField(t, TIFFTAG_COLORMAP, &s.map[0], &s.map[1], &s.map[2])) {
    for (uint32_t i = 0; i < (1u << s.bits) && !s.map_of_16_bits; ++i) {
      s.map_of_16_bits = s.map[0][i] > 255 || s.map[1][i] > 255 || s.map[2][i] > 255;
    }
  }

  Reader reader{t, source, s, nullptr, std::max(kLeastBlockBytes, frame_bytes / 5), {}};
  bool read_here = ReadHere(s);
  if (s.compression == COMPRESSION_JPEG) {
    if (!read_here) return Refuse(error, "a JPEG-compressed TIFF of a kind not read");
    if (!reader.Jpeg(tile_width, tile_height, true)) return Refuse(error, reader.reason);
  }
  PictureFrame frame;
  try {
    frame.pixels.assign(static_cast<size_t>(frame_bytes), 0);
  } catch (const std::bad_alloc&) {
    return Refuse(error, "out of memory");
  }
  reader.frame = frame.pixels.data();
  bool alpha = s.alpha;
  bool read = false;
  std::vector<std::vector<uint8_t>> planes(reader.Planes());
  if (s.compression == COMPRESSION_JPEG) {
    read = reader.Jpeg(tile_width, tile_height, false);
  } else if (read_here && tile_width != 0) {
    for (auto& plane : planes)
      read_here = read_here && Reserve(&plane, TIFFTileSize64(t), reader.allowed / planes.size());
    if (read_here) read = reader.Tiles(planes, tile_width, tile_height);
  } else if (read_here && s.planar == PLANARCONFIG_SEPARATE && s.count > 1) {
    const uint64_t line = TIFFScanlineSize64(t);
    uint32_t rows_per_strip = s.height;
    TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &rows_per_strip);
    rows_per_strip = std::clamp<uint32_t>(rows_per_strip, 1, s.height);
    const uint32_t band = static_cast<uint32_t>(
        std::clamp<uint64_t>(reader.allowed / planes.size() / std::max<uint64_t>(line, 1), 1, rows_per_strip));
    for (auto& plane : planes) read_here = read_here && Reserve(&plane, line * band, reader.allowed / planes.size());
    if (read_here) read = reader.PlaneStrips(planes, band, rows_per_strip);
  } else if (read_here) {
    read_here = TIFFScanlineSize64(t) <= static_cast<uint64_t>(kMostRowBytes);
    if (read_here) read = reader.Rows();
  }
  if (!read_here) {
    planes.clear();
    read = ReadRgba(t, s, extra, &frame, &alpha, &reader.reason);
    if (!read && reader.reason.empty()) reader.reason = reason("unreadable picture");
  }
  if (!read) return Refuse(error, reader.reason);

  DecodedPicture result;
  result.width = static_cast<int>(s.width);
  result.height = static_cast<int>(s.height);
  result.alpha_valid = alpha;
  result.frames.push_back(std::move(frame));
  *out = std::move(result);
  return true;
}

}  // namespace platform::picture_formats
