#include "dialogs/replay_table.h"

#include <utility>

#include "engine/media/byte_span.h"

namespace dialogs {

bool MakeReplayTable(const ReplayFile& replay, int chair_count, shell::LobbyCommandLine* command,
                     shell::EnterGameData* start, std::string* error) {
  const ReplayTableSnapshot& table = replay.table;
  if (table.chair_count != chair_count) {
    engine::ReportFormatError(error, "a replay of a table of %d chairs; this game seats %d", table.chair_count,
                              chair_count);
    return false;
  }
  shell::LobbyCommandLine line;
  line.user_id = static_cast<uint32_t>(table.user_id);
  line.chair = table.own_chair;
  line.table = static_cast<uint32_t>(table.table_record_id);
  line.look_on = table.watching;

  shell::EnterGameData data;
  data.room.SetWord(shell::RoomBlock::kRoomRecordId, static_cast<uint32_t>(table.room_record_id));
  data.room.SetWord(shell::RoomBlock::kMatchRoom, replay.match ? 1 : 0);
  // The file keeps no room name: the welcome line names the replay instead.
  data.room.SetText(shell::RoomBlock::kRoomName, shell::RoomBlock::kTextBytes, kReplayRoomName);
  data.table.SetWord(shell::TableBlock::kTableRecordId, static_cast<uint32_t>(table.table_record_id));
  // Who recorded the game while watching is not at the table: the file keeps no name for them,
  // and the replay is watched, not played, whoever recorded it.
  for (const ReplayPlayer& p : table.players) {
    // A chair without a user is an empty chair.
    if (p.user_id == 0) continue;
    shell::PlayerRecord r;
    r.SetWord(shell::PlayerRecord::kUserId, static_cast<uint32_t>(p.user_id));
    r.SetText(shell::PlayerRecord::kName, shell::PlayerRecord::kNameBytes, p.name);
    r.SetWord(shell::PlayerRecord::kAvatarId, static_cast<uint32_t>(p.figure));
    r.SetWord(shell::PlayerRecord::kSilver, static_cast<uint32_t>(p.holding));
    r.SetWord(shell::PlayerRecord::kScore, static_cast<uint32_t>(p.score));
    r.SetWord(shell::PlayerRecord::kChair, static_cast<uint32_t>(p.chair));
    data.players.push_back(r);
  }
  data.table.SetWord(shell::TableBlock::kPlayerCount, static_cast<uint32_t>(data.players.size()));
  data.table.SetWord(shell::TableBlock::kLookerCount, static_cast<uint32_t>(data.lookers.size()));
  *command = std::move(line);
  *start = std::move(data);
  return true;
}

}  // namespace dialogs
