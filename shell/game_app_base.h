// The application object: lives for the whole process and owns the game-server session, the
// notification handler, the table-state holder, the main window, the lobby link and the notice
// fetcher. Every other object reaches them, and the values of the lobby's command line and start
// data, through its getters (GetApp(), GetTableStateHolder(), GetAppView()).
//
// Start: InitInstance(command line) reads the lobby's command line, creates the main window
// with the engine and its root object (NewGameFrameObject), and tells the lobby. The lobby's
// start data come later as record 1 to the main window (TakeStartData); once taken, the window
// posts itself 0x85B1 and the root object hears OnEnterGame.
//
// The game derives its application from this class: it supplies the root object, its own
// notification handler and table-state holder (SetNotifyHandler, SetTableStateHolder), and fills
// the hooks left empty here (EnterNormalGame, EnterMatchGame, OnMatchResult, the welfare
// prompts' success path).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/object_message.h"
#include "net/card_game_session.h"
#include "net/session_context.h"
#include "platform/win_types.h"
#include "shell/enter_game_data.h"
#include "shell/lobby_command_line.h"
#include "shell/player_record.h"

namespace engine {
class EngineObject;
class RectObject;
}  // namespace engine
namespace platform {
class Window;
}  // namespace platform

namespace shell {

using platform::COLORREF;

class AppFrameView;
class CGameFrameWnd;
class CServerNotifyBase;
class IGameHandler;
class LobbyLink;
class NoticeFetcher;
class TableNotifyTarget;
class WaitBox;

// The match (tournament) values the frame, the board and the match list read and write.
struct MatchData {
  int32_t stage = 0;             // below 500 not started, from 600 on over
  int32_t seconds_to_start = 0;  // counted down by the frame
  int32_t signup_fee = 0;
  int32_t fee_kind = 0;  // 1 silver, 2 tokens
  int32_t round = 0;
  int32_t info_value = 0;
  int32_t result_words[2] = {};
  int32_t next_duan_score = 0;
  int32_t row_count = 0;
  int32_t qualifying_count = 0;
  int32_t qualifying_flag = 0;
  int32_t own_rank = 0;
  int32_t players_left = 0;
  int32_t rank_status = 0;
  int32_t clock_value = 0;
  int32_t signup_count = 0;
  std::vector<std::array<uint8_t, 64>> ranking_records;
  // The match's own name (the match list's title); without one the title is the room's name.
  std::string match_name;
  // The match's format ("定局淘汰" and the like) and its description.
  std::string format_name;
  std::string format_description;
  std::string ranking_text;
};

// Per-chair results of the games played at this table: totals and the last 30 results, the
// result of game g (counted from 1) at index (g - 1) % 30.
struct ScoreHistory {
  static constexpr int kRing = 30;
  int32_t game_count = 0;
  int32_t totals[kMaxChairs] = {};
  int32_t results[kMaxChairs][kRing] = {};
};

// Score entries of the last game: a common argument and 64-byte entries that begin with a user
// id and a value.
struct ScoreEntries {
  int32_t common = 0;
  std::vector<std::array<uint8_t, 64>> entries;
};

class CGameAppBase : public net::SessionContext {
 public:
  static constexpr int kDefaultChairCount = 3;
  static constexpr int kTurnSeconds = 20;
  static constexpr int kMaxHandCards = 32;
  static constexpr int kAnswerBufferWords = 64;
  // The main window's client size when the system tells no work area to maximise it to.
  static constexpr int kClientWidth = 1024;
  static constexpr int kClientHeight = 768;
  // The largest notice text passed on to the side panel.
  static constexpr size_t kMaxNoticeBytes = 8192;

  CGameAppBase();
  ~CGameAppBase() override;
  CGameAppBase(const CGameAppBase&) = delete;
  CGameAppBase& operator=(const CGameAppBase&) = delete;

  // ---- Start and end ----
  // Reads the command line and the settings, creates the main window and tells the lobby.
  // False (after a message box) when the client cannot start.
  virtual bool InitInstance(const std::string& command_line);
  // Saves the settings and tells the lobby the client ends; the exit code.
  virtual int ExitInstance();
  bool ParseCommandLine(const std::string& line);
  // Why the last command line was refused (empty when it was taken).
  const std::string& GetCommandLineError() const { return command_error_; }
  // Reads the lobby's start data; false (nothing changed) when they are refused. The lobby
  // hears which (record 5).
  bool TakeStartData(const uint8_t* data, size_t size);
  // Another lobby record (4 a looker joins, 6 a player left); false when it is not one of these
  // or is refused.
  virtual bool OnLobbyRecord(uint32_t code, const uint8_t* data, size_t size);
  // Creates the main window (NewFrameWindow) and its engine with the root (NewGameFrameObject).
  bool CreateMainWindow();
  // The enter-game hook, called last by the root object's OnEnterGame: EnterMatchGame in match
  // mode, else EnterNormalGame.
  virtual void OnEnterGame();
  virtual void EnterNormalGame() {}
  virtual void EnterMatchGame() {}
  virtual void OnMatchResult() {}
  // Replay mode: starts offline, without lobby and server, at the table the replay recorded
  // (its command line values and start data, made from the file; nobody is told), creates the
  // main window and brings the table up (0x85B1), whose replay bar then opens the file. False,
  // after a log line, when the main window cannot be made.
  bool StartReplay(const std::string& path, const LobbyCommandLine& command, const EnterGameData& start);

  // ---- Owned objects ----
  net::CCardGameSession* GetSession() { return session_.get(); }
  CServerNotifyBase* GetNotifyHandler() { return notify_.get(); }
  IGameHandler* GetTableStateHolder() { return holder_.get(); }
  CGameFrameWnd* GetMainWnd() { return main_wnd_.get(); }
  LobbyLink* GetLobby() { return lobby_.get(); }
  NoticeFetcher* GetNoticeFetcher() { return notice_fetcher_.get(); }
  // The root engine object "GameFrame" (null without a main window).
  engine::RectObject* GetGameFrame();
  // The game frame's services to the application (null when the root does not offer them).
  AppFrameView* GetAppView();
  // The table view ("MainGame"), as the notification layer talks to it.
  virtual TableNotifyTarget* GetMainGame();
  void SetSession(std::unique_ptr<net::CCardGameSession> session);
  void SetNotifyHandler(std::unique_ptr<CServerNotifyBase> handler);
  void SetTableStateHolder(std::unique_ptr<IGameHandler> holder);
  void SetLobby(std::unique_ptr<LobbyLink> lobby);
  void SetNoticeFetcher(std::unique_ptr<NoticeFetcher> fetcher);

  // ---- Values of the command line and the start data ----
  uint32_t GetUserId() override { return command_.user_id; }
  int32_t GetChair() override { return command_.chair; }
  uint32_t GetRoomRecordId() override;
  // The zero-based table number.
  uint32_t GetTableRecordId() override;
  uint32_t GetGameId() const { return command_.game_id; }
  const std::string& GetGameName() const { return command_.game_name; }
  uintptr_t GetLobbyWindow() const { return command_.lobby_window; }
  const LobbyCommandLine& GetCommandLine() const { return command_; }
  int GetLookOn() const { return command_.look_on ? 1 : 0; }
  uint32_t GetField9() const { return command_.field9; }
  uint32_t GetTableOptions() const { return command_.table_options; }
  bool TestTableOption(uint32_t mask) const { return (command_.table_options & mask) != 0; }
  bool TestTableOption2() const { return TestTableOption(0x2); }
  bool TestTableOption8() const { return TestTableOption(0x8); }  // random seating
  bool TestTableOption40() const { return TestTableOption(0x40); }
  bool TestTableOption80() const { return TestTableOption(0x80); }
  uint32_t GetRoomOptions() const;
  bool TestRoomOption4() const { return (GetRoomOptions() & 0x4) != 0; }  // rooms that play for silver
  bool TestRoomOption4000() const { return (GetRoomOptions() & 0x4000) != 0; }
  // Whether recording is asked for (table option 0x20000); the game's application answers 0.
  virtual bool TestRecordOption() { return TestTableOption(0x20000); }
  bool HasStartData() const { return has_start_data_; }
  const EnterGameData& GetStartData() const { return start_; }

  // ---- Modes and flags ----
  bool IsMatch() const { return match_; }
  void SetMatch(bool on) { match_ = on; }
  bool IsReplayMode() const { return replay_mode_; }
  void SetReplayMode(bool on) { replay_mode_ = on; }
  // The replay file the client was started with; empty outside replay mode.
  const std::string& GetReplayFile() const { return replay_file_; }
  // No lobby and no server.
  int IsOfflineMode() const { return offline_mode_ ? 1 : 0; }
  void SetOfflineMode(bool on) { offline_mode_ = on; }
  // Set and cleared by the application around a game; the table then shows neither the waiting
  // sign nor the start button.
  int IsGameRunning() const { return game_running_ ? 1 : 0; }
  void SetGameRunning(bool on) { game_running_ = on; }
  // The game flag the exit rules and the round timer read.
  bool GetGameFlag() const { return game_flag_; }
  void SetGameFlag(bool on) { game_flag_ = on; }
  // Table option 0x2 clear and fewer than 2 force-exit requests sent.
  bool IsForceExitAllowed();
  // Not watching, room option 0x4 and table option 0x1000000.
  int CanUseSafeBox() const;
  bool IsSoundOn() const { return sound_on_; }
  void SetSoundOn(bool on) { sound_on_ = on; }

  // ---- The people at the table ----
  virtual int GetChairCount() { return kDefaultChairCount; }
  int GetPlayerCount() const { return static_cast<int>(start_.players.size()); }
  int GetLookerCount() const { return static_cast<int>(start_.lookers.size()); }
  // The record of the player on a chair (null for an empty chair or one outside 0..7).
  const PlayerRecord* GetPlayerRecord(int chair) const;
  const PlayerRecord* GetLookerRecord(int index) const;
  // A player's or looker's record, players first; null for user id 0 or a stranger.
  const PlayerRecord* FindPlayerRecord(uint32_t user_id) const;
  // The chair of a player, or the chair a looker watches; -1 when the user is neither.
  int32_t GetChairOfUser(uint32_t user_id) override;
  bool IsChairTaken(int chair) const { return GetPlayerRecord(chair) != nullptr; }
  bool IsPlayer(uint32_t user_id) const;
  bool IsLooker(uint32_t user_id) const;
  uint32_t GetChairUserId(int chair, int = 0) const;
  // Names: empty for a stranger. The display name is "%s[%s]" of the name and the second name,
  // or the name alone when there is no second name.
  std::string GetUserName(uint32_t user_id) const;
  std::string GetUserDisplayName(uint32_t user_id) const;
  std::string GetChairName(int chair) const;
  std::string GetChairDisplayName(int chair) const;
  // Flag 0x1 (member mark) and flag 0x1000 of the user's record; 0 for a stranger.
  int GetUserFlag1(uint32_t user_id) const;
  int GetUserFlag1000(uint32_t user_id) const;
  // The chat-filter hook: 0 accepts the text.
  virtual int FilterChat(const char*) { return 0; }

  // Seats a player or looker who came to the table (the record's looker flag says which): false,
  // with nothing changed, for user id 0, a chair outside the table, a player's chair taken by
  // someone else, or no room for another looker. Someone already at the table gets the new
  // record in place of the old one.
  bool AddPerson(const PlayerRecord& record);
  // Takes a player or looker off the table, their record into *out (when given); false when the
  // user is at the table neither as player nor as looker.
  bool RemovePerson(uint32_t user_id, PlayerRecord* out);

  // ---- Match records and data ----
  // Keeps a player's match record by chair (288 bytes); false when refused.
  bool SetTableExtra(int chair, const uint8_t* data, size_t size);
  TableExtraRecord* FindTableExtra(uint32_t user_id);
  // The duan of the player on a chair in match mode; -1 outside match mode or without a record.
  int32_t GetMatchChairValue(int chair);
  MatchData& GetMatchData() { return match_data_; }
  bool IsValueBelow500() const { return match_data_.stage < 500; }
  bool IsValueAtLeast500() const { return match_data_.stage >= 500; }
  bool IsValueAtLeast600() const { return match_data_.stage >= 600; }
  ScoreHistory& GetScoreHistory() { return score_history_; }
  // Adds one game's results (8 per-chair values) to the history.
  void AddScoreHistory(const int32_t* per_chair);
  void ClearScoreHistory();
  ScoreEntries& GetScoreEntries() { return score_entries_; }
  // The answer buffer: the enter-game answer's words (word 14: the idle-kick seconds).
  const int32_t* GetAnswerBuffer() const { return answer_buffer_.data(); }
  void SetAnswerBuffer(const uint8_t* data, size_t size);
  uint32_t GetGameRunningWord() const { return game_running_word_; }
  void StoreGameRunningWord(uint32_t word) override { game_running_word_ = word; }
  std::string GetMachineId() override;

  // ---- Game constants the table reads ----
  virtual int GetTurnTime() { return kTurnSeconds; }
  virtual int GetMaxHandSize() { return kMaxHandCards; }
  virtual int GetLevelValue() { return 0; }

  // ---- Texts, paths, addresses and colours ----
  // The game's name as the title shows it (the internal name until the game says otherwise).
  virtual std::string FormatGameName() { return command_.game_name; }
  std::string FormatRoomName() const;
  std::string GetLocationName() const;
  // The executable's folder with a trailing '\'.
  std::string GetExeDir() const;
  // "<game name>.ini" beside the program.
  std::string GetGameIniPath() const;
  // The user's own settings file ("FIXDEPOSIT"): "userdata\<user id>.ini".
  std::string GetUserDataPath() const;
  std::string GetDomainFilePath() const;
  // The start of an avatar file name for a character: "face\Character<n>_".
  std::string GetAvatarFilePrefix(int character) const;
  // The web host of the platform's pages ("WEB" "Host" of the game ini).
  std::string GetWebHost() const;
  // "ADVERT" "Url" of the game ini, else a page of the web host for the game.
  std::string GetAdvertWindowUrl() const;
  std::string GetAwardPageAddress() const;
  // The game's notice text: "/notify/game/<game id>.txt" on the web host.
  std::string GetNoticeAddress() const;
  COLORREF GetTitleTextColour() const { return colours_.title_text; }
  COLORREF GetAdvBkColour() const { return colours_.adv_back; }
  COLORREF GetAdvGridColour() const { return colours_.adv_grid; }
  COLORREF GetAdvHeaderColour() const { return colours_.adv_header; }
  COLORREF GetAdvTextColour() const { return colours_.adv_text; }
  COLORREF GetPlayerViewHeaderColour() const { return colours_.player_view_header; }
  COLORREF GetPlayerViewTextColour() const { return colours_.player_view_text; }
  // Reads the game ini's options and colours (InitInstance does).
  void LoadSettings();
  void SaveSettings();

  // ---- What the application shows ----
  // Posts a heap copy of the text to the side panel (80000057), which ends in the chat box.
  virtual void AppendSystemText(const char* text);
  virtual void ShowMessageBox(const char* text, const engine::ObjectMessage* ok, const engine::ObjectMessage* cancel,
                              int32_t buttons, int32_t style, const char* icon);
  // Plays "Snd_msg" and shows a system message in the game frame.
  virtual void ShowExitBox(const char* text, int32_t buttons, int32_t style, const char* icon);
  // The wait box (shell/wait_box.h): (text, 1) shows it with the text at once, (text, 0) takes it
  // down. A request that blocks the window is framed by the two.
  virtual void PostToCommThread(const char* text, int show);
  const std::string& GetWaitText() const { return wait_text_; }
  bool IsWaitTextShown() const { return wait_shown_; }
  // The wait box while it is on show, else null.
  engine::EngineObject* GetWaitBox();
  // Posts {key of the object so named under the game frame, id, p1, p2}; false (nothing posted,
  // what p1 points to still the caller's) when there is no such object.
  bool PostToObject(const char* name, uint32_t id, uintptr_t p1, uintptr_t p2);
  // Sends 80000055 (refresh) or 80000056 (forget look-on permissions) to "UserListBar", and
  // 80000054 to "AdvertBar".
  void RefreshUserList();
  void ClearLookOnPermissions();
  void RefreshAdvertBar();
  // Plays an engine sound through the root object.
  virtual void PlaySound(const char* name);
  // The welfare prompts: a failure is shown with its fixed text; a claim reports the silver given.
  virtual void OnWelfareConfig(int result, const std::string& answer_text, int32_t value, const int32_t* area);
  virtual void OnWelfareClaim(int result, const std::string& answer_text, int32_t a, int32_t b, int32_t amount);

  // ---- The lobby ----
  // Record 11 {code, text}: code 1 asks the lobby to open a web page.
  bool SendLobbyText(const char* text, uint32_t code);
  // Record 2: the window's state (0 gone, 1 shown, 2 minimised).
  bool SendLobbyState(platform::Window* window);
  // 0x9108: asks the lobby for a user's details (it answers with record 7).
  bool RequestUserDetails(uint32_t user_id);
  // Opens a web address (offline mode has no lobby to ask).
  bool OpenUrlInThread(const char* address, int flag);
  // The client has no communication thread; this only marks that the session is done with.
  void StopCommThread();
  bool IsCommThreadStopped() const { return comm_stopped_; }

  // ---- The main window ----
  // The engine's root object; the game returns its own frame.
  virtual engine::RectObject* NewGameFrameObject();
  virtual CGameFrameWnd* NewFrameWindow();
  // Closes the main window without the exit rules (a decision to leave was taken).
  void ConfirmClose();

 private:
  struct Colours {
    COLORREF title_text = 0xFFFFFF;
    COLORREF adv_back = 0xF8F4F0;
    COLORREF adv_grid = 0xC8BCB0;
    COLORREF adv_header = 0xD0F0FF;  // light cream: the score table's head stands on a dark title
    COLORREF adv_text = 0x000000;
    COLORREF player_view_header = 0xE8DCCC;
    COLORREF player_view_text = 0x000000;
  };
  // The object named so under the game frame, or null.
  engine::EngineObject* FindObject(const char* name);
  void SendToObject(const char* name, uint32_t id);
  uintptr_t MainWindowId() const;
  bool PostToLobby(uint32_t message, uintptr_t wparam, intptr_t lparam);

  std::unique_ptr<net::CCardGameSession> session_;
  std::unique_ptr<CServerNotifyBase> notify_;
  std::unique_ptr<IGameHandler> holder_;
  std::unique_ptr<LobbyLink> lobby_;
  std::unique_ptr<NoticeFetcher> notice_fetcher_;
  std::unique_ptr<WaitBox> wait_box_;
  std::unique_ptr<CGameFrameWnd> main_wnd_;
  CGameAppBase* previous_app_ = nullptr;

  LobbyCommandLine command_;
  bool has_command_line_ = false;
  std::string command_error_;
  EnterGameData start_;
  bool has_start_data_ = false;
  TableExtraRecord extras_[kMaxChairs];
  bool has_extra_[kMaxChairs] = {};
  bool match_ = false;
  bool replay_mode_ = false;
  std::string replay_file_;
  bool offline_mode_ = false;
  bool game_running_ = false;
  bool game_flag_ = false;
  bool sound_on_ = true;
  bool comm_stopped_ = false;
  bool wait_shown_ = false;
  std::string wait_text_;
  uint32_t game_running_word_ = 0;
  std::array<int32_t, kAnswerBufferWords> answer_buffer_{};
  MatchData match_data_;
  ScoreHistory score_history_;
  ScoreEntries score_entries_;
  Colours colours_;
};

// The application object of the process (null when none exists).
CGameAppBase* GetApp();
// The application's table-state holder (null without an application).
IGameHandler* GetTableStateHolder();
// The application's game frame, as the application sees it (null when there is none).
AppFrameView* GetAppView();

}  // namespace shell
