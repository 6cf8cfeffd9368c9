// Standard MIDI files in a form FluidSynth's file player reads.
//
// FluidSynth's reader refuses three things that other readers play: SMPTE time division (frames
// a second and ticks a frame), F7 packets (a SysEx sent in pieces, or escaped bytes) and chunks
// of other kinds before a track. A song with any is written anew in memory, the same events at
// the same times:
// - SMPTE time of f frames a second and t ticks a frame becomes f x t ticks a quarter note at a
//   tempo of 10^6 us a quarter note, which gives a tick the same length exactly (29.97 frames a
//   second: 30 x t ticks at 1001000 us), each tick cut in whole parts to a millisecond at most.
//   The song's own tempo events go: SMPTE time ignores them.
// - F7 packets go, and so does a SysEx that does not end in F7 (the first piece of one sent in
//   pieces): the synthesiser would take a piece for a whole message.
// - Chunks of other kinds are left out; every event is written with its status byte, and a
//   track that ends without its end-of-track event gets one.
// Every other song goes to FluidSynth as it is. Each length is checked against the bytes there.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform {

enum class FluidSynthSongForm {
  kAsItIs,     // FluidSynth reads the song as it is (or judges it itself)
  kRewritten,  // the song to play is in rewritten
  kRefused,    // the song needs rewriting but cannot be read: why says where
};

FluidSynthSongForm SongForFluidSynth(std::span<const uint8_t> song, std::vector<uint8_t>* rewritten, std::string* why);

}  // namespace platform
