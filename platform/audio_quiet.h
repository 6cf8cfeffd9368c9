// The ALSA library prints its own errors on stderr (a dozen lines when there is no sound card)
// before the program can say in one line that it runs silent. Called before any audio device
// is opened (SDL2_mixer, FluidSynth), this sends ALSA's and FluidSynth's own messages nowhere.
#pragma once

namespace platform {

void SilenceAudioLibraryMessages();

}  // namespace platform
