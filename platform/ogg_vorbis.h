// Ogg Vorbis streams read before libvorbis decodes them: the links of a chained stream one at a
// time, and each link's setup header walked and held to what a real sound needs.
//
// libvorbis builds each codebook of a setup header as the header states it: a table of every
// entry when the header is read, a decode table of every used entry (and a sort index of them on
// the stack) when the decoder starts; and a map of every classification word for each residue.
// A header of a few bytes can state millions of entries (8,388,607 overflow the stack; 256
// codebooks of them take 2 GB), and a codebook of no dimensions sends the decoder's set-up into
// an endless loop. So the setup header is walked here first, bit by bit as libvorbis reads it,
// up to its residues, and refused when a codebook has no dimensions or passes the bounds below,
// or when its codebooks, floors and residues would cost the decoder more than
// kMaxVorbisSetupBytes. The encoder's own headers (libvorbis at every rate and quality, mono and
// stereo) hold at most 6,561 entries and 8 dimensions a codebook, and cost under 160 KB.
//
// Needs libogg (its bit reader and page checksum).
#pragma once

#include <ogg/ogg.h>

#include <cstddef>
#include <cstdint>
#include <string>

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
};

// Walks a Vorbis setup header packet up to its residues. False, with the reason in *why, when
// the packet is no setup header, ends early or breaks, or passes the bounds.
bool WalkVorbisSetup(const uint8_t* packet, size_t size, VorbisSetup* setup, std::string* why);

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
