// Recording MIDI sink: a list under a lock.
#include "platform/midi_recorder.h"

#include <algorithm>

namespace platform {

void MidiRecorder::ShortMessage(uint32_t message, int64_t due_us, int64_t handed_us, uint64_t source) {
  std::lock_guard lock(mutex_);
  entries_.push_back({message, due_us, handed_us, source});
}

void MidiRecorder::Withdraw(uint64_t source, int64_t after_us) {
  std::lock_guard lock(mutex_);
  withdrawals_ += static_cast<int>(
      std::erase_if(entries_, [&](const Entry& entry) { return entry.source == source && entry.due_us > after_us; }));
}

void MidiRecorder::Silence(bool reset_controllers) {
  std::lock_guard lock(mutex_);
  ++silences_;
  if (reset_controllers) ++resets_;
}

std::vector<MidiRecorder::Entry> MidiRecorder::Entries() const {
  std::lock_guard lock(mutex_);
  return entries_;
}

size_t MidiRecorder::Count() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

int MidiRecorder::Silences() const {
  std::lock_guard lock(mutex_);
  return silences_;
}

int MidiRecorder::Resets() const {
  std::lock_guard lock(mutex_);
  return resets_;
}

int MidiRecorder::Withdrawals() const {
  std::lock_guard lock(mutex_);
  return withdrawals_;
}

void MidiRecorder::Clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
  silences_ = 0;
  resets_ = 0;
  withdrawals_ = 0;
}

}  // namespace platform
