#include "engine/core/engine_module.h"

#include "engine/core/engine_log.h"
#include "engine/core/game_core.h"

namespace engine {

int32_t EngineModule::HandleEvent(uint32_t, uintptr_t, uintptr_t) { return 0; }

int EngineModule::Update(uint32_t now) {
  if (!IsEnabled()) return 0;
  if (now - last_tick_ <= interval_) return 1;
  last_tick_ = now;
  Tick();
  return 1;
}

void EngineModule::SetGuarded(bool guarded) {
  if (guarded) {
    flags_ |= kModuleGuarded;
  } else {
    flags_ &= ~kModuleGuarded;
  }
}

void EngineModule::Attach(GameCore* core) {
  core_ = core;
  ++use_count_;
}

uint32_t EngineModule::Release() {
  if (use_count_ > 0) --use_count_;
  return use_count_;
}

EngineModule* EngineModule::FindModule(uint32_t id) const { return core_ ? core_->FindModule(id) : nullptr; }

bool EngineModule::SendEvent(uint32_t target, uint32_t code, uintptr_t p1, uintptr_t p2) const {
  return core_ ? core_->SendEvent(target, code, p1, p2) : false;
}

uint32_t EngineModule::PostEvent(uint32_t target, uint32_t code, uintptr_t p1, uintptr_t p2) const {
  return core_ ? core_->PostEvent(target, code, p1, p2) : 0;
}

void EngineModule::SetIntSetting(int32_t key, int32_t value) const {
  if (core_) core_->SetIntSetting(key, value);
}

int32_t EngineModule::GetIntSetting(int32_t key) const { return core_ ? core_->GetIntSetting(key) : -2; }

void EngineModule::HandOverEvents(CoreEventList& events) {
  const uint32_t id = GetId();
  if (ring_.Count() > QueueLimit()) {
    if (!SendEvent(module_id::kMonitor, core_event::kQueueOverflow, id, 0)) {
      WriteGameLog("%s: %u queued events over the limit dropped", GetName(), ring_.Count());
    }
    ring_.Clear();
  }
  for (auto it = events.begin(); it != events.end();) {
    if (it->target == id) {
      ring_.Push(RingEntry{it->target, it->code, it->p1, it->p2});
      it = events.erase(it);
    } else {
      ++it;
    }
  }
}

void EngineModule::DrainQueue() {
  RingEntry entry;
  while (ring_.Pop(&entry)) HandleEvent(entry.code, entry.p1, entry.p2);
  ring_.Clear();
}

}  // namespace engine
