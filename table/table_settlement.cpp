// The settlement at the end of a game: fees, the loss limits, the balance check, scores,
// holdings and levels; the same arithmetic for a single chair that leaves; the logs for the
// host; the random loss relief.
#include <cmath>
#include <cstring>

#include "engine/core/engine_log.h"
#include "platform/clock.h"
#include "platform/gbk.h"
#include "shell/random_source.h"
#include "table/table_logic.h"

namespace table {

namespace {

// ceil in double precision, then truncated to an integer, as every fee fraction is rounded.
int32_t CeilToInt(double x) { return static_cast<int32_t>(std::ceil(x)); }

int32_t SmallestPositive(const int32_t* values, int n) {
  int32_t best = 0;
  for (int i = 0; i < n; ++i) {
    if (values[i] > 0 && (best == 0 || values[i] < best)) best = values[i];
  }
  return best;
}

// Copies a title into a 16-byte slot: at most 15 bytes, never half a GBK character.
void CopyTitle(char (&slot)[16], const char* text) {
  size_t n = 0;
  while (text[n] != '\0' && n < 15) {
    size_t step = platform::IsDBCSLeadByte(static_cast<uint8_t>(text[n])) && text[n + 1] != '\0' ? 2 : 1;
    if (n + step > 15) break;
    n += step;
  }
  std::memset(slot, 0, sizeof slot);
  std::memcpy(slot, text, n);
}

}  // namespace

bool CTableLogic::ChairTakesPart(int chair) {
  if (!ValidChair(chair)) return false;
  if (AnyChairHasFlag1000()) return chair_records_[chair].user_id > 0;
  return chair_players_[chair] != nullptr;
}

int32_t CTableLogic::ChairHolding(int chair) {
  if (!ValidChair(chair)) return 0;
  if (AnyChairHasFlag1000()) return chair_records_[chair].holding;
  return chair_players_[chair] != nullptr ? chair_players_[chair]->holding : 0;
}

int32_t CTableLogic::SumChairs(const int32_t* values) { return shell::SumArray(values, chairs_); }

void CTableLogic::GetLevels(const int32_t* scores, const int32_t* changes, int32_t* levels) {
  for (int c = 0; c < chairs_; ++c) levels[c] = GetLevel(scores[c] + changes[c], scale_);
}

// ---- fees ----

int32_t CTableLogic::CalcServiceFee(int32_t holding, int32_t* win, int32_t* fee_sum) {
  if (settings_.fee_mode == 6 && *win > 0) {
    const int32_t w = *win;
    // 64-bit products: a large win times the rate must not wrap before the cap applies.
    int64_t f = static_cast<int64_t>(w / 100) * settings_.fee_rate;
    if (w <= 100) {
      f = 0;
    } else if (w <= 10000) {
      // the plain share
    } else if (w <= 100000) {
      f = static_cast<int64_t>(std::ceil(w / 20000.0) * static_cast<double>(f));
    } else {
      f = 5 * f;
    }
    const int64_t cap = static_cast<int64_t>(w / 100) * GetFeePercentCap();
    if (f > cap) f = cap;
    if (f < 0) f = 0;
    *win -= static_cast<int32_t>(f);
    *fee_sum += static_cast<int32_t>(f);
  } else if (settings_.fee_mode == 1) {
    int32_t after = holding + *win;
    // A chair left with nothing pays nothing (never a negative fee).
    int32_t pay = after < settings_.fee_cap ? (after > 0 ? after : 0) : settings_.fee_cap;
    *win -= pay;
    *fee_sum += pay;
  }
  return *fee_sum;
}

int32_t CTableLogic::ChargeFeeAll(int32_t* wins, int32_t* fees) {
  int32_t total = 0;
  if (settings_.fee_mode == 6) {
    for (int c = 0; c < chairs_; ++c) {
      if (!ChairTakesPart(c)) continue;
      int32_t fee = 0;
      CalcServiceFee(ChairHolding(c), &wins[c], &fee);
      fees[c] += fee;
      total += fee;
    }
  } else if (settings_.fee_mode == 1) {
    int32_t shortfall = 0;
    for (int c = 0; c < chairs_; ++c) {
      if (!ChairTakesPart(c)) continue;
      int32_t fee = 0;
      CalcServiceFee(ChairHolding(c), &wins[c], &fee);
      shortfall += settings_.fee_cap - fee;
      fees[c] += fee;
      total += fee;
    }
    // What the poor could not pay comes from the winners, in chair order.
    for (int c = 0; c < chairs_ && shortfall > 0; ++c) {
      if (!ChairTakesPart(c) || wins[c] <= 0) continue;
      int32_t take = wins[c] < shortfall ? wins[c] : shortfall;
      wins[c] -= take;
      fees[c] += take;
      total += take;
      shortfall -= take;
    }
  }
  return total;
}

int32_t CTableLogic::CalcServiceFeeEx(int32_t amount, int32_t* net, int, int32_t* fee) {
  int32_t f = 0;
  switch (settings_.fee_mode) {
    case 7:
      f = settings_.fee_cap;
      break;
    case 8: {
      int32_t amounts[kMaxChairs];
      for (int c = 0; c < kMaxChairs; ++c) amounts[c] = chair_records_[c].holding;
      int32_t m = SmallestPositive(amounts, chairs_);
      if (m <= 0 || m < settings_.fee_threshold)
        f = 0;
      else
        f = CeilToInt(static_cast<double>(m) * settings_.fee_rate_10000 / 10000.0);
      break;
    }
    case 9:
      f = amount >= settings_.fee_threshold
              ? CeilToInt(static_cast<double>(amount) * settings_.fee_rate_10000 / 10000.0)
              : 0;
      break;
    default:
      *net = amount;
      return *fee;
  }
  if (amount <= 0) f = 0;
  if (f > amount && amount > 0) f = amount;
  *fee = f;
  *net = amount - f;
  return *fee;
}

int32_t CTableLogic::ChargeFeeAllEx(const int32_t* amounts, int32_t* net, int, int32_t* fees) {
  for (int c = 0; c < chairs_; ++c) net[c] = amounts[c];
  int32_t total = 0;
  const int mode = settings_.fee_mode;
  if (mode != 7 && mode != 8 && mode != 9) return 0;
  const bool records = AnyChairHasFlag1000() != 0;
  int32_t mode_eight_fee = 0;
  if (mode == 8) {
    int32_t m = SmallestPositive(amounts, chairs_);
    // Nobody pays when the poorest holding is below the threshold, or when nobody holds anything.
    if (m <= 0 || m < settings_.fee_threshold) return 0;
    mode_eight_fee = CeilToInt(static_cast<double>(m) * settings_.fee_rate_10000 / 10000.0);
  }
  for (int c = 0; c < chairs_; ++c) {
    int32_t amount = amounts[c];
    if (amount <= 0) continue;
    int32_t f = 0;
    if (mode == 7) {
      f = settings_.fee_cap;
    } else if (mode == 8) {
      if (records && !(chair_records_[c].user_id > 0 && chair_records_[c].holding > 0)) continue;
      f = mode_eight_fee;
    } else if (amount >= settings_.fee_threshold) {
      f = CeilToInt(static_cast<double>(amount) * settings_.fee_rate_10000 / 10000.0);
    }
    if (f > amount) f = amount;
    if (f < 0) f = 0;
    net[c] = amount - f;
    fees[c] += f;
    total += f;
  }
  return total;
}

// ---- loss limits and the balance check ----

void CTableLogic::ClipLosses(const int32_t* holdings, int32_t* deltas) {
  int32_t entry[kMaxChairs] = {};
  int64_t winnings = 0;
  for (int c = 0; c < chairs_; ++c) {
    entry[c] = deltas[c];
    if (deltas[c] > 0) winnings += deltas[c];
  }
  const bool own = (rule_flags_ & kRuleOwnHoldingLimit) != 0;
  const int32_t poorest = SmallestPositive(holdings, chairs_);
  for (int c = 0; c < chairs_; ++c) {
    int32_t limit = own ? holdings[c] : poorest;
    if (limit < 0) limit = 0;
    int32_t d = deltas[c];
    if (d >= 0 || static_cast<int64_t>(limit) + d >= 0) continue;
    int64_t excess = -static_cast<int64_t>(limit) - d;
    deltas[c] = -limit;
    // With nobody winning there is nothing to take back (and nothing to divide by).
    if (winnings <= 0) continue;
    for (int w = 0; w < chairs_; ++w) {
      if (entry[w] <= 0) continue;
      int32_t cut = CeilToInt(static_cast<double>(excess) / static_cast<double>(winnings) * entry[w]);
      deltas[w] -= cut;
      if (deltas[w] < 0) deltas[w] = 0;
    }
  }
}

int CTableLogic::ClipChairLoss(int32_t holding, int32_t* delta) {
  if (static_cast<int64_t>(holding) + *delta < 0) {
    *delta = -holding;
    return 0;
  }
  return 1;
}

int CTableLogic::VerifySettlement(int32_t* deltas, int32_t* fees, int32_t total_fee) {
  int64_t sum = total_fee;
  for (int c = 0; c < chairs_; ++c) sum += deltas[c];
  if (sum <= 0) return 1;
  engine::WriteGameLog("table: settlement of game %d does not balance (%lld), cancelled", game_counter_,
                       static_cast<long long>(sum));
  for (int c = 0; c < chairs_; ++c) deltas[c] = fees[c] = 0;
  return 0;
}

int CTableLogic::VerifyChairSettlement(int32_t* delta, int32_t* fee) {
  if (static_cast<int64_t>(*delta) + *fee <= 0) return 1;
  *delta = 0;
  *fee = 0;
  return 0;
}

// ---- the result record ----

void CTableLogic::CopyScoresBefore(GAME_RESULT* result) {
  const bool records = AnyChairHasFlag1000() != 0;
  for (int c = 0; c < chairs_; ++c) {
    if (records) {
      result->scores_before[c] = chair_records_[c].score;
      result->holdings_before[c] = chair_records_[c].holding;
    } else if (const TablePlayer* p = chair_players_[c]) {
      result->scores_before[c] = p->score;
      result->holdings_before[c] = p->holding;
    }
  }
}

int CTableLogic::CalcScoreChanges(GAME_RESULT* result, int size, int32_t* score_changes, int32_t*) {
  if (IsLossReliefEnabled()) ApplyLossRelief(result, size, score_changes);
  return 0;
}

int CTableLogic::BuildGameResult(GAME_RESULT* result, int size, int x) {
  if (result == nullptr) return 0;
  result->result_flags = result_flags_;
  result->chair_count = chairs_;
  result->game_counter = game_counter_;
  result->banker = banker_;
  for (int c = 0; c < kMaxChairs; ++c) result->sides[c] = sides_[c];
  result->banker_side = IsBankerSide(0, 0, x);
  result->round_base = round_base_;
  result->stake = stake_;
  CopyScoresBefore(result);
  ScoreGame(result, size);
  CalcScoreChanges(result, size, result->score_changes, result->holding_changes);
  if (SettleFlag() && stake_ != 0) {
    int32_t total = 0;
    const int mode = settings_.fee_mode;
    if (mode == 7 || mode == 8 || mode == 9) {
      int32_t net[kMaxChairs] = {};
      total = ChargeFeeAllEx(result->holdings_before, net, 0, result->fees);
      ClipLosses(net, result->holding_changes);
      for (int c = 0; c < chairs_; ++c) result->holding_changes[c] -= result->fees[c];
    } else {
      ClipLosses(result->holdings_before, result->holding_changes);
      total = ChargeFeeAll(result->holding_changes, result->fees);
    }
    VerifySettlement(result->holding_changes, result->fees, total);
  }
  GetLevels(result->scores_before, result->score_changes, result->levels);
  result->flags |= GetResultFlagsA() | GetResultFlagsB();
  MarkAbsentChairs(result);
  return 1;
}

void CTableLogic::ApplyScores(const GAME_RESULT* result, int) {
  if (result == nullptr) return;
  const bool settle = SettleFlag() && stake_ != 0;
  for (int c = 0; c < chairs_; ++c) {
    TablePlayer* p = chair_players_[c];
    if (p == nullptr || p->absent != 0) continue;
    p->score = result->scores_before[c] + result->score_changes[c];
    p->level = result->levels[c];
    if (settle) {
      int64_t holding = static_cast<int64_t>(result->holdings_before[c]) + result->holding_changes[c];
      p->holding = holding < 0 ? 0 : static_cast<int32_t>(holding);
    }
  }
}

void CTableLogic::ClearResultChanges(GAME_RESULT* result, int) {
  if (result == nullptr) return;
  for (int c = 0; c < kMaxChairs; ++c) {
    result->score_changes[c] = 0;
    result->holding_changes[c] = 0;
    result->levels[c] = chair_players_[c] != nullptr && c < chairs_ ? chair_players_[c]->level : 0;
  }
}

void CTableLogic::WriteLevelTitles(GAME_RESULT* result, int, const shell::RecordTextMap* titles) {
  if (result == nullptr || titles == nullptr || AnyChairHasFlag1()) return;
  for (int c = 0; c < chairs_; ++c) {
    auto it = titles->find(result->levels[c]);
    if (it == titles->end()) continue;
    char text[33] = {};
    std::memcpy(text, it->second.text, sizeof it->second.text);
    CopyTitle(result->titles[c], text);
  }
}

void CTableLogic::StoreResultStake(GAME_RESULT* result) {
  if (result != nullptr) result->stake_word = CalcStake(settings_.base_stake);
}

void CTableLogic::MarkAbsentChairs(GAME_RESULT* result) {
  int32_t bits = 0;
  for (int c = 0; c < chairs_; ++c) {
    if (!IsPlaying(c)) bits |= 1 << c;
  }
  result->absent_chairs = bits;
}

int CTableLogic::IsLargeWin(const GAME_RESULT* result) {
  if ((rule_flags_ & kRuleLargeWin) == 0 || settings_.large_win == 0 || result == nullptr) return 0;
  for (int c = 0; c < chairs_; ++c) {
    if (result->holding_changes[c] >= settings_.large_win) return 1;
  }
  return 0;
}

int CTableLogic::FinishGame(GAME_RESULT* result, int size, int x, int cancel, const shell::RecordTextMap* titles) {
  if (result == nullptr) return 0;
  BuildGameResult(result, size, x);
  if (cancel == 0)
    ApplyScores(result, size);
  else
    ClearResultChanges(result, size);
  WriteLevelTitles(result, size, titles);
  StoreResultStake(result);
  return 1;
}

void CTableLogic::StorePendingResult(const GAME_RESULT& result, int size) {
  pending_ = std::make_unique<GAME_RESULT>(result);
  pending_size_ = size;
}

int CTableLogic::ApplyConfirmedLog(const LOG_HEAD* head, const LOG_USER* users, const shell::RecordTextMap* titles) {
  if (pending_ == nullptr || pending_size_ == 0 || head == nullptr || users == nullptr) return 0;
  if (head->user_count != chairs_) return 1;
  GAME_RESULT& r = *pending_;
  for (int c = 0; c < chairs_; ++c) {
    r.scores_before[c] = users[c].score_before;
    r.holdings_before[c] = users[c].holding_before;
    r.score_changes[c] = users[c].score_change;
    r.holding_changes[c] = users[c].holding_change;
    r.levels[c] = users[c].level;
    r.fees[c] = users[c].fee;
  }
  ApplyScores(&r, pending_size_);
  r.flags |= GetResultFlagsA() | GetResultFlagsB();
  StoreResultStake(&r);
  GetLevels(r.scores_before, r.score_changes, r.levels);
  WriteLevelTitles(&r, pending_size_, titles);
  return 1;
}

// ---- leaving a running game ----

int CTableLogic::ScoreLeaver(int, int32_t* leave_word, int32_t* score_change, int32_t* holding_change) {
  *leave_word = 0;
  *score_change = 0;
  *holding_change = 0;
  return 0;
}

int CTableLogic::BuildLeaveResult(int chair, int dry_run, LEAVE_RESULT* leave) {
  if (leave == nullptr || !ValidChair(chair) || chair_players_[chair] == nullptr) return 0;
  TablePlayer* p = chair_players_[chair];
  *leave = LEAVE_RESULT{};
  leave->user_id = p->user_id;
  leave->chair = chair;
  leave->game_counter = game_counter_;
  leave->round_base = round_base_;
  leave->stake = stake_;
  leave->score_before = p->score;
  leave->holding_before = p->holding;
  int32_t score_change = 0, holding_change = 0, fee = 0;
  ScoreLeaver(chair, &leave->leave_word, &score_change, &holding_change);
  if (SettleFlag() && stake_ != 0) {
    const int mode = settings_.fee_mode;
    if (mode == 7 || mode == 8 || mode == 9) {
      int32_t net = p->holding;
      CalcServiceFeeEx(p->holding, &net, 0, &fee);
      ClipChairLoss(net, &holding_change);
      holding_change -= fee;
    } else {
      ClipChairLoss(p->holding, &holding_change);
      CalcServiceFee(p->holding, &holding_change, &fee);
    }
    VerifyChairSettlement(&holding_change, &fee);
  }
  int level = GetLevel(p->score + score_change, scale_);
  if (dry_run == 0) {
    p->score += score_change;
    p->level = level;
    int64_t holding = static_cast<int64_t>(p->holding) + holding_change;
    p->holding = holding < 0 ? 0 : static_cast<int32_t>(holding);
  } else {
    score_change = holding_change = 0;
    level = p->level;
  }
  leave->score_change = score_change;
  leave->holding_change = holding_change;
  leave->fee = fee;
  leave->level = level;
  return 1;
}

// ---- logs ----

void CTableLogic::FillUserRecords(const GAME_RESULT* result, int, LOG_USER* users) {
  int32_t seconds = 0, minutes = 0;
  GetElapsed(&seconds, &minutes);
  for (int c = 0; c < chairs_; ++c) {
    const TablePlayer* p = chair_players_[c];
    if (p == nullptr) continue;
    LOG_USER& u = users[c];
    u.user_id = p->user_id;
    u.word1 = p1_;
    u.word2 = p2_;
    u.chair = c;
    u.round_base = round_base_;
    u.stake = stake_;
    u.score_before = result->scores_before[c];
    u.holding_before = result->holdings_before[c];
    u.minutes = minutes;
    u.seconds = seconds;
    u.one = 1;
    u.zero = 0;
    u.won = result->score_changes[c] > 0;
    u.lost = result->score_changes[c] < 0;
    u.drawn = result->score_changes[c] == 0;
    u.score_change = result->score_changes[c];
    u.holding_change = result->holding_changes[c];
    u.level = result->levels[c];
    std::memcpy(u.title, result->titles[c], sizeof u.title);
    u.fee = result->fees[c];
  }
}

int CTableLogic::FillPlayingUserRecords(const GAME_RESULT* result, int, LOG_USER* users) {
  LOG_USER all[kMaxChairs];
  FillUserRecords(result, 0, all);
  int n = 0;
  for (int c = 0; c < chairs_; ++c) {
    if (IsPlaying(c)) users[n++] = all[c];
  }
  return n;
}

int CTableLogic::BuildGameLog(const GAME_RESULT* result, int, int, int32_t kind, LOG_HEAD* head, LOG_USER* users) {
  if (result == nullptr || head == nullptr || users == nullptr) return 0;
  head->user_count = chairs_;
  head->word1 = p1_;
  head->kind = kind;
  head->round_stamp = static_cast<int32_t>(round_stamp_);
  if (NotAllChairsHaveSettleFlag4()) head->flags |= kLogSettleBit;
  if (IsLargeWin(result)) head->flags |= kLogLargeWin;
  for (int c = 0; c < chairs_; ++c) {
    users[c].word1 = p1_;
    users[c].kind = kind;
  }
  FillUserRecords(result, 0, users);
  for (int c = 0; c < chairs_; ++c) users[c].kind = kind;
  return 1;
}

int CTableLogic::BuildPlayingGameLog(const GAME_RESULT* result, int, int, int32_t kind, LOG_HEAD* head,
                                     LOG_USER* users) {
  if (result == nullptr || head == nullptr || users == nullptr) return 0;
  int playing = 0;
  bool all4 = true;
  for (int c = 0; c < chairs_; ++c) {
    if (!IsPlaying(c)) continue;
    ++playing;
    all4 = all4 && (settle_options_[c] & kSettleHoldings);
  }
  head->user_count = playing;
  head->word1 = p1_;
  head->kind = kind;
  head->round_stamp = static_cast<int32_t>(round_stamp_);
  if (all4) head->flags |= kLogSettleBit;
  if (round_flag_ != 0) head->flags |= kLogRoundFlag;
  int n = FillPlayingUserRecords(result, 0, users);
  for (int i = 0; i < n; ++i) {
    users[i].word1 = p1_;
    users[i].kind = kind;
  }
  return 1;
}

int CTableLogic::BuildLeaveLog(const LEAVE_RESULT* leave, int, int, int chair, int32_t kind, LOG_HEAD* head,
                               LOG_USER* user) {
  if (leave == nullptr || head == nullptr || user == nullptr) return 0;
  head->user_count = 1;
  head->word1 = p1_;
  head->kind = kind;
  head->round_stamp = static_cast<int32_t>(round_stamp_);
  // The leaver's own settle options decide the settle bit.
  if (ValidChair(chair) && (settle_options_[chair] & kSettleHoldings)) head->flags |= kLogSettleBit;
  head->flags |= kLogLeave;
  int32_t seconds = 0, minutes = 0;
  GetElapsed(&seconds, &minutes);
  user->user_id = leave->user_id;
  user->word1 = p1_;
  user->word2 = p2_;
  user->chair = chair;
  user->kind = kind;
  user->round_base = leave->round_base;
  user->stake = leave->stake;
  user->score_before = leave->score_before;
  user->holding_before = leave->holding_before;
  user->minutes = minutes;
  user->seconds = seconds;
  user->one = 1;
  user->lost = 1;
  user->score_change = leave->score_change;
  user->holding_change = leave->holding_change;
  user->level = leave->level;
  std::memcpy(user->title, leave->title, sizeof user->title);
  user->fee = leave->fee;
  return 1;
}

void CTableLogic::AddGameTotals(const LOG_USER* records, int count) {
  if (records == nullptr) return;
  for (int i = 0; i < count; ++i) {
    if (TablePlayer* p = FindPlayer(records[i].user_id)) p->total += records[i].score_change;
  }
}

void CTableLogic::AddGameTotals(const LEAVE_RESULT* leave) {
  if (leave == nullptr) return;
  if (TablePlayer* p = FindPlayer(leave->user_id)) p->total += leave->score_change;
}

// ---- loss sharing ----

int CTableLogic::PairFactor(int a, int b, int x) {
  if (a == b) return -x;
  if (IsSameSide(Side(a), Side(b))) return 0;
  return 1;
}

int32_t CTableLogic::CalcChairLoss(int chair, int32_t units, int32_t* share) {
  TablePlayer* p = ChairPlayer(chair);
  if (p == nullptr) return 0;
  int64_t loss = static_cast<int64_t>(units) * stake_;
  if (p->holding < -loss) loss = -static_cast<int64_t>(p->holding);
  if (settings_.loss_cap != 0 && -loss > settings_.loss_cap) loss = -static_cast<int64_t>(settings_.loss_cap);
  if (share != nullptr) *share = static_cast<int32_t>(-loss * settings_.loss_share_percent / 100);
  return static_cast<int32_t>(loss);
}

int32_t CTableLogic::SplitAmount(int chair, int payer, int32_t amount) {
  if (chair == payer) return 0;
  int side = Side(payer);
  int n = CountOtherSides(side);
  // Nobody on another side: nobody to share with.
  if (n <= 0) return 0;
  int32_t result = amount / n;
  int32_t rest = amount % n;
  if (rest != 0 && chair == FindOtherSideMember(payer, side)) result += rest;
  return result;
}

// ---- loss relief ----

int CTableLogic::ApplyLossRelief(GAME_RESULT*, int, int32_t* score_changes) {
  for (int32_t& r : reliefs_) r = 0;
  shell::SeedRandom(platform::GetTickCount());
  for (int c = 0; c < chairs_; ++c) {
    const TablePlayer* p = chair_players_[c];
    if (p == nullptr || p->absent != 0 || (p->flags & kPlayerLossRelief) == 0 || score_changes[c] >= 0) continue;
    int32_t old = score_changes[c];
    score_changes[c] = CalcLossRelief(old);
    reliefs_[c] = score_changes[c] - old;
  }
  return 1;
}

int32_t CTableLogic::CalcLossRelief(int32_t amount) {
  if (amount >= 0) return amount;
  int32_t chance = -1;
  int32_t weights[4] = {};
  int32_t percents[4] = {};
  GetLossReliefTable(&chance, weights, percents, 4);
  int r = shell::RandomNext() % 100;
  if (r > chance) return amount;
  int r2 = shell::RandomNext() % 100;
  int32_t percent = 0;
  int32_t band = 0;
  for (int i = 0; i < 4; ++i) {
    band += weights[i];
    if (r2 < band) {
      percent = percents[i];
      break;
    }
  }
  int32_t cut = static_cast<int32_t>(-static_cast<int64_t>(amount) * percent / 100);
  if (cut < 1) cut = 1;
  return amount + cut;
}

void CTableLogic::GetLossReliefTable(int32_t* chance, int32_t* weights, int32_t* percents, int capacity) {
  *chance = 55;
  if (capacity >= 4) {
    const int32_t w[4] = {84, 12, 4, 0};
    const int32_t p[4] = {10, 50, 100, 0};
    for (int i = 0; i < 4; ++i) {
      weights[i] = w[i];
      percents[i] = p[i];
    }
  }
}

int CTableLogic::GetLossReliefs(int32_t* user_ids, int32_t* reliefs) {
  if (!IsLossReliefEnabled()) return 0;
  int written = 0;
  for (int c = 0; c < chairs_; ++c) {
    const TablePlayer* p = chair_players_[c];
    if (p == nullptr || (p->flags & kPlayerLossRelief) == 0 || reliefs_[c] <= 0) continue;
    user_ids[c] = p->user_id;
    reliefs[c] = reliefs_[c];
    ++written;
  }
  return written > 0;
}

int32_t CTableLogic::Relief(int chair) const { return ValidChair(chair) ? reliefs_[chair] : 0; }

}  // namespace table
