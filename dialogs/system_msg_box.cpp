#include "dialogs/system_msg_box.h"

#include <algorithm>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_events.h"
#include "engine/core/engine_log.h"
#include "engine/ui/font_record.h"
#include "engine/ui/text_markup.h"
#include "platform/shell_open.h"

namespace dialogs {
namespace {

constexpr int32_t kIconX = 38;
constexpr int32_t kIconY = 62;
constexpr int32_t kTextTop = 36;
constexpr int32_t kButtonY = 163;
constexpr int32_t kLinkHeight = 18;
constexpr int32_t kLinkY = 132;
constexpr int32_t kIconSize = 32;
// The information mark: a white "i" on a blue disc with a white rim.
constexpr int32_t kMarkRadius = 14;
constexpr uint32_t kMarkFill = 0xC87828;
constexpr uint32_t kMarkRim = 0xFFFFFF;

CSystemMsgBox::Icon IconOf(int32_t style, const char* name) {
  if ((style & CSystemMsgBox::kStyleInformation) != 0) return CSystemMsgBox::Icon::kInformation;
  if ((style & CSystemMsgBox::kStyleIcon) != 0 && name != nullptr && *name != '\0') return CSystemMsgBox::Icon::kNamed;
  return CSystemMsgBox::Icon::kNone;
}

}  // namespace

bool CSystemMsgBox::Build(const char* text, const engine::ObjectMessage* ok, const engine::ObjectMessage* cancel,
                          int32_t seconds, int32_t style, const char* icon) {
  if (!MakeBody("bit_systemboard", kWidth, kHeight)) return false;
  text_ = text != nullptr ? text : "";
  icon_kind_ = IconOf(style, icon);
  if (icon_kind_ != Icon::kNone && icon != nullptr) icon_ = icon;
  seconds_ = std::clamp(seconds, 0, kMaxCountdown);
  bool with_ok = (style & kStyleOk) != 0;
  bool with_cancel = (style & kStyleCancel) != 0;
  if (!with_ok && !with_cancel) {
    with_ok = true;
    with_cancel = cancel != nullptr && cancel->id != 0;
  }
  const int32_t w = GetBody()->GetSurfaceWidth();
  const int32_t centre = w / 2;
  if (with_ok) {
    ok_index_ = static_cast<int32_t>(ButtonCount());
    AddButton("btn_gameset_ok", "确定", ok, with_cancel ? centre - 35 : centre, kButtonY);
  }
  if (with_cancel) {
    cancel_index_ = static_cast<int32_t>(ButtonCount());
    AddButton("btn_gameset_cancel", "取消", cancel, with_ok ? centre + 35 : centre, kButtonY);
  }
  Draw();
  return true;
}

void CSystemMsgBox::AnswerWhenTimeUp(const engine::ObjectMessage& answer) {
  if (GetBody() == nullptr || seconds_ <= 0 || IsClosing()) return;
  time_up_answer_ = answer;
  StartCountdown(seconds_);
}

void CSystemMsgBox::Draw() {
  DrawBackground();
  if (!icon_.empty()) {
    DrawBodyPicture(icon_.c_str(), kIconX, kIconY, kIconSize, kIconSize);
  } else if (icon_kind_ == Icon::kInformation) {
    DrawInformationMark();
  }
  DrawBodyText(text_, kTextTop, icon_kind_ != Icon::kNone ? 64 : 20, 20, kTextSize, kTextColour);
}

void CSystemMsgBox::DrawInformationMark() {
  engine::CanvasObject* body = GetBody();
  const int32_t outer = kMarkRadius * kMarkRadius;
  const int32_t inner = (kMarkRadius - 2) * (kMarkRadius - 2);
  for (int32_t dy = -kMarkRadius; dy <= kMarkRadius; ++dy) {
    for (int32_t dx = -kMarkRadius; dx <= kMarkRadius; ++dx) {
      const int32_t d = dx * dx + dy * dy;
      if (d <= outer) body->SetPixel(kIconX + dx, kIconY + dy, d <= inner ? kMarkFill : kMarkRim);
    }
  }
  body->SetFont(20, 700, engine::kDefaultFaceName);
  body->SetTextColour(kMarkRim, 1.0);
  body->DrawTextCentred(kIconX, kIconY, "i");
  body->Invalidate();
}

void CSystemMsgBox::SetLink(const char* text, int32_t flag) {
  engine::CanvasObject* body = GetBody();
  if (body == nullptr || text == nullptr) return;
  link_ = text;
  link_flag_ = flag;
  const int32_t w = body->GetSurfaceWidth() - 40;
  if (link_canvas_ == nullptr) {
    link_canvas_ = CreateCanvas(w, kLinkHeight, engine::kColourKey);
    if (link_canvas_ == nullptr) return;
    link_canvas_->MoveTo(body->GetX(), body->GetTop() + kLinkY + kLinkHeight / 2);
    link_canvas_->SetDepth(body->GetDepth() + 0.1);
    if (body->IsVisible()) link_canvas_->Show();
    body->AddChild(link_canvas_, engine::link_flag::kFollowAsPart);
    link_canvas_->SubscribeMessage(engine::QUILLARON_EVENT_CLICK, GetKey(), kLinkClicked, 0, 0);
  }
  const std::string shown = engine::InertCanvasText(link_);
  link_canvas_->Clear();
  link_canvas_->SetFont(kTextSize, 400, engine::kDefaultFaceName);
  link_canvas_->SetTextColour(kLinkColour, 1.0);
  const int32_t text_width = std::min(link_canvas_->EstimateWidth(shown.c_str(), shown.size()), w);
  const int32_t x = (w - text_width) / 2;
  link_canvas_->DrawText(x, 1, shown.c_str());
  link_canvas_->DrawLine(x, kLinkHeight - 2, x + text_width, kLinkHeight - 2);
  link_canvas_->Invalidate();
}

void CSystemMsgBox::ClickLink() {
  if (link_.empty() || IsClosing()) return;
  platform::OpenUrl(link_);
  if (link_flag_ == 1) Close();
}

void CSystemMsgBox::PressOk() {
  if (ok_index_ >= 0) Press(static_cast<size_t>(ok_index_));
}

void CSystemMsgBox::PressCancel() {
  if (cancel_index_ >= 0) Press(static_cast<size_t>(cancel_index_));
}

void CSystemMsgBox::OnTimeUp() {
  engine::WriteGameLog("message box \"%s\": no answer in %d seconds; it answers by itself", text_.c_str(), seconds_);
  Answer(time_up_answer_);
}

int CSystemMsgBox::OnMessage(const engine::ObjectMessage* message) {
  if (message != nullptr && message->target == GetKey() && message->id == kLinkClicked) {
    ClickLink();
    return 1;
  }
  return DialogBoard::OnMessage(message);
}

}  // namespace dialogs
