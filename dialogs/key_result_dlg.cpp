#include "dialogs/key_result_dlg.h"

#include <cstdio>
#include <string>

#include "dialogs/safe_box_requests.h"
#include "engine/core/engine_log.h"
#include "engine/ui/input_box.h"

namespace dialogs {
namespace {

constexpr int32_t kWidth = 260;
constexpr int32_t kHeight = 150;
constexpr int32_t kBoxWidth = 140;

}  // namespace

bool CKeyResultDlg::Create(int32_t code) {
  if (!BuildPanel(kPicture, kWidth, kHeight, kDepth)) return false;
  const int32_t w = static_cast<int32_t>(GetWidth());
  const int32_t h = static_cast<int32_t>(GetHeight());
  box_ = AddDigitBox<engine::InputBox>(w / 2, h / 2 + 8, kBoxWidth, static_cast<int32_t>(kMaxProtectionDigits));
  AddOkCancelButtons(kMsgOk, kMsgCancel);
  code_ = code;
  Relayout();
  Hide();
  return true;
}

void CKeyResultDlg::SetCode(int32_t code) { code_ = code; }

void CKeyResultDlg::Relayout() {
  DrawPanel("保护密码");
  char text[96];
  std::snprintf(text, sizeof text, "请输入保护密码 (校验码 %d):", static_cast<int>(code_));
  DrawLabel(20, 48, text, kTextColour);
}

void CKeyResultDlg::Reset() {
  result_ = 0;
  if (box_ != nullptr) {
    box_->Clear();
    box_->Focus();
  }
}

void CKeyResultDlg::SetPurpose(int32_t purpose) { purpose_ = purpose; }

void CKeyResultDlg::Confirm() {
  int32_t key = 0;
  if (box_ == nullptr || !ParseProtectionAnswer(box_->GetText(), &key)) {
    ShowSafeBoxMessage("请输入保护密码。");
    return;
  }
  result_ = key;
  HideDialog();
  engine::EngineObject* target = FindObjectByName(kTarget);
  if (target == nullptr) {
    engine::WriteGameLog("key result: no %s to take the answer", kTarget);
    return;
  }
  const engine::ObjectMessage confirmed =
      engine::MakeMessage(target->GetKey(), kMsgConfirmed, static_cast<uintptr_t>(static_cast<uint32_t>(result_)),
                          static_cast<uintptr_t>(static_cast<uint32_t>(purpose_)));
  SendMessage(&confirmed);
}

void CKeyResultDlg::CancelDialog() {
  HideDialog();
  if (box_ != nullptr) box_->Clear();
}

}  // namespace dialogs
