// What pixman makes of a frame's layers: the paint module records what each item of one batch
// draws (picture, source band, opacity and the rectangle it covers upright), and PixmanLayers
// composites the same pictures, all upright, with pixman OVER onto a frame that starts as the
// base layer. It is the peer a full redraw is measured against: the pictures' own compositing,
// without the frame copies a paint module makes.
#pragma once

#include <pixman.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/core/image_handle.h"
#include "engine/core/object_geometry.h"
#include "engine/core/paint_batch.h"
#include "engine/media/gdi_paint_module.h"
#include "engine/media/picture_turn.h"

namespace bench {

// One item of a batch as drawn: its picture's pixels turned into premultiplied 0xAARRGGBB words
// (pixman's a8r8g8b8) and the rectangle the picture covers when upright.
struct Layer {
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  int left = 0, top = 0;
  double opacity = 1.0;
};

// The paint module, keeping the layers of the batches it draws while `recording` is set.
class RecordingPaint : public engine::GdiPaintModule {
 public:
  void DrawItemImage(engine::DrawItem* item, engine::ImageHandle* image) override {
    if (recording) Record(*item, *image);
    GdiPaintModule::DrawItemImage(item, image);
  }
  bool recording = false;
  std::vector<Layer> layers;

 private:
  void Record(const engine::DrawItem& item, const engine::ImageHandle& image) {
    const engine::ImageRecord* record = image.GetRecord();
    const engine::PictureInfo& info = image.info();
    if (record == nullptr || info.width <= 0 || info.height <= 0) return;
    engine::DrawParams params;
    MakeDrawParams(&params, &item);
    params.angle = 0.0;
    const platform::RECT upright = engine::DrawBounds(&params);
    Layer layer;
    layer.width = std::min<int>(info.width, record->width);
    layer.height = std::min<int>(info.height, record->height);
    layer.left = upright.left;
    layer.top = upright.top;
    layer.opacity = item.geometry.alpha;
    const int frame = record->frame_count > 0 ? info.frame % record->frame_count : 0;
    const int band = info.source_y + frame * record->height;
    layer.pixels.resize(static_cast<size_t>(layer.width) * layer.height);
    for (int y = 0; y < layer.height; ++y)
      for (int x = 0; x < layer.width; ++x)
        layer.pixels[static_cast<size_t>(y) * layer.width + x] = Premultiplied(*record, info.source_x + x, band + y);
    layers.push_back(std::move(layer));
  }
  static uint32_t Premultiplied(const engine::ImageRecord& r, int x, int y) {
    const size_t at = static_cast<size_t>(y) * r.width + x;
    uint32_t word;
    if (r.IsPalette()) {
      const int bpp = r.BytesPerPixel();
      const uint8_t index = r.pixels[at * bpp];
      const uint32_t alpha = index == r.colour_key ? 0 : bpp == 2 ? r.pixels[at * 2 + 1] : 255;
      const uint8_t* rgb = index < r.palette_count ? r.palette + index * 3 : nullptr;
      word = rgb ? (alpha << 24 | uint32_t{rgb[0]} << 16 | uint32_t{rgb[1]} << 8 | rgb[2]) : alpha << 24;
    } else {
      word = reinterpret_cast<const uint32_t*>(r.pixels)[at];
      if (!r.HasAlpha()) word |= 0xFF000000u;
    }
    const uint32_t a = word >> 24;
    auto channel = [&](int shift) { return ((word >> shift & 0xFF) * a / 255) << shift; };
    return a << 24 | channel(16) | channel(8) | channel(0);
  }
};

// The recorded layers as pixman images, composited onto a frame of the base layer's size.
class PixmanLayers {
 public:
  PixmanLayers(const uint32_t* base, int width, int height, std::vector<Layer> layers)
      : frame_(base, base + static_cast<size_t>(width) * height), layers_(std::move(layers)) {
    frame_image_ = Wrap(frame_.data(), width, height, PIXMAN_a8r8g8b8);
    for (Layer& layer : layers_) {
      images_.push_back(Wrap(layer.pixels.data(), layer.width, layer.height, PIXMAN_a8r8g8b8));
      pixman_image_t* mask = nullptr;
      if (layer.opacity < 1.0) {
        const auto a = static_cast<uint16_t>(std::clamp(layer.opacity, 0.0, 1.0) * 0xFFFF);
        const pixman_color_t solid{0, 0, 0, a};
        mask = pixman_image_create_solid_fill(&solid);
      }
      masks_.push_back(mask);
    }
  }
  ~PixmanLayers() {
    for (pixman_image_t* image : images_) pixman_image_unref(image);
    for (pixman_image_t* mask : masks_)
      if (mask) pixman_image_unref(mask);
    pixman_image_unref(frame_image_);
  }
  PixmanLayers(const PixmanLayers&) = delete;
  PixmanLayers& operator=(const PixmanLayers&) = delete;

  // Every layer once, in drawing order (the frame keeps what the last call left).
  void Composite() {
    for (size_t i = 0; i < layers_.size(); ++i) {
      const Layer& l = layers_[i];
      pixman_image_composite32(PIXMAN_OP_OVER, images_[i], masks_[i], frame_image_, 0, 0, 0, 0, l.left, l.top, l.width,
                               l.height);
    }
  }
  size_t LayerCount() const { return layers_.size(); }
  const uint32_t* Frame() const { return frame_.data(); }

 private:
  static pixman_image_t* Wrap(uint32_t* pixels, int w, int h, pixman_format_code_t format) {
    return pixman_image_create_bits(format, w, h, pixels, w * 4);
  }
  std::vector<uint32_t> frame_;
  std::vector<Layer> layers_;
  pixman_image_t* frame_image_ = nullptr;
  std::vector<pixman_image_t*> images_, masks_;
};

}  // namespace bench
