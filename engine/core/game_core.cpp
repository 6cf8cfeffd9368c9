#include "engine/core/game_core.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "engine/core/core_settings.h"
#include "engine/core/engine_log.h"
#include "engine/core/host_window_services.h"
#include "engine/core/object_message.h"
#include "platform/message_box.h"

namespace engine {

GameCore::GameCore() : timer_(std::make_unique<FrameTimer>()) {}

GameCore::~GameCore() {
  Shutdown();
  FinishDeferredUnloads();
  // The frame lock is left by whoever entered it; the destructor never leaves a lock it may not own.
}

void GameCore::SetDefaultSettings() {
  static constexpr std::pair<uint32_t, int32_t> kInts[] = {{3, 22},
                                                           {4, 16},
                                                           {5, 14},
                                                           {6, 12},
                                                           {7, 40},
                                                           {setting::kSettingsMessageTarget, 0},
                                                           {setting::kSettingsMessageId, msg::kFreeBlockA},
                                                           {setting::kMessageBoxTextColour, 0xFFFFFF},
                                                           {setting::kMessageBoxFillColour, 32768},
                                                           {setting::kMessageBoxBorderColour, 0},
                                                           {11, 0xFF0080}};
  static constexpr std::pair<int32_t, const char*> kStrings[] = {
      {22, "ScrollBar_VertBack"},    {23, "ScrollBar_VertBtn"},     {24, "ScrollBar_VertPattern"},
      {25, "ScrollBar_VertUpBtn"},   {26, "ScrollBar_VertDownBtn"}, {27, "ScrollBar_HorzBack"},
      {28, "ScrollBar_HorzBtn"},     {29, "ScrollBar_HorzPattern"}, {30, "ScrollBar_HorzLeftBtn"},
      {31, "ScrollBar_HorzRightBtn"}};
  for (const auto& [key, value] : kInts) SetIntSetting(static_cast<int32_t>(key), value);
  for (const auto& [key, value] : kStrings) SetStringSetting(key, value);
}

void GameCore::Start(void* main_window) {
  SetDefaultSettings();
  main_window_ = main_window;
  LogEngineStart();
  WriteRunLog("QuillaronVesion:%f", 1.0);
  WriteRunLog("QuillaronLastBulid:<%s>,<%s>", __DATE__, __TIME__);
}

int32_t GameCore::LoadModule(EngineModule* module, bool enable, bool guarded) {
  if (module == nullptr) return QUILLARON_RETURN_MODULE_INITIAL_FAILD;
  uint32_t id = module->GetId();
  if (FindModule(id) != nullptr) {
    if (!SendEvent(module_id::kMonitor, core_event::kDuplicateModule, reinterpret_cast<uintptr_t>(&id), 0)) {
      WriteGameLog("GameCore::LoadModule---->QUILLARON_RETURN_MODULE_CRASH");
    }
    delete module;
    return QUILLARON_RETURN_MODULE_CRASH;
  }
  module->Attach(this);
  if ((module->GetFlags() & kModuleInitialised) == 0) {
    int ok = 0;
    try {
      ok = module->Init();
    } catch (...) {
      ok = 0;  // a throwing Init is a failed Init
    }
    if (ok == 0) {
      if (!SendEvent(module_id::kMonitor, core_event::kInitFailed, reinterpret_cast<uintptr_t>(&id), 0)) {
        WriteGameLog("GameCore::LoadModule---->QUILLARON_RETURN_MODULE_INITIAL_FAILD");
        WriteGameLog("ErrorModule%s", module->GetName());
      }
      delete module;
      return QUILLARON_RETURN_MODULE_INITIAL_FAILD;
    }
  }
  if (enable) module->Enable();
  module->SetGuarded(guarded);
  modules_.push_back(module);
  return QUILLARON_RETURN_OK;
}

int32_t GameCore::UnloadModule(uint32_t id) {
  auto it = std::find_if(modules_.begin(), modules_.end(), [id](EngineModule* m) { return m->GetId() == id; });
  if (it == modules_.end()) return QUILLARON_RETURN_MODULE_NOT_FOUND;
  EngineModule* module = *it;
  modules_.erase(it);
  if (module->Release() == 0) {
    if (frame_depth_ > 0) {
      deferred_unloads_.push_back(module);
    } else {
      DestroyModule(module);
    }
  }
  return QUILLARON_RETURN_OK;
}

void GameCore::DestroyModule(EngineModule* module) {
  try {
    module->Exit();
  } catch (...) {
    WriteGameLog("GameCore::UnloadModule: %s failed while exiting", module->GetName());
  }
  delete module;
}

void GameCore::FinishDeferredUnloads() {
  while (!deferred_unloads_.empty()) {
    EngineModule* module = deferred_unloads_.front();
    deferred_unloads_.erase(deferred_unloads_.begin());
    DestroyModule(module);
  }
}

EngineModule* GameCore::FindModule(uint32_t id) const {
  for (EngineModule* module : modules_) {
    if (module->GetId() == id) return module;
  }
  return nullptr;
}

void GameCore::Shutdown() {
  while (!modules_.empty()) UnloadModule(modules_.front()->GetId());
}

bool GameCore::SendEvent(uint32_t target, uint32_t code, uintptr_t p1, uintptr_t p2) {
  if (target == module_id::kCore) {
    HandleCoreCommand(code, p1, p2);
    return true;
  }
  EngineModule* module = FindModule(target);
  if (module == nullptr) return false;
  return module->HandleEvent(code, p1, p2) == QUILLARON_RETURN_OK;
}

uint32_t GameCore::PostEvent(uint32_t target, uint32_t code, uintptr_t p1, uintptr_t p2) {
  // Nothing loads the monitor, so a report queued for it would stay in the list for ever (and be
  // walked by every module on every frame). Its fallback, the log line, runs at once instead.
  if (target == module_id::kMonitor && FindModule(target) == nullptr) {
    ReportToMonitor(code, p1);
    return static_cast<uint32_t>(events_.size());
  }
  events_.push_back(CoreEvent{target, code, p1, p2});
  return static_cast<uint32_t>(events_.size());
}

void GameCore::ReportToMonitor(uint32_t code, uintptr_t p1) {
  if (code == core_event::kFault && p1 != 0) {
    WriteGameLog("GameCore: %s", reinterpret_cast<const char*>(p1));
  } else {
    WriteGameLog("GameCore: report %u to the monitor", code);
  }
}

void GameCore::HandleCoreCommand(uint32_t code, uintptr_t p1, uintptr_t) {
  switch (code) {
    case core_event::kEnableModule:
      if (EngineModule* module = FindModule(static_cast<uint32_t>(p1))) module->Enable();
      break;
    case core_event::kDisableModule:
      if (EngineModule* module = FindModule(static_cast<uint32_t>(p1))) module->Disable();
      break;
    case core_event::kLoadModule:
      LoadModule(reinterpret_cast<EngineModule*>(p1), false, true);
      break;
    case core_event::kUnloadModule:
      UnloadModule(static_cast<uint32_t>(p1));
      break;
    default:
      break;
  }
}

void GameCore::DiscardEvents(uint32_t target) {
  events_.remove_if([target](const CoreEvent& e) { return e.target == target; });
}

CoreEventList GameCore::TakeEvents(uint32_t target) {
  CoreEventList taken;
  for (auto it = events_.begin(); it != events_.end();) {
    auto next = std::next(it);
    if (it->target == target) taken.splice(taken.end(), events_, it);
    it = next;
  }
  return taken;
}

void GameCore::RunFrame() {
  platform::CriticalSectionLock lock(frame_lock_);
  ++frame_depth_;
  const uint32_t now = GetElapsedMs();
  // Walk a copy: a tick may load or unload modules. A module unloaded during this frame is skipped.
  const std::vector<EngineModule*> order(modules_.begin(), modules_.end());
  for (EngineModule* module : order) {
    if (std::find(modules_.begin(), modules_.end(), module) == modules_.end()) continue;
    UpdateModule(module, now);
  }
  // Core commands, including those posted during this frame, run in the order they were posted.
  for (auto it = events_.begin(); it != events_.end();) {
    if (it->target == module_id::kCore) {
      const CoreEvent event = *it;
      it = events_.erase(it);
      HandleCoreCommand(event.code, event.p1, event.p2);
    } else {
      ++it;
    }
  }
  --frame_depth_;
  if (frame_depth_ == 0) FinishDeferredUnloads();
}

void GameCore::UpdateModule(EngineModule* module, uint32_t now) {
  // No exception leaves a module: a guarded module that throws is disabled and reported; an
  // unguarded one is logged and keeps running.
  try {
    module->HandOverEvents(events_);
    module->Update(now);
  } catch (const std::exception& e) {
    if (module->IsGuarded()) {
      ReportGuardedFault(module);
    } else {
      WriteGameLog("GameCore::RunFrame: %s failed: %s", module->GetName(), e.what());
    }
  } catch (...) {
    if (module->IsGuarded()) {
      ReportGuardedFault(module);
    } else {
      WriteGameLog("GameCore::RunFrame: %s failed", module->GetName());
    }
  }
}

void GameCore::ReportGuardedFault(EngineModule* module) {
  module->Disable();
  uint32_t id = module->GetId();
  if (SendEvent(module_id::kMonitor, core_event::kFault, reinterpret_cast<uintptr_t>(&id), 0)) return;
  char text[256];
  std::snprintf(text, sizeof text, "模块:<%s>因故障关闭!", module->GetName());
  platform::MessageBoxA(text, "", platform::MB_OK);
  WriteGameLog("%s", text);
}

void GameCore::SetIntSetting(int32_t key, int32_t value) { int_settings_[key] = value; }

int32_t GameCore::GetIntSetting(int32_t key) const {
  auto it = int_settings_.find(key);
  return it == int_settings_.end() ? -1 : it->second;
}

void GameCore::SetStringSetting(int32_t key, const char* text) { string_settings_[key] = text ? text : ""; }

const char* GameCore::GetStringSetting(int32_t key) const {
  auto it = string_settings_.find(key);
  return it == string_settings_.end() ? nullptr : it->second.c_str();
}

bool GameCore::IsMainWindowIconic() const { return window_services_ != nullptr && window_services_->IsIconic(); }

void GameCore::EnterFrameLock() { frame_lock_.Enter(); }

void GameCore::LeaveFrameLock() { frame_lock_.Leave(); }

uint32_t GameCore::GetElapsedMs() { return timer_ ? static_cast<uint32_t>(timer_->Elapsed()) : 0; }

}  // namespace engine
