// The table view's hands: rows by chair, the own hand's sort modes, selection by ids, by group
// size and after a mouse sweep, and the queries the play flow reads hands with.
#include <algorithm>
#include <vector>

#include "engine/ui/number_display.h"
#include "shell/game_app_base.h"
#include "table/card_attributes.h"
#include "table/card_view.h"
#include "table/main_game_rect.h"
#include "table/player_board.h"
#include "table/table_view.h"

namespace table {
namespace {

int32_t Level() {
  shell::CGameAppBase* app = shell::GetApp();
  return app != nullptr ? app->GetLevelValue() : 0;
}

// Cards ordered by falling place in their row (the row's last card first), keeping the order
// of the card sprites between equal places.
void ByFallingIndex(std::vector<CCardView*>* cards) {
  std::stable_sort(cards->begin(), cards->end(),
                   [](const CCardView* a, const CCardView* b) { return a->index > b->index; });
}

// Writes the cards' ids into a list of kCardList ids padded with -1; the count written.
int32_t WriteIds(const std::vector<CCardView*>& cards, int32_t* out) {
  if (out == nullptr) return 0;
  int32_t n = 0;
  for (CCardView* card : cards) {
    if (n >= CTableView::kCardList) break;
    out[n++] = card->card_id;
  }
  std::fill(out + n, out + CTableView::kCardList, -1);
  return n;
}

}  // namespace

int32_t CTableView::OwnHand(CCardView** out, int32_t capacity) {
  const int32_t own = AppOwnChair();
  int32_t n = 0;
  for (int32_t i = 0; i < card_view_count_ && n < capacity; ++i) {
    CCardView* card = card_views_[i];
    if (card != nullptr && card->chair == own && card->place == card_place::kHand) out[n++] = card;
  }
  return n;
}

namespace {

std::vector<CCardView*> Hand(CTableView* view) {
  std::vector<CCardView*> cards(CTableView::kMaxCardViews);
  cards.resize(static_cast<size_t>(view->OwnHand(cards.data(), CTableView::kMaxCardViews)));
  return cards;
}

// How many cards of the hand share the value (any value: the game's run past 15).
int32_t ValueCount(const std::vector<CCardView*>& hand, int32_t value) {
  int32_t n = 0;
  for (const CCardView* card : hand) {
    if (card->card_id >= 0 && GetCardValue(card->card_id, 0) == value) ++n;
  }
  return n;
}

}  // namespace

void CTableView::LayoutChairCards(int32_t chair) {
  std::vector<CCardView*> row;
  for (int32_t i = 0; i < card_view_count_; ++i) {
    CCardView* card = card_views_[i];
    if (card != nullptr && card->chair == chair && card->place == card_place::kHand) row.push_back(card);
  }
  const auto n = static_cast<int32_t>(row.size());
  if (ChairToPosition(chair) == 0) {
    for (CCardView* card : row) {
      card->group_count = n;
      card->Refresh();
    }
  } else {
    for (int32_t k = 0; k < n; ++k) {
      row[static_cast<size_t>(k)]->index = k;
      row[static_cast<size_t>(k)]->group_count = n;
    }
    SortChairCards(chair);
  }
  ShowCardCount(chair, n);
}

void CTableView::SortChairCards(int32_t chair) {
  std::vector<CCardView*> row;
  for (int32_t i = 0; i < card_view_count_; ++i) {
    CCardView* card = card_views_[i];
    if (card != nullptr && card->chair == chair && card->place == card_place::kHand) row.push_back(card);
  }
  const int32_t level = Level();
  auto key = [level](const CCardView* c) { return c->card_id >= 0 ? GetCardOrder(c->card_id, level, 0) : 0; };
  std::stable_sort(row.begin(), row.end(), [&](const CCardView* a, const CCardView* b) { return key(a) < key(b); });
  for (size_t k = 0; k < row.size(); ++k) {
    row[k]->index = static_cast<int32_t>(k);
    row[k]->Refresh();
  }
}

void CTableView::ShowCardCount(int32_t chair, int32_t count) {
  const int32_t position = ChairToPosition(chair);
  CPlayerBoard* board = BoardAt(position);
  if (position == 0 || board == nullptr) return;
  board->SetRemainingCards(count);
  const int32_t chairs = AppChairCount();
  const bool beside = position == 2 && chairs == 4;  // the seat across: the count stands right of the row
  const int32_t anchor_index = position == 1 || beside ? 0 : count - 1;
  CCardView* anchor = FindChairCardByIndex(chair, anchor_index);
  engine::NumberDisplay* display = board->GetCountDisplay();
  if (anchor == nullptr || display == nullptr) return;
  const double half_anchor = anchor->GetWidth() / 2;
  if (beside) {
    const int32_t half_count = static_cast<int32_t>(display->GetWidth()) / 2;
    board->MoveRemainingCards(static_cast<int32_t>(anchor->target.x + half_anchor + half_count + 5), anchor->target.y);
  } else {
    const int32_t half_count = static_cast<int32_t>(display->GetHeight()) / 2;
    board->MoveRemainingCards(anchor->target.x, static_cast<int32_t>(anchor->target.y + half_anchor + half_count + 5));
  }
}

void CTableView::SortHand(int32_t mode) {
  std::vector<CCardView*> hand = Hand(this);
  if (hand.empty()) return;
  int32_t least_x = 10000;
  int32_t y = 0;
  for (const CCardView* card : hand) {
    if (card->target.x < least_x) {
      least_x = card->target.x;
      y = card->target.y;
    }
  }
  const int32_t level = Level();
  auto key = [&](const CCardView* c) -> int64_t {
    const int32_t id = c->card_id;
    switch (mode) {
      case sort_mode::kValueFalling:
      case sort_mode::kValueRising:
        return id < 0 ? 0 : int64_t{GetCardOrder(id, level, 0)} * 10 + GetCardSuit(id, 0);
      case sort_mode::kSuit:
        return id < 0 ? 0 : int64_t{GetCardSuit(id, 0)} * 1000 + GetCardOrder(id, level, 0);
      case sort_mode::kCountRising:
      case sort_mode::kCountFalling:
        return id < 0 ? 0
                      : int64_t{ValueCount(hand, GetCardValue(id, 0))} * 100000 +
                            int64_t{GetCardOrder(id, level, 0)} * 10 + GetCardSuit(id, 0);
      default:
        return c->index;
    }
  };
  const bool falling = mode == sort_mode::kValueFalling || mode == sort_mode::kSuit || mode == sort_mode::kCountFalling;
  std::vector<std::pair<int64_t, CCardView*>> keyed;
  keyed.reserve(hand.size());
  for (CCardView* card : hand) keyed.emplace_back(key(card), card);
  // Equal keys keep the order of the card sprites.
  std::stable_sort(keyed.begin(), keyed.end(),
                   [falling](const auto& a, const auto& b) { return falling ? a.first > b.first : a.first < b.first; });
  for (size_t r = 0; r < keyed.size(); ++r) {
    CCardView* card = keyed[r].second;
    card->index = static_cast<int32_t>(r);
    card->target = platform::POINT{least_x + static_cast<int32_t>(r) * card->GetOwnSpacing(), y};
    card->Refresh();
  }
}

void CTableView::ClearSelection() {
  for (CCardView* card : Hand(this)) {
    if (card->selected != 1) continue;
    card->moving = 0;
    card->selected = 0;
    card->Refresh();
  }
  selected_count_ = 0;
}

void CTableView::SelectCards(const int32_t* ids, int32_t count) {
  if (ids == nullptr) return;
  count = std::clamp(count, 0, kCardList);
  const int32_t own = AppOwnChair();
  for (int32_t i = 0; i < count; ++i) {
    // The own card of that id; an id the hand does not hold takes the hand's first card.
    if (ids[i] < 0) continue;
    if (CCardView* card = FindChairCardById(own, ids[i])) {
      card->selected = 1;
      card->Refresh();
    }
  }
  selected_count_ = CountSelected();
}

void CTableView::SelectGroupsOfCount(int32_t k) {
  const std::vector<CCardView*> hand = Hand(this);
  for (CCardView* card : hand) {
    if (card->card_id >= 0 && ValueCount(hand, GetCardValue(card->card_id, 0)) == k) card->Select();
  }
  selected_count_ = CountSelected();
  UpdateThrowButton();
}

void CTableView::ApplyDragSelection() {
  std::vector<CCardView*> swept;
  int32_t raised = 0;
  for (CCardView* card : Hand(this)) {
    if (card->swept == 0) continue;
    swept.push_back(card);
    if (card->selected != 0) ++raised;
  }
  const auto lowered = static_cast<int32_t>(swept.size()) - raised;
  if (raised > 0 && lowered == 0) {
    for (CCardView* card : swept) card->Unselect();
  } else {
    for (CCardView* card : swept) card->SelectTimed();
    const bool all_selected =
        std::all_of(swept.begin(), swept.end(), [](const CCardView* c) { return c->selected != 0; });
    if (CompleteSelection() == 0 && swept.size() > 1 && all_selected) {
      int32_t ids[kCardList];
      const int32_t n = GetSelectedCards(ids);
      if (n > 4) {
        int32_t best[kCardList];
        int32_t best_count = 0;
        const int32_t on_table = ChairOnTable();
        if (on_table == -1) {
          // The trick is open: the widest sequence the selection holds.
          int32_t best_score = -1;
          for (const uint32_t type : {COMBO_TRIPLE_PAIR_STRAIGHT, COMBO_TRIPLE_PAIR, COMBO_TRIPLE_STRAIGHT,
                                      COMBO_PAIR_STRAIGHT, COMBO_STRAIGHT}) {
            int32_t found[kCardList];
            std::fill(found, found + kCardList, -1);
            CARD_COMBO result;
            if (FindLargestHint(ids, n, found, kCardList, CARD_COMBO(), &result, type, 0) == 0) continue;
            const auto count =
                static_cast<int32_t>(std::count_if(found, found + kCardList, [](int32_t id) { return id >= 0; }));
            const int32_t score = CountDistinctValues(found, count) * 1000 + count;
            if (score > best_score) {
              best_score = score;
              best_count = count;
              std::copy(found, found + kCardList, best);
            }
          }
        } else if (const TableGameState* state = GetGameState(); state != nullptr && state->combo.card_count >= 4) {
          // Following a play of four cards or more: the smallest play above it in the selection.
          std::fill(best, best + kCardList, -1);
          CARD_COMBO result;
          if (FindSmallestHint(ids, n, best, kCardList, state->combo, &result, state->combo.type, 0) != 0) {
            best_count =
                static_cast<int32_t>(std::count_if(best, best + kCardList, [](int32_t id) { return id >= 0; }));
          }
        }
        if (best_count > 0) {
          ClearSelection();
          SelectCards(best, best_count);
        }
      }
    }
  }
  selected_count_ = CountSelected();
  PlaySound("Snd_HitCard", 1, nullptr);
  UpdateThrowButton();
}

void CTableView::SetChairHand(int32_t chair, const int32_t* ids, int32_t count) {
  if (ids == nullptr) return;
  // The caller's list stays as it is.
  int32_t sorted[kCardList];
  const int32_t n = std::clamp(count, 0, kCardList);
  std::copy(ids, ids + n, sorted);
  const int32_t valid = SortCardsByOrder(sorted, n);
  if (valid == 0 || valid != CountChairCards(chair, card_place::kHand)) return;
  int32_t k = 0;
  for (int32_t i = 0; i < card_view_count_ && k < valid; ++i) {
    CCardView* card = card_views_[i];
    if (card == nullptr || card->chair != chair || card->place != card_place::kHand) continue;
    card->card_id = sorted[k];
    card->index = k;
    card->group_count = valid;
    card->face_up = 1;
    card->Refresh();
    ++k;
  }
}

CCardView* CTableView::FindCardById(int32_t id) {
  if (id < 0) return nullptr;
  for (int32_t i = 0; i < card_view_count_; ++i) {
    if (card_views_[i] != nullptr && card_views_[i]->card_id == id) return card_views_[i];
  }
  return nullptr;
}

CCardView* CTableView::FindChairCardById(int32_t chair, int32_t id) {
  CCardView* first = nullptr;
  for (int32_t i = 0; i < card_view_count_; ++i) {
    CCardView* card = card_views_[i];
    if (card == nullptr || card->chair != chair || card->place != card_place::kHand) continue;
    if (card->card_id == id) return card;
    if (first == nullptr) first = card;
  }
  return first;
}

CCardView* CTableView::FindChairCardByIndex(int32_t chair, int32_t index) {
  for (int32_t i = 0; i < card_view_count_; ++i) {
    CCardView* card = card_views_[i];
    if (card != nullptr && card->chair == chair && card->place == card_place::kHand && card->index == index) {
      return card;
    }
  }
  return nullptr;
}

int32_t CTableView::CountChairCards(int32_t chair, int32_t place) {
  int32_t n = 0;
  for (int32_t i = 0; i < card_view_count_; ++i) {
    const CCardView* card = card_views_[i];
    if (card != nullptr && card->place == place && (chair == -1 || card->chair == chair)) ++n;
  }
  return n;
}

int32_t CTableView::GetHandCards(int32_t* out) {
  std::vector<CCardView*> hand = Hand(this);
  ByFallingIndex(&hand);
  return WriteIds(hand, out);
}

int32_t CTableView::GetSelectedCards(int32_t* out) {
  std::vector<CCardView*> hand = Hand(this);
  std::erase_if(hand, [](const CCardView* c) { return c->selected == 0; });
  ByFallingIndex(&hand);
  return WriteIds(hand, out);
}

int32_t CTableView::GetCardsOfCount(int32_t* out, int32_t k) {
  const std::vector<CCardView*> hand = Hand(this);
  std::vector<CCardView*> picked;
  for (CCardView* card : hand) {
    if (card->card_id >= 0 && ValueCount(hand, GetCardValue(card->card_id, 0)) == k) picked.push_back(card);
  }
  ByFallingIndex(&picked);
  return WriteIds(picked, out);
}

int32_t CTableView::CountHandByValue(int32_t* counters, int32_t n) {
  if (counters == nullptr || n <= 0) return 0;
  std::fill(counters, counters + n, 0);
  int32_t counted = 0;
  for (const CCardView* card : Hand(this)) {
    if (card->card_id < 0) continue;
    const int32_t value = GetCardValue(card->card_id, 0);
    // Values without a counter (the game's run past the counters) are not counted.
    if (value <= 0 || value >= n) continue;
    ++counters[value];
    ++counted;
  }
  return counted;
}

int32_t CTableView::CountDistinctValues(const int32_t* ids, int32_t n) {
  if (ids == nullptr) return 0;
  int32_t counts[kValueCounters] = {};
  CountCardsByValue(ids, std::clamp(n, 0, kCardList), counts, kValueCounters, Level());
  return static_cast<int32_t>(std::count_if(counts, counts + kValueCounters, [](int32_t c) { return c > 0; }));
}

int32_t CTableView::SortCardsByOrder(int32_t* ids, int32_t n) {
  if (ids == nullptr || n <= 0) return 0;
  // The valid ids first, wherever they stood.
  int32_t* end = std::stable_partition(ids, ids + n, [](int32_t id) { return id >= 0; });
  const int32_t level = Level();
  std::stable_sort(ids, end, [level](int32_t a, int32_t b) {
    return int64_t{GetCardOrder(a, level, 0)} * 1000 + a > int64_t{GetCardOrder(b, level, 0)} * 1000 + b;
  });
  std::fill(end, ids + n, -1);
  return static_cast<int32_t>(end - ids);
}

int32_t CTableView::CountSelected() {
  int32_t n = 0;
  for (const CCardView* card : Hand(this)) n += card->selected == 1 ? 1 : 0;
  return n;
}

}  // namespace table
