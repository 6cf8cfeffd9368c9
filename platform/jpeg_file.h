// JPEG writing with libjpeg (libjpeg-turbo): the program's screenshots.
//
// The encoder works in memory; a file is written whole or not at all (a temporary name, then a
// rename that never replaces a file). Every libjpeg failure is caught inside this module and
// reported as a failure with a reason.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Encodes width x height pixels (0xAARRGGBB words, rows of stride words, top row first; alpha
// is ignored) as a baseline JPEG of the given quality (clamped to 1..100).
bool EncodeJpeg(const uint32_t* pixels, int width, int height, int stride, int quality, std::vector<uint8_t>* out,
                std::string* error);

// Encodes as EncodeJpeg and writes a new file (paths in GBK) under the first of names that
// nothing stands at in the moment it takes the name (see AtomicFile::CommitNew): an existing file
// is never replaced. The index of the name taken; -1, with nothing written, when encoding or any
// write fails or every name is taken.
int SaveNewJpeg(const std::vector<std::string>& names, const uint32_t* pixels, int width, int height, int stride,
                int quality, std::string* error);

}  // namespace platform
