// The picture readers behind DecodePictureBytes that are not SDL2_image's or giflib's: WBMP
// (read here), MNG (libmng) and WMF (libwmf), and the sizes that headers claim. Each reader
// checks every size before it allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/picture_decoder.h"

namespace platform::picture_formats {

// Words of a file, little- and big-endian (the caller has checked that they lie inside it).
inline uint32_t Le16(const uint8_t* p) { return p[0] | p[1] << 8; }
inline uint32_t Be16(const uint8_t* p) { return uint32_t{p[0]} << 8 | p[1]; }
inline uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }
inline uint32_t Be32(const uint8_t* p) { return uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// No picture format packs more pixels into one byte of its file than this (deflate at one bit a
// pixel comes nearest, at about 8,300): a file that claims more than its bytes could describe is
// refused before anything is allocated for it.
inline constexpr uint64_t kMaxPixelsPerFileByte = 16384;

// The size a header claims; 0 x 0 when it claims none the caller could read.
struct PictureClaim {
  uint64_t width = 0;
  uint64_t height = 0;
};
// Why a picture of that claimed size is refused from a file of file_bytes bytes (larger than
// the largest picture decoded, or than its bytes could hold), or null when it may be read.
const char* ClaimProblem(PictureClaim claim, size_t file_bytes);
// The size a device-independent bitmap's header at `at` claims: the old core header's 16-bit
// sides, or the signed sides of the later ones (a negative height means top-down rows).
PictureClaim BitmapHeaderClaim(const uint8_t* data, size_t size, size_t at);
// The size claimed by a picture that SDL2_image reads as the type (its type names: "PNG",
// "BMP", "JPG", "TIF", "PCX", "ICO", "CUR", "TGA").
PictureClaim SdlPictureClaim(const std::string& type, const uint8_t* data, size_t size);

// The 8-byte signature of an MNG file.
bool LooksLikeMng(const uint8_t* data, size_t size);
// A WMF file: the placeable header's key, or a plain metafile header.
bool LooksLikeWmf(const uint8_t* data, size_t size);

bool DecodeWbmp(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error);
bool DecodeMng(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error);
bool DecodeWmf(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error);

}  // namespace platform::picture_formats
