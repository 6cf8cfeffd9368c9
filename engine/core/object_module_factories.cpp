// The object module's factories for pictures and canvases. Canvases are not part of the engine
// yet; those requests are refused with a log line.
#include "engine/core/engine_log.h"
#include "engine/core/object_module.h"
#include "engine/core/sprite_object.h"

namespace engine {

EngineObject* ObjectModule::CreateSprite(const PictureInfo* info, EngineObject* owner) {
  auto* sprite = new SpriteObject();
  sprite->SetImage(info, 1);
  AddObject(sprite, owner);
  return sprite;
}

EngineObject* ObjectModule::CreateCanvas(int32_t, int32_t, COLORREF, EngineObject*) {
  WriteGameLog("ObjectModule::CreateCanvas: canvases are not available");
  return nullptr;
}

}  // namespace engine
