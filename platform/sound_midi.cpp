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
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/audio_quiet.h"
#include "platform/decode_budget.h"
#include "platform/diagnostics.h"
#include "platform/files.h"
#include "platform/fluidsynth_sink.h"
#include "platform/fluidsynth_song.h"

namespace platform {
namespace {

constexpr uint32_t kDefaultFrequency = 44100;
constexpr uint32_t kMinFrequency = 8000;  // FluidSynth's sample rates
constexpr uint32_t kMaxFrequency = 96000;
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

// What making a stream may spend beyond its song and wave: work units (decode_budget.h) of a
// block rendered with no voice, and of each voice in it (about a nanosecond a unit: a block costs
// FluidSynth some 5 us, and 1.5 us more a voice), and of FluidSynth reading and playing an event.
constexpr uint64_t kBlockWork = 8192;
constexpr uint64_t kVoiceBlockWork = 2048;
constexpr uint64_t kMostVoices = 256;  // FluidSynth's polyphony
constexpr uint64_t kFluidEventWork = 64;
// Memory FluidSynth holds for each event of the song it reads (its event record and the
// allocator's share), besides its copy of the song and of each SysEx's data.
constexpr uint64_t kFluidEventBytes = 64;
// What a stream may take for each byte of its file: the song written anew (a few bytes more an
// event of two bytes or more), FluidSynth's copy of it, and its records of the events.
constexpr uint64_t kMemoryPerSongByte = 48;
// Work a byte of the file allows: reading it twice and writing it, and FluidSynth reading and
// playing its events (32 units or more an event of two bytes or more, each).
constexpr uint64_t kWorkPerSongByte = 256;

thread_local MidiStreamMaking g_last_making;

// FluidSynth's objects for one rendering, released together.
struct Renderer {
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  fluid_player_t* player = nullptr;
  DecodeBudget* budget = nullptr;
  MidiStreamMaking* making = nullptr;
  uint64_t frames = 0;          // rendered so far
  bool out_of_budget = false;   // playing an event found the budget spent
  MidiRenderListener listener;  // told each message the player plays, when set
  ~Renderer() {
    if (player != nullptr) delete_fluid_player(player);
    if (synth != nullptr) delete_fluid_synth(synth);
    if (settings != nullptr) delete_fluid_settings(settings);
  }

  // The player's messages on their way to the synthesiser, counted, and told to the listener
  // with the frame they sound from.
  static int Play(void* data, fluid_midi_event_t* event) {
    auto* self = static_cast<Renderer*>(data);
    ++self->making->played;
    if (!self->budget->Spend(kFluidEventWork)) self->out_of_budget = true;
    if (self->listener) self->listener(MessageOf(event), self->frames);
    return fluid_synth_handle_midi_event(self->synth, event);
  }

  // status | data 1 << 8 | data 2 << 16; a SysEx as 0xF0.
  static uint32_t MessageOf(fluid_midi_event_t* event) {
    const auto type = static_cast<uint32_t>(fluid_midi_event_get_type(event));
    uint32_t message = type < 0x80 ? 0xFF | type << 8 : type;  // a meta event as 0xFF and its type
    if (type == 0xE0) {  // the pitch bend's two data bytes are one value of 14 bits
      const auto pitch = static_cast<uint32_t>(fluid_midi_event_get_pitch(event));
      message |= static_cast<uint32_t>(fluid_midi_event_get_channel(event)) | (pitch & 0x7F) << 8 | (pitch >> 7) << 16;
    } else if (type >= 0x80 && type < 0xF0) {
      message |= static_cast<uint32_t>(fluid_midi_event_get_channel(event)) |
                 static_cast<uint32_t>(fluid_midi_event_get_key(event)) << 8;
      // Program change and channel pressure have one data byte.
      if ((type & 0xE0) != 0xC0) message |= static_cast<uint32_t>(fluid_midi_event_get_velocity(event)) << 16;
    }
    return message;
  }
};

// Tells what the stream's making did when it ends, however it ends.
struct MakingRecord {
  MidiStreamMaking making;
  ~MakingRecord() { g_last_making = making; }
};

// Renders the song into a wave; false (with a line) when it cannot be.
//
// The song is read first for its claim: its length from its tempo map, and what it holds. A song
// longer than the longest stream is refused there, before anything else is done. The stream's one
// budget is set from the claim (the file's bytes and the wave its length makes) and everything
// after draws on it: the song written anew, FluidSynth's copy and records of it, the wave, and
// every block and event rendered. FluidSynth renders the song written anew, in which a tick is a
// millisecond (fluidsynth_song.h): it ends at the first block past its last tick.
bool RenderSong(const uint8_t* data, size_t length, uint32_t frequency, std::vector<uint8_t>* wave) {
  MakingRecord record;
  if (frequency < kMinFrequency || frequency > kMaxFrequency) {
    ReportProblem("MIDI stream: a frequency of %u Hz is refused", frequency);
    return false;
  }
  // The wave is held to what one sound may take (kMaxSoundBytes, 16-bit stereo) as well as to its
  // length; it runs a millisecond and two blocks past the song's last tick at most.
  const uint64_t max_frames = std::min<uint64_t>(uint64_t{kMaxMidiStreamSeconds} * frequency, kMaxSoundBytes / 4);
  const uint64_t end_frames = frequency / 1000 + 1 + 2 * kBlockFrames;
  const uint64_t max_us = (max_frames - end_frames) * 1000000 / frequency;
  const std::span<const uint8_t> file(data, length);
  FluidSynthSong song;
  std::string why;
  const FluidSynthSongReading claim = ReadSongForFluidSynth(file, max_us, false, &song, &why);
  const uint64_t wave_frames =
      std::min(max_frames, uint64_t{song.ticks} * frequency / kFluidSynthSongTicksPerSecond + end_frames);
  const uint64_t wave_bytes = 44 + wave_frames * 4;
  const uint64_t blocks = wave_frames / kBlockFrames + 1;
  DecodeBudget budget(DecodeBudget::kBaseMemoryBytes + kMemoryPerSongByte * length + wave_bytes,
                      DecodeBudget::kBaseWork + kWorkPerSongByte * length +
                          blocks * (kBlockWork + kMostVoices * kVoiceBlockWork));
  ScopedDecodeBudget scope(&budget);
  DecodeBudget& spend = *scope.budget();
  spend.Spend(song.work);
  switch (claim) {
    case FluidSynthSongReading::kRead:
      break;
    case FluidSynthSongReading::kTooLong:
      ReportProblem("MIDI stream: a song longer than %llu seconds is refused",
                    static_cast<unsigned long long>(max_us / 1000000));
      return false;
    case FluidSynthSongReading::kRefused:
      ReportProblem("MIDI stream: the song cannot be played: %s", why.c_str());
      return false;
  }
  // One of no length has nothing to play.
  if (song.ticks == 0) {
    ReportProblem("MIDI stream: the song holds nothing to play");
    return false;
  }

  const std::string font = FontForNewStream();
  SilenceAudioLibraryMessages();
  Renderer r;
  r.budget = &spend;
  r.making = &record.making;
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

  // The song written anew, and FluidSynth's copy of it, which it reads into records of its own.
  if (ReadSongForFluidSynth(file, max_us, true, &song, &why) != FluidSynthSongReading::kRead) {
    ReportProblem("MIDI stream: the song cannot be played: %s", why.c_str());
    return false;
  }
  record.making.events = song.events;
  const uint64_t held = song.bytes.size() + song.events * kFluidEventBytes + song.sysex_bytes;
  if (!spend.Take(held) || !spend.Spend(song.events * kFluidEventWork)) {
    ReportProblem("MIDI stream: the song cannot be played: %s", spend.problem());
    return false;
  }
  r.player = new_fluid_player(r.synth);
  if (r.player == nullptr || fluid_player_add_mem(r.player, song.bytes.data(), song.bytes.size()) != FLUID_OK) {
    ReportProblem("MIDI stream: the song cannot be played");
    return false;
  }
  spend.Give(song.bytes.capacity());
  std::vector<uint8_t>().swap(song.bytes);
  r.listener = RenderListener();
  fluid_player_set_playback_callback(r.player, &Renderer::Play, &r);
  if (fluid_player_play(r.player) != FLUID_OK) {
    ReportProblem("MIDI stream: the song cannot be played");
    return false;
  }

  if (!spend.Take(wave_bytes)) {
    ReportProblem("MIDI stream: the song cannot be played: %s", spend.problem());
    return false;
  }
  wave->reserve(wave_bytes);
  wave->assign(44, 0);  // the header, once the length is known
  int16_t block[kBlockFrames * 2];
  // The song ends with its last tick: the player would go on while released notes fade. Each
  // look is a few reads: nothing that grows with the song.
  auto song_over = [&] {
    return fluid_player_get_status(r.player) != FLUID_PLAYER_PLAYING ||
           fluid_player_get_current_tick(r.player) >= static_cast<int>(song.ticks);
  };
  while (!song_over()) {
    if (r.frames + kBlockFrames > wave_frames) {
      ReportProblem("MIDI stream: the song cannot be played: it plays on past its end");
      return false;
    }
    const uint64_t voices = static_cast<uint64_t>(std::max(fluid_synth_get_active_voice_count(r.synth), 0));
    if (!spend.Spend(kBlockWork + voices * kVoiceBlockWork) || r.out_of_budget) {
      ReportProblem("MIDI stream: the song cannot be played: %s", spend.problem());
      return false;
    }
    if (fluid_synth_write_s16(r.synth, kBlockFrames, block, 0, 2, block, 1, 2) != FLUID_OK) return false;
    ++record.making.blocks;
    for (int16_t sample : block) PutLe16(*wave, static_cast<uint16_t>(sample));
    r.frames += kBlockFrames;
  }
  // A song FluidSynth could not read stops before its end.
  if (fluid_player_get_current_tick(r.player) < static_cast<int>(song.ticks)) {
    ReportProblem("MIDI stream: the song cannot be played: the synthesiser stopped at tick %d of %u",
                  fluid_player_get_current_tick(r.player), song.ticks);
    return false;
  }
  std::vector<uint8_t> header;
  WaveHeader(header, frequency, static_cast<uint32_t>(r.frames * 4));
  std::copy(header.begin(), header.end(), wave->begin());
  return true;
}

}  // namespace

MidiStreamMaking LastMidiStreamMaking() { return g_last_making; }

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
