#include "engine/ui/text_button.h"

#include "engine/core/canvas_object.h"
#include "engine/core/engine_log.h"

namespace engine {
namespace {

struct StateLook {
  COLORREF fill;
  COLORREF text;
};

constexpr StateLook kLooks[] = {
    {0xE8E8E8, 0x000000},  // normal
    {0xFFFFFF, 0x000000},  // pointer over it
    {0xC8C8C8, 0x000000},  // pressed
    {0xE8E8E8, 0x909090},  // disabled
};

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
  DrawState(kNormal);
  return true;
}

void TextButton::DrawState(uint32_t state) {
  state_ = state <= kDisabled ? state : kNormal;
  CanvasObject* canvas = GetCanvas();
  if (canvas == nullptr) return;
  const StateLook& look = kLooks[state_];
  canvas->SetFillColour(look.fill);
  canvas->Clear();
  canvas->DrawBorder(frame_colour_, 1);
  canvas->SetFont(font_size_, 400, kDefaultFaceName);
  canvas->SetTextColour(look.text, 1.0);
  // A pressed button's caption sinks by a pixel.
  const int32_t sink = state_ == kPressed ? 1 : 0;
  canvas->DrawTextCentred(canvas->GetSurfaceWidth() / 2 + sink, canvas->GetSurfaceHeight() / 2 + sink,
                          caption_.c_str());
  canvas->Invalidate();
}

void TextButton::SetText(const char* caption) {
  caption_ = caption != nullptr ? caption : "";
  DrawState(state_);
}

int TextButton::OnMessage(const ObjectMessage* message) {
  if (message == nullptr) return 1;
  const bool enabled = TakesInput() != 0;
  switch (message->id) {
    case QUILLARON_EVENT_MOUSE_ENTER:
      if (enabled) DrawState(kHover);
      break;
    case QUILLARON_EVENT_MOUSE_LEAVE:
      if (enabled) DrawState(kNormal);
      break;
    case QUILLARON_EVENT_LBUTTON_DOWN:
      if (enabled) DrawState(kPressed);
      break;
    case QUILLARON_EVENT_LBUTTON_UP:
      if (enabled && state_ == kPressed) DrawState(kNormal);
      break;
    case QUILLARON_EVENT_CLICK:
      if (enabled) {
        DrawState(kHover);
        if (message_.id != 0) {
          const ObjectMessage copy = message_;
          SendMessage(&copy);
        }
      }
      return 1;
    case QUILLARON_EVENT_ENABLED:
      DrawState(kNormal);
      break;
    case QUILLARON_EVENT_DISABLED:
      DrawState(kDisabled);
      break;
    default:
      break;
  }
  return WidgetBase::OnMessage(message);
}

}  // namespace engine
