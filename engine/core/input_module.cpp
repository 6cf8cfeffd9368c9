// The input module: window input in, engine input events out.
#include "engine/core/input_module.h"

#include <cstdlib>

#include "engine/core/engine_log.h"
#include "engine/core/engine_object.h"
#include "engine/core/game_core.h"
#include "engine/core/host_window_services.h"
#include "engine/core/memory_pool.h"
#include "engine/core/object_module.h"
#include "platform/desktop.h"
#include "platform/gbk.h"
#include "platform/win_messages.h"
#include "platform/window.h"

namespace engine {
namespace {

constexpr uint32_t kCellsPerBlock = 64;
constexpr uint32_t kHasFocusFlag = object_flag::kHasFocus;

// A snapshot as posted with a message, with the pointer's place on the screen beside it.
struct PostedSnapshot {
  InputSnapshot snapshot;
  POINT screen;
};

}  // namespace

InputModule::InputModule() : cursor_(platform::LoadCursorA(nullptr, platform::IDC_ARROW)) {}

InputModule::~InputModule() = default;

int InputModule::Init() {
  snapshot_pool_ = std::make_unique<MemoryPool>(static_cast<uint32_t>(sizeof(PostedSnapshot)), kCellsPerBlock);
  message_pool_ = std::make_unique<MemoryPool>(static_cast<uint32_t>(sizeof(ObjectMessage)), kCellsPerBlock);
  SetInterval(kTickInterval);
  return 1;
}

void InputModule::Exit() {
  if (snapshot_pool_) snapshot_pool_->Reset();
  if (message_pool_) message_pool_->Reset();
  snapshot_pool_.reset();
  message_pool_.reset();
  outstanding_ = 0;
}

int32_t InputModule::HandleEvent(uint32_t code, uintptr_t p1, uintptr_t) {
  switch (code) {
    case input_code::kFreeMessage:
      FreeMessage(reinterpret_cast<ObjectMessage*>(p1));
      break;
    case input_code::kEnableInput:
      input_enabled_ = true;
      break;
    case input_code::kDisableInput:
      input_enabled_ = false;
      break;
    default:
      break;
  }
  return 1;
}

ObjectModule* InputModule::Objects() const { return dynamic_cast<ObjectModule*>(FindModule(module_id::kObject)); }

EngineObject* InputModule::FindObject(uint32_t key) const {
  if (key == 0) return nullptr;
  ObjectModule* objects = Objects();
  return objects ? objects->FindObjectByKey(key) : nullptr;
}

// ---- firing ----

bool InputModule::FireEvent(uint32_t event, uint32_t key) {
  if (key == 0 || !message_pool_ || !snapshot_pool_) return false;
  EngineObject* object = FindObject(key);
  if (!object) return false;
  if (!IsInputEvent(event)) {
    ObjectMessage* message = message_pool_->New<ObjectMessage>(MakeMessage(key, event, 0, 0));
    if (!message) return false;
    ++outstanding_;
    PostInputMessage(message);
    return true;
  }
  int cursor = 0;
  const ObjectMessage* subscription = object->NextSubscription(event, &cursor);
  if (!subscription) return false;
  for (; subscription; subscription = object->NextSubscription(event, &cursor)) {
    ObjectMessage* message = message_pool_->New<ObjectMessage>(*subscription);
    if (!message) return false;
    ++outstanding_;
    // A subscription with its own p2 keeps it; otherwise the message carries the input state.
    if (message->p2 == 0) {
      PostedSnapshot* posted = snapshot_pool_->New<PostedSnapshot>(PostedSnapshot{snapshot_, screen_});
      if (posted) {
        ++outstanding_;
        message->p2 = reinterpret_cast<uintptr_t>(&posted->snapshot);
      }
    }
    PostInputMessage(message);
  }
  return true;
}

void InputModule::PostInputMessage(ObjectMessage* message) {
  PostEvent(module_id::kObject, object_event::kInputMessage, reinterpret_cast<uintptr_t>(message), 0);
}

void InputModule::FireBoth(uint32_t event, uint32_t key) {
  FireEvent(event, listener_key_);
  FireEvent(event, key);
}

void InputModule::FreeMessage(ObjectMessage* message) {
  if (!message || !message_pool_ || !snapshot_pool_) return;
  void* p2 = reinterpret_cast<void*>(message->p2);
  // A p2 the subscription brought along is not ours to free.
  if (p2 && snapshot_pool_->IsInUse(p2)) {
    snapshot_pool_->Free(p2);
    --outstanding_;
  }
  if (message_pool_->IsInUse(message)) {
    message_pool_->Free(message);
    --outstanding_;
  }
}

// ---- position and hover ----

POINT InputModule::ScreenPointOf(const InputSnapshot* posted) {
  return posted != nullptr ? reinterpret_cast<const PostedSnapshot*>(posted)->screen : POINT{};
}

void InputModule::UpdatePosition(POINT* point) {
  if (!platform::GetMessagePos(&screen_)) screen_ = OnScreen(point->x, point->y);
  if (ObjectModule* objects = Objects()) *point = objects->ClientToScene(*point);
  still_time_ = 0;
  snapshot_.dx = point->x - snapshot_.x;
  snapshot_.dy = point->y - snapshot_.y;
  snapshot_.x = point->x;
  snapshot_.y = point->y;
  if ((snapshot_.dx != 0 || snapshot_.dy != 0) && (snapshot_.state & input_state::kRestSent)) {
    FireBoth(QUILLARON_EVENT_MOUSE_REST_END, snapshot_.hovered);
    snapshot_.state &= ~input_state::kRestSent;
  }
}

void InputModule::UpdateHover(int32_t x, int32_t y) {
  ObjectModule* objects = Objects();
  if (!objects) return;
  EngineObject* object = objects->PickSceneObject(x, y);
  if (!object) {
    if (snapshot_.hovered != 0) {
      FireEvent(QUILLARON_EVENT_MOUSE_LEAVE, snapshot_.hovered);
      snapshot_.hovered = 0;
    }
    return;
  }
  const uint32_t key = object->GetKey();
  if (key == snapshot_.hovered) {
    FireEvent(QUILLARON_EVENT_MOUSE_MOVE, key);
    return;
  }
  // While a button is held the pressed object keeps the events.
  if (snapshot_.state & (input_state::kLeftHeld | input_state::kRightHeld)) return;
  has_press_memory_ = false;
  FireEvent(QUILLARON_EVENT_MOUSE_LEAVE, snapshot_.hovered);
  if (IsInModalScope(key)) {
    snapshot_.hovered = key;
    FireEvent(QUILLARON_EVENT_MOUSE_ENTER, key);
    FireEvent(QUILLARON_EVENT_MOUSE_MOVE, key);
  }
}

bool InputModule::IsInModalScope(uint32_t key) {
  if (modal_key_ == 0) return true;
  ObjectModule* objects = Objects();
  if (!objects) return false;
  EngineObject* modal = objects->FindObjectByKey(modal_key_);
  if (modal && modal->IsVisible() && modal->IsDrawn()) return modal->ContainsKey(key) != 0;
  modal_key_ = 0;
  return true;
}

bool InputModule::HitTestObject(int32_t x, int32_t y, uint32_t key) {
  EngineObject* object = FindObject(key);
  return object && object->HitTest(x, y) != 0;
}

void InputModule::RefreshHover() {
  // The stored position is in scene coordinates; the move takes client coordinates.
  POINT client{snapshot_.x, snapshot_.y};
  if (ObjectModule* objects = Objects()) client = objects->SceneToClient(client);
  OnMouseMove(client.x, client.y, 0);
}

void InputModule::ClearHover() {
  FireEvent(QUILLARON_EVENT_MOUSE_LEAVE, snapshot_.hovered);
  snapshot_.hovered = 0;
}

// ---- mouse ----

POINT InputModule::OnScreen(int32_t x, int32_t y) const {
  HostWindowServices* host = GetCore() != nullptr ? GetCore()->GetWindowServices() : nullptr;
  return host != nullptr ? host->ClientToScreen(POINT{x, y}) : POINT{x, y};
}

void InputModule::OnMouseMove(int32_t x, int32_t y, uint32_t) {
  if (!input_enabled_) return;
  // A drag between two presses starts a new run: the second press is no double click.
  if (has_press_memory_ && (snapshot_.state & input_state::kLeftHeld)) {
    const POINT screen = OnScreen(x, y);
    if (std::abs(screen.x - press_screen_.x) >= platform::kDragDistance ||
        std::abs(screen.y - press_screen_.y) >= platform::kDragDistance)
      has_press_memory_ = false;
  }
  POINT p{x, y};
  UpdatePosition(&p);
  const bool moved = snapshot_.dx != 0 || snapshot_.dy != 0;
  if (snapshot_.state & input_state::kLeftHeld) {
    if (moved) FireBoth(QUILLARON_EVENT_DRAG, snapshot_.hovered);
  } else if ((snapshot_.state & input_state::kRightHeld) && moved) {
    FireBoth(QUILLARON_EVENT_RDRAG, snapshot_.hovered);
  } else {
    FireEvent(QUILLARON_EVENT_MOUSE_MOVE, listener_key_);
    UpdateHover(snapshot_.x, snapshot_.y);
  }
}

int InputModule::OnMouseWheel(int32_t x, int32_t y, int16_t delta, uint32_t) {
  if (!input_enabled_) return 0;
  POINT p{x, y};
  UpdatePosition(&p);
  if (delta < 0) {
    FireBoth(QUILLARON_EVENT_WHEEL_DOWN, snapshot_.focus);
  } else if (delta > 0) {
    FireBoth(QUILLARON_EVENT_WHEEL_UP, snapshot_.focus);
  }
  return delta != 0 ? 1 : 0;
}

void InputModule::OnLButtonDown(int32_t x, int32_t y, uint32_t) {
  if (!first_press_seen_) {
    // Carries the position from before this press.
    FireBoth(QUILLARON_EVENT_FIRST_PRESS, snapshot_.hovered);
    first_press_seen_ = true;
  }
  if (!input_enabled_) return;
  const POINT screen = OnScreen(x, y);
  POINT p{x, y};
  UpdatePosition(&p);
  snapshot_.state &= ~input_state::kRestSent;
  snapshot_.state |= input_state::kLeftHeld;
  // Presses pair by when they were made, by one clock, not by when the client took them.
  const platform::MessageTime made = platform::GetMessageTime();
  // The first press after start has nothing to pair with (no press at time 0 and point 0, 0). A
  // double click is two presses at one place on the screen: after a drag of the window by its
  // title the pointer stands at the same point of the window, elsewhere on the screen.
  if (has_press_memory_ && press_made_.IsWithin(made, double_click_interval_) && screen == press_screen_) {
    has_press_memory_ = false;
    for (const uint32_t key : {listener_key_, snapshot_.hovered}) {
      if (!FireEvent(QUILLARON_EVENT_DBLCLICK, key)) FireEvent(QUILLARON_EVENT_LBUTTON_DOWN, key);
    }
  } else {
    has_press_memory_ = true;
    press_made_ = made;
    press_screen_ = screen;
    FireBoth(QUILLARON_EVENT_LBUTTON_DOWN, snapshot_.hovered);
  }
  SetFocusObject(snapshot_.hovered);
}

void InputModule::OnLButtonUp(int32_t x, int32_t y, uint32_t) {
  if (!input_enabled_) return;
  POINT p{x, y};
  UpdatePosition(&p);
  snapshot_.state &= ~(input_state::kRestSent | input_state::kLeftHeld);
  const uint32_t hovered = snapshot_.hovered;
  FireEvent(QUILLARON_EVENT_LBUTTON_UP, listener_key_);
  FireEvent(QUILLARON_EVENT_BUTTON_UP, listener_key_);
  FireEvent(QUILLARON_EVENT_LBUTTON_UP, hovered);
  if (HitTestObject(snapshot_.x, snapshot_.y, hovered)) {
    FireEvent(QUILLARON_EVENT_CLICK, hovered);
    FireEvent(QUILLARON_EVENT_BUTTON_UP, hovered);
  }
  UpdateHover(snapshot_.x, snapshot_.y);
}

void InputModule::OnLButtonDblClk(int32_t x, int32_t y, uint32_t) {
  if (!input_enabled_) return;
  POINT p{x, y};
  UpdatePosition(&p);
  snapshot_.state &= ~(input_state::kRestSent | input_state::kLeftHeld);
  // The system's double click ends the run as the module's own does: a third press is a press.
  has_press_memory_ = false;
  FireEvent(QUILLARON_EVENT_DBLCLICK, listener_key_);
  FireEvent(QUILLARON_EVENT_LBUTTON_DOWN, listener_key_);
  FireEvent(QUILLARON_EVENT_DBLCLICK, snapshot_.hovered);
  FireEvent(QUILLARON_EVENT_LBUTTON_DOWN, snapshot_.hovered);
}

void InputModule::OnRButtonDown(int32_t x, int32_t y, uint32_t) {
  if (!input_enabled_) return;
  POINT p{x, y};
  UpdatePosition(&p);
  snapshot_.state &= ~input_state::kRestSent;
  snapshot_.state |= input_state::kRightHeld;
  FireBoth(QUILLARON_EVENT_RBUTTON_DOWN, snapshot_.hovered);
}

void InputModule::OnRButtonUp(int32_t x, int32_t y, uint32_t) {
  if (!input_enabled_) return;
  POINT p{x, y};
  UpdatePosition(&p);
  snapshot_.state &= ~(input_state::kRestSent | input_state::kRightHeld);
  const uint32_t hovered = snapshot_.hovered;
  FireEvent(QUILLARON_EVENT_RBUTTON_UP, listener_key_);
  FireEvent(QUILLARON_EVENT_BUTTON_UP, listener_key_);
  FireEvent(QUILLARON_EVENT_RBUTTON_UP, hovered);
  if (HitTestObject(snapshot_.x, snapshot_.y, hovered)) {
    FireEvent(QUILLARON_EVENT_RCLICK, hovered);
    FireEvent(QUILLARON_EVENT_BUTTON_UP, hovered);
  }
}

void InputModule::OnMButtonDown(int32_t x, int32_t y, uint32_t) {
  if (!input_enabled_) return;
  POINT p{x, y};
  UpdatePosition(&p);
  snapshot_.state &= ~input_state::kRestSent;
  snapshot_.state |= input_state::kMiddleHeld;
  FireBoth(QUILLARON_EVENT_MBUTTON, snapshot_.hovered);
}

void InputModule::OnMButtonUp(int32_t x, int32_t y, uint32_t) {
  if (!input_enabled_) return;
  POINT p{x, y};
  UpdatePosition(&p);
  snapshot_.state &= ~(input_state::kRestSent | input_state::kMiddleHeld);
  FireBoth(QUILLARON_EVENT_MBUTTON, snapshot_.hovered);
}

// ---- keyboard and focus ----

void InputModule::OnKeyDown(uint32_t code, uint32_t repeat, uint32_t flags) {
  if (!input_enabled_) return;
  snapshot_.state |= input_state::kKeyHeld;
  snapshot_.key_flags = flags;
  snapshot_.key_down = code;
  if (snapshot_.key_up == code) snapshot_.key_up = 0;
  snapshot_.repeat = repeat;
  FireBoth(QUILLARON_EVENT_KEY_DOWN, snapshot_.focus);
}

void InputModule::OnKeyUp(uint32_t code, uint32_t repeat, uint32_t flags) {
  if (!input_enabled_) return;
  snapshot_.state &= ~input_state::kKeyHeld;
  snapshot_.key_flags = flags;
  snapshot_.key_up = code;
  if (snapshot_.key_down == code) snapshot_.key_down = 0;
  snapshot_.repeat = repeat;
  FireBoth(QUILLARON_EVENT_KEY_UP, snapshot_.focus);
}

void InputModule::OnChar(uint32_t code, uint32_t, uint32_t) {
  if (!input_enabled_) return;
  const auto byte = static_cast<uint8_t>(code & 0xFF);
  if (pending_lead_ != 0) {
    const uint8_t lead = pending_lead_;
    pending_lead_ = 0;
    if (platform::IsGbkTrailByte(byte)) {
      HandleCharacter(lead, byte);
      return;
    }
    // Not a second byte: the unfinished character is dropped and this code stands alone.
    WriteGameLog("InputModule: GBK lead byte %02X without a trail byte (%02X) dropped", lead, byte);
  }
  if (platform::IsDBCSLeadByte(byte)) {
    pending_lead_ = byte;
    return;
  }
  // Control characters (and DEL, and the bytes GBK leaves unused) reach objects only as key events.
  if (byte < 32 || byte >= 127) return;
  HandleCharacter(byte, 0);
}

void InputModule::HandleCharacter(uint8_t lead, uint8_t trail) {
  snapshot_.character[0] = lead;
  snapshot_.character[1] = trail;
  snapshot_.character[2] = 0;
  snapshot_.character[3] = 0;
  FireBoth(QUILLARON_EVENT_CHAR, snapshot_.focus);
}

void InputModule::OnKillFocus() {
  const uint32_t hovered = snapshot_.hovered;
  FireBoth(QUILLARON_EVENT_KILL_FOCUS, hovered);
  if (snapshot_.state & input_state::kLeftHeld) FireEvent(QUILLARON_EVENT_LBUTTON_UP, hovered);
  if (snapshot_.state & input_state::kRightHeld) FireEvent(QUILLARON_EVENT_RBUTTON_UP, hovered);
  FireEvent(QUILLARON_EVENT_MOUSE_LEAVE, hovered);
  ClearHover();
  const uint32_t focus = snapshot_.focus;
  SetFocusObject(0);
  focus_on_return_ = focus;
  while (platform::ShowCursor(true) < 0) {
  }
  snapshot_ = InputSnapshot{};
  first_press_seen_ = false;
  // Half a character typed before the focus left must not join the first byte typed after it.
  pending_lead_ = 0;
}

void InputModule::OnSetFocus() {
  const uint32_t key = focus_on_return_;
  focus_on_return_ = 0;
  if (key == 0 || snapshot_.focus != 0) return;
  const EngineObject* o = FindObject(key);
  if (o == nullptr || o->IsVisible() == 0 || o->IsDrawn() == 0) return;
  SetFocusObject(key);
}

uint32_t InputModule::SetFocusObject(uint32_t key) {
  // A focus chosen while the window was away is the one it comes back to.
  focus_on_return_ = 0;
  ObjectModule* objects = Objects();
  if (!objects) return 0;
  const uint32_t next = key != 0 ? objects->FindFocusableKey(key) : 0;
  if (next == snapshot_.focus) return 0;
  const uint32_t old = snapshot_.focus;
  if (EngineObject* o = objects->FindObjectByKey(old); o && old != 0) {
    o->ClearFlags(kHasFocusFlag);
    FireEvent(QUILLARON_EVENT_FOCUS_LOST, old);
  }
  if (EngineObject* n = objects->FindObjectByKey(next); n && next != 0) {
    n->AddFlags(kHasFocusFlag);
    FireEvent(QUILLARON_EVENT_FOCUS_GAINED, next);
  }
  snapshot_.focus = next;
  return old;
}

uint32_t InputModule::SetListener(uint32_t key) {
  const uint32_t previous = listener_key_;
  listener_key_ = key;
  return previous;
}

void InputModule::SubscribeListener(uint32_t event, const ObjectMessage* message) {
  if (EngineObject* listener = FindObject(listener_key_)) listener->Subscribe(event, message);
}

void InputModule::UnsubscribeListener(uint32_t event) {
  if (EngineObject* listener = FindObject(listener_key_)) listener->Unsubscribe(event);
}

// ---- cursor ----

void InputModule::OnSetCursor() {
  if (!cursor_shown_) return;
  if (ObjectModule* objects = Objects()) {
    if (EngineObject* cursor_object = objects->FindObjectByName("object_cursor")) {
      const ObjectMessage message = MakeMessage(cursor_object->GetKey(), QUILLARON_EVENT_SET_CURSOR, 0, 0);
      cursor_object->OnMessage(&message);
      return;
    }
  }
  platform::SetCursor(cursor_);
}

void InputModule::SetCursorHandle(platform::HCURSOR cursor) {
  // A cursor file that failed to load gives a null handle; showing it would take the pointer
  // away, so the current cursor stays.
  if (!cursor) {
    WriteGameLog("InputModule: no cursor to set; the current cursor stays");
    return;
  }
  if (cursor != cursor_) {
    cursor_ = cursor;
    SetCursorVisible(true);
  }
  OnSetCursor();
}

void InputModule::SetCursorVisible(bool visible) {
  if (visible == cursor_shown_) return;
  cursor_shown_ = visible;
  if (!visible) {
    while (platform::ShowCursor(false) >= 0) {
    }
  } else {
    while (platform::ShowCursor(true) < 0) {
    }
  }
}

// ---- snapshot ----

InputSnapshot* InputModule::GetSnapshot(InputSnapshot* out) const {
  if (out) *out = snapshot_;
  return out;
}

void InputModule::SetPosition(int32_t x, int32_t y) {
  snapshot_.x = x;
  snapshot_.y = y;
}

// ---- the tick ----

void InputModule::Tick() {
  DrainQueue();
  const uint32_t now = Now();
  if (previous_tick_ != 0) {
    still_time_ += now - previous_tick_;
    if (still_time_ >= rest_time_ && !(snapshot_.state & input_state::kRestSent)) {
      FireBoth(QUILLARON_EVENT_MOUSE_REST, snapshot_.hovered);
      snapshot_.state |= input_state::kRestSent;
    }
  }
  previous_tick_ = now;

  if (ObjectModule* objects = Objects()) {
    if (!(snapshot_.state & input_state::kLeftHeld)) {
      EngineObject* under = objects->PickSceneObject(snapshot_.x, snapshot_.y);
      const bool live = under && under->IsVisible() && under->IsDrawn() && under->TakesInput();
      if (snapshot_.hovered == 0 ? live : (!live || under->GetKey() != snapshot_.hovered)) RefreshHover();
    }
    if (snapshot_.focus != 0) {
      EngineObject* focus = objects->FindObjectByKey(snapshot_.focus);
      if (!focus || !focus->IsVisible() || !focus->IsDrawn()) SetFocusObject(0);
    }
  }

  // The screen pointer against the host window: entering and leaving it.
  auto* window = GetCore() ? static_cast<platform::Window*>(GetCore()->GetMainWindow()) : nullptr;
  if (!window) return;
  POINT pointer;
  RECT frame;
  if (!platform::GetCursorPos(&pointer) || !window->GetWindowRect(&frame)) return;
  const bool inside = platform::PtInRect(frame, pointer.x, pointer.y);
  if (inside && !cursor_inside_) {
    if (cursor_shown_) OnSetCursor();
    FireEvent(QUILLARON_EVENT_WINDOW_ENTER, listener_key_);
    cursor_inside_ = true;
  } else if (!inside && cursor_inside_) {
    FireBoth(QUILLARON_EVENT_WINDOW_LEAVE, snapshot_.hovered);
    cursor_inside_ = false;
  }
}

}  // namespace engine
