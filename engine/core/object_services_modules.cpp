// Object services that forward to the paint, resource, music and input modules, and those that
// work on sprites and pictures. Until those modules and the sprite are part of the engine, each
// service behaves as it does when its module is not loaded: it does nothing and answers 0 or null.
#include "engine/core/engine_log.h"
#include "engine/core/object_services.h"

namespace engine {

PaintModule* ObjectServices::GetPaintModule() { return nullptr; }
ResourceModule* ObjectServices::GetResourceModule() { return nullptr; }
MusicModule* ObjectServices::GetMusicModule() { return nullptr; }
InputModule* ObjectServices::GetInputModule() { return nullptr; }

int32_t ObjectServices::GetScreenWidth() { return 0; }
int32_t ObjectServices::GetScreenHeight() { return 0; }

uint32_t ObjectServices::RegisterResourceFile(const char*, const char*) { return 0; }
bool ObjectServices::RegisterResourceFolder(const char*) { return false; }
bool ObjectServices::OpenResourcePackage(const char*) { return false; }
bool ObjectServices::OpenResourcePackageImage(const void*) { return false; }
void ObjectServices::ReleasePicture(const char*, bool) {}
bool ObjectServices::SavePicture(const char*, const char*) { return false; }
const uint8_t* ObjectServices::GetResourceData(const char*) { return nullptr; }
void ObjectServices::DrawPictureAt(const PictureInfo*, int32_t, int32_t, int32_t, int32_t, double) {}
void ObjectServices::FillScreen(COLORREF) {}

void ObjectServices::SubscribeListener(uint32_t, const ObjectMessage*) {}
void ObjectServices::UnsubscribeListener(uint32_t) {}
void ObjectServices::SetListener(uint32_t) {}
void ObjectServices::SetModalObject(uint32_t) {}
void ObjectServices::RefreshHover() {}
void ObjectServices::SetCursorHandle(HCURSOR) {}
void ObjectServices::SetCursorFile(const char*) {}
void ObjectServices::SetCursorVisible(bool) {}
void ObjectServices::SubscribeInputListener(uint32_t event, const ObjectMessage* message) { SubscribeListener(event, message); }
void ObjectServices::UnsubscribeInputListener(uint32_t event) { UnsubscribeListener(event); }
void ObjectServices::SetFocusObject(uint32_t) {}
void ObjectServices::SetInputListener(uint32_t key) { SetListener(key); }
InputSnapshot* ObjectServices::GetInputSnapshot(InputSnapshot* out) { return out; }

uint32_t PlaySoundOnCore(GameCore*, const char*, uint32_t, const ObjectMessage*) { return 0; }

uint32_t ObjectServices::PlaySound(const char* name, uint32_t count, const ObjectMessage* notify) {
  return PlaySoundOnCore(GetCore(), name, count, notify);
}
uint32_t ObjectServices::StopSound(uint32_t) { return 0; }
uint32_t ObjectServices::ResumeSound(uint32_t, uint32_t) { return 0; }
uint32_t ObjectServices::PauseSound(uint32_t) { return 0; }
void ObjectServices::UnloadSound(const char*) {}
void ObjectServices::StopAllSounds() {}
void ObjectServices::SetSoundOff(bool) {}

SpriteObject* ObjectServices::CreateSprite(const PictureInfo*) { return nullptr; }
CanvasObject* ObjectServices::CreateCanvas(int32_t, int32_t, COLORREF) { return nullptr; }
CanvasObject* ObjectServices::MakeShadow(SpriteObject*) { return nullptr; }

uint64_t ObjectServices::AnimateSprite(SpriteObject*, uint32_t, uint32_t, uint32_t, uint32_t, const ObjectMessage*) {
  return 0;
}

uint64_t ObjectServices::FlipSprite(SpriteObject*, int32_t, int32_t, const PictureInfo*, uint32_t, const ObjectMessage*) {
  return 0;
}

}  // namespace engine
