// The object module's factories for pictures and canvases.
#include "engine/core/canvas_object.h"
#include "engine/core/object_module.h"
#include "engine/core/sprite_object.h"

namespace engine {

EngineObject* ObjectModule::CreateSprite(const PictureInfo* info, EngineObject* owner) {
  auto* sprite = new SpriteObject();
  sprite->SetImage(info, 1);
  AddObject(sprite, owner);
  return sprite;
}

EngineObject* ObjectModule::CreateCanvas(int32_t width, int32_t height, COLORREF key, EngineObject* owner) {
  auto* canvas = new CanvasObject();
  canvas->CreateSurface(width, height, key, font_renderer_);
  AddObject(canvas, owner);
  return canvas;
}

}  // namespace engine
