// Request ids of the game server, and how long the session waits for each one's answer.
#pragma once

#include <cstdint>

namespace net {

namespace request {
// Leaving the table.
inline constexpr uint32_t kLeave = 201125;
inline constexpr uint32_t kQueryGameRunning = 201130;
inline constexpr uint32_t kForceExit = 201212;
inline constexpr uint32_t kAnswerForceExit = 201213;
// Match mode.
inline constexpr uint32_t kRoundRequest = 201161;
inline constexpr uint32_t kMatchBegun = 201221;
inline constexpr uint32_t kMatchSignUp = 201231;
inline constexpr uint32_t kMatchGiveUp = 201232;
// Players and chat.
inline constexpr uint32_t kCallPlayer = 201200;
inline constexpr uint32_t kChat = 201211;
inline constexpr uint32_t kQueryUser = 201230;
// Starting and readiness.
inline constexpr uint32_t kStart = 201160;
inline constexpr uint32_t kStartAuto = 201165;
inline constexpr uint32_t kContinue = 201300;
inline constexpr uint32_t kReady = 201302;
// Welfare allowance.
inline constexpr uint32_t kWelfareClaim = 214000;
inline constexpr uint32_t kWelfareConfig = 214010;
// Safe box.
inline constexpr uint32_t kSafeBoxOpen = 214100;
inline constexpr uint32_t kSafeBoxSave = 214110;
inline constexpr uint32_t kSafeBoxTake = 214120;
inline constexpr uint32_t kSafeBoxQueryCode = 214130;
// Card table.
inline constexpr uint32_t kTableChoice = 221070;
inline constexpr uint32_t kPlay = 221080;
inline constexpr uint32_t kPass = 223000;
inline constexpr uint32_t kTableMessage = 229510;
inline constexpr uint32_t kAskToSeeCards = 229550;
inline constexpr uint32_t kLookOnPermission = 229560;
}  // namespace request

// Milliseconds the session waits for the answer to a request.
uint32_t RequestTimeoutMs(uint32_t request_id);

}  // namespace net
