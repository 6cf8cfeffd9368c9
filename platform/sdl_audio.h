// SDL's audio subsystem, started once for the whole process and never stopped.
//
// Stopping it waits up to 100 ms for SDL's thread that watches for audio devices: a machine
// without sound would pay that at every start, and at every song. The process's end stops it.
#pragma once

namespace platform {

// Starts SDL's audio (at the first call; later calls only answer). False when SDL has no audio
// at all; SDL_GetError says why.
bool StartSdlAudio();

}  // namespace platform
