#include "frame/popup_menu.h"

#include <cmath>
#include <cstring>

#include "engine/core/canvas_object.h"
#include "engine/core/engine_log.h"
#include "engine/ui/font_record.h"

namespace frame {
namespace {

using engine::CanvasObject;
using engine::COLORREF;

constexpr int32_t kRegular = 400;
constexpr int32_t kBold = 600;
constexpr COLORREF kPressedText = 0xFFFFFF;
constexpr COLORREF kItemColourKey = 0xFFFFFF;

}  // namespace

// ---- PopupMenuItem ----

void PopupMenuItem::DrawCaption(CanvasObject* canvas) {
  const int32_t font = GetFontSize();
  const auto y = static_cast<int32_t>(std::trunc(canvas->GetSurfaceHeight() / 2.0 - font / 2));
  canvas->DrawText(text_x_, y, GetText());
}

void PopupMenuItem::DrawState(uint32_t state) {
  CanvasObject* canvas = GetCanvas();
  if (canvas == nullptr) return;
  const int32_t width = canvas->GetSurfaceWidth();
  const int32_t height = canvas->GetSurfaceHeight();
  double opacity = 1.0;
  switch (state) {
    case kHover:
      canvas->SetFillColour(hover_back_);
      canvas->Clear();
      canvas->SetTextColour(text_colour_, opacity);
      DrawCaption(canvas);
      break;
    case kPressed:
      if (pressed_back_ == 0) {
        // Only a frame over the look the entry had.
        canvas->SetTextColour(text_colour_, opacity);
        canvas->DrawRect(0, 0, width - 1, height - 1, false);
      } else {
        canvas->SetFillColour(pressed_back_);
        canvas->Clear();
        canvas->SetTextColour(kPressedText, opacity);
        DrawCaption(canvas);
      }
      break;
    case kDisabled:
      canvas->Clear();
      canvas->SetFont(GetFontSize(), kRegular, engine::kDefaultFaceName);
      opacity = kDisabledOpacity;
      canvas->SetTextColour(text_colour_, opacity);
      DrawCaption(canvas);
      break;
    default:
      canvas->SetFillColour(normal_back_);
      canvas->Clear();
      canvas->SetTextColour(text_colour_, opacity);
      // A bold caption is set one pixel wider per character.
      canvas->SetTextSpacing(bold_ ? 1 : 0, 0);
      canvas->SetFont(GetFontSize(), bold_ ? kBold : kRegular, engine::kDefaultFaceName);
      DrawCaption(canvas);
      break;
  }
  if (separator_) {
    const COLORREF previous = canvas->GetTextColour();
    canvas->SetTextColour(separator_dark_, 1.0);
    canvas->DrawLine(separator_inset_, height - 2, width - separator_inset_, height - 2);
    canvas->SetTextColour(separator_light_, 1.0);
    canvas->DrawLine(separator_inset_, height - 1, width - separator_inset_, height - 1);
    canvas->SetTextColour(previous, opacity);
  }
  if (icon_.height > 0) {
    const int32_t s = GetIconSize();
    canvas->DrawImage(&icon_, (text_x_ - s) / 2, static_cast<int32_t>(std::trunc((height - s) / 2.0)), s, s, 0.0, 1.0);
  }
  canvas->Invalidate();
}

void PopupMenuItem::SetTextColour(COLORREF colour) {
  text_colour_ = colour;
  TextButton::SetTextColour(colour);
}

void PopupMenuItem::SetIcon(const engine::PictureInfo& icon) { icon_ = icon; }

void PopupMenuItem::SetSeparator(bool on) {
  separator_ = on;
  DrawState(GetState());
}

int32_t PopupMenuItem::SetTextX(int32_t x) {
  if (x > 0) text_x_ = x;
  return text_x_;
}

bool PopupMenuItem::SetBold(bool bold) {
  bold_ = bold;
  DrawState(GetState());
  return bold_;
}

void PopupMenuItem::SetBackColours(COLORREF normal, COLORREF hover, COLORREF pressed) {
  normal_back_ = normal;
  hover_back_ = hover;
  pressed_back_ = pressed;
}

void PopupMenuItem::SetSeparatorColours(COLORREF dark, COLORREF light) {
  separator_dark_ = dark;
  separator_light_ = light;
}

void PopupMenuItem::SetSeparatorInset(int32_t inset) { separator_inset_ = inset; }

int32_t PopupMenuItem::GetIconSize() const {
  return icon_.height >= 1 && icon_.height < kMaxIconSize ? icon_.height : kMaxIconSize;
}

// ---- PopupMenu ----

CanvasObject* PopupMenu::GetCanvas() const { return dynamic_cast<CanvasObject*>(CurrentSkin()); }

bool PopupMenu::Create(int32_t entry_width, int32_t entry_height, int32_t font_size, COLORREF colour_key) {
  if (!IsRegistered() || entry_width <= 0 || entry_height <= 0) {
    engine::WriteGameLog("PopupMenu::Create: entry size %d x %d refused", entry_width, entry_height);
    return false;
  }
  CanvasObject* canvas = CreateCanvas(entry_width, entry_height, colour_key);
  if (canvas == nullptr) return false;
  entry_width_ = entry_width;
  entry_height_ = entry_height;
  font_size_ = font_size;
  canvas->MoveTo(EngineObject::GetX(), EngineObject::GetY());
  geometry().width = entry_width;
  geometry().height = entry_height;
  SetSkin(canvas, kSkinLinks);
  // The focus comes to the menu itself; a press on an entry finds the menu as the nearest
  // focusable object above it, so the focus stays.
  SetFocusable(true);
  SubscribeMessage(engine::QUILLARON_EVENT_FOCUS_LOST, GetKey(), engine::msg::kHide, 0, 0);
  MoveToTopLayer();
  Hide();
  return true;
}

PopupMenuItem* PopupMenu::LastItem() const {
  PopupMenuItem* item = first_;
  while (item != nullptr && item->next_ != nullptr) item = item->next_;
  return item;
}

int PopupMenu::GetItemCount() const {
  int n = 0;
  for (PopupMenuItem* item = first_; item != nullptr; item = item->next_) ++n;
  return n;
}

PopupMenuItem* PopupMenu::AddItem(const char* text, const engine::ObjectMessage* message, COLORREF text_colour,
                                  uint32_t, bool bold) {
  if (GetCanvas() == nullptr) return nullptr;
  auto* item = new PopupMenuItem();
  AddToScene(item);
  if (!item->IsRegistered() ||
      !item->Create(text, entry_width_, entry_height_, font_size_, kItemColourKey, 0, message)) {
    engine::WriteGameLog("PopupMenu::AddItem: no entry for \"%s\"", text != nullptr ? text : "");
    if (item->IsRegistered()) DeleteObject(item, true);
    return nullptr;
  }
  item->SetDepth(GetDepth() + kItemDepthStep);
  item->SetTextColour(text_colour);
  item->SetBold(bold);
  AddChild(item, kItemLinks);
  if (IsVisible()) item->Show();
  if (PopupMenuItem* last = LastItem()) {
    last->next_ = item;
  } else {
    first_ = item;
  }
  Layout();
  return item;
}

int PopupMenu::AddSeparator() {
  PopupMenuItem* last = LastItem();
  if (last == nullptr) return 0;
  last->SetSeparator(true);
  return 1;
}

void PopupMenu::EnableByMessage(uint32_t target, uint32_t id, bool enable) {
  for (PopupMenuItem* item = first_; item != nullptr; item = item->next_) {
    const engine::ObjectMessage& m = item->GetMessage();
    if (m.target == target && m.id == id) item->SetEnabled(enable);
  }
}

void PopupMenu::Layout() {
  CanvasObject* canvas = GetCanvas();
  if (canvas == nullptr) return;
  if (first_ == nullptr) {
    Hide();
    return;
  }
  const int n = GetItemCount();
  const int32_t width = entry_width_ + 2 * padding_;
  const int32_t height = entry_height_ * n + 2 * padding_;
  canvas->ResizeSurface(width, height);
  canvas->Resize(width, height);
  geometry().width = width;
  geometry().height = height;
  canvas->Clear();
  canvas->DrawBorder(0, 1);
  canvas->Invalidate();
  const double x = std::trunc(canvas->GetLeft()) + padding_;
  double y = std::trunc(canvas->GetTop()) + padding_;
  for (PopupMenuItem* item = first_; item != nullptr; item = item->next_) {
    item->MoveTo(x + entry_width_ / 2.0, y + entry_height_ / 2.0);
    item->DrawState(item->GetState());
    y += entry_height_;
  }
}

PopupMenuItem* PopupMenu::GetItem(int index) {
  if (index < 0) return nullptr;
  PopupMenuItem* item = first_;
  for (int i = 0; item != nullptr && i < index; ++i) item = item->next_;
  return item;
}

PopupMenuItem* PopupMenu::FindItemByText(const char* text) {
  if (text == nullptr) return nullptr;
  for (PopupMenuItem* item = first_; item != nullptr; item = item->next_) {
    if (std::strcmp(item->GetText(), text) == 0) return item;
  }
  return nullptr;
}

void PopupMenu::SetItemBackColours(COLORREF normal, COLORREF hover, COLORREF pressed) {
  for (PopupMenuItem* item = first_; item != nullptr; item = item->next_) {
    item->SetBackColours(normal, hover, pressed);
    item->DrawState(item->GetState());
  }
}

void PopupMenu::SetBorderColour(COLORREF colour) {
  if (CanvasObject* canvas = GetCanvas()) {
    canvas->DrawBorder(colour, 1);
    canvas->Invalidate();
  }
}

void PopupMenu::SetSeparatorColours(COLORREF dark, COLORREF light) {
  for (PopupMenuItem* item = first_; item != nullptr; item = item->next_) {
    item->SetSeparatorColours(dark, light);
    item->DrawState(item->GetState());
  }
}

void PopupMenu::SetSeparatorInset(int32_t inset) {
  for (PopupMenuItem* item = first_; item != nullptr; item = item->next_) {
    item->SetSeparatorInset(inset);
    item->DrawState(item->GetState());
  }
}

void PopupMenu::CentreTexts() {
  for (PopupMenuItem* item = first_; item != nullptr; item = item->next_) {
    const auto half = static_cast<int32_t>(std::strlen(item->GetText()) / 2);
    item->SetTextX((entry_width_ - half * font_size_) / 2);
    item->DrawState(item->GetState());
  }
}

}  // namespace frame
