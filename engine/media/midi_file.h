// Standard MIDI files: the header, the track chunks and the events read from them one by one.
//
// Everything in the file is big-endian. A track is read in place: it keeps offsets into the
// file's bytes, which the caller keeps alive. Every length read from the file is checked
// against the bytes that are really there before it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace engine {

struct MidiTrack {
  static constexpr uint32_t kEnded = 0x1;  // its end-of-track event or last byte was read, or it is empty

  uint32_t flags = 0;
  uint32_t length = 0;     // bytes of track data
  size_t start = 0;        // offset of the first data byte in the file
  size_t cursor = 0;       // offset of the next unread byte
  uint32_t next_time = 0;  // absolute tick time of the next event
  uint8_t running_status = 0;

  bool Ended() const { return (flags & kEnded) != 0; }
  size_t End() const { return start + length; }
};

struct MidiEvent {
  uint32_t time = 0;                // absolute ticks
  uint8_t bytes[4] = {0, 0, 0, 0};  // status, data 1 (a meta event's type), data 2, 0
  uint32_t length = 0;              // 1 + data bytes of a channel message, else the data's length
  std::vector<uint8_t> data;        // a SysEx's or meta event's data

  uint8_t Status() const { return bytes[0]; }
};

struct MidiFileHeader {
  uint32_t format = 0;
  uint32_t track_count = 0;
  uint32_t division = 0;  // ticks per quarter note (or SMPTE with bit 15)
  std::vector<MidiTrack> tracks;
};

// Reads the header and finds every track chunk (skipping chunks of other kinds, as the format
// asks); each track is positioned at its first event
// with its first delta time read. False, with the reason in why, when the file is not a MIDI
// file or a chunk claims more bytes than the file holds.
bool ReadMidiFileHeader(std::span<const uint8_t> file, MidiFileHeader* header, std::string* why);

// A variable-length quantity at the track's cursor: at most four bytes, all inside the track.
bool ReadVariableLength(std::span<const uint8_t> file, MidiTrack& track, uint32_t* value);

// Reads the track's next event and its following delta time (none after the track's last byte:
// a track without its end-of-track event ends there). On failure, error_text is the reason (null
// for failures that have none to give).
bool ReadMidiEvent(std::span<const uint8_t> file, MidiTrack& track, MidiEvent* event, const char** error_text);

// Puts the track back at its first event.
void RewindMidiTrack(std::span<const uint8_t> file, MidiTrack& track);

// Which track's event comes next when the tracks are merged: the one whose next event is the
// earliest, the first in file order on ties. The tracks not ended stand in a heap keyed on
// (next time, place in the file), so each event costs a few comparisons however many tracks
// the song has.
class MidiTrackMerge {
 public:
  // Takes in every track not ended, as the tracks stand now (after a load or a rewind).
  void Reset(const std::vector<MidiTrack>& tracks);
  // The track to read next; false when every track has ended.
  bool Next(uint32_t* track) const;
  // After the track Next gave has been read: it takes its place again by its new next time,
  // or leaves when it has ended.
  void Advanced(const std::vector<MidiTrack>& tracks);

  // Comparisons of two tracks made so far (for tests).
  uint64_t Comparisons() const { return comparisons_; }

 private:
  bool Before(const std::vector<MidiTrack>& tracks, uint32_t a, uint32_t b);
  void SiftDown(const std::vector<MidiTrack>& tracks, size_t at);

  std::vector<uint32_t> heap_;  // track indexes, the earliest at the front
  uint64_t comparisons_ = 0;
};

}  // namespace engine
