// What the MIDI fuzz targets do with one input. Shared with the regression test that replays
// the inputs kept under tests/data/fuzz, so a crash found once stays fixed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/media/midi_file.h"
#include "engine/media/midi_stream_player.h"
#include "platform/clock.h"
#include "platform/fluidsynth_song.h"
#include "platform/midi_recorder.h"
#include "platform/midi_sink.h"

namespace fuzz {

// Reads every event of every track, rewinds each track and reads its first event again.
inline void ParseMidi(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> file(data, size);
  engine::MidiFileHeader header;
  std::string why;
  if (!engine::ReadMidiFileHeader(file, &header, &why)) return;
  engine::MidiEvent event;
  const char* error_text = nullptr;
  for (engine::MidiTrack& track : header.tracks) {
    // Every event takes at least one byte of the track, so this ends within its length.
    while (engine::ReadMidiEvent(file, track, &event, &error_text)) {
    }
    engine::RewindMidiTrack(file, track);
    engine::ReadMidiEvent(file, track, &event, &error_text);
  }
}

// Rewrites the song for FluidSynth's reader; a song rewritten must read whole, every track to its
// end-of-track event, and need no second rewrite.
inline void RewriteMidiForFluidSynth(const uint8_t* data, size_t size) {
  std::vector<uint8_t> song;
  std::string why;
  if (platform::SongForFluidSynth({data, size}, &song, &why) != platform::FluidSynthSongForm::kRewritten) return;
  engine::MidiFileHeader header;
  if (!engine::ReadMidiFileHeader(song, &header, &why)) __builtin_trap();
  engine::MidiEvent event;
  const char* error_text = nullptr;
  for (engine::MidiTrack& track : header.tracks) {
    while (engine::ReadMidiEvent(song, track, &event, &error_text)) {
    }
    if (!track.Ended() || error_text != nullptr) __builtin_trap();
  }
  std::vector<uint8_t> again;
  if (platform::SongForFluidSynth(song, &again, &why) != platform::FluidSynthSongForm::kAsItIs) __builtin_trap();
}

// Loads the song into a stream player that plays into a recorder on a manual clock, then plays
// it for a few hundred milliseconds: loading fills both stream buffers, and every buffer the
// device gives back is filled again. The song loops when the input's last byte is odd (bytes
// after the last track are not read), so that the rewind is reached too.
inline void PlayMidi(const uint8_t* data, size_t size) {
  platform::ScopedManualClock clock;
  platform::MidiRecorder recorder;
  platform::SetMidiMapperSink(&recorder);
  {
    engine::MidiStreamPlayer player;
    if (player.Load(data, size, nullptr) == 1) {
      player.SetTempoPercent(400);
      player.Play(size > 0 && (data[size - 1] & 1) != 0);
      player.WaitUntilSettled();
      for (int i = 0; i < 40; ++i) {
        clock->Advance(10);
        player.WaitUntilSettled();
      }
      player.Stop(false);
    }
  }
  platform::SetMidiMapperSink(nullptr);
}

}  // namespace fuzz
