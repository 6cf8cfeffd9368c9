// The authoritative state of one card table: chairs and the players on them, their flags and
// clocks, the settings of the running game, the turn cursor, the records a table host sends
// at the start and the end of a game, the settlement, and the small host services (loss
// relief, a wait clock, made-up peers for solo play).
//
// Almost every operation is virtual so that a game's rules can replace it; they are declared
// in the order the game's rules rely on. The clock is the platform clock (a test installs a
// manual one) and random draws come from shell::CurrentRandom().
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/critical_section.h"
#include "shell/game_helpers.h"
#include "table/table_records.h"

namespace table {

// Refusal codes of StartGame.
inline constexpr int kStartEmptyChair = -10010;
inline constexpr int kStartHoldingTooLow = -10001;
inline constexpr int kStartScoreTooLow = -10100;
inline constexpr int kStartScoreTooHigh = -10200;
inline constexpr int kStartTooManyGames = -10300;
inline constexpr int kStartTableGamesDone = -10400;

// State word bits.
inline constexpr uint32_t kStateRunning = 0x1;
inline constexpr uint32_t kStateSetUp = 0x2;
inline constexpr uint32_t kStateAuction = 0x10;
inline constexpr uint32_t kStatePlay = 0x100;
inline constexpr uint32_t kStateSubPhase = 0x1000;

// Rule flags.
inline constexpr uint32_t kRuleWildcards = 0x1;
inline constexpr uint32_t kRuleAuctionClosesAfterAll = 0x100000;
inline constexpr uint32_t kRuleFallingBids = 0x200000;
inline constexpr uint32_t kRuleSkipStakeCheck = 0x400000;
inline constexpr uint32_t kRuleSettleAlways = 0x1000000;
inline constexpr uint32_t kRuleLargeWin = 0x2000000;
inline constexpr uint32_t kRuleOwnHoldingLimit = 0x4000000;

// The game settings handed to StartGame (its arguments 2..19).
struct StartParams {
  int32_t baseStake = 0;         // p2
  int32_t minHolding = 0;        // p3
  int32_t feeRate = 0;           // p4, per 100 of a win
  int32_t lossCap = 0;           // p5, 0 = none
  int32_t lossSharePercent = 0;  // p6
  int32_t largeWin = 0;          // p7
  int32_t feeMode = 0;           // p8
  int32_t feeCap = 0;            // p9
  int32_t maxStake = 0;          // p10
  int32_t timeoutMs = 0;         // p11
  int32_t roundBase = 0;         // p12
  int32_t minScore = 0;          // p13
  int32_t maxScore = 0;          // p14
  int32_t maxPlayerGames = 0;    // p15
  int32_t maxTableGames = 0;     // p16
  int32_t minReady = 0;          // p17
  int32_t feeRate10000 = 0;      // p18
  int32_t feeThreshold = 0;      // p19
};

// The settings as StartGame stored them.
struct GameSettings {
  int32_t baseStake = 0;
  int32_t minHolding = 0;
  int32_t feeRate = 0;
  int32_t lossCap = 0;
  int32_t lossSharePercent = 0;
  int32_t largeWin = 0;
  int32_t feeMode = 0;
  int32_t feeCap = 0;
  int32_t maxStake = 0;
  int32_t timeoutMs = 0;
  int32_t minScore = 0;
  int32_t maxScore = 0;
  int32_t feeRate10000 = 0;
  int32_t feeThreshold = 0;
};

// One line of the player summary: 52 bytes.
struct PLAYER_SUMMARY {
  int32_t userId = 0;
  int32_t chair = 0;
  int32_t score = 0;
  int32_t holding = 0;
  int32_t level = 0;
  char title[32] = {};
};
static_assert(sizeof(PLAYER_SUMMARY) == 52);

struct PLAYER_SUMMARY_LIST {
  int32_t chairCount = 0;
  int32_t reserved[4] = {};
  PLAYER_SUMMARY entries[kMaxChairs];
};
static_assert(sizeof(PLAYER_SUMMARY_LIST) == 20 + 8 * 52);

class CTableLogic {
 public:
  // p1, p2: the start record's first two words; scale: the level scale; chairs: 1..8;
  // rule_flags: the kRule* bits; p6 is kept and never read.
  CTableLogic(int32_t p1, int32_t p2, int32_t scale, int32_t chairs, uint32_t rule_flags, int32_t p6);
  virtual ~CTableLogic();
  CTableLogic(const CTableLogic&) = delete;
  CTableLogic& operator=(const CTableLogic&) = delete;

  virtual void SetTableInfo(const int32_t info[61]);
  virtual void ClearTableInfo();
  virtual int HasTableInfo();
  virtual void OnTableInfoHook() {}
  virtual void Reset(int full);
  virtual void RemoveChair(int chair);
  virtual void ResetRound();
  virtual void ResetAll() { Reset(1); }
  virtual int AddPlayer(std::unique_ptr<TablePlayer> record);
  virtual std::unique_ptr<TablePlayer> RemovePlayer(int32_t user_id);
  virtual void RemoveLooker(int32_t user_id, int chair);
  virtual void RemoveUser(int32_t user_id, int flag);
  virtual int IsPlayer(int32_t user_id);
  virtual int IsLooker(int32_t user_id);
  virtual int IsTableFull();
  virtual int IsTableEmpty();
  virtual int IsFullAndSet();
  virtual int IsValidChair(int chair);
  virtual int GetPlayerCount();
  virtual TablePlayer* FindPlayer(int32_t user_id);
  virtual TablePlayer* FindLooker(int32_t user_id);
  virtual void ChooseBanker();
  virtual int OnDeal() { return 1; }
  virtual void CreateGameState() {}
  virtual void PrepareGameState() {}
  virtual int StartGame(int* out_chair, const StartParams& p);
  virtual void EndGame() { ClearStateBits(kStateRunning); }
  virtual int GetStartRecordSize() { return 88; }
  virtual int FillStartRecord(uint8_t* buffer, int size);
  virtual int GetStateRecordSize() { return 0; }
  virtual int FillStateRecord(uint8_t* buffer, int size);
  virtual int GetExtraRecordSize() { return 0; }
  virtual int FillExtraRecord(uint8_t* buffer, int size);
  virtual int GetGameResultSize() { return 432; }
  virtual int BuildGameResult(GAME_RESULT* result, int size, int x);
  virtual int GetResultFlagsA() { return 0; }
  virtual int GetResultFlagsB() { return 0; }
  virtual int IsGameIdle() { return (state_ & kStateRunning) == 0; }
  virtual int CountSides();
  virtual int CountSideMembers(int side);
  virtual int CountOtherSides(int side);
  virtual int FindSideMember(int from_chair, int side);
  virtual int FindOtherSideMember(int from_chair, int side);
  virtual void ResetSides();
  virtual int CheckSidesHook() { return 0; }
  virtual int IsSameSide(int a, int b) { return a == b; }
  virtual int UpdateFirstGameFlag();
  virtual int IsFirstGame() { return firstGame_; }
  virtual int GetCurrentChair() { return currentChair_; }
  virtual void SetCurrentChairTimed(int chair, int seconds);
  virtual void SetCurrentChair(int chair);
  virtual void RestartTurnClock();
  virtual int PrevChair(int chair);
  virtual int NextChair(int chair);
  virtual void MakeBankerCurrent() { SetCurrentChair(banker_); }
  virtual int GetRandomChair();
  virtual int GetFirstChair() { return banker_; }
  virtual int32_t GetMessageFirstWord() { return p1_; }
  virtual int32_t GetMessageSecondWord() { return p2_; }
  virtual void AddStateBits(uint32_t bits);
  virtual void ClearStateBits(uint32_t bits);
  virtual void SetState(uint32_t state);
  virtual void BeginGamePhase() { AddStateBits(kStateRunning); }
  virtual uint32_t RestampState();
  virtual void BeginSubPhase() { AddStateBits(kStateSubPhase); }
  virtual void EndSubPhase() { ClearStateBits(kStateSubPhase); }
  virtual int ScoreGame(GAME_RESULT*, int) { return 0; }
  virtual int IsBankerSide(int, int, int chair);
  virtual int CheckScoreHookA() { return 1; }
  virtual int CheckScoreHookB() { return 1; }
  virtual int SetResultWin(int, int flag);
  virtual int SetResultDraw();
  virtual int32_t GetTableInfoKey() { return tableInfo_[1]; }
  virtual int32_t CalcRoundBase(int32_t base);
  virtual int32_t CalcStake(int32_t base_stake) { return base_stake; }
  virtual int GetLevel(int32_t score, int32_t scale) { return shell::GetLevelIndex(score, scale); }
  virtual void GetLevels(const int32_t* scores, const int32_t* changes, int32_t* levels);
  virtual int32_t CalcLevelBase(int32_t level) { return level; }
  virtual int32_t CalcHoldingStake(int32_t holding) { return holding; }
  virtual void WriteLevelTitles(GAME_RESULT* result, int size, const shell::RecordTextMap* titles);
  virtual void StoreResultStake(GAME_RESULT* result);
  virtual int32_t SumChairs(const int32_t* values);
  virtual void ClipLosses(const int32_t* holdings, int32_t* deltas);
  virtual int32_t ChargeFeeAll(int32_t* wins, int32_t* fees);
  virtual int32_t ChargeFeeAllEx(const int32_t* amounts, int32_t* net, int unused, int32_t* fees);
  virtual int32_t GetFeePercentCap() { return 5; }
  virtual int VerifySettlement(int32_t* deltas, int32_t* fees, int32_t total_fee);
  virtual void ApplyScores(const GAME_RESULT* result, int size);
  virtual void ClearResultChanges(GAME_RESULT* result, int size);
  virtual void FillUserRecords(const GAME_RESULT* result, int unused, LOG_USER* users);
  virtual void GetElapsed(int32_t* seconds, int32_t* minutes);
  virtual int CalcScoreChanges(GAME_RESULT* result, int size, int32_t* score_changes, int32_t* holding_changes);
  virtual void CopyScoresBefore(GAME_RESULT* result);
  virtual int IsGameRunning() { return (state_ & kStateRunning) != 0; }
  virtual int IsRecentlyLeft(int chair, int seconds);
  virtual int PassTurnIfSlow(int chair, int seconds);
  virtual int PairFactor(int a, int b, int x);
  virtual int32_t NegateAmount(int32_t x) { return -x; }
  virtual int32_t CalcChairLoss(int chair, int32_t units, int32_t* share);
  virtual int32_t SplitAmount(int chair, int payer, int32_t amount);
  virtual int AllOthersMarked(int chair);
  virtual int FillPlayerSummary(PLAYER_SUMMARY_LIST* list, const shell::RecordTextMap* titles);
  virtual int AnyChairHasSettleFlag100000();
  virtual int NotAllChairsHaveSettleFlag4();
  virtual int IsLargeWin(const GAME_RESULT* result);
  virtual int AnyChairHasSettleFlag400() { return AnySettle(0x400); }
  virtual int AnyChairHasSettleFlag80000() { return AnySettle(0x80000); }
  virtual int AnyChairHasSettleFlag200() { return AnySettle(0x200); }
  virtual int HasStateFlag2() { return (state_ & kStateSetUp) != 0; }
  virtual int IsIdleTooLong();
  virtual int AnyChairHasFlag1() { return AnyStatusOption(0x1); }
  virtual int HasPlayers() { return GetPlayerCount() > 0; }
  virtual int IsTimeOut();
  virtual int IsStalled();
  virtual int IsChairGone(int chair);
  virtual int HasChairStatus10(int chair);
  virtual int IsChairTimedOut(int chair);
  virtual int IncChairCounter(int chair);
  virtual int AnyChairHasOption1() { return AnyStatusOption(0x1); }
  virtual int IsBeforeFirstGame() { return gameCounter_ == 0; }
  virtual int CanFinishGame() { return 1; }
  virtual int FinishGame(GAME_RESULT* result, int size, int x, int cancel, const shell::RecordTextMap* titles);
  virtual int BuildGameLog(const GAME_RESULT* result, int size, int unused, int32_t kind, LOG_HEAD* head,
                           LOG_USER* users);
  virtual void AddGameTotals(const LOG_USER* records, int count);
  virtual int ApplyConfirmedLog(const LOG_HEAD* head, const LOG_USER* users, const shell::RecordTextMap* titles);
  virtual int32_t GetUserExtra(int32_t user_id);
  virtual int IsWithinStartWindow(int seconds);
  virtual void SetReady(int chair);
  virtual int HasWaitClock() { return 0; }
  virtual int IsWaitClockRunning();
  virtual int StartWaitClock(int on, int seconds);
  virtual int GetWaitSeconds() { return waitSeconds_; }
  virtual int CountUsers();
  virtual int GetWaitRemaining(uint32_t now);
  virtual void StopWaitClock();
  virtual void MarkAbsentPlayers();
  virtual int ScoreLeaver(int chair, int32_t* leave_word, int32_t* score_change, int32_t* holding_change);
  virtual int BuildLeaveResult(int chair, int dry_run, LEAVE_RESULT* leave);
  virtual int BuildLeaveLog(const LEAVE_RESULT* leave, int unused1, int unused2, int chair, int32_t kind,
                            LOG_HEAD* head, LOG_USER* user);
  virtual void AddGameTotals(const LEAVE_RESULT* leave);
  virtual int BuildPlayingGameLog(const GAME_RESULT* result, int size, int unused, int32_t kind, LOG_HEAD* head,
                                  LOG_USER* users);
  virtual int FillPlayingUserRecords(const GAME_RESULT* result, int unused, LOG_USER* users);
  virtual void MarkAbsentChairs(GAME_RESULT* result);
  virtual int ClipChairLoss(int32_t holding, int32_t* delta);
  virtual int32_t CalcServiceFee(int32_t holding, int32_t* win, int32_t* fee_sum);
  virtual int32_t CalcServiceFeeEx(int32_t amount, int32_t* net, int unused, int32_t* fee);
  virtual int VerifyChairSettlement(int32_t* delta, int32_t* fee);
  virtual int AnyChairHasFlag40() { return AnyStatusOption(0x40); }
  virtual int AnyChairHasFlag2() { return AnyStatusOption(0x2); }
  virtual int AnyChairHasFlag1000() { return AnyStatusOption(0x1000); }
  virtual int CheckChairRecordsHook() { return 1; }
  virtual void RefreshChairRecords();
  virtual int IsLossReliefEnabled() { return 0; }
  virtual int ApplyLossRelief(GAME_RESULT* result, int size, int32_t* score_changes);
  virtual int32_t CalcLossRelief(int32_t amount);
  virtual void GetLossReliefTable(int32_t* chance, int32_t* weights, int32_t* percents, int capacity);
  virtual int GetLossReliefs(int32_t* user_ids, int32_t* reliefs);
  virtual int GetKickTime();
  virtual void MakePeerRecords(int viewer, SOLO_TABLE* record);
  virtual void MakePeerRecord(int viewer, PEER_ENTRY* entry);
  virtual void MakeKnownPeerRecord(int viewer, PEER_ENTRY* entry);
  virtual void StorePeerData(int viewer, const SOLO_TABLE* record);
  virtual void StorePeerNames(const SOLO_TABLE* record);
  virtual std::string GetDefaultPlayerName(int chair);
  virtual std::string GetServerIniPath();

  // Non-virtual access for the table host and for tests.
  int ChairCount() const { return chairs_; }
  uint32_t RuleFlags() const { return ruleFlags_; }
  uint32_t State() const { return state_; }
  int Banker() const { return banker_; }
  void SetBanker(int chair) { banker_ = chair; }
  int GameCounter() const { return gameCounter_; }
  int32_t RoundBase() const { return roundBase_; }
  int32_t Stake() const { return stake_; }
  const GameSettings& Settings() const { return settings_; }
  GameSettings& MutableSettings() { return settings_; }
  TablePlayer* ChairPlayer(int chair) const;
  int Side(int chair) const;
  void SetSide(int chair, int side);
  uint32_t ChairStatus(int chair) const;
  void SetChairStatus(int chair, uint32_t status);
  // The three flag words of a chair: options at start, settle options, status options.
  void SetChairOptions(int chair, uint32_t start_options, uint32_t settle_options, uint32_t status_options);
  int32_t ThinkTime(int chair) const;
  int32_t ChairCounter(int chair) const;
  uint32_t TurnLimit() const { return turnLimit_; }
  const CHAIR_RECORD& ChairRecord(int chair) const { return chairRecords_[ClampChair(chair)]; }
  int32_t Relief(int chair) const;
  const char* GameIdText() const { return gameId_; }
  bool StartAllFlag2() const { return startAll2_; }
  bool SettleFlag() const { return startAll4_; }
  // The pending game result the host confirms later through ApplyConfirmedLog.
  void StorePendingResult(const GAME_RESULT& result, int size);
  const GAME_RESULT* PendingResult() const { return pending_.get(); }
  // The host's marks (AllOthersMarked) and its round flag word (log flag 0x200).
  void SetMark(int chair, int32_t mark);
  void SetMarkRow(int chair, int other, int32_t mark);
  void SetRoundFlag(int32_t flag) { roundFlag_ = flag; }
  void SetLeaveStamp(int chair, uint32_t tick);
  void SetRecentLeaveWatch(int32_t on) { recentLeaveWatch_ = on; }
  const std::vector<uint8_t>& PeerData() const { return peerData_; }
  const std::vector<uint8_t>& PeerNames() const { return peerNames_; }

 protected:
  bool ValidChair(int chair) const { return chair >= 0 && chair < chairs_; }
  static int ClampChair(int chair) { return chair < 0 ? 0 : (chair >= kMaxChairs ? kMaxChairs - 1 : chair); }
  int AnySettle(uint32_t bit) const;
  int AnyStatusOption(uint32_t bit) const;
  // The chair's holding as the settlement sees it (the chair record's when flag 0x1000 is in play).
  int32_t ChairHolding(int chair);
  bool ChairTakesPart(int chair);
  bool IsPlaying(int chair) const;
  void StampState();
  // Books the thinking time of the chair whose turn ends and starts the turn clock for `chair`
  // (-1: nobody's turn); false, and nothing changed, for a chair that does not exist.
  bool PassTurnTo(int chair);
  // The first chair before from_chair that is (same_side) or is not on `side`; -1 when none is.
  int WalkToSide(int from_chair, int side, bool same_side);

  int32_t p1_;
  int32_t tableInfo_[61] = {};
  platform::CriticalSection playersLock_;  // guards the player map
  std::unordered_map<int32_t, std::unique_ptr<TablePlayer>> players_;
  std::unordered_map<int32_t, TablePlayer*> lookers_[kMaxChairs];
  int32_t p2_;
  int32_t scale_;
  int chairs_;
  uint32_t ruleFlags_;
  int32_t p6_;
  TablePlayer* chairPlayers_[kMaxChairs] = {};
  uint32_t startOptions_[kMaxChairs] = {};
  uint32_t settleOptions_[kMaxChairs] = {};
  uint32_t statusOptions_[kMaxChairs] = {};
  bool startAll2_ = false;
  bool startAll4_ = false;
  bool startAll4000_ = false;
  GameSettings settings_;
  int32_t reliefs_[kMaxChairs] = {};
  int32_t sides_[kMaxChairs];
  int sideCount_ = 0;
  uint32_t state_ = 0;
  uint32_t stateStamp_ = 0;
  int currentChair_ = -1;
  uint32_t turnStart_ = 0;
  uint32_t accountingTick_ = 0;
  uint32_t gameStart_ = 0;
  int32_t thinkTime_[kMaxChairs] = {};
  uint32_t chairTurnStart_[kMaxChairs] = {};
  int32_t marks_[kMaxChairs] = {};
  int32_t counters_[kMaxChairs] = {};
  uint32_t chairStatus_[kMaxChairs] = {};
  int32_t markRows_[kMaxChairs][kMaxChairs] = {};
  int banker_ = 0;
  int gameCounter_ = 0;
  int32_t roundBase_ = 0;
  int32_t stake_ = 0;
  int32_t resultFlags_ = 0;
  uint32_t turnLimit_ = 0;
  uint32_t roundStamp_ = 0;
  uint32_t waitStart_ = 0;
  int waitSeconds_ = 0;
  int32_t roundFlag_ = 0;
  CHAIR_RECORD chairRecords_[kMaxChairs];
  std::unique_ptr<GAME_RESULT> pending_;
  int pendingSize_ = 0;
  int pendingChair_ = -1;
  int32_t pendingWord_ = 0;
  std::vector<uint8_t> peerData_;
  std::vector<uint8_t> peerNames_;
  int firstGame_ = 0;
  char gameId_[32] = {};
  uint32_t leaveStamps_[kMaxChairs] = {};
  int32_t recentLeaveWatch_ = 0;
};

}  // namespace table
