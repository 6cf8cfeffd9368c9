// The vertical scroll bar of a rich-text view: an up button, a track with a thumb, a down button,
// drawn into one canvas from the engine's scroll bar pictures (string settings 22 "VertBack", 23
// "VertBtn", 25 "VertUpBtn", 26 "VertDownBtn"), or in plain colours where a picture is missing.
//
// The bar shows a range: the content's height, the page (the view's height) and the position of
// the page's top. Pressing a button moves by a step, pressing the track by a page, and dragging
// the thumb follows the pointer; each change is sent to the owner at once as
// {owner, 1060, new position, 0}. The owner sets the range back (SetRange) when it scrolls.
#pragma once

#include <cstdint>

#include "engine/core/widget_base.h"

namespace engine {

class CanvasObject;

class RichTextScrollBar : public WidgetBase {
 public:
  static constexpr int32_t kDefaultWidth = 12;
  static constexpr int32_t kMinThumb = 8;
  static constexpr int32_t kStep = 16;

  RichTextScrollBar() = default;
  ~RichTextScrollBar() override = default;

  int OnMessage(const ObjectMessage* message) override;

  // Makes the bar's canvas for a bar of that height and subscribes its pointer input; the width
  // is the back picture's, or kDefaultWidth. The bar must be in a scene.
  bool Create(uint32_t owner, int32_t height);
  // A new height (the canvas follows).
  void SetHeight(int32_t height);
  // total: the content's height; page: the visible part; position: the page's top.
  void SetRange(int32_t total, int32_t page, int32_t position);

  int32_t GetBarWidth() const { return width_; }
  int32_t GetBarHeight() const { return height_; }
  int32_t GetPosition() const { return position_; }
  int32_t GetTotal() const { return total_; }
  int32_t GetPage() const { return page_; }
  // The thumb's top and length within the canvas.
  int32_t ThumbTop() const;
  int32_t ThumbLength() const;
  CanvasObject* GetCanvas() const;

 private:
  int32_t MaxPosition() const;
  int32_t ButtonLength() const;
  void Draw();
  void ScrollTo(int32_t position);
  bool LocalY(const ObjectMessage* message, int32_t* y) const;

  uint32_t owner_ = 0;
  int32_t width_ = kDefaultWidth;
  int32_t height_ = 0;
  int32_t total_ = 0;
  int32_t page_ = 0;
  int32_t position_ = 0;
  int32_t drag_offset_ = -1;  // pointer's distance from the thumb's top while dragging; -1 when not
};

}  // namespace engine
