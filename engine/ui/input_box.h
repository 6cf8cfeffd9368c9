// An amount box: a NumberEditBox on the stretchable picture "InputBoxBkg". The box is as wide as
// SetWidth says (0: the picture's own width) and as high as the picture; the picture is drawn to
// that width with its ends kept whole (engine/ui/stretched_picture.h). It sends nothing itself:
// its owner reads the text when the user confirms. Boxes with more parts (QuickInputBar) derive
// from it and build and lay out the same skin, background and field.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/image_handle.h"
#include "engine/core/widget_base.h"

namespace engine {

class CanvasObject;
class NumberEditBox;

// The picture behind the amount boxes and the chat line.
inline constexpr const char* kInputBoxPicture = "InputBoxBkg";
// The edit field's colours in the amount boxes.
inline constexpr COLORREF kAmountBoxBack = 0xDCF0E6;
inline constexpr COLORREF kAmountBoxText = 0;

class InputBox : public WidgetBase {
 public:
  // Style of the edit field: one line (0x40000) with its text style bit 0x2000.
  static constexpr uint32_t kFieldStyle = 0x42000;
  // The field is this much narrower and lower than the box.
  static constexpr int32_t kFieldInset = 4;
  // Link flags of the background and the field: they move, change depth, show and hide with the
  // skin.
  static constexpr uint32_t kPartLinks = link_flag::kFollowPlace;

  InputBox() = default;
  ~InputBox() override = default;

  // Builds the skin, the background and the edit field (which takes the focus).
  void OnAddedToScene() override;
  virtual void SetWidth(int32_t width);
  virtual void Layout();
  virtual void Focus();
  virtual void Clear();
  // Appends the text's digits and gives the field the focus.
  virtual void SetText(const char* text);
  // The field's text; empty before the field exists.
  virtual std::string GetText() const;

  void SetMaxLength(int32_t length);
  int32_t GetBoxWidth() const { return width_; }
  NumberEditBox* GetField() const { return field_; }
  CanvasObject* GetBackground() const { return background_; }

 protected:
  // Makes the skin (the picture's size, shown), the background (the picture drawn, depth + 0.1)
  // and the field (narrower than the picture by field_inset, kFieldInset lower, depth + 0.2, with
  // the focus), the last two linked to the skin. Parts that could not be made stay null.
  void BuildParts(int32_t field_inset);
  // Sizes the skin to the box's width and the picture's height, and draws the background to that
  // width at the skin's centre; the skin (null when there is none), its width and its centre.
  CanvasObject* LayoutSkin(int32_t* width, double* x, double* y);
  // Resizes the field to width (keeping its height), lays it out and centres it at (x, y); shows it.
  void LayoutField(int32_t width, double x, double y);
  // The box's width: as set, else the picture's (at least 1).
  int32_t BoxWidth() const;

 private:
  int32_t width_ = 0;
  NumberEditBox* field_ = nullptr;
  CanvasObject* background_ = nullptr;
  PictureInfo picture_{};
};

}  // namespace engine
