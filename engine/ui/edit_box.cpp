#include "engine/ui/edit_box.h"

#include <algorithm>

#include "engine/core/input_module.h"
#include "engine/ui/text_markup.h"
#include "platform/clipboard.h"
#include "platform/gbk.h"
#include "platform/win_messages.h"

namespace engine {

bool EditBox::Create(int32_t width, int32_t height, uint32_t style) {
  if (!RichTextBox::Create(width, height, style | kEditStyle, 0)) return false;
  SetTextSize(std::max(height - 2, 1));
  SetScrollTarget(1, 1);
  Layout(width - 2, height - 2);
  PlaceCaret(0);
  return true;
}

int32_t EditBox::LengthOf(size_t first, size_t end) const {
  int64_t length = 0;
  for (size_t i = first; i < end && i < ItemCount(); ++i) {
    const RichTextItem& item = ItemAt(i);
    length += item.kind == RichTextItem::kObject ? kObjectLength : item.length;
  }
  return static_cast<int32_t>(std::min<int64_t>(length, INT32_MAX));
}

int32_t EditBox::GetLength() const { return LengthOf(0, ItemCount()); }

void EditBox::SetMaxLength(int32_t length) { max_length_ = std::max(length, 0); }

int EditBox::AppendChar(std::string_view text) {
  // One line holds no line feed.
  if ((GetStyle() & rich_text::kViewSingleLine) != 0 && !text.empty() && text[0] == '\n') return 1;
  return RichTextBox::AppendChar(text);
}

void EditBox::AppendText(const char* text) {
  if (text == nullptr || text[0] == '\0') return;
  if (max_length_ > 0 && GetLength() >= max_length_) {
    OnFull();
    return;
  }
  const size_t caret = std::min(GetCaret(), ItemCount());
  SetInsertPosition(caret);
  AppendMarkup(text);
  size_t end = std::max(GetInsertPosition(), caret);
  if (max_length_ > 0) {
    int32_t length = GetLength();
    size_t cut = end;
    while (length > max_length_ && cut > caret) {
      --cut;
      length -= LengthOf(cut, cut + 1);
    }
    if (cut < end) {
      EraseItems(cut, end);
      end = cut;
    }
  }
  SetCaret(end);
}

void EditBox::InsertPlainText(std::string_view text) { AppendText(EscapeMarkupText(text, kKeepControls).c_str()); }

void EditBox::AppendEntry(const InputSnapshot* key) {
  if (key == nullptr || key->character[0] == 0) return;
  char typed[3] = {static_cast<char>(key->character[0]), 0, 0};
  if (platform::IsDBCSLeadByte(key->character[0])) {
    if (!platform::IsGbkTrailByte(key->character[1])) return;
    typed[1] = static_cast<char>(key->character[1]);
  }
  DeleteSelection();
  InsertPlainText(typed);
}

std::string EditBox::GetText() const { return GetPlainText(0, ItemCount()); }

void EditBox::Clear() {
  RichTextBox::Clear();
  PlaceCaret(0);
}

void EditBox::SetCaret(size_t index) {
  index = std::min(index, ItemCount());
  PlaceCaret(index);
  ScrollToShow(index);
  ShowCaret(IsInputActive() != 0);
}

void EditBox::DeleteBeforeCaret() {
  const size_t caret = GetCaret();
  if (caret == 0) return;
  EraseItems(caret - 1, caret);
  SetCaret(caret - 1);
}

void EditBox::DeleteAtCaret() {
  const size_t caret = GetCaret();
  if (caret >= ItemCount()) return;
  EraseItems(caret, caret + 1);
  SetCaret(caret);
}

bool EditBox::DeleteSelection() {
  const size_t first = GetSelectionStart();
  const size_t end = GetSelectionEnd();
  if (first == end) return false;
  selection_anchor_ = selection_end_ = 0;
  EraseItems(first, end);
  SetCaret(first);
  return true;
}

void EditBox::SetEnterMessage(uint32_t target, uint32_t id, bool hide_on_submit) {
  enter_message_ = MakeMessage(target, id, 0, 0);
  hide_on_submit_ = hide_on_submit;
}

void EditBox::Submit() {
  if (enter_message_.id != 0) {
    const std::string text = GetText();
    const ObjectMessage enter =
        MakeMessage(enter_message_.target, enter_message_.id, reinterpret_cast<uintptr_t>(text.c_str()), GetKey());
    SendMessage(&enter);
  }
  if (hide_on_submit_) {
    Hide();
    Invalidate();
  }
}

void EditBox::FocusWithoutRaising() {
  SetFocusObject(GetKey());
  if (clear_pending_) {
    clear_pending_ = false;
    Clear();
  }
}

void EditBox::TakeFocus() {
  BringToFront();
  FocusWithoutRaising();
}

int EditBox::OnMessage(const ObjectMessage* message) {
  if (message == nullptr) return 1;
  const auto* snapshot = reinterpret_cast<const InputSnapshot*>(message->p2);
  const bool editing = (GetStyle() & rich_text::kViewEdit) != 0;
  switch (message->id) {
    case QUILLARON_EVENT_CHAR:
      if (editing && !control_down_) AppendEntry(snapshot);
      return 1;
    case QUILLARON_EVENT_LBUTTON_DOWN: {
      const int handled = RichTextBox::OnMessage(message);
      if (editing && snapshot != nullptr) {
        if (clear_pending_) FocusWithoutRaising();
        SetCaret(GetSelectionStart() == GetSelectionEnd() && selecting_ ? selection_end_ : GetCaret());
      }
      return handled;
    }
    case QUILLARON_EVENT_DRAG: {
      const int handled = RichTextBox::OnMessage(message);
      if (editing && selecting_) SetCaret(selection_end_);
      return handled;
    }
    case QUILLARON_EVENT_KEY_DOWN: {
      RichTextBox::OnMessage(message);
      if (!editing || snapshot == nullptr) return 1;
      switch (snapshot->key_down) {
        case platform::VK_BACK:
          if (!DeleteSelection()) DeleteBeforeCaret();
          break;
        case platform::VK_DELETE:
          if (!DeleteSelection()) DeleteAtCaret();
          break;
        case platform::VK_LEFT:
          RefreshAll();
          if (GetCaret() > 0) SetCaret(GetCaret() - 1);
          break;
        case platform::VK_RIGHT:
          RefreshAll();
          SetCaret(GetCaret() + 1);
          break;
        case platform::VK_HOME:
          RefreshAll();
          SetCaret(0);
          break;
        case platform::VK_END:
          RefreshAll();
          SetCaret(ItemCount());
          break;
        case platform::VK_RETURN:
          Submit();
          break;
        case 'V':
          if (control_down_) {
            DeleteSelection();
            InsertPlainText(platform::GetClipboardText());
          }
          break;
        case 'X':
          if (control_down_ && GetSelectionStart() != GetSelectionEnd()) {
            platform::SetClipboardText(GetSelectedText());
            DeleteSelection();
          }
          break;
        default:
          break;
      }
      return 1;
    }
    case QUILLARON_EVENT_FOCUS_GAINED: {
      const int handled = RichTextBox::OnMessage(message);
      SetCaret(GetCaret());
      return handled;
    }
    default:
      return RichTextBox::OnMessage(message);
  }
}

}  // namespace engine
