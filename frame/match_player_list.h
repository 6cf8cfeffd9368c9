// The match ranking table: a rich-text view whose lines are MatchRankRow objects, one per
// ranking record. Rows light up under the pointer; a left click selects a row and asks the
// server for that user's details (request 201230); a right click selects it and opens a small
// menu: "查看详细" (the same request), "呼叫玩家" (request 201200, for a user at this table, shown
// at once in the chat as the callee sees it) and "复制玩家名" (the name to the clipboard).
//
// Messages to the list (p1 is the row where there is one): 1052 left button down on a row, 1053
// right button down, 1054 copy the name, 1055 hide the menu, 1056 details, 1057 call the player,
// 1058 the pointer entered a row, 1059 it left. A row named in p1 is used only while it is still
// one of the list's rows (a message that outlived a refresh finds nothing).
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/ui/rich_text_box.h"

namespace engine {
class CanvasObject;
class MenuItem;
}  // namespace engine

namespace frame {

class MatchRankRow;

class MatchPlayerList : public engine::RichTextBox {
 public:
  static constexpr uint32_t kRowLeftDown = 1052;
  static constexpr uint32_t kRowRightDown = 1053;
  static constexpr uint32_t kCopyName = 1054;
  static constexpr uint32_t kHideMenu = 1055;
  static constexpr uint32_t kDetails = 1056;
  static constexpr uint32_t kCallPlayer = 1057;
  static constexpr uint32_t kRowEntered = 1058;
  static constexpr uint32_t kRowLeft = 1059;

  static constexpr int32_t kMenuWidth = 102;
  static constexpr int32_t kMenuHeight = 92;
  static constexpr engine::COLORREF kMenuFill = 0xFFFFFF;
  static constexpr engine::COLORREF kMenuFrame = 0xE7BFC8;
  static constexpr int32_t kItemWidth = 100;
  static constexpr int32_t kItemHeight = 30;
  static constexpr int32_t kItemTextSize = 12;
  static constexpr double kMenuDepthStep = 100.0;
  static constexpr double kItemDepthStep = 0.001;
  // The menu stands this far left of the list's right edge.
  static constexpr int32_t kMenuRightGap = 20;
  static constexpr const char* kCallItemName = "BTN_MATCH_LIST_POPMENU_CALLPLAYER";
  static constexpr const char* kSelectSound = "SndSelectBlock";
  static constexpr int kMenuItems = 3;

  MatchPlayerList() = default;
  ~MatchPlayerList() override = default;

  int OnMessage(const engine::ObjectMessage* message) override;
  // Drops the rows, forgets the selected one and hides the menu.
  void Clear() override;
  // Resizes the view, then widens the rows to its text width again.
  void Resize(double width, double height) override;

  // Makes the menu (once): a framed canvas with "查看详细", "呼叫玩家", "复制玩家名".
  virtual void BuildMenu();
  // Black, 宋体 12 pixels, weight 400, neither italic nor underlined.
  virtual void ResetStyle();
  // Selects a row (null: none); the newly selected row lights up with a sound.
  virtual void Select(MatchRankRow* row);
  // 0 hides the menu; otherwise it opens beside the selected row, its call entry enabled only for
  // a user at this table.
  virtual void ShowMenu(int32_t show);

  // Appends a row (already set up) as the list's last line.
  void AddRow(MatchRankRow* row);
  // The rows in order, and the row a message names (null when it is none of them).
  size_t RowCount() const;
  MatchRankRow* RowAt(size_t index) const;
  MatchRankRow* FindRow(uintptr_t row) const;
  MatchRankRow* GetSelected() const { return selected_; }
  engine::CanvasObject* GetMenu() const { return menu_; }
  engine::MenuItem* GetMenuItem(int index) const;

 private:
  void QueryUser(uint32_t user_id);
  void CopySelectedName();
  void CallSelectedPlayer();

  MatchRankRow* selected_ = nullptr;
  engine::CanvasObject* menu_ = nullptr;
  engine::MenuItem* items_[kMenuItems] = {};
};

}  // namespace frame
