#include "engine/ui/menu_item.h"

#include "engine/core/canvas_object.h"

namespace engine {
namespace {

constexpr COLORREF kDisabledText = 0x909090;

// Each channel moved towards target by one part in `parts`.
COLORREF Mix(COLORREF colour, COLORREF target, int parts) {
  COLORREF out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int a = static_cast<int>(colour >> shift & 0xFF);
    const int b = static_cast<int>(target >> shift & 0xFF);
    out |= static_cast<COLORREF>(a + (b - a) / parts) << shift;
  }
  return out;
}

}  // namespace

bool MenuItem::Create(const char* caption, int32_t width, int32_t height, int32_t font_size, COLORREF colour,
                      COLORREF frame_colour, const ObjectMessage* message) {
  // The row colour, lit halfway to white under the pointer and darkened a quarter when pressed.
  back_[kNormal] = colour;
  back_[kHover] = Mix(colour, 0xFFFFFF, 2);
  back_[kPressed] = Mix(colour, 0x000000, 4);
  return TextButton::Create(caption, width, height, font_size, colour, frame_colour, message);
}

void MenuItem::SetBackColours(COLORREF normal, COLORREF hover, COLORREF pressed) {
  back_[kNormal] = normal;
  back_[kHover] = hover;
  back_[kPressed] = pressed;
  DrawState(GetState());
}

COLORREF MenuItem::GetBackColour(uint32_t state) const {
  return back_[state == kDisabled || state > kDisabled ? kNormal : state];
}

void MenuItem::DrawState(uint32_t state) {
  if (state > kDisabled) state = kNormal;
  CanvasObject* canvas = GetCanvas();
  if (canvas == nullptr) return;
  canvas->SetFillColour(GetBackColour(state));
  canvas->Clear();
  canvas->SetFont(GetFontSize(), 400, kDefaultFaceName);
  canvas->SetTextColour(state == kDisabled ? kDisabledText : GetTextColour(), 1.0);
  const int32_t top = (canvas->GetSurfaceHeight() - GetFontSize()) / 2;
  canvas->DrawText(kTextLeft, top > 0 ? top : 0, GetText());
  canvas->Invalidate();
}

}  // namespace engine
