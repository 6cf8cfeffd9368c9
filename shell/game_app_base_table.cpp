// The application object: the people at the table, the match records and the score data.
#include <algorithm>
#include <cstring>

#include "engine/core/engine_log.h"
#include "engine/media/byte_span.h"
#include "shell/game_app_base.h"
#include "shell/game_handler.h"

namespace shell {

uint32_t CGameAppBase::GetRoomRecordId() { return has_start_data_ ? start_.room.Word(RoomBlock::kRoomRecordId) : 0; }

uint32_t CGameAppBase::GetTableRecordId() {
  return has_start_data_ ? start_.table.Word(TableBlock::kTableRecordId) : command_.table;
}

uint32_t CGameAppBase::GetRoomOptions() const {
  return has_start_data_ ? start_.room.Word(RoomBlock::kRoomOptions) : 0;
}

bool CGameAppBase::IsForceExitAllowed() {
  const int32_t sent = holder_ ? holder_->GetForceExitCount() : 0;
  return !TestTableOption2() && sent < 2;
}

int CGameAppBase::CanUseSafeBox() const {
  return GetLookOn() == 0 && TestRoomOption4() && TestTableOption(0x1000000) ? 1 : 0;
}

const PlayerRecord* CGameAppBase::GetPlayerRecord(int chair) const {
  if (chair < 0 || chair >= kMaxChairs) return nullptr;
  for (const PlayerRecord& r : start_.players) {
    if (r.Chair() == chair && r.UserId() != 0) return &r;
  }
  return nullptr;
}

const PlayerRecord* CGameAppBase::GetLookerRecord(int index) const {
  if (index < 0 || index >= GetLookerCount()) return nullptr;
  return &start_.lookers[static_cast<size_t>(index)];
}

const PlayerRecord* CGameAppBase::FindPlayerRecord(uint32_t user_id) const {
  if (user_id == 0) return nullptr;
  for (const PlayerRecord& r : start_.players) {
    if (r.UserId() == user_id) return &r;
  }
  for (const PlayerRecord& r : start_.lookers) {
    if (r.UserId() == user_id) return &r;
  }
  return nullptr;
}

int32_t CGameAppBase::GetChairOfUser(uint32_t user_id) {
  const PlayerRecord* r = FindPlayerRecord(user_id);
  if (r == nullptr) return -1;
  const int32_t chair = r->Chair();
  return chair >= 0 && chair < kMaxChairs ? chair : -1;
}

bool CGameAppBase::IsPlayer(uint32_t user_id) const {
  if (user_id == 0) return false;
  for (const PlayerRecord& r : start_.players) {
    if (r.UserId() == user_id) return true;
  }
  return false;
}

bool CGameAppBase::IsLooker(uint32_t user_id) const {
  if (user_id == 0 || IsPlayer(user_id)) return false;
  for (const PlayerRecord& r : start_.lookers) {
    if (r.UserId() == user_id) return true;
  }
  return false;
}

uint32_t CGameAppBase::GetChairUserId(int chair, int) const {
  const PlayerRecord* r = GetPlayerRecord(chair);
  return r ? r->UserId() : 0;
}

namespace {

std::string DisplayName(const PlayerRecord* r) {
  if (r == nullptr) return {};
  const std::string second = r->SecondName();
  return second.empty() ? r->Name() : r->Name() + "[" + second + "]";
}

}  // namespace

std::string CGameAppBase::GetUserName(uint32_t user_id) const {
  const PlayerRecord* r = FindPlayerRecord(user_id);
  return r ? r->Name() : std::string();
}

std::string CGameAppBase::GetUserDisplayName(uint32_t user_id) const { return DisplayName(FindPlayerRecord(user_id)); }

std::string CGameAppBase::GetChairName(int chair) const {
  const PlayerRecord* r = GetPlayerRecord(chair);
  return r ? r->Name() : std::string();
}

std::string CGameAppBase::GetChairDisplayName(int chair) const { return DisplayName(GetPlayerRecord(chair)); }

int CGameAppBase::GetUserFlag1(uint32_t user_id) const {
  const PlayerRecord* r = FindPlayerRecord(user_id);
  return r && (r->Flags() & PlayerRecord::kFlagMember) ? 1 : 0;
}

int CGameAppBase::GetUserFlag1000(uint32_t user_id) const {
  const PlayerRecord* r = FindPlayerRecord(user_id);
  return r && (r->Flags() & PlayerRecord::kFlagNoFloodLimit) ? 1 : 0;
}

bool CGameAppBase::AddPerson(const PlayerRecord& record) {
  const uint32_t user = record.UserId();
  const int32_t chair = record.Chair();
  if (user == 0 || chair < 0 || chair >= std::min(GetChairCount(), kMaxChairs)) {
    engine::WriteGameLog("application: user %u at chair %d refused", user, chair);
    return false;
  }
  const bool looker = record.IsLooker();
  if (!looker) {
    const PlayerRecord* seated = GetPlayerRecord(chair);
    if (seated != nullptr && seated->UserId() != user) {
      engine::WriteGameLog("application: chair %d is taken by user %u; user %u refused", chair, seated->UserId(), user);
      return false;
    }
  }
  std::vector<PlayerRecord>& list = looker ? start_.lookers : start_.players;
  for (PlayerRecord& r : list) {
    if (r.UserId() == user) {
      r = record;
      return true;
    }
  }
  if (looker && start_.lookers.size() >= static_cast<size_t>(kMaxLookers)) {
    engine::WriteGameLog("application: no room for looker %u", user);
    return false;
  }
  // A looker who sits down, or a player who starts watching, leaves the other list.
  RemovePerson(user, nullptr);
  list.push_back(record);
  return true;
}

bool CGameAppBase::RemovePerson(uint32_t user_id, PlayerRecord* out) {
  if (user_id == 0) return false;
  for (auto* list : {&start_.players, &start_.lookers}) {
    for (auto it = list->begin(); it != list->end(); ++it) {
      if (it->UserId() != user_id) continue;
      if (out != nullptr) *out = *it;
      list->erase(it);
      return true;
    }
  }
  return false;
}

bool CGameAppBase::SetTableExtra(int chair, const uint8_t* data, size_t size) {
  if (chair < 0 || chair >= kMaxChairs || data == nullptr || size != TableExtraRecord::kSize) {
    engine::WriteGameLog("application: match record for chair %d (%zu bytes) refused", chair, size);
    return false;
  }
  std::memcpy(extras_[chair].bytes, data, TableExtraRecord::kSize);
  has_extra_[chair] = true;
  return true;
}

TableExtraRecord* CGameAppBase::FindTableExtra(uint32_t user_id) {
  if (user_id == 0) return nullptr;
  for (int c = 0; c < kMaxChairs; ++c) {
    if (has_extra_[c] && extras_[c].UserId() == user_id) return &extras_[c];
  }
  return nullptr;
}

int32_t CGameAppBase::GetMatchChairValue(int chair) {
  if (!IsMatch()) return -1;
  const TableExtraRecord* r = FindTableExtra(GetChairUserId(chair));
  return r ? r->DuanIndex() : -1;
}

void CGameAppBase::AddScoreHistory(const int32_t* per_chair) {
  if (per_chair == nullptr) return;
  ScoreHistory& h = score_history_;
  const int slot = h.game_count % ScoreHistory::kRing;
  ++h.game_count;
  for (int c = 0; c < 8; ++c) {
    h.results[c][slot] = per_chair[c];
    h.totals[c] += per_chair[c];
  }
}

void CGameAppBase::ClearScoreHistory() { score_history_ = ScoreHistory(); }

void CGameAppBase::SetAnswerBuffer(const uint8_t* data, size_t size) {
  answer_buffer_.fill(0);
  if (data == nullptr) return;
  const size_t words = size / 4 < answer_buffer_.size() ? size / 4 : answer_buffer_.size();
  for (size_t i = 0; i < words; ++i) answer_buffer_[i] = static_cast<int32_t>(engine::ReadU32(data + i * 4));
}

}  // namespace shell
