// PNG through libpng, with its own transforms: every colour type at every depth and its tRNS
// chunk, interlaced or not. A picture shows the samples its file holds, whatever gamma or colour
// profile it names; 16-bit samples are scaled to 8 bits, rounded to the nearest.
//   palette: palette indices, one a byte; a tRNS chunk that makes one entry transparent and
//     leaves the rest opaque gives that transparent index, one of partial alphas gives each
//     pixel its entry's alpha beside its index;
//   grey of up to 8 bits: indices into a palette of the 256 greys, the tRNS grey (scaled to 8
//     bits as the samples are) the transparent index;
//   grey and colour of 16 bits with a tRNS colour: that colour, matched at 16 bits, becomes
//     alpha 0, then every sample is scaled to 8 bits (rounded);
//   the others: blue, green, red, alpha; an 8-bit colour's tRNS colour is the transparent
//     colour.
// Only the chunks that pictures need are read: text, colour profiles and the rest are passed
// over unread (their compressed forms would inflate to megabytes each). libpng stops at the
// last row of the image: nothing after it, IEND and beyond, is read.
//
// The decode's budget (decode_budget.h) holds it all: libpng's allocator takes every block from
// it and gives it back when freed, and the reader declares what libpng keeps beside the frame
// (two rows at the widest depth its transforms pass through: a 16-bit colour row of 600,000
// pixels is 4.8 MB a row); each row read and each byte of the file read spend work. Errors jump
// back here from libpng's error function; warnings are dropped.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>

#include "platform/picture_formats.h"

namespace platform::picture_formats {
namespace {

struct PngSource {
  const uint8_t* data;
  size_t size;
  size_t pos;
  DecodeBudget* budget;
  uint64_t row_work = 0;  // what a row read spends
};

struct PngFailure {
  char message[160] = {};
};

void ReadPngBytes(png_structp png, png_bytep out, size_t length) {
  auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (length > source->size - source->pos) png_error(png, "file cut short");
  if (!source->budget->Spend(length)) png_error(png, source->budget->problem());
  std::memcpy(out, source->data + source->pos, length);
  source->pos += length;
}

// Each row read (each pass's, when interlaced): its bytes inflated, unfiltered and transformed.
void OnPngRow(png_structp png, png_uint_32, int) {
  auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (!source->budget->Spend(source->row_work)) png_error(png, source->budget->problem());
}

void OnPngError(png_structp png, png_const_charp message) {
  auto* failure = static_cast<PngFailure*>(png_get_error_ptr(png));
  std::snprintf(failure->message, sizeof failure->message, "%s", message ? message : "unreadable file");
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// libpng's blocks, each behind a header that keeps its size, taken from the decode's budget.
constexpr size_t kBlockHeader = alignof(std::max_align_t);

png_voidp AllocatePng(png_structp png, png_alloc_size_t size) {
  auto* budget = static_cast<DecodeBudget*>(png_get_mem_ptr(png));
  if (!budget->Take(size)) return nullptr;
  auto* block = static_cast<unsigned char*>(std::malloc(size + kBlockHeader));
  if (!block) {
    budget->Give(size);
    return nullptr;
  }
  std::memcpy(block, &size, sizeof size);
  return block + kBlockHeader;
}

void FreePng(png_structp png, png_voidp pointer) {
  if (!pointer) return;
  auto* block = static_cast<unsigned char*>(pointer) - kBlockHeader;
  size_t size = 0;
  std::memcpy(&size, block, sizeof size);
  static_cast<DecodeBudget*>(png_get_mem_ptr(png))->Give(size);
  std::free(block);
}

// What libpng keeps beside the frame: two rows (the one read and the one before it) at the widest
// depth its transforms pass through, 64 bits a pixel from 16-bit samples (colour and alpha, or
// filled or expanded to it), 32 from the rest (8-bit colour filled to four bytes), of the width
// rounded up to 8 pixels and a few bytes over.
uint64_t PngRowsBytes(uint64_t width, int depth) {
  const uint64_t pixel_bytes = depth == 16 ? 8 : 4;
  return 2 * (((width + 7) & ~uint64_t{7}) * pixel_bytes + 1 + pixel_bytes + 48);
}

// The ancillary chunks libpng knows but pictures do not use, each a name and its NUL as libpng
// takes them: each is skipped as an unknown chunk, unread. tRNS alone is kept.
constexpr png_byte kUnusedChunks[][5] = {"bKGD", "cHRM", "eXIf", "gAMA", "hIST", "iCCP", "iTXt", "oFFs", "pCAL",
                                         "pHYs", "sBIT", "sCAL", "sPLT", "sRGB", "tEXt", "tIME", "zTXt"};

// What the reader makes of a file's header (see the top of this file).
struct PngLayout {
  bool indexed = false;  // palette indices (a palette of the file's, or of the 256 greys)
  int transparent_index = -1;
  bool index_alpha = false;  // palette: each pixel's entry's alpha beside its index
  bool has_transparent_colour = false;
  uint32_t transparent_colour = 0;
  bool alpha = false;  // true colour whose alpha bytes carry the file's alpha
  std::vector<uint8_t> palette;
  std::vector<uint8_t> entry_alpha;  // palette: each entry's alpha
};

// Chooses the transforms for the header read (see PngLayout) and sets them.
void SetTransforms(png_structp png, png_infop info, PngLayout* layout) {
  png_uint_32 width = 0, height = 0;
  int depth = 0, colour = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
  png_bytep trans = nullptr;
  int trans_count = 0;
  png_color_16p trans_colour = nullptr;
  const bool has_trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0 &&
                        png_get_tRNS(png, info, &trans, &trans_count, &trans_colour) != 0;
  png_set_interlace_handling(png);
  if (colour == PNG_COLOR_TYPE_PALETTE) {
    layout->indexed = true;
    png_colorp entries = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &entries, &count);
    for (int i = 0; i < count; ++i) layout->palette.insert(layout->palette.end(), {entries[i].red, entries[i].green, entries[i].blue});
    layout->entry_alpha.assign(256, 255);
    int transparent = -1, zeros = 0;
    bool partial = false;
    for (int i = 0; has_trns && trans && i < trans_count && i < (1 << depth); ++i) {
      layout->entry_alpha[i] = trans[i];
      if (trans[i] == 0) {
        ++zeros;
        transparent = i;
      } else if (trans[i] != 255) {
        partial = true;
      }
    }
    if (partial || zeros > 1) {
      layout->index_alpha = true;
    } else {
      layout->transparent_index = transparent;
    }
    if (depth < 8) png_set_packing(png);
    return;
  }
  const bool grey = colour == PNG_COLOR_TYPE_GRAY;
  const bool keyed = has_trns && trans_colour && (grey || colour == PNG_COLOR_TYPE_RGB);
  if (grey && depth <= 8) {
    layout->indexed = true;
    for (int i = 0; i < 256; ++i) layout->palette.insert(layout->palette.end(), {uint8_t(i), uint8_t(i), uint8_t(i)});
    const uint32_t most = (1u << depth) - 1;
    if (keyed && trans_colour->gray <= most) layout->transparent_index = static_cast<int>(trans_colour->gray * (255 / most));
    if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    return;
  }
  if (grey && depth == 16 && !keyed) {  // the 256 greys as well
    layout->indexed = true;
    for (int i = 0; i < 256; ++i) layout->palette.insert(layout->palette.end(), {uint8_t(i), uint8_t(i), uint8_t(i)});
    png_set_scale_16(png);
    return;
  }
  if (keyed && depth == 16) {  // the colour matched at 16 bits, before the samples are scaled
    png_set_tRNS_to_alpha(png);
    layout->alpha = true;
  } else if (keyed && trans_colour->red < 256 && trans_colour->green < 256 && trans_colour->blue < 256) {
    layout->has_transparent_colour = true;
    layout->transparent_colour = trans_colour->red | trans_colour->green << 8 | uint32_t{trans_colour->blue} << 16;
  }
  if (colour & PNG_COLOR_MASK_ALPHA) layout->alpha = true;
  if (depth == 16) png_set_scale_16(png);
  if (!(colour & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
  png_set_bgr(png);
  if (!layout->alpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
}

// Every object with a destructor lives outside this function, so a jump back skips none.
// *pixels is sized and filled here: one byte a pixel for indices, four for colours.
bool Read(PngSource* source, PngLayout* layout, std::vector<uint8_t>* pixels, std::vector<png_bytep>* rows,
          png_uint_32* width, png_uint_32* height, PngFailure* failure) {
  DecodeBudget* budget = source->budget;
  png_structp png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, failure, OnPngError, OnPngWarning, budget,
                                             AllocatePng, FreePng);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, source, ReadPngBytes);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kUnusedChunks[0],
                              static_cast<int>(std::size(kUnusedChunks)));
  // The claim has bounded the sides already; what libpng keeps of a chunk (a palette, tRNS) is
  // small, whatever a chunk's length says.
  png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
  png_set_chunk_malloc_max(png, 1 << 20);
  png_set_read_status_fn(png, OnPngRow);
  png_read_info(png, info);
  // The frame as the caller claimed it, and libpng's rows beside it.
  const png_uint_32 claimed_width = png_get_image_width(png, info), claimed_height = png_get_image_height(png, info);
  budget->SetClaim(SaturatingProduct(uint64_t{claimed_width} * claimed_height, 4),
                   PngRowsBytes(claimed_width, png_get_bit_depth(png, info)));
  const uint64_t stored_row_bytes = png_get_rowbytes(png, info);
  SetTransforms(png, info, layout);
  png_read_update_info(png, info);
  *width = png_get_image_width(png, info);
  *height = png_get_image_height(png, info);
  const size_t row_bytes = png_get_rowbytes(png, info);
  const size_t pixel_bytes = layout->indexed ? 1 : 4;
  if (*width == 0 || *height == 0 || row_bytes != size_t{*width} * pixel_bytes ||
      uint64_t{*width} * *height * 4 > kMaxDecodedPictureBytes) {  // the claim has refused such sizes
    std::snprintf(failure->message, sizeof failure->message, "%s", "picture too large");
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  // The frame and its row pointers are ours, taken from the budget too (and kept: the frame is
  // the picture's).
  const uint64_t frame_bytes = uint64_t{row_bytes} * *height, pointer_bytes = uint64_t{*height} * sizeof(png_bytep);
  bool taken = budget->Take(frame_bytes) && budget->Take(pointer_bytes);
  try {
    if (taken) {
      pixels->assign(frame_bytes, 0);
      rows->resize(*height);
    }
  } catch (const std::bad_alloc&) {
    taken = false;
  }
  if (!taken) {
    std::snprintf(failure->message, sizeof failure->message, "%s", budget->exhausted() ? budget->problem() : "out of memory");
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  for (png_uint_32 y = 0; y < *height; ++y) (*rows)[y] = pixels->data() + row_bytes * y;
  // Each row costs its bytes as stored, inflated and unfiltered, and as transformed.
  source->row_work = stored_row_bytes + row_bytes;
  png_read_image(png, rows->data());
  png_destroy_read_struct(&png, &info, nullptr);
  budget->Give(pointer_bytes);
  return true;
}

}  // namespace

bool DecodePng(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error) {
  ReaderBudget budget(size);
  PngSource source{data, size, 0, &*budget};
  PngLayout layout;
  PngFailure failure;
  PictureFrame frame;
  std::vector<png_bytep> rows;
  png_uint_32 width = 0, height = 0;
  if (!Read(&source, &layout, &frame.pixels, &rows, &width, &height, &failure)) {
    // Once the budget has run out, whatever libpng said after (out of memory...) is its doing.
    const char* reason = budget->exhausted() ? budget->problem() : failure.message[0] ? failure.message : "unreadable file";
    if (error) *error = std::string("PNG: ") + reason;
    return false;
  }
  DecodedPicture result;
  result.width = static_cast<int>(width);
  result.height = static_cast<int>(height);
  if (layout.indexed) {
    // Indices past the palette show black, as libpng's own expansion shows them.
    const uint8_t most = frame.pixels.empty() ? 0 : *std::max_element(frame.pixels.begin(), frame.pixels.end());
    if (layout.palette.size() / 3 <= most) layout.palette.resize((size_t{most} + 1) * 3, 0);
    result.palette = std::move(layout.palette);
    result.transparent_index = layout.transparent_index;
    result.bytes_per_pixel = 1;
    if (layout.index_alpha) {
      if (!budget->Take(frame.pixels.size() * 2)) {
        if (error) *error = std::string("PNG: ") + budget->problem();
        return false;
      }
      std::vector<uint8_t> paired(frame.pixels.size() * 2);
      for (size_t i = 0; i < frame.pixels.size(); ++i) {
        paired[i * 2] = frame.pixels[i];
        paired[i * 2 + 1] = layout.entry_alpha[frame.pixels[i]];
      }
      budget->Give(frame.pixels.size());
      budget->Spend(paired.size());
      frame.pixels = std::move(paired);
      result.bytes_per_pixel = 2;
      result.alpha_valid = true;
    }
  } else {
    result.alpha_valid = layout.alpha;
    result.has_transparent_colour = layout.has_transparent_colour;
    result.transparent_colour = layout.transparent_colour;
  }
  result.frames.push_back(std::move(frame));
  *out = std::move(result);
  return true;
}

}  // namespace platform::picture_formats
