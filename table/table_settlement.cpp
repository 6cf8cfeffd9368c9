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
  if (AnyChairHasFlag1000()) return chairRecords_[chair].userId > 0;
  return chairPlayers_[chair] != nullptr;
}

int32_t CTableLogic::ChairHolding(int chair) {
  if (!ValidChair(chair)) return 0;
  if (AnyChairHasFlag1000()) return chairRecords_[chair].holding;
  return chairPlayers_[chair] != nullptr ? chairPlayers_[chair]->holding : 0;
}

int32_t CTableLogic::SumChairs(const int32_t* values) { return shell::SumArray(values, chairs_); }

void CTableLogic::GetLevels(const int32_t* scores, const int32_t* changes, int32_t* levels) {
  for (int c = 0; c < chairs_; ++c) levels[c] = GetLevel(scores[c] + changes[c], scale_);
}

// ---- fees ----

int32_t CTableLogic::CalcServiceFee(int32_t holding, int32_t* win, int32_t* fee_sum) {
  if (settings_.feeMode == 6 && *win > 0) {
    const int32_t w = *win;
    // 64-bit products: a large win times the rate must not wrap before the cap applies.
    int64_t f = static_cast<int64_t>(w / 100) * settings_.feeRate;
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
  } else if (settings_.feeMode == 1) {
    int32_t after = holding + *win;
    // A chair left with nothing pays nothing (never a negative fee).
    int32_t pay = after < settings_.feeCap ? (after > 0 ? after : 0) : settings_.feeCap;
    *win -= pay;
    *fee_sum += pay;
  }
  return *fee_sum;
}

int32_t CTableLogic::ChargeFeeAll(int32_t* wins, int32_t* fees) {
  int32_t total = 0;
  if (settings_.feeMode == 6) {
    for (int c = 0; c < chairs_; ++c) {
      if (!ChairTakesPart(c)) continue;
      int32_t fee = 0;
      CalcServiceFee(ChairHolding(c), &wins[c], &fee);
      fees[c] += fee;
      total += fee;
    }
  } else if (settings_.feeMode == 1) {
    int32_t shortfall = 0;
    for (int c = 0; c < chairs_; ++c) {
      if (!ChairTakesPart(c)) continue;
      int32_t fee = 0;
      CalcServiceFee(ChairHolding(c), &wins[c], &fee);
      shortfall += settings_.feeCap - fee;
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
  switch (settings_.feeMode) {
    case 7:
      f = settings_.feeCap;
      break;
    case 8: {
      int32_t amounts[kMaxChairs];
      for (int c = 0; c < kMaxChairs; ++c) amounts[c] = chairRecords_[c].holding;
      int32_t m = SmallestPositive(amounts, chairs_);
      if (m <= 0 || m < settings_.feeThreshold)
        f = 0;
      else
        f = CeilToInt(static_cast<double>(m) * settings_.feeRate10000 / 10000.0);
      break;
    }
    case 9:
      f = amount >= settings_.feeThreshold ? CeilToInt(static_cast<double>(amount) * settings_.feeRate10000 / 10000.0)
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
  const int mode = settings_.feeMode;
  if (mode != 7 && mode != 8 && mode != 9) return 0;
  const bool records = AnyChairHasFlag1000() != 0;
  int32_t modeEightFee = 0;
  if (mode == 8) {
    int32_t m = SmallestPositive(amounts, chairs_);
    // Nobody pays when the poorest holding is below the threshold, or when nobody holds anything.
    if (m <= 0 || m < settings_.feeThreshold) return 0;
    modeEightFee = CeilToInt(static_cast<double>(m) * settings_.feeRate10000 / 10000.0);
  }
  for (int c = 0; c < chairs_; ++c) {
    int32_t amount = amounts[c];
    if (amount <= 0) continue;
    int32_t f = 0;
    if (mode == 7) {
      f = settings_.feeCap;
    } else if (mode == 8) {
      if (records && !(chairRecords_[c].userId > 0 && chairRecords_[c].holding > 0)) continue;
      f = modeEightFee;
    } else if (amount >= settings_.feeThreshold) {
      f = CeilToInt(static_cast<double>(amount) * settings_.feeRate10000 / 10000.0);
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
  const bool own = (ruleFlags_ & kRuleOwnHoldingLimit) != 0;
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
  engine::WriteGameLog("table: settlement of game %d does not balance (%lld), cancelled", gameCounter_,
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
      result->scoresBefore[c] = chairRecords_[c].score;
      result->holdingsBefore[c] = chairRecords_[c].holding;
    } else if (const TablePlayer* p = chairPlayers_[c]) {
      result->scoresBefore[c] = p->score;
      result->holdingsBefore[c] = p->holding;
    }
  }
}

int CTableLogic::CalcScoreChanges(GAME_RESULT* result, int size, int32_t* score_changes, int32_t*) {
  if (IsLossReliefEnabled()) ApplyLossRelief(result, size, score_changes);
  return 0;
}

int CTableLogic::BuildGameResult(GAME_RESULT* result, int size, int x) {
  if (result == nullptr) return 0;
  result->resultFlags = resultFlags_;
  result->chairCount = chairs_;
  result->gameCounter = gameCounter_;
  result->banker = banker_;
  for (int c = 0; c < kMaxChairs; ++c) result->sides[c] = sides_[c];
  result->bankerSide = IsBankerSide(0, 0, x);
  result->roundBase = roundBase_;
  result->stake = stake_;
  CopyScoresBefore(result);
  ScoreGame(result, size);
  CalcScoreChanges(result, size, result->scoreChanges, result->holdingChanges);
  if (startAll4_ && stake_ != 0) {
    int32_t total = 0;
    const int mode = settings_.feeMode;
    if (mode == 7 || mode == 8 || mode == 9) {
      int32_t net[kMaxChairs] = {};
      total = ChargeFeeAllEx(result->holdingsBefore, net, 0, result->fees);
      ClipLosses(net, result->holdingChanges);
      for (int c = 0; c < chairs_; ++c) result->holdingChanges[c] -= result->fees[c];
    } else {
      ClipLosses(result->holdingsBefore, result->holdingChanges);
      total = ChargeFeeAll(result->holdingChanges, result->fees);
    }
    VerifySettlement(result->holdingChanges, result->fees, total);
  }
  GetLevels(result->scoresBefore, result->scoreChanges, result->levels);
  result->flags |= GetResultFlagsA() | GetResultFlagsB();
  MarkAbsentChairs(result);
  return 1;
}

void CTableLogic::ApplyScores(const GAME_RESULT* result, int) {
  if (result == nullptr) return;
  const bool settle = startAll4_ && stake_ != 0;
  for (int c = 0; c < chairs_; ++c) {
    TablePlayer* p = chairPlayers_[c];
    if (p == nullptr || p->absent != 0) continue;
    p->score = result->scoresBefore[c] + result->scoreChanges[c];
    p->level = result->levels[c];
    if (settle) {
      int64_t holding = static_cast<int64_t>(result->holdingsBefore[c]) + result->holdingChanges[c];
      p->holding = holding < 0 ? 0 : static_cast<int32_t>(holding);
    }
  }
}

void CTableLogic::ClearResultChanges(GAME_RESULT* result, int) {
  if (result == nullptr) return;
  for (int c = 0; c < kMaxChairs; ++c) {
    result->scoreChanges[c] = 0;
    result->holdingChanges[c] = 0;
    result->levels[c] = chairPlayers_[c] != nullptr && c < chairs_ ? chairPlayers_[c]->level : 0;
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
  if (result != nullptr) result->stakeWord = CalcStake(settings_.baseStake);
}

void CTableLogic::MarkAbsentChairs(GAME_RESULT* result) {
  int32_t bits = 0;
  for (int c = 0; c < chairs_; ++c) {
    if (!IsPlaying(c)) bits |= 1 << c;
  }
  result->absentChairs = bits;
}

int CTableLogic::IsLargeWin(const GAME_RESULT* result) {
  if ((ruleFlags_ & kRuleLargeWin) == 0 || settings_.largeWin == 0 || result == nullptr) return 0;
  for (int c = 0; c < chairs_; ++c) {
    if (result->holdingChanges[c] >= settings_.largeWin) return 1;
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
  pendingSize_ = size;
}

int CTableLogic::ApplyConfirmedLog(const LOG_HEAD* head, const LOG_USER* users, const shell::RecordTextMap* titles) {
  if (pending_ == nullptr || pendingSize_ == 0 || head == nullptr || users == nullptr) return 0;
  if (head->userCount != chairs_) return 1;
  GAME_RESULT& r = *pending_;
  for (int c = 0; c < chairs_; ++c) {
    r.scoresBefore[c] = users[c].scoreBefore;
    r.holdingsBefore[c] = users[c].holdingBefore;
    r.scoreChanges[c] = users[c].scoreChange;
    r.holdingChanges[c] = users[c].holdingChange;
    r.levels[c] = users[c].level;
    r.fees[c] = users[c].fee;
  }
  ApplyScores(&r, pendingSize_);
  r.flags |= GetResultFlagsA() | GetResultFlagsB();
  StoreResultStake(&r);
  GetLevels(r.scoresBefore, r.scoreChanges, r.levels);
  WriteLevelTitles(&r, pendingSize_, titles);
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
  if (leave == nullptr || !ValidChair(chair) || chairPlayers_[chair] == nullptr) return 0;
  TablePlayer* p = chairPlayers_[chair];
  *leave = LEAVE_RESULT{};
  leave->userId = p->userId;
  leave->chair = chair;
  leave->gameCounter = gameCounter_;
  leave->roundBase = roundBase_;
  leave->stake = stake_;
  leave->scoreBefore = p->score;
  leave->holdingBefore = p->holding;
  int32_t score_change = 0, holding_change = 0, fee = 0;
  ScoreLeaver(chair, &leave->leaveWord, &score_change, &holding_change);
  if (startAll4_ && stake_ != 0) {
    const int mode = settings_.feeMode;
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
  leave->scoreChange = score_change;
  leave->holdingChange = holding_change;
  leave->fee = fee;
  leave->level = level;
  return 1;
}

// ---- logs ----

void CTableLogic::FillUserRecords(const GAME_RESULT* result, int, LOG_USER* users) {
  int32_t seconds = 0, minutes = 0;
  GetElapsed(&seconds, &minutes);
  for (int c = 0; c < chairs_; ++c) {
    const TablePlayer* p = chairPlayers_[c];
    if (p == nullptr) continue;
    LOG_USER& u = users[c];
    u.userId = p->userId;
    u.word1 = p1_;
    u.word2 = p2_;
    u.chair = c;
    u.roundBase = roundBase_;
    u.stake = stake_;
    u.scoreBefore = result->scoresBefore[c];
    u.holdingBefore = result->holdingsBefore[c];
    u.minutes = minutes;
    u.seconds = seconds;
    u.one = 1;
    u.zero = 0;
    u.won = result->scoreChanges[c] > 0;
    u.lost = result->scoreChanges[c] < 0;
    u.drawn = result->scoreChanges[c] == 0;
    u.scoreChange = result->scoreChanges[c];
    u.holdingChange = result->holdingChanges[c];
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
  head->userCount = chairs_;
  head->word1 = p1_;
  head->kind = kind;
  head->roundStamp = static_cast<int32_t>(roundStamp_);
  if (NotAllChairsHaveSettleFlag4()) head->flags |= 0x1;
  if (IsLargeWin(result)) head->flags |= 0x2;
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
    all4 = all4 && (settleOptions_[c] & 0x4u);
  }
  head->userCount = playing;
  head->word1 = p1_;
  head->kind = kind;
  head->roundStamp = static_cast<int32_t>(roundStamp_);
  if (all4) head->flags |= 0x1;
  if (roundFlag_ != 0) head->flags |= 0x200;
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
  head->userCount = 1;
  head->word1 = p1_;
  head->kind = kind;
  head->roundStamp = static_cast<int32_t>(roundStamp_);
  // The leaver's own settle options decide flag 0x1.
  if (ValidChair(chair) && (settleOptions_[chair] & 0x4u)) head->flags |= 0x1;
  head->flags |= 0x100;
  int32_t seconds = 0, minutes = 0;
  GetElapsed(&seconds, &minutes);
  user->userId = leave->userId;
  user->word1 = p1_;
  user->word2 = p2_;
  user->chair = chair;
  user->kind = kind;
  user->roundBase = leave->roundBase;
  user->stake = leave->stake;
  user->scoreBefore = leave->scoreBefore;
  user->holdingBefore = leave->holdingBefore;
  user->minutes = minutes;
  user->seconds = seconds;
  user->one = 1;
  user->lost = 1;
  user->scoreChange = leave->scoreChange;
  user->holdingChange = leave->holdingChange;
  user->level = leave->level;
  std::memcpy(user->title, leave->title, sizeof user->title);
  user->fee = leave->fee;
  return 1;
}

void CTableLogic::AddGameTotals(const LOG_USER* records, int count) {
  if (records == nullptr) return;
  for (int i = 0; i < count; ++i) {
    if (TablePlayer* p = FindPlayer(records[i].userId)) p->total += records[i].scoreChange;
  }
}

void CTableLogic::AddGameTotals(const LEAVE_RESULT* leave) {
  if (leave == nullptr) return;
  if (TablePlayer* p = FindPlayer(leave->userId)) p->total += leave->scoreChange;
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
  if (settings_.lossCap != 0 && -loss > settings_.lossCap) loss = -static_cast<int64_t>(settings_.lossCap);
  if (share != nullptr) *share = static_cast<int32_t>(-loss * settings_.lossSharePercent / 100);
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
    const TablePlayer* p = chairPlayers_[c];
    if (p == nullptr || p->absent != 0 || (p->flags & 0x1) == 0 || score_changes[c] >= 0) continue;
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
    const TablePlayer* p = chairPlayers_[c];
    if (p == nullptr || (p->flags & 0x1) == 0 || reliefs_[c] <= 0) continue;
    user_ids[c] = p->userId;
    reliefs[c] = reliefs_[c];
    ++written;
  }
  return written > 0;
}

int32_t CTableLogic::Relief(int chair) const { return ValidChair(chair) ? reliefs_[chair] : 0; }

}  // namespace table
