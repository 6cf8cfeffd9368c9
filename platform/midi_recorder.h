// A MIDI sink that keeps every message with its times, for tests and fuzzing.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/midi_sink.h"

namespace platform {

class MidiRecorder final : public MidiSink {
 public:
  // With a look-ahead the recorder stands for a synthesiser that takes messages ahead of their
  // time: what a stream takes back leaves the record again.
  explicit MidiRecorder(int64_t look_ahead_us = 0) : look_ahead_us_(look_ahead_us) {}

  struct Entry {
    uint32_t message;   // status | data1 << 8 | data2 << 16
    int64_t due_us;     // when it is meant to sound
    int64_t handed_us;  // when the device let it go
    uint64_t source;    // the stream (0: sent to sound at once)
  };

  int64_t LookAheadUs() const override { return look_ahead_us_; }
  void ShortMessage(uint32_t message, int64_t due_us, int64_t handed_us, uint64_t source) override;
  void Withdraw(uint64_t source, int64_t after_us) override;
  void Silence(bool reset_controllers) override;

  // A copy of what has arrived so far and was not taken back, in arrival order.
  std::vector<Entry> Entries() const;
  size_t Count() const;
  int Silences() const;     // calls of Silence, resets included
  int Resets() const;       // calls of Silence that also reset the controllers
  int Withdrawals() const;  // messages taken back
  void Clear();

 private:
  const int64_t look_ahead_us_;
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
  int silences_ = 0;
  int resets_ = 0;
  int withdrawals_ = 0;
};

}  // namespace platform
