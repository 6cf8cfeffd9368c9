// TIFF through libtiff, the first picture of the file, top row first: blue, green, red and
// straight alpha. An extra sample is alpha whatever it is named (unassociated, associated or
// unspecified), and so is a fourth sample of colour without one. Associated (premultiplied)
// alpha is divided out of the colours, rounded to the nearest, at the samples' own depth.
//   Grey and colour of 8 or 16 bits a sample in strips of whole pixels (what picture tools
//     write) are read row by row here, their 16-bit samples scaled to 8 bits rounded.
//   The rest go through libtiff's RGBA interface, which multiplies unassociated alpha into the
//     colours and passes associated alpha through: every alpha is named associated before it
//     reads them, so that their samples pass through untouched, and associated alpha is divided
//     out afterwards.
// libtiff's errors become the reason a picture is refused; its warnings are dropped, and none
// goes to the standard error. Each block libtiff allocates stays within the largest picture
// decoded; pixels of more samples than pictures have, and tiles far larger than the picture,
// are refused before one is read.
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
// A row read here is a plain row of samples of at most this many bytes (wider ones are left to
// libtiff, whose blocks are held to the largest picture).
constexpr tmsize_t kMostRowBytes = 16 << 20;

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
uint8_t To8(uint32_t sample, uint16_t bits) {
  return static_cast<uint8_t>(bits == 16 ? (sample * 255 + 32895) >> 16 : sample);
}

// What the file's directory says of its samples.
struct TiffSamples {
  uint16_t bits = 0, count = 0, extra = 0, photometric = 0, planar = 0, format = 0, orientation = 0;
  bool alpha = false;       // an extra sample, or a fourth of colour, is the alpha
  bool associated = false;  // premultiplied
};

// Reads grey or colour of 8 or 16 bits in strips of whole pixels row by row into blue, green,
// red, alpha; false (nothing read) for files of other layouts.
bool ReadRows(TIFF* t, const TiffSamples& s, uint32_t width, uint32_t height, std::vector<uint8_t>* pixels,
              bool* failed) {
  const bool grey = s.photometric == PHOTOMETRIC_MINISBLACK;
  const uint16_t colours = grey ? 1 : 3;
  if (TIFFIsTiled(t) || (s.bits != 8 && s.bits != 16) || s.planar != PLANARCONFIG_CONTIG ||
      s.format != SAMPLEFORMAT_UINT || s.orientation != ORIENTATION_TOPLEFT ||
      !(grey || s.photometric == PHOTOMETRIC_RGB) || s.count < colours || (s.alpha && s.count < colours + 1)) {
    return false;
  }
  const tmsize_t line = TIFFScanlineSize(t);
  if (line < static_cast<tmsize_t>(uint64_t{width} * s.count * s.bits / 8) || line > kMostRowBytes) return false;
  std::vector<uint8_t> row(static_cast<size_t>(line));
  const uint32_t most = s.bits == 16 ? 65535 : 255;
  pixels->resize(size_t{width} * height * 4);
  for (uint32_t y = 0; y < height; ++y) {
    if (TIFFReadScanline(t, row.data(), y, 0) < 0) {
      *failed = true;
      return true;
    }
    auto sample = [&](size_t i) -> uint32_t {
      if (s.bits == 8) return row[i];
      uint16_t v;
      std::memcpy(&v, &row[i * 2], 2);  // libtiff gives samples in the machine's order
      return v;
    };
    uint8_t* out = &(*pixels)[size_t{y} * width * 4];
    for (uint32_t x = 0; x < width; ++x, out += 4) {
      const size_t at = size_t{x} * s.count;
      const uint32_t a = s.alpha ? sample(at + colours) : most;
      for (int c = 0; c < 3; ++c) {
        uint32_t v = sample(at + (grey ? 0 : c));
        if (s.associated) v = Straight(v, a, most);
        out[2 - c] = To8(v, s.bits);
      }
      out[3] = To8(a, s.bits);
    }
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
  // "m": no mapping, libtiff reads through ReadTiffBytes and never sees the caller's bytes.
  std::unique_ptr<TIFF, TiffCloser> tiff(TIFFClientOpenExt("picture", "rm", &source, ReadTiffBytes, WriteNoTiffBytes,
                                                           SeekTiff, CloseTiff, TiffSize, nullptr, nullptr,
                                                           options.get()));
  auto reason = [&](const char* otherwise) { return source.message[0] ? source.message : otherwise; };
  if (!tiff) return Refuse(error, reason("unreadable file"));
  TIFF* t = tiff.get();

  uint32_t width = 0, height = 0;
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &height);
  if (width == 0 || height == 0) return Refuse(error, "empty picture");
  if (uint64_t{width} * height * 4 > kMaxDecodedPictureBytes) return Refuse(error, "picture too large");
  if (TIFFIsTiled(t)) {
    uint32_t tile_width = 0, tile_height = 0;
    TIFFGetField(t, TIFFTAG_TILEWIDTH, &tile_width);
    TIFFGetField(t, TIFFTAG_TILELENGTH, &tile_height);
    const uint64_t tile = uint64_t{tile_width} * tile_height;
    if (tile > std::max(uint64_t{width} * height * kTileTimesPicture, kPixelsAnyPictureMayClaim)) {
      return Refuse(error, "its tiles are far larger than the picture");
    }
  }

  TiffSamples s;
  uint16_t* extra = nullptr;
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &s.bits);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &s.count);
  TIFFGetFieldDefaulted(t, TIFFTAG_EXTRASAMPLES, &s.extra, &extra);
  TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &s.planar);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &s.format);
  TIFFGetFieldDefaulted(t, TIFFTAG_ORIENTATION, &s.orientation);
  TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &s.photometric);
  // libtiff's buffers hold strips or tiles of the file's samples: pictures have at most a few
  // of at most 16 bits, so they stay within four times the picture decoded.
  if (s.count > kMostSamples || s.bits > 16) {
    return Refuse(error, std::to_string(s.count) + " samples of " + std::to_string(s.bits) +
                             " bits a pixel: more than a picture has");
  }
  s.associated = s.extra >= 1 && extra && extra[0] == EXTRASAMPLE_ASSOCALPHA;
  s.alpha = s.extra >= 1 || (s.count == 4 && s.photometric == PHOTOMETRIC_RGB);

  PictureFrame frame;
  bool failed = false;
  bool alpha = s.alpha;
  if (ReadRows(t, s, width, height, &frame.pixels, &failed)) {
    if (failed) return Refuse(error, reason("unreadable picture"));
  } else {
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
    if (!TIFFRGBAImageOK(t, message)) return Refuse(error, message[0] ? message : "a kind of TIFF not read");
    TIFFRGBAImage image;
    if (!TIFFRGBAImageBegin(&image, t, 0, message)) return Refuse(error, reason(message[0] ? message : "unreadable file"));
    image.req_orientation = ORIENTATION_TOPLEFT;
    alpha = image.alpha != 0;
    std::vector<uint32_t> raster;
    try {
      raster.assign(size_t{width} * height, 0);
    } catch (const std::bad_alloc&) {
      TIFFRGBAImageEnd(&image);
      return Refuse(error, "out of memory");
    }
    const int got = TIFFRGBAImageGet(&image, raster.data(), width, height);
    TIFFRGBAImageEnd(&image);
    if (!got) return Refuse(error, reason("unreadable picture"));
    frame.pixels.resize(raster.size() * 4);
    for (size_t i = 0; i < raster.size(); ++i) {
      const uint32_t word = raster[i];  // red in the low byte, alpha in the high
      const uint32_t a = alpha ? TIFFGetA(word) : 255;
      const uint32_t rgb[3] = {TIFFGetR(word), TIFFGetG(word), TIFFGetB(word)};
      uint8_t* p = &frame.pixels[i * 4];
      for (int c = 0; c < 3; ++c) p[2 - c] = static_cast<uint8_t>(s.associated ? Straight(rgb[c], a, 255) : rgb[c]);
      p[3] = static_cast<uint8_t>(a);
    }
  }

  DecodedPicture result;
  result.width = static_cast<int>(width);
  result.height = static_cast<int>(height);
  result.alpha_valid = alpha;
  result.frames.push_back(std::move(frame));
  *out = std::move(result);
  return true;
}

}  // namespace platform::picture_formats
