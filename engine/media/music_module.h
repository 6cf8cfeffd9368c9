// The music module (id 1004): plays the game's sounds from the resource module's ".sound"
// resources, each read as the type its file name declares. WAV, MP3 and OGG sounds become sound
// channels (platform/sound_channel.h); MIDI files go to the one MIDI stream player, which counts
// as channel 0; a sound of any other type, or whose bytes are not what its name says, is refused
// with a log line and the game goes on without it. A sound plays a given
// number of times (0: until stopped); when its last play ends, the message its caller chose is
// posted to the object module for delivery.
//
// Sounds are read from the resources on their first play and kept as streams, each held to what
// one sound may take (platform::kMaxSoundBytes) and all of them together to kMaxLoadedSoundBytes:
// to make room for a new one, the least recently played that is not in use (no play of it queued,
// neither playing nor paused) is let go, and read again when it is played next; unloading one
// that was let go only forgets it. A sound refused once is not read again until it is unloaded or
// the module restarts. The module never takes the resource's bytes away from the resource
// module: a resource that cannot be read again (a memory block, a member of a package image)
// keeps its bytes there, so that a sound let go, or a MIDI song, which is read again on every
// play, can still be played later.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "engine/core/engine_module.h"
#include "engine/core/memory_pool.h"
#include "engine/core/name_key.h"
#include "engine/core/object_message.h"
#include "platform/sound_channel.h"

namespace engine {

class MidiStreamPlayer;
class ResourceModule;
struct ResourceRecord;

class MusicModule : public EngineModule {
 public:
  static constexpr uint32_t kId = module_id::kMusic;
  static constexpr uint32_t kTickInterval = 100;
  static constexpr uint32_t kMidiChannel = 0;
  // What the loaded sounds may take together (a few sounds of the most one may take).
  static constexpr uint64_t kMaxLoadedSoundBytes = 32u << 20;

  // The value of the sound table.
  struct SoundRecord {
    platform::HSTREAM stream = 0;
    uint64_t bytes = 0;        // what its samples take (BASS_ChannelGetLength)
    uint64_t last_played = 0;  // when it was last asked to play, in plays of the module
  };
  // One sound being played, from the module's pool.
  struct PlayingSound {
    uint32_t channel = 0;    // the stream; kMidiChannel for the MIDI player
    uint32_t remaining = 0;  // plays still to go, counting the current one
    ObjectMessage notify;    // posted when the last play ends (when its id is not 0)
    PlayingSound* next = nullptr;
  };

  MusicModule();
  ~MusicModule() override;

  int Init() override;
  void Exit() override;
  void Tick() override;
  uint32_t GetId() const override { return kId; }
  const char* GetName() const override { return "MusicModule"; }
  int32_t HandleEvent(uint32_t code, uintptr_t p1, uintptr_t p2) override;
  uint32_t QueueLimit() const override { return 8096; }

  virtual void SetSoundOff(uint32_t off);
  virtual uint32_t PlaySoundByKey(const NameKey& key, uint32_t count, const ObjectMessage* notify);
  virtual uint32_t PlaySound(const char* name, uint32_t count, const ObjectMessage* notify);
  virtual void SetVolume(float volume);
  virtual float GetVolume();
  virtual void UnloadSound(const char* name);
  virtual uint32_t PauseChannel(uint32_t channel);
  virtual uint32_t StopChannel(uint32_t channel);
  virtual uint32_t ResumeChannel(uint32_t channel, uint32_t restart);
  virtual void StopAll();
  virtual uint32_t IsChannelActive(uint32_t channel);
  virtual int LoadSoundByKey(const NameKey& key, uint32_t* channel);
  virtual uint32_t StartChannel(uint32_t channel, uint32_t count, const ObjectMessage* notify);
  virtual int StartMidi(uint32_t count, const ObjectMessage* notify);
  virtual void OnSoundFinished(const ObjectMessage* notify);

  // Thin pass-throughs to the sound channels, outside the module's table of operations: the
  // version of the sound calls, a stream's flags (BASS_SAMPLE_LOOP) and attributes
  // (BASS_ATTRIB_VOL), play, pause, stop and whether it plays. The master volume is SetVolume's.
  uint32_t GetSoundVersion() const;
  uint32_t ChannelFlags(uint32_t channel, uint32_t flags, uint32_t mask);
  uint32_t ChannelPlay(uint32_t channel, uint32_t restart);
  uint32_t ChannelPause(uint32_t channel);
  uint32_t ChannelStop(uint32_t channel);
  uint32_t ChannelIsActive(uint32_t channel);
  int ChannelSetAttribute(uint32_t channel, uint32_t attribute, float value);
  int ChannelGetAttribute(uint32_t channel, uint32_t attribute, float* value);

  // The table layer's name for the sound-off switch.
  void SetMute(uint32_t mute) { SetSoundOff(mute); }

  // The key a sound name is filed under: its file title + ".sound".
  static NameKey SoundKey(const char* name);

  // For tests and tools.
  bool IsSoundLoaded(const NameKey& key) const { return sounds_.count(key) != 0; }
  uint64_t LoadedSoundBytes() const { return loaded_bytes_; }
  size_t PlayingCount() const;
  MidiStreamPlayer* GetMidiPlayer() const { return midi_player_.get(); }

 protected:
  ResourceModule* resources() const { return resources_; }
  bool audio_ready() const { return audio_ready_; }
  // Whether a resource's type is a MIDI file (".mid" or ".midi").
  static bool IsMidiType(uint32_t type_hash);
  // The sound file type a resource's type declares (".wav", ".mp3", ".ogg"); false for others.
  static bool SoundTypeOf(uint32_t type_hash, platform::SoundFileType* type);
  // Enters the stream made of a sound into the table and gives its channel. A sound entered
  // already keeps its stream (the new one is freed); a stream of 0 is refused and remembered
  // (0, and a line). Room is made for the stream by letting go of the least recently played
  // sounds that are not playing; when the sounds playing leave none, the stream is freed and
  // 0 returned (with a line; a later play tries again).
  int EnterStream(const NameKey& key, platform::HSTREAM stream, uint32_t* channel);
  // A sound refused once (its bytes are no sound that plays): its later plays end at once.
  bool WasRefused(const NameKey& key) const { return refused_.count(key) != 0; }
  void RememberRefused(const NameKey& key) { refused_.insert(key); }
  // Every sound refused so far is read again at its next play (what renders them has changed).
  void ForgetRefused() { refused_.clear(); }
  // Gives the resource's bytes back to the resource module's keeping: released when it can
  // read them again, kept there otherwise.
  static void DoneWithBytes(ResourceRecord* record);

 private:
  void Append(PlayingSound* record);
  // Marks the sound as played now, for the choice of what to let go.
  void Touch(SoundRecord& sound) { sound.last_played = ++plays_; }
  // Whether a stream is wanted still: a play of it is queued, or it plays or is paused.
  bool InUse(platform::HSTREAM stream);
  // Lets go of sounds not in use, the least recently played first, until `bytes` more fit;
  // false when they cannot be made to fit.
  bool MakeRoom(uint64_t bytes);
  // Frees the sound's stream and takes it out of the table.
  void Drop(std::map<NameKey, SoundRecord, NameKeyLess>::iterator sound);

  uint32_t sound_off_ = 0;
  float volume_ = 1.0f;
  bool audio_ready_ = false;
  PlayingSound* playing_ = nullptr;
  std::unique_ptr<MemoryPool> record_pool_;
  ResourceModule* resources_ = nullptr;
  std::map<NameKey, SoundRecord, NameKeyLess> sounds_;
  uint64_t loaded_bytes_ = 0;  // what the streams of `sounds_` take together
  uint64_t plays_ = 0;
  std::set<NameKey, NameKeyLess> refused_;
  std::set<NameKey, NameKeyLess> let_go_;  // sounds let go to make room, until played or unloaded
  std::unique_ptr<MidiStreamPlayer> midi_player_;
};

}  // namespace engine
