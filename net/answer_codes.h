// The answer codes of the game server and of the session itself, and the fixed text the user
// is shown for each.
#pragma once

#include <cstdint>
#include <string>

namespace net {

namespace answer {
inline constexpr int32_t kOk = 0;
inline constexpr int32_t kServerBusy = 1000;
inline constexpr int32_t kBadRequest = 1001;
inline constexpr int32_t kNotLoggedIn = 1010;
inline constexpr int32_t kNotAtTable = 1011;
inline constexpr int32_t kRefused = 1020;
// The session's own: no answer came within the request's time-out.
inline constexpr int32_t kTimedOut = 1030;
// The session's own: there is no connection to a game server.
inline constexpr int32_t kNotConnected = 1031;
inline constexpr int32_t kFailed = 10000;
// A request that could not be sent (the table requests' failure code).
inline constexpr int32_t kNotSent = 10100;
// 201130's answer when a game is running for the player.
inline constexpr int32_t kGameRunning = 210030;
// 201302's answer that stops the idle-kick timer.
inline constexpr int32_t kReadyAccepted = 10;
}  // namespace answer

// The fixed text for an answer code (GBK). Codes 60000-60099 are the safe box's and
// 210000-210099 the game server's refusals; each family shares a text that names the code.
std::string AnswerText(int32_t code);

}  // namespace net
