// Picture decoding beside libpng, and finding package members by name.
//
//   PpsDecode/<codec>     a 1024 x 768 true-colour picture with alpha, decoded from .pps
//   LibpngDecode          the same pixels saved as PNG, decoded by libpng into the same B,G,R,A layout
//   PackageFind/<n>       one name looked up in a package of n entries (the cost must not grow with n)
#include <benchmark/benchmark.h>
#include <png.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/media/pps_picture.h"
#include "engine/media/resource_package.h"
#include "platform/files.h"

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

}  // namespace
