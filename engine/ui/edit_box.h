// A rich-text view in edit mode: one line (kViewSingleLine) or several, a caret while it has the
// input focus, typing (GBK characters as the window delivers them), Backspace, Delete, the arrow
// keys, Home, End, selection with the pointer and Ctrl+A / Ctrl+C / Ctrl+X / Ctrl+V. Enter sends
// the enter message, when one is set, with the text: {target, id, p1 = the text (valid during the
// call), p2 = the box's key}, delivered at once.
//
// Length rule: 1 per single-byte character, 2 per double-byte character, 6 per inline object.
// With a limit set (SetMaxLength, 0 = none) an append to a full box is refused (the OnFull hook
// runs) and an append that overshoots is cut back item by item from its end, so a double-byte
// character or an object is taken whole or not at all.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/ui/rich_text_box.h"

namespace engine {

class EditBox : public RichTextBox {
 public:
  static constexpr uint32_t kEditStyle = 0x24006;
  static constexpr int32_t kObjectLength = 6;

  EditBox() = default;
  ~EditBox() override = default;

  int OnMessage(const ObjectMessage* message) override;
  void Clear() override;
  // Inserts markup text at the caret, under the length rule.
  void AppendText(const char* text) override;
  int AppendChar(std::string_view text) override;

  using RichTextBox::Create;
  // The view with style | kEditStyle and text size height - 2.
  virtual bool Create(int32_t width, int32_t height, uint32_t style);
  // Inserts the character of a key record (the input snapshot of a character event) as typed:
  // markup characters in it are taken as they stand.
  virtual void AppendEntry(const InputSnapshot* key);
  // The text: the characters' bytes, and each object's plain-text form.
  virtual std::string GetText() const;
  virtual void SetMaxLength(int32_t length);
  // Runs when an append meets a full box; nothing here.
  virtual void OnFull() {}
  // Takes the input focus (brought to the front first); clears the text when a clear is pending.
  virtual void TakeFocus();
  // Sends the enter message with the text (and hides the box when asked to).
  virtual void Submit();

  void SetEnterMessage(uint32_t target, uint32_t id, bool hide_on_submit);
  // Clears the text the next time the box takes the focus.
  void ClearOnNextFocus() { clear_pending_ = true; }
  // Inserts text as it stands (no markup), under the length rule.
  void InsertPlainText(std::string_view text);
  int32_t GetLength() const;
  int32_t GetMaxLength() const { return max_length_; }
  size_t GetCaret() const { return GetCaretIndex() == SIZE_MAX ? ItemCount() : GetCaretIndex(); }
  void SetCaret(size_t index);
  void DeleteBeforeCaret();
  void DeleteAtCaret();
  // The box's state word: 1 while it has the input focus.
  uint32_t GetEditFlag() const { return IsInputActive(); }

 protected:
  // Raised in the focus operation; NumberEditBox-like subclasses take the focus without it.
  void FocusWithoutRaising();

 private:
  int32_t LengthOf(size_t first, size_t end) const;
  bool DeleteSelection();

  int32_t max_length_ = 0;
  ObjectMessage enter_message_{};
  bool hide_on_submit_ = false;
  bool clear_pending_ = false;
};

}  // namespace engine
