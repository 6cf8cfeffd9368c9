// The TGA reader at the largest size decoded: 8192 x 8192 pixels of 32 bits, raw and in
// run-length packets, each decoded whole.
//
//   TgaDecode/raw, TgaDecode/run_length   time; peak_bytes: the most the heap grew by during a
//                                         decode (every operator new counted), beside
//                                         frame_bytes, the decoded frame's size
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "platform/picture_decoder.h"

namespace {

std::atomic<size_t> g_in_use{0};
std::atomic<size_t> g_most{0};

void* Counted(void* block) {
  if (!block) throw std::bad_alloc();
  const size_t now = g_in_use += malloc_usable_size(block);
  for (size_t most = g_most.load(); now > most && !g_most.compare_exchange_weak(most, now);) {
  }
  return block;
}

void Uncounted(void* block) {
  if (!block) return;
  g_in_use -= malloc_usable_size(block);
  std::free(block);
}

}  // namespace

void* operator new(size_t size) { return Counted(std::malloc(size)); }
void* operator new[](size_t size) { return Counted(std::malloc(size)); }
void operator delete(void* block) noexcept { Uncounted(block); }
void operator delete[](void* block) noexcept { Uncounted(block); }
void operator delete(void* block, size_t) noexcept { Uncounted(block); }
void operator delete[](void* block, size_t) noexcept { Uncounted(block); }

namespace {

constexpr int kSide = 8192;

// A picture like a large skin: flat panels (long runs) beside gradients with grain (no runs),
// 32 bits a pixel, rows from the top; run-length packets where pixels repeat, raw ones elsewhere.
std::vector<uint8_t> MakeTga(bool run_length) {
  std::vector<uint8_t> tga = {0, 0, uint8_t(run_length ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0,
                              kSide & 0xFF, kSide >> 8, kSide & 0xFF, kSide >> 8, 32, 0x28};
  std::vector<uint32_t> row(kSide);
  uint32_t seed = 1;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      seed = seed * 1103515245 + 12345;
      const bool flat = (x / 512 + y / 512) % 2 == 0;
      row[x] = flat ? 0xFF336699u : 0xFF000000u | (x & 0xFF) << 16 | (y & 0xFF) << 8 | (seed >> 16 & 0x1F);
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(row.data());
    if (!run_length) {
      tga.insert(tga.end(), bytes, bytes + size_t{kSide} * 4);
      continue;
    }
    for (int x = 0; x < kSide;) {
      int same = 1;
      while (x + same < kSide && same < 128 && row[x + same] == row[x]) ++same;
      if (same > 1) {
        tga.push_back(static_cast<uint8_t>(0x80 | (same - 1)));
        tga.insert(tga.end(), bytes + x * 4, bytes + x * 4 + 4);
        x += same;
        continue;
      }
      int differ = 1;
      while (x + differ < kSide && differ < 128 && row[x + differ] != row[x + differ - 1]) ++differ;
      tga.push_back(static_cast<uint8_t>(differ - 1));
      tga.insert(tga.end(), bytes + x * 4, bytes + (x + differ) * 4);
      x += differ;
    }
  }
  return tga;
}

void TgaDecode(benchmark::State& state) {
  const bool run_length = state.range(0) != 0;
  const std::vector<uint8_t> file = MakeTga(run_length);
  size_t peak = 0;
  bool decoded = false;
  std::string error;
  for (auto _ : state) {
    platform::DecodedPicture picture;
    const size_t before = g_in_use;
    g_most = before;
    decoded = platform::DecodePictureBytes(file.data(), file.size(), &picture, &error);
    peak = std::max(peak, g_most - before);
    benchmark::DoNotOptimize(picture.frames.data());
  }
  state.SetLabel(std::string(run_length ? "run_length" : "raw") + (decoded ? "" : ": refused, " + error));
  state.counters["file_bytes"] = static_cast<double>(file.size());
  state.counters["frame_bytes"] = static_cast<double>(size_t{kSide} * kSide * 4);
  state.counters["peak_bytes"] = static_cast<double>(peak);
}
BENCHMARK(TgaDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
