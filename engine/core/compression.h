// zlib wrappers for the replay files. Each returns a new block that the caller owns, or null
// (with a log line) when zlib fails, so a bad file is never taken for good data.
#pragma once

#include <cstdint>
#include <memory>

namespace engine {

// The zlib stream of length bytes of source; compressedSize receives its length.
std::unique_ptr<uint8_t[]> CompressBuffer(uint32_t& compressedSize, const void* source, uint32_t length);

// size: in, the expected uncompressed size (as stored beside the stream); out, the bytes produced.
// The block is zero-filled to the expected size. Null when the stream is corrupt or truncated,
// or inflates to more than the expected size.
std::unique_ptr<uint8_t[]> UncompressBuffer(uint32_t& size, const void* source, uint32_t length);

}  // namespace engine
