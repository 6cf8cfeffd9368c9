// JPEG through libjpeg: grey and colour pictures come out as blue, green, red and opaque alpha;
// CMYK and YCCK ones (as print software writes them) are turned into colours from their inks,
// opaque. libjpeg reports fatal errors through error_exit, which here jumps back to the reader;
// its warnings (a file cut short is finished in grey, as libjpeg finishes it) are not printed.
// The TIFF reader decodes the JPEG streams of its strips and tiles through the same decoder,
// row by row, held to the same memory.
#include <algorithm>
#include <climits>
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

// The memory libjpeg may take: `memory`, or when 0 what the claim counts of the stream's
// coefficients from its markers, whatever libjpeg read: what the claim allows beside the
// picture, and its rows.
long MemoryAllowed(uint64_t memory, const jpeg_decompress_struct& info) {
  if (memory == 0) {
    const uint64_t picture_bytes = uint64_t{info.image_width} * info.image_height * kJpegPixelBytes;
    memory = kMaxJpegDecodeBytes + kJpegRowBytes - std::min(picture_bytes, kMaxJpegDecodeBytes);
  }
  return static_cast<long>(std::min<uint64_t>(memory, LONG_MAX));
}

// Every object with a destructor lives outside this function, so the jump back skips none.
// `tables` (or null) is a stream of tables alone that the stream's own may leave out. The sink
// is told the stream's sides and takes its rows; libjpeg is held to `memory` bytes.
bool Decompress(const uint8_t* tables, size_t tables_size, const uint8_t* data, size_t size, JpegSamples samples,
                uint64_t memory, JpegRowSink* sink, char* message) {
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
  if (tables && tables_size > 0) {
    jpeg_mem_src(&info, tables, static_cast<unsigned long>(tables_size));
    jpeg_read_header(&info, FALSE);  // tables alone: libjpeg keeps them for the stream
  }
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  info.mem->max_memory_to_use = MemoryAllowed(memory, info);
  const bool inks = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  switch (samples) {
    case JpegSamples::kPicture:
      info.out_color_space = inks ? JCS_CMYK : JCS_EXT_BGRA;  // libjpeg turns YCCK into CMYK
      break;
    case JpegSamples::kYCbCrAsRgb:
      if (info.num_components != 3) {
        std::snprintf(message, JMSG_LENGTH_MAX, "a YCbCr stream of %d components", info.num_components);
        jpeg_destroy_decompress(&info);
        return false;
      }
      info.jpeg_color_space = JCS_YCbCr;
      info.out_color_space = JCS_RGB;
      break;
    case JpegSamples::kAsStored:
      info.jpeg_color_space = info.num_components == 1 ? JCS_GRAYSCALE : JCS_UNKNOWN;
      info.out_color_space = info.jpeg_color_space;
      break;
  }
  jpeg_start_decompress(&info);
  const uint32_t rows =
      sink->Start(info.output_width, info.output_height, info.out_color_components, info.saw_Adobe_marker != 0, inks);
  if (rows == 0) {
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", sink->refusal.c_str());
    jpeg_destroy_decompress(&info);
    return false;
  }
  while (info.output_scanline < rows) {
    const uint32_t y = info.output_scanline;
    JSAMPROW row = sink->Row(y);
    jpeg_read_scanlines(&info, &row, 1);
    sink->Done(y);
  }
  if (rows == info.output_height) jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

// A .jpg's rows straight into its picture, inks turned into colours at the end.
class PictureRows : public JpegRowSink {
 public:
  explicit PictureRows(std::vector<uint8_t>* pixels) : pixels_(pixels) {}
  uint32_t Start(uint32_t width, uint32_t height, int, bool adobe, bool inks) override {
    width_ = width;
    height_ = height;
    inverted_ = adobe;
    inks_ = inks;
    try {
      pixels_->assign(size_t{width} * height * 4, 0);
    } catch (const std::bad_alloc&) {
      refusal = "out of memory";
      return 0;
    }
    return height;
  }
  uint8_t* Row(uint32_t y) override { return pixels_->data() + size_t{width_} * 4 * y; }
  void Finish() {
    if (!inks_) return;
    for (size_t i = 0; i < pixels_->size(); i += 4) {
      uint8_t* p = pixels_->data() + i;
      const uint8_t cyan = p[0], magenta = p[1], yellow = p[2], black = p[3];
      p[0] = LeftUnderInks(yellow, black, inverted_);
      p[1] = LeftUnderInks(magenta, black, inverted_);
      p[2] = LeftUnderInks(cyan, black, inverted_);
      p[3] = 255;
    }
  }
  uint32_t width_ = 0, height_ = 0;

 private:
  std::vector<uint8_t>* pixels_;
  bool inverted_ = false, inks_ = false;
};

}  // namespace

bool DecodeJpegRows(const uint8_t* tables, size_t tables_size, const uint8_t* data, size_t size, JpegSamples samples,
                    uint64_t memory, JpegRowSink* sink, std::string* error) {
  char message[JMSG_LENGTH_MAX] = {};
  if (Decompress(tables, tables_size, data, size, samples, memory, sink, message)) return true;
  *error = message[0] ? message : "unreadable stream";
  return false;
}

bool DecodeJpeg(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error) {
  DecodedPicture result;
  PictureFrame frame;
  PictureRows rows(&frame.pixels);
  std::string reason;
  if (!DecodeJpegRows(nullptr, 0, data, size, JpegSamples::kPicture, 0, &rows, &reason)) {
    if (error) *error = "JPEG: " + reason;
    return false;
  }
  if (rows.width_ == 0 || rows.height_ == 0) {
    if (error) *error = "JPEG: empty picture";
    return false;
  }
  rows.Finish();
  result.width = static_cast<int>(rows.width_);
  result.height = static_cast<int>(rows.height_);
  result.frames.push_back(std::move(frame));
  *out = std::move(result);
  return true;
}

}  // namespace platform::picture_formats
