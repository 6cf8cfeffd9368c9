// Sound files decoded by their declared type, block by block, within the bounds of one sound.
#include "platform/sound_decode.h"

#include <SDL2/SDL.h>
#include <mpg123.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/diagnostics.h"

namespace platform {
namespace {

constexpr size_t kBlockBytes = 16384;

// Holds the sound to the bounds on its way to the sink.
class BoundedSink {
 public:
  BoundedSink(SoundSink& sink, std::string* why) : sink_(sink), why_(why) {}

  bool Begin(const SoundForm& form) {
    if (form.rate < kMinSoundRate || form.rate > kMaxSoundRate) {
      return Refuse("its rate of " + std::to_string(form.rate) + " Hz is outside " + std::to_string(kMinSoundRate) +
                    " to " + std::to_string(kMaxSoundRate));
    }
    if (form.channels == 0 || form.channels > kMaxSoundChannels) {
      return Refuse("it has " + std::to_string(form.channels) + " channels");
    }
    frame_bytes_ = form.FrameBytes();
    if (frame_bytes_ == 0) return Refuse("its samples have no size");
    if (!sink_.Begin(form)) return Refuse("its samples cannot be played");
    form_ = form;
    begun_ = true;
    return true;
  }

  // A form met again further on (a new link of an Ogg stream, a new MPEG format) must not differ.
  bool Again(const SoundForm& form) {
    if (!begun_) return Begin(form);
    return form == form_ || Refuse("it changes its rate or channels part of the way through");
  }

  bool Samples(const uint8_t* bytes, size_t count) {
    if (!begun_) return Refuse("samples come before their form");
    const uint64_t frames = count / frame_bytes_;
    frames_ += frames;
    if (!Within(frames_)) return false;
    if (frames == 0) return true;
    return sink_.Samples(bytes, frames * frame_bytes_) || Refuse("its samples cannot be played");
  }

  // Whether a sound of so many frames is within the bounds: asked as the samples come, and at
  // once for a sound whose length is known before them.
  bool Within(uint64_t frames) {
    return frames <= uint64_t{kMaxSoundSeconds} * form_.rate ||
           Refuse("it is longer than " + std::to_string(kMaxSoundSeconds) + " seconds");
  }

  // The end of the bytes: a sound of no samples is nothing to play.
  bool End() { return frames_ > 0 || Refuse("it holds no samples"); }

  bool Refuse(const std::string& text) {
    *why_ = text;
    return false;
  }

 private:
  SoundSink& sink_;
  std::string* why_;
  SoundForm form_;
  bool begun_ = false;
  uint32_t frame_bytes_ = 0;
  uint64_t frames_ = 0;
};

// The form of the 16-bit samples the MP3 and Ogg decoders give, from what their streams claim.
SoundForm SixteenBitForm(long rate, int channels) {
  return {AUDIO_S16SYS, static_cast<uint32_t>(std::max(channels, 0)),
          static_cast<uint32_t>(std::clamp<long>(rate, 0, UINT32_MAX))};
}

// A RIFF WAVE file through SDL's reader, which reads nothing else. It holds the samples whole,
// as many bytes as the file (four times as many for ADPCM): the bounds apply to what they become.
bool DecodeWav(const uint8_t* data, size_t length, BoundedSink& out) {
  if (length < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) {
    return out.Refuse("it is not a RIFF WAVE file");
  }
  if (length > INT_MAX) return out.Refuse("it is too large");
  // SDL's reader takes a chunk's claim for the bytes to make room for before it reads what is
  // there: a chunk that runs past the end of the file (only the last one can) is cut, on a copy,
  // to the bytes it has. A cut-off file then plays what it holds.
  auto word = [](const uint8_t* at) {
    Uint32 value;
    std::memcpy(&value, at, 4);
    return SDL_SwapLE32(value);
  };
  auto put_word = [](uint8_t* at, uint64_t value) {
    const Uint32 word = SDL_SwapLE32(static_cast<Uint32>(value));
    std::memcpy(at, &word, 4);
  };
  std::vector<uint8_t> cut;
  for (size_t at = 12; at <= length && length - at >= 8;) {
    const uint64_t claim = word(data + at + 4);
    const uint64_t left = length - at - 8;
    if (claim > left) {
      cut.assign(data, data + length);
      put_word(&cut[at + 4], left);
      put_word(&cut[4], length - 8);  // the RIFF chunk too
      data = cut.data();
      break;
    }
    at += 8 + claim + (claim & 1);
  }
  SDL_RWops* source = SDL_RWFromConstMem(data, static_cast<int>(length));
  SDL_AudioSpec spec{};
  Uint8* samples = nullptr;
  Uint32 bytes = 0;
  if (source == nullptr || SDL_LoadWAV_RW(source, 1, &spec, &samples, &bytes) == nullptr) {
    return out.Refuse(std::string("it is not a WAV file that can be read (") + SDL_GetError() + ")");
  }
  std::unique_ptr<Uint8, decltype(&SDL_FreeWAV)> hold(samples, &SDL_FreeWAV);
  const SoundForm form{spec.format, spec.channels, static_cast<uint32_t>(spec.freq)};
  if (!out.Begin(form) || !out.Within(bytes / form.FrameBytes())) return false;
  for (size_t at = 0; at < bytes; at += kBlockBytes) {
    if (!out.Samples(samples + at, std::min<size_t>(kBlockBytes, bytes - at))) return false;
  }
  return out.End();
}

// libvorbisfile reads the stream from memory, forward only (no seeking: links are met in turn).
struct MemorySource {
  const uint8_t* data;
  size_t length;
  size_t at;
};

size_t ReadMemory(void* into, size_t size, size_t count, void* source) {
  auto* memory = static_cast<MemorySource*>(source);
  if (size == 0) return 0;
  const size_t items = std::min(count, (memory->length - memory->at) / size);
  std::memcpy(into, memory->data + memory->at, items * size);
  memory->at += items * size;
  return items;
}

bool DecodeOgg(const uint8_t* data, size_t length, BoundedSink& out) {
  if (length < 4 || std::memcmp(data, "OggS", 4) != 0) return out.Refuse("it is not an Ogg stream");
  MemorySource source{data, length, 0};
  const ov_callbacks callbacks{ReadMemory, nullptr, nullptr, nullptr};
  OggVorbis_File file;
  if (ov_open_callbacks(&source, &file, nullptr, 0, callbacks) != 0) return out.Refuse("it is not Ogg Vorbis");
  std::unique_ptr<OggVorbis_File, decltype(&ov_clear)> hold(&file, &ov_clear);
  const int big_endian = SDL_BYTEORDER == SDL_BIG_ENDIAN ? 1 : 0;
  char block[kBlockBytes];
  for (;;) {
    int link = 0;
    const long got = ov_read(&file, block, sizeof block, big_endian, 2, 1, &link);
    if (got == OV_HOLE) continue;  // a gap in the stream: it goes on after it
    if (got <= 0) break;           // the end, or a stream broken further on: what came before plays
    // The samples' own link: a chained stream may change its form from one link to the next.
    const vorbis_info* info = ov_info(&file, -1);
    if (info == nullptr) return out.Refuse("it is not Ogg Vorbis");
    if (!out.Again(SixteenBitForm(info->rate, info->channels)) ||
        !out.Samples(reinterpret_cast<const uint8_t*>(block), static_cast<size_t>(got))) {
      return false;
    }
  }
  return out.End();
}

// An MP3 file begins with an ID3 tag or with an MPEG audio frame.
bool BeginsAsMpeg(const uint8_t* data, size_t length) {
  if (length >= 3 && std::memcmp(data, "ID3", 3) == 0) return true;
  return length >= 2 && data[0] == 0xFF && (data[1] & 0xE0) == 0xE0;
}

bool DecodeMp3(const uint8_t* data, size_t length, BoundedSink& out) {
  if (!BeginsAsMpeg(data, length)) return out.Refuse("it is not MPEG audio");
  int error = MPG123_OK;
  std::unique_ptr<mpg123_handle, decltype(&mpg123_delete)> decoder(mpg123_new(nullptr, &error), &mpg123_delete);
  if (decoder == nullptr) return out.Refuse("no MPEG decoder");
  mpg123_handle* mh = decoder.get();
  // ID3v2 tags are skipped, not read: a tag's size is its own claim (up to 256 MiB).
  mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_SKIP_ID3V2, 0.0);
  // Every rate, as 16-bit samples.
  if (mpg123_format_none(mh) != MPG123_OK ||
      mpg123_format2(mh, 0, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK ||
      mpg123_open_feed(mh) != MPG123_OK || mpg123_feed(mh, data, length) != MPG123_OK) {
    return out.Refuse("the MPEG decoder cannot be started");
  }
  unsigned char block[kBlockBytes];
  for (;;) {
    size_t done = 0;
    const int result = mpg123_read(mh, block, sizeof block, &done);
    if (result == MPG123_NEW_FORMAT) {
      long rate = 0;
      int channels = 0;
      int encoding = 0;
      mpg123_getformat(mh, &rate, &channels, &encoding);
      if (!out.Again(SixteenBitForm(rate, channels))) return false;
    }
    if (done > 0 && !out.Samples(block, done)) return false;
    // Anything else is the end of what was fed, the end of the stream, or frames broken
    // further on: what came before plays.
    if (result != MPG123_NEW_FORMAT && (result != MPG123_OK || done == 0)) break;
  }
  return out.End();
}

}  // namespace

bool DecodeSound(SoundFileType type, const uint8_t* data, size_t length, SoundSink& sink) {
  std::string why;
  BoundedSink out(sink, &why);
  bool decoded = false;
  if (data == nullptr || length == 0) {
    out.Refuse("it is empty");
  } else if (type == SoundFileType::kWav) {
    decoded = DecodeWav(data, length, out);
  } else if (type == SoundFileType::kMp3) {
    decoded = DecodeMp3(data, length, out);
  } else if (type == SoundFileType::kOgg) {
    decoded = DecodeOgg(data, length, out);
  }
  if (!decoded) ReportProblem("sound: refused (%s, %zu bytes): %s", SoundTypeName(type), length, why.c_str());
  return decoded;
}

const char* SoundTypeName(SoundFileType type) {
  switch (type) {
    case SoundFileType::kWav:
      return "WAV";
    case SoundFileType::kMp3:
      return "MP3";
    case SoundFileType::kOgg:
      return "Ogg Vorbis";
  }
  return "unknown";
}

}  // namespace platform
