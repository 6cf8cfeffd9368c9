#include "tests/support/solid_pictures.h"

#include "engine/core/image_handle.h"

namespace test {

void AddSolidFrames(engine::PaintModule* paint, const std::string& name, int width, int height,
                    const std::vector<uint32_t>& colours) {
  const size_t frame_pixels = static_cast<size_t>(width) * height;
  std::vector<uint32_t> pixels(frame_pixels * colours.size());
  for (size_t f = 0; f < colours.size(); ++f) {
    for (size_t i = 0; i < frame_pixels; ++i) pixels[f * frame_pixels + i] = 0xFF000000u | colours[f];
  }
  engine::ImageRecord record;
  record.width = static_cast<uint16_t>(width);
  record.height = static_cast<uint16_t>(height);
  record.pixels = reinterpret_cast<uint8_t*>(pixels.data());
  record.data_size = static_cast<uint32_t>(pixels.size() * 4);
  record.colour_key = 0xFF00FF;
  record.frame_count = static_cast<uint16_t>(colours.size());
  record.flags = engine::kImageFlagTransparent | engine::kImageFlagAlpha;
  record.frame_columns = 1;
  engine::PictureInfo info;
  info.record = &record;
  info.width = width;
  info.height = height;
  paint->AddPicture(name, &info);  // the cache keeps its own copy
}

}  // namespace test
