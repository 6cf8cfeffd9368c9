// Null sound channels: time kept on the installed clock, lengths of the decoded sounds.
#include "platform/sound_channel_null.h"

#include <algorithm>

#include "platform/clock.h"
#include "platform/diagnostics.h"

namespace platform {

namespace {

// Keeps the length of a decoded sound and nothing of its samples.
class LengthSink final : public SoundSink {
 public:
  explicit LengthSink(const SoundForm& played) : played_(played) {}
  bool Begin(const SoundForm& form) override {
    frame_bytes_ = form.FrameBytes();
    rate_ = form.rate;
    return true;
  }
  bool Samples(const uint8_t*, size_t count) override {
    frames_ += count / frame_bytes_;
    return true;
  }
  // Rounded up: a sound of a few samples still plays for a moment.
  uint32_t DurationMs() const {
    return static_cast<uint32_t>(std::min<uint64_t>((frames_ * 1000 + rate_ - 1) / rate_, UINT32_MAX));
  }
  // What the samples take once converted to the device's form.
  uint64_t Bytes() const { return ConvertedBytes(frames_, rate_, played_); }

 private:
  const SoundForm played_;
  uint32_t frame_bytes_ = 1;
  uint32_t rate_ = 1;
  uint64_t frames_ = 0;
};

}  // namespace

bool NullSoundBackend::Init(uint32_t frequency) {
  std::lock_guard lock(mutex_);
  if (!device_present_) {
    ReportProblem("sound: no audio device");
    return false;
  }
  played_ = MixerForm(frequency == 0 ? 44100 : frequency);
  open_ = true;
  return true;
}

// The output as a whole is not paused: nothing here plays, and the engine stops it only at exit.
void NullSoundBackend::Start() {}

void NullSoundBackend::Stop() {}

void NullSoundBackend::Free() {
  std::lock_guard lock(mutex_);
  streams_.clear();
  open_ = false;
}

float NullSoundBackend::GetVolume() {
  std::lock_guard lock(mutex_);
  return volume_;
}

void NullSoundBackend::SetVolume(float volume) {
  std::lock_guard lock(mutex_);
  volume_ = volume;
}

HSTREAM NullSoundBackend::CreateStream(SoundFileType type, const void* data, uint64_t length) {
  SoundForm played;
  {
    std::lock_guard lock(mutex_);
    if (!open_) return 0;
    played = played_;
  }
  LengthSink sink(played);
  if (!DecodeSound(type, static_cast<const uint8_t*>(data), static_cast<size_t>(length), played, sink)) return 0;
  std::lock_guard lock(mutex_);
  if (!open_) return 0;
  const HSTREAM handle = next_handle_++;
  streams_[handle].duration_ms = sink.DurationMs();
  streams_[handle].bytes = sink.Bytes();
  return handle;
}

uint64_t NullSoundBackend::Length(HSTREAM stream) {
  std::lock_guard lock(mutex_);
  auto found = streams_.find(stream);
  return found == streams_.end() ? kBassNoLength : found->second.bytes;
}

bool NullSoundBackend::FreeStream(HSTREAM stream) {
  std::lock_guard lock(mutex_);
  return streams_.erase(stream) == 1;
}

uint32_t NullSoundBackend::Elapsed(const Stream& stream, uint32_t now) const {
  return stream.position_ms + (stream.state == State::kPlaying ? now - stream.started_at : 0);
}

bool NullSoundBackend::Play(HSTREAM handle, bool restart) {
  const uint32_t now = GetTickCount();
  std::lock_guard lock(mutex_);
  auto found = streams_.find(handle);
  if (found == streams_.end()) return false;
  Stream& stream = found->second;
  const bool ended = stream.state == State::kPlaying && !stream.loop && Elapsed(stream, now) >= stream.duration_ms;
  if (restart || stream.state == State::kIdle || ended) {
    stream.position_ms = 0;
    stream.started_at = now;
    ++stream.starts;
  } else if (stream.state != State::kPlaying) {
    stream.started_at = now;  // resumes from position_ms
  }
  stream.state = State::kPlaying;
  return true;
}

bool NullSoundBackend::Pause(HSTREAM handle) {
  const uint32_t now = GetTickCount();
  std::lock_guard lock(mutex_);
  auto found = streams_.find(handle);
  if (found == streams_.end()) return false;
  Stream& stream = found->second;
  if (stream.state != State::kPlaying || (!stream.loop && Elapsed(stream, now) >= stream.duration_ms)) return false;
  stream.position_ms = stream.loop ? Elapsed(stream, now) % stream.duration_ms : Elapsed(stream, now);
  stream.state = State::kPaused;
  return true;
}

bool NullSoundBackend::StopChannel(HSTREAM handle) {
  const uint32_t now = GetTickCount();
  std::lock_guard lock(mutex_);
  auto found = streams_.find(handle);
  if (found == streams_.end()) return false;
  Stream& stream = found->second;
  if (stream.state == State::kPlaying) {
    stream.position_ms =
        stream.loop ? Elapsed(stream, now) % stream.duration_ms : std::min(Elapsed(stream, now), stream.duration_ms);
    stream.state = stream.position_ms >= stream.duration_ms ? State::kIdle : State::kStopped;
  } else if (stream.state == State::kPaused) {
    stream.state = State::kStopped;
  }
  return true;
}

uint32_t NullSoundBackend::IsActive(HSTREAM handle) {
  const uint32_t now = GetTickCount();
  std::lock_guard lock(mutex_);
  auto found = streams_.find(handle);
  if (found == streams_.end()) return BASS_ACTIVE_STOPPED;
  const Stream& stream = found->second;
  switch (stream.state) {
    case State::kPlaying:
      return stream.loop || Elapsed(stream, now) < stream.duration_ms ? BASS_ACTIVE_PLAYING : BASS_ACTIVE_STOPPED;
    case State::kPaused:
      return BASS_ACTIVE_PAUSED;
    default:
      return BASS_ACTIVE_STOPPED;
  }
}

bool NullSoundBackend::SetLooping(HSTREAM handle, bool loop) {
  const uint32_t now = GetTickCount();
  std::lock_guard lock(mutex_);
  auto found = streams_.find(handle);
  if (found == streams_.end()) return false;
  Stream& stream = found->second;
  // A loop that ends goes on from where it stands in its current pass.
  if (stream.loop && !loop && stream.state == State::kPlaying) {
    stream.position_ms = Elapsed(stream, now) % stream.duration_ms;
    stream.started_at = now;
  }
  stream.loop = loop;
  return true;
}

bool NullSoundBackend::IsLooping(HSTREAM handle, bool* loop) {
  std::lock_guard lock(mutex_);
  auto found = streams_.find(handle);
  if (found == streams_.end()) return false;
  *loop = found->second.loop;
  return true;
}

bool NullSoundBackend::SetStreamVolume(HSTREAM handle, float volume) {
  std::lock_guard lock(mutex_);
  auto found = streams_.find(handle);
  if (found == streams_.end()) return false;
  found->second.volume = volume;
  return true;
}

bool NullSoundBackend::GetStreamVolume(HSTREAM handle, float* volume) {
  std::lock_guard lock(mutex_);
  auto found = streams_.find(handle);
  if (found == streams_.end()) return false;
  *volume = found->second.volume;
  return true;
}

bool NullSoundBackend::IsOpen() const {
  std::lock_guard lock(mutex_);
  return open_;
}

size_t NullSoundBackend::StreamCount() const {
  std::lock_guard lock(mutex_);
  return streams_.size();
}

uint32_t NullSoundBackend::DurationMs(HSTREAM handle) const {
  std::lock_guard lock(mutex_);
  auto found = streams_.find(handle);
  return found == streams_.end() ? 0 : found->second.duration_ms;
}

uint32_t NullSoundBackend::StartCount(HSTREAM handle) const {
  std::lock_guard lock(mutex_);
  auto found = streams_.find(handle);
  return found == streams_.end() ? 0 : found->second.starts;
}

}  // namespace platform
