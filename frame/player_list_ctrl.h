// The rows of the user list: one picture as wide as all columns and as high as all rows, with
// one row per player or looker (and empty padding rows) drawn from the columns of the user list
// bar. The row under the pointer is highlighted; a left click on a user's row shows the user's
// card; a right click opens the context menu: the user's avatar and name, "查看详细", silver,
// score and level, "允许旁观看牌"/"禁止旁观看牌", "呼叫玩家" and "复制玩家名".
//
// What it sends and asks:
//   the user's card: through the game frame, which asks the lobby for the user's details (0x9108)
//       or, offline, shows the card from the table's records (ShowUserCard);
//   "呼叫玩家": sound "SndFa", request 201200 through the application's session, and the call
//       line in the chat through the notification handler's call-player operation;
//   "允许旁观看牌"/"禁止旁观看牌": request 229560 (waits); when it succeeds the looker is added to or
//       taken from the look-on permissions and a chat line goes out (AppendSystemText);
//   "复制玩家名": the name on the clipboard.
// The list keeps the lookers the own player allows to see its cards (IsLookOnAllowed).
//
// Other people's names are drawn as inert text and bounded to their record fields; a command
// whose user is no longer at the table does nothing but close the menu.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "engine/core/widget_base.h"
#include "frame/column_def.h"
#include "shell/player_record.h"

namespace engine {
class CanvasObject;
}

namespace frame {

class PopupMenu;
class PopupMenuItem;

// One row: the user's record copied whole, and its looks.
struct PlayerRow {
  shell::PlayerRecord record;
  int32_t parity = 1;   // 1 or 2, alternating from the top: picks the background frame
  int32_t marked = 0;   // a second highlight, drawn like the hover
  int32_t hovered = 0;  // 1 while the pointer is over the row
};

class PlayerListCtrl : public engine::WidgetBase {
 public:
  // What the list sends itself: pointer events and the menu's entries.
  static constexpr uint32_t kLeftDown = 1052;
  static constexpr uint32_t kRightDown = 1053;
  static constexpr uint32_t kCopyName = 1054;
  static constexpr uint32_t kHideMenu = 1055;
  static constexpr uint32_t kShowDetails = 1056;
  static constexpr uint32_t kCallPlayer = 1057;
  static constexpr uint32_t kNothing = 1058;
  static constexpr uint32_t kPointerLeft = 1059;
  static constexpr uint32_t kInfoLine = 1060;
  static constexpr uint32_t kPointerMoved = 1061;
  static constexpr uint32_t kToggleLookOn = 1062;

  // Link flags of the list's picture: it follows everything the list does.
  static constexpr uint32_t kSkinLinks = engine::link_flag::kFollowAll;
  // The context menu: entries 162 wide (160 + 2) and 30 high.
  static constexpr int32_t kMenuWidth = 162;
  static constexpr int32_t kMenuEntryHeight = 30;
  static constexpr int32_t kMenuFontSize = 12;
  static constexpr engine::COLORREF kMenuColour = 0xF0F0F0;
  // The chat line's colour when a looker is allowed or forbidden to see the own cards.
  static constexpr engine::COLORREF kLookOnLineColour = 2906200;
  // Entries of the menu.
  enum MenuEntry {
    kEntryUser = 0,
    kEntryDetails,
    kEntrySilver,
    kEntryScore,
    kEntryLevel,
    kEntryLookOn,
    kEntryCall,
    kEntryCopy,
    kEntryCount
  };

  PlayerListCtrl() = default;
  ~PlayerListCtrl() override = default;

  int OnMessage(const engine::ObjectMessage* message) override;

  // Sizes the list and makes its picture (width x height) and its pointer subscriptions. The
  // list must be in a scene.
  virtual bool Create(int32_t width, int32_t height);
  virtual void BuildContextMenu();
  // Selects a row for the menu's commands and plays "SndSelectBlock".
  virtual void SelectRow(int32_t index);
  // Opens the menu for the selected row just below and right of (x, y), kept inside the side
  // panel and the window; x or y below 0 opens it at the list's right edge. show 0 hides it.
  virtual void ShowMenu(bool show, int32_t x, int32_t y);
  // Drops every row and the selection (the hovered index is kept).
  virtual void ClearRows();
  // The bar's columns, read when drawing; the bar keeps them.
  virtual void SetColumns(const ColumnList* columns);
  // Appends a copy; the row count.
  virtual int AddRow(const PlayerRow& row);
  virtual void RedrawRows();
  virtual void DrawRow(int32_t index);
  // Resizes the list and its picture, then redraws.
  virtual void SetListSize(int32_t width, int32_t height);
  // The row under a scene point, or -1 (a point on the very bottom edge gives the row count).
  virtual int32_t RowAt(int32_t x, int32_t y);
  virtual std::string GetRowName(int32_t index);
  virtual uint32_t GetRowUserId(int32_t index);
  virtual int32_t GetRowAvatar(int32_t index);
  virtual int32_t GetRowSilver(int32_t index);
  virtual int32_t GetRowScore(int32_t index);
  virtual std::string GetRowLevel(int32_t index);
  // The text a row shows in a column (before it is made inert for drawing): numbers in decimal,
  // level and wealth cut to 10 bytes, the watched player's name (lookers only) to 10, the second
  // name to 12; "" for an empty row or a column without text.
  virtual std::string GetCellText(int32_t index, int32_t column_id);
  // Shows a user's card through the game frame (which hides the card showing, and offline draws
  // it from the table's records); without a game frame the lobby is asked for the details.
  virtual void ShowUserCard(uint32_t user_id);

  bool IsLookOnAllowed(uint32_t user_id) const { return look_on_.count(user_id) != 0; }
  // Used when a looker leaves.
  void RemoveLookOnPermission(const shell::PlayerRecord* record);
  void ClearLookOnPermissions() { look_on_.clear(); }
  // After the owner rebuilt the rows: an open menu follows its user to the user's new row, or
  // closes when the user is gone.
  void RowsRebuilt();

  int GetRowCount() const { return static_cast<int>(rows_.size()); }
  const PlayerRow* GetRow(int32_t index) const;
  int32_t GetSelectedRow() const { return selected_; }
  int32_t GetHoveredRow() const { return hovered_; }
  int32_t GetRowHeight() const { return row_height_; }
  PopupMenu* GetMenu() const { return menu_; }
  PopupMenuItem* GetMenuEntry(int entry) const;
  engine::CanvasObject* GetCanvas() const;

 private:
  bool IsRow(int32_t index) const { return index >= 0 && index < static_cast<int32_t>(rows_.size()); }
  // The user id of the selected row, 0 without one.
  uint32_t SelectedUser() const;
  void HideMenu();
  void PlaceMenu(int32_t x, int32_t y);
  void FillMenu();
  void CallPlayer();
  void ToggleLookOn();
  void CopyName();

  PopupMenu* menu_ = nullptr;
  PopupMenuItem* entries_[kEntryCount] = {};
  const ColumnList* columns_ = nullptr;
  std::vector<PlayerRow> rows_;
  int32_t hovered_ = -1;
  int32_t selected_ = -1;
  std::set<uint32_t> look_on_;
  int32_t row_height_ = 0;
  // The user the open menu was for while the rows are rebuilt.
  uint32_t menu_user_ = 0;
};

}  // namespace frame
