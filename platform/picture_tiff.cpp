// TIFF through libtiff, the first picture of the file, top row first: blue, green, red and
// straight alpha. An extra sample is alpha whatever it is named (unassociated, associated or
// unspecified); libtiff names every sample past a picture's colours an extra one. Associated
// (premultiplied) alpha is divided out of the colours, rounded to the nearest, at the samples' own
// depth, and 16-bit samples are scaled to 8 bits rounded. The picture is turned as the file's
// orientation says: mirrored, flipped, or (5 to 8) turned a quarter, its sides swapped.
//   Grey (either way up), palette, colour, CMYK inks and CIE L*a*b* of 1, 2, 4, 8 or 16 bits a
//     sample (L*a*b* of 8 or 16), in strips or tiles, interleaved or in separate planes, are read
//     here: libtiff decodes each strip's rows in order, or each tile, and the samples go straight
//     into the picture. Each plane of separate planes is read through a libtiff handle of its
//     own, so that every strip is decoded once, a row at a time. A tile too large to be held
//     beside the picture is read a row at a time likewise, through a handle that sees it as a
//     picture of one strip. L*a*b* is turned into sRGB as ImageMagick and Pillow turn it: from
//     the file's white point (D50 without one, as libtiff and Photoshop take it) adapted to D65.
//   JPEG-compressed strips and tiles are decoded here, each a JPEG stream after the file's
//     tables, through the JPEG reader: each stream's frame is its strip's or tile's (its height
//     at most whole MCUs past it), each is held to what a .jpg of its own is, and their scans and
//     each stream's own cost are counted over the picture's own blocks before it is allocated.
//   The rest (YCbCr without JPEG, LogLuv, old-style JPEG) go through libtiff's RGBA interface
//     into the picture's own memory; it multiplies unassociated alpha into the colours and passes
//     associated alpha through: every alpha is named associated before it reads them, so that
//     their samples pass through untouched, and associated alpha is divided out afterwards.
// libtiff's errors become the reason a picture is refused; its warnings are dropped, and none
// goes to the standard error. Each block libtiff allocates stays within the largest picture
// decoded; pixels of more samples than pictures have, and tiles far larger than the picture,
// are refused before one is read. Every decode draws on the decode's budget (decode_budget.h):
// the frame, our buffers, libtiff's state and buffers (as counted here: it has no allocator of
// the caller's), and the work of every strip and tile decoded. A picture costs its frame, and
// beside it a strip's or a tile's samples of at most a fifth of it (1 MiB for a small one) and
// libtiff's own state, within a quarter; libtiff reads the coded bytes where they lie in the
// caller's memory (mapped, for reading only).
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/decode_budget.h"
#include "platform/picture_formats.h"

namespace platform::picture_formats {
namespace {

// The file's bytes as libtiff reads them. A view (see TileView) reads them with its own header
// over their first eight bytes and its own directory after their end.
struct TiffSource {
  const uint8_t* data;
  uint64_t size;
  uint64_t pos = 0;
  char message[160] = {};  // libtiff's first error
  const uint8_t* head = nullptr;
  const std::vector<uint8_t>* tail = nullptr;

  uint64_t Size() const { return size + (tail ? tail->size() : 0); }
};

tmsize_t ReadTiffBytes(thandle_t handle, void* out, tmsize_t length) {
  auto* source = static_cast<TiffSource*>(handle);
  const uint64_t end = source->Size();
  if (length <= 0 || source->pos >= end) return 0;
  const uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(length), end - source->pos);
  auto* to = static_cast<uint8_t*>(out);
  for (uint64_t done = 0; done < n;) {
    const uint64_t at = source->pos + done;
    const uint8_t* from;
    uint64_t run;
    if (source->head && at < 8) {
      from = source->head + at, run = 8 - at;
    } else if (at < source->size) {
      from = source->data + at, run = source->size - at;
    } else {
      from = source->tail->data() + (at - source->size), run = end - at;
    }
    run = std::min(run, n - done);
    std::memcpy(to + done, from, run);
    done += run;
  }
  source->pos += n;
  return static_cast<tmsize_t>(n);
}
tmsize_t WriteNoTiffBytes(thandle_t, void*, tmsize_t) { return 0; }
toff_t SeekTiff(thandle_t handle, toff_t offset, int whence) {
  auto* source = static_cast<TiffSource*>(handle);
  const uint64_t base = whence == SEEK_CUR ? source->pos : whence == SEEK_END ? source->Size() : 0;
  if (offset > UINT64_MAX - base) return static_cast<toff_t>(-1);
  source->pos = base + offset;
  return source->pos;
}
int CloseTiff(thandle_t) { return 0; }
// libtiff reads a strip's or a tile's coded bytes where they lie (it maps files for reading only),
// instead of copying each into a buffer of its own. A view is not mapped.
int MapTiff(thandle_t handle, void** base, toff_t* size) {
  auto* source = static_cast<TiffSource*>(handle);
  if (source->head) return 0;
  *base = const_cast<uint8_t*>(source->data);
  *size = source->size;
  return 1;
}
void UnmapTiff(thandle_t, void*, toff_t) {}
toff_t TiffSize(thandle_t handle) { return static_cast<TiffSource*>(handle)->Size(); }

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
// A strip's or a tile's samples held beside the picture: a fifth of it, or this for a small one.
constexpr uint64_t kLeastBlockBytes = 1 << 20;

// A tile may hold this many times the picture's pixels (a small picture in one tile of the
// usual 256 x 256 is honest), or any picture's allowance, before it is refused.
constexpr uint64_t kTileTimesPicture = 4;

// What libtiff keeps of its own for a handle, as counted against the budget: its state and a
// codec's (zlib's window, LZW's table), and the offset and byte count of every strip or tile.
constexpr uint64_t kLibtiffStateBytes = 256 << 10;
constexpr uint64_t kLibtiffBytesPerStrile = 16;
// Work, in units of the budget's: a strip or tile begun (found, its codec reset), a byte libtiff
// decodes, a pixel put into the picture.
constexpr uint64_t kUnitsPerStrile = 1024;
constexpr uint64_t kUnitsPerDecodedByte = 2;
constexpr uint64_t kUnitsPerPixel = 4;

bool Refuse(std::string* error, const std::string& reason) {
  if (error) *error = "TIFF: " + reason;
  return false;
}

// The decode's budget, when there is one.
bool Spend(uint64_t units) {
  DecodeBudget* budget = CurrentDecodeBudget();
  return !budget || budget->Spend(units);
}
const char* BudgetProblem(const char* otherwise) {
  DecodeBudget* budget = CurrentDecodeBudget();
  return budget && budget->exhausted() ? budget->problem() : otherwise;
}

// Memory held for the decode: taken from the budget, given back when this goes.
class Held {
 public:
  Held() = default;
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  ~Held() { Release(); }
  // False, and nothing more taken, when the budget refuses it.
  bool Take(uint64_t bytes) {
    DecodeBudget* budget = CurrentDecodeBudget();
    if (budget && !budget->Take(bytes)) return false;
    bytes_ += bytes;
    return true;
  }
  void Release() {
    if (DecodeBudget* budget = CurrentDecodeBudget()) budget->Give(bytes_);
    bytes_ = 0;
  }

 private:
  uint64_t bytes_ = 0;
};

// A buffer of ours, its bytes taken from the budget.
struct Buffer {
  std::vector<uint8_t> bytes;
  Held held;
  uint8_t* data() { return bytes.data(); }
  // Room for `size` bytes, or false when they would be more than `allowed` or than the budget has.
  bool Reserve(uint64_t size, uint64_t allowed = UINT64_MAX) {
    if (size > allowed || !held.Take(size)) return false;
    try {
      bytes.assign(static_cast<size_t>(size), 0);
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }
};

// A libtiff handle on the file (or a view of it), libtiff's state taken from the budget.
struct Handle {
  std::unique_ptr<TiffSource> source;  // where libtiff keeps a pointer
  std::unique_ptr<TIFF, TiffCloser> tiff;
  Held held;

  const char* Message(const char* otherwise) const { return source->message[0] ? source->message : otherwise; }

  // Opens it; false with the reason in *why.
  bool Open(const TiffSource& from, std::string* why) {
    source = std::make_unique<TiffSource>(from);
    std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options) return *why = "out of memory", false;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(kMaxDecodedPictureBytes));
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnTiffError, source.get());
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnTiffWarning, source.get());
    tiff.reset(TIFFClientOpenExt("picture", "r", source.get(), ReadTiffBytes, WriteNoTiffBytes, SeekTiff, CloseTiff,
                                 TiffSize, MapTiff, UnmapTiff, options.get()));
    if (!tiff) return *why = Message("unreadable file"), false;
    const uint64_t striles = TIFFIsTiled(tiff.get()) ? TIFFNumberOfTiles(tiff.get()) : TIFFNumberOfStrips(tiff.get());
    if (!held.Take(kLibtiffStateBytes + SaturatingProduct(striles, kLibtiffBytesPerStrile))) {
      return *why = BudgetProblem("out of memory"), false;
    }
    return true;
  }
};

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
  bool alpha = false;           // an extra sample is the alpha
  bool associated = false;      // premultiplied
  const uint16_t* map[3] = {};  // a palette's red, green and blue, of 2^bits entries each
  bool map_of_16_bits = false;  // else its entries are of 8 bits, as some writers leave them
  const float* white = nullptr;  // L*a*b*'s white point (x, y), or null
};

bool IsLab(uint16_t photometric) { return photometric == PHOTOMETRIC_CIELAB || photometric == PHOTOMETRIC_ICCLAB; }

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
    case PHOTOMETRIC_CIELAB:  // a* and b* signed, whatever the sample format says
    case PHOTOMETRIC_ICCLAB:
      return (s.bits == 8 || s.bits == 16) && (format || s.format == SAMPLEFORMAT_INT);
    case PHOTOMETRIC_YCBCR:  // read here only as JPEG turns it into colour
      return s.compression == COMPRESSION_JPEG && s.count == 3;
    default:
      return false;
  }
}

// Where the file's orientation puts its pixels: rows or columns reversed, and for 5 to 8 the
// picture turned (the file's rows become its columns, its sides swapped).
struct Placement {
  uint32_t width, height;  // the file's
  bool flip_x, flip_y, turned;

  explicit Placement(const TiffSamples& s) : width(s.width), height(s.height) {
    const uint16_t o = s.orientation >= 1 && s.orientation <= 8 ? s.orientation : ORIENTATION_TOPLEFT;
    flip_x = o == ORIENTATION_TOPRIGHT || o == ORIENTATION_BOTRIGHT || o == ORIENTATION_RIGHTBOT ||
             o == ORIENTATION_LEFTBOT;
    flip_y = o == ORIENTATION_BOTRIGHT || o == ORIENTATION_BOTLEFT || o == ORIENTATION_RIGHTTOP ||
             o == ORIENTATION_RIGHTBOT;
    turned = o >= ORIENTATION_LEFTTOP;
  }
  uint32_t ShownWidth() const { return turned ? height : width; }
  uint32_t ShownHeight() const { return turned ? width : height; }
  // The picture's pixel that the file's pixel (x, y) is.
  uint64_t At(uint32_t x, uint32_t y) const {
    const uint64_t xx = flip_x ? width - 1 - x : x, yy = flip_y ? height - 1 - y : y;
    return turned ? xx * height + yy : yy * width + xx;
  }
  // From the file's pixel (x, y) to (x + 1, y), in pixels of the picture.
  int64_t Step() const { return (flip_x ? -1 : 1) * (turned ? int64_t{height} : 1); }
};

// CIE L*a*b* into sRGB, as ImageMagick turns it (its file's white point, D65) and as Pillow's
// colour management turns Pillow's (no white point: D50, Bradford-adapted to D65): L*a*b* to
// XYZ relative to the white, the white adapted to D65, sRGB's primaries and its curve.
class LabToSrgb {
 public:
  explicit LabToSrgb(const TiffSamples& s) : bits_(s.bits), icc_(s.photometric == PHOTOMETRIC_ICCLAB) {
    double white[3] = {0.9642, 1.0, 0.8249};  // D50
    if (s.white && std::isfinite(s.white[0]) && std::isfinite(s.white[1]) && s.white[1] > 0.01f &&
        s.white[0] > 0 && s.white[0] + s.white[1] < 1) {
      white[0] = s.white[0] / s.white[1];
      white[2] = (1 - s.white[0] - s.white[1]) / s.white[1];
    }
    static constexpr double kBradford[3][3] = {
        {0.8951, 0.2664, -0.1614}, {-0.7502, 1.7135, 0.0367}, {0.0389, -0.0685, 1.0296}};
    static constexpr double kBradfordInverse[3][3] = {{0.9869929, -0.1470543, 0.1599627},
                                                      {0.4323053, 0.5183603, 0.0492912},
                                                      {-0.0085287, 0.0400428, 0.9684867}};
    static constexpr double kD65[3] = {0.950456, 1.0, 1.088754};
    static constexpr double kToSrgb[3][3] = {
        {3.2404542, -1.5371385, -0.4985314}, {-0.9692660, 1.8760108, 0.0415560}, {0.0556434, -0.2040259, 1.0572252}};
    double cone_from[3], cone_to[3];
    for (int i = 0; i < 3; ++i) {
      cone_from[i] = cone_to[i] = 0;
      for (int j = 0; j < 3; ++j) {
        cone_from[i] += kBradford[i][j] * white[j];
        cone_to[i] += kBradford[i][j] * kD65[j];
      }
    }
    // sRGB from XYZ relative to the white: kToSrgb x Bradford^-1 x scale x Bradford x white.
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        double adapted = 0;  // (Bradford^-1 x scale x Bradford)[i][j] x white[j]
        for (int k = 0; k < 3; ++k) adapted += kBradfordInverse[i][k] * cone_to[k] / cone_from[k] * kBradford[k][j];
        adapt_[i][j] = adapted * white[j];
      }
    }
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        matrix_[i][j] = 0;
        for (int k = 0; k < 3; ++k) matrix_[i][j] += kToSrgb[i][k] * adapt_[k][j];
      }
    }
    // The linear light at which each 8-bit level begins (halfway between two levels).
    for (int level = 1; level < 256; ++level) {
      const double v = (level - 0.5) / 255;
      starts_[level - 1] = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    }
  }

  // One pixel's samples (L*, a*, b* as stored) into blue, green, red.
  void Put(const uint32_t* v, uint8_t* out) const {
    const double l = bits_ == 8 ? v[0] * (100.0 / 255) : v[0] * (icc_ ? 100.0 / 65280 : 100.0 / 65535);
    double a, b;
    if (bits_ == 8) {
      a = icc_ ? int(v[1]) - 128 : static_cast<int8_t>(v[1]);
      b = icc_ ? int(v[2]) - 128 : static_cast<int8_t>(v[2]);
    } else {  // 16-bit CIE a* and b* span -127.5 to 127.5, as ImageMagick writes and reads them
      a = icc_ ? v[1] / 256.0 - 128 : static_cast<int16_t>(v[1]) / 257.0;
      b = icc_ ? v[2] / 256.0 - 128 : static_cast<int16_t>(v[2]) / 257.0;
    }
    const double fy = (l + 16) / 116, fx = fy + a / 500, fz = fy - b / 200;
    constexpr double kEpsilon = 216.0 / 24389, kKappa = 24389.0 / 27;
    const double xyz[3] = {fx * fx * fx > kEpsilon ? fx * fx * fx : (116 * fx - 16) / kKappa,
                           fy * fy * fy > kEpsilon ? fy * fy * fy : l / kKappa,
                           fz * fz * fz > kEpsilon ? fz * fz * fz : (116 * fz - 16) / kKappa};
    for (int c = 0; c < 3; ++c) {
      const double linear = matrix_[c][0] * xyz[0] + matrix_[c][1] * xyz[1] + matrix_[c][2] * xyz[2];
      out[2 - c] = static_cast<uint8_t>(std::upper_bound(starts_, starts_ + 255, linear) - starts_);
    }
  }

 private:
  uint16_t bits_;
  bool icc_;
  double adapt_[3][3] = {};
  double matrix_[3][3] = {};
  double starts_[255] = {};
};

// Puts pixels of the file's samples into the picture as blue, green, red and straight alpha.
class PixelWriter {
 public:
  PixelWriter(const TiffSamples& s, uint16_t bits, uint8_t* frame)
      : s_(s),
        bits_(bits),
        most_((1u << bits) - 1),
        frame_(frame),
        per_plane_(s.planar == PLANARCONFIG_SEPARATE ? 1 : s.count),
        place_(s),
        step_(place_.Step() * 4) {
    if (IsLab(s.photometric)) lab_ = std::make_unique<LabToSrgb>(s);
  }

  // n pixels of the file's row y from column x; rows[p] is that row of plane p (one plane when
  // the samples are interleaved), from the first of the n pixels.
  void Put(uint32_t x, uint32_t y, uint32_t n, const uint8_t* const* rows) const {
    uint8_t* out = frame_ + place_.At(x, y) * 4;
    // The layouts of most files, interleaved colour or grey of 8 bits and straight or no alpha.
    if (bits_ == 8 && !s_.associated && per_plane_ == s_.count &&
        (s_.photometric == PHOTOMETRIC_MINISBLACK || s_.photometric == PHOTOMETRIC_RGB ||
         s_.photometric == PHOTOMETRIC_YCBCR)) {
      const uint8_t* in = rows[0];
      const bool rgb = s_.colours == 3;  // or grey
      for (uint32_t i = 0; i < n; ++i, in += s_.count, out += step_) {
        out[0] = in[rgb ? 2 : 0];
        out[1] = in[rgb ? 1 : 0];
        out[2] = in[0];
        out[3] = s_.alpha ? in[s_.colours] : 255;
      }
      return;
    }
    // The same in separate planes.
    if (bits_ == 8 && !s_.associated && per_plane_ == 1 && s_.count > 1 &&
        (s_.photometric == PHOTOMETRIC_MINISBLACK || s_.photometric == PHOTOMETRIC_RGB)) {
      const bool rgb = s_.colours == 3;
      const uint8_t *red = rows[0], *green = rows[rgb ? 1 : 0], *blue = rows[rgb ? 2 : 0];
      const uint8_t* alpha = s_.alpha ? rows[s_.colours] : nullptr;
      for (uint32_t i = 0; i < n; ++i, out += step_) {
        out[0] = blue[i];
        out[1] = green[i];
        out[2] = red[i];
        out[3] = alpha ? alpha[i] : 255;
      }
      return;
    }
    switch (bits_) {
      case 8:
        return PutEach<8>(n, rows, out);
      case 16:
        return PutEach<16>(n, rows, out);
      default:
        return PutEach<0>(n, rows, out);
    }
  }

 private:
  template <int kBits>
  void PutEach(uint32_t n, const uint8_t* const* rows, uint8_t* out) const {
    uint32_t v[kMostSamples];
    const bool planar = per_plane_ == 1 && s_.count > 1;
    for (uint32_t i = 0; i < n; ++i, out += step_) {
      for (uint16_t c = 0; c < s_.count; ++c) {
        v[c] = planar ? Sample<kBits>(rows[c], i) : Sample<kBits>(rows[0], uint64_t{i} * per_plane_ + c);
      }
      PutPixel(v, out);
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
    if (s_.associated && !lab_) {
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
      case PHOTOMETRIC_CIELAB:
      case PHOTOMETRIC_ICCLAB:
        lab_->Put(v, out);
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
  Placement place_;
  int64_t step_;
  std::unique_ptr<LabToSrgb> lab_;
};

// Rows of a plane's strips (or of the interleaved samples' strips) through one handle, each
// decoded by libtiff from where it stands: on from the row it gave last, or else from the first
// row of the strip (a strip begun anew). Each row decoded is spent from the budget.
class RowReader {
 public:
  RowReader(TIFF* t, uint16_t plane, uint32_t rows_per_strip)
      : t_(t), plane_(plane), rows_per_strip_(rows_per_strip), line_(static_cast<uint64_t>(TIFFScanlineSize64(t))) {}
  uint64_t line() const { return line_; }
  bool Read(uint8_t* into, uint32_t y) {
    const uint32_t top = y - y % rows_per_strip_;
    const bool on = next_ > top && next_ <= y && next_ != 0;  // inside the strip, at or before y
    const uint64_t rows = y - (on ? next_ : top) + 1;
    if (!Spend(rows * line_ * kUnitsPerDecodedByte + (on ? 0 : kUnitsPerStrile))) return false;
    next_ = y + 1;
    return TIFFReadScanline(t_, into, y, plane_) >= 0;
  }

 private:
  TIFF* t_;
  uint16_t plane_;
  uint32_t rows_per_strip_;
  uint64_t line_;
  uint32_t next_ = 0;  // the row after the last one read, 0 before any
};

// A tile seen as a picture of one strip that libtiff reads a row at a time: a file of the tile's
// sides, samples and coding whose one strip is the tile's coded bytes where they lie. Its header
// goes over the file's first eight bytes and its directory after the file's end. Codings that
// need no fields beyond these are seen so.
class TileView {
 public:
  static bool Codes(uint16_t compression) {
    switch (compression) {
      case COMPRESSION_NONE:
      case COMPRESSION_LZW:
      case COMPRESSION_ADOBE_DEFLATE:
      case COMPRESSION_DEFLATE:
      case COMPRESSION_PACKBITS:
      case COMPRESSION_CCITTRLE:
      case COMPRESSION_CCITTRLEW:
      case COMPRESSION_CCITTFAX3:
      case COMPRESSION_CCITTFAX4:
      case COMPRESSION_LZMA:
      case COMPRESSION_ZSTD:
        return true;
      default:
        return false;
    }
  }

  // The view of tile `index` (samples of `samples` a pixel), or false when its bytes do not lie
  // inside the file.
  bool Make(TIFF* t, const TiffSamples& s, uint32_t index, uint32_t tile_width, uint32_t tile_height,
            uint16_t samples, uint64_t file_size) {
    const uint64_t at = TIFFGetStrileOffset(t, index), count = TIFFGetStrileByteCount(t, index);
    if (at > file_size || count > file_size - at || at + count > UINT32_MAX || file_size > UINT32_MAX - 4096) {
      return false;
    }
    big_ = TIFFIsBigEndian(t);
    uint16_t fill = FILLORDER_MSB2LSB, predictor = 0;
    uint32_t fax = 0;
    TIFFGetFieldDefaulted(t, TIFFTAG_FILLORDER, &fill);
    const bool has_predictor = TIFFGetField(t, TIFFTAG_PREDICTOR, &predictor) && predictor != PREDICTOR_NONE;
    const uint32_t fax_tag = s.compression == COMPRESSION_CCITTFAX3   ? TIFFTAG_GROUP3OPTIONS
                             : s.compression == COMPRESSION_CCITTFAX4 ? TIFFTAG_GROUP4OPTIONS
                                                                      : 0;
    const bool has_fax = fax_tag != 0 && TIFFGetField(t, fax_tag, &fax);
    const uint32_t directory = static_cast<uint32_t>(file_size + (file_size & 1));
    // The directory's entries, then the per-sample values that do not fit in one.
    struct Entry {
      uint16_t tag, type;
      uint32_t count, value;
    };
    const uint32_t per_sample = samples > 2 ? 1 : 0;  // values after the entries
    std::vector<Entry> entries = {
        {TIFFTAG_IMAGEWIDTH, TIFF_LONG, 1, tile_width},
        {TIFFTAG_IMAGELENGTH, TIFF_LONG, 1, tile_height},
        {TIFFTAG_BITSPERSAMPLE, TIFF_SHORT, samples, s.bits},
        {TIFFTAG_COMPRESSION, TIFF_SHORT, 1, s.compression},
        {TIFFTAG_PHOTOMETRIC, TIFF_SHORT, 1, PHOTOMETRIC_MINISBLACK},
        {TIFFTAG_FILLORDER, TIFF_SHORT, 1, fill},
        {TIFFTAG_STRIPOFFSETS, TIFF_LONG, 1, static_cast<uint32_t>(at)},
        {TIFFTAG_SAMPLESPERPIXEL, TIFF_SHORT, 1, samples},
        {TIFFTAG_ROWSPERSTRIP, TIFF_LONG, 1, tile_height},
        {TIFFTAG_STRIPBYTECOUNTS, TIFF_LONG, 1, static_cast<uint32_t>(count)},
        {TIFFTAG_PLANARCONFIG, TIFF_SHORT, 1, PLANARCONFIG_CONTIG},
    };
    if (has_fax) entries.push_back({static_cast<uint16_t>(fax_tag), TIFF_LONG, 1, fax});
    if (has_predictor) entries.push_back({TIFFTAG_PREDICTOR, TIFF_SHORT, 1, predictor});
    entries.push_back({TIFFTAG_SAMPLEFORMAT, TIFF_SHORT, samples, s.format});
    tail_.clear();
    if (directory > file_size) tail_.push_back(0);
    const uint32_t values = directory + 2 + 12 * static_cast<uint32_t>(entries.size()) + 4;
    uint32_t next_value = values;
    Put16(static_cast<uint16_t>(entries.size()));
    std::vector<uint16_t> after;
    for (const Entry& e : entries) {
      Put16(e.tag);
      Put16(e.type);
      Put32(e.count);
      if (e.count > 1 && per_sample) {  // a short a sample, where the values follow
        Put32(next_value);
        next_value += 2 * e.count;
        after.insert(after.end(), e.count, static_cast<uint16_t>(e.value));
      } else if (e.type == TIFF_SHORT) {
        Put16(static_cast<uint16_t>(e.value));
        Put16(e.count > 1 ? static_cast<uint16_t>(e.value) : 0);
      } else {
        Put32(e.value);
      }
    }
    Put32(0);  // no next directory
    for (uint16_t v : after) Put16(v);
    const uint8_t little[8] = {'I', 'I', 42, 0}, big[8] = {'M', 'M', 0, 42};
    std::memcpy(head_, big_ ? big : little, 4);
    for (int i = 0; i < 4; ++i) head_[4 + i] = static_cast<uint8_t>(big_ ? directory >> (24 - 8 * i) : directory >> (8 * i));
    return true;
  }

  TiffSource Source(const uint8_t* data, uint64_t size) const {
    TiffSource source{data, size};
    source.head = head_;
    source.tail = &tail_;
    return source;
  }

 private:
  void Put16(uint16_t v) {
    tail_.push_back(static_cast<uint8_t>(big_ ? v >> 8 : v));
    tail_.push_back(static_cast<uint8_t>(big_ ? v : v >> 8));
  }
  void Put32(uint32_t v) {
    Put16(static_cast<uint16_t>(big_ ? v >> 16 : v));
    Put16(static_cast<uint16_t>(big_ ? v : v >> 16));
  }

  bool big_ = false;
  uint8_t head_[8] = {};
  std::vector<uint8_t> tail_;
};

// What reads the strips or tiles of one picture into its frame.
struct Reader {
  Handle& main;
  const TiffSamples& s;
  uint8_t* frame;
  uint64_t allowed;  // bytes of samples beside the frame
  std::string reason;

  TIFF* t() const { return main.tiff.get(); }
  uint16_t Planes() const { return s.planar == PLANARCONFIG_SEPARATE ? s.count : 1; }
  bool Fail(const Handle& handle, const char* otherwise) {
    reason = BudgetProblem(handle.Message(otherwise));
    return false;
  }
  uint32_t RowsPerStrip() const {
    uint32_t rows = s.height;
    TIFFGetFieldDefaulted(t(), TIFFTAG_ROWSPERSTRIP, &rows);
    return std::clamp<uint32_t>(rows, 1, s.height);
  }

  // Strips, row by row: interleaved samples through the file's handle; separate planes each
  // through a handle of its own, so that libtiff decodes each plane's strips in order, once.
  bool Strips() {
    const uint16_t planes = Planes();
    std::vector<std::unique_ptr<Handle>> others;
    std::vector<RowReader> readers;
    std::vector<Buffer> rows(planes);
    const uint8_t* at[kMostSamples] = {};
    for (uint16_t p = 0; p < planes; ++p) {
      Handle* handle = &main;
      if (p > 0) {
        others.push_back(std::make_unique<Handle>());
        if (!others.back()->Open(TiffSource{main.source->data, main.source->size}, &reason)) return false;
        handle = others.back().get();
      }
      readers.emplace_back(handle->tiff.get(), p, RowsPerStrip());
      if (!rows[p].Reserve(readers[p].line())) return Fail(*handle, "out of memory");
      at[p] = rows[p].data();
    }
    const PixelWriter writer(s, s.bits, frame);
    for (uint32_t y = 0; y < s.height; ++y) {
      for (uint16_t p = 0; p < planes; ++p) {
        if (!readers[p].Read(rows[p].data(), y)) return Fail(p == 0 ? main : *others[p - 1], "unreadable picture");
      }
      if (!Spend(uint64_t{s.width} * kUnitsPerPixel)) return Fail(main, "");
      writer.Put(0, y, s.width, at);
    }
    return true;
  }

  // Tiles, each decoded whole (every plane of it) and cut at the picture's edges.
  bool Tiles(uint32_t tile_width, uint32_t tile_height) {
    const tmsize_t tile_bytes = TIFFTileSize(t()), line = TIFFTileRowSize(t());
    std::vector<Buffer> planes(Planes());
    for (Buffer& plane : planes) {
      if (!plane.Reserve(static_cast<uint64_t>(tile_bytes))) return Fail(main, "out of memory");
    }
    const PixelWriter writer(s, s.bits, frame);
    const uint8_t* rows[kMostSamples] = {};
    for (uint32_t top = 0; top < s.height; top += tile_height) {
      for (uint32_t left = 0; left < s.width; left += tile_width) {
        const uint32_t across = std::min(tile_width, s.width - left), down = std::min(tile_height, s.height - top);
        const uint64_t work = (static_cast<uint64_t>(tile_bytes) * kUnitsPerDecodedByte + kUnitsPerStrile) * Planes() +
                              uint64_t{across} * down * kUnitsPerPixel;
        if (!Spend(work)) return Fail(main, "");
        for (uint16_t p = 0; p < Planes(); ++p) {
          if (TIFFReadEncodedTile(t(), TIFFComputeTile(t(), left, top, 0, p), planes[p].data(), tile_bytes) < 0) {
            return Fail(main, "unreadable picture");
          }
        }
        for (uint32_t r = 0; r < down; ++r) {
          for (uint16_t p = 0; p < Planes(); ++p) rows[p] = planes[p].data() + size_t{r} * line;
          writer.Put(left, top + r, across, rows);
        }
      }
    }
    return true;
  }

  // Tiles too large to hold beside the picture, each read a row at a time (every plane of it),
  // each through a view of it of its own: rows below the picture's edge are not decoded.
  bool TileRows(uint32_t tile_width, uint32_t tile_height) {
    const PixelWriter writer(s, s.bits, frame);
    const uint16_t planes = Planes(), samples = planes == 1 ? s.count : 1;
    const uint32_t per_plane = TIFFNumberOfTiles(t()) / planes;
    for (uint32_t top = 0; top < s.height; top += tile_height) {
      for (uint32_t left = 0; left < s.width; left += tile_width) {
        const uint32_t across = std::min(tile_width, s.width - left), down = std::min(tile_height, s.height - top);
        std::vector<TileView> views(planes);
        std::vector<std::unique_ptr<Handle>> handles;
        std::vector<RowReader> readers;
        std::vector<Buffer> rows(planes);
        const uint8_t* at[kMostSamples] = {};
        for (uint16_t p = 0; p < planes; ++p) {
          const uint32_t index = TIFFComputeTile(t(), left, top, 0, p);
          if (index >= per_plane * planes ||
              !views[p].Make(t(), s, index, tile_width, tile_height, samples, main.source->size)) {
            reason = "a tile past the end of the file";
            return false;
          }
          handles.push_back(std::make_unique<Handle>());
          Handle& view = *handles.back();
          if (!view.Open(views[p].Source(main.source->data, main.source->size), &reason)) return false;
          // Not mapped, libtiff reads the tile's coded bytes into a buffer of its own.
          if (!view.held.Take(TIFFGetStrileByteCount(t(), index))) return Fail(view, "out of memory");
          readers.emplace_back(view.tiff.get(), 0, tile_height);
          if (!rows[p].Reserve(readers[p].line())) return Fail(view, "out of memory");
          at[p] = rows[p].data();
        }
        for (uint32_t r = 0; r < down; ++r) {
          for (uint16_t p = 0; p < planes; ++p) {
            if (!readers[p].Read(rows[p].data(), r)) return Fail(*handles[p], "unreadable picture");
          }
          if (!Spend(uint64_t{across} * kUnitsPerPixel)) return Fail(main, "");
          writer.Put(left, top + r, across, at);
        }
      }
    }
    return true;
  }

  bool Jpeg(uint32_t tile_width, uint32_t tile_height, bool count);
};

uint32_t RoundUp(uint32_t value, uint32_t step) {
  return static_cast<uint32_t>(std::min<uint64_t>((uint64_t{value} + step - 1) / step * step, UINT32_MAX));
}

// Why a stream's frame is not its strip's or tile's (components: 0 when not yet known).
std::string SegmentMismatch(uint64_t width, uint64_t height, int components, uint32_t segment_width,
                            uint32_t segment_height, int segment_components) {
  const auto of = [](int n) { return n ? " of " + std::to_string(n) + " components" : std::string(); };
  return "a JPEG stream of " + std::to_string(width) + " x " + std::to_string(height) + of(components) +
         " where the file's strip or tile is " + std::to_string(segment_width) + " x " +
         std::to_string(segment_height) + of(components ? segment_components : 0);
}

// The rows of one JPEG strip or tile, put into the picture as they come (interleaved samples),
// or kept for the other planes of the same place (separate planes).
class SegmentRows : public JpegRowSink {
 public:
  SegmentRows(const PixelWriter& writer, uint32_t width, int components, std::vector<uint8_t>* plane)
      : writer_(writer), width_(width), components_(components), plane_(plane) {}
  // Where the stream lies: its rows to decode (of at most `tallest`), and of them those inside
  // the picture.
  void Place(uint32_t left, uint32_t top, uint32_t across, uint32_t down, uint32_t tallest, uint32_t shown) {
    left_ = left;
    top_ = top;
    across_ = across;
    down_ = down;
    tallest_ = tallest;
    shown_ = shown;
  }
  uint32_t Start(uint32_t width, uint32_t height, int components, bool, bool) override {
    if (width != width_ || height < down_ || height > tallest_ || components != components_) {
      refusal = SegmentMismatch(width, height, components, width_, down_, components_);
      return 0;
    }
    if (!plane_) {
      if (!held_.Take(uint64_t{width} * components)) {
        refusal = BudgetProblem("out of memory");
        return 0;
      }
      row_.resize(size_t{width} * components);
    }
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
  Held held_;
  uint32_t left_ = 0, top_ = 0, across_ = 0, down_ = 0, tallest_ = 0, shown_ = 0;
};

// JPEG strips or tiles (tile_width 0 for strips): each stream decoded where it lies, after the
// file's tables. First (`count`) every stream's cost is counted from its headers, before the
// picture is allocated: each stream's frame is its strip's or tile's (as tall as the rows it
// must give, or as the strip or tile rounded up to whole MCUs at most: a last strip may be coded
// at full height), each is held to a .jpg's bounds, and their scans and own costs together
// are held to what the picture's own blocks allow; then the picture's budget is told what they
// keep beside it.
bool Reader::Jpeg(uint32_t tile_width, uint32_t tile_height, bool count) {
  if (s.bits != 8) return Fail(main, "JPEG of samples other than 8 bits");
  const uint8_t* tables = nullptr;
  uint32_t tables_size = 0;
  void* tables_field = nullptr;
  if (TIFFGetField(t(), TIFFTAG_JPEGTABLES, &tables_size, &tables_field) && tables_field) {
    tables = static_cast<const uint8_t*>(tables_field);
  } else {
    tables_size = 0;
  }
  const uint32_t rows_per_strip = tile_width ? s.height : RowsPerStrip();
  const uint32_t step_x = tile_width ? tile_width : s.width, step_y = tile_width ? tile_height : rows_per_strip;
  const uint32_t across_count = (s.width - 1) / step_x + 1, down_count = (s.height - 1) / step_y + 1;
  const uint32_t per_plane = across_count * down_count;
  const bool planar = s.planar == PLANARCONFIG_SEPARATE && s.count > 1;
  const int components = planar ? 1 : s.photometric == PHOTOMETRIC_YCBCR ? 3 : s.count;
  const JpegSamples samples = s.photometric == PHOTOMETRIC_YCBCR ? JpegSamples::kYCbCrAsRgb : JpegSamples::kAsStored;
  const uint64_t frame_bytes = uint64_t{s.width} * s.height * 4;
  // The picture's own blocks, every component at full size.
  const uint64_t blocks = uint64_t{(s.width + 7) / 8} * ((s.height + 7) / 8) * (planar ? s.count : components);
  std::vector<Buffer> planes(planar && !count ? s.count : 0);
  for (Buffer& plane : planes) {
    if (!plane.Reserve(uint64_t{step_x} * step_y, allowed / s.count)) {
      reason = BudgetProblem("its JPEG strips or tiles are larger than a picture may keep beside it");
      return false;
    }
  }
  const uint64_t kept_beside =
      frame_bytes + uint64_t{step_x} * step_y * (planar ? s.count : 0) + uint64_t{step_x} * components;
  const PixelWriter writer(s, 8, frame);
  const uint32_t streams = tile_width ? TIFFNumberOfTiles(t()) : TIFFNumberOfStrips(t());
  uint64_t work = 0, most_coefficients = 0;
  uint64_t last_at = UINT64_MAX, last_size = 0;
  JpegCost cost;
  for (uint32_t place = 0; place < per_plane; ++place) {
    const uint32_t left = place % across_count * step_x, top = place / across_count * step_y;
    const uint32_t across = std::min(step_x, s.width - left), shown = std::min(step_y, s.height - top);
    // A tile is coded whole; a strip at least as far as the picture goes.
    const uint32_t down = tile_width ? step_y : shown;
    for (uint16_t p = 0; p < (planar ? s.count : 1); ++p) {
      const uint32_t index = p * per_plane + place;
      // The stream where it lies in the file.
      const uint64_t at = index < streams ? TIFFGetStrileOffset(t(), index) : 0;
      const uint64_t stored = index < streams ? TIFFGetStrileByteCount(t(), index) : 0;
      if (index >= streams || at > main.source->size || stored > main.source->size - at) {
        reason = "a JPEG strip or tile past the end of the file";
        return false;
      }
      const uint8_t* raw = main.source->data + at;
      const size_t got = static_cast<size_t>(stored);
      if (count) {
        // Streams shared by strips one after the other (as blank tiles may be) are read once.
        if (at != last_at || stored != last_size) {
          if (!Spend(stored)) return Fail(main, "");
          cost = CountJpegCost(raw, got);
          last_at = at;
          last_size = stored;
        }
        const uint32_t tallest = RoundUp(step_y, cost.mcu_height);
        if (cost.claim.width != step_x || cost.claim.height < down || cost.claim.height > tallest) {
          reason = "JPEG: " + SegmentMismatch(cost.claim.width, cost.claim.height, 0, step_x, down, 0);
          return false;
        }
        if (const char* problem = JpegFileProblem(cost)) {  // the claim's reasons, or the cost's (named JPEG)
          reason = std::strncmp(problem, "JPEG: ", 6) == 0 ? problem : std::string("JPEG: ") + problem;
          return false;
        }
        work += cost.work + kJpegStreamCost;
        most_coefficients = std::max(most_coefficients, cost.coefficient_bytes);
        if (const char* problem = JpegCostProblem(work, blocks, kept_beside + most_coefficients)) {
          reason = problem;
          return false;
        }
        continue;
      }
      SegmentRows rows(writer, step_x, components, planar ? &planes[p].bytes : nullptr);
      rows.Place(left, top, across, down, RoundUp(step_y, 32), shown);
      const uint64_t memory = kMaxJpegDecodeBytes + kJpegRowBytes - std::min(kept_beside, kMaxJpegDecodeBytes);
      std::string why;
      if (!DecodeJpegRows(tables, tables_size, raw, got, samples, memory, &rows, &why)) {
        reason = "JPEG: " + why;
        return false;
      }
    }
    if (planar && !count) {
      const uint8_t* rows[kMostSamples] = {};
      for (uint32_t r = 0; r < shown; ++r) {
        for (uint16_t p = 0; p < s.count; ++p) rows[p] = planes[p].data() + size_t{r} * step_x;
        writer.Put(left, top + r, across, rows);
      }
    }
  }
  if (count) {
    if (DecodeBudget* budget = CurrentDecodeBudget()) budget->SetClaim(frame_bytes, kept_beside - frame_bytes + most_coefficients);
  }
  return true;
}

// Moves the words of a raster in the file's order of pixels to where the orientation puts them,
// in place: each cycle of the move followed once (a bit a pixel marks those moved).
bool Orient(uint32_t* words, const Placement& place) {
  const uint64_t pixels = uint64_t{place.width} * place.height;
  if (!place.flip_x && !place.flip_y && !place.turned) return true;
  Buffer moved;
  if (!moved.Reserve((pixels + 7) / 8) || !Spend(pixels * kUnitsPerPixel)) return false;
  for (uint64_t start = 0; start < pixels; ++start) {
    if (moved.bytes[start >> 3] & (1 << (start & 7))) continue;
    uint64_t from = start;
    uint32_t carried = words[start];
    do {
      const uint64_t to = place.At(static_cast<uint32_t>(from % place.width), static_cast<uint32_t>(from / place.width));
      std::swap(carried, words[to]);
      moved.bytes[to >> 3] |= static_cast<uint8_t>(1 << (to & 7));
      from = to;
    } while (from != start);
  }
  return true;
}

// libtiff's RGBA interface, into the picture's own memory: a word a pixel, red in the low byte,
// in the file's order of pixels, then turned as the orientation says. The strip or tile buffers
// it allocates, and its work, are drawn from the budget first.
bool ReadRgba(TIFF* t, const TiffSamples& s, uint16_t* extra, PictureFrame* frame, bool* alpha, std::string* why) {
  // libtiff is told every alpha is associated, so that it passes every sample through.
  if (s.extra >= 1 && extra && !s.associated) {
    std::vector<uint16_t> named(extra, extra + s.extra);
    named[0] = EXTRASAMPLE_ASSOCALPHA;
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, s.extra, named.data());
  }
  char message[1024] = {};
  if (!TIFFRGBAImageOK(t, message)) {
    *why = message[0] ? message : "a kind of TIFF not read";
    return false;
  }
  // A strip (as many of its rows as the picture has) or a tile of every plane at once.
  const uint64_t planes = s.planar == PLANARCONFIG_SEPARATE ? s.count : 1;
  const uint64_t pixels = uint64_t{s.width} * s.height;
  uint64_t buffer = 0, decoded = 0;
  if (TIFFIsTiled(t)) {
    buffer = static_cast<uint64_t>(TIFFTileSize64(t)) * planes;
    decoded = SaturatingProduct(buffer, TIFFNumberOfTiles(t) / std::max<uint64_t>(planes, 1));
  } else {
    uint32_t rows = s.height;
    TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &rows);
    rows = std::clamp<uint32_t>(rows, 1, s.height);
    buffer = static_cast<uint64_t>(TIFFVStripSize64(t, rows)) * planes;
    decoded = static_cast<uint64_t>(TIFFVStripSize64(t, s.height)) * planes;
  }
  Held held;
  if (!held.Take(buffer) ||
      !Spend(decoded * kUnitsPerDecodedByte + (decoded / std::max<uint64_t>(buffer, 1) + 1) * kUnitsPerStrile +
             pixels * kUnitsPerPixel)) {
    *why = BudgetProblem("out of memory");
    return false;
  }
  TIFFRGBAImage image;
  if (!TIFFRGBAImageBegin(&image, t, 0, message)) {
    *why = message[0] ? message : "unreadable file";
    return false;
  }
  image.req_orientation = image.orientation;  // the rows as they are stored, turned below
  *alpha = image.alpha != 0;
  auto* raster = reinterpret_cast<uint32_t*>(frame->pixels.data());  // operator new's alignment
  const int got = TIFFRGBAImageGet(&image, raster, s.width, s.height);
  TIFFRGBAImageEnd(&image);
  if (!got) {
    *why = "";
    return false;
  }
  for (size_t i = 0; i < pixels; ++i) {
    uint8_t* p = &frame->pixels[i * 4];
    uint32_t word;
    std::memcpy(&word, p, 4);
    const uint32_t a = *alpha ? TIFFGetA(word) : 255;
    const uint32_t rgb[3] = {TIFFGetR(word), TIFFGetG(word), TIFFGetB(word)};
    for (int c = 0; c < 3; ++c) p[2 - c] = static_cast<uint8_t>(s.associated ? Straight(rgb[c], a, 255) : rgb[c]);
    p[3] = static_cast<uint8_t>(a);
  }
  if (!Orient(raster, Placement(s))) {
    *why = BudgetProblem("out of memory");
    return false;
  }
  return true;
}

}  // namespace

bool DecodeTiff(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error) {
  Handle main;
  std::string why;
  if (!main.Open(TiffSource{data, size}, &why)) return Refuse(error, why);
  TIFF* t = main.tiff.get();

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
  // libtiff names every sample past the photometric's colours an extra one (unspecified) when the
  // file names fewer, so a fourth sample of colour is an extra one here too.
  s.associated = s.extra >= 1 && extra && extra[0] == EXTRASAMPLE_ASSOCALPHA;
  s.alpha = s.extra >= 1;
  s.colours = s.photometric == PHOTOMETRIC_RGB || s.photometric == PHOTOMETRIC_YCBCR || IsLab(s.photometric) ? 3
              : s.photometric == PHOTOMETRIC_SEPARATED                                                      ? 4
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
  float* white = nullptr;
  if (IsLab(s.photometric) && TIFFGetField(t, TIFFTAG_WHITEPOINT, &white)) s.white = white;

  Reader reader{main, s, nullptr, std::max(kLeastBlockBytes, frame_bytes / 5), {}};
  const bool read_here = ReadHere(s);
  if (s.compression == COMPRESSION_JPEG) {
    if (!read_here) return Refuse(error, "a JPEG-compressed TIFF of a kind not read");
    if (!reader.Jpeg(tile_width, tile_height, true)) return Refuse(error, reader.reason);
  }
  PictureFrame frame;
  Held frame_held;
  if (!frame_held.Take(frame_bytes)) return Refuse(error, BudgetProblem("out of memory"));
  try {
    frame.pixels.assign(static_cast<size_t>(frame_bytes), 0);
  } catch (const std::bad_alloc&) {
    return Refuse(error, "out of memory");
  }
  reader.frame = frame.pixels.data();
  bool alpha = s.alpha;
  bool read = false;
  if (s.compression == COMPRESSION_JPEG) {
    read = reader.Jpeg(tile_width, tile_height, false);
  } else if (read_here && tile_width != 0) {
    // A plane's tile may take its share of what is kept beside the picture.
    if (static_cast<uint64_t>(TIFFTileSize64(t)) <= reader.allowed / reader.Planes()) {
      read = reader.Tiles(tile_width, tile_height);
    } else if (TileView::Codes(s.compression)) {
      read = reader.TileRows(tile_width, tile_height);
    } else {
      reader.reason = "its tiles are larger than a picture may keep beside it";
    }
  } else if (read_here) {
    read = reader.Strips();
  } else {
    read = ReadRgba(t, s, extra, &frame, &alpha, &reader.reason);
    if (!read && reader.reason.empty()) reader.reason = BudgetProblem(main.Message("unreadable picture"));
  }
  if (!read) return Refuse(error, reader.reason);

  const Placement place(s);
  DecodedPicture result;
  result.width = static_cast<int>(place.ShownWidth());
  result.height = static_cast<int>(place.ShownHeight());
  result.alpha_valid = alpha;
  result.frames.push_back(std::move(frame));
  *out = std::move(result);
  return true;
}

}  // namespace platform::picture_formats
