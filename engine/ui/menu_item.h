// One row of a menu list: a text button that draws itself as a flat row (no frame), its caption
// left-aligned in its text colour, on the row colour; the row under the pointer is lit and a
// pressed row darkened. What it sends is TextButton's: a click delivers the row's message at once.
#pragma once

#include <cstdint>

#include "engine/ui/text_button.h"

namespace engine {

class MenuItem : public TextButton {
 public:
  static constexpr int32_t kTextLeft = 6;

  MenuItem() = default;
  ~MenuItem() override = default;

  // (text, width, height, text size, row colour, a frame word the row does not draw, message).
  bool Create(const char* caption, int32_t width, int32_t height, int32_t font_size, COLORREF colour,
              COLORREF frame_colour, const ObjectMessage* message) override;
  void DrawState(uint32_t state) override;
  // The row's colours: normal, under the pointer, pressed (redraws).
  virtual void SetBackColours(COLORREF normal, COLORREF hover, COLORREF pressed);

  COLORREF GetBackColour(uint32_t state) const;

 private:
  COLORREF back_[3] = {0xFFFFFF, 0xE8D0B0, 0xC8A880};
};

}  // namespace engine
