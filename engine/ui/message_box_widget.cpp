#include "engine/ui/message_box_widget.h"

#include <algorithm>
#include <cstdio>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_log.h"
#include "engine/ui/text_button.h"

namespace engine {
TextButton* MessageBoxWidget::MakeButton(const char* caption, Signal signal) {
  auto* button = new TextButton();
  AddToScene(button);
  if (!button->IsRegistered()) {
    delete button;
    return nullptr;
  }
  const ObjectMessage pressed = MakeMessage(GetKey(), msg::kCountdownStep, signal, 0);
  button->Create(caption, kButtonWidth, kButtonHeight, 12, kColourKey, 0x000000, &pressed);
  button->MoveToTopLayer();
  button->SetDepth(body_->GetDepth() + 1.0);
  body_->AddChild(button, link_flag::kFollowAsPart);
  return button;
}

CanvasObject* MessageBoxWidget::Build(int32_t width, int32_t height, const ObjectMessage* ok,
                                      const ObjectMessage* cancel, int32_t countdown_seconds) {
  if (!IsRegistered()) {
    WriteGameLog("MessageBoxWidget::Build: the box is not in a scene");
    return nullptr;
  }
  if (body_ != nullptr) return body_;
  body_ = CreateCanvas(width, height, kColourKey);
  if (body_ == nullptr) return nullptr;
  SetSkin(body_, link_flag::kFollowAll);
  SetTakesInput(true);
  // The box is dragged by its body; the parts follow it.
  SetDraggable(true);
  MoveToTopLayer();

  const double x = body_->GetX();
  const double bottom = body_->GetBottom();
  if (ok != nullptr) {
    ok_message_ = *ok;
    ok_button_ = MakeButton("确定", kSignalOk);
    if (ok_button_ != nullptr) ok_button_->MoveTo(x - kButtonWidth / 2 - 10, bottom - 20);
  }
  if (cancel != nullptr) {
    cancel_message_ = *cancel;
    cancel_button_ = MakeButton("取消", kSignalCancel);
    if (cancel_button_ != nullptr) cancel_button_->MoveTo(ok != nullptr ? x + kButtonWidth / 2 + 10 : x, bottom - 20);
  }
  if (ok_button_ == nullptr && cancel_button_ == nullptr) {
    // Nothing to press: a click on the box closes it, so that it never stays for good.
    SubscribeMessage(QUILLARON_EVENT_CLICK, GetKey(), msg::kCountdownStep, kSignalClicked, 0);
  }
  if (countdown_seconds > 0) {
    count_ = std::min(countdown_seconds, kMaxCountdown);
    countdown_canvas_ = CreateCanvas(kCountdownWidth, kCountdownHeight, kColourKey);
    if (countdown_canvas_ != nullptr) {
      countdown_canvas_->MoveToTopLayer();
      countdown_canvas_->SetDepth(body_->GetDepth() + 1.0);
      countdown_canvas_->MoveTo(body_->GetRight() - 10, body_->GetTop() + 10);
      body_->AddChild(countdown_canvas_, link_flag::kFollowAsPart);
      DrawCountdown();
    }
    const ObjectMessage step = MakeMessage(GetKey(), msg::kCountdownStep, kSignalCountdown, 0);
    DelayFor(this, 1000, &step);
  }
  BringToFront();
  return body_;
}

void MessageBoxWidget::DrawCountdown() {
  if (countdown_canvas_ == nullptr) return;
  char text[16];
  std::snprintf(text, sizeof text, "%d", count_);
  countdown_canvas_->Clear();
  countdown_canvas_->DrawTextCentred(kCountdownWidth / 2, kCountdownHeight / 2, text);
  countdown_canvas_->Invalidate();
}

void MessageBoxWidget::CountdownStep() {
  if (count_ <= 0) return;
  --count_;
  DrawCountdown();
  if (count_ > 0) {
    const ObjectMessage step = MakeMessage(GetKey(), msg::kCountdownStep, kSignalCountdown, 0);
    DelayFor(this, 1000, &step);
    return;
  }
  // Time is up: the box answers as its most cautious button would.
  Answer(cancel_button_ != nullptr ? kSignalCancel : ok_button_ != nullptr ? kSignalOk : kSignalClicked);
}

void MessageBoxWidget::Answer(Signal signal) {
  if (closing_) return;
  ObjectMessage answer{};
  if (signal == kSignalOk && ok_button_ != nullptr) answer = ok_message_;
  if (signal == kSignalCancel && cancel_button_ != nullptr) answer = cancel_message_;
  Close();
  if (answer.id != 0) SendMessage(&answer);
}

void MessageBoxWidget::Close() {
  if (closing_) return;
  closing_ = true;
  count_ = 0;
  CancelObjectActions(GetKey());
  DeleteObject(this, true);
}

int MessageBoxWidget::OnMessage(const ObjectMessage* message) {
  if (message != nullptr && message->id == msg::kCountdownStep && message->target == GetKey()) {
    const auto signal = static_cast<Signal>(message->p1);
    if (signal == kSignalCountdown) {
      CountdownStep();
    } else {
      Answer(signal);
    }
    return 1;
  }
  return WidgetBase::OnMessage(message);
}

}  // namespace engine
