#include "engine/ui/quick_input_bar.h"

#include <algorithm>

#include "engine/core/canvas_object.h"
#include "engine/core/engine_log.h"
#include "engine/ui/image_button.h"
#include "engine/ui/named_child_list.h"
#include "engine/ui/number_edit_box.h"

namespace engine {
namespace {

constexpr double kButtonDepth = 0.2;

}  // namespace

void QuickInputBar::OnAddedToScene() {
  BuildParts(kFieldInset);
  if (CurrentSkin() == nullptr) return;

  ImageButton* button =
      MakeImageButton(this, GetPictureInfo(kButtonPicture, 0), MakeMessage(GetKey(), kMsgToggleList, 0, 0));
  if (button != nullptr) {
    button->SetSound(1, "SndTouchButton");
    button->SetSound(2, "SndHitButton");
    button->SetFlag2(true);
    SetDepthExactly(button, GetDepth() + kButtonDepth);
    button->Show();
    AddChild(button, kPartLinks);
    button_ = button;
  } else {
    WriteGameLog("QuickInputBar: no button");
  }
  Layout();
}

void QuickInputBar::Layout() {
  int32_t width = 0;
  double x = 0.0;
  double y = 0.0;
  CanvasObject* skin = LayoutSkin(&width, &x, &y);
  if (skin == nullptr) return;
  const double button_width = button_ != nullptr ? button_->GetWidth() : 0.0;
  LayoutField(width - static_cast<int32_t>(button_width), x - button_width / 2 + 3, y);
  if (button_ != nullptr) {
    CanvasObject* background = GetBackground();
    NumberEditBox* field = GetField();
    const double right = background != nullptr ? background->GetRight() : skin->GetRight();
    button_->MoveTo(right - button_width / 2 + 1, field != nullptr ? field->GetY() : y);
    button_->Show();
    button_->Invalidate();
  }
}

void QuickInputBar::AddValue(const char* text) {
  if (text == nullptr) return;
  if (list_ == nullptr) {
    auto* list = new NamedChildList();
    AddToScene(list);
    const int32_t width = BoxWidth() - 2;
    if (!list->IsRegistered() || !list->Create(std::max(width, 1), kRowHeight, kRowTextSize, kListColour)) {
      WriteGameLog("QuickInputBar: no list for the values");
      if (list->IsRegistered()) DeleteObject(list, true);
      return;
    }
    list->MoveToTopLayer();
    list->SetFocusable(true);
    SetDepthExactly(list, kListDepth);
    list_ = list;
  }
  if (values_.size() >= kMaxValues) {
    list_->RemoveByText(values_.front().c_str());
    values_.pop_front();
  }
  values_.emplace_back(text);
  const std::string& kept = values_.back();
  const ObjectMessage pick = MakeMessage(GetKey(), kMsgPickValue, reinterpret_cast<uintptr_t>(kept.c_str()),
                                         reinterpret_cast<uintptr_t>(list_));
  list_->AddItem(kept.c_str(), &pick, kRowTextColour, 0);
}

void QuickInputBar::ToggleList() {
  if (list_ == nullptr) return;
  if (list_->IsVisible()) {
    list_->Hide();
    return;
  }
  list_->SetFocusObject(list_->GetKey());
  const double right = button_ != nullptr ? button_->GetRight() : GetRight();
  const double bottom = button_ != nullptr ? button_->GetBottom() : GetBottom();
  list_->MoveTo(right - list_->GetWidth() / 2, bottom + list_->GetHeight() / 2);
  list_->Show();
}

int QuickInputBar::OnMessage(const ObjectMessage* message) {
  if (message != nullptr && message->target == GetKey()) {
    if (message->id == kMsgToggleList) {
      ToggleList();
    } else if (message->id == kMsgPickValue) {
      Clear();
      SetText(reinterpret_cast<const char*>(message->p1));
      if (message->p2 != 0 && message->p2 == reinterpret_cast<uintptr_t>(list_)) list_->Hide();
    }
  }
  return InputBox::OnMessage(message);
}

}  // namespace engine
