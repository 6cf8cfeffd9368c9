// Message numbers of the game frame: what its title strip, buttons, cards, boards and timers send
// it, what the table's player boards and the message boxes send it, and what it hands on to the
// table scene ("MainGame") and the side panel ("SubSystem").
#pragma once

#include <cstdint>

namespace frame {

// Sent to the frame ("GameFrame").
namespace frame_msg {
inline constexpr uint32_t kMatchBegunFaded = 80000006;  // the match-begin animation has faded
inline constexpr uint32_t kForceExitReason = 80000008;  // p1: the reason, a heap text the frame frees
inline constexpr uint32_t kForceExitCancel = 80000009;  // the force-exit box was cancelled
inline constexpr uint32_t kForceExitAnswer = 80000010;  // p1: the asking user, p2: 1 agree, 0 refuse
inline constexpr uint32_t kRoundTimer = 80000024;       // 15 s after the round title
inline constexpr uint32_t kShowMatchEnd = 80000027;     // from the board queue; p1 a heap record
inline constexpr uint32_t kShowMatchResult = 80000029;  // from the board queue; p1 a heap record
inline constexpr uint32_t kSignUp = 80000039;           // "btn_signup"
inline constexpr uint32_t kGiveUp = 80000040;           // "btn_giveup"
inline constexpr uint32_t kOpenShopItem = 80000041;     // p1: the item (character) id
inline constexpr uint32_t kSpareButton = 80000042;      //
inline constexpr uint32_t kCountdownTick = 80000045;    // the match countdown, once a second
inline constexpr uint32_t kShowUserCard = 80000047;     // p1: the user, p2: the input snapshot
inline constexpr uint32_t kHideUserCard = 80000048;     // p1: the user, p2: the input snapshot
inline constexpr uint32_t kCardEntered = 80000049;      // the pointer entered the card
inline constexpr uint32_t kCardLeft = 80000050;         // the pointer left the card; p2: the snapshot
inline constexpr uint32_t kCardClose = 80000051;        // unpin and hide the card
inline constexpr uint32_t kOpenSettings = 80000078;     // "btnSet2"
inline constexpr uint32_t kOpenHelp = 80000079;         // "btnHelp2"
inline constexpr uint32_t kOpenShop = 80000080;         // "btnShop2"
inline constexpr uint32_t kCloseButton = 80000081;      // "btnFrameClose": the close rules apply
inline constexpr uint32_t kConfirmExit = 80000082;      // leave the table (the leave request)
inline constexpr uint32_t kCloseNow = 80000083;         // close the window without asking
inline constexpr uint32_t kHoldOn = 80000084;           //
inline constexpr uint32_t kHoldOff = 80000085;          //
inline constexpr uint32_t kToggleMaximize = 80000086;   // "btnFrameFit", a double click on the title
inline constexpr uint32_t kMinimize = 80000087;         // "btnFrameMin"
inline constexpr uint32_t kDragMove = 80000088;         // the title strip is dragged
inline constexpr uint32_t kDragBegin = 80000089;        // left button down on the title strip
inline constexpr uint32_t kDragEnd = 80000090;          // left button up, or the focus went
inline constexpr uint32_t kAwardLink = 80000091;        // "btn_Award"
inline constexpr uint32_t kExchangeLink = 80000092;     // "btn_ExChange"
}  // namespace frame_msg

// Handed by the frame to the table scene and the side panel ({0, id, p, 0}).
namespace child_msg {
inline constexpr uint32_t kRoundTitle = 80000002;  // to the table scene
inline constexpr uint32_t kNotifyMainGame = 80000003;
inline constexpr uint32_t kMatchNotice11 = 80000011;
inline constexpr uint32_t kMatchNotice12 = 80000012;
inline constexpr uint32_t kMatchNotice13 = 80000013;
inline constexpr uint32_t kPlayerEnter = 80000014;  // p: the player record
inline constexpr uint32_t kLookerEnter = 80000015;  // p: the player record
inline constexpr uint32_t kPlayerLeave = 80000016;  // p: the player record
// The key dialog's answer to the input bar has the same number (dialogs::CKeyResultDlg::kMsgConfirmed);
// see the assertion in input_bar.cpp.
inline constexpr uint32_t kLookerLeave = 80000017;  // p: the player record
inline constexpr uint32_t kRandomTable = 80000018;
inline constexpr uint32_t kRefreshUsers = 80000019;  // to the side panel alone
inline constexpr uint32_t kMovedTable = 80000020;
inline constexpr uint32_t kSafeBoxEvent = 80000021;    // p: a shell::SafeBoxRecord, lent
inline constexpr uint32_t kRankingChanged = 80000022;  // to the side panel: a new match ranking
inline constexpr uint32_t kMatchBegin = 80000025;      // to the side panel
inline constexpr uint32_t kMatchInfo = 80000028;       // p: the match info value
inline constexpr uint32_t kMatchProgress = 80000030;
inline constexpr uint32_t kMatchResultShown = 80000052;
inline constexpr uint32_t kMatchResultCopied = 80000053;
inline constexpr uint32_t kChairRecords = 80000062;  // p: a shell::ChairRecords, lent
inline constexpr uint32_t kMatchPanel = 80000075;    // to the side panel
inline constexpr uint32_t kOpenSettings = 80000076;  // to the table scene
}  // namespace child_msg

// Engine integer settings the frame keeps for the side panel and its bars.
namespace frame_setting {
inline constexpr uint32_t kTopMargin = 50007;     // 28
inline constexpr uint32_t kHeadHeight = 50008;    // 22
inline constexpr uint32_t kRowHeight = 50009;     // 26
inline constexpr uint32_t kColumnWidth = 50010;   // 70
inline constexpr uint32_t kExtraHeight = 50011;   // the height of the horizontal scroll bar's track
inline constexpr uint32_t kOpenBoxCount = 50012;  // boards and message boxes opened so far
inline constexpr uint32_t kScrollTrackName = 27;  // the engine's string setting naming that track
}  // namespace frame_setting

}  // namespace frame
