// A MIDI sink that keeps every message with its times, for tests and measurements.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/midi_sink.h"

namespace platform {

class Clock;

class MidiRecorder final : public MidiSink {
 public:
  // With a clock, each message is stamped with that clock's reading on arrival (measurements);
  // without, with the moment the device let it go.
  explicit MidiRecorder(Clock* stamp_clock = nullptr) : stamp_clock_(stamp_clock) {}

  struct Entry {
    uint32_t message;   // status | data1 << 8 | data2 << 16
    int64_t due_us;     // when it was meant to sound
    int64_t played_us;  // when the device let it go (or when it arrived, with a stamp clock)
  };

  void ShortMessage(uint32_t message, int64_t due_us, int64_t played_us) override;
  void Silence(bool reset_controllers) override;

  // A copy of what has arrived so far, in arrival order.
  std::vector<Entry> Entries() const;
  size_t Count() const;
  int Silences() const;  // calls of Silence, resets included
  int Resets() const;    // calls of Silence that also reset the controllers
  void Clear();
  // Keeps room for this many entries so that recording does not allocate while timed.
  void Reserve(size_t count);

 private:
  Clock* const stamp_clock_;
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
  int silences_ = 0;
  int resets_ = 0;
};

}  // namespace platform
