// The table a replay was recorded at, as the application takes a table from the lobby: the
// command line values and the start data that replay mode starts with (CGameAppBase::StartReplay).
#pragma once

#include <string>

#include "dialogs/replay_file.h"
#include "shell/enter_game_data.h"
#include "shell/lobby_command_line.h"

namespace dialogs {

// The room a replay is watched in, as the welcome line names it.
inline constexpr char kReplayRoomName[] = "录像回放";

// The recorded table for a game of chair_count chairs: the user, the own chair (the chair watched
// for a replay recorded while watching), the room (named kReplayRoomName) and table numbers, and
// one player record per recorded player (name, avatar, score, silver); no lookers, not even one
// who recorded while watching. False, with the reason in *error, when the replay was recorded at
// a table of another size; *command and *start are then left as they were.
bool MakeReplayTable(const ReplayFile& replay, int chair_count, shell::LobbyCommandLine* command,
                     shell::EnterGameData* start, std::string* error);

}  // namespace dialogs
