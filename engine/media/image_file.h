// Pictures of the common formats read straight from a file or a block of memory into an
// ImageRecord, without the paint module's cache. The format is named by the caller's extension
// text; a picture of a format other than GIF or PNG takes the record's colour key as its
// transparent colour.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/media/image_record.h"

namespace engine {

// The picture formats by extension text, as numbered for the decoder.
enum ImageFormat : int {
  kImageFormatUnknown = 0,
  kImageFormatBmp = 1,
  kImageFormatGif = 2,
  kImageFormatJpeg = 3,
  kImageFormatPng = 4,
  kImageFormatIco = 5,
  kImageFormatTif = 6,
  kImageFormatTga = 7,
  kImageFormatPcx = 8,
  kImageFormatWbmp = 9,
  kImageFormatWmf = 10,
  kImageFormatMng = 17,
};

// ".gif", ".bmp", ".png", ".jpg", ".jpeg", ".ico", ".tif", ".tga", ".mng", ".pcx", ".wbmp" and
// ".wmf" (in any case) name their formats; any other text, ".pps" among them, is unknown.
ImageFormat ImageFormatOfExtension(const std::string& extension);

// Decodes a picture of the format the extension names into *record: 1 decoded, 0 refused (an
// unknown extension or bytes that do not decode; the record is left alone). On the way in the
// record's colour key is a COLORREF: a picture other than GIF or PNG makes it its transparent
// colour. A true-colour picture's pixels of that colour become transparent (alpha 0); a palette
// picture takes the palette entry nearest to it as its transparent index when that entry is the
// colour exactly, and is left without transparency otherwise. The caller frees the record with
// FreePictureRecord.
int DecodeImageMemory(const uint8_t* data, size_t size, const std::string& extension, ImageRecord* record);
// The same for a whole file (path as the engine's other file calls take it).
int DecodeImageFile(const std::string& path, const std::string& extension, ImageRecord* record);

}  // namespace engine
