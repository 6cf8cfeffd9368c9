// Plays a standard MIDI file from memory through the MIDI stream device.
//
// The player merges the events of all tracks in time order into two 1024-byte buffers of stream
// events and hands them to the device; when the device gives a buffer back, the player fills it
// with the next stretch of music (about 60 ms of it) and sends it again. Play once or looping,
// pause, resume, stop, channel volumes and a tempo percentage.
//
// Threads: the operations run on the engine's thread; the device calls back on a thread of its
// own. One lock guards everything both sides touch; it is never held while waiting for the
// device. At the end of a song the player stops, re-primes and rewinds itself so that the next
// Play starts over: the device callback only records the end, and the player's own thread does
// the stopping, since the device cannot be stopped or closed from inside its callback.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/media/midi_file.h"
#include "platform/midi_stream.h"

namespace engine {

// The message the player posts to its owner when a channel volume change has been played:
// wparam = the player, lparam = channel | volume percent << 16.
constexpr uint32_t kMidiVolumeMessage = 0x417;

// Whoever stands for the owner window: a thread-safe PostMessage and a liveness check.
class MidiOwnerWindow {
 public:
  virtual ~MidiOwnerWindow() = default;
  virtual bool IsWindow() const = 0;
  // May be called from the device's thread.
  virtual void PostMessage(uint32_t message, uintptr_t wparam, uintptr_t lparam) = 0;
};

class MidiStreamPlayer {
 public:
  // Results of adding an event to a buffer.
  static constexpr int kAdded = 0;
  static constexpr int kBufferFull = -104;
  static constexpr int kNotForOutput = -105;
  // Results of filling a buffer.
  static constexpr int kFillReady = 0;
  static constexpr int kFillParseError = -101;
  static constexpr int kFillEarlierError = -102;
  static constexpr int kFillEndOfSong = -103;
  // States.
  static constexpr uint32_t kStatePlaying = 0;
  static constexpr uint32_t kStateStopRequested = 100;
  static constexpr uint32_t kStateStopped = 200;
  static constexpr uint32_t kStateEndOfSong = 300;

  static constexpr uint32_t kBufferBytes = 1024;
  static constexpr uint32_t kChannelCount = 16;

  MidiStreamPlayer();
  virtual ~MidiStreamPlayer();
  MidiStreamPlayer(const MidiStreamPlayer&) = delete;
  MidiStreamPlayer& operator=(const MidiStreamPlayer&) = delete;

  // Called with every failing device result (writes a log line).
  virtual void OnError(platform::MMRESULT result);
  // Called with the reason a track cannot be read further (writes a log line).
  virtual void OnParseError(const MidiTrack& track, const char* text);
  virtual void OnOpen();
  virtual void OnClose();
  // The device gave a buffer back: refill and resend it, or take note of the end.
  virtual void OnBufferDone(platform::MIDIHDR* header);
  // The device played an event flagged for a callback: a channel volume change.
  virtual void OnPositionCallback(platform::MIDIHDR* header, const platform::MIDIEVENT& event);

  // Parses the file, keeps a copy of its bytes, opens the device and fills both buffers; the
  // stream stays paused until Play. 1, or 0 (with a log line) when refused.
  int Load(const uint8_t* data, size_t size, MidiOwnerWindow* owner);
  // Plays from where the song stands (resumes when paused); loop makes it start over at the end.
  int Play(bool loop);
  // Stops; with reopen, primes the song again so that Play starts it over.
  int Stop(bool reopen);
  int Pause();
  int Resume();

  bool IsPlaying() const { return playing_.load(); }
  bool IsPaused() const { return paused_.load(); }
  bool IsLoaded() const;
  void SetLoop(bool loop);
  // Percent of the file's pace: 200 plays twice as fast. 0 is taken as 1.
  void SetTempoPercent(uint32_t percent);
  uint32_t GetTempoPercent() const;
  // Only while playing; above 100 is taken as 100.
  void SetChannelVolume(uint32_t channel, uint32_t percent);
  void SetVolume(uint32_t percent);
  uint32_t GetVolume() const;  // the mean of the channel volumes
  uint32_t GetChannelVolume(uint32_t channel) const;
  uint32_t GetChannelCount() const;
  uint32_t GetTicksPerBuffer() const;
  uint32_t GetState() const;
  // Comparisons of tracks the merge has made since the load (for tests).
  uint64_t GetMergeComparisons() const;

  // Waits until the device has played everything due at the clock's present reading and the
  // player's own thread is idle. For tests on a ManualClock and for tools.
  void WaitUntilSettled();

 private:
  struct StreamBuffer {
    platform::MIDIHDR header;
    uint32_t start_offset = 0;
    uint32_t capacity = kBufferBytes;
    uint32_t used = 0;
    uint32_t start_time = 0;
    uint32_t over_budget = 0;
    std::unique_ptr<char[]> data;
  };
  // Fill flags.
  static constexpr uint32_t kAllTracksEnded = 0x1;
  static constexpr uint32_t kParseFailed = 0x2;
  static constexpr uint32_t kEventPending = 0x4;

  static void StreamCallback(platform::HMIDISTRM stream, uint32_t message, uintptr_t instance, uintptr_t param1,
                             uintptr_t param2);

  // The following run with control_ held.
  int PlayLocked(bool loop);
  int StopLocked(bool reopen);
  int ResumeLocked();
  int OpenAndPrime();
  void CloseStream();

  // The following run with mutex_ held.
  int AddEvent(StreamBuffer& buffer, MidiEvent& event);
  int FillBuffer(bool first_call, StreamBuffer& buffer);
  void RewindTracks();
  // Back to the default tempo, which the next buffer tells the device first.
  void ResetTempo();
  void WriteStreamEvent(StreamBuffer& buffer, uint32_t delta, uint32_t event);
  uint32_t ScaledTempo() const;
  // How long ticks last at the song's present tempo (its own, not scaled by the percentage).
  uint64_t TicksToMicroseconds(uint32_t ticks) const;
  void ResetBuffer(StreamBuffer& buffer);

  void WorkerMain();

  // Held by every operation from the outside and by the player's own thread, so that one
  // stop, play or load runs at a time.
  std::mutex control_;
  // Guards what the device callbacks touch: every field below it.
  mutable std::mutex mutex_;
  std::condition_variable stopped_;  // the state reached kStateStopped
  std::condition_variable worker_wake_;
  std::condition_variable worker_idle_;

  std::vector<uint8_t> data_;
  bool loaded_ = false;
  uint32_t format_ = 0;
  uint32_t division_ = 0;
  std::atomic<bool> playing_{false};
  std::atomic<bool> paused_{false};
  platform::HMIDISTRM stream_ = nullptr;
  bool loop_ = false;
  uint32_t last_time_ = 0;
  uint64_t pass_us_ = 0;  // microseconds of song the events written since the start or rewind span
  uint32_t ticks_per_buffer_ = 0;
  uint32_t tempo_ = 0;
  uint32_t tempo_percent_ = 100;
  bool tempo_pending_ = false;
  bool headers_prepared_ = false;
  uint32_t current_buffer_ = 0;
  uint32_t device_id_ = platform::MIDI_MAPPER;
  uint32_t buffers_out_ = 0;
  uint32_t buffers_queued_ = 0;  // buffers the device holds: none may be freed while it does
  uint32_t state_ = kStatePlaying;
  MidiOwnerWindow* owner_ = nullptr;
  std::vector<MidiTrack> tracks_;
  std::vector<uint32_t> channel_volumes_;
  StreamBuffer buffers_[2];
  // Merge state.
  MidiTrackMerge merge_;
  uint32_t fill_flags_ = 0;
  MidiEvent pending_event_;

  // The player's own thread: finishes a song that ended.
  bool end_of_song_request_ = false;
  bool worker_busy_ = false;
  bool worker_quit_ = false;
  uint64_t worker_runs_ = 0;
  std::thread worker_;
};

}  // namespace engine
