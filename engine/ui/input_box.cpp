#include "engine/core/colour_key.h"
#include "engine/ui/input_box.h"

#include <algorithm>

#include "engine/core/canvas_object.h"
#include "engine/core/engine_log.h"
#include "engine/ui/amount_box_parts.h"
#include "engine/ui/number_edit_box.h"
#include "engine/ui/stretched_picture.h"

namespace engine {
namespace amount_box {
namespace {

// The skin follows everything the box does.
constexpr uint32_t kSkinLinks = link_flag::kFollowAll;
constexpr double kBackgroundDepth = 0.1;
constexpr double kFieldDepth = 0.2;

}  // namespace

int32_t PictureWidth(const Parts& parts) { return std::max(parts.picture.width, 1); }
int32_t PictureHeight(const Parts& parts) { return std::max(parts.picture.height, 1); }

Parts Build(WidgetBase* owner, int32_t field_inset) {
  Parts parts;
  parts.picture = owner->GetPictureInfo(kInputBoxPicture, 0);
  const int32_t w = PictureWidth(parts);
  const int32_t h = PictureHeight(parts);
  CanvasObject* skin = owner->CreateCanvas(w, h, kColourKey);
  if (skin == nullptr) {
    WriteGameLog("amount box: no canvas for the box");
    return parts;
  }
  skin->MoveTo(owner->EngineObject::GetX(), owner->EngineObject::GetY());
  skin->Show();
  owner->SetSkin(skin, kSkinLinks);

  parts.background = owner->CreateCanvas(w, h, kColourKey);
  if (parts.background != nullptr) {
    parts.background->DrawImage(&parts.picture, 0, 0, 0, 0, 0.0, 1.0);
    parts.background->MoveTo(skin->GetX(), skin->GetY());
    parts.background->SetDepth(owner->GetDepth() + kBackgroundDepth);
    owner->AddChild(parts.background, kPartLinks);
  }

  auto* field = new NumberEditBox();
  owner->AddToScene(field);
  if (!field->IsRegistered() ||
      !field->Create(std::max(w - field_inset, 1), std::max(h - InputBox::kFieldInset, 1), InputBox::kFieldStyle)) {
    WriteGameLog("amount box: no edit field");
    if (field->IsRegistered()) owner->DeleteObject(field, true);
    return parts;
  }
  field->SetBackColour(kAmountBoxBack);
  field->SetTextColor(kAmountBoxText);
  field->MoveTo(skin->GetX(), skin->GetY());
  SetDepthExactly(field, owner->GetDepth() + kFieldDepth);
  field->Show();
  field->TakeFocus();
  owner->AddChild(field, kPartLinks);
  parts.field = field;
  return parts;
}

void LayoutBackground(Parts& parts, int32_t width, double x, double y) {
  CanvasObject* background = parts.background;
  if (background == nullptr) return;
  const int32_t h = PictureHeight(parts);
  background->ResizeSurface(width, h);
  background->Resize(width, h);
  background->Clear();
  DrawPictureToWidth(background, parts.picture, width, h);
  background->MoveTo(x, y);
  background->Show();
  background->Invalidate();
}

void LayoutField(Parts& parts, int32_t width, double x, double y) {
  NumberEditBox* field = parts.field;
  if (field == nullptr) return;
  width = std::max(width, 1);
  const auto height = static_cast<int32_t>(field->GetHeight());
  field->Resize(width, height);
  field->Layout(width, height);
  field->MoveTo(x, y);
  field->Show();
  field->Invalidate();
}

}  // namespace amount_box

void InputBox::OnAddedToScene() {
  amount_box::Parts parts = amount_box::Build(this, kFieldInset);
  background_ = parts.background;
  field_ = parts.field;
  picture_ = parts.picture;
  Layout();
}

void InputBox::SetWidth(int32_t width) {
  width_ = std::max(width, 0);
  Layout();
}

void InputBox::Layout() {
  CanvasObject* skin = dynamic_cast<CanvasObject*>(CurrentSkin());
  if (skin == nullptr) return;
  amount_box::Parts parts{picture_, background_, field_};
  const int32_t width = width_ > 0 ? width_ : amount_box::PictureWidth(parts);
  const int32_t height = amount_box::PictureHeight(parts);
  skin->ResizeSurface(width, height);
  skin->Resize(width, height);
  skin->Clear();
  const double x = skin->GetLeft() + width / 2;
  const double y = skin->GetTop() + height / 2;
  amount_box::LayoutBackground(parts, width, x, y);
  amount_box::LayoutField(parts, width - kFieldInset, x, y);
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
