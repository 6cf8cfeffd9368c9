// Object services that forward to the resource, input and music modules. Each looks its module
// up on every call; when the module is not loaded (the music module is absent when no audio
// device could be opened) the service does nothing and answers 0.
#include "engine/core/game_core.h"
#include "engine/core/input_module.h"
#include "engine/core/name_key.h"
#include "engine/core/object_services.h"
#include "engine/media/music_module.h"
#include "engine/media/resource_module.h"

namespace engine {

ResourceModule* ObjectServices::GetResourceModule() {
  return dynamic_cast<ResourceModule*>(FindModule(module_id::kResource));
}

uint32_t ObjectServices::RegisterResourceFile(const char* path, const char* name) {
  ResourceModule* resources = GetResourceModule();
  if (resources == nullptr || path == nullptr) return 0;
  return resources->RegisterFile(path, name).rs;
}

// These three go by event, so they reach any resource module loaded with the id.
bool ObjectServices::RegisterResourceFolder(const char* folder) {
  GameCore* core = GetCore();
  return core != nullptr && folder != nullptr &&
         core->SendEvent(module_id::kResource, resource_event::kRegisterFolder, reinterpret_cast<uintptr_t>(folder), 0);
}

// The resource module answers these two with the number of members it took, not with the
// handled code: a package opened when it gave at least one.
bool ObjectServices::OpenResourcePackage(const char* path) {
  EngineModule* resources = FindModule(module_id::kResource);
  return resources != nullptr && path != nullptr &&
         resources->HandleEvent(resource_event::kOpenPackage, reinterpret_cast<uintptr_t>(path), 0) > 0;
}

bool ObjectServices::OpenResourcePackageImage(const void* image, size_t size) {
  EngineModule* resources = FindModule(module_id::kResource);
  return resources != nullptr && image != nullptr &&
         resources->HandleEvent(resource_event::kOpenPackageImage, reinterpret_cast<uintptr_t>(image), size) > 0;
}

const uint8_t* ObjectServices::GetResourceData(const char* name) {
  ResourceModule* resources = GetResourceModule();
  if (resources == nullptr || name == nullptr) return nullptr;
  const NameKey key = MakeNameKey(name);
  return resources->HasResource(key) ? resources->GetResourceData(key) : nullptr;
}

void ObjectServices::ReleaseResource(const NameKey& key) {
  if (ResourceModule* resources = GetResourceModule()) resources->ReleaseResource(key);
}

MusicModule* ObjectServices::GetMusicModule() { return dynamic_cast<MusicModule*>(FindModule(module_id::kMusic)); }

InputModule* ObjectServices::GetInputModule() { return dynamic_cast<InputModule*>(FindModule(module_id::kInput)); }

void ObjectServices::SubscribeListener(uint32_t event, const ObjectMessage* message) {
  if (InputModule* input = GetInputModule()) input->SubscribeListener(event, message);
}

void ObjectServices::UnsubscribeListener(uint32_t event) {
  if (InputModule* input = GetInputModule()) input->UnsubscribeListener(event);
}

void ObjectServices::SetListener(uint32_t key) {
  if (InputModule* input = GetInputModule()) input->SetListener(key);
}

void ObjectServices::SetModalObject(uint32_t key) {
  if (InputModule* input = GetInputModule()) input->SetModalObject(key);
}

void ObjectServices::RefreshHover() {
  if (InputModule* input = GetInputModule()) input->RefreshHover();
}

void ObjectServices::SetCursorHandle(HCURSOR cursor) {
  if (InputModule* input = GetInputModule()) input->SetCursorHandle(cursor);
}

void ObjectServices::SetCursorFile(const char* path) {
  // A file that cannot be read gives the null cursor, which is passed on as well.
  const HCURSOR cursor = path != nullptr ? platform::LoadCursorFromFileA(path) : nullptr;
  if (InputModule* input = GetInputModule()) input->SetCursorHandle(cursor);
}

void ObjectServices::SetCursorVisible(bool visible) {
  if (InputModule* input = GetInputModule()) input->SetCursorVisible(visible);
}

void ObjectServices::SubscribeInputListener(uint32_t event, const ObjectMessage* message) {
  SubscribeListener(event, message);
}
void ObjectServices::UnsubscribeInputListener(uint32_t event) { UnsubscribeListener(event); }

void ObjectServices::SetFocusObject(uint32_t key) {
  if (InputModule* input = GetInputModule()) input->SetFocusObject(key);
}

void ObjectServices::SetInputListener(uint32_t key) { SetListener(key); }

InputSnapshot* ObjectServices::GetInputSnapshot(InputSnapshot* out) {
  InputModule* input = GetInputModule();
  return input != nullptr && out != nullptr ? input->GetSnapshot(out) : out;
}

uint32_t PlaySoundOnCore(GameCore* core, const char* name, uint32_t count, const ObjectMessage* notify) {
  if (core == nullptr || name == nullptr) return 0;
  auto* music = dynamic_cast<MusicModule*>(core->FindModule(module_id::kMusic));
  return music != nullptr ? music->PlaySound(name, count, notify) : 0;
}

uint32_t ObjectServices::PlaySound(const char* name, uint32_t count, const ObjectMessage* notify) {
  return PlaySoundOnCore(GetCore(), name, count, notify);
}

uint32_t ObjectServices::StopSound(uint32_t channel) {
  MusicModule* music = GetMusicModule();
  return music != nullptr ? music->StopChannel(channel) : 0;
}

uint32_t ObjectServices::ResumeSound(uint32_t channel, uint32_t restart) {
  MusicModule* music = GetMusicModule();
  return music != nullptr ? music->ResumeChannel(channel, restart) : 0;
}

uint32_t ObjectServices::PauseSound(uint32_t channel) {
  MusicModule* music = GetMusicModule();
  return music != nullptr ? music->PauseChannel(channel) : 0;
}

void ObjectServices::UnloadSound(const char* name) {
  MusicModule* music = GetMusicModule();
  if (music != nullptr && name != nullptr) music->UnloadSound(name);
}

void ObjectServices::StopAllSounds() {
  if (MusicModule* music = GetMusicModule()) music->StopAll();
}

void ObjectServices::SetSoundOff(bool off) {
  if (MusicModule* music = GetMusicModule()) music->SetSoundOff(off ? 1 : 0);
}

}  // namespace engine
