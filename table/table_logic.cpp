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
    : p1_(p1), p2_(p2), scale_(scale), chairs_(chairs), ruleFlags_(rule_flags), p6_(p6) {
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
  std::memcpy(tableInfo_, info, sizeof tableInfo_);
  gameCounter_ = tableInfo_[30];
  turnStart_ = accountingTick_ = Now();
  SetState(kStateSetUp);
}

void CTableLogic::ClearTableInfo() { std::memset(tableInfo_, 0, sizeof tableInfo_); }

int CTableLogic::HasTableInfo() { return tableInfo_[1] != 0; }

void CTableLogic::Reset(int full) {
  if (full == 1) {
    {
      platform::CriticalSectionLock lock(playersLock_);
      for (auto& chair_lookers : lookers_) chair_lookers.clear();
      players_.clear();
    }
    for (int c = 0; c < kMaxChairs; ++c) {
      chairPlayers_[c] = nullptr;
      startOptions_[c] = settleOptions_[c] = statusOptions_[c] = 0;
      sides_[c] = -1;
      reliefs_[c] = 0;
      leaveStamps_[c] = 0;
    }
    settings_ = GameSettings{};
    sideCount_ = 0;
    banker_ = 0;
    gameCounter_ = 0;
    firstGame_ = 0;
    gameId_[0] = '\0';
    peerData_.clear();
    peerNames_.clear();
    startAll2_ = startAll4_ = startAll4000_ = false;
  }
  for (int c = 0; c < kMaxChairs; ++c) {
    marks_[c] = 0;
    chairStatus_[c] = 0;
    for (int32_t& m : markRows_[c]) m = 0;
  }
  state_ = 0;
  StampState();
  currentChair_ = -1;
  StopWaitClock();
  CTableLogic::ResetRound();
}

void CTableLogic::ResetRound() {
  roundBase_ = 0;
  stake_ = 0;
  banker_ = 0;
  state_ = 0;
  resultFlags_ = 0;
  for (int c = 0; c < kMaxChairs; ++c) {
    thinkTime_[c] = 0;
    chairTurnStart_[c] = 0;
    counters_[c] = 0;
    marks_[c] = 0;
    for (int32_t& m : markRows_[c]) m = 0;
    chairRecords_[c] = CHAIR_RECORD{};
  }
  pending_.reset();
  pendingSize_ = 0;
  pendingChair_ = -1;
  pendingWord_ = 0;
  roundFlag_ = 0;
  uint32_t now = Now();
  turnStart_ = accountingTick_ = stateStamp_ = now;
  roundStamp_ = now;
}

void CTableLogic::RemoveChair(int chair) {
  if (!ValidChair(chair)) return;
  chairPlayers_[chair] = nullptr;
  lookers_[chair].clear();
  startOptions_[chair] = settleOptions_[chair] = statusOptions_[chair] = 0;
  sides_[chair] = -1;
  counters_[chair] = 0;
  thinkTime_[chair] = 0;
  chairTurnStart_[chair] = 0;
  marks_[chair] = 0;
  chairStatus_[chair] = 0;
  for (int32_t& m : markRows_[chair]) m = 0;
}

// ---- players ----

int CTableLogic::AddPlayer(std::unique_ptr<TablePlayer> record) {
  if (record == nullptr) return -1;
  int chair = record->chair;
  if (!ValidChair(chair) || chairPlayers_[chair] != nullptr) {
    engine::WriteGameLog("table: player %d refused: chair %d is not free", record->userId, chair);
    return -1;
  }
  platform::CriticalSectionLock lock(playersLock_);
  if (players_.count(record->userId) != 0) {
    engine::WriteGameLog("table: player %d refused: already at the table", record->userId);
    return -1;
  }
  record->looker = 0;
  chairPlayers_[chair] = record.get();
  chairStatus_[chair] &= ~0x2u;
  players_[record->userId] = std::move(record);
  return 1;
}

std::unique_ptr<TablePlayer> CTableLogic::RemovePlayer(int32_t user_id) {
  platform::CriticalSectionLock lock(playersLock_);
  auto it = players_.find(user_id);
  if (it == players_.end() || it->second->looker != 0) return nullptr;
  std::unique_ptr<TablePlayer> record = std::move(it->second);
  players_.erase(it);
  for (TablePlayer*& p : chairPlayers_) {
    if (p == record.get()) p = nullptr;
  }
  return record;
}

void CTableLogic::RemoveLooker(int32_t user_id, int chair) {
  platform::CriticalSectionLock lock(playersLock_);
  if (ValidChair(chair)) lookers_[chair].erase(user_id);
  auto it = players_.find(user_id);
  if (it != players_.end() && it->second->looker != 0) players_.erase(it);
}

void CTableLogic::RemoveUser(int32_t user_id, int flag) {
  platform::CriticalSectionLock lock(playersLock_);
  for (auto& chair_lookers : lookers_) chair_lookers.erase(user_id);
  if (flag != 0) {
    auto it = players_.find(user_id);
    if (it != players_.end()) {
      for (TablePlayer*& p : chairPlayers_) {
        if (p == it->second.get()) p = nullptr;
      }
      players_.erase(it);
    }
  }
}

int CTableLogic::IsPlayer(int32_t user_id) { return FindPlayer(user_id) != nullptr; }
int CTableLogic::IsLooker(int32_t user_id) { return FindLooker(user_id) != nullptr; }

TablePlayer* CTableLogic::FindPlayer(int32_t user_id) {
  platform::CriticalSectionLock lock(playersLock_);
  auto it = players_.find(user_id);
  return it != players_.end() && it->second->looker == 0 ? it->second.get() : nullptr;
}

TablePlayer* CTableLogic::FindLooker(int32_t user_id) {
  platform::CriticalSectionLock lock(playersLock_);
  auto it = players_.find(user_id);
  return it != players_.end() && it->second->looker != 0 ? it->second.get() : nullptr;
}

int CTableLogic::GetPlayerCount() {
  int n = 0;
  for (int c = 0; c < chairs_; ++c) n += chairPlayers_[c] != nullptr;
  return n;
}

int CTableLogic::IsTableFull() { return GetPlayerCount() == chairs_; }
int CTableLogic::IsTableEmpty() { return GetPlayerCount() == 0; }
int CTableLogic::IsFullAndSet() { return IsTableFull() && tableInfo_[1] != 0; }
int CTableLogic::IsValidChair(int chair) { return ValidChair(chair); }

TablePlayer* CTableLogic::ChairPlayer(int chair) const { return ValidChair(chair) ? chairPlayers_[chair] : nullptr; }

bool CTableLogic::IsPlaying(int chair) const {
  return ValidChair(chair) && chairPlayers_[chair] != nullptr && chairPlayers_[chair]->absent == 0;
}

void CTableLogic::SetReady(int chair) {
  if (ValidChair(chair)) chairStatus_[chair] |= 0x2u;
}

// ---- start of a game ----

void CTableLogic::ChooseBanker() { banker_ = GetRandomChair(); }

int CTableLogic::GetRandomChair() { return shell::RandomBelow(chairs_); }

int CTableLogic::StartGame(int* out_chair, const StartParams& p) {
  int dummy = 0;
  int& fault = out_chair != nullptr ? *out_chair : dummy;
  const bool option1000 = AnyStatusOption(0x1000) != 0;
  const bool option2 = AnyStatusOption(0x2) != 0;
  const bool everyChair = !option1000 || option2;

  // 1. Who is there.
  if (everyChair) {
    for (int c = 0; c < chairs_; ++c) {
      if (chairPlayers_[c] == nullptr) {
        fault = c;
        return kStartEmptyChair;
      }
    }
  } else {
    int ready = 0;
    int firstUnready = -1;
    for (int c = 0; c < chairs_; ++c) {
      if (chairPlayers_[c] == nullptr) continue;
      if (chairStatus_[c] & 0x2u) {
        ++ready;
      } else if (firstUnready < 0) {
        firstUnready = c;
      }
    }
    if (ready < p.minReady) {
      fault = firstUnready;
      return kStartEmptyChair;
    }
  }

  // Who plays: every seated player, except that with option 0x1000 (and no option 2) a
  // player who is not ready sits this game out.
  bool plays[kMaxChairs] = {};
  for (int c = 0; c < chairs_; ++c) {
    if (chairPlayers_[c] == nullptr) continue;
    plays[c] = everyChair || (chairStatus_[c] & 0x2u) != 0;
  }

  // The start results over the settle-option words (of the seated chairs when not all took part).
  bool all2 = true, all4 = true, all4000 = true;
  for (int c = 0; c < chairs_; ++c) {
    if (!everyChair && chairPlayers_[c] == nullptr) continue;
    all2 = all2 && (settleOptions_[c] & 0x2u);
    all4 = all4 && (settleOptions_[c] & 0x4u);
    all4000 = all4000 && (settleOptions_[c] & 0x4000u);
  }

  // Every refusal is decided before anything changes, so a refused start leaves the table as
  // it was (the counters included).
  if (all4 && (ruleFlags_ & kRuleSkipStakeCheck) == 0) {
    for (int c = 0; c < chairs_; ++c) {
      if (plays[c] && chairPlayers_[c]->holding < p.minHolding) {
        fault = c;
        return kStartHoldingTooLow;
      }
    }
  }
  for (int c = 0; c < chairs_; ++c) {
    if (!plays[c]) continue;
    if (chairPlayers_[c]->score < p.minScore) {
      fault = c;
      return kStartScoreTooLow;
    }
    if (chairPlayers_[c]->score > p.maxScore) {
      fault = c;
      return kStartScoreTooHigh;
    }
  }
  for (int c = 0; c < chairs_; ++c) {
    if (plays[c] && chairPlayers_[c]->gamesPlayed + 1 > p.maxPlayerGames) {
      fault = c;
      return kStartTooManyGames;
    }
  }
  if (gameCounter_ + 1 > p.maxTableGames) {
    fault = -1;
    return kStartTableGamesDone;
  }

  // 2..4: the game begins.
  ++gameCounter_;
  gameStart_ = Now();
  roundBase_ = CalcRoundBase(p.roundBase);
  startAll2_ = all2;
  startAll4_ = all4;
  startAll4000_ = all4000;
  settings_ = GameSettings{p.baseStake, p.minHolding, p.feeRate,      p.lossCap,     p.lossSharePercent,
                           p.largeWin,  p.feeMode,    p.feeCap,       p.maxStake,    p.timeoutMs,
                           p.minScore,  p.maxScore,   p.feeRate10000, p.feeThreshold};
  for (int c = 0; c < chairs_; ++c) {
    TablePlayer* player = chairPlayers_[c];
    if (player == nullptr) continue;
    player->absent = plays[c] ? 0 : 1;
    if (option1000 && !option2) counters_[c] = plays[c] ? 0 : counters_[c] + 1;
    ++player->gamesPlayed;
  }
  if (all4 && (ruleFlags_ & kRuleSkipStakeCheck) == 0) stake_ = CalcStake(p.baseStake);

  // 7. Preparation.
  if (option1000) RefreshChairRecords();
  CreateGameState();
  PrepareGameState();
  ChooseBanker();
  OnDeal();
  BeginGamePhase();
  MakeBankerCurrent();
  ResetSides();
  UpdateFirstGameFlag();
  shell::NewUuidText(gameId_, 31);
  return 1;
}

void CTableLogic::RefreshChairRecords() {
  for (int c = 0; c < chairs_; ++c) {
    chairRecords_[c] = CHAIR_RECORD{};
    const TablePlayer* p = chairPlayers_[c];
    if (p == nullptr || p->absent != 0) continue;
    CHAIR_RECORD& r = chairRecords_[c];
    r.userId = p->userId;
    r.flags = p->flags;
    r.chair = p->chair;
    r.looker = p->looker;
    r.absent = p->absent;
    r.score = p->score;
    r.holding = p->holding;
    r.level = p->level;
    r.total = p->total;
    r.gamesPlayed = p->gamesPlayed;
  }
}

int32_t CTableLogic::CalcRoundBase(int32_t base) { return tableInfo_[31] != 0 ? tableInfo_[31] : base; }

int CTableLogic::UpdateFirstGameFlag() {
  if (gameCounter_ == 1) firstGame_ = 1;
  return firstGame_;
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
  r.chairCount = chairs_;
  r.roundBase = roundBase_;
  r.stake = stake_;
  for (int c = 0; c < kMaxChairs; ++c) r.status[c] = static_cast<int32_t>(chairStatus_[c]);
  r.gameCounter = gameCounter_;
  r.kickTime = GetKickTime();
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
  sideCount_ = chairs_;
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
  if (ValidChair(currentChair_)) thinkTime_[currentChair_] += static_cast<int32_t>(now - accountingTick_);
  currentChair_ = chair;
  turnStart_ = accountingTick_ = now;
  if (ValidChair(chair)) chairTurnStart_[chair] = now;
  return true;
}

void CTableLogic::SetCurrentChairTimed(int chair, int seconds) {
  if (PassTurnTo(chair)) turnLimit_ = static_cast<uint32_t>(seconds + 1) * 1000u;
}

void CTableLogic::SetCurrentChair(int chair) {
  if (chair != currentChair_) PassTurnTo(chair);
}

void CTableLogic::RestartTurnClock() {
  turnStart_ = Now();
  if (ValidChair(currentChair_)) chairTurnStart_[currentChair_] = turnStart_;
}

// 64-bit so that any chair word, however wild, wraps into the table instead of overflowing.
int CTableLogic::PrevChair(int chair) {
  return static_cast<int>(((static_cast<int64_t>(chair) - 1) % chairs_ + chairs_) % chairs_);
}
int CTableLogic::NextChair(int chair) {
  return static_cast<int>(((static_cast<int64_t>(chair) + 1) % chairs_ + chairs_) % chairs_);
}

int32_t CTableLogic::ThinkTime(int chair) const { return ValidChair(chair) ? thinkTime_[chair] : 0; }
int32_t CTableLogic::ChairCounter(int chair) const { return ValidChair(chair) ? counters_[chair] : 0; }

int CTableLogic::IsTimeOut() { return Now() - turnStart_ >= turnLimit_; }

int CTableLogic::IsStalled() {
  uint32_t now = Now();
  if (state_ & kStateRunning) return now - turnStart_ >= 2u * turnLimit_ + 10000u;
  return now - stateStamp_ >= 120001u;
}

int CTableLogic::IsChairTimedOut(int chair) {
  if (!ValidChair(chair)) return 0;
  return (chairStatus_[chair] & 0x8u) != 0 || Now() - chairTurnStart_[chair] > turnLimit_;
}

int CTableLogic::IsChairGone(int chair) { return ValidChair(chair) && (chairStatus_[chair] & 0x28u) != 0; }
int CTableLogic::HasChairStatus10(int chair) { return ValidChair(chair) && (chairStatus_[chair] & 0x10u) != 0; }

int CTableLogic::IncChairCounter(int chair) { return ValidChair(chair) ? ++counters_[chair] : 0; }

void CTableLogic::GetElapsed(int32_t* seconds, int32_t* minutes) {
  shell::GetElapsedTime(gameStart_, seconds, minutes, settings_.timeoutMs < 1 ? 60000 : settings_.timeoutMs);
}

int CTableLogic::IsRecentlyLeft(int chair, int seconds) {
  if (!ValidChair(chair) || IsGameRunning() || gameCounter_ != 0 || recentLeaveWatch_ == 0) return 0;
  uint32_t stamp = leaveStamps_[chair];
  return stamp != 0 && Now() - stamp < static_cast<uint32_t>(seconds) * 1000u;
}

int CTableLogic::PassTurnIfSlow(int chair, int seconds) {
  if (chair != currentChair_ && Now() - turnStart_ > static_cast<uint32_t>(seconds) * 1000u) return currentChair_;
  return chair;
}

int CTableLogic::IsWithinStartWindow(int seconds) {
  return seconds != 0 && Now() - gameStart_ < static_cast<uint32_t>(seconds) * 1000u;
}

int CTableLogic::IsIdleTooLong() { return tableInfo_[34] != 0 && Now() - stateStamp_ > 60000u; }

// ---- state word ----

void CTableLogic::StampState() { stateStamp_ = Now(); }

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
  if (resultFlags_ == 1) return sides_[chair] == sides_[banker_];
  if (resultFlags_ == 4 || resultFlags_ == 8) return sides_[chair] != sides_[banker_];
  return 0;
}

int CTableLogic::SetResultWin(int, int flag) {
  resultFlags_ = flag == 0 ? 4 : 8;
  return resultFlags_;
}

int CTableLogic::SetResultDraw() {
  resultFlags_ = 2;
  return resultFlags_;
}

// ---- flag queries ----

int CTableLogic::AnySettle(uint32_t bit) const {
  for (int c = 0; c < chairs_; ++c) {
    if (settleOptions_[c] & bit) return 1;
  }
  return 0;
}

int CTableLogic::AnyStatusOption(uint32_t bit) const {
  for (int c = 0; c < chairs_; ++c) {
    if (statusOptions_[c] & bit) return 1;
  }
  return 0;
}

int CTableLogic::AnyChairHasSettleFlag100000() { return (ruleFlags_ & kRuleSettleAlways) != 0 || AnySettle(0x100000); }

int CTableLogic::NotAllChairsHaveSettleFlag4() {
  for (int c = 0; c < chairs_; ++c) {
    if ((settleOptions_[c] & 0x4u) == 0) return 1;
  }
  return 0;
}

uint32_t CTableLogic::ChairStatus(int chair) const { return ValidChair(chair) ? chairStatus_[chair] : 0; }

void CTableLogic::SetChairStatus(int chair, uint32_t status) {
  if (ValidChair(chair)) chairStatus_[chair] = status;
}

void CTableLogic::SetChairOptions(int chair, uint32_t start_options, uint32_t settle_options, uint32_t status_options) {
  if (!ValidChair(chair)) return;
  startOptions_[chair] = start_options;
  settleOptions_[chair] = settle_options;
  statusOptions_[chair] = status_options;
}

void CTableLogic::SetMark(int chair, int32_t mark) {
  if (ValidChair(chair)) marks_[chair] = mark;
}

void CTableLogic::SetMarkRow(int chair, int other, int32_t mark) {
  if (ValidChair(chair) && ValidChair(other)) markRows_[chair][other] = mark;
}

void CTableLogic::SetLeaveStamp(int chair, uint32_t tick) {
  if (ValidChair(chair)) leaveStamps_[chair] = tick;
}

int CTableLogic::AllOthersMarked(int chair) {
  if (!ValidChair(chair)) return 1;
  for (int c = 0; c < chairs_; ++c) {
    if (c == chair || !IsPlaying(c)) continue;
    if (marks_[c] == 0 && markRows_[chair][c] == 0) return 0;
  }
  return 1;
}

int CTableLogic::FillPlayerSummary(PLAYER_SUMMARY_LIST* list, const shell::RecordTextMap* titles) {
  if (list == nullptr) return 0;
  for (int c = 0; c < chairs_; ++c) {
    if ((chairStatus_[c] & 0x1u) == 0) return 0;
  }
  list->chairCount = chairs_;
  for (int c = 0; c < chairs_; ++c) {
    const TablePlayer* p = chairPlayers_[c];
    if (p == nullptr) return 0;
    PLAYER_SUMMARY& e = list->entries[c];
    e.userId = p->userId;
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
  for (int c = 0; c < chairs_; ++c) n += chairPlayers_[c] != nullptr && chairPlayers_[c]->userId > 0;
  return n;
}

int32_t CTableLogic::GetUserExtra(int32_t user_id) {
  platform::CriticalSectionLock lock(playersLock_);
  auto it = players_.find(user_id);
  return it != players_.end() && it->second->userId == user_id ? it->second->extra2 : 0;
}

void CTableLogic::MarkAbsentPlayers() {
  for (int c = 0; c < chairs_; ++c) {
    if (chairPlayers_[c] != nullptr && (chairStatus_[c] & 0x2u) == 0) chairPlayers_[c]->absent = 1;
  }
}

// ---- wait clock ----

int CTableLogic::IsWaitClockRunning() { return IsGameIdle() && HasWaitClock() && waitStart_ != 0; }

int CTableLogic::StartWaitClock(int on, int seconds) {
  if (!HasWaitClock()) return 0;
  if (on == 0) {
    StopWaitClock();
    return 1;
  }
  if (waitStart_ != 0 || seconds < 1) return 0;
  waitStart_ = Now();
  if (waitStart_ == 0) waitStart_ = 1;  // 0 means "not running"
  waitSeconds_ = seconds;
  return 1;
}

int CTableLogic::GetWaitRemaining(uint32_t now) {
  if (!IsWaitClockRunning()) return 0;
  uint32_t elapsed = (now - waitStart_) / 1000u;
  if (elapsed < 1) elapsed = 1;
  int64_t remaining = static_cast<int64_t>(waitSeconds_) - elapsed;
  return remaining < 1 ? 2 : static_cast<int>(remaining);
}

void CTableLogic::StopWaitClock() {
  waitStart_ = 0;
  waitSeconds_ = 0;
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
  int n = record->chairCount;
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
  if (entry == nullptr || peerData_.empty() || !ValidChair(viewer) || !ValidChair(entry->chair)) return;
  const uint8_t* slot = peerData_.data() + (static_cast<size_t>(viewer) * chairs_ + entry->chair) * 32;
  entry->sex = static_cast<int32_t>(GetWord(slot));
  entry->head = static_cast<int32_t>(GetWord(slot + 4));
  entry->look = static_cast<int32_t>(GetWord(slot + 8));
}

void CTableLogic::StorePeerData(int viewer, const SOLO_TABLE* record) {
  if (record == nullptr || !ValidChair(viewer)) return;
  if (peerData_.empty()) peerData_.assign(static_cast<size_t>(chairs_) * chairs_ * 32, 0);
  int n = record->chairCount < chairs_ ? record->chairCount : chairs_;
  for (int c = 0; c < n; ++c) {
    if (c == viewer || record->present[c] == 0) continue;
    uint8_t* slot = peerData_.data() + (static_cast<size_t>(viewer) * chairs_ + c) * 32;
    PutWord(slot, static_cast<uint32_t>(record->entries[c].sex));
    PutWord(slot + 4, static_cast<uint32_t>(record->entries[c].head));
    PutWord(slot + 8, static_cast<uint32_t>(record->entries[c].look));
  }
}

void CTableLogic::StorePeerNames(const SOLO_TABLE* record) {
  if (record == nullptr) return;
  if (peerNames_.empty()) peerNames_.assign(static_cast<size_t>(chairs_) * 52, 0);
  int n = record->chairCount < chairs_ ? record->chairCount : chairs_;
  int slot = 0;
  for (int c = 0; c < n; ++c) {
    if (record->present[c] == 0) continue;
    char* out = reinterpret_cast<char*>(peerNames_.data()) + slot * 52;
    std::snprintf(out, 52, "%.*s", 32, record->entries[c].name);
    ++slot;
  }
}

}  // namespace table
