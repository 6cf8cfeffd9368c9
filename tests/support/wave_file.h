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
  uint32_t sparse = 0;            // each book's entries are marked one by one, this many used
  uint32_t lookup = 0;            // lookup type 1 or 2: one bit a value
  bool cut = false;               // the setup header ends after the codebooks
  bool unused = false;            // each book's entries are marked one by one, none used
  bool long_codewords = false;    // each book's lengths in order: none of 32 bits, every entry of 33
  bool square = false;            // the tone is a full-scale square wave
  uint32_t unended_link = 0;      // this link (from 1) ends without the end-of-stream flag
  uint32_t last_link_rate = 0;    // the last link is the tone at this rate, with the encoder's setup
  uint32_t second_stream_ms = 0;  // each link holds a second Vorbis stream, of a tone this long
};
std::vector<uint8_t> MakeCraftedOgg(const CraftedOgg& craft);

// An Ogg Vorbis stream as libvorbisenc writes it: music-like sound (chords, noise and a drum
// every quarter second, which brings short blocks) of the given length, rate and channels; its
// sound packets repeated, and their granule positions moved on, up to `frames` when it is longer.
struct EncodedOgg {
  uint32_t rate = 96000;
  uint8_t channels = 2;
  uint32_t milliseconds = 1000;
  float quality = 0.4f;  // -0.1 to 1
  uint64_t frames = 0;
};
std::vector<uint8_t> MakeEncodedOgg(const EncodedOgg& encoded);

// An Ogg Vorbis stream whose headers are written field by field, of audio packets of a few bits:
// two codebooks (two entries of one bit each: vectors of `vector_dimensions`, and words of
// `word_dimensions`), one floor, one residue, one mapping and one mode. Each packet decodes its
// floor (floor 0: an amplitude and the first vector for each part of its order; floor 1: two
// points at 0) and ends in its residue: the decoder works as for a whole block.
struct BareOgg {
  uint32_t rate = 8000;
  uint8_t channels = 1;
  uint8_t block_bits = 8;  // both block sizes are 2 to this power
  uint8_t long_bits = 0;   // the long blocks', when not block_bits: the one mode is of long blocks
  uint32_t packets = 10;   // audio packets
  uint8_t floor = 0;
  uint8_t order = 8;  // floor 0
  uint16_t bark_map = 64;
  uint8_t partitions = 1;  // floor 1: partitions of `class_dimensions` points each
  uint8_t class_dimensions = 2;
  uint16_t vector_dimensions = 64;
  uint16_t word_dimensions = 1;
  uint8_t classifications = 2;  // the residue's
  uint16_t residue_type = 1;
  bool stages = false;      // each classification has a stage, of the vectors' book
  uint8_t stage_count = 1;  // with stages: the first so many
  bool last_stage_only = false;  // with stages: the last of those alone, the others left out
  uint32_t grouping = 16;   // the residue's values a partition; it covers half a block a channel
  bool classified = false;  // each packet classifies all of its residue's partitions
  uint16_t coupling_steps = 0;
};
std::vector<uint8_t> MakeBareOgg(const BareOgg& bare);

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
  bool coefficients = true;     // MS ADPCM's are stated
  bool foreign_guid = false;    // the extensible format's subformat GUID is not of the tag's family
};
std::vector<uint8_t> MakeAdpcmWave(const AdpcmWave& wave);

}  // namespace test_support
