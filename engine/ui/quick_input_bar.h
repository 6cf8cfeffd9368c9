// An amount box with a button that opens the list of the last values used: an InputBox (a
// NumberEditBox on the picture "InputBoxBkg") with the button "btnQuickChat" at its right end, and a NamedChildList of
// up to six values (oldest first; the seventh drops the oldest). Picking a value puts it into the box.
//
// Messages on itself: 80000031 from the button (show or hide the list), 80000032 from a row
// (p1 = the row's value text, kept by the bar; p2 = the list).
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "engine/ui/input_box.h"

namespace engine {

class ImageButton;
class NamedChildList;

class QuickInputBar : public InputBox {
 public:
  static constexpr uint32_t kMsgToggleList = 80000031;
  static constexpr uint32_t kMsgPickValue = 80000032;
  static constexpr size_t kMaxValues = 6;
  static constexpr const char* kButtonPicture = "btnQuickChat";
  // The field is this much narrower than the picture when built.
  static constexpr int32_t kFieldInset = 20;
  static constexpr int32_t kRowHeight = 20;
  static constexpr int32_t kRowTextSize = 12;
  static constexpr COLORREF kListColour = 0x2E7412;
  static constexpr COLORREF kRowTextColour = 0xA40755;
  static constexpr double kListDepth = 95000.0;

  QuickInputBar() = default;
  ~QuickInputBar() override = default;

  void OnAddedToScene() override;
  int OnMessage(const ObjectMessage* message) override;

  void Layout() override;
  // Remembers a value and adds it to the list (made on the first value).
  virtual void AddValue(const char* text);
  // Shows the list under the button, right-aligned to it, with the focus; or hides it.
  virtual void ToggleList();

  ImageButton* GetButton() const { return button_; }
  NamedChildList* GetList() const { return list_; }
  const std::deque<std::string>& GetValues() const { return values_; }

 private:
  ImageButton* button_ = nullptr;
  NamedChildList* list_ = nullptr;
  // A deque: the rows' messages point at these strings, which must not move.
  std::deque<std::string> values_;
};

}  // namespace engine
