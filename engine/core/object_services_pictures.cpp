// Object services that work with the paint module, pictures, sprites and canvases: screen size,
// picture lookup and saving, drawing into the base layer, object factories, drop shadows, and the
// two sprite builders (frame animation and the card flip).
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_log.h"
#include "engine/core/game_core.h"
#include "engine/core/object_module.h"
#include "engine/core/object_services.h"
#include "engine/core/sprite_object.h"
#include "engine/media/paint_module.h"
#include "engine/media/pps_picture.h"

namespace engine {
namespace {

constexpr uint8_t kSaveCodec = 6;

struct AnimateParams {
  uint32_t start_frame;
  uint32_t mode;
  uint32_t value;
  uint32_t limit;
};
static_assert(sizeof(AnimateParams) <= kActionParamBytes);

int AnimateStep(EngineObject* object, void* block, GameCore*, uint32_t elapsed) {
  auto& p = *static_cast<AnimateParams*>(block);
  auto* sprite = static_cast<SpriteObject*>(object);
  ImageHandle* image = sprite->GetDrawImage();
  if (image == nullptr || !image->IsCurrent()) return 1;
  auto select = [&] {
    const int32_t before = sprite->ForwardImageCall3();
    sprite->SelectFrameByTime(elapsed, static_cast<int32_t>(p.start_frame));
    if (sprite->ForwardImageCall3() != before) sprite->Invalidate();
  };
  switch (p.mode) {
    case 0:
      select();
      if (p.limit != 0 && elapsed >= p.limit) {
        // A whole number of cycles ends on the frame before the start frame.
        const uint32_t count = sprite->ForwardImageCall2();
        if (count > 0) sprite->SetFrame(static_cast<uint16_t>((p.start_frame + count - 1) % count));
        sprite->Invalidate();
        return 1;
      }
      return 0;
    case 1:
    case 2:
      // Mode 2 ends, like mode 1, on the frame its time selected last.
      select();
      return p.limit != 0 && elapsed >= p.limit ? 1 : 0;
    case 3:
      sprite->SetFrame(static_cast<uint16_t>(p.value & 0xFFFF));
      sprite->Invalidate();
      return 1;
    case 4:
      sprite->NextFrame();
      sprite->Invalidate();
      --p.limit;  // from 0 it wraps: steps until cancelled
      return p.limit == 0 ? 1 : 0;
    default:
      return 0;
  }
}

struct FlipParams {
  int32_t step;
  int32_t end;
  uint32_t flipped;
  PictureInfo other;
  int32_t width;
  int32_t angle;
};
static_assert(sizeof(FlipParams) <= kActionParamBytes);

int FlipStep(EngineObject* object, void* block, GameCore*, uint32_t) {
  auto& p = *static_cast<FlipParams*>(block);
  auto* sprite = static_cast<SpriteObject*>(object);
  if (p.angle == 0) {
    sprite->Resize(p.width, sprite->GetHeight());
    p.angle += p.step;
    sprite->Invalidate();
    return p.step <= 0 || p.angle >= p.end ? 1 : 0;
  }
  if (p.angle > p.end) p.angle = p.end;
  const int32_t angle = p.angle;
  const float c = std::cos(static_cast<float>(angle) * 3.1415927f / 180.0f);
  if ((c >= 0 && p.flipped) || (c < 0 && !p.flipped)) {
    PictureInfo shown;
    sprite->ImageCall(&shown);
    sprite->SetImage(&p.other, 1);
    p.other = shown;
    p.flipped ^= 1;
  }
  sprite->Resize(p.width * std::fabs(c), sprite->GetHeight());
  sprite->Invalidate();
  p.angle += p.step;
  return angle >= p.end ? 1 : 0;
}

}  // namespace

PaintModule* ObjectServices::GetPaintModule() { return dynamic_cast<PaintModule*>(FindModule(module_id::kPaint)); }

int32_t ObjectServices::GetScreenWidth() {
  PaintModule* paint = GetPaintModule();
  return paint != nullptr ? paint->GetWidth() : 0;
}

int32_t ObjectServices::GetScreenHeight() {
  PaintModule* paint = GetPaintModule();
  return paint != nullptr ? paint->GetHeight() : 0;
}

PictureInfo ObjectServices::GetPictureInfo(const char* name, int32_t frame) {
  PictureInfo info;
  PaintModule* paint = GetPaintModule();
  if (paint == nullptr || name == nullptr) return info;
  paint->GetPictureInfo(&info, name, frame);
  if (info.record == nullptr) WriteRunLog("res \"%s\" does not exists!", name);
  return info;
}

void ObjectServices::ReleasePicture(const char* name, bool release_resource) {
  PaintModule* paint = GetPaintModule();
  if (paint == nullptr || name == nullptr) return;
  if (release_resource) {
    PictureInfo info;
    paint->GetPictureInfo(&info, name, 0);
    ReleaseResource(info.key);
  }
  paint->RemovePicture(name);
}

bool ObjectServices::SavePicture(const char* name, const char* path) {
  if (name == nullptr || path == nullptr) return false;
  const PictureInfo info = GetPictureInfo(name, 0);
  if (info.record == nullptr) return false;
  const std::vector<uint8_t> bytes = EncodePicture(*info.record, nullptr, kSaveCodec);
  if (bytes.empty()) return false;
  // The write's own result: a full disk or a folder that cannot be written is a failure.
  if (SavePictureFile(bytes.data(), bytes.size(), path) != 1) {
    WriteGameLog("SavePicture: \"%s\" could not be written to %s", name, path);
    return false;
  }
  return true;
}

void ObjectServices::DrawPictureAt(const PictureInfo* info, int32_t x, int32_t y, int32_t width, int32_t height,
                                   double angle) {
  PaintModule* paint = GetPaintModule();
  if (paint == nullptr) return;
  if (width <= 0) width = GetScreenWidth();
  if (height <= 0) height = GetScreenHeight();
  paint->DrawPictureAt(info, x, y, width, height, angle);
}

void ObjectServices::FillScreen(COLORREF colour) {
  if (PaintModule* paint = GetPaintModule()) paint->FillBase(colour);
}

SpriteObject* ObjectServices::CreateSprite(const PictureInfo* info) {
  ObjectModule* objects = GetObjectModule();
  return objects != nullptr ? dynamic_cast<SpriteObject*>(objects->CreateSprite(info, this)) : nullptr;
}

CanvasObject* ObjectServices::CreateCanvas(int32_t width, int32_t height, COLORREF key) {
  ObjectModule* objects = GetObjectModule();
  return objects != nullptr ? dynamic_cast<CanvasObject*>(objects->CreateCanvas(width, height, key, this)) : nullptr;
}

CanvasObject* ObjectServices::MakeShadow(SpriteObject* sprite) {
  if (sprite == nullptr) return nullptr;
  ImageHandle* image = sprite->GetDrawImage();
  if (image == nullptr || image->IsNotDrawable() != 0) return nullptr;
  constexpr int32_t dx = 1, dy = 1, r = 1;
  const int32_t w = image->GetWidth();
  const int32_t h = image->GetHeight();
  if (w <= 0 || h <= 0) return nullptr;
  const int32_t W = w + dx + r;
  const int32_t H = h + dy + r;
  CanvasObject* canvas = CreateCanvas(W, H, kColourKey);
  if (canvas == nullptr || canvas->GetPixels() == nullptr) return canvas;
  canvas->MoveTo(sprite->GetLeft() + w / 2 + dx + r, sprite->GetTop() + h / 2 + dx + r);
  canvas->SetDepth(sprite->GetDepth() - 0.0000001);
  if (sprite->IsVisible()) canvas->Show();
  sprite->AddChild(canvas, link_flag::kFollowAll);

  // The sprite's alpha, moved by the offset (the image's own bounds checks keep reads in its frame).
  const size_t cells = static_cast<size_t>(W) * H;
  std::vector<uint32_t> table(cells, 0);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      const int32_t sx = x - dx;
      const int32_t sy = y - dy;
      if (sx < 0 || sy < 0 || sx >= w || sy >= h) continue;
      const uint32_t a = image->GetPixelAlpha(sx, sy);
      if (a != 0) table[static_cast<size_t>(y) * W + x] = a << 24;
    }
  }
  // Box blur of each byte through a summed-area table of that byte.
  std::vector<uint32_t> sums(cells);
  for (int shift = 0; shift < 32; shift += 8) {
    for (int32_t y = 0; y < H; ++y) {
      uint32_t row = 0;
      for (int32_t x = 0; x < W; ++x) {
        row += (table[static_cast<size_t>(y) * W + x] >> shift) & 0xFF;
        sums[static_cast<size_t>(y) * W + x] = row + (y > 0 ? sums[static_cast<size_t>(y - 1) * W + x] : 0);
      }
    }
    auto S = [&](int32_t y, int32_t x) -> int64_t { return x < 0 || y < 0 ? 0 : sums[static_cast<size_t>(y) * W + x]; };
    for (int32_t y = 0; y < H; ++y) {
      for (int32_t x = 0; x < W; ++x) {
        const int32_t x0 = std::max(x - r, 0), y0 = std::max(y - r, 0);
        const int32_t x1 = std::min(x + r, W - 1), y1 = std::min(y + r, H - 1);
        const int64_t sum = S(y1, x1) - S(y0 - 1, x1) - S(y1, x0 - 1) + S(y0 - 1, x0 - 1);
        const uint32_t value = static_cast<uint32_t>(sum / ((x1 - x0 + 1) * (y1 - y0 + 1)));
        uint32_t& cell = table[static_cast<size_t>(y) * W + x];
        cell = (cell & ~(0xFFu << shift)) | (value << shift);
      }
    }
  }
  std::copy(table.begin(), table.end(), canvas->GetPixels());
  canvas->Invalidate();
  return canvas;
}

uint64_t ObjectServices::AnimateSprite(SpriteObject* sprite, uint32_t mode, uint32_t value, uint32_t start_frame,
                                       uint32_t interval, const ObjectMessage* done) {
  if (sprite == nullptr) return 0;
  AnimateParams p{start_frame, mode, value, value};
  switch (mode) {
    case 0:
      p.limit = value == 0xFFFFFFFF ? 0 : sprite->GetTotalDuration() * value;
      break;
    case 1: {
      const uint32_t current = static_cast<uint32_t>(sprite->ForwardImageCall3());
      p.limit = sprite->GetFramesDuration(current, current + value);
      break;
    }
    default:
      break;
  }
  return PostAction(sprite, mode <= 2 ? kMinActionInterval : interval, &AnimateStep, &p, sizeof p, done);
}

uint64_t ObjectServices::FlipSprite(SpriteObject* sprite, int32_t step, int32_t end_angle, const PictureInfo* other,
                                    uint32_t interval, const ObjectMessage* done) {
  if (sprite == nullptr) return 0;
  if (other == nullptr) {
    WriteGameLog("FlipSprite: no picture for the other side");
    return 0;
  }
  FlipParams p{};
  p.step = step;
  p.end = end_angle;
  p.other = *other;
  p.width = static_cast<int32_t>(sprite->GetWidth());
  return PostAction(sprite, RaisedInterval(interval), &FlipStep, &p, sizeof p, done);
}

}  // namespace engine
