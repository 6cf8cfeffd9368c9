// The checks the notification handler makes before a body reaches anyone: refusals are logged
// with the notification's id and length, and chairs are checked against the table's chair count.
#pragma once

#include <cstdint>

namespace shell {

// Logs the refusal; always false, so that a handler can return it.
bool RefuseNotification(uint32_t id, const char* why, uint32_t length);
// Whether chair is a chair of this table (0 up to the application's chair count, at most 8).
bool IsTableChair(int32_t chair);

}  // namespace shell
