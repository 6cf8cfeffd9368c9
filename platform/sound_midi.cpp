// MIDI streams: FluidSynth renders a song with the chosen sound font into a 16-bit stereo wave,
// which becomes an ordinary stream of the installed sound backend. A song in a form FluidSynth's
// reader refuses is rewritten first (fluidsynth_song.h).
#include "platform/sound_midi.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/diagnostics.h"
#include "platform/files.h"
#include "platform/fluidsynth_sink.h"
#include "platform/fluidsynth_song.h"

namespace platform {
namespace {

constexpr int kDefaultFrequency = 44100;
constexpr int kBlockFrames = 64;  // FluidSynth renders in blocks of 64 frames

std::mutex g_mutex;
std::map<HSOUNDFONT, std::string> g_fonts;  // handle -> native path
HSOUNDFONT g_next_font = 1;
HSOUNDFONT g_default_font = 0;

void PutLe16(std::vector<uint8_t>& out, uint32_t v) { out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8)}); }
void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
  out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
}

// The 44-byte header of a 16-bit stereo wave of `data_bytes` bytes.
void WaveHeader(std::vector<uint8_t>& out, uint32_t frequency, uint32_t data_bytes) {
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  PutLe32(out, 36 + data_bytes);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  PutLe32(out, 16);
  PutLe16(out, 1);  // PCM
  PutLe16(out, 2);  // stereo
  PutLe32(out, frequency);
  PutLe32(out, frequency * 4);
  PutLe16(out, 4);
  PutLe16(out, 16);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  PutLe32(out, data_bytes);
}

// The font a new stream is rendered with: the default set by the caller, else the system's.
std::string FontForNewStream() {
  std::lock_guard lock(g_mutex);
  auto found = g_fonts.find(g_default_font);
  return found != g_fonts.end() ? found->second : std::string(FluidSynthSink::kDefaultSoundFont);
}

MidiRenderListener& ListenerSlot() {
  static MidiRenderListener listener;
  return listener;
}

MidiRenderListener RenderListener() {
  std::lock_guard lock(g_mutex);
  return ListenerSlot();
}

// FluidSynth's objects for one rendering, released together.
struct Renderer {
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  fluid_player_t* player = nullptr;
  uint64_t frames = 0;          // rendered so far
  MidiRenderListener listener;  // told each message the player plays, when set
  ~Renderer() {
    if (player != nullptr) delete_fluid_player(player);
    if (synth != nullptr) delete_fluid_synth(synth);
    if (settings != nullptr) delete_fluid_settings(settings);
  }

  // The player's messages on their way to the synthesiser, told to the listener with the frame
  // they sound from.
  static int Play(void* data, fluid_midi_event_t* event) {
    auto* self = static_cast<Renderer*>(data);
    const auto type = static_cast<uint32_t>(fluid_midi_event_get_type(event));
    uint32_t message = type < 0x80 ? 0xFF | type << 8 : type;  // a meta event (a tempo) as 0xFF and its type
    if (type == 0xE0) {  // the pitch bend's two data bytes are one value of 14 bits
      const auto pitch = static_cast<uint32_t>(fluid_midi_event_get_pitch(event));
      message |= static_cast<uint32_t>(fluid_midi_event_get_channel(event)) | (pitch & 0x7F) << 8 | (pitch >> 7) << 16;
    } else if (type >= 0x80 && type < 0xF0) {
      message |= static_cast<uint32_t>(fluid_midi_event_get_channel(event)) |
                 static_cast<uint32_t>(fluid_midi_event_get_key(event)) << 8;
      // Program change and channel pressure have one data byte.
      if ((type & 0xE0) != 0xC0) message |= static_cast<uint32_t>(fluid_midi_event_get_velocity(event)) << 16;
    }
    self->listener(message, self->frames);
    return fluid_synth_handle_midi_event(self->synth, event);
  }
};

// Renders the song into a wave; false (with a line) when it cannot be.
bool RenderSong(const uint8_t* song, size_t length, uint32_t frequency, std::vector<uint8_t>* wave) {
  const std::string font = FontForNewStream();
  Renderer r;
  r.settings = new_fluid_settings();
  if (r.settings == nullptr) return false;
  // The player keeps time by the samples rendered, not by the clock, so a song renders at once.
  fluid_settings_setstr(r.settings, "player.timing-source", "sample");
  fluid_settings_setint(r.settings, "synth.lock-memory", 0);
  fluid_settings_setint(r.settings, "synth.dynamic-sample-loading", 1);
  fluid_settings_setnum(r.settings, "synth.sample-rate", frequency);
  r.synth = new_fluid_synth(r.settings);
  if (r.synth == nullptr) return false;
  if (fluid_synth_sfload(r.synth, font.c_str(), 1) == FLUID_FAILED) {
    ReportProblem("MIDI stream: sound font %s cannot be loaded", font.c_str());
    return false;
  }
  // SMPTE time, F7 packets and chunks of other kinds, which FluidSynth's reader refuses, are
  // rewritten first.
  std::vector<uint8_t> rewritten;
  std::string why;
  switch (SongForFluidSynth({song, length}, &rewritten, &why)) {
    case FluidSynthSongForm::kAsItIs:
      break;
    case FluidSynthSongForm::kRewritten:
      song = rewritten.data();
      length = rewritten.size();
      break;
    case FluidSynthSongForm::kRefused:
      ReportProblem("MIDI stream: the song cannot be played: %s", why.c_str());
      return false;
  }
  r.player = new_fluid_player(r.synth);
  if (r.player == nullptr || fluid_player_add_mem(r.player, song, length) != FLUID_OK) {
    ReportProblem("MIDI stream: the song cannot be played");
    return false;
  }
  r.listener = RenderListener();
  if (r.listener) fluid_player_set_playback_callback(r.player, &Renderer::Play, &r);
  if (fluid_player_play(r.player) != FLUID_OK) {
    ReportProblem("MIDI stream: the song cannot be played");
    return false;
  }
  // The wave is held to what one sound may take (kMaxSoundBytes, 16-bit stereo) as well as to
  // its length: rendering stops at the first block past either.
  const uint64_t max_frames = std::min<uint64_t>(uint64_t{kMaxMidiStreamSeconds} * frequency, kMaxSoundBytes / 4);
  wave->assign(44, 0);  // the header, once the length is known
  int16_t block[kBlockFrames * 2];
  // The song ends with its last tick: the player would go on while released notes fade.
  auto song_over = [&] {
    const int total = fluid_player_get_total_ticks(r.player);
    return fluid_player_get_status(r.player) != FLUID_PLAYER_PLAYING ||
           (total > 0 && fluid_player_get_current_tick(r.player) >= total);
  };
  while (!song_over()) {
    if (r.frames >= max_frames) {
      ReportProblem("MIDI stream: a song longer than %llu seconds is refused",
                    static_cast<unsigned long long>(max_frames / frequency));
      return false;
    }
    if (fluid_synth_write_s16(r.synth, kBlockFrames, block, 0, 2, block, 1, 2) != FLUID_OK) return false;
    for (int16_t sample : block) PutLe16(*wave, static_cast<uint16_t>(sample));
    r.frames += kBlockFrames;
  }
  // A song FluidSynth could not read has no ticks (and one of no length has nothing to play).
  if (r.frames == 0 || fluid_player_get_total_ticks(r.player) <= 0) {
    ReportProblem("MIDI stream: the song holds nothing to play");
    return false;
  }
  std::vector<uint8_t> header;
  WaveHeader(header, frequency, static_cast<uint32_t>(r.frames * 4));
  std::copy(header.begin(), header.end(), wave->begin());
  return true;
}

}  // namespace

void SetMidiRenderListener(MidiRenderListener listener) {
  std::lock_guard lock(g_mutex);
  ListenerSlot() = std::move(listener);
}

bool BASS_MIDI_Available() {
  fluid_settings_t* settings = new_fluid_settings();
  if (settings == nullptr) return false;
  delete_fluid_settings(settings);
  return true;
}

HSOUNDFONT BASS_MIDI_FontInit(const char* path, uint32_t) {
  if (path == nullptr) return 0;
  const std::string native = NativePath(path);
  // An SF2 file is a RIFF file of the form "sfbk".
  FILE* file = std::fopen(native.c_str(), "rb");
  if (file == nullptr) return 0;
  char head[12] = {};
  const size_t read = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  if (read != sizeof head || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "sfbk", 4) != 0) {
    ReportProblem("MIDI stream: %s is no sound font", native.c_str());
    return 0;
  }
  std::lock_guard lock(g_mutex);
  const HSOUNDFONT handle = g_next_font++;
  g_fonts[handle] = native;
  return handle;
}

bool BASS_MIDI_FontFree(HSOUNDFONT font) {
  std::lock_guard lock(g_mutex);
  if (g_default_font == font) g_default_font = 0;
  return g_fonts.erase(font) == 1;
}

bool BASS_MIDI_StreamSetFonts(HSTREAM handle, const BASS_MIDI_FONT* fonts, uint32_t count) {
  if (handle != 0) {
    ReportProblem("MIDI stream: fonts are set for new streams only");
    return false;
  }
  std::lock_guard lock(g_mutex);
  if (count == 0 || fonts == nullptr) {
    g_default_font = 0;
    return true;
  }
  if (g_fonts.count(fonts[0].font) == 0) return false;
  g_default_font = fonts[0].font;
  return true;
}

HSTREAM BASS_MIDI_StreamCreateFile(bool mem, const void* data, uint64_t offset, uint64_t length, uint32_t flags,
                                   uint32_t frequency) {
  if (!mem || data == nullptr || length == 0) return 0;
  std::vector<uint8_t> wave;
  if (!RenderSong(static_cast<const uint8_t*>(data) + offset, length, frequency == 0 ? kDefaultFrequency : frequency,
                  &wave)) {
    return 0;
  }
  return BASS_StreamCreateFile(true, wave.data(), 0, wave.size(), flags, SoundFileType::kWav);
}

}  // namespace platform
