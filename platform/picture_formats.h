// The picture readers behind DecodePictureBytes that are not SDL2_image's or giflib's: WBMP
// (read here), MNG (libmng) and WMF (libwmf). Each checks every size before it allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/picture_decoder.h"

namespace platform::picture_formats {

// The 8-byte signature of an MNG file.
bool LooksLikeMng(const uint8_t* data, size_t size);
// A WMF file: the placeable header's key, or a plain metafile header.
bool LooksLikeWmf(const uint8_t* data, size_t size);

bool DecodeWbmp(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error);
bool DecodeMng(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error);
bool DecodeWmf(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error);

}  // namespace platform::picture_formats
