// The BASS_ calls, handed to whichever sound backend is installed.
#include "platform/sound_channel.h"

#include <mutex>

namespace platform {

namespace {

std::mutex g_mutex;
SoundBackend* g_installed = nullptr;
std::unique_ptr<SoundBackend> g_sdl;

SoundBackend& Backend() {
  std::lock_guard lock(g_mutex);
  if (g_installed != nullptr) return *g_installed;
  if (g_sdl == nullptr) g_sdl = MakeSdlSoundBackend();
  return *g_sdl;
}

}  // namespace

void InstallSoundBackend(SoundBackend* backend) {
  std::lock_guard lock(g_mutex);
  g_installed = backend;
}

bool BASS_Init(int, uint32_t frequency, uint32_t, void*, void*) { return Backend().Init(frequency); }

bool BASS_Start() {
  Backend().Start();
  return true;
}

bool BASS_Stop() {
  Backend().Stop();
  return true;
}

bool BASS_Free() {
  Backend().Free();
  return true;
}

float BASS_GetVolume() { return Backend().GetVolume(); }

bool BASS_SetVolume(float volume) {
  if (!(volume >= 0.0f && volume <= 1.0f)) return false;
  Backend().SetVolume(volume);
  return true;
}

HSTREAM BASS_StreamCreateFile(bool mem, const void* data, uint64_t offset, uint64_t length, uint32_t,
                              SoundFileType type) {
  if (!mem || data == nullptr || length == 0) return 0;
  return Backend().CreateStream(type, static_cast<const uint8_t*>(data) + offset, length);
}

bool BASS_StreamFree(HSTREAM stream) { return Backend().FreeStream(stream); }

bool BASS_ChannelPlay(HSTREAM stream, bool restart) { return Backend().Play(stream, restart); }

bool BASS_ChannelPause(HSTREAM stream) { return Backend().Pause(stream); }

bool BASS_ChannelStop(HSTREAM stream) { return Backend().StopChannel(stream); }

uint32_t BASS_ChannelIsActive(HSTREAM stream) { return Backend().IsActive(stream); }

uint32_t BASS_GetVersion() { return kBassVersion; }

uint64_t BASS_ChannelGetLength(HSTREAM stream, uint32_t mode) {
  return mode == BASS_POS_BYTE ? Backend().Length(stream) : kBassNoLength;
}

uint32_t BASS_ChannelFlags(HSTREAM stream, uint32_t flags, uint32_t mask) {
  SoundBackend& backend = Backend();
  if ((mask & BASS_SAMPLE_LOOP) != 0 && !backend.SetLooping(stream, (flags & BASS_SAMPLE_LOOP) != 0)) {
    return kBassNoFlags;
  }
  bool loop = false;
  if (!backend.IsLooping(stream, &loop)) return kBassNoFlags;
  return loop ? BASS_SAMPLE_LOOP : 0;
}

bool BASS_ChannelSetAttribute(HSTREAM stream, uint32_t attribute, float value) {
  if (attribute != BASS_ATTRIB_VOL || !(value >= 0.0f && value <= 1.0f)) return false;
  return Backend().SetStreamVolume(stream, value);
}

bool BASS_ChannelGetAttribute(HSTREAM stream, uint32_t attribute, float* value) {
  if (attribute != BASS_ATTRIB_VOL || value == nullptr) return false;
  return Backend().GetStreamVolume(stream, value);
}

}  // namespace platform
