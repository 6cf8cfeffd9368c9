#include "engine/media/music_module2.h"

#include "engine/core/engine_log.h"
#include "engine/media/resource_module.h"

namespace engine {

MusicModule2::~MusicModule2() {
  if (font_ != 0) platform::BASS_MIDI_FontFree(font_);
}

int MusicModule2::Init() {
  if (MusicModule::Init() == 0) return 0;
  if (!platform::BASS_MIDI_Available()) {
    WriteGameLog("MusicModule2: MIDI streams cannot be made here");
    MusicModule::Exit();
    return 0;
  }
  midi_loaded_ = true;
  return 1;
}

void MusicModule2::Exit() {
  MusicModule::Exit();
  if (font_ != 0) {
    platform::BASS_MIDI_FontFree(font_);
    font_ = 0;
  }
  midi_loaded_ = false;
}

uint32_t MusicModule2::PlaySoundByKey(const NameKey& key, uint32_t count, const ObjectMessage* notify) {
  if (IsSoundLoaded(key)) return MusicModule::PlaySoundByKey(key, count, notify);
  uint32_t channel = 0;
  if (LoadSoundByKey(key, &channel) == 0) return 0;
  return StartChannel(channel, count, notify);
}

void MusicModule2::UnloadSound(const char* name) {
  if (!midi_loaded_) return;
  MusicModule::UnloadSound(name);
}

int MusicModule2::LoadSoundByKey(const NameKey& key, uint32_t* channel) {
  *channel = 0;
  ResourceModule* resources = this->resources();
  if (WasRefused(key) || resources == nullptr || !resources->HasResource(key)) return 0;
  ResourceRecord* record = resources->LoadResource(key);
  if (record == nullptr || record->data == nullptr) return 0;
  if (!IsMidiType(record->type_hash)) return MusicModule::LoadSoundByKey(key, channel);
  const platform::HSTREAM stream = platform::BASS_MIDI_StreamCreateFile(true, record->data, 0, record->size, 0, 0);
  DoneWithBytes(record);  // the stream holds the rendered song
  return EnterStream(key, stream, channel);
}

int MusicModule2::LoadSoundFont(const char* path) {
  const platform::HSOUNDFONT font = platform::BASS_MIDI_FontInit(path, 0);
  if (font == 0) return 0;
  const platform::BASS_MIDI_FONT entry{font, -1, 0};
  if (!platform::BASS_MIDI_StreamSetFonts(0, &entry, 1)) {
    platform::BASS_MIDI_FontFree(font);
    return 0;
  }
  if (font_ != 0) platform::BASS_MIDI_FontFree(font_);
  font_ = font;
  ForgetRefused();  // a song the last font could not render may render with this one
  return 1;
}

}  // namespace engine
