// A vertical list of menu rows (MenuItem) on a canvas of the row colour, one row under the other
// from the list's top edge. A row's click delivers the message the row was given (the list adds
// nothing of its own). The list takes the input focus when given it and hides itself when it
// loses the focus, so a click anywhere else closes it; a click on one of its rows keeps the focus
// with the list. Rows can be added and removed at any time, also while the list is shown: the
// list lays itself out again each time, and an empty list hides.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/core/widget_base.h"

namespace engine {

class CanvasObject;
class MenuItem;

class MenuList : public WidgetBase {
 public:
  // Link flags of the rows: they move, show, hide and change depth with the list, and leave the
  // scene with it.
  static constexpr uint32_t kRowLinks = link_flag::kFollowAsPartButAlpha;
  // Most rows a list holds; adding beyond it is refused with a log line.
  static constexpr size_t kMaxRows = 64;

  MenuList() = default;
  ~MenuList() override = default;

  int OnMessage(const ObjectMessage* message) override;
  // Showing and hiding also redraw the list's area (its callers only show and hide it).
  void Show() override;
  void Hide() override;

  // Makes the list's canvas (entry width wide, colour its fill; 0xFF00FF makes it transparent),
  // keeps the row size and text size, and makes the list hide itself on losing the focus. The
  // list must be in a scene. It starts hidden.
  virtual bool Create(int32_t entry_width, int32_t entry_height, int32_t font_size, COLORREF colour);
  // Adds a row at the end: caption, the message a click delivers, the caption's colour, and a
  // word kept with the row. Returns the row, or null.
  virtual MenuItem* AddItem(const char* text, const ObjectMessage* message, COLORREF text_colour, uint32_t extra);
  // Takes the row out of the list and hides it; it leaves the scene a moment later (a deferred
  // delete, so a row may remove itself from its own click). Then the list is laid out again.
  virtual bool RemoveItem(MenuItem* item);
  // Places the rows one under the other from the list's top and sizes the canvas to them.
  virtual void Layout();

  MenuItem* GetItem(size_t index) const { return index < items_.size() ? items_[index] : nullptr; }
  size_t GetItemCount() const { return items_.size(); }
  // The index of the row, or -1.
  int32_t IndexOf(const MenuItem* item) const;
  int32_t GetEntryWidth() const { return entry_width_; }
  int32_t GetEntryHeight() const { return entry_height_; }
  CanvasObject* GetCanvas() const;

 protected:
  std::vector<MenuItem*> items_;

 private:
  int32_t entry_width_ = 0;
  int32_t entry_height_ = 0;
  int32_t font_size_ = 12;
  COLORREF colour_ = 0xFFFFFF;
};

}  // namespace engine
