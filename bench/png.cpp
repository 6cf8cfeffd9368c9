// The PNG reader at the largest size, and a small file that once cost more than the largest.
//
//   PngDecode/<file>   a PNG decoded (or refused) by the picture decoder. Counters: peak_bytes,
//                      the most the heap held at once beyond what it held before the decode (the
//                      frame and everything libpng and the reader keep beside it), frame_bytes,
//                      the 8-bit BGRA frame the picture gives, and file_bytes.
//
// The heap is counted by this program's own malloc, free and their kin, which every library in
// the process calls (libpng's blocks and zlib's as well as the frame).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include <zlib.h>

#include "platform/picture_decoder.h"
#include "platform/png_file.h"

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

namespace {

std::atomic<int64_t> heap_live{0};
std::atomic<int64_t> heap_peak{0};

void* Counted(void* block) {
  if (block) {
    const int64_t live = heap_live += static_cast<int64_t>(malloc_usable_size(block));
    int64_t peak = heap_peak.load(std::memory_order_relaxed);
    while (live > peak && !heap_peak.compare_exchange_weak(peak, live)) {
    }
  }
  return block;
}

void Uncount(void* block) {
  if (block) heap_live -= static_cast<int64_t>(malloc_usable_size(block));
}

}  // namespace

extern "C" {
void* malloc(size_t size) { return Counted(__libc_malloc(size)); }
void* calloc(size_t count, size_t size) { return Counted(__libc_calloc(count, size)); }
void free(void* block) {
  Uncount(block);
  __libc_free(block);
}
void* realloc(void* block, size_t size) {
  const int64_t old = block ? static_cast<int64_t>(malloc_usable_size(block)) : 0;
  void* moved = __libc_realloc(block, size);
  if (!moved && size != 0) return nullptr;  // the old block stays
  heap_live -= old;
  return Counted(moved);
}
void* memalign(size_t alignment, size_t size) { return Counted(__libc_memalign(alignment, size)); }
void* aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }
int posix_memalign(void** out, size_t alignment, size_t size) {
  void* block = memalign(alignment, size);
  if (!block) return ENOMEM;
  *out = block;
  return 0;
}
void* valloc(size_t size) { return memalign(4096, size); }
void* pvalloc(size_t size) { return memalign(4096, (size + 4095) / 4096 * 4096); }
}

namespace {

constexpr int kSide = 8192;

// A real picture of the largest size: smooth gradients with a little grain, as a photograph or
// a rendered skin compresses (about 1 byte a pixel), and soft alpha.
std::vector<uint8_t> RealRgba() {
  std::vector<uint8_t> bgra(size_t{kSide} * kSide * 4);
  uint32_t seed = 12345;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      seed = seed * 1103515245 + 12345;
      const int grain = static_cast<int>((seed >> 16) & 7);
      uint8_t* p = &bgra[(size_t{static_cast<size_t>(y)} * kSide + x) * 4];
      p[0] = static_cast<uint8_t>(x / 32 + grain);
      p[1] = static_cast<uint8_t>(y / 32 + grain);
      p[2] = static_cast<uint8_t>((x + y) / 64);
      p[3] = static_cast<uint8_t>(255 - ((x ^ y) >> 5));
    }
  }
  return platform::EncodePng(kSide, kSide, bgra.data());
}

// A PNG chunk: its length, type, data and CRC.
void PutChunk(std::vector<uint8_t>* out, const char* type, const std::vector<uint8_t>& data) {
  const uint32_t length = static_cast<uint32_t>(data.size());
  out->insert(out->end(), {uint8_t(length >> 24), uint8_t(length >> 16), uint8_t(length >> 8), uint8_t(length)});
  const size_t at = out->size();
  out->insert(out->end(), type, type + 4);
  out->insert(out->end(), data.begin(), data.end());
  const uint32_t crc = static_cast<uint32_t>(crc32(0, out->data() + at, static_cast<uInt>(out->size() - at)));
  out->insert(out->end(), {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)});
}

// About 1 MB: a 3 x 2 picture behind 1,000 zTXt comments, each inflating to a million letters.
std::vector<uint8_t> ThousandComments() {
  const uint8_t dot[3 * 2 * 4] = {};
  const std::vector<uint8_t> picture = platform::EncodePng(3, 2, dot);
  std::vector<uint8_t> text = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 0};
  const std::vector<uint8_t> letters(1000000, 'a');
  uLongf size = compressBound(static_cast<uLong>(letters.size()));
  std::vector<uint8_t> deflated(size);
  compress2(deflated.data(), &size, letters.data(), static_cast<uLong>(letters.size()), 9);
  text.insert(text.end(), deflated.begin(), deflated.begin() + static_cast<long>(size));
  const size_t header = 8 + 25;  // signature, IHDR
  std::vector<uint8_t> file(picture.begin(), picture.begin() + header);
  for (int i = 0; i < 1000; ++i) PutChunk(&file, "zTXt", text);
  file.insert(file.end(), picture.begin() + header, picture.end());
  return file;
}

const struct {
  const char* name;
  std::vector<uint8_t> (*make)();
} kPngFiles[] = {
    {"real_8192_square_rgba", RealRgba},
    {"1000_ztxt_comments", ThousandComments},
};

void PngDecode(benchmark::State& state) {
  const auto& [name, make] = kPngFiles[state.range(0)];
  const std::vector<uint8_t> file = make();
  bool decoded = false;
  std::string error;
  int64_t peak = 0, frame = 0;
  for (auto _ : state) {
    platform::DecodedPicture picture;
    const int64_t before = heap_live.load();
    heap_peak = before;
    decoded = platform::DecodePictureBytes(file.data(), file.size(), &picture, &error);
    peak = std::max(peak, heap_peak.load() - before);
    frame = int64_t{picture.width} * picture.height * 4;
    benchmark::DoNotOptimize(picture.frames.data());
  }
  state.SetLabel(std::string(name) + (decoded ? ": decoded" : ": refused, " + error));
  state.counters["file_bytes"] = static_cast<double>(file.size());
  state.counters["frame_bytes"] = static_cast<double>(frame);
  state.counters["peak_bytes"] = static_cast<double>(peak);
}
BENCHMARK(PngDecode)->DenseRange(0, std::size(kPngFiles) - 1)->Unit(benchmark::kMillisecond);

}  // namespace
