// The application's notification handler: every notification the server pushes (and every
// answer body the table view hands back as notification 229500) comes to Dispatch, which
// checks the body's length and chairs and calls one operation.
//
// CServerNotifyBase handles what every game shares (201200, a player calls another);
// CCardServerNotify adds the card table's notifications, each handed to the table view
// (CGameAppBase::GetMainGame, a TableNotifyTarget). Notifications nobody handles are logged
// and dropped. The game derives its own handler from CCardServerNotify.
#pragma once

#include <cstdint>

#include "net/transport.h"
#include "shell/notify_body.h"

namespace shell {

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
