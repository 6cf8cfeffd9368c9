// The side panel's user list ("UserListBar"): a header of column titles over the rows of
// everybody at the table (PlayerListCtrl: seated players in chair order, then the lookers in
// table order, then empty rows up to the chair count + 3), with a horizontal and a vertical
// panel scroll bar, the piece of header above the vertical bar and the corner where the two
// bars meet. The wheel over the header or the rows scrolls by one row.
//
// How the side panel uses it: construct, add to the scene (it names itself "UserListBar"),
// AddColumn for each column (AddPanelColumns declares the panel's own set), Create; then, each
// time the panel is laid out, Resize to the bar's rectangle, MoveTo its centre, Show, and
// Layout. Refresh rebuilds the rows from the application's tables.
//
// Messages it handles: 80000055 (refresh), 80000056 (forget the look-on permissions), and from
// its scroll bars panel_msg::kScrollChanged, kScrollLeft, kScrollRight, kScrollUp, kScrollDown
// (the wheel over the header or the rows sends kScrollUp and kScrollDown too).
#pragma once

#include <cstdint>

#include "engine/core/widget_base.h"
#include "frame/column_def.h"

namespace engine {
class CanvasObject;
}

namespace frame {

class PanelScrollBar;
class PlayerListCtrl;
struct ScrollPos;

class UserListBar : public engine::WidgetBase {
 public:
  static constexpr const char* kObjectName = "UserListBar";
  static constexpr const char* kHeaderPicture = "SystemUserListBar";
  static constexpr const char* kRowPicture = "UserListBlock";
  static constexpr const char* kDividerPicture = "SystemDivide";
  static constexpr const char* kCornerPicture = "滚动角";
  // Horizontal steps of the arrow buttons, in pixels; vertical steps are one row.
  static constexpr int32_t kHorizontalStep = 10;
  // Parts in front of the bar.
  static constexpr double kListDepthStep = 0.005;
  static constexpr double kCornerDepthStep = 0.001;
  // The scroll bars follow the list's showing and hiding.
  static constexpr uint32_t kBarLinks = engine::link_flag::kOwnedShowWithParent;
  // The header, the corners and the list follow the bar's showing and hiding.
  static constexpr uint32_t kPartLinks = engine::link_flag::kShowWithParent;

  UserListBar() = default;
  ~UserListBar() override = default;

  // Names the bar "UserListBar".
  void OnAddedToScene() override;
  int OnMessage(const engine::ObjectMessage* message) override;

  // Builds the list, the header, the scroll bars and the corners, then lays them out. Without
  // "SystemUserListBar" nothing is built (the engine's monitor hears it) and the bar stays empty.
  virtual bool Create();
  // Places the parts inside the bar's rectangle; ends with DrawHeader and Refresh.
  virtual void Layout();
  // Appends a column; the number of columns.
  virtual int AddColumn(const ColumnDef& column);
  virtual int AddColumn(int32_t id, int32_t width, const char* title, uint32_t a = 0, uint32_t b = 0, uint32_t c = 0);
  virtual void Refresh();
  virtual void DrawHeader();
  virtual PlayerListCtrl* GetList();
  // The rows the list is made with: players and lookers, at least the chair count + 3.
  virtual int GetRowCount();
  virtual void ScrollLeft();
  virtual void ScrollRight();
  virtual void ScrollUp();
  virtual void ScrollDown();
  // Moves the rows (and, across, the header) to a scroll position.
  virtual void OnScroll(const ScrollPos* pos, int32_t orientation);

  // The side panel's columns: name; then score, level, silver, or in rooms that play for silver,
  // silver, score, wealth, level; last the watched player.
  void AddPanelColumns(bool silver_room);

  const ColumnList& GetColumns() const { return columns_; }
  int32_t GetTotalWidth() const { return total_width_; }
  int32_t GetHeaderHeight() const { return header_height_; }
  engine::CanvasObject* GetHeader() const { return header_; }
  engine::CanvasObject* GetTopRightCorner() const { return top_corner_; }
  engine::CanvasObject* GetScrollCorner() const { return scroll_corner_; }
  PanelScrollBar* GetHorizontalBar() const { return horizontal_; }
  PanelScrollBar* GetVerticalBar() const { return vertical_; }

 private:
  // Clip rectangle and top-left corner of the rows, at scroll position 0.
  void PlaceList();
  void SetVerticalRange(double position);
  void SetHorizontalRange(double position);
  double HorizontalBarHeight() const;
  double VerticalBarWidth() const;
  int32_t RowHeight() const;

  engine::CanvasObject* header_ = nullptr;
  engine::CanvasObject* top_corner_ = nullptr;
  engine::CanvasObject* scroll_corner_ = nullptr;
  PanelScrollBar* horizontal_ = nullptr;
  PanelScrollBar* vertical_ = nullptr;
  PlayerListCtrl* list_ = nullptr;
  ColumnList columns_;
  int32_t column_count_ = 0;
  int32_t total_width_ = 0;
  int32_t header_height_ = 0;
};

}  // namespace frame
