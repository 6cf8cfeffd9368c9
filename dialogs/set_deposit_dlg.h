// The quick silver presets dialog ("快速设银"): six amount boxes holding the six preset amounts.
// OK writes all six into "FIXDEPOSIT" of the user's own file (dialogs/fix_deposit.h) in one
// write and hides the dialog; when any box holds no valid amount, or the file cannot be written,
// the user is told, nothing is written and the dialog stays. Cancel hides it.
//
// Private ids on itself: 1073 (OK) and 1074 (cancel).
#pragma once

#include <cstdint>
#include <string>

#include "dialogs/dialog_panel.h"
#include "dialogs/fix_deposit.h"

namespace engine {
class InputBox;
}  // namespace engine

namespace dialogs {

class CSetDepositDlg : public DialogPanel {
 public:
  // Where it stands among the scene's layers.
  static constexpr double kDepth = 89990.0;
  static constexpr const char* kPicture = "SetDepositDlg";
  static constexpr uint32_t kMsgOk = 1073;
  static constexpr uint32_t kMsgCancel = 1074;
  static constexpr const char* kBadAmount = "请输入正确的银子数目(1 到 2147483647 两)。";
  static constexpr const char* kSaveFailed = "快速设银的数目没有能够保存。";

  CSetDepositDlg() = default;
  ~CSetDepositDlg() override = default;

  // Builds the dialog; it starts hidden.
  virtual bool Create();
  // Shows the amounts in the six boxes.
  virtual void SetAmounts(const PresetAmounts& amounts);

  // The amounts the boxes hold; false when a box holds no valid amount.
  bool ReadAmounts(PresetAmounts* amounts) const;
  // The file OK writes (the application's per-user file unless set).
  void SetFilePath(const std::string& path) { path_ = path; }
  std::string GetFilePath() const;
  engine::InputBox* GetBox(int index) const { return index >= 0 && index < kPresetCount ? boxes_[index] : nullptr; }
  // OK and cancel.
  bool Confirm();
  void CancelDialog();

 private:
  void OnOk() override { Confirm(); }
  void OnCancel() override { CancelDialog(); }

  engine::InputBox* boxes_[kPresetCount] = {};
  std::string path_;
};

}  // namespace dialogs
