// Sound channels: streams made from sound files in memory, played, paused, stopped and asked
// whether they still play, under one master volume.
//
// This is the stand-in for the BASS audio library, under the names of its calls. Two backends
// answer them: SDL2_mixer on the audio device (sound_channel_sdl.cpp), and a null backend on the
// installed clock that plays nothing but keeps time, so that tests see what plays and when it
// ends (sound_channel_null.h).
//
// Playing a stream without restart keeps it playing when it plays, resumes it when paused or
// stopped, and starts it again from the beginning when it has played to its end.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/sound_decode.h"

namespace platform {

using HSTREAM = uint32_t;

// The version of the calls these follow (2.4), as BASS_GetVersion reports it.
constexpr uint32_t kBassVersion = 0x02040000;
// BASS_ChannelFlags: the stream loops.
constexpr uint32_t BASS_SAMPLE_LOOP = 4;
// BASS_ChannelSetAttribute / GetAttribute: the stream's own volume, 0 to 1.
constexpr uint32_t BASS_ATTRIB_VOL = 2;
// What BASS_ChannelFlags answers for a stream that does not exist.
constexpr uint32_t kBassNoFlags = 0xFFFFFFFF;
// BASS_ChannelGetLength: the length in bytes of the samples as they play.
constexpr uint32_t BASS_POS_BYTE = 0;
// What BASS_ChannelGetLength answers for a stream that does not exist (-1).
constexpr uint64_t kBassNoLength = UINT64_MAX;

// BASS_ChannelIsActive answers.
constexpr uint32_t BASS_ACTIVE_STOPPED = 0;
constexpr uint32_t BASS_ACTIVE_PLAYING = 1;
constexpr uint32_t BASS_ACTIVE_STALLED = 2;
constexpr uint32_t BASS_ACTIVE_PAUSED = 3;

class SoundBackend {
 public:
  virtual ~SoundBackend() = default;
  // Opens the audio device; false when there is none.
  virtual bool Init(uint32_t frequency) = 0;
  virtual void Start() = 0;
  virtual void Stop() = 0;
  // Closes the device and releases every stream.
  virtual void Free() = 0;
  virtual float GetVolume() = 0;
  virtual void SetVolume(float volume) = 0;
  // A stream of a WAV, MP3 or Ogg Vorbis file, read as the type given and held to the bounds of
  // sound_decode.h (the bytes are decoded at once and not kept); 0, with a line, when the bytes
  // are not a sound of that type or pass the bounds, or when the device is not open.
  virtual HSTREAM CreateStream(SoundFileType type, const void* data, uint64_t length) = 0;
  // The bytes the stream's samples take in the form they play in (what it costs in memory);
  // kBassNoLength for no such stream.
  virtual uint64_t Length(HSTREAM stream) = 0;
  virtual bool FreeStream(HSTREAM stream) = 0;
  virtual bool Play(HSTREAM stream, bool restart) = 0;
  virtual bool Pause(HSTREAM stream) = 0;
  virtual bool StopChannel(HSTREAM stream) = 0;
  virtual uint32_t IsActive(HSTREAM stream) = 0;
  // A looping stream starts again at its end until it is stopped.
  virtual bool SetLooping(HSTREAM stream, bool loop) = 0;
  virtual bool IsLooping(HSTREAM stream, bool* loop) = 0;
  // The stream's own volume, 0 to 1, under the master volume.
  virtual bool SetStreamVolume(HSTREAM stream, float volume) = 0;
  virtual bool GetStreamVolume(HSTREAM stream, float* volume) = 0;
};

// The SDL2_mixer backend (the default).
std::unique_ptr<SoundBackend> MakeSdlSoundBackend();

// The backend the BASS_ calls use from now on (not owned; null goes back to SDL2_mixer).
void InstallSoundBackend(SoundBackend* backend);

// device -1 is the default device; the window is not needed here. False without an audio device.
bool BASS_Init(int device, uint32_t frequency, uint32_t flags, void* window, void* class_id);
bool BASS_Start();
bool BASS_Stop();
bool BASS_Free();
float BASS_GetVolume();
bool BASS_SetVolume(float volume);
// mem must be true: the sound is read from data[offset, offset + length), as the type given (the
// type its file name declares: the bytes are never taken for another).
HSTREAM BASS_StreamCreateFile(bool mem, const void* data, uint64_t offset, uint64_t length, uint32_t flags,
                              SoundFileType type);
bool BASS_StreamFree(HSTREAM stream);
bool BASS_ChannelPlay(HSTREAM stream, bool restart);
bool BASS_ChannelPause(HSTREAM stream);
bool BASS_ChannelStop(HSTREAM stream);
uint32_t BASS_ChannelIsActive(HSTREAM stream);
uint32_t BASS_GetVersion();
// BASS_POS_BYTE is the one mode known: the bytes of the stream's samples as they play, which is
// what the stream holds in memory. kBassNoLength when the stream does not exist.
uint64_t BASS_ChannelGetLength(HSTREAM stream, uint32_t mode);
// Sets the flags under mask (BASS_SAMPLE_LOOP is the one flag known) and returns the flags now in
// force; kBassNoFlags when the stream does not exist.
uint32_t BASS_ChannelFlags(HSTREAM stream, uint32_t flags, uint32_t mask);
// BASS_ATTRIB_VOL is the one attribute known; a volume outside 0 to 1 is refused.
bool BASS_ChannelSetAttribute(HSTREAM stream, uint32_t attribute, float value);
bool BASS_ChannelGetAttribute(HSTREAM stream, uint32_t attribute, float* value);

}  // namespace platform
