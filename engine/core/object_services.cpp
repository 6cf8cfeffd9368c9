// Object services that reach the core itself and the object module: settings, the clock, scene
// objects, deletion, action groups and cancellation, and the common work of every action builder.
#include "engine/core/object_services.h"

#include <cstring>

#include "engine/core/engine_log.h"
#include "engine/core/game_core.h"
#include "engine/core/object_module.h"

namespace engine {

EngineModule* ObjectServices::FindModule(uint32_t id) const {
  GameCore* core = GetCore();
  return core != nullptr ? core->FindModule(id) : nullptr;
}

ObjectModule* ObjectServices::GetObjectModule() { return dynamic_cast<ObjectModule*>(FindModule(module_id::kObject)); }

RECT* ObjectServices::GetViewRect(RECT* out) {
  ObjectModule* objects = GetObjectModule();
  if (objects != nullptr && out != nullptr) objects->GetViewRect(out);
  return out;
}

uint32_t ObjectServices::GetElapsedMs() {
  GameCore* core = GetCore();
  return core != nullptr ? core->GetElapsedMs() : 0;
}

void ObjectServices::SetIntSetting(uint32_t key, int32_t value) {
  if (GameCore* core = GetCore()) core->SetIntSetting(static_cast<int32_t>(key), value);
}

int32_t ObjectServices::GetIntSetting(uint32_t key) {
  GameCore* core = GetCore();
  return core != nullptr ? core->GetIntSetting(static_cast<int32_t>(key)) : -2;
}

void ObjectServices::SetStringSetting(uint32_t key, const char* text) {
  if (GameCore* core = GetCore()) core->SetStringSetting(static_cast<int32_t>(key), text);
}

const char* ObjectServices::GetStringSetting(uint32_t key) {
  GameCore* core = GetCore();
  return core != nullptr ? core->GetStringSetting(static_cast<int32_t>(key)) : nullptr;
}

void ObjectServices::RedrawAll() {
  if (ObjectModule* objects = GetObjectModule()) objects->RedrawAll();
}

EngineObject* ObjectServices::CreateObject() {
  ObjectModule* objects = GetObjectModule();
  return objects != nullptr ? objects->CreateObject(this) : nullptr;
}

EngineObject* ObjectServices::FindObjectByName(const char* name) {
  ObjectModule* objects = GetObjectModule();
  return objects != nullptr && name != nullptr ? objects->FindObjectByName(name) : nullptr;
}

EngineObject* ObjectServices::FindObjectByKey(uint32_t key) {
  ObjectModule* objects = GetObjectModule();
  return objects != nullptr ? objects->FindObjectByKey(key) : nullptr;
}

void ObjectServices::DeleteObject(EngineObject* object, bool deferred) {
  if (object == nullptr) return;
  if (deferred) {
    object->Hide();
    object->Invalidate();
    QueueDelete(object, nullptr);
    return;
  }
  GameCore* core = GetCore();
  if (core != nullptr)
    core->SendEvent(module_id::kObject, object_event::kRemoveObject, reinterpret_cast<uintptr_t>(object), 0);
}

ActionGroup* ObjectServices::BeginGroup() {
  ObjectModule* objects = GetObjectModule();
  ActionGroup* group = objects != nullptr ? objects->NewGroupRecord() : nullptr;
  if (group != nullptr)
    GetCore()->PostEvent(module_id::kObject, object_event::kBeginGroup, reinterpret_cast<uintptr_t>(group), 0);
  return group;
}

ActionGroup* ObjectServices::NextGroup() {
  ObjectModule* objects = GetObjectModule();
  ActionGroup* group = objects != nullptr ? objects->NewGroupRecord() : nullptr;
  if (group != nullptr)
    GetCore()->PostEvent(module_id::kObject, object_event::kNextGroup, reinterpret_cast<uintptr_t>(group), 0);
  return group;
}

void ObjectServices::EndGroup() {
  if (GameCore* core = GetCore()) core->PostEvent(module_id::kObject, object_event::kEndGroup, 0, 0);
}

void ObjectServices::CancelGroup(ActionGroup* group) {
  // The record itself is posted, not its id: the caller's record may have been freed since (a
  // finished step), and the object module accepts a pointer only while it names a live group.
  if (GameCore* core = GetCore()) {
    core->PostEvent(module_id::kObject, object_event::kCancelGroup, reinterpret_cast<uintptr_t>(group), 0);
  }
}

void ObjectServices::CancelObjectActions(uint32_t key) {
  if (GameCore* core = GetCore()) core->PostEvent(module_id::kObject, object_event::kCancelObject, key, 0);
}

void ObjectServices::CancelAction(uint64_t id) {
  // The whole id travels (the event's word is pointer-sized), so every id can be cancelled.
  if (GameCore* core = GetCore()) {
    core->PostEvent(module_id::kObject, object_event::kCancelAction, static_cast<uintptr_t>(id), 0);
  }
}

uint64_t ObjectServices::PostAction(EngineObject* object, uint32_t interval, ActionStepFn step, const void* params,
                                    size_t params_size, const ObjectMessage* done) {
  ObjectModule* objects = GetObjectModule();
  if (objects == nullptr || params_size > kActionParamBytes) return 0;
  ActionRecord* action = objects->NewActionRecord();
  if (action == nullptr) {
    WriteGameLog("ObjectServices: no action record to be had");
    return 0;
  }
  action->object = object;
  action->interval = interval;
  action->step = step;
  if (done != nullptr) action->completion = *done;
  if (params_size > 0) std::memcpy(action->params, params, params_size);
  const uint64_t id = action->id;
  GetCore()->PostEvent(module_id::kObject, object_event::kQueueAction, reinterpret_cast<uintptr_t>(action), 0);
  return id;
}

}  // namespace engine
