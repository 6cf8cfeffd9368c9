// FluidSynth sink: one synthesiser with the General MIDI sound font, sounded by the pulls of an
// audio device through a MidiTimeline.
//
// The audio device is FluidSynth's default driver for the system (PulseAudio or ALSA on Debian),
// then its SDL2 driver, each running our own pull function so that messages sound at their
// frames. FluidSynth locks its synthesiser itself; the timeline takes messages from any thread.
#include "platform/fluidsynth_sink.h"

#include <SDL2/SDL.h>
#include <fluidsynth.h>

#include <algorithm>

#include "platform/audio_quiet.h"
#include "platform/clock.h"
#include "platform/diagnostics.h"

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
  bool sdl_audio = false;  // SDL's audio subsystem was started for the driver

  ~Parts() {
    if (driver != nullptr) delete_fluid_audio_driver(driver);
    if (synth != nullptr) delete_fluid_synth(synth);
    if (settings != nullptr) delete_fluid_settings(settings);
    if (sdl_audio) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
};

// The synthesiser rendering into the buffers of one pull.
class FluidSynthSink::Output final : public MidiTimeline::Synthesiser {
 public:
  static constexpr int kMaxBuffers = 16;

  Output(fluid_synth_t* synth, int out_count, float** out, int fx_count, float** fx)
      : synth_(synth), out_count_(std::min(out_count, kMaxBuffers)), out_(out), fx_count_(std::min(fx_count, kMaxBuffers)),
        fx_(fx) {}

  void Play(uint32_t message) override { Send(synth_, message); }

  void Render(int offset, int count) override {
    float* out[kMaxBuffers];
    float* fx[kMaxBuffers];
    for (int i = 0; i < out_count_; ++i) out[i] = out_[i] + offset;
    int fx_count = fx_count_;
    if (fx_count == 0 && out_count_ >= 2) {
      // No buffers of their own: reverb and chorus go into the dry output.
      fx_count = 4;
      fx[0] = fx[2] = out[0];
      fx[1] = fx[3] = out[1];
    } else {
      for (int i = 0; i < fx_count; ++i) fx[i] = fx_[i] + offset;
    }
    fluid_synth_process(synth_, count, fx_count, fx, out_count_, out);
  }

 private:
  fluid_synth_t* const synth_;
  const int out_count_;
  float** const out_;
  const int fx_count_;
  float** const fx_;
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
  if (parts.driver == nullptr && SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
    // FluidSynth's SDL2 driver expects the application to have started SDL's audio.
    parts.sdl_audio = true;
    fluid_settings_setstr(parts.settings, "audio.driver", "sdl2");
    parts.driver = new_fluid_audio_driver2(parts.settings, &FluidSynthSink::DevicePull, this);
  }
  if (parts.driver == nullptr) {
    ReportProblem("MIDI: no audio device for FluidSynth; MIDI music stays silent");
    return false;
  }
  return true;
}

int FluidSynthSink::DevicePull(void* data, int frames, int fx_count, float* fx[], int out_count, float* out[]) {
  auto* sink = static_cast<FluidSynthSink*>(data);
  Output output(sink->parts_->synth, out_count, out, fx_count, fx);
  sink->timeline_.Pull(MicrosecondsOf(sink->clock_), frames, output);
  return FLUID_OK;
}

void FluidSynthSink::Pull(int frames, float* left, float* right) {
  std::fill(left, left + frames, 0.0f);
  std::fill(right, right + frames, 0.0f);
  float* out[2] = {left, right};
  Output output(parts_->synth, 2, out, 0, nullptr);
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
