#include "shell/game_handler.h"

namespace shell {

bool IGameHandler::IsChairReady(int chair) {
  return chair >= 0 && chair < kMaxChairs && (chair_flags_[chair] & kChairReady) != 0;
}

void IGameHandler::SetChairFlags(int chair, uint32_t flags) {
  if (chair >= 0 && chair < kMaxChairs) chair_flags_[chair] = flags;
}

void IGameHandler::ClearState() {
  state_flags_ = 0;
  for (uint32_t& f : chair_flags_) f = 0;
  active_chair_ = -1;
  game_number_ = 0;
  base_score_ = 0;
  base_silver_ = 0;
  round_number_ = 0;
}

}  // namespace shell
