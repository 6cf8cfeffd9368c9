// Messages handed to a synthesiser ahead of their time, sounded by the frame clock of its output.
//
// Streams add messages with their due time in microseconds of the platform clock. The audio
// device pulls the output in runs of frames; the timeline walks each pull in blocks of
// kBlockFrames frames (the synthesiser's own block) and, before each block, plays the messages
// whose due frame lies nearest to that block's start. A message handed in time therefore sounds
// within half a block (0.73 ms at 44.1 kHz) of its due time, however late the thread that handed
// it ran.
//
// Clock time maps onto output frames through an origin: frame = (us - origin) x rate. The first
// pull sets the origin so that the first frame it renders is "now". Afterwards the origin follows
// the pulls, since the audio device's clock and the platform clock drift apart: over each tenth
// of a second of output the least delayed pull is compared with the mapping, and the origin moves
// towards it by at most 100 us (a pace change of a tenth of a percent, which no one hears); when
// the two are more than 20 ms apart (the device stalled, or filled its buffer at the start) the
// origin is set again at once.
//
// Add and Withdraw may come from any thread, Pull from one thread (the device's). A pull never
// waits: when another thread holds the lock, it renders on and plays what is due at its next pull.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace platform {

class MidiTimeline {
 public:
  static constexpr int kBlockFrames = 64;

  // What a pull drives.
  class Synthesiser {
   public:
    virtual ~Synthesiser() = default;
    virtual void Play(uint32_t message) = 0;
    // Renders count frames into the pull's output, from frame offset of the pull on.
    virtual void Render(int offset, int count) = 0;
  };

  // One message as the synthesiser got it, for measurements.
  struct Played {
    uint32_t message;
    uint64_t source;
    int64_t due_frame;     // the output frame it was due at
    int64_t played_frame;  // the first frame of the block it sounded from
  };

  explicit MidiTimeline(int sample_rate) : sample_rate_(sample_rate) {}

  // A message due at due_us, from source (a stream; 0 for one sent to sound at once).
  void Add(uint32_t message, int64_t due_us, uint64_t source);
  // Takes back the messages of source due after after_us that have not sounded yet.
  void Withdraw(uint64_t source, int64_t after_us);
  // Renders frames of output at now_us, playing the messages as they fall due.
  void Pull(int64_t now_us, int frames, Synthesiser& synth);

  // From now on every message played is kept (or no longer kept), for measurements.
  void KeepPlayed(bool keep);
  // What was kept since the last call.
  std::vector<Played> TakePlayed();

 private:
  struct Pending {
    int64_t due_us;
    uint32_t message;
    uint64_t source;
  };

  int64_t FrameOf(int64_t us) const;
  void Follow(int64_t now_us);
  void PlayDue(int64_t block, Synthesiser& synth);

  const int sample_rate_;

  std::mutex mutex_;
  std::deque<Pending> pending_;  // by due time, then in the order they came
  bool keep_played_ = false;
  std::vector<Played> played_;

  // The pulling thread's own.
  int64_t position_ = 0;  // frames rendered so far
  bool anchored_ = false;
  int64_t origin_us_ = 0;
  int64_t window_start_ = 0;         // the frame the current window of pulls began at
  int64_t window_lead_ = INT64_MIN;  // the most the output ran ahead of the mapping in it
};

}  // namespace platform
