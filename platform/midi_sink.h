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
  // One channel message: status | data1 << 8 | data2 << 16. due_us is when it was meant to
  // sound and played_us when the device let it go, both in microseconds of the device's clock.
  virtual void ShortMessage(uint32_t message, int64_t due_us, int64_t played_us) = 0;
  // Every sounding note off; with reset_controllers also every controller back to its default.
  virtual void Silence(bool reset_controllers) = 0;
};

// The sink the MIDI mapper device plays into from now on (not owned; null goes back to the
// General MIDI synthesiser). Streams already open keep the sink they were opened with.
void SetMidiMapperSink(MidiSink* sink);

// The sink a stream opened now would use: the installed one, else the synthesiser (started on
// first use). Null when the synthesiser cannot start (no sound font or no audio device).
MidiSink* MidiMapperSink();

}  // namespace platform
