// Message numbers the application shell sends, posts and receives: application messages to
// the side panel's objects, the main window's own messages, and the lobby's messages and records.
#pragma once

#include <cstdint>

namespace shell {

// Application messages (ObjectMessage ids).
namespace app_msg {
inline constexpr uint32_t kRefreshAdvertBar = 80000054;  // to "AdvertBar"
inline constexpr uint32_t kRefreshUserList = 80000055;   // to "UserListBar"
inline constexpr uint32_t kClearLookOn = 80000056;       // to "UserListBar"
inline constexpr uint32_t kSystemText = 80000057;        // to "SubSystem"; p1 a heap text it frees
inline constexpr uint32_t kNoticeText = 80000064;        // to "SubSystem"; p1 a heap text it frees
// To "MainGame": a table notice (notification 211920); p1 a heap copy of the body (a zero follows
// its last byte) that the view frees, p2 the copy's length.
inline constexpr uint32_t kTableNotice = 80000063;
}  // namespace app_msg

// Messages the main window posts itself.
namespace frame_msg {
inline constexpr uint32_t kEnterGame = 0x85B1;  // the start data were taken
}  // namespace frame_msg

// Messages posted to the lobby's window.
namespace lobby_msg {
inline constexpr uint32_t kClientStarted = 0x9118;  // (main window, user id): the client is up
inline constexpr uint32_t kClientEnded = 0x9105;    // (main window, user id): the client ends
inline constexpr uint32_t kUserDetails = 0x9108;    // (main window, user id): show that user's card
}  // namespace lobby_msg

// WM_COPYDATA record codes between the lobby and the client.
namespace lobby_record {
// From the lobby.
inline constexpr uint32_t kStartData = 1;    // the start data
inline constexpr uint32_t kLookerJoins = 4;  // a looker's 320-byte record
inline constexpr uint32_t kPlayerLeft = 6;   // {u32 user id}
inline constexpr uint32_t kUserCard = 7;     // a user's details, for the user card
inline constexpr uint32_t kIgnored = 13;
// To the lobby.
inline constexpr uint32_t kWindowState = 2;     // {u64 window, u32 state: 0 gone, 1 shown, 2 minimised}
inline constexpr uint32_t kStartDataTaken = 5;  // {u32 1 taken, 0 refused}
inline constexpr uint32_t kText = 11;           // {u32 code, text, NUL}; code 1: open this web page
}  // namespace lobby_record

// How long the client waits for the lobby to take a record.
inline constexpr uint32_t kLobbySendTimeoutMs = 3000;

}  // namespace shell
