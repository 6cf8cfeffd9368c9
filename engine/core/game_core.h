// The module host: loads and unloads modules, carries events between them (sent at once or posted
// to the next frame), runs one frame per timer tick under the frame lock, keeps two small settings
// tables and owns the engine's millisecond clock.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/engine_module.h"
#include "engine/core/frame_timer.h"
#include "platform/critical_section.h"

namespace engine {

class HostWindowServices;

class GameCore {
 public:
  GameCore();
  GameCore(const GameCore&) = delete;
  GameCore& operator=(const GameCore&) = delete;
  virtual ~GameCore();

  // Slot 0: the integer and string settings the widgets read.
  virtual void SetDefaultSettings();

  // Default settings, main window, and the start lines of the run log.
  void Start(void* main_window);

  // Takes ownership of module in every case. 10000, or -99999 (duplicate id) / -99997 (Init failed),
  // after which the module has been destroyed.
  int32_t LoadModule(EngineModule* module, bool enable, bool guarded);
  // 10000, or -99998 when no loaded module has the id.
  int32_t UnloadModule(uint32_t id);
  EngineModule* FindModule(uint32_t id) const;
  // Unloads the first module until none is left.
  void Shutdown();

  // Runs the receiver now. Target 0 runs a core command (true); otherwise true only when the
  // module's HandleEvent answered 10000; false when no module has the id.
  bool SendEvent(uint32_t target, uint32_t code, uintptr_t p1, uintptr_t p2);
  // Queues the event for the receiver's next update (a core command: the end of the frame).
  // Returns the number of queued events.
  uint32_t PostEvent(uint32_t target, uint32_t code, uintptr_t p1, uintptr_t p2);
  void HandleCoreCommand(uint32_t code, uintptr_t p1, uintptr_t p2);
  // Forgets every queued event for target (a module that goes away takes its queued records with it).
  void DiscardEvents(uint32_t target);
  // Removes and returns every queued event for target, in posting order.
  CoreEventList TakeEvents(uint32_t target);
  size_t QueuedEventCount() const { return events_.size(); }

  // One frame: every module in load order takes its events and updates; then the core commands run.
  void RunFrame();

  void SetIntSetting(int32_t key, int32_t value);
  int32_t GetIntSetting(int32_t key) const;  // -1 when absent
  void SetStringSetting(int32_t key, const char* text);
  const char* GetStringSetting(int32_t key) const;  // null when absent

  void* GetMainWindow() const { return main_window_; }
  void SetWindowServices(HostWindowServices* services) { window_services_ = services; }
  HostWindowServices* GetWindowServices() const { return window_services_; }
  // Whether the main window is minimised; false without window services.
  bool IsMainWindowIconic() const;

  // The frame lock: recursive; RunFrame holds it for the whole frame.
  void EnterFrameLock();
  void LeaveFrameLock();
  int FrameLockDepth() const { return frame_lock_.EnteredCount(); }

  // The clock's elapsed milliseconds (low 32 bits).
  uint32_t GetElapsedMs();

 private:
  void UpdateModule(EngineModule* module, uint32_t now);
  void ReportGuardedFault(EngineModule* module);
  void DestroyModule(EngineModule* module);
  void ReportToMonitor(uint32_t code, uintptr_t p1);
  void FinishDeferredUnloads();

  std::unique_ptr<EngineClock> timer_;
  std::list<EngineModule*> modules_;
  CoreEventList events_;
  platform::CriticalSection frame_lock_;
  std::map<int32_t, int32_t> int_settings_;
  std::map<int32_t, std::string> string_settings_;
  void* main_window_ = nullptr;
  HostWindowServices* window_services_ = nullptr;
  // While a frame runs, unloaded modules are exited and destroyed only after it (one of them may be
  // the module whose tick asked for the unload).
  int frame_depth_ = 0;
  std::vector<EngineModule*> deferred_unloads_;
};

}  // namespace engine
