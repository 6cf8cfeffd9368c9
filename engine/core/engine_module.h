// The interface every engine module implements, the module ids, the shared result codes and the
// core's own event codes.
#pragma once

#include <cstdint>
#include <list>

#include "engine/core/message_ring.h"

namespace engine {

class GameCore;

// Results shared by all modules.
inline constexpr int32_t QUILLARON_RETURN_OK = 10000;
inline constexpr int32_t QUILLARON_RETURN_MODULE_INITIAL_FAILD = -99997;
inline constexpr int32_t QUILLARON_RETURN_MODULE_NOT_FOUND = -99998;
inline constexpr int32_t QUILLARON_RETURN_MODULE_CRASH = -99999;

// Module ids. Target 0 is the core itself; 1010 is the fault monitor, which the engine never loads.
namespace module_id {
inline constexpr uint32_t kCore = 0;
inline constexpr uint32_t kResource = 1001;
inline constexpr uint32_t kObject = 1002;
inline constexpr uint32_t kPaint = 1003;
inline constexpr uint32_t kMusic = 1004;
inline constexpr uint32_t kInput = 1005;
inline constexpr uint32_t kMonitor = 1010;
}  // namespace module_id

// The core's event codes: reports to the monitor, then commands to the core.
namespace core_event {
inline constexpr uint32_t kFault = 1002;            // p1: pointer to the faulting module's id, or an error text
inline constexpr uint32_t kDuplicateModule = 1003;  // p1: pointer to the id
inline constexpr uint32_t kInitFailed = 1004;       // p1: pointer to the id
inline constexpr uint32_t kQueueOverflow = 1005;    // p1: the module id itself
// Commands carry the module id itself in p1 (not a pointer to it: a posted command runs at the end of
// the frame, when the poster's variables may be gone).
inline constexpr uint32_t kEnableModule = 1008;
inline constexpr uint32_t kDisableModule = 1009;
inline constexpr uint32_t kLoadModule = 1010;  // p1: the EngineModule*, loaded disabled and guarded
inline constexpr uint32_t kUnloadModule = 1011;
}  // namespace core_event

// Module flags.
inline constexpr uint32_t kModuleEnabled = 0x1;
inline constexpr uint32_t kModuleInitialised = 0x2;  // LoadModule skips Init
inline constexpr uint32_t kModuleGuarded = 0x40;     // the frame runs the update inside a catch-all
inline constexpr uint32_t kModuleInitialFlags = 0x10;

// One queued event of the core's list.
struct CoreEvent {
  uint32_t target = 0;
  uint32_t code = 0;
  uintptr_t p1 = 0;
  uintptr_t p2 = 0;
};
using CoreEventList = std::list<CoreEvent>;

class EngineModule {
 public:
  static constexpr uint32_t kDefaultInterval = 10;
  static constexpr uint32_t kDefaultQueueLimit = 8192;

  EngineModule() = default;
  EngineModule(const EngineModule&) = delete;
  EngineModule& operator=(const EngineModule&) = delete;

  // Slot 0.
  virtual ~EngineModule() = default;
  // Slot 1: called once by LoadModule unless flag 0x2 is set; 0 means failure.
  virtual int Init() { return 1; }
  // Slot 2: called when the last core unloads the module, before it is destroyed.
  virtual void Exit() {}
  // Slot 3: the periodic work; every module starts it with DrainQueue.
  virtual void Tick() { DrainQueue(); }
  // Slot 4.
  virtual uint32_t GetId() const = 0;
  // Slot 5.
  virtual const char* GetName() const = 0;
  // Slot 6: one event; only QUILLARON_RETURN_OK counts as handled for GameCore::SendEvent.
  virtual int32_t HandleEvent(uint32_t code, uintptr_t p1, uintptr_t p2);
  // Slot 7: most entries the ring may hold before it overflows.
  virtual uint32_t QueueLimit() const { return kDefaultQueueLimit; }
  // Slot 8: ticks when enabled and more than the interval has passed since the last tick.
  virtual int Update(uint32_t now);

  void SetInterval(uint32_t ms) { interval_ = ms; }
  uint32_t GetInterval() const { return interval_; }
  uint32_t GetLastTick() const { return last_tick_; }
  void Enable() { flags_ |= kModuleEnabled; }
  void Disable() { flags_ &= ~kModuleEnabled; }
  bool IsEnabled() const { return (flags_ & kModuleEnabled) != 0; }
  uint32_t GetFlags() const { return flags_; }
  void SetFlags(uint32_t flags) { flags_ = flags; }
  void SetGuarded(bool guarded);
  bool IsGuarded() const { return (flags_ & kModuleGuarded) != 0; }

  void Attach(GameCore* core);
  uint32_t Release();
  uint32_t GetUseCount() const { return use_count_; }
  GameCore* GetCore() const { return core_; }

  // Forwards to the core; without a core they do nothing (GetIntSetting answers -2).
  EngineModule* FindModule(uint32_t id) const;
  bool SendEvent(uint32_t target, uint32_t code, uintptr_t p1, uintptr_t p2) const;
  uint32_t PostEvent(uint32_t target, uint32_t code, uintptr_t p1, uintptr_t p2) const;
  void SetIntSetting(int32_t key, int32_t value) const;
  int32_t GetIntSetting(int32_t key) const;

  // Moves this module's events out of the core's list into the ring (an overfull ring is reported
  // and cleared first).
  void HandOverEvents(CoreEventList& events);
  // Hands every queued event to HandleEvent, oldest first, then empties the ring.
  void DrainQueue();

  const MessageRing& Ring() const { return ring_; }

 protected:
  MessageRing& MutableRing() { return ring_; }

 private:
  uint32_t use_count_ = 0;
  uint32_t interval_ = kDefaultInterval;
  uint32_t last_tick_ = 0;
  uint32_t flags_ = kModuleInitialFlags;
  MessageRing ring_;
  GameCore* core_ = nullptr;
};

}  // namespace engine
