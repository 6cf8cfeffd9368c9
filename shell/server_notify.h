// The application's notification handler: every notification the server pushes (and every
// answer body the table view hands back as notification 229500) comes to Dispatch, which
// checks the body's length and chairs and calls one operation.
//
// CServerNotifyBase handles what every game shares: 201200 (a player calls another), and what
// the game frame shows (CGameAppBase::GetAppView, an AppFrameView): people coming and going,
// another player's exit request, safe-box events and chair records, and the match's life
// (server_notify_frame.cpp).
// CCardServerNotify adds the card table's notifications, each handed to the table view
// (CGameAppBase::GetMainGame, a TableNotifyTarget) after its replay recorder: the round's start
// and end (which also set and clear the application's game flags), plays, passes, turns, game
// messages and look-on requests; and a table notice, which it posts to "MainGame" as 80000063.
// Notifications nobody handles are logged and dropped. The game derives its own handler from
// CCardServerNotify.
#pragma once

#include <cstdint>

#include "net/transport.h"
#include "shell/notify_body.h"

namespace shell {

class AppFrameView;
class TableNotifyTarget;

namespace notify {
inline constexpr uint32_t kCallPlayer = 201200;
inline constexpr uint32_t kPlayerStarted = 201160;
inline constexpr uint32_t kPlayerOffline = 211240;
inline constexpr uint32_t kClearReady = 211300;
inline constexpr uint32_t kNextTurn = 221165;
inline constexpr uint32_t kTurn = 221168;
inline constexpr uint32_t kPlay = 221170;
inline constexpr uint32_t kPass = 223100;
inline constexpr uint32_t kGameMessage = 229500;
inline constexpr uint32_t kLookOnRequest = 229550;
inline constexpr uint32_t kLookOnAnswer = 229570;
inline constexpr uint32_t kLookOnNotice = 229580;
// A round of the table starts and ends: the application's game flags follow, the view opens and
// closes the round, and a recording table starts and saves its recording. The framework reads
// nothing of either body (the recording keeps them as they came).
inline constexpr uint32_t kGameStarted = 211040;
inline constexpr uint32_t kGameEnded = 211080;
// A match game starts, a match round's record: only the match recording keeps them.
inline constexpr uint32_t kMatchGameStarted = 211150;
inline constexpr uint32_t kMatchGameRound = 211160;
// A table notice {.., its text from byte 32}: posted to the table view as 80000063.
inline constexpr uint32_t kTableNotice = 211920;
inline constexpr uint32_t kTableNoticeTextOffset = 32;
// The longest notice body handed on; the rest is cut.
inline constexpr uint32_t kMaxTableNoticeBytes = 4096;

// To the game frame. Little-endian words; every length and chair is checked first.
// 201212 {user id, room record id, table record id, chair, 0, the reason from byte 20}
inline constexpr uint32_t kExitRequest = 201212;
// 211010 {user id, ...}: the user left the table (player or looker).
inline constexpr uint32_t kPersonLeft = 211010;
// 211011 a PlayerRecord (320 bytes): a player (or, with the looker flag, a looker) came.
inline constexpr uint32_t kPersonCame = 211011;
// 211028 the table was seated again at random, and its game starts: a recording table starts
// recording as on 211040.
inline constexpr uint32_t kRandomTable = 211028;
inline constexpr uint32_t kMovedTable = 211700;
// Safe-box events (a shell::SafeBoxRecord each, the kinds each one takes checked): a player took
// silver out of the safe box or stored it (kinds 1, 2), claimed the allowance (kind 3), or the
// table's base silver changed (any other kind, base silver above 0).
inline constexpr uint32_t kSafeBoxEvent = 211600;
inline constexpr uint32_t kAllowance = 211610;
inline constexpr uint32_t kBaseSilver = 211620;
// The chair records (shell::ChairRecords): one to eight records of 72 bytes, chair 0 first.
inline constexpr uint32_t kChairRecords = 211630;
// To the side panel, through the game frame; the panel reads each body within its length.
// 201210 another player's chat line {u32 sender, the text from byte 48}.
inline constexpr uint32_t kChat = 201210;
// 211200 a relayed chat line {u32 sender, u32 kind at byte 8, the text from byte 36}.
inline constexpr uint32_t kRelayedChat = 211200;
// 211900 the member amulet {u32 flags, a user id per chair (8), points per chair (8)}.
inline constexpr uint32_t kAmulet = 211900;

// The match server's notifications, as this client reads them:
// 211500 {stage, seconds to the start, sign-up fee, fee kind, info value, next duan score, match
//        clock value, sign-up count}: the match data, then the frame's match progress and the
//        match table's state (a running match clock carries on from it).
inline constexpr uint32_t kMatchInfo = 211500;
// 211501 {kind}: 1 not signed up, 2 washed out, 3 the match is over, 4 too late, 5 cancelled by
//        the system, 6 sign-up withdrawn, 7 sign-up being checked, 8 sign-up rejected, 9 the
//        match has started, 10 signed up, 11 given up.
inline constexpr uint32_t kMatchBoard = 211501;
// 211502 {kind}: a wait animation, 1 arranging tables, 3 working out the ranks, 4 the final.
inline constexpr uint32_t kMatchWait = 211502;
// 211503 {n}: match notice 11, 12 or 13 to the table scene and the side panel.
inline constexpr uint32_t kMatchNotice = 211503;
// 211504 {round number}: the round title.
inline constexpr uint32_t kMatchRound = 211504;
// 211505 the match's first game begins.
inline constexpr uint32_t kMatchBegin = 211505;
// 211506 {.., word 4 kind, word 5 tables, word 6 promoted, a text from byte 28}.
inline constexpr uint32_t kMatchTablesLeft = 211506;
// 211507 the match-end record (up to 40 bytes), queued for the frame.
inline constexpr uint32_t kMatchEnd = 211507;
// 211508 the match result record (192 bytes at least: 43 words, then a tail whose words 2 to 4
//        are read), queued for the frame.
inline constexpr uint32_t kMatchResult = 211508;
// 211509 {row count, qualifying count, qualifying flag, own rank, players left, rank status,
//        then row count records of 64 bytes}: the ranking.
inline constexpr uint32_t kMatchRanking = 211509;
// 211510 a duan card record (128 bytes at least): shown beside the user list.
inline constexpr uint32_t kPlayerDuan = 211510;
// 211511 {chair, the 288-byte match record of the player on that chair}.
inline constexpr uint32_t kChairMatchRecord = 211511;
}  // namespace notify

class CServerNotifyBase : public net::NotificationSink {
 public:
  // Record of a call: {caller id, room id, table id, caller chair, target id, target chair,
  // 4 words}; the first six words are read.
  static constexpr uint32_t kCallPlayerBytes = 24;
  // The colour of the called player's name in the call line.
  static constexpr uint32_t kCallColour = 32768;

  // Handles one notification; false when it was refused or nobody handles it.
  void Dispatch(uint32_t notification_id, const uint8_t* body, uint32_t length) override;
  virtual bool Handle(uint32_t notification_id, const NotifyBody& body);

  // Writes " <caller>呼叫 <c=32768><target>" into the chat (names as markup-safe text) and plays
  // "SndAhoo" when the own user is the one called.
  virtual void OnCallPlayer(const NotifyBody& record);

  // Sizes the frame's notifications are checked against.
  static constexpr uint32_t kExitRequestBytes = 20;
  static constexpr uint32_t kMatchInfoBytes = 32;
  static constexpr uint32_t kTablesLeftBytes = 28;
  static constexpr uint32_t kMatchResultMinBytes = 192;
  static constexpr uint32_t kRankingHeadBytes = 24;
  static constexpr uint32_t kRankingRecordBytes = 64;
  static constexpr uint32_t kDuanCardMinBytes = 128;

 protected:
  static bool IsFrameNotification(uint32_t notification_id);
  // Checks a notification of the game frame and hands it over; false when it was refused or
  // there is no frame.
  virtual bool HandleFrameNotification(uint32_t notification_id, const NotifyBody& body);
  // The game frame, or null (the notification is then dropped with a log line).
  virtual AppFrameView* FrameView();
};

class CCardServerNotify : public CServerNotifyBase {
 public:
  static constexpr uint32_t kPlayHeadBytes = 64;    // up to the card ids
  static constexpr uint32_t kPlayCountOffset = 60;  // the combination's card count
  static constexpr uint32_t kPassBytes = 36;        // words 0..8
  static constexpr uint32_t kGameMessageHeadBytes = 20;
  static constexpr uint32_t kLookOnAnswerBytes = 24;
  static constexpr uint32_t kSeatHeadBytes = 16;
  static constexpr int32_t kMaxComboCards = 64;

  bool Handle(uint32_t notification_id, const NotifyBody& body) override;

 protected:
  // The table view, or null (the notification is then dropped with a log line).
  virtual TableNotifyTarget* Target();
};

}  // namespace shell
