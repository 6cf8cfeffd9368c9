// The base of the safe-box dialogs: a draggable panel drawn from a dialog picture, with picture
// buttons and amount boxes placed on it by their offsets from its top left corner. The panel
// takes the pointer, so clicks on it never reach what lies under it. Children follow the panel:
// they move, change depth, show and hide with it.
//
// Each dialog's buttons send their ids to the dialog itself ({dialog key, id, 0, 0}).
#pragma once

#include <cstdint>

#include "engine/core/widget_base.h"

namespace engine {
class CanvasObject;
class ImageButton;
}  // namespace engine

namespace dialogs {

class DialogPanel : public engine::WidgetBase {
 public:
  // Texts on the panel.
  static constexpr engine::COLORREF kTitleColour = 0xFFFFFF;
  static constexpr engine::COLORREF kTextColour = 0xE8F0F0;
  static constexpr engine::COLORREF kValueColour = 0x40D0FF;
  static constexpr int32_t kTextSize = 12;
  // A panel without its picture is drawn in this colour with a frame.
  static constexpr engine::COLORREF kPlainFill = 0x3A4A2A;
  static constexpr engine::COLORREF kPlainFrame = 0x88A070;

  DialogPanel() = default;
  ~DialogPanel() override = default;

  // The ids of the OK and cancel buttons call OnOk and OnCancel; the rest goes to the widget.
  int OnMessage(const engine::ObjectMessage* message) override;

  // Centres the panel in the window (half the window's width and height).
  void CentreInWindow();
  engine::CanvasObject* GetPanel() const;

 protected:
  // Makes the panel from the picture (width x height when the picture is missing), draggable and
  // taking the pointer, at the depth. False when no canvas could be made.
  bool BuildPanel(const char* picture, int32_t width, int32_t height, double depth);
  // Clears the panel and draws its picture and the title centred at its top.
  void DrawPanel(const char* title);
  // Text on the panel with its left edge at x and its middle at y.
  void DrawLabel(int32_t x, int32_t y, const char* text, engine::COLORREF colour);
  // A picture button at (x, y) from the panel's top left that sends id to the dialog.
  engine::ImageButton* AddButton(const char* picture, uint32_t id, int32_t x, int32_t y);
  // A child made and added to the scene, then linked and centred at (x, y) from the panel's top left.
  template <class Box>
  Box* AddBox(int32_t x, int32_t y) {
    auto* box = new Box();
    AddToScene(box);
    if (!box->IsRegistered()) return nullptr;
    Attach(box, x, y);
    return box;
  }
  // A digit box of the given width and length limit, centred at (x, y) from the panel's top left.
  template <class Box>
  Box* AddDigitBox(int32_t x, int32_t y, int32_t width, int32_t max_length) {
    Box* box = AddBox<Box>(x, y);
    if (box != nullptr) {
      box->SetWidth(width);
      box->SetMaxLength(max_length);
    }
    return box;
  }
  // The OK and cancel buttons side by side at the bottom middle of the panel; they send ok_id
  // and cancel_id to the dialog, which calls OnOk and OnCancel.
  void AddOkCancelButtons(uint32_t ok_id, uint32_t cancel_id);
  virtual void OnOk() {}
  virtual void OnCancel() {}
  // Hides the dialog and tells the scene.
  void HideDialog();
  // Links a child to the panel, in front of it, centred at (x, y) from the panel's top left.
  void Attach(engine::EngineObject* child, int32_t x, int32_t y);
  // Moves a linked child to (x, y) from the panel's top left.
  void Place(engine::EngineObject* child, int32_t x, int32_t y);

 private:
  engine::PictureInfo picture_{};
  uint32_t ok_id_ = 0;
  uint32_t cancel_id_ = 0;
};

}  // namespace dialogs
