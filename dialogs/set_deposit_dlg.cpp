#include "dialogs/set_deposit_dlg.h"

#include <cstdio>
#include <string>

#include "dialogs/safe_box_requests.h"
#include "engine/ui/input_box.h"
#include "shell/game_app_base.h"

namespace dialogs {
namespace {

constexpr int32_t kWidth = 300;
constexpr int32_t kHeight = 250;
constexpr int32_t kBoxWidth = 110;
constexpr int32_t kPromptRow = 46;
constexpr int32_t kFirstRow = 80;
constexpr int32_t kRowStep = 42;
constexpr const char* kTitle = "快速设银";

}  // namespace

bool CSetDepositDlg::Create() {
  if (!BuildPanel(kPicture, kWidth, kHeight, kDepth)) return false;
  const auto w = static_cast<int32_t>(GetWidth());
  DrawPanel(kTitle);
  DrawLabel(16, kPromptRow, "设定快速设银的六个数目(两):", kTextColour);
  for (int i = 0; i < kPresetCount; ++i) {
    const int32_t column = i % 2;
    const int32_t row = i / 2;
    const int32_t x = column == 0 ? w / 4 + 12 : 3 * w / 4 + 4;
    const int32_t y = kFirstRow + row * kRowStep;
    char label[16];
    std::snprintf(label, sizeof label, "%d.", i + 1);
    DrawLabel(x - kBoxWidth / 2 - 18, y, label, kTextColour);
    boxes_[i] = AddDigitBox<engine::InputBox>(x, y, kBoxWidth, static_cast<int32_t>(kMaxAmountDigits));
  }
  AddOkCancelButtons(kMsgOk, kMsgCancel);
  Hide();
  return true;
}

void CSetDepositDlg::SetAmounts(const PresetAmounts& amounts) {
  for (int i = 0; i < kPresetCount; ++i) {
    if (boxes_[i] == nullptr) continue;
    boxes_[i]->Clear();
    boxes_[i]->SetText(std::to_string(amounts[i]).c_str());
  }
  if (boxes_[0] != nullptr) boxes_[0]->Focus();
}

bool CSetDepositDlg::ReadAmounts(PresetAmounts* amounts) const {
  PresetAmounts read{};
  for (int i = 0; i < kPresetCount; ++i) {
    if (boxes_[i] == nullptr || !ParseAmount(boxes_[i]->GetText(), &read[i])) return false;
  }
  if (amounts != nullptr) *amounts = read;
  return true;
}

std::string CSetDepositDlg::GetFilePath() const {
  if (!path_.empty()) return path_;
  shell::CGameAppBase* app = shell::GetApp();
  return app != nullptr ? app->GetUserDataPath() : std::string();
}

bool CSetDepositDlg::Confirm() {
  PresetAmounts amounts{};
  if (!ReadAmounts(&amounts)) {
    ShowSafeBoxMessage(kBadAmount);
    return false;
  }
  const std::string path = GetFilePath();
  if (path.empty() || !SaveFixDeposit(path, amounts)) {
    ShowSafeBoxMessage(kSaveFailed);
    return false;
  }
  HideDialog();
  return true;
}

void CSetDepositDlg::CancelDialog() { HideDialog(); }

}  // namespace dialogs
