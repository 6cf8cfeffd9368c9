#include "tests/support/wave_file.h"

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

std::vector<uint8_t> MakeWave(uint32_t milliseconds, uint32_t sample_rate) {
  const uint32_t samples = static_cast<uint32_t>(uint64_t{sample_rate} * milliseconds / 1000);
  std::vector<uint8_t> out{'R', 'I', 'F', 'F'};
  Put32(out, 36 + samples + (samples & 1));
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, 1);  // mono
  Put32(out, sample_rate);
  Put32(out, sample_rate);  // bytes a second
  Put16(out, 1);            // block align
  Put16(out, 8);            // bits a sample
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  Put32(out, samples);
  for (uint32_t i = 0; i < samples; ++i) out.push_back((i / 20) % 2 ? 0x90 : 0x70);
  if (samples & 1) out.push_back(0);
  return out;
}

}  // namespace test_support
