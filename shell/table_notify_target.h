// What the card notification layer calls on the table view ("MainGame"), one operation per
// notification. The table view implements this interface next to its engine object base; the
// bodies here do nothing but keep the notification in the log, so a table without a view, or
// a view that leaves an operation alone, drops it quietly.
//
// When an operation is called, the dispatch has checked what it reads:
//   201160 OnPlayerStarted     body {user id, room record id, table record id, chair}: the chair
//   211240 OnPlayerOffline     word 0: the user id
//   211300 ClearReadyMarks     nothing
//   221165 OnNextTurnNotify    word 1 a chair
//   221168 OnTurnNotify        nothing
//   221170 OnPlayNotify        byte 12 the chair, from byte 48 the played combination with its
//                              card count at byte 60 (0..64) and all its card ids present
//   223100 OnPassNotify        words 0..8; word 2 a chair, word 4 a chair or -1
//   229500 OnGameMessage       word 2 the game message id, word 4 the data length, all its data
//                              present from byte 20
//   229550 ShowLookOnRequestBox  word 0 the asking user's id
//   229570 ShowLookOnAnswer    six words; word 3 a chair
//   229580 OnLookOnNotify      whatever came
//   211040 OnGameStarted       whatever came (the application's game flags are already set)
//   211080 OnGameEnded         whatever came (the application's game flags are already cleared)
// Chairs are checked against the application's chair count before an operation sees them.
//
// Record comes first with every table notification that passed its checks (211028, 211150
// and 211160 included, which the view has no other operation for): a recording table keeps
// what it records of them.
#pragma once

#include <cstdint>

#include "shell/notify_body.h"

namespace shell {

class TableNotifyTarget {
 public:
  virtual ~TableNotifyTarget() = default;

  virtual void OnPlayerStarted(int32_t chair);
  virtual void OnPlayerOffline(uint32_t user_id);
  virtual void ClearReadyMarks();
  virtual void OnNextTurnNotify(const NotifyBody& body);
  virtual void OnTurnNotify(const NotifyBody& body);
  virtual void OnPlayNotify(const NotifyBody& body);
  virtual void OnPassNotify(const NotifyBody& body);
  virtual void OnGameMessage(const NotifyBody& body);
  virtual void ShowLookOnRequestBox(const NotifyBody& body);
  virtual void ShowLookOnAnswer(const NotifyBody& body);
  virtual void OnLookOnNotify(const NotifyBody& body);
  virtual void OnGameStarted(const NotifyBody& body);
  virtual void OnGameEnded(const NotifyBody& body);
  virtual void Record(uint32_t notification_id, const NotifyBody& body);
};

}  // namespace shell
