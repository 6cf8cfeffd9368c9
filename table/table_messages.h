// Application message ids of the table scene: what the table view ("MainGame") receives from
// the frame, the shell, its buttons, its cards and its own timers, and what the player boards
// send. Each id is defined here once.
#pragma once

#include <cstdint>

#include "shell/app_messages.h"
#include "shell/server_notify.h"

namespace table {
namespace view_msg {

// Player boards: their own hover messages, and the clicks they send the game frame (p1 = user id).
inline constexpr uint32_t kBoardHoverOn = 80000001;
inline constexpr uint32_t kBoardHoverOff = 80000002;
inline constexpr uint32_t kBoardLeftClick = 80000047;
inline constexpr uint32_t kBoardRightClick = 80000048;

// To the table view.
inline constexpr uint32_t kTableArranged = 80000002;
inline constexpr uint32_t kTableRearranged = 80000003;
inline constexpr uint32_t kStartButton = 80000004;
inline constexpr uint32_t kLookOnAnswer = 80000007;  // p1 user id, p2 allow
inline constexpr uint32_t kShowSeatedPlayers = 80000011;
inline constexpr uint32_t kRefreshBoards = 80000012;
inline constexpr uint32_t kRefreshBoardsAlt = 80000013;
inline constexpr uint32_t kPlayerSeated = 80000014;  // p1 the player's record
inline constexpr uint32_t kPlayerEvent15 = 80000015;
inline constexpr uint32_t kPlayerLeft = 80000016;  // p1 the player's record
inline constexpr uint32_t kPlayerEvent17 = 80000017;
inline constexpr uint32_t kRefreshPlayerBoards = 80000018;
inline constexpr uint32_t kRefreshSeatedBoards = 80000020;
inline constexpr uint32_t kShowBoardScores = 80000022;
inline constexpr uint32_t kRefreshOwnBoard = 80000030;
inline constexpr uint32_t kRefreshOwnBoardScore = 80000052;
inline constexpr uint32_t kStopClock = 80000053;
// A table notice, as the application posts it (shell::app_msg::kTableNotice).
inline constexpr uint32_t kTableNotice = shell::app_msg::kTableNotice;
inline constexpr uint32_t kNothing76 = 80000076;
inline constexpr uint32_t kApplySoundSetting = 80000077;
inline constexpr uint32_t kRequestContinue = 80000093;
inline constexpr uint32_t kSendReady = 80000094;  // p1 the value sent
inline constexpr uint32_t kIdleKick = 80000095;
inline constexpr uint32_t kDealStep2 = 80000098;
inline constexpr uint32_t kClockTick = 80000099;
inline constexpr uint32_t kClearAfterGame = 80000101;
inline constexpr uint32_t kGlobalMouse = 80000102;  // p2 the input snapshot

// Card mouse messages (p1 the card view, p2 the input snapshot) and the end of a card's flight.
inline constexpr uint32_t kCardLeftDown = 80000107;
inline constexpr uint32_t kCardLeftUp = 80000108;
inline constexpr uint32_t kCardRightDown = 80000109;
inline constexpr uint32_t kCardMove = 80000110;
inline constexpr uint32_t kGlobalRightDown = 80000111;
inline constexpr uint32_t kCardEnter = 80000112;
inline constexpr uint32_t kCardLeave = 80000113;
inline constexpr uint32_t kCardArrived = 80000114;
inline constexpr uint32_t kFirstCardMessage = kCardLeftDown;
inline constexpr uint32_t kLastCardMessage = kCardArrived;

// Buttons.
inline constexpr uint32_t kThrow = 80000117;
inline constexpr uint32_t kPass = 80000118;
inline constexpr uint32_t kRemind = 80000119;
inline constexpr uint32_t kAskCardView = 80000120;
inline constexpr uint32_t kAskCardView2 = 80000121;
inline constexpr uint32_t kCheckResult = 80000122;
inline constexpr uint32_t kSettlementClosed = 80000123;
inline constexpr uint32_t kContinueAfterResult = 80000124;
inline constexpr uint32_t kSort1 = 80000125;
inline constexpr uint32_t kSort2 = 80000126;
inline constexpr uint32_t kSort3 = 80000127;
inline constexpr uint32_t kSortBig = 80000128;
inline constexpr uint32_t kSortBomb = 80000129;
inline constexpr uint32_t kSortType = 80000130;
inline constexpr uint32_t kSortSuit = 80000131;
inline constexpr uint32_t kAutoPlay = 80000132;
inline constexpr uint32_t kCloseWindow = 80000133;
inline constexpr uint32_t kTableChoice1 = 80000135;
inline constexpr uint32_t kTableChoice2 = 80000136;
inline constexpr uint32_t kTableChoice3 = 80000137;
inline constexpr uint32_t kTableChoice4 = 80000138;
inline constexpr uint32_t kFirstButtonMessage = kThrow;
inline constexpr uint32_t kLastButtonMessage = kTableChoice4;

inline constexpr uint32_t kAutoPass = 80000141;

}  // namespace view_msg

// The framework's game messages, sent as request 229510 and received inside notification 229500
// as {room record id, user id, id, 0, data length, data}.
namespace game_msg {
inline constexpr int32_t kPlayerBack = 19840324;      // data word 0: the chair back in the game
inline constexpr int32_t kTablePrepared = 19840325;   // no data; also: the own chair went offline
inline constexpr int32_t kClockAtZero = 19840327;     // no data: the clock stands at zero
inline constexpr int32_t kAutoPlayOn = 19840329;      // data word 0: the chair
inline constexpr int32_t kAutoPlayOff = 19840330;     // data word 0: the chair
inline constexpr int32_t kShowChairCards = 19840337;  // {word, chair, count n, n card ids}
}  // namespace game_msg

// Notifications that start and end a recorded game (besides the plays, passes and game
// messages of shell::notify that it records).
namespace replay_record {
inline constexpr uint32_t kGameStarted = shell::notify::kGameStarted;
inline constexpr uint32_t kGameStartedAgain = shell::notify::kRandomTable;
inline constexpr uint32_t kGameEnded = shell::notify::kGameEnded;
inline constexpr uint32_t kMatchGameStarted = shell::notify::kMatchGameStarted;
inline constexpr uint32_t kMatchRound = shell::notify::kMatchGameRound;
}  // namespace replay_record
}  // namespace table
