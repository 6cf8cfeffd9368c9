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

// The encoder's packets of a mono tone at 8000 Hz: its three headers, then the sound.
std::vector<OggPacket> EncodeTone(uint32_t milliseconds) {
  constexpr long kRate = 8000;
  std::vector<OggPacket> packets;
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, 1, kRate, 0.1f) != 0) return packets;
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block block;
  vorbis_block_init(&dsp, &block);
  ogg_packet headers[3];
  vorbis_analysis_headerout(&dsp, &comment, &headers[0], &headers[1], &headers[2]);
  for (const ogg_packet& packet : headers) packets.push_back(Keep(packet));

  const long samples = kRate * milliseconds / 1000;
  for (long at = 0;; at += 1024) {
    const long count = std::max<long>(std::min<long>(1024, samples - at), 0);
    if (count > 0) {
      float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
      for (long i = 0; i < count; ++i) buffer[0][i] = 0.25f * std::sin(static_cast<float>(at + i) * 0.2f);
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
  if (c.sparse == 0) {
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
  if (!platform::WalkVorbisSetup(setup.data(), setup.size(), &own, &why)) return setup;
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

std::vector<uint8_t> MakeCraftedOgg(const CraftedOgg& craft) {
  std::vector<OggPacket> packets = EncodeTone(craft.milliseconds);
  std::vector<uint8_t> out;
  if (packets.size() < 3) return out;
  packets[2].bytes = CraftSetup(packets[2].bytes, craft);
  for (uint32_t link = 0; link < craft.links; ++link) PageOut(packets, static_cast<int>(link + 1), out);
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
    if (ms) {
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
