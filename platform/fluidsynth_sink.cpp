// FluidSynth sink: one synthesiser with the General MIDI sound font, sounded by the pulls of an
// audio device through a MidiTimeline.
//
// The audio device is FluidSynth's default driver for the system (PulseAudio or ALSA on Debian)
// running our own pull function, so that messages sound at their frames; where it opens none, an
// SDL audio device does the same (FluidSynth's own SDL2 driver cannot run a pull function of
// ours). FluidSynth locks its synthesiser itself; the timeline takes messages from any thread.
#include "platform/fluidsynth_sink.h"

#include <SDL2/SDL.h>
#include <fluidsynth.h>

#include "platform/audio_quiet.h"
#include "platform/clock.h"
#include "platform/diagnostics.h"
#include "platform/sdl_audio.h"

namespace platform {

namespace {

constexpr uint32_t kSystemReset = 0xFF;
constexpr int kAllNotesOff = 123;  // the channel-mode controller
constexpr int kChannels = 16;

// One channel message (or a system reset) into the synthesiser.
void Send(fluid_synth_t* synth, uint32_t message) {
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
      if ((message & 0xFF) == kSystemReset) fluid_synth_system_reset(synth);
      break;
  }
}

}  // namespace

struct FluidSynthSink::Parts {
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  fluid_audio_driver_t* driver = nullptr;
  SDL_AudioDeviceID sdl_device = 0;

  ~Parts() {
    if (driver != nullptr) delete_fluid_audio_driver(driver);
    if (sdl_device != 0) SDL_CloseAudioDevice(sdl_device);
    if (synth != nullptr) delete_fluid_synth(synth);
    if (settings != nullptr) delete_fluid_settings(settings);
  }
};

// The synthesiser rendering into one pull's stereo output, whose left and right samples lie step
// floats apart (1: two buffers; 2: one buffer, interleaved).
class FluidSynthSink::Output final : public MidiTimeline::Synthesiser {
 public:
  Output(fluid_synth_t* synth, float* left, float* right, int step)
      : synth_(synth), left_(left), right_(right), step_(step) {}

  void Play(uint32_t message) override { Send(synth_, message); }

  void Render(int offset, int count) override {
    fluid_synth_write_float(synth_, count, left_, offset * step_, step_, right_, offset * step_, step_);
  }

 private:
  fluid_synth_t* const synth_;
  float* const left_;
  float* const right_;
  const int step_;
};

std::unique_ptr<FluidSynthSink> FluidSynthSink::Make(const std::string& sound_font) {
  SilenceAudioLibraryMessages();
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
  if (!sound_font.empty() && fluid_synth_sfload(parts->synth, sound_font.c_str(), 1) == FLUID_FAILED) {
    ReportProblem("MIDI: sound font %s cannot be loaded", sound_font.c_str());
    return nullptr;
  }
  double rate = 44100;
  fluid_settings_getnum(parts->settings, "synth.sample-rate", &rate);
  return std::unique_ptr<FluidSynthSink>(new FluidSynthSink(std::move(parts), static_cast<int>(rate)));
}

std::unique_ptr<FluidSynthSink> FluidSynthSink::Create(const std::string& sound_font) {
  std::unique_ptr<FluidSynthSink> sink = Make(sound_font);
  if (sink == nullptr || !sink->OpenDevice()) return nullptr;
  return sink;
}

std::unique_ptr<FluidSynthSink> FluidSynthSink::CreateWithoutDevice(const std::string& sound_font) {
  return Make(sound_font);
}

FluidSynthSink::FluidSynthSink(std::unique_ptr<Parts> parts, int sample_rate)
    : sample_rate_(sample_rate), clock_(CurrentClock()), timeline_(sample_rate), parts_(std::move(parts)) {}

FluidSynthSink::~FluidSynthSink() = default;

bool FluidSynthSink::OpenDevice() {
  Parts& parts = *parts_;
  parts.driver = new_fluid_audio_driver2(parts.settings, &FluidSynthSink::DevicePull, this);
  if (parts.driver == nullptr && StartSdlAudio()) {
    SDL_AudioSpec wanted{};
    wanted.freq = sample_rate_;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = 512;
    wanted.callback = &FluidSynthSink::SdlPull;
    wanted.userdata = this;
    parts.sdl_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (parts.sdl_device != 0) SDL_PauseAudioDevice(parts.sdl_device, 0);
  }
  if (parts.driver == nullptr && parts.sdl_device == 0) {
    ReportProblem("MIDI: no audio device for FluidSynth; MIDI music stays silent");
    return false;
  }
  return true;
}

int FluidSynthSink::DevicePull(void* data, int frames, int, float*[], int out_count, float* out[]) {
  auto* sink = static_cast<FluidSynthSink*>(data);
  // Every driver of FluidSynth hands over at least a stereo pair, already silent; effects go
  // into it too.
  if (out_count < 2) return FLUID_OK;
  Output output(sink->parts_->synth, out[0], out[1], 1);
  sink->timeline_.Pull(MicrosecondsOf(sink->clock_), frames, output);
  return FLUID_OK;
}

void FluidSynthSink::SdlPull(void* data, uint8_t* stream, int bytes) {
  auto* sink = static_cast<FluidSynthSink*>(data);
  auto* samples = reinterpret_cast<float*>(stream);
  Output output(sink->parts_->synth, samples, samples + 1, 2);
  sink->timeline_.Pull(MicrosecondsOf(sink->clock_), bytes / static_cast<int>(2 * sizeof(float)), output);
}

void FluidSynthSink::Pull(int frames, float* left, float* right) {
  Output output(parts_->synth, left, right, 1);
  timeline_.Pull(MicrosecondsOf(clock_), frames, output);
}

void FluidSynthSink::ShortMessage(uint32_t message, int64_t due_us, int64_t, uint64_t source) {
  // Channel messages only: a system message from a stream buffer never resets the synthesiser.
  if ((message & 0xF0) == 0xF0) return;
  timeline_.Add(message, due_us, source);
}

void FluidSynthSink::Withdraw(uint64_t source, int64_t after_us) { timeline_.Withdraw(source, after_us); }

void FluidSynthSink::Silence(bool reset_controllers) {
  const int64_t now = MicrosecondsOf(clock_);
  if (reset_controllers) {
    timeline_.Add(kSystemReset, now, 0);
    return;
  }
  for (int channel = 0; channel < kChannels; ++channel) timeline_.Add(0xB0 | channel | kAllNotesOff << 8, now, 0);
}

}  // namespace platform
