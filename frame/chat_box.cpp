#include "frame/chat_box.h"

#include <string>

#include "engine/core/colour_key.h"
#include "engine/core/engine_events.h"
#include "engine/core/engine_log.h"
#include "engine/core/input_module.h"
#include "engine/core/rect_object.h"
#include "engine/ui/image_button.h"
#include "frame/chat_display.h"
#include "frame/emoticon_index.h"
#include "frame/emoticon_picker.h"

namespace frame {
namespace {

using engine::ImageButton;
using engine::ObjectMessage;
using engine::PictureInfo;

// The display shows and hides with the box (and redraws with it).
constexpr uint32_t kDisplayLinks = engine::link_flag::kShowWithParent;

}  // namespace

ChatDisplay* ChatBox::GetDisplay() {
  return display_key_ != 0 ? dynamic_cast<ChatDisplay*>(FindObjectByKey(display_key_)) : nullptr;
}

EmoticonPicker* ChatBox::GetPicker() {
  return picker_key_ != 0 ? dynamic_cast<EmoticonPicker*>(FindObjectByKey(picker_key_)) : nullptr;
}

ImageButton* ChatBox::FindEmoticonButton() { return dynamic_cast<ImageButton*>(FindObjectByName(kEmoticonButtonName)); }

void ChatBox::OnAddedToScene() {
  SetName("ChatBox");
  auto* display = new ChatDisplay();
  AddToScene(display);
  if (!display->IsRegistered()) {
    engine::WriteGameLog("ChatBox: the box is not in a scene; no chat display");
    delete display;
    return;
  }
  display_key_ = display->GetKey();
  display->Create(100, 50, kDisplayStyle, kDisplayCreationValue);
  display->SetBackColour(engine::kColourKey);
  display->Show();
  display->SetMaxTextSize(kChatMaxTextSize);
  display->SetTextSize(kTextSize);
  display->SetTextColor(0);
  display->SetAbsDouble(kDisplayLineSpacing);
  display->SetWrapIndent(kWrapIndent);
  EngineObject::AddChild(display, kDisplayLinks);
  Layout();
}

void ChatBox::Layout() {
  PlaceEmoticonPicker();
  ChatDisplay* display = GetDisplay();
  if (display == nullptr) return;
  const auto width = static_cast<int32_t>(GetWidth());
  const auto height = static_cast<int32_t>(GetHeight());
  display->MoveTo(GetX(), GetY());
  display->Resize(width, height);

  // A head piece at the top, then the body tiled down to the bottom (the last piece is cut by
  // the display's edge).
  const PictureInfo head = GetPictureInfo("SystemChatBox1", 0);
  const PictureInfo body = GetPictureInfo("SystemChatBox2", 0);
  display->DrawBackImage(&head, 0, 0, width, head.height);
  if (body.height > 0) {
    for (int64_t y = head.height; y < height; y += body.height) {
      display->DrawBackImage(&body, 0, static_cast<int32_t>(y), width, body.height);
    }
  }
  display->SetScrollTarget(kTextLeft, kTextTop);
  display->Layout(width - kTextWidthLess, height - kTextHeightLess);
  display->Invalidate();
}

void ChatBox::ShowPicker(EmoticonPicker* picker, ImageButton* button) {
  picker->Show();
  PlaceEmoticonPicker();
  SetFocusObject(picker->GetKey());
  if (button != nullptr) button->SetDown(true);
}

void ChatBox::ToggleEmoticonPicker() {
  ImageButton* button = FindEmoticonButton();
  EmoticonPicker* picker = GetPicker();
  if (picker == nullptr) {
    picker = new EmoticonPicker();
    AddToScene(picker);
    if (!picker->IsRegistered()) {
      engine::WriteGameLog("ChatBox: the box is not in a scene; no emoticon picker");
      delete picker;
      return;
    }
    picker_key_ = picker->GetKey();
    picker->Create(kPickerColumns, kPickerRows, kPickerIconSize, kPickerMargin);
    picker->Show();
    picker->SetFocusable(true);
    picker->Invalidate();
    picker->SubscribeMessage(engine::QUILLARON_EVENT_FOCUS_LOST, GetKey(), kMsgPickerLostFocus, 0, 0);
    PlaceEmoticonPicker();
    LoadEmoticonIndex();
    SetFocusObject(picker->GetKey());
    if (button != nullptr) button->SetDown(true);
    return;
  }
  // Without the button, the picker's own state says which way to go.
  const bool shown = button != nullptr ? button->IsDown() : picker->IsVisible() != 0;
  if (shown) {
    picker->Hide();
    SetFocusObject(0);
    if (button != nullptr) button->SetDown(false);
  } else {
    ShowPicker(picker, button);
  }
  picker->Invalidate();
}

void ChatBox::LoadEmoticonIndex() {
  EmoticonPicker* picker = GetPicker();
  if (picker == nullptr) return;
  const uint8_t* text = GetResourceData(kEmoticonIndexName);
  if (text == nullptr) {
    engine::WriteGameLog("ChatBox: no emoticon index; the picker stays empty");
  } else {
    for (const EmoticonIndexEntry& entry : ParseEmoticonIndex(reinterpret_cast<const char*>(text))) {
      const std::string code = "#" + entry.name;
      picker->AddEntry(entry.name.c_str(), code.c_str(), entry.number);
    }
  }
  picker->DrawPage();
}

engine::RECT ChatBox::PanelRect() {
  for (const char* name : {"SubSystem", "GameFrame"}) {
    if (auto* owner = dynamic_cast<engine::RectObject*>(FindObjectByName(name))) {
      engine::RECT rect{};
      owner->GetRect(&rect);
      return rect;
    }
  }
  engine::RECT view{};
  GetViewRect(&view);
  return view;
}

void ChatBox::PlaceEmoticonPicker() {
  EmoticonPicker* picker = GetPicker();
  if (picker == nullptr) return;
  const engine::RECT panel = PanelRect();
  // What the side panel reports as its input bar's height: its picture's.
  const int32_t input_bar_height = GetPictureInfo("SystemInputBar", 0).height;
  const double x = panel.right - picker->GetWidth() / 2 - kPickerRightInset;
  const double y = (panel.bottom - input_bar_height) - picker->GetHeight() / 2;
  picker->MoveTo(static_cast<int32_t>(x), static_cast<int32_t>(y));
  picker->SetDepth(kPickerDepth);
  picker->Invalidate();
}

void ChatBox::Clear() {
  if (ChatDisplay* display = GetDisplay()) display->Clear();
}

void ChatBox::AppendText(const char* text) {
  ChatDisplay* display = GetDisplay();
  if (display == nullptr || text == nullptr) return;
  display->ResetStyle();
  display->AppendText(text);
  display->ScrollToEnd();
}

void ChatBox::AppendNotice(const char* text) {
  ChatDisplay* display = GetDisplay();
  if (display == nullptr || text == nullptr) return;
  display->ResetStyle();
  const bool links_were_live = (display->GetStyle() & engine::rich_text::kViewLinksLive) != 0;
  if (!links_were_live) display->SetReadOnly(true);
  // Other players' lines come after the notice: they get the bound they had before it.
  const int32_t bound = display->GetMaxTextSize();
  display->SetMaxTextSize(kNoticeMaxTextSize);
  display->AppendText(text);
  display->ScrollToEnd();
  if (!links_were_live) display->SetReadOnly(false);
  display->SetMaxTextSize(bound);
}

int ChatBox::OnMessage(const ObjectMessage* message) {
  if (message == nullptr || message->id != kMsgPickerLostFocus) return WidgetBase::OnMessage(message);
  EmoticonPicker* picker = GetPicker();
  ImageButton* button = FindEmoticonButton();
  if (picker != nullptr && picker->IsVisible()) {
    // Lost to the emoticon button: its own click closes the picker.
    bool on_button = false;
    if (button != nullptr && message->p2 != 0) {
      const auto* snapshot = reinterpret_cast<const engine::InputSnapshot*>(message->p2);
      on_button = button->HitTest(snapshot->x, snapshot->y) != 0;
    }
    if (!on_button) {
      if (button != nullptr) button->SetDown(false);
      picker->Hide();
      picker->Invalidate();
    }
  } else if (button != nullptr) {
    button->SetDown(false);
  }
  return 1;
}

}  // namespace frame
