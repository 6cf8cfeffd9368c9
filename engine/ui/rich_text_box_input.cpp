// The rich-text view: messages, the pointer over the text (links, selection, wheel), keys that
// every view answers (Ctrl+A, Ctrl+C) and the focus.
#include "engine/core/canvas_object.h"
#include "engine/core/engine_log.h"
#include "engine/core/input_module.h"
#include "engine/core/object_module.h"
#include "engine/ui/inline_object.h"
#include "engine/ui/link_object.h"
#include "engine/ui/rich_text_box.h"
#include "platform/clipboard.h"
#include "platform/win_messages.h"

namespace engine {

void RichTextBox::Show() {
  WidgetBase::Show();
  PlaceObjects();
  if (input_active_ != 0) ShowCaret(true);
}

bool RichTextBox::CanvasPoint(const InputSnapshot* snapshot, int32_t* x, int32_t* y) const {
  CanvasObject* canvas = GetCanvas();
  if (snapshot == nullptr || canvas == nullptr) return false;
  *x = snapshot->x - static_cast<int32_t>(canvas->GetLeft());
  *y = snapshot->y - static_cast<int32_t>(canvas->GetTop());
  return true;
}

void RichTextBox::SetHoveredLink(uint32_t key, const ObjectMessage* message) {
  if (key == hovered_link_) return;
  if (hovered_link_ != 0) {
    const ObjectMessage leave = MakeMessage(hovered_link_, QUILLARON_EVENT_MOUSE_LEAVE, 0, message ? message->p2 : 0);
    SendMessage(&leave);
  }
  hovered_link_ = key;
  if (key != 0) {
    const ObjectMessage enter = MakeMessage(key, QUILLARON_EVENT_MOUSE_ENTER, 0, message ? message->p2 : 0);
    SendMessage(&enter);
  }
}

void RichTextBox::HandlePointer(uint32_t id, const InputSnapshot* snapshot) {
  int32_t x = 0;
  int32_t y = 0;
  const bool has_point = CanvasPoint(snapshot, &x, &y);
  const bool links_live = (style_ & rich_text::kViewLinksLive) != 0;
  auto link_at_point = [&]() -> uint32_t {
    if (!has_point || !links_live) return 0;
    const size_t index = ItemAtPoint(x, y);
    return index < items_.size() ? items_[index].link : 0;
  };
  const ObjectMessage carried = MakeMessage(0, 0, 0, reinterpret_cast<uintptr_t>(snapshot));
  switch (id) {
    case QUILLARON_EVENT_MOUSE_MOVE:
      SetHoveredLink(link_at_point(), &carried);
      break;
    case QUILLARON_EVENT_MOUSE_LEAVE:
      SetHoveredLink(0, &carried);
      break;
    case QUILLARON_EVENT_LBUTTON_DOWN:
      mouse_down_ = true;
      if (has_point && (style_ & rich_text::kViewSelection) != 0) {
        selection_anchor_ = selection_end_ = HitIndex(x, y);
        selecting_ = true;
        ScheduleRedraw();
      }
      break;
    case QUILLARON_EVENT_DRAG:
      if (selecting_ && has_point) {
        const size_t end = HitIndex(x, y);
        if (end != selection_end_) {
          selection_end_ = end;
          ScheduleRedraw();
        }
      }
      break;
    case QUILLARON_EVENT_LBUTTON_UP:
      mouse_down_ = false;
      selecting_ = false;
      break;
    case QUILLARON_EVENT_CLICK:
      // A press that selected text is not a click on a link.
      if (GetSelectionStart() == GetSelectionEnd()) {
        if (const uint32_t link = link_at_point()) {
          const ObjectMessage click = MakeMessage(link, QUILLARON_EVENT_CLICK, 0, carried.p2);
          SendMessage(&click);
        }
      }
      break;
    case QUILLARON_EVENT_WHEEL_UP:
      ScrollBy(-WheelStep());
      break;
    case QUILLARON_EVENT_WHEEL_DOWN:
      ScrollBy(WheelStep());
      break;
    default:
      break;
  }
}

int RichTextBox::OnMessage(const ObjectMessage* message) {
  if (message == nullptr) return 1;
  const auto* snapshot = reinterpret_cast<const InputSnapshot*>(message->p2);
  switch (message->id) {
    case rich_text::kMsgOpenLink: {
      const char* target = reinterpret_cast<const char*>(message->p1);
      std::string from_object;
      if (message->p2 != 0) {
        // The sender is named: its target is read from it, if it is still there.
        ObjectModule* objects = IsRegistered() ? EngineObject::GetObjectModule() : nullptr;
        EngineObject* sender =
            objects != nullptr ? objects->FindObjectByKey(static_cast<uint32_t>(message->p2)) : nullptr;
        // The target text the sender posted is its own: a sender whose text is elsewhere is
        // another object that took the key of one removed meanwhile.
        auto posted_by = [target](const std::string& own) { return target == nullptr || target == own.c_str(); };
        auto* link = dynamic_cast<LinkObject*>(sender);
        auto* object = dynamic_cast<InlineObject*>(sender);
        if (link != nullptr && posted_by(link->GetTarget())) {
          from_object = link->GetTarget();
        } else if (object != nullptr && posted_by(object->GetClickTarget())) {
          from_object = object->GetClickTarget();
        } else {
          WriteGameLog("RichTextBox: a link click from object %u, which is gone, was dropped",
                       static_cast<uint32_t>(message->p2));
          return 1;
        }
        target = from_object.c_str();
      }
      if (target != nullptr && target[0] != '\0') OpenUrl(target);
      return 1;
    }
    case rich_text::kMsgRedraw:
      if (redraw_pending_) Redraw();
      return 1;
    case rich_text::kMsgScrollTo:
      SetScrollPos(static_cast<int32_t>(static_cast<intptr_t>(message->p1)));
      return 1;
    case QUILLARON_EVENT_MOUSE_MOVE:
    case QUILLARON_EVENT_MOUSE_LEAVE:
    case QUILLARON_EVENT_LBUTTON_DOWN:
    case QUILLARON_EVENT_LBUTTON_UP:
    case QUILLARON_EVENT_DRAG:
    case QUILLARON_EVENT_CLICK:
    case QUILLARON_EVENT_WHEEL_UP:
    case QUILLARON_EVENT_WHEEL_DOWN:
      HandlePointer(message->id, snapshot);
      return WidgetBase::OnMessage(message);
    case QUILLARON_EVENT_KEY_DOWN:
      if (snapshot != nullptr) {
        if (snapshot->key_down == platform::VK_CONTROL) control_down_ = true;
        if (control_down_ && snapshot->key_down == 'A' && (style_ & rich_text::kViewSelection) != 0) SetSelected(true);
        if (control_down_ && snapshot->key_down == 'C' && GetSelectionStart() != GetSelectionEnd()) {
          platform::SetClipboardText(GetSelectedText());
        }
      }
      return 1;
    case QUILLARON_EVENT_KEY_UP:
      if (snapshot != nullptr && snapshot->key_up == platform::VK_CONTROL) control_down_ = false;
      return 1;
    case QUILLARON_EVENT_FOCUS_GAINED:
      input_active_ = 1;
      if ((style_ & rich_text::kViewCaret) != 0) ShowCaret(true);
      return 1;
    case QUILLARON_EVENT_FOCUS_LOST:
      control_down_ = false;
      OnFocusLost();
      return 1;
    default:
      return WidgetBase::OnMessage(message);
  }
}

void RichTextBox::EndInput() {
  input_active_ = 0;
  ShowCaret(false);
}

void RichTextBox::OnFocusLost() {
  EndInput();
  if ((style_ & rich_text::kViewHideOnFocusLoss) != 0) Hide();
}

}  // namespace engine
