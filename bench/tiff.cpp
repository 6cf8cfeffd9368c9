// TIFF decoding at the largest size allowed (8192 x 8192, a frame of 256 MiB): the time, and the
// most bytes the heap held at once during a decode (every allocation counted here, through the
// program's own malloc), beside the frame's size.
//
//   TiffDecode/<file>   a TIFF that libtiff writes in the layouts picture tools use, decoded (or
//                       refused) by the picture decoder; a few-kilobyte file claiming the whole
//                       size, and one JPEG strip of 98 refinement scans
//   TiffBeside/<pair>   a layout (separate planes, tiles, a tile of the whole picture, JPEG
//                       strips and tiles) beside the same picture in the layout it is measured
//                       against (interleaved strips, or a .jpg), decoded in turns: the processor
//                       time of each (ours_us, peer_us, ratio) and the heap's peak of each
//                       (ours_MiB, peer_MiB)
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "bench/side_by_side.h"
#include "platform/files.h"
#include "platform/jpeg_file.h"
#include "platform/picture_decoder.h"

// Every allocation of the program counted: the bytes held now, and the most held since a reset.
namespace {
std::atomic<int64_t> held{0}, most_held{0};
void Count(int64_t bytes) {
  const int64_t now = held.fetch_add(bytes, std::memory_order_relaxed) + bytes;
  int64_t seen = most_held.load(std::memory_order_relaxed);
  while (now > seen && !most_held.compare_exchange_weak(seen, now, std::memory_order_relaxed)) {
  }
}
}  // namespace

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);

void* malloc(size_t size) {
  void* p = __libc_malloc(size);
  if (p) Count(static_cast<int64_t>(malloc_usable_size(p)));
  return p;
}
void* calloc(size_t count, size_t size) {
  void* p = __libc_calloc(count, size);
  if (p) Count(static_cast<int64_t>(malloc_usable_size(p)));
  return p;
}
void* realloc(void* old, size_t size) {
  const int64_t before = old ? static_cast<int64_t>(malloc_usable_size(old)) : 0;
  void* p = __libc_realloc(old, size);
  if (p) Count(static_cast<int64_t>(malloc_usable_size(p)) - before);
  if (!p && size == 0) Count(-before);
  return p;
}
void* memalign(size_t alignment, size_t size) {
  void* p = __libc_memalign(alignment, size);
  if (p) Count(static_cast<int64_t>(malloc_usable_size(p)));
  return p;
}
void* aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }
int posix_memalign(void** out, size_t alignment, size_t size) {
  *out = memalign(alignment, size);
  return *out ? 0 : ENOMEM;
}
void free(void* p) {
  if (p) Count(-static_cast<int64_t>(malloc_usable_size(p)));
  __libc_free(p);
}
}

namespace {

constexpr uint32_t kSide = 8192;
constexpr double kFrameBytes = double{kSide} * kSide * 4;

// A sample of a smooth picture with soft alpha.
uint8_t Sample(uint32_t x, uint32_t y, int c) {
  switch (c) {
    case 0:
      return uint8_t(x >> 5);
    case 1:
      return uint8_t(y >> 5);
    case 2:
      return uint8_t((x + y) >> 6);
    default:
      return uint8_t(255 - ((x ^ y) >> 7));
  }
}

struct Layout {
  const char* name;
  uint16_t photometric, samples, bits, compression;
  uint32_t tile;  // 0: strips
  uint32_t rows;  // a strip's, 0: libtiff's default (about 8 KB a strip, as ImageMagick writes them)
  bool planar;
};

// Where a file is written before it is read back: the temporary folder, a name of this run's.
std::string ScratchPath() {
  return (std::filesystem::temp_directory_path() / ("bench_tiff_" + std::to_string(getpid()))).string();
}

// The file's bytes; the file goes.
std::vector<uint8_t> TakeFile(const std::string& path) {
  std::vector<uint8_t> file;
  platform::ReadFileBytes(path, &file);
  std::filesystem::remove(path);
  return file;
}

// The file libtiff writes of the smooth picture in the layout.
std::vector<uint8_t> Write(const Layout& l) {
  const std::string path = ScratchPath();
  TIFF* t = TIFFOpen(path.c_str(), "w");
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kSide);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, kSide);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, l.photometric);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, l.samples);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, l.bits);
  TIFFSetField(t, TIFFTAG_COMPRESSION, l.compression);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, l.planar ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
  if (l.samples >= 4 && l.photometric == PHOTOMETRIC_RGB) {  // alpha, and any more unspecified
    const uint16_t extra[5] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, l.samples - 3, extra);
  }
  if (l.photometric == PHOTOMETRIC_YCBCR) TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  const int colours = l.photometric == PHOTOMETRIC_YCBCR ? 3 : l.samples;
  const uint16_t planes = l.planar ? l.samples : 1, per_plane = l.planar ? 1 : colours;
  const size_t bytes = l.bits / 8;
  auto put = [&](uint8_t* at, uint32_t x, uint32_t y, int c) {
    const uint8_t v = Sample(x, y, c);
    if (bytes == 1) return void(*at = v);
    const uint16_t wide = uint16_t(v * 257);
    std::memcpy(at, &wide, 2);
  };
  if (l.tile == 0) {
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, l.rows ? l.rows : TIFFDefaultStripSize(t, 0));
    std::vector<uint8_t> row(size_t{kSide} * per_plane * bytes);
    for (uint16_t p = 0; p < planes; ++p) {
      for (uint32_t y = 0; y < kSide; ++y) {
        for (uint32_t x = 0; x < kSide; ++x) {
          for (int c = 0; c < per_plane; ++c) put(&row[(size_t{x} * per_plane + c) * bytes], x, y, l.planar ? p : c);
        }
        TIFFWriteScanline(t, row.data(), y, p);
      }
    }
  } else {
    TIFFSetField(t, TIFFTAG_TILEWIDTH, l.tile);
    TIFFSetField(t, TIFFTAG_TILELENGTH, l.tile);
    std::vector<uint8_t> block(size_t{l.tile} * l.tile * per_plane * bytes);
    for (uint16_t p = 0; p < planes; ++p) {
      for (uint32_t top = 0; top < kSide; top += l.tile) {
        for (uint32_t left = 0; left < kSide; left += l.tile) {
          for (uint32_t y = 0; y < l.tile; ++y) {
            for (uint32_t x = 0; x < l.tile; ++x) {
              for (int c = 0; c < per_plane; ++c) {
                put(&block[((size_t{y} * l.tile + x) * per_plane + c) * bytes], left + x, top + y, l.planar ? p : c);
              }
            }
          }
          TIFFWriteTile(t, block.data(), left, top, 0, p);
        }
      }
    }
  }
  TIFFClose(t);
  return TakeFile(path);
}

// A few tens of kilobytes that claim the whole size: separate planes of 16 bits, one deflated strip each
// of a short stream of zeros.
std::vector<uint8_t> FewKilobytes() {
  const std::string path = ScratchPath();
  TIFF* t = TIFFOpen(path.c_str(), "w");
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kSide);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, kSide);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 4);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 16);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_SEPARATE);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, kSide);
  const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
  TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
  // A zlib stream of 1 MB of zeros in fixed Huffman codes: one literal 0, then 258-byte matches
  // at distance 1 (no checksum: libtiff stops at the strip's 65th row).
  std::vector<uint8_t> stream;
  {
    std::vector<uint8_t> out = {0x78, 0xDA};
    uint32_t bits = 0, count = 0;
    auto put_bits = [&](uint32_t value, int n) {  // least significant bit first
      bits |= value << count;
      count += n;
      while (count >= 8) {
        out.push_back(uint8_t(bits));
        bits >>= 8;
        count -= 8;
      }
    };
    auto put_code = [&](uint32_t code, int n) {  // Huffman codes go most significant bit first
      uint32_t reversed = 0;
      for (int i = 0; i < n; ++i) reversed |= ((code >> i) & 1) << (n - 1 - i);
      put_bits(reversed, n);
    };
    put_bits(1, 1);     // the last block
    put_bits(1, 2);     // fixed codes
    put_code(0x30, 8);  // literal 0
    for (int i = 0; i < 4000; ++i) {
      put_code(0xC5, 8);  // length 258 (code 285)
      put_code(0, 5);     // distance 1
    }
    put_code(0, 7);  // end of block
    if (count) out.push_back(uint8_t(bits));
    stream = out;
  }
  for (uint32_t p = 0; p < 4; ++p) TIFFWriteRawStrip(t, p, stream.data(), tmsize_t(stream.size()));
  TIFFClose(t);
  return TakeFile(path);
}

// One JPEG strip of 98 AC refinement scans over an 8192-square grey picture, 140 KB of scan data.
std::vector<uint8_t> RefinementsStrip() {
  std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xC2, 0, 11, 8, 0x20, 0, 0x20, 0, 1, 1, 0x11, 0};
  auto scan = [&](uint8_t ss, uint8_t se, uint8_t ah) {
    jpeg.insert(jpeg.end(), {0xFF, 0xDA, 0, 8, 1, 1, 0, ss, se, uint8_t(ah << 4 | (ah ? ah - 1 : 0))});
  };
  scan(0, 0, 0);
  jpeg.resize(jpeg.size() + 140000, 0);
  scan(1, 63, 0);
  for (int i = 0; i < 98; ++i) scan(1, 63, 1);
  jpeg.insert(jpeg.end(), {0xFF, 0xD9});
  const std::string path = ScratchPath();
  TIFF* t = TIFFOpen(path.c_str(), "w");
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kSide);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, kSide);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, kSide);
  TIFFWriteRawStrip(t, 0, jpeg.data(), tmsize_t(jpeg.size()));
  TIFFClose(t);
  return TakeFile(path);
}

const Layout kLayouts[] = {
    {"rgba8_lzw_strips", PHOTOMETRIC_RGB, 4, 8, COMPRESSION_LZW, 0, 0, false},
    {"rgba16_deflate_strips", PHOTOMETRIC_RGB, 4, 16, COMPRESSION_ADOBE_DEFLATE, 0, 0, false},
    {"rgba8_one_uncompressed_strip", PHOTOMETRIC_RGB, 4, 8, COMPRESSION_NONE, 0, kSide, false},
    {"rgba8_deflate_tiles_256", PHOTOMETRIC_RGB, 4, 8, COMPRESSION_ADOBE_DEFLATE, 256, 0, false},
    {"rgba8_planes_of_one_deflate_strip", PHOTOMETRIC_RGB, 4, 8, COMPRESSION_ADOBE_DEFLATE, 0, kSide, true},
    {"cmyk8_lzw_strips", PHOTOMETRIC_SEPARATED, 4, 8, COMPRESSION_LZW, 0, 0, false},
    {"ycbcr_jpeg_strips", PHOTOMETRIC_YCBCR, 3, 8, COMPRESSION_JPEG, 0, 16, false},
    {"rgb_jpeg_tiles_256", PHOTOMETRIC_RGB, 3, 8, COMPRESSION_JPEG, 256, 0, false},
};
constexpr size_t kLayoutCount = std::size(kLayouts);

void TiffDecode(benchmark::State& state) {
  const size_t which = static_cast<size_t>(state.range(0));
  const std::vector<uint8_t> file = which < kLayoutCount    ? Write(kLayouts[which])
                                    : which == kLayoutCount ? FewKilobytes()
                                                            : RefinementsStrip();
  const char* name = which < kLayoutCount    ? kLayouts[which].name
                     : which == kLayoutCount ? "few_kilobytes_claiming_all"
                                             : "jpeg_strip_of_98_refinements";
  bool decoded = false;
  std::string error;
  int64_t peak = 0;
  for (auto _ : state) {
    const int64_t before = held.load();
    most_held.store(before);
    {
      platform::DecodedPicture picture;
      decoded = platform::DecodePictureBytes(file.data(), file.size(), &picture, &error);
      benchmark::DoNotOptimize(picture.frames.data());
    }
    peak = std::max(peak, most_held.load() - before);
  }
  state.SetLabel(std::string(name) + (decoded ? ": decoded" : ": refused, " + error));
  state.counters["file_bytes"] = static_cast<double>(file.size());
  state.counters["peak_MiB"] = static_cast<double>(peak) / (1 << 20);
  state.counters["frame_MiB"] = kFrameBytes / (1 << 20);
  state.counters["peak_per_frame"] = static_cast<double>(peak) / kFrameBytes;
}
BENCHMARK(TiffDecode)->DenseRange(0, kLayoutCount + 1)->Unit(benchmark::kMillisecond)->Iterations(2);

// The smooth picture as a .jpg of libjpeg's (baseline, colour subsampled 2 x 2).
std::vector<uint8_t> Jpg() {
  std::vector<uint32_t> pixels(size_t{kSide} * kSide);
  for (uint32_t y = 0; y < kSide; ++y) {
    for (uint32_t x = 0; x < kSide; ++x) {
      pixels[size_t{y} * kSide + x] = 0xFF000000u | Sample(x, y, 0) << 16 | Sample(x, y, 1) << 8 | Sample(x, y, 2);
    }
  }
  std::vector<uint8_t> out;
  std::string error;
  platform::EncodeJpeg(pixels.data(), kSide, kSide, kSide, 75, &out, &error);
  return out;
}

// A layout beside the one it is measured against (null: the picture as a .jpg).
struct Pair {
  Layout ours;
  const Layout* peer;
};
const Layout kRgba8Strip = {"rgba8_one_deflate_strip", PHOTOMETRIC_RGB, 4, 8, COMPRESSION_ADOBE_DEFLATE, 0, kSide, false};
const Layout kRgba16Strip = {"rgba16_one_deflate_strip", PHOTOMETRIC_RGB, 4, 16, COMPRESSION_ADOBE_DEFLATE, 0, kSide, false};
const Layout kSamples8Strip = {"8_samples16_one_deflate_strip", PHOTOMETRIC_RGB, 8, 16, COMPRESSION_ADOBE_DEFLATE, 0, kSide, false};
const Layout kRgba8Strips = {"rgba8_deflate_strips", PHOTOMETRIC_RGB, 4, 8, COMPRESSION_ADOBE_DEFLATE, 0, 0, false};
const Layout kRgbJpegStrips = {"rgb_jpeg_strips_16", PHOTOMETRIC_RGB, 3, 8, COMPRESSION_JPEG, 0, 16, false};
const Layout kYcbcrJpegStrips = {"ycbcr_jpeg_strips_16", PHOTOMETRIC_YCBCR, 3, 8, COMPRESSION_JPEG, 0, 16, false};
const Pair kPairs[] = {
    {{"rgba8_planes_of_one_deflate_strip", PHOTOMETRIC_RGB, 4, 8, COMPRESSION_ADOBE_DEFLATE, 0, kSide, true}, &kRgba8Strip},
    {{"rgba16_planes_of_one_deflate_strip", PHOTOMETRIC_RGB, 4, 16, COMPRESSION_ADOBE_DEFLATE, 0, kSide, true}, &kRgba16Strip},
    {{"8_samples16_planes_of_one_deflate_strip", PHOTOMETRIC_RGB, 8, 16, COMPRESSION_ADOBE_DEFLATE, 0, kSide, true},
     &kSamples8Strip},
    {{"rgba8_planes_of_deflate_strips", PHOTOMETRIC_RGB, 4, 8, COMPRESSION_ADOBE_DEFLATE, 0, 0, true}, &kRgba8Strips},
    {{"rgba8_deflate_tiles_256", PHOTOMETRIC_RGB, 4, 8, COMPRESSION_ADOBE_DEFLATE, 256, 0, false}, &kRgba8Strips},
    {{"rgba8_planes_of_deflate_tiles_256", PHOTOMETRIC_RGB, 4, 8, COMPRESSION_ADOBE_DEFLATE, 256, 0, true}, &kRgba8Strips},
    {{"rgba8_one_deflate_tile_of_the_picture", PHOTOMETRIC_RGB, 4, 8, COMPRESSION_ADOBE_DEFLATE, kSide, 0, false},
     &kRgba8Strip},
    {{"rgba16_planes_of_deflate_tiles_4096", PHOTOMETRIC_RGB, 4, 16, COMPRESSION_ADOBE_DEFLATE, 4096, 0, true},
     &kRgba16Strip},
    {{"rgb_jpeg_planes_of_strips_16", PHOTOMETRIC_RGB, 3, 8, COMPRESSION_JPEG, 0, 16, true}, &kRgbJpegStrips},
    {{"rgb_jpeg_tiles_256", PHOTOMETRIC_RGB, 3, 8, COMPRESSION_JPEG, 256, 0, false}, &kRgbJpegStrips},
    {{"ycbcr_jpeg_tiles_256", PHOTOMETRIC_YCBCR, 3, 8, COMPRESSION_JPEG, 256, 0, false}, &kYcbcrJpegStrips},
    {kYcbcrJpegStrips, nullptr},
};

void TiffBeside(benchmark::State& state) {
  const Pair& pair = kPairs[state.range(0)];
  const std::vector<uint8_t> ours = Write(pair.ours), peer = pair.peer ? Write(*pair.peer) : Jpg();
  int64_t ours_peak = 0, peer_peak = 0;
  std::string ours_error, peer_error;
  auto decode = [](const std::vector<uint8_t>& file, int64_t* peak, std::string* error) {
    const int64_t before = held.load();
    most_held.store(before);
    {
      platform::DecodedPicture picture;
      if (!platform::DecodePictureBytes(file.data(), file.size(), &picture, error)) return;
      benchmark::DoNotOptimize(picture.frames.data());
    }
    *peak = std::max(*peak, most_held.load() - before);
  };
  bench::SideBySide<bench::ThreadCpuClock>(
      state, [&] { decode(ours, &ours_peak, &ours_error); }, [&] { decode(peer, &peer_peak, &peer_error); });
  state.SetLabel(std::string(pair.ours.name) + " beside " + (pair.peer ? pair.peer->name : "a .jpg of libjpeg's") +
                 (ours_error.empty() && peer_error.empty() ? "" : ": refused, " + ours_error + peer_error));
  state.counters["ours_MiB"] = static_cast<double>(ours_peak) / (1 << 20);
  state.counters["peer_MiB"] = static_cast<double>(peer_peak) / (1 << 20);
}
BENCHMARK(TiffBeside)->DenseRange(0, std::size(kPairs) - 1)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
