// The chat box: the chat area of the side panel. It owns the chat display, in which every chat,
// system and notice line shows, and (from the user's first click on the system bar's emoticon
// button "系统栏表情按钮") the emoticon picker.
//
// The side panel makes it, sizes and places it among its bars, then calls Layout; it hands it
// lines (AppendText), notices (AppendNotice) and the clear command (Clear), and toggles the
// picker when the emoticon button is clicked. The box paints its skin ("SystemChatBox1" as a head
// piece, "SystemChatBox2" tiled below it) into the display's background and keeps the display on
// its own rectangle. The picker stands at the bottom right of the side panel, on the input bar,
// 50 pixels in from the panel's right edge, and closes when it loses the input focus to anything
// but the emoticon button (whose own click closes it).
//
// The display and the picker are scene objects of their own (the scene frees them); the box
// finds them by key, so it never holds on to an object that has gone. The display shows and
// hides with the box.
#pragma once

#include <cstdint>

#include "engine/core/widget_base.h"
#include "engine/ui/rich_text_box.h"

namespace engine {
class ImageButton;
}  // namespace engine

namespace frame {

class ChatDisplay;
class EmoticonPicker;

class ChatBox : public engine::WidgetBase {
 public:
  // What the box sends itself when the picker loses the input focus (private to the box).
  static constexpr uint32_t kMsgPickerLostFocus = 80001000;
  static constexpr const char* kEmoticonButtonName = "系统栏表情按钮";
  // The display: links live, scroll bars with a vertical bar, pointer and selection; a colour
  // background.
  static constexpr uint32_t kDisplayStyle = engine::rich_text::kViewScrollBars | engine::rich_text::kViewPointer |
                                            engine::rich_text::kViewSelection | engine::rich_text::kViewVerticalBar |
                                            engine::rich_text::kViewLinksLive;
  static constexpr uint32_t kDisplayCreationValue = engine::rich_text::kViewBackColour;
  static constexpr int32_t kDisplayLineSpacing = 5;
  static constexpr int32_t kChatMaxTextSize = 30;
  static constexpr int32_t kNoticeMaxTextSize = 3000;
  static constexpr int32_t kTextSize = 12;
  // Where the text stands in the display, and how much smaller than the box it is laid out.
  static constexpr int32_t kTextLeft = 0;
  static constexpr int32_t kTextTop = 3;
  static constexpr int32_t kTextWidthLess = 12;
  static constexpr int32_t kTextHeightLess = 7;
  // Where a wrapped line goes on: clear of the box's left border, as far in as the blank that
  // opens every chat line.
  static constexpr int32_t kWrapIndent = kTextSize / 2;
  // The picker's shape and place.
  static constexpr int32_t kPickerColumns = 10;
  static constexpr int32_t kPickerRows = 8;
  static constexpr int32_t kPickerIconSize = 32;
  static constexpr int32_t kPickerMargin = 2;
  static constexpr int32_t kPickerRightInset = 50;
  static constexpr double kPickerDepth = 10000.0;

  ChatBox() = default;
  // Frees neither the display nor the picker: the scene owns them.
  ~ChatBox() override = default;

  // Names the box "ChatBox" and builds the display.
  void OnAddedToScene() override;
  int OnMessage(const engine::ObjectMessage* message) override;

  // Places the picker, then puts the display on the box's rectangle and paints its skin.
  virtual void Layout();
  // Shows the picker (making it and loading the emoticon index the first time) or hides it, in
  // step with the emoticon button.
  virtual void ToggleEmoticonPicker();
  // Fills the picker from the index text "表情索引.text" of the resource packages and draws it.
  virtual void LoadEmoticonIndex();
  virtual void PlaceEmoticonPicker();
  virtual void Clear();
  // Appends a line of chat markup in the display's default style and scrolls to the end.
  virtual void AppendText(const char* text);
  // The same for a notice text: its links are live and its sizes may go up to 3000 pixels; the
  // size bound of chat lines is the same after it as before.
  virtual void AppendNotice(const char* text);

  // The display (what the side panel appends its own lines to), or null.
  ChatDisplay* GetDisplay();
  // The picker, null until the first toggle.
  EmoticonPicker* GetPicker();

 private:
  engine::ImageButton* FindEmoticonButton();
  // The side panel's rectangle, else the game frame's, else the view's.
  engine::RECT PanelRect();
  void ShowPicker(EmoticonPicker* picker, engine::ImageButton* button);

  uint32_t display_key_ = 0;
  uint32_t picker_key_ = 0;
};

}  // namespace frame
