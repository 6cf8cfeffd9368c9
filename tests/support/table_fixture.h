// A table with players seated, for the table logic and settlement tests.
#pragma once

#include <memory>

#include "table/table_logic.h"

namespace table_fixture {

inline std::unique_ptr<table::TablePlayer> Player(int32_t user, int chair, int32_t score = 100,
                                                  int32_t holding = 1000) {
  auto p = std::make_unique<table::TablePlayer>();
  p->user_id = user;
  p->chair = chair;
  p->score = score;
  p->holding = holding;
  return p;
}

// Settings that let every start through unless a test narrows them.
inline table::StartParams OpenParams() {
  table::StartParams p;
  p.base_stake = 100;
  p.min_score = -(1 << 30);
  p.max_score = 1 << 30;
  p.max_player_games = 1 << 30;
  p.max_table_games = 1 << 30;
  p.timeout_ms = 60000;
  return p;
}

// Seats one player per chair (users 101, 102, ...) with the given holdings.
inline void SeatAll(table::CTableLogic& t, const int32_t* holdings = nullptr,
                    uint32_t settle = table::kSettleHoldings) {
  for (int c = 0; c < t.ChairCount(); ++c) {
    t.AddPlayer(Player(101 + c, c, 100, holdings != nullptr ? holdings[c] : 1000));
    t.SetChairOptions(c, 0, settle, 0);
  }
}

}  // namespace table_fixture
