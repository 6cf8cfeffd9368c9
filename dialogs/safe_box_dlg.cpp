#include "dialogs/safe_box_dlg.h"

#include <cstdio>

#include "dialogs/safe_box_amount_dlg.h"
#include "dialogs/safe_box_requests.h"
#include "engine/core/engine_log.h"

namespace dialogs {
namespace {

constexpr int32_t kWidth = 300;
constexpr int32_t kHeight = 190;
constexpr int32_t kLabelX = 30;
constexpr int32_t kValueX = 170;
constexpr int32_t kBalanceRow = 60;
constexpr int32_t kSilverRow = 88;
constexpr int32_t kNoteRow = 114;

}  // namespace

bool CSafeBoxDlg::Create(int32_t state, int32_t balance) {
  if (!BuildPanel(kPicture, kWidth, kHeight, kDepth)) return false;
  state_ = state;
  balance_ = balance;
  const auto w = static_cast<int32_t>(GetWidth());
  const auto h = static_cast<int32_t>(GetHeight());
  AddButton("btn_safebox_save", kMsgSave, w / 2 - 50, h - 28);
  AddButton("btn_safebox_take", kMsgTake, w / 2 + 50, h - 28);
  AddButton("btn_redcrossEx", kMsgClose, w - 18, 16);
  Relayout();
  Hide();
  return true;
}

void CSafeBoxDlg::SetState(int32_t state) { state_ = state; }

void CSafeBoxDlg::Relayout() {
  DrawPanel("保 险 箱");
  char text[64];
  DrawLabel(kLabelX, kBalanceRow, "保险箱中有银子:", kTextColour);
  std::snprintf(text, sizeof text, "%d 两", static_cast<int>(balance_));
  DrawLabel(kValueX, kBalanceRow, text, kValueColour);
  DrawLabel(kLabelX, kSilverRow, "游戏中有银子:", kTextColour);
  int32_t silver = 0;
  if (GetOwnSilver(&silver)) {
    std::snprintf(text, sizeof text, "%d 两", static_cast<int>(silver));
  } else {
    std::snprintf(text, sizeof text, "--");
  }
  DrawLabel(kValueX, kSilverRow, text, kValueColour);
  if ((state_ & kStateProtected) != 0) DrawLabel(kLabelX, kNoteRow, "(已设置保护密码)", kTextColour);
  if (take_ != nullptr) take_->SetProtected((state_ & kStateProtected) != 0);
}

void CSafeBoxDlg::SetBalance(int32_t balance) {
  balance_ = balance;
  Relayout();
}

bool CSafeBoxDlg::RefreshBalance() {
  net::SafeBoxState answer;
  std::string answer_text;
  if (!RequestOpenSafeBox(&answer, &answer_text)) {
    engine::WriteGameLog("safe box: refresh failed: %s", answer_text.c_str());
    ShowSafeBoxMessage(kSafeBoxOpenFailed);
    return false;
  }
  state_ = answer.state;
  SetBalance(answer.balance);
  return true;
}

void CSafeBoxDlg::CloseSubDialogs() {
  for (CSafeBoxAmountDlg* dialog : {save_, take_}) {
    if (dialog != nullptr && dialog->IsVisible()) dialog->CancelDialog();
  }
}

CSafeBoxAmountDlg* CSafeBoxDlg::OpenSubDialog(int32_t kind) {
  const bool save = kind == CSafeBoxAmountDlg::kSave;
  CSafeBoxAmountDlg*& dialog = save ? save_ : take_;
  if (dialog == nullptr) {
    auto* made = new CSafeBoxAmountDlg();
    AddToScene(made);
    if (!made->IsRegistered() || !made->Create(save ? CSafeBoxAmountDlg::kSave : CSafeBoxAmountDlg::kTake, GetKey(),
                                               save ? kSaveDepth : kTakeDepth)) {
      engine::WriteGameLog("safe box: no %s dialog", save ? "save" : "take");
      if (made->IsRegistered()) DeleteObject(made, true);
      return nullptr;
    }
    dialog = made;
  }
  CSafeBoxAmountDlg* other = save ? take_ : save_;
  if (other != nullptr && other->IsVisible()) other->CancelDialog();
  dialog->SetProtected((state_ & kStateProtected) != 0);
  dialog->CentreInWindow();
  dialog->Show();
  dialog->Reset();
  dialog->Invalidate();
  return dialog;
}

int CSafeBoxDlg::OnMessage(const engine::ObjectMessage* message) {
  if (message != nullptr && message->target == GetKey()) {
    switch (message->id) {
      case kMsgSave:
        OpenSubDialog(CSafeBoxAmountDlg::kSave);
        return 1;
      case kMsgTake:
        OpenSubDialog(CSafeBoxAmountDlg::kTake);
        return 1;
      case kMsgClose:
        CloseSubDialogs();
        Hide();
        Invalidate();
        return 1;
      case CSafeBoxAmountDlg::kMsgMoved:
        RefreshBalance();
        return 1;
      default:
        break;
    }
  }
  return DialogPanel::OnMessage(message);
}

}  // namespace dialogs
