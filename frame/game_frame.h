// The game window's root scene object, "GameFrame": the title strip with its six window buttons,
// the four borders, the tiled table cloth with its halo and corners, the splitter, and the two
// big children it lays out side by side, the table scene "MainGame" on the left and the side
// panel "SubSystem" on the right. It moves, maximises, restores and minimises the main window
// from its title strip, applies the exit rules when the player leaves, shows the message boxes,
// the sliding boards, the notice board and the floating player card over the whole window, and
// hands the table's events on to its two children.
//
// The game derives its frame from this class: it loads its skin packages (LoadSkinPackages) and
// makes the two children (CreateChildren, which calls SetMainGame and SetSubSystem). Everything
// else here is common to every game on the framework.
//
// Match mode (game_frame_match.cpp): a state picture carries the wait animations and the boards
// (the final ones close the window after 15 seconds), a countdown ticks to the start, the sign-up
// and give-up buttons ask the server, the round title and the tables still playing come per
// round, and the match-end animation and the result dialog come out of the board queue one after
// the other. The application's notification handler calls these through shell::AppFrameView.
//
// Leaving: the close button posts WM_CLOSE; the main window asks CloseRequest, which applies the
// exit rules (or, in match mode, the match's close rules). Whatever decides that the player goes
// ends with CGameAppBase::ConfirmClose, so the rules run once. Without a game server (offline,
// not connected, or the connection lost) the player leaves at once.
//
// Messages it handles are in frame_messages.h; any other id goes to the engine's own handler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/core/object_message.h"
#include "engine/core/rect_object.h"
#include "engine/core/timed_action.h"
#include "shell/app_frame_view.h"
#include "platform/win_types.h"
#include "shell/player_record.h"

namespace engine {
class CanvasObject;
class DigitStrip;
class ImageButton;
class NumberDisplay;
class RectQueueWidget;
class RichTextBox;
class SpriteObject;
class WidgetBase;
}  // namespace engine

namespace frame {

using platform::COLORREF;
using platform::RECT;

class MatchBoardQueue;
class SplitterBar;

// The duan card's record (the body of the duan notification): 40 words.
struct DuanCardRecord : shell::ByteRecord<160> {
  static constexpr size_t kUserId = 0;
  static constexpr size_t kCharacter = 16;
  static constexpr size_t kName = 20;
  static constexpr size_t kNameBytes = 32;
  static constexpr size_t kSecondName = 52;
  static constexpr size_t kSecondNameBytes = 16;
  static constexpr size_t kDuanIndex = 68;
  static constexpr size_t kDuanScore = 72;
  static constexpr size_t kDuanScoreNeeded = 76;
  static constexpr size_t kWins = 80;
  static constexpr size_t kLosses = 84;
  static constexpr size_t kDraws = 88;
  static constexpr size_t kSessionWins = 116;
  static constexpr size_t kSessionLosses = 120;
  static constexpr size_t kSessionDraws = 124;
};
static_assert(sizeof(DuanCardRecord) == 160);

// The duan card's record made from a player's match record (the map of the match mode's card).
// The two names are copied within their fields and always terminated.
DuanCardRecord DuanCardFromTableExtra(const shell::TableExtraRecord& extra);

// The games a record's counts add up to. The counts are the server's words: they are added
// without overflow, and one below zero counts as none.
int64_t GamesPlayed(int32_t wins, int32_t losses, int32_t draws);
// "%.2f%%" of part / games * 100, part taken within 0..games, or `none` when no game was played.
std::string RateText(int32_t part, int64_t games, const char* none);

class GameFrame : public engine::RectObject, public shell::AppFrameView {
 public:
  // Chrome and layout.
  static constexpr int32_t kBorder = 4;
  static constexpr int32_t kTop = 25;
  static constexpr int32_t kBottom = 4;
  static constexpr int32_t kButtonGap = 4;
  static constexpr COLORREF kChromeFill = 0x4CB122;
  static constexpr double kBorderDepth = 100000.0;
  static constexpr double kBottomDepth = 100001.0;
  static constexpr double kTitleDepth = 100100.0;
  // Side panel widths.
  static constexpr int32_t kSidePanelWidth = 250;
  static constexpr int32_t kWideSidePanelWidth = 282;
  static constexpr int32_t kWideWorkArea = 1280;
  static constexpr int32_t kNarrowWorkArea = 800;
  // Window.
  static constexpr int32_t kRestoredX = 100;
  static constexpr int32_t kRestoredY = 100;
  static constexpr int32_t kMinHeight = 600;
  // While the title strip is held, the window follows the pointer this often, moves or not.
  static constexpr uint32_t kDragFollowMs = 10;
  // Boards, boxes and the card.
  static constexpr double kBoxDepth = 90000.0;
  static constexpr double kCardDepth = 70000.0;
  static constexpr double kAutoPlayDepth = 52000.0;
  static constexpr int32_t kSlideSteps = 15;
  static constexpr uint32_t kForceExitWaitMs = 30000;
  static constexpr int32_t kForceExitInputBytes = 60;
  static constexpr int32_t kExitRequestSeconds = 30;
  static constexpr int32_t kMatchResultWords = 43;
  static constexpr size_t kMatchEndRecordBytes = kMatchEndBlockBytes;
  static constexpr size_t kMatchResultRecordBytes = kMatchResultBlockBytes;
  // Match mode: the parts over the table, the result dialog and its backdrop.
  static constexpr double kMatchPartsDepth = 52000.0;
  static constexpr double kResultDialogDepth = 60000.0;
  static constexpr double kResultBackdropDepth = 50000.0;
  static constexpr double kResultBackdropAlpha = 0.7;
  static constexpr uint32_t kCountdownMs = 1000;
  static constexpr uint32_t kButtonPauseMs = 5000;
  static constexpr uint32_t kRoundTitleMs = 2000;
  static constexpr uint32_t kRoundRequestMs = 15000;
  // The give-up button goes when the start is this near (seconds).
  static constexpr int32_t kGiveUpHiddenBelow = 61;
  static constexpr int32_t kRestTablesGap = 10;

  GameFrame();
  ~GameFrame() override;

  // ---- Engine overrides ----
  // Create: names itself, loads the skins, sets the metrics, builds the chrome, paints the
  // table, makes the children and, in match mode, the match parts.
  void OnAddedToScene() override;
  int OnMessage(const engine::ObjectMessage* message) override;
  // LayoutChildren: called on every rectangle change and window resize.
  void OnRectChanged() override;
  // The table scene's, then the side panel's enter-game hook, then the application's.
  void OnEnterGame() override;
  // The lobby's hand-over: record 7 (a user's details) shows the user card at the pointer.
  void OnCopyData(const engine::COPYDATASTRUCT* data) override;
  // A maximised window follows the work area; a restored one stays (see ToggleMaximize).
  void OnWorkAreaChanged() override;

  // ---- Own operations, in slot order ----
  virtual void InitFrameMetrics();                        // 1
  virtual void LoadSkinPackages() {}                      // 2
  virtual void CreateTableArt();                          // 3
  virtual void DrawFrame();                               // 4
  virtual void DrawLeftBorder();                          // 5
  virtual void DrawRightBorder();                         // 6
  virtual void DrawBottomBorder();                        // 7
  virtual void PlaceSplitter();                           // 8
  virtual void CreateChrome();                            // 9
  virtual void CreateChildren() {}                        // 10
  virtual void SetMainGame(engine::RectObject* object);   // 11
  virtual void SetSubSystem(engine::RectObject* object);  // 12
  virtual int32_t DefaultSidePanelWidth();                // 13
  // Match mode: the boards, countdown and sign-up. A board shows on the state picture; the
  // final ones close the window after the auto-close delay.
  void BroadcastMatchNotice11() override;    // 14
  void BroadcastMatchNotice12() override;    // 15
  void BroadcastMatchNotice13() override;    // 16
  void OnMatchProgress() override;           // 17
  void ShowNoSignUpBoard() override;         // 18
  void ShowWashoutBoard() override;          // 19
  void ShowMatchEndBoard() override;         // 20
  void ShowMatchLateBoard() override;        // 21
  void ShowSystemCancelBoard() override;     // 22
  void ShowSelfCancelBoard() override;       // 23
  void ShowWaitSignUpCheckBoard() override;  // 24
  void ShowSystemRejectedBoard() override;   // 25
  void ShowMatchStartedBoard() override;     // 26
  void OnSignUpOk() override;                // 27
  void OnWithdrawn() override;               // 28
  // Leaving the table.
  void ExitRules() override;                       // 29
  virtual void ConfirmExit();                      // 30
  virtual void OpenShopItem(int32_t id);           // 31
  virtual void OnSpareButton() {}                  // 32
  virtual void RequestSignUp();                    // 33
  virtual void RequestGiveUp();                    // 34
  virtual void ShowUserCardFor(uint32_t user_id);  // 35
  virtual void HideUserCardFor(uint32_t user_id);  // 36
  // The main window.
  virtual void ToggleMaximize();                 // 37
  virtual void Minimize();                       // 38
  virtual void DragMove();                       // 39
  virtual void DragBegin(int32_t x, int32_t y);  // 40
  virtual void DragEnd();                        // 41
  virtual void OpenSettings();                   // 42
  virtual void OpenHelp() {}                     // 43
  virtual void OpenShop();                       // 44
  virtual int32_t GetMinWidth();                 // 45
  virtual int32_t GetMinHeight();                // 46
  // The player card, boxes and boards.
  virtual void PlaceCardAtPoint(uint32_t user_id, int32_t x, int32_t y);  // 47
  virtual void PlaceCardByUserList(uint32_t user_id, int32_t pinned);     // 48
  void ShowAutoPlay(bool on) override;                                    // 49
  // The engine's own overlay box stays reachable beside the frame's message box.
  using engine::RectObject::ShowMessageBox;
  void ShowMessageBox(const char* text, const engine::ObjectMessage* ok, const engine::ObjectMessage* cancel,
                      int32_t buttons, int32_t style, const char* icon) override;                 // 50
  // The box that asks the player to leave: "确定" leaves the table (the leave request), "取消"
  // closes the window at once. Given seconds, it counts them down and then lets the close rules
  // take the player away, as the close button would: mid-game they ask before anyone leaves.
  void ShowExitBox(const char* text, int32_t buttons, int32_t style, const char* icon) override;  // 51
  virtual void ShowMessageBoxEx(const char* text, const char* link_text, int32_t link_flag, int32_t buttons,
                                int32_t style, const char* icon);  // 52
  // The match result record (words as the server sends them; size bytes, the first 43 words
  // kept) and the match-end animation.
  virtual void ShowMatchResult(const uint8_t* record, size_t size);               // 53
  virtual void ShowMatchEnd();                                                    // 54
  void HideMatchResult() override;                                                // 55
  virtual void SendCardUserRequest();                                             // 56
  virtual void ShowDuanCard(const uint8_t* record, size_t size);                  // 57
  virtual void ShowUserCard(const shell::PlayerRecord& record);                   // 58
  virtual void RefreshUserCard();                                                 // 59
  virtual void ShowMatchWelcome();                                                // 60
  virtual void ShowNoticeBoard(const char* text, COLORREF colour, int32_t size);  // 61
  void ShowMatchRound() override;                                                 // 62
  void OnMatchBegin() override;                                                   // 63
  void ShowTablesLeft(const uint8_t* record, size_t size) override;               // 64
  void ShowPlayerDuan(const uint8_t* record, size_t size) override;               // 65
  // p: a block made with new uint8_t[] (kMatchEndRecordBytes, kMatchResultRecordBytes), freed by
  // the frame once shown, or at once when there is no queue (not in match mode).
  void QueueMatchEnd(uintptr_t p) override;     // 66
  void QueueMatchResult(uintptr_t p) override;  // 67
  // Forwarders of the table's events to the table scene and the side panel.
  void OnRandomTable() override;                                   // 68
  void OnPlayerEnter(const shell::PlayerRecord* record) override;  // 69
  void OnPlayerLeave(const shell::PlayerRecord* record) override;  // 70
  void OnLookerEnter(const shell::PlayerRecord* record) override;  // 71
  void OnLookerLeave(const shell::PlayerRecord* record) override;  // 72
  // A player asks to leave a running game: {u32 user id, ..., the reason text from byte 20}.
  void ShowExitRequest(const uint8_t* record, size_t size) override;  // 73
  void OnMovedTable() override;                                       // 74
  void OnSafeBoxEvent(const shell::SafeBoxRecord& record) override;   // 75
  void OnChairRecords(const shell::ChairRecords& records) override;   // 76
  virtual void NotifyMainGame();                                      // 77

  // ---- Not virtual ----
  engine::RectObject* GetMainGame() const { return main_game_; }
  engine::RectObject* GetSubSystem() const { return sub_system_; }
  // The rectangle of the table scene; the frame's own without one.
  RECT GetMainGameRect() override;
  RECT GetSubSystemRect();
  std::string GetAvatarImageName(int32_t character, int32_t size_type) override;
  // "Character%dType%d", loaded from the avatar files when the skin has no such picture; the
  // picture of character 0 when that character has none; "" when neither exists.
  std::string LoadAvatarImage(int32_t character, int32_t size_type);
  void SetSidePanelWidth(int32_t width) { side_panel_width_ = width; }
  void SetVisibleSidePanelWidth(int32_t width) { visible_side_width_ = width; }
  int32_t GetSidePanelWidth() const { return side_panel_width_; }
  int32_t GetVisibleSidePanelWidth() const { return visible_side_width_; }
  // Places the children (and the match parts) for the scene's size, then repaints the cloth.
  void LayoutChildren();
  // 1 when the main window is as large as the work area (positions aside); kept in the flag.
  int32_t IsMaximized();
  // Maximises the main window on the work area `area` (the restored place kept as it is).
  void FillWorkArea(const platform::RECT& area);
  int32_t GetMaximizedFlag() const { return maximized_; }
  int32_t GetButtonState() const { return button_state_; }
  int32_t GetRestoredX() const { return restored_x_; }
  int32_t GetRestoredY() const { return restored_y_; }
  int32_t GetDragAnchorX() const { return drag_x_; }
  int32_t GetDragAnchorY() const { return drag_y_; }

  // What the main window asks on WM_CLOSE: the exit rules, or in match mode the match's close
  // rules (leave at once before the match starts and after it ends, else the close board).
  void CloseRequest() override;
  void ShowForceExitRequest();
  void ShowCloseBoard();
  void SlideInBoard(engine::EngineObject* board) override;
  // The advert bar of the side panel ("AdvertBar") runs the page's function.
  void RunAdvertScript(const char* function) override;
  // The user card for a user: at the pointer in offline mode, else through the lobby's details.
  void ShowUserCardOf(uint32_t user_id, int32_t hide_first);
  void OnRoundTimer();
  void ShowAwardLink();
  void OpenExchangeLink();

  // Match parts the table and the match operations show and hide.
  void ShowWaitAnimation(int32_t kind) override;
  void HideMatchWaitParts() override;
  void HideMatchParts();
  void PlayTableAnimation(const char* name);
  void HideTableAnimation();
  // The countdown to the start: shown and ticking once a second while the match has not started
  // and seconds are left (a second start replaces the running timer).
  void StartMatchCountdown();
  void UpdateMatchCountdown();
  void StopMatchCountdown();
  // The countdown's text for a number of seconds: "比赛倒计时:" then days, hours and minutes where
  // they count, and always the seconds.
  static std::string CountdownText(int32_t seconds);
  // The fee line's text: "报名费%d两" (kind 1) or "报名费%d通宝" (kind 2); empty for other kinds.
  static std::string FeeText(int32_t fee, int32_t kind);
  // A new ranking into the match data (checked against its size), then the side panel hears it.
  void OnMatchRanking(int32_t row_count, const uint8_t* records, size_t size, const int32_t* header) override;
  // The match table's state: the side panel's match clock resumes from the match data.
  void OnMatchTableState() override;
  // Chat lines and the amulet notice go to the side panel.
  void AddChatLine(const shell::NotifyBody& body) override;
  void AddRelayedChat(const shell::NotifyBody& body) override;
  void ShowAmuletNotice(const shell::NotifyBody& body) override;

  // Parts, for the game's frame and tests.
  engine::CanvasObject* GetTopStrip() const { return top_strip_; }
  engine::CanvasObject* GetLeftStrip() const { return left_strip_; }
  engine::CanvasObject* GetRightStrip() const { return right_strip_; }
  engine::CanvasObject* GetBottomStrip() const { return bottom_strip_; }
  engine::CanvasObject* GetTitle() const { return title_; }
  engine::ImageButton* GetCloseButton() const { return close_button_; }
  engine::ImageButton* GetFitButton() const { return fit_button_; }
  engine::ImageButton* GetMinimizeButton() const { return min_button_; }
  engine::ImageButton* GetSettingsButton() const { return settings_button_; }
  engine::ImageButton* GetHelpButton() const { return help_button_; }
  engine::ImageButton* GetShopButton() const { return shop_button_; }
  SplitterBar* GetSplitter() const { return splitter_; }
  engine::RectQueueWidget* GetBoardQueue() const;
  engine::SpriteObject* GetStatePicture() const { return state_picture_; }
  engine::SpriteObject* GetTableAnimation() const { return table_animation_; }
  engine::ImageButton* GetSignUpButton() const { return signup_button_; }
  engine::ImageButton* GetGiveUpButton() const { return giveup_button_; }
  engine::DigitStrip* GetFeeLine() const { return fee_line_; }
  engine::DigitStrip* GetCountdown() const { return countdown_; }
  engine::EngineObject* GetMatchCountdown() override;
  engine::DigitStrip* GetRoundTitle() const { return round_title_; }
  engine::DigitStrip* GetRestTables() const { return rest_tables_; }
  engine::CanvasObject* GetResultDialog() const { return result_dialog_; }
  engine::CanvasObject* GetResultBackdrop() const { return result_backdrop_; }
  engine::RichTextBox* GetResultText() const { return result_text_; }
  engine::NumberDisplay* GetRankDigits() const { return rank_digits_; }
  engine::ImageButton* GetResultAwardButton() const { return award_button_; }
  engine::ImageButton* GetResultExchangeButton() const { return exchange_button_; }
  engine::ImageButton* GetResultCloseButton() const { return result_close_button_; }
  uint64_t GetCountdownTimer() const { return countdown_timer_; }
  int32_t GetAutoCloseSeconds() const { return auto_close_seconds_; }
  engine::CanvasObject* GetCard() const { return card_; }
  engine::WidgetBase* GetCardButton() const { return card_button_; }
  engine::WidgetBase* GetCardCloseButton() const { return card_close_button_; }
  uint32_t GetCardUser() const { return card_user_; }
  int32_t GetCardCharacter() const { return card_character_; }
  int32_t IsCardPinned() const { return card_pinned_; }
  // The open force-exit box, or null.
  engine::EngineObject* GetForceExitBox();
  // The message box shown last, while it is open; null once it closed.
  engine::EngineObject* GetLastMessageBox();
  engine::CanvasObject* GetNoticeBoard() const { return notice_board_; }
  engine::SpriteObject* GetAutoPlayAnimation() const { return auto_play_; }
  engine::CanvasObject* GetCloseBoard() const { return close_board_; }
  int32_t GetHoldFlag() const { return hold_; }
  int32_t GetTopHeight() const { return top_height_; }
  int32_t GetLeftWidth() const { return left_width_; }
  int32_t GetRightWidth() const { return right_width_; }
  int32_t GetBottomHeight() const { return bottom_height_; }
  const uint32_t* GetMatchResultRecord() const { return match_result_; }

 protected:
  // Match mode: the parts made at creation (state picture, board queue, countdowns, sign-up and
  // give-up buttons, round title, rest-table notice).
  virtual void CreateMatchParts();
  // A board on the state picture; with auto_close the window closes after the auto-close delay.
  void ShowBoard(const char* picture, bool auto_close);
  // The sign-up button under the state picture, the fee line beside it (gap pixels away).
  void ShowSignUpButton(int32_t gap);
  engine::DigitStrip* MakeDigitStrip(const char* glyphs, const char* image);
  // The rest-table notice just above the state picture.
  void PlaceRestTables();
  // The result dialog with its rank digits, reward text, buttons and backdrop, made once.
  bool MakeResultDialog();
  // Hands {0, id, p, 0} to the table scene alone, or to the side panel alone.
  void SendToMainGame(uint32_t id, uintptr_t p);
  void SendToSubSystem(uint32_t id, uintptr_t p);
  // Sends {0, id, p, 0} straight to the handlers of the table scene, then the side panel, and a
  // user-list refresh to the side panel when asked.
  void Forward(uint32_t id, uintptr_t p, bool refresh);
  // The card canvas, made on first use by the form that asks first.
  bool MakeCard(bool duan_form);
  void DrawCardBackground(int32_t character);
  // Hides the card at once (a fade in progress stops) and takes it off the screen.
  void HideCard();
  // The card (when there is one) wholly inside the window, within its borders.
  void KeepCardInWindow();
  // Where the pointer stands on the screen for the drag: where the input being handled put it (a
  // busy client hears a press, its moves and its release late, the pointer elsewhere by then),
  // else where the server has it now (the follow timer's step).
  platform::POINT DragPointer();
  // The main window's icon: this part of the canvas (the game's icon as the title strip shows it).
  void GiveWindowIcon(engine::CanvasObject* canvas, int32_t x, int32_t y, int32_t width, int32_t height);
  // Leaves without asking anything further: tells the lobby, stops the session and closes.
  void LeaveNow();
  // Whether a server is there to leave (not offline, and the session's connection is up).
  bool HasServer();
  engine::ImageButton* MakeImageButton(const char* picture, uint32_t target, uint32_t id);
  // Opens a system message box over everything open, ok and cancel its answers, with a link
  // line when link_text is given; time_up (when given) answers for the user when the seconds
  // are up.
  void OpenSystemBox(const char* text, const engine::ObjectMessage* ok, const engine::ObjectMessage* cancel,
                     int32_t seconds, int32_t style, const char* icon, const char* link_text, int32_t link_flag,
                     const engine::ObjectMessage* time_up);
  uint32_t Key() const { return GetKey(); }

  // 1-8: the board queue, the window and the side panel.
  MatchBoardQueue* board_queue_ = nullptr;
  int32_t button_state_ = 1;
  int32_t restored_x_ = kRestoredX;
  int32_t restored_y_ = kRestoredY;
  int32_t drag_x_ = -1;
  int32_t drag_y_ = -1;
  int32_t side_panel_width_ = kSidePanelWidth;
  int32_t visible_side_width_ = kSidePanelWidth;
  // 9-18: children, strips and default sizes.
  engine::RectObject* main_game_ = nullptr;
  engine::RectObject* sub_system_ = nullptr;
  engine::CanvasObject* top_strip_ = nullptr;
  engine::CanvasObject* left_strip_ = nullptr;
  engine::CanvasObject* right_strip_ = nullptr;
  engine::CanvasObject* bottom_strip_ = nullptr;
  engine::CanvasObject* title_ = nullptr;
  int32_t default_top_height_ = 25;
  int32_t default_side_width_ = 3;
  int32_t default_bottom_height_ = 3;
  // 19-25: buttons and the splitter.
  engine::ImageButton* close_button_ = nullptr;
  engine::ImageButton* fit_button_ = nullptr;
  engine::ImageButton* min_button_ = nullptr;
  engine::ImageButton* settings_button_ = nullptr;
  engine::ImageButton* help_button_ = nullptr;
  engine::ImageButton* shop_button_ = nullptr;
  SplitterBar* splitter_ = nullptr;
  // 26-45: the match parts.
  engine::NumberDisplay* rank_digits_ = nullptr;
  engine::RichTextBox* result_text_ = nullptr;
  engine::CanvasObject* result_dialog_ = nullptr;
  engine::SpriteObject* table_animation_ = nullptr;
  engine::SpriteObject* state_picture_ = nullptr;
  engine::EngineObject* spare_picture_ = nullptr;
  engine::CanvasObject* close_board_ = nullptr;
  engine::EngineObject* match_extra_ = nullptr;
  engine::ImageButton* signup_button_ = nullptr;
  engine::ImageButton* giveup_button_ = nullptr;
  engine::ActionGroup* match_begin_group_ = nullptr;
  int32_t auto_close_seconds_ = 15;
  int32_t hold_ = 0;
  engine::DigitStrip* fee_line_ = nullptr;
  engine::DigitStrip* countdown_ = nullptr;
  engine::DigitStrip* round_title_ = nullptr;
  engine::DigitStrip* rest_tables_ = nullptr;
  uint64_t countdown_timer_ = 0;
  uint32_t match_result_[kMatchResultWords] = {};
  engine::CanvasObject* result_backdrop_ = nullptr;
  engine::ImageButton* result_close_button_ = nullptr;
  engine::ImageButton* award_button_ = nullptr;
  engine::ImageButton* exchange_button_ = nullptr;
  // 46-52: the card, the force-exit box and the maximised flag.
  engine::CanvasObject* card_ = nullptr;
  engine::WidgetBase* card_button_ = nullptr;
  engine::WidgetBase* card_close_button_ = nullptr;
  uint32_t card_user_ = 0;  // 0: none
  int32_t card_character_ = -1;
  int32_t card_pinned_ = 0;
  uint32_t force_exit_box_key_ = 0;
  uint32_t last_box_key_ = 0;
  int32_t maximized_ = 1;
  // Of the boards and cards.
  engine::SpriteObject* auto_play_ = nullptr;
  engine::CanvasObject* notice_board_ = nullptr;
  uint64_t round_timer_ = 0;  // the posted round-timer message, 0 when none
  // Sizes the chrome was made with.
  int32_t top_height_ = 25;
  int32_t left_width_ = 3;
  int32_t right_width_ = 3;
  int32_t bottom_height_ = 3;
  // The title drag: the point of the window the press grabbed (window pixels), whether the
  // pointer has gone past the drag distance yet, the window's size while it follows the pointer,
  // and the repeating message that has it follow.
  int32_t grab_x_ = 0;
  int32_t grab_y_ = 0;
  int32_t drag_moving_ = 0;
  int32_t drag_width_ = 0;
  int32_t drag_height_ = 0;
  uint64_t drag_follow_ = 0;
  // While the title strip's input is handled: where it put the pointer on the screen.
  bool drag_input_ = false;
  platform::POINT drag_input_at_{};
};

}  // namespace frame
