// Null sound channels: time kept on the installed clock, lengths read from WAV headers.
#include "platform/sound_channel_null.h"

#include <algorithm>
#include <cstring>

#include "platform/clock.h"
#include "platform/diagnostics.h"

namespace platform {

namespace {

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }

// The length in milliseconds of a RIFF WAVE file, from its fmt and data chunks; 0 when the
// bytes are not one. Every chunk is checked against the bytes before it is read.
uint32_t WaveDurationMs(const uint8_t* data, uint64_t length) {
  if (length < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) return 0;
  uint32_t byte_rate = 0;
  uint64_t at = 12;
  while (length - at >= 8) {
    const uint32_t size = Le32(data + at + 4);
    const uint8_t* body = data + at + 8;
    const uint64_t left = length - at - 8;
    if (std::memcmp(data + at, "fmt ", 4) == 0) {
      if (size < 16 || left < 16) return 0;
      byte_rate = Le32(body + 8);
    } else if (std::memcmp(data + at, "data", 4) == 0) {
      if (byte_rate == 0) return 0;
      const uint64_t bytes = std::min<uint64_t>(size, left);  // a cut-off file plays what it has
      return static_cast<uint32_t>(std::min<uint64_t>(bytes * 1000 / byte_rate, UINT32_MAX));
    }
    // A chunk that claims more bytes than are left ends the file before any data chunk.
    const uint64_t skip = uint64_t{size} + (size & 1);
    if (skip > left) return 0;
    at += 8 + skip;
  }
  return 0;
}

bool LooksCompressed(const uint8_t* data, uint64_t length) {
  if (length >= 4 && std::memcmp(data, "OggS", 4) == 0) return true;
  if (length >= 3 && std::memcmp(data, "ID3", 3) == 0) return true;
  return length >= 2 && data[0] == 0xFF && (data[1] & 0xE0) == 0xE0;  // an MPEG frame
}

}  // namespace

bool NullSoundBackend::Init(uint32_t) {
  std::lock_guard lock(mutex_);
  if (!device_present_) {
    ReportProblem("sound: no audio device");
    return false;
  }
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

HSTREAM NullSoundBackend::CreateStream(const void* data, uint64_t length) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  uint32_t duration = WaveDurationMs(bytes, length);
  if (duration == 0 && LooksCompressed(bytes, length)) duration = kUnmeasuredMs;
  std::lock_guard lock(mutex_);
  if (!open_ || duration == 0) return 0;
  const HSTREAM handle = next_handle_++;
  streams_[handle].duration_ms = duration;
  return handle;
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
