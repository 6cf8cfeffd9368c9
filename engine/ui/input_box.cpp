#include "engine/ui/input_box.h"

#include <algorithm>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_log.h"
#include "engine/ui/number_edit_box.h"
#include "engine/ui/stretched_picture.h"

namespace engine {
namespace {

// The skin follows everything the box does.
constexpr uint32_t kSkinLinks = link_flag::kFollowAll;
constexpr double kBackgroundDepth = 0.1;
constexpr double kFieldDepth = 0.2;

}  // namespace

void InputBox::BuildParts(int32_t field_inset) {
  picture_ = GetPictureInfo(kInputBoxPicture, 0);
  const int32_t w = std::max(picture_.width, 1);
  const int32_t h = std::max(picture_.height, 1);
  CanvasObject* skin = CreateCanvas(w, h, kColourKey);
  if (skin == nullptr) {
    WriteGameLog("amount box: no canvas for the box");
    return;
  }
  skin->MoveTo(EngineObject::GetX(), EngineObject::GetY());
  skin->Show();
  SetSkin(skin, kSkinLinks);

  background_ = CreateCanvas(w, h, kColourKey);
  if (background_ != nullptr) {
    background_->DrawImage(&picture_, 0, 0, 0, 0, 0.0, 1.0);
    background_->MoveTo(skin->GetX(), skin->GetY());
    background_->SetDepth(GetDepth() + kBackgroundDepth);
    AddChild(background_, kPartLinks);
  }

  auto* field = new NumberEditBox();
  AddToScene(field);
  if (!field->IsRegistered() ||
      !field->Create(std::max(w - field_inset, 1), std::max(h - kFieldInset, 1), kFieldStyle)) {
    WriteGameLog("amount box: no edit field");
    if (field->IsRegistered()) DeleteObject(field, true);
    return;
  }
  field->SetBackColour(kAmountBoxBack);
  field->SetTextColor(kAmountBoxText);
  field->MoveTo(skin->GetX(), skin->GetY());
  SetDepthExactly(field, GetDepth() + kFieldDepth);
  field->Show();
  field->TakeFocus();
  AddChild(field, kPartLinks);
  field_ = field;
}

int32_t InputBox::BoxWidth() const { return width_ > 0 ? width_ : std::max(picture_.width, 1); }

CanvasObject* InputBox::LayoutSkin(int32_t* width, double* x, double* y) {
  CanvasObject* skin = dynamic_cast<CanvasObject*>(CurrentSkin());
  if (skin == nullptr) return nullptr;
  const int32_t w = BoxWidth();
  const int32_t h = std::max(picture_.height, 1);
  skin->ResizeSurface(w, h);
  skin->Resize(w, h);
  skin->Clear();
  *width = w;
  *x = skin->GetLeft() + w / 2;
  *y = skin->GetTop() + h / 2;
  if (background_ != nullptr) {
    background_->ResizeSurface(w, h);
    background_->Resize(w, h);
    background_->Clear();
    DrawPictureToWidth(background_, picture_, w, h);
    background_->MoveTo(*x, *y);
    background_->Show();
    background_->Invalidate();
  }
  return skin;
}

void InputBox::LayoutField(int32_t width, double x, double y) {
  if (field_ == nullptr) return;
  width = std::max(width, 1);
  const auto height = static_cast<int32_t>(field_->GetHeight());
  field_->Resize(width, height);
  field_->Layout(width, height);
  field_->MoveTo(x, y);
  field_->Show();
  field_->Invalidate();
}

void InputBox::OnAddedToScene() {
  BuildParts(kFieldInset);
  Layout();
}

void InputBox::SetWidth(int32_t width) {
  width_ = std::max(width, 0);
  Layout();
}

void InputBox::Layout() {
  int32_t width = 0;
  double x = 0.0;
  double y = 0.0;
  if (LayoutSkin(&width, &x, &y) == nullptr) return;
  LayoutField(width - kFieldInset, x, y);
}

void InputBox::Focus() {
  if (field_ != nullptr) field_->TakeFocus();
}

void InputBox::Clear() {
  if (field_ != nullptr) field_->Clear();
}

void InputBox::SetText(const char* text) {
  if (field_ == nullptr) return;
  field_->AppendText(text);
  field_->TakeFocus();
}

std::string InputBox::GetText() const { return field_ != nullptr ? field_->GetText() : std::string(); }

void InputBox::SetMaxLength(int32_t length) {
  if (field_ != nullptr) field_->SetMaxLength(length);
}

}  // namespace engine
