// libjpeg's fatal errors, caught: by default error_exit ends the process; with this manager it
// keeps libjpeg's message and jumps back to the setjmp of the one who set it up, and warnings
// are not printed. Used by the JPEG writer and the JPEG reader.
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>  // after <cstdio>: it needs size_t and FILE

namespace platform {

struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

// Installs `error` as the manager of a compress or decompress struct (before jpeg_create_*);
// the caller then does `if (setjmp(error.jump) != 0)` and reads error.message there.
inline jpeg_error_mgr* CatchJpegErrors(JpegError* error) {
  jpeg_error_mgr* manager = jpeg_std_error(&error->manager);
  manager->error_exit = [](j_common_ptr info) {
    auto* caught = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, caught->message);
    std::longjmp(caught->jump, 1);
  };
  manager->output_message = [](j_common_ptr) {};
  error->message[0] = '\0';
  return manager;
}

}  // namespace platform
