// Pictures made for widget tests: every frame one opaque colour, put straight into the paint
// module's cache under a name (as if loaded from a package).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/media/paint_module.h"

namespace test {

// A picture of colours.size() frames, each width x height of one colour (0x00RRGGBB).
void AddSolidFrames(engine::PaintModule* paint, const std::string& name, int width, int height,
                    const std::vector<uint32_t>& colours);
// A one-frame picture of the given pixels (0x00RRGGBB, rows top first, all opaque).
void AddPixelPicture(engine::PaintModule* paint, const std::string& name, int width, int height,
                     const std::vector<uint32_t>& pixels);

}  // namespace test
