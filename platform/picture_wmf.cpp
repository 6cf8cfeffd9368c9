// Windows metafiles through libwmf: the drawing is played onto a true-colour image of libwmf's
// gd device at 96 dots an inch, the size the file's bounding box gives.
//
// libwmf trusts the sizes a file claims: its record buffer takes the header's largest record,
// and the bitmaps inside records are decoded whole at the size their headers give. So before
// libwmf sees the file, every record must lie inside it (CheckRecords) and the bitmaps together
// may hold at most a few canvases' worth of pixels, each no more than its record's bytes hold
// (picture_formats.h): the work stays in proportion to the picture
// it makes. Every block libwmf allocates goes through a counter as well; one decode may hold at
// most kMaxLiveBytes at once, so a made-up size fails like an exhausted heap.
#include <libwmf/api.h>
#include <libwmf/gd.h>
#include <gd.h>  // libwmf/gd/gd.h

#include <cstdlib>
#include <cstring>

#include "platform/picture_formats.h"

namespace platform::picture_formats {
namespace {

constexpr uint64_t kMaxLiveBytes = 2 * kMaxDecodedPictureBytes;
constexpr double kDotsPerInch = 96.0;
// libwmf's gd draws wide pens and dashes pixel by pixel: on a large canvas one record of a few
// bytes can take minutes. Metafiles are drawings for buttons and panels; a side of 2048 pixels
// is plenty, and keeps every record fast.
constexpr unsigned kMaxSide = 2048;
// The pixels of every bitmap inside the records together: four of the largest canvases.
constexpr uint64_t kMaxBitmapPixels = 4ull * kMaxSide * kMaxSide;

struct WmfMemory {
  uint64_t live = 0;
};

// Each block carries its size in front of it, so a realloc or free can count it out again.
constexpr size_t kBlockHeader = 16;

void* Allocate(void* context, size_t size) {
  auto* memory = static_cast<WmfMemory*>(context);
  if (size > kMaxLiveBytes - memory->live) return nullptr;
  auto* block = static_cast<uint8_t*>(std::malloc(size + kBlockHeader));
  if (!block) return nullptr;
  std::memcpy(block, &size, sizeof size);
  memory->live += size;
  return block + kBlockHeader;
}

void Release(void* context, void* p) {
  if (!p) return;
  auto* block = static_cast<uint8_t*>(p) - kBlockHeader;
  size_t size = 0;
  std::memcpy(&size, block, sizeof size);
  static_cast<WmfMemory*>(context)->live -= size;
  std::free(block);
}

void* Reallocate(void* context, void* p, size_t size) {
  if (!p) return Allocate(context, size);
  auto* memory = static_cast<WmfMemory*>(context);
  auto* block = static_cast<uint8_t*>(p) - kBlockHeader;
  size_t old_size = 0;
  std::memcpy(&old_size, block, sizeof old_size);
  if (size > old_size && size - old_size > kMaxLiveBytes - memory->live) return nullptr;
  auto* grown = static_cast<uint8_t*>(std::realloc(block, size + kBlockHeader));
  if (!grown) return nullptr;
  std::memcpy(grown, &size, sizeof size);
  memory->live = memory->live - old_size + size;
  return grown + kBlockHeader;
}

// The gd image libwmf hands over for wmf_gd_image output is the caller's, made with the C
// allocator, and libwmf exports no gdImageDestroy: its true-colour pixels, the scratch arrays
// of polygons and dashed lines, and the image itself are freed here.
void FreeGdImage(void* image) {
  auto* im = static_cast<gdImagePtr>(image);
  if (!im) return;
  std::free(im->_tpixels);
  std::free(im->tpixels);
  std::free(im->polyInts);
  std::free(im->style);
  std::free(im);
}

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableHeaderBytes = 22;
constexpr size_t kHeaderBytes = 18;

// Where the bitmap starts inside the parameters of a record that carries one, or npos. The
// blits carry none when the record is only as long as their fixed words.
size_t BitmapOffset(uint32_t function, uint64_t record_words) {
  switch (function) {
    case 0x0142:  // DIBCREATEPATTERNBRUSH: style, colour use
      return 4;
    case 0x0940:  // DIBBITBLT: raster operation, source corner, size, destination corner
      return record_words == 12 ? std::string::npos : 16;
    case 0x0B41:  // DIBSTRETCHBLT: raster operation, source rectangle, destination rectangle
      return record_words == 14 ? std::string::npos : 20;
    case 0x0D33:  // SETDIBTODEV: colour use, scan lines, source corner, size, destination corner
      return 18;
    case 0x0F43:  // STRETCHDIB: raster operation, colour use, source and destination rectangles
      return 22;
    default:
      return std::string::npos;
  }
}

// Walks the records as libwmf will: each must lie inside the file, the header's largest record
// (which sizes libwmf's buffer) too, and the bitmaps together within kMaxBitmapPixels, each
// within what its record holds.
bool CheckRecords(const uint8_t* data, size_t size, std::string* error) {
  size_t at = Le32(data) == kPlaceableKey ? kPlaceableHeaderBytes : 0;
  if (size < at + kHeaderBytes) {
    *error = "WMF: header cut short";
    return false;
  }
  if (uint64_t{Le32(data + at + 12)} * 2 > size) {
    *error = "WMF: the largest record passes the end of the file";
    return false;
  }
  at += kHeaderBytes;
  uint64_t bitmap_pixels = 0;
  while (size - at >= 6) {
    const uint64_t words = Le32(data + at);
    const uint32_t function = Le16(data + at + 4);
    if (words == 3 && function == 0) break;  // the last record
    if (words < 3 || words > (size - at) / 2) {
      *error = "WMF: a record passes the end of the file";
      return false;
    }
    const size_t bitmap = BitmapOffset(function, words);
    if (bitmap != std::string::npos && bitmap + 6 < words * 2) {
      const PictureClaim claim = BitmapHeaderClaim(data, at + words * 2, at + 6 + bitmap);
      bitmap_pixels += claim.width * claim.height;
      if (bitmap_pixels > kMaxBitmapPixels) {
        *error = "WMF: the bitmaps inside are too large";
        return false;
      }
      if (const char* problem = ClaimProblem(claim)) {
        *error = std::string("WMF: a bitmap inside: ") + problem;
        return false;
      }
    }
    at += words * 2;
  }
  return true;
}

bool Fail(std::string* error, const std::string& reason) {
  if (error) *error = reason;
  return false;
}

}  // namespace

bool LooksLikeWmf(const uint8_t* data, size_t size) {
  if (size >= 4 && Le32(data) == kPlaceableKey) return true;
  // A plain metafile: type 1 (memory) or 2 (disk), a header of 9 words, version 0x100 or 0x300.
  return size >= 18 && (data[0] == 1 || data[0] == 2) && data[1] == 0 && data[2] == 9 && data[3] == 0 &&
         (data[4] == 0 && (data[5] == 1 || data[5] == 3));
}

bool DecodeWmf(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error) {
  if (size > static_cast<size_t>(INT32_MAX)) return Fail(error, "WMF: file too large");
  std::string refused;
  if (!CheckRecords(data, size, &refused)) return Fail(error, refused);
  WmfMemory memory;
  wmfAPI_Options options{};
  options.context = &memory;
  options.malloc = Allocate;
  options.realloc = Reallocate;
  options.free = Release;
  options.function = wmf_gd_function;
  const unsigned long flags =
      WMF_OPT_ALLOC | WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
  wmfAPI* api = nullptr;
  if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
    if (api) wmf_api_destroy(api);
    return Fail(error, "WMF: the reader cannot be started");
  }
  struct Destroy {
    wmfAPI* api;
    ~Destroy() { wmf_api_destroy(api); }
  } destroy{api};

  wmf_gd_t* device = WMF_GD_GetData(api);
  device->type = wmf_gd_image;
  // libwmf only reads the bytes; its input takes them without const.
  if (wmf_mem_open(api, const_cast<unsigned char*>(data), static_cast<long>(size)) != wmf_E_None)
    return Fail(error, "WMF: unreadable file");
  wmfD_Rect bbox{};
  if (wmf_scan(api, 0, &bbox) != wmf_E_None) return Fail(error, "WMF: unreadable file");
  unsigned int width = 0, height = 0;
  if (wmf_display_size(api, &width, &height, kDotsPerInch, kDotsPerInch) != wmf_E_None)
    return Fail(error, "WMF: no size");
  if (width == 0 || height == 0) return Fail(error, "WMF: empty picture");
  // A drawing's size owes nothing to its bytes: kMaxSide bounds what it costs.
  if (width > kMaxSide || height > kMaxSide) return Fail(error, "WMF: picture too large");
  device->bbox = bbox;
  device->width = width;
  device->height = height;
  const wmf_error_t played = wmf_play(api, 0, &bbox);
  struct Image {
    void* gd;
    ~Image() { FreeGdImage(gd); }
  } image{device->gd_image};
  if (played != wmf_E_None || !image.gd) return Fail(error, "WMF: unreadable drawing");
  const int* pixels = wmf_gd_image_pixels(image.gd);
  if (!pixels) return Fail(error, "WMF: nothing drawn");

  DecodedPicture result;
  result.width = static_cast<int>(width);
  result.height = static_cast<int>(height);
  result.bytes_per_pixel = 4;
  result.alpha_valid = true;
  PictureFrame frame;
  frame.pixels.resize(size_t{width} * height * 4);
  for (size_t i = 0; i < size_t{width} * height; ++i) {
    // gd's true-colour words: 7-bit transparency (0 opaque, 127 clear), red, green, blue.
    const auto p = static_cast<uint32_t>(pixels[i]);
    const uint32_t clear = (p >> 24) & 0x7F;
    uint8_t* d = &frame.pixels[i * 4];
    d[0] = static_cast<uint8_t>(p);
    d[1] = static_cast<uint8_t>(p >> 8);
    d[2] = static_cast<uint8_t>(p >> 16);
    d[3] = static_cast<uint8_t>(255 - (clear * 255 + 63) / 127);
  }
  result.frames.push_back(std::move(frame));
  wmf_mem_close(api);
  *out = std::move(result);
  return true;
}

}  // namespace platform::picture_formats
