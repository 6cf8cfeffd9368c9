#include "table/table_logic.h"

#include <cstdio>
#include <cstring>

#include "engine/core/engine_log.h"
#include "platform/clock.h"
#include "shell/random_source.h"
#include "shell/server_settings.h"
#include "table/card_combo.h"

namespace table {

namespace {
uint32_t Now() { return platform::GetTickCount(); }
}  // namespace

CTableLogic::CTableLogic(int32_t p1, int32_t p2, int32_t scale, int32_t chairs, uint32_t rule_flags, int32_t p6)
    : p1_(p1), p2_(p2), scale_(scale), chairs_(chairs), rule_flags_(rule_flags), p6_(p6) {
  if (chairs_ < 1 || chairs_ > kMaxChairs) {
    engine::WriteGameLog("table: chair count %d outside 1..8, using %d", chairs, chairs_ < 1 ? 1 : kMaxChairs);
    chairs_ = chairs_ < 1 ? 1 : kMaxChairs;
  }
  for (int32_t& s : sides_) s = -1;
  CTableLogic::Reset(1);
}

CTableLogic::~CTableLogic() { CTableLogic::Reset(1); }

// ---- table info and resets ----

void CTableLogic::SetTableInfo(const int32_t info[61]) {
  std::memcpy(table_info_, info, sizeof table_info_);
  game_counter_ = table_info_[30];
  turn_start_ = accounting_tick_ = Now();
  SetState(kStateSetUp);
}

void CTableLogic::ClearTableInfo() { std::memset(table_info_, 0, sizeof table_info_); }

int CTableLogic::HasTableInfo() { return table_info_[1] != 0; }

void CTableLogic::Reset(int full) {
  if (full == 1) {
    {
      platform::CriticalSectionLock lock(players_lock_);
      for (auto& chair_lookers : lookers_) chair_lookers.clear();
      players_.clear();
    }
    for (int c = 0; c < kMaxChairs; ++c) {
      chair_players_[c] = nullptr;
      start_options_[c] = settle_options_[c] = status_options_[c] = 0;
      sides_[c] = -1;
      reliefs_[c] = 0;
      leave_stamps_[c] = 0;
    }
    settings_ = GameSettings{};
    side_count_ = 0;
    banker_ = 0;
    game_counter_ = 0;
    first_game_ = 0;
    game_id_[0] = '\0';
    peer_data_.clear();
    peer_names_.clear();
    start_settle_bits_ = 0;
  }
  for (int c = 0; c < kMaxChairs; ++c) {
    marks_[c] = 0;
    chair_status_[c] = 0;
    for (int32_t& m : mark_rows_[c]) m = 0;
  }
  state_ = 0;
  StampState();
  current_chair_ = -1;
  StopWaitClock();
  CTableLogic::ResetRound();
}

void CTableLogic::ResetRound() {
  round_base_ = 0;
  stake_ = 0;
  banker_ = 0;
  state_ = 0;
  result_flags_ = 0;
  for (int c = 0; c < kMaxChairs; ++c) {
    think_time_[c] = 0;
    chair_turn_start_[c] = 0;
    counters_[c] = 0;
    marks_[c] = 0;
    for (int32_t& m : mark_rows_[c]) m = 0;
    chair_records_[c] = CHAIR_RECORD{};
  }
  pending_.reset();
  pending_size_ = 0;
  pending_chair_ = -1;
  pending_word_ = 0;
  round_flag_ = 0;
  uint32_t now = Now();
  turn_start_ = accounting_tick_ = state_stamp_ = now;
  round_stamp_ = now;
}

void CTableLogic::RemoveChair(int chair) {
  if (!ValidChair(chair)) return;
  chair_players_[chair] = nullptr;
  lookers_[chair].clear();
  start_options_[chair] = settle_options_[chair] = status_options_[chair] = 0;
  sides_[chair] = -1;
  counters_[chair] = 0;
  think_time_[chair] = 0;
  chair_turn_start_[chair] = 0;
  marks_[chair] = 0;
  chair_status_[chair] = 0;
  for (int32_t& m : mark_rows_[chair]) m = 0;
}

// ---- players ----

int CTableLogic::AddPlayer(std::unique_ptr<TablePlayer> record) {
  if (record == nullptr) return -1;
  int chair = record->chair;
  if (!ValidChair(chair) || chair_players_[chair] != nullptr) {
    engine::WriteGameLog("table: player %d refused: chair %d is not free", record->user_id, chair);
    return -1;
  }
  platform::CriticalSectionLock lock(players_lock_);
  if (players_.count(record->user_id) != 0) {
    engine::WriteGameLog("table: player %d refused: already at the table", record->user_id);
    return -1;
  }
  record->looker = 0;
  chair_players_[chair] = record.get();
  chair_status_[chair] &= ~kChairReady;
  players_[record->user_id] = std::move(record);
  return 1;
}

std::unique_ptr<TablePlayer> CTableLogic::RemovePlayer(int32_t user_id) {
  platform::CriticalSectionLock lock(players_lock_);
  auto it = players_.find(user_id);
  if (it == players_.end() || it->second->looker != 0) return nullptr;
  std::unique_ptr<TablePlayer> record = std::move(it->second);
  players_.erase(it);
  for (TablePlayer*& p : chair_players_) {
    if (p == record.get()) p = nullptr;
  }
  return record;
}

void CTableLogic::RemoveLooker(int32_t user_id, int chair) {
  platform::CriticalSectionLock lock(players_lock_);
  if (ValidChair(chair)) lookers_[chair].erase(user_id);
  auto it = players_.find(user_id);
  if (it != players_.end() && it->second->looker != 0) players_.erase(it);
}

void CTableLogic::RemoveUser(int32_t user_id, int flag) {
  platform::CriticalSectionLock lock(players_lock_);
  for (auto& chair_lookers : lookers_) chair_lookers.erase(user_id);
  if (flag != 0) {
    auto it = players_.find(user_id);
    if (it != players_.end()) {
      for (TablePlayer*& p : chair_players_) {
        if (p == it->second.get()) p = nullptr;
      }
      players_.erase(it);
    }
  }
}

int CTableLogic::IsPlayer(int32_t user_id) { return FindPlayer(user_id) != nullptr; }
int CTableLogic::IsLooker(int32_t user_id) { return FindLooker(user_id) != nullptr; }

TablePlayer* CTableLogic::FindPlayer(int32_t user_id) {
  platform::CriticalSectionLock lock(players_lock_);
  auto it = players_.find(user_id);
  return it != players_.end() && it->second->looker == 0 ? it->second.get() : nullptr;
}

TablePlayer* CTableLogic::FindLooker(int32_t user_id) {
  platform::CriticalSectionLock lock(players_lock_);
  auto it = players_.find(user_id);
  return it != players_.end() && it->second->looker != 0 ? it->second.get() : nullptr;
}

int CTableLogic::GetPlayerCount() {
  int n = 0;
  for (int c = 0; c < chairs_; ++c) n += chair_players_[c] != nullptr;
  return n;
}

int CTableLogic::IsTableFull() { return GetPlayerCount() == chairs_; }
int CTableLogic::IsTableEmpty() { return GetPlayerCount() == 0; }
int CTableLogic::IsFullAndSet() { return IsTableFull() && table_info_[1] != 0; }
int CTableLogic::IsValidChair(int chair) { return ValidChair(chair); }

TablePlayer* CTableLogic::ChairPlayer(int chair) const { return ValidChair(chair) ? chair_players_[chair] : nullptr; }

bool CTableLogic::IsPlaying(int chair) const {
  return ValidChair(chair) && chair_players_[chair] != nullptr && chair_players_[chair]->absent == 0;
}

void CTableLogic::SetReady(int chair) {
  if (ValidChair(chair)) chair_status_[chair] |= kChairReady;
}

// ---- start of a game ----

void CTableLogic::ChooseBanker() { banker_ = GetRandomChair(); }

int CTableLogic::GetRandomChair() { return shell::RandomBelow(chairs_); }

int CTableLogic::StartGame(int* out_chair, const StartParams& p) {
  int dummy = 0;
  int& fault = out_chair != nullptr ? *out_chair : dummy;
  const bool sit_out = AnyStatusOption(kOptionSitOut) != 0;
  const bool all_play = AnyStatusOption(kOptionAllPlay) != 0;
  const bool every_chair = !sit_out || all_play;

  // 1. Who is there.
  if (every_chair) {
    for (int c = 0; c < chairs_; ++c) {
      if (chair_players_[c] == nullptr) {
        fault = c;
        return kStartEmptyChair;
      }
    }
  } else {
    int ready = 0;
    int first_unready = -1;
    for (int c = 0; c < chairs_; ++c) {
      if (chair_players_[c] == nullptr) continue;
      if (chair_status_[c] & kChairReady) {
        ++ready;
      } else if (first_unready < 0) {
        first_unready = c;
      }
    }
    if (ready < p.min_ready) {
      fault = first_unready;
      return kStartEmptyChair;
    }
  }

  // Who plays: every seated player, except that with kOptionSitOut (and no kOptionAllPlay) a
  // player who is not ready sits this game out.
  bool plays[kMaxChairs] = {};
  for (int c = 0; c < chairs_; ++c) {
    if (chair_players_[c] == nullptr) continue;
    plays[c] = every_chair || (chair_status_[c] & kChairReady) != 0;
  }

  // The start results over the settle-option words (of the seated chairs when not all took part).
  uint32_t on_all = kStartSettleBits;
  for (int c = 0; c < chairs_; ++c) {
    if (!every_chair && chair_players_[c] == nullptr) continue;
    on_all &= settle_options_[c];
  }
  const bool settle = (on_all & kSettleHoldings) != 0;

  // Every refusal is decided before anything changes, so a refused start leaves the table as
  // it was (the counters included).
  if (settle && (rule_flags_ & kRuleSkipStakeCheck) == 0) {
    for (int c = 0; c < chairs_; ++c) {
      if (plays[c] && chair_players_[c]->holding < p.min_holding) {
        fault = c;
        return kStartHoldingTooLow;
      }
    }
  }
  for (int c = 0; c < chairs_; ++c) {
    if (!plays[c]) continue;
    if (chair_players_[c]->score < p.min_score) {
      fault = c;
      return kStartScoreTooLow;
    }
    if (chair_players_[c]->score > p.max_score) {
      fault = c;
      return kStartScoreTooHigh;
    }
  }
  for (int c = 0; c < chairs_; ++c) {
    if (plays[c] && chair_players_[c]->games_played + 1 > p.max_player_games) {
      fault = c;
      return kStartTooManyGames;
    }
  }
  if (game_counter_ + 1 > p.max_table_games) {
    fault = -1;
    return kStartTableGamesDone;
  }

  // 2..4: the game begins.
  ++game_counter_;
  game_start_ = Now();
  round_base_ = CalcRoundBase(p.round_base);
  start_settle_bits_ = on_all;
  settings_ = GameSettings{p.base_stake, p.min_holding, p.fee_rate,       p.loss_cap,     p.loss_share_percent,
                           p.large_win,  p.fee_mode,    p.fee_cap,        p.max_stake,    p.timeout_ms,
                           p.min_score,  p.max_score,   p.fee_rate_10000, p.fee_threshold};
  for (int c = 0; c < chairs_; ++c) {
    TablePlayer* player = chair_players_[c];
    if (player == nullptr) continue;
    player->absent = plays[c] ? 0 : 1;
    if (sit_out && !all_play) counters_[c] = plays[c] ? 0 : counters_[c] + 1;
    ++player->games_played;
  }
  if (settle && (rule_flags_ & kRuleSkipStakeCheck) == 0) stake_ = CalcStake(p.base_stake);

  // 7. Preparation.
  if (sit_out) RefreshChairRecords();
  CreateGameState();
  PrepareGameState();
  ChooseBanker();
  OnDeal();
  BeginGamePhase();
  MakeBankerCurrent();
  ResetSides();
  UpdateFirstGameFlag();
  shell::NewUuidText(game_id_, 31);
  return 1;
}

void CTableLogic::RefreshChairRecords() {
  for (int c = 0; c < chairs_; ++c) {
    chair_records_[c] = CHAIR_RECORD{};
    const TablePlayer* p = chair_players_[c];
    if (p == nullptr || p->absent != 0) continue;
    CHAIR_RECORD& r = chair_records_[c];
    r.user_id = p->user_id;
    r.flags = p->flags;
    r.chair = p->chair;
    r.looker = p->looker;
    r.absent = p->absent;
    r.score = p->score;
    r.holding = p->holding;
    r.level = p->level;
    r.total = p->total;
    r.games_played = p->games_played;
  }
}

int32_t CTableLogic::CalcRoundBase(int32_t base) { return table_info_[31] != 0 ? table_info_[31] : base; }

int CTableLogic::UpdateFirstGameFlag() {
  if (game_counter_ == 1) first_game_ = 1;
  return first_game_;
}

// ---- records ----

int CTableLogic::FillStartRecord(uint8_t* buffer, int size) {
  int need = GetStartRecordSize();
  if (buffer == nullptr || size < need || need < static_cast<int>(kStartRecordBytes)) {
    engine::WriteGameLog("table: start record needs %d bytes, got %d", need, size);
    return 0;
  }
  START_RECORD r;
  r.word1 = p1_;
  r.word2 = p2_;
  r.chair_count = chairs_;
  r.round_base = round_base_;
  r.stake = stake_;
  for (int c = 0; c < kMaxChairs; ++c) r.status[c] = static_cast<int32_t>(chair_status_[c]);
  r.game_counter = game_counter_;
  r.kick_time = GetKickTime();
  WriteStartRecord(r, buffer, static_cast<size_t>(need));
  return 1;
}

int CTableLogic::FillStateRecord(uint8_t* buffer, int size) {
  if (buffer != nullptr && size > 0) std::memset(buffer, 0, static_cast<size_t>(size));
  return 1;
}

int CTableLogic::FillExtraRecord(uint8_t* buffer, int size) {
  if (buffer != nullptr && size > 0) std::memset(buffer, 0, static_cast<size_t>(size));
  return 1;
}

// ---- sides ----

int CTableLogic::CountSides() {
  bool seen[kMaxChairs + 1] = {};
  int n = 0;
  for (int c = 0; c < chairs_; ++c) {
    int s = sides_[c];
    if (s < 0 || s > kMaxChairs) continue;
    if (!seen[s]) {
      seen[s] = true;
      ++n;
    }
  }
  return n;
}

int CTableLogic::CountSideMembers(int side) {
  int n = 0;
  for (int c = 0; c < chairs_; ++c) n += sides_[c] == side;
  return n;
}

int CTableLogic::CountOtherSides(int side) {
  int n = 0;
  for (int c = 0; c < chairs_; ++c) n += sides_[c] >= 0 && sides_[c] != side;
  return n;
}

// The walk takes at most one round of the table, and refuses an invalid start chair: from
// outside the table it would never come back to its start.
int CTableLogic::WalkToSide(int from_chair, int side, bool same_side) {
  if (!ValidChair(from_chair)) return -1;
  int c = from_chair;
  for (int step = 0; step < chairs_; ++step) {
    c = PrevChair(c);
    if (c == from_chair) return -1;
    if ((sides_[c] == side) == same_side) return c;
  }
  return -1;
}

int CTableLogic::FindSideMember(int from_chair, int side) { return WalkToSide(from_chair, side, true); }

int CTableLogic::FindOtherSideMember(int from_chair, int side) { return WalkToSide(from_chair, side, false); }

void CTableLogic::ResetSides() {
  for (int c = 0; c < kMaxChairs; ++c) sides_[c] = c < chairs_ ? c : -1;
  side_count_ = chairs_;
}

int CTableLogic::Side(int chair) const { return ValidChair(chair) ? sides_[chair] : -1; }

void CTableLogic::SetSide(int chair, int side) {
  if (ValidChair(chair)) sides_[chair] = side;
}

// ---- turn cursor and clocks ----

bool CTableLogic::PassTurnTo(int chair) {
  if (chair != -1 && !ValidChair(chair)) {
    engine::WriteGameLog("table: turn refused for chair %d", chair);
    return false;
  }
  uint32_t now = Now();
  if (ValidChair(current_chair_)) think_time_[current_chair_] += static_cast<int32_t>(now - accounting_tick_);
  current_chair_ = chair;
  turn_start_ = accounting_tick_ = now;
  if (ValidChair(chair)) chair_turn_start_[chair] = now;
  return true;
}

void CTableLogic::SetCurrentChairTimed(int chair, int seconds) {
  if (PassTurnTo(chair)) turn_limit_ = static_cast<uint32_t>(seconds + 1) * 1000u;
}

void CTableLogic::SetCurrentChair(int chair) {
  if (chair != current_chair_) PassTurnTo(chair);
}

void CTableLogic::RestartTurnClock() {
  turn_start_ = Now();
  if (ValidChair(current_chair_)) chair_turn_start_[current_chair_] = turn_start_;
}

// 64-bit so that any chair word, however wild, wraps into the table instead of overflowing.
int CTableLogic::PrevChair(int chair) {
  return static_cast<int>(((static_cast<int64_t>(chair) - 1) % chairs_ + chairs_) % chairs_);
}
int CTableLogic::NextChair(int chair) {
  return static_cast<int>(((static_cast<int64_t>(chair) + 1) % chairs_ + chairs_) % chairs_);
}

int32_t CTableLogic::ThinkTime(int chair) const { return ValidChair(chair) ? think_time_[chair] : 0; }
int32_t CTableLogic::ChairCounter(int chair) const { return ValidChair(chair) ? counters_[chair] : 0; }

int CTableLogic::IsTimeOut() { return Now() - turn_start_ >= turn_limit_; }

int CTableLogic::IsStalled() {
  uint32_t now = Now();
  if (state_ & kStateRunning) return now - turn_start_ >= 2u * turn_limit_ + 10000u;
  return now - state_stamp_ >= 120001u;
}

int CTableLogic::IsChairTimedOut(int chair) {
  if (!ValidChair(chair)) return 0;
  return (chair_status_[chair] & kChairTimedOut) != 0 || Now() - chair_turn_start_[chair] > turn_limit_;
}

int CTableLogic::IsChairGone(int chair) { return ValidChair(chair) && (chair_status_[chair] & kChairGone) != 0; }
int CTableLogic::HasChairStatus10(int chair) {
  return ValidChair(chair) && (chair_status_[chair] & kChairRulesState) != 0;
}

int CTableLogic::IncChairCounter(int chair) { return ValidChair(chair) ? ++counters_[chair] : 0; }

void CTableLogic::GetElapsed(int32_t* seconds, int32_t* minutes) {
  shell::GetElapsedTime(game_start_, seconds, minutes, settings_.timeout_ms < 1 ? 60000 : settings_.timeout_ms);
}

int CTableLogic::IsRecentlyLeft(int chair, int seconds) {
  if (!ValidChair(chair) || IsGameRunning() || game_counter_ != 0 || recent_leave_watch_ == 0) return 0;
  uint32_t stamp = leave_stamps_[chair];
  return stamp != 0 && Now() - stamp < static_cast<uint32_t>(seconds) * 1000u;
}

int CTableLogic::PassTurnIfSlow(int chair, int seconds) {
  if (chair != current_chair_ && Now() - turn_start_ > static_cast<uint32_t>(seconds) * 1000u) return current_chair_;
  return chair;
}

int CTableLogic::IsWithinStartWindow(int seconds) {
  return seconds != 0 && Now() - game_start_ < static_cast<uint32_t>(seconds) * 1000u;
}

int CTableLogic::IsIdleTooLong() { return table_info_[34] != 0 && Now() - state_stamp_ > 60000u; }

// ---- state word ----

void CTableLogic::StampState() { state_stamp_ = Now(); }

void CTableLogic::AddStateBits(uint32_t bits) {
  state_ |= bits;
  if (state_ & kStateRunning) state_ &= ~kStateSetUp;
  StampState();
}

void CTableLogic::ClearStateBits(uint32_t bits) {
  state_ &= ~bits;
  StampState();
}

void CTableLogic::SetState(uint32_t state) {
  state_ = state;
  StampState();
}

uint32_t CTableLogic::RestampState() {
  StampState();
  return state_;
}

int CTableLogic::IsBankerSide(int, int, int chair) {
  if (!ValidChair(chair) || !ValidChair(banker_)) return 0;
  if (result_flags_ == 1) return sides_[chair] == sides_[banker_];
  if (result_flags_ == 4 || result_flags_ == 8) return sides_[chair] != sides_[banker_];
  return 0;
}

int CTableLogic::SetResultWin(int, int flag) {
  result_flags_ = flag == 0 ? 4 : 8;
  return result_flags_;
}

int CTableLogic::SetResultDraw() {
  result_flags_ = 2;
  return result_flags_;
}

// ---- flag queries ----

int CTableLogic::AnySettle(uint32_t bit) const {
  for (int c = 0; c < chairs_; ++c) {
    if (settle_options_[c] & bit) return 1;
  }
  return 0;
}

int CTableLogic::AnyStatusOption(uint32_t bit) const {
  for (int c = 0; c < chairs_; ++c) {
    if (status_options_[c] & bit) return 1;
  }
  return 0;
}

int CTableLogic::AnyChairHasSettleFlag100000() {
  return (rule_flags_ & kRuleSettleAlways) != 0 || AnySettle(kSettleAlways);
}

int CTableLogic::NotAllChairsHaveSettleFlag4() {
  for (int c = 0; c < chairs_; ++c) {
    if ((settle_options_[c] & kSettleHoldings) == 0) return 1;
  }
  return 0;
}

uint32_t CTableLogic::ChairStatus(int chair) const { return ValidChair(chair) ? chair_status_[chair] : 0; }

void CTableLogic::SetChairStatus(int chair, uint32_t status) {
  if (ValidChair(chair)) chair_status_[chair] = status;
}

void CTableLogic::SetChairOptions(int chair, uint32_t start_options, uint32_t settle_options, uint32_t status_options) {
  if (!ValidChair(chair)) return;
  start_options_[chair] = start_options;
  settle_options_[chair] = settle_options;
  status_options_[chair] = status_options;
}

void CTableLogic::SetMark(int chair, int32_t mark) {
  if (ValidChair(chair)) marks_[chair] = mark;
}

void CTableLogic::SetMarkRow(int chair, int other, int32_t mark) {
  if (ValidChair(chair) && ValidChair(other)) mark_rows_[chair][other] = mark;
}

void CTableLogic::SetLeaveStamp(int chair, uint32_t tick) {
  if (ValidChair(chair)) leave_stamps_[chair] = tick;
}

int CTableLogic::AllOthersMarked(int chair) {
  if (!ValidChair(chair)) return 1;
  for (int c = 0; c < chairs_; ++c) {
    if (c == chair || !IsPlaying(c)) continue;
    if (marks_[c] == 0 && mark_rows_[chair][c] == 0) return 0;
  }
  return 1;
}

int CTableLogic::FillPlayerSummary(PLAYER_SUMMARY_LIST* list, const shell::RecordTextMap* titles) {
  if (list == nullptr) return 0;
  for (int c = 0; c < chairs_; ++c) {
    if ((chair_status_[c] & kChairListed) == 0) return 0;
  }
  list->chair_count = chairs_;
  for (int c = 0; c < chairs_; ++c) {
    const TablePlayer* p = chair_players_[c];
    if (p == nullptr) return 0;
    PLAYER_SUMMARY& e = list->entries[c];
    e.user_id = p->user_id;
    e.chair = c;
    e.score = p->score;
    e.holding = p->holding;
    e.level = p->level;
    if (titles != nullptr) shell::LookupRecordText(*titles, p->level, e.title, sizeof e.title);
  }
  return 1;
}

int CTableLogic::CountUsers() {
  int n = 0;
  for (int c = 0; c < chairs_; ++c) n += chair_players_[c] != nullptr && chair_players_[c]->user_id > 0;
  return n;
}

int32_t CTableLogic::GetUserExtra(int32_t user_id) {
  platform::CriticalSectionLock lock(players_lock_);
  auto it = players_.find(user_id);
  return it != players_.end() && it->second->user_id == user_id ? it->second->extra2 : 0;
}

void CTableLogic::MarkAbsentPlayers() {
  for (int c = 0; c < chairs_; ++c) {
    if (chair_players_[c] != nullptr && (chair_status_[c] & kChairReady) == 0) chair_players_[c]->absent = 1;
  }
}

// ---- wait clock ----

int CTableLogic::IsWaitClockRunning() { return IsGameIdle() && HasWaitClock() && wait_start_ != 0; }

int CTableLogic::StartWaitClock(int on, int seconds) {
  if (!HasWaitClock()) return 0;
  if (on == 0) {
    StopWaitClock();
    return 1;
  }
  if (wait_start_ != 0 || seconds < 1) return 0;
  wait_start_ = Now();
  if (wait_start_ == 0) wait_start_ = 1;  // 0 means "not running"
  wait_seconds_ = seconds;
  return 1;
}

int CTableLogic::GetWaitRemaining(uint32_t now) {
  if (!IsWaitClockRunning()) return 0;
  uint32_t elapsed = (now - wait_start_) / 1000u;
  if (elapsed < 1) elapsed = 1;
  int64_t remaining = static_cast<int64_t>(wait_seconds_) - elapsed;
  return remaining < 1 ? 2 : static_cast<int>(remaining);
}

void CTableLogic::StopWaitClock() {
  wait_start_ = 0;
  wait_seconds_ = 0;
}

// ---- server settings ----

int CTableLogic::GetKickTime() { return shell::ReadKickTime(GetServerIniPath()); }

std::string CTableLogic::GetServerIniPath() { return shell::ServerIniPath(); }

std::string CTableLogic::GetDefaultPlayerName(int chair) {
  static const char* const kMarks[kMaxChairs] = {"【甲】", "【乙】", "【丙】", "【丁】",
                                                 "【戊】", "【己】", "【庚】", "【辛】"};
  std::string name = "游戏玩家";
  if (chair >= 0 && chair < kMaxChairs) name += kMarks[chair];
  return name;
}

// ---- peers for solo play ----

void CTableLogic::MakePeerRecords(int viewer, SOLO_TABLE* record) {
  if (record == nullptr) return;
  int n = record->chair_count;
  if (n < 0 || n > kMaxChairs) {
    engine::WriteGameLog("table: solo table record with %d chairs refused", n);
    return;
  }
  for (int c = 0; c < n; ++c) {
    if (c != viewer && record->present[c] != 0) MakePeerRecord(viewer, &record->entries[c]);
  }
  StorePeerData(viewer, record);
}

void CTableLogic::MakePeerRecord(int, PEER_ENTRY* entry) {
  if (entry == nullptr) return;
  uint32_t seed = Now();
  // A chair without a player has no numbers to add to the seed: the tick alone seeds it.
  if (TablePlayer* p = ChairPlayer(entry->chair)) seed += 10u * static_cast<uint32_t>(p->extra2) + p->extra1;
  shell::SeedRandom(seed);
  entry->flag = shell::RandomNext() % 100 < 10;
  entry->sex = shell::RandomNext() % 2;
  entry->head = shell::RandomNext() % 107;
  entry->number = shell::RandomNext() % 91 + 10;
  int look = shell::RandomNext() % 187;
  if (entry->sex == 0 && look == 1) look = 0;
  if (entry->sex == 1 && look == 0) look = 1;
  entry->look = look;
  entry->holding = 1000;
  entry->score = 100;
  entry->level = GetLevel(100, scale_);
  for (int32_t& w : entry->words17to20) w = 0;
  for (int32_t& w : entry->words24to29) w = 0;
  std::string name = GetDefaultPlayerName(entry->chair);
  std::snprintf(entry->name, sizeof entry->name, "%s", name.c_str());
}

void CTableLogic::MakeKnownPeerRecord(int viewer, PEER_ENTRY* entry) {
  MakePeerRecord(viewer, entry);
  if (entry == nullptr || peer_data_.empty() || !ValidChair(viewer) || !ValidChair(entry->chair)) return;
  const uint8_t* slot = peer_data_.data() + (static_cast<size_t>(viewer) * chairs_ + entry->chair) * 32;
  entry->sex = static_cast<int32_t>(GetWord(slot));
  entry->head = static_cast<int32_t>(GetWord(slot + 4));
  entry->look = static_cast<int32_t>(GetWord(slot + 8));
}

void CTableLogic::StorePeerData(int viewer, const SOLO_TABLE* record) {
  if (record == nullptr || !ValidChair(viewer)) return;
  if (peer_data_.empty()) peer_data_.assign(static_cast<size_t>(chairs_) * chairs_ * 32, 0);
  int n = record->chair_count < chairs_ ? record->chair_count : chairs_;
  for (int c = 0; c < n; ++c) {
    if (c == viewer || record->present[c] == 0) continue;
    uint8_t* slot = peer_data_.data() + (static_cast<size_t>(viewer) * chairs_ + c) * 32;
    PutWord(slot, static_cast<uint32_t>(record->entries[c].sex));
    PutWord(slot + 4, static_cast<uint32_t>(record->entries[c].head));
    PutWord(slot + 8, static_cast<uint32_t>(record->entries[c].look));
  }
}

void CTableLogic::StorePeerNames(const SOLO_TABLE* record) {
  if (record == nullptr) return;
  if (peer_names_.empty()) peer_names_.assign(static_cast<size_t>(chairs_) * 52, 0);
  int n = record->chair_count < chairs_ ? record->chair_count : chairs_;
  int slot = 0;
  for (int c = 0; c < n; ++c) {
    if (record->present[c] == 0) continue;
    char* out = reinterpret_cast<char*>(peer_names_.data()) + slot * 52;
    std::snprintf(out, 52, "%.*s", 32, record->entries[c].name);
    ++slot;
  }
}

}  // namespace table
