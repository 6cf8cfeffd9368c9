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
// The play flow: notifications reach it through shell::TableNotifyTarget (each body checked
// before it is read: notify_bodies.h); the turn moves the clock (a repeating 1000 ms 80000099)
// to the acting chair; on the own turn the play button follows the raised cards, the hint
// button cycles through the combinations that beat the table, the pass button passes, and
// auto-play (or the clock at zero) plays for the user. Requests: plays 221080, passes 223000,
// game messages 229510, start 201160/201165, continue 201300, look-on 229550/229560. Chat
// lines go to the side panel through the application, names escaped for the chat's markup.
// Replay mode: the replay bar (made with the recorder, CGameView) plays the recorded game back
// through shell::ReplayTableTarget: 211040 deals the recorded hands face up, plays, passes and game
// messages follow as if the server pushed them, 211080 ends the game with the table left as it
// was; nothing is ever sent to a server. At a live table the notification handler hands every
// table notification to Record first, so that a recording table records the round it plays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "dialogs/replay_file.h"
#include "platform/cursor.h"
#include "platform/win_types.h"
#include "shell/player_record.h"
#include "shell/replay_table_target.h"
#include "shell/table_notify_target.h"
#include "table/card_combo.h"
#include "table/game_view.h"
#include "table/notify_bodies.h"

namespace engine {
class CanvasObject;
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

class CTableView : public CGameView, public shell::TableNotifyTarget, public shell::ReplayTableTarget {
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
  // Replay mode: the replay bar's centre this far below the table's top edge.
  static constexpr int32_t kReplayBarTop = 70;
  // The play flow.
  static constexpr uint32_t kHintTypes = kJokerBeatMask;  // every type a hint or a play may be
  static constexpr uint32_t kPassMark = 0x20000000;       // ShowPass: the board shows kPassPicture
  static constexpr char kPassPicture[] = "不出";
  static constexpr uint32_t kAutoPassDelayMs = 1000;
  static constexpr uint32_t kAskCardViewRestMs = 15000;
  static constexpr uint32_t kAutoPlayCoolDownMs = 5000;
  static constexpr uint32_t kClockPeriodMs = 1000;
  // A combination search climbs at most this many times (each step finds a stronger one).
  static constexpr int kMaxClimb = 256;
  static constexpr double kLookOnBoxDepth = 90000;
  // The game information box stands this far inside the table's top-left corner.
  static constexpr int32_t kInfoBoxInset = 10;

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
  // After a game: every card out of play, the boards' look reset, the buttons and boxes hidden.
  void ResetTable() override;
  // When a game starts: the rows laid out, the clock started at the chair to act, the buttons.
  void PrepareTable() override;
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
  virtual int OnButton(const engine::ObjectMessage* message);
  virtual void OnAutoPassMessage() { RequestPass(); }
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
  // The start button: a new game is asked for (201165 under table options 0x40 and 0x80, else
  // 201160; a refused start is shown and the client leaves, except offline).
  virtual void OnStartStep();
  // The play button: the raised cards go out as a play (221080). A refused play brings the
  // buttons back and says why in the chat.
  virtual void PlaySelected();
  // The pass button (and the automatic pass): 223000. A pass that cannot be sent brings the
  // buttons back and says so.
  virtual void RequestPass();
  // The hint button: the next suggestion (whole groups first, then the rest, rising, wrapping);
  // nothing to suggest passes.
  virtual void ShowNextHint();
  // Auto-play's choice against the table: the weakest combination that breaks no group, else the
  // weakest that beats it, else nothing.
  virtual void SelectAutoHint();
  // The next whole-group hint above the last one (or the table); 1 when one was shown.
  virtual int ShowGroupHint();
  virtual void OnClockTick();
  // The auto-play button (and a click on the table while auto-play is on): asks the server to
  // switch auto-play (19840329 / 19840330), not within 5 s of switching it off.
  virtual void ToggleAutoPlay();
  // Auto-play as the server confirmed it: the flag, the frame's animation and the button's picture.
  virtual void ToggleAutoPlay(int32_t on);
  // Sound effects on or off as the application's sound option says.
  virtual void ApplySoundSetting();
  virtual void ToggleResultPanel() {}
  // A watcher asks the watched player to show the cards (229550); the button rests 15 s.
  virtual void AskToSeeCards();
  // The own answer to a look-on request (229560); the answer line only when it went through.
  virtual void AnswerLookOnRequest(uint32_t user_id, int32_t allow);
  virtual void RequestContinue();
  virtual void SelectSingles(uint32_t message);
  virtual void SelectPairs(uint32_t message);
  virtual void SelectTriples(uint32_t message);
  virtual void SelectBombs(uint32_t message);
  virtual void SortByCount();
  virtual void SortBySuit();
  virtual void ToggleValueOrder();
  // Banners, notices and the game's messages (the notifications' own operations are those of
  // shell::TableNotifyTarget, below).
  virtual void ShowRoundBanner();
  // Game messages 19840324-19840332 and 19840335-19840337; data and length as checked by
  // OnGameMessage (each handler checks what it reads of the data).
  virtual void OnFrameworkGameMessage(int32_t id, const uint8_t* data, int32_t length);
  virtual void OnFrameworkGameMessage2(int32_t id, const uint8_t* data, int32_t length);
  // 19840337: a chair's cards shown face up (a replay's or a watched hand).
  virtual void ShowChairCards(const uint8_t* data, int32_t length);
  // The play flow.
  // A game message (229510): without wait, the send's code (10100: not sent); with wait, the
  // answer's code, and an answer body is dispatched at once as notification 229500.
  virtual int SendGameMessage(int32_t id, int32_t length, const void* data, int32_t wait);
  virtual void OnAutoPlayOn(int32_t chair);
  virtual void OnAutoPlayOff(int32_t chair);
  // Back to a new deal: selection, hints and every card reset and numbered, every board's
  // per-game look reset (each stays with its chair), the clock stopped.
  virtual void ResetRound();
  // Shows the start button and starts the idle kick; nothing while a round runs.
  virtual void ShowStartButton();
  virtual void DealStep1() {}
  virtual void DealStep2() {}
  virtual void OnDealOver();
  // After a game (80000101): the table cleared, the other seats' boards cleared when there are
  // no scores to show.
  virtual void ClearAfterGame();
  virtual void OnSettlementClosed();
  virtual void ContinueAfterResult();
  virtual void ShowBoardScores();
  virtual void RefreshOwnBoardScore();
  // The waiting sign under the table's middle, looping while it shows.
  virtual void ShowWaiting();
  virtual void HideWaitSign();
  virtual void PlayComboSound(uint32_t type, int32_t card_count);
  // flags kPassMark: the chair's board shows "不出"; any other flags nothing.
  virtual void ShowPass(int32_t chair, uint32_t flags);
  // Hands.
  virtual void LayoutChairCards(int32_t chair);
  virtual void ShowCardCount(int32_t chair, int32_t count);
  virtual void SortChairCards(int32_t chair);
  virtual void SortHand(int32_t mode);
  virtual void ApplyDragSelection();
  virtual void ClearSelection();
  // Auto-play's lead: the lowest card's whole value (or, when it is held four times or more, the
  // smallest single, pair, ...). Nothing for an empty hand.
  virtual void SelectLeadCards();
  // The lowest-ordered value held exactly count times, selected; the cards selected.
  virtual int SelectSmallestOfCount(int32_t count);
  virtual int SelectByValue(int32_t value);
  // The clock: StartClock cancels a running clock before it starts the new one; both switch
  // auto-play off.
  virtual void StartClock();
  virtual void StopClock();
  virtual void ShowGameButtons(int32_t show);
  // The turn reached a chair: for the own chair the play buttons, the hint records cleared, and
  // the automatic pass when nothing can beat the table.
  virtual void UpdateActionButtons();
  virtual void HidePlayButtons();
  virtual void AutoPlayStep();
  virtual void ShowGameInfoBox();
  virtual void ShowMatchInfoBox();
  virtual void AutoPlayTick();
  virtual void SelectCards(const int32_t* ids, int32_t count);
  virtual void SelectGroupsOfCount(int32_t k);
  // The smallest lead combination of the types in mask among ids; applied (selected) when asked.
  virtual int SelectHintOfType(const int32_t* ids, int32_t count, uint32_t mask, int32_t apply);
  virtual int SelectHandHintOfType(uint32_t mask, int32_t apply);
  // The chair's cards played in this trick leave the table (every chair's for -1).
  virtual void ClearPlayedCards(int32_t chair);
  virtual int CompleteSelection();
  virtual void UpdateThrowButton();
  virtual void ShowPassHint();
  // The weakest (largest: the longest first) combination of the types in mask among the cards
  // that beats to_beat (type 0: anything). Found: 1, *result the combination, its ids in out (at
  // most capacity, the rest of capacity -1). Nothing found: 0, result and out untouched. The
  // search runs on the default card values and puts the game's callbacks back when it ends.
  virtual int FindSmallestHint(const int32_t* cards, int32_t count, int32_t* out, int32_t capacity, CARD_COMBO to_beat,
                               CARD_COMBO* result, uint32_t mask, int32_t wildcards);
  virtual int FindLargestHint(const int32_t* cards, int32_t count, int32_t* out, int32_t capacity, CARD_COMBO to_beat,
                              CARD_COMBO* result, uint32_t mask, int32_t wildcards);
  // Replay hands: gives the chair's hidden row these ids (sorted) when their count matches it.
  virtual void SetChairHand(int32_t chair, const int32_t* ids, int32_t count);
  // The cards as a play (221080); 10100 (nothing sent) when they form no combination.
  virtual int SendPlay(const int32_t* ids, int32_t count);
  virtual void SendTableChoice(int32_t a, int32_t b);
  // Queries. A card id of -1 is no card: FindCardById(-1) finds none.
  virtual CCardView* FindCardById(int32_t id);
  // The chair's card in hand with that id, else the chair's first card in hand (a hidden row's
  // ids are -1), else null.
  virtual CCardView* FindChairCardById(int32_t chair, int32_t id);
  virtual CCardView* FindChairCardByIndex(int32_t chair, int32_t index);
  virtual int HasFaceUpOwnCards();
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
  // The clock goes to the chair's board and, with seconds >= 0, shows them; the chair becomes
  // the one to act and its board the highlighted one. A chair outside the table is refused.
  virtual void UpdateClock(int32_t chair, int32_t seconds);

  // ---- Notifications (shell::TableNotifyTarget), each body checked before it is read ----
  void OnPlayerStarted(int32_t chair) override;
  void OnPlayerOffline(uint32_t user_id) override;
  void OnNextTurnNotify(const shell::NotifyBody& body) override;
  void OnTurnNotify(const shell::NotifyBody& body) override;
  void OnPlayNotify(const shell::NotifyBody& body) override;
  void OnPassNotify(const shell::NotifyBody& body) override;
  void OnGameMessage(const shell::NotifyBody& body) override;
  void ShowLookOnRequestBox(const shell::NotifyBody& body) override;
  void ShowLookOnAnswer(const shell::NotifyBody& body) override;
  // A round starts (211040): nobody waits for the player any longer, so the start button, the
  // waiting sign and the idle kick go. The game deals.
  void OnGameStarted(const shell::NotifyBody& body) override;
  // The round ended (211080): the clock stops and nobody is to act; the cards stay where they lie.
  void OnGameEnded(const shell::NotifyBody& body) override;
  // Every table notification, to the replay recorder (RecordGameMessage).
  void Record(uint32_t notification_id, const shell::NotifyBody& body) override;

  // ---- Hooks the game frame's services fill (table/ does not reach the frame itself) ----
  // Makes the box asking whether user may see the own cards (a CLookOnRequestBox in the view's
  // scene) with its two answers; null when it cannot be made (then nobody is asked).
  virtual engine::EngineObject* CreateLookOnRequestBox(const char* name, const char* avatar,
                                                       const engine::ObjectMessage* accept,
                                                       const engine::ObjectMessage* refuse);
  // Takes one entry off the game frame's board queue (nothing when it is empty or missing).
  virtual void TakeFrameQueueEntry() {}
  // Runs the advert page's script of that name ("刷新排名"), through the game frame.
  virtual void RunAdvertScript(const char* name);

  // ---- Replay playback (shell::ReplayTableTarget) ----
  // Hands one recorded table message to the view as if the server had pushed it: 221170 plays,
  // 223100 passes, 229500 game messages, 221165 and 221168 turns; 211040 (and 211028) deals the
  // recorded hands, 211080 ends the game. False (nothing changed) for another id or a body the
  // view refuses.
  bool PlayRecordedMessage(int32_t id, const uint8_t* data, uint32_t length) override;
  // The table as before the deal: cards out of play, boards reset, the clock stopped.
  void OnReplayRewound() override;
  // The clock stops counting while the replay is paused, and counts on after.
  void OnReplayPaused(bool paused) override;

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
  engine::CanvasObject* GetInfoBox() const { return info_box_; }
  engine::NumberDisplay* GetInfoNumber() const { return info_number_; }
  const CARD_COMBO& GetHintCombo() const { return hint_combo_; }
  const CARD_COMBO& GetGroupHintCombo() const { return group_hint_combo_; }
  int32_t IsAutoPlay() const { return auto_play_; }
  uint32_t GetAutoPlayOffTime() const { return auto_play_off_time_; }
  int32_t GetAutoPlayTicks() const { return auto_play_ticks_; }
  int32_t GetZeroTicks() const { return zero_ticks_; }
  uint64_t GetAutoPassAction() const { return auto_pass_action_; }
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
  // Replay mode, when the table comes up: the recorded players on their boards, and the replay
  // file the application was started with opened in the replay bar, which is placed on the table
  // (PlaceReplayBar) and starts playing. False when there is nothing to
  // play (the bar said why).
  bool OpenReplayFile();
  // The replay bar's place on the table, when it is opened and at every layout: centred across
  // the table kReplayBarTop below its top edge, or, once the user has dragged it, where it was
  // put, kept inside the table.
  void PlaceReplayBar();
  // The recorded game starts: the recorded hands dealt face up (the rows first laid face down,
  // one card sprite per recorded card, then turned by OnDealOver) and the clock at the chair
  // that moves first.
  void DealRecordedRound();
  // The recorded game ended: the clock stops, the cards stay where they lie.
  void EndRecordedRound();

 protected:
  // Whether the user only watches.
  bool Watching();
  // The chair of the recorded game's first play or pass (it moves first), or -1.
  int32_t RecordedFirstMover(const dialogs::CReplayRecorder& recorder, int32_t chairs);
  // The card under the pointer's x among the own hand (by the sprites' edges, the frontmost).
  CCardView* OwnCardAtX(int32_t x, int32_t* largest_index);
  // The chair that has a combination on the table, -1 when the trick is open.
  int32_t ChairOnTable();
  // The combination on the table (empty when there is none).
  CARD_COMBO TableCombo();
  // Whether the chair is one of the table's (the application's chair count, at most kMaxBoards).
  bool IsChair(int32_t chair);
  // The user plays (does not watch), and the chair to act is the own chair.
  bool IsOwnTurn();
  // Whether the button is on show and takes input.
  static bool Usable(const engine::ImageButton* button);
  static void ShowButton(engine::ImageButton* button, bool show);
  // Selects the ids as a hint: the throw button follows, and "Snd_HitCard" when sounded.
  void ShowHint(const int32_t* ids, int32_t count, bool sound);
  // The weakest combination of the hint types in the own hand above from (wildcards as the
  // search's switch): 1 with *found and its ids (kCardList, padded with -1).
  int SearchHand(const CARD_COMBO& from, CARD_COMBO* found, int32_t* ids, int32_t wildcards);
  // Whether the ids use every card the own hand holds of each value they touch.
  bool UsesWholeGroups(const int32_t* ids, int32_t count);
  // After a refused play or pass, the buttons of the own turn come back and the chat says why.
  void RestorePlayButtons(const char* what, int code);
  // Adds a line to the chat through the application.
  void AddChatLine(const std::string& line);
  // The look-on answer line, and a refused look for the own watcher turns the hand face down.
  void ApplyLookOnAnswer(const LookOnAnswerNotice& answer);
  // A round opens: the start button, the waiting sign and the idle kick go. It closes: the clock
  // stops, the play buttons go and no board is highlighted.
  void OpenRound();
  void CloseRound();
  // The chair's cards played in this trick leave the table (every chair's for -1).
  void RetirePlayedCards(int32_t chair);

  platform::HCURSOR hand_cursor_ = nullptr;
  platform::HCURSOR arrow_cursor_ = nullptr;
  CCardView* card_views_[kMaxCardViews] = {};
  int32_t card_view_count_ = 0;
  engine::CanvasObject* info_box_ = nullptr;
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
  // The clock's tick was stopped by a paused replay and comes back when it goes on.
  bool clock_held_ = false;
  // The recorded game's first mover, and the recorder's version and the chairs it was found for.
  struct {
    uint64_t version = 0;
    int32_t chairs = 0;
    int32_t chair = -1;
  } first_mover_;
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
  // The pending automatic pass, the ask-card-view button's rest.
  uint64_t auto_pass_action_ = 0;
  uint64_t ask_card_view_action_ = 0;
  // Which box the info box shows: 1 the game's, 2 the match's.
  int32_t info_box_kind_ = 0;
};

}  // namespace table
