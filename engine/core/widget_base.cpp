#include "engine/core/widget_base.h"

#include <cmath>

#include "engine/core/engine_log.h"

namespace engine {

EngineObject* WidgetBase::CurrentSkin() const {
  if (skin_ == nullptr) return nullptr;
  for (const ChildLink& link : ChildLinks()) {
    if (link.child == skin_) return skin_;
  }
  return nullptr;
}

EngineObject* WidgetBase::SkinWith(uint32_t mask) const {
  if (skin_ == nullptr) return nullptr;
  for (const ChildLink& link : ChildLinks()) {
    if (link.child == skin_) return (link.link_flags & mask) == mask ? skin_ : nullptr;
  }
  return nullptr;
}

void WidgetBase::SetSkin(EngineObject* skin, uint32_t link_flags) {
  if (skin == this) {
    // A widget that were its own skin would route every query back to itself without end.
    WriteGameLog("WidgetBase::SetSkin: object %u cannot be its own skin", GetKey());
    return;
  }
  if (EngineObject* old = CurrentSkin()) EngineObject::RemoveChild(old->GetKey());
  skin_ = nullptr;
  if (skin == nullptr) {
    EngineObject::Invalidate();
    return;
  }
  EngineObject::AddChild(skin, link_flags | link_flag::kSubscriptions);
  // The skin is what the cursor finds; the widget is never picked from now on.
  EngineObject::AddFlags(object_flag::kPickExcluded);
  skin_ = skin;
  Invalidate();
}

void WidgetBase::SetEnabled(bool enabled) {
  SetTakesInput(enabled);
  Invalidate();
  const ObjectMessage message =
      MakeMessage(GetKey(), enabled ? QUILLARON_EVENT_ENABLED : QUILLARON_EVENT_DISABLED, 0, 0);
  OnMessage(&message);
}

void WidgetBase::SetAbsDouble(int32_t value) {
  // Through double, so that the most negative value has a magnitude too.
  spacing_ = std::fabs(static_cast<double>(value));
}

EngineObject* WidgetBase::GetSkinOrSelf() {
  EngineObject* skin = CurrentSkin();
  return skin != nullptr ? skin : this;
}

int WidgetBase::AddChild(EngineObject* child, uint32_t link_flags) {
  EngineObject* skin = CurrentSkin();
  return skin != nullptr ? skin->AddChild(child, link_flags) : EngineObject::AddChild(child, link_flags);
}

uint32_t WidgetBase::GetChildLinkFlags(uint32_t key) const {
  EngineObject* skin = CurrentSkin();
  if (skin != nullptr && skin->HasChild(key)) return skin->GetChildLinkFlags(key);
  return EngineObject::GetChildLinkFlags(key);
}

void WidgetBase::SetChildLinkFlags(uint32_t key, uint32_t link_flags) {
  if (EngineObject* skin = CurrentSkin()) {
    skin->SetChildLinkFlags(key, link_flags);
  } else {
    EngineObject::SetChildLinkFlags(key, link_flags);
  }
}

void WidgetBase::RemoveChild(uint32_t key) {
  if (EngineObject* skin = CurrentSkin()) {
    skin->RemoveChild(key);
  } else {
    EngineObject::RemoveChild(key);
  }
}

void WidgetBase::RemoveAllChildren() {
  if (EngineObject* skin = CurrentSkin()) {
    skin->RemoveAllChildren();
  } else {
    EngineObject::RemoveAllChildren();
  }
}

void WidgetBase::SetTakesInput(bool takes) {
  if (EngineObject* skin = CurrentSkin()) {
    skin->SetTakesInput(takes);
  } else {
    EngineObject::SetTakesInput(takes);
  }
}

void WidgetBase::SetDraggable(bool draggable) {
  if (EngineObject* skin = CurrentSkin()) {
    skin->SetDraggable(draggable);
  } else {
    EngineObject::SetDraggable(draggable);
  }
}

void WidgetBase::SetFlags(uint32_t flags) {
  if (EngineObject* skin = CurrentSkin()) {
    skin->SetFlags(flags);
  } else {
    EngineObject::SetFlags(flags);
  }
}

void WidgetBase::AddFlags(uint32_t flags) {
  if (EngineObject* skin = CurrentSkin()) {
    skin->AddFlags(flags);
  } else {
    EngineObject::AddFlags(flags);
  }
}

void WidgetBase::ClearFlags(uint32_t flags) {
  if (EngineObject* skin = CurrentSkin()) {
    skin->ClearFlags(flags);
  } else {
    EngineObject::ClearFlags(flags);
  }
}

void WidgetBase::SetLayer(uint32_t layer) {
  if (EngineObject* skin = CurrentSkin()) {
    skin->SetLayer(layer);
  } else {
    EngineObject::SetLayer(layer);
  }
}

void WidgetBase::MoveToTopLayer() {
  if (EngineObject* skin = CurrentSkin()) {
    skin->MoveToTopLayer();
  } else {
    EngineObject::MoveToTopLayer();
  }
}

int WidgetBase::HitTest(int x, int y) {
  EngineObject* skin = SkinWith(link_flag::kSize | link_flag::kMove);
  return skin != nullptr ? skin->HitTest(x, y) : EngineObject::HitTest(x, y);
}

uint32_t WidgetBase::IsVisible() const {
  EngineObject* skin = SkinWith(link_flag::kAlwaysShow | link_flag::kAlwaysHide);
  return skin != nullptr ? skin->IsVisible() : EngineObject::IsVisible();
}

int WidgetBase::TakesInput() const {
  EngineObject* skin = CurrentSkin();
  return skin != nullptr ? skin->TakesInput() : EngineObject::TakesInput();
}

int WidgetBase::HasFocusWithin() const {
  EngineObject* skin = CurrentSkin();
  return skin != nullptr ? skin->HasFocusWithin() : EngineObject::HasFocusWithin();
}

double WidgetBase::GetX() const {
  EngineObject* skin = SkinWith(link_flag::kMove);
  return skin != nullptr ? skin->GetX() : EngineObject::GetX();
}

double WidgetBase::GetY() const {
  EngineObject* skin = SkinWith(link_flag::kMove);
  return skin != nullptr ? skin->GetY() : EngineObject::GetY();
}

double WidgetBase::GetDepth() const {
  EngineObject* skin = SkinWith(link_flag::kDepth);
  return skin != nullptr ? skin->GetDepth() : EngineObject::GetDepth();
}

double WidgetBase::GetDrawDepth() const {
  EngineObject* skin = SkinWith(link_flag::kDepth);
  return skin != nullptr ? skin->GetDrawDepth() : EngineObject::GetDrawDepth();
}

double WidgetBase::GetWidth() const {
  EngineObject* skin = SkinWith(link_flag::kSize);
  return skin != nullptr ? skin->GetWidth() : EngineObject::GetWidth();
}

double WidgetBase::GetHeight() const {
  EngineObject* skin = SkinWith(link_flag::kSize);
  return skin != nullptr ? skin->GetHeight() : EngineObject::GetHeight();
}

double WidgetBase::GetAlpha() const {
  EngineObject* skin = SkinWith(link_flag::kAlpha);
  return skin != nullptr ? skin->GetAlpha() : EngineObject::GetAlpha();
}

double WidgetBase::GetAngle() const {
  EngineObject* skin = SkinWith(link_flag::kRotate);
  return skin != nullptr ? skin->GetAngle() : EngineObject::GetAngle();
}

RECT* WidgetBase::GetLimitRect(RECT* out) const {
  EngineObject* skin = SkinWith(link_flag::kLimitRect);
  return skin != nullptr ? skin->GetLimitRect(out) : EngineObject::GetLimitRect(out);
}

uint32_t WidgetBase::GetFlags() const {
  EngineObject* skin = CurrentSkin();
  return skin != nullptr ? skin->GetFlags() : EngineObject::GetFlags();
}

uint32_t WidgetBase::GetLayer() const {
  EngineObject* skin = CurrentSkin();
  return skin != nullptr ? skin->GetLayer() : EngineObject::GetLayer();
}

double WidgetBase::GetLeft() const {
  EngineObject* skin = SkinWith(link_flag::kScale | link_flag::kMove);
  return skin != nullptr ? skin->GetLeft() : EngineObject::GetLeft();
}

double WidgetBase::GetRight() const {
  EngineObject* skin = SkinWith(link_flag::kSize | link_flag::kMove);
  return skin != nullptr ? skin->GetRight() : EngineObject::GetRight();
}

double WidgetBase::GetTop() const {
  EngineObject* skin = SkinWith(link_flag::kScale | link_flag::kMove);
  return skin != nullptr ? skin->GetTop() : EngineObject::GetTop();
}

double WidgetBase::GetBottom() const {
  EngineObject* skin = SkinWith(link_flag::kSize | link_flag::kMove);
  return skin != nullptr ? skin->GetBottom() : EngineObject::GetBottom();
}

}  // namespace engine
