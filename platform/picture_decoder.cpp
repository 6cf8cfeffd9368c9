// Picture decoding over giflib (GIF animations), libmng (MNG), libwmf (WMF), libjpeg (JPEG),
// libpng (PNG), libtiff (TIF), readers of our own (WBMP, TGA, PCX, bitmaps of colour masks) and
// SDL2_image (other BMPs, ICO, CUR).
//
// Limits: a GIF whose frames use different colour tables, or whose transparent indices no one
// index can stand for (one frame keys out an index another draws), is given as true colour with
// alpha; the formats SDL2_image reads beyond those above
// are not readable; an image of more than kMaxDecodedPictureBytes, or whose header claims more
// pixels than its file could describe (picture_formats.h), is refused before it is decoded; so
// is a GIF whose extension blocks giflib would keep in more than 16 MiB. Every decode draws on
// one budget (decode_budget.h), which DecodePictureBytes installs: a file whose decoding would
// pass it is refused with the budget's reason.
#include "platform/picture_decoder.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <gif_lib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>

#include "platform/ascii.h"
#include "platform/decode_budget.h"
#include "platform/files.h"
#include "platform/picture_formats.h"

namespace platform {

namespace {

bool Fail(std::string* error, const std::string& reason) {
  if (error) *error = reason;
  return false;
}

// ---------------------------------------------------------------------------------------------
// GIF.

std::string GifError(int code) {
  const char* text = GifErrorString(code);
  return std::string("GIF: ") + (text ? text : "unreadable file");
}

struct GifSource {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

int ReadGifBytes(GifFileType* gif, GifByteType* buffer, int length) {
  auto* source = static_cast<GifSource*>(gif->UserData);
  const size_t n = std::min(static_cast<size_t>(std::max(length, 0)), source->size - source->pos);
  std::memcpy(buffer, source->data + source->pos, n);
  source->pos += n;
  return static_cast<int>(n);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};

bool SameColourMap(const ColorMapObject* a, const ColorMapObject* b) {
  if (!a || !b) return a == b;
  if (a->ColorCount != b->ColorCount) return false;
  return std::memcmp(a->Colors, b->Colors, sizeof(GifColorType) * a->ColorCount) == 0;
}

// Calls draw(x, y, index) for each pixel of the frame that lands on the width x height screen and
// is not the frame's own transparent index (-1: none).
template <typename Draw>
void ForEachDrawnPixel(const SavedImage& image, int transparent, int width, int height, Draw draw) {
  const GifImageDesc& desc = image.ImageDesc;
  for (int y = 0; y < desc.Height; ++y) {
    const int cy = desc.Top + y;
    if (cy < 0 || cy >= height) continue;
    for (int x = 0; x < desc.Width; ++x) {
      const int cx = desc.Left + x;
      if (cx < 0 || cx >= width) continue;
      const int index = image.RasterBits[size_t(y) * desc.Width + x];
      if (index != transparent) draw(cx, cy, index);
    }
  }
}

// What a GIF's blocks claim, from a walk over them as giflib's DGifSlurp reads them: giflib
// allocates each frame at its claimed size before it reads a byte of it, keeps every extension
// sub-block in a heap block of its own, and every frame is then composed onto a canvas of the
// logical screen, so made-up sizes, frames and extensions must be refused first. The walk stops
// where giflib stops: at the trailer (what follows is never read), at a byte that opens no
// record, or at the end of the file (giflib then refuses it).
struct GifLayout {
  uint64_t frames = 0;
  uint64_t frame_pixels = 0;     // the frames' own pixels, summed
  uint64_t coded_bytes = 0;      // their LZW data
  uint64_t extension_bytes = 0;  // what giflib keeps of the extensions (see kGifBlockRecordBytes)
};

// What giflib spends on each extension sub-block besides its bytes: a record in a growing array
// and a heap block of its own (a file of one-byte sub-blocks costs some 30 times its size).
constexpr uint64_t kGifBlockRecordBytes = 64;
// Honest extensions (a delay per frame, a loop count, comments, a colour profile of a few
// hundred sub-blocks) keep well under this.
constexpr uint64_t kGifExtensionBytesAnyFileMayKeep = 16 << 20;
// What giflib keeps of each frame besides its pixels (its record, a colour table), and what it
// spends on each pixel it decodes (a code looked up, a pixel written), in the budget's units.
constexpr uint64_t kGifFrameRecordBytes = 1024;
constexpr uint64_t kGifPixelWork = 2;

GifLayout WalkGif(const uint8_t* data, size_t size) {
  auto table_bytes = [](uint8_t flags) { return (flags & 0x80) ? size_t{3} << ((flags & 7) + 1) : 0; };
  GifLayout layout;
  // Skips data sub-blocks (a length byte, then that many bytes) up to and past the empty one;
  // adds what giflib keeps of them to *kept.
  auto skip_blocks = [&](size_t at, uint64_t* kept) {
    for (; at < size && data[at] != 0; at += 1 + size_t{data[at]}) {
      if (kept) *kept += kGifBlockRecordBytes + data[at];
    }
    return at + 1;
  };
  if (size < 13) return layout;
  size_t at = 13 + table_bytes(data[10]);
  while (at < size) {
    const uint8_t kind = data[at];
    if (kind == 0x21) {
      // An extension: its label, then its first sub-block, read apart from the rest: when that
      // one is empty, giflib goes on to read sub-blocks up to the next empty one.
      if (size - at < 3) break;
      const uint8_t first = data[at + 2];
      if (first != 0) layout.extension_bytes += kGifBlockRecordBytes + first;
      at = skip_blocks(at + 3 + first, &layout.extension_bytes);
    } else if (kind == 0x2C) {  // image: left, top, width, height, flags
      if (size - at < 10) break;
      const uint32_t width = data[at + 5] | data[at + 6] << 8;
      const uint32_t height = data[at + 7] | data[at + 8] << 8;
      ++layout.frames;
      layout.frame_pixels += uint64_t{width} * height;
      const size_t start = at + 10 + table_bytes(data[at + 9]) + 1;  // + LZW minimum code size
      at = skip_blocks(start, nullptr);
      layout.coded_bytes += std::min(at, size) - std::min(start, size);
    } else {
      break;  // the trailer, or a byte giflib refuses
    }
  }
  return layout;
}

bool DecodeGif(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error) {
  using picture_formats::PictureClaim;
  using picture_formats::SaturatingProduct;
  if (size < 13) return Fail(error, "GIF: header cut short");
  // The logical screen; every frame's pixels together within what their LZW data can give; and
  // the composed frames, a screen each, within what the file can give.
  const GifLayout layout = WalkGif(data, size);
  const PictureClaim screen{picture_formats::Le16(data + 6), picture_formats::Le16(data + 8)};
  const PictureClaim frames{layout.frame_pixels, 1, layout.frame_pixels,
                            layout.coded_bytes * picture_formats::kLzwExpansion};
  const uint64_t composed_pixels = SaturatingProduct(screen.width * screen.height, std::max<uint64_t>(layout.frames, 1));
  const PictureClaim composed{composed_pixels, 1, composed_pixels, uint64_t{size} * picture_formats::kLzwExpansion};
  const char* problem = picture_formats::ClaimProblem(screen);
  if (!problem) problem = picture_formats::ClaimProblem(frames);
  if (!problem) problem = picture_formats::ClaimProblem(composed, picture_formats::kComposedPixelsAnyAnimationMayClaim);
  if (!problem && layout.extension_bytes > kGifExtensionBytesAnyFileMayKeep) {
    problem = "its extension blocks would take more memory than any picture's";
  }
  if (problem) return Fail(error, std::string("GIF: ") + problem);
  // The claim: the composed frames, four bytes a pixel at most, and beside them what giflib keeps
  // (every frame's own pixels, the extensions) and the canvas with the copy a frame disposed to
  // the previous one keeps of it. giflib allocates with no hooks of ours: what it keeps and does,
  // as walked, is taken and spent before it reads a byte (decoding a pixel of LZW costs a few
  // units), so frames that cost more than the screens they compose onto are refused at once.
  picture_formats::ReaderBudget budget(size);
  const uint64_t screen_bytes = SaturatingProduct(screen.width * screen.height, 4);
  const uint64_t giflib_bytes = layout.frame_pixels + layout.extension_bytes + layout.frames * kGifFrameRecordBytes;
  budget->SetClaim(SaturatingProduct(composed_pixels, 4), giflib_bytes + 2 * screen_bytes);
  auto out_of_budget = [&] { return Fail(error, std::string("GIF: ") + budget->problem()); };
  if (!budget->Take(giflib_bytes) || !budget->Spend(kGifPixelWork * layout.frame_pixels + layout.coded_bytes)) {
    return out_of_budget();
  }
  GifSource source{data, size, 0};
  int code = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, ReadGifBytes, &code));
  if (!gif) return Fail(error, GifError(code));
  if (DGifSlurp(gif.get()) != GIF_OK) return Fail(error, GifError(gif->Error));
  const int width = gif->SWidth;
  const int height = gif->SHeight;
  const int count = gif->ImageCount;
  if (width <= 0 || height <= 0 || count <= 0) return Fail(error, "GIF: empty picture");
  if (uint64_t(width) * height * count * 4 > kMaxDecodedPictureBytes) return Fail(error, "GIF: picture too large");

  // Palette output needs one colour table, and one index that stands for transparent in every
  // frame. Each frame's transparent index is its own: a frame that declares none, or another
  // one, draws that index as a colour. So the key is an index some frame declares that no frame
  // draws onto the screen; when every declared one is drawn somewhere, the frames go out as
  // true colour.
  const ColorMapObject* shared = gif->SColorMap;
  bool palette = true;
  std::vector<int> declared;  // the frames' transparent indices, in order
  bool drawn[256] = {};       // the indices some frame draws
  // Every frame's index is gathered, also past the frame that ends the palette: the canvas starts
  // clear whenever any frame keys something out.
  for (int i = 0; i < count; ++i) {
    const SavedImage& image = gif->SavedImages[i];
    const ColorMapObject* map = image.ImageDesc.ColorMap;
    if (!shared) shared = map;
    if (map && !SameColourMap(map, shared)) palette = false;
    GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    DGifSavedExtensionToGCB(gif.get(), i, &gcb);
    if (gcb.TransparentColor >= 0) declared.push_back(gcb.TransparentColor);
    if (palette && image.RasterBits) {
      if (!budget->Spend(uint64_t{uint32_t(image.ImageDesc.Width)} * uint32_t(image.ImageDesc.Height))) {
        return out_of_budget();
      }
      ForEachDrawnPixel(image, gcb.TransparentColor, width, height, [&](int, int, int index) { drawn[index] = true; });
    }
  }
  if (!shared) return Fail(error, "GIF: no colour table");
  int transparent = -1;
  for (int index : declared) {
    if (!drawn[index]) {
      transparent = index;
      break;
    }
  }
  if (transparent < 0 && !declared.empty()) palette = false;

  DecodedPicture result;
  result.width = width;
  result.height = height;
  result.animated = true;
  result.bytes_per_pixel = palette ? 1 : 4;
  if (palette) {
    for (int i = 0; i < shared->ColorCount; ++i) {
      result.palette.insert(result.palette.end(),
                            {shared->Colors[i].Red, shared->Colors[i].Green, shared->Colors[i].Blue});
    }
    result.transparent_index = transparent;
  } else {
    result.alpha_valid = true;
  }

  // The canvas starts as the background colour (the first frame's colour table's entry, its last
  // when the index runs past it), or clear when the first frame keys a colour out, as ImageMagick
  // shows a screen that no frame covers. A palette keeps one index for both: the key, where there
  // is one. A frame disposed to the background leaves its rectangle clear in true colour, as
  // ImageMagick disposes it.
  const size_t bpp = result.bytes_per_pixel;
  const ColorMapObject* first =
      gif->SavedImages[0].ImageDesc.ColorMap ? gif->SavedImages[0].ImageDesc.ColorMap : shared;
  const int background_index = std::clamp(gif->SBackGroundColor, 0, std::max(first->ColorCount - 1, 0));
  std::vector<uint8_t> background(bpp, 0);
  std::vector<uint8_t> start(bpp, 0);
  if (palette) {
    background[0] = static_cast<uint8_t>(transparent >= 0 ? transparent : background_index);
    start = background;
  } else {
    GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    DGifSavedExtensionToGCB(gif.get(), 0, &gcb);
    const GifColorType& c = first->Colors[background_index];
    if (gcb.TransparentColor < 0) start = {c.Blue, c.Green, c.Red, 255};
  }
  // The canvas, each frame composed on it, and the copy a frame disposed to the previous one
  // keeps: each takes and spends a canvas (the frames are kept: they are the picture).
  const uint64_t canvas_bytes = uint64_t{uint32_t(width)} * uint32_t(height) * bpp;
  if (!budget->Take(canvas_bytes) || !budget->Spend(canvas_bytes)) return out_of_budget();
  std::vector<uint8_t> canvas(canvas_bytes);
  for (size_t i = 0; i < canvas.size(); i += bpp) std::memcpy(&canvas[i], start.data(), bpp);

  for (int i = 0; i < count; ++i) {
    const SavedImage& image = gif->SavedImages[i];
    const GifImageDesc& desc = image.ImageDesc;
    GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    DGifSavedExtensionToGCB(gif.get(), i, &gcb);
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (!map || !image.RasterBits) return Fail(error, "GIF: frame without colours");
    const bool restores = gcb.DisposalMode == DISPOSE_PREVIOUS;
    // Its rectangle drawn, and again when disposed to the background.
    const uint64_t frame_work = 2 * uint64_t{uint32_t(desc.Width)} * uint32_t(desc.Height) * bpp;
    if (!budget->Take(canvas_bytes * (restores ? 2 : 1)) || !budget->Spend(canvas_bytes * (restores ? 3 : 1) + frame_work)) {
      return out_of_budget();
    }
    const std::vector<uint8_t> before = restores ? canvas : std::vector<uint8_t>();

    // Draw the frame's rectangle, clipped to the screen; transparent pixels leave the canvas.
    ForEachDrawnPixel(image, gcb.TransparentColor, width, height, [&](int cx, int cy, int index) {
      uint8_t* p = &canvas[(size_t(cy) * width + cx) * bpp];
      if (palette) {
        p[0] = static_cast<uint8_t>(index);
      } else if (index < map->ColorCount) {
        p[0] = map->Colors[index].Blue;
        p[1] = map->Colors[index].Green;
        p[2] = map->Colors[index].Red;
        p[3] = 255;
      }
    });
    PictureFrame frame;
    frame.pixels = canvas;
    frame.delay_ms = static_cast<uint32_t>(std::max(gcb.DelayTime, 0)) * 10;
    result.frames.push_back(std::move(frame));

    if (gcb.DisposalMode == DISPOSE_BACKGROUND) {
      for (int y = std::max(desc.Top, 0); y < std::min(desc.Top + desc.Height, height); ++y) {
        for (int x = std::max(desc.Left, 0); x < std::min(desc.Left + desc.Width, width); ++x) {
          std::memcpy(&canvas[(size_t(y) * width + x) * bpp], background.data(), bpp);
        }
      }
    } else if (restores) {
      canvas = before;
      budget->Give(canvas_bytes);
    }
  }
  *out = std::move(result);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Everything else through SDL2_image.

// SDL2_image's readers allocate a surface of the size a header claims before they read a pixel,
// so a damaged file could ask for terabytes. While a decode runs on a thread, every block SDL
// allocates on it is taken from the decode's budget (and given back when freed there); a request
// past the budget fails like an exhausted heap, and the reader refuses the file. Outside a decode
// no single block may exceed kMaxSdlBlock (a picture at the largest size decoded, with room for
// row padding).
constexpr size_t kMaxSdlBlock = 2 * kMaxDecodedPictureBytes;

struct SdlAllocator {
  SDL_malloc_func malloc = nullptr;
  SDL_calloc_func calloc = nullptr;
  SDL_realloc_func realloc = nullptr;
  SDL_free_func free = nullptr;
};
SdlAllocator g_sdl_allocator;  // the functions SDL used before the cap

// The blocks SDL allocated on this thread during the decode running on it, by their sizes. Those
// still held when the decode ends (an error message's buffer...) are freed later like any other.
struct SdlBlocks {
  DecodeBudget* budget;
  std::unordered_map<void*, size_t> sizes;
};
thread_local SdlBlocks* t_sdl_blocks = nullptr;

// Counts a block SDL now holds (false, and nothing counted, when the count cannot be kept).
bool Hold(SdlBlocks* blocks, void* block, size_t size) {
  try {
    blocks->sizes[block] = size;
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void* CappedMalloc(size_t size) {
  SdlBlocks* blocks = t_sdl_blocks;
  if (!blocks) return size > kMaxSdlBlock ? nullptr : g_sdl_allocator.malloc(size);
  if (!blocks->budget->Take(size)) return nullptr;
  void* block = g_sdl_allocator.malloc(size);
  if (!block || !Hold(blocks, block, size)) {
    g_sdl_allocator.free(block);
    blocks->budget->Give(size);
    return nullptr;
  }
  return block;
}

void* CappedCalloc(size_t count, size_t size) {
  if (size != 0 && count > SIZE_MAX / size) return nullptr;
  SdlBlocks* blocks = t_sdl_blocks;
  if (!blocks) return count * size > kMaxSdlBlock ? nullptr : g_sdl_allocator.calloc(count, size);
  if (!blocks->budget->Take(count * size)) return nullptr;
  void* block = blocks->budget->Spend(count * size) ? g_sdl_allocator.calloc(count, size) : nullptr;
  if (!block || !Hold(blocks, block, count * size)) {
    g_sdl_allocator.free(block);
    blocks->budget->Give(count * size);
    return nullptr;
  }
  return block;
}

void CappedFree(void* block) {
  SdlBlocks* blocks = t_sdl_blocks;
  if (blocks && block) {
    const auto held = blocks->sizes.find(block);
    if (held != blocks->sizes.end()) {
      blocks->budget->Give(held->second);
      blocks->sizes.erase(held);
    }
  }
  g_sdl_allocator.free(block);
}

void* CappedRealloc(void* block, size_t size) {
  SdlBlocks* blocks = t_sdl_blocks;
  if (!blocks) return size > kMaxSdlBlock ? nullptr : g_sdl_allocator.realloc(block, size);
  // A block from before the decode is counted from here on at its new size.
  const auto held = block ? blocks->sizes.find(block) : blocks->sizes.end();
  const size_t old_size = held != blocks->sizes.end() ? held->second : 0;
  if (size > old_size && !blocks->budget->Take(size - old_size)) return nullptr;
  void* moved = g_sdl_allocator.realloc(block, size);
  if (!moved && size != 0) {
    if (size > old_size) blocks->budget->Give(size - old_size);
    return nullptr;
  }
  if (held != blocks->sizes.end()) blocks->sizes.erase(held);
  if (size < old_size) blocks->budget->Give(old_size - size);
  if (moved && !Hold(blocks, moved, size)) blocks->budget->Give(size);  // no longer counted
  return moved;
}

// Installs the cap once, around whatever functions SDL had (blocks allocated before are freed
// by the same allocator as ever).
void CapSdlAllocations() {
  static std::once_flag once;
  std::call_once(once, [] {
    SdlAllocator& a = g_sdl_allocator;
    SDL_GetMemoryFunctions(&a.malloc, &a.calloc, &a.realloc, &a.free);
    SDL_SetMemoryFunctions(CappedMalloc, CappedCalloc, CappedRealloc, CappedFree);
  });
}

// Draws what SDL allocates on this thread from the budget, for the scope.
class SdlBlocksScope {
 public:
  explicit SdlBlocksScope(DecodeBudget* budget) : blocks_{budget, {}}, outer_(t_sdl_blocks) { t_sdl_blocks = &blocks_; }
  ~SdlBlocksScope() { t_sdl_blocks = outer_; }
  SdlBlocksScope(const SdlBlocksScope&) = delete;
  SdlBlocksScope& operator=(const SdlBlocksScope&) = delete;

 private:
  SdlBlocks blocks_;
  SdlBlocks* outer_;
};

struct SurfaceFree {
  void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using Surface = std::unique_ptr<SDL_Surface, SurfaceFree>;

// The formats read through SDL2_image, as the type names IMG_LoadTyped_RW takes: the raster
// formats pictures come in. Its readers of the others (SVG drawings, GIMP's XCF...) leak or
// over-allocate on damaged input, and would take any bytes with their mark near the start.
const char* SdlPictureType(const uint8_t* data, size_t size) {
  SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(size));
  if (!rw) return nullptr;
  const char* type = IMG_isPNG(rw)   ? "PNG"
                     : IMG_isBMP(rw) ? "BMP"
                     : IMG_isJPG(rw) ? "JPG"
                     : IMG_isTIF(rw) ? "TIF"
                     : picture_formats::LooksLikePcx(data, size) ? "PCX"
                     : IMG_isICO(rw) ? "ICO"
                     : IMG_isCUR(rw) ? "CUR"
                                     : "TGA";  // TGA files carry no mark: SDL2_image tries them last as well
  SDL_RWclose(rw);
  return type;
}

// Where the image lies that SDL2_image decodes of an icon (see IconImageOffset), and the bytes
// read from it as SDL reads them (words past the end of the file as zeros).
struct IconImage {
  const uint8_t* data;
  size_t size;
  uint64_t at;
  uint32_t Byte(uint64_t i) const { return i < size ? data[i] : 0; }
  uint32_t Le16(uint64_t i) const { return Byte(i) | Byte(i + 1) << 8; }
  uint32_t Le32(uint64_t i) const { return Le16(i) | Le16(i + 2) << 16; }
};

IconImage IconImageOf(const uint8_t* data, size_t size) {
  return {data, size, picture_formats::IconImageOffset(data, size)};
}

// An icon's image stored as a PNG (every current tool stores 256-pixel icons so) begins with
// the PNG signature.
bool IconImageIsPng(const IconImage& image) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  return image.at < image.size && image.size - image.at >= 8 &&
         std::memcmp(image.data + image.at, kSignature, 8) == 0;
}

// SDL2_image reads biClrUsed palette entries into a table of 256 and looks every index up in
// it: entries past the palette keep whatever was on the stack. The image's palette is given
// every entry its depth can index, the missing ones black. Empty when the icon needs no mending.
std::vector<uint8_t> IconWithWholePalette(const IconImage& icon) {
  const uint64_t image = icon.at;
  if (image > icon.size || icon.size - image < 40 || icon.Le32(image) != 40) return {};
  const uint32_t depth = icon.Le16(image + 14);
  const uint32_t used = icon.Le32(image + 32);
  if ((depth != 1 && depth != 4 && depth != 8) || used == 0 || used >= (1u << depth)) return {};
  const size_t palette = image + 40;
  const size_t stored = std::min<size_t>(size_t{used} * 4, icon.size - palette);
  std::vector<uint8_t> mended(icon.data, icon.data + palette + stored);
  mended.resize(palette + (size_t{1} << depth) * 4, 0);
  mended.insert(mended.end(), icon.data + palette + stored, icon.data + icon.size);
  std::memset(&mended[image + 32], 0, 4);  // biClrUsed 0: as many as the depth indexes
  return mended;
}

// SDL2_image makes every pixel whose AND-mask bit is clear opaque, whatever alpha a 32-bit image
// gives it. When any pixel of such an image carries alpha, that alpha is the picture's (icon
// tools set the mask only where it is 0, or leave the mask out): the image is given a mask of
// every bit set, under which SDL leaves each pixel its own alpha. Empty when the icon needs no
// mending (another depth, an alpha of 0 throughout, colour rows cut short).
std::vector<uint8_t> IconWithOwnAlpha(const IconImage& icon) {
  const uint64_t image = icon.at;
  if (image > icon.size || icon.size - image < 40 || icon.Le32(image) != 40) return {};
  const uint64_t width = icon.Le32(image + 4), rows = icon.Le32(image + 8) >> 1;
  if (icon.Le16(image + 14) != 32 || icon.Le32(image + 16) != 0 || width > 0xFFFFFF || rows > 0x7FFFFF) return {};
  const uint64_t pixels = image + 40, mask = pixels + width * 4 * rows;
  if (mask > icon.size) return {};
  bool any_alpha = false;
  for (uint64_t at = pixels + 3; at < mask && !any_alpha; at += 4) any_alpha = icon.data[at] != 0;
  if (!any_alpha) return {};
  std::vector<uint8_t> mended(icon.data, icon.data + mask);
  mended.resize(mended.size() + (width + 31) / 32 * 4 * rows, 0xFF);
  return mended;
}

// SDL2_image refuses an uncompressed bitmap whose last row stops at its last pixel, without the
// padding to a whole word that no pixel lives in (ImageMagick refuses it too; Pillow and the
// bitmaps of colour masks read here take it). The file is given that padding, zeros. Empty when
// the bitmap needs no mending.
std::vector<uint8_t> BitmapWithWholeLastRow(const uint8_t* data, size_t size) {
  using picture_formats::Le16;
  using picture_formats::Le32;
  if (size < 54 || Le32(data + 14) < 40 || Le32(data + 30) != 0) return {};
  const uint64_t offset = Le32(data + 10), bits = Le16(data + 28);
  const uint64_t width = Le32(data + 18);
  const int32_t signed_height = static_cast<int32_t>(Le32(data + 22));
  const uint64_t height = signed_height < 0 ? 0 - int64_t{signed_height} : signed_height;
  if (width == 0 || width > 0xFFFFFF || height == 0 || height > 0xFFFFFF || bits == 0 || bits > 32) return {};
  const uint64_t used = (width * bits + 7) / 8, stride = (width * bits + 31) / 32 * 4;
  const uint64_t whole = offset + stride * height, least = whole - (stride - used);
  if (size >= whole || size < least) return {};
  std::vector<uint8_t> mended(data, data + size);
  mended.resize(whole, 0);
  return mended;
}

bool DecodeWithSdl(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error) {
  CapSdlAllocations();
  const char* type = SdlPictureType(data, size);
  if (!type) return Fail(error, SDL_GetError());
  const std::string kind = type;
  // What reads as no other kind is a TGA only when its header is one.
  if (kind == "TGA" && !picture_formats::LooksLikeTga(data, size)) return Fail(error, "not a picture of a kind this reads");
  const bool is_icon = kind == "ICO" || kind == "CUR";
  const IconImage icon = is_icon ? IconImageOf(data, size) : IconImage{data, size, size};
  // An icon's PNG image is read as any PNG, with its claim.
  if (is_icon && IconImageIsPng(icon)) return DecodeWithSdl(data + icon.at, size - icon.at, out, error);
  // The readers allocate the whole picture from its header before they read a pixel of it.
  const picture_formats::PictureClaim claim = picture_formats::SdlPictureClaim(type, data, size);
  if (const char* problem = picture_formats::ClaimProblem(claim)) return Fail(error, problem);
  // The frame claimed, a quarter of it beside; a reader that must keep more says so.
  if (DecodeBudget* budget = CurrentDecodeBudget()) {
    budget->SetClaim(picture_formats::SaturatingProduct(claim.width * claim.height, 4));
  }
  // SDL2_image would read a JPEG's inks as red, green, blue and alpha, a grey PNG's tRNS grey
  // as colours, and a TIFF's alpha as if it were premultiplied.
  if (kind == "JPG") return picture_formats::DecodeJpeg(data, size, out, error);
  if (kind == "PNG") return picture_formats::DecodePng(data, size, out, error);
  if (kind == "TIF") return picture_formats::DecodeTiff(data, size, out, error);
  if (kind == "TGA") return picture_formats::DecodeTga(data, size, out, error);
  if (kind == "PCX") return picture_formats::DecodePcx(data, size, out, error);
  if (kind == "BMP" && picture_formats::IsMaskedBitmap(data, size)) {
    return picture_formats::DecodeMaskedBitmap(data, size, out, error);
  }
  std::vector<uint8_t> mended;
  if (kind == "BMP") mended = BitmapWithWholeLastRow(data, size);
  if (is_icon) {
    mended = IconWithWholePalette(icon);
    if (mended.empty()) mended = IconWithOwnAlpha(icon);
  }
  // SDL2_image keeps a surface beside the frame: the one it reads into, then the one that is
  // converted to; the mended copy of the file is taken as well. Every block SDL allocates on the
  // way is drawn from the budget (SdlBlocksScope), and what it does is spent once done: reading,
  // converting and copying a surface each cost about its bytes.
  picture_formats::ReaderBudget budget(size);
  const uint64_t frame_bytes = picture_formats::SaturatingProduct(claim.width * claim.height, 4);
  budget->SetClaim(frame_bytes, frame_bytes);
  auto out_of_budget = [&] { return Fail(error, std::string("unreadable picture: ") + budget->problem()); };
  if (!budget->Take(mended.size()) || !budget->Spend(mended.size())) return out_of_budget();
  const uint8_t* bytes = mended.empty() ? data : mended.data();
  const size_t count = mended.empty() ? size : mended.size();
  if (count > static_cast<size_t>(INT32_MAX)) return Fail(error, "file too large");
  SDL_RWops* rw = SDL_RWFromConstMem(bytes, static_cast<int>(count));
  if (!rw) return Fail(error, SDL_GetError());
  const SdlBlocksScope blocks(&*budget);
  Surface surface(IMG_LoadTyped_RW(rw, 1, type));
  if (!surface && budget->exhausted()) return out_of_budget();
  // A file of no kind that carries a mark is tried as a TGA last: it is then no picture at all.
  if (!surface) return Fail(error, kind == "TGA" ? "not a picture of a kind this reads" : std::string("unreadable picture: ") + IMG_GetError());
  const int width = surface->w;
  const int height = surface->h;
  if (width <= 0 || height <= 0) return Fail(error, "empty picture");
  if (uint64_t(width) * height * 4 > kMaxDecodedPictureBytes) return Fail(error, "picture too large");
  if (!budget->Spend(uint64_t(surface->pitch) * height)) return out_of_budget();

  DecodedPicture result;
  result.width = width;
  result.height = height;
  PictureFrame frame;
  Uint32 key = 0;
  const bool keyed = SDL_GetColorKey(surface.get(), &key) == 0;
  const SDL_PixelFormat* format = surface->format;

  if (format->palette && format->BitsPerPixel == 8) {
    const SDL_Palette* colours = format->palette;
    bool partial_alpha = false;
    for (int i = 0; i < colours->ncolors; ++i) {
      result.palette.insert(result.palette.end(), {colours->colors[i].r, colours->colors[i].g, colours->colors[i].b});
      if (colours->colors[i].a != 255 && !(keyed && Uint32(i) == key)) partial_alpha = true;
    }
    result.transparent_index = keyed ? static_cast<int>(key) : -1;
    result.bytes_per_pixel = partial_alpha ? 2 : 1;
    result.alpha_valid = partial_alpha;
    const uint64_t pixel_bytes = uint64_t(width) * height * result.bytes_per_pixel;
    if (!budget->Take(pixel_bytes) || !budget->Spend(pixel_bytes)) return out_of_budget();
    frame.pixels.resize(pixel_bytes);
    if (SDL_LockSurface(surface.get()) != 0) return Fail(error, SDL_GetError());
    for (int y = 0; y < height; ++y) {
      const uint8_t* row = static_cast<const uint8_t*>(surface->pixels) + size_t(y) * surface->pitch;
      uint8_t* dst = &frame.pixels[size_t(y) * width * result.bytes_per_pixel];
      for (int x = 0; x < width; ++x) {
        const uint8_t index = row[x];
        if (partial_alpha) {
          *dst++ = index;
          *dst++ = index < colours->ncolors ? colours->colors[index].a : 255;
        } else {
          *dst++ = index;
        }
      }
    }
    SDL_UnlockSurface(surface.get());
  } else {
    result.alpha_valid = format->Amask != 0;
    if (keyed) {
      Uint8 r, g, b;
      SDL_GetRGB(key, format, &r, &g, &b);
      result.has_transparent_colour = true;
      result.transparent_colour = r | (g << 8) | (b << 16);
      SDL_SetColorKey(surface.get(), SDL_FALSE, 0);  // keep the keyed pixels' own colour
    }
    // ARGB8888 words are blue, green, red, alpha in memory on this little-endian machine.
    Surface bgra(SDL_ConvertSurfaceFormat(surface.get(), SDL_PIXELFORMAT_ARGB8888, 0));
    if (!bgra) return budget->exhausted() ? out_of_budget() : Fail(error, SDL_GetError());
    surface.reset();  // the surface read is done with: the frame takes its place
    const uint64_t pixel_bytes = uint64_t(width) * height * 4;
    if (!budget->Take(pixel_bytes) || !budget->Spend(2 * pixel_bytes)) return out_of_budget();
    frame.pixels.resize(pixel_bytes);
    if (SDL_LockSurface(bgra.get()) != 0) return Fail(error, SDL_GetError());
    for (int y = 0; y < height; ++y) {
      std::memcpy(&frame.pixels[size_t(y) * width * 4],
                  static_cast<const uint8_t*>(bgra->pixels) + size_t(y) * bgra->pitch, size_t(width) * 4);
    }
    SDL_UnlockSurface(bgra.get());
    if (!result.alpha_valid) {
      for (size_t i = 3; i < frame.pixels.size(); i += 4) frame.pixels[i] = 255;
    }
  }
  result.frames.push_back(std::move(frame));
  *out = std::move(result);
  return true;
}

bool DecodeBytes(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error, PictureFormat format) {
  if (size > static_cast<size_t>(INT32_MAX)) return Fail(error, "file too large");
  // A WBMP carries no mark of its own: only its name says what it is.
  if (format == PictureFormat::kWbmp) return picture_formats::DecodeWbmp(data, size, out, error);
  if (size >= 6 && std::memcmp(data, "GIF8", 4) == 0) return DecodeGif(data, size, out, error);
  if (picture_formats::LooksLikeMng(data, size)) return picture_formats::DecodeMng(data, size, out, error);
  if (picture_formats::LooksLikeWmf(data, size)) return picture_formats::DecodeWmf(data, size, out, error);
  return DecodeWithSdl(data, size, out, error);
}

}  // namespace

bool DecodePictureBytes(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error,
                        PictureFormat format) {
  if (!data || size == 0) return Fail(error, "empty file");
  // Every decode draws on one budget, set by the file's size until its reader reads its claim.
  DecodeBudget budget = DecodeBudget::ForFile(size);
  const ScopedDecodeBudget scope(&budget);
  if (DecodeBytes(data, size, out, error, format)) return true;
  // A library that ran out of the budget gives a reason of its own (a failed allocation...):
  // the budget's is the one that tells.
  if (error && scope.budget()->exhausted() && error->find(scope.budget()->problem()) == std::string::npos) {
    *error += std::string(" (") + scope.budget()->problem() + ")";
  }
  return false;
}

bool DecodePictureFile(const std::string& path, DecodedPicture* out, std::string* error) {
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(path, &bytes)) return Fail(error, "cannot read " + path + " (" + ReadProblem(path) + ")");
  const size_t dot = path.rfind('.');
  const bool wbmp = dot != std::string::npos && AsciiEqualNoCase(path.substr(dot), ".wbmp");
  return DecodePictureBytes(bytes.data(), bytes.size(), out, error,
                            wbmp ? PictureFormat::kWbmp : PictureFormat::kDetect);
}

}  // namespace platform
