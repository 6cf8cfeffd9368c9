// FluidSynth sink: one synthesiser with the General MIDI sound font and an audio driver.
//
// The audio driver is FluidSynth's default for the system (PulseAudio or ALSA on Debian), then
// SDL2. FluidSynth locks its synthesiser itself, so messages may come from any thread.
#include "platform/fluidsynth_sink.h"

#include <SDL2/SDL.h>
#include <fluidsynth.h>

#include "platform/audio_quiet.h"
#include "platform/diagnostics.h"

namespace platform {

struct FluidSynthSink::Parts {
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  fluid_audio_driver_t* driver = nullptr;
  bool sdl_audio = false;  // SDL's audio subsystem was started for the driver

  ~Parts() {
    if (driver != nullptr) delete_fluid_audio_driver(driver);
    if (synth != nullptr) delete_fluid_synth(synth);
    if (settings != nullptr) delete_fluid_settings(settings);
    if (sdl_audio) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
};

std::unique_ptr<FluidSynthSink> FluidSynthSink::Create(const std::string& sound_font) {
  auto parts = std::make_unique<Parts>();
  parts->settings = new_fluid_settings();
  if (parts->settings == nullptr) {
    ReportProblem("MIDI: FluidSynth settings cannot be made");
    return nullptr;
  }
  parts->synth = new_fluid_synth(parts->settings);
  if (parts->synth == nullptr) {
    ReportProblem("MIDI: FluidSynth synthesiser cannot be made");
    return nullptr;
  }
  if (fluid_synth_sfload(parts->synth, sound_font.c_str(), 1) == FLUID_FAILED) {
    ReportProblem("MIDI: sound font %s cannot be loaded", sound_font.c_str());
    return nullptr;
  }
  SilenceAudioLibraryMessages();
  parts->driver = new_fluid_audio_driver(parts->settings, parts->synth);
  if (parts->driver == nullptr && SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
    // FluidSynth's SDL2 driver expects the application to have started SDL's audio.
    parts->sdl_audio = true;
    fluid_settings_setstr(parts->settings, "audio.driver", "sdl2");
    parts->driver = new_fluid_audio_driver(parts->settings, parts->synth);
  }
  if (parts->driver == nullptr) {
    ReportProblem("MIDI: no audio device for FluidSynth; MIDI music stays silent");
    return nullptr;
  }
  return std::unique_ptr<FluidSynthSink>(new FluidSynthSink(std::move(parts)));
}

FluidSynthSink::FluidSynthSink(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}

FluidSynthSink::~FluidSynthSink() = default;

void FluidSynthSink::ShortMessage(uint32_t message, int64_t, int64_t) {
  fluid_synth_t* synth = parts_->synth;
  const int status = message & 0xF0;
  const int channel = message & 0x0F;
  const int data1 = (message >> 8) & 0x7F;
  const int data2 = (message >> 16) & 0x7F;
  switch (status) {
    case 0x80:
      fluid_synth_noteoff(synth, channel, data1);
      break;
    case 0x90:
      if (data2 == 0) {
        fluid_synth_noteoff(synth, channel, data1);
      } else {
        fluid_synth_noteon(synth, channel, data1, data2);
      }
      break;
    case 0xA0:
      fluid_synth_key_pressure(synth, channel, data1, data2);
      break;
    case 0xB0:
      fluid_synth_cc(synth, channel, data1, data2);
      break;
    case 0xC0:
      fluid_synth_program_change(synth, channel, data1);
      break;
    case 0xD0:
      fluid_synth_channel_pressure(synth, channel, data1);
      break;
    case 0xE0:
      fluid_synth_pitch_bend(synth, channel, data1 | data2 << 7);
      break;
    default:
      break;
  }
}

void FluidSynthSink::Silence(bool reset_controllers) {
  if (reset_controllers) {
    fluid_synth_system_reset(parts_->synth);
  } else {
    fluid_synth_all_notes_off(parts_->synth, -1);
  }
}

}  // namespace platform
