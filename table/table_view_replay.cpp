// The table view's share of replays: the table's messages go to the recorder while a game is
// recorded, the game is saved when it ends, and in replay mode the recorded hands are dealt.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <utility>

#include "dialogs/replay_recorder.h"
#include "engine/core/engine_log.h"
#include "platform/files.h"
#include "shell/chat_text.h"
#include "shell/game_app_base.h"
#include "shell/game_handler.h"
#include "table/main_game_rect.h"
#include "table/table_view.h"

namespace table {
namespace {

// Notifications that start, make up and end a recorded game.
constexpr int32_t kGameStarted = 211040;
constexpr int32_t kGameStartedAgain = 211028;
constexpr int32_t kGameEnded = 211080;
constexpr int32_t kMatchGameStarted = 211150;
constexpr int32_t kMatchRound = 211160;
constexpr int32_t kGameMessage = 229500;
constexpr int32_t kPassed = 223100;
constexpr int32_t kPlayed = 221170;

// The folder part of a saved file's path, its last separator included.
std::string FolderOf(const std::string& path) {
  const size_t end = platform::FindLastSeparator(path);
  return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

}  // namespace

dialogs::ReplayTableSnapshot CTableView::TableSnapshot() {
  dialogs::ReplayTableSnapshot table;
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return table;
  table.chair_count = std::clamp(AppChairCount(), 0, kMaxBoards);
  table.own_chair = app->GetChair();
  table.watching = app->GetLookOn() != 0;
  table.user_id = static_cast<int32_t>(app->GetUserId());
  table.room_record_id = static_cast<int32_t>(app->GetRoomRecordId());
  table.table_record_id = static_cast<int32_t>(app->GetTableRecordId());
  if (shell::IGameHandler* holder = shell::GetTableStateHolder()) table.game_number = holder->GetGameNumber();
  for (int32_t c = 0; c < table.chair_count; ++c) {
    const shell::PlayerRecord* record = app->GetPlayerRecord(c);
    if (record == nullptr) continue;
    dialogs::ReplayPlayer player;
    player.user_id = static_cast<int32_t>(record->UserId());
    player.chair = c;
    player.figure = record->AvatarId();
    player.score = record->Score();
    player.holding = record->Silver();
    player.name = record->Name();
    table.players.push_back(player);
  }
  if (const TableGameState* state = GetGameState()) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(state);
    table.table_block.assign(bytes, bytes + sizeof(TableGameState));
  }
  return table;
}

void CTableView::RecordGameMessage(int32_t id, const void* data, int32_t length) {
  if (GetRecorder() == nullptr) return;
  shell::CGameAppBase* app = shell::GetApp();
  if (app != nullptr && app->IsMatch()) {
    RecordMatch(id, data, length);
  } else {
    RecordNormal(id, data, length);
  }
}

void CTableView::RecordNormal(int32_t id, const void* data, int32_t length) {
  dialogs::CReplayRecorder* recorder = GetRecorder();
  if (recorder == nullptr) return;
  if (id == kGameStarted || id == kGameStartedAgain) {
    recorder->StartRecording();
    recorder->WriteTableSnapshot(TableSnapshot());
    recorder->AddRecord(id, data, length);
    return;
  }
  if (!recorder->IsRecording()) return;
  if (id == kGameMessage || id == kPassed || id == kPlayed) {
    recorder->AddRecord(id, data, length);
    return;
  }
  if (id != kGameEnded) return;
  recorder->AddRecord(id, data, length);
  BeforeSaveReplay();
  std::string path;
  if (!recorder->StopAndSave(&path, SaveReplays())) return;
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return;
  // Only a game that was written is announced, with a link to its folder when the folder's
  // name can stand inside the link's tag.
  const std::string folder = FolderOf(path);
  std::string line;
  if (folder.find_first_of(",;<>#") == std::string::npos) {
    line = " <z=qm系统通知><c=255> 游戏录像已保存到<url_text=" + folder + ",录像目录><c=255>\r\n";
  } else {
    line = " <z=qm系统通知><c=255> 游戏录像已保存到" + shell::EscapeChatMarkup(folder) + "<c=255>\r\n";
  }
  app->AppendSystemText(line.c_str());
}

void CTableView::RecordMatch(int32_t id, const void* data, int32_t length) {
  dialogs::CReplayRecorder* recorder = GetRecorder();
  if (recorder == nullptr) return;
  if (id == kMatchGameStarted) {
    recorder->StartRecording();
    if (auto* match = dynamic_cast<dialogs::CMatchReplayRecorder*>(recorder)) {
      if (shell::CGameAppBase* app = shell::GetApp()) {
        dialogs::ReplayMatchInfo info;
        info.round = app->GetMatchData().round;
        info.rank = app->GetMatchData().own_rank;
        if (const shell::TableExtraRecord* extra = app->FindTableExtra(app->GetUserId())) {
          info.score = extra->DuanScore();
        }
        info.format_name = app->GetMatchData().format_name;
        match->SetMatchInfo(info);
      }
    }
    recorder->WriteTableSnapshot(TableSnapshot());
    return;
  }
  if (!recorder->IsRecording()) return;
  if (id == kGameStarted || id == kMatchRound || id == kGameMessage) {
    recorder->AddRecord(id, data, length);
  } else if (id == kGameEnded) {
    recorder->AddRecord(id, data, length);
    std::string path;
    recorder->StopAndSave(&path, SaveReplays());
  }
}

bool CTableView::SaveReplays() {
  shell::CGameAppBase* app = shell::GetApp();
  return app != nullptr && app->TestRecordOption() && !app->IsReplayMode();
}

int32_t CTableView::DealReplayHands() {
  dialogs::CReplayRecorder* recorder = GetRecorder();
  shell::CGameAppBase* app = shell::GetApp();
  if (recorder == nullptr || app == nullptr || !app->IsReplayMode()) return 0;
  const std::span<const int32_t> block = std::as_const(*recorder).GetStateBlock();
  const int32_t hand = std::clamp(app->GetMaxHandSize(), 0, kCardList);
  const int32_t chairs = std::clamp(AppChairCount(), 0, kMaxBoards);
  // Every chair's slice must lie inside the block.
  if (hand == 0 || static_cast<size_t>(chairs) * static_cast<size_t>(hand) > block.size()) {
    engine::WriteGameLog("table: the recorded hands do not fit %d chairs of %d cards", chairs, hand);
    return 0;
  }
  int32_t dealt = 0;
  for (int32_t c = 0; c < chairs; ++c) {
    SetChairHand(c, block.data() + static_cast<size_t>(c) * hand, hand);
    ++dealt;
  }
  SortHand(sort_mode::kValueFalling);
  return dealt;
}

}  // namespace table
