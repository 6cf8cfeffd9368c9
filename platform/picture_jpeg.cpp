// JPEG through libjpeg: grey and colour pictures come out as blue, green, red and opaque alpha;
// CMYK and YCCK ones (as print software writes them) are turned into colours from their inks,
// opaque. libjpeg reports fatal errors through error_exit, which here jumps back to the reader;
// its warnings (a file cut short is finished in grey, as libjpeg finishes it) are not printed.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <new>

#include "platform/jpeg_error.h"
#include "platform/picture_formats.h"

#include <jerror.h>  // after jpeglib.h, which jpeg_error.h includes

namespace platform::picture_formats {
namespace {

// What is left of a colour channel under its ink and the black ink (0-255 each). Adobe's files,
// which an APP14 marker names, store every ink inverted: 255 there is no ink at all.
uint8_t LeftUnderInks(uint32_t ink, uint32_t black, bool inverted) {
  if (!inverted) {
    ink = 255 - ink;
    black = 255 - black;
  }
  return static_cast<uint8_t>((ink * black + 127) / 255);
}

// Every object with a destructor lives outside this function, so the jump back skips none.
// *pixels is sized and filled here: width x height x 4 bytes.
bool Decompress(const uint8_t* data, size_t size, std::vector<uint8_t>* pixels, int* width, int* height,
                char* message) {
  jpeg_decompress_struct info;
  JpegError error;
  info.err = CatchJpegErrors(&error);
  if (setjmp(error.jump) != 0) {
    // Having no backing store, libjpeg refuses coefficients past the memory it is allowed.
    const bool over = error.manager.msg_code == JERR_NO_BACKING_STORE;
    std::snprintf(message, JMSG_LENGTH_MAX, "%s",
                  over ? "decoding it would take more memory than any picture may" : error.message);
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  // The claim counts libjpeg's coefficients from the file's markers; libjpeg is held to them as
  // well, whatever it read: what the claim allows beside the picture, and its rows.
  const uint64_t picture_bytes = uint64_t{info.image_width} * info.image_height * kJpegPixelBytes;
  info.mem->max_memory_to_use =
      static_cast<long>(kMaxJpegDecodeBytes + kJpegRowBytes - std::min(picture_bytes, kMaxJpegDecodeBytes));
  const bool inks = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = inks ? JCS_CMYK : JCS_EXT_BGRA;  // libjpeg turns YCCK into CMYK
  jpeg_start_decompress(&info);
  const size_t row_bytes = size_t{info.output_width} * 4;
  try {
    pixels->assign(row_bytes * info.output_height, 0);
  } catch (const std::bad_alloc&) {
    std::snprintf(message, JMSG_LENGTH_MAX, "out of memory");
    jpeg_destroy_decompress(&info);
    return false;
  }
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = pixels->data() + row_bytes * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  if (inks) {
    const bool inverted = info.saw_Adobe_marker;
    for (size_t i = 0; i < pixels->size(); i += 4) {
      uint8_t* p = pixels->data() + i;
      const uint8_t cyan = p[0], magenta = p[1], yellow = p[2], black = p[3];
      p[0] = LeftUnderInks(yellow, black, inverted);
      p[1] = LeftUnderInks(magenta, black, inverted);
      p[2] = LeftUnderInks(cyan, black, inverted);
      p[3] = 255;
    }
  }
  *width = static_cast<int>(info.output_width);
  *height = static_cast<int>(info.output_height);
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error) {
  DecodedPicture result;
  PictureFrame frame;
  char message[JMSG_LENGTH_MAX] = {};
  if (!Decompress(data, size, &frame.pixels, &result.width, &result.height, message)) {
    if (error) *error = std::string("JPEG: ") + (message[0] ? message : "unreadable file");
    return false;
  }
  if (result.width <= 0 || result.height <= 0) {
    if (error) *error = "JPEG: empty picture";
    return false;
  }
  result.frames.push_back(std::move(frame));
  *out = std::move(result);
  return true;
}

}  // namespace platform::picture_formats
