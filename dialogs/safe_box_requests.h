// The safe-box requests as the dialogs and the input bar make them: each one framed by the wait
// text (shown before the request, hidden after its answer), on the application's session. Each
// answers true on success, else false with the text to show the user (the server's answer text,
// or the session's own for a time-out or a missing connection).
//
// Amounts are refused before anything is sent when they are not above 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "net/game_session.h"

namespace dialogs {

// Wait texts.
inline constexpr const char* kWaitOpenSafeBox = "正在打开保险箱，请稍等......";
inline constexpr const char* kWaitSaveSilver = "正在存银子，请您稍候......";
inline constexpr const char* kWaitTakeSilver = "正在取银子，请您稍等......";
inline constexpr const char* kWaitQueryCode = "正在查询保护密码，请稍等......";

// What the message boxes of the safe box show.
inline constexpr const char* kSafeBoxOpenFailed = "保险箱打开失败。";
inline constexpr const char* kMessageIcon = "qzf打牌";
inline constexpr int32_t kMessageButtons = 10;
inline constexpr int32_t kMessageStyle = 48;

bool RequestOpenSafeBox(net::SafeBoxState* state, std::string* answer_text);
bool RequestSaveSilver(int32_t amount, std::string* answer_text);
bool RequestTakeSilver(int32_t amount, int32_t key_result, std::string* answer_text);
// True when the user has a protection code; *code is its value.
bool RequestProtectionCode(int32_t* code, std::string* answer_text);

// The answer to a protection code as typed: 1 to kMaxProtectionDigits digits (it travels as a
// 32-bit word). False for anything else.
inline constexpr size_t kMaxProtectionDigits = 9;
bool ParseProtectionAnswer(std::string_view text, int32_t* answer);

// The silver the user has at the table: the silver of the player record on the own chair. False
// when the user only watches or has no record on a chair.
bool GetOwnSilver(int32_t* silver);

// A message box of the safe box (no OK or cancel message).
void ShowSafeBoxMessage(const char* text);

}  // namespace dialogs
