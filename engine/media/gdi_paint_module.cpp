#include "engine/media/gdi_paint_module.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/core/core_settings.h"
#include "engine/core/engine_log.h"
#include "engine/core/memory_pool.h"
#include "engine/media/draw_picture.h"
#include "engine/media/picture_turn.h"

namespace engine {

namespace {

int32_t Truncate(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int32_t>(v);
}

// The source rows of one frame of the info's picture; false when there is nothing to draw.
bool SourceOfInfo(const PictureInfo& info, const ImageRecord& record, int* src_y) {
  const int64_t frame = WrapFrameIndex(info.frame, record.frame_count);
  const int64_t y = int64_t{info.source_y} + frame * record.height;
  if (y < 0 || y > 0x7FFFFFFF) return false;
  *src_y = static_cast<int>(y);
  return true;
}

}  // namespace

GdiPaintModule::GdiPaintModule() = default;

GdiPaintModule::~GdiPaintModule() = default;

int GdiPaintModule::Init() {
  bits_per_pixel_ = static_cast<uint32_t>(display_.GetBitsPerPixel());
  const int result = PaintModule::Init();
  if (result != 0) WriteRunLog("GDI PaintModule Load!");
  SetIntSetting(setting::kGdiPainter, 1);
  return result;
}

void GdiPaintModule::Exit() {
  display_.DeleteBitmap();
  FreeLayers();
  PaintModule::Exit();
}

int32_t GdiPaintModule::HandleEvent(uint32_t code, uintptr_t p1, uintptr_t p2) {
  if (code == paint_event::kPresent) {
    Present(reinterpret_cast<void*>(p1));
    return 0;
  }
  return PaintModule::HandleEvent(code, p1, p2);
}

void GdiPaintModule::FreeLayers() {
  base_ = {};
  compose_ = {};
  present_ = {};
  device_buffer_ = {};
}

void GdiPaintModule::SetSize(int32_t width, int32_t height) {
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  display_.DeleteBitmap();
  FreeLayers();
  if (width <= 0 || height <= 0) return;
  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  base_.assign(pixels, 0);
  compose_.assign(pixels, 0);
  present_.assign(pixels, 0);
  const uint32_t bytes = bits_per_pixel_ / 8;
  if (bytes != 4 && bytes != 0) device_buffer_.assign(pixels * bytes, 0);
  AttachDisplayBitmap();
}

void GdiPaintModule::AttachDisplayBitmap() {
  // The display bitmap is device-independent over the module's own pixels: the present layer
  // itself on a 32-bit display, the converted copy on a shallower one. Uploading an area then
  // only converts it where the depth asks for that and tells the display which bits changed.
  const void* bits = bits_per_pixel_ == 32 ? static_cast<const void*>(present_.data()) : device_buffer_.data();
  display_.CreateDIBSection(width_, height_, bits);
}

bool GdiPaintModule::CoversSurface(const PaintBatch& batch) const {
  for (uint32_t i = 0; i < batch.rect_count; ++i) {
    const RECT& r = batch.rects[i];
    if (r.left <= 0 && r.top <= 0 && r.right >= width_ && r.bottom >= height_) return true;
  }
  return false;
}

void GdiPaintModule::CopyLayerRect(RECT* rect, const uint32_t* source, uint32_t* destination) const {
  rect->left = std::max(rect->left, 0);
  rect->right = std::min(rect->right, width_);
  rect->top = std::max(rect->top, 0);
  rect->bottom = std::min(rect->bottom, height_);
  rect->left = std::min(rect->left, rect->right);
  rect->top = std::min(rect->top, rect->bottom);
  if (source == nullptr || destination == nullptr) return;
  const size_t count = static_cast<size_t>(rect->right - rect->left);
  if (count == 0) return;
  for (int32_t y = rect->top; y < rect->bottom; ++y) {
    const size_t at = static_cast<size_t>(y) * width_ + rect->left;
    std::memcpy(destination + at, source + at, count * 4);
  }
}

void GdiPaintModule::RenderBatch(PaintBatch* batch) {
  if (batch == nullptr) return;
  view_centre_x_ = static_cast<int32_t>(batch->view_centre_x);
  view_centre_y_ = static_cast<int32_t>(batch->view_centre_y);
  if (base_.empty()) {
    // No layers yet (no size given): nothing to paint into, but the batch is still ours to free.
    FreePaintBatch(batch);
    return;
  }
  const bool whole = CoversSurface(*batch);
  for (uint32_t i = 0; i < batch->rect_count; ++i) CopyLayerRect(&batch->rects[i], base_.data(), compose_.data());
  // Only the batch's rectangles reach the present layer, so each item is drawn only round the parts
  // of them it covers: inside them its pixels are the same as when it is drawn whole.
  batch_rects_ = batch->rects;
  batch_rect_count_ = batch->rect_count;
  for (DrawItem* item = batch->first_item; item != nullptr; item = item->next) DrawBatchItem(item, item->image);
  batch_rects_ = nullptr;
  batch_rect_count_ = 0;
  if (whole) {
    // The whole frame goes to the present layer by exchanging the two blocks instead of copying
    // one into the other: outside a batch's rectangles the compose layer never reaches the present
    // layer (each batch restores its rectangles from the base layer first), so it may keep the
    // frame before.
    compose_.swap(present_);
    if (bits_per_pixel_ == 32) AttachDisplayBitmap();
  } else {
    for (uint32_t i = 0; i < batch->rect_count; ++i) CopyLayerRect(&batch->rects[i], compose_.data(), present_.data());
  }
  UploadRects(batch->rects, batch->rect_count);
  for (uint32_t i = 0; i < batch->rect_count; ++i) display_.InvalidateRect(batch->rects[i]);
  FreePaintBatch(batch);
}

void GdiPaintModule::DrawBatchItem(DrawItem* item, ImageHandle* image) {
  if (item == nullptr || image == nullptr) return;
  if (!image->IsCurrent() && RefreshImage(image) == 0) return;
  if (image->IsNotDrawable() != 0) return;
  DrawItemImage(item, image);
}

void GdiPaintModule::MakeDrawParams(DrawParams* out, const DrawItem* item) const {
  const ObjectGeometry& g = item->geometry;
  *out = DrawParams{};
  out->angle = g.angle;
  // The object module has already made x and y relative to the view's top left, which is where
  // the surface starts: the view centre must not be taken off a second time.
  out->centreX = Truncate(g.x);
  out->centreY = Truncate(g.y);
  out->originX = Truncate(g.x);
  out->originY = Truncate(g.y);
  out->width = Truncate(g.width);
  out->height = Truncate(g.height);
  if (g.width > 0 && g.height > 0) {
    out->halfDiagonal = Truncate(std::sqrt((g.width / 2.0) * (g.width / 2.0) + (g.height / 2.0) * (g.height / 2.0)));
  }
  out->flags = g.flags;
  out->clip = g.limit_rect;
}

void GdiPaintModule::DrawItemImage(DrawItem* item, ImageHandle* image) {
  if (compose_.empty()) return;
  DrawTarget target{compose_.data(), width_, height_, bits_per_pixel_ / 8, kColourKey};
  const PictureInfo& info = image->info();
  const ImageRecord* record = image->GetRecord();
  if (record == nullptr) return;
  int src_y = 0;
  if (!SourceOfInfo(info, *record, &src_y)) return;
  DrawParams params;
  MakeDrawParams(&params, item);
  if (!LimitToBatch(target, &params)) return;
  DrawPicture(&target, &params, *record, info.source_x, src_y, info.width, info.height, item->geometry.alpha,
              info.backdrop);
}

bool GdiPaintModule::LimitToBatch(const DrawTarget& target, DrawParams* params) const {
  if (batch_rects_ == nullptr) return true;
  // What the item covers, and the rectangle round the parts of the batch's rectangles inside it.
  const RECT bounds = DrawBounds(params);
  RECT box{};
  for (uint32_t i = 0; i < batch_rect_count_; ++i) {
    RECT part;
    if (platform::IntersectRect(&part, batch_rects_[i], bounds)) platform::UnionRect(&box, box, part);
  }
  const RECT current = (params->flags & kDrawClip) ? GetDrawClip(&target, params) : RECT{0, 0, width_, height_};
  RECT limit;
  if (!platform::IntersectRect(&limit, current, box)) return false;
  // The clip as DrawPicture reads it: moved by the offset of the origin from the centre.
  const int32_t dx = params->originX - params->centreX, dy = params->originY - params->centreY;
  params->clip = RECT{limit.left - dx, limit.top - dy, limit.right - dx, limit.bottom - dy};
  params->flags |= kDrawClip;
  return true;
}

void GdiPaintModule::DrawPictureAt(const PictureInfo* info, int32_t x, int32_t y, int32_t width, int32_t height,
                                   double angle) {
  if (info == nullptr || info->record == nullptr || base_.empty()) return;
  DrawTarget target{base_.data(), width_, height_, bits_per_pixel_ / 8, kColourKey};
  DrawParams params;
  params.angle = angle;
  params.centreX = x + width / 2;
  params.centreY = y + height / 2;
  params.width = width;
  params.height = height;
  int src_y = 0;
  if (!SourceOfInfo(*info, *info->record, &src_y)) return;
  DrawPicture(&target, &params, *info->record, info->source_x, src_y, info->width, info->height, 1.0, info->backdrop);
}

PaintModule* GdiPaintModule::FillBase(COLORREF colour) {
  const uint32_t red = colour & 0xFF;
  const uint32_t green = (colour >> 8) & 0xFF;
  const uint32_t blue = (colour >> 16) & 0xFF;
  std::fill(base_.begin(), base_.end(), 0xFF000000u | (red << 16) | (green << 8) | blue);
  return this;
}

DrawTarget* GdiPaintModule::GetBaseTarget(DrawTarget* out) {
  if (out == nullptr) return out;
  // The depth slot carries bits, not bytes, as callers of the base target have always read it
  // (the drawing code does not look at it).
  *out = DrawTarget{base_.empty() ? nullptr : base_.data(), width_, height_, bits_per_pixel_, kColourKey};
  return out;
}

size_t GdiPaintModule::UploadBackBuffer() {
  const RECT all{0, 0, width_, height_};
  return UploadRects(&all, 1);
}

void GdiPaintModule::ConvertRect(const RECT& rect) {
  RECT area;
  if (!platform::IntersectRect(&area, rect, RECT{0, 0, width_, height_})) return;
  for (int32_t y = area.top; y < area.bottom; ++y) {
    const size_t row = static_cast<size_t>(y) * width_;
    for (int32_t x = area.left; x < area.right; ++x) {
      const size_t i = row + x;
      const uint32_t p = present_[i];
      if (bits_per_pixel_ == 24) {
        device_buffer_[i * 3] = static_cast<uint8_t>(p);
        device_buffer_[i * 3 + 1] = static_cast<uint8_t>(p >> 8);
        device_buffer_[i * 3 + 2] = static_cast<uint8_t>(p >> 16);
      } else {
        // 5 bits blue, 6 green, 5 red.
        const uint32_t word = ((p & 0xF8) >> 3) | (((p >> 8) & 0xFC) << 3) | (((p >> 16) & 0xF8) << 8);
        device_buffer_[i * 2] = static_cast<uint8_t>(word);
        device_buffer_[i * 2 + 1] = static_cast<uint8_t>(word >> 8);
      }
    }
  }
}

size_t GdiPaintModule::UploadRects(const RECT* rects, uint32_t count) {
  if (present_.empty()) return 0;
  if (bits_per_pixel_ != 32 && bits_per_pixel_ != 24 && bits_per_pixel_ != 16) {
    SendEvent(module_id::kMonitor, kUnsupportedDepthReport, 0, 0);
    return 0;
  }
  size_t uploaded = 0;
  for (uint32_t i = 0; i < count; ++i) {
    if (bits_per_pixel_ != 32) ConvertRect(rects[i]);
    uploaded += display_.BitsChanged(rects[i]);
  }
  return uploaded;
}

void GdiPaintModule::Present(void*) { display_.BitBlt(); }

void GdiPaintModule::CopyRecord(ImageRecord* destination, const ImageRecord* source) {
  CopyImageRecord(source, destination, true);
}

void GdiPaintModule::FreeRecord(ImageRecord* record) { FreeImageRecord(record); }

}  // namespace engine
