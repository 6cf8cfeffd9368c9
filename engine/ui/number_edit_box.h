// A one-line edit box for amounts: it takes digits only and shows its text in bold.
//
// Typed keys: only the digit keys of the main keyboard (key codes 48-57) and of the numeric pad
// (96-105), and only when the character they give is a digit ('0' to '9'), so Shift+1 ("!") is
// refused as well as letters and double-byte characters. Text put in (AppendText, a paste) keeps
// its digits only. The edit box's length rule holds: at the limit a further append is refused
// whole, an overshoot is cut back.
//
// Taking the focus does not raise the box to the front (it stands in a dialog's layers).
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/ui/edit_box.h"

namespace engine {

class NumberEditBox : public EditBox {
 public:
  static constexpr uint32_t kFirstDigitKey = 48;
  static constexpr uint32_t kFirstPadDigitKey = 96;

  NumberEditBox() = default;
  ~NumberEditBox() override = default;

  // The digits of the text, wrapped "<e=b>%s<>" (bold), under the length rule.
  void AppendText(const char* text) override;
  // Typing goes through OnChar.
  void AppendEntry(const InputSnapshot* key) override { OnChar(key); }
  // The edit box's focus (a pending clear runs) without raising the box.
  void TakeFocus() override;

  // Passes a digit key on to the edit box; drops every other key.
  virtual void OnChar(const InputSnapshot* key);

  // The digits of a text, double-byte characters stepped over whole.
  static std::string DigitsOf(std::string_view text);
  static bool IsDigitKey(uint32_t key_code);
};

}  // namespace engine
