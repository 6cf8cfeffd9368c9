// The MIDI stream output device: buffers of timed events played on a thread of the device's own.
//
// This is the stand-in for the Windows MIDI stream functions, under their names. A caller opens
// a stream with a callback, sets its time division, prepares and queues buffers of 12-byte
// stream events {delta ticks, stream id, event} and starts the stream. The device thread
// releases each short message to the stream's sink when its time has come (tempo events change
// the pace from their own time on), reports an event flagged MEVT_F_CALLBACK with
// MOM_POSITIONCB, and hands every finished buffer back with MOM_DONE, in queue order. A sink that
// sounds messages at their time itself (the synthesiser) gets them ahead of time instead, and
// callbacks follow the hand-over (midi_stream.cpp says how).
//
// Callbacks arrive on the device thread. From inside a callback a caller may queue buffers and
// send short messages; stopping, resetting or closing the stream must happen on another thread.
// midiStreamStop and midiOutReset return every queued buffer through MOM_DONE before they
// return themselves (unless called from a callback, where the buffers follow it).
//
// Time comes from the clock installed when the stream is opened (platform/clock.h). Under a
// ManualClock the device moves only when the clock is stepped, and MidiStreamSettle lets a test
// wait until everything due has been played.
#pragma once

#include <cstdint>

namespace platform {

class MidiSink;
class MidiStreamDevice;
using HMIDISTRM = MidiStreamDevice*;
using MMRESULT = uint32_t;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MIDIERR_UNPREPARED = 64;
constexpr MMRESULT MIDIERR_STILLPLAYING = 65;

constexpr uint32_t MIDI_MAPPER = 0xFFFFFFFF;
constexpr uint32_t CALLBACK_FUNCTION = 0x00030000;

// Callback messages.
constexpr uint32_t MOM_OPEN = 0x3C7;
constexpr uint32_t MOM_CLOSE = 0x3C8;
constexpr uint32_t MOM_DONE = 0x3C9;
constexpr uint32_t MOM_POSITIONCB = 0x3CA;

// Stream events: the type in bits 24-29 of the event word, flags above it.
constexpr uint32_t MEVT_SHORTMSG = 0x00;
constexpr uint32_t MEVT_TEMPO = 0x01;
constexpr uint32_t MEVT_NOP = 0x02;
constexpr uint32_t MEVT_F_LONG = 0x80000000;
constexpr uint32_t MEVT_F_CALLBACK = 0x40000000;

// Header flags.
constexpr uint32_t MHDR_DONE = 0x1;
constexpr uint32_t MHDR_PREPARED = 0x2;
constexpr uint32_t MHDR_INQUEUE = 0x4;

// midiStreamProperty flags.
constexpr uint32_t MIDIPROP_SET = 0x80000000;
constexpr uint32_t MIDIPROP_GET = 0x40000000;
constexpr uint32_t MIDIPROP_TIMEDIV = 0x00000001;

// One buffer of stream events. The caller owns it and its data until MOM_DONE hands it back.
struct MIDIHDR {
  char* lpData = nullptr;        // the stream events
  uint32_t dwBufferLength = 0;   // bytes at lpData
  uint32_t dwBytesRecorded = 0;  // bytes of events actually in it
  uint32_t dwFlags = 0;          // MHDR_*
  uint32_t dwOffset = 0;         // byte offset of the event a MOM_POSITIONCB reports
};

// One stream event as it lies in a buffer (12 bytes, little-endian).
struct MIDIEVENT {
  uint32_t dwDeltaTime;  // ticks after the previous event
  uint32_t dwStreamID;   // 0
  uint32_t dwEvent;      // type << 24 | parameters, with MEVT_F_* flags
};
static_assert(sizeof(MIDIEVENT) == 12);

struct MIDIPROPTIMEDIV {
  uint32_t cbStruct = sizeof(MIDIPROPTIMEDIV);
  uint32_t dwTimeDiv = 0;  // ticks per quarter note, or SMPTE frames and ticks with bit 15 set
};

// (stream, message, instance, param1, param2). MOM_DONE: param1 = the MIDIHDR*.
// MOM_POSITIONCB: param1 = the MIDIHDR*, whose dwOffset names the event.
using MidiCallback = void (*)(HMIDISTRM stream, uint32_t message, uintptr_t instance, uintptr_t param1,
                              uintptr_t param2);

// Opens a stream on the device (MIDI_MAPPER: the installed sink, see midi_sink.h); cMidi must
// be 1 and fdwOpen CALLBACK_FUNCTION. The stream starts stopped. MOM_OPEN follows.
MMRESULT midiStreamOpen(HMIDISTRM* stream, uint32_t* device_id, uint32_t cMidi, MidiCallback callback,
                        uintptr_t instance, uint32_t fdwOpen);
// Sets (MIDIPROP_SET | MIDIPROP_TIMEDIV) or reads the time division; 0 is refused.
MMRESULT midiStreamProperty(HMIDISTRM stream, void* property, uint32_t flags);
MMRESULT midiOutPrepareHeader(HMIDISTRM stream, MIDIHDR* header, uint32_t size);
// Refused with MIDIERR_STILLPLAYING while the device holds the buffer.
MMRESULT midiOutUnprepareHeader(HMIDISTRM stream, MIDIHDR* header, uint32_t size);
// Queues a prepared buffer behind the others.
MMRESULT midiStreamOut(HMIDISTRM stream, MIDIHDR* header, uint32_t size);
// Starts the stream, or resumes it after a pause.
MMRESULT midiStreamRestart(HMIDISTRM stream);
// Freezes the stream where it is.
MMRESULT midiStreamPause(HMIDISTRM stream);
// All notes off, every queued buffer back through MOM_DONE, position back to the start.
MMRESULT midiStreamStop(HMIDISTRM stream);
// As midiStreamStop, and every controller back to its default.
MMRESULT midiOutReset(HMIDISTRM stream);
// Closes the stream (refused while buffers are queued); MOM_CLOSE comes before it returns.
MMRESULT midiStreamClose(HMIDISTRM stream);
// Sends one channel message now.
MMRESULT midiOutShortMsg(HMIDISTRM stream, uint32_t message);

// Waits until the device has played everything due at the clock's present reading and has
// delivered every callback that follows from it. Meant for tests on a ManualClock.
void MidiStreamSettle(HMIDISTRM stream);

}  // namespace platform
