// The pointer over something that can be clicked: the hand cursor, and the arrow again after.
#pragma once

namespace engine {

class ObjectServices;

// Shows the hand (hand true) or the arrow: through the cursor object "object_cursor" when the
// game made one (it keeps the game's own cursors), else the system's.
void ShowHandCursor(ObjectServices* services, bool hand);

}  // namespace engine
