// The safe box dialog ("保 险 箱"): the silver in the safe box and the silver the user has at the
// table, with buttons that open the save and the take dialogs (dialogs/safe_box_amount_dlg.h)
// and a close button. After silver has moved, the dialog asks the server for the safe box again
// (RefreshBalance); a failed refresh says so and leaves the shown balance as it was.
//
// State: bit kStateProtected says the safe box has a protection code (a take then asks for the
// answer). Private ids on itself: 1075 (save), 1076 (take), 1077 (close), and 1078 from its
// save and take dialogs.
#pragma once

#include <cstdint>

#include "dialogs/dialog_panel.h"

namespace dialogs {

class CSafeBoxAmountDlg;

class CSafeBoxDlg : public DialogPanel {
 public:
  // Where it stands among the scene's layers.
  static constexpr double kDepth = 89900.0;
  static constexpr const char* kPicture = "SafeBoxDlg";
  static constexpr int32_t kStateProtected = 0x1;
  static constexpr uint32_t kMsgSave = 1075;
  static constexpr uint32_t kMsgTake = 1076;
  static constexpr uint32_t kMsgClose = 1077;
  static constexpr double kSaveDepth = 89910.0;
  static constexpr double kTakeDepth = 89920.0;

  CSafeBoxDlg() = default;
  ~CSafeBoxDlg() override = default;

  int OnMessage(const engine::ObjectMessage* message) override;

  // Builds the dialog for the safe box as the open request answered; it starts hidden.
  virtual bool Create(int32_t state, int32_t balance);
  virtual int32_t GetState() const { return state_; }
  virtual void SetState(int32_t state);
  // Draws the panel for the state and the balance.
  virtual void Relayout();
  virtual void SetBalance(int32_t balance);
  // Asks the server for the safe box (the open request) and shows its state and balance; on
  // failure the user is told and nothing shown changes. True on success.
  virtual bool RefreshBalance();
  // Hides the save and take dialogs.
  virtual void CloseSubDialogs();

  int32_t GetBalance() const { return balance_; }
  // The save or take dialog, made on first use (null before).
  CSafeBoxAmountDlg* GetSaveDlg() const { return save_; }
  CSafeBoxAmountDlg* GetTakeDlg() const { return take_; }
  // Opens the save (kind 1) or take (kind 2) dialog, centred and reset.
  CSafeBoxAmountDlg* OpenSubDialog(int32_t kind);

 private:
  int32_t state_ = 0;
  int32_t balance_ = 0;
  CSafeBoxAmountDlg* save_ = nullptr;
  CSafeBoxAmountDlg* take_ = nullptr;
};

}  // namespace dialogs
