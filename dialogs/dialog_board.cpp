#include "dialogs/dialog_board.h"

#include <algorithm>
#include <cstdio>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_log.h"
#include "engine/ui/font_record.h"
#include "engine/ui/image_button.h"
#include "engine/ui/text_button.h"

namespace dialogs {
namespace {

constexpr int32_t kCountdownWidth = 36;
constexpr int32_t kCountdownHeight = 16;

}  // namespace

bool DialogBoard::MakeBody(const char* picture, int32_t fallback_width, int32_t fallback_height) {
  if (!IsRegistered()) {
    engine::WriteGameLog("DialogBoard: a board must be in a scene before it is built");
    return false;
  }
  if (body_ != nullptr) return true;
  background_ = picture != nullptr ? picture : "";
  const engine::PictureInfo info = GetPictureInfo(background_.c_str(), 0);
  const int32_t w = info.record != nullptr ? info.width : fallback_width;
  const int32_t h = info.record != nullptr ? info.height : fallback_height;
  body_ = CreateCanvas(w, h, engine::kColourKey);
  if (body_ == nullptr) return false;
  // The body stands where the board does, so that depths set on the board land on the body.
  body_->SetDepth(GetDepth());
  body_->MoveTo(GetX(), GetY());
  SetSkin(body_, engine::link_flag::kFollowAll);
  // The body takes the pointer, so that a click on the board does not fall through to the table.
  SetTakesInput(true);
  DrawBackground();
  return true;
}

void DialogBoard::DrawBackground() {
  if (body_ == nullptr) return;
  body_->SetFillColour(engine::kColourKey);
  body_->Clear();
  const engine::PictureInfo info = GetPictureInfo(background_.c_str(), 0);
  if (info.record != nullptr) {
    body_->DrawImage(&info, 0, 0, -1, -1, 0.0, 1.0);
  } else {
    body_->SetFillColour(kPanelFill);
    body_->FillRect(0, 0, body_->GetSurfaceWidth(), body_->GetSurfaceHeight());
    body_->DrawBorder(kPanelEdge, 2);
    body_->SetFillColour(engine::kColourKey);
  }
  body_->Invalidate();
}

engine::WidgetBase* DialogBoard::AddButton(const char* picture, const char* caption,
                                           const engine::ObjectMessage* answer, int32_t x, int32_t y) {
  if (body_ == nullptr) return nullptr;
  const engine::ObjectMessage pressed = engine::MakeMessage(GetKey(), kButtonPressed, buttons_.size(), 0);
  const engine::PictureInfo info = GetPictureInfo(picture != nullptr ? picture : "", 0);
  engine::WidgetBase* widget = nullptr;
  if (info.record != nullptr) {
    engine::ImageButton* button = engine::MakeImageButton(this, info, pressed);
    if (button == nullptr) return nullptr;
    button->SetSound(1, "SndTouchButton");
    button->SetSound(2, "SndHitButton");
    widget = button;
  } else {
    auto* button = new engine::TextButton();
    AddToScene(button);
    if (!button->IsRegistered()) {
      delete button;
      return nullptr;
    }
    button->Create(caption != nullptr ? caption : "", kCaptionButtonWidth, kCaptionButtonHeight, 12, engine::kColourKey,
                   kPanelEdge, &pressed);
    widget = button;
  }
  widget->MoveTo(body_->GetLeft() + x, body_->GetTop() + y);
  widget->SetDepth(body_->GetDepth() + 0.1);
  if (body_->IsVisible()) widget->Show();
  body_->AddChild(widget, engine::link_flag::kFollowAsPart);
  buttons_.push_back(Button{widget, answer != nullptr ? *answer : engine::ObjectMessage{}});
  return widget;
}

const engine::ObjectMessage& DialogBoard::GetAnswer(size_t index) const {
  static const engine::ObjectMessage kNone{};
  return index < buttons_.size() ? buttons_[index].answer : kNone;
}

void DialogBoard::StartCountdown(int32_t seconds) {
  if (body_ == nullptr || seconds <= 0) return;
  count_ = std::min(seconds, kMaxCountdown);
  if (countdown_canvas_ == nullptr) {
    countdown_canvas_ = CreateCanvas(kCountdownWidth, kCountdownHeight, engine::kColourKey);
    if (countdown_canvas_ != nullptr) {
      countdown_canvas_->MoveTo(body_->GetRight() - 8 - kCountdownWidth / 2,
                                body_->GetTop() + 6 + kCountdownHeight / 2);
      countdown_canvas_->SetDepth(body_->GetDepth() + 0.1);
      if (body_->IsVisible()) countdown_canvas_->Show();
      body_->AddChild(countdown_canvas_, engine::link_flag::kFollowAsPart);
    }
  }
  DrawCountdown();
  const engine::ObjectMessage step = engine::MakeMessage(GetKey(), kCountdownStep, 0, 0);
  DelayFor(this, 1000, &step);
}

void DialogBoard::DrawCountdown() {
  if (countdown_canvas_ == nullptr) return;
  char text[16];
  std::snprintf(text, sizeof text, "%d秒", count_);
  countdown_canvas_->Clear();
  countdown_canvas_->SetFont(12, 700, engine::kDefaultFaceName);
  countdown_canvas_->SetTextColour(0xFFFFFF, 1.0);
  countdown_canvas_->DrawTextCentred(kCountdownWidth / 2, kCountdownHeight / 2, text);
  countdown_canvas_->Invalidate();
}

void DialogBoard::DrawBodyText(const std::string& text, int32_t top, int32_t left_margin, int32_t right_margin,
                               int32_t size, uint32_t colour) {
  if (body_ == nullptr) return;
  std::string plain;
  plain.reserve(text.size());
  for (char c : text) {
    if (c != '\r') plain += c;
  }
  body_->SetFont(size, 400, engine::kDefaultFaceName);
  body_->SetTextColour(colour, 1.0);
  body_->SetTextSpacing(0, size / 4);
  body_->SetTextMargins(left_margin, right_margin);
  body_->DrawWrappedText(plain.c_str(), top);
  body_->Invalidate();
}

void DialogBoard::DrawBodyPicture(const char* name, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (body_ == nullptr || name == nullptr || *name == '\0') return;
  const engine::PictureInfo info = GetPictureInfo(name, 0);
  if (info.record == nullptr) return;
  const int32_t w = width > 0 ? width : info.width;
  const int32_t h = height > 0 ? height : info.height;
  body_->DrawImage(&info, x - w / 2, y - h / 2, w, h, 0.0, 1.0);
  body_->Invalidate();
}

void DialogBoard::Show() {
  WidgetBase::Show();
  Invalidate();
}

void DialogBoard::Press(size_t index) {
  if (index < buttons_.size()) OnAnswer(index);
}

void DialogBoard::OnAnswer(size_t index) {
  if (index < buttons_.size()) Answer(buttons_[index].answer);
}

void DialogBoard::Answer(const engine::ObjectMessage& answer) {
  if (closing_) return;
  const engine::ObjectMessage sent = answer;
  Close();
  if (sent.id != 0) SendMessage(&sent);
}

void DialogBoard::Close() {
  if (closing_) return;
  closing_ = true;
  count_ = 0;
  CancelObjectActions(GetKey());
  DeleteObject(this, true);
}

int DialogBoard::OnMessage(const engine::ObjectMessage* message) {
  if (message != nullptr && message->target == GetKey()) {
    if (message->id == kButtonPressed) {
      Press(static_cast<size_t>(message->p1));
      return 1;
    }
    if (message->id == kCountdownStep) {
      if (closing_ || count_ <= 0) return 1;
      --count_;
      DrawCountdown();
      if (count_ > 0) {
        const engine::ObjectMessage step = engine::MakeMessage(GetKey(), kCountdownStep, 0, 0);
        DelayFor(this, 1000, &step);
      } else {
        OnTimeUp();
      }
      return 1;
    }
  }
  return WidgetBase::OnMessage(message);
}

}  // namespace dialogs
