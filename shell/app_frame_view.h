// What the application and the table ask of the game frame (the root scene object,
// "GameFrame"): its message boxes, its auto-play animation, the exit rules the main window
// applies on WM_CLOSE, the table's rectangle, avatar pictures, the sliding boards and the match
// parts the table hides; and what the notification handler hands it (people coming and going,
// exit requests, the match's life). The game frame implements this interface next to its engine
// object base; the bodies here only log (and let the user leave, and free what they are given).
//
// Records handed over by pointer are lent for the call and were checked by the notification
// handler against their lengths and chairs; blocks handed over as uintptr_t (the queued match
// boards) are the receiver's to free with delete[].
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/core/object_message.h"
#include "platform/win_types.h"
#include "shell/frame_records.h"
#include "shell/notify_body.h"
#include "shell/player_record.h"

namespace engine {
class EngineObject;
}  // namespace engine

namespace shell {

class AppFrameView {
 public:
  virtual ~AppFrameView() = default;

  // The frame's message box: text, the OK and cancel messages (null for none), and the button
  // set, style and icon name the box gives their meaning.
  virtual void ShowMessageBox(const char* text, const engine::ObjectMessage* ok, const engine::ObjectMessage* cancel,
                              int32_t buttons, int32_t style, const char* icon);
  // A system message whose buttons confirm leaving the table or close.
  virtual void ShowExitBox(const char* text, int32_t buttons, int32_t style, const char* icon);
  // Shows or hides the auto-play animation.
  virtual void ShowAutoPlay(bool on);
  // Decides whether the user may leave, asking the server and the user as needed. A decision
  // to leave ends with CGameAppBase::ConfirmClose; this body lets the user go at once.
  virtual void ExitRules();
  // What the main window asks on WM_CLOSE: the exit rules here; the game frame adds the match's
  // close rules.
  virtual void CloseRequest() { ExitRules(); }
  // The rectangle of the table scene ("MainGame"); the frame's own rectangle without one.
  virtual platform::RECT GetMainGameRect();
  // The picture name of a character's avatar in size type 1 (32 x 32), 2 (48 x 48) or another
  // (135 x 270); empty when there is none.
  virtual std::string GetAvatarImageName(int32_t character, int32_t size_type);
  // Slides a board in from the bottom right corner of the window.
  virtual void SlideInBoard(engine::EngineObject* board);
  // Hides the match mode's waiting parts and its result dialog.
  virtual void HideMatchWaitParts() {}
  virtual void HideMatchResult() {}
  // Runs a function of the advert page's script ("刷新排名") in the side panel's advert bar;
  // nothing when there is no advert bar.
  virtual void RunAdvertScript(const char* /*function*/) {}

  // ---- From the notification handler ----
  // A player asks the others to let them leave a running game: {user id, room record id, table
  // record id, chair, 0, the reason from byte 20}; size is at least 20.
  virtual void ShowExitRequest(const uint8_t* record, size_t size);
  // Someone came to or left the table; the application's tables already say so.
  virtual void OnPlayerEnter(const PlayerRecord* record);
  virtual void OnPlayerLeave(const PlayerRecord* record);
  virtual void OnLookerEnter(const PlayerRecord* record);
  virtual void OnLookerLeave(const PlayerRecord* record);
  // The table was seated again at random, or the user was moved to another table.
  virtual void OnRandomTable();
  virtual void OnMovedTable();
  // Chat and the member amulet, for the side panel's chat (bodies of 201210, 211200 and 211900,
  // lent for the call; the panel reads them within their length).
  virtual void AddChatLine(const NotifyBody& body);
  virtual void AddRelayedChat(const NotifyBody& body);
  virtual void ShowAmuletNotice(const NotifyBody& body);
  // A safe-box event (notifications 211600, 211610, 211620) and the chair records (211630), read
  // and checked by the handler; lent for the call.
  virtual void OnSafeBoxEvent(const SafeBoxRecord& record);
  virtual void OnChairRecords(const ChairRecords& records);
  // The match's countdown to the start (null outside match mode, or before it is made).
  virtual engine::EngineObject* GetMatchCountdown() { return nullptr; }

  // Match mode. The application's match data are up to date when these are called.
  // The match's values changed: the countdown, the give-up button and the side panel follow.
  virtual void OnMatchProgress();
  // The match table's state came with the match data: a running match clock (a negative clock
  // value) carries on in the side panel from the elapsed seconds it gives.
  virtual void OnMatchTableState();
  // The nine boards on the match's state picture, and the outcome of a sign-up or give-up.
  virtual void ShowNoSignUpBoard();
  virtual void ShowWashoutBoard();
  virtual void ShowMatchEndBoard();
  virtual void ShowMatchLateBoard();
  virtual void ShowSystemCancelBoard();
  virtual void ShowSelfCancelBoard();
  virtual void ShowWaitSignUpCheckBoard();
  virtual void ShowSystemRejectedBoard();
  virtual void ShowMatchStartedBoard();
  virtual void OnSignUpOk();
  virtual void OnWithdrawn();
  // A wait animation on the state picture: 1 arranging the tables, 3 working out the ranks, 4
  // waiting for the final.
  virtual void ShowWaitAnimation(int32_t kind);
  // Match notices handed on to the table scene and the side panel.
  virtual void BroadcastMatchNotice11();
  virtual void BroadcastMatchNotice12();
  virtual void BroadcastMatchNotice13();
  // A new round (its number is in the match data), the match's first game.
  virtual void ShowMatchRound();
  virtual void OnMatchBegin();
  // {.., word 4 kind, word 5 tables still playing, word 6 players promoted, a text from byte 28};
  // size is at least 28.
  virtual void ShowTablesLeft(const uint8_t* record, size_t size);
  // A duan card record (at least 128 bytes): shown beside the user list.
  virtual void ShowPlayerDuan(const uint8_t* record, size_t size);
  // The match-end board and the match result, shown one after the other: p is a block of
  // kMatchEndBlockBytes resp. kMatchResultBlockBytes bytes made with new uint8_t[], the
  // receiver's to free.
  static constexpr size_t kMatchEndBlockBytes = 40;
  static constexpr size_t kMatchResultBlockBytes = 224;
  virtual void QueueMatchEnd(uintptr_t p);
  virtual void QueueMatchResult(uintptr_t p);
  // A new ranking: row_count records of 64 bytes in records (size bytes, row_count * 64), and the
  // five header words that go with it (qualifying count, qualifying flag, own rank, players left,
  // rank status).
  virtual void OnMatchRanking(int32_t row_count, const uint8_t* records, size_t size, const int32_t* header);
};

// The same, asked of the application's game frame; an empty rectangle or name without one.
platform::RECT GetMainGameRect();
std::string GetAvatarImageName(int32_t character, int32_t size_type);
// The game frame's member the table framework reads: its match countdown (null without one).
engine::EngineObject* GetAppViewMember();

}  // namespace shell
