// Builds standard MIDI files in memory for tests: tracks of events written byte by byte.
#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <vector>

namespace test_support {

class MidiTrackBuilder {
 public:
  // An event after delta ticks, its bytes as they stand in the file (status may be left out
  // for running status).
  MidiTrackBuilder& Event(uint32_t delta, std::initializer_list<uint8_t> bytes);
  MidiTrackBuilder& Tempo(uint32_t delta, uint32_t microseconds_per_quarter);
  MidiTrackBuilder& Meta(uint32_t delta, uint8_t type, std::vector<uint8_t> data);
  MidiTrackBuilder& SysEx(uint32_t delta, std::vector<uint8_t> data);
  MidiTrackBuilder& End(uint32_t delta = 0);
  // Bytes appended as they are, for broken tracks.
  MidiTrackBuilder& Raw(std::initializer_list<uint8_t> bytes);

  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  void Delta(uint32_t delta);
  std::vector<uint8_t> bytes_;
};

class MidiFileBuilder {
 public:
  MidiFileBuilder(uint16_t format, uint16_t division) : format_(format), division_(division) {}
  MidiTrackBuilder& AddTrack();
  std::vector<uint8_t> Bytes() const;

 private:
  uint16_t format_;
  uint16_t division_;
  std::deque<MidiTrackBuilder> tracks_;  // a deque: earlier tracks stay where they are
};

// The variable-length quantity of a value.
std::vector<uint8_t> VariableLength(uint32_t value);

}  // namespace test_support
