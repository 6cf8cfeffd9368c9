#include "engine/media/picture_helpers.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "engine/media/palette.h"
#include "engine/media/pps_picture.h"

namespace engine {

namespace {

constexpr double kPi = 3.14159;

uint64_t PixelCountOf(const ImageRecord& record) {
  return uint64_t{record.width} * record.height * std::max<uint16_t>(record.frame_count, 1);
}

inline uint32_t RgbOf(const uint8_t* bgra) { return bgra[2] | (bgra[1] << 8) | (bgra[0] << 16); }

}  // namespace

int CosDeg(double degrees, int length) {
  if (std::isnan(degrees) || degrees == 0.0) return length;
  if (degrees == 90.0 || degrees == 270.0) return 0;
  if (degrees == 180.0) return -length;
  return static_cast<int>(std::cos(degrees * kPi / 180.0) * length);
}

int SinDeg(double degrees, int length) {
  if (std::isnan(degrees) || degrees == 0.0 || degrees == 180.0) return 0;
  if (degrees == 90.0) return length;
  if (degrees == 270.0) return -length;
  return static_cast<int>(std::sin(degrees * kPi / 180.0) * length);
}

uint32_t CountColours(const ImageRecord& record) {
  if (record.IsPalette()) return record.palette_count;
  const uint64_t n = std::min<uint64_t>(PixelCountOf(record), record.pixels ? record.data_size / 4 : 0);
  std::vector<bool> seen(1 << 24);
  uint32_t distinct = 0;
  for (uint64_t i = 0; i < n; ++i) {
    const uint32_t rgb = RgbOf(record.pixels + i * 4);
    if (seen[rgb]) continue;
    seen[rgb] = true;
    if (++distinct >= 4096) return 4097;
  }
  return distinct;
}

int ReduceToPalette(ImageRecord* record) {
  if (record->IsPalette() || !record->pixels) return 0;
  const uint64_t n = PixelCountOf(*record);
  if (n * 4 > record->data_size) return 0;
  std::vector<uint8_t> colours;
  std::unordered_map<uint32_t, uint32_t> seen;
  for (uint64_t i = 0; i < n; ++i) {
    const uint8_t* p = record->pixels + i * 4;
    if (seen.emplace(RgbOf(p), 0).second) {
      if (seen.size() >= 256) return 0;
      colours.insert(colours.end(), {p[2], p[1], p[0]});
    }
  }
  Palette palette;
  palette.SetAll(colours.data(), static_cast<uint32_t>(colours.size() / 3), "");
  const bool alpha = record->HasAlpha();
  std::unique_ptr<uint8_t[]> pixels = palette.RemapTrueColour(record->pixels, n, alpha);
  // The key must become an index: the colour's own, or none when no pixel has it.
  if (record->flags & kImageFlagTransparent) {
    uint8_t rgb[3];
    ColorRefToRgb(rgb, record->colour_key);
    const int index = palette.FindColor(rgb[0], rgb[1], rgb[2]);
    if (index >= 0) {
      record->colour_key = static_cast<uint32_t>(index);
    } else {
      record->colour_key = kNoPaletteKey;
      record->flags &= ~kImageFlagTransparent;
    }
  } else {
    record->colour_key = kNoPaletteKey;
  }
  delete[] record->pixels;
  record->pixels = pixels.release();
  record->data_size = static_cast<uint32_t>(n * (alpha ? 2 : 1));
  if (!(record->flags & kImageFlagSharedPalette)) delete[] record->palette;
  record->palette = new uint8_t[colours.size() + 1];
  std::memcpy(record->palette, colours.data(), colours.size());
  record->palette_count = static_cast<uint16_t>(colours.size() / 3);
  record->flags = (record->flags & ~(kImageFlagPaletteRef | kImageFlagSharedPalette)) | kImageFlagOwnPalette;
  return 1;
}

uint32_t CollectPalette(const uint8_t* pixels, size_t pixel_count, uint8_t* palette_out) {
  // Colours in order of first appearance, with exact counts.
  std::unordered_map<uint32_t, size_t> slot;
  std::vector<std::pair<uint32_t, size_t>> counts;
  for (size_t i = 0; i < pixel_count; ++i) {
    const uint32_t rgb = RgbOf(pixels + i * 4);
    auto [it, fresh] = slot.emplace(rgb, counts.size());
    if (fresh) counts.emplace_back(rgb, 0);
    ++counts[it->second].second;
  }
  std::vector<bool> written(counts.size());
  uint32_t entries = 0;
  size_t threshold = std::max<size_t>(pixel_count / 256, 1);
  while (true) {
    for (size_t c = 0; c < counts.size(); ++c) {
      if (written[c] || counts[c].second < threshold) continue;
      written[c] = true;
      const uint32_t rgb = counts[c].first;
      palette_out[entries * 3] = static_cast<uint8_t>(rgb);
      palette_out[entries * 3 + 1] = static_cast<uint8_t>(rgb >> 8);
      palette_out[entries * 3 + 2] = static_cast<uint8_t>(rgb >> 16);
      if (++entries == 256) return entries;
    }
    if (threshold == 1) break;
    threshold /= 2;
  }
  return entries;
}

void ColorRefToRgb(uint8_t* out, uint32_t colour) {
  out[0] = static_cast<uint8_t>(colour);
  out[1] = static_cast<uint8_t>(colour >> 8);
  out[2] = static_cast<uint8_t>(colour >> 16);
}

}  // namespace engine
