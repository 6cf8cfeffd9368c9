// The walk of a Vorbis setup header, and the links and packets of an Ogg stream.
#include "platform/ogg_vorbis.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace platform {
namespace {

// Bits needed to hold the value (Vorbis's ilog): 0 for 0.
int BitsOf(uint64_t value) {
  int bits = 0;
  for (; value != 0; value >>= 1) ++bits;
  return bits;
}

// The lookup values of a lookup type 1 codebook: the greatest count whose dim-th power is no more
// than the entries (libvorbis verifies its floating-point guess the same way; it reads none for
// a codebook of no dimensions).
uint64_t LatticeValues(uint64_t entries, uint64_t dim) {
  auto power_within = [&](uint64_t base) {
    uint64_t power = 1;
    for (uint64_t i = 0; i < dim; ++i) {
      if (power > entries / base) return false;
      power *= base;
    }
    return true;
  };
  if (entries == 0 || dim == 0) return 0;
  uint64_t low = 1;  // 1 to the dim-th is always within
  uint64_t high = entries + 1;
  while (high - low > 1) {
    const uint64_t middle = low + (high - low) / 2;
    (power_within(middle) ? low : high) = middle;
  }
  return low;
}

// Reads the setup header's bits as libvorbis does, and says why when they end or break.
class SetupReader {
 public:
  SetupReader(const uint8_t* packet, size_t size, std::string* why) : size_(size), why_(why) {
    oggpack_readinit(&bits_, const_cast<unsigned char*>(packet), static_cast<int>(size));
  }

  bool Read(int count, uint64_t* value) {
    const long got = oggpack_read(&bits_, count);
    if (got < 0) return Fail("its setup header ends early");
    *value = static_cast<uint64_t>(got);
    return true;
  }
  // Steps over so many bits, when the packet holds them.
  bool Skip(uint64_t count) {
    if (count > Left()) return Fail("its setup header ends early");
    for (; count > 0;) {
      const int step = count > (1u << 20) ? (1 << 20) : static_cast<int>(count);
      oggpack_adv(&bits_, step);
      count -= static_cast<uint64_t>(step);
    }
    return true;
  }
  uint64_t Left() { return uint64_t{size_} * 8 - static_cast<uint64_t>(oggpack_bits(&bits_)); }
  uint64_t Position() { return static_cast<uint64_t>(oggpack_bits(&bits_)); }
  bool Fail(const std::string& text) {
    *why_ = text;
    return false;
  }

 private:
  oggpack_buffer bits_;
  size_t size_;
  std::string* why_;
};

// Adds what a part of the setup costs the decoder; false past the bound.
bool Charge(SetupReader& in, VorbisSetup* setup, uint64_t bytes) {
  setup->bytes += bytes;
  return setup->bytes <= kMaxVorbisSetupBytes ||
         in.Fail("its setup would take more than " + std::to_string(kMaxVorbisSetupBytes >> 20) + " MiB to decode");
}

// What the floors and residues need to know of a codebook.
struct BookShape {
  uint64_t dim = 0;
  uint64_t entries = 0;
  uint64_t used = 0;  // entries
  bool has_lookup = false;
};

// One codebook: its lengths, then its lookup table. Adds what the decoder would build of it.
bool WalkBook(SetupReader& in, uint32_t index, VorbisSetup* setup, BookShape* shape) {
  const std::string which = "its codebook " + std::to_string(index);
  uint64_t sync = 0, dim = 0, entries = 0, ordered = 0;
  if (!in.Read(24, &sync) || !in.Read(16, &dim) || !in.Read(24, &entries) || !in.Read(1, &ordered)) return false;
  if (sync != 0x564342) return in.Fail(which + " lacks its sync pattern");
  if (BitsOf(dim) + BitsOf(entries) > 24) return in.Fail(which + " has more values than a codebook may");
  if (entries > kMaxVorbisBookEntries) {
    return in.Fail(which + " has " + std::to_string(entries) + " entries (the most is " +
                   std::to_string(kMaxVorbisBookEntries) + ")");
  }
  if (dim > kMaxVorbisBookDimensions) {
    return in.Fail(which + " has " + std::to_string(dim) + " dimensions (the most is " +
                   std::to_string(kMaxVorbisBookDimensions) + ")");
  }
  uint64_t used = 0;
  uint64_t value = 0;
  if (ordered == 0) {
    uint64_t sparse = 0;
    if (!in.Read(1, &sparse)) return false;
    for (uint64_t i = 0; i < entries; ++i) {
      uint64_t present = 1;
      if (sparse != 0 && !in.Read(1, &present)) return false;
      if (present == 0) continue;
      if (!in.Read(5, &value)) return false;
      ++used;
    }
  } else {
    uint64_t length = 0;
    if (!in.Read(5, &length)) return false;
    for (++length; used < entries; ++length) {
      uint64_t count = 0;
      if (!in.Read(BitsOf(entries - used), &count)) return false;
      if (length > 32 || count > entries - used || (count > 0 && (count - 1) >> (length - 1) > 1)) {
        return in.Fail(which + " has lengths that no codewords fit");
      }
      used += count;
    }
  }
  uint64_t lookup = 0;
  if (!in.Read(4, &lookup)) return false;
  uint64_t values = 0;
  if (lookup == 1 || lookup == 2) {
    uint64_t bits = 0, sequence = 0;
    if (!in.Skip(64) || !in.Read(4, &bits) || !in.Read(1, &sequence)) return false;
    values = lookup == 1 ? LatticeValues(entries, dim) : entries * dim;
    if (!in.Skip(values * (bits + 1))) return false;
  } else if (lookup != 0) {
    return in.Fail(which + " has lookup type " + std::to_string(lookup));
  }
  // libvorbis loops for ever working out how many values a lattice of no dimensions has, when
  // the codebook has entries to build vectors for.
  if (dim == 0 && lookup == 1 && used > 0) return in.Fail(which + " has a lattice of no dimensions");
  // The decoder's tables: a length an entry and a value a lookup value as it reads the header;
  // then for every used entry its codeword, index, length and (with a lookup table) its vector,
  // and a first-stage table of up to 256 words.
  *shape = BookShape{dim, entries, used, lookup != 0};
  return Charge(in, setup, entries + values * 8 + used * (13 + (lookup != 0 ? 4 * dim : 0)) + 1024);
}

// A floor: its books are checked; what the decoder builds of one is small (floor 1: 65 points at
// the most) or bounded by the block size (floor 0: a map of up to 4096 words for each of the two).
bool WalkFloor(SetupReader& in, const std::vector<BookShape>& shapes, VorbisSetup* setup) {
  uint64_t type = 0;
  if (!in.Read(16, &type)) return false;
  auto book = [&](uint64_t number, bool vectors) {
    if (number < shapes.size() && (!vectors || shapes[number].has_lookup)) return true;
    return in.Fail("one of its floors names no codebook it can use");
  };
  if (type == 0) {
    uint64_t order = 0, skip = 0, bark_map = 0, count = 0, number = 0;
    // Order, rate, bark map size, amplitude bits and offset, then its books.
    if (!in.Read(8, &order) || !in.Read(16, &skip) || !in.Read(16, &bark_map) || !in.Read(6, &skip) ||
        !in.Read(8, &skip)) {
      return false;
    }
    setup->floor0.push_back({static_cast<uint32_t>(order), static_cast<uint32_t>(bark_map)});
    if (!in.Read(4, &count)) return false;
    for (uint64_t i = 0; i <= count; ++i) {
      if (!in.Read(8, &number) || !book(number, true)) return false;
    }
    return Charge(in, setup, 2 * 4097 * 4);
  }
  if (type != 1) return in.Fail("one of its floors is of type " + std::to_string(type));
  uint64_t partitions = 0, value = 0, classes = 0;
  uint64_t partition_class[31];
  if (!in.Read(5, &partitions)) return false;
  for (uint64_t i = 0; i < partitions; ++i) {
    if (!in.Read(4, &partition_class[i])) return false;
    classes = std::max(classes, partition_class[i] + 1);
  }
  uint64_t class_dim[16];
  for (uint64_t c = 0; c < classes; ++c) {
    uint64_t subclasses = 0;
    if (!in.Read(3, &class_dim[c]) || !in.Read(2, &subclasses)) return false;
    ++class_dim[c];
    if (subclasses != 0 && (!in.Read(8, &value) || !book(value, false))) return false;
    for (uint64_t k = 0; k < (uint64_t{1} << subclasses); ++k) {
      if (!in.Read(8, &value) || (value != 0 && !book(value - 1, false))) return false;
    }
  }
  uint64_t range_bits = 0, points = 0;
  if (!in.Read(2, &value) || !in.Read(4, &range_bits)) return false;
  for (uint64_t i = 0; i < partitions; ++i) points += class_dim[partition_class[i]];
  if (points > 63) return in.Fail("one of its floors has more than 65 points");
  return in.Skip(points * range_bits) && Charge(in, setup, 2048);
}

// A residue: its classification book and the books of each of its stages. The decoder builds a
// map of every classification word the book can give (partitions to the power of its
// dimensions, which it holds to the book's entries), a small array for each.
bool WalkResidue(SetupReader& in, const std::vector<BookShape>& shapes, VorbisSetup* setup) {
  uint64_t type = 0, begin = 0, end = 0, grouping = 0, partitions = 0, group = 0;
  if (!in.Read(16, &type)) return false;
  if (type > 2) return in.Fail("one of its residues is of type " + std::to_string(type));
  if (!in.Read(24, &begin) || !in.Read(24, &end) || !in.Read(24, &grouping) || !in.Read(6, &partitions) ||
      !in.Read(8, &group)) {
    return false;
  }
  ++partitions;
  VorbisSetup::Residue residue{static_cast<uint32_t>(type), static_cast<uint32_t>(begin), static_cast<uint32_t>(end),
                               static_cast<uint32_t>(grouping + 1)};
  uint64_t books = 0;
  for (uint64_t i = 0; i < partitions; ++i) {
    uint64_t low = 0, flag = 0, high = 0;
    if (!in.Read(3, &low) || !in.Read(1, &flag) || (flag != 0 && !in.Read(5, &high))) return false;
    books += static_cast<uint64_t>(__builtin_popcountll(high << 3 | low));
    residue.stages = std::max(residue.stages, static_cast<uint32_t>(BitsOf(high << 3 | low)));
  }
  for (uint64_t i = 0; i < books; ++i) {
    uint64_t number = 0;
    if (!in.Read(8, &number)) return false;
    if (number >= shapes.size() || !shapes[number].has_lookup) {
      return in.Fail("one of its residues names no codebook it can use");
    }
    residue.dimensions = std::max(residue.dimensions, static_cast<uint32_t>(shapes[number].dim));
    // A residue of type 0 divides each partition by the vectors' dimensions.
    if (type == 0 && shapes[number].dim == 0 && shapes[number].used > 0) {
      return in.Fail("one of its residues reads vectors of no dimensions");
    }
  }
  if (group >= shapes.size()) return in.Fail("one of its residues names no codebook it can use");
  const BookShape& book = shapes[group];
  uint64_t words = 1;
  for (uint64_t d = 0; d < book.dim; ++d) {
    words *= partitions;
    if (words > book.entries) return in.Fail("one of its residues has more classifications than its codebook");
  }
  setup->residues.push_back(residue);
  return Charge(in, setup, words * (24 + 4 * book.dim) + partitions * 64);
}

// A mapping: what its blocks cost is its coupling steps (each a pass over both channels); the rest
// is read to be stepped over.
bool WalkMapping(SetupReader& in, uint32_t channels, VorbisSetup* setup) {
  uint64_t type = 0, flag = 0, submaps = 1, steps = 0, value = 0;
  if (!in.Read(16, &type)) return false;
  if (type != 0) return in.Fail("one of its mappings is of type " + std::to_string(type));
  if (!in.Read(1, &flag) || (flag != 0 && !in.Read(4, &submaps))) return false;
  if (flag != 0) ++submaps;
  if (!in.Read(1, &flag) || (flag != 0 && !in.Read(8, &steps))) return false;
  if (flag != 0) ++steps;
  const int channel_bits = BitsOf(channels > 0 ? channels - 1 : 0);
  if (!in.Skip(steps * 2 * static_cast<uint64_t>(channel_bits)) || !in.Read(2, &value)) return false;
  if (submaps > 1 && !in.Skip(uint64_t{channels} * 4)) return false;
  setup->coupling_steps = std::max(setup->coupling_steps, static_cast<uint32_t>(steps));
  return in.Skip(submaps * 24);
}

}  // namespace

bool WalkVorbisSetup(const uint8_t* packet, size_t size, uint32_t channels, VorbisSetup* setup, std::string* why) {
  *setup = VorbisSetup{};
  if (size < 8 || packet[0] != 5 || std::memcmp(packet + 1, "vorbis", 6) != 0) {
    *why = "its third header is no setup header";
    return false;
  }
  if (size > INT_MAX / 8) {
    *why = "its setup header is too large";
    return false;
  }
  SetupReader in(packet + 7, size - 7, why);
  uint64_t count = 0;
  if (!in.Read(8, &count)) return false;
  setup->books = static_cast<uint32_t>(count + 1);
  std::vector<BookShape> shapes(setup->books);
  for (uint32_t i = 0; i < setup->books; ++i) {
    if (!WalkBook(in, i, setup, &shapes[i])) return false;
  }
  setup->books_end_bit = 56 + in.Position();
  // The time domain transforms (placeholders, each 0), the floors and the residues.
  uint64_t value = 0;
  if (!in.Read(6, &count)) return false;
  for (uint64_t i = 0; i <= count; ++i) {
    if (!in.Read(16, &value)) return false;
    if (value != 0) return in.Fail("its setup header has a time domain transform");
  }
  if (!in.Read(6, &count)) return false;
  for (uint64_t i = 0; i <= count; ++i) {
    if (!WalkFloor(in, shapes, setup)) return false;
  }
  if (!in.Read(6, &count)) return false;
  for (uint64_t i = 0; i <= count; ++i) {
    if (!WalkResidue(in, shapes, setup)) return false;
  }
  if (!in.Read(6, &count)) return false;
  for (uint64_t i = 0; i <= count; ++i) {
    if (!WalkMapping(in, channels, setup)) return false;
  }
  return true;
}

uint64_t VorbisBlockWork(const VorbisSetup& setup, uint32_t block_size, uint32_t channels) {
  const uint64_t half = block_size / 2;
  uint64_t floor = 0;
  for (const VorbisSetup::Floor0& f : setup.floor0) {
    floor = std::max(floor, uint64_t{f.order} * 16 + std::min<uint64_t>(half, f.bark_map) * (32 + f.order / 2));
  }
  uint64_t residue = 0;
  for (const VorbisSetup::Residue& r : setup.residues) {
    const uint64_t end = std::min<uint64_t>(r.end, r.type == 2 ? half * channels : half);
    const uint64_t partitions = end > r.begin ? (end - r.begin) / r.grouping * (r.type == 2 ? 1 : channels) : 0;
    const uint64_t loop = r.type == 0 ? r.dimensions : 0;
    residue = std::max(residue, partitions * r.stages * (2 * kVorbisPartitionWork + loop) / 2);
  }
  return channels * (kVorbisSampleWork * half + 64 + floor) + setup.coupling_steps * half + residue;
}

OggVorbisLinks::OggVorbisLinks(const uint8_t* data, size_t length) : data_(data), length_(length) {
  ogg_stream_init(&stream_, 0);
}

OggVorbisLinks::~OggVorbisLinks() { ogg_stream_clear(&stream_); }

bool OggVorbisLinks::NextPage(ogg_page* page, size_t* start) {
  while (length_ - at_ >= 27) {
    const uint8_t* p = data_ + at_;
    if (std::memcmp(p, "OggS", 4) != 0) {
      // On to the next capture pattern.
      const void* next = std::memchr(p + 1, 'O', length_ - at_ - 1);
      at_ = next != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(next) - data_) : length_;
      continue;
    }
    const size_t header = 27 + size_t{p[26]};
    size_t body = 0;
    if (length_ - at_ >= header) {
      for (size_t i = 27; i < header; ++i) body += p[i];
    }
    if (p[4] != 0 || length_ - at_ < header || length_ - at_ - header < body) {
      ++at_;  // no page here: its version is unknown, or it runs past the end
      continue;
    }
    std::memcpy(header_, p, header);
    std::memset(header_ + 22, 0, 4);
    page->header = header_;
    page->header_len = static_cast<long>(header);
    page->body = const_cast<unsigned char*>(p + header);
    page->body_len = static_cast<long>(body);
    ogg_page_checksum_set(page);
    if (std::memcmp(header_ + 22, p + 22, 4) != 0) {
      ++at_;  // a broken page: libogg looks for the next one from the following byte
      continue;
    }
    *start = at_;
    at_ += header + body;
    return true;
  }
  at_ = length_;
  return false;
}

bool OggVorbisLinks::NextLink() {
  ogg_page page;
  size_t start = 0;
  // What is left of the current link, and anything before a first page, is stepped over.
  do {
    if (!NextPage(&page, &start)) return false;
  } while (ogg_page_bos(&page) == 0);
  in_link_ = false;
  for (;;) {
    // The group of first pages: the first Vorbis identification header opens the link's stream.
    if (!in_link_ && page.body_len >= 7 && page.body[0] == 1 && std::memcmp(page.body + 1, "vorbis", 6) == 0) {
      ogg_stream_reset_serialno(&stream_, ogg_page_serialno(&page));
      ogg_stream_pagein(&stream_, &page);
      in_link_ = true;
    }
    if (!NextPage(&page, &start)) return in_link_;
    if (ogg_page_bos(&page) != 0) continue;
    at_ = start;  // the link's first page after the group: NextPacket reads it
    if (in_link_) return true;
    // A link of no Vorbis stream: on to the next.
    do {
      if (!NextPage(&page, &start)) return false;
    } while (ogg_page_bos(&page) == 0);
  }
}

bool OggVorbisLinks::NextPacket(ogg_packet* packet) {
  if (!in_link_) return false;
  for (;;) {
    const int got = ogg_stream_packetout(&stream_, packet);
    if (got == 1) return true;
    if (got < 0) continue;  // a gap: what follows it is read on
    ogg_page page;
    size_t start = 0;
    if (stream_.e_o_s != 0 || !NextPage(&page, &start)) break;
    if (ogg_page_bos(&page) != 0) {
      at_ = start;  // the next link begins here
      break;
    }
    if (ogg_page_serialno(&page) == stream_.serialno) ogg_stream_pagein(&stream_, &page);
  }
  in_link_ = false;
  return false;
}

}  // namespace platform
