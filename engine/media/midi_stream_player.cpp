// MIDI stream player: the merge of the tracks into stream buffers, and the transport.
#include "engine/media/midi_stream_player.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "engine/core/engine_log.h"

namespace engine {

namespace {

constexpr uint32_t kEventBytes = sizeof(platform::MIDIEVENT);
constexpr uint32_t kMetaTempo = 0x51;
constexpr uint32_t kMetaEndOfTrack = 0x2F;
constexpr uint32_t kVolumeController = 7;
constexpr uint32_t kDefaultTempo = 500000;  // microseconds a quarter note until the song sets one
// The shortest pass of a song that loops: a shorter one would have the device and the refills
// spin through the song thousands of times a second.
constexpr uint64_t kMinLoopPassUs = 10000;
constexpr auto kStopWait = std::chrono::milliseconds(2000);

void PutWord(char* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<char>(value >> (8 * i));
}

uint32_t GetWord(const char* at) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= uint32_t{static_cast<uint8_t>(at[i])} << (8 * i);
  return value;
}

}  // namespace

MidiStreamPlayer::MidiStreamPlayer() {
  worker_ = std::thread([this] { WorkerMain(); });
}

MidiStreamPlayer::~MidiStreamPlayer() {
  {
    std::lock_guard lock(mutex_);
    worker_quit_ = true;
  }
  worker_wake_.notify_all();
  worker_.join();
  std::lock_guard control(control_);
  StopLocked(false);
}

void MidiStreamPlayer::OnError(platform::MMRESULT result) {
  WriteGameLog("MIDI: the MIDI device answered error %u", result);
}

void MidiStreamPlayer::OnParseError(const MidiTrack& track, const char* text) {
  WriteGameLog("MIDI: track at byte %zu: %s", track.start, text);
}

void MidiStreamPlayer::OnOpen() {}

void MidiStreamPlayer::OnClose() {}

void MidiStreamPlayer::StreamCallback(platform::HMIDISTRM, uint32_t message, uintptr_t instance, uintptr_t param1,
                                      uintptr_t) {
  auto* player = reinterpret_cast<MidiStreamPlayer*>(instance);
  auto* header = reinterpret_cast<platform::MIDIHDR*>(param1);
  switch (message) {
    case platform::MOM_OPEN:
      player->OnOpen();
      break;
    case platform::MOM_CLOSE:
      player->OnClose();
      break;
    case platform::MOM_DONE:
      player->OnBufferDone(header);
      break;
    case platform::MOM_POSITIONCB: {
      if (header == nullptr || header->dwOffset > header->dwBytesRecorded ||
          header->dwBytesRecorded - header->dwOffset < kEventBytes) {
        break;
      }
      const char* at = header->lpData + header->dwOffset;
      const platform::MIDIEVENT event{GetWord(at), GetWord(at + 4), GetWord(at + 8)};
      player->OnPositionCallback(header, event);
      break;
    }
    default:
      break;
  }
}

// ---------------------------------------------------------------------------------------------
// Loading

int MidiStreamPlayer::Load(const uint8_t* data, size_t size, MidiOwnerWindow* owner) {
  std::lock_guard control(control_);
  if (IsLoaded()) {
    WriteGameLog("MIDI: a song is already loaded; the new one is refused");
    return 0;
  }
  if (data == nullptr || size > UINT32_MAX) {
    WriteGameLog("MIDI: no song bytes to load");
    return 0;
  }
  MidiFileHeader header;
  std::string why;
  if (!ReadMidiFileHeader({data, size}, &header, &why)) {
    WriteGameLog("MIDI: song refused: %s", why.c_str());
    return 0;
  }
  {
    std::lock_guard lock(mutex_);
    data_.assign(data, data + size);
    format_ = header.format;
    division_ = header.division;
    tracks_ = std::move(header.tracks);
    merge_ = MidiTrackMerge{};
    merge_.Reset(tracks_);
    owner_ = owner;
    channel_volumes_.assign(kChannelCount, 100);
    last_time_ = 0;
    pass_us_ = 0;
    ResetTempo();
    loaded_ = true;
  }
  if (OpenAndPrime() == 0) {
    // A buffer may already be queued: the device hands it back before the stream closes.
    if (stream_ != nullptr) platform::midiStreamStop(stream_);
    CloseStream();
    std::lock_guard lock(mutex_);
    data_.clear();
    tracks_.clear();
    merge_.Reset(tracks_);
    channel_volumes_.clear();
    owner_ = nullptr;
    loaded_ = false;
    return 0;
  }
  return 1;
}

bool MidiStreamPlayer::IsLoaded() const {
  std::lock_guard lock(mutex_);
  return loaded_;
}

int MidiStreamPlayer::OpenAndPrime() {
  if (stream_ == nullptr) {
    platform::HMIDISTRM stream = nullptr;
    const platform::MMRESULT opened = platform::midiStreamOpen(
        &stream, &device_id_, 1, &StreamCallback, reinterpret_cast<uintptr_t>(this), platform::CALLBACK_FUNCTION);
    if (opened != platform::MMSYSERR_NOERROR) {
      OnError(opened);
      return 0;
    }
    std::lock_guard lock(mutex_);
    stream_ = stream;
  }
  platform::MIDIPROPTIMEDIV division;
  division.dwTimeDiv = division_;
  const platform::MMRESULT set =
      platform::midiStreamProperty(stream_, &division, platform::MIDIPROP_SET | platform::MIDIPROP_TIMEDIV);
  if (set != platform::MMSYSERR_NOERROR) {
    OnError(set);
    return 0;
  }

  std::lock_guard lock(mutex_);
  buffers_out_ = 0;
  for (uint32_t i = 0; i < 2; ++i) {
    StreamBuffer& buffer = buffers_[i];
    buffer.data = std::make_unique<char[]>(kBufferBytes);
    buffer.header.lpData = buffer.data.get();
    buffer.header.dwBufferLength = kBufferBytes;
    ResetBuffer(buffer);
    const int filled = FillBuffer(i == 0, buffer);
    // The end of the song; or, in the second buffer, music that cannot be read further: as on a
    // refill, what was read before plays and the song ends there. Both buffers go out, so that
    // the end is seen when both are back (with one, the song would stay playing in silence).
    const bool last = filled == kFillEndOfSong || (i == 1 && filled != kFillReady);
    if (filled != kFillReady && !last) return 0;
    buffer.header.dwBytesRecorded = buffer.used;
    if (!headers_prepared_) {
      const platform::MMRESULT prepared =
          platform::midiOutPrepareHeader(stream_, &buffer.header, sizeof(platform::MIDIHDR));
      if (prepared != platform::MMSYSERR_NOERROR) {
        OnError(prepared);
        return 0;
      }
    }
    const platform::MMRESULT sent = platform::midiStreamOut(stream_, &buffer.header, sizeof(platform::MIDIHDR));
    if (sent != platform::MMSYSERR_NOERROR) {
      OnError(sent);
      break;
    }
    ++buffers_queued_;
    if (last) break;
  }
  headers_prepared_ = true;
  current_buffer_ = 0;
  return 1;
}

// Gives the buffers back to the device's keeping no more and closes the stream. Only when the
// device holds none of them: freeing a buffer it still plays from would be a use after free.
void MidiStreamPlayer::CloseStream() {
  if (stream_ == nullptr) return;
  platform::HMIDISTRM stream = stream_;
  {
    std::lock_guard lock(mutex_);
    if (buffers_queued_ != 0) {
      WriteGameLog("MIDI: the device still holds %u buffers; the stream stays open", buffers_queued_);
      return;
    }
    if (headers_prepared_) {
      for (StreamBuffer& buffer : buffers_) {
        if (buffer.data == nullptr) continue;
        const platform::MMRESULT result =
            platform::midiOutUnprepareHeader(stream, &buffer.header, sizeof(platform::MIDIHDR));
        if (result != platform::MMSYSERR_NOERROR) OnError(result);
      }
      headers_prepared_ = false;
    }
    for (StreamBuffer& buffer : buffers_) {
      buffer.data.reset();
      buffer.header = platform::MIDIHDR{};
    }
    stream_ = nullptr;
  }
  // Closing waits for the device thread, whose last callback must not find the lock taken.
  const platform::MMRESULT closed = platform::midiStreamClose(stream);
  if (closed != platform::MMSYSERR_NOERROR) OnError(closed);
}

// ---------------------------------------------------------------------------------------------
// Transport

int MidiStreamPlayer::Play(bool loop) {
  std::lock_guard control(control_);
  return PlayLocked(loop);
}

int MidiStreamPlayer::PlayLocked(bool loop) {
  if (paused_) {
    ResumeLocked();
    return 1;
  }
  if (playing_) StopLocked(true);
  std::lock_guard lock(mutex_);
  state_ = kStatePlaying;
  if (!loop_) tempo_pending_ = true;
  // Under the lock, so that a buffer the device returns at once already sees the song playing.
  const platform::MMRESULT result = platform::midiStreamRestart(stream_);
  if (result != platform::MMSYSERR_NOERROR) {
    OnError(result);
    return 0;
  }
  playing_ = true;
  loop_ = loop;
  return 1;
}

int MidiStreamPlayer::Pause() {
  std::lock_guard control(control_);
  if (playing_ && IsLoaded() && stream_ != nullptr && !paused_) {
    const platform::MMRESULT result = platform::midiStreamPause(stream_);
    if (result != platform::MMSYSERR_NOERROR) OnError(result);
    paused_ = true;
  }
  return 0;
}

int MidiStreamPlayer::Resume() {
  std::lock_guard control(control_);
  return ResumeLocked();
}

int MidiStreamPlayer::ResumeLocked() {
  if (playing_ && IsLoaded() && stream_ != nullptr && paused_) {
    const platform::MMRESULT result = platform::midiStreamRestart(stream_);
    if (result != platform::MMSYSERR_NOERROR) OnError(result);
    paused_ = false;
  }
  return 0;
}

int MidiStreamPlayer::Stop(bool reopen) {
  std::lock_guard control(control_);
  return StopLocked(reopen);
}

int MidiStreamPlayer::StopLocked(bool reopen) {
  if (stream_ == nullptr) {
    std::lock_guard lock(mutex_);
    playing_ = false;
    paused_ = false;
    state_ = kStatePlaying;
    end_of_song_request_ = false;
    return 1;
  }
  bool stop_device = false;
  {
    std::lock_guard lock(mutex_);
    if (playing_ || state_ != kStateStopped) {
      paused_ = false;
      playing_ = false;
      if (state_ != kStateStopped && state_ != kStateEndOfSong) state_ = kStateStopRequested;
      stop_device = true;
    }
  }
  if (stop_device) {
    // The device hands every buffer back through the callback, which takes the lock: it must
    // be free here.
    platform::MMRESULT result = platform::midiStreamStop(stream_);
    if (result == platform::MMSYSERR_NOERROR) result = platform::midiOutReset(stream_);
    if (result != platform::MMSYSERR_NOERROR) {
      OnError(result);
      return 0;
    }
    std::unique_lock lock(mutex_);
    if (!stopped_.wait_for(lock, kStopWait, [&] { return state_ == kStateStopped; })) {
      if (buffers_queued_ != 0) {
        WriteGameLog("MIDI: the device kept its buffers past the stop");
        return 0;
      }
      state_ = kStateStopped;
    }
  }

  {
    std::lock_guard lock(mutex_);
    if (state_ != kStateStopped) return 1;
    state_ = kStatePlaying;
    // Whatever the end of the song asked for, this stop has done.
    end_of_song_request_ = false;
  }
  CloseStream();
  if (stream_ != nullptr) return 0;
  if (reopen) {
    {
      // Rewound before priming, so that the primed buffers hold the song's beginning. A looping
      // song that broke off at music that cannot be read starts over too: its tracks stand
      // inside the broken event.
      std::lock_guard lock(mutex_);
      if (!loop_ || (fill_flags_ & kParseFailed) != 0) {
        RewindTracks();
        fill_flags_ = 0;
      }
    }
    if (OpenAndPrime() == 0) {
      // A half-primed stream would keep a buffer that the next stop waits for in vain.
      if (stream_ != nullptr) platform::midiStreamStop(stream_);
      CloseStream();
      return 0;
    }
  }
  return 1;
}

void MidiStreamPlayer::OnBufferDone(platform::MIDIHDR* header) {
  std::lock_guard lock(mutex_);
  if (state_ == kStateStopped) return;
  ++buffers_out_;
  if (buffers_queued_ > 0) --buffers_queued_;
  switch (state_) {
    case kStateEndOfSong:
      if (buffers_out_ >= 2) {
        state_ = kStateStopped;
        // The stop itself happens on the player's own thread: the device cannot be stopped or
        // closed from inside its callback.
        end_of_song_request_ = true;
        worker_wake_.notify_all();
        stopped_.notify_all();
      }
      break;
    case kStateStopRequested:
      if (buffers_out_ >= 2) {
        state_ = kStateStopped;
        stopped_.notify_all();
      }
      break;
    case kStatePlaying: {
      if (!playing_) break;
      const uint32_t index = header == &buffers_[1].header ? 1 : 0;
      StreamBuffer& buffer = buffers_[index];
      if (buffer.data == nullptr) break;
      ResetBuffer(buffer);
      const int filled = FillBuffer(false, buffer);
      // Music read before a parse error still plays; the next fill reports the error again.
      if (filled == kFillReady || (filled == kFillParseError && buffer.used > 0)) {
        buffer.header.dwBytesRecorded = buffer.used;
        const platform::MMRESULT sent = platform::midiStreamOut(stream_, &buffer.header, sizeof(platform::MIDIHDR));
        if (sent == platform::MMSYSERR_NOERROR) {
          current_buffer_ = (index + 1) % 2;
          --buffers_out_;
          ++buffers_queued_;
        } else {
          OnError(sent);
        }
      } else {
        // The end of the song, or music that cannot be read further: once the other buffer is
        // back, the song is over (rather than playing on forever in silence).
        state_ = kStateEndOfSong;
        if (buffers_out_ >= 2) {
          state_ = kStateStopped;
          end_of_song_request_ = true;
          worker_wake_.notify_all();
          stopped_.notify_all();
        }
      }
      break;
    }
    default:
      break;
  }
}

void MidiStreamPlayer::OnPositionCallback(platform::MIDIHDR*, const platform::MIDIEVENT& event) {
  const uint32_t message = event.dwEvent & 0xFFFFFF;
  if ((message & 0xF0) != 0xB0 || ((message >> 8) & 0x7F) != kVolumeController) return;
  const uint32_t channel = message & 0x0F;
  const uint32_t volume = ((message >> 16) & 0x7F) * 100 / 127;
  MidiOwnerWindow* owner = nullptr;
  {
    std::lock_guard lock(mutex_);
    if (channel < channel_volumes_.size()) channel_volumes_[channel] = volume;
    owner = owner_;
  }
  if (owner != nullptr && owner->IsWindow()) {
    owner->PostMessage(kMidiVolumeMessage, reinterpret_cast<uintptr_t>(this), channel | volume << 16);
  }
}

// ---------------------------------------------------------------------------------------------
// Settings

void MidiStreamPlayer::SetLoop(bool loop) {
  std::lock_guard lock(mutex_);
  loop_ = loop;
}

void MidiStreamPlayer::SetTempoPercent(uint32_t percent) {
  std::lock_guard lock(mutex_);
  tempo_percent_ = percent == 0 ? 1 : percent;
  tempo_pending_ = true;
}

uint32_t MidiStreamPlayer::GetTempoPercent() const {
  std::lock_guard lock(mutex_);
  return tempo_percent_;
}

void MidiStreamPlayer::SetChannelVolume(uint32_t channel, uint32_t percent) {
  std::lock_guard control(control_);
  if (!playing_ || stream_ == nullptr) return;
  percent = std::min<uint32_t>(percent, 100);
  {
    std::lock_guard lock(mutex_);
    if (channel >= channel_volumes_.size()) return;
    channel_volumes_[channel] = percent;
  }
  const uint32_t message = (0xB0 | channel) | kVolumeController << 8 | (percent * 127 / 100) << 16;
  const platform::MMRESULT result = platform::midiOutShortMsg(stream_, message);
  if (result != platform::MMSYSERR_NOERROR) OnError(result);
}

void MidiStreamPlayer::SetVolume(uint32_t percent) {
  for (uint32_t channel = 0; channel < GetChannelCount(); ++channel) SetChannelVolume(channel, percent);
}

uint32_t MidiStreamPlayer::GetVolume() const {
  std::lock_guard lock(mutex_);
  if (channel_volumes_.empty()) return 0;
  uint64_t sum = 0;
  for (uint32_t volume : channel_volumes_) sum += volume;
  return static_cast<uint32_t>(sum / channel_volumes_.size());
}

uint32_t MidiStreamPlayer::GetChannelVolume(uint32_t channel) const {
  std::lock_guard lock(mutex_);
  return channel < channel_volumes_.size() ? channel_volumes_[channel] : 0;
}

uint32_t MidiStreamPlayer::GetChannelCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<uint32_t>(channel_volumes_.size());
}

uint32_t MidiStreamPlayer::GetTicksPerBuffer() const {
  std::lock_guard lock(mutex_);
  return ticks_per_buffer_;
}

uint32_t MidiStreamPlayer::GetState() const {
  std::lock_guard lock(mutex_);
  return state_;
}

uint64_t MidiStreamPlayer::GetMergeComparisons() const {
  std::lock_guard lock(mutex_);
  return merge_.Comparisons();
}

// ---------------------------------------------------------------------------------------------
// Filling buffers

void MidiStreamPlayer::ResetBuffer(StreamBuffer& buffer) {
  buffer.start_offset = 0;
  buffer.capacity = kBufferBytes;
  buffer.used = 0;
  buffer.start_time = 0;
  buffer.over_budget = 0;
}

uint64_t MidiStreamPlayer::TicksToMicroseconds(uint32_t ticks) const {
  if ((division_ & 0x8000) != 0) {
    // SMPTE: the high byte is minus the frames per second, the low byte the ticks per frame.
    const uint32_t frames_per_second = 256 - (division_ >> 8 & 0xFF);
    const uint32_t ticks_per_frame = division_ & 0xFF;
    if (ticks_per_frame == 0) return 0;
    // 29 stands for 29.97 frames a second (30000 / 1001).
    if (frames_per_second == 29) return uint64_t{ticks} * 1001000000 / (30000 * ticks_per_frame);
    return uint64_t{ticks} * 1000000 / (frames_per_second * ticks_per_frame);
  }
  if (division_ == 0) return 0;
  return uint64_t{ticks} * (tempo_ != 0 ? tempo_ : kDefaultTempo) / division_;
}

uint32_t MidiStreamPlayer::ScaledTempo() const {
  // The device reads 24 bits of tempo; a very slow percentage must not spill into the type.
  return std::min<uint32_t>(tempo_ * 100 / tempo_percent_, 0xFFFFFF);
}

void MidiStreamPlayer::WriteStreamEvent(StreamBuffer& buffer, uint32_t delta, uint32_t event) {
  char* at = buffer.data.get() + buffer.start_offset + buffer.used;
  PutWord(at, delta);
  PutWord(at + 4, 0);
  PutWord(at + 8, event);
  buffer.used += kEventBytes;
}

int MidiStreamPlayer::AddEvent(StreamBuffer& buffer, MidiEvent& event) {
  if (buffer.used == 0) buffer.start_time = last_time_;
  if (last_time_ - buffer.start_time > ticks_per_buffer_) {
    if (!buffer.over_budget) {
      buffer.over_budget = 1;
    } else {
      buffer.over_budget = 0;
      return kBufferFull;
    }
  }
  auto free_bytes = [&] { return buffer.capacity - buffer.used; };
  if (tempo_pending_) {
    if (free_bytes() < kEventBytes) return kBufferFull;
    if (tempo_ != 0) WriteStreamEvent(buffer, 0, ScaledTempo() | platform::MEVT_TEMPO << 24);
    tempo_pending_ = false;
  }

  const uint8_t status = event.Status();
  uint32_t stream_event = 0;
  uint32_t new_tempo = 0;
  if (status < 0xF0) {
    stream_event = status | uint32_t{event.bytes[1]} << 8 | uint32_t{event.bytes[2]} << 16;
    if ((status & 0xF0) == 0xB0 && event.bytes[1] == kVolumeController) stream_event |= platform::MEVT_F_CALLBACK;
  } else if (status == 0xF0 || status == 0xF7) {
    return kAdded;  // SysEx is not sent to the device
  } else if (event.bytes[1] == kMetaTempo) {
    if (event.data.size() >= 3) {
      new_tempo = uint32_t{event.data[0]} << 16 | uint32_t{event.data[1]} << 8 | event.data[2];
    }
    if (new_tempo == 0) {
      WriteGameLog("MIDI: a tempo event without a usable tempo is skipped");
      return kNotForOutput;
    }
  } else {
    return kNotForOutput;
  }
  if (free_bytes() < kEventBytes) return kBufferFull;

  // Only an event that is written moves the time on: an event held for the next buffer, or one
  // not sent to the device, must not swallow the time that passes before it.
  const uint32_t delta = event.time > last_time_ ? event.time - last_time_ : 0;
  last_time_ = std::max(last_time_, event.time);
  pass_us_ += TicksToMicroseconds(delta);
  if (new_tempo != 0) {
    tempo_ = new_tempo;
    WriteStreamEvent(buffer, delta, ScaledTempo() | platform::MEVT_TEMPO << 24);
    ticks_per_buffer_ = static_cast<uint32_t>(uint64_t{division_} * 60000 / tempo_);
  } else {
    WriteStreamEvent(buffer, delta, stream_event);
  }
  return kAdded;
}

void MidiStreamPlayer::RewindTracks() {
  for (MidiTrack& track : tracks_) RewindMidiTrack(data_, track);
  merge_.Reset(tracks_);
  // The song's time starts again at 0; leaving the last time at the song's end would give the
  // first event of the next pass a delta that wraps around.
  last_time_ = 0;
  pass_us_ = 0;
  ResetTempo();
}

void MidiStreamPlayer::ResetTempo() {
  // At its beginning a song plays at the default tempo until its own tempo events change it.
  // The device is told so before the first event: after a loop it still holds the last tempo
  // of the pass before, which would play the opening of a song with a late tempo too fast.
  tempo_ = kDefaultTempo;
  tempo_pending_ = true;
}

int MidiStreamPlayer::FillBuffer(bool first_call, StreamBuffer& buffer) {
  buffer.used = 0;
  if (first_call) {
    fill_flags_ = 0;
    pending_event_ = MidiEvent{};
  }
  if (fill_flags_ & kAllTracksEnded) {
    // A pass that takes no time (no events, or all at tick 0) would loop without end and keep
    // the device busy, and so would one of a few microseconds (made of a tiny tempo or a huge
    // division): such a song ends even when looping.
    if (!loop_) return kFillEndOfSong;
    if (pass_us_ < kMinLoopPassUs) {
      WriteGameLog("MIDI: a pass of %llu us is too short to loop; the song ends",
                   static_cast<unsigned long long>(pass_us_));
      return kFillEndOfSong;
    }
    RewindTracks();
    fill_flags_ = 0;
  }
  if (fill_flags_ & kParseFailed) return kFillEarlierError;
  if (fill_flags_ & kEventPending) {
    fill_flags_ &= ~kEventPending;
    const bool end_of_track = pending_event_.Status() == 0xFF && pending_event_.bytes[1] == kMetaEndOfTrack;
    if (!end_of_track && AddEvent(buffer, pending_event_) == kBufferFull) {
      fill_flags_ |= kEventPending;
      return kFillReady;
    }
  }
  const std::span<const uint8_t> file(data_);
  for (;;) {
    uint32_t chosen = 0;
    if (!merge_.Next(&chosen)) {
      fill_flags_ |= kAllTracksEnded;
      return kFillReady;
    }
    MidiEvent event;
    const char* error_text = nullptr;
    if (!ReadMidiEvent(file, tracks_[chosen], &event, &error_text)) {
      if (error_text != nullptr) OnParseError(tracks_[chosen], error_text);
      fill_flags_ |= kParseFailed;
      return kFillParseError;
    }
    merge_.Advanced(tracks_);
    if (event.Status() == 0xFF && event.bytes[1] == kMetaEndOfTrack) continue;
    if (AddEvent(buffer, event) == kBufferFull) {
      pending_event_ = std::move(event);
      fill_flags_ |= kEventPending;
      return kFillReady;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// The player's own thread

void MidiStreamPlayer::WorkerMain() {
  std::unique_lock lock(mutex_);
  for (;;) {
    worker_wake_.wait(lock, [&] { return worker_quit_ || end_of_song_request_; });
    if (worker_quit_) return;
    worker_busy_ = true;
    ++worker_runs_;
    lock.unlock();
    {
      std::lock_guard control(control_);
      bool still_wanted;
      {
        std::lock_guard inner(mutex_);
        still_wanted = end_of_song_request_;
        end_of_song_request_ = false;
      }
      // A stop, play or load that came first has already dealt with the end.
      if (still_wanted) {
        // StopLocked only goes ahead in the stopped state, which the callback set.
        StopLocked(true);
      }
    }
    lock.lock();
    worker_busy_ = false;
    worker_idle_.notify_all();
  }
}

void MidiStreamPlayer::WaitUntilSettled() {
  for (;;) {
    uint64_t runs;
    {
      std::lock_guard lock(mutex_);
      runs = worker_runs_;
    }
    {
      std::lock_guard control(control_);
      platform::MidiStreamSettle(stream_);
    }
    std::unique_lock lock(mutex_);
    worker_idle_.wait(lock, [&] { return !worker_busy_ && !end_of_song_request_; });
    if (worker_runs_ == runs) return;
  }
}

}  // namespace engine
