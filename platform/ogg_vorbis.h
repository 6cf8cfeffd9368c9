// Ogg Vorbis streams read before libvorbis decodes them: the links of a chained stream one at a
// time, and each link's setup header walked and held to what a real sound needs.
//
// libvorbis builds each codebook of a setup header as the header states it: a table of every
// entry when the header is read, a decode table of every used entry (and a sort index of them on
// the stack) when the decoder starts; and a map of every classification word for each residue.
// A header of a few bytes can state millions of entries (8,388,607 overflow the stack; 256
// codebooks of them take 2 GB), and a codebook of no dimensions whose entries are used sends the
// decoder's set-up into an endless loop (lookup type 1: a lattice) or a residue of type 0 that
// reads vectors from it into a division by zero. So the setup header is walked here first, bit by
// bit as libvorbis reads it, through its mappings, and refused when a codebook passes the bounds
// below or is such a lattice, when a residue of type 0 reads such vectors, or when its codebooks,
// floors and residues would cost the decoder more than kMaxVorbisSetupBytes. The encoder's own
// headers (libvorbis at every rate and quality, mono and stereo) hold at most 6,561 entries and 8
// dimensions a codebook, and cost under 160 KB.
//
// The walk also tells what each block costs to decode (VorbisBlockWork): a packet of a byte or
// two makes the decoder work as for a whole block, and floor 0's curve, the channel coupling and
// a residue's partitions can make that many times what a real sound's block takes.
//
// Needs libogg (its bit reader and page checksum).
#pragma once

#include <ogg/ogg.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The most entries and dimensions of one codebook, and what a setup header may cost the decoder
// (its tables of lengths, lookup values, codewords and vectors, its floors and residue maps).
inline constexpr uint32_t kMaxVorbisBookEntries = 65536;
inline constexpr uint32_t kMaxVorbisBookDimensions = 64;
inline constexpr uint64_t kMaxVorbisSetupBytes = 4u << 20;
// What the decoders of every link of a stream may cost together (one after the other: the time
// to set them up), each link counting kVorbisLinkBytes more for its transforms and buffers.
inline constexpr uint64_t kMaxOggStreamSetupBytes = 32u << 20;
inline constexpr uint64_t kVorbisLinkBytes = 128u << 10;

// What a setup header would cost the decoder.
struct VorbisSetup {
  uint32_t books = 0;          // codebooks
  uint64_t bytes = 0;          // what the decoder's tables of them, its floors and residues take
  uint64_t books_end_bit = 0;  // where the last codebook ends in the packet
  struct Floor0 {
    uint32_t order = 0;
    uint32_t bark_map = 0;  // the points of its curve
  };
  std::vector<Floor0> floor0;   // its floors of type 0
  uint32_t coupling_steps = 0;  // the most of any mapping
  struct Residue {
    uint32_t type = 0;
    uint32_t begin = 0;  // the values it covers, from begin to end
    uint32_t end = 0;
    uint32_t grouping = 1;    // values a partition
    uint32_t stages = 0;      // the passes over its partitions
    uint32_t dimensions = 0;  // the most of its stages' codebooks
  };
  std::vector<Residue> residues;
};

// Walks a Vorbis setup header packet, of a stream of so many channels, through its mappings. False,
// with the reason in *why, when the packet is no setup header, ends early or breaks, or passes
// the bounds.
bool WalkVorbisSetup(const uint8_t* packet, size_t size, uint32_t channels, VorbisSetup* setup, std::string* why);

// What decoding one audio packet of a block of `block_size` samples costs, in units of a sixteenth
// of what a sample of one channel of a real sound takes (its transform, window, floor 1 and
// residue) and 64 more for the block: its channels' samples, a unit a sample for each coupling
// step, for each channel the dearest of the floors of type 0, whose curve costs 16 units for
// each of its order, and at each of its points that the block reaches (its bark map's, at most
// half the block) 32 units and half a unit for each of its order; and the dearest residue, whose
// decoder visits each of its partitions that the block reaches once a stage, in each channel
// (type 2: the channels' values interleaved), for a unit, and (type 0) turns a loop once for
// each dimension of its codebooks there, reading no bits, for half a unit each (a partition of a
// sample read with codebooks of 64 dimensions costs it 33 units).
// What the packet's bits cost as they are read (a residue vector of up to 64 values for each)
// is not counted: a file costs at most in proportion to its size so.
inline constexpr uint64_t kVorbisSampleWork = 16;
inline constexpr uint64_t kVorbisPartitionWork = 1;
uint64_t VorbisBlockWork(const VorbisSetup& setup, uint32_t block_size, uint32_t channels);

// What a frame of the dearest real sound costs: two channels, coupled (a unit a sample), and a
// unit a sample more for the work of each block (64 a channel: a unit a sample in blocks of 256,
// the shortest the encoder writes; its longer blocks cost less a frame).
inline constexpr uint64_t kVorbisRealFrameWork = 2 * kVorbisSampleWork + 2;
// The most a stream whose length may reach `frames` may cost to decode: as much as a real one of
// that length, a block more for its first and last, and a quarter more (a real sound's floors,
// residues and blocks as its encoder chose them cost it less than kVorbisRealFrameWork).
inline constexpr uint64_t MaxVorbisWork(uint64_t frames) { return (frames + 8192) * kVorbisRealFrameWork * 5 / 4; }

// The links of an Ogg stream in memory, and the packets of each link's Vorbis stream, as libogg
// gives them. A link begins with a group of first pages (one a logical stream); the first of
// them that opens a Vorbis stream is the link's, and its pages are read until a first page
// begins the next link. Pages are found as libogg finds them (a page whose checksum fails is
// skipped); their bodies are read where they lie.
class OggVorbisLinks {
 public:
  OggVorbisLinks(const uint8_t* data, size_t length);
  ~OggVorbisLinks();
  OggVorbisLinks(const OggVorbisLinks&) = delete;
  OggVorbisLinks& operator=(const OggVorbisLinks&) = delete;

  // Moves to the next link that holds a Vorbis stream; false when there is none.
  bool NextLink();
  // The current link's next packet, valid until the next call; false at the link's end. A gap in
  // the stream is stepped over.
  bool NextPacket(ogg_packet* packet);

 private:
  // The next page whose checksum holds, from the current place on; *start: where it begins.
  bool NextPage(ogg_page* page, size_t* start);

  const uint8_t* data_;
  size_t length_;
  size_t at_ = 0;
  unsigned char header_[282];  // the current page's header, its checksum checked on this copy
  ogg_stream_state stream_;
  bool in_link_ = false;
};

}  // namespace platform
