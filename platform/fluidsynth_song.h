// Standard MIDI files in the one form FluidSynth's file player is given.
//
// Every song is read here first, and FluidSynth's reader only ever sees a song written anew from
// it: one track holding the channel messages and whole SysEx messages of every track merged in
// time order (the first track first on ties), each at its time from the song's own tempo map (or
// SMPTE time) on a grid of milliseconds, and an end-of-track event where the longest track ends.
// The grid is 500 ticks a quarter note at FluidSynth's default tempo of 500000 us, so a tick is a
// millisecond, the step of the player's own clock. So:
// - the song's length is known before anything is rendered, and a song longer than the caller
//   allows is refused as soon as its reading passes that length;
// - the player has one track to walk a block, however many the song had (it holds 128 at most),
//   no tempo events to drift on (it applies each at the block it falls in), and nothing its
//   reader refuses (SMPTE time, F7 packets, chunks of other kinds, meta events of odd lengths);
// - the song written holds at most one event for each of the file's, a few bytes longer each at
//   most: its size is bounded by the file's.
// Left out: meta events (the tempo is in the times; the rest plays nothing), F7 packets, and a
// SysEx that does not end in F7 (the first piece of one sent in pieces: the synthesiser would take
// a piece for a whole message). Data bytes keep their 7 bits. A tempo event of fewer than three
// bytes or of tempo 0 is skipped, as the stream player skips it; SMPTE time ignores tempo. A track
// ends at its end-of-track event (what follows is not read) or at its last event.
// Refused, with the reason: no MIDI header, a time division of 0 or an SMPTE division without a
// frame rate or ticks, a chunk that claims more bytes than the song holds, a track missing, a
// track that breaks off inside an event, a system message (which has no place in a file).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform {

// Ticks a second of the song FluidSynth is given.
inline constexpr uint32_t kFluidSynthSongTicksPerSecond = 1000;

struct FluidSynthSong {
  std::vector<uint8_t> bytes;  // the song FluidSynth is given (written only when asked)
  uint64_t size = 0;           // its bytes (counted also when not written)
  uint64_t length_us = 0;      // to the end of its longest track
  uint32_t ticks = 0;          // the same on the grid: where its end-of-track event stands
  uint64_t events = 0;         // events in bytes: channel messages, SysEx and the end of track
  uint64_t sysex_bytes = 0;    // data bytes of those SysEx messages
  uint64_t tracks = 0;         // tracks of the file
  uint64_t work = 0;           // units of work the reading took (decode_budget.h)
};

enum class FluidSynthSongReading {
  kRead,
  kRefused,  // why says why
  kTooLong,  // longer than max_us
};

// Reads the song, and with write also writes it anew into song->bytes. Reading alone takes
// memory in proportion to the file's tracks and nothing else: it is what a stream's claim comes
// from. Writing draws its memory and work on CurrentDecodeBudget() as well when there is one, and
// is refused with the budget's reason when that runs out; the capacity of song->bytes stays taken
// from it, for the caller to give back when it lets the bytes go.
FluidSynthSongReading ReadSongForFluidSynth(std::span<const uint8_t> file, uint64_t max_us, bool write,
                                            FluidSynthSong* song, std::string* why);

}  // namespace platform
