// Picture decoding beside libpng, and finding package members by name.
//
//   PpsDecode/<codec>     a 1024 x 768 true-colour picture with alpha, decoded from .pps
//   LibpngDecode          the same pixels saved as PNG, decoded by libpng into the same B,G,R,A layout
//   PackageFind/<n>       one name looked up in a package of n entries (the cost must not grow with n)
//   JpegDecode/<file>     a JPEG decoded (or refused) by the picture decoder: hostile files that
//                         once cost seconds or hundreds of megabytes, beside real ones of the
//                         largest size allowed
#include <benchmark/benchmark.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <jpeglib.h>  // after <cstdio>

#include "engine/media/pps_picture.h"
#include "engine/media/resource_package.h"
#include "platform/files.h"
#include "platform/picture_decoder.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// A picture like a game skin: smooth gradients, flat shapes with soft edges, a little grain.
const std::vector<uint8_t>& SkinPixels() {
  static const std::vector<uint8_t> pixels = [] {
    std::vector<uint8_t> px(size_t{kWidth} * kHeight * 4);
    uint32_t seed = 12345;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        seed = seed * 1103515245 + 12345;
        const int grain = static_cast<int>((seed >> 16) & 3);
        uint8_t* p = &px[(size_t{static_cast<size_t>(y)} * kWidth + x) * 4];
        const double d = std::hypot(x - 512.0, y - 384.0);
        const bool disc = d < 200.0;
        const bool panel = (x / 128 + y / 96) % 3 == 0;
        p[0] = static_cast<uint8_t>(disc ? 40 : (x * 255 / kWidth) + grain);
        p[1] = static_cast<uint8_t>(panel ? 180 : (y * 255 / kHeight));
        p[2] = static_cast<uint8_t>(disc ? 220 - grain : 90);
        p[3] = static_cast<uint8_t>(d < 300.0 ? 255 : (d < 340.0 ? 255 - (d - 300.0) * 6 : 0));
      }
    }
    return px;
  }();
  return pixels;
}

std::vector<uint8_t> EncodePps(uint8_t codec) {
  const std::vector<uint8_t>& px = SkinPixels();
  engine::ImageRecord record;
  record.width = kWidth;
  record.height = kHeight;
  record.frame_count = 1;
  record.flags = engine::kImageFlagAlpha;
  record.pixels = const_cast<uint8_t*>(px.data());
  record.data_size = static_cast<uint32_t>(px.size());
  return engine::EncodePicture(record, nullptr, codec);
}

std::vector<uint8_t> EncodePng() {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = kWidth;
  image.height = kHeight;
  image.format = PNG_FORMAT_BGRA;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, SkinPixels().data(), 0, nullptr);
  std::vector<uint8_t> out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, SkinPixels().data(), 0, nullptr)) return {};
  out.resize(size);
  return out;
}

void PpsDecode(benchmark::State& state) {
  const std::vector<uint8_t> file = EncodePps(static_cast<uint8_t>(state.range(0)));
  for (auto _ : state) {
    engine::ImageRecord record;
    const uint32_t size = engine::DecodePicture(file.data(), file.size(), &record);
    benchmark::DoNotOptimize(record.pixels);
    if (size == 0) state.SkipWithError("decode failed");
    engine::FreePictureRecord(&record);
  }
  state.counters["file_bytes"] = static_cast<double>(file.size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * 4);
}
BENCHMARK(PpsDecode)
    ->Arg(engine::kPpsCodecZlib)
    ->Arg(engine::kPpsCodecBestOf)
    ->Arg(engine::kPpsCodecRuns)
    ->Unit(benchmark::kMillisecond);

void LibpngDecode(benchmark::State& state) {
  const std::vector<uint8_t> file = EncodePng();
  std::vector<uint8_t> out(size_t{kWidth} * kHeight * 4);
  for (auto _ : state) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) {
      state.SkipWithError("libpng refused the file");
      break;
    }
    image.format = PNG_FORMAT_BGRA;
    // A fresh block each time, as the .pps decoder allocates its own.
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
    benchmark::DoNotOptimize(pixels.data());
  }
  state.counters["file_bytes"] = static_cast<double>(file.size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * 4);
}
BENCHMARK(LibpngDecode)->Unit(benchmark::kMillisecond);

// Both decoders must give the same pixels, or the comparison means nothing.
void SamePixels(benchmark::State& state) {
  const std::vector<uint8_t> pps = EncodePps(engine::kPpsCodecZlib);
  const std::vector<uint8_t> png = EncodePng();
  engine::ImageRecord record;
  engine::DecodePicture(pps.data(), pps.size(), &record);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  png_image_begin_read_from_memory(&image, png.data(), png.size());
  image.format = PNG_FORMAT_BGRA;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
  png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
  const bool same = record.data_size == pixels.size() &&
                    std::memcmp(record.pixels, pixels.data(), pixels.size()) == 0 && pixels == SkinPixels();
  engine::FreePictureRecord(&record);
  for (auto _ : state) benchmark::DoNotOptimize(same);
  if (!same) state.SkipWithError("the decoders disagree");
}
BENCHMARK(SamePixels)->Iterations(1);

// A package of n members, all one small file, written once per size into the temporary folder.
std::string MakePackage(int n) {
  const std::string folder = std::filesystem::temp_directory_path().string() + "/";
  const std::string path = folder + "bench_find_" + std::to_string(n) + ".qzr";
  const std::string member = folder + "bench_member.bin";
  platform::WriteFileAtomic(member, "x", 1);
  engine::ResourcePackage package("bench", static_cast<uint32_t>(n), 0, 0, 0);
  for (int i = 0; i < n; ++i) package.AddFile("member" + std::to_string(i) + ".png", member, nullptr, 0, 0);
  package.Pack(path, 1);
  return path;
}

void PackageFind(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  engine::ResourcePackage package(MakePackage(n));
  // The last member: a front-to-back scan would pay for every entry before it.
  const std::string name = "member" + std::to_string(n - 1) + ".imge";
  for (auto _ : state) {
    const int32_t index = package.FindEntryByName(name);
    benchmark::DoNotOptimize(index);
  }
  if (package.FindEntryByName(name) != n - 1) state.SkipWithError("member not found");
}
BENCHMARK(PackageFind)->Arg(100)->Arg(10000);

// A progressive JPEG as a hostile writer makes it: tables of one code each, DC scans of a bit
// a block (no difference), AC scans of end-of-band runs of 32767 blocks (a code and 14 bits),
// which libjpeg still goes over block by block.
struct JpegScan {
  std::vector<uint8_t> ids;
  uint8_t ss, se, ah, al;
};

class JpegBits {
 public:
  explicit JpegBits(std::vector<uint8_t>* out) : out_(out) {}
  void Put(uint32_t value, int bits) {
    while (bits-- > 0) {
      byte_ = static_cast<uint8_t>(byte_ << 1 | (value >> bits & 1));
      if (++count_ == 8) Flush();
    }
  }
  void End() {
    while (count_ != 0) Put(1, 1);
  }

 private:
  void Flush() {
    out_->push_back(byte_);
    if (byte_ == 0xFF) out_->push_back(0);  // stuffed
    byte_ = 0;
    count_ = 0;
  }
  std::vector<uint8_t>* out_;
  uint8_t byte_ = 0;
  int count_ = 0;
};

std::vector<uint8_t> HostileJpeg(int width, int height, const std::vector<std::pair<uint8_t, uint8_t>>& components,
                                 const std::vector<JpegScan>& scans) {
  std::vector<uint8_t> out = {0xFF, 0xD8};
  auto segment = [&](uint8_t marker, const std::vector<uint8_t>& body) {
    out.insert(out.end(), {0xFF, marker, uint8_t((body.size() + 2) >> 8), uint8_t(body.size() + 2)});
    out.insert(out.end(), body.begin(), body.end());
  };
  std::vector<uint8_t> quantisation(65, 1);
  quantisation[0] = 0;  // table 0, of bytes
  segment(0xDB, quantisation);
  std::vector<uint8_t> frame = {
      8, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width), uint8_t(components.size())};
  int most_h = 1, most_v = 1;
  for (const auto& [id, sampling] : components) {
    frame.insert(frame.end(), {id, sampling, 0});
    most_h = std::max(most_h, sampling >> 4);
    most_v = std::max(most_v, sampling & 15);
  }
  segment(0xC2, frame);
  std::vector<uint8_t> dc = {0x00, 1}, ac = {0x10, 1};  // one code of one bit: DC difference 0, EOB run 2^14+
  dc.resize(17 + 1, 0);
  ac.resize(17 + 1, 0);
  ac[17] = 0xE0;
  segment(0xC4, dc);
  segment(0xC4, ac);
  auto blocks = [&](uint8_t id, bool whole_mcus) {
    for (const auto& [cid, sampling] : components) {
      if (cid != id) continue;  // libjpeg reads the first component so numbered
      const int h = sampling >> 4, v = sampling & 15;
      int64_t across = (int64_t{width} * h + most_h * 8 - 1) / (most_h * 8);
      int64_t down = (int64_t{height} * v + most_v * 8 - 1) / (most_v * 8);
      if (whole_mcus) across = (across + h - 1) / h * h, down = (down + v - 1) / v * v;
      return across * down;
    }
    return int64_t{0};
  };
  for (const JpegScan& scan : scans) {
    std::vector<uint8_t> header = {uint8_t(scan.ids.size())};
    for (uint8_t id : scan.ids) header.insert(header.end(), {id, 0});
    header.insert(header.end(), {scan.ss, scan.se, uint8_t(scan.ah << 4 | scan.al)});
    segment(0xDA, header);
    JpegBits bits(&out);
    int64_t count = 0;
    for (uint8_t id : scan.ids) count += blocks(id, scan.ids.size() > 1);
    if (scan.ss == 0) {
      for (int64_t i = 0; i < count; ++i) bits.Put(0, 1);
    } else {
      for (int64_t i = 0; i < count; i += 32767) bits.Put(0x3FFF, 15);  // the code 0, then 14 ones
    }
    bits.End();
  }
  out.insert(out.end(), {0xFF, 0xD9});
  return out;
}

// A real picture of colours, smooth with a little grain, as libjpeg writes it progressive
// (cjpeg -progressive: colour sampled 2 x 2; ImageMagick at its default quality: not sampled).
std::vector<uint8_t> RealProgressiveJpeg(int side, int colour_sampling) {
  std::vector<uint8_t> row(size_t(side) * 3);
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = side;
  info.image_height = side;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = colour_sampling;
  jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  uint32_t seed = 1;
  while (info.next_scanline < info.image_height) {
    const int y = static_cast<int>(info.next_scanline);
    for (int x = 0; x < side; ++x) {
      seed = seed * 1103515245 + 12345;
      const int grain = static_cast<int>(seed >> 16) % 24 - 12;
      const double a = std::sin(x * 0.003) * std::cos(y * 0.002), b = std::sin((x + y) * 0.0011);
      auto clamp = [](double v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
      row[x * 3] = clamp(128 + 100 * a + grain);
      row[x * 3 + 1] = clamp(128 + 90 * b + grain);
      row[x * 3 + 2] = clamp(128 + 60 * (a - b) + ((x / 64 + y / 64) % 2) * 30 + grain);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<uint8_t> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

// A grey picture whose every block holds its last coefficient alone, arithmetic-coded: a DC
// scan, padded to a bit a block, then `ac_scans` copies of its one AC scan, each of which walks
// all 63 coefficients of every block for a few bytes (each a decision of next to no bits).
std::vector<uint8_t> ArithmeticJpeg(int side, int ac_scans) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = side;
  info.image_height = side;
  info.input_components = 1;
  info.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  info.arith_code = TRUE;
  static const jpeg_scan_info kScans[2] = {{1, {0}, 0, 0, 0, 0}, {1, {0}, 1, 63, 0, 0}};
  info.scan_info = kScans;
  info.num_scans = 2;
  const JDIMENSION blocks = (side + 7) / 8;
  jvirt_barray_ptr coefficients =
      (*info.mem->request_virt_barray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, TRUE, blocks, blocks, 1);
  jpeg_write_coefficients(&info, &coefficients);
  for (JDIMENSION y = 0; y < blocks; ++y) {
    JBLOCKARRAY row = (*info.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&info), coefficients, y, 1, TRUE);
    for (JDIMENSION x = 0; x < blocks; ++x) {
      std::fill(std::begin(row[0][x]), std::end(row[0][x]), 0);
      row[0][x][63] = 1;
    }
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  const std::vector<uint8_t> file(buffer, buffer + size);
  std::free(buffer);
  // The AC scan (its arithmetic conditioning table, header and data) runs from the first marker
  // after the DC scan's data to the end of the picture.
  size_t dc = 0;
  while (!(file[dc] == 0xFF && file[dc + 1] == 0xDA)) ++dc;
  size_t ac = dc + 2 + (file[dc + 2] << 8 | file[dc + 3]);
  while (!(file[ac] == 0xFF && file[ac + 1] != 0)) ++ac;
  std::vector<uint8_t> out(file.begin(), file.begin() + ac);
  out.resize(out.size() + size_t{blocks} * blocks / 8 + 1, 0);
  for (int i = 0; i < ac_scans; ++i) out.insert(out.end(), file.begin() + ac, file.end() - 2);
  out.insert(out.end(), {0xFF, 0xD9});
  return out;
}

std::vector<JpegScan> Repeated(JpegScan scan, int times, std::vector<JpegScan> before = {}) {
  before.insert(before.end(), times, scan);
  return before;
}

const std::pair<const char*, std::vector<uint8_t> (*)()> kJpegFiles[] = {
    // 37 KB, ids 1, 1, 2 (the first sampled 4 x 4): 3072 refinements of id 1, the largest component.
    {"repeated_ids",
     [] {
       return HostileJpeg(1024, 1024, {{1, 0x44}, {1, 0x11}, {2, 0x11}}, Repeated({{1}, 1, 63, 1, 0}, 3072));
     }},
    // 106 KB, 7168 x 7168 grey: a DC scan and 63 AC refinement scans; beside it, 63 first AC scans.
    {"refinements",
     [] {
       return HostileJpeg(7168, 7168, {{1, 0x11}}, Repeated({{1}, 1, 63, 1, 0}, 63, {{{1}, 0, 0, 0, 0}}));
     }},
    {"first_ac_scans",
     [] {
       return HostileJpeg(7168, 7168, {{1, 0x11}}, Repeated({{1}, 1, 63, 0, 0}, 63, {{{1}, 0, 0, 0, 0}}));
     }},
    // 525 KB, 8192 x 8192 progressive CMYK; 131 KB, the same in grey.
    {"progressive_inks",
     [] {
       return HostileJpeg(8192, 8192, {{1, 0x11}, {2, 0x11}, {3, 0x11}, {4, 0x11}},
                          {{{1, 2, 3, 4}, 0, 0, 0, 0},
                           {{1}, 1, 63, 0, 0},
                           {{2}, 1, 63, 0, 0},
                           {{3}, 1, 63, 0, 0},
                           {{4}, 1, 63, 0, 0}});
     }},
    {"progressive_grey",
     [] {
       return HostileJpeg(8192, 8192, {{1, 0x11}}, {{{1}, 0, 0, 0, 0}, {{1}, 1, 63, 0, 0}});
     }},
    // 105 KB, 7168 x 7168 grey, arithmetic-coded: a DC scan and 63 AC scans.
    {"arithmetic_ac_scans", [] { return ArithmeticJpeg(7168, 63); }},
    // Real files of the largest size allowed.
    {"real_progressive_colour_sampled", [] { return RealProgressiveJpeg(8192, 2); }},
    {"real_progressive_colour_full", [] { return RealProgressiveJpeg(8192, 1); }},
};

void JpegDecode(benchmark::State& state) {
  const auto& [name, make] = kJpegFiles[state.range(0)];
  const std::vector<uint8_t> file = make();
  bool decoded = false;
  std::string error;
  for (auto _ : state) {
    platform::DecodedPicture picture;
    decoded = platform::DecodePictureBytes(file.data(), file.size(), &picture, &error);
    benchmark::DoNotOptimize(picture.frames.data());
  }
  state.SetLabel(std::string(name) + (decoded ? ": decoded" : ": refused, " + error));
  state.counters["file_bytes"] = static_cast<double>(file.size());
}
BENCHMARK(JpegDecode)->DenseRange(0, std::size(kJpegFiles) - 1)->Unit(benchmark::kMillisecond);

}  // namespace
