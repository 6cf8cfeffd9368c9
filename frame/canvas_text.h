// Other people's text (names, level texts) drawn on a canvas: the text renderer reads tags in
// angle brackets as style changes, so such text is made inert before it is drawn.
#pragma once

#include <string>
#include <string_view>

namespace frame {

// The text with every '<' drawn as the full-width '＜', so that nothing in it changes the style
// of what follows. Double-byte characters are kept whole; the text ends at its first NUL.
std::string InertCanvasText(std::string_view text);

}  // namespace frame
