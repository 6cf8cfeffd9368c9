// ctest-labels: sound tsan
#include "platform/midi_stream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/clock.h"
#include "platform/fluidsynth_sink.h"
#include "platform/midi_recorder.h"
#include "platform/midi_sink.h"
#include "platform/midi_timeline.h"

namespace platform {
namespace {

struct Called {
  uint32_t message;
  MIDIHDR* header;
  uint32_t offset;
  bool operator==(const Called&) const = default;
};

// Collects the callbacks the device makes.
struct Listener {
  std::mutex mutex;
  std::vector<Called> calls;

  static void Callback(HMIDISTRM, uint32_t message, uintptr_t instance, uintptr_t param1, uintptr_t) {
    auto* self = reinterpret_cast<Listener*>(instance);
    auto* header = reinterpret_cast<MIDIHDR*>(param1);
    std::lock_guard lock(self->mutex);
    self->calls.push_back({message, header, message == MOM_POSITIONCB ? header->dwOffset : 0});
  }
  std::vector<Called> Calls() {
    std::lock_guard lock(mutex);
    return calls;
  }
};

// A buffer of stream events built by hand.
struct Buffer {
  std::vector<MIDIEVENT> events;
  MIDIHDR header;
  void Add(uint32_t delta, uint32_t event) { events.push_back({delta, 0, event}); }
  MIDIHDR* Ready() {
    header.lpData = reinterpret_cast<char*>(events.data());
    header.dwBufferLength = header.dwBytesRecorded = static_cast<uint32_t>(events.size() * sizeof(MIDIEVENT));
    if (events.empty()) {
      static char nothing[12];
      header.lpData = nothing;
      header.dwBufferLength = sizeof nothing;
    }
    return &header;
  }
};

void SetStreamDivision(HMIDISTRM stream, uint32_t division) {
  MIDIPROPTIMEDIV property;
  property.dwTimeDiv = division;
  ASSERT_EQ(midiStreamProperty(stream, &property, MIDIPROP_SET | MIDIPROP_TIMEDIV), MMSYSERR_NOERROR);
}

class MidiStreamTest : public ::testing::Test {
 protected:
  explicit MidiStreamTest(int64_t look_ahead_us = 0) : recorder_(look_ahead_us) {}
  void SetUp() override {
    SetMidiMapperSink(&recorder_);
    uint32_t device = MIDI_MAPPER;
    ASSERT_EQ(midiStreamOpen(&stream_, &device, 1, &Listener::Callback, reinterpret_cast<uintptr_t>(&listener_),
                             CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
  }
  void TearDown() override {
    if (stream_ != nullptr) {
      midiOutReset(stream_);
      EXPECT_EQ(midiStreamClose(stream_), MMSYSERR_NOERROR);
    }
    SetMidiMapperSink(nullptr);
  }
  void SetDivision(uint32_t division) { SetStreamDivision(stream_, division); }
  void Queue(MIDIHDR* header) {
    ASSERT_EQ(midiOutPrepareHeader(stream_, header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(midiStreamOut(stream_, header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
  }
  void Step(uint32_t ms) {
    MidiStreamSettle(stream_);
    for (uint32_t i = 0; i < ms; ++i) {
      clock_->Advance(1);
      MidiStreamSettle(stream_);
    }
  }
  // (message, microseconds after start) of what was heard; each on time (within the clock's
  // step of a millisecond, for times between whole milliseconds).
  std::vector<std::pair<uint32_t, int64_t>> Heard(int64_t start) {
    std::vector<std::pair<uint32_t, int64_t>> heard;
    for (const MidiRecorder::Entry& entry : recorder_.Entries()) {
      EXPECT_GE(entry.handed_us, entry.due_us);
      EXPECT_EQ(entry.handed_us, (entry.due_us + 999) / 1000 * 1000);
      heard.push_back({entry.message, entry.due_us - start});
    }
    return heard;
  }

  ScopedManualClock clock_;
  MidiRecorder recorder_;
  Listener listener_;
  HMIDISTRM stream_ = nullptr;
};

TEST_F(MidiStreamTest, EventsSoundAtTheirTicksAcrossTempoChangesAndBuffers) {
  SetDivision(100);  // 5 ms a tick at the default 500000
  Buffer first, second, empty;
  first.Add(0, 0x403C90);
  first.Add(10, 0x403E90 | MEVT_F_CALLBACK);  // 50 ms
  first.Add(0, MEVT_TEMPO << 24 | 1000000);   // from here 10 ms a tick
  second.Add(10, 0x003C80);                   // 150 ms: deltas run on across buffers
  second.Add(5, MEVT_NOP << 24);              // 200 ms: plays nothing
  second.Add(5, 0x003E80 | MEVT_F_CALLBACK);  // 250 ms
  Queue(first.Ready());
  Queue(second.Ready());
  Queue(empty.Ready());
  Step(10);
  EXPECT_EQ(recorder_.Count(), 0u) << "a stream starts stopped";

  const int64_t start = clock_->PerformanceCounter();
  ASSERT_EQ(midiStreamRestart(stream_), MMSYSERR_NOERROR);
  Step(300);
  EXPECT_EQ(Heard(start), (std::vector<std::pair<uint32_t, int64_t>>{
                              {0x403C90, 0}, {0x403E90, 50000}, {0x3C80, 150000}, {0x3E80, 250000}}));
  const std::vector<Called> expected = {
      {MOM_OPEN, nullptr, 0},        {MOM_POSITIONCB, &first.header, 12},
      {MOM_DONE, &first.header, 0},  {MOM_POSITIONCB, &second.header, 24},
      {MOM_DONE, &second.header, 0}, {MOM_DONE, &empty.header, 0},
  };
  EXPECT_EQ(listener_.Calls(), expected);
  EXPECT_TRUE(first.header.dwFlags & MHDR_DONE);
  EXPECT_FALSE(first.header.dwFlags & MHDR_INQUEUE);
}

TEST_F(MidiStreamTest, StopHandsEveryBufferBackBeforeItReturns) {
  SetDivision(100);
  Buffer first, second;
  first.Add(0, 0x403C90);
  first.Add(100, 0x003C80);
  second.Add(100, 0x003C80);
  Queue(first.Ready());
  Queue(second.Ready());
  midiStreamRestart(stream_);
  Step(20);
  EXPECT_EQ(midiStreamClose(stream_), MIDIERR_STILLPLAYING);
  EXPECT_EQ(midiOutUnprepareHeader(stream_, &first.header, sizeof(MIDIHDR)), MIDIERR_STILLPLAYING);
  ASSERT_EQ(midiStreamStop(stream_), MMSYSERR_NOERROR);
  const std::vector<Called> calls = listener_.Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[1], (Called{MOM_DONE, &first.header, 0}));
  EXPECT_EQ(calls[2], (Called{MOM_DONE, &second.header, 0}));
  EXPECT_EQ(recorder_.Count(), 1u);
  EXPECT_EQ(recorder_.Silences(), 1);
  EXPECT_EQ(midiOutUnprepareHeader(stream_, &first.header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
  Step(1000);
  EXPECT_EQ(recorder_.Count(), 1u);
  EXPECT_EQ(midiStreamOut(stream_, &first.header, sizeof(MIDIHDR)), MIDIERR_UNPREPARED);
}

TEST_F(MidiStreamTest, PauseFreezesThePositionAndRestartGoesOn) {
  SetDivision(100);
  Buffer buffer;
  buffer.Add(0, 0x403C90);
  buffer.Add(20, 0x003C80);  // 100 ms
  Queue(buffer.Ready());
  const int64_t start = clock_->PerformanceCounter();
  midiStreamRestart(stream_);
  Step(40);
  midiStreamPause(stream_);
  Step(500);
  midiStreamRestart(stream_);
  Step(100);
  EXPECT_EQ(Heard(start), (std::vector<std::pair<uint32_t, int64_t>>{{0x403C90, 0}, {0x3C80, 600000}}));
}

TEST_F(MidiStreamTest, SmpteDivisionCountsFramesNotBeatsAtEveryFrameRate) {
  struct Case {
    const char* name;
    uint32_t division;  // minus the frames a second in the high byte, ticks a frame in the low
    std::vector<uint32_t> deltas;
    std::vector<int64_t> due_us;  // after start
    uint32_t then_division = 0;   // set without a stop before the last event, played in a buffer of its own
  };
  const std::vector<Case> cases = {
      {"24 x 125: a third of a millisecond a tick", 0xE800 | 125, {3, 1, 2}, {1000, 1333, 2000}},
      {"25 x 40: a millisecond a tick", 0xE700 | 40, {30}, {30000}},
      {"29.97 x 30: a frame is 1001/30000 s", 0xE300 | 30, {0, 450, 450}, {0, 500500, 1001000}},
      {"29.97 x 1: the fractions carry over", 0xE300 | 1, {1, 1, 1}, {33366, 66733, 100100}},
      {"30 x 80", 0xE200 | 80, {2400}, {1000000}},
      {"29.97 x 30, then 96 ticks a quarter note: the default tempo again", 0xE300 | 30, {450, 96},
       {500500, 1000500}, 96},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    recorder_.Clear();
    SetDivision(c.division);
    Buffer buffer, then;
    buffer.Add(0, MEVT_TEMPO << 24 | 1000000);  // no effect on SMPTE time
    std::vector<std::pair<uint32_t, int64_t>> expected;
    for (size_t i = 0; i < c.deltas.size(); ++i) {
      const uint32_t note = 0x403C90 + (static_cast<uint32_t>(i) << 8);
      (c.then_division != 0 && i + 1 == c.deltas.size() ? then : buffer).Add(c.deltas[i], note);
      expected.push_back({note, c.due_us[i]});
    }
    Queue(buffer.Ready());
    const int64_t start = clock_->PerformanceCounter();
    ASSERT_EQ(midiStreamRestart(stream_), MMSYSERR_NOERROR);
    if (c.then_division != 0) {
      Step(static_cast<uint32_t>(c.due_us[c.due_us.size() - 2] / 1000 + 10));
      SetDivision(c.then_division);
      Queue(then.Ready());
    }
    Step(static_cast<uint32_t>((c.due_us.back() - (clock_->PerformanceCounter() - start)) / 1000 + 10));
    EXPECT_EQ(Heard(start), expected);
    ASSERT_EQ(midiStreamStop(stream_), MMSYSERR_NOERROR);
    ASSERT_EQ(midiOutUnprepareHeader(stream_, &buffer.header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
    if (c.then_division != 0) {
      ASSERT_EQ(midiOutUnprepareHeader(stream_, &then.header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
    }
  }
}

TEST_F(MidiStreamTest, BadArgumentsAreRefused) {
  MIDIPROPTIMEDIV property;
  property.dwTimeDiv = 0;
  EXPECT_EQ(midiStreamProperty(stream_, &property, MIDIPROP_SET | MIDIPROP_TIMEDIV), MMSYSERR_INVALPARAM);
  property.dwTimeDiv = 0x8000 | 40;  // no frame rate
  EXPECT_EQ(midiStreamProperty(stream_, &property, MIDIPROP_SET | MIDIPROP_TIMEDIV), MMSYSERR_INVALPARAM);
  EXPECT_NE(midiStreamRestart(stream_), MMSYSERR_NOERROR) << "no time division yet";
  EXPECT_EQ(midiOutShortMsg(stream_, 0x3C), MMSYSERR_INVALPARAM) << "no status byte";
  EXPECT_EQ(midiStreamRestart(nullptr), MMSYSERR_INVALHANDLE);
  MIDIHDR header;
  EXPECT_EQ(midiOutPrepareHeader(stream_, &header, sizeof(MIDIHDR)), MMSYSERR_INVALPARAM) << "no data";

  ASSERT_EQ(midiOutShortMsg(stream_, 0x7F07B0), MMSYSERR_NOERROR);
  ASSERT_EQ(recorder_.Count(), 1u);
  EXPECT_EQ(recorder_.Entries()[0].message, 0x7F07B0u);
}

// A stream into a sink that takes events 100 ms ahead of their time: the stream starts 25 ms
// after the call.
class MidiStreamAheadTest : public MidiStreamTest {
 protected:
  MidiStreamAheadTest() : MidiStreamTest(100000) {}

  struct Handed {
    uint32_t message;
    int64_t due_ms;     // after start
    int64_t handed_ms;  // after start
    bool operator==(const Handed&) const = default;
  };
  // Plays a buffer of a note at once and a second message ticks later (5 ms a tick); answers
  // when the stream started.
  int64_t StartTwoMessages(Buffer& buffer, uint32_t ticks, uint32_t second) {
    SetDivision(100);
    buffer.Add(0, 0x403C90);
    buffer.Add(ticks, second);
    Queue(buffer.Ready());
    const int64_t start = clock_->PerformanceCounter();
    EXPECT_EQ(midiStreamRestart(stream_), MMSYSERR_NOERROR);
    return start;
  }
  std::vector<Handed> HandedSince(int64_t start) {
    std::vector<Handed> handed;
    for (const MidiRecorder::Entry& entry : recorder_.Entries()) {
      handed.push_back({entry.message, (entry.due_us - start) / 1000, (entry.handed_us - start) / 1000});
    }
    return handed;
  }
};

TEST_F(MidiStreamAheadTest, EventsGoAheadOfTimeAndABufferComesBackOnceHandedWhileAnotherFollows) {
  SetDivision(100);  // 5 ms a tick
  Buffer first, second;
  first.Add(0, 0x403C90 | MEVT_F_CALLBACK);
  first.Add(10, 0x403E90);
  second.Add(40, 0x003C80);
  Queue(first.Ready());
  Queue(second.Ready());
  const int64_t start = clock_->PerformanceCounter();
  ASSERT_EQ(midiStreamRestart(stream_), MMSYSERR_NOERROR);
  Step(0);
  EXPECT_EQ(HandedSince(start), (std::vector<Handed>{{0x403C90, 25, 0}, {0x403E90, 75, 0}}));
  EXPECT_EQ(
      listener_.Calls(),
      (std::vector<Called>{{MOM_OPEN, nullptr, 0}, {MOM_POSITIONCB, &first.header, 0}, {MOM_DONE, &first.header, 0}}));
  Step(174);
  EXPECT_EQ(recorder_.Count(), 2u) << "not yet within the look-ahead";
  Step(1);
  EXPECT_EQ(HandedSince(start).back(), (Handed{0x3C80, 275, 175}));
  Step(99);
  EXPECT_EQ(listener_.Calls().size(), 3u) << "the last buffer stays until its last event is due";
  Step(1);
  EXPECT_EQ(listener_.Calls().back(), (Called{MOM_DONE, &second.header, 0}));
}

TEST_F(MidiStreamAheadTest, APauseTakesBackWhatWentBeyondItAndTheRestartHandsItOverAgainLater) {
  Buffer buffer;
  const int64_t start = StartTwoMessages(buffer, 20, 0x003C80);
  Step(40);
  ASSERT_EQ(recorder_.Count(), 2u);
  midiStreamPause(stream_);
  EXPECT_EQ(recorder_.Withdrawals(), 1);
  Step(500);
  EXPECT_EQ(recorder_.Count(), 1u);
  midiStreamRestart(stream_);  // at 540 ms: the song goes on 25 ms later from where it stopped
  Step(120);
  EXPECT_EQ(HandedSince(start), (std::vector<Handed>{{0x403C90, 25, 0}, {0x3C80, 650, 540}}));
  EXPECT_EQ(listener_.Calls().back(), (Called{MOM_DONE, &buffer.header, 0}));
}

TEST_F(MidiStreamAheadTest, AStopTakesBackWhatIsNotYetDue) {
  Buffer buffer;
  const int64_t start = StartTwoMessages(buffer, 10, 0x403E90);
  Step(30);
  ASSERT_EQ(midiStreamStop(stream_), MMSYSERR_NOERROR);
  EXPECT_EQ(HandedSince(start), (std::vector<Handed>{{0x403C90, 25, 0}}));
  EXPECT_EQ(recorder_.Silences(), 1);
  EXPECT_EQ(listener_.Calls().back(), (Called{MOM_DONE, &buffer.header, 0}));
}

TEST(FluidSynthSinkTest, AMissingSoundFontGivesNoSink) {
  EXPECT_EQ(FluidSynthSink::Create("/nonexistent/none.sf2"), nullptr);
}

TEST(FluidSynthSinkTest, EventsSoundFromTheirFramesAndAStopSilencesAfterWhatWasDue) {
  ScopedManualClock clock;
  std::unique_ptr<FluidSynthSink> sink = FluidSynthSink::CreateWithoutDevice("");
  ASSERT_NE(sink, nullptr);
  ASSERT_EQ(sink->SampleRate(), 44100);
  sink->Timeline().KeepPlayed(true);
  SetMidiMapperSink(sink.get());
  Listener listener;
  HMIDISTRM stream = nullptr;
  ASSERT_EQ(midiStreamOpen(&stream, nullptr, 1, &Listener::Callback, reinterpret_cast<uintptr_t>(&listener),
                           CALLBACK_FUNCTION),
            MMSYSERR_NOERROR);
  SetStreamDivision(stream, 100);  // 5 ms a tick; the stream starts 50 ms after the call
  Buffer buffer;
  buffer.Add(0, 0x403C90);   // 50 ms: frame 2205, block 2176
  buffer.Add(10, 0x403E90);  // 100 ms: frame 4410, block 4416
  buffer.Add(17, 0x003C80);  // 185 ms
  ASSERT_EQ(midiOutPrepareHeader(stream, buffer.Ready(), sizeof(MIDIHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(midiStreamOut(stream, &buffer.header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(midiStreamRestart(stream), MMSYSERR_NOERROR);
  MidiStreamSettle(stream);

  // The device pulls 10 ms of output every 10 ms, up to the 100 ms frame, then no more for a while.
  std::vector<float> left(441), right(441);
  sink->Pull(441, left.data(), right.data());
  for (int i = 0; i < 9; ++i) {
    clock->Advance(10);
    MidiStreamSettle(stream);
    sink->Pull(441, left.data(), right.data());
  }
  clock->Advance(15);
  MidiStreamSettle(stream);
  ASSERT_EQ(midiStreamStop(stream), MMSYSERR_NOERROR);  // at 105 ms: the 100 ms event has not sounded yet
  for (int i = 0; i < 10; ++i) sink->Pull(441, left.data(), right.data());

  std::vector<std::pair<uint32_t, int64_t>> played;
  for (const MidiTimeline::Played& message : sink->Timeline().TakePlayed()) {
    if (message.source != 0) {
      EXPECT_LE(std::abs(message.played_frame - message.due_frame), 32);
    }
    played.push_back({message.message, message.played_frame});
  }
  std::vector<std::pair<uint32_t, int64_t>> expected = {{0x403C90, 2176}, {0x403E90, 4416}};
  for (uint32_t channel = 0; channel < 16; ++channel) expected.push_back({0x7BB0 | channel, 4608});  // notes off
  EXPECT_EQ(played, expected);

  EXPECT_EQ(midiStreamClose(stream), MMSYSERR_NOERROR);
  SetMidiMapperSink(nullptr);
}

}  // namespace
}  // namespace platform
