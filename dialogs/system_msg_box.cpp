#include "dialogs/system_msg_box.h"

#include <algorithm>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_events.h"
#include "engine/core/engine_log.h"
#include "engine/ui/font_record.h"
#include "platform/shell_open.h"
#include "shell/chat_text.h"

namespace dialogs {
namespace {

constexpr int32_t kIconX = 38;
constexpr int32_t kIconY = 62;
constexpr int32_t kTextTop = 36;
constexpr int32_t kButtonY = 163;
constexpr int32_t kLinkHeight = 18;
constexpr int32_t kLinkY = 132;
constexpr uint32_t kLinkLinks = engine::link_flag::kOwned | engine::link_flag::kAlpha | engine::link_flag::kInvalidate |
                                engine::link_flag::kDepth | engine::link_flag::kMove | engine::link_flag::kAlwaysShow |
                                engine::link_flag::kAlwaysHide;

}  // namespace

bool CSystemMsgBox::Build(const char* text, const engine::ObjectMessage* ok, const engine::ObjectMessage* cancel,
                          int32_t buttons, int32_t style, const char* icon) {
  if (!MakeBody("bit_systemboard", kWidth, kHeight)) return false;
  text_ = text != nullptr ? text : "";
  if ((style & kStyleIcon) != 0 && icon != nullptr) icon_ = icon;
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
  StartCountdown(buttons);
  return true;
}

void CSystemMsgBox::Draw() {
  DrawBackground();
  const bool icon = !icon_.empty();
  if (icon) DrawBodyPicture(icon_.c_str(), kIconX, kIconY, 32, 32);
  DrawBodyText(text_, kTextTop, icon ? 64 : 20, 20, kTextSize, kTextColour);
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
    body->AddChild(link_canvas_, kLinkLinks);
    link_canvas_->SubscribeMessage(engine::QUILLARON_EVENT_CLICK, GetKey(), kLinkClicked, 0, 0);
  }
  const std::string shown = shell::InertCanvasText(link_);
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
  if (cancel_index_ >= 0) {
    PressCancel();
  } else {
    Close();
  }
}

int CSystemMsgBox::OnMessage(const engine::ObjectMessage* message) {
  if (message != nullptr && message->target == GetKey() && message->id == kLinkClicked) {
    ClickLink();
    return 1;
  }
  return DialogBoard::OnMessage(message);
}

}  // namespace dialogs
