// What the session reads of the application for every request: who the user is and where the
// user sits. The application implements it.
#pragma once

#include <cstdint>
#include <string>

namespace net {

class SessionContext {
 public:
  virtual ~SessionContext() = default;
  virtual uint32_t GetUserId() = 0;
  virtual uint32_t GetRoomRecordId() = 0;
  virtual uint32_t GetTableRecordId() = 0;
  virtual int32_t GetChair() = 0;
  // The chair of a player or looker at the table, -1 when the user is neither.
  virtual int32_t GetChairOfUser(uint32_t user_id) = 0;
  // The machine's identity text sent with chat.
  virtual std::string GetMachineId() = 0;
  // Keeps the first word of the answer to the game-running query.
  virtual void StoreGameRunningWord(uint32_t word) = 0;
};

}  // namespace net
