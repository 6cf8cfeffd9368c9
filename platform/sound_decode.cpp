// Sound files decoded by their declared type, block by block, within the bounds of one sound.
#include "platform/sound_decode.h"

#include <SDL2/SDL.h>
#include <mpg123.h>
#include <vorbis/codec.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/diagnostics.h"
#include "platform/ogg_vorbis.h"

namespace platform {
namespace {

constexpr size_t kBlockBytes = 16384;

// Holds the sound to the bounds on its way to the sink.
class BoundedSink {
 public:
  BoundedSink(SoundSink& sink, const SoundForm& played, std::string* why) : sink_(sink), played_(played), why_(why) {}

  bool Begin(const SoundForm& form) {
    if (!FormWithin(form.rate, form.channels)) return false;
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

  // Samples are counted before they go on: the block that would pass the bounds is not converted.
  bool Samples(const uint8_t* bytes, size_t count) {
    if (!begun_) return Refuse("samples come before their form");
    const uint64_t frames = count / frame_bytes_;
    if (!LengthWithin(form_.rate, frames_ + frames)) return false;
    frames_ += frames;
    if (frames == 0) return true;
    return sink_.Samples(bytes, frames * frame_bytes_) || Refuse("its samples cannot be played");
  }

  // What a stream states of itself before its samples are decoded (a WAV's format and data size,
  // an Ogg stream's rate and total): a sound that passes the bounds is refused before any of it
  // is decoded.
  bool Claims(uint32_t rate, uint32_t channels, uint64_t frames) {
    return FormWithin(rate, channels) && LengthWithin(rate, frames);
  }

  // Whether so many frames at this rate are within the bounds: asked as the samples come, and
  // at once for a sound whose length is known before them.
  bool LengthWithin(uint32_t rate, uint64_t frames) {
    if (frames > uint64_t{kMaxSoundSeconds} * rate) {
      return Refuse("it is longer than " + std::to_string(kMaxSoundSeconds) + " seconds");
    }
    return ConvertedBytes(frames, rate, played_) <= kMaxSoundBytes ||
           Refuse("it would take more than " + std::to_string(kMaxSoundBytes >> 20) + " MiB once converted");
  }

  // The most frames a sound at this rate may have within the bounds.
  uint64_t LongestFrames(uint32_t rate) const {
    const uint64_t frames = uint64_t{kMaxSoundSeconds} * rate;
    const uint32_t frame_bytes = played_.FrameBytes();
    if (played_.rate == 0 || frame_bytes == 0) return frames;
    return std::min(frames, kMaxSoundBytes / frame_bytes * rate / played_.rate);
  }

  // The end of the bytes: a sound of no samples is nothing to play.
  bool End() { return frames_ > 0 || Refuse("it holds no samples"); }

  bool Refuse(const std::string& text) {
    *why_ = text;
    return false;
  }

 private:
  bool FormWithin(uint32_t rate, uint32_t channels) {
    if (rate < kMinSoundRate || rate > kMaxSoundRate) {
      return Refuse("its rate of " + std::to_string(rate) + " Hz is outside " + std::to_string(kMinSoundRate) + " to " +
                    std::to_string(kMaxSoundRate));
    }
    if (channels == 0 || channels > kMaxSoundChannels) {
      return Refuse("it has " + std::to_string(channels) + " channels");
    }
    return true;
  }

  SoundSink& sink_;
  const SoundForm played_;
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

uint32_t Le32(const uint8_t* at) {
  Uint32 value;
  std::memcpy(&value, at, 4);
  return SDL_SwapLE32(value);
}

uint16_t Le16(const uint8_t* at) {
  Uint16 value;
  std::memcpy(&value, at, 2);
  return SDL_SwapLE16(value);
}

void PutLe32(uint8_t* at, uint64_t value) {
  const Uint32 word = SDL_SwapLE32(static_cast<Uint32>(value));
  std::memcpy(at, &word, 4);
}

constexpr uint16_t kMsAdpcm = 2;
constexpr uint16_t kImaAdpcm = 0x11;
constexpr uint16_t kExtensible = 0xFFFE;

// The bytes of an ADPCM block's header: for each channel, MS ADPCM's predictor, delta and two
// samples; IMA ADPCM's sample and step.
uint64_t AdpcmHeaderBytes(uint16_t tag, uint16_t channels) { return uint64_t{channels} * (tag == kMsAdpcm ? 7 : 4); }

// The frames of one ADPCM block (MS ADPCM or IMA ADPCM, 4-bit samples) as SDL's reader works
// them out: what the format chunk states, or when it states none (the field is 0, or missing from
// a shorter chunk), what a block holds: the frames in its header (two for MS, one for IMA) and
// two a byte of each channel after it. 0 for a format SDL's reader refuses; false, with the
// reason, for blocks that cannot hold their own headers.
bool AdpcmBlockFrames(uint16_t tag, const uint8_t* fmt, uint64_t fmt_size, uint64_t* frames, std::string* why) {
  *frames = 0;
  const uint16_t channels = Le16(fmt + 2);
  const uint16_t block = Le16(fmt + 12);
  if (channels == 0 || Le16(fmt + 14) != 4) return true;
  const uint64_t header = AdpcmHeaderBytes(tag, channels);
  if (block < header) {
    *why = "its ADPCM blocks of " + std::to_string(block) + " bytes are shorter than their headers";
    return false;
  }
  uint64_t stated = 0;
  if (tag == kMsAdpcm) {
    stated = fmt_size >= 22 ? Le16(fmt + 18) : 0;
  } else if (fmt_size >= 20 && Le16(fmt + 16) >= 2) {
    stated = Le16(fmt + 18);
  }
  *frames = stated != 0 ? stated : (block - header) * 2 / channels + (tag == kMsAdpcm ? 2 : 1);
  return true;
}

// The frames a WAV's data chunk holds at the least, from its format chunk (the bytes after its
// header) and the data's size; 0 when the format does not say (SDL's reader decides then).
// False, with the reason, for a format whose blocks cannot be.
bool StatedWavFrames(const uint8_t* fmt, uint64_t fmt_size, uint64_t data_size, uint64_t* frames, std::string* why) {
  *frames = 0;
  if (fmt_size < 16) return true;
  uint16_t tag = Le16(fmt);
  const uint16_t block = Le16(fmt + 12);
  if (tag == kExtensible && fmt_size >= 26) tag = Le16(fmt + 24);  // WAVE_FORMAT_EXTENSIBLE: its subformat
  if (block == 0) return true;
  switch (tag) {
    case 1:  // PCM
    case 3:  // IEEE float
    case 6:  // A-law
    case 7:  // mu-law
      *frames = data_size / block;
      return true;
    case kMsAdpcm:
    case kImaAdpcm: {                             // whole blocks of so many frames each
      if (Le16(fmt) == kExtensible) return true;  // not ADPCM as SDL's reader knows it (see PlainAdpcmFormat)
      uint64_t block_frames = 0;
      if (!AdpcmBlockFrames(tag, fmt, fmt_size, &block_frames, why)) return false;
      *frames = data_size / block * block_frames;
      return true;
    }
    default:
      return true;
  }
}

// An ADPCM format of the extensible kind, as ffmpeg writes IMA and MS ADPCM past 48,000 Hz: the
// tag 0xFFFE, the usual fields, "valid bits" (ffmpeg's bits a sample), a channel mask, the
// subformat GUID of the ADPCM tag, then what the plain format has after its size field (the
// frames a block; MS ADPCM's coefficients). SDL's reader takes the valid bits for the frames a
// block and refuses MS ADPCM so; *plain becomes the plain format chunk that it reads right, with
// the frames a block that each block holds as ffmpeg decodes it (IMA ADPCM: groups of four bytes
// of each channel after the header). Left empty for any other format; false, with the reason,
// when the chunk's fields disagree.
bool PlainAdpcmFormat(const uint8_t* fmt, uint64_t fmt_size, std::vector<uint8_t>* plain, std::string* why) {
  static constexpr uint8_t kGuidTail[14] = {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
  plain->clear();
  if (fmt_size < 40 || Le16(fmt) != kExtensible || Le16(fmt + 16) < 22) return true;
  const uint16_t tag = Le16(fmt + 24);
  if ((tag != kMsAdpcm && tag != kImaAdpcm) || std::memcmp(fmt + 26, kGuidTail, sizeof kGuidTail) != 0) return true;
  const uint16_t channels = Le16(fmt + 2);
  const uint16_t block = Le16(fmt + 12);
  const uint16_t bits = Le16(fmt + 14);
  if (Le16(fmt + 18) != 0 && Le16(fmt + 18) != bits) {
    *why = "its format states " + std::to_string(Le16(fmt + 18)) + " valid bits for samples of " + std::to_string(bits);
    return false;
  }
  const uint64_t header = AdpcmHeaderBytes(tag, channels);
  if (channels != 0 && block < header) {
    *why = "its ADPCM blocks of " + std::to_string(block) + " bytes are shorter than their headers";
    return false;
  }
  const uint64_t held = channels == 0     ? 0
                        : tag == kMsAdpcm ? 2 + (block - header) * 2 / channels
                                          : 1 + (block - header) / (4 * channels) * 8;
  const uint8_t* extra = fmt + 40;
  const uint64_t extra_size = std::min<uint64_t>(Le16(fmt + 16) - 22, fmt_size - 40);
  const uint16_t stated = extra_size >= 2 ? Le16(extra) : 0;
  if (held > UINT16_MAX) {
    *why = "its ADPCM blocks of " + std::to_string(block) + " bytes hold more frames than a format can state";
    return false;
  }
  if (stated != 0 && stated != held) {
    *why = "its format states " + std::to_string(stated) + " frames a block where its blocks of " +
           std::to_string(block) + " bytes hold " + std::to_string(held);
    return false;
  }
  // The header with the ADPCM tag and no valid bits, then the frames a block.
  plain->assign(fmt, fmt + 18);
  plain->at(0) = static_cast<uint8_t>(tag);
  plain->at(1) = 0;
  plain->push_back(static_cast<uint8_t>(held));
  plain->push_back(static_cast<uint8_t>(held >> 8));
  if (tag == kMsAdpcm) {
    if (extra_size >= 4) {
      plain->insert(plain->end(), extra + 2, extra + extra_size);  // the coefficients as stated
    } else {
      // None stated: the seven every MS ADPCM file has (and ffmpeg decodes with).
      static constexpr int16_t kCoefficients[14] = {256, 0, 512, -256, 0, 0, 192, 64, 240, 0, 460, -208, 392, -232};
      plain->insert(plain->end(), {7, 0});
      for (const int16_t value : kCoefficients) {
        plain->push_back(static_cast<uint8_t>(value));
        plain->push_back(static_cast<uint8_t>(static_cast<uint16_t>(value) >> 8));
      }
    }
  }
  const size_t after = plain->size() - 18;
  plain->at(16) = static_cast<uint8_t>(after);
  plain->at(17) = static_cast<uint8_t>(after >> 8);
  return true;
}

// Puts a RIFF chunk: its id, its size and its bytes, padded to an even size.
void PutChunk(std::vector<uint8_t>& out, const char* id, const uint8_t* bytes, uint64_t size) {
  out.insert(out.end(), id, id + 4);
  out.resize(out.size() + 4);
  PutLe32(&out[out.size() - 4], size);
  out.insert(out.end(), bytes, bytes + size);
  if (size & 1) out.push_back(0);
}

// A RIFF WAVE file through SDL's reader, which reads nothing else. It holds the samples whole,
// as many bytes as the file (four times as many for ADPCM), so what the file states of its
// form and length is held to the bounds first.
bool DecodeWav(const uint8_t* data, size_t length, BoundedSink& out) {
  if (length < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) {
    return out.Refuse("it is not a RIFF WAVE file");
  }
  if (length > INT_MAX) return out.Refuse("it is too large");
  // SDL's reader takes a chunk's claim for the bytes to make room for before it reads what is
  // there: a chunk that runs past the end of the file (only the last one can) is cut, on a copy,
  // to the bytes it has. A cut-off file then plays what it holds.
  std::vector<uint8_t> cut;
  const uint8_t* fmt = nullptr;
  uint64_t fmt_size = 0;
  const uint8_t* samples_at = nullptr;
  uint64_t data_size = 0;
  for (size_t at = 12; at <= length && length - at >= 8;) {
    uint64_t claim = Le32(data + at + 4);
    const uint64_t left = length - at - 8;
    if (claim > left) {
      cut.assign(data, data + length);
      PutLe32(&cut[at + 4], left);
      PutLe32(&cut[4], length - 8);  // the RIFF chunk too
      claim = left;
    }
    // SDL's reader takes the first format chunk and the first data chunk after it.
    if (fmt == nullptr && std::memcmp(data + at, "fmt ", 4) == 0) {
      fmt = data + at + 8;
      fmt_size = claim;
    } else if (fmt != nullptr && samples_at == nullptr && std::memcmp(data + at, "data", 4) == 0) {
      samples_at = data + at + 8;
      data_size = claim;
    }
    if (!cut.empty()) break;
    at += 8 + claim + (claim & 1);
  }
  std::string why;
  std::vector<uint8_t> plain_fmt;
  if (fmt != nullptr && !PlainAdpcmFormat(fmt, fmt_size, &plain_fmt, &why)) return out.Refuse(why);
  if (!plain_fmt.empty()) {
    fmt = plain_fmt.data();
    fmt_size = plain_fmt.size();
  }
  if (fmt != nullptr && fmt_size >= 16 && samples_at != nullptr) {
    uint64_t frames = 0;
    if (!StatedWavFrames(fmt, fmt_size, data_size, &frames, &why)) return out.Refuse(why);
    if (!out.Claims(Le32(fmt + 4), Le16(fmt + 2), frames)) return false;
  }
  // SDL's reader is given the file as it reads it right: an extensible ADPCM format made plain
  // (with the data, and no other chunk), or a last chunk cut to the bytes it has.
  std::vector<uint8_t> plain;
  if (!plain_fmt.empty() && samples_at != nullptr) {
    plain = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    PutChunk(plain, "fmt ", plain_fmt.data(), plain_fmt.size());
    PutChunk(plain, "data", samples_at, data_size);
    PutLe32(&plain[4], plain.size() - 8);
    data = plain.data();
    length = plain.size();
  } else if (!cut.empty()) {
    data = cut.data();
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
  if (!out.Begin(form) || !out.LengthWithin(form.rate, bytes / form.FrameBytes())) return false;
  for (size_t at = 0; at < bytes; at += kBlockBytes) {
    if (!out.Samples(samples + at, std::min<size_t>(kBlockBytes, bytes - at))) return false;
  }
  return out.End();
}

// One link's headers as libvorbis reads them, cleared when the link is done.
struct VorbisHeaders {
  VorbisHeaders() {
    vorbis_info_init(&info);
    vorbis_comment_init(&comment);
  }
  ~VorbisHeaders() {
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
  }
  VorbisHeaders(const VorbisHeaders&) = delete;
  VorbisHeaders& operator=(const VorbisHeaders&) = delete;
  vorbis_info info;
  vorbis_comment comment;
};

enum class LinkHeaders { kRead, kBroken, kRefused };

// Reads a link's three headers. The setup header is walked, and held to its bounds, before
// libvorbis reads it; *setup: what it costs.
LinkHeaders ReadHeaders(OggVorbisLinks& links, VorbisHeaders& headers, VorbisSetup* setup, std::string* why) {
  for (int i = 0; i < 3; ++i) {
    ogg_packet packet;
    if (!links.NextPacket(&packet)) return LinkHeaders::kBroken;
    if (i == 2 && !WalkVorbisSetup(packet.packet, static_cast<size_t>(packet.bytes),
                                   static_cast<uint32_t>(std::max(headers.info.channels, 0)), setup, why)) {
      return LinkHeaders::kRefused;
    }
    if (vorbis_synthesis_headerin(&headers.info, &headers.comment, &packet) != 0) return LinkHeaders::kBroken;
  }
  return LinkHeaders::kRead;
}

// What a link's packets come to, counted from the block size of each without decoding it.
struct LinkCount {
  uint64_t frames = 0;  // no more than the link's last granule position states
  uint64_t work = 0;    // what decoding them costs (VorbisBlockWork)
};

LinkCount CountLink(OggVorbisLinks& links, vorbis_info& info, const VorbisSetup& setup) {
  LinkCount count;
  const uint32_t channels = static_cast<uint32_t>(std::max(info.channels, 0));
  const uint64_t work[2] = {VorbisBlockWork(setup, static_cast<uint32_t>(vorbis_info_blocksize(&info, 0)), channels),
                            VorbisBlockWork(setup, static_cast<uint32_t>(vorbis_info_blocksize(&info, 1)), channels)};
  long previous = 0;
  ogg_int64_t granule = -1;
  ogg_packet packet;
  while (links.NextPacket(&packet)) {
    const long size = vorbis_packet_blocksize(&info, &packet);
    if (size > 0) {
      if (previous > 0) count.frames += static_cast<uint64_t>(previous + size) / 4;  // the overlap of the two
      previous = size;
      count.work += work[size == vorbis_info_blocksize(&info, 0) ? 0 : 1];
    }
    if (packet.granulepos >= 0) granule = packet.granulepos;
  }
  if (granule >= 0) count.frames = std::min(count.frames, static_cast<uint64_t>(granule));
  return count;
}

// One link's decoder, from its headers, for as long as the link lasts.
class VorbisDecoder {
 public:
  ~VorbisDecoder() {
    if (!started_) return;
    vorbis_block_clear(&block_);
    vorbis_dsp_clear(&dsp_);
  }

  bool Start(vorbis_info* info) {
    if (vorbis_synthesis_init(&dsp_, info) != 0) return false;
    vorbis_block_init(&dsp_, &block_);
    channels_ = std::max(info->channels, 1);
    started_ = true;
    return true;
  }

  // Decodes a packet (a broken one gives nothing) and hands on what it completes, as 16-bit
  // samples; false when the sink refuses them.
  bool Packet(ogg_packet* packet, BoundedSink& out) {
    if (vorbis_synthesis(&block_, packet) == 0) vorbis_synthesis_blockin(&dsp_, &block_);
    const int most = static_cast<int>(kBlockBytes / sizeof(int16_t)) / channels_;
    float** pcm = nullptr;
    for (int frames; (frames = vorbis_synthesis_pcmout(&dsp_, &pcm)) > 0;) {
      const int take = std::min(frames, most);
      int16_t* at = samples_;
      for (int i = 0; i < take; ++i) {
        for (int c = 0; c < channels_; ++c) {
          const float v = pcm[c][i] * 32768.0f;
          *at++ = static_cast<int16_t>(std::lrint(v >= 32767.0f ? 32767.0f : v > -32768.0f ? v : -32768.0f));
        }
      }
      vorbis_synthesis_read(&dsp_, take);
      if (!out.Samples(reinterpret_cast<const uint8_t*>(samples_), static_cast<size_t>(at - samples_) * 2)) {
        return false;
      }
    }
    return true;
  }

 private:
  vorbis_dsp_state dsp_;
  vorbis_block block_;
  int channels_ = 1;
  bool started_ = false;
  int16_t samples_[kBlockBytes / sizeof(int16_t)];
};

// An Ogg Vorbis stream, link by link: one link's headers and decoder are held at a time. A first
// pass reads every link's headers and counts its frames, so that a stream past the bounds is
// refused before any of it is decoded; the second decodes.
bool DecodeOgg(const uint8_t* data, size_t length, BoundedSink& out) {
  if (length < 4 || std::memcmp(data, "OggS", 4) != 0) return out.Refuse("it is not an Ogg stream");
  std::string why;
  SoundForm stated;
  uint64_t total = 0;
  uint64_t cost = 0;
  uint64_t work = 0;
  size_t count = 0;
  OggVorbisLinks links(data, length);
  while (links.NextLink()) {
    VorbisHeaders headers;
    VorbisSetup setup;
    const LinkHeaders read = ReadHeaders(links, headers, &setup, &why);
    if (read == LinkHeaders::kRefused) return out.Refuse(why);
    if (read == LinkHeaders::kBroken) break;  // the stream is broken from here on: what came before plays
    cost += kVorbisLinkBytes + setup.bytes;
    if (cost > kMaxOggStreamSetupBytes) {
      return out.Refuse("its links' decoders would take more than " + std::to_string(kMaxOggStreamSetupBytes >> 20) +
                        " MiB to set up");
    }
    const SoundForm form = SixteenBitForm(headers.info.rate, headers.info.channels);
    if (count++ == 0) {
      stated = form;
    } else if (!(form == stated)) {
      return out.Refuse("it changes its rate or channels part of the way through");
    }
    const LinkCount link = CountLink(links, headers.info, setup);
    total += link.frames;
    work += link.work;
    if (!out.Claims(stated.rate, stated.channels, total)) return false;
    // As much as the longest sound allowed at its rate, played in this form, would cost if it
    // were a real one.
    if (work > MaxVorbisWork(out.LongestFrames(stated.rate))) {
      return out.Refuse("it would take more work to decode than the longest sound allowed");
    }
  }
  if (count == 0) return out.Refuse("it is not Ogg Vorbis");
  OggVorbisLinks again(data, length);
  for (size_t link = 0; link < count && again.NextLink(); ++link) {
    VorbisHeaders headers;
    VorbisDecoder decoder;
    VorbisSetup setup;
    if (ReadHeaders(again, headers, &setup, &why) != LinkHeaders::kRead || !decoder.Start(&headers.info)) break;
    if (!out.Again(SixteenBitForm(headers.info.rate, headers.info.channels))) return false;
    ogg_packet packet;
    while (again.NextPacket(&packet)) {
      if (!decoder.Packet(&packet, out)) return false;
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

SoundForm MixerForm(uint32_t rate) { return {AUDIO_S16SYS, 2, rate}; }

uint64_t ConvertedBytes(uint64_t frames, uint32_t rate, const SoundForm& played) {
  if (rate == 0) return UINT64_MAX;
  if (played.rate != 0 && frames > (UINT64_MAX - rate) / played.rate) return UINT64_MAX;
  const uint64_t converted = (frames * played.rate + rate - 1) / rate;  // rounded up
  const uint32_t frame_bytes = played.FrameBytes();
  if (frame_bytes != 0 && converted > UINT64_MAX / frame_bytes) return UINT64_MAX;
  return converted * frame_bytes;
}

bool DecodeSound(SoundFileType type, const uint8_t* data, size_t length, const SoundForm& played, SoundSink& sink) {
  std::string why;
  BoundedSink out(sink, played, &why);
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
