// The text renderer's markup: a tag in angle brackets changes the style of the text after it.
//
// A tag holds one or more "name=value" (or "name:value") pairs separated by commas:
//   size=N    character height in pixels        s=N      height given in twips (N * 96 / 1440)
//   c=N       colour, a decimal COLORREF        color=RRGGBB  colour in hexadecimal
//   rgb=R,G,B colour by its red, green and blue (0-255 each; the commas belong to the value)
//   e=b|u|i   bold, underlined, italic          face=NAME     face name
//   alpha=N   text opacity 0-255
// "<>" restores the style the text started with. A run between '<' and '>' that holds none of
// these is not a tag and is drawn as it stands.
#pragma once

#include <string_view>

#include "engine/ui/font_record.h"

namespace engine {

// Largest character height a tag may ask for.
inline constexpr int kMaxMarkupHeight = 200;
// A tag is looked for no further than this many bytes after its '<'.
inline constexpr int kMaxTagLength = 255;

// Applies the content of one tag (the bytes between '<' and '>') to record. True when at least
// one pair was understood; the pairs that were not change nothing.
bool ApplyMarkupTag(std::string_view content, FontRecord& record);

}  // namespace engine
