// The table scene of a card game, the game frame's child "MainGame": the player boards, one
// card sprite per card id, the action and sort buttons, the clock and the table background.
//
// Life: the frame names it "MainGame" and adds it to the scene, which builds everything
// (OnAddedToScene); every change of its rectangle lays the table out again (OnRectChanged);
// when the lobby's start data arrive the frame calls OnEnterGame. A game derives its own table
// class from it and overrides a minority of the operations (the creation, layout and card
// pictures, the game state records, the deal and the clock).
//
// Seats: view position 0 is always the own chair; positions rise with the chair number modulo
// the chair count; the turn passes from chair c to PrevChair(c). Every board, card row and
// clock place goes through ChairToPosition first, and every board is read through BoardAt,
// which answers null for a position without a board.
//
// Hands: a chair's row is its cards in place 1 (in hand). The own hand is sorted in six modes
// and selected by click, by a mouse sweep, by ids or by group size.
//
// What it publishes: the engine integer settings 50013-50015 (chat colours) and 50016-50021
// (board and card picture sizes); the number displays "DigitPen" and "DigitPen2".
//
// Notifications reach it through shell::TableNotifyTarget; the play flow's operations (turns,
// plays, passes, the clock, hints, auto-play, banners) are declared here in their places and
// left empty where the framework's play flow fills them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "dialogs/replay_file.h"
#include "platform/cursor.h"
#include "platform/win_types.h"
#include "shell/player_record.h"
#include "shell/table_notify_target.h"
#include "table/card_combo.h"
#include "table/game_view.h"

namespace engine {
class EngineObject;
class ImageButton;
class NumberDisplay;
class SpriteObject;
struct InputSnapshot;
}  // namespace engine

namespace shell {
class CGameAppBase;
}  // namespace shell

namespace table {

class CCardView;
class CPlayerBoard;

// The game's record of the table, as the framework reads it: a game's own record begins so.
struct TableGameState {
  int32_t chair_on_table = -1;  // the chair whose combination lies on the table; -1: the trick is open
  CARD_COMBO combo;             // that combination
  int32_t reserved[2] = {};
  int32_t chair_status[shell::kMaxChairs] = {};  // 0x8 or 0x20: the chair is offline
};
static_assert(offsetof(TableGameState, combo) == 4);
static_assert(offsetof(TableGameState, chair_status) == 71 * 4);

// The game's record of one chair, as the framework reads it.
struct ChairGameState {
  int32_t seconds = 0;  // shown on the clock for the chair
  int32_t reserved[2] = {};
  int32_t round_flag = 0;  // cleared at each deal
};

// Hand sort modes (SortHand).
namespace sort_mode {
inline constexpr int32_t kValueFalling = 1;
inline constexpr int32_t kPlace = 2;  // the current order, gaps closed
inline constexpr int32_t kSuit = 3;
inline constexpr int32_t kValueRising = 4;
inline constexpr int32_t kCountRising = 5;
inline constexpr int32_t kCountFalling = 6;
}  // namespace sort_mode

class CTableView : public CGameView, public shell::TableNotifyTarget {
 public:
  static constexpr int kMaxCardViews = 216;
  static constexpr int kMaxBoards = shell::kMaxChairs;
  // Card lists are this many ids, padded with -1.
  static constexpr int kCardList = 64;
  static constexpr int kValueCounters = 16;
  static constexpr int kSortButtons = 6;
  // A raised card shows its hover look only this long after it was raised.
  static constexpr uint32_t kHoverDelayMs = 300;
  static constexpr double kClockDepth = 10500;
  static constexpr double kPenDepth = 10500;
  static constexpr double kButtonDepth = 10000;
  static constexpr double kBackgroundDepth = -999990;
  static constexpr double kWaitSignDepth = 52000;
  static constexpr int32_t kTipWidth = 120;
  // The action row: pass, throw and remind this far apart.
  static constexpr int32_t kActionSpacing = 80;
  static constexpr int32_t kActionRowGap = 30;
  // The sort buttons: the rightmost this far from the right edge and the bottom, 30 apart.
  static constexpr int32_t kSortInset = 17;
  static constexpr int32_t kSortSpacing = 30;

  // Engine integer settings published here.
  static constexpr uint32_t kSettingChatColour1 = 50013;
  static constexpr uint32_t kSettingChatColour2 = 50014;
  static constexpr uint32_t kSettingChatColour3 = 50015;
  static constexpr uint32_t kSettingBoardHeight = 50016;
  static constexpr uint32_t kSettingLargeBackWidth = 50018;
  static constexpr uint32_t kSettingLargeBackHeight = 50019;
  static constexpr uint32_t kSettingSmallBackWidth = 50020;
  static constexpr uint32_t kSettingSmallBackHeight = 50021;

  CTableView();
  ~CTableView() override;

  // Engine object and rectangle object.
  void OnAddedToScene() override;
  int OnMessage(const engine::ObjectMessage* message) override;
  void OnRectChanged() override;
  void OnEnterGame() override;

  // The game view's hooks.
  void OnTableArranged() override;
  void OnTableRearranged() override;
  void ResetTable() override {}
  void PrepareTable() override {}
  void SendReadyRequest(int32_t value) override;

  // Notifications.
  void ClearReadyMarks() override;

  // ---- New operations, in slot order ----
  // The game's records; the base has none (null): no combination lies on the table.
  virtual TableGameState* GetGameState() { return nullptr; }
  virtual ChairGameState* GetChairState(int32_t /*chair*/) { return nullptr; }
  // Card sprites made and used, at most kMaxCardViews.
  virtual int32_t GetTotalCards() { return kMaxCardViews; }
  // Replay recording of the table's messages.
  virtual void RecordGameMessage(int32_t id, const void* data, int32_t length);
  virtual void RecordNormal(int32_t id, const void* data, int32_t length);
  virtual void RecordMatch(int32_t id, const void* data, int32_t length);
  virtual void BeforeSaveReplay() {}
  virtual shell::CGameAppBase* GetAppObject();
  // Boards.
  virtual void RefreshOwnBoard();
  virtual void ShowSeatedPlayers();
  virtual void RefreshBoards();
  virtual void RefreshBoardsAlt() { RefreshBoards(); }
  virtual void OnPlayerSeated(const shell::PlayerRecord* record);
  virtual void OnPlayerLeft(const shell::PlayerRecord* record);
  virtual void OnPlayerEvent15(const shell::PlayerRecord* /*record*/) {}
  virtual void OnPlayerEvent17(const shell::PlayerRecord* /*record*/) {}
  virtual void RefreshPlayerBoards();
  virtual void RefreshSeatedBoards();
  // Input: the cards' mouse messages (their result goes back to the engine) and the buttons.
  virtual int OnCardMouse(const engine::ObjectMessage* message);
  virtual int OnButton(const engine::ObjectMessage* /*message*/) { return 1; }
  virtual void OnAutoPassMessage() {}
  // Building.
  virtual void CreatePlayerBoards(int32_t chair_count);
  virtual void CreateCardViews();
  virtual void CreateTableObjects();
  virtual void CreateButtons();
  virtual void CreateClock();
  virtual void CreateBackground();
  // A button from frame first_frame of the picture, sending {view, message, 0, 0} when clicked.
  virtual engine::ImageButton* CreateButton(const char* picture, uint32_t message, const char* tip, int32_t hand,
                                            int32_t first_frame = 0, int32_t frame_count = 4);
  virtual void AttachTip(engine::EngineObject* target, const char* tip);
  // The play flow's input.
  virtual void OnStartStep() {}
  virtual void PlaySelected() {}
  virtual void RequestPass() {}
  virtual void ShowNextHint() {}
  virtual void SelectAutoHint() {}
  virtual int ShowGroupHint() { return 0; }
  virtual void OnClockTick() {}
  virtual void ToggleAutoPlay() {}
  virtual void ToggleAutoPlay(int32_t /*on*/) {}
  // Sound effects on or off as the application's sound option says.
  virtual void ApplySoundSetting();
  virtual void ToggleResultPanel() {}
  virtual void AskToSeeCards() {}
  virtual void AnswerLookOnRequest(uint32_t /*user_id*/, int32_t /*allow*/) {}
  virtual void RequestContinue() {}
  virtual void SelectSingles(uint32_t /*message*/) {}
  virtual void SelectPairs(uint32_t /*message*/) {}
  virtual void SelectTriples(uint32_t /*message*/) {}
  virtual void SelectBombs(uint32_t /*message*/) {}
  virtual void SortByCount() {}
  virtual void SortBySuit() {}
  virtual void ToggleValueOrder() {}
  // Banners, notices and the game's messages.
  virtual void ShowRoundBanner() {}
  virtual void OnFrameworkGameMessage(int32_t /*id*/, const uint8_t* /*data*/, int32_t /*length*/) {}
  virtual void OnFrameworkGameMessage2(int32_t /*id*/, const uint8_t* /*data*/, int32_t /*length*/) {}
  virtual void ShowChairCards(const uint8_t* /*data*/, int32_t /*length*/) {}
  // The play flow.
  virtual int SendGameMessage(int32_t /*id*/, int32_t /*length*/, const void* /*data*/, int32_t /*wait*/) { return 0; }
  virtual void OnAutoPlayOn(int32_t /*chair*/) {}
  virtual void OnAutoPlayOff(int32_t /*chair*/) {}
  // Back to a new deal: selection, hints and every card reset and numbered, every board's
  // per-game look reset (each stays with its chair), the clock stopped.
  virtual void ResetRound();
  // Shows the start button and starts the idle kick.
  virtual void ShowStartButton();
  virtual void DealStep1() {}
  virtual void DealStep2() {}
  virtual void OnDealOver() {}
  virtual void ClearAfterGame() {}
  virtual void OnSettlementClosed() {}
  virtual void ContinueAfterResult() {}
  virtual void ShowBoardScores() {}
  virtual void RefreshOwnBoardScore() {}
  // The waiting sign under the table's middle, looping while it shows.
  virtual void ShowWaiting();
  virtual void HideWaitSign();
  virtual void PlayComboSound(uint32_t /*type*/, int32_t /*card_count*/) {}
  virtual void ShowPass(int32_t /*chair*/, uint32_t /*flags*/) {}
  // Hands.
  virtual void LayoutChairCards(int32_t chair);
  virtual void ShowCardCount(int32_t chair, int32_t count);
  virtual void SortChairCards(int32_t chair);
  virtual void SortHand(int32_t mode);
  virtual void ApplyDragSelection();
  virtual void ClearSelection();
  virtual void SelectLeadCards() {}
  virtual int SelectSmallestOfCount(int32_t /*count*/) { return 0; }
  virtual int SelectByValue(int32_t /*value*/) { return 0; }
  // The clock: StartClock cancels a running clock before it starts the new one.
  virtual void StartClock();
  virtual void StopClock();
  virtual void ShowGameButtons(int32_t /*show*/) {}
  virtual void UpdateActionButtons() {}
  virtual void HidePlayButtons() {}
  virtual void AutoPlayStep() {}
  virtual void ShowGameInfoBox() {}
  virtual void ShowMatchInfoBox() {}
  virtual void AutoPlayTick() {}
  virtual void SelectCards(const int32_t* ids, int32_t count);
  virtual void SelectGroupsOfCount(int32_t k);
  virtual int SelectHintOfType(const int32_t* /*ids*/, int32_t /*count*/, uint32_t /*mask*/, int32_t /*apply*/) {
    return 0;
  }
  virtual int SelectHandHintOfType(uint32_t /*mask*/, int32_t /*apply*/) { return 0; }
  virtual void ClearPlayedCards(int32_t /*chair*/) {}
  virtual int CompleteSelection() { return 0; }
  virtual void UpdateThrowButton() {}
  virtual void ShowPassHint() {}
  virtual int FindSmallestHint(const int32_t* /*cards*/, int32_t /*count*/, int32_t* /*out*/, int32_t /*capacity*/,
                               CARD_COMBO /*to_beat*/, CARD_COMBO* /*result*/, uint32_t /*mask*/,
                               int32_t /*wildcards*/) {
    return 0;
  }
  virtual int FindLargestHint(const int32_t* /*cards*/, int32_t /*count*/, int32_t* /*out*/, int32_t /*capacity*/,
                              CARD_COMBO /*to_beat*/, CARD_COMBO* /*result*/, uint32_t /*mask*/,
                              int32_t /*wildcards*/) {
    return 0;
  }
  // Replay hands: gives the chair's hidden row these ids (sorted) when their count matches it.
  virtual void SetChairHand(int32_t chair, const int32_t* ids, int32_t count);
  virtual int SendPlay(const int32_t* /*ids*/, int32_t /*count*/) { return 0; }
  virtual void SendTableChoice(int32_t /*a*/, int32_t /*b*/) {}
  // Queries. A card id of -1 is no card: FindCardById(-1) finds none.
  virtual CCardView* FindCardById(int32_t id);
  // The chair's card in hand with that id, else the chair's first card in hand (a hidden row's
  // ids are -1), else null.
  virtual CCardView* FindChairCardById(int32_t chair, int32_t id);
  virtual CCardView* FindChairCardByIndex(int32_t chair, int32_t index);
  virtual int HasFaceUpOwnCards() { return 0; }
  // Cards in that place owned by the chair, or by anyone for chair -1.
  virtual int32_t CountChairCards(int32_t chair, int32_t place);
  virtual int IsPartnerChair(int32_t chair);
  // The ids of the hand's selected cards, of the hand cards whose value the hand holds k times,
  // and of the hand: kCardList ids padded with -1, the row's last card first; the count.
  virtual int32_t GetSelectedCards(int32_t* out);
  virtual int32_t GetCardsOfCount(int32_t* out, int32_t k);
  virtual int32_t GetHandCards(int32_t* out);
  // Zeroes n counters and counts the hand's cards by value (values 1 .. n-1); the cards counted.
  virtual int32_t CountHandByValue(int32_t* counters, int32_t n);
  virtual int32_t CountDistinctValues(const int32_t* ids, int32_t n);
  // The valid ids first, by falling order x 1000 + id, then -1; the count of valid ids.
  virtual int32_t SortCardsByOrder(int32_t* ids, int32_t n);
  virtual int32_t CountSelected();
  // Publishes the card and board picture sizes and the chat colours.
  virtual void LoadCardBacks(int32_t width, int32_t height);
  // Seats (-1 for a chair or position outside the table, and for every one without chairs).
  virtual int32_t PositionToChair(int32_t position);
  virtual int32_t ChairToPosition(int32_t chair);
  virtual int32_t PrevPosition(int32_t position);
  virtual int32_t NextPosition(int32_t position);
  virtual int32_t PrevChair(int32_t chair);
  virtual int32_t NextChair(int32_t chair);
  virtual void UpdateClock(int32_t /*chair*/, int32_t /*seconds*/) {}

  // ---- Reading the table ----
  // The board at a view position; null outside 0 .. kMaxBoards - 1 and where none was made.
  CPlayerBoard* BoardAt(int32_t position) const;
  // The board of a chair (through ChairToPosition), or null.
  CPlayerBoard* BoardOfChair(int32_t chair);
  // Card sprite i, or null outside the sprites made.
  CCardView* CardView(int32_t i) const;
  int32_t CardViewCount() const { return card_view_count_; }
  int32_t GetChairCount() const { return chair_count_; }
  int32_t GetSortMode() const { return sort_mode_; }
  int32_t GetDragAnchor() const { return drag_anchor_; }
  bool IsBuilt() const { return built_; }
  engine::ImageButton* GetStartButton() const { return start_button_; }
  engine::ImageButton* GetPassButton() const { return pass_button_; }
  engine::ImageButton* GetThrowButton() const { return throw_button_; }
  engine::ImageButton* GetRemindButton() const { return remind_button_; }
  engine::ImageButton* GetAutoPlayButton() const { return auto_play_button_; }
  engine::ImageButton* GetCheckResultButton() const { return check_result_button_; }
  engine::ImageButton* GetAskCardViewButton() const { return ask_card_view_button_; }
  engine::ImageButton* GetSortButton(int i) const { return i >= 0 && i < kSortButtons ? sort_buttons_[i] : nullptr; }
  engine::NumberDisplay* GetClock() const { return clock_; }
  engine::SpriteObject* GetBackground() const { return background_; }
  engine::SpriteObject* GetPassHint() const { return pass_hint_; }
  engine::SpriteObject* GetWaitSign() const { return wait_sign_; }
  engine::EngineObject* GetListener() const { return listener_; }
  uint64_t GetClockTimer() const { return clock_timer_; }
  // The own hand: cards of the own chair in place 1, in the order of the card sprites.
  int32_t OwnHand(CCardView** out, int32_t capacity);

  // ---- Replays ----
  // The table as the recorder keeps it: chairs, players and the game's record.
  dialogs::ReplayTableSnapshot TableSnapshot();
  // In replay mode, deals each chair its recorded hand (a slice of the recorder's hands, the
  // application's largest hand long) and sorts the own hand; the chairs dealt (0 when the
  // recorded hands cannot hold every chair's slice).
  int32_t DealReplayHands();
  // Whether a recorded game is written when it ends: the table asks for recording, and this is
  // not a replay being watched.
  bool SaveReplays();

 protected:
  // Whether the user only watches.
  bool Watching();
  // The card under the pointer's x among the own hand (by the sprites' edges, the frontmost).
  CCardView* OwnCardAtX(int32_t x, int32_t* largest_index);
  // The own hand's card of that id, or null (no fallback).
  CCardView* FindOwnCard(int32_t id);
  // The chair that has a combination on the table, -1 when the trick is open.
  int32_t ChairOnTable();

  platform::HCURSOR hand_cursor_ = nullptr;
  platform::HCURSOR arrow_cursor_ = nullptr;
  CCardView* card_views_[kMaxCardViews] = {};
  int32_t card_view_count_ = 0;
  engine::EngineObject* info_box_ = nullptr;
  engine::NumberDisplay* info_number_ = nullptr;
  engine::SpriteObject* background_ = nullptr;
  int32_t chair_count_ = 0;
  CPlayerBoard* boards_[kMaxBoards] = {};
  int32_t deal_step_ = 0;
  int32_t drag_anchor_ = 0;
  int32_t selected_count_ = 0;
  engine::ImageButton* start_button_ = nullptr;
  int32_t auto_play_ = 0;
  uint32_t auto_play_off_time_ = 0;
  engine::ImageButton* pass_button_ = nullptr;
  engine::ImageButton* throw_button_ = nullptr;
  engine::ImageButton* remind_button_ = nullptr;
  engine::SpriteObject* pass_hint_ = nullptr;
  engine::ImageButton* auto_play_button_ = nullptr;
  engine::ImageButton* check_result_button_ = nullptr;
  engine::ImageButton* ask_card_view_button_ = nullptr;
  engine::ImageButton* sort_buttons_[kSortButtons] = {};
  uint32_t last_sort_group_ = 0;
  int32_t sort_mode_ = 0;
  int32_t prev_sort_mode_ = 0;
  int32_t chair_words_[kMaxBoards] = {};
  uint64_t clock_timer_ = 0;
  engine::NumberDisplay* clock_ = nullptr;
  int32_t zero_ticks_ = 0;
  CARD_COMBO hint_combo_;
  CARD_COMBO group_hint_combo_;
  engine::SpriteObject* wait_sign_ = nullptr;
  int32_t auto_play_delay_ = 2;
  int32_t auto_play_ticks_ = 0;
  engine::NumberDisplay* digit_pen_ = nullptr;
  engine::NumberDisplay* digit_pen2_ = nullptr;
  engine::EngineObject* listener_ = nullptr;
  bool built_ = false;
};

}  // namespace table
