// MIDI stream device on a thread of its own, over a MidiSink.
//
// The thread walks the queued buffers in order. Each event is due a number of ticks after the
// previous one; a tick lasts tempo / division microseconds (or a SMPTE frame's share), kept
// exactly with a carried remainder so that long songs do not drift. The thread reads the clock
// without holding the device lock, so a ManualClock may call back into the device from Advance.
//
// A sink with a look-ahead (a synthesiser that sounds each message at its due time itself) is
// handed each event that much before it is due, in batches: the thread wakes when the next event
// is three quarters of the look-ahead away, so it may come that late before any note does. Such
// a stream starts (and goes on after a pause) a quarter of the look-ahead after the call, as an
// audio device's latency would have it, so that the first notes have that margin too. Position
// callbacks come as their events are handed over. A buffer handed over whole goes back at once
// while another follows it, so that the caller refills it in time; the last one goes back when
// its last event is due, so that the end of a song is not announced early. A pause takes back
// what was handed beyond it and hands it over again, shifted, on restart; a stop takes back all
// that is not yet due.
#include "platform/midi_stream.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include <sys/prctl.h>

#include "platform/clock.h"
#include "platform/diagnostics.h"
#include "platform/midi_sink.h"

namespace platform {

namespace {

constexpr uint32_t kEventBytes = sizeof(MIDIEVENT);
constexpr uint32_t kDefaultTempo = 500000;  // microseconds per quarter note: 120 beats a minute

// Each stream's name towards its sink.
std::atomic<uint64_t> g_next_source{1};

uint32_t ReadWord(const char* p) {
  uint32_t value;
  std::memcpy(&value, p, 4);
  return value;  // little-endian machine, as the buffers are
}

}  // namespace

class MidiStreamDevice {
 public:
  MidiStreamDevice(MidiSink* sink, Clock& clock, MidiCallback callback, uintptr_t instance)
      : sink_(sink),
        look_ahead_us_(std::max<int64_t>(sink->LookAheadUs(), 0)),
        start_delay_us_(look_ahead_us_ / 4),
        source_(g_next_source++),
        clock_(clock),
        callback_(callback),
        instance_(instance) {
    manual_clock_ = dynamic_cast<ManualClock*>(&clock_);
    if (manual_clock_ != nullptr) {
      waker_ = std::make_shared<Waker>();
      waker_->device = this;
      listener_ = manual_clock_->AddListener([waker = waker_] {
        std::lock_guard lock(waker->mutex);
        if (waker->device != nullptr) waker->device->Touch();
      });
    }
    Post(MOM_OPEN, nullptr);
    thread_ = std::thread([this] { Run(); });
  }

  ~MidiStreamDevice() {
    if (manual_clock_ != nullptr) {
      manual_clock_->RemoveListener(listener_);
      // A step on another thread may still be running the listener it copied before the removal.
      std::lock_guard lock(waker_->mutex);
      waker_->device = nullptr;
    }
    const int64_t now = MicrosecondsOf(clock_);
    {
      std::lock_guard lock(mutex_);
      Post(MOM_CLOSE, nullptr);
      quit_ = true;
      sink_->Withdraw(source_, now);
      ++changes_;
    }
    wake_.notify_all();
    thread_.join();
  }

  bool OnDeviceThread() const { return std::this_thread::get_id() == thread_.get_id(); }

  MMRESULT TimeDivision(void* property, uint32_t flags) {
    if (property == nullptr) return MMSYSERR_INVALPARAM;
    auto* division = static_cast<MIDIPROPTIMEDIV*>(property);
    if (division->cbStruct < sizeof(MIDIPROPTIMEDIV) || (flags & MIDIPROP_TIMEDIV) == 0) {
      return MMSYSERR_INVALPARAM;
    }
    std::lock_guard lock(mutex_);
    if (flags & MIDIPROP_GET) {
      division->dwTimeDiv = division_;
      return MMSYSERR_NOERROR;
    }
    if ((flags & MIDIPROP_SET) == 0) return MMSYSERR_INVALPARAM;
    const uint32_t value = division->dwTimeDiv;
    if (value == 0 || value > 0xFFFF) return MMSYSERR_INVALPARAM;
    if (value & 0x8000) {
      const int frames = -static_cast<int8_t>(value >> 8);
      const int ticks = static_cast<int>(value & 0xFF);
      if ((frames != 24 && frames != 25 && frames != 29 && frames != 30) || ticks == 0) {
        return MMSYSERR_INVALPARAM;
      }
    }
    division_ = value;
    remainder_ = 0;  // a fraction of a microsecond, in the old division's units
    ++changes_;
    wake_.notify_all();
    return MMSYSERR_NOERROR;
  }

  MMRESULT Prepare(MIDIHDR* header, uint32_t size, bool prepare) {
    if (header == nullptr || size < sizeof(MIDIHDR)) return MMSYSERR_INVALPARAM;
    std::lock_guard lock(mutex_);
    if (prepare) {
      if (header->lpData == nullptr) return MMSYSERR_INVALPARAM;
      header->dwFlags |= MHDR_PREPARED;
    } else {
      if (header->dwFlags & MHDR_INQUEUE) return MIDIERR_STILLPLAYING;
      header->dwFlags &= ~MHDR_PREPARED;
    }
    return MMSYSERR_NOERROR;
  }

  MMRESULT Queue(MIDIHDR* header, uint32_t size) {
    if (header == nullptr || size < sizeof(MIDIHDR)) return MMSYSERR_INVALPARAM;
    {
      std::lock_guard lock(mutex_);
      if ((header->dwFlags & MHDR_PREPARED) == 0) return MIDIERR_UNPREPARED;
      if (header->dwFlags & MHDR_INQUEUE) return MIDIERR_STILLPLAYING;
      if (header->dwBytesRecorded > header->dwBufferLength) return MMSYSERR_INVALPARAM;
      header->dwFlags = (header->dwFlags & ~MHDR_DONE) | MHDR_INQUEUE;
      queue_.push_back(header);
      ++changes_;
    }
    wake_.notify_all();
    return MMSYSERR_NOERROR;
  }

  MMRESULT Restart() {
    const int64_t now = MicrosecondsOf(clock_);
    {
      std::lock_guard lock(mutex_);
      if (division_ == 0) return MMSYSERR_ERROR;
      if (run_ == RunState::kStopped) {
        anchor_us_ = now + start_delay_us_;
        remainder_ = 0;
      } else if (run_ == RunState::kPaused) {
        const int64_t shift = now + start_delay_us_ - paused_at_us_;
        anchor_us_ += shift;
        for (Ahead& ahead : ahead_) {
          ahead.due_us += shift;
          sink_->ShortMessage(ahead.message, ahead.due_us, now, source_);
        }
      }
      run_ = RunState::kRunning;
      ++changes_;
    }
    wake_.notify_all();
    return MMSYSERR_NOERROR;
  }

  MMRESULT Pause() {
    const int64_t now = MicrosecondsOf(clock_);
    {
      std::lock_guard lock(mutex_);
      if (run_ != RunState::kRunning) return MMSYSERR_NOERROR;
      // Events due before this moment still go out; the position freezes here.
      paused_at_us_ = now;
      run_ = RunState::kPaused;
      if (!ahead_.empty()) {
        sink_->Withdraw(source_, now);
        ForgetSounded(now);
      }
      ++changes_;
    }
    wake_.notify_all();
    return MMSYSERR_NOERROR;
  }

  // Stops the stream and hands back every queued buffer (midiStreamStop and midiOutReset).
  MMRESULT Stop(bool reset_controllers) {
    const int64_t now = MicrosecondsOf(clock_);
    std::unique_lock lock(mutex_);
    run_ = RunState::kStopped;
    ahead_.clear();
    sink_->Withdraw(source_, now);
    position_ = 0;
    anchor_us_ = 0;
    remainder_ = 0;
    tempo_ = kDefaultTempo;
    for (MIDIHDR* header : queue_) {
      header->dwFlags = (header->dwFlags & ~MHDR_INQUEUE) | MHDR_DONE;
      Post(MOM_DONE, header);
    }
    queue_.clear();
    sink_->Silence(reset_controllers);
    ++changes_;
    const uint64_t target = posted_;
    wake_.notify_all();
    if (!OnDeviceThread()) {
      returned_.wait(lock, [&] { return delivered_ >= target; });
    }
    return MMSYSERR_NOERROR;
  }

  bool HasQueuedBuffers() {
    std::lock_guard lock(mutex_);
    return !queue_.empty();
  }

  MMRESULT ShortMessage(uint32_t message) {
    if ((message & 0x80) == 0 || (message & 0xF0) == 0xF0) return MMSYSERR_INVALPARAM;
    const int64_t now = MicrosecondsOf(clock_);
    std::lock_guard lock(mutex_);
    sink_->ShortMessage(message & 0xFFFFFF, now, now, 0);
    return MMSYSERR_NOERROR;
  }

  void Settle() {
    if (OnDeviceThread()) return;
    std::unique_lock lock(mutex_);
    returned_.wait(lock, [&] { return exited_ || (idle_at_ == changes_ && callbacks_.empty()); });
  }

 private:
  enum class RunState { kStopped, kRunning, kPaused };
  // What the clock listener holds: it outlives the device, and forgets it when it closes.
  struct Waker {
    std::mutex mutex;
    MidiStreamDevice* device = nullptr;
  };
  struct Callback {
    uint32_t message;
    MIDIHDR* header;
  };
  // A message handed ahead of its time.
  struct Ahead {
    int64_t due_us;
    uint32_t message;
  };

  // Called with the lock held: drops the messages handed ahead that are due by then.
  void ForgetSounded(int64_t by_us) {
    while (!ahead_.empty() && ahead_.front().due_us <= by_us) ahead_.pop_front();
  }

  // Something changed that the device thread should look at (a clock step, for one).
  void Touch() {
    {
      std::lock_guard lock(mutex_);
      ++changes_;
    }
    wake_.notify_all();
  }

  // Called with the lock held.
  void Post(uint32_t message, MIDIHDR* header) {
    callbacks_.push_back({message, header});
    ++posted_;
  }

  void Run() {
    // Timed waits end within microseconds of their deadline rather than the default 50 us later.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    std::unique_lock lock(mutex_);
    for (;;) {
      if (!callbacks_.empty()) {
        const Callback next = callbacks_.front();
        callbacks_.pop_front();
        lock.unlock();
        callback_(this, next.message, instance_, reinterpret_cast<uintptr_t>(next.header), 0);
        lock.lock();
        ++delivered_;
        returned_.notify_all();
        continue;
      }
      if (quit_) break;
      const uint64_t seen = changes_;
      lock.unlock();
      const int64_t now = MicrosecondsOf(clock_);
      lock.lock();
      int64_t next_wake = -1;
      const bool busy = PlayDue(now, &next_wake);
      if (busy || !callbacks_.empty()) continue;
      idle_at_ = seen;
      returned_.notify_all();
      auto woken = [&] { return changes_ != seen || quit_ || !callbacks_.empty(); };
      if (manual_clock_ != nullptr || next_wake < 0) {
        wake_.wait(lock, woken);
      } else {
        wake_.wait_for(lock, std::chrono::microseconds(next_wake - now), woken);
      }
    }
    exited_ = true;
    returned_.notify_all();
  }

  // Hands over the events due by now, or with a look-ahead by that much later (while paused: by
  // the pause). Stops after an event that has a callback so that callbacks and events keep their
  // order. Returns whether anything happened; when nothing did, next_wake is when something will
  // be due (left alone when nothing waits on time).
  bool PlayDue(int64_t now, int64_t* next_wake) {
    if (run_ == RunState::kStopped) return false;
    const bool running = run_ == RunState::kRunning;
    const int64_t sounded = running ? now : paused_at_us_;  // the stream's time: what is due by it has sounded
    const int64_t limit = running ? now + look_ahead_us_ : paused_at_us_;
    ForgetSounded(sounded);
    bool released = false;
    while (!queue_.empty()) {
      MIDIHDR* header = queue_.front();
      if (position_ + kEventBytes > header->dwBytesRecorded) {
        if (queue_.size() == 1 && anchor_us_ > sounded) {
          if (!released && running) *next_wake = anchor_us_;
          return released;
        }
        queue_.pop_front();
        position_ = 0;
        header->dwFlags = (header->dwFlags & ~MHDR_INQUEUE) | MHDR_DONE;
        Post(MOM_DONE, header);
        return true;
      }
      const char* at = header->lpData + position_;
      const uint32_t delta = ReadWord(at);
      const uint32_t event = ReadWord(at + 8);
      int64_t numerator, denominator;
      TickLength(&numerator, &denominator);
      const int64_t scaled = int64_t{delta} * numerator + remainder_;
      const int64_t due = anchor_us_ + scaled / denominator;
      if (due > limit) {
        if (!released && running) *next_wake = due - look_ahead_us_ + look_ahead_us_ / 4;
        return released;
      }
      anchor_us_ = due;
      remainder_ = scaled % denominator;
      const uint32_t offset = position_;
      position_ += kEventBytes;
      if (event & MEVT_F_LONG) {
        // Parameters follow the event, padded to whole words.
        const uint64_t skip = (uint64_t{event & 0xFFFFFF} + 3) & ~uint64_t{3};
        position_ = static_cast<uint32_t>(std::min<uint64_t>(position_ + skip, header->dwBytesRecorded));
      } else {
        const uint32_t type = (event >> 24) & 0x3F;
        if (type == MEVT_SHORTMSG) {
          if (event & 0x80) {
            sink_->ShortMessage(event & 0xFFFFFF, due, now, source_);
            if (due > sounded) ahead_.push_back({due, event & 0xFFFFFF});
          }
        } else if (type == MEVT_TEMPO) {
          const uint32_t tempo = event & 0xFFFFFF;
          if (tempo != 0 && (division_ & 0x8000) == 0) tempo_ = tempo;
        }
      }
      released = true;
      if (event & MEVT_F_CALLBACK) {
        header->dwOffset = offset;
        Post(MOM_POSITIONCB, header);
        return true;
      }
    }
    return released;
  }

  // A tick lasts numerator / denominator microseconds: the tempo over the ticks a quarter note,
  // or in SMPTE time, which ignores the tempo, 10^6 / (frames a second x ticks a frame). Nothing
  // of one division stays when the stream goes over to the other.
  void TickLength(int64_t* numerator, int64_t* denominator) const {
    if ((division_ & 0x8000) == 0) {
      *numerator = tempo_;
      *denominator = division_;
      return;
    }
    const int frames = -static_cast<int8_t>(division_ >> 8);
    const int64_t ticks = division_ & 0xFF;
    // 29.97 frames a second: a frame lasts 10^6 x 1001 / 30000 us.
    *numerator = frames == 29 ? 1001000000 : 1000000;
    *denominator = (frames == 29 ? 30000 : frames) * ticks;
  }

  MidiSink* const sink_;
  const int64_t look_ahead_us_;
  const int64_t start_delay_us_;  // from a start or a restart to the first event's time
  const uint64_t source_;
  Clock& clock_;
  ManualClock* manual_clock_ = nullptr;
  int listener_ = 0;
  std::shared_ptr<Waker> waker_;
  const MidiCallback callback_;
  const uintptr_t instance_;

  std::mutex mutex_;
  std::condition_variable wake_;      // the device thread waits here
  std::condition_variable returned_;  // stop and settle wait here
  std::deque<MIDIHDR*> queue_;
  std::deque<Callback> callbacks_;
  uint64_t posted_ = 0;
  uint64_t delivered_ = 0;
  uint64_t changes_ = 1;
  uint64_t idle_at_ = 0;
  bool quit_ = false;
  bool exited_ = false;

  RunState run_ = RunState::kStopped;
  uint32_t division_ = 0;
  int64_t tempo_ = kDefaultTempo;  // microseconds a quarter note, from the last tempo event
  uint32_t position_ = 0;  // byte offset of the next event in the front buffer
  int64_t anchor_us_ = 0;  // when the last released event was due (or the start)
  int64_t remainder_ = 0;  // microsecond fraction carried, in denominator units
  int64_t paused_at_us_ = 0;
  std::deque<Ahead> ahead_;  // handed ahead and not yet due, in time order

  std::thread thread_;
};

MMRESULT midiStreamOpen(HMIDISTRM* stream, uint32_t* device_id, uint32_t cMidi, MidiCallback callback,
                        uintptr_t instance, uint32_t fdwOpen) {
  if (stream == nullptr) return MMSYSERR_INVALPARAM;
  *stream = nullptr;
  if (cMidi != 1 || callback == nullptr || fdwOpen != CALLBACK_FUNCTION) return MMSYSERR_INVALPARAM;
  if (device_id != nullptr && *device_id != MIDI_MAPPER && *device_id != 0) return MMSYSERR_NODRIVER;
  MidiSink* sink = MidiMapperSink();
  if (sink == nullptr) {
    ReportProblem("MIDI: no synthesiser to play into; the stream cannot open");
    return MMSYSERR_NODRIVER;
  }
  *stream = new MidiStreamDevice(sink, CurrentClock(), callback, instance);
  return MMSYSERR_NOERROR;
}

MMRESULT midiStreamProperty(HMIDISTRM stream, void* property, uint32_t flags) {
  if (stream == nullptr) return MMSYSERR_INVALHANDLE;
  return stream->TimeDivision(property, flags);
}

MMRESULT midiOutPrepareHeader(HMIDISTRM stream, MIDIHDR* header, uint32_t size) {
  if (stream == nullptr) return MMSYSERR_INVALHANDLE;
  return stream->Prepare(header, size, true);
}

MMRESULT midiOutUnprepareHeader(HMIDISTRM stream, MIDIHDR* header, uint32_t size) {
  if (stream == nullptr) return MMSYSERR_INVALHANDLE;
  return stream->Prepare(header, size, false);
}

MMRESULT midiStreamOut(HMIDISTRM stream, MIDIHDR* header, uint32_t size) {
  if (stream == nullptr) return MMSYSERR_INVALHANDLE;
  return stream->Queue(header, size);
}

MMRESULT midiStreamRestart(HMIDISTRM stream) {
  if (stream == nullptr) return MMSYSERR_INVALHANDLE;
  return stream->Restart();
}

MMRESULT midiStreamPause(HMIDISTRM stream) {
  if (stream == nullptr) return MMSYSERR_INVALHANDLE;
  return stream->Pause();
}

MMRESULT midiStreamStop(HMIDISTRM stream) {
  if (stream == nullptr) return MMSYSERR_INVALHANDLE;
  return stream->Stop(false);
}

MMRESULT midiOutReset(HMIDISTRM stream) {
  if (stream == nullptr) return MMSYSERR_INVALHANDLE;
  return stream->Stop(true);
}

MMRESULT midiStreamClose(HMIDISTRM stream) {
  if (stream == nullptr) return MMSYSERR_INVALHANDLE;
  // The device thread cannot wait for its own end.
  if (stream->OnDeviceThread()) return MMSYSERR_ERROR;
  if (stream->HasQueuedBuffers()) return MIDIERR_STILLPLAYING;
  delete stream;
  return MMSYSERR_NOERROR;
}

MMRESULT midiOutShortMsg(HMIDISTRM stream, uint32_t message) {
  if (stream == nullptr) return MMSYSERR_INVALHANDLE;
  return stream->ShortMessage(message);
}

void MidiStreamSettle(HMIDISTRM stream) {
  if (stream != nullptr) stream->Settle();
}

}  // namespace platform
