#include "tests/support/solid_pictures.h"

#include <utility>

#include "engine/core/image_handle.h"

namespace test {

namespace {

// Adds frames of opaque pixels (frame after frame) under the name.
void AddFrames(engine::PaintModule* paint, const std::string& name, int width, int height, size_t frames,
               std::vector<uint32_t> pixels) {
  for (uint32_t& p : pixels) p |= 0xFF000000u;
  engine::ImageRecord record;
  record.width = static_cast<uint16_t>(width);
  record.height = static_cast<uint16_t>(height);
  record.pixels = reinterpret_cast<uint8_t*>(pixels.data());
  record.data_size = static_cast<uint32_t>(pixels.size() * 4);
  record.colour_key = 0xFF00FF;
  record.frame_count = static_cast<uint16_t>(frames);
  record.flags = engine::kImageFlagTransparent | engine::kImageFlagAlpha;
  record.frame_columns = 1;
  engine::PictureInfo info;
  info.record = &record;
  info.width = width;
  info.height = height;
  paint->AddPicture(name, &info);  // the cache keeps its own copy
}

}  // namespace

void AddSolidFrames(engine::PaintModule* paint, const std::string& name, int width, int height,
                    const std::vector<uint32_t>& colours) {
  const size_t frame_pixels = static_cast<size_t>(width) * height;
  std::vector<uint32_t> pixels(frame_pixels * colours.size());
  for (size_t f = 0; f < colours.size(); ++f) {
    for (size_t i = 0; i < frame_pixels; ++i) pixels[f * frame_pixels + i] = colours[f];
  }
  AddFrames(paint, name, width, height, colours.size(), std::move(pixels));
}

void AddPixelPicture(engine::PaintModule* paint, const std::string& name, int width, int height,
                     const std::vector<uint32_t>& pixels) {
  if (pixels.size() != static_cast<size_t>(width) * height) return;
  AddFrames(paint, name, width, height, 1, pixels);
}

}  // namespace test
