// The engine's event ids: input events the input module fires at objects, the widget
// notifications, and the cursor object's messages. Each id is defined here once.
#pragma once

#include <cstdint>

namespace engine {

// Input events (fired by the input module to the listener L, the hovered object H or the focus
// object F, as each one's comment says).
inline constexpr uint32_t QUILLARON_EVENT_MOUSE_ENTER = 19840325;     // H: the pointer entered it
inline constexpr uint32_t QUILLARON_EVENT_MOUSE_LEAVE = 19840326;     // H: the pointer left it
inline constexpr uint32_t QUILLARON_EVENT_MOUSE_MOVE = 19840327;      // L, H: moved, no button held
inline constexpr uint32_t QUILLARON_EVENT_LBUTTON_DOWN = 19840328;    // L, H
inline constexpr uint32_t QUILLARON_EVENT_LBUTTON_UP = 19840329;      // L, H
inline constexpr uint32_t QUILLARON_EVENT_CLICK = 19840330;           // H: released over the pressed object
inline constexpr uint32_t QUILLARON_EVENT_DRAG = 19840331;            // L, H: moved with the left button held
inline constexpr uint32_t QUILLARON_EVENT_RBUTTON_DOWN = 19840332;    // L, H
inline constexpr uint32_t QUILLARON_EVENT_RBUTTON_UP = 19840333;      // L, H
inline constexpr uint32_t QUILLARON_EVENT_RCLICK = 19840334;          // H
inline constexpr uint32_t QUILLARON_EVENT_RDRAG = 19840335;           // L, H
inline constexpr uint32_t QUILLARON_EVENT_BUTTON_UP = 19840336;       // L, H: after a release or click
inline constexpr uint32_t QUILLARON_EVENT_DBLCLICK = 19840337;        // L, H
inline constexpr uint32_t QUILLARON_EVENT_MOUSE_REST = 19840338;      // L, H: the pointer stood still
inline constexpr uint32_t QUILLARON_EVENT_MOUSE_REST_END = 19840339;  // L, H
inline constexpr uint32_t QUILLARON_EVENT_MBUTTON = 19840340;         // L, H
inline constexpr uint32_t QUILLARON_EVENT_WHEEL_UP = 19840342;        // L, F: delta above 0
inline constexpr uint32_t QUILLARON_EVENT_WHEEL_DOWN = 19840343;      // L, F: delta below 0
inline constexpr uint32_t QUILLARON_EVENT_KEY_DOWN = 19840345;        // L, F
inline constexpr uint32_t QUILLARON_EVENT_KEY_UP = 19840346;          // L, F
inline constexpr uint32_t QUILLARON_EVENT_CHAR = 19840347;            // L, F: a printable character
inline constexpr uint32_t QUILLARON_EVENT_FIRST_PRESS = 19840348;     // L, H
inline constexpr uint32_t QUILLARON_EVENT_KILL_FOCUS = 19840349;      // L, H: the window lost the keyboard
inline constexpr uint32_t QUILLARON_EVENT_WINDOW_ENTER = 19840350;    // L
inline constexpr uint32_t QUILLARON_EVENT_WINDOW_LEAVE = 19840351;    // L, H
inline constexpr uint32_t QUILLARON_EVENT_FOCUS_GAINED = 19840352;    // the new focus object
inline constexpr uint32_t QUILLARON_EVENT_FOCUS_LOST = 19840353;      // the old focus object

inline constexpr uint32_t kFirstInputEvent = QUILLARON_EVENT_MOUSE_ENTER;
inline constexpr uint32_t kLastInputEvent = QUILLARON_EVENT_FOCUS_LOST;
constexpr bool IsInputEvent(uint32_t id) { return id >= kFirstInputEvent && id <= kLastInputEvent; }

// Widget notifications, sent by WidgetBase::SetEnabled to the widget itself.
inline constexpr uint32_t QUILLARON_EVENT_ENABLED = 19840355;
inline constexpr uint32_t QUILLARON_EVENT_DISABLED = 19840356;

// The cursor object's messages.
inline constexpr uint32_t QUILLARON_EVENT_CURSOR_HAND = 19840357;
inline constexpr uint32_t QUILLARON_EVENT_CURSOR_ARROW = 19840358;
inline constexpr uint32_t QUILLARON_EVENT_SET_CURSOR = 19840360;

}  // namespace engine
