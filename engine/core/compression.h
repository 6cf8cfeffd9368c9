// zlib wrappers for the replay files and the pictures' zlib planes. The buffer functions return a
// new block that the caller owns, or null (with a log line) when zlib fails, so a bad file is
// never taken for good data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace engine {

// The zlib stream of length bytes of source; compressedSize receives its length.
std::unique_ptr<uint8_t[]> CompressBuffer(uint32_t& compressedSize, const void* source, uint32_t length);

// size: in, the expected uncompressed size (as stored beside the stream); out, the bytes produced,
// which are then exactly that many. Null (size 0) unless InflateExactly takes the stream.
std::unique_ptr<uint8_t[]> UncompressBuffer(uint32_t& size, const void* source, uint32_t length);

// Inflates the zlib stream of length bytes at source into out. True only when the stream is whole,
// fills exactly capacity bytes and ends exactly at the end of the source: a stream cut short,
// one that inflates to more or fewer bytes, and bytes after its end are all refused.
bool InflateExactly(const void* source, size_t length, uint8_t* out, size_t capacity);

}  // namespace engine
