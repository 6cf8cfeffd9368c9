#include "frame/canvas_text.h"

#include <cstdint>

#include "platform/gbk.h"

namespace frame {

std::string InertCanvasText(std::string_view text) {
  static constexpr char kWideLess[] = "＜";
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size() && text[i] != '\0'; ++i) {
    const auto c = static_cast<uint8_t>(text[i]);
    if (platform::IsDBCSLeadByte(c) && i + 1 < text.size() && text[i + 1] != '\0') {
      out += text[i];
      out += text[++i];
    } else if (c == '<') {
      out += kWideLess;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace frame
