#include "engine/ui/text_button.h"

#include "engine/core/canvas_object.h"
#include "engine/core/engine_log.h"

namespace engine {
namespace {

// Fill colours of the four states; a disabled caption is grey whatever its own colour.
constexpr COLORREF kFills[] = {0xE8E8E8, 0xFFFFFF, 0xC8C8C8, 0xE8E8E8};
constexpr COLORREF kDisabledText = 0x909090;

}  // namespace

CanvasObject* TextButton::GetCanvas() const { return dynamic_cast<CanvasObject*>(CurrentSkin()); }

bool TextButton::Create(const char* caption, int32_t width, int32_t height, int32_t font_size, COLORREF colour_key,
                        COLORREF frame_colour, const ObjectMessage* message) {
  CanvasObject* canvas = CreateCanvas(width, height, colour_key);
  if (canvas == nullptr) {
    WriteGameLog("TextButton::Create: no canvas for the button");
    return false;
  }
  caption_ = caption != nullptr ? caption : "";
  font_size_ = font_size;
  frame_colour_ = frame_colour;
  message_ = message != nullptr ? *message : ObjectMessage{};
  SetSize(width, height);
  SetSkin(canvas, link_flag::kFollowAll);  // the canvas follows everything the button does
  SetTakesInput(true);
  // The canvas is what the pointer finds; these subscriptions are repeated on it (link 0x40000)
  // and come back to the button.
  for (uint32_t event : {QUILLARON_EVENT_MOUSE_ENTER, QUILLARON_EVENT_MOUSE_LEAVE, QUILLARON_EVENT_LBUTTON_DOWN,
                         QUILLARON_EVENT_LBUTTON_UP, QUILLARON_EVENT_CLICK}) {
    SubscribeMessage(event, GetKey(), event, 0, 0);
  }
  hovered_ = false;
  pressed_ = false;
  EnterState(kNormal);
  return true;
}

void TextButton::EnterState(uint32_t state) {
  state_ = state <= kDisabled ? state : kNormal;
  DrawState(state_);
}

void TextButton::DrawState(uint32_t state) {
  if (state > kDisabled) state = kNormal;
  CanvasObject* canvas = GetCanvas();
  if (canvas == nullptr) return;
  canvas->SetFillColour(kFills[state]);
  canvas->Clear();
  canvas->DrawBorder(frame_colour_, 1);
  canvas->SetFont(font_size_, 400, kDefaultFaceName);
  canvas->SetTextColour(state == kDisabled ? kDisabledText : text_colour_, 1.0);
  // A pressed button's caption sinks by a pixel.
  const int32_t sink = state == kPressed ? 1 : 0;
  canvas->DrawTextCentred(canvas->GetSurfaceWidth() / 2 + sink, canvas->GetSurfaceHeight() / 2 + sink,
                          caption_.c_str());
  canvas->Invalidate();
}

void TextButton::SetText(const char* caption) {
  caption_ = caption != nullptr ? caption : "";
  DrawState(state_);
}

void TextButton::SetTextColour(COLORREF colour) {
  text_colour_ = colour;
  DrawState(state_);
}

int TextButton::OnMessage(const ObjectMessage* message) {
  if (message == nullptr) return 1;
  const bool enabled = TakesInput() != 0;
  switch (message->id) {
    case QUILLARON_EVENT_MOUSE_ENTER:
      hovered_ = true;
      if (enabled) EnterState(pressed_ ? kPressed : kHover);
      break;
    case QUILLARON_EVENT_MOUSE_LEAVE:
      hovered_ = false;
      if (enabled) EnterState(kNormal);
      break;
    case QUILLARON_EVENT_LBUTTON_DOWN:
      if (enabled) {
        pressed_ = true;
        EnterState(kPressed);
      }
      break;
    case QUILLARON_EVENT_LBUTTON_UP:
      if (enabled && pressed_) EnterState(RestingState());
      pressed_ = false;
      break;
    case QUILLARON_EVENT_CLICK:
      if (enabled) {
        EnterState(kHover);
        if (message_.id != 0) {
          // A copy: the receiver may change or remove this button.
          const ObjectMessage copy = message_;
          SendMessage(&copy);
        }
      }
      return 1;
    case QUILLARON_EVENT_ENABLED:
      EnterState(RestingState());
      break;
    case QUILLARON_EVENT_DISABLED:
      // A press in progress is forgotten: its release must not click.
      pressed_ = false;
      EnterState(kDisabled);
      break;
    default:
      break;
  }
  return WidgetBase::OnMessage(message);
}

}  // namespace engine
