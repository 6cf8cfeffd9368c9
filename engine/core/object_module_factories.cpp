// The object module's factories for pictures and canvases. They need the sprite and canvas
// classes; until those are part of the engine, the requests are refused with a log line.
#include "engine/core/engine_log.h"
#include "engine/core/object_module.h"

namespace engine {

EngineObject* ObjectModule::CreateSprite(const PictureInfo*, EngineObject*) {
  WriteGameLog("ObjectModule::CreateSprite: sprites are not available");
  return nullptr;
}

EngineObject* ObjectModule::CreateCanvas(int32_t, int32_t, COLORREF, EngineObject*) {
  WriteGameLog("ObjectModule::CreateCanvas: canvases are not available");
  return nullptr;
}

}  // namespace engine
