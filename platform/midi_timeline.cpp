// The timeline's queue and its mapping of clock time onto output frames.
#include "platform/midi_timeline.h"

#include <algorithm>
#include <utility>

namespace platform {

namespace {

constexpr int64_t kWindowUs = 100000;  // how much output each comparison of clock and frames spans
constexpr int64_t kStepUs = 100;       // the most the origin moves after one window
constexpr int64_t kJumpUs = 20000;     // further apart than this, the origin is set again

// Rounds down, for negative numerators too.
int64_t FloorDivide(int64_t numerator, int64_t denominator) {
  const int64_t quotient = numerator / denominator;
  return quotient * denominator > numerator ? quotient - 1 : quotient;
}

// The start of the block nearest to frame.
int64_t NearestBlock(int64_t frame) {
  constexpr int64_t kBlock = MidiTimeline::kBlockFrames;
  return FloorDivide(frame + kBlock / 2, kBlock) * kBlock;
}

}  // namespace

void MidiTimeline::Add(uint32_t message, int64_t due_us, uint64_t source) {
  std::lock_guard lock(mutex_);
  // Nearly always the last: streams hand their messages in time order.
  const auto at = std::upper_bound(pending_.begin(), pending_.end(), due_us,
                                   [](int64_t due, const Pending& pending) { return due < pending.due_us; });
  pending_.insert(at, {due_us, message, source});
}

void MidiTimeline::Withdraw(uint64_t source, int64_t after_us) {
  std::lock_guard lock(mutex_);
  std::erase_if(pending_,
                [&](const Pending& pending) { return pending.source == source && pending.due_us > after_us; });
}

void MidiTimeline::KeepPlayed(bool keep) {
  std::lock_guard lock(mutex_);
  keep_played_ = keep;
}

std::vector<MidiTimeline::Played> MidiTimeline::TakePlayed() {
  std::lock_guard lock(mutex_);
  return std::exchange(played_, {});
}

int64_t MidiTimeline::FrameOf(int64_t us) const {
  return FloorDivide((us - origin_us_) * sample_rate_ + 500000, 1000000);
}

void MidiTimeline::Follow(int64_t now_us) {
  if (anchored_) {
    // How far the output runs ahead of the clock; a pull that comes late makes it smaller.
    window_lead_ = std::max(window_lead_, position_ - FrameOf(now_us));
    if (position_ - window_start_ < kWindowUs * sample_rate_ / 1000000) return;
    const int64_t lead_us = window_lead_ * 1000000 / sample_rate_;
    window_start_ = position_;
    window_lead_ = INT64_MIN;
    if (lead_us >= -kJumpUs && lead_us <= kJumpUs) {
      origin_us_ -= std::clamp(lead_us, -kStepUs, kStepUs);
      return;
    }
  }
  origin_us_ = now_us - position_ * 1000000 / sample_rate_;
  anchored_ = true;
  window_start_ = position_;
  window_lead_ = INT64_MIN;
}

void MidiTimeline::PlayDue(int64_t block, Synthesiser& synth) {
  while (!pending_.empty()) {
    const Pending& next = pending_.front();
    const int64_t due_frame = FrameOf(next.due_us);
    if (NearestBlock(due_frame) > block) return;
    synth.Play(next.message);
    if (keep_played_) played_.push_back({next.message, next.source, due_frame, block});
    pending_.pop_front();
  }
}

void MidiTimeline::Pull(int64_t now_us, int frames, Synthesiser& synth) {
  Follow(now_us);
  std::unique_lock lock(mutex_, std::try_to_lock);
  int done = 0;
  while (done < frames) {
    const int64_t at = position_ + done;
    int64_t until = position_ + frames;
    if (lock.owns_lock()) {
      if (at % kBlockFrames == 0) PlayDue(at, synth);
      if (!pending_.empty()) {
        const int64_t next_block = (FloorDivide(at, kBlockFrames) + 1) * kBlockFrames;
        until = std::min(until, std::max(next_block, NearestBlock(FrameOf(pending_.front().due_us))));
      }
    }
    const int count = static_cast<int>(until - at);
    synth.Render(done, count);
    done += count;
  }
  position_ += frames;
}

}  // namespace platform
