// Picture decoding over giflib (GIF animations) and SDL2_image (every other format).
//
// Limits: a GIF whose frames use different colour tables, or disagree on their transparent
// index, is given as true colour with alpha; MNG and WMF are not readable; an image of more
// than kMaxDecodedPictureBytes is refused.
#include "platform/picture_decoder.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <gif_lib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/files.h"

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

bool DecodeGif(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error) {
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

  // Palette output needs one colour table and one transparent index for every frame.
  const ColorMapObject* shared = gif->SColorMap;
  int transparent = -1;
  bool palette = true;
  for (int i = 0; i < count && palette; ++i) {
    const ColorMapObject* map = gif->SavedImages[i].ImageDesc.ColorMap;
    if (!shared) shared = map;
    if (map && !SameColourMap(map, shared)) palette = false;
    GraphicsControlBlock gcb;
    if (DGifSavedExtensionToGCB(gif.get(), i, &gcb) == GIF_OK && gcb.TransparentColor >= 0) {
      if (transparent >= 0 && transparent != gcb.TransparentColor) palette = false;
      transparent = gcb.TransparentColor;
    }
  }
  if (!shared) return Fail(error, "GIF: no colour table");

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

  // The canvas starts transparent (or as the background colour when nothing is transparent).
  const size_t bpp = result.bytes_per_pixel;
  std::vector<uint8_t> background(bpp, 0);
  if (palette) background[0] = static_cast<uint8_t>(transparent >= 0 ? transparent : gif->SBackGroundColor);
  std::vector<uint8_t> canvas(size_t(width) * height * bpp);
  for (size_t i = 0; i < canvas.size(); i += bpp) std::memcpy(&canvas[i], background.data(), bpp);

  for (int i = 0; i < count; ++i) {
    const SavedImage& image = gif->SavedImages[i];
    const GifImageDesc& desc = image.ImageDesc;
    GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    DGifSavedExtensionToGCB(gif.get(), i, &gcb);
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (!map || !image.RasterBits) return Fail(error, "GIF: frame without colours");
    const std::vector<uint8_t> before = gcb.DisposalMode == DISPOSE_PREVIOUS ? canvas : std::vector<uint8_t>();

    // Draw the frame's rectangle, clipped to the screen; transparent pixels leave the canvas.
    for (int y = 0; y < desc.Height; ++y) {
      const int cy = desc.Top + y;
      if (cy < 0 || cy >= height) continue;
      for (int x = 0; x < desc.Width; ++x) {
        const int cx = desc.Left + x;
        if (cx < 0 || cx >= width) continue;
        const int index = image.RasterBits[size_t(y) * desc.Width + x];
        if (index == gcb.TransparentColor) continue;
        uint8_t* p = &canvas[(size_t(cy) * width + cx) * bpp];
        if (palette) {
          p[0] = static_cast<uint8_t>(index);
        } else if (index < map->ColorCount) {
          p[0] = map->Colors[index].Blue;
          p[1] = map->Colors[index].Green;
          p[2] = map->Colors[index].Red;
          p[3] = 255;
        }
      }
    }
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
    } else if (gcb.DisposalMode == DISPOSE_PREVIOUS) {
      canvas = before;
    }
  }
  *out = std::move(result);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Everything else through SDL2_image.

struct SurfaceFree {
  void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using Surface = std::unique_ptr<SDL_Surface, SurfaceFree>;

bool DecodeWithSdl(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error) {
  SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(size));
  if (!rw) return Fail(error, SDL_GetError());
  Surface surface(IMG_Load_RW(rw, 1));
  if (!surface) return Fail(error, std::string("unreadable picture: ") + IMG_GetError());
  const int width = surface->w;
  const int height = surface->h;
  if (width <= 0 || height <= 0) return Fail(error, "empty picture");
  if (uint64_t(width) * height * 4 > kMaxDecodedPictureBytes) return Fail(error, "picture too large");

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
    frame.pixels.resize(size_t(width) * height * result.bytes_per_pixel);
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
    if (!bgra) return Fail(error, SDL_GetError());
    frame.pixels.resize(size_t(width) * height * 4);
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

}  // namespace

bool DecodePictureBytes(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error) {
  if (!data || size == 0) return Fail(error, "empty file");
  if (size > static_cast<size_t>(INT32_MAX)) return Fail(error, "file too large");
  if (size >= 6 && std::memcmp(data, "GIF8", 4) == 0) return DecodeGif(data, size, out, error);
  return DecodeWithSdl(data, size, out, error);
}

bool DecodePictureFile(const std::string& path, DecodedPicture* out, std::string* error) {
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(path, &bytes)) return Fail(error, "cannot read " + path);
  return DecodePictureBytes(bytes.data(), bytes.size(), out, error);
}

bool SavePng(const std::string& path, int width, int height, const uint8_t* bgra, std::string* error) {
  if (width <= 0 || height <= 0 || !bgra) return Fail(error, "empty picture");
  Surface surface(SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(bgra), width, height, 32, width * 4,
                                                     SDL_PIXELFORMAT_ARGB8888));
  if (!surface) return Fail(error, SDL_GetError());
  // Written beside the target, then renamed over it: whole or not at all.
  const std::string native = NativePath(path);
  const std::string temp = native + ".tmp-png";
  if (IMG_SavePNG(surface.get(), temp.c_str()) != 0) {
    std::remove(temp.c_str());
    return Fail(error, std::string("cannot write ") + path + ": " + IMG_GetError());
  }
  if (std::rename(temp.c_str(), native.c_str()) != 0) {
    std::remove(temp.c_str());
    return Fail(error, "cannot write " + path);
  }
  return true;
}

}  // namespace platform
