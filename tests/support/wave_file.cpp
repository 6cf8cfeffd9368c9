#include "tests/support/wave_file.h"

#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/ogg_vorbis.h"

namespace test_support {

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void Put16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

}  // namespace

std::vector<uint8_t> MakeWave(uint32_t milliseconds, uint32_t sample_rate, uint16_t channels) {
  const uint32_t frames = static_cast<uint32_t>(uint64_t{sample_rate} * milliseconds / 1000);
  const uint32_t samples = frames * channels;
  std::vector<uint8_t> out{'R', 'I', 'F', 'F'};
  Put32(out, 36 + samples + (samples & 1));
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, channels);
  Put32(out, sample_rate);
  Put32(out, sample_rate * channels);  // bytes a second
  Put16(out, channels);                // block align
  Put16(out, 8);                       // bits a sample
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  Put32(out, samples);
  for (uint32_t i = 0; i < samples; ++i) out.push_back((i / channels / 20) % 2 ? 0x90 : 0x70);
  if (samples & 1) out.push_back(0);
  return out;
}

std::vector<uint8_t> MakeMp3(uint32_t frames) {
  // Sync, MPEG 2.5, layer III, no CRC; 8 kbit/s, 8000 Hz; mono. 72 bytes a frame: the header,
  // then side information and main data all zero, which decode to silence.
  const uint8_t header[4] = {0xFF, 0xE3, 0x18, 0xC0};
  std::vector<uint8_t> out;
  out.reserve(size_t{frames} * 72);
  for (uint32_t i = 0; i < frames; ++i) {
    out.insert(out.end(), header, header + 4);
    out.resize(out.size() + 68, 0);
  }
  return out;
}

namespace {

struct OggPacket {
  std::vector<uint8_t> bytes;
  ogg_int64_t granule = -1;
  ogg_int64_t number = 0;
  bool first = false;
  bool last = false;
};

OggPacket Keep(const ogg_packet& packet) {
  OggPacket kept;
  kept.bytes.assign(packet.packet, packet.packet + packet.bytes);
  kept.granule = packet.granulepos;
  kept.number = packet.packetno;
  kept.first = packet.b_o_s != 0;
  kept.last = packet.e_o_s != 0;
  return kept;
}

// The encoder's packets of `frames` frames of what `sample` gives for each frame and channel: its
// three headers, then the sound.
template <typename Sample>
std::vector<OggPacket> Encode(long rate, int channels, float quality, long frames, Sample sample) {
  std::vector<OggPacket> packets;
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, channels, rate, quality) != 0) return packets;
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block block;
  vorbis_block_init(&dsp, &block);
  ogg_packet headers[3];
  vorbis_analysis_headerout(&dsp, &comment, &headers[0], &headers[1], &headers[2]);
  for (const ogg_packet& packet : headers) packets.push_back(Keep(packet));
  for (long at = 0;; at += 1024) {
    const long count = std::max<long>(std::min<long>(1024, frames - at), 0);
    if (count > 0) {
      float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
      for (long i = 0; i < count; ++i) {
        for (int c = 0; c < channels; ++c) buffer[c][i] = sample(at + i, c);
      }
    }
    vorbis_analysis_wrote(&dsp, static_cast<int>(count));  // 0: the end of the stream
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) packets.push_back(Keep(packet));
    }
    if (count == 0) break;
  }
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return packets;
}

// The encoder's packets of a mono tone (a quiet sine, or a full-scale square wave): its three
// headers, then the sound.
std::vector<OggPacket> EncodeTone(uint32_t milliseconds, long rate = 8000, bool square = false) {
  std::vector<OggPacket> packets;
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, 1, rate, 0.1f) != 0) return packets;
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block block;
  vorbis_block_init(&dsp, &block);
  ogg_packet headers[3];
  vorbis_analysis_headerout(&dsp, &comment, &headers[0], &headers[1], &headers[2]);
  for (const ogg_packet& packet : headers) packets.push_back(Keep(packet));

  const long samples = rate * milliseconds / 1000;
  for (long at = 0;; at += 1024) {
    const long count = std::max<long>(std::min<long>(1024, samples - at), 0);
    if (count > 0) {
      float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
      for (long i = 0; i < count; ++i) {
        buffer[0][i] =
            square ? ((at + i) / 40 % 2 ? -1.0f : 1.0f) : 0.25f * std::sin(static_cast<float>(at + i) * 0.2f);
      }
    }
    vorbis_analysis_wrote(&dsp, static_cast<int>(count));  // 0: the end of the stream
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) packets.push_back(Keep(packet));
    }
    if (count == 0) break;
  }
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return packets;
}

// Pages the packets as one logical stream: the headers on pages of their own, as encoders do.
void PageOut(const std::vector<OggPacket>& packets, int serial, std::vector<uint8_t>& out) {
  ogg_stream_state stream;
  ogg_stream_init(&stream, serial);
  ogg_page page;
  auto put_page = [&] {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
  };
  for (size_t i = 0; i < packets.size(); ++i) {
    OggPacket kept = packets[i];
    ogg_packet packet{kept.bytes.data(), static_cast<long>(kept.bytes.size()), kept.first, kept.last, kept.granule,
                      kept.number};
    ogg_stream_packetin(&stream, &packet);
    if (i == 2) {
      while (ogg_stream_flush(&stream, &page) != 0) put_page();
    } else if (i > 2) {
      while (ogg_stream_pageout(&stream, &page) != 0) put_page();
    }
  }
  while (ogg_stream_flush(&stream, &page) != 0) put_page();
  ogg_stream_clear(&stream);
}

int BitsOf(uint64_t value) {
  int bits = 0;
  for (; value != 0; value >>= 1) ++bits;
  return bits;
}

// Writes a run of bits, up to 32 at a time.
void PutBits(oggpack_buffer* out, uint64_t count, uint64_t value = 0) {
  for (; count > 0;) {
    const int step = count > 32 ? 32 : static_cast<int>(count);
    oggpack_write(out, static_cast<unsigned long>(value), step);
    count -= static_cast<uint64_t>(step);
  }
}

void CopyBits(oggpack_buffer* in, oggpack_buffer* out, uint64_t count) {
  for (; count > 0;) {
    const int step = count > 32 ? 32 : static_cast<int>(count);
    oggpack_write(out, static_cast<unsigned long>(oggpack_read(in, step)), step);
    count -= static_cast<uint64_t>(step);
  }
}

void PutBook(oggpack_buffer* out, const CraftedOgg& c) {
  PutBits(out, 24, 0x564342);
  PutBits(out, 16, c.dimensions);
  PutBits(out, 24, c.entries);
  if (c.long_codewords) {
    // Lengths in order: none of 32 bits, then every entry of 33.
    PutBits(out, 1, 1);
    PutBits(out, 5, 31);
    PutBits(out, BitsOf(c.entries), 0);
    PutBits(out, BitsOf(c.entries), c.entries);
  } else if (c.sparse == 0 && !c.unused) {
    // Lengths in order: every entry of the one length their count needs.
    PutBits(out, 1, 1);
    PutBits(out, 5, std::max(BitsOf(c.entries - 1), 1) - 1);
    PutBits(out, BitsOf(c.entries), c.entries);
  } else {
    PutBits(out, 2, 2);  // unordered, marked one by one
    for (uint32_t i = 0; i < c.entries; ++i) {
      PutBits(out, 1, i < c.sparse ? 1 : 0);
      if (i < c.sparse) PutBits(out, 5, std::max(BitsOf(c.sparse - 1), 1) - 1);
    }
  }
  PutBits(out, 4, c.lookup);
  if (c.lookup == 0) return;
  PutBits(out, 64 + 4 + 1);  // minimum, delta, a bit a value, no sequence
  // A value an entry (one dimension) or a vector an entry; none for no dimensions.
  PutBits(out, c.lookup == 2 ? uint64_t{c.entries} * c.dimensions : c.dimensions == 0 ? 0 : c.entries);
}

// The encoder's setup header with the crafted codebooks after its own.
std::vector<uint8_t> CraftSetup(std::vector<uint8_t> setup, const CraftedOgg& c) {
  platform::VorbisSetup own;
  std::string why;
  if (!platform::WalkVorbisSetup(setup.data(), setup.size(), 1, &own, &why)) return setup;
  oggpack_buffer in, out;
  oggpack_readinit(&in, setup.data(), static_cast<int>(setup.size()));
  oggpack_writeinit(&out);
  CopyBits(&in, &out, 56);                  // the packet type and "vorbis"
  const long count = oggpack_read(&in, 8);  // less one
  const uint32_t books = std::min<uint32_t>(c.books, static_cast<uint32_t>(255 - count));
  PutBits(&out, 8, static_cast<uint64_t>(count) + books);
  CopyBits(&in, &out, own.books_end_bit - 64);
  for (uint32_t i = 0; i < books; ++i) PutBook(&out, c);
  if (!c.cut) CopyBits(&in, &out, setup.size() * 8 - own.books_end_bit);
  std::vector<uint8_t> crafted(oggpack_get_buffer(&out), oggpack_get_buffer(&out) + oggpack_bytes(&out));
  oggpack_writeclear(&out);
  return crafted;
}

}  // namespace

std::vector<uint8_t> MakeOgg(uint32_t milliseconds) {
  std::vector<uint8_t> out;
  PageOut(EncodeTone(milliseconds), 1, out);
  return out;
}

// The length of the page that begins at `at`.
size_t PageLength(const std::vector<uint8_t>& ogg, size_t at) {
  size_t length = 27 + size_t{ogg[at + 26]};
  for (size_t i = 0; i < ogg[at + 26]; ++i) length += ogg[at + 27 + i];
  return length;
}

std::vector<uint8_t> MakeCraftedOgg(const CraftedOgg& craft) {
  std::vector<OggPacket> packets = EncodeTone(craft.milliseconds, 8000, craft.square);
  std::vector<uint8_t> out;
  if (packets.size() < 3) return out;
  packets[2].bytes = CraftSetup(packets[2].bytes, craft);
  std::vector<OggPacket> second;
  if (craft.second_stream_ms != 0) second = EncodeTone(craft.second_stream_ms);
  for (uint32_t link = 1; link <= craft.links; ++link) {
    std::vector<OggPacket> own = packets;
    if (link == craft.unended_link) own.back().last = false;
    if (link == craft.links && craft.last_link_rate != 0) own = EncodeTone(craft.milliseconds, craft.last_link_rate);
    std::vector<uint8_t> pages;
    PageOut(own, static_cast<int>(2 * link - 1), pages);
    if (!second.empty()) {
      // The second stream's first page goes with the first one's, the rest of it after.
      std::vector<uint8_t> other;
      PageOut(second, static_cast<int>(2 * link), other);
      const size_t first = PageLength(pages, 0);
      const size_t other_first = PageLength(other, 0);
      pages.insert(pages.begin() + static_cast<long>(first), other.begin(),
                   other.begin() + static_cast<long>(other_first));
      pages.insert(pages.end(), other.begin() + static_cast<long>(other_first), other.end());
    }
    out.insert(out.end(), pages.begin(), pages.end());
  }
  return out;
}

std::vector<uint8_t> MakeEncodedOgg(const EncodedOgg& e) {
  const float rate = static_cast<float>(e.rate);
  uint32_t noise = 1;
  auto sample = [&](long frame, int channel) {
    noise = noise * 1664525u + 1013904223u;
    const float t = static_cast<float>(frame) / rate;
    const float beat = std::fmod(t, 0.25f);  // a drum every quarter second: noise that dies away
    float value = (static_cast<float>(noise >> 8) / 8388608.0f - 1.0f) * (0.02f + 0.5f * std::exp(-beat * 60.0f));
    for (const float pitch : {220.0f, 277.2f, 329.6f, 1760.0f}) {
      value += 0.1f * std::sin(6.2831853f * pitch * (1.0f + 0.003f * static_cast<float>(channel)) * t);
    }
    return value;
  };
  std::vector<OggPacket> packets =
      Encode(e.rate, e.channels, e.quality, static_cast<long>(uint64_t{e.rate} * e.milliseconds / 1000), sample);
  std::vector<uint8_t> out;
  if (packets.size() < 4) return out;
  const ogg_int64_t length = packets.back().granule;
  const std::vector<OggPacket> sound(packets.begin() + 3, packets.end());
  packets.back().last = false;
  for (ogg_int64_t copy = 1; static_cast<uint64_t>(copy * length) < e.frames; ++copy) {
    for (OggPacket packet : sound) {
      packet.granule += copy * length;
      if (static_cast<uint64_t>(packet.granule) > e.frames) break;
      packet.number = packets.back().number + 1;
      packet.last = false;
      packets.push_back(packet);
    }
  }
  packets.back().last = true;
  PageOut(packets, 1, out);
  return out;
}

std::vector<uint8_t> MakeBareOgg(const BareOgg& bare) {
  auto packet = [](oggpack_buffer* bits) {
    OggPacket kept;
    kept.bytes.assign(oggpack_get_buffer(bits), oggpack_get_buffer(bits) + oggpack_bytes(bits));
    oggpack_writeclear(bits);
    return kept;
  };
  auto put_text = [](oggpack_buffer* bits, int type) {
    PutBits(bits, 8, static_cast<uint64_t>(type));
    for (char c : std::string("vorbis")) PutBits(bits, 8, static_cast<uint8_t>(c));
  };
  std::vector<OggPacket> packets;
  oggpack_buffer bits;
  oggpack_writeinit(&bits);
  put_text(&bits, 1);
  PutBits(&bits, 32, 0);  // version
  PutBits(&bits, 8, bare.channels);
  PutBits(&bits, 32, bare.rate);
  PutBits(&bits, 96);  // bit rates
  const uint8_t long_bits = bare.long_bits != 0 ? bare.long_bits : bare.block_bits;
  PutBits(&bits, 4, bare.block_bits);
  PutBits(&bits, 4, long_bits);
  PutBits(&bits, 1, 1);
  packets.push_back(packet(&bits));
  packets.back().first = true;
  oggpack_writeinit(&bits);
  put_text(&bits, 3);
  PutBits(&bits, 64);  // no vendor, no comments
  PutBits(&bits, 1, 1);
  packets.push_back(packet(&bits));

  oggpack_writeinit(&bits);
  put_text(&bits, 5);
  PutBits(&bits, 8, 1);  // two codebooks: floor 0's vectors, and one of one dimension
  PutBook(&bits, {.entries = 2, .dimensions = bare.vector_dimensions, .lookup = 2});
  PutBook(&bits, {.entries = 2, .dimensions = bare.word_dimensions});
  PutBits(&bits, 6 + 16);  // one time domain transform, 0
  PutBits(&bits, 6);       // one floor
  if (bare.floor == 0) {
    PutBits(&bits, 16, 0);
    PutBits(&bits, 8, bare.order);
    PutBits(&bits, 16, bare.rate);
    PutBits(&bits, 16, bare.bark_map);
    PutBits(&bits, 6, 1);      // amplitude bits
    PutBits(&bits, 8, 40);     // amplitude offset
    PutBits(&bits, 4 + 8, 0);  // one book: the first
  } else {
    // Partitions of one class of `class_dimensions` points, at x = 1, 2, ...
    PutBits(&bits, 16, 1);
    PutBits(&bits, 5, bare.partitions);
    PutBits(&bits, 4 * uint64_t{bare.partitions}, 0);
    PutBits(&bits, 3, bare.class_dimensions - 1u);
    PutBits(&bits, 2 + 8, 0);  // no subclasses, no book
    PutBits(&bits, 2, 0);
    PutBits(&bits, 4, 8);
    for (uint32_t x = 1; x <= uint32_t{bare.partitions} * bare.class_dimensions; ++x) PutBits(&bits, 8, x);
  }
  PutBits(&bits, 6);  // one residue, classified by the second book
  PutBits(&bits, 16, bare.residue_type);
  PutBits(&bits, 24, 0);
  const uint32_t residue_end = (1u << (long_bits - 1)) * (bare.residue_type == 2 ? bare.channels : 1u);
  PutBits(&bits, 24, residue_end);
  PutBits(&bits, 24, bare.grouping - 1);
  PutBits(&bits, 6, bare.classifications - 1u);
  PutBits(&bits, 8, 1);
  // Each classification: the first stage_count stages or none, each of the first book.
  const uint32_t first_stage = bare.last_stage_only ? bare.stage_count - 1u : 0;
  const uint32_t cascade = bare.stages ? (1u << bare.stage_count) - (1u << first_stage) : 0;
  for (uint32_t i = 0; i < bare.classifications; ++i) {
    PutBits(&bits, 3, cascade & 7);
    PutBits(&bits, 1, cascade > 7 ? 1 : 0);
    if (cascade > 7) PutBits(&bits, 5, cascade >> 3);
  }
  if (bare.stages) PutBits(&bits, 8 * uint64_t{bare.classifications} * (bare.stage_count - first_stage), 0);
  PutBits(&bits, 6);  // one mapping
  PutBits(&bits, 16, 0);
  PutBits(&bits, 1, 0);
  PutBits(&bits, 1, bare.coupling_steps != 0 ? 1 : 0);
  if (bare.coupling_steps != 0) {
    PutBits(&bits, 8, bare.coupling_steps - 1u);
    const int channel_bits = BitsOf(bare.channels - 1u);
    for (uint32_t i = 0; i < bare.coupling_steps; ++i) PutBits(&bits, 2 * uint64_t(channel_bits), 1);  // 1 and 0
  }
  PutBits(&bits, 2 + 8 + 8 + 8);  // reserved; the one submap: time, floor 0, residue 0
  PutBits(&bits, 6);              // one mode: of short blocks (or long ones), mapping 0
  PutBits(&bits, 1, bare.long_bits != 0 ? 1 : 0);
  PutBits(&bits, 16 + 16 + 8);
  PutBits(&bits, 1, 1);
  packets.push_back(packet(&bits));

  // Each audio packet: its type and, for each channel, an amplitude of 1, the first book and its
  // first entry for as many vectors as the floor's order needs (floor 0), or two points at 0
  // (floor 1).
  const uint64_t vectors =
      bare.vector_dimensions == 0 ? 0 : (bare.order + bare.vector_dimensions - 1u) / bare.vector_dimensions;
  const int64_t half = int64_t{1} << (long_bits - 1);
  // The residue's classification words (of the first classification, one bit each): for each
  // channel, or once for type 2's interleaved values.
  const uint64_t words = (residue_end / bare.grouping + bare.word_dimensions - 1) / bare.word_dimensions *
                         (bare.residue_type == 2 ? 1 : bare.channels);
  for (uint32_t i = 0; i < bare.packets; ++i) {
    oggpack_writeinit(&bits);
    PutBits(&bits, 1, 0);
    if (bare.long_bits != 0) PutBits(&bits, 2, 3);  // long windows before and after
    for (uint32_t c = 0; c < bare.channels; ++c) {
      if (bare.floor == 0) {
        PutBits(&bits, 2, 1);
        PutBits(&bits, vectors, 0);
      } else {
        PutBits(&bits, 1 + 16, 1);  // a curve of two points at 0
      }
    }
    if (bare.classified) PutBits(&bits, words, 0);
    packets.push_back(packet(&bits));
    packets.back().granule = i * half;
  }
  packets.back().last = true;
  for (size_t i = 0; i < packets.size(); ++i) packets[i].number = static_cast<ogg_int64_t>(i);
  std::vector<uint8_t> out;
  PageOut(packets, 1, out);
  return out;
}

std::vector<uint8_t> MakeAdpcmWave(const AdpcmWave& w) {
  const bool ms = w.tag == 2;
  std::vector<uint8_t> format;
  Put16(format, w.format == AdpcmWave::kExtensible ? 0xFFFE : w.tag);
  Put16(format, w.channels);
  Put32(format, w.rate);
  Put32(format, w.rate);  // bytes a second (unread)
  Put16(format, w.block);
  Put16(format, 4);  // bits a sample
  std::vector<uint8_t> extra;
  if (w.format != AdpcmWave::kShort) {
    Put16(extra, w.frames_a_block);
    if (ms && w.coefficients) {
      Put16(extra, 7);
      for (int16_t value : {256, 0, 512, -256, 0, 0, 192, 64, 240, 0, 460, -208, 392, -232}) {
        Put16(extra, static_cast<uint16_t>(value));
      }
    }
  }
  if (w.format == AdpcmWave::kExtensible) {
    Put16(format, static_cast<uint16_t>(22 + extra.size()));
    Put16(format, w.valid_bits);
    Put32(format, w.channels == 2 ? 3 : 4);  // the channel mask
    Put16(format, w.tag);
    format.insert(format.end(), {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71});
    if (w.foreign_guid) format.back() ^= 0xFF;
  } else if (w.format == AdpcmWave::kPlain) {
    Put16(format, static_cast<uint16_t>(extra.size()));
  }
  format.insert(format.end(), extra.begin(), extra.end());
  // A block's header holds its first frames (MS ADPCM: a predictor of 1 and 0, a delta of 16
  // and two frames); samples of 0 after it change nothing.
  std::vector<uint8_t> block;
  for (uint16_t c = 0; c < w.channels && ms; ++c) block.push_back(0);
  for (uint16_t c = 0; c < w.channels && ms; ++c) Put16(block, 16);
  for (int copies = ms ? 2 : 1; copies > 0; --copies) {
    for (uint16_t c = 0; c < w.channels; ++c) {
      Put16(block, c == 0 ? 1000 : static_cast<uint16_t>(-1000));
      if (!ms) Put16(block, 0);  // IMA ADPCM: step 0, reserved
    }
  }
  block.resize(w.block, 0);
  std::vector<uint8_t> out{'R', 'I', 'F', 'F'};
  Put32(out, static_cast<uint32_t>(4 + 8 + format.size() + 8 + block.size() * w.blocks));
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(out, static_cast<uint32_t>(format.size()));
  out.insert(out.end(), format.begin(), format.end());
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  Put32(out, static_cast<uint32_t>(block.size() * w.blocks));
  for (uint32_t i = 0; i < w.blocks; ++i) out.insert(out.end(), block.begin(), block.end());
  return out;
}

}  // namespace test_support
