// The table view's share of replays: the table's messages go to the recorder while a game is
// recorded, the game is saved when it ends, and in replay mode the recorded hands are dealt.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <utility>

#include "dialogs/replay_bar.h"
#include "dialogs/replay_recorder.h"
#include "engine/core/engine_log.h"
#include "engine/ui/text_markup.h"
#include "platform/files.h"
#include "shell/game_app_base.h"
#include "shell/game_handler.h"
#include "shell/server_notify.h"
#include "table/card_view.h"
#include "table/main_game_rect.h"
#include "table/player_board.h"
#include "table/table_messages.h"
#include "table/table_view.h"

namespace table {
namespace {

// Notifications that start, make up and end a recorded game.
constexpr int32_t kGameStarted = replay_record::kGameStarted;
constexpr int32_t kGameStartedAgain = replay_record::kGameStartedAgain;
constexpr int32_t kGameEnded = replay_record::kGameEnded;
constexpr int32_t kMatchGameStarted = replay_record::kMatchGameStarted;
constexpr int32_t kMatchRound = replay_record::kMatchRound;
constexpr int32_t kGameMessage = shell::notify::kGameMessage;
constexpr int32_t kPassed = shell::notify::kPass;
constexpr int32_t kPlayed = shell::notify::kPlay;

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
  // Only a game that was written is announced, with a link to its folder.
  const std::string line =
      " <z=qm系统通知><c=255> 游戏录像已保存到" + engine::FolderLinkMarkup(FolderOf(path), "录像目录") + "<c=255>\r\n";
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
    // A face-up row is spaced wider than the hidden one it was: lay it out again, so that its
    // card count stands past its last card instead of on it.
    LayoutChairCards(c);
    ++dealt;
  }
  SortHand(sort_mode::kValueFalling);
  return dealt;
}

bool CTableView::OpenReplayFile() {
  shell::CGameAppBase* app = shell::GetApp();
  dialogs::CReplayBar* bar = GetReplayBar();
  if (app == nullptr || !app->IsReplayMode() || bar == nullptr || bar->IsOpen()) return false;
  for (int32_t c = 0; c < chair_count_; ++c) {
    CPlayerBoard* board = BoardOfChair(c);
    if (board == nullptr) continue;
    board->Clear();
    if (app->IsChairTaken(c)) board->ShowRankBadge(c);
  }
  if (app->GetReplayFile().empty()) return false;
  if (!bar->OpenReplay(app->GetReplayFile(), std::clamp(AppChairCount(), 0, kMaxBoards), nullptr)) return false;
  PlaceReplayBar();
  bar->Play();
  return true;
}

void CTableView::PlaceReplayBar() {
  dialogs::CReplayBar* bar = GetReplayBar();
  if (bar == nullptr) return;
  // Across the middle of the table the side chairs' played cards land: the bar goes to the band
  // above them, which stays empty at a table of three. A bar the user dragged keeps its place,
  // inside the table.
  platform::RECT r{};
  GetRect(&r);
  bar->Place((r.left + r.right) / 2.0, std::min(r.top + kReplayBarTop, (r.top + r.bottom) / 2), r);
  bar->Invalidate();
}

namespace {

// The chair of the first play or pass the replay holds (it moves first), or -1.
int32_t FirstMover(const dialogs::ReplayFile& replay, int32_t chairs) {
  for (const dialogs::ReplayRecord& r : replay.records) {
    const shell::NotifyBody body{r.data.data(), static_cast<uint32_t>(r.data.size())};
    PlayNotice play;
    if (static_cast<uint32_t>(r.id) == shell::notify::kPlay && ReadPlayNotice(body, chairs, &play)) return play.chair;
    PassNotice pass;
    if (static_cast<uint32_t>(r.id) == shell::notify::kPass && ReadPassNotice(body, chairs, &pass)) return pass.chair;
  }
  return -1;
}

}  // namespace

int32_t CTableView::RecordedFirstMover(const dialogs::CReplayRecorder& recorder, int32_t chairs) {
  // Found once for each game the recorder holds: a replay that deals again and again reads its
  // records once, not once a deal.
  if (first_mover_.version != recorder.GetReplayVersion() || first_mover_.chairs != chairs) {
    first_mover_ = {recorder.GetReplayVersion(), chairs, FirstMover(recorder.GetReplay(), chairs)};
  }
  return first_mover_.chair;
}

void CTableView::DealRecordedRound() {
  shell::CGameAppBase* app = shell::GetApp();
  dialogs::CReplayRecorder* recorder = GetRecorder();
  if (app == nullptr || recorder == nullptr) return;
  const int32_t chairs = std::clamp(AppChairCount(), 0, kMaxBoards);
  const dialogs::ReplayFile& replay = recorder->GetReplay();
  if (shell::IGameHandler* holder = shell::GetTableStateHolder()) {
    holder->SetGameNumber(replay.table.game_number);
    holder->SetStateFlags(holder->GetStateFlags() | shell::IGameHandler::kStateInProgress);
    holder->SetActiveChair(RecordedFirstMover(*recorder, chairs));
  }
  app->SetGameRunning(true);
  OpenRound();
  if (TableGameState* state = GetGameState()) {
    state->chair_on_table = -1;
    state->combo.Clear();
  }
  ResetRound();
  // Each chair's row, face down, as long as its recorded hand.
  const std::span<const int32_t> block = std::as_const(*recorder).GetStateBlock();
  const int32_t hand = std::clamp(app->GetMaxHandSize(), 0, kCardList);
  int32_t sprite = 0;
  for (int32_t c = 0; c < chairs; ++c) {
    const size_t from = static_cast<size_t>(c) * static_cast<size_t>(hand);
    int32_t count = 0;
    for (int32_t k = 0; k < hand && from + k < block.size(); ++k) count += block[from + k] >= 0 ? 1 : 0;
    for (int32_t k = 0; k < count && sprite < card_view_count_; ++sprite) {
      CCardView* card = card_views_[sprite];
      if (card == nullptr) continue;
      card->chair = c;
      card->position = ChairToPosition(c);
      card->place = card_place::kHand;
      card->index = k++;
      card->group_count = count;
      card->card_id = -1;
      card->face_up = 0;
      card->selected = 0;
    }
    LayoutChairCards(c);
  }
  OnDealOver();
}

void CTableView::EndRecordedRound() {
  shell::CGameAppBase* app = shell::GetApp();
  if (shell::IGameHandler* holder = shell::GetTableStateHolder()) {
    holder->SetStateFlags(holder->GetStateFlags() & ~shell::IGameHandler::kStateInProgress);
  }
  if (app != nullptr) app->SetGameRunning(false);
  CloseRound();
}

void CTableView::OpenRound() {
  StopIdleKickTimer();
  HideWaitSign();
  ShowButton(start_button_, false);
}

void CTableView::CloseRound() {
  StopClock();
  HidePlayButtons();
  // Nobody is to act any more.
  for (int32_t c = 0; c < chair_count_; ++c) {
    if (CPlayerBoard* board = BoardOfChair(c)) board->SetHighlighted(0);
  }
}

void CTableView::OnGameStarted(const shell::NotifyBody&) { OpenRound(); }

void CTableView::OnGameEnded(const shell::NotifyBody&) { CloseRound(); }

void CTableView::Record(uint32_t notification_id, const shell::NotifyBody& body) {
  RecordGameMessage(static_cast<int32_t>(notification_id), body.data, static_cast<int32_t>(body.length));
}

void CTableView::OnReplayRewound() {
  StopClock();
  HidePlayButtons();
  ResetTable();
  ResetRound();
  if (shell::IGameHandler* holder = shell::GetTableStateHolder()) holder->ClearState();
  if (shell::CGameAppBase* app = shell::GetApp()) app->SetGameRunning(false);
  RedrawAll();
}

void CTableView::OnReplayPaused(bool paused) {
  if (paused) {
    if (clock_timer_ == 0) return;
    CancelAction(clock_timer_);
    clock_timer_ = 0;
    clock_held_ = true;
    return;
  }
  if (!clock_held_) return;
  clock_held_ = false;
  const engine::ObjectMessage tick = engine::MakeMessage(GetKey(), view_msg::kClockTick, 0, 0);
  clock_timer_ = RepeatMessage(kClockPeriodMs, -1, &tick);
}

}  // namespace table
