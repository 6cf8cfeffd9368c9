// The music module: sound streams, the MIDI player, and the pass that repeats and retires sounds.
#include "engine/media/music_module.h"

#include "engine/core/engine_files.h"
#include "engine/core/engine_log.h"
#include "engine/core/game_core.h"
#include "engine/core/object_module.h"
#include "engine/media/midi_stream_player.h"
#include "engine/media/resource_module.h"

namespace engine {

namespace {

constexpr uint32_t kRecordCells = 32;

}  // namespace

MusicModule::MusicModule()
    : record_pool_(std::make_unique<MemoryPool>(static_cast<uint32_t>(sizeof(PlayingSound)), kRecordCells)) {}

MusicModule::~MusicModule() {
  midi_player_.reset();
  for (PlayingSound* record = playing_; record != nullptr;) {
    PlayingSound* next = record->next;
    record_pool_->Free(record);
    record = next;
  }
  playing_ = nullptr;
}

int MusicModule::Init() {
  resources_ = dynamic_cast<ResourceModule*>(FindModule(ResourceModule::kId));
  if (resources_ == nullptr) return 0;
  void* window = GetCore() != nullptr ? GetCore()->GetMainWindow() : nullptr;
  // Without an audio device the module stays out and the engine runs without sound.
  if (!platform::BASS_Init(-1, 44100, 0, window, nullptr)) {
    WriteGameLog("MusicModule: no audio device, the game runs without sound");
    return 0;
  }
  platform::BASS_Start();
  volume_ = platform::BASS_GetVolume();
  audio_ready_ = true;
  SetInterval(kTickInterval);
  return 1;
}

void MusicModule::Exit() {
  if (!audio_ready_) return;
  platform::BASS_Stop();
  platform::BASS_Free();  // releases every stream
  sounds_.clear();
  loaded_bytes_ = 0;
  refused_.clear();
  let_go_.clear();
  audio_ready_ = false;
}

int32_t MusicModule::HandleEvent(uint32_t, uintptr_t, uintptr_t) { return 1; }

void MusicModule::Tick() {
  DrainQueue();
  PlayingSound** link = &playing_;
  while (*link != nullptr) {
    PlayingSound* record = *link;
    if (IsChannelActive(record->channel) == 0) {
      // A count of 0 wraps here, so the sound repeats until it is stopped.
      --record->remaining;
      if (record->remaining == 0) {
        *link = record->next;
        OnSoundFinished(&record->notify);
        record_pool_->Free(record);
        continue;
      }
      ResumeChannel(record->channel, 1);
    }
    link = &record->next;
  }
}

void MusicModule::SetSoundOff(uint32_t off) { sound_off_ = off; }

NameKey MusicModule::SoundKey(const char* name) {
  return MakeNameKey(GetFileTitle(name != nullptr ? name : "") + ".sound");
}

uint32_t MusicModule::PlaySoundByKey(const NameKey& key, uint32_t count, const ObjectMessage* notify) {
  auto found = sounds_.find(key);
  if (found != sounds_.end()) {
    Touch(found->second);
    return StartChannel(found->second.stream, count, notify);
  }
  uint32_t channel = 0;
  if (LoadSoundByKey(key, &channel) == 0) return 0;
  if (channel != kMidiChannel) return StartChannel(channel, count, notify);
  StartMidi(count, notify);
  return 0;
}

uint32_t MusicModule::PlaySound(const char* name, uint32_t count, const ObjectMessage* notify) {
  if (!audio_ready_ || sound_off_ != 0) return 0;
  return PlaySoundByKey(SoundKey(name), count, notify);
}

void MusicModule::SetVolume(float volume) {
  volume_ = volume;
  platform::BASS_SetVolume(volume);
}

float MusicModule::GetVolume() { return platform::BASS_GetVolume(); }

void MusicModule::UnloadSound(const char* name) {
  if (!audio_ready_ || sound_off_ != 0) return;
  const NameKey key = SoundKey(name);
  refused_.erase(key);  // read again at its next play
  auto found = sounds_.find(key);
  if (found != sounds_.end()) {
    // Plays of it still queued end now: a freed stream would never play again, and a sound
    // repeated without end would be kept forever.
    const uint32_t stream = found->second.stream;
    for (PlayingSound** link = &playing_; *link != nullptr;) {
      PlayingSound* record = *link;
      if (record->channel != stream) {
        link = &record->next;
        continue;
      }
      *link = record->next;
      OnSoundFinished(&record->notify);
      record_pool_->Free(record);
    }
    Drop(found);
    return;
  }
  // A sound let go to make room is as good as unloaded already.
  if (let_go_.erase(key) != 0) return;
  // MIDI songs are not in the table: any other name lets the MIDI player go.
  midi_player_.reset();
}

uint32_t MusicModule::PauseChannel(uint32_t channel) {
  if (channel != kMidiChannel) return platform::BASS_ChannelPause(channel) ? 1 : 0;
  if (midi_player_ == nullptr) return 0;
  midi_player_->Pause();
  return 1;
}

uint32_t MusicModule::StopChannel(uint32_t channel) {
  // The sound's record goes first, so that the next pass does not start it again.
  for (PlayingSound** link = &playing_; *link != nullptr; link = &(*link)->next) {
    PlayingSound* record = *link;
    if (record->channel == channel) {
      *link = record->next;
      OnSoundFinished(&record->notify);
      record_pool_->Free(record);
      break;
    }
  }
  if (channel != kMidiChannel) return platform::BASS_ChannelStop(channel) ? 1 : 0;
  if (midi_player_ == nullptr) return 0;
  return static_cast<uint32_t>(midi_player_->Stop(true));
}

uint32_t MusicModule::ResumeChannel(uint32_t channel, uint32_t restart) {
  if (channel != kMidiChannel) return platform::BASS_ChannelPlay(channel, restart != 0) ? 1 : 0;
  if (midi_player_ == nullptr) return 0;
  return static_cast<uint32_t>(midi_player_->Play(false));
}

void MusicModule::StopAll() {
  while (playing_ != nullptr) {
    PlayingSound* record = playing_;
    if (record->channel != kMidiChannel) {
      platform::BASS_ChannelStop(record->channel);
    } else if (midi_player_ != nullptr) {
      midi_player_->Stop(true);
    }
    playing_ = record->next;
    OnSoundFinished(&record->notify);
    record_pool_->Free(record);
  }
}

uint32_t MusicModule::IsChannelActive(uint32_t channel) {
  if (channel != kMidiChannel) return platform::BASS_ChannelIsActive(channel);
  return midi_player_ != nullptr && midi_player_->IsPlaying() ? 1 : 0;
}

bool MusicModule::IsMidiType(uint32_t type_hash) {
  static const uint32_t kMid = NameKeyRS(".mid");
  static const uint32_t kMidi = NameKeyRS(".midi");
  return type_hash == kMid || type_hash == kMidi;
}

bool MusicModule::SoundTypeOf(uint32_t type_hash, platform::SoundFileType* type) {
  static const uint32_t kWav = NameKeyRS(".wav");
  static const uint32_t kMp3 = NameKeyRS(".mp3");
  static const uint32_t kOgg = NameKeyRS(".ogg");
  if (type_hash == kWav) {
    *type = platform::SoundFileType::kWav;
  } else if (type_hash == kMp3) {
    *type = platform::SoundFileType::kMp3;
  } else if (type_hash == kOgg) {
    *type = platform::SoundFileType::kOgg;
  } else {
    return false;
  }
  return true;
}

int MusicModule::EnterStream(const NameKey& key, platform::HSTREAM stream, uint32_t* channel) {
  if (stream == 0) {
    // Entering it would leave a sound that can never play; reading it again would only be
    // refused again.
    WriteGameLog("MusicModule: sound %08X %08X %08X cannot be played", key.rs, key.js, key.x31);
    RememberRefused(key);
    return 0;
  }
  auto found = sounds_.find(key);
  if (found != sounds_.end()) {
    platform::BASS_StreamFree(stream);  // the sound was loaded already: keep that one
    Touch(found->second);
    *channel = found->second.stream;
    return 1;
  }
  uint64_t bytes = platform::BASS_ChannelGetLength(stream, platform::BASS_POS_BYTE);
  if (bytes == platform::kBassNoLength) bytes = 0;
  if (!MakeRoom(bytes)) {
    platform::BASS_StreamFree(stream);
    WriteGameLog("MusicModule: sound %08X %08X %08X not played: the sounds playing leave no room for it", key.rs,
                 key.js, key.x31);
    return 0;
  }
  let_go_.erase(key);
  SoundRecord& sound = sounds_[key];
  sound.stream = stream;
  sound.bytes = bytes;
  Touch(sound);
  loaded_bytes_ += bytes;
  *channel = stream;
  return 1;
}

bool MusicModule::InUse(platform::HSTREAM stream) {
  for (const PlayingSound* record = playing_; record != nullptr; record = record->next) {
    if (record->channel == stream) return true;
  }
  return platform::BASS_ChannelIsActive(stream) != platform::BASS_ACTIVE_STOPPED;
}

bool MusicModule::MakeRoom(uint64_t bytes) {
  if (bytes > kMaxLoadedSoundBytes) return false;
  while (loaded_bytes_ + bytes > kMaxLoadedSoundBytes) {
    auto oldest = sounds_.end();
    for (auto it = sounds_.begin(); it != sounds_.end(); ++it) {
      if ((oldest == sounds_.end() || it->second.last_played < oldest->second.last_played) &&
          !InUse(it->second.stream)) {
        oldest = it;
      }
    }
    if (oldest == sounds_.end()) return false;
    let_go_.insert(oldest->first);
    Drop(oldest);
  }
  return true;
}

void MusicModule::Drop(std::map<NameKey, SoundRecord, NameKeyLess>::iterator sound) {
  platform::BASS_StreamFree(sound->second.stream);
  loaded_bytes_ -= sound->second.bytes;
  sounds_.erase(sound);
}

void MusicModule::DoneWithBytes(ResourceRecord* record) {
  if (!record->path.empty() || record->file != nullptr) ReleaseResourceData(record);
}

int MusicModule::LoadSoundByKey(const NameKey& key, uint32_t* channel) {
  *channel = 0;
  if (WasRefused(key) || resources_ == nullptr || !resources_->HasResource(key)) return 0;
  ResourceRecord* record = resources_->LoadResource(key);
  if (record == nullptr || record->data == nullptr) return 0;

  if (!IsMidiType(record->type_hash)) {
    // Read as the type its name declares, and as nothing else.
    platform::SoundFileType type;
    if (!SoundTypeOf(record->type_hash, &type)) {
      DoneWithBytes(record);
      WriteGameLog("MusicModule: sound %08X %08X %08X is of no type that plays (type %08X)", key.rs, key.js, key.x31,
                   record->type_hash);
      RememberRefused(key);
      return 0;
    }
    const platform::HSTREAM stream = platform::BASS_StreamCreateFile(true, record->data, 0, record->size, 0, type);
    DoneWithBytes(record);  // the stream holds the decoded sound
    return EnterStream(key, stream, channel);
  }

  midi_player_.reset();
  auto player = std::make_unique<MidiStreamPlayer>();
  const int loaded = player->Load(record->data, record->size, nullptr);  // the player keeps a copy
  DoneWithBytes(record);
  if (loaded == 0) {
    WriteGameLog("MusicModule: MIDI sound %08X %08X %08X cannot be played", key.rs, key.js, key.x31);
    RememberRefused(key);
    return 0;
  }
  midi_player_ = std::move(player);
  *channel = kMidiChannel;
  return 1;
}

void MusicModule::Append(PlayingSound* record) {
  PlayingSound** link = &playing_;
  while (*link != nullptr) link = &(*link)->next;
  *link = record;
}

uint32_t MusicModule::StartChannel(uint32_t channel, uint32_t count, const ObjectMessage* notify) {
  platform::BASS_ChannelPlay(channel, false);
  PlayingSound* record = record_pool_->New<PlayingSound>();
  if (record == nullptr) return channel;
  record->channel = channel;
  record->remaining = count;
  if (notify != nullptr) record->notify = *notify;
  Append(record);
  return channel;
}

int MusicModule::StartMidi(uint32_t count, const ObjectMessage* notify) {
  if (midi_player_ == nullptr) return 0;
  midi_player_->Play(false);
  PlayingSound* record = record_pool_->New<PlayingSound>();
  if (record == nullptr) return 1;
  record->channel = kMidiChannel;
  record->remaining = count;
  if (notify != nullptr) record->notify = *notify;
  Append(record);
  return 1;
}

void MusicModule::OnSoundFinished(const ObjectMessage* notify) {
  if (notify == nullptr || notify->id == 0) return;
  // The object module delivers the copy to its target and deletes it.
  auto* copy = new ObjectMessage(*notify);
  PostEvent(module_id::kObject, object_event::kHeapMessage, reinterpret_cast<uintptr_t>(copy), 0);
}

uint32_t MusicModule::GetSoundVersion() const { return platform::BASS_GetVersion(); }

uint32_t MusicModule::ChannelFlags(uint32_t channel, uint32_t flags, uint32_t mask) {
  return platform::BASS_ChannelFlags(channel, flags, mask);
}

uint32_t MusicModule::ChannelPlay(uint32_t channel, uint32_t restart) {
  return platform::BASS_ChannelPlay(channel, restart != 0) ? 1 : 0;
}

uint32_t MusicModule::ChannelPause(uint32_t channel) { return platform::BASS_ChannelPause(channel) ? 1 : 0; }

uint32_t MusicModule::ChannelStop(uint32_t channel) { return platform::BASS_ChannelStop(channel) ? 1 : 0; }

uint32_t MusicModule::ChannelIsActive(uint32_t channel) { return platform::BASS_ChannelIsActive(channel); }

int MusicModule::ChannelSetAttribute(uint32_t channel, uint32_t attribute, float value) {
  return platform::BASS_ChannelSetAttribute(channel, attribute, value) ? 1 : 0;
}

int MusicModule::ChannelGetAttribute(uint32_t channel, uint32_t attribute, float* value) {
  return platform::BASS_ChannelGetAttribute(channel, attribute, value) ? 1 : 0;
}

size_t MusicModule::PlayingCount() const {
  size_t count = 0;
  for (const PlayingSound* record = playing_; record != nullptr; record = record->next) ++count;
  return count;
}

}  // namespace engine
