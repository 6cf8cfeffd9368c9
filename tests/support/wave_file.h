// Builds small sound files in memory for tests.
#pragma once

#include <cstdint>
#include <vector>

namespace test_support {

// An 8-bit PCM RIFF WAVE file of the given length: a quiet square wave on each channel.
std::vector<uint8_t> MakeWave(uint32_t milliseconds, uint32_t sample_rate = 8000, uint16_t channels = 1);

// An MP3 file of silent MPEG-2.5 layer III frames (8000 Hz mono, 72 ms each), frames long.
std::vector<uint8_t> MakeMp3(uint32_t frames);

// An Ogg Vorbis file of a mono tone at 8000 Hz, of the given length.
std::vector<uint8_t> MakeOgg(uint32_t milliseconds);

// An Ogg Vorbis stream of MakeOgg's tone whose setup header carries `books` more codebooks after
// the encoder's own (none of them used by the sound), `links` times over as a chained stream,
// each link with a serial number of its own.
struct CraftedOgg {
  uint32_t milliseconds = 200;
  uint32_t links = 1;
  uint32_t books = 0;    // those past 256 in all are left out
  uint32_t entries = 1;  // of each book: all of one length when `sparse` is 0
  uint32_t dimensions = 1;
  uint32_t sparse = 0;  // each book's entries are marked one by one, this many used
  uint32_t lookup = 0;  // lookup type 1 or 2: one bit a value
  bool cut = false;     // the setup header ends after the codebooks
};
std::vector<uint8_t> MakeCraftedOgg(const CraftedOgg& craft);

// An ADPCM WAV file of whole blocks, each of which decodes to 1000 on its first channel and -1000
// on its second.
struct AdpcmWave {
  uint16_t tag = 0x11;  // IMA ADPCM; 2: MS ADPCM
  uint16_t channels = 1;
  uint32_t rate = 22050;
  uint16_t block = 256;  // bytes: 505 frames of mono IMA ADPCM, 500 of MS ADPCM
  uint32_t blocks = 1;
  // The format chunk: the 16 bytes up to the bits a sample; the plain one, stating the frames a
  // block (and MS ADPCM's seven coefficients); or the extensible one, as ffmpeg writes them.
  enum Format { kShort, kPlain, kExtensible } format = kPlain;
  uint16_t frames_a_block = 0;  // as stated
  uint16_t valid_bits = 4;      // of the extensible format
};
std::vector<uint8_t> MakeAdpcmWave(const AdpcmWave& wave);

}  // namespace test_support
