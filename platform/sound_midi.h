// MIDI streams: a MIDI file held in memory becomes a sound channel like any other, played,
// paused and stopped through the BASS_ calls of sound_channel.h, with sound fonts chosen by the
// caller.
//
// This is the stand-in for the BASSMIDI add-on, under the names of its calls. FluidSynth renders
// the whole song with the default sound font into a wave in memory when the stream is made; the
// installed sound backend plays that wave (so tests on the null backend see the song's length).
// The song is read and written anew first (fluidsynth_song.h): its length is known before
// anything is rendered, so a song longer than a stream may be is refused at once, and songs of
// SMPTE time, F7 packets, chunks of other kinds or 128 tracks and more, which FluidSynth's own
// reader refuses, play too. Making a stream draws on one budget (decode_budget.h) set from the
// song's bytes and its length: the song written anew, what FluidSynth holds of it, the wave, and
// every block and event rendered.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/sound_channel.h"

namespace platform {

using HSOUNDFONT = uint32_t;

// One entry of a stream's font list: the font, its preset (-1: all) and bank.
struct BASS_MIDI_FONT {
  HSOUNDFONT font = 0;
  int preset = -1;
  int bank = 0;
};

// The longest song a stream is made of (its rendered wave stays in memory): the longest sound,
// and no more than one sound may take (kMaxSoundBytes of 16-bit stereo: 47.5 s at 44100 Hz).
inline constexpr uint32_t kMaxMidiStreamSeconds = kMaxSoundSeconds;

// For tests: told each message FluidSynth's player plays while a stream's song is rendered
// (status | data 1 << 8 | data 2 << 16; a SysEx as 0xF0) with the frame of the wave it sounds
// from; an empty one stops the telling.
using MidiRenderListener = std::function<void(uint32_t message, uint64_t frame)>;
void SetMidiRenderListener(MidiRenderListener listener);

// What making the last stream on this thread did, made or refused (tests hold its cost by it):
// the events of the song FluidSynth was given, the blocks of 64 frames rendered, the events
// played.
struct MidiStreamMaking {
  uint64_t events = 0;
  uint64_t blocks = 0;
  uint64_t played = 0;
};
MidiStreamMaking LastMidiStreamMaking();

// Whether MIDI streams can be made here (the stand-in for finding and loading the add-on).
bool BASS_MIDI_Available();

// A sound font from an SF2 file (path GBK); 0 when the file is no sound font.
HSOUNDFONT BASS_MIDI_FontInit(const char* path, uint32_t flags);
bool BASS_MIDI_FontFree(HSOUNDFONT font);
// handle 0 sets the default fonts of the streams made from now on (the first entry is used;
// without one, the General MIDI font of the system). Other handles are refused: a stream's song
// is rendered when it is made.
bool BASS_MIDI_StreamSetFonts(HSTREAM handle, const BASS_MIDI_FONT* fonts, uint32_t count);
// A stream of a standard MIDI file; mem must be true. frequency 0 renders at 44100 Hz (8000 to
// 96000 Hz are rendered). 0 when the bytes are not a song that can be played, or the sound device
// is not open.
HSTREAM BASS_MIDI_StreamCreateFile(bool mem, const void* data, uint64_t offset, uint64_t length, uint32_t flags,
                                   uint32_t frequency);

}  // namespace platform
