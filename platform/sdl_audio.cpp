// SDL's audio subsystem, kept started.
#include "platform/sdl_audio.h"

#include <SDL2/SDL.h>

#include <mutex>

namespace platform {

bool StartSdlAudio() {
  static std::mutex mutex;
  static bool started = false;
  std::lock_guard lock(mutex);
  if (!started) started = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
  return started;
}

}  // namespace platform
