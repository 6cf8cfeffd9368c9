// Sound channels on SDL2_mixer.
//
// Each stream is a decoded chunk with a mixer channel of its own. The chunk is made here, not by
// the mixer's loader (which would take any bytes for whatever they look like, a MIDI song named
// as a WAV included, and decode them whole): the sound is read as its declared type, and its
// samples are converted into the mixer's form block by block as they are decoded, within the
// bounds of sound_decode.h: what the chunk may take is counted in the mixer's own form.
//
// A stopped stream is held paused so that a later play resumes where it stopped. The master
// volume times the stream's own is the mixer's gain on its channel, never the system's mixer. A
// stream set to loop while it plays loops from the end of that pass (noticed when asked whether it
// plays); one that stops looping while it plays ends at its next play. SDL's audio stays started
// also when no device opens (sdl_audio.h). Needs SDL2 and SDL2_mixer (its mixing only).
#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
#include <vector>

#include "platform/audio_quiet.h"
#include "platform/diagnostics.h"
#include "platform/sdl_audio.h"
#include "platform/sound_channel.h"
#include "platform/sound_decode.h"

namespace platform {

namespace {

// Converts the decoded samples into the mixer's form as they come, into the buffer that becomes
// the chunk.
class ChunkSink final : public SoundSink {
 public:
  explicit ChunkSink(const SoundForm& played) : played_(played) {}
  ~ChunkSink() override {
    if (stream_ != nullptr) SDL_FreeAudioStream(stream_);
    SDL_free(buffer_);
  }

  bool Begin(const SoundForm& form) override {
    form_ = form;
    stream_ = SDL_NewAudioStream(form.format, static_cast<Uint8>(form.channels), static_cast<int>(form.rate),
                                 played_.format, static_cast<Uint8>(played_.channels), static_cast<int>(played_.rate));
    return stream_ != nullptr;
  }

  bool Samples(const uint8_t* bytes, size_t count) override {
    frames_ += count / form_.FrameBytes();
    return count <= INT_MAX && SDL_AudioStreamPut(stream_, bytes, static_cast<int>(count)) == 0 && Drain();
  }

  // The chunk of every sample converted (owned by the caller), or null.
  Mix_Chunk* Finish() {
    if (stream_ == nullptr || !PushTail() || SDL_AudioStreamFlush(stream_) != 0 || !Drain()) return nullptr;
    // As long as the sound, and no longer: the silence behind it goes, and so does spare room.
    used_ = std::min<uint64_t>(used_, ConvertedBytes(frames_, form_.rate, played_));
    if (used_ == 0) return nullptr;
    if (auto* fitted = static_cast<Uint8*>(SDL_realloc(buffer_, used_))) buffer_ = fitted;
    auto* chunk = static_cast<Mix_Chunk*>(SDL_malloc(sizeof(Mix_Chunk)));
    if (chunk == nullptr) return nullptr;
    chunk->allocated = 1;  // the mixer frees the samples with the chunk (SDL_free)
    chunk->abuf = buffer_;
    chunk->alen = static_cast<Uint32>(used_);
    chunk->volume = MIX_MAX_VOLUME;
    buffer_ = nullptr;
    return chunk;
  }

 private:
  // The decoder counts what the samples will take before they come; the converter's rounding
  // and the silence of PushTail add a few thousand frames to that, never more.
  static constexpr size_t kMostBytes = kMaxSoundBytes + 65536;

  // SDL's resampler holds back the last 512 frames of its filter (more, in the sound's own
  // frames, when it lowers the rate), and its flush does not always give them: the end of a
  // short sound would be lost. Twice that much silence behind the sound pushes them out.
  bool PushTail() {
    if (form_.rate == played_.rate || form_.rate == 0 || played_.rate == 0) return true;
    const uint64_t held = std::max<uint64_t>(512, (uint64_t{512} * form_.rate + played_.rate - 1) / played_.rate);
    // Silence is the middle of the range: 0x80 for unsigned 8-bit samples, 0 for the others.
    const std::vector<uint8_t> silence(2 * held * form_.FrameBytes(), form_.format == AUDIO_U8 ? 0x80 : 0);
    return SDL_AudioStreamPut(stream_, silence.data(), static_cast<int>(silence.size())) == 0 && Drain();
  }

  bool Drain() {
    const int available = SDL_AudioStreamAvailable(stream_);
    if (available <= 0) return true;
    const size_t needed = used_ + static_cast<size_t>(available);
    if (needed > kMostBytes) return false;
    if (needed > capacity_) {
      const size_t capacity = std::max(needed, std::min(capacity_ * 2, kMostBytes));
      auto* grown = static_cast<Uint8*>(SDL_realloc(buffer_, capacity));
      if (grown == nullptr) return false;
      buffer_ = grown;
      capacity_ = capacity;
    }
    const int got = SDL_AudioStreamGet(stream_, buffer_ + used_, available);
    if (got < 0) return false;
    used_ += static_cast<size_t>(got);
    return true;
  }

  const SoundForm played_;
  SoundForm form_;       // the decoded samples'
  uint64_t frames_ = 0;  // decoded frames handed in
  SDL_AudioStream* stream_ = nullptr;
  Uint8* buffer_ = nullptr;
  size_t used_ = 0;
  size_t capacity_ = 0;
};

class SdlSoundBackend final : public SoundBackend {
 public:
  ~SdlSoundBackend() override { Free(); }

  bool Init(uint32_t frequency) override {
    if (open_) return true;
    SilenceAudioLibraryMessages();
    if (!StartSdlAudio()) {
      ReportProblem("sound: no audio (%s)", SDL_GetError());
      return false;
    }
    if (Mix_OpenAudio(static_cast<int>(frequency == 0 ? 44100 : frequency), AUDIO_S16SYS, 2, 1024) != 0) {
      ReportProblem("sound: the audio device cannot be opened (%s)", Mix_GetError());
      return false;
    }
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
    Mix_QuerySpec(&rate, &format, &channels);
    played_ = SoundForm{format, static_cast<uint32_t>(std::max(channels, 0)), static_cast<uint32_t>(std::max(rate, 0))};
    open_ = true;
    paused_all_ = false;
    return true;
  }

  void Start() override {
    if (!open_ || !paused_all_) return;
    paused_all_ = false;
    for (auto& [handle, stream] : streams_) {
      if (stream.state == State::kPlaying) Mix_Resume(stream.channel);
    }
  }

  void Stop() override {
    if (!open_) return;
    paused_all_ = true;
    Mix_Pause(-1);
  }

  void Free() override {
    if (!open_) return;
    Mix_HaltChannel(-1);
    for (auto& [handle, stream] : streams_) Mix_FreeChunk(stream.chunk);
    streams_.clear();
    free_channels_.clear();
    channel_count_ = 0;
    Mix_CloseAudio();
    open_ = false;
  }

  float GetVolume() override { return volume_; }

  void SetVolume(float volume) override {
    volume_ = volume;
    if (!open_) return;
    for (auto& [handle, stream] : streams_) Mix_Volume(stream.channel, MixVolume(stream));
  }

  HSTREAM CreateStream(SoundFileType type, const void* data, uint64_t length) override {
    if (!open_) return 0;
    ChunkSink sink(played_);
    if (!DecodeSound(type, static_cast<const uint8_t*>(data), static_cast<size_t>(length), played_, sink)) return 0;
    Mix_Chunk* chunk = sink.Finish();
    if (chunk == nullptr) {
      ReportProblem("sound: refused (%s, %llu bytes): its samples cannot be converted (%s)", SoundTypeName(type),
                    static_cast<unsigned long long>(length), SDL_GetError());
      return 0;
    }
    int channel;
    if (!free_channels_.empty()) {
      channel = free_channels_.back();
      free_channels_.pop_back();
    } else {
      channel = channel_count_++;
      Mix_AllocateChannels(channel_count_);
    }
    const HSTREAM handle = next_handle_++;
    Stream& stream = streams_[handle] = Stream{chunk, channel, State::kIdle};
    Mix_Volume(channel, MixVolume(stream));
    return handle;
  }

  uint64_t Length(HSTREAM handle) override {
    Stream* stream = Find(handle);
    return stream == nullptr ? kBassNoLength : stream->chunk->alen;
  }

  bool FreeStream(HSTREAM handle) override {
    auto found = streams_.find(handle);
    if (found == streams_.end()) return false;
    Mix_HaltChannel(found->second.channel);
    Mix_FreeChunk(found->second.chunk);
    free_channels_.push_back(found->second.channel);
    streams_.erase(found);
    return true;
  }

  bool Play(HSTREAM handle, bool restart) override {
    Stream* stream = Find(handle);
    if (stream == nullptr) return false;
    const bool ended = stream->state == State::kPlaying && Mix_Playing(stream->channel) == 0;
    if (restart || stream->state == State::kIdle || ended) {
      if (Mix_PlayChannel(stream->channel, stream->chunk, stream->loop ? -1 : 0) < 0) return false;
    } else if (stream->state != State::kPlaying) {
      Mix_Resume(stream->channel);
    }
    stream->state = State::kPlaying;
    if (paused_all_) Mix_Pause(stream->channel);
    return true;
  }

  bool Pause(HSTREAM handle) override {
    Stream* stream = Find(handle);
    if (stream == nullptr || stream->state != State::kPlaying || Mix_Playing(stream->channel) == 0) return false;
    Mix_Pause(stream->channel);
    stream->state = State::kPaused;
    return true;
  }

  bool StopChannel(HSTREAM handle) override {
    Stream* stream = Find(handle);
    if (stream == nullptr) return false;
    if (stream->state == State::kPlaying && Mix_Playing(stream->channel) != 0) Mix_Pause(stream->channel);
    if (stream->state == State::kPlaying || stream->state == State::kPaused) stream->state = State::kStopped;
    return true;
  }

  uint32_t IsActive(HSTREAM handle) override {
    Stream* stream = Find(handle);
    if (stream == nullptr) return BASS_ACTIVE_STOPPED;
    switch (stream->state) {
      case State::kPlaying:
        if (Mix_Playing(stream->channel) != 0) return BASS_ACTIVE_PLAYING;
        if (stream->loop && Mix_PlayChannel(stream->channel, stream->chunk, -1) >= 0) return BASS_ACTIVE_PLAYING;
        return BASS_ACTIVE_STOPPED;
      case State::kPaused:
        return BASS_ACTIVE_PAUSED;
      default:
        return BASS_ACTIVE_STOPPED;
    }
  }

  bool SetLooping(HSTREAM handle, bool loop) override {
    Stream* stream = Find(handle);
    if (stream == nullptr) return false;
    stream->loop = loop;
    return true;
  }

  bool IsLooping(HSTREAM handle, bool* loop) override {
    Stream* stream = Find(handle);
    if (stream == nullptr) return false;
    *loop = stream->loop;
    return true;
  }

  bool SetStreamVolume(HSTREAM handle, float volume) override {
    Stream* stream = Find(handle);
    if (stream == nullptr) return false;
    stream->volume = volume;
    Mix_Volume(stream->channel, MixVolume(*stream));
    return true;
  }

  bool GetStreamVolume(HSTREAM handle, float* volume) override {
    Stream* stream = Find(handle);
    if (stream == nullptr) return false;
    *volume = stream->volume;
    return true;
  }

 private:
  enum class State { kIdle, kPlaying, kPaused, kStopped };
  struct Stream {
    Mix_Chunk* chunk;
    int channel;
    State state;
    bool loop = false;
    float volume = 1.0f;
  };

  Stream* Find(HSTREAM handle) {
    auto found = streams_.find(handle);
    return found == streams_.end() ? nullptr : &found->second;
  }
  int MixVolume(const Stream& stream) const {
    return static_cast<int>(volume_ * stream.volume * MIX_MAX_VOLUME + 0.5f);
  }

  bool open_ = false;
  SoundForm played_;  // the mixer's form, which the chunks hold
  bool paused_all_ = false;
  float volume_ = 1.0f;
  std::map<HSTREAM, Stream> streams_;
  std::vector<int> free_channels_;
  int channel_count_ = 0;
  HSTREAM next_handle_ = 1;
};

}  // namespace

std::unique_ptr<SoundBackend> MakeSdlSoundBackend() { return std::make_unique<SdlSoundBackend>(); }

}  // namespace platform
