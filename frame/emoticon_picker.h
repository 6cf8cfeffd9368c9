// The emoticon picker: a pop-up grid of emoticon icons, one page at a time, from which the user
// picks an emoticon for a chat line. The chat box makes it on first use (10 columns, 8 rows,
// icons of 32 pixels with a margin of 2) and fills it from the emoticon index.
//
// The grid is one canvas drawn per page change: a cell is the icon size plus a margin on each
// side, the icons are the pictures "qzfs" + name, and the last two cells of every page hold the
// previous-page and next-page buttons ("qzf向前翻页", "qzf向后翻页"), so a page shows
// columns x rows - 2 emoticons. The pointer over an icon shows a blue frame around its cell and an
// enlarged looping preview of the animation "qzf" + name, with the emoticon's code, in a corner
// away from the pointer.
//
// What it sends: a left click on an icon sends 80000065, a right click 80000066, to the object
// named "SubSystem" (the side panel), with p1 the entry's code ("#" + name, a NUL-terminated text)
// and p2 the address of the entry's index (an int32_t); both stay valid for the picker's life.
// Then the picker hides. Its own buttons send it 19840384 (previous page) and 19840385 (next page).
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "engine/core/widget_base.h"

namespace engine {
class CanvasObject;
class ImageButton;
class SpriteObject;
}  // namespace engine

namespace frame {

struct EmoticonEntry {
  std::string name;    // the grid's picture is "qzfs" + name, the animation "qzf" + name
  std::string code;    // what a click sends: "#" + name
  int32_t number = 0;  // from the index text; kept, not read here
  int32_t index = 0;   // the entry's place in the list (what p2 of a click points at)
};

class EmoticonPicker : public engine::WidgetBase {
 public:
  // Messages sent to "SubSystem".
  static constexpr uint32_t kMsgPickEmoticon = 80000065;    // left click: send or insert the code
  static constexpr uint32_t kMsgInsertEmoticon = 80000066;  // right click: insert the code
  // The paging buttons' messages to the picker itself.
  static constexpr uint32_t kMsgPreviousPage = 19840384;
  static constexpr uint32_t kMsgNextPage = 19840385;

  static constexpr double kDepthHoverFrame = 0.1;
  static constexpr double kDepthButtons = 0.2;
  static constexpr double kDepthPreview = 0.25;
  static constexpr double kDepthPreviewAnimation = 0.3;
  static constexpr int32_t kPreviewSize = 64;
  static constexpr int32_t kPreviewAnimationSize = 48;
  static constexpr engine::COLORREF kGridLineColour = 0xE1E1E1;
  static constexpr engine::COLORREF kHoverColour = 0xFF0000;
  static constexpr engine::COLORREF kPreviewTextColour = 0xFF0000;

  EmoticonPicker() = default;
  // The parts are scene objects of their own (the scene frees them); the entries go here.
  ~EmoticonPicker() override = default;

  // Every way of closing comes here (a pick too): the hover frame and the preview go, its
  // animation stopped, then the picker hides as any object. A closed picker ignores the pointer.
  void Hide() override;
  int OnMessage(const engine::ObjectMessage* message) override;

  // Builds the grid, the hover frame and the paging buttons and makes the grid the picker's skin,
  // on the top layer. Nothing happens when the shape is empty or too large for a canvas. A grid
  // of fewer than three cells has no pages and hides. The picker must be in a scene.
  virtual void Create(int32_t columns, int32_t rows, int32_t icon_size, int32_t margin);
  // Appends an entry; draw the page afterwards (DrawPage) to show it.
  virtual void AddEntry(const char* name, const char* code, int32_t number);
  virtual void DrawPage();
  // A new shape of the grid; back to the first page.
  virtual void SetGrid(int32_t columns, int32_t rows);
  // The pointer at (x, y) from the picker's top-left corner, in pixels.
  virtual void OnHover(int32_t x, int32_t y);
  virtual void OnLeftClick(int32_t x, int32_t y);
  virtual void OnRightClick(int32_t x, int32_t y);

  int32_t GetCellSize() const { return icon_size_ + 2 * margin_; }
  // Emoticons on one page: columns x rows - 2.
  int32_t GetIconsPerPage() const { return columns_ * rows_ - 2; }
  int32_t GetPage() const { return page_; }
  int32_t GetPageCount() const { return page_count_; }
  int32_t GetColumns() const { return columns_; }
  int32_t GetRows() const { return rows_; }
  int32_t GetLastHovered() const { return last_hovered_; }
  size_t GetEntryCount() const { return entries_.size(); }
  const EmoticonEntry& GetEntry(size_t index) const { return entries_[index]; }
  engine::CanvasObject* GetGrid() const { return grid_; }
  engine::CanvasObject* GetHoverFrame() const { return hover_frame_; }
  engine::CanvasObject* GetPreview() const { return preview_canvas_; }
  engine::SpriteObject* GetPreviewAnimation() const { return preview_animation_; }
  engine::ImageButton* GetPreviousButton() const { return previous_button_; }
  engine::ImageButton* GetNextButton() const { return next_button_; }

 private:
  engine::ImageButton* MakePageButton(const char* picture, uint32_t message);
  // The entry under the point, or -1 for a paging cell, an empty cell or a point off the grid.
  int32_t EntryAt(int32_t x, int32_t y, int32_t* column, int32_t* row) const;
  void ShowPreview(const EmoticonEntry& entry, int32_t column, int32_t row);
  void HidePreview();
  void Pick(int32_t x, int32_t y, uint32_t message_id);

  engine::CanvasObject* grid_ = nullptr;
  engine::CanvasObject* hover_frame_ = nullptr;
  engine::SpriteObject* preview_animation_ = nullptr;
  engine::CanvasObject* preview_canvas_ = nullptr;
  engine::ImageButton* previous_button_ = nullptr;
  engine::ImageButton* next_button_ = nullptr;
  int32_t page_ = 0;
  int32_t page_count_ = 0;
  int32_t columns_ = 0;
  int32_t rows_ = 0;
  int32_t last_hovered_ = -1;
  int32_t icon_size_ = 32;
  int32_t margin_ = 0;
  // A deque, so that the code texts and indexes handed out with clicks never move.
  std::deque<EmoticonEntry> entries_;
};

}  // namespace frame
