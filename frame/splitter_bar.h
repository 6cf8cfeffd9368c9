// The narrow upright strip between the table ("MainGame") and the side panel ("SubSystem"),
// with one arrow: a click collapses the side panel to nothing, or brings it back at its default
// width, and the game frame lays its children out again. The arrow points right while the panel
// shows ("箭头右") and left while it is collapsed ("箭头左"); pointing at the bar lights the
// arrow (frame 1) and plays "SndTouchButton", a click plays "SndHitButton".
//
// The game frame makes it with its chrome and places it (GameFrame::PlaceSplitter) on the right
// edge of the table, as tall as the table and as wide as its picture "左右分隔条_bg"; then the
// bar lays out its own canvases (Layout). The state survives resizing.
#pragma once

#include <cstdint>

#include "engine/core/widget_base.h"

namespace engine {
class CanvasObject;
}  // namespace engine

namespace frame {

class GameFrame;

class SplitterBar : public engine::WidgetBase {
 public:
  // Its own messages, from its subscriptions.
  static constexpr uint32_t kPointerEntered = 80000002;
  static constexpr uint32_t kPointerLeft = 80000003;
  static constexpr uint32_t kClicked = 80000004;
  // The arrow's size when its picture is missing.
  static constexpr int32_t kDefaultArrowWidth = 6;
  static constexpr int32_t kDefaultArrowHeight = 85;

  SplitterBar() = default;
  ~SplitterBar() override = default;

  // Creation: names itself "SplitterBar", makes its skin and arrow canvases, subscribes.
  void OnAddedToScene() override;
  int OnMessage(const engine::ObjectMessage* message) override;

  // Sizes the skin to the bar and centres the arrow on it, then redraws.
  virtual void Layout();
  virtual void Redraw();
  virtual int32_t SetCollapsed(int32_t collapsed);
  virtual int32_t GetCollapsed() const { return collapsed_; }
  virtual bool IsExpanded() const { return collapsed_ == 0; }

  engine::CanvasObject* GetArrow() const { return arrow_; }
  engine::CanvasObject* GetSkinCanvas() const { return skin_; }
  // The frame the arrow draws now.
  int32_t GetArrowFrame() const { return arrow_frame_; }

 private:
  const char* ArrowPicture() const;
  void DrawArrow(int32_t frame);
  GameFrame* Frame();

  int32_t collapsed_ = 0;
  engine::CanvasObject* arrow_ = nullptr;
  engine::CanvasObject* skin_ = nullptr;
  int32_t arrow_frame_ = 0;
};

}  // namespace frame
