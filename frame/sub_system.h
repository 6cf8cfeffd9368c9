// The side panel of the game window, "SubSystem": the game frame's child on the right of the
// table. It makes its bars once, when it joins the scene, and stacks them top to bottom inside
// its rectangle every time the rectangle is set:
//   normal mode: the system-bar background, "AdvertBar", "UserListBar";
//   match mode:  "MatchListBar";
//   both:        "ChatBox" (filling what the others leave) and "InputBar" at the bottom, which
//                carries the system-bar buttons (emoticons, clear, screenshot, complaint and,
//                when the user may use it, the safe box).
// Whether the application is in match mode is read once, at creation.
//
// It is the one receiver of the application messages that concern the panel: it writes the chat
// lines and notices itself (sub_system_lines.cpp) and passes the rest to the bar that owns the
// matter. Bars are found by object name at each use; a bar that does not exist is skipped.
//
// Messages (p1 and p2 are the message's words):
//   80000014-80000017  a player or looker came or went; p1 a shell::PlayerRecord (the sender's)
//   80000018, 80000020 a random table, a moved table
//   80000019           refresh the user list
//   80000021           a safe-box, allowance or base-silver event; p1 a shell::SafeBoxRecord
//   80000022, 80000025, 80000026, 80000028  match list: ranking, clock start and stop, sign-ups
//   80000057, 80000064 a system text, a notice text: p1 a heap text (shell::NewHeapText) freed here
//   80000058, 80000059 a chat line, a relayed chat line: p1 a shell::NotifyBody (201210, 211200)
//   80000060           an address for the advert bar: p1 a heap text freed here
//   80000061           the member amulet notice: p1 a shell::NotifyBody (211900)
//   80000062           the chair records: p1 a shell::ChairRecords
//   80000065, 80000066 a phrase or emoticon code to send or to insert: p1 a text of the sender's
//   80000067, 80000069 the input bar's send and quick-phrase buttons
//   80000068           the typed line: p1 the input bar's text, valid during the call only
//   80000070           a quick phrase: p1 the phrase (the sender's), p2 the phrase menu to close
//   80000075           clear the chat
//   19840395-19840399  the system-bar buttons; 19840401 ask the server about the user p1
// Records and texts handed over by pointer are read during the call only (bounded to their
// bodies); only the heap texts named above are freed. Every message answers 1.
//
// The own chat line goes out through the session (201211). It is taken out of the input line only
// once the server accepted it: a refused or unanswered line stays in the input line, and the
// chat says it was not sent.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/rect_object.h"
#include "frame/chat_flood_gap.h"
#include "shell/frame_records.h"
#include "shell/notify_body.h"
#include "shell/player_record.h"

namespace engine {
class CanvasObject;
class ImageButton;
}  // namespace engine

namespace frame {

class AdvertBar;
class ChatBox;
class InputBar;
class MatchListBar;
class OperateBar;
class UserListBar;

// The records the notification handler hands the side panel (each the body of a notification,
// little-endian, read with its length).
namespace panel_record {
// 201210, a chat line: u32 sender user id, the text from byte 48.
inline constexpr size_t kChatSender = 0;
inline constexpr size_t kChatText = 48;
// 211200, a relayed chat line: u32 sender (byte 0), u32 kind (byte 8), the text from byte 36.
inline constexpr size_t kRelayedSender = 0;
inline constexpr size_t kRelayedKind = 8;
inline constexpr size_t kRelayedText = 36;
inline constexpr uint32_t kRelayedAsItStands = 2;
inline constexpr uint32_t kRelayedChat = 8;
// 211900, the member amulet: u32 flags (bit 0: valid), u32 user id per chair (8), i32 points per
// chair (8).
inline constexpr size_t kAmuletFlags = 0;
inline constexpr size_t kAmuletUsers = 4;
inline constexpr size_t kAmuletPoints = 36;
inline constexpr size_t kAmuletBytes = 68;
// The longest chat text read from a record; longer texts are cut on a character boundary.
inline constexpr size_t kMaxChatText = 512;
}  // namespace panel_record

class SubSystem : public engine::RectObject {
 public:
  static constexpr const char* kObjectName = "SubSystem";
  // Own chat lines: bytes for everybody, for members (flag 0x1). The input line takes no more
  // than the user's own line may carry.
  static constexpr size_t kChatLimit = 60;
  static constexpr size_t kMemberChatLimit = 250;
  // The chat colours while no table view has published its own (engine integer settings
  // table::CTableView::kSettingChatColour1 to 3: the own name, other names, other players' text).
  static constexpr engine::COLORREF kDefaultOwnNameColour = 0x408000;
  static constexpr engine::COLORREF kDefaultNameColour = 0xF67130;
  static constexpr engine::COLORREF kDefaultTextColour = 0x404040;
  // The screenshot's JPEG quality and folder (beside the program).
  static constexpr int kScreenshotQuality = 75;
  static constexpr const char* kScreenshotFolder = "temp\\";
  // The system-bar buttons' caption width, and the quick-silver menu's entries.
  static constexpr int32_t kCaptionWidth = 120;
  static constexpr int32_t kQuickSilverWidth = 100;
  static constexpr int32_t kQuickSilverHeight = 20;

  SubSystem() = default;
  ~SubSystem() override = default;

  // ---- Engine overrides ----
  // Creation: the bars by mode, then the chat box and the input bar with the system buttons.
  void OnAddedToScene() override;
  int OnMessage(const engine::ObjectMessage* message) override;
  // The rectangle was set: LayoutBars.
  void OnRectChanged() override;
  // The welcome line, the bars' first drawing and the notice fetch.
  void OnEnterGame() override;

  // ---- Own operations, in slot order ----
  virtual void LayoutBars();
  virtual void OnTableState() {}
  virtual void OnMatchTableState();
  virtual void ClearChat();
  // Saves the window as a JPEG file in the folder beside the program; the chat says where, once
  // the file was written, or that it could not be.
  virtual void SaveScreenshot();
  virtual void OpenComplaintPage();
  virtual void ToggleEmoticons();
  // flag 1: into the input line; flag 0: sent at once unless the input line has the focus.
  virtual void PutChatText(const char* text, uintptr_t unused, int flag);
  virtual void SendMyChat(const char* text);
  virtual void AddChatLine(const shell::NotifyBody* record);
  virtual void AddRelayedChat(const shell::NotifyBody* record);
  virtual void AddNotice(const char* text);
  virtual void OnMatchProgress() {}
  virtual void CreateAdvertBar();
  virtual void CreateOperateBar();
  virtual void CreateUserListBar();
  virtual void CreateMatchListBar();
  virtual void CreateChatBox();
  virtual void CreateSystemButtons();
  virtual int32_t GetAdvertBarHeight();
  virtual int32_t GetOperateBarHeight();
  virtual int32_t GetMatchListBarHeight();
  virtual int32_t GetUserListBarHeight();
  virtual int32_t GetUserListRowHeight();
  virtual int32_t GetChatBoxHeight();
  virtual int32_t GetInputBarHeight();
  virtual void AddQuickChatPhrases();
  virtual void OpenSafeBox();
  virtual void PrepareQuickSilver();
  virtual void ShowAmuletNotice(const shell::NotifyBody* record);
  virtual void OnChairRecords(const shell::ChairRecords* /*records*/) {}
  virtual void AddEnterLine(const shell::PlayerRecord* record);
  virtual void AddLeaveLine(const shell::PlayerRecord* record);
  virtual void AddLookOnEnterLine(const shell::PlayerRecord* record);
  virtual void AddLookOnLeaveLine(const shell::PlayerRecord* record);
  virtual void AddRandomTableLine();
  virtual void AddMovedTableLine();
  virtual void AddSafeBoxNotice(const shell::SafeBoxRecord* record);

  // ---- Not virtual ----
  // The bars, found by name (null when there is none).
  AdvertBar* GetAdvertBar();
  UserListBar* GetUserListBar();
  MatchListBar* GetMatchListBar();
  ChatBox* GetChatBox();
  InputBar* GetInputBar();
  OperateBar* GetOperateBar();
  // Null outside normal mode.
  engine::CanvasObject* GetSystemBarBackground() const { return system_bar_; }
  bool IsMatchMode() const { return match_; }
  // The tick of the last own chat line let through the flood gap.
  uint32_t GetLastChatTime() const { return flood_gap_.GetLastSendTime(); }
  // The screenshot's file name (without the folder and ".jpg") for a local time.
  static std::string ScreenshotName(const std::string& game, uint32_t user_id, int year, int month, int day, int hour,
                                    int minute, int second);
  // The complaint page's address.
  static std::string ComplaintAddress(const std::string& host, uint32_t game_id);

 protected:
  // The most bytes the own user's chat line carries: kMemberChatLimit for members, else kChatLimit.
  static size_t OwnChatLimit();
  // The input line takes no more than OwnChatLimit.
  void LimitInputLine();
  // What the chat line whose text is `text` looks like for the own user (flags as given).
  void EchoOwnLine(const std::string& text, bool member, bool no_flood_limit);
  // The colour an integer setting names, or the fallback when it is not set.
  engine::COLORREF ChatColour(uint32_t key, engine::COLORREF fallback);
  engine::COLORREF OwnNameColour();
  engine::COLORREF NameColour();
  engine::COLORREF TextColour();
  // Appends a line through the chat box's display (markup read, links live).
  void DisplayAppend(const std::string& line);
  // The score history is forgotten and the advert bar shows it again (after a table change).
  void ResetScores();
  engine::ImageButton* MakeSystemButton(const char* picture, const char* name, const char* caption, uint32_t id);

 private:
  ChatFloodGap flood_gap_;
  engine::CanvasObject* system_bar_ = nullptr;
  bool match_ = false;
};

}  // namespace frame
