// A message box with a text entry: a title, the text, a framed entry of a few lines, and the
// buttons "确定" and "取消". OK (or Enter in the entry) sends the OK record with the entered text
// as p1, a heap copy (shell::NewHeapText) that the receiver frees with shell::FreeHeapText;
// cancel sends the cancel record. Either closes the box. The entry takes at most the set number
// of bytes (a double-byte character counts 2 and is never cut).
//
// The owner adds the box to a scene, calls Setup, then places and shows it; the entry takes the
// input focus when the box is shown.
#pragma once

#include <cstdint>
#include <string>

#include "dialogs/dialog_board.h"

namespace engine {
class EditBox;
}  // namespace engine

namespace dialogs {

class CInputMsgBox : public DialogBoard {
 public:
  // Enter in the entry.
  static constexpr uint32_t kEntrySubmitted = 80001003;
  static constexpr int32_t kWidth = 290;
  static constexpr int32_t kHeight = 200;
  static constexpr int32_t kLineHeight = 16;
  static constexpr int32_t kTextSize = 12;

  CInputMsgBox() = default;
  ~CInputMsgBox() override = default;

  int OnMessage(const engine::ObjectMessage* message) override;
  void Show() override;

  // Builds the box: the text, the two records, and the entry's height in lines (1 to 4).
  virtual bool Setup(const char* text, const engine::ObjectMessage* ok, const engine::ObjectMessage* cancel,
                     int32_t lines);
  // The most bytes the entry takes (0: no limit).
  virtual void SetMaxInput(int32_t bytes);
  virtual void SetTitle(const char* title);

  // What the entry holds.
  std::string GetInput() const;
  // Types text into the entry as the keyboard would (markup characters taken as they stand).
  void TypeText(const std::string& text);
  engine::EditBox* GetEntry() const { return entry_; }
  const std::string& GetText() const { return text_; }
  const std::string& GetTitle() const { return title_; }
  int32_t GetMaxInput() const { return max_input_; }
  void PressOk() { Press(0); }
  void PressCancel() { Press(1); }

 protected:
  void OnAnswer(size_t index) override;

 private:
  void Draw();

  std::string text_;
  std::string title_;
  int32_t lines_ = 1;
  int32_t max_input_ = 0;
  engine::EditBox* entry_ = nullptr;
};

}  // namespace dialogs
