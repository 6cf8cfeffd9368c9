// The picture readers behind DecodePictureBytes that are not SDL2_image's or giflib's: WBMP,
// TGA, PCX and bitmaps of colour masks (read here), JPEG (libjpeg), PNG (libpng), TIFF (libtiff), MNG
// (libmng) and WMF (libwmf), and the sizes that headers claim.
// Each reader checks every size before it allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/decode_budget.h"
#include "platform/picture_decoder.h"

namespace platform::picture_formats {

// The budget a reader draws on: the decode's that is running on this thread (DecodePictureBytes
// installs one), or, for a reader called on its own, one of the file's size.
class ReaderBudget {
 public:
  explicit ReaderBudget(size_t file_bytes) : own_(DecodeBudget::ForFile(file_bytes)), scope_(&own_) {}
  DecodeBudget* operator->() const { return scope_.budget(); }
  DecodeBudget& operator*() const { return *scope_.budget(); }

 private:
  DecodeBudget own_;
  ScopedDecodeBudget scope_;
};

// Words of a file, little- and big-endian (the caller has checked that they lie inside it).
inline uint32_t Le16(const uint8_t* p) { return p[0] | p[1] << 8; }
inline uint32_t Be16(const uint8_t* p) { return uint32_t{p[0]} << 8 | p[1]; }
inline uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }
inline uint32_t Be32(const uint8_t* p) { return uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// What a picture's bytes can hold. A header may claim any size; the readers allocate the whole
// picture from it before they read a pixel. So a claim is refused unless the file's coded bytes
// could describe that many pixels at the most its coding can expand:
//   deflate (PNG, MNG, TIFF): 1032 bytes out for one in (a 258-byte match in two 1-bit codes);
//   LZW (GIF, TIFF): 2731 (a code of 12 bits gives at most 4096 bytes);
//   run lengths: 128 pixels a TGA packet, 63 bytes a PCX pair, 255 pixels a BMP pair, 128 bytes
//   a TIFF PackBits pair; JPEG: every 8 x 8 block of every component costs at least a bit of
//   scan data (two with Huffman tables, as libjpeg writes a flat picture); uncompressed: all of
//   their bits. Codings with no useful bound (CCITT fax, JBIG, zstd, arithmetic-coded JPEG) are
//   held to deflate's or JPEG's.
inline constexpr uint64_t kDeflateExpansion = 1032;
inline constexpr uint64_t kLzwExpansion = 2731;
// Any picture may claim this many pixels whatever its bytes (a few MiB decoded): honest files
// of the unbounded codings stay readable at that size.
inline constexpr uint64_t kPixelsAnyPictureMayClaim = uint64_t{1} << 20;
// An animation's frames together, each as large as its canvas: small changes on a large canvas
// honestly cost a few bytes a frame, so animations may claim this many (32 MiB decoded).
inline constexpr uint64_t kComposedPixelsAnyAnimationMayClaim = uint64_t{1} << 23;

// The size a header claims (0 x 0 when it claims none the caller could read), and what its
// pixels need of the file against what the file holds, in one unit of the format's choosing
// (bits of pixels against coded bits, pixels against packets x 128...).
struct PictureClaim {
  uint64_t width = 0;
  uint64_t height = 0;
  uint64_t needs = 0;
  uint64_t holds = 0;
  // Why the picture cannot be read for certain (a size field of a type the check does not
  // read, chunks past the end of the file): it is refused.
  const char* unreadable = nullptr;
};
// Why a claimed picture is refused (larger than the largest picture decoded, more than
// `any_file_may_claim` pixels that its bytes could not hold, or a size not read for certain),
// or null when it may be read.
const char* ClaimProblem(const PictureClaim& claim, uint64_t any_file_may_claim = kPixelsAnyPictureMayClaim);
// a x b, or the largest number when that passes it.
inline uint64_t SaturatingProduct(uint64_t a, uint64_t b) {
  return b != 0 && a > UINT64_MAX / b ? UINT64_MAX : a * b;
}

// The size a device-independent bitmap's header at `at` claims: the old core header's 16-bit
// sides, or the signed sides of the later ones (a negative height means top-down rows); its
// pixels are held by the bytes from `at` to `size`.
PictureClaim BitmapHeaderClaim(const uint8_t* data, size_t size, size_t at);
// Where the image lies that SDL2_image decodes of an icon or cursor: that of the first directory
// entry with the most colours (0 counting as 256), of every entry the header counts. SDL reads
// words past the end of the file as zeros and a colour count there as anything; such an entry
// points at offset 0, where no image is, so it is never one a picture is read from.
uint64_t IconImageOffset(const uint8_t* data, size_t size);
// The size claimed by a picture that SDL2_image reads as the type (its type names: "PNG",
// "BMP", "JPG", "TIF", "PCX", "ICO", "CUR", "TGA").
PictureClaim SdlPictureClaim(const std::string& type, const uint8_t* data, size_t size);

// Walks a PNG's chunks after its 8-byte signature as libpng reads them, up to and with IEND:
// visit(at, length) for each (at: its length field; the chunk lies whole inside the file).
// False when a chunk runs past the end of the file, or the file ends, before IEND.
template <typename Visit>
bool WalkPngChunks(const uint8_t* data, size_t size, Visit visit) {
  for (size_t at = 8; at <= size && size - at >= 12;) {
    const size_t length = Be32(data + at);
    if (length > size - at - 12) return false;
    visit(at, length);
    if (std::memcmp(data + at + 4, "IEND", 4) == 0) return true;
    at += 12 + length;
  }
  return false;
}

// A field of `bits` bits (1 to 8) widened to 8 as v x 255 / (2^bits - 1), rounded: the top
// value becomes 255. (Bitmaps repeat the field's bits instead, as ImageMagick reads them: the
// same but for a few values of 5 and 6 bits; 28 of 5 bits is 230 here, 231 repeated.)
inline uint8_t WidenTo8(uint32_t value, uint32_t bits) {
  const uint32_t most = (1u << bits) - 1;
  return static_cast<uint8_t>(((value & most) * 255 + most / 2) / most);
}

// A TGA header that DecodeTga reads (TGA files carry no mark: a file of no other kind is one
// only when its header is): a colour map type of 0 or 1, an image type of colour-mapped
// (8-bit indices, a map of 8- to 32-bit entries), true-colour (15 to 32 bits) or grey pixels (8
// bits, or 16 of grey and alpha), raw or run-length, rows not interleaved.
bool LooksLikeTga(const uint8_t* data, size_t size);

// A PCX header that DecodePcx takes up: its mark, a version of 0 or 2 to 5, raw or run-length
// bytes, 1, 2, 4 or 8 bits a pixel.
bool LooksLikePcx(const uint8_t* data, size_t size);

// The 8-byte signature of an MNG file.
bool LooksLikeMng(const uint8_t* data, size_t size);
// A WMF file: the placeable header's key, or a plain metafile header.
bool LooksLikeWmf(const uint8_t* data, size_t size);

// What libjpeg's decoding of a JPEG costs, counted from the file's headers as libjpeg reads
// them, held to what the largest real files cost (an 8192 x 8192 colour picture, baseline or
// progressive, as cjpeg, jpegtran and ImageMagick write it: about 1.5 s and 690 MB at most).
//
// Time. libjpeg goes over every block of a scan's components, whatever the scan holds: a
// progressive scan can skip thousands of blocks in a few bits (an end-of-band run). Each block
// gone over costs, in units of the cheapest:
//   a sequential scan, a DC scan or a first AC scan: a few nanoseconds (a run counted down);
inline constexpr uint64_t kJpegPassCost = 1;
//   an AC refinement scan (Ah != 0): eight times that, for libjpeg walks every coefficient of the
//   band of every block in a run, looking for those that take a correction bit; and an
//   arithmetic-coded scan of AC coefficients, which may walk the band likewise, each coefficient
//   a decision of next to no bits (at four times that cost again: arithmetic-coded files are the
//   slower to decode anyway, a real one of the largest size taking 2.4 to 3.8 s);
inline constexpr uint64_t kJpegBandWalkCost = 8;
//   and the scans together may cost this many passes over every block of the picture (the
//   progressions of libjpeg and ImageMagick cost 20: four passes and two refinements of luma;
//   arithmetic-coded, 26).
//   A picture of up to the pixels any picture may claim counts as that many pixels of colour.
inline constexpr uint64_t kMaxJpegPasses = 64;
//   Each stream costs besides as much as going over this many blocks: libjpeg setting itself up,
//   reading the stream's tables and headers and giving its memory back (some 2 us, where a block
//   gone over takes some 10 ns). A TIFF whose strips are each a stream pays it for every strip.
inline constexpr uint64_t kJpegStreamCost = 256;
// In units of a decode budget's work (decode_budget.h): a block gone over, by its cost above; a
// sample given out (its share of the inverse transform, upsampling and colour conversion); a
// scan begun (its tables built, its components set up).
inline constexpr uint64_t kJpegUnitsPerPass = 16;
inline constexpr uint64_t kJpegUnitsPerSample = 4;
inline constexpr uint64_t kJpegUnitsPerScan = 4096;
//
// Memory. Beside the picture it gives (BGRA, or CMYK whose inks are then turned into colours
// in place: 4 bytes a pixel), libjpeg keeps the whole picture's coefficients when the file has
// more than one scan (progressive, or a first scan of fewer than all components): 64 of 2 bytes
// a block of every component at its sampling, padded to whole MCUs. Its other buffers hold a
// few rows of each component: well under kJpegRowBytes.
inline constexpr uint64_t kJpegPixelBytes = 4;
inline constexpr uint64_t kJpegBlockBytes = 128;
inline constexpr uint64_t kJpegRowBytes = 16ull << 20;
// At most the largest picture, and the coefficients of the largest colour picture whose colour
// is not subsampled (as ImageMagick writes progressive files at its default quality): 256 +
// 384 MiB. A progressive CMYK picture of 8192 x 8192 (512 MiB of coefficients) is refused.
inline constexpr uint64_t kMaxJpegDecodeBytes =
    kMaxDecodedPictureBytes + 3 * (kMaxDecodedPictureBytes / kJpegPixelBytes / 64) * kJpegBlockBytes;

// What libjpeg spends on one stream: the claim (its sides; its blocks against its scans' bits),
// the blocks it goes over by their cost, and the coefficients it keeps beside its pixels; and
// the sides of its MCUs, in pixels.
struct JpegCost {
  PictureClaim claim;
  uint64_t work = 0;
  uint64_t coefficient_bytes = 0;
  uint32_t mcu_width = 8, mcu_height = 8;
};
JpegCost CountJpegCost(const uint8_t* data, size_t size);
// Why libjpeg may not decode streams that go over `work` blocks by their cost for a picture of
// `blocks` blocks, keeping `kept_bytes` at once (pixels and coefficients), or null.
const char* JpegCostProblem(uint64_t work, uint64_t blocks, uint64_t kept_bytes);
// Why a stream of this cost may not be read as a .jpg (its claim, or its cost alone), or null.
const char* JpegFileProblem(const JpegCost& cost);

// How a JPEG stream's samples are given: as a picture (blue, green, red and alpha, or CMYK for
// inks), as stored (each component a byte, untransformed), or YCbCr turned into red, green, blue.
enum class JpegSamples { kPicture, kAsStored, kYCbCrAsRgb };
// Takes a JPEG stream's rows as libjpeg decodes them.
class JpegRowSink {
 public:
  virtual ~JpegRowSink() = default;
  // The stream's sides and samples a pixel (and whether an Adobe marker inverts its inks, and
  // whether they are inks): the rows to read, or 0 to refuse it for `refusal`.
  virtual uint32_t Start(uint32_t width, uint32_t height, int components, bool adobe, bool inks) = 0;
  // Where row y's samples go, and that they are there.
  virtual uint8_t* Row(uint32_t y) = 0;
  virtual void Done(uint32_t) {}
  std::string refusal;
};
// Decodes one JPEG stream (after a stream of tables alone that it may leave out, or none) into
// the sink, libjpeg held to `memory` bytes (0: what a .jpg of the stream's sides may take).
bool DecodeJpegRows(const uint8_t* tables, size_t tables_size, const uint8_t* data, size_t size, JpegSamples samples,
                    uint64_t memory, JpegRowSink* sink, std::string* error);

bool DecodeWbmp(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error);
// A JPEG of grey, colour or inks (CMYK, YCCK): true colour, opaque. The caller has checked
// its claim; libjpeg is held to the memory the claim allows (with kJpegRowBytes to spare).
bool DecodeJpeg(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error);
// A PNG of any colour type, depth and transparency (libpng): palette indices or blue, green,
// red, alpha, as picture_png.cpp tells. The caller has checked its claim.
bool DecodePng(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error);
// A TIFF (libtiff) as blue, green, red and straight alpha. The caller has checked its claim.
bool DecodeTiff(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error);
// A TGA whose header LooksLikeTga takes. The caller has checked its claim.
bool DecodeTga(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error);
// A PCX whose header LooksLikePcx takes, of any layout tools write (picture_pcx.cpp): palette
// indices or blue, green, red, alpha. The caller has checked its claim.
bool DecodePcx(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error);
// A bitmap ("BM") of 16 or 32 bits a pixel in colour masks, of a Windows header of 40 bytes or
// more: BI_BITFIELDS, BI_ALPHABITFIELDS, or 16-bit BI_RGB.
bool IsMaskedBitmap(const uint8_t* data, size_t size);
// Such a bitmap, as blue, green, red and alpha. The caller has checked its claim.
bool DecodeMaskedBitmap(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error);
bool DecodeMng(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error);
bool DecodeWmf(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error);

}  // namespace platform::picture_formats
