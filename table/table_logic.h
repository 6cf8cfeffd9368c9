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

// Chair status bits (ChairStatus). The table host sets those that no operation here sets.
inline constexpr uint32_t kChairListed = 0x1;       // every chair needs it for FillPlayerSummary
inline constexpr uint32_t kChairReady = 0x2;        // SetReady; cleared when a player sits down
inline constexpr uint32_t kChairTimedOut = 0x8;     // gone, and its turn counts as timed out
inline constexpr uint32_t kChairRulesState = 0x10;  // a state only the game's rules interpret (HasChairStatus10)
inline constexpr uint32_t kChairLeft = 0x20;        // gone
inline constexpr uint32_t kChairGone = kChairTimedOut | kChairLeft;

// Status-option bits (a chair's third flag word).
inline constexpr uint32_t kOptionNoLevelTitles = 0x1;  // results get no level titles (AnyChairHasFlag1)
inline constexpr uint32_t kOptionAllPlay = 0x2;  // every chair taken and every player plays, even with kOptionSitOut
inline constexpr uint32_t kOptionFlag40 = 0x40;  // the host's and the game rules' (AnyChairHasFlag40)
// Players who are not ready sit the game out, and the settlement takes the chair records.
inline constexpr uint32_t kOptionSitOut = 0x1000;

// Settle-option bits (a chair's second flag word). With kSettleHoldings on every chair taking part
// (the settle flag) holdings are settled. The flags named after their values mean something to the
// table host and the game's rules only: this class reports them, by the queries of the same names
// and by the start results.
inline constexpr uint32_t kSettleFlag2 = 0x2;
inline constexpr uint32_t kSettleHoldings = 0x4;
inline constexpr uint32_t kSettleFlag200 = 0x200;
inline constexpr uint32_t kSettleFlag400 = 0x400;
inline constexpr uint32_t kSettleFlag4000 = 0x4000;
inline constexpr uint32_t kSettleFlag80000 = 0x80000;
inline constexpr uint32_t kSettleAlways = 0x100000;  // as kRuleSettleAlways, for one chair
// The settle options whose presence on every chair StartGame records.
inline constexpr uint32_t kStartSettleBits = kSettleFlag2 | kSettleHoldings | kSettleFlag4000;

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
  int32_t base_stake = 0;          // p2
  int32_t min_holding = 0;         // p3
  int32_t fee_rate = 0;            // p4, per 100 of a win
  int32_t loss_cap = 0;            // p5, 0 = none
  int32_t loss_share_percent = 0;  // p6
  int32_t large_win = 0;           // p7
  int32_t fee_mode = 0;            // p8
  int32_t fee_cap = 0;             // p9
  int32_t max_stake = 0;           // p10
  int32_t timeout_ms = 0;          // p11
  int32_t round_base = 0;          // p12
  int32_t min_score = 0;           // p13
  int32_t max_score = 0;           // p14
  int32_t max_player_games = 0;    // p15
  int32_t max_table_games = 0;     // p16
  int32_t min_ready = 0;           // p17
  int32_t fee_rate_10000 = 0;      // p18
  int32_t fee_threshold = 0;       // p19
};

// The settings as StartGame stored them.
struct GameSettings {
  int32_t base_stake = 0;
  int32_t min_holding = 0;
  int32_t fee_rate = 0;
  int32_t loss_cap = 0;
  int32_t loss_share_percent = 0;
  int32_t large_win = 0;
  int32_t fee_mode = 0;
  int32_t fee_cap = 0;
  int32_t max_stake = 0;
  int32_t timeout_ms = 0;
  int32_t min_score = 0;
  int32_t max_score = 0;
  int32_t fee_rate_10000 = 0;
  int32_t fee_threshold = 0;
};

// One line of the player summary: 52 bytes.
struct PLAYER_SUMMARY {
  int32_t user_id = 0;
  int32_t chair = 0;
  int32_t score = 0;
  int32_t holding = 0;
  int32_t level = 0;
  char title[32] = {};
};
static_assert(sizeof(PLAYER_SUMMARY) == 52);

struct PLAYER_SUMMARY_LIST {
  int32_t chair_count = 0;
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
  virtual int IsFirstGame() { return first_game_; }
  virtual int GetCurrentChair() { return current_chair_; }
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
  virtual int32_t GetTableInfoKey() { return table_info_[1]; }
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
  virtual int AnyChairHasSettleFlag400() { return AnySettle(kSettleFlag400); }
  virtual int AnyChairHasSettleFlag80000() { return AnySettle(kSettleFlag80000); }
  virtual int AnyChairHasSettleFlag200() { return AnySettle(kSettleFlag200); }
  virtual int HasStateFlag2() { return (state_ & kStateSetUp) != 0; }
  virtual int IsIdleTooLong();
  virtual int AnyChairHasFlag1() { return AnyStatusOption(kOptionNoLevelTitles); }
  virtual int HasPlayers() { return GetPlayerCount() > 0; }
  virtual int IsTimeOut();
  virtual int IsStalled();
  virtual int IsChairGone(int chair);
  virtual int HasChairStatus10(int chair);
  virtual int IsChairTimedOut(int chair);
  virtual int IncChairCounter(int chair);
  virtual int AnyChairHasOption1() { return AnyStatusOption(kOptionNoLevelTitles); }
  virtual int IsBeforeFirstGame() { return game_counter_ == 0; }
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
  virtual int GetWaitSeconds() { return wait_seconds_; }
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
  virtual int AnyChairHasFlag40() { return AnyStatusOption(kOptionFlag40); }
  virtual int AnyChairHasFlag2() { return AnyStatusOption(kOptionAllPlay); }
  virtual int AnyChairHasFlag1000() { return AnyStatusOption(kOptionSitOut); }
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
  uint32_t RuleFlags() const { return rule_flags_; }
  uint32_t State() const { return state_; }
  int Banker() const { return banker_; }
  void SetBanker(int chair) { banker_ = chair; }
  int GameCounter() const { return game_counter_; }
  int32_t RoundBase() const { return round_base_; }
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
  uint32_t TurnLimit() const { return turn_limit_; }
  const CHAIR_RECORD& ChairRecord(int chair) const { return chair_records_[ClampChair(chair)]; }
  int32_t Relief(int chair) const;
  const char* GameIdText() const { return game_id_; }
  bool StartAllFlag2() const { return (start_settle_bits_ & kSettleFlag2) != 0; }
  bool SettleFlag() const { return (start_settle_bits_ & kSettleHoldings) != 0; }
  // The kStartSettleBits that every chair taking part in the game carried at its start.
  uint32_t StartSettleBits() const { return start_settle_bits_; }
  // The pending game result the host confirms later through ApplyConfirmedLog.
  void StorePendingResult(const GAME_RESULT& result, int size);
  const GAME_RESULT* PendingResult() const { return pending_.get(); }
  // The host's marks (AllOthersMarked) and its round flag word (kLogRoundFlag).
  void SetMark(int chair, int32_t mark);
  void SetMarkRow(int chair, int other, int32_t mark);
  void SetRoundFlag(int32_t flag) { round_flag_ = flag; }
  void SetLeaveStamp(int chair, uint32_t tick);
  void SetRecentLeaveWatch(int32_t on) { recent_leave_watch_ = on; }
  const std::vector<uint8_t>& PeerData() const { return peer_data_; }
  const std::vector<uint8_t>& PeerNames() const { return peer_names_; }

 protected:
  bool ValidChair(int chair) const { return chair >= 0 && chair < chairs_; }
  static int ClampChair(int chair) { return chair < 0 ? 0 : (chair >= kMaxChairs ? kMaxChairs - 1 : chair); }
  int AnySettle(uint32_t bit) const;
  int AnyStatusOption(uint32_t bit) const;
  // The chair's holding as the settlement sees it (the chair record's when kOptionSitOut is in play).
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
  int32_t table_info_[61] = {};
  platform::CriticalSection players_lock_;  // guards the player map
  std::unordered_map<int32_t, std::unique_ptr<TablePlayer>> players_;
  std::unordered_map<int32_t, TablePlayer*> lookers_[kMaxChairs];
  int32_t p2_;
  int32_t scale_;
  int chairs_;
  uint32_t rule_flags_;
  int32_t p6_;
  TablePlayer* chair_players_[kMaxChairs] = {};
  uint32_t start_options_[kMaxChairs] = {};
  uint32_t settle_options_[kMaxChairs] = {};
  uint32_t status_options_[kMaxChairs] = {};
  uint32_t start_settle_bits_ = 0;
  GameSettings settings_;
  int32_t reliefs_[kMaxChairs] = {};
  int32_t sides_[kMaxChairs];
  int side_count_ = 0;
  uint32_t state_ = 0;
  uint32_t state_stamp_ = 0;
  int current_chair_ = -1;
  uint32_t turn_start_ = 0;
  uint32_t accounting_tick_ = 0;
  uint32_t game_start_ = 0;
  int32_t think_time_[kMaxChairs] = {};
  uint32_t chair_turn_start_[kMaxChairs] = {};
  int32_t marks_[kMaxChairs] = {};
  int32_t counters_[kMaxChairs] = {};
  uint32_t chair_status_[kMaxChairs] = {};
  int32_t mark_rows_[kMaxChairs][kMaxChairs] = {};
  int banker_ = 0;
  int game_counter_ = 0;
  int32_t round_base_ = 0;
  int32_t stake_ = 0;
  int32_t result_flags_ = 0;
  uint32_t turn_limit_ = 0;
  uint32_t round_stamp_ = 0;
  uint32_t wait_start_ = 0;
  int wait_seconds_ = 0;
  int32_t round_flag_ = 0;
  CHAIR_RECORD chair_records_[kMaxChairs];
  std::unique_ptr<GAME_RESULT> pending_;
  int pending_size_ = 0;
  int pending_chair_ = -1;
  int32_t pending_word_ = 0;
  std::vector<uint8_t> peer_data_;
  std::vector<uint8_t> peer_names_;
  int first_game_ = 0;
  char game_id_[32] = {};
  uint32_t leave_stamps_[kMaxChairs] = {};
  int32_t recent_leave_watch_ = 0;
};

}  // namespace table
