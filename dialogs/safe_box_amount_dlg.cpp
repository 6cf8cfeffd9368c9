#include "dialogs/safe_box_amount_dlg.h"

#include <cstdio>
#include <string>

#include "dialogs/fix_deposit.h"
#include "dialogs/safe_box_requests.h"
#include "engine/ui/input_box.h"
#include "engine/ui/quick_input_bar.h"

namespace dialogs {
namespace {

constexpr int32_t kWidth = 260;
constexpr int32_t kHeight = 170;
constexpr int32_t kBoxWidth = 130;
constexpr int32_t kBoxX = 170;
constexpr int32_t kAmountRow = 58;
constexpr int32_t kAnswerRow = 96;

}  // namespace

bool CSafeBoxAmountDlg::Create(Kind kind, uint32_t owner_key, double depth) {
  if (!BuildPanel(kPicture, kWidth, kHeight, depth)) return false;
  kind_ = kind;
  owner_key_ = owner_key;
  amount_ = AddDigitBox<engine::QuickInputBar>(kBoxX, kAmountRow, kBoxWidth, static_cast<int32_t>(kMaxAmountDigits));
  answer_ = AddDigitBox<engine::InputBox>(kBoxX, kAnswerRow, kBoxWidth, static_cast<int32_t>(kMaxProtectionDigits));
  AddOkCancelButtons(kMsgOk, kMsgCancel);
  Relayout();
  Hide();
  return true;
}

void CSafeBoxAmountDlg::SetProtected(bool is_protected) {
  protected_ = is_protected;
  Relayout();
}

void CSafeBoxAmountDlg::Relayout() {
  DrawPanel(kind_ == kSave ? "存入保险箱" : "从保险箱取出");
  DrawLabel(18, kAmountRow, kind_ == kSave ? "存入银子(两):" : "取出银子(两):", kTextColour);
  if (kind_ == kTake && protected_) DrawLabel(18, kAnswerRow, "保护密码:", kTextColour);
  ShowAnswerBox();
}

void CSafeBoxAmountDlg::ShowAnswerBox() {
  if (answer_ == nullptr) return;
  if (kind_ == kTake && protected_ && IsVisible()) {
    answer_->Show();
  } else {
    answer_->Hide();
  }
  answer_->Invalidate();
}

void CSafeBoxAmountDlg::Show() {
  DialogPanel::Show();
  ShowAnswerBox();
}

void CSafeBoxAmountDlg::Reset() {
  if (answer_ != nullptr) answer_->Clear();
  if (amount_ != nullptr) {
    amount_->Clear();
    amount_->Focus();
  }
}

bool CSafeBoxAmountDlg::Confirm() {
  int32_t amount = 0;
  if (amount_ == nullptr || !ParseAmount(amount_->GetText(), &amount)) {
    ShowSafeBoxMessage(kBadAmount);
    return false;
  }
  int32_t answer = 0;
  if (kind_ == kTake && protected_ && (answer_ == nullptr || !ParseProtectionAnswer(answer_->GetText(), &answer))) {
    ShowSafeBoxMessage(kNoAnswer);
    return false;
  }
  std::string answer_text;
  const bool ok =
      kind_ == kSave ? RequestSaveSilver(amount, &answer_text) : RequestTakeSilver(amount, answer, &answer_text);
  if (!ok) {
    ShowSafeBoxMessage(answer_text.c_str());
    return false;
  }
  amount_->AddValue(std::to_string(amount).c_str());
  amount_->Clear();
  if (answer_ != nullptr) answer_->Clear();
  HideDialog();
  const engine::ObjectMessage moved =
      engine::MakeMessage(owner_key_, kMsgMoved, static_cast<uintptr_t>(amount), static_cast<uintptr_t>(kind_));
  SendMessage(&moved);
  char text[128];
  std::snprintf(text, sizeof text, kind_ == kSave ? "已经存入保险箱 %d 两。" : "已经从保险箱中取出 %d 两。",
                static_cast<int>(amount));
  ShowSafeBoxMessage(text);
  return true;
}

void CSafeBoxAmountDlg::CancelDialog() { HideDialog(); }

}  // namespace dialogs
