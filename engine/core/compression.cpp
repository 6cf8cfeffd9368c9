#include "engine/core/compression.h"

#include <zlib.h>

#include <cstring>
#include <new>

#include "engine/core/engine_log.h"

namespace engine {

namespace {

// deflate never reaches a ratio above about 1032:1, so a larger expected size cannot be right;
// refusing it keeps a corrupt size field from reserving gigabytes.
constexpr uint64_t kMaxInflateRatio = 1100;
constexpr uint64_t kInflateSlack = 1024;

}  // namespace

std::unique_ptr<uint8_t[]> CompressBuffer(uint32_t& compressedSize, const void* source, uint32_t length) {
  compressedSize = 0;
  if (source == nullptr && length != 0) {
    WriteGameLog("CompressBuffer: no source for %u bytes", length);
    return nullptr;
  }
  static const Bytef kNothing = 0;
  const auto* input = source != nullptr ? static_cast<const Bytef*>(source) : &kNothing;

  // One work block of zlib's worst-case size always fits the output.
  uLongf workSize = compressBound(length);
  std::unique_ptr<Bytef[]> work(new (std::nothrow) Bytef[workSize]);
  if (!work) {
    WriteGameLog("CompressBuffer: no memory for %lu bytes", static_cast<unsigned long>(workSize));
    return nullptr;
  }
  const int result = compress(work.get(), &workSize, input, length);
  if (result != Z_OK) {
    WriteGameLog("CompressBuffer: zlib error %d on %u bytes", result, length);
    return nullptr;
  }
  std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[workSize]);
  if (!out) {
    WriteGameLog("CompressBuffer: no memory for %lu bytes", static_cast<unsigned long>(workSize));
    return nullptr;
  }
  std::memcpy(out.get(), work.get(), workSize);
  compressedSize = static_cast<uint32_t>(workSize);
  return out;
}

std::unique_ptr<uint8_t[]> UncompressBuffer(uint32_t& size, const void* source, uint32_t length) {
  const uint32_t expected = size;
  size = 0;
  if (source == nullptr || length == 0) {
    WriteGameLog("UncompressBuffer: no compressed data");
    return nullptr;
  }
  if (expected > uint64_t{length} * kMaxInflateRatio + kInflateSlack) {
    WriteGameLog("UncompressBuffer: %u bytes cannot come from %u compressed bytes", expected, length);
    return nullptr;
  }
  std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[expected == 0 ? 1 : expected]);
  if (!out) {
    WriteGameLog("UncompressBuffer: no memory for %u bytes", expected);
    return nullptr;
  }
  if (!InflateExactly(source, length, out.get(), expected)) {
    WriteGameLog("UncompressBuffer: %u compressed bytes are not one whole stream of %u bytes", length, expected);
    return nullptr;
  }
  size = expected;
  return out;
}

bool InflateExactly(const void* source, size_t length, uint8_t* out, size_t capacity) {
  if (source == nullptr || length == 0 || length > UINT32_MAX || capacity > UINT32_MAX) return false;
  // An empty stream still needs somewhere to write nothing.
  uint8_t nowhere = 0;
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return false;
  stream.next_in = static_cast<Bytef*>(const_cast<void*>(source));
  stream.avail_in = static_cast<uInt>(length);
  stream.next_out = capacity == 0 ? &nowhere : out;
  stream.avail_out = static_cast<uInt>(capacity);
  // One call: the whole input is there, and the output cannot take more than capacity.
  const int result = inflate(&stream, Z_FINISH);
  const bool whole = result == Z_STREAM_END && stream.avail_in == 0 && stream.avail_out == 0;
  inflateEnd(&stream);
  return whole;
}

}  // namespace engine
