// A MIDI sink that plays through FluidSynth with the General MIDI sound font, on the audio device.
#pragma once

#include <memory>
#include <string>

#include "platform/midi_sink.h"

namespace platform {

class FluidSynthSink final : public MidiSink {
 public:
  // The sound font the Debian package fluid-soundfont-gm installs.
  static constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/FluidR3_GM.sf2";

  // Null (with a problem report) when the sound font cannot be loaded or no audio device opens.
  static std::unique_ptr<FluidSynthSink> Create(const std::string& sound_font = kDefaultSoundFont);
  ~FluidSynthSink() override;

  void ShortMessage(uint32_t message, int64_t due_us, int64_t played_us) override;
  void Silence(bool reset_controllers) override;

 private:
  struct Parts;
  explicit FluidSynthSink(std::unique_ptr<Parts> parts);
  std::unique_ptr<Parts> parts_;
};

}  // namespace platform
