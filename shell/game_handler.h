// The table-state holder: what the framework reads of the current table and game, and the
// force-exit bookkeeping of the exit rules. The application owns one; the game supplies its
// own subclass over its own state record, and this base keeps a plain record of its own.
#pragma once

#include <cstdint>

#include "shell/player_record.h"

namespace shell {

class IGameHandler {
 public:
  static constexpr uint32_t kStateInProgress = 0x1;
  static constexpr uint32_t kChairReady = 0x2;

  virtual ~IGameHandler() = default;

  // Game in progress: bit 0x1 of the state flags.
  virtual bool IsGameInProgress() { return (GetStateFlags() & kStateInProgress) != 0; }
  virtual uint32_t GetStateFlags() { return state_flags_; }
  virtual void SetStateFlags(uint32_t flags) { state_flags_ = flags; }
  // The chair's ready flag (0x2 of its flags); false for a chair outside 0..7.
  virtual bool IsChairReady(int chair);
  virtual void SetChairFlags(int chair, uint32_t flags);
  // The chair to act.
  virtual int32_t GetActiveChair() { return active_chair_; }
  virtual void SetActiveChair(int32_t chair) { active_chair_ = chair; }
  virtual int32_t GetGameNumber() { return game_number_; }
  virtual int32_t GetBaseScore() { return base_score_; }
  virtual int32_t GetBaseSilver() { return base_silver_; }
  virtual int32_t GetRoundNumber() { return round_number_; }
  // Clears the state record (the force-exit bookkeeping stays).
  virtual void ClearState();

  // Force-exit requests sent from this table, and the tick of the last one (0: none yet).
  int32_t GetForceExitCount() const { return force_exit_count_; }
  void SetForceExitCount(int32_t count) { force_exit_count_ = count; }
  uint32_t GetForceExitTick() const { return force_exit_tick_; }
  void SetForceExitTick(uint32_t tick) { force_exit_tick_ = tick; }

  // Setters of the base's record, for the application and tests.
  void SetGameNumber(int32_t n) { game_number_ = n; }
  void SetBaseScore(int32_t v) { base_score_ = v; }
  void SetBaseSilver(int32_t v) { base_silver_ = v; }
  void SetRoundNumber(int32_t n) { round_number_ = n; }

 private:
  uint32_t state_flags_ = 0;
  uint32_t chair_flags_[kMaxChairs] = {};
  int32_t active_chair_ = -1;
  int32_t game_number_ = 0;
  int32_t base_score_ = 0;
  int32_t base_silver_ = 0;
  int32_t round_number_ = 0;
  int32_t force_exit_count_ = 0;
  uint32_t force_exit_tick_ = 0;
};

}  // namespace shell
