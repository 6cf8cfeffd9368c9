// Where a MIDI output device sends what it plays: a synthesiser, or a recorder for tests.
//
// A sink is called from the device's own thread and from whichever thread sends an immediate
// message, so every sink must be safe to call from several threads.
#pragma once

#include <cstdint>

namespace platform {

class MidiSink {
 public:
  virtual ~MidiSink() = default;
  // How long before its due time a stream hands a message over. 0: the sink sounds each message
  // as it comes, so the stream lets each go at its time. A sink with a look-ahead keeps what it
  // is handed and sounds each message at its due time itself.
  virtual int64_t LookAheadUs() const { return 0; }
  // One channel message: status | data1 << 8 | data2 << 16. due_us is when it is meant to sound
  // and handed_us when the device let it go, both in microseconds of the device's clock. source
  // names the stream (0: a message sent to sound at once).
  virtual void ShortMessage(uint32_t message, int64_t due_us, int64_t handed_us, uint64_t source) = 0;
  // Takes back the messages of source that were handed ahead and are due after after_us.
  virtual void Withdraw(uint64_t source, int64_t after_us) = 0;
  // Every sounding note off; with reset_controllers also every controller back to its default.
  // Messages handed earlier and due by now still sound first.
  virtual void Silence(bool reset_controllers) = 0;
};

// The sink the MIDI mapper device plays into from now on (not owned; null goes back to the
// General MIDI synthesiser). Streams already open keep the sink they were opened with.
void SetMidiMapperSink(MidiSink* sink);

// The sink a stream opened now would use: the installed one, else the synthesiser (started on
// first use). Null when the synthesiser cannot start (no sound font or no audio device).
MidiSink* MidiMapperSink();

}  // namespace platform
