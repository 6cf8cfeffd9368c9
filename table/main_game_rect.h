// Where the table scene lies, and the table's chairs, as every table object reads them: the
// game frame's rectangle of "MainGame", and the application's chair count and own chair.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

namespace engine {
class ObjectServices;
}  // namespace engine

namespace table {

// The game frame's rectangle of the table scene. Without a frame that knows it (an empty
// rectangle), the rectangle of the object "MainGame" itself, found through asker's scene.
platform::RECT MainGameRect(engine::ObjectServices* asker);

// The application's chair count (0 without an application) and own chair (-1 without one).
int32_t AppChairCount();
int32_t AppOwnChair();

}  // namespace table
