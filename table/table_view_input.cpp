// The table view's message router and the own hand's mouse handling: a press on a card starts
// a sweep, moves with the button held mark every card between, the release raises or lowers
// the marked cards; the pointer resting on a card gives it the hover look.
#include <algorithm>
#include <vector>

#include "engine/core/input_module.h"
#include "engine/core/sprite_object.h"
#include "shell/game_app_base.h"
#include "table/card_view.h"
#include "table/main_game_rect.h"
#include "table/table_messages.h"
#include "table/table_view.h"

namespace table {

int CTableView::OnMessage(const engine::ObjectMessage* message) {
  if (message == nullptr) return 1;
  const uint32_t id = message->id;
  if (id >= view_msg::kFirstCardMessage && id <= view_msg::kLastCardMessage) return OnCardMouse(message);
  if (id >= view_msg::kFirstButtonMessage && id <= view_msg::kLastButtonMessage) {
    OnButton(message);
    return 1;
  }
  // The records of view_msg::kPlayerSeated to kPlayerEvent17 are the application's own, lent for
  // the call.
  const auto* record = reinterpret_cast<const shell::PlayerRecord*>(message->p1);
  switch (id) {
    case view_msg::kTableArranged:
      OnTableArranged();
      return 1;
    case view_msg::kTableRearranged:
      OnTableRearranged();
      return 1;
    case view_msg::kStartButton:
      OnStartStep();
      return 1;
    case view_msg::kLookOnAnswer:
      AnswerLookOnRequest(static_cast<uint32_t>(message->p1), static_cast<int32_t>(message->p2));
      return 1;
    case view_msg::kShowSeatedPlayers:
      ShowSeatedPlayers();
      return 1;
    case view_msg::kRefreshBoards:
      RefreshBoards();
      return 1;
    case view_msg::kRefreshBoardsAlt:
      RefreshBoardsAlt();
      return 1;
    case view_msg::kPlayerSeated:
      OnPlayerSeated(record);
      return 1;
    case view_msg::kPlayerEvent15:
      OnPlayerEvent15(record);
      return 1;
    case view_msg::kPlayerLeft:
      OnPlayerLeft(record);
      return 1;
    case view_msg::kPlayerEvent17:
      OnPlayerEvent17(record);
      return 1;
    case view_msg::kRefreshPlayerBoards:
      RefreshPlayerBoards();
      return 1;
    case view_msg::kRefreshSeatedBoards:
      RefreshSeatedBoards();
      return 1;
    case view_msg::kShowBoardScores:
      ShowBoardScores();
      return 1;
    case view_msg::kRefreshOwnBoard:
      RefreshOwnBoard();
      return 1;
    case view_msg::kRefreshOwnBoardScore:
      RefreshOwnBoardScore();
      return 1;
    case view_msg::kStopClock:
      StopClock();
      return 1;
    case view_msg::kNothing76:
      return 1;
    case view_msg::kApplySoundSetting:
      ApplySoundSetting();
      return 1;
    case view_msg::kRequestContinue:
      RequestContinue();
      return 1;
    case view_msg::kSendReady:
      SendReadyRequest(static_cast<int32_t>(message->p1));
      return 1;
    case view_msg::kDealStep2:
      DealStep2();
      return 1;
    case view_msg::kClockTick:
      OnClockTick();
      return 1;
    case view_msg::kClearAfterGame:
      ClearAfterGame();
      return 1;
    case view_msg::kGlobalMouse: {
      const auto* snapshot = reinterpret_cast<const engine::InputSnapshot*>(message->p2);
      if (auto_play_ == 0 || snapshot == nullptr || snapshot->hovered != 0) return 1;
      const platform::RECT r = MainGameRect(this);
      if (snapshot->x >= r.left && snapshot->x < r.right && snapshot->y >= r.top && snapshot->y < r.bottom) {
        ToggleAutoPlay();
      }
      return 1;
    }
    case view_msg::kAutoPass:
      auto_pass_action_ = 0;
      OnAutoPassMessage();
      return 1;
    default:
      return CGameView::OnMessage(message);
  }
}

CCardView* CTableView::OwnCardAtX(int32_t x, int32_t* largest_index) {
  std::vector<CCardView*> hand(kMaxCardViews);
  hand.resize(static_cast<size_t>(OwnHand(hand.data(), kMaxCardViews)));
  CCardView* under = nullptr;
  double depth = -1000;
  for (CCardView* card : hand) {
    *largest_index = std::max(*largest_index, card->index);
    engine::SpriteObject* sprite = card->GetSprite();
    if (sprite == nullptr || sprite->GetLeft() > x || x >= sprite->GetRight()) continue;
    if (sprite->GetDepth() > depth) {
      depth = sprite->GetDepth();
      under = card;
    }
  }
  return under;
}

int CTableView::OnCardMouse(const engine::ObjectMessage* message) {
  const uint32_t id = message->id;
  // p1 names one of this view's cards, or nothing.
  CCardView* card = nullptr;
  for (int32_t i = 0; i < card_view_count_ && message->p1 != 0; ++i) {
    if (reinterpret_cast<uintptr_t>(card_views_[i]) == message->p1) card = card_views_[i];
  }
  const auto* snapshot = reinterpret_cast<const engine::InputSnapshot*>(message->p2);
  const int32_t own = AppOwnChair();
  const bool own_card = card != nullptr && card->place == card_place::kHand && card->chair == own && !Watching();
  switch (id) {
    case view_msg::kCardLeftDown: {
      if (!own_card) return 0;
      // A new sweep: whatever an unfinished one marked is forgotten.
      std::vector<CCardView*> hand(kMaxCardViews);
      hand.resize(static_cast<size_t>(OwnHand(hand.data(), kMaxCardViews)));
      for (CCardView* other : hand) {
        if (other->swept != 0 && other != card) {
          other->swept = 0;
          other->Refresh();
        }
      }
      if (card->position == 0) {
        drag_anchor_ = card->index;
        card->swept = 1;
        card->Refresh();
      } else {
        drag_anchor_ = -1;
      }
      return 1;
    }
    case view_msg::kCardLeftUp:
      if (!own_card) return 0;
      ApplyDragSelection();
      // The next sweep starts where its press is.
      drag_anchor_ = -1;
      return 1;
    case view_msg::kCardRightDown:
      PlaySelected();
      return 1;
    case view_msg::kCardMove: {
      if (!own_card || card->position != 0) return 0;
      const int32_t x = snapshot != nullptr ? snapshot->x : 0;
      int32_t largest = 0;
      CCardView* under = OwnCardAtX(x, &largest);
      if (drag_anchor_ == -1) {
        drag_anchor_ = card->index;
        return 1;
      }
      const int32_t reached = under != nullptr ? under->index : x > card->target.x ? largest : 0;
      const int32_t low = std::min(drag_anchor_, reached);
      const int32_t high = std::max(drag_anchor_, reached);
      std::vector<CCardView*> hand(kMaxCardViews);
      hand.resize(static_cast<size_t>(OwnHand(hand.data(), kMaxCardViews)));
      for (CCardView* other : hand) {
        const int32_t inside = other->index >= low && other->index <= high ? 1 : 0;
        if (other->swept == inside) continue;
        other->swept = inside;
        other->Refresh();
      }
      return 1;
    }
    case view_msg::kGlobalRightDown:
      if (snapshot == nullptr || snapshot->hovered == 0) {
        ClearSelection();
        UpdateThrowButton();
      }
      return 1;
    case view_msg::kCardEnter: {
      if (card == nullptr || card->place != card_place::kHand || card->position != 0) return 0;
      SetCursorHandle(hand_cursor_);
      if (!own_card || card->hover == 1) return 0;
      std::vector<CCardView*> hand(kMaxCardViews);
      hand.resize(static_cast<size_t>(OwnHand(hand.data(), kMaxCardViews)));
      for (CCardView* other : hand) {
        if (other != card && other->hover == 1) {
          other->hover = 0;
          other->Refresh();
        }
      }
      if (GetElapsedMs() - card->raise_time > kHoverDelayMs) card->hover = 1;
      card->Refresh();
      return 1;
    }
    case view_msg::kCardLeave:
      if (card == nullptr) return 1;
      SetCursorHandle(arrow_cursor_);
      card->hover = 0;
      card->Refresh();
      return 1;
    default:
      return 1;
  }
}

}  // namespace table
