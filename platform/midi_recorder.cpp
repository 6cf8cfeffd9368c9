// Recording MIDI sink: a list under a lock.
#include "platform/midi_recorder.h"

#include "platform/clock.h"

namespace platform {

void MidiRecorder::ShortMessage(uint32_t message, int64_t due_us, int64_t played_us) {
  if (stamp_clock_ != nullptr) {
    const int64_t count = stamp_clock_->PerformanceCounter();
    const int64_t frequency = stamp_clock_->PerformanceFrequency();
    if (frequency > 0) played_us = count / frequency * 1000000 + count % frequency * 1000000 / frequency;
  }
  std::lock_guard lock(mutex_);
  entries_.push_back({message, due_us, played_us});
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

void MidiRecorder::Clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
  silences_ = 0;
  resets_ = 0;
}

void MidiRecorder::Reserve(size_t count) {
  std::lock_guard lock(mutex_);
  entries_.reserve(count);
}

}  // namespace platform
