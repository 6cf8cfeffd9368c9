#include "engine/ui/menu_list.h"

#include <algorithm>

#include "engine/core/canvas_object.h"
#include "engine/core/engine_log.h"
#include "engine/ui/menu_item.h"

namespace engine {
namespace {

// Rows stand just in front of the list.
constexpr double kRowDepthStep = 0.01;

}  // namespace

CanvasObject* MenuList::GetCanvas() const { return dynamic_cast<CanvasObject*>(CurrentSkin()); }

bool MenuList::Create(int32_t entry_width, int32_t entry_height, int32_t font_size, COLORREF colour) {
  if (entry_width <= 0 || entry_height <= 0) {
    WriteGameLog("MenuList::Create: entry size %d x %d refused", entry_width, entry_height);
    return false;
  }
  CanvasObject* canvas = CreateCanvas(entry_width, entry_height, colour);
  if (canvas == nullptr) {
    WriteGameLog("MenuList::Create: no canvas for the list");
    return false;
  }
  entry_width_ = entry_width;
  entry_height_ = entry_height;
  font_size_ = font_size;
  colour_ = colour;
  canvas->MoveTo(EngineObject::GetX(), EngineObject::GetY());
  SetSkin(canvas, link_flag::kFollowAll);
  // The focus comes to the list itself; a press on a row (linked below the canvas) finds the list
  // as the nearest focusable object, so the focus stays.
  SetFocusable(true);
  SubscribeSelf(QUILLARON_EVENT_FOCUS_LOST);
  Hide();
  Layout();
  return true;
}

MenuItem* MenuList::AddItem(const char* text, const ObjectMessage* message, COLORREF text_colour, uint32_t) {
  if (GetCanvas() == nullptr) return nullptr;
  if (items_.size() >= kMaxRows) {
    WriteGameLog("MenuList::AddItem: the list holds %zu rows already", items_.size());
    return nullptr;
  }
  auto* item = new MenuItem();
  AddToScene(item);
  if (!item->IsRegistered() || !item->Create(text, entry_width_, entry_height_, font_size_, colour_, 0, message)) {
    DeleteObject(item, true);
    return nullptr;
  }
  item->SetTextColour(text_colour);
  item->SetDepth(GetDepth() + kRowDepthStep);
  if (IsVisible()) item->Show();
  AddChild(item, kRowLinks);
  items_.push_back(item);
  Layout();
  return item;
}

int32_t MenuList::IndexOf(const MenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int32_t>(it - items_.begin());
}

bool MenuList::RemoveItem(MenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return false;
  items_.erase(it);
  RemoveChild(item->GetKey());
  DeleteObject(item, true);
  Layout();
  return true;
}

void MenuList::Layout() {
  CanvasObject* canvas = GetCanvas();
  if (canvas == nullptr) return;
  const int64_t rows = static_cast<int64_t>(items_.size());
  const auto height = static_cast<int32_t>(std::clamp<int64_t>(rows * entry_height_, 1, CanvasObject::kMaxSide));
  if (canvas->GetSurfaceHeight() != height || canvas->GetSurfaceWidth() != entry_width_) {
    // The list keeps its top edge while it grows and shrinks. The whole list moves (not the
    // canvas alone), so that the list's own place stays its canvas's.
    const double top = canvas->GetTop();
    canvas->ResizeSurface(entry_width_, height);
    canvas->Resize(entry_width_, height);
    EngineObject::MoveBy(0.0, top - canvas->GetTop());
  }
  canvas->SetFillColour(colour_);
  canvas->Clear();
  canvas->Invalidate();
  const double top = canvas->GetTop();
  for (size_t i = 0; i < items_.size(); ++i) {
    MenuItem* item = items_[i];
    item->MoveTo(canvas->GetX(), top + static_cast<double>(i) * entry_height_ + entry_height_ / 2.0);
    item->Invalidate();
  }
  if (items_.empty() && IsVisible()) Hide();
}

void MenuList::Show() {
  WidgetBase::Show();
  Invalidate();
}

void MenuList::Hide() {
  WidgetBase::Hide();
  Invalidate();
}

int MenuList::OnMessage(const ObjectMessage* message) {
  if (message != nullptr && message->id == QUILLARON_EVENT_FOCUS_LOST && message->target == GetKey()) {
    Hide();
    return 1;
  }
  return WidgetBase::OnMessage(message);
}

}  // namespace engine
