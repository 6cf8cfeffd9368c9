#include "tests/support/wave_file.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstring>

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

std::vector<uint8_t> MakeOgg(uint32_t milliseconds) {
  constexpr long kRate = 8000;
  std::vector<uint8_t> out;
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, 1, kRate, 0.1f) != 0) return out;
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block block;
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, 1);
  ogg_page page;
  auto put_page = [&] {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
  };
  ogg_packet headers[3];
  vorbis_analysis_headerout(&dsp, &comment, &headers[0], &headers[1], &headers[2]);
  for (ogg_packet& packet : headers) ogg_stream_packetin(&stream, &packet);
  while (ogg_stream_flush(&stream, &page) != 0) put_page();

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
      while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
        ogg_stream_packetin(&stream, &packet);
        while (ogg_stream_pageout(&stream, &page) != 0) put_page();
      }
    }
    if (count == 0) break;
  }
  while (ogg_stream_flush(&stream, &page) != 0) put_page();
  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return out;
}

}  // namespace test_support
