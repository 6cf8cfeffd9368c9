#include "tests/support/midi_file_builder.h"

namespace test_support {

namespace {

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> VariableLength(uint32_t value) {
  std::vector<uint8_t> groups{static_cast<uint8_t>(value & 0x7F)};
  while (value >>= 7) groups.insert(groups.begin(), static_cast<uint8_t>(0x80 | (value & 0x7F)));
  return groups;
}

void MidiTrackBuilder::Delta(uint32_t delta) {
  const std::vector<uint8_t> quantity = VariableLength(delta);
  bytes_.insert(bytes_.end(), quantity.begin(), quantity.end());
}

MidiTrackBuilder& MidiTrackBuilder::Event(uint32_t delta, std::initializer_list<uint8_t> bytes) {
  Delta(delta);
  bytes_.insert(bytes_.end(), bytes);
  return *this;
}

MidiTrackBuilder& MidiTrackBuilder::Tempo(uint32_t delta, uint32_t microseconds_per_quarter) {
  return Meta(delta, 0x51,
              {static_cast<uint8_t>(microseconds_per_quarter >> 16),
               static_cast<uint8_t>(microseconds_per_quarter >> 8), static_cast<uint8_t>(microseconds_per_quarter)});
}

MidiTrackBuilder& MidiTrackBuilder::Meta(uint32_t delta, uint8_t type, std::vector<uint8_t> data) {
  Delta(delta);
  bytes_.push_back(0xFF);
  bytes_.push_back(type);
  const std::vector<uint8_t> length = VariableLength(static_cast<uint32_t>(data.size()));
  bytes_.insert(bytes_.end(), length.begin(), length.end());
  bytes_.insert(bytes_.end(), data.begin(), data.end());
  return *this;
}

MidiTrackBuilder& MidiTrackBuilder::SysEx(uint32_t delta, std::vector<uint8_t> data) {
  Delta(delta);
  bytes_.push_back(0xF0);
  const std::vector<uint8_t> length = VariableLength(static_cast<uint32_t>(data.size()));
  bytes_.insert(bytes_.end(), length.begin(), length.end());
  bytes_.insert(bytes_.end(), data.begin(), data.end());
  return *this;
}

MidiTrackBuilder& MidiTrackBuilder::End(uint32_t delta) { return Meta(delta, 0x2F, {}); }

MidiTrackBuilder& MidiTrackBuilder::Raw(std::initializer_list<uint8_t> bytes) {
  bytes_.insert(bytes_.end(), bytes);
  return *this;
}

MidiTrackBuilder& MidiFileBuilder::AddTrack() { return tracks_.emplace_back(); }

std::vector<uint8_t> MidiFileBuilder::Bytes() const {
  std::vector<uint8_t> out{'M', 'T', 'h', 'd'};
  PutBigEndian(out, 6, 4);
  PutBigEndian(out, format_, 2);
  PutBigEndian(out, static_cast<uint32_t>(tracks_.size()), 2);
  PutBigEndian(out, division_, 2);
  for (const MidiTrackBuilder& track : tracks_) {
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    PutBigEndian(out, static_cast<uint32_t>(track.bytes().size()), 4);
    out.insert(out.end(), track.bytes().begin(), track.bytes().end());
  }
  return out;
}

}  // namespace test_support
