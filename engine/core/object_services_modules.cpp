// Object services that forward to the resource, music and input modules. Until those modules are
// part of the engine, each service behaves as it does when its module is not loaded: it does
// nothing and answers 0 or null.
#include "engine/core/game_core.h"
#include "engine/core/object_services.h"

namespace engine {
namespace {

// The resource module's event codes.
constexpr uint32_t kRegisterFolderEvent = 1039;
constexpr uint32_t kOpenPackageEvent = 1040;
constexpr uint32_t kOpenPackageImageEvent = 1041;

}  // namespace

ResourceModule* ObjectServices::GetResourceModule() { return nullptr; }
MusicModule* ObjectServices::GetMusicModule() { return nullptr; }
InputModule* ObjectServices::GetInputModule() { return nullptr; }

uint32_t ObjectServices::RegisterResourceFile(const char*, const char*) { return 0; }

// These three go by event, so they reach any resource module loaded with the id.
bool ObjectServices::RegisterResourceFolder(const char* folder) {
  GameCore* core = GetCore();
  return core != nullptr && folder != nullptr &&
         core->SendEvent(module_id::kResource, kRegisterFolderEvent, reinterpret_cast<uintptr_t>(folder), 0);
}

bool ObjectServices::OpenResourcePackage(const char* path) {
  GameCore* core = GetCore();
  return core != nullptr && path != nullptr &&
         core->SendEvent(module_id::kResource, kOpenPackageEvent, reinterpret_cast<uintptr_t>(path), 0);
}

bool ObjectServices::OpenResourcePackageImage(const void* image) {
  GameCore* core = GetCore();
  return core != nullptr && image != nullptr &&
         core->SendEvent(module_id::kResource, kOpenPackageImageEvent, reinterpret_cast<uintptr_t>(image), 0);
}
const uint8_t* ObjectServices::GetResourceData(const char*) { return nullptr; }
void ObjectServices::ReleaseResource(const NameKey&) {}

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




}  // namespace engine
