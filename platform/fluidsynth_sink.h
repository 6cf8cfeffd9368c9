// A MIDI sink that plays through FluidSynth with the General MIDI sound font, on the audio device.
//
// Streams hand it their messages up to kLookAheadUs before they are due; each sounds from the
// output frame its due time falls on (platform/midi_timeline.h), so a busy machine that wakes the
// stream's thread late does not make the music late.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/midi_sink.h"
#include "platform/midi_timeline.h"

namespace platform {

class Clock;

class FluidSynthSink final : public MidiSink {
 public:
  // The sound font the Debian package fluid-soundfont-gm installs.
  static constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
  // Longer than a busy machine keeps a woken thread waiting for a processor.
  static constexpr int64_t kLookAheadUs = 200000;

  // Null (with a problem report) when the sound font cannot be loaded or no audio device opens.
  static std::unique_ptr<FluidSynthSink> Create(const std::string& sound_font = kDefaultSoundFont);
  // A synthesiser without an audio device, whose output the caller pulls as a device would
  // (measurements). An empty sound font name loads none: every note is silent, but each message
  // still reaches the synthesiser at its frame.
  static std::unique_ptr<FluidSynthSink> CreateWithoutDevice(const std::string& sound_font);
  ~FluidSynthSink() override;

  int64_t LookAheadUs() const override { return kLookAheadUs; }
  void ShortMessage(uint32_t message, int64_t due_us, int64_t handed_us, uint64_t source) override;
  void Withdraw(uint64_t source, int64_t after_us) override;
  void Silence(bool reset_controllers) override;

  int SampleRate() const { return sample_rate_; }
  // One pull of frames of stereo output at the clock's present reading (without a device).
  void Pull(int frames, float* left, float* right);
  MidiTimeline& Timeline() { return timeline_; }

 private:
  struct Parts;
  class Output;
  FluidSynthSink(std::unique_ptr<Parts> parts, int sample_rate);
  static std::unique_ptr<FluidSynthSink> Make(const std::string& sound_font);
  bool OpenDevice();
  // The pulls of FluidSynth's audio driver, and of an SDL audio device.
  static int DevicePull(void* sink, int frames, int fx_count, float* fx[], int out_count, float* out[]);
  static void SdlPull(void* sink, uint8_t* stream, int bytes);

  const int sample_rate_;
  Clock& clock_;
  MidiTimeline timeline_;
  std::unique_ptr<Parts> parts_;  // last: its audio device stops pulling before the rest goes
};

}  // namespace platform
