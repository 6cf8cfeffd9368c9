// ALSA's error handler, and FluidSynth's log below panics, replaced by ones that drop the text:
// the program reports what matters itself ("sound: the audio device cannot be opened ...").
#include "platform/audio_quiet.h"

#include <alsa/asoundlib.h>
#include <fluidsynth.h>

#include <mutex>

namespace platform {
namespace {

void DropAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

void DropFluidMessage(int, const char*, void*) {}

}  // namespace

void SilenceAudioLibraryMessages() {
  static std::once_flag once;
  std::call_once(once, [] {
    snd_lib_error_set_handler(DropAlsaMessage);
    // FluidSynth repeats the same trouble in its own words when it finds no device.
    for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
      fluid_set_log_function(level, DropFluidMessage, nullptr);
  });
}

}  // namespace platform
