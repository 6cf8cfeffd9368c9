// What each fuzz target does with one input. Shared with the regression test that replays the
// inputs kept under tests/data/fuzz, so a crash found once stays fixed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/media/palette.h"
#include "engine/media/pps_picture.h"
#include "engine/media/resource_package.h"
#include "fuzz/scratch_file.h"

namespace fuzz {

// Decodes a .pps picture; a decoded one must be as large as it says and encode again.
inline void DecodePps(const uint8_t* data, size_t size) {
  engine::ImageRecord record;
  std::string error;
  if (engine::DecodePicture(data, size, &record, &error) == 0) return;
  // Touch every byte the record claims, so an undersized block shows up under the sanitizer.
  volatile uint8_t sum = 0;
  for (uint32_t i = 0; i < record.data_size; ++i) sum = sum + record.pixels[i];
  (void)sum;
  if (record.data_size <= (1u << 20)) {
    const std::vector<uint8_t> again = engine::EncodePicture(record, record.palette, 6, &error);
    (void)again;
  }
  engine::FreePictureRecord(&record);
}

// Walks a package the way the resource module does and loads every member.
inline void WalkPackage(engine::ResourcePackage& package) {
  if (!package.IsOpen()) return;
  package.Rewind();
  std::vector<uint8_t> bytes;
  if (package.GetUsedCount() > 0) {
    do {
      package.LoadCurrent(&bytes);
    } while (package.Next(0));
  }
  package.SeekLast();
  package.GetCurrentEntry();
  package.FindEntryByName("a.imge");
  package.GetName();
}

inline void ReadQzrMemory(const uint8_t* data, size_t size) {
  engine::MemoryResourcePackage package(data, size);
  WalkPackage(package);
}

inline void ReadQzrFile(const uint8_t* data, size_t size, const std::string& scratch_path) {
  if (!WriteScratch(scratch_path, data, size)) return;
  engine::ResourcePackage package(scratch_path);
  WalkPackage(package);
}

inline void LoadQuad(const uint8_t* data, size_t size, const std::string& scratch_path) {
  engine::Palette palette;
  palette.LoadQuadImage(data, size);
  palette.NearestIndexRgb(data && size ? data[0] : 0, 1, 2);
  if (WriteScratch(scratch_path, data, size)) palette.LoadQuad(scratch_path);
  palette.GetColor(palette.count() ? palette.count() - 1 : 0);
}

}  // namespace fuzz
