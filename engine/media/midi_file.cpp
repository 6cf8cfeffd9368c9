// Standard MIDI file reading, bounded by the track and the file at every byte.
#include "engine/media/midi_file.h"

#include <cstring>
#include <utility>

namespace engine {

namespace {

constexpr size_t kHeaderBytes = 14;      // "MThd", length 6, format, tracks, division
constexpr size_t kChunkHeaderBytes = 8;  // id and length
constexpr int kMaxVariableLengthBytes = 4;

uint32_t BigEndian32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

uint32_t BigEndian16(const uint8_t* p) { return uint32_t{p[0]} << 8 | p[1]; }

bool TakeByte(std::span<const uint8_t> file, MidiTrack& track, uint8_t* byte) {
  if (track.cursor >= track.End() || track.cursor >= file.size()) return false;
  *byte = file[track.cursor++];
  return true;
}

// Copies length bytes of SysEx or meta data, checking first that the track holds them.
bool TakeData(std::span<const uint8_t> file, MidiTrack& track, uint32_t length, MidiEvent* event) {
  const size_t left = track.End() - track.cursor;
  if (length > left || track.End() > file.size()) return false;
  event->data.assign(file.begin() + track.cursor, file.begin() + track.cursor + length);
  track.cursor += length;
  return true;
}

// The track's first delta time, or marks an empty track ended.
bool StartTrack(std::span<const uint8_t> file, MidiTrack& track) {
  track.cursor = track.start;
  track.running_status = 0;
  track.next_time = 0;
  track.flags = 0;
  if (track.length == 0) {
    track.flags |= MidiTrack::kEnded;
    return true;
  }
  return ReadVariableLength(file, track, &track.next_time);
}

}  // namespace

bool ReadMidiFileHeader(std::span<const uint8_t> file, MidiFileHeader* header, std::string* why) {
  *header = MidiFileHeader{};
  if (file.size() < kHeaderBytes) {
    *why = "shorter than a MIDI header";
    return false;
  }
  if (std::memcmp(file.data(), "MThd", 4) != 0) {
    *why = "no MThd header";
    return false;
  }
  if (BigEndian32(file.data() + 4) != 6) {
    *why = "header length is not 6";
    return false;
  }
  header->format = BigEndian16(file.data() + 8);
  header->track_count = BigEndian16(file.data() + 10);
  header->division = BigEndian16(file.data() + 12);
  header->tracks.resize(header->track_count);
  size_t at = kHeaderBytes;
  for (uint32_t i = 0; i < header->track_count; ++i) {
    // Chunks of other kinds may stand between the tracks: each is skipped whole.
    for (;;) {
      if (file.size() - at < kChunkHeaderBytes) {
        *why = "track " + std::to_string(i) + " is missing";
        return false;
      }
      if (std::memcmp(file.data() + at, "MTrk", 4) == 0) break;
      const uint32_t skip = BigEndian32(file.data() + at + 4);
      if (skip > file.size() - at - kChunkHeaderBytes) {
        *why = "a chunk before track " + std::to_string(i) + " claims more bytes than the file holds";
        return false;
      }
      at += kChunkHeaderBytes + skip;
    }
    MidiTrack& track = header->tracks[i];
    track.length = BigEndian32(file.data() + at + 4);
    track.start = at + kChunkHeaderBytes;
    if (track.length > file.size() - track.start) {
      *why = "track " + std::to_string(i) + " claims more bytes than the file holds";
      return false;
    }
    if (!StartTrack(file, track)) {
      *why = "track " + std::to_string(i) + " has no readable first delta time";
      return false;
    }
    at = track.End();
  }
  return true;
}

bool ReadVariableLength(std::span<const uint8_t> file, MidiTrack& track, uint32_t* value) {
  if (track.Ended()) return false;
  uint32_t result = 0;
  for (int i = 0; i < kMaxVariableLengthBytes; ++i) {
    uint8_t byte;
    if (!TakeByte(file, track, &byte)) return false;
    result = result << 7 | (byte & 0x7F);
    if ((byte & 0x80) == 0) {
      *value = result;
      return true;
    }
  }
  return false;  // a fifth byte would be needed: not a valid quantity
}

bool ReadMidiEvent(std::span<const uint8_t> file, MidiTrack& track, MidiEvent* event, const char** error_text) {
  *error_text = nullptr;
  *event = MidiEvent{};
  uint8_t b;
  if (track.Ended() || !TakeByte(file, track, &b)) return false;

  auto data_bytes_of = [](uint8_t status) { return (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2; };

  if (b < 0x80) {
    // Running status: b is the first data byte of another message of the last status.
    if (track.running_status == 0) {
      *error_text = "Reference to missing running status.";
      return false;
    }
    event->bytes[0] = track.running_status;
    event->bytes[1] = b;
    event->length = 2;
    if (data_bytes_of(track.running_status) == 2) {
      if (!TakeByte(file, track, &event->bytes[2])) return false;
      event->length = 3;
    }
  } else if (b == 0xF0 || b == 0xF7) {
    event->bytes[0] = b;
    uint32_t length;
    if (!ReadVariableLength(file, track, &length)) {
      *error_text = "SysEx event truncated (length)";
      return false;
    }
    if (!TakeData(file, track, length, event)) {
      *error_text = "SysEx event truncated";
      return false;
    }
    event->length = length;
  } else if (b == 0xFF) {
    event->bytes[0] = b;
    if (!TakeByte(file, track, &event->bytes[1])) return false;
    uint32_t length;
    if (!ReadVariableLength(file, track, &length)) {
      *error_text = "Meta event truncated (length)";
      return false;
    }
    if (!TakeData(file, track, length, event)) {
      *error_text = "Meta event truncated";
      return false;
    }
    event->length = length;
    if (event->bytes[1] == 0x2F) track.flags |= MidiTrack::kEnded;
  } else if (b > 0xF0) {
    return false;  // system common and real-time bytes have no place in a file
  } else {
    event->bytes[0] = b;
    track.running_status = b;
    const int count = data_bytes_of(b);
    for (int i = 1; i <= count; ++i) {
      if (!TakeByte(file, track, &event->bytes[i])) return false;
    }
    event->length = count + 1;
  }

  event->time = track.next_time;
  // A track that ends without its end-of-track event ends at its last event.
  if (!track.Ended() && track.cursor == track.End()) track.flags |= MidiTrack::kEnded;
  if (!track.Ended()) {
    uint32_t delta;
    if (!ReadVariableLength(file, track, &delta)) return false;
    track.next_time += delta;
  }
  return true;
}

void RewindMidiTrack(std::span<const uint8_t> file, MidiTrack& track) {
  // The first delta time was read once at load, so it reads again.
  StartTrack(file, track);
}

bool MidiTrackMerge::Before(const std::vector<MidiTrack>& tracks, uint32_t a, uint32_t b) {
  ++comparisons_;
  const uint32_t time_a = tracks[a].next_time;
  const uint32_t time_b = tracks[b].next_time;
  return time_a < time_b || (time_a == time_b && a < b);
}

void MidiTrackMerge::SiftDown(const std::vector<MidiTrack>& tracks, size_t at) {
  const size_t count = heap_.size();
  for (;;) {
    size_t first = at;
    const size_t left = 2 * at + 1;
    if (left < count && Before(tracks, heap_[left], heap_[first])) first = left;
    if (left + 1 < count && Before(tracks, heap_[left + 1], heap_[first])) first = left + 1;
    if (first == at) return;
    std::swap(heap_[at], heap_[first]);
    at = first;
  }
}

void MidiTrackMerge::Reset(const std::vector<MidiTrack>& tracks) {
  heap_.clear();
  for (uint32_t i = 0; i < tracks.size(); ++i) {
    if (!tracks[i].Ended()) heap_.push_back(i);
  }
  for (size_t at = heap_.size() / 2; at-- > 0;) SiftDown(tracks, at);
}

bool MidiTrackMerge::Next(uint32_t* track) const {
  if (heap_.empty()) return false;
  *track = heap_.front();
  return true;
}

void MidiTrackMerge::Advanced(const std::vector<MidiTrack>& tracks) {
  if (heap_.empty()) return;
  // The track at the front has a new next time (or has left): sifting the front down puts
  // the heap in order again, whatever that time is.
  if (tracks[heap_.front()].Ended()) {
    heap_.front() = heap_.back();
    heap_.pop_back();
  }
  if (!heap_.empty()) SiftDown(tracks, 0);
}

}  // namespace engine
