// The music module that plays MIDI files as streams too (id 1004, "MusicModule2"): a ".mid" or
// ".midi" sound becomes a stream of the MIDI stream layer (platform/sound_midi.h), entered in the
// sound table and played, repeated, paused and stopped like any other sound, with a sound font
// the game may choose. Nothing in the engine builds it instead of MusicModule; a game may.
#pragma once

#include "engine/media/music_module.h"
#include "platform/sound_midi.h"

namespace engine {

class MusicModule2 : public MusicModule {
 public:
  MusicModule2() = default;
  ~MusicModule2() override;

  // The music module's Init, then the MIDI stream layer; 0 when either cannot start.
  int Init() override;
  // The music module's Exit, then the MIDI stream layer lets go of the chosen sound font.
  void Exit() override;
  const char* GetName() const override { return "MusicModule2"; }

  // As MusicModule's, except that a sound loaded now always starts as a stream.
  uint32_t PlaySoundByKey(const NameKey& key, uint32_t count, const ObjectMessage* notify) override;
  // Only while the MIDI stream layer is there.
  void UnloadSound(const char* name) override;
  // MIDI files become streams in the sound table; other sounds load as in MusicModule.
  int LoadSoundByKey(const NameKey& key, uint32_t* channel) override;
  // Makes the SF2 file at path (GBK) the sound font of every MIDI stream made from now on (songs
  // refused until now are tried again with it); 1 done, 0 when it is no sound font.
  virtual int LoadSoundFont(const char* path);

  bool IsMidiLayerLoaded() const { return midi_loaded_; }

 private:
  bool midi_loaded_ = false;
  platform::HSOUNDFONT font_ = 0;
};

}  // namespace engine
