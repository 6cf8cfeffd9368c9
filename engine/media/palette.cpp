#include "engine/media/palette.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/engine_files.h"
#include "engine/media/byte_span.h"
#include "engine/media/octree_quantiser.h"
#include "engine/media/pps_picture.h"
#include "platform/file_dialog.h"
#include "platform/files.h"

namespace engine {

namespace {

constexpr uint32_t kMaxEntries = 256;

inline uint8_t RedOf(uint32_t colour) { return static_cast<uint8_t>(colour); }
inline uint8_t GreenOf(uint32_t colour) { return static_cast<uint8_t>(colour >> 8); }
inline uint8_t BlueOf(uint32_t colour) { return static_cast<uint8_t>(colour >> 16); }

inline int32_t CubeMagnitude(int32_t d) { return std::abs(d * d * d); }

uint64_t PixelsOf(const ImageRecord& record) {
  return uint64_t{record.width} * record.height * std::max<uint16_t>(record.frame_count, 1);
}

}  // namespace

uint32_t UsablePaletteEntries(const ImageRecord& record) {
  if (!record.palette) return 0;
  uint32_t count = std::min<uint32_t>(record.palette_count, kMaxEntries);
  if ((record.flags & kImageFlagPaletteRef) && !(record.flags & kImageFlagSharedPalette)) {
    count = std::min<uint32_t>(count, kPaletteRefBlockSize / 3);
  }
  return count;
}

std::string Palette::name() const { return std::string(name_, strnlen(name_, kPaletteNameSize)); }

void Palette::SetAll(const uint8_t* colours, uint32_t n, const std::string& name) {
  std::memset(name_, 0, sizeof name_);
  std::memcpy(name_, name.data(), std::min(name.size(), kPaletteNameSize - 1));
  count_ = std::min(n, kMaxEntries);
  if (count_ > 0) std::memcpy(colours_, colours, size_t{count_} * 3);
}

void Palette::SetColor(uint32_t index, uint32_t colour) {
  SetColorRgb(index, RedOf(colour), GreenOf(colour), BlueOf(colour));
}

void Palette::SetColorRgb(uint32_t index, uint8_t red, uint8_t green, uint8_t blue) {
  if (index < count_) {
    colours_[index * 3] = red;
    colours_[index * 3 + 1] = green;
    colours_[index * 3 + 2] = blue;
  } else {
    AddColorRgb(red, green, blue);
  }
}

void Palette::AddColor(uint32_t colour) { AddColorRgb(RedOf(colour), GreenOf(colour), BlueOf(colour)); }

void Palette::AddColorRgb(uint8_t red, uint8_t green, uint8_t blue) {
  if (count_ >= kMaxEntries || FindColor(red, green, blue) >= 0) return;
  colours_[count_ * 3] = red;
  colours_[count_ * 3 + 1] = green;
  colours_[count_ * 3 + 2] = blue;
  ++count_;
}

int Palette::FindColor(uint8_t red, uint8_t green, uint8_t blue) const {
  for (uint32_t i = 0; i < count_; ++i) {
    const uint8_t* c = &colours_[i * 3];
    if (c[0] == red && c[1] == green && c[2] == blue) return static_cast<int>(i);
  }
  return -1;
}

int32_t Palette::GetColor(uint32_t index) const {
  if (index >= count_) return -1;
  const uint8_t* c = &colours_[index * 3];
  return c[0] | (c[1] << 8) | (c[2] << 16);
}

int Palette::NearestIndexRgb(uint8_t red, uint8_t green, uint8_t blue) const {
  int best = 0;
  int32_t best_distance = 1000000;
  for (uint32_t i = 0; i < count_; ++i) {
    const uint8_t* c = &colours_[i * 3];
    const int32_t d = CubeMagnitude(c[0] - red) + CubeMagnitude(c[1] - green) + CubeMagnitude(c[2] - blue);
    if (d == 0) return static_cast<int>(i);
    if (d < best_distance) {
      best = static_cast<int>(i);
      best_distance = d;
    }
  }
  return best;
}

int Palette::NearestIndex(uint32_t colour) const {
  return NearestIndexRgb(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

std::unique_ptr<uint8_t[]> Palette::RemapTrueColour(const uint8_t* pixels, size_t pixel_count, bool alpha) const {
  std::unique_ptr<uint8_t[]> out(new uint8_t[pixel_count * (alpha ? 2 : 1)]);
  uint8_t* w = out.get();
  for (size_t i = 0; i < pixel_count; ++i, pixels += 4) {
    *w++ = static_cast<uint8_t>(NearestIndexRgb(pixels[2], pixels[1], pixels[0]));
    if (alpha) *w++ = pixels[3];
  }
  return out;
}

std::unique_ptr<uint8_t[]> Palette::RemapIndices(const uint8_t* pixels, size_t pixel_count, const uint8_t* old_palette,
                                                 uint32_t old_count, bool alpha) const {
  // One lookup per old entry instead of one search per pixel.
  uint8_t map[256] = {};
  for (uint32_t i = 0; i < std::min(old_count, kMaxEntries); ++i) {
    const uint8_t* c = &old_palette[i * 3];
    map[i] = static_cast<uint8_t>(NearestIndexRgb(c[0], c[1], c[2]));
  }
  const size_t step = alpha ? 2 : 1;
  std::unique_ptr<uint8_t[]> out(new uint8_t[pixel_count * step]);
  for (size_t i = 0; i < pixel_count; ++i) {
    const uint8_t index = pixels[i * step];
    out[i * step] = index < old_count ? map[index] : 0;
    if (alpha) out[i * step + 1] = pixels[i * step + 1];
  }
  return out;
}

uint32_t Palette::ConvertImage(ImageRecord* record, int mode) {
  const uint64_t n = PixelsOf(*record);
  const bool alpha = (record->flags & kImageFlagAlpha) != 0;
  const bool was_palette = record->IsPalette();
  const uint64_t needed = n * (was_palette ? (alpha ? 2 : 1) : 4);
  if (!record->pixels || needed > record->data_size) return 0;

  std::unique_ptr<uint8_t[]> pixels;
  if (was_palette) {
    const uint32_t old_count = UsablePaletteEntries(*record);
    if (record->colour_key < old_count) {
      const uint8_t* c = &record->palette[record->colour_key * 3];
      record->colour_key = static_cast<uint32_t>(NearestIndexRgb(c[0], c[1], c[2]));
    }
    pixels = RemapIndices(record->pixels, n, record->palette, old_count, alpha);
  } else {
    record->colour_key = (record->flags & kImageFlagTransparent)
                             ? static_cast<uint32_t>(NearestIndex(record->colour_key))
                             : kNoPaletteKey;
    pixels = RemapTrueColour(record->pixels, n, alpha);
  }
  delete[] record->pixels;
  record->pixels = pixels.release();
  record->data_size = static_cast<uint32_t>(n * (alpha ? 2 : 1));
  if (!(record->flags & kImageFlagSharedPalette)) delete[] record->palette;
  record->palette = nullptr;

  if (mode == 2) {
    record->palette = colours_;
    record->flags = (record->flags & ~kImageFlagOwnPalette) | kImageFlagPaletteRef | kImageFlagSharedPalette;
  } else {
    record->palette = new uint8_t[size_t{count_} * 3 + 1];
    std::memcpy(record->palette, colours_, size_t{count_} * 3);
    record->flags = (record->flags & ~(kImageFlagPaletteRef | kImageFlagSharedPalette)) | kImageFlagOwnPalette;
  }
  record->palette_count = static_cast<uint16_t>(count_);
  return count_;
}

void Palette::BuildFromImage(const ImageRecord& record, const char* name) {
  SetAll(colours_, 0, name ? std::string(name) : std::to_string(record.serial));
  if (record.IsPalette()) {
    count_ = UsablePaletteEntries(record);
    if (count_ > 0) std::memcpy(colours_, record.palette, size_t{count_} * 3);
    return;
  }
  OctreeQuantiser quantiser;
  const uint64_t bytes = std::min<uint64_t>(PixelsOf(record) * 4, record.pixels ? record.data_size : 0);
  quantiser.AddPixels(record.pixels, record.width, record.height, static_cast<size_t>(bytes));
  quantiser.Reduce();
  quantiser.BuildPalette();
  std::memset(colours_, 0, sizeof colours_);
  count_ = std::min(quantiser.leaf_count(), kMaxEntries);
  if (count_ > 0) std::memcpy(colours_, quantiser.colours().data(), size_t{count_} * 3);
  const uint32_t key = record.colour_key;
  if (count_ < kMaxEntries && FindColor(RedOf(key), GreenOf(key), BlueOf(key)) < 0) {
    AddColorRgb(RedOf(key), GreenOf(key), BlueOf(key));
  }
}

double Palette::Coverage(const ImageRecord& record) const {
  const uint64_t n = PixelsOf(record);
  if (n == 0 || !record.pixels) return 0.0;
  const bool palette = record.IsPalette();
  const int bpp = record.BytesPerPixel();
  if (n * bpp > record.data_size) return 0.0;
  const uint32_t old_count = UsablePaletteEntries(record);
  uint64_t found = 0;
  for (uint64_t i = 0; i < n; ++i) {
    const uint8_t* p = record.pixels + i * bpp;
    if (palette) {
      if (p[0] < old_count) {
        const uint8_t* c = &record.palette[p[0] * 3];
        found += FindColor(c[0], c[1], c[2]) >= 0;
      }
    } else {
      found += FindColor(p[2], p[1], p[0]) >= 0;
    }
  }
  return static_cast<double>(found) / static_cast<double>(n);
}

int Palette::SaveQuad(const std::string& path) const {
  if (GetFileExtension(path) != ".quad") return 0;
  std::vector<uint8_t> file(kQuadHeaderSize + size_t{count_} * 3, 0);
  std::memcpy(file.data(), name_, kPaletteNameSize);
  file[kPaletteNameSize - 1] = 0;
  WriteU16(&file[kPaletteNameSize], static_cast<uint16_t>(count_));
  if (count_ > 0) std::memcpy(&file[kQuadHeaderSize], colours_, size_t{count_} * 3);
  return WriteWholeFile(path, file.data(), file.size());
}

int Palette::SaveQuadAs() const {
  platform::FileDialogRequest request;
  request.open = true;
  request.default_extension = "*.quad";
  request.file_name = "Patten Name";
  request.flags = platform::OFN_HIDEREADONLY | platform::OFN_OVERWRITEPROMPT;
  request.filter = "PIC file(*.quad)|*.quad||";
  std::string path;
  if (!platform::GetFileName(request, &path)) return 0;
  return SaveQuad(path);
}

int Palette::LoadQuad(const std::string& path) {
  if (GetFileExtension(path) != ".quad") return 0;
  std::vector<uint8_t> bytes;
  if (!platform::ReadFileBytes(path, &bytes)) return 0;
  return LoadQuadImage(bytes.data(), bytes.size());
}

int Palette::LoadQuadImage(const uint8_t* bytes, size_t size) {
  if (!bytes || size < kQuadHeaderSize) return 0;
  std::memcpy(name_, bytes, kPaletteNameSize);
  name_[kPaletteNameSize - 1] = 0;
  // Never more colours than the file holds, nor than a palette has.
  const uint32_t stored = ReadU16(bytes + kPaletteNameSize);
  count_ = std::min<uint32_t>({stored, kMaxEntries, static_cast<uint32_t>((size - kQuadHeaderSize) / 3)});
  std::memset(colours_, 0, sizeof colours_);
  if (count_ > 0) std::memcpy(colours_, bytes + kQuadHeaderSize, size_t{count_} * 3);
  return 0;
}

}  // namespace engine
