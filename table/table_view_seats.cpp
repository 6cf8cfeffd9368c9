// The table view's seats: chairs to view positions and back, and the turn order. Every call
// reads the application's chair count and own chair at that moment.
#include "table/main_game_rect.h"
#include "table/player_board.h"
#include "table/table_view.h"

namespace table {
namespace {

// The own chair as the seats count from: a chair outside the table (none yet) counts as 0, so
// that every chair still has a position.
int32_t SeatOrigin(int32_t n) {
  const int32_t own = AppOwnChair();
  return own >= 0 && own < n ? own : 0;
}

}  // namespace

int32_t CTableView::ChairToPosition(int32_t chair) {
  const int32_t n = AppChairCount();
  if (n < 1) return -1;
  int32_t c = SeatOrigin(n);
  for (int32_t p = 0; p < n; ++p) {
    if (c == chair) return p;
    c = (c + 1) % n;
  }
  return -1;
}

int32_t CTableView::PositionToChair(int32_t position) {
  const int32_t n = AppChairCount();
  if (n < 1) return -1;
  int32_t c = SeatOrigin(n);
  for (int32_t p = 0; p < n; ++p) {
    if (p == position) return c;
    c = (c + 1) % n;
  }
  return -1;
}

int32_t CTableView::NextChair(int32_t chair) {
  const int32_t n = AppChairCount();
  if (n < 1 || chair < 0 || chair >= n) return -1;
  return (chair + 1) % n;
}

int32_t CTableView::PrevChair(int32_t chair) {
  const int32_t n = AppChairCount();
  if (n < 1 || chair < 0 || chair >= n) return -1;
  return (chair - 1 + n) % n;
}

int32_t CTableView::NextPosition(int32_t position) { return ChairToPosition(NextChair(PositionToChair(position))); }

int32_t CTableView::PrevPosition(int32_t position) { return ChairToPosition(PrevChair(PositionToChair(position))); }

int CTableView::IsPartnerChair(int32_t chair) {
  const int32_t n = AppChairCount();
  if (n < 1 || chair < 0 || chair >= n) return 0;
  return chair == PrevChair(PrevChair(SeatOrigin(n))) ? 1 : 0;
}

CPlayerBoard* CTableView::BoardAt(int32_t position) const {
  if (position < 0 || position >= kMaxBoards) return nullptr;
  return boards_[position];
}

CPlayerBoard* CTableView::BoardOfChair(int32_t chair) { return BoardAt(ChairToPosition(chair)); }

}  // namespace table
