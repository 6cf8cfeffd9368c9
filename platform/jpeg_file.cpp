// JPEG encoding over libjpeg's compressor with an in-memory destination. libjpeg reports fatal
// errors through error_exit, which by default ends the process: here it jumps back to the
// encoder, which frees what it holds and answers false.
#include "platform/jpeg_file.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/atomic_file.h"
#include "platform/files.h"
#include "platform/jpeg_error.h"

namespace platform {
namespace {

// Every object with a destructor lives outside this function, so the jump back skips none.
// rgb_row: a caller-owned buffer of width * 3 bytes. On success *buffer holds the file's bytes
// (malloc'ed by libjpeg) and *size their count.
bool Compress(const uint32_t* pixels, int width, int height, int stride, int quality, unsigned char* rgb_row,
              unsigned char** buffer, unsigned long* size, char* message) {
  jpeg_compress_struct info;
  JpegError error;
  info.err = CatchJpegErrors(&error);
  if (setjmp(error.jump) != 0) {
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", error.message);
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, buffer, size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    const uint32_t* row = pixels + static_cast<size_t>(info.next_scanline) * static_cast<size_t>(stride);
    for (int x = 0; x < width; ++x) {
      rgb_row[x * 3 + 0] = static_cast<unsigned char>(row[x] >> 16);
      rgb_row[x * 3 + 1] = static_cast<unsigned char>(row[x] >> 8);
      rgb_row[x * 3 + 2] = static_cast<unsigned char>(row[x]);
    }
    JSAMPROW rows[1] = {rgb_row};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

}  // namespace

bool EncodeJpeg(const uint32_t* pixels, int width, int height, int stride, int quality, std::vector<uint8_t>* out,
                std::string* error) {
  if (out == nullptr) return false;
  out->clear();
  // libjpeg's own limit on either side is 65500.
  if (pixels == nullptr || width < 1 || height < 1 || width > 65500 || height > 65500 || stride < width) {
    if (error) *error = "no picture to encode";
    return false;
  }
  if (quality < 1) quality = 1;
  if (quality > 100) quality = 100;
  std::vector<unsigned char> rgb_row(static_cast<size_t>(width) * 3);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  char message[JMSG_LENGTH_MAX] = {};
  const bool ok = Compress(pixels, width, height, stride, quality, rgb_row.data(), &buffer, &size, message);
  if (ok && buffer != nullptr) out->assign(buffer, buffer + size);
  std::free(buffer);
  if (!ok || out->empty()) {
    if (error) *error = std::string("JPEG encoder: ") + (message[0] ? message : "no output");
    out->clear();
    return false;
  }
  return true;
}

int SaveNewJpeg(const std::vector<std::string>& names, const uint32_t* pixels, int width, int height, int stride,
                int quality, std::string* error) {
  std::vector<uint8_t> bytes;
  if (names.empty()) {
    if (error) *error = "no name to save the picture under";
    return -1;
  }
  if (!EncodeJpeg(pixels, width, height, stride, quality, &bytes, error)) return -1;
  AtomicFile file(AtomicFile::NewFile{names.front()});
  const int taken = file.Write(bytes.data(), bytes.size()) ? file.CommitNew(names) : -1;
  if (taken < 0 && error) *error = file.error();
  return taken;
}

}  // namespace platform
