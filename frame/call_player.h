// Calling a user to the table from a list of players (the user list and the match ranking).
#pragma once

#include <cstdint>

namespace frame {

// Sends the call (request 201200) for a user who sits at a chair of this table, or watches one,
// and shows it at once in the chat as the callee sees it (the notification handler's call line).
// False, and nothing sent, for user 0, a user at no chair of the table, or at a random-seating
// table.
bool CallPlayerToTable(uint32_t user_id);

}  // namespace frame
