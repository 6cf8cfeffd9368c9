#include "engine/core/image_handle.h"

#include <cstring>

#include "engine/core/colour_key.h"
#include "engine/media/pps_picture.h"

namespace engine {

namespace {

bool IsGrid(const ImageRecord& r) { return r.frame_columns >= 2; }

}  // namespace

int32_t WrapFrameIndex(int64_t n, uint32_t count) {
  if (count <= 1) return 0;
  int64_t r = n % static_cast<int64_t>(count);
  if (r < 0) r += count;
  return static_cast<int32_t>(r);
}

int64_t ImageHandle::PixelOffset(int x, int y, int32_t frame) const {
  const ImageRecord* r = info_.record;
  if (r == nullptr || r->pixels == nullptr) return -1;
  const int64_t w = r->width;
  const int64_t h = r->height;
  if (x < 0 || y < 0 || x >= w || y >= h || frame < 0) return -1;
  int64_t index = 0;
  int64_t bpp = 4;
  if (IsGrid(*r)) {
    const int64_t c = r->frame_columns;
    index = ((frame / c) * h + y) * (w * c) + (frame % c) * w + x;
  } else {
    bpp = r->BytesPerPixel();
    index = x + y * w + int64_t{frame} * h * w;
  }
  const int64_t offset = index * bpp;
  if (offset + bpp > int64_t{r->data_size}) return -1;
  return offset;
}

bool ImageHandle::HitTest(int x, int y) const {
  const ImageRecord* r = info_.record;
  if (r == nullptr) return false;
  if (x < 0 || x >= info_.width || y < 0 || y >= info_.height) return false;
  const int64_t offset = PixelOffset(x + info_.source_x, y + info_.source_y, info_.frame);
  if (offset < 0) return false;
  const uint8_t* p = r->pixels + offset;
  if (IsGrid(*r) || !r->IsPalette()) return p[3] != 0;
  if (r->HasAlpha()) return p[0] != r->colour_key && p[1] != 0;
  return p[0] != r->colour_key;
}

bool ImageHandle::IsCurrent() const { return info_.record != nullptr && info_.serial == info_.record->serial; }

void ImageHandle::MarkChanged() {
  if (info_.record) info_.record->flags |= kImageFlagFrameChanged;
}

void ImageHandle::ClearChanged() {
  if (info_.record) info_.record->flags &= ~kImageFlagFrameChanged;
}

uint32_t ImageHandle::GetColourKey() const { return info_.record ? info_.record->colour_key : kColourKey; }

PictureInfo* ImageHandle::GetParams(PictureInfo* out) const {
  if (out) *out = info_;
  return out;
}

uint32_t ImageHandle::GetFrameDuration(int32_t frame) const {
  const ImageRecord* r = info_.record;
  if (r == nullptr || r->delays == nullptr || (r->flags & kImageFlagDelays) == 0 || r->frame_count == 0) return 0;
  return r->delays[WrapFrameIndex(frame, r->frame_count)];
}

uint32_t ImageHandle::GetTotalDuration() const {
  const ImageRecord* r = info_.record;
  if (r == nullptr || r->delays == nullptr || (r->flags & kImageFlagDelays) == 0) return 0;
  uint32_t total = 0;
  for (uint32_t i = 0; i < r->frame_count; ++i) total += r->delays[i];
  return total;
}

int32_t ImageHandle::GetOffsetX() const { return info_.record ? info_.record->offset_x : 0; }

int32_t ImageHandle::GetOffsetY() const { return info_.record ? info_.record->offset_y : 0; }

uint32_t ImageHandle::GetPixelColour(int x, int y) const {
  const int64_t offset = PixelOffset(x, y, info_.frame);
  if (offset < 0) return 0;
  const ImageRecord* r = info_.record;
  const uint8_t* p = r->pixels + offset;
  if (IsGrid(*r) || !r->IsPalette()) return p[2] | (uint32_t{p[1]} << 8) | (uint32_t{p[0]} << 16);
  // A palette entry outside the palette (or a reference block instead of a palette) has no colour.
  if ((r->flags & kImageFlagOwnPalette) == 0 || r->palette == nullptr || p[0] >= r->palette_count) return 0;
  const uint8_t* entry = r->palette + p[0] * 3;
  return entry[0] | (uint32_t{entry[1]} << 8) | (uint32_t{entry[2]} << 16);
}

uint8_t ImageHandle::GetPixelAlpha(int x, int y) const {
  const int64_t offset = PixelOffset(x, y, info_.frame);
  if (offset < 0) return 0;
  const ImageRecord* r = info_.record;
  const uint8_t* p = r->pixels + offset;
  if (IsGrid(*r) || !r->IsPalette()) return p[3];
  if (r->HasAlpha()) return p[1];
  return p[0] == r->colour_key ? 0 : 255;
}

uint16_t ImageHandle::GetFrameCount() const { return info_.record ? info_.record->frame_count : 0; }

NameKey* ImageHandle::GetNameKey(NameKey* out) const {
  if (out) *out = info_.key;
  return out;
}

void ImageHandle::SetSize(int32_t width, int32_t height) {
  info_.width = width;
  info_.height = height;
}

uint32_t ImageHandle::SetFrame(int32_t frame) {
  const ImageRecord* r = info_.record;
  if (r == nullptr || r->frame_count < 2) return 0;
  const int32_t next = WrapFrameIndex(frame, r->frame_count);
  if (next != info_.frame) info_.record->flags |= kImageFlagFrameChanged;
  info_.frame = next;
  return GetFrameDuration(next);
}

uint32_t ImageHandle::NextFrame() {
  const ImageRecord* r = info_.record;
  if (r == nullptr || r->frame_count < 2) return 0;
  info_.frame = WrapFrameIndex(int64_t{info_.frame} + 1, r->frame_count);
  return GetFrameDuration(info_.frame);
}

uint32_t ImageHandle::SelectFrameByTime(uint32_t t, int32_t start) {
  const ImageRecord* r = info_.record;
  if (r == nullptr || r->frame_count == 1 || r->delays == nullptr || (r->flags & kImageFlagDelays) == 0) {
    return static_cast<uint32_t>(start);
  }
  const uint32_t total = GetTotalDuration();
  if (total != 0) t %= total;
  uint64_t acc = 0;
  for (uint32_t i = 0; i < r->frame_count; ++i) {
    const int32_t g = WrapFrameIndex(int64_t{i} + start, r->frame_count);
    acc += r->delays[g];
    if (t < acc) return g == info_.frame ? static_cast<uint32_t>(start) : SetFrame(g);
  }
  return static_cast<uint32_t>(start);
}

ImageRecord* ExtractFrame(ImageRecord* out, const ImageRecord* source, int32_t frame) {
  if (out == nullptr) return out;
  *out = ImageRecord{};
  if (source == nullptr) return out;
  out->width = source->width;
  out->height = source->height;
  out->flags =
      source->flags & ~(kImageFlagDelays | kImageFlagOwnPalette | kImageFlagPaletteRef | kImageFlagSharedPalette);
  out->colour_key = source->colour_key;
  out->offset_x = source->offset_x;
  out->offset_y = source->offset_y;
  out->frame_count = 1;
  out->frame_columns = 1;

  const uint64_t w = source->width;
  const uint64_t h = source->height;
  const uint64_t columns = source->frame_columns == 0 ? 1 : source->frame_columns;
  // Only 4-byte pixels can be copied as such; a palette picture would be read past its block.
  if (source->IsPalette() || source->pixels == nullptr || w == 0 || h == 0 || frame < 0) return out;
  const uint64_t f = static_cast<uint64_t>(frame);
  const uint64_t first = ((f / columns) * h) * (w * columns) + (f % columns) * w;
  const uint64_t last_end = first + (h - 1) * w * columns + w;
  if (last_end * 4 > source->data_size) return out;

  out->data_size = static_cast<uint32_t>(w * h * 4);
  out->pixels = new uint8_t[out->data_size]();
  for (uint64_t y = 0; y < h; ++y) {
    std::memcpy(out->pixels + y * w * 4, source->pixels + (first + y * w * columns) * 4, w * 4);
  }
  return out;
}

void FreeImageRecord(ImageRecord* record) {
  if (record == nullptr) return;
  if ((record->flags & kImageFlagDelays) != 0 || record->delays != nullptr) delete[] record->delays;
  // The reference block of a palette reference is owned by the record as an own palette is.
  if ((record->flags & kImageFlagSharedPalette) == 0) delete[] record->palette;
  delete[] record->pixels;
  *record = ImageRecord{};
}

void CopyImageRecord(const ImageRecord* source, ImageRecord* destination, bool with_pixels) {
  if (source == nullptr || destination == nullptr || source == destination) return;
  FreeImageRecord(destination);
  *destination = *source;
  destination->delays = nullptr;
  destination->palette = nullptr;
  destination->pixels = nullptr;
  destination->data_size = 0;
  if ((source->flags & kImageFlagDelays) != 0 && source->delays != nullptr) {
    destination->delays = new uint32_t[source->frame_count]();
    std::memcpy(destination->delays, source->delays, sizeof(uint32_t) * source->frame_count);
  }
  if ((source->flags & kImageFlagOwnPalette) != 0 && source->palette != nullptr) {
    destination->palette = new uint8_t[size_t{source->palette_count} * 3]();
    std::memcpy(destination->palette, source->palette, size_t{source->palette_count} * 3);
  } else if ((source->flags & kImageFlagPaletteRef) != 0 && source->palette != nullptr) {
    destination->palette = new uint8_t[kPaletteRefBlockSize]();
    std::memcpy(destination->palette, source->palette, kPaletteRefBlockSize);
  }
  // The copy owns what it holds, even when the source borrowed its palette.
  destination->flags &= ~kImageFlagSharedPalette;
  if (with_pixels && source->pixels != nullptr) {
    destination->pixels = new uint8_t[source->data_size]();
    std::memcpy(destination->pixels, source->pixels, source->data_size);
    destination->data_size = source->data_size;
  }
  // A grid keeps its layout when its pixels come along; without pixels there is no layout to keep.
  const bool grid = with_pixels && source->pixels != nullptr && source->frame_columns >= 2;
  destination->frame_columns = grid ? source->frame_columns : 1;
  destination->cache_time = 0;
  destination->last_word = 0;
}

}  // namespace engine
