// The input module (1005): turns the host window's mouse, keyboard, focus and cursor messages
// into engine input events for the objects that subscribed to them, keeps the input state that
// travels with every event, and runs a 100 ms tick for the rest, window enter/leave and the
// hover and focus re-checks.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/core/engine_module.h"
#include "engine/core/object_message.h"
#include "platform/cursor.h"
#include "platform/win_messages.h"
#include "platform/win_types.h"

namespace engine {

class EngineObject;
class MemoryPool;
class ObjectModule;

// The input state an input event carries in p2 (when its subscription left p2 at 0).
struct InputSnapshot {
  int32_t x = 0;  // cursor in scene coordinates
  int32_t y = 0;
  int32_t dx = 0;  // change made by the latest position update
  int32_t dy = 0;
  uint32_t state = 0;  // input_state bits
  uint32_t hovered = 0;
  uint32_t focus = 0;
  uint32_t key_flags = 0;
  uint32_t key_down = 0;
  uint32_t key_up = 0;
  uint32_t repeat = 0;
  uint8_t character[4] = {};  // single byte, or lead then trail byte of a GBK character
  uint32_t reserved = 0;
};
static_assert(sizeof(InputSnapshot) == 52, "thirteen 32-bit words");

namespace input_state {
inline constexpr uint32_t kLeftHeld = 0x10;
inline constexpr uint32_t kRightHeld = 0x20;
inline constexpr uint32_t kRestSent = 0x10000;
inline constexpr uint32_t kMiddleHeld = 0x80000;
inline constexpr uint32_t kKeyHeld = 0x100000;
}  // namespace input_state

// The module's event codes.
namespace input_code {
inline constexpr uint32_t kFreeMessage = 1044;  // p1: an ObjectMessage this module posted
inline constexpr uint32_t kEnableInput = 1045;
inline constexpr uint32_t kDisableInput = 1046;
}  // namespace input_code

class InputModule : public EngineModule {
 public:
  static constexpr uint32_t kTickInterval = 100;
  static constexpr uint32_t kQueueLimit = 1024;
  static constexpr uint32_t kDefaultRestTime = 500;
  static constexpr uint32_t kDoubleClickInterval = 500;

  InputModule();
  ~InputModule() override;                                                  // 0
  int Init() override;                                                      // 1
  void Exit() override;                                                     // 2
  void Tick() override;                                                     // 3
  uint32_t GetId() const override { return module_id::kInput; }             // 4
  const char* GetName() const override { return "InputModule"; }            // 5
  int32_t HandleEvent(uint32_t code, uintptr_t p1, uintptr_t p2) override;  // 6
  uint32_t QueueLimit() const override { return kQueueLimit; }              // 7
  // 8: Update is the shared module update.

  // Window inputs; positions in the host window's client coordinates.
  virtual void OnMouseMove(int32_t x, int32_t y, uint32_t flags);                 // 9
  virtual int OnMouseWheel(int32_t x, int32_t y, int16_t delta, uint32_t flags);  // 10
  virtual void OnLButtonDown(int32_t x, int32_t y, uint32_t flags);               // 11
  virtual void OnLButtonUp(int32_t x, int32_t y, uint32_t flags);                 // 12
  virtual void OnLButtonDblClk(int32_t x, int32_t y, uint32_t flags);             // 13
  virtual void OnRButtonDown(int32_t x, int32_t y, uint32_t flags);               // 14
  virtual void OnRButtonUp(int32_t x, int32_t y, uint32_t flags);                 // 15
  virtual void OnMButtonDown(int32_t x, int32_t y, uint32_t flags);               // 16
  virtual void OnMButtonUp(int32_t x, int32_t y, uint32_t flags);                 // 17
  virtual void OnKeyDown(uint32_t code, uint32_t repeat, uint32_t flags);         // 18
  virtual void OnKeyUp(uint32_t code, uint32_t repeat, uint32_t flags);           // 19
  virtual void OnChar(uint32_t code, uint32_t repeat, uint32_t flags);            // 20
  virtual void OnKillFocus();                                                     // 21
  // Scene coordinates.
  virtual bool HitTestObject(int32_t x, int32_t y, uint32_t key);  // 22
  virtual bool IsInModalScope(uint32_t key);                       // 23
  // Scene coordinates.
  virtual void UpdateHover(int32_t x, int32_t y);  // 24
  // Client coordinates in, scene coordinates out.
  virtual void UpdatePosition(POINT* point);                                     // 25
  virtual void FreeMessage(ObjectMessage* message);                              // 26
  virtual void RefreshHover();                                                   // 27
  virtual void Unused28(uintptr_t) {}                                            // 28
  virtual void ClearHover();                                                     // 29
  virtual void OnSetCursor();                                                    // 30
  virtual void SetRestTime(uint32_t ms) { rest_time_ = ms; }                     // 31
  virtual void SetModalObject(uint32_t key) { modal_key_ = key; }                // 32
  virtual uint32_t SetListener(uint32_t key);                                    // 33
  virtual uint32_t SetFocusObject(uint32_t key);                                 // 34
  virtual void SetCursorHandle(platform::HCURSOR cursor);                        // 35
  virtual void SetCursorVisible(bool visible);                                   // 36
  virtual void SubscribeListener(uint32_t event, const ObjectMessage* message);  // 37
  virtual void UnsubscribeListener(uint32_t event);                              // 38
  virtual bool FireEvent(uint32_t event, uint32_t key);                          // 39

  // The host window has the keyboard focus again: the object that held the focus when it went
  // takes it back (and shows its caret again), when it is still shown and nothing else took the
  // focus meanwhile.
  void OnSetFocus();

  InputSnapshot* GetSnapshot(InputSnapshot* out) const;
  // Where the pointer stood on the screen at the pointer input a snapshot that this module posted
  // with a message tells of (its x and y are in the window, which may have moved since): the
  // system's word where the input came with one, else the window's point as the window stood.
  static POINT ScreenPointOf(const InputSnapshot* posted);
  void SetPosition(int32_t x, int32_t y);
  void SetInputEnabled(bool enabled) { input_enabled_ = enabled; }

  // For the system overlay and tests.
  uint32_t GetListener() const { return listener_key_; }
  uint32_t GetModalObject() const { return modal_key_; }
  platform::HCURSOR GetCursorHandle() const { return cursor_; }
  bool IsCursorShown() const { return cursor_shown_; }
  bool IsInputEnabled() const { return input_enabled_; }
  // Blocks handed out and not yet returned (snapshots, messages).
  uint32_t OutstandingMessages() const { return outstanding_; }

 private:
  ObjectModule* Objects() const;
  EngineObject* FindObject(uint32_t key) const;
  // Fires to the listener, then to key.
  void FireBoth(uint32_t event, uint32_t key);
  void PostInputMessage(ObjectMessage* message);
  void HandleCharacter(uint8_t lead, uint8_t trail);
  // Where a client point of the host window lies on the screen (the point itself without a host).
  POINT OnScreen(int32_t x, int32_t y) const;
  uint32_t Now() const { return GetLastTick(); }

  InputSnapshot snapshot_;
  POINT screen_{};  // where the pointer stood on the screen at the latest pointer input
  uint8_t pending_lead_ = 0;
  std::unique_ptr<MemoryPool> snapshot_pool_;
  std::unique_ptr<MemoryPool> message_pool_;
  uint32_t outstanding_ = 0;
  uint32_t listener_key_ = 0;
  uint32_t rest_time_ = kDefaultRestTime;
  uint32_t still_time_ = 0;
  // The double-click memory: the latest single left press, by when it was made (the stamp it
  // came with: a press a busy client takes late was made when the hand pressed) and its place
  // on the screen (a press at the same point of a window that has moved is elsewhere).
  bool has_press_memory_ = false;
  platform::MessageTime press_made_{};
  POINT press_screen_{};
  uint32_t double_click_interval_ = kDoubleClickInterval;
  uint32_t previous_tick_ = 0;
  platform::HCURSOR cursor_ = nullptr;
  bool cursor_shown_ = true;
  bool cursor_inside_ = false;
  bool first_press_seen_ = false;
  bool input_enabled_ = true;
  uint32_t modal_key_ = 0;
  // The focus object when the window lost the focus, given back when it returns; 0 = none.
  uint32_t focus_on_return_ = 0;
};

}  // namespace engine
