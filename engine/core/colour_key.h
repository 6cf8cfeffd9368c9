// The colour that skins, canvases and pictures leave transparent: magenta, COLORREF 0x00FF00FF.
// As the backdrop colour of a picture drawing it means "no backdrop".
#pragma once

#include <cstdint>

namespace engine {

inline constexpr uint32_t kColourKey = 0xFF00FF;

}  // namespace engine
