#include "engine/media/image_file.h"

#include <utility>

#include "engine/core/engine_files.h"
#include "engine/core/engine_log.h"
#include "engine/media/paint_module.h"
#include "engine/media/palette.h"

namespace engine {
namespace {

// A true-colour picture keyed by colour: its pixels of that colour become transparent. Without
// an alpha channel every other pixel is opaque again, so the key replaces the file's own one.
void KeyTrueColour(ImageRecord* r, uint32_t key) {
  const size_t pixels = size_t{r->data_size} / 4;
  bool any = false;
  for (size_t i = 0; i < pixels; ++i) {
    uint8_t* p = r->pixels + i * 4;
    const uint32_t colour = p[2] | uint32_t{p[1]} << 8 | uint32_t{p[0]} << 16;
    const bool keyed = colour == key;
    any |= keyed;
    if (keyed) {
      p[3] = 0;
    } else if (!r->HasAlpha()) {
      p[3] = 255;
    }
  }
  r->colour_key = key;
  if (any) {
    r->flags |= kImageFlagTransparent;
  } else if (!r->HasAlpha()) {
    r->flags &= ~kImageFlagTransparent;
  }
}

// A palette picture keyed by colour: the nearest entry is its transparent index when it is the
// colour exactly.
void KeyPalette(ImageRecord* r, uint32_t key) {
  Palette palette;
  palette.SetAll(r->palette, r->palette_count, "");
  const int index = palette.NearestIndex(key);
  if (index >= 0 && static_cast<uint32_t>(palette.GetColor(static_cast<uint32_t>(index))) == key) {
    r->colour_key = static_cast<uint32_t>(index);
    r->flags |= kImageFlagTransparent;
  } else {
    r->colour_key = kNoPaletteKey;
    r->flags &= ~kImageFlagTransparent;
  }
}

}  // namespace

ImageFormat ImageFormatOfExtension(const std::string& extension) {
  std::string text = extension;
  AsciiLowerSkipDbcs(text);
  static const std::pair<const char*, ImageFormat> kFormats[] = {
      {".gif", kImageFormatGif},   {".bmp", kImageFormatBmp}, {".png", kImageFormatPng},   {".jpg", kImageFormatJpeg},
      {".jpeg", kImageFormatJpeg}, {".ico", kImageFormatIco}, {".tif", kImageFormatTif},   {".tga", kImageFormatTga},
      {".mng", kImageFormatMng},   {".pcx", kImageFormatPcx}, {".wbmp", kImageFormatWbmp}, {".wmf", kImageFormatWmf},
  };
  for (const auto& [name, format] : kFormats) {
    if (text == name) return format;
  }
  return kImageFormatUnknown;
}

int DecodeImageMemory(const uint8_t* data, size_t size, const std::string& extension, ImageRecord* record) {
  if (record == nullptr) return 0;
  const ImageFormat format = ImageFormatOfExtension(extension);
  if (format == kImageFormatUnknown) return 0;
  const uint32_t key = record->colour_key & 0xFFFFFF;
  std::string lower = extension;
  AsciiLowerSkipDbcs(lower);
  ImageRecord decoded;
  if (!DecodeCommonPicture(data, size, NameKeyRS(lower), &decoded)) return 0;
  if (format != kImageFormatGif && format != kImageFormatPng) {
    if (decoded.IsPalette()) {
      KeyPalette(&decoded, key);
    } else {
      KeyTrueColour(&decoded, key);
    }
  }
  *record = decoded;
  return 1;
}

int DecodeImageFile(const std::string& path, const std::string& extension, ImageRecord* record) {
  size_t size = 0;
  const std::unique_ptr<uint8_t[]> bytes = ReadWholeFile(path, &size);
  if (!bytes) return 0;
  return DecodeImageMemory(bytes.get(), size, extension, record);
}

}  // namespace engine
