#include "net/request_ids.h"

namespace net {

uint32_t RequestTimeoutMs(uint32_t request_id) {
  switch (request_id) {
    // Moving silver can take the server a while.
    case request::kSafeBoxOpen:
    case request::kSafeBoxSave:
    case request::kSafeBoxTake:
    case request::kSafeBoxQueryCode:
    case request::kWelfareClaim:
      return 20000;
    // Chat and user queries block the table: give up sooner.
    case request::kChat:
    case request::kQueryUser:
    case request::kLookOnPermission:
      return 5000;
    default:
      return 10000;
  }
}

}  // namespace net
