#include "dialogs/input_msg_box.h"

#include <algorithm>

#include "engine/core/canvas_object.h"
#include "engine/core/engine_log.h"
#include "engine/ui/edit_box.h"
#include "engine/ui/font_record.h"
#include "shell/chat_text.h"

namespace dialogs {
namespace {

constexpr int32_t kTitleY = 10;
constexpr int32_t kTextTop = 32;
constexpr int32_t kEntryTop = 96;
constexpr int32_t kButtonY = 172;
constexpr int32_t kMargin = 20;
constexpr uint32_t kEntryLinks = engine::link_flag::kFollowAsPart;

}  // namespace

bool CInputMsgBox::Setup(const char* text, const engine::ObjectMessage* ok, const engine::ObjectMessage* cancel,
                         int32_t lines) {
  if (!MakeBody("bit_systemboard", kWidth, kHeight)) return false;
  text_ = text != nullptr ? text : "";
  lines_ = std::clamp(lines, 1, 4);
  engine::CanvasObject* body = GetBody();
  const int32_t w = body->GetSurfaceWidth();
  if (entry_ == nullptr) {
    entry_ = new engine::EditBox();
    AddToScene(entry_);
    if (!entry_->IsRegistered()) {
      delete entry_;
      entry_ = nullptr;
    }
  }
  if (entry_ != nullptr) {
    const int32_t entry_height = lines_ * kLineHeight + 4;
    entry_->Create(w - 2 * kMargin, entry_height, lines_ > 1 ? 0 : engine::rich_text::kViewSingleLine);
    entry_->SetTextSize(kTextSize);
    entry_->SetBackColour(0xFFFFFF);
    entry_->SetTextColor(0);
    entry_->SetEnterMessage(GetKey(), kEntrySubmitted, false);
    entry_->MoveTo(body->GetLeft() + w / 2.0, body->GetTop() + kEntryTop + entry_height / 2.0);
    entry_->SetDepth(body->GetDepth() + 0.1);
    body->AddChild(entry_, kEntryLinks);
  }
  const int32_t centre = w / 2;
  AddButton("btn_gameset_ok", "确定", ok, centre - 35, kButtonY);
  AddButton("btn_gameset_cancel", "取消", cancel, centre + 35, kButtonY);
  Draw();
  return true;
}

void CInputMsgBox::Draw() {
  DrawBackground();
  engine::CanvasObject* body = GetBody();
  if (body == nullptr) return;
  if (!title_.empty()) {
    body->SetFont(14, 700, engine::kDefaultFaceName);
    body->SetTextColour(0xFFFFFF, 1.0);
    body->DrawTextCentred(body->GetSurfaceWidth() / 2, kTitleY + 8, title_.c_str());
  }
  DrawBodyText(text_, kTextTop, kMargin, kMargin, kTextSize, 0xFFFFFF);
}

void CInputMsgBox::SetMaxInput(int32_t bytes) {
  max_input_ = std::max(bytes, 0);
  if (entry_ != nullptr) entry_->SetMaxLength(max_input_);
}

void CInputMsgBox::SetTitle(const char* title) {
  title_ = title != nullptr ? title : "";
  Draw();
}

std::string CInputMsgBox::GetInput() const {
  if (entry_ != nullptr) return entry_->GetText();
  return std::string();
}

void CInputMsgBox::TypeText(const std::string& text) {
  if (entry_ != nullptr) entry_->InsertPlainText(text);
}

void CInputMsgBox::Show() {
  DialogBoard::Show();
  if (entry_ != nullptr && !IsClosing()) entry_->TakeFocus();
}

void CInputMsgBox::OnAnswer(size_t index) {
  if (IsClosing() || index >= ButtonCount()) return;
  engine::ObjectMessage answer = GetAnswer(index);
  if (index == 0) {
    if (answer.id == 0) {
      Close();
      return;
    }
    if (FindObjectByKey(answer.target) == nullptr) {
      engine::WriteGameLog("CInputMsgBox: nobody to take the text (object %u)", answer.target);
      Close();
      return;
    }
    answer.p1 = reinterpret_cast<uintptr_t>(shell::NewHeapText(GetInput()));
  }
  Close();
  if (answer.id != 0) SendMessage(&answer);
}

int CInputMsgBox::OnMessage(const engine::ObjectMessage* message) {
  if (message != nullptr && message->target == GetKey() && message->id == kEntrySubmitted) {
    Press(0);
    return 1;
  }
  return DialogBoard::OnMessage(message);
}

}  // namespace dialogs
