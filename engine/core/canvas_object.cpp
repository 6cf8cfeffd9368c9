#include "engine/core/canvas_object.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "engine/core/colour_key.h"
#include "engine/core/engine_log.h"
#include "engine/core/game_core.h"
#include "engine/media/draw_picture.h"
#include "engine/media/paint_module.h"
#include "engine/media/picture_scale.h"
#include "engine/ui/font_renderer.h"
#include "platform/gbk.h"

namespace engine {
namespace {

constexpr uint32_t kSurfaceFlags = kImageFlagTransparent | kImageFlagAlpha;

// 255 x a as a byte, truncated and kept within 0..255.
uint8_t AlphaByte(double a) {
  const double v = std::trunc(255.0 * a);
  if (!(v > 0.0)) return 0;
  return v >= 255.0 ? 255 : static_cast<uint8_t>(v);
}

// Bytes of the character at text[i] (a lead byte followed by the end counts as one).
size_t CharBytes(const char* text, size_t i, size_t length) {
  return platform::StartsTwoByteChar(static_cast<uint8_t>(text[i])) && i + 1 < length && text[i + 1] != '\0' ? 2 : 1;
}

}  // namespace

CanvasObject::CanvasObject() = default;

CanvasObject::~CanvasObject() { ReleaseSurface(); }

void CanvasObject::ReleaseSurface() {
  if (record_ == nullptr) return;
  ImageRecord* record = record_;
  record_ = nullptr;
  pixels_ = nullptr;
  image_.SetParams(PictureInfo{});
  GameCore* core = GetCore();
  if (core != nullptr && dynamic_cast<PaintModule*>(core->FindModule(module_id::kPaint)) != nullptr) {
    // The paint module may be holding the record for the frame it draws: it frees it itself.
    core->SendEvent(module_id::kPaint, paint_event::kFreeRecord, reinterpret_cast<uintptr_t>(record), 0);
  } else {
    FreeImageRecord(record);
    delete record;
  }
}

void CanvasObject::BindSurface(uint8_t* pixels, int32_t width, int32_t height) {
  if (record_ == nullptr) record_ = new ImageRecord();
  *record_ = ImageRecord{};
  record_->serial = 1;
  record_->width = static_cast<uint16_t>(width);
  record_->height = static_cast<uint16_t>(height);
  record_->pixels = pixels;
  record_->data_size = static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * 4;
  record_->colour_key = kColourKey;
  record_->frame_count = 1;
  record_->flags = kSurfaceFlags;
  record_->frame_columns = 1;
  pixels_ = reinterpret_cast<uint32_t*>(pixels);
  width_ = width;
  height_ = height;
  PictureInfo info;
  info.serial = 1;
  info.record = record_;
  info.width = width;
  info.height = height;
  info.backdrop = kColourKey;
  image_.SetParams(info);
}

void CanvasObject::CreateSurface(int32_t width, int32_t height, COLORREF fill_colour, FontRenderer* renderer) {
  fill_colour_ = fill_colour;
  renderer_ = renderer;
  text_style_.height = height / 2;
  text_style_.weight = 400;
  text_style_.colour = 0;
  text_style_.wrap = 1;
  text_style_.alpha = 255;
  ReleaseSurface();
  width_ = height_ = 0;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
    if (width != 0 || height != 0) WriteGameLog("CanvasObject::CreateSurface: size %d x %d refused", width, height);
  } else {
    uint8_t* pixels = new (std::nothrow) uint8_t[static_cast<size_t>(width) * height * 4]();
    if (pixels == nullptr) {
      WriteGameLog("CanvasObject::CreateSurface: no memory for %d x %d", width, height);
    } else {
      BindSurface(pixels, width, height);
    }
  }
  geometry().width = width_;
  geometry().height = height_;
  Clear();
  Invalidate();
}

uint32_t CanvasObject::MakePixel(COLORREF colour, uint32_t key) const {
  const uint32_t r = colour & 0xFF;
  const uint32_t g = (colour >> 8) & 0xFF;
  const uint32_t b = (colour >> 16) & 0xFF;
  const uint32_t a = colour == key ? 0 : 0xFF;
  return (a << 24) | (r << 16) | (g << 8) | b;
}

void CanvasObject::FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (pixels_ == nullptr) return;
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, width_);
  bottom = std::min(bottom, height_);
  const uint32_t pixel = MakePixel(fill_colour_, PictureKey());
  for (int32_t y = top; y < bottom; ++y)
    std::fill(pixels_ + y * width_ + left, pixels_ + y * width_ + std::max(left, right), pixel);
  MarkChanged();
}

void CanvasObject::Clear() {
  if (pixels_ == nullptr) return;
  const uint32_t key = PictureKey();
  const uint32_t pixel = fill_colour_ == key ? 0 : MakePixel(fill_colour_, key);
  std::fill(pixels_, pixels_ + static_cast<size_t>(width_) * height_, pixel);
  MarkChanged();
}

void CanvasObject::SetPixel(int32_t x, int32_t y, COLORREF colour) {
  if (Inside(x, y)) pixels_[y * width_ + x] = MakePixel(colour, PictureKey());
}

void CanvasObject::SetPixelAlpha(int32_t x, int32_t y, double alpha) {
  if (!Inside(x, y)) return;
  uint32_t& p = pixels_[y * width_ + x];
  p = (p & 0x00FFFFFF) | (static_cast<uint32_t>(AlphaByte(alpha)) << 24);
}

void CanvasObject::DrawBorder(COLORREF colour, int32_t thickness) {
  for (int32_t t = 0; t < thickness && t < std::max(width_, height_); ++t) {
    for (int32_t x = 0; x < width_; ++x) {
      SetPixel(x, t, colour);
      SetPixel(x, height_ - 1 - t, colour);
    }
    for (int32_t y = 0; y < height_; ++y) {
      SetPixel(t, y, colour);
      SetPixel(width_ - 1 - t, y, colour);
    }
  }
  MarkChanged();
}

void CanvasObject::DrawDottedBorder(COLORREF colour) {
  for (int32_t x = 0; x < width_; x += 2) {
    SetPixel(x, 0, colour);
    SetPixel(x, height_ - 1, colour);
  }
  for (int32_t y = 0; y < height_; y += 2) {
    SetPixel(0, y, colour);
    SetPixel(width_ - 1, y, colour);
  }
  MarkChanged();
}

void CanvasObject::DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const COLORREF pen = text_style_.colour;
  if (x1 == x2) {
    for (int64_t y = std::min(y1, y2); y <= std::max(y1, y2); ++y) SetPixel(x1, static_cast<int32_t>(y), pen);
  } else if (y1 == y2) {
    for (int64_t x = std::min(x1, x2); x <= std::max(x1, x2); ++x) SetPixel(static_cast<int32_t>(x), y1, pen);
  } else if (std::llabs(int64_t{x1} - x2) > std::llabs(int64_t{y1} - y2)) {
    if (x1 > x2) {
      std::swap(x1, x2);
      std::swap(y1, y2);
    }
    const double slope = static_cast<double>(int64_t{y2} - y1) / static_cast<double>(int64_t{x2} - x1);
    for (int64_t i = 0; i < int64_t{x2} - x1; ++i) {
      SetPixel(static_cast<int32_t>(x1 + i), static_cast<int32_t>(std::trunc(y1 + i * slope)), pen);
    }
  } else {
    if (y1 > y2) {
      std::swap(x1, x2);
      std::swap(y1, y2);
    }
    const double slope = static_cast<double>(int64_t{x2} - x1) / static_cast<double>(int64_t{y2} - y1);
    for (int64_t i = 0; i < int64_t{y2} - y1; ++i) {
      SetPixel(static_cast<int32_t>(std::trunc(x1 + i * slope)), static_cast<int32_t>(y1 + i), pen);
    }
  }
  MarkChanged();
  Invalidate();
}

bool CanvasObject::ClampCorners(int32_t* x1, int32_t* y1, int32_t* x2, int32_t* y2) const {
  if (pixels_ == nullptr) return false;
  if (*x1 > *x2) std::swap(*x1, *x2);
  if (*y1 > *y2) std::swap(*y1, *y2);
  *x1 = std::clamp(*x1, 0, width_ - 1);
  *x2 = std::clamp(*x2, 0, width_ - 1);
  *y1 = std::clamp(*y1, 0, height_ - 1);
  *y2 = std::clamp(*y2, 0, height_ - 1);
  return *x2 > *x1 && *y2 > *y1;
}

void CanvasObject::DrawRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, bool filled) {
  if (!ClampCorners(&x1, &y1, &x2, &y2)) return;
  const COLORREF pen = text_style_.colour;
  for (int32_t y = y1; y <= y2; ++y) {
    for (int32_t x = x1; x <= x2; ++x) {
      if (filled || y == y1 || y == y2 || x == x1 || x == x2) SetPixel(x, y, pen);
    }
  }
  MarkChanged();
  Invalidate();
}

void CanvasObject::DrawDottedRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (!ClampCorners(&x1, &y1, &x2, &y2)) return;
  const COLORREF pen = text_style_.colour;
  for (int32_t x = x1; x <= x2; x += 2) {
    SetPixel(x, y1, pen);
    SetPixel(x, y2, pen);
  }
  for (int32_t y = y1; y <= y2; y += 2) {
    SetPixel(x1, y, pen);
    SetPixel(x2, y, pen);
  }
  MarkChanged();
  Invalidate();
}

void CanvasObject::DrawImage(const PictureInfo* info, int32_t x, int32_t y, int32_t width, int32_t height, double angle,
                             double alpha) {
  if (info == nullptr || info->record == nullptr || pixels_ == nullptr) return;
  const ImageRecord& record = *info->record;
  if (width == 0) width = width_;
  if (width < 0) width = info->width;
  if (height == 0) height = height_;
  if (height < 0) height = info->height;
  if (info->frame < 0 || info->frame >= std::max<int32_t>(record.frame_count, 1)) return;

  DrawTarget target;
  target.pixels = pixels_;
  target.width = width_;
  target.height = height_;
  target.bytes_per_pixel = 4;
  target.colour_key = PictureKey();
  DrawParams params;
  params.centreX = x + (width + 1) / 2;
  params.centreY = y + (height + 1) / 2;
  params.width = width;
  params.height = height;
  params.angle = angle;
  if (record.frame_columns < 2) {
    DrawPicture(&target, &params, record, info->source_x, info->source_y + info->frame * record.height, info->width,
                info->height, alpha, info->backdrop);
  } else {
    ImageRecord frame;
    ExtractFrame(&frame, &record, info->frame);
    if (frame.pixels != nullptr) {
      DrawPicture(&target, &params, frame, info->source_x, info->source_y, info->width, info->height, alpha,
                  info->backdrop);
    }
    FreeImageRecord(&frame);
  }
  ApplyColourKey();
}

void CanvasObject::DrawThreePartsV(const PictureInfo* top, const PictureInfo* middle, const PictureInfo* bottom) {
  if (top == nullptr || middle == nullptr || bottom == nullptr) return;
  const int32_t H = static_cast<int32_t>(GetHeight());
  const int32_t t = top->height;
  const int32_t b = bottom->height;
  if (t + b < H) {
    DrawImage(top, 0, 0, 0, t, 0.0, 1.0);
    DrawImage(middle, 0, t, 0, H - t - b, 0.0, 1.0);
    DrawImage(bottom, 0, H - b, 0, b, 0.0, 1.0);
  } else {
    // Too low for both end pieces: each takes half, the bottom piece filling the lower half.
    const int32_t half = H / 2;
    DrawImage(top, 0, 0, 0, half, 0.0, 1.0);
    DrawImage(bottom, 0, H - half, 0, half, 0.0, 1.0);
  }
}

namespace {

// The stretch DrawStretchedV and DrawStretchedH share, along one axis: `start` and `size` are the
// picture's source offset and size on that axis, `offset` its record's offset on it and `length`
// the canvas's size on it. draw(part, pos, len) draws part at pos along the axis, len long.
template <typename Draw>
void StretchAlongAxis(const PictureInfo& info, int32_t PictureInfo::*start, int32_t PictureInfo::*size, int32_t offset,
                      int32_t length, Draw draw) {
  const int32_t n = info.*size;
  // The end pieces never reach past the picture's own rows or columns.
  const int32_t c = std::clamp(offset + (n + 1) / 2, 0, n);
  const int32_t source = info.*start;
  PictureInfo part = info;
  if (2 * c < length) {
    part.*size = c;
    draw(&part, 0, c);
    part.*start = source + std::min(c, n - 1);
    part.*size = std::max(n - 2 * c, 1);
    draw(&part, c, length - 2 * c);
    part.*start = source + n - c;
    part.*size = c;
    draw(&part, length - c, c);
  } else {
    const int32_t c2 = std::min((length + 1) / 2, n);
    part.*size = c2;
    draw(&part, 0, c2);
    const int32_t rest = std::min(length - c2, n);
    part.*start = source + n - rest;
    part.*size = rest;
    if (rest > 0) draw(&part, length - rest, rest);
  }
}

}  // namespace

void CanvasObject::DrawStretchedV(PictureInfo info) {
  if (info.record == nullptr || info.height <= 0) return;
  StretchAlongAxis(
      info, &PictureInfo::source_y, &PictureInfo::height, info.record->offset_y, static_cast<int32_t>(GetHeight()),
      [this](const PictureInfo* part, int32_t pos, int32_t len) { DrawImage(part, 0, pos, 0, len, 0.0, 1.0); });
}

void CanvasObject::DrawStretchedH(PictureInfo info) {
  if (info.record == nullptr || info.width <= 0) return;
  StretchAlongAxis(
      info, &PictureInfo::source_x, &PictureInfo::width, info.record->offset_x, static_cast<int32_t>(GetWidth()),
      [this](const PictureInfo* part, int32_t pos, int32_t len) { DrawImage(part, pos, 0, len, 0, 0.0, 1.0); });
}

void CanvasObject::InvertRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (!ClampCorners(&x1, &y1, &x2, &y2)) return;
  for (int32_t y = y1; y <= y2; ++y) {
    for (int32_t x = x1; x <= x2; ++x) {
      uint32_t& p = pixels_[y * width_ + x];
      if ((p >> 24) != 0) p ^= 0x00FFFFFF;
    }
  }
  ApplyColourKey();
}

void CanvasObject::FitToText(const char* text, int32_t width) {
  const int32_t h = MeasureText(text, width);
  Resize(width, h);
  ResizeSurface(width, h);
}

void CanvasObject::ResizeSurface(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return;
  if (width > kMaxSide || height > kMaxSide) {
    WriteGameLog("CanvasObject::ResizeSurface: size %d x %d refused", width, height);
    return;
  }
  uint8_t* pixels = new (std::nothrow) uint8_t[static_cast<size_t>(width) * height * 4]();
  if (pixels == nullptr) return;
  if (pixels_ != nullptr) {
    std::unique_ptr<uint32_t[]> scaled = ResizeImage(pixels_, width_, height_, 0, 0, width_, height_, width, height);
    if (scaled) std::memcpy(pixels, scaled.get(), static_cast<size_t>(width) * height * 4);
  }
  uint8_t* old = record_ != nullptr ? record_->pixels : nullptr;
  const uint32_t backdrop = image_.GetBackdropColour();
  BindSurface(pixels, width, height);
  image_.SetBackdropColour(backdrop);
  image_.SetSize(width, height);
  MarkChanged();
  delete[] old;
  Invalidate();
}

void CanvasObject::ApplyColourKey() {
  if (pixels_ == nullptr) return;
  const uint32_t key = MakePixel(PictureKey(), 0xFFFFFFFF) & 0x00FFFFFF;
  // Every pixel is stored, keyed or not: the loop then has no branch and runs a vector at a time
  // (it follows every picture drawn onto the canvas, over the whole canvas).
  uint32_t* pixels = pixels_;
  for (size_t i = 0, n = static_cast<size_t>(width_) * height_; i < n; ++i) {
    const uint32_t p = pixels[i];
    pixels[i] = (p & 0x00FFFFFF) == key ? key : p;
  }
  MarkChanged();
  Invalidate();
}

void CanvasObject::Tint(COLORREF colour, double amount) {
  if (pixels_ == nullptr) return;
  const uint32_t a = AlphaByte(amount);
  const uint32_t target = MakePixel(colour, 0xFFFFFFFF);
  for (size_t i = 0, n = static_cast<size_t>(width_) * height_; i < n; ++i) {
    uint32_t p = pixels_[i];
    if ((p >> 24) == 0) continue;
    uint32_t out = p & 0xFF000000;
    for (int shift = 0; shift < 24; shift += 8) {
      const uint32_t old = (p >> shift) & 0xFF;
      const uint32_t mixed = (old * (255 - a) + ((target >> shift) & 0xFF) * a) >> 8;
      out |= mixed << shift;
    }
    pixels_[i] = out;
  }
  MarkChanged();
}

void CanvasObject::MaskWith(const PictureInfo* mask) {
  if (mask == nullptr || mask->record == nullptr || pixels_ == nullptr) return;
  const ImageRecord& r = *mask->record;
  if (r.width != width_ || r.height != height_ || r.pixels == nullptr) return;
  const int32_t frames = std::max<int32_t>(r.frame_count, 1);
  if (mask->frame < 0 || mask->frame >= frames) return;
  size_t pixel_bytes = 0;
  size_t alpha_at = 0;
  if (!r.IsPalette()) {
    pixel_bytes = 4;
    alpha_at = 3;
  } else if (r.HasAlpha()) {
    pixel_bytes = 2;
    alpha_at = 1;
  } else {
    return;
  }
  const size_t w = static_cast<size_t>(width_);
  const size_t h = static_cast<size_t>(height_);
  const size_t columns = r.frame_columns >= 2 && pixel_bytes == 4 ? r.frame_columns : 1;
  const size_t f = static_cast<size_t>(mask->frame);
  for (size_t y = 0; y < h; ++y) {
    for (size_t x = 0; x < w; ++x) {
      const size_t index =
          columns == 1 ? f * h * w + y * w + x : ((f / columns) * h + y) * (w * columns) + (f % columns) * w + x;
      const size_t at = index * pixel_bytes + alpha_at;
      if (at >= r.data_size) return;  // a block shorter than its frames: stop rather than read past it
      uint32_t& p = pixels_[y * w + x];
      if ((p >> 24) != 0 && r.pixels[at] == 0) p &= 0x00FFFFFF;
    }
  }
  MarkChanged();
}

void CanvasObject::Darken() {
  if (pixels_ == nullptr) return;
  for (size_t i = 0, n = static_cast<size_t>(width_) * height_; i < n; ++i) {
    uint32_t& p = pixels_[i];
    if ((p >> 24) != 0) p = (p & 0xFF000000) | ((p >> 1) & 0x007F7F7F);
  }
  MarkChanged();
}

void CanvasObject::SetKeyColour(COLORREF colour) {
  if (record_ != nullptr) record_->colour_key = colour;
  ApplyColourKey();
}

void CanvasObject::SetTextColour(COLORREF colour, double alpha) {
  text_style_.colour = colour;
  text_style_.alpha = AlphaByte(alpha);
}

void CanvasObject::SetFont(int32_t height, int32_t weight, const char* face) {
  text_style_.height = height;
  text_style_.weight = weight;
  if (face != nullptr) SetFaceName(text_style_, face);
}

void CanvasObject::SetTextSpacing(int32_t char_space, int32_t row_space) {
  if (char_space >= 0) text_style_.char_space = char_space;
  if (row_space >= 0) text_style_.row_space = row_space;
}

void CanvasObject::SetTextMargins(int32_t left, int32_t right) {
  text_style_.margin_left = left;
  text_style_.margin_right = right;
}

void CanvasObject::SetTextStyle(const FontRecord* style) {
  if (style != nullptr) text_style_ = *style;
}

FontRecord* CanvasObject::GetTextStyle(FontRecord* out) const {
  if (out != nullptr) *out = text_style_;
  return out;
}

template <class Fn>
void CanvasObject::WithStyle(Fn&& fn) {
  FontRecord saved{};
  renderer_->GetFont(&saved);
  renderer_->SetFont(&text_style_);
  fn();
  renderer_->SetFont(&saved);
}

void CanvasObject::DrawText(int32_t x, int32_t y, const char* text) {
  if (text == nullptr || renderer_ == nullptr || pixels_ == nullptr) return;
  renderer_->CallbackA();
  WithStyle([&] { renderer_->DrawText(pixels_, width_, height_, x, y, text, GetKey()); });
  renderer_->CallbackB();
  MarkChanged();
}

void CanvasObject::DrawTextWithin(int32_t x, int32_t y, int32_t width, const char* text) {
  if (text == nullptr || renderer_ == nullptr || pixels_ == nullptr) return;
  // Measured on one row, however narrow the surface.
  constexpr int32_t kOneRow = 1 << 20;
  const std::string all(text);
  size_t keep = all.size();
  WithStyle([&] {
    if (renderer_->MeasureText(kOneRow, all.c_str()).width <= width) return;
    keep = 0;
    for (size_t end = 0; end < all.size();) {
      end += CharBytes(all.c_str(), end, all.size());
      if (renderer_->MeasureText(kOneRow, all.substr(0, end).c_str()).width > width) break;
      keep = end;
    }
  });
  DrawText(x, y, all.substr(0, keep).c_str());
}

int32_t CanvasObject::EstimateWidth(const char* text, size_t length) const {
  const int32_t h = text_style_.height;
  const int32_t space = text_style_.char_space;
  int64_t width = 0;
  for (size_t i = 0; i < length && text[i] != '\0';) {
    const size_t n = CharBytes(text, i, length);
    width += n == 2 ? h + 2 * space : (h + 1) / 2 + space;
    i += n;
  }
  return static_cast<int32_t>(std::clamp<int64_t>(width, INT32_MIN, INT32_MAX));
}

void CanvasObject::DrawTextCentred(int32_t cx, int32_t cy, const char* text) {
  if (text == nullptr) return;
  const int32_t width = EstimateWidth(text, std::strlen(text));
  DrawText(cx - width / 2, cy - text_style_.height / 2, text);
}

void CanvasObject::DrawWrappedText(const char* text, int32_t y) {
  if (text == nullptr) return;
  const size_t length = std::strlen(text);
  const int32_t h = text_style_.height;
  const int32_t row_space = text_style_.row_space;
  const int32_t room = GetSurfaceWidth() - text_style_.margin_right;
  const int32_t surface_height = GetSurfaceHeight();
  int32_t line_y = y + h / 2;
  size_t pos = 0;
  while (pos < length) {
    // Fill one line.
    std::string line;
    int32_t used = text_style_.margin_left;
    while (pos < length) {
      if (text[pos] == '\n') {
        ++pos;
        break;
      }
      if (text[pos] == '<' && renderer_ != nullptr) {
        const char* close =
            static_cast<const char*>(std::memchr(text + pos + 1, '>', std::min<size_t>(length - pos - 1, 255)));
        if (close != nullptr) {
          const int32_t tag_length = static_cast<int32_t>(close - (text + pos + 1));
          int32_t accepted = 0;
          WithStyle([&] { accepted = renderer_->LayoutScript(text + pos + 1, tag_length); });
          if (accepted != 0) {
            line.append(text + pos, static_cast<size_t>(tag_length) + 2);
            pos += static_cast<size_t>(tag_length) + 2;
            continue;
          }
        }
      }
      const size_t n = CharBytes(text, pos, length);
      const int32_t w = EstimateWidth(text + pos, n);
      // A character wider than the whole line still goes on a line of its own.
      if (used + w > room && !line.empty()) break;
      line.append(text + pos, n);
      used += w;
      pos += n;
    }
    const bool more = pos < length;
    const bool last_that_fits = more && surface_height - 2 * h - row_space < line_y - h / 2;
    if (last_that_fits && line.size() > 2) {
      // Cut back to a character boundary so that no double-byte character is split.
      std::vector<size_t> starts;
      for (size_t i = 0; i < line.size(); i += CharBytes(line.data(), i, line.size())) starts.push_back(i);
      const size_t last = starts.back();
      if (line.size() - last == 2) {
        line.replace(last, 2, "..");
      } else {
        size_t cut = line.size() - 3;
        while (std::find(starts.begin(), starts.end(), cut) == starts.end()) --cut;
        line.replace(cut, std::string::npos, "...");
      }
    }
    DrawTextCentred(GetSurfaceWidth() / 2, line_y, line.c_str());
    if (last_that_fits) return;
    line_y += row_space + h;
    if (line_y - h / 2 > surface_height - h) return;
  }
}

void CanvasObject::DrawTextPlaced(const char* text, int32_t a, int32_t b, int32_t c) {
  if (text == nullptr || renderer_ == nullptr || pixels_ == nullptr) return;
  TextBlock block;
  block.width = width_;
  block.height = height_;
  block.pixels = pixels_;
  block.byte_size = static_cast<uint32_t>(width_) * static_cast<uint32_t>(height_) * 4;
  TextPosition at;
  WithStyle([&] { at = renderer_->DrawTextBlock(width_, height_, text, &block, a, b, c); });
  DrawText(at.x, at.y, text);
}

int32_t CanvasObject::MeasureText(const char* text, int32_t width) {
  if (text == nullptr || renderer_ == nullptr) return 0;
  int32_t height = 0;
  WithStyle([&] { height = renderer_->MeasureHeight(width, text); });
  return height;
}

COLORREF CanvasObject::GetPixel(int32_t x, int32_t y) const {
  if (!Inside(x, y)) return 0;
  const uint32_t p = pixels_[y * width_ + x];
  return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
}

uint8_t CanvasObject::GetPixelAlpha(int32_t x, int32_t y) const {
  return Inside(x, y) ? static_cast<uint8_t>(pixels_[y * width_ + x] >> 24) : 0;
}

}  // namespace engine
