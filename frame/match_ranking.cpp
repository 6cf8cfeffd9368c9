#include "frame/match_ranking.h"

#include <cstring>
#include <vector>

#include "engine/core/engine_log.h"
#include "shell/game_app_base.h"

namespace frame {

bool StoreMatchRanking(shell::MatchData& data, int32_t row_count, const uint8_t* body, size_t size) {
  if (row_count < 0 || row_count > kMaxRankRows) {
    engine::WriteGameLog("match ranking refused: %d rows", row_count);
    return false;
  }
  const size_t expected = static_cast<size_t>(row_count) * sizeof(MatchRankRecord);
  if (size != expected || (size > 0 && body == nullptr)) {
    engine::WriteGameLog("match ranking refused: %d rows need %zu bytes, the body holds %zu", row_count, expected,
                         body != nullptr ? size : 0);
    return false;
  }
  std::vector<std::array<uint8_t, 64>> records(static_cast<size_t>(row_count));
  for (size_t i = 0; i < records.size(); ++i) std::memcpy(records[i].data(), body + i * 64, 64);
  data.ranking_records = std::move(records);
  data.row_count = row_count;
  return true;
}

}  // namespace frame
