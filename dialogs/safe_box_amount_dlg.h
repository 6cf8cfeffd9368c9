// The safe box's save and take dialogs: an amount box with the last amounts used and, for a take
// from a safe box with a protection code, a box for the code's answer. OK sends the request (with
// the wait text); on success the amount joins the recent values, the dialog hides, its owner
// hears 1078 {owner, 1078, amount, kind} and the user is told; on failure the user is shown the
// answer's text and nothing else changes (the dialog stays, with what was typed). An amount that
// is no whole number from 1 to 2147483647 is refused before anything is sent.
//
// Private ids on itself: 1079 (OK) and 1080 (cancel).
#pragma once

#include <cstdint>

#include "dialogs/dialog_panel.h"

namespace engine {
class InputBox;
class QuickInputBar;
}  // namespace engine

namespace dialogs {

class CSafeBoxAmountDlg : public DialogPanel {
 public:
  enum Kind : int32_t { kSave = 1, kTake = 2 };
  static constexpr const char* kPicture = "SafeBoxAmountDlg";
  static constexpr uint32_t kMsgMoved = 1078;
  static constexpr uint32_t kMsgOk = 1079;
  static constexpr uint32_t kMsgCancel = 1080;
  static constexpr const char* kBadAmount = "请输入正确的银子数目(1 到 2147483647 两)。";
  static constexpr const char* kNoAnswer = "请输入保护密码。";

  CSafeBoxAmountDlg() = default;
  ~CSafeBoxAmountDlg() override = default;

  // Shows the dialog, with the answer box only when it is asked for.
  void Show() override;

  // Builds the dialog of a kind for its owner (the key that hears 1078); it starts hidden.
  virtual bool Create(Kind kind, uint32_t owner_key, double depth);
  // A take from a safe box with a protection code asks for the answer too.
  virtual void SetProtected(bool is_protected);
  virtual void Relayout();
  // Clears the boxes and gives the amount box the focus.
  virtual void Reset();

  Kind GetKindOf() const { return kind_; }
  bool IsProtected() const { return protected_; }
  engine::QuickInputBar* GetAmountBox() const { return amount_; }
  engine::InputBox* GetAnswerBox() const { return answer_; }
  // OK and cancel.
  bool Confirm();
  void CancelDialog();

 private:
  void OnOk() override { Confirm(); }
  void OnCancel() override { CancelDialog(); }

  void ShowAnswerBox();

  Kind kind_ = kSave;
  uint32_t owner_key_ = 0;
  bool protected_ = false;
  engine::QuickInputBar* amount_ = nullptr;
  engine::InputBox* answer_ = nullptr;
};

}  // namespace dialogs
