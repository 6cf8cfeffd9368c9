#include "engine/core/engine_object.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/core/game_core.h"
#include "engine/core/host_window_services.h"
#include "engine/core/image_handle.h"
#include "engine/core/object_module.h"
#include "engine/core/rotated_rect.h"

namespace engine {
namespace {

int Truncate(double v) { return static_cast<int>(v); }

int RoundHalfAway(double v) { return v > 0 ? Truncate(v + 0.5) : Truncate(v - 0.5); }

}  // namespace

EngineObject::EngineObject() = default;

EngineObject::~EngineObject() {
  // An object that goes while it holds the cursor in its limit gives the cursor its freedom back.
  if (clip_held_ && core_ != nullptr) {
    if (HostWindowServices* window = core_->GetWindowServices()) window->ClipCursor(&saved_clip_);
  }
  subscriptions_.clear();
  name_.clear();
  ReleaseLinks();
}

void EngineObject::ReleaseLinks() {
  SetLinkOwner(nullptr);
  // Take the list first: removing an owned child may come back into this object.
  std::vector<ChildLink> links;
  links.swap(children_);
  for (const ChildLink& link : links) {
    link.child->ClearLinkOwner();
    if ((link.link_flags & link_flag::kOwned) != 0 && IsRegistered() && link.child->GetKey() != 0) {
      module_->HandleEvent(object_event::kRemoveObject, link.child->GetKey(), 0);
    }
  }
}

template <class Fn>
void EngineObject::ForEachLinked(uint32_t mask, Fn&& fn) {
  if (children_.empty()) return;
  const std::vector<ChildLink> snapshot = children_;
  for (const ChildLink& link : snapshot) {
    if ((link.link_flags & mask) == 0 || !IsLinked(link.child)) continue;
    fn(link);
  }
}

bool EngineObject::IsLinked(const EngineObject* child) const {
  return std::any_of(children_.begin(), children_.end(), [child](const ChildLink& l) { return l.child == child; });
}

void EngineObject::RemoveChildLink(const EngineObject* child) {
  auto it = std::find_if(children_.begin(), children_.end(), [child](const ChildLink& l) { return l.child == child; });
  if (it != children_.end()) children_.erase(it);
}

void EngineObject::Init(GameCore* core, uint32_t key) {
  core_ = core;
  key_ = key;
  module_ = core ? static_cast<ObjectModule*>(core->FindModule(module_id::kObject)) : nullptr;
}

void EngineObject::AddToScene(EngineObject* object) {
  if (module_ != nullptr && object != nullptr) module_->AddObject(object, this);
}

void EngineObject::MoveTo(double x, double y) { MoveBy(x - geometry_.x, y - geometry_.y); }

void EngineObject::NotePlaceChanged() {
  if (place_noted_ || module_ == nullptr) return;
  place_noted_ = module_->NotePlaceChanged(this);
}

void EngineObject::MoveBy(double dx, double dy) {
  geometry_.x += dx;
  geometry_.y += dy;
  NotePlaceChanged();
  const uint32_t both = object_flag::kLimitRect | object_flag::kLimitMoves;
  if ((geometry_.flags & both) == both) {
    RECT& r = geometry_.limit_rect;
    r.left = Truncate(r.left + dx);
    r.right = Truncate(r.right + dx);
    r.top = Truncate(r.top + dy);
    r.bottom = Truncate(r.bottom + dy);
  }
  ForEachLinked(link_flag::kMove, [&](const ChildLink& l) { l.child->MoveBy(dx, dy); });
}

void EngineObject::SetSize(double w, double h) {
  geometry_.width = w;
  geometry_.height = h;
  NotePlaceChanged();
  ForEachLinked(link_flag::kSize, [&](const ChildLink& l) { l.child->SetSize(w, h); });
}

void EngineObject::SetDepth(double z) { MoveDepth(z - geometry_.depth); }

void EngineObject::MoveDepth(double dz) {
  geometry_.depth = std::min(geometry_.depth + dz, kMaxDepth);
  ForEachLinked(link_flag::kDepth, [&](const ChildLink& l) { l.child->MoveDepth(dz); });
}

void EngineObject::BringToFront() {
  if (!IsRegistered()) return;
  SetDepth(module_->GetTopDepth(geometry_.layer) + 1.0);
}

void EngineObject::Show() {
  geometry_.visible = 1;
  ForEachLinked(~0u, [&](const ChildLink& l) {
    if ((l.link_flags & link_flag::kAlwaysShow) != 0) {
      l.child->Show();
    } else if ((l.link_flags & link_flag::kHideWithParent) != 0 && (l.link_flags & link_flag::kHiddenByParent) != 0) {
      for (ChildLink& live : children_) {
        if (live.child == l.child) live.link_flags &= ~link_flag::kHiddenByParent;
      }
      l.child->Show();
    }
  });
}

void EngineObject::Hide() {
  geometry_.visible = 0;
  ForEachLinked(~0u, [&](const ChildLink& l) {
    if ((l.link_flags & link_flag::kAlwaysHide) != 0) {
      l.child->Hide();
    } else if ((l.link_flags & link_flag::kHideWithParent) != 0 && l.child->IsVisible()) {
      for (ChildLink& live : children_) {
        if (live.child == l.child) live.link_flags |= link_flag::kHiddenByParent;
      }
      l.child->Hide();
    }
  });
}

void EngineObject::SetAlpha(double a) {
  geometry_.alpha = a;
  ForEachLinked(link_flag::kAlpha, [&](const ChildLink& l) { l.child->SetAlpha(a); });
}

void EngineObject::SetAngle(double a) { Rotate(a - geometry_.angle); }

void EngineObject::Rotate(double da) {
  geometry_.angle += da;
  NotePlaceChanged();
  const double cx = geometry_.x;
  const double cy = geometry_.y;
  ForEachLinked(link_flag::kRotate, [&](const ChildLink& l) { l.child->RotateAbout(cx, cy, da); });
}

void EngineObject::RotateAbout(double cx, double cy, double da) {
  if (da != 0.0) {
    const double rad = da * kEnginePi / 180.0;
    const double c = std::cos(rad);
    const double s = std::sin(rad);
    const double dx = geometry_.x - cx;
    const double dy_up = cy - geometry_.y;
    MoveTo(cx + dx * c - dy_up * s, cy - (dy_up * c + dx * s));
  }
  Rotate(da);
}

void EngineObject::Scale(double sx, double sy) {
  geometry_.width *= sx;
  geometry_.height *= sy;
  NotePlaceChanged();
  ForEachLinked(link_flag::kScale, [&](const ChildLink& l) { l.child->Scale(sx, sy); });
}

void EngineObject::Resize(double w, double h) {
  w = std::max(w, 0.0);
  h = std::max(h, 0.0);
  const double old_w = geometry_.width;
  const double old_h = geometry_.height;
  if (old_w != 0.0 && old_h != 0.0) {
    ForEachLinked(link_flag::kScale, [&](const ChildLink& l) { l.child->Scale(w / old_w, h / old_h); });
  } else {
    ForEachLinked(link_flag::kScale, [&](const ChildLink& l) { l.child->Resize(w, h); });
  }
  geometry_.width = w;
  geometry_.height = h;
  NotePlaceChanged();
}

void EngineObject::SetLimitRect(const RECT& rect) {
  geometry_.limit_rect = rect;
  AddFlags(object_flag::kLimitRect);
  ForEachLinked(link_flag::kLimitRect, [&](const ChildLink& l) { l.child->SetLimitRect(rect); });
}

void EngineObject::SetDrawn(bool drawn) {
  if (drawn) {
    geometry_.flags &= ~object_flag::kNotDrawn;
  } else {
    geometry_.flags |= object_flag::kNotDrawn;
  }
  Invalidate();
}

void EngineObject::SetGeometry(const ObjectGeometry* geometry) {
  if (geometry == nullptr) return;
  geometry_ = *geometry;
  NotePlaceChanged();
}

void EngineObject::SetParent(EngineObject* parent) {
  parent_ = parent;
  if (parent != nullptr && parent != this) parent->OnChildAdopted(this);
}

int EngineObject::AddChild(EngineObject* child, uint32_t link_flags) {
  if (child == nullptr || child == this) return 0;
  // Links are matched by the child object itself, so children without a key (not yet in a scene)
  // are told apart too.
  for (ChildLink& link : children_) {
    if (link.child == child) {
      link.link_flags = link_flags;
      return 0;
    }
  }
  child->SetLinkOwner(this);
  if ((geometry_.flags & object_flag::kTopLayer) != 0 && geometry_.layer == kTopLayer) child->MoveToTopLayer();
  children_.push_back(ChildLink{child, link_flags});
  return static_cast<int>(children_.size());
}

uint32_t EngineObject::GetChildLinkFlags(uint32_t key) const {
  for (const ChildLink& link : children_) {
    if (link.child->GetKey() == key) return link.link_flags;
  }
  return 0;
}

void EngineObject::SetChildLinkFlags(uint32_t key, uint32_t link_flags) {
  for (ChildLink& link : children_) {
    if (link.child->GetKey() == key) {
      link.link_flags = link_flags;
      return;
    }
  }
}

void EngineObject::RemoveChild(uint32_t key) {
  auto it =
      std::find_if(children_.begin(), children_.end(), [key](const ChildLink& l) { return l.child->GetKey() == key; });
  if (it == children_.end()) return;
  EngineObject* child = it->child;
  children_.erase(it);
  child->ClearLinkOwner();
}

int EngineObject::HasChild(uint32_t key) const {
  return std::any_of(children_.begin(), children_.end(), [key](const ChildLink& l) { return l.child->GetKey() == key; })
             ? 1
             : 0;
}

int EngineObject::ContainsKey(uint32_t key) const {
  if (key_ == key) return 1;
  for (const ChildLink& link : children_) {
    if (link.child->ContainsKey(key)) return 1;
  }
  return 0;
}

void EngineObject::RemoveAllChildren() {
  std::vector<ChildLink> links;
  links.swap(children_);
  for (const ChildLink& link : links) link.child->ClearLinkOwner();
}

void EngineObject::SetLinkOwner(EngineObject* owner) {
  if (link_owner_ != nullptr) {
    EngineObject* previous = link_owner_;
    previous->RemoveChildLink(this);
    // The owner's own clean-up may run through ClearLinkOwner; either way this object has left it.
  }
  link_owner_ = owner;
}

void EngineObject::ForwardToLinked(const ObjectMessage* message) {
  if (message == nullptr) return;
  // A message that hands over a heap block belongs to its one receiver (this object): the linked
  // children see it without the block, so it is not freed more than once.
  ObjectMessage copy = *message;
  if (copy.id == msg::kFreeBlockA || copy.id == msg::kFreeBlockB) copy.p1 = 0;
  ForEachLinked(link_flag::kForward, [&](const ChildLink& l) { l.child->OnMessage(&copy); });
}

void EngineObject::SetName(const char* name) {
  if (name == nullptr || *name == '\0') return;
  name_ = name;
}

void EngineObject::SetTakesInput(bool takes) {
  if (takes) {
    geometry_.flags |= object_flag::kTakesInput;
  } else {
    geometry_.flags &= ~object_flag::kTakesInput;
  }
  ForEachLinked(link_flag::kTakesInput, [&](const ChildLink& l) { l.child->SetTakesInput(takes); });
}

void EngineObject::SetDraggable(bool draggable) {
  if (draggable) {
    SubscribeMessage(QUILLARON_EVENT_LBUTTON_DOWN, key_, QUILLARON_EVENT_LBUTTON_DOWN, 0, 0);
    SubscribeMessage(QUILLARON_EVENT_LBUTTON_UP, key_, QUILLARON_EVENT_LBUTTON_UP, 0, 0);
    SubscribeMessage(QUILLARON_EVENT_DRAG, key_, msg::kDragMove, 0, 0);
  } else {
    Unsubscribe(QUILLARON_EVENT_DRAG);
  }
}

void EngineObject::SetFocusable(bool focusable) {
  if (focusable) {
    geometry_.flags |= object_flag::kFocusable;
  } else {
    geometry_.flags &= ~object_flag::kFocusable;
  }
}

void EngineObject::SetLayer(uint32_t layer) { geometry_.layer = std::min(layer, kMaxLayer); }

void EngineObject::MoveToTopLayer() {
  geometry_.layer = kTopLayer;
  geometry_.flags |= object_flag::kTopLayer;
  ForEachLinked(~0u, [](const ChildLink& l) { l.child->MoveToTopLayer(); });
}

void EngineObject::Invalidate() {
  if (!IsRegistered()) return;
  module_->HandleEvent(object_event::kObjectChanged, reinterpret_cast<uintptr_t>(this), 0);
  ForEachLinked(link_flag::kInvalidate, [](const ChildLink& l) { l.child->Invalidate(); });
}

int EngineObject::OnMessage(const ObjectMessage* message) {
  if (message == nullptr) return 1;
  const uint32_t clip_flags = object_flag::kLimitRect | object_flag::kClipCursor;
  HostWindowServices* window = core_ ? core_->GetWindowServices() : nullptr;
  switch (message->id) {
    case QUILLARON_EVENT_LBUTTON_DOWN:
      if ((geometry_.flags & clip_flags) == clip_flags && window != nullptr) {
        saved_clip_ = window->GetClipCursor();
        const POINT origin = window->ClientToScreen(POINT{0, 0});
        RECT clip = geometry_.limit_rect;
        platform::OffsetRect(&clip, origin.x, origin.y);
        window->ClipCursor(&clip);
        clip_held_ = true;
      }
      break;
    case QUILLARON_EVENT_LBUTTON_UP:
      if ((geometry_.flags & clip_flags) == clip_flags && window != nullptr) window->ClipCursor(&saved_clip_);
      clip_held_ = false;
      break;
    case msg::kDragMove:
      // Only the move that SetDraggable subscribed moves the object. The plain drag event is
      // what a widget subscribes for a drag of its own (selecting text, pulling a thumb): handed
      // on to this base it must not move the widget too.
      if (message->p2 != 0) {
        // The input snapshot's words 2 and 3: the cursor movement of the latest position update.
        const int32_t* snapshot = reinterpret_cast<const int32_t*>(message->p2);
        MoveBy(static_cast<double>(snapshot[2]), static_cast<double>(snapshot[3]));
        Invalidate();
      }
      break;
    case msg::kShow:
      Show();
      Invalidate();
      break;
    case msg::kHide:
      Hide();
      Invalidate();
      break;
    case msg::kFreeBlockA:
    case msg::kFreeBlockB:
      // The sender hands over one malloc'ed block with the message.
      std::free(reinterpret_cast<void*>(message->p1));
      break;
    default:
      break;
  }
  return 1;
}

ObjectGeometry* EngineObject::GetGeometry(ObjectGeometry* out) const {
  if (out) *out = geometry_;
  return out;
}

int EngineObject::HitTest(int px, int py) {
  const ObjectGeometry& g = geometry_;
  if ((g.flags & object_flag::kLimitRect) != 0 && !platform::PtInRect(g.limit_rect, px, py)) return 0;
  ObjectGeometry unturned = g;
  unturned.angle = 0.0;
  const RECT box = ObjectBoundingRect(nullptr, unturned);
  int qx = px;
  int qy = py;
  if (g.angle != 0.0) {
    const int ix = Truncate(g.x);
    const int iy = Truncate(g.y);
    const double rad = g.angle * kEnginePi / 180.0;
    const double c = std::cos(rad);
    const double s = std::sin(rad);
    const double dx = px - ix;
    const double dy_up = iy - py;
    const double u = dx * c + dy_up * s;
    const double v = dy_up * c - dx * s;
    qx = ix + RoundHalfAway(u);
    qy = iy - RoundHalfAway(v);
  }
  const double fx = (qx - g.x) + (g.width + 1) / 2;
  const double fy = (qy - g.y) + (g.height + 1) / 2;
  if ((g.flags & object_flag::kPixelHitTest) != 0) {
    if (GetDrawImage() == nullptr) return 0;
    if (g.angle == 0.0 && !platform::PtInRect(box, qx, qy)) return 0;
    return PixelHitTest(Truncate(fx), Truncate(fy));
  }
  if (g.angle == 0.0) return platform::PtInRect(box, qx, qy) ? 1 : 0;
  return (fx >= 0 && fx < g.width && fy >= 0 && fy <= g.height) ? 1 : 0;
}

int EngineObject::IsDrawn() const { return (geometry_.flags & object_flag::kNotDrawn) == 0 ? 1 : 0; }

int EngineObject::TakesInput() const { return (geometry_.flags & object_flag::kTakesInput) != 0 ? 1 : 0; }

int EngineObject::IsPickExcluded() const { return (geometry_.flags & object_flag::kPickExcluded) != 0 ? 1 : 0; }

int EngineObject::HasFocusWithin() const {
  if ((geometry_.flags & object_flag::kHasFocus) != 0) return 1;
  for (const ChildLink& link : children_) {
    if (link.child->HasFocusWithin()) return 1;
  }
  return 0;
}

int EngineObject::IsFocusable() const { return (geometry_.flags & object_flag::kFocusable) != 0 ? 1 : 0; }

RECT* EngineObject::GetLimitRect(RECT* out) const {
  if (out) *out = geometry_.limit_rect;
  return out;
}

uint32_t EngineObject::SendMessage(const ObjectMessage* message) {
  if (!IsRegistered() || message == nullptr || message->target == 0 || message->id == 0) return 0;
  return static_cast<uint32_t>(
      module_->HandleEvent(object_event::kSendMessage, reinterpret_cast<uintptr_t>(message), 0));
}

void EngineObject::PostMessage(const ObjectMessage* message) {
  if (!IsRegistered() || message == nullptr || message->target == 0 || message->id == 0) return;
  module_->HandleEvent(object_event::kPostMessage, reinterpret_cast<uintptr_t>(message), 0);
}

void EngineObject::Subscribe(uint32_t event, const ObjectMessage* message) {
  if (message == nullptr) return;
  for (const SubscriptionNode& node : subscriptions_) {
    if (node.event == event && node.message.target == message->target && node.message.id == message->id) return;
  }
  const ObjectMessage copy = *message;  // the caller's record may live in a list this call changes
  subscriptions_.push_back(SubscriptionNode{event, copy});
  if (!IsInputEvent(event)) return;
  SetTakesInput(true);
  Invalidate();
  ForEachLinked(link_flag::kSubscriptions, [&](const ChildLink& l) { l.child->Subscribe(event, &copy); });
}

void EngineObject::SubscribeSelf(uint32_t event) {
  const ObjectMessage m = MakeMessage(key_, event, 0, 0);
  Subscribe(event, &m);
}

void EngineObject::SubscribeMessage(uint32_t event, uint32_t target, uint32_t id, uintptr_t p1, uintptr_t p2) {
  const ObjectMessage m = MakeMessage(target, id, p1, p2);
  Subscribe(event, &m);
}

void EngineObject::Unsubscribe(uint32_t event) {
  std::erase_if(subscriptions_, [event](const SubscriptionNode& n) { return n.event == event; });
}

const ObjectMessage* EngineObject::FindSubscription(uint32_t event) const {
  for (const SubscriptionNode& node : subscriptions_) {
    if (node.event == event) return &node.message;
  }
  return nullptr;
}

const ObjectMessage* EngineObject::NextSubscription(uint32_t event, int* cursor) const {
  if (cursor == nullptr) return nullptr;
  for (size_t i = std::max(*cursor, 0); i < subscriptions_.size(); ++i) {
    if (subscriptions_[i].event == event) {
      *cursor = static_cast<int>(i) + 1;
      return &subscriptions_[i].message;
    }
  }
  return nullptr;
}

void EngineObject::EnterCoreLock() {
  if (core_) core_->EnterFrameLock();
}

void EngineObject::LeaveCoreLock() {
  if (core_) core_->LeaveFrameLock();
}

// The pixel test needs the picture behind the draw image; until an image can answer it, a
// pixel-exact object is hit nowhere (as an object without a picture is).
int EngineObject::PixelHitTest(int fx, int fy) {
  const ImageHandle* image = GetDrawImage();
  return image != nullptr && image->HitTest(fx, fy) ? 1 : 0;
}

bool KeepInside(EngineObject* object, const RECT& area) {
  if (object == nullptr) return false;
  // The centre's range on one axis: wholly inside, or centred when it cannot be.
  auto inside = [](double at, double size, double low, double high) {
    if (high - low <= size) return (low + high) / 2;
    return std::clamp(at, low + size / 2, high - size / 2);
  };
  const double x = inside(object->GetX(), object->GetWidth(), area.left, area.right);
  const double y = inside(object->GetY(), object->GetHeight(), area.top, area.bottom);
  if (x == object->GetX() && y == object->GetY()) return false;
  object->MoveBy(x - object->GetX(), y - object->GetY());
  object->Invalidate();
  return true;
}

}  // namespace engine
